#include "Wisplet/Tools/Notes/NotesStore.h"
#include "Wisplet/Tools/Notes/NotesView.h"
#include "tests/support/RealPanel.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/WidgetsTestMain.h"
#include "tests/support/XTools.h"

#include <QAbstractButton>

using XTools::timeoutMs;

// "New note" clicked in the real panel while another program has the keyboard: what the user types next
// lands in the new note.
class TestNewNoteKeys final : public QObject
{
    Q_OBJECT

private slots:
    void typingAfterNewNoteLandsInIt()
    {
        RegistryFixture fixture;
        fixture.load();
        fixture.registry->setEnabled({ToolID::notes});
        fixture.registry->setSelected(ToolID::notes);
        TempFolder folder;
        NotesStore store(fixture.clock, fixture.scheduler, folder.path());
        RealPanel real(fixture, [&](ToolID, QWidget* parent) -> QWidget* {
            return new NotesView(store, *fixture.wisp, parent);
        });
        real.panel->show();
        fixture.wisp->setPinnedOpen(true);
        const auto newNoteButton = [&real]() -> QAbstractButton* {
            for (QAbstractButton* button : real.panel->findChildren<QAbstractButton*>()) {
                if (button->text() == QLatin1String("New note") && button->isVisible())
                    return button;
            }
            return nullptr;
        };
        QTRY_VERIFY_WITH_TIMEOUT(newNoteButton() && real.panel->windowHandle()->isExposed(), timeoutMs);
        QAbstractButton* newNote = newNoteButton();
        // Clicks reach only what the island's shape covers, once it has opened.
        const QPoint centre = newNote->mapTo(real.panel.get(), newNote->rect().center());
        QTRY_VERIFY_WITH_TIMEOUT(XTools::boundingShape(quint32(real.panel->winId())).contains(centre), timeoutMs);
        QVERIFY(XTools::focusedWindow() != quint32(real.panel->winId()));
        const qsizetype before = store.notes().size();

        QVERIFY(XTools::clickAt(newNote->mapToGlobal(newNote->rect().center())));
        QTRY_COMPARE_WITH_TIMEOUT(store.notes().size(), before + 1, timeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(XTools::focusedWindow(), quint32(real.panel->winId()), timeoutMs);
        QVERIFY(XTools::xdotool({"type", "--delay", "20", "Meeting prep"}));
        QTRY_COMPARE_WITH_TIMEOUT(store.selectedNote().value_or(WispNote{}).text, QStringLiteral("Meeting prep"),
                                  timeoutMs);
        QCOMPARE(store.notes().size(), before + 1);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestNewNoteKeys)
#include "tst_newnotekeys.moc"
