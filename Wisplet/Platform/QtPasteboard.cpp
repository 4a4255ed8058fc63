#include "Wisplet/Platform/QtPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

QtPasteboard::QtPasteboard(QObject* parent)
    : Pasteboard(parent)
    , m_clipboard(QGuiApplication::clipboard())
{
    connect(m_clipboard, &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard)
            clipboardChanged();
    });
}

QtPasteboard::~QtPasteboard() = default;

void QtPasteboard::clipboardChanged()
{
    // Our own write was counted when it was made.
    if (m_writing || (m_written && m_clipboard->ownsClipboard() && current() == m_written))
        return;
    m_written = nullptr;
    ++m_changeCount;
}

const QMimeData* QtPasteboard::current() const
{
    return m_clipboard->mimeData(QClipboard::Clipboard);
}

QStringList QtPasteboard::types() const
{
    const QMimeData* content = current();
    return content ? content->formats() : QStringList();
}

QByteArray QtPasteboard::data(const QString& type) const
{
    const QMimeData* content = current();
    return content ? content->data(type) : QByteArray();
}

QString QtPasteboard::text() const
{
    const QMimeData* content = current();
    return content && content->hasText() ? content->text() : QString();
}

void QtPasteboard::write(const PasteboardContent& content)
{
    auto* mime = new QMimeData;
    if (!content.text.isEmpty())
        mime->setText(content.text);
    if (!content.dataType.isEmpty())
        mime->setData(content.dataType, content.data);
    if (!content.filePaths.isEmpty()) {
        QByteArray uriList;
        QByteArray gnomeList("copy");
        for (const QString& path : content.filePaths) {
            const QByteArray url = QUrl::fromLocalFile(path).toEncoded();
            uriList += url + "\r\n";
            gnomeList += '\n' + url;
        }
        mime->setData(QLatin1String(uriListType), uriList);
        mime->setData(QLatin1String(gnomeFilesType), gnomeList);
    }
    m_writing = true;
    m_clipboard->setMimeData(mime, QClipboard::Clipboard);
    m_writing = false;
    m_written = mime;
    ++m_changeCount;
}
