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
    if (body.empty()) request->p_Send();
    if (!body.empty())
        request->p_Send2(String::Decode(reinterpret_cast<const unsigned char *>(body.data()),
                                        static_cast<int>(body.size())),
                         String("text/plain"), String("utf8"));
    EXPECT_TRUE(PumpUntil([&] { return target->calls > 0; }, 60, 20)) << "it never ended";
    EXPECT_EQ(target->calls, 1);
    return testing::internal::GetCapturedStdout();
}

// The request line (fragment dropped), the Host line, a body with its type and byte length; a
// head that fills the send buffer exactly, and one byte more, which is not sent at all. The
// reply comes over several receives, one as Python's http.server sends a file: the head, then
// many receives' worth of one-, two- and three-byte characters.
TEST_F(HttpTest, SendsTheRequestExactlyAndReadsTheWholeReply) {
    const std::string ok = "HTTP/1.0 200 OK\r\n";
    std::string file;
    for (int i = 0; i < 4000; ++i) file += std::to_string(i) + " caf\xC3\xA9 \xE2\x82\xAC\n";
    const struct {
        std::string path, body;
        int over;          // -1, or bytes the head has beyond the send buffer
        const char *rest;  // after the Host line
        std::string text;
        std::vector<Step> script;
    } cases[] = {
        {"/housecall.php?hello=1&gameID=7#top",
         "",
         -1,
         "\r\n\r\n",
         "abcdef",
         {Reply(ok + "Content-Length: 3\r\n\r\nabc"), kPause, Reply("def")}},
        {"/scores",
         "h\xC3\xA9llo",
         -1,
         "\r\nContent-Type: text/plain\r\nContent-Length: 6\r\n\r\nh\xC3\xA9llo",
         file,
         {Reply(ok + "Server: SimpleHTTP/0.6 Python/3.11.2\r\nContent-Length: " +
                std::to_string(file.size()) + "\r\n\r\n"),
          kPause, Reply(file)}},
        {"/", "", 0, "\r\n\r\n", "", {Reply(ok + "\r\n")}},
        {"/", "", 1, "", "", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path + std::to_string(c.over));
        LoopbackServer server(c.script);
        std::string host = " HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.Port());
        std::string path =
            c.over < 0 ? c.path
                       : "/" + std::string(
                                   c_HttpRequest::SEND_BUFFER_SIZE + c.over - 9 - host.size(), 'p');
        Recorder *target = NewRecorder();
        Exchange(server.Url(path), target, c.body);
        EXPECT_EQ(target->status, c.over > 0 ? -1 : 200);
        EXPECT_TRUE(target->text.ToUtf8() == c.text);
        server.Join();
        const std::string method = c.body.empty() ? "GET " : "POST ";
        EXPECT_EQ(server.Request(),
                  c.over > 0 ? "" : method + path.substr(0, path.find('#')) + host + c.rest);
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
    };
    int saved = kt_socket_SetTimeoutMs(300);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        std::optional<LoopbackServer> server;
        if (c.url.empty()) server.emplace(c.script);
        Recorder *target = NewRecorder();
        EXPECT_THAT(Exchange(c.url.empty() ? server->Url("/") : c.url, target),
                    testing::HasSubstr(c.line));
        EXPECT_EQ(std::make_pair(target->status, target->text.Length()), std::make_pair(-1, 0));
    }
    kt_socket_SetTimeoutMs(saved);
    pollfd waiting{idle, POLLIN, 0};
    EXPECT_EQ(::poll(&waiting, 1, 0), 0) << "the truncated port was connected to";
    for (int fd : queued) ::close(fd);
    ::close(idle), ::close(full);
}

}  // namespace
