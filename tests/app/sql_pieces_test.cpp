#include "app/sql_pieces.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using querimo::HasParameterMarker;
using querimo::SplitStatements;
using Pieces = std::vector<std::string>;

TEST(SqlPiecesTest, SplitsAtEverySemicolonAndTrimsThePieces) {
    struct Case {
        const char* text;
        Pieces pieces;
    };
    const Case cases[] = {
        // Without a semicolon the text runs as it is, blanks and all.
        {"  select 1 \n", {"  select 1 \n"}},
        {"", {""}},
        {"   ", {"   "}},
        {"select 1;select 2", {"select 1", "select 2"}},
        {" select 1 ;\r\n\tselect 2 ; ", {"select 1", "select 2"}},
        {"select 1;", {"select 1"}},
        {"; ;\n;\t", {}},
        {"select 1;;;select 2", {"select 1", "select 2"}},
        // Quotes and comments do not protect a semicolon.
        {"select 'a;b'", {"select 'a", "b'"}},
        {"select 1 -- one; two\n", {"select 1 -- one", "two"}},
        {"update t set a = 1\n;\nselect a\nfrom t", {"update t set a = 1", "select a\nfrom t"}},
        // Bytes outside ASCII are kept as they are.
        {"select '\xC3\xA9';select '\xFF'", {"select '\xC3\xA9'", "select '\xFF'"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitStatements(c.text), c.pieces) << '"' << c.text << '"';
    }
}

TEST(SqlPiecesTest, OnlyTheFirstQuestionMarkDecidesAboutTheParameter) {
    struct Case {
        const char* statement;
        bool hasParameter;
    };
    const Case cases[] = {
        {"select * from ?", true},
        {"?", true},
        {"? = call f()", true},
        {"{? = call f()}", true},
        {"select 1", false},
        {"", false},
        {"select '?'", false},
        {"select 'a\\?'", false},
        {"select 'a?'", true},
        // Only the first one is looked at.
        {"select '?', ?", false},
        {"select ?, '?'", true},
        {"select \"?\"", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HasParameterMarker(c.statement), c.hasParameter) << c.statement;
    }
}

}  // namespace
