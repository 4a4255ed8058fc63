#include "Wisplet/Base/EvenDigits.h"
#include "Wisplet/Base/EvenDigitsLabel.h"
#include "tests/support/WidgetsTestMain.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <cmath>

namespace {

const QString unevenFamily = QStringLiteral("D050000L");

QFont fontOf(const QString& family, int pixels = 26)
{
    QFont font(family);
    font.setPixelSize(pixels);
    return font;
}

// The text drawn in white on a clear image, left-aligned from x = 10.
QImage drawn(const QFont& font, const QString& text)
{
    QImage image(400, 60, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::white);
    EvenDigits::draw(painter, QRectF(10, 0, 380, 60), Qt::AlignLeft | Qt::AlignVCenter, text);
    return image;
}

// The last column holding any ink, -1 for none.
int lastInk(const QImage& image)
{
    for (int x = image.width() - 1; x >= 0; --x) {
        for (int y = 0; y < image.height(); ++y) {
            if (qAlpha(image.pixel(x, y)) > 0)
                return x;
        }
    }
    return -1;
}

} // namespace

class TestEvenDigits final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The installed text fonts all have even digits of their own; the URW dingbats, drawn for the
        // digits, have uneven ones, and so show what the even layout mends.
        QVERIFY(QFontDatabase::hasFamily(unevenFamily));
        const QFontMetricsF uneven(fontOf(unevenFamily));
        QVERIFY(uneven.horizontalAdvance(QStringLiteral("11:11")) != uneven.horizontalAdvance(QStringLiteral("00:00")));
    }

    void digitsTakeOneWidth_data()
    {
        QTest::addColumn<QString>("narrow");
        QTest::addColumn<QString>("wide");
        QTest::newRow("a clock") << QStringLiteral("11:11") << QStringLiteral("00:00");
        QTest::newRow("figures in words") << QStringLiteral("-1.1 MB/s free") << QStringLiteral("-9.0 MB/s free");
    }

    void digitsTakeOneWidth()
    {
        QFETCH(QString, narrow);
        QFETCH(QString, wide);
        const QFont font = fontOf(unevenFamily);
        QCOMPARE(EvenDigits::width(font, narrow), EvenDigits::width(font, wide));
        // Drawn, the text ends where the other does, and inside what was measured.
        const int wideEnd = lastInk(drawn(font, wide + u'.'));
        QCOMPARE(lastInk(drawn(font, narrow + u'.')), wideEnd);
        QVERIFY(wideEnd < 10 + std::ceil(EvenDigits::width(font, wide + u'.')) + 1);
    }

    void longTextsAreElided_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("room");
        QTest::addColumn<QString>("shown");
        QTest::newRow("fits") << QStringLiteral("12:34") << QStringLiteral("00:00") << QStringLiteral("12:34");
        QTest::newRow("cut after whole digits")
            << QStringLiteral("123456789") << QStringLiteral("0000") << QStringLiteral("12\u2026");
        QTest::newRow("a pair of surrogates stays whole")
            << QStringLiteral("1\U0001F389\U0001F389\U0001F389") << QStringLiteral("000") << QStringLiteral("1\u2026");
    }

    void longTextsAreElided()
    {
        QFETCH(QString, text);
        QFETCH(QString, room);
        QFETCH(QString, shown);
        const QFont font = fontOf(QStringLiteral("DejaVu Sans"));
        const qreal width = EvenDigits::width(font, room);
        const QString elided = EvenDigits::elided(font, text, width);
        QCOMPARE(elided, shown);
        QVERIFY(EvenDigits::width(font, elided) <= width);
    }

    void labelAsksForItsText()
    {
        EvenDigitsLabel label(QStringLiteral("00:00"));
        label.setFont(fontOf(unevenFamily, 13));
        label.setContentsMargins(4, 0, 0, 0);
        const QSize zeros = label.sizeHint();
        QVERIFY(zeros.width() >= 4 + EvenDigits::width(label.font(), label.text()));
        label.setText(QStringLiteral("11:11"));
        QCOMPARE(label.sizeHint(), zeros);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestEvenDigits)
#include "tst_evendigits.moc"
