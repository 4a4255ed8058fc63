// A clipboard peer for the integration tests.
//   clipboard-peer --offer MIME=VALUE…   owns CLIPBOARD with every format at once (VALUE "@path": the
//                                        file's bytes) and prints "offered" once it does
//   clipboard-peer --serve|--silent MIME=VALUE…  owns CLIPBOARD on an X connection of its own, prints
//                                        "offered", then "request TARGET" for every request it receives;
//                                        answers TARGETS, and the rest unless silent; a VALUE of
//                                        "<refuse>" refuses its target, "<ignore>" never answers it
//   clipboard-peer --window CLASS MIME=VALUE…  maps a window of that class and prints "shown" and its id;
//                                        at a line on standard input owns CLIPBOARD with it, withdraws it at
//                                        once, and then serves as --serve does
//   clipboard-peer --paste-target        a focused line edit that prints "text:" and its text on every change
// Each runs until it is killed.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>
#include <xcb/xcb.h>

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

xcb_atom_t intern(xcb_connection_t* connection, const QByteArray& name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

QByteArray atomName(xcb_connection_t* connection, xcb_atom_t atom)
{
    xcb_get_atom_name_reply_t* reply =
        xcb_get_atom_name_reply(connection, xcb_get_atom_name(connection, atom), nullptr);
    const QByteArray name =
        reply ? QByteArray(xcb_get_atom_name_name(reply), xcb_get_atom_name_name_length(reply)) : QByteArray();
    std::free(reply);
    return name;
}

// Puts the value in the requestor's property (a refusal puts none) and tells the requestor.
void answer(xcb_connection_t* connection, const xcb_selection_request_event_t& request, xcb_atom_t type, int format,
            const void* value, uint32_t units)
{
    const xcb_atom_t property = request.property == XCB_ATOM_NONE ? request.target : request.property;
    if (value)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property, type, uint8_t(format),
                            units, value);
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = value ? property : xcb_atom_t(XCB_ATOM_NONE);
    xcb_send_event(connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&notify));
    xcb_flush(connection);
}

// A top-level window of the class, shown until the go comes in; false when standard input ends first.
bool showUntilGo(xcb_connection_t* connection, xcb_window_t window, const xcb_screen_t* screen,
                 const QByteArray& windowClass)
{
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 100, 100, 300, 200, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    const QByteArray instanceAndClass = windowClass.toLower() + '\0' + windowClass + '\0';
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        uint32_t(instanceAndClass.size()), instanceAndClass.constData());
    const uint32_t pid = uint32_t(QCoreApplication::applicationPid());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, intern(connection, "_NET_WM_PID"), XCB_ATOM_CARDINAL,
                        32, 1, &pid);
    xcb_map_window(connection, window);
    xcb_flush(connection);
    say("shown " + QByteArray::number(window));
    char line[16];
    return std::fgets(line, sizeof line, stdin) != nullptr;
}

int serve(bool silent, const QStringList& pairs, const QByteArray& windowClass = {})
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection))
        return 2;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    if (windowClass.isEmpty())
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    else if (!showUntilGo(connection, window, screen, windowClass))
        return 2;
    const xcb_atom_t targets = intern(connection, "TARGETS");
    std::map<xcb_atom_t, QByteArray> values;
    for (const QString& pair : pairs) {
        const qsizetype equals = pair.indexOf(u'=');
        if (equals <= 0)
            return 2;
        values[intern(connection, pair.left(equals).toUtf8())] = pair.mid(equals + 1).toUtf8();
    }
    xcb_set_selection_owner(connection, window, intern(connection, "CLIPBOARD"), XCB_CURRENT_TIME);
    // As a password manager that hides once it has copied.
    if (!windowClass.isEmpty())
        xcb_unmap_window(connection, window);
    xcb_flush(connection);
    say("offered");

    while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
        if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
            const auto request = *reinterpret_cast<const xcb_selection_request_event_t*>(event);
            say("request " + atomName(connection, request.target));
            const auto value = values.find(request.target);
            if (request.target == targets) {
                std::vector<xcb_atom_t> offered{targets};
                for (const auto& [atom, bytes] : values)
                    offered.push_back(atom);
                answer(connection, request, XCB_ATOM_ATOM, 32, offered.data(), uint32_t(offered.size()));
            } else if (!silent && !(value != values.end() && value->second == "<ignore>")) {
                const QByteArray* bytes =
                    value != values.end() && value->second != "<refuse>" ? &value->second : nullptr;
                answer(connection, request, request.target, 8, bytes ? bytes->constData() : nullptr,
                       bytes ? uint32_t(bytes->size()) : 0);
            }
        }
        std::free(event);
    }
    return 1;
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
    if ((mode == QLatin1String("--serve") || mode == QLatin1String("--silent")) && !arguments.isEmpty())
        return serve(mode == QLatin1String("--silent"), arguments);
    if (mode == QLatin1String("--window") && arguments.size() > 1)
        return serve(false, arguments.mid(1), arguments.first().toUtf8());
    if (mode == QLatin1String("--paste-target"))
        return pasteTarget();
    std::fputs(
        "usage: clipboard-peer --offer MIME=VALUE… | --serve|--silent MIME=VALUE… | --window CLASS MIME=VALUE… | "
        "--paste-target\n",
        stderr);
    return 2;
}
