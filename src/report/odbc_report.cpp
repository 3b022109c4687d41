#include "report/odbc_report.h"

#include "db/odbc_statement.h"
#include "db/os_io.h"
#include "report/report_file.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr std::size_t kMaxFileErrorText = 255;

}  // namespace

bool ODBCReport::Report(const std::string& fileName, int format) {
    switch (format) {
        case kCsv:
            return OutputCSV(fileName);
        case kHtml:
            return OutputHTML(fileName);
        default:
            return false;
    }
}

bool ODBCReport::OpenFile(const std::string& fileName, ReportFile& file) {
    int error = file.Open(fileName, m_append);
    if (error == 0) {
        return true;
    }
    m_statement->RaiseError(
        SQL_ERROR, "Could not open file " + fileName + " (" + querimo::OsErrorText(error) + ")",
        "ODBCReport::Report");
    return false;
}

std::string ODBCReport::FontOpener() const {
    return m_fontAttributes.empty() ? std::string() : "<font " + m_fontAttributes + ">";
}

void ODBCReport::RaiseFileError(const std::string& message, const char* source) {
    m_statement->RaiseError(SQL_ERROR, message.substr(0, kMaxFileErrorText), source);
}

ODBCColumn* ODBCReport::Column(int index) const {
    return m_statement->GetBuffer()->GetColumn(index);
}
