// Start-up timing of a windowed program, from outside, on the current X display.
#pragma once

#include <string>

// Milliseconds from launch; -1 when it did not happen within 10 s.
struct StartUp {
    double mapped = -1, firstFrame = -1, menu = -1;
};

// Launches `program` in a scratch directory and polls the display until its window (found by
// `title`) shows a frame (a probe pixel at the centre or on the logo is not black) and, with
// `menu`, a menu frame (the top-left backdrop turns from the loader's black to the menu's blue).
// The window is resized to w x h as soon as it is mapped. The program is stopped with SIGTERM
// afterwards.
StartUp Launch(const std::string &program, const char *title, int w, int h, bool menu);
