#pragma once

struct UpdateCheckResult;
class QWidget;

// Reports a finished update check in a message box of its own (not modal to anything, deleted when closed);
// for a newer version it offers to open the download page in the browser.
void showUpdateResult(const UpdateCheckResult& result, QWidget* parent = nullptr);
