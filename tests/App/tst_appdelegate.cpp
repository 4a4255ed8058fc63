#include "Wisplet/App/AppDelegate.h"
#include "Wisplet/App/PanelControl.h"
#include "Wisplet/Platform/ScreenChanges.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestMain.h"

#include <QRegularExpression>

namespace {

class RecordingPanel final : public PanelControl
{
public:
    explicit RecordingPanel(QStringList& log)
        : m_log(log)
    { }
    void reposition() override { m_log << QStringLiteral("panel reposition"); }
    void releaseFocus() override { m_log << QStringLiteral("panel release"); }
    void orderFront() override { m_log << QStringLiteral("panel front"); }
    void orderOut() override { m_log << QStringLiteral("panel out"); }
    void openForTool() override { m_log << QStringLiteral("panel open"); }

private:
    QStringList& m_log;
};

} // namespace

class TestAppDelegate final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CompanionFixture> m_fixture;
    std::unique_ptr<RecordingPanel> m_panel;
    std::unique_ptr<ScreenChanges> m_screens;
    std::unique_ptr<AppDelegate> m_delegate;
    std::function<void(bool)> m_fullscreenChanged;
    QStringList m_log;

    WispState& wisp() { return *m_fixture->wisp; }
    AppSettings& settings() { return m_fixture->settings; }

    std::unique_ptr<AppDelegate> makeDelegate(bool installedBuild)
    {
        const auto record = [this](const char* step) { return [this, step] { m_log << step; }; };
        AppDelegate::Steps steps{
            record("idle start"),
            record("idle stop"),
            [this](std::function<void(bool)> onChange) {
                m_log << QStringLiteral("fullscreen start");
                m_fullscreenChanged = std::move(onChange);
            },
            record("fullscreen stop"),
            record("services start"),
            [this](QDeadlineTimer) { m_log << QStringLiteral("services stop all"); },
            [this](bool enabled, const QString& key) {
                m_log << QStringLiteral("hot keys %1 %2").arg(enabled ? "on" : "off", key);
            },
            record("notifications"),
            record("updater"),
            record("onboarding"),
        };
        return std::make_unique<AppDelegate>(AppDelegate::Parts{wisp(), settings(), m_fixture->events,
                                                                m_fixture->scheduler, *m_panel, *m_screens,
                                                                installedBuild},
                                             std::move(steps));
    }

