#include "Wisplet/Platform/PeerText.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace PeerText {

QString bounded(const QString& text)
{
    if (text.size() <= maxLength)
        return text;
    // Only the start is examined. Whether the cut falls between two clusters depends on what comes before it
    // and on the one character after it, which may be a surrogate pair.
    const QStringView start = QStringView(text).first(std::min(text.size(), maxLength + 2));
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, start);
    finder.setPosition(maxLength);
    qsizetype end = finder.isAtBoundary() ? maxLength : finder.toPreviousBoundary();
    // A single cluster longer than that (a letter under thousands of marks) is cut between code points.
    if (end <= 0)
        end = text.at(maxLength - 1).isHighSurrogate() ? maxLength - 1 : maxLength;
    return text.left(end);
}

} // namespace PeerText
