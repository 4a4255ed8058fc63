#include "Wisplet/Tools/Business/ClaudeCodeUsageReader.h"
#include "Wisplet/Tools/Business/GitHubConnector.h"
#include "tests/support/ConnectorFixture.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"

#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

using Usage = ClaudeCodeUsageReader::Usage;

const QTimeZone auckland("Pacific/Auckland");
// 09:00 on 17 March in Auckland.
const QDateTime now(QDate(2026, 3, 16), QTime(20, 0), Qt::UTC);
const QDateTime dayStart(QDate(2026, 3, 17), QTime(0, 0), auckland);

QByteArray notifications(int count)
{
    QJsonArray items;
    for (int i = 0; i < count; ++i)
        items.append(QJsonObject{{"id", QString::number(i)}});
    return QJsonDocument(items).toJson(QJsonDocument::Compact);
}

struct GitHubCase
{
    Credentials credentials;
    HttpResponse notifications;
    QList<HttpResponse> searches; // mine, then reviews
    QStringList values;
};

struct Turn
{
    QString id;
    qint64 output = 0;
    QString at = {}; // empty: this morning
    qint64 input = 0;
    qint64 cacheRead = 0;
    QString uuid = {};
};

QByteArray line(const Turn& turn)
{
    QJsonObject message{{"role", "assistant"},
                        {"usage",
                         QJsonObject{{"input_tokens", turn.input},
                                     {"output_tokens", turn.output},
                                     {"cache_read_input_tokens", turn.cacheRead}}}};
    if (!turn.id.isEmpty())
        message.insert("id", turn.id);
    const QString at = turn.at.isEmpty() ? QStringLiteral("2026-03-17T08:00:00.250+13:00") : turn.at;
    QJsonObject json{{"type", "assistant"}, {"timestamp", at}, {"message", message}};
    if (!turn.uuid.isEmpty())
        json.insert("uuid", turn.uuid);
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

// The turn's line grown to exactly `size` bytes by a field of its own.
QByteArray padded(const Turn& turn, qint64 size)
{
    const QByteArray text = line(turn);
    return R"({"pad":")" + QByteArray(size - text.size() - 9, 'x') + R"(",)" + text.mid(1);
}

struct LogFile
{
    QString path;
    QList<QByteArray> lines;
    bool today = true;
};

struct LogCase
{
    QList<LogFile> files;
    Usage expected;
};

struct TokenCount
{
    qint64 count;
    QString text;
};

bool writeLog(const QString& root, const LogFile& file)
{
    const QString path = root + '/' + file.path;
    QFile written(path);
    return TestFiles::write(path, file.lines.join('\n') + '\n') && written.open(QIODevice::ReadWrite)
        && written.setFileTime(file.today ? dayStart.addSecs(3600) : dayStart.addSecs(-1),
                               QFileDevice::FileModificationTime);
}

} // namespace

Q_DECLARE_METATYPE(GitHubCase)
Q_DECLARE_METATYPE(LogCase)
Q_DECLARE_METATYPE(TokenCount)

class DeveloperConnectorsTest final : public QObject
{
    Q_OBJECT

private slots:
    void readsGitHub_data()
    {
        QTest::addColumn<GitHubCase>("row");
        const Credentials token{{"token", " ghp_x \n"}};
        const QList<HttpResponse> counts{ok(R"({"total_count": 3})"), ok(R"({"total_count": "12"})")};
        QTest::newRow("73 unread") << GitHubCase{token, ok(notifications(73)), counts, {"50+", "3", "12"}};
        QTest::newRow("49 unread") << GitHubCase{token, ok(notifications(49)), counts, {"49", "3", "12"}};
        QTest::newRow("notifications as an object") << GitHubCase{token, ok("{}"), counts, {"0", "3", "12"}};
        QTest::newRow("no total_count") << GitHubCase{
            token, ok("[]"), {ok(R"({"total_count": 1234})"), ok("{}")}, {"0", "1234", "0"}};
        QTest::newRow("search not an object") << GitHubCase{token, ok("[]"), {ok("[]")}, {"Couldn't read search."}};
        QTest::newRow("refused") << GitHubCase{token,
                                               {HttpResponse::Failure::none, 401, R"({"message":"Bad credentials"})"},
                                               {},
                                               {R"(HTTP 401: {"message":"Bad credentials"})"}};
        QTest::newRow("blank token") << GitHubCase{{{"token", " \n "}}, {}, {}, {"Token is required."}};
    }

