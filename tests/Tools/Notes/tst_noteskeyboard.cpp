#include "Wisplet/Base/ToolRegistry.h"
#include "Wisplet/Notch/IslandSurface.h"
#include "Wisplet/Notch/NotchPanel.h"
#include "Wisplet/Platform/X11WindowService.h"
#include "Wisplet/Tools/Notes/NotesStore.h"
#include "Wisplet/Tools/Notes/NotesView.h"
#include "tests/support/Files.h"
#include "tests/support/Fixtures.h"
#include "tests/support/WidgetQuery.h"
#include "tests/support/WidgetsTestMain.h"
#include "tests/support/XTools.h"

#include <QAbstractButton>
#include <QPainter>

namespace {

using XTools::timeoutMs;

// The notes page as the whole island of the real floating panel.
class NotesIsland final : public IslandSurface
{
public:
    NotesIsland(NotesStore& store, WispState& wisp)
        : view(new NotesView(store, wisp, this))
    {
        view->setGeometry(40, 40, 680, 400);
    }

    QPainterPath islandOutline() const override
    {
        QPainterPath outline;
        outline.addRect(rect());
        return outline;
    }
    void setNotchGeometry(const NotchGeometry&) override { }

    NotesView* view;

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::black); }
};

} // namespace

// Keys as the user types them, through the X server, into the notes page in the real panel.
class TestNotesKeyboard final : public QObject
{
    Q_OBJECT

private:
    CompanionFixture m_fixture;
    ToolRegistry m_tools{m_fixture.defaults, m_fixture.settings, m_fixture.events};
    TempFolder m_folder;
    std::unique_ptr<NotesStore> m_store;
    std::unique_ptr<WindowService> m_windows;
    std::unique_ptr<NotchPanel> m_panel;
    NotesIsland* m_island = nullptr;

private slots:
    void initTestCase()
    {
        m_store = std::make_unique<NotesStore>(m_fixture.clock, m_fixture.scheduler, m_folder.path());
        m_windows = X11WindowService::forApplication();
        m_island = new NotesIsland(*m_store, *m_fixture.wisp);
        m_panel = std::make_unique<NotchPanel>(
            m_island,
            NotchPanel::Services{m_fixture.settings, *m_fixture.wisp, m_tools, m_fixture.screens, *m_windows});
        m_panel->show();
        QTRY_VERIFY_WITH_TIMEOUT(XTools::isViewable(quint32(m_panel->winId())), timeoutMs);
    }

    void typingRightAfterNewNoteGoesIntoIt()
    {
        // As a tool opened from its hot key leaves it.
        m_panel->takeFocus();
        QTRY_VERIFY_WITH_TIMEOUT(m_panel->isActiveWindow(), timeoutMs);
        const qsizetype before = m_store->notes().size();
        auto* newNote = childWithText<QAbstractButton>(*m_island->view, QStringLiteral("New note"));
        QVERIFY(XTools::clickAt(newNote->mapToGlobal(newNote->rect().center())));
        QTRY_COMPARE_WITH_TIMEOUT(m_store->notes().size(), before + 1, timeoutMs);

        const QString typed = QStringLiteral("Meeting prep: agenda, notes");
        QVERIFY(XTools::xdotool({QStringLiteral("type"), typed}));
        QTRY_COMPARE_WITH_TIMEOUT(m_store->selectedNote()->text, typed, timeoutMs);
        // Every space went into the text: no other note was made.
        QCOMPARE(m_store->notes().size(), before + 1);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestNotesKeyboard)
#include "tst_noteskeyboard.moc"
