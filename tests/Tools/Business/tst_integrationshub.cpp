#include "Wisplet/Tools/Business/IntegrationsService.h"
#include "tests/support/HubFixture.h"
#include "tests/support/TestMain.h"

#include <cmath>
#include <limits>

namespace {

using namespace std::chrono_literals;

const QTimeZone auckland("Pacific/Auckland");
const IntegrationField& stripeKey = fields(IntegrationKind::stripe).first();
const IntegrationField& siteId = fields(IntegrationKind::plausible).at(1);

struct Interval
{
    std::optional<QVariant> stored;
    std::optional<double> set;
    std::chrono::milliseconds expected;
};

struct Sale
{
    IntegrationSnapshot previous;
    IntegrationSnapshot current;
    std::optional<QString> text;
};

IntegrationSnapshot payment(qint64 orders, std::optional<double> revenue, std::optional<QString> currency,
                            QDateTime at = QDateTime(QDate(2026, 3, 10), QTime(1, 0), Qt::UTC))
{
    return {{}, orders, revenue, currency, at};
}

using Status = Keychain::Status;

} // namespace

Q_DECLARE_METATYPE(Interval)
Q_DECLARE_METATYPE(Sale)

class IntegrationsHubTest final : public QObject
{
    Q_OBJECT

private slots:
    void timesRefreshesWithinBounds_data()
    {
        QTest::addColumn<Interval>("row");
        constexpr auto longest = std::chrono::milliseconds(std::numeric_limits<int>::max());
        QTest::newRow("nothing stored") << Interval{{}, {}, 300s};
        QTest::newRow("a quarter minute") << Interval{0.25, {}, 60s};
        QTest::newRow("unreadable text") << Interval{QStringLiteral("soon"), {}, 60s};
        QTest::newRow("a minute and a half") << Interval{{}, 1.5, 90s};
        QTest::newRow("undefined") << Interval{{}, std::nan(""), 60s};
        QTest::newRow("huge") << Interval{{}, 1e300, longest};
    }

    void timesRefreshesWithinBounds()
    {
        QFETCH(Interval, row);
        HubFixture f;
        if (row.stored) {
            f.defaults.set("integrations.refresh", *row.stored);
            f.hub = f.create();
        }
        f.hub->start();
        if (row.set)
            f.hub->setRefreshMinutes(*row.set);
        QVERIFY(f.hub->timerInterval());
        QCOMPARE(f.hub->timerInterval()->count(), row.expected.count());
    }

    void keepsTheEnabledListSortedAndKnown()
    {
        HubFixture f;
        f.defaults.set("integrations.enabled", QStringList{"umami", "someday", "stripe"});
        f.hub = f.create();
        QCOMPARE(f.hub->enabledKinds(), (QList{IntegrationKind::stripe, IntegrationKind::umami}));
        f.hub->setEnabled(IntegrationKind::github, true);
        QCOMPARE(f.defaults.stringArray("integrations.enabled"), QStringList({"github", "stripe", "umami"}));
        // Stopped: switching on only records it.
        QVERIFY(f.connector.calls.empty());
    }

    void startsAndStopsWithTheToolWithoutRequestsWhenNothingIsOn()
    {
        HubFixture f;
        IntegrationsService service(*f.hub);
        service.start();
        QVERIFY(f.hub->isActive() && f.hub->timerInterval());
        service.stop();
        QVERIFY(!f.hub->isActive() && !f.hub->timerInterval());
        QVERIFY(f.connector.calls.empty());
    }

    void skipsARefreshWhileOneRuns()
    {
        HubFixture f;
        f.startWith(IntegrationKind::github);
        f.hub->refresh(IntegrationKind::github);
        f.hub->refreshAll();
        QCOMPARE(f.connector.calls.size(), std::size_t(1));
        f.connector.finish(0, IntegrationError::http(503, {}));
        QCOMPARE(f.hub->errors().value(IntegrationKind::github), QStringLiteral("HTTP 503"));
        QVERIFY(f.hub->refreshing().isEmpty());
        QCOMPARE(f.hub->lastRefresh(), f.clock.now());
    }

