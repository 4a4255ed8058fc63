#include "Wisplet/App/HotKeys.h"
#include "Wisplet/Platform/GlobalKeyGrabber.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/TestMain.h"

#include <QSignalSpy>

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
    HotKeys hotKeys{{grabber, settings, *wisp, load(), events}};
};

const QString allSixWithM = QStringLiteral("1:m 2:1 3:2 4:3 5:4 6:k");

} // namespace

class HotKeysTest final : public QObject
{
    Q_OBJECT

private slots:
    void registrationReportsTheFirstFailure_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariantMap>("failures");
        QTest::addColumn<bool>("supported");
        QTest::addColumn<QString>("expectedGrabs");
        QTest::addColumn<QString>("expectedError");

        const QVariantMap none;
        const QString noGrabs;
        const QString noError;
        const QString unavailable10 = QStringLiteral("Shortcut unavailable (10). Choose another key.");
        QTest::newRow("all six") << true << "M" << none << true << allSixWithM << noError;
        QTest::newRow("space") << true << "Space" << none << true << "1:space 2:1 3:2 4:3 5:4 6:k" << noError;
        QTest::newRow("lower-case name means M") << true << "n" << none << true << allSixWithM << noError;
        QTest::newRow("off grabs nothing, clears") << false << "N" << none << true << noGrabs << noError;
        QTest::newRow("digit fails, main key fine")
            << true << "B" << QVariantMap{{"1", 10}} << true << "1:b 2:1 3:2 4:3 5:4 6:k" << unavailable10;
        QTest::newRow("main key's failure comes first")
            << true << "M" << QVariantMap{{"k", 11}, {"m", 10}} << true << allSixWithM << unavailable10;
        QTest::newRow("no X11") << true << "M" << none << false << allSixWithM << "Hot keys need an X11 session.";
        QTest::newRow("no X11, off") << false << "M" << none << false << noGrabs << noError;
    }

    void registrationReportsTheFirstFailure()
    {
        QFETCH(bool, enabled);
        QFETCH(QString, key);
        QFETCH(QVariantMap, failures);
        QFETCH(bool, supported);
        QFETCH(QString, expectedGrabs);
        QFETCH(QString, expectedError);

        HotKeysFixture f;
        f.grabber.supported = supported;
        for (auto it = failures.cbegin(); it != failures.cend(); ++it)
            f.grabber.failures.insert(it.key(), it.value().toInt());
        f.settings.setShortcutError(QStringLiteral("from before"));

        f.hotKeys.registerHotKeys(enabled, key);
        QCOMPARE(f.grabber.log.join(QLatin1Char(' ')), expectedGrabs);
        QCOMPARE(f.settings.shortcutError(),
                 expectedError.isEmpty() ? std::nullopt : std::optional<QString>(expectedError));
        QCOMPARE(f.hotKeys.toolKeys().size(), enabled ? 5u : 0u);
    }

    void rebuildReleasesTheOldSetFirst_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expectedLog");

        const QString releases = QStringLiteral("-1 -2 -3 -4 -5 -6");
        QTest::newRow("another key") << true << "N" << releases + " 1:n 2:1 3:2 4:3 5:4 6:k";
        QTest::newRow("the same key") << true << "M" << releases + " " + allSixWithM;
        QTest::newRow("switched off") << false << "M" << releases;
    }

    void rebuildReleasesTheOldSetFirst()
    {
        QFETCH(bool, enabled);
        QFETCH(QString, key);

        HotKeysFixture f;
        f.hotKeys.registerHotKeys(true, QStringLiteral("M"));
        f.grabber.log.clear();

        f.hotKeys.registerHotKeys(enabled, key);
        QTEST(f.grabber.log.join(QLatin1Char(' ')), "expectedLog");
    }

    void pressesRunTheirActions_data()
    {
        QTest::addColumn<QStringList>("enabledTools");
        QTest::addColumn<bool>("presenting");
        QTest::addColumn<bool>("pinned");
        QTest::addColumn<char>("key");
        QTest::addColumn<bool>("expectedPresenting");
        QTest::addColumn<bool>("expectedPinned");
        QTest::addColumn<QString>("expectedSelected");
        QTest::addColumn<bool>("expectedSwitcher");
        QTest::addColumn<int>("expectedOpenTool");

        const QStringList three{"focus", "notes", "files"};
        const QStringList two{"notes", "weather"};
        QTest::newRow("main key pins") << three << false << false << 'm' << false << true << "focus" << false << 0;
        QTest::newRow("main key ends presenting, pins")
            << three << true << false << 'm' << false << true << "focus" << false << 0;
        QTest::newRow("2 opens the second favourite")
            << two << true << false << '2' << false << true << "weather" << false << 1;
        QTest::newRow("3 with two tools does nothing")
            << two << false << false << '3' << false << false << "focus" << false << 0;
        QTest::newRow("K ends presenting, shows the switcher")
            << three << true << false << 'k' << false << true << "focus" << true << 1;
    }

    void pressesRunTheirActions()
    {
        QFETCH(QStringList, enabledTools);
        QFETCH(bool, presenting);
        QFETCH(bool, pinned);
        QFETCH(char, key);

        HotKeysFixture f;
        f.registry->setEnabled(toolSet(enabledTools));
        f.registry->setSelected(ToolID::focus);
        f.settings.setPresentationMode(presenting);
        f.wisp->setPinnedOpen(pinned);
        f.hotKeys.registerHotKeys(true, QStringLiteral("M"));
        QSignalSpy openTool(&f.events, &AppEvents::openTool);

        f.grabber.press(key);
        QTEST(f.settings.presentationMode(), "expectedPresenting");
        QTEST(f.wisp->isPinnedOpen(), "expectedPinned");
        QTEST(rawValue(f.registry->selected()), "expectedSelected");
        QTEST(f.registry->switcherPresented(), "expectedSwitcher");
        QTEST(int(openTool.count()), "expectedOpenTool");
    }
};

WISPLET_TEST_MAIN(HotKeysTest)
#include "tst_hotkeys.moc"
