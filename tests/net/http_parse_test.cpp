// Parsers of outside data without a socket: addresses, request heads, and response bytes.

#include "tests/net/net_support.h"

namespace {

using namespace net_test;

TEST(Url, SplitsEveryPartKeepsDefaultsForMissingOnesAndMakesTheRequestHead) {
    // Parts: scheme|user|password|domain|port|path|query|fragment.
    const std::pair<const char *, const char *> cases[] = {
        {"http://example.com", "http|||example.com|80|/||"},
        {"https://user:pw@example.com:8080/a/b?x=1&y=2#frag",
         "https|user|pw|example.com|8080|/a/b|x=1&y=2|frag"},
        {"http://host/p#f?not-a-query", "http|||host|80|/p||f?not-a-query"},
        {"http://host/mail@x:9/y", "http|||host|80|/mail@x:9/y||"},
        {"http://u@host", "http|u||host|80|/||"},
        {"ftp://a:b@c@host:81/", "ftp|a|b@c|host|81|/||"},
        {"host/go/http://x", "http|||host|80|/go/http://x||"},
        {"http://host:/x", "http|||host|80|/x||"},
    };
    // One object for the whole table: every parse must start from the defaults again.
    auto *url = (new c_Url)->m_new(String("http"), 80);
    for (const auto &[text, parts] : cases) {
        url->p_Set2(String(text));
        String all = url->m_scheme;
        for (const String &part : {url->m_username, url->m_password, url->m_domain,
                                   String(url->m_port), url->m_path, url->m_query, url->m_fragment})
            all = all + String("|") + part;
        EXPECT_EQ(all.ToUtf8(), parts) << text;
        EXPECT_EQ(url->m_url.ToUtf8(), text);
    }
    // The request head: path and query, and a port only when it is not 80.
    for (auto [text, head] :
         {std::pair{"vale.example/a?b#c", "GET /a?b HTTP/1.0|Host: vale.example"},
          {"http://vale.example:8080/", "GET / HTTP/1.0|Host: vale.example:8080"}}) {
        auto *request = (new c_HttpRequest)->m_new();
        request->p_Open(String("GET"), String(text), nullptr);
        EXPECT_EQ(request->m_headerLines->p_Join(String("|")).ToUtf8(), head);
        EXPECT_EQ(request->p_Status(), -1);
    }
}

// The chunks go in as receives where the request asks for them, then the connection ends.
TEST(HttpResponse, EndsOnceWithStatusAndTextForEveryWayTheBytesArrive) {
    const std::string ok = "HTTP/1.0 200 OK\r\n\r\n";
    const int kBody = c_HttpRequest::BODY_MAX_BYTES;
    std::string short_lines, long_lines;
    for (int i = 0; i < 20000; ++i) short_lines += "a: b\r\n";
    for (int i = 0; i < 80; ++i) long_lines += "a: " + std::string(1000, 'b') + "\r\n";
    // How the connection ends, the status, the body bytes, the text, the line, the chunks.
    const std::tuple<int, int, int, const char *, const char *, std::vector<std::string>> cases[] =
        {
            {0, 404, 7, "missing", "", {"http/1.1 404 not found\n\nmissing"}},  // bare line feeds
            {0, 200, 4, "body", "", {"HTTP/1.0 2", "00 OK\r\nA: b\r", "\n", "\r\nbo", "dy"}},
            {0, 200, 7, "x\xE2\x82\xAC\xC3\xA9y", "", {ok + "x\xE2", "\x82", "\xAC\xC3", "\xA9y"}},
            {0, 200, 2, "ok", "", {"HTTP/1.0 200 \r\n\r\nok"}},  // empty reason phrase
            // A reset may cut the body anywhere, so what came is not the reply.
            {-1, -1, 4, "", "connection failed", {ok + "ab", "cd"}},
            {0, -1, 0, "", "", {"HTTP/1.0\r\n\r\nbody"}},
            {0, -1, 0, "", "", {"hello there\r\n\r\nbody"}},
            {0, -1, 0, "", "", {"\r\n" + ok}},
            {0, -1, 0, "", "", {"HTTP/1.0 200 OK\r\nServer: t\r\n"}},  // closed before the blank
                                                                       // line
            {0, -1, 0, "", "", {}},                                    // closed without a byte
            {0, -1, 0, "", "", {std::string(0x3000, 'a'), std::string(0x1000, 'a')}},  // one line
            {0, -1, 0, "", "head is longer", {"HTTP/1.0 200 OK\r\n" + short_lines}},
            {0, -1, 0, "", "head is longer", {"HTTP/1.0 200 OK\r\n" + long_lines}},
            {0, -1, kBody, "", "body is longer", {ok, std::string(kBody + 1, 'z')}},  // all but 1
            {0, 200, 5, "ok", "", {ok + "ok\xFFno"}},  // invalid UTF-8 ends the text
        };
    for (const auto &[end, status, body_bytes, text, line, chunks] : cases) {
        SCOPED_TRACE(chunks.empty() ? "" : chunks[0].substr(0, 30));
        Recorder *target = NewRecorder();
        auto *request = (new c_HttpRequest)->m_new();
        request->p_Open(String("GET"), String("http://vale.example/"), target);
        request->m_headerLines->p_Clear();  // as sending the head does
        c_DataBuffer *buffer = request->m_receiveBuffer;
        const int size = buffer->p_Length();
        testing::internal::CaptureStdout();
        int at = 0;
        for (std::size_t i = 0; i < chunks.size() && at >= 0; ++i) {
            for (std::size_t from = 0; from < chunks[i].size() && at >= 0;) {
                const std::size_t n = std::min(chunks[i].size() - from, std::size_t(size - at));
                std::copy_n(chunks[i].begin() + from, n, buffer->m_data + at);
                at = request->ReadResponse(at, static_cast<int>(n));
                from += n;
            }
        }
        if (at >= 0) request->p_OnReceiveComplete(buffer, at, end, nullptr);
        EXPECT_NE(testing::internal::GetCapturedStdout().find(line), std::string::npos);
        EXPECT_EQ(request->m_bytesReceived, body_bytes);
        EXPECT_EQ(std::make_pair(target->calls, target->status), std::make_pair(1, status));
        EXPECT_EQ(target->text.ToUtf8(), text);
    }
}

}  // namespace
