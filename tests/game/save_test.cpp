// The save string: its format, round trips, and what loading makes of damaged or foreign text.

#include <gtest/gtest.h>

#include <climits>

#include "tests/support/game_kit.h"

namespace {

// Items of the blocks: settings 26, badges 9, each table 21.
constexpr int kBadgesAt = 26, kTablesAt = 35;
const std::string kH = "Highscores Loaded\n", kAll = "Settings Loaded\nBadges Loaded\n" + kH;
// What the loader prints before kH, by the letters s b S B.
const char *const kPrinted[] = {"Settings Loaded\n", "Badges Loaded\n",
                                "Settings Checksum Invalid\n", "Badge Checksum Invalid\n"};

// `text` with item `index` (if >= 0) replaced, cut after `count` items (if >= 0).
std::string Edit(const std::string &text, int index, const std::string &with, int count = -1) {
    std::vector<std::string> items = GameKit::Items(text);
    if (index >= 0) items[static_cast<size_t>(index)] = with;
    if (count >= 0) items.resize(static_cast<size_t>(count));
    std::string out;
    for (const std::string &item : items) out += item + "|";
    return out;
}

// The items of block b of a save string: settings, badges, tables 0..2.
std::vector<std::string> Block(const std::string &text, int b) {
    static const int kAt[] = {0, kBadgesAt, kTablesAt, kTablesAt + 21, kTablesAt + 42, 98};
    std::vector<std::string> items = GameKit::Items(text);
    return {items.begin() + kAt[b], items.begin() + kAt[b + 1]};
}

struct Save : KitTest {
    // Loads `state` over the create hook's defaults; returns what the loader printed.
    std::string Load(const std::string &state) {
        for (int i = 0; i < Setting::Length; ++i)
            app->Settings[i] = i == Setting::Sound ? SoundMode::All : 0;
        for (int i = 0; i < app->Badges.Length(); ++i) app->Badges[i] = false;
        for (int i = 0; i < app->Highscores.Length(); ++i) app->Highscores[i] = 0;
        kit.host.SaveState(String(state.c_str()));
        testing::internal::CaptureStdout();
        app->p_Load();
        return testing::internal::GetCapturedStdout();
    }
    std::string Saved() {
        app->p_Save();
        return kit.host.LoadState().ToUtf8();
    }
    // Every block filled: negatives, the int extremes (checksums wrap), flag 255, every last list.
    std::string Rich() {
        Load("");
        for (int i = 0; i < Setting::Length; ++i)
            app->Settings[i] = i == 20 ? INT_MIN : i == 24 ? INT_MAX : i * 1000 - 7;
        app->Settings[Setting::Overscan] = 1;  // what a desktop keeps
        for (int b = 0; b < 256; ++b) app->Badges[b] = b % 3 == 0;
        for (int i = 0; i < 60; ++i)
            app->Highscores[i] = i == 0 ? INT_MAX : i == 35 ? INT_MIN : (i + 1) * 98765;
        return Saved();
    }
};

}  // namespace

// Strings the game did not write settle after one load.
TEST_F(Save, RoundTripsByteForByteButLoadsThreeTablesOnly) {
    const std::string rich = Rich(), fresh = (Load(""), Saved());
    // Flags b % 3 == 0: bit k of word w is flag 32w + k, and bit 31 makes a word negative.
    const std::string a = "1227133513", b = "-1840700270", c = "613566756";
    EXPECT_EQ(Block(rich, 1), (std::vector<std::string>{a, b, c, a, b, c, a, b, "-613566759"}));
    EXPECT_EQ(Load(rich), kAll);
    EXPECT_EQ(Saved(), rich);
    for (const std::string &text : {std::string(), Edit(rich, -1, "", 60), Edit(rich, 5, "x")}) {
        Load(text);
        const std::string saved = Saved();
        Load(saved);
        EXPECT_EQ(Saved(), saved);
    }
    // Table t weighs top entry k by k + 4 and last entry k by t + k + 3: 13 * 1000 + 14 * 1.
    Load("");
    app->Highscores[Highscore::Top(2, 9)] = 1000;
    app->Highscores[Highscore::Last(2, 9)] = 1;
    EXPECT_EQ(GameKit::Items(Saved())[kTablesAt + 62], "13014");
    // Entries 60..109 fill the five extra blocks (block 7, pair 9: entries 79 and 109).
    Load("");
    for (int i = 60; i < 150; ++i) app->Highscores[i] = i;
    const std::vector<std::string> items = GameKit::Items(Saved());
    EXPECT_EQ(items[kTablesAt + 7 * 21 + 18] + " " + items[kTablesAt + 7 * 21 + 19], "79 109");
    Load(kit.host.LoadState().ToUtf8());
    EXPECT_EQ(Saved(), fresh);
    // In debug mode both print the whole string.
    kt_Cobble_DebugMode = 1;
    testing::internal::CaptureStdout();
    app->p_Save();
    app->p_Load();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), fresh + "\n" + fresh + "\n" + kAll);
}

