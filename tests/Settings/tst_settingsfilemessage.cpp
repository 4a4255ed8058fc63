#include "Wisplet/Base/Colours.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Settings/SettingsFileMessage.h"
#include "tests/support/Files.h"
#include "tests/support/WidgetsTestMain.h"

#include <QLabel>

class TestSettingsFileMessage final : public QObject
{
    Q_OBJECT

private slots:
    // The settings window's line follows what becomes of the settings file.
    void saysWhatBecameOfTheFile()
    {
        const TempFolder folder;
        const QString path = folder.file(QStringLiteral("defaults.json"));
        Defaults defaults(path);
        QWidget window;
        QLabel* line = settingsFileMessage(defaults, &window);
        QVERIFY(!line->isVisibleTo(&window));

        QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
        defaults.set(QStringLiteral("a"), 1);
        QVERIFY(!defaults.flush());
        QVERIFY(line->isVisibleTo(&window) && line->text().contains(QLatin1String("could not be saved")));
        QCOMPARE(line->palette().color(QPalette::WindowText), warningOrange);

        QVERIFY(QDir(path).removeRecursively() && TestFiles::write(path, R"({"a": 1, "b": 2})"));
        defaults.set(QStringLiteral("c"), 3);
        QVERIFY(defaults.flush());
        QVERIFY(line->isVisibleTo(&window) && line->text().contains(QLatin1String("changed outside Wisplet")));
        QVERIFY(line->palette().color(QPalette::WindowText) != warningOrange);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestSettingsFileMessage)
#include "tst_settingsfilemessage.moc"
