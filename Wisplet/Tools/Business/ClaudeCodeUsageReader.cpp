#include "Wisplet/Tools/Business/ClaudeCodeUsageReader.h"

#include "Wisplet/Platform/Clock.h"
#include "Wisplet/Tools/Business/ConnectorSupport.h"
#include "Wisplet/Tools/Business/IntegrationFormat.h"
#include "Wisplet/Tools/Business/IntegrationJSON.h"

#include <QCoro/QCoroFuture>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QtConcurrent/QtConcurrentRun>

#include <array>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Counters = std::array<qint64, 4>; // input, output, cache creation, cache read

const std::array<QString, 4> counterKeys{
    QStringLiteral("input_tokens"),
    QStringLiteral("output_tokens"),
    QStringLiteral("cache_creation_input_tokens"),
    QStringLiteral("cache_read_input_tokens"),
};

qint64 saturatingAdd(qint64 a, qint64 b)
{
    qint64 sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    return sum;
}

// Internet date-time with or without fractional seconds; an offset or "Z" is required.
std::optional<QDateTime> timestamp(const QJsonObject& line)
{
    const std::optional<QString> text = IntegrationJSON::string(QStringLiteral("timestamp"), line);
    if (!text)
        return std::nullopt;
    const QDateTime instant = QDateTime::fromString(*text, Qt::ISODateWithMs);
    if (!instant.isValid() || instant.timeSpec() == Qt::LocalTime)
        return std::nullopt;
    return instant;
}

// The message's id, else the line's uuid, else a hash of the line (stable within one scan).
QString messageKey(const QJsonObject& line, const QJsonObject& message, const QByteArray& raw)
{
    if (const std::optional<QString> id = IntegrationJSON::string(QStringLiteral("id"), message))
        return *id;
    if (const std::optional<QString> uuid = IntegrationJSON::string(QStringLiteral("uuid"), line))
        return *uuid;
    return QString::number(qHash(raw));
}

// One log file, read a line at a time. Opened as every file from outside is: without blocking and not
// through a link, then kept only when it is a regular file of a sensible size, so a FIFO or a device put in
// a log's place is passed over.
class LogLines final
{
public:
    explicit LogLines(const QString& path)
    {
        const int fd =
            ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
        if (fd < 0)
            return;
        struct stat info = {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > ClaudeCodeUsageReader::maxFileBytes
            || !m_file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            ::close(fd);
    }

    // The next line of at most maxLineBytes (its line break kept); a longer one is read past in pieces and
    // never held whole. Nothing at the end, or when the file was not one to read.
    std::optional<QByteArray> next()
    {
        constexpr qint64 limit = ClaudeCodeUsageReader::maxLineBytes;
        while (m_file.isOpen() && m_read <= ClaudeCodeUsageReader::maxFileBytes) {
            QByteArray line = m_file.readLine(limit + 1);
            m_read += line.size();
            if (line.isEmpty())
                return std::nullopt;
            if (line.endsWith('\n') || line.size() <= limit)
                return line;
            while (!line.isEmpty() && !line.endsWith('\n')) {
                line = m_file.readLine(skipPiece);
                m_read += line.size();
            }
        }
        return std::nullopt;
    }

private:
    static constexpr qint64 skipPiece = 64 * 1024;

    QFile m_file;
    // Bounds the work when the file grows while it is read.
    qint64 m_read = 0;
};

class Scan final
{
public:
    explicit Scan(QDateTime dayStart)
        : m_dayStart(std::move(dayStart))
    { }

    // Lines are read one at a time and filtered on their bytes before any parsing: a day's logs can be large.
    void readFile(const QString& path, const CancelToken& cancel)
    {
        LogLines lines(path);
        bool counted = false;
        while (const std::optional<QByteArray> raw = lines.next()) {
            if (cancel.isCancelled())
                return;
            if (raw->contains("\"assistant\"") && raw->contains("\"usage\""))
                counted = readLine(raw->trimmed()) || counted;
        }
        if (counted)
            ++m_usage.sessions;
    }