    void dropsALateResultOfAServiceSwitchedOff()
    {
        HubFixture f;
        f.connector.ignoresCancel = true;
        f.startWith(IntegrationKind::stripe);
        f.connector.finish(0, f.orders(1));
        f.hub->refresh(IntegrationKind::stripe);
        f.connector.finish(1, IntegrationError::badResponse());
        // The last good figures stay beside the error.
        QCOMPARE(f.hub->snapshots().size(), 1);
        QCOMPARE(f.hub->errors().size(), 1);
        f.hub->refresh(IntegrationKind::stripe);
        f.hub->setEnabled(IntegrationKind::stripe, false);
        QVERIFY(f.hub->snapshots().isEmpty() && f.hub->errors().isEmpty() && f.hub->refreshing().isEmpty());
        f.hub->setEnabled(IntegrationKind::stripe, true);

        f.connector.finish(2, IntegrationError::badResponse());
        QVERIFY(f.hub->errors().isEmpty());
        QVERIFY(f.hub->refreshing().contains(IntegrationKind::stripe));
        f.connector.finish(3, f.orders(2));
        QCOMPARE(f.hub->snapshots().value(IntegrationKind::stripe), f.orders(2));
    }

    void stoppingKeepsErrorsAndDropsFigures()
    {
        HubFixture f;
        f.startWith(IntegrationKind::stripe);
        f.hub->setEnabled(IntegrationKind::github, true);
        f.connector.finish(0, f.orders(1));
        f.connector.finish(1, IntegrationError::missing("Token"));
        f.hub->refreshAll();
        f.hub->stop();
        QVERIFY(!f.connector.isWaiting(2));
        QVERIFY(f.hub->snapshots().isEmpty() && f.hub->refreshing().isEmpty());
        QCOMPARE(f.hub->errors().value(IntegrationKind::github), QStringLiteral("Token is required."));
        f.hub->start();
        QCOMPARE(f.connector.calls.size(), std::size_t(6));
    }

    void savingCredentialsRefreshesOnceAfterTheLastSave()
    {
        HubFixture f;
        f.startWith(IntegrationKind::plausible);
        f.connector.finish(0, f.orders(1));
        const int version = f.hub->configVersion();
        f.hub->saveCredentials("key", fields(IntegrationKind::plausible).first(), IntegrationKind::plausible);
        f.scheduler.advance(800);
        f.hub->saveCredentials("example.com", siteId, IntegrationKind::plausible);
        QCOMPARE(f.hub->configVersion(), version + 2);
        QVERIFY(f.hub->snapshots().isEmpty());
        f.scheduler.advance(1199);
        QCOMPARE(f.connector.calls.size(), std::size_t(1));
        f.scheduler.advance(1);
        QCOMPARE(f.connector.calls.size(), std::size_t(2));
        QCOMPARE(f.connector.calls.back()->credentials,
                 (Credentials{{"apiKey", "key"}, {"siteId", "example.com"}, {"baseURL", ""}}));
        QCOMPARE(f.defaults.string("integration.plausible.siteId"), QStringLiteral("example.com"));
        QCOMPARE(f.secrets.items.value("plausible.apiKey"), QByteArray("key"));
    }

    void neverWritesBackAFailedKeyringRead()
    {
        HubFixture f;
        f.secrets.items.insert("stripe.apiKey", "rk_live_1");
        f.secrets.failing = true;
        f.startWith(IntegrationKind::stripe);
        // A keyring that cannot be asked is not reported as a missing key, and nothing is fetched.
        QVERIFY(f.connector.calls.empty());
        QVERIFY(f.hub->errors().value(IntegrationKind::stripe).contains("keyring"));
        QCOMPARE(QCoro::waitFor(f.hub->credential(stripeKey, IntegrationKind::stripe)).status,
                 Keychain::Status::Failed);

        f.hub->saveCredentials("rk_live_2", stripeKey, IntegrationKind::stripe);
        QVERIFY(f.hub->errors().value(IntegrationKind::stripe).contains("keyring"));
        QCOMPARE(f.scheduler.pendingCount(), 0);
        f.secrets.failing = false;
        QCOMPARE(QCoro::waitFor(f.hub->credential(stripeKey, IntegrationKind::stripe)).value,
                 QStringLiteral("rk_live_1"));
        QCOMPARE(f.secrets.items.value("stripe.apiKey"), QByteArray("rk_live_1"));
    }

    // Until the keyring answers, the fetch waits; then it goes on, or the keyring's failure is the error (a
    // refusal as in neverWritesBackAFailedKeyringRead).
    void aSlowKeyringHoldsTheFetchBack_data()
    {
        QTest::addColumn<Status>("keyring");
        QTest::addColumn<QString>("error");
        QTest::newRow("answers") << Status::Found << QString();
        QTest::newRow("never answers") << Status::TimedOut
                                       << "Could not read this credential: the keyring did not answer in time.";
    }

