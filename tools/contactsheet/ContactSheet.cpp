// Draws pictures to look at, not to assert on: every face in every skin and size, the island in its
// states, and the expression studio. Writes PNGs into the folder given (the current one by default).

#include "WeatherShots.h"
#include "Wisplet/Base/Animation.h"
#include "Wisplet/Companion/CompanionSpriteView.h"
#include "Wisplet/Companion/CompanionSprites.h"
#include "Wisplet/Companion/ExpressionStudio.h"
#include "Wisplet/Companion/WispFaceView.h"
#include "Wisplet/Notch/FileDropTarget.h"
#include "Wisplet/Notch/NotchRootView.h"
#include "Wisplet/Notch/ToolViews.h"
#include "tests/support/FakePeekSources.h"
#include "tests/support/RegistryFixture.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>

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

bool islandShots(const QDir& folder)
{
    RegistryFixture fixture;
    ToolRegistry& registry = fixture.load();
    registry.setEnabled({ToolID::focus, ToolID::notes, ToolID::files});
    registry.setSelected(ToolID::focus);
    AnimationClock animation(fixture.clock);
    CompanionSprites sprites({atlasPath()});
    FakeFocusPeek focus;
    FakeCalendarPeek calendar;
    FakeMediaPeek media;
    KeepingDropTarget shelf;
    const auto makeSprite = [&](QWidget* face) {
        return new CompanionSpriteView(sprites, fixture.scheduler, animation, face);
    };
    NotchRootView view(NotchGeometry::of(FakeScreens::plain(QRectF(0, 0, 1920, 1080))),
                       {fixture.settings,
                        fixture.events,
                        *fixture.wisp,
                        registry,
                        focus,
                        calendar,
                        media,
                        shelf,
                        fixture.clock,
                        fixture.motion,
                        animation,
                        makeSprite,
                        toolTitlePage,
                        {}});
    view.setAttribute(Qt::WA_TranslucentBackground);
    view.resize(760, 560);
    view.show();

    const auto shot = [&](const char* name) {
        for (int frame = 0; frame < 600 && view.isAnimating(); ++frame) {
            fixture.scheduler.advance(AnimationClock::frameMs);
            animation.tick();
        }
        QCoreApplication::processEvents();
        return save(view.grab().toImage(), folder, QString::fromLatin1(name));
    };
    bool ok = shot("island-collapsed.png");
    focus.set(QStringLiteral("24:59"), true);
    ok = shot("island-peek.png") && ok;
    fixture.wisp->say(QStringLiteral("Good job!!"), 3);
    ok = shot("island-bubble.png") && ok;
    fixture.wisp->setPinnedOpen(true);
    ok = shot("island-expanded.png") && ok;

    fixture.wisp->setPinnedOpen(false);
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/report.pdf"))});
    const QPoint inside = view.islandOutline().boundingRect().topLeft().toPoint() + QPoint(100, 60);
    QDragEnterEvent enter(inside, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &enter);
    return shot("island-drop.png") && ok;
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
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    if (!folder.mkpath(QStringLiteral(".")))
        return 1;
    const bool faces = faceSheet(folder);
    const bool island = islandShots(folder);
    const bool studio = studioShot(folder);
    const bool weather = weatherShots(folder);
    return faces && island && studio && weather ? 0 : 1;
}
