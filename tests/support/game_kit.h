// GameKit: the game test kit. It makes a c_MyApp on the test host (real frame loop, real input
// mapping, fake clock, in-memory state, the generated data/ files), runs frames with scripted
// keys, mouse, touches and joysticks, and reads back what the game recorded: the draw commands
// of the last update, every sound effect and music request, every data file it asked for.
//
// One GameKit per test: it initialises every module global (ktInit) and installs its host.
// Renders run the real replay through the graphics module into a recording renderer. The
// collector runs in verify mode, so a reference stored without the write barrier stops the test
// with the holder's type.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/myapp.h"
#include "tests/support/test_game.h"

// One recorded draw command, decoded.
struct KitCommand {
    enum Kind { Image, Rect, Oval, Line, Other } kind;
    int slot;               // image slot (images only)
    float x, y, rot, w, h;  // w, h: image size factors, rectangle size, radii or line end
    int frame;
    float red, green, blue, alpha;
    int blend;

    // "image 90 f33 (16,20) 1x1 rot 0 rgb 255,255,255 a1 blend 1"
    std::string Describe() const;
};

// One effect played (PlaySample with the rate, volume and pan set right after it).
struct KitSound {
    int cue;  // from the file name sfx/NNN.wav; -1 when unknown
    int channel;
    float rate = 1, volume = 1, pan = 0;
};

struct KitMusic {
    std::string path;  // as the audio device was asked, e.g. "vantor://data/sfx/Fennel.ogg"
    int flags;
};

// The host: records the data files the game loads.
class KitHost : public KtTestGame {
public:
    std::vector<std::string> imageFiles, audioFiles;

    unsigned char *LoadImageData(String path, int *width, int *height, int *depth) override;
    unsigned char *LoadAudioData(String path, int *length, int *channels, int *format,
                                 int *hertz) override;
};

// The audio device: plays nothing audible (no sound card on test machines) and records every
// effect and music request.
struct KitAudio : gxtkAudio {
    std::vector<KitSound> sounds;
    std::vector<KitMusic> music;
    std::vector<std::string> musicCalls;  // "play", "stop", "pause", "resume" in order

    gxtkSample *LoadSample(String path) override;
    int PlaySample(gxtkSample *sample, int channel, int flags) override;
    void SetVolume(int channel, float v) override { Set(channel, &KitSound::volume, v); }
    void SetPan(int channel, float v) override { Set(channel, &KitSound::pan, v); }
    void SetRate(int channel, float v) override { Set(channel, &KitSound::rate, v); }
    int PlayMusic(String path, int flags) override;
    void StopMusic() override { musicCalls.push_back("stop"), gxtkAudio::StopMusic(); }
    void PauseMusic() override { musicCalls.push_back("pause"), gxtkAudio::PauseMusic(); }
    void ResumeMusic() override { musicCalls.push_back("resume"), gxtkAudio::ResumeMusic(); }

private:
    void Set(int channel, float KitSound::*field, float value);
    std::vector<std::pair<gxtkSample *, int>> cues;
};

// The renderer: batches and counts as usual but never submits to OpenGL (the test host has no
// context), and records every primitive in device pixels with the colour state it was drawn in.
struct KitGraphics : gxtkGraphics {
    struct Draw {
        std::string what;  // "rect", "oval", "line", "image"
        float x, y, w, h;  // image: the matrix's translation and the frame's source corner
        float red, green, blue, alpha;
        int blend;
    };
    std::vector<Draw> draws;

    KitGraphics() { submit = false; }
    int BeginRender() override { return draws.clear(), gxtkGraphics::BeginRender(); }
    int DrawRect(float x, float y, float w, float h) override;
    int DrawOval(float x, float y, float w, float h) override;
    int DrawLine(float x1, float y1, float x2, float y2) override;
    int DrawSurface2(gxtkSurface *surface, float x, float y, int srcx, int srcy, int srcw,
                     int srch) override;

private:
    void Record(const char *what, float x, float y, float w, float h);
};

class GameKit {
public:
    KitHost host;
    c_MyApp *app = nullptr;
    KitAudio *audio = nullptr;
    KitGraphics *graphics = nullptr;

    // Starts the game on a device of w x h: ktInit, a new c_MyApp, the create hook, the
    // recording audio device. `state` is the state file's text at start.
    explicit GameKit(int w = 640, int h = 480, const std::string &state = "");
    ~GameKit();

    // One iteration of the frame loop: a render, then one update 1/60 s later.
    void Frame(int count = 1);
    // Frames until the loader is done (at most `limit`); returns how many ran.
    int FinishLoading(int limit = 100);

    // Scripted input, delivered at the next frame's event pump. Keys are GLFW 3 key codes.
    void Press(int key);
    void Release(int key);
    // Press, one frame, release (delivered with the next frame), then `after` more frames.
    void Tap(int key, int after = 0);
    // Pointer positions are virtual pixels, converted with the current fitting.
    void MoveMouse(float vx, float vy);
    void MouseButton(bool down);
    // The pointer to (vx, vy), the button down for one frame; the release comes with the next.
    void Click(float vx, float vy);
    void Touch(int index, bool down, float vx, float vy);
    KtTestJoystick &Joystick(int id, int buttons, int axes) {
        return host.AddJoystick(id, buttons, axes);
    }
    void Resize(int w, int h) { host.SetDeviceSize(w, h); }

    // The commands recorded by the last update, in replay order.
    std::vector<KitCommand> Commands() const;
    // The characters drawn with the font slot, in order (glyph frame + 32; escapes as '?').
    std::string Text() const;
    std::vector<std::string> Describe() const;
    // How many effects with this cue played, counting from sounds[from].
    int Cues(int cue, size_t from = 0) const;
    // The items of the saved state text, split at '|'.
    std::vector<std::string> SavedItems();

private:
    float DeviceX(float vx) const;
    float DeviceY(float vy) const;
};

// A test on a game whose loader has finished.
struct KitTest : ::testing::Test {
    GameKit kit;
    c_MyApp *app = kit.app;

    void SetUp() override { kit.FinishLoading(); }
};
