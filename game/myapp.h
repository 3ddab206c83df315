// c_MyApp: the game's one application class, and the game module's globals.
//
// The game keeps its mutable data in flat arrays addressed by named indices and counts time in
// updates. Nothing draws during an update: every screen routine records 15-float commands into
// DrawList, and the render hook fits the virtual screen to the window and replays them. Fields
// are grouped by the part of the game that owns them; one source file per part.
//
// Sections: Types (markers, the named indices of the flat arrays, c_MyApp with its fields
// and operations by part); Globals; Functions (module set-up, random draws, input and
// conversion helpers shared by the parts).
#pragma once

#include "framework/app.h"
#include "game/manifest.h"
#include "net/http.h"

// ---------------------------------------------------------------------------------------------
// Types

// The no-value marker: as a colour or size argument it leaves the setting unchanged, as a touch
// position it marks a touch that is up, and as a draw-command kind it marks a rectangle.
constexpr int kNoValue = -3717;
// Updates per second while the game runs and is not suspended.
constexpr int kUpdateRate = 60;

// The keep marker of p_DoBG: a colour channel at or below it keeps its target, and as the alpha
// it means opaque.
constexpr int kKeepValue = -123;
// The tune name that asks p_PlayTune for the last tune again.
constexpr const char *kLastTune = "-1";
// The seed that makes p_SeedRnd take the clock instead.
constexpr int kSeedFromClock = -37171650;
// The random generator's state after kt_random_Init, so a run that never reseeds replays.
constexpr unsigned int kFixedSeed = 1234;

// Slots of one recorded draw command (DrawList holds them back to back).
namespace Rec {
constexpr int Kind = 0;  // image slot, or one of the shape kinds below
constexpr int X = 1, Y = 2, Rot = 3;
constexpr int SizeX = 4, SizeY = 5;  // shapes: width/height, radii, or the line's end point
constexpr int Frame = 6, Alpha = 7;
constexpr int Red = 10, Green = 11, Blue = 12, Blend = 13;
constexpr int Size = 15;
constexpr float KindRect = kNoValue, KindOval = kNoValue + 1, KindLine = kNoValue + 2;
// Records start at 0, 15, ..., 37470: one is appended only while DrawCount is at most this.
constexpr int LastStart = 37484;
constexpr int ListLength = 37500;
}  // namespace Rec

// Abstract actions of p_PlayKey; the directions and buttons are also their VirtualButtons entry.
namespace Action {
constexpr int Up = 0, Left = 3, Right = 5, Down = 8;
constexpr int Button1 = 10, Button2 = 11, Button3 = 12, Button4 = 13, Button5 = 14, Button6 = 15;
constexpr int Menu = 98, Back = 99;
}  // namespace Action

// VirtualButtons entries beyond the actions' own.
namespace Virtual {
constexpr int Back1 = 16, Back2 = 17, MenuKey = 19;
constexpr int Cleared = 19;  // entries 0..18 are cleared by suspend, resume and iCade off
constexpr int Length = 20;
constexpr int Held = 2, Pressed = 1, Up = 0;
}  // namespace Virtual

// The highscore tables in Highscores: for each game type t (0 Easy, 1 Normal, 2 Hard) a top list
// (best first) and a last list (newest first) of ListLength entries.
namespace Highscore {
constexpr int ListLength = 10, Tables = 3;
constexpr int LastLists = 30;  // where the last lists start
constexpr int Length = 150;
// The table of a game type; anything outside 1..3 is kept inside the tables.
constexpr int TableOf(int difficulty) {
    return difficulty < 1 ? 0 : difficulty > Tables ? Tables - 1 : difficulty - 1;
}
constexpr int Top(int table, int k) {
    return table * ListLength + k;
}
constexpr int Last(int table, int k) {
    return LastLists + table * ListLength + k;
}
}  // namespace Highscore

// The layout of ImageInfo: three entries per image slot, in level pixels.
namespace SlotInfo {
constexpr int Entries = 3;
constexpr int Width(int slot) {  // cell width, or a font's advance
    return slot * Entries;
}
constexpr int Height(int slot) {  // cell height, or a font's line height
    return slot * Entries + 1;
}
constexpr int Frames(int slot) {
    return slot * Entries + 2;
}
}  // namespace SlotInfo

