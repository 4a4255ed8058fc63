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

#include <functional>

namespace {

struct PageRow
{
    std::function<void(FocusEngine&)> setUp;
    QString title;
    QString ring;
    QString primary;
    QString primaryIcon;
    // Which of reset, skip, lap, the cycle row and the timer row show, as letters "rslct".
    QString shown;
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

// The widget on the island's black, as the panel shows it, saved as a picture in the build folder.
void render(QWidget* content, const QSize& size, const char* name)
{
    QWidget host;
    host.setAutoFillBackground(true);
    QPalette palette = host.palette();
    palette.setColor(QPalette::Window, Qt::black);
    host.setPalette(palette);
    content->setParent(&host);
    content->setGeometry(QRect(QPoint(20, 20), size));
    host.resize(size + QSize(40, 40));
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QVERIFY(
        host.grab().save(QCoreApplication::applicationDirPath() + u'/' + QLatin1String(name) + QStringLiteral(".png")));
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
        const QString play = QStringLiteral("play.fill");
        const QString pause = QStringLiteral("pause.fill");
        QTest::newRow("idle pomodoro") << PageRow{
            [](FocusEngine&) {}, "Ready · 0 today", "25:00", "Start", play, "c", true};
        QTest::newRow("focus running") << PageRow{
            [](FocusEngine& e) { e.start(); }, "Focus", "25:00", "Pause", pause, "rsc", false};
        QTest::newRow("focus paused") << PageRow{[](FocusEngine& e) {
                                                     e.start();
                                                     e.pause();
                                                 },
                                                 "Focus · paused",
                                                 "25:00",
                                                 "Resume",
                                                 play,
                                                 "rsc",
                                                 false};
        QTest::newRow("idle timer") << PageRow{
            [](FocusEngine& e) { e.setMode(FocusMode::timer); }, "Ready", "15:00", "Start", play, "t", true};
        QTest::newRow("timer paused") << PageRow{[](FocusEngine& e) {
                                                     e.startCustom(90);
                                                     e.pause();
                                                 },
                                                 "Timer · paused",
                                                 "01:30",
                                                 "Resume",
                                                 play,
                                                 "r",
                                                 false};
        QTest::newRow("idle stopwatch") << PageRow{
            [](FocusEngine& e) { e.setMode(FocusMode::stopwatch); }, "Ready", "00:00", "Start", play, "", true};
        QTest::newRow("stopwatch running") << PageRow{[](FocusEngine& e) {
                                                          e.setMode(FocusMode::stopwatch);
                                                          e.start();
                                                      },
                                                      "Stopwatch",
                                                      "00:00",
                                                      "Pause",
                                                      pause,
                                                      "rl",
                                                      false};
    }

    void titlesAndControls()
    {
        QFETCH(PageRow, row);
        row.setUp(engine());
        const auto view = page();
        QCOMPARE(view->titleText(), row.title);
        QCOMPARE(view->ring()->text(), row.ring);
        QCOMPARE(view->primaryButton()->text(), row.primary);
        QCOMPARE(view->primaryButton()->symbolName(), row.primaryIcon);
        QCOMPARE(shownParts(*view), row.shown);
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

    // Pictures for a person to look at.
    void renders()
    {
        engine().start();
        f->pass(7 * 60 + 12);
        render(page().release(), QSize(640, 200), "focus-page-running");
        engine().setMode(FocusMode::timer);
        render(page().release(), QSize(640, 200), "focus-page-timer");
        engine().setMode(FocusMode::stopwatch);
        engine().start();
        for (int i = 0; i < 4; ++i) {
            f->pass(41.37);
            engine().lap();
        }
        render(page().release(), QSize(640, 200), "focus-page-stopwatch");
        engine().showBreakPrompt();
        render(new BreakPromptView(engine()), QSize(640, 60), "focus-break-card");
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestFocusView)
#include "tst_focusview.moc"
