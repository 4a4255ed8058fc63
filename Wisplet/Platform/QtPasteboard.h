#pragma once

#include "Wisplet/Platform/Pasteboard.h"

#include <QPointer>

#include <memory>

class QClipboard;
class QMimeData;
class XcbSelectionReader;

// The application's QClipboard, CLIPBOARD only. Each change Qt reports counts once; so does each of our
// own writes, and the notice Qt may give for that write is not counted a second time. On X11 another
// program's copy is read through the selection directly, never beyond a limit and without waiting for
// it; elsewhere, and for our own content, through Qt.
class QtPasteboard final : public Pasteboard
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtPasteboard)

public:
    // Needs a QGuiApplication.
    explicit QtPasteboard(QObject* parent = nullptr);
    ~QtPasteboard() override;

    int changeCount() const override { return m_changeCount; }
    QCoro::Task<QStringList> types() override;
    QCoro::Task<PasteboardData> data(QString type, qint64 maxBytes) override;
    void write(const PasteboardContent& content) override;

private:
    void clipboardChanged();
    // A new content: reads still under way for the one before end, empty.
    void replaced();
    const QMimeData* current() const;
    // Another program's copy on X11 is read through the selection; none for our own content or without X11.
    XcbSelectionReader* selectionReader();

    QClipboard* m_clipboard;
    std::unique_ptr<XcbSelectionReader> m_reader;
    bool m_readerChecked = false;
    int m_changeCount = 0;
    // Our last content while we own the clipboard (Qt owns and deletes it).
    QPointer<const QMimeData> m_written;
    bool m_writing = false;
};
