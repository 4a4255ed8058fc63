#pragma once

#include <QIcon>
#include <QStyledItemDelegate>

// Draws one reminder of the list: a circle that completes it, its title on at most two lines and its due
// day. Rows are as tall as their title and evenly spaced.
class ReminderRow final : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReminderRow)

public:
    static constexpr int spacing = 7;
    static constexpr int buttonSize = 20;

    // Where the parts of one row go; `height` leaves out the spacing below it.
    struct Parts
    {
        QRect button;
        QRect title;
        QString titleText;
        QRect due;
        int height = 0;
    };

    explicit ReminderRow(QObject* parent = nullptr);

    static QFont titleFont(const QFont& base);
    static QFont dueFont(const QFont& base);
    static Parts layout(const QRect& row, const QString& title, const QString& due, const QFont& base);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

signals:
    void completeRequested(const QModelIndex& index);

private:
    static Parts layoutOf(const QStyleOptionViewItem& option, const QModelIndex& index);

    QIcon m_circle;
};
