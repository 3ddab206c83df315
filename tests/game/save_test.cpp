// The save string on the test host: its exact text, round trips, and what loading makes of
// damaged, cut-off and foreign strings.

#include <gtest/gtest.h>

#include <climits>
#include <sstream>

#include "tests/support/game_kit.h"

namespace {

// Item counts of the blocks: settings 26, badges 9, each table 21.
constexpr int kBadgesAt = 26, kTablesAt = 35, kTableItems = 21, kAllItems = 203;

std::vector<std::string> Items(const std::string &text) {
    std::vector<std::string> items;
    std::stringstream in(text);
    for (std::string item; std::getline(in, item, '|');) items.push_back(item);
    return items;
}

std::string Join(const std::vector<std::string> &items) {
    std::string text;
    for (const std::string &item : items) text += item + "|";
    return text;
}

// The first `count` items with their separators.
std::string Cut(const std::string &text, int count) {
    std::vector<std::string> items = Items(text);
    items.resize(static_cast<std::size_t>(count));
    return Join(items);
}

std::string Replace(const std::string &text, int index, const std::string &with) {
    std::vector<std::string> items = Items(text);
    items[static_cast<std::size_t>(index)] = with;
    return Join(items);
}

struct Snapshot {
    std::vector<int> settings, highscores;
    std::vector<bool> badges;
    // Both lists of table t.
    std::vector<int> Table(int t) const {
        std::vector<int> out(highscores.begin() + t * 10, highscores.begin() + t * 10 + 10);
        out.insert(out.end(), highscores.begin() + 30 + t * 10, highscores.begin() + 40 + t * 10);
        return out;
    }
};

struct Loaded {
    std::string printed;
    Snapshot now;
    std::string saved;  // what the game saves next
};

const char kFreshSettings[] = "0|0|0|0|0|1|0|0|0|0|64|64|10|0|1|0|0|0|0|0|0|0|0|0|0|1483|";

// One game; each Load starts its arrays over at the create hook's defaults and loads a string.
struct Save : ::testing::Test {
    GameKit kit;
    c_MyApp *app = kit.app;

    Loaded Load(const std::string &state) {
        for (int i = 0; i < Setting::Length; ++i) app->Settings[i] = 0;
        app->Settings[Setting::Sound] = SoundMode::All;
        for (int i = 0; i < app->Badges.Length(); ++i) app->Badges[i] = false;
        for (int i = 0; i < app->Highscores.Length(); ++i) app->Highscores[i] = 0;
        kit.host.SaveState(String(state.c_str()));
        Loaded out;
        testing::internal::CaptureStdout();
        app->p_Load();
        out.printed = testing::internal::GetCapturedStdout();
        for (int i = 0; i < Setting::Length; ++i) out.now.settings.push_back(app->Settings[i]);
        for (int i = 0; i < app->Badges.Length(); ++i) out.now.badges.push_back(app->Badges[i]);
        for (int i = 0; i < app->Highscores.Length(); ++i) {
            out.now.highscores.push_back(app->Highscores[i]);
        }
        out.saved = Saved();
        return out;
    }
    std::string Saved() {
        app->p_Save();
        return kit.host.LoadState().ToUtf8();
    }
    // Every block filled with values a loader could confuse: negatives, the int extremes (whose
    // checksums wrap), flag 255 (bit 31 of the last word) and every last-list entry.
    std::string Rich() {
        Load("");
        for (int i = 0; i < Setting::Length; ++i) app->Settings[i] = i * 1000 - 7;
        app->Settings[Setting::Sound] = SoundMode::MusicOnly;
        app->Settings[Setting::Overscan] = 1;  // what a desktop keeps
        app->Settings[20] = INT_MIN;
        app->Settings[24] = INT_MAX;
        for (int b = 0; b < 256; ++b) app->Badges[b] = b % 3 == 0;
        for (int i = 0; i < 60; ++i) app->Highscores[i] = (i + 1) * 98765;
        app->Highscores[0] = INT_MAX;
        app->Highscores[35] = INT_MIN;
        return Saved();
    }
};

}  // namespace

// The create hook loads once; a first start prints one line and saves the documented text.
TEST(SaveFreshStart, IsTheDocumentedText) {
    testing::internal::CaptureStdout();
    GameKit kit;
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("Highscores Loaded\n"), std::string::npos);
    EXPECT_EQ(printed.find("Settings"), std::string::npos);
    EXPECT_EQ(printed.find("Badge"), std::string::npos);
    kit.app->p_Save();
    std::string expected = kFreshSettings;
    for (int i = kBadgesAt; i < kAllItems; ++i) expected += "0|";
    EXPECT_EQ(kit.host.LoadState().ToUtf8(), expected);
}

