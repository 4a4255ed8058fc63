#include "Wisplet/Tools/Files/FileShelf.h"
#include "tests/support/Files.h"
#include "tests/support/StandIns.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

struct AddRow
{
    int filled; // distinct files already on the shelf
    QStringList before; // added first, one call
    QStringList added; // names in the folder (created), or full URLs
    int expectedCount;
    QString expectedMessage;
};
Q_DECLARE_METATYPE(AddRow)

struct UnreadableRow
{
    QByteArray contents;
    QStringList alreadyAside;
    QString expectedAside;
    QString reason;
};
Q_DECLARE_METATYPE(UnreadableRow)

class TestFileShelf final : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString folder() const { return m_dir->filePath("support"); }
    QString file(const QString& name) const { return m_dir->filePath("files/" + name); }
    QUrl urlOf(const QString& name) const { return name.contains(':') ? QUrl(name) : QUrl::fromLocalFile(file(name)); }
    QList<QUrl> urls(const QStringList& names) const
    {
        QList<QUrl> list;
        for (const QString& name : names)
            list.append(urlOf(name));
        return list;
    }
    QList<QUrl> numbered(int count, const QString& prefix = "f") const
    {
        QList<QUrl> list;
        for (int i = 0; i < count; ++i) {
            const QString name = prefix + QString::number(i);
            TestFiles::write(file(name), "x");
            list.append(urlOf(name));
        }
        return list;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        for (const char* name : {"a.txt", "b.txt", "c.txt", "sub/x/keep"})
            QVERIFY(TestFiles::write(file(name), "content"));
    }

    void addsByItsRules_data()
    {
        const QString full = QStringLiteral("The shelf holds 50 references. Remove some before adding more.");
        const QString missing =
            QStringLiteral(u"Could not add \u2068ghost.txt\u2069: ") + QString::fromLocal8Bit(std::strerror(ENOENT));
        QTest::addColumn<AddRow>("row");
        QTest::newRow("nothing") << AddRow{0, {}, {}, 0, {}};
        QTest::newRow("web addresses only") << AddRow{0, {}, {"https://example.com/a.txt"}, 0, {}};
        QTest::newRow("a folder") << AddRow{0, {}, {"sub"}, 1, {}};
        QTest::newRow("49 and three more") << AddRow{49, {}, {"a.txt", "b.txt", "c.txt"}, 50, full};
        QTest::newRow("full shelf before duplicates") << AddRow{50, {}, {"f0"}, 50, full};
        QTest::newRow("same file through dot-dot") << AddRow{0, {"a.txt"}, {"sub/x/../../a.txt"}, 1, {}};
        QTest::newRow("same file twice in one call") << AddRow{0, {}, {"b.txt", "b.txt"}, 1, {}};
        QTest::newRow("a path that does not exist") << AddRow{0, {}, {"ghost.txt", "a.txt"}, 1, missing};
    }
    void addsByItsRules()
    {
        QFETCH(AddRow, row);
        FileShelf shelf(folder());
        shelf.add(numbered(row.filled));
        shelf.add(urls(row.before));
        const qsizetype before = shelf.items().size();
        QFile::remove(shelf.filePath());

        shelf.add(urls(row.added));
        QCOMPARE(shelf.items().size(), row.expectedCount);
        QCOMPARE(shelf.message(), row.expectedMessage);
        // A call that added something saves the whole shelf; one that added nothing writes nothing.
        QCOMPARE(QJsonDocument::fromJson(TestFiles::read(shelf.filePath())).array().size(),
                 row.expectedCount > before ? row.expectedCount : 0);
    }

    void keepsItsFileInTheStoredForm()
    {
        FileShelf shelf(folder());
        // A folder's name is its last component, also with the trailing slash a file manager may give.
        shelf.add(urls({"a.txt", "sub/"}));
        const QJsonArray stored = QJsonDocument::fromJson(TestFiles::read(shelf.filePath())).array();
        QCOMPARE(stored.size(), 2);
        const QJsonObject newest = stored.at(0).toObject();
        QCOMPARE(newest.value("name").toString(), QStringLiteral("sub"));
        QCOMPARE(newest.value("id").toString(), shelf.items().at(0).id.toString(QUuid::WithoutBraces).toUpper());
        const QByteArray bookmark = QByteArray::fromBase64(newest.value("bookmark").toString().toLatin1());
        QCOMPARE(QJsonDocument::fromJson(bookmark).object().value("path").toString(), file("sub/"));

        FileShelf reloaded(folder());
        QCOMPARE(reloaded.items().size(), 2);
        QCOMPARE(reloaded.items().at(1).id, shelf.items().at(1).id);
        QCOMPARE(reloaded.items().at(1).resolvedPath(), file("a.txt"));
        QVERIFY(reloaded.message().isEmpty());
    }

    void aLongerFileLoadsWholeAndRefusesMore()
    {
        QJsonArray array;
        FileShelf writer(folder());
        writer.add(numbered(50));
        array = QJsonDocument::fromJson(TestFiles::read(writer.filePath())).array();
        array.append(array.at(0));
        QVERIFY(TestFiles::write(writer.filePath(), QJsonDocument(array).toJson()));
        FileShelf shelf(folder());
        QCOMPARE(shelf.items().size(), 51);
        shelf.add(urls({"a.txt"}));
        QCOMPARE(shelf.items().size(), 51);
        QVERIFY(!shelf.message().isEmpty());
    }

    void setsAnUnreadableFileAsideAndSays_data()
    {
        QTest::addColumn<UnreadableRow>("row");
        const QString aside = "shelf.json.unreadable";
        const QByteArray id = R"("id":"0F8FAD5B-D9CB-469F-A165-70867728950E")";
        QTest::newRow("not json") << UnreadableRow{"{oops", {}, aside, "damaged"};
        QTest::newRow("empty") << UnreadableRow{"", {}, aside, "damaged"};
        QTest::newRow("an object") << UnreadableRow{R"({"id":"x"})", {}, aside, "damaged"};
        QTest::newRow("a member missing") << UnreadableRow{"[{" + id + R"(,"name":"a"}])", {}, aside, "damaged"};
        QTest::newRow("a name that is no string")
            << UnreadableRow{"[{" + id + R"(,"bookmark":"eA==","name":7}])", {}, aside, "damaged"};
        QTest::newRow("an id that is no uuid")
            << UnreadableRow{R"([{"id":"nope","bookmark":"","name":"a"}])", {}, aside, "damaged"};
        QTest::newRow("bookmark not base64, an older one aside")
            << UnreadableRow{"[{" + id + R"(,"bookmark":"@@","name":"a"}])", {aside}, aside + "-2", "damaged"};
        // Not a file of ours to read: it stays where it is (no name aside), and nothing is saved over it.
        QTest::newRow("a FIFO") << UnreadableRow{StandIns::fifo, {}, {}, "not a regular file"};
        QTest::newRow("a folder") << UnreadableRow{StandIns::folder, {}, {}, "Is a directory"};
        QTest::newRow("over 4 MiB") << UnreadableRow{
            StandIns::sized(FileShelf::fileLimit + 1), {}, {}, "larger than 4 MiB"};
    }
    void setsAnUnreadableFileAsideAndSays()
    {
        QFETCH(UnreadableRow, row);
        QVERIFY(StandIns::place(folder() + "/shelf.json", row.contents));
        for (const QString& name : row.alreadyAside)
            QVERIFY(TestFiles::write(folder() + '/' + name, "older"));
        // A FIFO would block for ever here if it were opened to read.
        FileShelf shelf(folder());
        QVERIFY(shelf.items().isEmpty());
        if (row.expectedAside.isEmpty()) {
            QCOMPARE(shelf.message(),
                     QString("Could not open shelf.json (%1); it is left as it is and nothing is saved over it.")
                         .arg(row.reason));
            shelf.add(urls({"a.txt"}));
            QVERIFY(StandIns::isStill(folder() + "/shelf.json", row.contents));
            // Nothing was moved, and nothing written beside it.
            QCOMPARE(QDir(folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(), 1);
            return;
        }
        QCOMPARE(shelf.message(),
                 QString("Could not read shelf.json (%1); it was set aside as %2.").arg(row.reason, row.expectedAside));
        QVERIFY(StandIns::isStill(folder() + '/' + row.expectedAside, row.contents));
        // Set aside once: later saves replace the new file and leave the one set aside as it was.
        shelf.add(urls({"a.txt"}));
        shelf.add(urls({"b.txt"}));
        QCOMPARE(FileShelf(folder()).items().size(), 2);
        QVERIFY(StandIns::isStill(folder() + '/' + row.expectedAside, row.contents));
        QCOMPARE(QDir(folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(),
                 row.alreadyAside.size() + 2);
    }

    // A reference copied by hand, id and all: two references, and removing one leaves the other.
    void aReferenceCopiedByHandIsOneOfItsOwn()
    {
        FileShelf(folder()).add(urls({"a.txt"}));
        const QString path = folder() + "/shelf.json";
        QJsonArray items = QJsonDocument::fromJson(TestFiles::read(path)).array();
        items.append(items.first());
        QVERIFY(QFile::remove(path) && TestFiles::write(path, QJsonDocument(items).toJson()));
        FileShelf shelf(folder());
        QCOMPARE(shelf.items().size(), 2);
        QVERIFY(shelf.items().at(0).id != shelf.items().at(1).id);
        shelf.remove(shelf.items().at(1).id);
        QCOMPARE(FileShelf(folder()).items().size(), 1);
    }

    void aFailedSaveKeepsTheListAndSays()
    {
        QVERIFY(TestFiles::write(folder(), "a file where the folder should be"));
        FileShelf shelf(folder());
        shelf.add(urls({"a.txt"}));
        QCOMPARE(shelf.items().size(), 1);
        QCOMPARE(shelf.message(), QStringLiteral("Could not save shelf references."));
    }

    void aMessageOutlivesLaterSuccess()
    {
        FileShelf shelf(folder());
        QSignalSpy messages(&shelf, &FileShelf::messageChanged);
        shelf.add(urls({"ghost.txt"}));
        shelf.add(urls({"a.txt"}));
        QCOMPARE(messages.size(), 1);
        QVERIFY(shelf.message().startsWith(QStringLiteral(u"Could not add \u2068ghost.txt\u2069: ")));
    }

    void dropsTakeTheFirstFiftyFilesNewestFirst()
    {
        FileShelf shelf(folder());
        QSignalSpy saves(&shelf, &FileShelf::itemsChanged);
        QList<QUrl> dropped = numbered(60);
        dropped.prepend(QUrl("https://example.com/page"));
        QVERIFY(shelf.handleDrop(dropped));
        QCOMPARE(shelf.items().size(), 50);
        QCOMPARE(shelf.items().first().name, QStringLiteral("f49"));
        QCOMPARE(saves.size(), 50);
        QVERIFY(shelf.message().isEmpty());

        FileShelf other(m_dir->filePath("other"));
        QVERIFY(!other.handleDrop({QUrl("https://example.com/page")}));
        QVERIFY(other.items().isEmpty());
        QVERIFY(!QFile::exists(other.filePath()));
    }

    void removesEveryReferenceWithTheIdAndSaves()
    {
        FileShelf shelf(folder());
        shelf.add(urls({"a.txt", "b.txt", "c.txt"}));
        const QUuid middle = shelf.items().at(1).id;
        shelf.remove(middle);
        shelf.remove(QUuid::createUuid());
        QCOMPARE(shelf.items().size(), 2);
        QCOMPARE(shelf.items().at(0).name, QStringLiteral("c.txt"));
        QCOMPARE(shelf.items().at(1).name, QStringLiteral("a.txt"));
        QCOMPARE(FileShelf(folder()).items().size(), 2);
    }
};

WISPLET_TEST_MAIN(TestFileShelf)
#include "tst_fileshelf.moc"
