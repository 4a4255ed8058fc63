// Draws pictures to look at, not to assert on: every face in every skin and size, the island in its
// states, and the expression studio. Writes PNGs into the folder given (the current one by default).

#include "BusinessShots.h"
#include "WeatherShots.h"
#include "Wisplet/Base/Animation.h"
#include "Wisplet/Base/WindowPalette.h"
#include "Wisplet/Companion/CompanionSpriteView.h"
#include "Wisplet/Companion/CompanionSprites.h"
#include "Wisplet/Companion/ExpressionStudio.h"
#include "Wisplet/Companion/WispFaceView.h"
#include "Wisplet/Notch/FileDropTarget.h"
#include "Wisplet/Notch/NotchRootView.h"
#include "Wisplet/Notch/ToolViews.h"
#include "Wisplet/Platform/Defaults.h"
#include "Wisplet/Tools/Media/NowPlayingView.h"
#include "tests/support/FakeMediaPlayers.h"
#include "tests/support/FakePeekSources.h"
#include "tests/support/RegistryFixture.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QLinearGradient>
#include <QMimeData>
#include <QNetworkAccessManager>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>

namespace {

constexpr std::array eyeHeights{24.0, 34.0, 44.0, 56.0};

QString atlasPath()
{
    return QStringLiteral(WISPLET_SOURCE_DIR "/Resources/companion-atlas.png");
}

bool save(const QImage& image, const QDir& folder, const QString& name)
{
    const QString path = folder.filePath(name);
    if (!image.save(path)) {
        qWarning("could not write %s", qPrintable(path));
        return false;
    }
    qInfo("%s", qPrintable(path));
    return true;
}

bool faceSheet(const QDir& folder)
{
    FakeClock time;
    AnimationClock clock(time);
    FakeScheduler scheduler(time);
    CompanionSprites sprites({atlasPath()});
    const auto makeSprite = [&](QWidget* face) { return new CompanionSpriteView(sprites, scheduler, clock, face); };

    const std::array skins{Skin::classic, Skin::round, Skin::cat, Skin::companion};
    QSize cell;
    for (const Skin skin : skins)
        cell = cell.expandedTo(FaceGeometry::paintBounds(eyeHeights.back(), skin).size().toSize());
    const int labelWidth = 90;
    const int headerHeight = 24;
    const int columns = int(skins.size() * eyeHeights.size());
    QImage sheet(labelWidth + columns * cell.width(), headerHeight + int(allMoods.size()) * cell.height(),
                 QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(18, 18, 20));
    QPainter painter(&sheet);

    int column = 0;
    for (const Skin skin : skins) {
        for (const double eyeHeight : eyeHeights) {
            const int left = labelWidth + column++ * cell.width();
            painter.setPen(QColor(160, 160, 170));
            painter.drawText(QRect(left, 0, cell.width(), headerHeight), Qt::AlignCenter,
                             QStringLiteral("%1 %2").arg(rawValue(skin)).arg(eyeHeight));
            for (std::size_t row = 0; row < allMoods.size(); ++row) {
                const QRect area(left, headerHeight + int(row) * cell.height(), cell.width(), cell.height());
                WispFaceView view(clock, makeSprite);
                WispFaceView::Inputs in;
                in.mood = allMoods[row];
                in.skin = skin;
                in.eyeHeight = eyeHeight;
                in.tint = accentColor(Accent(row % allAccents.size()));
                view.setInputs(in);
                const QPoint origin = area.center() - QPoint(view.width() / 2, view.height() / 2);
                painter.setPen(QColor(60, 60, 70));
                painter.drawRect(QRect(origin, view.size()).adjusted(0, 0, -1, -1));
                painter.drawRect(QRectF(QPointF(origin) + view.layoutOffset(), view.layoutSize()));
                view.render(&painter, origin, QRegion(), QWidget::DrawChildren);
            }
        }
    }
    painter.setPen(QColor(160, 160, 170));
    for (std::size_t row = 0; row < allMoods.size(); ++row) {
        painter.drawText(QRect(4, headerHeight + int(row) * cell.height(), labelWidth, cell.height()), Qt::AlignVCenter,
                         rawValue(allMoods[row]));
    }
    painter.end();
    return save(sheet, folder, QStringLiteral("face-contact-sheet.png"));
}

class KeepingDropTarget final : public FileDropTarget
{
public:
    bool handleDrop(const QList<QUrl>&) override { return true; }
};

// The island over fakes, with the media tool's store over players set by hand.
class IslandBench
{
public:
    explicit IslandBench(const QSet<ToolID>& enabled, ToolID selected)
    {
        ToolRegistry& registry = fixture.load();
        registry.setEnabled(enabled);
        registry.setSelected(selected);
        const auto makeSprite = [this](QWidget* face) {
            return new CompanionSpriteView(sprites, fixture.scheduler, animation, face);
        };
        const auto makePage = [this](ToolID tool, QWidget* parent) -> QWidget* {
            if (tool == ToolID::media)
                return new NowPlayingView(media, parent);
            return toolTitlePage(tool, parent);
        };
        view = std::make_unique<NotchRootView>(NotchGeometry::of(FakeScreens::plain(QRectF(0, 0, 1920, 1080))),
                                               NotchRootView::Services{fixture.settings,
                                                                       fixture.events,
                                                                       *fixture.wisp,
                                                                       registry,
                                                                       focus,
                                                                       calendar,
                                                                       media,
                                                                       shelf,
                                                                       fixture.clock,
                                                                       fixture.scheduler,
                                                                       fixture.motion,
                                                                       animation,
                                                                       makeSprite,
                                                                       makePage,
                                                                       {}});
        view->setAttribute(Qt::WA_TranslucentBackground);
        view->resize(760, 560);
        view->show();
    }

