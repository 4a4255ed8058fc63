#include "Wisplet/Base/OutsideText.h"
#include "Wisplet/Tools/Links/LinksStore.h"
#include "Wisplet/Tools/Links/ShownAddress.h"
#include "tests/support/Files.h"
#include "tests/support/StandIns.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

// moc reads no raw strings inside the class.
const QByteArray keyMissing = R"([{"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","title":"t"}])";
const QByteArray idNotUuid = R"([{"id":"1","title":"t","url":"https://a.b"}])";

// A typed title and address, and the link they make; "<places>" stands for a folder that exists.
struct Entry
{
    const char* typedTitle;
    const char* typedURL;
    const char* title;
    const char* url;
};

// What is typed into the address field, and what is stored, or else (stored empty) a part of the refusal.
struct Typed
{
    QString typed;
    QString stored;
    QString said = {};
};

} // namespace

Q_DECLARE_METATYPE(Entry)
Q_DECLARE_METATYPE(Typed)

class TestLinksStore final : public QObject
{
    Q_OBJECT

private:
    TempFolder m_places;

private slots:
    void initTestCase() { QVERIFY(QDir().mkpath(m_places.file("My Stuff"))); }

    void addLink_data()
    {
        QTest::addColumn<Entry>("entry");
        QTest::newRow("bare host: https, blank title takes the host")
            << Entry{" \t", "\t example.com/a?b=c  ", "example.com", "https://example.com/a?b=c"};
        QTest::newRow("title trimmed, any scheme kept")
            << Entry{" Docs\t", "ftp://f.example.org/p", "Docs", "ftp://f.example.org/p"};
        QTest::newRow("existing folder, encoded, with a slash")
            << Entry{"", "<places>/My Stuff", "file://<places>/My%20Stuff/", "file://<places>/My%20Stuff/"};
        QTest::newRow("missing path") << Entry{"Gone", "/no/such/place", "Gone", "file:///no/such/place"};
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

    // The chip and the tooltip show the host as a browser does, whichever form the address was typed or kept in.
    void aHostShowsAsABrowserShowsIt_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("shown");
        QTest::newRow("look-alike in one script, as punycode") << "xn--80ak6aa92e.com" << "xn--80ak6aa92e.com";
        QTest::newRow("look-alike in one script, pasted decoded") << u"аррӏе.com"_s << "xn--80ak6aa92e.com";
        QTest::newRow("Latin and Cyrillic mixed") << u"pаypal.com"_s << "xn--pypal-4ve.com";
        QTest::newRow("Latin look-alike of an ASCII letter") << u"facebookı.com"_s << "xn--facebook-0kb.com";
        QTest::newRow("Latin with an accent") << u"bücher.de"_s << u"bücher.de"_s;
        QTest::newRow("Cyrillic that reads as no ASCII name") << u"пример.рф"_s << u"пример.рф"_s;
        QTest::newRow("Han, under a top-level domain Qt would not decode") << u"例子.测试"_s << u"例子.测试"_s;
    }

    void aHostShowsAsABrowserShowsIt()
    {
        QFETCH(QString, host);
        QFETCH(QString, shown);
        const QString address = "https://" + host + "/login";
        const QString title = LinkRules::title(QString(), address);
        QCOMPARE(title, shown);
        QCOMPARE(ShownAddress::text(address), OutsideText::isolated("https://" + shown + "/login"));
        // A file written by hand, or titled by an earlier version from the decoded host.
        QCOMPARE(LinkRules::shownTitle({QUuid::createUuid(), QUrl(address).host(), address}), shown);
        QCOMPARE(LinkRules::shownTitle({QUuid::createUuid(), "Shop", address}), QStringLiteral("Shop"));
    }

