#include "ui/sql_highlighter.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <string>
#include <vector>

namespace {

using querimo::SqlToken;

struct Coloured {
    SqlToken token;
    QString text;
    bool operator==(const Coloured&) const = default;
};

void PrintTo(const Coloured& coloured, std::ostream* out) {
    *out << static_cast<int>(coloured.token) << ":" << coloured.text.toStdString();
}

std::vector<Coloured> Colours(const QString& line, int state, int* endState = nullptr) {
    std::vector<querimo::SqlSpan> spans;
    int end = querimo::ScanSqlLine(line, state, &spans);
    if (endState != nullptr) {
        *endState = end;
    }
    std::vector<Coloured> result;
    for (const auto& span : spans) {
        result.push_back({span.token, line.mid(span.start, span.length)});
    }
    return result;
}

TEST(SqlHighlighterTest, LinesAreColouredByWhatTheyHold) {
    constexpr auto K = SqlToken::Keyword, S = SqlToken::String, C = SqlToken::Comment,
                   N = SqlToken::Number;
    struct Case {
        QString line;
        int startState;
        std::vector<Coloured> colours;
        int endState;
    };
    const Case cases[] = {
        {"SeLeCt a1, 1.5e3, .5, 10. from t -- note 'x'",
         querimo::kSqlNormal,
         {{K, "SeLeCt"}, {N, "1.5e3"}, {N, ".5"}, {N, "10."}, {K, "from"}, {C, "-- note 'x'"}},
         querimo::kSqlNormal},
        {"where name = 'it''s -- no comment'",
         querimo::kSqlNormal,
         {{K, "where"}, {S, "'it'"}, {S, "'s -- no comment'"}},
         querimo::kSqlNormal},
        {"\"select\" selection fromage x1e5 2e",
         querimo::kSqlNormal,
         {{N, "2"}},
         querimo::kSqlNormal},
        {"select /* open",
         querimo::kSqlNormal,
         {{K, "select"}, {C, "/* open"}},
         querimo::kSqlInComment},
        {"/*/ still open", querimo::kSqlNormal, {{C, "/*/ still open"}}, querimo::kSqlInComment},
        {"still */ and",
         querimo::kSqlInComment,
         {{C, "still */"}, {K, "and"}},
         querimo::kSqlNormal},
        {"tail' || 'next",
         querimo::kSqlInString,
         {{S, "tail'"}, {S, "'next"}},
         querimo::kSqlInString},
        {"name\" from", querimo::kSqlInQuotedName, {{K, "from"}}, querimo::kSqlNormal},
        {QString::fromUtf8("\xC3\x9C"
                           "ber select"),
         querimo::kSqlNormal,
         {{K, "select"}},
         querimo::kSqlNormal},
        {"", querimo::kSqlInComment, {}, querimo::kSqlInComment},
    };
    for (const Case& test : cases) {
        int endState = -1;
        EXPECT_EQ(Colours(test.line, test.startState, &endState), test.colours)
            << test.line.toStdString();
        EXPECT_EQ(endState, test.endState) << test.line.toStdString();
    }
}

TEST(SqlHighlighterTest, EscapedBytesStandOutEvenInsideStrings) {
    QString escaped = QString::fromUcs4(U"\U0010FFE9");
    std::vector<querimo::SqlSpan> spans;
    querimo::ScanSqlLine("'caf" + escaped + "'", querimo::kSqlNormal, &spans);
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_EQ(spans[0], (querimo::SqlSpan{0, 7, SqlToken::String}));
    EXPECT_EQ(spans[1], (querimo::SqlSpan{4, 2, SqlToken::EscapedByte}));
}

TEST(SqlHighlighterTest, KeywordsIgnoreCaseButNotSpelling) {
    for (const char* word : {"select", "SELECT", "Transaction", "with"}) {
        EXPECT_TRUE(querimo::IsSqlKeyword(QString::fromLatin1(word))) << word;
    }
    for (const char* word : {"", "selects", "sel", "transactions", "fromx", "s\xC3\xA9lect"}) {
        EXPECT_FALSE(querimo::IsSqlKeyword(QString::fromUtf8(word))) << word;
    }
}

class HighlightedEditorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        editor.resize(400, 200);
        new querimo::SqlHighlighter(&editor);
        QObject::connect(&editor, &QPlainTextEdit::textChanged, [this] { ++textChanges; });
    }

    void SetLines(const QStringList& lines) {
        editor.setPlainText(lines.join('\n'));
        textChanges = 0;
        editor.show();
    }

    QList<QTextLayout::FormatRange> Formats(int blockNumber) {
        return editor.document()->findBlockByNumber(blockNumber).layout()->formats();
    }

    void Paint() { editor.viewport()->grab(); }

    void ScrollToLine(int blockNumber) {
        QTextCursor cursor(editor.document()->findBlockByNumber(blockNumber));
        editor.setTextCursor(cursor);
        editor.verticalScrollBar()->setValue(blockNumber);
    }

    QPlainTextEdit editor;
    int textChanges = 0;
};

TEST_F(HighlightedEditorTest, OnlyPaintedLinesAreColouredAndColouringIsNoEdit) {
    SetLines(QStringList(2000, QStringLiteral("select 1")));
    Paint();
    EXPECT_FALSE(Formats(0).isEmpty());
    EXPECT_TRUE(Formats(1500).isEmpty());
    ScrollToLine(1500);
    Paint();
    EXPECT_FALSE(Formats(1500).isEmpty());
    EXPECT_EQ(textChanges, 0);
}

TEST_F(HighlightedEditorTest, CommentOpenedFarAboveColoursTheLinesScrolledTo) {
    QStringList lines(1000, QStringLiteral("select 1"));
    lines[0] = "/* start";
    lines[900] = "end */ select 2";
    SetLines(lines);
    Paint();
    ScrollToLine(500);
    Paint();
    QList<QTextLayout::FormatRange> formats = Formats(500);
    ASSERT_EQ(formats.size(), 1);
    EXPECT_EQ(formats[0].length, 8);
    EXPECT_EQ(formats[0].format, Formats(0)[0].format);

    // Closing the comment at the top turns the same line back into SQL.
    QTextCursor top(editor.document()->firstBlock());
    top.movePosition(QTextCursor::EndOfBlock);
    top.insertText(" */");
    Paint();
    formats = Formats(500);
    ASSERT_EQ(formats.size(), 2);
    EXPECT_NE(formats[0].format, Formats(0)[0].format);
}

}  // namespace
