#pragma once

#include "Wisplet/Base/ToolService.h"
#include "Wisplet/Platform/ActiveWindowSource.h"
#include "Wisplet/Tools/Clipboard/ClipHistoryFile.h"
#include "Wisplet/Tools/Clipboard/ClipItem.h"
#include "Wisplet/Tools/Clipboard/ClipboardRules.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <QCoro/QCoroTask>

#include <functional>
#include <memory>
#include <optional>

class AppSettings;
class ClipHistoryStore;
class Clock;
struct CopyOrigin;
class Defaults;
class FrontApplications;
class PasteKeystroke;
class Pasteboard;
class QEventLoop;
class QTimer;
class ScheduledCall;
class Scheduler;
class WispState;

// The clipboard history: watches the clipboard while capture runs, keeps what the privacy rules allow,
// merges repeats, keeps the list within its count, age and byte budgets, stores it beside its image files
// (read and written off the main thread), and copies an entry back (and pastes it) on request. Its polling
// is the clipboard tool's background work.
class ClipboardManager final : public QObject, public ToolService
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClipboardManager)

public:
    static constexpr int pollIntervalMs = 500;
    static constexpr int pasteDelayMs = 150;
    static constexpr qint64 pruneIntervalMs = 60'000;
    // 25 MB: the most text (UTF-8) or image data one copy may add.
    static constexpr qint64 sizeLimit = 26'214'400;
    // The most "clipboard.json" may hold: what the budget below keeps, with room for pinned entries.
    static constexpr qint64 historyFileLimit = 64 * 1024 * 1024;
    // The most the texts of the history take together (as stored; in memory up to twice that), and its
    // image and preview files on disk. The oldest unpinned entries make way.
    static constexpr qint64 textBudget = 32 * 1024 * 1024;
    static constexpr qint64 fileBudget = 256 * 1024 * 1024;
    static constexpr int thumbnailSide = 320;
    static constexpr double bubbleSeconds = 2.2;

    struct Services
    {
        Defaults& defaults;
        Clock& clock;
        Scheduler& scheduler;
        AppSettings& settings;
        WispState& wisp;
        Pasteboard& pasteboard;
        FrontApplications& applications;
        PasteKeystroke& paste;
    };

    // `folder` holds "clipboard.json" and the image files; it is created when missing. The history is read
    // on a worker thread; the list is empty until it is there.
    ClipboardManager(const Services& services, const QString& folder, bool loadHistory, QObject* parent = nullptr);
    // Saves what is unsaved first.
    ~ClipboardManager() override;

    static ClipboardManager& shared();
    // Password and secret managers, by desktop-entry id and by window class.
    static QStringList defaultExcluded();

    QList<ClipItem> items() const { return m_items; }
    int maxItems() const { return m_maxItems; }
    bool pasteDirectly() const { return m_pasteDirectly; }
    QStringList excludedAppIds() const { return m_excluded; }
    bool paused() const { return m_paused; }
    bool captureConsent() const { return m_captureConsent; }
    int retentionDays() const { return m_retentionDays; }
    std::optional<QString> message() const { return m_message; }
    QString folder() const { return m_folder; }
    QString historyPath() const;

    void setMaxItems(int maxItems);
    void setRetentionDays(int days);
    void setPasteDirectly(bool pasteDirectly);
    void setExcludedAppIds(const QStringList& ids);
    void setPaused(bool paused);
    void setCaptureConsent(bool consent);
    // How a window of another program is brought forward for a paste; without it, none is.
    void setWindowActivation(std::function<void(quint32 window)> activate);

    // Polling, as the service coordinator runs it.
    void start() override;
    void stop() override;
    // Stops, after one last look at the clipboard: a copy made since the last tick, and one a tick found
    // that is still being read or written, is still taken until the quit's deadline.
    void stopForQuit(QDeadlineTimer deadline) override;
    bool isPolling() const;

    // One timer tick. A new copy is read asynchronously; it is kept only if no newer one overtook it.
    void poll();
    // A copy is being read, or its image or preview written.
    bool isReading() const { return m_readsInFlight > 0; }
    // The history is being read or written.
    bool isSaving() const;
    // The content of the copy with that change count, of the given types, as a new entry, or none; none as
    // well once a newer copy has overtaken it, and then nothing more is read.
    QCoro::Task<std::optional<ClipItem>> capture(int copy, QStringList types, std::optional<QString> app);
    void insert(const ClipItem& item);
    void prune();
    // Saves the history on a worker thread; a failure is said in `message`, which goes again once a save
    // succeeds. Tried again at the next change and at quit.
    void save();
    // At quit: waits for the save under way and writes what is still unsaved. True when nothing is left
    // unsaved.
    bool finishSaving();

    void copyBack(const ClipItem& item);
    void postPasteKeystroke(const std::optional<WindowInfo>& target);
    void togglePin(const ClipItem& item);
    void remove(const ClipItem& item);
    void clearUnpinned();

    // PNG bytes of the picture with its longer side at most maxSide; empty when it cannot be read or is
    // too large to decode.
    static QByteArray makeThumbnail(const QByteArray& imageData, int maxSide);

