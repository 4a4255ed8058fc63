#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <memory>

class QLockFile;

// Makes sure only one Wisplet runs per user and display, whatever the session bus: the first one holds a
// lock file in the runtime folder, named after the display, and also owns the D-Bus name where there is
// a bus. A second start asks the first, through that name, to come forward. Held while this object lives.
class SingleInstance final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    static constexpr const char* busName = "com.tidewell.wisplet";
    static constexpr const char* objectPath = "/com/tidewell/wisplet";
    static constexpr const char* interfaceName = "com.tidewell.wisplet.Instance";

    // The bus to use (possibly not connected) and the lock file.
    SingleInstance(const QDBusConnection& bus, const QString& lockPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR/<lockFileName(DISPLAY)>.
    static QString standardLockPath();
    // The lock file's name for a display: ":0", ":0.0" and "unix:0" are one display, "host:0" another.
    static QString lockFileName(const QString& display);

    // True when this process is the one Wisplet of the user on this display.
    bool isFirst() const { return m_first; }

    // From a second start: asks the first to come forward, waiting at most `timeoutMs`. False when there
    // is no bus or nobody answered.
    bool askFirstToComeForward(int timeoutMs) const;

signals:
    // A second start asked this one to come forward.
    void comeForwardRequested();
    // The bus went away while this instance held its name; the lock file still keeps a second start out.
    void busLost();

private slots:
    void onBusDisconnected();

private:
    // Takes the name and shows the object when free; false when there is no bus.
    bool exportOnBus();

    std::unique_ptr<QLockFile> m_lock;
    QDBusConnection m_bus;
    bool m_ownsName = false;
    bool m_first = false;
};
