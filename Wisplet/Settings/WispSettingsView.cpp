#include "Wisplet/Settings/WispSettingsView.h"

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Base/RawValue.h"
#include "Wisplet/Base/Stepper.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Platform/MotionSetting.h"
#include "Wisplet/Settings/SettingsForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int tilePaddingX = 8;
constexpr int tilePaddingY = 6;
constexpr int tileRadius = 10;
constexpr int tileSpacing = 10;
constexpr Stepper::Range yawnRange{1, 60, 1};
constexpr Stepper::Range sleepRange{2, 180, 1};
static_assert(WispSettingsView::previewCount <= int(selectableMoods.size()));

// A picker's options over an enumeration's cases, each labelled by its capitalised raw value.
template <typename Enum, std::size_t N>
QList<SettingsForm::Option> caseOptions(const std::array<Enum, N>& cases)
{
    QList<SettingsForm::Option> options;
    for (Enum value : cases)
        options.append({capitalised(rawValue(value)), int(value)});
    return options;
}

void showChecked(QCheckBox* box, bool on)
{
    const QSignalBlocker blocker(box);
    box->setChecked(on);
}

void showChoice(QComboBox* picker, int value)
{
    const QSignalBlocker blocker(picker);
    picker->setCurrentIndex(picker->findData(value));
}

QString minutesLabel(const QString& text, double minutes)
{
    return text.arg(Stepper::wholeNumber(minutes));
}

} // namespace

// The preview faces side by side, each on a black rounded card sized around the face's layout frame. The
// faces are children of the row, not of their cards, so a decoration reaching past a card (the proud
// face's sparkle) is drawn whole.
class WispSettingsView::PreviewRow final : public QWidget
{
public:
    using QWidget::QWidget;

    // The frame changes with the skin.
    void place(const std::vector<WispFaceView*>& faces)
    {
        m_cards.clear();
        QRect extent;
        int x = 0;
        for (WispFaceView* face : faces) {
            const QSizeF frame = face->layoutSize();
            const QRect card(x, 0, int(std::ceil(frame.width())) + 2 * tilePaddingX,
                             int(std::ceil(frame.height())) + 2 * tilePaddingY);
            face->move((QPointF(card.left() + tilePaddingX, tilePaddingY) - face->layoutOffset()).toPoint());
            m_cards.push_back(card);
            extent |= card | face->geometry();
            x = card.right() + 1 + tileSpacing;
        }
        // Whatever reaches above the cards moves everything down.
        const int above = std::max(0, -extent.top());
        for (QRect& card : m_cards)
            card.translate(0, above);
        for (WispFaceView* face : faces)
            face->move(face->pos() + QPoint(0, above));
        setFixedSize(extent.right() + 1, extent.height());
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        for (const QRect& card : m_cards)
            painter.drawRoundedRect(QRectF(card), tileRadius, tileRadius);
    }

private:
    std::vector<QRect> m_cards;
};

WispSettingsView::WispSettingsView(AppSettings& settings, WispState& wisp, std::function<void()> openStudio,
                                   const Services& services, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_wisp(wisp)
    , m_motion(services.motion)
    , m_openStudio(std::move(openStudio))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* form = new SettingsForm(this);
    layout->addWidget(form);
    buildLook(*form, services);
    buildReactions(*form);
    buildAway(*form);

    connect(&m_settings, &AppSettings::changed, this, &WispSettingsView::refresh);
    connect(&m_wisp, &WispState::baseMoodChanged, this, [this](Mood mood) { showChoice(m_mood, int(mood)); });
    connect(&m_motion, &MotionSetting::reduceMotionChanged, this, &WispSettingsView::refreshFaces);
    refresh();
}

WispSettingsView::~WispSettingsView() = default;

