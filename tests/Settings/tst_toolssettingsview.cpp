#include "Wisplet/Base/Keychain.h"
#include "Wisplet/Platform/FrontApplications.h"
#include "Wisplet/Settings/ExcludedAppsText.h"
#include "Wisplet/Settings/ToolOrderList.h"
#include "Wisplet/Settings/ToolsSettingsView.h"
#include "Wisplet/Tools/Clipboard/ClipboardManager.h"
#include "Wisplet/Tools/Weather/WeatherTool.h"
#include "tests/Tools/Focus/FocusFixture.h"
#include "tests/support/FakeClipboard.h"
#include "tests/support/FakeSecretStore.h"
#include "tests/support/Files.h"
#include "tests/support/FocusMarks.h"
#include "tests/support/HeldHttpTransport.h"
#include "tests/support/WidgetsTestMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>

namespace {

struct DefaultsFile
{
    TempFolder home;
    QString path = home.file(QStringLiteral("defaults.json"));
};

// The four stores of the page over a defaults file holding these values, with a stored weather key.
struct ToolStores : DefaultsFile, FocusFixture
{
    explicit ToolStores(const QVariantMap& values = {})
        : FocusFixture((seedDefaults(path, values), path))
    {
        secrets.items.insert(QStringLiteral("weather.apiKey"), "stored-key");
        launch();
        clipboard = std::make_unique<ClipboardManager>(
            ClipboardManager::Services{defaults, clock, scheduler, settings, *wisp, pasteboard, applications, paste},
            folder.path(), true);
        weather = std::make_unique<WeatherTool>(WeatherTool::Services{defaults, keychain, clock, client},
                                                WeatherEndpoints{"https://f.test/v1/forecast", "https://s.test/v1/s"});
        defaults.flush();
    }

    std::unique_ptr<ToolsSettingsView> open()
    {
        auto view = std::make_unique<ToolsSettingsView>(*registry, *engine, *clipboard, *weather,
                                                        [this] { return paste.permitted; });
        view->resize(520, 900);
        view->show();
        QCoreApplication::processEvents();
        return view;
    }

    FakeSecretStore secrets;
    Keychain keychain{secrets};
    HeldHttpTransport transport;
    IntegrationClient client{transport, ServiceEndpoints{}};
    TempFolder folder;
    FakePasteboard pasteboard;
    FakeActiveWindows windows;
    FrontApplications applications{windows, 4242};
    FakePasteKeystroke paste;
    std::unique_ptr<ClipboardManager> clipboard;
    std::unique_ptr<WeatherTool> weather;
};

QToolButton* button(QWidget& view, const QString& stepper, const QString& which)
{
    return view.findChild<QWidget*>(stepper)->findChild<QToolButton*>(which);
}

struct BoundRow
{
    QString stepper;
    QString key;
    double value;
    QString button;
};

struct ParseRow
{
    QString text;
    QStringList ids;
};

} // namespace

Q_DECLARE_METATYPE(BoundRow)
Q_DECLARE_METATYPE(ParseRow)

class ToolsSettingsViewTest final : public QObject
{
    Q_OBJECT

private slots:
    void openingThePageWritesNothing()
    {
        ToolStores s({{"focus.work", 25.5}, {"focus.hydration", 200}, {"clipboard.excluded", QStringList{"", "b"}}});
        const QByteArray file = TestFiles::read(s.defaults.filePath());
        const auto secrets = s.secrets.items;
        const int pending = s.scheduler.pendingCount();
        auto view = s.open();
        QVERIFY(view->findChild<QWidget*>("work")->findChild<QLabel*>()->text().contains(" 25 "));
        view.reset();
        QVERIFY(!s.defaults.hasPendingChanges());
        QVERIFY(s.defaults.flush());
        QCOMPARE(TestFiles::read(s.defaults.filePath()), file);
        QCOMPARE(s.secrets.items, secrets);
        QCOMPARE(s.scheduler.pendingCount(), pending);
        QCOMPARE(s.engine->workMinutes(), 25.5);
    }

    // Typing goes on while the keyring has not answered: what was typed wins over the late answer, and a save the
    // keyring never answered is said under the field.
    void theWeatherKeyNeverWaitsForTheKeyring()
    {
        ToolStores s;
        s.secrets.holding = true;
        const auto view = s.open();
        auto* field = view->findChild<QLineEdit*>(QStringLiteral("weatherKey"));
        QCOMPARE(field->placeholderText(), QStringLiteral("Reading from the keyring…"));
        QTest::keyClicks(field, QStringLiteral("new"));

        s.secrets.answerAll(SecretStore::Status::TimedOut);
        QCOMPARE(field->text(), QStringLiteral("new"));
        QCOMPARE(s.weather->apiKey(), QStringLiteral("new"));
        const auto* said = view->findChild<QLabel*>(QStringLiteral("weatherError"));
        QVERIFY(said->isVisibleTo(view.get()));
        QCOMPARE(said->text(), QStringLiteral("Could not save the weather key: the keyring did not answer in time."));
    }

    // Tab reaches the weather's plans link and rings it.
    void thePlansLinkIsOnTheTabPath()
    {
        ToolStores s;
        const auto view = s.open();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        view->nextInFocusChain()->setFocus();
        QStringList stops;
        const QString unmarked = FocusMarks::stopsWithoutMark(*view, &stops);
        QVERIFY(stops.contains(QStringLiteral("LinkButton 'Open-Meteo plans and attribution'")));
        QVERIFY(!unmarked.contains(QStringLiteral("LinkButton")));
    }

