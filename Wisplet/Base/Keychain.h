#pragma once

#include "Wisplet/Platform/SecretStore.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <memory>

// The user's secrets (service keys and tokens) as UTF-8 text in the keyring, one item per key. Every call is
// asynchronous and ends by itself within the keyring's time-out. The writes of one key go one at a time in the
// order they were made, and a read waits for the writes made before it, so it sees them; a write still waiting
// when a newer one for the same key comes is dropped, so the last value wins. Callers keep what they read in
// memory, so the keyring is asked rarely. Main thread only.
class Keychain final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Keychain)

public:
    using Status = SecretStore::Status;

    struct ReadResult
    {
        // Stored bytes that are not valid UTF-8 count as Failed: the item is there, just unreadable.
        Status status = Status::Failed;
        QString value;

        // The keyring answered: the value is the secret, empty when there is none.
        bool answered() const { return status == Status::Found || status == Status::Absent; }
    };

    enum class WriteResult {
        Saved,
        // A newer value for the key came before this one's turn; this one was never written.
        Replaced,
        Failed,
        // The keyring did not answer in time; it may still have taken the value.
        TimedOut,
    };

    explicit Keychain(SecretStore& store, QObject* parent = nullptr);
    ~Keychain() override;

    // Over Platform::secrets(), created on first use and never destroyed.
    static Keychain& shared();

    QCoro::Task<ReadResult> read(QString key);
    // Adds or replaces the secret; an empty value removes it (Saved also when there was none).
    QCoro::Task<WriteResult> write(QString value, QString key);

private:
    struct Lane;
    class Turn;

    std::shared_ptr<Lane> laneFor(const QString& key);

    SecretStore& m_store;
    QHash<QString, std::shared_ptr<Lane>> m_lanes;
};
