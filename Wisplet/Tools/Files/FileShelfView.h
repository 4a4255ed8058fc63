#pragma once

#include "Wisplet/Tools/Files/ShelfItem.h"

#include <QPointer>
#include <QSet>
#include <QUuid>
#include <QWidget>

class FileShelf;
class ImageConvertView;
class PillButton;
class QLabel;
class QStackedLayout;
class ShelfFileList;
class ShelfPreviewWindow;
class WispState;

// The files tool's page: the shelf's count and list, adding through the file chooser, preview, removal,
// and an image copy of a single selected image. Drops reach the shelf through the island, not this page.
class FileShelfView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileShelfView)

public:
    FileShelfView(FileShelf& shelf, WispState& wisp, QWidget* parent = nullptr);

    // Pins the companion open and opens the chooser; what the user picks is added to the shelf.
    void chooseFiles();
    // The selected references in shelf order, newest first.
    QList<ShelfItem> selectedItems() const;
    void setSelectedIds(const QSet<QUuid>& ids);
    // Whether a name counts as an image for "Convert image…": only the extension is looked at.
    static bool looksLikeImage(const QString& name);

    void previewSelected();
    void openPreview(const QString& path);
    void convertSelected();
    void removeSelected();

    ShelfFileList& list() const { return *m_list; }
    ShelfPreviewWindow* preview() const;
    ImageConvertView* converter() const;

private:
    void returnFromPreview(const QString& lastPath);
    // The keyboard back on `control`, in the panel, after a window of ours that had it has closed.
    void keyboardBackTo(QWidget& control);
    void showItems();
    void showMessage();
    void updateActions();

    FileShelf& m_shelf;
    WispState& m_wisp;
    QSet<QUuid> m_selected;

    // Made in the order they are laid out, which is the order Tab takes them in.
    QLabel* m_count;
    PillButton* m_add;
    QLabel* m_message;
    QStackedLayout* m_content;
    QWidget* m_placeholder;
    QWidget* m_shelfPage;
    ShelfFileList* m_list;
    PillButton* m_quickLook;
    PillButton* m_convert;
    PillButton* m_remove;
    QPointer<ShelfPreviewWindow> m_preview;
    QPointer<ImageConvertView> m_converter;
};