// Settings entries with a meaning (the rest are kept and saved as they are).
namespace Setting {
constexpr int Sound = 5;
constexpr int PadX = 10, PadY = 11, PadScale = 12;
constexpr int Overscan = 14;
constexpr int LeftStickY = 15, RightStickY = 16;
constexpr int Length = 25;
}  // namespace Setting

// Sound modes of Settings[Setting::Sound].
namespace SoundMode {
constexpr int Off = 0, All = 1, EffectsOnly = 2, MusicOnly = 3;
}  // namespace SoundMode

// Screen states held in Mode.
namespace Screen {
constexpr int None = 0, Menu = 1, BackToMenu = 2, QuitPrompt = 4, Waiting = 5, Game = 10,
              Starting = 11;
}  // namespace Screen

// The board: 13 columns of 4 cards between START and GOAL. Grid is a table of cells of
// Cell::Size floats, Board::Stride cells to a row; only columns 0..12 of rows 0..3 are used.
namespace Board {
constexpr int Columns = 13, Rows = 4, Cards = 52;
constexpr int Start = -1, Goal = 13;  // the piece's column on START and on GOAL
constexpr int FirstTrap = 26;         // card values 0..25 are safe, 26..51 traps
constexpr int Stride = 50;
constexpr int GridLength = 5000000, ObjLength = 5100;
}  // namespace Board

// Fields of one board cell in Grid.
namespace Cell {
constexpr int Card = 0;  // card value 0..51
constexpr int X = 1, Y = 2, TargetX = 3, TargetY = 4;
// Degrees: -180 face up as dealt, rising to 0 face down; above 0 turning face up, 180 face up.
constexpr int Turn = 5;
constexpr int Delay = 6;  // updates before the card starts to glide; falls without a floor
constexpr int Face = 8;   // frame of the card sheet (CardFace)
constexpr int Size = 10;
}  // namespace Cell

// Frames of the card sheet a face-up card shows: a safe card one of FirstSafe..FirstTrap-1, a
// trap FirstTrap + its value mod 4.
namespace CardFace {
constexpr int FirstSafe = 4, FirstTrap = 8;
}  // namespace CardFace

// Indices of the player record (Player): the piece, the die and the turn.
namespace Player {
constexpr int Col = 1, Row = 2;      // column Board::Start .. Board::Goal, row 0..3
constexpr int StepX = 3, StepY = 4;  // step in progress in pixels, 0 when idle
constexpr int Clearing = 15;         // 1 while the board clears after the goal
constexpr int CardsMoving = 16;      // 1 if any card glided this update
constexpr int Phase = 20;            // a value of the Phase namespace
constexpr int DieVX = 23, DieVY = 24, DieX = 25, DieY = 26, DieAngle = 27;
constexpr int Pips = 28;         // the die's value while tumbling, then the steps left to spend
constexpr int DieEnergy = 29;    // 120 at the throw; the tumble ends below 0
constexpr int StepLatch = 31;    // 1 until the direction control is released
constexpr int Wait = 45;         // update counter of the landing and of the pause after a trap
constexpr int FreshReveal = 46;  // 1 if this landing turned the card face up
constexpr int Lives = 99;
constexpr int Length = 500;
}  // namespace Player

// The turn's phases, held in Player[Player::Phase].
namespace Phase {
constexpr int Throw = 0, Tumbling = 1, Stepping = 2, Landing = 3, Trapped = 5;
}  // namespace Phase

struct c_MyApp : c_App, virtual c_IOnHttpRequestComplete {
    // -- Game shell and screen states ------------------------------------------------------
    int Mode = Screen::None;
    int ControlKind = 0;
    int Fullscreen = 0;
    int LogoJinglePlayed = 0;
    int LastDeviceWidth = 0, LastDeviceHeight = 0;
    float ClearRed = 0, ClearGreen = 0, ClearBlue = 0, ClearAlpha = 1;
    int HDLevel = 1;
    float HDScale = 1;
    Array<c_Image *> Images;
    Array<int> ImageInfo;  // per image slot: see SlotInfo
    int FontSlot = 0;
    int LoadStage = 0;
    int Paused = 0;
    int PauseCursor = 0;
    int PausePanelY = 0;
    int ScratchIndex = 0;
    Array<bool> Badges;
    Array<int> Settings;
    Array<int> Highscores;
    Array<int> VirtualButtons;
    float RenderPhase = 0;
    int RenderLastMs = 0, RenderFps = 0, RenderFpsAvg = 0;
    float ScaleX = 0, ScaleY = 0;
    int FitMode = 0;
    int Landscape = 0;
    int DrawCount = 0;
    Array<float> DrawList;
    int CurrentChar = 0;
    float UpdatePhase = 0;
    float MillisFraction = 0;
    int HudToggle = 0;
    int MusicOn = 0;
    int UpdateLastMs = 0, UpdateFps = 0, UpdateFpsAvg = 0;
    int MouseX = 0, MouseY = 0, PrevMouseX = 0, PrevMouseY = 0;
    int MouseWasDown = 0, PointerDown = 0, MouseHit = 0;
    Array<int> TouchDown, TouchX, TouchY;
    int PressLock = 0;
    int PressDelay = 0;
    int KeyLatch = 0;
    int OptionsOpen = 0, CreditsOpen = 0;
    float PanelExtra = 0;
    int OptionsSlide = 0;

