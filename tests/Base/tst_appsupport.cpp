#include "Wisplet/Base/AppSupport.h"
#include "tests/support/TestMain.h"

class TestAppSupport final : public QObject
{
    Q_OBJECT

private slots:
    void theFolderIsPrivateAndInTheDataHome()
    {
        const QString expected = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Wisplet");
        QCOMPARE(appSupportDirectory(), expected);
        QCOMPARE(QFileInfo(expected).permissions(),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser
                     | QFile::ExeUser);
    }

    // The folder is made once: a folder removed while the program runs is not made again behind the
    // stores' backs, so their saves fail and say so.
    void aDeletedFolderIsNotRecreated()
    {
        QVERIFY(QDir(appSupportDirectory()).removeRecursively());
        QVERIFY(!QFileInfo::exists(appSupportDirectory()));
    }
};

WISPLET_TEST_MAIN(TestAppSupport)
#include "tst_appsupport.moc"
