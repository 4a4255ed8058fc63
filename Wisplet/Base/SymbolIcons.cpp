#include "Wisplet/Base/SymbolIcons.h"

#include <QCache>
#include <QHash>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

// Resources of a static library are not registered until someone names them.
static void registerSymbolResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace {

struct Symbol
{
    const char* name;
    const char* file; // in Resources/icons, bundled under :/symbols
};

constexpr Symbol symbols[] = {
    {"arrow.clockwise", "arrow.clockwise.svg"},
    {"arrow.counterclockwise", "arrow.counterclockwise.svg"},
    {"arrow.down", "arrow.down.svg"},
    {"arrow.up", "arrow.up.svg"},
    {"arrow.up.right.square", "arrow.up.right.square.svg"},
    {"backward.fill", "backward.fill.svg"},
    {"battery.0percent", "battery.0percent.svg"},
    {"battery.100percent", "battery.100percent.svg"},
    {"battery.100percent.bolt", "battery.100percent.bolt.svg"},
    {"battery.25percent", "battery.25percent.svg"},
    {"battery.50percent", "battery.50percent.svg"},
    {"battery.75percent", "battery.75percent.svg"},
    {"bell", "bell.svg"},
    {"bell.slash.fill", "bell.slash.fill.svg"},
    {"calendar", "calendar.svg"},
    {"calendar.badge.exclamationmark", "calendar.badge.exclamationmark.svg"},
    {"chart.bar", "chart.bar.svg"},
    {"chart.line.uptrend.xyaxis", "chart.line.uptrend.xyaxis.svg"},
    {"checkmark", "checkmark.svg"},
    {"checkmark.circle", "checkmark.circle.svg"},
    {"checkmark.circle.fill", "checkmark.circle.fill.svg"},
    {"chevron.left.forwardslash.chevron.right", "chevron.left.forwardslash.chevron.right.svg"},
    {"circle", "circle.svg"},
    {"clock", "clock.svg"},
    {"cloud.bolt.rain.fill", "cloud.bolt.rain.fill.svg"},
    {"cloud.drizzle.fill", "cloud.drizzle.fill.svg"},
    {"cloud.fill", "cloud.fill.svg"},
    {"cloud.fog.fill", "cloud.fog.fill.svg"},
    {"cloud.heavyrain.fill", "cloud.heavyrain.fill.svg"},
    {"cloud.moon.fill", "cloud.moon.fill.svg"},
    {"cloud.rain.fill", "cloud.rain.fill.svg"},
    {"cloud.snow.fill", "cloud.snow.fill.svg"},
    {"cloud.sun", "cloud.sun.svg"},
    {"cloud.sun.fill", "cloud.sun.fill.svg"},
    {"cpu", "cpu.svg"},
    {"creditcard", "creditcard.svg"},
    {"cup.and.saucer.fill", "cup.and.saucer.fill.svg"},
    {"doc", "doc.svg"},
    {"doc.on.clipboard", "doc.on.clipboard.svg"},
    {"ellipsis", "ellipsis.svg"},
    {"exclamationmark.triangle", "exclamationmark.triangle.svg"},
    {"face.smiling", "face.smiling.svg"},
    {"figure.flexibility", "figure.flexibility.svg"},
    {"flag.fill", "flag.fill.svg"},
    {"folder", "folder.svg"},
    {"forward.fill", "forward.fill.svg"},
    {"gearshape", "gearshape.svg"},
    {"info.circle", "info.circle.svg"},
    {"link", "link.svg"},
    {"location.fill", "location.fill.svg"},
    {"magnifyingglass", "magnifyingglass.svg"},
    {"moon.stars.fill", "moon.stars.fill.svg"},
    {"music.note", "music.note.svg"},
    {"music.note.list", "music.note.list.svg"},
    {"note.text", "note.text.svg"},
    {"pause.fill", "pause.fill.svg"},
    {"photo", "photo.svg"},
    {"pin", "pin.svg"},
    {"play.fill", "play.fill.svg"},
    {"pin.fill", "pin.fill.svg"},
    {"plus", "plus.svg"},
    {"rectangle.topthird.inset.filled", "rectangle.topthird.inset.filled.svg"},
    {"sparkle", "sparkle.svg"},
    {"square.and.arrow.up", "square.and.arrow.up.svg"},
    {"square.grid.2x2", "square.grid.2x2.svg"},
    {"sun.max.fill", "sun.max.fill.svg"},
    {"terminal", "terminal.svg"},
    {"text.alignleft", "text.alignleft.svg"},
    {"timer", "timer.svg"},
    {"trash", "trash.svg"},
    {"tray.and.arrow.down", "tray.and.arrow.down.svg"},
    {"tray.and.arrow.down.fill", "tray.and.arrow.down.fill.svg"},
    {"video.fill", "video.fill.svg"},
    {"xmark", "xmark.svg"},
};

// A few hundred small pixmaps: every symbol at the sizes and tints the views use.
constexpr int cacheKilobytes = 4096;
constexpr double disabledOpacity = 0.4;

const QHash<QString, QString>& symbolFiles()
{
    static const QHash<QString, QString> files = [] {
        registerSymbolResources();
        QHash<QString, QString> table;
        for (const Symbol& symbol : symbols)
            table.insert(QString::fromLatin1(symbol.name), QStringLiteral(":/symbols/") + QLatin1String(symbol.file));
        return table;
    }();
    return files;
}

QPixmap render(const QString& file, const QSize& deviceSize, const QColor& tint, qreal dpr)
{
    QSvgRenderer renderer(file);
    QImage image(deviceSize, QImage::Format_ARGB32_Premultiplied);
    if (!renderer.isValid() || image.isNull())
        return {};
    image.fill(Qt::transparent);
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), deviceSize));
    // The drawing's coverage stays; its colour becomes the tint.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), tint);
    painter.end();
    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(dpr);
    return pixmap;
}

