#include "Wisplet/Base/Mood.h"

#include "Wisplet/Base/RawValue.h"

namespace {

constexpr std::array<const char*, 12> moodNames{"happy",   "focused", "sleepy",   "asleep", "surprised", "proud",
                                                "worried", "hot",     "thinking", "sad",    "loving",    "wink"};
constexpr std::array<const char*, 4> faceSizeNames{"small", "medium", "large", "huge"};

using M = MouthKind;
using E = FaceExtra;

// One row per mood, in mood order.
const std::array<MoodStyle, 12> styles{{
    {1.0, 1.0, 0, 1.0, M::curve(1.0, 0.8), E::none, std::nullopt}, // happy
    {1.0, 0.55, 0, 1.0, M::curve(0.45, 0.6), E::none, std::nullopt}, // focused
    {1.0, 0.35, 0, 1.0, M::curve(0.3, 0.6), E::none, QSizeF(0, 0.6)}, // sleepy
    {1.0, 0.08, 0, 1.0, M::curve(0.2, 0.5), E::zzz, QSizeF(0, 0)}, // asleep
    {1.35, 1.12, 0, 1.0, M::ring(), E::none, std::nullopt}, // surprised
    {1.0, 0.6, 0, 1.0, M::curve(1.3, 1.0), E::sparkle, std::nullopt}, // proud
    {1.0, 0.95, 12, 1.0, M::curve(-0.45, 0.55), E::none, std::nullopt}, // worried
    {1.0, 0.6, 0, 1.0, M::curve(0.05, 0.7), E::sweat, std::nullopt}, // hot
    {1.0, 1.0, 0, 0.75, M::curve(0.15, 0.4), E::none, QSizeF(0.7, -0.5)}, // thinking
    {1.0, 0.8, -10, 1.0, M::curve(-0.7, 0.6), E::none, QSizeF(0, 0.7)}, // sad
    {1.0, 1.0, 0, 1.0, M::curve(1.2, 0.7), E::sparkle, std::nullopt}, // loving
    {1.0, 1.0, 0, 0.1, M::curve(0.9, 0.7), E::none, std::nullopt}, // wink
}};

} // namespace

QString rawValue(Mood mood)
{
    return rawValue(moodNames, mood);
}

std::optional<Mood> moodFromRawValue(const QString& raw)
{
    return fromRawValue<Mood>(moodNames, raw);
}

MoodStyle styleOf(Mood mood)
{
    return styles[std::size_t(mood)];
}

QString rawValue(FaceSize size)
{
    return rawValue(faceSizeNames, size);
}

std::optional<FaceSize> faceSizeFromRawValue(const QString& raw)
{
    return fromRawValue<FaceSize>(faceSizeNames, raw);
}
