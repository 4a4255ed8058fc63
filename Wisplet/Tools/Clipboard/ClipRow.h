#pragma once

#include "Wisplet/Tools/Clipboard/ClipItem.h"

#include <QDateTime>
#include <QPixmap>
#include <QWidget>

#include <optional>
#include <utility>

class ClipboardManager;
class ElidingLabel;
class QLabel;
class RowIconButton;

// One entry of the clipboard list: its picture, title, application and age, and its pin and delete
// buttons. A click or Return copies it back; it takes the keyboard focus like a text field, so the panel
// hands it the keyboard when it is clicked.
class ClipRow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClipRow)

public:
    static constexpr int rowHeight = 38;
    static constexpr QSize previewSize{34, 26};

    ClipRow(ClipboardManager& clipboard, const ClipItem& item, const QDateTime& now, QWidget* parent = nullptr);

    const ClipItem& item() const { return m_item; }
    void setItem(const ClipItem& item, const QDateTime& now);
    bool isHovering() const { return m_hovering; }
    // Empty while the entry shows a symbol instead (also while the picture is being read).
    QPixmap preview() const { return m_preview; }
    QString subtitle() const;

    void copyBack();

    // The symbol standing for the entry's kind.
    static QString kindSymbol(ClipItem::Kind kind);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void loadPreview();

    ClipboardManager& m_clipboard;
    ClipItem m_item;
    QDateTime m_now;
    QPixmap m_preview;
    // The picture's files the preview was last asked for, and that request.
    std::pair<std::optional<QString>, std::optional<QString>> m_previewNames{QString(), QString()};
    quint64 m_previewGeneration = 0;
    bool m_hovering = false;
    ElidingLabel* m_title;
    QLabel* m_detail;
    RowIconButton* m_pin;
};
