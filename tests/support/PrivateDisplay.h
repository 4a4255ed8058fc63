#pragma once

#include <QByteArray>
#include <QProcess>
#include <QRect>
#include <QSize>
#include <QString>

// An X server of the test's own (Xvfb) with openbox managing its windows, for a screen that the harness's
// display is not: another size, another scale, several monitors. While it runs, DISPLAY names it, so the
// X tools and the programs the test starts use it; the test's own connection stays where it was.
class PrivateDisplay final
{
public:
    PrivateDisplay() = default;
    ~PrivateDisplay();
    Q_DISABLE_COPY_MOVE(PrivateDisplay)

    // Starts the server with one screen of this size in device pixels and the desktop's Xft.dpi (192 is a
    // scale of 2) and waits until openbox manages windows; false when either did not come up.
    bool start(QSize size, int dpi = 96);
    QString errorText() const { return m_errorText; }
    // A RandR monitor over part of the screen, as a second display plugged in shows; the first takes the
    // screen's one output. Unplugged by its name.
    bool addMonitor(const QString& name, const QRect& area);
    bool removeMonitor(const QString& name);

private:
    bool startServer(QSize size);
    bool setDpi(int dpi);
    bool startWindowManager();
    void stop();

    QProcess m_server;
    QProcess m_windowManager;
    QByteArray m_displayBefore;
    int m_monitors = 0;
    QString m_errorText;
};
