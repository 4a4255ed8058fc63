#pragma once

#include "Wisplet/Base/ToolService.h"

#include <QStringList>

#include <functional>

// Records what the coordinator asks of one tool, in one shared log.
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
    void stopForQuit() override { m_log << m_name + QStringLiteral(" quit"); }

    std::function<void()> onStart;

private:
    QString m_name;
    QStringList& m_log;
};
