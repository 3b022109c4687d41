#pragma once
// Colours for SQL in the script editor: keywords, strings, comments, numbers, and the bytes that
// are not text. Only the lines on screen are coloured, when they are painted, so that opening a
// script of many megabytes costs no more than the editor's own work.

#include <QObject>
#include <QStringView>

#include <vector>

class QPlainTextEdit;
class QTextBlock;

namespace querimo {

enum class SqlToken { Keyword, String, Comment, Number, EscapedByte };

struct SqlSpan {
    int start;
    int length;
    SqlToken token;

    bool operator==(const SqlSpan&) const = default;
};

// Where a line begins: inside a /* comment */, a 'string' or a "quoted name" left open by the
// lines before it, or none of those.
enum SqlLineState : int { kSqlNormal = 0, kSqlInComment, kSqlInString, kSqlInQuotedName };

// Scans one line that starts in startState, appends its coloured spans (when spans is given)
// and returns the state in which the next line starts.
int ScanSqlLine(QStringView line, int startState, std::vector<SqlSpan>* spans);

bool IsSqlKeyword(QStringView word);

class SqlHighlighter : public QObject {
    Q_OBJECT
  public:
    // Colours the editor's document for as long as the editor lives.
    explicit SqlHighlighter(QPlainTextEdit* editor);

    // Colours the lines the editor shows now; painting calls it by itself.
    void HighlightVisibleBlocks();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ForgetStatesFrom(int position);
    int StateAtStartOf(const QTextBlock& block);
    void Colour(QTextBlock block, int startState);

    QPlainTextEdit* m_editor;
    // Blocks numbered below this carry the state in which their next line starts.
    int m_statesKnownBefore = 0;
};

}  // namespace querimo
