#include "tests/support/Files.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"

#include <QSignalSpy>

namespace {

const QString orderKey = QStringLiteral("tools.order");
const QString enabledKey = QStringLiteral("tools.enabled");
const QString selectedKey = QStringLiteral("tools.selected");

QStringList list(const char* names)
{
    return QString::fromLatin1(names).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

void storeIfValid(Defaults& defaults, const QString& key, const QVariant& value)
{
    if (value.isValid())
        defaults.set(key, value);
}

} // namespace

class TestToolRegistry final : public QObject
{
    Q_OBJECT

private slots:
    void toolsRoundTripTheirRawValues()
    {
        QCOMPARE(toolNames(allTools), list("focus clipboard notes links system media calendar weather business files"));
        for (ToolID tool : allTools)
            QCOMPARE(toolFromRawValue(rawValue(tool)), tool);
        QCOMPARE(toolFromRawValue(QStringLiteral("Focus")), std::nullopt);
        QCOMPARE(toolFromRawValue(QStringLiteral(" focus")), std::nullopt);
        QCOMPARE(toolFromRawValue(QString()), std::nullopt);
        QCOMPARE(toolTitle(ToolID::media), QStringLiteral("Now Playing"));
        QCOMPARE(toolIcon(ToolID::business), QStringLiteral("chart.line.uptrend.xyaxis"));
    }

    void firstLaunchHasTheDefaults()
    {
        RegistryFixture f;
        const ToolRegistry& registry = f.load();
        QCOMPARE(toolNames(registry.order()), toolNames(allTools));
        QCOMPARE(sortedToolNames(registry.enabled()), list("files focus notes"));
        QCOMPARE(registry.selected(), ToolID::focus);
        QVERIFY(!registry.switcherPresented());
        QCOMPARE(toolNames(registry.visibleTools()), list("focus notes files"));
        QCOMPARE(toolNames(registry.favourites()), list("focus notes files"));
        QVERIFY(!f.defaults.contains(orderKey));
        QVERIFY(!f.defaults.contains(enabledKey));
        QVERIFY(!f.defaults.contains(selectedKey));
    }

    void storedValuesAreRepairedWithoutWritingBack_data()
    {
        QTest::addColumn<QVariant>("order");
        QTest::addColumn<QVariant>("enabled");
        QTest::addColumn<QVariant>("selected");
        QTest::addColumn<QStringList>("expectedOrder");
        QTest::addColumn<QStringList>("expectedEnabled");
        QTest::addColumn<QString>("expectedSelected");

        const QStringList defaultOrder = toolNames(allTools);
        const QStringList defaultEnabled = list("files focus notes");
        const auto strings = [](const char* names) { return QVariant(list(names)); };

        const QVariant absent;
        const auto row = [](const char* name, const QVariant& order, const QVariant& enabled, const QVariant& selected,
                            const QStringList& expectedOrder, const QStringList& expectedEnabled,
                            const QString& expectedSelected) {
            QTest::newRow(name) << order << enabled << selected << expectedOrder << expectedEnabled << expectedSelected;
        };
        row("unknown names dropped", strings("weather focus nope"), absent, absent,
            list("weather focus clipboard notes links system media calendar business files"), defaultEnabled, "focus");
        row("repeated tools kept once", strings("media focus media focus notes"), absent, absent,
            list("media focus notes clipboard links system calendar weather business files"), defaultEnabled, "focus");
        row("number among the order", QVariantList{QStringLiteral("weather"), 3}, absent, absent, defaultOrder,
            defaultEnabled, "focus");
        row("order not an array", QStringLiteral("weather"), absent, absent, defaultOrder, defaultEnabled, "focus");
        row("empty enabled stays empty", absent, QVariantList(), absent, defaultOrder, {}, "focus");
        row("only unknown enabled", absent, strings("Focus bogus"), absent, defaultOrder, {}, "focus");
        row("unknown enabled dropped", absent, strings("weather bogus weather"), absent, defaultOrder, list("weather"),
            "focus");
        row("Boolean among enabled", absent, QVariantList{QStringLiteral("weather"), true}, absent, defaultOrder,
            defaultEnabled, "focus");
        row("enabled a dictionary", absent, QVariantMap{{QStringLiteral("weather"), true}}, absent, defaultOrder,
            defaultEnabled, "focus");
        row("selection of another case", absent, absent, QStringLiteral("Notes"), defaultOrder, defaultEnabled,
            "focus");
        row("selection a number", absent, absent, 6, defaultOrder, defaultEnabled, "focus");
        row("disabled selection kept", absent, absent, QStringLiteral("weather"), defaultOrder, defaultEnabled,
            "weather");
    }

    void storedValuesAreRepairedWithoutWritingBack()
    {
        QFETCH(QVariant, order);
        QFETCH(QVariant, enabled);
        QFETCH(QVariant, selected);
        QFETCH(QStringList, expectedOrder);
        QFETCH(QStringList, expectedEnabled);
        QFETCH(QString, expectedSelected);

        RegistryFixture f;
        storeIfValid(f.defaults, orderKey, order);
        storeIfValid(f.defaults, enabledKey, enabled);
        storeIfValid(f.defaults, selectedKey, selected);
        const QVariantMap before{{orderKey, f.defaults.object(orderKey)},
                                 {enabledKey, f.defaults.object(enabledKey)},
                                 {selectedKey, f.defaults.object(selectedKey)}};

        const ToolRegistry& registry = f.load();
        QCOMPARE(toolNames(registry.order()), expectedOrder);
        QCOMPARE(sortedToolNames(registry.enabled()), expectedEnabled);
        QCOMPARE(rawValue(registry.selected()), expectedSelected);
        for (auto it = before.begin(); it != before.end(); ++it)
            QCOMPARE(f.defaults.object(it.key()), it.value());
    }

