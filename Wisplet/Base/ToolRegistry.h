#pragma once

#include "Wisplet/Base/ToolID.h"

#include <QList>
#include <QObject>
#include <QSet>

class AppEvents;
class AppSettings;
class Defaults;

// The user's arrangement of the tools: tab order, which are enabled, which is selected, and whether the
// switcher shows. The first three are stored under "tools.order", "tools.enabled" and "tools.selected";
// every assignment writes its key at once, also when the value is unchanged. Loading repairs what it
// reads but never writes back. Main thread only.
class ToolRegistry final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToolRegistry)

public:
    ToolRegistry(Defaults& defaults, AppSettings& settings, AppEvents& events, QObject* parent = nullptr);

    static ToolRegistry& shared();

    // Every tool at least once.
    QList<ToolID> order() const { return m_order; }
    // May be empty.
    QSet<ToolID> enabled() const { return m_enabled; }
    // Need not be enabled.
    ToolID selected() const { return m_selected; }
    bool switcherPresented() const { return m_switcherPresented; }

    void setOrder(const QList<ToolID>& value);
    void setEnabled(const QSet<ToolID>& value);
    void setSelected(ToolID value);
    void setSwitcherPresented(bool value);

    // The enabled tools in tab order.
    QList<ToolID> visibleTools() const;
    // The first four visible tools, which the hot keys open.
    QList<ToolID> favourites() const;

    // Enables or disables one tool; when the selection is no longer enabled, the first visible tool
    // takes its place (or none does, when nothing is visible).
    void setEnabled(ToolID tool, bool on);
    // The one way to open a tool: enable and select it, close the switcher, end presentation mode, pin
    // the companion open and ask the panel to come forward.
    void open(ToolID tool);

signals:
    void orderChanged(const QList<ToolID>& value);
    void enabledChanged(const QSet<ToolID>& value);
    void selectedChanged(ToolID value);
    void switcherPresentedChanged(bool value);
    // Any of the above.
    void changed();

private:
    Defaults& m_defaults;
    AppSettings& m_settings;
    AppEvents& m_events;

    QList<ToolID> m_order;
    QSet<ToolID> m_enabled;
    ToolID m_selected;
    bool m_switcherPresented = false;
};
