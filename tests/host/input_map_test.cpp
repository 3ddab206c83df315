// Key translation, callback event sequences and joystick layouts, through the test host.

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "host/gxtk_graphics.h"
#include "tests/support/test_game.h"

namespace {

using Events = std::vector<std::string>;

// The framework codes of the keys outside the digit, letter, F and keypad-digit ranges.
struct KeyRow {
    int key, code;
};
const KeyRow kRows[] = {
    {GLFW_KEY_SPACE, 32},          {GLFW_KEY_APOSTROPHE, 222},
    {GLFW_KEY_COMMA, 188},         {GLFW_KEY_MINUS, 189},
    {GLFW_KEY_PERIOD, 190},        {GLFW_KEY_SLASH, 191},
    {GLFW_KEY_SEMICOLON, 186},     {GLFW_KEY_EQUAL, 187},
    {GLFW_KEY_LEFT_BRACKET, 219},  {GLFW_KEY_BACKSLASH, 220},
    {GLFW_KEY_RIGHT_BRACKET, 221}, {GLFW_KEY_GRAVE_ACCENT, 192},
    {GLFW_KEY_ESCAPE, 27},         {GLFW_KEY_UP, 38},
    {GLFW_KEY_DOWN, 40},           {GLFW_KEY_LEFT, 37},
    {GLFW_KEY_RIGHT, 39},          {GLFW_KEY_LEFT_SHIFT, 16},
    {GLFW_KEY_RIGHT_SHIFT, 16},    {GLFW_KEY_LEFT_CONTROL, 17},
    {GLFW_KEY_RIGHT_CONTROL, 17},  {GLFW_KEY_TAB, 9},
    {GLFW_KEY_ENTER, 13},          {GLFW_KEY_BACKSPACE, 8},
    {GLFW_KEY_INSERT, 45},         {GLFW_KEY_DELETE, 46},
    {GLFW_KEY_PAGE_UP, 33},        {GLFW_KEY_PAGE_DOWN, 34},
    {GLFW_KEY_HOME, 36},           {GLFW_KEY_END, 35},
    {GLFW_KEY_KP_DIVIDE, 111},     {GLFW_KEY_KP_MULTIPLY, 106},
    {GLFW_KEY_KP_SUBTRACT, 109},   {GLFW_KEY_KP_ADD, 107},
    {GLFW_KEY_KP_DECIMAL, 110},
};

TEST(TransKey, EveryTableRowAndNothingElse) {
    for (auto [key, code] : kRows) EXPECT_EQ(TransKey(key), code) << "GLFW key " << key;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(TransKey(GLFW_KEY_0 + i), 48 + i);
    for (int i = 0; i < 26; ++i) EXPECT_EQ(TransKey(GLFW_KEY_A + i), 65 + i);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(TransKey(GLFW_KEY_F1 + i), 112 + i);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(TransKey(GLFW_KEY_KP_0 + i), 96 + i);

    const int unmapped[] = {
        GLFW_KEY_LEFT_ALT,   GLFW_KEY_RIGHT_ALT, GLFW_KEY_F13,
        GLFW_KEY_F25,        GLFW_KEY_KP_EQUAL,  GLFW_KEY_KP_ENTER,
        GLFW_KEY_NUM_LOCK,   GLFW_KEY_CAPS_LOCK, GLFW_KEY_PAUSE,
        GLFW_KEY_LEFT_SUPER, GLFW_KEY_MENU,      GLFW_KEY_PRINT_SCREEN,
        GLFW_KEY_WORLD_1,    GLFW_KEY_UNKNOWN,   0,
        GLFW_KEY_LAST + 1,
    };
    for (int key : unmapped) EXPECT_EQ(TransKey(key), 0) << "GLFW key " << key;
}

TEST(KeyToChar, ControlAndNavigationKeysOnly) {
    for (int code : {8, 9, 13, 27}) EXPECT_EQ(KeyToChar(code), code);
    for (int code = 33; code <= 40; ++code) EXPECT_EQ(KeyToChar(code), code + 65536);
    EXPECT_EQ(KeyToChar(45), 45 + 65536);
    EXPECT_EQ(KeyToChar(46), 127);
    for (int code : {0, 16, 17, 32, 41, 44, 47, 65, 112, 432}) EXPECT_EQ(KeyToChar(code), 0);
}

struct Input : ::testing::Test {
    KtTestGame game;
    KtRecordingDelegate *delegate = new KtRecordingDelegate();