    // However an address holds a bidi control, the tooltip keeps its characters in their order.
    void bidiControlsShowAsMarks_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("shown");
        QTest::newRow("encoded in the path") << "https://paypal.com/%E2%80%AEmoc.live" << u"https://paypal.com/�moc.live"_s;
        QTest::newRow("in the host, no URL") << u"https://paypal.com\u202E/moc.live"_s << "https://paypal.com%E2%80%AE/moc.live";
        QTest::newRow("in a mail address") << u"mailto:a@b\u202Emoc"_s << u"mailto:a@b�moc"_s;
    }

    void bidiControlsShowAsMarks()
    {
        QFETCH(QString, address);
        QFETCH(QString, shown);
        QCOMPARE(ShownAddress::text(address), OutsideText::isolated(shown));
    }

    // What the page would store as typed, and what it refuses with a word: each never opens.
    void typedAddresses_data()
    {
        QTest::addColumn<Typed>("row");
        QTest::newRow("mail, as typed") << Typed{" mailto:a@b ", "mailto:a@b"};
        QTest::newRow("phone, as typed") << Typed{"TEL:+1-555-0100", "TEL:+1-555-0100"};
        QTest::newRow("host that is an option") << Typed{"https://-oProxyCommand=x", {}, "not a valid URL"};
        QTest::newRow("script") << Typed{"javascript:alert(1)", {}, "“javascript:”"};
        QTest::newRow("script with slashes, in capitals")
            << Typed{"JavaScript://example.com/%0Aalert(1)", {}, "“javascript:”"};
        QTest::newRow("data") << Typed{"data:text/html,x", {}, "“data:”"};
        QTest::newRow("a scheme the page does not open") << Typed{"sms:+15550100", {}, "“sms:”"};
        QTest::newRow("web address without slashes") << Typed{"https:example.com", {}, "not a valid URL"};
        QTest::newRow("line break inside") << Typed{"example.com/a\nb", {}, "line break"};
        QTest::newRow("NUL") << Typed{QString("example.com/a") + QChar(0) + "b", {}, "control"};
        QTest::newRow("spaces in a phone number, encoded") << Typed{"tel:+1 555 0100", "tel:+1%20555%200100"};
        QTest::newRow("spaces in a mail subject, encoded")
            << Typed{"mailto:a@b.org?subject=Lunch on Friday", "mailto:a@b.org?subject=Lunch%20on%20Friday"};
        QTest::newRow("bare mail address") << Typed{"team@example.org", "mailto:team@example.org"};
        QTest::newRow("file address without slashes") << Typed{"file:/tmp", "file:///tmp/"};
        QTest::newRow("host and port") << Typed{"localhost:3000/a", "https://localhost:3000/a"};
        QTest::newRow("pasted with line breaks") << Typed{"\r\n https://example.com/a\n", "https://example.com/a"};
        QTest::newRow("too long to keep whole")
            << Typed{"example.com/" + QString(LinkRules::maxAddressLength, u'a'), {}, "longer"};
        QTest::newRow("tab in a file name, encoded") << Typed{"/tmp/a\tb", "file:///tmp/a%09b"};
    }

    void typedAddresses()
    {
        QFETCH(Typed, row);
        TempFolder folder;
        LinksStore store(folder.path());
        const QString refused = store.addLink(QString(), row.typed);
        QVERIFY2(refused.contains(row.said), qPrintable(refused));
        QCOMPARE(store.links().size(), row.stored.isEmpty() ? 2 : 3);
        if (!row.stored.isEmpty()) {
            QCOMPARE(store.links().last().url, row.stored);
            QCOMPARE(LinkRules::whyNotOpened(row.stored), QString());
        }
    }

    void defaultsReachTheFileOnlyWithAChange()
    {
        TempFolder folder;
        {
            LinksStore store(folder.path());
            const QString downloads = store.links().at(1).url;
            QVERIFY(downloads.endsWith(u'/'));
            QVERIFY(QUrl(downloads).toLocalFile().startsWith(
                QStandardPaths::writableLocation(QStandardPaths::DownloadLocation)));
            QVERIFY(!QFileInfo::exists(store.linksPath()));
            store.removeLink(store.links().at(0).id);
        }
        QCOMPARE(LinksStore(folder.path()).links().size(), 1);

        // An empty list is the user's, not a cue for the defaults.
        QVERIFY(TestFiles::write(folder.file("links.json"), "[]"));
        LinksStore empty(folder.path());
        QVERIFY(empty.links().isEmpty());
        empty.addLink(QString(), QStringLiteral("example.com"));
        QCOMPARE(TestFiles::mode(folder.file("links.json")), 0600);
    }

    // A link copied by hand, id and all: two links, and removing one leaves the other.
    void aLinkCopiedByHandIsALinkOfItsOwn()
    {
        TempFolder folder;
        const QByteArray link = R"({"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","title":"t","url":"https://a.b"})";
        QVERIFY(TestFiles::write(folder.file("links.json"), "[" + link + "," + link + "]"));
        LinksStore store(folder.path());
        QCOMPARE(store.links().size(), 2);
        QVERIFY(store.links().at(0).id != store.links().at(1).id);
        store.removeLink(store.links().at(0).id);
        QCOMPARE(decodeLinks(TestFiles::read(folder.file("links.json")))->size(), 1);
    }

    void unreadableFilesAreSetAside_data()
    {
        QTest::addColumn<QByteArray>("contents");
        // Not a file of ours to read: it stays where it is, and nothing is saved over it until it goes.
        QTest::addColumn<bool>("leftInPlace");
        QTest::newRow("not JSON") << QByteArray("[{\"id\":") << false;
        QTest::newRow("an object, not a list") << QByteArray("{}") << false;
        QTest::newRow("a title that is a number")
            << QByteArray(keyMissing).replace("\"t\"", "1,\"url\":\"u\"") << false;
        QTest::newRow("a key missing") << keyMissing << false;
        QTest::newRow("id not a UUID") << idNotUuid << false;
        QTest::newRow("a folder") << StandIns::folder << true;
        QTest::newRow("a FIFO") << StandIns::fifo << true;
        QTest::newRow("too large") << StandIns::sized(LinksStore::maxFileBytes + 1) << true;
    }

    void unreadableFilesAreSetAside()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, leftInPlace);
        TempFolder folder;
        const QString path = folder.file("links.json");
        QVERIFY(StandIns::place(path, contents));
        LinksStore store(folder.path());
        QCOMPARE(store.links().size(), 2); // the defaults
        if (leftInPlace) {
            QVERIFY(StandIns::isStill(path, contents));
            QVERIFY(!QFileInfo::exists(path + ".unreadable"));
            QVERIFY2(store.message().endsWith(QStringLiteral("it is left as it is and nothing is saved over it.")),
                     qPrintable(store.message()));
            store.addLink(QString(), QStringLiteral("example.com"));
            QVERIFY(StandIns::isStill(path, contents));
            // Once it is gone, the change kept in memory is saved.
            QVERIFY(QFileInfo(path).isDir() ? QDir(path).removeRecursively() : QFile::remove(path));
            QVERIFY(store.save());
            QCOMPARE(decodeLinks(TestFiles::read(path)), store.links());
            return;
        }
        // Moved out of the way, as it was, and the page says where to.
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(StandIns::isStill(path + ".unreadable", contents));
        QVERIFY2(store.message().endsWith(QStringLiteral("set aside as links.json.unreadable.")),
                 qPrintable(store.message()));

        store.addLink(QString(), QStringLiteral("example.com"));
        QCOMPARE(decodeLinks(TestFiles::read(path)), store.links());
        QVERIFY(StandIns::isStill(path + ".unreadable", contents));
    }
};

WISPLET_TEST_MAIN(TestLinksStore)
#include "tst_linksstore.moc"
