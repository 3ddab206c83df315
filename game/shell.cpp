// The game shell: construction, the hooks the framework calls, the per-update order of work,
// the screen state machine on Mode, the fullscreen toggle and the virtual screen's fitting.
//
// Order matters everywhere in this file: the update hook's steps run in a fixed sequence every
// update, whatever the state, and later parts rely on it (the key latch before the screens, the
// loader after them, the badge notices last so they lie above every screen).
//
// Sections: Globals; Construction; Hooks (create, the update hook and its steps, render,
// suspend, resume); Window (fullscreen toggle, fitting); Program entry points.

#include <cmath>

#include "game/myapp.h"

#include "framework/audio.h"
#include "framework/input.h"
#include "net/async.h"

// ---------------------------------------------------------------------------------------------
// Globals

float kt_Cobble_rawscrw, kt_Cobble_rawscrh;
float kt_Cobble_jscrw, kt_Cobble_jscrh;
float kt_Cobble_overscan;
int kt_Cobble_UseHDImages;
int kt_Cobble_DebugMode;
int kt_Cobble_isOuya;
int kt_Cobble_J_On_Allow;
int kt_Cobble_J_On_Able;
int kt_Cobble_iCadeControls;
int kt_Cobble_OnScreenControls;
int kt_Cobble_AccelerometerControls;
int kt_Cobble_HasMusicStream;

namespace {

constexpr int kSuspendedRate = 5;
constexpr float kFrameMs = 16.666666f;

// The Ouya's menu key: joystick 0's menu button.
constexpr int kKeyOuyaMenu = KeyCode::Joy0 + JoyButton::Menu;
constexpr int kTouches = 10;

constexpr int kWindowedWidth = 640, kWindowedHeight = 480;
constexpr int kBadgeSlots = 15, kBadgesCleared = 128, kHighscoresCleared = 31;

// The check-in service (switched off by kt_Cobble_J_On_Allow). The reserved ".invalid" name
// never resolves, so a build that turns the switch on by mistake reaches nobody.
const char *const kCheckinAddress = "http://checkin.cobblevale.invalid/housecall.php";

void ClearVirtualButtons(c_MyApp *app) {
    for (int i = 0; i < Virtual::Cleared; ++i) app->VirtualButtons[i] = 0;
}

// The pause rule shared by suspend and resume: a running game shows its pause screen fully
// open; any other screen is left unpaused.
void SetPausedBySuspend(c_MyApp *app) {
    if (app->Mode < Screen::Game) {
        app->Paused = app->PauseCursor = app->PausePanelY = 0;
    } else {
        app->Paused = 1;
        app->PauseCursor = 1;
        app->PausePanelY = Trunc(kt_Cobble_jscrh * 0.5f);
    }
}

// Frames per second from the time since the last sample, and its running average.
void SampleRate(int &last, int &fps, int &average) {
    int now = kt_app_Millisecs();
    if (now > last) {
        fps = 1000 / (now - last);
        average = (fps + 9 * average) / 10;
        last = now;
    }
}

// The vertical overscan, O x H / W. A minimised window (0 x 0) falls back to the size of the
// last fitting instead of dividing by zero.
float OverscanY(const c_MyApp *app) {
    float w = static_cast<float>(kt_app_DeviceWidth()),
          h = static_cast<float>(kt_app_DeviceHeight());
    if (w <= 0 || h <= 0) {
        w = static_cast<float>(app->LastDeviceWidth);
        h = static_cast<float>(app->LastDeviceHeight);
    }
    return w > 0 ? kt_Cobble_overscan * h / w : 0;
}

}  // namespace

void kt_Cobble_Init() {
    kt_Cobble_rawscrw = kt_Cobble_jscrw = 640.0f;
    kt_Cobble_rawscrh = kt_Cobble_jscrh = 480.0f;
    kt_Cobble_overscan = 0.0f;
    kt_Cobble_UseHDImages = 1;
    kt_Cobble_DebugMode = 0;
    kt_Cobble_isOuya = 0;
    kt_Cobble_J_On_Allow = 0;
    kt_Cobble_J_On_Able = 0;
    kt_Cobble_iCadeControls = 0;
    kt_Cobble_OnScreenControls = 0;
    kt_Cobble_AccelerometerControls = 0;
    kt_Cobble_HasMusicStream = 1;
}

// ---------------------------------------------------------------------------------------------
// Construction

