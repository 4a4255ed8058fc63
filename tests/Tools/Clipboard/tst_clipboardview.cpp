#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Tools/Clipboard/ClipList.h"
#include "Wisplet/Tools/Clipboard/ClipListModel.h"
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
    using ClipboardHarness::ClipboardHarness;

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
        return textsOf(page.list()->entries().values(), &ClipItem::text);
    }

    int reconciles = 0;
};

QModelIndex row(const ClipboardView& page, int number)
{
    return page.list()->model()->index(number, 0);
}

// Where a part of a row is, in the list's viewport.
QPoint centreOf(const ClipboardView& page, int number, ClipRow::Part part)
{
    const ClipRow::Parts parts = ClipRow::layout(page.list()->visualRect(row(page, number)));
    return (part == ClipRow::Part::pin          ? parts.pin
                : part == ClipRow::Part::remove ? parts.remove
                                                : parts.title)
        .center();
}

void click(const ClipboardView& page, int number, ClipRow::Part part)
{
    QTest::mouseClick(page.list()->viewport(), Qt::LeftButton, {}, centreOf(page, number, part));
}

const ClipItem& entry(const Harness& h, const QString& text)
{
    const QList<ClipItem>& items = h.manager->items();
    return *std::find_if(items.cbegin(), items.cend(), [&](const ClipItem& item) { return item.text == text; });
}

// A change of the history or the search while the page shows.
using Change = std::function<void(Harness& h, ClipboardView& page)>;

PillButton* clearButton(const ClipboardView& page)
{
    return childWhere<PillButton>(page, [](const PillButton* button) { return button->symbolName() == "trash"; });
}

} // namespace

