#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// The per-user folder the stores keep their files in: $XDG_DATA_HOME/Wisplet, created 0700 on first use
// and then fixed for the life of the process.
QString appSupportDirectory();

// Writes the value as compact JSON to the named file in the folder, atomically, mode 0600. False when
// the file could not be written; the old file is then untouched.
bool saveJSON(const QJsonArray& value, const QString& fileName);
bool saveJSON(const QJsonObject& value, const QString& fileName);

// Deletes the named file from the folder; a missing file is not an error.
void removeSupportFile(const QString& fileName);
