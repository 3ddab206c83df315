// The placeholder application and the program's module initialiser and entry.

#include "game/myapp.h"

#include "framework/audio.h"
#include "framework/input.h"
#include "host/glfw_game.h"

namespace {

constexpr int kCards = 13;
// The card faces the row shows before turning over: safe ones (4..7) and traps (8..11).
constexpr int kFaces[kCards] = {4, 9, 5, 6, 8, 7, 4, 10, 5, 11, 6, 7, 8};

// Draws text with the game font (frame = character - 32) at the given size, centred on x.
void DrawCentredText(c_Image *font, const char *text, float x, float y, float size) {
    int n = 0;
    while (text[n]) ++n;
    float advance = 7 * size;
    float left = x - n * advance / 2;
    for (int i = 0; i < n; ++i) {
        int frame = static_cast<unsigned char>(text[i]) - 32;
        if (frame > 0 && frame < 96) {
            kt_graphics_DrawImage2(font, left + i * advance, y, 0, size, size, frame);
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Application

c_MyApp *c_MyApp::m_new() {
    c_App::m_new();
    return this;
}

int c_MyApp::p_OnCreate() {
    kt_app_SetUpdateRate(60);
    gc_assign(logo, kt_graphics_LoadImage(String("logo.png"), 1, c_Image::kMidHandle));
    gc_assign(cards, kt_graphics_LoadImage2(String("cards-large.png"), 32, 32, 16, 0));
    gc_assign(pieces, kt_graphics_LoadImage2(String("gfx-large.png"), 32, 32, 16, 0));
    gc_assign(font, kt_graphics_LoadImage2(String("fonts/shadow_editundo.png"), 16, 16, 128, 0));
    kt_audio_PlayMusic(String("sfx/Fennel.ogg"), 1);
    return 0;
}

int c_MyApp::p_OnUpdate() {
    ++ticks;
    return 0;
}

// Lays the scene out on a 640 x 480 design fitted to the window; the window's centre stays
// clear night sky.
int c_MyApp::p_OnRender() {
    kt_graphics_device->Cls(12, 18, 46);
    float w = static_cast<float>(kt_app_DeviceWidth()),
          h = static_cast<float>(kt_app_DeviceHeight());
    float scale = w * 480 < h * 640 ? w / 640 : h / 480;
    kt_graphics_Translate((w - 640 * scale) / 2, (h - 480 * scale) / 2);
    kt_graphics_Scale(scale, scale);

    if (logo) kt_graphics_DrawImage(logo, 320, 96, 0);
    if (font) {
        kt_graphics_SetColor(240, 214, 160);
        DrawCentredText(font, "The board is being laid.", 320, 176, 2);
        kt_graphics_SetColor(255, 255, 255);
    }
    if (cards) {
        // One more card turns face down every second, then the row starts over.
        int down = (ticks / 60) % (kCards + 3);
        for (int i = 0; i < kCards; ++i) {
            kt_graphics_DrawImage2(cards, 60 + i * 40, 320, 0, 1.125f, 1.125f,
                                   i < down ? 0 : kFaces[i]);
        }
    }
    if (pieces) {
        kt_graphics_DrawImage2(pieces, 24, 324, 0, 0.875f, 0.875f, 0);
        int pips = (ticks / 8) % 6;
        kt_graphics_DrawImage2(pieces, 296, 392, 0, 1.5f, 1.5f, 5 + pips);
    }
    return 0;
}

void c_MyApp::mark() {
    gc_mark(logo);
    gc_mark(cards);
    gc_mark(pieces);
    gc_mark(font);
    c_App::mark();
}

// ---------------------------------------------------------------------------------------------
// Program entry points

void ktInit() {
    kt_app_Init();
    kt_graphics_Init();
    kt_input_Init();
    kt_audio_Init();
}

int ktMain() {
    (new c_MyApp())->m_new();
    return 0;
}
