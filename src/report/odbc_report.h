#pragma once
// Writes every result set of an executed statement to a CSV file or an HTML page.

#include <sql.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ODBCColumn;
class ODBCStatement;
class ReportFile;

class ODBCReport {
  public:
    enum Format { kCsv = 0, kHtml = 1, kXml = 2 };

    explicit ODBCReport(ODBCStatement* statement) : m_statement(statement) {}
    ODBCReport(const ODBCReport&) = delete;
    ODBCReport& operator=(const ODBCReport&) = delete;
    virtual ~ODBCReport() = default;

    bool Report(const std::string& fileName, int format);
    bool OutputCSV(const std::string& fileName);
    bool OutputHTML(const std::string& fileName);
    // Opens the output file; a failure is raised on the statement and gives false.
    bool OpenFile(const std::string& fileName, ReportFile& file);
    // "<font ...>" with m_fontAttributes, or nothing without them.
    std::string FontOpener() const;

    std::string m_styleSheet;
    ODBCStatement* m_statement;
    int32_t m_rowCounter = 0;
    int32_t m_rowsAffected = 0;
    std::vector<std::string> m_headings;
    std::string m_fontAttributes;
    char m_delimiter = ',';
    char m_quote = '"';
    bool m_quoteAll = false;
    bool m_append = false;
    bool m_header = true;

  private:
    // CSV
    bool WriteCsvResultSets(ReportFile& file, bool rowsAffectedFirst);
    std::string CsvHeadingLine() const;
    // How a column's value goes into a line; the same for every row of a result set.
    struct CsvField {
        enum Kind {
            kBitNumber,  // the byte as a number
            kPlain,      // as it is: nothing in it can break the line
            kQuoted,
            kChecked,  // quoted only if it would break the line
        };
        const ODBCColumn* column;
        Kind kind;
    };
    // formattedTextIsPlain: no character of a number, date or time text breaks a line.
    std::vector<CsvField> CsvFields(bool formattedTextIsPlain) const;
    // Rows are built in buffers that live as long as the result set, so that a row costs no
    // allocation: line receives the whole line without its line end, text holds a value that
    // must be escaped.
    void BuildCsvDataLine(const std::vector<CsvField>& fields, std::string& line,
                          std::string& text) const;
    // A value of text put at the end of line: quoted, or checked and quoted only if need be.
    void AppendCsvValue(const ODBCColumn& column, bool quoted, std::string& line,
                        std::string& text) const;
    // HTML
    void WriteHtmlHead(ReportFile& file, const std::string& fileName) const;
    void MoveToInsertPlace(ReportFile& file) const;
    bool WriteHtmlResultSets(ReportFile& file);
    // False when a fetch failed before the last row.
    bool WriteHtmlTable(ReportFile& file, int columnCount);
    std::string HtmlHeadingRow(int columnCount) const;
    // cellStarts: what opens each column's cell.
    void BuildHtmlDataRow(std::string& row, std::string& text,
                          const std::vector<std::string>& cellStarts,
                          const std::string& font) const;
    void WriteHtmlEnd(ReportFile& file) const;
    void RaiseFileError(const std::string& message, const char* source);

    ODBCColumn* Column(int index) const;
};

// Text rules shared by the writers, kept free of any statement so they can be tried alone.
namespace report_text {

// A quoted CSV field: control characters as backslash and three octal digits, quotes doubled.
std::string QuotedCsvField(const std::string& text, char quote);
void AppendQuotedCsvField(std::string& out, std::string_view text, char quote);
// Whether a quoted field of text would need escapes: control characters or the quote.
bool NeedsCsvEscapes(std::string_view text, char quote);
// Whether an unquoted field would break its line into other fields or lines.
bool BreaksCsvLine(std::string_view text, char delimiter, char quote);
// Text as it stands in a page: '&', '<', '>' and, inside an attribute value, '"' as entities.
void AppendHtmlEscaped(std::string& out, std::string_view text, bool inAttribute = false);
std::string HtmlEscaped(std::string_view text, bool inAttribute = false);
// A cell's text trimmed of white space, then escaped.
std::string HtmlCellText(const std::string& text);
void AppendHtmlCellText(std::string& out, std::string_view text);
// Whether a cell's text stands in a page as it is: nothing to trim, nothing to escape.
bool IsPlainHtmlCellText(std::string_view text);
// Where an appended page is to be cut, given the last bytes of the file starting at tailOffset;
// -1 when the marker is missing.
int64_t InsertPlace(const std::string& tail, int64_t tailOffset);
// "utf-8" for a UTF-8 or C locale, otherwise the locale's character set in lower case.
std::string PageCharset();

inline constexpr const char* kInsertMarker = "<!-- ODBCReport::Append insert position:";

}  // namespace report_text
