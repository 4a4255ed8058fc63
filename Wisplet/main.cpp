#include "Wisplet/App/LinuxPlatform.h"
#include "Wisplet/App/ProcessSetup.h"
#include "Wisplet/App/WispletApp.h"
#include "Wisplet/Platform/SingleInstance.h"

#include <QApplication>

namespace {

// How long a second start waits for the running one to answer.
constexpr int comeForwardTimeoutMs = 5000;

} // namespace

int main(int argc, char** argv)
{
    prepareEnvironment();
    // Qt would abort without a word a user can act on.
    if (const std::optional<QString> problem = displayProblem()) {
        reportProblem(*problem);
        return 1;
    }
    QApplication app(argc, argv);
    configureApplication();

    SingleInstance instance(QDBusConnection::sessionBus(), SingleInstance::standardLockPath());
    if (!instance.isFirst()) {
        // Wisplet already runs for this user on this display: that one comes forward instead.
        instance.askFirstToComeForward(comeForwardTimeoutMs);
        return 0;
    }

    LinuxPlatform platform;
    WispletApp wisplet;
    QObject::connect(&instance, &SingleInstance::comeForwardRequested, &wisplet, &WispletApp::comeForward);
    QObject::connect(&instance, &SingleInstance::busLost, [] {
        reportProblem(QStringLiteral("Wisplet: lost the session bus; running on without notifications, media players "
                                     "and the keyring."));
    });
    wisplet.launch();
    return QApplication::exec();
}
