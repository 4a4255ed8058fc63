#include "Wisplet/Base/PlainToolTip.h"

QString plainToolTip(const QString& text)
{
    // An empty tooltip is none at all; an empty paragraph would show an empty box.
    if (text.isEmpty())
        return {};
    // Escaped markup of our own; pre-wrap keeps runs of spaces, tabs and line breaks.
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() + QStringLiteral("</p>");
}
