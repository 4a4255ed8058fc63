#include "Wisplet/Platform/FrontApplications.h"
#include "tests/support/FakeClipboard.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"

#include <QStandardPaths>

struct NameRow
{
    QByteArray entry;
    QString language;
    QString name;
};
Q_DECLARE_METATYPE(NameRow)

namespace {

WindowInfo window(quint32 id, qint64 pid, const QString& appId, const QString& wmClass)
{
    WindowInfo info;
    info.id = id;
    info.pid = pid;
    info.appId = appId;
    info.wmClass = wmClass;
    return info;
}

} // namespace

class TestFrontApplications final : public QObject
{
    Q_OBJECT

private slots:
    // Window 1 is in front from the start; windows 2, 3, … come in front at the X server times given, and the
    // last one may be closed with nothing else taking its place. Window 0: none in front.
    void frontAtTheTimeOfACopy_data()
    {
        QTest::addColumn<QList<quint32>>("changes");
        QTest::addColumn<std::optional<quint32>>("closed");
        QTest::addColumn<std::optional<quint32>>("at");
        QTest::addColumn<quint32>("window");
        const QList<quint32> changes{100, 200};
        const std::optional<quint32> open;
        QTest::newRow("before the first change seen") << changes << open << std::optional<quint32>(50) << 1u;
        QTest::newRow("at a change") << changes << open << std::optional<quint32>(100) << 2u;
        QTest::newRow("between changes") << changes << open << std::optional<quint32>(150) << 2u;
        QTest::newRow("after the last") << changes << open << std::optional<quint32>(900) << 3u;
        QTest::newRow("no time: the one in front now") << changes << open << std::optional<quint32>() << 3u;
        QTest::newRow("across the wrap of the server's clock")
            << QList<quint32>{0xFFFF'FF00, 0x10} << open << std::optional<quint32>(0x05) << 2u;
        QTest::newRow("before the window in front closed")
            << changes << std::optional<quint32>(300) << std::optional<quint32>(250) << 3u;
        QTest::newRow("after it closed") << changes << std::optional<quint32>(300) << std::optional<quint32>(350) << 0u;
    }

    void frontAtTheTimeOfACopy()
    {
        QFETCH(QList<quint32>, changes);
        QFETCH(std::optional<quint32>, closed);
        QFETCH(std::optional<quint32>, at);
        QFETCH(quint32, window);
        FakeActiveWindows windows;
        windows.activate(::window(1, 10, "first", "first"));
        FrontApplications front(windows, 99);
        for (qsizetype index = 0; index < changes.size(); ++index)
            windows.activate(::window(quint32(index + 2), 10, "next", "next"), changes[index]);
        // A window in front before is gone as well, but was not in front then.
        windows.close(1, 290);
        if (closed)
            windows.close(quint32(changes.size() + 1), closed);
        QCOMPARE(front.frontAt(at).value_or(WindowInfo()).id, window);
    }

    void desktopEntryName_data()
    {
        QTest::addColumn<NameRow>("row");
        const QByteArray entry = "[Desktop Entry]\nType=Application\nName[de]=Texteditor\nName = Text Editor\n"
                                 "[Desktop Action new]\nName=New Window\n";
        QTest::newRow("plain") << NameRow{entry, "en_NZ", "Text Editor"};
        QTest::newRow("language") << NameRow{entry, "de_CH", "Texteditor"};
        QTest::newRow("only in an action") << NameRow{"[Desktop Action x]\nName=New\n", "en", ""};
        QTest::newRow("empty") << NameRow{"", "en", ""};
    }

    void desktopEntryName()
    {
        QFETCH(NameRow, row);
        QCOMPARE(FrontApplications::desktopEntryName(row.entry, row.language), row.name);
    }

    void namesAndTheLastOtherWindow()
    {
        const QString applications = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
        QVERIFY(TestFiles::write(applications + "/org.example.Notes.desktop", "[Desktop Entry]\nName=Notes\n"));
        FakeActiveWindows windows;
        windows.activate(window(1, 10, "org.example.Notes", "notes-bin"));
        FrontApplications front(windows, 99);
        QCOMPARE(front.applicationName(*front.front()), QStringLiteral("Notes"));
        QCOMPARE(front.applicationName(window(2, 11, "Gimp-2.10", "Gimp-2.10")), QStringLiteral("Gimp-2.10"));

        windows.activate(window(3, 99, "wisplet", "wisplet"));
        windows.activate(std::nullopt);
        QCOMPARE(front.lastOther()->id, 1u);
        windows.activate(window(4, 12, "kate", "kate"));
        QCOMPARE(front.lastOther()->id, 4u);
    }
};

WISPLET_TEST_MAIN(TestFrontApplications)
#include "tst_frontapplications.moc"
