#pragma once

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/Mood.h"

#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QTransform>

#include <array>

// The vector face as numbers: every measure is a multiple of the eye height H, relative to the face's
// centre with y growing downwards. Views animate a FacePose and draw the FaceGeometry made from it.

enum class EyeShape { capsule, ellipse };

// The continuous part of a face, the values that spring and ease between moods. Sizes are in units of H;
// the gaze is in look units (x -1 left to 1 right, y negative upwards).
struct FacePose
{
    double eyeScaleX = 1;
    double eyeScaleY = 1; // the mood's opening, before any blink
    double leftEyeScaleY = 1;
    double eyeTilt = 0; // degrees
    double closed = 0; // 0 open, 1 shut for a blink
    QPointF gaze;
    double mouthCurvature = 0;
    QSizeF mouthSize;

    // A mood's fixed gaze wins over the look, even under reduced motion; otherwise reduced motion centres
    // the eyes. Looks are clamped to [-1, 1] so the eyes never leave the paint bounds.
    static FacePose of(Skin skin, const MoodStyle& style, bool blinking, QSizeF look, bool motionReduced);
};

struct EyeGeometry
{
    QPointF centre;
    QSizeF size; // the eye's frame before scaling
    double scaleX = 1;
    double scaleY = 1;
    double rotation = 0; // degrees, positive clockwise on screen

    // Scaled, then rotated about the eye's centre, then moved to its place.
    QTransform transform() const;
    QPainterPath path(EyeShape shape) const;
};

struct MouthGeometry
{
    MouthKind::Shape shape = MouthKind::Shape::curve;
    QRectF frame;
    double curvature = 0;
    double lineWidth = 0;

    QPainterPath path() const;
};

struct DecorationGeometry
{
    FaceExtra kind = FaceExtra::none;
    double size = 0; // S
    QPointF centre;
};

struct FaceGeometry
{
    static constexpr double blinkScale = 0.08;

    EyeShape eyeShape = EyeShape::capsule;
    EyeGeometry leftEye;
    EyeGeometry rightEye;
    MouthGeometry mouth;
    DecorationGeometry decoration;
    QSizeF layoutSize;

    static FaceGeometry of(double eyeHeight, Skin skin, const FacePose& pose, MouthKind::Shape mouth, FaceExtra extra);
    static FaceGeometry of(double eyeHeight, Skin skin, Mood mood, bool blinking, QSizeF look, bool motionReduced);

    // The eye width over the eye height; the companion skin is measured like the classic one.
    static double eyeWidthRatio(Skin skin);
    // The frame the face is laid into: 2H + 2.5W wide, 1.6H high.
    static QSizeF layoutSizeFor(double eyeHeight, Skin skin);
    // The smallest rectangle centred on the face's centre that holds whatever the face draws at this eye
    // height in any mood, look, spring overshoot and decoration travel.
    static QRectF paintBounds(double eyeHeight, Skin skin);
    // What the face draws at rest in the mood at any look, about its centre (not the whole layout frame):
    // wider on the side of its decoration.
    static QRectF restingBounds(double eyeHeight, Skin skin, Mood mood);

    // What this geometry draws, decoration travel included.
    QRectF drawnBounds() const;
};

// The mouth hangs from its frame's top edge: a positive curve bows down by curve × height at the middle
// (a smile), a negative one bows up above the frame (a frown).
QPainterPath smilePath(const QRectF& frame, double curve);
// A drop with its point at the top and its round end filling the bottom of the frame.
QPainterPath teardropPath(const QRectF& frame);
// An eye shape centred on the origin.
QPainterPath eyePath(EyeShape shape, QSizeF size);

// The decorations' layouts about their own centre, at a loop phase from 0 (rest) to 1.
namespace Decoration {

struct SweatDropLayout
{
    QRectF drop;
    double opacity;
};

struct ZzzLetter
{
    QRectF cell; // advance × line height, bottom-aligned with the others
    double fontSize;
    double opacity;
};

struct SparkleLayout
{
    QRectF big; // the symbol's square before the twinkle scale
    double bigScale;
    double bigOpacity;
    QRectF small;
    double smallOpacity;
};

SweatDropLayout sweatDrop(double size, double phase);
std::array<ZzzLetter, 3> zzz(double size, double phase);
SparkleLayout sparkles(double size, double phase);

// Everything the decoration draws over its whole loop.
QRectF bounds(FaceExtra kind, double size);

// Where a letter's baseline sits above its cell's bottom, and the advance, in units of its font size.
inline constexpr double zzzDescent = 0.24;
inline constexpr double zzzAdvance = 0.62;
inline constexpr double zzzLineHeight = 1.2;

} // namespace Decoration
