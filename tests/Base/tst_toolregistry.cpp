#include "tests/support/Files.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"

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

struct Repair
{
    QVariant order;
    QVariant enabled;
    QVariant selected;
    QStringList expectedOrder;
    QStringList expectedEnabled;
    const char* expectedSelected = "focus";
};

} // namespace

Q_DECLARE_METATYPE(Repair)

class TestToolRegistry final : public QObject
{
    Q_OBJECT

private slots:
    void firstLaunchWritesNothing()
    {
        RegistryFixture f;
        const ToolRegistry& registry = f.load();
        QCOMPARE(toolNames(registry.visibleTools()), toolNames(registry.favourites()));
        QVERIFY(!f.defaults.contains(orderKey));
        QVERIFY(!f.defaults.contains(enabledKey));
        QVERIFY(!f.defaults.contains(selectedKey));
        QCOMPARE(toolFromRawValue(QStringLiteral("Focus")), std::nullopt);
    }

    void storedValuesAreRepairedWithoutWritingBack_data()
    {
        QTest::addColumn<Repair>("row");
        const QStringList defaultOrder = toolNames(allTools);
        const QStringList defaultEnabled = list("files focus notes");
        const auto strings = [](const char* names) { return QVariant(list(names)); };
        QTest::newRow("unknown names dropped")
            << Repair{strings("weather focus nope"),
                      {},
                      {},
                      list("weather focus clipboard notes links system media calendar business files"),
                      defaultEnabled};
        QTest::newRow("repeated tools kept once")
            << Repair{strings("media focus media focus notes"),
                      {},
                      {},
                      list("media focus notes clipboard links system calendar weather business files"),
                      defaultEnabled};
        QTest::newRow("number among the order")
            << Repair{QVariantList{QStringLiteral("weather"), 3}, {}, {}, defaultOrder, defaultEnabled};
        QTest::newRow("empty enabled stays empty") << Repair{{}, QVariantList(), {}, defaultOrder, {}};
        QTest::newRow("only unknown enabled") << Repair{{}, strings("Focus bogus"), {}, defaultOrder, {}};
        QTest::newRow("unknown enabled dropped")
            << Repair{{}, strings("weather bogus weather"), {}, defaultOrder, list("weather")};
        QTest::newRow("Boolean among enabled")
            << Repair{{}, QVariantList{QStringLiteral("weather"), true}, {}, defaultOrder, defaultEnabled};
        QTest::newRow("selection of another case")
            << Repair{{}, {}, QStringLiteral("Notes"), defaultOrder, defaultEnabled};
        QTest::newRow("disabled selection kept")
            << Repair{{}, {}, QStringLiteral("weather"), defaultOrder, defaultEnabled, "weather"};
    }

    void storedValuesAreRepairedWithoutWritingBack()
    {
        QFETCH(Repair, row);
        RegistryFixture f;
        storeIfValid(f.defaults, orderKey, row.order);
        storeIfValid(f.defaults, enabledKey, row.enabled);
        storeIfValid(f.defaults, selectedKey, row.selected);
        const QVariantMap before{{orderKey, f.defaults.object(orderKey)},
                                 {enabledKey, f.defaults.object(enabledKey)},
                                 {selectedKey, f.defaults.object(selectedKey)}};

        const ToolRegistry& registry = f.load();
        QCOMPARE(toolNames(registry.order()), row.expectedOrder);
        QCOMPARE(sortedToolNames(registry.enabled()), row.expectedEnabled);
        QCOMPARE(rawValue(registry.selected()), QString::fromLatin1(row.expectedSelected));
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

        // The sets sorted by name, the order as it stands.
        const QJsonObject stored = QJsonDocument::fromJson(TestFiles::read(path)).object();
        QCOMPARE(stored.value(enabledKey).toVariant().toStringList(), list("files focus notes"));
        QCOMPARE(stored.value(orderKey).toVariant().toStringList(),
                 list("files focus clipboard notes links system media calendar weather business"));
        QCOMPARE(stored.value(selectedKey).toString(), QStringLiteral("media"));
        QCOMPARE(stored.size(), 3);
    }

    void disablingATool_data()
    {
        QTest::addColumn<QStringList>("row"); // order, enabled, selected, disabled, selected afterwards
        const QString all = toolNames(allTools).join(u' ');
        QTest::newRow("selected, others on") << QStringList{all, "focus notes files", "focus", "focus", "notes"};
        QTest::newRow("first visible in tab order")
            << QStringList{"files weather notes", "focus notes files", "focus", "focus", "files"};
        QTest::newRow("not the selected one") << QStringList{all, "focus notes files", "notes", "files", "notes"};
        QTest::newRow("the last one") << QStringList{all, "notes", "notes", "notes", "notes"};
    }

    void disablingATool()
    {
        QFETCH(QStringList, row);
        const QStringList order = row[0].split(u' ');
        const QStringList enabled = row[1].split(u' ');
        const QString selected = row[2];
        const QString disable = row[3];
        const QString expectedSelected = row[4];

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
