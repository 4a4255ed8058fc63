#include "Wisplet/App/TrayIcon.h"

#include "Wisplet/App/TrayMenu.h"
#include "Wisplet/Base/MenuBuilder.h"
#include "Wisplet/Base/ProblemReport.h"
#include "Wisplet/Base/SymbolIcons.h"

#include <QCursor>
#include <QDBusError>
#include <QDBusInterface>
#include <QFutureWatcher>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QtConcurrent>

namespace {

// Wisp's face, white on a black disc like the island, so that it reads on a light tray and a dark one alike.
QIcon trayFace()
{
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap disc(size, size);
        disc.fill(Qt::transparent);
        QPainter painter(&disc);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawEllipse(QRectF(0, 0, size, size));
        const int inset = size / 6;
        painter.drawPixmap(inset, inset,
                           symbolPixmap(TrayMenu::symbol(), QSize(size - 2 * inset, size - 2 * inset), Qt::white, 1));
        painter.end();
        icon.addPixmap(disc);
    }
    return icon;
}

// The first and the longest wait for a tray watcher that keeps silent, besides D-Bus's own 25 s a question.
constexpr int firstAskAgainMs = 5'000;
constexpr int longestAskAgainMs = 120'000;

// On a worker: what Qt asks the tray watcher on the main thread as the icon is made. The description of its
// interface stays with the connection, so Qt does not ask for it again. False when the watcher kept silent.
bool trayWatcherAnswers(const QDBusConnection& bus)
{
    const QString service = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusInterface watcher(service, QStringLiteral("/StatusNotifierWatcher"), service, bus);
    if (watcher.isValid())
        watcher.property("IsStatusNotifierHostRegistered");
    const QDBusError::ErrorType error = watcher.lastError().type();
    return error != QDBusError::NoReply && error != QDBusError::Timeout && error != QDBusError::TimedOut;
}

} // namespace

TrayIcon::TrayIcon(TrayMenu& model, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_menu(new QMenu)
    , m_askAgain(new QTimer(this))
    , m_askAgainMs(firstAskAgainMs)
{
    m_askAgain->setSingleShot(true);
    m_askAgain->setTimerType(Qt::CoarseTimer);
    connect(m_askAgain, &QTimer::timeout, this, &TrayIcon::askTrayWatcher);
    connect(m_menu, &QMenu::aboutToShow, this, &TrayIcon::rebuild);
    // An open menu follows the changes too: once for a burst of them, on a later pass, so that an item's
    // own action never deletes that item while it runs.
    connect(&m_model, &TrayMenu::changed, this, [this] {
        if (m_rebuildQueued)
            return;
        m_rebuildQueued = true;
        QMetaObject::invokeMethod(this, &TrayIcon::rebuildIfShown, Qt::QueuedConnection);
    });
    rebuild(); // so the menu's shortcuts exist before it first opens
}

TrayIcon::~TrayIcon()
{
    delete m_menu;
}

void TrayIcon::show()
{
    if (m_tray)
        return;
    m_tray = new QSystemTrayIcon(trayFace(), this);
    m_tray->setToolTip(QStringLiteral("Wisplet"));
    m_tray->setContextMenu(m_menu);
    // A left click opens the same menu as a right click, as a tray menu does.
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            popup(QCursor::pos());
    });
    m_tray->show();
}

void TrayIcon::showOnceTrayWatcherAnswers(const QDBusConnection& bus)
{
    m_watcherBus = bus;
    askTrayWatcher();
}

void TrayIcon::askTrayWatcher()
{
    auto* asking = new QFutureWatcher<bool>(this);
    connect(asking, &QFutureWatcherBase::finished, this, [this, asking] {
        asking->deleteLater();
        if (asking->result()) {
            show();
            return;
        }
        if (!m_toldSilent)
            reportProblem(QStringLiteral("Wisplet: the desktop's tray watcher does not answer on the session bus; "
                                         "the tray icon waits for it."));
        m_toldSilent = true;
        m_askAgain->start(m_askAgainMs);
        m_askAgainMs = std::min(2 * m_askAgainMs, longestAskAgainMs);
    });
    asking->setFuture(QtConcurrent::run([bus = m_watcherBus] { return trayWatcherAnswers(bus); }));
}

void TrayIcon::popup(const QPoint& globalPosition)
{
    m_menu->popup(globalPosition);
}

void TrayIcon::addShortcutsTo(QWidget& window)
{
    MenuBuilder::addShortcuts(window, m_model.items(), [this](const QString& action) { m_model.trigger(action); });
}

void TrayIcon::rebuild()
{
    m_shown = m_model.items();
    MenuBuilder::fill(*m_menu, m_shown, [this](const QString& action) { m_model.trigger(action); });
}

void TrayIcon::rebuildIfShown()
{
    m_rebuildQueued = false;
    if (m_menu->isVisible() && m_model.items() != m_shown)
        rebuild();
}
