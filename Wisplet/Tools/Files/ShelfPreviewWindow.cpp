#include "Wisplet/Tools/Files/ShelfPreviewWindow.h"

#include "Wisplet/Base/OutsideText.h"
#include "Wisplet/Base/ScaledImageReader.h"
#include "Wisplet/Platform/PrivateFiles.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedLayout>
#include <QUrl>
#include <QVBoxLayout>
#include <QtConcurrent>

ShelfPreviewWindow::ShelfPreviewWindow(QWidget* parent)
    // Above the panel, which stays on top of everything else.
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
    , m_stack(new QStackedLayout(this))
    , m_picture(new QLabel(this))
    , m_text(new QPlainTextEdit(this))
    , m_other(new QWidget(this))
    , m_otherIcon(new QLabel(m_other))
    , m_otherName(new QLabel(m_other))
    , m_open(new QPushButton(tr("Open"), m_other))
{
    setAttribute(Qt::WA_DeleteOnClose);
    resize(720, 540);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setMinimumSize(1, 1);
    m_text->setReadOnly(true);
    m_text->setFocusPolicy(Qt::NoFocus);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_otherIcon->setAlignment(Qt::AlignCenter);
    m_otherName->setTextFormat(Qt::PlainText);
    m_otherName->setAlignment(Qt::AlignCenter);
    m_otherName->setWordWrap(true);
    // Open is reached by Tab only: the window keeps the keyboard as it opens, so Space still closes it.
    m_open->setFocusPolicy(Qt::TabFocus);
    m_open->installEventFilter(this);
    auto* column = new QVBoxLayout(m_other);
    column->addStretch();
    column->addWidget(m_otherIcon);
    column->addWidget(m_otherName);
    column->addWidget(m_open, 0, Qt::AlignHCenter);
    column->addStretch();
    m_stack->addWidget(m_picture);
    m_stack->addWidget(m_text);
    m_stack->addWidget(m_other);
    connect(m_open, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(currentPath())); });
    setFocus();
}

bool ShelfPreviewWindow::isText(const QString& path)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(QFileInfo(path));
    return type.inherits(QStringLiteral("text/plain"));
}

void ShelfPreviewWindow::showFiles(const QStringList& paths, const QString& current)
{
    m_paths = paths;
    m_index = int(m_paths.indexOf(current));
    if (m_index < 0) {
        m_paths.prepend(current);
        m_index = 0;
    }
    showCurrent();
}

QString ShelfPreviewWindow::currentPath() const
{
    return m_paths.value(m_index);
}

void ShelfPreviewWindow::page(int step)
{
    // The ends stop paging rather than wrap, so the user sees where the shelf ends.
    const int next = qBound(0, m_index + step, int(m_paths.size()) - 1);
    if (next == m_index)
        return;
    m_index = next;
    showCurrent();
}

void ShelfPreviewWindow::showCurrent()
{
    const QString path = currentPath();
    setWindowTitle(OutsideText::fileName(QFileInfo(path).fileName()));
    const quint64 generation = ++m_generation;
    m_image = {};

    if (QFileInfo(path).isFile() && isText(path)) {
        const PrivateFiles::FileRead found = PrivateFiles::readRegularFileStart(path, textBytes);
        if (found.outcome == PrivateFiles::FileRead::Outcome::read) {
            m_kind = Kind::text;
            m_text->setPlainText(QString::fromUtf8(found.contents));
            m_stack->setCurrentWidget(m_text);
            return;
        }
    }
    // Until the decode says whether this is an image, the file's icon and name stand in.
    showOther(path);
    if (!QFileInfo(path).isFile())
        return;
    auto* watcher = new QFutureWatcher<ScaledImage>(this);
    connect(watcher, &QFutureWatcher<ScaledImage>::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        const ScaledImage result = watcher->result();
        if (generation != m_generation || !result.ok())
            return;
        m_kind = Kind::image;
        m_image = result.image;
        m_stack->setCurrentWidget(m_picture);
        fitImage();
    });
    watcher->setFuture(QtConcurrent::run([path] { return ScaledImageReader::read(path, imagePixels); }));
}

void ShelfPreviewWindow::showOther(const QString& path)
{
    m_kind = Kind::other;
    const QFileInfo info(path);
    m_otherIcon->setPixmap(QFileIconProvider().icon(info).pixmap(128, 128));
    m_otherName->setText(OutsideText::fileName(info.fileName()));
    m_stack->setCurrentWidget(m_other);
}

void ShelfPreviewWindow::fitImage()
{
    if (m_image.isNull())
        return;
    const qreal ratio = devicePixelRatioF();
    const QSize room = m_picture->size() * ratio;
    // Small pictures keep their own size; large ones shrink to the window.
    const bool fits = m_image.width() <= room.width() && m_image.height() <= room.height();
    QPixmap pixmap =
        QPixmap::fromImage(fits ? m_image : m_image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(ratio);
    m_picture->setPixmap(pixmap);
}

void ShelfPreviewWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitImage();
}

void ShelfPreviewWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted() && isActiveWindow())
        emit closedByUser(currentPath());
}

bool ShelfPreviewWindow::pageFor(const QKeyEvent& key)
{
    switch (key.key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        page(-1);
        return true;
    case Qt::Key_Right:
    case Qt::Key_Down:
        page(1);
        return true;
    default:
        return false;
    }
}

bool ShelfPreviewWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The arrows page on Open as well, where a button would take them to move the focus.
    if (event->type() == QEvent::KeyPress && pageFor(static_cast<const QKeyEvent&>(*event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

void ShelfPreviewWindow::keyPressEvent(QKeyEvent* event)
{
    if (pageFor(*event))
        return;
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Space:
        close();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}
