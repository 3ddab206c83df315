// The process entry: the whole life of the game runs in KtVantorGame::Main.

#include <GLFW/glfw3.h>

#include "host/glfw_game.h"

void KtVantorGame::Main(int argc, char **argv) {
    if (!glfwInit()) {
        ktPrint(String("glfwInit failed"));
        std::exit(-1);
    }
    KtVantorGame *game = new KtVantorGame();
    KtGame::_game = game;
    KtGlfwGame::_glfwGame = game;
    kt_argc = argc;
    kt_argv = argv;
    kt_glfw_InstallSignalHandlers();
    kt_glfw_SetLocale();
    try {
        ktInit();
        gc_mark();
        ktMain();
        if (game->Delegate()) game->Run();
    } catch (ThrowableObject *exception) {
        glfwTerminate();
        game->Die(exception);
    }
    glfwTerminate();
}

int main(int argc, char **argv) {
    KtVantorGame::Main(argc, argv);
    return 0;
}
