#include "Wisplet/Tools/Files/FileShelf.h"
#include "Wisplet/Tools/Links/LinksStore.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"
#include "tests/support/Texts.h"
#include "tests/support/TinyDisk.h"

#include <sys/mount.h>

namespace {

// The links or the shelf as a user meets them, entries named by their title or file name.
class Store
{
public:
    explicit Store(const QString& kind)
        : m_links(kind == "links")
    { }

    QString fileName() const { return m_links ? "links.json" : "shelf.json"; }
    QString nameKey() const { return m_links ? "title" : "name"; }
    // A start of the program over the folder.
    void start(const QString& folder)
    {
        m_linksStore.reset();
        m_shelf.reset();
        if (m_links)
            m_linksStore = std::make_unique<LinksStore>(folder);
        else
            m_shelf = std::make_unique<FileShelf>(folder);
    }
    void add(const QString& name)
    {
        TestFiles::write(m_files.file(name), "x");
        if (m_links)
            m_linksStore->addLink(name, "https://example.com/" + name);
        else
            m_shelf->add({QUrl::fromLocalFile(m_files.file(name))});
    }
    // Removes the entry of that name, or an id that none has.
    void remove(const QString& name)
    {
        const qsizetype at = names().indexOf(name);
        if (m_links)
            m_linksStore->removeLink(at < 0 ? QUuid::createUuid() : m_linksStore->links().at(at).id);
        else
            m_shelf->remove(at < 0 ? QUuid::createUuid() : m_shelf->items().at(at).id);
    }
    QStringList names() const
    {
        return m_links ? textsOf(m_linksStore->links(), &QuickLink::title)
                       : textsOf(m_shelf->items(), &ShelfItem::name);
    }
    bool shows(const QStringList& wanted) const
    {
        return std::all_of(wanted.cbegin(), wanted.cend(), [&](const QString& name) { return names().contains(name); });
    }
    QString message() const { return m_links ? m_linksStore->message() : m_shelf->message(); }
    // What the program does at quit.
    bool quit() { return m_links ? m_linksStore->save() : m_shelf->save(); }

private:
    bool m_links;
    TempFolder m_files;
    std::unique_ptr<LinksStore> m_linksStore;
    std::unique_ptr<FileShelf> m_shelf;
};

void addRowPerStore()
{
    QTest::addColumn<QString>("store");
    QTest::newRow("links") << "links";
    QTest::newRow("shelf") << "shelf";
}

enum class Trouble { fullDisk, readOnlyDisk, folderInItsPlace };

} // namespace

Q_DECLARE_METATYPE(Trouble)

class TestStoresOnDisk final : public QObject
{
    Q_OBJECT

private slots:
    void aRefusedSaveKeepsTheFileAndTheChange_data()
    {
        QTest::addColumn<QString>("store");
        QTest::addColumn<Trouble>("trouble");
        for (const char* store : {"links", "shelf"}) {
            QTest::addRow("%s, full disk", store) << QString(store) << Trouble::fullDisk;
            QTest::addRow("%s, read-only disk", store) << QString(store) << Trouble::readOnlyDisk;
            QTest::addRow("%s, a folder in its place", store) << QString(store) << Trouble::folderInItsPlace;
        }
    }

    void aRefusedSaveKeepsTheFileAndTheChange()
    {
        QFETCH(QString, store);
        QFETCH(Trouble, trouble);
        TinyDisk disk;
        TINY_DISK_OR_SKIP(disk);
        Store kept(store);
        const QString path = disk.file(kept.fileName());
        kept.start(disk.path());
        kept.add("A");
        const QByteArray before = TestFiles::read(path);
        if (trouble == Trouble::fullDisk)
            QVERIFY(disk.fill());
        else if (trouble == Trouble::readOnlyDisk)
            QVERIFY(disk.makeReadOnly());
        else
            QVERIFY(QFile::remove(path) && QDir().mkpath(path + "/inside"));
        const auto listing = [&] { return QDir(disk.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot); };
        const QStringList entries = listing();

        kept.add("B");
        QVERIFY(kept.shows({"A", "B"}));
        QVERIFY2(kept.message().startsWith("Could not save"), qPrintable(kept.message()));
        QCOMPARE(listing(), entries);
        QVERIFY(trouble == Trouble::folderInItsPlace ? QFileInfo::exists(path + "/inside")
                                                     : TestFiles::read(path) == before);
        QVERIFY(!kept.quit());

        // Room is made: the quit writes the change and the page no longer speaks of it.
        if (trouble == Trouble::fullDisk)
            disk.makeRoom();
        else if (trouble == Trouble::readOnlyDisk)
            QCOMPARE(::mount(nullptr, QFile::encodeName(disk.path()).constData(), nullptr, MS_REMOUNT, nullptr), 0);
        else
            QVERIFY(QDir(path).removeRecursively());
        QVERIFY(kept.quit());
        QVERIFY(kept.message().isEmpty());
        kept.start(disk.path());
        QVERIFY(kept.shows({"A", "B"}));
    }

