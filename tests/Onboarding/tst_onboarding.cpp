#include "Wisplet/App/ServiceCoordinator.h"
#include "Wisplet/Base/Animation.h"
#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Base/RawValue.h"
#include "Wisplet/Companion/WispFaceView.h"
#include "Wisplet/Notch/FileDropTarget.h"
#include "Wisplet/Onboarding/OnboardingView.h"
#include "Wisplet/Onboarding/OnboardingWindow.h"
#include "tests/Tools/Focus/FocusFixture.h"
#include "tests/support/FocusMarks.h"
#include "tests/support/RecordingService.h"
#include "tests/support/WidgetQuery.h"
#include "tests/support/WidgetsTestMain.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

namespace {

// The shelf as the drop zone sees it: takes any local file it is given.
class RecordingShelf final : public FileDropTarget
{
public:
    bool handleDrop(const QList<QUrl>& files) override
    {
        received += files;
        return !files.isEmpty();
    }
    QList<QUrl> received;
};

struct Onboarding : FocusFixture
{
    Onboarding()
    {
        launch();
        coordinator.registerService(ToolID::focus, focusService);
        coordinator.registerService(ToolID::system, systemService);
    }

    OnboardingWindow::Services services()
    {
        return {{settings, *registry, *wisp, *engine, shelf, [this] { coordinator.reconcile(); }}, animation};
    }

    AnimationClock animation{clock};
    RecordingShelf shelf;
    QStringList log;
    RecordingService focusService{QStringLiteral("focus"), log};
    RecordingService systemService{QStringLiteral("system"), log};
    ServiceCoordinator coordinator{settings, *registry};
};

// What happens to the focus engine between starting the practice timer and stopping it.
enum class Meanwhile { nothing, ranOutThenWork, userCountdown };

struct PracticeRow
{
    Meanwhile meanwhile;
    FocusPhase phaseAfterStop;
};

struct MotionRow
{
    bool appReduces;
    bool desktopReduces;
    QList<Mood> afterEachTick;
};

struct DropRow
{
    QList<QUrl> urls;
    QString text;
    bool accepted;
    int shelved;
};

} // namespace

Q_DECLARE_METATYPE(PracticeRow)
Q_DECLARE_METATYPE(MotionRow)
Q_DECLARE_METATYPE(DropRow)

class TestOnboarding final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Onboarding> f;
    QPointer<OnboardingWindow> m_window;

    OnboardingWindow& open() { return *OnboardingWindow::open(m_window, f->services(), nullptr); }
    OnboardingSteps& steps() { return m_window->view().steps(); }
    void pressReturn() { QTest::keyClick(m_window->view().currentPage(), Qt::Key_Return); }
    void goToLastStep()
    {
        while (steps().step() < OnboardingSteps::lastStep)
            steps().advanceStep();
    }

