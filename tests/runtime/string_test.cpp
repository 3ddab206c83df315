// Strings: sharing rules, slicing and splitting boundaries, number formatting and parsing, text
// decoding.

#include <gtest/gtest.h>

#include <string>

#include "runtime/array.h"
#include "runtime/ktstring.h"

namespace {

std::string utf8(const String &s) {
    return s.ToUtf8();
}

String units(std::initializer_list<Char> list) {
    return String(list.begin(), static_cast<int>(list.size()));
}

}  // namespace

TEST(String, EmptyResultsShareTheStaticRepresentation) {
    String abc("abc");
    EXPECT_EQ(String().GetRep(), &String::nullRep);
    EXPECT_EQ(String("").GetRep(), &String::nullRep);
    EXPECT_EQ(abc.Slice(2, 1).GetRep(), &String::nullRep);
    EXPECT_EQ(String(static_cast<const Char *>(nullptr), 0).GetRep(), &String::nullRep);
    EXPECT_TRUE((abc + String()).Shares(abc));
    EXPECT_TRUE((String() + abc).Shares(abc));
    EXPECT_TRUE(abc.Replace(String("x"), String("y")).Shares(abc));
    EXPECT_EQ(utf8(abc + String("de")), "abcde");
    // Empty handles are made on every thread, so the shared representation is never counted.
    String copies[3] = {String(), abc.Slice(5), String("")};
    EXPECT_EQ(String::nullRep.refs, 1);
    (void)copies;
}

TEST(String, ReferenceCountsFollowHandles) {
    String a("hello");
    String::Rep *rep = a.GetRep();
    EXPECT_EQ(rep->refs, 1);
    {
        String b = a;
        String c;
        c = b;
        EXPECT_EQ(rep->refs, 3);
        c = c;  // self-assignment keeps the count
        EXPECT_EQ(rep->refs, 3);
        String d = std::move(b);
        EXPECT_EQ(rep->refs, 3);
        EXPECT_EQ(b.Length(), 0);
    }
    EXPECT_EQ(rep->refs, 1);
}

TEST(String, EightBitTextIsTakenAsSigned) {
    String s("A\xE9");
    ASSERT_EQ(s.Length(), 2);
    EXPECT_EQ(s[0], 0x41);
    EXPECT_EQ(s[1], 0xFFE9);
    EXPECT_EQ(s.ToNarrow(), "A\xE9");
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
    EXPECT_EQ(utf8(s.Slice(3)), "def");
    EXPECT_EQ(utf8(s.Slice(-1)), "f");
    EXPECT_EQ(s.Slice(6).Length(), 0);
}

TEST(String, SplitBoundaries) {
    Array<String> a = String("a,,b").Split(String(","));
    ASSERT_EQ(a.Length(), 3);
    EXPECT_EQ(utf8(a[0]), "a");
    EXPECT_EQ(a[1].Length(), 0);
    EXPECT_EQ(utf8(a[2]), "b");

    Array<String> empty = String().Split(String(","));
    ASSERT_EQ(empty.Length(), 1);
    EXPECT_EQ(empty[0].Length(), 0);

    Array<String> edges = String(",x,").Split(String(","));
    ASSERT_EQ(edges.Length(), 3);
    EXPECT_EQ(edges[0].Length(), 0);
    EXPECT_EQ(utf8(edges[1]), "x");
    EXPECT_EQ(edges[2].Length(), 0);

    // Occurrences do not overlap: "aaa" at "aa" is cut once.
    Array<String> overlap = String("aaa").Split(String("aa"));
    ASSERT_EQ(overlap.Length(), 2);
    EXPECT_EQ(overlap[0].Length(), 0);
    EXPECT_EQ(utf8(overlap[1]), "a");

    Array<String> units = String("xyz").Split(String());
    ASSERT_EQ(units.Length(), 3);
    EXPECT_EQ(utf8(units[2]), "z");
    EXPECT_EQ(String().Split(String()).Length(), 0);

    Array<String> whole = String("abc").Split(String("abcd"));
    ASSERT_EQ(whole.Length(), 1);
    EXPECT_EQ(utf8(whole[0]), "abc");
}

TEST(String, ReplaceAndJoin) {
    EXPECT_EQ(utf8(String("aaaa").Replace(String("aa"), String("a"))), "aa");
    EXPECT_EQ(utf8(String("a.b.c").Replace(String("."), String("--"))), "a--b--c");
    EXPECT_EQ(utf8(String("xx").Replace(String("x"), String())), "");
    String same("abc");
    EXPECT_TRUE(same.Replace(String(), String("z")).Shares(same));  // empty find: unchanged

    String parts[] = {String("a"), String("b"), String("c")};
    Array<String> three(parts, 3);
    EXPECT_EQ(utf8(String("-").Join(three)), "a-b-c");
    EXPECT_EQ(String("-").Join(Array<String>()).Length(), 0);
    Array<String> one(parts, 1);
    EXPECT_TRUE(String("-").Join(one).Shares(parts[0]));
}

