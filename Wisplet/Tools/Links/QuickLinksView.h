#pragma once

#include <QWidget>

#include <functional>

class LinksStore;
class LinkChip;
class PillButton;
class QAbstractButton;
class QGridLayout;
class QLabel;
class QLineEdit;
class QUrl;
class WispState;
struct QuickLink;

// The links page: a grid of link chips, as many columns of at least 96 points as fit, ending with an
// "Add" chip that shows a one-line form for a new link.
class QuickLinksView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuickLinksView)

public:
    // Asks the desktop to open an address; the program's is QDesktopServices::openUrl.
    using Opener = std::function<bool(const QUrl&)>;

    static constexpr int minimumColumnWidth = 96;
    static constexpr int spacing = 8;

    QuickLinksView(LinksStore& store, WispState& wisp, Opener open, QWidget* parent = nullptr);

    // How many columns of at least the minimum width, with the spacing between them, fit the width.
    static int columnCount(int width);

    QList<LinkChip*> chips() const { return m_chips; }
    QAbstractButton* addChip() const { return m_addChip; }
    QWidget* addForm() const { return m_form; }
    // What went wrong with the links file, when anything did.
    QLabel* messageLine() const { return m_message; }
    QLineEdit* titleField() const { return m_title; }
    QLineEdit* urlField() const { return m_url; }
    PillButton* submitButton() const { return m_submit; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildForm();
    void fillGrid();
    void placeChips();
    void submit();
    void open(const QuickLink& link);

    LinksStore& m_store;
    WispState& m_wisp;
    Opener m_open;
    QLabel* m_message = nullptr;
    QWidget* m_gridHost = nullptr;
    QGridLayout* m_grid = nullptr;
    QList<LinkChip*> m_chips;
    QAbstractButton* m_addChip = nullptr;
    QWidget* m_form = nullptr;
    QLineEdit* m_title = nullptr;
    QLineEdit* m_url = nullptr;
    PillButton* m_submit = nullptr;
    int m_columns = 0;
};