    void aStepperAtItsBoundKeepsTheValue_data()
    {
        QTest::addColumn<BoundRow>("row");
        const QList<BoundRow> rows{
            {"water", "focus.hydration", 0, "decrement"},  {"water", "focus.hydration", 180, "increment"},
            {"work", "focus.work", 5, "decrement"},        {"work", "focus.work", 120, "increment"},
            {"shortBreak", "focus.short", 1, "decrement"}, {"shortBreak", "focus.short", 30, "increment"},
            {"longBreak", "focus.long", 5, "decrement"},   {"longBreak", "focus.long", 60, "increment"},
            {"cycle", "focus.cycle", 2, "decrement"},      {"cycle", "focus.cycle", 8, "increment"},
            {"stretch", "focus.reminder", 0, "decrement"}, {"stretch", "focus.reminder", 180, "increment"},
            {"keep", "clipboard.max", 20, "decrement"},    {"keep", "clipboard.max", 1000, "increment"},
        };
        for (const BoundRow& row : rows)
            QTest::addRow("%s %s at %g", qPrintable(row.stepper), qPrintable(row.button), row.value) << row;
    }

    void aStepperAtItsBoundKeepsTheValue()
    {
        QFETCH(BoundRow, row);
        ToolStores s({{row.key, row.value}});
        auto view = s.open();
        button(*view, row.stepper, row.button)->click();
        QVERIFY(!s.defaults.hasPendingChanges());
        QCOMPARE(s.defaults.doubleValue(row.key), row.value);
    }

    void theWaterReminderStepsUpFromOff()
    {
        ToolStores s({{"focus.hydration", 0}});
        auto view = s.open();
        button(*view, "water", "increment")->click();
        QCOMPARE(s.engine->hydrationMinutes(), 15.0);
        QCOMPARE(view->findChild<QWidget*>("water")->findChild<QLabel*>()->text(), "Water reminder every 15 min");
    }

    void retentionNeverStoresZero()
    {
        ToolStores s({{"clipboard.retention", 7}});
        auto view = s.open();
        auto* picker = view->findChild<QComboBox*>("retention");
        emit picker->activated(picker->findData(0));
        QCOMPARE(s.defaults.object("clipboard.retention"), QVariant(0LL));
    }

    void parsesExcludedApps_data()
    {
        QTest::addColumn<ParseRow>("row");
        QTest::newRow("separators only") << ParseRow{",\n,,\n\n", {}};
        QTest::newRow("blank piece kept") << ParseRow{" , x", {"", "x"}};
        QTest::newRow("duplicates kept") << ParseRow{"x\nx", {"x", "x"}};
        QTest::newRow("pasted with CR LF") << ParseRow{"a\r\n\tb\u00a0\r\n", {"a", "b"}};
    }

    void parsesExcludedApps()
    {
        QFETCH(ParseRow, row);
        QCOMPARE(ExcludedAppsText::parse(row.text), row.ids);
    }

    void typedExcludedAppsAreStoredAndShownOnePerLine()
    {
        ToolStores s({{"clipboard.excluded", QStringList()}});
        auto view = s.open();
        auto* field = view->findChild<QPlainTextEdit*>("excludedApps");
        QTest::keyClicks(field, "a.b, c.d");
        QCOMPARE(s.clipboard->excludedAppIds(), (QStringList{"a.b", "c.d"}));
        QCOMPARE(field->toPlainText(), "a.b, c.d");
        view = s.open();
        QCOMPARE(view->findChild<QPlainTextEdit*>("excludedApps")->toPlainText(), "a.b\nc.d");
    }

    void theToolListMovesAndSwitchesTools()
    {
        ToolStores s({{"tools.enabled", QStringList{"focus", "notes", "links", "system", "media", "files"}}});
        auto view = s.open();
        auto* list = view->findChild<ToolOrderList*>("tools");
        // What a drop of the sixth row above the first asks for.
        emit list->moveRequested({5}, 0);
        const QList<ToolID> favourites{ToolID::media, ToolID::focus, ToolID::notes, ToolID::links};
        QCOMPARE(s.registry->favourites(), favourites);
        QCOMPARE(list->toolAt(0), ToolID::media);
        QCOMPARE(list->count(), int(allTools.size()));

        list->item(0)->setCheckState(Qt::Unchecked);
        QVERIFY(!s.registry->enabled().contains(ToolID::media));
    }

    // The selection follows the moved tool, so a second Alt+Down moves the same tool again.
    void alternateArrowsKeepMovingTheSameTool()
    {
        ToolStores s;
        auto view = s.open();
        auto* list = view->findChild<ToolOrderList*>("tools");
        const ToolID first = list->toolAt(0);
        list->setCurrentRow(0);
        QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
        QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(list->toolAt(2), first);
        QCOMPARE(list->currentRow(), 2);
    }

    void thePasteWarningShowsOnlyWherePastingCannotWork()
    {
        for (const bool permitted : {false, true}) {
            ToolStores s({{"clipboard.paste", false}});
            s.paste.permitted = permitted;
            auto view = s.open();
            auto* warning = view->findChild<QLabel*>("pasteWarning");
            view->findChild<QCheckBox*>("paste")->click();
            QCOMPARE(warning->isHidden(), permitted);
            view->findChild<QCheckBox*>("paste")->click();
            QVERIFY(warning->isHidden());
        }
    }
};

WISPLET_WIDGETS_TEST_MAIN(ToolsSettingsViewTest)
#include "tst_toolssettingsview.moc"
