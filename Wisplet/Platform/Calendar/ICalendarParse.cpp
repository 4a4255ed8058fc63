#include "Wisplet/Platform/Calendar/ICalendarParse.h"

#include <QByteArrayView>

namespace ICalendarParse {

namespace {

// The property name of a content line: what stands before its parameters or its value.
QByteArrayView nameOf(QByteArrayView line)
{
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == ':' || line[i] == ';')
            return line.first(i);
    }
    return line;
}

} // namespace

bool isTooDeep(const QByteArray& data)
{
    int depth = 0;
    const QByteArrayView text(data);
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        const QByteArrayView name = nameOf(text.sliced(start, end - start));
        if (name.compare("BEGIN", Qt::CaseInsensitive) == 0 && ++depth > maxDepth)
            return true;
        if (name.compare("END", Qt::CaseInsensitive) == 0 && depth > 0)
            --depth;
        start = end + 1;
    }
    return false;
}

Component parse(const QByteArray& data)
{
    if (isTooDeep(data))
        return nullptr;
    // libical reads a C string: a stray NUL byte would end the file there and drop the rest of it.
    if (data.contains('\0')) {
        QByteArray whole = data;
        whole.removeIf([](char c) { return c == '\0'; });
        return Component(icalparser_parse_string(whole.constData()));
    }
    return Component(icalparser_parse_string(data.constData()));
}

} // namespace ICalendarParse
