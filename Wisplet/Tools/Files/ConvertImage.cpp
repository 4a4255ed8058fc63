#include "Wisplet/Tools/Files/ConvertImage.h"

#include "Wisplet/Base/OutsideText.h"
#include "Wisplet/Base/ScaledImageReader.h"
#include "Wisplet/Platform/PrivateFiles.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QMutex>
#include <QWaitCondition>
#include <QtConcurrent>

#include <libheif/heif.h>

#include <cstring>
#include <memory>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ConvertImage", text);
}

struct HeifContextFree
{
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HeifEncoderRelease
{
    void operator()(heif_encoder* encoder) const { heif_encoder_release(encoder); }
};
struct HeifImageRelease
{
    void operator()(heif_image* image) const { heif_image_release(image); }
};

heif_error appendToBuffer(heif_context*, const void* data, size_t size, void* buffer)
{
    static_cast<QByteArray*>(buffer)->append(static_cast<const char*>(data), qsizetype(size));
    return {heif_error_Ok, heif_suberror_Unspecified, ""};
}

std::optional<QByteArray> encodeHeic(const QImage& source, int quality)
{
    const bool alpha = source.hasAlphaChannel();
    const QImage image = source.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    const std::unique_ptr<heif_context, HeifContextFree> context(heif_context_alloc());
    heif_encoder* rawEncoder = nullptr;
    if (heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &rawEncoder).code != heif_error_Ok)
        return std::nullopt;
    const std::unique_ptr<heif_encoder, HeifEncoderRelease> encoder(rawEncoder);
    heif_encoder_set_lossy_quality(rawEncoder, quality);

    heif_image* rawImage = nullptr;
    if (heif_image_create(image.width(), image.height(), heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &rawImage)
            .code
        != heif_error_Ok)
        return std::nullopt;
    const std::unique_ptr<heif_image, HeifImageRelease> heifImage(rawImage);
    if (heif_image_add_plane(rawImage, heif_channel_interleaved, image.width(), image.height(), 8).code
        != heif_error_Ok)
        return std::nullopt;
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(rawImage, heif_channel_interleaved, &stride);
    const size_t rowBytes = size_t(image.width()) * (alpha ? 4 : 3);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(plane + qsizetype(y) * stride, image.constScanLine(y), rowBytes);

    if (heif_context_encode_image(context.get(), rawImage, rawEncoder, nullptr, nullptr).code != heif_error_Ok)
        return std::nullopt;
    QByteArray bytes;
    heif_writer writer{1, appendToBuffer};
    if (heif_context_write(context.get(), &writer, &bytes).code != heif_error_Ok || bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

// Text keys and comments travel with copy() and scaled(); a picture made from the bare pixels has none.
QImage pixelsOnly(const QImage& image)
{
    return QImage(image.constBits(), image.width(), image.height(), image.bytesPerLine(), image.format()).copy();
}

// The copies under way, from the moment each is asked for until it has ended.
struct Conversions
{
    QMutex mutex;
    QWaitCondition ended;
    int underWay = 0;
};

Conversions& conversions()
{
    static Conversions shared;
    return shared;
}

} // namespace

QString imageCopyExtension(ImageCopyFormat format)
{
    switch (format) {
    case ImageCopyFormat::png:
        return QStringLiteral("png");
    case ImageCopyFormat::heic:
        return QStringLiteral("heic");
    case ImageCopyFormat::jpeg:
        break;
    }
    return QStringLiteral("jpeg");
}

QStringList imageCopyPatterns(ImageCopyFormat format)
{
    QStringList patterns{QStringLiteral("*.") + imageCopyExtension(format)};
    if (format == ImageCopyFormat::jpeg)
        patterns.append(QStringLiteral("*.jpg"));
    return patterns;
}

QString proposedCopyName(const QString& sourceName, ImageCopyFormat format)
{
    return QFileInfo(sourceName).completeBaseName() + QStringLiteral("-converted.") + imageCopyExtension(format);
}

bool isSameFilePath(const QString& first, const QString& second)
{
    return QDir::cleanPath(QFileInfo(first).absoluteFilePath())
        == QDir::cleanPath(QFileInfo(second).absoluteFilePath());
}

std::optional<QByteArray> encodeImageCopy(const QImage& image, ImageCopyFormat format, double quality)
{
    const int percent = qRound(qBound(0.1, quality, 1.0) * 100);
    const QImage clean = pixelsOnly(image);
    if (format == ImageCopyFormat::heic)
        return encodeHeic(clean, percent);

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format == ImageCopyFormat::png ? "png" : "jpeg");
    if (format == ImageCopyFormat::jpeg)
        writer.setQuality(percent);
    // JPEG has no transparency; the colours under it are kept as they are.
    const QImage encoded = format == ImageCopyFormat::jpeg ? clean.convertToFormat(QImage::Format_RGB888) : clean;
    if (!writer.write(encoded))
        return std::nullopt;
    return buffer.data();
}

QString convertImage(const QString& source, const QString& destination, ImageCopyFormat format, int maxSide,
                     double quality)
{
    if (isSameFilePath(source, destination))
        return tr("Choose a different filename to preserve the original.");
    const QString name = OutsideText::fileName(QFileInfo(source).fileName());
    const ScaledImage read = ScaledImageReader::read(source, maxSide);
    if (read.failure == ScaledImage::Failure::tooLarge)
        return tr("“%1” is larger than 100 megapixels and cannot be converted.").arg(name);
    if (!read.ok())
        return tr("“%1” could not be read as an image.").arg(name);

    const std::optional<QByteArray> bytes = encodeImageCopy(read.image, format, quality);
    if (!bytes)
        return tr("The copy could not be encoded as %1.").arg(imageCopyExtension(format).toUpper());

    QString error;
    if (!PrivateFiles::writeChosenFile(destination, *bytes, &error))
        return tr("Could not write %1: %2").arg(OutsideText::fileName(QFileInfo(destination).fileName()), error);
    return {};
}

QFuture<QString> startImageConversion(const QString& source, const QString& destination, ImageCopyFormat format,
                                      int maxSide, double quality)
{
    {
        const QMutexLocker locker(&conversions().mutex);
        ++conversions().underWay;
    }
    return QtConcurrent::run([=] {
        const QString error = convertImage(source, destination, format, maxSide, quality);
        const QMutexLocker locker(&conversions().mutex);
        --conversions().underWay;
        conversions().ended.wakeAll();
        return error;
    });
}

bool finishImageConversions(QDeadlineTimer deadline)
{
    const QMutexLocker locker(&conversions().mutex);
    while (conversions().underWay > 0) {
        if (!conversions().ended.wait(&conversions().mutex, deadline))
            break;
    }
    return conversions().underWay == 0;
}
