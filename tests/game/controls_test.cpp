// Controls: keys, joysticks and iCade letters to actions, pointer tests, pad and steering.

#include <algorithm>

#include "tests/support/game_kit.h"

namespace {

using V = std::vector<int>;

// Parked in a state that runs no screen routine: only the routine under test reads the input.
struct Controls : KitTest {
    void SetUp() override { KitTest::SetUp(), app->Mode = Screen::None; }
    // Device button b of a layout-A pad (14 buttons, 5 axes) is framework button b for 0..7.
    KtTestJoystick &Pad(int id) { return kit.Joystick(id, 14, 5); }
    void Put(int touch, float x, float y) { kit.Touch(touch, true, x, y), kit.Frame(); }
    void Lift(int touch) { kit.Touch(touch, false, 0, 0), kit.Frame(); }
    void Key(int key, bool down) { (down ? kit.Press(key) : kit.Release(key)), kit.Frame(); }
    V Entries() { return V(&app->VirtualButtons[0], &app->VirtualButtons[0] + Virtual::Length); }
};

constexpr int kHatLeft = 10, kHatUp = 11, kHatRight = 12, kHatDown = 13;  // device buttons

}  // namespace

// `always` keys play with any iCade setting, `iCadeOff` only with it off; player -1: no menu.
TEST_F(Controls, KeysWithICadeOffAndOn) {
    struct Case {
        int action;
        std::vector<int> always, iCadeOff;
    } cases[] = {{Action::Up, {GLFW_KEY_UP}, {'W'}},
                 {Action::Left, {GLFW_KEY_LEFT}, {'A'}},
                 {Action::Right, {GLFW_KEY_RIGHT}, {'D'}},
                 {Action::Down, {GLFW_KEY_DOWN}, {'S'}},
                 {Action::Button1, {GLFW_KEY_SPACE, GLFW_KEY_ENTER}, {'Z', 'J'}},
                 {Action::Button2, {GLFW_KEY_RIGHT_CONTROL}, {'X', 'K'}},
                 {Action::Button3, {GLFW_KEY_LEFT_SHIFT}, {'C', 'L'}},
                 {Action::Button4, {}, {'V', 'I'}},
                 {Action::Button5, {}, {'B', 'U'}},
                 {Action::Button6, {}, {'N', 'O'}},
                 {Action::Back,
                  {GLFW_KEY_ESCAPE, GLFW_KEY_DELETE, GLFW_KEY_BACKSPACE},
                  {GLFW_KEY_GRAVE_ACCENT}},
                 {Action::Menu,
                  {},
                  {GLFW_KEY_ESCAPE, GLFW_KEY_GRAVE_ACCENT, GLFW_KEY_DELETE, GLFW_KEY_BACKSPACE}}};
    for (int iCade : {0, 1}) {
        app->p_iCade(iCade);
        for (const Case &c : cases) {
            std::vector<int> keys = c.always;
            keys.insert(keys.end(), c.iCadeOff.begin(), c.iCadeOff.end());
            for (size_t k = 0; k < keys.size(); ++k) {
                int expected = k < c.always.size() || iCade == 0;
                Key(keys[k], true);
                EXPECT_EQ(V({app->p_PlayKey(c.action, 1, 0), app->p_PlayKey(c.action, 1, -1)}),
                          V({expected, c.action == Action::Menu ? 0 : expected}))
                    << keys[k] << " " << iCade;
                Key(keys[k], false);
            }
        }
    }
    app->p_iCade(0), Key('W', true);
    EXPECT_EQ(V({app->p_PlayKeyAll(Action::Up, 1), app->p_PlayKey(Action::Up, 1, -2),
                 app->p_PlayKey(Action::Up, 1, 4)}),
              V({4, 0, 0}));
}

