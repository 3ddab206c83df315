// The asset manifest: every image and sound file of the data directory, with the slot it fills
// and the loader step that reads it. The game's loader, the asset generator and the tests all
// read this one table, so a file cannot be drawn in one shape and loaded in another.
//
// Data only: no framework or runtime types, so the generator (which sits above the game but
// links none of it) can include it.
#pragma once

// Image slots the loader fills.
namespace Img {
constexpr int Cards = 1, Gfx = 2;
constexpr int Badges = 80, Surface = 81;
constexpr int Circle = 85, Light = 86;
constexpr int Font = 90, OrvoLogo = 93, Dpad = 94, Buttons = 95, Parts = 96, Icons = 97;
constexpr int Logo = 98, Menu = 99;
constexpr int Slots = 100;
}  // namespace Img

// Sound cues: the slot of each effect and the number in its file name.
namespace Sfx {
constexpr int Pop = 1;                            // a soft rising pop
constexpr int Safe = 3;                           // the piece lands on a safe card
constexpr int Trap = 5;                           // the piece lands on a trap
constexpr int Goal = 7;                           // the piece reaches GOAL
constexpr int LastLife = 10;                      // a trap took all but the last life
constexpr int RattleFirst = 11, RattleLast = 15;  // the die's tumble, one picked at random
constexpr int Back = 95;                          // cancel
constexpr int Jingle = 96;                        // the logo's greeting
constexpr int Confirm = 98;                       // a menu choice taken, or the game paused
constexpr int Click = 99;                         // a menu move, or one step of the piece
constexpr int Slots = 100;
constexpr int Channels = 24;  // effect channels used round-robin
}  // namespace Sfx

namespace manifest {

// One image file: `frames` cells of cellW x cellH level-1 pixels, `columns` to a row, read row
// by row. Files with allLevels also exist at levels 2 and 4 (each side times the level).
struct ImageFile {
    const char *name;  // under the data directory, without level suffix and extension
    int slot;          // the Img slot it fills; -1 for the framework's own font
    int cellW, cellH;
    int frames;
    int columns;
    bool allLevels;
    int step;  // the loader step that reads it; 0 for a file the game's loader never reads
};

// The framework's text font: a one-row strip it loads itself, by this name, at level 1.
constexpr ImageFile kFrameworkFont = {"plume_font", -1, 10, 16, 96, 96, false, 0};
// The game's bitmap font; the loader reads it with its own advance and line height.
constexpr ImageFile kGameFont = {"fonts/shadow_editundo", Img::Font, 16, 16, 128, 16, true, 5};
constexpr ImageFile kIcons = {"common/icons", Img::Icons, 32, 32, 16, 4, true, 1};
constexpr ImageFile kButtons = {"common/Buttons", Img::Buttons, 64, 64, 16, 4, true, 2};
constexpr ImageFile kDpad = {"common/dpad", Img::Dpad, 32, 32, 16, 4, true, 3};
constexpr ImageFile kOrvoLogo = {"common/OrvoLogo", Img::OrvoLogo, 256, 256, 1, 1, true, 4};
constexpr ImageFile kMenu = {"menu", Img::Menu, 256, 256, 4, 2, true, 6};
constexpr ImageFile kLogo = {"logo", Img::Logo, 256, 128, 1, 1, true, 6};
constexpr ImageFile kBadges = {"BadgesA", Img::Badges, 64, 64, 64, 8, true, 7};
constexpr ImageFile kParts = {"parts", Img::Parts, 8, 8, 256, 16, true, 7};
constexpr ImageFile kCircle = {"common/circle", Img::Circle, 256, 256, 4, 2, true, 8};
constexpr ImageFile kLight = {"common/light", Img::Light, 32, 32, 4, 2, true, 8};
constexpr ImageFile kCards = {"cards-large", Img::Cards, 32, 32, 16, 4, true, 9};
constexpr ImageFile kGfx = {"gfx-large", Img::Gfx, 32, 32, 16, 4, true, 10};

// Every image file, those the loader reads in loader order (by step).
constexpr const ImageFile *kImages[] = {
    &kFrameworkFont, &kIcons,  &kButtons, &kDpad,   &kOrvoLogo, &kGameFont, &kMenu,
    &kLogo,          &kBadges, &kParts,   &kCircle, &kLight,    &kCards,    &kGfx,
};

// The resolution levels and the file-name suffix of each.
constexpr int kLevels[] = {1, 2, 4};
constexpr const char *LevelSuffix(int level) {
    return level == 4 ? "-hd2" : level == 2 ? "-hd" : "";
}
constexpr const char *kImageExtension = ".png";

// One sound cue and the loader step that reads it; its file is kCueFile with the cue number.
struct SoundFile {
    int cue;
    int step;
};

// Every sound cue, in loader order (by step).
constexpr SoundFile kSounds[] = {
    {Sfx::Jingle, 1},
    {Sfx::Pop, 2},
    {Sfx::Confirm, 3},
    {Sfx::Click, 5},
    {Sfx::Back, 6},
    {Sfx::Safe, 9},
    {Sfx::Trap, 10},
    {Sfx::Goal, 11},
    {Sfx::LastLife, 11},
    {Sfx::RattleFirst, 12},
    {Sfx::RattleFirst + 1, 12},
    {Sfx::RattleFirst + 2, 13},
    {Sfx::RattleFirst + 3, 13},
    {Sfx::RattleLast, 14},
};

// printf format of a cue's file: "sfx/007.wav", the number with at least three digits.
constexpr const char *kCueFile = "sfx/%03d.wav";

// The tables are listed in loader order, which the loader's file requests follow; a slot outside
// its range would be ignored by the loader.
constexpr bool InLoaderOrder() {
    int step = 0;
    for (const ImageFile *file : kImages) {
        if (file->step == 0) continue;
        if (file->step < step || file->slot < 0 || file->slot >= Img::Slots) return false;
        step = file->step;
    }
    step = 0;
    for (const SoundFile &sound : kSounds) {
        if (sound.step < step || sound.cue < 0 || sound.cue >= Sfx::Slots) return false;
        step = sound.step;
    }
    return true;
}
static_assert(InLoaderOrder(), "manifest entries must be in step order with valid slots");

// The music: the one tune, streamed from kTuneDir + name + kTuneExtension, and its length.
constexpr const char *kTune = "Fennel";
constexpr const char *kTuneDir = "sfx/";
constexpr const char *kTuneExtension = ".ogg";
constexpr int kTuneSeconds = 40;

}  // namespace manifest
