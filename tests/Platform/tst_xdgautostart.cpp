#include "Wisplet/Platform/XdgAutostart.h"
#include "tests/support/Files.h"
#include "tests/support/StandIns.h"
#include "tests/support/TestMain.h"

namespace {

// The value of a key in the [Desktop Entry] group of the entry, as written.
QString entryValue(const QString& path, const QByteArray& key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().chopped(1);
        if (line.startsWith('['))
            inMainGroup = line == "[Desktop Entry]";
        else if (inMainGroup && line.startsWith(key + '='))
            return QString::fromUtf8(line.mid(key.size() + 1));
    }
    return {};
}

// Quoted for a reserved character; inside the quotes " ` $ and \ take a backslash, and the file's string escapes
// then double every backslash.
struct ExecRow
{
    const char* name;
    QString path;
    QString value;
} const execRows[] = {
    {"plain", "/usr/bin/wisplet", "/usr/bin/wisplet"},
    {"space", "/opt/a b/wisplet", "\"/opt/a b/wisplet\""},
    {"quote, backquote, dollar", "/opt/\"`$/wisplet", "\"/opt/\\\\\"\\\\`\\\\$/wisplet\""},
    {"backslash", "/opt/a\\b/wisplet", "\"/opt/a\\\\\\\\b/wisplet\""},
    {"tab and line feed", "/opt/a\tb\n/wisplet", "\"/opt/a\\tb\\n/wisplet\""},
    {"percent that looks like a field code", "/opt/%f/wisplet", "/opt/%%f/wisplet"},
    {"carriage return", "/opt/a\rb/wisplet", "/opt/a\\rb/wisplet"},
};

} // namespace

Q_DECLARE_METATYPE(ExecRow)

class TestXdgAutostart final : public QObject
{
    Q_OBJECT

private slots:
    void execValuesAreQuotedAndEscaped_data()
    {
        QTest::addColumn<ExecRow>("row");
        for (const ExecRow& row : execRows)
            QTest::newRow(row.name) << row;
    }

    void execValuesAreQuotedAndEscaped()
    {
        QFETCH(ExecRow, row);
        QCOMPARE(XdgAutostart::execValue(row.path), row.value);
    }

    void everyReservedCharacterIsQuoted()
    {
        for (const QChar c : QStringLiteral(" \t\n\"'\\><~|&;$*?#()`")) {
            const QString value = XdgAutostart::execValue(QStringLiteral("/opt/a%1b/wisplet").arg(c));
            QVERIFY2(value.startsWith(u'"') && value.endsWith(u'"'), qPrintable(value));
        }
    }

    void enablingWritesAnEntryThatStartsTheProgram_data()
    {
        QTest::addColumn<QString>("executable");

        QTest::newRow("plain") << "/usr/bin/wisplet";
        QTest::newRow("awkward") << "/home/j\u00f6 $x/My \"Apps\"/100%/back\\slash/wisplet";
    }

    void enablingWritesAnEntryThatStartsTheProgram()
    {
        QFETCH(QString, executable);

        const TempFolder folder;
        const QString entry = folder.file(QStringLiteral("config/autostart/com.tidewell.wisplet.desktop"));
        XdgAutostart autostart(entry, executable);
        QVERIFY(!autostart.isEnabled());

        QCOMPARE(autostart.setEnabled(true), std::nullopt);
        QVERIFY(autostart.isEnabled());
        QVERIFY(TestFiles::read(entry).startsWith("[Desktop Entry]\n"));
        QCOMPARE(entryValue(entry, "Type"), QStringLiteral("Application"));
        QCOMPARE(entryValue(entry, "Exec"), XdgAutostart::execValue(executable));

        // Enabling twice keeps one good entry.
        QCOMPARE(autostart.setEnabled(true), std::nullopt);
        QCOMPARE(entryValue(entry, "Exec"), XdgAutostart::execValue(executable));

        // Disabling removes it; already off is fine.
        QCOMPARE(autostart.setEnabled(false), std::nullopt);
        QVERIFY(!QFileInfo::exists(entry));
        QVERIFY(!autostart.isEnabled());
        QCOMPARE(autostart.setEnabled(false), std::nullopt);
    }

    void theEntryNamesTheProgramByItsAbsolutePath()
    {
        const TempFolder folder;
        const QString entry = folder.file(QStringLiteral("autostart/wisplet.desktop"));
        XdgAutostart autostart(entry, QStringLiteral("bin/wisplet"));
        QCOMPARE(autostart.setEnabled(true), std::nullopt);
        const QString absolute = QDir::current().absoluteFilePath(QStringLiteral("bin/wisplet"));
        QCOMPARE(entryValue(entry, "Exec"), XdgAutostart::execValue(absolute));
    }

    void withoutAKnownProgramNothingIsWritten()
    {
        const TempFolder folder;
        const QString entry = folder.file(QStringLiteral("autostart/wisplet.desktop"));
        XdgAutostart autostart(entry, QString());
        const std::optional<QString> error = autostart.setEnabled(true);
        QVERIFY(error && !error->isEmpty());
        QVERIFY(!QFileInfo::exists(entry));
        QVERIFY(!autostart.isEnabled());
    }

