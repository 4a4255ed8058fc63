#include "Wisplet/Base/StoredList.h"
#include "tests/support/Files.h"
#include "tests/support/StandIns.h"
#include "tests/support/TestMain.h"
#include "tests/support/Texts.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

struct Item
{
    QUuid id;
    QString text;

    friend bool operator==(const Item&, const Item&) = default;
};

constexpr qint64 maxBytes = 4096;

StoredList<Item>::Format format()
{
    return {
        [](const QByteArray& contents, QString& whyNot) -> std::optional<QList<Item>> {
            whyNot = QStringLiteral("not ours");
            const QJsonDocument document = QJsonDocument::fromJson(contents);
            if (!document.isArray())
                return std::nullopt;
            QList<Item> items;
            for (const QJsonValue& value : document.array())
                items.append({QUuid(value[QLatin1String("id")].toString()), value[QLatin1String("text")].toString()});
            return items;
        },
        [](const QList<Item>& items) {
            QJsonArray array;
            for (const Item& item : items)
                array.append(QJsonObject{{"id", item.id.toString()}, {"text", item.text}});
            return QJsonDocument(array).toJson(QJsonDocument::Compact);
        }};
}

KeptFile::Words words()
{
    return {[](KeptFile::Trouble trouble, const QString& reason) {
                const char* what[] = {"unopened", "in the way", "not set aside", "not written"};
                return QStringLiteral("%1: %2").arg(QLatin1String(what[int(trouble)]), reason);
            },
            [](bool keptTwice) { return keptTwice ? QStringLiteral("kept twice") : QStringLiteral("taken in"); }};
}

const QUuid idA = QUuid::fromString(u"6F9619FF-8B86-D011-B42D-00C04FC964FF");
const QUuid idB = QUuid::fromString(u"7F9619FF-8B86-D011-B42D-00C04FC964FF");
const QUuid idC = QUuid::fromString(u"8F9619FF-8B86-D011-B42D-00C04FC964FF");

QByteArray file(const QList<Item>& items)
{
    return format().encode(items);
}

QStringList textsIn(const QString& path)
{
    QString whyNot;
    return textsOf(format().decode(TestFiles::read(path), whyNot).value_or(QList<Item>()), &Item::text);
}

const QByteArray startingFile = file({{idA, "one"}, {idB, "two"}});

// Another program leaves something at the path between our read and our save, while A is edited here.
struct OutsideRow
{
    // Null: it removed the file.
    QByteArray theirs;
    bool saved;
    // The texts in the file after the save; while it fails, the list keeps them.
    QStringList texts;
    // The page's line.
    QString message;
};

// A file holding one id twice (an entry copied by hand, id and all), something done to it here and by
// another program, and the texts in the file after the save.
struct RepeatRow
{
    std::function<void(QList<Item>&)> ours;
    // The file another program leaves, from the texts of the pair ("one", "copy") and a third item's.
    QByteArray theirs;
    QStringList texts;
};

// While it lives, one more file can be open and no other: a write makes its temporary file and then cannot
// open its folder to sync it once the temporary file has taken the folder's place.
class OneMoreFile final
{
public:
    OneMoreFile()
    {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        const int lowestFree = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        ::close(lowestFree);
        rlimit limit = m_saved;
        limit.rlim_cur = rlim_t(lowestFree + 1);
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    ~OneMoreFile() { ::setrlimit(RLIMIT_NOFILE, &m_saved); }
    Q_DISABLE_COPY_MOVE(OneMoreFile)

private:
    rlimit m_saved = {};
};

// What a page shows, and the file's line before and after a save; what the page is to show next, if anything.
struct PageRow
{
    QString shown;
    QString before;
    QString after;
    std::optional<QString> next;
};

} // namespace

Q_DECLARE_METATYPE(OutsideRow)
Q_DECLARE_METATYPE(RepeatRow)
Q_DECLARE_METATYPE(PageRow)

