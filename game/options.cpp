// The options box, the pause screen and the console's quit prompt.
//
// The shell holds KeyLatch and PressLock set for as long as the options box is open, so that the
// screen below stays still; the box therefore keeps latches of its own. Both are set while the
// box slides and by every row it acts on; the touch latch is released when the pointer is up,
// the key latch when no action is held. The settings are saved when the box closes, and only
// then.
//
// Sections: the box's rows and what they do (RowsShown .. CloseBox); the widgets shared by
// the box and the pause screen (Gear, OverscanSlider); the pause screen's parts (OrbitToy,
// TakePauseChoice); then p_OptionBox with its slide step, p_PauseMenu and p_OuyaQuit.

#include <cmath>

#include "game/myapp.h"

namespace {

constexpr int kSlideOpen = 30;
constexpr int kTrailPoints = 102;
constexpr int kOverscanMin = 1, kOverscanMax = 96, kOverscanStep = 16;
constexpr float kPi = 3.14159265f;

enum class Row { Sound, ICade, Window, LeftStick, RightStick, Quit };

bool AnyButton(c_MyApp *app) {
    for (int action = Action::Button1; action <= Action::Button6; ++action) {
        if (Any(app, action)) return true;
    }
    return false;
}

// A font escape followed by `letter`: the button glyph of that letter.
String Glyph(char letter) {
    return String::FromChar(172) + String::FromChar(letter);
}

// The rows of the box, in order, for this platform and screen.
int RowsShown(const c_MyApp *app, Row (&rows)[6]) {
    int n = 0;
    rows[n++] = Row::Sound;
    if (kt_Cobble_isOuya != 1) rows[n++] = Row::ICade;
    rows[n++] = Row::Window;
    rows[n++] = Row::LeftStick;
    rows[n++] = Row::RightStick;
    if (kt_Cobble_isOuya == 1 && app->Paused == 0) rows[n++] = Row::Quit;
    return n;
}

String Caption(const c_MyApp *app, Row row) {
    int mode = app->Settings[Setting::Sound];
    switch (row) {
        case Row::Sound:
            if (kt_Cobble_HasMusicStream != 0) {
                static const char *const kModes[] = {"Sound : Off", "Sound : SFX + Music",
                                                     "Sound : SFX", "Sound : Music"};
                return String(mode >= 1 && mode <= 3 ? kModes[mode] : kModes[0]);
            }
            return String(mode == 1 ? "Sound : On" : "Sound : Off");
        case Row::ICade:
            return String(kt_Cobble_iCadeControls == 1 ? "iCade : On" : "iCade : Off");
        case Row::Window:
            return String(app->Fullscreen == 0 ? "Fullscreen" : "Windowed");
        case Row::LeftStick:
            return String(app->Settings[Setting::LeftStickY] != 0 ? "Left Thumbstick Y Normal"
                                                                  : "Left Thumbstick Y Flipped");
        case Row::RightStick:
            return String(app->Settings[Setting::RightStickY] != 0 ? "Right Thumbstick Y Normal"
                                                                   : "Right Thumbstick Y Flipped");
        case Row::Quit:
            break;
    }
    return String("Quit");
}

// A mode outside 0..3 plays nothing, so it is shown and cycled as Off.
void NextSoundMode(c_MyApp *app) {
    int &mode = app->Settings[Setting::Sound];
    if (kt_Cobble_HasMusicStream == 0) {
        mode = mode == 1 ? 0 : 1;
        return;
    }
    mode = ((mode >= 0 && mode <= 3 ? mode : 0) + 1) % 4;
    if (mode == SoundMode::Off || mode == SoundMode::EffectsOnly) {
        app->p_StopTune();
    } else if (app->Mode >= Screen::Game) {
        app->p_PlayTune(String(kLastTune), 1);
    }
}

void Activate(c_MyApp *app, Row row) {
    app->OptionKeyLatch = app->OptionTouchLatch = 1;
    Cue(app, Sfx::Click);
    switch (row) {
        case Row::Sound:
            NextSoundMode(app);
            break;
        case Row::ICade:
            app->p_iCade(kt_Cobble_iCadeControls == 1 ? 0 : 1);
            for (int i = 0; i < app->VirtualButtons.Length(); ++i) app->VirtualButtons[i] = 0;
            break;
        case Row::Window:
            app->p_FullscreenFlip();
            break;
        case Row::LeftStick:
        case Row::RightStick: {
            int &flip =
                app->Settings[row == Row::LeftStick ? Setting::LeftStickY : Setting::RightStickY];
            flip = flip != 0 ? 0 : 1;
            break;
        }
        case Row::Quit:  // from the open box, whose changes are not saved yet
            app->p_OnClose();
    }
}

void CloseBox(c_MyApp *app) {
    app->OptionsOpen = 0;
    app->OptionKeyLatch = app->OptionTouchLatch = 1;
    Cue(app, Sfx::Click);
    app->p_Save();
    LockInput(app);
}

// The three gear frames turning at the given rates; the first frame is the touch target.
bool Gear(c_MyApp *app, float x, float y, float spin) {
    app->p_SetRot(0.66f * spin);
    bool hit = app->p_Button(Img::Buttons, x, y, 8) != 0;
    app->p_SetRot(-0.33f * spin);
    app->p_DrawImg(Img::Buttons, x, y, 9);
    app->p_SetRot(-spin);
    app->p_DrawImg(Img::Buttons, x, y, 10);
    app->p_SetRot(0);
    return hit;
}

// The console's overscan margin, centred on (0.6 x width, y). A press on the bar jumps between
// the smallest and the largest margin; actions 14 and 15 step it. Returns true when it acted.
bool OverscanSlider(c_MyApp *app, float y, bool pressFree, bool keyFree) {
    float cx = 0.6f * kt_Cobble_jscrw;
    int &value = app->Settings[Setting::Overscan];
    app->p_ResetDraw();
    app->p_SetSize(2, 2);
    app->p_Text(cx, y, Glyph('U') + String(" <      Overscan      > ") + Glyph('O'), 1, 1, 0);
    app->p_SetSize(1, 1);
    app->p_SetCol(0, 128, 255, 0.5f);
    app->p_Rect(cx - 128, y + 16, 256, 9);
    app->p_SetCol(255, 255, 0, 0.75f);
    app->p_Rect(static_cast<float>(value) * 2.67f + cx - 132, y + 12.5f, 8, 16);
    app->p_ResetDraw();

    bool acted = false;
    if (pressFree && app->p_MouseIn(cx - 128, y + 12.5f, 256, 16)) {
        Cue(app, Sfx::Confirm);
        int was = value;
        if (was > kOverscanMin) value = kOverscanMin;
        if (was < 32) value = kOverscanMax;
        acted = true;
    } else if (keyFree && Any(app, Action::Button5)) {
        value -= kOverscanStep;
        acted = true;
    } else if (keyFree && Any(app, Action::Button6)) {
        value += kOverscanStep;
        acted = true;
    }
    value = value < kOverscanMin ? kOverscanMin : value > kOverscanMax ? kOverscanMax : value;
    kt_Cobble_overscan = static_cast<float>(value);
    return acted;
}

// The pause screen's toy: a pen on a small circle riding a large one, with a fading trail. The
// directions change its radius and speed while `input` is allowed.
void OrbitToy(c_MyApp *app, bool input) {
    float w = kt_Cobble_jscrw, h = kt_Cobble_jscrh;
    float cx = w * 0.5f + 96, cy = h * 0.5f;
    float reach = std::fmin(0.45f * h, 0.45f * (w - 96));
    app->OrbitAngleA = std::fmod(app->OrbitAngleA + 1, 360.0f);
    app->OrbitHue = std::fmod(app->OrbitHue + 1.5f, 360.0f);
    app->OrbitAngleB = std::fmod(app->OrbitAngleB + app->OrbitSpeed, 360.0f);
    if (input && Any(app, Action::Up)) app->OrbitRadius -= 1;
    if (input && Any(app, Action::Down)) app->OrbitRadius += 1;
    if (input && Any(app, Action::Left)) app->OrbitSpeed -= 0.25f;
    if (input && Any(app, Action::Right)) app->OrbitSpeed += 0.25f;
    app->OrbitRadius = std::fmax(0.0f, std::fmin(app->OrbitRadius, reach));
    app->OrbitSpeed = std::fmax(0.0f, std::fmin(app->OrbitSpeed, 128.0f));
    float radius = app->OrbitRadius;
    float a = app->OrbitAngleA * kPi / 180, b = app->OrbitAngleB * kPi / 180;
    float px = cx + (reach - radius) * std::sin(a) + radius * std::sin(b);
    float py = cy - (reach - radius) * std::cos(a) - radius * std::cos(b);
    float *trail = app->OrbitTrail.Data();
    // The first pause starts the trail at the pen, not at the screen's corner.
    int from = app->OrbitTrailFilled == 1 ? 2 * (kTrailPoints - 1) : 0;
    for (int i = 0; i < 2 * (kTrailPoints - 1); ++i) trail[i] = trail[i + 2];
    for (int i = from; i < 2 * kTrailPoints; i += 2) {
        trail[i] = px;
        trail[i + 1] = py;
    }
    app->OrbitTrailFilled = 1;
    for (int i = 0; i < kTrailPoints - 1; ++i) {
        float fi = static_cast<float>(i);
        float s = std::sin((app->OrbitHue + 2 * fi) * kPi / 180);
        float warm = std::fmax(0.0f, std::fmin(fi + fi * s, 255.0f));
        float cool = std::fmax(0.0f, std::fmin(fi - fi * s, 255.0f));
        app->p_SetCol(warm, warm, cool, kNoValue);
        const float *p = trail + 2 * i;
        app->p_Line(p[0], p[1], p[2], p[3]);
        app->p_Line(p[0] + 0.5f, p[1] + 0.5f, p[2] + 0.5f, p[3] + 0.5f);
    }
    app->p_SetCol(100, 255, 100, 0.8f);
    app->p_Text(w - 8, h - 8, String(Trunc(app->OrbitSpeed)) + String(":") + String(Trunc(radius)),
                2, 2, 0);
    app->p_ResetDraw();
}

// The pause screen's choice: a pressed button, or Up/Down to move the marker and a button or
// back to take it. Resume slides the panel out, quit ends the run, the gear opens the options.
void TakePauseChoice(c_MyApp *app, bool resume, bool quit, bool options) {
    int choice = resume ? 0 : quit ? -1 : options ? 1 : 2;  // 2: no button pressed
    if (choice == 2) {
        if (Any(app, Action::Up) && app->PauseChoice > -1) {
            --app->PauseChoice;
            Cue(app, Sfx::Click);
            LockInput(app);
            return;
        }
        if (Any(app, Action::Down) && app->PauseChoice < 1) {
            ++app->PauseChoice;
            Cue(app, Sfx::Click);
            LockInput(app);
            return;
        }
        if (Any(app, Action::Button1)) choice = app->PauseChoice;
        if (Any(app, Action::Back)) choice = 0;
    }
    if (choice == 0) {
        app->PauseCursor = -1;
        Cue(app, Sfx::Confirm);
    } else if (choice == -1) {
        app->Paused = 0;
        app->PauseCursor = -1;
        app->PausePanelY = -64;
        app->GameOverFlag = 1;
        app->QuitFlag = -1;
    } else if (choice == 1) {
        app->OptionsOpen = 1;
        Cue(app, Sfx::Click);
    } else {
        return;
    }
    LockInput(app);
}

}  // namespace

