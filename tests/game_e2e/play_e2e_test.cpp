// The finished game played as a player would: the real cobblevale under a private Xvfb, keys
// and clicks from xdotool, screenshots from ./host_xhelper, its audio captured by OpenAL Soft's
// wave writer and its state file. Each scenario is a table of steps, inputs then what must be
// seen, heard, printed or stored, run in a fresh working directory. The checks are coarse (a
// few places of a screen) and waits poll with generous limits: nothing asserts on timing. Run
// from the build's bin directory.

#include <gtest/gtest.h>
#include <stdlib.h>  // mkdtemp

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "tests/audio/audio_files.h"
#include "tests/game_e2e/image.h"
#include "tests/support/x_session.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Backdrops after the fade: the menu's (0, 20, 40) with its side panel darkened by black at
// alpha 0.45, and the board's (0, 40, 80); the middle of a life icon in the HUD.
constexpr Rgb kMenuBackdrop{0, 20, 40}, kMenuPanel{0, 11, 22}, kBoardBackdrop{0, 40, 80};
constexpr Rgb kHeart{198, 122, 95};

bool IsMenu(const Image &s) {
    return Near(s.At(400, 300), kMenuBackdrop, 4) && Near(s.At(570, 250), kMenuPanel, 4);
}
bool IsBoard(const Image &s) {
    return Near(s.At(300, 200), kBoardBackdrop, 4) && Near(s.At(20, 216), kBoardBackdrop, 4);
}
// The HUD's life icons stand 16 pixels apart from x 400.
int Lives(const Image &s) {
    int n = 0;
    while (n < 8 && Near(s.At(400 + 16 * n, 24), kHeart, 30)) ++n;
    return n;
}
// One dark backdrop everywhere (no side panel darkens the right) and the logo in the middle.
bool IsLoading(const Image &s) {
    Rgb corner = s.At(4, 4), right = s.At(s.width - 20, s.height / 2);
    Rgb middle = s.At(s.width / 2, s.height * 48 / 100);
    return corner.g < 45 && corner.b < 45 && Near(corner, right, 0) && !Near(middle, corner, 20);
}

// The screens a step waits for, told apart by a few places.
const std::map<std::string, std::function<bool(const Image &)>> kScreens = {
    {"loading", IsLoading},
    {"menu", IsMenu},
    {"board", IsBoard},
    // "PAUSED" in large white letters right of the centre, over the dimmed board.
    {"paused",
     [](const Image &s) {
         int white = 0;
         for (int y = 228; y < 256; ++y) {
             for (int x = 350; x < 515; ++x) {
                 Rgb c = s.At(x, y);
                 white += c.r > 200 && c.g > 200 && c.b > 200;
             }
         }
         return white > 300 && s.At(300, 420).b < 40;
     }},
    // An orange-brown box from x 50 to the width less 50, full height.
    {"options",
     [](const Image &s) {
         Rgb c = s.At(s.width / 2, s.height - 12);
         return c.r > 100 && c.g > 40 && c.g < 100 && c.b < 40;
     }},
    // The overlay's yellow bar growing from the left at 45% of the height.
    {"gameover",
     [](const Image &s) {
         Rgb c = s.At(8, s.height * 45 / 100);
         return c.r > 90 && c.g > 90 && c.b < 60;
     }},
    // At 1280 x 720 the art loads again and the menu is laid out on 640 x 360 virtual pixels at
    // scale 2: the side panel's edge (virtual x 500) at device x 1000.
    {"loading-1280", [](const Image &s) { return s.width == 1280 && IsLoading(s); }},
    {"menu-1280",
     [](const Image &s) {
         return s.width == 1280 && s.height == 720 && Near(s.At(980, 600), kMenuBackdrop, 4) &&
                Near(s.At(1020, 600), kMenuPanel, 4) && Near(s.At(990, 100), kMenuBackdrop, 4) &&
                Near(s.At(1010, 100), kMenuPanel, 4);
     }},
};

