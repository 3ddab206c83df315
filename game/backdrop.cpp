// The backdrop: every screen that draws a full scene starts its frame here. The clear colour
// eases an eighth of the way towards the screen's colour each frame, so moving between screens
// fades the background instead of switching it.

#include "game/myapp.h"

int c_MyApp::p_DoBG(int red, int green, int blue, float alpha) {
    if (red > kKeepValue) BgTargetRed = static_cast<float>(red);
    if (green > kKeepValue) BgTargetGreen = static_cast<float>(green);
    if (blue > kKeepValue) BgTargetBlue = static_cast<float>(blue);
    BgRed = BgRed - (BgRed - BgTargetRed) * 0.125f;
    BgGreen = BgGreen - (BgGreen - BgTargetGreen) * 0.125f;
    BgBlue = BgBlue - (BgBlue - BgTargetBlue) * 0.125f;
    if (alpha == kKeepValue) {
        alpha = 1;
    } else if (alpha < 0) {
        alpha = 0;
    } else if (alpha > 1) {
        alpha = 1;
    }
    // The view, the clear colour, the drawing state and an empty list, as any frame starts.
    p_CLS2D(BgRed, BgGreen, BgBlue, alpha);
    return 0;
}
