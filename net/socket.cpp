// Sockets, addresses, byte buffers and threads over POSIX.

#include "net/socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "runtime/debug.h"

// ---------------------------------------------------------------------------------------------
// Functions

namespace {

std::atomic<int> timeout_ms{KT_SOCKET_TIMEOUT_MS};

// Notes on `socket` that a call failed with `error` because its wait ran out (EINPROGRESS is a
// connect's way of saying so).
void note_timeout(KtSocket *socket, int error) {
    if (error == EAGAIN || error == EWOULDBLOCK || error == EINPROGRESS) {
        socket->m_timedOut.store(true, std::memory_order_relaxed);
    }
}

// Runs a socket call again when a signal interrupted it before any byte moved.
template <class F>
int retry(KtSocket *socket, F call) {
    for (;;) {
        auto n = call();
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) note_timeout(socket, errno);
        return static_cast<int>(n);
    }
}

// A dotted address, or the first IPv4 address found for the name (which may block); false when
// the name does not resolve. An empty host never resolves.
bool resolve(const std::string &host, int port, sockaddr_in &addr) {
    addr = sockaddr_in{};
    addr.sin_family = AF_INET;
    if (port < 0 || port > 65535) return false;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (host.empty()) return false;
    if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) == 1) return true;
    addrinfo hints{}, *found = nullptr;
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
    addr.sin_addr = reinterpret_cast<sockaddr_in *>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

}  // namespace

int kt_socket_SetTimeoutMs(int millis) {
    return timeout_ms.exchange(millis);
}

// ---------------------------------------------------------------------------------------------
// Byte buffers

KtDataBuffer::~KtDataBuffer() {
    std::free(m_data);
}

bool KtDataBuffer::_New(int length) {
    Discard();
    if (length < 0) return false;
    // calloc(0) may return null, which is not a failure: keep one spare byte.
    m_data = static_cast<unsigned char *>(std::calloc(static_cast<std::size_t>(length) + 1, 1));
    if (!m_data) return false;
    m_length = length;
    gc_ext_malloced(length);
    return true;
}

void KtDataBuffer::Discard() {
    std::free(m_data);
    m_data = nullptr;
    m_length = 0;
}

int KtDataBuffer::ClampRange(int offset, int count) const {
    if (offset < 0 || offset > m_length || count <= 0) return 0;
    return count < m_length - offset ? count : m_length - offset;
}

// ---------------------------------------------------------------------------------------------
// Addresses

bool KtSocketAddress::Set(const std::string &host, int port) {
    sockaddr_in addr;
    if (!resolve(host, port, addr)) return false;
    m_addr = addr;
    return true;
}

String KtSocketAddress::Host() const {
    char text[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &m_addr.sin_addr, text, sizeof text);
    return String(text);
}

int KtSocketAddress::Port() const {
    return ntohs(m_addr.sin_port);
}

// ---------------------------------------------------------------------------------------------
// Sockets

KtSocket::~KtSocket() {
    Close();
}

bool KtSocket::Open(int protocol) {
    Close();
    int fd = -1;
    if (protocol == Stream || protocol == Server) {
        fd = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        int on = 1;
        if (fd >= 0) setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        if (fd >= 0 && protocol == Server) setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        // A server's accept waits for as long as it must; a stream's calls wait for one peer.
        if (fd >= 0 && protocol == Stream) {
            int ms = timeout_ms.load();
            timeval wait{ms / 1000, (ms % 1000) * 1000};
            setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
            setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
        }
    } else if (protocol == Datagram) {
        fd = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    }
    m_sock.store(fd);
    return fd >= 0;
}

void KtSocket::Close() {
    int fd = m_sock.exchange(-1);
    if (fd >= 0) ::close(fd);
}

void KtSocket::Shutdown() {
    int fd = m_sock.load();
    if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
}

