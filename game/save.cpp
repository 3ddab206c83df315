// The save string: settings, badge flags and highscore tables.
//
// The text is a flat list of "%i" integers, each followed by "|", in three blocks (settings,
// badges, tables), each closed by a checksum over its own values. A block is read only when its
// checksum item is present and is reset to its defaults when the checksum does not match, so a
// damaged or cut-off string loses only the blocks it damaged. Checksums are 32-bit sums that wrap
// around; they are summed as unsigned so that the wrapping is defined behaviour. The format has
// no header and no version: a state file written by any build of the game must load in every
// other, so the layout never changes.

#include "game/myapp.h"

#include <vector>

namespace {

constexpr int kSettingsItems = Setting::Length + 1;  // the values, then their checksum

constexpr int kBadgeFlags = 256;
constexpr int kBitsPerWord = 32;
constexpr int kBadgeWords = kBadgeFlags / kBitsPerWord;
constexpr int kBadgeItems = kBadgeWords + 1;

constexpr int kTableItems = 2 * Highscore::ListLength + 1;  // top/last pairs, then the checksum
// Only the first three blocks are tables; the other five are written by the same rule (from
// entries 30..109) for the files' sake and skipped when loading.
constexpr int kTablesWritten = 8;
constexpr int kTablesRead = Highscore::Tables;

// The loader's corrections of settings that later code would misuse.
constexpr int kPadMinimum = 64;  // pad x and y below it take it
constexpr int kPadScaleMinimum = 8, kPadScaleDefault = 10;
constexpr int kOverscanMinimum = 1, kOverscanConsole = 64, kOverscanDesktop = 1;

unsigned Wrap(int value) {
    return static_cast<unsigned>(value);
}

unsigned SettingsChecksum(const Array<int> &settings) {
    unsigned sum = 0;
    for (int i = 0; i < Setting::Length; ++i) sum += Wrap(i) * Wrap(settings[i]);
    return sum;
}

unsigned TableChecksum(const Array<int> &scores, int table) {
    unsigned sum = 0;
    for (int k = 0; k < Highscore::ListLength; ++k) {
        sum += Wrap(k + 4) * Wrap(scores[Highscore::Top(table, k)]);
        sum += Wrap(table + k + 3) * Wrap(scores[Highscore::Last(table, k)]);
    }
    return sum;
}

// Bit k of word w is flag w * 32 + k; a word with bit 31 set reads as a negative int.
unsigned BadgeWord(const Array<bool> &badges, int word) {
    unsigned bits = 0;
    for (int k = 0; k < kBitsPerWord; ++k) {
        if (badges[word * kBitsPerWord + k]) bits |= 1u << k;
    }
    return bits;
}

void ResetSettings(Array<int> &settings) {
    for (int i = 0; i < Setting::Length; ++i) settings[i] = 0;
    settings[Setting::Sound] = SoundMode::All;
}

// The items of a split save string, each read as the runtime reads integers: anything that is
// not a number reads as 0 and huge numbers wrap, so no item can fail.
struct Items {
    Array<String> items;
    int Count() const { return items.Length(); }
    int At(int i) const { return items[i].ToInt(); }
};

}  // namespace

int c_MyApp::p_Save() {
    std::vector<String> parts;
    parts.reserve(kSettingsItems + kBadgeItems + kTablesWritten * kTableItems);
    const String bar("|");
    auto put = [&](unsigned value) { parts.push_back(String(static_cast<int>(value)) + bar); };

    for (int i = 0; i < Setting::Length; ++i) put(Wrap(Settings[i]));
    put(SettingsChecksum(Settings));

    unsigned badgeSum = 0;
    for (int w = 0; w < kBadgeWords; ++w) {
        unsigned word = BadgeWord(Badges, w);
        put(word);
        badgeSum += word;
    }
    put(badgeSum);

    for (int t = 0; t < kTablesWritten; ++t) {
        for (int k = 0; k < Highscore::ListLength; ++k) {
            put(Wrap(Highscores[Highscore::Top(t, k)]));
            put(Wrap(Highscores[Highscore::Last(t, k)]));
        }
        put(TableChecksum(Highscores, t));
    }

    String text = String::JoinParts(String(), parts.data(), static_cast<int>(parts.size()));
    if (kt_Cobble_DebugMode == 1) ktPrint(text);
    kt_app_SaveState(text);
    return 0;
}

