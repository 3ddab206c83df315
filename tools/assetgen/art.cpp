#include "art.h"

// FreeType faces are opened from fixed files so the output never depends on fontconfig's
// choices on the build machine.
#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace art {

namespace {

struct FontFile {
    const char *path;
    const char *package;
};

const FontFile kFontFiles[] = {
    {KT_FONT_SANS_BOLD, "fonts-dejavu-core"},
    {KT_FONT_MONO_BOLD, "fonts-dejavu-core"},
    {KT_FONT_ROUND, "fonts-comfortaa"},
};

FT_Library ftLibrary = nullptr;
cairo_font_face_t *faces[3] = {};

}  // namespace

Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb shade(Rgb c, double f) {
    if (f <= 1) return {c.r * f, c.g * f, c.b * f};
    return mix(c, pal::white, std::min(1.0, f - 1));
}

void set(cairo_t *cr, Rgb c, double alpha) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

double Rng::next() {
    state_ = state_ * 1664525u + 1013904223u;
    return (state_ >> 8) * (1.0 / 16777216.0);
}

uint32_t hashName(const std::string &name) {
    uint32_t h = 2166136261u;
    for (unsigned char c : name) h = (h ^ c) * 16777619u;
    return h;
}

bool loadFonts() {
    if (!ftLibrary && FT_Init_FreeType(&ftLibrary) != 0) {
        std::fprintf(stderr, "kt_assetgen: FreeType failed to initialise\n");
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        if (faces[i]) continue;
        FT_Face face;
        if (FT_New_Face(ftLibrary, kFontFiles[i].path, 0, &face) != 0) {
            std::fprintf(stderr,
                         "kt_assetgen: cannot open font %s; install the Debian package %s "
                         "(bash scripts/install-deps.sh)\n",
                         kFontFiles[i].path, kFontFiles[i].package);
            return false;
        }
        faces[i] = cairo_ft_font_face_create_for_ft_face(face, 0);
    }
    return true;
}

void useFont(cairo_t *cr, Font font, double size) {
    cairo_set_font_face(cr, faces[static_cast<int>(font)]);
    cairo_set_font_size(cr, size);
    // Unhinted outlines scale exactly, so the three levels show the same letters.
    cairo_font_options_t *opt = cairo_font_options_create();
    cairo_font_options_set_hint_style(opt, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(opt, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(opt, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cr, opt);
    cairo_font_options_destroy(opt);
}

void textPath(cairo_t *cr, Font font, double size, const std::string &text, double cx, double cy) {
    useFont(cr, font, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    cairo_move_to(cr, cx - e.x_bearing - e.width / 2, cy - e.y_bearing - e.height / 2);
    cairo_text_path(cr, text.c_str());
}

void textCentered(cairo_t *cr, Font font, double size, const std::string &text, double cx,
                  double cy) {
    textPath(cr, font, size, text, cx, cy);
    cairo_fill(cr);
}

void roundedRect(cairo_t *cr, double x, double y, double w, double h, double r) {
    r = std::min(r, std::min(w, h) / 2);
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 1.5 * M_PI);
    cairo_close_path(cr);
}

void circle(cairo_t *cr, double cx, double cy, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_close_path(cr);
}

void star(cairo_t *cr, double cx, double cy, double outer, double inner, int points, double turn) {
    cairo_new_sub_path(cr);
    for (int i = 0; i < points * 2; ++i) {
        double a = turn + i * M_PI / points - M_PI / 2;
        double r = (i % 2) ? inner : outer;
        cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
    }
    cairo_close_path(cr);
}

void heart(cairo_t *cr, double cx, double cy, double s) {
    cairo_new_sub_path(cr);
    cairo_move_to(cr, cx, cy + s * 0.9);
    cairo_curve_to(cr, cx - s * 1.2, cy + s * 0.1, cx - s * 1.1, cy - s * 0.9, cx - s * 0.5,
                   cy - s * 0.85);
    cairo_curve_to(cr, cx - s * 0.2, cy - s * 0.82, cx, cy - s * 0.6, cx, cy - s * 0.4);
    cairo_curve_to(cr, cx, cy - s * 0.6, cx + s * 0.2, cy - s * 0.82, cx + s * 0.5, cy - s * 0.85);
    cairo_curve_to(cr, cx + s * 1.1, cy - s * 0.9, cx + s * 1.2, cy + s * 0.1, cx, cy + s * 0.9);
    cairo_close_path(cr);
}

void gear(cairo_t *cr, double cx, double cy, double outer, double inner, int teeth) {
    cairo_new_sub_path(cr);
    double step = 2 * M_PI / teeth;
    for (int i = 0; i < teeth; ++i) {
        double a = i * step;
        cairo_arc(cr, cx, cy, inner, a, a + step * 0.35);
        cairo_arc(cr, cx, cy, outer, a + step * 0.45, a + step * 0.8);
    }
    cairo_close_path(cr);
}

void leaf(cairo_t *cr, double cx, double cy, double len, double wide, double angle) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, angle);
    cairo_new_sub_path(cr);
    cairo_move_to(cr, -len / 2, 0);
    cairo_curve_to(cr, -len / 4, -wide, len / 4, -wide, len / 2, 0);
    cairo_curve_to(cr, len / 4, wide, -len / 4, wide, -len / 2, 0);
    cairo_close_path(cr);
    cairo_restore(cr);
}

