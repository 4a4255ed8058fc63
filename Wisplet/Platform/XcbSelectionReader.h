#pragma once

#include "Wisplet/Platform/Pasteboard.h"

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <coroutine>
#include <deque>
#include <memory>

struct xcb_connection_t;

// Reads the CLIPBOARD selection over an X connection without ever waiting for its owner: a conversion is
// asked for into a property of a window of ours, and its answer arrives as events, read by a native event
// filter on the application. The size is learnt before anything is read (the property's length, or the
// size an INCR transfer announces), and nothing beyond the limit is read. Reads run one after the other.
//
// The reads of one copy go to its owner only: the owner is fixed by ownerProcess() or by the first read
// after cancelAll(), and once another program holds the clipboard every read ends empty without a request,
// even before the application has heard of the new copy.
class XcbSelectionReader final : public QObject, private QAbstractNativeEventFilter
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(XcbSelectionReader)

public:
    // An owner silent for this long has given up, or never meant to answer.
    static constexpr int silenceMs = 2000;
    // Far more targets than any program offers: the names of all of them are asked for at once, so that a
    // marker is seen wherever it stands.
    static constexpr int maxTargets = 16384;

    // The connection is Qt's own, or one whose events the application's event filters see.
    XcbSelectionReader(xcb_connection_t* connection, quint32 root, QObject* parent = nullptr);
    // Ends every read still under way, empty.
    ~XcbSelectionReader() override;

    // Over Qt's own X connection, also under XWayland (which bridges the clipboard); none when the
    // application does not run on X11.
    static std::unique_ptr<XcbSelectionReader> forApplication();

    // The process of the clipboard's owner (X Resource extension): the window given (the one the server
    // announced for the copy), else the one that owns it now. The copy's reads are then held to that window.
    // None when nobody owns it or the server cannot say.
    std::optional<qint64> ownerProcess(std::optional<quint32> owner);
    xcb_connection_t* connection() const { return m_connection; }
    // The names of the targets the owner offers; empty when it does not answer.
    QCoro::Task<QStringList> targets();
    // One target's bytes; empty when it is not offered or the owner does not answer.
    QCoro::Task<PasteboardData> read(QString target, qint64 maxBytes);
    // Ends every read under way, empty: the copy they were for has been replaced. The next copy's owner is
    // fixed afresh.
    void cancelAll();

private:
    struct Transfer
    {
        quint32 target = 0;
        qint64 maxBytes = 0;
        // The owner sends the data in pieces.
        bool incremental = false;
        bool done = false;
        PasteboardData result;
        std::coroutine_handle<> waiter;
    };
    // Plain pointer: the awaiting coroutine keeps the transfer alive, and GCC 12 may destroy a temporary
    // awaiter twice.
    struct Awaiter
    {
        Transfer* transfer;
        bool await_ready() const noexcept { return transfer->done; }
        void await_suspend(std::coroutine_handle<> handle) noexcept { transfer->waiter = handle; }
        PasteboardData await_resume() const { return transfer->result; }
    };
    struct PropertyInfo
    {
        quint32 type = 0;
        qint64 bytes = 0;
    };

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    QCoro::Task<PasteboardData> transfer(quint32 target, qint64 maxBytes);
    void begin();
    // Ends every read queued, empty.
    void endAll();
    quint32 selectionOwner() const;
    void converted(quint32 property);
    void pieceArrived();
    // Ends the transfer under way. Abandoning it gives the owner a window that is gone, so it stops sending.
    void finish(PasteboardData result, bool abandon);
    static void resume(const std::shared_ptr<Transfer>& transfer);
    void makeWindow();
    std::optional<PropertyInfo> propertyInfo() const;
    // Appends the property's value and deletes it.
    void takeProperty(qint64 bytes, QByteArray& into) const;
    quint32 atom(const QString& name, bool onlyIfExists) const;
    QStringList atomNames(const QList<quint32>& atoms);

    xcb_connection_t* m_connection;
    quint32 m_root;
    quint32 m_window = 0;
    quint32 m_clipboard;
    quint32 m_targets;
    quint32 m_incr;
    quint32 m_property;
    QTimer m_silence;
    // The front one is under way.
    std::deque<std::shared_ptr<Transfer>> m_queue;
    QHash<quint32, QString> m_names;
    // The window that owns the copy being read; none until the copy's first read or owner question.
    std::optional<quint32> m_owner;
    bool m_closing = false;
};
