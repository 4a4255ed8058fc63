#pragma once

#include "tests/support/TestEnvironment.h"

// What most tests use, in one place.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

namespace TestSupport {

inline void prepareProcess()
{
    // The program raises Qt's image allocation limit the same way.
    QImageReader::setAllocationLimit(400);
    // Local-versus-UTC mistakes hide in UTC, which is what CI runs in.
    qputenv("TZ", "Pacific/Auckland");
}

} // namespace TestSupport

// A test main with private user folders and an application of the given class, on the platform the test
// label chose (offscreen unless told otherwise).
#define WISPLET_TEST_MAIN_WITH(ApplicationClass, TestClass)                                                            \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        TestSupport::prepareProcess();                                                                                 \
        TestEnvironment environment;                                                                                   \
        ApplicationClass app(argc, argv);                                                                              \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }

// Headless tests: a GUI application, no widgets.
#define WISPLET_TEST_MAIN(TestClass) WISPLET_TEST_MAIN_WITH(QGuiApplication, TestClass)
