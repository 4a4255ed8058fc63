#include "Wisplet/Companion/CompanionSprites.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>

namespace {

using Sprites = CompanionSprites;

// Every frame filled with its own coverage, so a lookup shows which frame it returned.
int marker(int k, int salt)
{
    return 10 + 2 * k + salt;
}

QByteArray encodeSheet(QSize size, int salt)
{
    QImage sheet(size, QImage::Format_ARGB32);
    sheet.fill(Qt::transparent);
    QPainter painter(&sheet);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (int k = 0; k < Sprites::frameCount; ++k)
        painter.fillRect(Sprites::frameRect(k), QColor(255, 255, 255, marker(k, salt)));
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    sheet.save(&buffer, "png");
    return png;
}

bool writeSheet(const QString& path, QSize size = {Sprites::sheetWidth, Sprites::sheetHeight}, int salt = 0)
{
    static QHash<std::pair<int, int>, QByteArray> encoded; // drawing and encoding a sheet is the slow part
    const auto key = std::pair(size.width() * 10000 + size.height(), salt);
    if (!encoded.contains(key))
        encoded.insert(key, encodeSheet(size, salt));
    return TestFiles::write(path, encoded.value(key));
}

// The coverage at a frame's first and last pixel: they differ from the marker when the view's offset or
// stride is wrong.
QList<int> corners(const QImage& frame)
{
    return {frame.constScanLine(0)[0], frame.constScanLine(frame.height() - 1)[frame.width() - 1]};
}

} // namespace

class TestCompanionSprites final : public QObject
{
    Q_OBJECT

private slots:
    void framesAreFoundByMoodAndClampedColumn_data()
    {
        QTest::addColumn<Mood>("mood");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("frame");

        QTest::newRow("happy 0: top left") << Mood::happy << 0 << 0;
        QTest::newRow("wink 7: bottom right") << Mood::wink << 7 << 95;
        QTest::newRow("sad -2 clamps to 0") << Mood::sad << -2 << 72;
        QTest::newRow("sad 12 clamps to 7") << Mood::sad << 12 << 79;
    }

    void framesAreFoundByMoodAndClampedColumn()
    {
        QFETCH(Mood, mood);
        QFETCH(int, index);
        QFETCH(int, frame);

        TempFolder folder;
        QVERIFY(writeSheet(folder.file(QStringLiteral("atlas.png"))));
        const Sprites sprites({folder.file(QStringLiteral("atlas.png"))});

        QCOMPARE(sprites.size(), Sprites::frameCount);
        const QImage image = sprites.frame(mood, index);
        QCOMPARE(image.size(), QSize(Sprites::frameWidth, Sprites::frameHeight));
        QCOMPARE(corners(image), QList<int>({marker(frame, 0), marker(frame, 0)}));
    }

    // Only the rows in use are decoded (about 0.6 MB each, where the whole sheet is 7 MB); a frame asked for
    // again is the same image while its row is kept, so what a view cached for it stays valid.
    void onlyTheRowsInUseStayDecoded()
    {
        TempFolder folder;
        QVERIFY(writeSheet(folder.file(QStringLiteral("atlas.png"))));
        const Sprites sprites({folder.file(QStringLiteral("atlas.png"))});
        QCOMPARE(sprites.decodedRows(), 0);

        const QImage rest = sprites.frame(Mood::happy, 0);
        QCOMPARE(rest.format(), QImage::Format_Alpha8);
        QCOMPARE(sprites.frame(Mood::happy, 0).cacheKey(), rest.cacheKey());
        const QImage wink = sprites.frame(Mood::wink, 7);
        QCOMPARE(sprites.decodedRows(), 2);
        QCOMPARE(sprites.frame(Mood::happy, 3).cacheKey(), sprites.frame(Mood::happy, 3).cacheKey());

        // Happy was used last, so sad takes wink's place.
        QCOMPARE(corners(sprites.frame(Mood::sad, 1)), QList<int>({marker(73, 0), marker(73, 0)}));
        QCOMPARE(sprites.decodedRows(), Sprites::keptRows);
        QCOMPARE(sprites.frame(Mood::happy, 0).cacheKey(), rest.cacheKey());
        QVERIFY(sprites.frame(Mood::wink, 7).cacheKey() != wink.cacheKey());
        // A frame handed out keeps its pixels after its row has been dropped.
        QCOMPARE(corners(wink), QList<int>({marker(95, 0), marker(95, 0)}));
    }

