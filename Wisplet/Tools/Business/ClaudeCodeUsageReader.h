#pragma once

#include "Wisplet/Tools/Business/IntegrationConnector.h"

#include <QTimeZone>

class Clock;

// Today's token usage from the coding assistant's local session logs. No network and no key; the folder
// walk runs on a worker thread and stops at the next file once cancelled.
class ClaudeCodeUsageReader final : public IntegrationConnector
{
    Q_DISABLE_COPY_MOVE(ClaudeCodeUsageReader)

public:
    struct Usage
    {
        qint64 sessions = 0;
        qint64 messages = 0;
        qint64 input = 0;
        qint64 output = 0;
        qint64 cacheCreation = 0;
        qint64 cacheRead = 0;

        friend bool operator==(const Usage&, const Usage&) = default;
    };

    // A longer line is skipped without being held; it is no turn of a session log.
    static constexpr qint64 maxLineBytes = 8 * 1024 * 1024;
    // A larger file is passed over, not read.
    static constexpr qint64 maxFileBytes = qint64(512) * 1024 * 1024;

    // root: the log folder (~/.claude/projects for the program).
    ClaudeCodeUsageReader(QString root, const Clock& clock, QTimeZone zone = QTimeZone::systemTimeZone());

    static QString defaultRoot();

    QCoro::Task<SnapshotResult> fetch(IntegrationKind kind, Credentials credentials, CancelToken cancel) override;

    // Sums the assistant turns logged since dayStart, each message once at its largest counts. Blocking.
    static IntegrationResult<Usage> scan(const QString& root, const QDateTime& dayStart, const CancelToken& cancel);
    static QList<Metric> metrics(const Usage& usage);

private:
    QString m_root;
    const Clock& m_clock;
    QTimeZone m_zone;
};

// "999", "12k", "2.3M".
QString formatTokenCount(qint64 count);
