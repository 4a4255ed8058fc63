#include "Wisplet/Tools/Media/NowPlayingView.h"

#include "Wisplet/Base/ElidingLabel.h"
#include "Wisplet/Base/EvenDigitsLabel.h"
#include "Wisplet/Base/OutsideText.h"
#include "Wisplet/Base/SymbolIcons.h"
#include "Wisplet/Notch/NotchLayout.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Tools/Focus/FocusFormat.h"
#include "Wisplet/Tools/Media/MediaButton.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QStackedLayout>

#include <cmath>

namespace {

using NotchLayout::whiteAt;

constexpr int coverSide = 72;
constexpr double coverRadius = 10;
constexpr int barHeight = 4;

QFont fontOf(int pixels, QFont::Weight weight)
{
    QFont font;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

void setTextColour(QWidget* widget, double opacity)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, whiteAt(opacity));
    widget->setPalette(palette);
}

QLabel* symbolLabel(const QString& name, int size, double opacity, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setPixmap(symbolPixmap(name, QSize(size, size), whiteAt(opacity), parent->devicePixelRatioF()));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// The cover in a rounded square, cropped to fill it; a note on a faint square until there is one.
class CoverView final : public QWidget
{
public:
    CoverView(NowPlaying& media, QWidget* parent)
        : QWidget(parent)
        , m_media(media)
    {
        setFixedSize(coverSide, coverSide);
        connect(&m_media, &NowPlaying::artworkChanged, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(rect()), coverRadius, coverRadius);
        painter.setClipPath(clip);
        const QImage artwork = m_media.artwork();
        if (!artwork.isNull()) {
            const QSizeF filled = QSizeF(artwork.size()).scaled(QSizeF(size()), Qt::KeepAspectRatioByExpanding);
            const QRectF target(QPointF((width() - filled.width()) / 2, (height() - filled.height()) / 2), filled);
            painter.drawImage(target, artwork);
            return;
        }
        painter.fillRect(rect(), whiteAt(0.08));
        const QPixmap note =
            symbolPixmap(QStringLiteral("music.note"), QSize(22, 22), whiteAt(0.5), devicePixelRatioF());
        const QSizeF logical = note.deviceIndependentSize();
        painter.drawPixmap(QPointF((width() - logical.width()) / 2, (height() - logical.height()) / 2), note);
    }

private:
    NowPlaying& m_media;
};

// A faint track with the played part in near-white over it, both capsules.
class ProgressBar final : public QWidget
{
public:
    using QWidget::QWidget;

    void setFraction(double fraction)
    {
        m_fraction = fraction;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        const double radius = height() / 2.0;
        painter.setBrush(whiteAt(0.15));
        painter.drawRoundedRect(QRectF(rect()), radius, radius);
        // A negative position draws no fill.
        const double filled = width() * std::clamp(m_fraction, 0.0, 1.0);
        if (filled <= 0)
            return;
        painter.setBrush(whiteAt(0.9));
        painter.drawRoundedRect(QRectF(0, 0, filled, height()), radius, radius);
    }

private:
    double m_fraction = 0;
};

} // namespace

NowPlayingView::NowPlayingView(NowPlaying& media, QWidget* parent)
    : QWidget(parent)
    , m_media(media)
{
    setTextColour(this, 1.0);
    m_pages = new QStackedLayout(this);
    m_emptyPage = buildEmptyPage();
    m_trackPage = buildTrackPage();
    m_pages->addWidget(m_emptyPage);
    m_pages->addWidget(m_trackPage);
    connect(&m_media, &NowPlaying::trackChanged, this, &NowPlayingView::showTrack);
    showTrack(m_media.currentTrack());
}

QWidget* NowPlayingView::buildEmptyPage()
{
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setSpacing(6);
    column->addStretch();
    column->addWidget(symbolLabel(QStringLiteral("music.note.list"), 20, 0.4, page));
    auto* heading = new QLabel(tr("Nothing playing"), page);
    heading->setFont(fontOf(12, QFont::DemiBold));
    setTextColour(heading, 0.7);
    auto* hint = new QLabel(tr("Play something in Spotify or another media player and it shows up here."), page);
    hint->setFont(fontOf(13, QFont::Normal));
    hint->setWordWrap(true);
    setTextColour(hint, 0.65);
    for (QLabel* label : {heading, hint}) {
        label->setAlignment(Qt::AlignCenter);
        column->addWidget(label);
    }
    column->addStretch();
    return page;
}

