#include "Wisplet/Base/PlainToolTip.h"
#include "tests/support/WidgetsTestMain.h"

#include <QTextDocument>

class PlainTextTest final : public QObject
{
    Q_OBJECT

private slots:
    void aPlainToolTipReadsBackAsTyped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("markup") << QStringLiteral("<img src=/etc/hosts.png> <b>Standup</b>");
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