int c_MyApp::p_Load() {
    String text = kt_app_LoadState();
    if (kt_Cobble_DebugMode == 1) ktPrint(text);
    // The trailing "|" yields an empty last item, and the empty string one empty item.
    const Items in{text.Split(String("|"))};
    int p = 0;
    bool damaged = false;

    if (in.Count() >= kSettingsItems) {
        for (int i = 0; i < Setting::Length; ++i) Settings[i] = in.At(i);
        if (SettingsChecksum(Settings) == Wrap(in.At(Setting::Length))) {
            ktPrint(String("Settings Loaded"));
        } else {
            ktPrint(String("Settings Checksum Invalid"));
            ResetSettings(Settings);
            damaged = true;
        }
        p = kSettingsItems;
    }

    // Whether loaded or not, the settings must leave the pad on screen and at a usable size.
    if (Settings[Setting::PadX] < kPadMinimum) Settings[Setting::PadX] = kPadMinimum;
    if (Settings[Setting::PadY] < kPadMinimum) Settings[Setting::PadY] = kPadMinimum;
    if (Settings[Setting::PadScale] < kPadScaleMinimum) {
        Settings[Setting::PadScale] = kPadScaleDefault;
    }
    if (Settings[Setting::Overscan] < kOverscanMinimum) {
        Settings[Setting::Overscan] = kOverscanConsole;
    }
    // Only the console has a television's overscan; every mode but the console is a desktop.
    if (kt_Cobble_isOuya == 1) {
        kt_Cobble_overscan = static_cast<float>(Settings[Setting::Overscan]);
    } else {
        Settings[Setting::Overscan] = kOverscanDesktop;
        kt_Cobble_overscan = 0.0f;
    }

    // With 9 to 25 items there is no settings block and p is still 0: the items are read as a
    // badge block. A cut-off settings block read so fails its checksum or, with sound off, holds
    // only zero words, so no flag is ever set from it.
    if (in.Count() > p + kBadgeWords) {
        unsigned sum = 0;
        for (int w = 0; w < kBadgeWords; ++w) {
            unsigned word = Wrap(in.At(p + w));
            sum += word;
            for (int k = 0; k < kBitsPerWord; ++k) {
                Badges[w * kBitsPerWord + k] = ((word >> k) & 1u) != 0;
            }
        }
        bool valid = sum == Wrap(in.At(p + kBadgeWords));
        p += kBadgeItems;
        if (valid) {
            ktPrint(String("Badges Loaded"));
        } else {
            ktPrint(String("Badge Checksum Invalid"));
            for (int i = 0; i < kBadgeFlags; ++i) Badges[i] = false;
            damaged = true;
        }
    }

    for (int t = 0; t < kTablesRead && in.Count() > p + kTableItems - 1; ++t) {
        for (int k = 0; k < Highscore::ListLength; ++k) {
            Highscores[Highscore::Top(t, k)] = in.At(p + 2 * k);
            Highscores[Highscore::Last(t, k)] = in.At(p + 2 * k + 1);
        }
        if (TableChecksum(Highscores, t) != Wrap(in.At(p + kTableItems - 1))) {
            for (int k = 0; k < Highscore::ListLength; ++k) {
                Highscores[Highscore::Top(t, k)] = 0;
                Highscores[Highscore::Last(t, k)] = 0;
            }
            damaged = true;
        }
        p += kTableItems;
    }

    ktPrint(String("Highscores Loaded"));
    // The next save would replace what the player had with the defaults.
    if (damaged) kt_app_KeepDamagedState();
    return 0;
}
