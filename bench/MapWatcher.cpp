#include "MapWatcher.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <stdexcept>
#include <xcb/xcb.h>

namespace brellow::bench {
namespace {

template <typename Reply> using ReplyPointer = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply> ReplyPointer<Reply> owned(Reply* reply) {
    return ReplyPointer<Reply>(reply, &std::free);
}

} // namespace

MapWatcher::MapWatcher(const std::string& display) {
    int screenNumber = 0;
    connection_ = xcb_connect(display.c_str(), &screenNumber);
    if (xcb_connection_has_error(connection_) != 0) {
        xcb_disconnect(connection_);
        throw std::runtime_error("cannot connect to X display " + display);
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber; ++i) {
        xcb_screen_next(&screens);
    }
    const uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, screens.data->root, XCB_CW_EVENT_MASK, &events);

    const char* name = "_NET_WM_PID";
    const auto atom = owned(xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    if (!atom) {
        xcb_disconnect(connection_);
        throw std::runtime_error("cannot look up _NET_WM_PID on " + display);
    }
    pidAtom_ = atom->atom;
    xcb_flush(connection_);
}

MapWatcher::~MapWatcher() {
    xcb_disconnect(connection_);
}

std::optional<pid_t> MapWatcher::ownerOf(unsigned int window) {
    const auto reply = owned(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, pidAtom_, XCB_ATOM_CARDINAL, 0, 1),
        nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) != 4) {
        return std::nullopt;
    }
    return static_cast<pid_t>(*static_cast<const uint32_t*>(xcb_get_property_value(reply.get())));
}

std::optional<MapWatcher::Clock::time_point>
MapWatcher::waitForWindowOf(pid_t pid, Clock::time_point deadline) {
    for (;;) {
        while (const auto event = owned(xcb_poll_for_event(connection_))) {
            if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY) {
                continue;
            }
            const auto arrived = Clock::now();
            const auto* mapped = reinterpret_cast<const xcb_map_notify_event_t*>(event.get());
            if (!mapped->override_redirect && ownerOf(mapped->window) == pid) {
                return arrived;
            }
        }
        if (xcb_connection_has_error(connection_) != 0) {
            return std::nullopt;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return std::nullopt;
        }
        pollfd readable{xcb_get_file_descriptor(connection_), POLLIN, 0};
        poll(&readable, 1, static_cast<int>(left.count()));
    }
}

} // namespace brellow::bench