    const ClaudeCodeUsageReader::Usage& usage() const { return m_usage; }

private:
    bool readLine(const QByteArray& raw)
    {
        const QJsonDocument document = QJsonDocument::fromJson(raw);
        const QJsonObject line = document.object();
        if (!document.isObject() || IntegrationJSON::string(QStringLiteral("type"), line) != u"assistant")
            return false;
        const std::optional<QDateTime> at = timestamp(line);
        const std::optional<QJsonObject> message = IntegrationJSON::object(QStringLiteral("message"), line);
        const std::optional<QJsonObject> usage =
            message ? IntegrationJSON::object(QStringLiteral("usage"), *message) : std::nullopt;
        if (!at || *at < m_dayStart || !usage)
            return false;

        const QString key = messageKey(line, *message, raw);
        const auto known = m_seen.constFind(key);
        if (known == m_seen.cend())
            ++m_usage.messages;
        const Counters previous = known == m_seen.cend() ? Counters{} : *known;
        Counters current{};
        const std::array<qint64*, 4> totals{&m_usage.input, &m_usage.output, &m_usage.cacheCreation,
                                            &m_usage.cacheRead};
        for (size_t i = 0; i < current.size(); ++i) {
            current[i] = std::max(IntegrationJSON::integer(counterKeys[i], *usage).value_or(0), previous[i]);
            *totals[i] = saturatingAdd(*totals[i], current[i] - previous[i]);
        }
        m_seen.insert(key, current);
        return true;
    }

    QDateTime m_dayStart;
    QHash<QString, Counters> m_seen;
    ClaudeCodeUsageReader::Usage m_usage;
};

} // namespace

ClaudeCodeUsageReader::ClaudeCodeUsageReader(QString root, const Clock& clock, QTimeZone zone)
    : m_root(std::move(root))
    , m_clock(clock)
    , m_zone(std::move(zone))
{ }

QString ClaudeCodeUsageReader::defaultRoot()
{
    return QDir::homePath() + QStringLiteral("/.claude/projects");
}

QCoro::Task<SnapshotResult> ClaudeCodeUsageReader::fetch(IntegrationKind, Credentials, CancelToken cancel)
{
    const QDateTime dayStart = ConnectorSupport::startOfDay(m_clock.now(), m_zone);
    QFuture<IntegrationResult<Usage>> future =
        QtConcurrent::run(&ClaudeCodeUsageReader::scan, m_root, dayStart, cancel);
    const IntegrationResult<Usage> usage = co_await future;
    if (!usage.ok())
        co_return usage.error();
    IntegrationSnapshot snapshot;
    snapshot.metrics = metrics(usage.value());
    snapshot.fetchedAt = m_clock.now();
    co_return snapshot;
}

IntegrationResult<ClaudeCodeUsageReader::Usage>
ClaudeCodeUsageReader::scan(const QString& root, const QDateTime& dayStart, const CancelToken& cancel)
{
    const QFileInfo folder(root);
    // No folder yet is no usage yet; a folder that is there but cannot be listed is a fault to show.
    if (!folder.exists() && !folder.isSymLink())
        return Usage{};
    if (!folder.isDir() || !QDir(root).isReadable())
        return IntegrationError::parse(QStringLiteral("~/.claude/projects (is Claude Code installed?)"));

    Scan scan(dayStart);
    QDirIterator files(root, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QFileInfo file = files.nextFileInfo();
        if (file.suffix() != u"jsonl")
            continue;
        if (cancel.isCancelled())
            return IntegrationError::cancelled();
        const QDateTime modified = file.lastModified();
        if (modified.isValid() && modified >= dayStart)
            scan.readFile(file.filePath(), cancel);
    }
    if (cancel.isCancelled())
        return IntegrationError::cancelled();
    return scan.usage();
}

QList<Metric> ClaudeCodeUsageReader::metrics(const Usage& usage)
{
    return {
        {QStringLiteral("Sessions today"), QString::number(usage.sessions)},
        {QStringLiteral("Messages"), formatInteger(usage.messages)},
        {QStringLiteral("Output tokens"), formatTokenCount(usage.output)},
        {QStringLiteral("Input + cache"),
         formatTokenCount(saturatingAdd(saturatingAdd(usage.input, usage.cacheRead), usage.cacheCreation))},
        {QStringLiteral("Billing"), QStringLiteral("See provider; token counts only")},
    };
}

QString formatTokenCount(qint64 count)
{
    if (count < 1'000)
        return QString::number(count);
    if (count < 1'000'000)
        return QString::asprintf("%.0fk", double(count) / 1'000);
    return QString::asprintf("%.1fM", double(count) / 1'000'000);
}
