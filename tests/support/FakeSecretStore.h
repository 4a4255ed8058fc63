#pragma once

#include "Wisplet/Platform/SecretStore.h"

#include <QHash>

#include <coroutine>
#include <deque>

// The keyring in memory. Answers at once, unless `holding` is set: then every call waits until the test
// answers it (`answerAll`), as a slow keyring or an open unlock prompt does, and is carried out when answered. With `failing` set, calls end with `failure` (Failed as a locked keyring does, TimedOut as a
// silent one) and nothing changes. Calls still waiting when the fake goes end as failures.
class FakeSecretStore final : public SecretStore
{
public:
    ~FakeSecretStore() override
    {
        failing = true;
        failure = Status::Failed;
        answerAll();
    }

    QCoro::Task<Lookup> lookup(QString account) override
    {
        ++lookups;
        Wait wait{*this};
        co_await wait;
        if (failing)
            co_return Lookup{failure, {}};
        const auto it = items.constFind(account);
        co_return it == items.cend() ? Lookup{Status::Absent, {}} : Lookup{Status::Found, *it};
    }

    QCoro::Task<Change> store(QString account, QByteArray secret) override
    {
        ++writes;
        Wait wait{*this};
        co_await wait;
        if (failing)
            co_return change();
        items.insert(account, secret);
        co_return Change::Done;
    }

    QCoro::Task<Change> remove(QString account) override
    {
        ++writes;
        Wait wait{*this};
        co_await wait;
        if (failing)
            co_return change();
        items.remove(account);
        co_return Change::Done;
    }

    // Answers the waiting calls, oldest first.
    void answerAll()
    {
        while (!waiting.empty()) {
            const std::coroutine_handle<> call = waiting.front();
            waiting.pop_front();
            call.resume();
        }
    }
    // Ends every waiting call as the keyring would: Found answers, Failed refuses, TimedOut never answers.
    void answerAll(Status keyring)
    {
        failing = keyring != Status::Found;
        failure = keyring;
        answerAll();
    }

    QHash<QString, QByteArray> items;
    bool failing = false;
    Status failure = Status::Failed;
    bool holding = false;
    std::deque<std::coroutine_handle<>> waiting;
    int lookups = 0;
    int writes = 0;

private:
    struct Wait
    {
        FakeSecretStore& store;
        bool await_ready() const noexcept { return !store.holding; }
        void await_suspend(std::coroutine_handle<> call) { store.waiting.push_back(call); }
        void await_resume() const noexcept { }
    };

    Change change() const { return failure == Status::TimedOut ? Change::TimedOut : Change::Failed; }
};