    // -- Draw-command list and drawing helpers ---------------------------------------------
    float DrawSizeX = 1, DrawSizeY = 1;
    float DrawRot = 0;
    float DrawRed = 255, DrawGreen = 255, DrawBlue = 255;
    float DrawAlpha = 1;
    int DrawBlend = 1;
    float ViewLeft = 0, ViewTop = 0, ViewWidth = 0, ViewHeight = 0;

    // -- Controls and controller mapping ---------------------------------------------------
    float StickX = 0, StickY = 0;
    float KeyAxisX = 0, KeyAxisY = 0;
    int DragAnchorX = -1, DragAnchorY = 0;
    float PadCenterX = 0, PadCenterY = 0, PadScale = 0, PadDragLast = 0;
    int PadDragging = 0, PadPinch = 0;
    float TiltZeroX = 0, TiltZeroY = 0, TiltX = 0, TiltY = 0, TiltSmoothX = 0, TiltSmoothY = 0;
    int ButtonHit = 0;

    // -- Asset loading and sound cues ------------------------------------------------------
    int SurfaceSlot = 0;
    Array<c_Sound *> Sounds;
    int SfxChannel = 0;
    Array<int> ChannelMap;
    String CurrentTune;
    int LoaderSize = 0;
    int LoaderSpin = 0;

    // -- Board, dice and turns -------------------------------------------------------------
    int Difficulty = 0;   // 1 Easy, 2 Normal, 3 Hard
    Array<float> Obj;     // the deck in its first Board::Cards entries
    Array<float> Grid;    // the board cells (Cell), Board::GridLength floats
    Array<float> Player;  // the player record (Player), Player::Length floats

    // -- Scores, placings and game over ----------------------------------------------------
    int Score = 0;
    int ShownScore = 0;  // rolls towards Score
    int NextScore = 0;   // the table entry shown as the next to beat
    int GameOverFlag = 0;
    int QuitFlag = 0;  // -1 when the run was quit from the pause menu
    int GameOverTimer = 0;

    // -- Backdrop colour and frame start ---------------------------------------------------
    float BgTargetRed = 0, BgTargetGreen = 0, BgTargetBlue = 0;
    float BgRed = 0, BgGreen = 0, BgBlue = 0;

    // -- Main menu and credits -------------------------------------------------------------
    int MenuSel = 0;
    float MenuTarget = 0;
    int MenuSlide = 0;
    float MenuShown = 0;
    float MenuFling = 0;
    int MenuFocus = 1;  // 0 options gear, 1 game wheel, 2 side panel
    float MenuGearSpin = 0;
    int MenuRepeat = 0, MenuRepeatDelay = 30;  // Up/Down auto-repeat: frames to wait, next wait
    float CreditScroll = 0;
    int CreditLine = 0;

    // -- Options and pause menus -----------------------------------------------------------
    int OptionRow = 0;  // 0 is the back gear
    int OptionKeyLatch = 0, OptionTouchLatch = 0;
    float OptionGearSpin = 0;
    int PauseChoice = 0;  // -1 quit game, 0 resume, 1 options
    float PauseGearSpin = 0;
    float OrbitAngleA = 0, OrbitAngleB = 0, OrbitSpeed = 3, OrbitHue = 0, OrbitRadius = 40;
    Array<float> OrbitTrail;  // 102 points, x then y, oldest first
    int OrbitTrailFilled = 0;