// The items of a save text ("%i|" each).
std::vector<int> Items(const std::string &text) {
    std::vector<int> items;
    std::stringstream in(text);
    for (std::string item; std::getline(in, item, '|');) items.push_back(std::atoi(item.c_str()));
    return items;
}

// Highscore items of the save text: table t's block starts at item 35 + 21 t and holds top and
// last entries in pairs.
int TopItem(int table, int k) {
    return 35 + 21 * table + 2 * k;
}
constexpr int kSoundItem = 5;
constexpr size_t kSaveItems = 203;

// A save text written independently of the game: the default settings but for the sound mode
// (settings checksum: the sum of i item_i), no badges, and the highscore tables each with one
// score (Easy, Normal, Hard) as the first top and last entries. A block t's checksum is the sum
// of (k + 4) top_k and (t + k + 3) last_k; blocks 3 to 5 repeat the last lists as their tops.
// The errors are added to the settings checksum and to the Normal block's checksum.
std::string SaveText(int sound, int settingsError, std::array<int, 3> scores, int normalError) {
    auto zeros = [](int n) {
        std::string s;
        while (n-- > 0) s += "0|";
        return s;
    };
    std::string text = zeros(5) + std::to_string(sound) + "|0|0|0|0|64|64|10|0|1|" + zeros(10) +
                       std::to_string(1478 + 5 * sound + settingsError) + "|" + zeros(9);
    for (int t = 0; t < 8; ++t) {
        int top = t < 6 ? scores[t % 3] : 0, last = t < 3 ? top : 0;
        int check = 4 * top + (t + 3) * last + (t == 1 ? normalError : 0);
        text += std::to_string(top) + "|" + std::to_string(last) + "|" + zeros(18) +
                std::to_string(check) + "|";
    }
    return text;
}

// Runs the real game in a fresh working directory, with its window and audio capture.
struct Play : ::testing::Test {
    XSession x{{"-screen", "0", "1920x1080x24"}};  // room for a 1280 x 720 window
    std::string dir, window, ids;
    std::unique_ptr<Child> game;
    std::unique_ptr<audiotest::WaveCapture> wave;
    long mark = 0;  // the audio frame "heard" and "silent" judge from
    Image kept;     // what "changed" and "same" compare with
    std::map<std::string, std::function<void()>> own;  // the scenario's own words

    void SetUp() override {
        ASSERT_TRUE(x.Running()) << "Xvfb did not start";
        char pattern[] = "/tmp/cobblevale-play-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        game.reset();
        std::error_code ignored;
        if (!HasFailure())
            fs::remove_all(dir, ignored);
        else
            std::printf("working directory kept: %s\n", dir.c_str());
    }

