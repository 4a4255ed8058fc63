#include "Wisplet/Platform/QtScreenProvider.h"
#include "tests/support/TestMain.h"

#include <QCursor>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>

namespace {

constexpr int xTimeoutMs = 10'000;

std::optional<QString> runX11Tool(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(xTimeoutMs) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(tool.readAllStandardOutput());
}

// The root window's size as the X server itself reports it.
QSize xScreenSize()
{
    const QString info = runX11Tool(QStringLiteral("xdpyinfo"), {}).value_or(QString());
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral(R"(dimensions:\s+(\d+)x(\d+) pixels)")).match(info);
    return match.hasMatch() ? QSize(match.captured(1).toInt(), match.captured(2).toInt()) : QSize();
}

bool movePointer(const QString& command, const QPoint& point)
{
    const QStringList arguments{command, QStringLiteral("--"), QString::number(point.x()), QString::number(point.y())};
    return runX11Tool(QStringLiteral("xdotool"), arguments).has_value();
}

} // namespace

// Against the harness's Xvfb: one screen, no scaling.
class QtScreenProviderTest final : public QObject
{
    Q_OBJECT

private slots:
    void theOneScreenIsTheXScreen()
    {
        const QSize size = xScreenSize();
        QVERIFY2(size.isValid(), "xdpyinfo gave no screen size");
        QtScreenProvider provider;

        const QList<ScreenInfo> screens = provider.screens();
        QCOMPARE(screens.size(), 1);
        const ScreenInfo& screen = screens.first();
        QCOMPARE(screen.frame, QRectF(QPointF(0, 0), QSizeF(size)));
        QCOMPARE(screen.screen, QGuiApplication::primaryScreen());
        QCOMPARE(screen.topInset, 0.0);
        QVERIFY(!screen.auxiliaryTopLeft && !screen.auxiliaryTopRight);
        QCOMPARE(provider.mainScreen(), std::optional(screen));
    }

    void builtInConnectors_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("builtIn");
        QTest::newRow("embedded DisplayPort") << "eDP-1" << true;
        QTest::newRow("without the dash") << "eDP1" << true;
        QTest::newRow("the kind alone") << "eDP" << true;
        QTest::newRow("DisplayPort") << "DP-1" << false;
        QTest::newRow("another word that begins alike") << "LVDSX" << false;
    }

    void builtInConnectors()
    {
        QFETCH(QString, name);
        QFETCH(bool, builtIn);
        QCOMPARE(QtScreenProvider::isBuiltInConnector(name), builtIn);
    }

    void pointerFollowsTheXPointer_data()
    {
        QTest::addColumn<QPoint>("position");
        QTest::newRow("origin") << QPoint(0, 0);
    }

    // A warp sends no raw motion; the provider still reads the server now and then.
    void pointerFollowsTheXPointer()
    {
        QFETCH(QPoint, position);
        QtScreenProvider provider;
        provider.pointer();
        QVERIFY(movePointer(QStringLiteral("mousemove"), position));
        QTRY_COMPARE_WITH_TIMEOUT(provider.pointer(), QPointF(position), xTimeoutMs);
    }

    // Relative moves go through XTest like a real device, so they send raw motion, which a watcher hears
    // of; between moves calls reuse the last reading.
    void motionMakesTheOnlyServerReads()
    {
        const QPoint delta(-40, -30);
        const QPoint start(400, 300);
        QVERIFY(movePointer(QStringLiteral("mousemove"), start));
        QTRY_COMPARE_WITH_TIMEOUT(QCursor::pos(), start, xTimeoutMs);

        int queries = 0;
        // Long enough that only raw motion makes the provider read again.
        QtScreenProvider provider(
            [&queries] {
                ++queries;
                return QPointF(QCursor::pos());
            },
            std::chrono::hours(1));
        const auto callsAreFree = [&] {
            const int before = queries;
            for (int call = 0; call < 10; ++call) {
                QCoreApplication::processEvents();
                provider.pointer();
            }
            return queries == before;
        };
        QCOMPARE(provider.pointer(), QPointF(start));
        QCOMPARE(queries, 1);
        QTRY_VERIFY_WITH_TIMEOUT(callsAreFree(), xTimeoutMs);
        int told = 0;
        QVERIFY(provider.watchPointer([&told] { ++told; }));

        QVERIFY(movePointer(QStringLiteral("mousemove_relative"), delta));
        QTRY_COMPARE_WITH_TIMEOUT(provider.pointer(), QPointF(start + delta), xTimeoutMs);
        QVERIFY(told > 0);
        QTRY_VERIFY_WITH_TIMEOUT(callsAreFree(), xTimeoutMs);
        QCOMPARE(provider.pointer(), QPointF(start + delta));

        provider.watchPointer({});
        told = 0;
        QVERIFY(movePointer(QStringLiteral("mousemove_relative"), -delta));
        QTRY_COMPARE_WITH_TIMEOUT(provider.pointer(), QPointF(start), xTimeoutMs);
        QCOMPARE(told, 0);
    }
};

WISPLET_TEST_MAIN(QtScreenProviderTest)

#include "tst_qtscreenprovider.moc"
