#include "tests/support/Files.h"
#include "tests/support/LaunchedProgram.h"
#include "tests/support/TestMain.h"
#include "tests/support/TinyDisk.h"
#include "tests/support/XTools.h"

#include <QFile>

namespace {

using XTools::timeoutMs;

// What the program said on standard error so far, all of it.
QString saidBy(QProcess& program, QString& said)
{
    said += QString::fromUtf8(program.readAllStandardError());
    return said;
}

} // namespace

// The built program quitting from its own menu key while a store cannot be saved.
class TestQuitQuestion final : public QObject
{
    Q_OBJECT

private slots:
    // A copy taken on a full disk: quitting asks before the history is lost, in one question that names it,
    // and a quit that goes on says on standard error what was not saved.
    void aHistoryThatCannotBeSavedIsAskedAbout()
    {
        TinyDisk disk;
        TINY_DISK_OR_SKIP(disk);
        // Notes with nothing to save, so that only the history is left unsaved.
        QVERIFY(TestFiles::write(disk.file("Wisplet/notes-v2.json"), "[]"));
        LaunchedProgram::Session wisplet;
        QVERIFY(QFile::link(disk.path(), wisplet.homeFile(QStringLiteral("data"))));
        QVERIFY2(wisplet.start(QStringLiteral(WISPLET_BINARY),
                               R"({"onboarded": true, "tools.order": ["clipboard"], "tools.enabled": ["clipboard"],)"
                               R"( "clipboard.consent": true})"),
                 qPrintable(wisplet.errorText()));
        QVERIFY(disk.fill());

        QProcess copy;
        copy.start(QStringLiteral("xclip"),
                   {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
        QVERIFY(copy.waitForStarted(timeoutMs));
        copy.write("copied on a full disk");
        copy.closeWriteChannel();
        QString said;
        QTRY_VERIFY_WITH_TIMEOUT(saidBy(wisplet.process(), said).contains(QLatin1String("clipboard.json (No space")),
                                 timeoutMs * 3);

        // The panel opens with the keyboard, which the quit's key then reaches.
        const int collapsed = XTools::boundingShape(wisplet.panel()).height();
        QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+1")}));
        QTRY_VERIFY_WITH_TIMEOUT(XTools::boundingShape(wisplet.panel()).height() > collapsed, timeoutMs);
        QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("ctrl+q")}));
        const QString title = QStringLiteral("^Your changes could not be saved$");
        QTRY_COMPARE_WITH_TIMEOUT(LaunchedProgram::visibleWindowsOf(wisplet.process(), title).size(), 1, timeoutMs * 3);
        QVERIFY(LaunchedProgram::visibleWindowsOf(wisplet.process(), QStringLiteral("note could not")).isEmpty());
        // "Keep Open" is the default: the program stays.
        QVERIFY(XTools::xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
        QTRY_VERIFY_WITH_TIMEOUT(LaunchedProgram::visibleWindowsOf(wisplet.process(), title).isEmpty(), timeoutMs);
        QCOMPARE(wisplet.process().state(), QProcess::Running);

        wisplet.process().terminate();
        QVERIFY(LaunchedProgram::exitedWith(wisplet.process(), 0));
        QVERIFY2(saidBy(wisplet.process(), said).contains(QLatin1String("quit without saving the clipboard history")),
                 qPrintable(said));
        copy.kill();
        copy.waitForFinished(timeoutMs);
    }
};

WISPLET_TEST_MAIN(TestQuitQuestion)
#include "tst_quitquestion.moc"