class TestStoredList final : public QObject
{
    Q_OBJECT

private slots:
    void aSaveTakesInWhatAnotherProgramLeft_data()
    {
        QTest::addColumn<OutsideRow>("row");
        const QStringList ours{"here", "two"};
        QTest::newRow("rewritten as it was: nothing to say") << OutsideRow{startingFile, true, ours, ""};
        QTest::newRow("added there") << OutsideRow{
            file({{idC, "three"}, {idA, "one"}, {idB, "two"}}), true, {"three", "here", "two"}, "taken in"};
        QTest::newRow("changed there and here: kept twice")
            << OutsideRow{file({{idA, "there"}, {idB, "two"}}), true, {"there", "here", "two"}, "kept twice"};
        QTest::newRow("removed there, left alone here") << OutsideRow{file({{idA, "one"}}), true, {"here"}, "taken in"};
        QTest::newRow("removed there, changed here: kept") << OutsideRow{file({{idB, "two"}}), true, ours, ""};
        QTest::newRow("the file removed: written anew") << OutsideRow{{}, true, ours, ""};
        QTest::newRow("no longer ours: set aside") << OutsideRow{
            "{}", true, ours, "Could not read store.json (not ours); it was set aside as store.json.unreadable."};
        QTest::newRow("a folder stays") << OutsideRow{StandIns::folder, false, ours, "in the way: Is a directory"};
        QTest::newRow("a pipe stays") << OutsideRow{StandIns::fifo, false, ours, "in the way: not a regular file"};
        QTest::newRow("a file too large stays")
            << OutsideRow{StandIns::sized(maxBytes + 1), false, ours, "in the way: larger than 4 KiB"};
        QTest::newRow("a file that cannot be opened stays")
            << OutsideRow{"<loop>", false, ours, "unopened: Too many levels of symbolic links"};
    }

    void aSaveTakesInWhatAnotherProgramLeft()
    {
        QFETCH(OutsideRow, row);
        const TempFolder folder;
        const QString path = folder.file("store.json");
        QVERIFY(TestFiles::write(path, startingFile));
        StoredList<Item> stored(path, maxBytes, format(), words());
        QList<Item> list = stored.load({});
        list[0].text = "here";
        if (row.theirs.isNull())
            QVERIFY(QFile::remove(path));
        else if (row.theirs == "<loop>")
            QVERIFY(QFile::remove(path) && QFile::link(path, path));
        else
            QVERIFY(QFile::remove(path) && StandIns::place(path, row.theirs));

        const StoredList<Item>::Saved saved = stored.save(list);
        QCOMPARE(saved.ok, row.saved);
        QCOMPARE(stored.message(), row.message);
        QCOMPARE(textsOf(list, &Item::text), row.texts);
        // Ours, changed on both sides, took a fresh id; theirs kept its own.
        QCOMPARE(saved.renamed.keys(), row.message == "kept twice" ? QList<QUuid>{idA} : QList<QUuid>());
        if (!saved.renamed.isEmpty())
            QCOMPARE(saved.renamed.value(idA), list.at(1).id);
        if (row.theirs == "{}")
            QCOMPARE(TestFiles::read(path + ".unreadable"), row.theirs);
        if (!row.saved) {
            // Left as it was, looked at again at every save, and the change waits for the way to clear.
            QVERIFY(!stored.save(list).ok);
            QVERIFY(row.theirs == "<loop>" ? QFileInfo(path).isSymLink() : StandIns::isStill(path, row.theirs));
            QVERIFY(QFileInfo(path).isDir() ? QDir(path).removeRecursively() : QFile::remove(path));
            QVERIFY(stored.save(list).ok);
            QCOMPARE(stored.message(), QString());
        }
        QCOMPARE(textsIn(path), row.texts);
        QVERIFY(stored.save(list).ok);
        QCOMPARE(StoredList<Item>(path, maxBytes, format(), words()).load({}), list);
    }

    // Each of a pair that shares an id is an item of its own: read, merged, changed and removed alone.
    void aRepeatedIdIsReadAsTwoItems_data()
    {
        QTest::addColumn<RepeatRow>("row");
        const auto editSecond = [](QList<Item>& list) { list[1].text = "copy here"; };
        const auto removeFirst = [](QList<Item>& list) { list.removeFirst(); };
        const auto addOne = [](QList<Item>& list) { list.append({QUuid::createUuid(), "new"}); };
        QTest::newRow("removing the first leaves the second") << RepeatRow{removeFirst, {}, {"copy", "three"}};
        QTest::newRow("the first edited there, the second here") << RepeatRow{
            editSecond, file({{idA, "one there"}, {idA, "copy"}, {idC, "three"}}), {"one there", "copy here", "three"}};
        QTest::newRow("the second edited there, the first removed here") << RepeatRow{
            removeFirst, file({{idA, "one"}, {idA, "copy there"}, {idC, "three"}}), {"copy there", "three"}};
        QTest::newRow("reordered there, added here")
            << RepeatRow{addOne, file({{idC, "three"}, {idA, "one"}, {idA, "copy"}}), {"three", "one", "copy", "new"}};
    }