c_MyApp::c_MyApp() {
    gc_assign(Images, Array<c_Image *>(Img::Slots));
    gc_assign(ImageInfo, Array<int>(SlotInfo::Entries * Img::Slots));
    gc_assign(Badges, Array<bool>(256));
    gc_assign(Settings, Array<int>(Setting::Length));
    gc_assign(Highscores, Array<int>(Highscore::Length));
    gc_assign(VirtualButtons, Array<int>(Virtual::Length));
    gc_assign(DrawList, Array<float>(Rec::ListLength));
    gc_assign(TouchDown, Array<int>(kTouches));
    gc_assign(TouchX, Array<int>(kTouches));
    gc_assign(TouchY, Array<int>(kTouches));
    gc_assign(Sounds, Array<c_Sound *>(Sfx::Slots));
    gc_assign(ChannelMap, Array<int>(33));
    gc_assign(Obj, Array<float>(Board::ObjLength));
    gc_assign(Grid, Array<float>(Board::GridLength));
    gc_assign(Player, Array<float>(Player::Length));
    gc_assign(BadgeShowID, Array<int>(kBadgeSlots));
    gc_assign(BadgeShowTime, Array<int>(kBadgeSlots));
    gc_assign(OrbitTrail, Array<float>(2 * 102));  // the pause screen's trail, x and y per point
}

c_MyApp *c_MyApp::m_new() {
    c_App::m_new();
    return this;
}

void c_MyApp::mark() {
    gc_mark(Images);
    gc_mark(ImageInfo);
    gc_mark(Badges);
    gc_mark(Settings);
    gc_mark(Highscores);
    gc_mark(VirtualButtons);
    gc_mark(DrawList);
    gc_mark(TouchDown);
    gc_mark(TouchX);
    gc_mark(TouchY);
    gc_mark(Sounds);
    gc_mark(ChannelMap);
    gc_mark(Obj);
    gc_mark(Grid);
    gc_mark(Player);
    gc_mark(BadgeShowID);
    gc_mark(BadgeShowTime);
    gc_mark(OrbitTrail);
    gc_mark(CheckinRequest);
    c_App::mark();
}

// ---------------------------------------------------------------------------------------------
// Hooks

int c_MyApp::p_OnCreate() {
    if (kt_Cobble_isOuya == 1) {
        ControlKind = 1;
        kt_Cobble_overscan = 64.0f;
    }
    Fullscreen = 0;
    LogoJinglePlayed = 0;
    MenuSel = 1;
    MenuTarget = -32.0f;

    if (kt_Cobble_J_On_Allow == 1) {
        p_GetURL(String(kCheckinAddress), String("hello=1&gameID=") + String(kt_Cobble_GameNum));
    }

    Mode = Screen::Menu;
    kt_app_SetUpdateRate(kUpdateRate);

    LastDeviceWidth = kt_app_DeviceWidth();
    LastDeviceHeight = kt_app_DeviceHeight();
    TiltZeroX = TiltZeroY = 0;

    p_Reload();
    Difficulty = 2;
    MenuSlide = -32;
    Paused = 0;
    PauseCursor = -1;
    PausePanelY = -64;

    for (int i = 0; i < kBadgeSlots; ++i) BadgeShowID[i] = BadgeShowTime[i] = 0;
    for (int i = 0; i < kBadgesCleared; ++i) Badges[i] = false;
    ClearVirtualButtons(this);
    for (int i = 0; i < Setting::Length; ++i) Settings[i] = 0;
    Settings[Setting::Sound] = SoundMode::All;
    for (int i = 0; i < kHighscoresCleared; ++i) Highscores[i] = 0;

    p_Load();

    for (int i = 0; i < ChannelMap.Length(); ++i) ChannelMap[i] = i;

    // The first frame, drawn before any update, already shows the loading screen and its logo.
    p_FitScreen();
    p_DrawLoadingScreen(1);
    return 0;
}

// The order of work of every update, whatever the screen.
int c_MyApp::p_OnUpdate() {
    p_AdvanceClocks();
    p_ShellKeys();
    kt_asyncevent_UpdateAsyncEvents();  // completes the check-in
    p_MusicFollowsPause();
    SampleRate(UpdateLastMs, UpdateFps, UpdateFpsAvg);
    p_ReadPointer();
    p_UpdateKeyLatch();
    if (LoadStage == 0) {
        p_RunScreen();
        p_SlideOptionBox();
        p_SlideMenuPanel();
    }
    // A loader step can run in the same update as the screen.
    if (LoadStage > 0) p_Loader();
    p_ControlOverlays();
    p_DebugLine();
    p_ShowBadges();  // always last, over everything
    return 0;
}

