#include "Wisplet/Platform/StoredJson.h"
#include "tests/Tools/Clipboard/ClipboardHarness.h"
#include "tests/support/Files.h"
#include "tests/support/Images.h"
#include "tests/support/StandIns.h"
#include "tests/support/TestMain.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <functional>

using Kind = ClipItem::Kind;
using Harness = ClipboardHarness;

struct SkipRow
{
    bool paused;
    bool consent;
    bool presentation;
    Formats extra;
    QString appId;
    QStringList excluded;
    bool captured;
};
Q_DECLARE_METATYPE(SkipRow)

// The process that made the copy: none when the system cannot tell; suspects (id → name) when it is one of
// them and which cannot be told.
struct CreditRow
{
    std::optional<qint64> maker;
    QStringList excluded;
    std::optional<QString> app;
    std::optional<QHash<qint64, QString>> suspects = std::nullopt;
    bool ourPanelInFront = false;
    // Windows of this test's own process.
    QList<WindowInfo> makerWindows = {};
};
Q_DECLARE_METATYPE(CreditRow)

struct CaptureRow
{
    Formats formats;
    Kind kind;
    QString text;
    std::optional<QStringList> filePaths;
};
Q_DECLARE_METATYPE(CaptureRow)

using ClipAction = std::function<void(ClipboardManager&)>;
Q_DECLARE_METATYPE(ClipAction)

class TestClipboardManager final : public QObject
{
    Q_OBJECT

private slots:
    void skipRules_data()
    {
        QTest::addColumn<SkipRow>("row");
        const QStringList keyring{QStringLiteral("org.keepassxc.KeePassXC"), QStringLiteral("KeePassXC")};
        const QString hint = QStringLiteral("x-kde-passwordManagerHint");
        QTest::newRow("allowed") << SkipRow{false, true, false, {}, QStringLiteral("kate"), keyring, true};
        QTest::newRow("paused") << SkipRow{true, true, false, {}, QStringLiteral("kate"), {}, false};
        QTest::newRow("no consent") << SkipRow{false, false, false, {}, QStringLiteral("kate"), {}, false};
        QTest::newRow("presentation") << SkipRow{false, true, true, {}, QStringLiteral("kate"), {}, false};
        QTest::newRow("concealed marker")
            << SkipRow{false, true, false, {{QStringLiteral("org.nspasteboard.ConcealedType"), ""}}, {}, {}, false};
        QTest::newRow("transient marker")
            << SkipRow{false, true, false, {{QStringLiteral("org.nspasteboard.TransientType"), ""}}, {}, {}, false};
        QTest::newRow("password hint") << SkipRow{false, true, false, {{hint, "secret"}}, {}, {}, false};
        QTest::newRow("other hint") << SkipRow{false, true, false, {{hint, "accepted"}}, {}, {}, true};
        QTest::newRow("excluded by class")
            << SkipRow{false, true, false, {}, QStringLiteral("KeePassXC"), keyring, false};
        QTest::newRow("excluded in another case")
            << SkipRow{false, true, false, {}, QStringLiteral("keepassxc"), keyring, false};
        QTest::newRow("transient marker in another case")
            << SkipRow{false, true, false, {{QStringLiteral("org.nspasteboard.transienttype"), ""}}, {}, {}, false};
        QTest::newRow("password hint in another case")
            << SkipRow{false, true, false, {{QStringLiteral("X-KDE-PasswordManagerHint"), "Secret"}}, {}, {}, false};
        QTest::newRow("empty entry, unknown app") << SkipRow{false, true, false, {}, QString(), {QString()}, true};
    }

    void skipRules()
    {
        QFETCH(SkipRow, row);
        Harness h;
        h.manager->setCaptureConsent(row.consent);
        h.manager->setPaused(row.paused);
        h.settings.setPresentationMode(row.presentation);
        h.manager->setExcludedAppIds(row.excluded);
        h.windows.activate(window(7, 100, row.appId));
        Formats formats = text("hunter2");
        formats.insert(row.extra);
        h.copy(formats);
        QCOMPARE(h.manager->items().size(), row.captured ? 1 : 0);

        // Once the reason is gone, the skipped copy is still not taken.
        h.manager->setCaptureConsent(true);
        h.manager->setPaused(false);
        h.settings.setPresentationMode(false);
        h.manager->setExcludedAppIds({});
        h.manager->poll();
        QCOMPARE(h.manager->items().size(), row.captured ? 1 : 0);
    }

