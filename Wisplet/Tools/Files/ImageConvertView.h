#pragma once

#include "Wisplet/Tools/Files/ConvertImage.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

// The sheet that exports a copy of one image: format, longest edge and quality, then a save dialog; the
// copy is made off the main thread. The source file is never changed.
class ImageConvertView final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ImageConvertView)

public:
    static constexpr int sheetWidth = 390;

    ImageConvertView(const QString& source, QWidget* parent = nullptr);

    ImageCopyFormat format() const;
    int maxSide() const;
    double quality() const;
    bool isBusy() const { return m_busy; }
    QString message() const;

    // The save dialog's name for the copy, in the source's folder.
    QString proposedDestination() const;
    // Opens the save dialog; its answer starts the export.
    void chooseDestination();
    // Checks the destination and starts the copy; the sheet closes when it is written.
    void exportTo(const QString& destination);

public slots:
    void done(int result) override;

signals:
    void exportFinished(const QString& error);
    // Cancelled, closed or done exporting while it had the keyboard, which the window manager may hand to
    // any window.
    void closedByUser();

protected:
    void changeEvent(QEvent* event) override;

private:
    void setBusy(bool busy);
    void setMessage(const QString& text);
    void updateQuality();

    QString m_source;
    bool m_busy = false;
    // The save dialog closed while it had the keyboard, which is on its way back to the sheet.
    bool m_keyboardComing = false;
    QComboBox* m_format;
    QComboBox* m_maxSide;
    QLabel* m_qualityLabel;
    QSlider* m_quality;
    QLabel* m_message;
    QPushButton* m_save;
};
