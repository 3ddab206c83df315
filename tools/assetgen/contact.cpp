#include "contact.h"

#include "pngfile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace art {

namespace {

constexpr int kPageWidth = 1600;
constexpr int kMargin = 16;
constexpr int kLabel = 14;  // room under each tile for its frame number
constexpr int kGap = 6;
constexpr int kTitle = 28;

// Display scale in level-1 pixels: small cells are enlarged, large ones reduced.
double displayScale(const Sheet &s) {
    if (s.cellW <= 8) return 4;
    if (s.cellW <= 16) return 3;
    if (s.cellW <= 32) return 2.5;
    if (s.cellW <= 64) return 1.5;
    return 0.75;
}

// Walks the page layout, calling `title` for each sheet and `tile` for each of its frames;
// returns the page height.
template <typename Title, typename Tile>
int layout(const std::vector<ContactEntry> &entries, Title title, Tile tile) {
    int y = kMargin;
    for (const ContactEntry &e : entries) {
        const Sheet &s = *e.sheet;
        title(e, y);
        y += kTitle;
        double k = displayScale(s);
        int tw = static_cast<int>(std::ceil(s.cellW * k)), th = static_cast<int>(s.cellH * k);
        int x = kMargin;
        for (int f = 0; f < s.frames; ++f) {
            if (x + tw > kPageWidth - kMargin) {
                x = kMargin;
                y += th + kLabel + kGap;
            }
            tile(e, f, x, y, tw, th);
            x += tw + kGap;
        }
        y += th + kLabel + kGap + 12;
    }
    return y + kMargin;
}

}  // namespace

bool writeContactSheet(const std::vector<ContactEntry> &entries, const std::string &path) {
    int height = layout(
        entries, [](const ContactEntry &, int) {},
        [](const ContactEntry &, int, int, int, int, int) {});
    cairo_surface_t *page = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kPageWidth, height);
    cairo_t *cr = cairo_create(page);
    set(cr, shade(pal::night, 0.7));
    cairo_paint(cr);
    auto title = [&](const ContactEntry &e, int y) {
        const Sheet &s = *e.sheet;
        char text[200];
        std::snprintf(text, sizeof text,
                      "%s   cell %d x %d, %d frames, %d per row (level %d shown)", s.name.c_str(),
                      s.cellW, s.cellH, s.frames, s.columns, e.level);
        useFont(cr, Font::SansBold, 15);
        set(cr, pal::lanternLight);
        cairo_move_to(cr, kMargin, y + 18);
        cairo_show_text(cr, text);
    };
    auto tile = [&](const ContactEntry &e, int f, int x, int y, int tw, int th) {
        const Sheet &s = *e.sheet;
        // A two-tone checker shows what is transparent.
        for (int cy = 0; cy < th; cy += 8)
            for (int cx = 0; cx < tw; cx += 8) {
                set(cr, ((cx + cy) / 8) % 2 ? pal::dusk : shade(pal::dusk, 0.8));
                cairo_rectangle(cr, x + cx, y + cy, std::min(8, tw - cx), std::min(8, th - cy));
                cairo_fill(cr);
            }
        double k = displayScale(s) / e.level;
        int cw = s.cellW * e.level, ch = s.cellH * e.level;
        cairo_save(cr);
        cairo_rectangle(cr, x, y, tw, th);
        cairo_clip(cr);
        cairo_translate(cr, x, y);
        cairo_scale(cr, k, k);
        cairo_set_source_surface(cr, e.image, -(f % s.columns) * cw, -(f / s.columns) * ch);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        cairo_rectangle(cr, 0, 0, cw, ch);
        cairo_fill(cr);
        cairo_restore(cr);
        char num[16];
        std::snprintf(num, sizeof num, "%d", f);
        useFont(cr, Font::MonoBold, 10);
        set(cr, pal::stoneLight);
        cairo_move_to(cr, x + 1, y + th + 11);
        cairo_show_text(cr, num);
    };
    layout(entries, title, tile);
    cairo_destroy(cr);
    bool ok = writePng(page, path);
    if (!ok) std::fprintf(stderr, "kt_assetgen: cannot write the contact sheet %s\n", path.c_str());
    cairo_surface_destroy(page);
    return ok;
}

}  // namespace art
