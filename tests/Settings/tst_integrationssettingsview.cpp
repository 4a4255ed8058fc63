#include "Wisplet/Base/Keychain.h"
#include "Wisplet/Base/Stepper.h"
#include "Wisplet/Base/WindowPalette.h"
#include "Wisplet/Settings/IntegrationSettingsRow.h"
#include "Wisplet/Settings/IntegrationsSettingsView.h"
#include "Wisplet/Settings/SettingsForm.h"
#include "Wisplet/Tools/Business/IntegrationClient.h"
#include "Wisplet/Tools/Business/IntegrationsHub.h"
#include "Wisplet/Tools/Media/NowPlaying.h"
#include "Wisplet/Tools/Weather/WeatherTool.h"
#include "tests/support/FakeConnector.h"
#include "tests/support/FakeMediaPlayers.h"
#include "tests/support/FakeSecretStore.h"
#include "tests/support/Fixtures.h"
#include "tests/support/HeldHttpTransport.h"
#include "tests/support/WidgetsTestMain.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

namespace {

// The stores the page edits, over a defaults file and an in-memory keyring; built once the test has stored
// what it needs.
struct PageFixture : CompanionFixture
{
    explicit PageFixture(const QString& defaultsPath = QString())
        : CompanionFixture(defaultsPath)
    { }

    void build()
    {
        hub = std::make_unique<IntegrationsHub>(
            IntegrationsHub::Services{defaults, keychain, clock, scheduler, *wisp, connector});
        nowPlaying = std::make_unique<NowPlaying>(NowPlaying::Services{defaults, scheduler, players, network, {}});
        weather = std::make_unique<WeatherTool>(WeatherTool::Services{defaults, keychain, clock, client},
                                                WeatherEndpoints{"https://f.test", "https://s.test"});
        view = std::make_unique<IntegrationsSettingsView>(*hub, *nowPlaying, *weather);
        // Dark, as in the settings window.
        view->setPalette(darkWindowPalette());
        view->setAutoFillBackground(true);
        view->resize(520, 900);
    }

    IntegrationSettingsRow& open(IntegrationKind kind)
    {
        auto* row = view->findChild<IntegrationSettingsRow*>(rawValue(kind));
        row->findChild<QToolButton*>(QStringLiteral("disclosure"))->click();
        return *row;
    }

    template <typename T>
    static T* part(IntegrationSettingsRow& row, const QString& name)
    {
        return row.findChild<T*>(name);
    }

    FakeSecretStore secrets;
    Keychain keychain{secrets};
    FakeConnector connector;
    FakeMediaPlayers players;
    QNetworkAccessManager network;
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

struct Step
{
    double stored;
    QString button;
    double value;
    QString number;
};

IntegrationSnapshot figures(const QList<Metric>& metrics)
{
    return {metrics, {}, {}, {}, QDateTime(QDate(2026, 3, 10), QTime(9, 0), Qt::UTC)};
}

} // namespace

Q_DECLARE_METATYPE(TestRun)
Q_DECLARE_METATYPE(Step)

class IntegrationsSettingsViewTest final : public QObject
{
    Q_OBJECT

private slots:
    void openingAConfiguredRowShowsItsValuesAndWritesNothing()
    {
        QTemporaryDir home;
        const QString path = home.filePath(QStringLiteral("defaults.json"));
        PageFixture f(path);
        f.defaults.set("integration.plausible.siteId", "example.com");
        f.defaults.set("integrations.enabled", QStringList{"plausible"});
        f.secrets.items.insert("plausible.apiKey", "secret");
        f.build();
        QVERIFY(f.defaults.flush());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        const auto secretsBefore = f.secrets.items;

        IntegrationSettingsRow& row = f.open(IntegrationKind::plausible);
        QVERIFY(row.isExpanded());
        const auto* key = f.part<QLineEdit>(row, "apiKey");
        QCOMPARE(key->text(), QStringLiteral("secret"));
        QCOMPARE(key->echoMode(), QLineEdit::Password);
        // The section's backdrop leaves the window's colours to the inputs.
        QCOMPARE(key->palette().color(QPalette::Base), darkWindowPalette().color(QPalette::Base));
        QCOMPARE(f.part<QLineEdit>(row, "siteId")->text(), QStringLiteral("example.com"));
        QCOMPARE(f.part<QLineEdit>(row, "siteId")->echoMode(), QLineEdit::Normal);
        QVERIFY(f.part<QCheckBox>(row, "enabled")->isChecked());

        QVERIFY(f.defaults.flush());
        file.seek(0);
        QCOMPARE(file.readAll(), before);
        QCOMPARE(f.secrets.items, secretsBefore);
    }

