#include "Wisplet/Platform/PrivateFiles.h"
#include "tests/support/Files.h"
#include "tests/support/LaunchedProgram.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"
#include "tests/support/XTools.h"

// The built program started and ended (SIGTERM) as the desktop does it, with nothing touched in between.
class TestSettingsAtQuit final : public QObject
{
    Q_OBJECT

private slots:
    void aPlainQuitLeavesTheFileAlone()
    {
        PrivateBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.errorText()));
        const TempFolder home;
        const QString path = home.file(QStringLiteral("config/Wisplet/defaults.json"));
        // As the program left them at a quit earlier today, then compacted by hand: any save would indent them.
        const QByteArray users = QStringLiteral(R"({"onboarded":true,"faceSize":"large","focus.hydration":0,)"
                                                R"("focus.autoAdvance":false,"focus.sessionsDay":"%1"})")
                                     .arg(QDate::currentDate().toString(Qt::ISODate))
                                     .toUtf8();
        QVERIFY(TestFiles::write(path, users));
        const PrivateFiles::FileStamp stamp = PrivateFiles::stampOf(path);
        // What a save cut short by a power cut left beside it.
        QVERIFY(TestFiles::write(path + QStringLiteral(".q7Zr2k"), "{\"half"));

        const auto wisplet =
            LaunchedProgram::start(QStringLiteral(WISPLET_BINARY), LaunchedProgram::homeOnBus(bus.address(), home));
        QTRY_VERIFY_WITH_TIMEOUT(LaunchedProgram::visibleWindowOf(*wisplet) != 0, XTools::timeoutMs);
        QVERIFY(!QFileInfo::exists(path + QStringLiteral(".q7Zr2k")));
        wisplet->terminate();
        QVERIFY(LaunchedProgram::exitedWith(*wisplet, 0));
        QCOMPARE(TestFiles::read(path), users);
        QVERIFY(PrivateFiles::stampOf(path) == stamp);
    }
};

WISPLET_TEST_MAIN(TestSettingsAtQuit)
#include "tst_settingsatquit.moc"
