#include "tests/Tools/Clipboard/ClipboardHarness.h"
#include "tests/support/Images.h"
#include "tests/support/StandIns.h"
#include "tests/support/TestMain.h"
#include "tests/support/Texts.h"
#include "tests/support/TinyDisk.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QRegularExpression>

namespace {

using Harness = ClipboardHarness;

enum class Trouble { full, readOnly, inTheWay };

struct FailRow
{
    Trouble trouble;
    bool image;
    QString said;
};

struct StrayRow
{
    QByteArray history;
    QStringList left;
    // The program reaches the folder through a symbolic link.
    bool linked = false;
};

// Names as the history makes them.
const QString strayImage = QStringLiteral("clip-0B1C2D3E-4F50-4A6B-8C7D-9E0F1A2B3C4D.png");
const QString strayTemporary = QStringLiteral("clip-5A6B7C8D-9E0F-4A1B-8C2D-3E4F5A6B7C8D.tiff.~Ab12Cd");

QByteArray pictureEntry(bool pinned)
{
    return R"([{"id":"0F2A7C1E-5B7D-4C55-9F1A-2B3C4D5E6F70","kind":"image","text":"Image · 1 kB","date":1,)"
           R"("imageFile":"clip-A1.png","thumbnailFile":"clip-A1.png.preview.png")"
        + QByteArray(pinned ? R"(,"pinned":true}])" : "}]");
}

QList<ClipItem> stored(const Harness& h)
{
    return clipItemsFromJson(TestFiles::read(h.manager->historyPath())).value_or(QList<ClipItem>());
}

QStringList storedTexts(const Harness& h)
{
    return textsOf(stored(h), &ClipItem::text);
}

} // namespace

Q_DECLARE_METATYPE(FailRow)
Q_DECLARE_METATYPE(StrayRow)

class TestClipboardStorage final : public QObject
{
    Q_OBJECT

private slots:
    void aFailedWriteKeepsWhatWasThere_data()
    {
        QTest::addColumn<FailRow>("row");
        QTest::newRow("history, disk full")
            << FailRow{Trouble::full, false, "History could not be saved: No space left on device."};
        QTest::newRow("history, read-only disk")
            << FailRow{Trouble::readOnly, false, "History could not be saved: Read-only file system."};
        QTest::newRow("history, a folder in the way")
            << FailRow{Trouble::inTheWay, false, "History could not be saved: Is a directory."};
        QTest::newRow("image, disk full")
            << FailRow{Trouble::full, true, "Couldn't save this image: No space left on device"};
        QTest::newRow("image, read-only disk")
            << FailRow{Trouble::readOnly, true, "Couldn't save this image: Read-only file system"};
        QTest::newRow("image, a file where its folder was")
            << FailRow{Trouble::inTheWay, true, "Couldn't save this image: Not a directory"};
    }

    void aFailedWriteKeepsWhatWasThere()
    {
        QFETCH(FailRow, row);
        TinyDisk disk(1024 * 1024);
        TINY_DISK_OR_SKIP(disk);
        Harness h(disk.file(QStringLiteral("clip")));
        h.copy(text("saved before"));
        h.settle();
        const QString blocked = row.image && row.trouble == Trouble::inTheWay ? h.path : h.manager->historyPath();
        QByteArray before = TestFiles::read(blocked);
        switch (row.trouble) {
        case Trouble::full:
            QVERIFY(disk.fill());
            break;
        case Trouble::readOnly:
            QVERIFY(disk.makeReadOnly());
            break;
        case Trouble::inTheWay:
            before = row.image ? QByteArray("a file where the folder was") : StandIns::folder;
            QVERIFY(row.image ? QDir().rename(h.path, h.path + QStringLiteral(".moved"))
                              : QFile::remove(h.manager->historyPath()));
            QVERIFY(StandIns::place(blocked, before));
            break;
        }

        h.copy(row.image ? Formats{{QStringLiteral("image/png"), TestImages::marked(QSize(40, 40), "PNG")}}
                         : text("not saved"));
        h.settle();
        QCOMPARE(h.manager->message(), row.said);
        QVERIFY(StandIns::isStill(blocked, before));
        // The list keeps what could not be saved; no image, no temporary file is left.
        QCOMPARE(h.manager->items().size(), row.image ? 1 : 2);
        QCOMPARE(h.files().filter(QRegularExpression(QStringLiteral("^clip-|\\.[A-Za-z0-9]{6}$"))), QStringList());
    }

