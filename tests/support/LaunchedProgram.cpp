#include "tests/support/LaunchedProgram.h"

#include "tests/support/Files.h"
#include "tests/support/XTools.h"

#include <QTest>

#include <utility>

namespace LaunchedProgram {

std::unique_ptr<QProcess> start(const QString& binary, const QMap<QString, QString>& changes)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (it.value().isNull())
            environment.remove(it.key());
        else
            environment.insert(it.key(), it.value());
    }
    auto process = std::make_unique<QProcess>();
    process->setProgram(binary);
    process->setProcessEnvironment(environment);
    process->start();
    return process;
}

QMap<QString, QString> homeOnBus(const QString& busAddress, const TempFolder& home)
{
    return {{QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress},
            {QStringLiteral("HOME"), home.path()},
            {QStringLiteral("XDG_CONFIG_HOME"), home.file(QStringLiteral("config"))},
            {QStringLiteral("XDG_DATA_HOME"), home.file(QStringLiteral("data"))},
            {QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0")}};
}

quint32 visibleWindowOf(const QProcess& process)
{
    return visibleWindowsOf(process, QStringLiteral(".*")).value(0);
}

QList<quint32> visibleWindowsOf(const QProcess& process, const QString& titlePattern)
{
    // Without --all, xdotool lists the windows that match either the process or the title.
    const QStringList arguments{QStringLiteral("search"),
                                QStringLiteral("--all"),
                                QStringLiteral("--onlyvisible"),
                                QStringLiteral("--pid"),
                                QString::number(process.processId()),
                                QStringLiteral("--name"),
                                titlePattern};
    QList<quint32> windows;
    const QString found = XTools::run(QStringLiteral("xdotool"), arguments).value_or(QString());
    for (const QString& window : found.split(u'\n', Qt::SkipEmptyParts))
        windows << window.toUInt();
    return windows;
}

bool exitedWith(QProcess& process, int code)
{
    return process.waitForFinished(XTools::timeoutMs * 3) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == code;
}

Session::~Session()
{
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(XTools::timeoutMs))
            m_process->kill();
        m_process->waitForFinished(XTools::timeoutMs);
    }
}

bool Session::startBus()
{
    if (m_busStarted)
        return true;
    m_busStarted = m_bus.start();
    if (!m_busStarted)
        m_errorText = m_bus.errorText();
    return m_busStarted;
}

bool Session::start(const QString& binary, const QByteArray& defaults)
{
    if (!startBus())
        return false;
    if (!TestFiles::write(m_home.file(QStringLiteral("config/Wisplet/defaults.json")), defaults)) {
        m_errorText = QStringLiteral("cannot write the defaults file");
        return false;
    }
    m_process = LaunchedProgram::start(
        binary, homeOnBus(m_busAddressGiven.isEmpty() ? m_bus.address() : m_busAddressGiven, m_home));
    if (!m_process->waitForStarted(XTools::timeoutMs)) {
        m_errorText = m_process->errorString();
        return false;
    }
    // Before any menu or tray icon, the panel is the one window without a title; without a compositor its
    // bounding shape is the island.
    const bool up = QTest::qWaitFor(
        [this] {
            const QList<quint32> untitled = visibleWindowsOf(*m_process, QStringLiteral("^$"));
            m_panel = untitled.size() == 1 ? untitled.first() : 0;
            return m_panel != 0 && !XTools::boundingShape(m_panel).isEmpty();
        },
        XTools::timeoutMs * 3);
    if (!up)
        m_errorText = QStringLiteral("the panel did not show");
    return up;
}

bool openPanelWithKey(quint32 panel, const QString& key)
{
    const int resting = XTools::boundingShape(panel).height();
    const auto opened = [&] { return XTools::boundingShape(panel).height() > resting; };
    for (int tries = 0; tries < 3; ++tries) {
        if (!XTools::xdotool({QStringLiteral("key"), key}))
            return false;
        if (!QTest::qWaitFor(opened, XTools::timeoutMs / 3))
            continue;
        QRect last;
        return QTest::qWaitFor([&] { return std::exchange(last, XTools::boundingShape(panel)) == last && opened(); },
                               XTools::timeoutMs);
    }
    return false;
}

} // namespace LaunchedProgram
