#include "Wisplet/Base/ScaledImageReader.h"
#include "Wisplet/Tools/Files/ConvertImage.h"
#include "tests/support/Files.h"
#include "tests/support/Images.h"
#include "tests/support/TestMain.h"
#include "tests/support/TinyDisk.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

struct ExportRow
{
    QString source; // a sample, or a name written from bytes
    QByteArray bytes;
    ImageCopyFormat format;
    int maxSide;
    QSize expected; // invalid: refused
    QByteArray writtenFormat;
};
Q_DECLARE_METATYPE(ExportRow)

struct NameRow
{
    QString source;
    ImageCopyFormat format;
    QString expected;
};
Q_DECLARE_METATYPE(NameRow)

class TestConvertImage final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void exportsAtTheChosenSize_data()
    {
        QTest::addColumn<ExportRow>("row");
        using F = ImageCopyFormat;
        QTest::newRow("photo down to 2048")
            << ExportRow{"big.jpg", TestImages::marked({6000, 4000}, "jpeg"), F::jpeg, 2048, {2048, 1365}, "jpeg"};
        QTest::newRow("small one never enlarged")
            << ExportRow{"small.png", TestImages::marked({800, 600}, "png"), F::jpeg, 4096, {800, 600}, "jpeg"};
        QTest::newRow("header above the ceiling")
            << ExportRow{"huge.png", TestImages::pngClaiming({12000, 9000}), F::png, 1024, {}, {}};
        QTest::newRow("42 megapixels at their own size")
            << ExportRow{"tall.png", TestImages::marked({6000, 7000}, "png"), F::png, 0, {6000, 7000}, "png"};
        QTest::newRow("heic to jpeg") << ExportRow{
            TestImages::sample("rotated.heic"), {}, F::jpeg, 0, {32, 64}, "jpeg"};
        QTest::newRow("odd-sized heic") << ExportRow{
            "odd.png", TestImages::marked({101, 67}, "png"), F::heic, 0, {101, 67}, {}};
        QTest::newRow("an image name over text") << ExportRow{"fake.png", "no pixels here", F::png, 0, {}, {}};
    }
    void exportsAtTheChosenSize()
    {
        QFETCH(ExportRow, row);
        QString source = row.source;
        if (!row.bytes.isEmpty()) {
            source = m_dir.filePath(row.source);
            QVERIFY(TestFiles::write(source, row.bytes));
        }
        const QString destination = m_dir.filePath(QStringLiteral("out-") + QTest::currentDataTag());
        const QString error = convertImage(source, destination, row.format, row.maxSide, 0.85);

        QCOMPARE(error.isEmpty(), row.expected.isValid());
        QCOMPARE(QFile::exists(destination), row.expected.isValid());
        if (!row.expected.isValid())
            return;
        // A HEIC we wrote reads back through libheif; the others through Qt.
        const ScaledImage written = ScaledImageReader::read(destination, 0);
        QCOMPARE(written.image.size(), row.expected);
        if (!row.writtenFormat.isEmpty())
            QCOMPARE(QImageReader(destination).format(), row.writtenFormat);
    }

    void writesUprightWithoutMetadata_data()
    {
        QTest::addColumn<ImageCopyFormat>("format");
        QTest::newRow("jpeg") << ImageCopyFormat::jpeg;
        QTest::newRow("png") << ImageCopyFormat::png;
        QTest::newRow("heic") << ImageCopyFormat::heic;
    }
    void writesUprightWithoutMetadata()
    {
        QFETCH(ImageCopyFormat, format);
        const QString destination = m_dir.filePath(QStringLiteral("upright.") + imageCopyExtension(format));
        const QString source = m_dir.filePath(QStringLiteral("turned.jpg"));
        const QByteArray turned = TestImages::markedTurnedJpeg({48, 32}, QStringLiteral("private note"));
        QVERIFY(TestFiles::write(source, turned));
        QVERIFY(convertImage(source, destination, format, 0, 0.9).isEmpty());

        const QByteArray written = TestFiles::read(destination);
        QVERIFY(!written.contains("private note"));
        QVERIFY(!written.contains("Exif"));
        const ScaledImage read = ScaledImageReader::read(destination, 0);
        QCOMPARE(read.image.size(), QSize(32, 48));
        QVERIFY(TestImages::isRed(read.image.pixelColor(31, 0)));
        QVERIFY(read.image.textKeys().isEmpty());
    }

    // At quit a copy under way is waited for until the deadline: finished when it can be, never past it.
    void theQuitWaitsForACopyUnderWay_data()
    {
        QTest::addColumn<int>("deadlineMs");
        QTest::addColumn<bool>("finished");
        QTest::newRow("time enough: the copy is made") << 20'000 << true;
        QTest::newRow("time short: the quit goes on") << 100 << false;
    }

    void theQuitWaitsForACopyUnderWay()
    {
        QFETCH(int, deadlineMs);
        QFETCH(bool, finished);
        QCoreApplication::addLibraryPath(QStringLiteral(SLOW_IMAGE_PLUGINS));
        qputenv("SLOW_IMAGE_SECONDS", "1");
        const QTemporaryDir folder;
        QVERIFY(TestFiles::write(folder.filePath("picture.slow"), "SLOWIMAGE"));
        const QFuture<QString> copy = startImageConversion(folder.filePath("picture.slow"), folder.filePath("copy.png"),
                                                           ImageCopyFormat::png, 0, 1);
        QElapsedTimer waited;
        waited.start();
        QCOMPARE(finishImageConversions(QDeadlineTimer(deadlineMs)), finished);
        QCOMPARE(QFileInfo::exists(folder.filePath("copy.png")), finished);
        QVERIFY(waited.elapsed() < 10'000);
        // The next test starts with nothing under way.
        QVERIFY(finishImageConversions(QDeadlineTimer(20'000)));
        QCOMPARE(copy.result(), QString());
    }

    void neverWritesOverItsSource()
    {
        const QString source = m_dir.filePath("keep.png");
        const QByteArray original = TestImages::marked({40, 30}, "png");
        QVERIFY(TestFiles::write(source, original));
        const QString error = convertImage(source, m_dir.filePath("./sub/../keep.png"), ImageCopyFormat::jpeg, 0, 0.5);
        QCOMPARE(error, QStringLiteral("Choose a different filename to preserve the original."));
        QCOMPARE(TestFiles::read(source), original);
    }

    void aWriteFailureIsReported()
    {
        const QString source = m_dir.filePath("ok.png");
        QVERIFY(TestFiles::write(source, TestImages::marked({40, 30}, "png")));
        const QString blocked = m_dir.filePath("folder.jpeg");
        QVERIFY(QDir().mkpath(blocked + "/inside"));
        QVERIFY(convertImage(source, blocked, ImageCopyFormat::jpeg, 0, 0.5)
                    .startsWith(QStringLiteral(u"Could not write \u2068folder.jpeg\u2069")));
    }

    // A small copy only fails once its bytes reach the disk; no empty copy is left, and the failure is said.
    void aFullDiskLeavesNoCopy()
    {
        TinyDisk disk;
        TINY_DISK_OR_SKIP(disk);
        const QString source = m_dir.filePath("small.png");
        QVERIFY(TestFiles::write(source, TestImages::marked({40, 30}, "png")));
        QVERIFY(disk.fill());
        const QString copy = disk.file(QStringLiteral("copy.jpeg"));
        QVERIFY(convertImage(source, copy, ImageCopyFormat::jpeg, 0, 0.5)
                    .startsWith(QStringLiteral(u"Could not write \u2068copy.jpeg\u2069")));
        QVERIFY(!QFileInfo::exists(copy));
    }

    void proposesANameBesideTheSource_data()
    {
        QTest::addColumn<NameRow>("row");
        QTest::newRow("heic as jpeg") << NameRow{"IMG_0042.HEIC", ImageCopyFormat::jpeg, "IMG_0042-converted.jpeg"};
        QTest::newRow("only the last extension goes")
            << NameRow{"scan.2024.tiff", ImageCopyFormat::png, "scan.2024-converted.png"};
        QTest::newRow("no extension") << NameRow{"picture", ImageCopyFormat::png, "picture-converted.png"};
    }
    void proposesANameBesideTheSource()
    {
        QFETCH(NameRow, row);
        QCOMPARE(proposedCopyName(row.source, row.format), row.expected);
    }
};

WISPLET_TEST_MAIN(TestConvertImage)
#include "tst_convertimage.moc"