void triangle(cairo_t *cr, double cx, double cy, double r, double angle) {
    cairo_new_sub_path(cr);
    for (int i = 0; i < 3; ++i) {
        double a = angle + i * 2 * M_PI / 3;
        cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
    }
    cairo_close_path(cr);
}

void fillStroke(cairo_t *cr, Rgb fill, Rgb line, double width, double alpha) {
    set(cr, fill, alpha);
    cairo_fill_preserve(cr);
    set(cr, line, alpha);
    cairo_set_line_width(cr, width);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
}

void fillVertical(cairo_t *cr, Rgb top, Rgb bottom, double y0, double y1, double alpha) {
    cairo_pattern_t *p = cairo_pattern_create_linear(0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgba(p, 0, top.r, top.g, top.b, alpha);
    cairo_pattern_add_color_stop_rgba(p, 1, bottom.r, bottom.g, bottom.b, alpha);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void glow(cairo_t *cr, double cx, double cy, double r, Rgb c, double alpha) {
    cairo_pattern_t *p = cairo_pattern_create_radial(cx, cy, 0, cx, cy, r);
    cairo_pattern_add_color_stop_rgba(p, 0, c.r, c.g, c.b, alpha);
    cairo_pattern_add_color_stop_rgba(p, 0.35, c.r, c.g, c.b, alpha * 0.55);
    cairo_pattern_add_color_stop_rgba(p, 1, c.r, c.g, c.b, 0);
    cairo_set_source(cr, p);
    circle(cr, cx, cy, r);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void cobble(cairo_t *cr, double cx, double cy, double rx, double ry, Rng &rng, Rgb base) {
    const int n = 9;
    double pts[n][2];
    for (int i = 0; i < n; ++i) {
        double a = i * 2 * M_PI / n;
        double k = rng.range(0.82, 1.0);
        pts[i][0] = cx + std::cos(a) * rx * k;
        pts[i][1] = cy + std::sin(a) * ry * k;
    }
    // A closed smooth curve through the midpoints, so stones have no sharp corners.
    auto path = [&](double grow, double dx, double dy) {
        cairo_new_sub_path(cr);
        auto p = [&](int i, int axis) {
            double c = axis ? cy : cx;
            return c + (pts[(i + n) % n][axis] - c) * grow + (axis ? dy : dx);
        };
        cairo_move_to(cr, (p(0, 0) + p(1, 0)) / 2, (p(0, 1) + p(1, 1)) / 2);
        for (int i = 1; i <= n; ++i)
            cairo_curve_to(cr, p(i, 0), p(i, 1), p(i, 0), p(i, 1), (p(i, 0) + p(i + 1, 0)) / 2,
                           (p(i, 1) + p(i + 1, 1)) / 2);
        cairo_close_path(cr);
    };
    Rgb tone = shade(base, rng.range(0.86, 1.12));
    path(1.0, 0, 0);
    set(cr, shade(tone, 0.55));
    cairo_fill(cr);
    path(0.9, -rx * 0.05, -ry * 0.08);
    cairo_pattern_t *p = cairo_pattern_create_radial(cx - rx * 0.3, cy - ry * 0.4, 0, cx, cy,
                                                     std::max(rx, ry) * 1.1);
    Rgb hi = shade(tone, 1.25);
    cairo_pattern_add_color_stop_rgb(p, 0, hi.r, hi.g, hi.b);
    cairo_pattern_add_color_stop_rgb(p, 1, tone.r, tone.g, tone.b);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void lantern(cairo_t *cr, double cx, double cy, double s, Rgb light) {
    glow(cr, cx, cy + s * 0.2, s * 1.6, light, 0.45);
    // Ring and cap.
    cairo_set_line_width(cr, s * 0.14);
    set(cr, pal::ink);
    cairo_arc(cr, cx, cy - s * 0.95, s * 0.22, M_PI, 2 * M_PI);
    cairo_stroke(cr);
    cairo_move_to(cr, cx - s * 0.55, cy - s * 0.45);
    cairo_line_to(cr, cx + s * 0.55, cy - s * 0.45);
    cairo_line_to(cr, cx + s * 0.3, cy - s * 0.85);
    cairo_line_to(cr, cx - s * 0.3, cy - s * 0.85);
    cairo_close_path(cr);
    fillStroke(cr, pal::woodDark, pal::ink, s * 0.08);
    // Glass with the flame's light.
    roundedRect(cr, cx - s * 0.42, cy - s * 0.45, s * 0.84, s * 1.0, s * 0.12);
    cairo_pattern_t *p =
        cairo_pattern_create_radial(cx, cy + s * 0.1, 0, cx, cy + s * 0.1, s * 0.7);
    Rgb hot = mix(light, pal::white, 0.6);
    cairo_pattern_add_color_stop_rgb(p, 0, hot.r, hot.g, hot.b);
    cairo_pattern_add_color_stop_rgb(p, 1, light.r, light.g * 0.85, light.b * 0.7);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    set(cr, pal::ink);
    cairo_set_line_width(cr, s * 0.08);
    cairo_stroke(cr);
    // Frame bars and base.
    cairo_set_line_width(cr, s * 0.07);
    set(cr, pal::woodDark);
    cairo_move_to(cr, cx, cy - s * 0.45);
    cairo_line_to(cr, cx, cy + s * 0.55);
    cairo_stroke(cr);
    roundedRect(cr, cx - s * 0.55, cy + s * 0.55, s * 1.1, s * 0.25, s * 0.06);
    fillStroke(cr, pal::woodDark, pal::ink, s * 0.08);
}

void stoneBadge(cairo_t *cr, double cx, double cy, double r, Rgb rim, Rng &rng) {
    circle(cr, cx, cy + r * 0.06, r);
    set(cr, pal::ink, 0.45);
    cairo_fill(cr);
    circle(cr, cx, cy, r);
    fillVertical(cr, shade(rim, 1.3), shade(rim, 0.65), cy - r, cy + r);
    circle(cr, cx, cy, r * 0.8);
    set(cr, pal::stoneDark);
    cairo_fill(cr);
    cairo_save(cr);
    circle(cr, cx, cy, r * 0.78);
    cairo_clip(cr);
    for (int y = -2; y <= 2; ++y)
        for (int x = -2; x <= 2; ++x)
            cobble(cr, cx + (x + (y % 2) * 0.5) * r * 0.42, cy + y * r * 0.36, r * 0.22, r * 0.18,
                   rng, pal::stone);
    // Shade the stones towards the rim so the symbol on top stands out.
    cairo_pattern_t *p = cairo_pattern_create_radial(cx, cy, r * 0.3, cx, cy, r * 0.8);
    cairo_pattern_add_color_stop_rgba(p, 0, 0, 0, 0, 0);
    cairo_pattern_add_color_stop_rgba(p, 1, 0, 0, 0, 0.45);
    cairo_set_source(cr, p);
    cairo_paint(cr);
    cairo_pattern_destroy(p);
    cairo_restore(cr);
    circle(cr, cx, cy, r);
    set(cr, pal::ink);
    cairo_set_line_width(cr, r * 0.06);
    cairo_stroke(cr);
    cairo_arc(cr, cx, cy, r * 0.9, M_PI * 1.1, M_PI * 1.6);
    set(cr, pal::white, 0.5);
    cairo_set_line_width(cr, r * 0.05);
    cairo_stroke(cr);
}

int sheetWidth(const Sheet &s, int level) {
    return s.columns * s.cellW * level;
}

int sheetHeight(const Sheet &s, int level) {
    int rows = (s.frames + s.columns - 1) / s.columns;
    return rows * s.cellH * level;
}

Sheet sheet(const manifest::ImageFile &file, DrawFrame draw) {
    return {file.name, file.cellW, file.cellH, file.frames, file.columns, file.allLevels, draw};
}

std::string levelFile(const Sheet &s, int level) {
    return s.name + manifest::LevelSuffix(level) + manifest::kImageExtension;
}

cairo_surface_t *renderSheet(const Sheet &s, int level) {
    cairo_surface_t *surf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, sheetWidth(s, level),
                                                       sheetHeight(s, level));
    cairo_t *cr = cairo_create(surf);
    for (int f = 0; f < s.frames; ++f) {
        cairo_save(cr);
        cairo_translate(cr, (f % s.columns) * s.cellW * level, (f / s.columns) * s.cellH * level);
        cairo_rectangle(cr, 0, 0, s.cellW * level, s.cellH * level);
        cairo_clip(cr);
        cairo_scale(cr, level, level);
        FrameCtx ctx{cr, f, Rng(hashName(s.name) + 7919u * f)};
        s.draw(ctx);
        cairo_restore(cr);
        cairo_new_path(cr);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surf);
    return surf;
}

}  // namespace art
