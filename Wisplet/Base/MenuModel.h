#pragma once

#include <QString>

#include <optional>
#include <vector>

// One entry of a menu, free of any toolkit, so menus can be built and checked without widgets. The tray
// menu, drop-down buttons and the settings window turn lists of these into their own controls.
struct MenuItem
{
    // The program's own words, shown as they stand (no mnemonic markers).
    QString text;
    // A symbol name from the program's icon table; empty for none.
    QString symbol;
    // Set only for items that show a check mark.
    std::optional<bool> checked;
    bool enabled = true;
    bool isSeparator = false;
    std::vector<MenuItem> submenu;
    // What choosing the item does, interpreted by the menu's owner; empty for items without an effect.
    QString action;
    // A key combination in portable text ("Ctrl+Q"); empty for none.
    QString shortcut;

    bool operator==(const MenuItem& other) const = default;

    static MenuItem separator()
    {
        MenuItem item;
        item.isSeparator = true;
        return item;
    }
    // A line of information that cannot be chosen.
    static MenuItem line(const QString& text)
    {
        MenuItem item;
        item.text = text;
        item.enabled = false;
        return item;
    }
    static MenuItem command(const QString& text, const QString& action)
    {
        MenuItem item;
        item.text = text;
        item.action = action;
        return item;
    }
    // An item that shows a check mark while checked.
    static MenuItem toggle(const QString& text, bool checked, const QString& action)
    {
        MenuItem item = command(text, action);
        item.checked = checked;
        return item;
    }
    static MenuItem nested(const QString& text, std::vector<MenuItem> items)
    {
        MenuItem item;
        item.text = text;
        item.submenu = std::move(items);
        return item;
    }
};

using MenuItems = std::vector<MenuItem>;
