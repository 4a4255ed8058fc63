#include "Wisplet/Tools/Files/ImageConvertView.h"

#include "Wisplet/Base/Colours.h"
#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Base/OutsideText.h"

#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <functional>
#include <utility>

namespace {

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPixelSize(11);
    label->setFont(font);
    label->setWordWrap(true);
    return label;
}

// Saved or cancelled while it had the keyboard, the save dialog hands it back: the window manager need not.
class SaveCopyDialog final : public QFileDialog
{
public:
    SaveCopyDialog(QWidget* parent, const QString& title, std::function<void()> keyboardBack)
        : QFileDialog(parent, title)
        , m_keyboardBack(std::move(keyboardBack))
    { }

    void done(int result) override
    {
        if (KeyboardPaths::closedWithKeyboard(*this, [this, result] { QFileDialog::done(result); }))
            m_keyboardBack();
    }

private:
    std::function<void()> m_keyboardBack;
};

} // namespace

ImageConvertView::ImageConvertView(const QString& source, QWidget* parent)
    : QDialog(parent)
    , m_source(source)
    , m_format(new QComboBox(this))
    , m_maxSide(new QComboBox(this))
    , m_qualityLabel(new QLabel(this))
    , m_quality(new QSlider(Qt::Horizontal, this))
    , m_message(caption({}, this))
    , m_save(new QPushButton(this))
{
    setWindowTitle(tr("Export an image copy"));
    setFixedWidth(sheetWidth);

    auto* title = new QLabel(tr("Export an image copy"), this);
    QFont headline = title->font();
    headline.setPixelSize(13);
    headline.setWeight(QFont::DemiBold);
    title->setFont(headline);
    auto* name = new QLabel(this);
    name->setTextFormat(Qt::PlainText);
    name->setText(name->fontMetrics().elidedText(OutsideText::fileName(QFileInfo(source).fileName()), Qt::ElideMiddle,
                                                 sheetWidth - 40));

    m_format->addItem(tr("JPEG"), QVariant::fromValue(ImageCopyFormat::jpeg));
    m_format->addItem(tr("PNG"), QVariant::fromValue(ImageCopyFormat::png));
    m_format->addItem(tr("HEIC"), QVariant::fromValue(ImageCopyFormat::heic));
    m_maxSide->addItem(tr("Original resolution"), 0);
    m_maxSide->addItem(tr("1024 px"), 1024);
    m_maxSide->addItem(tr("2048 px"), 2048);
    m_maxSide->addItem(tr("4096 px"), 4096);
    m_maxSide->setCurrentIndex(2);
    m_quality->setRange(10, 100);
    m_quality->setValue(85);

    auto* form = new QFormLayout;
    form->addRow(tr("Format"), m_format);
    form->addRow(tr("Maximum edge"), m_maxSide);
    form->addRow(m_qualityLabel, m_quality);

    auto* note = caption(tr("Your source file stays unchanged. Exports the first frame, applies orientation, and "
                            "removes metadata. JPEG does not preserve transparency."),
                         this);
    note->setForegroundRole(QPalette::PlaceholderText);
    QPalette orange = m_message->palette();
    orange.setColor(QPalette::WindowText, warningOrange);
    m_message->setPalette(orange);
    m_message->hide();

    auto* cancel = new QPushButton(tr("Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cancel);
    buttons->addStretch();
    buttons->addWidget(m_save);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->addWidget(title);
    column->addWidget(name);
    column->addLayout(form);
    column->addWidget(note);
    column->addWidget(m_message);
    column->addLayout(buttons);

    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_save, &QPushButton::clicked, this, &ImageConvertView::chooseDestination);
    connect(m_format, &QComboBox::currentIndexChanged, this, &ImageConvertView::updateQuality);
    connect(m_quality, &QSlider::valueChanged, this, &ImageConvertView::updateQuality);
    setBusy(false);
    updateQuality();
}

ImageCopyFormat ImageConvertView::format() const
{
    return m_format->currentData().value<ImageCopyFormat>();
}

int ImageConvertView::maxSide() const
{
    return m_maxSide->currentData().toInt();
}

double ImageConvertView::quality() const
{
    return m_quality->value() / 100.0;
}

QString ImageConvertView::message() const
{
    return m_message->isHidden() ? QString() : m_message->text();
}

void ImageConvertView::updateQuality()
{
    // PNG is lossless; the slider keeps its value for when a lossy format is chosen again.
    const bool lossy = format() != ImageCopyFormat::png;
    m_qualityLabel->setVisible(lossy);
    m_quality->setVisible(lossy);
    m_qualityLabel->setText(tr("Quality %1%").arg(m_quality->value()));
}

QString ImageConvertView::proposedDestination() const
{
    return QFileInfo(m_source).absoluteDir().filePath(proposedCopyName(QFileInfo(m_source).fileName(), format()));
}

void ImageConvertView::chooseDestination()
{
    auto* dialog = new SaveCopyDialog(this, tr("Save copy"), [this] {
        m_keyboardComing = true;
        activateWindow();
    });
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    const QString extension = imageCopyExtension(format());
    dialog->setNameFilter(tr("%1 image (%2)").arg(m_format->currentText(), imageCopyPatterns(format()).join(u' ')));
    dialog->setDefaultSuffix(extension);
    dialog->selectFile(proposedDestination());
    connect(dialog, &QFileDialog::fileSelected, this, &ImageConvertView::exportTo);
    dialog->open();
}

void ImageConvertView::exportTo(const QString& destination)
{
    if (destination.isEmpty() || m_busy)
        return;
    if (isSameFilePath(destination, m_source)) {
        setMessage(tr("Choose a different filename to preserve the original."));
        return;
    }
    setBusy(true);
    auto* watcher = new QFutureWatcher<QString>(this);
    connect(watcher, &QFutureWatcher<QString>::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QString error = watcher->result();
        setBusy(false);
        emit exportFinished(error);
        if (error.isEmpty())
            accept();
        else
            setMessage(error);
    });
    watcher->setFuture(startImageConversion(m_source, destination, format(), maxSide(), quality()));
}

void ImageConvertView::done(int result)
{
    // A quick export can end before the keyboard the save dialog handed back has arrived.
    const bool keyboardComing = std::exchange(m_keyboardComing, false);
    if (KeyboardPaths::closedWithKeyboard(*this, [this, result] { QDialog::done(result); }) || keyboardComing)
        emit closedByUser();
}

void ImageConvertView::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // Arrived: from now on, whether the sheet is active says where the keyboard is.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        m_keyboardComing = false;
}

void ImageConvertView::setBusy(bool busy)
{
    m_busy = busy;
    m_save->setText(busy ? tr("Exporting…") : tr("Save copy…"));
    m_save->setEnabled(!busy);
}

void ImageConvertView::setMessage(const QString& text)
{
    m_message->setText(text);
    m_message->show();
}
