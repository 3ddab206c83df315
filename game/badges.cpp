// Badges: the catalogue, and the notices that slide in from the left edge over every screen.
//
// No rule of the game awards a badge. Awarding one needs only its flag in Badges and its number
// in a free notice slot: BadgeShowID[i] := n, BadgeShowTime[i] := 1.

#include "game/myapp.h"

namespace {

constexpr int kDrawnSlots = 13;  // slots 13 and 14 are never drawn
constexpr int kLife = 240;       // frames a notice lives
constexpr int kWidth = 160, kHeight = 32, kRowStep = 34;
constexpr int kSlideSpeed = 16;  // pixels per frame
constexpr int kIconBadges = 64;  // the badge sheet holds icons for badges 0..63

}  // namespace

String c_MyApp::p_BadgeID(int n) {
    if (n == 0) return String("Test Badge|This is a Test Badge which has no purpose.");
    return String("Odd Badge|This badge hasn't been defined!");
}

String c_MyApp::p_BadgeName(int n) {
    return p_BadgeID(n).Split(String("|"))[0];
}

String c_MyApp::p_BadgeDetail(int n) {
    return p_BadgeID(n).Split(String("|"))[1];
}

int c_MyApp::p_ShowBadges() {
    BadgeShowWidth = kWidth;
    p_ResetDraw();
    for (int i = 0; i < kDrawnSlots; ++i) {
        int &t = BadgeShowTime[i];
        if (t <= 0) continue;
        ++t;
        // In at 16 pixels a frame, out again over the last ten frames.
        int x = t > kLife - kWidth / kSlideSpeed ? (kLife - t) * kSlideSpeed - kWidth
                                                 : kSlideSpeed * t - kWidth;
        if (x > 0) x = 0;
        int id = BadgeShowID[i];
        if (t > kLife) t = 0;  // drawn once more on the way out, then free

        float fx = static_cast<float>(x);
        float y = kt_Cobble_jscrh - static_cast<float>((i + 1) * kRowStep);
        p_SetCol(0, 0, 80, 0.8f);
        p_Rect(fx, y, kWidth, kHeight);
        p_SetCol(255, 255, 255, 1);
        p_Text(fx + 16, y + 4, p_BadgeName(id), 0, 0, 0);
        if (id >= 0 && id < kIconBadges) {
            p_SetSize(0.5f, 0.5f);
            p_DrawImg(Img::Badges, fx + 144, y + 16, static_cast<float>(id));
            p_SetSize(1, 1);
        }
    }
    return 0;
}

int c_MyApp::p_GC_Badges() {
    return 0;
}
