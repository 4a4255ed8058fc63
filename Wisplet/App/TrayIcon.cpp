#include "Wisplet/App/TrayIcon.h"

#include "Wisplet/App/TrayMenu.h"
#include "Wisplet/Base/MenuBuilder.h"
#include "Wisplet/Base/ProblemReport.h"
#include "Wisplet/Base/SymbolIcons.h"

#include <QCursor>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

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

} // namespace

TrayIcon::TrayIcon(TrayMenu& model, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_menu(new QMenu)
{
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

void TrayIcon::showOnceTrayWatcherAnswers(const QDBusConnection& bus, bool toldSilent)
{
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusMessage question =
        QDBusMessage::createMethodCall(watcher, QStringLiteral("/StatusNotifierWatcher"),
                                       QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    question << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
    auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(question), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, bus, toldSilent](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusError::ErrorType error = finished->error().type();
        if (error != QDBusError::NoReply && error != QDBusError::Timeout && error != QDBusError::TimedOut) {
            show();
            return;
        }
        if (!toldSilent)
            reportProblem(QStringLiteral("Wisplet: the desktop's tray watcher does not answer on the session bus; "
                                         "the tray icon waits for it."));
        showOnceTrayWatcherAnswers(bus, true);
    });
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