int c_MyApp::p_OptionBox() {
    float w = kt_Cobble_jscrw, h = kt_Cobble_jscrh;
    float slide = static_cast<float>(OptionsSlide);
    p_ResetDraw();
    if (kt_Cobble_isOuya == 1) {
        // Where the picture's edges are: an L in each corner.
        float right = w - 8, bottom = h - 16;
        p_Rect(0, 0, 8, 16);
        p_Rect(0, 0, 16, 8);
        p_Rect(right, 0, 8, 16);
        p_Rect(w - 16, 0, 16, 8);
        p_Rect(0, bottom, 8, 16);
        p_Rect(0, h - 8, 16, 8);
        p_Rect(right, bottom, 8, 16);
        p_Rect(w - 16, h - 8, 16, 8);
    }
    LockInput(this);
    if (OptionsSlide != kSlideOpen) OptionKeyLatch = OptionTouchLatch = 1;

    p_SetCol(150, 75, 0, 0.85f);
    p_Rect(50, (30 - slide) * 24, w - 100, h);
    p_ResetDraw();

    Row rows[6];
    int count = RowsShown(this, rows);
    if (OptionRow > count) OptionRow = count;
    if (OptionRow < 0) OptionRow = 0;

    // The back gear.
    float gx = (3 * slide - 90) * 4 + 100, gy = 60;
    OptionGearSpin += 0.2f;
    float gearSize = OptionRow == 0 ? 2 : 1.5f;
    p_SetSize(gearSize, gearSize);
    bool gearTouched = Gear(this, gx, gy, OptionGearSpin);
    p_SetSize(2, 2);
    p_Text(gx + 76, gy, String("<[BACK]"), 0, 1, 0);
    p_ResetDraw();
    if ((gearTouched || Any(this, Action::Back)) && OptionKeyLatch == 0 && OptionTouchLatch == 0) {
        CloseBox(this);
    }

    if (kt_Cobble_isOuya == 1 && OverscanSlider(this, (3 * slide - 90) * 4 + 92,
                                                OptionTouchLatch == 0, OptionKeyLatch == 0)) {
        OptionKeyLatch = OptionTouchLatch = 1;
    }

    // Without a music stream only Off and On exist.
    int &mode = Settings[Setting::Sound];
    if (kt_Cobble_HasMusicStream == 0 && mode != 0 && mode != 1) mode = 0;

    float top = (30 - slide) * 24 + 130;
    int touched = -1;
    for (int i = 0; i < count; ++i) {
        bool quit = rows[i] == Row::Quit;
        float x = quit ? w - 264 : 100;
        float y = quit ? top + 40 * static_cast<float>(count - 2) + (Landscape == 1 ? 40 : 80)
                       : top + 40 * static_cast<float>(i);
        p_SetCol(0, OptionRow == i + 1 ? 180 : 0, 160, 0.5f);
        bool hit = quit ? p_Touch(x - 16, y - 2, 180, 24) != 0 : p_Touch2(y - 2, w - 168) != 0;
        p_ResetDraw();
        p_SetSize(2, 2);
        p_Text(x, y, Caption(this, rows[i]), 0, 0, 0);
        p_ResetDraw();
        if (hit) {
            OptionRow = i + 1;
            touched = i;
        }
    }

    // A held key acts once: keyed activation needs the key latch free on every row.
    if (touched >= 0 && OptionTouchLatch == 0) {
        Row row = rows[touched];
        if (OptionKeyLatch == 0 || row == Row::ICade || row == Row::Window) Activate(this, row);
    } else if (OptionRow > 0 && OptionTouchLatch == 0 && OptionKeyLatch == 0 && AnyButton(this)) {
        Activate(this, rows[OptionRow - 1]);
    }

    if (OptionKeyLatch == 0) {
        if (Any(this, Action::Up) || Any(this, Action::Left)) {
            if (OptionRow > 0) {
                --OptionRow;
                OptionKeyLatch = 1;
                Cue(this, Sfx::Click);
            }
        } else if (Any(this, Action::Down) || Any(this, Action::Right)) {
            if (OptionRow < count) {
                ++OptionRow;
                OptionKeyLatch = 1;
                Cue(this, Sfx::Click);
            }
        }
        if (OptionRow == 0 && OptionTouchLatch == 0 && OptionKeyLatch == 0 && AnyButton(this)) {
            CloseBox(this);
        }
    }

    if (PointerDown == 0) OptionTouchLatch = 0;
    // The box's key latch is freed once none of the latch actions is held.
    if (HeldLatchAction(this) < 0) OptionKeyLatch = 0;
    return 0;
}

