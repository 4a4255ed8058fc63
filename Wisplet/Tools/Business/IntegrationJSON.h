#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// Typed values out of loosely typed JSON. Each gives none when the key is absent or the value does not
// have the wanted shape.
namespace IntegrationJSON {

std::optional<QJsonObject> object(const QString& key, const QJsonObject& json);
// The value when it is an array whose elements are all objects.
std::optional<QList<QJsonObject>> objects(const QString& key, const QJsonObject& json);
// Text only; numbers are not converted.
std::optional<QString> string(const QString& key, const QJsonObject& json);
std::optional<bool> boolean(const QString& key, const QJsonObject& json);
// A number, or text that is wholly a C-locale number.
std::optional<double> number(const QString& key, const QJsonObject& json);
// An integer; a finite number within range, truncated toward zero; or text that is wholly a base-10
// integer with an optional sign.
std::optional<qint64> integer(const QString& key, const QJsonObject& json);

} // namespace IntegrationJSON
