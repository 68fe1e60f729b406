// Starts a program and reports how long the X server took to map its first
// top-level window, timed from the MapNotify event rather than by polling,
// then the program's resident memory after it has sat idle.
//
//   window-map-timer IDLE_SECONDS PROGRAM [ARG...]
//
// Prints "<ms from start to window mapped> <resident KiB after idle>". The
// program's own output goes to /dev/null. tools/measure-startup.sh runs it.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;

template <typename T>
using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t atomNamed(xcb_connection_t* x, const char* name) {
    XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, std::strlen(name), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The process id a window declares in _NET_WM_PID, or 0.
pid_t windowPid(xcb_connection_t* x, xcb_window_t window, xcb_atom_t pidAtom) {
    XcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(x, xcb_get_property(x, 0, window, pidAtom, XCB_ATOM_CARDINAL, 0, 1),
                               nullptr),
        &std::free);
    if (!reply || xcb_get_property_value_length(reply.get()) != 4) return 0;
    return static_cast<pid_t>(*static_cast<uint32_t*>(xcb_get_property_value(reply.get())));
}

long residentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

int fail(const char* what) {
    std::fprintf(stderr, "window-map-timer: %s\n", what);
    return 1;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: window-map-timer IDLE_SECONDS PROGRAM [ARG...]\n");
        return 2;
    }
    const auto idle = std::chrono::duration<double>(std::atof(argv[1]));

    int screenNumber = 0;
    xcb_connection_t* x = xcb_connect(nullptr, &screenNumber);
    if (const int error = xcb_connection_has_error(x)) {
        std::fprintf(stderr, "window-map-timer: cannot open the X display %s (xcb error %d)\n",
                     std::getenv("DISPLAY"), error);
        return 1;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(x));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;

    // Top-level windows are created as children of the root, which reports
    // their creation and, with no window manager, their mapping.
    const uint32_t rootEvents = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &rootEvents);
    // The reply also proves the root's events are selected before the start.
    const xcb_atom_t pidAtom = atomNamed(x, "_NET_WM_PID");

    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&quiet, 1, 2);
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[2], &quiet, nullptr, argv + 2, environ) != 0) {
        return fail("cannot start the program");
    }

    Clock::time_point mapped{};
    while (mapped == Clock::time_point{}) {
        xcb_generic_event_t* event = xcb_poll_for_event(x);
        if (!event) {
            if (xcb_connection_has_error(x)) return fail("lost the X display");
            if (waitpid(pid, nullptr, WNOHANG) == pid) {
                return fail("the program ended before mapping a window");
            }
            pollfd fd{xcb_get_file_descriptor(x), POLLIN, 0};
            poll(&fd, 1, 100);
            continue;
        }
        const auto now = Clock::now();
        switch (event->response_type & ~0x80) {
            case XCB_CREATE_NOTIFY: {
                // A window manager maps the window inside its frame, where the
                // root does not see it: the window itself reports its mapping.
                const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
                const uint32_t windowEvents = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
                xcb_change_window_attributes(x, created->window, XCB_CW_EVENT_MASK, &windowEvents);
                xcb_flush(x);
                break;
            }
            case XCB_MAP_NOTIFY: {
                const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
                if (!map->override_redirect && windowPid(x, map->window, pidAtom) == pid)
                    mapped = now;
                break;
            }
            default:
                break;
        }
        std::free(event);
    }

    std::this_thread::sleep_for(idle);
    const long resident = residentKiB(pid);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    xcb_disconnect(x);
    std::printf("%.1f %ld\n", std::chrono::duration<double, std::milli>(mapped - start).count(),
                resident);
    return 0;
}
