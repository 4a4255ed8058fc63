#include "tests/support/Images.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QtEndian>

namespace TestImages {

namespace {

quint32 crc32(const QByteArray& bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray chunk(const QByteArray& type, const QByteArray& data)
{
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), out.data());
    out += type + data;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(crc32(type + data), crc.data());
    return out + crc;
}

} // namespace

QString sample(const QString& name)
{
    return qEnvironmentVariable("WISPLET_SOURCE_DIR") + QStringLiteral("/tests/data/images/") + name;
}

QByteArray pngClaiming(QSize size)
{
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(quint32(size.width()), header.data());
    qToBigEndian<quint32>(quint32(size.height()), header.data() + 4);
    header[8] = 8; // bit depth
    header[9] = 6; // RGBA
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", QByteArray(16, '\0'))
        + chunk("IEND", {});
}

QByteArray marked(QSize size, const char* format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, qMax(1, size.width() / 4), qMax(1, size.height() / 4), Qt::red);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.write(image);
    return buffer.data();
}

QByteArray markedTurnedJpeg(QSize storedSize, const QString& comment)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setText(QStringLiteral("Comment"), comment);
    writer.write(QImage::fromData(marked(storedSize, "png")));
    // Qt turns the pixels rather than writing an orientation, so the EXIF block (little-endian TIFF with one
    // entry: orientation 6, a quarter clockwise) goes in by hand, right after the start marker.
    const QByteArray exif("\xFF\xE1\x00\x22"
                          "Exif\0\0"
                          "II*\0\x08\0\0\0"
                          "\x01\0"
                          "\x12\x01\x03\0\x01\0\0\0\x06\0\0\0"
                          "\0\0\0\0",
                          36);
    QByteArray jpeg = buffer.data();
    return jpeg.insert(2, exif);
}

QByteArray markedPalette(QSize size, const char* format)
{
    QImage image(size, QImage::Format_Mono);
    image.setColorTable({QColor(Qt::blue).rgb(), QColor(Qt::red).rgb()});
    image.fill(0);
    for (int y = 0; y < qMax(1, size.height() / 4); ++y) {
        for (int x = 0; x < qMax(1, size.width() / 4); ++x)
            image.setPixel(x, y, 1);
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return buffer.data();
}

bool isRed(QColor colour)
{
    return colour.red() > 200 && colour.green() < 60 && colour.blue() < 60;
}

bool isBlue(QColor colour)
{
    return colour.blue() > 200 && colour.green() < 60 && colour.red() < 60;
}

} // namespace TestImages
