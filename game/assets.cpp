// Assets: placeholder bodies until the loader lands.

#include "game/myapp.h"

int c_MyApp::p_LoadImg(int, String, int, int, int, int) {
    return 0;
}
int c_MyApp::p_LoadFont(int, String, int, int) {
    return 0;
}
int c_MyApp::p_ReserveImg(int, int, int) {
    return 0;
}
int c_MyApp::p_Reload() {
    return 0;
}
int c_MyApp::p_Loader() {
    LoadStage = 0;
    return 0;
}
int c_MyApp::p_WaitStart(int) {
    return 0;
}
int c_MyApp::p_LoadSFX(int) {
    return 0;
}
int c_MyApp::p_PlaySFX(int, float, float, float) {
    return 0;
}
int c_MyApp::p_PlayTune(String, int) {
    return 0;
}
int c_MyApp::p_StopTune() {
    return 0;
}
int c_MyApp::p_BankLoad() {
    return 0;
}
void c_MyApp::p_ChooseLevel() {}
