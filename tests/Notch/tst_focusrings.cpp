#include "Wisplet/Base/DropDownButton.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Companion/ExpressionStudio.h"
#include "Wisplet/Notch/HeaderButton.h"
#include "tests/support/WidgetsTestMain.h"

#include <QHBoxLayout>

#include <functional>

namespace {

using Maker = std::function<QWidget*(QWidget* parent)>;

// How many pixels of the control the keyboard focus changes by at least a quarter of the range of grey.
int changedPixels(const QImage& before, const QImage& after)
{
    int changed = 0;
    for (int y = 0; y < before.height(); ++y) {
        for (int x = 0; x < before.width(); ++x)
            changed += std::abs(qGray(before.pixel(x, y)) - qGray(after.pixel(x, y))) >= 64 ? 1 : 0;
    }
    return changed;
}

} // namespace

Q_DECLARE_METATYPE(Maker)

// Controls of our own drawing on the dark island show where the keyboard is, whatever their own fill.
class TestFocusRings final : public QObject
{
    Q_OBJECT

private slots:
    void theFocusedControlStandsOut_data()
    {
        QTest::addColumn<Maker>("make");
        QTest::newRow("white prominent pill")
            << Maker([](QWidget* parent) { return new PillButton(QStringLiteral("Start"), {}, true, parent); });
        QTest::newRow("plain pill") << Maker(
            [](QWidget* parent) { return new PillButton(QStringLiteral("Reset"), {}, false, parent); });
        QTest::newRow("chip") << Maker([](QWidget* parent) { return new ChipButton(QStringLiteral("25"), parent); });
        QTest::newRow("header button") << Maker(
            [](QWidget* parent) { return new HeaderButton(QStringLiteral("pin"), false, parent); });
        QTest::newRow("drop-down") << Maker([](QWidget* parent) {
            auto* button = new DropDownButton(12, parent);
            button->setText(QStringLiteral("Quiet"));
            return button;
        });
        QTest::newRow("studio tile") << Maker([](QWidget* parent) {
            auto* tile = new MoodTile(Mood::happy, parent);
            tile->setFixedSize(160, MoodTile::contentHeight);
            return tile;
        });
    }

    void theFocusedControlStandsOut()
    {
        QFETCH(Maker, make);
        QWidget window;
        QPalette dark = window.palette();
        dark.setColor(QPalette::Window, Qt::black);
        window.setPalette(dark);
        window.setAutoFillBackground(true);
        auto* row = new QHBoxLayout(&window);
        auto* other = new QWidget(&window);
        other->setFocusPolicy(Qt::StrongFocus);
        row->addWidget(other);
        QWidget* control = make(&window);
        row->addWidget(control);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        other->setFocus(Qt::TabFocusReason);
        const QImage before = control->grab().toImage();
        control->setFocus(Qt::TabFocusReason);
        QVERIFY(control->hasFocus());
        const QImage after = control->grab().toImage();
        // A ring round the control: at least as many pixels as its width and height together.
        QVERIFY2(changedPixels(before, after) >= control->width() + control->height(),
                 qPrintable(QString::number(changedPixels(before, after))));
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestFocusRings)
#include "tst_focusrings.moc"
