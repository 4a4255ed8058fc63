#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Tools/Clipboard/ClipRow.h"
#include "Wisplet/Tools/Clipboard/ClipboardView.h"
#include "tests/Tools/Clipboard/ClipboardHarness.h"
#include "tests/support/FocusMarks.h"
#include "tests/support/Images.h"
#include "tests/support/Texts.h"
#include "tests/support/VisualOrder.h"
#include "tests/support/WidgetQuery.h"
#include "tests/support/WidgetsTestMain.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThreadPool>

namespace {

// A copy whose text or application came from outside, and the words in one of its row's lines from
// which the line must read as written to its end.
struct SpoofRow
{
    ClipItem::Kind kind;
    QString text;
    QString app;
    QString from;
};

struct Harness : ClipboardHarness
{
    // A text copied in the given application (none: no window in front), then a minute and a half.
    void copyIn(const QByteArray& copied, const QString& app = QString())
    {
        windows.activate(app.isEmpty() ? std::nullopt : std::optional(window(5, 77, app)));
        copy(text(copied));
        clock.advance(90'000);
    }

    std::unique_ptr<ClipboardView> view()
    {
        auto page = std::make_unique<ClipboardView>(*manager, clock, [this] { ++reconciles; });
        page->resize(440, 300);
        return page;
    }

    static QStringList shownTexts(const ClipboardView& page)
    {
        return textsOf(page.rows(), [](const ClipRow* row) { return row->item().text; });
    }

    int reconciles = 0;
};

PillButton* clearButton(const ClipboardView& page)
{
    return childWhere<PillButton>(page, [](const PillButton* button) { return button->symbolName() == "trash"; });
}

} // namespace

Q_DECLARE_METATYPE(SpoofRow)

class TestClipboardView final : public QObject
{
    Q_OBJECT

private slots:
    void outsideTextKeepsToItself_data()
    {
        QTest::addColumn<SpoofRow>("row");
        const QString age = QStringLiteral(" · ");
        QTest::newRow("application with an override")
            << SpoofRow{ClipItem::Kind::text, "t", QStringLiteral(u"\u202EKate"), age};
        QTest::newRow("application with an isolate")
            << SpoofRow{ClipItem::Kind::text, "t", QStringLiteral(u"Kate\u2067"), age};
        QTest::newRow("file hiding its extension")
            << SpoofRow{ClipItem::Kind::file, QStringLiteral(u"/home/u/rtl\u202Etxt.exe"), {}, "txt.exe"};
        QTest::newRow("one file's override over the next")
            << SpoofRow{ClipItem::Kind::file, QStringLiteral(u"/a/x\u202E.txt\n/b/y.png"), {}, ", "};
        QTest::newRow("one line's override over the next")
            << SpoofRow{ClipItem::Kind::text, QStringLiteral(u"one\u202E\ntwo"), {}, QStringLiteral(u" \u23CE ")};
        QTest::newRow("one line's isolate over the next")
            << SpoofRow{ClipItem::Kind::text, QStringLiteral(u"one\u2067\ntwo"), {}, QStringLiteral(u" \u23CE ")};
    }

    void outsideTextKeepsToItself()
    {
        QFETCH(SpoofRow, row);
        Harness h;
        ClipItem item;
        item.kind = row.kind;
        item.text = row.text;
        item.date = h.clock.now();
        if (!row.app.isEmpty())
            item.app = row.app;
        const ClipRow shown(*h.manager, item, h.clock.now().addSecs(60));
        const QString line = row.app.isEmpty() ? item.displayTitle() : shown.subtitle();
        const qsizetype at = line.lastIndexOf(row.from);
        QVERIFY2(at >= 0, qPrintable(line));
        QVERIFY(VisualOrder::endReadsInOrder(line, line.size() - at));
    }

    void consentHeaderAndHistory()
    {
        Harness h;
        h.copyIn("kept from before");
        h.manager->setCaptureConsent(false);
        const auto page = h.view();
        // Without consent the stored history still shows; only the header differs.
        QCOMPARE(h.shownTexts(*page), QStringList{"kept from before"});
        QPushButton* pause = page->findChild<QPushButton*>();
        QVERIFY(!pause->isVisibleTo(page.get()));
        for (PillButton* button : page->findChildren<PillButton*>()) {
            if (button->isProminent())
                button->click();
        }
        QVERIFY(h.manager->captureConsent());
        QCOMPARE(h.reconciles, 1);
        QVERIFY(pause->isVisibleTo(page.get()));
        pause->click();
        QVERIFY(h.manager->paused());
    }

    // Pause capture, the rows and their buttons: each stop of Tab shows where the keyboard is.
    void everyStopShowsTheKeyboard()
    {
        Harness h;
        h.copyIn("first");
        h.copyIn("second");
        const auto page = h.view();
        FocusMarks::darken(*page);
        page->show();
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        page->findChild<QLineEdit*>()->setFocus();
        QCOMPARE(FocusMarks::stopsWithoutMark(*page), QString());
    }