    void copiesAreCreditedToTheirMaker_data()
    {
        QTest::addColumn<CreditRow>("row");
        const QString manager = QStringLiteral("org.keepassxc.KeePassXC");
        const qint64 self = QCoreApplication::applicationPid();
        QTest::newRow("a window of the maker") << CreditRow{300, {}, QStringLiteral("kate")};
        // This test's own process has no window: its name, in full though the kernel keeps 15 characters.
        QTest::newRow("a maker without a window") << CreditRow{self, {}, QStringLiteral("tst_clipboardmanager")};
        QTest::newRow("a maker without a window, excluded")
            << CreditRow{self, {QStringLiteral("tst_clipboardmanager")}, std::nullopt};
        // The window in front is excluded, whoever made the copy.
        QTest::newRow("the window in front excluded") << CreditRow{300, {manager}, std::nullopt};
        QTest::newRow("maker unknown: the window in front") << CreditRow{std::nullopt, {manager}, std::nullopt};
        // A process number above the kernel's highest.
        QTest::newRow("maker gone: the window in front") << CreditRow{1LL << 23, {manager}, std::nullopt};
        const QHash<qint64, QString> suspects{{300, QStringLiteral("kate")}, {301, QStringLiteral("pass")}};
        QTest::newRow("in doubt, one suspect excluded by name")
            << CreditRow{std::nullopt, {QStringLiteral("pass")}, std::nullopt, suspects};
        QTest::newRow("in doubt, one suspect excluded by its window")
            << CreditRow{std::nullopt, {QStringLiteral("kate")}, std::nullopt, QHash<qint64, QString>{{300, "k"}}};
        QTest::newRow("in doubt, none excluded: no name") << CreditRow{std::nullopt, {}, QString(), suspects};
        QTest::newRow("maker unknown, our panel in front: no name")
            << CreditRow{std::nullopt, {}, QString(), std::nullopt, true};
        WindowInfo vault = window(10, self, QStringLiteral("org.example.Vault"));
        vault.wmClass = QStringLiteral("Vault");
        const QList<WindowInfo> windows{window(11, self, QStringLiteral("unlock")), vault};
        QTest::newRow("a maker with windows, excluded by its process name")
            << CreditRow{self, {QStringLiteral("TST_clipboardmanager")}, std::nullopt, std::nullopt, false, windows};
        QTest::newRow("a maker excluded by a window beneath")
            << CreditRow{self, {QStringLiteral("Unlock")}, std::nullopt, std::nullopt, false, windows};
    }

    void copiesAreCreditedToTheirMaker()
    {
        QFETCH(CreditRow, row);
        Harness h;
        h.manager->setExcludedAppIds(row.excluded);
        h.windows.stacking = QList<WindowInfo>{window(8, 300, QStringLiteral("kate"))} + row.makerWindows;
        // A password manager is in front while another program copies.
        h.windows.activate(row.ourPanelInFront ? window(9, ourPid, QStringLiteral("wisplet"))
                                               : window(7, 100, QStringLiteral("org.keepassxc.KeePassXC")));
        h.pasteboard.owner = row.maker;
        h.pasteboard.suspects = row.suspects;
        h.copy(text("copied"));
        QTRY_VERIFY(!h.manager->isReading());
        QCOMPARE(h.manager->items().size(), row.app ? 1 : 0);
        // An empty name in the table: none at all.
        if (row.app)
            QCOMPARE(h.manager->items().first().app, row.app->isEmpty() ? std::nullopt : row.app);
    }

    void contentAlreadyThereIsNeverCaptured()
    {
        Harness h;
        h.pasteboard.offer(text("before launch"));
        h.manager = nullptr;
        h.open();
        h.manager->poll();
        // Copied while capture was stopped.
        h.pasteboard.offer(text("while stopped"));
        h.manager->start();
        h.manager->poll();
        h.manager->stop();
        QVERIFY(h.manager->items().isEmpty());
    }