TEST_F(Save, RoundTripsByteForByte) {
    const std::string rich = Rich();
    ASSERT_EQ(Items(rich).size(), static_cast<std::size_t>(kAllItems));
    EXPECT_EQ(Items(rich)[20], "-2147483648");
    Loaded game = Load(rich);
    EXPECT_EQ(game.printed, "Settings Loaded\nBadges Loaded\nHighscores Loaded\n");
    EXPECT_EQ(game.saved, rich);
    // Strings the game did not write settle after one load.
    for (const std::string &text : {std::string(), Cut(rich, 60), Replace(rich, 5, "x")}) {
        std::string saved = Load(text).saved;
        EXPECT_EQ(Load(saved).saved, saved);
    }
}

// Entries 60..109 fill the five extra blocks; loading reads three tables and never those.
TEST_F(Save, ExtraBlocksAreWrittenButNotLoaded) {
    for (int i = 60; i < 150; ++i) app->Highscores[i] = i;
    std::vector<std::string> items = Items(Saved());
    // Block 7, pair 9: entries 79 and 109.
    EXPECT_EQ(items[kTablesAt + 7 * kTableItems + 18], "79");
    EXPECT_EQ(items[kTablesAt + 7 * kTableItems + 19], "109");
    Snapshot loaded = Load(Join(items)).now;
    for (int i = 60; i < 150; ++i) EXPECT_EQ(loaded.highscores[i], 0) << i;
}

// A bad checksum costs its own block only, and has the host keep the damaged state aside.
TEST_F(Save, EachChecksumFailsAlone) {
    const std::string rich = Rich();
    const Snapshot want = Load(rich).now, fresh = Load("").now;
    const char *all = "Settings Loaded\nBadges Loaded\nHighscores Loaded\n";
    struct Case {
        int item;
        const char *printed;
        bool settings, badges;
        int badTable;  // -1: every table loads
    } cases[] = {
        {25, "Settings Checksum Invalid\nBadges Loaded\nHighscores Loaded\n", false, true, -1},
        {34, "Settings Loaded\nBadge Checksum Invalid\nHighscores Loaded\n", true, false, -1},
        {kTablesAt + 20, all, true, true, 0},
        {kTablesAt + 41, all, true, true, 1},
        {kTablesAt + 62, all, true, true, 2},
        {kTablesAt + 83, all, true, true, -1},
    };
    for (const Case &c : cases) {
        std::string sum = Items(rich)[static_cast<std::size_t>(c.item)];
        const std::string damaged = Replace(rich, c.item, std::to_string(std::stoll(sum) + 1));
        kit.host.damagedState = String();
        Loaded game = Load(damaged);
        EXPECT_EQ(game.printed, c.printed) << c.item;
        const bool kept = !c.settings || !c.badges || c.badTable >= 0;
        EXPECT_EQ(kit.host.damagedState.ToUtf8(), kept ? damaged : "") << c.item;
        EXPECT_EQ(game.now.settings, c.settings ? want.settings : fresh.settings) << c.item;
        EXPECT_EQ(game.now.badges, c.badges ? want.badges : fresh.badges) << c.item;
        for (int t = 0; t < 3; ++t) {
            EXPECT_EQ(game.now.Table(t), t == c.badTable ? fresh.Table(t) : want.Table(t))
                << c.item;
        }
    }
}

// A string cut off after any item loads its complete leading blocks. A block whose checksum is
// cut off reads the empty last item as 0 and is reset. With 9 to 25 items and so no settings
// block, the items are read as a badge block.
TEST_F(Save, CutOffStringsLoadTheirCompleteLeadingBlocks) {
    const std::string rich = Rich();
    const Snapshot want = Load(rich).now, fresh = Load("").now;
    const std::string all = "Settings Loaded\nBadges Loaded\nHighscores Loaded\n";
    const std::string settings = "Settings Loaded\nHighscores Loaded\n";
    const std::string badBadges = "Badge Checksum Invalid\nHighscores Loaded\n";
    struct Case {
        int items;  // complete items; the cut leaves an empty item after them
        std::string printed;
        bool settings, badges;
        int tables;
    } cases[] = {
        {0, "Highscores Loaded\n", false, false, 0},
        {8, badBadges, false, false, 0},
        {25, "Settings Checksum Invalid\nHighscores Loaded\n", false, false, 0},
        {26, settings, true, false, 0},
        {34, "Settings Loaded\n" + badBadges, true, false, 0},
        {35, all, true, true, 0},
        {55, all, true, true, 0},
        {56, all, true, true, 1},
        {76, all, true, true, 1},
        {77, all, true, true, 2},
        {97, all, true, true, 2},
        {98, all, true, true, 3},
    };
    for (const Case &c : cases) {
        Loaded game = Load(Cut(rich, c.items));
        EXPECT_EQ(game.printed, c.printed) << c.items;
        EXPECT_EQ(game.now.settings, c.settings ? want.settings : fresh.settings) << c.items;
        EXPECT_EQ(game.now.badges, c.badges ? want.badges : fresh.badges) << c.items;
        for (int t = 0; t < 3; ++t) {
            EXPECT_EQ(game.now.Table(t), t < c.tables ? want.Table(t) : fresh.Table(t)) << c.items;
        }
    }
    // Cut inside the settings checksum 1483: "1" is not the checksum.
    std::string text = kFreshSettings;
    EXPECT_EQ(Load(text.substr(0, text.size() - 4)).printed,
              "Settings Checksum Invalid\nHighscores Loaded\n");
}

