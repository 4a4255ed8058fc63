#pragma once

#include "Wisplet/Tools/Clipboard/ClipRow.h"

class ClipList;
class QAccessibleInterface;

// The clipboard list as assistive technology sees it: its children are its rows, each with the action
// "Copy to clipboard", and each row's children its pin and delete buttons, pressed by their action. The rows
// are painted, so Qt's own list interface would offer only its item cells and their actions.
namespace ClipListAccessible {

// From now on every clipboard list answers with these; once is enough.
void install();

// A row of the list (Part::row) or one of its buttons.
QAccessibleInterface* part(ClipList& list, int row, ClipRow::Part part);

} // namespace ClipListAccessible
