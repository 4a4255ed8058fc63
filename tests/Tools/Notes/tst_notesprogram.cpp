#include "Wisplet/Tools/Notes/WispNote.h"
#include "tests/support/Files.h"
#include "tests/support/LaunchedProgram.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"
#include "tests/support/TinyDisk.h"
#include "tests/support/XTools.h"

#include <QDir>
#include <QElapsedTimer>

namespace {

using XTools::timeoutMs;

const QByteArray twoNotes =
    R"([{"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","title":"First","text":"one","pinned":false,"updated":100},)"
    R"({"id":"7F9619FF-8B86-D011-B42D-00C04FC964FF","title":"Second","text":"two","pinned":false,"updated":50}])";

int shapeHeight(quint32 window)
{
    return XTools::boundingShape(window).height();
}

} // namespace

// The built program with its data folder on a small disk, driven from the keyboard as a user does.
class TestNotesProgram final : public QObject
{
    Q_OBJECT

private:
    PrivateBus m_bus;
    TempFolder m_home;

    std::unique_ptr<QProcess> start(const QString& dataHome)
    {
        auto wisplet = LaunchedProgram::start(QStringLiteral(WISPLET_BINARY),
                                              {{QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus.address()},
                                               {QStringLiteral("HOME"), m_home.path()},
                                               {QStringLiteral("XDG_CONFIG_HOME"), m_home.file("config")},
                                               {QStringLiteral("XDG_DATA_HOME"), dataHome},
                                               {QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0")}});
        return wisplet;
    }

    std::unique_ptr<QProcess> start(const TinyDisk& disk) { return start(disk.path()); }

    // Opens the notes page with its hot key and makes a note from the keyboard, which then has it; returns
    // the panel's collapsed height.
    int openNewNote(QProcess& wisplet)
    {
        int collapsed = 0;
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(LaunchedProgram::visibleWindowOf(wisplet) != 0, timeoutMs);
            const quint32 panel = LaunchedProgram::visibleWindowOf(wisplet);
            QTRY_VERIFY_WITH_TIMEOUT(shapeHeight(panel) > 0, timeoutMs);
            collapsed = shapeHeight(panel);
            QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+1")}));
            QTRY_VERIFY_WITH_TIMEOUT(shapeHeight(panel) > collapsed, timeoutMs);
            // From the selected tab: More, the tool search, the notes' search field, the list, then "New note".
            QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("Tab"), QStringLiteral("Tab"),
                                     QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"),
                                     QStringLiteral("space")}));
        }();
        return collapsed;
    }

    // Types into a new note and closes the panel: the Escape that closes it comes after the typing, so once
    // the panel is closed the text is in.
    void typeNewNote(QProcess& wisplet, const QString& text)
    {
        const int collapsed = openNewNote(wisplet);
        QVERIFY(collapsed > 0);
        const quint32 panel = LaunchedProgram::visibleWindowOf(wisplet);
        QVERIFY(XTools::xdotool({QStringLiteral("type"), text}));
        QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("Escape")}));
        QTRY_COMPARE_WITH_TIMEOUT(shapeHeight(panel), collapsed, timeoutMs);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_bus.start(), qPrintable(m_bus.errorText()));
        QVERIFY(TestFiles::write(m_home.file("config/Wisplet/defaults.json"),
                                 R"({"onboarded": true, "tools.order": ["notes"], "tools.enabled": ["notes"]})"));
    }

    void aFullDiskLosesNoNote()
    {
        TinyDisk disk;
        TINY_DISK_OR_SKIP(disk);
        const QString notes = disk.file("Wisplet/notes-v2.json");
        QVERIFY(TestFiles::write(notes, twoNotes));

        auto wisplet = start(disk);
        QVERIFY(disk.fill());
        typeNewNote(*wisplet, QStringLiteral("typed on a full disk"));
        wisplet->terminate();
        QVERIFY(LaunchedProgram::exitedWith(*wisplet, 0));
        QCOMPARE(TestFiles::read(notes), twoNotes);
        // Beside the notes only the one-instance lock, which stays.
        QCOMPARE(QDir(disk.file("Wisplet")).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"notes-v2.json", "wisplet.lock"}));

        // Started again with room: both notes are there, and the next change is kept beside them.
        disk.makeRoom();
        wisplet = start(disk);
        typeNewNote(*wisplet, QStringLiteral("typed with room"));
        wisplet->terminate();
        QVERIFY(LaunchedProgram::exitedWith(*wisplet, 0));
        QStringList texts;
        for (const WispNote& note : decodeNotes(TestFiles::read(notes)).value_or(QList<WispNote>()))
            texts.append(note.text);
        QCOMPARE(texts, (QStringList{"typed with room", "one", "two"}));
    }

    // What a kill left beside the notes and the links goes when the program starts, before either page is
    // ever opened (they are read only then); the user's own files beside them stay.
    void leftoversGoAtStart()
    {
        const TempFolder data;
        const QStringList leftovers{"Wisplet/notes-v2.json.~a1B2c3", "Wisplet/links.json.~Zz9yY8"};
        const QStringList kept{"Wisplet/notes-v2.json", "Wisplet/notes-v2.json.backup", "Wisplet/links.json"};
        for (const QString& name : leftovers + kept)
            QVERIFY(TestFiles::write(data.file(name), "[]"));
        auto wisplet = start(data.path());
        QTRY_VERIFY_WITH_TIMEOUT(LaunchedProgram::visibleWindowOf(*wisplet) != 0, timeoutMs * 3);
        for (const QString& name : leftovers)
            QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(data.file(name)), timeoutMs);
        for (const QString& name : kept)
            QVERIFY(QFileInfo::exists(data.file(name)));
        wisplet->terminate();
        QVERIFY(LaunchedProgram::exitedWith(*wisplet, 0));
    }

    // Typing without a pause, eight keys a second, and then the program killed: what was typed is on the disk
    // at least every 2 s while the typing goes on (3 s here, for a loaded machine), not only after a pause.
    void steadyTypingIsOnDiskBeforeAKill()
    {
        const TempFolder data;
        const QString notes = data.file("Wisplet/notes-v2.json");
        auto wisplet = start(data.path());
        QVERIFY(openNewNote(*wisplet) > 0);
        const QString text = QStringLiteral("steady typing without a pause keeps going on and on and on and on");
        QProcess typing;
        typing.start(QStringLiteral("xdotool"),
                     {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("125"), text});
        QElapsedTimer clock;
        clock.start();
        QString onDisk;
        qint64 lastGrowth = 0;
        qint64 longestWait = 0;
        while (clock.elapsed() < 4'500) {
            QTest::qWait(50);
            const QString now = decodeNotes(TestFiles::read(notes)).value_or(QList<WispNote>()).value(0).text;
            if (now.size() > onDisk.size()) {
                onDisk = now;
                lastGrowth = clock.elapsed();
            }
            longestWait = std::max(longestWait, clock.elapsed() - lastGrowth);
        }
        wisplet->kill();
        QVERIFY(wisplet->waitForFinished(timeoutMs));
        typing.kill();
        typing.waitForFinished(timeoutMs);
        QVERIFY2(longestWait <= 3'000, qPrintable(QStringLiteral("%1 ms with nothing new on disk").arg(longestWait)));
        const QString kept = decodeNotes(TestFiles::read(notes)).value_or(QList<WispNote>()).value(0).text;
        QVERIFY2(kept.size() >= onDisk.size() && text.startsWith(kept), qPrintable(kept));
    }
};

WISPLET_TEST_MAIN(TestNotesProgram)
#include "tst_notesprogram.moc"
