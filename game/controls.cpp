// Controls: placeholder bodies until the controls land.

#include "game/myapp.h"

int c_MyApp::p_PlayKey(int, int, int) {
    return 0;
}
int c_MyApp::p_PlayKeyAll(int, int) {
    return 0;
}
float c_MyApp::p_StickX(int, int) {
    return 0;
}
float c_MyApp::p_StickY(int, int) {
    return 0;
}
int c_MyApp::p_iCade(int) {
    return 0;
}
void c_MyApp::p_DecodeICade() {}
void c_MyApp::p_OnScreenPad() {}
void c_MyApp::p_TiltIndicator() {}
int c_MyApp::p_MouseIn(float, float, float, float) {
    return 0;
}
int c_MyApp::p_MouseIn_Centered(float, float, float, float) {
    return 0;
}
int c_MyApp::p_MouseIn_Radius(float, float, float, float) {
    return 0;
}
int c_MyApp::p_Touch(float, float, float, float) {
    return 0;
}
int c_MyApp::p_Touch2(float, float) {
    return 0;
}
int c_MyApp::p_Button(int, float, float, float) {
    return 0;
}
int c_MyApp::p_Button2(float, float, float) {
    return 0;
}
int c_MyApp::p_Button0(int, float, float, float) {
    return 0;
}
int c_MyApp::p_AnalogueControl() {
    return 0;
}