QWidget* NowPlayingView::buildTrackPage()
{
    auto* page = new QWidget(this);
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    row->setSpacing(14);
    outer->addLayout(row);
    outer->addStretch(1);
    m_cover = new CoverView(m_media, page);
    row->addWidget(m_cover, 0, Qt::AlignVCenter);

    auto* column = new QVBoxLayout;
    column->setSpacing(6);
    m_title = new ElidingLabel(page);
    m_title->setFont(fontOf(13, QFont::DemiBold));
    m_subtitle = new ElidingLabel(page);
    m_subtitle->setFont(fontOf(13, QFont::Normal));
    setTextColour(m_subtitle, 0.6);
    column->addWidget(m_title);
    column->addWidget(m_subtitle);

    m_progressBlock = new QWidget(page);
    auto* progress = new QVBoxLayout(m_progressBlock);
    progress->setContentsMargins(0, 0, 0, 0);
    progress->setSpacing(3);
    m_bar = new ProgressBar(m_progressBlock);
    m_bar->setFixedHeight(barHeight);
    progress->addWidget(m_bar);
    auto* times = new QHBoxLayout;
    // Digits of one width, so the times do not jitter as they count.
    const QFont timeFont = fontOf(9, QFont::Normal);
    m_elapsed = new EvenDigitsLabel(m_progressBlock);
    m_total = new EvenDigitsLabel(m_progressBlock);
    for (QLabel* label : {m_elapsed, m_total}) {
        label->setFont(timeFont);
        setTextColour(label, 0.65);
    }
    times->addWidget(m_elapsed);
    times->addStretch();
    times->addWidget(m_total);
    progress->addLayout(times);
    column->addWidget(m_progressBlock);

    auto* controls = new QHBoxLayout;
    controls->setSpacing(14);
    const auto button = [&](const char* icon, int size, MediaPlayers::Command command) {
        auto* mediaButton = new MediaButton(QString::fromLatin1(icon), size, page);
        connect(mediaButton, &QAbstractButton::clicked, this, [this, command] { m_media.send(command); });
        controls->addWidget(mediaButton, 0, Qt::AlignVCenter);
        return mediaButton;
    };
    button("backward.fill", 13, MediaPlayers::Command::previous)->setAccessibleName(tr("Previous track"));
    m_playPause = button("play.fill", 18, MediaPlayers::Command::playPause);
    m_playPause->setObjectName(QStringLiteral("playPause"));
    button("forward.fill", 13, MediaPlayers::Command::next)->setAccessibleName(tr("Next track"));
    controls->addStretch();
    // The name the player gives itself.
    m_player = toolLabel({}, 12, whiteAt(0.4), page, QFont::Medium);
    controls->addWidget(m_player, 0, Qt::AlignVCenter);
    column->addLayout(controls);

    row->addLayout(column, 1);
    return page;
}

void NowPlayingView::showTrack(const std::optional<NowPlaying::Track>& track)
{
    if (!track) {
        m_pages->setCurrentWidget(m_emptyPage);
        return;
    }
    m_title->setFullText(track->title);
    m_subtitle->setFullText(subtitle(*track));
    const std::optional<double> fraction = progress(*track);
    m_progressBlock->setVisible(fraction.has_value());
    if (fraction) {
        static_cast<ProgressBar*>(m_bar)->setFraction(*fraction);
        m_elapsed->setText(formatClock(track->position.value_or(0)));
        m_total->setText(formatClock(track->duration.value_or(0)));
    }
    m_playPause->setSymbolName(track->playing ? QStringLiteral("pause.fill") : QStringLiteral("play.fill"));
    m_playPause->setAccessibleName(track->playing ? tr("Pause") : tr("Play"));
    m_player->setText(track->player);
    m_pages->setCurrentWidget(m_trackPage);
}

QString NowPlayingView::subtitle(const NowPlaying::Track& track)
{
    // Both come from the player: each isolated, so a bidi control in one cannot reorder the other.
    if (track.album.isEmpty())
        return OutsideText::isolated(track.artist);
    return OutsideText::isolated(track.artist) + QStringLiteral(" · ") + OutsideText::isolated(track.album);
}

std::optional<double> NowPlayingView::progress(const NowPlaying::Track& track)
{
    if (!track.duration || !(*track.duration > 0) || !track.position)
        return std::nullopt;
    return std::min(*track.position / *track.duration, 1.0);
}
