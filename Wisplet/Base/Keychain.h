#pragma once

#include "Wisplet/Platform/SecretStore.h"

#include <QString>

#include <optional>

// The user's secrets (service keys and tokens) as UTF-8 text in the keyring, one item per key.
// Callers keep what they read in memory, so the keyring is asked rarely.
class Keychain final
{
public:
    using Status = SecretStore::Status;

    struct ReadResult
    {
        // Stored bytes that are not valid UTF-8 count as Failed: the item is there, just unreadable.
        Status status = Status::Failed;
        QString value;
    };

    explicit Keychain(SecretStore& store);

    // Over Platform::secrets(), created on first use and never destroyed.
    static Keychain& shared();

    // The secret, or none when it is absent or could not be read.
    std::optional<QString> read(const QString& key) const;
    // For callers that write back what they read: a failed read must never pass for an absent secret.
    ReadResult readChecked(const QString& key) const;
    // Adds or replaces the secret; an empty value removes it (true also when there was none).
    // True on success.
    bool write(const QString& value, const QString& key);

private:
    SecretStore& m_store;
};
