// Byte buffers: the two text encodings and the fatal errors (clipping: the HTTP tests).

#include "tests/net/net_support.h"

namespace {

std::string Bytes(c_DataBuffer *buffer, int count) {
    return std::string(buffer->m_data, buffer->m_data + count);
}

String Units(const std::u16string &text) {
    return String(reinterpret_cast<const Char *>(text.data()), static_cast<int>(text.size()));
}

// Text, read-back, encoding, bytes; a surrogate pair is two three-byte sequences.
TEST(DataBuffer, EncodesEachCodeUnitAndReadsItBack) {
    const std::tuple<std::u16string, std::u16string, const char *, const char *> cases[] = {
        {u"Az\u00E9\u0141", u"Az\u00E9A", "ascii", "Az\xE9\x41"},
        {u"A\u0080\u07FF", u"A\u0080\u07FF", "utf8", "A\xC2\x80\xDF\xBF"},
        {u"\u0800\uFFFF", u"\u0800\uFFFF", "utf8", "\xE0\xA0\x80\xEF\xBF\xBF"},
        {u"\U0001F600", u"\U0001F600", "utf8", "\xED\xA0\xBD\xED\xB8\x80"},
    };
    for (const auto &[text, read_back, encoding, bytes] : cases) {
        auto *buffer = (new c_DataBuffer)->m_new(16);
        int n = buffer->p_PokeString(0, Units(text), String(encoding));
        EXPECT_EQ(Bytes(buffer, n), bytes);
        EXPECT_EQ(kt_databuffer_EncodedLength(Units(text), String(encoding)), n) << bytes;
        EXPECT_TRUE(buffer->p_PeekString(0, n, String(encoding)) == Units(read_back)) << bytes;
    }
}

// Reading stops at stray, cut or broken sequences, and at (unread) four-byte ones.
TEST(DataBuffer, Utf8ReadingStopsAtAnInvalidOrCutSequence) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"ab\x80zz", u"ab"},         {"a\xC3", u"a"},
        {"a\xE2\x82", u"a"},         {"a\xC3zz", u"a"},
        {"a\xF0\x9F\x98\x80", u"a"}, {"\xC3\xA9\xE2\x82\xAC", u"\u00E9\u20AC"},
    };
    for (const auto &[bytes, text] : cases) {
        auto *buffer = (new c_DataBuffer)->m_new(static_cast<int>(bytes.size()));
        std::copy(bytes.begin(), bytes.end(), buffer->m_data);
        EXPECT_TRUE(buffer->p_PeekString(0, buffer->p_Length(), String("utf8")) == Units(text))
            << bytes;
    }
}

TEST(DataBufferDeathTest, UnknownEncodingAndFailedAllocationAreFatal) {
    auto *buffer = (new c_DataBuffer)->m_new(4);
    EXPECT_RUNTIME_ERROR(buffer->p_PokeString(0, String("x"), String("utf-8")), "encoding:utf-8");
    EXPECT_RUNTIME_ERROR(buffer->p_PeekString(0, 1, String("latin1")), "encoding:latin1");
    EXPECT_RUNTIME_ERROR((new c_DataBuffer)->m_new(-1), "Allocate DataBuffer failed");
}

}  // namespace
