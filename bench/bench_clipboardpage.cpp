#include "Wisplet/Tools/Clipboard/ClipList.h"
#include "Wisplet/Tools/Clipboard/ClipListModel.h"
#include "Wisplet/Tools/Clipboard/ClipboardView.h"
#include "tests/Tools/Clipboard/ClipboardHarness.h"
#include "tests/support/TestMain.h"

#include <QApplication>

#include <chrono>
#include <ctime>

namespace {

using namespace std::chrono;

// Wall time, and the main thread's own processor time: on a busy machine the first also counts waiting for
// a processor.
struct Spent
{
    nanoseconds wall{};
    nanoseconds processor{};
};

nanoseconds threadTime()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return seconds(now.tv_sec) + nanoseconds(now.tv_nsec);
}

template <typename Work>
Spent spent(Work work)
{
    const auto wallStart = steady_clock::now();
    const nanoseconds processorStart = threadTime();
    work();
    return {steady_clock::now() - wallStart, threadTime() - processorStart};
}

double ms(nanoseconds time)
{
    return double(time.count()) / 1e6;
}

// The longest of many holds of the main thread, and their sum.
struct Holds
{
    Spent worst;
    Spent total;

    void count(const Spent& step)
    {
        worst = {std::max(worst.wall, step.wall), std::max(worst.processor, step.processor)};
        total = {total.wall + step.wall, total.processor + step.processor};
    }

    void report(const char* what, int copies) const
    {
        qInfo("%s: longest hold %.2f ms (%.2f ms of processor), %.2f ms a copy in all (%.2f ms)", what, ms(worst.wall),
              ms(worst.processor), ms(total.wall / copies), ms(total.processor / copies));
    }
};

} // namespace

// The clipboard page open over a long history while copies arrive: how long opening the page takes, and how
// long each copy holds the main thread at once (a frame is 16 ms): the tick that finds it and takes it in, each
// pass of the main loop until it is listed, and the page painted with it.
class BenchClipboardPage final : public QObject
{
    Q_OBJECT

private slots:
    void copiesWhileThePageShows_data()
    {
        QTest::addColumn<int>("kept");
        QTest::addColumn<int>("pinned");
        // Each copy drops the oldest unpinned entry, which changes the list a second time.
        QTest::addRow("1000 kept at the limit") << 1'000 << 0;
        QTest::addRow("20000 pinned, 200 kept at the limit") << 200 << 20'000;
    }

    void copiesWhileThePageShows()
    {
        QFETCH(int, kept);
        QFETCH(int, pinned);
        ClipboardHarness h;
        h.manager->setMaxItems(kept);
        h.manager.reset();
        QVERIFY(TestFiles::write(h.folder.file(QStringLiteral("clipboard.json")),
                                 storedTexts(kept, pinned, h.clock.now())));
        h.open();
        QCOMPARE(h.manager->items().size(), kept + pinned);

        std::unique_ptr<ClipboardView> page;
        const Spent opening = spent([&] {
            page = std::make_unique<ClipboardView>(*h.manager, h.clock, std::function<void()>());
            page->resize(440, 300);
            page->show();
            page->repaint();
        });
        qInfo("opening the page: %.1f ms (%.1f ms of processor)", ms(opening.wall), ms(opening.processor));

        constexpr int copies = 20;
        Holds tick;
        Holds listing;
        for (int copy = 0; copy < copies; ++copy) {
            const QByteArray text = "copy " + QByteArray::number(copy);
            h.pasteboard.offer(::text(text));
            tick.count(spent([&] { h.manager->poll(); }));
            // Listed below the pinned entries.
            const auto listed = [&] {
                return page->list()->entries().values().at(pinned).text == QString::fromUtf8(text);
            };
            while (h.manager->isReading() || !listed())
                listing.count(spent([] { QCoreApplication::processEvents(); }));
            // Painted as the user would see it.
            listing.count(spent([&] { page->repaint(); }));
            h.settle();
        }
        QCOMPARE(h.manager->items().size(), kept + pinned);
        tick.report("the tick that takes a copy in", copies);
        listing.report("the page's passes until it is listed and painted", copies);
    }
};

WISPLET_TEST_MAIN_WITH(QApplication, BenchClipboardPage)
#include "bench_clipboardpage.moc"
