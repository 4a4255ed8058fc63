#include "tests/support/Files.h"
#include "tests/support/LaunchedProgram.h"
#include "tests/support/TestMain.h"
#include "tests/support/TinyDisk.h"
#include "tests/support/XTools.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>

namespace {

using XTools::timeoutMs;

// What the program said on standard error so far, all of it.
QString saidBy(QProcess& program, QString& said)
{
    said += QString::fromUtf8(program.readAllStandardError());
    return said;
}

// A store the user changes once the disk is full.
struct StoreRow
{
    QByteArray defaults;
    // The store's file, as the program finds it at start; null for none.
    QString fileName;
    QByteArray contents;
    // The change, made in the open panel (its top left corner given), with a helper program when it needs one.
    std::function<void(const QPoint& panelCorner, QProcess& helper)> change;
    // What the question and standard error call it.
    QString name;
    // The settings' folder is on the full disk too.
    bool settingsOnTheDisk = false;
    // The program is told to end (a logout, a kill) while it asks.
    bool endedWhileAsking = false;
    // Clicks that a loaded machine may lose before the page is ready; made again until the save fails.
    bool repeatable = false;
    // What the settings file holds once the store kept what it could not write; empty for a store that says
    // so on standard error.
    QByteArray keptInSettings = {};
};

// One reference on the shelf, to a picture somewhere else.
QByteArray shelfWith(const QString& picture)
{
    const QByteArray bookmark = QJsonDocument(QJsonObject{{"path", picture}}).toJson(QJsonDocument::Compact);
    return QJsonDocument(QJsonArray{QJsonObject{{"id", "0F8FAD5B-D9CB-469F-A165-70867728950E"},
                                                {"bookmark", QString::fromLatin1(bookmark.toBase64())},
                                                {"name", "picture.png"}}})
        .toJson(QJsonDocument::Compact);
}

} // namespace

Q_DECLARE_METATYPE(StoreRow)

// The built program quitting from its own menu key while a store cannot be saved.
class TestQuitQuestion final : public QObject
{
    Q_OBJECT

private:
    TempFolder m_pictures;

private slots:
    void initTestCase() { QVERIFY(TestFiles::write(m_pictures.file("picture.png"), "not really a picture")); }

