#include "Wisplet/Base/Animation.h"
#include "Wisplet/Base/QuietControlsButton.h"
#include "Wisplet/Companion/CompanionSpriteView.h"
#include "Wisplet/Companion/CompanionSprites.h"
#include "Wisplet/Notch/FileDropTarget.h"
#include "Wisplet/Notch/HeaderButton.h"
#include "Wisplet/Notch/NotchLayout.h"
#include "Wisplet/Notch/NotchRootView.h"
#include "Wisplet/Notch/PeekLabel.h"
#include "Wisplet/Notch/PeekStatus.h"
#include "Wisplet/Notch/SpeechBubble.h"
#include "Wisplet/Notch/ToolPanelView.h"
#include "Wisplet/Notch/ToolTab.h"
#include "tests/support/FakePeekSources.h"
#include "tests/support/PaintRecorder.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/VisualOrder.h"
#include "tests/support/WidgetsTestMain.h"

#include <QAccessible>
#include <QGraphicsEffect>
#include <QLabel>
#include <QMenu>
#include <QMimeData>

namespace {

enum class DropDown { quiet, overflow, shell };

// Which drop-down opens over the hovered island, and whether the pointer is still on the island when
// it closes.
struct PopupRow
{
    DropDown dropDown;
    bool pointerInside;
};

// A face size and a bubble or, with none, a peek text that asks for more room than the island has.
struct LongTextRow
{
    FaceSize size;
    std::optional<QString> bubble;
    QString peek;
};

// On X the pointer grabbed by a drop-down never crosses the island's edge: no leave reaches it.
class LeaveSwallower final : public QObject
{
protected:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::Leave; }
};

class RecordingDropTarget final : public FileDropTarget
{
public:
    bool handleDrop(const QList<QUrl>& files) override
    {
        received.append(files);
        return true;
    }
    QList<QList<QUrl>> received;
};

const QSizeF notch = NotchGeometry::fallbackNotchSize;

// What a minute at rest cost: the animation clock's ticks, those that left the face as it was, and the
// panel's repaints.
struct IdleMinute
{
    int frames = 0;
    int unchanged = 0;
    QList<QRect> paints;
};

} // namespace

Q_DECLARE_METATYPE(PopupRow)
Q_DECLARE_METATYPE(LongTextRow)

