#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Tools/Files/FileShelf.h"
#include "Wisplet/Tools/Files/FileShelfView.h"
#include "Wisplet/Tools/Files/ImageConvertView.h"
#include "Wisplet/Tools/Files/ShelfFileList.h"
#include "Wisplet/Tools/Files/ShelfFileModel.h"
#include "Wisplet/Tools/Files/ShelfPreviewWindow.h"
#include "tests/support/Files.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Images.h"
#include "tests/support/VisualOrder.h"
#include "tests/support/WidgetQuery.h"
#include "tests/support/WidgetsTestMain.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <algorithm>

#include <sys/stat.h>

struct ActionRow
{
    QStringList selected;
    bool quickLook;
    bool convert;
};
Q_DECLARE_METATYPE(ActionRow)

class TestFileShelfView final : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CompanionFixture> m_companion;
    std::unique_ptr<FileShelf> m_shelf;
    std::unique_ptr<FileShelfView> m_view;

    QString file(const QString& name) const { return m_dir->filePath("files/" + name); }
    void put(const QStringList& names)
    {
        QList<QUrl> urls;
        for (const QString& name : names)
            urls.append(QUrl::fromLocalFile(file(name)));
        m_shelf->add(urls);
    }
    QSet<QUuid> ids(const QStringList& names) const
    {
        QSet<QUuid> set;
        for (const ShelfItem& item : m_shelf->items()) {
            if (names.contains(item.name))
                set.insert(item.id);
        }
        return set;
    }
    PillButton* button(const QString& title) const { return childWithText<PillButton>(*m_view, title); }
    bool labelShown(const QString& text) const { return shownTexts<QLabel>(*m_view).contains(text); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        TestFiles::write(file("photo.png"), TestImages::marked({120, 80}, "png"));
        TestFiles::write(file("second.jpg"), TestImages::marked({60, 90}, "jpeg"));
        TestFiles::write(file("notes.txt"), "plain words\n");
        TestFiles::write(file("paper.pdf"), "%PDF-1.4");
        TestFiles::write(file("README"), "no extension");
        TestFiles::write(file("huge.png"), TestImages::pngClaiming({12000, 9000}));
        QDir().mkpath(file("shots.png"));
        m_companion = std::make_unique<CompanionFixture>();
        m_shelf = std::make_unique<FileShelf>(m_dir->filePath("support"));
        m_view = std::make_unique<FileShelfView>(*m_shelf, *m_companion->wisp);
        m_view->resize(560, 400);
    }
    void cleanup() { m_view.reset(); }

    void anEmptyShelfShowsThePlaceholder()
    {
        m_view->show();
        QVERIFY(labelShown("0/50"));
        QVERIFY(labelShown("Drop something here"));
        QVERIFY(!m_view->list().isVisible());
        put({"photo.png"});
        QVERIFY(labelShown("1/50"));
        QVERIFY(m_view->list().isVisible());
    }

    void actionsFollowTheSelection_data()
    {
        QTest::addColumn<ActionRow>("row");
        QTest::newRow("nothing") << ActionRow{{}, false, false};
        QTest::newRow("one png") << ActionRow{{"photo.png"}, true, true};
        QTest::newRow("two images") << ActionRow{{"photo.png", "second.jpg"}, true, false};
        QTest::newRow("a pdf") << ActionRow{{"paper.pdf"}, true, false};
        QTest::newRow("a folder named like an image") << ActionRow{{"shots.png"}, true, true};
    }
    void actionsFollowTheSelection()
    {
        QFETCH(ActionRow, row);
        put({"photo.png", "second.jpg", "paper.pdf", "README", "shots.png"});
        m_view->show();
        m_view->setSelectedIds(ids(row.selected));
        QCOMPARE(button("Quick Look")->isEnabled(), row.quickLook);
        QCOMPARE(button("Remove from shelf")->isEnabled(), row.quickLook);
        QCOMPARE(button("Convert image…")->isVisibleTo(m_view.get()), row.convert);
    }

    void aMissingFileIsMarkedAndStays()
    {
        put({"photo.png", "notes.txt"});
        QVERIFY(QFile::remove(file("notes.txt")));
        m_view->show();
        const ShelfFileModel& model = m_view->list().shelfModel();
        const QModelIndex missing = model.index(0);
        QCOMPARE(missing.data().toString(), QStringLiteral(u"\u2068notes.txt\u2069 · Missing"));
        QVERIFY(!(model.flags(missing) & Qt::ItemIsDragEnabled));
        QVERIFY(model.flags(model.index(1)) & Qt::ItemIsDragEnabled);
        QVERIFY(!model.mimeData({missing}));
        const std::unique_ptr<QMimeData> drag(model.mimeData({model.index(0), model.index(1)}));
        QCOMPARE(drag->urls(), QList<QUrl>{QUrl::fromLocalFile(file("photo.png"))});
        QCOMPARE(model.supportedDragActions(), Qt::CopyAction);

        QSignalSpy previews(&m_view->list(), &ShelfFileList::previewRequested);
        m_view->setSelectedIds(ids({"notes.txt"}));
        QTest::keyClick(&m_view->list(), Qt::Key_Space);
        QVERIFY(previews.isEmpty());
        m_view->previewSelected();
        QVERIFY(!m_view->preview());
        QCOMPARE(m_shelf->items().size(), 2);

        // A preview already open closes rather than go on showing the file before.
        m_view->setSelectedIds(ids({"photo.png"}));
        m_view->previewSelected();
        QVERIFY(m_view->preview() && m_view->preview()->isVisible());
        m_view->setSelectedIds(ids({"notes.txt"}));
        m_view->previewSelected();
        QVERIFY(!m_view->preview() || !m_view->preview()->isVisible());
    }

    // A right-to-left override in a name would list "rtl<RLO>txt.exe" as "rtlexe.txt"; the missing mark
    // after the name reads as written too.
    void aFileNameShowsItsRealExtension()
    {
        const QString name = QStringLiteral(u"rtl\u202Etxt.exe");
        QVERIFY(TestFiles::write(file(name), "MZ"));
        put({name});
        QVERIFY(QFile::remove(file(name)));
        m_view->show();
        const QString shown = m_view->list().shelfModel().index(0).data().toString();
        const QString end = QStringLiteral(u"txt.exe\u2069 · Missing");
        QVERIFY2(shown.endsWith(end), qPrintable(shown));
        QVERIFY(VisualOrder::endReadsInOrder(shown, end.size(), m_view->list().font()));
    }

    void theSelectionIsNeverWrittenBack()
    {
        put({"photo.png", "second.jpg", "notes.txt"});
        m_view->show();
        ShelfFileList& list = m_view->list();
        QSignalSpy written(&list, &ShelfFileList::selectedIdsChanged);
        list.setSelectedIds(ids({"photo.png"}) + QSet<QUuid>{QUuid::createUuid()});
        QCOMPARE(list.selectedIds(), ids({"photo.png"}));
        QSignalSpy changed(list.selectionModel(), &QItemSelectionModel::selectionChanged);
        list.setSelectedIds(ids({"photo.png"}));
        QVERIFY(changed.isEmpty());
        QVERIFY(written.isEmpty());

        // The user's own click is written.
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(list.model()->index(0, 0)).center());
        QCOMPARE(written.size(), 1);
        QCOMPARE(written.first().first().value<QSet<QUuid>>(), ids({"notes.txt"}));
    }

    void onlyANewIdSequenceResetsTheList()
    {
        put({"photo.png", "second.jpg"});
        ShelfFileModel& model = m_view->list().shelfModel();
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QList<ShelfItem> items = m_shelf->items();
        items[0].name = QStringLiteral("renamed");
        model.setItems(items);
        QCOMPARE(resets.size(), 0);
        std::swap(items[0], items[1]);
        model.setItems(items);
        QCOMPARE(resets.size(), 1);
    }

    void spacePreviewsAndArrowsPage()
    {
        put({"photo.png", "notes.txt", "paper.pdf"});
        m_view->show();
        QSignalSpy previews(&m_view->list(), &ShelfFileList::previewRequested);
        QTest::keyClick(&m_view->list(), Qt::Key_Space);
        QVERIFY(previews.isEmpty());

        m_view->setSelectedIds(ids({"photo.png"}));
        QTest::keyClick(&m_view->list(), Qt::Key_Space);
        QCOMPARE(previews.size(), 1);
        ShelfPreviewWindow* preview = m_view->preview();
        QVERIFY(preview);
        QTRY_COMPARE(preview->currentKind(), ShelfPreviewWindow::Kind::image);
        QTest::keyClick(preview, Qt::Key_Right);
        QCOMPARE(preview->currentPath(), file("photo.png"));
        QTest::keyClick(preview, Qt::Key_Left);
        QCOMPARE(preview->currentKind(), ShelfPreviewWindow::Kind::text);
        QTest::keyClick(preview, Qt::Key_Left);
        QCOMPARE(preview->currentKind(), ShelfPreviewWindow::Kind::other);
        QCOMPARE(preview->currentPath(), file("paper.pdf"));

        // Tab rings the first row without choosing it, and Space previews that row.
        preview->close();
        m_view->setSelectedIds({});
        m_view->list().setFocus(Qt::TabFocusReason);
        QTest::keyClick(&m_view->list(), Qt::Key_Space);
        QCOMPARE(previews.size(), 2);
        QCOMPARE(previews.last().first().toString(), file("paper.pdf"));
    }

    // Made while the keyboard is on another control of its window, the page leaves it there; Tab then takes the
    // page's controls as laid out, top to bottom and left to right.
    void theKeyboardGoesAsLaidOut()
    {
        put({"photo.png", "notes.txt"});
        QWidget window;
        auto* column = new QVBoxLayout(&window);
        auto* elsewhere = new QPushButton(QStringLiteral("Elsewhere"), &window);
        column->addWidget(elsewhere);
        window.resize(560, 460);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        elsewhere->setFocus();
        auto* page = new FileShelfView(*m_shelf, *m_companion->wisp, &window);
        QCOMPARE(QApplication::focusWidget(), elsewhere);

        column->addWidget(page);
        page->show();
        page->setSelectedIds(ids({"photo.png"}));
        QList<std::pair<int, int>> stops;
        for (QTest::keyClick(elsewhere, Qt::Key_Tab); QApplication::focusWidget() != elsewhere && stops.size() < 9;
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab)) {
            const QPoint at = QApplication::focusWidget()->mapTo(&window, QPoint());
            stops.append({at.y(), at.x()});
        }
        QCOMPARE(stops.size(), 5);
        QVERIFY(std::is_sorted(stops.cbegin(), stops.cend()));
    }

    void thumbnailsStayBelowTheCeiling()
    {
        // A named pipe would block a worker that opened it, and the thread pool with it at exit.
        QVERIFY(::mkfifo(QFile::encodeName(file("pipe")).constData(), 0600) == 0);
        put({"photo.png", "huge.png", "pipe"});
        ShelfFileModel& model = m_view->list().shelfModel();
        QSignalSpy ready(&model, &ShelfFileModel::thumbnailReady);
        for (int row = 0; row < model.rowCount(); ++row)
            model.index(row).data(Qt::DecorationRole);
        QTRY_VERIFY(model.hasThumbnail(file("photo.png")));
        QCOMPARE(ready.size(), 1);
        QVERIFY(!model.hasThumbnail(file("huge.png")));
        QVERIFY(!model.hasThumbnail(file("pipe")));
    }

    void removingEmptiesTheSelection()
    {
        put({"photo.png", "second.jpg", "notes.txt"});
        m_view->setSelectedIds(ids({"photo.png", "notes.txt"}) + QSet<QUuid>{QUuid::createUuid()});
        m_view->removeSelected();
        QCOMPARE(m_shelf->items().size(), 1);
        QVERIFY(m_view->selectedItems().isEmpty());
        QVERIFY(m_view->list().selectedIds().isEmpty());
    }

    void addingPinsTheCompanionOpen()
    {
        m_view->chooseFiles();
        QVERIFY(m_companion->wisp->isPinnedOpen());
        auto* chooser = m_view->window()->findChild<QFileDialog*>();
        QVERIFY(chooser);
        chooser->reject();
    }

    void theExportSheetKeepsItsChoices()
    {
        put({"photo.png"});
        m_view->setSelectedIds(ids({"photo.png"}));
        m_view->convertSelected();
        ImageConvertView* sheet = m_view->converter();
        QVERIFY(sheet);
        QCOMPARE(QFileInfo(sheet->proposedDestination()).fileName(), QStringLiteral("photo-converted.jpeg"));
        auto* format = sheet->findChild<QComboBox*>();
        auto* quality = sheet->findChild<QSlider*>();
        quality->setValue(40);
        format->setCurrentIndex(format->findText("PNG"));
        QVERIFY(quality->isHidden());
        format->setCurrentIndex(format->findText("JPEG"));
        QVERIFY(!quality->isHidden());
        QCOMPARE(sheet->quality(), 0.4);

        // The save dialog lists what is already there in the format, a JPEG named ".jpg" too.
        for (const auto& [formatName, shown, hidden] :
             {std::tuple{"JPEG", "second.jpg", "photo.png"}, std::tuple{"JPEG", "old.jpeg", "photo.png"},
              std::tuple{"PNG", "photo.png", "second.jpg"}}) {
            format->setCurrentIndex(format->findText(formatName));
            sheet->chooseDestination();
            auto* dialog = sheet->findChild<QFileDialog*>();
            const QString filter = dialog->nameFilters().first();
            const QStringList patterns = filter.section(u'(', 1).chopped(1).split(u' ', Qt::SkipEmptyParts);
            QVERIFY2(QDir::match(patterns, shown) && !QDir::match(patterns, hidden), qPrintable(filter));
            delete dialog;
        }
        format->setCurrentIndex(format->findText("JPEG"));

        QSignalSpy finished(sheet, &ImageConvertView::exportFinished);
        sheet->exportTo(file("copy.jpeg"));
        QVERIFY(sheet->isBusy());
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().toString(), QString());
        QCOMPARE(QImage(file("copy.jpeg")).size(), QSize(120, 80));
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestFileShelfView)
#include "tst_fileshelfview.moc"
