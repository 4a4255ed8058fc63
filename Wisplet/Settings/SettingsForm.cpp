#include "Wisplet/Settings/SettingsForm.h"

#include "Wisplet/Base/Colours.h"
#include "Wisplet/Notch/ToolViews.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

constexpr int pageMargin = 20;
constexpr int sectionGap = 18;
constexpr int rowGap = 10;
constexpr int sectionPadding = 12;

// The settings window is dark, like the program's other windows, whatever the desktop's theme.
QColor toneColour(SettingsForm::Tone tone)
{
    switch (tone) {
    case SettingsForm::Tone::warning:
        return warningOrange;
    case SettingsForm::Tone::success:
        return {48, 209, 88};
    case SettingsForm::Tone::secondary:
        break;
    }
    return {255, 255, 255, 140};
}

// A section's rounded background, painted rather than styled: a style sheet on the section would freeze
// the palette of every control put into it at the moment it is added, before the window's dark palette
// reaches it, and draw light fields and buttons on the dark page.
class SectionFrame final : public QFrame
{
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 18));
        painter.drawRoundedRect(QRectF(rect()), 10, 10);
    }
};

} // namespace

SettingsForm::SettingsForm(QWidget* parent)
    : QScrollArea(parent)
    , m_column(nullptr)
{
    setFrameShape(QFrame::NoFrame);
    // The page's own controls take the keyboard; the scroll area follows them.
    setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setStyleSheet(toolScrollBarStyle());
    auto* page = new QWidget(this);
    page->setAutoFillBackground(false);
    m_column = new QVBoxLayout(page);
    m_column->setContentsMargins(pageMargin, pageMargin, pageMargin, pageMargin);
    m_column->setSpacing(sectionGap);
    m_column->addStretch(1);
    setWidget(page);
    viewport()->setAutoFillBackground(false);
}

QVBoxLayout* SettingsForm::addSection(const QString& header)
{
    auto* block = new QVBoxLayout;
    block->setSpacing(6);
    if (!header.isEmpty()) {
        auto* title = new QLabel(header);
        title->setTextFormat(Qt::PlainText);
        QFont font = title->font();
        font.setWeight(QFont::DemiBold);
        title->setFont(font);
        block->addWidget(title);
    }
    auto* frame = new SectionFrame;
    frame->setObjectName(QStringLiteral("formSection"));
    auto* rows = new QVBoxLayout(frame);
    rows->setContentsMargins(sectionPadding, sectionPadding, sectionPadding, sectionPadding);
    rows->setSpacing(rowGap);
    block->addWidget(frame);
    // Before the stretch that keeps the sections at the top.
    m_column->insertLayout(m_column->count() - 1, block);
    return rows;
}

QCheckBox* SettingsForm::addSwitch(QVBoxLayout* section, const QString& text, bool on, std::function<void(bool)> edited)
{
    auto* box = new QCheckBox(text);
    box->setChecked(on);
    // `clicked`, unlike `toggled`, comes only from the user.
    connect(box, &QCheckBox::clicked, box, [edited = std::move(edited)](bool checked) { edited(checked); });
    section->addWidget(box);
    return box;
}

QComboBox* SettingsForm::addPicker(QVBoxLayout* section, const QString& title, const QList<Option>& options,
                                   const QVariant& current, std::function<void(const QVariant&)> edited)
{
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(title);
    label->setTextFormat(Qt::PlainText);
    auto* picker = new QComboBox;
    label->setBuddy(picker);
    for (const auto& [text, value] : options)
        picker->addItem(text, value);
    picker->setCurrentIndex(picker->findData(current));
    // `activated`, unlike `currentIndexChanged`, comes only from the user.
    connect(picker, &QComboBox::activated, picker,
            [picker, edited = std::move(edited)](int index) { edited(picker->itemData(index)); });
    row->addWidget(label, 1);
    row->addWidget(picker);
    section->addLayout(row);
    return picker;
}

QLabel* SettingsForm::addCaption(QVBoxLayout* section, const QString& text, Tone tone)
{
    QLabel* label = caption(text, tone);
    section->addWidget(label);
    return label;
}

QLabel* SettingsForm::caption(const QString& text, Tone tone)
{
    auto* caption = new QLabel(text);
    caption->setTextFormat(Qt::PlainText);
    caption->setWordWrap(true);
    QFont font = caption->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    caption->setFont(font);
    setTone(caption, tone);
    return caption;
}

void SettingsForm::setTone(QLabel* caption, Tone tone)
{
    QPalette palette = caption->palette();
    palette.setColor(QPalette::WindowText, toneColour(tone));
    caption->setPalette(palette);
}
