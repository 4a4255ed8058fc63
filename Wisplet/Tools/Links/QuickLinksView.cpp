#include "Wisplet/Tools/Links/QuickLinksView.h"

#include "Wisplet/Base/Colours.h"
#include "Wisplet/Base/Graphemes.h"
#include "Wisplet/Base/OutsideText.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Links/LinkGrid.h"
#include "Wisplet/Tools/Links/LinkListModel.h"
#include "Wisplet/Tools/Links/LinksStore.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int fontPixels = 13;
constexpr int formSpacing = 6;
constexpr int titleFieldWidth = 90;
constexpr int messagePixels = 11;
// Outside text in a message is cut short: a title or an error line that ran on without a break would widen the
// page past the chips.
constexpr int messageTitleCharacters = 40;
constexpr int messageLineCharacters = 120;

QString shortened(const QString& text, int characters)
{
    const QString lead = Graphemes::leading(text, characters);
    return OutsideText::isolated(lead.size() < text.size() ? lead + u'…' : lead);
}

QString notOpened(const QString& title, const QString& why)
{
    return QStringLiteral("“%1” not opened: %2.").arg(title, why);
}

} // namespace

QuickLinksView::QuickLinksView(LinksStore& store, WispState& wisp, Opener open, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_wisp(wisp)
    , m_open(std::move(open))
{
    m_message = toolLabel({}, messagePixels, warningOrange, this);
    m_message->setWordWrap(true);
    showMessage();
    connect(&m_store, &LinksStore::messageChanged, this, &QuickLinksView::showMessage);

    m_grid = new LinkGrid(new LinkListModel, this);
    m_grid->links().setLinks(m_store.links());
    connect(&m_store, &LinksStore::linksChanged, &m_grid->links(), &LinkListModel::setLinks);
    // The refused link may be gone or mended.
    connect(&m_store, &LinksStore::linksChanged, this, [this] { setRefusal({}); });
    connect(m_grid, &LinkGrid::linkClicked, this, &QuickLinksView::open);
    connect(m_grid, &LinkGrid::removeClicked, &m_store, &LinksStore::removeLink);
    connect(m_grid, &LinkGrid::addClicked, this, [this] { m_form->setVisible(m_form->isHidden()); });

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(LinkGrid::spacing);
    column->addWidget(m_message);
    column->addWidget(m_grid, 1);
    column->addWidget(buildForm());
}

QWidget* QuickLinksView::buildForm()
{
    m_form = new QWidget(this);
    auto* column = new QVBoxLayout(m_form);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(formSpacing);
    auto* row = new QHBoxLayout;
    row->setSpacing(formSpacing);
    QFont formFont = font();
    formFont.setPixelSize(fontPixels);
    m_form->setFont(formFont);
    m_title = new QLineEdit(m_form);
    m_title->setPlaceholderText(QStringLiteral("Title"));
    m_title->setFixedWidth(titleFieldWidth);
    m_url = new QLineEdit(m_form);
    m_url->setPlaceholderText(QStringLiteral("URL or /path"));
    // One more than an address may hold, so a longer paste is refused as too long instead of cut short.
    m_url->setMaxLength(LinkRules::maxAddressLength + 1);
    connect(m_url, &QLineEdit::textEdited, this, [this] { m_fieldMessage->hide(); });
    m_submit = new PillButton(QStringLiteral("Add"), QStringLiteral("checkmark"), true, m_form);
    connect(m_url, &QLineEdit::returnPressed, this, &QuickLinksView::submit);
    connect(m_submit, &PillButton::clicked, this, &QuickLinksView::submit);
    row->addWidget(m_title);
    row->addWidget(m_url, 1);
    row->addWidget(m_submit, 0, Qt::AlignVCenter);
    m_fieldMessage = toolLabel({}, messagePixels, warningOrange, m_form);
    m_fieldMessage->hide();
    column->addLayout(row);
    column->addWidget(m_fieldMessage);
    m_form->hide();
    return m_form;
}

void QuickLinksView::submit()
{
    if (m_url->text().trimmed().isEmpty())
        return;
    if (const QString refused = m_store.addLink(m_title->text(), m_url->text()); !refused.isEmpty()) {
        m_fieldMessage->setText(QStringLiteral("Not added: %1.").arg(refused));
        m_fieldMessage->show();
        return;
    }
    m_title->clear();
    m_url->clear();
    m_form->hide();
}

void QuickLinksView::open(const QuickLink& link)
{
    const QString title = shortened(LinkRules::shownTitle(link), messageTitleCharacters);
    if (const QString whyNot = LinkRules::whyNotOpened(link.url); !whyNot.isEmpty()) {
        setRefusal(notOpened(title, whyNot));
        return;
    }
    setRefusal({});
    m_wisp.react(Mood::happy, QStringLiteral("Opening ") + title, true, 1, 1.0);
    m_open(QUrl(link.url, QUrl::StrictMode), [page = QPointer(this), title](const QString& why, const QString& line) {
        if (page)
            page->setRefusal(notOpened(
                title,
                line.isEmpty() ? why : QStringLiteral("%1 (%2)").arg(why, shortened(line, messageLineCharacters))));
    });
}

void QuickLinksView::setRefusal(const QString& text)
{
    m_refusal = text;
    showMessage();
}

void QuickLinksView::showMessage()
{
    QStringList lines{m_store.message(), m_refusal};
    lines.removeAll(QString());
    m_message->setText(lines.join(u'\n'));
    m_message->setVisible(!lines.isEmpty());
}
