#include "Wisplet/App/HeapTrim.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestMain.h"

class TestHeapTrim final : public QObject
{
    Q_OBJECT

private slots:
    // "h" hovers, "u" un-hovers (collapsing after its own delay), "p" pins, "c" collapses at once; a number
    // lets that many milliseconds pass.
    void trimsAWhileAfterTheIslandCollapses_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("trims");

        QTest::newRow("hovered, left") << QStringList{"h", "u", "3500"} << 1;
        QTest::newRow("not before its delay") << QStringList{"p", "c", "2900"} << 0;
        QTest::newRow("open again before it") << QStringList{"p", "c", "2000", "h", "3500"} << 0;
        QTest::newRow("still pinned after the hover") << QStringList{"p", "h", "u", "3500"} << 0;
        QTest::newRow("twice closed, twice trimmed") << QStringList{"p", "c", "3500", "h", "c", "3500"} << 2;
    }

    void trimsAWhileAfterTheIslandCollapses()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, trims);

        CompanionFixture fixture;
        WispState& wisp = *fixture.wisp;
        int trimmed = 0;
        HeapTrim heap(wisp, fixture.scheduler, [&trimmed] { ++trimmed; });
        for (const QString& step : steps) {
            if (step == u"h")
                wisp.setHovering(true);
            else if (step == u"u")
                wisp.setHovering(false);
            else if (step == u"p")
                wisp.setPinnedOpen(true);
            else if (step == u"c")
                wisp.collapse();
            else
                fixture.scheduler.advance(step.toInt());
        }
        QCOMPARE(trimmed, trims);
    }
};

WISPLET_TEST_MAIN(TestHeapTrim)
#include "tst_heaptrim.moc"
