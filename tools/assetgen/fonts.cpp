// The framework font strip and the game's pixel font with its controller and keyboard glyphs.
#include "art.h"

#include <cmath>
#include <cstring>
#include <string>

namespace art {

namespace {

// The game font's letters are DejaVu Sans Bold rasterised once at this pixel size with the
// font's own hinting and no anti-aliasing; each pixel is then drawn as a square at every level,
// so the letters stay crisp pixel art from 1x to 4x.
constexpr double kPixelFontSize = 10.0;
constexpr int kCell = 16;
constexpr int kBaseline = 12;

struct PixelGlyph {
    bool ready = false;
    unsigned char on[kCell][kCell] = {};
};

PixelGlyph glyphs[96];

const PixelGlyph &pixelGlyph(int code) {
    PixelGlyph &g = glyphs[code - 32];
    if (g.ready) return g;
    g.ready = true;
    cairo_surface_t *surf = cairo_image_surface_create(CAIRO_FORMAT_A8, kCell, kCell);
    cairo_t *cr = cairo_create(surf);
    useFont(cr, Font::SansBold, kPixelFontSize);
    cairo_font_options_t *opt = cairo_font_options_create();
    cairo_font_options_set_antialias(opt, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_style(opt, CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_hint_metrics(opt, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr, opt);
    cairo_font_options_destroy(opt);
    char text[2] = {static_cast<char>(code), 0};
    cairo_text_extents_t e;
    cairo_text_extents(cr, text, &e);
    // Centre the ink, not the advance: the game spaces letters itself (advance 7 with its own
    // per-letter adjustments) and places each glyph by the cell's centre.
    double x = std::floor(kCell / 2.0 - e.width / 2 - e.x_bearing + 0.5);
    cairo_move_to(cr, x, kBaseline);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_show_text(cr, text);
    cairo_destroy(cr);
    cairo_surface_flush(surf);
    const unsigned char *px = cairo_image_surface_get_data(surf);
    int stride = cairo_image_surface_get_stride(surf);
    for (int y = 0; y < kCell; ++y)
        for (int x2 = 0; x2 < kCell; ++x2) g.on[y][x2] = px[y * stride + x2] > 127;
    cairo_surface_destroy(surf);
    return g;
}

void pixelPath(cairo_t *cr, const PixelGlyph &g, double dx, double dy) {
    for (int y = 0; y < kCell; ++y)
        for (int x = 0; x < kCell; ++x)
            if (g.on[y][x]) cairo_rectangle(cr, x + dx, y + dy, 1, 1);
}

void drawPixelChar(cairo_t *cr, int code) {
    const PixelGlyph &g = pixelGlyph(code);
    pixelPath(cr, g, 1, 1);
    set(cr, pal::ink, 0.85);
    cairo_fill(cr);
    pixelPath(cr, g, 0, 0);
    set(cr, pal::white);
    cairo_fill(cr);
}

// Controller and key glyphs sit around the cell's centre, about 11 pixels across, with the same
// drop shadow as the letters.

// Fills the current path's shadow one pixel down and right, consuming the path; the caller
// builds the shape again to draw it on top.
void shadowed(cairo_t *cr) {
    cairo_path_t *path = cairo_copy_path(cr);
    cairo_new_path(cr);
    cairo_save(cr);
    cairo_translate(cr, 1, 1);
    cairo_append_path(cr, path);
    set(cr, pal::ink, 0.85);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_path_destroy(path);
}

void label(cairo_t *cr, const char *text, double size, Rgb c, double cx = 8, double cy = 8) {
    set(cr, c);
    textCentered(cr, Font::SansBold, size, text, cx, cy);
}

void faceButton(cairo_t *cr, Rgb colour, const char *letter, bool lit) {
    circle(cr, 8, 8, 5.6);
    shadowed(cr);
    if (lit) glow(cr, 8, 8, 8, pal::lanternLight, 0.8);
    circle(cr, 8, 8, 5.6);
    fillVertical(cr, shade(colour, lit ? 1.6 : 1.2), shade(colour, lit ? 1.1 : 0.7), 2.4, 13.6);
    circle(cr, 8, 8, 5.6);
    set(cr, shade(colour, 0.45));
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    label(cr, letter, 6.5, pal::white, 8, 8.1);
}

void shoulderButton(cairo_t *cr, const char *letter, bool lit) {
    roundedRect(cr, 1.5, 4.5, 13, 7, 3);
    shadowed(cr);
    if (lit) glow(cr, 8, 8, 8, pal::lanternLight, 0.8);
    roundedRect(cr, 1.5, 4.5, 13, 7, 3);
    fillVertical(cr, lit ? pal::lanternLight : pal::stoneLight, lit ? pal::lantern : pal::stone,
                 4.5, 11.5);
    roundedRect(cr, 1.5, 4.5, 13, 7, 3);
    set(cr, pal::stoneDark);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    label(cr, letter, 5.5, pal::ink);
}

void pillButton(cairo_t *cr, bool forward) {
    roundedRect(cr, 2.5, 5.5, 11, 5, 2.5);
    shadowed(cr);
    roundedRect(cr, 2.5, 5.5, 11, 5, 2.5);
    fillStroke(cr, pal::slate, pal::ink, 0.7);
    triangle(cr, 8, 8, 2, forward ? 0 : M_PI);
    set(cr, pal::cream);
    cairo_fill(cr);
}

// A thumbstick seen from above; dir -1 is neutral, else 0 up, 1 down, 2 left, 3 right.
void stick(cairo_t *cr, int dir) {
    static const double dx[4] = {0, 0, -1, 1}, dy[4] = {-1, 1, 0, 0};
    circle(cr, 8, 8, 6);
    shadowed(cr);
    circle(cr, 8, 8, 6);
    fillStroke(cr, pal::stoneDark, pal::ink, 0.7);
    double ox = dir < 0 ? 0 : dx[dir] * 1.6, oy = dir < 0 ? 0 : dy[dir] * 1.6;
    circle(cr, 8 + ox, 8 + oy, 3.6);
    fillVertical(cr, pal::stoneLight, pal::stone, 4.4 + oy, 11.6 + oy);
    circle(cr, 8 + ox, 8 + oy, 3.6);
    set(cr, pal::ink);
    cairo_set_line_width(cr, 0.6);
    cairo_stroke(cr);
    if (dir >= 0) {
        double a = std::atan2(dy[dir], dx[dir]);
        triangle(cr, 8 + ox, 8 + oy, 2.2, a);
        set(cr, pal::lantern);
        cairo_fill(cr);
    }
}

void keycap(cairo_t *cr, double w) {
    double x = 8 - w / 2;
    roundedRect(cr, x, 2.5, w, 11, 2);
    shadowed(cr);
    roundedRect(cr, x, 2.5, w, 11, 2);
    fillStroke(cr, pal::stone, pal::ink, 0.7);
    roundedRect(cr, x + 1, 3.2, w - 2, 8.3, 1.5);
    fillVertical(cr, pal::white, pal::cream, 3.2, 11.5);
}

void keyLetter(cairo_t *cr, const char *text, double size = 6.5) {
    keycap(cr, 11);
    label(cr, text, size, pal::ink, 8, 7.4);
}

void keyArrow(cairo_t *cr, double angle) {
    keycap(cr, 11);
    triangle(cr, 8, 7.4, 2.8, angle);
    set(cr, pal::ink);
    cairo_fill(cr);
}

void drawGameFont(FrameCtx &c) {
    cairo_t *cr = c.cr;
    const int f = c.frame;
    if (f < 95) {
        if (f > 0) drawPixelChar(cr, f + 32);
        return;
    }
    static const Rgb face[4] = {
        {0.30, 0.70, 0.30}, {0.85, 0.25, 0.22}, {0.25, 0.45, 0.85}, {0.95, 0.75, 0.20}};
    static const char *faceLetter[4] = {"A", "B", "X", "Y"};
    static const char *keyName[6] = {"Z", "X", "C", "V", "B", "N"};
    switch (f) {
        case 95:  // DEL: a small filled block, so the strip has no hole.
            cairo_rectangle(cr, 5, 4, 6, 8);
            shadowed(cr);
            cairo_rectangle(cr, 5, 4, 6, 8);
            set(cr, pal::white);
            cairo_fill(cr);
            break;
        case 96:
        case 97:
        case 98:
        case 99:
            faceButton(cr, face[f - 96], faceLetter[f - 96], false);
            break;
        case 100:
            shoulderButton(cr, "L", false);
            break;
        case 101:
            shoulderButton(cr, "R", false);
            break;
        case 102:
            pillButton(cr, false);
            break;
        case 103:
            pillButton(cr, true);
            break;
        case 104:
            stick(cr, -1);
            break;
        case 105:
        case 106:
        case 107:
        case 108:
            stick(cr, f - 105);
            break;
        case 109:
            faceButton(cr, {0.95, 0.85, 0.55}, "", true);
            break;
        case 110:
            shoulderButton(cr, "", true);
            break;
        case 112:
        case 113:
        case 114:
        case 115:
        case 116:
        case 117:
            keyLetter(cr, keyName[f - 112]);
            break;
        case 118:
            keycap(cr, 14);
            label(cr, "Esc", 5, pal::ink, 8, 7.4);
            break;
        case 119:  // Enter: a return arrow.
            keycap(cr, 11);
            set(cr, pal::ink);
            cairo_set_line_width(cr, 1.1);
            cairo_move_to(cr, 10.5, 4.8);
            cairo_line_to(cr, 10.5, 8.2);
            cairo_line_to(cr, 6.5, 8.2);
            cairo_stroke(cr);
            triangle(cr, 5.8, 8.2, 2, M_PI);
            cairo_fill(cr);
            break;
        case 120:  // The arrow-key cluster, for "any direction".
            keycap(cr, 12);
            set(cr, pal::ink);
            for (int i = 0; i < 4; ++i) {
                double a = i * M_PI / 2;
                triangle(cr, 8 + 2.4 * std::cos(a), 7.4 + 2.4 * std::sin(a), 1.5, a);
            }
            cairo_fill(cr);
            break;
        case 121:
            keyArrow(cr, -M_PI / 2);
            break;
        case 122:
            keyArrow(cr, M_PI / 2);
            break;
        case 123:
            keyArrow(cr, M_PI);
            break;
        case 124:
            keyArrow(cr, 0);
            break;
        default:
            break;
    }
}

void drawPlumeFont(FrameCtx &c) {
    // Frames are 10 wide with a one-pixel transparent border each side: the ink stays in 1..9.
    cairo_t *cr = c.cr;
    int code = c.frame + 32;
    if (code == 127) {
        cairo_rectangle(cr, 2, 4, 6, 9);
        set(cr, pal::white);
        cairo_fill(cr);
        return;
    }
    char text[2] = {static_cast<char>(code), 0};
    cairo_rectangle(cr, 1, 0, 8, 16);
    cairo_clip(cr);
    useFont(cr, Font::MonoBold, 12);
    cairo_text_extents_t e;
    cairo_text_extents(cr, text, &e);
    cairo_move_to(cr, 5 - e.x_advance / 2, 12);
    set(cr, pal::white);
    cairo_show_text(cr, text);
}

}  // namespace

std::vector<Sheet> fontSheets() {
    return {
        sheet(manifest::kFrameworkFont, drawPlumeFont),
        sheet(manifest::kGameFont, drawGameFont),
    };
}

}  // namespace art
