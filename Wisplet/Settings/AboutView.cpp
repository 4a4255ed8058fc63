#include "Wisplet/Settings/AboutView.h"

#include "Wisplet/Base/LinkButton.h"
#include "Wisplet/Companion/FaceTile.h"
#include "Wisplet/Companion/WispFaceView.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int spacing = 14;
constexpr int facePaddingX = 24;
constexpr int facePaddingY = 18;
constexpr double tileRadius = 24;
constexpr int namePixels = 20;
constexpr int taglinePixels = 13;
constexpr int linkTopPadding = 4;
const QColor secondaryText(255, 255, 255, 140);
const QColor linkColour(0x4d, 0x9d, 0xff);

QLabel* centredLabel(const QString& text, int pixels, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignHCenter);
    if (pixels > 0) {
        QFont font = label->font();
        font.setPixelSize(pixels);
        label->setFont(font);
    }
    return label;
}

void setTextColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

AboutView::AboutView(const Info& info, std::function<void(const QUrl&)> openLink, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(spacing);
    layout->addStretch(1);
    auto* face = new WispFaceView;
    WispFaceView::Inputs inputs;
    inputs.eyeHeight = faceEyeHeight;
    inputs.mood = Mood::happy;
    inputs.skin = Skin::companion;
    inputs.tint = Qt::white;
    inputs.motionReduced = info.motionReduced;
    face->setInputs(inputs);
    layout->addWidget(new FaceTile(face, QSize(facePaddingX, facePaddingY), tileRadius, this), 0, Qt::AlignHCenter);

    QLabel* name = centredLabel(QStringLiteral("Wisplet"), namePixels, this);
    name->setTextFormat(Qt::PlainText);
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    layout->addWidget(name);

    QLabel* version = centredLabel(QStringLiteral("Version ") + versionText(info.version, info.build), 0, this);
    version->setObjectName(QStringLiteral("version"));
    version->setTextFormat(Qt::PlainText);
    setTextColour(version, secondaryText);
    layout->addWidget(version);

    QLabel* tagline = centredLabel(QStringLiteral("A small companion at the top of your screen."), taglinePixels, this);
    tagline->setTextFormat(Qt::PlainText);
    layout->addWidget(tagline);

    if (hasSiteLink(info)) {
        auto* link = new LinkButton(info.siteHost, info.siteAddress, linkColour, std::move(openLink), this);
        link->setObjectName(QStringLiteral("siteLink"));
        auto* linkRow = new QVBoxLayout;
        linkRow->setContentsMargins(0, linkTopPadding, 0, 0);
        linkRow->addWidget(link, 0, Qt::AlignHCenter);
        layout->addLayout(linkRow);
    }
    layout->addStretch(1);
}

QString AboutView::versionText(const QString& version, const QString& build)
{
    return QStringLiteral("%1 (%2)").arg(version.isEmpty() ? QStringLiteral("dev") : version,
                                         build.isEmpty() ? QStringLiteral("0") : build);
}

bool AboutView::hasSiteLink(const Info& info)
{
    return !info.siteHost.isEmpty() && info.siteAddress.isValid() && info.siteAddress.scheme() == u"https"
        && !info.siteAddress.host().isEmpty();
}
