// The finished game played as a player would: the real cobblevale under a private Xvfb, real X
// key presses and mouse clicks from xdotool, screenshots read with ./host_xhelper, the audio the
// game plays captured by OpenAL Soft's wave writer, and the state file on disk.
//
// Each scenario runs the game in its own fresh working directory, so the state file is its own.
// The checks are coarse on purpose: backdrop colours and a few known places of a screen, the
// state file's items, printed lines and exit statuses. Waits poll with generous limits; nothing
// asserts on timing. Run from the build's bin directory (the game and its data/ are there).
//
// Sections: screenshot and colour helpers; the audio capture; save-text helpers; the Game
// runner; screen recognisers; the scenarios (fresh start and every game type, a damaged
// state file, fullscreen and resize).

#include <gtest/gtest.h>
#include <stdlib.h>  // mkdtemp

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/x_session.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Sampled backdrop colours (p_DoBG targets after the fade): the menu's (0, 20, 40) with its
// side panel darkened by black at alpha 0.45, the board's (0, 40, 80).
struct Rgb {
    int r = -1, g = -1, b = -1;
};
constexpr Rgb kMenuBackdrop{0, 20, 40}, kMenuPanel{0, 11, 22}, kBoardBackdrop{0, 40, 80};
constexpr Rgb kHeart{198, 122, 95};  // the middle of a life icon in the HUD

bool Near(Rgb a, Rgb b, int tolerance = 10) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

// A screenshot of the game window.
struct Image {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;

    Rgb At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return {};
        size_t i = (static_cast<size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
    // Pixels of the rectangle (x, y, w, h) that satisfy `test`.
    int Count(int x, int y, int w, int h, const std::function<bool(Rgb)> &test) const {
        int n = 0;
        for (int j = y; j < y + h; ++j) {
            for (int i = x; i < x + w; ++i) n += test(At(i, j)) ? 1 : 0;
        }
        return n;
    }
    // Pixels of the rectangle that differ (any channel by more than 24) from `other`.
    int Differing(const Image &other, int x, int y, int w, int h) const {
        int n = 0;
        for (int j = y; j < y + h; ++j) {
            for (int i = x; i < x + w; ++i) n += Near(At(i, j), other.At(i, j), 24) ? 0 : 1;
        }
        return n;
    }
};

bool ReadPpm(const std::string &path, Image &out) {
    std::ifstream file(path, std::ios::binary);
    std::string magic;
    int max = 0;
    if (!(file >> magic >> out.width >> out.height >> max) || magic != "P6") return false;
    file.get();
    out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
    return static_cast<bool>(file.read(reinterpret_cast<char *>(out.rgb.data()),
                                       static_cast<std::streamsize>(out.rgb.size())));
}

bool White(Rgb c) {
    return c.r > 200 && c.g > 200 && c.b > 200;
}

// What OpenAL Soft's wave writer has written so far: a RIFF header whose sizes are only filled
// in when the device closes, then interleaved samples in real time (silence included). Only the
// formats the writer uses are read: 32-bit float or 16-bit integer samples.
class WaveCapture {
public:
    explicit WaveCapture(std::string path) : path(std::move(path)) {}

    // Bytes written so far; a mark for Peak.
    long Mark() const {
        std::error_code error;
        auto size = fs::file_size(path, error);
        return error ? 0 : static_cast<long>(size);
    }

    // The loudest sample (0..1) written between two marks.
    double Peak(long from, long to) {
        std::ifstream file(path, std::ios::binary);
        if (!ReadHeader(file)) return -1;
        from = std::max(from, dataStart);
        from = dataStart + (from - dataStart) / blockAlign * blockAlign;
        std::vector<char> bytes(static_cast<size_t>(std::max(0L, to - from)));
        file.seekg(from);
        file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<size_t>(file.gcount()));
        double peak = 0;
        if (isFloat) {
            for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
                float v;
                std::memcpy(&v, &bytes[i], 4);
                peak = std::max(peak, static_cast<double>(std::fabs(v)));
            }
        } else {
            for (size_t i = 0; i + 2 <= bytes.size(); i += 2) {
                int16_t v;
                std::memcpy(&v, &bytes[i], 2);
                peak = std::max(peak, std::abs(v) / 32768.0);
            }
        }
        return peak;
    }

