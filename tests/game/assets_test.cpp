// Assets and sound beyond the tour: the loader at every level, a resize, and the sound layer.

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/game_kit.h"

namespace {

const std::string kData = "vantor://data/";

// The files one full load asks for at a level, images then sounds, as the manifest lists them.
std::vector<std::string> LoaderFiles(int level) {
    const std::string suffix = manifest::LevelSuffix(level);
    std::vector<std::string> out;
    for (const manifest::ImageFile *file : manifest::kImages)
        if (file->step > 0) out.push_back(kData + file->name + suffix + ".png");
    char name[32];
    for (const manifest::SoundFile &sound : manifest::kSounds) {
        std::snprintf(name, sizeof name, manifest::kCueFile, sound.cue);
        out.push_back(kData + name);
    }
    return out;
}

// The files asked for since the last call.
std::vector<std::string> Asked(GameKit &kit) {
    std::vector<std::string> out = kit.host.imageFiles;
    out.insert(out.end(), kit.host.audioFiles.begin(), kit.host.audioFiles.end());
    kit.host.imageFiles.clear();
    kit.host.audioFiles.clear();
    return out;
}

}  // namespace

TEST(Assets, LoaderRunsFifteenUpdatesAndAsksForTheFilesOfTheLevel) {
    struct Case {
        int w, h, useHD, level;
    } cases[] = {
        {600, 450, 1, 1}, {640, 480, 1, 2}, {480, 700, 1, 2}, {1280, 720, 1, 4}, {1280, 720, 0, 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " hd " << c.useHD);
        GameKit kit(c.w, c.h);
        c_MyApp *app = kit.app;
        ASSERT_EQ(app->LoadStage, 1) << "the create hook starts the loader";
        Asked(kit);  // the create hook's reload asked for the logo and the font
        kt_Cobble_UseHDImages = c.useHD;
        EXPECT_EQ(kit.FinishLoading(), 15);
        EXPECT_EQ(Asked(kit), LoaderFiles(c.level));
        EXPECT_FLOAT_EQ(app->HDScale, 1.0f / c.level);
        // Image cells follow the level; the font's advance and line height do not.
        const Array<int> &info = app->ImageInfo;
        EXPECT_EQ(
            (std::vector<int>{app->HDLevel, info[SlotInfo::Width(Img::Menu)],
                              info[SlotInfo::Height(Img::Logo)], info[SlotInfo::Frames(Img::Parts)],
                              info[SlotInfo::Width(Img::Font)], info[SlotInfo::Height(Img::Font)],
                              info[SlotInfo::Width(Img::Surface)]}),
            (std::vector<int>{c.level, 256 * c.level, 128 * c.level, 256, 7, 10, 2048}));
        ASSERT_NE(app->Images[Img::Surface], nullptr) << "the off-screen surface needs no file";
    }
}

// The backdrop fades, the spin stays within a turn, a resize reloads silently, waiting reloads.
TEST(Assets, LoadingScreenResizeAndWaitingState) {
    GameKit kit(640, 480);
    c_MyApp *app = kit.app;
    app->BgRed = app->BgTargetRed = 80;
    app->LoaderSpin = 358;
    kit.Frame();
    EXPECT_EQ(
        (std::vector<float>{app->BgRed, app->BgTargetRed, app->ClearRed, float(app->LoaderSpin)}),
        (std::vector<float>{70, 0, 70, 1}));
    kit.FinishLoading();
    ASSERT_EQ(kit.audio->sounds.size(), 1u);
    Asked(kit);
    kit.Resize(1280, 720);
    kit.Frame();
    EXPECT_EQ(app->LoadStage, 2);
    EXPECT_EQ(kit.FinishLoading(), 14);
    EXPECT_EQ(kit.audio->sounds.size(), 1u);
    EXPECT_EQ(Asked(kit), LoaderFiles(4));
    app->p_WaitStart(0);
    EXPECT_EQ(kit.Commands().size(), 11u) << "the logo and the text";
    EXPECT_EQ(kit.Commands().at(0).slot, Img::OrvoLogo);
    EXPECT_EQ((std::vector<int>{app->Mode, app->PressLock, app->LoadStage}),
              (std::vector<int>{Screen::Menu, 1, 1}));
}

// Bad slots are ignored; effects go round robin; the setting gates both; "-1" replays a tune.
TEST(Assets, SoundLayer) {
    GameKit kit;
    c_MyApp *app = kit.app;
    kit.FinishLoading();
    kit.audio->sounds.clear();  // the logo jingle
    Asked(kit);
    for (int slot : {-1, Img::Slots, 1 << 20}) {
        app->p_LoadImg(slot, String("menu"), 256, 256, 4, 1);
        app->p_LoadFont(slot, String("fonts/shadow_editundo"), 7, 10);
        app->p_ReserveImg(slot, 16, 16);
        app->p_LoadSFX(slot);
        app->p_PlaySFX(slot, 1, 1, 0);
    }
    EXPECT_TRUE(Asked(kit).empty());
    app->SfxChannel = 0;
    app->p_PlaySFX(50, 1, 1, 0);  // an empty slot plays nothing and keeps the channel
    for (int i = 0; i < 25; ++i) app->p_PlaySFX(5, 1 + 0.01f * i, 0.5f, -0.25f);
    ASSERT_EQ(kit.audio->sounds.size(), 25u);
    for (int i = 0; i < 25; ++i) EXPECT_EQ(kit.audio->sounds[i].channel, (i + 1) % 24) << i;
    const KitSound &last = kit.audio->sounds[24];
    EXPECT_EQ((std::vector<float>{last.rate, last.volume, last.pan}),
              (std::vector<float>{1.24f, 0.5f, -0.25f}));
    app->ChannelMap[2] = 30;
    app->p_PlaySFX(5, 1, 1, 0);
    EXPECT_EQ(kit.audio->sounds.back().channel, 30);

    // Off, all, effects only, music only. The tune is remembered even when silent.
    std::string heard;
    for (int setting : {0, 1, 2, 3}) {
        const size_t sounds = kit.audio->sounds.size(), music = kit.audio->music.size();
        app->Settings[Setting::Sound] = setting;
        app->CurrentTune = String();
        app->p_PlaySFX(3, 1, 1, 0);
        app->p_PlayTune(String(setting == 0 ? "-1" : "Fennel"), 1);  // no tune yet: a name
        heard += std::to_string(kit.audio->sounds.size() - sounds) +
                 std::to_string(kit.audio->music.size() - music) + std::to_string(app->MusicOn) +
                 app->CurrentTune.ToUtf8() + " ";
    }
    EXPECT_EQ(heard, "000-1 111Fennel 100Fennel 011Fennel ");
    kit.audio->musicCalls.clear();
    app->p_PlayTune(String("-1"), 0);
    app->p_PlayTune(String(), 1);  // starts nothing
    app->p_StopTune();
    EXPECT_EQ(kit.audio->music.back().path + std::to_string(kit.audio->music.back().flags),
              kData + "sfx/Fennel.ogg0");
    EXPECT_EQ(kit.audio->musicCalls, (std::vector<std::string>{"stop", "play", "stop", "stop"}));
    EXPECT_EQ(app->MusicOn, 0);
    // Without a music stream nothing plays and nothing is remembered.
    kt_Cobble_HasMusicStream = 0;
    app->p_PlayTune(String("Other"), 1);
    EXPECT_EQ(kit.audio->music.size(), 3u);
    EXPECT_EQ(app->CurrentTune.ToUtf8(), "Fennel");
}
