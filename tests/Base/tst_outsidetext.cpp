#include "Wisplet/Base/OutsideText.h"
#include "tests/support/TestMain.h"
#include "tests/support/VisualOrder.h"

namespace {

// The marks, by their names in the bidi algorithm.
const QString LRE = QStringLiteral(u"\u202A");
const QString RLE = QStringLiteral(u"\u202B");
const QString PDF = QStringLiteral(u"\u202C");
const QString RLO = QStringLiteral(u"\u202E");
const QString LRI = QStringLiteral(u"\u2066");
const QString RLI = QStringLiteral(u"\u2067");
const QString FSI = QStringLiteral(u"\u2068");
const QString PDI = QStringLiteral(u"\u2069");

// Ours, after the outside text.
const QString countdown = QStringLiteral(u" \u00B7 25m");

} // namespace

class TestOutsideText final : public QObject
{
    Q_OBJECT

private slots:
    void isolated_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("isolated");
        QTest::newRow("empty stays empty") << QString() << QString();
        QTest::newRow("plain") << "Standup" << FSI + "Standup" + PDI;
        QTest::newRow("an override left open is closed")
            << "Meet" + RLO + "ing" << FSI + "Meet" + RLO + "ing" + PDF + PDI;
        QTest::newRow("nested, closed innermost first")
            << RLI + "a" + RLE + "b" << FSI + RLI + "a" + RLE + "b" + PDF + PDI + PDI;
        QTest::newRow("a stray PDI cannot end the isolate early")
            << "a" + PDI + RLO + "b" << FSI + "a" + RLO + "b" + PDF + PDI;
        QTest::newRow("a PDI closes the embeddings opened inside its isolate")
            << RLI + RLO + "a" + PDI + "b" << FSI + RLI + RLO + "a" + PDI + "b" + PDI;
        QTest::newRow("a PDF inside an isolate closes nothing")
            << RLO + "a" + LRI + "b" + PDF + "c" << FSI + RLO + "a" + LRI + "b" + "c" + PDI + PDF + PDI;
        QTest::newRow("each line apart, since a line break ends every embedding")
            << "a" + RLO + "\r\nb" << FSI + "a" + RLO + PDF + PDI + "\r\n" + FSI + "b" + PDI;
    }

    void isolated()
    {
        QFETCH(QString, text);
        QFETCH(QString, isolated);
        QCOMPARE(OutsideText::isolated(text), isolated);
        if (!text.contains(u'\n'))
            QVERIFY(VisualOrder::endReadsInOrder(OutsideText::isolated(text) + countdown, countdown.size()));
    }

    // The classic spoof: an override before "txt.exe" shows the name as ending in ".txt".
    void aFileNameShowsItsRealExtension_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("override") << "rtl" + RLO + "txt.exe";
        QTest::newRow("override closed inside") << "photo" + RLO + "gpj" + PDF + ".exe";
    }

    void aFileNameShowsItsRealExtension()
    {
        QFETCH(QString, name);
        const QString shown = OutsideText::fileName(name);
        QVERIFY(VisualOrder::endReadsInOrder(shown, QStringLiteral("xxx.exe").size() + 1));
        // Each mark is shown, not dropped: "a<RLO>b" and "ab" are two names.
        QCOMPARE(shown.size(), name.size() + 2);
    }
};

WISPLET_TEST_MAIN(TestOutsideText)
#include "tst_outsidetext.moc"
