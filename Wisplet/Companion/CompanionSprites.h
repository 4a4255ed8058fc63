#pragma once

#include "Wisplet/Base/Mood.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QStringList>

#include <functional>

// The sprite skin's sheet of pre-drawn frames: 8 columns (rest, closing, opening, a spare copy) × one row per
// mood. Only coverage counts, since frames are drawn as templates filled with the tint, so the sheet is kept
// once as an 8-bit alpha image and each frame is a view into it. Missing or malformed art leaves the atlas
// empty; the face view then shows its fallback symbol.
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

    // Cuts frame k (0 … frameCount − 1, row by row) out of the alpha sheet; a null image when it cannot.
    using FrameCutter = std::function<QImage(const QImage& sheet, int k)>;

    // Loads the first candidate path that exists; later candidates are not tried once one is found.
    explicit CompanionSprites(const QStringList& candidatePaths, FrameCutter cutter = cutView);
    // The program's atlas, from its resources: the copy in the "Companion" folder wins over one at the root.
    static CompanionSprites& shared();

    // The frame of the mood's row at column index clamped to 0…7; a null image when the atlas is empty.
    QImage frame(Mood mood, int index) const;
    qsizetype size() const { return m_frames.size(); }
    bool isEmpty() const { return m_frames.isEmpty(); }

    static constexpr QRect frameRect(int k)
    {
        return {(k % columns) * frameWidth, (k / columns) * frameHeight, frameWidth, frameHeight};
    }
    // A read-only image over the sheet's own pixels that keeps the sheet alive; no copy.
    static QImage cutView(const QImage& sheet, int k);

private:
    QList<QImage> m_frames;
};
