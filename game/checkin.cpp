// The online check-in: one GET to the game's service at start, and whether it answered. The
// request runs on the HTTP client's worker; its completion arrives in the update's event pump,
// so every field here is touched by the update thread only. Nothing waits for the answer and
// no failure is shown.

#include "game/myapp.h"

// The game's number at the check-in service.
const int kt_Cobble_GameNum = 1;

int c_MyApp::p_GetURL(String url, String data) {
    CheckinReply = String("N/A");
    c_HttpRequest *request = (new c_HttpRequest())->m_new();
    request->p_Open(String("GET"), url + String("?") + data, this);
    gc_assign(CheckinRequest, request);
    request->p_Send();
    ktPrint(String("Requesting URL"));
    CheckinDone = 0;
    return 0;
}

void c_MyApp::p_OnHttpRequestComplete(c_HttpRequest *request) {
    if (request != CheckinRequest) return;
    ktPrint(String("Http GET complete! ") + String(request->p_Status()));
    CheckinDone = 1;
    CheckinReply = request->p_ResponseText();
    if (CheckinReply.Length() != 0) kt_Cobble_J_On_Able = 1;
}
