#pragma once

#include <QString>

// The last component of a path as a user names the file or folder: "/home/u/Pictures/" is "Pictures"
// (QFileInfo would say ""), the root folder is "/".
QString lastPathComponent(const QString& path);
