#include "Wisplet/Platform/MergeById.h"
#include "tests/support/TestMain.h"

namespace {

// An item is a letter (its id) and a version; "a1" is item a at version 1.
struct Item
{
    QChar id;
    int version = 0;
    friend bool operator==(const Item&, const Item&) = default;
};

QList<Item> items(const QString& text)
{
    QList<Item> list;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts))
        list.append({word.at(0), word.mid(1).toInt()});
    return list;
}

QString text(const QList<Item>& list)
{
    QStringList words;
    for (const Item& item : list)
        words.append(item.id + QString::number(item.version));
    return words.join(u' ');
}

struct Merge
{
    const char* base;
    const char* ours;
    const char* theirs;
    const char* merged;
};

// An item that counts its copies: the merge's work, told without a clock.
struct Counted
{
    int id = 0;
    static inline qint64 copies = 0;
    explicit Counted(int value)
        : id(value)
    { }
    Counted(const Counted& other)
        : id(other.id)
    {
        ++copies;
    }
    Counted(Counted&&) = default;
    Counted& operator=(const Counted&) = default;
    Counted& operator=(Counted&&) = default;
    ~Counted() = default;
    friend bool operator==(const Counted&, const Counted&) = default;
};

} // namespace

Q_DECLARE_METATYPE(Merge)

class TestMergeById final : public QObject
{
    Q_OBJECT

private slots:
    void mergesByIdKeepingEveryChange_data()
    {
        QTest::addColumn<Merge>("row");
        QTest::newRow("each changed another") << Merge{"a1 b1", "a2 b1", "a1 b2", "a2 b2"};
        QTest::newRow("changed alike on both") << Merge{"a1", "a2", "a2", "a2"};
        // Ours moves to a fresh id, written here as z.
        QTest::newRow("changed apart on both") << Merge{"a1", "a2", "a3", "a3 z2"};
        QTest::newRow("added there, in its place") << Merge{"a1 b1", "a1 b1", "a1 c1 b1", "a1 c1 b1"};
        QTest::newRow("added there, at the end") << Merge{"a1", "a1", "a1 c1 d1", "a1 c1 d1"};
        QTest::newRow("added on both") << Merge{"a1", "n1 a1", "a1 c1", "n1 a1 c1"};
        QTest::newRow("removed there") << Merge{"a1 b1", "a1 b1", "a1", "a1"};
        QTest::newRow("removed here") << Merge{"a1 b1", "a1", "a1 b1", "a1"};
        QTest::newRow("removed there, changed here") << Merge{"a1 b1", "a1 b2", "a1", "a1 b2"};
        QTest::newRow("removed here, changed there") << Merge{"a1 b1", "a1", "a1 b2", "a1 b2"};
        QTest::newRow("added there before one removed there") << Merge{"a1 b1", "a1 b1", "a1 c1", "a1 c1"};
        QTest::newRow("added there before one removed here") << Merge{"a1 b1", "a1", "a1 c1 b1", "a1 c1"};
        QTest::newRow("reordered there only") << Merge{"a1 b1 c1", "a1 b1 c1", "c1 a1 b1", "c1 a1 b1"};
        QTest::newRow("reordered there, changed here") << Merge{"a1 b1 c1", "a1 b2 c1", "c1 a1 b1", "c1 a1 b2"};
        QTest::newRow("reordered there, added here before one") << Merge{"a1 b1", "n1 a1 b1", "b1 a1", "b1 n1 a1"};
        QTest::newRow("reordered there, changed apart on both") << Merge{"a1 b1", "a2 b1", "b1 a3", "b1 a3 z2"};
        QTest::newRow("reordered on both: ours") << Merge{"a1 b1 c1", "c1 a1 b1", "b1 a1 c1", "c1 a1 b1"};
    }

    void mergesByIdKeepingEveryChange()
    {
        QFETCH(Merge, row);
        const QList<Item> result = MergeById::merged(
            items(QString::fromLatin1(row.base)), items(QString::fromLatin1(row.ours)),
            items(QString::fromLatin1(row.theirs)), [](const Item& item) { return item.id; },
            [](Item item) {
                item.id = u'z';
                return item;
            });
        QCOMPARE(text(result), QString::fromLatin1(row.merged));
    }

    // Many items added over there, all before one item or all at the end: each is copied a few times, not once
    // for every other.
    void copiesGrowWithTheItems_data()
    {
        QTest::addColumn<bool>("atEnd");
        QTest::newRow("at the end") << true;
        QTest::newRow("before the first") << false;
    }

    void copiesGrowWithTheItems()
    {
        QFETCH(bool, atEnd);
        constexpr int held = 10;
        constexpr int added = 5000;
        QList<Counted> base;
        QList<Counted> theirs;
        for (int id = 0; id < held + added; ++id)
            (id < held ? base : theirs).append(Counted(id));
        theirs = atEnd ? base + theirs : theirs + base;
        Counted::copies = 0;
        const QList<Counted> result = MergeById::merged(
            base, base, theirs, [](const Counted& item) { return item.id; }, [](const Counted& item) { return item; });
        QCOMPARE(result.size(), held + added);
        QVERIFY2(Counted::copies < 10 * (held + added), qPrintable(QString::number(Counted::copies)));
    }
};

WISPLET_TEST_MAIN(TestMergeById)
#include "tst_mergebyid.moc"
