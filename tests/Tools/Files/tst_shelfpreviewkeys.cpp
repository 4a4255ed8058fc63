#include "Wisplet/Base/FileChooserDialog.h"
#include "Wisplet/Base/PillButton.h"
#include "Wisplet/Tools/Files/FileShelf.h"
#include "Wisplet/Tools/Files/FileShelfView.h"
#include "Wisplet/Tools/Files/ImageConvertView.h"
#include "Wisplet/Tools/Files/ShelfFileList.h"
#include "Wisplet/Tools/Files/ShelfPreviewWindow.h"
#include "tests/support/Files.h"
#include "tests/support/FocusMarks.h"
#include "tests/support/Images.h"
#include "tests/support/RealPanel.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/WidgetsTestMain.h"
#include "tests/support/XTools.h"

#include <QFileDialog>
#include <QPushButton>

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

    PillButton* button(const FileShelfView& page, const QString& text) const
    {
        for (PillButton* button : page.findChildren<PillButton*>()) {
            if (button->text() == text)
                return button;
        }
        return nullptr;
    }

    // An image on the shelf, chosen, and Space pressed on "Convert image…" with the keyboard in the panel.
    void openTheSheetFromTheKeyboard(PillButton*& convert, QPointer<ImageConvertView>& sheet)
    {
        if (idOf("photo.png").isNull()) {
            QVERIFY(TestFiles::write(m_folder.file("photo.png"), TestImages::marked({120, 80}, "PNG")));
            m_shelf->add({QUrl::fromLocalFile(m_folder.file("photo.png"))});
        }
        NotchPanel& panel = *m_real->panel;
        panel.takeFocus();
        FileShelfView* page = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((page = panel.findChild<FileShelfView*>()) && page->isVisible(), timeoutMs);
        page->list().chooseRow(idOf("photo.png"));
        convert = button(*page, QStringLiteral("Convert image…"));
        QVERIFY(convert && convert->isVisible());
        convert->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE_WITH_TIMEOUT(XTools::focusedWindow(), quint32(panel.winId()), timeoutMs);

        QVERIFY(XTools::xdotool({"key", "space"}));
        QTRY_VERIFY_WITH_TIMEOUT((sheet = page->converter()) && sheet->isVisible()
                                     && XTools::focusedWindow() == quint32(sheet->winId()),
                                 timeoutMs);
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
        PillButton* add = button(*page, QStringLiteral("Add files…"));
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

    void closingTheExportSheetGivesTheKeyboardBack_data()
    {
        QTest::addColumn<QString>("pressed");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("inSaveDialog");
        // The copy the save dialog proposes, which Return accepts.
        QTest::addColumn<QString>("copy");
        QTest::addColumn<QString>("keyAfter");
        const QString none;
        const auto text = [](const char* utf8) { return QString::fromUtf8(utf8); };
        QTest::newRow("Escape") << none << text("Escape") << none << none << none;
        QTest::newRow("Cancel") << text("Cancel") << text("space") << none << none << none;
        QTest::newRow("window closed") << none << text("alt+F4") << none << none << none;
        QTest::newRow("a copy exported") << text("Save copy…") << text("space") << text("Return")
                                         << text("photo-converted.jpeg") << none;
        QTest::newRow("saving cancelled, then the sheet")
            << text("Save copy…") << text("space") << text("Escape") << none << text("Escape");
    }

    // Space on "Convert image…", then the sheet closed from the keyboard (a button of the sheet pressed with
    // a key, or a key alone, and what the save dialog it opens is answered with): the keyboard is on
    // "Convert image…" again.
    void closingTheExportSheetGivesTheKeyboardBack()
    {
        QFETCH(QString, pressed);
        QFETCH(QString, key);
        QFETCH(QString, inSaveDialog);
        QFETCH(QString, copy);
        QFETCH(QString, keyAfter);
        PillButton* convert = nullptr;
        QPointer<ImageConvertView> sheet;
        openTheSheetFromTheKeyboard(convert, sheet);
        if (QTest::currentTestFailed())
            return;
        if (!pressed.isEmpty()) {
            QPushButton* target = nullptr;
            for (QPushButton* each : sheet->findChildren<QPushButton*>())
                target = each->text() == pressed ? each : target;
            QVERIFY(target);
            target->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY_WITH_TIMEOUT(target->hasFocus(), timeoutMs);
        }
        QVERIFY(XTools::xdotool({"key", key}));
        if (!inSaveDialog.isEmpty()) {
            QFileDialog* save = nullptr;
            QTRY_VERIFY_WITH_TIMEOUT((save = sheet->findChild<QFileDialog*>()) && save->isVisible()
                                         && XTools::focusedWindow() == quint32(save->winId()),
                                     timeoutMs);
            QVERIFY(XTools::xdotool({"key", inSaveDialog}));
        }
        if (!copy.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(m_folder.file(copy)), timeoutMs);
        if (!keyAfter.isEmpty()) {
            // The sheet has the keyboard again once the save dialog is gone, so the key reaches it.
            QTRY_VERIFY_WITH_TIMEOUT(!sheet->findChild<QFileDialog*>(), timeoutMs);
            QVERIFY(XTools::xdotool({"key", keyAfter}));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!sheet, timeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(XTools::focusedWindow(), quint32(m_real->panel->winId()), timeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(convert->hasFocus(), timeoutMs);
    }

    // A file shown by its name alone: the window keeps the keyboard as it opens (so Space would close it), Tab
    // rings Open, and the arrows still page from there.
    void openIsOnTheTabPath()
    {
        QVERIFY(TestFiles::write(m_folder.file("data.bin"), QByteArray(16, '\0')));
        m_shelf->add({QUrl::fromLocalFile(m_folder.file("data.bin"))});
        NotchPanel& panel = *m_real->panel;
        panel.takeFocus();
        FileShelfView* page = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((page = panel.findChild<FileShelfView*>()) && page->isVisible(), timeoutMs);
        page->list().chooseRow(idOf("data.bin"));
        QTRY_VERIFY_WITH_TIMEOUT(page->list().hasFocus() && XTools::focusedWindow() == quint32(panel.winId()),
                                 timeoutMs);
        QVERIFY(XTools::xdotool({"key", "space"}));
        QPointer<ShelfPreviewWindow> preview;
        QTRY_VERIFY_WITH_TIMEOUT((preview = page->preview()) && preview->isActiveWindow(), timeoutMs);
        QCOMPARE(QApplication::focusWidget(), preview.data());
        auto* open = preview->findChild<QPushButton*>();
        const QImage before = open->grab().toImage();

        QVERIFY(XTools::xdotool({"key", "Tab"}));
        QTRY_VERIFY_WITH_TIMEOUT(open->hasFocus(), timeoutMs);
        QVERIFY(FocusMarks::changedPixels(before, open->grab().toImage()) >= open->width() + open->height());
        QVERIFY(XTools::xdotool({"key", "Down"}));
        QTRY_VERIFY_WITH_TIMEOUT(preview->currentPath() != m_folder.file("data.bin"), timeoutMs);
        QVERIFY(XTools::xdotool({"key", "Escape"}));
        QTRY_VERIFY_WITH_TIMEOUT(!preview, timeoutMs);
    }

    // The save dialog closed from the keyboard, then another window taken before the copy is written: the
    // sheet closing then leaves the keyboard there.
    void anExportEndingElsewhereLeavesTheKeyboardThere()
    {
        PillButton* convert = nullptr;
        QPointer<ImageConvertView> sheet;
        openTheSheetFromTheKeyboard(convert, sheet);
        if (QTest::currentTestFailed())
            return;
        sheet->chooseDestination();
        QFileDialog* save = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(
            (save = sheet->findChild<QFileDialog*>()) && XTools::focusedWindow() == quint32(save->winId()), timeoutMs);
        QVERIFY(XTools::xdotool({"key", "Escape"}));
        QTRY_COMPARE_WITH_TIMEOUT(XTools::focusedWindow(), quint32(sheet->winId()), timeoutMs);

        QWidget elsewhere;
        elsewhere.resize(200, 100);
        elsewhere.show();
        QTRY_VERIFY_WITH_TIMEOUT(elsewhere.windowHandle()->isExposed(), timeoutMs);
        QVERIFY(XTools::xdotool({"windowactivate", "--sync", QString::number(elsewhere.winId())}));
        QTRY_COMPARE_WITH_TIMEOUT(XTools::focusedWindow(), quint32(elsewhere.winId()), timeoutMs);
        sheet->exportTo(m_folder.file("elsewhere.jpeg"));
        QTRY_VERIFY_WITH_TIMEOUT(!sheet, timeoutMs);
        QTest::qWait(500);
        QCOMPARE(XTools::focusedWindow(), quint32(elsewhere.winId()));
    }
};

WISPLET_WIDGETS_TEST_MAIN(TestShelfPreviewKeys)
#include "tst_shelfpreviewkeys.moc"
