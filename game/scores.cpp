// Scores, placings and the game-over overlay.
//
// Three placing rules meet here and each is kept as it is, because they answer different
// questions: the HUD treats an empty (0) entry as beaten, the game-over notice counts a score
// equal to an entry as taking its place, and the table entry goes below entries equal to it.

#include <cmath>
#include <cstdlib>

#include "game/myapp.h"

namespace {

constexpr int kOverlayEnd = 90, kOverlayOnMenu = 73, kOverlayFade = 2;
constexpr float kRadiansPerDegree = 3.14159265f / 180.0f;
constexpr float kMsPerDegree = 2.778f;  // 1000 ms a full swing
constexpr int kLifeIcon = 11;

// The table of the current game type. Difficulty is 1..3 while a game runs; anything else is
// kept inside the tables rather than read past them.
int Table(const c_MyApp &app) {
    return Highscore::TableOf(app.Difficulty);
}

int *TopList(c_MyApp &app) {
    return app.Highscores.Data() + Highscore::Top(Table(app), 0);
}

int *LastList(c_MyApp &app) {
    return app.Highscores.Data() + Highscore::Last(Table(app), 0);
}

float Swing(float phaseMs) {
    return kt_Cobble_jscrw - 64 + 64 * std::sin(phaseMs / kMsPerDegree * kRadiansPerDegree);
}

}  // namespace

int c_MyApp::p_ScoreDisplay() {
    ShownScore -= (ShownScore - Score) / 6;
    if (std::abs(ShownScore - Score) < 6) ShownScore = Score;
    if (HudToggle == 1) return 0;

    // Each dot swings once a second while its loop keeps pace: update, wall clock, render.
    p_SetSize(1, 1);
    p_SetRot(0);
    DrawBlend = 1;
    p_Alpha(0.8f);
    p_SetCol(255, 100, 100, kNoValue);
    p_Oval(Swing(UpdatePhase), 16, 4, 4);
    p_SetCol(100, 255, 100, kNoValue);
    p_Oval(Swing(MillisFraction), 20, 4, 4);
    p_SetCol(100, 100, 255, kNoValue);
    p_Oval(Swing(RenderPhase), 24, 4, 4);

    p_SetCol(100, 255, 100, 0.8f);
    p_SetSize(2, 2);
    p_Text(kt_Cobble_jscrw * 0.5f, 28, p_rstr(ShownScore, 8, String("0")), 1, 1, 0);

    p_SetSize(1, 1);
    p_SetCol(255, 255, 100, 0.8f);
    const int *top = TopList(*this);
    int place = Highscore::ListLength;
    NextScore = top[Highscore::ListLength - 1];
    for (int k = Highscore::ListLength - 1; k >= 0; --k) {
        if (top[k] < Score || top[k] == 0) {
            place = k;
            NextScore = top[k > 0 ? k - 1 : 0];
        }
    }
    p_Text(kt_Cobble_jscrw * 0.5f, 10,
           p_Nth(place + 1) + String(" ") + p_rstr(NextScore, 8, String("0")), 1, 1, 0);

    p_SetCol(255, 255, 255, 0.8f);
    p_SetSize(0.75f, 0.75f);
    int x = Trunc(kt_Cobble_jscrw * 0.5f + 64);
    for (int i = 1; static_cast<float>(i) <= Player[Player::Lives]; ++i) {
        x += 16;
        p_DrawImg(Img::Icons, static_cast<float>(x), 24, kLifeIcon);
    }
    p_ResetDraw();
    return 0;
}

String c_MyApp::p_Nth(int n) {
    if (n < 1 || n > 30) return String();
    const char *suffix = "th";
    if (n < 11 || n > 13) {
        switch (n % 10) {
            case 1:
                suffix = "st";
                break;
            case 2:
                suffix = "nd";
                break;
            case 3:
                suffix = "rd";
                break;
            default:
                break;
        }
    }
    return String(n) + String(suffix);
}

String c_MyApp::p_MyNth() {
    const int *top = TopList(*this);
    int place = 0;
    for (int k = 0; k < Highscore::ListLength && place == 0; ++k) {
        if (Score >= top[k]) place = k + 1;
    }
    ScratchIndex = place;
    if (place == 1) return String("1st!");
    return place > 1 ? p_Nth(place) : String();
}

int c_MyApp::p_GameOver() {
    int g = GameOverTimer;
    float w = kt_Cobble_jscrw, h = kt_Cobble_jscrh;
    if (g > 0) {
        // The screen underneath takes no input while the overlay shows.
        KeyLatch = 1;
        PressLock = 1;

        p_SetCol(0, 0, 0, std::fmin(static_cast<float>(g) / 40, 0.7f));
        p_Rect(-1, -1, w + 2, h + 2);

        int reach = Trunc(h * 0.45f);
        float l = static_cast<float>(g * 12 < reach ? g * 12 : reach);
        p_SetSize(1, 1);
        p_SetRot(0);
        DrawBlend = 1;
        p_Alpha(0.5f);
        p_SetCol(255, 255, 0, kNoValue);
        p_Rect(-1, h * 0.45f - 8, 2 * l, 16);
        p_SetCol(255, 128, 0, kNoValue);
        p_Rect(w - 2 * l, h * 0.55f - 8, 2 * l + 1, 16);

        p_SetSize(4, 4);
        p_SetRot(0);
        p_SetCol(255, 180, 180, 1);
        DrawBlend = 1;
        bool quit = QuitFlag == -1;
        p_Text(w * 0.35f, l, String(quit ? "Quit" : "GAME"), 1, 1, 0);
        p_Text(w * 0.65f, h - l, String(quit ? "Game" : "OVER"), 1, 1, 0);

        p_MyNth();
        if (ScratchIndex > 0) {
            p_SetSize(1, 1);
            p_SetCol(0, 125, 255, 0.5f);
            p_Rect(w * 0.35f, h - l / 1.5f - 16, w * 0.3f, 32);
            p_SetSize(2, 2);
            p_SetCol(100, 255, 100, 1);
            // A backslash and "n" break the line; eleven spaces indent the ordinal under it.
            p_Text(w * 0.5f, h - l / 1.5f, String("New Highscore\\n           ") + p_MyNth(), 0.5f,
                   2, 0);
        }
    }

    if (Mode == Screen::Game) {
        GameOverTimer = g + 1;
        if (GameOverTimer >= kOverlayEnd) {
            Mode = Screen::BackToMenu;
            GameOverTimer = kOverlayOnMenu;
            if (kt_Cobble_HasMusicStream == 1) p_StopTune();
        }
    } else if (Mode < Screen::Game) {
        GameOverTimer = g > kOverlayFade ? g - kOverlayFade : 0;
    }
    return 0;
}

// The score goes below entries equal to it; the last list takes every score.
int c_MyApp::p_LoadMenu() {
    int *top = TopList(*this), *last = LastList(*this);
    for (int k = 0; k < Highscore::ListLength; ++k) {
        if (Score > top[k]) {
            for (int i = Highscore::ListLength - 1; i > k; --i) top[i] = top[i - 1];
            top[k] = Score;
            break;
        }
    }
    for (int i = Highscore::ListLength - 1; i > 0; --i) last[i] = last[i - 1];
    last[0] = Score;
    p_Save();
    return 0;
}

int c_MyApp::p_GC_PostScore(int, int) {
    return 0;
}
