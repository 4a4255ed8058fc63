#include "Wisplet/Base/ScaledImageReader.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <libheif/heif.h>

#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace ScaledImageReader {

namespace {

using Failure = ScaledImage::Failure;

struct HeifContextFree
{
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HeifHandleRelease
{
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct HeifImageRelease
{
    void operator()(heif_image* image) const { heif_image_release(image); }
};
using HeifContext = std::unique_ptr<heif_context, HeifContextFree>;
using HeifHandle = std::unique_ptr<heif_image_handle, HeifHandleRelease>;
using HeifImage = std::unique_ptr<heif_image, HeifImageRelease>;

HeifContext newHeifContext()
{
    // Loads libheif's codec plugins once for the process; the statics' initialisation is thread-safe.
    static const bool initialised = [] {
        heif_init(nullptr);
        return true;
    }();
    Q_UNUSED(initialised);
    return HeifContext(heif_context_alloc());
}

bool isHeif(const QByteArray& head)
{
    return head.size() >= 12
        && heif_check_filetype(reinterpret_cast<const uint8_t*>(head.constData()), int(head.size()))
        == heif_filetype_yes_supported;
}

ScaledImage failed(Failure failure, QSize size = {})
{
    ScaledImage result;
    result.failure = failure;
    result.sourceSize = size;
    return result;
}

// The ceiling is checked on the header's numbers, before anything is allocated for the pixels.
Failure checkSize(QSize size)
{
    if (!size.isValid() || size.isEmpty())
        return Failure::unreadable;
    if (qint64(size.width()) * size.height() > maxPixels)
        return Failure::tooLarge;
    return Failure::none;
}

ScaledImage readHeif(heif_context* context, int maxSide, bool decode)
{
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context, &rawHandle).code != heif_error_Ok)
        return failed(Failure::unreadable);
    const HeifHandle handle(rawHandle);
    // The handle's size already has the file's rotation and mirroring applied.
    const QSize size(heif_image_handle_get_width(rawHandle), heif_image_handle_get_height(rawHandle));
    if (const Failure failure = checkSize(size); failure != Failure::none || !decode)
        return failed(failure, size);

    const bool alpha = heif_image_handle_has_alpha_channel(rawHandle) != 0;
    heif_image* rawImage = nullptr;
    const heif_error error =
        heif_decode_image(rawHandle, &rawImage, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr);
    if (error.code != heif_error_Ok)
        return failed(Failure::unreadable, size);
    const HeifImage image(rawImage);
    int stride = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(rawImage, heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(rawImage, heif_channel_interleaved);
    const int height = heif_image_get_height(rawImage, heif_channel_interleaved);
    if (!pixels || width < 1 || height < 1)
        return failed(Failure::unreadable, size);

    const QImage view(pixels, width, height, stride, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    const QSize target = fitLongSide(view.size(), maxSide);
    ScaledImage result;
    result.sourceSize = size;
    result.image =
        target == view.size() ? view.copy() : view.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (result.image.isNull())
        return failed(Failure::unreadable, size);
    return result;
}

ScaledImage readHeifFile(const QString& path, int maxSide, bool decode)
{
    const HeifContext context = newHeifContext();
    if (heif_context_read_from_file(context.get(), QFile::encodeName(path).constData(), nullptr).code != heif_error_Ok)
        return failed(Failure::unreadable);
    return readHeif(context.get(), maxSide, decode);
}

ScaledImage readHeifData(const QByteArray& data, int maxSide, bool decode)
{
    const HeifContext context = newHeifContext();
    if (heif_context_read_from_memory_without_copy(context.get(), data.constData(), size_t(data.size()), nullptr).code
        != heif_error_Ok)
        return failed(Failure::unreadable);
    return readHeif(context.get(), maxSide, decode);
}

bool isPalette(QImage::Format format)
{
    return format == QImage::Format_Mono || format == QImage::Format_MonoLSB || format == QImage::Format_Indexed8;
}

ScaledImage readWithQt(QIODevice* device, int maxSide, bool decode)
{
    QImageReader reader(device);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    const QSize upright = turned ? stored.transposed() : stored;
    if (const Failure failure = checkSize(stored); failure != Failure::none || !decode)
        return failed(failure, upright);

    // The decoder scales (on the stored orientation; the long side is the same), except palette pictures,
    // which it would scale in their palette, dithered into noise: they are scaled below in full colour.
    const QSize target = fitLongSide(stored, maxSide);
    if (target != stored && !isPalette(reader.imageFormat()))
        reader.setScaledSize(target);
    ScaledImage result;
    result.sourceSize = upright;
    if (!reader.read(&result.image))
        return failed(Failure::unreadable, upright);
    const QSize wanted = fitLongSide(result.image.size(), maxSide);
    if (wanted != result.image.size()) {
        if (result.image.colorCount() > 0)
            result.image = result.image.convertToFormat(result.image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                                       : QImage::Format_RGB32);
        result.image = result.image.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return result;
}

// Opens a regular file only, without blocking: a FIFO in a picture's place would stall the reader for ever.
bool openRegularFile(const QString& path, QFile& file)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    return file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
}

ScaledImage readFile(const QString& path, int maxSide, bool decode)
{
    QFile file;
    if (!openRegularFile(path, file))
        return failed(Failure::unreadable);
    if (isHeif(file.peek(64)))
        return readHeifFile(path, maxSide, decode);
    return readWithQt(&file, maxSide, decode);
}

} // namespace

QSize fitLongSide(QSize size, int maxSide)
{
    const int longSide = qMax(size.width(), size.height());
    if (maxSide <= 0 || longSide <= maxSide || size.isEmpty())
        return size;
    const auto scale = [&](int side) { return qMax(1, int(qRound64(double(side) * maxSide / longSide))); };
    return {scale(size.width()), scale(size.height())};
}

QSize imageSize(const QString& path)
{
    return readFile(path, 0, false).sourceSize;
}

ScaledImage read(const QString& path, int maxSide)
{
    return readFile(path, maxSide, true);
}

ScaledImage read(const QByteArray& data, int maxSide)
{
    if (isHeif(data.left(64)))
        return readHeifData(data, maxSide, true);
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return failed(Failure::unreadable);
    return readWithQt(&buffer, maxSide, true);
}

} // namespace ScaledImageReader
