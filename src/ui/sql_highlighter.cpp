#include "ui/sql_highlighter.h"

#include "ui/editor_bytes.h"

#include <QEvent>
#include <QHash>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

namespace querimo {

namespace {

using namespace std::string_view_literals;

// Sorted, upper case.
constexpr std::array kKeywords = {
    "ADD"sv,        "ALL"sv,        "ALTER"sv,     "AND"sv,         "ANY"sv,       "AS"sv,
    "ASC"sv,        "BEGIN"sv,      "BETWEEN"sv,   "BIGINT"sv,      "BINARY"sv,    "BLOB"sv,
    "BOOLEAN"sv,    "BY"sv,         "CALL"sv,      "CASCADE"sv,     "CASE"sv,      "CAST"sv,
    "CHAR"sv,       "CHARACTER"sv,  "CHECK"sv,     "CLOB"sv,        "COLUMN"sv,    "COMMIT"sv,
    "CONSTRAINT"sv, "CREATE"sv,     "CROSS"sv,     "CURRENT"sv,     "DATE"sv,      "DECIMAL"sv,
    "DECLARE"sv,    "DEFAULT"sv,    "DELETE"sv,    "DESC"sv,        "DISTINCT"sv,  "DOUBLE"sv,
    "DROP"sv,       "ELSE"sv,       "END"sv,       "ESCAPE"sv,      "EXCEPT"sv,    "EXEC"sv,
    "EXECUTE"sv,    "EXISTS"sv,     "FALSE"sv,     "FETCH"sv,       "FIRST"sv,     "FLOAT"sv,
    "FOR"sv,        "FOREIGN"sv,    "FROM"sv,      "FULL"sv,        "FUNCTION"sv,  "GRANT"sv,
    "GROUP"sv,      "HAVING"sv,     "IF"sv,        "IN"sv,          "INDEX"sv,     "INNER"sv,
    "INSERT"sv,     "INT"sv,        "INTEGER"sv,   "INTERSECT"sv,   "INTERVAL"sv,  "INTO"sv,
    "IS"sv,         "JOIN"sv,       "KEY"sv,       "LEFT"sv,        "LIKE"sv,      "LIMIT"sv,
    "NATURAL"sv,    "NEXT"sv,       "NOT"sv,       "NULL"sv,        "NUMERIC"sv,   "OF"sv,
    "OFFSET"sv,     "ON"sv,         "ONLY"sv,      "OR"sv,          "ORDER"sv,     "OUTER"sv,
    "OVER"sv,       "PARTITION"sv,  "PRECISION"sv, "PRIMARY"sv,     "PROCEDURE"sv, "REAL"sv,
    "RECURSIVE"sv,  "REFERENCES"sv, "RETURN"sv,    "RETURNS"sv,     "REVOKE"sv,    "RIGHT"sv,
    "ROLLBACK"sv,   "ROW"sv,        "ROWS"sv,      "SCHEMA"sv,      "SELECT"sv,    "SET"sv,
    "SMALLINT"sv,   "SOME"sv,       "TABLE"sv,     "TEXT"sv,        "THEN"sv,      "TIME"sv,
    "TIMESTAMP"sv,  "TO"sv,         "TOP"sv,       "TRANSACTION"sv, "TRIGGER"sv,   "TRUE"sv,
    "TRUNCATE"sv,   "UNION"sv,      "UNIQUE"sv,    "UPDATE"sv,      "USING"sv,     "VALUES"sv,
    "VARCHAR"sv,    "VIEW"sv,       "WHEN"sv,      "WHERE"sv,       "WITH"sv,
};

constexpr std::size_t kLongestKeyword = 11;

bool IsAsciiLetter(char16_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char16_t c) {
    return c >= '0' && c <= '9';
}

bool StartsName(QChar c) {
    return c == u'_' || IsAsciiLetter(c.unicode()) || (c.unicode() >= 0x80 && c.isLetter());
}

bool ContinuesName(QChar c) {
    return StartsName(c) || IsDigit(c.unicode()) || c == u'$' || c == u'#';
}

// The escaped bytes are U+10FF00..U+10FFFF: high surrogate U+DBFF, low U+DF00..U+DFFF.
bool IsEscapedBytePair(QStringView line, qsizetype i) {
    return line[i].unicode() == 0xDBFF && i + 1 < line.size() && line[i + 1].unicode() >= 0xDF00 &&
           line[i + 1].unicode() <= 0xDFFF;
}

class LineScanner {
  public:
    LineScanner(QStringView line, std::vector<SqlSpan>* spans) : m_line(line), m_spans(spans) {}

