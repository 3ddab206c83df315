// KtGlfwGame on GLFW 3.3: window, timing, input callbacks, joysticks, paths, process helpers.

#include "host/glfw_game.h"
#include "host/gxtk_graphics.h"

#include <GLFW/glfw3.h>

// POSIX: the precise sleep, the detached opener process and the crash signals (sigaction,
// write and _exit).
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "host/audio_decode.h"
#include "host/data.h"
#include "host/image_decode.h"

// ---------------------------------------------------------------------------------------------
// Globals

KtGlfwGame *KtGlfwGame::_glfwGame;
const char *KtGlfwGame::urlOpener = "xdg-open";
int kt_argc;
char **kt_argv;

namespace {

constexpr const char *kTitle = "Cobble Vale";

// ---------------------------------------------------------------------------------------------
// Window-library callbacks: plain functions that reach the game through _glfwGame.

void KeyCallback(GLFWwindow *, int key, int, int action, int) {
    OnKey(KtGlfwGame::_glfwGame, key, action);
}

void CharCallback(GLFWwindow *, unsigned int character) {
    OnChar(KtGlfwGame::_glfwGame, character);
}

void MouseButtonCallback(GLFWwindow *window, int button, int action, int) {
    double x = 0, y = 0;
    glfwGetCursorPos(window, &x, &y);
    OnMouseButton(KtGlfwGame::_glfwGame, button, action, x, y);
}

void CursorPosCallback(GLFWwindow *, double x, double y) {
    OnMousePos(KtGlfwGame::_glfwGame, x, y);
}

void WindowCloseCallback(GLFWwindow *window) {
    OnWindowClose(KtGlfwGame::_glfwGame);
    // The close key asks the game; the window stays open unless the game ends the process.
    glfwSetWindowShouldClose(window, GLFW_FALSE);
}

bool KeyPressed(void *window, int key) {
    return glfwGetKey(static_cast<GLFWwindow *>(window), key) == GLFW_PRESS;
}

// A crash signal may interrupt any code, also code holding a lock: the X library's display
// lock, the allocator's, stdio's. So the handler prints the runtime's error line with write(2)
// alone and ends with _exit. The fatal-error path would end with exit(), whose library destructors
// (libGLX's takes the display lock) can then wait for ever, and its debugger protocol reads
// standard input. The handler is reset on entry: a fault inside it ends the process by default.
void SignalHandler(int signal) {
    const char *text = signal == SIGSEGV  ? "Memory access violation"
                       : signal == SIGILL ? "Illegal instruction"
                       : signal == SIGFPE ? "Floating point exception"
                                          : "Unknown signal";
    char line[80];
    std::size_t n = 0;
    for (const char *p = "Vantor Runtime Error : "; *p;) line[n++] = *p++;
    while (*text && n < sizeof line - 1) line[n++] = *text++;
    line[n++] = '\n';
    for (std::size_t done = 0; done < n;) {
        ssize_t w = write(1, line + done, n - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) break;
        done += static_cast<std::size_t>(w);
    }
    _exit(-1);
}

KtDisplayMode *DisplayMode(const GLFWvidmode &mode) {
    KtDisplayMode *m = new KtDisplayMode();
    m->width = mode.width;
    m->height = mode.height;
    return m;
}

KtGlfwVideoMode *VideoMode(const GLFWvidmode &mode) {
    KtGlfwVideoMode *m = new KtGlfwVideoMode();
    m->width = mode.width;
    m->height = mode.height;
    m->red = mode.redBits;
    m->green = mode.greenBits;
    m->blue = mode.blueBits;
    return m;
}

const GLFWvidmode *DesktopVidMode() {
    GLFWmonitor *monitor = glfwGetPrimaryMonitor();
    return monitor ? glfwGetVideoMode(monitor) : nullptr;
}

// At most 1024 modes of the primary monitor, in the library's order.
const GLFWvidmode *VidModes(int *count) {
    *count = 0;
    GLFWmonitor *monitor = glfwGetPrimaryMonitor();
    const GLFWvidmode *modes = monitor ? glfwGetVideoModes(monitor, count) : nullptr;
    if (!modes) *count = 0;
    if (*count > 1024) *count = 1024;
    return modes;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction and the loop's primitives

KtGlfwGame::KtGlfwGame() : swapInterval(1), window(nullptr) {
    for (int &slot : joySlots) slot = -1;
}

int KtGlfwGame::Millisecs() {
    return static_cast<int>(glfwGetTime() * 1000.0);
}

double KtGlfwGame::LoopTime() {
    return glfwGetTime();
}

// GLFW 3 has no sleep: sleep on the monotonic clock (the one GLFW's timer reads) and re-check
// the timer after every wake-up, so signals and coarse wake-ups never end the wait early.
void KtGlfwGame::SleepUntil(double time) {
    for (;;) {
        double delay = time - glfwGetTime();
        if (delay <= 0) return;
        timespec ts;
        ts.tv_sec = static_cast<time_t>(delay);
        ts.tv_nsec = static_cast<long>((delay - static_cast<double>(ts.tv_sec)) * 1e9);
        clock_nanosleep(CLOCK_MONOTONIC, 0, &ts, nullptr);
    }
}

void KtGlfwGame::PumpEvents(bool wait) {
    if (wait) {
        glfwWaitEvents();
    } else {
        glfwPollEvents();
    }
}

void KtGlfwGame::SwapBuffers() {
    if (window) glfwSwapBuffers(window);
}

bool KtGlfwGame::WindowOpen() {
    return window && !glfwWindowShouldClose(window);
}

bool KtGlfwGame::WindowActive() {
    return window && glfwGetWindowAttrib(window, GLFW_FOCUSED) &&
           !glfwGetWindowAttrib(window, GLFW_ICONIFIED);
}

// ---------------------------------------------------------------------------------------------
// Files, paths and decoding

int KtGlfwGame::SaveState(String state) {
    return KtGame::SaveState(state);
}

String KtGlfwGame::LoadState() {
    return KtGame::LoadState();
}

String KtGlfwGame::PathToFilePath(String path) {
    return kt_data_ResolvePath(path, appPath, internalPath);
}

unsigned char *KtGlfwGame::LoadImageData(String path, int *width, int *height, int *depth) {
    unsigned char *pixels = nullptr;
    switch (prefetch.Take(path.ToUtf8(), &pixels, width, height, depth)) {
        case ImagePrefetch::Taken::Ready:
            // From here on the buffer is the collector's to account for, like a decode here.
            gc_ext_malloced(*width * *height * *depth);
            return pixels;
        case ImagePrefetch::Taken::Failed:
            return nullptr;
        default:
            return kt_image_LoadFile(this, path, width, height, depth);
    }
}

void KtGlfwGame::PrefetchImages(Array<String> paths) {
    std::vector<ImagePrefetch::File> files;
    for (int i = 0; i < paths.Length(); ++i) {
        String path = kt_data_FixDataPath(paths[i]);
        files.push_back({path.ToUtf8(), OpenFile(path, String("rb"))});
    }
    prefetch.Start(std::move(files));
}

unsigned char *KtGlfwGame::LoadAudioData(String path, int *length, int *channels, int *format,
                                         int *hertz) {
    return kt_audio_LoadFile(this, path, length, channels, format, hertz);
}

// ---------------------------------------------------------------------------------------------
// Joysticks: GLFW 3 ids 0..15, hat directions appended as buttons (its default).

bool KtGlfwGame::JoystickPresent(int id) {
    return glfwJoystickPresent(id) == GLFW_TRUE;
}

const float *KtGlfwGame::JoystickAxes(int id, int *count) {
    return glfwGetJoystickAxes(id, count);
}

const unsigned char *KtGlfwGame::JoystickButtons(int id, int *count) {
    return glfwGetJoystickButtons(id, count);
}

bool KtGlfwGame::PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                              Array<bool> buttons) {
    return PollJoystickDevice(*this, joySlots, port, joyx, joyy, joyz, buttons);
}

// ---------------------------------------------------------------------------------------------
// Desktop services

void KtGlfwGame::OpenUrl(String url) {
    // Everything the child needs is prepared before fork: the child only forks, execs and exits.
    std::string narrow = url.ToNarrow();
    narrow.resize(std::char_traits<char>::length(narrow.c_str()));
    const char *program = urlOpener;
    pid_t child = fork();
    if (child == 0) {
        // The grandchild runs the opener; the child exits at once so nothing is left to reap.
        if (fork() == 0) {
            execlp(program, program, narrow.c_str(), static_cast<char *>(nullptr));
            _exit(127);
        }
        _exit(0);
    }
    if (child > 0) {
        while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

void KtGlfwGame::SetMouseVisible(bool visible) {
    if (window) {
        glfwSetInputMode(window, GLFW_CURSOR, visible ? GLFW_CURSOR_NORMAL : GLFW_CURSOR_HIDDEN);
    }
}

// ---------------------------------------------------------------------------------------------
// Window and display modes

int KtGlfwGame::GetDeviceWidth() {
    int width = 0, height = 0;
    if (window) glfwGetWindowSize(window, &width, &height);
    return width;
}

int KtGlfwGame::GetDeviceHeight() {
    int width = 0, height = 0;
    if (window) glfwGetWindowSize(window, &width, &height);
    return height;
}

void KtGlfwGame::SetDeviceWindow(int width, int height, int flags) {
    SetGlfwWindow(width, height, 8, 8, 8, 0, 0, 0, (flags & 1) != 0);
}

Array<KtDisplayMode *> KtGlfwGame::GetDisplayModes() {
    int count = 0;
    const GLFWvidmode *modes = VidModes(&count);
    if (count == 0) return Array<KtDisplayMode *>();
    Array<KtDisplayMode *> out(count);
    for (int i = 0; i < count; ++i) out.Store(i, DisplayMode(modes[i]));
    return out;
}

KtDisplayMode *KtGlfwGame::GetDesktopMode() {
    const GLFWvidmode *mode = DesktopVidMode();
    return mode ? DisplayMode(*mode) : nullptr;
}

Array<KtGlfwVideoMode *> KtGlfwGame::GetGlfwVideoModes() {
    int count = 0;
    const GLFWvidmode *modes = VidModes(&count);
    if (count == 0) return Array<KtGlfwVideoMode *>();
    Array<KtGlfwVideoMode *> out(count);
    for (int i = 0; i < count; ++i) out.Store(i, VideoMode(modes[i]));
    return out;
}

KtGlfwVideoMode *KtGlfwGame::GetGlfwDesktopMode() {
    const GLFWvidmode *mode = DesktopVidMode();
    return mode ? VideoMode(*mode) : nullptr;
}

void KtGlfwGame::SetSwapInterval(int interval) {
    swapInterval = interval;
    if (interval >= 0 && window) glfwSwapInterval(interval);
}

void KtGlfwGame::SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha,
                               int depth, int stencil, bool fullscreen) {
    if (window) ReleaseHeldKeys(this, KeyPressed, window);
    const GLFWvidmode *desktop = DesktopVidMode();
    int desktopWidth = desktop ? desktop->width : width;
    int desktopHeight = desktop ? desktop->height : height;
    if (window) {
        // The textures go with the context: their pixels come back to the surfaces first.
        gxtk_SaveTextures();
        glfwDestroyWindow(window);
        window = nullptr;
    }

    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_RED_BITS, red);
    glfwWindowHint(GLFW_GREEN_BITS, green);
    glfwWindowHint(GLFW_BLUE_BITS, blue);
    glfwWindowHint(GLFW_ALPHA_BITS, alpha);
    glfwWindowHint(GLFW_DEPTH_BITS, depth);
    glfwWindowHint(GLFW_STENCIL_BITS, stencil);
    glfwWindowHint(GLFW_REFRESH_RATE, 60);
    glfwWindowHint(GLFW_RESIZABLE, GLFW_TRUE);
    // Windowed: shown only once centred, so it never flashes up at the origin.
    glfwWindowHint(GLFW_VISIBLE, fullscreen ? GLFW_TRUE : GLFW_FALSE);
    window = glfwCreateWindow(width, height, kTitle, fullscreen ? glfwGetPrimaryMonitor() : nullptr,
                              nullptr);
    ++glfwGraphicsSeq;
    if (!window) {
        const char *reason = nullptr;
        glfwGetError(&reason);
        ktPrint(String(("Cobble Vale: could not open a " + std::to_string(width) + " x " +
                        std::to_string(height) + " OpenGL window (is a display available?)" +
                        (reason ? std::string(": ") + reason : std::string()))
                           .c_str()));
        glfwTerminate();
        std::exit(1);
    }
    if (!fullscreen) {
        glfwSetWindowPos(window, (desktopWidth - width) / 2, (desktopHeight - height) / 2);
        glfwSetWindowTitle(window, kTitle);
        glfwShowWindow(window);
    }
    glfwMakeContextCurrent(window);
    // Black at once rather than whatever the screen held, until the game's first frame; not
    // held back by the display's refresh. The swap also makes a software driver measure the
    // window again at the next frame, so a resize that comes before the game's first frame (a
    // window manager's) is drawn at the new size.
    glfwSwapInterval(0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glfwSwapBuffers(window);
    if (swapInterval >= 0) glfwSwapInterval(swapInterval);

    glfwSetKeyCallback(window, KeyCallback);
    glfwSetCharCallback(window, CharCallback);
    glfwSetMouseButtonCallback(window, MouseButtonCallback);
    glfwSetCursorPosCallback(window, CursorPosCallback);
    glfwSetWindowCloseCallback(window, WindowCloseCallback);
}

void KtGlfwGame::Run() {
    SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
    StartGame();
    RunFrames();
}

// ---------------------------------------------------------------------------------------------
// Process helpers

void kt_glfw_InstallSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = SignalHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (int signal : {SIGSEGV, SIGILL, SIGFPE}) sigaction(signal, &action, nullptr);
}

void kt_glfw_SetLocale() {
    if (!std::setlocale(LC_CTYPE, "en_US.UTF-8")) std::setlocale(LC_CTYPE, "");
}
