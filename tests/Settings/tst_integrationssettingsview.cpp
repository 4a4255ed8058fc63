#include "Wisplet/Base/Keychain.h"
#include "Wisplet/Base/Stepper.h"
#include "Wisplet/Base/WindowPalette.h"
#include "Wisplet/Settings/IntegrationSettingsRow.h"
#include "Wisplet/Settings/IntegrationsSettingsView.h"
#include "Wisplet/Settings/SettingsForm.h"
#include "Wisplet/Tools/Business/IntegrationsHub.h"
#include "Wisplet/Tools/Media/NowPlaying.h"
#include "Wisplet/Tools/Weather/WeatherTool.h"
#include "tests/support/FakeConnector.h"
#include "tests/support/FakeMediaPlayers.h"
#include "tests/support/FakeSecretStore.h"
#include "tests/support/Fixtures.h"
#include "tests/support/HeldHttpTransport.h"
#include "tests/support/VisualOrder.h"
#include "tests/support/WidgetsTestMain.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

namespace {

// The page over a defaults file and an in-memory keyring, built once the test has stored what it needs.
struct PageFixture : CompanionFixture
{
    using CompanionFixture::CompanionFixture;

    void build()
    {
        hub = std::make_unique<IntegrationsHub>(
            IntegrationsHub::Services{defaults, keychain, clock, scheduler, *wisp, connector});
        nowPlaying = std::make_unique<NowPlaying>(NowPlaying::Services{defaults, scheduler, players, transport, {}});
        weather =
            std::make_unique<WeatherTool>(WeatherTool::Services{defaults, keychain, clock, client}, WeatherEndpoints{});
        view = std::make_unique<IntegrationsSettingsView>(*hub, *nowPlaying, *weather);
        view->setPalette(darkWindowPalette());
        view->setAutoFillBackground(true);
        view->resize(520, 900);
    }

    // Opens the kind's row and finds a part of it by name.
    template <typename T>
    T* open(IntegrationKind kind, const char* name)
    {
        auto* row = view->findChild<IntegrationSettingsRow*>(rawValue(kind));
        if (!row->isExpanded())
            row->findChild<QToolButton*>(QStringLiteral("disclosure"))->click();
        return row->findChild<T*>(name);
    }

    FakeSecretStore secrets;
    Keychain keychain{secrets};
    FakeConnector connector;
    FakeMediaPlayers players;
    HeldHttpTransport transport;
    IntegrationClient client{transport, ServiceEndpoints{}};
    std::unique_ptr<IntegrationsHub> hub;
    std::unique_ptr<NowPlaying> nowPlaying;
    std::unique_ptr<WeatherTool> weather;
    std::unique_ptr<IntegrationsSettingsView> view;
};

struct TestRun
{
    bool enabled;
    SnapshotResult result;
    QString line;
    SettingsForm::Tone tone;
    bool refreshes;
};

} // namespace

Q_DECLARE_METATYPE(TestRun)