Q_DECLARE_METATYPE(SpoofRow)
Q_DECLARE_METATYPE(Change)

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
        const QString line =
            row.app.isEmpty() ? item.displayTitle() : ClipListModel::subtitle(item, h.clock.now().addSecs(60));
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

    // Pause capture, the list and its current row's buttons: each stop of Tab shows where the keyboard is.
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

    // Tab reaches the list, the arrows its rows, Tab again the current row's buttons; Return and Space act on
    // what wears the ring, and the ring stays with an entry that moves.
    void theKeyboardReachesEveryRowAndButton()
    {
        Harness h;
        h.copyIn("a");
        h.copyIn("b");
        h.copyIn("c");
        const auto page = h.view();
        page->show();
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        ClipList* list = page->list();
        page->searchField()->setFocus();
        QTest::keyClick(page->searchField(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(list->hasFocus());
        QCOMPARE(list->currentIndex().row(), 0);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Tab);
        QCOMPARE(list->currentPart(), ClipRow::Part::pin);
        QTest::keyClick(list, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(h.shownTexts(*page), (QStringList{"b", "c", "a"}));
        QCOMPARE(list->currentIndex().row(), 0);
        QCOMPARE(list->currentPart(), ClipRow::Part::pin);

        // Another row, and its delete button: the row below takes the deleted one's place.
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentPart(), ClipRow::Part::row);
        QTest::keyClick(list, Qt::Key_Tab);
        QTest::keyClick(list, Qt::Key_Tab);
        QCOMPARE(list->currentPart(), ClipRow::Part::remove);
        QTest::keyClick(list, Qt::Key_Space);
        QCoreApplication::processEvents();
        QCOMPARE(h.shownTexts(*page), (QStringList{"b", "a"}));
        QCOMPARE(list->currentIndex().row(), 1);
        QCOMPARE(list->currentPart(), ClipRow::Part::row);

        // Past the last button Tab leaves; coming back with Shift+Tab lands on the last button.
        QTest::keyClick(list, Qt::Key_Tab);
        QTest::keyClick(list, Qt::Key_Tab);
        QTest::keyClick(list, Qt::Key_Tab);
        QVERIFY(!list->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QVERIFY(list->hasFocus());
        QCOMPARE(list->currentPart(), ClipRow::Part::remove);
        QVERIFY(h.pasteboard.written.isEmpty());
    }

    void rowsChangeInPlace_data()
    {
        QTest::addColumn<QStringList>("history");
        QTest::addColumn<Change>("change");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<int>("touched");
        const auto copy = [](const QByteArray& text) {
            return Change([text](Harness& h, ClipboardView&) { h.copyIn(text); });
        };
        // Oldest first; a star pins an entry. A row that moves changes those it passes.
        QTest::newRow("a copy goes on top") << QStringList{"a", "b"} << copy("c") << QStringList{"c", "b", "a"} << 1;
        QTest::newRow("a copy goes below the pins")
            << QStringList{"*p", "a", "b"} << copy("c") << QStringList{"p", "c", "b", "a"} << 1;
        QTest::newRow("a pin moves up") << QStringList{"x", "a", "b", "c"} << Change([](Harness& h, ClipboardView&) {
            h.manager->togglePin(entry(h, "a"));
        }) << QStringList{"a", "c", "b", "x"}
                                        << 3;
        QTest::newRow("a delete") << QStringList{"a", "b", "c"}
                                  << Change([](Harness& h, ClipboardView&) { h.manager->remove(entry(h, "b")); })
                                  << QStringList{"c", "a"} << 1;
        // The copy and the removal of the oldest entry show as one change.
        QTest::newRow("the count limit drops the oldest")
            << QStringList{"*p", "a", "b"} << Change([](Harness& h, ClipboardView&) {
                   h.manager->setMaxItems(2);
                   h.copyIn("c");
               })
            << QStringList{"p", "c", "b"} << 2;
    }

    // A change of the history touches only the rows it changes: the rest of a long list stays as it is.
    void rowsChangeInPlace()
    {
        QFETCH(QStringList, history);
        QFETCH(Change, change);
        QFETCH(QStringList, shown);
        QFETCH(int, touched);
        Harness h;
        for (const QString& text : std::as_const(history))
            h.copyIn(text.mid(text.startsWith(u'*') ? 1 : 0).toUtf8());
        for (const QString& text : std::as_const(history)) {
            if (text.startsWith(u'*'))
                h.manager->togglePin(entry(h, text.mid(1)));
        }
        const auto page = h.view();
        page->show();
        const QAbstractItemModel& model = *page->list()->model();
        int rows = 0;
        const auto count = [&](const QModelIndex&, int first, int last) { rows += last - first + 1; };
        connect(&model, &QAbstractItemModel::rowsInserted, this, count);
        connect(&model, &QAbstractItemModel::rowsRemoved, this, count);
        // Not the ages, which all change with the time.
        connect(&model, &QAbstractItemModel::dataChanged, this,
                [&](const QModelIndex& first, const QModelIndex& last, const QList<int>& roles) {
                    if (roles.isEmpty())
                        rows += last.row() - first.row() + 1;
                });
        change(h, *page);
        QCoreApplication::processEvents();
        QCOMPARE(h.shownTexts(*page), shown);
        QCOMPARE(rows, touched);
    }

    void aLongHistoryMakesNoWidgetPerEntry()
    {
        Harness few;
        few.copyIn("one");
        const TempFolder folder;
        QVERIFY(
            TestFiles::write(folder.file(QStringLiteral("clipboard.json")), storedTexts(0, 2'000, few.clock.now())));
        Harness many(folder.path());
        const auto short_ = few.view();
        const auto long_ = many.view();
        QCOMPARE(long_->list()->model()->rowCount(), 2'000);
        QCOMPARE(long_->findChildren<QWidget*>().size(), short_->findChildren<QWidget*>().size());
    }

    void filterOrderAndCount()
    {
        Harness h;
        h.copyIn("alpha", QStringLiteral("Kate"));
        h.copyIn("beta", QStringLiteral("Firefox"));
        h.copyIn("gamma");
        h.manager->togglePin(h.manager->items().at(2)); // alpha, the oldest
        const auto page = h.view();
        page->show();
        QCOMPARE(h.shownTexts(*page), (QStringList{"alpha", "gamma", "beta"}));
        page->searchField()->setText(QStringLiteral(" \tfire "));
        QCOMPARE(h.shownTexts(*page), QStringList{"beta"});
        QVERIFY(shownTexts<QLabel>(*page).contains(QStringLiteral("3"))); // the count shows all

        // Clear is offered only while something unpinned is there.
        QVERIFY(!clearButton(*page)->isHidden());
        clearButton(*page)->click();
        QCoreApplication::processEvents();
        QVERIFY(clearButton(*page)->isHidden());
    }

    void rowsCopyBack()
    {
        Harness h;
        h.copyIn("by click", QStringLiteral("Kate"));
        h.copyIn("by key");
        h.copyIn("newest");
        const auto page = h.view();
        page->show();
        QCOMPARE(row(*page, 0).data(ClipListModel::subtitleRole).toString(), QStringLiteral("1 min. ago"));
        QCOMPARE(row(*page, 2).data(ClipListModel::subtitleRole).toString(),
                 QStringLiteral(u"\u2068Kate\u2069 · 4 min. ago"));

        click(*page, 2, ClipRow::Part::row);
        QCOMPARE(h.pasteboard.written.last().text, QStringLiteral("by click"));
        page->list()->setFocus();
        page->list()->setCurrentIndex(row(*page, 1));
        QTest::keyClick(page->list(), Qt::Key_Return);
        QCOMPARE(h.pasteboard.written.last().text, QStringLiteral("by key"));
        QCOMPARE(h.pasteboard.written.size(), 2);

        // Ages move on while the page is away.
        page->hide();
        h.clock.advance(3'600'000);
        page->show();
        QCOMPARE(row(*page, 0).data(ClipListModel::subtitleRole).toString(), QStringLiteral("1 hr. ago"));
    }

    void assistiveTechnologyActsOnRows_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("button"); // -1: the row itself
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("copied");
        const QString press = QAccessibleActionInterface::pressAction();
        // Shown at first: "kept" (pinned), "newest", "older".
        QTest::newRow("a row copies its entry back")
            << 2 << -1 << "older"
            << "Copy to clipboard" << QStringList{"kept", "newest", "older"} << "older";
        QTest::newRow("pin") << 2 << 0 << "Pin item" << press << QStringList{"older", "kept", "newest"} << "";
        QTest::newRow("unpin") << 0 << 0 << "Unpin item" << press << QStringList{"newest", "older", "kept"} << "";
        QTest::newRow("delete") << 1 << 1 << "Delete clipboard item" << press << QStringList{"kept", "older"} << "";
    }

    void assistiveTechnologyActsOnRows()
    {
        QFETCH(int, row);
        QFETCH(int, button);
        QFETCH(QString, name);
        QFETCH(QString, action);
        QFETCH(QStringList, shown);
        QFETCH(QString, copied);
        Harness h;
        h.copyIn("kept");
        h.copyIn("older");
        h.copyIn("newest");
        h.manager->togglePin(entry(h, "kept"));
        const auto page = h.view();
        page->show();
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(page->list());
        QCOMPARE(list->childCount(), 3);
        QAccessibleInterface* target = list->child(row);
        QCOMPARE(target->parent(), list);
        if (button >= 0) {
            QCOMPARE(target->childCount(), 2);
            target = target->child(button);
            QCOMPARE(target->parent(), list->child(row));
        }
        QCOMPARE(target->text(QAccessible::Name), name);
        QVERIFY(target->actionInterface());
        QCOMPARE(target->actionInterface()->actionNames(), QStringList{action});
        target->actionInterface()->doAction(action);
        QCoreApplication::processEvents();
        QCOMPARE(h.shownTexts(*page), shown);
        QCOMPARE(h.pasteboard.written.isEmpty() ? QString() : h.pasteboard.written.last().text, copied);
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
        QVERIFY(row(*page, 0).data(Qt::DecorationRole).isNull());
        QTRY_VERIFY(!row(*page, 0).data(Qt::DecorationRole).isNull());
        QVERIFY(QFile::remove(h.folder.file(*image.imageFile)));
        const auto later = h.view();
        QVERIFY(row(*later, 0).data(Qt::DecorationRole).isNull());
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QVERIFY(row(*later, 0).data(Qt::DecorationRole).isNull());
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
        QVERIFY(row(*page, 0).data(Qt::DecorationRole).isNull());
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QVERIFY(row(*page, 0).data(Qt::DecorationRole).isNull());

        h.manager->copyBack(image);
        QCOMPARE(h.manager->message(), QStringLiteral("This saved image is missing. Your clipboard was kept."));
        QVERIFY(h.pasteboard.written.isEmpty());
    }

    // A long title is cut short before the row's buttons: between them the row is as bare as a short one's.
    void longTitlesEndBeforeTheButtons()
    {
        Harness h;
        h.copyIn(QByteArray("word ").repeated(100));
        h.copyIn("short");
        const auto page = h.view();
        page->show();
        const QImage shown = page->list()->viewport()->grab().toImage();
        const auto gap = [&](int number) {
            const ClipRow::Parts parts = ClipRow::layout(page->list()->visualRect(row(*page, number)));
            return shown.copy(QRect(QPoint(parts.title.right() + 1, parts.row.top()),
                                    QPoint(parts.pin.left() - 1, parts.row.bottom())));
        };
        QCOMPARE(gap(1), gap(0));
    }

    void pinAndDeleteFromTheRow()
    {
        Harness h;
        h.copyIn("doomed");
        h.copyIn("kept");
        const auto page = h.view();
        page->show();
        click(*page, 1, ClipRow::Part::pin);
        QVERIFY(h.manager->items().last().pinned);
        QCoreApplication::processEvents();
        QCOMPARE(h.shownTexts(*page), (QStringList{"doomed", "kept"}));
        click(*page, 0, ClipRow::Part::remove);
        QCoreApplication::processEvents();
        QCOMPARE(h.shownTexts(*page), QStringList{"kept"});
        QVERIFY(h.pasteboard.written.isEmpty());
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestClipboardView)
#include "tst_clipboardview.moc"
