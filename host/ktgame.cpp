// KtGame: the platform-neutral base of every host: state, guarded entry points, defaults.

#include "host/ktgame.h"

#include <cstdlib>
#include <ctime>

// ---------------------------------------------------------------------------------------------
// Globals

KtGame *KtGame::_game;

// ---------------------------------------------------------------------------------------------
// State and defaults

KtGame::KtGame()
    : delegate(nullptr), keyboardEnabled(false), updateRate(0), started(false), suspended(false) {}

KtGame::~KtGame() {}

void KtGame::SetDelegate(KtGameDelegate *d) {
    delegate = d;
}
KtGameDelegate *KtGame::Delegate() {
    return delegate;
}
void KtGame::SetKeyboardEnabled(bool enabled) {
    keyboardEnabled = enabled;
}
bool KtGame::KeyboardEnabled() {
    return keyboardEnabled;
}
void KtGame::SetUpdateRate(int hz) {
    updateRate = hz;
}
int KtGame::UpdateRate() {
    return updateRate;
}
bool KtGame::Started() {
    return started;
}
bool KtGame::Suspended() {
    return suspended;
}
int KtGame::Millisecs() {
    return 0;
}

void KtGame::GetDate(Array<int> date) {
    std::time_t now = std::time(nullptr);
    std::tm t;
    localtime_r(&now, &t);
    const int fields[7] = {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                           t.tm_min,         t.tm_sec,     0};
    int n = date.Length() < 7 ? date.Length() : 7;
    for (int i = 0; i < n; ++i) date[i] = fields[i];
}

bool KtGame::PollJoystick(int, Array<float>, Array<float>, Array<float>, Array<bool>) {
    return false;
}
void KtGame::OpenUrl(String) {}
void KtGame::SetMouseVisible(bool) {}
int KtGame::GetDeviceWidth() {
    return 0;
}
int KtGame::GetDeviceHeight() {
    return 0;
}
void KtGame::SetDeviceWindow(int, int, int) {}
Array<KtDisplayMode *> KtGame::GetDisplayModes() {
    return Array<KtDisplayMode *>();
}
KtDisplayMode *KtGame::GetDesktopMode() {
    return nullptr;
}
void KtGame::SetSwapInterval(int) {}
String KtGame::PathToFilePath(String path) {
    return path;
}
unsigned char *KtGame::LoadImageData(String, int *, int *, int *) {
    return nullptr;
}
unsigned char *KtGame::LoadAudioData(String, int *, int *, int *, int *) {
    return nullptr;
}
void KtGame::PrefetchImages(Array<String>) {}

void KtGame::Die(ThrowableObject *) {
    ktPrint(String("Vantor Runtime Error : Uncaught Vantor Exception"));
    std::exit(-1);
}

void KtGame::gc_collect() {
    gc_collect_step(delegate);
}

// ---------------------------------------------------------------------------------------------
// Guarded entry points
//
// Each checks the game's state, forwards to the delegate inside the language-exception guard,
// then runs one collector step: collection never runs inside game code. A call made from inside
// another one (the game re-creates its window during an update, and the host releases the held
// keys through KeyEvent) collects nothing: the outer call's locals may hold the only references
// to new objects, and its own step follows when it returns.

namespace {

int guardDepth;

struct GuardLevel {
    GuardLevel() { ++guardDepth; }
    ~GuardLevel() { --guardDepth; }
};

template <class F>
void guarded(KtGame *game, F &&call) {
    {
        GuardLevel level;
        try {
            call();
        } catch (ThrowableObject *ex) {
            game->Die(ex);
        }
    }
    if (guardDepth == 0) game->gc_collect();
}

}  // namespace

void KtGame::StartGame() {
    if (started) return;
    started = true;
    guarded(this, [&] { delegate->StartGame(); });
}

void KtGame::SuspendGame() {
    if (!started || suspended) return;
    suspended = true;
    guarded(this, [&] { delegate->SuspendGame(); });
}

void KtGame::ResumeGame() {
    if (!started || !suspended) return;
    suspended = false;
    guarded(this, [&] { delegate->ResumeGame(); });
}

void KtGame::UpdateGame() {
    if (!started || suspended) return;
    guarded(this, [&] { delegate->UpdateGame(); });
}

void KtGame::RenderGame() {
    if (!started) return;
    guarded(this, [&] { delegate->RenderGame(); });
}

void KtGame::KeyEvent(int event, int data) {
    if (!started) return;
    guarded(this, [&] { delegate->KeyEvent(event, data); });
}

void KtGame::MouseEvent(int event, int data, float x, float y) {
    if (!started) return;
    guarded(this, [&] { delegate->MouseEvent(event, data, x, y); });
}

void KtGame::TouchEvent(int event, int data, float x, float y) {
    if (!started) return;
    guarded(this, [&] { delegate->TouchEvent(event, data, x, y); });
}

void KtGame::MotionEvent(int event, int data, float x, float y, float z) {
    if (!started) return;
    guarded(this, [&] { delegate->MotionEvent(event, data, x, y, z); });
}

void KtGame::DiscardGraphics() {
    if (!started) return;
    guarded(this, [&] { delegate->DiscardGraphics(); });
}