    // -- Badges ----------------------------------------------------------------------------
    Array<int> BadgeShowID, BadgeShowTime;
    int BadgeShowWidth = 0;

    // -- Online check-in -------------------------------------------------------------------
    String CheckinReply;
    c_HttpRequest *CheckinRequest = nullptr;
    int CheckinDone = 0;

    c_MyApp();
    c_MyApp *m_new();
    void mark() override;

    // Game shell (shell.cpp)
    int p_OnCreate() override;
    int p_OnUpdate() override;
    int p_OnRender() override;
    int p_OnSuspend() override;
    int p_OnResume() override;
    // Closing the window saves first: settings changed in an open options box are saved only
    // when it closes.
    int p_OnClose() override;
    int p_FullscreenFlip();
    // The steps of p_OnUpdate, in its order: the update clocks; the menu button and the function
    // keys; the pointer and touches in virtual pixels with the press lock; the key latch; and,
    // with no load running, the screen state machine.
    void p_AdvanceClocks();
    void p_ShellKeys();
    void p_ReadPointer();
    void p_UpdateKeyLatch();
    void p_RunScreen();
    // The debug line (F1): the scales and the render rate.
    void p_DebugLine();
    // Fits the virtual screen to the device; restarts the loader when the device size changed.
    // A zero-sized (minimised) device keeps the previous fitting.
    void p_FitScreen();

    // Draw-command list (draw_list.cpp)
    int p_DrawImg(int slot, float x, float y, float frame);
    int p_Rect(float x, float y, float w, float h);
    int p_Oval(float x, float y, float rx, float ry);
    int p_Line(float x1, float y1, float x2, float y2);
    int p_SetCol(float r, float g, float b, float a);
    int p_Alpha(float a);
    int p_SetRot(float a);
    int p_SetSize(float sx, float sy);
    int p_Ink(int kind, float brightness);
    int p_ResetDraw();
    int p_CLS2D(float r, float g, float b, float a);
    int p_Text(float x, float y, String text, float xalign, float yalign, int fontOffset);
    String p_rstr(int value, int width, String pad);
    // Replays DrawList in device pixels (the render hook's work after the clear and fitting).
    void p_Replay();

    // Controls (controls.cpp)
    int p_PlayKey(int action, int allowStick, int player);
    int p_PlayKeyAll(int action, int allowStick);
    float p_StickX(int axis, int player);
    float p_StickY(int axis, int player);
    int p_iCade(int on);
    void p_DecodeICade();
    void p_OnScreenPad();
    void p_TiltIndicator();
    int p_MouseIn(float x, float y, float w, float h);
    int p_MouseIn_Centered(float x, float y, float w, float h);
    int p_MouseIn_Radius(float x, float y, float w, float h);
    int p_Touch(float x, float y, float w, float h);
    int p_Touch2(float y, float w);  // the options box's rows: x 84, height 24
    int p_Button(int slot, float x, float y, float frame);
    int p_Button2(float x, float y, float frame);  // the icon sheet's buttons
    int p_Button0(int slot, float x, float y, float frame);
    int p_AnalogueControl();
    // The update's control step: iCade decoding, then the on-screen pad or the tilt indicator.
    void p_ControlOverlays();

    // Assets and sound cues (assets.cpp)
    int p_LoadImg(int slot, String name, int cellW, int cellH, int frames, int flags);
    int p_LoadFont(int slot, String name, int advance, int lineHeight);
    int p_ReserveImg(int slot, int w, int h);
    int p_Reload();
    int p_Loader();
    int p_WaitStart(int mode);
    // The loading screen as the loader's updates draw it (mode 1 with its rings), advancing
    // nothing.
    void p_DrawLoadingScreen(int mode);
    int p_LoadSFX(int n);
    int p_PlaySFX(int n, float rate, float volume, float pan);
    int p_PlayTune(String name, int loop);
    int p_StopTune();
    int p_BankLoad();
    // The update's music step: a playing tune pauses with the game and resumes with it.
    void p_MusicFollowsPause();
    // HDLevel and HDScale for the current device size.
    void p_ChooseLevel();

    // Board, dice and turns (board.cpp)
    int p_LoadGame();
    int p_FlushGame();
    int p_ResetObj();
    int p_ResetGrid();
    int p_ResetPlayers();
    int p_Redeal();
    int p_Reseat();
    int p_Game();
    int p_InGame();
    // Reseeds the generator; the seed kSeedFromClock takes the clock instead.
    int p_SeedRnd(int seed);
    // floor(low + (high + 0.99 - low) x Rnd): high is included for whole bounds.
    int p_Rand(float low, float high);

