#pragma once

#include <QString>

#include <optional>

// Whether the program starts when the user logs in.
class LoginItem
{
public:
    virtual ~LoginItem() = default;

    virtual bool isEnabled() const = 0;
    // None on success, else a short description of what failed.
    virtual std::optional<QString> setEnabled(bool enabled) = 0;
};

class NullLoginItem final : public LoginItem
{
public:
    bool isEnabled() const override { return false; }
    std::optional<QString> setEnabled(bool) override { return QStringLiteral("Starting at login is not available."); }
};
