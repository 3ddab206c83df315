// The real cobblevale under Xvfb (xdotool input, host_xhelper shots, OpenAL Soft's wave writer):
// what only the binary, window system and disk show; the in-process tour checks what screens
// draw. Coarse checks, generous polled waits; run from bin/.

#include <gtest/gtest.h>

#include <algorithm>
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

// The menu's backdrop after the fade and its side panel (darkened by black at alpha 0.45).
constexpr Rgb kMenuBackdrop{0, 20, 40}, kMenuPanel{0, 11, 22};

bool IsMenu(const Image &s) {
    return Near(s.At(400, 300), kMenuBackdrop, 4) && Near(s.At(570, 250), kMenuPanel, 4);
}
// One dark backdrop everywhere (no side panel darkens the right) and the logo in the middle.
bool IsLoading(const Image &s) {
    Rgb corner = s.At(4, 4), right = s.At(s.width - 20, s.height / 2);
    Rgb middle = s.At(s.width / 2, s.height * 48 / 100);
    return corner.g < 45 && corner.b < 45 && Near(corner, right, 0) && !Near(middle, corner, 20);
}
const std::map<std::string, std::function<bool(const Image &)>> kScreens = {
    {"loading", IsLoading},
    {"menu", IsMenu},
    // An orange-brown box from x 50 to the width less 50, full height.
    {"options",
     [](const Image &s) {
         return Near(s.At(s.width / 2, s.height - 12), {130, 68, 8}, 25);
     }},
    // At 1280 x 720 the menu is laid out on 640 x 360 virtual pixels at scale 2: the side
    // panel's edge (virtual x 500) at device x 1000, top and bottom.
    {"loading-1280", [](const Image &s) { return s.width == 1280 && IsLoading(s); }},
    {"menu-1280",
     [](const Image &s) {
         return s.width == 1280 && s.height == 720 && Near(s.At(980, 600), kMenuBackdrop, 4) &&
                Near(s.At(1020, 600), kMenuPanel, 4) && Near(s.At(990, 100), kMenuBackdrop, 4) &&
                Near(s.At(1010, 100), kMenuPanel, 4);
     }},
};

// The items of a save text ("%i|" each): the sound mode is item 5, the settings checksum 25.
std::vector<int> Items(const std::string &text) {
    std::vector<int> items;
    std::stringstream in(text);
    for (std::string item; std::getline(in, item, '|');) items.push_back(std::atoi(item.c_str()));
    return items;
}

struct Play : ::testing::Test {
    XSession x{{"-screen", "0", "1920x1080x24"}};  // room for a 1280 x 720 window
    std::string dir, window, keptState, damagedState;
    std::unique_ptr<Child> game;
    std::unique_ptr<audiotest::WaveCapture> wave;

    void SetUp() override {
        ASSERT_TRUE(x.Running()) << "Xvfb did not start";
        dir = fs::absolute("play-e2e").string();  // kept after a failure, for a look
        fs::remove_all(dir);
        fs::create_directory(dir);
    }
    void TearDown() override {
        game.reset();
        std::error_code ignored;
        if (!HasFailure()) fs::remove_all(dir, ignored);
    }

