#include "Wisplet/Companion/CompanionSprites.h"

#include <QFile>
#include <QFileInfo>

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

namespace {

// Far above the shipped sheet's 100 kB, and small enough to hold while the program runs.
constexpr qint64 maxSheetBytes = 8 * 1024 * 1024;

QString firstExisting(const QStringList& candidatePaths)
{
    const auto found = std::find_if(candidatePaths.begin(), candidatePaths.end(),
                                    [](const QString& path) { return QFileInfo(path).isFile(); });
    return found == candidatePaths.end() ? QString() : *found;
}

QByteArray readSheet(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > maxSheetBytes)
        return {};
    return file.read(maxSheetBytes);
}

struct PngInput
{
    const QByteArray& bytes;
    qsizetype at = 0;
};

void readInput(png_structp png, png_bytep out, png_size_t count)
{
    auto* input = static_cast<PngInput*>(png_get_io_ptr(png));
    if (count > png_size_t(input->bytes.size() - input->at))
        png_error(png, "truncated");
    std::memcpy(out, input->bytes.constData() + input->at, count);
    input->at += qsizetype(count);
}

[[noreturn]] void failDecode(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) { }

// Reads the header and, from the top, scanlines up to the end of the given rows of frames, keeping the coverage
// of those rows in `out`. Stopping there is what makes an early row cheap: nothing below it is inflated. An
// interlaced sheet cannot be read from the top down and is refused with the wrong sizes.
bool readRows(png_structp png, png_infop info, int firstRow, int rowCount, uchar* out, qsizetype stride,
              std::vector<png_byte>& line)
{
    png_read_info(png, info);
    if (png_get_image_width(png, info) != png_uint_32(CompanionSprites::sheetWidth)
        || png_get_image_height(png, info) != png_uint_32(CompanionSprites::sheetHeight)
        || png_get_interlace_type(png, info) != PNG_INTERLACE_NONE)
        return false;
    // Whatever the sheet's colour type, every pixel becomes 8-bit RGBA, and its alpha is what is kept.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != png_size_t(CompanionSprites::sheetWidth) * 4)
        return false;
    line.resize(png_size_t(CompanionSprites::sheetWidth) * 4);
    const int first = firstRow * CompanionSprites::frameHeight;
    const int end = first + rowCount * CompanionSprites::frameHeight;
    for (int y = 0; y < end; ++y) {
        png_read_row(png, line.data(), nullptr);
        if (y < first)
            continue;
        uchar* coverage = out + qsizetype(y - first) * stride;
        for (int x = 0; x < CompanionSprites::sheetWidth; ++x)
            coverage[x] = line[std::size_t(x) * 4 + 3];
    }
    return true;
}

// Rows of frames as an 8-bit alpha strip, or a null image when the sheet does not decode that far. With a
// row count of 0 only the header is checked.
QImage decodeRows(const QByteArray& bytes, int firstRow, int rowCount)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failDecode, ignoreWarning);
    if (!png)
        return {};
    png_infop info = png_create_info_struct(png);
    QImage strip = rowCount > 0
        ? QImage(CompanionSprites::sheetWidth, rowCount * CompanionSprites::frameHeight, QImage::Format_Alpha8)
        : QImage(1, 1, QImage::Format_Alpha8);
    std::vector<png_byte> line;
    PngInput input{bytes};
    if (!info || strip.isNull()) {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        return {};
    }
    // libpng reports a broken sheet by jumping back here.
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        return {};
    }
    png_set_read_fn(png, &input, readInput);
    const bool read = readRows(png, info, firstRow, rowCount, strip.bits(), strip.bytesPerLine(), line);
    png_destroy_read_struct(&png, &info, nullptr);
    return read ? strip : QImage();
}

// A read-only image over the strip's own pixels that keeps the strip alive; no copy.
QImage frameView(const QImage& strip, int column)
{
    auto* owner = new QImage(strip);
    const uchar* origin = owner->constBits() + qsizetype(column) * CompanionSprites::frameWidth;
    return QImage(
        origin, CompanionSprites::frameWidth, CompanionSprites::frameHeight, owner->bytesPerLine(),
        QImage::Format_Alpha8, [](void* info) { delete static_cast<QImage*>(info); }, owner);
}

} // namespace

CompanionSprites::CompanionSprites(const QStringList& candidatePaths)
    : m_png(readSheet(firstExisting(candidatePaths)))
{
    if (!m_png.isEmpty() && decodeRows(m_png, 0, 0).isNull())
        m_png.clear();
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
    const int row = int(mood);
    const int column = std::clamp(index, 0, columns - 1);
    if (isEmpty() || row < 0 || row >= rows)
        return {};
    const auto kept = std::find_if(m_rows.begin(), m_rows.end(), [row](const Row& r) { return r.row == row; });
    if (kept != m_rows.end()) {
        std::rotate(m_rows.begin(), kept, kept + 1);
        return m_rows.first().frames.at(column);
    }

    const QImage strip = decodeRows(m_png, row, 1);
    if (strip.isNull()) {
        m_png.clear();
        m_rows.clear();
        return {};
    }
    Row decoded{row, {}};
    for (int c = 0; c < columns; ++c)
        decoded.frames.append(frameView(strip, c));
    m_rows.prepend(std::move(decoded));
    if (m_rows.size() > keptRows)
        m_rows.removeLast();
    return m_rows.first().frames.at(column);
}
