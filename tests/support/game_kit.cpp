// The game test kit.

#include "tests/support/game_kit.h"

#include <GLFW/glfw3.h>

#include <cstdio>
#include <cstdlib>

#include "host/audio_decode.h"
// ktInit, the module initialiser the kit runs before each game.
#include "host/glfw_game.h"
#include "host/image_decode.h"

// ---------------------------------------------------------------------------------------------
// Host and audio device

unsigned char *KitHost::LoadImageData(String path, int *width, int *height, int *depth) {
    imageFiles.push_back(path.ToUtf8());
    return kt_image_LoadFile(this, path, width, height, depth);
}

unsigned char *KitHost::LoadAudioData(String path, int *length, int *channels, int *format,
                                      int *hertz) {
    audioFiles.push_back(path.ToUtf8());
    return kt_audio_LoadFile(this, path, length, channels, format, hertz);
}

namespace {

// The cue number of an effect file ".../sfx/NNN.wav"; -1 for any other name.
int CueOf(const std::string &path) {
    std::size_t at = path.rfind("sfx/");
    if (at == std::string::npos) return -1;
    char *end = nullptr;
    long cue = std::strtol(path.c_str() + at + 4, &end, 10);
    return end && std::string(end) == ".wav" ? static_cast<int>(cue) : -1;
}

}  // namespace

gxtkSample *KitAudio::LoadSample(String path) {
    gxtkSample *sample = gxtkAudio::LoadSample(path);
    if (sample) cues.emplace_back(sample, CueOf(path.ToUtf8()));
    return sample;
}

int KitAudio::PlaySample(gxtkSample *sample, int channel, int flags) {
    // The music channel's plays are recorded as music.
    if (channel == kMusicChannel) return gxtkAudio::PlaySample(sample, channel, flags);
    int cue = -1;
    for (auto &known : cues) {
        if (known.first == sample) cue = known.second;
    }
    sounds.push_back(KitSound{cue, channel});
    return gxtkAudio::PlaySample(sample, channel, flags);
}

KitSound *KitAudio::Last(int channel) {
    return !sounds.empty() && sounds.back().channel == channel ? &sounds.back() : nullptr;
}

void KitAudio::SetVolume(int channel, float volume) {
    if (KitSound *s = Last(channel)) s->volume = volume;
    gxtkAudio::SetVolume(channel, volume);
}

void KitAudio::SetPan(int channel, float pan) {
    if (KitSound *s = Last(channel)) s->pan = pan;
    gxtkAudio::SetPan(channel, pan);
}

void KitAudio::SetRate(int channel, float rate) {
    if (KitSound *s = Last(channel)) s->rate = rate;
    gxtkAudio::SetRate(channel, rate);
}

int KitAudio::PlayMusic(String path, int flags) {
    music.push_back(KitMusic{path.ToUtf8(), flags});
    musicCalls.push_back("play");
    return gxtkAudio::PlayMusic(path, flags);
}

void KitAudio::StopMusic() {
    musicCalls.push_back("stop");
    gxtkAudio::StopMusic();
}

void KitAudio::PauseMusic() {
    musicCalls.push_back("pause");
    gxtkAudio::PauseMusic();
}

void KitAudio::ResumeMusic() {
    musicCalls.push_back("resume");
    gxtkAudio::ResumeMusic();
}

int KitGraphics::BeginRender() {
    draws.clear();
    return gxtkGraphics::BeginRender();
}

void KitGraphics::Record(const char *what, float x, float y, float w, float h) {
    draws.push_back(Draw{what, x, y, w, h, r, g, b, alpha, blend});
}

int KitGraphics::DrawRect(float x, float y, float w, float h) {
    Record("rect", x, y, w, h);
    return gxtkGraphics::DrawRect(x, y, w, h);
}

int KitGraphics::DrawOval(float x, float y, float w, float h) {
    Record("oval", x, y, w, h);
    return gxtkGraphics::DrawOval(x, y, w, h);
}

int KitGraphics::DrawLine(float x1, float y1, float x2, float y2) {
    Record("line", x1, y1, x2, y2);
    return gxtkGraphics::DrawLine(x1, y1, x2, y2);
}

int KitGraphics::DrawSurface2(gxtkSurface *surface, float x, float y, int srcx, int srcy, int srcw,
                              int srch) {
    Record("image", tx, ty, static_cast<float>(srcx), static_cast<float>(srcy));
    return gxtkGraphics::DrawSurface2(surface, x, y, srcx, srcy, srcw, srch);
}

// ---------------------------------------------------------------------------------------------
// Kit

