// Strings: sharing, boundaries, numbers, decoding and encoding.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/array.h"
#include "runtime/ktstring.h"
#include "tests/support/runtime_error.h"

namespace {

using Texts = std::vector<std::string>;

String units(std::initializer_list<Char> list) {
    return String(list.begin(), static_cast<int>(list.size()));
}

Texts texts(Array<String> parts) {
    Texts out;
    for (int i = 0; i < parts.Length(); ++i) out.push_back(parts[i].ToUtf8());
    return out;
}

Texts texts(std::initializer_list<String> list) {
    return texts(Array<String>(list.begin(), static_cast<int>(list.size())));
}

}  // namespace

// Empty results share the uncounted empty representation; unchanged results share their source.
TEST(String, EmptyAndUnchangedResultsShare) {
    String abc("abc"), parts[] = {String("a"), String("b"), String("c")};
    EXPECT_EQ(String("").GetRep(), &String::nullRep);
    EXPECT_EQ(abc.Slice(2, 1).GetRep(), &String::nullRep);
    for (const String &same :
         {abc + String(), String() + abc, abc.Slice(0, 100), abc.Slice(-100, 3),
          abc.Replace(String("x"), String("y")), abc.Replace(String(), String("z"))})
        EXPECT_TRUE(same.Shares(abc));
    EXPECT_TRUE(String("-").Join(Array<String>(parts, 1)).Shares(parts[0]));
    String copies[3] = {String(), abc.Slice(5), String("")};
    EXPECT_EQ(String::nullRep.refs, 1);
    (void)copies;
}

// Slice, Split, Replace and Join at their boundaries.
TEST(String, SliceSplitReplaceAndJoinBoundaries) {
    String s("abcdef");
    EXPECT_EQ(texts({s.Slice(-3, -1), s.Slice(4, 2), s.Slice(-100, 2), s.Slice(100, 200),
                     s.Slice(2, -100), s.Slice(-1), s.Slice(6)}),
              (Texts{"de", "", "ab", "", "", "f", ""}));
    const std::pair<const char *, Texts> splits[] = {
        {"a,,b|,", {"a", "", "b"}}, {"|,", {""}}, {",x,|,", {"", "x", ""}}, {"aaa|aa", {"", "a"}},
        {"xyz|", {"x", "y", "z"}},  {"|", {}},    {"abc|abcd", {"abc"}}};
    for (auto &[text, parts] : splits) {
        std::string t = text, at = t.substr(0, t.find('|')), by = t.substr(t.find('|') + 1);
        EXPECT_EQ(texts(String(at.c_str()).Split(String(by.c_str()))), parts) << text;
    }
    String ab[] = {String("a"), String("b")};
    EXPECT_EQ(texts({String("aaaa").Replace(String("aa"), String("a")),
                     String("a.b.c").Replace(String("."), String("--")),
                     String("xx").Replace(String("x"), String()),
                     String("-").Join(Array<String>(ab, 2)), String("-").Join(Array<String>()),
                     String("-").Join(Array<String>(ab, 2).Slice(-1, 2))}),
              (Texts{"aa", "a--b--c", "", "a-b", "", "b"}));
    EXPECT_TRUE(ab[0] < ab[1] && !(ab[1] < ab[0]) && !(ab[0] < String("a")));
}

TEST(StringDeathTest, LengthBeyondIntIsAFatalErrorNotAWrappedSize) {
    // 2048 handles on one string of 2^20 units: 2^31 units joined, without the memory.
    std::vector<Char> units(1 << 20, 'x');
    std::vector<String> parts(2048, String(units.data(), 1 << 20));
    EXPECT_RUNTIME_ERROR(String::JoinParts(String(), parts.data(), 2048),
                         "Vantor Runtime Error : String too long: Join");
}

// Floats keep ".0" without an exponent; ToInt reads the low 8 bits of 63 units, mod 2^32.
TEST(String, NumberFormattingAndParsing) {
    EXPECT_EQ(texts({String(3.0f), String(0.1f), String(-0.5f), String(1e20f), String(-7),
                     String(-2147483647 - 1)}),
              (Texts{"3.0", "0.10000000149011612", "-0.5", "1.0000000200408773e+20", "-7",
                     "-2147483648"}));
    std::vector<int> read;
    for (const String &text :
         {String(" \t\n-17xyz"), String("+5"), String("abc"), String(""), String("- 5"),
          String("2147483647"), String("-2147483648"), String("2147483648"), String("4294967297"),
          String("-4294967295"), String("99999999999999999999"), units({0x0131, 0x0132}),
          String((std::string(62, '0') + "78").c_str())})
        read.push_back(text.ToInt());
    EXPECT_EQ(read, (std::vector<int>{-17, 5, 0, 0, 0, 2147483647, -2147483647 - 1, -2147483647 - 1,
                                      1, 1, 1661992959, 12, 7}));
}

// UTF-16 by its mark, UTF-8 unless a sequence is invalid (then Latin-1), as the state file reads.
TEST(String, DecodeChoosesTheEncodingByContent) {
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

// Eight-bit literals are signed chars; output is UTF-8 per code unit, surrogate halves alone.
TEST(String, EightBitTextIsSignedAndOutputIsUtf8PerCodeUnit) {
    String s("A\xE9");
    EXPECT_EQ(std::vector<int>({s.Length(), s[1]}), std::vector<int>({2, 0xFFE9}));
    EXPECT_EQ(s.ToNarrow(), "A\xE9");
    EXPECT_EQ(units({0xE9, 0x7F, 0x80, 0x7FF, 0x800, 0xD83D, 0xDE00}).ToUtf8(),
              "\xC3\xA9\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\xA0\xBD\xED\xB8\x80");
}
