#include "Wisplet/Platform/QtScreenProvider.h"

#include "Wisplet/Platform/PointerMotion.h"

#include <QCursor>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>

namespace {

ScreenInfo infoOf(QScreen& screen)
{
    ScreenInfo info;
    info.frame = QRectF(screen.geometry());
    info.screen = &screen;
    info.builtIn = QtScreenProvider::isBuiltInConnector(screen.name());
    return info;
}

} // namespace

bool QtScreenProvider::isBuiltInConnector(const QString& name)
{
    // Embedded DisplayPort, LVDS and DSI are the connectors of a computer's own panel, as X names its
    // outputs ("eDP-1", "eDP1", "LVDS-1", "DSI-1"); anything after the kind is a number or a dash.
    static const QRegularExpression builtIn(QStringLiteral("^(eDP|LVDS|DSI)([-_]?\\d.*)?$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return builtIn.match(name).hasMatch();
}

QtScreenProvider::QtScreenProvider(PointerQuery query, std::chrono::milliseconds maxAge)
    : m_query(query ? std::move(query) : [] { return QPointF(QCursor::pos()); })
    , m_maxAge(maxAge)
{ }

QtScreenProvider::~QtScreenProvider() = default;

QList<ScreenInfo> QtScreenProvider::screens() const
{
    QScreen* primary = QGuiApplication::primaryScreen();
    QList<ScreenInfo> result;
    if (primary)
        result.append(infoOf(*primary));
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen && screen != primary)
            result.append(infoOf(*screen));
    }
    return result;
}

std::optional<ScreenInfo> QtScreenProvider::mainScreen() const
{
    if (QScreen* primary = QGuiApplication::primaryScreen())
        return infoOf(*primary);
    return std::nullopt;
}

PointerMotion* QtScreenProvider::motion() const
{
    if (!m_watchStarted) {
        m_watchStarted = true;
        m_motion = PointerMotion::forSession();
    }
    return m_motion.get();
}

bool QtScreenProvider::watchPointer(std::function<void()> moved)
{
    PointerMotion* watcher = motion();
    if (watcher)
        watcher->setOnMotion(std::move(moved));
    return watcher != nullptr;
}

bool QtScreenProvider::mayHaveMoved() const
{
    PointerMotion* watcher = motion();
    // Taken before the query, so motion during it is seen at the next call.
    const bool moved = !watcher || watcher->takeMoved();
    return moved || !m_pointer || m_sinceQuery.hasExpired(m_maxAge.count());
}

QPointF QtScreenProvider::pointer() const
{
    if (mayHaveMoved()) {
        m_pointer = m_query();
        m_sinceQuery.start();
    }
    return *m_pointer;
}