GameKit::GameKit(int w, int h, const std::string &state) {
    // Test machines have no sound card; OpenAL's silent back end stands in.
    setenv("ALSOFT_DRIVERS", "null", 1);
    host.Install();
    host.SetDeviceSize(w, h);
    if (!state.empty()) host.SaveState(String(state.c_str()));
    ktInit();
    gc_mark();
    gc_set_verify(true);
    app = (new c_MyApp())->m_new();
    host.StartGame();
    // The recording devices replace the real ones once the delegate has made them; the create
    // hook only loads images, which does not depend on the device.
    graphics = new KitGraphics();
    audio = new KitAudio();
    // The device the delegate opened goes unused: close it now rather than at collection.
    kt_app__delegate->audio->Close();
    gc_assign(kt_app__delegate->graphics, static_cast<gxtkGraphics *>(graphics));
    gc_assign(kt_graphics_device, static_cast<gxtkGraphics *>(graphics));
    gc_assign(kt_app__delegate->audio, static_cast<gxtkAudio *>(audio));
    kt_audio_SetAudioDevice(audio);
}

GameKit::~GameKit() {
    gc_set_verify(false);
    audio->Close();
    kt_app_Init();
    kt_audio_Init();
    kt_input_Init();
    kt_graphics_Init();
}

void GameKit::Frame(int count) {
    for (int i = 0; i < count; ++i) host.RunFrame();
}

int GameKit::FinishLoading(int limit) {
    int frames = 0;
    while (app->LoadStage > 0 && frames < limit) {
        Frame();
        ++frames;
    }
    return frames;
}

void GameKit::Press(int key) {
    host.ScriptKey(key, GLFW_PRESS);
}

void GameKit::Release(int key) {
    host.ScriptKey(key, GLFW_RELEASE);
}

void GameKit::Tap(int key) {
    Press(key);
    Frame();
    Release(key);
}

float GameKit::DeviceX(float vx) const {
    return vx * app->ScaleX + kt_Cobble_overscan;
}

float GameKit::DeviceY(float vy) const {
    float w = static_cast<float>(kt_app_DeviceWidth());
    float oy = w > 0 ? kt_Cobble_overscan * static_cast<float>(kt_app_DeviceHeight()) / w : 0;
    return vy * app->ScaleY + oy;
}

void GameKit::MoveMouse(float vx, float vy) {
    host.ScriptCursor(DeviceX(vx), DeviceY(vy));
}

void GameKit::MouseButton(bool down) {
    host.ScriptMouseButton(GLFW_MOUSE_BUTTON_LEFT, down ? GLFW_PRESS : GLFW_RELEASE);
}

void GameKit::Touch(int index, bool down, float vx, float vy) {
    host.TouchEvent(down ? KtEvent::TouchDown : KtEvent::TouchUp, index, DeviceX(vx), DeviceY(vy));
}

// ---------------------------------------------------------------------------------------------
// Reading the recording back

std::vector<KitCommand> GameKit::Commands() const {
    std::vector<KitCommand> out;
    const float *list = app->DrawList.Data();
    for (int at = 0; at + Rec::Size <= app->DrawCount; at += Rec::Size) {
        const float *d = list + at;
        KitCommand c{};
        float kind = d[Rec::Kind];
        c.kind = kind == Rec::KindRect   ? KitCommand::Rect
                 : kind == Rec::KindOval ? KitCommand::Oval
                 : kind == Rec::KindLine ? KitCommand::Line
                 : kind > -1             ? KitCommand::Image
                                         : KitCommand::Other;
        c.slot = c.kind == KitCommand::Image ? static_cast<int>(kind) : -1;
        c.x = d[Rec::X];
        c.y = d[Rec::Y];
        c.rot = d[Rec::Rot];
        c.w = d[Rec::SizeX];
        c.h = d[Rec::SizeY];
        c.frame = static_cast<int>(d[Rec::Frame]);
        c.red = d[Rec::Red];
        c.green = d[Rec::Green];
        c.blue = d[Rec::Blue];
        c.alpha = d[Rec::Alpha];
        c.blend = static_cast<int>(d[Rec::Blend]);
        out.push_back(c);
    }
    return out;
}

std::string GameKit::Text() const {
    std::string out;
    for (const KitCommand &c : Commands()) {
        if (c.kind == KitCommand::Image && c.slot == app->FontSlot) {
            out += static_cast<char>(c.frame + 32);
        }
    }
    return out;
}

std::vector<std::string> GameKit::Describe() const {
    std::vector<std::string> out;
    for (const KitCommand &c : Commands()) out.push_back(c.Describe());
    return out;
}

std::string KitCommand::Describe() const {
    static const char *const names[] = {"image", "rect", "oval", "line", "other"};
    char buf[200];
    std::snprintf(buf, sizeof buf, "%s %d f%d (%g,%g) %gx%g rot %g rgb %g,%g,%g a%g blend %d",
                  names[kind], slot, frame, x, y, w, h, rot, red, green, blue, alpha, blend);
    return buf;
}
