// Interface sheets: icons, menu buttons and gear, on-screen pad, the maker's logo, the title,
// the menu wheel and soft lights.
//
// Sections: icons; companions, gears and the credits picture; menu buttons; the on-screen pad;
// the maker's logo; the title; the circle and the light; the sheet list.
#include "art.h"

#include <cmath>

namespace art {

namespace {

// Icons are pale so the game's tints (green play button, yellow selection ring) read true.
const Rgb kIcon = pal::cream;
const Rgb kIconLine = pal::ink;

void iconDisc(cairo_t *cr) {
    circle(cr, 16, 16.6, 14);
    set(cr, pal::ink, 0.35);
    cairo_fill(cr);
    circle(cr, 16, 16, 14);
    fillVertical(cr, shade(pal::slate, 1.2), shade(pal::dusk, 0.9), 2, 30);
    circle(cr, 16, 16, 14);
    set(cr, kIcon);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
}

void drawIcons(FrameCtx &c) {
    cairo_t *cr = c.cr;
    switch (c.frame) {
        case 0:  // pause
            iconDisc(cr);
            roundedRect(cr, 10.5, 9, 4, 14, 1.2);
            roundedRect(cr, 17.5, 9, 4, 14, 1.2);
            fillStroke(cr, kIcon, kIconLine, 0.8);
            break;
        case 1:  // quit: an arched door, ajar, with light spilling out
            iconDisc(cr);
            cairo_move_to(cr, 10, 25);
            cairo_line_to(cr, 10, 13);
            cairo_arc(cr, 16, 13, 6, M_PI, 2 * M_PI);
            cairo_line_to(cr, 22, 25);
            cairo_close_path(cr);
            fillStroke(cr, pal::lanternLight, kIconLine, 1.2);
            cairo_move_to(cr, 10, 25);
            cairo_line_to(cr, 10, 13);
            cairo_curve_to(cr, 10, 9.5, 12.5, 7.2, 15, 7.2);
            cairo_line_to(cr, 15, 26.5);
            cairo_close_path(cr);
            fillStroke(cr, pal::wood, kIconLine, 1);
            circle(cr, 13, 17.5, 0.9);
            set(cr, pal::brass);
            cairo_fill(cr);
            cairo_rectangle(cr, 8, 25, 16, 2);
            fillStroke(cr, pal::stone, kIconLine, 0.7);
            break;
        case 2:  // home
            iconDisc(cr);
            cairo_move_to(cr, 7, 16);
            cairo_line_to(cr, 16, 8);
            cairo_line_to(cr, 25, 16);
            cairo_line_to(cr, 22, 16);
            cairo_line_to(cr, 22, 23);
            cairo_line_to(cr, 10, 23);
            cairo_line_to(cr, 10, 16);
            cairo_close_path(cr);
            fillStroke(cr, kIcon, kIconLine, 1);
            cairo_rectangle(cr, 14.5, 18, 3, 5);
            set(cr, pal::wood);
            cairo_fill(cr);
            break;
        case 3:  // play / resume
            iconDisc(cr);
            triangle(cr, 17.5, 16, 8.5, 0);
            fillStroke(cr, kIcon, kIconLine, 1);
            break;
        case 4:  // music
            iconDisc(cr);
            cairo_move_to(cr, 13, 21);
            cairo_line_to(cr, 13, 9.5);
            cairo_line_to(cr, 22, 8);
            cairo_line_to(cr, 22, 19);
            set(cr, kIcon);
            cairo_set_line_width(cr, 1.8);
            cairo_stroke(cr);
            circle(cr, 11, 21.5, 2.6);
            circle(cr, 20, 19.5, 2.6);
            fillStroke(cr, kIcon, kIconLine, 0.7);
            break;
        case 5:  // sound
            iconDisc(cr);
            cairo_move_to(cr, 8, 13);
            cairo_line_to(cr, 12, 13);
            cairo_line_to(cr, 17, 9);
            cairo_line_to(cr, 17, 23);
            cairo_line_to(cr, 12, 19);
            cairo_line_to(cr, 8, 19);
            cairo_close_path(cr);
            fillStroke(cr, kIcon, kIconLine, 0.8);
            set(cr, kIcon);
            cairo_set_line_width(cr, 1.5);
            cairo_arc(cr, 17, 16, 4, -0.8, 0.8);
            cairo_stroke(cr);
            cairo_arc(cr, 17, 16, 7, -0.8, 0.8);
            cairo_stroke(cr);
            break;
        case 6:  // selection ring, drawn over a chosen button
            circle(cr, 16, 16, 14);
            set(cr, pal::white);
            cairo_set_line_width(cr, 2.2);
            cairo_stroke(cr);
            for (int i = 0; i < 4; ++i) {
                double a = i * M_PI / 2 + M_PI / 4;
                triangle(cr, 16 + std::cos(a) * 12.5, 16 + std::sin(a) * 12.5, 3, a + M_PI);
            }
            set(cr, pal::white);
            cairo_fill(cr);
            break;
        case 7:  // recalibrate: a target
            iconDisc(cr);
            set(cr, kIcon);
            cairo_set_line_width(cr, 1.4);
            circle(cr, 16, 16, 8);
            cairo_stroke(cr);
            circle(cr, 16, 16, 4);
            cairo_stroke(cr);
            cairo_move_to(cr, 16, 5);
            cairo_line_to(cr, 16, 27);
            cairo_move_to(cr, 5, 16);
            cairo_line_to(cr, 27, 16);
            cairo_stroke(cr);
            circle(cr, 16, 16, 1.6);
            set(cr, pal::ember);
            cairo_fill(cr);
            break;
        case 8:
            iconDisc(cr);
            symbol(cr, 0, 16, 16, 10);
            break;
        case 9:  // options
            iconDisc(cr);
            gear(cr, 16, 16, 10, 7.5, 8);
            circle(cr, 16, 16, 3.2);
            cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
            fillStroke(cr, kIcon, kIconLine, 0.8);
            break;
        case 10:  // back
            iconDisc(cr);
            set(cr, kIcon);
            cairo_set_line_width(cr, 2.4);
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            cairo_arc_negative(cr, 16, 17, 6.5, 0.4 * M_PI, -0.5 * M_PI);
            cairo_line_to(cr, 12, 10.5);
            cairo_stroke(cr);
            triangle(cr, 10.5, 10.5, 4, M_PI);
            cairo_fill(cr);
            break;
        case 11: {  // a life: a heart glowing like lantern light
            glow(cr, 16, 16, 16, pal::lantern, 0.55);
            heart(cr, 16, 17, 12.5);
            cairo_pattern_t *p = cairo_pattern_create_radial(12, 11, 1, 16, 17, 14);
            cairo_pattern_add_color_stop_rgb(p, 0, 1, 0.88, 0.65);
            cairo_pattern_add_color_stop_rgb(p, 0.5, 0.95, 0.38, 0.24);
            cairo_pattern_add_color_stop_rgb(p, 1, pal::blood.r, pal::blood.g, pal::blood.b);
            cairo_set_source(cr, p);
            cairo_fill_preserve(cr);
            cairo_pattern_destroy(p);
            set(cr, kIconLine);
            cairo_set_line_width(cr, 1.6);
            cairo_stroke(cr);
            break;
        }
        case 12:  // info
            iconDisc(cr);
            set(cr, kIcon);
            textCentered(cr, Font::Round, 18, "?", 16, 16);
            break;
        case 13:
            iconDisc(cr);
            symbol(cr, 15, 16, 16, 10);
            break;
        case 14:  // yes
            iconDisc(cr);
            set(cr, pal::mossLight);
            cairo_set_line_width(cr, 3.2);
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            cairo_move_to(cr, 10, 16.5);
            cairo_line_to(cr, 14.5, 21);
            cairo_line_to(cr, 22.5, 11);
            cairo_stroke(cr);
            break;
        default:  // no
            iconDisc(cr);
            set(cr, shade(pal::ember, 1.3));
            cairo_set_line_width(cr, 3.2);
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            cairo_move_to(cr, 11, 11);
            cairo_line_to(cr, 21, 21);
            cairo_move_to(cr, 21, 11);
            cairo_line_to(cr, 11, 21);
            cairo_stroke(cr);
            break;
    }
}

// A companion's face on a badge: 0 cat, 1 owl, 2 frog.
void companion(cairo_t *cr, int which) {
    const double cx = 32, cy = 34;
    if (which == 0) {
        cairo_move_to(cr, cx - 14, cy - 4);
        cairo_line_to(cr, cx - 13, cy - 19);
        cairo_line_to(cr, cx - 4, cy - 11);
        cairo_line_to(cr, cx + 4, cy - 11);
        cairo_line_to(cr, cx + 13, cy - 19);
        cairo_line_to(cr, cx + 14, cy - 4);
        cairo_curve_to(cr, cx + 15, cy + 12, cx - 15, cy + 12, cx - 14, cy - 4);
        cairo_close_path(cr);
        fillStroke(cr, pal::amber, pal::ink, 1.4);
        for (int s : {-1, 1}) {
            circle(cr, cx + s * 5.5, cy - 2, 2.6);
            set(cr, pal::lanternLight);
            cairo_fill(cr);
            cairo_rectangle(cr, cx + s * 5.5 - 0.6, cy - 4.2, 1.2, 4.4);
            set(cr, pal::ink);
            cairo_fill(cr);
        }
        triangle(cr, cx, cy + 3.5, 1.8, M_PI / 2);
        set(cr, pal::petal);
        cairo_fill(cr);
    } else if (which == 1) {
        cairo_save(cr);
        cairo_translate(cr, cx, cy);
        cairo_scale(cr, 1, 1.15);
        circle(cr, 0, 0, 14);
        cairo_restore(cr);
        fillStroke(cr, pal::wood, pal::ink, 1.4);
        for (int s : {-1, 1}) {
            triangle(cr, cx + s * 10, cy - 14, 4, -M_PI / 2 + s * 0.3);
            fillStroke(cr, pal::wood, pal::ink, 1.0);
            circle(cr, cx + s * 6, cy - 3, 5.5);
            fillStroke(cr, pal::cream, pal::ink, 1.0);
            circle(cr, cx + s * 6, cy - 3, 2.6);
            set(cr, pal::ink);
            cairo_fill(cr);
        }
        triangle(cr, cx, cy + 4, 2.6, M_PI / 2);
        fillStroke(cr, pal::lantern, pal::ink, 0.8);
    } else {
        cairo_save(cr);
        cairo_translate(cr, cx, cy + 3);
        cairo_scale(cr, 1.25, 0.85);
        circle(cr, 0, 0, 12);
        cairo_restore(cr);
        fillStroke(cr, pal::moss, pal::ink, 1.4);
        for (int s : {-1, 1}) {
            circle(cr, cx + s * 8, cy - 7, 5);
            fillStroke(cr, pal::moss, pal::ink, 1.2);
            circle(cr, cx + s * 8, cy - 7, 2.4);
            set(cr, pal::ink);
            cairo_fill(cr);
        }
        cairo_arc(cr, cx, cy + 2, 8, 0.2 * M_PI, 0.8 * M_PI);
        set(cr, pal::ink);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
    }
}

void gearLayer(cairo_t *cr, int layer) {
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    if (layer == 0) {  // outer toothed ring, turns slowest
        gear(cr, 32, 32, 30, 26, 16);
        circle(cr, 32, 32, 21);
        cairo_pattern_t *p = cairo_pattern_create_linear(0, 2, 0, 62);
        cairo_pattern_add_color_stop_rgb(p, 0, 0.93, 0.78, 0.45);
        cairo_pattern_add_color_stop_rgb(p, 1, 0.55, 0.38, 0.16);
        cairo_set_source(cr, p);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(p);
        set(cr, pal::ink);
        cairo_set_line_width(cr, 1.4);
        cairo_stroke(cr);
    } else if (layer == 1) {  // middle ring with spokes to an inner ring under the hub
        gear(cr, 32, 32, 21, 18, 10);
        circle(cr, 32, 32, 14);
        fillStroke(cr, pal::stoneLight, pal::ink, 1.2);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
        for (int i = 0; i < 5; ++i) {
            cairo_save(cr);
            cairo_translate(cr, 32, 32);
            cairo_rotate(cr, i * 2 * M_PI / 5);
            cairo_rectangle(cr, 8, -2, 7, 4);
            cairo_restore(cr);
        }
        circle(cr, 32, 32, 10);
        fillStroke(cr, pal::stone, pal::ink, 0.9);
    } else {  // hub with a lantern-lit centre
        glow(cr, 32, 32, 14, pal::lantern, 0.6);
        circle(cr, 32, 32, 8.5);
        fillVertical(cr, pal::brass, pal::brassDark, 23, 41);
        circle(cr, 32, 32, 8.5);
        set(cr, pal::ink);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
        circle(cr, 32, 32, 3.5);
        set(cr, pal::lanternLight);
        cairo_fill(cr);
        cairo_move_to(cr, 32, 24.5);
        cairo_line_to(cr, 32, 28);
        set(cr, pal::ink);
        cairo_set_line_width(cr, 1.4);
        cairo_stroke(cr);
    }
}

// The credits picture: the vale at night, a cobbled lane and a lantern by it.
void creditsPicture(cairo_t *cr, Rng &rng) {
    roundedRect(cr, 2, 2, 60, 60, 8);
    cairo_save(cr);
    cairo_clip_preserve(cr);
    fillVertical(cr, pal::night, pal::sky, 2, 62);
    for (int i = 0; i < 14; ++i) {
        circle(cr, rng.range(4, 60), rng.range(4, 30), rng.range(0.3, 0.8));
        set(cr, pal::cream, rng.range(0.5, 1));
        cairo_fill(cr);
    }
    circle(cr, 46, 14, 6);
    set(cr, pal::lanternLight, 0.95);
    cairo_fill(cr);
    cairo_move_to(cr, 0, 40);
    cairo_curve_to(cr, 16, 30, 30, 34, 40, 38);
    cairo_curve_to(cr, 50, 34, 58, 33, 64, 36);
    cairo_line_to(cr, 64, 64);
    cairo_line_to(cr, 0, 64);
    cairo_close_path(cr);
    fillVertical(cr, pal::moss, pal::mossDark, 30, 64);
    cairo_move_to(cr, 26, 64);
    cairo_curve_to(cr, 30, 52, 34, 46, 36, 39);
    cairo_line_to(cr, 40, 39);
    cairo_curve_to(cr, 42, 46, 48, 54, 58, 64);
    cairo_close_path(cr);
    set(cr, pal::stoneDark);
    cairo_fill(cr);
    for (int i = 0; i < 14; ++i) {
        double t = i / 13.0;
        double y = 40 + t * 22, x = 38 + (rng.next() - 0.5) * (4 + 14 * t) + t * 5;
        cobble(cr, x, y, 1 + 2.2 * t, 0.7 + 1.3 * t, rng, pal::stone);
    }
    cairo_rectangle(cr, 19.3, 28, 1.4, 22);
    set(cr, pal::ink);
    cairo_fill(cr);
    lantern(cr, 20, 26, 3.4);
    cairo_restore(cr);
    roundedRect(cr, 2, 2, 60, 60, 8);
    set(cr, pal::brass);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
}

void drawButtons(FrameCtx &c) {
    cairo_t *cr = c.cr;
    static const Rgb rims[3] = {pal::moss, pal::amber, pal::ember};
    const int f = c.frame;
    if (f <= 2) {  // Easy, Normal, Hard: one, two, three lanterns
        stoneBadge(cr, 32, 32, 29, rims[f], c.rng);
        int n = f + 1;
        for (int i = 0; i < n; ++i) {
            static const double size[3] = {11, 8.5, 7};
            double x = 32 + (i - (n - 1) / 2.0) * (n == 2 ? 18 : 15);
            double y = 34 + (n == 3 && i == 1 ? -5 : 0);
            lantern(cr, x, y, size[n - 1]);
        }
    } else if (f <= 5) {
        stoneBadge(cr, 32, 32, 29, pal::slate, c.rng);
        companion(cr, f - 3);
    } else if (f == 6 || f == 7) {
        stoneBadge(cr, 32, 32, 29, f == 6 ? pal::water : pal::jade, c.rng);
        symbol(cr, f == 6 ? 6 : 14, 32, 32, 16);
    } else if (f <= 10) {
        gearLayer(cr, f - 8);
    } else if (f == 12) {
        creditsPicture(cr, c.rng);
    } else {
        static const int symbols[4] = {8, 2, 0, 9};  // 11, 13, 14, 15
        stoneBadge(cr, 32, 32, 29, pal::brass, c.rng);
        symbol(cr, symbols[f == 11 ? 0 : f - 12], 32, 32, 16);
    }
}

void padButton(cairo_t *cr, Rgb colour, const char *text) {
    circle(cr, 16, 17, 13);
    set(cr, pal::ink, 0.4);
    cairo_fill(cr);
    circle(cr, 16, 16, 13);
    fillVertical(cr, shade(colour, 1.25), shade(colour, 0.7), 3, 29);
    circle(cr, 16, 16, 13);
    set(cr, pal::ink);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    cairo_arc(cr, 16, 16, 10.5, M_PI * 1.15, M_PI * 1.6);
    set(cr, pal::white, 0.5);
    cairo_set_line_width(cr, 1.4);
    cairo_stroke(cr);
    set(cr, pal::cream);
    textCentered(cr, Font::Round, 12, text, 16, 16);
}

void drawDpad(FrameCtx &c) {
    cairo_t *cr = c.cr;
    // The arms of the cross point away from the centre frame 5; each arm is a stone key.
    auto arm = [&](double angle) {
        cairo_save(cr);
        cairo_translate(cr, 16, 16);
        cairo_rotate(cr, angle);
        roundedRect(cr, -13, -12, 26, 26, 5);
        set(cr, pal::ink, 0.4);
        cairo_fill(cr);
        roundedRect(cr, -13, -13, 26, 26, 5);
        fillStroke(cr, pal::stoneLight, pal::ink, 1.2);
        roundedRect(cr, -10, -10, 20, 20, 3);
        set(cr, pal::stone);
        cairo_fill(cr);
        triangle(cr, 0, 0, 6, -M_PI / 2);
        fillStroke(cr, pal::cream, pal::ink, 0.8);
        cairo_restore(cr);
    };
    switch (c.frame) {
        case 0:
            padButton(cr, pal::amber, "A");
            break;
        case 2:
            padButton(cr, pal::moss, "B");
            break;
        case 1:
            arm(0);
            break;
        case 4:
            arm(-M_PI / 2);
            break;
        case 6:
            arm(M_PI / 2);
            break;
        case 9:
            arm(M_PI);
            break;
        case 5:
            roundedRect(cr, 3, 3, 26, 26, 5);
            fillStroke(cr, pal::stone, pal::ink, 1.2);
            circle(cr, 16, 16, 6);
            fillVertical(cr, pal::stoneDark, pal::stone, 10, 22);
            break;
        case 3:  // the pad's edit ring, for moving the controls
            circle(cr, 16, 16, 13);
            set(cr, pal::cream, 0.8);
            cairo_set_line_width(cr, 1.6);
            {
                static const double dash[2] = {3, 2.5};
                cairo_set_dash(cr, dash, 2, 0);
            }
            cairo_stroke(cr);
            break;
        default:
            break;
    }
}

void drawOrvo(FrameCtx &c) {
    cairo_t *cr = c.cr;
    const double cx = 128, cy = 124;
    glow(cr, cx, cy, 96, pal::lantern, 0.35);
    // A stone ring of cobbles around a night field with a glowing orb: "Orvo".
    circle(cr, cx, cy, 78);
    set(cr, pal::ink, 0.6);
    cairo_fill(cr);
    for (int i = 0; i < 22; ++i) {
        double a = i * 2 * M_PI / 22;
        cobble(cr, cx + std::cos(a) * 68, cy + std::sin(a) * 68, 10.5, 10.5, c.rng, pal::stone);
    }
    circle(cr, cx, cy, 57);
    cairo_pattern_t *p = cairo_pattern_create_radial(cx, cy - 20, 5, cx, cy, 57);
    cairo_pattern_add_color_stop_rgb(p, 0, pal::sky.r, pal::sky.g, pal::sky.b);
    cairo_pattern_add_color_stop_rgb(p, 1, pal::night.r, pal::night.g, pal::night.b);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    for (int i = 0; i < 18; ++i) {
        double a = c.rng.range(0, 2 * M_PI), d = c.rng.range(20, 50);
        circle(cr, cx + std::cos(a) * d, cy - 14 + std::sin(a) * d * 0.8, c.rng.range(0.5, 1.3));
        set(cr, pal::cream, c.rng.range(0.4, 0.9));
        cairo_fill(cr);
    }
    // A laurel of moss leaves along the lower rim, under the name.
    for (int i = 0; i < 5; ++i) {
        double a = (97 + i * 8) * M_PI / 180, b = M_PI - a;
        leaf(cr, cx + std::cos(a) * 50, cy + std::sin(a) * 50, 11, 3.2, a + M_PI / 2);
        leaf(cr, cx + std::cos(b) * 50, cy + std::sin(b) * 50, 11, 3.2, b - M_PI / 2);
    }
    set(cr, pal::mossLight);
    cairo_fill(cr);
    glow(cr, cx, cy - 12, 40, pal::lanternLight, 0.9);
    circle(cr, cx, cy - 12, 16);
    p = cairo_pattern_create_radial(cx - 5, cy - 18, 2, cx, cy - 12, 16);
    cairo_pattern_add_color_stop_rgb(p, 0, 1, 1, 0.95);
    cairo_pattern_add_color_stop_rgb(p, 1, pal::lantern.r, pal::lantern.g, pal::lantern.b);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    textPath(cr, Font::Round, 30, "Orvo", cx, cy + 26);
    cairo_set_line_width(cr, 4);
    set(cr, pal::ink);
    cairo_stroke_preserve(cr);
    set(cr, pal::cream);
    cairo_fill(cr);
}

void drawLogo(FrameCtx &c) {
    cairo_t *cr = c.cr;
    // The glow is an ellipse that fades out inside the cell, so no edge of it shows.
    cairo_save(cr);
    cairo_translate(cr, 128, 64);
    cairo_scale(cr, 1, 0.5);
    glow(cr, 0, 0, 126, pal::lantern, 0.18);
    cairo_restore(cr);
    // Two lines, stone-filled letters with a dark outline and moss on their tops.
    const struct {
        const char *text;
        double size, y;
    } lines[2] = {{"Cobble", 58, 36}, {"Vale", 58, 93}};
    for (const auto &l : lines) {
        cairo_save(cr);
        cairo_translate(cr, 2.5, 3);
        textPath(cr, Font::Round, l.size, l.text, 128, l.y);
        set(cr, pal::ink, 0.7);
        cairo_fill(cr);
        cairo_restore(cr);
        textPath(cr, Font::Round, l.size, l.text, 128, l.y);
        cairo_set_line_width(cr, 4);
        set(cr, pal::ink);
        cairo_stroke_preserve(cr);
        cairo_save(cr);
        cairo_clip(cr);
        cairo_rectangle(cr, 0, l.y - 30, 256, 60);
        fillVertical(cr, pal::cream, pal::stoneLight, l.y - 22, l.y + 22);
        // Faint cobbles in the letters: texture, not spots.
        cairo_push_group(cr);
        for (int row = 0; row < 5; ++row)
            for (int i = 0; i < 40; ++i)
                cobble(cr, i * 7 + (row % 2) * 3.5 + c.rng.range(-1, 1), l.y - 18 + row * 9, 3.6,
                       4.2, c.rng, pal::stoneLight);
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, 0.45);
        cairo_rectangle(cr, 0, l.y - 30, 256, 14);
        fillVertical(cr, pal::mossLight, pal::moss, l.y - 24, l.y - 16, 0.9);
        cairo_restore(cr);
    }
    lantern(cr, 222, 34, 7);
    star(cr, 34, 86, 5, 2, 4);
    set(cr, pal::lanternLight);
    cairo_fill(cr);
}

void drawCircle(FrameCtx &c) {
    cairo_t *cr = c.cr;
    const double cx = 128, cy = 128;
    switch (c.frame) {
        case 0: {  // the menu wheel: a cobbled rim, spokes and a hub, kept light so the game
                   // types' names read on top of it
            cairo_push_group(cr);
            cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
            circle(cr, cx, cy, 124);
            circle(cr, cx, cy, 100);
            set(cr, pal::stoneDark, 0.7);
            cairo_fill(cr);
            for (int i = 0; i < 36; ++i) {
                double a = i * 2 * M_PI / 36;
                cobble(cr, cx + std::cos(a) * 112, cy + std::sin(a) * 112, 9.5, 9.5, c.rng,
                       pal::stone);
            }
            for (int i = 0; i < 8; ++i) {
                cairo_save(cr);
                cairo_translate(cr, cx, cy);
                cairo_rotate(cr, i * M_PI / 4);
                roundedRect(cr, 44, -3.5, 58, 7, 3);
                cairo_restore(cr);
                fillStroke(cr, pal::stone, pal::ink, 1.5);
            }
            circle(cr, cx, cy, 48);
            fillVertical(cr, pal::stone, pal::stoneDark, cy - 48, cy + 48);
            circle(cr, cx, cy, 48);
            set(cr, pal::ink);
            cairo_set_line_width(cr, 3);
            cairo_stroke(cr);
            circle(cr, cx, cy, 38);
            set(cr, pal::night, 0.8);
            cairo_fill(cr);
            cairo_pop_group_to_source(cr);
            cairo_paint_with_alpha(cr, 0.75);
            break;
        }
        case 1:
            glow(cr, cx, cy, 126, pal::white, 1);
            break;
        case 2:
            circle(cr, cx, cy, 118);
            set(cr, pal::white);
            cairo_set_line_width(cr, 6);
            cairo_stroke(cr);
            break;
        default: {
            cairo_pattern_t *p = cairo_pattern_create_radial(cx, cy, 60, cx, cy, 126);
            cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, 0);
            cairo_pattern_add_color_stop_rgba(p, 0.6, 1, 1, 1, 0.8);
            cairo_pattern_add_color_stop_rgba(p, 1, 1, 1, 1, 0);
            cairo_set_source(cr, p);
            circle(cr, cx, cy, 126);
            cairo_fill(cr);
            cairo_pattern_destroy(p);
            break;
        }
    }
}

void drawLight(FrameCtx &c) {
    static const Rgb colours[4] = {pal::white, pal::lantern, pal::mossLight, pal::water};
    glow(c.cr, 16, 16, 15.5, colours[c.frame], 1);
}

}  // namespace

std::vector<Sheet> uiSheets() {
    return {
        sheet(manifest::kIcons, drawIcons), sheet(manifest::kButtons, drawButtons),
        sheet(manifest::kDpad, drawDpad),   sheet(manifest::kOrvoLogo, drawOrvo),
        sheet(manifest::kLogo, drawLogo),   sheet(manifest::kCircle, drawCircle),
        sheet(manifest::kLight, drawLight),
    };
}

}  // namespace art