private:
    bool ReadHeader(std::ifstream &file) {
        char riff[12];
        if (!file.read(riff, 12) || std::memcmp(riff, "RIFF", 4) != 0) return false;
        for (char chunk[8]; file.read(chunk, 8);) {
            uint32_t size;
            std::memcpy(&size, chunk + 4, 4);
            if (std::memcmp(chunk, "data", 4) == 0) {
                dataStart = static_cast<long>(file.tellg());
                return blockAlign > 0;
            }
            std::vector<unsigned char> body(size);
            if (!file.read(reinterpret_cast<char *>(body.data()), size)) return false;
            if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
                int tag = body[0] | body[1] << 8;
                if (tag == 0xFFFE && size >= 26) tag = body[24] | body[25] << 8;  // sub-format
                blockAlign = body[12] | body[13] << 8;
                isFloat = tag == 3;
            }
        }
        return false;
    }

    std::string path;
    long dataStart = 0;
    int blockAlign = 0;
    bool isFloat = false;
};

// Peak level above which a stretch of the capture counts as heard. The game's effects and music
// peak far above it; silence is exactly 0.
constexpr double kHeard = 0.02;

// The items of a save text ("%i|" each).
std::vector<int> Items(const std::string &text) {
    std::vector<int> items;
    std::stringstream in(text);
    for (std::string item; std::getline(in, item, '|');) items.push_back(std::atoi(item.c_str()));
    return items;
}