    int Scan(int state) {
        qsizetype start = 0;
        while (m_pos < m_line.size()) {
            switch (state) {
                case kSqlInComment:
                    state = Close(u"*/", start, SqlToken::Comment, state);
                    break;
                case kSqlInString:
                    state = Close(u"'", start, SqlToken::String, state);
                    break;
                case kSqlInQuotedName:
                    state = Close(u"\"", start, std::nullopt, state);
                    break;
                default:
                    start = m_pos;
                    state = ScanNormal();
                    break;
            }
        }
        AddEscapedBytes();
        return state;
    }

  private:
    // Ends the open construct at its closing text, or carries it into the next line.
    int Close(std::u16string_view closing, qsizetype start, std::optional<SqlToken> token,
              int openState) {
        qsizetype found = m_line.indexOf(QStringView(closing), m_pos);
        qsizetype end = found < 0 ? m_line.size() : found + static_cast<qsizetype>(closing.size());
        if (token) {
            Add(start, end, *token);
        }
        m_pos = end;
        return found < 0 ? openState : kSqlNormal;
    }

    int ScanNormal() {
        QChar c = m_line[m_pos];
        QChar next = m_pos + 1 < m_line.size() ? m_line[m_pos + 1] : QChar();
        if (c == u'-' && next == u'-') {
            Add(m_pos, m_line.size(), SqlToken::Comment);
            m_pos = m_line.size();
        } else if (c == u'/' && next == u'*') {
            m_pos += 2;
            return kSqlInComment;
        } else if (c == u'\'') {
            m_pos += 1;
            return kSqlInString;
        } else if (c == u'"') {
            m_pos += 1;
            return kSqlInQuotedName;
        } else if (IsDigit(c.unicode()) || (c == u'.' && IsDigit(next.unicode()))) {
            ScanNumber();
        } else if (StartsName(c)) {
            ScanName();
        } else {
            m_pos += 1;
        }
        return kSqlNormal;
    }

    void ScanNumber() {
        qsizetype start = m_pos;
        SkipDigits();
        if (At(u'.')) {
            m_pos += 1;
            SkipDigits();
        }
        if ((At(u'e') || At(u'E')) && HasExponentDigits()) {
            m_pos += 1;
            if (At(u'+') || At(u'-')) {
                m_pos += 1;
            }
            SkipDigits();
        }
        Add(start, m_pos, SqlToken::Number);
    }

    bool HasExponentDigits() const {
        qsizetype i = m_pos + 1;
        if (i < m_line.size() && (m_line[i] == u'+' || m_line[i] == u'-')) {
            ++i;
        }
        return i < m_line.size() && IsDigit(m_line[i].unicode());
    }

    void ScanName() {
        qsizetype start = m_pos;
        while (m_pos < m_line.size() && ContinuesName(m_line[m_pos])) {
            m_pos += 1;
        }
        if (IsSqlKeyword(m_line.sliced(start, m_pos - start))) {
            Add(start, m_pos, SqlToken::Keyword);
        }
    }

    void SkipDigits() {
        while (m_pos < m_line.size() && IsDigit(m_line[m_pos].unicode())) {
            m_pos += 1;
        }
    }

    bool At(char16_t c) const { return m_pos < m_line.size() && m_line[m_pos] == c; }

    // Escaped bytes stand out wherever they are, strings and comments included.
    void AddEscapedBytes() {
        for (qsizetype i = 0; i + 1 < m_line.size(); ++i) {
            if (IsEscapedBytePair(m_line, i)) {
                Add(i, i + 2, SqlToken::EscapedByte);
                ++i;
            }
        }
    }

    void Add(qsizetype start, qsizetype end, SqlToken token) {
        if (m_spans != nullptr && end > start) {
            m_spans->push_back({static_cast<int>(start), static_cast<int>(end - start), token});
        }
    }

