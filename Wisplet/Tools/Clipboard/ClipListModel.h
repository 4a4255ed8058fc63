#pragma once

#include "Wisplet/Base/RowListModel.h"
#include "Wisplet/Tools/Clipboard/ClipItem.h"

#include <QCache>
#include <QDateTime>
#include <QPixmap>
#include <QSet>

// The clipboard page's rows: one per entry shown, changed in place as the history changes. A row's texts and
// picture are made only when it is drawn, so a history of any length costs what is on screen.
class ClipListModel final : public RowListModel<ClipItem>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClipListModel)

public:
    enum Role {
        subtitleRole = Qt::UserRole + 1, // the application and the age
        symbolRole, // the symbol shown without a picture
        pinnedRole,
    };

    // Pictures that were asked for lately, kept ready for drawing.
    static constexpr int keptPictures = 64;

    // `folder` holds the history's pictures.
    explicit ClipListModel(const QString& folder, QObject* parent = nullptr);

    // The moment the rows' ages are told from; every row's age changes with it.
    void setNow(const QDateTime& now);
    // The row of the entry; -1 when it is not listed.
    int rowOf(const QUuid& id) const;

    // The application, when known, and how long ago.
    static QString subtitle(const ClipItem& item, const QDateTime& now);
    // The symbol standing for the entry's kind.
    static QString kindSymbol(ClipItem::Kind kind);

    QVariant data(const QModelIndex& index, int role) const override;

private:
    QVariant picture(const ClipItem& item) const;
    void readPicture(const QString& key, const QStringList& names) const;
    void keepPicture(const QString& key, const QImage& image);

    QString m_folder;
    QDateTime m_now;
    // By the entry's preview and image names; a null pixmap for a picture that could not be read.
    mutable QCache<QString, QPixmap> m_pictures{keptPictures};
    mutable QSet<QString> m_reading;
};
