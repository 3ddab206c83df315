// The main menu: the game-type wheel with the options gear at its hub, the side panel with the
// highscore lists and its play button, and the credits page the panel widens into.
//
// Input contract: a press acts only while PressLock and KeyLatch are both 0, and every press
// that acts sets both to 1, so one press acts once. Dragging the wheel sets both to -1: presses
// stay off for the rest of the drag while the drag itself goes on (it only needs PressLock < 1).
//
// Sections: the menu and credit texts; helpers (selection, touches, Activate, Gear); the
// panel's lists and the wheel (HighscoreLists, WheelRows, WheelKeys); Credits; the parts of
// p_Menu (BackRequest, SidePanel, EaseWheel, Hub); then the texts' set-up, the panel slide
// step and p_Menu.

#include <cmath>
#include <iterator>

#include "game/myapp.h"

#include "framework/input.h"

Array<String> kt_Cobble_MenuSet, kt_Cobble_CreditText;

namespace {

const gc_roots roots([] {
    gc_mark(kt_Cobble_MenuSet);
    gc_mark(kt_Cobble_CreditText);
});

// Name and description of each game type; the descriptions break their line at "\n".
const char *const kMenuSet[] = {
    "Easy", "Five Lives\\nMake 'em count!",          "Normal", "Three Lives\\nTry and Try again.",
    "Hard", "Only One Life!\\nDeath is inevitable!",
};

const char *const kCredits[] = {
    "",
    "",
    "A Game by",
    "",
    "The Cobble Vale team",
    "",
    "-=-=-",
    "",
    "Graphics",
    "",
    "Most graphics by",
    "The Cobble Vale team",
    "",
    "Drawn with cairo",
    "Fonts: DejaVu and Comfortaa",
    "",
    "-=-=-",
    "",
    "Audio",
    "",
    "Sound and Music by",
    "The Cobble Vale team",
    "",
    "Mixed with libsndfile",
    "Decoded by stb_vorbis",
    "Played by OpenAL Soft",
    "",
    "-=-=-",
    "",
    "Thanks to",
    "",
    "GLFW",
    "OpenGL (Mesa)",
    "OpenAL Soft",
    "stb_image and stb_vorbis",
    "cairo",
    "libsndfile",
    "The DejaVu fonts",
    "The Comfortaa font",
    "GoogleTest",
    "CMake",
    "GCC and Clang",
    "",
    "-=-=-",
    "",
    "And everyone Else",
    "",
    "Thank you for playing",
    "Cobble Vale",
    "",
    "-=-=-",
    "",
    "End",
};
static_assert(std::size(kCredits) == 53, "the credits hold 53 entries, the last one never shown");

constexpr float kPanelWidth = 140;
constexpr int kLastRow = 2;         // Hard; the console adds a quit row at -1
constexpr float kRowAngle = 32;     // degrees between wheel rows
constexpr float kSelectAngle = 48;  // where the selected row rests
constexpr int kRepeatDelay = 30, kRepeatShortening = 12, kRepeatFastest = 3;
constexpr int kQuitRowFrame = 1;  // the icon sheet's quit picture
constexpr float kPi = 3.14159265f;

template <std::size_t N>
Array<String> Texts(const char *const (&lines)[N]) {
    Array<String> out(static_cast<int>(N));
    for (std::size_t i = 0; i < N; ++i) out[static_cast<int>(i)] = String(lines[i]);
    return out;
}

float Clamp(float v, float lo, float hi) {
    return v < lo ? lo : v > hi ? hi : v;
}

int FirstRow() {
    return kt_Cobble_isOuya == 1 ? -1 : 0;
}

void Select(c_MyApp *app, int row) {
    app->MenuSel = row;
    app->MenuTarget = -kRowAngle * static_cast<float>(row);
}

// A touch within squared distance `reach` of (x, y).
bool TouchNear(const c_MyApp *app, float x, float y, float reach) {
    for (int i = 0; i < app->TouchDown.Length(); ++i) {
        if (app->TouchDown[i] != 1) continue;
        float dx = static_cast<float>(app->TouchX[i]) - x;
        float dy = static_cast<float>(app->TouchY[i]) - y;
        if (dx * dx + dy * dy <= reach) return true;
    }
    return false;
}

// Activates the focused column: the options box, the credits, or the selected game type.
void Activate(c_MyApp *app) {
    if (app->OptionsOpen == 1 || app->CreditsOpen == 1) return;
    if (app->MenuFocus == 0) {
        app->OptionsOpen = 1;
        Cue(app, Sfx::Click);
    } else if (app->MenuFocus == 2) {
        app->CreditsOpen = 1;
        Cue(app, Sfx::Click);
    } else {
        if (app->MenuSel < 0) ktError(String());
        // The glyph set of the game's prompts follows what the player started with.
        app->ControlKind = app->PointerDown != 0 ? 2 : 1;
        for (int action = Action::Button1; action <= Action::Button6; ++action) {
            if (Any(app, action)) app->ControlKind = 0;
        }
        Select(app, app->MenuSel);
        app->Mode = Screen::Starting;
    }
    LockInput(app);
}

// The three gear frames turning about one point at the given rates.
void Gear(c_MyApp *app, float x, float y, const float (&rates)[3], float spin) {
    for (int i = 0; i < 3; ++i) {
        app->p_SetRot(rates[i] * spin);
        app->p_DrawImg(Img::Buttons, x, y, static_cast<float>(8 + i));
    }
    app->p_SetRot(0);
}

// The top and last lists of the game type, as many rows as fit in the upper half.
void HighscoreLists(c_MyApp *app, float panelW) {
    float h = kt_Cobble_jscrh;
    int rowHeight =
        Trunc(static_cast<float>(app->ImageInfo[SlotInfo::Height(app->FontSlot)]) * 1.5f);
    // Without a font there is no height to divide by: show the full lists.
    const int full = Highscore::ListLength;
    int rows = rowHeight > 0 ? Trunc(std::floor(((h - 90) - h * 0.5f) / rowHeight)) : full;
    rows = rows < 1 ? 1 : rows > full ? full : rows;
    int table = Highscore::TableOf(app->Difficulty);
    String top = rows == 1 ? String("Highscore") : String("Top ") + String(rows);
    String last = rows == 1 ? String("Last") : String("Last ") + String(rows);
    for (int k = 0; k < rows; ++k) {
        top = top + String("\\n") +
              app->p_rstr(app->Highscores[Highscore::Top(table, k)], 11, String(" "));
        last = last + String("\\n") +
               app->p_rstr(app->Highscores[Highscore::Last(table, k)], 11, String(" "));
    }
    float x = kt_Cobble_jscrw - panelW - 4 * static_cast<float>(app->MenuSlide) + 20;
    app->p_SetSize(1.5f, 1.5f);
    app->p_SetCol(255, 200, 100, 1);
    app->p_Text(x, 60, top, 0, 0, 0);
    app->p_SetCol(200, 255, 100, 1);
    app->p_Text(x, h * 0.5f + 20, last, 0, 0, 0);
    app->p_ResetDraw();
}

// The wheel's rows around the hub, its snapping while flung, and touches on its rows.
void WheelRows(c_MyApp *app, float hx, float hy, bool touchable) {
    int selected = app->MenuSel;
    for (int r = selected - 3; r <= selected + 3; ++r) {
        if (r < FirstRow() || r > kLastRow) continue;
        float a = kRowAngle * static_cast<float>(r) + kSelectAngle + app->MenuShown;
        float bulge = std::fabs(a - 45) <= 45 ? (45 - std::fabs(a - 45)) * 1.5f : 0;
        float radius = 116 + bulge;
        float x = hx + radius * std::sin(a * kPi / 180);
        float y = hy - radius * std::cos(a * kPi / 180);

        if (std::fabs(app->MenuFling) > 0.05f) {
            // The end stops and the pick-up read the angle once round, so a row flung past
            // the top still counts as above it.
            float turn = std::fmod(a, 360.0f);
            if (turn < 0) turn += 360;
            if (r == kLastRow && (turn < 30 || turn > 200)) app->MenuFling = 4;
            if (r == 0 && turn > 60 && turn < 200) app->MenuFling = -4;
            if (r != app->MenuSel && turn > 30 && turn < 60) {
                Select(app, r);
                Cue(app, Sfx::Click);
            }
        }

        float size = r == selected ? 1.75f : 0.75f;
        app->p_SetRot(-(a - 55) * 0.5f);
        app->p_Alpha(app->MenuFocus == 1 ? 1 : 0.3f);
        if (r >= 0) {
            app->p_SetSize(size, size);
            app->p_DrawImg(Img::Buttons, x, y, static_cast<float>(r % 6));
            app->p_SetSize(size * 1.5f, size * 1.5f);
            app->p_Text(x, y, kt_Cobble_MenuSet[2 * r], 1, 1, 0);
        } else {
            app->p_SetSize(size * 2, size * 2);
            app->p_SetCol(255, 180, 180, kNoValue);
            app->p_DrawImg(Img::Icons, x, y, kQuitRowFrame);
            app->p_SetCol(255, 255, 255, kNoValue);
        }
        app->p_ResetDraw();

        if (!touchable || !InputFree(app)) continue;
        if (r == app->MenuSel && TouchNear(app, x, y, 2048)) {
            Cue(app, Sfx::Confirm);
            app->MenuFocus = 1;
            Activate(app);
        } else if (r != app->MenuSel && TouchNear(app, x, y, 1352)) {
            // The touch is used up by the selection: it must not also start the game.
            Select(app, r);
            Cue(app, Sfx::Click);
            LockInput(app);
        }
    }
}

// Up and Down step the selection, repeating faster the longer they are held.
void WheelKeys(c_MyApp *app) {
    bool up = Any(app, Action::Up), down = Any(app, Action::Down);
    if (!up && !down) {
        app->MenuRepeat = 0;
        app->MenuRepeatDelay = kRepeatDelay;
        return;
    }
    if (--app->MenuRepeat < 0) app->KeyLatch = 0;
    int next = app->MenuSel + (up ? -1 : 1);
    if (app->MenuRepeat >= 1 || !InputFree(app) || next < FirstRow() || next > kLastRow) return;
    Select(app, next);
    Cue(app, Sfx::Click);
    app->MenuRepeat = app->MenuRepeatDelay;
    app->MenuRepeatDelay = app->MenuRepeatDelay - kRepeatShortening < kRepeatFastest
                               ? kRepeatFastest
                               : app->MenuRepeatDelay - kRepeatShortening;
    LockInput(app);
}

void Credits(c_MyApp *app, float panelW) {
    float w = kt_Cobble_jscrw, h = kt_Cobble_jscrh;
    float shift = w - panelW;  // the page slides in with the panel

    app->CreditScroll -= 0.3f;
    if (Any(app, Action::Up) || Any(app, Action::Down)) app->CreditScroll -= 1.5f;
    if (app->CreditScroll < -16) {
        app->CreditScroll += 16;
        ++app->CreditLine;
    }

    int lines = kt_Cobble_CreditText.Length() - 1;  // "End" is never shown
    app->p_ResetDraw();
    for (int i = -3; i <= 4 && lines > 0; ++i) {
        int line = (app->CreditLine + i) % lines;
        if (line < 0) line += lines;
        float offset = 16 * static_cast<float>(i) + app->CreditScroll;
        float g = std::fabs(offset / 40) - 0.3f;
        float alpha = g < 0 ? 1 : g <= 1 ? 1 - g : 0;
        float o = g < 0 ? 0 : g <= 1 ? 24 * g : 24;
        app->p_Alpha(alpha);
        app->p_Text((w - 160) + shift, offset + h * 0.5f + 24 - o, kt_Cobble_CreditText[line], 0.8f,
                    0.8f, 0);
    }

    float sx = (w - 20) + shift;
    app->p_Alpha(1);
    app->p_Text(sx, 16, String("Debug Stats"), 2, 1, 0);
    app->p_Text(sx, 32, String("Engine"), 2, 1, 0);
    app->p_Text(sx, 44, String(Trunc(w)) + String("x") + String(Trunc(h)), 2, 1, 0);
    app->p_Text(sx, 60, String("Screen"), 2, 1, 0);
    app->p_Text(sx, 72, String(kt_app__devWidth) + String("x") + String(kt_app__devHeight), 2, 1,
                0);
    app->p_Text(sx, 88, String("FPS"), 2, 1, 0);
    app->p_Text(sx, 100, String(app->UpdateFpsAvg) + String(" : ") + String(app->RenderFpsAvg), 2,
                1, 0);

    // Eleven dots in the ink colours, grey at both ends, turning as the lines scroll.
    float cx = (w - 150) + shift, cy = h * 0.5f;
    for (int k = 0; k <= 10; ++k) {
        float angle = (6 * static_cast<float>(k) - app->CreditScroll * 0.0625f +
                       static_cast<float>(app->CreditLine)) *
                      4 * kPi / 180;
        app->p_Ink(k, 1);
        app->p_Alpha(0.3f);
        app->p_Oval(cx + std::sin(angle) * 100, cy - std::cos(angle) * 100, 16, 16);
    }
    app->p_ResetDraw();
    app->p_DrawImg(Img::Buttons, w * 0.3f + shift, h - 64, 12);

    bool close = app->PointerDown != 0;
    for (int action = Action::Button1; action <= Action::Button4; ++action) {
        if (Any(app, action)) close = true;
    }
    if (close && InputFree(app)) {
        app->CreditsOpen = 0;
        Cue(app, Sfx::Click);
        LockInput(app);
    }
}

// Back: the desktop ends at once; the console asks first.
void BackRequest(c_MyApp *app) {
    if (!InputFree(app)) return;
    if (kt_Cobble_isOuya == 0 && Any(app, Action::Back)) ktError(String());
    if (kt_Cobble_isOuya == 1 && (Any(app, Action::Menu) || kt_input_KeyDown(KeyCode::Escape))) {
        app->Mode = Screen::QuitPrompt;
        LockInput(app);
    }
}

// The side panel from x0 and its play button: a press on the button starts the game, a press
// on the panel focuses it and a second one starts the game.
void SidePanel(c_MyApp *app, float x0, float panelW) {
    float w = kt_Cobble_jscrw, h = kt_Cobble_jscrh;
    app->p_SetCol(255, 255, 255, app->MenuFocus == 2 ? 1 : 0.2f);
    app->p_Rect(x0 - 2, -128, 3, h + 128);
    app->p_SetCol(0, 0, 0, app->MenuFocus == 2 ? 0.75f : 0.45f);
    app->p_Rect(x0, -128, panelW + 32, h + 128);
    float playX = w - panelW * 0.5f, playY = h - 48;
    if (app->MenuFocus == 1) {
        app->p_SetSize(3, 3);
        app->p_SetCol(100, 255, 100, 0.5f);
        app->p_DrawImg(Img::Icons, playX, playY, 3);
    }
    app->p_ResetDraw();
    if (app->OptionsOpen != 0 || app->CreditsOpen != 0 || !InputFree(app)) return;
    if (app->p_MouseIn_Centered(playX, playY, 128, 128)) {
        app->MenuFocus = 1;
        Cue(app, Sfx::Confirm);
        Activate(app);
    } else if (app->p_MouseIn(x0, -128, panelW + 32, h + 128)) {
        if (app->MenuFocus == 2) {
            Activate(app);
        } else {
            app->MenuFocus = 2;
            Cue(app, Sfx::Click);
            LockInput(app);
        }
    }
}

// The fling carries the wheel's target and dies away; the wheel eases towards the target.
void EaseWheel(c_MyApp *app) {
    if (app->MenuFling != 0) {
        app->MenuTarget += app->MenuFling;
        app->MenuFling *= 0.75f;
        if (std::fabs(app->MenuFling) < 1) app->MenuFling = 0;
    }
    if (app->MenuShown != app->MenuTarget) {
        app->MenuShown += (app->MenuTarget - app->MenuShown) / 8;
        if (std::fabs(app->MenuTarget - app->MenuShown) < 0.5f) app->MenuShown = app->MenuTarget;
    }
}

// The hub in the corner: the options gear inside the wheel, the wheel's drag, rows and keys,
// the focus moves, the chosen type's description and the maker's logo.
void Hub(c_MyApp *app, float slide, float panelW) {
    float w = kt_Cobble_jscrw, h = kt_Cobble_jscrh;
    float hx = static_cast<float>(Trunc(38 + 12 * slide));
    float hy = static_cast<float>(Trunc(h - 64 - 8 * slide));

    if (app->MenuFocus == 0) app->MenuGearSpin = std::fmod(app->MenuGearSpin + 0.3f, 360.0f);
    app->p_SetSize(0.5f, 0.5f);
    app->p_Alpha(app->MenuFocus == 0 ? 0.8f : 0.25f);
    app->p_DrawImg(Img::Circle, hx, hy, 0);
    app->p_SetSize(1.5f, 1.5f);
    app->p_Alpha(1);
    Gear(app, hx, hy, {-1, -2, -4}, app->MenuGearSpin);
    if (InputFree(app) && app->p_MouseIn_Centered(hx, hy, 64, 64)) {
        app->OptionsOpen = 1;
        Cue(app, Sfx::Click);
        app->MenuFocus = 0;
        LockInput(app);
    }
    app->p_SetSize(1.5625f, 1.5625f);
    app->p_SetRot(-app->MenuShown);
    app->p_Alpha(app->MenuFocus == 1 ? 0.8f : 0.25f);
    app->p_DrawImg(Img::Circle, hx, hy, 0);
    app->p_ResetDraw();

    // Dragging anywhere around the hub spins the wheel.
    if (app->PointerDown == 1 && app->PressLock < 1 && app->p_MouseIn_Centered(hx, hy, 500, 500) &&
        !app->p_MouseIn_Centered(hx, hy, 64, 64)) {
        float d = (static_cast<float>(app->MouseX) - static_cast<float>(app->PrevMouseX) +
                   static_cast<float>(app->MouseY) - static_cast<float>(app->PrevMouseY)) *
                  0.25f;
        app->MenuFling = Clamp(app->MenuFling + d, -40, 40);
        if (std::fabs(d) > 1) app->PressLock = app->KeyLatch = -1;
        app->MenuFocus = 1;
    }

    bool atRest = std::fabs(app->MenuShown - app->MenuTarget) < 2;
    WheelRows(app, hx, hy, atRest && app->OptionsOpen == 0);

    if (app->MenuFocus == 1) WheelKeys(app);
    if (InputFree(app)) {
        if (Any(app, Action::Left) && app->MenuFocus > 0) {
            --app->MenuFocus;
            Cue(app, Sfx::Click);
            LockInput(app);
        } else if (Any(app, Action::Right) && app->MenuFocus < 2) {
            ++app->MenuFocus;
            Cue(app, Sfx::Click);
            LockInput(app);
        }
    }
    if (InputFree(app) &&
        (Any(app, Action::Button1) || Any(app, Action::Button2) || Any(app, Action::Button3))) {
        Cue(app, Sfx::Confirm);
        Activate(app);
    }
    if (app->MenuFocus == 1 && w > 600 && app->MenuSel >= 0) {
        app->p_SetSize(1.5f, 1.5f);
        app->p_Text(240, h - 52 - 3 * slide, kt_Cobble_MenuSet[2 * app->MenuSel + 1], 0, 0, 0);
        app->p_ResetDraw();
    }

    float info = app->MenuFocus == 2 ? 0.35f : 0.25f;
    app->p_SetSize(info, info);
    app->p_DrawImg(Img::OrvoLogo, w - panelW * 0.5f, 32, 0);
    app->p_ResetDraw();
}

}  // namespace

