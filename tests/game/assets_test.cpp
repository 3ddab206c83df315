// Assets and sound cues on the test host. The kit's host records every file request but decodes
// none, so sounds that must be heard are put into their slots by the test.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "framework/audio.h"
#include "tests/support/game_kit.h"

namespace {

const std::string kData = "vantor://data/";

c_Sound *SilentSound() {
    return (new c_Sound())->m_new(new gxtkSample());
}

// The files one full load asks for at a level's suffix, images then sounds, as the manifest
// lists them.
std::vector<std::string> LoaderFiles(const std::string &suffix) {
    std::vector<std::string> out;
    for (const manifest::ImageFile *file : manifest::kImages) {
        if (file->step > 0) out.push_back(kData + file->name + suffix + ".png");
    }
    char name[32];
    for (const manifest::SoundFile &sound : manifest::kSounds) {
        std::snprintf(name, sizeof name, manifest::kCueFile, sound.cue);
        out.push_back(kData + name);
    }
    return out;
}

std::vector<std::string> Asked(const GameKit &kit) {
    std::vector<std::string> out = kit.host.imageFiles;
    out.insert(out.end(), kit.host.audioFiles.begin(), kit.host.audioFiles.end());
    return out;
}

}  // namespace

TEST(Assets, LoaderRunsFifteenUpdatesAndAsksForTheFilesOfTheLevel) {
    struct Case {
        int w, h, useHD, level;
        const char *suffix;
    } cases[] = {
        {600, 450, 1, 1, ""},    {640, 480, 1, 2, "-hd"},    // 640 reaches the 631 threshold
        {480, 700, 1, 2, "-hd"}, {1280, 720, 1, 4, "-hd2"},  // either side counts
        {1280, 720, 0, 1, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " hd " << c.useHD);
        GameKit kit(c.w, c.h);
        c_MyApp *app = kit.app;
        ASSERT_EQ(app->LoadStage, 1) << "the create hook starts the loader";
        kit.host.imageFiles.clear();  // the create hook's reload asked for the logo and the font
        kt_Cobble_UseHDImages = c.useHD;
        EXPECT_EQ(kit.FinishLoading(), 15);
        EXPECT_EQ(app->LoadStage, 0);
        EXPECT_EQ(Asked(kit), LoaderFiles(c.suffix));
        EXPECT_EQ(app->HDLevel, c.level);
        EXPECT_FLOAT_EQ(app->HDScale, 1.0f / c.level);
        // Image cells follow the level; the font's advance and line height do not.
        const Array<int> &info = app->ImageInfo;
        EXPECT_EQ(
            (std::vector<int>{info[SlotInfo::Width(Img::Menu)], info[SlotInfo::Height(Img::Logo)],
                              info[SlotInfo::Frames(Img::Parts)], info[SlotInfo::Width(Img::Font)],
                              info[SlotInfo::Height(Img::Font)]}),
            (std::vector<int>{256 * c.level, 128 * c.level, 256, 7, 10}));
        // The off-screen surface needs no file: the one slot filled on the test host.
        c_Image *surface = app->Images[Img::Surface];
        ASSERT_NE(surface, nullptr);
        EXPECT_EQ(app->SurfaceSlot, Img::Surface);
        EXPECT_EQ(surface->width * surface->height * surface->frames.Length(), 2048 * 2048);
        EXPECT_FLOAT_EQ(surface->tx, 1024) << "centred handle";
    }
}

