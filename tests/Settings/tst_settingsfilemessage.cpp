#include "Wisplet/Base/Colours.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Settings/SettingsFileMessage.h"
#include "tests/support/Files.h"
#include "tests/support/WidgetsTestMain.h"

#include <QLabel>

// The settings window's line follows what became of the settings file, as the user meets it.
class TestSettingsFileMessage final : public QObject
{
    Q_OBJECT

private slots:
    void saysWhatBecameOfTheFile()
    {
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("defaults.json"));
        QVERIFY(TestFiles::write(path, R"({"a": 1})"));
        Defaults defaults(path);
        QWidget window;
        QLabel* line = settingsFileMessage(defaults, &window);
        const auto colour = [line] { return line->palette().color(QPalette::WindowText); };
        QVERIFY(!line->isVisibleTo(&window));

        // A folder in the file's way: the save fails and the line says so, in orange.
        QVERIFY(QFile::remove(path) && QDir().mkpath(path + QStringLiteral("/inside")));
        defaults.set(QStringLiteral("b"), 2);
        QVERIFY(!defaults.flush());
        QVERIFY(line->isVisibleTo(&window));
        QVERIFY2(line->text().contains(QLatin1String("could not be saved")), qPrintable(line->text()));
        QCOMPARE(colour(), warningOrange);

        // Out of the way, the next change saves and the line goes.
        QVERIFY(QDir(path).removeRecursively());
        defaults.set(QStringLiteral("c"), 3);
        QVERIFY(defaults.flush());
        QVERIFY(!line->isVisibleTo(&window));

        // Another program's change taken in is said too, but not as a warning.
        QVERIFY(TestFiles::replace(path, R"({"a": 5, "b": 2, "c": 3})"));
        defaults.set(QStringLiteral("d"), 4);
        QVERIFY(defaults.flush());
        QVERIFY(line->isVisibleTo(&window));
        QVERIFY2(line->text().contains(QLatin1String("changed outside Wisplet")), qPrintable(line->text()));
        QVERIFY(colour() != warningOrange);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestSettingsFileMessage)
#include "tst_settingsfilemessage.moc"
