#include "Wisplet/Tools/Notes/WispNote.h"
#include "tests/support/Files.h"
#include "tests/support/LaunchedProgram.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"
#include "tests/support/TinyDisk.h"
#include "tests/support/XTools.h"

#include <QDir>

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

    std::unique_ptr<QProcess> start(const TinyDisk& disk)
    {
        auto wisplet = LaunchedProgram::start(QStringLiteral(WISPLET_BINARY),
                                              {{QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus.address()},
                                               {QStringLiteral("HOME"), m_home.path()},
                                               {QStringLiteral("XDG_CONFIG_HOME"), m_home.file("config")},
                                               {QStringLiteral("XDG_DATA_HOME"), disk.path()},
                                               {QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0")}});
        return wisplet;
    }

    // Opens the notes page with its hot key, makes a note from the keyboard, types into it and closes the
    // panel: the Escape that closes it comes after the typing, so once the panel is closed the text is in.
    void typeNewNote(QProcess& wisplet, const QString& text)
    {
        QTRY_VERIFY_WITH_TIMEOUT(LaunchedProgram::visibleWindowOf(wisplet) != 0, timeoutMs);
        const quint32 panel = LaunchedProgram::visibleWindowOf(wisplet);
        QTRY_VERIFY_WITH_TIMEOUT(shapeHeight(panel) > 0, timeoutMs);
        const int collapsed = shapeHeight(panel);
        QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+1")}));
        QTRY_VERIFY_WITH_TIMEOUT(shapeHeight(panel) > collapsed, timeoutMs);
        // The search field, the list, then "New note".
        QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("Tab"), QStringLiteral("Tab"),
                                 QStringLiteral("Tab"), QStringLiteral("space")}));
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
};

WISPLET_TEST_MAIN(TestNotesProgram)
#include "tst_notesprogram.moc"