void c_MyApp::p_AdvanceClocks() {
    UpdatePhase = std::fmod(UpdatePhase + kFrameMs, 1000.0f);
    MillisFraction = static_cast<float>(kt_app_Millisecs() % 1000);
}

void c_MyApp::p_ShellKeys() {
    if (kt_Cobble_isOuya != 1) {
        VirtualButtons[Virtual::MenuKey] = kt_input_KeyHit(KeyCode::Back);
    } else {
        VirtualButtons[Virtual::MenuKey] = kt_input_KeyHit(kKeyOuyaMenu) ? 1 : 0;
    }

    if (kt_input_KeyHit(KeyCode::F1)) kt_Cobble_DebugMode = 1 - kt_Cobble_DebugMode;
    if (kt_input_KeyHit(KeyCode::F2)) HudToggle = 1 - HudToggle;
    if (kt_input_KeyHit(KeyCode::F11)) p_FullscreenFlip();
    // F4 ends the game as closing the window does: saved, then status 0.
    if (kt_input_KeyHit(KeyCode::F4) || kt_input_KeyHit(KeyCode::Close)) p_OnClose();
}

void c_MyApp::p_ReadPointer() {
    float ox = kt_Cobble_overscan, oy = OverscanY(this);
    PrevMouseX = MouseX;
    PrevMouseY = MouseY;
    MouseX = Trunc((kt_input_MouseX() - ox) / ScaleX);
    MouseY = Trunc((kt_input_MouseY() - oy) / ScaleY);
    bool leftDown = kt_input_KeyDown(KeyCode::MouseLeft) != 0;
    // A fresh press starts a drag from where it lands, not from where the pointer last was.
    if (leftDown && !MouseWasDown) {
        PrevMouseX = MouseX;
        PrevMouseY = MouseY;
    }
    PointerDown = leftDown ? 1 : 0;
    MouseHit = kt_input_KeyHit(KeyCode::MouseLeft);
    for (int i = 0; i < kTouches; ++i) {
        TouchDown[i] = 0;
        TouchX[i] = TouchY[i] = kNoValue;
        if (kt_input_KeyDown(KeyCode::Touch0 + i)) {
            TouchDown[i] = 1;
            TouchX[i] = Trunc((kt_input_TouchX(i) - ox) / ScaleX);
            TouchY[i] = Trunc((kt_input_TouchY(i) - oy) / ScaleY);
            PointerDown = 1;
        }
    }
    MouseWasDown = leftDown ? 1 : 0;
    if (PointerDown == 0) PressLock = 0;
    if (PressDelay > 0) --PressDelay;
    if (kt_Cobble_isOuya == 1) {
        MouseWasDown = PointerDown = PressLock = PressDelay = 0;
        ControlKind = 1;
    }
}

// One press acts once. The back action that closes the options box or the credits must not
// also reach the menu as a request to quit.
void c_MyApp::p_UpdateKeyLatch() {
    int active = HeldLatchAction(this);
    if (active < 0) KeyLatch = 0;
    if (KeyLatch == 0 && PressLock == 0 && Mode == Screen::Menu && active == Action::Back &&
        (OptionsOpen == 1 || CreditsOpen == 1)) {
        CreditsOpen = 0;
        KeyLatch = 1;
        PressLock = 1;
    }
    if (OptionsOpen == 1) {
        KeyLatch = 1;
        PressLock = 1;
    }
}

void c_MyApp::p_RunScreen() {
    switch (Mode) {
        case Screen::Menu:
            p_Menu();
            break;
        case Screen::BackToMenu:
            p_LoadMenu();
            p_PlaySFX(Sfx::Jingle, 1, 1, 0);
            Mode = Screen::Menu;
            break;
        case Screen::QuitPrompt:
            p_OuyaQuit();
            break;
        case Screen::Waiting:
            p_WaitStart(0);
            break;
        case Screen::Game:
            if (Paused == 0) p_Game();
            p_InGame();
            break;
        case Screen::Starting:
            p_LoadGame();
            break;
        default:
            break;
    }
    // The overlay also fades out over the menu, so the state is read again here.
    if (Mode == Screen::Menu || Mode == Screen::BackToMenu ||
        (Mode == Screen::Game && GameOverFlag > 0)) {
        p_GameOver();
    }
}

