#include "diagnostics.h"

#include <algorithm>
#include <cstring>

namespace querimo::testodbc {

DiagRecord MakeDiag(std::string sqlState, std::string message, SQLINTEGER columnNumber) {
    DiagRecord record;
    record.sqlState = std::move(sqlState);
    record.message = std::move(message);
    record.columnNumber = columnNumber;
    return record;
}

void DiagArea::Clear() {
    records_.clear();
    sqlErrorNext_ = 0;
    returnCode_ = SQL_SUCCESS;
}

void DiagArea::Add(DiagRecord record) {
    records_.push_back(std::move(record));
}

void DiagArea::AddAll(const std::vector<DiagRecord>& records) {
    records_.insert(records_.end(), records.begin(), records.end());
}

SQLRETURN DiagArea::Finish(SQLRETURN returnCode) {
    returnCode_ = returnCode;
    return returnCode;
}

const DiagRecord* DiagArea::Record(SQLSMALLINT number) const {
    if (number < 1 || static_cast<size_t>(number) > records_.size()) {
        return nullptr;
    }
    return &records_[static_cast<size_t>(number) - 1];
}

const DiagRecord* DiagArea::TakeNextForSqlError() {
    if (sqlErrorNext_ >= records_.size()) {
        return nullptr;
    }
    return &records_[sqlErrorNext_++];
}

bool CopyText(std::string_view text, SQLPOINTER buffer, SQLLEN bufferLength) {
    if (buffer == nullptr) {
        return false;
    }
    if (bufferLength <= 0) {
        return !text.empty();
    }
    const size_t room = static_cast<size_t>(bufferLength) - 1;
    const size_t count = std::min(room, text.size());
    auto* out = static_cast<char*>(buffer);
    std::memcpy(out, text.data(), count);
    out[count] = '\0';
    return count < text.size();
}

}  // namespace querimo::testodbc
