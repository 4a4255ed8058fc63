#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class ReminderStore;
class WispState;

// The reminders page: asks for a folder until one can be used, then a field to add a reminder and the
// incomplete reminders, earliest due first, each with a button that completes it.
class RemindersView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RemindersView)

public:
    RemindersView(ReminderStore& reminders, WispState& wisp, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildAccess();
    QWidget* buildList();
    void update();
    void fillRows();
    void add();
    void chooseFolder();

    ReminderStore& m_reminders;
    WispState& m_wisp;
    QWidget* m_access = nullptr;
    QWidget* m_list = nullptr;
    QLineEdit* m_title = nullptr;
    QPushButton* m_add = nullptr;
    QWidget* m_rows = nullptr;
    QLabel* m_empty = nullptr;
    QLabel* m_message = nullptr;
};
