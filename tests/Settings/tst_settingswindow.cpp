#include "Wisplet/Base/Notifier.h"
#include "Wisplet/Settings/AboutView.h"
#include "Wisplet/Settings/GeneralSettingsView.h"
#include "Wisplet/Settings/SettingsWindow.h"
#include "tests/support/Files.h"
#include "tests/support/FocusMarks.h"
#include "tests/support/RecordingNotifications.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/WidgetQuery.h"
#include "tests/support/WidgetsTestMain.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>

namespace {

const QStringList shortcutKeys{QStringLiteral("M"), QStringLiteral("N"), QStringLiteral("B"), QStringLiteral("Space")};

struct Pages : RegistryFixture
{
    explicit Pages(const QString& defaultsPath = QString(), bool installedBuild = true)
        : RegistryFixture(defaultsPath)
    {
        load();
        notifier = std::make_unique<Notifier>(server, settings, *registry, events, installedBuild);
    }

    QWidget* page(SettingsSection section, QWidget* parent)
    {
        switch (section) {
        case SettingsSection::general:
            return new GeneralSettingsView({settings, *notifier, *wisp, clock}, shortcutKeys, parent);
        case SettingsSection::about:
            return new AboutView(
                {.version = QStringLiteral("1.2"),
                 .siteHost = QStringLiteral("wisplet.example"),
                 .siteAddress = QUrl(QStringLiteral("https://wisplet.example/"))},
                [](const QUrl&) {}, parent);
        default:
            return settingsTitlePage(section, parent);
        }
    }

    RecordingNotifications server;
    std::unique_ptr<Notifier> notifier;
};

struct RawRow
{
    QString raw;
    std::optional<SettingsSection> section;
};

struct NotificationsRow
{
    bool installed;
    bool serviceAnswers;
    bool initiallyOn;
    std::optional<QString> initialError;
    int expectedChecks;
    bool expectedOn;
    std::optional<QString> expectedError;
};

struct VersionRow
{
    QString version;
    QString build;
    QString text;
};

struct LinkRow
{
    QString host;
    QString address;
    bool linked;
};

} // namespace

Q_DECLARE_METATYPE(RawRow)
Q_DECLARE_METATYPE(NotificationsRow)
Q_DECLARE_METATYPE(VersionRow)
Q_DECLARE_METATYPE(LinkRow)

class TestSettingsWindow final : public QObject
{
    Q_OBJECT

private slots:
    void sectionsFromRawValues_data()
    {
        QTest::addColumn<RawRow>("row");
        for (SettingsSection section : allSettingsSections)
            QTest::newRow(qPrintable(rawValue(section))) << RawRow{rawValue(section), section};
        QTest::newRow("title case") << RawRow{QStringLiteral("General"), std::nullopt};
        QTest::newRow("padded") << RawRow{QStringLiteral(" about"), std::nullopt};
        QTest::newRow("empty") << RawRow{QString(), std::nullopt};
    }

    void sectionsFromRawValues()
    {
        QFETCH(RawRow, row);
        QCOMPARE(settingsSectionFromRawValue(row.raw), row.section);
    }

    void opensOnGeneralAndRebuildsThePageOnEverySwitch()
    {
        QList<SettingsSection> made;
        Defaults defaults{QString()};
        SettingsWindow window(defaults, [&made](SettingsSection section, QWidget* parent) {
            made.append(section);
            return settingsTitlePage(section, parent);
        });
        QCOMPARE(window.section(), SettingsSection::general);
        QCOMPARE(made, QList{SettingsSection::general});

        for (int row : {2, 4, 0}) {
            const QPointer<QWidget> old = window.page();
            window.sidebar()->setCurrentRow(row);
            QCOMPARE(window.section(), allSettingsSections[std::size_t(row)]);
            QVERIFY(old.isNull());
            QVERIFY(window.page() && window.page()->isVisibleTo(&window));
        }
        QCOMPARE(made.size(), 4);
    }

    void everyTabStopShowsTheKeyboard_data()
    {
        QTest::addColumn<SettingsSection>("section");
        QTest::newRow("general") << SettingsSection::general;
        QTest::newRow("about") << SettingsSection::about;
    }

