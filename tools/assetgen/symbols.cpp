// Small emblem symbols shared by badges, icons and spare frames; each fits in a circle of
// radius r, with an ink outline so it reads on stone and on night blue alike.
#include "art.h"

#include <cmath>

namespace art {

namespace {

void outline(cairo_t *cr, Rgb fill, double r) {
    fillStroke(cr, fill, pal::ink, r * 0.09);
}

void pips(cairo_t *cr, double cx, double cy, double r) {
    roundedRect(cr, cx - r * 0.75, cy - r * 0.75, r * 1.5, r * 1.5, r * 0.3);
    outline(cr, pal::cream, r);
    set(cr, pal::ink);
    const double d = r * 0.38;
    circle(cr, cx - d, cy - d, r * 0.15);
    circle(cr, cx, cy, r * 0.15);
    circle(cr, cx + d, cy + d, r * 0.15);
    cairo_fill(cr);
}

void moon(cairo_t *cr, double cx, double cy, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, r * 0.8, M_PI * 0.25, M_PI * 1.75);
    cairo_arc_negative(cr, cx + r * 0.35, cy - r * 0.05, r * 0.6, M_PI * 1.55, M_PI * 0.45);
    cairo_close_path(cr);
    outline(cr, pal::lanternLight, r);
}

void crown(cairo_t *cr, double cx, double cy, double r) {
    cairo_move_to(cr, cx - r * 0.8, cy + r * 0.55);
    cairo_line_to(cr, cx - r * 0.85, cy - r * 0.45);
    cairo_line_to(cr, cx - r * 0.4, cy);
    cairo_line_to(cr, cx, cy - r * 0.7);
    cairo_line_to(cr, cx + r * 0.4, cy);
    cairo_line_to(cr, cx + r * 0.85, cy - r * 0.45);
    cairo_line_to(cr, cx + r * 0.8, cy + r * 0.55);
    cairo_close_path(cr);
    outline(cr, pal::gold, r);
    set(cr, pal::ember);
    circle(cr, cx, cy + r * 0.25, r * 0.14);
    cairo_fill(cr);
}

void key(cairo_t *cr, double cx, double cy, double r) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, -M_PI / 4);
    circle(cr, -r * 0.45, 0, r * 0.35);
    cairo_rectangle(cr, -r * 0.15, -r * 0.1, r * 0.95, r * 0.2);
    cairo_rectangle(cr, r * 0.45, 0, r * 0.14, r * 0.3);
    cairo_rectangle(cr, r * 0.65, 0, r * 0.14, r * 0.3);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    outline(cr, pal::brass, r);
    set(cr, pal::ink);
    circle(cr, -r * 0.45, 0, r * 0.13);
    cairo_fill(cr);
    cairo_restore(cr);
}

void flower(cairo_t *cr, double cx, double cy, double r, Rgb petalColour) {
    for (int i = 0; i < 5; ++i) {
        double a = i * 2 * M_PI / 5 - M_PI / 2;
        circle(cr, cx + std::cos(a) * r * 0.45, cy + std::sin(a) * r * 0.45, r * 0.33);
        outline(cr, petalColour, r);
    }
    circle(cr, cx, cy, r * 0.25);
    outline(cr, pal::gold, r);
}

void clover(cairo_t *cr, double cx, double cy, double r) {
    cairo_set_line_width(cr, r * 0.14);
    set(cr, pal::mossDark);
    cairo_move_to(cr, cx, cy + r * 0.1);
    cairo_curve_to(cr, cx, cy + r * 0.5, cx + r * 0.2, cy + r * 0.7, cx + r * 0.4, cy + r * 0.85);
    cairo_stroke(cr);
    for (int i = 0; i < 3; ++i) {
        double a = i * 2 * M_PI / 3 - M_PI / 2;
        heart(cr, cx + std::cos(a) * r * 0.33, cy + std::sin(a) * r * 0.33, r * 0.36);
        outline(cr, pal::mossLight, r);
    }
}

void shield(cairo_t *cr, double cx, double cy, double r) {
    cairo_move_to(cr, cx, cy - r * 0.8);
    cairo_curve_to(cr, cx + r * 0.4, cy - r * 0.6, cx + r * 0.7, cy - r * 0.65, cx + r * 0.75,
                   cy - r * 0.6);
    cairo_curve_to(cr, cx + r * 0.75, cy + r * 0.2, cx + r * 0.4, cy + r * 0.6, cx, cy + r * 0.85);
    cairo_curve_to(cr, cx - r * 0.4, cy + r * 0.6, cx - r * 0.75, cy + r * 0.2, cx - r * 0.75,
                   cy - r * 0.6);
    cairo_curve_to(cr, cx - r * 0.7, cy - r * 0.65, cx - r * 0.4, cy - r * 0.6, cx, cy - r * 0.8);
    cairo_close_path(cr);
    outline(cr, pal::slate, r);
    cairo_rectangle(cr, cx - r * 0.08, cy - r * 0.6, r * 0.16, r * 1.2);
    cairo_rectangle(cr, cx - r * 0.5, cy - r * 0.2, r * 1.0, r * 0.16);
    set(cr, pal::cream);
    cairo_fill(cr);
}

