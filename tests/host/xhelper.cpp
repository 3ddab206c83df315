// A tiny X client for the end-to-end tests, on the display in $DISPLAY:
//   host_xhelper close <window>   asks the window to close, as a window manager's close button
//                                 does (WM_PROTOCOLS / WM_DELETE_WINDOW client message)
//   host_xhelper focus <window>   gives the window the input focus
//   host_xhelper unfocus          moves the input focus to the root window
//   host_xhelper shot <window> <file>     writes the whole window as a binary PPM (P6) image
// Window ids are decimal or 0x-hexadecimal. Exit status 0 on success.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: host_xhelper close|focus|shot <window> [file] | unfocus\n");
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "host_xhelper: cannot open the display in $DISPLAY\n");
        return 1;
    }
    Window window = argc > 2 ? std::strtoul(argv[2], nullptr, 0) : 0;
    if (std::strcmp(argv[1], "close") == 0 && window) {
        XEvent event;
        std::memset(&event, 0, sizeof event);
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] =
            static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
    } else if (std::strcmp(argv[1], "focus") == 0 && window) {
        // Focus needs a mapped window; a window found by its name may not be shown yet.
        XWindowAttributes attributes;
        for (int i = 0; i < 100; ++i) {
            if (XGetWindowAttributes(display, window, &attributes) &&
                attributes.map_state == IsViewable) {
                break;
            }
            usleep(50000);
        }
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
    } else if (std::strcmp(argv[1], "shot") == 0 && window && argc > 3) {
        // One read of the whole window, so that a test can check many places of one frame.
        XWindowAttributes attributes;
        XImage *image = XGetWindowAttributes(display, window, &attributes)
                            ? XGetImage(display, window, 0, 0, attributes.width, attributes.height,
                                        AllPlanes, ZPixmap)
                            : nullptr;
        FILE *file = image ? std::fopen(argv[3], "wb") : nullptr;
        if (!file) {
            if (image) XDestroyImage(image);
            XCloseDisplay(display);
            return 1;
        }
        std::fprintf(file, "P6\n%d %d\n255\n", image->width, image->height);
        for (int y = 0; y < image->height; ++y) {
            for (int x = 0; x < image->width; ++x) {
                unsigned long pixel = XGetPixel(image, x, y);
                unsigned char rgb[3] = {
                    static_cast<unsigned char>((pixel & image->red_mask) >> 16),
                    static_cast<unsigned char>((pixel & image->green_mask) >> 8),
                    static_cast<unsigned char>(pixel & image->blue_mask)};
                std::fwrite(rgb, 1, 3, file);
            }
        }
        std::fclose(file);
        XDestroyImage(image);
    } else if (std::strcmp(argv[1], "unfocus") == 0) {
        XSetInputFocus(display, DefaultRootWindow(display), RevertToParent, CurrentTime);
    } else {
        std::fprintf(stderr, "host_xhelper: unknown command or missing window\n");
        XCloseDisplay(display);
        return 2;
    }
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
