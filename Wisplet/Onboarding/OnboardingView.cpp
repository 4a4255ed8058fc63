#include "Wisplet/Onboarding/OnboardingView.h"

#include "Wisplet/Base/Animation.h"
#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Base/RawValue.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Companion/FaceTile.h"
#include "Wisplet/Companion/WispFaceView.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Notch/FileDropTarget.h"
#include "Wisplet/Notch/NotchLayout.h"
#include "Wisplet/Notch/SegmentedPicker.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Focus/FocusEngine.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

using NotchLayout::whiteAt;

namespace {

constexpr int padding = 28;
constexpr int rootSpacing = 22;
constexpr int facePaddingX = 36;
constexpr int facePaddingY = 22;
constexpr double faceRadius = 28;
constexpr int dotSize = 6;
constexpr int dotSpacing = 6;
constexpr int swatchSize = 22;
constexpr int swatchBackdrop = 26;
constexpr int swatchBox = 30;
constexpr int swatchSpacing = 10;
constexpr int toolCellWidth = 120;
constexpr int symbolPixels = 16;
constexpr int dropPadding = 14;
constexpr double dropRadius = 12;
constexpr double fadeSeconds = 0.2;

constexpr int titlePixels = 20;
constexpr int bodyPixels = 13;
constexpr int captionPixels = 11;
constexpr double secondary = 0.6;

const QString checkSymbol = QStringLiteral("checkmark.circle.fill");

QLabel* title(const QString& text)
{
    return toolLabel(text, titlePixels, NotchLayout::whiteAt(1.0), nullptr, QFont::Bold);
}

QLabel* body(const QString& text, int pixels, Qt::Alignment alignment)
{
    QLabel* label = toolLabel(text, pixels, NotchLayout::whiteAt(secondary), nullptr, QFont::Normal);
    label->setWordWrap(true);
    label->setAlignment(alignment);
    return label;
}

QVBoxLayout* column(QWidget* page, int spacing)
{
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

// One dot per step; the current one in full white.
class StepDots final : public QWidget
{
public:
    explicit StepDots(QWidget* parent)
        : QWidget(parent)
    {
        const int count = OnboardingSteps::stepCount;
        setFixedSize(count * dotSize + (count - 1) * dotSpacing, dotSize);
    }

    void setStep(int step)
    {
        m_step = step;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        for (int i = 0; i < OnboardingSteps::stepCount; ++i) {
            painter.setBrush(i == m_step ? QColor(Qt::white) : whiteAt(secondary * 0.3));
            painter.drawEllipse(QRectF(i * (dotSize + dotSpacing), 0, dotSize, dotSize));
        }
    }

private:
    int m_step = 0;
};

// A round swatch of one accent; the current one wears a ring. It takes the keyboard focus, and Space picks it.
class AccentSwatch final : public QAbstractButton
{
public:
    AccentSwatch(Accent accent, QWidget* parent)
        : QAbstractButton(parent)
        , m_accent(accent)
    {
        setCheckable(true);
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::PointingHandCursor);
        setFixedSize(swatchBox, swatchBox);
        setAccessibleName(capitalised(rawValue(accent)));
    }

    // Assistive technologies read the current one as checked.
    void setSelected(bool selected) { setChecked(selected); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPointF centre = QRectF(rect()).center();
        auto circle = [&](double diameter) {
            return QRectF(centre.x() - diameter / 2, centre.y() - diameter / 2, diameter, diameter);
        };
        if (hasFocus()) {
            painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(circle(swatchBox - 2));
        }
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawEllipse(circle(swatchBackdrop));
        painter.setBrush(accentColor(m_accent));
        painter.drawEllipse(circle(swatchSize));
        if (isChecked()) {
            painter.setPen(QPen(whiteAt(0.8), 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(circle(swatchSize));
        }
    }

    // A click anywhere on the round swatch, not just its circle.
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

    // Picking the current accent again keeps it picked.
    void nextCheckState() override { }

private:
    Accent m_accent;
};

// The try-out's drop area: files dragged onto it go to the shelf. No highlight while a drag hovers.
class DropArea final : public QWidget
{
public:
    DropArea(std::function<bool(const QList<QUrl>&)> drop, QWidget* parent)
        : QWidget(parent)
        , m_drop(std::move(drop))
    {
        setAcceptDrops(true);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(whiteAt(0.08));
        painter.drawRoundedRect(QRectF(rect()), dropRadius, dropRadius);
    }

    void dragEnterEvent(QDragEnterEvent* event) override
    {
        if (FileDropTarget::localFiles(event->mimeData()).isEmpty())
            event->ignore();
        else
            event->acceptProposedAction();
    }

    void dropEvent(QDropEvent* event) override
    {
        if (m_drop(FileDropTarget::localFiles(event->mimeData())))
            event->acceptProposedAction();
        else
            event->ignore();
    }

private:
    std::function<bool(const QList<QUrl>&)> m_drop;
};

QPixmap symbol(const QString& name, const QWidget* widget)
{
    return symbolPixmap(name, QSize(symbolPixels, symbolPixels), Qt::white, widget->devicePixelRatioF());
}

} // namespace

OnboardingView::OnboardingView(const OnboardingSteps::Services& services, AnimationClock& animation,
                               std::function<void()> finish, QWidget* parent)
    : QWidget(parent)
    , m_steps(services, std::move(finish))
    , m_settings(services.settings)
    , m_registry(services.registry)
    , m_previewTimer(new QTimer(this))
    , m_fade(new AnimatedValue(animation, {1}, this))
{
    // The moods change at an even pace.
    m_previewTimer->setTimerType(Qt::PreciseTimer);
    m_previewTimer->setInterval(previewIntervalMs);
    connect(m_previewTimer, &QTimer::timeout, &m_steps, &OnboardingSteps::previewTick);

    m_pages = new QStackedWidget(this);
    m_pages->addWidget(buildMeetStep());
    m_pages->addWidget(buildLookStep());
    m_pages->addWidget(buildToolsStep());
    m_pages->addWidget(buildTryStep());
    m_fadeEffect = new QGraphicsOpacityEffect(m_pages);
    m_fadeEffect->setEnabled(false);
    m_pages->setGraphicsEffect(m_fadeEffect);
    connect(m_fade, &AnimatedValue::valueChanged, this, [this] {
        const double opacity = m_fade->value().value(0, 1);
        m_fadeEffect->setOpacity(opacity);
        // Drawn directly again once it is fully in.
        m_fadeEffect->setEnabled(opacity < 1);
    });

    // The face and the steps sit together in the middle, where the tallest step fits. Where the window is
    // shorter than that, they scroll; the dots and the buttons below always stay in view.
    auto* content = new QWidget;
    auto* middle = new QVBoxLayout(content);
    middle->setContentsMargins(padding, padding, padding, 0);
    middle->setSpacing(rootSpacing);
    middle->addStretch(1);
    middle->addWidget(buildPreview(), 0, Qt::AlignHCenter);
    middle->addWidget(m_pages);
    middle->addStretch(1);
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setWidgetResizable(true);
    // The steps are as wide as the window leaves them; a vertical scroll bar takes its width from the margin.
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidget(content);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, padding);
    root->setSpacing(rootSpacing);
    root->addWidget(m_scroll, 1);
    QWidget* bar = buildBottomBar();
    bar->setContentsMargins(padding, 0, padding, 0);
    root->addWidget(bar);

    connect(&m_steps, &OnboardingSteps::stepChanged, this, &OnboardingView::showStep);
    connect(&m_steps, &OnboardingSteps::changed, this, [this] {
        refreshTryOut();
        refreshBar();
    });
    connect(&m_steps, &OnboardingSteps::previewMoodChanged, this, &OnboardingView::refreshFace);
    connect(&m_settings, &AppSettings::skinChanged, this, &OnboardingView::refreshFace);
    connect(&m_settings, &AppSettings::accentChanged, this, &OnboardingView::refreshFace);
    connect(&m_settings, &AppSettings::reducedMotionChanged, this, &OnboardingView::refreshFace);
    connect(&m_settings, &AppSettings::changed, this, &OnboardingView::refreshLook);
    connect(&m_registry, &ToolRegistry::enabledChanged, this, &OnboardingView::refreshTools);
    connect(&services.focus, &FocusEngine::phaseChanged, this, &OnboardingView::refreshTryOut);

    refreshFace();
    refreshLook();
    refreshTools();
    refreshTryOut();
    refreshBar();
}

OnboardingView::~OnboardingView() = default;

bool OnboardingView::isPreviewTimerActive() const
{
    return m_previewTimer->isActive();
}

QWidget* OnboardingView::currentPage() const
{
    return m_pages->currentWidget();
}

QWidget* OnboardingView::buildPreview()
{
    m_face = new WispFaceView;
    m_face->setPressAction([this] { m_steps.cyclePreviewMood(); });
    // A click anywhere on the card moves the mood on.
    auto* card = new FaceTile(m_face, QSize(facePaddingX, facePaddingY), faceRadius, this);
    card->setClickAction([this] { m_steps.cyclePreviewMood(); });
    return card;
}

QWidget* OnboardingView::buildBottomBar()
{
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    m_dots = new StepDots(bar);
    m_back = new PillButton(QStringLiteral("Back"), {}, false, bar);
    m_next = new PillButton(QStringLiteral("Next"), {}, true, bar);
    row->addWidget(m_dots, 0, Qt::AlignVCenter);
    row->addStretch();
    row->addWidget(m_back);
    row->addWidget(m_next);
    connect(m_back, &QAbstractButton::clicked, &m_steps, &OnboardingSteps::goBack);
    connect(m_next, &QAbstractButton::clicked, &m_steps, &OnboardingSteps::advanceStep);
    return bar;
}

QWidget* OnboardingView::buildMeetStep()
{
    auto* page = new QWidget;
    auto* layout = column(page, 8);
    layout->addWidget(title(QStringLiteral("Meet Wisp")), 0, Qt::AlignHCenter);
    layout->addWidget(
        body(QStringLiteral("Wisp is a small companion that sits at the top of your screen. It blinks, watches your "
                            "pointer, responds to what your computer is up to and keeps a panel of tools tucked "
                            "behind its face. Hover over it to open the panel; click Wisp to poke it."),
             bodyPixels, Qt::AlignHCenter));
    layout->addStretch();
    return page;
}

QButtonGroup* OnboardingView::addPicker(QLayout& parentLayout, const QString& label, const QStringList& options)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    QLabel* name = toolLabel(label, bodyPixels, NotchLayout::whiteAt(1.0), nullptr, QFont::Normal);
    auto* picker = new SegmentedPicker(label, options);
    name->setBuddy(picker);
    row->addStretch();
    row->addWidget(name);
    row->addWidget(picker);
    row->addStretch();
    static_cast<QVBoxLayout&>(parentLayout).addLayout(row);
    return picker->segments();
}