// A bad or cut-off checksum costs its own block only; the host keeps the damaged state aside.
TEST_F(Save, EachBlockFallsBackAlone) {
    const std::string rich = Rich(), fresh = (Load(""), Saved());
    struct Case {
        int damage, cut;      // the checksum item made wrong; the items kept (-1: all)
        const char *printed;  // as letters of kPrinted
        int loaded, kept;     // loaded: bit 0 settings, bit 1 badges, bits 2..4 tables
    } cases[] = {
        {25, -1, "Sb", 0b11110, 1}, {34, -1, "sB", 0b11101, 1}, {55, -1, "sb", 0b11011, 1},
        {76, -1, "sb", 0b10111, 1}, {97, -1, "sb", 0b01111, 1}, {118, -1, "sb", 0b11111, 0},
        {-1, 0, "", 0, 0},          {-1, 8, "B", 0, 1},         {-1, 25, "S", 0, 1},
        {-1, 26, "s", 0b1, 0},      {-1, 33, "s", 0b1, 0},      {-1, 34, "sB", 0b1, 1},
        {-1, 35, "sb", 0b11, 0},    {-1, 54, "sb", 0b11, 0},    {-1, 55, "sb", 0b11, 1},
        {-1, 56, "sb", 0b111, 0},   {-1, 97, "sb", 0b1111, 1},  {-1, 98, "sb", 0b11111, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.damage) + " " + std::to_string(c.cut));
        std::string sum = c.damage < 0 ? "0" : GameKit::Items(rich)[static_cast<size_t>(c.damage)];
        const std::string text = Edit(rich, c.damage, std::to_string(std::stoll(sum) + 1), c.cut);
        kit.host.damagedState = String();
        std::string printed;
        for (const char *p = c.printed; *p; ++p) printed += kPrinted[std::string("sbSB").find(*p)];
        EXPECT_EQ(Load(text), printed + kH);
        EXPECT_EQ(kit.host.damagedState.ToUtf8(), c.kept ? text : "");
        const std::string saved = Saved();
        for (int b = 0; b < 5; ++b)
            EXPECT_EQ(Block(saved, b), Block(c.loaded >> b & 1 ? rich : fresh, b)) << b;
    }
}

// The loader's corrections on a desktop and on the console (the tour's save shows the pad's).
TEST_F(Save, LoadCorrectsThePadAndTheOverscan) {
    struct Case {
        int entry, stored, ouya, loaded, overscan;
    } cases[] = {{Setting::PadX, 65, 0, 65, 0},     {Setting::PadScale, 8, 0, 8, 0},
                 {Setting::Overscan, 40, 0, 1, 0},  {Setting::Overscan, 40, 1, 40, 40},
                 {Setting::Overscan, 0, 1, 64, 64}, {Setting::Overscan, INT_MIN, 1, 64, 64}};
    for (const Case &c : cases) {
        Load("");
        app->Settings[c.entry] = c.stored;
        kt_Cobble_isOuya = c.ouya;
        EXPECT_EQ(Load(Saved()), kAll);
        EXPECT_EQ(app->Settings[c.entry], c.loaded) << c.entry << " " << c.stored;
        EXPECT_EQ(kt_Cobble_overscan, c.overscan) << c.entry << " " << c.stored;
    }
}
