// A clipboard peer for the integration tests.
//   clipboard-peer --offer MIME=VALUE…   owns CLIPBOARD with every format at once (VALUE "@path": the
//                                        file's bytes) and prints "offered" once it does
//   clipboard-peer --paste-target        a focused line edit that prints "text:" and its text on every change
// Either runs until it is killed.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QTimer>

#include <cstdio>

namespace {

void say(const QByteArray& line)
{
    std::fputs((line + '\n').constData(), stdout);
    std::fflush(stdout);
}

int offer(const QStringList& pairs)
{
    auto* mime = new QMimeData;
    for (const QString& pair : pairs) {
        const qsizetype equals = pair.indexOf(u'=');
        if (equals <= 0)
            return 2;
        const QString value = pair.mid(equals + 1);
        QByteArray bytes = value.toUtf8();
        if (value.startsWith(u'@')) {
            QFile file(value.mid(1));
            if (!file.open(QIODevice::ReadOnly))
                return 2;
            bytes = file.readAll();
        }
        mime->setData(pair.left(equals), bytes);
    }
    QApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
    say("offered");
    return QApplication::exec();
}

int pasteTarget()
{
    QLineEdit edit;
    edit.setWindowTitle(QStringLiteral("clipboard-peer paste target"));
    edit.resize(320, 40);
    QObject::connect(&edit, &QLineEdit::textChanged, [](const QString& text) { say("text:" + text.toUtf8()); });
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    // Ready once the window manager has given it the keyboard.
    QTimer ready;
    QObject::connect(&ready, &QTimer::timeout, [&] {
        if (edit.hasFocus() && edit.isActiveWindow()) {
            ready.stop();
            say("ready " + QByteArray::number(edit.winId()));
        }
    });
    ready.start(20);
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList arguments = QApplication::arguments().mid(1);
    const QString mode = arguments.isEmpty() ? QString() : arguments.takeFirst();
    if (mode == QLatin1String("--offer") && !arguments.isEmpty())
        return offer(arguments);
    if (mode == QLatin1String("--paste-target"))
        return pasteTarget();
    std::fputs("usage: clipboard-peer --offer MIME=VALUE… | --paste-target\n", stderr);
    return 2;
}
