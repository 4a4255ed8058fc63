#include "Wisplet/Platform/CopyOrigin.h"

#include "Wisplet/Platform/FrontApplications.h"

QCoro::Task<CopyOrigin> CopyOrigin::take(Pasteboard& pasteboard, const FrontApplications& applications)
{
    CopyOrigin origin;
    origin.front = applications.frontAt(pasteboard.changeTime());
    origin.windows = applications.listedWindows();
    origin.maker = co_await pasteboard.maker();
    co_return origin;
}

QSet<QString> CopyOrigin::makerIds() const
{
    QSet<QString> ids;
    for (const QStringList& names : maker.processes) {
        for (const QString& name : names)
            ids.insert(name);
    }
    for (const WindowInfo& window : windows) {
        if (maker.processes.contains(window.pid))
            ids.unite(FrontApplications::idsOf(window));
    }
    return ids;
}

std::optional<WindowInfo> CopyOrigin::makerApplication() const
{
    if (maker.certainty != CopyMaker::Certainty::known || maker.pid <= 0)
        return std::nullopt;
    const auto found = std::find_if(windows.crbegin(), windows.crend(), [&](const WindowInfo& window) {
        return window.pid == maker.pid && !window.desktopElement;
    });
    if (found != windows.crend())
        return *found;
    const QStringList names = maker.processes.value(maker.pid);
    if (names.isEmpty())
        return std::nullopt;
    WindowInfo process;
    process.pid = maker.pid;
    process.appId = names.first();
    process.wmClass = names.first();
    return process;
}
