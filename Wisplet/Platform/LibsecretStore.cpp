#include "Wisplet/Platform/LibsecretStore.h"

#include "Wisplet/Platform/GLibCall.h"

// GLib's D-Bus headers use "signals" as a field name, which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <libsecret/secret.h>
#pragma pop_macro("signals")

#include <optional>
#include <utility>

namespace {

using Status = SecretStore::Status;
using Change = SecretStore::Change;

struct TableUnref
{
    void operator()(GHashTable* table) const { g_hash_table_unref(table); }
};
struct ValueUnref
{
    void operator()(SecretValue* value) const { secret_value_unref(value); }
};
struct ItemListFree
{
    void operator()(GList* items) const { g_list_free_full(items, g_object_unref); }
};

using Attributes = std::unique_ptr<GHashTable, TableUnref>;
using Value = std::unique_ptr<SecretValue, ValueUnref>;
// An empty list is a null GList, so a failed search is told apart with std::optional.
using ItemList = std::unique_ptr<GList, ItemListFree>;

// Owns the GError a libsecret call may set, so that every return path frees it.
class Error final
{
public:
    Error() = default;
    ~Error()
    {
        if (m_error)
            g_error_free(m_error);
    }
    Q_DISABLE_COPY_MOVE(Error)

    GError** out() { return &m_error; }
    explicit operator bool() const { return m_error != nullptr; }

private:
    GError* m_error = nullptr;
};

const SecretSchema& schema()
{
    // The name is recorded on new items but, with DONT_MATCH_NAME, never required of the items we find.
    static const SecretSchema wispletSchema = [] {
        SecretSchema built{};
        built.name = "com.tidewell.wisplet.Secret";
        built.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        built.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        built.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return built;
    }();
    return wispletSchema;
}

Attributes attributes(const QString& service, const QString& account)
{
    // Attribute values are C strings: a NUL would cut the key short and address another item.
    if (service.contains(QChar::Null) || account.contains(QChar::Null))
        return {};
    const QByteArray serviceUtf8 = service.toUtf8();
    const QByteArray accountUtf8 = account.toUtf8();
    return Attributes(secret_attributes_build(&schema(), "service", serviceUtf8.constData(), "account",
                                              accountUtf8.constData(), nullptr));
}

Status failure(const GLibCall& call)
{
    return call.timedOut() ? Status::TimedOut : Status::Failed;
}

Change changeOf(const GLibCall& call, bool done)
{
    if (done)
        return Change::Done;
    return call.timedOut() ? Change::TimedOut : Change::Failed;
}

// The Secret Service with a session opened; null when it cannot be reached (no session bus, no Secret
// Service, no session) or the time is up.
QCoro::Task<GObjectPtr<SecretService>> connectService(GLibCall& call)
{
    // libsecret talks over GLib's shared session connection, which by default ends the whole process when
    // the bus goes away. Held until the service has taken its own reference, so it is the same connection.
    GObjectPtr<GAsyncResult> got = co_await call.step([&call](GAsyncReadyCallback done, gpointer data) {
        g_bus_get(G_BUS_TYPE_SESSION, call.cancellable(), done, data);
    });
    const GObjectPtr<GDBusConnection> bus(got ? g_bus_get_finish(got.get(), nullptr) : nullptr);
    if (!bus)
        co_return {};
    g_dbus_connection_set_exit_on_close(bus.get(), FALSE);
    got = co_await call.step([&call](GAsyncReadyCallback done, gpointer data) {
        secret_service_get(SECRET_SERVICE_OPEN_SESSION, call.cancellable(), done, data);
    });
    if (!got)
        co_return {};
    Error error;
    co_return GObjectPtr<SecretService>(secret_service_get_finish(got.get(), error.out()));
}

// Every item with our two attributes, in any collection, locked or not. Nothing is unlocked.
QCoro::Task<std::optional<ItemList>> search(GLibCall& call, SecretService* service, GHashTable* query, bool loadSecrets)
{
    const auto flags = SecretSearchFlags(SECRET_SEARCH_ALL | (loadSecrets ? SECRET_SEARCH_LOAD_SECRETS : 0));
    const GObjectPtr<GAsyncResult> got = co_await call.step([&](GAsyncReadyCallback done, gpointer data) {
        secret_service_search(service, &schema(), query, flags, call.cancellable(), done, data);
    });
    if (!got)
        co_return std::nullopt;
    Error error;
    ItemList items(secret_service_search_finish(service, got.get(), error.out()));
    if (error)
        co_return std::nullopt;
    co_return std::optional<ItemList>(std::move(items));
}

bool anyLocked(GList* items)
{
    for (GList* node = items; node; node = node->next) {
        if (secret_item_get_locked(static_cast<SecretItem*>(node->data)))
            return true;
    }
    return false;
}

enum class Use { read, write };

// What a call works on: the service, the query for the key and the items found with it.
struct Target
{
    GObjectPtr<SecretService> service;
    Attributes query;
    // None when the keyring could not be asked or the time is up.
    std::optional<ItemList> items;
};

// Our items for the account; secrets are loaded for a read. The items a write would change must not be locked,
// or a later lookup could still find the old secret once that collection is unlocked.
QCoro::Task<Target> findItems(GLibCall& call, QString serviceName, QString account, Use use)
{
    Target target{nullptr, attributes(serviceName, account), std::nullopt};
    if (!target.query)
        co_return target;
    target.service = co_await connectService(call);
    if (!target.service)
        co_return target;
    target.items = co_await search(call, target.service.get(), target.query.get(), use == Use::read);
    if (use == Use::write && target.items && anyLocked(target.items->get()))
        target.items.reset();
    co_return target;
}

QCoro::Task<bool> createItem(GLibCall& call, SecretService* service, GHashTable* query, QByteArray label,
                             SecretValue* value)
{
    GObjectPtr<GAsyncResult> got = co_await call.step([&](GAsyncReadyCallback done, gpointer data) {
        secret_collection_for_alias(service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, call.cancellable(),
                                    done, data);
    });
    if (!got)
        co_return false;
    Error error;
    const GObjectPtr<SecretCollection> collection(secret_collection_for_alias_finish(got.get(), error.out()));
    if (!collection || secret_collection_get_locked(collection.get()))
        co_return false;
    // Replace rather than add, in case another process created the item since our search.
    got = co_await call.step([&](GAsyncReadyCallback done, gpointer data) {
        secret_item_create(collection.get(), &schema(), query, label.constData(), value, SECRET_ITEM_CREATE_REPLACE,
                           call.cancellable(), done, data);
    });
    if (!got)
        co_return false;
    Error createError;
    const GObjectPtr<SecretItem> item(secret_item_create_finish(got.get(), createError.out()));
    co_return item && !createError;
}

QCoro::Task<bool> setSecret(GLibCall& call, SecretItem* item, SecretValue* value)
{
    const GObjectPtr<GAsyncResult> got = co_await call.step([&](GAsyncReadyCallback done, gpointer data) {
        secret_item_set_secret(item, value, call.cancellable(), done, data);
    });
    Error error;
    co_return got&& secret_item_set_secret_finish(item, got.get(), error.out());
}

QCoro::Task<bool> deleteItem(GLibCall& call, SecretItem* item)
{
    const GObjectPtr<GAsyncResult> got = co_await call.step(
        [&](GAsyncReadyCallback done, gpointer data) { secret_item_delete(item, call.cancellable(), done, data); });
    Error error;
    co_return got&& secret_item_delete_finish(item, got.get(), error.out());
}

} // namespace