    void badSheetsGiveAnEmptyAtlas_data()
    {
        QTest::addColumn<QSize>("size"); // empty: no file at all

        QTest::newRow("missing") << QSize();
        QTest::newRow("half size") << QSize(1536, 1152);
        QTest::newRow("one row too tall") << QSize(3072, 2305);
    }

    void badSheetsGiveAnEmptyAtlas()
    {
        QFETCH(QSize, size);

        TempFolder folder;
        const QString path = folder.file(QStringLiteral("atlas.png"));
        if (size.isValid())
            QVERIFY(writeSheet(path, size));
        const Sprites sprites({path});

        QVERIFY(sprites.isEmpty());
        QVERIFY(sprites.frame(Mood::happy, 0).isNull());
        QVERIFY(sprites.frame(Mood::wink, 7).isNull());
    }

    void theFirstCandidateThatExistsWins_data()
    {
        QTest::addColumn<bool>("inSubfolder");
        QTest::addColumn<bool>("atRoot");
        QTest::addColumn<int>("salt"); // whose frames load: 1 the subfolder's, 2 the root's

        QTest::newRow("both: the subfolder's") << true << true << 1;
        QTest::newRow("only at the root") << false << true << 2;
    }

    void theFirstCandidateThatExistsWins()
    {
        QFETCH(bool, inSubfolder);
        QFETCH(bool, atRoot);
        QFETCH(int, salt);

        TempFolder folder;
        const QString nested = folder.file(QStringLiteral("Companion/companion-atlas.png"));
        const QString root = folder.file(QStringLiteral("companion-atlas.png"));
        if (inSubfolder)
            QVERIFY(writeSheet(nested, {Sprites::sheetWidth, Sprites::sheetHeight}, 1));
        if (atRoot)
            QVERIFY(writeSheet(root, {Sprites::sheetWidth, Sprites::sheetHeight}, 2));
        const Sprites sprites({nested, root});

        QCOMPARE(corners(sprites.frame(Mood::proud, 4)), QList<int>({marker(44, salt), marker(44, salt)}));
    }

    // The header is sound and the top rows decode, but the data stops halfway: the first row that cannot be
    // decoded empties the whole atlas, so no frame ever shows on the wrong mood.
    void aSheetCutShortEmptiesTheAtlasWhenItsEndIsReached()
    {
        TempFolder folder;
        const QString path = folder.file(QStringLiteral("atlas.png"));
        QVERIFY(writeSheet(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.resize(file.size() / 2));
        file.close();
        const Sprites sprites({path});
        QVERIFY(!sprites.isEmpty());

        QCOMPARE(corners(sprites.frame(Mood::happy, 2)), QList<int>({marker(2, 0), marker(2, 0)}));
        QVERIFY(sprites.frame(Mood::wink, 0).isNull());
        QVERIFY(sprites.isEmpty());
        QCOMPARE(sprites.decodedRows(), 0);
        QVERIFY(sprites.frame(Mood::happy, 2).isNull());
    }

    // The art itself: every frame draws something and stays off its cell's edges (a shape cut by the edge
    // would show when scaled), the shut column differs from rest, and the spare column copies rest.
    void theShippedAtlasIsComplete()
    {
        const QString path =
            qEnvironmentVariable("WISPLET_SOURCE_DIR") + QStringLiteral("/Resources/companion-atlas.png");
        const Sprites sprites({path});
        QCOMPARE(sprites.size(), Sprites::frameCount);

        for (const Mood mood : allMoods) {
            for (int column = 0; column < Sprites::columns; ++column) {
                const QImage frame = sprites.frame(mood, column);
                bool drawn = false;
                bool onEdge = false;
                for (int y = 0; y < frame.height(); ++y) {
                    const uchar* line = frame.constScanLine(y);
                    drawn = drawn || std::any_of(line, line + frame.width(), [](uchar a) { return a != 0; });
                    const bool edgeRow = y == 0 || y == frame.height() - 1;
                    onEdge = onEdge || line[0] != 0 || line[frame.width() - 1] != 0
                        || (edgeRow && std::any_of(line, line + frame.width(), [](uchar a) { return a != 0; }));
                }
                QVERIFY2(drawn && !onEdge, qPrintable(rawValue(mood) + u' ' + QString::number(column)));
            }
            QCOMPARE(sprites.frame(mood, 7), sprites.frame(mood, 0));
            if (mood != Mood::asleep) // already shut
                QVERIFY(sprites.frame(mood, 3) != sprites.frame(mood, 0));
        }
    }
};

WISPLET_TEST_MAIN(TestCompanionSprites)
#include "tst_companionsprites.moc"
