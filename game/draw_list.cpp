// The draw-command list: recording during the update, replay in the render hook, and text.
//
// Contract: recording allocates nothing; it is a bounds check and fifteen stores into the one
// preallocated DrawList. A full list drops further commands of the frame silently. Replay reads
// only the list, so a render without a new update draws the same frame again. Replay sets the
// colour, alpha and blend once per record and leaves batching to the graphics module: only a
// change of texture or primitive kind starts a new draw call.

#include <cmath>

#include "game/myapp.h"

namespace {

constexpr int kEscape = 172;  // the next character selects a button glyph
constexpr int kFontFrames = 128;
constexpr int kFirstChar = 32;  // frame f of the font shows character f + 32
constexpr int kSecondGlyphSet = 16;

struct ButtonGlyph {
    Char letter;
    int normal;
    int blink;  // -1: none
    int advance;
};

constexpr ButtonGlyph kButtonGlyphs[] = {
    {'J', 96, 109, 4},  {'K', 97, 109, 4},  {'L', 98, 109, 4},  {'I', 99, 109, 4},
    {'U', 100, 110, 6}, {'O', 101, 110, 6}, {'Q', 102, -1, 4},  {'E', 103, -1, 4},
    {'F', 104, -1, 4},  {'W', 105, 104, 4}, {'S', 106, 104, 4}, {'A', 107, 104, 4},
    {'D', 108, 104, 4},
};
constexpr int kOtherGlyphAdvance = 4;
constexpr int kEscapeMeasure = 2;  // what an escape pair adds when the width is measured

struct InkFactors {
    float r, g, b;
};
constexpr InkFactors kInks[] = {
    {0.3f, 0.3f, 0.3f},  // any kind outside 1..9
    {1.0f, 0.1f, 0.1f}, {1.0f, 0.5f, 0.1f}, {1.0f, 1.0f, 0.1f},
    {0.1f, 1.0f, 0.1f}, {0.1f, 1.0f, 1.0f}, {0.1f, 0.1f, 1.0f},
    {0.5f, 0.1f, 1.0f}, {1.0f, 0.1f, 0.5f}, {1.0f, 1.0f, 1.0f},
};

float Clamp255(float v) {
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

// The narrower and wider letters of the bitmap font, in pixels added to the cell advance.
int Adjust(Char c) {
    switch (c) {
        case 'w':
        case 'm':
            return 2;
        case 'W':
        case 'M':
            return 1;
        case 'i':
        case 'f':
        case 'l':
            return -3;
        case 'j':
        case 's':
        case 'k':
        case 'r':
        case 'z':
        case 't':
        case 'n':
            return -1;
        default:
            return 0;
    }
}

// The font frame for an escaped letter and how far it advances the pen. ControlKind 0 uses the
// second set of button pictures 16 frames on; ControlKind 1 flashes the buttons that have a
// blink frame for 200 ms of every 500.
void ButtonFrame(Char letter, int controlKind, int &frame, int &advance) {
    frame = letter;
    advance = kOtherGlyphAdvance;
    int blink = -1;
    for (const ButtonGlyph &g : kButtonGlyphs) {
        if (g.letter == letter) {
            frame = g.normal;
            blink = g.blink;
            advance = g.advance;
            break;
        }
    }
    if (controlKind == 1 && blink >= 0 && kt_app_Millisecs() % 500 < 200) {
        frame = blink;
    } else if (controlKind == 0) {
        frame += kSecondGlyphSet;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Recording

namespace {

// Appends one record with the current drawing state, unless the list is full.
void Append(c_MyApp *app, float kind, float x, float y, float a, float b, float frame) {
    if (app->DrawCount > Rec::LastStart) return;
    float *d = app->DrawList.Data() + app->DrawCount;
    d[Rec::Kind] = kind;
    d[Rec::X] = x;
    d[Rec::Y] = y;
    d[Rec::Rot] = app->DrawRot;
    d[Rec::SizeX] = a;
    d[Rec::SizeY] = b;
    d[Rec::Frame] = frame;
    d[Rec::Alpha] = app->DrawAlpha;
    d[Rec::Red] = app->DrawRed;
    d[Rec::Green] = app->DrawGreen;
    d[Rec::Blue] = app->DrawBlue;
    d[Rec::Blend] = static_cast<float>(app->DrawBlend);
    app->DrawCount += Rec::Size;
}

}  // namespace

int c_MyApp::p_DrawImg(int slot, float x, float y, float frame) {
    Append(this, static_cast<float>(slot), x, y, DrawSizeX, DrawSizeY, frame);
    return 0;
}

int c_MyApp::p_Rect(float x, float y, float w, float h) {
    Append(this, Rec::KindRect, x, y, w, h, 0);
    return 0;
}

int c_MyApp::p_Oval(float x, float y, float rx, float ry) {
    Append(this, Rec::KindOval, x, y, rx, ry, 0);
    return 0;
}

int c_MyApp::p_Line(float x1, float y1, float x2, float y2) {
    Append(this, Rec::KindLine, x1, y1, x2, y2, 0);
    return 0;
}

int c_MyApp::p_SetCol(float r, float g, float b, float a) {
    DrawRed = r;
    DrawGreen = g;
    DrawBlue = b;
    if (a > kNoValue) DrawAlpha = a;
    return 0;
}

int c_MyApp::p_Alpha(float a) {
    DrawAlpha = a;
    return 0;
}

int c_MyApp::p_SetRot(float a) {
    DrawRot = -a;
    return 0;
}

int c_MyApp::p_SetSize(float sx, float sy) {
    if (sy <= kNoValue) sy = sx;
    DrawSizeX = sx;
    DrawSizeY = sy;
    return 0;
}

int c_MyApp::p_Ink(int kind, float brightness) {
    const InkFactors &ink = kInks[kind >= 1 && kind <= 9 ? kind : 0];
    float level = brightness * 255;
    DrawRed = Clamp255(ink.r * level);
    DrawGreen = Clamp255(ink.g * level);
    DrawBlue = Clamp255(ink.b * level);
    return 0;
}

int c_MyApp::p_ResetDraw() {
    DrawSizeX = DrawSizeY = 1;
    DrawRed = DrawGreen = DrawBlue = 255;
    DrawRot = 0;
    DrawAlpha = 1;
    DrawBlend = 1;
    return 0;
}

int c_MyApp::p_CLS2D(float r, float g, float b, float a) {
    ViewLeft = ViewTop = 0;
    ViewWidth = kt_Cobble_jscrw;
    ViewHeight = kt_Cobble_jscrh;
    if (r > kNoValue) {
        ClearRed = r;
        ClearGreen = g;
        ClearBlue = b;
        ClearAlpha = a;
    }
    p_ResetDraw();
    DrawCount = 0;
    return 0;
}

String c_MyApp::p_rstr(int value, int width, String pad) {
    String s;
    for (int i = 0; i < width; ++i) s = s + pad;
    s = s + String(value);
    return s.Slice(s.Length() - (width > 0 ? width : 0));
}

// ---------------------------------------------------------------------------------------------
// Text

int c_MyApp::p_Text(float x, float y, String text, float xalign, float yalign, int fontOffset) {
    float cw = static_cast<float>(ImageInfo[SlotInfo::Width(FontSlot)]);
    float ch = static_cast<float>(ImageInfo[SlotInfo::Height(FontSlot)]);
    float a = -DrawRot * 3.14159265f / 180.0f;
    float ca = std::cos(a), sa = std::sin(a);
    // The leading space lets later rows line up with the first row's text.
    String t = String(" ") + text;
    int n = t.Length();

    int width = 0;
    for (int i = 0; i < n - 1; ++i) {
        Char c = t[i];
        if (c == kEscape) {
            width = Trunc(static_cast<float>(width) + (cw + kEscapeMeasure) * DrawSizeX);
            ++i;
        } else {
            width =
                Trunc(static_cast<float>(width) + (cw + static_cast<float>(Adjust(c))) * DrawSizeX);
        }
    }

    float lh = ch * DrawSizeY;
    float fw = static_cast<float>(width);
    float sx = x - ca * fw * xalign / 2 + sa * lh * (yalign - 1) / 2;
    float sy = y - sa * fw * xalign / 2 - ca * lh * (yalign - 1) / 2;

    int slot = FontSlot + fontOffset;
    float px = sx, py = sy;
    int line = 0;
    for (int i = 0; i < n; ++i) {
        Char c = t[i];
        if (c == '\\' && i + 1 < n && t[i + 1] == 'n') {
            ++i;
            ++line;
            // One row across and one space along the text, where the first row's text begins.
            px = sx - static_cast<float>(line) * ch * DrawSizeY * sa + cw * DrawSizeX * ca;
            py = sy + static_cast<float>(line) * ch * DrawSizeY * ca + cw * DrawSizeX * sa;
            continue;
        }
        if (c == kEscape) {
            // An escape with nothing after it draws nothing; a glyph the font lacks neither.
            if (i + 1 >= n) break;
            int frame, advance;
            ButtonFrame(t[++i], ControlKind, frame, advance);
            if (frame < kFontFrames) p_DrawImg(slot, px, py, static_cast<float>(frame));
            float step = (cw + static_cast<float>(advance)) * DrawSizeX;
            px += step * ca;
            py += step * sa;
            continue;
        }
        int f = c - kFirstChar;
        if (f >= 1 && f < kFontFrames) p_DrawImg(slot, px, py, static_cast<float>(f));
        if (c != 0) {
            float step = (cw + static_cast<float>(Adjust(c))) * DrawSizeX;
            px += step * ca;
            py += step * sa;
        }
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Replay

void c_MyApp::p_Replay() {
    int w = kt_app_DeviceWidth(), h = kt_app_DeviceHeight();
    float ox = kt_Cobble_overscan;
    float oy = w > 0 ? ox * static_cast<float>(h) / static_cast<float>(w) : 0;
    const float *list = DrawList.Data();
    for (int at = 0; at + Rec::Size <= DrawCount; at += Rec::Size) {
        const float *d = list + at;
        kt_graphics_SetAlpha(d[Rec::Alpha]);
        kt_graphics_SetColor(d[Rec::Red], d[Rec::Green], d[Rec::Blue]);
        kt_graphics_SetBlend(d[Rec::Blend] == 3 ? 1 : 0);
        float x = d[Rec::X] * ScaleX + ox, y = d[Rec::Y] * ScaleY + oy;
        float kind = d[Rec::Kind];
        if (kind == Rec::KindRect) {
            kt_graphics_DrawRect(x, y, d[Rec::SizeX] * ScaleX, d[Rec::SizeY] * ScaleY);
        } else if (kind == Rec::KindOval) {
            float rx = d[Rec::SizeX] * ScaleX, ry = d[Rec::SizeY] * ScaleY;
            kt_graphics_DrawEllipse(x - rx, y - ry, 2 * rx, 2 * ry);
        } else if (kind == Rec::KindLine) {
            kt_graphics_DrawLine(x, y, d[Rec::SizeX] * ScaleX + ox, d[Rec::SizeY] * ScaleY + oy);
        } else if (kind > -1) {
            int slot = Trunc(kind);
            c_Image *image = slot < Img::Slots ? Images[slot] : nullptr;
            int frame = Trunc(d[Rec::Frame]);
            // A frame the loaded picture lacks draws nothing rather than stopping the game.
            if (image && frame >= 0 && frame < image->frames.Length()) {
                kt_graphics_DrawImage2(image, x, y, d[Rec::Rot], d[Rec::SizeX] * ScaleX * HDScale,
                                       d[Rec::SizeY] * ScaleY * HDScale, frame);
            }
        }
    }
}
