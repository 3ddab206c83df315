// Networking test support: a scripted loopback HTTP server, a recorder, the game's pump loop.
#pragma once

#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "net/http.h"
#include "tests/support/runtime_error.h"

namespace net_test {

// A reply step: bytes; a pause (next write in its own receive); a reset; or silence (<= 20 s).
using Step = std::string;
const Step kPause = "\1pause", kReset = "\1reset", kHold = "\1hold";

// A socket on a free port of 127.0.0.1, listening unless `backlog` < 0; `port` 0 on failure.
inline int Listen(int backlog, int *port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t size = sizeof addr;
    bool ok = ::bind(fd, reinterpret_cast<sockaddr *>(&addr), size) == 0 &&
              (backlog < 0 || ::listen(fd, backlog) == 0) &&
              getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &size) == 0;
    *port = ok ? ntohs(addr.sin_port) : 0;
    if (!ok) ADD_FAILURE() << "cannot listen on the loopback interface";
    return fd;
}

// Accepts one connection, reads the request, plays the script, closes; every wait times out.
class LoopbackServer {
public:
    explicit LoopbackServer(std::vector<Step> script) : script_(std::move(script)) {
        listener_ = Listen(1, &port_);
        if (port_) thread_ = std::thread([this] { Serve(); });
    }
    ~LoopbackServer() { Join(), ::close(listener_); }
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
    static bool Readable(int fd) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 20000) == 1;
    }
    void Serve() {
        int fd = Readable(listener_) ? ::accept(listener_, nullptr, nullptr) : -1;
        if (fd < 0) return;
        char buf[4096];
        for (std::size_t want = -1; request_.size() < want && Readable(fd);) {
            ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0) break;
            request_.append(buf, static_cast<std::size_t>(n));
            std::size_t head = request_.find("\r\n\r\n"), at = request_.find("Content-Length: ");
            if (head != std::string::npos)
                want = head + 4 + (at < head ? std::stoul(request_.substr(at + 16)) : 0);
        }
        for (const Step &step : script_) {
            if (step == kPause) std::this_thread::sleep_for(std::chrono::milliseconds(30));
            while (step == kHold && Readable(fd) && ::recv(fd, buf, 1, 0) > 0) continue;
            linger hard{1, 0};
            if (step == kReset) setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            if (step[0] != '\1') (void)::send(fd, step.data(), step.size(), MSG_NOSIGNAL);
        }
        ::close(fd);
    }

    std::vector<Step> script_;
    int listener_ = -1, port_ = 0;
    std::string request_;
    std::thread thread_;
};

// The game's side of a request, rooted as the game's application is: what the last one saw.
struct Recorder : Object, virtual c_IOnHttpRequestComplete {
    int calls = 0, status = 0;
    String text;
    void p_OnHttpRequestComplete(c_HttpRequest *request) override {
        ++calls;
        status = request->p_Status();
        text = request->p_ResponseText();
    }
};

inline Recorder *g_recorder;
inline gc_roots recorder_root([] { gc_mark(g_recorder); });
inline Recorder *NewRecorder() {
    gc_assign(g_recorder, new Recorder);
    return g_recorder;
}

// The game's loop until `done` holds, then `extra` more rounds; false past the deadline.
inline bool PumpUntil(const std::function<bool()> &done, int seconds = 60, int extra = 0) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (int after = 0; !done() || after++ < extra;) {
        if (!done() && std::chrono::steady_clock::now() > deadline) return false;
        kt_asyncevent_UpdateAsyncEvents();
        gc_collect_step(nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The collector in torture mode: what a worker needs but nothing holds is a use-after-free.
class NetTest : public ::testing::Test {
protected:
    void SetUp() override { gc_set_torture(true); }
    void TearDown() override { gc_set_torture(false); }
};

}  // namespace net_test
