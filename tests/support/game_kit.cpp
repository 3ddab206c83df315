#include "tests/support/game_kit.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "host/audio_decode.h"
#include "host/glfw_game.h"  // ktInit, the module initialiser the kit runs before each game
#include "host/image_decode.h"

unsigned char *KitHost::LoadImageData(String path, int *width, int *height, int *depth) {
    imageFiles.push_back(path.ToUtf8());
    return kt_image_LoadFile(this, path, width, height, depth);
}

unsigned char *KitHost::LoadAudioData(String path, int *length, int *channels, int *format,
                                      int *hertz) {
    audioFiles.push_back(path.ToUtf8());
    return kt_audio_LoadFile(this, path, length, channels, format, hertz);
}

gxtkSample *KitAudio::LoadSample(String path) {
    gxtkSample *sample = gxtkAudio::LoadSample(path);
    // The cue number of an effect file ".../sfx/NNN.wav"; -1 for any other name.
    std::string name = path.ToUtf8();
    std::size_t at = name.rfind("sfx/");
    char *end = nullptr;
    long cue = at == std::string::npos ? -1 : std::strtol(name.c_str() + at + 4, &end, 10);
    if (sample) cues.emplace_back(sample, end && std::string(end) == ".wav" ? cue : -1);
    return sample;
}

int KitAudio::PlaySample(gxtkSample *sample, int channel, int flags) {
    // The music channel's plays are recorded as music.
    if (channel != kMusicChannel) {
        int cue = -1;
        for (auto &known : cues) {
            if (known.first == sample) cue = known.second;
        }
        sounds.push_back(KitSound{cue, channel});
    }
    return gxtkAudio::PlaySample(sample, channel, flags);
}

void KitAudio::Set(int channel, float KitSound::*field, float value) {
    if (!sounds.empty() && sounds.back().channel == channel) sounds.back().*field = value;
    if (field == &KitSound::volume) gxtkAudio::SetVolume(channel, value);
    if (field == &KitSound::pan) gxtkAudio::SetPan(channel, value);
    if (field == &KitSound::rate) gxtkAudio::SetRate(channel, value);
}

int KitGraphics::DrawSurface2(gxtkSurface *surface, float x, float y, int srcx, int srcy, int srcw,
                              int srch) {
    Record("image", tx, ty, static_cast<float>(srcx), static_cast<float>(srcy));
    return gxtkGraphics::DrawSurface2(surface, x, y, srcx, srcy, srcw, srch);
}

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
    // Recording devices replace the delegate's (the create hook only loads images).
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

int GameKit::FinishLoading(int limit) {
    int frames = 0;
    for (; app->LoadStage > 0 && frames < limit; ++frames) Frame();
    return frames;
}

float GameKit::DeviceY(float vy) const {
    float w = static_cast<float>(kt_app_DeviceWidth());
    float oy = w > 0 ? kt_Cobble_overscan * static_cast<float>(kt_app_DeviceHeight()) / w : 0;
    return vy * app->ScaleY + oy;
}

std::vector<KitCommand> GameKit::Commands() const {
    std::vector<KitCommand> out;
    for (int at = 0; at + Rec::Size <= app->DrawCount; at += Rec::Size) {
        const float *d = app->DrawList.Data() + at;
        float kind = d[Rec::Kind];
        KitCommand::Kind k = kind == Rec::KindRect   ? KitCommand::Rect
                             : kind == Rec::KindOval ? KitCommand::Oval
                             : kind == Rec::KindLine ? KitCommand::Line
                             : kind > -1             ? KitCommand::Image
                                                     : KitCommand::Other;
        out.push_back(KitCommand{k, k == KitCommand::Image ? static_cast<int>(kind) : -1, d[Rec::X],
                                 d[Rec::Y], d[Rec::Rot], d[Rec::SizeX], d[Rec::SizeY],
                                 static_cast<int>(d[Rec::Frame]), d[Rec::Red], d[Rec::Green],
                                 d[Rec::Blue], d[Rec::Alpha], static_cast<int>(d[Rec::Blend])});
    }
    return out;
}

std::string GameKit::Text() const {
    std::string out;
    for (const KitCommand &c : Commands()) {
        if (c.kind == KitCommand::Image && c.slot == app->FontSlot)
            out += static_cast<char>(c.frame + 32);
    }
    return out;
}

std::string KitCommand::Describe() const {
    static const char *const names[] = {"image", "rect", "oval", "line", "other"};
    char buf[200];
    std::snprintf(buf, sizeof buf, "%s %d f%d (%g,%g) %gx%g rot %g rgb %g,%g,%g a%g blend %d",
                  names[kind], slot, frame, x, y, w, h, rot, red, green, blue, alpha, blend);
    return buf;
}

int GameKit::Cues(int cue, size_t from) const {
    int n = 0;
    for (size_t i = from; i < audio->sounds.size(); ++i) n += audio->sounds[i].cue == cue;
    return n;
}

std::vector<std::string> GameKit::Items(const std::string &text) {
    std::vector<std::string> out;
    std::stringstream in(text);
    for (std::string item; std::getline(in, item, '|');) out.push_back(item);
    return out;
}