void WispSettingsView::buildLook(SettingsForm& form, const Services& services)
{
    QVBoxLayout* section = form.addSection();
    auto* studio = new PillButton(tr("Open expression studio"), {});
    connect(studio, &QAbstractButton::clicked, this, [this] {
        if (m_openStudio)
            m_openStudio();
    });
    section->addWidget(studio, 0, Qt::AlignLeft);

    m_faceSize = SettingsForm::addPicker(section, tr("Face size"), caseOptions(allFaceSizes), {},
                                         [this](const QVariant& v) { m_settings.setFaceSize(FaceSize(v.toInt())); });
    m_skin = SettingsForm::addPicker(section, tr("Skin"), caseOptions(allSkins), {},
                                     [this](const QVariant& v) { m_settings.setSkin(Skin(v.toInt())); });
    m_accent = SettingsForm::addPicker(section, tr("Colour"), caseOptions(allAccents), {},
                                       [this](const QVariant& v) { m_settings.setAccent(Accent(v.toInt())); });

    m_preview = new PreviewRow;
    for (int i = 0; i < previewCount; ++i) {
        auto* face = new WispFaceView(services.animation, services.makeSpriteFace, m_preview);
        face->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_faces.push_back(face);
    }
    section->addWidget(m_preview, 0, Qt::AlignLeft);

    m_mood = SettingsForm::addPicker(section, tr("Default mood"), caseOptions(selectableMoods), int(m_wisp.baseMood()),
                                     [this](const QVariant& v) { m_wisp.setBaseMood(Mood(v.toInt())); });
    m_eyeTracking = SettingsForm::addSwitch(section, tr("Eyes follow the cursor"), false,
                                            [this](bool on) { m_settings.setEyeTracking(on); });
    m_bubbles = SettingsForm::addSwitch(section, tr("Speech bubbles"), false,
                                        [this](bool on) { m_settings.setBubblesEnabled(on); });
}

void WispSettingsView::buildReactions(SettingsForm& form)
{
    QVBoxLayout* section = form.addSection(tr("Reactions"));
    for (const QString& group : AppSettings::reactionGroupNames()) {
        m_reactions.push_back(SettingsForm::addSwitch(section, capitalised(group), false, [this, group](bool on) {
            m_settings.setReactionGroupEnabled(group, on);
        }));
    }
}

void WispSettingsView::buildAway(SettingsForm& form)
{
    QVBoxLayout* section = form.addSection(tr("When you're away"));
    m_idle = SettingsForm::addSwitch(section, tr("Glance around, yawn and fall asleep"), false,
                                     [this](bool on) { m_settings.setIdleBehaviours(on); });
    m_yawn = new Stepper(yawnRange, [](double minutes) { return minutesLabel(tr("Yawn after %1 min"), minutes); });
    m_sleep =
        new Stepper(sleepRange, [](double minutes) { return minutesLabel(tr("Fall asleep after %1 min"), minutes); });
    connect(m_yawn, &Stepper::valueEdited, this, [this](double minutes) { m_settings.setYawnAfterMinutes(minutes); });
    connect(m_sleep, &Stepper::valueEdited, this, [this](double minutes) { m_settings.setSleepAfterMinutes(minutes); });
    section->addWidget(m_yawn);
    section->addWidget(m_sleep);
}

// Shows every stored value; showing never writes back.
void WispSettingsView::refresh()
{
    showChoice(m_faceSize, int(m_settings.faceSize()));
    showChoice(m_skin, int(m_settings.skin()));
    showChoice(m_accent, int(m_settings.accent()));
    showChecked(m_eyeTracking, m_settings.eyeTracking());
    showChecked(m_bubbles, m_settings.bubblesEnabled());
    const QStringList& groups = AppSettings::reactionGroupNames();
    for (std::size_t i = 0; i < m_reactions.size(); ++i)
        showChecked(m_reactions[i], m_settings.isReactionGroupEnabled(groups.at(qsizetype(i))));
    showChecked(m_idle, m_settings.idleBehaviours());
    m_yawn->setValue(m_settings.yawnAfterMinutes());
    m_sleep->setValue(m_settings.sleepAfterMinutes());
    m_sleep->setEnabled(m_settings.idleBehaviours());
    refreshFaces();
}

void WispSettingsView::refreshFaces()
{
    for (std::size_t i = 0; i < m_faces.size(); ++i) {
        WispFaceView::Inputs inputs;
        inputs.eyeHeight = previewEyeHeight;
        inputs.mood = selectableMoods[i];
        inputs.skin = m_settings.skin();
        inputs.tint = accentColor(m_settings.accent());
        inputs.motionReduced = m_wisp.reducesMotion();
        m_faces[i]->setInputs(inputs);
    }
    m_preview->place(m_faces);
}
