#pragma once

#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"

#include <cstdio>

// A headless test main on a session bus of the test's own, where nothing is activated (no Secret Service unless
// the test provides one). The bus is set before anything opens the session bus, since GLib keeps its first
// connection for the whole process, and stopped last, after the application, since GLib ends a process whose
// session bus vanishes while its main loop still runs.
#define WISPLET_PRIVATE_BUS_TEST_MAIN(TestClass)                                                                       \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        TestSupport::prepareProcess();                                                                                 \
        TestEnvironment environment;                                                                                   \
        PrivateBus bus;                                                                                                \
        if (!bus.start()) {                                                                                            \
            std::fprintf(stderr, "No private bus: %s\n", qPrintable(bus.errorText()));                                 \
            return 1;                                                                                                  \
        }                                                                                                              \
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());                                                   \
        QGuiApplication app(argc, argv);                                                                               \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