private slots:
    void init() { f = std::make_unique<Onboarding>(); }

    void cleanup()
    {
        delete m_window;
        f.reset();
    }

    void opensOnlyWhileNotOnboarded()
    {
        f->settings.setOnboarded(true);
        OnboardingWindow::openIfNeeded(m_window, f->services(), nullptr);
        QVERIFY(!m_window);

        f->settings.setOnboarded(false);
        QScreen* screen = QGuiApplication::primaryScreen();
        OnboardingWindow::openIfNeeded(m_window, f->services(), screen);
        QVERIFY(m_window && m_window->isVisible());
        QVERIFY((m_window->geometry().center() - screen->availableGeometry().center()).manhattanLength() <= 1);
        QVERIFY(m_window->view().isPreviewTimerActive());
    }

    // Made shorter by a short screen, the window keeps its dots and buttons in view and scrolls the steps, only
    // up and down; it is never resizable.
    void onAShortScreenOnlyTheStepsScroll_data()
    {
        QTest::addColumn<int>("height");
        QTest::newRow("800×480") << 357;
        QTest::newRow("2×, 1512×982") << 368;
        QTest::newRow("room enough") << OnboardingView::fixedHeight;
    }

    void onAShortScreenOnlyTheStepsScroll()
    {
        QFETCH(int, height);
        open();
        QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
        m_window->setFixedSize(OnboardingView::fixedWidth, height);
        for (int step = 0; step <= OnboardingSteps::lastStep; ++step) {
            QCoreApplication::processEvents();
            const QWidget* next = m_window->view().nextButton();
            QVERIFY(next->isVisible());
            QVERIFY(m_window->rect().contains(QRect(next->mapTo(m_window, QPoint()), next->size())));
            const QScrollArea* scroll = m_window->view().scrollArea();
            QVERIFY(!scroll->horizontalScrollBar()->isVisible());
            QCOMPARE(scroll->verticalScrollBar()->isVisible(), height < OnboardingView::fixedHeight);
            QVERIFY(scroll->widget()->width() <= scroll->viewport()->width());
            if (step < OnboardingSteps::lastStep)
                steps().advanceStep();
        }
    }

    void closingKeepsTheStepAndReopensTheSameWindow()
    {
        OnboardingWindow* first = &open();
        pressReturn();
        pressReturn();
        QCOMPARE(steps().step(), 2);
        QTest::keyClick(m_window, Qt::Key_Escape);
        QVERIFY(!m_window->isVisible());
        QVERIFY(!m_window->view().isPreviewTimerActive());
        QVERIFY(!f->settings.onboarded());

        QCOMPARE(&open(), first);
        QVERIFY(m_window->isVisible());
        QCOMPARE(steps().step(), 2);
        pressReturn();
        steps().goBack();
        QCOMPARE(steps().step(), 2);
    }

    void theLastStepRecordsOnboardingAndStartsTheToolsAtOnce()
    {
        f->coordinator.start();
        QVERIFY(f->log.isEmpty());
        open();
        pressReturn();
        pressReturn();
        QVERIFY(!f->settings.onboarded());
        pressReturn();
        QCOMPARE(steps().step(), OnboardingSteps::lastStep);
        // No events processed: the tools run because of the step itself.
        QVERIFY(f->defaults.boolValue(QStringLiteral("onboarded")));
        QCOMPARE(f->log, QStringList{QStringLiteral("focus start")});
        QVERIFY(f->coordinator.running().contains(ToolID::focus));
    }

    void doneCheersAndTheNextTourStartsOver()
    {
        open();
        goToLastStep();
        f->settings.setOnboarded(false); // "Done" records it again
        pressReturn();
        QVERIFY(m_window->isFinished() && !m_window->isVisible());
        QVERIFY(f->settings.onboarded());
        QCOMPARE(f->wisp->transientMood(), std::optional(Mood::proud));
        QCOMPARE(f->wisp->bubble(), QStringLiteral("Let's go!"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!m_window);

        f->scheduler.advance(2'900);
        QVERIFY(f->wisp->bubble());
        f->scheduler.advance(200);
        QVERIFY(!f->wisp->bubble());

        open();
        QCOMPARE(steps().step(), 0);
        QVERIFY(!childWithText<PillButton>(*m_window, QStringLiteral("Back"))->isVisibleTo(m_window));
    }

    void thePreviewCyclesUnlessMotionIsReduced_data()
    {
        QTest::addColumn<MotionRow>("row");
        const QList<Mood> cycle{Mood::surprised, Mood::proud, Mood::focused, Mood::sleepy, Mood::happy};
        const QList<Mood> still(5, Mood::happy);
        QTest::newRow("motion on") << MotionRow{false, false, cycle};
        QTest::newRow("reduced in the app") << MotionRow{true, false, still};
        QTest::newRow("reduced on the desktop") << MotionRow{false, true, still};
    }

    void thePreviewCyclesUnlessMotionIsReduced()
    {
        QFETCH(MotionRow, row);
        f->settings.setReducedMotion(row.appReduces);
        f->motion.reduce = row.desktopReduces;
        open();
        QList<Mood> seen;
        for (int i = 0; i < row.afterEachTick.size(); ++i) {
            steps().previewTick();
            seen << m_window->view().face().inputs().mood;
        }
        QCOMPARE(seen, row.afterEachTick);
        // A click on the face moves it on in every case.
        steps().cyclePreviewMood();
        QCOMPARE(m_window->view().face().inputs().mood, Mood::surprised);
    }

    void stoppingThePracticeTimerStopsOnlyItsOwnCountdown_data()
    {
        QTest::addColumn<PracticeRow>("row");
        QTest::newRow("still running") << PracticeRow{Meanwhile::nothing, FocusPhase::idle};
        QTest::newRow("ran out, then a work session") << PracticeRow{Meanwhile::ranOutThenWork, FocusPhase::work};
        QTest::newRow("replaced by the user's own countdown")
            << PracticeRow{Meanwhile::userCountdown, FocusPhase::countdown};
    }

    void stoppingThePracticeTimerStopsOnlyItsOwnCountdown()
    {
        QFETCH(PracticeRow, row);
        open();
        goToLastStep();
        f->registry->setSelected(ToolID::notes);
        childWithText<PillButton>(*m_window, QStringLiteral("Try a one-minute timer"))->click();
        QCOMPARE(f->registry->selected(), ToolID::focus);
        QCOMPARE(f->engine->phase(), FocusPhase::countdown);
        QCOMPARE(f->engine->phaseDuration(), 60.0);
        QVERIFY(steps().triedTimer());

        switch (row.meanwhile) {
        case Meanwhile::nothing:
            break;
        case Meanwhile::ranOutThenWork:
            f->pass(61);
            QCOMPARE(f->engine->phase(), FocusPhase::idle);
            f->engine->setMode(FocusMode::pomodoro);
            f->engine->start();
            break;
        case Meanwhile::userCountdown:
            f->pass(20);
            f->engine->startCustom(60);
            break;
        }
        childWithText<PillButton>(*m_window, QStringLiteral("Stop practice timer"))->click();
        QCOMPARE(f->engine->phase(), row.phaseAfterStop);
        QVERIFY(!steps().triedTimer());
        PillButton* tryAgain = childWithText<PillButton>(*m_window, QStringLiteral("Try a one-minute timer"));
        QVERIFY(tryAgain);
        QCOMPARE(tryAgain->isEnabled(), row.phaseAfterStop == FocusPhase::idle);
    }

    void aSessionAlreadyRunningIsLeftAlone()
    {
        f->engine->start();
        open();
        goToLastStep();
        PillButton* practice = childWithText<PillButton>(*m_window, QStringLiteral("Try a one-minute timer"));
        QVERIFY(!practice->isEnabled());
        steps().startPracticeTimer();
        QCOMPARE(f->engine->phase(), FocusPhase::work);
        QVERIFY(!steps().triedTimer());
    }

    void drops_data()
    {
        QTest::addColumn<DropRow>("row");
        const QUrl file = QUrl::fromLocalFile(QStringLiteral("/tmp/report.pdf"));
        const QUrl web(QStringLiteral("https://example.org/a.pdf"));
        QTest::newRow("local files among web links") << DropRow{{web, file, file}, {}, true, 2};
        QTest::newRow("a web link only") << DropRow{{web}, {}, false, 0};
        QTest::newRow("text") << DropRow{{}, QStringLiteral("/tmp/report.pdf"), false, 0};
    }

    void drops()
    {
        QFETCH(DropRow, row);
        open();
        goToLastStep();
        f->registry->setEnabled(ToolID::files, false);
        QMimeData mime;
        if (!row.urls.isEmpty())
            mime.setUrls(row.urls);
        if (!row.text.isEmpty())
            mime.setText(row.text);
        // Straight to the zone: the application delivers a drop only where the drag's entry was taken.
        QObject* zone = m_window->view().dropZone();
        const QPoint centre = m_window->view().dropZone()->rect().center();
        QDragEnterEvent enter(centre, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        zone->event(&enter);
        QCOMPARE(enter.isAccepted(), row.accepted);
        if (enter.isAccepted()) {
            QDropEvent drop(QPointF(centre), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            zone->event(&drop);
            QVERIFY(drop.isAccepted());
        }
        QCOMPARE(f->shelf.received.size(), row.shelved);
        QCOMPARE(steps().droppedFile(), row.accepted);
        QCOMPARE(f->registry->enabled().contains(ToolID::files), row.accepted);
        QCOMPARE(f->registry->selected() == ToolID::files, row.accepted);
    }

    // The look step walked with Tab: every stop shows it, and each picker stops at its chosen value.
    void theLookStepByTab()
    {
        // The step shows at once rather than fading in.
        f->settings.setReducedMotion(true);
        open();
        pressReturn();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        QStringList stops;
        QCOMPARE(FocusMarks::stopsWithoutMark(*m_window, &stops), QString());
        QVERIFY(stops.contains(QStringLiteral("QPushButton 'Medium'")));
        QVERIFY(!stops.contains(QStringLiteral("QPushButton 'Small'")));
    }

    void theLookAndToolsWriteOnlyTheUsersChoice()
    {
        f->defaults.flush();
        open();
        QVERIFY(!f->defaults.hasPendingChanges());
        pressReturn();
        // The accents' swatches, the rose one first.
        QList<QAbstractButton*> swatches;
        for (const Accent accent : allAccents) {
            const QString name = rawValue(accent);
            for (QAbstractButton* button : m_window->findChildren<QAbstractButton*>()) {
                if (button->accessibleName().compare(name, Qt::CaseInsensitive) == 0)
                    swatches.insert(accent == Accent::rose ? 0 : swatches.size(), button);
            }
        }
        QCOMPARE(swatches.size(), qsizetype(allAccents.size()));
        QCOMPARE(swatches.first()->accessibleName(), QStringLiteral("Rose"));
        swatches.first()->setFocus();
        QTest::keyClick(swatches.first(), Qt::Key_Space);
        QCOMPARE(f->settings.accent(), Accent::rose);
        for (QAbstractButton* swatch : swatches) {
            const QAccessible::State state = QAccessible::queryAccessibleInterface(swatch)->state();
            QVERIFY(state.checkable);
            QCOMPARE(bool(state.checked), swatch->accessibleName() == QStringLiteral("Rose"));
        }
        QVERIFY(swatches.first()->accessibleDescription().isEmpty());
        QCOMPARE(m_window->view().face().inputs().tint, accentColor(Accent::rose));

        // Every tool unticked, the panel still opens, on the focus tool.
        pressReturn();
        for (QCheckBox* toggle : m_window->findChildren<QCheckBox*>()) {
            if (toggle->isChecked() && toggle->text() != QStringLiteral("Launch Wisp at login"))
                toggle->click();
        }
        QVERIFY(f->registry->enabled().isEmpty());
        pressReturn();
        childWithText<PillButton>(*m_window, QStringLiteral("Open the tools panel"))->click();
        QCOMPARE(f->registry->selected(), ToolID::focus);
        QVERIFY(f->registry->enabled().contains(ToolID::focus));
        QVERIFY(childWithText<PillButton>(*m_window, QStringLiteral("Panel opened")));
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestOnboarding)
#include "tst_onboarding.moc"
