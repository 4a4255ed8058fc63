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
    // Readable where it should be read; a disabled text visibly dimmer than an enabled one, yet legible.
    void textsStandOutAsTheyShould_data()
    {
        QTest::addColumn<QPalette::ColorGroup>("group");
        QTest::addColumn<QPalette::ColorRole>("text");
        QTest::addColumn<QPalette::ColorRole>("background");
        QTest::addColumn<double>("least");
        QTest::addColumn<double>("most");
        QTest::newRow("window text") << QPalette::Active << QPalette::WindowText << QPalette::Window << 7.0 << 21.0;
        QTest::newRow("field text") << QPalette::Active << QPalette::Text << QPalette::Base << 7.0 << 21.0;
        QTest::newRow("button text") << QPalette::Active << QPalette::ButtonText << QPalette::Button << 7.0 << 21.0;
        QTest::newRow("selected text") << QPalette::Active << QPalette::HighlightedText << QPalette::Highlight << 3.0
                                       << 21.0;
        QTest::newRow("disabled menu item")
            << QPalette::Disabled << QPalette::WindowText << QPalette::Window << 3.0 << 6.0;
        QTest::newRow("disabled field") << QPalette::Disabled << QPalette::Text << QPalette::Base << 3.0 << 6.0;
        QTest::newRow("disabled button") << QPalette::Disabled << QPalette::ButtonText << QPalette::Button << 2.5
                                         << 6.0;
        QTest::newRow("etch under disabled text")
            << QPalette::Disabled << QPalette::Light << QPalette::Window << 1.0 << 1.2;
    }

    void textsStandOutAsTheyShould()
    {
        QFETCH(QPalette::ColorGroup, group);
        QFETCH(QPalette::ColorRole, text);
        QFETCH(QPalette::ColorRole, background);
        QFETCH(double, least);
        QFETCH(double, most);
        const QPalette palette = darkWindowPalette();
        const double ratio = contrast(palette.color(group, text), palette.color(group, background));
        QVERIFY2(ratio >= least && ratio <= most, qPrintable(QString::number(ratio)));
    }

    // Drawn as the welcome window draws it: the box of an unticked check box stands out from the window.
    void anUntickedBoxShowsOnTheDarkWindow()
    {
        QWidget window;
        window.setPalette(darkWindowPalette());
        window.setAutoFillBackground(true);
        auto* box = new QCheckBox(QStringLiteral("Files"), &window);
        box->setPalette(visibleCheckBoxPalette());
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
        double fill = 1;
        for (int y = indicator.top(); y <= indicator.bottom(); ++y) {
            for (int x = indicator.left(); x <= indicator.right(); ++x)
                edge = std::max(edge, contrast(image.pixelColor(x, y), background));
        }
        fill = contrast(image.pixelColor(indicator.center()), background);
        QVERIFY2(edge >= 2.5, qPrintable(QString::number(edge)));
        QVERIFY2(fill >= 1.4, qPrintable(QString::number(fill)));
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestWindowPalette)
#include "tst_windowpalette.moc"
