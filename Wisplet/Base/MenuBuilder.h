#pragma once

#include "Wisplet/Base/MenuModel.h"

#include <functional>

class QMenu;
class QWidget;

// Turns menu items into a QMenu, with their symbols tinted in the menu's text colour.
namespace MenuBuilder {

using ActionHandler = std::function<void(const QString& action)>;

// Qt takes "&" in a menu or button text as a shortcut marker; doubling it shows the character itself.
QString escapedText(const QString& text);

// Replaces everything in menu, submenus included, with items. Choosing an item that names an action
// passes that action to onAction.
void fill(QMenu& menu, const MenuItems& items, const ActionHandler& onAction);

// Gives window one hidden action for each item, submenus included, that carries a shortcut, so the keys
// work there while the menu is closed. The actions live as long as the window.
void addShortcuts(QWidget& window, const MenuItems& items, const ActionHandler& onAction);

} // namespace MenuBuilder
