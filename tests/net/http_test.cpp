// HTTP against scripted loopback peers, pumped as the game does, a cycle ending at every step.

#include <optional>

#include <gmock/gmock.h>

#include "tests/net/net_support.h"

namespace {

using namespace net_test;
using HttpTest = NetTest;

// Sends a request as the check-in does; what it printed until it ended, once.
std::string Exchange(const std::string &url, Recorder *target, const std::string &body = "") {
    testing::internal::CaptureStdout();
    auto *request = (new c_HttpRequest)->m_new();
    request->p_Open(String(body.empty() ? "GET" : "POST"), String(url.c_str()), target);
    if (body.empty()) request->p_Send();
    if (!body.empty())
        request->p_Send2(String::Decode(reinterpret_cast<const unsigned char *>(body.data()),
                                        static_cast<int>(body.size())),
                         String("text/plain"), String("utf8"));
    EXPECT_TRUE(PumpUntil([&] { return target->calls > 0; }, 60, 20)) << "it never ended";
    EXPECT_EQ(target->calls, 1);
    return testing::internal::GetCapturedStdout();
}

// The request exactly (no fragment; no head over the send buffer); replies over many receives.
TEST_F(HttpTest, SendsTheRequestExactlyAndReadsTheWholeReply) {
    const std::string ok = "HTTP/1.0 200 OK\r\n";
    const std::string big(200000, 'z');  // many receives
    // Path, body, bytes of the head beyond the send buffer (or -1), reply and its text.
    const std::tuple<std::string, std::string, int, std::vector<Step>, std::string> cases[] = {
        {"/h?a=1#f", "", -1, {ok + "Content-Length: 3\r\n\r\nabc", kPause, "def"}, "abcdef"},
        {"/", "", -1, {ok + "Content-Le", kPause, "ngth: 2\r\n\r\nhi"}, "hi"},  // a split line
        {"/scores", "h\xC3\xA9llo", -1, {ok + "\r\n", kPause, big}, big},
        {"", "", 0, {ok + "\r\n"}, ""},
        {"", "", 1, {}, ""},
    };
    for (const auto &[given, body, over, script, text] : cases) {
        LoopbackServer server(script);
        const std::string host = " HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.Port());
        const std::string path =
            over < 0
                ? given
                : "/" + std::string(c_HttpRequest::SEND_BUFFER_SIZE + over - 9 - host.size(), 'p');
        Recorder *target = NewRecorder();
        Exchange(server.Url(path), target, body);
        EXPECT_EQ(target->status, over > 0 ? -1 : 200);
        EXPECT_TRUE(target->text.ToUtf8() == text);
        server.Join();
        const std::string sent =
            (body.empty() ? "GET " : "POST ") + path.substr(0, path.find('#')) + host +
            (body.empty() ? ""
                          : "\r\nContent-Type: text/plain\r\nContent-Length: " +
                                std::to_string(body.size())) +
            "\r\n\r\n" + body;
        EXPECT_EQ(server.Request(), over > 0 ? "" : sent);
    }
}

// Each ends the request without status or text and with a line saying why (timeout shortened).
TEST_F(HttpTest, SilentResetOrUnreachablePeersEndWithNoStatusAndALine) {
    // Listeners that never accept; the full one drops further attempts unanswered.
    int idle_port, full_port, closed_port;
    const int idle = Listen(1, &idle_port), full = Listen(0, &full_port);
    ::close(Listen(-1, &closed_port));  // bound and closed: refuses
    std::vector<int> queued;
    for (int i = 0; i < 3; ++i) {
        queued.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        sockaddr_in addr{
            AF_INET, htons(static_cast<uint16_t>(full_port)), {htonl(INADDR_LOOPBACK)}, {}};
        (void)::connect(queued.back(), reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    }
    auto at = [](int port) { return "http://127.0.0.1:" + std::to_string(port) + "/"; };
    // The line printed, and the address, or none for a server playing the script.
    const std::tuple<const char *, std::string, std::vector<Step>> cases[] = {
        {"silent past the timeout", "", {kHold}},
        {"connection failed", "", {"HTTP/1.0 200 OK\r\n\r\npartial", kPause, kReset}},
        // 65536 higher would reach the idle listener if it were cut to 16 bits.
        {"invalid URL", at(idle_port + 65536), {}},
        {"within the timeout", at(full_port), {}},
        {"cannot connect", at(closed_port), {}},
    };
    int saved = kt_socket_SetTimeoutMs(300);
    for (const auto &[line, url, script] : cases) {
        std::optional<LoopbackServer> server;
        if (url.empty()) server.emplace(script);
        Recorder *target = NewRecorder();
        EXPECT_THAT(Exchange(url.empty() ? server->Url("/") : url, target),
                    testing::HasSubstr(line));
        EXPECT_EQ(std::make_pair(target->status, target->text.Length()), std::make_pair(-1, 0));
    }
    kt_socket_SetTimeoutMs(saved);
    pollfd waiting{idle, POLLIN, 0};
    EXPECT_EQ(::poll(&waiting, 1, 0), 0) << "the truncated port was connected to";
    for (int fd : queued) ::close(fd);
    ::close(idle), ::close(full);
}

}  // namespace
