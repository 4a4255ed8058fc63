#pragma once

#include "Wisplet/Base/MenuModel.h"
#include "Wisplet/Base/ToolID.h"
#include "Wisplet/Notch/ToolViews.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <optional>

class AnimatedValue;
class AnimationClock;
class AppSettings;
class DropDownButton;
class HeaderButton;
class QAction;
class QHBoxLayout;
class QPushButton;
class QStackedLayout;
class ToolRegistry;
class ToolSwitcherView;
class ToolTab;

// The tool area of the opened island: tabs for the favourite tools, a menu for the other enabled ones, a
// search button, and the selected tool's view below them; an empty state when no tool is enabled. It
// keeps no tool state of its own: everything it shows and changes lives in the registry. It also shows
// the switcher over its host while the registry asks for it, and carries the panel's hidden shortcuts.
class ToolPanelView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToolPanelView)

public:
    static constexpr int spacing = 10;
    static constexpr int tabSpacing = 6;
    static constexpr int emptySpacing = 12;
    static constexpr int labelPixels = 13;
    static constexpr int favouriteCount = 4;

    ToolPanelView(ToolRegistry& registry, AppSettings& settings, AnimationClock& clock, ToolPageMaker makePage,
                  QWidget* parent = nullptr);
    ~ToolPanelView() override;

    // "More" while a favourite is selected, else the selected tool's title.
    static QString overflowLabel(ToolID selected, const QList<ToolID>& favourites);
    // The visible tools after the favourites, then a way to the switcher. Actions are raw tool values and
    // findActionId.
    static MenuItems overflowItems(const QList<ToolID>& visible);
    static inline const QString findActionId = QStringLiteral("find");
    // The tool a step of +1 or −1 selects, wrapping around; a selection that is not visible counts as the
    // first. None when no tool is visible.
    static std::optional<ToolID> steppedTool(const QList<ToolID>& visible, ToolID selected, int delta);

    // The user's setting or the desktop's, resolved by the caller; it stills the fades.
    void setMotionReduced(bool reduced);
    // The widget the switcher covers while it shows, so it can lie over more than the panel (the island's
    // header too). The panel itself until told otherwise.
    void setOverlayHost(QWidget* host);

    // Selects the next (+1) or previous (−1) visible tool. Nothing else: no pin, no notification.
    void step(int delta);

    const QList<ToolTab*>& tabs() const { return m_tabs; }
    DropDownButton* overflowButton() const { return m_overflow; }
    HeaderButton* searchButton() const { return m_search; }
    QWidget* emptyState() const { return m_emptyState; }
    // The selected tool's view, or null while the empty state shows.
    QWidget* contentView() const { return m_content; }
    ToolSwitcherView* switcher() const;
    // The hidden shortcuts: find, the four favourites, next, previous.
    const QList<QAction*>& shortcutActions() const { return m_shortcuts; }

private:
    class SwitcherOverlay;

    void buildTabBar();
    void buildEmptyState();
    void buildShortcuts();
    void refresh();
    void updateTabs(const QList<ToolID>& favourites);
    static void focusBefore(QWidget* widget, QWidget* next);
    void updateShortcuts();
    void rebuildOverflowMenu();
    void showContent(ToolID tool);
    void clearContent();
    void applyFade();
    void finishFade();
    void retire(QWidget* view);
    void syncSwitcher();
    void presentSwitcher();

    ToolRegistry& m_registry;
    ToolPageMaker m_makePage;
    AppSettings& m_settings;
    AnimationClock& m_clock;
    bool m_motionReduced = false;

    QWidget* m_tabBar = nullptr;
    QHBoxLayout* m_tabLayout = nullptr;
    QList<ToolTab*> m_tabs;
    DropDownButton* m_overflow = nullptr;
    HeaderButton* m_search = nullptr;
    QWidget* m_emptyState = nullptr;

    QWidget* m_contentArea = nullptr;
    QStackedLayout* m_contentStack = nullptr;
    std::optional<ToolID> m_contentTool;
    QWidget* m_content = nullptr;
    QPointer<QWidget> m_outgoing; // the previous view while it fades out
    double m_outgoingFrom = 1;
    AnimatedValue* m_fade;

    QPointer<QWidget> m_overlayHost;
    QPointer<SwitcherOverlay> m_overlay;

    QList<QAction*> m_shortcuts;
};
