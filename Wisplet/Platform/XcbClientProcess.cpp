#include "Wisplet/Platform/XcbClientProcess.h"

#include <xcb/res.h>

#include <cstdlib>
#include <memory>

namespace XcbClientProcess {

namespace {

struct FreeReply
{
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

// The process ids the server recorded for the clients that match `clients`; none when it cannot say.
std::optional<QList<qint64>> processesOf(xcb_connection_t* connection, xcb_res_client_id_spec_t clients)
{
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_res_id);
    if (!extension || !extension->present)
        return std::nullopt;
    // Client ids came with version 1.2; both requests go out before either answer is awaited.
    const xcb_res_query_version_cookie_t versionCookie = xcb_res_query_version(connection, 1, 2);
    const xcb_res_query_client_ids_cookie_t idsCookie = xcb_res_query_client_ids(connection, 1, &clients);
    // Errors are taken here, so that none reaches the application's handler as an event.
    xcb_generic_error_t* versionError = nullptr;
    xcb_generic_error_t* idsError = nullptr;
    const Reply<xcb_res_query_version_reply_t> version(
        xcb_res_query_version_reply(connection, versionCookie, &versionError));
    const Reply<xcb_res_query_client_ids_reply_t> ids(xcb_res_query_client_ids_reply(connection, idsCookie, &idsError));
    std::free(versionError);
    std::free(idsError);
    if (!version || (version->server_major == 1 && version->server_minor < 2) || !ids)
        return std::nullopt;
    QList<qint64> pids;
    for (auto it = xcb_res_query_client_ids_ids_iterator(ids.get()); it.rem > 0; xcb_res_client_id_value_next(&it)) {
        if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) == 0
            || xcb_res_client_id_value_value_length(it.data) < 1)
            continue;
        const quint32 pid = *xcb_res_client_id_value_value(it.data);
        if (pid != 0)
            pids.append(qint64(pid));
    }
    return pids;
}

} // namespace

std::optional<qint64> ofWindow(xcb_connection_t* connection, quint32 window)
{
    // A resource's id names the client that made it.
    const std::optional<QList<qint64>> pids =
        processesOf(connection, {window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID});
    return pids && !pids->isEmpty() ? std::optional(pids->first()) : std::nullopt;
}

std::optional<QHash<qint64, int>> connectionsByProcess(xcb_connection_t* connection)
{
    // No client named: every client.
    const std::optional<QList<qint64>> pids = processesOf(connection, {0, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID});
    if (!pids)
        return std::nullopt;
    QHash<qint64, int> counts;
    for (const qint64 pid : *pids)
        ++counts[pid];
    return counts;
}

} // namespace XcbClientProcess
