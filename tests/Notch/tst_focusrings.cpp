#include "Wisplet/Base/DropDownButton.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Companion/ExpressionStudio.h"
#include "Wisplet/Notch/HeaderButton.h"
#include "Wisplet/Notch/SegmentedPicker.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Clipboard/ClipList.h"
#include "Wisplet/Tools/Media/MediaButton.h"
#include "tests/support/FocusMarks.h"
#include "tests/support/WidgetsTestMain.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QToolButton>

#include <functional>

namespace {

using Maker = std::function<QWidget*(QWidget* parent)>;

} // namespace

Q_DECLARE_METATYPE(Maker)

// Controls of our own drawing on the dark island are reached by Tab and show where the keyboard is, whatever
// their own fill.
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
        QTest::newRow("media button") << Maker(
            [](QWidget* parent) { return new MediaButton(QStringLiteral("play.fill"), 18, parent); });
        QTest::newRow("clipboard list") << Maker([](QWidget* parent) {
            auto* list = new ClipList(QString(), parent);
            ClipItem copied;
            copied.id = QUuid::createUuid();
            copied.text = QStringLiteral("copied");
            list->setEntries({copied});
            return list;
        });
        QTest::newRow("symbol button") << Maker([](QWidget* parent) {
            return toolSymbolButton(QStringLiteral("trash"), QStringLiteral("Delete"), Qt::white, 14, parent);
        });
        QTest::newRow("segmented picker") << Maker([](QWidget* parent) {
            return new SegmentedPicker(QStringLiteral("View"), {QStringLiteral("Agenda"), QStringLiteral("Reminders")},
                                       parent);
        });
        // Chosen from the store, as a view fills it: Tab stops at the chosen segment, not the first.
        QTest::newRow("segmented picker, the second chosen") << Maker([](QWidget* parent) {
            auto* picker = new SegmentedPicker(QStringLiteral("Size"),
                                               {QStringLiteral("Small"), QStringLiteral("Medium")}, parent);
            const QSignalBlocker quiet(picker->segments());
            picker->segments()->button(1)->setChecked(true);
            return picker;
        });
    }

    void theFocusedControlStandsOut()
    {
        QFETCH(Maker, make);
        QWidget window;
        FocusMarks::darken(window);
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
        QTest::keyClick(other, Qt::Key_Tab);
        QVERIFY(control->isAncestorOf(QApplication::focusWidget()) || control->hasFocus());
        if (auto* picker = qobject_cast<SegmentedPicker*>(control))
            QCOMPARE(QApplication::focusWidget(), picker->segments()->checkedButton());
        const QImage after = control->grab().toImage();
        // A ring round the control: at least as many pixels as its width and height together.
        const int changed = FocusMarks::changedPixels(before, after);
        QVERIFY2(changed >= control->width() + control->height(), qPrintable(QString::number(changed)));
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestFocusRings)
#include "tst_focusrings.moc"
