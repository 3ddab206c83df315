// Every screen against tour.golden (draws, primitives, sounds); KT_UPDATE_GOLDENS=1 rewrites it.

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/game_kit.h"

namespace {

struct Step {
    const char *name;
    std::function<void(GameKit &)> act;  // input or set-up, before the frames
    int frames;
};

void Touch(GameKit &kit, float x, float y) {
    kit.Touch(0, true, x, y), kit.Frame(), kit.Touch(0, false, x, y);
}

// Each key tapped, then its number of frames.
auto Keys(std::vector<std::pair<int, int>> taps) {
    return [taps](GameKit &kit) {
        for (auto [key, after] : taps) kit.Tap(key, after);
    };
}
auto Key(int key) {
    return Keys({{key, 0}});
}
// The button held from the first point to the last, one frame a point.
auto Drag(std::vector<std::pair<float, float>> points) {
    return [points](GameKit &kit) {
        for (auto [x, y] : points) kit.MoveMouse(x, y), kit.MouseButton(true), kit.Frame();
        kit.MouseButton(false);
    };
}
const std::function<void(GameKit &)> Nothing;

// Menu, options, credits, a Normal run and its pause screen, a quit run, the console screens.
const std::vector<Step> &Tour() {
    static const std::vector<Step> steps = {
        {"the first frame: the loading screen", Nothing, 1},
        {"loading, second frame", Nothing, 1},
        {"loading, later", Nothing, 8},
        {"menu slides in", [](GameKit &kit) { kit.FinishLoading(); }, 12},
        {"menu at rest", Nothing, 40},
        {"wheel up: Easy", Key(GLFW_KEY_UP), 14},
        {"wheel down twice: Hard", Keys({{GLFW_KEY_DOWN, 1}, {GLFW_KEY_DOWN, 0}}), 14},
        {"wheel up: Normal", Key(GLFW_KEY_UP), 14},
        {"focus the gear", Key(GLFW_KEY_LEFT), 6},
        {"options box slides", Key(GLFW_KEY_ENTER), 10},
        {"options box open", Nothing, 30},
        {"options row 2", Key(GLFW_KEY_DOWN), 4},
        {"options row 3", Key(GLFW_KEY_DOWN), 4},
        {"options: touch row 1", [](GameKit &kit) { Touch(kit, 200, 140); }, 4},
        {"options: click row 4", [](GameKit &kit) { kit.Click(200, 250); }, 4},
        {"options close", Key(GLFW_KEY_ESCAPE), 30},
        {"focus the side panel", Keys({{GLFW_KEY_RIGHT, 1}, {GLFW_KEY_RIGHT, 0}}), 6},
        {"credits", Key(GLFW_KEY_ENTER), 60},
        {"credits closed", Key(GLFW_KEY_ESCAPE), 40},
        {"back to the wheel", Key(GLFW_KEY_LEFT), 6},
        {"click the side panel", [](GameKit &kit) { kit.Click(580, 240); }, 6},
        {"back to the wheel again", Key(GLFW_KEY_LEFT), 6},
        {"start Normal", Key(GLFW_KEY_ENTER), 20},
        {"the deal glides", Nothing, 60},
        {"the deal settled", Nothing, 200},
        {"throw", Key(GLFW_KEY_SPACE), 20},
        {"the die lands", Nothing, 80},
        {"step right", Key(GLFW_KEY_RIGHT), 20},
        {"pause button", [](GameKit &kit) { kit.Click(16, 16); }, 24},
        {"pause: the gear", Key(GLFW_KEY_DOWN), 4},
        {"pause: quit", Keys({{GLFW_KEY_UP, 1}, {GLFW_KEY_UP, 0}}), 4},
        {"pause: resume", Key(GLFW_KEY_DOWN), 4},
        {"resumed", Key(GLFW_KEY_ENTER), 20},
        {"portrait window", [](GameKit &kit) { kit.Resize(480, 720); }, 40},
        {"portrait pause", Key(GLFW_KEY_ESCAPE), 24},
        {"portrait resumed", Key(GLFW_KEY_ENTER), 20},
        {"landscape again", [](GameKit &kit) { kit.Resize(640, 480); }, 40},
        {"pause again, quit the run",
         Keys({{GLFW_KEY_ESCAPE, 20}, {GLFW_KEY_UP, 1}, {GLFW_KEY_ENTER, 0}}), 6},
        {"quit overlay grows", Nothing, 30},
        {"back on the menu", Nothing, 120},
        {"the wheel flung by a drag", Drag({{250, 250}, {260, 260}, {275, 275}}), 2},
        {"the wheel settles", Nothing, 10},
        {"a press that acted drags nothing",
         [](GameKit &kit) {
             Drag({{580, 240}, {400, 300}, {250, 300}})(kit), kit.Tap(GLFW_KEY_LEFT);
         },
         5},
        {"console menu", [](GameKit &) { kt_Cobble_isOuya = 1; }, 30},
        {"console options", [](GameKit &kit) { kit.app->OptionsOpen = 1; }, 35},
        {"console options closed", Key(GLFW_KEY_ESCAPE), 40},
        {"console quit prompt", Key(GLFW_KEY_ESCAPE), 4},
        {"prompt ignored", Key(GLFW_KEY_J), 10},
        {"a console run, two badge notices",
         [](GameKit &kit) {
             kit.Tap(GLFW_KEY_ENTER);
             for (int i : {0, 1}) kit.app->BadgeShowID[i] = i, kit.app->BadgeShowTime[i] = 1;
         },
         30},
    };
    return steps;
}

std::string Transcript() {
    GameKit kit;
    std::ostringstream out;
    size_t sounds = 0, music = 0;
    char line[200];
    for (const Step &step : Tour()) {
        if (step.act) step.act(kit);
        kit.Frame(step.frames);
        out << "== " << step.name << "\ntext " << kit.Text() << "\n";
        for (const KitCommand &c : kit.Commands()) out << c.Describe() << "\n";
        out << "-- device\n";
        for (const KitGraphics::Draw &d : kit.graphics->draws) {
            std::snprintf(line, sizeof line, "%s %.2f %.2f %.2f %.2f rgb %.2f %.2f %.2f a%.3f b%d",
                          d.what.c_str(), d.x, d.y, d.w, d.h, d.red, d.green, d.blue, d.alpha,
                          d.blend);
            out << line << "\n";
        }
        for (; sounds < kit.audio->sounds.size(); ++sounds) {
            const KitSound &s = kit.audio->sounds[sounds];
            std::snprintf(line, sizeof line, "sound %d ch %d rate %.3f vol %.3f pan %.3f", s.cue,
                          s.channel, s.rate, s.volume, s.pan);
            out << line << "\n";
        }
        for (; music < kit.audio->musicCalls.size(); ++music) {
            out << "music " << kit.audio->musicCalls[music] << "\n";
        }
    }
    out << "== saved\n" << kit.host.LoadState().ToUtf8() << "\n";
    return out.str();
}

// Lines equal word by word, numbers within 0.01 (every number in a word: "(12.5,3)", "a0.45").
bool SameLine(const std::string &a, const std::string &b) {
    const char *p = a.c_str(), *q = b.c_str();
    while (*p && *q) {
        bool number = (std::isdigit(*p) || *p == '-') && (std::isdigit(*q) || *q == '-');
        if (number) {
            char *pe, *qe;
            double x = std::strtod(p, &pe), y = std::strtod(q, &qe);
            if (pe != p && qe != q) {
                if (std::fabs(x - y) > 0.01) return false;
                p = pe, q = qe;
                continue;
            }
        }
        if (*p++ != *q++) return false;
    }
    return *p == *q;
}

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

}  // namespace

TEST(Tour, EveryScreenDrawsAndSoundsAsRecorded) {
    std::string actual = Transcript();
    const char *update = std::getenv("KT_UPDATE_GOLDENS");
    if (update && std::string(update) == "1") {
        std::ofstream(KT_TOUR_GOLDEN, std::ios::binary) << actual;
        return;
    }
    std::ifstream file(KT_TOUR_GOLDEN, std::ios::binary);
    ASSERT_TRUE(file) << KT_TOUR_GOLDEN << " is missing: make it with scripts/update-goldens.sh";
    std::stringstream stored;
    stored << file.rdbuf();
    std::vector<std::string> want = Lines(stored.str()), got = Lines(actual);
    std::string step;
    for (size_t i = 0; i < want.size() && i < got.size(); ++i) {
        if (want[i].rfind("== ", 0) == 0) step = want[i];
        ASSERT_TRUE(SameLine(want[i], got[i]))
            << "line " << i + 1 << " (" << step << ")\n  stored: " << want[i]
            << "\n  now:    " << got[i];
    }
    ASSERT_EQ(got.size(), want.size()) << "the tour ran a different length; last step " << step;
}
