// Game sheets: menu backdrops, badges, particles, the cards, and the piece and die.
//
// Sections: scenery (stars, hills, cottage) and the menu backdrops; badges; particles; cards
// and traps; the piece and the die; the desktop icon; the sheet list.
#include "art.h"

#include <cmath>

namespace art {

namespace {

void stars(cairo_t *cr, Rng &rng, int n, double w, double h) {
    for (int i = 0; i < n; ++i) {
        double x = rng.range(0, w), y = rng.range(0, h), r = rng.range(0.4, 1.3);
        if (r > 1.1) glow(cr, x, y, r * 3, pal::lanternLight, 0.3);
        circle(cr, x, y, r);
        set(cr, pal::cream, rng.range(0.4, 1));
        cairo_fill(cr);
    }
}

void hills(cairo_t *cr, double base, double amp, Rgb top, Rgb bottom, double phase) {
    cairo_move_to(cr, 0, 256);
    for (int x = 0; x <= 256; x += 8)
        cairo_line_to(cr, x,
                      base - amp * std::sin(x / 40.0 + phase) - amp * 0.4 * std::sin(x / 17.0));
    cairo_line_to(cr, 256, 256);
    cairo_close_path(cr);
    fillVertical(cr, top, bottom, base - amp, 256);
}

void cottage(cairo_t *cr, double x, double y, double s) {
    cairo_rectangle(cr, x - s, y - s, 2 * s, 1.4 * s);
    set(cr, pal::ink);
    cairo_fill(cr);
    triangle(cr, x, y - s * 1.7, s * 1.3, -M_PI / 2);
    cairo_fill(cr);
    glow(cr, x, y - s * 0.4, s * 1.6, pal::lantern, 0.5);
    cairo_rectangle(cr, x - s * 0.35, y - s * 0.7, s * 0.7, s * 0.6);
    set(cr, pal::lanternLight);
    cairo_fill(cr);
}

void drawMenu(FrameCtx &c) {
    cairo_t *cr = c.cr;
    roundedRect(cr, 0, 0, 256, 256, 14);
    cairo_clip(cr);
    cairo_rectangle(cr, 0, 0, 256, 256);
    fillVertical(cr, pal::night, pal::dusk, 0, 256);
    switch (c.frame) {
        case 0:  // moonrise over the vale
            stars(cr, c.rng, 60, 256, 150);
            glow(cr, 180, 64, 70, pal::lanternLight, 0.35);
            circle(cr, 180, 64, 22);
            set(cr, pal::cream);
            cairo_fill(cr);
            hills(cr, 170, 18, pal::mossDark, shade(pal::mossDark, 0.5), 0.3);
            cottage(cr, 70, 166, 10);
            hills(cr, 210, 12, pal::moss, pal::mossDark, 2.1);
            break;
        case 1: {  // a cobbled lane between lanterns
            stars(cr, c.rng, 30, 256, 90);
            hills(cr, 110, 10, shade(pal::mossDark, 0.8), pal::mossDark, 1.0);
            cairo_move_to(cr, 40, 256);
            cairo_line_to(cr, 118, 110);
            cairo_line_to(cr, 138, 110);
            cairo_line_to(cr, 216, 256);
            cairo_close_path(cr);
            set(cr, pal::stoneDark);
            cairo_fill(cr);
            for (int row = 0; row < 18; ++row) {
                double t = row / 17.0, y = 112 + t * t * 150, half = 10 + t * 88;
                int n = 3 + row / 2;
                for (int i = 0; i < n; ++i) {
                    double x = 128 - half + (i + 0.5 + (row % 2) * 0.3) * (2 * half / n);
                    cobble(cr, x, y, half / n * 0.9, 1.5 + t * t * 9, c.rng, pal::stone);
                }
            }
            for (int s : {-1, 1}) {
                cairo_rectangle(cr, 128 + s * 100 - 2, 120, 4, 136);
                set(cr, pal::ink);
                cairo_fill(cr);
                lantern(cr, 128 + s * 100, 112, 12);
            }
            break;
        }
        case 2:  // a mossy stone wall
            for (int row = 0; row < 9; ++row)
                for (int i = 0; i < 7; ++i)
                    cobble(cr, i * 42 + (row % 2) * 21 - 10, row * 30 + 8, 22, 15, c.rng,
                           pal::stone);
            for (int i = 0; i < 26; ++i) {
                double x = c.rng.range(0, 256), y = c.rng.range(0, 256);
                glow(cr, x, y, c.rng.range(8, 18), pal::moss, 0.85);
                for (int k = 0; k < 14; ++k) {
                    circle(cr, x + c.rng.range(-9, 9), y + c.rng.range(-6, 6), c.rng.range(1, 2.4));
                    set(cr, k % 3 ? pal::moss : pal::mossLight);
                    cairo_fill(cr);
                }
            }
            glow(cr, 128, 128, 160, pal::lantern, 0.25);
            break;
        default:  // a starry sky with a lantern-lit window far away
            stars(cr, c.rng, 120, 256, 256);
            for (int i = 0; i < 3; ++i) {
                cairo_arc(cr, 128, 360, 200 + i * 24, M_PI * 1.2, M_PI * 1.8);
                set(cr, i == 1 ? pal::lanternLight : pal::sky, 0.25);
                cairo_set_line_width(cr, 6);
                cairo_stroke(cr);
            }
            hills(cr, 226, 8, shade(pal::dusk, 0.6), pal::night, 4.0);
            cottage(cr, 196, 222, 7);
            break;
    }
    roundedRect(cr, 1.5, 1.5, 253, 253, 13);
    set(cr, pal::brass, 0.9);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
}

void drawBadge(FrameCtx &c) {
    cairo_t *cr = c.cr;
    static const Rgb metals[4] = {pal::bronze, pal::silver, pal::gold, pal::jade};
    static const Rgb ribbons[4] = {pal::ember, pal::water, pal::moss, pal::petal};
    Rgb metal = metals[c.frame / 16 % 4];
    Rgb ribbon = ribbons[c.frame % 4];
    for (int s : {-1, 1}) {
        cairo_move_to(cr, 32 + s * 4, 6);
        cairo_line_to(cr, 32 + s * 17, 6);
        cairo_line_to(cr, 32 + s * 9, 30);
        cairo_line_to(cr, 32 - s * 2, 30);
        cairo_close_path(cr);
        fillStroke(cr, s < 0 ? ribbon : shade(ribbon, 0.75), pal::ink, 1.2);
    }
    circle(cr, 32, 39, 21);
    set(cr, pal::ink, 0.4);
    cairo_fill(cr);
    gear(cr, 32, 37, 22, 20, 24);
    fillVertical(cr, shade(metal, 1.3), shade(metal, 0.6), 15, 59);
    gear(cr, 32, 37, 22, 20, 24);
    set(cr, pal::ink);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    circle(cr, 32, 37, 17);
    fillVertical(cr, shade(metal, 0.75), shade(metal, 1.15), 20, 54);
    circle(cr, 32, 37, 17);
    set(cr, shade(metal, 0.45));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    symbol(cr, c.frame % kSymbolCount, 32, 37, 13);
    cairo_arc(cr, 32, 37, 19, M_PI * 1.15, M_PI * 1.55);
    set(cr, pal::white, 0.6);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
}

void drawParticle(FrameCtx &c) {
    cairo_t *cr = c.cr;
    const int kind = c.frame / 32, v = c.frame % 32;
    const double size = 0.55 + 0.15 * (v % 4);  // 0.55 .. 1.0 of the cell
    const double turn = v * M_PI / 16;
    const double r = 3.8 * size;
    switch (kind) {
        case 0:
            glow(cr, 4, 4, r, pal::white, 1);
            break;
        case 1:
            glow(cr, 4, 4, r, pal::lantern, 0.7);
            star(cr, 4, 4, r, r * 0.25, 4, turn);
            set(cr, pal::lanternLight);
            cairo_fill(cr);
            break;
        case 2: {
            Rgb dust = mix(pal::stoneLight, pal::stone, (v / 4 % 8) / 8.0);
            for (int i = 0; i < 3; ++i)
                glow(cr, 4 + std::cos(turn + i * 2.1) * r * 0.35,
                     4 + std::sin(turn + i * 2.1) * r * 0.35, r * 0.7, dust, 0.8);
            break;
        }
        case 3: {
            static const Rgb leaves[4] = {pal::moss, pal::mossLight, pal::amber, pal::bronze};
            leaf(cr, 4, 4, r * 2, r * 0.7, turn);
            fillStroke(cr, leaves[v / 8], shade(leaves[v / 8], 0.5), 0.4);
            break;
        }
        case 4:
            star(cr, 4, 4, r, r * 0.45, 5, turn);
            set(cr, pal::gold);
            cairo_fill(cr);
            break;
        case 5:
            leaf(cr, 4, 4, r * 1.6, r * 0.55, turn);
            set(cr, v % 2 ? pal::petal : pal::cream);
            cairo_fill(cr);
            break;
        case 6:
            glow(cr, 4, 4, r, v % 2 ? pal::ember : pal::amber, 1);
            break;
        default:
            circle(cr, 4, 4, r * 0.8);
            set(cr, pal::water, 0.35);
            cairo_fill_preserve(cr);
            set(cr, pal::cream, 0.9);
            cairo_set_line_width(cr, 0.6);
            cairo_stroke(cr);
            break;
    }
}

// Cards are 28 x 30 inside their 32 x 32 cell, so neighbouring cards keep a small gap.
constexpr double kCardX = 2, kCardY = 1, kCardW = 28, kCardH = 30, kCardR = 3.5;

void cardBody(cairo_t *cr, Rgb top, Rgb bottom, Rgb edge) {
    roundedRect(cr, kCardX + 0.6, kCardY + 0.8, kCardW, kCardH, kCardR);
    set(cr, pal::ink, 0.5);
    cairo_fill(cr);
    roundedRect(cr, kCardX, kCardY, kCardW, kCardH, kCardR);
    fillVertical(cr, top, bottom, kCardY, kCardY + kCardH);
    roundedRect(cr, kCardX + 0.5, kCardY + 0.5, kCardW - 1, kCardH - 1, kCardR - 0.5);
    set(cr, edge);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

void cardBack(cairo_t *cr, Rng &rng, bool mossy, bool lit) {
    cardBody(cr, pal::slate, shade(pal::slate, 0.6), pal::brass);
    cairo_save(cr);
    roundedRect(cr, kCardX + 2.5, kCardY + 2.5, kCardW - 5, kCardH - 5, 2);
    cairo_clip_preserve(cr);
    set(cr, pal::stoneDark);
    cairo_fill(cr);
    for (int row = 0; row < 6; ++row)
        for (int i = 0; i < 6; ++i)
            cobble(cr, kCardX + 2 + i * 5.2 + (row % 2) * 2.6, kCardY + 3.5 + row * 5, 2.6, 2.3,
                   rng, pal::stone);
    if (mossy)
        for (int i = 0; i < 6; ++i) glow(cr, rng.range(4, 28), rng.range(3, 30), 4, pal::moss, 0.8);
    if (lit) glow(cr, 16, 16, 14, pal::lantern, 0.6);
    cairo_restore(cr);
}

void cardFace(cairo_t *cr, bool safe) {
    if (safe) {
        cardBody(cr, pal::mossLight, pal::moss, pal::cream);
    } else {
        cardBody(cr, shade(pal::ember, 1.15), pal::blood, pal::cream);
    }
    roundedRect(cr, kCardX + 3, kCardY + 3, kCardW - 6, kCardH - 6, 2);
    set(cr, safe ? shade(pal::mossDark, 0.6) : shade(pal::blood, 0.7), 0.7);
    cairo_fill(cr);
}

void trap(cairo_t *cr, int which) {
    const double cx = 16, cy = 16;
    switch (which) {
        case 0:  // pit
            cairo_save(cr);
            cairo_translate(cr, cx, cy + 1);
            cairo_scale(cr, 1, 0.6);
            circle(cr, 0, 0, 9);
            cairo_restore(cr);
            fillStroke(cr, pal::ink, pal::stoneLight, 1.2);
            cairo_save(cr);
            cairo_translate(cr, cx, cy + 2.5);
            cairo_scale(cr, 1, 0.45);
            circle(cr, 0, 0, 6);
            cairo_restore(cr);
            set(cr, pal::ember, 0.5);
            cairo_fill(cr);
            break;
        case 1:  // spikes
            for (int i = 0; i < 3; ++i) {
                double x = cx - 6 + i * 6;
                cairo_move_to(cr, x - 3, cy + 7);
                cairo_line_to(cr, x, cy - 8 + (i == 1 ? -1 : 2));
                cairo_line_to(cr, x + 3, cy + 7);
                cairo_close_path(cr);
                fillStroke(cr, pal::silver, pal::ink, 0.8);
            }
            break;
        case 2:  // skull
            circle(cr, cx, cy - 1.5, 7);
            roundedRect(cr, cx - 4, cy + 2, 8, 6, 1.5);
            cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
            fillStroke(cr, pal::cream, pal::ink, 0.9);
            set(cr, pal::ink);
            circle(cr, cx - 2.7, cy - 1, 1.9);
            circle(cr, cx + 2.7, cy - 1, 1.9);
            cairo_fill(cr);
            triangle(cr, cx, cy + 2.2, 1, -M_PI / 2);
            cairo_fill(cr);
            cairo_set_line_width(cr, 0.7);
            for (int i = -1; i <= 1; ++i) {
                cairo_move_to(cr, cx + i * 1.8, cy + 5);
                cairo_line_to(cr, cx + i * 1.8, cy + 8);
            }
            cairo_stroke(cr);
            break;
        default:  // snake
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            cairo_move_to(cr, cx - 6, cy + 8);
            cairo_curve_to(cr, cx + 10, cy + 8, cx + 8, cy - 1, cx, cy);
            cairo_curve_to(cr, cx - 8, cy + 1, cx - 8, cy - 8, cx + 3, cy - 7);
            set(cr, pal::ink);
            cairo_set_line_width(cr, 4.4);
            cairo_stroke_preserve(cr);
            set(cr, pal::mossLight);
            cairo_set_line_width(cr, 2.8);
            cairo_stroke(cr);
            circle(cr, cx + 4, cy - 7, 2.6);
            fillStroke(cr, pal::mossLight, pal::ink, 0.8);
            circle(cr, cx + 4.8, cy - 7.6, 0.7);
            set(cr, pal::ink);
            cairo_fill(cr);
            cairo_move_to(cr, cx + 6.4, cy - 6.6);
            cairo_line_to(cr, cx + 8.6, cy - 5.8);
            set(cr, pal::ember);
            cairo_set_line_width(cr, 0.7);
            cairo_stroke(cr);
            break;
    }
}

void mossTuft(cairo_t *cr, Rng &rng) {
    cobble(cr, 16, 19, 8, 5.5, rng, pal::stone);
    for (int i = 0; i < 9; ++i) {
        double a = M_PI + i * M_PI / 8;
        circle(cr, 16 + std::cos(a) * 6, 17 + std::sin(a) * 3.5, 2.6);
    }
    fillStroke(cr, pal::mossLight, pal::mossDark, 0.7);
}

void drawCard(FrameCtx &c) {
    cairo_t *cr = c.cr;
    const int f = c.frame;
    switch (f) {
        case 0:
            cardBack(cr, c.rng, false, false);
            break;
        case 1:
            cardBack(cr, c.rng, true, false);
            break;
        case 2:
            cardBack(cr, c.rng, false, true);
            break;
        case 3:  // a plain frame, for marking a place on the board
            roundedRect(cr, kCardX + 0.5, kCardY + 0.5, kCardW - 1, kCardH - 1, kCardR);
            set(cr, pal::cream, 0.9);
            cairo_set_line_width(cr, 1.5);
            cairo_stroke(cr);
            break;
        case 4:
            cardFace(cr, true);
            mossTuft(cr, c.rng);
            break;
        case 5:
            cardFace(cr, true);
            symbol(cr, 9, 16, 16, 9);
            break;
        case 6:
            cardFace(cr, true);
            symbol(cr, 11, 16, 16, 9.5);
            break;
        case 7:
            cardFace(cr, true);
            lantern(cr, 16, 17, 6.2);
            break;
        case 8:
        case 9:
        case 10:
        case 11:
            cardFace(cr, false);
            trap(cr, f - 8);
            break;
        case 12:
            cardFace(cr, true);
            break;
        case 13:
            cardFace(cr, false);
            break;
        case 14:
            cardBody(cr, pal::lanternLight, pal::lantern, pal::cream);
            symbol(cr, 0, 16, 16, 9);
            break;
        default:
            cardBody(cr, pal::sky, pal::dusk, pal::cream);
            symbol(cr, 6, 16, 16, 9);
            break;
    }
}

// The piece is drawn at half size, so its lines are twice as thick as elsewhere.
void piece(cairo_t *cr, Rgb body) {
    cairo_save(cr);
    cairo_translate(cr, 16, 28.5);
    cairo_scale(cr, 1, 0.35);
    circle(cr, 0, 0, 11);
    cairo_restore(cr);
    set(cr, pal::ink, 0.45);
    cairo_fill(cr);
    cairo_move_to(cr, 6, 27);
    cairo_curve_to(cr, 6, 20, 11, 17, 12, 14);
    cairo_line_to(cr, 20, 14);
    cairo_curve_to(cr, 21, 17, 26, 20, 26, 27);
    cairo_close_path(cr);
    circle(cr, 16, 10, 6.5);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_path_t *path = cairo_copy_path(cr);
    set(cr, pal::ink);
    cairo_set_line_width(cr, 3);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
    cairo_append_path(cr, path);
    cairo_path_destroy(path);
    cairo_pattern_t *p = cairo_pattern_create_radial(12, 8, 1, 16, 16, 16);
    Rgb hi = shade(body, 1.5);
    cairo_pattern_add_color_stop_rgb(p, 0, hi.r, hi.g, hi.b);
    cairo_pattern_add_color_stop_rgb(p, 1, body.r * 0.75, body.g * 0.75, body.b * 0.75);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    circle(cr, 14, 8, 2);
    set(cr, pal::white, 0.7);
    cairo_fill(cr);
}

void die(cairo_t *cr, int pipsShown) {
    roundedRect(cr, 4.5, 6, 24, 24, 5);
    set(cr, pal::ink, 0.45);
    cairo_fill(cr);
    roundedRect(cr, 4, 4, 24, 24, 5);
    fillVertical(cr, pal::white, pal::cream, 4, 28);
    roundedRect(cr, 4, 4, 24, 24, 5);
    set(cr, pal::ink);
    cairo_set_line_width(cr, 1.3);
    cairo_stroke(cr);
    roundedRect(cr, 5.5, 23, 21, 3.5, 2);
    set(cr, pal::stoneLight, 0.6);
    cairo_fill(cr);
    static const int layout[7][6][2] = {
        {},
        {{0, 0}},
        {{-1, -1}, {1, 1}},
        {{-1, -1}, {0, 0}, {1, 1}},
        {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}},
        {{-1, -1}, {1, -1}, {0, 0}, {-1, 1}, {1, 1}},
        {{-1, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {1, 1}},
    };
    for (int i = 0; i < pipsShown; ++i) {
        circle(cr, 16 + layout[pipsShown][i][0] * 6.5, 16 + layout[pipsShown][i][1] * 6.5,
               pipsShown == 1 ? 3.4 : 2.5);
        set(cr, pipsShown == 1 ? pal::ember : pal::ink);
        cairo_fill(cr);
    }
}

void drawGfx(FrameCtx &c) {
    cairo_t *cr = c.cr;
    const int f = c.frame;
    static const Rgb pieces[4] = {pal::lantern, pal::water, pal::moss, pal::petal};
    if (f < 4) {
        piece(cr, pieces[f]);
    } else if (f <= 10) {
        die(cr, f - 4);
    } else if (f == 11) {  // a soft shadow to lay under things
        cairo_save(cr);
        cairo_translate(cr, 16, 16);
        cairo_scale(cr, 1, 0.5);
        glow(cr, 0, 0, 14, pal::ink, 0.7);
        cairo_restore(cr);
    } else if (f == 12) {
        glow(cr, 16, 16, 14, pal::lanternLight, 0.7);
        star(cr, 16, 16, 12, 2.5, 4);
        set(cr, pal::white);
        cairo_fill(cr);
    } else if (f == 13) {  // a marker arrow pointing down at a place
        cairo_move_to(cr, 10, 4);
        cairo_line_to(cr, 22, 4);
        cairo_line_to(cr, 22, 14);
        cairo_line_to(cr, 27, 14);
        cairo_line_to(cr, 16, 27);
        cairo_line_to(cr, 5, 14);
        cairo_line_to(cr, 10, 14);
        cairo_close_path(cr);
        fillStroke(cr, pal::lantern, pal::ink, 1.4);
    } else {  // 14 the goal flag, 15 the start banner
        cairo_rectangle(cr, 8, 4, 2.5, 25);
        fillStroke(cr, pal::wood, pal::ink, 0.8);
        cairo_move_to(cr, 10.5, 5);
        cairo_curve_to(cr, 16, 3, 20, 8, 27, 6);
        cairo_line_to(cr, 27, 16);
        cairo_curve_to(cr, 20, 18, 16, 13, 10.5, 15);
        cairo_close_path(cr);
        fillStroke(cr, f == 14 ? pal::gold : pal::moss, pal::ink, 1.1);
        cobble(cr, 9, 28, 6, 2.5, c.rng, pal::stone);
    }
}

}  // namespace

void drawIcon(cairo_t *cr) {
    // The card leans back behind the piece; its seed is fixed so every build draws the same icon.
    Rng rng(hashName("icon"));
    cairo_save(cr);
    cairo_translate(cr, 14.5, 14.5);
    cairo_rotate(cr, -0.2);
    cairo_scale(cr, 0.8, 0.8);
    cairo_translate(cr, -16, -16);
    cardBack(cr, rng, false, true);
    cairo_restore(cr);
    cairo_save(cr);
    cairo_translate(cr, 12, 9.5);
    cairo_scale(cr, 0.66, 0.66);
    piece(cr, pal::lantern);
    cairo_restore(cr);
}

std::vector<Sheet> gameSheets() {
    return {
        sheet(manifest::kMenu, drawMenu),      sheet(manifest::kBadges, drawBadge),
        sheet(manifest::kParts, drawParticle), sheet(manifest::kCards, drawCard),
        sheet(manifest::kGfx, drawGfx),
    };
}

}  // namespace art