    void aFailedSaveIsTriedAgain()
    {
        TinyDisk disk(1024 * 1024);
        TINY_DISK_OR_SKIP(disk);
        Harness h(disk.file(QStringLiteral("clip")));
        QVERIFY(disk.fill());
        h.copy(text("first"));
        h.settle();
        QVERIFY(h.manager->message());
        disk.makeRoom();
        // At quit.
        h.manager->finishSaving();
        QCOMPARE(storedTexts(h), QStringList{"first"});
        QCOMPARE(h.manager->message(), std::nullopt);

        // At the next change.
        QVERIFY(disk.fill());
        h.copy(text("second"));
        h.settle();
        QVERIFY(h.manager->message());
        disk.makeRoom();
        h.copy(text("third"));
        h.settle();
        QCOMPARE(storedTexts(h), (QStringList{"third", "second", "first"}));
        QCOMPARE(h.manager->message(), std::nullopt);
    }

    void strayFilesGoAtStart_data()
    {
        QTest::addColumn<StrayRow>("row");
        // The user's own files of the same beginning are never the history's.
        const QStringList kept{"clip-A1.png", "clip-A1.png.preview.png", "clip-D4.tiff",
                               "notes.json",  "clip-important.txt",      strayImage + ".old"};
        const QStringList strays{strayImage, strayImage + ".preview.png", strayTemporary};
        QTest::newRow("a history that names a picture")
            << StrayRow{pictureEntry(true), kept + QStringList{"clipboard.json", "clipboard.json.unreadable-7"}};
        // What the history named may be wanted back with it.
        QTest::newRow("a damaged history, set aside") << StrayRow{
            pictureEntry(false), kept + QStringList{"clipboard.json.unreadable", "clipboard.json.unreadable-7"}};
        // Nothing is known of what it names.
        QTest::newRow("a history that cannot be opened")
            << StrayRow{QByteArray(), kept + strays + QStringList{"clipboard.json", "clipboard.json.unreadable-7"}};
        // The link may lead to a folder of the user's own.
        QTest::newRow("a linked folder") << StrayRow{
            pictureEntry(true), kept + strays + QStringList{"clipboard.json", "clipboard.json.unreadable-7"}, true};
    }

    void strayFilesGoAtStart()
    {
        QFETCH(StrayRow, row);
        const TempFolder folder;
        const QStringList planted{"clip-A1.png",
                                  "clip-A1.png.preview.png",
                                  strayImage,
                                  strayImage + ".preview.png",
                                  strayImage + ".old",
                                  strayTemporary,
                                  "clip-D4.tiff",
                                  "clip-important.txt",
                                  "clipboard.json.Xy12ab",
                                  "notes.json"};
        for (const QString& name : planted)
            QVERIFY(TestFiles::write(folder.file(name), "bytes"));
        // An earlier history set aside names a picture too.
        QVERIFY(TestFiles::write(folder.file("clipboard.json.unreadable-7"), R"([{"imageFile": "clip-D4.tiff"])"));
        const QString history = folder.file("clipboard.json");
        QVERIFY(row.history.isNull() ? QFile::link(history, history) : TestFiles::write(history, row.history));

        const TempFolder outside;
        const QString link = outside.file(QStringLiteral("Wisplet"));
        QVERIFY(!row.linked || QFile::link(folder.path(), link));
        Harness h(row.linked ? link : folder.path());
        QStringList left = h.files();
        left.sort();
        QStringList expected = row.left;
        expected.sort();
        QCOMPARE(left, expected);
    }

    void aHistoryThatCannotBeOpenedIsNeverWrittenOver()
    {
        const TempFolder folder;
        const QString history = folder.file("clipboard.json");
        // A loop of links stops root as a missing permission stops a user.
        QVERIFY(QFile::link(history, history));
        Harness h(folder.path());
        QCOMPARE(h.manager->message(),
                 QStringLiteral("Could not open clipboard.json (Too many levels of symbolic "
                                "links); it is left as it is and nothing is saved over it."));
        h.copy(text("while it cannot be read"));
        h.settle();
        QCOMPARE(h.manager->message(),
                 QStringLiteral("History could not be saved: clipboard.json could not be "
                                "opened (Too many levels of symbolic links)."));
        QCOMPARE(QFileInfo(history).symLinkTarget(), history);

        // Readable again: what it holds and what was copied meanwhile are both kept.
        QVERIFY(QFile::remove(history));
        QVERIFY(TestFiles::write(history, pictureEntry(true)));
        h.copy(text("once it can"));
        h.settle();
        QCOMPARE(storedTexts(h), (QStringList{"once it can", "while it cannot be read", "Image · 1 kB"}));
        QCOMPARE(h.manager->message(), std::nullopt);
    }