    void capturesByKind_data()
    {
        QTest::addColumn<CaptureRow>("row");
        const QString a = QStringLiteral("/home/user/My Report.pdf");
        const QString b = QStringLiteral("/tmp/b.txt");
        QTest::newRow("file manager copy") << CaptureRow{
            {{QStringLiteral("text/uri-list"), "file:///home/user/My%20Report.pdf\r\nfile:///tmp/b.txt\r\n"},
             {QStringLiteral("x-special/gnome-copied-files"),
              "copy\nfile:///home/user/My%20Report.pdf\nfile:///tmp/b.txt"},
             {QStringLiteral("text/plain"), "My Report.pdf\nb.txt"}},
            Kind::file,
            a + u'\n' + b,
            QStringList{a, b}};
        QTest::newRow("web addresses are no files")
            << CaptureRow{{{QStringLiteral("text/uri-list"), "# a comment\r\nhttps://example.org/\r\n"},
                           {QStringLiteral("text/plain"), "https://example.org/"}},
                          Kind::link,
                          QStringLiteral("https://example.org/"),
                          std::nullopt};
        QTest::newRow("address then words") << CaptureRow{
            text("https://example.org see this"), Kind::text, QStringLiteral("https://example.org see this"), {}};
        QTest::newRow("address and a line feed")
            << CaptureRow{text("https://example.org\n"), Kind::text, QStringLiteral("https://example.org\n"), {}};
    }

    void capturesByKind()
    {
        QFETCH(CaptureRow, row);
        Harness h;
        h.copy(row.formats);
        QCOMPARE(h.manager->items().size(), 1);
        const ClipItem item = h.manager->items().first();
        QCOMPARE(item.kind, row.kind);
        QCOMPARE(item.text, row.text);
        QCOMPARE(item.filePaths, row.filePaths);
    }

    void imagesKeepFilesAndPreviews()
    {
        Harness h;
        const QByteArray png = TestImages::marked(QSize(1000, 500), "PNG");
        h.copy({{QStringLiteral("image/png"), png}});
        // The image is written and the preview made off the main thread; the entry gets it when it is there.
        QTRY_COMPARE(h.manager->items().size(), 1);
        QTRY_VERIFY(h.manager->items().first().thumbnailFile);
        h.settle();
        QCOMPARE(clipItemsFromJson(TestFiles::read(h.manager->historyPath())), h.manager->items());
        h.copy({{QStringLiteral("image/png"), png}});
        h.settle();
        // Images never merge: two entries, each with its bytes and its preview.
        QCOMPARE(h.manager->items().size(), 2);
        QCOMPARE(h.files().size(), 1 + 4);
        const ClipItem item = h.manager->items().first();
        QCOMPARE(TestFiles::read(h.folder.file(*item.imageFile)), png);
        QCOMPARE(QImage(h.folder.file(*item.thumbnailFile)).size(), QSize(320, 160));
        QCOMPARE(item.payloadType, QStringLiteral("image/png"));

        // Beyond the pixel ceiling it is kept without a preview, and never decoded.
        h.copy({{QStringLiteral("image/png"), TestImages::pngClaiming(QSize(20'000, 10'000))}});
        h.settle();
        QCOMPARE(h.manager->items().size(), 3);
        QVERIFY(h.manager->items().first().imageFile);
        QVERIFY(!h.manager->items().first().thumbnailFile);
    }

    void anEntryGoneBeforeItsPreviewGetsNone()
    {
        Harness h;
        h.copy({{QStringLiteral("image/png"), TestImages::marked(QSize(900, 900), "PNG")}});
        QTRY_VERIFY(!h.manager->items().isEmpty());
        h.manager->remove(h.manager->items().first());
        h.settle();
        QVERIFY(h.manager->items().isEmpty());
        QCOMPARE(h.files(), QStringList{QStringLiteral("clipboard.json")});
    }

