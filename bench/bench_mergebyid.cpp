#include "Wisplet/Platform/MergeById.h"

#include <QTest>
#include <QUuid>

namespace {

// An item as the stores keep them: an id and some text.
struct Item
{
    QUuid id;
    QString text;
    friend bool operator==(const Item&, const Item&) = default;
};

QList<Item> fresh(qsizetype count)
{
    QList<Item> items;
    items.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        items.append({QUuid::createUuid(), QStringLiteral("item %1").arg(i)});
    return items;
}

} // namespace

// A list of 2,000 items finds that another program added many more to its file (a sync tool, another
// machine's history): the time to merge them in should grow with their number, not with its square.
class BenchMergeById final : public QObject
{
    Q_OBJECT

private slots:
    void mergesNewItems_data()
    {
        QTest::addColumn<qsizetype>("added");
        QTest::addColumn<bool>("atEnd");
        for (const qsizetype added : {2000, 20000}) {
            QTest::addRow("%lld added at the end", qlonglong(added)) << added << true;
            QTest::addRow("%lld added between", qlonglong(added)) << added << false;
        }
    }

    void mergesNewItems()
    {
        QFETCH(qsizetype, added);
        QFETCH(bool, atEnd);
        const QList<Item> base = fresh(2000);
        const QList<Item> extra = fresh(added);
        QList<Item> theirs;
        if (atEnd) {
            theirs = base + extra;
        } else {
            // Spread evenly among the items both sides hold.
            for (qsizetype i = 0, next = 0; i < base.size(); ++i) {
                const qsizetype until = (i + 1) * extra.size() / base.size();
                theirs.append(extra.mid(next, until - next));
                next = until;
                theirs.append(base[i]);
            }
        }
        QList<Item> merged;
        QBENCHMARK
        {
            merged = MergeById::merged(
                base, base, theirs, [](const Item& item) { return item.id; },
                [](Item item) {
                    item.id = QUuid::createUuid();
                    return item;
                });
        }
        QCOMPARE(merged.size(), base.size() + added);
    }
};

QTEST_GUILESS_MAIN(BenchMergeById)
#include "bench_mergebyid.moc"
