#include "Wisplet/App/HotKeys.h"
#include "Wisplet/Platform/GlobalKeyGrabber.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/TestMain.h"

namespace {

QString keyName(quint32 keysym)
{
    return keysym == ' ' ? QStringLiteral("space") : QString(QChar(char16_t(keysym)));
}

// Records grabs and releases as "id:key" and "-id"; failures are set per key name.
class FakeKeyGrabber final : public GlobalKeyGrabber
{
public:
    bool isSupported() const override { return supported; }

    int grab(quint32 id, quint32 keysym) override
    {
        log.append(QStringLiteral("%1:%2").arg(id).arg(keyName(keysym)));
        const int failure = supported ? failures.value(keyName(keysym)) : unsupported;
        if (failure == 0)
            held.insert(id, keysym);
        return failure;
    }

    void release(quint32 id) override
    {
        log.append(QStringLiteral("-%1").arg(id));
        held.remove(id);
    }

    void press(char key)
    {
        for (auto it = held.cbegin(); it != held.cend(); ++it) {
            if (it.value() == quint32(key))
                emit pressed(it.key());
        }
    }

    bool supported = true;
    QHash<QString, int> failures;
    QStringList log;
    QHash<quint32, quint32> held;
};

struct HotKeysFixture : RegistryFixture
{
    FakeKeyGrabber grabber;
    HotKeys hotKeys{{grabber, settings, *wisp, load(), events, [] {}}};
};

const QString allSixWithM = QStringLiteral("1:m 2:1 3:2 4:3 5:4 6:k");

struct Registration
{
    bool enabled = true;
    QString key;
    QHash<QString, int> failures;
    bool supported = true;
    QString grabs;
    QString error;
};

struct Press
{
    QStringList tools;
    bool presenting = false;
    char key = 'm';
    bool pinned = false; // afterwards, as the rest
    QString selected;
    bool switcher = false;
    int openTool = 0;
};

} // namespace

Q_DECLARE_METATYPE(Registration)
Q_DECLARE_METATYPE(Press)

class HotKeysTest final : public QObject
{
    Q_OBJECT

private slots:
    void registrationReportsTheFirstFailure_data()
    {
        QTest::addColumn<Registration>("row");
        const QString unavailable10 = QStringLiteral("Shortcut unavailable (10). Choose another key.");
        QTest::newRow("all six") << Registration{true, "M", {}, true, allSixWithM, {}};
        QTest::newRow("space") << Registration{true, "Space", {}, true, "1:space 2:1 3:2 4:3 5:4 6:k", {}};
        QTest::newRow("lower-case name means M") << Registration{true, "n", {}, true, allSixWithM, {}};
        QTest::newRow("off grabs nothing, clears") << Registration{false, "N", {}, true, {}, {}};
        QTest::newRow("digit fails, main key fine")
            << Registration{true, "B", {{"1", 10}}, true, "1:b 2:1 3:2 4:3 5:4 6:k", unavailable10};
        QTest::newRow("main key's failure comes first")
            << Registration{true, "M", {{"k", 11}, {"m", 10}}, true, allSixWithM, unavailable10};
        QTest::newRow("no X11") << Registration{true, "M", {}, false, allSixWithM, "Hot keys need an X11 session."};
        QTest::newRow("no X11, off") << Registration{false, "M", {}, false, {}, {}};
    }

    void registrationReportsTheFirstFailure()
    {
        QFETCH(Registration, row);
        HotKeysFixture f;
        f.grabber.supported = row.supported;
        f.grabber.failures = row.failures;
        f.settings.setShortcutError(QStringLiteral("from before"));

        f.hotKeys.registerHotKeys(row.enabled, row.key);
        QCOMPARE(f.grabber.log.join(QLatin1Char(' ')), row.grabs);
        QCOMPARE(f.settings.shortcutError(), row.error.isEmpty() ? std::nullopt : std::optional<QString>(row.error));
        QCOMPARE(f.hotKeys.toolKeys().size(), row.enabled ? 5u : 0u);
    }

    void rebuildReleasesTheOldSetFirst()
    {
        HotKeysFixture f;
        f.hotKeys.registerHotKeys(true, QStringLiteral("M"));
        f.grabber.log.clear();
        f.hotKeys.registerHotKeys(true, QStringLiteral("N"));
        QCOMPARE(f.grabber.log.join(QLatin1Char(' ')), QStringLiteral("-1 -2 -3 -4 -5 -6 1:n 2:1 3:2 4:3 5:4 6:k"));
        f.grabber.log.clear();
        f.hotKeys.registerHotKeys(false, QStringLiteral("N"));
        QCOMPARE(f.grabber.log.join(QLatin1Char(' ')), QStringLiteral("-1 -2 -3 -4 -5 -6"));
    }

    void pressesRunTheirActions_data()
    {
        QTest::addColumn<Press>("row");
        const QStringList three{"focus", "notes", "files"};
        const QStringList two{"notes", "weather"};
        QTest::newRow("main key pins") << Press{three, false, 'm', true, "focus", false, 0};
        QTest::newRow("main key ends presenting, pins") << Press{three, true, 'm', true, "focus", false, 0};
        QTest::newRow("2 opens the second favourite") << Press{two, true, '2', true, "weather", false, 1};
        QTest::newRow("3 with two tools does nothing") << Press{two, false, '3', false, "focus", false, 0};
        QTest::newRow("K ends presenting, shows the switcher") << Press{three, true, 'k', true, "focus", true, 1};
    }

    void pressesRunTheirActions()
    {
        QFETCH(Press, row);
        HotKeysFixture f;
        f.registry->setEnabled(toolSet(row.tools));
        f.registry->setSelected(ToolID::focus);
        f.settings.setPresentationMode(row.presenting);
        f.hotKeys.registerHotKeys(true, QStringLiteral("M"));
        QSignalSpy openTool(&f.events, &AppEvents::openTool);

        f.grabber.press(row.key);
        QVERIFY(!f.settings.presentationMode());
        QCOMPARE(f.wisp->isPinnedOpen(), row.pinned);
        QCOMPARE(rawValue(f.registry->selected()), row.selected);
        QCOMPARE(f.registry->switcherPresented(), row.switcher);
        QCOMPARE(int(openTool.count()), row.openTool);
    }
};

WISPLET_TEST_MAIN(HotKeysTest)
#include "tst_hotkeys.moc"