    void filterOrderAndCount()
    {
        Harness h;
        h.copyIn("alpha", QStringLiteral("Kate"));
        h.copyIn("beta", QStringLiteral("Firefox"));
        h.copyIn("gamma");
        h.manager->togglePin(h.manager->items().at(2)); // alpha, the oldest
        const auto page = h.view();
        QCOMPARE(h.shownTexts(*page), (QStringList{"alpha", "gamma", "beta"}));
        page->searchField()->setText(QStringLiteral(" \tfire "));
        QCOMPARE(h.shownTexts(*page), QStringList{"beta"});
        QVERIFY(shownTexts<QLabel>(*page).contains(QStringLiteral("3"))); // the count shows all

        // Clear is offered only while something unpinned is there.
        QVERIFY(!clearButton(*page)->isHidden());
        clearButton(*page)->click();
        QVERIFY(clearButton(*page)->isHidden());
    }

    void rowsCopyBack()
    {
        Harness h;
        h.copyIn("by click", QStringLiteral("Kate"));
        h.copyIn("by key");
        h.copyIn("by assistive technology");
        const auto page = h.view();
        page->show();
        const QList<ClipRow*> rows = page->rows();
        QCOMPARE(rows.at(0)->subtitle(), QStringLiteral("1 min. ago"));
        QCOMPARE(rows.at(2)->subtitle(), QStringLiteral(u"\u2068Kate\u2069 · 4 min. ago"));

        QTest::mouseClick(rows.at(2), Qt::LeftButton, {}, QPoint(60, 10));
        QCOMPARE(h.pasteboard.written.last().text, QStringLiteral("by click"));
        rows.at(1)->setFocus();
        QTest::keyClick(rows.at(1), Qt::Key_Return);
        QCOMPARE(h.pasteboard.written.last().text, QStringLiteral("by key"));
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(rows.at(0));
        QVERIFY(accessible && accessible->actionInterface());
        accessible->actionInterface()->doAction(QStringLiteral("Copy to clipboard"));
        QCOMPARE(h.pasteboard.written.last().text, QStringLiteral("by assistive technology"));
        QCOMPARE(h.pasteboard.written.size(), 3);

        // Ages move on while the page is away.
        page->hide();
        h.clock.advance(3'600'000);
        page->show();
        QCOMPARE(rows.at(0)->subtitle(), QStringLiteral("1 hr. ago"));
    }

    void imagePreviewFallsBack()
    {
        Harness h;
        h.copy({{QStringLiteral("image/png"), TestImages::marked(QSize(100, 60), "PNG")}});
        h.settle();
        const ClipItem image = h.manager->items().first();
        QVERIFY(QFile::remove(h.folder.file(*image.thumbnailFile)));
        const auto page = h.view();
        // The picture is read off the main thread, so the row shows its symbol until it is there.
        QVERIFY(page->rows().first()->preview().isNull());
        QTRY_VERIFY(!page->rows().first()->preview().isNull());
        QVERIFY(QFile::remove(h.folder.file(*image.imageFile)));
        const auto later = h.view();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QVERIFY(later->rows().first()->preview().isNull());
    }

    // A link in the folder may point anywhere: what it points to is neither shown nor copied back.
    void historyImagesAreReadOnlyFromTheFolder()
    {
        Harness h;
        h.copy({{QStringLiteral("image/png"), TestImages::marked(QSize(100, 60), "PNG")}});
        h.settle();
        const ClipItem image = h.manager->items().first();
        const TempFolder elsewhere;
        const QString picture = elsewhere.file(QStringLiteral("private.png"));
        QVERIFY(TestFiles::write(picture, TestImages::marked(QSize(100, 60), "PNG")));
        for (const QString& name : {*image.thumbnailFile, *image.imageFile}) {
            QVERIFY(QFile::remove(h.folder.file(name)));
            QVERIFY(QFile::link(picture, h.folder.file(name)));
        }
        const auto page = h.view();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QVERIFY(page->rows().first()->preview().isNull());

        h.manager->copyBack(image);
        QCOMPARE(h.manager->message(), QStringLiteral("This saved image is missing. Your clipboard was kept."));
        QVERIFY(h.pasteboard.written.isEmpty());
    }

    void longTitlesEndAtTheRowsWidth()
    {
        Harness h;
        h.copyIn(QByteArray("word ").repeated(100));
        const auto page = h.view();
        page->show();
        // The title is the row's first line.
        const QLabel* title = page->rows().first()->findChildren<QLabel*>().first();
        QVERIFY(title->text().endsWith(u'…'));
        QVERIFY(title->fontMetrics().horizontalAdvance(title->text()) <= title->width());
    }

    void deleteFromTheRow()
    {
        Harness h;
        h.copyIn("doomed");
        const auto page = h.view();
        page->show();
        auto* trash = page->rows().first()->findChildren<QAbstractButton*>().last();
        QCOMPARE(trash->accessibleName(), QStringLiteral("Delete clipboard item"));
        trash->click();
        QVERIFY(h.manager->items().isEmpty());
        QVERIFY(page->rows().isEmpty());
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestClipboardView)
#include "tst_clipboardview.moc"
