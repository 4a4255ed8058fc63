#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Tools/Links/LinkChip.h"
#include "Wisplet/Tools/Links/LinkGrid.h"
#include "Wisplet/Tools/Links/LinkListModel.h"
#include "Wisplet/Tools/Links/LinksStore.h"
#include "Wisplet/Tools/Links/QuickLinksView.h"
#include "tests/support/Files.h"
#include "tests/support/Fixtures.h"
#include "tests/support/WidgetsTestMain.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QUrl>

namespace {

const QByteArray threeLinks =
    R"([{"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","title":"Site","url":"https://example.com/x"},)"
    R"({"id":"7F9619FF-8B86-D011-B42D-00C04FC964FF","title":"Home","url":"file:///home/"},)"
    R"({"id":"8F9619FF-8B86-D011-B42D-00C04FC964FF","title":"Broken","url":"http://exa mple"}])";

QByteArray manyLinks(int count)
{
    QJsonArray links;
    for (int i = 0; i < count; ++i)
        links.append(QJsonObject{{"id", QUuid::createUuid().toString(QUuid::WithoutBraces)},
                                 {"title", QString::number(i)},
                                 {"url", "https://example.com/" + QString::number(i)}});
    return QJsonDocument(links).toJson();
}

} // namespace

class TestQuickLinksView final : public QObject
{
    Q_OBJECT

private:
    CompanionFixture m_fixture;
    TempFolder m_folder;
    std::unique_ptr<LinksStore> m_store;
    std::unique_ptr<QuickLinksView> m_view;
    QList<QUrl> m_opened;
    // What the opener of the last link opened would say if it failed.
    DesktopOpener::Failed m_failed;

    void makeView(const QByteArray& linksFile)
    {
        QVERIFY(TestFiles::write(m_folder.file("links.json"), linksFile));
        m_store = std::make_unique<LinksStore>(m_folder.path());
        m_view = std::make_unique<QuickLinksView>(*m_store, *m_fixture.wisp,
                                                  [this](const QUrl& url, DesktopOpener::Failed failed) {
                                                      m_opened << url;
                                                      m_failed = std::move(failed);
                                                  });
        m_view->resize(500, 240);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }
    QStringList titles() const
    {
        QStringList titles;
        for (const QuickLink& link : m_store->links())
            titles.append(link.title);
        return titles;
    }
    QRect chip(int row) const { return m_view->grid()->visualRect(m_view->grid()->model()->index(row, 0)); }
    void click(const QPoint& at) const { QTest::mouseClick(m_view->grid()->viewport(), Qt::LeftButton, {}, at); }
    void clickAdd() const { click(chip(m_view->grid()->model()->rowCount() - 1).center()); }
    // Equal chips from edge to edge, the spacing between them and between the rows.
    bool chipsFillTheRows() const
    {
        const int width = m_view->grid()->viewport()->width();
        const int columns = LinkGrid::columnCount(width, m_view->grid()->minimumChipWidth());
        bool even = chip(0).left() == 0 && chip(columns - 1).right() == width - 1
            && chip(columns).top() == chip(0).bottom() + 1 + LinkGrid::spacing;
        for (int column = 1; column < columns; ++column)
            even = even && chip(column).left() - chip(column - 1).right() - 1 == LinkGrid::spacing;
        return even;
    }

private slots:
    void cleanup()
    {
        m_view.reset();
        m_opened.clear();
    }

    void columnCount()
    {
        QCOMPARE(LinkGrid::columnCount(0), 1);
        QCOMPARE(LinkGrid::columnCount(199), 1);
        QCOMPARE(LinkGrid::columnCount(200), 2); // two columns with the spacing between
    }

    // "GitHub" and "Downloads" never read "Downloa…", in the desktop's own font.
    void defaultTitlesShowWhole()
    {
        const TempFolder fresh;
        m_store = std::make_unique<LinksStore>(fresh.path());
        m_view = std::make_unique<QuickLinksView>(*m_store, *m_fixture.wisp, [](const QUrl&, DesktopOpener::Failed) {});
        // The open panel's page.
        m_view->resize(680, 240);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        QCOMPARE(titles(), QStringList({"GitHub", "Downloads"}));
        for (int row = 0; row < 2; ++row) {
            const QString title = titles().at(row);
            QCOMPARE(LinkChip::shownTitle(title, m_view->grid()->font(), chip(row).width(), false), title);
        }
    }

    void chipsShareTheWidthEvenly()
    {
        // Enough to scroll, so the viewports are 416 and 312: whole multiples of their columns' width.
        makeView(manyLinks(200));
        for (const int width : {422, 318, 433, 200}) {
            m_view->resize(width, 240);
            QTRY_VERIFY(chipsFillTheRows());
        }
    }

