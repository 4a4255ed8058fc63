#include "Wisplet/Base/FileChooserDialog.h"
#include "tests/support/Files.h"
#include "tests/support/WidgetsTestMain.h"
#include "tests/support/XTools.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

using XTools::timeoutMs;

// The chooser as the user drives it, through the X server: keys typed into the name field, Return, a click.
class TestFileChooserKeys final : public QObject
{
    Q_OBJECT

private slots:
    void aTypedPathAndReturnLeaveOpenOneClickAway()
    {
        QTemporaryDir folder;
        QVERIFY(TestFiles::write(folder.filePath(QStringLiteral("Folder/inner.txt")), "x"));
        FileChooserDialog dialog;
        dialog.setDirectory(folder.path());
        QSignalSpy chosen(&dialog, &FileChooserDialog::pathsChosen);
        dialog.show();
        dialog.activateWindow();
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isActiveWindow() && edit->hasFocus(), timeoutMs);

        QVERIFY(XTools::xdotool({"type", "--delay", "20", folder.filePath(QStringLiteral("Fol"))}));
        // The completion the user then sees, and answers by typing on.
        QTRY_VERIFY_WITH_TIMEOUT(edit->completer()->popup()->isVisible(), timeoutMs);
        QVERIFY(XTools::xdotool({"type", "--delay", "20", "der/"}));

        QVERIFY(XTools::xdotool({"key", "Return"}));
        QTRY_COMPARE_WITH_TIMEOUT(dialog.directory().absolutePath(), folder.filePath(QStringLiteral("Folder")),
                                  timeoutMs);

        // The completion of what was typed ends with the folder it opened; left open it would take the click.
        QTRY_VERIFY_WITH_TIMEOUT(!edit->completer()->popup()->isVisible(), timeoutMs);
        QPushButton* open = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open);
        QTRY_VERIFY_WITH_TIMEOUT(open->isEnabled(), timeoutMs);
        // Once the completion is gone, the click reaches Open; one a loaded machine lost is made again (after a
        // click that counted, the dialog is gone and a second reaches nothing).
        for (int tries = 0; tries < 3 && chosen.isEmpty(); ++tries) {
            QVERIFY(XTools::clickAt(open->mapToGlobal(open->rect().center())));
            if (QTest::qWaitFor([&] { return !chosen.isEmpty(); }, timeoutMs / 3))
                break;
        }
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(dialog.chosenPaths(), QStringList{folder.filePath(QStringLiteral("Folder"))});
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestFileChooserKeys)
#include "tst_filechooserkeys.moc"
