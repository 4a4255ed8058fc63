#include "Wisplet/Companion/ExpressionStudio.h"

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/KeyboardPaths.h"
#include "Wisplet/Base/RawValue.h"
#include "Wisplet/Base/ScrollingContent.h"
#include "Wisplet/Companion/WispFaceView.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Platform/MotionSetting.h"
#include "Wisplet/Platform/Platform.h"
#include "Wisplet/Platform/Scheduler.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

constexpr int padding = 26;
constexpr int columnSpacing = 18;
constexpr int gridSpacing = 12;
constexpr int gridColumns = 4;
constexpr int tileSpacing = 14;
constexpr int tileRadius = 20;
constexpr int lookPickerWidth = 170;

} // namespace

MoodTile::MoodTile(Mood mood, QWidget* parent)
    : QAbstractButton(parent)
    , m_mood(mood)
    , m_face(new WispFaceView(this))
{
    const QString name = ExpressionStudio::displayName(mood);
    setAccessibleName(QStringLiteral("Try ") + name);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The face only shows; the tile takes the click.
    m_face->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto* caption = new QLabel(name, this);
    QFont font = caption->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    font.setWeight(QFont::Medium);
    caption->setFont(font);
    QPalette palette = caption->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 255, 255, 178));
    caption->setPalette(palette);
    caption->setAlignment(Qt::AlignCenter);
    caption->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_caption = caption;
}

QSize MoodTile::sizeHint() const
{
    return {int(m_face->layoutSize().width()) + 2 * tileSpacing, contentHeight};
}

void MoodTile::setFaceInputs(const WispFaceView::Inputs& inputs)
{
    m_face->setInputs(inputs);
    placeContent();
}

void MoodTile::resizeEvent(QResizeEvent* event)
{
    QAbstractButton::resizeEvent(event);
    placeContent();
}

void MoodTile::placeContent()
{
    // The face and its name, centred together: down the card by the face's layout frame, across by all it
    // draws, so that a decoration beside the eyes stays on the card.
    const QSizeF faceSize = m_face->layoutSize();
    const int captionHeight = m_caption->sizeHint().height();
    const double stackHeight = faceSize.height() + tileSpacing + captionHeight;
    const double top = (height() - stackHeight) / 2;
    const QRectF drawn = m_face->restingFrame();
    m_face->move(QPointF((width() - drawn.width()) / 2 - drawn.left(), top - m_face->layoutOffset().y()).toPoint());
    m_caption->setGeometry(0, int(top + faceSize.height() + tileSpacing), width(), captionHeight);
}

void MoodTile::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(QColor(255, 255, 255, 26), 1));
    painter.setBrush(Qt::black);
    painter.drawRoundedRect(card, tileRadius, tileRadius);
    if (hasFocus())
        KeyboardPaths::paintFocusRing(painter, QRectF(rect()), tileRadius);
}

