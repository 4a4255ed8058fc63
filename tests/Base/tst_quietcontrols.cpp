#include "Wisplet/Base/QuietControls.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestMain.h"

#include <QSignalSpy>
#include <QTimeZone>

namespace {

const QLocale unitedStates(QLocale::English, QLocale::UnitedStates);
const QLocale germany(QLocale::German, QLocale::Germany);

// The test main pins this zone.
QDateTime aucklandTime(QDate date, QTime time)
{
    return QDateTime(date, time, QTimeZone("Pacific/Auckland")).toUTC();
}

// Separators read "-", lines that cannot be chosen are put in brackets.
QStringList describe(const MenuItems& items)
{
    QStringList texts;
    for (const MenuItem& item : items)
        texts << (item.isSeparator ? QStringLiteral("-") : item.enabled ? item.text : u'[' + item.text + u']');
    return texts;
}

const QStringList choices{QStringLiteral("Quiet for 30 minutes"), QStringLiteral("Quiet for 1 hour"),
                          QStringLiteral("Quiet until turned off"), QStringLiteral("-"),
                          QStringLiteral("Hide Wisp for a presentation")};

} // namespace

class TestQuietControls final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SettingsFixture> m_fixture;

    void choose(QuietControls& controls, const QString& text)
    {
        for (const MenuItem& item : controls.items()) {
            if (item.text == text) {
                QVERIFY(controls.trigger(item.action));
                return;
            }
        }
        QFAIL(qPrintable(QStringLiteral("no item ") + text));
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<SettingsFixture>();
        m_fixture->clock.setNow(aucklandTime(QDate(2026, 3, 1), QTime(14, 5)));
    }

    void itemsFollowTheQuietPeriod_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QDateTime>("chosenAt");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QStringList>("firstGroup");

        const QDateTime afternoon = aucklandTime(QDate(2026, 3, 1), QTime(14, 5));
        const QString off = QStringLiteral("Turn Quiet Mode off");
        const QString sep = QStringLiteral("-");
        QTest::newRow("quiet off") << unitedStates << afternoon << QString() << "Quiet" << QStringList();
        QTest::newRow("until turned off") << unitedStates << afternoon << "Quiet until turned off"
                                          << "Quiet on" << QStringList{off, sep};
        QTest::newRow("one hour, 12-hour clock") << unitedStates << afternoon << "Quiet for 1 hour"
                                                 << "Quiet on" << QStringList{"[Quiet until 3:05 PM]", off, sep};
        QTest::newRow("one hour, 24-hour clock") << germany << afternoon << "Quiet for 1 hour"
                                                 << "Quiet on" << QStringList{"[Quiet until 15:05]", off, sep};
        QTest::newRow("C locale, no seconds") << QLocale::c() << afternoon << "Quiet for 1 hour"
                                              << "Quiet on" << QStringList{"[Quiet until 15:05]", off, sep};
        QTest::newRow("past midnight, last of the month")
            << germany << aucklandTime(QDate(2026, 3, 31), QTime(23, 50)) << "Quiet for 30 minutes"
            << "Quiet on" << QStringList{"[Quiet until 00:20]", off, sep};
        // 02:30 in daylight saving time; at 03:00 the clocks go back to 02:00.
        QTest::newRow("across the end of daylight saving")
            << germany << QDateTime(QDate(2026, 4, 4), QTime(13, 30), Qt::UTC) << "Quiet for 1 hour"
            << "Quiet on" << QStringList{"[Quiet until 02:30]", off, sep};
    }

    void itemsFollowTheQuietPeriod()
    {
        QFETCH(QLocale, locale);
        QFETCH(QDateTime, chosenAt);
        QFETCH(QString, choice);
        QFETCH(QString, label);
        QFETCH(QStringList, firstGroup);

        m_fixture->clock.setNow(chosenAt);
        QuietControls controls(m_fixture->settings, m_fixture->clock, locale);
        if (!choice.isEmpty())
            choose(controls, choice);

        QCOMPARE(describe(controls.items()), firstGroup + choices);
        QCOMPARE(controls.labelText(), label);
        QCOMPARE(controls.labelSymbol(), m_fixture->settings.quietMode() ? "bell.slash.fill" : "bell");
        const MenuItem submenu = controls.submenuItem();
        QCOMPARE(submenu.text, label);
        QCOMPARE(submenu.submenu, controls.items());
    }

    void choicesChangeTheSettings_data()
    {
        QTest::addColumn<bool>("startQuiet");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<bool>("quiet");
        QTest::addColumn<int>("endInSeconds"); // 0: no end
        QTest::addColumn<bool>("presentation");

        QTest::newRow("30 minutes") << false << "Quiet for 30 minutes" << true << 1800 << false;
        QTest::newRow("1 hour replaces a timed period") << true << "Quiet for 1 hour" << true << 3600 << false;
        QTest::newRow("until turned off removes the end") << true << "Quiet until turned off" << true << 0 << false;
        QTest::newRow("turn off") << true << "Turn Quiet Mode off" << false << 0 << false;
        QTest::newRow("presentation leaves quiet mode alone")
            << true << "Hide Wisp for a presentation" << true << 1200 << true;
    }

    void choicesChangeTheSettings()
    {
        QFETCH(bool, startQuiet);
        QFETCH(QString, choice);
        QFETCH(bool, quiet);
        QFETCH(int, endInSeconds);
        QFETCH(bool, presentation);

        QuietControls controls(m_fixture->settings, m_fixture->clock, unitedStates);
        if (startQuiet) {
            controls.quietFor(1800);
            m_fixture->clock.advance(10 * 60 * 1000);
        }
        choose(controls, choice);

        QCOMPARE(m_fixture->settings.quietMode(), quiet);
        QCOMPARE(m_fixture->defaults.boolValue(QStringLiteral("quietMode")), quiet);
        QCOMPARE(m_fixture->settings.presentationMode(), presentation);
        const bool timed = endInSeconds != 0;
        const QDateTime end = m_fixture->clock.now().addSecs(endInSeconds);
        QCOMPARE(m_fixture->settings.quietUntil(), timed ? std::optional(end) : std::nullopt);
        QCOMPARE(m_fixture->defaults.contains(QStringLiteral("quietUntil")), timed);
        QCOMPARE(m_fixture->settings.isQuietTimerArmed(), timed);
        QCOMPARE(m_fixture->scheduler.pendingCount(), timed ? 1 : 0);
    }

    void aTimedPeriodEndsOnItsOwn()
    {
        QuietControls controls(m_fixture->settings, m_fixture->clock, unitedStates);
        QSignalSpy changed(&controls, &QuietControls::changed);
        controls.quietFor(1800);
        QVERIFY(!changed.isEmpty());

        changed.clear();
        m_fixture->scheduler.advance(1800 * 1000);
        QVERIFY(!changed.isEmpty());
        QCOMPARE(controls.labelText(), "Quiet");
        QCOMPARE(describe(controls.items()), choices);
    }
};

WISPLET_TEST_MAIN(TestQuietControls)
#include "tst_quietcontrols.moc"
