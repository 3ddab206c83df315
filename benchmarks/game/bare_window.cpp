// The baseline for the game's start-up time: a program that only opens a GLFW window of the
// game's size, clears it once to a grey and shows it, then waits until it is closed. The
// start-up benchmark runs it side by side with the game and times both from outside.

#include <GLFW/glfw3.h>

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>

int main() {
    if (!glfwInit()) return 1;
    GLFWwindow *window = glfwCreateWindow(640, 480, "Bare Window", nullptr, nullptr);
    if (!window) return 1;
    glfwMakeContextCurrent(window);
    glfwSwapInterval(1);
    // Cleared and swapped every loop, as a game would, so the first frame appears as early as
    // the platform allows.
    while (!glfwWindowShouldClose(window)) {
        glClearColor(0.25f, 0.25f, 0.25f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glfwSwapBuffers(window);
        glfwPollEvents();
    }
    glfwTerminate();
    return 0;
}
