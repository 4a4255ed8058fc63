#include "Wisplet/Base/QuietControls.h"

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Platform/Clock.h"

#include <QRegularExpression>

QuietControls::QuietControls(AppSettings& settings, Clock& clock, const QLocale& locale, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_clock(clock)
    , m_locale(locale)
{
    connect(&settings, &AppSettings::quietModeChanged, this, &QuietControls::changed);
    connect(&settings, &AppSettings::quietUntilChanged, this, &QuietControls::changed);
}

QString QuietControls::labelText() const
{
    return m_settings.quietMode() ? QStringLiteral("Quiet on") : QStringLiteral("Quiet");
}

QString QuietControls::labelSymbol() const
{
    return m_settings.quietMode() ? QStringLiteral("bell.slash.fill") : QStringLiteral("bell");
}

QString QuietControls::toolTip()
{
    return QStringLiteral("Manage Wisp\u2019s reactions and notifications");
}

QString QuietControls::quietUntilText() const
{
    // Stored in UTC; the user reads their own wall clock.
    const QTime time = m_settings.quietUntil()->toLocalTime().time();
    return QStringLiteral("Quiet until ") + m_locale.toString(time, shortTimeFormat(m_locale));
}

QString QuietControls::shortTimeFormat(const QLocale& locale)
{
    // Some locales' short form (the C locale's among them) still carries seconds; the end of a quiet
    // period is a time of day to the minute.
    static const QRegularExpression seconds(QStringLiteral("[:.]?s+(\\.z+)?"));
    return locale.timeFormat(QLocale::ShortFormat).remove(seconds);
}

MenuItems QuietControls::items() const
{
    MenuItems items;
    if (m_settings.quietMode()) {
        if (m_settings.quietUntil())
            items.push_back(MenuItem::line(quietUntilText()));
        items.push_back(MenuItem::command(QStringLiteral("Turn Quiet Mode off"), quietOffAction));
        items.push_back(MenuItem::separator());
    }
    items.push_back(MenuItem::command(QStringLiteral("Quiet for 30 minutes"), quiet30MinutesAction));
    items.push_back(MenuItem::command(QStringLiteral("Quiet for 1 hour"), quiet1HourAction));
    items.push_back(MenuItem::command(QStringLiteral("Quiet until turned off"), quietOnAction));
    items.push_back(MenuItem::separator());
    items.push_back(MenuItem::command(QStringLiteral("Hide Wisp for a presentation"), presentationAction));
    return items;
}

MenuItem QuietControls::submenuItem() const
{
    MenuItem item = MenuItem::nested(labelText(), items());
    item.symbol = labelSymbol();
    return item;
}

void QuietControls::quietFor(qint64 seconds)
{
    m_settings.setQuietMode(true);
    m_settings.setQuietUntil(m_clock.now().addSecs(seconds));
}

void QuietControls::setQuiet(bool quiet)
{
    m_settings.setQuietMode(quiet);
    m_settings.setQuietUntil(std::nullopt);
}

void QuietControls::startPresentation()
{
    m_settings.setPresentationMode(true);
}

bool QuietControls::trigger(const QString& action)
{
    if (action == quietOffAction)
        setQuiet(false);
    else if (action == quiet30MinutesAction)
        quietFor(30 * 60);
    else if (action == quiet1HourAction)
        quietFor(60 * 60);
    else if (action == quietOnAction)
        setQuiet(true);
    else if (action == presentationAction)
        startPresentation();
    else
        return false;
    return true;
}
