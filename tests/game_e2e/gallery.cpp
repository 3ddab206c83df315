// game_gallery <output directory>: screens as 640 x 480 PNG files for scripts/gallery.sh,
// reached by scripted keys (gl_game.h); runs from bin/ and starts its own Xvfb.

#include <cstdio>
#include <string>

#include "tests/game_e2e/gl_game.h"
#include "tests/graphics/png_writer.h"

int main(int argc, char **argv) {
    XvfbServer server;
    if (argc != 2) return std::fprintf(stderr, "usage: game_gallery <output directory>\n"), 2;
    if (!server.Start() || !glfwInit()) return std::fprintf(stderr, "no private display\n"), 1;
    const std::pair<GameScreen, const char *> screens[] = {
        {GameScreen::Menu, "menu"},          {GameScreen::Board, "board"},
        {GameScreen::Pause, "pause"},        {GameScreen::Options, "options"},
        {GameScreen::GameOver, "game-over"}, {GameScreen::Credits, "credits"}};
    int status = 0;
    for (const auto &[screen, name] : screens) {
        std::string path = std::string(argv[1]) + "/" + name + ".png";
        GlGame game;
        bool made = game.Start(640, 480) && DriveTo(game, screen) &&
                    WritePng(path, 640, 480, 3, game.ReadRgb());
        std::fprintf(made ? stdout : stderr, made ? "%s\n" : "game_gallery: %s failed\n",
                     made ? path.c_str() : name);
        status |= !made;
    }
    glfwTerminate();
    server.Stop();
    return status;
}
