// String representations, operations, conversions and text decoding.

#include "runtime/ktstring.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/array.h"
#include "runtime/debug.h"

// ---------------------------------------------------------------------------------------------
// Globals

// The one empty representation; its count is never changed and it is never freed.
String::Rep String::nullRep = {1, 0};

// ---------------------------------------------------------------------------------------------
// Representations

namespace {

// A length computed wider than int, as the length of a new string: one that does not fit is a
// fatal error naming `what` (an operation), never a wrapped size.
int checked_length(long long length, const char *what) {
    if (length <= INT_MAX) return static_cast<int>(length);
    std::string message = std::string("String too long: ") + what +
                          " would make more than 2147483647 code units; split the text";
    dbg_error(message.c_str());
}

}  // namespace

String::Rep *String::Rep::alloc(int length) {
    if (length <= 0) {
        nullRep.retain();
        return &nullRep;
    }
    Rep *r = static_cast<Rep *>(std::malloc(sizeof(Rep) + sizeof(Char) * length));
    if (!r) {
        std::fputs("Out of memory: could not allocate a string\n", stderr);
        std::abort();
    }
    r->refs = 1;
    r->length = length;
    return r;
}

String &String::operator=(const String &s) {
    s.rep->retain();
    rep->release();
    rep = s.rep;
    return *this;
}

String &String::operator=(String &&s) noexcept {
    if (this != &s) {
        rep->release();
        rep = s.rep;
        s.rep = &nullRep;
        nullRep.retain();
    }
    return *this;
}

// ---------------------------------------------------------------------------------------------
// Construction

namespace {

// A representation of 8-bit text, each byte taken as signed.
String::Rep *signed_bytes_rep(const char *text, int length) {
    String::Rep *r = String::Rep::alloc(length);
    Char *d = r->data();
    for (int i = 0; i < length; ++i) d[i] = static_cast<Char>(static_cast<signed char>(text[i]));
    return r;
}

String::Rep *int_rep(int n) {
    char buf[16];
    return signed_bytes_rep(buf, std::snprintf(buf, sizeof buf, "%i", n));
}

String::Rep *double_rep(double d) {
    char buf[48];
    int len = std::snprintf(buf, sizeof buf - 2, "%.17lg", d);
    if (!std::strchr(buf, '.') && !std::strchr(buf, 'e')) {
        buf[len++] = '.';
        buf[len++] = '0';
    }
    return signed_bytes_rep(buf, len);
}

}  // namespace

String::String(const Char *units, int length) : rep(Rep::alloc(length)) {
    if (length > 0) std::memcpy(rep->data(), units, sizeof(Char) * length);
}

String::String(const char *text)
    : String(text, checked_length(static_cast<long long>(std::strlen(text)), "8-bit text")) {}

String::String(const char *text, int length) : rep(signed_bytes_rep(text, length)) {}

String::String(int n) : rep(int_rep(n)) {}

String::String(double d) : rep(double_rep(d)) {}

String::String(float f) : String(static_cast<double>(f)) {}

String String::FromChar(int unit) {
    Char c = static_cast<Char>(unit);
    return String(&c, 1);
}

// ---------------------------------------------------------------------------------------------
// Operations

String operator+(const String &a, const String &b) {
    if (a.Length() == 0) return b;
    if (b.Length() == 0) return a;
    String::Rep *r = String::Rep::alloc(
        checked_length(static_cast<long long>(a.Length()) + b.Length(), "concatenation"));
    std::memcpy(r->data(), a.Data(), sizeof(Char) * a.Length());
    std::memcpy(r->data() + a.Length(), b.Data(), sizeof(Char) * b.Length());
    return String(r);
}

bool operator==(const String &a, const String &b) {
    return a.Length() == b.Length() &&
           (a.Shares(b) || std::memcmp(a.Data(), b.Data(), sizeof(Char) * a.Length()) == 0);
}

int String::Compare(const String &s) const {
    int n = Length() < s.Length() ? Length() : s.Length();
    for (int i = 0; i < n; ++i) {
        int d = static_cast<int>(Data()[i]) - static_cast<int>(s.Data()[i]);
        if (d) return d;
    }
    return Length() - s.Length();
}

String String::Slice(int from, int to) const {
    int n = Length();
    if (from < 0) {
        from += n;
        if (from < 0) from = 0;
    } else if (from > n) {
        from = n;
    }
    if (to < 0) {
        to += n;
    } else if (to > n) {
        to = n;
    }
    if (from >= to) return String();
    if (from == 0 && to == n) return *this;
    return String(Data() + from, to - from);
}

int String::Find(const String &what, int start) const {
    if (start < 0) start = 0;
    int n = Length(), m = what.Length();
    for (int i = start; i + m <= n; ++i) {
        if (std::memcmp(Data() + i, what.Data(), sizeof(Char) * m) == 0) return i;
    }
    return -1;
}

bool String::StartsWith(const String &prefix) const {
    return prefix.Length() <= Length() &&
           std::memcmp(Data(), prefix.Data(), sizeof(Char) * prefix.Length()) == 0;
}

bool String::EndsWith(const String &suffix) const {
    int off = Length() - suffix.Length();
    return off >= 0 &&
           std::memcmp(Data() + off, suffix.Data(), sizeof(Char) * suffix.Length()) == 0;
}

