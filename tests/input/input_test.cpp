// The input device driven directly, with a scripted host for joystick polls.

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
    // One update of the game, as the delegate brackets it.
    template <class F>
    void update(F &&body) {
        device->p_BeginUpdate();
        body();
        device->p_EndUpdate();
    }
    void key(int event, int code) { device->p_KeyEvent(event, code); }
    // Touch `i` down, x and y, then the left button down, the mouse x and y.
    V Pointer(int i) {
        return {float(kt_input_TouchDown(i)), kt_input_TouchX(i), kt_input_TouchY(i),
                float(kt_input_MouseDown(0)), kt_input_MouseX(),  kt_input_MouseY()};
    }

    JoyHost host;
    KtGame *saved = nullptr;
    c_InputDevice *device = nullptr;
};

// Touch 0 and the left button are one pointer; other touches leave the mouse alone, and a
// release does not move the pointer.
TEST_F(Input, LeftButtonAndTouchZeroAreOnePointer) {
    device->p_MouseEvent(4, 0, 10, 20);
    EXPECT_EQ(Pointer(0), (V{1, 10, 20, 1, 10, 20}));
    EXPECT_EQ(kt_input_KeyHit(KeyCode::Touch0), 1);
    device->p_MouseEvent(6, -1, 30, 40);
    device->p_MouseEvent(5, 0, 99, 99);
    EXPECT_EQ(Pointer(0), (V{0, 30, 40, 0, 30, 40}));
    device->p_MouseEvent(4, 1, 30, 40);
    EXPECT_EQ(kt_input_KeyDown(KeyCode::MouseRight), 1);

    device->p_TouchEvent(7, 0, 5, 6);
    device->p_TouchEvent(7, 3, 70, 80);
    EXPECT_EQ(Pointer(3), (V{1, 70, 80, 1, 5, 6}));
    device->p_TouchEvent(8, 0, 0, 0);
    EXPECT_EQ(V({float(kt_input_KeyDown(KeyCode::MouseLeft)), float(kt_input_TouchDown(3))}),
              V({0, 1}));
}

TEST_F(Input, HitsLastExactlyOneUpdate) {
    key(1, 65);
    key(1, 65);  // auto-repeat: no second hit
    update([] { EXPECT_EQ(kt_input_KeyHit(65), 1); });
    update([] {
        EXPECT_EQ(kt_input_KeyHit(65), 0);
        EXPECT_EQ(kt_input_KeyDown(65), 1);
    });
    // Pressed twice and released between updates: two hits in the next one, then not down.
    key(1, 66);
    key(2, 66);
    key(1, 66);
    key(2, 66);
    update([] { EXPECT_EQ(kt_input_KeyHit(66), 2); });
    update([] { EXPECT_EQ(kt_input_KeyDown(66) + kt_input_KeyHit(66), 0); });
}

// 33 key hits and 32 characters per update; what does not fit is dropped, not kept for later.
TEST_F(Input, QueuesHoldThirtyThreeHitsAndThirtyTwoCharactersPerUpdate) {
    for (int k = 0; k < 34; ++k) key(1, 100 + k);
    for (int c = 0; c < 40; ++c) key(3, 'a' + c);
    update([] {
        for (int k = 0; k < 33; ++k) EXPECT_EQ(kt_input_KeyHit(100 + k), 1) << k;
        EXPECT_EQ(kt_input_KeyHit(133), 0);
        EXPECT_EQ(kt_input_KeyDown(133), 1);
        for (int c = 0; c < 32; ++c) EXPECT_EQ(kt_input_GetChar(), 'a' + c);
        EXPECT_EQ(kt_input_GetChar(), 0);
    });
    key(2, 133);
    key(1, 133);
    key(3, 'x');
    update([] { EXPECT_EQ(kt_input_KeyHit(133), 1); });
    update([] { EXPECT_EQ(kt_input_GetChar(), 0) << "unread characters are dropped"; });
    // The mirrored code takes its own queue entry, and only while there is room.
    for (int k = 0; k < 32; ++k) key(1, 140 + k);
    key(1, 1);
    EXPECT_EQ(kt_input_KeyHit(1), 1);
    EXPECT_EQ(kt_input_KeyHit(384), 0);
    EXPECT_EQ(kt_input_TouchDown(0), 1);
}

TEST_F(Input, OutOfRangeReadsZeroAndIsIgnored) {
    for (int code : {0, 512, -7}) key(1, code);
    device->p_TouchEvent(7, 32, 1, 1);
    device->p_TouchEvent(7, -1, 1, 1);  // would alias joystick 3 button 31
    device->p_MouseEvent(4, 7, 1, 1);
    EXPECT_EQ(device->keyHitCount, 0);
    EXPECT_EQ(V({float(kt_input_KeyHit(512)), float(kt_input_MouseDown(0x7FFFFFFF)),
                 float(kt_input_TouchDown(-0x7FFFFFFF)), kt_input_TouchX(32), kt_input_TouchX(-1),
                 kt_input_JoyX(2, 0), kt_input_JoyX(0, 4), float(kt_input_JoyHit(0, 0x7FFFFFFF))}),
              V(8, 0));
    key(1, 1);
    EXPECT_EQ(kt_input_TouchDown(-383), 1) << "the lowest touch index reaches code 1";
}

TEST_F(Input, JoysticksArePolledInOrderUntilOneIsMissing) {
    update([] {});
    EXPECT_EQ(host.polled, std::vector<int>({0})) << "no joystick 0: ports 1..3 are not asked";

    host.present[0] = host.present[1] = host.present[3] = true;
    host.polled.clear();
    host.buttons[1][3] = true;
    host.leftX[1] = 0.5f;
    update([] {
        EXPECT_EQ(kt_input_JoyHit(3, 1), 1);
        EXPECT_EQ(kt_input_KeyHit(291), 1);
        EXPECT_EQ(kt_input_JoyX(0, 1), 0.5f);
        EXPECT_EQ(kt_input_JoyY(1, 1), -0.5f);
    });
    EXPECT_EQ(host.polled, std::vector<int>({0, 1, 2}));

    // Held: down without a new hit. Released by the poll: up without any event.
    update([] { EXPECT_EQ(kt_input_JoyDown(3, 1) - kt_input_JoyHit(3, 1), 1); });
    host.buttons[1][3] = false;
    update([] { EXPECT_EQ(kt_input_JoyDown(3, 1), 0); });

    // A pad unplugged while held goes idle instead of keeping its button and stick.
    host.buttons[1][4] = true;
    update([] {});
    host.present[1] = false;
    update([] {
        EXPECT_EQ(kt_input_JoyDown(4, 1), 0);
        EXPECT_EQ(kt_input_JoyX(0, 1), 0);
    });

    // The last port's buttons end where the touch codes begin.
    for (bool &present : host.present) present = true;
    device->p_TouchEvent(7, 0, 5, 6);
    update([] { EXPECT_EQ(kt_input_TouchDown(0), 1); });
}

// The installed device is a collector root and keeps its tables and joystick states alive.
TEST_F(Input, InstalledDeviceSurvivesCollection) {
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
    host.present[0] = true;
    host.buttons[0][31] = true;
    update([] { EXPECT_EQ(kt_input_JoyHit(31, 0), 1); });
}

}  // namespace
