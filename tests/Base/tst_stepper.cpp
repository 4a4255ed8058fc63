#include "Wisplet/Base/Stepper.h"
#include "tests/support/WidgetsTestMain.h"

#include <QSignalSpy>
#include <QToolButton>

#include <cmath>
#include <limits>

namespace {

constexpr Stepper::Range water{0, 180, 15};
constexpr Stepper::Range work{5, 120, 5};

struct Step
{
    double value;
    Stepper::Range range;
    int direction;
    double expected;
};

QString minutes(double value)
{
    return Stepper::wholeNumber(value) + QStringLiteral(" min");
}

} // namespace

Q_DECLARE_METATYPE(Step)

class TestStepper final : public QObject
{
    Q_OBJECT

private slots:
    void stepped_data()
    {
        QTest::addColumn<Step>("step");
        QTest::newRow("up from the lower bound") << Step{0, water, +1, 15};
        QTest::newRow("down at the lower bound stays") << Step{5, work, -1, 5};
        QTest::newRow("up at the upper bound stays") << Step{120, work, +1, 120};
        QTest::newRow("a fraction moves by whole steps") << Step{25.5, work, -1, 20.5};
        QTest::newRow("the last step stops at the bound") << Step{118, work, +1, 120};
        QTest::newRow("beyond the top: up stays") << Step{200, water, +1, 200};
        QTest::newRow("beyond the top: down comes into range") << Step{200, water, -1, 180};
        QTest::newRow("below the bottom: down stays") << Step{0.5, {1, 60, 1}, -1, 0.5};
        QTest::newRow("not a number restarts at the bottom")
            << Step{std::numeric_limits<double>::quiet_NaN(), work, +1, 5};
    }

    void stepped()
    {
        QFETCH(Step, step);
        QCOMPARE(Stepper::stepped(step.value, step.range, step.direction), step.expected);
    }

    void wholeNumber_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fraction dropped, not rounded") << 25.9 << QStringLiteral("25");
        QTest::newRow("towards zero") << -2.5 << QStringLiteral("-2");
        QTest::newRow("too large") << 1e30 << QStringLiteral("—");
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << QStringLiteral("—");
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << QStringLiteral("—");
    }

    void wholeNumber()
    {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(Stepper::wholeNumber(value), expected);
    }

    // Showing a value neither emits nor changes it; a press emits the new value once, and a button whose
    // bound is reached cannot be pressed.
    void onlyPressesEdit()
    {
        Stepper stepper(work, minutes);
        QSignalSpy edited(&stepper, &Stepper::valueEdited);
        stepper.setValue(115.5);
        QCOMPARE(stepper.labelText(), QStringLiteral("115 min"));
        auto* plus = stepper.findChild<QToolButton*>(QStringLiteral("increment"));
        auto* minus = stepper.findChild<QToolButton*>(QStringLiteral("decrement"));
        QVERIFY(edited.isEmpty());

        plus->click();
        QCOMPARE(edited.size(), 1);
        QCOMPARE(edited.at(0).at(0).toDouble(), 120.0);
        QVERIFY(!plus->isEnabled());
        QVERIFY(minus->isEnabled());
        QCOMPARE(stepper.labelText(), QStringLiteral("120 min"));
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestStepper)
#include "tst_stepper.moc"
