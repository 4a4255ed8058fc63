#include "Wisplet/Notch/NotchLayout.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

#include <unicode/dtptngen.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

namespace NotchLayout {

namespace {

constexpr std::array faceSizeTable{
    FaceSizeMetrics{24, 132, 40.8},
    FaceSizeMetrics{34, 167, 57.8},
    FaceSizeMetrics{44, 202, 74.8},
    FaceSizeMetrics{56, 244, 95.2},
};

QFont roundedFont(int pixelSize, QFont::Weight weight)
{
    QFont font;
    // Tried in turn; without any of them the plain system font stands in.
    font.setFamilies(
        {QStringLiteral("Nunito"), QStringLiteral("Varela Round"), QStringLiteral("M PLUS Rounded 1c"), font.family()});
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

// The collapsed island reaches 14 points beyond each side of the notch.
constexpr double notchOverhang = 28;
constexpr double expandedMaxWidth = 720;
constexpr double screenMargin = 24;
constexpr double tallToolHeight = 430;
constexpr double toolHeight = 330;

bool isTallTool(ToolID tool)
{
    return tool == ToolID::notes || tool == ToolID::files || tool == ToolID::clipboard || tool == ToolID::business;
}

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString fromIcu(const icu::UnicodeString& text)
{
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

} // namespace

FaceSizeMetrics faceSizeMetrics(FaceSize size)
{
    return faceSizeTable[std::size_t(size)];
}

double faceRowHeight(FaceSize size)
{
    return std::round(faceSizeMetrics(size).storedRowHeight);
}

QSizeF collapsedSize(FaceSize size, const QSizeF& notchSize, double peekWidth)
{
    const double width =
        peekWidth + std::max(notchSize.width() + notchOverhang, faceSizeMetrics(size).minimumCollapsedWidth);
    return {width, notchSize.height() + faceRowHeight(size)};
}

QRectF widestCollapsedIsland(double panelWidth, FaceSize size, const QSizeF& notchSize)
{
    const QSizeF island = collapsedSize(size, notchSize, widestPeekWidth);
    return {(panelWidth - island.width()) / 2, 0, island.width(), island.height()};
}

QSizeF expandedSize(double screenWidth, const QSizeF& notchSize, ToolID selected, bool breakPrompt, bool quietMode)
{
    const double base = isTallTool(selected) ? tallToolHeight : toolHeight;
    const double extra = breakPrompt && !quietMode ? breakPromptExtra : 0;
    return {std::clamp(screenWidth - screenMargin, 0.0, expandedMaxWidth), notchSize.height() + base + extra};
}

double cornerRadius(bool expanded)
{
    return expanded ? expandedCornerRadius : collapsedCornerRadius;
}

CollapsedRow collapsedRow(double islandWidth, double faceWidth, double wantedSideWidth)
{
    const double room = islandWidth - 2 * collapsedRowInset - faceWidth - collapsedRowSpacing;
    const double side = wantedSideWidth > 0 ? std::clamp(wantedSideWidth, 0.0, std::max(room, 0.0)) : 0;
    const double rowWidth = faceWidth + (side > 0 ? collapsedRowSpacing + side : 0);
    return {(islandWidth - rowWidth) / 2, side};
}

QString layoutKey(bool expanded, FaceSize size, double peekWidth, ToolID selected, bool breakPrompt)
{
    return QStringList{boolText(expanded), rawValue(size), QString::number(qint64(peekWidth)), rawValue(selected),
                       boolText(breakPrompt)}
        .join(QLatin1Char('-'));
}

QFont peekFont()
{
    return roundedFont(13, QFont::DemiBold);
}

QFont bubbleFont()
{
    return roundedFont(11, QFont::DemiBold);
}

QColor whiteAt(double opacity)
{
    QColor color(Qt::white);
    color.setAlphaF(float(opacity));
    return color;
}

QRect panelFrame(const QRectF& screen, const QSize& largest)
{
    const QSize size = largest.boundedTo(QSize(int(screen.width()), int(screen.height())));
    return {qRound(screen.center().x() - size.width() / 2.0), qRound(screen.top()), size.width(), size.height()};
}

std::chrono::milliseconds untilNextDay(const QDateTime& localNow)
{
    // A little past midnight, so a timer that fires early still finds the new date; where a zone skips
    // midnight, the first moment of the day stands in.
    constexpr qint64 margin = 500;
    const QDateTime midnight = localNow.date().addDays(1).startOfDay(localNow.timeZone());
    return std::chrono::milliseconds(std::max<qint64>(localNow.msecsTo(midnight), 0) + margin);
}

void fillRounded(QPainter& painter, const QRectF& rect, double radius, double opacity)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    painter.fillPath(path, whiteAt(opacity));
    painter.restore();
}

QString headerDateText(const QDate& date, const QLocale& locale)
{
    // The locale's own pattern for these three fields; Qt's formats only come with the year.
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale icuLocale = icu::Locale::forLanguageTag(locale.bcp47Name().toStdString(), status);
    const std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(icuLocale, status));
    if (U_SUCCESS(status)) {
        const icu::UnicodeString pattern = generator->getBestPattern(icu::UnicodeString(u"EEEdMMM"), status);
        icu::SimpleDateFormat format(pattern, icuLocale, status);
        if (U_SUCCESS(status)) {
            // Noon UTC of the date, formatted in UTC: the day shown is the day given, whatever the zone.
            format.setTimeZone(*icu::TimeZone::getGMT());
            icu::UnicodeString text;
            format.format(double(QDateTime(date, QTime(12, 0), QTimeZone::utc()).toMSecsSinceEpoch()), text);
            return fromIcu(text);
        }
    }
    return locale.toString(date, QStringLiteral("ddd d MMM"));
}

} // namespace NotchLayout

