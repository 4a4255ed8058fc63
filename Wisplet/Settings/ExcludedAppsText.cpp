#include "Wisplet/Settings/ExcludedAppsText.h"

#include <QRegularExpression>

namespace ExcludedAppsText {

QString format(const QStringList& ids)
{
    return ids.join(QLatin1Char('\n'));
}

QStringList parse(const QString& text)
{
    static const QRegularExpression separator(QStringLiteral("[\\n,]"));
    QStringList ids = text.split(separator, Qt::SkipEmptyParts);
    for (QString& id : ids)
        id = id.trimmed();
    return ids;
}

} // namespace ExcludedAppsText
