#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

// Sample images for the tests that read and write pictures.
namespace TestImages {

// A file committed under tests/data/images.
QString sample(const QString& name);
// A JPEG marked as below, carrying the comment, whose EXIF orientation turns it a quarter clockwise (the red
// block ends top right).
QByteArray markedTurnedJpeg(QSize storedSize, const QString& comment);
// A PNG whose header claims the size but whose pixel data is a stub.
QByteArray pngClaiming(QSize size);
// A picture of the size in one colour with a red block in its top-left corner, encoded in the format.
QByteArray marked(QSize size, const char* format);
// The same in two colours, stored as a one-bit palette picture.
QByteArray markedPalette(QSize size, const char* format);
// Whether the colour is near red or blue (lossy formats shift it a little).
bool isRed(QColor colour);
bool isBlue(QColor colour);

} // namespace TestImages