ExpressionStudio::ExpressionStudio(AppSettings& settings, WispState& state, MotionSetting& motion, Scheduler& scheduler,
                                   QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_state(state)
    , m_motion(motion)
    , m_scheduler(scheduler)
{
    setObjectName(QStringLiteral("expressions"));
    setWindowTitle(QStringLiteral("Wisp Expressions"));
    setAutoFillBackground(true);
    KeyboardPaths::closeWithKeys(*this);

    auto* content = new QWidget;
    content->setFixedWidth(contentWidth);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(columnSpacing);
    buildHeader(*column);
    buildGrid(*column);
    buildFooter(*column);

    connect(&m_settings, &AppSettings::accentChanged, this, &ExpressionStudio::refreshFaces);
    connect(&m_settings, &AppSettings::reducedMotionChanged, this, [this](bool reduced) {
        const QSignalBlocker blocker(m_reduceMotion);
        m_reduceMotion->setChecked(reduced);
        refreshFaces();
    });
    connect(&m_settings, &AppSettings::skinChanged, this, [this](Skin skin) {
        const QSignalBlocker blocker(m_look);
        m_look->setCurrentIndex(int(skin));
        refreshFaces();
    });
    connect(&m_state, &WispState::lookChanged, this, &ExpressionStudio::refreshFaces);
    connect(&m_motion, &MotionSetting::reduceMotionChanged, this, &ExpressionStudio::refreshFaces);
    refreshFaces();
    // Measured with its faces in.
    scrollingContent(*this, content);
}

ExpressionStudio::ExpressionStudio(QWidget* parent)
    : ExpressionStudio(AppSettings::shared(), WispState::shared(), Platform::motion(), Platform::scheduler(), parent)
{ }

ExpressionStudio::~ExpressionStudio() = default;

QString ExpressionStudio::displayName(Mood mood)
{
    return capitalised(rawValue(mood));
}

void ExpressionStudio::buildHeader(QLayout& column)
{
    auto* header = new QHBoxLayout;
    auto* titles = new QVBoxLayout;
    auto* title = new QLabel(QStringLiteral("Meet your Wisp"));
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto* subtitle = new QLabel(QStringLiteral("Tap an expression to try it on the notch."));
    QPalette secondary = subtitle->palette();
    secondary.setColor(QPalette::WindowText, QColor(255, 255, 255, 140));
    subtitle->setPalette(secondary);
    titles->addWidget(title);
    titles->addWidget(subtitle);
    header->addLayout(titles);
    header->addStretch();

    auto* lookLabel = new QLabel(QStringLiteral("Look"));
    m_look = new QComboBox;
    for (Skin skin : allSkins)
        m_look->addItem(capitalised(rawValue(skin)));
    m_look->setAccessibleName(QStringLiteral("Look"));
    m_look->setCurrentIndex(int(m_settings.skin()));
    lookLabel->setBuddy(m_look);
    auto* picker = new QHBoxLayout;
    picker->addWidget(lookLabel);
    picker->addWidget(m_look, 1);
    auto* pickerBox = new QWidget;
    pickerBox->setLayout(picker);
    picker->setContentsMargins(0, 0, 0, 0);
    pickerBox->setFixedWidth(lookPickerWidth);
    header->addWidget(pickerBox);
    // Only the user's own choice writes the skin.
    connect(m_look, &QComboBox::activated, this,
            [this](int index) { m_settings.setSkin(allSkins[std::size_t(index)]); });

    static_cast<QVBoxLayout&>(column).addLayout(header);
}

void ExpressionStudio::buildGrid(QLayout& column)
{
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(gridSpacing);
    grid->setVerticalSpacing(gridSpacing);
    for (std::size_t i = 0; i < allMoods.size(); ++i) {
        auto* tile = new MoodTile(allMoods[i]);
        grid->addWidget(tile, int(i) / gridColumns, int(i) % gridColumns);
        connect(tile, &QAbstractButton::clicked, this, [this, mood = allMoods[i]] {
            m_state.react(mood, displayName(mood), false, WispState::importantPriority, 4.0);
        });
        m_tiles.push_back(tile);
    }
    for (int c = 0; c < gridColumns; ++c)
        grid->setColumnStretch(c, 1);
    static_cast<QVBoxLayout&>(column).addLayout(grid);
}

void ExpressionStudio::buildFooter(QLayout& column)
{
    auto* footer = new QHBoxLayout;
    m_reduceMotion = new QCheckBox(QStringLiteral("Reduce motion"));
    m_reduceMotion->setChecked(m_settings.reducedMotion());
    connect(m_reduceMotion, &QCheckBox::clicked, this, [this](bool checked) { m_settings.setReducedMotion(checked); });
    auto* blinkButton = new QPushButton(QStringLiteral("Blink"));
    connect(blinkButton, &QPushButton::clicked, this, &ExpressionStudio::blink);
    footer->addWidget(m_reduceMotion);
    footer->addStretch();
    footer->addWidget(blinkButton);
    static_cast<QVBoxLayout&>(column).addLayout(footer);
}

void ExpressionStudio::blink()
{
    if (m_settings.reducedMotion() || m_motion.reduceMotion())
        return;
    m_blink = true;
    refreshFaces();
    // The first reset ends the blink; clicks while it waits only keep the eyes shut until then.
    if (m_blinkReset && m_blinkReset->isPending())
        return;
    m_blinkReset = m_scheduler.callAfter(std::chrono::milliseconds(blinkMs), [this] {
        m_blink = false;
        refreshFaces();
    });
}

void ExpressionStudio::refreshFaces()
{
    const bool reduced = m_settings.reducedMotion() || m_motion.reduceMotion();
    for (MoodTile* tile : m_tiles) {
        WispFaceView::Inputs inputs = tile->face().inputs();
        inputs.eyeHeight = MoodTile::eyeHeight;
        inputs.mood = tile->mood();
        inputs.blinking = m_blink;
        inputs.look = m_state.look();
        inputs.skin = m_settings.skin();
        inputs.tint = accentColor(m_settings.accent());
        inputs.motionReduced = reduced;
        tile->setFaceInputs(inputs);
    }
}
