#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Tools/Links/LinkChip.h"
#include "Wisplet/Tools/Links/LinksStore.h"
#include "Wisplet/Tools/Links/QuickLinksView.h"
#include "tests/support/Files.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Texts.h"
#include "tests/support/WidgetsTestMain.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QUrl>

namespace {

const QByteArray threeLinks =
    R"([{"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","title":"Site","url":"https://example.com/x"},)"
    R"({"id":"7F9619FF-8B86-D011-B42D-00C04FC964FF","title":"Home","url":"file:///home/"},)"
    R"({"id":"8F9619FF-8B86-D011-B42D-00C04FC964FF","title":"Broken","url":"http://exa mple"}])";

QStringList chipTitles(const QuickLinksView& view)
{
    return textsOf(view.chips(), [](const LinkChip* chip) { return chip->link().title; });
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

    void makeView(const QByteArray& linksFile)
    {
        QVERIFY(TestFiles::write(m_folder.file("links.json"), linksFile));
        m_store = std::make_unique<LinksStore>(m_folder.path());
        m_view = std::make_unique<QuickLinksView>(*m_store, *m_fixture.wisp, [this](const QUrl& url) {
            m_opened << url;
            return true;
        });
        m_view->resize(500, 240);
        m_view->show();
    }

private slots:
    void cleanup()
    {
        m_view.reset();
        m_opened.clear();
    }

    void columnCount()
    {
        QCOMPARE(QuickLinksView::columnCount(0), 1);
        QCOMPARE(QuickLinksView::columnCount(199), 1);
        QCOMPARE(QuickLinksView::columnCount(200), 2); // two columns with the spacing between
    }

    void theAddFormAddsAndHides()
    {
        makeView("[]");
        m_view->addChip()->click();
        QTest::keyClicks(m_view->titleField(), "Kept");
        m_view->addChip()->click();
        m_view->addChip()->click();
        QCOMPARE(m_view->titleField()->text(), QStringLiteral("Kept")); // hiding keeps what was typed

        QTest::keyClicks(m_view->urlField(), " \t");
        QTest::keyClick(m_view->urlField(), Qt::Key_Return);
        QVERIFY(m_store->links().isEmpty());
        QVERIFY(m_view->addForm()->isVisible());

        m_view->urlField()->setText(QStringLiteral("example.com"));
        m_view->submitButton()->click();
        QCOMPARE(chipTitles(*m_view), QStringList{"Kept"});
        QVERIFY(m_view->addForm()->isHidden());
        QVERIFY(m_view->urlField()->text().isEmpty());
    }

    void anUnreadableFileIsSaidOnThePage()
    {
        makeView("[{");
        QVERIFY(m_view->messageLine()->isVisible());
        QCOMPARE(m_view->messageLine()->text(), m_store->message());
        cleanup();
        makeView("[]");
        QVERIFY(m_view->messageLine()->isHidden());
    }

    void clickingAChipOpensItAndWispReacts()
    {
        makeView(threeLinks);
        const QList<LinkChip*> chips = m_view->chips();
        QVERIFY(chips.at(0)->symbolName() != chips.at(1)->symbolName()); // a folder looks unlike a web page
        QTest::mouseClick(chips.at(2), Qt::LeftButton); // does not parse: nothing at all
        QVERIFY(m_opened.isEmpty());
        QVERIFY(!m_fixture.wisp->bubble());
        QTest::mouseClick(chips.at(0), Qt::LeftButton);
        QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("https://example.com/x"))});
        QCOMPARE(m_fixture.wisp->bubble(), QStringLiteral("Opening Site"));
    }

    void removeShowsOnlyUnderThePointer()
    {
        makeView(threeLinks);
        LinkChip* chip = m_view->chips().at(1);
        QVERIFY(!chip->removeButton()->isVisible());
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(chip, &enter);
        QVERIFY(chip->removeButton()->isVisible());
        chip->removeButton()->click();
        QCOMPARE(chipTitles(*m_view), (QStringList{"Site", "Broken"}));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(m_opened.isEmpty());
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestQuickLinksView)
#include "tst_quicklinksview.moc"
