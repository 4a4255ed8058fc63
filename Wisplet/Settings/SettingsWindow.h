#pragma once

#include "Wisplet/Settings/SettingsSection.h"

#include <QPointer>
#include <QSize>
#include <QWidget>

#include <functional>

class Defaults;
class QLabel;
class QListWidget;
class QScreen;
class QVBoxLayout;

// A plain page that only names its section, for sections whose page is still to come.
QWidget* settingsTitlePage(SettingsSection section, QWidget* parent);

// "Settings": a sidebar of the sections beside the selected section's page. The page is made afresh on
// every switch and the old one deleted, so nothing typed on a page outlives it; the stores it edits keep
// what matters. The window keeps nothing itself and is deleted when closed (also with Ctrl+W or Escape), so
// it opens on General again.
class SettingsWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsWindow)

public:
    // A new page for the section, over the stores it edits.
    using PageMaker = std::function<QWidget*(SettingsSection section, QWidget* parent)>;

    static constexpr QSize minimumWindowSize{720, 560};
    static constexpr QSize openingSize{800, 640};
    static constexpr int sidebarMinimumWidth = 160;
    static constexpr int sidebarIdealWidth = 180;
    static constexpr int sidebarMaximumWidth = 220;

    // defaults is the settings file whose troubles (a failed save, another program's changes) the window says.
    SettingsWindow(Defaults& defaults, PageMaker makePage, QWidget* parent = nullptr);

    // The program's one settings window, kept in `window`: built and centred on the screen when there is
    // none, no larger than the screen, then shown, raised and activated. Returns it.
    static SettingsWindow* open(QPointer<SettingsWindow>& window, Defaults& defaults, const PageMaker& makePage,
                                QScreen* screen);

    SettingsSection section() const { return m_section; }
    void showSection(SettingsSection section);
    QListWidget* sidebar() const { return m_sidebar; }
    QWidget* page() const { return m_page; }

private:
    QListWidget* buildSidebar();

    PageMaker m_makePage;
    SettingsSection m_section = SettingsSection::general;
    QListWidget* m_sidebar = nullptr;
    QLabel* m_heading = nullptr;
    QVBoxLayout* m_detail = nullptr;
    QWidget* m_page = nullptr;
};