class SymbolIconEngine final : public QIconEngine
{
public:
    SymbolIconEngine(const QString& name, const QColor& tint)
        : m_name(name)
        , m_tint(tint)
    { }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, symbolPixmap(m_name, rect.size(), tint(mode), dpr));
    }

    // Qt asks for device pixels here and sets the ratio on the result itself.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        return symbolPixmap(m_name, size, tint(mode), 1.0);
    }

    QIconEngine* clone() const override { return new SymbolIconEngine(m_name, m_tint); }
    QString key() const override { return QStringLiteral("WispletSymbol"); }
    QString iconName() override { return m_name; }

private:
    QColor tint(QIcon::Mode mode) const
    {
        if (mode != QIcon::Disabled)
            return m_tint;
        QColor faded = m_tint;
        faded.setAlphaF(float(m_tint.alphaF() * disabledOpacity));
        return faded;
    }

    QString m_name;
    QColor m_tint;
};

} // namespace

QStringList symbolNames()
{
    QStringList names;
    for (const Symbol& symbol : symbols)
        names << QString::fromLatin1(symbol.name);
    return names;
}

QPixmap symbolPixmap(const QString& name, const QSize& logicalSize, const QColor& tint, qreal dpr)
{
    const QString file = symbolFiles().value(name);
    if (!std::isfinite(dpr) || dpr <= 0)
        dpr = 1;
    const QSize deviceSize = logicalSize * dpr;
    if (file.isEmpty() || deviceSize.isEmpty())
        return {};

    static QCache<QString, QPixmap> cache(cacheKilobytes);
    const QString key = QStringLiteral("%1|%2x%3|%4|%5")
                            .arg(name)
                            .arg(deviceSize.width())
                            .arg(deviceSize.height())
                            .arg(tint.rgba(), 0, 16)
                            .arg(dpr);
    if (const QPixmap* cached = cache.object(key))
        return *cached;
    QPixmap pixmap = render(file, deviceSize, tint, dpr);
    if (!pixmap.isNull()) {
        const qint64 kilobytes = qint64(deviceSize.width()) * deviceSize.height() * 4 / 1024;
        cache.insert(key, new QPixmap(pixmap), int(std::clamp<qint64>(kilobytes, 1, cacheKilobytes + 1)));
    }
    return pixmap;
}

QIcon symbolIcon(const QString& name, const QColor& tint)
{
    if (!symbolFiles().contains(name))
        return {};
    return QIcon(new SymbolIconEngine(name, tint));
}
