#include "Wisplet/Base/Animation.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Tools/Focus/BreakPromptView.h"
#include "Wisplet/Tools/Focus/FocusRing.h"
#include "Wisplet/Tools/Focus/FocusView.h"
#include "tests/Tools/Focus/FocusFixture.h"
#include "tests/support/WidgetsTestMain.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <QScrollArea>
#include <QToolButton>

namespace {

// A mode, then steps: s starts, p pauses, c starts a 90 s countdown.
struct PageRow
{
    FocusMode mode;
    const char* steps;
    const char* title;
    const char* ring;
    const char* primary;
    // Which of reset, skip, lap, the cycle row and the timer row show, as letters "rslct".
    const char* shown;
    bool modePickerEnabled;
};

QString shownParts(const FocusView& view)
{
    QString shown;
    const std::pair<QWidget*, QChar> parts[] = {{view.resetButton(), u'r'},
                                                {view.skipButton(), u's'},
                                                {view.lapButton(), u'l'},
                                                {view.cycleRow(), u'c'},
                                                {view.timerRow(), u't'}};
    for (const auto& [widget, letter] : parts) {
        if (!widget->isHidden())
            shown += letter;
    }
    return shown;
}

} // namespace

Q_DECLARE_METATYPE(PageRow)

class TestFocusView final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FocusFixture> f;
    std::unique_ptr<AnimationClock> m_animation;

    FocusEngine& engine() { return *f->engine; }
    std::unique_ptr<FocusView> page() { return std::make_unique<FocusView>(engine(), *m_animation); }