void c_MyApp::p_DebugLine() {
    if (kt_Cobble_DebugMode != 1 || Mode == Screen::Waiting) return;
    p_ResetDraw();
    bool tiltShown = kt_Cobble_AccelerometerControls == 1 && kt_Cobble_iCadeControls == 0;
    float y = tiltShown ? kt_Cobble_jscrh * 0.5f : kt_Cobble_jscrh - 16;
    p_Text(16, y,
           String(ScaleY) + String(",") + String(ScaleX) + String(":") + String(RenderFpsAvg), 0, 0,
           0);
}

int c_MyApp::p_OnSuspend() {
    kt_input_DisableKeyboard();
    kt_Cobble_iCadeControls = 0;
    ClearVirtualButtons(this);
    SetPausedBySuspend(this);
    kt_app_SetUpdateRate(kSuspendedRate);
    p_Save();
    return 0;
}

int c_MyApp::p_OnClose() {
    p_Save();
    return c_App::p_OnClose();
}

int c_MyApp::p_OnResume() {
    SetPausedBySuspend(this);
    kt_app_SetUpdateRate(kUpdateRate);
    kt_input_DisableKeyboard();
    kt_Cobble_iCadeControls = 0;
    ClearVirtualButtons(this);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Window

int c_MyApp::p_FullscreenFlip() {
    KtDisplayMode *desktop = kt_app__game->GetDesktopMode();
    // Without a desktop mode there is no fullscreen size to ask for: stay windowed.
    if (!desktop && Fullscreen == 0) return 0;
    Fullscreen = 1 - Fullscreen;
    if (Fullscreen == 1) {
        kt_app__game->SetDeviceWindow(desktop->width, desktop->height, 1);
    } else {
        kt_app__game->SetDeviceWindow(kWindowedWidth, kWindowedHeight, 0);
    }
    return 0;
}

void c_MyApp::p_FitScreen() {
    int w = kt_app_DeviceWidth(), h = kt_app_DeviceHeight();
    if (w <= 0 || h <= 0) return;
    if (w != LastDeviceWidth || h != LastDeviceHeight) {
        LastDeviceWidth = w;
        LastDeviceHeight = h;
        LoadStage = 1;
    }
    float fw = static_cast<float>(w), fh = static_cast<float>(h);
    float o = kt_Cobble_overscan;
    float k = w >= h ? 1.0f : 1.5f;
    float sx = (fw - 2 * o) / (kt_Cobble_rawscrw * k);
    float sy = (fh - 2 * o) / (kt_Cobble_rawscrh * k);
    if (sx >= sy) {
        FitMode = 1;
        ScaleX = ScaleY = sx;
        kt_Cobble_jscrw = kt_Cobble_rawscrw * k;
        kt_Cobble_jscrh = fh / (fw / (kt_Cobble_rawscrw * k));
    } else {
        FitMode = 2;
        ScaleX = ScaleY = sy;
        kt_Cobble_jscrw = fw / (fh / (kt_Cobble_rawscrh * k));
        kt_Cobble_jscrh = kt_Cobble_rawscrh * k;
    }
    Landscape = kt_Cobble_jscrh <= kt_Cobble_jscrw ? 1 : 0;
}

int c_MyApp::p_OnRender() {
    RenderPhase = std::fmod(RenderPhase + kFrameMs, 1000.0f);
    SampleRate(RenderLastMs, RenderFps, RenderFpsAvg);

    // A clear alpha below 1 leaves a fading trail of the previous frame.
    kt_graphics_SetColor(ClearRed, ClearGreen, ClearBlue);
    kt_graphics_SetAlpha(ClearAlpha);
    kt_graphics_DrawRect(-1, -1, static_cast<float>(kt_app_DeviceWidth() + 2),
                         static_cast<float>(kt_app_DeviceHeight() + 2));
    kt_graphics_SetColor(255, 255, 255);
    kt_graphics_SetAlpha(1);

    p_FitScreen();
    p_Replay();

    kt_graphics_SetAlpha(0.5f);
    kt_graphics_SetColor(255, 255, 255);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Program entry points

void ktInit() {
    kt_app_Init();
    kt_graphics_Init();
    kt_input_Init();
    kt_audio_Init();
    kt_Cobble_Init();
    kt_Cobble_InitMenu();
    kt_random_Init();
}

int ktMain() {
    (new c_MyApp())->m_new();
    return 0;
}
