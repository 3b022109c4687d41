#include "db/utf16.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Utf16Case {
    const char* name;
    std::u16string input;
    std::string expected;
};

class Utf16ToUtf8Test : public ::testing::TestWithParam<Utf16Case> {};

TEST_P(Utf16ToUtf8Test, Converts) {
    EXPECT_EQ(Utf16ToUtf8(GetParam().input), GetParam().expected);
}

const std::string kReplacement = "\xEF\xBF\xBD";

INSTANTIATE_TEST_SUITE_P(
    Texts, Utf16ToUtf8Test,
    ::testing::Values(Utf16Case{"Empty", u"", ""}, Utf16Case{"Ascii", u"Name 42", "Name 42"},
                      Utf16Case{"TwoByteEdges", u"\u0080\u07FF", "\xC2\x80\xDF\xBF"},
                      Utf16Case{"ThreeByteEdges", u"\u0800\uD7FF\uE000\uFFFF",
                                "\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF"},
                      Utf16Case{"Latin", u"\u00E9\u00FC", "\xC3\xA9\xC3\xBC"},
                      Utf16Case{"Euro", u"\u20AC", "\xE2\x82\xAC"},
                      Utf16Case{"SurrogatePairLowest", u"\U00010000", "\xF0\x90\x80\x80"},
                      Utf16Case{"SurrogatePairEmoji", u"a\U0001F600b",
                                "a\xF0\x9F\x98\x80"
                                "b"},
                      Utf16Case{"SurrogatePairHighest", u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
                      Utf16Case{"EmbeddedNul", std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
                      Utf16Case{"HighSurrogateCutAtEnd", std::u16string(u"ab") + char16_t(0xD83D),
                                "ab" + kReplacement},
                      Utf16Case{"LoneLowSurrogate", std::u16string(1, char16_t(0xDE00)) + u"x",
                                kReplacement + "x"},
                      Utf16Case{"HighFollowedByText", std::u16string(1, char16_t(0xD800)) + u"x",
                                kReplacement + "x"},
                      Utf16Case{
                          "TwoHighsThenLow",
                          std::u16string{char16_t(0xD800), char16_t(0xD83D), char16_t(0xDE00)},
                          kReplacement + "\xF0\x9F\x98\x80"},
                      Utf16Case{"ReversedPair", std::u16string{char16_t(0xDE00), char16_t(0xD83D)},
                                kReplacement + kReplacement}),
    [](const ::testing::TestParamInfo<Utf16Case>& info) { return info.param.name; });

}  // namespace