std::string ReadFile(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// Index of a highscore entry in the save text: table t's block starts at item 35 + 21 t and
// holds top and last entries in pairs.
int TopItem(int table, int k) {
    return 35 + 21 * table + 2 * k;
}
int LastItem(int table, int k) {
    return TopItem(table, k) + 1;
}
constexpr int kSoundItem = 5;

// One run of the real game in a working directory, with its window and audio capture.
class Game {
public:
    Game(XSession &x, const std::string &dir) : x(x), dir(dir), wave(dir + "/audio.wav") {
        std::ofstream(dir + "/alsoft.conf") << "[wave]\nfile = " << dir << "/audio.wav\n";
        std::string exe = fs::absolute("cobblevale").string();
        // The shell changes into the directory and sets the audio back end (Child gives every
        // child the silent one), then becomes the game, keeping the pid.
        child = std::make_unique<Child>(
            std::vector<std::string>{
                "sh", "-c",
                "cd \"$0\" && ALSOFT_DRIVERS=wave ALSOFT_CONF=\"$0/alsoft.conf\" exec \"$1\"", dir,
                exe},
            x.Display());
        std::string ids = x.WaitForWindows("^Cobble Vale$");
        window = ids.substr(0, ids.find('\n'));
        if (!window.empty()) Focus();
    }

    void Focus() { x.Run({"./host_xhelper", "focus", window}); }

    // A key held for a few updates: the game reads key states, so a press and release within
    // one event pump could go unseen.
    void Key(const std::string &name) {
        x.Run({"xdotool", "keydown", name});
        std::this_thread::sleep_for(120ms);
        x.Run({"xdotool", "keyup", name});
        std::this_thread::sleep_for(250ms);
    }
    void Click(int px, int py) {
        x.Run({"xdotool", "mousemove", "--window", window, std::to_string(px), std::to_string(py)});
        x.Run({"xdotool", "mousedown", "1"});
        std::this_thread::sleep_for(120ms);
        x.Run({"xdotool", "mouseup", "1"});
        std::this_thread::sleep_for(250ms);
    }
    Image Shot() {
        Image image;
        std::string file = dir + "/shot.ppm";
        if (x.Run({"./host_xhelper", "shot", window, file}) == 0) ReadPpm(file, image);
        return image;
    }
    // Screenshots until `test` holds; the last one in `last`.
    bool WaitFor(const std::function<bool(const Image &)> &test, std::chrono::seconds limit = 60s,
                 Image *last = nullptr) {
        auto end = std::chrono::steady_clock::now() + limit;
        do {
            Image image = Shot();
            bool ok = test(image);
            if (last) *last = image;
            if (ok) return true;
            std::this_thread::sleep_for(50ms);
        } while (std::chrono::steady_clock::now() < end);
        return false;
    }
    void Pause(std::chrono::milliseconds time) { std::this_thread::sleep_for(time); }
    std::string State() { return ReadFile(dir + "/.vantorstate"); }
    // Waits for the state file to be (re)written with a text other than `before`.
    bool WaitForState(const std::string &before) {
        for (int i = 0; i < 600; ++i) {
            std::string now = State();
            if (!now.empty() && now != before && Items(now).size() == 203) return true;
            Pause(100ms);
        }
        return false;
    }
    std::string WindowInfo() {
        std::string info;
        x.Run({"xwininfo", "-id", window}, &info);
        return info;
    }

    XSession &x;
    std::string dir;
    WaveCapture wave;
    std::unique_ptr<Child> child;
    std::string window;
};

// The screens, told apart by a few places.
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
// "PAUSED" in large white letters right of the centre, over the dimmed board.
bool IsPaused(const Image &s) {
    return s.Count(350, 228, 165, 28, White) > 300 && s.At(300, 420).b < 40;
}
// The options box: an orange-brown panel from x 50 to the width less 50, full height.
bool IsOptions(const Image &s) {
    Rgb c = s.At(s.width / 2, s.height - 12);
    return c.r > 100 && c.g > 40 && c.g < 100 && c.b < 40;
}
// The game-over overlay's yellow bar growing from the left at 45% of the height.
bool IsGameOver(const Image &s) {
    Rgb c = s.At(8, s.height * 45 / 100);
    return c.r > 90 && c.g > 90 && c.b < 60;
}
// The loading screen: one dark backdrop everywhere (fading to black: no side panel darkens the
// right) and the logo in the middle.
bool IsLoading(const Image &s) {
    Rgb corner = s.At(4, 4), right = s.At(s.width - 20, s.height / 2);
    Rgb middle = s.At(s.width / 2, s.height * 48 / 100);
    return corner.g < 45 && corner.b < 45 && Near(corner, right, 0) && !Near(middle, corner, 20);
}

struct Play : ::testing::Test {
    XSession x{{"-screen", "0", "1920x1080x24"}};  // room for a 1280 x 720 window
    std::string dir;

    void SetUp() override {
        ASSERT_TRUE(x.Running()) << "Xvfb did not start";
        char pattern[] = "/tmp/cobblevale-play-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        if (!HasFailure())
            fs::remove_all(dir, ignored);
        else
            std::printf("working directory kept: %s\n", dir.c_str());
    }
};

// Menu to game and back for one game type started by keys; the number of lives tells which
// type started. Quits from the pause screen, by keys or by the mouse.
void PlayAndQuit(Game &game, const std::string &wheelKey, int lives, bool mouse) {
    SCOPED_TRACE("game type with " + std::to_string(lives) + " lives");
    game.Key(wheelKey);
    game.Key("space");
    Image s;
    ASSERT_TRUE(game.WaitFor([&](const Image &i) { return IsBoard(i) && Lives(i) > 0; }, 60s, &s));
    EXPECT_EQ(Lives(s), lives);
    if (mouse)
        game.Click(16, 16);  // the pause button
    else
        game.Key("Escape");
    ASSERT_TRUE(game.WaitFor(IsPaused));
    game.Pause(500ms);  // the panel slides in
    if (mouse) {
        game.Click(64, 96);  // the quit-game button
    } else {
        game.Key("Up");  // resume -> quit game
        game.Key("space");
    }
    EXPECT_TRUE(game.WaitFor(IsGameOver, 30s));
    EXPECT_TRUE(game.WaitFor(IsMenu));
}

// A fresh start: the loading screen with the jingle, then the menu. Each game type starts from
// the wheel; a Hard run is started with the mouse, played with keys (roll, steps), paused and
// resumed with the mouse, its sound turned off in the options box reached from the pause screen
// (heard before, silent after), and quit from the pause screen; the game-over overlay shows,
// the score reaches the Hard lists on screen and in the state file with the sound mode. F4 ends
// with status 0. A second start restores lists and sound mode; losing the focus saves.
TEST_F(Play, FreshStartPlaysEveryGameTypeKeepsScoreAndSoundModeAcrossRestarts) {
    std::string hardList;  // the state file after the run, for the restart
    Image listsAfterRun;
    {
        Game game(x, dir);
        ASSERT_FALSE(game.window.empty());
        bool sawLoading = false;
        ASSERT_TRUE(game.WaitFor([&](const Image &s) {
            sawLoading = sawLoading || IsLoading(s);
            return IsMenu(s);
        }));
        EXPECT_TRUE(sawLoading) << "no frame of the loading screen was seen";
        game.Pause(1s);
        EXPECT_GT(game.wave.Peak(0, game.wave.Mark()), kHeard) << "the logo jingle";
        EXPECT_EQ(game.State(), "") << "nothing saved before a game ends";

        PlayAndQuit(game, "Up", 5, false);  // Normal -> Easy
        ASSERT_TRUE(game.WaitForState("")) << "a finished game saves";
        // A score of 0 changes no item, so the Normal run leaves the same text.
        PlayAndQuit(game, "Down", 3, true);  // Easy -> Normal

        // Hard, started with the menu's play button.
        game.Key("Down");
        Image listsBefore;
        ASSERT_TRUE(game.WaitFor(IsMenu, 60s, &listsBefore));
        game.Pause(1s);
        listsBefore = game.Shot();
        game.Click(570, 432);
        Image s;
        ASSERT_TRUE(
            game.WaitFor([&](const Image &i) { return IsBoard(i) && Lives(i) > 0; }, 60s, &s));
        EXPECT_EQ(Lives(s), 1);
        // Let the deal settle and the first column turn face down, so a landing there scores.
        game.Pause(6s);
        long musicFrom = game.wave.Mark();
        game.Key("space");  // roll
        game.Pause(2500ms);
        // Into column 0, then spend the pips up and down in it: its four cards are never traps.
        // Moves off the board are refused, so every pair of presses spends at least one pip.
        game.Key("Right");
        for (int i = 0; i < 12; ++i) game.Key(i % 2 ? "Down" : "Up");
        game.Pause(1500ms);
        EXPECT_GT(game.wave.Peak(musicFrom, game.wave.Mark()), kHeard) << "music and effects";

        // Pause and resume with the mouse, pause again with Escape; options from the pause
        // screen: row 1 is the sound mode, three presses go 1 -> 2 -> 3 -> 0 (off).
        game.Click(16, 16);
        ASSERT_TRUE(game.WaitFor(IsPaused));
        game.Pause(500ms);
        game.Click(64, 196);  // resume
        EXPECT_TRUE(game.WaitFor(IsBoard));
        game.Key("Escape");
        ASSERT_TRUE(game.WaitFor(IsPaused));
        game.Key("Down");  // resume -> options
        game.Key("space");
        ASSERT_TRUE(game.WaitFor(IsOptions));
        game.Pause(700ms);  // the box slides in
        game.Key("Down");
        for (int i = 0; i < 3; ++i) game.Key("space");
        std::string beforeClose = game.State();
        game.Key("Escape");  // closes the box and saves
        ASSERT_TRUE(game.WaitForState(beforeClose));
        EXPECT_EQ(Items(game.State())[kSoundItem], 0) << game.State();

        // Silence from here on: menu moves, resume, a roll and steps, the quit.
        game.Pause(1s);
        long quietFrom = game.wave.Mark();
        ASSERT_TRUE(game.WaitFor(IsPaused));
        game.Key("Up");
        game.Key("Escape");  // resumes
        ASSERT_TRUE(game.WaitFor(IsBoard));
        game.Key("space");
        game.Pause(2500ms);
        // Steps within column 0, whose cards are never traps: a step right could end the
        // one-life run before the quit, since the board is dealt from the clock.
        game.Key("Down");
        game.Key("Up");
        game.Pause(1s);
        game.Click(16, 16);
        ASSERT_TRUE(game.WaitFor(IsPaused));
        game.Pause(500ms);
        std::string beforeQuit = game.State();
        game.Click(64, 96);  // quit game
        EXPECT_TRUE(game.WaitFor(IsGameOver, 30s));
        ASSERT_TRUE(game.WaitFor(IsMenu));
        ASSERT_TRUE(game.WaitForState(beforeQuit));
        game.Pause(1500ms);
        EXPECT_LT(game.wave.Peak(quietFrom, game.wave.Mark()), 1e-4) << "sound is off";

        // The Hard lists now hold the run's score, which reached the top list (it beat the
        // empty entries) and the last list.
        std::vector<int> items = Items(game.State());
        ASSERT_EQ(items.size(), 203u);
        EXPECT_GT(items[TopItem(2, 0)], 0) << "the landing in column 0 scored";
        EXPECT_EQ(items[LastItem(2, 0)], items[TopItem(2, 0)]);
        EXPECT_EQ(items[LastItem(2, 1)], 0) << "one Hard run";
        for (int t : {0, 1}) EXPECT_EQ(items[TopItem(t, 0)], 0) << "quit at once, no score";
        EXPECT_EQ(items[kSoundItem], 0);
        listsAfterRun = game.Shot();
        EXPECT_GT(listsAfterRun.Differing(listsBefore, 580, 75, 60, 150), 10)
            << "the top list shows the score";
        EXPECT_GT(listsAfterRun.Differing(listsBefore, 580, 275, 60, 150), 10)
            << "the last list shows the score";
        hardList = game.State();

        game.Key("F4");
        EXPECT_EQ(game.child->WaitExit(30s), 0);
    }

    // Again in the same directory: the state file is read, the sound stays off (no jingle),
    // the Hard lists show the same scores; a loss of focus writes the same text again.
    Game again(x, dir);
    ASSERT_FALSE(again.window.empty());
    ASSERT_TRUE(again.WaitFor(IsMenu));
    for (const char *line : {"Settings Loaded", "Badges Loaded", "Highscores Loaded"}) {
        EXPECT_TRUE(again.child->WaitForLine(line, 10s)) << line;
    }
    again.Key("Down");  // Normal -> Hard
    again.Pause(1500ms);
    Image lists = again.Shot();
    EXPECT_LT(lists.Differing(listsAfterRun, 500, 40, 140, 400), 40) << "the same Hard lists";
    EXPECT_LT(again.wave.Peak(0, again.wave.Mark()), 1e-4) << "no jingle, no clicks";

    fs::remove(dir + "/.vantorstate");
    ASSERT_EQ(x.Run({"./host_xhelper", "unfocus"}), 0);
    EXPECT_TRUE(again.WaitForState(""));
    EXPECT_EQ(again.State(), hardList);
    again.Focus();
    ASSERT_EQ(x.Run({"./host_xhelper", "close", again.window}), 0);
    EXPECT_EQ(again.child->WaitExit(30s), 0);
}

// The save text of the given settings and tables (top ten, then last ten, per game type) with
// correct checksums and no badges.
std::string SaveText(std::vector<int> settings, const std::vector<std::vector<int>> &tables) {
    std::string text;
    long sum = 0;
    for (int i = 0; i < 25; ++i) {
        text += std::to_string(settings[i]) + "|";
        sum += i * settings[i];
    }
    text += std::to_string(sum) + "|";
    for (int w = 0; w < 9; ++w) text += "0|";
    // Eight blocks from one 150-entry array: tops at 10 t + k, lasts at 30 + 10 t + k (so the
    // blocks after the third repeat the last lists).
    std::vector<int> scores(150, 0);
    for (int t = 0; t < 3; ++t) {
        for (int k = 0; k < 10; ++k) {
            scores[10 * t + k] = tables[t][k];
            scores[30 + 10 * t + k] = tables[t][10 + k];
        }
    }
    for (int t = 0; t < 8; ++t) {
        long check = 0;
        for (int k = 0; k < 10; ++k) {
            int top = scores[10 * t + k], last = scores[30 + 10 * t + k];
            text += std::to_string(top) + "|" + std::to_string(last) + "|";
            check += (k + 4) * top + (t + k + 3) * last;
        }
        text += std::to_string(check) + "|";
    }
    return text;
}

// A state file with a wrong settings checksum and a wrong Normal table checksum: the game
// reports the settings, falls back to the default settings (sound on: the jingle plays) and an
// empty Normal table, keeps the other tables, runs, and saves the recovered state when it loses
// the focus.
TEST_F(Play, DamagedStateFileFallsBackBlockByBlockAndTheGameRuns) {
    std::vector<int> settings(25, 0);
    settings[10] = settings[11] = 64;
    settings[12] = 10;
    settings[14] = 1;  // sound mode 0
    std::vector<std::vector<int>> tables(3, std::vector<int>(20, 0));
    tables[0][0] = tables[0][10] = 120;
    tables[1][0] = tables[1][10] = 340;
    tables[2][0] = tables[2][10] = 560;
    std::vector<int> items = Items(SaveText(settings, tables));
    items[25] += 1;                  // settings checksum
    items[TopItem(1, 0) + 20] += 1;  // Normal table checksum
    std::string damaged;
    for (int item : items) damaged += std::to_string(item) + "|";
    std::ofstream(dir + "/.vantorstate") << damaged;

    Game game(x, dir);
    ASSERT_FALSE(game.window.empty());
    ASSERT_TRUE(game.WaitFor(IsMenu));
    EXPECT_TRUE(game.child->WaitForLine("Settings Checksum Invalid", 10s));
    EXPECT_TRUE(game.child->WaitForLine("Badges Loaded", 10s));
    EXPECT_TRUE(game.child->WaitForLine("Highscores Loaded", 10s));
    EXPECT_FALSE(game.child->WaitForLine("Settings Loaded", 1s));
    game.Pause(1s);
    EXPECT_GT(game.wave.Peak(0, game.wave.Mark()), kHeard) << "default sound mode: the jingle";

    // It plays: a Normal game starts and is left again.
    game.Key("space");
    ASSERT_TRUE(game.WaitFor([](const Image &i) { return IsBoard(i) && Lives(i) == 3; }));
    game.Key("Escape");
    ASSERT_TRUE(game.WaitFor(IsPaused));

    std::string before = game.State();
    ASSERT_EQ(x.Run({"./host_xhelper", "unfocus"}), 0);
    ASSERT_TRUE(game.WaitForState(before));
    std::vector<int> saved = Items(game.State());
    settings[5] = 1;
    tables[1].assign(20, 0);
    EXPECT_EQ(saved, Items(SaveText(settings, tables))) << game.State();
    ASSERT_EQ(x.Run({"./host_xhelper", "close", game.window}), 0);
    EXPECT_EQ(game.child->WaitExit(30s), 0);
}

// F11 switches to a fullscreen window and back; a 1280 x 720 window makes the game load its art
// again (the loading screen shows) and lay the menu out on 640 x 360 virtual pixels at scale 2:
// the side panel starts at device x 1000, and the options gear at virtual (38, 296) answers a
// click 26 virtual pixels above its hub; F1 shows the debug line at the bottom. The close
// button ends the game with status 0.
TEST_F(Play, FullscreenAndResizeRelayOutTheMenu) {
    Game game(x, dir);
    ASSERT_FALSE(game.window.empty());
    ASSERT_TRUE(game.WaitFor(IsMenu));
    auto size = [&] {
        std::string info = game.WindowInfo();
        auto value = [&](const std::string &label) {
            size_t at = info.find(label);
            return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + label.size());
        };
        return std::make_pair(value("Width:"), value("Height:"));
    };
    EXPECT_EQ(size(), std::make_pair(640, 480));
    // The switch re-creates the window, which gets a new id: look it up until it has the size.
    auto switchTo = [&](std::pair<int, int> expected) {
        game.Key("F11");
        for (int i = 0; i < 100 && size() != expected; ++i) {
            game.Pause(100ms);
            std::string ids;
            x.Run({"xdotool", "search", "--name", "^Cobble Vale$"}, &ids);
            if (!ids.empty()) game.window = ids.substr(0, ids.find('\n'));
        }
        game.Focus();
        return size();
    };
    EXPECT_EQ(switchTo({1920, 1080}), std::make_pair(1920, 1080)) << "fullscreen: the desktop";
    EXPECT_EQ(switchTo({640, 480}), std::make_pair(640, 480)) << "windowed again";
    ASSERT_TRUE(game.WaitFor(IsMenu));

    ASSERT_EQ(x.Run({"xdotool", "windowsize", game.window, "1280", "720"}), 0);
    // The first frames at the new size still replay the last menu frame; then the loader runs.
    EXPECT_TRUE(game.WaitFor([](const Image &i) { return i.width == 1280 && IsLoading(i); }))
        << "the art is loaded again for the new size";
    Image s;
    ASSERT_TRUE(game.WaitFor(
        [](const Image &i) {
            return i.width == 1280 && i.height == 720 && Near(i.At(980, 600), kMenuBackdrop, 4) &&
                   Near(i.At(1020, 600), kMenuPanel, 4);
        },
        90s, &s));
    EXPECT_TRUE(Near(s.At(990, 100), kMenuBackdrop, 4) && Near(s.At(1010, 100), kMenuPanel, 4))
        << "the side panel's edge at virtual x 500";

    game.Pause(1s);
    Image before = game.Shot();
    game.Key("F1");
    game.Pause(1s);
    Image debug = game.Shot();
    EXPECT_GT(debug.Differing(before, 0, 660, 400, 60), 20) << "the debug line at the bottom";

    game.Click(76, 540);  // virtual (38, 270): inside the gear's 64 x 64 box at scale 2
    EXPECT_TRUE(game.WaitFor(IsOptions, 30s));
    ASSERT_EQ(x.Run({"./host_xhelper", "close", game.window}), 0);
    EXPECT_EQ(game.child->WaitExit(30s), 0);
}

}  // namespace