private slots:
    void init()
    {
        m_log.clear();
        m_fixture = std::make_unique<CompanionFixture>();
        m_panel = std::make_unique<RecordingPanel>(m_log);
        m_screens = std::make_unique<ScreenChanges>(false);
        m_delegate = makeDelegate(true);
        connect(&wisp(), &WispState::isPinnedOpenChanged, this,
                [this](bool pinned) { m_log << QStringLiteral("pinned %1").arg(pinned); });
    }

    void launchRunsInOrder()
    {
        m_delegate->launch();
        QCOMPARE(m_log,
                 (QStringList{"panel front", "idle start", "services start", "notifications", "updater",
                              "panel release", "fullscreen start", "hot keys on M"}));
        QVERIFY(wisp().isRunning());
        m_log.clear();
        m_fixture->scheduler.advance(599);
        QVERIFY(m_log.isEmpty());
        m_fixture->scheduler.advance(1);
        QCOMPARE(m_log.filter("onboarding"), QStringList{"onboarding"});
    }

    void outsideAnInstalledBuildNoNotificationHandler()
    {
        m_delegate = makeDelegate(false);
        m_delegate->launch();
        QVERIFY(!m_log.contains(QStringLiteral("notifications")));
    }

    void screensAndOpeningTools()
    {
        m_delegate->launch();
        m_log.clear();
        emit m_screens->changed();
        settings().setDisplayMode(DisplayMode::main);
        m_fixture->events.postOpenTool();
        wisp().setHiddenForFullscreen(true);
        m_fixture->events.postOpenTool();
        m_fixture->events.postReleaseFocus();
        QCOMPARE(m_log, (QStringList{"panel reposition", "panel reposition", "panel open", "panel release"}));
    }

    void thePanelGivesBackTheFocusWhenNeitherHoveredNorPinned()
    {
        m_delegate->launch();
        m_log.clear();
        wisp().setHovering(true);
        wisp().togglePinned();
        wisp().setHovering(false);
        m_fixture->scheduler.advance(250);
        QCOMPARE(m_log.filter("panel"), QStringList());
        wisp().togglePinned();
        QCOMPARE(m_log.filter("panel"), QStringList{"panel release"});
        m_log.clear();
        wisp().collapse(); // already neither: only the release that collapsing asks for
        QCOMPARE(m_log.filter("panel"), QStringList{"panel release"});
    }

    void fullScreenAndPresentation()
    {
        m_delegate->launch();
        m_log.clear();
        m_fullscreenChanged(true);
        QVERIFY(wisp().isHiddenForFullscreen());
        settings().setPresentationMode(true);
        settings().setPresentationMode(false); // still full screen: stays hidden
        m_fullscreenChanged(false);
        QCOMPARE(m_log.filter(QRegularExpression("panel (out|front)")),
                 (QStringList{"panel out", "panel out", "panel front"}));
        QCOMPARE(m_log.filter("pinned"), (QStringList{"pinned 0", "pinned 0"})); // each change collapses
    }

    void hotKeysFollowTheirSettings()
    {
        m_delegate->launch();
        m_log.clear();
        settings().setShortcutKey(QStringLiteral("M"));
        settings().setHotkeyEnabled(false);
        QCOMPARE(m_log, (QStringList{"hot keys on M", "hot keys off M"}));
    }

    void quittingAsksOnlyWhenASaveFails_data()
    {
        QTest::addColumn<QList<bool>>("saved");
        QTest::addColumn<QStringList>("asked");
        QTest::newRow("all saved: no question") << QList<bool>{true, true, true} << QStringList();
        QTest::newRow("two fail, the first one: one question naming both")
            << QList<bool>{false, true, false} << QStringList{"store 0", "store 2"};
    }

    void quittingAsksOnlyWhenASaveFails()
    {
        QFETCH(QList<bool>, saved);
        QFETCH(QStringList, asked);
        QStringList tried;
        for (int i = 0; i < saved.size(); ++i) {
            const QString name = QStringLiteral("store %1").arg(i);
            m_delegate->addSaveBeforeQuit(name, [&tried, name, ok = saved[i]] {
                tried << name;
                return ok;
            });
        }
        // Work under way gets its moment first: a write about to land is not asked about.
        m_delegate->addWaitAtQuit([&tried](QDeadlineTimer) { tried << QStringLiteral("wait"); });
        std::optional<QStringList> question;
        const auto keepOpen = [&question](const QStringList& unsaved) {
            question = unsaved;
            return false;
        };
        QCOMPARE(m_delegate->shouldQuit(keepOpen), asked.isEmpty());
        // Every store is saved, whatever an earlier one did.
        QCOMPARE(tried.size(), saved.size() + 1);
        QCOMPARE(tried.first(), QStringLiteral("wait"));
        QCOMPARE(question.value_or(QStringList()), asked);
        QCOMPARE(question.has_value(), !asked.isEmpty());
        QVERIFY(m_delegate->shouldQuit([](const QStringList&) { return true; })); // "Quit Without Saving"
    }

    void theQuestionNamesWhatCouldNotBeSaved_data()
    {
        QTest::addColumn<QStringList>("unsaved");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("the note alone, in its own words")
            << QStringList{AppDelegate::notesName()} << "Your note could not be saved"
            << "Keep Wisplet open to copy your text or retry saving.";
        QTest::newRow("the note and more")
            << QStringList{AppDelegate::notesName(), "your links"} << "Your changes could not be saved"
            << "Wisplet could not save your note and your links. Keep Wisplet open "
               "to retry saving.";
        QTest::newRow("three, in order") << QStringList{"the shelf", "the clipboard history", "your settings"}
                                         << "Your changes could not be saved"
                                         << "Wisplet could not save the shelf, the clipboard history and your "
                                            "settings. Keep Wisplet open to retry saving.";
    }

    void theQuestionNamesWhatCouldNotBeSaved()
    {
        QFETCH(QStringList, unsaved);
        QFETCH(QString, title);
        QFETCH(QString, text);
        const AppDelegate::UnsavedQuestion question = AppDelegate::unsavedQuestion(unsaved);
        QCOMPARE(question.title, title);
        QCOMPARE(question.text, text);
    }

    // Everything is saved before anything is waited for, and saved again after the waits.
    void shutdownRunsInOrderOnce()
    {
        m_delegate->addShutdownStep([this] { m_log << QStringLiteral("notes flush"); });
        m_delegate->addShutdownStep([this] { m_log << QStringLiteral("focus save"); });
        m_delegate->addSaveBeforeQuit(QStringLiteral("your links"), [this] {
            m_log << QStringLiteral("links save");
            return false;
        });
        m_delegate->addWaitAtQuit([this](QDeadlineTimer) { m_log << QStringLiteral("reminders wait"); });
        m_delegate->launch();
        m_log.clear();
        m_delegate->shutDown(QDeadlineTimer(1'500));
        m_delegate->shutDown(QDeadlineTimer(1'500));
        QCOMPARE(m_log,
                 (QStringList{"idle stop", "fullscreen stop", "notes flush", "focus save", "links save",
                              "services stop all", "reminders wait", "links save"}));
        QVERIFY(!wisp().isRunning());
        m_fixture->scheduler.advance(1'000);
        QVERIFY(!m_log.contains(QStringLiteral("onboarding")));
    }
};

WISPLET_TEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