    void readsGitHub()
    {
        QFETCH(GitHubCase, row);
        ConnectorFixture fixture(now);
        fixture.transport.answers.insert("/notifications", {row.notifications});
        fixture.transport.answers.insert("/search/issues", row.searches);
        GitHubConnector connector(fixture.client, fixture.clock);
        QCOMPARE(fixture.run(connector, IntegrationKind::github, row.credentials), row.values);
        const QList<RoutedHttpTransport::Request>& sent = fixture.transport.requests;
        if (sent.size() < 3)
            return;
        QCOMPARE(sent.at(0).query(), (QMap<QString, QString>{{"per_page", "50"}}));
        QCOMPARE(sent.at(1).query(), (QMap<QString, QString>{{"q", "is:open is:pr author:@me"}, {"per_page", "1"}}));
        QCOMPARE(sent.at(2).query().value("q"), "is:open is:pr review-requested:@me");
        for (const RoutedHttpTransport::Request& request : sent) {
            QCOMPARE(request.url.host(), "gh.test");
            QCOMPARE(request.header("Authorization"), "Bearer ghp_x");
        }
        QCOMPARE(fixture.result.value().fetchedAt, now);
    }

    void sumsTodaysUsage_data()
    {
        QTest::addColumn<LogCase>("row");
        const QByteArray userTurn = R"({"type":"user","timestamp":"2026-03-17T08:00:00Z","message":{"role":"user"}})";
        QTest::newRow("largest of each counter")
            << LogCase{{{"p/a.jsonl", {line({"m1", 5, {}, 100}), line({"m1", 3, {}, 50, 7})}}}, {1, 1, 100, 5, 0, 7}};
        QTest::newRow("same message in two files")
            << LogCase{{{"p/a.jsonl", {line({"m1", 10})}}, {"q/b.jsonl", {line({"m1", 30})}}}, {2, 1, 0, 30, 0, 0}};
        QTest::newRow("user turns only") << LogCase{{{"p/a.jsonl", {userTurn}}}, {}};
        QTest::newRow("line from yesterday")
            << LogCase{{{"p/a.jsonl", {line({"m1", 10, "2026-03-16T23:59:59.999+13:00"})}}}, {}};
        QTest::newRow("file from yesterday") << LogCase{{{"p/a.jsonl", {line({"m1", 10})}, false}}, {}};
        QTest::newRow("no fractional seconds")
            << LogCase{{{"p/a.jsonl", {line({"m1", 10, "2026-03-16T11:00:00Z"})}}}, {1, 1, 0, 10, 0, 0}};
        QTest::newRow("no zone in the timestamp")
            << LogCase{{{"p/a.jsonl", {line({"m1", 10, "2026-03-17T08:00:00"})}}}, {}};
        QTest::newRow("uuid, then the line itself")
            << LogCase{{{"p/a.jsonl",
                         {line({{}, 1, {}, 0, 0, "u1"}), line({{}, 2, {}, 0, 0, "u2"}), line({{}, 4}), line({{}, 4})}}},
                       {1, 3, 0, 7, 0, 0}};
        QTest::newRow("hidden and nested folders")
            << LogCase{{{".cache/deep/er/.a.jsonl", {line({"m1", 10})}}}, {1, 1, 0, 10, 0, 0}};
        QTest::newRow("other extensions") << LogCase{
            {{"p/a.json", {line({"m1", 10})}}, {"p/a.jsonl.bak", {line({"m2", 10})}}, {"p/a.JSONL", {line({"m3", 1})}}},
            {}};
        constexpr qint64 longest = ClaudeCodeUsageReader::maxLineBytes;
        QTest::newRow("a line at the limit is read")
            << LogCase{{{"p/a.jsonl", {padded({"m0", 5}, longest), line({"m1", 10})}}}, {1, 2, 0, 15, 0, 0}};
        QTest::newRow("a longer line is skipped")
            << LogCase{{{"p/a.jsonl", {padded({"m0", 5}, longest + 1), line({"m1", 10})}}}, {1, 1, 0, 10, 0, 0}};
        QTest::newRow("a log without line breaks")
            << LogCase{{{"p/a.jsonl", {padded({"m0", 5}, 3 * longest)}}}, {}};
        QTest::newRow("malformed lines skipped") << LogCase{
            {{"p/a.jsonl", {R"({"type":"assistant","usage")", "\xff\"assistant\" \"usage\"", line({"m1", 10})}}},
            {1, 1, 0, 10, 0, 0}};
    }

