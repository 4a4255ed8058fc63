#include "Wisplet/Base/AppEvents.h"
#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Platform/XdgAutostart.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FakeScheduler.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"

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

struct Stored
{
    const char* key = "";
    QVariant stored;
    const char* expected = "";
};

} // namespace

Q_DECLARE_METATYPE(Stored)

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

    void storedValuesAreReadByTheirRules_data()
    {
        QTest::addColumn<Stored>("row");
        QTest::newRow("display mode") << Stored{"displayMode", QStringLiteral("main"), "main"};
        QTest::newRow("choice in the wrong case") << Stored{"accent", QStringLiteral("Rose"), "white"};
        QTest::newRow("choice as a number") << Stored{"displayMode", 1, "notch"};
        QTest::newRow("true-by-default switch stored \"no\"") << Stored{"eyeTracking", QStringLiteral("no"), "false"};
        QTest::newRow("true-by-default switch stored an array")
            << Stored{"idleBehaviours", QVariantList{true}, "false"};
        QTest::newRow("false-by-default switch stored \"True\"") << Stored{"onboarded", QStringLiteral("True"), "true"};
        QTest::newRow("minutes") << Stored{"yawnAfterMinutes", 2.5, "2.5"};
        QTest::newRow("minutes as text") << Stored{"sleepAfterMinutes", QStringLiteral("45"), "45"};
        QTest::newRow("zero minutes") << Stored{"yawnAfterMinutes", 0, "10"};
        QTest::newRow("negative minutes") << Stored{"sleepAfterMinutes", -5, "20"};
        QTest::newRow("minutes that are nan") << Stored{"sleepAfterMinutes", QStringLiteral("nan"), "20"};
        QTest::newRow("shortcut key") << Stored{"shortcutKey", QStringLiteral("Space"), "Space"};
        QTest::newRow("shortcut key as a number") << Stored{"shortcutKey", 5, ""};
    }

    void storedValuesAreReadByTheirRules()
    {
        QFETCH(Stored, row);
        const QString key = QString::fromLatin1(row.key);
        const QVariant& stored = row.stored;
        m_defaults->set(key, stored);
        m_defaults->flush();

        const auto settings = makeSettings();
        const QHash<QString, QString> values{
            {QStringLiteral("displayMode"), rawValue(settings->displayMode())},
            {QStringLiteral("accent"), rawValue(settings->accent())},
            {QStringLiteral("hotkeyEnabled"), settings->hotkeyEnabled() ? "true" : "false"},
            {QStringLiteral("eyeTracking"), settings->eyeTracking() ? "true" : "false"},
            {QStringLiteral("idleBehaviours"), settings->idleBehaviours() ? "true" : "false"},
            {QStringLiteral("onboarded"), settings->onboarded() ? "true" : "false"},
            {QStringLiteral("yawnAfterMinutes"), QString::number(settings->yawnAfterMinutes())},
            {QStringLiteral("sleepAfterMinutes"), QString::number(settings->sleepAfterMinutes())},
            {QStringLiteral("shortcutKey"), settings->shortcutKey()},
        };
        QCOMPARE(values.value(key), QString::fromLatin1(row.expected));
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

    // The user's editor changes the file while the program runs; the program's next save takes it in.
    void followsWhatAnotherProgramChangedInTheFile()
    {
        const QString path = m_folder.file(QStringLiteral("follow/defaults.json"));
        QVERIFY(TestFiles::write(path, R"({"faceSize": "large", "hotkeyEnabled": false, "accent": "mint"})"));
        m_defaults = std::make_unique<Defaults>(path);
        const auto settings = makeSettings();
        QSignalSpy changed(settings.get(), &AppSettings::changed);
        QVERIFY(TestFiles::replace(path, R"({"faceSize": "small", "accent": "mint"})"));

        settings->setSkin(Skin::cat);
        QVERIFY(m_defaults->flush());
        QCOMPARE(settings->faceSize(), FaceSize::small);
        // Gone from the file: its default again.
        QVERIFY(settings->hotkeyEnabled());
        QCOMPARE(settings->skin(), Skin::cat);
        // The skin, the face size and the shortcut switch; the unchanged accent says nothing.
        QCOMPARE(changed.count(), 3);
        QVERIFY(!m_defaults->hasPendingChanges());
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
        QVERIFY(!m_defaults->contains(QStringLiteral("quietUntil")));
        QCOMPARE(m_scheduler.pendingCount(), 0);
    }
};

WISPLET_TEST_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
