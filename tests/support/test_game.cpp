// The in-process test host.

#include "tests/support/test_game.h"

#include "host/gxtk_graphics.h"

void KtTestGame::SetDeviceWindow(int w, int h, int) {
    ReleaseHeldKeys(
        this,
        [](void *context, int key) {
            return static_cast<KtTestGame *>(context)->heldKeys.count(key) != 0;
        },
        this);
    heldKeys.clear();
    SetDeviceSize(w, h);
    ++glfwGraphicsSeq;
}

namespace {

KtDisplayMode *Mode(std::pair<int, int> size) {
    KtDisplayMode *mode = new KtDisplayMode();
    mode->width = size.first;
    mode->height = size.second;
    return mode;
}

}  // namespace

KtDisplayMode *KtTestGame::GetDesktopMode() {
    return desktop.first < 0 ? nullptr : Mode(desktop);
}

void KtRecordingDelegate::Record(const char *name, std::initializer_list<int> values) {
    std::string call = name;
    for (int value : values) call += " " + std::to_string(value);
    calls.push_back(call);
}

std::vector<std::string> KtRecordingDelegate::Events() const {
    std::vector<std::string> out;
    for (const std::string &call : calls) {
        if (call != "update" && call != "render") out.push_back(call);
    }
    return out;
}
