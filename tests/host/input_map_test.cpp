// Key translation, callback event sequences and joystick layouts, through the test host.

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <map>

#include "host/gxtk_graphics.h"
#include "tests/support/test_game.h"

namespace {

using Events = std::vector<std::string>;

// Keys translate by range, one code per key (Shift and Control twice); few codes type a char.
TEST(KeyCodes, TranslationRangesOneCodePerKeyAndTheCharactersKeysType) {
    const int ranges[][3] = {{GLFW_KEY_A, 26, 'A'},
                             {GLFW_KEY_0, 10, '0'},
                             {GLFW_KEY_F1, 12, KeyCode::F1},
                             {GLFW_KEY_KP_0, 10, KeyCode::Numpad0}};
    for (auto &[key, count, code] : ranges) {
        for (int i = 0; i < count; ++i) EXPECT_EQ(TransKey(key + i), code + i);
    }
    std::map<int, int> keysPerCode;
    for (int key = GLFW_KEY_UNKNOWN; key <= GLFW_KEY_LAST + 1; ++key) {
        if (int code = TransKey(key)) ++keysPerCode[code];
    }
    EXPECT_EQ(keysPerCode.size(), 26 + 10 + 12 + 10 + 33u);
    EXPECT_LT(keysPerCode.rbegin()->first, KeyCode::Joy0);
    for (auto [code, keys] : keysPerCode) {
        EXPECT_EQ(keys, code == KeyCode::Shift || code == KeyCode::Control ? 2 : 1) << code;
    }
    for (int code = -1; code <= KeyCode::Count; ++code) {
        int expected = code == 8 || code == 9 || code == 13 || code == 27 ? code
                       : code == 45 || (code >= 33 && code <= 40)         ? code + 0x10000
                       : code == 46                                       ? 127
                                                                          : 0;
        EXPECT_EQ(KeyToChar(code), expected) << "code " << code;
    }
}

// Repeats, characters, mouse buttons 0..2, close and a new window's releases, as events.
TEST(InputCallbacks, GiveTheFrameworkEventSequences) {
    KtTestGame game;
    KtRecordingDelegate *delegate = new KtRecordingDelegate();
    game.SetDelegate(delegate);
    game.StartGame();
    const int keys[][2] = {{GLFW_KEY_LEFT, GLFW_PRESS},   {GLFW_KEY_LEFT, GLFW_REPEAT},
                           {GLFW_KEY_LEFT, GLFW_RELEASE}, {GLFW_KEY_BACKSPACE, GLFW_REPEAT},
                           {GLFW_KEY_A, GLFW_REPEAT},     {GLFW_KEY_LEFT_ALT, GLFW_PRESS}};
    for (auto &[key, action] : keys) game.ScriptKey(key, action);
    game.ScriptChar(0xE9);
    game.ScriptCursor(120.75, 33.5);
    game.ScriptMouseButton(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
    game.ScriptMouseButton(GLFW_MOUSE_BUTTON_4, GLFW_PRESS);
    game.ScriptMouseButton(GLFW_MOUSE_BUTTON_MIDDLE, GLFW_RELEASE);
    game.ScriptClose();
    game.ScriptKey(GLFW_KEY_A, GLFW_RELEASE);
    game.ScriptKey(GLFW_KEY_RIGHT_CONTROL, GLFW_PRESS);
    game.PumpNow();
    int seq = glfwGraphicsSeq;
    game.SetDeviceWindow(800, 600, 0);
    EXPECT_EQ(delegate->Events(),
              (Events{"start", "key 1 37", "key 3 65573", "key 1 37", "key 3 65573", "key 2 37",
                      "key 1 8", "key 3 8", "key 1 65", "key 3 233", "mouse 6 -1 120 33",
                      "mouse 4 0 120 33", "mouse 5 2 120 33", "key 1 432", "key 2 432", "key 2 65",
                      "key 1 17", "key 2 8", "key 2 17"}));
    EXPECT_EQ(std::vector<int>({glfwGraphicsSeq, game.GetDeviceWidth()}),
              std::vector<int>({seq + 1, 800}));
}

// Layout A (14 buttons, 5 axes), layout B (hat as the last 4 buttons, triggers), port order.
TEST(Joystick, LayoutsAndPorts) {
    KtTestGame game;
    Array<float> joyx(2), joyy(2), joyz(2);
    Array<bool> buttons(32);
    // Polls `port`: {present, left stick x y z, right stick x y z, then the pressed buttons}.
    auto poll = [&](int port) {
        std::vector<float> out{float(game.PollJoystick(port, joyx, joyy, joyz, buttons))};
        for (int s = 0; s < 2; ++s) out.insert(out.end(), {joyx[s], joyy[s], joyz[s]});
        for (int i = 0; i < 32; ++i) {
            if (buttons[i]) out.push_back(i);
        }
        return out;
    };
    joyx[0] = 9.0f;
    EXPECT_EQ(poll(0), (std::vector<float>{0, 9, 0, 0, 0, 0, 0}));
    KtTestJoystick &a = game.AddJoystick(0, 14, 5);
    a.axes = {0.125f, 0.25f, 0.375f, 0.5f, 0.625f};
    a.buttons[1] = a.buttons[8] = a.buttons[13] = 1;
    EXPECT_EQ(poll(0),
              (std::vector<float>{1, 0.125f, 0.25f, 0.375f, 0.625f, -0.5f, -0.375f, 1, 11, 12}));
    KtTestJoystick &b = game.AddJoystick(0, 16, 4);
    b.axes = {-1.0f, 1.0f, 0.25f, 0.75f};
    b.buttons[0] = b.buttons[7] = b.buttons[12] = b.buttons[15] = 1;
    EXPECT_EQ(poll(0), (std::vector<float>{1, -1, 1, 0, 0.25f, -0.75f, 1, 2, 8, 11}));
    game.AddJoystick(0, 14, 6).buttons[6] = 1;
    EXPECT_EQ(poll(0), (std::vector<float>{1, 0, 0, 1, 0, 0, 0}));

    game.AddJoystick(15, 14, 5).axes[0] = 0.5f;
    game.AddJoystick(0, 2, 1).buttons[1] = 1;
    EXPECT_EQ(poll(0), (std::vector<float>{1, 0, 0, 0, 0, 0, 0, 0, 11}));
    EXPECT_EQ(poll(1)[1], 0.5f);
    EXPECT_EQ(poll(2)[0] + poll(4)[0], 0);
    game.AddJoystick(7, 14, 5);
    EXPECT_EQ(poll(2)[0], 0);
    EXPECT_EQ(poll(0)[0] + poll(2)[0], 2);
}

}  // namespace
