#include "Wisplet/Platform/LibsecretStore.h"

// GLib's D-Bus headers use "signals" as a field name, which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <libsecret/secret.h>
#pragma pop_macro("signals")

#include <memory>
#include <optional>
#include <utility>

namespace {

struct ObjectUnref
{
    void operator()(gpointer object) const { g_object_unref(object); }
};
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

template <typename T>
using ObjectPtr = std::unique_ptr<T, ObjectUnref>;
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

ObjectPtr<SecretService> connectService()
{
    // libsecret talks over GLib's shared session connection, which by default ends the whole process when
    // the bus goes away. Held until the service has taken its own reference, so it is the same connection.
    const ObjectPtr<GDBusConnection> bus(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
    if (bus)
        g_dbus_connection_set_exit_on_close(bus.get(), FALSE);
    Error error;
    return ObjectPtr<SecretService>(secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, error.out()));
}

// Every item with our two attributes, in any collection, locked or not. Nothing is unlocked.
std::optional<ItemList> search(SecretService* service, GHashTable* attributes, bool loadSecrets)
{
    const auto flags = SecretSearchFlags(SECRET_SEARCH_ALL | (loadSecrets ? SECRET_SEARCH_LOAD_SECRETS : 0));
    Error error;
    ItemList items(secret_service_search_sync(service, &schema(), attributes, flags, nullptr, error.out()));
    if (error)
        return std::nullopt;
    return items;
}

// What every call starts with: the query for the key and the service, which is null when it cannot be
// reached (no session bus, no Secret Service, no session opened).
struct Request
{
    Attributes query;
    ObjectPtr<SecretService> service;
};

Request prepare(const QString& serviceName, const QString& account)
{
    Request opened{attributes(serviceName, account), nullptr};
    if (opened.query)
        opened.service = connectService();
    return opened;
}

bool anyLocked(GList* items)
{
    for (GList* node = items; node; node = node->next) {
        if (secret_item_get_locked(static_cast<SecretItem*>(node->data)))
            return true;
    }
    return false;
}

// The items that will receive a new secret or be deleted: none may be locked, or a later lookup could
// still find the old secret once that collection is unlocked.
std::optional<ItemList> writableItems(SecretService* service, GHashTable* attributes)
{
    std::optional<ItemList> items = search(service, attributes, false);
    if (!items || anyLocked(items->get()))
        return std::nullopt;
    return items;
}

bool createItem(SecretService* service, GHashTable* attributes, const QString& label, SecretValue* value)
{
    Error error;
    ObjectPtr<SecretCollection> collection(secret_collection_for_alias_sync(
        service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, nullptr, error.out()));
    if (!collection || secret_collection_get_locked(collection.get()))
        return false;
    // Replace rather than add, in case another process created the item since our search.
    ObjectPtr<SecretItem> item(secret_item_create_sync(collection.get(), &schema(), attributes,
                                                       label.toUtf8().constData(), value, SECRET_ITEM_CREATE_REPLACE,
                                                       nullptr, error.out()));
    return item && !error;
}

} // namespace

LibsecretStore::LibsecretStore(QString service)
    : m_service(std::move(service))
{ }

SecretStore::Lookup LibsecretStore::lookup(const QString& account)
{
    const Request request = prepare(m_service, account);
    if (!request.service)
        return {};
    const std::optional<ItemList> items = search(request.service.get(), request.query.get(), true);
    if (!items)
        return {};

    bool lockedMatch = false;
    for (GList* node = items->get(); node; node = node->next) {
        auto* item = static_cast<SecretItem*>(node->data);
        if (secret_item_get_locked(item)) {
            lockedMatch = true;
            continue;
        }
        const Value value(secret_item_get_secret(item));
        if (!value)
            return {};
        gsize length = 0;
        const gchar* data = secret_value_get(value.get(), &length);
        return {Status::Found, QByteArray(data, qsizetype(length))};
    }
    // A locked item may well hold the secret: that is no answer, not an absent one.
    return {lockedMatch ? Status::Failed : Status::Absent, {}};
}

bool LibsecretStore::store(const QString& account, const QByteArray& secret)
{
    const Request request = prepare(m_service, account);
    if (!request.service)
        return false;
    const std::optional<ItemList> items = writableItems(request.service.get(), request.query.get());
    if (!items)
        return false;

    const Value value(secret_value_new(secret.constData(), gssize(secret.size()), "text/plain"));
    if (!*items)
        return createItem(request.service.get(), request.query.get(), QStringLiteral("Wisplet: %1").arg(account),
                          value.get());

    // Replace in place, keeping the item's label and collection; every copy, so none is left stale.
    for (GList* node = items->get(); node; node = node->next) {
        Error error;
        if (!secret_item_set_secret_sync(static_cast<SecretItem*>(node->data), value.get(), nullptr, error.out()))
            return false;
    }
    return true;
}

bool LibsecretStore::remove(const QString& account)
{
    const Request request = prepare(m_service, account);
    if (!request.service)
        return false;
    const std::optional<ItemList> items = writableItems(request.service.get(), request.query.get());
    if (!items)
        return false;

    for (GList* node = items->get(); node; node = node->next) {
        Error error;
        if (!secret_item_delete_sync(static_cast<SecretItem*>(node->data), nullptr, error.out()))
            return false;
    }
    return true;
}
