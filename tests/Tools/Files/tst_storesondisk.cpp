#include "Wisplet/Tools/Files/FileShelf.h"
#include "Wisplet/Tools/Links/LinksStore.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"
#include "tests/support/TinyDisk.h"

#include <sys/mount.h>

namespace {

// The links and the shelf as a user meets them, and their files as another program sees them.
class Store
{
public:
    virtual ~Store() = default;
    // A start of the program over the folder.
    virtual void start(const QString& folder) = 0;
    virtual void add(const QString& name) = 0;
    virtual void remove(const QString& name) = 0;
    virtual QStringList names() const = 0;
    virtual QString message() const = 0;
    // What the program does at quit.
    virtual bool quit() = 0;
    virtual QString fileName() const = 0;
    // The member an entry's name is stored under.
    virtual QString nameKey() const = 0;
};

class Links final : public Store
{
public:
    void start(const QString& folder) override { m_store = std::make_unique<LinksStore>(folder); }
    void add(const QString& name) override { m_store->addLink(name, "https://example.com/" + name); }
    void remove(const QString& name) override
    {
        const QList<QuickLink> links = m_store->links();
        const auto found =
            std::find_if(links.cbegin(), links.cend(), [&](const QuickLink& link) { return link.title == name; });
        m_store->removeLink(found == links.cend() ? QUuid::createUuid() : found->id);
    }
    QStringList names() const override
    {
        QStringList names;
        for (const QuickLink& link : m_store->links())
            names.append(link.title);
        return names;
    }
    QString message() const override { return m_store->message(); }
    bool quit() override { return m_store->save(); }
    QString fileName() const override { return "links.json"; }
    QString nameKey() const override { return "title"; }

private:
    std::unique_ptr<LinksStore> m_store;
};

class Shelf final : public Store
{
public:
    void start(const QString& folder) override { m_shelf = std::make_unique<FileShelf>(folder); }
    void add(const QString& name) override
    {
        QVERIFY(TestFiles::write(m_files.file(name), "x"));
        m_shelf->add({QUrl::fromLocalFile(m_files.file(name))});
    }
    void remove(const QString& name) override
    {
        const QList<ShelfItem>& items = m_shelf->items();
        const auto found =
            std::find_if(items.cbegin(), items.cend(), [&](const ShelfItem& item) { return item.name == name; });
        m_shelf->remove(found == items.cend() ? QUuid::createUuid() : found->id);
    }
    QStringList names() const override
    {
        QStringList names;
        for (const ShelfItem& item : m_shelf->items())
            names.append(item.name);
        return names;
    }
    QString message() const override { return m_shelf->message(); }
    bool quit() override { return m_shelf->save(); }
    QString fileName() const override { return "shelf.json"; }
    QString nameKey() const override { return "name"; }

private:
    TempFolder m_files;
    std::unique_ptr<FileShelf> m_shelf;
};

std::shared_ptr<Store> makeStore(const QString& kind)
{
    return kind == "links" ? std::shared_ptr<Store>(std::make_shared<Links>()) : std::make_shared<Shelf>();
}

// Another program rewrites the file in place, as an editor does.
// Each entry is handed to edit with its name; it is removed when edit says so.
using Edit = std::function<bool(QJsonObject& entry, const QString& name)>;

void editFile(const QString& path, const QString& nameKey, const Edit& edit)
{
    QJsonArray entries = QJsonDocument::fromJson(TestFiles::read(path)).array();
    for (qsizetype i = entries.size() - 1; i >= 0; --i) {
        QJsonObject entry = entries[i].toObject();
        if (edit(entry, entry.value(nameKey).toString()))
            entries[i] = entry;
        else
            entries.removeAt(i);
    }
    QVERIFY(TestFiles::write(path, QJsonDocument(entries).toJson()));
}

QStringList folderListing(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    names.removeOne("filler");
    return names;
}

enum class Trouble { fullDisk, readOnlyDisk, folderInItsPlace };

struct TroubleRow
{
    QString store;
    Trouble trouble;
};

struct OutsideRow
{
    QString store;
    // What the other program does to the file holding A and B, and what this run does next.
    std::function<void(const QString& path, const QString& nameKey)> outside;
    std::function<void(Store&)> here;
    QStringList shown;
    QStringList gone;
};

} // namespace

Q_DECLARE_METATYPE(TroubleRow)
Q_DECLARE_METATYPE(OutsideRow)

class TestStoresOnDisk final : public QObject
{
    Q_OBJECT

