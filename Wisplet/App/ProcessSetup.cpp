#include "Wisplet/App/ProcessSetup.h"

#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>

#include <cstdio>

void prepareEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

void configureApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Wisplet"));
    QCoreApplication::setApplicationVersion(QStringLiteral(WISPLET_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.tidewell.wisplet"));
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/wisplet.svg")));
    // Sprite sheets and shelf images can exceed Qt's default of 256 MB once decoded.
    QImageReader::setAllocationLimit(400);
}

void reportProblem(const QString& message)
{
    std::fprintf(stderr, "Wisplet: %s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}
