#include "Wisplet/Platform/PrivateFiles.h"
#include "tests/support/Files.h"
#include "tests/support/LaunchedProgram.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"
#include "tests/support/XTools.h"

namespace {

// The user's settings as the program left them at an earlier quit today, written compactly by hand: any save
// would indent them.
QByteArray usersFile(const char* faceSize)
{
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    return QStringLiteral(R"({"onboarded":true,"faceSize":"%1","accent":"rose","focus.hydration":0,)"
                          R"("focus.autoAdvance":false,"focus.sessionsDay":"%2","focus.sessionsCount":2})")
        .arg(QLatin1String(faceSize), today)
        .toUtf8();
}

} // namespace

// The built program started and ended (SIGTERM) as the desktop does it, with nothing touched in between.
class TestSettingsAtQuit final : public QObject
{
    Q_OBJECT

private slots:
    void aPlainQuitLeavesTheFileAlone_data()
    {
        QTest::addColumn<bool>("editedWhileRunning");
        QTest::newRow("nothing touched") << false;
        QTest::newRow("edited by hand while it runs") << true;
    }

    void aPlainQuitLeavesTheFileAlone()
    {
        QFETCH(bool, editedWhileRunning);
        PrivateBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.errorText()));
        const TempFolder home;
        const QString path = home.file(QStringLiteral("config/Wisplet/defaults.json"));
        QVERIFY(TestFiles::write(path, usersFile("large")));
        // What a save cut short by a power cut left beside it.
        const QString leftover = path + QStringLiteral(".q7Zr2k");
        QVERIFY(TestFiles::write(leftover, "{\"half"));
        PrivateFiles::FileStamp stamp = PrivateFiles::stampOf(path);

        const auto wisplet =
            LaunchedProgram::start(QStringLiteral(WISPLET_BINARY),
                                   {{QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address()},
                                    {QStringLiteral("HOME"), home.path()},
                                    {QStringLiteral("XDG_CONFIG_HOME"), home.file(QStringLiteral("config"))},
                                    {QStringLiteral("XDG_DATA_HOME"), home.file(QStringLiteral("data"))},
                                    {QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0")}});
        QTRY_VERIFY_WITH_TIMEOUT(LaunchedProgram::visibleWindowOf(*wisplet) != 0, XTools::timeoutMs);
        QVERIFY(!QFileInfo::exists(leftover));

        const QByteArray expected = usersFile(editedWhileRunning ? "small" : "large");
        if (editedWhileRunning) {
            QVERIFY(TestFiles::replace(path, expected));
            stamp = PrivateFiles::stampOf(path);
        }
        wisplet->terminate();
        QVERIFY(LaunchedProgram::exitedWith(*wisplet, 0));
        QCOMPARE(TestFiles::read(path), expected);
        QVERIFY(PrivateFiles::stampOf(path) == stamp);
    }
};

WISPLET_TEST_MAIN(TestSettingsAtQuit)
#include "tst_settingsatquit.moc"
