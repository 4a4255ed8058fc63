#pragma once

#include <QSizeF>
#include <QString>

#include <array>
#include <optional>

// The companion's twelve moods. The order is that of every mood list and of the sprite atlas rows.
enum class Mood { happy, focused, sleepy, asleep, surprised, proud, worried, hot, thinking, sad, loving, wink };

inline constexpr std::array allMoods{Mood::happy,     Mood::focused, Mood::sleepy,  Mood::asleep,
                                     Mood::surprised, Mood::proud,   Mood::worried, Mood::hot,
                                     Mood::thinking,  Mood::sad,     Mood::loving,  Mood::wink};

// The moods a user may pick as the resting mood: all but asleep, which only falling asleep reaches.
inline constexpr std::array selectableMoods{Mood::happy, Mood::focused, Mood::sleepy, Mood::surprised,
                                            Mood::proud, Mood::worried, Mood::hot,    Mood::thinking,
                                            Mood::sad,   Mood::loving,  Mood::wink};

QString rawValue(Mood mood);
std::optional<Mood> moodFromRawValue(const QString& raw);

// A curved line (curvature > 0 smiles, < 0 frowns; width relative to the face) or a small open ring.
struct MouthKind
{
    enum class Shape { curve, ring };

    Shape shape = Shape::curve;
    double curvature = 0;
    double width = 0;

    static constexpr MouthKind curve(double curvature, double width) { return {Shape::curve, curvature, width}; }
    static constexpr MouthKind ring() { return {Shape::ring, 0, 0}; }

    friend bool operator==(const MouthKind& a, const MouthKind& b)
    {
        if (a.shape != b.shape)
            return false;
        return a.shape == Shape::ring || (a.curvature == b.curvature && a.width == b.width);
    }
};

enum class FaceExtra { none, sweat, zzz, sparkle };

struct MoodStyle
{
    double eyeScaleX = 1;
    double eyeScaleY = 1;
    double eyeTilt = 0; // degrees
    double leftEyeScaleY = 1;
    MouthKind mouth;
    FaceExtra extra = FaceExtra::none;
    // A fixed direction of the eyes that replaces the pointer-driven look: x -1 (left) to 1 (right),
    // y negative upwards.
    std::optional<QSizeF> gaze;

    friend bool operator==(const MoodStyle& a, const MoodStyle& b)
    {
        return a.eyeScaleX == b.eyeScaleX && a.eyeScaleY == b.eyeScaleY && a.eyeTilt == b.eyeTilt
            && a.leftEyeScaleY == b.leftEyeScaleY && a.mouth == b.mouth && a.extra == b.extra && a.gaze == b.gaze;
    }
};

MoodStyle styleOf(Mood mood);

// How large the face is drawn; the root view turns it into eye heights and island sizes.
enum class FaceSize { small, medium, large, huge };

inline constexpr std::array allFaceSizes{FaceSize::small, FaceSize::medium, FaceSize::large, FaceSize::huge};

QString rawValue(FaceSize size);
std::optional<FaceSize> faceSizeFromRawValue(const QString& raw);
