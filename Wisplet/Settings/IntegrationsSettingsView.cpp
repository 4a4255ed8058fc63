#include "Wisplet/Settings/IntegrationsSettingsView.h"

#include "Wisplet/Base/Stepper.h"
#include "Wisplet/Settings/IntegrationSettingsRow.h"
#include "Wisplet/Settings/SettingsForm.h"
#include "Wisplet/Tools/Business/IntegrationsHub.h"
#include "Wisplet/Tools/Media/NowPlaying.h"
#include "Wisplet/Tools/Weather/WeatherTool.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace {

// Keeps a switch in step with a store that others change too.
template <typename Store, typename Signal>
void follow(QCheckBox* box, Store& store, Signal changed)
{
    QObject::connect(&store, changed, box, [box](bool on) {
        const QSignalBlocker blocker(box);
        box->setChecked(on);
    });
}

} // namespace

IntegrationsSettingsView::IntegrationsSettingsView(IntegrationsHub& hub, NowPlaying& nowPlaying, WeatherTool& weather,
                                                   QWidget* parent)
    : QWidget(parent)
{
    auto* form = new SettingsForm(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(form);

    for (IntegrationCategory group : allIntegrationCategories) {
        QVBoxLayout* section = form->addSection(title(group));
        for (IntegrationKind kind : kinds(group))
            section->addWidget(new IntegrationSettingsRow(kind, hub));
    }

    QVBoxLayout* refresh = form->addSection(tr("Refresh"));
    auto* stepper = new Stepper({1, 60, 1}, &IntegrationsSettingsView::refreshLabel);
    stepper->setObjectName(QStringLiteral("refreshMinutes"));
    stepper->setValue(hub.refreshMinutes());
    connect(stepper, &Stepper::valueEdited, &hub, &IntegrationsHub::setRefreshMinutes);
    connect(&hub, &IntegrationsHub::refreshMinutesChanged, stepper, &Stepper::setValue);
    refresh->addWidget(stepper);

    QVBoxLayout* media = form->addSection(tr("Media & weather"));
    QCheckBox* react =
        SettingsForm::addSwitch(media, tr("Wisp reacts when a new song starts"), nowPlaying.reactToTracks(),
                                [&nowPlaying](bool on) { nowPlaying.setReactToTracks(on); });
    follow(react, nowPlaying, &NowPlaying::reactToTracksChanged);
    QCheckBox* fahrenheit = SettingsForm::addSwitch(media, tr("Use Fahrenheit"), weather.useFahrenheit(),
                                                    [&weather](bool on) { weather.setUseFahrenheit(on); });
    follow(fahrenheit, weather, &WeatherTool::useFahrenheitChanged);
}

QString IntegrationsSettingsView::refreshLabel(double minutes)
{
    return tr("Refresh every %1 min").arg(Stepper::wholeNumber(minutes));
}
