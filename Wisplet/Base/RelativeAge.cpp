#include "Wisplet/Base/RelativeAge.h"

#include <algorithm>

QString relativeAge(qint64 seconds)
{
    struct Unit
    {
        qint64 seconds;
        const char* one;
        const char* many;
    };
    static constexpr Unit units[] = {
        {365 * 86'400, "%1 yr.", "%1 yr."}, {30 * 86'400, "%1 mo.", "%1 mo."}, {7 * 86'400, "%1 wk.", "%1 wk."},
        {86'400, "%1 day", "%1 days"},      {3'600, "%1 hr.", "%1 hr."},       {60, "%1 min.", "%1 min."},
    };
    const qint64 age = std::max<qint64>(0, seconds);
    for (const Unit& unit : units) {
        if (age >= unit.seconds) {
            const qint64 count = age / unit.seconds;
            return QString::fromLatin1(count == 1 ? unit.one : unit.many).arg(count);
        }
    }
    return QStringLiteral("%1 sec.").arg(age);
}
