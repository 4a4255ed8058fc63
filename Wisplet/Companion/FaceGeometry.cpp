#include "Wisplet/Companion/FaceGeometry.h"

#include <algorithm>

namespace {

constexpr double mouthHeight = 0.18;
constexpr double ringSize = 0.4;
constexpr double catMouthWidth = 0.7;
constexpr double catSlant = 9;
constexpr double lineWidth = 0.09;
constexpr double mouthDrop = 0.55;
constexpr double mouthFollow = 0.6;
constexpr double gazeAcross = 0.5; // × W
constexpr double gazeDown = 0.18; // × H

// Springs overshoot their target a little, and more when retargeted mid-flight.
constexpr double overshootMargin = 0.05; // × H
constexpr double antialiasMargin = 1;

QPointF clampedLook(QPointF look)
{
    return {std::clamp(look.x(), -1.0, 1.0), std::clamp(look.y(), -1.0, 1.0)};
}

struct DecorationPlace
{
    double size; // × H
    double across; // × W, beyond H
    double up; // × H
};

DecorationPlace placeOf(FaceExtra kind)
{
    switch (kind) {
    case FaceExtra::sweat:
        return {0.32, 1.3, 0.35};
    case FaceExtra::zzz:
        return {0.32, 1.5, 0.45};
    case FaceExtra::sparkle:
        return {0.3, 1.4, 0.4};
    case FaceExtra::none:
        break;
    }
    return {0, 0, 0};
}

QRectF centredRect(QPointF centre, QSizeF size)
{
    return {centre.x() - size.width() / 2, centre.y() - size.height() / 2, size.width(), size.height()};
}

} // namespace

FacePose FacePose::of(Skin skin, const MoodStyle& style, bool blinking, QSizeF look, bool motionReduced)
{
    FacePose pose;
    pose.eyeScaleX = style.eyeScaleX;
    pose.eyeScaleY = style.eyeScaleY;
    pose.leftEyeScaleY = style.leftEyeScaleY;
    pose.eyeTilt = style.eyeTilt;
    pose.closed = blinking ? 1 : 0;
    if (style.gaze)
        pose.gaze = clampedLook({style.gaze->width(), style.gaze->height()});
    else if (!motionReduced)
        pose.gaze = clampedLook({look.width(), look.height()});
    if (style.mouth.shape == MouthKind::Shape::ring) {
        pose.mouthSize = QSizeF(ringSize, ringSize);
    } else {
        pose.mouthCurvature = style.mouth.curvature;
        const double width = style.mouth.width * (skin == Skin::cat ? catMouthWidth : 1.0);
        pose.mouthSize = QSizeF(width, mouthHeight);
    }
    return pose;
}

QTransform EyeGeometry::transform() const
{
    QTransform transform;
    transform.translate(centre.x(), centre.y());
    transform.rotate(rotation);
    transform.scale(scaleX, scaleY);
    return transform;
}

QPainterPath EyeGeometry::path(EyeShape shape) const
{
    return transform().map(eyePath(shape, size));
}

QPainterPath MouthGeometry::path() const
{
    if (shape == MouthKind::Shape::ring) {
        QPainterPath ring;
        ring.addEllipse(frame);
        return ring;
    }
    return smilePath(frame, curvature);
}

double FaceGeometry::eyeWidthRatio(Skin skin)
{
    switch (skin) {
    case Skin::round:
        return 0.82;
    case Skin::cat:
        return 0.42;
    case Skin::classic:
    case Skin::companion:
        break;
    }
    return 0.6;
}

QSizeF FaceGeometry::layoutSizeFor(double eyeHeight, Skin skin)
{
    const double width = eyeHeight * eyeWidthRatio(skin);
    return {2 * eyeHeight + 2.5 * width, 1.6 * eyeHeight};
}

