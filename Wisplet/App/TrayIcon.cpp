#include "Wisplet/App/TrayIcon.h"

#include "Wisplet/App/TrayMenu.h"
#include "Wisplet/Base/MenuBuilder.h"
#include "Wisplet/Base/SymbolIcons.h"

#include <QMenu>
#include <QSystemTrayIcon>

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
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray = new QSystemTrayIcon(symbolIcon(TrayMenu::symbol(), Qt::white), this);
        m_tray->setToolTip(QStringLiteral("Wisplet"));
        m_tray->setContextMenu(m_menu);
        m_tray->show();
    }
}

TrayIcon::~TrayIcon()
{
    delete m_menu;
}

bool TrayIcon::isInTray() const
{
    return m_tray && m_tray->isVisible();
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
