// GameKit: the game on the test host, scripted and recorded; one per test, barriers verified.
#pragma once

#include <GLFW/glfw3.h>
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

// The audio device: silent, records every effect and music request.
struct KitAudio : gxtkAudio {
    std::vector<KitSound> sounds;
    std::vector<KitMusic> music;
    std::vector<std::string> musicCalls;  // "play", "stop", "pause", "resume" in order

    gxtkSample *LoadSample(String path) override;
    int PlaySample(gxtkSample *sample, int channel, int flags) override;
    void SetVolume(int channel, float v) override { Set(channel, &KitSound::volume, v); }
    void SetPan(int channel, float v) override { Set(channel, &KitSound::pan, v); }
    void SetRate(int channel, float v) override { Set(channel, &KitSound::rate, v); }
    int PlayMusic(String path, int flags) override {
        music.push_back(KitMusic{path.ToUtf8(), flags}), musicCalls.push_back("play");
        return gxtkAudio::PlayMusic(path, flags);
    }
    void StopMusic() override { musicCalls.push_back("stop"), gxtkAudio::StopMusic(); }
    void PauseMusic() override { musicCalls.push_back("pause"), gxtkAudio::PauseMusic(); }
    void ResumeMusic() override { musicCalls.push_back("resume"), gxtkAudio::ResumeMusic(); }

private:
    void Set(int channel, float KitSound::*field, float value);
    std::vector<std::pair<gxtkSample *, int>> cues;
};

// The renderer: never submits (no OpenGL context); records primitives in device pixels.
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
    int DrawRect(float x, float y, float w, float h) override {
        return Record("rect", x, y, w, h), gxtkGraphics::DrawRect(x, y, w, h);
    }
    int DrawOval(float x, float y, float w, float h) override {
        return Record("oval", x, y, w, h), gxtkGraphics::DrawOval(x, y, w, h);
    }
    int DrawLine(float x1, float y1, float x2, float y2) override {
        return Record("line", x1, y1, x2, y2), gxtkGraphics::DrawLine(x1, y1, x2, y2);
    }
    int DrawSurface2(gxtkSurface *surface, float x, float y, int srcx, int srcy, int srcw,
                     int srch) override;

private:
    void Record(const char *what, float x, float y, float w, float h) {
        draws.push_back(Draw{what, x, y, w, h, r, g, b, alpha, blend});
    }
};

class GameKit {
public:
    KitHost host;
    c_MyApp *app = nullptr;
    KitAudio *audio = nullptr;
    KitGraphics *graphics = nullptr;

    // The game on a device of w x h; `state` is the state file's text at start.
    explicit GameKit(int w = 640, int h = 480, const std::string &state = "");
    ~GameKit();

    // One iteration of the frame loop: a render, then one update 1/60 s later.
    void Frame(int count = 1) {
        for (int i = 0; i < count; ++i) host.RunFrame();
    }
    // Frames until the loader is done (at most `limit`); returns how many ran.
    int FinishLoading(int limit = 100);

    // Scripted input (GLFW 3 key codes), delivered at the next frame's event pump.
    void Press(int key) { host.ScriptKey(key, GLFW_PRESS); }
    void Release(int key) { host.ScriptKey(key, GLFW_RELEASE); }
    // Press, one frame, release (delivered with the next frame), then `after` more frames.
    void Tap(int key, int after = 0) { Press(key), Frame(), Release(key), Frame(after); }
    // Pointer positions are virtual pixels, converted with the current fitting.
    void MoveMouse(float vx, float vy) { host.ScriptCursor(DeviceX(vx), DeviceY(vy)); }
    void MouseButton(bool down) {
        host.ScriptMouseButton(GLFW_MOUSE_BUTTON_LEFT, down ? GLFW_PRESS : GLFW_RELEASE);
    }
    // The pointer to (vx, vy), the button down for one frame; the release comes with the next.
    void Click(float vx, float vy) {
        MoveMouse(vx, vy), MouseButton(true), Frame(), MouseButton(false);
    }
    void Touch(int index, bool down, float vx, float vy) {
        host.TouchEvent(down ? KtEvent::TouchDown : KtEvent::TouchUp, index, DeviceX(vx),
                        DeviceY(vy));
    }
    KtTestJoystick &Joystick(int id, int buttons, int axes) {
        return host.AddJoystick(id, buttons, axes);
    }
    void Resize(int w, int h) { host.SetDeviceSize(w, h); }

    // The commands recorded by the last update, in replay order.
    std::vector<KitCommand> Commands() const;
    // The characters drawn with the font slot, in order (glyph frame + 32).
    std::string Text() const;
    // How many effects with this cue played, counting from sounds[from].
    int Cues(int cue, size_t from = 0) const;
    // The items of a save text / of the saved state, split at '|'.
    static std::vector<std::string> Items(const std::string &text);
    std::vector<std::string> SavedItems() { return Items(host.LoadState().ToUtf8()); }

private:
    float DeviceX(float vx) const { return vx * app->ScaleX + kt_Cobble_overscan; }
    float DeviceY(float vy) const;
};

// A test on a game whose loader has finished.
struct KitTest : ::testing::Test {
    GameKit kit;
    c_MyApp *app = kit.app;

    void SetUp() override { kit.FinishLoading(); }
};