class TestNotchRootView final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<RegistryFixture> m_fixture;
    std::unique_ptr<AnimationClock> m_animation;
    std::unique_ptr<CompanionSprites> m_sprites;
    FakeFocusPeek m_focus;
    FakeCalendarPeek m_calendar;
    FakeMediaPeek m_media;
    RecordingDropTarget m_shelf;
    int m_settingsOpened = 0;
    // Tool pages and cards made so far.
    int m_made = 0;
    std::unique_ptr<NotchRootView> m_view;

    WispState& wisp() { return *m_fixture->wisp; }
    ToolRegistry& registry() { return *m_fixture->registry; }

    // Runs every animation to its end, a frame at a time.
    void settle()
    {
        for (int frame = 0; frame < 600 && m_view->isAnimating(); ++frame) {
            m_fixture->scheduler.advance(AnimationClock::frameMs);
            m_animation->tick();
        }
        QVERIFY(!m_view->isAnimating());
    }

    // A minute with the pointer resting: the look timer, the blinks and the animation clock each run when
    // they are due, and every tick of the clock is checked against the face's picture.
    IdleMinute restForAMinute()
    {
        IdleMinute minute;
        PaintRecorder paints(*m_view);
        WispFaceView* face = m_view->collapsedFace();
        QImage shown = face->grab().toImage();
        FakeClock& clock = m_fixture->clock;
        const qint64 end = clock.monotonicMs() + 60'000;
        qint64 nextLook = clock.monotonicMs();
        while (clock.monotonicMs() < end) {
            if (clock.monotonicMs() >= nextLook) {
                wisp().lookTick();
                nextLook = clock.monotonicMs() + wisp().lookWaitMs();
            }
            if (const std::optional<qint64> due = m_animation->dueMs(); due && *due <= clock.monotonicMs()) {
                m_animation->tick();
                const QImage image = face->grab().toImage();
                ++minute.frames;
                minute.unchanged += image == shown;
                shown = image;
            }
            QCoreApplication::processEvents();
            m_fixture->scheduler.advance(1);
        }
        minute.paints = paints.rects;
        return minute;
    }

    QPointF islandPoint(double dx, double dy) const
    {
        return m_view->islandOutline().boundingRect().topLeft() + QPointF(dx, dy);
    }

    // A drag of files (and a web address, which the shelf never sees) at a point of the panel.
    static std::unique_ptr<QMimeData> filesMime()
    {
        auto mime = std::make_unique<QMimeData>();
        mime->setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/report.pdf")), QUrl(QStringLiteral("https://x.org"))});
        return mime;
    }

    bool dragFilesTo(const QPointF& point, const QMimeData& mime)
    {
        QDragEnterEvent enter(point.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_view.get(), &enter);
        return enter.isAccepted();
    }

    bool dropFilesAt(const QPointF& point, const QMimeData& mime)
    {
        QDropEvent drop(point, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_view.get(), &drop);
        return drop.isAccepted();
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        m_sprites = std::make_unique<CompanionSprites>(
            QStringList{qEnvironmentVariable("WISPLET_SOURCE_DIR") + "/Resources/companion-atlas.png"});
    }

    void init()
    {
        m_fixture = std::make_unique<RegistryFixture>();
        m_fixture->load();
        registry().setEnabled({ToolID::focus, ToolID::notes, ToolID::files});
        registry().setSelected(ToolID::focus);
        m_animation = std::make_unique<AnimationClock>(m_fixture->clock);
        m_focus.time.reset();
        m_focus.running = false;
        m_focus.prompt = false;
        m_shelf.received.clear();
        m_settingsOpened = 0;
        m_made = 0;
        auto makeSprite = [this](QWidget* face) {
            return new CompanionSpriteView(*m_sprites, m_fixture->scheduler, *m_animation, face);
        };
        connect(&m_fixture->events, &AppEvents::openSettings, this, [this] { ++m_settingsOpened; });
        NotchRootView::Services services{m_fixture->settings,
                                         m_fixture->events,
                                         wisp(),
                                         registry(),
                                         m_focus,
                                         m_calendar,
                                         m_media,
                                         m_shelf,
                                         m_fixture->clock,
                                         m_fixture->scheduler,
                                         m_fixture->motion,
                                         *m_animation,
                                         makeSprite,
                                         [this](ToolID tool, QWidget* parent) {
                                             ++m_made;
                                             return toolTitlePage(tool, parent);
                                         },
                                         [this](QWidget* parent) {
                                             ++m_made;
                                             return new QLabel(QStringLiteral("card"), parent);
                                         }};
        ScreenInfo screen;
        screen.frame = QRectF(0, 0, 1920, 1080);
        const NotchGeometry geometry = NotchGeometry::of(screen);
        m_view = std::make_unique<NotchRootView>(geometry, services);
        m_view->setAttribute(Qt::WA_TranslucentBackground);
        m_view->resize(760, 560);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void cleanup()
    {
        m_view.reset();
        m_animation.reset();
        m_fixture.reset();
    }

    void hoverOrPinOpensTheIsland_data()
    {
        QTest::addColumn<bool>("hovering");
        QTest::addColumn<bool>("pinned");
        QTest::addColumn<QSizeF>("size");
        QTest::newRow("neither") << false << false << QSizeF(224, 90);
        QTest::newRow("hovered") << true << false << QSizeF(720, 362);
        QTest::newRow("pinned") << false << true << QSizeF(720, 362);
    }

    void hoverOrPinOpensTheIsland()
    {
        QFETCH(bool, hovering);
        QFETCH(bool, pinned);
        QFETCH(QSizeF, size);
        wisp().setHovering(hovering);
        wisp().setPinnedOpen(pinned);
        settle();
        const bool expanded = hovering || pinned;
        QCOMPARE(m_view->expandedContent()->isVisible(), expanded);
        QCOMPARE(m_view->collapsedContent()->isVisible(), !expanded);
        QCOMPARE(m_view->islandOutline().boundingRect(), QRectF(QPointF(380 - size.width() / 2, 0), size));
    }

    // Nothing of the open island exists before it first opens; built then, it shows the stores as they are
    // and still opens with its spring.
    void theOpenIslandIsBuiltWhenItFirstOpens()
    {
        wisp().setBaseMood(Mood::thinking);
        wisp().say(QStringLiteral("Saved"), 3);
        QVERIFY(!m_view->hasExpandedContent());
        QCOMPARE(m_made, 0);

        wisp().setHovering(true);
        QCOMPARE(m_made, 2);
        QVERIFY(m_view->isAnimating());
        settle();
        QVERIFY(m_view->expandedContent()->isVisible());
        QCOMPARE(m_view->headerFace()->inputs().mood, Mood::thinking);
        QCOMPARE(m_view->headerTitleText(), QStringLiteral("Saved"));

        wisp().collapse();
        settle();
        wisp().setPinnedOpen(true);
        settle();
        QCOMPARE(m_made, 2);
    }

    void theOutlineFollowsTheSpring()
    {
        QSignalSpy changes(m_view.get(), &IslandSurface::islandOutlineChanged);
        QCOMPARE(m_view->islandOutline().boundingRect().width(), 224.0);
        wisp().setPinnedOpen(true);
        QCOMPARE(m_view->targetIslandRect().size(), QSizeF(720, 362));
        m_fixture->scheduler.advance(100);
        m_animation->tick();
        const double midway = m_view->islandOutline().boundingRect().width();
        QVERIFY2(midway > 224 && midway < 720, qPrintable(QString::number(midway)));
        QVERIFY(m_view->islandArea()->mask().boundingRect().width() > 224);
        settle();
        QCOMPARE(m_view->islandOutline().boundingRect().width(), 720.0);
        QVERIFY(changes.count() > 2);
        // At rest nothing ticks.
        QVERIFY(!m_animation->isTicking());
    }

    void reducedMotionOpensAtOnce()
    {
        m_fixture->motion.reduce = true;
        wisp().setPinnedOpen(true);
        QVERIFY(!m_view->isAnimating());
        QCOMPARE(m_view->islandOutline().boundingRect().size(), QSizeF(720, 362));
    }

    void headerButtons()
    {
        wisp().setPinnedOpen(true);
        m_view->pinButton()->click();
        QVERIFY(!wisp().isPinnedOpen());
        m_view->settingsButton()->click();
        QCOMPARE(m_settingsOpened, 1);
    }

    void theBubbleTakesThePeeksPlace()
    {
        m_focus.set(QStringLiteral("24:59"), true);
        settle();
        PeekLabel* peek = m_view->peekLabel();
        QVERIFY(peek->isVisible());
        QCOMPARE(peek->text(), QStringLiteral("24:59"));
        QVERIFY(!m_view->speechBubble()->isVisible());
        const CharWidths widths = drawnCharWidths();
        QCOMPARE(m_view->targetIslandRect().width(), 224 + 5 * widths.peek + 30);
        const QString runningSymbol = peek->shownSymbol();

        m_focus.set(QStringLiteral("24:59"), false);
        QVERIFY(peek->shownSymbol() != runningSymbol);
        QCOMPARE(peek->textOpacityNow(), PeekLabel::pausedTextOpacity);

        // Ten characters, growing evenly about the panel's centre.
        wisp().say(QStringLiteral("Good job!!"), 3);
        settle();
        QVERIFY(m_view->speechBubble()->isVisible());
        QCOMPARE(m_view->speechBubble()->shownText(), QStringLiteral("Good job!!"));
        QVERIFY(!peek->isVisible());
        const double width = 224 + 10 * widths.bubble + 36;
        QCOMPARE(m_view->targetIslandRect(), QRectF(380 - width / 2, 0, width, 90));
        // The bubble sits right of the face, inside the island.
        const QRect bubble = m_view->speechBubble()->geometry();
        QVERIFY(bubble.left() > m_view->collapsedFace()->geometry().center().x());
        QVERIFY(m_view->islandOutline().boundingRect().contains(bubble));
    }

    void clickingThePeekOpensItsTool()
    {
        registry().setSelected(ToolID::notes);
        m_focus.set(QStringLiteral("12:00"), true);
        settle();
        QTest::mouseClick(m_view->peekLabel(), Qt::LeftButton);
        QCOMPARE(registry().selected(), ToolID::focus);
        QVERIFY(wisp().isPinnedOpen());
    }

    void dropsGoToTheShelfOnlyWithTheFilesTool_data()
    {
        QTest::addColumn<bool>("filesEnabled");
        QTest::newRow("files enabled") << true;
        QTest::newRow("files disabled") << false;
    }

    void dropsGoToTheShelfOnlyWithTheFilesTool()
    {
        QFETCH(bool, filesEnabled);
        registry().setEnabled(ToolID::files, filesEnabled);
        const auto mime = filesMime();
        const QPointF inside = islandPoint(100, 60);

        QVERIFY(dragFilesTo(inside, *mime));
        QVERIFY(m_view->isDropTargeted());
        QCOMPARE(wisp().isPinnedOpen(), filesEnabled);
        QCOMPARE(registry().selected(), filesEnabled ? ToolID::files : ToolID::focus);
        QCOMPARE(wisp().activePriority() >= 0, filesEnabled); // the companion reacts to the drag

        QCOMPARE(dropFilesAt(inside, *mime), filesEnabled);
        QVERIFY(!m_view->isDropTargeted());
        const QList<QList<QUrl>> expected{{QUrl::fromLocalFile(QStringLiteral("/tmp/report.pdf"))}};
        QCOMPARE(m_shelf.received, filesEnabled ? expected : QList<QList<QUrl>>());
    }

    void dragsOutsideTheIslandOrWithoutFilesAreNotTargeted()
    {
        const auto mime = filesMime();
        dragFilesTo(QPointF(5, 500), *mime);
        QVERIFY(!m_view->isDropTargeted());
        QVERIFY(!dropFilesAt(QPointF(5, 500), *mime));

        QMimeData text;
        text.setText(QStringLiteral("hello"));
        QVERIFY(!dragFilesTo(islandPoint(100, 60), text));
        QVERIFY(!m_view->isDropTargeted());
        QVERIFY(m_shelf.received.isEmpty());
        QVERIFY(!wisp().isPinnedOpen());
    }

    void clickingTheFacesFramePokes()
    {
        WispFaceView* face = m_view->collapsedFace();
        const QRectF frame(face->layoutOffset(), face->layoutSize());
        // The room around the frame takes no click.
        QTest::mouseClick(face, Qt::LeftButton, {}, QPoint(1, 1));
        QVERIFY(!wisp().bubble());
        QTest::mouseClick(face, Qt::LeftButton, {}, frame.center().toPoint());
        QVERIFY(wisp().bubble());
        QVERIFY(!wisp().isPinnedOpen());
        QVERIFY(!wisp().isHovering());
    }

    void hoverCountsOnlyInsideTheOutline()
    {
        QTest::mouseMove(m_view.get(), QPoint(20, 500));
        QVERIFY(!wisp().isHovering());
        QTest::mouseMove(m_view.get(), islandPoint(60, 60).toPoint());
        QVERIFY(wisp().isHovering());
        settle();
        QTest::mouseMove(m_view.get(), QPoint(20, 500));
        QCoreApplication::processEvents(); // the leave is weighed on a later pass
        m_fixture->scheduler.advance(WispState::hoverLeaveDelayMs);
        QVERIFY(!wisp().isHovering());
    }

    void aDropDownFromTheIslandKeepsItOpen()
    {
        QTest::mouseMove(m_view.get(), islandPoint(60, 60).toPoint());
        QMenu menu;
        menu.addAction(QStringLiteral("Quiet"));
        menu.popup(m_view->mapToGlobal(QPoint(300, 300)));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(m_view->islandArea(), &leave);
        QCoreApplication::processEvents();
        m_fixture->scheduler.advance(WispState::hoverLeaveDelayMs);
        QVERIFY(wisp().isHovering());

        QCursor::setPos(m_view->mapToGlobal(QPoint(20, 500)));
        menu.hide();
        m_fixture->scheduler.advance(WispState::hoverLeaveDelayMs);
        QVERIFY(!wisp().isHovering());
    }

    void quietModeStillsTheStretchButNotTheBounce()
    {
        m_fixture->settings.setQuietMode(true);
        QGraphicsEffect* motion = m_view->headerFace()->graphicsEffect();
        wisp().promptStretch();
        m_fixture->scheduler.advance(100);
        m_animation->tick();
        QVERIFY(!motion->isEnabled());
        settle();

        wisp().togglePinned(); // bounces even in quiet mode
        m_fixture->scheduler.advance(50);
        m_animation->tick();
        QVERIFY(motion->isEnabled());
        settle();
        QVERIFY(!motion->isEnabled());
    }

    // At rest the face blinks, glances and follows the pointer; every frame of the animation clock shows
    // something new, and only the face's rectangle is drawn again.
    void aRestingFaceDrawsOnlyItsChanges_data()
    {
        QTest::addColumn<Skin>("skin");
        QTest::addColumn<bool>("reduced");
        QTest::newRow("sprite face") << Skin::companion << false;
        QTest::newRow("vector face") << Skin::classic << false;
        QTest::newRow("reduced motion: nothing at all") << Skin::companion << true;
    }

    void aRestingFaceDrawsOnlyItsChanges()
    {
        QFETCH(Skin, skin);
        QFETCH(bool, reduced);
        m_fixture->settings.setSkin(skin);
        m_fixture->settings.setReducedMotion(reduced);
        m_fixture->screens.reportsMotion = true;
        m_fixture->screens.setPointer(QPointF(1700, 800)); // moved since the start: the eyes follow, then rest
        wisp().start();
        QCoreApplication::processEvents();

        const IdleMinute minute = restForAMinute();
        wisp().stop();
        QCOMPARE(minute.unchanged, 0);
        WispFaceView* face = m_view->collapsedFace();
        const QRect faceRect(face->mapTo(m_view.get(), QPoint()), face->size());
        for (const QRect& paint : minute.paints)
            QVERIFY(faceRect.contains(paint));
        QCOMPARE(minute.paints.isEmpty(), reduced);
        // Sprite frames come through the scheduler and its look moves whole pixels; the vector face's blinks
        // and glances take some 580 frames, none for a step under a sixteenth of a pixel.
        QVERIFY2(minute.frames < (skin == Skin::companion ? 150 : 650), qPrintable(QString::number(minute.frames)));
    }

    void aClosingDropDownMeasuresTheHoverAgain_data()
    {
        QTest::addColumn<PopupRow>("row");
        QTest::newRow("quiet, left the island") << PopupRow{DropDown::quiet, false};
        QTest::newRow("quiet, still on the island") << PopupRow{DropDown::quiet, true};
        QTest::newRow("more, left the island") << PopupRow{DropDown::overflow, false};
        QTest::newRow("the shell's menu, left the island") << PopupRow{DropDown::shell, false};
    }

    void aClosingDropDownMeasuresTheHoverAgain()
    {
        QFETCH(PopupRow, row);
        QTest::mouseMove(m_view.get(), islandPoint(60, 60).toPoint());
        QVERIFY(wisp().isHovering());
        settle();
        QMenu shell;
        shell.addAction(QStringLiteral("Pin panel open"));
        connect(&shell, &QMenu::aboutToShow, m_view.get(), [&] { m_view->watchPopup(&shell); });
        QMenu* menu = &shell;
        if (row.dropDown == DropDown::quiet)
            menu = m_view->quietButton()->menu();
        else if (row.dropDown == DropDown::overflow)
            menu = m_view->toolPanel()->overflowButton()->menu();
        LeaveSwallower noLeave;
        m_view->islandArea()->installEventFilter(&noLeave);
        menu->popup(m_view->mapToGlobal(QPoint(300, 300)));
        QVERIFY(menu->isVisible());
        const QPoint end = row.pointerInside ? islandPoint(80, 80).toPoint() : QPoint(20, 500);
        QCursor::setPos(m_view->mapToGlobal(end));
        menu->hide();
        QCoreApplication::processEvents();
        m_fixture->scheduler.advance(WispState::hoverLeaveDelayMs);
        QCOMPARE(wisp().isHovering(), row.pointerInside);
        QCOMPARE(m_view->isExpanded(), row.pointerInside);
        QVERIFY(!m_view->quietButton()->isHovering());
    }

    void longTextsStayInsideTheIsland_data()
    {
        QTest::addColumn<LongTextRow>("row");
        const QString long55 = QStringLiteral("This is a bubble of fifty-five characters, give or take");
        QTest::newRow("bubble, huge face") << LongTextRow{FaceSize::huge, long55, {}};
        QTest::newRow("markup stays text")
            << LongTextRow{FaceSize::small, QStringLiteral("<b>bold</b> & <i>x</i>"), {}};
        QTest::newRow("peek, small face")
            << LongTextRow{FaceSize::small, std::nullopt, QStringLiteral("A meeting with a very long title indeed")};
    }

    void longTextsStayInsideTheIsland()
    {
        QFETCH(LongTextRow, row);
        m_fixture->settings.setFaceSize(row.size);
        if (row.bubble)
            wisp().say(*row.bubble, 3);
        else
            m_focus.set(row.peek, true);
        settle();
        QCoreApplication::processEvents();
        const QRectF island = m_view->islandOutline().boundingRect();
        QCOMPARE(island.center().x(), 380.0);
        QWidget* side = row.bubble ? static_cast<QWidget*>(m_view->speechBubble()) : m_view->peekLabel();
        const QRectF face(m_view->collapsedFace()->mapTo(m_view.get(), m_view->collapsedFace()->layoutOffset()),
                          m_view->collapsedFace()->layoutSize());
        QVERIFY2(face.left() >= island.left(), qPrintable(QString::number(face.left() - island.left())));
        QVERIFY2(side->geometry().right() <= island.right(), qPrintable(QString::number(side->geometry().right())));
        QVERIFY(side->isVisible());
        const QString shown = row.bubble ? m_view->speechBubble()->shownText() : m_view->peekLabel()->shownText();
        const QString full = row.bubble ? *row.bubble : row.peek;
        // Cut with "…" where it does not fit, and never read as markup.
        QVERIFY(shown == full || (shown.endsWith(QChar(0x2026)) && full.startsWith(shown.chopped(1))));

        // The same text, opened, is the header's title, as text.
        wisp().setPinnedOpen(true);
        settle();
        const auto* title = m_view->findChild<QLabel*>(QStringLiteral("headerTitle"));
        QCOMPARE(title->textFormat(), Qt::PlainText);
    }

    // Ordinary texts as long as the width estimates count with show whole in the font the island draws.
    void textsUpToTheEstimatesCapShowWhole_data()
    {
        QTest::addColumn<FaceSize>("size");
        QTest::addColumn<bool>("bubble");
        QTest::addColumn<QString>("text");
        const CharWidths widths = drawnCharWidths();
        const int peekCap = int((190 - 30) / widths.peek);
        const int bubbleCap = int((200 - 28) / widths.bubble);
        const QString peek =
            QStringLiteral("Budget review with the design team").left(peekCap - 6) + QStringLiteral(" · 20m");
        const QString bubble = QStringLiteral("Great focus session, keep it up today!").left(bubbleCap);
        for (const FaceSize size : {FaceSize::small, FaceSize::medium, FaceSize::large, FaceSize::huge}) {
            QTest::addRow("peek, %s face", qPrintable(rawValue(size))) << size << false << peek;
            QTest::addRow("bubble, %s face", qPrintable(rawValue(size))) << size << true << bubble;
        }
    }

    void textsUpToTheEstimatesCapShowWhole()
    {
        QFETCH(FaceSize, size);
        QFETCH(bool, bubble);
        QFETCH(QString, text);
        m_fixture->settings.setFaceSize(size);
        if (bubble)
            wisp().say(text, 3);
        else
            m_focus.set(text, true);
        settle();
        QCOMPARE(bubble ? m_view->speechBubble()->shownText() : m_view->peekLabel()->shownText(), text);
    }

    // How soon is what a meeting's peek is for: a title that does not fit is cut, and the minutes stay. The
    // title's own separator is not where the minutes start.
    void aMeetingPeekKeepsItsMinutes()
    {
        const QString title = QStringLiteral("Quarterly budget review · finance and operations Q3");
        registry().setEnabled(ToolID::calendar, true);
        const QString minutes = QStringLiteral(" · 9m");
        m_calendar.set(title + minutes);
        settle();
        const QString shown = m_view->peekLabel()->shownText();
        QVERIFY2(shown.endsWith(minutes), qPrintable(shown));
        // The cut title stands in an isolate of its own.
        const QString head = shown.chopped(minutes.size());
        QVERIFY2(head.startsWith(QChar(0x2068)) && head.endsWith(QChar(0x2069)), qPrintable(shown));
        const QString cut = head.mid(1).chopped(1);
        QVERIFY2(cut.endsWith(QChar(0x2026)) && title.startsWith(cut.chopped(1)), qPrintable(shown));
    }

    // Bidi controls in a meeting's title, cut or whole, cannot reorder the minutes after it ("m52 ·").
    void aMeetingTitleCannotReorderItsMinutes_data()
    {
        QTest::addColumn<QString>("title");
        QTest::newRow("override") << QStringLiteral(u"Standup\u202E");
        QTest::newRow("isolate left open") << QStringLiteral(u"Standup\u2067");
        QTest::newRow("override in a title that is cut")
            << QStringLiteral(u"Quarterly \u202Ebudget review with finance and operations Q3");
    }

    void aMeetingTitleCannotReorderItsMinutes()
    {
        QFETCH(QString, title);
        registry().setEnabled(ToolID::calendar, true);
        const QString minutes = QStringLiteral(u" \u00B7 25m");
        m_calendar.set(title + minutes);
        settle();
        const QString shown = m_view->peekLabel()->shownText();
        QVERIFY2(shown.endsWith(minutes), qPrintable(shown));
        QVERIFY(VisualOrder::endReadsInOrder(shown, minutes.size(), m_view->peekLabel()->font()));
    }

    void theFaceIsAButtonThatPokes()
    {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(m_view->collapsedFace());
        QVERIFY(face && face->actionInterface());
        QCOMPARE(face->role(), QAccessible::Button);
        QCOMPARE(face->actionInterface()->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
        QVERIFY(!wisp().bubble());
        face->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(wisp().bubble());
    }

    void theHeaderShowsTheBubbleAndTheLocalDateTurningAtMidnight()
    {
        // 23:59:30 in Auckland, still 31 March in UTC after midnight there.
        m_fixture->clock.setNow(QDateTime(QDate(2026, 3, 31), QTime(10, 59, 30), Qt::UTC));
        wisp().setPinnedOpen(true);
        const QString before = m_view->headerDateText();
        m_fixture->scheduler.advance(29'000);
        QCOMPARE(m_view->headerDateText(), before);
        m_fixture->scheduler.advance(2'000);
        QCOMPARE(m_view->headerDateText(), NotchLayout::headerDateText(QDate(2026, 4, 1), QLocale()));
        QVERIFY(m_view->headerDateText() != before);
        wisp().say(QStringLiteral("Files tidied"), 3);
        QCOMPARE(m_view->headerTitleText(), QStringLiteral("Files tidied"));
        // While open the panel does not widen for the bubble.
        QCOMPARE(m_view->targetIslandRect().width(), 720.0);
    }

    void theSwitcherAndADragEndWithTheirIsland()
    {
        wisp().setPinnedOpen(true);
        registry().setSwitcherPresented(true);
        wisp().collapse();
        QVERIFY(!registry().switcherPresented());

        registry().setEnabled({});
        const auto mime = filesMime();
        QVERIFY(dragFilesTo(islandPoint(40, 40), *mime));
        QVERIFY(m_view->isDropTargeted());
        ScreenInfo other;
        other.frame = QRectF(0, 0, 1280, 720);
        m_view->setNotchGeometry(NotchGeometry::of(other));
        QVERIFY(!m_view->isDropTargeted());
    }

    void onlyTheIslandIsPainted()
    {
        wisp().setPinnedOpen(true);
        settle();
        const QImage image = m_view->grab().toImage();
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(image.width() - 1, image.height() - 1)), 0);
        QCOMPARE(image.pixel(islandPoint(8, 8).toPoint()), qRgba(0, 0, 0, 255));
    }

    void theBreakCardShowsWhenABreakIsDueOutsideQuietMode_data()
    {
        QTest::addColumn<bool>("quiet");
        QTest::newRow("break due") << false;
        QTest::newRow("break due in quiet mode") << true;
    }

    void theBreakCardShowsWhenABreakIsDueOutsideQuietMode()
    {
        QFETCH(bool, quiet);
        m_fixture->settings.setQuietMode(quiet);
        wisp().setPinnedOpen(true);
        QWidget* slot = m_view->breakPromptSlot();
        auto* card = slot->findChild<QLabel*>();
        QVERIFY(card && card->text() == QStringLiteral("card"));
        QVERIFY(!slot->isVisible());
        m_focus.set(QStringLiteral("00:00"), false);
        m_focus.setBreakPrompt(true);
        settle();
        QCOMPARE(card->isVisible(), !quiet);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestNotchRootView)
#include "tst_notchrootview.moc"
