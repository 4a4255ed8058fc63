#include "Wisplet/Base/FileChooserDialog.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Tools/Files/FileShelf.h"
#include "Wisplet/Tools/Files/FileShelfView.h"
#include "Wisplet/Tools/Files/ShelfFileList.h"
#include "Wisplet/Tools/Files/ShelfPreviewWindow.h"
#include "tests/support/Files.h"
#include "tests/support/RealPanel.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/WidgetsTestMain.h"
#include "tests/support/XTools.h"

using XTools::timeoutMs;

// The shelf's preview in the real panel on the X server, driven with the keys a user presses.
class TestShelfPreviewKeys final : public QObject
{
    Q_OBJECT

private:
    RegistryFixture m_fixture;
    TempFolder m_folder;
    std::unique_ptr<FileShelf> m_shelf;
    std::unique_ptr<RealPanel> m_real;

    QUuid idOf(const QString& name) const
    {
        for (const ShelfItem& item : m_shelf->items()) {
            if (item.name == name)
                return item.id;
        }
        return {};
    }

private slots:
    void initTestCase()
    {
        m_fixture.load();
        m_fixture.registry->setEnabled({ToolID::files});
        m_fixture.registry->setSelected(ToolID::files);
        m_shelf = std::make_unique<FileShelf>(m_folder.file("support"));
        for (const char* name : {"first.txt", "second.txt", "third.txt"}) {
            QVERIFY(TestFiles::write(m_folder.file(name), name));
            m_shelf->add({QUrl::fromLocalFile(m_folder.file(name))});
        }
        m_real = std::make_unique<RealPanel>(m_fixture, [this](ToolID, QWidget* parent) -> QWidget* {
            return new FileShelfView(*m_shelf, *m_fixture.wisp, parent);
        });
        m_real->panel->show();
        QTRY_VERIFY_WITH_TIMEOUT(m_real->panel->windowHandle()->isExposed(), timeoutMs);
    }

    void closingThePreviewGivesTheKeyboardBackToTheList()
    {
        NotchPanel& panel = *m_real->panel;
        panel.takeFocus();
        FileShelfView* page = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((page = panel.findChild<FileShelfView*>()) && page->isVisible(), timeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(XTools::focusedWindow(), quint32(panel.winId()), timeoutMs);
        ShelfFileList& list = page->list();
        list.chooseRow(idOf("third.txt"));
        QTRY_VERIFY_WITH_TIMEOUT(list.hasFocus(), timeoutMs);

        QVERIFY(XTools::xdotool({"key", "space"}));
        QTRY_VERIFY_WITH_TIMEOUT(page->preview() && XTools::focusedWindow() == quint32(page->preview()->winId()),
                                 timeoutMs);
        QVERIFY(XTools::xdotool({"key", "Down"}));
        QTRY_COMPARE_WITH_TIMEOUT(page->preview()->currentPath(), m_folder.file("second.txt"), timeoutMs);
        QVERIFY(XTools::xdotool({"key", "Escape"}));
        QTRY_VERIFY_WITH_TIMEOUT(!page->preview(), timeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(XTools::focusedWindow(), quint32(panel.winId()), timeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(list.hasFocus(), timeoutMs);
        QCOMPARE(list.selectedIds(), QSet<QUuid>{idOf("second.txt")});

        QVERIFY(XTools::xdotool({"key", "Up"}));
        QTRY_COMPARE_WITH_TIMEOUT(list.selectedIds(), QSet<QUuid>{idOf("third.txt")}, timeoutMs);
    }

    void closingTheChooserGivesTheKeyboardBack_data()
    {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<int>("added");
        QTest::newRow("cancelled") << QStringList{"key", "Escape"} << 0;
        QTest::newRow("a file chosen") << QStringList{"type", "fourth.txt"} << 1;
    }

    // Space on "Add files…", then the chooser closed from the keyboard: the keyboard is on "Add files…" again.
    void closingTheChooserGivesTheKeyboardBack()
    {
        QFETCH(QStringList, keys);
        QFETCH(int, added);
        QVERIFY(TestFiles::write(m_folder.file("fourth.txt"), "4"));
        NotchPanel& panel = *m_real->panel;
        panel.takeFocus();
        FileShelfView* page = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((page = panel.findChild<FileShelfView*>()) && page->isVisible(), timeoutMs);
        PillButton* add = nullptr;
        for (PillButton* button : page->findChildren<PillButton*>())
            add = button->text() == QStringLiteral("Add files…") ? button : add;
        QVERIFY(add);
        add->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE_WITH_TIMEOUT(XTools::focusedWindow(), quint32(panel.winId()), timeoutMs);
        const qsizetype before = m_shelf->items().size();

        QVERIFY(XTools::xdotool({"key", "space"}));
        FileChooserDialog* chooser = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((chooser = panel.findChild<FileChooserDialog*>()) && chooser->isVisible()
                                     && XTools::focusedWindow() == quint32(chooser->winId()),
                                 timeoutMs);
        chooser->setDirectory(m_folder.path());
        QVERIFY(XTools::xdotool(keys));
        if (keys.first() == "type")
            QVERIFY(XTools::xdotool({"key", "Return"}));
        QTRY_COMPARE_WITH_TIMEOUT(XTools::focusedWindow(), quint32(panel.winId()), timeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(add->hasFocus(), timeoutMs);
        QCOMPARE(m_shelf->items().size(), before + added);
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestShelfPreviewKeys)
#include "tst_shelfpreviewkeys.moc"