QPainterPath NotchIslandShape::path(const QRectF& rect) const
{
    QPainterPath path;
    if (!(rect.width() > 0) || !(rect.height() > 0))
        return path;
    const double r = std::max(0.0, std::min({cornerRadius, rect.height() / 2, rect.width() / 2}));
    path.moveTo(rect.topLeft());
    path.lineTo(rect.left(), rect.bottom() - r);
    if (r > 0)
        path.arcTo(QRectF(rect.left(), rect.bottom() - 2 * r, 2 * r, 2 * r), 180, 90);
    path.lineTo(rect.right() - r, rect.bottom());
    if (r > 0)
        path.arcTo(QRectF(rect.right() - 2 * r, rect.bottom() - 2 * r, 2 * r, 2 * r), 270, 90);
    path.lineTo(rect.topRight());
    path.closeSubpath();
    return path;
}

QPainterPath BubbleTail::path(const QRectF& rect)
{
    QPainterPath path;
    path.moveTo(rect.right(), rect.top());
    path.lineTo(rect.left(), rect.center().y());
    path.lineTo(rect.right(), rect.bottom());
    path.closeSubpath();
    return path;
}

namespace HeaderButtonLook {

QString accessibleName(const QString& icon, bool active)
{
    if (icon == settingsIcon)
        return QCoreApplication::translate("HeaderButton", "Open settings");
    return active ? QCoreApplication::translate("HeaderButton", "Unpin panel")
                  : QCoreApplication::translate("HeaderButton", "Pin panel");
}

QString toolTip(const QString& icon)
{
    return icon == settingsIcon ? QCoreApplication::translate("HeaderButton", "Settings")
                                : QCoreApplication::translate("HeaderButton", "Keep panel open");
}

double backgroundOpacity(bool active, bool hovering)
{
    if (active)
        return 0.22;
    return hovering ? 0.14 : 0.08;
}

double symbolOpacity(bool active, bool hovering)
{
    return active || hovering ? 1.0 : 0.7;
}

} // namespace HeaderButtonLook