    // Each place Tab stops at looks different while it has the keyboard, the sidebar included.
    void everyTabStopShowsTheKeyboard()
    {
        QFETCH(SettingsSection, section);
        Pages pages;
        SettingsWindow window(pages.defaults,
                              [&pages](SettingsSection shown, QWidget* parent) { return pages.page(shown, parent); });
        window.showSection(section);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QWidget* sidebar = window.sidebar();
        sidebar->setFocus(Qt::TabFocusReason);
        QList<QWidget*> stops{sidebar};
        for (QTest::keyClick(sidebar, Qt::Key_Tab); QApplication::focusWidget() != sidebar;
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab)) {
            QVERIFY(stops.size() < 40 && QApplication::focusWidget());
            if (!stops.contains(QApplication::focusWidget()))
                stops.append(QApplication::focusWidget());
        }
        QVERIFY(stops.size() > 1);
        // Each as it looks without the keyboard, then as it looks at each Tab that reaches it, around twice.
        QHash<QWidget*, QImage> unfocused;
        for (QWidget* stop : std::as_const(stops))
            unfocused.insert(stop, stop->grab().toImage());
        QTest::keyClick(sidebar, Qt::Key_Tab);
        unfocused.insert(sidebar, sidebar->grab().toImage());
        QSet<QWidget*> shown;
        for (qsizetype i = 0; i < 2 * stops.size(); ++i) {
            QWidget* stop = QApplication::focusWidget();
            if (stop->grab().toImage() != unfocused.value(stop))
                shown.insert(stop);
            QTest::keyClick(stop, Qt::Key_Tab);
        }
        for (QWidget* stop : std::as_const(stops))
            QVERIFY2(shown.contains(stop), stop->metaObject()->className());
    }

    void openingTwiceGivesOneWindowAndClosingStartsOver()
    {
        AppEvents events;
        Defaults defaults{QString()};
        QPointer<SettingsWindow> window;
        connect(&events, &AppEvents::openSettings, this,
                [&] { SettingsWindow::open(window, defaults, settingsTitlePage, nullptr); });
        events.postOpenSettings();
        QPointer<SettingsWindow> first = window;
        first->sidebar()->setCurrentRow(4);
        events.postOpenSettings();
        QCOMPARE(window, first);
        QCOMPARE(window->section(), SettingsSection::about);
        QVERIFY(window->isVisible());

        window->close();
        QTRY_VERIFY(first.isNull());
        events.postOpenSettings();
        QCOMPARE(window->section(), SettingsSection::general);
        delete window;
    }

    // Every section over stored values that are not the defaults.
    void showingEverySectionWritesNothing()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("defaults.json"));
        QVERIFY(TestFiles::write(path, R"({"hotkeyEnabled": false, "shortcutKey": "Space", "reducedMotion": true,
            "notificationsEnabled": true, "notificationSounds": true, "displayMode": "cursor",
            "hideInFullscreen": false, "quietMode": true})"));
        const QByteArray stored = TestFiles::read(path);
        Pages pages(path);
        pages.settings.setShortcutError(QStringLiteral("Shortcut unavailable (10). Choose another key."));
        pages.notifier->setErrorText(Notifier::deniedText);

        SettingsWindow window(
            pages.defaults, [&pages](SettingsSection section, QWidget* parent) { return pages.page(section, parent); });
        window.show();
        for (SettingsSection section : allSettingsSections) {
            window.sidebar()->setCurrentRow(int(section));
            QCoreApplication::processEvents();
        }
        window.sidebar()->setCurrentRow(0);
        QCOMPARE(window.page()->findChildren<QComboBox*>().first()->currentText(), QStringLiteral("Space"));
        QVERIFY(pages.defaults.flush());
        QCOMPARE(TestFiles::read(path), stored);
    }

    void notificationsSwitch_data()
    {
        QTest::addColumn<NotificationsRow>("row");
        const QString earlier = QStringLiteral("Notification failed: gone");
        QTest::newRow("on, service answers") << NotificationsRow{true, true, false, earlier, 1, true, std::nullopt};
        QTest::newRow("on, no answer") << NotificationsRow{true, false, false, {}, 1, false, Notifier::deniedText};
        QTest::newRow("on, build not installed")
            << NotificationsRow{false, true, false, {}, 0, false, Notifier::notInstalledText};
        QTest::newRow("off keeps the message") << NotificationsRow{true, true, true, earlier, 0, false, earlier};
    }

    void notificationsSwitch()
    {
        QFETCH(NotificationsRow, row);
        Pages pages({}, row.installed);
        pages.server.available = row.serviceAnswers;
        pages.settings.setNotificationsEnabled(row.initiallyOn);
        pages.notifier->setErrorText(row.initialError);
        GeneralSettingsView view({pages.settings, *pages.notifier, *pages.wisp, pages.clock}, shortcutKeys);
        auto* box = childWithText<QCheckBox>(view, QStringLiteral("Timer and meeting notifications"));

        box->click();
        QTRY_COMPARE(pages.notifier->errorText(), row.expectedError);
        QCOMPARE(pages.server.availabilityChecks, row.expectedChecks);
        QCOMPARE(pages.settings.notificationsEnabled(), row.expectedOn);
        QCOMPARE(box->isChecked(), row.expectedOn);
        if (row.expectedError)
            QVERIFY(childWithText<QLabel>(view, *row.expectedError)->isVisibleTo(&view));
    }

    void userEditsOfTheGeneralPage()
    {
        Pages pages;
        pages.settings.setHotkeyEnabled(false);
        GeneralSettingsView view({pages.settings, *pages.notifier, *pages.wisp, pages.clock}, shortcutKeys);
        view.show();

        // The key can be chosen while the shortcut is off; it is kept for when it is turned on.
        auto* keys = view.findChildren<QComboBox*>().first();
        QVERIFY(keys->isEnabled());
        emit keys->activated(keys->findText(QStringLiteral("Space")));
        QCOMPARE(pages.settings.shortcutKey(), QStringLiteral("Space"));
        QVERIFY(!pages.settings.hotkeyEnabled());

        auto* openPanel = childWithText<QAbstractButton>(view, QStringLiteral("Open tools panel"));
        openPanel->click();
        openPanel->click();
        QVERIFY(pages.wisp->isPinnedOpen());

        // Message lines follow their stores while the page is open.
        const QString refused = QStringLiteral("Couldn't update the login item: refused");
        pages.settings.setLaunchAtLoginError(refused);
        pages.settings.setShortcutError(QStringLiteral("Hot keys need an X11 session."));
        QVERIFY(childWithText<QLabel>(view, refused)->isVisible());
        QVERIFY(childWithText<QLabel>(view, QStringLiteral("Hot keys need an X11 session."))->isVisible());
        pages.settings.setLaunchAtLoginError(std::nullopt);
        QVERIFY(!childWithText<QLabel>(view, refused));
    }

    void versionText_data()
    {
        QTest::addColumn<VersionRow>("row");
        QTest::newRow("both") << VersionRow{"1.2", "45", "1.2 (45)"};
        QTest::newRow("neither") << VersionRow{{}, {}, "dev (0)"};
        QTest::newRow("no build") << VersionRow{"2.0", {}, "2.0 (0)"};
        QTest::newRow("no version") << VersionRow{{}, "7", "dev (7)"};
    }

    void versionText()
    {
        QFETCH(VersionRow, row);
        QCOMPARE(AboutView::versionText(row.version, row.build), row.text);
    }

    void siteLink_data()
    {
        QTest::addColumn<LinkRow>("row");
        QTest::newRow("host and https address") << LinkRow{"wisplet.example", "https://wisplet.example/", true};
        QTest::newRow("no host") << LinkRow{{}, "https://wisplet.example/", false};
        QTest::newRow("no address") << LinkRow{"wisplet.example", {}, false};
        QTest::newRow("plain http") << LinkRow{"wisplet.example", "http://wisplet.example/", false};
    }

    // The link is one ringed stop on the Tab path after the sidebar, and Return opens it.
    void siteLink()
    {
        QFETCH(LinkRow, row);
        QList<QUrl> opened;
        Defaults defaults{QString()};
        SettingsWindow window(defaults, [&](SettingsSection, QWidget* parent) {
            return new AboutView(
                {.siteHost = row.host, .siteAddress = QUrl(row.address)}, [&opened](const QUrl& url) { opened << url; },
                parent);
        });
        auto* link = window.page()->findChild<QAbstractButton*>(QStringLiteral("siteLink"));
        QCOMPARE(link != nullptr, row.linked);
        if (!link)
            return;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.sidebar()->setFocus(Qt::TabFocusReason);
        QStringList stops;
        const QString unmarked = FocusMarks::stopsWithoutMark(window, &stops);
        QCOMPARE(stops.first(), QStringLiteral("LinkButton '%1'").arg(row.host));
        QVERIFY(!unmarked.contains(stops.first()));
        QTest::keyClick(link, Qt::Key_Return);
        QCOMPARE(opened, QList{QUrl(row.address)});
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestSettingsWindow)
#include "tst_settingswindow.moc"
