// Strings: sharing rules, slicing and splitting boundaries, number formatting and parsing, text
// decoding and encoding.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/array.h"
#include "runtime/ktstring.h"
#include "tests/support/runtime_error.h"

namespace {

std::string utf8(const String &s) {
    return s.ToUtf8();
}

String units(std::initializer_list<Char> list) {
    return String(list.begin(), static_cast<int>(list.size()));
}

std::vector<std::string> split(const char *text, const char *separator) {
    Array<String> parts = String(text).Split(String(separator));
    std::vector<std::string> out;
    for (int i = 0; i < parts.Length(); ++i) out.push_back(utf8(parts[i]));
    return out;
}

using Parts = std::vector<std::string>;

}  // namespace

TEST(String, EmptyAndUnchangedResultsShare) {
    String abc("abc");
    EXPECT_EQ(String("").GetRep(), &String::nullRep);
    EXPECT_EQ(abc.Slice(2, 1).GetRep(), &String::nullRep);
    EXPECT_TRUE((abc + String()).Shares(abc));
    EXPECT_TRUE((String() + abc).Shares(abc));
    EXPECT_TRUE(abc.Replace(String("x"), String("y")).Shares(abc));
    EXPECT_EQ(utf8(abc + String("de")), "abcde");
    // Empty handles are made on every thread, so the shared representation is never counted.
    String copies[3] = {String(), abc.Slice(5), String("")};
    EXPECT_EQ(String::nullRep.refs, 1);
    (void)copies;
}

TEST(String, SliceBoundaries) {
    String s("abcdef");
    EXPECT_EQ(utf8(s.Slice(-3, -1)), "de");
    EXPECT_EQ(s.Slice(4, 2).Length(), 0);
    EXPECT_TRUE(s.Slice(0, 100).Shares(s));
    EXPECT_TRUE(s.Slice(-100, 6).Shares(s));  // from clamped at 0
    EXPECT_EQ(utf8(s.Slice(-100, 2)), "ab");
    EXPECT_EQ(s.Slice(100, 200).Length(), 0);  // from clamped to the length
    EXPECT_EQ(s.Slice(2, -100).Length(), 0);   // to counts from the end, not clamped
    EXPECT_EQ(utf8(s.Slice(-1)), "f");
    EXPECT_EQ(s.Slice(6).Length(), 0);
}

TEST(String, SplitReplaceAndJoinBoundaries) {
    EXPECT_EQ(split("a,,b", ","), (Parts{"a", "", "b"}));
    EXPECT_EQ(split("", ","), (Parts{""}));
    EXPECT_EQ(split(",x,", ","), (Parts{"", "x", ""}));
    EXPECT_EQ(split("aaa", "aa"), (Parts{"", "a"}));  // occurrences do not overlap
    EXPECT_EQ(split("xyz", ""), (Parts{"x", "y", "z"}));
    EXPECT_EQ(split("", ""), Parts{});
    EXPECT_EQ(split("abc", "abcd"), (Parts{"abc"}));

    EXPECT_EQ(utf8(String("aaaa").Replace(String("aa"), String("a"))), "aa");
    EXPECT_EQ(utf8(String("a.b.c").Replace(String("."), String("--"))), "a--b--c");
    EXPECT_EQ(utf8(String("xx").Replace(String("x"), String())), "");
    String same("abc");
    EXPECT_TRUE(same.Replace(String(), String("z")).Shares(same));  // empty find: unchanged

    String parts[] = {String("a"), String("b"), String("c")};
    EXPECT_EQ(utf8(String("-").Join(Array<String>(parts, 3))), "a-b-c");
    EXPECT_EQ(String("-").Join(Array<String>()).Length(), 0);
    EXPECT_TRUE(String("-").Join(Array<String>(parts, 1)).Shares(parts[0]));
}

TEST(StringDeathTest, LengthBeyondIntIsAFatalErrorNotAWrappedSize) {
    // 2048 handles on one string of 2^20 units: 2^31 units joined, without the memory.
    std::vector<Char> units(1 << 20, 'x');
    std::vector<String> parts(2048, String(units.data(), 1 << 20));
    EXPECT_RUNTIME_ERROR(String::JoinParts(String(), parts.data(), 2048),
                         "Vantor Runtime Error : String too long: Join");
}