void bolt(cairo_t *cr, double cx, double cy, double r) {
    cairo_move_to(cr, cx + r * 0.15, cy - r * 0.85);
    cairo_line_to(cr, cx - r * 0.5, cy + r * 0.1);
    cairo_line_to(cr, cx - r * 0.02, cy + r * 0.1);
    cairo_line_to(cr, cx - r * 0.2, cy + r * 0.85);
    cairo_line_to(cr, cx + r * 0.5, cy - r * 0.15);
    cairo_line_to(cr, cx + r * 0.02, cy - r * 0.15);
    cairo_close_path(cr);
    outline(cr, pal::lanternLight, r);
}

void mushroom(cairo_t *cr, double cx, double cy, double r) {
    roundedRect(cr, cx - r * 0.22, cy - r * 0.1, r * 0.44, r * 0.85, r * 0.15);
    outline(cr, pal::cream, r);
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, r * 0.75, M_PI, 2 * M_PI);
    cairo_close_path(cr);
    outline(cr, pal::ember, r);
    set(cr, pal::cream);
    circle(cr, cx - r * 0.35, cy - r * 0.3, r * 0.12);
    circle(cr, cx + r * 0.15, cy - r * 0.5, r * 0.1);
    circle(cr, cx + r * 0.4, cy - r * 0.2, r * 0.09);
    cairo_fill(cr);
}

void cup(cairo_t *cr, double cx, double cy, double r) {
    cairo_set_line_width(cr, r * 0.14);
    set(cr, pal::ink);
    cairo_arc(cr, cx - r * 0.55, cy - r * 0.3, r * 0.25, M_PI * 0.5, M_PI * 1.5);
    cairo_stroke(cr);
    cairo_arc_negative(cr, cx + r * 0.55, cy - r * 0.3, r * 0.25, M_PI * 0.5, -M_PI * 0.5);
    cairo_stroke(cr);
    cairo_move_to(cr, cx - r * 0.6, cy - r * 0.7);
    cairo_line_to(cr, cx + r * 0.6, cy - r * 0.7);
    cairo_curve_to(cr, cx + r * 0.6, cy, cx + r * 0.2, cy + r * 0.2, cx + r * 0.1, cy + r * 0.3);
    cairo_line_to(cr, cx + r * 0.1, cy + r * 0.5);
    cairo_line_to(cr, cx + r * 0.4, cy + r * 0.75);
    cairo_line_to(cr, cx - r * 0.4, cy + r * 0.75);
    cairo_line_to(cr, cx - r * 0.1, cy + r * 0.5);
    cairo_line_to(cr, cx - r * 0.1, cy + r * 0.3);
    cairo_curve_to(cr, cx - r * 0.2, cy + r * 0.2, cx - r * 0.6, cy, cx - r * 0.6, cy - r * 0.7);
    cairo_close_path(cr);
    outline(cr, pal::gold, r);
}

void steps(cairo_t *cr, double cx, double cy, double r) {
    for (int i = 0; i < 2; ++i) {
        double x = cx + (i ? r * 0.3 : -r * 0.3), y = cy + (i ? -r * 0.25 : r * 0.25);
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_scale(cr, r * 0.24, r * 0.4);
        circle(cr, 0, 0, 1);
        cairo_restore(cr);
        outline(cr, pal::stoneLight, r);
        circle(cr, x, y - r * 0.55, r * 0.14);
        outline(cr, pal::stoneLight, r);
    }
}

}  // namespace

void symbol(cairo_t *cr, int which, double cx, double cy, double r) {
    cairo_save(cr);
    switch (which % kSymbolCount) {
        case 0:
            star(cr, cx, cy + r * 0.05, r * 0.9, r * 0.4, 5);
            outline(cr, pal::gold, r);
            break;
        case 1:
            heart(cr, cx, cy, r * 0.8);
            outline(cr, pal::ember, r);
            break;
        case 2:
            lantern(cr, cx, cy + r * 0.1, r * 0.6);
            break;
        case 3:
            pips(cr, cx, cy, r);
            break;
        case 4:
            roundedRect(cr, cx - r * 0.5, cy - r * 0.75, r * 1.0, r * 1.5, r * 0.15);
            outline(cr, pal::moss, r);
            star(cr, cx, cy, r * 0.35, r * 0.15, 4);
            set(cr, pal::cream);
            cairo_fill(cr);
            break;
        case 5:
            leaf(cr, cx, cy, r * 1.7, r * 0.6, -M_PI / 4);
            outline(cr, pal::mossLight, r);
            break;
        case 6:
            moon(cr, cx, cy, r);
            break;
        case 7:
            crown(cr, cx, cy, r);
            break;
        case 8:
            key(cr, cx, cy, r);
            break;
        case 9:
            flower(cr, cx, cy, r, pal::petal);
            break;
        case 10:
            steps(cr, cx, cy, r);
            break;
        case 11:
            clover(cr, cx, cy, r);
            break;
        case 12:
            shield(cr, cx, cy, r);
            break;
        case 13:
            bolt(cr, cx, cy, r);
            break;
        case 14:
            mushroom(cr, cx, cy, r);
            break;
        default:
            cup(cr, cx, cy, r);
            break;
    }
    cairo_restore(cr);
}

}  // namespace art
