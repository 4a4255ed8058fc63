#pragma once

class QDir;

// The business page with no service on, and with cards showing figures, an error and a first fetch.
bool businessShots(const QDir& folder);
