#pragma once

#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QStringList>

// Makes sure only one Wisplet runs on a user's data folder, whatever the display and the session bus: the
// first one holds a lock on a file beside the data, and also owns the D-Bus name where there is a bus. A
// second start asks the first, through that name, to come forward. Nothing here waits for the bus: the
// lock decides at once, the bus may come later, and the name is asked for and given back without waiting.
// Held while this object lives.
class SingleInstance final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    static constexpr const char* busName = "com.tidewell.wisplet";
    static constexpr const char* objectPath = "/com/tidewell/wisplet";
    static constexpr const char* interfaceName = "com.tidewell.wisplet.Instance";

    // The lock files to try in order: the first that can be locked or is held by another process decides.
    explicit SingleInstance(const QStringList& lockPaths, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The data folder's lock file, then, for a data folder that cannot hold one, the display's lock file in
    // the runtime folder ($XDG_RUNTIME_DIR/<lockFileName(DISPLAY)>).
    static QStringList standardLockPaths(const QString& dataFolder);
    // The lock file's name for a display: ":0", ":0.0" and "unix:0" are one display, "host:0" another.
    static QString lockFileName(const QString& display);

    // True when this process is the one Wisplet of the user on this data folder, or when no lock file could
    // be made at all.
    bool isFirst() const { return m_first; }

    // The session bus, once it is there (possibly not connected): the first asks for the name.
    void useBus(const QDBusConnection& bus);

    // From a second start: asks the first to come forward, and asks again when the first, on its way, comes
    // to own its name; waits until the deadline at most, user input held back. False when there is no bus or
    // nobody answered.
    bool askFirstToComeForward(const QDeadlineTimer& deadline) const;

signals:
    // A second start asked this one to come forward.
    void comeForwardRequested();
    // The bus went away while this instance held its name; the lock file still keeps a second start out.
    void busLost();

private slots:
    void onBusDisconnected();

private:
    // Asks for the name, and shows the object once the bus gives it.
    void exportOnBus();

    int m_lockFd = -1;
    QDBusConnection m_bus{QString()};
    bool m_first = false;
};