TEST(String, NumberFormatting) {
    EXPECT_EQ(utf8(String(3.0f)), "3.0");
    EXPECT_EQ(utf8(String(2.5f)), "2.5");
    EXPECT_EQ(utf8(String(0.1f)), "0.10000000149011612");
    EXPECT_EQ(utf8(String(1.0f)), "1.0");
    EXPECT_EQ(utf8(String(-0.5f)), "-0.5");
    EXPECT_EQ(utf8(String(1e20f)), "1.0000000200408773e+20");  // "e" present: no ".0"
    EXPECT_EQ(utf8(String(-7)), "-7");
    EXPECT_EQ(utf8(String(0)), "0");
    EXPECT_EQ(utf8(String(-2147483647 - 1)), "-2147483648");
}

TEST(String, ToIntReadsSpaceSignAndDigits) {
    EXPECT_EQ(String("42").ToInt(), 42);
    EXPECT_EQ(String(" \t\n-17xyz").ToInt(), -17);
    EXPECT_EQ(String("+5").ToInt(), 5);
    EXPECT_EQ(String("abc").ToInt(), 0);
    EXPECT_EQ(String("").ToInt(), 0);
    EXPECT_EQ(String("- 5").ToInt(), 0);
    EXPECT_EQ(String("2147483647").ToInt(), 2147483647);
    EXPECT_EQ(String("-2147483648").ToInt(), -2147483647 - 1);
    // Code units are narrowed to their low 8 bits: 0x0131 reads as '1'.
    EXPECT_EQ(units({0x0131, 0x0132}).ToInt(), 12);
    // Only the first 63 units are read.
    std::string long_digits = std::string(62, '0') + "78";
    EXPECT_EQ(String(long_digits.c_str()).ToInt(), 7);
}

TEST(String, ToIntWrapsOverLongNumbersModulo2To32) {
    EXPECT_EQ(String("2147483648").ToInt(), -2147483647 - 1);
    EXPECT_EQ(String("4294967296").ToInt(), 0);
    EXPECT_EQ(String("4294967297").ToInt(), 1);
    EXPECT_EQ(String("-4294967295").ToInt(), 1);
    EXPECT_EQ(String("99999999999999999999").ToInt(), static_cast<int>(1661992959u));
}

TEST(String, DecodeChoosesTheEncodingByContent) {
    const unsigned char be[] = {0xFE, 0xFF, 0x00, 0x41, 0x20, 0xAC, 0x00};
    EXPECT_EQ(utf8(String::Decode(be, sizeof be)), "A\xE2\x82\xAC");  // odd final byte ignored
    const unsigned char le[] = {0xFF, 0xFE, 0x41, 0x00};
    EXPECT_EQ(utf8(String::Decode(le, sizeof le)), "A");
    const unsigned char bom_only[] = {0xEF, 0xBB, 0xBF};
    EXPECT_EQ(String::Decode(bom_only, sizeof bom_only).Length(), 0);
    const unsigned char utf[] = {0xEF, 0xBB, 0xBF, 'a', 0xC3, 0xA9, 0xE2, 0x82, 0xAC};
    String u = String::Decode(utf, sizeof utf);
    ASSERT_EQ(u.Length(), 3);
    EXPECT_EQ(u[1], 0xE9);
    EXPECT_EQ(u[2], 0x20AC);
    // A four-byte sequence makes the whole text Latin-1.
    const unsigned char four[] = {0x41, 0xF0, 0x9F, 0x98, 0x80};
    String l = String::Decode(four, sizeof four);
    ASSERT_EQ(l.Length(), 5);
    EXPECT_EQ(l[1], 0xF0);
    // So does a sequence cut off by the end.
    const unsigned char cut[] = {0x41, 0xC3};
    EXPECT_EQ(String::Decode(cut, sizeof cut).Length(), 2);
    // Overlong forms are accepted as decoded.
    const unsigned char overlong[] = {0xC0, 0x81};
    String o = String::Decode(overlong, sizeof overlong);
    ASSERT_EQ(o.Length(), 1);
    EXPECT_EQ(o[0], 1);
}

TEST(String, PrintableEncodingIsPerCodeUnit) {
    EXPECT_EQ(utf8(units({0xE9})), "\xC3\xA9");
    EXPECT_EQ(utf8(units({0x7F, 0x80, 0x7FF, 0x800})), "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80");
    // Surrogate halves are encoded on their own.
    EXPECT_EQ(utf8(units({0xD83D, 0xDE00})), "\xED\xA0\xBD\xED\xB8\x80");
}
