#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Base/ToolID.h"
#include "tests/support/WidgetsTestMain.h"

#include <QPainter>

namespace {

struct Coverage
{
    int inked = 0;
    int opaque = 0; // pixels at the tint's own alpha
    int maxAlpha = 0;
    bool offTint = false; // a fully covered pixel of another colour
};

Coverage coverage(const QPixmap& pixmap, const QColor& tint)
{
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    Coverage result;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            result.maxAlpha = std::max(result.maxAlpha, pixel.alpha());
            result.inked += pixel.alpha() > 0;
            if (pixel.alpha() != tint.alpha())
                continue;
            ++result.opaque;
            const int distance = std::abs(pixel.red() - tint.red()) + std::abs(pixel.green() - tint.green())
                + std::abs(pixel.blue() - tint.blue());
            result.offTint = result.offTint || distance > 6;
        }
    }
    return result;
}

} // namespace

class TestSymbolIcons final : public QObject
{
    Q_OBJECT

private slots:
    void everySymbolRenders_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString& name : symbolNames())
            QTest::newRow(qPrintable(name)) << name;
    }

    void everySymbolRenders()
    {
        QFETCH(QString, name);
        const QColor tint(20, 160, 240);
        for (const int points : {13, 24}) {
            for (const qreal dpr : {1.0, 2.0}) {
                const QPixmap pixmap = symbolPixmap(name, QSize(points, points), tint, dpr);
                QCOMPARE(pixmap.size(), QSize(points, points) * dpr);
                QCOMPARE(pixmap.devicePixelRatio(), dpr);
                const Coverage drawn = coverage(pixmap, tint);
                QVERIFY2(drawn.inked > points * dpr, "a visible glyph");
                QVERIFY2(drawn.inked < points * points * dpr * dpr * 0.8, "not a filled square");
                QVERIFY(points * dpr < 48 || drawn.opaque > 0);
                QVERIFY(!drawn.offTint);
            }
        }
    }

    void everyToolHasItsSymbol()
    {
        for (const ToolID tool : allTools)
            QVERIFY2(symbolNames().contains(toolIcon(tool)), qPrintable(toolIcon(tool)));
    }

    void tintCarriesColourAndAlpha_data()
    {
        QTest::addColumn<QColor>("tint");
        QTest::newRow("opaque accent") << QColor(230, 40, 90);
        QTest::newRow("half transparent") << QColor(40, 90, 230, 128);
    }

    void tintCarriesColourAndAlpha()
    {
        QFETCH(QColor, tint);
        const Coverage drawn = coverage(symbolPixmap(QStringLiteral("pause.fill"), QSize(24, 24), tint, 2), tint);
        QCOMPARE(drawn.maxAlpha, tint.alpha());
        QVERIFY(drawn.opaque > 100);
        QVERIFY(!drawn.offTint);
    }

    void unusableRequests_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::newRow("unknown name") << QStringLiteral("no.such.symbol") << QSize(16, 16);
        QTest::newRow("app icon is not a symbol") << QStringLiteral("wisplet") << QSize(16, 16);
        QTest::newRow("empty size") << QStringLiteral("timer") << QSize(0, 16);
    }

    void unusableRequests()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QVERIFY(symbolPixmap(name, size, Qt::black, 1).isNull());
        QCOMPARE(symbolIcon(name, Qt::black).isNull(), !symbolNames().contains(name));
    }

    void iconRendersAtAnyRatio()
    {
        const QColor tint(250, 200, 0);
        const QIcon icon = symbolIcon(QStringLiteral("gearshape"), tint);
        const QPixmap sharp = icon.pixmap(QSize(16, 16), 2.0);
        QCOMPARE(sharp.size(), QSize(32, 32));
        QCOMPARE(sharp.devicePixelRatio(), 2.0);
        QVERIFY(coverage(sharp, tint).opaque > 0);
        const Coverage disabled = coverage(icon.pixmap(QSize(16, 16), 2.0, QIcon::Disabled), tint);
        QVERIFY(disabled.maxAlpha > 0 && disabled.maxAlpha < 128);

        QImage canvas(QSize(48, 48), QImage::Format_ARGB32_Premultiplied);
        canvas.setDevicePixelRatio(2);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        icon.paint(&painter, QRect(0, 0, 24, 24));
        painter.end();
        const QPixmap expected = symbolPixmap(QStringLiteral("gearshape"), QSize(24, 24), tint, 2);
        QCOMPARE(coverage(QPixmap::fromImage(canvas), tint).opaque, coverage(expected, tint).opaque);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestSymbolIcons)
#include "tst_symbolicons.moc"
