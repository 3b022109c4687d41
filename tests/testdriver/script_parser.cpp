// Recursive-descent parser of the statement scripting language (README.md).
#include <cctype>
#include <charconv>
#include <limits>
#include <utility>

#include "script.h"
#include "sql_type_names.h"

namespace querimo::testodbc {
namespace {

constexpr std::string_view kScriptMarker = "SCRIPT:";
constexpr size_t kMaxValueBytes = 64u * 1024u * 1024u;
constexpr long long kMaxDelayMs = 600000;
constexpr long long kMaxGeneratedRows = 1000000000000LL;

struct ScriptSyntaxError {
    size_t offset;
    std::string message;
};

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool IsWordChar(char c) {
    return !IsSpace(c) && c != '(' && c != ')' && c != ',' && c != '\'' && c != '?' && c != '*' &&
           c != '+';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// UTF-8 of any code point below 0x110000, surrogates included, so that a
// script can hand a lone surrogate to SQL_C_WCHAR on purpose.
void AppendUtf8(std::string& out, unsigned long codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

class ScriptParser {
  public:
    ScriptParser(std::string_view text, size_t start) : text_(text), pos_(start) {}

    Script Parse() {
        while (true) {
            SkipSpace();
            if (AtEnd()) {
                return std::move(script_);
            }
            if (Peek('?')) {
                ++pos_;
                ++script_.parameterMarkers;
                continue;
            }
            ParseDirective();
        }
    }

  private:
    void ParseDirective() {
        const size_t at = pos_;
        const std::string name = UpperCase(ReadWord());
        if (name.empty()) {
            Fail("expected a directive such as result(...) or row(...)");
        }
        Expect('(');
        if (name == "RESULT") {
            ParseResult();
        } else if (name == "ROW") {
            ParseRow();
        } else if (name == "ROWS") {
            ParseRows();
        } else if (name == "ROWCOUNT") {
            ParseRowCount();
        } else if (name == "DELAY") {
            script_.fetchDelayMs = static_cast<int>(ParseInteger("delay", 0, kMaxDelayMs));
            Expect(')');
        } else if (name == "PARAM") {
            ParseParam();
        } else if (name == "FAIL") {
            ParseRule(SQL_ERROR);
        } else if (name == "INFO") {
            ParseRule(SQL_SUCCESS_WITH_INFO);
        } else if (name == "RETURN") {
            ParseRule(std::nullopt);
        } else {
            pos_ = at;
            Fail("unknown directive '" + name +
                 "'; expected result, row, rows, rowcount, delay, param, fail, info or return");
        }
    }

    void ParseResult() {
        ScriptResult result;
        ParseList([&] { result.columns.push_back(ParseColumn()); });
        if (result.columns.size() > static_cast<size_t>(std::numeric_limits<SQLSMALLINT>::max())) {
            Fail("too many columns");
        }
        script_.results.push_back(std::move(result));
    }

    ScriptResult& ResultWithColumns(std::string_view directive) {
        if (script_.results.empty() || script_.results.back().columns.empty()) {
            Fail(std::string(directive) + "() needs a result(...) with columns before it");
        }
        return script_.results.back();
    }

    void ParseRow() {
        ScriptResult& result = ResultWithColumns("row");
        if (result.generatedRows > 0) {
            Fail("row() after rows(): write the rows first");
        }
        std::vector<ScriptValue> values;
        ParseList([&] { values.push_back(ParseValue()); });
        if (values.size() != result.columns.size()) {
            Fail("row has " + std::to_string(values.size()) + " values but the result has " +
                 std::to_string(result.columns.size()) + " columns");
        }
        result.rows.push_back(std::move(values));
    }

    void ParseRows() {
        ScriptResult& result = ResultWithColumns("rows");
        result.generatedRows += ParseInteger("row count", 0, kMaxGeneratedRows);
        Expect(')');
    }

    void ParseRowCount() {
        const SQLLEN count =
            static_cast<SQLLEN>(ParseInteger("row count", std::numeric_limits<long long>::min(),
                                             std::numeric_limits<long long>::max()));
        Expect(')');
        if (script_.results.empty()) {
            script_.rowCount = count;
        } else {
            script_.results.back().rowCount = count;
        }
    }

    void ParseParam() {
        const auto number = static_cast<SQLUSMALLINT>(
            ParseInteger("parameter number", 1, std::numeric_limits<SQLSMALLINT>::max()));
        Expect(',');
        script_.outputParameters[number] = ParseValue();
        Expect(')');
    }

    void ParseRule(std::optional<SQLRETURN> fixedCode) {
        CallRule rule = ParseRuleTarget();
        if (fixedCode) {
            rule.code = *fixedCode;
        } else {
            Expect(',');
            const std::string codeName = ReadWord();
            const auto code = ReturnCodeByName(codeName);
            if (!code) {
                Fail("unknown return code '" + codeName + "'");
            }
            rule.code = *code;
        }
        while (true) {
            SkipSpace();
            if (!Peek(',')) {
                break;
            }
            ++pos_;
            if (UpperCase(ReadWord()) != "DIAG") {
                Fail("expected diag(...)");
            }
            Expect('(');
            rule.diags.push_back(ParseDiag());
        }
        Expect(')');
        auto& rules = script_.results.empty() ? script_.rules : script_.results.back().rules;
        rules.push_back(std::move(rule));
    }

    CallRule ParseRuleTarget() {
        const std::string target = ReadWord();
        const size_t at = target.find('@');
        const auto call = CanonicalCallName(target.substr(0, at));
        if (!call) {
            Fail("unknown call '" + target.substr(0, at) + "'");
        }
        if (IsConnectionCall(*call)) {
            Fail(*call + " is made before any SQL: use the connection keyword Fail" +
                 call->substr(3) + "= or Info" + call->substr(3) + "=");
        }
        CallRule rule;
        rule.call = *call;
        if (at != std::string::npos) {
            if (!CallTakesNumber(*call)) {
                Fail(*call + " takes no @number");
            }
            rule.number = ToInteger(std::string_view(target).substr(at + 1), "call number", 0,
                                    std::numeric_limits<long long>::max());
        }
        return rule;
    }

    DiagRecord ParseDiag() {
        DiagRecord record;
        SkipSpace();
        record.sqlState = Peek('\'') ? ParseQuoted() : ReadWord();
        if (record.sqlState.size() > 5) {
            Fail("SQLSTATE '" + record.sqlState + "' is longer than five characters");
        }
        Expect(',');
        record.nativeError = static_cast<SQLINTEGER>(
            ParseInteger("native error", std::numeric_limits<SQLINTEGER>::min(),
                         std::numeric_limits<SQLINTEGER>::max()));
        Expect(',');
        ScriptValue message = ParseValue();
        if (!message) {
            Fail("a message cannot be NULL; write '' for an empty one");
        }
        record.message = std::move(*message);
        while (true) {
            SkipSpace();
            if (!Peek(',')) {
                break;
            }
            ++pos_;
            ParseDiagOption(record);
        }
        Expect(')');
        return record;
    }

    void ParseDiagOption(DiagRecord& record) {
        const std::string option = ReadWord();
        const size_t equals = option.find('=');
        const std::string key = UpperCase(option.substr(0, equals));
        if (equals == std::string::npos || (key != "COLUMN" && key != "ROW")) {
            Fail("expected column=N or row=N but found '" + option + "'");
        }
        const auto value = std::string_view(option).substr(equals + 1);
        if (key == "COLUMN") {
            record.columnNumber = static_cast<SQLINTEGER>(
                ToInteger(value, "column", std::numeric_limits<SQLINTEGER>::min(),
                          std::numeric_limits<SQLINTEGER>::max()));
        } else {
            record.rowNumber =
                static_cast<SQLLEN>(ToInteger(value, "row", std::numeric_limits<long long>::min(),
                                              std::numeric_limits<long long>::max()));
        }
    }

    ScriptColumn ParseColumn() {
        ScriptColumn column;
        SkipSpace();
        column.name = Peek('\'') ? ParseQuoted() : ReadWord();
        if (column.name.empty()) {
            Fail("expected a column name");
        }
        column.sqlType = ParseSqlType();
        const DefaultShape shape = DefaultShapeOf(column.sqlType);
        column.columnSize = shape.columnSize;
        column.decimalDigits = shape.decimalDigits;
        SkipSpace();
        if (Peek('(')) {
            ++pos_;
            column.columnSize = static_cast<SQLULEN>(ParseUnsigned("column size"));
            SkipSpace();
            if (Peek(',')) {
                ++pos_;
                column.decimalDigits = static_cast<SQLSMALLINT>(
                    ParseInteger("decimal digits", std::numeric_limits<SQLSMALLINT>::min(),
                                 std::numeric_limits<SQLSMALLINT>::max()));
            }
            Expect(')');
        }
        ParseNullability(column);
        return column;
    }

    SQLSMALLINT ParseSqlType() {
        SkipSpace();
        const size_t at = pos_;
        const std::string name = ReadWord();
        if (auto byName = SqlTypeByName(name)) {
            return *byName;
        }
        pos_ = at;
        if (name.empty() ||
            !(std::isdigit(static_cast<unsigned char>(name[0])) || name[0] == '-')) {
            Fail("unknown SQL type '" + name + "'");
        }
        return static_cast<SQLSMALLINT>(ParseInteger("SQL type",
                                                     std::numeric_limits<SQLSMALLINT>::min(),
                                                     std::numeric_limits<SQLSMALLINT>::max()));
    }

    void ParseNullability(ScriptColumn& column) {
        SkipSpace();
        if (Peek(',') || Peek(')')) {
            return;
        }
        const std::string word = UpperCase(ReadWord());
        if (word == "NULL" || word == "NULLABLE") {
            column.nullable = SQL_NULLABLE;
        } else if (word == "NO_NULLS") {
            column.nullable = SQL_NO_NULLS;
        } else if (word == "NOT" && UpperCase(ReadWord()) == "NULL") {
            column.nullable = SQL_NO_NULLS;
        } else if (word == "UNKNOWN" || word == "NULLABLE_UNKNOWN") {
            column.nullable = SQL_NULLABLE_UNKNOWN;
        } else {
            Fail("expected NULL, NOT NULL or UNKNOWN after the type of column '" + column.name +
                 "'");
        }
    }

    // A bare value runs to the next ',' or ')' and is taken verbatim; a quoted
    // one may use escapes, repetition ('x'*5) and joining ('a' + 'b').
    ScriptValue ParseValue() {
        SkipSpace();
        if (Peek('\'')) {
            return ParseQuotedExpression();
        }
        const size_t start = pos_;
        while (!AtEnd() && text_[pos_] != ',' && text_[pos_] != ')') {
            if (text_[pos_] == '(' || text_[pos_] == '\'') {
                Fail("quote a value that contains '(' or a quote");
            }
            ++pos_;
        }
        std::string_view raw = text_.substr(start, pos_ - start);
        while (!raw.empty() && IsSpace(raw.back())) {
            raw.remove_suffix(1);
        }
        if (raw.empty()) {
            pos_ = start;
            Fail("expected a value; write '' for an empty string");
        }
        if (UpperCase(raw) == "NULL") {
            return std::nullopt;
        }
        return std::string(raw);
    }

    std::string ParseQuotedExpression() {
        std::string value;
        while (true) {
            std::string piece = ParseQuoted();
            SkipSpace();
            long long repeat = 1;
            if (Peek('*')) {
                ++pos_;
                repeat = ParseInteger("repeat count", 0, static_cast<long long>(kMaxValueBytes));
            }
            if (!piece.empty() &&
                static_cast<size_t>(repeat) > (kMaxValueBytes - value.size()) / piece.size()) {
                Fail("value longer than 64 MiB");
            }
            for (long long i = 0; i < repeat; ++i) {
                value += piece;
            }
            SkipSpace();
            if (!Peek('+')) {
                return value;
            }
            ++pos_;
            SkipSpace();
            if (!Peek('\'')) {
                Fail("expected a quoted text after '+'");
            }
        }
    }

    std::string ParseQuoted() {
        Expect('\'');
        std::string text;
        while (true) {
            if (AtEnd()) {
                Fail("unterminated quoted text");
            }
            const char c = text_[pos_++];
            if (c == '\'') {
                return text;
            }
            if (c == '\\') {
                ParseEscape(text);
            } else {
                text += c;
            }
        }
    }

    void ParseEscape(std::string& out) {
        if (AtEnd()) {
            Fail("unterminated escape");
        }
        const char kind = text_[pos_++];
        switch (kind) {
            case '\\':
            case '\'':
                out += kind;
                return;
            case 'n':
                out += '\n';
                return;
            case 'r':
                out += '\r';
                return;
            case 't':
                out += '\t';
                return;
            case '0':
                out += '\0';
                return;
            case 'x':
                out += static_cast<char>(ReadHex(2));
                return;
            case 'u':
                AppendUtf8(out, ReadHex(4));
                return;
            case 'U': {
                const unsigned long codePoint = ReadHex(8);
                if (codePoint > 0x10FFFF) {
                    Fail("code point beyond U+10FFFF");
                }
                AppendUtf8(out, codePoint);
                return;
            }
            default:
                --pos_;
                Fail(std::string("unknown escape '\\") + kind + "'");
        }
    }

    unsigned long ReadHex(int digits) {
        unsigned long value = 0;
        for (int i = 0; i < digits; ++i) {
            const int digit = AtEnd() ? -1 : HexDigit(text_[pos_]);
            if (digit < 0) {
                Fail("expected " + std::to_string(digits) + " hexadecimal digits");
            }
            value = value * 16 + static_cast<unsigned long>(digit);
            ++pos_;
        }
        return value;
    }

    template <class ParseItem>
    void ParseList(ParseItem parseItem) {
        SkipSpace();
        if (Peek(')')) {
            ++pos_;
            return;
        }
        while (true) {
            parseItem();
            SkipSpace();
            if (Peek(',')) {
                ++pos_;
                continue;
            }
            Expect(')');
            return;
        }
    }

    long long ParseInteger(std::string_view what, long long min, long long max) {
        SkipSpace();
        const size_t at = pos_;
        const std::string word = ReadWord();
        pos_ = at;
        const long long value = ToInteger(word, what, min, max);
        pos_ = at + word.size();
        return value;
    }

    unsigned long long ParseUnsigned(std::string_view what) {
        SkipSpace();
        const std::string word = ReadWord();
        unsigned long long value = 0;
        const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (word.empty() || ec != std::errc() || end != word.data() + word.size()) {
            Fail(std::string(what) + " '" + word + "' is not an unsigned 64-bit number");
        }
        return value;
    }

    long long ToInteger(std::string_view word, std::string_view what, long long min,
                        long long max) {
        long long value = 0;
        const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (word.empty() || ec != std::errc() || end != word.data() + word.size()) {
            Fail(std::string(what) + " '" + std::string(word) + "' is not a whole number");
        }
        if (value < min || value > max) {
            Fail(std::string(what) + " " + std::string(word) + " is out of range (" +
                 std::to_string(min) + " to " + std::to_string(max) + ")");
        }
        return value;
    }

    std::string ReadWord() {
        SkipSpace();
        const size_t start = pos_;
        while (!AtEnd() && IsWordChar(text_[pos_])) {
            ++pos_;
        }
        return std::string(text_.substr(start, pos_ - start));
    }

    // Whitespace and "--" comments to the end of the line.
    void SkipSpace() {
        while (!AtEnd()) {
            if (IsSpace(text_[pos_])) {
                ++pos_;
            } else if (text_.substr(pos_, 2) == "--") {
                const size_t lineEnd = text_.find('\n', pos_);
                pos_ = lineEnd == std::string_view::npos ? text_.size() : lineEnd;
            } else {
                return;
            }
        }
    }

    bool AtEnd() const { return pos_ >= text_.size(); }
    bool Peek(char c) const { return !AtEnd() && text_[pos_] == c; }

    void Expect(char c) {
        SkipSpace();
        if (!Peek(c)) {
            Fail(std::string("expected '") + c + "'");
        }
        ++pos_;
    }

    [[noreturn]] void Fail(std::string message) const {
        throw ScriptSyntaxError{pos_, std::move(message)};
    }

    std::string_view text_;
    size_t pos_;
    Script script_;
};

Script DefaultQuery() {
    ScriptColumn column;
    column.name = "1";
    column.sqlType = SQL_INTEGER;
    column.columnSize = DefaultShapeOf(SQL_INTEGER).columnSize;
    ScriptResult result;
    result.columns.push_back(column);
    result.rows.push_back({ScriptValue("1")});
    Script script;
    script.results.push_back(std::move(result));
    return script;
}

std::string DescribeError(std::string_view text, const ScriptSyntaxError& error) {
    const size_t offset = std::min(error.offset, text.size());
    std::string near(text.substr(offset, 24));
    for (char& c : near) {
        c = IsSpace(c) ? ' ' : c;
    }
    return "testdriver: script error at offset " + std::to_string(offset) + " (near '" + near +
           "'): " + error.message;
}

}  // namespace

ParsedStatement ParseStatementText(std::string_view text) {
    const size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) {
        return {Script{}, {}};
    }
    if (UpperCase(text.substr(start, kScriptMarker.size())) != kScriptMarker) {
        return {DefaultQuery(), {}};
    }
    try {
        return {ScriptParser(text, start + kScriptMarker.size()).Parse(), {}};
    } catch (const ScriptSyntaxError& error) {
        return {std::nullopt, DescribeError(text, error)};
    }
}

}  // namespace querimo::testodbc
