#include "Wisplet/Base/Keychain.h"

#include "Wisplet/Platform/Platform.h"

#include <QPointer>
#include <QStringDecoder>
#include <QStringEncoder>

#include <coroutine>
#include <deque>
#include <optional>

namespace {

// Strict both ways: a broken sequence (even a truncated one at the end) is an error rather than a
// replacement character, and a leading byte-order mark is part of the secret, not a marker to drop.
std::optional<QString> decodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// A QString may hold unpaired surrogates, which have no UTF-8 form; storing a replacement character
// instead would silently change the secret.
std::optional<QByteArray> encodeUtf8(const QString& text)
{
    QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

Keychain::WriteResult resultOf(SecretStore::Change change)
{
    switch (change) {
    case SecretStore::Change::Done:
        return Keychain::WriteResult::Saved;
    case SecretStore::Change::TimedOut:
        return Keychain::WriteResult::TimedOut;
    case SecretStore::Change::Failed:
        break;
    }
    return Keychain::WriteResult::Failed;
}

} // namespace

// The calls on one key that wait for a write under way, in the order they were made. Shared with the calls
// themselves, so a lane outlives the keychain while any of them runs.
struct Keychain::Lane
{
    struct Waiter
    {
        std::coroutine_handle<> call;
        bool write;
    };

    bool writing = false;
    std::deque<Waiter> waiting;
};

// A call's place in its key's lane. Reads and writes wait for a write under way; a write does not wait for
// reads, which the keyring answers in the order they came anyway. A write's end starts what waited for it: the
// reads up to the next write, and that write.
class Keychain::Turn final
{
public:
    Turn(std::shared_ptr<Lane> lane, bool write)
        : m_lane(std::move(lane))
        , m_write(write)
    { }
    ~Turn()
    {
        if (!m_write)
            return;
        m_lane->writing = false;
        while (!m_lane->writing && !m_lane->waiting.empty()) {
            const Lane::Waiter next = m_lane->waiting.front();
            m_lane->waiting.pop_front();
            m_lane->writing = next.write;
            next.call.resume();
        }
    }
    Q_DISABLE_COPY_MOVE(Turn)

    // What to co_await for the turn; copied by GCC 12, so it only points at the turn.
    struct Wait
    {
        Turn* turn;
        bool await_ready() const noexcept
        {
            // Also behind calls still waiting, which the end of a write may be starting right now.
            Lane& lane = *turn->m_lane;
            if (lane.writing || !lane.waiting.empty())
                return false;
            lane.writing = turn->m_write;
            return true;
        }
        void await_suspend(std::coroutine_handle<> call) const
        {
            turn->m_lane->waiting.push_back({call, turn->m_write});
        }
        void await_resume() const noexcept { }
    };
    Wait wait() { return {this}; }

    // A write made after this one is next in line, so what this one would write is out of date already.
    bool overtaken() const { return !m_lane->waiting.empty() && m_lane->waiting.front().write; }

private:
    std::shared_ptr<Lane> m_lane;
    bool m_write;
};

Keychain::Keychain(SecretStore& store, QObject* parent)
    : QObject(parent)
    , m_store(store)
{ }

Keychain::~Keychain() = default;

Keychain& Keychain::shared()
{
    static auto* keychain = new Keychain(Platform::secrets());
    return *keychain;
}

std::shared_ptr<Keychain::Lane> Keychain::laneFor(const QString& key)
{
    std::shared_ptr<Lane>& lane = m_lanes[key];
    if (!lane)
        lane = std::make_shared<Lane>();
    return lane;
}

QCoro::Task<Keychain::ReadResult> Keychain::read(QString key)
{
    const QPointer<Keychain> self(this);
    Turn turn(laneFor(key), false);
    const Turn::Wait wait = turn.wait();
    co_await wait;
    if (!self)
        co_return ReadResult{};
    const SecretStore::Lookup lookup = co_await self->m_store.lookup(key);
    if (lookup.status != Status::Found)
        co_return ReadResult{lookup.status, {}};
    std::optional<QString> text = decodeUtf8(lookup.secret);
    if (!text)
        co_return ReadResult{};
    co_return ReadResult{Status::Found, std::move(*text)};
}

QCoro::Task<Keychain::WriteResult> Keychain::write(QString value, QString key)
{
    const QPointer<Keychain> self(this);
    Turn turn(laneFor(key), true);
    const Turn::Wait wait = turn.wait();
    co_await wait;
    if (turn.overtaken())
        co_return WriteResult::Replaced;
    if (!self)
        co_return WriteResult::Failed;
    if (value.isEmpty())
        co_return resultOf(co_await self->m_store.remove(key));
    const std::optional<QByteArray> bytes = encodeUtf8(value);
    if (!bytes)
        co_return WriteResult::Failed;
    co_return resultOf(co_await self->m_store.store(key, *bytes));
}
