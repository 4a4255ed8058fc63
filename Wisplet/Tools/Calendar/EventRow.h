#pragma once

#include <QPixmap>
#include <QStyledItemDelegate>

#include <optional>

// Draws one line of the agenda's list: the calendar's colour, the start (or "All day"), the title, and a
// video symbol when the event has a meeting link. Rows are painted, not made of widgets, so a week of tens
// of thousands of events costs only the rows on screen.
class EventRow final : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EventRow)

public:
    static constexpr int rowHeight = 24;
    static constexpr int rowSpacing = 4;
    static constexpr int timeWidth = 106;
    static constexpr int textPixels = 13;

    // Where the parts of one row go, with the texts cut to their room.
    struct Parts
    {
        QRectF dot;
        QRect time;
        QString timeText;
        QRect title;
        QString titleText;
        QRect video; // empty without a meeting link
    };

    explicit EventRow(QObject* parent = nullptr);

    static Parts layout(const QRect& row, const QString& start, const QString& title, bool hasLink, const QFont& font,
                        int timeColumn);
    // Room for the locale's widest start text, and never less than the usual 106 points.
    static int timeColumnWidth(const QFont& font, const QLocale& locale);
    static QFont rowFont(const QFont& base);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    static void drawTime(QPainter& painter, const QRect& rect, const QString& text);
    const QPixmap& videoSymbol(qreal dpr) const;

    mutable std::optional<int> m_timeColumn;
    mutable QPixmap m_video;
};