QWidget* OnboardingView::buildLookStep()
{
    auto* page = new QWidget;
    auto* layout = column(page, 14);
    layout->addWidget(title(QStringLiteral("Pick a look")), 0, Qt::AlignHCenter);

    QStringList sizes;
    for (FaceSize size : allFaceSizes)
        sizes << capitalised(rawValue(size));
    m_sizes = addPicker(*layout, QStringLiteral("Size"), sizes);
    QStringList skins;
    for (Skin skin : allSkins)
        skins << capitalised(rawValue(skin));
    m_skins = addPicker(*layout, QStringLiteral("Skin"), skins);
    connect(m_sizes, &QButtonGroup::idClicked, this,
            [this](int id) { m_settings.setFaceSize(allFaceSizes[std::size_t(id)]); });
    connect(m_skins, &QButtonGroup::idClicked, this, [this](int id) { m_settings.setSkin(allSkins[std::size_t(id)]); });

    auto* swatches = new QHBoxLayout;
    swatches->setSpacing(swatchSpacing - (swatchBox - swatchBackdrop));
    swatches->addStretch();
    for (Accent accent : allAccents) {
        auto* swatch = new AccentSwatch(accent, page);
        connect(swatch, &QAbstractButton::clicked, this, [this, accent] { m_settings.setAccent(accent); });
        swatches->addWidget(swatch);
        m_swatches.push_back(swatch);
    }
    swatches->addStretch();
    layout->addLayout(swatches);
    layout->addWidget(
        body(QStringLiteral("You can change all of this later in Settings."), captionPixels, Qt::AlignHCenter));
    layout->addStretch();
    return page;
}