    static void oneRowPerStore()
    {
        QTest::addColumn<QString>("store");
        QTest::newRow("links") << "links";
        QTest::newRow("shelf") << "shelf";
    }

private slots:
    void aRefusedSaveKeepsTheFileAndTheChange_data()
    {
        QTest::addColumn<TroubleRow>("row");
        for (const char* store : {"links", "shelf"}) {
            QTest::addRow("%s, full disk", store) << TroubleRow{store, Trouble::fullDisk};
            QTest::addRow("%s, read-only disk", store) << TroubleRow{store, Trouble::readOnlyDisk};
            QTest::addRow("%s, a folder in its place", store) << TroubleRow{store, Trouble::folderInItsPlace};
        }
    }

    void aRefusedSaveKeepsTheFileAndTheChange()
    {
        QFETCH(TroubleRow, row);
        TinyDisk disk;
        TINY_DISK_OR_SKIP(disk);
        const std::shared_ptr<Store> store = makeStore(row.store);
        const QString path = disk.file(store->fileName());
        store->start(disk.path());
        store->add("A");
        const QByteArray before = TestFiles::read(path);
        QVERIFY(!before.isEmpty());
        switch (row.trouble) {
        case Trouble::fullDisk:
            QVERIFY(disk.fill());
            break;
        case Trouble::readOnlyDisk:
            QVERIFY(disk.makeReadOnly());
            break;
        case Trouble::folderInItsPlace:
            QVERIFY(QFile::remove(path) && QDir().mkpath(path + "/inside"));
            break;
        }
        const QStringList listing = folderListing(disk.path());

        store->add("B");
        QVERIFY(store->names().contains("B"));
        QVERIFY2(store->message().startsWith("Could not save"), qPrintable(store->message()));
        QCOMPARE(folderListing(disk.path()), listing);
        if (row.trouble == Trouble::folderInItsPlace)
            QVERIFY(QFileInfo::exists(path + "/inside"));
        else
            QCOMPARE(TestFiles::read(path), before);
        QVERIFY(!store->quit());

        switch (row.trouble) {
        case Trouble::fullDisk:
            disk.makeRoom();
            break;
        case Trouble::readOnlyDisk:
            QCOMPARE(::mount(nullptr, QFile::encodeName(disk.path()).constData(), nullptr, MS_REMOUNT, nullptr), 0);
            break;
        case Trouble::folderInItsPlace:
            QVERIFY(QDir(path).removeRecursively());
            break;
        }
        QVERIFY(store->quit());
        QVERIFY(store->message().isEmpty());
        store->start(disk.path());
        QVERIFY(store->names().contains("A") && store->names().contains("B"));
    }

