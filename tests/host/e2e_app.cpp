// The real process entry, host, delegate and input module with an application that prints what
// reaches it, one line per fact: "created", "suspend", "resume", "tick <millisecs>" (every
// update), "hit <code> <count>", "char <character>".

#include <string>

#include "framework/app.h"
#include "host/glfw_game.h"

namespace {

int Report(const std::string &line) {
    ktPrint(String(line.c_str()));
    return 0;
}

struct c_ReportApp : c_App {
    int p_OnCreate() override {
        kt_app_SetUpdateRate(60);
        return Report("created");
    }
    int p_OnSuspend() override { return Report("suspend"); }
    int p_OnResume() override { return Report("resume"); }
    int p_OnUpdate() override {
        Report("tick " + std::to_string(kt_app_Millisecs()));
        for (int code = 1; code < 512; ++code) {
            int hits = kt_input_KeyHit(code);
            if (hits > 0) Report("hit " + std::to_string(code) + " " + std::to_string(hits));
        }
        for (int c = kt_input_GetChar(); c != 0; c = kt_input_GetChar()) {
            Report("char " + std::to_string(c));
        }
        return 0;
    }
};

}  // namespace

void ktInit() {
    kt_app_Init();
    kt_graphics_Init();
    kt_input_Init();
    kt_audio_Init();
}

int ktMain() {
    (new c_ReportApp())->m_new();
    return 0;
}
