#include "Wisplet/App/AppSettings.h"
#include "Wisplet/App/LinuxPlatform.h"
#include "Wisplet/App/ProcessSetup.h"

#include <QApplication>

int main(int argc, char** argv)
{
    prepareEnvironment();
    QApplication app(argc, argv);
    configureApplication();

    LinuxPlatform platform;
    AppSettings::shared();

    return QApplication::exec();
}