    std::string State(const std::string &name = ".vantorstate") {
        std::ifstream file(dir + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    // The game in `dir` through env (Child's silent audio back end replaced by the wave writer).
    void Start() {
        game.reset();
        fs::remove(dir + "/audio.wav");
        std::ofstream(dir + "/alsoft.conf") << "[general]\nchannels = stereo\nsample-type = "
                                            << "float32\n[wave]\nfile = " << dir << "/audio.wav\n";
        game = std::make_unique<Child>(
            std::vector<std::string>{"env", "-C", dir, "ALSOFT_DRIVERS=wave",
                                     "ALSOFT_CONF=" + dir + "/alsoft.conf",
                                     fs::absolute("cobblevale").string()},
            x.Display());
        wave = std::make_unique<audiotest::WaveCapture>(dir + "/audio.wav");
        FindWindow();
        ASSERT_FALSE(window.empty())
            << dir << ": no window; printed " << ::testing::PrintToString(game->Lines());
    }
    void FindWindow() {
        std::string ids = x.WaitForWindows("^Cobble Vale$");
        window = ids.substr(0, ids.find('\n'));
        if (!window.empty()) x.Run({"./host_xhelper", "focus", window});
    }
    // Held for a few updates (the game reads key and button states), then time to answer.
    void Press(const std::vector<std::string> &args) {
        EXPECT_EQ(x.Run(args), 0) << args[2];
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
    // The loudest sample (0..1) since the start; silence is exactly 0.
    double Peak() {
        double seconds = static_cast<double>(wave->Frames()) / wave->rate();
        audiotest::Stereo s = wave->Next(seconds, -seconds);
        float peak = 0;
        for (float v : s.left) peak = std::max(peak, std::fabs(v));
        for (float v : s.right) peak = std::max(peak, std::fabs(v));
        return peak;
    }
    // "WxH+X+Y"; a fullscreen switch makes a new window, looked up again until the geometry is
    // the expected one or 10 s pass.
    std::string Geometry(const std::string &expected) {
        std::string info;
        for (int i = 0; i < 100; ++i, std::this_thread::sleep_for(100ms), FindWindow()) {
            x.Run({"xwininfo", "-id", window}, &info);
            size_t at = info.find("-geometry ") + 10;
            info = at < 10 ? info : info.substr(at, info.find('\n', at) - at);
            if (info == expected) break;
        }
        return info;
    }

    // One step a line, its words in order; a fatal failure ends the scenario.
    void Run(const std::vector<const char *> &steps) {
        for (const char *step : steps) {
            SCOPED_TRACE(step);
            std::string before = State();
            std::istringstream words(step);
            for (std::string word; words >> word && !HasFatalFailure();) Act(word, before);
            if (HasFatalFailure()) return;
        }
    }

    // Inputs: start, click:X,Y, wait:MS, resize:WxH, keep (the state text), damage (the kept text
    // with a wrong settings checksum), rm-state, unfocus, focus, close, else an xdotool key.
    // Checks: kScreens (waited for), heard, silent, saved (the whole file written anew in this
    // step), sound-off, kept-state, defaults (the kept text but the sound on), damaged-kept (the
    // damaged text set aside whole), line=TEXT, no-line=TEXT ('_' a space), window=WxH+X+Y,
    // exit=N.
    void Act(const std::string &word, const std::string &before) {
        int a = 0, b = 0;
        const char *w = word.c_str();
        std::string text = word.substr(word.find('=') + 1);
        std::replace(text.begin(), text.end(), '_', ' ');
        std::vector<int> items = Items(State()), kept = Items(keptState);
        if (kScreens.count(word)) {
            // The shot that showed the screen decides: a second one may catch the next frame.
            auto end = std::chrono::steady_clock::now() + 90s;
            bool seen = false;
            while (!(seen = kScreens.at(word)(Shot())) && std::chrono::steady_clock::now() < end)
                std::this_thread::sleep_for(50ms);
            ASSERT_TRUE(seen) << word;
        } else if (word == "heard" || word == "silent") {
            double peak = Peak();
            EXPECT_TRUE(word == "heard" ? peak > 0.02 : peak < 1e-4) << "peak " << peak;
        } else if (word == "saved") {
            for (int i = 0; i < 600 && (State() == before || Items(State()).size() != 203); ++i) {
                std::this_thread::sleep_for(100ms);
            }
            ASSERT_TRUE(State() != before && Items(State()).size() == 203) << State();
        } else if (word == "sound-off") {
            EXPECT_EQ(items.at(5), 0) << State();
        } else if (word == "keep" || word == "kept-state") {
            EXPECT_EQ(State(), word == "keep" ? keptState = State() : keptState);
        } else if (word == "damage") {
            damagedState.clear();
            for (size_t i = 0; i < kept.size(); ++i)
                damagedState += std::to_string(kept[i] + (i == 25)) + "|";
            std::ofstream(dir + "/.vantorstate") << damagedState;
        } else if (word == "damaged-kept") {
            EXPECT_EQ(State(".vantorstate.damaged"), damagedState);
        } else if (word == "defaults") {
            EXPECT_TRUE(items.size() == kept.size() && items[5] == 1 &&
                        std::equal(items.begin() + 26, items.end(), kept.begin() + 26))
                << State();
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
                   "mousedown", "1", "sleep", "0.12", "mouseup", "1"});
        } else if (std::sscanf(w, "wait:%d", &a) == 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(a));
        } else if (std::sscanf(w, "resize:%dx%d", &a, &b) == 2) {
            ASSERT_EQ(
                x.Run({"xdotool", "windowsize", window, std::to_string(a), std::to_string(b)}), 0);
        } else if (word == "unfocus" || word == "focus" || word == "close") {
            ASSERT_EQ(x.Run({"./host_xhelper", word, window}), 0);
        } else if (word == "rm-state") {
            fs::remove(dir + "/.vantorstate");
        } else {
            Press({"xdotool", "keydown", word, "sleep", "0.12", "keyup", word});
        }
    }
};

// A fresh start plays the jingle and saves nothing; the options box turns the sound off (row 1:
// 1 -> 2 -> 3 -> 0), saved as it closes; F4 ends (status 0). A second start reads the state
// file (no jingle) and saves it again on losing the focus; its window opens centred, F11 goes
// fullscreen and back; at 1280 x 720 the art loads again and the menu is laid out at scale 2,
// where the gear at virtual (38, 296) answers a click 26 pixels above its hub. A wrong settings
// checksum is reported and costs the settings alone (the jingle plays again); the damaged file
// is kept aside whole.
TEST_F(Play, TheRealGameKeepsItsStateOnDiskAndAnswersTheWindowSystem) {
    Run({
        "start loading menu",
        "wait:1000 heard kept-state",
        "Left space options",
        "wait:700 Down space space space",
        "Escape saved sound-off",
        "keep F4 exit=0",
        "start menu line=Settings_Loaded line=Badges_Loaded line=Highscores_Loaded",
        "wait:1500 silent",
        "rm-state",
        "unfocus saved kept-state",
        "focus window=640x480+640+300",
        "F11 window=1920x1080+0+0",
        "F11 window=640x480+640+300 menu",
        "resize:1280x720 loading-1280 menu-1280",
        "click:76,540 options",
        "close exit=0",
        "damage start menu line=Settings_Checksum_Invalid line=Badges_Loaded "
        "line=Highscores_Loaded no-line=Settings_Loaded damaged-kept",
        "wait:1000 heard",
        "unfocus saved defaults",
        "close exit=0",
    });
}

}  // namespace