TEST(String, NumberFormatting) {
    EXPECT_EQ(utf8(String(3.0f)), "3.0");
    EXPECT_EQ(utf8(String(2.5f)), "2.5");
    EXPECT_EQ(utf8(String(0.1f)), "0.10000000149011612");
    EXPECT_EQ(utf8(String(-0.5f)), "-0.5");
    EXPECT_EQ(utf8(String(1e20f)), "1.0000000200408773e+20");  // "e" present: no ".0"
    EXPECT_EQ(utf8(String(-7)), "-7");
    EXPECT_EQ(utf8(String(-2147483647 - 1)), "-2147483648");
}

TEST(String, ToIntReadsSpaceSignAndDigitsAndWrapsModulo2To32) {
    EXPECT_EQ(String(" \t\n-17xyz").ToInt(), -17);
    EXPECT_EQ(String("+5").ToInt(), 5);
    EXPECT_EQ(String("abc").ToInt(), 0);
    EXPECT_EQ(String("").ToInt(), 0);
    EXPECT_EQ(String("- 5").ToInt(), 0);
    EXPECT_EQ(String("2147483647").ToInt(), 2147483647);
    EXPECT_EQ(String("-2147483648").ToInt(), -2147483647 - 1);
    EXPECT_EQ(String("2147483648").ToInt(), -2147483647 - 1);
    EXPECT_EQ(String("4294967297").ToInt(), 1);
    EXPECT_EQ(String("-4294967295").ToInt(), 1);
    EXPECT_EQ(String("99999999999999999999").ToInt(), static_cast<int>(1661992959u));
    // Code units are narrowed to their low 8 bits: 0x0131 reads as '1'.
    EXPECT_EQ(units({0x0131, 0x0132}).ToInt(), 12);
    // Only the first 63 units are read.
    EXPECT_EQ(String((std::string(62, '0') + "78").c_str()).ToInt(), 7);
}

// Also what the state file and text loads decode with.
TEST(String, DecodeChoosesTheEncodingByContent) {
    // UTF-16 by its mark drops an odd final byte; a four-byte or cut-off UTF-8 sequence makes
    // the whole text Latin-1, after the UTF-8 mark too; overlong forms are accepted as decoded.
    const std::pair<std::vector<unsigned char>, String> cases[] = {
        {{0xFE, 0xFF, 0x00, 0x41, 0x20, 0xAC, 0x00}, units({'A', 0x20AC})},
        {{0xFF, 0xFE, 0x41, 0x00, 0xAC, 0x20, 0x42}, units({'A', 0x20AC})},
        {{0xEF, 0xBB, 0xBF}, String()},
        {{0xEF, 0xBB, 0xBF, 'a', 0xC3, 0xA9, 0xE2, 0x82, 0xAC}, units({'a', 0xE9, 0x20AC})},
        {{0x41, 0xF0, 0x9F, 0x98, 0x80}, units({0x41, 0xF0, 0x9F, 0x98, 0x80})},
        {{0x41, 0xC3}, units({0x41, 0xC3})},
        {{0xEF, 0xBB, 0xBF, 0xE9, 'x'}, units({0xE9, 'x'})},
        {{0xC0, 0x81}, units({1})},
    };
    for (const auto &[bytes, text] : cases) {
        EXPECT_EQ(String::Decode(bytes.data(), static_cast<int>(bytes.size())), text)
            << testing::PrintToString(bytes);
    }
}

TEST(String, EightBitTextIsSignedAndOutputIsUtf8PerCodeUnit) {
    String s("A\xE9");
    ASSERT_EQ(s.Length(), 2);
    EXPECT_EQ(s[1], 0xFFE9);
    EXPECT_EQ(s.ToNarrow(), "A\xE9");

    EXPECT_EQ(utf8(units({0xE9})), "\xC3\xA9");
    EXPECT_EQ(utf8(units({0x7F, 0x80, 0x7FF, 0x800})), "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80");
    // Surrogate halves are encoded on their own.
    EXPECT_EQ(utf8(units({0xD83D, 0xDE00})), "\xED\xA0\xBD\xED\xB8\x80");
}
