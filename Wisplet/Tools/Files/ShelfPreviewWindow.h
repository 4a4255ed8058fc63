#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStackedLayout;

// A small window that shows one shelf file at a time: an image scaled to fit, the start of a text file, or
// otherwise its icon and name with "Open", which Tab reaches. The arrow keys page through the files it was
// given; Escape, or Space away from Open, closes it.
class ShelfPreviewWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ShelfPreviewWindow)

public:
    // Long side to which images are decoded, and how much of a text file is shown.
    static constexpr int imagePixels = 1600;
    static constexpr qint64 textBytes = 256 * 1024;

    explicit ShelfPreviewWindow(QWidget* parent = nullptr);

    // Shows the path, paging through the list (the path is added when the list lacks it).
    void showFiles(const QStringList& paths, const QString& current);
    QString currentPath() const;

    enum class Kind { image, text, other };
    Kind currentKind() const { return m_kind; }
    // Whether the file's name says it holds text that can be shown as it is.
    static bool isText(const QString& path);

signals:
    // Closed while it had the keyboard focus (Escape, Space, its close button), showing this file last.
    void closedByUser(const QString& lastPath);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showCurrent();
    void page(int step);
    // Pages for an arrow key; false for any other key.
    bool pageFor(const QKeyEvent& key);
    void showOther(const QString& path);
    void fitImage();

    QStringList m_paths;
    int m_index = 0;
    Kind m_kind = Kind::other;
    // Image decodes finish out of order; only the latest one is shown.
    quint64 m_generation = 0;
    QImage m_image;

    QStackedLayout* m_stack;
    QLabel* m_picture;
    QPlainTextEdit* m_text;
    QWidget* m_other;
    QLabel* m_otherIcon;
    QLabel* m_otherName;
    QPushButton* m_open;
};
