#pragma once

#include "Wisplet/Base/MenuModel.h"

#include <QLocale>
#include <QObject>

class AppSettings;
class Clock;

// The quiet-mode and presentation drop-down: its label and items, and the three actions its items
// perform on the settings. It keeps no state of its own; callers rebuild the items when the menu opens.
class QuietControls final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuietControls)

public:
    static constexpr QLatin1String quietOffAction{"quiet.off"};
    static constexpr QLatin1String quiet30MinutesAction{"quiet.30min"};
    static constexpr QLatin1String quiet1HourAction{"quiet.1hour"};
    static constexpr QLatin1String quietOnAction{"quiet.on"};
    static constexpr QLatin1String presentationAction{"presentation.start"};

    explicit QuietControls(AppSettings& settings, Clock& clock, const QLocale& locale = QLocale::system(),
                           QObject* parent = nullptr);

    QString labelText() const;
    QString labelSymbol() const;
    static QString toolTip();
    // The locale's short time of day, without seconds.
    static QString shortTimeFormat(const QLocale& locale);
    MenuItems items() const;
    // The whole drop-down as one submenu item, titled with the label, for menus that nest it.
    MenuItem submenuItem() const;

    void quietFor(qint64 seconds);
    void setQuiet(bool quiet);
    void startPresentation();
    // Performs the action an item of items() names; false for an action id that is not ours.
    bool trigger(const QString& action);

signals:
    // The label or the items may read differently now.
    void changed();

private:
    QString quietUntilText() const;

    AppSettings& m_settings;
    Clock& m_clock;
    QLocale m_locale;
};
