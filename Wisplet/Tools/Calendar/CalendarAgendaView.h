#pragma once

#include <QWidget>

class CalendarTool;
class ElidingLabel;
class EventListModel;
class NextEventCard;
class PillButton;
class QLabel;
class QListView;
class QStackedWidget;
class WispState;

// The calendar's page: asks for a calendar while none can be read, says when the week is empty, and
// otherwise shows what runs now, the next meeting's card and the other events of the week. Each face is
// made once and updated in place, so a refresh keeps the list's scroll position, hover and focus.
class CalendarAgendaView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CalendarAgendaView)

public:
    CalendarAgendaView(CalendarTool& calendar, WispState& wisp, QWidget* parent = nullptr);

    QListView* list() const { return m_list; }
    EventListModel* listModel() const { return m_model; }

public slots:
    // The calendar's error in orange under the page; empty hides it.
    void setErrorText(const QString& text);

private:
    QWidget* makeAccessFace();
    QWidget* makeEmptyFace();
    QWidget* makeAgendaFace();
    void refresh();
    void updateAgenda();
    void chooseCalendar();

    CalendarTool& m_calendar;
    WispState& m_wisp;
    QStackedWidget* m_faces = nullptr;
    QWidget* m_accessFace = nullptr;
    QLabel* m_accessMessage = nullptr;
    QWidget* m_emptyFace = nullptr;
    QLabel* m_emptySymbol = nullptr;
    QLabel* m_emptyText = nullptr;
    QWidget* m_agendaFace = nullptr;
    ElidingLabel* m_now = nullptr;
    NextEventCard* m_card = nullptr;
    EventListModel* m_model = nullptr;
    QListView* m_list = nullptr;
    QLabel* m_error = nullptr;
};
