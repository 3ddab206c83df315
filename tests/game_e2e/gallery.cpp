// Renders screens of the real game to PNG files for the documentation (scripts/gallery.sh):
//   game_gallery <output directory>
// writes menu.png, board.png, pause.png, options.png, game-over.png and credits.png at
// 640 x 480, each reached with scripted keys on the fake clock (tests/game_e2e/gl_game.h), so
// the pictures are the same on every run. Runs from the build's bin directory (the generated
// data/ beside it) and starts its own Xvfb.

#include <cstdio>
#include <string>
#include <utility>

#include "tests/game_e2e/gl_game.h"
#include "tests/graphics/png_writer.h"

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: game_gallery <output directory>\n");
        return 2;
    }
    XvfbServer server;
    if (!server.Start() || !glfwInit()) {
        std::fprintf(stderr, "game_gallery: no private display\n");
        return 1;
    }
    const std::pair<GameScreen, const char *> screens[] = {
        {GameScreen::Menu, "menu"},          {GameScreen::Board, "board"},
        {GameScreen::Pause, "pause"},        {GameScreen::Options, "options"},
        {GameScreen::GameOver, "game-over"}, {GameScreen::Credits, "credits"}};
    int status = 0;
    for (const auto &[screen, name] : screens) {
        std::string path = std::string(argv[1]) + "/" + name + ".png";
        GlGame game;
        if (!game.Start(640, 480) || !DriveTo(game, screen) ||
            !WritePng(path, 640, 480, 3, game.ReadRgb())) {
            std::fprintf(stderr, "game_gallery: %s failed\n", name);
            status = 1;
            continue;
        }
        std::printf("%s\n", path.c_str());
    }
    glfwTerminate();
    server.Stop();
    return status;
}
