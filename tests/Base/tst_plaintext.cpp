#include "Wisplet/Base/ElidingLabel.h"
#include "Wisplet/Base/PlainToolTip.h"
#include "tests/support/WidgetsTestMain.h"

#include <QAccessible>
#include <QTextDocument>

namespace {

// Texts from outside that Qt would take for markup.
void addMarkupRows()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("bold") << QStringLiteral("<b>Quarterly</b> review");
    QTest::newRow("a local picture") << QStringLiteral("<img src=/etc/hosts.png> Standup");
    QTest::newRow("fake words of ours") << QStringLiteral("<font color=red>Keyring locked</font>");
}

} // namespace

class PlainTextTest final : public QObject
{
    Q_OBJECT

private slots:
    void anElidingLabelShowsTheTextAsTyped_data() { addMarkupRows(); }

    void anElidingLabelShowsTheTextAsTyped()
    {
        QFETCH(QString, text);
        ElidingLabel label;
        label.setFullText(text);
        label.resize(label.sizeHint());
        // What the label shows, as a screen reader is told: markup would leave out the tags.
        QCOMPARE(QAccessible::queryAccessibleInterface(&label)->text(QAccessible::Name), text);
    }

    void aPlainToolTipReadsBackAsTyped_data()
    {
        addMarkupRows();
        QTest::newRow("entities") << QStringLiteral("Fish &amp; chips &lt;3");
        QTest::newRow("spaces, a tab and lines") << QStringLiteral("  two  spaces\tand\n\nlines  ");
        QTest::newRow("nothing, no tooltip box") << QString();
    }

    void aPlainToolTipReadsBackAsTyped()
    {
        QFETCH(QString, text);
        // What QToolTip does with a text that looks like markup.
        QTextDocument shown;
        shown.setHtml(plainToolTip(text));
        QCOMPARE(shown.toPlainText(), text);
        QCOMPARE(plainToolTip(text).isEmpty(), text.isEmpty());
    }
};

WISPLET_WIDGETS_TEST_MAIN(PlainTextTest)
#include "tst_plaintext.moc"
