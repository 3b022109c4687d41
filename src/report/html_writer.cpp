// The HTML page writer, and extending a page at its insert marker.
#include "db/cmdline_err_handler.h"
#include "db/odbc_statement.h"
#include "report/odbc_report.h"
#include "report/report_file.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <iterator>
#include <string_view>
#include <vector>

namespace {

// Only this much of a page's end is searched for the marker.
constexpr int64_t kMarkerSearchBytes = 64 * 1024;
constexpr const char* kPageEnd = "</html>";

const char* const kNoticeBlock =
    "<table border=0 width=\"100%\">\n<tr>\n<td class=header height=12 width=\"100%\"></td>\n"
    "<tr>\n<td class=content width=\"100%\">\n"
    "<b>Querimo report.</b> Written through ODBC by Querimo 4.0.\n"
    "<font size=1>\n<a href=\"https://brenlow.test/\">Brenlow Ltd</a>"
    "\n</font></td></tr></table>\n\n";

std::string FileNamePart(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool ODBCReport::OutputHTML(const std::string& fileName) {
    ReportFile file;
    if (!OpenFile(fileName, file)) {
        return false;
    }
    m_statement->SetWholeValues(true);
    try {
        if (file.Position() == 0) {
            WriteHtmlHead(file, fileName);
        } else {
            MoveToInsertPlace(file);
        }
        bool complete = WriteHtmlResultSets(file);
        m_rowsAffected = m_rowCounter;
        WriteHtmlEnd(file);
        // A short result must not take the place of what the file held.
        if (complete) {
            file.Close();
        }
        return complete;
    } catch (const ReportFileError& error) {
        RaiseFileError(error.what(), "ODBCReport::OutputHTML");
        return false;
    }
}

void ODBCReport::WriteHtmlHead(ReportFile& file, const std::string& fileName) const {
    file.WriteText("<!-- ODBCReport::OutputHTML() Pellinor Ltd,NZ " +
                   FormatLogTime(std::time(nullptr)) + " -->\n");
    file.WriteText(
        "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" +
        report_text::PageCharset() +
        "\">\n<meta name=\"GENERATOR\" content=\"ODBCReport [Pellinor Ltd $Revision: 10 $]\">\n");
    if (!m_styleSheet.empty()) {
        file.WriteText("<link href=\"" + report_text::HtmlEscaped(m_styleSheet, true) +
                       "\" type=\"text/css\" rel=\"stylesheet\" />\n");
    }
    file.WriteText("<title>" + report_text::HtmlEscaped(FileNamePart(fileName)) + "</title>\n");
    file.WriteText("</head>\n<body>\n");
    file.WriteText("<hr color=red width=\"100%\">\n");
    for (std::size_t i = 0; i < m_headings.size(); ++i) {
        if (m_headings[i].empty()) {
            continue;
        }
        std::string level = std::to_string(i + 1);
        file.WriteText("<h" + level + " class=heading" + level + ">" +
                       report_text::HtmlEscaped(m_headings[i]) + "</h" + level + ">\n");
    }
}

void ODBCReport::MoveToInsertPlace(ReportFile& file) const {
    int64_t size = file.PreviousSize();
    // A page shorter than the search window is searched from its start.
    int64_t start = std::max<int64_t>(0, size - kMarkerSearchBytes);
    std::string tail = file.ReadPrevious(start, static_cast<std::size_t>(size - start));
    int64_t place = report_text::InsertPlace(tail, start);
    if (place < 0) {
        file.KeepPrevious(size, size);
        return;
    }
    // Log lines of a failed append stand after the page's end; they stay after the new end.
    int64_t resumeAt = size;
    std::string::size_type pageEnd = tail.find(kPageEnd, static_cast<std::size_t>(place - start));
    if (pageEnd != std::string::npos) {
        std::string::size_type next = tail.find('\n', pageEnd);
        resumeAt = next == std::string::npos ? size : start + static_cast<int64_t>(next) + 1;
    }
    file.KeepPrevious(place, resumeAt);
}

bool ODBCReport::WriteHtmlResultSets(ReportFile& file) {
    // A set whose columns, rows or row count could not be read leaves the page short.
    bool everySetRead = true;
    SQLRETURN more = SQL_SUCCESS;
    for (bool first = true;; first = false) {
        int columns = m_statement->GetBoundColumns();
        if (!first) {
            SQLSMALLINT count = 0;
            if (IsSqlSuccess(m_statement->NumResultCols(&count))) {
                bool bound = count == 0 || IsSqlSuccess(m_statement->RebindBuffer(1));
                everySetRead = everySetRead && bound;
                // Columns that could not be bound must not be read.
                columns = !bound ? -1 : count == 0 ? 0 : m_statement->GetBoundColumns();
            } else {
                everySetRead = false;
            }
        }
        if (columns == 0) {
            SQLLEN count = 0;
            if (IsSqlSuccess(m_statement->RowCount(&count))) {
                m_rowsAffected = static_cast<int32_t>(count);
                file.WriteText("<p>Rows affected: " + std::to_string(count) + "</p>\n");
            } else {
                everySetRead = false;
            }
        } else if (columns > 0) {
            everySetRead = WriteHtmlTable(file, columns) && everySetRead;
        }
        more = m_statement->MoreResults();
        if (!IsSqlSuccess(more)) {
            break;
        }
    }
    return more == SQL_NO_DATA && everySetRead;
}

bool ODBCReport::WriteHtmlTable(ReportFile& file, int columnCount) {
    std::string start =
        "<table cellPadding=2 cellSpacing=0 class=report width=\"100%\" border=1>\n";
    if (m_header) {
        file.WriteText(start + "<tr>\n");
        file.WriteText(HtmlHeadingRow(columnCount));
    } else {
        file.WriteText(start);
    }
    // What opens each cell, the same on every row.
    const std::string font = FontOpener();
    std::vector<std::string> cellStarts;
    for (int index = 0; index < columnCount; ++index) {
        cellStarts.push_back((Column(index)->IsTextType() ? "<td>" : "<td align=right>") + font);
    }
    std::string row;
    std::string text;
    SQLRETURN fetched = SQL_NO_DATA;
    while (IsSqlSuccess(fetched = m_statement->Fetch())) {
        ++m_rowCounter;
        BuildHtmlDataRow(row, text, cellStarts, font);
        file.WriteText(row);
    }
    file.WriteText("</table>\n");
    return fetched == SQL_NO_DATA;
}

std::string ODBCReport::HtmlHeadingRow(int columnCount) const {
    std::string row = "<th class=columnlabel>" + FontOpener() + "#</th>\n";
    for (int index = 0; index < columnCount; ++index) {
        const ODBCColumn* column = Column(index);
        row += column->IsTextType() ? "<th align=left class=columnlabel>"
                                    : "<th align=right class=columnlabel>";
        report_text::AppendHtmlEscaped(row, column->m_name);
        row += "</th>\n";
    }
    return row + "</tr>\n";
}

void ODBCReport::BuildHtmlDataRow(std::string& row, std::string& text,
                                  const std::vector<std::string>& cellStarts,
                                  const std::string& font) const {
    using namespace std::string_view_literals;
    row.assign("<tr class=repline"sv);
    row += (m_rowCounter & 1) != 0 ? '1' : '0';
    row += ">\n<td align=right>"sv;
    row += font;
    char number[16];
    row.append(number, std::to_chars(std::begin(number), std::end(number), m_rowCounter).ptr);
    row += "</td>\n"sv;
    for (std::size_t index = 0; index < cellStarts.size(); ++index) {
        const ODBCColumn* column = Column(static_cast<int>(index));
        row += cellStarts[index];
        if (column->IsNull(0)) {
            row += "&lt;null&gt;"sv;
        } else {
            // Written in place: most values stand as they are.
            const std::size_t start = row.size();
            column->AppendText(0, row);
            if (!report_text::IsPlainHtmlCellText(std::string_view(row).substr(start))) {
                text.assign(row, start);
                row.resize(start);
                report_text::AppendHtmlCellText(row, text);
            }
        }
        row += "</td>\n"sv;
    }
    row += "</tr>\n\n"sv;
}

void ODBCReport::WriteHtmlEnd(ReportFile& file) const {
    file.WriteText(std::string(report_text::kInsertMarker) + std::to_string(file.Position()) +
                   " -->\n");
    file.WriteText(kNoticeBlock);
    file.WriteText("</body>\n</html>\n");
}