    void aSlowKeyringHoldsTheFetchBack()
    {
        QFETCH(Status, keyring);
        QFETCH(QString, error);
        HubFixture f;
        f.secrets.items.insert("stripe.apiKey", "rk_live_1");
        f.secrets.holding = true;
        f.startWith(IntegrationKind::stripe);
        QVERIFY(f.hub->refreshing().contains(IntegrationKind::stripe));
        QVERIFY(f.connector.calls.empty());

        f.secrets.answerAll(keyring);
        const bool answered = keyring == Status::Found;
        QCOMPARE(f.connector.calls.size(), std::size_t(answered ? 1 : 0));
        QCOMPARE(f.hub->refreshing().contains(IntegrationKind::stripe), answered);
        QCOMPARE(f.hub->errors().value(IntegrationKind::stripe), error);
    }

    // A secret counts as saved once the keyring took it; until then, and when it did not, nothing changes but
    // the error, and a keyring that may hold either value is asked again. A refusal takes the same way.
    void aSaveCountsOnceTheKeyringTookIt_data()
    {
        QTest::addColumn<Status>("keyring");
        QTest::addColumn<QString>("error");
        QTest::newRow("taken") << Status::Found << QString();
        QTest::newRow("not answered") << Status::TimedOut
                                      << "Could not save this credential: the keyring did not answer in time.";
    }

    void aSaveCountsOnceTheKeyringTookIt()
    {
        QFETCH(Status, keyring);
        QFETCH(QString, error);
        HubFixture f;
        f.secrets.items.insert("stripe.apiKey", "rk_live_1");
        f.startWith(IntegrationKind::stripe);
        f.connector.finish(0, f.orders(1));
        f.secrets.holding = true;
        f.hub->saveCredentials("rk_live_2", stripeKey, IntegrationKind::stripe);
        QCOMPARE(f.hub->configVersion(), 0);
        QCOMPARE(f.hub->snapshots().size(), 1);

        f.secrets.answerAll(keyring);
        const bool taken = keyring == Status::Found;
        QCOMPARE(f.hub->configVersion(), taken ? 1 : 0);
        QCOMPARE(f.hub->snapshots().isEmpty(), taken);
        QCOMPARE(f.hub->errors().value(IntegrationKind::stripe), error);
        QCOMPARE(f.scheduler.pendingCount(), taken ? 1 : 0);

        f.secrets.holding = false;
        f.secrets.failing = false;
        const int lookups = f.secrets.lookups;
        QCOMPARE(QCoro::waitFor(f.hub->credential(stripeKey, IntegrationKind::stripe)).value,
                 taken ? QStringLiteral("rk_live_2") : QStringLiteral("rk_live_1"));
        QCOMPARE(f.secrets.lookups, lookups + (taken ? 0 : 1));
    }

    void celebratesANewSale()
    {
        HubFixture f;
        f.startWith(IntegrationKind::stripe);
        f.connector.finish(0, f.orders(3));
        QVERIFY(!f.wisp->bubble());
        f.clock.advance(60'000);
        f.hub->refresh(IntegrationKind::stripe);
        f.connector.finish(1, f.orders(5));
        QVERIFY(f.wisp->bubble());
        QVERIFY(f.wisp->bubble()->contains("2 sales"));
    }

    void namesTheSale_data()
    {
        QTest::addColumn<Sale>("row");
        const QDateTime lateEvening(QDate(2026, 3, 10), QTime(10, 30), Qt::UTC); // 23:30 in Auckland
        const QDateTime afterMidnight = lateEvening.addSecs(3600);
        QTest::newRow("revenue rise") << Sale{payment(3, 100, "USD"), payment(4, 125, "USD"), "$25.00"};
        QTest::newRow("both without currency") << Sale{payment(3, 100, {}), payment(4, 125, {}), "$25.00"};
        QTest::newRow("revenue unchanged") << Sale{payment(3, 100, "USD"), payment(5, 100, "USD"), "2 sales"};
        QTest::newRow("currency changed") << Sale{payment(3, 100, "USD"), payment(4, 125, "EUR"), "1 sale"};
        QTest::newRow("currency case differs") << Sale{payment(3, 100, "usd"), payment(4, 125, "USD"), "1 sale"};
        QTest::newRow("no revenue") << Sale{payment(3, {}, {}), payment(4, {}, {}), "1 sale"};
        QTest::newRow("count unchanged") << Sale{payment(3, 100, "USD"), payment(3, 125, "USD"), {}};
        QTest::newRow("no count before") << Sale{{{}, {}, {}, {}, lateEvening}, payment(4, {}, {}), {}};
        QTest::newRow("across local midnight, same UTC day")
            << Sale{payment(3, 100, "USD", lateEvening), payment(4, 125, "USD", afterMidnight), {}};
    }

    void namesTheSale()
    {
        QFETCH(Sale, row);
        QCOMPARE(IntegrationsHub::saleText(row.previous, row.current, auckland, QLocale("en_US")), row.text);
    }
};

WISPLET_TEST_MAIN(IntegrationsHubTest)
#include "tst_integrationshub.moc"