FaceGeometry FaceGeometry::of(double eyeHeight, Skin skin, const FacePose& pose, MouthKind::Shape mouth,
                              FaceExtra extra)
{
    const double h = eyeHeight;
    const double w = h * eyeWidthRatio(skin);
    const double slant = skin == Skin::cat ? catSlant : 0;
    const QPointF shift(pose.gaze.x() * w * gazeAcross, pose.gaze.y() * h * gazeDown);
    const double opening = pose.eyeScaleY + (blinkScale - pose.eyeScaleY) * pose.closed;

    FaceGeometry face;
    face.eyeShape = skin == Skin::round || skin == Skin::cat ? EyeShape::ellipse : EyeShape::capsule;
    const QSizeF eyeSize(w, skin == Skin::round ? 0.92 * h : h);
    face.leftEye = {QPointF(-h, 0) + shift, eyeSize, pose.eyeScaleX, opening * pose.leftEyeScaleY,
                    pose.eyeTilt - slant};
    face.rightEye = {QPointF(h, 0) + shift, eyeSize, pose.eyeScaleX, opening, slant - pose.eyeTilt};

    const QPointF mouthCentre = shift * mouthFollow + QPointF(0, mouthDrop * h);
    face.mouth = {mouth, centredRect(mouthCentre, pose.mouthSize * h), pose.mouthCurvature, lineWidth * h};

    const DecorationPlace place = placeOf(extra);
    face.decoration = {extra, place.size * h, QPointF(h + place.across * w, -place.up * h)};
    face.layoutSize = layoutSizeFor(h, skin);
    return face;
}

FaceGeometry FaceGeometry::of(double eyeHeight, Skin skin, Mood mood, bool blinking, QSizeF look, bool motionReduced)
{
    const MoodStyle style = styleOf(mood);
    return of(eyeHeight, skin, FacePose::of(skin, style, blinking, look, motionReduced), style.mouth.shape,
              style.extra);
}

QRectF FaceGeometry::drawnBounds() const
{
    const double halfLine = mouth.lineWidth / 2;
    QRectF bounds = leftEye.path(eyeShape).boundingRect() | rightEye.path(eyeShape).boundingRect()
        | mouth.path().boundingRect().adjusted(-halfLine, -halfLine, halfLine, halfLine);
    if (decoration.kind != FaceExtra::none)
        bounds |= Decoration::bounds(decoration.kind, decoration.size).translated(decoration.centre);
    return bounds;
}

QRectF FaceGeometry::restingBounds(double eyeHeight, Skin skin, Mood mood)
{
    // Open eyes at the corners of the look's range reach furthest; a mood with a gaze ignores the look.
    const std::array<QSizeF, 4> corners{QSizeF(-1, -1), QSizeF(1, -1), QSizeF(-1, 1), QSizeF(1, 1)};
    QRectF bounds;
    for (const QSizeF& look : corners)
        bounds |= of(eyeHeight, skin, mood, false, look, false).drawnBounds();
    return bounds;
}

QRectF FaceGeometry::paintBounds(double eyeHeight, Skin skin)
{
    QRectF bounds(QPointF(0, 0), layoutSizeFor(eyeHeight, skin));
    bounds.moveCenter(QPointF(0, 0));
    for (const Mood mood : allMoods)
        bounds |= restingBounds(eyeHeight, skin, mood);
    const double margin = overshootMargin * eyeHeight + antialiasMargin;
    const double halfWidth = std::max(-bounds.left(), bounds.right()) + margin;
    const double halfHeight = std::max(-bounds.top(), bounds.bottom()) + margin;
    return {-halfWidth, -halfHeight, 2 * halfWidth, 2 * halfHeight};
}

QPainterPath smilePath(const QRectF& frame, double curve)
{
    QPainterPath path(frame.topLeft());
    path.quadTo(QPointF(frame.center().x(), frame.top() + curve * 2 * frame.height()), frame.topRight());
    return path;
}

