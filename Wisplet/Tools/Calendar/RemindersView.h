#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class ReminderListModel;
class ReminderStore;
class WispState;

// The reminders page: asks for a folder until one can be used, then a field to add a reminder and the
// incomplete reminders, earliest due first, each with a circle that completes it (or Space on the row).
class RemindersView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RemindersView)

public:
    RemindersView(ReminderStore& reminders, WispState& wisp, QWidget* parent = nullptr);

    QListView* list() const { return m_rows; }
    ReminderListModel* listModel() const { return m_model; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildAccess();
    QWidget* buildList();
    void showStore();
    void complete(const QModelIndex& index);
    void add();
    void chooseFolder();

    ReminderStore& m_reminders;
    WispState& m_wisp;
    QWidget* m_access = nullptr;
    QWidget* m_list = nullptr;
    QLineEdit* m_title = nullptr;
    QPushButton* m_add = nullptr;
    ReminderListModel* m_model = nullptr;
    QListView* m_rows = nullptr;
    QLabel* m_empty = nullptr;
    QLabel* m_message = nullptr;
};
