#include "tests/support/XTools.h"

#include <QMargins>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace XTools {
namespace {

QString windowInfo(quint32 window, const QStringList& options = {})
{
    return run(QStringLiteral("xwininfo"), options + QStringList{QStringLiteral("-id"), QString::number(window)})
        .value_or(QString());
}

// The number after "<label>:" in xwininfo's report; -1 when absent.
int infoNumber(const QString& info, const QString& label)
{
    const QRegularExpression pattern(QRegularExpression::escape(label) + QStringLiteral(R"(:\s+(-?\d+))"));
    const QRegularExpressionMatch match = pattern.match(info);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

} // namespace

std::optional<QString> run(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(timeoutMs) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(tool.readAllStandardOutput());
}

bool xdotool(const QStringList& arguments)
{
    return run(QStringLiteral("xdotool"), arguments).has_value();
}

bool clickAt(const QPoint& global)
{
    return xdotool({QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y()),
                    QStringLiteral("click"), QStringLiteral("1")});
}

quint32 focusedWindow()
{
    return run(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")}).value_or(QString()).trimmed().toUInt();
}

QRect frameOf(quint32 window)
{
    const QString info = windowInfo(window);
    const QRect frame(infoNumber(info, QStringLiteral("Absolute upper-left X")),
                      infoNumber(info, QStringLiteral("Absolute upper-left Y")),
                      infoNumber(info, QStringLiteral("Width")), infoNumber(info, QStringLiteral("Height")));
    return frame.width() > 0 && frame.height() > 0 ? frame : QRect();
}

QRect frameWithTitleBarOf(quint32 window)
{
    // Left, right, top, bottom.
    const QStringList extents = property(window, QStringLiteral("_NET_FRAME_EXTENTS")).split(QStringLiteral(", "));
    const QRect frame = frameOf(window);
    if (extents.size() != 4 || frame.isEmpty())
        return {};
    return frame.marginsAdded(QMargins(extents[0].toInt(), extents[2].toInt(), extents[1].toInt(), extents[3].toInt()));
}

QRect workArea()
{
    const QStringList area = property(0, QStringLiteral("_NET_WORKAREA")).split(QStringLiteral(", "));
    return area.size() >= 4 ? QRect(area[0].toInt(), area[1].toInt(), area[2].toInt(), area[3].toInt()) : QRect();
}

bool isViewable(quint32 window)
{
    return windowInfo(window).contains(QStringLiteral("Map State: IsViewable"));
}

QRect boundingShape(quint32 window)
{
    const QRegularExpression pattern(QStringLiteral(R"(Window shape extents:\s+(\d+)x(\d+)\+(-?\d+)\+(-?\d+))"));
    const QRegularExpressionMatch match = pattern.match(windowInfo(window, {QStringLiteral("-shape")}));
    if (!match.hasMatch())
        return {};
    return {match.captured(3).toInt(), match.captured(4).toInt(), match.captured(1).toInt(), match.captured(2).toInt()};
}

QString property(quint32 window, const QString& name)
{
    const QStringList which = window ? QStringList{QStringLiteral("-id"), QString::number(window)}
                                     : QStringList{QStringLiteral("-root")};
    const QString line = run(QStringLiteral("xprop"), which + QStringList{name}).value_or(QString());
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral(R"(^[^=:]*[=:]\s*(.*)$)")).match(line);
    return match.hasMatch() && !line.contains(QStringLiteral("not found")) ? match.captured(1).trimmed() : QString();
}

QImage picture(quint32 window)
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("picture.png"));
    const QString which = window ? QString::number(window) : QStringLiteral("root");
    if (!folder.isValid() || !run(QStringLiteral("import"), {QStringLiteral("-window"), which, file}))
        return {};
    return QImage(file);
}

QList<quint32> stackingOrder()
{
    const QString line =
        run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")})
            .value_or(QString());
    QList<quint32> windows;
    for (const QRegularExpressionMatch& match : QRegularExpression(QStringLiteral("0x[0-9a-f]+")).globalMatch(line))
        windows << match.captured().toUInt(nullptr, 16);
    return windows;
}

} // namespace XTools
