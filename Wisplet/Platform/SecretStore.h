#pragma once

#include <QByteArray>
#include <QString>

#include <QCoro/QCoroTask>

// The user's keyring: secrets addressed by an account key under the program's service name. Every call is
// asynchronous and ends by itself, answered or not: a keyring that never answers, or an unlock prompt the user
// leaves open, costs a time-out, never a blocked main thread. Main thread only.
class SecretStore
{
public:
    enum class Status {
        Found,
        Absent, // the keyring answered: there is no such item
        Failed, // the keyring could not be asked (no Secret Service, locked, refused)
        TimedOut, // the keyring did not answer in time
    };
    struct Lookup
    {
        Status status = Status::Failed;
        QByteArray secret;
    };
    // What became of a store or a remove. After a time-out the keyring may still carry it out.
    enum class Change { Done, Failed, TimedOut };

    virtual ~SecretStore() = default;

    virtual QCoro::Task<Lookup> lookup(QString account) = 0;
    // Adds the item or replaces its secret.
    virtual QCoro::Task<Change> store(QString account, QByteArray secret) = 0;
    // Done also when there was no such item.
    virtual QCoro::Task<Change> remove(QString account) = 0;
};

// Without a keyring nothing is kept: there is no plaintext fallback.
class NullSecretStore final : public SecretStore
{
public:
    QCoro::Task<Lookup> lookup(QString) override { co_return Lookup{}; }
    QCoro::Task<Change> store(QString, QByteArray) override { co_return Change::Failed; }
    QCoro::Task<Change> remove(QString) override { co_return Change::Failed; }
};
