#include "Wisplet/Base/FileChooserDialog.h"
#include "tests/support/Files.h"
#include "tests/support/VisualOrder.h"
#include "tests/support/WidgetsTestMain.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QTreeView>

class TestFileChooserDialog final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // The dialog shown on the sample folder, with every entry listed; returns its list view.
    QAbstractItemView* showFolder(FileChooserDialog& dialog) const
    {
        dialog.setDirectory(m_dir.path());
        dialog.show();
        auto* view = dialog.findChild<QAbstractItemView*>("listView");
        if (!QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) == 4; }))
            return nullptr;
        return view;
    }

private slots:
    void initTestCase()
    {
        for (const char* name : {"a.txt", "b.png", "Folder/inner.txt", "Other/x.txt"})
            QVERIFY(TestFiles::write(m_dir.filePath(name), "x"));
    }

    void choosesFilesAndFoldersTogether()
    {
        FileChooserDialog dialog;
        QAbstractItemView* view = showFolder(dialog);
        QVERIFY(view);
        QSignalSpy chosen(&dialog, &FileChooserDialog::pathsChosen);
        view->selectAll();
        dialog.accept();
        QCOMPARE(chosen.size(), 1);
        QStringList paths = dialog.chosenPaths();
        paths.sort();
        QCOMPARE(paths,
                 (QStringList{m_dir.filePath("Folder"), m_dir.filePath("Other"), m_dir.filePath("a.txt"),
                              m_dir.filePath("b.png")}));
    }

    void aTypedFolderPathIsOpenedNotChosen()
    {
        FileChooserDialog dialog;
        QAbstractItemView* view = showFolder(dialog);
        QVERIFY(view);
        QSignalSpy chosen(&dialog, &FileChooserDialog::pathsChosen);
        dialog.findChild<QLineEdit*>("fileNameEdit")->setText(m_dir.filePath("Folder") + '/');
        view->selectAll();
        dialog.accept();
        QVERIFY(chosen.isEmpty());
        QCOMPARE(dialog.directory().absolutePath(), m_dir.filePath("Folder"));
    }

    void detailColumnsShowTheirContentWhole()
    {
        FileChooserDialog dialog;
        dialog.setViewMode(QFileDialog::Detail);
        dialog.resize(400, 300);
        QVERIFY(showFolder(dialog));
        auto* details = dialog.findChild<QTreeView*>("treeView");
        const QAbstractItemView* asView = details;
        QTRY_COMPARE(details->model()->rowCount(details->rootIndex()), 4);
        for (int column = 0; column < details->header()->count(); ++column)
            QTRY_VERIFY2(details->columnWidth(column) >= asView->sizeHintForColumn(column),
                         qPrintable(QString::number(column)));
    }

    void aNameShowsItsRealExtension_data()
    {
        QTest::addColumn<QFileDialog::ViewMode>("mode");
        QTest::addColumn<QString>("view");
        QTest::newRow("list") << QFileDialog::List << "listView";
        QTest::newRow("details") << QFileDialog::Detail << "treeView";
    }

    void aNameShowsItsRealExtension()
    {
        QFETCH(QFileDialog::ViewMode, mode);
        QFETCH(QString, view);
        QTemporaryDir folder;
        QVERIFY(TestFiles::write(folder.filePath(QStringLiteral(u"rtl\u202Etxt.exe")), "x"));
        FileChooserDialog dialog;
        dialog.setViewMode(mode);
        dialog.setDirectory(folder.path());
        dialog.show();
        auto* shown = dialog.findChild<QAbstractItemView*>(view);
        QTRY_COMPARE(shown->model()->rowCount(shown->rootIndex()), 1);
        const QModelIndex name = shown->model()->index(0, 0, shown->rootIndex());
        const auto* painter = qobject_cast<const QStyledItemDelegate*>(shown->itemDelegateForIndex(name));
        QVERIFY(painter);
        const QString text = painter->displayText(name.data(), QLocale());
        const qsizetype at = text.lastIndexOf(QStringLiteral("txt.exe"));
        QVERIFY2(at > 0, qPrintable(text));
        QVERIFY(VisualOrder::endReadsInOrder(text, text.size() - at));
    }

    // Typed into a folder, then Open: that folder is the choice.
    void openWithNothingSelectedChoosesTheFolderShown()
    {
        FileChooserDialog dialog;
        QAbstractItemView* view = showFolder(dialog);
        QVERIFY(view);
        QSignalSpy chosen(&dialog, &FileChooserDialog::pathsChosen);
        auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
        edit->setText(m_dir.filePath("Folder"));
        QTest::keyClick(edit, Qt::Key_Return);
        QTRY_COMPARE(dialog.directory().absolutePath(), m_dir.filePath("Folder"));
        QPushButton* open = dialog.findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open);
        QTRY_VERIFY(open->isEnabled());
        open->click();
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(dialog.chosenPaths(), QStringList{m_dir.filePath("Folder")});
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestFileChooserDialog)
#include "tst_filechooserdialog.moc"
