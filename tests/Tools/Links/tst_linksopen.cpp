#include "Wisplet/Tools/Links/LinkGrid.h"
#include "Wisplet/Tools/Links/LinksStore.h"
#include "Wisplet/Tools/Links/QuickLinksView.h"
#include "tests/support/Files.h"
#include "tests/support/Fixtures.h"
#include "tests/support/WidgetsTestMain.h"
#include "tests/support/XTools.h"

#include <QDesktopServices>
#include <QLabel>

using XTools::timeoutMs;

namespace {

const QString good = QStringLiteral("https://example.com/ok");

QByteArray linksFile(const QStringList& urls)
{
    QJsonArray links;
    for (const QString& url : urls)
        links.append(QJsonObject{{"id", QUuid::createUuid().toString(QUuid::WithoutBraces)},
                                 {"title", QStringLiteral("Link ") + QString::number(links.size())},
                                 {"url", url}});
    return QJsonDocument(links).toJson();
}

} // namespace

// Links from a hand-edited links file, clicked on the page and opened the way the program opens them: by
// the desktop's opener, here a stand-in first on the PATH that writes down the arguments it was given.
class TestLinksOpen final : public QObject
{
    Q_OBJECT

private:
    CompanionFixture m_fixture;
    TempFolder m_folder;
    QString m_log;

    QStringList opened() const
    {
        const QString log = QString::fromUtf8(TestFiles::read(m_log));
        return log.split(u'\n', Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase()
    {
        const QString bin = m_folder.file("bin");
        m_log = m_folder.file("opened.log");
        QVERIFY(TestFiles::write(bin + "/xdg-open",
                                 "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + QFile::encodeName(m_log) + "'\n"));
        QVERIFY(QFile::setPermissions(bin + "/xdg-open", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("PATH", QFile::encodeName(bin) + ':' + qgetenv("PATH"));
    }

    void onlyWhatATypedLinkCouldBeOpens_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("opens");
        QTest::newRow("script") << "javascript:alert(1)" << false;
        QTest::newRow("an option of the opener") << "--help" << false;
        QTest::newRow("absolute path, not as a file URL") << "/etc/hosts" << false;
        QTest::newRow("web address as typed") << "https://example.com/a?b=c" << true;
        QTest::newRow("file URL as typed") << "file:///tmp/" << true;
        QTest::newRow("mail") << "mailto:a@b" << true;
        QTest::newRow("host that is an option") << "https://-oProxyCommand=x" << false;
        QTest::newRow("line break") << "https://example.com/a\nb" << false;
        QTest::newRow("NUL") << QString("https://example.com/a") + QChar(0) + "b" << false;
        QTest::newRow("too long") << "https://example.com/" + QString(100000, u'a') << false;
    }

    void onlyWhatATypedLinkCouldBeOpens()
    {
        QFETCH(QString, url);
        QFETCH(bool, opens);
        QFile::remove(m_log);
        QVERIFY(TestFiles::write(m_folder.file("links.json"), linksFile({url, good})));
        LinksStore store(m_folder.path());
        QuickLinksView view(store, *m_fixture.wisp, QDesktopServices::openUrl);
        view.resize(500, 240);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        LinkGrid* grid = view.grid();
        const auto click = [grid](int row) {
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(grid->model()->index(row, 0)).center());
        };

        click(0);
        QCOMPARE(view.messageLine()->isVisible(), !opens);
        if (!opens)
            QVERIFY(view.messageLine()->text().contains("Link 0"));
        // A link that surely opens, clicked after it, tells when the opener has had its time.
        click(1);
        QTRY_VERIFY_WITH_TIMEOUT(opened().contains(good), timeoutMs);
        const QStringList expected = opens ? QStringList{QUrl(url).toEncoded(), good} : QStringList{good};
        QCOMPARE(opened(), expected);
        QVERIFY(view.messageLine()->isHidden());
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestLinksOpen)
#include "tst_linksopen.moc"
