#pragma once

#include <QString>

// A tooltip that shows the text exactly as it is. Qt takes a tooltip that looks like markup for rich text
// (and opens the files its images name), so any tooltip that shows text from outside goes through here.
QString plainToolTip(const QString& text);
