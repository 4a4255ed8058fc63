#include "Wisplet/Settings/SettingsWindow.h"

#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Base/WindowPlacement.h"
#include "Wisplet/Settings/SettingsFileMessage.h"

#include <QLabel>
#include <QListWidget>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

constexpr int headingPixels = 20;
constexpr int detailMargin = 20;
constexpr int sidebarIconPixels = 16;

QLabel* headingLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPixelSize(headingPixels);
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

QWidget* settingsTitlePage(SettingsSection section, QWidget* parent)
{
    auto* page = new QWidget(parent);
    auto* layout = new QVBoxLayout(page);
    auto* title = new QLabel(sectionTitle(section), page);
    title->setTextFormat(Qt::PlainText);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    return page;
}

SettingsWindow::SettingsWindow(Defaults& defaults, PageMaker makePage, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_makePage(std::move(makePage))
{
    setObjectName(QStringLiteral("settings"));
    setWindowTitle(QStringLiteral("Settings"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAutoFillBackground(true);
    setMinimumSize(minimumWindowSize);
    resize(openingSize);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(buildSidebar());

    auto* detail = new QWidget(splitter);
    m_detail = new QVBoxLayout(detail);
    m_detail->setContentsMargins(0, detailMargin, 0, 0);
    m_detail->setSpacing(0);
    m_heading = headingLabel({}, detail);
    m_heading->setContentsMargins(detailMargin, 0, detailMargin, 0);
    m_detail->addWidget(m_heading);
    // What became of the settings file (a failed save, another program's changes) is said on every page.
    QLabel* fileMessage = settingsFileMessage(defaults, detail);
    fileMessage->setContentsMargins(detailMargin, detailMargin / 3, detailMargin, 0);
    m_detail->addWidget(fileMessage);
    splitter->addWidget(detail);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({sidebarIdealWidth, openingSize.width() - sidebarIdealWidth});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);

    showSection(SettingsSection::general);
    KeyboardPaths::closeWithKeys(*this);
    // A click beside the rows would clear the selection and leave the page without its row.
    connect(m_sidebar, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_sidebar->selectedItems().isEmpty())
            m_sidebar->item(int(m_section))->setSelected(true);
    });
    connect(m_sidebar, &QListWidget::currentRowChanged, this, [this](int row) {
        // No selection shows General.
        showSection(row >= 0 && row < int(allSettingsSections.size()) ? allSettingsSections[std::size_t(row)]
                                                                      : SettingsSection::general);
    });
}

QListWidget* SettingsWindow::buildSidebar()
{
    m_sidebar = new QListWidget(this);
    m_sidebar->setObjectName(QStringLiteral("settingsSidebar"));
    m_sidebar->setMinimumWidth(sidebarMinimumWidth);
    m_sidebar->setMaximumWidth(sidebarMaximumWidth);
    m_sidebar->setFrameShape(QFrame::NoFrame);
    m_sidebar->setIconSize(QSize(sidebarIconPixels, sidebarIconPixels));
    // The chosen section with the keyboard on the list wears the one focus ring, as the panel's controls do.
    m_sidebar->setStyleSheet(
        QStringLiteral(
            "#settingsSidebar { background: rgba(255, 255, 255, 10); color: white; padding: 8px; outline: 0; "
            "show-decoration-selected: 1; }"
            "#settingsSidebar::item { padding: 6px; border: 2px solid transparent; border-radius: 6px; color: white; }"
            "#settingsSidebar::item:selected { background: rgba(255, 255, 255, 36); color: white; }"
            "#settingsSidebar::item:selected:focus { border-color: %1; }")
            .arg(KeyboardPaths::focusRingColour().name()));
    for (SettingsSection section : allSettingsSections)
        new QListWidgetItem(symbolIcon(sectionSymbol(section), Qt::white), sectionTitle(section), m_sidebar);
    {
        const QSignalBlocker blocker(m_sidebar);
        m_sidebar->setCurrentRow(int(SettingsSection::general));
    }
    return m_sidebar;
}

SettingsWindow* SettingsWindow::open(QPointer<SettingsWindow>& window, Defaults& defaults, const PageMaker& makePage,
                                     QScreen* screen)
{
    if (!window) {
        window = new SettingsWindow(defaults, makePage);
        if (screen)
            placeOnScreen(*window, *screen);
    }
    bringToFront(*window);
    return window;
}

void SettingsWindow::showSection(SettingsSection section)
{
    m_section = section;
    m_heading->setText(sectionTitle(section));
    // Deleted at once rather than later, so the old page stops following its stores now.
    delete m_page;
    m_page = m_makePage(section, m_detail->parentWidget());
    m_detail->addWidget(m_page, 1);
}
