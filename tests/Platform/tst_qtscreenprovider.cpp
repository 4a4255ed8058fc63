#include "Wisplet/Platform/QtScreenProvider.h"
#include "tests/support/TestMain.h"

#include <QGuiApplication>
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

    void pointerFollowsTheXPointer_data()
    {
        QTest::addColumn<QPoint>("position");
        QTest::newRow("inside") << QPoint(123, 456);
        QTest::newRow("origin") << QPoint(0, 0);
    }

    void pointerFollowsTheXPointer()
    {
        QFETCH(QPoint, position);
        QtScreenProvider provider;
        const QStringList move{QStringLiteral("mousemove"), QString::number(position.x()),
                               QString::number(position.y())};
        QVERIFY(runX11Tool(QStringLiteral("xdotool"), move));
        QTRY_COMPARE_WITH_TIMEOUT(provider.pointer(), QPointF(position), xTimeoutMs);
    }
};

WISPLET_TEST_MAIN(QtScreenProviderTest)

#include "tst_qtscreenprovider.moc"
