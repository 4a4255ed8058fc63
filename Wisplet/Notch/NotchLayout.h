#pragma once

#include "Wisplet/Base/Mood.h"
#include "Wisplet/Base/ToolID.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <chrono>

class QDate;
class QDateTime;
class QLocale;

// The island's sizes, shapes and header texts. Sizes are pure functions of a few published values (the
// bubble and peek widths are estimates from character counts), so the island's size is known before any
// layout and changes as one animated step.
namespace NotchLayout {

inline constexpr double collapsedCornerRadius = 18;
inline constexpr double expandedCornerRadius = 26;
inline constexpr double headerEyeHeight = 22;
// The break prompt's share of the expanded island: its own height and the panel stack's spacing above it.
inline constexpr double breakPromptExtra = 76;
inline constexpr double panelPadding = 20;
inline constexpr double panelSpacing = 16;

// What a face size gives the collapsed island. These are stored values, not a formula.
struct FaceSizeMetrics
{
    double eyeHeight;
    double minimumCollapsedWidth;
    double storedRowHeight; // 1.7 × the eye height
};

FaceSizeMetrics faceSizeMetrics(FaceSize size);
// The face row's height as laid out: the stored height rounded to a whole point, halves away from zero.
double faceRowHeight(FaceSize size);

// The most room a bubble or peek takes beside the collapsed face.
inline constexpr double widestPeekWidth = 208;

QSizeF collapsedSize(FaceSize size, const QSizeF& notchSize, double peekWidth);
// The collapsed island at its widest, hanging from the top centre of a panel of that width: what the
// program's windows keep clear of, whatever Wisp says meanwhile.
QRectF widestCollapsedIsland(double panelWidth, FaceSize size, const QSizeF& notchSize);
QSizeF expandedSize(double screenWidth, const QSizeF& notchSize, ToolID selected, bool breakPrompt, bool quietMode);
double cornerRadius(bool expanded);

// The collapsed row: the face, then the bubble or peek. The row is centred in the island and kept clear of
// its edges; a bubble or peek wider than the room left is cut to it (and shortened with "…" by its view).
inline constexpr double collapsedRowSpacing = 10;
inline constexpr double collapsedRowInset = 14;
struct CollapsedRow
{
    // From the island's left edge to the face's frame.
    double faceLeft;
    // The width the bubble or peek gets; 0 when there is none.
    double sideWidth;
};
CollapsedRow collapsedRow(double islandWidth, double faceWidth, double wantedSideWidth);
// Changes exactly when the island's size should animate.
QString layoutKey(bool expanded, FaceSize size, double peekWidth, ToolID selected, bool breakPrompt);

// The collapsed row's texts: the peek's 13-pixel and the bubble's 11-pixel semibold, in a rounded design
// where one is installed, else the plain system font.
QFont peekFont();
QFont bubbleFont();

// The island's one text colour, at an opacity.
QColor whiteAt(double opacity);
// Fills the rectangle, its corners rounded by the radius, with white at the opacity, antialiased.
void fillRounded(QPainter& painter, const QRectF& rect, double radius, double opacity);

// The floating panel on a screen (its whole frame): hanging from the top edge, centred across, as large as
// `largest` or as much of it as the screen has.
QRect panelFrame(const QRectF& screen, const QSize& largest);

// From a local time to a moment just past the next local midnight, where the date turns.
std::chrono::milliseconds untilNextDay(const QDateTime& localNow);

// Abbreviated weekday, day and abbreviated month in the locale's own order ("Sun 6 Dec", "Sun, Dec 6").
QString headerDateText(const QDate& date, const QLocale& locale);

} // namespace NotchLayout

// The island's outline: square top corners where it meets the screen's edge, rounded bottom corners.
struct NotchIslandShape
{
    double cornerRadius = 0;

    // Empty for an empty rectangle. The radius is clamped to half the height, then to half the width.
    QPainterPath path(const QRectF& rect) const;
};

// The speech bubble's tail: a triangle based on the rectangle's right edge, its tip in the middle of the left.
struct BubbleTail
{
    static QPainterPath path(const QRectF& rect);
};

// The looks and texts of the open panel's small header buttons, told apart by the symbol alone.
namespace HeaderButtonLook {

inline const QString settingsIcon = QStringLiteral("gearshape");

QString accessibleName(const QString& icon, bool active);
QString toolTip(const QString& icon);
double backgroundOpacity(bool active, bool hovering);
double symbolOpacity(bool active, bool hovering);

} // namespace HeaderButtonLook
