#include "Wisplet/Tools/Calendar/AgendaText.h"
#include "tests/support/TestMain.h"

namespace {

// The test main pins Auckland (UTC+13 in these months), so a UTC-based date would land a day early.
const QDateTime afternoon(QDate(2026, 3, 6), QTime(2, 0), Qt::UTC); // 6 March, 15:00 local
const QDateTime newYear(QDate(2026, 12, 31), QTime(11, 30), Qt::UTC); // 1 January 2027, 00:30 local

} // namespace

class TestAgendaText final : public QObject
{
    Q_OBJECT

private slots:
    void datesFollowTheLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QDateTime>("instant");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("due");
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::newRow("de_DE") << de << afternoon << "6. März 2026, 15:00"
                               << "6. März 2026";
        QTest::newRow("en_US, first of the year") << us << newYear << "Jan 1, 2027, 12:30 AM"
                                                  << "January 1, 2027";
    }

    void datesFollowTheLocale()
    {
        QFETCH(QLocale, locale);
        QFETCH(QDateTime, instant);
        QFETCH(QString, start);
        QFETCH(QString, due);
        QCOMPARE(AgendaText::startText(instant, locale), start);
        QCOMPARE(AgendaText::dueText(instant, locale), due);
    }

    void theCountdownSaysNowOnlyOnceStarted_data()
    {
        QTest::addColumn<qint64>("beforeMs");
        QTest::addColumn<QString>("text");
        QTest::newRow("a millisecond before") << qint64(1) << "in 0 min";
        QTest::newRow("at the start") << qint64(0) << "Now · ends 3:30 PM";
    }

    void theCountdownSaysNowOnlyOnceStarted()
    {
        QFETCH(qint64, beforeMs);
        QFETCH(QString, text);
        CalendarEvent event;
        event.start = afternoon;
        event.end = afternoon.addSecs(1800);
        const QString shown = AgendaText::countdown(event, afternoon.addMSecs(-beforeMs),
                                                    QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(shown, text);
    }
};

WISPLET_TEST_MAIN(TestAgendaText)
#include "tst_agendatext.moc"
