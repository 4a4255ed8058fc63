#pragma once

#include "Wisplet/Platform/DesktopOpener.h"

#include <QWidget>

class LinkGrid;
class LinksStore;
class PillButton;
class QLabel;
class QLineEdit;
class QUrl;
class WispState;
struct QuickLink;

// The links page: a grid of link chips ending with an "Add" chip that shows a one-line form for a new link,
// under a line that says what went wrong with the links file, or with opening a link from it, when anything did;
// the form says why it refuses an address.
class QuickLinksView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuickLinksView)

public:
    // Hands an address to the desktop, and later, if at all, why it failed; the program's is DesktopOpener.
    using Opener = std::function<void(const QUrl&, DesktopOpener::Failed)>;

    QuickLinksView(LinksStore& store, WispState& wisp, Opener open, QWidget* parent = nullptr);

    LinkGrid* grid() const { return m_grid; }
    QWidget* addForm() const { return m_form; }
    QLabel* messageLine() const { return m_message; }
    QLineEdit* titleField() const { return m_title; }
    QLineEdit* urlField() const { return m_url; }
    PillButton* submitButton() const { return m_submit; }
    QLabel* fieldMessage() const { return m_fieldMessage; }

private:
    QWidget* buildForm();
    void submit();
    void open(const QuickLink& link);
    void setRefusal(const QString& text);
    void showMessage();

    LinksStore& m_store;
    WispState& m_wisp;
    Opener m_open;
    // Why the last link that failed was not opened; empty once another is clicked or the list changes.
    QString m_refusal;
    QLabel* m_message = nullptr;
    LinkGrid* m_grid = nullptr;
    QWidget* m_form = nullptr;
    QLineEdit* m_title = nullptr;
    QLineEdit* m_url = nullptr;
    PillButton* m_submit = nullptr;
    // Why the address typed was not added; hidden again once the address is edited.
    QLabel* m_fieldMessage = nullptr;
};
