#include "app/window_activation.h"

#include <QGuiApplication>
#include <QWidget>

#if defined(PELLMARK_HAVE_XCB)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#endif

namespace {

// Qt's X11 client takes DESKTOP_STARTUP_ID out of the environment when it connects, so the
// token is read before main() runs.
QByteArray ReadStartupToken() {
    QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    if (token.isEmpty()) {
        token = qgetenv("DESKTOP_STARTUP_ID");
    }
    return token;
}
const QByteArray startupToken = ReadStartupToken();

#if defined(PELLMARK_HAVE_XCB)

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// The time stamp of a startup id "..._TIME<number>", or the current time.
std::uint32_t TokenTime(const QByteArray& token) {
    const qsizetype at = token.lastIndexOf("_TIME");
    if (at >= 0) {
        bool ok = false;
        const std::uint32_t time = token.mid(at + 5).toUInt(&ok);
        if (ok) {
            return time;
        }
    }
    return XCB_CURRENT_TIME;
}

void SendToRoot(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window,
                xcb_atom_t type, std::uint8_t format, const void* data, std::size_t size,
                std::uint32_t mask) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = format;
    event.window = window;
    event.type = type;
    std::memcpy(event.data.data8, data, std::min<std::size_t>(size, 20));
    xcb_send_event(connection, 0, root, mask, reinterpret_cast<const char*>(&event));
}

void ActivateOnX11(QWidget* window, const QByteArray& token) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) {
        return;
    }
    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen) {
        return;
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, Atom(connection, "_NET_STARTUP_ID"),
                        Atom(connection, "UTF8_STRING"), 8,
                        static_cast<std::uint32_t>(token.size()), token.constData());

    // _NET_ACTIVE_WINDOW from an application, with the user's time of the other start.
    const std::uint32_t active[5] = {1, TokenTime(token), 0, 0, 0};
    SendToRoot(connection, screen->root, id, Atom(connection, "_NET_ACTIVE_WINDOW"), 32, active,
               sizeof active,
               XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT);

    // The other start never shows a window; its startup sequence ends here.
    QByteArray text = "remove: ID=\"";
    for (char c : token) {
        if (c == '"' || c == '\\' || c == ' ') {
            text += '\\';
        }
        text += c;
    }
    text += "\"";
    text += '\0';
    const xcb_atom_t begin = Atom(connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = Atom(connection, "_NET_STARTUP_INFO");
    for (qsizetype at = 0; at < text.size(); at += 20) {
        char chunk[20] = {};
        std::memcpy(chunk, text.constData() + at, std::min<qsizetype>(20, text.size() - at));
        SendToRoot(connection, screen->root, id, at == 0 ? begin : more, 8, chunk, sizeof chunk,
                   XCB_EVENT_MASK_PROPERTY_CHANGE);
    }
    xcb_flush(connection);
}

#endif

}  // namespace

QByteArray StartupActivationToken() {
    return startupToken;
}

void ActivateWindow(QWidget* window, const QByteArray& activationToken) {
    if (!window) {
        return;
    }
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (wayland && !activationToken.isEmpty()) {
        // Recent Qt Wayland clients pass a token found here on to the compositor when they
        // ask to activate a window; older ones ignore it.
        qputenv("XDG_ACTIVATION_TOKEN", activationToken);
    }
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
#if defined(PELLMARK_HAVE_XCB)
    if (!activationToken.isEmpty() && QGuiApplication::platformName() == QLatin1String("xcb")) {
        ActivateOnX11(window, activationToken);
    }
#endif
}
