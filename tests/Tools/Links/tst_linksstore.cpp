#include "Wisplet/Tools/Links/LinksStore.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QStandardPaths>

namespace {

const QByteArray keyMissing = R"([{"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","title":"t"}])";
const QByteArray idNotUuid = R"([{"id":"1","title":"t","url":"https://a.b"}])";

QStringList titles(const QList<QuickLink>& links)
{
    QStringList result;
    for (const QuickLink& link : links)
        result << link.title;
    return result;
}

// A typed title and address, and the link they make.
struct Entry
{
    const char* typedTitle;
    const char* typedURL;
    const char* title;
    const char* url;
};

} // namespace

Q_DECLARE_METATYPE(Entry)

class TestLinksStore final : public QObject
{
    Q_OBJECT

private:
    TempFolder m_places;

private slots:
    void initTestCase() { QVERIFY(QDir().mkpath(m_places.file("My Stuff"))); }

    void addLink_data()
    {
        // "<places>" stands for a folder that exists.
        QTest::addColumn<Entry>("entry");
        QTest::newRow("bare host gets https") << Entry{"", "example.com", "example.com", "https://example.com"};
        QTest::newRow("blanks and tabs trimmed")
            << Entry{" \tDocs ", "\t example.com/guide  ", "Docs", "https://example.com/guide"};
        QTest::newRow("blank title takes the host")
            << Entry{"   ", "example.com/a?b=c", "example.com", "https://example.com/a?b=c"};
        QTest::newRow("any scheme kept") << Entry{"", "ftp://f.example.org/p", "f.example.org",
                                                  "ftp://f.example.org/p"};
        QTest::newRow("existing folder, encoded, with a slash")
            << Entry{"", "<places>/My Stuff", "file://<places>/My%20Stuff/", "file://<places>/My%20Stuff/"};
        QTest::newRow("missing path") << Entry{"Gone", "/no/such/place", "Gone", "file:///no/such/place"};
        QTest::newRow("tilde not expanded") << Entry{"Home", "~/Documents", "Home", "https://~/Documents"};
    }

    void addLink()
    {
        QFETCH(Entry, entry);
        const auto placed = [this](const char* text) {
            return QString::fromUtf8(text).replace(QStringLiteral("<places>"), m_places.path());
        };
        TempFolder folder;
        LinksStore store(folder.path());
        store.addLink(placed(entry.typedTitle), placed(entry.typedURL));
        QCOMPARE(store.links().size(), 3);
        QCOMPARE(store.links().last().title, placed(entry.title));
        QCOMPARE(store.links().last().url, placed(entry.url));
        QCOMPARE(decodeLinks(TestFiles::read(store.linksPath())), store.links());
    }

    void defaultsReachTheFileOnlyWithAChange()
    {
        TempFolder folder;
        {
            LinksStore store(folder.path());
            QCOMPARE(store.links().size(), 2);
            const QString downloads = store.links().at(1).url;
            QVERIFY(downloads.startsWith(QStringLiteral("file://")));
            QVERIFY(downloads.endsWith(u'/'));
            QVERIFY(QUrl(downloads).toLocalFile().startsWith(
                QStandardPaths::writableLocation(QStandardPaths::DownloadLocation)));
            QVERIFY(!QFileInfo::exists(store.linksPath()));
            store.removeLink(store.links().at(0).id);
        }
        LinksStore again(folder.path());
        QCOMPARE(again.links().size(), 1);
        QCOMPARE(again.links().at(0).url.left(7), QStringLiteral("file://"));
    }

    void anEmptyListStaysEmpty()
    {
        TempFolder folder;
        QVERIFY(TestFiles::write(folder.file("links.json"), "[]"));
        LinksStore store(folder.path());
        QVERIFY(store.links().isEmpty());
        store.removeLink(QUuid::createUuid()); // no match: written all the same
        QCOMPARE(TestFiles::read(folder.file("links.json")), "[]");
        QCOMPARE(TestFiles::mode(folder.file("links.json")), 0600);
    }

    void unreadableFilesAreSetAsideBeforeTheFirstWrite_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("not JSON") << QByteArray("[{\"id\":");
        QTest::newRow("a key missing") << keyMissing;
        QTest::newRow("id not a UUID") << idNotUuid;
        QTest::newRow("a folder") << QByteArray("<folder>");
    }

    void unreadableFilesAreSetAsideBeforeTheFirstWrite()
    {
        QFETCH(QByteArray, contents);
        TempFolder folder;
        const QString path = folder.file("links.json");
        const auto placeBadFile = [&](const QByteArray& variant) {
            if (contents == "<folder>")
                return QDir().mkpath(path + "/" + variant);
            return TestFiles::write(path, contents + variant);
        };
        for (const QByteArray& variant : {QByteArray("1"), QByteArray("2")}) {
            QFile::remove(path); // the good file the first round wrote
            QVERIFY(placeBadFile(variant));
            LinksStore store(folder.path());
            QCOMPARE(store.links().size(), 2); // the defaults, the bad file untouched until a change
            QVERIFY(!QFileInfo::exists(path + ".unreadable-" + variant));
            store.addLink(QString(), QStringLiteral("example.com"));
            QCOMPARE(titles(store.links()).last(), QStringLiteral("example.com"));
            QCOMPARE(decodeLinks(TestFiles::read(path)), store.links());
        }
        // The first copy is never overwritten by the second.
        if (contents == "<folder>") {
            QVERIFY(QFileInfo(path + ".unreadable/1").isDir());
            QVERIFY(QFileInfo(path + ".unreadable-2/2").isDir());
        } else {
            QCOMPARE(TestFiles::read(path + ".unreadable"), contents + "1");
            QCOMPARE(TestFiles::read(path + ".unreadable-2"), contents + "2");
        }
    }
};

WISPLET_TEST_MAIN(TestLinksStore)
#include "tst_linksstore.moc"
