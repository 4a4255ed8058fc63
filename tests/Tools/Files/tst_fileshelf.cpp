#include "Wisplet/Tools/Files/FileShelf.h"
#include "tests/support/Files.h"
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
            QStringLiteral("Could not add ghost.txt: ") + QString::fromLocal8Bit(std::strerror(ENOENT));
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
        QFile::remove(shelf.filePath());

        shelf.add(urls(row.added));
        QCOMPARE(shelf.items().size(), row.expectedCount);
        QCOMPARE(shelf.message(), row.expectedMessage);
        // Every call saves once, even when it added nothing.
        QCOMPARE(QJsonDocument::fromJson(TestFiles::read(shelf.filePath())).array().size(), row.expectedCount);
    }

    void keepsItsFileInTheStoredForm()
    {
        FileShelf shelf(folder());
        shelf.add(urls({"a.txt", "sub"}));
        const QJsonArray stored = QJsonDocument::fromJson(TestFiles::read(shelf.filePath())).array();
        QCOMPARE(stored.size(), 2);
        const QJsonObject newest = stored.at(0).toObject();
        QCOMPARE(newest.value("name").toString(), QStringLiteral("sub"));
        QCOMPARE(newest.value("id").toString(), shelf.items().at(0).id.toString(QUuid::WithoutBraces).toUpper());
        const QByteArray bookmark = QByteArray::fromBase64(newest.value("bookmark").toString().toLatin1());
        QCOMPARE(QJsonDocument::fromJson(bookmark).object().value("path").toString(), file("sub"));

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

    void setsAnUnreadableFileAsideBeforeSaving_data()
    {
        QTest::addColumn<UnreadableRow>("row");
        QTest::newRow("not json") << UnreadableRow{"{oops", {}, "shelf.json.unreadable"};
        QTest::newRow("an object") << UnreadableRow{R"({"id":"x"})", {}, "shelf.json.unreadable"};
        QTest::newRow("a member missing") << UnreadableRow{
            R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"a"}])", {}, "shelf.json.unreadable"};
        QTest::newRow("an id that is no uuid")
            << UnreadableRow{R"([{"id":"nope","bookmark":"","name":"a"}])", {}, "shelf.json.unreadable"};
        QTest::newRow("bookmark not base64")
            << UnreadableRow{R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","bookmark":"@@","name":"a"}])",
                             {"shelf.json.unreadable"},
                             "shelf.json.unreadable-2"};
    }
    void setsAnUnreadableFileAsideBeforeSaving()
    {
        QFETCH(UnreadableRow, row);
        QVERIFY(TestFiles::write(folder() + "/shelf.json", row.contents));
        for (const QString& name : row.alreadyAside)
            QVERIFY(TestFiles::write(folder() + '/' + name, "older"));
        FileShelf shelf(folder());
        QVERIFY(shelf.items().isEmpty());
        QVERIFY(!QFile::exists(folder() + '/' + row.expectedAside));

        shelf.add(urls({"a.txt"}));
        QCOMPARE(TestFiles::read(folder() + '/' + row.expectedAside), row.contents);
        QCOMPARE(FileShelf(folder()).items().size(), 1);
        // Set aside once: the next save simply replaces the file.
        shelf.add(urls({"b.txt"}));
        QCOMPARE(QDir(folder()).entryList(QDir::Files).size(), row.alreadyAside.size() + 2);
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
        QVERIFY(shelf.message().startsWith(QStringLiteral("Could not add ghost.txt: ")));
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