    QStringView m_line;
    std::vector<SqlSpan>* m_spans;
    qsizetype m_pos = 0;
};

QTextCharFormat FormatOf(SqlToken token) {
    QTextCharFormat format;
    switch (token) {
        case SqlToken::Keyword:
            format.setForeground(QColor(0x1F, 0x3F, 0x9F));
            format.setFontWeight(QFont::Bold);
            break;
        case SqlToken::String:
            format.setForeground(QColor(0xA3, 0x15, 0x15));
            break;
        case SqlToken::Comment:
            format.setForeground(QColor(0x3F, 0x7F, 0x3F));
            break;
        case SqlToken::Number:
            format.setForeground(QColor(0x09, 0x86, 0x58));
            break;
        case SqlToken::EscapedByte:
            format.setForeground(Qt::white);
            format.setBackground(QColor(0xC0, 0x39, 0x2B));
            break;
    }
    return format;
}

// What a block was coloured from; its colours hold while both are unchanged.
class ColouredFrom : public QTextBlockUserData {
  public:
    ColouredFrom(int startState, size_t textHash) : startState(startState), textHash(textHash) {}
    const int startState;
    const size_t textHash;
};

bool IsColouredFrom(const QTextBlock& block, int startState, size_t textHash) {
    auto* mark = static_cast<const ColouredFrom*>(block.userData());
    return mark != nullptr && mark->startState == startState && mark->textHash == textHash;
}

}  // namespace

int ScanSqlLine(QStringView line, int startState, std::vector<SqlSpan>* spans) {
    return LineScanner(line, spans).Scan(startState);
}

bool IsSqlKeyword(QStringView word) {
    if (word.size() > static_cast<qsizetype>(kLongestKeyword)) {
        return false;
    }
    std::array<char, kLongestKeyword> upper{};
    for (qsizetype i = 0; i < word.size(); ++i) {
        char16_t c = word[i].unicode();
        if (!IsAsciiLetter(c)) {
            return false;
        }
        upper[static_cast<std::size_t>(i)] = static_cast<char>(c >= 'a' ? c - ('a' - 'A') : c);
    }
    std::string_view key(upper.data(), static_cast<std::size_t>(word.size()));
    return std::binary_search(kKeywords.begin(), kKeywords.end(), key);
}

SqlHighlighter::SqlHighlighter(QPlainTextEdit* editor) : QObject(editor), m_editor(editor) {
    editor->viewport()->installEventFilter(this);
    connect(editor->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int) { ForgetStatesFrom(position); });
}

bool SqlHighlighter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && watched == m_editor->viewport()) {
        HighlightVisibleBlocks();
    }
    return false;
}

void SqlHighlighter::HighlightVisibleBlocks() {
    QTextBlock first = m_editor->cursorForPosition(QPoint(0, 0)).block();
    QTextBlock last =
        m_editor->cursorForPosition(QPoint(0, m_editor->viewport()->height())).block();
    int state = StateAtStartOf(first);
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        Colour(block, state);
        state = block.userState();
        if (block == last) {
            break;
        }
    }
}

void SqlHighlighter::ForgetStatesFrom(int position) {
    int changed = m_editor->document()->findBlock(position).blockNumber();
    m_statesKnownBefore = std::min(m_statesKnownBefore, std::max(changed, 0));
}

int SqlHighlighter::StateAtStartOf(const QTextBlock& block) {
    int number = block.blockNumber();
    if (number <= 0) {
        return kSqlNormal;
    }
    QTextBlock scanned = m_editor->document()->findBlockByNumber(m_statesKnownBefore);
    int state = m_statesKnownBefore == 0 ? int{kSqlNormal} : scanned.previous().userState();
    for (; scanned.isValid() && scanned.blockNumber() < number; scanned = scanned.next()) {
        state = ScanSqlLine(scanned.text(), state, nullptr);
        scanned.setUserState(state);
    }
    m_statesKnownBefore = std::max(m_statesKnownBefore, number);
    return block.previous().userState();
}

void SqlHighlighter::Colour(QTextBlock block, int startState) {
    QString text = block.text();
    size_t textHash = qHash(text);
    if (IsColouredFrom(block, startState, textHash)) {
        return;
    }
    std::vector<SqlSpan> spans;
    block.setUserState(ScanSqlLine(text, startState, &spans));
    QList<QTextLayout::FormatRange> ranges;
    ranges.reserve(static_cast<qsizetype>(spans.size()));
    for (const SqlSpan& span : spans) {
        ranges.push_back({span.start, span.length, FormatOf(span.token)});
    }
    block.layout()->setFormats(ranges);
    block.setUserData(new ColouredFrom(startState, textHash));
    // Lays the block out again with its colours; unlike an edit, this emits no change signal.
    m_editor->document()->markContentsDirty(block.position(), block.length());
}

}  // namespace querimo
