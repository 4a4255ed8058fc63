#pragma once

#include "Wisplet/Platform/StoredJson.h"

#include <QJsonArray>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// One note: a title line and a body, pinned notes listed first.
struct WispNote
{
    QUuid id;
    QString title;
    QString text;
    bool pinned = false;
    // The last change of title or text; the creation time for a new note. Kept as read, fraction and all.
    StoredJson::Date updated;

    friend bool operator==(const WispNote&, const WispNote&) = default;
};

// The notes file is a JSON array of note objects. Decoding is strict: one object with a member missing or
// of the wrong type makes the whole file unreadable, so a damaged file is never half-loaded and saved back.
QJsonArray encodeNotes(const QList<WispNote>& notes);
std::optional<QList<WispNote>> decodeNotes(const QByteArray& json);
