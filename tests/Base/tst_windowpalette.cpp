#include "Wisplet/Base/WindowPalette.h"
#include "tests/support/WidgetsTestMain.h"

#include <QCheckBox>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <cmath>

namespace {

// The contrast ratio of two colours as accessibility guidelines define it: 1 (none) to 21.
double contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& colour) {
        const auto linear = [](double channel) {
            return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
    };
    const double lighter = std::max(luminance(a), luminance(b));
    const double darker = std::min(luminance(a), luminance(b));
    return (lighter + 0.05) / (darker + 0.05);
}

} // namespace

class TestWindowPalette final : public QObject
{
    Q_OBJECT

private slots:
    // A disabled text is visibly dimmer than an enabled one, yet legible, and not blurred by a light etch.
    void disabledTextsAreDimmed_data()
    {
        QTest::addColumn<QPalette::ColorGroup>("group");
        QTest::addColumn<QPalette::ColorRole>("text");
        QTest::addColumn<double>("least");
        QTest::addColumn<double>("most");
        QTest::newRow("enabled") << QPalette::Active << QPalette::WindowText << 7.0 << 21.0;
        QTest::newRow("disabled") << QPalette::Disabled << QPalette::WindowText << 3.0 << 6.0;
        QTest::newRow("etch under disabled text") << QPalette::Disabled << QPalette::Light << 1.0 << 1.2;
    }

    void disabledTextsAreDimmed()
    {
        QFETCH(QPalette::ColorGroup, group);
        QFETCH(QPalette::ColorRole, text);
        QFETCH(double, least);
        QFETCH(double, most);
        const QPalette palette = darkWindowPalette();
        const double ratio = contrast(palette.color(group, text), palette.color(group, QPalette::Window));
        QVERIFY2(ratio >= least && ratio <= most, qPrintable(QString::number(ratio)));
    }

    // The box of an unticked check box stands out from any window of ours.
    void anUntickedBoxShowsOnTheDarkWindow()
    {
        useDarkWindowPalette();
        QWidget window;
        window.setAutoFillBackground(true);
        auto* box = new QCheckBox(QStringLiteral("Files"), &window);
        box->adjustSize();
        window.resize(box->size() + QSize(20, 20));
        box->move(10, 10);

        const QImage image = window.grab().toImage();
        QStyleOptionButton option;
        option.initFrom(box);
        const QRect indicator =
            box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).translated(box->pos());
        QVERIFY(!indicator.isEmpty());
        const QColor background = darkWindowPalette().color(QPalette::Window);
        double edge = 1;
        for (int y = indicator.top(); y <= indicator.bottom(); ++y) {
            for (int x = indicator.left(); x <= indicator.right(); ++x)
                edge = std::max(edge, contrast(image.pixelColor(x, y), background));
        }
        QVERIFY2(edge >= 2.5, qPrintable(QString::number(edge)));
        QVERIFY(contrast(image.pixelColor(indicator.center()), background) >= 1.4);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestWindowPalette)
#include "tst_windowpalette.moc"
