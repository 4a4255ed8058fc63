#include "Wisplet/Tools/Clipboard/ClipboardView.h"
#include "tests/Tools/Clipboard/ClipboardHarness.h"
#include "tests/support/TestMain.h"

#include <QApplication>
#include <QElapsedTimer>

#include <chrono>

namespace {

using namespace std::chrono;

// Runs the main loop until `done`; the longest pass of it is how long the panel was held at once.
template <typename Done>
nanoseconds longestPassUntil(Done done)
{
    nanoseconds longest{};
    QElapsedTimer pass;
    while (!done()) {
        pass.start();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        longest = std::max(longest, nanoseconds(pass.nsecsElapsed()));
    }
    return longest;
}

double ms(nanoseconds time)
{
    return double(time.count()) / 1e6;
}

} // namespace

// The clipboard page open over a large pinned history while copies arrive: how long opening the page takes,
// and how long each copy holds the main thread at once (a frame is 16 ms), from the tick that finds it to
// the page painted with it.
class BenchClipboardPage final : public QObject
{
    Q_OBJECT

private slots:
    void copiesWhileThePageShows_data()
    {
        QTest::addColumn<int>("pinned");
        for (const int pinned : {1'000, 20'000})
            QTest::addRow("%d pinned", pinned) << pinned;
    }

    void copiesWhileThePageShows()
    {
        QFETCH(int, pinned);
        const TempFolder folder;
        QVERIFY(TestFiles::write(folder.file(QStringLiteral("clipboard.json")),
                                 storedTexts(pinned, true, QDateTime::currentDateTimeUtc())));
        ClipboardHarness h(folder.path());
        QCOMPARE(h.manager->items().size(), pinned);

        QElapsedTimer opening;
        opening.start();
        ClipboardView page(*h.manager, h.clock, {});
        page.resize(440, 300);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        qInfo("opening the page: %.1f ms", ms(nanoseconds(opening.nsecsElapsed())));

        constexpr int copies = 10;
        nanoseconds worst{};
        nanoseconds total{};
        for (int copy = 0; copy < copies; ++copy) {
            const QByteArray text = "copy " + QByteArray::number(copy);
            h.pasteboard.offer(::text(text));
            QElapsedTimer tick;
            tick.start();
            h.manager->poll();
            const nanoseconds polled(tick.nsecsElapsed());
            const nanoseconds rest = longestPassUntil(
                [&] { return !h.manager->isReading() && h.manager->items().first().text == QString::fromUtf8(text); });
            // Painted as the user would see it.
            QElapsedTimer painting;
            painting.start();
            page.repaint();
            const nanoseconds painted(painting.nsecsElapsed());
            worst = std::max({worst, polled, rest, painted});
            total += polled + rest + painted;
            h.settle();
        }
        QCOMPARE(h.manager->items().size(), pinned + copies);
        qInfo("a copy: longest hold %.1f ms, on average %.1f ms in all", ms(worst), ms(total / copies));
    }
};

WISPLET_TEST_MAIN_WITH(QApplication, BenchClipboardPage)
#include "bench_clipboardpage.moc"