    void aRepeatedIdIsReadAsTwoItems()
    {
        QFETCH(RepeatRow, row);
        const TempFolder folder;
        const QString path = folder.file("store.json");
        QVERIFY(TestFiles::write(path, file({{idA, "one"}, {idA, "copy"}, {idC, "three"}})));
        StoredList<Item> stored(path, maxBytes, format(), words());
        QList<Item> list = stored.load({});
        QCOMPARE(list.size(), 3);
        QCOMPARE(list.at(0).id, idA);
        QVERIFY(list.at(1).id != idA && list.at(1).id != idC && !list.at(1).id.isNull());
        // The same file read again gives the copy the same id.
        QCOMPARE(StoredList<Item>(path, maxBytes, format(), words()).load({}), list);
        const QUuid copyId = list.at(1).id;
        row.ours(list);
        if (!row.theirs.isNull())
            QVERIFY(QFile::remove(path) && TestFiles::write(path, row.theirs));
        QVERIFY(stored.save(list).ok);
        QCOMPARE(textsIn(path), row.texts);
        QCOMPARE(textsOf(list, &Item::text), row.texts);
        QVERIFY(!stored.message().contains("kept twice"));
        // Whoever changed it, the copy is the item it was.
        for (const Item& item : std::as_const(list))
            QCOMPARE(item.text.startsWith("copy"), item.id == copyId);
    }

    // The file holds the save whose folder could not be synced: the next save knows it for its own, and an
    // item changed again is not taken for one changed by another program too.
    void aWriteWhoseFolderSyncFailedIsStillOurs()
    {
        const TempFolder folder;
        const QString path = folder.file("store.json");
        QVERIFY(TestFiles::write(path, startingFile));
        StoredList<Item> stored(path, maxBytes, format(), words());
        QList<Item> list = stored.load({});
        list[0].text = "first";
        {
            const OneMoreFile limit;
            QVERIFY(!stored.save(list).ok);
        }
        QVERIFY2(stored.message().startsWith("not written: "), qPrintable(stored.message()));
        QCOMPARE(textsIn(path), (QStringList{"first", "two"}));
        list[0].text = "second";
        const StoredList<Item>::Saved saved = stored.save(list);
        QVERIFY(saved.ok);
        QVERIFY(saved.renamed.isEmpty());
        QCOMPARE(textsIn(path), (QStringList{"second", "two"}));
        QCOMPARE(stored.message(), QString());
    }

    void aLinkInItsPlaceIsReplacedNotFollowed()
    {
        const TempFolder folder;
        const TempFolder users;
        // The user's own file, kept elsewhere.
        const QString theirs = users.file("mine.json");
        QVERIFY(TestFiles::write(theirs, startingFile) && TestFiles::setMode(theirs, 0644));
        const QString path = folder.file("store.json");
        QVERIFY(QFile::link(theirs, path));
        StoredList<Item> stored(path, maxBytes, format(), words());
        QList<Item> list = stored.load({});
        list[0].text = "here";

        QVERIFY(stored.save(list).ok);
        QCOMPARE(TestFiles::read(theirs), startingFile);
        QCOMPARE(TestFiles::mode(theirs), 0644);
        QVERIFY(!QFileInfo(path).isSymLink());
        QCOMPARE(textsIn(path), (QStringList{"here", "two"}));
    }

    void aFailedSaveIsSaidUntilOneSucceeds()
    {
        const TempFolder folder;
        const QString path = folder.file("store.json");
        StoredList<Item> stored(path, maxBytes, format(), words());
        QList<Item> list = stored.load({});
        list.append({idA, QString(maxBytes, u'x')});
        QCOMPARE(stored.save(list).ok, false);
        QVERIFY2(stored.message().startsWith("not written: it would be larger than 4 KiB"),
                 qPrintable(stored.message()));
        QVERIFY(!QFileInfo::exists(path));
        // Nothing left to save is no failure either.
        list.clear();
        QVERIFY(stored.save(list).ok);
        QCOMPARE(stored.message(), QString());
    }

    void whatThePageShowsOfTheFilesLine_data()
    {
        QTest::addColumn<PageRow>("row");
        QTest::newRow("a new line of the file's replaces the store's") << PageRow{"own", "", "failed", "failed"};
        QTest::newRow("the file's line unchanged is not shown again") << PageRow{"own", "failed", "failed", {}};
        QTest::newRow("a failure mended takes its line with it") << PageRow{"failed", "failed", "", ""};
        QTest::newRow("a failure mended leaves the store's own line") << PageRow{"own", "failed", "", {}};
    }

    void whatThePageShowsOfTheFilesLine()
    {
        QFETCH(PageRow, row);
        QCOMPARE(KeptFile::pageLine(row.shown, row.before, row.after), row.next);
    }
};

WISPLET_TEST_MAIN(TestStoredList)
#include "tst_storedlist.moc"
