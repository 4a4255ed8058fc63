#include "Wisplet/Onboarding/OnboardingWindow.h"

#include "Wisplet/Base/AppSettings.h"
#include "Wisplet/Base/WindowPlacement.h"
#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Onboarding/OnboardingView.h"

#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace {

constexpr double cheerSeconds = 3.0;
constexpr int cheerPriority = 1;

} // namespace

OnboardingWindow::OnboardingWindow(const Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_settings(services.tour.settings)
    , m_wisp(services.tour.wisp)
    , m_view(new OnboardingView(
          services.tour, services.animation, [this] { finish(); }, this))
{
    setObjectName(QStringLiteral("onboarding"));
    setWindowTitle(QStringLiteral("Welcome to Wisplet"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    // Titled and closable only: never resized or maximised. A short screen makes it shorter (see
    // WindowPlacement.h), and then its steps scroll.
    setFixedSize(OnboardingView::fixedWidth, OnboardingView::fixedHeight);
}

OnboardingWindow::~OnboardingWindow() = default;

OnboardingWindow* OnboardingWindow::open(QPointer<OnboardingWindow>& window, const Services& services, QScreen* screen)
{
    if (!window || window->isFinished()) {
        window = new OnboardingWindow(services);
        if (screen)
            placeOnScreen(*window, *screen);
    }
    bringToFront(*window);
    return window;
}

void OnboardingWindow::openIfNeeded(QPointer<OnboardingWindow>& window, const Services& services, QScreen* screen)
{
    if (!services.tour.settings.onboarded())
        open(window, services, screen);
}

void OnboardingWindow::finish()
{
    m_settings.setOnboarded(true);
    m_finished = true;
    close();
    deleteLater();
    m_wisp.react(Mood::proud, QStringLiteral("Let's go!"), true, cheerPriority, cheerSeconds);
}

void OnboardingWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