    void anotherProgramsChangeIsTakenIn()
    {
        Harness h;
        h.copy(text("ours"));
        h.copy(text("removed over there"));
        h.settle();
        QList<ClipItem> theirs = stored(h).mid(1);
        theirs.first().pinned = true;
        ClipItem added = theirs.first();
        added.id = QUuid::createUuid();
        added.text = QStringLiteral("added over there");
        added.pinned = false;
        theirs.append(added);
        QVERIFY(TestFiles::write(h.manager->historyPath(), QJsonDocument(clipItemsToJson(theirs)).toJson()));

        h.copy(text("newer"));
        h.settle();
        QCOMPARE(storedTexts(h), (QStringList{"newer", "ours", "added over there"}));
        QVERIFY(stored(h).at(1).pinned);
        QCOMPARE(h.manager->items(), stored(h));
    }

    void aHistoryOverItsLimitsIsWrittenAgainWhenRead()
    {
        Harness h;
        for (int n = 0; n < 30; ++n)
            h.copy(text(QByteArray::number(n)));
        h.settle();
        h.defaults.set(QStringLiteral("clipboard.max"), 20);
        h.open();
        QCOMPARE(h.manager->items().size(), 20);
        QCOMPARE(stored(h), h.manager->items());
    }

    void theOldestUnpinnedMakeWayForTheBudget_data()
    {
        // Copies and "pin …"; a "large …" copy is 20 MB: under the limit of one copy, two of them
        // over the history's budget.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("the older unpinned one goes")
            << QStringList{"pinned", "pin pinned", "large older", "large newer"}
            << QStringList{"large newer", "pinned"};
        QTest::newRow("a pinned entry's bytes count")
            << QStringList{"large pinned", "small", "pin large pinned", "large newer"}
            << QStringList{"large newer", "large pinned"};
    }

    void theOldestUnpinnedMakeWayForTheBudget()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, kept);
        Harness h;
        const QString large(20 * 1024 * 1024, u'x');
        const auto textOf = [&](const QString& name) {
            return name.startsWith(QLatin1String("large ")) ? large + name.mid(6) : name;
        };
        for (const QString& step : std::as_const(steps)) {
            const QList<ClipItem> items = h.manager->items();
            if (step.startsWith(QLatin1String("pin ")))
                h.manager->togglePin(*std::find_if(items.cbegin(), items.cend(), [&](const ClipItem& item) {
                    return item.text == textOf(step.mid(4));
                }));
            else
                h.copy(text(textOf(step).toUtf8()));
        }
        h.settle();
        QStringList shown;
        for (const ClipItem& item : h.manager->items())
            shown.append(item.text.startsWith(large) ? QStringLiteral("large ") + item.text.mid(large.size())
                                                     : item.text);
        QCOMPARE(shown, kept);
        QCOMPARE(stored(h), h.manager->items());
    }

    // The files beside a large history are listed at the end of its read, when the image of a copy made
    // meanwhile may still be in its temporary file: the race, run until it would have been lost.
    void anImageCopiedWhileTheHistoryIsReadIsKept()
    {
        Harness h;
        h.manager->setMaxItems(10'000);
        QList<ClipItem> entries;
        for (int n = 0; n < 5000; ++n)
            entries.append({QUuid::createUuid(), ClipItem::Kind::text, QString::number(n), std::nullopt, h.clock.now(),
                            std::nullopt, std::nullopt, std::nullopt, false, std::nullopt});
        const QByteArray history = QJsonDocument(clipItemsToJson(entries)).toJson(QJsonDocument::Compact);
        // Large, so that its temporary file lasts.
        const QByteArray picture(24 * 1024 * 1024, 'p');
        QElapsedTimer reading;
        reading.start();
        QVERIFY(TestFiles::write(h.manager->historyPath(), history));
        h.open();
        const qint64 readMs = reading.elapsed();
        // Copies made at moments spread over the read.
        constexpr int attempts = 30;
        for (int attempt = 0; attempt < attempts; ++attempt) {
            QVERIFY(TestFiles::write(h.manager->historyPath(), history));
            h.open(true, false);
            QTest::qWait(int(readMs * attempt / attempts));
            h.copy({{QStringLiteral("image/png"), picture}});
            h.settle();
            QCOMPARE(h.manager->message(), std::nullopt);
            QCOMPARE(h.manager->items().first().kind, ClipItem::Kind::image);
        }
    }
};

WISPLET_TEST_MAIN(TestClipboardStorage)
#include "tst_clipboardstorage.moc"