    void theAddFormAddsAndHides()
    {
        makeView("[]");
        clickAdd();
        QTest::keyClicks(m_view->titleField(), "Kept");
        clickAdd();
        clickAdd();
        QCOMPARE(m_view->titleField()->text(), QStringLiteral("Kept")); // hiding keeps what was typed

        QTest::keyClicks(m_view->urlField(), " \t");
        QTest::keyClick(m_view->urlField(), Qt::Key_Return);
        QVERIFY(m_store->links().isEmpty());
        QVERIFY(m_view->addForm()->isVisible());

        m_view->urlField()->setText(QStringLiteral("example.com"));
        m_view->submitButton()->click();
        QCOMPARE(titles(), QStringList{"Kept"});
        QCOMPARE(m_view->grid()->model()->index(0, 0).data().toString(), QStringLiteral("Kept"));
        QVERIFY(m_view->addForm()->isHidden());
        QVERIFY(m_view->urlField()->text().isEmpty());
    }

    // An address the page could never open is refused at the field, a pasted one far too long included.
    void theFormSaysWhyItRefuses()
    {
        makeView("[]");
        clickAdd();
        m_view->urlField()->insert("https://example.com/" + QString(100000, u'a'));
        QTest::keyClick(m_view->urlField(), Qt::Key_Return);
        QVERIFY(m_store->links().isEmpty());
        QVERIFY(m_view->fieldMessage()->isVisible());
        QVERIFY(m_view->fieldMessage()->text().contains("longer"));
        QTest::keyClick(m_view->urlField(), Qt::Key_Backspace);
        QVERIFY(m_view->fieldMessage()->isHidden());
        m_view->urlField()->setText("-oProxyCommand=x");
        m_view->submitButton()->click();
        QVERIFY(m_view->fieldMessage()->text().contains("not a valid URL"));
        QVERIFY(m_store->links().isEmpty());
        QVERIFY(m_view->addForm()->isVisible());
    }

    void theFilesTroubleIsSaidOnThePage()
    {
        makeView("[{");
        QVERIFY(m_view->messageLine()->isVisible());
        QCOMPARE(m_view->messageLine()->text(), m_store->message());
        cleanup();
        makeView("[]");
        QVERIFY(m_view->messageLine()->isHidden());

        // A save that fails is said until one succeeds.
        const QString path = m_folder.file("links.json");
        QVERIFY(QFile::remove(path) && QDir().mkpath(path));
        m_store->addLink("A", "a.example");
        QVERIFY(m_view->messageLine()->isVisible());
        QVERIFY(QDir().rmdir(path));
        m_store->addLink("B", "b.example");
        QVERIFY(m_view->messageLine()->isHidden());
    }

    void aClickOpensRemovesOrDoesNothing()
    {
        makeView(threeLinks);
        click(chip(0).topRight() + QPoint(LinkGrid::spacing / 2, 0)); // between two chips
        QVERIFY(m_view->messageLine()->isHidden());
        click(chip(2).center()); // does not parse: not opened, and said
        QVERIFY(m_view->messageLine()->text().contains("Broken"));
        QVERIFY(m_opened.isEmpty());
        QVERIFY(!m_fixture.wisp->bubble());
        click(chip(0).center());
        QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("https://example.com/x"))});
        QCOMPARE(m_fixture.wisp->bubble(), QStringLiteral(u"Opening \u2068Site\u2069"));

        QTest::mouseMove(m_view->grid()->viewport(), chip(1).center());
        click(LinkChip::removeArea(chip(1)).center());
        QCOMPARE(titles(), (QStringList{"Site", "Broken"}));
        QCOMPARE(m_opened.size(), 1);
        // The page may be gone when its opener fails.
        cleanup();
        m_failed(QStringLiteral("late"), {});
    }

    void theKeyboardOpensTheChipItIsOn()
    {
        makeView(threeLinks);
        LinkGrid* grid = m_view->grid();
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, 0));
        QTest::keyClick(grid, Qt::Key_Right);
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("file:///home/"))});
        grid->setCurrentIndex(grid->model()->index(3, 0));
        QTest::keyClick(grid, Qt::Key_Space);
        QVERIFY(m_view->addForm()->isVisible());
    }

    // A page that the chips fill to the last row: a message above them leaves every chip within reach.
    void aMessageHidesNoChip()
    {
        QByteArray links = manyLinks(23);
        links.replace("https://example.com/0", "javascript:alert(1)");
        makeView(links);
        m_view->resize(680, 198);
        LinkGrid* grid = m_view->grid();
        const QModelIndex last = grid->model()->index(grid->model()->rowCount() - 1, 0);
        QTRY_VERIFY(grid->viewport()->rect().contains(chip(last.row())));
        click(chip(0).center());
        QVERIFY(m_view->messageLine()->isVisible());
        QTRY_VERIFY(m_view->messageLine()->geometry().bottom() < grid->geometry().top());
        // Where the user scrolls to the end.
        const auto lastInReach = [&] {
            grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());

            return grid->viewport()->rect().contains(chip(last.row()));
        };
        QTRY_VERIFY(lastInReach());
    }

    void manyLinksCostNoWidgets()
    {
        makeView("[]");
        const qsizetype few = m_view->findChildren<QWidget*>().size();
        cleanup();
        makeView(manyLinks(5000));
        QCOMPARE(m_view->grid()->model()->rowCount(), 5001);
        QCOMPARE(m_view->findChildren<QWidget*>().size(), few);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestQuickLinksView)
#include "tst_quicklinksview.moc"
