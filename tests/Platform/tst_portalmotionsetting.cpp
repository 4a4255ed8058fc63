#include "Wisplet/Platform/PortalMotionSetting.h"
#include "tests/support/FakeBusService.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

namespace {

constexpr int busTimeoutMs = 10'000;
const QString interfaceGroup = QStringLiteral("org.gnome.desktop.interface");
const QString animationsKey = QStringLiteral("enable-animations");

// Every read the setting started has been answered and handled.
bool settled(const PortalMotionSetting& setting)
{
    return setting.findChildren<QDBusPendingCallWatcher*>().isEmpty();
}

struct Reading
{
    bool hasReadOne = true;
    QVariant value;
    bool reduced = false;
};

} // namespace

Q_DECLARE_METATYPE(Reading)

// The settings portal, answering for the one key from its own bus connection. An older portal has no
// ReadOne; a held read is answered only when the test releases it.
class FakePortal final : public FakeBusService
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    FakePortal()
        : FakeBusService(QStringLiteral("org.freedesktop.portal.Desktop"),
                         QStringLiteral("/org/freedesktop/portal/desktop"), QStringLiteral("fake-portal"))
    { }

    QVariant value; // invalid: the key is absent
    bool hasReadOne = true;
    bool holdReads = false;
    QList<QDBusMessage> heldReads;

    void change(const QString& group, const QString& key, const QVariant& changed)
    {
        emit SettingChanged(group, key, QDBusVariant(changed));
    }

    void releaseReads()
    {
        for (const QDBusMessage& call : std::as_const(heldReads))
            bus.send(call.createReply(QVariant::fromValue(QDBusVariant(value))));
        heldReads.clear();
    }

public slots:
    QDBusVariant ReadOne(const QString& group, const QString& key)
    {
        if (!hasReadOne) {
            sendErrorReply(QDBusError::UnknownMethod, QStringLiteral("No such method"));
            return {};
        }
        return answer(group, key);
    }

    QDBusVariant Read(const QString& group, const QString& key)
    {
        const QDBusVariant inner = answer(group, key);
        return QDBusVariant(QVariant::fromValue(inner));
    }

signals:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    QDBusVariant answer(const QString& group, const QString& key)
    {
        if (holdReads) {
            setDelayedReply(true);
            heldReads.append(message());
        } else if (group != interfaceGroup || key != animationsKey || !value.isValid()) {
            sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"), QStringLiteral("No such key"));
        }
        return QDBusVariant(value);
    }
};

class PortalMotionSettingTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_portal = std::make_unique<FakePortal>();
        QVERIFY2(m_portal->registerOnBus(), qPrintable(m_portal->bus.lastError().message()));
    }

    void cleanup() { m_portal.reset(); }

    void readsTheSetting_data()
    {
        QTest::addColumn<Reading>("row");
        QTest::newRow("animations off") << Reading{true, false, true};
        QTest::newRow("animations on") << Reading{true, true, false};
        QTest::newRow("older portal, animations off") << Reading{false, false, true};
        QTest::newRow("key absent") << Reading{true, {}, false};
        QTest::newRow("text instead of a Boolean") << Reading{true, QStringLiteral("false"), false};
    }

    void readsTheSetting()
    {
        QFETCH(Reading, row);
        const bool reduced = row.reduced;
        m_portal->hasReadOne = row.hasReadOne;
        m_portal->value = row.value;

        PortalMotionSetting setting(QDBusConnection::sessionBus());
        QSignalSpy changed(&setting, &MotionSetting::reduceMotionChanged);
        QTRY_VERIFY_WITH_TIMEOUT(settled(setting), busTimeoutMs);
        QCOMPARE(setting.reduceMotion(), reduced);
        QCOMPARE(changed.count(), reduced ? 1 : 0);
    }

    void followsChangesOfTheKeyOnly()
    {
        m_portal->value = true;
        PortalMotionSetting setting(QDBusConnection::sessionBus());
        QSignalSpy changed(&setting, &MotionSetting::reduceMotionChanged);
        QTRY_VERIFY_WITH_TIMEOUT(settled(setting), busTimeoutMs);

        // Signals from one sender arrive in order: once the last has shown, the others were handled.
        m_portal->change(QStringLiteral("org.gnome.desktop.a11y"), animationsKey, false);
        m_portal->change(interfaceGroup, QStringLiteral("gtk-theme"), false);
        m_portal->change(interfaceGroup, animationsKey, false);
        m_portal->change(interfaceGroup, animationsKey, false);
        m_portal->change(interfaceGroup, animationsKey, QStringLiteral("no"));
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 2, busTimeoutMs);
        QCOMPARE(changed.at(0).at(0), QVariant(true));
        QCOMPARE(changed.at(1).at(0), QVariant(false));
        QVERIFY(!setting.reduceMotion());
    }

    void aChangeOutranksAnOlderRead()
    {
        m_portal->value = true;
        m_portal->holdReads = true;
        PortalMotionSetting setting(QDBusConnection::sessionBus());
        QTRY_COMPARE_WITH_TIMEOUT(m_portal->heldReads.size(), 1, busTimeoutMs);

        m_portal->change(interfaceGroup, animationsKey, false);
        QTRY_VERIFY_WITH_TIMEOUT(setting.reduceMotion(), busTimeoutMs);
        m_portal->releaseReads();
        QTRY_VERIFY_WITH_TIMEOUT(settled(setting), busTimeoutMs);
        QVERIFY(setting.reduceMotion());
    }

    void withoutAPortalMotionIsNotReduced()
    {
        PrivateBus emptyBus;
        QVERIFY2(emptyBus.start(), qPrintable(emptyBus.errorText()));
        const QString connectionName = QStringLiteral("no-portal");
        {
            QElapsedTimer timer;
            timer.start();
            PortalMotionSetting setting(QDBusConnection::connectToBus(emptyBus.address(), connectionName));
            QVERIFY(timer.elapsed() < busTimeoutMs);
            QTRY_VERIFY_WITH_TIMEOUT(settled(setting), busTimeoutMs);
            QVERIFY(!setting.reduceMotion());
        }
        QDBusConnection::disconnectFromBus(connectionName);
    }

private:
    std::unique_ptr<FakePortal> m_portal;
};

WISPLET_TEST_MAIN(PortalMotionSettingTest)

#include "tst_portalmotionsetting.moc"
