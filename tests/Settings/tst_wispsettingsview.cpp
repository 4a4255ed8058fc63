#include "Wisplet/Base/Animation.h"
#include "Wisplet/Base/Stepper.h"
#include "Wisplet/Companion/CompanionSpriteView.h"
#include "Wisplet/Companion/CompanionSprites.h"
#include "Wisplet/Settings/WispSettingsView.h"
#include "tests/support/Files.h"
#include "tests/support/Fixtures.h"
#include "tests/support/WidgetsTestMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QToolButton>

namespace {

struct StepRow
{
    const char* key;
    double stored;
    const char* button;
    double expected;
};

} // namespace

Q_DECLARE_METATYPE(StepRow)

class TestWispSettingsView final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<CompanionFixture> m_fixture;
    std::unique_ptr<AnimationClock> m_animation;
    std::unique_ptr<WispSettingsView> m_view;
    CompanionSprites m_sprites{{qEnvironmentVariable("WISPLET_SOURCE_DIR") + "/Resources/companion-atlas.png"}};
    int m_studioOpened = 0;

    QString defaultsPath() const { return m_folder.filePath(QStringLiteral("defaults.json")); }
    Defaults& defaults() { return m_fixture->defaults; }
    AppSettings& settings() { return m_fixture->settings; }

    // Stores the values, as if an earlier run had saved them, and starts afresh over them.
    void relaunch(const QVariantMap& stored)
    {
        m_view.reset();
        m_animation.reset();
        m_fixture.reset();
        {
            Defaults earlier(defaultsPath());
            for (auto it = stored.cbegin(); it != stored.cend(); ++it)
                earlier.set(it.key(), it.value());
            QVERIFY(earlier.flush());
        }
        m_fixture = std::make_unique<CompanionFixture>(defaultsPath());
        m_animation = std::make_unique<AnimationClock>(m_fixture->clock);
        const WispSettingsView::Services services{m_fixture->motion, *m_animation, [this](QWidget* face) {
                                                      return new CompanionSpriteView(m_sprites, m_fixture->scheduler,
                                                                                     *m_animation, face);
                                                  }};
        m_view = std::make_unique<WispSettingsView>(
            settings(), *m_fixture->wisp, [this] { ++m_studioOpened; }, services);
        m_view->show();
    }

    Stepper* stepper(const QString& key)
    {
        const QList<Stepper*> steppers = m_view->findChildren<Stepper*>();
        return key == QLatin1String("yawnAfterMinutes") ? steppers.value(0) : steppers.value(1);
    }

    QCheckBox* checkBox(const QString& text)
    {
        for (QCheckBox* box : m_view->findChildren<QCheckBox*>()) {
            if (box->text() == text)
                return box;
        }
        return nullptr;
    }

    QComboBox* picker(const QString& title)
    {
        for (QLabel* label : m_view->findChildren<QLabel*>()) {
            if (label->text() == title)
                return qobject_cast<QComboBox*>(label->buddy());
        }
        return nullptr;
    }

    void pick(QComboBox* box, const QVariant& value)
    {
        const int index = box->findData(value);
        QVERIFY(index >= 0);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

private slots:
    void init()
    {
        QVERIFY(m_folder.isValid());
        QFile::remove(defaultsPath());
        m_studioOpened = 0;
        relaunch({});
    }

    void cleanup()
    {
        m_view.reset();
        m_animation.reset();
        m_fixture.reset();
    }

    void openingOverStoredValuesWritesNothing()
    {
        relaunch({{QStringLiteral("yawnAfterMinutes"), 7.5},
                  {QStringLiteral("sleepAfterMinutes"), 200.0},
                  {QStringLiteral("skin"), QStringLiteral("cat")},
                  {QStringLiteral("idleBehaviours"), false},
                  {QStringLiteral("reactionGroups"), QVariantMap{{QStringLiteral("media"), false}}}});
        const QByteArray before = TestFiles::read(defaultsPath());
        QCoreApplication::processEvents();
        m_view.reset();
        QVERIFY(!defaults().hasPendingChanges());
        QVERIFY(defaults().flush());
        QCOMPARE(TestFiles::read(defaultsPath()), before);
    }

    void labelsDropTheFraction()
    {
        relaunch({{QStringLiteral("yawnAfterMinutes"), 7.5}});
        QCOMPARE(stepper("yawnAfterMinutes")->labelText(), QStringLiteral("Yawn after 7 min"));
        QCOMPARE(settings().yawnAfterMinutes(), 7.5);
    }

    void steppersKeepToTheirRange_data()
    {
        QTest::addColumn<StepRow>("row");
        QTest::newRow("yawn at its floor") << StepRow{"yawnAfterMinutes", 1, "decrement", 1};
        QTest::newRow("yawn at its ceiling") << StepRow{"yawnAfterMinutes", 60, "increment", 60};
        QTest::newRow("sleep at its floor") << StepRow{"sleepAfterMinutes", 2, "decrement", 2};
        QTest::newRow("sleep at its ceiling") << StepRow{"sleepAfterMinutes", 180, "increment", 180};
        QTest::newRow("sleep stored beyond its ceiling") << StepRow{"sleepAfterMinutes", 200, "increment", 200};
        QTest::newRow("a fraction moves by whole steps") << StepRow{"yawnAfterMinutes", 7.5, "increment", 8.5};
    }

    void steppersKeepToTheirRange()
    {
        QFETCH(StepRow, row);
        relaunch({{QString::fromLatin1(row.key), row.stored}});
        stepper(QString::fromLatin1(row.key))->findChild<QToolButton*>(QString::fromLatin1(row.button))->click();
        QCOMPARE(defaults().doubleValue(QString::fromLatin1(row.key)), row.expected);
        QCOMPARE(defaults().hasPendingChanges(), row.expected != row.stored);
    }

    void reactionGroupsAreStoredOnlyWhenSwitched()
    {
        QVERIFY(!defaults().contains(QStringLiteral("reactionGroups")));
        checkBox(QStringLiteral("Clipboard"))->click();
        checkBox(QStringLiteral("Media"))->click();
        const QVariantMap expected{{QStringLiteral("clipboard"), true}, {QStringLiteral("media"), false}};
        QCOMPARE(defaults().dictionary(QStringLiteral("reactionGroups")), expected);
        QVERIFY(settings().isReactionGroupEnabled(QStringLiteral("clipboard")));
    }

    void sleepStepperFollowsTheIdleSwitch()
    {
        relaunch({{QStringLiteral("idleBehaviours"), false}});
        QVERIFY(!stepper("sleepAfterMinutes")->isEnabled());
        QVERIFY(stepper("yawnAfterMinutes")->isEnabled());
        checkBox(QStringLiteral("Glance around, yawn and fall asleep"))->click();
        QVERIFY(settings().idleBehaviours());
        QVERIFY(stepper("sleepAfterMinutes")->isEnabled());
        settings().setIdleBehaviours(false); // elsewhere
        QVERIFY(!stepper("sleepAfterMinutes")->isEnabled());
    }

    void defaultMoodIsNeverAsleepAndNotStored()
    {
        QComboBox* moods = picker(QStringLiteral("Default mood"));
        QCOMPARE(moods->findData(int(Mood::asleep)), -1);
        pick(moods, int(Mood::sad));
        QCOMPARE(m_fixture->wisp->baseMood(), Mood::sad);
        QVERIFY(!defaults().hasPendingChanges());
        m_fixture->wisp->setBaseMood(Mood::wink); // elsewhere
        QCOMPARE(moods->currentData().toInt(), int(Mood::wink));
    }

    void changesElsewhereShowAtOnce()
    {
        settings().setSkin(Skin::cat);
        settings().setAccent(Accent::rose);
        settings().setReactionGroupEnabled(QStringLiteral("focus"), false);
        settings().setYawnAfterMinutes(12);
        QCOMPARE(picker(QStringLiteral("Skin"))->currentData().toInt(), int(Skin::cat));
        QVERIFY(!checkBox(QStringLiteral("Focus"))->isChecked());
        QVERIFY(stepper("yawnAfterMinutes")->labelText().contains(QStringLiteral("12")));
        for (const WispFaceView* face : m_view->previewFaces()) {
            QCOMPARE(face->inputs().skin, Skin::cat);
            QCOMPARE(face->inputs().tint, accentColor(Accent::rose));
        }
    }

    void pickingASkinRedrawsThePreview()
    {
        pick(picker(QStringLiteral("Skin")), int(Skin::round));
        QCOMPARE(settings().skin(), Skin::round);
        for (const WispFaceView* face : m_view->previewFaces())
            QCOMPARE(face->inputs().skin, Skin::round);
    }

    void studioButtonCallsTheHookOncePerPress()
    {
        for (QAbstractButton* candidate : m_view->findChildren<QAbstractButton*>()) {
            if (candidate->text() == QLatin1String("Open expression studio")) {
                candidate->click();
                candidate->click();
            }
        }
        QCOMPARE(m_studioOpened, 2);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestWispSettingsView)
#include "tst_wispsettingsview.moc"
