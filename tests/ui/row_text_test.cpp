// The text that copied rows become, without a clipboard.
#include "ui/row_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(RowTextTest, EveryFieldIsQuotedAndOnlyQuotesOrCrlfPairsChangeItsText) {
    struct Case {
        std::vector<std::string_view> fields;
        char delimiter;
        const char* line;
    };
    const Case cases[] = {
        {{"42", "\"Jr\""}, ',', "\"42\",\"\"\"Jr\"\"\"\r\n"},
        {{"two words   ", "x \t\r\n\v\f", "  leading"},
         ',',
         "\"two words\",\"x\",\"  leading\"\r\n"},
        {{"two\r\nwords"}, ',', "\"twowords\"\r\n"},
        {{"say \"hi\"\nnow"}, ',', "\"say \"\"hi\"\" now\"\r\n"},
        {{"only\nfeed", "lone\rreturn"}, ',', "\"only\nfeed\",\"lone\rreturn\"\r\n"},
        {{"a\r\nb\nc"}, ',', "\"ab c\"\r\n"},
        // A pair is deleted once; the return and feed it leaves around it are not a new pair.
        {{"a\r\r\n\nb"}, ',', "\"a\r b\"\r\n"},
        {{"", "   ", "no-break\xC2\xA0"}, '\t', "\"\"\t\"\"\t\"no-break\xC2\xA0\"\r\n"},
        {{"a", "b"}, '\n', "\"a\"\n\"b\"\r\n"},
        {{}, ',', ""},
    };
    for (const Case& test : cases) {
        std::string line;
        querimo::WriteRowFields(test.fields, test.delimiter, line);
        EXPECT_EQ(line, test.line);
    }
}

TEST(RowTextTest, ABufferKeepsWhatFitsBeforeItsTerminator) {
    const std::string ascii(300, 'x');
    const std::string e = "\xC3\xA9";  // é, two bytes
    struct Case {
        std::string text;
        std::size_t bufferSize;
        std::string kept;
    };
    const Case cases[] = {
        {ascii, 256, ascii.substr(0, 255)},
        {ascii.substr(0, 255), 256, ascii.substr(0, 255)},
        {std::string("ab\0cd", 5), 256, "ab"},
        // A character that would be cut in two is left out whole.
        {"abc" + e, 5, "abc"},
        {"ab" + e, 5, "ab" + e},
        {"a\xE2\x82\xAC", 3, "a"},
        // Bytes that are no character are cut where they fall.
        {"ab\x80\x80\x80\x80", 4, "ab\x80"},
        {"abc", 0, ""},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(querimo::FitToBuffer(test.text, test.bufferSize), test.kept)
            << test.text.size() << " bytes into " << test.bufferSize;
    }
}

TEST(RowTextTest, RowsComeOnceInAscendingOrderCutToTheCellBufferAndEndInOneNul) {
    const std::vector<std::vector<std::string>> cells{
        {"0", "a"}, {"1", std::string(20000, 'w')}, {"2", "b"}};
    auto text = [&](std::vector<int> rows, int columns, char delimiter) {
        return querimo::RowsText(
            rows, columns,
            [&](int row, int column) { return std::string_view(cells[row][column]); }, delimiter);
    };
    const std::string longField(querimo::kCellTextBufferSize - 1, 'w');
    EXPECT_EQ(text({2, 1, 2}, 2, ','), "\"1\",\"" + longField + "\"\r\n\"2\",\"b\"\r\n" + '\0');
    EXPECT_EQ(text({}, 2, ','), std::string(1, '\0'));
    EXPECT_EQ(text({0, 2}, 0, ','), std::string(1, '\0'));
    // A NUL between fields would end the text for everybody who reads the clipboard.
    EXPECT_EQ(text({0}, 2, '\0'), std::string("\"0\",\"a\"\r\n") + '\0');
}

}  // namespace