// The loader's corrections of stored settings, on a desktop and on the console.
TEST_F(Save, LoadCorrectsThePadAndTheOverscan) {
    struct Case {
        int entry, stored, ouya, loaded;
        float overscan;
    } cases[] = {
        {Setting::PadX, 63, 0, 64, 0},           {Setting::PadX, 65, 0, 65, 0},
        {Setting::PadY, -5, 0, 64, 0},           {Setting::PadScale, 7, 0, 10, 0},
        {Setting::PadScale, 8, 0, 8, 0},         {Setting::Overscan, 40, 0, 1, 0},
        {Setting::Overscan, 40, 1, 40, 40},      {Setting::Overscan, 0, 1, 64, 64},
        {Setting::Overscan, INT_MIN, 1, 64, 64},
    };
    for (const Case &c : cases) {
        Load("");
        app->Settings[c.entry] = c.stored;
        app->p_Save();
        kt_Cobble_isOuya = c.ouya;
        testing::internal::CaptureStdout();
        app->p_Load();
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "Settings Loaded\nBadges Loaded\nHighscores Loaded\n");
        EXPECT_EQ(app->Settings[c.entry], c.loaded) << c.entry << " " << c.stored;
        EXPECT_EQ(kt_Cobble_overscan, c.overscan) << c.entry << " " << c.stored;
    }
}

// Bit k of word w is flag 32w + k; bit 31 makes the word negative.
TEST_F(Save, BadgeWords) {
    struct Case {
        int first, last;  // flags set
        int word;
        const char *text;
    } cases[] = {
        {32, 63, 1, "-1"},
        {31, 31, 0, "-2147483648"},
        {0, 0, 0, "1"},
        {200, 202, 6, "1792"},
    };
    for (const Case &c : cases) {
        Load("");
        for (int b = c.first; b <= c.last; ++b) app->Badges[b] = true;
        std::vector<std::string> items = Items(Saved());
        EXPECT_EQ(items[static_cast<std::size_t>(kBadgesAt + c.word)], c.text) << c.first;
        EXPECT_EQ(items[kBadgesAt + 8], c.text) << "the checksum of one non-zero word";
        Snapshot loaded = Load(Join(items)).now;
        for (int b = 0; b < 256; ++b) {
            EXPECT_EQ(loaded.badges[b], b >= c.first && b <= c.last) << b;
        }
    }
}

// Items are read as the runtime reads integers (the fuzzer feeds the loader everything else).
TEST_F(Save, ForeignItemsReadAsNumbersOrZero) {
    struct Case {
        const char *item;
        int value;
    } cases[] = {
        {"abc", 0},        {"", 0},    {" \t12", 12},
        {"12abc", 12},     {"+5", 5},  {"-0", 0},
        {"--5", 0},        {"1e3", 1}, {"99999999999", 1215752191},
        {"4294967297", 1},
    };
    // Entry 3 weighs 3 in the settings checksum and means nothing to the game.
    const unsigned fresh = 1483;
    for (const Case &c : cases) {
        std::string text = Replace(kFreshSettings, 3, c.item);
        unsigned sum = fresh + 3u * static_cast<unsigned>(c.value);
        Loaded game = Load(Replace(text, 25, std::to_string(static_cast<int>(sum))));
        EXPECT_EQ(game.printed, "Settings Loaded\nHighscores Loaded\n") << c.item;
        EXPECT_EQ(game.now.settings[3], c.value) << c.item;
    }
}

TEST_F(Save, DebugModePrintsTheWholeString) {
    kt_Cobble_DebugMode = 1;
    testing::internal::CaptureStdout();
    app->p_Save();
    app->p_Load();
    std::string saved = kit.host.LoadState().ToUtf8();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              saved + "\n" + saved + "\nSettings Loaded\nBadges Loaded\nHighscores Loaded\n");
}
