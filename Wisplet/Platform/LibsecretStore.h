#pragma once

#include "Wisplet/Platform/SecretStore.h"

#include <chrono>

// The keyring through the Secret Service (GNOME Keyring, KWallet), using libsecret's asynchronous calls on the
// GLib main loop Qt's event loop runs. Items carry the attributes `service` and `account`; the schema name is
// written but never matched, so items made by other tools with the same two attributes (`secret-tool store
// service … account …`) are ours too. New items go to the default collection.
//
// Each call ends within the time-out, whatever the keyring does: the call is cancelled then and reports
// TimedOut, and an answer that comes later is dropped. Nothing here unlocks or creates a collection: either
// would open a password dialog. A locked item or collection is a failure instead.
class LibsecretStore final : public SecretStore
{
public:
    static constexpr auto defaultService = "com.tidewell.wisplet";
    static constexpr std::chrono::milliseconds defaultTimeout{15'000};

    explicit LibsecretStore(QString service = QString::fromLatin1(defaultService),
                            std::chrono::milliseconds timeout = defaultTimeout);

    QCoro::Task<Lookup> lookup(QString account) override;
    QCoro::Task<Change> store(QString account, QByteArray secret) override;
    QCoro::Task<Change> remove(QString account) override;

private:
    QString m_service;
    std::chrono::milliseconds m_timeout;
};