    void aStoreThatCannotBeSavedIsAskedAbout_data()
    {
        QTest::addColumn<StoreRow>("row");
        QTest::newRow("the clipboard history") << StoreRow{
            R"({"onboarded": true, "tools.order": ["clipboard"], "tools.enabled": ["clipboard"],)"
            R"( "clipboard.consent": true})",
            {},
            {},
            [](const QPoint&, QProcess& copy) {
                // Without -quiet, xclip would fork and outlive the test.
                copy.start(QStringLiteral("xclip"),
                           {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
                copy.waitForStarted(timeoutMs);
                copy.write("copied on a full disk");
                copy.closeWriteChannel();
            },
            "the clipboard history"};
        QTest::newRow("the shelf") << StoreRow{
            R"({"onboarded": true, "tools.order": ["files"], "tools.enabled": ["files"]})",
            "shelf.json",
            shelfWith(m_pictures.file("picture.png")),
            [](const QPoint& panelCorner, QProcess&) {
                // The picture, then "Remove from shelf".
                XTools::clickAt(panelCorner + QPoint(123, 212));
                XTools::clickAt(panelCorner + QPoint(382, 400));
            },
            "the shelf",
            false,
            false,
            true};
        StoreRow settings{
            R"({"onboarded": true, "tools.order": ["files", "links"], "tools.enabled": ["files", "links"]})",
            {},
            {},
            // The other tool's page: the selected tool is a setting.
            [](const QPoint&, QProcess&) {
                XTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+2")});
            },
            "your settings",
            true};
        QTest::newRow("the settings") << settings;
        // A reminder typed into the list, which is on the full disk.
        QTest::newRow("your reminders") << StoreRow{
            R"({"onboarded": true, "tools.order": ["calendar"], "tools.enabled": ["calendar"],)"
            R"( "reminders.folder": "@disk@/reminders"})",
            {},
            {},
            [](const QPoint& panelCorner, QProcess&) {
                // "Reminders", then the new reminder's field.
                XTools::clickAt(panelCorner + QPoint(433, 154));
                XTools::clickAt(panelCorner + QPoint(220, 190));
                XTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
                XTools::xdotool({QStringLiteral("type"), QStringLiteral("Call Ana")});
                XTools::xdotool({QStringLiteral("key"), QStringLiteral("Return")});
            },
            "your reminders",
            false,
            false,
            true,
            "reminders.unfinishedWrites"};
        settings.endedWhileAsking = true;
        QTest::newRow("the settings, a kill while asking") << settings;
    }

    // A change made on a full disk: quitting asks before it is lost, in one question that names the store, and
    // a quit that goes on says on standard error what was not saved.
    void aStoreThatCannotBeSavedIsAskedAbout()
    {
        QFETCH(StoreRow, row);
        TinyDisk disk;
        TINY_DISK_OR_SKIP(disk);
        // Notes with nothing to save, so that only the store is left unsaved.
        QVERIFY(TestFiles::write(disk.file("Wisplet/notes-v2.json"), "[]"));
        if (!row.fileName.isEmpty())
            QVERIFY(TestFiles::write(disk.file("Wisplet/" + row.fileName), row.contents));
        QVERIFY(QDir().mkpath(disk.file("reminders")));
        row.defaults.replace("@disk@", disk.path().toUtf8());
        LaunchedProgram::Session wisplet;
        QVERIFY(QFile::link(disk.path(), wisplet.homeFile(QStringLiteral("data"))));
        if (row.settingsOnTheDisk) {
            QVERIFY(QDir().mkpath(disk.file("settings")) && QDir().mkpath(wisplet.homeFile(QStringLiteral("config"))));
            QVERIFY(QFile::link(disk.file("settings"), wisplet.homeFile(QStringLiteral("config/Wisplet"))));
        }
        QVERIFY2(wisplet.start(QStringLiteral(WISPLET_BINARY), row.defaults), qPrintable(wisplet.errorText()));
        QVERIFY(disk.fill());

        // The panel opens with the keyboard, which the quit's key then reaches, and comes to rest.
        const quint32 panel = wisplet.panel();
        QVERIFY(LaunchedProgram::openPanelWithKey(panel, QStringLiteral("ctrl+alt+1")));
        QProcess helper;
        QString said;
        const auto saveFailed = [&] {
            if (!row.keptInSettings.isEmpty())
                return TestFiles::read(wisplet.homeFile(QStringLiteral("config/Wisplet/defaults.json")))
                    .contains(row.keptInSettings);
            return saidBy(wisplet.process(), said).contains(QLatin1String(" (No space left"));
        };
        for (int tries = row.repeatable ? 3 : 1; tries > 0 && !saveFailed(); --tries) {
            row.change(XTools::frameOf(panel).topLeft(), helper);
            if (QTest::qWaitFor(saveFailed, row.repeatable ? timeoutMs : timeoutMs * 3))
                break;
        }
        QVERIFY(saveFailed());

        QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+q")}));
        const QString title = QStringLiteral("^Your changes could not be saved$");
        QTRY_COMPARE_WITH_TIMEOUT(LaunchedProgram::visibleWindowsOf(wisplet.process(), title).size(), 1, timeoutMs * 3);
        if (!row.endedWhileAsking) {
            // "Keep Open" is the default: the program stays.
            QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
            QTRY_VERIFY_WITH_TIMEOUT(LaunchedProgram::visibleWindowsOf(wisplet.process(), title).isEmpty(), timeoutMs);
            QCOMPARE(wisplet.process().state(), QProcess::Running);
        }

        // A signal is no question the user can turn down: the program ends, saying what it could not save.
        wisplet.process().terminate();
        QVERIFY(LaunchedProgram::exitedWith(wisplet.process(), 0));
        QVERIFY2(saidBy(wisplet.process(), said).contains("quit without saving " + row.name + "."), qPrintable(said));
        helper.kill();
        helper.waitForFinished(timeoutMs);
    }
};

WISPLET_TEST_MAIN(TestQuitQuestion)
#include "tst_quitquestion.moc"
