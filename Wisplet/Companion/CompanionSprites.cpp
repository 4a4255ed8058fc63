#include "Wisplet/Companion/CompanionSprites.h"

#include <QFileInfo>
#include <QImageReader>

#include <algorithm>

namespace {

QString firstExisting(const QStringList& candidatePaths)
{
    const auto found = std::find_if(candidatePaths.begin(), candidatePaths.end(),
                                    [](const QString& path) { return QFileInfo(path).isFile(); });
    return found == candidatePaths.end() ? QString() : *found;
}

// The decoded sheet reduced to its coverage, or a null image when the file is missing, unreadable or of the
// wrong size. The size is checked from the header, before anything is decoded.
QImage readAlphaSheet(const QString& path)
{
    if (path.isEmpty())
        return {};
    QImageReader reader(path);
    if (reader.size() != QSize(CompanionSprites::sheetWidth, CompanionSprites::sheetHeight))
        return {};
    const QImage decoded = reader.read();
    if (decoded.size() != QSize(CompanionSprites::sheetWidth, CompanionSprites::sheetHeight))
        return {};
    return decoded.convertToFormat(QImage::Format_Alpha8);
}

// All frames or none: a frame left out would shift every later frame onto the wrong mood.
QList<QImage> cutAll(const QImage& sheet, const CompanionSprites::FrameCutter& cut)
{
    QList<QImage> frames;
    frames.reserve(CompanionSprites::frameCount);
    for (int k = 0; k < CompanionSprites::frameCount; ++k) {
        QImage frame = cut(sheet, k);
        if (frame.isNull())
            return {};
        frames.append(std::move(frame));
    }
    return frames;
}

} // namespace

CompanionSprites::CompanionSprites(const QStringList& candidatePaths, FrameCutter cutter)
{
    const QImage sheet = readAlphaSheet(firstExisting(candidatePaths));
    if (!sheet.isNull())
        m_frames = cutAll(sheet, cutter);
}

// Resources of a static library are not registered until someone names them.
static void registerAtlasResource()
{
    Q_INIT_RESOURCE(companion);
}

CompanionSprites& CompanionSprites::shared()
{
    static auto* sprites = [] {
        registerAtlasResource();
        return new CompanionSprites(
            {QStringLiteral(":/Companion/companion-atlas.png"), QStringLiteral(":/companion-atlas.png")});
    }();
    return *sprites;
}

QImage CompanionSprites::frame(Mood mood, int index) const
{
    const int k = int(mood) * columns + std::clamp(index, 0, columns - 1);
    return k < m_frames.size() ? m_frames.at(k) : QImage();
}

QImage CompanionSprites::cutView(const QImage& sheet, int k)
{
    const QRect rect = frameRect(k);
    if (sheet.format() != QImage::Format_Alpha8 || k < 0 || !sheet.rect().contains(rect))
        return {};
    // The view holds its own reference to the sheet, so it stays valid however long a caller keeps it.
    auto* owner = new QImage(sheet);
    const uchar* origin = owner->constBits() + qsizetype(rect.y()) * owner->bytesPerLine() + rect.x();
    return QImage(
        origin, rect.width(), rect.height(), owner->bytesPerLine(), QImage::Format_Alpha8,
        [](void* info) { delete static_cast<QImage*>(info); }, owner);
}
