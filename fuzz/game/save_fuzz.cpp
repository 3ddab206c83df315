// The save string's loader on any state file, desktop and console: whatever it loaded saves as
// a complete string (as many items as the defaults'), which loads and saves back to itself.

#include <fcntl.h>
#include <unistd.h>

#include "fuzz/fuzz_support.h"
#include "game/myapp.h"
#include "host/glfw_game.h"  // ktInit

namespace {

struct MemoryHost : KtGame {
    String state;
    int SaveState(String text) override { return state = text, 0; }
    String LoadState() override { return state; }
};

MemoryHost *host;
c_MyApp *app;
String defaults;

// What the game saves after loading `text` over the create hook's defaults.
String LoadAndSave(const String &text) {
    host->state = defaults, app->p_Load();
    host->state = text, app->p_Load();
    app->p_Save();
    return host->state;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    dup2(open("/dev/null", O_WRONLY), STDOUT_FILENO);
    KtGame::_game = host = new MemoryHost();
    ktInit();
    gc_mark();
    // Every step ends a full cycle: a missing write barrier shows up as a use after free.
    gc_set_torture(true);
    app = (new c_MyApp())->m_new();
    app->p_Save();
    defaults = host->state;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const String text = String::Decode(data, static_cast<int>(size));
    for (int ouya = 0; ouya <= 1; ++ouya) {
        kt_Cobble_isOuya = ouya;
        const String saved = LoadAndSave(text);
        check(saved.Split(String("|")).Length() == defaults.Split(String("|")).Length() &&
              saved.EndsWith(String("|")));
        check(LoadAndSave(saved) == saved);
    }
    gc_collect_step(kt_app__delegate);
    return 0;
}