// Buttons play for their own player only; the stick's device y of 0.5 is up unless flipped.
TEST_F(Controls, Joysticks) {
    Pad(0);
    KtTestJoystick &second = Pad(1);
    struct Case {
        int button, action;
    } cases[] = {{0, Action::Button1},    {1, Action::Button2},     {2, Action::Button3},
                 {3, Action::Button4},    {4, Action::Button5},     {5, Action::Button6},
                 {6, Action::Menu},       {6, Action::Back},        {7, Action::Back},
                 {kHatUp, Action::Up},    {kHatLeft, Action::Left}, {kHatRight, Action::Right},
                 {kHatDown, Action::Down}};
    for (const Case &c : cases) {
        second.buttons[c.button] = 1, kit.Frame();
        EXPECT_EQ(V({app->p_PlayKey(c.action, 0, 1), app->p_PlayKey(c.action, 0, 0),
                     app->p_PlayKey(c.action, 0, -1)}),
                  V({1, 0, 0}))
            << c.button;
        second.buttons[c.button] = 0;
    }

    second.axes[1] = 0.5f, kit.Frame();
    EXPECT_FLOAT_EQ(app->p_StickY(0, 1), -0.5f);
    EXPECT_EQ(V({app->p_PlayKey(Action::Up, 1, 1), app->p_PlayKey(Action::Up, 0, 1),
                 app->p_PlayKeyAll(Action::Up, 1)}),
              V({1, 0, 1}));
    app->Settings[Setting::LeftStickY] = 1;
    EXPECT_EQ(V({app->p_PlayKey(Action::Up, 1, 1), app->p_PlayKey(Action::Down, 1, 1)}), V({0, 1}));
    app->p_iCade(1);
    EXPECT_EQ(app->p_PlayKey(Action::Down, 1, 1), 0) << "iCade ignores the sticks";
}

// Each letter pair holds and frees its entry, in either case; iCade off clears the entries.
TEST_F(Controls, ICadeLetterPairs) {
    struct Case {
        char press, release;
        int entry;
    } cases[] = {{'W', 'E', 0},  {'X', 'Z', 8},  {'A', 'Q', 3},  {'D', 'C', 5},
                 {'Y', 'T', 13}, {'U', 'F', 14}, {'I', 'M', 15}, {'O', 'G', 16},
                 {'H', 'R', 10}, {'J', 'N', 11}, {'K', 'P', 12}, {'L', 'V', 17}};
    const int lower = 'a' - 'A';
    app->p_iCade(1);
    for (const Case &c : cases) {
        for (int flip : {0, lower}) {
            kit.host.ScriptChar(c.press + flip), kit.Frame();
            int held = app->VirtualButtons[c.entry];
            kit.host.ScriptChar(c.release + lower - flip), kit.Frame();
            EXPECT_EQ(V({held, app->VirtualButtons[c.entry]}), V({Virtual::Held, Virtual::Up}))
                << c.press << c.release;
        }
    }
    for (char typed : {'w', '1', 'b'}) kit.host.ScriptChar(typed);
    kit.Frame();
    V expected(Virtual::Length, Virtual::Up);
    expected[Action::Up] = Virtual::Held;
    EXPECT_EQ(Entries(), expected) << "only the w counts";
    EXPECT_EQ(app->p_PlayKey(Action::Up, 0, -1), 1);
    app->p_iCade(0);
    EXPECT_EQ(Entries(), V(Virtual::Length, Virtual::Up));
}

TEST_F(Controls, PointerTestEdges) {
    struct Case {
        float tx, ty;
        int (*test)(c_MyApp *);
        int expected;
    } cases[] = {{110, 110, [](c_MyApp *a) { return a->p_MouseIn(100, 100, 10, 10); }, 0},
                 {110, 105, [](c_MyApp *a) { return a->p_MouseIn(100, 100, 10, 10); }, 0},
                 {110, 110, [](c_MyApp *a) { return a->p_MouseIn(100, 100, 11, 11); }, 1},
                 {110, 110, [](c_MyApp *a) { return a->p_MouseIn(110, 100, 5, 20); }, 0},
                 {110, 110, [](c_MyApp *a) { return a->p_MouseIn_Centered(100, 100, 20, 40); }, 0},
                 {110, 110, [](c_MyApp *a) { return a->p_MouseIn_Centered(100, 100, 21, 21); }, 1},
                 {107, 107, [](c_MyApp *a) { return a->p_MouseIn_Radius(100, 100, 20, 20); }, 1},
                 {110, 100, [](c_MyApp *a) { return a->p_MouseIn_Radius(100, 100, 0, 20); }, 1},
                 {111, 111, [](c_MyApp *a) { return a->p_MouseIn_Radius(100, 100, 20, 20); }, 0},
                 {110, 110, [](c_MyApp *a) { return a->p_Touch(116, 100, 0, 20); }, 0},
                 {110, 110, [](c_MyApp *a) { return a->p_Touch(115, 100, 0, 20); }, 1},
                 {110, 110, [](c_MyApp *a) { return a->p_Touch(50, 50, 48, 48); }, 0},
                 {110, 110, [](c_MyApp *a) { return a->p_Touch(50, 50, 49, 49); }, 1},
                 {90, 110, [](c_MyApp *a) { return a->p_Touch2(90, 0); }, 1},
                 {78, 110, [](c_MyApp *a) { return a->p_Touch2(90, 100); }, 0}};
    for (const Case &c : cases) {
        Put(3, c.tx, c.ty);  // any touch slot counts
        EXPECT_EQ(c.test(app), c.expected) << &c - cases;
    }
    Lift(3);
    EXPECT_EQ(app->p_MouseIn(0, 0, 1000, 1000), 0) << "touches that are up count nowhere";
}

