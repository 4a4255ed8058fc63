#pragma once

#include "Wisplet/Platform/LoginItem.h"

// Launch at login as an XDG autostart entry. The entry is enabled while its file exists and does not
// say Hidden=true; turning it off removes the file.
class XdgAutostart final : public LoginItem
{
public:
    XdgAutostart(QString entryPath, QString executablePath);

    // $XDG_CONFIG_HOME/autostart/com.tidewell.wisplet.desktop
    static QString standardEntryPath();

    bool isEnabled() const override;
    std::optional<QString> setEnabled(bool enabled) override;

    // The Exec line's command, quoted as the desktop-entry format asks.
    static QString execValue(const QString& executablePath);

private:
    QString m_entryPath;
    QString m_executablePath;
};
