// The process entry: the whole life of the game runs in KtVantorGame::Main.

#include <GLFW/glfw3.h>
#include <malloc.h>

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
    // Large buffers (decoded images and sounds, file contents) come and go during loading. By
    // default the allocator raises its mapping threshold after the first large one is freed, so
    // later ones come from the heap and freeing them often leaves the memory resident (about
    // 8 MB at the menu). A fixed threshold keeps every buffer from 1 MB up in a mapping of its
    // own, returned to the system when freed.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    KtVantorGame::Main(argc, argv);
    return 0;
}
