#include "tests/support/TestMain.h"

#include <QDirIterator>
#include <QRegularExpression>

namespace {

// The folders of Wisplet/, lowest first; folders of one rank may include each other.
int rankOf(const QString& relativePath)
{
    static const QList<QPair<QString, int>> ranks{
        {QStringLiteral("Platform/"), 0},   {QStringLiteral("Base/"), 1},  {QStringLiteral("Companion/"), 2},
        {QStringLiteral("Notch/"), 3},      {QStringLiteral("Tools/"), 4}, {QStringLiteral("Settings/"), 5},
        {QStringLiteral("Onboarding/"), 5}, {QStringLiteral("App/"), 6},   {QStringLiteral("main.cpp"), 7},
    };
    for (const auto& [prefix, rank] : ranks) {
        if (relativePath.startsWith(prefix))
            return rank;
    }
    return -1;
}

} // namespace

class TestLayering final : public QObject
{
    Q_OBJECT

private slots:
    void includesPointOnlyDown()
    {
        const QString root = qEnvironmentVariable("WISPLET_SOURCE_DIR") + QStringLiteral("/Wisplet/");
        static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s+\"Wisplet/([^\"]+)\""),
                                                QRegularExpression::MultilineOption);
        QStringList upward;
        int files = 0;
        QDirIterator it(root, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString from = path.mid(root.size());
            QVERIFY2(rankOf(from) >= 0, qPrintable(from + QStringLiteral(" is in no known layer")));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(file.readAll());
            for (auto match = include.globalMatch(text); match.hasNext();) {
                const QString to = match.next().captured(1);
                if (rankOf(to) > rankOf(from))
                    upward.append(from + QStringLiteral(" → ") + to);
            }
            ++files;
        }
        QVERIFY(files > 0);
        QVERIFY2(upward.isEmpty(), qPrintable(upward.join(QLatin1Char('\n'))));
    }
};

WISPLET_TEST_MAIN(TestLayering)
#include "tst_layering.moc"
