#include "Wisplet/Platform/XdgAutostart.h"
#include "Wisplet/Tools/Files/ConvertImage.h"
#include "Wisplet/Tools/Links/LinksStore.h"
#include "Wisplet/Tools/Notes/NoteRules.h"
#include "tests/support/Files.h"
#include "tests/support/TestMain.h"

#include <QDirIterator>
#include <QImage>

#include <functional>
#include <sys/stat.h>

namespace {

// Makes something of the program's in an empty folder (whose own mode is not the program's).
using Maker = std::function<bool(const TempFolder&)>;

} // namespace

Q_DECLARE_METATYPE(Maker)

// Under a umask that takes nothing away, nothing the program creates can be written by anyone but the user.
class TestFileModes final : public QObject
{
    Q_OBJECT

private:
    mode_t m_umask = 0;

private slots:
    void init() { m_umask = ::umask(0); }
    void cleanup() { ::umask(m_umask); }

    void nothingIsWritableByOthers_data()
    {
        QTest::addColumn<Maker>("make");
        QTest::newRow("autostart folder and entry") << Maker([](const TempFolder& home) {
            return !XdgAutostart(home.file("config/autostart/com.tidewell.wisplet.desktop"), "/usr/bin/wisplet")
                        .setEnabled(true);
        });
        QTest::newRow("a store file and its folder") << Maker([](const TempFolder& home) {
            LinksStore links(home.file("local/share/Wisplet"));
            links.addLink("Example", "https://example.com");
            return QFileInfo::exists(home.file("local/share/Wisplet/links.json"));
        });
        QTest::newRow("a converted image") << Maker([](const TempFolder& home) {
            QImage picture(4, 4, QImage::Format_RGB32);
            picture.fill(Qt::blue);
            return picture.save(home.file("picture.png")) && ::chmod(qPrintable(home.file("picture.png")), 0600) == 0
                && convertImage(home.file("picture.png"), home.file("copy.jpeg"), ImageCopyFormat::jpeg, 0, 0.8)
                       .isEmpty();
        });
        QTest::newRow("an exported note") << Maker(
            [](const TempFolder& home) { return NoteRules::writeText(home.file("note.txt"), "text").isEmpty(); });
    }

    void nothingIsWritableByOthers()
    {
        QFETCH(Maker, make);
        const TempFolder home;
        QVERIFY(make(home));
        QDirIterator made(home.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                          QDirIterator::Subdirectories);
        int seen = 0;
        while (made.hasNext()) {
            const QString path = made.next();
            ++seen;
            QVERIFY2((TestFiles::mode(path) & 022) == 0,
                     qPrintable(QStringLiteral("%1 is %2").arg(path).arg(TestFiles::mode(path), 4, 8, QChar(u'0'))));
        }
        QVERIFY(seen > 0);
    }
};

WISPLET_TEST_MAIN(TestFileModes)
#include "tst_filemodes.moc"
