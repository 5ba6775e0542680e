#include "bench/WindowPinger.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace bench {

namespace {

// A property of `window` as 32-bit values; empty when it has none.
std::vector<unsigned> Property32(xcb_connection_t* c, unsigned window, unsigned property,
                                 unsigned type) {
    std::vector<unsigned> values;
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 4096), nullptr);
    if (reply == nullptr)
        return values;
    if (reply->format == 32) {
        const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        values.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return values;
}

} // namespace

CWindowPinger::~CWindowPinger() {
    if (m_connection != nullptr)
        xcb_disconnect(m_connection);
}

bool CWindowPinger::Connect(const std::string& display, std::string& error) {
    int screenNumber = 0;
    m_connection = xcb_connect(display.c_str(), &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        error = "cannot connect to the X display " + display;
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return false;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && it.rem > 0; ++i)
        xcb_screen_next(&it);
    m_root = it.data->root;
    m_clientList = Atom("_NET_CLIENT_LIST");
    m_pid = Atom("_NET_WM_PID");
    m_protocols = Atom("WM_PROTOCOLS");
    m_ping = Atom("_NET_WM_PING");
    m_name = Atom("_NET_WM_NAME");
    m_utf8 = Atom("UTF8_STRING");
    m_check = Atom("_NET_SUPPORTING_WM_CHECK");
    // The client list changes on the root, and a window's answer to a ping
    // is sent to the root for those listening to its structure (Qt's) or to
    // its children's (what the window-manager conventions name).
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY |
                          XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
    return true;
}

unsigned CWindowPinger::Atom(const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        m_connection,
        xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const unsigned atom = reply != nullptr ? reply->atom : 0;
    std::free(reply);
    return atom;
}

bool CWindowPinger::WaitForWindowManager(std::chrono::milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    while (Property32(m_connection, m_root, m_check, XCB_ATOM_WINDOW).empty()) {
        if (Clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

unsigned CWindowPinger::FindWindowOf(pid_t pid) {
    for (const unsigned window : Property32(m_connection, m_root, m_clientList, XCB_ATOM_WINDOW)) {
        const std::vector<unsigned> owner =
            Property32(m_connection, window, m_pid, XCB_ATOM_CARDINAL);
        if (!owner.empty() && owner[0] == static_cast<unsigned>(pid))
            return window;
    }
    return 0;
}

std::string CWindowPinger::TitleOf(unsigned window) {
    std::string title;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, m_name, m_utf8, 0, 256), nullptr);
    if (reply != nullptr) {
        title.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                     static_cast<std::size_t>(xcb_get_property_value_length(reply)));
        std::free(reply);
    }
    return title;
}

bool CWindowPinger::NextEvent(Clock::time_point deadline, void** event) {
    for (;;) {
        if (xcb_generic_event_t* e = xcb_poll_for_event(m_connection)) {
            *event = e;
            return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || xcb_connection_has_error(m_connection))
            return false;
        pollfd fd{xcb_get_file_descriptor(m_connection), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left.count()) + 1);
    }
}

bool CWindowPinger::WaitUsable(pid_t pid, int pings, Clock::time_point deadline, Usable& usable,
                               std::string& error) {
    // The list is read once before waiting, so a window managed before the
    // first event is not missed; each change of it is read again.
    unsigned window = FindWindowOf(pid);
    while (window == 0) {
        void* e = nullptr;
        if (!NextEvent(deadline, &e)) {
            error = "no window of process " + std::to_string(pid) + " was managed in time";
            return false;
        }
        const auto* event = static_cast<xcb_generic_event_t*>(e);
        const bool listChanged =
            (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
            reinterpret_cast<const xcb_property_notify_event_t*>(event)->atom == m_clientList;
        std::free(e);
        if (listChanged)
            window = FindWindowOf(pid);
    }
    usable.managed = Clock::now();
    usable.title = TitleOf(window);
    for (int i = 0; i < pings; ++i) {
        const unsigned serial = ++m_serial;
        xcb_client_message_event_t ping{};
        ping.response_type = XCB_CLIENT_MESSAGE;
        ping.format = 32;
        ping.window = window;
        ping.type = m_protocols;
        ping.data.data32[0] = m_ping;
        ping.data.data32[1] = serial; // the time stamp; echoed back unchanged
        ping.data.data32[2] = window;
        xcb_send_event(m_connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&ping));
        xcb_flush(m_connection);
        for (bool answered = false; !answered;) {
            void* e = nullptr;
            if (!NextEvent(deadline, &e)) {
                error = "the window did not answer ping " + std::to_string(i + 1) + " in time";
                return false;
            }
            const auto* event = static_cast<xcb_generic_event_t*>(e);
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(event);
                answered = m->type == m_protocols && m->data.data32[0] == m_ping &&
                           m->data.data32[1] == serial && m->data.data32[2] == window;
            }
            std::free(e);
        }
    }
    usable.answered = Clock::now();
    return true;
}

} // namespace bench
