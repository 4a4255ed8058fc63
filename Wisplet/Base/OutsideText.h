#pragma once

#include <QString>

// Text from outside (titles, names, places, file names) shown beside the program's own. Its bidi controls
// must not reach past it: a right-to-left override in a meeting title would reverse the countdown after it,
// and one in a file name would hide the name's real extension.
namespace OutsideText {

// The text in an isolate of its own (FIRST STRONG ISOLATE … POP DIRECTIONAL ISOLATE), each line apart, with
// every embedding, override and isolate it opens closed before the isolate ends, and no closing mark of its
// own left to end the isolate early. Empty stays empty.
QString isolated(const QString& text);
// A file name or path shown as it is stored: its bidi controls replaced by a visible mark instead of obeyed,
// so its characters keep their order and its real extension stands at its end; isolated.
QString fileName(const QString& name);

} // namespace OutsideText