// Pad at (100, 380): its arms and the mirrored buttons; paused, only the buttons act.
TEST_F(Controls, OnScreenPad) {
    app->ImageInfo[SlotInfo::Width(Img::Dpad)] = app->ImageInfo[SlotInfo::Height(Img::Dpad)] = 32;
    app->HDScale = 1, app->Settings[Setting::PadScale] = 10;
    struct Case {
        float tx, ty;
        int paused, entry;  // entry -1: none set
    } cases[] = {{68, 380, 0, Action::Left},
                 {100, 348, 0, Action::Up},
                 {100, 412, 0, Action::Down},
                 {132, 380, 0, Action::Right},
                 {564, 356, 0, Action::Button1},
                 {516, 404, 0, Action::Button2},
                 {68, 380, 1, -1},
                 {516, 404, 1, Action::Button2}};
    app->Settings[Setting::PadX] = app->Settings[Setting::PadY] = 100;
    for (const Case &c : cases) {
        app->Paused = c.paused, Put(1, c.tx, c.ty), app->p_OnScreenPad();
        V expected(Virtual::Length, Virtual::Up);
        if (c.entry >= 0) expected[c.entry] = Virtual::Pressed;
        EXPECT_EQ(Entries(), expected) << &c - cases;
        Lift(1);
    }
}

// A drag steers from its anchor (dead zone, leash); keys ramp the stick; then the real stick.
TEST_F(Controls, AnalogueSteering) {
    kit.MoveMouse(100, 100), kit.MouseButton(true), kit.Frame(), app->p_AnalogueControl();
    EXPECT_EQ(app->DragAnchorX, 100);
    struct Case {
        float mx, my, stickX, stickY;
        int anchorX;
    } drags[] = {
        {136, 100, 0.5f, 0, 100},
        {103, 104, 0, 0, 100},     // inside the dead zone on both axes
        {200, 64, 1, -0.5f, 104},  // beyond the leash: clamped, and the anchor creeps on x
    };
    for (const Case &c : drags) {
        kit.MoveMouse(c.mx, c.my), kit.Frame(), app->p_AnalogueControl();
        EXPECT_EQ(std::vector<float>({app->StickX, app->StickY, float(app->DragAnchorX)}),
                  std::vector<float>({c.stickX, c.stickY, float(c.anchorX)}))
            << c.mx;
    }
    kit.MouseButton(false), Key(GLFW_KEY_RIGHT, true), app->p_AnalogueControl();
    EXPECT_EQ(V({app->DragAnchorX, app->StickX == 0.15f}), V({-1, 1}));
    for (int i = 1; i < 10; ++i) app->p_AnalogueControl();
    EXPECT_EQ(V({int(app->KeyAxisX), app->StickX == 1}), V({1, 1}));
    Key(GLFW_KEY_RIGHT, false), app->p_AnalogueControl();
    EXPECT_FLOAT_EQ(app->StickX, 0.8f);
    std::vector<float> axis;
    for (int i = 0; i < 5; ++i) app->p_AnalogueControl(), axis.push_back(app->KeyAxisX);
    EXPECT_EQ(axis.back(), 0);
    EXPECT_GE(*std::min_element(axis.begin(), axis.end()), 0) << "returns to 0, not past it";
    KtTestJoystick &pad = Pad(0);
    pad.axes[0] = 0.3f, pad.axes[1] = 0.5f, kit.Frame(), app->p_AnalogueControl();
    EXPECT_EQ(std::vector<float>({app->StickX, app->StickY}), std::vector<float>({0.3f, -0.5f}));
}
