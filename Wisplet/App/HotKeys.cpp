#include "Wisplet/App/HotKeys.h"

#include "Wisplet/Base/AppEvents.h"
#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Platform/GlobalKeyGrabber.h"

namespace {

// X keysyms of Latin-1 characters are their code points.
constexpr quint32 keysymM = 'm';
constexpr quint32 keysymK = 'k';
constexpr quint32 keysymDigit1 = '1';
constexpr int favouriteKeys = 4;

constexpr quint32 mainId = 1;
constexpr quint32 firstToolId = 2;
constexpr quint32 switcherId = 6;

} // namespace

HotKey::HotKey(GlobalKeyGrabber& grabber, quint32 keysym, quint32 id, std::function<void()> action, QObject* parent)
    : QObject(parent)
    , m_grabber(&grabber)
    , m_keysym(keysym)
    , m_id(id)
    , m_action(std::move(action))
{
    if (const int failure = grabber.grab(id, keysym); failure != 0) {
        m_registrationError = errorText(failure);
        return;
    }
    connect(&grabber, &GlobalKeyGrabber::pressed, this, [this](quint32 pressed) {
        if (pressed == m_id)
            m_action();
    });
}

HotKey::~HotKey()
{
    if (m_grabber && !m_registrationError)
        m_grabber->release(m_id);
}

const QHash<QString, quint32>& HotKey::keySyms()
{
    static const QHash<QString, quint32> table{
        {QStringLiteral("M"), keysymM},
        {QStringLiteral("N"), 'n'},
        {QStringLiteral("B"), 'b'},
        {QStringLiteral("Space"), ' '},
    };
    return table;
}

const QStringList& HotKey::keyNames()
{
    static const QStringList names{QStringLiteral("M"), QStringLiteral("N"), QStringLiteral("B"),
                                   QStringLiteral("Space")};
    return names;
}

quint32 HotKey::keySym(const QString& name)
{
    return keySyms().value(name, keysymM);
}

QString HotKey::errorText(int failure)
{
    // No other key would do better there, so the usual advice would mislead.
    if (failure == GlobalKeyGrabber::unsupported)
        return QStringLiteral("Hot keys need an X11 session.");
    return QStringLiteral("Shortcut unavailable (%1). Choose another key.").arg(failure);
}

HotKeys::HotKeys(const Services& services)
    : m_grabber(services.grabber)
    , m_settings(services.settings)
    , m_wisp(services.wisp)
    , m_tools(services.tools)
    , m_events(services.events)
    , m_showKeyboardFocus(services.showKeyboardFocus)
{ }

HotKeys::~HotKeys() = default;

void HotKeys::registerHotKeys(bool enabled, const QString& key)
{
    // The old combinations go before any new one is grabbed, so the previous main key stops answering.
    m_hotKey.reset();
    m_toolKeys.clear();

    if (enabled) {
        m_hotKey = std::make_unique<HotKey>(m_grabber, HotKey::keySym(key), mainId, [this] { toggleFromHotKey(); });
        for (int index = 0; index < favouriteKeys; ++index) {
            m_toolKeys.push_back(std::make_unique<HotKey>(m_grabber, keysymDigit1 + quint32(index),
                                                          firstToolId + quint32(index),
                                                          [this, index] { openToolFromHotKey(index); }));
        }
        m_toolKeys.push_back(
            std::make_unique<HotKey>(m_grabber, keysymK, switcherId, [this] { openSwitcherFromHotKey(); }));
    }

    std::optional<QString> error = m_hotKey ? m_hotKey->registrationError() : std::nullopt;
    for (const auto& toolKey : m_toolKeys) {
        if (!error)
            error = toolKey->registrationError();
    }
    m_settings.setShortcutError(error);
}

void HotKeys::toggleFromHotKey()
{
    m_showKeyboardFocus();
    if (m_settings.presentationMode())
        m_settings.setPresentationMode(false);
    m_wisp.togglePinned();
}

void HotKeys::openToolFromHotKey(int index)
{
    m_showKeyboardFocus();
    const QList<ToolID> favourites = m_tools.favourites();
    if (index >= 0 && index < favourites.size())
        m_tools.open(favourites.at(index));
}

void HotKeys::openSwitcherFromHotKey()
{
    m_showKeyboardFocus();
    // Assigning false again would still signal a change, which collapses the panel and gives the focus away.
    if (m_settings.presentationMode())
        m_settings.setPresentationMode(false);
    m_wisp.setPinnedOpen(true);
    m_tools.setSwitcherPresented(true);
    m_events.postOpenTool();
}