Array<String> String::Split(const String &separator) const {
    if (separator.Length() == 0) {
        Array<String> out(Length());
        for (int i = 0; i < Length(); ++i) out[i] = String(Data() + i, 1);
        return out;
    }
    std::vector<int> cuts;
    for (int i = Find(separator); i >= 0; i = Find(separator, i + separator.Length())) {
        cuts.push_back(i);
    }
    Array<String> out(static_cast<int>(cuts.size()) + 1);
    int start = 0;
    for (std::size_t k = 0; k < cuts.size(); ++k) {
        out[static_cast<int>(k)] = Slice(start, cuts[k]);
        start = cuts[k] + separator.Length();
    }
    out[static_cast<int>(cuts.size())] = Slice(start);
    return out;
}

String String::Replace(const String &find, const String &with) const {
    int first = Find(find);
    if (first < 0 || find.Length() == 0) return *this;
    std::vector<Char> out;
    out.reserve(Length());
    int start = 0;
    for (int i = first; i >= 0; i = Find(find, start)) {
        out.insert(out.end(), Data() + start, Data() + i);
        out.insert(out.end(), with.Data(), with.Data() + with.Length());
        start = i + find.Length();
    }
    out.insert(out.end(), Data() + start, Data() + Length());
    return String(out.data(), checked_length(static_cast<long long>(out.size()), "Replace"));
}

String String::Join(Array<String> parts) const {
    return JoinParts(*this, parts.Data(), parts.Length());
}

String String::JoinParts(const String &separator, const String *parts, int count) {
    if (count <= 0) return String();
    if (count == 1) return parts[0];
    int sep = separator.Length();
    long long total = static_cast<long long>(sep) * (count - 1);
    for (int i = 0; i < count; ++i) total += parts[i].Length();
    Rep *r = Rep::alloc(checked_length(total, "Join"));
    Char *d = r->data();
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            std::memcpy(d, separator.Data(), sizeof(Char) * sep);
            d += sep;
        }
        std::memcpy(d, parts[i].Data(), sizeof(Char) * parts[i].Length());
        d += parts[i].Length();
    }
    return String(r);
}

// ---------------------------------------------------------------------------------------------
// Conversions

int String::ToInt() const {
    char buf[64];
    int n = Length() < 63 ? Length() : 63;
    for (int i = 0; i < n; ++i) buf[i] = static_cast<char>(Data()[i]);
    buf[n] = 0;
    const char *p = buf;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    unsigned int value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) value = value * 10u + static_cast<unsigned int>(*p - '0');
    if (negative) value = 0u - value;
    return static_cast<int>(value);
}

float String::ToFloat() const {
    char buf[64];
    int n = Length() < 63 ? Length() : 63;
    for (int i = 0; i < n; ++i) buf[i] = static_cast<char>(Data()[i]);
    buf[n] = 0;
    return static_cast<float>(std::strtod(buf, nullptr));
}

std::string String::ToNarrow() const {
    std::string out(static_cast<std::size_t>(Length()), '\0');
    for (int i = 0; i < Length(); ++i) out[i] = static_cast<char>(Data()[i] & 0xFF);
    return out;
}

void kt_utf8_encode(const Char *units, int length, std::string &out) {
    for (int i = 0; i < length; ++i) {
        unsigned int c = units[i];
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
}

std::string String::ToUtf8() const {
    std::string out;
    out.reserve(static_cast<std::size_t>(Length()));
    kt_utf8_encode(Data(), Length(), out);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Decoding

namespace {

// Strict decoding of one- to three-byte sequences; false on anything else.
bool decode_utf8(const unsigned char *p, int n, std::vector<Char> &out) {
    for (int i = 0; i < n;) {
        unsigned int c = p[i];
        if (c < 0x80) {
            out.push_back(static_cast<Char>(c));
            i += 1;
        } else if ((c & 0xE0) == 0xC0) {
            if (i + 1 >= n || (p[i + 1] & 0xC0) != 0x80) return false;
            out.push_back(static_cast<Char>(((c & 0x1F) << 6) | (p[i + 1] & 0x3F)));
            i += 2;
        } else if ((c & 0xF0) == 0xE0) {
            if (i + 2 >= n || (p[i + 1] & 0xC0) != 0x80 || (p[i + 2] & 0xC0) != 0x80) return false;
            out.push_back(static_cast<Char>(((c & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) |
                                            (p[i + 2] & 0x3F)));
            i += 3;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

String String::Decode(const unsigned char *p, int n) {
    if (n <= 0) return String();
    std::vector<Char> units;
    if (n >= 2 && ((p[0] == 0xFE && p[1] == 0xFF) || (p[0] == 0xFF && p[1] == 0xFE))) {
        bool big = p[0] == 0xFE;
        units.reserve(static_cast<std::size_t>(n / 2));
        for (int i = 2; i + 1 < n; i += 2) {
            units.push_back(
                static_cast<Char>(big ? (p[i] << 8) | p[i + 1] : (p[i + 1] << 8) | p[i]));
        }
        return String(units.data(), static_cast<int>(units.size()));
    }
    if (n > 2 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) p += 3, n -= 3;
    units.reserve(static_cast<std::size_t>(n));
    if (!decode_utf8(p, n, units)) {
        units.clear();
        for (int i = 0; i < n; ++i) units.push_back(p[i]);
    }
    return String(units.data(), static_cast<int>(units.size()));
}

String String::Load(std::FILE *file) {
    std::vector<unsigned char> bytes;
    unsigned char chunk[4096];
    for (;;) {
        std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < sizeof chunk) break;
    }
    return Decode(bytes.data(), checked_length(static_cast<long long>(bytes.size()), "a file"));
}