LibsecretStore::LibsecretStore(QString service, std::chrono::milliseconds timeout)
    : m_service(std::move(service))
    , m_timeout(timeout)
{ }

// Nothing of the store is touched after the first wait: the calls may outlive it.
QCoro::Task<SecretStore::Lookup> LibsecretStore::lookup(QString account)
{
    GLibCall call(m_timeout);
    const Target target = co_await findItems(call, m_service, account, Use::read);
    if (!target.items)
        co_return Lookup{failure(call), {}};

    bool lockedMatch = false;
    for (GList* node = target.items->get(); node; node = node->next) {
        auto* item = static_cast<SecretItem*>(node->data);
        if (secret_item_get_locked(item)) {
            lockedMatch = true;
            continue;
        }
        const Value value(secret_item_get_secret(item));
        if (!value)
            co_return Lookup{};
        gsize length = 0;
        const gchar* data = secret_value_get(value.get(), &length);
        co_return Lookup{Status::Found, QByteArray(data, qsizetype(length))};
    }
    // A locked item may well hold the secret: that is no answer, not an absent one.
    co_return Lookup{lockedMatch ? Status::Failed : Status::Absent, {}};
}

QCoro::Task<SecretStore::Change> LibsecretStore::store(QString account, QByteArray secret)
{
    GLibCall call(m_timeout);
    const Target target = co_await findItems(call, m_service, account, Use::write);
    if (!target.items)
        co_return changeOf(call, false);

    const Value value(secret_value_new(secret.constData(), gssize(secret.size()), "text/plain"));
    if (!*target.items) {
        const QByteArray label = QStringLiteral("Wisplet: %1").arg(account).toUtf8();
        co_return changeOf(call,
                           co_await createItem(call, target.service.get(), target.query.get(), label, value.get()));
    }
    // Replace in place, keeping the item's label and collection; every copy, so none is left stale.
    for (GList* node = target.items->get(); node; node = node->next) {
        if (!co_await setSecret(call, static_cast<SecretItem*>(node->data), value.get()))
            co_return changeOf(call, false);
    }
    co_return Change::Done;
}

QCoro::Task<SecretStore::Change> LibsecretStore::remove(QString account)
{
    GLibCall call(m_timeout);
    const Target target = co_await findItems(call, m_service, account, Use::write);
    if (!target.items)
        co_return changeOf(call, false);
    for (GList* node = target.items->get(); node; node = node->next) {
        if (!co_await deleteItem(call, static_cast<SecretItem*>(node->data)))
            co_return changeOf(call, false);
    }
    co_return Change::Done;
}
