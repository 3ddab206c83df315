// Drawing vocabulary shared by every sheet: palette, seeded randomness, fonts, shapes, and the
// sheet description that is rendered at each resolution level.
#pragma once

#include <cairo.h>

#include "game/manifest.h"

#include <cstdint>
#include <string>
#include <vector>

namespace art {

struct Rgb {
    double r, g, b;
};

// One palette for the whole game: night-blue skies, warm stone, moss and lantern light.
namespace pal {
constexpr Rgb night{0.04, 0.09, 0.18};
constexpr Rgb dusk{0.10, 0.18, 0.32};
constexpr Rgb sky{0.18, 0.30, 0.50};
constexpr Rgb ink{0.07, 0.06, 0.08};
constexpr Rgb stoneDark{0.29, 0.27, 0.25};
constexpr Rgb stone{0.55, 0.52, 0.47};
constexpr Rgb stoneLight{0.76, 0.72, 0.64};
constexpr Rgb slate{0.30, 0.36, 0.44};
constexpr Rgb mossDark{0.20, 0.35, 0.14};
constexpr Rgb moss{0.38, 0.58, 0.23};
constexpr Rgb mossLight{0.60, 0.78, 0.34};
constexpr Rgb lantern{1.00, 0.70, 0.28};
constexpr Rgb lanternLight{1.00, 0.86, 0.52};
constexpr Rgb amber{0.88, 0.48, 0.14};
constexpr Rgb ember{0.78, 0.26, 0.20};
constexpr Rgb blood{0.48, 0.12, 0.12};
constexpr Rgb cream{0.96, 0.92, 0.84};
constexpr Rgb wood{0.47, 0.30, 0.17};
constexpr Rgb woodDark{0.29, 0.17, 0.10};
constexpr Rgb brass{0.80, 0.62, 0.30};
constexpr Rgb brassDark{0.48, 0.34, 0.14};
constexpr Rgb silver{0.78, 0.80, 0.84};
constexpr Rgb gold{0.98, 0.80, 0.30};
constexpr Rgb bronze{0.72, 0.45, 0.24};
constexpr Rgb jade{0.36, 0.72, 0.60};
constexpr Rgb water{0.30, 0.55, 0.85};
constexpr Rgb petal{0.95, 0.55, 0.70};
constexpr Rgb white{1, 1, 1};
}  // namespace pal

Rgb mix(Rgb a, Rgb b, double t);
Rgb shade(Rgb c, double f);  // f < 1 darkens, f > 1 lightens towards white
void set(cairo_t *cr, Rgb c, double alpha = 1.0);

// Small linear congruential generator; every frame gets its own seed so each level draws the
// same "random" stones, and the output never depends on run order.
class Rng {
public:
    explicit Rng(uint32_t seed) : state_(seed ^ 0x9e3779b9u) { next(); }
    double next();  // [0, 1)
    double range(double lo, double hi) { return lo + (hi - lo) * next(); }

private:
    uint32_t state_;
};

uint32_t hashName(const std::string &name);

// Fonts are read straight from Debian's font packages (see the README's credits).
enum class Font { SansBold, MonoBold, Round };
// Loads the faces; returns false (with a message naming the package) when a file is missing.
bool loadFonts();
void useFont(cairo_t *cr, Font font, double size);
// Text whose ink box is centred on (cx, cy).
void textCentered(cairo_t *cr, Font font, double size, const std::string &text, double cx,
                  double cy);
// Text path (for outlines and gradient fills) centred the same way; the caller fills/strokes.
void textPath(cairo_t *cr, Font font, double size, const std::string &text, double cx, double cy);

// Shapes: each builds a path; callers fill or stroke it.
void roundedRect(cairo_t *cr, double x, double y, double w, double h, double r);
void circle(cairo_t *cr, double cx, double cy, double r);
void star(cairo_t *cr, double cx, double cy, double outer, double inner, int points,
          double turn = 0);
void heart(cairo_t *cr, double cx, double cy, double s);
void gear(cairo_t *cr, double cx, double cy, double outer, double inner, int teeth);
void leaf(cairo_t *cr, double cx, double cy, double len, double wide, double angle);
void triangle(cairo_t *cr, double cx, double cy, double r, double angle);

// Fills the current path with `fill` and strokes it with `line`, keeping nothing.
void fillStroke(cairo_t *cr, Rgb fill, Rgb line, double width, double alpha = 1.0);
// Fills the current path with a vertical gradient from `top` to `bottom` between y0 and y1.
void fillVertical(cairo_t *cr, Rgb top, Rgb bottom, double y0, double y1, double alpha = 1.0);
// A soft radial glow, opaque `c` at the centre fading to nothing at radius r.
void glow(cairo_t *cr, double cx, double cy, double r, Rgb c, double alpha);
// One rounded cobblestone with a lit top edge, irregular by `rng`.
void cobble(cairo_t *cr, double cx, double cy, double rx, double ry, Rng &rng, Rgb base);
// A hanging lantern of height about 2.2 s, lit with a warm glow.
void lantern(cairo_t *cr, double cx, double cy, double s, Rgb light = pal::lantern);
// A round stone badge with a coloured rim (menu buttons, medals).
void stoneBadge(cairo_t *cr, double cx, double cy, double r, Rgb rim, Rng &rng);
// A small symbol drawn within radius r: used by badges, icons and spare frames alike.
void symbol(cairo_t *cr, int which, double cx, double cy, double r);
constexpr int kSymbolCount = 16;

// A sheet: frames of cellW x cellH (level-1 pixels), `columns` per row, read row by row.
struct FrameCtx {
    cairo_t *cr;
    int frame;
    Rng rng;
};
using DrawFrame = void (*)(FrameCtx &);
struct Sheet {
    std::string name;  // file name without level suffix and ".png"
    int cellW, cellH, frames, columns;
    bool levels;  // false: level 1 only
    DrawFrame draw;
};
// The sheet of a manifest image file, drawn by `draw`.
Sheet sheet(const manifest::ImageFile &file, DrawFrame draw);

// The application icon for the desktop, in a 32 x 32 space: a lantern-lit card back with the
// lantern piece standing before it. It belongs to no sheet, so it never changes the data files.
void drawIcon(cairo_t *cr);

std::vector<Sheet> fontSheets();
std::vector<Sheet> uiSheets();
std::vector<Sheet> gameSheets();

int sheetWidth(const Sheet &s, int level);
int sheetHeight(const Sheet &s, int level);
// The file name at a level.
std::string levelFile(const Sheet &s, int level);
cairo_surface_t *renderSheet(const Sheet &s, int level);

}  // namespace art
