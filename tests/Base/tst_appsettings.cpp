#include "Wisplet/Base/AppEvents.h"
#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Platform/XdgAutostart.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FakeScheduler.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

namespace {

// Counts how often the settings ask the login item to change.
class CountingLoginItem final : public LoginItem
{
public:
    explicit CountingLoginItem(LoginItem& real)
        : m_real(real)
    { }
    bool isEnabled() const override { return m_real.isEnabled(); }
    std::optional<QString> setEnabled(bool enabled) override
    {
        ++requests;
        return m_real.setEnabled(enabled);
    }
    int requests = 0;

private:
    LoginItem& m_real;
};

constexpr qint64 minute = 60 * 1000;

} // namespace

class TestAppSettings final : public QObject
{
    Q_OBJECT

private:
    FakeClock m_clock;
    FakeScheduler m_scheduler{m_clock};
    AppEvents m_events;
    TempFolder m_folder;
    std::unique_ptr<Defaults> m_defaults;
    std::unique_ptr<XdgAutostart> m_autostart;
    std::unique_ptr<CountingLoginItem> m_loginItem;

    std::unique_ptr<AppSettings> makeSettings()
    {
        return std::make_unique<AppSettings>(*m_defaults, m_clock, m_scheduler, *m_loginItem, m_events);
    }
    QString autostartPath() const { return m_folder.file(QStringLiteral("autostart/wisplet.desktop")); }

private slots:
    void init()
    {
        m_clock.setNow(QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC));
        m_defaults = std::make_unique<Defaults>(QString());
        QFile::remove(autostartPath());
        m_autostart = std::make_unique<XdgAutostart>(autostartPath(), QStringLiteral("/usr/bin/wisplet"));
        m_loginItem = std::make_unique<CountingLoginItem>(*m_autostart);
    }

    void freshInstallHasTheDefaults()
    {
        const auto settings = makeSettings();
        QCOMPARE(settings->faceSize(), FaceSize::medium);
        QCOMPARE(settings->skin(), Skin::companion);
        QCOMPARE(settings->accent(), Accent::white);
        QCOMPARE(settings->displayMode(), DisplayMode::notch);
        QVERIFY(!settings->onboarded());
        QVERIFY(settings->hideInFullscreen());
        QVERIFY(settings->hotkeyEnabled());
        QVERIFY(settings->eyeTracking());
        QVERIFY(settings->bubblesEnabled());
        QVERIFY(settings->idleBehaviours());
        QCOMPARE(settings->yawnAfterMinutes(), 10.0);
        QCOMPARE(settings->sleepAfterMinutes(), 20.0);
        QVERIFY(settings->reactionGroups().isEmpty());
        QVERIFY(!settings->quietMode());
        QVERIFY(!settings->quietUntil());
        QVERIFY(!settings->reducedMotion());
        QVERIFY(!settings->notificationsEnabled());
        QVERIFY(!settings->notificationSounds());
        QCOMPARE(settings->shortcutKey(), QStringLiteral("M"));
        QVERIFY(!settings->launchAtLogin());
        QVERIFY(!settings->presentationMode());
        for (const QString& group : AppSettings::reactionGroupNames())
            QCOMPARE(settings->isReactionGroupEnabled(group), group != QLatin1String("clipboard"));
        QVERIFY(!m_defaults->hasPendingChanges());
    }

    void storedValuesAreReadByTheirRules_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("expected");

        const auto row = [](const char* name, const char* key, const QVariant& stored, const char* expected) {
            QTest::newRow(name) << QString::fromLatin1(key) << stored << QString::fromLatin1(expected);
        };
        row("display mode", "displayMode", QStringLiteral("main"), "main");
        row("display mode in the wrong case", "displayMode", QStringLiteral("Main"), "notch");
        row("display mode as a number", "displayMode", 1, "notch");
        row("skin", "skin", QStringLiteral("cat"), "cat");
        row("unknown skin", "skin", QStringLiteral("dog"), "companion");
        row("accent", "accent", QStringLiteral("lavender"), "lavender");
        row("accent in the wrong case", "accent", QStringLiteral("Rose"), "white");
        row("face size", "faceSize", QStringLiteral("huge"), "huge");
        row("empty face size", "faceSize", QString(), "medium");
        row("true-by-default switch stored false", "hideInFullscreen", false, "false");
        row("true-by-default switch stored 0", "hotkeyEnabled", 0, "false");
        row("true-by-default switch stored \"no\"", "eyeTracking", QStringLiteral("no"), "false");
        row("true-by-default switch stored \"YES\"", "bubblesEnabled", QStringLiteral("YES"), "true");
        row("true-by-default switch stored an array", "idleBehaviours", QVariantList{true}, "false");
        row("false-by-default switch stored \"True\"", "onboarded", QStringLiteral("True"), "true");
        row("false-by-default switch stored \"2\"", "reducedMotion", QStringLiteral("2"), "true");
        row("false-by-default switch stored 0.0", "notificationsEnabled", 0.0, "false");
        row("minutes", "yawnAfterMinutes", 2.5, "2.5");
        row("minutes as text", "sleepAfterMinutes", QStringLiteral("45"), "45");
        row("minutes as true", "yawnAfterMinutes", true, "1");
        row("zero minutes", "yawnAfterMinutes", 0, "10");
        row("negative minutes", "sleepAfterMinutes", -5, "20");
        row("minutes that are not a number", "yawnAfterMinutes", QStringLiteral("soon"), "10");
        row("minutes that are nan", "sleepAfterMinutes", QStringLiteral("nan"), "20");
        row("minutes that are infinite", "yawnAfterMinutes", QStringLiteral("inf"), "10");
        row("minutes as a date", "sleepAfterMinutes", QDateTime::currentDateTimeUtc(), "20");
        row("shortcut key", "shortcutKey", QStringLiteral("Space"), "Space");
        row("shortcut key as a number", "shortcutKey", 5, "");
    }

    void storedValuesAreReadByTheirRules()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QString, expected);
        m_defaults->set(key, stored);
        m_defaults->flush();

        const auto settings = makeSettings();
        const QHash<QString, QString> values{
            {QStringLiteral("displayMode"), rawValue(settings->displayMode())},
            {QStringLiteral("skin"), rawValue(settings->skin())},
            {QStringLiteral("accent"), rawValue(settings->accent())},
            {QStringLiteral("faceSize"), rawValue(settings->faceSize())},
            {QStringLiteral("hideInFullscreen"), settings->hideInFullscreen() ? "true" : "false"},
            {QStringLiteral("hotkeyEnabled"), settings->hotkeyEnabled() ? "true" : "false"},
            {QStringLiteral("eyeTracking"), settings->eyeTracking() ? "true" : "false"},
            {QStringLiteral("bubblesEnabled"), settings->bubblesEnabled() ? "true" : "false"},
            {QStringLiteral("idleBehaviours"), settings->idleBehaviours() ? "true" : "false"},
            {QStringLiteral("onboarded"), settings->onboarded() ? "true" : "false"},
            {QStringLiteral("reducedMotion"), settings->reducedMotion() ? "true" : "false"},
            {QStringLiteral("notificationsEnabled"), settings->notificationsEnabled() ? "true" : "false"},
            {QStringLiteral("yawnAfterMinutes"), QString::number(settings->yawnAfterMinutes())},
            {QStringLiteral("sleepAfterMinutes"), QString::number(settings->sleepAfterMinutes())},
            {QStringLiteral("shortcutKey"), settings->shortcutKey()},
        };
        QCOMPARE(values.value(key), expected);
        // Reading never writes back, whatever was found.
        QVERIFY(!m_defaults->hasPendingChanges());
        QCOMPARE(m_defaults->object(key), stored.typeId() == QMetaType::Int ? QVariant(stored.toLongLong()) : stored);
    }

    void reactionGroupsAreTakenWholeOrNotAtAll_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QStringList>("enabled");

        QTest::newRow("all Booleans") << QVariant(QVariantMap{{"media", false}, {"clipboard", true}})
                                      << QStringList{"clipboard", "focus", "system", "calendar", "business", "general"};
        QTest::newRow("one value is text")
            << QVariant(QVariantMap{{"media", false}, {"focus", QStringLiteral("yes")}})
            << QStringList{"focus", "system", "calendar", "media", "business", "general"};
        QTest::newRow("one value is a number")
            << QVariant(QVariantMap{{"media", false}, {"focus", 1}})
            << QStringList{"focus", "system", "calendar", "media", "business", "general"};
        QTest::newRow("not a dictionary") << QVariant(QVariantList{false})
                                          << QStringList{"focus", "system", "calendar", "media", "business", "general"};
    }

    void reactionGroupsAreTakenWholeOrNotAtAll()
    {
        QFETCH(QVariant, stored);
        QFETCH(QStringList, enabled);
        m_defaults->set(QStringLiteral("reactionGroups"), stored);

        const auto settings = makeSettings();
        QStringList actual;
        for (const QString& group : AppSettings::reactionGroupNames()) {
            if (settings->isReactionGroupEnabled(group))
                actual << group;
        }
        QCOMPARE(actual, enabled);
    }

    void switchingAGroupWritesTheWholeDictionary()
    {
        m_defaults->set(QStringLiteral("reactionGroups"), QVariantMap{{"media", false}});
        const auto settings = makeSettings();
        settings->setReactionGroupEnabled(QStringLiteral("clipboard"), true);
        QCOMPARE(m_defaults->dictionary(QStringLiteral("reactionGroups")),
                 (QVariantMap{{"media", false}, {"clipboard", true}}));
        QVERIFY(settings->isReactionGroupEnabled(QStringLiteral("clipboard")));
        QVERIFY(!settings->isReactionGroupEnabled(QStringLiteral("media")));
    }

    void everyAssignmentStoresAndSignalsEvenWhenEqual()
    {
        const auto settings = makeSettings();
        QSignalSpy skinChanged(settings.get(), &AppSettings::skinChanged);
        QSignalSpy changed(settings.get(), &AppSettings::changed);

        settings->setSkin(Skin::companion);
        settings->setHotkeyEnabled(true);
        settings->setYawnAfterMinutes(10);

        QCOMPARE(skinChanged.count(), 1);
        QCOMPARE(changed.count(), 3);
        QCOMPARE(m_defaults->object(QStringLiteral("skin")), QVariant(QStringLiteral("companion")));
        QCOMPARE(m_defaults->object(QStringLiteral("hotkeyEnabled")), QVariant(true));
        QCOMPARE(m_defaults->object(QStringLiteral("yawnAfterMinutes")), QVariant(10.0));
    }

    void displayModePostsScreenChangedOnEveryAssignment()
    {
        const auto settings = makeSettings();
        QSignalSpy screenChanged(&m_events, &AppEvents::screenChanged);
        settings->setDisplayMode(DisplayMode::notch);
        settings->setDisplayMode(DisplayMode::cursor);
        QCOMPARE(screenChanged.count(), 2);
        QCOMPARE(m_defaults->string(QStringLiteral("displayMode")), QStringLiteral("cursor"));
    }

    void presentationModeIsNeverStored()
    {
        const auto settings = makeSettings();
        settings->setPresentationMode(true);
        QVERIFY(settings->presentationMode());
        QVERIFY(!m_defaults->contains(QStringLiteral("presentationMode")));
        QVERIFY(!makeSettings()->presentationMode());
    }

    void quietModeEndsWhenItsTimeComes_data()
    {
        QTest::addColumn<qint64>("lengthMs");
        QTest::addColumn<QList<qint64>>("armedDelays");

        QTest::newRow("30 minutes") << 30 * minute << QList<qint64>{30 * minute};
        QTest::newRow("1 hour") << 60 * minute << QList<qint64>{60 * minute};
        QTest::newRow("3 hours and a bit")
            << 3 * 60 * minute + 5000 << QList<qint64>{60 * minute, 60 * minute, 60 * minute, 5000};
    }

    void quietModeEndsWhenItsTimeComes()
    {
        QFETCH(qint64, lengthMs);
        QFETCH(QList<qint64>, armedDelays);
        const auto settings = makeSettings();
        settings->setQuietMode(true);
        settings->setQuietUntil(m_clock.now().addMSecs(lengthMs));
        QCOMPARE(m_defaults->date(QStringLiteral("quietUntil")), m_clock.now().addMSecs(lengthMs));

        for (const qint64 delay : armedDelays) {
            QVERIFY(settings->quietMode());
            QCOMPARE(m_scheduler.pendingDelays(), std::vector<qint64>{delay});
            m_scheduler.advance(delay - 1);
            QVERIFY(settings->quietMode());
            m_scheduler.advance(1);
        }
        QVERIFY(!settings->quietMode());
        QVERIFY(!settings->quietUntil());
        QVERIFY(!settings->isQuietTimerArmed());
        QCOMPARE(m_defaults->object(QStringLiteral("quietMode")), QVariant(false));
        QVERIFY(!m_defaults->contains(QStringLiteral("quietUntil")));
    }

    void quietModeAYearAheadStaysOnAndKeepsItsTimer()
    {
        const auto settings = makeSettings();
        settings->setQuietMode(true);
        settings->setQuietUntil(m_clock.now().addYears(1));
        for (int hour = 0; hour < 48; ++hour)
            m_scheduler.advance(60 * minute);
        QVERIFY(settings->quietMode());
        QCOMPARE(m_scheduler.pendingDelays(), std::vector<qint64>{60 * minute});
    }

    void anEarlyTimerDoesNotEndQuietMode()
    {
        const auto settings = makeSettings();
        settings->setQuietMode(true);
        settings->setQuietUntil(m_clock.now().addSecs(30 * 60));
        // The wall clock is set back ten minutes while the timer waits; it fires on time, which is now early.
        m_clock.setNow(m_clock.now().addSecs(-10 * 60));
        m_scheduler.advance(30 * minute);
        QVERIFY(settings->quietMode());
        QCOMPARE(m_scheduler.pendingDelays(), std::vector<qint64>{10 * minute});
        m_scheduler.advance(10 * minute);
        QVERIFY(!settings->quietMode());
    }

    void wakingAfterTheEndEndsQuietMode()
    {
        const auto settings = makeSettings();
        settings->setQuietMode(true);
        settings->setQuietUntil(m_clock.now().addSecs(60));
        // Asleep through the end: the monotonic timer has not fired, the wall clock has moved on.
        m_clock.setNow(m_clock.now().addSecs(3600));
        settings->expireQuietMode(m_clock.now());
        QVERIFY(!settings->quietMode());
        QVERIFY(!settings->isQuietTimerArmed());
    }

    void quietModeThatEndedWhileNotRunningIsEndedAtStart()
    {
        m_defaults->set(QStringLiteral("quietMode"), true);
        m_defaults->set(QStringLiteral("quietUntil"), m_clock.now().addSecs(-1));
        const auto settings = makeSettings();
        QVERIFY(!settings->quietMode());
        QVERIFY(!settings->quietUntil());
        QCOMPARE(m_defaults->object(QStringLiteral("quietMode")), QVariant(false));
        QVERIFY(!m_defaults->contains(QStringLiteral("quietUntil")));
        QVERIFY(!settings->isQuietTimerArmed());
    }

    void quietModeStillRunningAtStartKeepsItsTimer()
    {
        m_defaults->set(QStringLiteral("quietMode"), true);
        m_defaults->set(QStringLiteral("quietUntil"), m_clock.now().addSecs(20 * 60));
        m_defaults->flush();
        const auto settings = makeSettings();
        QVERIFY(settings->quietMode());
        QCOMPARE(settings->quietUntil(), m_clock.now().addSecs(20 * 60));
        QCOMPARE(m_scheduler.pendingDelays(), std::vector<qint64>{20 * minute});
        QVERIFY(!m_defaults->hasPendingChanges());
    }

    void turningQuietModeOffRemovesItsEnd()
    {
        const auto settings = makeSettings();
        settings->setQuietMode(true);
        settings->setQuietUntil(m_clock.now().addSecs(30 * 60));
        QSignalSpy untilChanged(settings.get(), &AppSettings::quietUntilChanged);
        settings->setQuietMode(false);
        QVERIFY(!m_defaults->contains(QStringLiteral("quietUntil")));
        QVERIFY(!settings->isQuietTimerArmed());
        QCOMPARE(untilChanged.count(), 1);
        QCOMPARE(m_scheduler.pendingCount(), 0);
    }

    void quietModeWithoutEndHasNoTimer()
    {
        const auto settings = makeSettings();
        settings->setQuietMode(true);
        QVERIFY(!settings->isQuietTimerArmed());
        m_scheduler.advance(24 * 60 * minute);
        QVERIFY(settings->quietMode());
    }

    void loginItemFollowsTheSwitch()
    {
        const auto settings = makeSettings();
        settings->setLaunchAtLogin(true);
        QVERIFY(QFile::exists(autostartPath()));
        QVERIFY(settings->launchAtLogin());
        QVERIFY(!settings->launchAtLoginError());
        QVERIFY(makeSettings()->launchAtLogin()); // read back from the entry, not from the defaults
        QVERIFY(!m_defaults->contains(QStringLiteral("launchAtLogin")));

        settings->setLaunchAtLogin(false);
        QVERIFY(!QFile::exists(autostartPath()));
        QVERIFY(!makeSettings()->launchAtLogin());
    }

    void aFailingLoginItemSnapsBack()
    {
        // A regular file where the autostart folder should be stops root too.
        QVERIFY(QDir(m_folder.file(QStringLiteral("autostart"))).removeRecursively());
        QFile blocker(m_folder.file(QStringLiteral("autostart")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const auto settings = makeSettings();
        QSignalSpy switched(settings.get(), &AppSettings::launchAtLoginChanged);

        settings->setLaunchAtLogin(true);

        QVERIFY(!settings->launchAtLogin());
        QCOMPARE(switched.count(), 2);
        QCOMPARE(switched.at(1).at(0).toBool(), false);
        QVERIFY(settings->launchAtLoginError());
        QVERIFY(settings->launchAtLoginError()->startsWith(QStringLiteral("Couldn't update the login item: ")));
        QVERIFY(settings->launchAtLoginError()->size() > 33);
        QCOMPARE(m_loginItem->requests, 1);
        QVERIFY(QFile::remove(blocker.fileName()));

        settings->setLaunchAtLogin(true);
        QVERIFY(settings->launchAtLogin());
        QVERIFY(!settings->launchAtLoginError());
    }

    void accentColours_data()
    {
        QTest::addColumn<Accent>("accent");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("white") << Accent::white << QColor(Qt::white);
        QTest::newRow("mint") << Accent::mint << QColor::fromRgbF(0.62f, 0.95f, 0.8f);
        QTest::newRow("sky") << Accent::sky << QColor::fromRgbF(0.62f, 0.84f, 1.0f);
        QTest::newRow("lavender") << Accent::lavender << QColor::fromRgbF(0.8f, 0.74f, 1.0f);
    }

    void accentColours()
    {
        QFETCH(Accent, accent);
        QFETCH(QColor, colour);
        QCOMPARE(accentColor(accent), colour);
        QCOMPARE(accentColor(accent).alphaF(), 1.0f);
    }
    // Observers hear that quiet mode is off before they hear that its end is gone, however it ends.
    void quietModeEndsBeforeItsEndIsCleared_data()
    {
        QTest::addColumn<bool>("byItsTime");
        QTest::newRow("switched off") << false;
        QTest::newRow("its time came") << true;
    }

    void quietModeEndsBeforeItsEndIsCleared()
    {
        QFETCH(bool, byItsTime);
        const auto settings = makeSettings();
        settings->setQuietMode(true);
        settings->setQuietUntil(m_clock.now().addSecs(60));
        QStringList heard;
        connect(settings.get(), &AppSettings::quietModeChanged, this,
                [&heard](bool quiet) { heard << (quiet ? QStringLiteral("on") : QStringLiteral("off")); });
        connect(settings.get(), &AppSettings::quietUntilChanged, this, [&heard](const std::optional<QDateTime>& end) {
            heard << (end ? QStringLiteral("until") : QStringLiteral("no end"));
        });
        if (byItsTime)
            m_scheduler.advance(minute);
        else
            settings->setQuietMode(false);
        QVERIFY(heard.size() >= 2);
        QCOMPARE(heard.mid(0, 2), (QStringList{"off", "no end"}));
    }
};

WISPLET_TEST_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
