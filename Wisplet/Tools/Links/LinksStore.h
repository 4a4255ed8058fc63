#pragma once

#include "Wisplet/Tools/Links/QuickLink.h"

#include <QObject>

// The quick links, kept in "links.json" in the folder given. A first start shows two defaults that reach
// the file only with the first change; every change writes the whole list at once. A file that exists
// but cannot be read is set aside, and the defaults shown, so the user's links are never overwritten.
// Main thread only.
class LinksStore final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinksStore)

public:
    // Far more links than anyone keeps; a larger file is not ours to read.
    static constexpr qint64 maxFileBytes = 4 * 1024 * 1024;

    explicit LinksStore(const QString& folder, QObject* parent = nullptr);

    // Over the app-support folder; created on first use.
    static LinksStore& shared();

    // In the order added.
    QList<QuickLink> links() const { return m_links; }
    QString linksPath() const;
    // A line for the page about a file that could not be read, or empty.
    QString message() const { return m_message; }

    // Normalises the entry and appends it; the caller refuses a blank address.
    void addLink(const QString& title, const QString& url);
    // Removes every link with that id; the file is written even when none matched.
    void removeLink(const QUuid& id);

signals:
    void linksChanged(const QList<QuickLink>& value);
    void messageChanged(const QString& value);
    // Any of the above.
    void changed();

private:
    void setLinks(QList<QuickLink> links);
    void save();
    void setAsideUnreadable(const QString& reason);

    QString m_folder;
    QList<QuickLink> m_links;
    QString m_message;
    QString m_unreadableReason;
    // The unreadable file could not be moved aside at start: move it before writing over it.
    bool m_setAsideFirst = false;
};
