#include "Wisplet/Base/ScaledImageReader.h"
#include "tests/support/Files.h"
#include "tests/support/Images.h"
#include "tests/support/StandIns.h"
#include "tests/support/TestMain.h"

#include <QTemporaryDir>

using Failure = ScaledImage::Failure;

struct FitRow
{
    QSize size;
    int maxSide;
    QSize expected;
};
Q_DECLARE_METATYPE(FitRow)

struct ReadRow
{
    QByteArray bytes;
    int maxSide;
    QSize expected; // size of the decoded image, 0×0 when none
    QSize sourceSize; // upright size from the header
    QPoint redCorner; // where the stored top-left block ends up, as a fraction of the result
    Failure failure;
};
Q_DECLARE_METATYPE(ReadRow)

class TestScaledImageReader final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void fitsTheLongSide_data()
    {
        QTest::addColumn<FitRow>("row");
        QTest::newRow("landscape down") << FitRow{{6000, 4000}, 2048, {2048, 1365}};
        QTest::newRow("portrait down") << FitRow{{4000, 6000}, 2048, {1365, 2048}};
        QTest::newRow("never enlarged") << FitRow{{800, 600}, 4096, {800, 600}};
        QTest::newRow("zero keeps it") << FitRow{{6000, 4000}, 0, {6000, 4000}};
        QTest::newRow("thin strip keeps a pixel") << FitRow{{10000, 2}, 76, {76, 1}};
    }
    void fitsTheLongSide()
    {
        QFETCH(FitRow, row);
        QCOMPARE(ScaledImageReader::fitLongSide(row.size, row.maxSide), row.expected);
    }

    void readsUprightAndScaled_data()
    {
        QTest::addColumn<ReadRow>("row");
        const QByteArray exifJpeg = TestImages::markedTurnedJpeg({48, 32}, QStringLiteral("private note"));
        const QByteArray heic = TestFiles::read(TestImages::sample("rotated.heic"));
        QVERIFY(!exifJpeg.isEmpty() && !heic.isEmpty());
        // Both samples store a 3:2 landscape picture turned a quarter clockwise: the red block moves top right.
        QTest::newRow("jpeg by its exif orientation")
            << ReadRow{exifJpeg, 0, {32, 48}, {32, 48}, {1, 0}, Failure::none};
        QTest::newRow("heic by its own rotation") << ReadRow{heic, 0, {32, 64}, {32, 64}, {1, 0}, Failure::none};
        QTest::newRow("heic scaled") << ReadRow{heic, 16, {8, 16}, {32, 64}, {1, 0}, Failure::none};
        QTest::newRow("png scaled") << ReadRow{
            TestImages::marked({3000, 2000}, "png"), 300, {300, 200}, {3000, 2000}, {0, 0}, Failure::none};
        QTest::newRow("palette png scaled in colour")
            << ReadRow{TestImages::markedPalette({300, 200}, "png"), 76, {76, 51}, {300, 200}, {0, 0}, Failure::none};
        QTest::newRow("jpeg scaled") << ReadRow{
            TestImages::marked({1200, 1600}, "jpeg"), 76, {57, 76}, {1200, 1600}, {0, 0}, Failure::none};
        QTest::newRow("header above the ceiling")
            << ReadRow{TestImages::pngClaiming({12000, 9000}), 76, {0, 0}, {12000, 9000}, {}, Failure::tooLarge};
        QTest::newRow("not an image") << ReadRow{"just text", 76, {0, 0}, {}, {}, Failure::unreadable};
        QTest::newRow("empty") << ReadRow{{}, 0, {0, 0}, {}, {}, Failure::unreadable};
        QTest::newRow("truncated png") << ReadRow{
            TestImages::marked({40, 30}, "png").chopped(24), 0, {0, 0}, {40, 30}, {}, Failure::unreadable};
    }
    void readsUprightAndScaled()
    {
        QFETCH(ReadRow, row);
        const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-'));
        QVERIFY(TestFiles::write(path, row.bytes));

        for (const ScaledImage& result :
             {ScaledImageReader::read(path, row.maxSide), ScaledImageReader::read(row.bytes, row.maxSide)}) {
            QCOMPARE(result.failure, row.failure);
            QCOMPARE(result.sourceSize, row.sourceSize);
            QCOMPARE(result.image.size(), row.expected);
            if (result.ok()) {
                const QPoint corner(row.redCorner.x() * (result.image.width() - 1),
                                    row.redCorner.y() * (result.image.height() - 1));
                QVERIFY(TestImages::isRed(result.image.pixelColor(corner)));
                QVERIFY(
                    TestImages::isBlue(result.image.pixelColor(result.image.width() - 1, result.image.height() - 1)));
            }
        }
        QCOMPARE(ScaledImageReader::imageSize(path), row.sourceSize);
    }

    void onlyARegularFileIsRead()
    {
        QCOMPARE(ScaledImageReader::read(m_dir.filePath("absent.png"), 0).failure, Failure::unreadable);
        // Opening a FIFO to read would wait for a writer for ever.
        const QString fifo = m_dir.filePath(QStringLiteral("fifo.png"));
        QVERIFY(StandIns::place(fifo, StandIns::fifo));
        QCOMPARE(ScaledImageReader::read(fifo, 76).failure, Failure::unreadable);
        QVERIFY(!ScaledImageReader::imageSize(fifo).isValid());
    }
};

WISPLET_TEST_MAIN(TestScaledImageReader)
#include "tst_scaledimagereader.moc"
