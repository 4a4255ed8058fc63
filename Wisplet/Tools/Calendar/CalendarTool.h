#pragma once

#include "Wisplet/Base/ToolService.h"
#include "Wisplet/Notch/PeekSources.h"
#include "Wisplet/Platform/CalendarEvent.h"
#include "Wisplet/Platform/CalendarSource.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QSet>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <optional>

class Clock;
class Defaults;
class Notifier;
class ReminderStore;
class WispState;

// The calendar tool: the events of the coming week from the user's iCalendar files, the next and the
// current meeting, the island's peek, and one nudge shortly before each timed meeting. It keeps nothing on
// disk besides the chosen source path ("calendar.source").
class CalendarTool final : public CalendarPeekSource, public ToolService
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CalendarTool)

public:
    enum class Status {
        notDetermined, // no source chosen yet
        restricted, // the chosen source cannot be read
        fullAccess,
    };

    static inline const QString sourceKey = QStringLiteral("calendar.source");
    static constexpr int tickMs = 60'000;
    static constexpr qint64 nudgeSeconds = 5 * 60;
    static constexpr qint64 peekSeconds = 3'600;

    struct Services
    {
        Defaults& defaults;
        Clock& clock;
        CalendarSource& source;
        ReminderStore& reminders;
        WispState& wisp;
        Notifier& notifier;
        std::function<void(const QUrl&)> openUrl;
    };

    static CalendarTool& shared();

    explicit CalendarTool(Services services, QObject* parent = nullptr);

    const QList<CalendarEvent>& events() const { return m_events; }
    Status status() const { return m_status; }
    // Why the chosen calendar can't be read, or what of it was left out; empty when all is well.
    QString errorText() const { return m_errorText; }
    bool isRunning() const { return m_timer.isActive(); }
    // The events are being read and none have been since they were last emptied, or files that take long to
    // read are still being read: an empty list says nothing yet.
    bool isReadingFirst() const { return m_readingFirst || m_stillReading; }
    QDateTime now() const;

    // The first timed event still to start, and the first timed event running now.
    std::optional<CalendarEvent> nextEvent() const;
    std::optional<CalendarEvent> currentEvent() const;
    // "Title · 12m" for the next event when it starts within the hour.
    std::optional<QString> peekText() const override;

    // Rereads access and, while running with access, starts reading the events of the window; they arrive
    // later. A refresh asked for while one is reading runs once that one is done.
    void refresh();
    // Tells the companion, and the user when notifications may be posted, once per occurrence that starts
    // within five minutes.
    void nudgeUpcoming();
    // What the repeating timer does: a refresh, then the nudge over what it read.
    void tick();

    // Uses the chosen folder or file as the calendar from now on.
    void requestAccess(const QString& path);
    void joinMeeting(const CalendarEvent& event);

    // The refresh timer and the file watcher; one refresh at once.
    void start() override;
    void stop() override;

    const QTimer& timer() const { return m_timer; }

signals:
    // Only when something changed; peekChanged() follows every refresh, since countdowns move with time.
    void eventsChanged(const QList<CalendarEvent>& events);
    void statusChanged(CalendarTool::Status status);
    void errorTextChanged(const QString& errorText);
    void changed();

private:
    QCoro::Task<> read();
    void apply(const CalendarReading& reading);
    // The events that have not ended, earliest first.
    void showEvents(const QList<CalendarEvent>& read);
    void setStatus(Status status);
    // The path's own problem first, else what the last reading left out.
    void showError();
    // True when they changed.
    bool setEvents(const QList<CalendarEvent>& events);
    void nudgeWhenRead();
    void setReadingFirst(bool readingFirst);
    QString nudgeKey(const CalendarEvent& event) const;

    Services m_services;
    QTimer m_timer{this};
    QList<CalendarEvent> m_events;
    Status m_status = Status::notDetermined;
    QString m_errorText;
    QString m_accessProblem;
    QString m_readingMessage;
    // The last reading found the source itself unreadable; the status stays restricted until one does not.
    bool m_unreadable = false;
    // A reading under way, another refresh asked for meanwhile, and a tick's nudge still to come.
    bool m_reading = false;
    bool m_refreshPending = false;
    bool m_nudgePending = false;
    // The last reading left files that take long to read to a later one.
    bool m_stillReading = false;
    // No reading has come back since the events were emptied.
    bool m_unread = true;
    bool m_readingFirst = false;
    // Readings started under an older generation are dropped.
    quint64 m_generation = 0;
    // Occurrences already nudged, kept for the life of the process so a restart of the tool does not nudge
    // again.
    QSet<QString> m_nudged;
};
