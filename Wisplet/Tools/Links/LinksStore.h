#pragma once

#include "Wisplet/Base/StoredList.h"
#include "Wisplet/Tools/Links/QuickLink.h"

#include <QObject>

// The quick links, kept in "links.json" in the folder given. A first start shows two defaults that reach
// the file only with the first change; every change writes the whole list at once, after taking in what
// another program changed in the file meanwhile. A file that cannot be read is set aside and one that
// cannot be opened left alone, the defaults shown, so the user's links are never overwritten; a save that
// fails keeps the change and says so until a later save succeeds. Main thread only.
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
    // The shared instance when something has used it, else null: quitting saves it, but never makes it.
    static LinksStore* sharedIfMade();
    // Where the links file of a folder is.
    static QString pathIn(const QString& folder);

    // In the order added.
    QList<QuickLink> links() const { return m_links; }
    QString linksPath() const { return m_file.path(); }
    // A line for the page about the file (could not be read or saved, changed by another program), or empty.
    QString message() const { return m_file.message(); }

    // Normalises the entry and appends it, unless LinkRules refuses the address: then it says why and changes
    // nothing. The caller refuses a blank address.
    QString addLink(const QString& title, const QString& url);
    // Removes every link with that id.
    void removeLink(const QUuid& id);
    // Writes what a failed save left unsaved (the program calls it at quit); true when nothing is left.
    bool save();

signals:
    void linksChanged(const QList<QuickLink>& value);
    void messageChanged(const QString& value);
    // Any of the above.
    void changed();

private:
    void setLinks(QList<QuickLink> links);
    bool saveAndPublish(bool listChanged);

    StoredList<QuickLink> m_file;
    QList<QuickLink> m_links;
};