signals:
    void itemsChanged(const QList<ClipItem>& value);
    void maxItemsChanged(int value);
    void pasteDirectlyChanged(bool value);
    void excludedAppIdsChanged(const QStringList& value);
    void pausedChanged(bool value);
    void captureConsentChanged(bool value);
    void retentionDaysChanged(int value);
    void messageChanged(const std::optional<QString>& value);
    // Any of the above.
    void changed();

private:
    void setItems(const QList<ClipItem>& items);
    // After m_items changed in place. `pinsKept`: no pinned entry came, went or changed its size.
    void itemsEdited(bool pinsKept);
    // The file is written again only when the prune dropped something.
    void pruneAndSave();
    void setMessage(const std::optional<QString>& text);
    void showFileLine(const ClipHistoryFile::File& file);
    void removeFiles(const QList<ClipItem>& gone);
    void historyLoaded(const ClipHistoryFile::Loaded& loaded);
    void historySaved(const QList<ClipItem>& sent, const ClipHistoryFile::Saved& saved);
    // Deletes the files found at start that no entry names and no write under way is making.
    void removeStrays(const QStringList& names);
    ClipboardRules::EntryBytes sizeOf(const ClipItem& item) const;
    ClipboardRules::EntryBytes pinnedBytes() const;
    // The rules that hold before anything of a copy is known.
    ClipboardRules::CopyContext rulesNow() const;
    // A copy has just taken the clipboard.
    void copyArrived();
    // The origin of the copy with that change count: the one taken as it arrived, else one taken now.
    QCoro::Task<CopyOrigin> originOf(int changeCount);
    // The maker's name; the application in front only where the system cannot tell at all; none when in
    // doubt, and never our own.
    std::optional<QString> creditedName(const CopyOrigin& origin) const;
    QCoro::Task<> examine(int changeCount, ClipboardRules::CopyContext copy, QCoro::Task<CopyOrigin> taken);
    QCoro::Task<> addPreview(ClipItem item);
    QCoro::Task<std::optional<ClipItem>> captureImage(int copy, QStringList types, QDateTime now,
                                                      std::optional<QString> app);
    std::optional<WindowInfo> pasteTarget() const;
    QString pathOf(const QString& fileName) const;
    // A copy is read up to its entry, or dropped; the quit's wait ends with the last one.
    void captureEnded();

    Defaults& m_defaults;
    Clock& m_clock;
    Scheduler& m_scheduler;
    AppSettings& m_settings;
    WispState& m_wisp;
    Pasteboard& m_pasteboard;
    FrontApplications& m_applications;
    PasteKeystroke& m_paste;
    QString m_folder;
    std::function<void(quint32)> m_activate;

    QList<ClipItem> m_items;
    int m_maxItems;
    bool m_pasteDirectly;
    QStringList m_excluded;
    bool m_paused = false;
    bool m_captureConsent;
    int m_retentionDays;
    std::optional<QString> m_message;
    // What the history's file last said for the page (a failed save, a file set aside or left in place).
    QString m_fileLine;
    ClipHistoryStore* m_history;
    ClipHistoryFile::Sizes m_sizes;
    // What the pinned entries take together, while no change touched them: a copy's insertion and a prune
    // keep it, so they measure none of the pinned entries, however many.
    std::optional<ClipboardRules::EntryBytes> m_pinnedBytes;
    // Image and preview files being written, by name: not strays, though no entry names them yet.
    QSet<QString> m_writingFiles;

    // What made the last copy, taken as it arrived; examined at the next tick.
    struct ArrivedCopy
    {
        int changeCount = 0;
        QCoro::Task<CopyOrigin> origin;
    };
    std::optional<ArrivedCopy> m_arrived;
    // Monotonic milliseconds of the last periodic prune; none before the first.
    std::optional<qint64> m_lastPruneMs;
    int m_lastChangeCount;
    int m_ownChangeCount = -1;
    int m_readsInFlight = 0;
    // Copies being read up to their entry (a preview may still be made after it).
    int m_capturesInFlight = 0;
    // Quitting waits for the copies still being read.
    QEventLoop* m_quitWait = nullptr;
    QTimer* m_timer;
    std::unique_ptr<ScheduledCall> m_pendingPaste;
};
