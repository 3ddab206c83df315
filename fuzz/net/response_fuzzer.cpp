// Response bytes fed to a request in receives of varying size: it ends exactly once, has text
// only after a whole head and no more units than body bytes, and keeps at most the head-line cap.

#include <algorithm>

#include "fuzz/fuzz_support.h"
#include "net/http.h"

namespace {

struct Counter : Object, virtual c_IOnHttpRequestComplete {
    int calls = 0;
    void p_OnHttpRequestComplete(c_HttpRequest *) override { ++calls; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte chooses the receive sizes and how the connection ends.
    unsigned seed = *data++, end = seed & 1;
    --size;
    auto *counter = new Counter;
    auto *request = (new c_HttpRequest)->m_new();
    request->p_Open(String("GET"), String("http://vale.example/"), counter);
    request->m_headerLines->p_Clear();
    c_DataBuffer *buffer = request->m_receiveBuffer;
    int at = 0;
    for (std::size_t used = 0; used < size && at >= 0;) {
        seed = seed * 1103515245u + 12345u;
        const std::size_t piece = std::min({std::size_t(1 + (seed >> 16) % 97), size - used,
                                            std::size_t(buffer->p_Length() - at)});
        std::copy(data + used, data + used + piece, buffer->m_data + at);
        used += piece;
        at = request->ReadResponse(at, static_cast<int>(piece));
    }
    if (at >= 0) request->p_OnReceiveComplete(buffer, at, end ? -1 : 0, nullptr);
    check(counter->calls == 1);
    const int text = request->p_ResponseText().Length();
    check((request->m_bodyPieces || text == 0) && text <= request->m_bytesReceived);
    check(request->m_headerLines->p_Length() <= c_HttpRequest::HEADER_MAX_LINES);
    gc_collect_step(nullptr);
    return 0;
}
