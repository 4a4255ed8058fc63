#include "Wisplet/Notch/ToolSwitcher.h"
#include "tests/support/TestMain.h"

namespace {

QStringList names(const QList<ToolID>& tools)
{
    QStringList raw;
    for (ToolID tool : tools)
        raw.append(rawValue(tool));
    return raw;
}

} // namespace

class TestToolSwitcher final : public QObject
{
    Q_OBJECT

private slots:
    void matches_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("expected");
        const QString all = QStringLiteral("focus clipboard notes links system media calendar weather business files");
        QTest::newRow("empty keeps all in declaration order") << QString() << all;
        QTest::newRow("lower case") << QStringLiteral("now") << QStringLiteral("media");
        QTest::newRow("upper case") << QStringLiteral("NOW") << QStringLiteral("media");
        QTest::newRow("mixed case") << QStringLiteral("nOw") << QStringLiteral("media");
        QTest::newRow("a space is a character") << QStringLiteral(" ") << QStringLiteral("media");
        QTest::newRow("trailing space is kept") << QStringLiteral("focus ") << QString();
        QTest::newRow("leading space is kept") << QStringLiteral(" Playing") << QStringLiteral("media");
        QTest::newRow("several, in declaration order")
            << QStringLiteral("o") << QStringLiteral("focus clipboard notes media");
        QTest::newRow("inside a word") << QStringLiteral("ath") << QStringLiteral("weather");
        QTest::newRow("no match") << QStringLiteral("xyz") << QString();
    }

    void matches()
    {
        QFETCH(QString, query);
        QFETCH(QString, expected);
        QCOMPARE(names(ToolSwitcher::matches(query)), expected.split(u' ', Qt::SkipEmptyParts));
    }
};

WISPLET_TEST_MAIN(TestToolSwitcher)
#include "tst_toolswitcher.moc"
