#include "Wisplet/Tools/Files/FileShelfView.h"

#include "Wisplet/Base/Colours.h"
#include "Wisplet/Base/FileChooserDialog.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Notch/NotchPanel.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Files/FileShelf.h"
#include "Wisplet/Tools/Files/ImageConvertView.h"
#include "Wisplet/Tools/Files/ShelfFileList.h"
#include "Wisplet/Tools/Files/ShelfPreviewWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMimeDatabase>
#include <QScreen>
#include <QStackedLayout>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QColor secondary(255, 255, 255, 140);

QWidget* placeholder(QWidget* parent)
{
    auto* page = new QWidget(parent);
    auto* symbol = new QLabel(page);
    symbol->setPixmap(
        symbolPixmap(QStringLiteral("tray.and.arrow.down"), {40, 40}, secondary, page->devicePixelRatioF()));
    auto* title = toolLabel(FileShelfView::tr("Drop something here"), 15, Qt::white, page);
    QFont bold = title->font();
    bold.setWeight(QFont::DemiBold);
    title->setFont(bold);
    auto* description = toolLabel(FileShelfView::tr("Keep files handy between apps. Originals stay where they are."),
                                  12, secondary, page);
    auto* column = new QVBoxLayout(page);
    column->addStretch();
    for (QLabel* part : {symbol, title, description})
        column->addWidget(part, 0, Qt::AlignHCenter);
    column->addStretch();
    return page;
}

} // namespace

FileShelfView::FileShelfView(FileShelf& shelf, WispState& wisp, QWidget* parent)
    : QWidget(parent)
    , m_shelf(shelf)
    , m_wisp(wisp)
    , m_count(toolLabel({}, 13, secondary, this))
    , m_add(new PillButton(tr("Add files…"), {}, false, this))
    , m_message(toolLabel({}, 11, warningOrange, this))
    , m_content(new QStackedLayout)
    , m_placeholder(placeholder(this))
    , m_shelfPage(new QWidget(this))
    , m_list(new ShelfFileList(m_shelfPage))
    , m_quickLook(new PillButton(tr("Quick Look"), {}, false, m_shelfPage))
    , m_convert(new PillButton(tr("Convert image…"), {}, false, m_shelfPage))
    , m_remove(new PillButton(tr("Remove from shelf"), {}, false, m_shelfPage))
{
    auto* title = toolLabel(tr("Files ready to go"), 13, Qt::white, this);
    title->setFont(headlineFont(title->font()));
    auto* header = new QHBoxLayout;
    header->addWidget(title);
    header->addWidget(m_count);
    header->addStretch();
    header->addWidget(m_add);

    m_message->setWordWrap(true);
    auto* actions = new QHBoxLayout;
    actions->setSpacing(12);
    for (PillButton* button : {m_quickLook, m_convert, m_remove})
        actions->addWidget(button);
    actions->addStretch();
    auto* hint = toolLabel(tr("Space to preview · Ctrl-click to select several · Drag files into another app"), 12,
                           secondary, m_shelfPage);
    auto* shelfColumn = new QVBoxLayout(m_shelfPage);
    shelfColumn->setContentsMargins(0, 0, 0, 0);
    shelfColumn->setSpacing(12);
    shelfColumn->addWidget(m_list, 1);
    shelfColumn->addLayout(actions);
    shelfColumn->addWidget(hint);

    m_content->addWidget(m_placeholder);
    m_content->addWidget(m_shelfPage);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    column->addLayout(header);
    column->addWidget(m_message);
    column->addLayout(m_content, 1);

    connect(m_add, &QAbstractButton::clicked, this, &FileShelfView::chooseFiles);
    connect(m_quickLook, &QAbstractButton::clicked, this, &FileShelfView::previewSelected);
    connect(m_convert, &QAbstractButton::clicked, this, &FileShelfView::convertSelected);
    connect(m_remove, &QAbstractButton::clicked, this, &FileShelfView::removeSelected);
    connect(m_list, &ShelfFileList::selectedIdsChanged, this, [this](const QSet<QUuid>& ids) {
        m_selected = ids;
        updateActions();
    });
    connect(m_list, &ShelfFileList::previewRequested, this, &FileShelfView::openPreview);
    connect(&m_shelf, &FileShelf::itemsChanged, this, &FileShelfView::showItems);
    connect(&m_shelf, &FileShelf::messageChanged, this, &FileShelfView::showMessage);
    showItems();
    showMessage();
}

ShelfPreviewWindow* FileShelfView::preview() const
{
    return m_preview;
}

ImageConvertView* FileShelfView::converter() const
{
    return m_converter;
}