    // Once the cover (decoded on a worker thread) is in and every animation has come to rest.
    bool shot(const QDir& folder, const char* name)
    {
        for (int wait = 0; wait < 400 && media.isLoadingCover(); ++wait) {
            QThread::msleep(5);
            QCoreApplication::processEvents();
        }
        for (int frame = 0; frame < 600 && view->isAnimating(); ++frame) {
            fixture.scheduler.advance(AnimationClock::frameMs);
            animation.tick();
        }
        QCoreApplication::processEvents();
        return save(view->grab().toImage(), folder, QString::fromLatin1(name));
    }

    RegistryFixture fixture;
    AnimationClock animation{fixture.clock};
    CompanionSprites sprites{{atlasPath()}};
    FakeFocusPeek focus;
    FakeCalendarPeek calendar;
    KeepingDropTarget shelf;
    Defaults defaults{QString()};
    QNetworkAccessManager network;
    FakeMediaPlayers players;
    NowPlaying media{{defaults, fixture.scheduler, players, network, {}}};
    std::unique_ptr<NotchRootView> view;
};

bool islandShots(const QDir& folder)
{
    IslandBench bench({ToolID::focus, ToolID::notes, ToolID::files}, ToolID::focus);
    bool ok = bench.shot(folder, "island-collapsed.png");
    bench.focus.set(QStringLiteral("24:59"), true);
    ok = bench.shot(folder, "island-peek.png") && ok;
    bench.fixture.wisp->say(QStringLiteral("Good job!!"), 3);
    ok = bench.shot(folder, "island-bubble.png") && ok;
    bench.fixture.wisp->setPinnedOpen(true);
    ok = bench.shot(folder, "island-expanded.png") && ok;

    bench.fixture.wisp->setPinnedOpen(false);
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/report.pdf"))});
    const QPoint inside = bench.view->islandOutline().boundingRect().topLeft().toPoint() + QPoint(100, 60);
    QDragEnterEvent enter(inside, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(bench.view.get(), &enter);
    return bench.shot(folder, "island-drop.png") && ok;
}

// The media peek and page: nothing playing, a playing track with a cover, a paused one with a long title
// and no cover.
bool mediaShots(const QDir& folder)
{
    IslandBench bench({ToolID::media}, ToolID::media);
    QTemporaryDir covers;
    QImage cover(400, 400, QImage::Format_RGB32);
    QPainter paint(&cover);
    QLinearGradient gradient(0, 0, 400, 400);
    gradient.setColorAt(0, QColor(230, 90, 60));
    gradient.setColorAt(1, QColor(60, 40, 140));
    paint.fillRect(cover.rect(), gradient);
    paint.end();
    const QString coverPath = covers.filePath(QStringLiteral("cover.png"));
    cover.save(coverPath);

    bench.media.start();
    bench.fixture.wisp->setPinnedOpen(true);
    bool ok = bench.shot(folder, "media-empty.png");

    MediaStatus track;
    track.title = QStringLiteral("Harbour Lights");
    track.artist = QStringLiteral("The Tidewells");
    track.album = QStringLiteral("Low Water");
    track.playing = true;
    track.duration = 245;
    track.position = 97;
    track.player = QStringLiteral("mpv Media Player");
    track.artworkUrl = QUrl::fromLocalFile(coverPath).toString();
    bench.players.answer.other = track;
    bench.media.refresh();
    ok = bench.shot(folder, "media-playing.png") && ok;

    bench.fixture.wisp->setPinnedOpen(false);
    ok = bench.shot(folder, "island-media-peek.png") && ok;

    track.title = QStringLiteral("A very long title that will never fit on one line of the media page at all");
    track.artist.clear();
    track.playing = false;
    track.artworkUrl.reset();
    track.duration.reset();
    bench.players.answer.other = track;
    bench.media.refresh();
    bench.fixture.wisp->setPinnedOpen(true);
    return bench.shot(folder, "media-paused.png") && ok;
}

bool studioShot(const QDir& folder)
{
    CompanionFixture fixture;
    ExpressionStudio studio(fixture.settings, *fixture.wisp, fixture.motion, fixture.scheduler);
    studio.adjustSize();
    return save(studio.grab().toImage(), folder, QStringLiteral("expression-studio.png"));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    useDarkWindowPalette();
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    if (!folder.mkpath(QStringLiteral(".")))
        return 1;
    const bool faces = faceSheet(folder);
    const bool island = islandShots(folder);
    const bool studio = studioShot(folder);
    const bool mediaPage = mediaShots(folder);
    const bool weather = weatherShots(folder);
    const bool business = businessShots(folder);
    return faces && island && studio && mediaPage && weather && business ? 0 : 1;
}