    void SetUp() override {
        game.SetDelegate(delegate);
        game.StartGame();
        delegate->calls.clear();
    }
};

// Auto-repeat repeats the key down and its key char; characters and mouse buttons 0..2 come
// with the cursor position; untranslated keys and buttons send nothing.
TEST_F(Input, CallbacksGiveTheFrameworkEventSequences) {
    game.ScriptKey(GLFW_KEY_LEFT, GLFW_PRESS);
    game.ScriptKey(GLFW_KEY_LEFT, GLFW_REPEAT);
    game.ScriptKey(GLFW_KEY_LEFT, GLFW_RELEASE);
    game.ScriptKey(GLFW_KEY_BACKSPACE, GLFW_REPEAT);
    game.ScriptKey(GLFW_KEY_A, GLFW_REPEAT);
    game.ScriptKey(GLFW_KEY_LEFT_ALT, GLFW_PRESS);
    game.ScriptChar(0xE9);
    game.ScriptCursor(120.75, 33.5);
    game.ScriptMouseButton(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    game.ScriptMouseButton(GLFW_MOUSE_BUTTON_4, GLFW_PRESS);
    game.ScriptMouseButton(GLFW_MOUSE_BUTTON_MIDDLE, GLFW_RELEASE);
    game.PumpNow();
    EXPECT_EQ(delegate->calls,
              (Events{"key 1 37", "key 3 65573", "key 1 37", "key 3 65573", "key 2 37", "key 1 8",
                      "key 3 8", "key 1 65", "key 3 233", "mouse 6 -1 120 33", "mouse 4 0 120 33",
                      "mouse 5 2 120 33"}));
}

TEST_F(Input, CloseButtonSendsTheCloseKeyAndANewWindowReleasesHeldKeys) {
    game.ScriptClose();
    game.ScriptKey(GLFW_KEY_LEFT, GLFW_PRESS);
    game.ScriptKey(GLFW_KEY_A, GLFW_PRESS);
    game.ScriptKey(GLFW_KEY_A, GLFW_RELEASE);
    game.ScriptKey(GLFW_KEY_RIGHT_CONTROL, GLFW_PRESS);
    game.PumpNow();
    EXPECT_EQ(delegate->calls.front(), "key 1 432");
    EXPECT_EQ(delegate->calls[1], "key 2 432");
    delegate->calls.clear();

    int seq = glfwGraphicsSeq;
    game.SetDeviceWindow(800, 600, 0);
    EXPECT_EQ(delegate->calls, (Events{"key 2 37", "key 2 17"}));
    EXPECT_EQ(glfwGraphicsSeq, seq + 1);
}

struct Joystick : ::testing::Test {
    KtTestGame game;
    Array<float> joyx{2}, joyy{2}, joyz{2};
    Array<bool> buttons{32};

    bool Poll(int port) { return game.PollJoystick(port, joyx, joyy, joyz, buttons); }
    // Left stick x y z, right stick x y z.
    void ExpectSticks(std::vector<float> expected) {
        std::vector<float> got = {joyx[0], joyy[0], joyz[0], joyx[1], joyy[1], joyz[1]};
        EXPECT_EQ(got, expected);
    }
    void ExpectPressed(std::vector<int> pressed) {
        for (int i = 0; i < 32; ++i) {
            EXPECT_EQ(buttons[i], std::count(pressed.begin(), pressed.end(), i) == 1)
                << "framework button " << i;
        }
    }
};

TEST_F(Joystick, LayoutAForFourteenButtonsAndFiveAxesLayoutBForAnyOther) {
    KtTestJoystick &a = game.AddJoystick(0, 14, 5);
    a.axes = {0.125f, 0.25f, 0.375f, 0.5f, 0.625f};
    a.buttons[1] = a.buttons[8] = a.buttons[13] = 1;
    ASSERT_TRUE(Poll(0));
    ExpectSticks({0.125f, 0.25f, 0.375f, 0.625f, -0.5f, -0.375f});
    ExpectPressed({1, 12, 11});  // from device buttons 1, 8 and 13

    // 12 buttons plus one hat (4 trailing buttons), 4 axes: buttons 0, 12 (hat up) and 15 (hat
    // left) are framework buttons 2, 8 and 11; button 7, the right trigger, is the right z.
    KtTestJoystick &b = game.AddJoystick(0, 16, 4);
    b.axes = {-1.0f, 1.0f, 0.25f, 0.75f};
    b.buttons[0] = b.buttons[7] = b.buttons[12] = b.buttons[15] = 1;
    ASSERT_TRUE(Poll(0));
    ExpectSticks({-1.0f, 1.0f, 0.0f, 0.25f, -0.75f, 1.0f});
    ExpectPressed({2, 8, 11});

    // 14 buttons with 6 axes is not layout A either.
    KtTestJoystick &other = game.AddJoystick(0, 14, 6);
    other.buttons[6] = 1;  // layout B's left trigger, layout A's button 6
    ASSERT_TRUE(Poll(0));
    EXPECT_FLOAT_EQ(joyz[0], 1.0f);
    EXPECT_FALSE(buttons[6]);
}

TEST_F(Joystick, PortsFollowThePresentIdsInOrder) {
    joyx[0] = 9.0f;
    EXPECT_FALSE(Poll(0));
    EXPECT_FLOAT_EQ(joyx[0], 9.0f) << "no joystick leaves the arrays untouched";
    EXPECT_FALSE(Poll(4));

    game.AddJoystick(15, 14, 5).axes[0] = 0.5f;
    game.AddJoystick(3, 2, 1).buttons[1] = 1;
    ASSERT_TRUE(Poll(0));
    EXPECT_FALSE(buttons[8]) << "too few buttons for the trailing four: released, not read";
    EXPECT_TRUE(buttons[0]);
    ASSERT_TRUE(Poll(1));
    EXPECT_FLOAT_EQ(joyx[0], 0.5f);
    EXPECT_FALSE(Poll(2));

    // Ports 1..3 use the list as last enumerated: a new joystick appears at the next port 0 poll.
    game.AddJoystick(7, 14, 5);
    EXPECT_FALSE(Poll(2));
    ASSERT_TRUE(Poll(0));
    EXPECT_TRUE(Poll(2));
}

}  // namespace