QWidget* OnboardingView::buildToolsStep()
{
    auto* page = new QWidget;
    auto* layout = column(page, 10);
    layout->addWidget(title(QStringLiteral("Which tools do you want?")), 0, Qt::AlignHCenter);

    // As many columns of at least the cell width as the content is wide.
    const int columns = std::max(1, (fixedWidth - 2 * padding) / toolCellWidth);
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(8);
    grid->setHorizontalSpacing(8);
    for (std::size_t i = 0; i < allTools.size(); ++i) {
        const ToolID tool = allTools[i];
        auto* toggle = new QCheckBox(toolTitle(tool), page);
        toggle->setIcon(symbolIcon(toolIcon(tool), Qt::white));
        connect(toggle, &QCheckBox::clicked, this, [this, tool](bool on) { m_registry.setEnabled(tool, on); });
        grid->addWidget(toggle, int(i) / columns, int(i) % columns);
        m_tools.push_back(toggle);
    }
    layout->addLayout(grid);
    layout->addWidget(body(QStringLiteral("Clipboard history asks before recording. Calendar and music request "
                                          "their own access when used."),
                           captionPixels, Qt::AlignHCenter));
    layout->addSpacing(6);
    m_launchAtLogin = new QCheckBox(QStringLiteral("Launch Wisp at login"), page);
    connect(m_launchAtLogin, &QCheckBox::clicked, this, [this](bool on) { m_settings.setLaunchAtLogin(on); });
    layout->addWidget(m_launchAtLogin, 0, Qt::AlignHCenter);
    layout->addStretch();
    return page;
}