    void sumsTodaysUsage()
    {
        QFETCH(LogCase, row);
        QTemporaryDir root;
        for (const LogFile& file : row.files)
            QVERIFY(writeLog(root.path(), file));
        const IntegrationResult<Usage> usage = ClaudeCodeUsageReader::scan(root.path(), dayStart, CancelToken());
        QVERIFY(usage.ok());
        QCOMPARE(usage.value(), row.expected);
    }

    void readsTheFolderItIsGiven()
    {
        QTemporaryDir home;
        const QString root = home.path() + "/.claude/projects";
        const auto scan = [&](const CancelToken& cancel = {}) {
            const IntegrationResult<Usage> usage = ClaudeCodeUsageReader::scan(root, dayStart, cancel);
            return usage.ok() ? QString::number(usage.value().messages) : usage.error().description();
        };
        QCOMPARE(scan(), "0"); // not there yet: nothing used
        QVERIFY(TestFiles::write(root, "a file where the folder belongs"));
        QCOMPARE(scan(), "Couldn't read ~/.claude/projects (is Claude Code installed?).");
        QVERIFY(QFile::remove(root));
        QVERIFY(writeLog(root, {"p/a.jsonl", {line({"m1", 10})}}));
        CancelToken cancelled;
        cancelled.cancel();
        QCOMPARE(scan(cancelled), "Cancelled.");

        // A pipe in a log's place is passed over, not waited on.
        QCOMPARE(::mkfifo(QFile::encodeName(root + "/p/pipe.jsonl").constData(), 0600), 0);
        QCOMPARE(scan(), "1");

        // Links are not followed, to files or to folders.
        QVERIFY(writeLog(home.path(), {"elsewhere/b.jsonl", {line({"m2", 10})}}));
        QVERIFY(QFile::link(home.path() + "/elsewhere", root + "/linked"));
        QVERIFY(QFile::link(home.path() + "/elsewhere/b.jsonl", root + "/p/b.jsonl"));
        QCOMPARE(scan(), "1");
    }

    void fetchesOnAWorkerThread()
    {
        QTemporaryDir root;
        QVERIFY(writeLog(root.path(), {"p/a.jsonl", {line({"m1", 1500, {}, 999'000, 1'500'000})}}));
        ConnectorFixture fixture(now);
        ClaudeCodeUsageReader reader(root.path(), fixture.clock, auckland);
        const QStringList values = fixture.run(reader, IntegrationKind::claudeCode, {});
        QCOMPARE(values.mid(0, 4), (QStringList{"1", "1", "2k", "2.5M"}));
        QCOMPARE(fixture.result.value().fetchedAt, now);
    }

    void shortensTokenCounts_data()
    {
        QTest::addColumn<TokenCount>("row");
        QTest::newRow("below a thousand") << TokenCount{999, "999"};
        QTest::newRow("a thousand") << TokenCount{1'000, "1k"};
        QTest::newRow("rounded thousands") << TokenCount{1'500, "2k"};
        QTest::newRow("just below a million") << TokenCount{999'999, "1000k"};
        QTest::newRow("a million") << TokenCount{1'000'000, "1.0M"};
    }

    void shortensTokenCounts()
    {
        QFETCH(TokenCount, row);
        QCOMPARE(formatTokenCount(row.count), row.text);
    }
};

WISPLET_TEST_MAIN(DeveloperConnectorsTest)
#include "tst_developerconnectors.moc"
