#pragma once

#include "Wisplet/Base/ToolService.h"

#include <QStringList>

#include <functional>

// Records what the service coordinator asks of one tool, as "<name> start|stop|save|quit" in a log that
// several services may share.
class RecordingService final : public ToolService
{
public:
    RecordingService(QString name, QStringList& log)
        : m_name(std::move(name))
        , m_log(log)
    { }

    void start() override
    {
        m_log << m_name + QStringLiteral(" start");
        if (onStart)
            onStart();
    }
    void stop() override { m_log << m_name + QStringLiteral(" stop"); }
    void prepareForQuit() override { m_log << m_name + QStringLiteral(" save"); }
    void stopForQuit(QDeadlineTimer) override { m_log << m_name + QStringLiteral(" quit"); }

    // Runs inside start(), for tests of what a starting service may do.
    std::function<void()> onStart;

private:
    QString m_name;
    QStringList& m_log;
};
