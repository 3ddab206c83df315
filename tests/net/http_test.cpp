// HTTP requests against scripted loopback peers, pumped as the game pumps them. Only its own
// operations in flight hold the request, and the collector ends a cycle at every step, so a
// request or buffer not kept alive while a worker uses it fails here.

#include <optional>

#include <gmock/gmock.h>

#include "tests/net/net_support.h"

namespace {

using namespace net_test;
using HttpTest = NetTest;

// Sends a request as the check-in does (a body goes with p_Send2), pumps until it has ended
// exactly once, and returns what it printed meanwhile.
std::string Exchange(const std::string &url, Recorder *target, const std::string &body = "") {
    testing::internal::CaptureStdout();
    auto *request = (new c_HttpRequest)->m_new();
    request->p_Open(String(body.empty() ? "GET" : "POST"), String(url.c_str()), target);
    if (body.empty()) {
        request->p_Send();
    } else {
        request->p_Send2(String::Decode(reinterpret_cast<const unsigned char *>(body.data()),
                                        static_cast<int>(body.size())),
                         String("text/plain"), String("utf8"));
    }
    const bool ended = PumpUntil([&] { return target->calls > 0; }, 60, 20);
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(ended) << "the request never ended";
    EXPECT_EQ(target->calls, 1);
    return printed;
}

// The request line (fragment dropped), the Host line, a body with its type and byte length;
// a reply over several receives, one as Python's http.server sends a file: the head, then many
// receives' worth of body with one-, two- and three-byte characters.
TEST_F(HttpTest, SendsTheRequestExactlyAndReadsTheWholeReply) {
    const std::string ok = "HTTP/1.0 200 OK\r\n";
    std::string file;
    for (int i = 0; i < 4000; ++i)
        file += "line " + std::to_string(i) + " caf\xC3\xA9 \xE2\x82\xAC\n";
    const struct {
        std::string path, body;
        const char *line, *rest;  // around the Host line
        std::string text;
        std::vector<Step> script;
    } cases[] = {
        {"/housecall.php?hello=1&gameID=7#top",
         "",
         "GET /housecall.php?hello=1&gameID=7",
         "\r\n\r\n",
         "abcdef",
         {Reply(ok + "Content-Length: 3\r\n\r\nabc"), kPause, Reply("def")}},
        {"/scores",
         "h\xC3\xA9llo",
         "POST /scores",
         "\r\nContent-Type: text/plain\r\nContent-Length: 6\r\n\r\nh\xC3\xA9llo",
         file,
         {Reply(ok + "Server: SimpleHTTP/0.6 Python/3.11.2\r\nContent-Length: " +
                std::to_string(file.size()) + "\r\n\r\n"),
          kPause, Reply(file)}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        LoopbackServer server(c.script);
        Recorder *target = NewRecorder();
        Exchange(server.Url(c.path), target, c.body);
        EXPECT_EQ(target->status, 200);
        EXPECT_TRUE(target->text.ToUtf8() == c.text);
        server.Join();
        EXPECT_EQ(server.Request(), std::string(c.line) + " HTTP/1.0\r\nHost: 127.0.0.1:" +
                                        std::to_string(server.Port()) + c.rest);
    }
}

// A head that fills the send buffer exactly is sent; one byte more and nothing is sent at all.
TEST_F(HttpTest, AHeadLargerThanTheSendBufferIsNotSent) {
    for (int over : {0, 1}) {
        LoopbackServer server({Reply("HTTP/1.0 200 OK\r\n\r\nthanks")});
        std::string tail =
            " HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n\r\n";
        std::string path =
            "/" + std::string(c_HttpRequest::SEND_BUFFER_SIZE + over - 5 - tail.size(), 'p');
        Recorder *target = NewRecorder();
        Exchange(server.Url(path), target, "");
        EXPECT_EQ(target->status, over ? -1 : 200);
        server.Join();
        EXPECT_EQ(server.Request(), over ? "" : "GET " + path + tail);
    }
}

// Each ends the request once, without status or text and with a line saying why, long before
// the real timeout: the socket timeout is shortened.
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
    const struct {
        const char *line;
        std::string url;  // empty: the scripted server
        std::vector<Step> script;
    } cases[] = {
        {"silent past the timeout", "", {kHold}},
        {"connection failed", "", {Reply("HTTP/1.0 200 OK\r\n\r\npartial"), kPause, kReset}},
        // 65536 higher would reach the idle listener if it were cut to 16 bits.
        {"invalid URL", at(idle_port + 65536), {}},
        {"within the timeout", at(full_port), {}},
        {"cannot connect", at(closed_port), {}},
        {"cannot connect", "http://cobble-vale-checkin.invalid/x", {}},
    };
    int saved = kt_socket_SetTimeoutMs(300);
    for (const auto &c : cases) {
        SCOPED_TRACE(&c - cases);
        std::optional<LoopbackServer> server;
        if (c.url.empty()) server.emplace(c.script);
        Recorder *target = NewRecorder();
        EXPECT_THAT(Exchange(c.url.empty() ? server->Url("/") : c.url, target),
                    testing::HasSubstr(c.line));
        EXPECT_EQ(target->status, -1);
        EXPECT_EQ(target->text.Length(), 0);
    }
    kt_socket_SetTimeoutMs(saved);
    pollfd waiting{idle, POLLIN, 0};
    EXPECT_EQ(::poll(&waiting, 1, 0), 0) << "the truncated port was connected to";
    for (int fd : queued) ::close(fd);
    ::close(idle);
    ::close(full);
}

}  // namespace
