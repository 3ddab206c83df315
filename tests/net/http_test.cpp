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

// The request line (fragment dropped), the Host line, a body with its type and byte length.
TEST_F(HttpTest, SendsTheRequestExactly) {
    const struct {
        std::string path, body;
        const char *line, *rest;  // around the Host line; no line: nothing is sent
        int status;
    } cases[] = {
        {"/housecall.php?hello=1&gameID=7#top", "", "GET /housecall.php?hello=1&gameID=7",
         "\r\n\r\n", 200},
        {"/scores", "h\xC3\xA9llo", "POST /scores",
         "\r\nContent-Type: text/plain\r\nContent-Length: 6\r\n\r\nh\xC3\xA9llo", 200},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.substr(0, 20));
        LoopbackServer server({Reply("HTTP/1.0 200 OK\r\n\r\nthanks")});
        Recorder *target = NewRecorder();
        Exchange(server.Url(c.path), target, c.body);
        EXPECT_EQ(target->status, c.status);
        server.Join();
        EXPECT_EQ(server.Request(), c.line ? std::string(c.line) + " HTTP/1.0\r\nHost: 127.0.0.1:" +
                                                 std::to_string(server.Port()) + c.rest
                                           : "");
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

TEST_F(HttpTest, EndsOnceWithTheStatusAndTextOfEachReply) {
    const std::string ok = "HTTP/1.0 200 OK\r\n";
    // A file as Python's http.server sends it: head, then many receives' worth of body with
    // one-, two- and three-byte characters.
    std::string file;
    for (int i = 0; i < 4000; ++i)
        file += "line " + std::to_string(i) + " caf\xC3\xA9 \xE2\x82\xAC\n";
    const std::string python = ok + "Server: SimpleHTTP/0.6 Python/3.11.2\r\nContent-type: " +
                               "text/plain\r\nContent-Length: " + std::to_string(file.size());
    const struct {
        int status;
        std::string text;
        std::vector<Step> script;
    } cases[] = {
        {200, "hello", {Reply("http/1.1 200 OK\r\nServer: t\r\n\r\nhello")}},  // lower case
        {200, "abcdef", {Reply(ok + "Content-Length: 3\r\n\r\nabc"), kPause, Reply("def")}},
        {200, file, {Reply(python + "\r\n\r\n"), kPause, Reply(file)}},
        {204, "", {Reply("HTTP/1.0 204 No Content\r\n\r\n")}},
        {200, "ok", {Reply("HTTP/1.0 200 \r\n\r\nok")}},  // empty reason phrase
        {-1, "", {Reply(ok + "Server: t\r\n")}},          // closed before the blank line
        {-1, "", {}},                                     // closed without a byte
        {-1, "", {Reply("hello there\r\n\r\nbody")}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(&c - cases);
        LoopbackServer server(c.script);
        Recorder *target = NewRecorder();
        Exchange(server.Url("/"), target);
        EXPECT_EQ(target->status, c.status);
        EXPECT_TRUE(target->text.ToUtf8() == c.text);
    }
}

// Each ends the request once, without status or text and with a line saying why, long before
// the real timeout: the socket timeout is shortened and the caps are reached fast.
TEST_F(HttpTest, HostileOrUnreachablePeersEndWithNoStatusAndALine) {
    std::string short_lines, long_lines;
    for (int i = 0; i < 20000; ++i) short_lines += "a: b\r\n";
    for (int i = 0; i < 80; ++i) long_lines += "a: " + std::string(1000, 'b') + "\r\n";
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
    const std::string ok = "HTTP/1.0 200 OK\r\n";
    const struct {
        const char *line;
        std::string url;  // empty: the scripted server
        std::vector<Step> script;
    } cases[] = {
        {"silent past the timeout", "", {kHold}},
        {"body is longer", "", {Reply(ok + "\r\n"), kFlood}},
        {"head is longer", "", {Reply(ok + short_lines)}},
        {"head is longer", "", {Reply(ok + long_lines)}},
        {"silent past the timeout",
         "",
         {Reply(ok + "Content-Length: 100\r\n\r\nten bytes."), kHold}},
        {"connection failed", "", {Reply(ok + "\r\npartial"), kPause, kReset}},
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
