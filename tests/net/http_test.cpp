// HTTP requests against a scripted loopback server, pumped as the game pumps them. The request
// itself is held by nothing but its own operations in flight, and the collector ends a cycle at
// every step, so a request or buffer that is not kept alive while a worker uses it fails here.

#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "net/http.h"
#include "tests/net/net_support.h"

namespace {

using namespace net_test;

// Opens and sends a request the way the check-in does; `body` non-empty sends it with p_Send2.
void Send(const std::string &url, Recorder *target, const char *method = "GET",
          const std::string &body = "") {
    auto *request = (new c_HttpRequest)->m_new();
    request->p_Open(String(method), String(url.c_str()), target);
    if (body.empty()) {
        request->p_Send();
    } else {
        String text = String::Decode(reinterpret_cast<const unsigned char *>(body.data()),
                                     static_cast<int>(body.size()));
        request->p_Send2(text, String("text/plain"), String("utf8"));
    }
}

// Pumps until the request ends, then a little more; it must have ended exactly once.
void ExpectEnd(Recorder *target, int status, const std::u16string &text) {
    ASSERT_TRUE(PumpUntil([&] { return target->calls > 0; })) << "the request never ended";
    PumpMore();
    EXPECT_EQ(target->calls, 1);
    EXPECT_EQ(target->status, status);
    EXPECT_EQ(U16(target->text), text);
}

using HttpTest = NetTest;

TEST_F(HttpTest, SendsTheRequestLineHostAndBlankLineExactly) {
    LoopbackServer server({Reply("HTTP/1.0 200 OK\r\n\r\nthanks")});
    Recorder *target = NewRecorder();
    Send(server.Url("/housecall.php?hello=1&gameID=7#top"), target);
    ExpectEnd(target, 200, u"thanks");
    server.Join();
    EXPECT_EQ(server.Request(), "GET /housecall.php?hello=1&gameID=7 HTTP/1.0\r\nHost: 127.0.0.1:" +
                                    std::to_string(server.Port()) + "\r\n\r\n");
}

TEST_F(HttpTest, SendsABodyAfterTheHeaderWithItsTypeAndByteLength) {
    LoopbackServer server({Reply("HTTP/1.0 201 Created\r\n\r\n")});
    Recorder *target = NewRecorder();
    Send(server.Url("/scores"), target, "POST", "h\xC3\xA9llo");
    ExpectEnd(target, 201, u"");
    server.Join();
    EXPECT_EQ(server.Request(),
              "POST /scores HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) +
                  "\r\nContent-Type: text/plain\r\nContent-Length: "
                  "6\r\n\r\nh\xC3\xA9llo");
}

struct ReplyCase {
    const char *name;
    std::vector<Step> script;
    int status;
    std::u16string text;
};

TEST_F(HttpTest, EndsOnceWithTheStatusAndTextOfEachReply) {
    const std::string long_line(20000, 'x');
    const ReplyCase cases[] = {
        {"lower-case status line",
         {Reply("http/1.1 200 OK\r\nServer: t\r\n\r\nhello")},
         200,
         u"hello"},
        {"head and body in many small writes",
         {Reply("HTTP/1.0 2"), Pause(), Reply("00 OK\r"), Pause(), Reply("\nA: b\r\n"), Pause(),
          Reply("\r\npar"), Pause(), Reply("ts "), Pause(), Reply("join"), Pause(), Reply("ed")},
         200,
         u"parts joined"},
        {"Content-Length that the server outlives",
         {Reply("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabc"), Pause(), Reply("def")},
         200,
         u"abcdef"},
        {"UTF-8 character split across two writes",
         {Reply("HTTP/1.0 200 OK\r\n\r\nx\xE2\x82"), Pause(), Reply("\xAC\xC3"), Pause(),
          Reply("\xA9y")},
         200,
         u"x\u20AC\u00E9y"},
        {"closed before the blank line", {Reply("HTTP/1.0 200 OK\r\nServer: t\r\n")}, -1, u""},
        {"closed without a byte", {}, -1, u""},
        {"status line and no header fields", {Reply("HTTP/1.0 204 No Content\r\n\r\n")}, 204, u""},
        {"not an HTTP reply", {Reply("hello there\r\n\r\nbody")}, -1, u""},
        {"empty reason phrase", {Reply("HTTP/1.0 200 \r\n\r\nok")}, 200, u"ok"},
        {"connection reset (a failed receive)", {Reset()}, -1, u""},
        {"header line longer than the receive buffer", {Reply(long_line)}, -1, u""},
    };
    for (const ReplyCase &c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server(c.script);
        Recorder *target = NewRecorder();
        Send(server.Url("/"), target);
        ExpectEnd(target, c.status, c.text);
    }
}

struct HostileCase {
    const char *name;
    std::vector<Step> script;
    const char *line;  // what the line on standard output must say
};

// Each peer ends the request once, without status or text and with a line saying why, long
// before the real timeout: the socket timeout is shortened and the caps are reached fast.
TEST_F(HttpTest, HostilePeersEndOnceWithNoStatusAndALine) {
    std::string short_lines, long_lines;
    for (int i = 0; i < 20000; ++i) short_lines += "a: b\r\n";
    for (int i = 0; i < 80; ++i) long_lines += "a: " + std::string(1000, 'b') + "\r\n";
    const HostileCase cases[] = {
        {"silent peer", {Hold()}, "silent past the timeout"},
        {"endless body", {Reply("HTTP/1.0 200 OK\r\n\r\n"), Flood()}, "body is longer"},
        {"many short header lines", {Reply("HTTP/1.0 200 OK\r\n" + short_lines)}, "head is longer"},
        {"header of long lines", {Reply("HTTP/1.0 200 OK\r\n" + long_lines)}, "head is longer"},
        {"Content-Length that the body never reaches",
         {Reply("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nten bytes."), Hold()},
         "silent past the timeout"},
        {"reset mid-body",
         {Reply("HTTP/1.0 200 OK\r\n\r\npartial"), Pause(), Reset()},
         "connection failed"},
    };
    int saved = kt_socket_SetTimeoutMs(300);
    for (const HostileCase &c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server(c.script);
        Recorder *target = NewRecorder();
        testing::internal::CaptureStdout();
        Send(server.Url("/"), target);
        ExpectEnd(target, -1, u"");
        EXPECT_THAT(testing::internal::GetCapturedStdout(), testing::HasSubstr(c.line));
    }
    kt_socket_SetTimeoutMs(saved);
}

// A loopback listener that never accepts; its port.
int ListenWithoutAccepting(int fd, int backlog) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), size) != 0 || ::listen(fd, backlog) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &size) != 0) {
        ADD_FAILURE() << "cannot listen on the loopback interface";
    }
    return ntohs(addr.sin_port);
}