    void anotherProgramsChangeIsTakenIn_data() { addRowPerStore(); }

    void anotherProgramsChangeIsTakenIn()
    {
        QFETCH(QString, store);
        const TempFolder folder;
        Store kept(store);
        kept.start(folder.path());
        kept.add("A");
        kept.add("B");
        // Another program rewrites the file in place, as an editor does, adding to it.
        const QString path = folder.file(kept.fileName());
        QJsonArray entries = QJsonDocument::fromJson(TestFiles::read(path)).array();
        QJsonObject entry = entries.first().toObject();
        entry.insert(kept.nameKey(), "X");
        entry.insert("id", QUuid::createUuid().toString(QUuid::WithoutBraces));
        entries.append(entry);
        QVERIFY(TestFiles::write(path, QJsonDocument(entries).toJson()));

        kept.add("C");
        QCOMPARE(kept.names().size(), 4 + (store == "links" ? 2 : 0)); // the two default links
        QVERIFY(kept.shows({"A", "B", "C", "X"}));
        QVERIFY2(kept.message().contains("changed by another program"), qPrintable(kept.message()));
        const QStringList names = kept.names();
        kept.start(folder.path());
        QCOMPARE(kept.names(), names);
    }

    void aStartAndAQuitWithNothingChangedWriteNothing_data() { addRowPerStore(); }

    void aStartAndAQuitWithNothingChangedWriteNothing()
    {
        QFETCH(QString, store);
        const TempFolder folder;
        Store kept(store);
        const QString path = folder.file(kept.fileName());
        kept.start(folder.path());
        kept.remove("none of them");
        QVERIFY(kept.quit());
        QVERIFY(!QFileInfo::exists(path));

        kept.add("A");
        const PrivateFiles::FileStamp before = PrivateFiles::stampOf(path);
        // What an interrupted save left goes at the next start.
        const QString leftover = path + ".Xb12Qz";
        QVERIFY(TestFiles::write(leftover, "[]"));
        kept.start(folder.path());
        QVERIFY(!QFileInfo::exists(leftover));
        kept.remove("none of them");
        QVERIFY(kept.quit());
        QCOMPARE(PrivateFiles::stampOf(path), before);
    }

    void aFileThatCannotBeOpenedIsLeftAndSaid_data() { addRowPerStore(); }

    void aFileThatCannotBeOpenedIsLeftAndSaid()
    {
        QFETCH(QString, store);
        const TempFolder folder;
        const TempFolder elsewhere;
        Store kept(store);
        const QString path = folder.file(kept.fileName());
        kept.start(elsewhere.path());
        kept.add("Theirs");
        // A link to itself cannot be opened, by root either.
        QVERIFY(QFile::link(path, path));

        kept.start(folder.path());
        QVERIFY2(kept.message().startsWith("Could not open " + kept.fileName()), qPrintable(kept.message()));
        kept.add("Mine");
        QVERIFY(kept.shows({"Mine"}));
        QVERIFY(kept.message().startsWith("Could not save"));
        QVERIFY(QFileInfo(path).isSymLink());
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(), 1);

        // Mended: the next save keeps what the file holds with the change.
        QVERIFY(QFile::remove(path) && QFile::copy(elsewhere.file(kept.fileName()), path));
        QVERIFY(kept.quit());
        kept.start(folder.path());
        QVERIFY(kept.shows({"Theirs", "Mine"}));
    }
};

WISPLET_TEST_MAIN(TestStoresOnDisk)
#include "tst_storesondisk.moc"
