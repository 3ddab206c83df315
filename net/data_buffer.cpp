// Text encodings over byte buffers.

#include "net/data_buffer.h"

#include <cstring>
#include <vector>

#include "runtime/debug.h"

// ---------------------------------------------------------------------------------------------
// Functions

namespace {

enum Encoding { Ascii, Utf8 };

Encoding encoding_of(const String &name) {
    if (name == String("utf8")) return Utf8;
    if (name == String("ascii")) return Ascii;
    ktError(String("Invalid string encoding:") + name);
}

int utf8_length(Char unit) {
    return unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
}

bool continuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Decodes whole sequences from `bytes` until an invalid or cut-off one.
String decode_utf8(const unsigned char *bytes, int count) {
    std::vector<Char> units;
    units.reserve(static_cast<std::size_t>(count));
    int i = 0;
    while (i < count) {
        unsigned char b = bytes[i];
        if (b < 0x80) {
            units.push_back(b);
            i += 1;
        } else if ((b & 0xE0) == 0xC0) {
            if (i + 1 >= count || !continuation(bytes[i + 1])) break;
            units.push_back(static_cast<Char>((b & 0x1F) << 6 | (bytes[i + 1] & 0x3F)));
            i += 2;
        } else if ((b & 0xF0) == 0xE0) {
            if (i + 2 >= count || !continuation(bytes[i + 1]) || !continuation(bytes[i + 2])) break;
            units.push_back(static_cast<Char>((b & 0x0F) << 12 | (bytes[i + 1] & 0x3F) << 6 |
                                              (bytes[i + 2] & 0x3F)));
            i += 3;
        } else {
            break;
        }
    }
    return String(units.data(), static_cast<int>(units.size()));
}

}  // namespace

int kt_databuffer_EncodedLength(const String &text, const String &encoding) {
    if (encoding_of(encoding) == Ascii) return text.Length();
    int bytes = 0;
    for (int i = 0; i < text.Length(); ++i) bytes += utf8_length(text[i]);
    return bytes;
}

c_DataBuffer *c_DataBuffer::m_new(int length) {
    if (!_New(length)) ktError(String("Allocate DataBuffer failed"));
    return this;
}

int c_DataBuffer::p_PokeString(int offset, const String &text, const String &encoding) {
    Encoding enc = encoding_of(encoding);
    if (offset < 0 || offset > m_length) return 0;
    unsigned char *out = m_data + offset;
    int room = m_length - offset, n = 0;
    for (int i = 0; i < text.Length(); ++i) {
        Char u = text[i];
        int size = enc == Ascii ? 1 : utf8_length(u);
        if (n + size > room) break;
        if (size == 1) {
            out[n] = static_cast<unsigned char>(u & 0xFF);
        } else if (size == 2) {
            out[n] = static_cast<unsigned char>(0xC0 | u >> 6);
            out[n + 1] = static_cast<unsigned char>(0x80 | (u & 0x3F));
        } else {
            out[n] = static_cast<unsigned char>(0xE0 | u >> 12);
            out[n + 1] = static_cast<unsigned char>(0x80 | (u >> 6 & 0x3F));
            out[n + 2] = static_cast<unsigned char>(0x80 | (u & 0x3F));
        }
        n += size;
    }
    return n;
}

String c_DataBuffer::p_PeekString(int offset, int count, const String &encoding) {
    Encoding enc = encoding_of(encoding);
    count = ClampRange(offset, count);
    if (count == 0) return String();
    const unsigned char *in = m_data + offset;
    if (enc == Utf8) return decode_utf8(in, count);
    std::vector<Char> units(in, in + count);
    return String(units.data(), count);
}

void c_DataBuffer::p_CopyBytes(int from, c_DataBuffer *target, int to, int count) {
    count = ClampRange(from, count);
    count = target->ClampRange(to, count);
    if (count > 0)
        std::memmove(target->m_data + to, m_data + from, static_cast<std::size_t>(count));
}