TEST(Assets, JinglePlaysOnTheFirstLoadOnlyAndAResizeReloadsEverySlot) {
    GameKit kit(640, 480);
    c_MyApp *app = kit.app;
    kit.Frame();  // step 1 asks for sound 96
    app->Sounds.Store(Sfx::Jingle, SilentSound());
    kit.Frame(2);
    EXPECT_TRUE(kit.audio->sounds.empty());
    kit.Frame();  // step 4
    ASSERT_EQ(kit.audio->sounds.size(), 1u);
    const KitSound &jingle = kit.audio->sounds[0];
    EXPECT_EQ((std::vector<float>{jingle.rate, jingle.volume, jingle.pan}),
              (std::vector<float>{1, 1, 0}));
    EXPECT_EQ(app->LogoJinglePlayed, 1);
    kit.FinishLoading();
    kit.host.imageFiles.clear();
    kit.host.audioFiles.clear();

    // The render notices the new size and restarts the loader; its first step runs in the
    // same frame's update.
    kit.Resize(1280, 720);
    kit.Frame();
    EXPECT_EQ(app->LoadStage, 2);
    app->Sounds.Store(Sfx::Jingle, SilentSound());
    EXPECT_EQ(kit.FinishLoading(), 14);
    EXPECT_EQ(kit.audio->sounds.size(), 1u) << "no second jingle after a resize";
    EXPECT_EQ(Asked(kit), LoaderFiles("-hd2"));
}

// Slot numbers outside the tables are ignored everywhere.
TEST(Assets, EffectsGoRoundRobinOverTwentyFourChannelsAndBadSlotsAreIgnored) {
    GameKit kit;
    c_MyApp *app = kit.app;
    kit.FinishLoading();
    kit.audio->sounds.clear();  // the logo jingle
    kit.host.imageFiles.clear();
    kit.host.audioFiles.clear();
    app->SfxChannel = 0;
    for (int slot : {-1, Img::Slots, 1 << 20}) {
        app->p_LoadImg(slot, String("menu"), 256, 256, 4, 1);
        app->p_LoadFont(slot, String("fonts/shadow_editundo"), 7, 10);
        app->p_ReserveImg(slot, 16, 16);
        app->p_LoadSFX(slot);
        app->p_PlaySFX(slot, 1, 1, 0);
    }
    EXPECT_TRUE(kit.host.imageFiles.empty() && kit.host.audioFiles.empty());
    EXPECT_EQ(app->FontSlot, Img::Font);
    app->Sounds.Store(5, SilentSound());
    app->p_PlaySFX(50, 1, 1, 0);  // an empty slot plays nothing and keeps the channel
    for (int i = 0; i < 25; ++i) app->p_PlaySFX(5, 1 + 0.01f * i, 0.5f, -0.25f);
    ASSERT_EQ(kit.audio->sounds.size(), 25u);
    for (int i = 0; i < 25; ++i) EXPECT_EQ(kit.audio->sounds[i].channel, (i + 1) % 24) << i;
    const KitSound &last = kit.audio->sounds[24];
    EXPECT_EQ((std::vector<float>{last.rate, last.volume, last.pan}),
              (std::vector<float>{1.24f, 0.5f, -0.25f}));
    app->ChannelMap[2] = 30;
    app->p_PlaySFX(5, 1, 1, 0);
    EXPECT_EQ(kit.audio->sounds.back().channel, 30) << "channels go through the map";
}

TEST(Assets, SoundSettingGatesEffectsAndMusicAndMinusOneReplaysTheLastTune) {
    for (int setting : {0, 1, 2, 3}) {
        SCOPED_TRACE(setting);
        GameKit kit;
        kit.FinishLoading();
        kit.audio->sounds.clear();  // the logo jingle
        c_MyApp *app = kit.app;
        app->Settings[Setting::Sound] = setting;
        app->Sounds.Store(3, SilentSound());
        app->p_PlaySFX(3, 1, 1, 0);
        app->p_PlayTune(String("Fennel"), 1);
        bool effects = setting == 1 || setting == 2, music = setting == 1 || setting == 3;
        EXPECT_EQ(kit.audio->sounds.size(), effects ? 1u : 0u);
        ASSERT_EQ(kit.audio->music.size(), music ? 1u : 0u);
        EXPECT_EQ(app->MusicOn, music ? 1 : 0);
        if (music) {
            EXPECT_EQ(kit.audio->music[0].path, kData + "sfx/Fennel.ogg");
        }
        // Remembered even when silent, so "-1" finds it once music is allowed.
        EXPECT_EQ(app->CurrentTune.ToUtf8(), "Fennel");
    }
    // "-1" replays the last tune, stopping the playing one first.
    GameKit kit;
    c_MyApp *app = kit.app;
    app->p_PlayTune(String("-1"), 1);  // no tune yet: taken as a name
    app->p_PlayTune(String("Fennel"), 1);
    kit.audio->musicCalls.clear();
    app->p_PlayTune(String("-1"), 0);
    app->p_PlayTune(String(), 1);  // starts nothing
    ASSERT_EQ(kit.audio->music.size(), 3u);
    EXPECT_EQ(kit.audio->music[0].path, kData + "sfx/-1.ogg");
    EXPECT_EQ(kit.audio->music[2].path + " " + std::to_string(kit.audio->music[2].flags),
              kData + "sfx/Fennel.ogg 0");
    EXPECT_EQ(kit.audio->musicCalls.at(0), "stop");
    kit.audio->musicCalls.clear();
    app->p_StopTune();
    EXPECT_EQ(kit.audio->musicCalls, std::vector<std::string>{"stop"});
    EXPECT_EQ(app->MusicOn, 0);
    // Without a music stream nothing plays and nothing is remembered.
    kt_Cobble_HasMusicStream = 0;
    app->p_PlayTune(String("Other"), 1);
    EXPECT_EQ(kit.audio->music.size(), 3u);
    EXPECT_EQ(app->CurrentTune.ToUtf8(), "Fennel");
}