    void clearingASecureFieldDeletesTheKeyringItem()
    {
        PageFixture f;
        f.secrets.items.insert("github.token", "ghp");
        f.build();
        auto* token = f.part<QLineEdit>(f.open(IntegrationKind::github), "token");
        token->selectAll();
        QTest::keyClick(token, Qt::Key_Backspace);
        QVERIFY(!f.secrets.items.contains("github.token"));
        QCOMPARE(token->text(), QString());
    }

    void showsTheTestResult_data()
    {
        QTest::addColumn<TestRun>("row");
        const QList<Metric> three{{"a", "1"}, {"b", "2"}, {"c", "3"}};
        QTest::newRow("switched off: no refresh")
            << TestRun{false, figures(three), "✓ a: 1, b: 2", SettingsForm::Tone::success, false};
        QTest::newRow("switched on: refreshed")
            << TestRun{true, figures({{"a", "1"}}), "✓ a: 1", SettingsForm::Tone::success, true};
        QTest::newRow("no metrics") << TestRun{true, figures({}), "✓ ", SettingsForm::Tone::success, true};
        const QString excerpt = "Invalid API Key provided: rk_live_****. Create a restricted key with read access.";
        QTest::newRow("failure") << TestRun{true, IntegrationError::http(401, excerpt), "HTTP 401: " + excerpt,
                                            SettingsForm::Tone::warning, false};
    }

    void showsTheTestResult()
    {
        QFETCH(TestRun, row);
        PageFixture f;
        f.secrets.items.insert("stripe.apiKey", "rk");
        if (row.enabled)
            f.defaults.set("integrations.enabled", QStringList{"stripe"});
        f.build();
        f.hub->start();
        if (row.enabled)
            f.connector.finish(0, figures({}));
        const qsizetype before = qsizetype(f.connector.calls.size());

        IntegrationSettingsRow& stripe = f.open(IntegrationKind::stripe);
        auto* test = f.part<QPushButton>(stripe, "test");
        test->click();
        QVERIFY(stripe.isTesting());
        QVERIFY(!test->isEnabled());
        f.connector.finish(before, row.result);

        QVERIFY(test->isEnabled());
        const auto* line = f.part<QLabel>(stripe, "testResult");
        QCOMPARE(line->text(), row.line);
        QLabel probe;
        SettingsForm::setTone(&probe, row.tone);
        QCOMPARE(line->palette().color(QPalette::WindowText), probe.palette().color(QPalette::WindowText));
        QCOMPARE(qsizetype(f.connector.calls.size()), before + 1 + (row.refreshes ? 1 : 0));
        // Not a check: the page as it looks, in the build folder.
        f.view->show();
        QCoreApplication::processEvents();
        f.view->grab().save(QDir(QStringLiteral(QT_TESTCASE_BUILDDIR))
                                .filePath(QStringLiteral("integrations-settings-%1.png")
                                              .arg(QTest::currentDataTag())
                                              .replace(' ', '-')
                                              .remove(':')));
    }

    void aRowGoneBeforeItsTestEndsIsLeftAlone()
    {
        PageFixture f;
        f.build();
        f.part<QPushButton>(f.open(IntegrationKind::claudeCode), "test")->click();
        f.view.reset();
        f.connector.finish(0, figures({{"a", "1"}}));
        QCOMPARE(f.connector.calls.size(), size_t(1));
    }

    void refreshStepperKeepsTheStoredValue_data()
    {
        QTest::addColumn<Step>("row");
        QTest::newRow("at the top") << Step{60, "increment", 60, "60"};
        QTest::newRow("at the bottom") << Step{1, "decrement", 1, "1"};
        QTest::newRow("a fraction is shown truncated") << Step{7.5, {}, 7.5, "7"};
        QTest::newRow("a step from a fraction") << Step{7.5, "increment", 8.5, "8"};
    }

    void refreshStepperKeepsTheStoredValue()
    {
        QFETCH(Step, row);
        PageFixture f;
        f.defaults.set("integrations.refresh", row.stored);
        f.build();
        auto* stepper = f.view->findChild<Stepper*>(QStringLiteral("refreshMinutes"));
        if (!row.button.isEmpty())
            stepper->findChild<QToolButton*>(row.button)->click();
        QCOMPARE(f.hub->refreshMinutes(), row.value);
        QCOMPARE(f.defaults.doubleValue("integrations.refresh"), row.value);
        QVERIFY(stepper->labelText().contains(QStringLiteral(" %1 ").arg(row.number)));
    }
};

WISPLET_WIDGETS_TEST_MAIN(IntegrationsSettingsViewTest)

#include "tst_integrationssettingsview.moc"
