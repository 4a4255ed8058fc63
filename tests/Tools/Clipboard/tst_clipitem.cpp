#include "Wisplet/Tools/Clipboard/ClipItem.h"
#include "Wisplet/Tools/Clipboard/ClipboardRules.h"
#include "tests/support/TestMain.h"

struct TitleRow
{
    ClipItem::Kind kind;
    QString text;
    QString title;
};
Q_DECLARE_METATYPE(TitleRow)

struct AgeRow
{
    qint64 seconds;
    QString text;
};
Q_DECLARE_METATYPE(AgeRow)

// Entries newest first, each "u" (unpinned) or "p" (pinned) with its text and file bytes.
struct BudgetRow
{
    QList<std::tuple<char, qint64, qint64>> entries;
    qint64 textBudget;
    qint64 fileBudget;
    QList<int> kept;
};
Q_DECLARE_METATYPE(BudgetRow)

class TestClipItem final : public QObject
{
    Q_OBJECT

private slots:
    void displayTitle_data()
    {
        QTest::addColumn<TitleRow>("row");
        const QString flag = QStringLiteral("\U0001F1F3\U0001F1FF"); // one character, four UTF-16 units
        QTest::newRow("lines joined") << TitleRow{ClipItem::Kind::text, "one\ntwo",
                                                  QStringLiteral(u"\u2068one\u2069 \u23CE \u2068two\u2069")};
        QTest::newRow("cut counts characters")
            << TitleRow{ClipItem::Kind::link, flag.repeated(301), flag.repeated(300)};
        QTest::newRow("cut before the line feeds")
            << TitleRow{ClipItem::Kind::text, QString(299, u'a') + "\n\nb",
                        u'\u2068' + QString(299, u'a') + QStringLiteral(u"\u2069 \u23CE ")};
        QTest::newRow("one file") << TitleRow{ClipItem::Kind::file, "/home/u/report.pdf",
                                              QStringLiteral(u"\u2068report.pdf\u2069")};
        QTest::newRow("two files") << TitleRow{ClipItem::Kind::file, "/a/x.txt\n\n/b/y.png",
                                               QStringLiteral(u"2 files: \u2068x.txt\u2069, \u2068y.png\u2069")};
        QTest::newRow("slashes doubled") << TitleRow{ClipItem::Kind::file, "/a/b//\nc/",
                                                     QStringLiteral(u"2 files: \u2068b\u2069, \u2068c\u2069")};
        QTest::newRow("the root folder") << TitleRow{ClipItem::Kind::file, "/", QStringLiteral(u"\u2068/\u2069")};
    }

    void displayTitle()
    {
        QFETCH(TitleRow, row);
        ClipItem item;
        item.kind = row.kind;
        item.text = row.text;
        QCOMPARE(item.displayTitle(), row.title);
    }

    void readsOnlyWholeHistories_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("readable");
        const QByteArray head = R"({"id":"0F2A7C1E-5B7D-4C55-9F1A-2B3C4D5E6F70","kind":"text","text":"t","date":1.5)";
        QTest::newRow("complete") << head + R"(,"pinned":false})" << true;
        QTest::newRow("unknown key") << head + R"(,"pinned":true,"colour":"red"})" << true;
        QTest::newRow("pinned as text") << head + R"(,"pinned":"yes"})" << false;
        QTest::newRow("app as number") << head + R"(,"pinned":false,"app":3})" << false;
        QTest::newRow("paths not strings") << head + R"(,"pinned":false,"filePaths":[1]})" << false;
        QTest::newRow("unknown kind") << QByteArray(head).replace("\"text\",\"text\"", "\"sound\",\"text\"")
                + R"(,"pinned":false})"
                                      << false;
    }

    void readsOnlyWholeHistories()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, readable);
        // One bad entry makes the whole file unreadable.
        const QByteArray good =
            R"({"id":"1F2A7C1E-5B7D-4C55-9F1A-2B3C4D5E6F70","kind":"link","text":"https://a.example","date":0,"pinned":false})";
        const std::optional<QList<ClipItem>> items = clipItemsFromJson("[" + good + "," + json + "]");
        QCOMPARE(items.has_value(), readable);
    }

    void budgetDropsTheOldestUnpinned_data()
    {
        QTest::addColumn<BudgetRow>("row");
        QTest::newRow("texts over: the older go, small ones too")
            << BudgetRow{{{'u', 10, 0}, {'u', 10, 0}, {'u', 10, 0}, {'u', 1, 0}}, 25, 30, {0, 1}};
        QTest::newRow("files over") << BudgetRow{{{'u', 1, 20}, {'u', 1, 20}}, 30, 30, {0}};
        QTest::newRow("pinned count and stay")
            << BudgetRow{{{'u', 10, 0}, {'p', 20, 0}, {'u', 10, 0}, {'p', 5, 0}}, 25, 30, {0, 1, 3}};
        QTest::newRow("the newest stays whatever its size") << BudgetRow{{{'u', 50, 0}, {'u', 1, 0}}, 25, 30, {0}};
    }

    void budgetDropsTheOldestUnpinned()
    {
        QFETCH(BudgetRow, row);
        QList<ClipItem> items;
        QHash<QUuid, ClipboardRules::EntryBytes> bytes;
        ClipboardRules::EntryBytes pinned;
        for (const auto& [kind, text, files] : row.entries) {
            ClipItem item;
            item.id = QUuid::createUuid();
            item.pinned = kind == 'p';
            items.append(item);
            bytes.insert(item.id, {text, files});
            if (item.pinned)
                pinned += {text, files};
        }
        // However many pinned entries there are, none is measured.
        bool measuredPinned = false;
        const QSet<QUuid> dropped =
            ClipboardRules::prunedIds(items, {100, 0, row.textBudget, row.fileBudget}, QDateTime::currentDateTimeUtc(),
                                      pinned, [&](const ClipItem& item) {
                                          measuredPinned = measuredPinned || item.pinned;
                                          return bytes.value(item.id);
                                      });
        QVERIFY(!measuredPinned);
        QList<int> kept;
        for (int index = 0; index < items.size(); ++index) {
            if (!dropped.contains(items[index].id))
                kept.append(index);
        }
        QCOMPARE(kept, row.kept);
    }

    void relativeAge_data()
    {
        QTest::addColumn<AgeRow>("row");
        QTest::newRow("future") << AgeRow{-30, "0 sec. ago"};
        QTest::newRow("a minute") << AgeRow{60, "1 min. ago"};
        QTest::newRow("days") << AgeRow{6 * 86'400, "6 days ago"};
        QTest::newRow("years") << AgeRow{800 * 86'400, "2 yr. ago"};
    }

    void relativeAge()
    {
        QFETCH(AgeRow, row);
        QCOMPARE(ClipboardRules::relativeAge(row.seconds), row.text);
    }
};

WISPLET_TEST_MAIN(TestClipItem)
#include "tst_clipitem.moc"
