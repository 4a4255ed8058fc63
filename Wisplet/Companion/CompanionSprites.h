#pragma once

#include "Wisplet/Base/Mood.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QStringList>

// The sprite skin's sheet of pre-drawn frames: 8 columns (rest, closing, opening, a spare copy) × one row per
// mood. Only coverage counts, since frames are drawn as templates filled with the tint. The sheet stays
// encoded in memory (about 100 kB) and a mood's row is decoded, as 8-bit alpha, when one of its frames is
// first asked for; only the rows most recently used stay decoded, each frame a view into its row. Missing or
// malformed art leaves the atlas empty; the face view then shows its fallback symbol.
class CompanionSprites final
{
public:
    static constexpr int columns = 8;
    static constexpr int rows = int(allMoods.size());
    static constexpr int frameWidth = 384;
    static constexpr int frameHeight = 192;
    static constexpr int sheetWidth = columns * frameWidth;
    static constexpr int sheetHeight = rows * frameHeight;
    static constexpr int frameCount = columns * rows;
    // A change of mood shows the old row, then the new one.
    static constexpr int keptRows = 2;

    // Reads the first candidate path that exists; later candidates are not tried once one is found. Only the
    // sheet's header is read here.
    explicit CompanionSprites(const QStringList& candidatePaths);
    // The program's atlas, from its resources: the copy in the "Companion" folder wins over one at the root.
    static CompanionSprites& shared();

    // The frame of the mood's row at column index clamped to 0…7; a null image when the atlas is empty. The
    // same frame is the same image (one cache key) for as long as its row stays decoded. A row that turns out
    // not to decode empties the whole atlas, so no frame ever shows on the wrong mood.
    QImage frame(Mood mood, int index) const;
    qsizetype size() const { return isEmpty() ? 0 : frameCount; }
    bool isEmpty() const { return m_png.isEmpty(); }
    // How many rows are decoded in memory now.
    int decodedRows() const { return int(m_rows.size()); }

    static constexpr QRect frameRect(int k)
    {
        return {(k % columns) * frameWidth, (k / columns) * frameHeight, frameWidth, frameHeight};
    }

private:
    struct Row
    {
        int row;
        QList<QImage> frames;
    };

    // Emptied for good when a row does not decode.
    mutable QByteArray m_png;
    // Most recently used first.
    mutable QList<Row> m_rows;
};