    void everyAssignmentIsStoredInItsFormat()
    {
        TempFolder folder;
        const QString path = folder.file(QStringLiteral("defaults.json"));
        RegistryFixture f(path);
        ToolRegistry& registry = f.load();
        QSignalSpy enabledSpy(&registry, &ToolRegistry::enabledChanged);

        // Already enabled: still one change and one write, sorted by name.
        registry.setEnabled(ToolID::focus, true);
        QCOMPARE(enabledSpy.count(), 1);
        QList<ToolID> order = registry.order();
        order.move(9, 0);
        registry.setOrder(order);
        registry.setSelected(ToolID::media);
        registry.setSwitcherPresented(true);
        QVERIFY(f.defaults.flush());

        QCOMPARE(TestFiles::read(path), QByteArray(R"({
    "tools.enabled": [
        "files",
        "focus",
        "notes"
    ],
    "tools.order": [
        "files",
        "focus",
        "clipboard",
        "notes",
        "links",
        "system",
        "media",
        "calendar",
        "weather",
        "business"
    ],
    "tools.selected": "media"
}
)"));
    }

    void disablingATool_data()
    {
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QStringList>("enabled");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("disable");
        QTest::addColumn<QString>("expectedSelected");

        const QStringList defaultOrder = toolNames(allTools);
        const auto row = [](const char* name, const QStringList& order, const char* enabled, const QString& selected,
                            const QString& disable, const QString& expectedSelected) {
            QTest::newRow(name) << order << list(enabled) << selected << disable << expectedSelected;
        };
        row("selected, others on", defaultOrder, "focus notes files", "focus", "focus", "notes");
        row("first visible in tab order", list("files weather notes"), "focus notes files", "focus", "focus", "files");
        row("not the selected one", defaultOrder, "focus notes files", "notes", "files", "notes");
        row("the last one", defaultOrder, "notes", "notes", "notes", "notes");
    }

    void disablingATool()
    {
        QFETCH(QStringList, order);
        QFETCH(QStringList, enabled);
        QFETCH(QString, selected);
        QFETCH(QString, disable);
        QFETCH(QString, expectedSelected);

        RegistryFixture f;
        f.defaults.set(orderKey, order);
        f.defaults.set(enabledKey, enabled);
        f.defaults.set(selectedKey, selected);
        ToolRegistry& registry = f.load();

        registry.setEnabled(*toolFromRawValue(disable), false);
        QVERIFY(!registry.enabled().contains(*toolFromRawValue(disable)));
        QCOMPARE(rawValue(registry.selected()), expectedSelected);
        QCOMPARE(f.defaults.string(selectedKey), expectedSelected);
    }

    void favouritesAreTheFirstFourVisible()
    {
        RegistryFixture f;
        f.defaults.set(orderKey, list("weather links focus clipboard media notes calendar"));
        f.defaults.set(enabledKey, list("focus notes links media weather files"));
        const ToolRegistry& registry = f.load();
        QCOMPARE(toolNames(registry.visibleTools()), list("weather links focus media notes files"));
        QCOMPARE(toolNames(registry.favourites()), list("weather links focus media"));
    }

    void openRunsItsStepsInOrder_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<bool>("presentation");
        QTest::addColumn<QStringList>("expectedSteps");

        QTest::newRow("disabled tool in presentation mode")
            << "weather" << true
            << QStringList{"enabled", "selected", "switcher", "presentation off", "pinned off", "pinned on", "open"};
        QTest::newRow("enabled tool") << "notes" << false << QStringList{"selected", "switcher", "pinned on", "open"};
    }

    void openRunsItsStepsInOrder()
    {
        QFETCH(QString, tool);
        QFETCH(bool, presentation);
        QFETCH(QStringList, expectedSteps);

        RegistryFixture f;
        ToolRegistry& registry = f.load();
        f.settings.setPresentationMode(presentation);
        registry.setSwitcherPresented(true);

        QStringList steps;
        const auto record = [&steps](const QString& step) { steps.append(step); };
        connect(&registry, &ToolRegistry::enabledChanged, this, [=] { record(QStringLiteral("enabled")); });
        connect(&registry, &ToolRegistry::selectedChanged, this, [=] { record(QStringLiteral("selected")); });
        connect(&registry, &ToolRegistry::switcherPresentedChanged, this, [=] { record(QStringLiteral("switcher")); });
        connect(&f.settings, &AppSettings::presentationModeChanged, this,
                [=](bool on) { record(on ? QStringLiteral("presentation on") : QStringLiteral("presentation off")); });
        connect(f.wisp.get(), &WispState::isPinnedOpenChanged, this,
                [=](bool on) { record(on ? QStringLiteral("pinned on") : QStringLiteral("pinned off")); });
        connect(&f.events, &AppEvents::openTool, this, [=] { record(QStringLiteral("open")); });
        // As the program wires it: ending presentation mode collapses the companion.
        connect(&f.settings, &AppSettings::presentationModeChanged, f.wisp.get(), &WispState::collapse);

        registry.open(*toolFromRawValue(tool));
        QCOMPARE(steps, expectedSteps);
        QVERIFY(f.wisp->isPinnedOpen());
        QVERIFY(!registry.switcherPresented());
        QVERIFY(!f.settings.presentationMode());
        QVERIFY(registry.enabled().contains(*toolFromRawValue(tool)));
        QCOMPARE(rawValue(registry.selected()), tool);
    }
};

WISPLET_TEST_MAIN(TestToolRegistry)
#include "tst_toolregistry.moc"
