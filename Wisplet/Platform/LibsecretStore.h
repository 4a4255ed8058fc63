#pragma once

#include "Wisplet/Platform/SecretStore.h"

// The keyring through the Secret Service (GNOME Keyring, KWallet), using libsecret's synchronous calls.
// Items carry the attributes `service` and `account`; the schema name is written but never matched, so
// items made by other tools with the same two attributes (`secret-tool store service … account …`) are
// ours too. New items go to the default collection.
//
// Nothing here unlocks or creates a collection: either would open a password dialog and block the
// calling thread until the user answers it. A locked item or collection is a failure instead.
class LibsecretStore final : public SecretStore
{
public:
    static constexpr auto defaultService = "com.tidewell.wisplet";

    explicit LibsecretStore(QString service = QString::fromLatin1(defaultService));

    Lookup lookup(const QString& account) override;
    bool store(const QString& account, const QByteArray& secret) override;
    bool remove(const QString& account) override;

private:
    QString m_service;
};