TEST(Assets, LoadingScreenDrawsThreeRingsTheLogoAndCentredText) {
    GameKit kit(640, 480);
    c_MyApp *app = kit.app;
    app->BgRed = 80;
    app->BgTargetRed = 80;
    kit.Frame();  // the backdrop fades out, losing an eighth
    EXPECT_EQ((std::vector<float>{app->BgRed, app->BgTargetRed, app->ClearRed,
                                  static_cast<float>(app->LoaderSize),
                                  static_cast<float>(app->LoaderSpin)}),
              (std::vector<float>{70, 0, 70, 480, 3}));

    std::vector<KitCommand> commands = kit.Commands();
    ASSERT_EQ(commands.size(), 11u + 1u + 22u + 10u);
    struct Ring {
        int first;
        float angle, radius, dot, red, blue;
    } rings[] = {
        {0, 0, 0.45f, 16, 0, 255}, {12, 120, 0.4f, 12, 255, 0}, {23, 240, 0.35f, 8, 255, 0}};
    for (const Ring &ring : rings) {
        for (int i = 0; i < 11; ++i) {
            const KitCommand &dot = commands[ring.first + i];
            SCOPED_TRACE(dot.Describe());
            EXPECT_EQ(dot.kind, KitCommand::Oval);
            float a = (3 + ring.angle + 4.0f * i) * 3.14159265f / 180;
            EXPECT_NEAR(dot.x, 320 + std::sin(a) * ring.radius * 480, 1e-3);
            EXPECT_NEAR(dot.y, 240 - std::cos(a) * ring.radius * 480, 1e-3);
            EXPECT_EQ((std::vector<float>{dot.w, dot.alpha, dot.red, dot.blue}),
                      (std::vector<float>{ring.dot, i / 10.0f, ring.red, ring.blue}));
        }
    }
    EXPECT_EQ(commands[11].Describe(),
              "image 93 f0 (320,230.4) 2x2 rot 0 rgb 255,255,255 a1 blend 1");
    EXPECT_EQ(kit.Text(), "Loading...");
    // Centred: the measured width of " Loading.." is 10 cells of 7 less 3 for "i" and 1 for
    // "n", so the pen starts 33 left of the centre and "L" follows the leading space.
    EXPECT_EQ(commands[34].Describe(),
              "image 90 f44 (294,448) 1x1 rot 0 rgb 255,255,255 a1 blend 1");

    // The waiting state: no rings, then the menu with a fresh load.
    app->LoaderSpin = 358;  // the spin stays within one turn
    app->p_WaitStart(0);
    commands = kit.Commands();
    EXPECT_EQ(commands.size(), 11u) << "the logo and the text";
    EXPECT_EQ(commands.at(0).slot, Img::OrvoLogo);
    EXPECT_EQ((std::vector<int>{app->LoaderSpin, app->Mode, app->PressLock, app->LoadStage}),
              (std::vector<int>{1, Screen::Menu, 1, 1}));
}
