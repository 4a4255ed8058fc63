#include "Wisplet/Platform/StoreFile.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"

class TestStoreFile final : public QObject
{
    Q_OBJECT

private slots:
    void seesOnlyAnotherProgramsChange()
    {
        const TempFolder folder;
        StoreFile file(folder.file(QStringLiteral("store.json")), 100);
        QVERIFY(TestFiles::write(file.path(), "[1]"));
        file.read();
        QVERIFY(!file.changedSinceSeen());
        QVERIFY(file.write("[2]"));
        QVERIFY(!file.changedSinceSeen());

        QVERIFY(TestFiles::write(file.path(), "[3]"));
        QVERIFY(file.changedSinceSeen());
        file.read();
        QVERIFY(!file.changedSinceSeen());
        QVERIFY(QFile::remove(file.path()));
        QVERIFY(file.changedSinceSeen());
    }

    void neverWritesWhatItCouldNotReadBack()
    {
        const TempFolder folder;
        StoreFile file(folder.file(QStringLiteral("store.json")), 4);
        QVERIFY(file.write("1234"));
        QString error;
        QVERIFY(!file.write("12345", &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(file.read().contents, QByteArray("1234"));
    }
};

WISPLET_TEST_MAIN(TestStoreFile)
#include "tst_storefile.moc"
