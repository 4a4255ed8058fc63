#include "Wisplet/Tools/Weather/WeatherView.h"
#include "tests/Tools/Weather/WeatherFixture.h"
#include "tests/support/FocusMarks.h"
#include "tests/support/HeldHttpTransport.h"
#include "tests/support/Texts.h"
#include "tests/support/VisualOrder.h"
#include "tests/support/WidgetQuery.h"
#include "tests/support/WidgetsTestMain.h"

#include <QAccessible>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace {

const WeatherPlace lisbon{"Lisbon", "", "Portugal", 38.7, -9.1};
const QByteArray twoPlaces = R"({"results": [{"name": "Lisbon", "country": "Portugal", "latitude": 38.7,
    "longitude": -9.1}, {"name": "Lisbon", "country": "", "latitude": 44, "longitude": -70}]})";

struct PageRow
{
    QString key;
    bool place;
    bool keyringLocked;
    WeatherView::Page page;
};

} // namespace

Q_DECLARE_METATYPE(PageRow)

class WeatherViewTest final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<HeldHttpTransport> m_transport;
    std::unique_ptr<WeatherFixture> f;
    std::unique_ptr<WeatherTool> m_tool;
    std::unique_ptr<WeatherView> m_view;

    void make()
    {
        m_tool = f->make();
        m_view = std::make_unique<WeatherView>(*m_tool);
        m_view->resize(560, 220);
    }

    QLineEdit& field() { return *m_view->findChild<QLineEdit*>(); }

    void submit(const QString& text)
    {
        field().setText(text);
        QTest::keyClick(&field(), Qt::Key_Return);
    }

