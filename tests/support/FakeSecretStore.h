#pragma once

#include "Wisplet/Platform/SecretStore.h"

#include <QHash>

// The keyring in memory. With `failing` set, every call fails as a locked or absent keyring does, and
// nothing changes.
class FakeSecretStore final : public SecretStore
{
public:
    Lookup lookup(const QString& account) override
    {
        ++lookups;
        if (failing)
            return {};
        const auto it = items.constFind(account);
        return it == items.cend() ? Lookup{Status::Absent, {}} : Lookup{Status::Found, *it};
    }

    bool store(const QString& account, const QByteArray& secret) override
    {
        if (!failing)
            items.insert(account, secret);
        return !failing;
    }

    bool remove(const QString& account) override
    {
        if (!failing)
            items.remove(account);
        return !failing;
    }

    QHash<QString, QByteArray> items;
    bool failing = false;
    int lookups = 0;
};
