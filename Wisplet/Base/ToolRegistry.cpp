#include "Wisplet/Base/ToolRegistry.h"

#include "Wisplet/Base/AppEvents.h"
#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Platform/Platform.h"

#include <algorithm>

namespace {

const QString orderKey = QStringLiteral("tools.order");
const QString enabledKey = QStringLiteral("tools.enabled");
const QString selectedKey = QStringLiteral("tools.selected");

constexpr int favouriteCount = 4;

// Each known tool once, in stored order, then the missing ones in declaration order. A repeated tool
// would give a second tab and take a favourite slot.
QList<ToolID> readOrder(const Defaults& defaults)
{
    QList<ToolID> order;
    for (const QString& raw : defaults.stringArray(orderKey).value_or(QStringList())) {
        const std::optional<ToolID> tool = toolFromRawValue(raw);
        if (tool && !order.contains(*tool))
            order.append(*tool);
    }
    for (ToolID tool : allTools) {
        if (!order.contains(tool))
            order.append(tool);
    }
    return order;
}

// An empty stored array stays empty: the user may have turned every tool off.
QSet<ToolID> readEnabled(const Defaults& defaults)
{
    const std::optional<QStringList> stored = defaults.stringArray(enabledKey);
    if (!stored)
        return {ToolID::focus, ToolID::notes, ToolID::files};
    QSet<ToolID> enabled;
    for (const QString& raw : *stored) {
        if (const std::optional<ToolID> tool = toolFromRawValue(raw))
            enabled.insert(*tool);
    }
    return enabled;
}

} // namespace

ToolRegistry::ToolRegistry(Defaults& defaults, AppSettings& settings, AppEvents& events, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_settings(settings)
    , m_events(events)
    , m_order(readOrder(defaults))
    , m_enabled(readEnabled(defaults))
    , m_selected(toolFromRawValue(defaults.string(selectedKey)).value_or(ToolID::focus))
{ }

ToolRegistry& ToolRegistry::shared()
{
    static auto* registry = new ToolRegistry(Platform::defaults(), AppSettings::shared(), AppEvents::shared());
    return *registry;
}

void ToolRegistry::setOrder(const QList<ToolID>& value)
{
    QStringList raw;
    for (ToolID tool : value)
        raw.append(rawValue(tool));
    m_defaults.set(orderKey, raw);
    m_order = value;
    emit orderChanged(value);
    emit changed();
}

void ToolRegistry::setEnabled(const QSet<ToolID>& value)
{
    QStringList raw;
    for (ToolID tool : value)
        raw.append(rawValue(tool));
    raw.sort();
    m_defaults.set(enabledKey, raw);
    m_enabled = value;
    emit enabledChanged(value);
    emit changed();
}

void ToolRegistry::setSelected(ToolID value)
{
    m_defaults.set(selectedKey, rawValue(value));
    m_selected = value;
    emit selectedChanged(value);
    emit changed();
}

void ToolRegistry::setSwitcherPresented(bool value)
{
    m_switcherPresented = value;
    emit switcherPresentedChanged(value);
    emit changed();
}

QList<ToolID> ToolRegistry::visibleTools() const
{
    QList<ToolID> visible;
    std::copy_if(m_order.begin(), m_order.end(), std::back_inserter(visible),
                 [this](ToolID tool) { return m_enabled.contains(tool); });
    return visible;
}

QList<ToolID> ToolRegistry::favourites() const
{
    return visibleTools().mid(0, favouriteCount);
}

void ToolRegistry::setEnabled(ToolID tool, bool on)
{
    QSet<ToolID> enabled = m_enabled;
    if (on)
        enabled.insert(tool);
    else
        enabled.remove(tool);
    setEnabled(enabled);

    if (m_enabled.contains(m_selected))
        return;
    if (const QList<ToolID> visible = visibleTools(); !visible.isEmpty())
        setSelected(visible.first());
}

void ToolRegistry::open(ToolID tool)
{
    if (!m_enabled.contains(tool))
        setEnabled(tool, true);
    setSelected(tool);
    setSwitcherPresented(false);
    // Ending presentation mode collapses the companion, which unpins it; the pin has to come after.
    if (m_settings.presentationMode())
        m_settings.setPresentationMode(false);
    m_events.postPinOpen();
    m_events.postOpenTool();
}
