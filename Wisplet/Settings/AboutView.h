#pragma once

#include <QUrl>
#include <QWidget>

#include <functional>

// The About page: Wisp's face, the name, the version and build, the tagline and the web site's link.
// It edits nothing.
class AboutView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutView)

public:
    struct Info
    {
        QString version{};
        QString build{};
        // The web site's host name, the link's title, and its https address. Without both there is no link.
        QString siteHost{};
        QUrl siteAddress{};
        bool motionReduced = false;
    };

    static constexpr double faceEyeHeight = 40;

    AboutView(const Info& info, std::function<void(const QUrl&)> openLink, QWidget* parent = nullptr);

    // "1.2 (45)": "dev" stands for a missing version and "0" for a missing build.
    static QString versionText(const QString& version, const QString& build);
    // Whether the site is worth a link: a host to show and an https address to open.
    static bool hasSiteLink(const Info& info);
};
