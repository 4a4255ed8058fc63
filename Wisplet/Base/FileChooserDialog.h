#pragma once

#include <QFileDialog>
#include <QStringList>

#include <functional>

// Picks files and folders together, several at once. Qt's own dialog (the desktop's may not hand folders
// back beside files), open without blocking over the window of the view that asked, so it stacks above it.
// Open with nothing selected chooses the folder shown.
class FileChooserDialog final : public QFileDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileChooserDialog)

public:
    explicit FileChooserDialog(QWidget* parent = nullptr);

    // Opens a chooser over the view's window; `chosen` receives the absolute paths when the user
    // confirms, nothing on cancel. The dialog deletes itself when it closes.
    static FileChooserDialog* choose(QWidget* view, const QString& title,
                                     std::function<void(const QStringList&)> chosen);

    // Everything selected in the dialog, folders included, in the order it was selected.
    QStringList chosenPaths() const { return m_chosen; }

public slots:
    void accept() override;
    void done(int result) override;

signals:
    void pathsChosen(const QStringList& paths);
    // Chosen or cancelled while it had the keyboard, which the window manager may hand to any window.
    void closedByUser();

private:
    QStringList selectedInView() const;
    bool typedAPath() const;
    bool nothingChosen() const;
    // Qt's dialog turns Open off whenever nothing is selected; here that still chooses the folder shown.
    void keepOpenEnabled();

    QStringList m_chosen;
};
