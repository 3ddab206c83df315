// Start-up timing from outside (Xlib), kept apart from the game's headers: Xlib's macros and
// its Screen type clash with the game's names.

#include "benchmarks/game/startup_probe.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

// The viewable top-level window with this title, or 0.
Window FindWindow(Display *display, const char *title) {
    Window root = DefaultRootWindow(display), parent, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(display, root, &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char *name = nullptr;
        if (XFetchName(display, children[i], &name) && name) {
            XWindowAttributes attributes;
            if (std::string(name) == title &&
                XGetWindowAttributes(display, children[i], &attributes) &&
                attributes.map_state == IsViewable) {
                found = children[i];
            }
            XFree(name);
        }
    }
    if (children) XFree(children);
    return found;
}

// The pixel's red, green and blue (0 when it cannot be read).
unsigned long Pixel(Display *display, Window window, int x, int y) {
    XImage *image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0;
    unsigned long pixel = XGetPixel(image, 0, 0) & 0xffffff;
    XDestroyImage(image);
    return pixel;
}

}  // namespace

StartUp Launch(const std::string &program, const char *title, int w, int h, bool menu) {
    StartUp out;
    Display *display = XOpenDisplay(nullptr);
    if (!display) return out;
    char scratch[] = "/tmp/cobble_startup_XXXXXX";
    if (!mkdtemp(scratch)) return out;
    Clock::time_point start = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(scratch) != 0) _exit(127);
        std::freopen("/dev/null", "w", stdout);
        setenv("ALSOFT_DRIVERS", "null", 1);
        execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    Window window = 0;
    while (Ms(start) < 10000) {
        if (!window) {
            window = FindWindow(display, title);
            if (window) {
                out.mapped = Ms(start);
                if (w != 640 || h != 480) XResizeWindow(display, window, w, h);
                XSync(display, False);
            }
        }
        if (window) {
            XWindowAttributes a;
            XGetWindowAttributes(display, window, &a);
            if (out.firstFrame < 0) {
                const int probes[][2] = {{a.width / 2, a.height / 2},
                                         {a.width / 2, static_cast<int>(a.height * 0.48f)}};
                for (auto &p : probes) {
                    if (Pixel(display, window, p[0], p[1]) != 0) {
                        out.firstFrame = Ms(start);
                        break;
                    }
                }
            }
            if (menu && out.firstFrame >= 0 && (Pixel(display, window, 2, 2) & 0xff) != 0) {
                out.menu = Ms(start);
            }
            if (out.firstFrame >= 0 && (!menu || out.menu >= 0)) break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    XCloseDisplay(display);
    std::string clean = std::string("rm -rf ") + scratch;
    if (std::system(clean.c_str()) != 0) out.firstFrame = -1;
    return out;
}
