#pragma once

#include <QFont>
#include <QTextLayout>

#include <algorithm>

// How a line of text is laid out, as a reader sees it: Qt's own bidi layout in a left-to-right widget, read
// back through the cursor's position before each character.
namespace VisualOrder {

// The text's last `length` characters (bidi controls aside, which take no room) are drawn left to right in
// their stored order, right of all the rest.
inline bool endReadsInOrder(const QString& shown, qsizetype length, const QFont& font = QFont())
{
    QTextLayout layout(shown, font);
    QTextOption option;
    option.setTextDirection(Qt::LeftToRight);
    layout.setTextOption(option);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    const int start = int(shown.size() - length);
    double rightmostBefore = 0;
    for (int i = 0; i < start; ++i)
        rightmostBefore = std::max(rightmostBefore, line.cursorToX(i));
    if (line.cursorToX(start) < rightmostBefore)
        return false;
    for (int i = start; i < shown.size(); ++i) {
        if (shown[i].category() != QChar::Other_Format && line.cursorToX(i + 1) <= line.cursorToX(i))
            return false;
    }
    return true;
}

} // namespace VisualOrder