    // Scores and game over (scores.cpp)
    int p_ScoreDisplay();
    String p_Nth(int n);
    String p_MyNth();
    int p_GameOver();
    int p_LoadMenu();
    int p_GC_PostScore(int score, int board);

    // Backdrop (backdrop.cpp)
    int p_DoBG(int red, int green, int blue, float alpha);

    // Main menu and credits (menu.cpp)
    int p_Menu();
    // The update's panel step: the side panel widens into the credits page and narrows back.
    void p_SlideMenuPanel();

    // Options, pause and quit prompt (options.cpp)
    int p_OptionBox();
    // The update's options step: the box runs while open or sliding, and slides in or out.
    void p_SlideOptionBox();
    // One frame of the pause screen; the board screen calls it while Paused is 1.
    int p_PauseMenu();
    int p_OuyaQuit();

    // Badges (badges.cpp)
    String p_BadgeID(int n);
    String p_BadgeName(int n);
    String p_BadgeDetail(int n);
    int p_ShowBadges();
    int p_GC_Badges();

    // Save data (save.cpp)
    int p_Save();
    int p_Load();

    // Online check-in (checkin.cpp)
    int p_GetURL(String url, String data);
    void p_OnHttpRequestComplete(c_HttpRequest *request) override;
};

// ---------------------------------------------------------------------------------------------
// Globals

// The virtual screen, its fitting and the game's fixed configuration.
extern float kt_Cobble_rawscrw, kt_Cobble_rawscrh;
extern float kt_Cobble_jscrw, kt_Cobble_jscrh;
extern float kt_Cobble_overscan;
extern int kt_Cobble_UseHDImages;
extern int kt_Cobble_DebugMode;
extern int kt_Cobble_isOuya;
extern const int kt_Cobble_GameNum;
extern int kt_Cobble_J_On_Allow;
extern int kt_Cobble_J_On_Able;
extern int kt_Cobble_iCadeControls;
extern int kt_Cobble_OnScreenControls;
extern int kt_Cobble_AccelerometerControls;
extern int kt_Cobble_HasMusicStream;
// The wheel's game types as name/description pairs, and the credit lines (the last one, "End",
// is never shown).
extern Array<String> kt_Cobble_MenuSet, kt_Cobble_CreditText;

// The one random generator of the program: a 32-bit linear congruential state.
extern unsigned int kt_random_Seed;

// ---------------------------------------------------------------------------------------------
// Functions

// Gives the game module's globals their initial values (part of ktInit).
void kt_Cobble_Init();
// Gives the menu's text globals their values (part of ktInit).
void kt_Cobble_InitMenu();

// Each draw is one step of kt_random_Seed: a float in [0, 1), low + (high - low) x that, and
// range x that. kt_random_Init sets the state to kFixedSeed (part of ktInit).
float kt_random_Rnd();
float kt_random_Rnd2(float low, float high);
float kt_random_Rnd3(float range);
void kt_random_Init();

// The menu screens act on a press only while no earlier press is still being acted on, and take
// the press they act on, so one press acts once.
inline bool InputFree(const c_MyApp *app) {
    return app->PressLock == 0 && app->KeyLatch == 0;
}
inline void LockInput(c_MyApp *app) {
    app->PressLock = app->KeyLatch = 1;
}

// Any player holds `action`, sticks included.
inline bool Any(c_MyApp *app, int action) {
    return app->p_PlayKeyAll(action, 1) != 0;
}
// Plays an effect at its own rate and full volume, centred.
inline void Cue(c_MyApp *app, int cue) {
    app->p_PlaySFX(cue, 1, 1, 0);
}
// The first held action of those the key latches watch (the directions, the buttons and back,
// in that order); -1 when none is held.
int HeldLatchAction(c_MyApp *app);

// Every float-to-int conversion of the game truncates toward zero. NaN gives 0 and values
// beyond the int range saturate, so no outside value (a pointer position, a corrupt setting)
// can make the conversion undefined.
inline int Trunc(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483520.0f) return 2147483647;
    if (v <= -2147483648.0f) return -2147483647 - 1;
    return static_cast<int>(v);
}