    std::string State() {
        std::ifstream file(dir + "/.vantorstate", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    void Start() {
        game.reset();
        fs::remove(dir + "/audio.wav");
        std::ofstream(dir + "/alsoft.conf") << "[general]\nchannels = stereo\nsample-type = "
                                               "float32\n[wave]\nfile = "
                                            << dir << "/audio.wav\n";
        // Child gives every child the silent audio back end: env sets the wave writer, changes
        // into the directory and becomes the game, keeping the pid.
        game = std::make_unique<Child>(
            std::vector<std::string>{"env", "-C", dir, "ALSOFT_DRIVERS=wave",
                                     "ALSOFT_CONF=" + dir + "/alsoft.conf",
                                     fs::absolute("cobblevale").string()},
            x.Display());
        wave = std::make_unique<audiotest::WaveCapture>(dir + "/audio.wav");
        mark = 0;
        FindWindow();
        EXPECT_EQ(std::count(ids.begin(), ids.end(), '\n'), 1) << "one window titled Cobble Vale";
        std::string printed;
        for (const std::string &line : game->Lines()) printed += line + "\n";
        ASSERT_FALSE(window.empty()) << "no game window; the game printed:\n" << printed;
    }
    void FindWindow() {
        ids = x.WaitForWindows("^Cobble Vale$");
        window = ids.substr(0, ids.find('\n'));
        if (!window.empty()) x.Run({"./host_xhelper", "focus", window});
    }
    // Keys and buttons are held for a few updates: the game reads their states, so a press and
    // release within one event pump could go unseen.
    void Press(const std::vector<std::string> &down, const std::vector<std::string> &up) {
        EXPECT_EQ(x.Run(down), 0) << down.back();
        std::this_thread::sleep_for(120ms);
        EXPECT_EQ(x.Run(up), 0);
        std::this_thread::sleep_for(250ms);
    }
    Image Shot() {
        Image image;
        std::string path = dir + "/shot.ppm", magic;
        std::ifstream file;
        if (x.Run({"./host_xhelper", "shot", window, path}) == 0) file.open(path);
        if (file >> magic >> image.width >> image.height >> magic && file.get()) {
            image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
            file.read(reinterpret_cast<char *>(image.rgb.data()),
                      static_cast<std::streamsize>(image.rgb.size()));
        }
        return image;
    }
    // Screenshots until `test` holds; the last one in `last`.
    bool WaitFor(const std::function<bool(const Image &)> &test, Image *last = nullptr) {
        auto end = std::chrono::steady_clock::now() + 90s;
        do {
            Image image = Shot();
            if (last) *last = image;
            if (test(image)) return true;
            std::this_thread::sleep_for(50ms);
        } while (std::chrono::steady_clock::now() < end);
        return false;
    }
    // The loudest sample (0..1) captured since the mark; silence is exactly 0.
    double Peak() {
        double seconds = static_cast<double>(wave->Frames() - mark) / wave->rate();
        audiotest::Stereo s = wave->Next(seconds, -seconds);
        double peak = 0;
        for (const auto *channel : {&s.left, &s.right}) {
            for (float v : *channel) peak = std::max(peak, std::fabs(static_cast<double>(v)));
        }
        return peak;
    }
    // The window's geometry, "WxH+X+Y". A fullscreen switch makes a new window: until the
    // geometry is the expected one (or 10 s pass), the window is looked up again.
    std::string Geometry(const std::string &expected) {
        auto geometry = [&] {
            std::string info;
            x.Run({"xwininfo", "-id", window}, &info);
            size_t at = info.find("-geometry ");
            return at == std::string::npos ? info
                                           : info.substr(at + 10, info.find('\n', at) - at - 10);
        };
        for (int i = 0; i < 100 && geometry() != expected; ++i) {
            std::this_thread::sleep_for(100ms);
            FindWindow();
        }
        return geometry();
    }

    // Runs a scenario: one step a line, its words in order (see Act); a step stops at its first
    // fatal failure and ends the scenario.
    void Run(const std::vector<const char *> &steps) {
        for (const char *step : steps) {
            SCOPED_TRACE(step);
            std::string before = State();
            std::istringstream words(step);
            for (std::string word; words >> word && !HasFatalFailure();) Act(word, before);
            if (HasFatalFailure()) return;
        }
    }

    // Inputs: "start" (the game; its audio judged from its start), "click:X,Y", "wait:MS",
    // "resize:WxH", "mark" (audio judged from here), "shot" (kept for comparing), "unfocus",
    // "focus", "close" (a window manager's close request), "rm-state", else an xdotool key name.
    // Checks: a screen of kScreens (waited for), "lives=N" (a board with N lives), "heard" and
    // "silent" (the audio since the mark), "unsaved", "saved" (all items of the state file
    // written anew during the step), "sound-off" (its sound mode), "changed:X,Y,W,H" and
    // "same:X,Y,W,H" (that area of the screen against the kept one), "line=TEXT" and
    // "no-line=TEXT" (printed, '_' for a space), "window=WxH+X+Y" (its geometry), "exit=N" (the
    // game's status). And the scenario's own words.
    void Act(const std::string &word, const std::string &before) {
        int a = 0, b = 0, c = 0, d = 0;
        const char *w = word.c_str();
        std::string text = word.substr(word.find('=') + 1);
        std::replace(text.begin(), text.end(), '_', ' ');
        Image shot;
        if (own.count(word)) {
            own[word]();
        } else if (kScreens.count(word)) {
            ASSERT_TRUE(WaitFor(kScreens.at(word))) << word;
        } else if (std::sscanf(w, "lives=%d", &a) == 1) {
            ASSERT_TRUE(WaitFor([](const Image &i) { return IsBoard(i) && Lives(i); }, &shot));
            EXPECT_EQ(Lives(shot), a);
        } else if (word == "heard" || word == "silent") {
            double peak = Peak();
            EXPECT_TRUE(word == "heard" ? peak > 0.02 : peak < 1e-4) << "peak " << peak;
        } else if (word == "unsaved") {
            EXPECT_EQ(State(), "");
        } else if (word == "saved") {
            bool saved = false;
            for (int i = 0; i < 600 && !saved; ++i, std::this_thread::sleep_for(100ms)) {
                saved = State() != before && Items(State()).size() == kSaveItems;
            }
            ASSERT_TRUE(saved) << State();
        } else if (word == "sound-off") {
            EXPECT_EQ(Items(State()).at(kSoundItem), 0) << State();
        } else if (std::sscanf(w, "changed:%d,%d,%d,%d", &a, &b, &c, &d) == 4) {
            EXPECT_GT(Shot().Differing(kept, 24, a, b, c, d), 10);
        } else if (std::sscanf(w, "same:%d,%d,%d,%d", &a, &b, &c, &d) == 4) {
            EXPECT_LT(Shot().Differing(kept, 24, a, b, c, d), 40);
        } else if (word.rfind("line=", 0) == 0 || word.rfind("no-line=", 0) == 0) {
            EXPECT_EQ(game->WaitForLine(text, word[0] == 'l' ? 10s : 1s), word[0] == 'l');
        } else if (word.rfind("window=", 0) == 0) {
            EXPECT_EQ(Geometry(text), text);
        } else if (std::sscanf(w, "exit=%d", &a) == 1) {
            EXPECT_EQ(game->WaitExit(30s), a);
        } else if (word == "start") {
            Start();
        } else if (std::sscanf(w, "click:%d,%d", &a, &b) == 2) {
            Press({"xdotool", "mousemove", "--window", window, std::to_string(a), std::to_string(b),
                   "mousedown", "1"},
                  {"xdotool", "mouseup", "1"});
        } else if (std::sscanf(w, "wait:%d", &a) == 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(a));
        } else if (std::sscanf(w, "resize:%dx%d", &a, &b) == 2) {
            ASSERT_EQ(
                x.Run({"xdotool", "windowsize", window, std::to_string(a), std::to_string(b)}), 0);
        } else if (word == "mark") {
            mark = wave->Frames();
        } else if (word == "shot") {
            kept = Shot();
        } else if (word == "unfocus" || word == "focus" || word == "close") {
            ASSERT_EQ(x.Run({"./host_xhelper", word, window}), 0);
        } else if (word == "rm-state") {
            fs::remove(dir + "/.vantorstate");
        } else {
            Press({"xdotool", "keydown", word}, {"xdotool", "keyup", word});
        }
    }
};

// A fresh start shows the loading screen with the jingle, then the menu, and saves nothing.
// Easy (5 lives) and Normal (3) start from the wheel by keys and are quit from the pause screen
// by keys and by the mouse: the game-over overlay, the menu, the first save. Hard (1 life)
// starts with the play button; a roll and steps in column 0 (whose cards are never traps, so
// the one-life run survives; a landing there scores once the deal has settled) are heard; the
// pause screen resumes by the mouse and by Escape; its options box turns the sound off (row 1,
// three presses go 1 -> 2 -> 3 -> 0), saved as the box closes, and from then on nothing is
// heard. The Hard lists show and store the score; F4 ends with status 0. A second start reads
// the state file: the same lists, no sound; losing the focus saves the same text again.
TEST_F(Play, FreshStartPlaysEveryGameTypeKeepsScoreAndSoundModeAcrossRestarts) {
    std::string hardState;
    own["hard-scored"] = [&] {
        std::vector<int> items = Items(State());
        ASSERT_EQ(items.size(), kSaveItems);
        EXPECT_GT(items[TopItem(2, 0)], 0) << "the landing in column 0 scored";
        EXPECT_EQ(items[TopItem(2, 0) + 1], items[TopItem(2, 0)]) << "the last list";
        EXPECT_EQ(items[TopItem(2, 1) + 1], 0) << "one Hard run";
        for (int t : {0, 1}) EXPECT_EQ(items[TopItem(t, 0)], 0) << "quit at once, no score";
        hardState = State();
    };
    own["hard-state"] = [&] { EXPECT_EQ(State(), hardState); };
    Run({
        "start loading menu",
        "wait:1000 heard unsaved",
        "Up space lives=5",  // Normal -> Easy
        "Escape paused",
        "wait:500 Up space gameover menu saved",  // resume -> quit game
        "Down space lives=3",                     // Easy -> Normal
        "click:16,16 paused",                     // the pause button
        "wait:500 click:64,96 gameover menu",     // quit game; a score of 0 changes nothing
        "Down menu",                              // Normal -> Hard
        "wait:1000 shot click:570,432 lives=1",   // the play button
        "wait:6000 mark space wait:2500 Right Up Down Up Down Up Down Up Down Up Down Up Down "
        "wait:1500 heard",
        "click:16,16 paused",
        "wait:500 click:64,196 board",  // resume
        "Escape paused",
        "Down space options",  // resume -> options
        "wait:700 Down space space space",
        "Escape saved sound-off",
        "wait:1000 mark paused",
        "Up Escape board",
        "space wait:2500 Down Up wait:1000 click:16,16 paused",
        "wait:500 click:64,96 gameover menu saved",
        "wait:1500 silent sound-off hard-scored changed:580,75,60,150 changed:580,275,60,150",
        "shot F4 exit=0",
        "start menu line=Settings_Loaded line=Badges_Loaded line=Highscores_Loaded",
        "Down wait:1500 same:500,40,140,400 silent",
        "rm-state",
        "unfocus saved hard-state",
        "focus close exit=0",
    });
}

// A state file with a wrong settings checksum and a wrong Normal table checksum: the game
// reports the settings, falls back to the default settings (sound on: the jingle plays) and an
// empty Normal table, keeps the other tables, plays, and saves the recovered state when it
// loses the focus.
TEST_F(Play, DamagedStateFileFallsBackBlockByBlockAndTheGameRuns) {
    own["damaged"] = [&] {
        std::ofstream(dir + "/.vantorstate") << SaveText(0, 1, {120, 340, 560}, 1);
    };
    own["recovered"] = [&] { EXPECT_EQ(State(), SaveText(1, 0, {120, 0, 560}, 0)); };
    Run({
        "damaged start menu line=Settings_Checksum_Invalid line=Badges_Loaded "
        "line=Highscores_Loaded no-line=Settings_Loaded",
        "wait:1000 heard",
        "space lives=3",
        "Escape paused",
        "unfocus saved recovered",
        "close exit=0",
    });
}

// F11 switches to a fullscreen window and back; a 1280 x 720 window loads the art again and
// lays the menu out at scale 2, where F1 shows the debug line at the bottom and the options
// gear at virtual (38, 296) answers a click 26 virtual pixels above its hub (inside its 64 x 64
// box). The close button ends the game with status 0.
TEST_F(Play, FullscreenAndResizeRelayOutTheMenu) {
    Run({
        "start menu window=640x480+640+300",  // centred
        "F11 window=1920x1080+0+0",           // the desktop
        "F11 window=640x480+640+300 menu",
        "resize:1280x720 loading-1280 menu-1280",
        "wait:1000 shot F1 wait:1000 changed:0,660,400,60",
        "click:76,540 options",
        "close exit=0",
    });
}

}  // namespace
