#include "Wisplet/Base/Notifier.h"
#include "Wisplet/Platform/FreedesktopNotifications.h"
#include "tests/support/FakeBusService.h"
#include "tests/support/Files.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/RecordingNotifications.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/TestMain.h"

#include <QDBusMessage>

namespace {

constexpr int busTimeoutMs = 10'000;
const QString entryPath = QStringLiteral("share/applications/com.tidewell.wisplet.desktop");

QStringList words(const char* text)
{
    return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

struct Entry
{
    QString path;
    bool folder = false;
    bool installed = false;
};

struct Post
{
    QStringList capabilities;
    bool callerSound = false;
    bool userSound = false;
    QStringList actions;
    QString soundHint;
    QString body;
};

} // namespace

Q_DECLARE_METATYPE(Entry)
Q_DECLARE_METATYPE(Post)

// The desktop's notification service on the bus, recording every Notify.
class FakeNotificationsService final : public FakeBusService
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Posted
    {
        uint id;
        QString appName;
        QString icon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
    };

    FakeNotificationsService()
        : FakeBusService(QStringLiteral("org.freedesktop.Notifications"),
                         QStringLiteral("/org/freedesktop/Notifications"), QStringLiteral("fake-notifications"))
    { }

    QStringList capabilities = words("actions body");
    QList<Posted> posted;
    uint nextId = 1;
    // Notify fails with these words unless they are empty.
    QString refusal;

    // A new service takes the name and numbers its notifications afresh.
    bool restart()
    {
        nextId = 1;
        return reregister();
    }

    void click(uint id, const QString& action = QStringLiteral("default")) { emit ActionInvoked(id, action); }
    void close(uint id) { emit NotificationClosed(id, 2); }

public slots:
    QStringList GetCapabilities() { return capabilities; }

    uint Notify(const QString& appName, uint /*replacesId*/, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int /*timeout*/)
    {
        if (!refusal.isEmpty()) {
            sendErrorReply(QDBusError::AccessDenied, refusal);
            return 0;
        }
        posted.append({nextId, appName, icon, summary, body, actions, hints});
        return nextId++;
    }

signals:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);
};

// The notifier over the real D-Bus adapter, against the fake service on the harness's private bus.
struct NotifierFixture : RegistryFixture
{
    explicit NotifierFixture(bool appBundle = true, const QDBusConnection& bus = QDBusConnection::sessionBus())
        : server(bus)
        , notifier(server, settings, load(), events, appBundle)
    { }

    FreedesktopNotifications server{QDBusConnection::sessionBus()};
    Notifier notifier;
};

class NotifierTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_fake = std::make_unique<FakeNotificationsService>();
        QVERIFY2(m_fake->registerOnBus(), qPrintable(m_fake->bus.lastError().message()));
    }

    void cleanup() { m_fake.reset(); }

    void installedBuildIsFoundByItsDesktopEntry_data()
    {
        QTest::addColumn<Entry>("row");
        QTest::newRow("entry beside bin") << Entry{entryPath, false, true};
        QTest::newRow("no entry (build tree)") << Entry{{}, false, false};
        QTest::newRow("a folder of that name") << Entry{entryPath, true, false};
        QTest::newRow("entry under bin") << Entry{QStringLiteral("bin/") + entryPath, false, false};
    }

    void installedBuildIsFoundByItsDesktopEntry()
    {
        QFETCH(Entry, row);
        TempFolder prefix;
        QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
        if (row.folder)
            QVERIFY(QDir(prefix.path()).mkpath(row.path));
        else if (!row.path.isEmpty())
            QVERIFY(TestFiles::write(prefix.file(row.path), "[Desktop Entry]\n"));
        QCOMPARE(Notifier::isInstalledBuild(prefix.file(QStringLiteral("bin"))), row.installed);
    }

    void postsWithTheServersCapabilities_data()
    {
        QTest::addColumn<Post>("row");
        const QStringList open = words("default Open");
        const QString plain = QStringLiteral("R&D <sync> in 5 min");
        QTest::newRow("actions, sound") << Post{words("actions body"), true, true, open, "sound-name", plain};
        QTest::newRow("no actions") << Post{words("body"), true, true, {}, "sound-name", plain};
        QTest::newRow("sounds off by the user") << Post{words("actions"), true, false, open, "suppress-sound", plain};
        QTest::newRow("silent post") << Post{words("actions"), false, true, open, "suppress-sound", plain};
        QTest::newRow("markup escaped") << Post{words("actions body-markup"),
                                                true,
                                                true,
                                                open,
                                                "sound-name",
                                                QStringLiteral("R&amp;D &lt;sync&gt; in 5 min")};
    }

    void postsWithTheServersCapabilities()
    {
        QFETCH(Post, row);
        m_fake->capabilities = row.capabilities;
        NotifierFixture f;
        f.settings.setNotificationSounds(row.userSound);

        f.notifier.post(ToolID::calendar, QStringLiteral("Standup"), QStringLiteral("R&D <sync> in 5 min"),
                        row.callerSound);
        QTRY_COMPARE_WITH_TIMEOUT(m_fake->posted.size(), 1, busTimeoutMs);
        const FakeNotificationsService::Posted& posted = m_fake->posted.first();
        QCOMPARE(posted.summary, QStringLiteral("Standup"));
        QCOMPARE(posted.body, row.body);
        QCOMPARE(posted.actions, row.actions);
        QStringList soundHints = posted.hints.keys();
        soundHints.removeAll(QStringLiteral("desktop-entry"));
        QCOMPARE(soundHints, QStringList{row.soundHint});
        QVERIFY(posted.hints.value(row.soundHint).isValid());
    }

    void quietAndPresentationModePostNothing_data()
    {
        QTest::addColumn<bool>("quiet");
        QTest::newRow("quiet mode") << true;
        QTest::newRow("presentation mode") << false;
    }

    void quietAndPresentationModePostNothing()
    {
        QFETCH(bool, quiet);
        const bool presenting = !quiet;
        NotifierFixture f;
        f.settings.setQuietMode(quiet);
        f.settings.setPresentationMode(presenting);
        f.notifier.post(ToolID::focus, QStringLiteral("held back"), QString());

        f.settings.setQuietMode(false);
        f.settings.setPresentationMode(false);
        // Identical posts are two notifications.
        f.notifier.post(ToolID::focus, QStringLiteral("shown"), QString());
        f.notifier.post(ToolID::focus, QStringLiteral("shown"), QString());
        QTRY_COMPARE_WITH_TIMEOUT(m_fake->posted.size(), 2, busTimeoutMs);
        QCOMPARE(m_fake->posted.at(0).summary, QStringLiteral("shown"));
        QCOMPARE(m_fake->posted.at(1).summary, QStringLiteral("shown"));
    }

    void aRefusedPostIsReported()
    {
        // The service's words, however many, are kept to a thousand characters.
        m_fake->refusal = QStringLiteral("Too many notifications") + QString(1'000'000, u'!');
        NotifierFixture f;
        f.notifier.post(ToolID::focus, QStringLiteral("Session done"), QString());
        QTRY_VERIFY_WITH_TIMEOUT(f.notifier.errorText().has_value(), busTimeoutMs);
        QCOMPARE(*f.notifier.errorText(),
                 QStringLiteral("Notification failed: Too many notifications") + QString(978, u'!'));
    }

    void onlyClicksOnOurLiveNotificationsCount_data()
    {
        QTest::addColumn<QString>("before");
        QTest::newRow("another client's notification") << "other client";
        QTest::newRow("closed notification") << "closed";
        QTest::newRow("an action other than the default") << "other action";
        QTest::newRow("service replaced, ids renumbered") << "restart";
    }

    void onlyClicksOnOurLiveNotificationsCount()
    {
        QFETCH(QString, before);
        NotifierFixture f;
        QSignalSpy activated(&f.server, &NotificationServer::activated);
        f.notifier.post(ToolID::focus, QStringLiteral("ours"), QString());
        QTRY_COMPARE_WITH_TIMEOUT(m_fake->posted.size(), 1, busTimeoutMs);
        const uint ours = m_fake->posted.first().id;

        if (before == QStringLiteral("other client")) {
            m_fake->click(ours + 100);
        } else if (before == QStringLiteral("closed")) {
            m_fake->close(ours);
            m_fake->click(ours);
        } else if (before == QStringLiteral("other action")) {
            m_fake->click(ours, QStringLiteral("snooze"));
        } else {
            QVERIFY(m_fake->restart());
            m_fake->click(ours);
        }

        // A later click of ours, from the same sender, arrives after the ignored one.
        f.notifier.post(ToolID::notes, QStringLiteral("marker"), QString());
        QTRY_COMPARE_WITH_TIMEOUT(m_fake->posted.size(), 2, busTimeoutMs);
        m_fake->click(m_fake->posted.last().id);
        QTRY_COMPARE_WITH_TIMEOUT(activated.size(), 1, busTimeoutMs);
        QCOMPARE(activated.first().first().toString(), QStringLiteral("notes"));
    }

    void aClickSelectsAndPinsOnlyAnEnabledToolOutsidePresentation_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("presenting");
        QTest::newRow("enabled") << true << false;
        QTest::newRow("disabled since posting") << false << false;
        QTest::newRow("presenting") << true << true;
    }

    void aClickSelectsAndPinsOnlyAnEnabledToolOutsidePresentation()
    {
        QFETCH(bool, enabled);
        QFETCH(bool, presenting);
        const bool opens = enabled && !presenting;
        NotifierFixture f;
        ToolRegistry& registry = *f.registry;
        registry.setEnabled(ToolID::clipboard, true);
        QSignalSpy activated(&f.server, &NotificationServer::activated);
        QSignalSpy openTool(&f.events, &AppEvents::openTool);
        f.notifier.post(ToolID::clipboard, QStringLiteral("Copied"), QString());
        QTRY_COMPARE_WITH_TIMEOUT(m_fake->posted.size(), 1, busTimeoutMs);
        registry.setEnabled(ToolID::clipboard, enabled);
        f.settings.setPresentationMode(presenting);
        const ToolID selectedBefore = registry.selected();
        QVERIFY(selectedBefore != ToolID::clipboard);

        m_fake->click(m_fake->posted.first().id);
        QTRY_COMPARE_WITH_TIMEOUT(activated.size(), 1, busTimeoutMs);
        QCOMPARE(registry.selected(), opens ? ToolID::clipboard : selectedBefore);
        QCOMPARE(f.wisp->isPinnedOpen(), opens);
        // Not the road of opening a tool: nothing is enabled, presentation stays, no focus is taken.
        QCOMPARE(registry.enabled().contains(ToolID::clipboard), enabled);
        QCOMPARE(f.settings.presentationMode(), presenting);
        QCOMPARE(openTool.size(), 0);
    }

    void authorisationFollowsTheService()
    {
        NotifierFixture f;
        f.notifier.setErrorText(QStringLiteral("earlier problem"));
        QSignalSpy enabled(&f.settings, &AppSettings::notificationsEnabledChanged);
        f.notifier.requestAuthorization();
        QTRY_COMPARE_WITH_TIMEOUT(enabled.size(), 1, busTimeoutMs);
        QCOMPARE(enabled.first().first().toBool(), true);
        QCOMPARE(f.notifier.errorText(), std::nullopt);
    }

    void aBuildTreeIsNeverAuthorised()
    {
        NotifierFixture f(false);
        f.settings.setNotificationsEnabled(true);
        f.notifier.requestAuthorization();
        QCOMPARE(f.notifier.errorText(), Notifier::notInstalledText);
        QVERIFY(f.settings.notificationsEnabled());
    }

    void withoutAServiceNothingIsAuthorisedOrPosted()
    {
        PrivateBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.errorText()));
        {
            const QString name = QStringLiteral("no-notification-service");
            NotifierFixture f(true, QDBusConnection::connectToBus(bus.address(), name));
            f.settings.setNotificationsEnabled(true);
            QSignalSpy error(&f.notifier, &Notifier::errorTextChanged);
            QElapsedTimer timer;
            timer.start();
            f.notifier.post(ToolID::focus, QStringLiteral("nobody listens"), QString());
            f.notifier.requestAuthorization();
            // The bus answers in order, so the post's answer came first and reported nothing.
            QTRY_COMPARE_WITH_TIMEOUT(error.size(), 1, busTimeoutMs);
            QVERIFY2(timer.elapsed() < FreedesktopNotifications::callTimeoutMs, "waited for a time-out");
            QCOMPARE(f.notifier.errorText(), Notifier::deniedText);
            QVERIFY(!f.settings.notificationsEnabled());
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("no-notification-service"));
    }

private:
    std::unique_ptr<FakeNotificationsService> m_fake;
};

WISPLET_TEST_MAIN(NotifierTest)

#include "tst_notifier.moc"
