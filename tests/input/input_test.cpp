// The input device driven directly, with a scripted host for joystick polls.

#include <string>
#include <vector>

#include "framework/input.h"
#include "gtest/gtest.h"

namespace {

using V = std::vector<float>;

// Answers joystick polls from a script and records which ports were asked.
struct JoyHost : KtGame {
    bool present[4] = {};
    bool buttons[4][32] = {};
    float leftX[4] = {};
    std::vector<int> polled;

    bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float>,
                      Array<bool> pressed) override {
        polled.push_back(port);
        if (!present[port]) return false;
        joyx[0] = leftX[port];
        joyy[1] = -leftX[port];
        for (int b = 0; b < 32; ++b) pressed[b] = buttons[port][b];
        return true;
    }
};

class Input : public ::testing::Test {
protected:
    void SetUp() override {
        saved = KtGame::_game;
        KtGame::_game = &host;
        kt_input_Init();
        device = (new c_InputDevice())->m_new();
        kt_input_SetInputDevice(device);
    }
    void TearDown() override {
        kt_input_Init();
        KtGame::_game = saved;
    }
    // One update of the game, as the delegate brackets it; returns what `read` saw in it.
    template <class F>
    V Update(F &&read) {
        device->p_BeginUpdate();
        V seen = read();
        device->p_EndUpdate();
        return seen;
    }
    V Update() {
        return Update([] { return V(); });
    }
    void Keys(std::initializer_list<std::pair<int, int>> events) {
        for (auto [event, code] : events) device->p_KeyEvent(event, code);
    }

    JoyHost host;
    KtGame *saved = nullptr;
    c_InputDevice *device = nullptr;
};

// Hits last one update; 33 hits and 32 characters fit one, the rest are dropped.
TEST_F(Input, HitsAndCharactersLastOneUpdateWithinTheirQueues) {
    Keys({{1, 65}, {1, 65}, {1, 66}, {2, 66}, {1, 66}, {2, 66}});
    auto ab = [] {
        return V{float(kt_input_KeyHit(65)), float(kt_input_KeyDown(65)),
                 float(kt_input_KeyHit(66)), float(kt_input_KeyDown(66))};
    };
    EXPECT_EQ(Update(ab), (V{1, 1, 2, 0}));
    EXPECT_EQ(Update(ab), (V{0, 1, 0, 0}));

    for (int k = 0; k < 34; ++k) device->p_KeyEvent(1, 100 + k);
    for (int c = 0; c < 40; ++c) device->p_KeyEvent(3, 'A' + c);
    device->p_BeginUpdate();
    int hits = 0;
    for (int k = 0; k < 33; ++k) hits += kt_input_KeyHit(100 + k);
    std::string chars;
    for (int c; (c = kt_input_GetChar()) != 0;) chars += static_cast<char>(c);
    EXPECT_EQ(V({float(hits), float(kt_input_KeyHit(133)), float(kt_input_KeyDown(133))}),
              V({33, 0, 1}));
    EXPECT_EQ(chars, "ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`");
    device->p_EndUpdate();
    Keys({{2, 133}, {1, 133}, {3, 'x'}});
    EXPECT_EQ(Update([] { return V{float(kt_input_KeyHit(133))}; }), V{1});
    EXPECT_EQ(Update([] { return V{float(kt_input_GetChar())}; }), V{0});
    for (int k = 0; k < 32; ++k) device->p_KeyEvent(1, 140 + k);
    device->p_KeyEvent(1, 1);
    EXPECT_EQ(
        V({float(kt_input_KeyHit(1)), float(kt_input_KeyHit(384)), float(kt_input_TouchDown(0))}),
        V({1, 0, 1}));
}

// Codes, buttons, touches and ports out of range read 0 and are ignored.
TEST_F(Input, OutOfRangeReadsZeroAndIsIgnored) {
    Keys({{1, 0}, {1, 512}, {1, -7}});
    device->p_TouchEvent(7, 32, 1, 1);
    device->p_TouchEvent(7, -1, 1, 1);  // would alias joystick 3 button 31
    device->p_MouseEvent(4, 7, 1, 1);
    EXPECT_EQ(device->keyHitCount, 0);
    EXPECT_EQ(V({float(kt_input_KeyHit(512)), float(kt_input_MouseDown(0x7FFFFFFF)),
                 float(kt_input_TouchDown(-0x7FFFFFFF)), kt_input_TouchX(32), kt_input_TouchX(-1),
                 kt_input_JoyX(2, 0), kt_input_JoyX(0, 4), float(kt_input_JoyHit(0, 0x7FFFFFFF))}),
              V(8, 0));
    device->p_KeyEvent(1, 1);
    EXPECT_EQ(kt_input_TouchDown(-383), 1) << "the lowest touch index reaches code 1";
    device->p_MouseEvent(4, 1, 30, 40);
    EXPECT_EQ(kt_input_KeyDown(KeyCode::MouseRight), 1) << "the right button's own code";
}

// Ports polled until one is missing; held, released and unplugged pads; the device is a root.
TEST_F(Input, JoysticksArePolledInOrderUntilOneIsMissingAndSurviveCollection) {
    Update();
    EXPECT_EQ(host.polled, std::vector<int>({0}));
    host.present[0] = host.present[1] = host.present[3] = true;
    host.polled.clear();
    host.buttons[1][3] = true;
    host.leftX[1] = 0.5f;
    auto pad = [] {
        return V{float(kt_input_JoyHit(3, 1)), float(kt_input_JoyDown(3, 1)),
                 float(kt_input_KeyHit(291)), kt_input_JoyX(0, 1), kt_input_JoyY(1, 1)};
    };
    EXPECT_EQ(Update(pad), (V{1, 1, 1, 0.5f, -0.5f}));
    EXPECT_EQ(host.polled, std::vector<int>({0, 1, 2}));
    EXPECT_EQ(Update(pad), (V{0, 1, 0, 0.5f, -0.5f}));
    host.buttons[1][3] = false;
    host.buttons[1][4] = true;
    EXPECT_EQ(Update(pad), (V{0, 0, 0, 0.5f, -0.5f}));
    host.present[1] = false;
    EXPECT_EQ(Update([] {
                  return V{float(kt_input_JoyDown(4, 1)), kt_input_JoyX(0, 1)};
              }),
              V(2, 0));

    for (bool &present : host.present) present = true;
    device->p_TouchEvent(7, 0, 5, 6);
    EXPECT_EQ(Update([] { return V{float(kt_input_TouchDown(0))}; }), V{1});

    gc_set_torture(true);
    for (int i = 0; i < 3; ++i) {
        gc_collect_step(nullptr);
        (void)Array<int>(1000);
    }
    gc_set_torture(false);
    for (const gc_object *rep : std::initializer_list<const gc_object *>{
             device->keyDown.GetRep(), device->keyHit.GetRep(), device->keyHitQueue.GetRep(),
             device->charQueue.GetRep(), device->touchX.GetRep(), device->touchY.GetRep(),
             device->joyStates[3]->buttons.GetRep()})
        EXPECT_TRUE(gc_is_live(rep));
    host.buttons[0][31] = true;
    EXPECT_EQ(Update([] { return V{float(kt_input_JoyHit(31, 0))}; }), V{1});
}

}  // namespace