void FileShelfView::showItems()
{
    const QList<ShelfItem>& items = m_shelf.items();
    m_count->setText(QStringLiteral("%1/%2").arg(items.size()).arg(FileShelf::capacity));
    m_content->setCurrentWidget(items.isEmpty() ? m_placeholder : m_shelfPage);
    m_list->setItems(items);
    updateActions();
}

void FileShelfView::showMessage()
{
    m_message->setText(m_shelf.message());
    m_message->setVisible(!m_shelf.message().isEmpty());
}

QList<ShelfItem> FileShelfView::selectedItems() const
{
    QList<ShelfItem> selected;
    for (const ShelfItem& item : m_shelf.items()) {
        if (m_selected.contains(item.id))
            selected.append(item);
    }
    return selected;
}

void FileShelfView::setSelectedIds(const QSet<QUuid>& ids)
{
    m_selected = ids;
    m_list->setSelectedIds(ids);
    updateActions();
}

bool FileShelfView::looksLikeImage(const QString& name)
{
    const QList<QMimeType> types = QMimeDatabase().mimeTypesForFileName(name);
    return !types.isEmpty() && types.first().name().startsWith(QLatin1String("image/"));
}

void FileShelfView::updateActions()
{
    const QList<ShelfItem> selected = selectedItems();
    m_quickLook->setEnabled(!selected.isEmpty());
    m_remove->setEnabled(!m_selected.isEmpty());
    m_convert->setVisible(selected.size() == 1 && !selected.first().resolvedPath().isEmpty()
                          && looksLikeImage(selected.first().resolvedPath()));
}

void FileShelfView::chooseFiles()
{
    m_wisp.setPinnedOpen(true);
    FileShelf* shelf = &m_shelf;
    FileChooserDialog* chooser = FileChooserDialog::choose(this, tr("Add files"), [shelf](const QStringList& paths) {
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls.append(QUrl::fromLocalFile(path));
        shelf->add(urls);
    });
    connect(chooser, &FileChooserDialog::closedByUser, this, [this] { keyboardBackTo(*m_add); });
}

void FileShelfView::previewSelected()
{
    const QList<ShelfItem> selected = selectedItems();
    if (selected.isEmpty())
        return;
    const QString path = selected.first().resolvedPath();
    if (!path.isEmpty())
        openPreview(path);
    else if (m_preview)
        // Nothing to show: an open preview must not go on showing the file before.
        m_preview->close();
}

void FileShelfView::openPreview(const QString& path)
{
    QStringList paths;
    for (const ShelfItem& item : m_shelf.items()) {
        const QString resolved = item.resolvedPath();
        if (!resolved.isEmpty())
            paths.append(resolved);
    }
    if (!m_preview) {
        m_preview = new ShelfPreviewWindow(window());
        if (const QScreen* screen = window()->screen())
            m_preview->move(screen->availableGeometry().center() - m_preview->rect().center());
        connect(m_preview, &ShelfPreviewWindow::closedByUser, this, &FileShelfView::returnFromPreview);
    }
    m_preview->showFiles(paths, path);
    m_preview->show();
    m_preview->raise();
    m_preview->activateWindow();
}

// The window manager would hand the keyboard to whatever lies below the preview: it comes back to the list
// instead, on the file the user paged to.
void FileShelfView::returnFromPreview(const QString& lastPath)
{
    const QList<ShelfItem>& items = m_shelf.items();
    const auto shown = std::find_if(items.cbegin(), items.cend(),
                                    [&](const ShelfItem& item) { return item.resolvedPath() == lastPath; });
    if (shown != items.cend())
        m_list->chooseRow(shown->id);
    keyboardBackTo(*m_list);
}

void FileShelfView::keyboardBackTo(QWidget& control)
{
    control.setFocus(Qt::OtherFocusReason);
    if (auto* panel = qobject_cast<NotchPanel*>(window()))
        panel->takeFocus();
    else
        window()->activateWindow();
}

void FileShelfView::convertSelected()
{
    const QList<ShelfItem> selected = selectedItems();
    const QString path = selected.size() == 1 ? selected.first().resolvedPath() : QString();
    if (path.isEmpty())
        return;
    if (m_converter)
        m_converter->close();
    m_converter = new ImageConvertView(path, window());
    m_converter->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_converter, &ImageConvertView::closedByUser, this, [this] { keyboardBackTo(*m_convert); });
    m_converter->open();
}

void FileShelfView::removeSelected()
{
    const QSet<QUuid> ids = std::exchange(m_selected, {});
    for (const QUuid& id : ids)
        m_shelf.remove(id);
    m_list->setSelectedIds({});
    updateActions();
}
