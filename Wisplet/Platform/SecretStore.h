#pragma once

#include <QByteArray>
#include <QString>

// The user's keyring: secrets addressed by an account key under the program's service name.
class SecretStore
{
public:
    enum class Status {
        Found,
        Absent, // the keyring answered: there is no such item
        Failed, // the keyring could not be asked (no Secret Service, locked, refused)
    };
    struct Lookup
    {
        Status status = Status::Failed;
        QByteArray secret;
    };

    virtual ~SecretStore() = default;

    virtual Lookup lookup(const QString& account) = 0;
    // Adds the item or replaces its secret.
    virtual bool store(const QString& account, const QByteArray& secret) = 0;
    // True also when there was no such item.
    virtual bool remove(const QString& account) = 0;
};

// Without a keyring nothing is kept: there is no plaintext fallback.
class NullSecretStore final : public SecretStore
{
public:
    Lookup lookup(const QString&) override { return {}; }
    bool store(const QString&, const QByteArray&) override { return false; }
    bool remove(const QString&) override { return false; }
};
