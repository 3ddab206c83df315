// The online check-in: off as configured, and what an answer does when it is switched on.

#include <gtest/gtest.h>

#include "tests/net/net_support.h"
#include "tests/support/game_kit.h"

// The answer arrives through the update's event pump; only a non-empty body counts.
TEST(Checkin, OffAsConfiguredAndTheAnswerIsRecordedInTheUpdate) {
    for (const std::string body : {"", "welcome"}) {
        GameKit kit;
        kit.Frame(3);
        EXPECT_TRUE(kt_Cobble_J_On_Allow == 0 && !kit.app->CheckinRequest && !kit.app->CheckinDone)
            << "off: no request, so no socket";

        net_test::LoopbackServer server({"HTTP/1.0 200 OK\r\n\r\n" + body});
        testing::internal::CaptureStdout();
        kit.app->p_GetURL(String(server.Url("/housecall.php").c_str()),
                          String("hello=1&gameID=") + String(kt_Cobble_GameNum));
        EXPECT_EQ(kit.app->CheckinReply.ToUtf8(), "N/A");
        for (int i = 0; i < 6000 && kit.app->CheckinDone == 0; ++i)
            kit.Frame(), std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "Requesting URL\nHttp GET complete! 200\n");
        server.Join();
        EXPECT_EQ(server.Request().substr(0, 46),
                  "GET /housecall.php?hello=1&gameID=1 HTTP/1.0\r\n");
        EXPECT_EQ(std::to_string(kit.app->CheckinDone) + kit.app->CheckinReply.ToUtf8() +
                      std::to_string(kt_Cobble_J_On_Able),
                  "1" + body + (body.empty() ? "0" : "1"));
    }
}
