// Any address: each part from its side of its separator, and a request head of two lines.

#include "fuzz/fuzz_support.h"
#include "net/http.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const String text(reinterpret_cast<const char *>(data), static_cast<int>(size));
    auto has = [](const String &part, const char *what) { return part.Contains(String(what)); };
    auto *url = (new c_Url)->m_new(String("http"), 80);
    url->p_Set2(text);
    check(url->m_path.StartsWith(String("/")));
    check(!has(url->m_path, "?") && !has(url->m_path, "#") && !has(url->m_query, "#"));
    check(!has(url->m_domain, "/") && !has(url->m_domain, "@") && !has(url->m_domain, ":"));
    check(!has(url->m_username, ":") && !has(url->m_scheme, "/"));
    auto *request = (new c_HttpRequest)->m_new();
    request->p_Open(String("GET"), text, nullptr);
    check(request->m_headerLines->p_Length() == 2 && !has(request->m_headerLines->p_Get(0), "#"));
    gc_collect_step(nullptr);
    return 0;
}
