#include "Wisplet/Base/Animation.h"
#include "Wisplet/Tools/System/Sparkline.h"
#include "Wisplet/Tools/System/StatRing.h"
#include "Wisplet/Tools/System/SystemStats.h"
#include "Wisplet/Tools/System/SystemView.h"
#include "tests/Tools/System/SystemTree.h"
#include "tests/support/FakeClock.h"
#include "tests/support/WidgetsTestMain.h"

#include <QLabel>

namespace {

struct LineRow
{
    QList<double> values;
    QList<QPointF> points; // in a 100 × 20 line
};

// The texts of the rows shown, top to bottom.
QStringList shownRows(const QWidget& view)
{
    QList<QLabel*> labels = view.findChildren<QLabel*>();
    labels.removeIf([&view](const QLabel* label) { return label->text().isEmpty() || !label->isVisibleTo(&view); });
    std::sort(labels.begin(), labels.end(), [&view](const QLabel* a, const QLabel* b) {
        return a->mapTo(&view, QPoint()).y() < b->mapTo(&view, QPoint()).y();
    });
    QStringList texts;
    for (const QLabel* label : labels)
        texts << label->text();
    return texts;
}

} // namespace

Q_DECLARE_METATYPE(LineRow)

class TestSystemView final : public QObject
{
    Q_OBJECT

private slots:
    void rowsFollowTheFigures()
    {
        SystemTree tree;
        tree.setTicks(100, 100);
        tree.setMemory(16'000'000, 12'000'000);
        tree.write(QStringLiteral("proc/uptime"), "90061.5 1.0\n");
        tree.setInterface(QStringLiteral("eth0"), 0, 0);
        FakeClock clock;
        AnimationClock animations(clock);
        SystemStats stats(tree.root(), clock, [](const WispEvent&) {});
        stats.start();
        SystemView view(stats, animations);
        view.resize(520, 130);
        view.show();

        QCOMPARE(shownRows(view), QStringList({"0 B/s", "0 B/s", "Up 1d 1h"}));
        const QList<StatRing*> rings = view.findChildren<StatRing*>();
        QCOMPARE(rings.size(), 3);
        QCOMPARE(rings.at(0)->detail(), QStringLiteral("0%"));
        QCOMPARE(rings.at(0)->shownShare(), 0.01);
        QCOMPARE(rings.at(1)->detail(), QStringLiteral("4.1 GB"));
        QVERIFY(rings.at(2)->detail().endsWith(QStringLiteral(" free")));

        tree.setTicks(175, 125);
        tree.setInterface(QStringLiteral("eth0"), 3'000'000, 2000);
        tree.setBattery(64, "Charging", true);
        clock.advance(SystemStats::sampleIntervalMs);
        stats.sample();
        QCOMPARE(shownRows(view), QStringList({"1.5 MB/s", "1.0 KB/s", "64% · charging", "Up 1d 1h"}));
        QCOMPARE(view.findChild<Sparkline*>()->values(), QList<double>{0.75});
        QCOMPARE(rings.at(0)->detail(), QStringLiteral("75%"));

        // The arc eases out to the new share.
        clock.advance(300);
        animations.tick();
        QVERIFY(rings.at(0)->shownShare() > 0.375 && rings.at(0)->shownShare() < 0.75);
        clock.advance(300);
        animations.tick();
        QCOMPARE(rings.at(0)->shownShare(), 0.75);
    }

    // A full processor's line runs along the top, yet nothing of it shows outside the rounded box: its
    // corners stay as dark as what is behind it, and the line shows in the middle of the strip.
    void lineStaysOnItsBox()
    {
        Sparkline line;
        line.resize(120, Sparkline::lineHeight);
        line.setValues({1, 1, 1});
        QImage image(line.size(), QImage::Format_RGB32);
        image.fill(Qt::black);
        line.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        const int right = image.width() - 1;
        const int bottom = image.height() - 1;
        for (const QPoint corner :
             {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(right, 0), QPoint(right - 1, 0), QPoint(0, bottom),
              QPoint(1, bottom), QPoint(right, bottom), QPoint(right - 1, bottom)})
            QVERIFY2(qGray(image.pixel(corner)) < 8,
                     qPrintable(QStringLiteral("%1,%2").arg(corner.x()).arg(corner.y())));
        int brightest = 0;
        for (int y = 0; y < image.height(); ++y)
            brightest = std::max(brightest, qGray(image.pixel(image.width() / 2, y)));
        QVERIFY(brightest > 100);
    }

    void line_data()
    {
        QTest::addColumn<LineRow>("row");
        QTest::newRow("one value is a point") << LineRow{{0.5}, {{0, 10}}};
        QTest::newRow("spread over the width") << LineRow{{0, 1, 0.5}, {{0, 20}, {50, 0}, {100, 10}}};
    }

    void line()
    {
        QFETCH(LineRow, row);
        const QPainterPath path = Sparkline::linePath(row.values, QSizeF(100, 20));
        QList<QPointF> points;
        for (int i = 0; i < path.elementCount(); ++i)
            points << QPointF(path.elementAt(i));
        QCOMPARE(points, row.points);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestSystemView)
#include "tst_systemview.moc"