// An empty host binds to every local address.
bool KtSocket::Bind(const std::string &host, int port) {
    sockaddr_in addr;
    if (!resolve(host, port, addr)) {
        if (!host.empty()) return false;
        addr.sin_addr.s_addr = htonl(INADDR_ANY);
    }
    return ::bind(m_sock.load(), reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
}

bool KtSocket::Listen(int backlog) {
    return ::listen(m_sock.load(), backlog) == 0;
}

KtSocket *KtSocket::Accept() {
    int fd = retry(this, [&] { return ::accept(m_sock.load(), nullptr, nullptr); });
    if (fd < 0) return nullptr;
    auto *accepted = new KtSocket;
    accepted->m_sock.store(fd);
    return accepted;
}

bool KtSocket::Connect(const std::string &host, int port) {
    sockaddr_in addr;
    if (port < 1 || !resolve(host, port, addr)) return false;
    // Not retried on EINTR: the attempt goes on in the kernel and a second call would fail.
    if (::connect(m_sock.load(), reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0)
        return true;
    note_timeout(this, errno);
    return false;
}

int KtSocket::Send(KtDataBuffer *data, int offset, int count) {
    count = data->ClampRange(offset, count);
    int fd = m_sock.load();
    // MSG_NOSIGNAL: a peer that has gone must fail the call, not end the process with SIGPIPE.
    return retry(this, [&] { return ::send(fd, data->m_data + offset, count, MSG_NOSIGNAL); });
}

int KtSocket::Receive(KtDataBuffer *data, int offset, int count) {
    count = data->ClampRange(offset, count);
    int fd = m_sock.load();
    return retry(this, [&] { return ::recv(fd, data->m_data + offset, count, 0); });
}

int KtSocket::SendTo(KtDataBuffer *data, int offset, int count, KtSocketAddress *address) {
    count = data->ClampRange(offset, count);
    int fd = m_sock.load();
    return retry(this, [&] {
        return ::sendto(fd, data->m_data + offset, count, MSG_NOSIGNAL,
                        reinterpret_cast<sockaddr *>(&address->m_addr), sizeof address->m_addr);
    });
}

int KtSocket::ReceiveFrom(KtDataBuffer *data, int offset, int count, KtSocketAddress *address) {
    count = data->ClampRange(offset, count);
    int fd = m_sock.load();
    socklen_t size = sizeof address->m_addr;
    return retry(this, [&] {
        return ::recvfrom(fd, data->m_data + offset, count, 0,
                          reinterpret_cast<sockaddr *>(&address->m_addr), &size);
    });
}

bool KtSocket::GetLocalAddress(KtSocketAddress *address) {
    socklen_t size = sizeof address->m_addr;
    return getsockname(m_sock.load(), reinterpret_cast<sockaddr *>(&address->m_addr), &size) == 0;
}

bool KtSocket::GetRemoteAddress(KtSocketAddress *address) {
    socklen_t size = sizeof address->m_addr;
    return getpeername(m_sock.load(), reinterpret_cast<sockaddr *>(&address->m_addr), &size) == 0;
}

// ---------------------------------------------------------------------------------------------
// Threads

KtThread::~KtThread() {
    Join();
}

void KtThread::Start() {
    if (IsRunning()) return;
    // The previous body has returned (state 2), so this waits only for its thread to exit.
    Join();
    m_result.store(nullptr);
    m_state.store(1, std::memory_order_release);
    if (pthread_create(&m_thread, nullptr, &KtThread::Main, this) != 0) {
        ktPrint(String("CreateThread failed!"));
        std::exit(-1);
    }
    m_joinable = true;
}

void KtThread::Join() {
    if (m_joinable) pthread_join(m_thread, nullptr);
    m_joinable = false;
}

void *KtThread::Main(void *self) {
    auto *thread = static_cast<KtThread *>(self);
    thread->Run__UNSAFE__();
    thread->m_state.store(2, std::memory_order_release);
    return nullptr;
}

void KtThread::mark() {
    gc_mark(m_result.load(std::memory_order_acquire));
    Object::mark();
}
