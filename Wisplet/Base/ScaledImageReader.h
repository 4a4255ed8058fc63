#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// One upright image decoded at a bounded size, or why there is none.
struct ScaledImage
{
    enum class Failure { none, unreadable, tooLarge };

    QImage image;
    // The picture's size as it is seen (orientation applied), read before decoding; invalid when unknown.
    QSize sourceSize;
    Failure failure = Failure::none;

    bool ok() const { return failure == Failure::none; }
};

// The one way images are read for thumbnails, previews and copies: the size is read first and anything above
// the pixel ceiling is refused before a pixel is allocated; the first frame is decoded already scaled, with
// its orientation (EXIF, or HEIF's own transformations) applied. HEIC goes through libheif.
namespace ScaledImageReader {

inline constexpr qint64 maxPixels = 100'000'000;

// The size scaled so that its longer side is at most maxSide, keeping the aspect ratio; never enlarged.
// A maxSide of 0 or less keeps the size.
QSize fitLongSide(QSize size, int maxSide);

// The upright size from the file's header, without decoding; invalid when it cannot be read.
QSize imageSize(const QString& path);

// maxSide bounds the longer side of the result (0: the picture's own size).
ScaledImage read(const QString& path, int maxSide);
ScaledImage read(const QByteArray& data, int maxSide);

} // namespace ScaledImageReader