private slots:
    void init()
    {
        f = std::make_unique<FocusFixture>();
        f->clock.setNow(QDateTime(QDate(2026, 3, 1), QTime(19, 0), Qt::UTC));
        f->launch();
        m_animation = std::make_unique<AnimationClock>(f->clock);
    }

    void titlesAndControls_data()
    {
        QTest::addColumn<PageRow>("row");
        const FocusMode pomodoro = FocusMode::pomodoro;
        QTest::newRow("idle pomodoro") << PageRow{pomodoro, "", "Ready · 0 today", "25:00", "Start", "c", true};
        QTest::newRow("focus running") << PageRow{pomodoro, "s", "Focus", "25:00", "Pause", "rsc", false};
        QTest::newRow("focus paused") << PageRow{pomodoro, "sp", "Focus · paused", "25:00", "Resume", "rsc", false};
        QTest::newRow("idle timer") << PageRow{FocusMode::timer, "", "Ready", "15:00", "Start", "t", true};
        QTest::newRow("timer paused") << PageRow{pomodoro, "cp", "Timer · paused", "01:30", "Resume", "r", false};
        QTest::newRow("idle stopwatch") << PageRow{FocusMode::stopwatch, "", "Ready", "00:00", "Start", "", true};
        QTest::newRow("stopwatch running")
            << PageRow{FocusMode::stopwatch, "s", "Stopwatch", "00:00", "Pause", "rl", false};
    }

    void titlesAndControls()
    {
        QFETCH(PageRow, row);
        engine().setMode(row.mode);
        for (const char* step = row.steps; *step; ++step)
            *step == 's' ? engine().start() : *step == 'p' ? engine().pause() : engine().startCustom(90);
        const auto view = page();
        QCOMPARE(view->titleText(), QString::fromUtf8(row.title));
        QCOMPARE(view->ring()->text(), QLatin1String(row.ring));
        QCOMPARE(view->primaryButton()->text(), QLatin1String(row.primary));
        QCOMPARE(view->primaryButton()->symbolName(),
                 engine().isRunning() ? QStringLiteral("pause.fill") : QStringLiteral("play.fill"));
        QCOMPARE(shownParts(*view), QLatin1String(row.shown));
        QCOMPARE(view->modePicker()->checkedId(), int(engine().mode()));
        QCOMPARE(view->modePicker()->button(0)->parentWidget()->isEnabled(), row.modePickerEnabled);
    }

    void cycleDots_data()
    {
        QTest::addColumn<qint64>("sessions");
        QTest::addColumn<qint64>("cycle");
        QTest::addColumn<qint64>("dots");
        QTest::addColumn<qint64>("bright");
        QTest::newRow("two of four") << qint64(2) << qint64(4) << qint64(4) << qint64(2);
        QTest::newRow("a new cycle") << qint64(5) << qint64(4) << qint64(4) << qint64(1);
        QTest::newRow("no cycle") << qint64(3) << qint64(0) << qint64(1) << qint64(0);
    }

    void cycleDots()
    {
        QFETCH(qint64, sessions);
        QFETCH(qint64, cycle);
        QFETCH(qint64, dots);
        QFETCH(qint64, bright);
        f->defaults.set(QStringLiteral("focus.sessionsDay"), QStringLiteral("2026-03-02"));
        f->defaults.set(QStringLiteral("focus.sessionsCount"), sessions);
        f->launch().setSessionsBeforeLongBreak(cycle);
        engine().setShortBreakMinutes(2.5);
        const auto view = page();
        QCOMPARE(view->cycleDots(), qMakePair(dots, bright));
        QCOMPARE(view->cycleText(), QStringLiteral("25 / 2.5 / 15 min"));
    }

    void typedDuration()
    {
        engine().setMode(FocusMode::timer);
        const auto view = page();
        QTest::keyClicks(view->durationField(), QStringLiteral("soon"));
        QTest::keyClick(view->durationField(), Qt::Key_Return);
        QVERIFY(view->errorText().has_value());
        QCOMPARE(view->durationField()->text(), QStringLiteral("soon"));
        QCOMPARE(engine().phase(), FocusPhase::idle);

        view->durationField()->setText(QStringLiteral("25m"));
        QTest::keyClick(view->durationField(), Qt::Key_Return);
        QCOMPARE(view->errorText(), std::nullopt);
        QVERIFY(view->durationField()->text().isEmpty());
        QCOMPARE(engine().phase(), FocusPhase::countdown);
        QCOMPARE(engine().remaining(), 1500.0);
        QVERIFY(view->timerRow()->isHidden());
    }

    void presetBecomesTheTimerLength()
    {
        engine().setMode(FocusMode::timer);
        const auto view = page();
        QTest::mouseClick(view->presetChips().at(4), Qt::LeftButton);
        QCOMPARE(engine().phase(), FocusPhase::countdown);
        QCOMPARE(engine().remaining(), 2700.0);
        view->resetButton()->click();
        QCOMPARE(view->ring()->text(), QStringLiteral("45:00"));
    }

    void timerRowScalesDownOnlyWhenItDoesNotFit()
    {
        engine().setMode(FocusMode::timer);
        const auto view = page();
        view->show();
        const QSize fullChip = view->presetChips().first()->size();
        const QSize fullField = view->durationField()->size();
        // Narrower than the row: the same row scaled down, chips and field alike.
        view->resize(view->minimumSizeHint().width(), 200);
        QCOMPARE(view->timerRowScale(), FocusView::compactTimerRowScale);
        QCOMPARE(view->presetChips().first()->height(), qRound(fullChip.height() * FocusView::compactTimerRowScale));
        QCOMPARE(view->durationField()->height(), qRound(fullField.height() * FocusView::compactTimerRowScale));
        // Room again: back to its own size.
        view->resize(700, 200);
        QCOMPARE(view->timerRowScale(), 1.0);
        QCOMPARE(view->presetChips().first()->size(), fullChip);
    }

    void pickingAModeWritesIt()
    {
        const auto view = page();
        view->modePicker()->button(int(FocusMode::stopwatch))->click();
        QCOMPARE(engine().mode(), FocusMode::stopwatch);
        QCOMPARE(view->ring()->progress(), 1.0);
    }

    void lapsNewestFirst()
    {
        engine().setMode(FocusMode::stopwatch);
        engine().start();
        const auto view = page();
        QVERIFY(view->lapsList()->isHidden());
        for (double seconds : {1.25, 2.0, 0.5}) {
            f->pass(seconds);
            engine().lap();
        }
        QCOMPARE(view->lapTexts(), (QStringList{"Lap 3 00:03.75", "Lap 2 00:03.25", "Lap 1 00:01.25"}));
        QVERIFY(!view->lapsList()->isHidden());
    }

    void breakCard_data()
    {
        QTest::addColumn<bool>("autoAdvance");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("buttons");
        QTest::newRow("break waits") << false << "A little stretch?" << true;
        QTest::newRow("break runs") << true << "Enjoy your break" << false;
    }

    void breakCard()
    {
        QFETCH(bool, autoAdvance);
        QFETCH(QString, title);
        QFETCH(bool, buttons);
        engine().setAutoAdvance(autoAdvance);
        engine().start();
        f->pass(25 * 60);
        QVERIFY(engine().breakPrompt());
        BreakPromptView card(engine());
        QCOMPARE(card.titleText(), title);
        QCOMPARE(!card.startButton()->isHidden(), buttons);
        QCOMPARE(!card.snoozeButton()->isHidden(), buttons);
        if (buttons) {
            card.startButton()->click();
            QVERIFY(engine().isRunning());
            QCOMPARE(engine().phase(), FocusPhase::shortBreak);
        } else {
            card.closeButton()->click();
        }
        QVERIFY(!engine().breakPrompt());
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestFocusView)
#include "tst_focusview.moc"