QWidget* OnboardingView::buildTryStep()
{
    auto* page = new QWidget;
    auto* layout = column(page, 12);
    layout->addWidget(title(QStringLiteral("Try your everyday Wisp")));
    layout->addWidget(body(QStringLiteral("These use the real panel. Try any step, or choose Done and explore later."),
                           bodyPixels, Qt::AlignLeft));

    m_openPanel = new PillButton({}, {}, false, page);
    m_practice = new PillButton({}, {}, false, page);
    m_stopPractice = new PillButton(QStringLiteral("Stop practice timer"), QStringLiteral("xmark"), false, page);
    connect(m_openPanel, &QAbstractButton::clicked, &m_steps, &OnboardingSteps::openPanel);
    connect(m_practice, &QAbstractButton::clicked, &m_steps, &OnboardingSteps::startPracticeTimer);
    connect(m_stopPractice, &QAbstractButton::clicked, &m_steps, &OnboardingSteps::stopPracticeTimer);
    auto* timerRow = new QHBoxLayout;
    timerRow->setSpacing(8);
    timerRow->addWidget(m_practice);
    timerRow->addWidget(m_stopPractice);
    timerRow->addStretch();
    layout->addWidget(m_openPanel);
    layout->addLayout(timerRow);

    m_dropZone = new DropArea([this](const QList<QUrl>& files) { return m_steps.dropFiles(files); }, page);
    auto* dropRow = new QHBoxLayout(m_dropZone);
    dropRow->setContentsMargins(dropPadding, dropPadding, dropPadding, dropPadding);
    dropRow->setSpacing(8);
    m_dropIcon = new QLabel(m_dropZone);
    m_dropText = toolLabel({}, bodyPixels, NotchLayout::whiteAt(1.0), m_dropZone, QFont::Normal);
    dropRow->addWidget(m_dropIcon);
    dropRow->addWidget(m_dropText, 1);
    layout->addWidget(m_dropZone);

    layout->addWidget(body(QStringLiteral("Ctrl+Alt+K finds tools. Quiet controls are in the panel header."),
                           captionPixels, Qt::AlignLeft));
    layout->addStretch();
    return page;
}