    void enablingReplacesAHiddenEntry()
    {
        const TempFolder folder;
        const QString entry = folder.file(QStringLiteral("autostart/wisplet.desktop"));
        QVERIFY(TestFiles::write(entry, "[Desktop Entry]\nType=Application\nExec=/old/wisplet\nHidden=true\n"));
        XdgAutostart autostart(entry, QStringLiteral("/usr/bin/wisplet"));
        QVERIFY(!autostart.isEnabled());
        QCOMPARE(autostart.setEnabled(true), std::nullopt);
        QVERIFY(autostart.isEnabled());
        QCOMPARE(entryValue(entry, "Exec"), QStringLiteral("/usr/bin/wisplet"));
    }

    void isEnabledReadsHiddenInTheMainGroupOnly_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("enabled");

        QTest::newRow("no Hidden key") << QByteArray("[Desktop Entry]\nType=Application\nExec=w\n") << true;
        QTest::newRow("Hidden = true") << QByteArray("[Desktop Entry]\nHidden = true\n") << false;
        QTest::newRow("Hidden=true, CRLF") << QByteArray("[Desktop Entry]\r\nHidden=true\r\n") << false;
        QTest::newRow("Hidden=1 is no Boolean") << QByteArray("[Desktop Entry]\nHidden=1\n") << true;
        QTest::newRow("a longer key") << QByteArray("[Desktop Entry]\nHiddenFromMenu=true\n") << true;
        QTest::newRow("in an action group")
            << QByteArray("[Desktop Entry]\nExec=w\n\n[Desktop Action quit]\nHidden=true\n") << true;
        QTest::newRow("before any group") << QByteArray("Hidden=true\n[Desktop Entry]\nExec=w\n") << true;
        QTest::newRow("main group after another")
            << QByteArray("[X-Other]\nExec=w\n[Desktop Entry]\nHidden=true\n") << false;
        QTest::newRow("a pipe in its place") << StandIns::fifo << false;
        QTest::newRow("a file of a gigabyte in its place") << StandIns::sized(1LL << 30) << false;
    }

    void isEnabledReadsHiddenInTheMainGroupOnly()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, enabled);

        const TempFolder folder;
        const QString entry = folder.file(QStringLiteral("wisplet.desktop"));
        QVERIFY(StandIns::place(entry, contents));
        QCOMPARE(XdgAutostart(entry, QStringLiteral("/usr/bin/wisplet")).isEnabled(), enabled);
    }

    void aWriteCutOffByAKillLeavesNothingPastTheNextStart()
    {
        const TempFolder folder;
        const QString entry = folder.file(QStringLiteral("autostart/wisplet.desktop"));
        QVERIFY(TestFiles::write(entry + QStringLiteral(".~a1B2c3"), "[Desktop Entry]\n"));
        QVERIFY(TestFiles::write(entry + QStringLiteral(".backup"), "[Desktop Entry]\n"));
        XdgAutostart autostart(entry, QStringLiteral("/usr/bin/wisplet"));
        QCOMPARE(QDir(folder.file(QStringLiteral("autostart"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("wisplet.desktop.backup")});
    }

    void aBlockedPathReportsAnError_data()
    {
        QTest::addColumn<QString>("blocker");
        QTest::addColumn<bool>("blockerIsFolder");

        QTest::newRow("a file where the autostart folder goes") << "autostart" << false;
        QTest::newRow("a folder where the entry goes") << "config/autostart/wisplet.desktop" << true;
    }

    void aBlockedPathReportsAnError()
    {
        QFETCH(QString, blocker);
        QFETCH(bool, blockerIsFolder);

        const TempFolder folder;
        const QString entry = blocker == QLatin1String("autostart")
            ? folder.file(QStringLiteral("autostart/wisplet.desktop"))
            : folder.file(QStringLiteral("config/autostart/wisplet.desktop"));
        QVERIFY(blockerIsFolder ? QDir().mkpath(folder.file(blocker) + QStringLiteral("/inside"))
                                : TestFiles::write(folder.file(blocker), "in the way"));
        XdgAutostart autostart(entry, QStringLiteral("/usr/bin/wisplet"));

        const std::optional<QString> error = autostart.setEnabled(true);
        QVERIFY(error);
        QVERIFY(!error->isEmpty());
        QVERIFY(!autostart.isEnabled());
        if (blockerIsFolder) {
            QVERIFY(QFileInfo(folder.file(blocker) + QStringLiteral("/inside")).isDir());
            // Nor can a folder be "disabled" away.
            const std::optional<QString> removal = autostart.setEnabled(false);
            QVERIFY(removal && !removal->isEmpty());
            QVERIFY(QFileInfo(folder.file(blocker) + QStringLiteral("/inside")).isDir());
        } else {
            QCOMPARE(TestFiles::read(folder.file(blocker)), QByteArray("in the way"));
        }
    }
};

WISPLET_TEST_MAIN(TestXdgAutostart)
#include "tst_xdgautostart.moc"
