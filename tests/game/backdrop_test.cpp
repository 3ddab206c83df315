// The backdrop's easing and the frame start.

#include <gtest/gtest.h>

#include "tests/support/game_kit.h"

TEST(Backdrop, EasesAnEighthPerFrameAndStartsTheFrame) {
    GameKit kit;
    c_MyApp *app = kit.app;
    kit.FinishLoading();
    const float green[] = {5, 9.375f, 13.203125f}, blue[] = {10, 18.75f, 26.40625f};
    for (int i = 0; i < 3; ++i) {
        app->p_Rect(0, 0, 1, 1);
        app->p_SetCol(1, 2, 3, 0.5f);
        app->p_DoBG(0, 40, 80, -123);
        EXPECT_FLOAT_EQ(app->ClearGreen, green[i]);
        EXPECT_FLOAT_EQ(app->ClearBlue, blue[i]);
        EXPECT_EQ(app->ClearAlpha, 1);
        EXPECT_EQ(app->DrawCount, 0) << "what was recorded before is not drawn";
        EXPECT_EQ(app->DrawRed, 255);
        EXPECT_EQ(app->DrawAlpha, 1);
    }
    // Keeping every channel's target goes on easing towards it.
    app->p_DoBG(-123, -123, -123, -123);
    EXPECT_FLOAT_EQ(app->BgTargetBlue, 80);
    EXPECT_GT(app->BgBlue, blue[2]);
    app->p_DoBG(-122, 0, 0, 1.5f);
    EXPECT_EQ(app->BgTargetRed, -122) << "-122 is a colour, not the keep marker";
    EXPECT_EQ(app->ClearAlpha, 1);
    app->p_DoBG(-123, -123, -123, -0.5f);
    EXPECT_EQ(app->ClearAlpha, 0);
    EXPECT_EQ(app->ViewWidth, 640);
}