void kt_Cobble_InitMenu() {
    gc_assign(kt_Cobble_MenuSet, Texts(kMenuSet));
    gc_assign(kt_Cobble_CreditText, Texts(kCredits));
}

void c_MyApp::p_SlideMenuPanel() {
    if (CreditsOpen == 0) {
        if (PanelExtra > 0) {
            PanelExtra -= PanelExtra / 8;
            if (PanelExtra < 8) PanelExtra = 0;
        }
    } else {
        float open = kt_Cobble_jscrw - kPanelWidth;
        if (PanelExtra < open) {
            PanelExtra += (open - PanelExtra) / 8;
            if (open - PanelExtra < 8) PanelExtra = open;
        }
    }
}

int c_MyApp::p_Menu() {
    p_DoBG(0, 20, 40, kKeepValue);
    if (MenuSlide < 0) ++MenuSlide;
    float slide = static_cast<float>(MenuSlide);
    float panelW = PanelExtra + kPanelWidth;

    BackRequest(this);
    p_SetSize(1.5f, 1.5f);
    p_DrawImg(Img::Logo, (kt_Cobble_jscrw - panelW) * 0.5f, 115 + 12 * slide, 0);
    p_ResetDraw();
    SidePanel(this, kt_Cobble_jscrw - panelW - 8 * slide, panelW);

    if (OptionsOpen == 0 && CreditsOpen == 0) {
        Difficulty = MenuSel + 1 < 1 ? 1 : MenuSel + 1 > 3 ? 3 : MenuSel + 1;
    }
    if (OptionsOpen == 0) HighscoreLists(this, panelW);
    EaseWheel(this);
    if (OptionsOpen == 0 && CreditsOpen == 0) Hub(this, slide, panelW);
    if (CreditsOpen == 1) Credits(this, panelW);
    return 0;
}
