// Test support for the networking tests: a scripted loopback HTTP server on its own thread, a
// completion recorder and the pump loop the game runs (event pump, then one collector step).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "net/async.h"
#include "net/http.h"
#include "runtime/gc.h"
#include "tests/support/runtime_error.h"

namespace net_test {

// One step of a server's reply: write bytes, pause so that the next write most likely arrives
// in a receive of its own, reset the connection, write without end, or say nothing more until
// the client closes. The last two end when the client has gone (or after 20 s).
struct Step {
    enum Kind { Write, Pause, Reset, Flood, Hold } kind;
    std::string bytes;
};
inline Step Reply(std::string bytes) {
    return {Step::Write, std::move(bytes)};
}
inline Step Pause() {
    return {Step::Pause, {}};
}
inline Step Reset() {
    return {Step::Reset, {}};
}
inline Step Flood() {
    return {Step::Flood, {}};
}
inline Step Hold() {
    return {Step::Hold, {}};
}

// Accepts one connection on 127.0.0.1 (an ephemeral port), reads the request head and any body
// its Content-Length announces, plays the script and closes. Never blocks for long: every wait
// has a timeout, so a client fault shows up as a failed test, not a hung one.
class LoopbackServer {
public:
    explicit LoopbackServer(std::vector<Step> script) : script_(std::move(script)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof addr;
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr *>(&addr), size) != 0 ||
            ::listen(listener_, 1) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr *>(&addr), &size) != 0) {
            ADD_FAILURE() << "cannot listen on the loopback interface";
            return;
        }
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~LoopbackServer() {
        Join();
        if (listener_ >= 0) ::close(listener_);
    }

    int Port() const { return port_; }
    std::string Url(const std::string &path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    // The bytes the client sent; valid after Join.
    const std::string &Request() const { return request_; }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }

private:
    std::vector<Step> script_;
    int listener_ = -1;
    int port_ = 0;
    std::string request_;
    std::thread thread_;

    static bool Readable(int fd) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 20000) == 1;
    }

    // The head up to the blank line, then as many body bytes as Content-Length says.
    void ReadRequest(int fd) {
        char buf[4096];
        std::size_t want = std::string::npos;
        while (request_.size() < want && Readable(fd)) {
            ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0) return;
            request_.append(buf, static_cast<std::size_t>(n));
            std::size_t head_end = request_.find("\r\n\r\n");
            if (head_end == std::string::npos) continue;
            std::size_t length = 0, at = request_.find("Content-Length: ");
            if (at != std::string::npos && at < head_end) {
                length = std::stoul(request_.substr(at + 16));
            }
            want = head_end + 4 + length;
        }
    }

    // Writes until the client stops taking bytes; at most 1 GiB, so a client that never stops
    // fails its test rather than hanging it.
    static void Flood(int fd) {
        const std::string chunk(1 << 16, 'z');
        pollfd p{fd, POLLOUT, 0};
        for (int i = 0; i < (1 << 14) && ::poll(&p, 1, 20000) == 1; ++i) {
            if (::send(fd, chunk.data(), chunk.size(), MSG_NOSIGNAL) <= 0) return;
        }
    }

    void Serve() {
        if (!Readable(listener_)) return;
        int fd = ::accept(listener_, nullptr, nullptr);
        if (fd < 0) return;
        ReadRequest(fd);
        for (const Step &step : script_) {
            if (step.kind == Step::Write) {
                (void)::send(fd, step.bytes.data(), step.bytes.size(), MSG_NOSIGNAL);
            } else if (step.kind == Step::Pause) {
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
            } else if (step.kind == Step::Flood) {
                Flood(fd);
            } else if (step.kind == Step::Hold) {
                char byte;
                while (Readable(fd) && ::recv(fd, &byte, 1, 0) > 0) {
                }
            } else {
                linger hard{1, 0};
                setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            }
        }
        ::close(fd);
    }
};

inline std::u16string U16(const String &text) {
    return std::u16string(reinterpret_cast<const char16_t *>(text.Data()), text.Length());
}

// The game's side of a request: counts completions and copies what each one saw.
struct Recorder : Object, virtual c_IOnHttpRequestComplete {
    int calls = 0;
    int status = 0;
    String text;
    void p_OnHttpRequestComplete(c_HttpRequest *request) override {
        ++calls;
        status = request->p_Status();
        text = request->p_ResponseText();
    }
};

// The one recorder in use; a root, as the game's application is.
inline Recorder *g_recorder;
inline gc_roots recorder_root([] { gc_mark(g_recorder); });

inline Recorder *NewRecorder() {
    gc_assign(g_recorder, new Recorder);
    return g_recorder;
}

// Runs the game's loop until `done` holds: the event pump, then a collector step, as the host
// does after each call into the game. False when the deadline (generous by default) passes first.
inline bool PumpUntil(const std::function<bool()> &done, int seconds = 60) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        kt_asyncevent_UpdateAsyncEvents();
        gc_collect_step(nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A few more pumps, so that a second completion would have its chance to show.
inline void PumpMore() {
    for (int i = 0; i < 20; ++i) {
        kt_asyncevent_UpdateAsyncEvents();
        gc_collect_step(nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Every networking test runs with the collector in torture mode, so that an object a worker
// still needs, or a store without the barrier, turns into a use-after-free the sanitizer sees.
class NetTest : public ::testing::Test {
protected:
    void SetUp() override { gc_set_torture(true); }
    void TearDown() override { gc_set_torture(false); }
};

}  // namespace net_test
