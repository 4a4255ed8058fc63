#pragma once

#include "Wisplet/Platform/Pasteboard.h"

#include <QPointer>

class QClipboard;
class QMimeData;

// The application's QClipboard, CLIPBOARD only. Each change Qt reports counts once; so does each of our
// own writes, and the notice Qt may give for that write is not counted a second time.
class QtPasteboard final : public Pasteboard
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtPasteboard)

public:
    // Needs a QGuiApplication.
    explicit QtPasteboard(QObject* parent = nullptr);
    ~QtPasteboard() override;

    int changeCount() const override { return m_changeCount; }
    QStringList types() const override;
    QByteArray data(const QString& type) const override;
    QString text() const override;
    void write(const PasteboardContent& content) override;

private:
    void clipboardChanged();
    const QMimeData* current() const;

    QClipboard* m_clipboard;
    int m_changeCount = 0;
    // Our last content while we own the clipboard (Qt owns and deletes it).
    QPointer<const QMimeData> m_written;
    bool m_writing = false;
};