void c_MyApp::p_SlideOptionBox() {
    if (OptionsOpen == 1 || OptionsSlide > 0) p_OptionBox();
    if (OptionsOpen == 1) {
        if (OptionsSlide < kSlideOpen) ++OptionsSlide;
    } else if (OptionsSlide > 0) {
        --OptionsSlide;
    }
}

int c_MyApp::p_PauseMenu() {
    float w = kt_Cobble_jscrw, h = kt_Cobble_jscrh;
    float half = h * 0.5f;
    p_DoBG(kKeepValue, kKeepValue, kKeepValue, kKeepValue);
    p_SetCol(0, 0, 0, std::fabs(static_cast<float>(PausePanelY)) / (0.8f * h));
    p_Rect(0, 0, w, h);
    p_ResetDraw();

    // The panel stops at half the height, where a suspend also puts it, so the buttons always
    // come to rest at the same place.
    if (PauseCursor == 1 && static_cast<float>(PausePanelY) < half) {
        PausePanelY = PausePanelY + 24 < Trunc(half) ? PausePanelY + 24 : Trunc(half);
    } else if (PauseCursor == -1) {
        PausePanelY -= 24;
        if (PausePanelY < -32) Paused = 0;
    }
    bool input = OptionsOpen == 0;

    OrbitToy(this, input);

    p_SetSize(4, 4);
    p_Text(w * 0.5f + 96, half, String("PAUSED"), 1, 1, 0);
    p_ResetDraw();
    if (kt_Cobble_isOuya == 1 &&
        OverscanSlider(this, static_cast<float>(PausePanelY) - 150, input && InputFree(this),
                       input && InputFree(this))) {
        LockInput(this);
    }

    // The choices: resume slides in from the left with the panel.
    float rx = static_cast<float>(Trunc(64 - (half - static_cast<float>(PausePanelY))));
    float ry = 196, qx = rx, qy = 96, gx = rx, gy = 296;
    if (Landscape == 0) {
        qx = w * 0.5f - 96;
        gx = w * 0.5f + 96;
        qy = gy = static_cast<float>(PausePanelY) - 96;
    }
    p_SetSize(2, 2);
    bool resume = p_Button2(rx, ry, 3) != 0;
    bool quit = p_Button2(qx, qy, 1) != 0;
    if (OptionsOpen == 0) PauseGearSpin += 0.2f;
    bool options = Gear(this, gx, gy, PauseGearSpin);
    p_SetSize(2.5f, 2.5f);
    p_SetCol(255, 255, 100, kNoValue);
    float mx = PauseChoice < 0 ? qx : PauseChoice > 0 ? gx : rx;
    float my = PauseChoice < 0 ? qy : PauseChoice > 0 ? gy : ry;
    p_DrawImg(Img::Icons, mx, my, 6);
    p_ResetDraw();

    if (input && InputFree(this)) TakePauseChoice(this, resume, quit, options);
    return 0;
}

