#pragma once

#include "Wisplet/Tools/Links/QuickLink.h"

#include <QObject>

// The quick links, kept in "links.json" in the folder given. A first start shows two defaults that reach
// the file only with the first change; every change writes the whole list at once. A file that exists
// but cannot be read is set aside before the first write, so the user's links are never overwritten.
// Main thread only.
class LinksStore final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinksStore)

public:
    explicit LinksStore(const QString& folder, QObject* parent = nullptr);

    // Over the app-support folder; created on first use.
    static LinksStore& shared();

    // In the order added.
    QList<QuickLink> links() const { return m_links; }
    QString linksPath() const;

    // Normalises the entry and appends it; the caller refuses a blank address.
    void addLink(const QString& title, const QString& url);
    // Removes every link with that id; the file is written even when none matched.
    void removeLink(const QUuid& id);

signals:
    void linksChanged(const QList<QuickLink>& value);
    // Any of the above.
    void changed();

private:
    void setLinks(QList<QuickLink> links);
    void save();

    QString m_folder;
    QList<QuickLink> m_links;
    // The file on disk could not be read: move it aside before writing over it.
    bool m_setAsideFirst = false;
};
