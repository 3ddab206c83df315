// A tiny X client for the end-to-end tests on $DISPLAY (status 0 on success): "close <window>"
// sends a window manager's close request (WM_DELETE_WINDOW), "focus <window>" focuses it once
// shown, "unfocus" focuses the root, "shot <window> <file>" writes it as a binary PPM (P6).

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char **argv) {
    Display *display = XOpenDisplay(nullptr);
    if (!display) return std::fprintf(stderr, "host_xhelper: cannot open $DISPLAY\n"), 1;
    std::string command = argc > 1 ? argv[1] : "";
    Window window = argc > 2 ? std::strtoul(argv[2], nullptr, 0) : 0;
    XWindowAttributes attributes;
    bool found = window && XGetWindowAttributes(display, window, &attributes);
    int status = 0;
    if (command == "close" && window) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] =
            static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
    } else if (command == "focus" && found) {
        // A window found by its name may not be shown yet.
        for (int i = 0; i < 100 && attributes.map_state != IsViewable; ++i) {
            usleep(50000);
            XGetWindowAttributes(display, window, &attributes);
        }
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
    } else if (command == "unfocus") {
        XSetInputFocus(display, DefaultRootWindow(display), RevertToParent, CurrentTime);
    } else if (command == "shot" && found && argc > 3) {
        // One read of the whole window, so that a test checks many places of one frame.
        XImage *image = XGetImage(display, window, 0, 0, attributes.width, attributes.height,
                                  AllPlanes, ZPixmap);
        FILE *file = image ? std::fopen(argv[3], "wb") : nullptr;
        status = file ? 0 : 1;
        if (file) std::fprintf(file, "P6\n%d %d\n255\n", image->width, image->height);
        for (int y = 0; file && y < image->height; ++y) {
            for (int x = 0; x < image->width; ++x) {
                unsigned long pixel = XGetPixel(image, x, y);
                unsigned long rgb = (pixel & image->red_mask) >> 16 | (pixel & image->green_mask) |
                                    (pixel & image->blue_mask) << 16;
                std::fwrite(&rgb, 1, 3, file);  // little-endian: red, green, blue
            }
        }
        if (file) std::fclose(file);
        if (image) XDestroyImage(image);
    } else {
        std::fprintf(stderr, "usage: host_xhelper close|focus|shot <window> [file] | unfocus\n");
        status = 2;
    }
    XSync(display, False);
    XCloseDisplay(display);
    return status;
}
