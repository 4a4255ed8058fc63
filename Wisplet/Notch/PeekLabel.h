#pragma once

#include <QAbstractButton>

// The peek: one line of a tool's live status beside the collapsed face, with the tool's symbol (or a
// pause symbol while a session is paused), as a plain button that opens the tool.
class PeekLabel final : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PeekLabel)

public:
    static constexpr int spacing = 5;
    static constexpr int trailingPadding = 6;
    // A 10-point symbol.
    static constexpr int symbolPixels = 13;
    static constexpr double symbolOpacity = 0.6;
    static constexpr double pausedTextOpacity = 0.6;
    static constexpr double textOpacity = 0.95;

    explicit PeekLabel(QWidget* parent = nullptr);

    // The text is shown verbatim; paused shows the pause symbol in place of the icon and dims the text. Where
    // room is short the text is cut before keptEnd, its last part, which stays whole.
    void setContent(const QString& icon, const QString& text, bool paused, const QString& keptEnd = {});
    QString symbolName() const { return m_icon; }
    bool isPaused() const { return m_paused; }
    // The symbol drawn: the pause symbol while paused.
    QString shownSymbol() const;
    double textOpacityNow() const { return m_paused ? pausedTextOpacity : textOpacity; }
    // The text as drawn: one line, cut where the island gives the label less than it asks for (before the
    // kept end).
    QString shownText() const;

    // For coming and going: the whole label at this opacity.
    void setOpacity(double opacity);
    double opacity() const { return m_opacity; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double textWidth() const;
    double shownTextWidth() const;

    QString m_icon;
    QString m_keptEnd;
    bool m_paused = false;
    double m_opacity = 1;
};