TEST_F(HttpTest, PortOutsideItsRangeIsAnInvalidUrl) {
    // The port 65536 higher would reach the listener if it were cut to 16 bits, and the
    // connection would wait in its backlog.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int port = ListenWithoutAccepting(fd, 1);
    Recorder *target = NewRecorder();
    testing::internal::CaptureStdout();
    Send("http://127.0.0.1:" + std::to_string(port + 65536) + "/", target);
    ExpectEnd(target, -1, u"");
    EXPECT_THAT(testing::internal::GetCapturedStdout(), testing::HasSubstr("invalid URL"));
    pollfd waiting{fd, POLLIN, 0};
    EXPECT_EQ(::poll(&waiting, 1, 0), 0) << "the truncated port was connected to";
    ::close(fd);
}

TEST_F(HttpTest, ConnectToAFullBacklogEndsAtTheTimeout) {
    // Once the backlog is full the listener drops further connection attempts unanswered.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int port = ListenWithoutAccepting(fd, 0);
    std::vector<int> queued;
    for (int i = 0; i < 3; ++i) {
        queued.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        sockaddr_in addr{AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
        (void)::connect(queued.back(), reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    }
    int saved = kt_socket_SetTimeoutMs(300);
    Recorder *target = NewRecorder();
    testing::internal::CaptureStdout();
    Send("http://127.0.0.1:" + std::to_string(port) + "/", target);
    ExpectEnd(target, -1, u"");
    EXPECT_THAT(testing::internal::GetCapturedStdout(), testing::HasSubstr("within the timeout"));
    kt_socket_SetTimeoutMs(saved);
    for (int q : queued) ::close(q);
    ::close(fd);
}

// Python's own HTTP server (Debian's python3) serving one directory on an ephemeral port of
// 127.0.0.1: a peer written by somebody else.
class PythonServer {
public:
    explicit PythonServer(const std::string &dir) {
        int out[2];
        if (::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            std::freopen("/dev/null", "w", stderr);
            ::execl("/usr/bin/python3", "python3", "-u", "-m", "http.server", "0", "--bind",
                    "127.0.0.1", "--directory", dir.c_str(), nullptr);
            std::_Exit(127);
        }
        ::close(out[1]);
        // "Serving HTTP on 127.0.0.1 port N (...)" once it listens.
        std::string said;
        char buf[256];
        pollfd p{out[0], POLLIN, 0};
        while (said.find(" (") == std::string::npos && ::poll(&p, 1, 10000) == 1) {
            ssize_t n = ::read(out[0], buf, sizeof buf);
            if (n <= 0) break;
            said.append(buf, static_cast<std::size_t>(n));
        }
        ::close(out[0]);
        std::size_t at = said.find(" port ");
        if (at != std::string::npos) port_ = std::atoi(said.c_str() + at + 6);
    }
    ~PythonServer() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    int Port() const { return port_; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

TEST_F(HttpTest, FileFromPythonsHttpServerArrivesExactly) {
    std::string dir = "/tmp/kt-http-XXXXXX";
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    // Many receives' worth of text with one-, two- and three-byte characters.
    std::string bytes;
    for (int i = 0; i < 4000; ++i)
        bytes += "line " + std::to_string(i) + " caf\xC3\xA9 \xE2\x82\xAC\n";
    std::ofstream(dir + "/board.txt", std::ios::binary) << bytes;
    {
        PythonServer server(dir);
        ASSERT_GT(server.Port(), 0) << "python3 -m http.server did not start";
        Recorder *target = NewRecorder();
        Send("http://127.0.0.1:" + std::to_string(server.Port()) + "/board.txt", target);
        ASSERT_TRUE(PumpUntil([&] { return target->calls > 0; }, 20));
        EXPECT_EQ(target->calls, 1);
        EXPECT_EQ(target->status, 200);
        EXPECT_EQ(target->text.ToUtf8(), bytes);
    }
    std::remove((dir + "/board.txt").c_str());
    ::rmdir(dir.c_str());
}

TEST_F(HttpTest, RefusedConnectionEndsWithNoStatus) {
    // A port that was just listened on and closed refuses connections.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&addr), size), 0);
    ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &size), 0);
    ::close(fd);

    Recorder *target = NewRecorder();
    Send("http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/", target);
    ExpectEnd(target, -1, u"");
}

TEST_F(HttpTest, UnresolvableNameEndsWithNoStatus) {
    Recorder *target = NewRecorder();
    Send("http://cobble-vale-checkin.invalid/housecall.php", target);
    ExpectEnd(target, -1, u"");
}

TEST_F(HttpTest, HeaderLargerThanTheSendBufferIsNotSent) {
    LoopbackServer server({Reply("HTTP/1.0 200 OK\r\n\r\nnever read")});
    Recorder *target = NewRecorder();
    Send(server.Url("/" + std::string(5000, 'p')), target);
    ExpectEnd(target, -1, u"");
    server.Join();
    EXPECT_EQ(server.Request(), "");
}

}  // namespace