int c_MyApp::p_OuyaQuit() {
    float w = kt_Cobble_jscrw, h = kt_Cobble_jscrh;
    p_CLS2D(220, 220, 200, 1);
    p_SetCol(0, 0, 128, 1);
    p_Rect(32, 32, w - 64, h - 64);

    p_SetCol(255, 0, 0, 0.4f);
    for (float r = 3; r >= 1; --r) p_Oval(w - 48, h - 16, r, r);
    p_ResetDraw();

    float y = 0.3f * h;
    p_SetSize(3, 3);
    p_Text(64, y, String("Unexpected Quit"), 0, 1, 0);
    p_SetSize(2, 2);
    const struct {
        float down;
        String text;
    } lines[] = {
        {36, String("The player is trying to quit")},
        {20, String("without using the lovely")},
        {20, String("quit button on the Menu.")},
        {46, String("What should I do?")},
        {38, String("Hit ") + Glyph('K') + String(" to Quit")},
        {20, String("or ") + Glyph('J') + String(" to Ignore")},
    };
    for (const auto &line : lines) {
        y += line.down;
        p_Text(64, y, line.text, 0, 1, 0);
    }
    p_ResetDraw();

    if (!InputFree(this)) return 0;
    if (Any(this, Action::Button1)) {
        Mode = Screen::Menu;
        LockInput(this);
    } else if (Any(this, Action::Button2) || Any(this, Action::Button3) ||
               Any(this, Action::Back)) {
        ktError(String());
    }
    return 0;
}
