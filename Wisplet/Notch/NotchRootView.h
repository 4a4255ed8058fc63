#pragma once

#include "Wisplet/Base/Animation.h"
#include "Wisplet/Companion/WispFaceView.h"
#include "Wisplet/Notch/IslandSurface.h"
#include "Wisplet/Notch/PeekStatus.h"
#include "Wisplet/Notch/ToolViews.h"

#include <QList>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class AppEvents;
class AppSettings;
class Clock;
class FileDropTarget;
class HeaderButton;
class MotionSetting;
class PeekLabel;
class QLabel;
class QuietControls;
class QuietControlsButton;
class QVBoxLayout;
class ScheduledCall;
class Scheduler;
class SpeechBubble;
class ToolPanelView;
class ToolRegistry;
class WispState;

// The whole content of the floating panel: a black island hanging from the top centre, merging with the
// notch. Collapsed, it shows the face and beside it the speech bubble or a peek; expanded (hovered or
// pinned open), a header, the break prompt and the tool panel. It draws the stores and forwards the
// user's gestures to them; its only state of its own is the drag flag and what is mid-animation. Hover,
// clicks and drops count only inside the island's outline.
class NotchRootView final : public IslandSurface
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NotchRootView)

public:
    static constexpr Spring islandSpring{0.38, 0.8};
    static constexpr Spring bounceSpring{0.22, 0.45};
    static constexpr Spring bubbleSpring{0.3, 0.7};
    static constexpr double peekFadeSeconds = 0.2;
    static constexpr double bounceScale = 1.1;
    static constexpr double bounceLift = 3;
    static constexpr int headerSpacing = 12;
    // The break prompt's extra height, less the spacing above it.
    static constexpr int breakPromptHeight = 60;
    static constexpr double dropOutlineWidth = 3;

    struct Services
    {
        AppSettings& settings;
        AppEvents& events;
        WispState& wisp;
        ToolRegistry& registry;
        const FocusPeekSource& focus;
        const CalendarPeekSource& calendar;
        const MediaPeekSource& media;
        FileDropTarget& files;
        Clock& clock;
        Scheduler& scheduler;
        MotionSetting& motion;
        AnimationClock& animation;
        WispFaceView::SpriteFaceMaker makeSpriteFace;
        // The selected tool's page.
        ToolPageMaker makeToolPage;
        // The focus tool's break card, placed in the break-prompt slot; none leaves the slot empty.
        std::function<QWidget*(QWidget* parent)> makeBreakCard;
    };

    NotchRootView(const NotchGeometry& geometry, const Services& services, QWidget* parent = nullptr);
    ~NotchRootView() override;

    QPainterPath islandOutline() const override { return m_outline; }
    void setNotchGeometry(const NotchGeometry& geometry) override;
    void stayClosedUntilLeft() override;

    // Hovered or pinned open.
    bool isExpanded() const;
    bool isDropTargeted() const { return m_dropTargeted; }
    PeekInputs peekInputs() const;
    QSizeF collapsedSize() const;
    QSizeF expandedSize() const;
    QString layoutKey() const;
    // Where the island is going: its rectangle in this widget once every animation has come to rest.
    QRectF targetIslandRect() const;
    bool isAnimating() const;

    // Drops go to the shelf while the files tool is enabled; otherwise they are refused.
    bool handleDrop(const QList<QUrl>& files);
    void openPeekTool();
    // A drop-down opened over the island: the pointer may leave while it shows without the island
    // hearing of it, so the hover is measured again once it closes.
    void watchPopup(QWidget* popup);

    // Its parts, for the panel and for tests. The open island's parts are built the first time it opens, or
    // when one of them is asked for.
    WispFaceView* collapsedFace() const { return m_collapsedFace; }
    SpeechBubble* speechBubble() const { return m_bubble; }
    PeekLabel* peekLabel() const { return m_peek; }
    QWidget* collapsedContent() const { return m_collapsed; }
    bool hasExpandedContent() const { return m_expanded != nullptr; }
    QWidget* expandedContent();
    WispFaceView* headerFace();
    HeaderButton* pinButton();
    HeaderButton* settingsButton();
    QuietControlsButton* quietButton();
    QString headerTitleText();
    QString headerDateText();
    QWidget* breakPromptSlot();
    ToolPanelView* toolPanel();
    // The masked area inside the outline that takes hover and clicks.
    QWidget* islandArea() const { return m_island; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class DropOverlay;
    class EdgeClip;

    WispFaceView* makeFace(QWidget* parent);
    void buildCollapsed();
    void buildExpanded();
    void ensureExpanded();
    void placeStack();
    void placeExpanded();
    void buildHeader(QVBoxLayout& stack);
    void connectStores();

    // Brings everything up to the stores; without animation, whatever changed is shown at once.
    void refresh(bool animate = true);
    void updateFaces();
    void updateContents(bool expanded, bool animate);
    void updateCollapsedRow(const PeekInputs& in, bool animate);
    void updateHeader(const PeekInputs& in);
    void updateIsland(const PeekInputs& in, bool animate);
    void updatePalette();
    void showToday();
    void relayout();

    void applyIsland();
    void applyContents();
    void applyRow();
    void applyFaceMotion();
    void placeHeaderFace();
    void bounce();
    void stretch();
    void stepStretch();

    bool faceClicked(WispFaceView* face, QEvent* event);
    void keyboardPastHeader();
    void islandHovered(bool inside);
    void pointerLeft();
    void setDropTargeted(bool targeted);
    void dropTargetChanged(bool targeted);
    bool isInsideIsland(const QPointF& point) const;

    bool motionReduced() const;
    double islandCentreX() const;

    NotchGeometry m_geometry;
    AppSettings& m_settings;
    WispState& m_wisp;
    ToolRegistry& m_registry;
    const FocusPeekSource& m_focus;
    const CalendarPeekSource& m_calendar;
    const MediaPeekSource& m_media;
    FileDropTarget& m_files;
    Clock& m_clock;
    Scheduler& m_scheduler;
    MotionSetting& m_motion;
    AnimationClock& m_animation;
    WispFaceView::SpriteFaceMaker m_makeSpriteFace;
    AppEvents& m_events;
    ToolPageMaker m_makeToolPage;
    std::function<QWidget*(QWidget* parent)> m_makeBreakCard;
    QuietControls* m_quietControls;

    bool m_built = false;
    bool m_dropTargeted = false;
    bool m_pointerInside = false;
    // The pointer was on the island when a window of ours came forward: it opens again only once re-entered.
    bool m_hoverHeld = false;
    bool m_showsExpanded = false;
    QString m_layoutKey;
    std::optional<QString> m_rowBubble;
    bool m_rowHasPeek = false;
    // The room the bubble or peek last got; kept while it fades out.
    double m_rowSide = 0;
    Accent m_paletteAccent = Accent::white;
    bool m_hasPalette = false;
    std::optional<bool> m_toolPanelMotionReduced;
    QPainterPath m_outline;
    // Turns the header's date at local midnight while the island is open.
    std::unique_ptr<ScheduledCall> m_dateTurn;
    QPointer<QWidget> m_watchedPopup;
    WispFaceView* m_pressedFace = nullptr;
    int m_stretchPhase = 0;

    QWidget* m_island = nullptr;
    QWidget* m_collapsed = nullptr;
    WispFaceView* m_collapsedFace = nullptr;
    SpeechBubble* m_bubble = nullptr;
    PeekLabel* m_peek = nullptr;
    QWidget* m_expanded = nullptr;
    QVBoxLayout* m_stack = nullptr;
    WispFaceView* m_headerFace = nullptr;
    QWidget* m_headerFaceSlot = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_date = nullptr;
    QuietControlsButton* m_quietButton = nullptr;
    HeaderButton* m_pin = nullptr;
    HeaderButton* m_settingsButton = nullptr;
    QWidget* m_breakSlot = nullptr;
    ToolPanelView* m_toolPanel = nullptr;
    EdgeClip* m_edgeClip = nullptr;
    DropOverlay* m_overlay = nullptr;

    // Width, height and corner radius of the island, centred in this widget.
    AnimatedValue* m_shape;
    AnimatedValue* m_expandedIn;
    AnimatedValue* m_collapsedIn;
    // The collapsed face's left edge in this widget.
    AnimatedValue* m_rowLeft;
    AnimatedValue* m_bubbleIn;
    AnimatedValue* m_peekIn;
    AnimatedValue* m_bounce;
    // Horizontal scale, vertical scale, rotation in degrees.
    AnimatedValue* m_stretch;
};