    void anotherProgramsChangeIsTakenIn_data()
    {
        QTest::addColumn<OutsideRow>("row");
        for (const char* store : {"links", "shelf"}) {
            QTest::addRow("%s: added there, kept with ours", store)
                << OutsideRow{store,
                              [](const QString& path, const QString& key) {
                                  QJsonArray entries = QJsonDocument::fromJson(TestFiles::read(path)).array();
                                  QJsonObject added = entries.first().toObject();
                                  added.insert(key, "X");
                                  added.insert("id", QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
                                  entries.append(added);
                                  QVERIFY(TestFiles::write(path, QJsonDocument(entries).toJson()));
                              },
                              [](Store& here) { here.add("C"); },
                              {"A", "B", "C", "X"},
                              {}};
            QTest::addRow("%s: changed there, removed here, kept as changed", store)
                << OutsideRow{store,
                              [](const QString& path, const QString& key) {
                                  editFile(path, key, [&](QJsonObject& entry, const QString& name) {
                                      if (name == "A")
                                          entry.insert(key, "A2");
                                      return true;
                                  });
                              },
                              [](Store& here) { here.remove("A"); },
                              {"A2", "B"},
                              {"A"}};
            QTest::addRow("%s: removed there, stays removed", store)
                << OutsideRow{store,
                              [](const QString& path, const QString& key) {
                                  editFile(path, key, [](QJsonObject&, const QString& name) { return name != "B"; });
                              },
                              [](Store& here) { here.add("C"); },
                              {"A", "C"},
                              {"B"}};
        }
    }

    void anotherProgramsChangeIsTakenIn()
    {
        QFETCH(OutsideRow, row);
        const TempFolder folder;
        const std::shared_ptr<Store> store = makeStore(row.store);
        store->start(folder.path());
        store->add("A");
        store->add("B");
        row.outside(folder.file(store->fileName()), store->nameKey());

        row.here(*store);
        for (const QString& name : row.shown)
            QVERIFY2(store->names().contains(name), qPrintable(name));
        for (const QString& name : row.gone)
            QVERIFY2(!store->names().contains(name), qPrintable(name));
        QVERIFY2(store->message().contains("changed by another program"), qPrintable(store->message()));
        const QStringList shown = store->names();
        store->start(folder.path());
        QCOMPARE(store->names(), shown);
    }

    void aQuitWithNothingChangedWritesNothing_data()
    {
        QTest::addColumn<QString>("store");
        QTest::addColumn<bool>("withFile");
        for (const char* store : {"links", "shelf"}) {
            QTest::addRow("%s, first start", store) << QString(store) << false;
            QTest::addRow("%s, a file", store) << QString(store) << true;
        }
    }

    void aQuitWithNothingChangedWritesNothing()
    {
        QFETCH(QString, store);
        QFETCH(bool, withFile);
        const TempFolder folder;
        const std::shared_ptr<Store> kept = makeStore(store);
        const QString path = folder.file(kept->fileName());
        if (withFile) {
            kept->start(folder.path());
            kept->add("A");
        }
        const PrivateFiles::FileStamp before = PrivateFiles::stampOf(path);
        kept->start(folder.path());
        kept->remove("none of them");
        QVERIFY(kept->quit());
        QCOMPARE(PrivateFiles::stampOf(path), before);
    }

    void whatAnInterruptedSaveLeftIsGoneAfterTheStart_data() { oneRowPerStore(); }

    void whatAnInterruptedSaveLeftIsGoneAfterTheStart()
    {
        QFETCH(QString, store);
        const TempFolder folder;
        const std::shared_ptr<Store> kept = makeStore(store);
        const QString leftover = folder.file(kept->fileName() + ".Xb12Qz");
        QVERIFY(TestFiles::write(leftover, "[]"));
        kept->start(folder.path());
        QVERIFY(!QFileInfo::exists(leftover));
    }

    void aFileThatCannotBeOpenedIsLeftAndSaid_data() { oneRowPerStore(); }

    void aFileThatCannotBeOpenedIsLeftAndSaid()
    {
        QFETCH(QString, store);
        const TempFolder folder;
        const TempFolder elsewhere;
        const std::shared_ptr<Store> kept = makeStore(store);
        const QString path = folder.file(kept->fileName());
        kept->start(elsewhere.path());
        kept->add("Theirs");
        // A link to itself cannot be opened, by root either.
        QVERIFY(QFile::link(path, path));

        kept->start(folder.path());
        QVERIFY2(kept->message().startsWith("Could not open " + kept->fileName()), qPrintable(kept->message()));
        kept->add("Mine");
        QVERIFY(QFileInfo(path).isSymLink());
        QVERIFY(kept->names().contains("Mine"));
        QVERIFY(!kept->message().isEmpty());
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(), 1);

        // Mended: the file is there again, and the next save keeps what it holds with the change.
        QVERIFY(QFile::remove(path) && QFile::copy(elsewhere.file(kept->fileName()), path));
        QVERIFY(kept->quit());
        kept->start(folder.path());
        QVERIFY(kept->names().contains("Theirs") && kept->names().contains("Mine"));
    }

    void aSaveReplacesALinkNotTheFileItPointsTo_data() { oneRowPerStore(); }

    void aSaveReplacesALinkNotTheFileItPointsTo()
    {
        QFETCH(QString, store);
        const TempFolder folder;
        const TempFolder users;
        const std::shared_ptr<Store> kept = makeStore(store);
        kept->start(users.path());
        kept->add("A");
        const QString target = users.file(kept->fileName());
        QVERIFY(TestFiles::setMode(target, 0644));
        const QByteArray theirs = TestFiles::read(target);
        const QString path = folder.file(kept->fileName());
        QVERIFY(QFile::link(target, path));

        kept->start(folder.path());
        kept->add("B");
        QCOMPARE(TestFiles::read(target), theirs);
        QCOMPARE(TestFiles::mode(target), 0644);
        QVERIFY(!QFileInfo(path).isSymLink());
        kept->start(folder.path());
        QVERIFY(kept->names().contains("A") && kept->names().contains("B"));
    }
};

WISPLET_TEST_MAIN(TestStoresOnDisk)
#include "tst_storesondisk.moc"
