#pragma once

#include "Wisplet/Platform/Pasteboard.h"

#include <QAbstractNativeEventFilter>
#include <QPointer>

#include <memory>

class QClipboard;
class QMimeData;
class XcbSelectionReader;

// The application's QClipboard, CLIPBOARD only. Each change Qt reports counts once; so does each of our
// own writes, and the notice Qt may give for that write is not counted a second time. On X11 another
// program's copy is read through the selection directly, never beyond a limit and without waiting for
// it, and never through Qt, whose reads wait for the owner; our own content, and any copy off X11, is read
// through Qt. On X11 the server's time of each new owner is taken from the XFixes notice Qt asks for and
// turns into its change signal.
class QtPasteboard final : public Pasteboard, private QAbstractNativeEventFilter
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtPasteboard)

public:
    // Needs a QGuiApplication.
    explicit QtPasteboard(QObject* parent = nullptr);
    ~QtPasteboard() override;

    int changeCount() const override { return m_changeCount; }
    std::optional<quint32> changeTime() const override
    {
        return m_change ? std::optional(m_change->time) : std::nullopt;
    }
    QCoro::Task<CopyMaker> maker() override;
    void write(const PasteboardContent& content) override;

protected:
    QCoro::Task<QStringList> readTypes() override;
    QCoro::Task<PasteboardData> readData(QString type, qint64 maxBytes) override;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void watchOwnerChanges();
    void clipboardChanged();
    // A new content: reads still under way for the one before end, empty.
    void replaced();
    // Our own content, or any content off X11, which only Qt can read; none for another program's copy on X11.
    const QMimeData* qtReadable() const;
    // Another program's copy on X11 is read through the selection; none for our own content, without X11,
    // and once the reader is gone.
    XcbSelectionReader* selectionReader();

    QClipboard* m_clipboard;
    std::unique_ptr<XcbSelectionReader> m_reader;
    bool m_onX11;
    bool m_readerChecked = false;
    int m_changeCount = 0;
    // XFixes' selection notice, and the clipboard's atom; 0 when the server has no XFixes.
    quint8 m_selectionNotify = 0;
    quint32 m_clipboardAtom = 0;
    // What the server said of an owner change: when, and which window took the clipboard.
    struct OwnerChange
    {
        quint32 time = 0;
        quint32 owner = 0;
    };
    // The last owner change the server announced, until Qt reports the change; then the current copy's.
    std::optional<OwnerChange> m_announced;
    std::optional<OwnerChange> m_change;
    // Our last content while we own the clipboard (Qt owns and deletes it).
    QPointer<const QMimeData> m_written;
    bool m_writing = false;
};