    void sizeLimit()
    {
        Harness h;
        // Two bytes a character in UTF-8: the limit counts bytes, not characters.
        const QByteArray atLimit = QString(ClipboardManager::sizeLimit / 2, QChar(0xE9)).toUtf8();
        h.copy(text(atLimit));
        QCOMPARE(h.manager->items().size(), 1);
        QVERIFY(!h.manager->message());
        h.copy(text(atLimit + "x"));
        QCOMPARE(h.manager->items().size(), 1);
        QVERIFY(h.manager->message());
        h.copy({{QStringLiteral("image/png"), QByteArray(ClipboardManager::sizeLimit + 1, 'p')}});
        h.settle();
        QCOMPARE(h.manager->items().size(), 1);
        QCOMPARE(h.files().size(), 1);
    }

    void repeatsMoveToTheTop()
    {
        Harness h;
        h.windows.activate(window(1, 100, QStringLiteral("kate")));
        h.copy(text("alpha"));
        const ClipItem first = h.manager->items().first();
        h.copy(text("https://example.org"));
        h.clock.advance(5'000);
        h.windows.activate(window(2, 101, QStringLiteral("firefox")));
        h.copy(text("alpha"));
        QCOMPARE(h.manager->items().size(), 2);
        const ClipItem moved = h.manager->items().first();
        QCOMPARE(moved.id, first.id);
        QCOMPARE(moved.date, first.date.addMSecs(5'000));
        QCOMPARE(moved.app, QStringLiteral("firefox"));
    }

    void prune()
    {
        Harness h;
        h.manager->setMaxItems(0);
        h.copy({{QStringLiteral("image/png"), TestImages::marked(QSize(10, 10), "PNG")}});
        h.settle();
        h.manager->togglePin(h.manager->items().first());
        h.copy({{QStringLiteral("image/png"), TestImages::marked(QSize(10, 10), "PNG")}});
        h.settle();
        h.copy(text("newest"));
        h.settle();
        // One unpinned entry stays; the pinned one does not count; the dropped image's files are gone.
        QCOMPARE(h.manager->items().size(), 2);
        QCOMPARE(h.manager->items().at(0).text, QStringLiteral("newest"));
        QVERIFY(h.manager->items().at(1).pinned);
        QCOMPARE(h.files().size(), 1 + 2);

        // Exactly seven days old is too old; the first tick prunes at once.
        h.clock.advance(7 * 86'400'000LL);
        h.manager->poll();
        QCOMPARE(h.manager->items().size(), 1);
        QVERIFY(h.manager->items().first().pinned);
    }

    void periodicPruneAtMostOnceAMinute()
    {
        Harness h;
        h.manager->setRetentionDays(1);
        h.copy(text("old"));
        h.clock.advance(86'400'000LL - 30'000);
        h.manager->poll();
        h.clock.advance(50'000);
        h.manager->poll();
        QCOMPARE(h.manager->items().size(), 1);
        h.clock.advance(11'000);
        h.manager->poll();
        QVERIFY(h.manager->items().isEmpty());
    }

    void historyFileFormat()
    {
        Harness h;
        h.windows.activate(window(1, 100, QStringLiteral("kate")));
        h.copy(text("note"));
        h.windows.activate(std::nullopt);
        h.copy(text("plain"));
        h.settle();
        const QJsonArray stored = QJsonDocument::fromJson(TestFiles::read(h.manager->historyPath())).array();
        QCOMPARE(stored.size(), 2);
        const QJsonObject plain = stored.at(0).toObject();
        QCOMPARE(QStringList(plain.keys()), (QStringList{"date", "id", "kind", "pinned", "text"}));
        QCOMPARE(plain.value("id").toString(), plain.value("id").toString().toUpper());
        QCOMPARE(plain.value("date").toDouble(), StoredJson::secondsSinceReferenceDate(h.clock.now()));
        QCOMPARE(stored.at(1).toObject().value("app").toString(), QStringLiteral("kate"));
        QCOMPARE(TestFiles::mode(h.manager->historyPath()), 0600);

        const QList<ClipItem> items = h.manager->items();
        h.open();
        QCOMPARE(h.manager->items(), items);
    }

    void unreadableHistoryIsSetAsideAndSaid_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("leftInPlace");
        const QByteArray entry = R"("id":"0F2A7C1E-5B7D-4C55-9F1A-2B3C4D5E6F70","kind":"text","date":1)";
        // A pinned entry the user wants back, in files that each break one rule.
        QTest::newRow("a required key missing") << "[{" + entry + R"(,"text":"keep"}])"
                                                << "damaged" << false;
        QTest::newRow("empty") << QByteArray("") << "damaged" << false;
        // Not a file of ours to read: it stays where it is, and nothing is saved over it.
        QTest::newRow("a FIFO") << StandIns::fifo << "not a regular file" << true;
        QTest::newRow("over 64 MiB") << StandIns::sized(ClipboardManager::historyFileLimit + 1) << "larger than 64 MiB"
                                     << true;
    }

    void unreadableHistoryIsSetAsideAndSaid()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, reason);
        QFETCH(bool, leftInPlace);
        Harness h;
        const QString aside = h.manager->historyPath() + QLatin1String(".unreadable");
        QVERIFY(StandIns::place(h.manager->historyPath(), contents));
        // A FIFO would block for ever here if it were opened to read.
        h.open();
        QVERIFY(h.manager->items().isEmpty());
        if (leftInPlace) {
            QCOMPARE(h.manager->message(),
                     QStringLiteral("Could not open clipboard.json (%1); it is left as it is and nothing is saved over "
                                    "it.")
                         .arg(reason));
            h.copy(text("new"));
            h.settle();
            QVERIFY(StandIns::isStill(h.manager->historyPath(), contents));
            QVERIFY(!QFileInfo::exists(aside));
            return;
        }
        QCOMPARE(h.manager->message(),
                 QStringLiteral("Could not read clipboard.json (%1); it was set aside as clipboard.json.unreadable.")
                     .arg(reason));
        h.copy(text("new"));
        h.settle();
        QCOMPARE(clipItemsFromJson(TestFiles::read(h.manager->historyPath()))->size(), 1);
        QVERIFY(StandIns::isStill(aside, contents));
    }

    // A picture's entry copied by hand names the same files as the one it was copied from: whatever takes
    // one of the two away leaves the other its picture.
    void anEntryCopiedByHandKeepsThePictureTheOtherNames_data()
    {
        QTest::addColumn<ClipAction>("takeOne");
        QTest::addColumn<qint64>("copyAgeMs");
        QTest::newRow("one removed") << ClipAction([](ClipboardManager& manager) {
            manager.remove(manager.items().at(1));
        }) << qint64(0);
        QTest::newRow("the unpinned one too old") << ClipAction([](ClipboardManager&) {}) << 8 * 86'400'000LL;
    }

    void anEntryCopiedByHandKeepsThePictureTheOtherNames()
    {
        QFETCH(ClipAction, takeOne);
        QFETCH(qint64, copyAgeMs);
        Harness h;
        const QString picture = QStringLiteral("clip-0F2A7C1E-5B7D-4C55-9F1A-2B3C4D5E6F70.png");
        QVERIFY(TestFiles::write(h.folder.file(picture), TestImages::marked(QSize(10, 10), "PNG")));
        ClipItem pinned;
        pinned.id = QUuid(QStringLiteral("0F2A7C1E-5B7D-4C55-9F1A-2B3C4D5E6F70"));
        pinned.kind = Kind::image;
        pinned.text = QStringLiteral("10 × 10");
        pinned.imageFile = picture;
        pinned.date = h.clock.now();
        pinned.pinned = true;
        ClipItem copy = pinned;
        copy.pinned = false;
        copy.date = h.clock.now().addMSecs(-copyAgeMs);
        QVERIFY(TestFiles::write(h.manager->historyPath(), QJsonDocument(clipItemsToJson({pinned, copy})).toJson()));
        h.open();
        takeOne(*h.manager);
        h.settle();
        QCOMPARE(h.manager->items().size(), 1);
        QCOMPARE(h.manager->items().first().imageFile, picture);
        QVERIFY(h.files().contains(picture));
    }

    void failedSaveKeepsTheList()
    {
        Harness h;
        QVERIFY(QDir().mkpath(h.manager->historyPath()));
        h.copy(text("kept in memory"));
        h.settle();
        QCOMPARE(h.manager->items().size(), 1);
        QVERIFY(h.manager->message());
    }

    void copyBackIsNotCapturedAgain()
    {
        Harness h;
        h.copy(text("one"));
        h.copy(text("two"));
        const QList<ClipItem> before = h.manager->items();
        h.manager->copyBack(before.at(1));
        QCOMPARE(h.pasteboard.written.size(), 1);
        QCOMPARE(h.pasteboard.written.first().text, QStringLiteral("one"));
        h.manager->poll();
        QCOMPARE(h.manager->items(), before);
        QCOMPARE(h.wisp->bubble(), QStringLiteral("Copied · Ctrl+V to paste"));
    }

    void copyBackByKind()
    {
        Harness h;
        ClipItem item;
        item.kind = Kind::file;
        item.text = QStringLiteral("/a\n\n/b");
        h.manager->copyBack(item);
        QCOMPARE(h.pasteboard.written.last().filePaths, (QStringList{"/a", "/b"}));

        QVERIFY(TestFiles::write(h.folder.file("clip-X.tiff"), "bytes"));
        item.kind = Kind::image;
        item.imageFile = QStringLiteral("clip-X.tiff");
        h.manager->copyBack(item);
        QCOMPARE(h.pasteboard.written.last().dataType, QStringLiteral("image/png"));
        QCOMPARE(h.pasteboard.written.last().data, QByteArray("bytes"));

        // A missing image leaves the clipboard as it was, with no bubble of success.
        h.wisp->clearReactions();
        item.imageFile = QStringLiteral("clip-gone.png");
        h.manager->copyBack(item);
        QCOMPARE(h.pasteboard.written.size(), 2);
        QVERIFY(h.manager->message());
        QCOMPARE(h.wisp->bubble(), std::nullopt);
    }

    void pasteDirectly()
    {
        Harness h;
        h.manager->setPasteDirectly(true);
        h.copy(text("paste me"));
        // No other program's window to paste into: copied only.
        h.manager->copyBack(h.manager->items().first());
        QCOMPARE(h.wisp->bubble(), QStringLiteral("Copied · Ctrl+V to paste"));
        QVERIFY(h.activated.isEmpty());
        QVERIFY(std::ranges::count(h.scheduler.pendingDelays(), ClipboardManager::pasteDelayMs) == 0);

        const WindowInfo editor = window(9, 100, QStringLiteral("kate"));
        h.windows.activate(editor);
        // The click on the row gave our panel the focus.
        h.windows.activate(window(3, ourPid, QStringLiteral("wisplet")));
        h.manager->copyBack(h.manager->items().first());
        QCOMPARE(h.activated, QList<quint32>{9});
        QCOMPARE(h.wisp->bubble(), QStringLiteral("Pasted"));
        QVERIFY(std::ranges::count(h.scheduler.pendingDelays(), ClipboardManager::pasteDelayMs) == 1);
        h.windows.activate(editor);
        h.scheduler.advance(ClipboardManager::pasteDelayMs);
        QCOMPARE(h.paste.pastes, 1);

        // The user moved on before the keystroke.
        h.manager->copyBack(h.manager->items().first());
        h.windows.activate(window(4, 200, QStringLiteral("gimp")));
        h.scheduler.advance(ClipboardManager::pasteDelayMs);
        QCOMPARE(h.paste.pastes, 1);
    }

    void housekeeping()
    {
        Harness h;
        h.copy({{QStringLiteral("image/png"), TestImages::marked(QSize(10, 10), "PNG")}});
        h.settle();
        h.copy(text("pinned"));
        h.copy(text("loose"));
        const ClipItem stale = h.manager->items().at(1);
        h.manager->togglePin(stale);
        h.manager->togglePin(stale); // changed since: nothing happens
        QVERIFY(h.manager->items().at(1).pinned);
        h.manager->clearUnpinned();
        h.settle();
        QCOMPARE(h.manager->items().size(), 1);
        QCOMPARE(h.files(), QStringList{"clipboard.json"});
        h.manager->remove(h.manager->items().first());
        h.settle();
        QVERIFY(h.manager->items().isEmpty());
        QCOMPARE(clipItemsFromJson(TestFiles::read(h.manager->historyPath()))->size(), 0);
    }
};

WISPLET_TEST_MAIN(TestClipboardManager)
#include "tst_clipboardmanager.moc"
