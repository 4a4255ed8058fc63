#include "Wisplet/Base/MenuBuilder.h"

#include "Wisplet/Base/SymbolIcons.h"

#include <QMenu>

namespace MenuBuilder {

namespace {

void addItems(QMenu& menu, const MenuItems& items, const ActionHandler& onAction)
{
    for (const MenuItem& item : items) {
        if (item.isSeparator) {
            menu.addSeparator();
            continue;
        }
        if (!item.submenu.empty()) {
            QMenu* submenu = menu.addMenu(escapedText(item.text));
            submenu->setEnabled(item.enabled);
            if (!item.symbol.isEmpty())
                submenu->setIcon(symbolIcon(item.symbol, menu.palette().color(QPalette::WindowText)));
            addItems(*submenu, item.submenu, onAction);
            continue;
        }
        QAction* action = menu.addAction(escapedText(item.text));
        action->setEnabled(item.enabled);
        if (!item.symbol.isEmpty())
            action->setIcon(symbolIcon(item.symbol, menu.palette().color(QPalette::WindowText)));
        if (!item.shortcut.isEmpty())
            action->setShortcut(QKeySequence(item.shortcut, QKeySequence::PortableText));
        if (item.checked) {
            action->setCheckable(true);
            action->setChecked(*item.checked);
        }
        if (!item.action.isEmpty()) {
            action->setData(item.action);
            QObject::connect(action, &QAction::triggered, action, [onAction, id = item.action] { onAction(id); });
        }
    }
}

} // namespace

QString escapedText(const QString& text)
{
    QString escaped = text;
    return escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
}

void addShortcuts(QWidget& window, const MenuItems& items, const ActionHandler& onAction)
{
    for (const MenuItem& item : items) {
        addShortcuts(window, item.submenu, onAction);
        if (item.shortcut.isEmpty() || item.action.isEmpty())
            continue;
        auto* action = new QAction(escapedText(item.text), &window);
        action->setShortcut(QKeySequence(item.shortcut, QKeySequence::PortableText));
        action->setShortcutContext(Qt::WindowShortcut);
        QObject::connect(action, &QAction::triggered, action, [onAction, id = item.action] { onAction(id); });
        window.addAction(action);
    }
}

void fill(QMenu& menu, const MenuItems& items, const ActionHandler& onAction)
{
    // Submenus made by an earlier fill are children of the menu that clear() would leave behind.
    qDeleteAll(menu.findChildren<QMenu*>(Qt::FindDirectChildrenOnly));
    menu.clear();
    addItems(menu, items, onAction);
}

} // namespace MenuBuilder
