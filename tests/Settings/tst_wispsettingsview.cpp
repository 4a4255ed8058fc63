#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Base/Stepper.h"
#include "Wisplet/Companion/CompanionSpriteView.h"
#include "Wisplet/Companion/CompanionSprites.h"
#include "Wisplet/Settings/WispSettingsView.h"
#include "tests/support/Files.h"
#include "tests/support/Fixtures.h"
#include "tests/support/WidgetQuery.h"
#include "tests/support/WidgetsTestMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QToolButton>

struct StepRow
{
    int stepper; // 0 yawn, 1 sleep
    double stored;
    const char* button;
    double expected;
};
Q_DECLARE_METATYPE(StepRow)

class TestWispSettingsView final : public QObject
{
    Q_OBJECT

private:
    static constexpr std::array stepperKeys{"yawnAfterMinutes", "sleepAfterMinutes"};
    QTemporaryDir m_folder;
    CompanionSprites m_sprites{{qEnvironmentVariable("WISPLET_SOURCE_DIR") + "/Resources/companion-atlas.png"}};
    std::unique_ptr<CompanionFixture> m_fixture;
    std::unique_ptr<AnimationClock> m_animation;
    std::unique_ptr<WispSettingsView> m_view;
    int m_studioOpened = 0;
    WispFaceView::SpriteFaceMaker m_sprite = [this](QWidget* face) {
        return new CompanionSpriteView(m_sprites, m_fixture->scheduler, *m_animation, face);
    };

    QString path() const { return m_folder.filePath(QStringLiteral("defaults.json")); }
    Defaults& defaults() { return m_fixture->defaults; }
    AppSettings& settings() { return m_fixture->settings; }
    Stepper* stepper(int index) { return m_view->findChildren<Stepper*>().value(index); }

    // Opens the page over values an earlier run saved.
    void open(const QVariantMap& stored = {})
    {
        cleanup();
        QFile::remove(path());
        seedDefaults(path(), stored);
        m_fixture = std::make_unique<CompanionFixture>(path());
        m_animation = std::make_unique<AnimationClock>(m_fixture->clock);
        m_studioOpened = 0;
        m_view = std::make_unique<WispSettingsView>(
            settings(), *m_fixture->wisp, [this] { ++m_studioOpened; },
            WispSettingsView::Services{m_fixture->motion, *m_animation, m_sprite});
        m_view->show();
    }

    QCheckBox* box(const QString& text) { return childWithText<QCheckBox>(*m_view, text); }
    QComboBox* picker(const QString& label)
    {
        return qobject_cast<QComboBox*>(childWithText<QLabel>(*m_view, label)->buddy());
    }

private slots:
    void init() { open(); }

    void cleanup()
    {
        m_view.reset();
        m_animation.reset();
        m_fixture.reset();
    }

    void openingOverStoredValuesWritesNothing()
    {
        open({{QStringLiteral("yawnAfterMinutes"), 7.5},
              {QStringLiteral("sleepAfterMinutes"), 200.0},
              {QStringLiteral("skin"), QStringLiteral("cat")},
              {QStringLiteral("reactionGroups"), QVariantMap{{QStringLiteral("media"), false}}}});
        const QByteArray before = TestFiles::read(path());
        QCOMPARE(stepper(0)->labelText(), QStringLiteral("Yawn after 7 min"));
        QVERIFY(!box(QStringLiteral("Media"))->isChecked());
        m_view.reset();
        QVERIFY(!defaults().hasPendingChanges());
        QVERIFY(defaults().flush());
        QCOMPARE(TestFiles::read(path()), before);
    }

    void steppersKeepToTheirRange_data()
    {
        QTest::addColumn<StepRow>("row");
        QTest::newRow("yawn at its floor") << StepRow{0, 1, "decrement", 1};
        QTest::newRow("yawn at its ceiling") << StepRow{0, 60, "increment", 60};
        QTest::newRow("sleep at its floor") << StepRow{1, 2, "decrement", 2};
        QTest::newRow("sleep at its ceiling") << StepRow{1, 180, "increment", 180};
    }

    void steppersKeepToTheirRange()
    {
        QFETCH(StepRow, row);
        const QString key = QString::fromLatin1(stepperKeys.at(std::size_t(row.stepper)));
        open({{key, row.stored}});
        stepper(row.stepper)->findChild<QToolButton*>(QString::fromLatin1(row.button))->click();
        QCOMPARE(defaults().doubleValue(key), row.expected);
        QCOMPARE(defaults().hasPendingChanges(), row.expected != row.stored);
    }

    void reactionGroupsAreStoredOnlyWhenSwitched()
    {
        box(QStringLiteral("Clipboard"))->click();
        const QVariantMap stored{{QStringLiteral("clipboard"), true}};
        QCOMPARE(defaults().dictionary(QStringLiteral("reactionGroups")), stored);
    }

    void sleepStepperFollowsTheIdleSwitch()
    {
        open({{QStringLiteral("idleBehaviours"), false}});
        QVERIFY(!stepper(1)->isEnabled());
        QVERIFY(stepper(0)->isEnabled());
        box(QStringLiteral("Glance around, yawn and fall asleep"))->click();
        QVERIFY(stepper(1)->isEnabled());
        settings().setIdleBehaviours(false); // elsewhere
        QVERIFY(!stepper(1)->isEnabled());
    }

    void defaultMoodIsNeverAsleepAndNotStored()
    {
        auto* moods = picker(QStringLiteral("Default mood"));
        QCOMPARE(moods->findData(int(Mood::asleep)), -1);
        emit moods->activated(moods->findData(int(Mood::sad)));
        QCOMPARE(m_fixture->wisp->baseMood(), Mood::sad);
        QVERIFY(!defaults().hasPendingChanges());
    }

    void theStudioButtonCallsItsHook()
    {
        m_view->findChild<PillButton*>()->click();
        QCOMPARE(m_studioOpened, 1);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestWispSettingsView)
#include "tst_wispsettingsview.moc"
