#pragma once

#include <QString>

// How long ago, short: "5 sec.", "3 min.", "2 hr.", "1 day", "4 days", "2 wk.", "3 mo.", "1 yr.". The caller
// adds " ago" as its sentence needs. A negative age (a clock set back) reads as "0 sec.".
QString relativeAge(qint64 seconds);
