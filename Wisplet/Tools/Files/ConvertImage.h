#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFuture>
#include <QImage>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <optional>

// Image copies from the shelf: the first frame, upright, scaled down to a longest edge, encoded afresh
// without any metadata, and written atomically beside whatever else is at the destination.
enum class ImageCopyFormat { jpeg, png, heic };
Q_DECLARE_METATYPE(ImageCopyFormat)

// The file name extension a copy in the format is offered with.
QString imageCopyExtension(ImageCopyFormat format);

// The name patterns of files in the format, for a save dialog's filter: a JPEG is as often ".jpg".
QStringList imageCopyPatterns(ImageCopyFormat format);

// "IMG_0042.HEIC" as JPEG is offered as "IMG_0042-converted.jpeg".
QString proposedCopyName(const QString& sourceName, ImageCopyFormat format);

// Whether both paths name the same place once "." and ".." are taken out.
bool isSameFilePath(const QString& first, const QString& second);

// The pixels alone (no text keys, comments or orientation) encoded in the format; quality 0.1 to 1.0
// applies to JPEG and HEIC. None when the encoder fails.
std::optional<QByteArray> encodeImageCopy(const QImage& image, ImageCopyFormat format, double quality);

// Writes the copy; maxSide 0 keeps the picture's size, and a picture is never enlarged. Empty on success,
// else the text to show. Runs on any thread.
QString convertImage(const QString& source, const QString& destination, ImageCopyFormat format, int maxSide,
                     double quality);

// Makes the copy on the thread pool. The copies under way are counted until each has ended.
QFuture<QString> startImageConversion(const QString& source, const QString& destination, ImageCopyFormat format,
                                      int maxSide, double quality);

// At quit: waits until no copy is being made, or until the deadline, so that a copy the user asked for is
// finished if the quit's time allows. True when none is under way.
bool finishImageConversions(QDeadlineTimer deadline);
