#include "Wisplet/Platform/XdgAutostart.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"

#include <QHash>

namespace {

// Reads an Exec value back the way a session's launcher does: string escapes first, then the quoting rules
// (inside double quotes a backslash escapes " ` $ and itself), then field codes, of which only %% may occur.
// Gives the arguments, or nothing for a value a launcher would reject.
std::optional<QStringList> parseExec(const QString& value)
{
    QString unescaped;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) != u'\\') {
            unescaped += value.at(i);
            continue;
        }
        static const QHash<QChar, QChar> escapes{
            {u's', u' '}, {u'n', u'\n'}, {u't', u'\t'}, {u'r', u'\r'}, {u'\\', u'\\'}};
        if (++i == value.size() || !escapes.contains(value.at(i)))
            return std::nullopt;
        unescaped += escapes.value(value.at(i));
    }

    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QStringList arguments;
    QString current;
    bool inArgument = false;
    for (qsizetype i = 0; i < unescaped.size(); ++i) {
        const QChar c = unescaped.at(i);
        if (c == u' ') {
            if (inArgument)
                arguments.append(current);
            current.clear();
            inArgument = false;
        } else if (c == u'"') {
            inArgument = true;
            for (++i;; ++i) {
                if (i == unescaped.size())
                    return std::nullopt;
                QChar inner = unescaped.at(i);
                if (inner == u'"')
                    break;
                if (inner == u'\\') {
                    if (++i == unescaped.size())
                        return std::nullopt;
                    inner = unescaped.at(i);
                    if (!QStringLiteral("\"`$\\").contains(inner))
                        return std::nullopt;
                }
                current += inner;
            }
        } else if (reserved.contains(c)) {
            return std::nullopt;
        } else {
            inArgument = true;
            current += c;
        }
    }
    if (inArgument)
        arguments.append(current);

    for (QString& argument : arguments) {
        QString expanded;
        for (qsizetype i = 0; i < argument.size(); ++i) {
            if (argument.at(i) == u'%') {
                if (++i == argument.size() || argument.at(i) != u'%')
                    return std::nullopt;
            }
            expanded += argument.at(i);
        }
        argument = expanded;
    }
    return arguments;
}

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

} // namespace

class TestXdgAutostart final : public QObject
{
    Q_OBJECT

private slots:
    void execValuesAreQuotedAndEscaped_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");

        QTest::newRow("percent that looks like a field code") << "/opt/%f/wisplet"
                                                              << "/opt/%%f/wisplet";
        QTest::newRow("carriage return") << "/opt/a\rb/wisplet"
                                         << "/opt/a\\rb/wisplet";
    }

    void execValuesAreQuotedAndEscaped()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);

        QCOMPARE(XdgAutostart::execValue(path), expected);
        QCOMPARE(parseExec(expected), std::optional<QStringList>(QStringList{path}));
    }

    void everyReservedCharacterIsQuoted()
    {
        for (const QChar c : QStringLiteral(" \t\n\"'\\><~|&;$*?#()`")) {
            const QString path = QStringLiteral("/opt/a%1b/wisplet").arg(c);
            const QString value = XdgAutostart::execValue(path);
            QVERIFY2(value.startsWith(u'"') && value.endsWith(u'"'), qPrintable(value));
            QVERIFY2(parseExec(value) == QStringList{path}, qPrintable(value));
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
        QCOMPARE(parseExec(entryValue(entry, "Exec")), std::optional<QStringList>(QStringList{executable}));

        // Enabling twice keeps one good entry.
        QCOMPARE(autostart.setEnabled(true), std::nullopt);
        QCOMPARE(parseExec(entryValue(entry, "Exec")), std::optional<QStringList>(QStringList{executable}));

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
        QCOMPARE(parseExec(entryValue(entry, "Exec")), std::optional<QStringList>(QStringList{absolute}));
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
    }

    void isEnabledReadsHiddenInTheMainGroupOnly()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, enabled);

        const TempFolder folder;
        const QString entry = folder.file(QStringLiteral("wisplet.desktop"));
        QVERIFY(TestFiles::write(entry, contents));
        QCOMPARE(XdgAutostart(entry, QStringLiteral("/usr/bin/wisplet")).isEnabled(), enabled);
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
