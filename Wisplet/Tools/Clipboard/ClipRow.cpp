#include "Wisplet/Tools/Clipboard/ClipRow.h"

#include "Wisplet/Base/ElidingLabel.h"
#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Base/OutsideText.h"
#include "Wisplet/Base/PlainToolTip.h"
#include "Wisplet/Base/ScaledImageReader.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Tools/Clipboard/ClipHistoryFile.h"
#include "Wisplet/Tools/Clipboard/ClipboardManager.h"
#include "Wisplet/Tools/Clipboard/ClipboardRules.h"
#include "Wisplet/Tools/Clipboard/RowIconButton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace {

constexpr int textPixels = 12;
constexpr int symbolPixels = 12;
constexpr double rowRadius = 9;
constexpr double previewRadius = 5;
// Previews are read at up to twice their size, for screens at scale 2.
constexpr int previewReadSide = 2 * 34;

const QString copyAction = QStringLiteral("Copy to clipboard");

template <typename Label>
Label* textLabel(QWidget* parent, int alpha)
{
    auto* label = new Label(parent);
    QFont font = label->font();
    font.setPixelSize(textPixels);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, %1);").arg(alpha));
    label->setTextFormat(Qt::PlainText);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return label;
}

// The row for assistive technology: its copy action beside the usual ones.
class ClipRowAccessible final : public QAccessibleWidget
{
public:
    explicit ClipRowAccessible(ClipRow* row)
        : QAccessibleWidget(row, QAccessible::ListItem)
    { }

    QStringList actionNames() const override { return QAccessibleWidget::actionNames() << copyAction; }
    void doAction(const QString& name) override
    {
        if (name == copyAction)
            static_cast<ClipRow*>(widget())->copyBack();
        else
            QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface* accessibleRow(const QString& className, QObject* object)
{
    if (className == QLatin1String("ClipRow") && object && object->isWidgetType())
        return new ClipRowAccessible(static_cast<ClipRow*>(object));
    return nullptr;
}

} // namespace

ClipRow::ClipRow(ClipboardManager& clipboard, const ClipItem& item, const QDateTime& now, QWidget* parent)
    : QWidget(parent)
    , m_clipboard(clipboard)
    , m_item(item)
    , m_now(now)
    , m_title(textLabel<ElidingLabel>(this, 255))
    , m_detail(textLabel<QLabel>(this, 166))
    , m_pin(new RowIconButton(QStringLiteral("pin"), false, this))
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleRow);
        return true;
    }();
    Q_UNUSED(factoryInstalled);

    setFixedHeight(rowHeight);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);

    auto* trash = new RowIconButton(QStringLiteral("trash"), false, this);
    connect(m_pin, &QAbstractButton::clicked, this, [this] { m_clipboard.togglePin(m_item); });
    connect(trash, &QAbstractButton::clicked, this, [this] { m_clipboard.remove(m_item); });

    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    texts->addWidget(m_title);
    texts->addWidget(m_detail);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8 + previewSize.width() + 10, 0, 8, 0);
    row->setSpacing(10);
    row->addLayout(texts, 1);
    row->addWidget(m_pin);
    row->addWidget(trash);
    setItem(item, now);
}

QString ClipRow::kindSymbol(ClipItem::Kind kind)
{
    switch (kind) {
    case ClipItem::Kind::text:
        return QStringLiteral("text.alignleft");
    case ClipItem::Kind::link:
        return QStringLiteral("link");
    case ClipItem::Kind::file:
        return QStringLiteral("doc");
    case ClipItem::Kind::image:
        break;
    }
    return QStringLiteral("photo");
}

void ClipRow::setItem(const ClipItem& item, const QDateTime& now)
{
    m_item = item;
    m_now = now;
    m_pin->setSymbol(item.pinned ? QStringLiteral("pin.fill") : QStringLiteral("pin"), item.pinned);
    const QString title = item.displayTitle();
    m_title->setFullText(title);
    m_title->setToolTip(plainToolTip(title.left(1000)));
    m_detail->setText(subtitle());
    setAccessibleName(title);
    setAccessibleDescription(subtitle());
    if (std::pair(item.imageFile, item.thumbnailFile) != m_previewNames)
        loadPreview();
    update();
}

QString ClipRow::subtitle() const
{
    const QString age = ClipboardRules::relativeAge(m_item.date.secsTo(m_now));
    return m_item.app && !m_item.app->isEmpty() ? OutsideText::isolated(*m_item.app) + QStringLiteral(" · ") + age
                                                : age;
}

void ClipRow::loadPreview()
{
    m_preview = {};
    m_previewNames = {m_item.imageFile, m_item.thumbnailFile};
    const quint64 generation = ++m_previewGeneration;
    QStringList names;
    for (const std::optional<QString>& name : {m_item.thumbnailFile, m_item.imageFile}) {
        if (m_item.kind == ClipItem::Kind::image && name && ClipHistoryFile::isPlainName(*name))
            names.append(*name);
    }
    if (names.isEmpty())
        return;
    // The image itself may be large: read off the main thread, and only the latest request is shown.
    auto* watcher = new QFutureWatcher<QImage>(this);
    connect(watcher, &QFutureWatcher<QImage>::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        if (generation != m_previewGeneration || watcher->result().isNull())
            return;
        m_preview = QPixmap::fromImage(watcher->result());
        update();
    });
    watcher->setFuture(QtConcurrent::run([folder = m_clipboard.folder(), names] {
        for (const QString& name : names) {
            // Never a picture a link in the folder points to elsewhere.
            if (!ClipHistoryFile::isRegularFileIn(folder, name))
                continue;
            const ScaledImage scaled = ScaledImageReader::read(folder + u'/' + name, previewReadSide);
            if (scaled.ok() && !scaled.image.isNull())
                return scaled.image;
        }
        return QImage();
    }));
}

void ClipRow::copyBack()
{
    m_clipboard.copyBack(m_item);
}

void ClipRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath background;
    background.addRoundedRect(QRectF(rect()), rowRadius, rowRadius);
    painter.fillPath(background, QColor(255, 255, 255, m_hovering ? 26 : 10));
    if (hasFocus())
        KeyboardPaths::paintFocusRing(painter, QRectF(rect()), rowRadius);

    const QRectF frame(8, (height() - previewSize.height()) / 2.0, previewSize.width(), previewSize.height());
    if (!m_preview.isNull()) {
        // Filled and cropped to the frame, centred.
        const QSizeF source = m_preview.deviceIndependentSize();
        const double scale = std::max(frame.width() / source.width(), frame.height() / source.height());
        const QSizeF drawn = source * scale;
        QPainterPath clip;
        clip.addRoundedRect(frame, previewRadius, previewRadius);
        painter.setClipPath(clip);
        painter.drawPixmap(QRectF(frame.center() - QPointF(drawn.width(), drawn.height()) / 2, drawn), m_preview,
                           QRectF(m_preview.rect()));
        painter.setClipping(false);
        return;
    }
    const QPixmap symbol = symbolPixmap(kindSymbol(m_item.kind), QSize(symbolPixels, symbolPixels),
                                        QColor(255, 255, 255, 153), devicePixelRatioF());
    painter.drawPixmap(QPointF(frame.center().x() - symbolPixels / 2.0, frame.center().y() - symbolPixels / 2.0),
                       symbol);
}

void ClipRow::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    m_hovering = true;
    update();
}

void ClipRow::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    m_hovering = false;
    update();
}

void ClipRow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        copyBack();
    QWidget::mouseReleaseEvent(event);
}

void ClipRow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        copyBack();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