void OnboardingView::refreshFace()
{
    WispFaceView::Inputs inputs = m_face->inputs();
    inputs.eyeHeight = faceEyeHeight;
    inputs.mood = m_steps.previewMood();
    inputs.blinking = false;
    inputs.look = {0, 0};
    inputs.skin = m_settings.skin();
    inputs.tint = accentColor(m_settings.accent());
    inputs.motionReduced = m_steps.services().wisp.reducesMotion();
    m_face->setInputs(inputs);
    static_cast<FaceTile*>(m_face->parentWidget())->place();
}

void OnboardingView::refreshLook()
{
    const QSignalBlocker sizes(m_sizes);
    const QSignalBlocker skins(m_skins);
    m_sizes->button(int(m_settings.faceSize()))->setChecked(true);
    m_skins->button(int(m_settings.skin()))->setChecked(true);
    for (std::size_t i = 0; i < m_swatches.size(); ++i)
        static_cast<AccentSwatch*>(m_swatches[i])->setSelected(allAccents[i] == m_settings.accent());
    const QSignalBlocker login(m_launchAtLogin);
    m_launchAtLogin->setChecked(m_settings.launchAtLogin());
}

void OnboardingView::refreshTools()
{
    const QSet<ToolID> enabled = m_registry.enabled();
    for (std::size_t i = 0; i < m_tools.size(); ++i) {
        const QSignalBlocker blocker(m_tools[i]);
        m_tools[i]->setChecked(enabled.contains(allTools[i]));
    }
}

void OnboardingView::refreshTryOut()
{
    const bool opened = m_steps.openedPanel();
    m_openPanel->setText(opened ? QStringLiteral("Panel opened") : QStringLiteral("Open the tools panel"));
    m_openPanel->setSymbolName(opened ? checkSymbol : QStringLiteral("rectangle.topthird.inset.filled"));

    const bool tried = m_steps.triedTimer();
    m_practice->setText(tried ? QStringLiteral("One-minute timer started") : QStringLiteral("Try a one-minute timer"));
    m_practice->setSymbolName(tried ? checkSymbol : QStringLiteral("timer"));
    m_practice->setEnabled(m_steps.canStartPracticeTimer());
    m_stopPractice->setVisible(tried);

    const bool dropped = m_steps.droppedFile();
    m_dropText->setText(dropped ? QStringLiteral("File added to your shelf")
                                : QStringLiteral("Drop a file here to try the shelf"));
    m_dropIcon->setPixmap(symbol(dropped ? checkSymbol : QStringLiteral("tray.and.arrow.down"), m_dropIcon));
    for (PillButton* button : {m_openPanel, m_practice})
        button->updateGeometry();
}

void OnboardingView::refreshBar()
{
    const int step = m_steps.step();
    static_cast<StepDots*>(m_dots)->setStep(step);
    m_back->setVisible(step > 0);
    m_next->setText(step == OnboardingSteps::lastStep ? QStringLiteral("Done") : QStringLiteral("Next"));
    m_next->updateGeometry();
}

void OnboardingView::showStep(int step)
{
    m_pages->setCurrentIndex(step);
    if (m_steps.services().wisp.reducesMotion()) {
        m_fade->jumpTo({1});
        return;
    }
    m_fade->jumpTo({0});
    m_fade->easeTo({1}, fadeSeconds, Easing::easeInOut);
}

void OnboardingView::keyPressEvent(QKeyEvent* event)
{
    // Return presses the default button wherever the focus is, as in a dialog.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_next->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void OnboardingView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_previewTimer->start();
}

void OnboardingView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_previewTimer->stop();
}
