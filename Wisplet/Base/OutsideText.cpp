#include "Wisplet/Base/OutsideText.h"

#include <QList>

namespace {

constexpr char16_t popFormatting = 0x202C;
constexpr char16_t firstStrongIsolate = 0x2068;
constexpr char16_t popIsolate = 0x2069;
constexpr char16_t replacement = 0xFFFD;

bool opensEmbedding(char16_t c)
{
    // LRE, RLE, LRO, RLO.
    return c == 0x202A || c == 0x202B || c == 0x202D || c == 0x202E;
}

bool opensIsolate(char16_t c)
{
    // LRI, RLI, FSI.
    return c >= 0x2066 && c <= firstStrongIsolate;
}

bool isBidiControl(char16_t c)
{
    // ALM, LRM, RLM and the embedding, override and isolate marks.
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E)
        || (c >= 0x2066 && c <= popIsolate);
}

bool endsParagraph(char16_t c)
{
    // The paragraph separators of the bidi algorithm: every embedding ends with its paragraph.
    return c == u'\n' || c == u'\r' || (c >= 0x1C && c <= 0x1E) || c == 0x85 || c == 0x2029;
}

// Follows the marks as the bidi algorithm matches them: a PDF closes the latest embedding unless an isolate
// opened after it, a PDI closes its isolate with everything opened inside it. False for a mark that matches
// nothing: it does nothing where it stands, but inside our isolate it would close what surrounds the text.
bool follow(QList<bool>& open, char16_t c)
{
    if (opensEmbedding(c)) {
        open.append(false);
    } else if (opensIsolate(c)) {
        open.append(true);
    } else if (c == popFormatting) {
        if (open.isEmpty() || open.last())
            return false;
        open.removeLast();
    } else if (c == popIsolate) {
        const qsizetype at = open.lastIndexOf(true);
        if (at < 0)
            return false;
        open.resize(at);
    }
    return true;
}

} // namespace

namespace OutsideText {

QString isolated(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    QList<bool> open; // what the line has opened: true for an isolate, false for an embedding or override
    bool betweenLines = true;
    const auto endLine = [&] {
        for (auto it = open.crbegin(); it != open.crend(); ++it)
            out += QChar(*it ? popIsolate : popFormatting);
        open.clear();
        out += QChar(popIsolate);
    };
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (endsParagraph(c)) {
            if (!betweenLines)
                endLine();
            betweenLines = true;
            out += ch;
            continue;
        }
        if (betweenLines)
            out += QChar(firstStrongIsolate);
        betweenLines = false;
        if (follow(open, c))
            out += ch;
    }
    if (!betweenLines)
        endLine();
    return out;
}

QString fileName(const QString& name)
{
    QString shown = name;
    for (QChar& ch : shown) {
        if (isBidiControl(ch.unicode()))
            ch = QChar(replacement);
    }
    return isolated(shown);
}

} // namespace OutsideText
