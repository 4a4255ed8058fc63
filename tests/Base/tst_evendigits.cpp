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

// The columns holding any ink: first and last, or (-1, -1) for none.
QPair<int, int> inkColumns(const QImage& image)
{
    int first = -1;
    int last = -1;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (qAlpha(image.pixel(x, y)) > 0) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
        }
    }
    return {first, last};
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
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("narrow");
        QTest::addColumn<QString>("wide");
        for (const QString& family : {QStringLiteral("DejaVu Sans"), unevenFamily}) {
            const QByteArray name = family.toLatin1();
            QTest::newRow(name + ", a clock") << family << QStringLiteral("11:11") << QStringLiteral("00:00");
            QTest::newRow(name + ", a temperature") << family << QStringLiteral("-1°") << QStringLiteral("-4°");
            QTest::newRow(name + ", figures in words")
                << family << QStringLiteral("1.1 MB/s free") << QStringLiteral("9.0 MB/s free");
        }
    }

    void digitsTakeOneWidth()
    {
        QFETCH(QString, family);
        QFETCH(QString, narrow);
        QFETCH(QString, wide);
        const QFont font = fontOf(family);
        QCOMPARE(EvenDigits::width(font, narrow), EvenDigits::width(font, wide));
        // Drawn, the text ends where the other does, and inside what was measured.
        const QPair<int, int> narrowInk = inkColumns(drawn(font, narrow + u'.'));
        const QPair<int, int> wideInk = inkColumns(drawn(font, wide + u'.'));
        QCOMPARE(narrowInk.second, wideInk.second);
        QVERIFY(wideInk.second < 10 + std::ceil(EvenDigits::width(font, wide + u'.')) + 1);
    }

    void longTextsAreElided_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("room");
        QTest::addColumn<QString>("shown");
        QTest::newRow("fits") << "12:34"
                              << "00:00"
                              << "12:34";
        QTest::newRow("cut after whole digits") << "123456789"
                                                << "0000"
                                                << "12\u2026";
        QTest::newRow("a pair of surrogates stays whole") << "1\U0001F389\U0001F389\U0001F389"
                                                          << "000"
                                                          << "1\u2026";
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
        label.setFont(fontOf(QStringLiteral("DejaVu Sans"), 13));
        label.setContentsMargins(4, 0, 0, 0);
        const QSize zeros = label.sizeHint();
        QCOMPARE(zeros.width(), 4 + int(std::ceil(EvenDigits::width(label.font(), label.text()))));
        label.setText(QStringLiteral("11:11"));
        QCOMPARE(label.sizeHint(), zeros);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestEvenDigits)
#include "tst_evendigits.moc"
