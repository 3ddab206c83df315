// Byte buffers: the two text encodings, clipping at the buffer's ends and the fatal errors.

#include <string>
#include <vector>

#include "net/data_buffer.h"
#include "tests/net/net_support.h"

namespace {

using namespace net_test;

std::vector<unsigned char> Bytes(c_DataBuffer *buffer, int count) {
    return std::vector<unsigned char>(buffer->m_data, buffer->m_data + count);
}

String Units(const std::u16string &text) {
    return String(reinterpret_cast<const Char *>(text.data()), static_cast<int>(text.size()));
}

struct EncodeCase {
    std::u16string text;
    const char *encoding;
    std::vector<unsigned char> bytes;
    std::u16string read_back;
};

TEST(DataBuffer, EncodesEachCodeUnitAndReadsItBack) {
    const EncodeCase cases[] = {
        {u"Az", "ascii", {0x41, 0x7A}, u"Az"},
        {u"\u00E9\u0141", "ascii", {0xE9, 0x41}, u"\u00E9A"},
        {u"A", "utf8", {0x41}, u"A"},
        {u"\u0080\u07FF", "utf8", {0xC2, 0x80, 0xDF, 0xBF}, u"\u0080\u07FF"},
        {u"\u0800\uFFFF", "utf8", {0xE0, 0xA0, 0x80, 0xEF, 0xBF, 0xBF}, u"\u0800\uFFFF"},
        // A surrogate pair is two three-byte sequences, one per half.
        {u"\U0001F600", "utf8", {0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}, u"\U0001F600"},
    };
    for (const EncodeCase &c : cases) {
        SCOPED_TRACE(c.encoding);
        auto *buffer = (new c_DataBuffer)->m_new(16);
        int n = buffer->p_PokeString(0, Units(c.text), String(c.encoding));
        ASSERT_EQ(n, static_cast<int>(c.bytes.size()));
        EXPECT_EQ(Bytes(buffer, n), c.bytes);
        EXPECT_EQ(kt_databuffer_EncodedLength(Units(c.text), String(c.encoding)), n);
        EXPECT_TRUE(buffer->p_PeekString(0, n, String(c.encoding)) == Units(c.read_back));
    }
}

TEST(DataBuffer, Utf8ReadingStopsAtAnInvalidOrCutSequence) {
    const struct {
        std::string bytes;
        std::u16string text;
    } cases[] = {
        {"ab\x80"
         "cd",
         u"ab"},              // a continuation byte cannot start a sequence
        {"a\xC3", u"a"},      // two-byte sequence cut by the range
        {"a\xE2\x82", u"a"},  // three-byte sequence cut by the range
        {"a\xC3"
         "A",
         u"a"},                       // a lead byte without its continuation
        {"a\xF0\x9F\x98\x80", u"a"},  // four-byte sequences are not read
        {"\xC3\xA9\xE2\x82\xAC", u"\u00E9\u20AC"},
    };
    for (const auto &c : cases) {
        auto *buffer = (new c_DataBuffer)->m_new(static_cast<int>(c.bytes.size()));
        std::copy(c.bytes.begin(), c.bytes.end(), buffer->m_data);
        EXPECT_TRUE(buffer->p_PeekString(0, buffer->p_Length(), String("utf8")) == Units(c.text))
            << c.bytes;
    }
}

TEST(DataBuffer, WritingAndReadingStopAtTheEndsOfTheBuffer) {
    auto *buffer = (new c_DataBuffer)->m_new(4);
    // The euro sign needs three bytes and only one is left: it is not written in part.
    EXPECT_EQ(buffer->p_PokeString(0, Units(u"a\u00E9\u20AC"), String("utf8")), 3);
    EXPECT_EQ(buffer->p_PokeString(2, String("xyz"), String("ascii")), 2);
    EXPECT_EQ(buffer->p_PokeString(4, String("x"), String("ascii")), 0);
    EXPECT_EQ(buffer->p_PokeString(-1, String("x"), String("ascii")), 0);
    EXPECT_EQ(Bytes(buffer, 4), (std::vector<unsigned char>{'a', 0xC3, 'x', 'y'}));
    EXPECT_EQ(buffer->p_PeekString(2, 10, String("ascii")).ToNarrow(), "xy");
    EXPECT_EQ(buffer->p_PeekString(-1, 2, String("ascii")).Length(), 0);
}

TEST(DataBuffer, CopiesBytesWithOverlapAndClipsBothRanges) {
    auto *buffer = (new c_DataBuffer)->m_new(6);
    buffer->p_PokeString(0, String("abcdef"), String("ascii"));
    buffer->p_CopyBytes(0, buffer, 2, 4);
    EXPECT_EQ(buffer->p_PeekString(0, 6, String("ascii")).ToNarrow(), "ababcd");
    auto *small = (new c_DataBuffer)->m_new(3);
    buffer->p_CopyBytes(4, small, 1, 10);
    EXPECT_EQ(small->p_PeekString(0, 3, String("ascii")).ToNarrow(), std::string("\0cd", 3));
}

TEST(DataBufferDeathTest, UnknownEncodingAndFailedAllocationAreFatal) {
    EXPECT_RUNTIME_ERROR(
        (new c_DataBuffer)->m_new(4)->p_PokeString(0, String("x"), String("utf-8")),
        "Vantor Runtime Error : Invalid string encoding:utf-8");
    EXPECT_RUNTIME_ERROR((new c_DataBuffer)->m_new(4)->p_PeekString(0, 1, String("latin1")),
                         "Invalid string encoding:latin1");
    EXPECT_RUNTIME_ERROR((new c_DataBuffer)->m_new(-1),
                         "Vantor Runtime Error : Allocate DataBuffer failed");
}

}  // namespace