private slots:
    void init()
    {
        m_view.reset();
        m_tool.reset();
        m_transport = std::make_unique<HeldHttpTransport>();
        f = std::make_unique<WeatherFixture>(*m_transport);
        f->secrets.items.insert("weather.apiKey", "k");
    }

    void cleanup()
    {
        m_view.reset();
        m_tool.reset();
    }

    void showsThePageTheStoreCallsFor_data()
    {
        QTest::addColumn<PageRow>("row");
        QTest::newRow("no key") << PageRow{{}, true, false, WeatherView::Page::key};
        QTest::newRow("a blank key is a key") << PageRow{" ", false, false, WeatherView::Page::picker};
        QTest::newRow("locked keyring") << PageRow{{}, true, true, WeatherView::Page::forecast};
        QTest::newRow("no place yet") << PageRow{"k", false, false, WeatherView::Page::picker};
        QTest::newRow("a place") << PageRow{"k", true, false, WeatherView::Page::forecast};
    }

    void showsThePageTheStoreCallsFor()
    {
        QFETCH(PageRow, row);
        f->secrets.items.insert("weather.apiKey", row.key.toUtf8());
        f->secrets.failing = row.keyringLocked;
        if (row.place)
            f->defaults.set("weather.place",
                            QVariantMap{{"name", "Lisbon"}, {"country", ""}, {"latitude", 38.7}, {"longitude", -9.1}});
        make();
        QCOMPARE(m_view->page(), row.page);
    }

    // The page says that it waits for the keyring, and then that the keyring never answered.
    void saysItWaitsForTheKeyring()
    {
        f->secrets.holding = true;
        f->defaults.set("weather.place",
                        QVariantMap{{"name", "Lisbon"}, {"country", ""}, {"latitude", 38.7}, {"longitude", -9.1}});
        make();
        m_tool->start();
        QCOMPARE(m_view->page(), WeatherView::Page::forecast);
        const auto busy = [this] {
            return childWhere<QProgressBar>(*m_view,
                                            [this](const QProgressBar* bar) { return bar->isVisibleTo(m_view.get()); });
        };
        QVERIFY(busy());
        QVERIFY(childWithText<QLabel>(*m_view, QStringLiteral("Waiting for the keyring…")));

        f->secrets.answerAll(SecretStore::Status::TimedOut);
        QVERIFY(!busy());
        QVERIFY(childWithText<QLabel>(*m_view, m_tool->errorText()));
        QVERIFY(m_tool->errorText().contains(QStringLiteral("did not answer")));
    }

    // The places found, then the forecast's controls and its attribution: each stop shows where the keyboard is.
    void everyStopShowsTheKeyboard()
    {
        make();
        FocusMarks::darken(*m_view);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
        field().setFocus();
        submit("Lisbon");
        m_transport->finish(0, twoPlaces);
        QCOMPARE(FocusMarks::stopsWithoutMark(*m_view), QString());
        childWhere<QPushButton>(*m_view, [](const QPushButton* place) { return place->isVisible(); })->click();
        QCOMPARE(m_view->page(), WeatherView::Page::forecast);
        m_view->nextInFocusChain()->setFocus();
        QStringList stops;
        QCOMPARE(FocusMarks::stopsWithoutMark(*m_view, &stops), QString());
        QVERIFY(stops.contains(QStringLiteral("LinkButton 'Weather: Open-Meteo · GeoNames'")));
    }

    void searchesOnReturnAndPicks()
    {
        make();
        submit("L ");
        QVERIFY(m_transport->calls.empty());
        submit(" Li ");
        QCOMPARE(m_transport->calls.size(), size_t(1));
        QVERIFY(m_view->isSearching());
        m_transport->finish(0, twoPlaces);
        QVERIFY(!m_view->isSearching());
        QCOMPARE(textsOf(m_view->results(), &WeatherPlace::label), (QStringList{"Lisbon, Portugal", "Lisbon"}));

        QPushButton* second = childWhere<QPushButton>(*m_view, [](const QPushButton* button) {
            return button->isVisibleTo(button->window()) && button->text() == QStringLiteral(u"\u2068Lisbon\u2069");
        });
        QVERIFY(second);
        second->click();
        QCOMPARE(m_tool->place()->label(), QStringLiteral("Lisbon"));
        QCOMPARE(m_view->page(), WeatherView::Page::forecast);
        QVERIFY(field().text().isEmpty());
    }

    // A place's name is the place search's: an "&" in it is no shortcut marker, on the header's button and on the
    // search's result alike, and reads as written.
    void anAmpersandInAPlaceIsShownAsItself()
    {
        make();
        submit("Port");
        m_transport->finish(0, R"({"results": [{"name": "Port of Spain", "country": "Trinidad & Tobago",
            "latitude": 10.7, "longitude": -61.5}]})");
        const auto placeButton = [this] {
            return childWhere<QAbstractButton>(*m_view, [](const QAbstractButton* button) {
                return button->isVisibleTo(button->window()) && button->text().contains("Tobago");
            });
        };
        for (const bool picked : {false, true}) {
            QAbstractButton* button = placeButton();
            QVERIFY(button);
            QVERIFY2(QKeySequence::mnemonic(button->text()).isEmpty(), qPrintable(button->text()));
            // Each part in an isolate of its own, which a screen reader does not say.
            QString read = QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name);
            read.remove(QChar(0x2068)).remove(QChar(0x2069));
            QVERIFY2(read.contains("Port of Spain, Trinidad & Tobago"), qPrintable(read));
            if (!picked)
                button->click();
        }
        QCOMPARE(m_view->page(), WeatherView::Page::forecast);
    }

    // A right-to-left override in one part of a place reverses none of the parts after it.
    void eachPartOfAPlaceKeepsItsOwnOrder_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("in the name") << QByteArray(R"({"results": [{"name": "Lisbon\u202e", "admin1": "Lisboa",
            "country": "Portugal", "latitude": 38.7, "longitude": -9.1}]})");
        QTest::newRow("in the region") << QByteArray(R"({"results": [{"name": "Lisbon", "admin1": "Lisboa\u202e",
            "country": "Portugal", "latitude": 38.7, "longitude": -9.1}]})");
    }

    void eachPartOfAPlaceKeepsItsOwnOrder()
    {
        QFETCH(QByteArray, answer);
        make();
        submit("Lisbon");
        m_transport->finish(0, answer);
        QAbstractButton* button = childWhere<QAbstractButton>(*m_view, [](const QAbstractButton* candidate) {
            return candidate->isVisibleTo(candidate->window()) && candidate->text().contains("Portugal");
        });
        QVERIFY(button);
        const QString shown = button->text();
        QVERIFY2(VisualOrder::endReadsInOrder(shown, shown.size() - shown.lastIndexOf(u',') - 1), qPrintable(shown));
    }

    void anAnswerToAnEditedQueryIsDroppedButEndsTheSpinner()
    {
        make();
        submit("Lisbon");
        submit("Porto");
        QVERIFY(!m_transport->isWaiting(0)); // the newer submit cancelled it
        QVERIFY(m_view->isSearching());
        field().setText("Port");
        m_transport->finish(1, twoPlaces);
        QVERIFY(m_view->results().isEmpty());
        QVERIFY(!m_view->isSearching());
    }
};

WISPLET_WIDGETS_TEST_MAIN(WeatherViewTest)
#include "tst_weatherview.moc"