class IntegrationsSettingsViewTest final : public QObject
{
    Q_OBJECT

private slots:
    void showsStoredValuesWritingNothingUntilEdited()
    {
        QTemporaryDir home;
        PageFixture f(home.filePath(QStringLiteral("defaults.json")));
        f.defaults.set("integration.plausible.siteId", "example.com");
        f.secrets.items.insert("plausible.apiKey", "secret");
        f.defaults.set("integrations.refresh", 7.5);
        f.build();
        QVERIFY(f.defaults.flush());
        QFile file(home.filePath(QStringLiteral("defaults.json")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        const auto secretsBefore = f.secrets.items;

        auto* key = f.open<QLineEdit>(IntegrationKind::plausible, "apiKey");
        QCOMPARE(key->text(), QStringLiteral("secret"));
        QCOMPARE(key->echoMode(), QLineEdit::Password);
        QCOMPARE(f.open<QLineEdit>(IntegrationKind::plausible, "siteId")->text(), QStringLiteral("example.com"));
        // The section's backdrop leaves the window's colours to the inputs.
        QCOMPARE(key->palette().color(QPalette::Base), darkWindowPalette().color(QPalette::Base));
        QVERIFY(f.view->findChild<Stepper*>()->labelText().contains(QStringLiteral(" 7 ")));
        // Equal values written back would leave the file as it was: no write is pending at all.
        QVERIFY(!f.defaults.hasPendingChanges());
        QCOMPARE(f.hub->configVersion(), 0);
        QVERIFY(f.defaults.flush());
        file.seek(0);
        QCOMPARE(file.readAll(), before);
        QCOMPARE(f.secrets.items, secretsBefore);

        key->selectAll();
        QTest::keyClick(key, Qt::Key_Backspace);
        QVERIFY(!f.secrets.items.contains("plausible.apiKey"));
    }

    // A row's inputs take typing while the keyring has not answered; what was typed wins over the late answer,
    // and what became of its save is said in the row.
    void aRowNeverWaitsForTheKeyring_data()
    {
        QTest::addColumn<SecretStore::Status>("keyring");
        QTest::addColumn<QString>("said");
        QTest::newRow("answers late") << SecretStore::Status::Found << QString();
        QTest::newRow("never answers") << SecretStore::Status::TimedOut
                                       << QStringLiteral(
                                              "Could not save this credential: the keyring did not answer in time.");
    }

    void aRowNeverWaitsForTheKeyring()
    {
        QFETCH(SecretStore::Status, keyring);
        QFETCH(QString, said);
        PageFixture f;
        f.secrets.items.insert("plausible.apiKey", "stored");
        f.secrets.holding = true;
        f.build();
        auto* key = f.open<QLineEdit>(IntegrationKind::plausible, "apiKey");
        QCOMPARE(key->placeholderText(), QStringLiteral("Reading from the keyring…"));
        QTest::keyClicks(key, QStringLiteral("typed"));

        f.secrets.answerAll(keyring);
        QCOMPARE(key->text(), QStringLiteral("typed"));
        QCOMPARE(key->placeholderText(), fields(IntegrationKind::plausible).first().placeholder);
        QCOMPARE(QString::fromUtf8(f.secrets.items.value("plausible.apiKey")),
                 said.isEmpty() ? QStringLiteral("typed") : QStringLiteral("stored"));
        const auto* problem = f.open<QLabel>(IntegrationKind::plausible, "keyringProblem");
        QCOMPARE(problem->isVisibleTo(problem->parentWidget()), !said.isEmpty());
        QCOMPARE(problem->text(), said);
    }

    // A keyring that refuses at once, while the row is being made.
    void aRowOpenedWhileTheKeyringRefusesSaysSo()
    {
        PageFixture f;
        f.secrets.failing = true;
        f.build();
        const auto* problem = f.open<QLabel>(IntegrationKind::plausible, "keyringProblem");
        QVERIFY(problem->isVisibleTo(problem->parentWidget()));
        QVERIFY(!problem->text().isEmpty());
    }

    void showsTheTestResult_data()
    {
        QTest::addColumn<TestRun>("row");
        const QList<Metric> three{{"a", "1"}, {"b", "2"}, {"c", "3"}};
        QTest::newRow("off") << TestRun{false, IntegrationSnapshot{three, {}, {}, {}, {}}, "✓ a: 1, b: 2",
                                        SettingsForm::Tone::success, false};
        QTest::newRow("on") << TestRun{true, IntegrationSnapshot{{{"a", "1"}}, {}, {}, {}, {}}, "✓ a: 1",
                                       SettingsForm::Tone::success, true};
        const QString excerpt = "Invalid API Key provided: rk_live_****. Create a restricted key with read access.";
        QTest::newRow("failure") << TestRun{true, IntegrationError::http(401, excerpt), "HTTP 401: " + excerpt,
                                            SettingsForm::Tone::warning, false};
    }

    void showsTheTestResult()
    {
        QFETCH(TestRun, row);
        PageFixture f;
        if (row.enabled)
            f.defaults.set("integrations.enabled", QStringList{"stripe"});
        f.build();
        f.hub->start();
        if (row.enabled)
            f.connector.finish(0, IntegrationSnapshot{});
        const auto before = f.connector.calls.size();

        auto* test = f.open<QPushButton>(IntegrationKind::stripe, "test");
        test->click();
        QVERIFY(!test->isEnabled());
        f.connector.finish(qsizetype(before), row.result);
        QVERIFY(test->isEnabled());
        const auto* line = f.open<QLabel>(IntegrationKind::stripe, "testResult");
        QCOMPARE(line->text(), row.line);
        QLabel probe;
        SettingsForm::setTone(&probe, row.tone);
        QCOMPARE(line->palette().color(QPalette::WindowText), probe.palette().color(QPalette::WindowText));
        QCOMPARE(f.connector.calls.size(), before + 1 + (row.refreshes ? 1 : 0));
    }

    void testsWithTheTypedKey_data()
    {
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("line");
        QTest::newRow("kept") << false << QStringLiteral("✓ a: 1");
        QTest::newRow("refused by the keyring")
            << true
            << QStringLiteral(u"\u2068✓ a: 1\u2069 Tested with the key typed here: the keyring refused to keep it.");
    }

    // What the input shows is what is tested, even a key the keyring would not keep; the line says so.
    void testsWithTheTypedKey()
    {
        QFETCH(bool, refused);
        QFETCH(QString, line);
        PageFixture f;
        f.build();
        auto* key = f.open<QLineEdit>(IntegrationKind::stripe, "apiKey");
        f.secrets.failing = refused;
        QTest::keyClicks(key, QStringLiteral("rk_typed"));
        f.secrets.failing = false;

        f.open<QPushButton>(IntegrationKind::stripe, "test")->click();
        QCOMPARE(f.connector.calls.size(), 1);
        QCOMPARE(f.connector.calls.front()->credentials.value(QStringLiteral("apiKey")), QStringLiteral("rk_typed"));
        f.connector.finish(0, IntegrationSnapshot{{{"a", "1"}}, {}, {}, {}, {}});
        QCOMPARE(f.open<QLabel>(IntegrationKind::stripe, "testResult")->text(), line);
    }

    void theServicesWordsKeepToThemselves_data()
    {
        QTest::addColumn<QString>("said");
        QTest::newRow("override") << QStringLiteral(u"bad key\u202E");
        QTest::newRow("isolate") << QStringLiteral(u"\u2067bad key");
    }

    // A failure with a key the keyring refused: the service's words, then ours, which read as written.
    void theServicesWordsKeepToThemselves()
    {
        QFETCH(QString, said);
        PageFixture f;
        f.build();
        auto* key = f.open<QLineEdit>(IntegrationKind::stripe, "apiKey");
        f.secrets.failing = true;
        QTest::keyClicks(key, QStringLiteral("rk_typed"));
        f.secrets.failing = false;
        f.open<QPushButton>(IntegrationKind::stripe, "test")->click();
        f.connector.finish(0, IntegrationError::http(401, said));
        const QString line = f.open<QLabel>(IntegrationKind::stripe, "testResult")->text();
        const qsizetype ours = line.indexOf(QStringLiteral(" Tested"));
        QVERIFY2(ours > 0, qPrintable(line));
        QVERIFY(VisualOrder::endReadsInOrder(line, line.size() - ours));
    }

    void aRowGoneBeforeItsTestEndsIsLeftAlone()
    {
        PageFixture f;
        f.build();
        f.open<QPushButton>(IntegrationKind::claudeCode, "test")->click();
        f.view.reset();
        f.connector.finish(0, IntegrationSnapshot{});
    }
};

WISPLET_WIDGETS_TEST_MAIN(IntegrationsSettingsViewTest)

#include "tst_integrationssettingsview.moc"