QPainterPath teardropPath(const QRectF& frame)
{
    const double radius = frame.width() * 0.5;
    const QPointF centre(frame.center().x(), frame.bottom() - radius);
    QPainterPath path(QPointF(frame.center().x(), frame.top()));
    path.quadTo(centre + QPointF(0.9 * radius, -1.2 * radius), centre + QPointF(radius, 0));
    // Clockwise on screen, through the bottom of the circle.
    path.arcTo(centredRect(centre, QSizeF(2 * radius, 2 * radius)), 0, -180);
    path.quadTo(centre + QPointF(-0.9 * radius, -1.2 * radius), QPointF(frame.center().x(), frame.top()));
    path.closeSubpath();
    return path;
}

QPainterPath eyePath(EyeShape shape, QSizeF size)
{
    const QRectF rect = centredRect(QPointF(0, 0), size);
    QPainterPath path;
    if (shape == EyeShape::ellipse) {
        path.addEllipse(rect);
    } else {
        const double radius = std::min(size.width(), size.height()) / 2;
        path.addRoundedRect(rect, radius, radius);
    }
    return path;
}

namespace Decoration {

namespace {

constexpr double dripTravel = 0.6;
constexpr double dripOpacity = 0.3;
constexpr double letterSpacing = 0.15;
constexpr double letterRise = 0.35;
constexpr double letterOpacity = 0.35;
constexpr double sparkleDimmed = 0.3;
constexpr double sparkleShrunk = 0.7;
constexpr double smallSparkle = 0.6;
constexpr QPointF smallSparkleOffset(0.9, 0.8);

double mix(double from, double to, double phase)
{
    return from + (to - from) * phase;
}

} // namespace

SweatDropLayout sweatDrop(double size, double phase)
{
    const QRectF drop = centredRect(QPointF(0, dripTravel * size * phase), QSizeF(0.7 * size, size));
    return {drop, mix(1, dripOpacity, phase)};
}

std::array<ZzzLetter, 3> zzz(double size, double phase)
{
    std::array<ZzzLetter, 3> letters;
    double rowWidth = 2 * letterSpacing * size;
    for (std::size_t i = 0; i < letters.size(); ++i) {
        letters[i].fontSize = (0.7 + 0.3 * double(i)) * size;
        rowWidth += zzzAdvance * letters[i].fontSize;
    }
    const double bottom = zzzLineHeight * letters.back().fontSize / 2;
    double left = -rowWidth / 2;
    for (std::size_t i = 0; i < letters.size(); ++i) {
        ZzzLetter& letter = letters[i];
        const double width = zzzAdvance * letter.fontSize;
        const double height = zzzLineHeight * letter.fontSize;
        const double rise = double(i + 1) * letterRise * size * phase;
        letter.cell = QRectF(left, bottom - height - rise, width, height);
        letter.opacity = mix(1, letterOpacity, phase);
        left += width + letterSpacing * size;
    }
    return letters;
}

SparkleLayout sparkles(double size, double phase)
{
    SparkleLayout layout;
    layout.big = centredRect(QPointF(0, 0), QSizeF(size, size));
    layout.bigScale = mix(sparkleShrunk, 1, phase);
    layout.bigOpacity = mix(sparkleDimmed, 1, phase);
    layout.small = centredRect(smallSparkleOffset * size, QSizeF(smallSparkle * size, smallSparkle * size));
    layout.smallOpacity = mix(1, sparkleDimmed, phase);
    return layout;
}

QRectF bounds(FaceExtra kind, double size)
{
    switch (kind) {
    case FaceExtra::sweat:
        return sweatDrop(size, 0).drop | sweatDrop(size, 1).drop;
    case FaceExtra::zzz: {
        QRectF rect;
        for (const ZzzLetter& letter : zzz(size, 0))
            rect |= letter.cell;
        for (const ZzzLetter& letter : zzz(size, 1))
            rect |= letter.cell;
        return rect;
    }
    case FaceExtra::sparkle: {
        const SparkleLayout layout = sparkles(size, 1);
        return layout.big | layout.small;
    }
    case FaceExtra::none:
        break;
    }
    return {};
}

} // namespace Decoration
