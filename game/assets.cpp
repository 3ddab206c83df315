// Assets and sound cues: the image and sound slots, the loader that fills them one step per
// update while the loading screen spins, the loading screen itself, and the sound layer
// (effects round-robin over 24 channels, one music track), both gated by the sound setting.
//
// Image files exist at three resolution levels; the level follows the device size, so a resize
// restarts the loader (the render's fitting sets LoadStage := 1) and every slot is reloaded.
// Cell sizes in the manifest are level-1 pixels and are multiplied by HDLevel; the replay divides
// the drawn scale by the level again (HDScale), so a picture covers the same virtual area at every
// level. Slot numbers outside 0..99 are ignored everywhere.

#include <cmath>
#include <cstdio>
#include <vector>

#include "game/myapp.h"

#include "framework/audio.h"

namespace {

// Every game image is loaded with a centred handle.
constexpr int kMidHandle = c_Image::kMidHandle;

// Device sizes (either side) from which the "-hd" and "-hd2" files are used.
constexpr int kLevel2From = 631, kLevel4From = 1231;

constexpr int kSurfaceSize = 2048;
constexpr int kLoaderSteps = 14;

// The game font's advance and line height are virtual pixels and do not follow the level.
constexpr int kFontAdvance = 7, kFontLineHeight = 10;
// The loader step from which image files are decoded ahead.
constexpr int kPrefetchStep = 2;

// One ring of eleven dots on the loading screen, fading in along the direction of travel.
struct Ring {
    float angle;   // degrees added to LoaderSpin
    float radius;  // share of LoaderSize
    float dot;     // dot radius in virtual pixels
    float red, green, blue;
};

constexpr int kRingDots = 11;
constexpr float kRingStep = 4;  // degrees between neighbouring dots
constexpr int kSpinStep = 3;    // degrees per loading-screen frame
constexpr Ring kInnerRing = {0, 0.45f, 16, 0, 125, 255};
constexpr Ring kMiddleRing = {120, 0.4f, 12, 255, 125, 0};
constexpr Ring kOuterRing = {240, 0.35f, 8, 255, 125, 0};

constexpr float kDegToRad = 0.017453292f;

bool ValidSlot(int slot) {
    return slot >= 0 && slot < Img::Slots;
}

// The file of an image at a resolution level.
String LevelFile(const String &name, int level) {
    return name + String(manifest::LevelSuffix(level)) + String(manifest::kImageExtension);
}

String SoundFile(int cue) {
    char name[32];
    std::snprintf(name, sizeof name, manifest::kCueFile, cue);
    return String(name);
}

bool EffectsOn(int setting) {
    return setting == SoundMode::All || setting == SoundMode::EffectsOnly;
}

bool MusicAllowed(int setting) {
    return setting == SoundMode::All || setting == SoundMode::MusicOnly;
}

// Loads one manifest image into its slot; the game font goes through p_LoadFont.
void LoadFile(c_MyApp *app, const manifest::ImageFile &file) {
    if (file.slot == Img::Font) {
        app->p_LoadFont(file.slot, String(file.name), kFontAdvance, kFontLineHeight);
    } else {
        app->p_LoadImg(file.slot, String(file.name), file.cellW, file.cellH, file.frames,
                       kMidHandle);
    }
}

// The image files of the loader's steps from `first` on at `level`, in the order the steps
// take them, so the host can decode them on worker threads while the loading screen spins. The
// loads themselves stay where they are; each takes its file's pixels when it runs. The files
// of the reload and of the first step are decoded where they are loaded: the workers would
// only compete with the first loading-screen frames for the processor.
void PrefetchLoads(int level, int first) {
    std::vector<String> names;
    for (int step = first; step <= kLoaderSteps; ++step) {
        for (const manifest::ImageFile *file : manifest::kImages) {
            if (file->step == step) names.push_back(LevelFile(String(file->name), level));
        }
    }
    Array<String> paths(static_cast<int>(names.size()));
    for (int i = 0; i < paths.Length(); ++i) paths.Store(i, names[i]);
    kt_app__game->PrefetchImages(paths);
}

void DrawRing(c_MyApp *app, const Ring &ring, float cx, float cy) {
    float r = ring.radius * static_cast<float>(app->LoaderSize);
    app->p_SetCol(ring.red, ring.green, ring.blue, kNoValue);
    for (int i = 0; i < kRingDots; ++i) {
        float a = (static_cast<float>(app->LoaderSpin) + ring.angle + kRingStep * i) * kDegToRad;
        app->p_Alpha(static_cast<float>(i) / 10.0f);
        app->p_Oval(cx + std::sin(a) * r, cy - std::cos(a) * r, ring.dot, ring.dot);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Images

void c_MyApp::p_ChooseLevel() {
    int w = kt_app_DeviceWidth(), h = kt_app_DeviceHeight();
    HDLevel = 1;
    if (kt_Cobble_UseHDImages != 0) {
        if (w >= kLevel4From || h >= kLevel4From) {
            HDLevel = 4;
        } else if (w >= kLevel2From || h >= kLevel2From) {
            HDLevel = 2;
        }
    }
    HDScale = 1.0f / static_cast<float>(HDLevel);
}

int c_MyApp::p_LoadImg(int slot, String name, int cellW, int cellH, int frames, int flags) {
    if (!ValidSlot(slot)) return 0;
    // A failed load leaves the slot empty rather than showing the previous level's picture.
    Images.Store(slot, nullptr);
    int w = HDLevel * cellW, h = HDLevel * cellH;
    Images.Store(slot, kt_graphics_LoadImage2(LevelFile(name, HDLevel), w, h, frames, flags));
    ImageInfo[SlotInfo::Width(slot)] = w;
    ImageInfo[SlotInfo::Height(slot)] = h;
    ImageInfo[SlotInfo::Frames(slot)] = frames;
    return 0;
}

int c_MyApp::p_LoadFont(int slot, String name, int advance, int lineHeight) {
    if (!ValidSlot(slot)) return 0;
    Images.Store(slot, nullptr);
    const manifest::ImageFile &font = manifest::kGameFont;
    Images.Store(slot, kt_graphics_LoadImage2(LevelFile(name, HDLevel), font.cellW * HDLevel,
                                              font.cellH * HDLevel, font.frames, kMidHandle));
    ImageInfo[SlotInfo::Width(slot)] = advance;
    ImageInfo[SlotInfo::Height(slot)] = lineHeight;
    ImageInfo[SlotInfo::Frames(slot)] = font.frames;
    FontSlot = slot;
    return 0;
}

int c_MyApp::p_ReserveImg(int slot, int w, int h) {
    if (!ValidSlot(slot)) return 0;
    Images.Store(slot, nullptr);
    // The device's CreateSurface; a device that cannot make it leaves the slot empty.
    Images.Store(slot, kt_graphics_CreateImage(w, h, 1, kMidHandle));
    ImageInfo[SlotInfo::Width(slot)] = w;
    ImageInfo[SlotInfo::Height(slot)] = h;
    ImageInfo[SlotInfo::Frames(slot)] = 1;
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Loader

int c_MyApp::p_Reload() {
    ClearRed = ClearGreen = ClearBlue = 0;
    ClearAlpha = 1;
    p_ChooseLevel();
    // The logo and the font first, so the loading screen can show them at once.
    LoadFile(this, manifest::kOrvoLogo);
    LoadFile(this, manifest::kGameFont);
    LoadStage = 1;
    return 0;
}

int c_MyApp::p_Loader() {
    p_ChooseLevel();
    int step = LoadStage;
    if (step > kLoaderSteps) {
        LoadStage = 0;
        kt_app__game->PrefetchImages(Array<String>());
    } else {
        // Kept when the loader restarts at the same level; a new level starts afresh.
        if (step == kPrefetchStep) PrefetchLoads(HDLevel, kPrefetchStep);
        for (const manifest::ImageFile *file : manifest::kImages) {
            if (file->step == step) LoadFile(this, *file);
        }
        if (step == 1) {
            p_ReserveImg(Img::Surface, kSurfaceSize, kSurfaceSize);
            SurfaceSlot = Img::Surface;
        }
        for (const manifest::SoundFile &sound : manifest::kSounds) {
            if (sound.step == step) p_LoadSFX(sound.cue);
        }
        // The jingle greets the player once; a resize reloads silently.
        if (step == 4 && LogoJinglePlayed == 0) {
            p_PlaySFX(Sfx::Jingle, 1, 1, 0);
            LogoJinglePlayed = 1;
        }
    }
    if (LoadStage > 0) ++LoadStage;
    p_WaitStart(1);
    return 0;
}

int c_MyApp::p_WaitStart(int mode) {
    // The backdrop fades out to black behind the loading screen.
    BgTargetRed = BgTargetGreen = BgTargetBlue = 0;
    BgRed -= BgRed * 0.125f;
    BgGreen -= BgGreen * 0.125f;
    BgBlue -= BgBlue * 0.125f;
    // Kept within one turn: the angle is all that matters, and the count never overflows.
    LoaderSpin = (LoaderSpin + kSpinStep) % 360;
    p_DrawLoadingScreen(mode);

    if (mode == 0) {
        PressLock = 1;
        Mode = Screen::Menu;
        p_Reload();
        kt_app_SetUpdateRate(kUpdateRate);
    }
    return 0;
}

void c_MyApp::p_DrawLoadingScreen(int mode) {
    p_CLS2D(BgRed, BgGreen, BgBlue, 1);
    LoaderSize = Trunc(kt_Cobble_jscrw < kt_Cobble_jscrh ? kt_Cobble_jscrw : kt_Cobble_jscrh);
    float cx = kt_Cobble_jscrw * 0.5f, cy = kt_Cobble_jscrh * 0.5f;

    if (mode == 1) DrawRing(this, kInnerRing, cx, cy);
    p_SetCol(255, 255, 255, 1);
    p_SetSize(2, kNoValue);
    p_DrawImg(Img::OrvoLogo, kt_Cobble_jscrw * 0.5f, kt_Cobble_jscrh * 0.48f, 0);
    if (mode == 1) {
        DrawRing(this, kMiddleRing, cx, cy);
        DrawRing(this, kOuterRing, cx, cy);
    }
    p_SetCol(255, 255, 255, 1);
    p_SetSize(1, kNoValue);
    p_Text(kt_Cobble_jscrw * 0.5f, kt_Cobble_jscrh - 32, String("Loading..."), 1, 1, 0);
}

int c_MyApp::p_BankLoad() {
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Sound

int c_MyApp::p_LoadSFX(int n) {
    if (n < 0 || n >= Sfx::Slots) return 0;
    Sounds.Store(n, nullptr);
    Sounds.Store(n, kt_audio_LoadSound(SoundFile(n)));
    return 0;
}

int c_MyApp::p_PlaySFX(int n, float rate, float volume, float pan) {
    if (n < 0 || n >= Sfx::Slots) return 0;
    if (!EffectsOn(Settings[Setting::Sound])) return 0;
    c_Sound *sound = Sounds[n];
    if (!sound) return 0;
    // Round-robin: the newest effect cuts off the oldest once all channels are busy.
    SfxChannel = (SfxChannel + 1) % Sfx::Channels;
    int c = ChannelMap[SfxChannel];
    kt_audio_StopChannel(c);
    kt_audio_PlaySound(sound, c, 0);
    kt_audio_SetChannelRate(c, rate);
    kt_audio_SetChannelVolume(c, volume);
    kt_audio_SetChannelPan(c, pan);
    return 0;
}

int c_MyApp::p_PlayTune(String name, int loop) {
    if (kt_Cobble_HasMusicStream == 0) return 0;
    // kLastTune asks for the last tune again; with none yet the name is taken as it is.
    if (name == String(kLastTune) && CurrentTune.Length() > 0) name = CurrentTune;
    if (name.Length() == 0) return 0;
    CurrentTune = name;
    String path = String(manifest::kTuneDir) + name + String(manifest::kTuneExtension);
    if (MusicOn == 1) {
        kt_audio_StopMusic();
        MusicOn = 0;
    }
    if (MusicAllowed(Settings[Setting::Sound])) {
        kt_audio_PlayMusic(path, loop);
        MusicOn = 1;
    }
    return 0;
}

void c_MyApp::p_MusicFollowsPause() {
    if (kt_Cobble_HasMusicStream != 1 || MusicOn != 1) return;
    if (Paused == 1) {
        kt_audio_PauseMusic();
    } else {
        kt_audio_ResumeMusic();
    }
}

int c_MyApp::p_StopTune() {
    kt_audio_StopMusic();
    MusicOn = 0;
    return 0;
}
