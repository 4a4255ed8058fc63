#include "Wisplet/App/LinuxPlatform.h"
#include "Wisplet/App/ProcessSetup.h"
#include "Wisplet/App/WispletApp.h"
#include "Wisplet/Platform/SingleInstance.h"

#include <QApplication>

int main(int argc, char** argv)
{
    prepareEnvironment();
    QApplication app(argc, argv);
    configureApplication();

    const SingleInstance instance;
    if (!instance.isFirst())
        return 0; // Wisplet already runs in this session

    LinuxPlatform platform;
    WispletApp wisplet;
    wisplet.launch();
    return QApplication::exec();
}
