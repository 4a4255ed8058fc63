#include "Wisplet/Base/AppSupport.h"
#include "Wisplet/Platform/StoredJson.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"

class TestAppSupport final : public QObject
{
    Q_OBJECT

private:
    static QByteArray read(const QString& fileName) { return TestFiles::read(appSupportDirectory() + u'/' + fileName); }

private slots:
    void theFolderIsPrivateAndInTheDataHome()
    {
        const QString expected = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Wisplet");
        QCOMPARE(appSupportDirectory(), expected);
        QCOMPARE(QFileInfo(expected).permissions(),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser
                     | QFile::ExeUser);
    }

    void savesCompactJsonInTheStoredForm()
    {
        const QDateTime date(QDate(2026, 3, 1), QTime(0, 0, 0, 500), Qt::UTC);
        const QUuid id = QUuid::fromString(QStringLiteral("{0f8fad5b-d9cb-469f-a165-70867728950e}"));
        const QJsonArray items{QJsonObject{{"id", StoredJson::fromUuid(id)},
                                           {"date", StoredJson::fromDate(date)},
                                           {"data", StoredJson::fromData(QByteArray("\x00\xff", 2))}}};
        QVERIFY(saveJSON(items, QStringLiteral("items.json")));

        const QByteArray written = read(QStringLiteral("items.json"));
        QVERIFY(!written.contains('\n'));
        QCOMPARE(QJsonDocument::fromJson(written).array(), items);
    }

    void removingAMissingFileDoesNothing()
    {
        removeSupportFile(QStringLiteral("never-there.json"));
        QVERIFY(saveJSON(QJsonArray{}, QStringLiteral("gone.json")));
        removeSupportFile(QStringLiteral("gone.json"));
        QVERIFY(!QFile::exists(appSupportDirectory() + QStringLiteral("/gone.json")));
    }

    // Last: the folder is fixed for the life of the process, so once it is gone every save fails.
    void aDeletedFolderIsNotRecreated()
    {
        QVERIFY(QDir(appSupportDirectory()).removeRecursively());
        QVERIFY(!saveJSON(QJsonArray{}, QStringLiteral("after.json")));
        QVERIFY(!QFileInfo::exists(appSupportDirectory()));
    }
};

WISPLET_TEST_MAIN(TestAppSupport)
#include "tst_appsupport.moc"
