#pragma once

class QDir;

// The weather page in its states over a canned store: without a key, the city picker with places, and
// the forecast with the next hours and with the week.
bool weatherShots(const QDir& folder);
