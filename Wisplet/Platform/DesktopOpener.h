#pragma once

#include <QObject>

#include <chrono>
#include <functional>

class QUrl;
class Scheduler;

// Opens an address as the desktop does, with xdg-open, and hears whether that failed without ever waiting on
// it. xdg-open may stay as long as the browser it started runs, so it is watched only for a short while; then
// it is left running, never killed, and reaped whenever it ends. Its error output goes to a small file in
// memory that cannot grow, so neither it nor a browser that inherits it is stopped by a full pipe or keeps
// more than that.
class DesktopOpener final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DesktopOpener)

public:
    // Why the opener failed, for a user, and the first line of its error output (empty when it wrote none).
    using Failed = std::function<void(const QString& why, const QString& errorLine)>;

    static constexpr std::chrono::milliseconds watchTime{5000};
    static constexpr qsizetype errorBytes = 4096;

    explicit DesktopOpener(Scheduler& scheduler, QString program = QStringLiteral("xdg-open"),
                           QObject* parent = nullptr);
    // Over the program's scheduler; never destroyed, so quitting kills no opener still running.
    static DesktopOpener& shared();

    // Hands an absolute address to the opener as its one argument, encoded (so starting with the scheme's
    // letter, never read as an option). `failed` is called at most once, perhaps at once: when the opener
    // cannot start, or ends with a failure while it is watched.
    void open(const QUrl& url, Failed failed);

private:
    Scheduler& m_scheduler;
    QString m_program;
};
