// The parsers of outside data without a socket: addresses, the request head built from them, and
// response bytes fed to a request in chunks exactly as the receives would deliver them.

#include <string>
#include <vector>

#include "net/http.h"
#include "tests/net/net_support.h"

namespace {

using namespace net_test;

std::string Narrow(const String &s) {
    return s.ToNarrow();
}

struct UrlCase {
    const char *url;
    const char *scheme, *user, *password, *domain;
    int port;
    const char *path, *query, *fragment;
};

TEST(Url, SplitsEveryPartAndKeepsDefaultsForMissingOnes) {
    const UrlCase cases[] = {
        {"http://example.com", "http", "", "", "example.com", 80, "/", "", ""},
        {"https://user:pw@example.com:8080/a/b?x=1&y=2#frag", "https", "user", "pw", "example.com",
         8080, "/a/b", "x=1&y=2", "frag"},
        {"example.com/path/", "http", "", "", "example.com", 80, "/path/", "", ""},
        {"http://host?q=1", "http", "", "", "host", 80, "/", "q=1", ""},
        {"http://host/p#f?not-a-query", "http", "", "", "host", 80, "/p", "", "f?not-a-query"},
        {"http://host/mail@x:9/y", "http", "", "", "host", 80, "/mail@x:9/y", "", ""},
        {"http://u@host", "http", "u", "", "host", 80, "/", "", ""},
        {"ftp://a:b@c@host:81/", "ftp", "a", "b@c", "host", 81, "/", "", ""},
        {"host/go/http://x", "http", "", "", "host", 80, "/go/http://x", "", ""},
        {"http://host:/x", "http", "", "", "host", 80, "/x", "", ""},
        {"http://host:12ab/", "http", "", "", "host", 12, "/", "", ""},
        {"http://host/a?b#", "http", "", "", "host", 80, "/a", "b", ""},
        {"", "http", "", "", "", 80, "/", "", ""},
    };
    auto *url = (new c_Url)->m_new(String("http"), 80);
    // One object for the whole table: every parse must start from the defaults again.
    for (const UrlCase &c : cases) {
        SCOPED_TRACE(c.url);
        url->p_Set2(String(c.url));
        EXPECT_EQ(Narrow(url->m_url), c.url);
        EXPECT_EQ(Narrow(url->m_scheme), c.scheme);
        EXPECT_EQ(Narrow(url->m_username), c.user);
        EXPECT_EQ(Narrow(url->m_password), c.password);
        EXPECT_EQ(Narrow(url->m_domain), c.domain);
        EXPECT_EQ(url->m_port, c.port);
        EXPECT_EQ(Narrow(url->m_path), c.path);
        EXPECT_EQ(Narrow(url->m_query), c.query);
        EXPECT_EQ(Narrow(url->m_fragment), c.fragment);
    }
}

TEST(HttpRequestHead, RequestLineHasPathAndQueryAndHostHasAPortOtherThan80) {
    const struct {
        const char *url, *request_line, *host_line;
    } cases[] = {
        {"http://vale.example/housecall.php?hello=1&gameID=7",
         "GET /housecall.php?hello=1&gameID=7 "
         "HTTP/1.0",
         "Host: vale.example"},
        {"http://vale.example:8080/a#frag", "GET /a HTTP/1.0", "Host: vale.example:8080"},
        {"vale.example", "GET / HTTP/1.0", "Host: vale.example"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.url);
        auto *request = (new c_HttpRequest)->m_new();
        request->p_Open(String("GET"), String(c.url), nullptr);
        ASSERT_EQ(request->m_headerLines->p_Length(), 2);
        EXPECT_EQ(Narrow(request->m_headerLines->p_Get(0)), c.request_line);
        EXPECT_EQ(Narrow(request->m_headerLines->p_Get(1)), c.host_line);
        EXPECT_EQ(request->p_Status(), -1);
    }
}

struct FeedCase {
    const char *name;
    std::vector<std::string> chunks;
    int end_count;  // what the last receive reports: 0 closed, -1 failed
    int status;
    std::u16string text;
    int body_bytes;
};

// Feeds the chunks as consecutive receives, each landing where the request asked for it, then
// ends the connection unless the request ended itself.
void Feed(Recorder *target, const FeedCase &c) {
    auto *request = (new c_HttpRequest)->m_new();
    request->p_Open(String("GET"), String("http://vale.example/"), target);
    request->m_headerLines->p_Clear();  // as sending the head does
    c_DataBuffer *buffer = request->m_receiveBuffer;
    int at = 0;
    for (const std::string &chunk : c.chunks) {
        int n = static_cast<int>(chunk.size());
        ASSERT_LE(at + n, buffer->p_Length()) << "the chunk does not fit the receive window";
        std::copy(chunk.begin(), chunk.end(), buffer->m_data + at);
        at = request->ReadResponse(at, n);
        if (at < 0) break;
    }
    if (at >= 0) request->p_OnReceiveComplete(buffer, at, c.end_count, nullptr);
    EXPECT_EQ(request->m_bytesReceived, c.body_bytes);
}

TEST(HttpResponse, EndsOnceWithStatusAndTextForEveryWayTheBytesArrive) {
    const FeedCase cases[] = {
        {"bare line feeds, lower case",
         {"http/1.1 404 not found\n\nmissing"},
         0,
         404,
         u"missing",
         7},
        {"head cut inside lines",
         {"HTTP/1.0 2", "00 OK\r\nA: b\r", "\n", "\r\nbo", "dy"},
         0,
         200,
         u"body",
         4},
        {"UTF-8 sequences cut between receives",
         {"HTTP/1.0 200 OK\r\n\r\nx\xE2", "\x82", "\xAC\xC3", "\xA9y"},
         0,
         200,
         u"x\u20AC\u00E9y",
         7},
        // A reset may cut the body anywhere, so what came is not the reply.
        {"failed receive after a body", {"HTTP/1.0 200 OK\r\n\r\nab", "cd"}, -1, -1, u"", 4},
        {"status is the second word", {"HTTP/1.0 abc OK\r\n\r\n"}, 0, 0, u"", 0},
        {"one-word status line", {"HTTP/1.0\r\n\r\nbody"}, 0, -1, u"", 0},
        {"blank line first", {"\r\nHTTP/1.0 200 OK\r\n\r\n"}, 0, -1, u"", 0},
        {"a line that fills the buffer over two receives",
         {std::string(0x3000, 'a'), std::string(0x1000, 'a')},
         0,
         -1,
         u"",
         0},
        {"invalid UTF-8 ends the text", {"HTTP/1.0 200 OK\r\n\r\nok\xFFno"}, 0, 200, u"ok", 5},
    };
    for (const FeedCase &c : cases) {
        SCOPED_TRACE(c.name);
        Recorder *target = NewRecorder();
        Feed(target, c);
        EXPECT_EQ(target->calls, 1);
        EXPECT_EQ(target->status, c.status);
        EXPECT_EQ(U16(target->text), c.text);
    }
}

}  // namespace
