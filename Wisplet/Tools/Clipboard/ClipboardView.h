#pragma once

#include <QWidget>

#include <functional>

class ClipList;
class ClipboardManager;
class Clock;
class PillButton;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedLayout;
class QTimer;

// The clipboard tool's page: consent or capture status, the last problem, a search field with the count
// and "Clear", and the list of entries, pinned first.
class ClipboardView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClipboardView)

public:
    // `reconcile` starts capture at once after the user allows it.
    ClipboardView(ClipboardManager& clipboard, Clock& clock, std::function<void()> reconcile,
                  QWidget* parent = nullptr);

    ClipList* list() const { return m_list; }
    QLineEdit* searchField() const { return m_search; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void showAges();
    void showHeader();
    void showMessage();
    void showItems();
    void itemsChanged();

    ClipboardManager& m_clipboard;
    Clock& m_clock;
    std::function<void()> m_reconcile;

    QWidget* m_consentHeader;
    QWidget* m_statusHeader;
    QPushButton* m_pause;
    QLabel* m_status;
    QLabel* m_message;
    QLineEdit* m_search = nullptr;
    QLabel* m_count;
    PillButton* m_clear;
    QStackedLayout* m_listStack;
    QLabel* m_empty;
    ClipList* m_list;
    // The history changed since the list last showed it.
    bool m_itemsChanged = false;
    // Keeps the rows' ages current while the page shows.
    QTimer* m_ageTimer;
};
