#include "statement.h"

#include <chrono>

#include "driver_registry.h"
#include "handles.h"

namespace querimo::testodbc {
namespace {

bool Succeeded(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// The worse of two outcomes of the same call.
SQLRETURN Combine(SQLRETURN soFar, SQLRETURN next) {
    if (!Succeeded(soFar)) {
        return soFar;
    }
    if (!Succeeded(next)) {
        return next;
    }
    return soFar == SQL_SUCCESS_WITH_INFO || next == SQL_SUCCESS_WITH_INFO ? SQL_SUCCESS_WITH_INFO
                                                                           : SQL_SUCCESS;
}

}  // namespace

Statement::Statement(Connection& owner) : connection(owner) {
    RegisterHandle(this, HandleKind::Statement);
}

Statement::~Statement() {
    UnregisterHandle(this);
}

// A scripted rule for the call replaces it: SQL_ERROR, SQL_NO_DATA and the
// like return at once with the rule's records and change nothing; a
// success code lets the call do its work and adds the records.
template <class Work>
SQLRETURN Statement::Scripted(std::string_view call, std::optional<long long> number, Work work) {
    const CallRule* rule = FindScriptedRule(call, number);
    if (rule == nullptr) {
        return work();
    }
    diags.AddAll(RuleDiagnostics(*rule));
    if (!Succeeded(rule->code)) {
        return rule->code;
    }
    return Combine(rule->code, work());
}

const CallRule* Statement::FindScriptedRule(std::string_view call,
                                            std::optional<long long> number) const {
    if (const CallRule* rule = FindRule(connection.options.rules, call, number)) {
        return rule;
    }
    if (!script_) {
        return nullptr;
    }
    if (IsResultScopedCall(call)) {
        if (const ScriptResult* result = CurrentResult()) {
            if (const CallRule* rule = FindRule(result->rules, call, number)) {
                return rule;
            }
        }
        return FindRule(script_->rules, call, number);
    }
    if (const CallRule* rule = FindRule(script_->rules, call, number)) {
        return rule;
    }
    for (const auto& result : script_->results) {
        if (const CallRule* rule = FindRule(result.rules, call, number)) {
            return rule;
        }
    }
    return nullptr;
}

// Before execution the first result set is described, as a prepared
// statement's metadata is.
const ScriptResult* Statement::CurrentResult() const {
    if (!script_ || script_->results.empty() || phase_ == Phase::Allocated) {
        return nullptr;
    }
    if (phase_ == Phase::Prepared) {
        return &script_->results.front();
    }
    return resultIndex_ < script_->results.size() ? &script_->results[resultIndex_] : nullptr;
}

bool Statement::OnRow() const {
    const ScriptResult* result = phase_ == Phase::Executed ? CurrentResult() : nullptr;
    return result != nullptr && currentRow_ >= 1 && currentRow_ <= result->TotalRows();
}

const ScriptValue& Statement::CurrentValue(size_t columnIndex) const {
    const ScriptResult& result = *CurrentResult();
    if (currentRow_ <= static_cast<long long>(result.rows.size())) {
        return result.rows[static_cast<size_t>(currentRow_ - 1)][columnIndex];
    }
    return generatedValue_;
}

void Statement::ResetRowState() {
    fetchCalls_ = 0;
    currentRow_ = 0;
    getDataProgress_.clear();
}

SQLRETURN Statement::SequenceError() {
    diags.Add(MakeDiag("HY010", "Function sequence error"));
    return SQL_ERROR;
}

SQLRETURN Statement::CursorStateError() {
    diags.Add(MakeDiag("24000", "Invalid cursor state"));
    return SQL_ERROR;
}

SQLRETURN Statement::DescriptorIndexError(long long number) {
    diags.Add(MakeDiag("07009", "Invalid descriptor index " + std::to_string(number)));
    return SQL_ERROR;
}

SQLRETURN Statement::Prepare(std::string_view sql) {
    ResetRowState();
    script_.reset();
    phase_ = Phase::Allocated;
    ParsedStatement parsed = ParseStatementText(sql);
    if (!parsed.script) {
        diags.Add(MakeDiag("42000", parsed.error));
        return SQL_ERROR;
    }
    script_ = std::move(parsed.script);
    phase_ = Phase::Prepared;
    const SQLRETURN rc =
        Scripted("SQLPrepare", std::nullopt, []() -> SQLRETURN { return SQL_SUCCESS; });
    if (!Succeeded(rc)) {
        script_.reset();
        phase_ = Phase::Allocated;
    }
    return rc;
}

SQLRETURN Statement::Execute() {
    if (phase_ == Phase::Allocated) {
        return SequenceError();
    }
    ResetRowState();
    phase_ = Phase::Prepared;
    return Scripted("SQLExecute", std::nullopt, [&]() -> SQLRETURN { return RunExecute(); });
}

SQLRETURN Statement::RunExecute() {
    phase_ = Phase::Executed;
    resultIndex_ = 0;
    const SQLRETURN rc = WriteOutputParameters();
    if (!Succeeded(rc)) {
        phase_ = Phase::Prepared;
    }
    return rc;
}

// Parameter diagnostics name the parameter in SQL_DIAG_COLUMN_NUMBER.
SQLRETURN Statement::WriteOutputParameters() {
    SQLRETURN rc = SQL_SUCCESS;
    for (const auto& [number, value] : script_->outputParameters) {
        const auto binding = parameterBindings_.find(number);
        if (binding == parameterBindings_.end() ||
            (binding->second.ioType != SQL_PARAM_OUTPUT &&
             binding->second.ioType != SQL_PARAM_INPUT_OUTPUT)) {
            continue;
        }
        const Binding& buffer = binding->second.buffer;
        const WriteOutcome outcome = WriteValue(
            value, TargetBuffer{buffer.cType, buffer.data, buffer.bufferLength, buffer.indicator});
        rc = ReportColumnOutcome(outcome, number, rc);
        if (!Succeeded(rc)) {
            return rc;
        }
    }
    return rc;
}

SQLRETURN Statement::NumResultCols(SQLSMALLINT* count) {
    if (phase_ == Phase::Allocated) {
        return SequenceError();
    }
    return Scripted("SQLNumResultCols", std::nullopt, [&]() -> SQLRETURN {
        const ScriptResult* result = CurrentResult();
        StoreLength(count, result == nullptr ? 0 : result->columns.size());
        return SQL_SUCCESS;
    });
}

SQLRETURN Statement::DescribeCol(SQLUSMALLINT column, SQLCHAR* name, SQLSMALLINT bufferLength,
                                 SQLSMALLINT* nameLength, SQLSMALLINT* dataType,
                                 SQLULEN* columnSize, SQLSMALLINT* decimalDigits,
                                 SQLSMALLINT* nullable) {
    if (phase_ == Phase::Allocated) {
        return SequenceError();
    }
    return Scripted("SQLDescribeCol", column, [&]() -> SQLRETURN {
        const ScriptResult* result = CurrentResult();
        if (result == nullptr || column < 1 || column > result->columns.size()) {
            return DescriptorIndexError(column);
        }
        const ScriptColumn& declared = result->columns[column - 1];
        if (dataType != nullptr) {
            *dataType = declared.sqlType;
        }
        if (columnSize != nullptr) {
            *columnSize = declared.columnSize;
        }
        if (decimalDigits != nullptr) {
            *decimalDigits = declared.decimalDigits;
        }
        if (nullable != nullptr) {
            *nullable = declared.nullable;
        }
        return ReturnText(diags, declared.name, name, bufferLength, nameLength);
    });
}

SQLRETURN Statement::BindCol(SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER data,
                             SQLLEN bufferLength, SQLLEN* indicator) {
    return Scripted("SQLBindCol", column, [&]() -> SQLRETURN {
        const ScriptResult* result = CurrentResult();
        if (column < 1 || (result != nullptr && column > result->columns.size())) {
            return DescriptorIndexError(column);
        }
        if (bufferLength < 0) {
            diags.Add(MakeDiag("HY090", "Invalid string or buffer length"));
            return SQL_ERROR;
        }
        if (data == nullptr && indicator == nullptr) {
            columnBindings_.erase(column);
        } else {
            columnBindings_[column] = Binding{cType, data, bufferLength, indicator};
        }
        return SQL_SUCCESS;
    });
}

SQLRETURN Statement::BindParameter(SQLUSMALLINT number, SQLSMALLINT ioType, SQLSMALLINT cType,
                                   SQLPOINTER data, SQLLEN bufferLength, SQLLEN* indicator) {
    return Scripted("SQLBindParameter", number, [&]() -> SQLRETURN {
        if (number < 1) {
            return DescriptorIndexError(number);
        }
        parameterBindings_[number] =
            ParameterBinding{ioType, Binding{cType, data, bufferLength, indicator}};
        return SQL_SUCCESS;
    });
}

SQLRETURN Statement::NumParams(SQLSMALLINT* count) {
    if (phase_ == Phase::Allocated) {
        return SequenceError();
    }
    return Scripted("SQLNumParams", std::nullopt, [&]() -> SQLRETURN {
        StoreLength(count, static_cast<size_t>(script_->parameterMarkers));
        return SQL_SUCCESS;
    });
}

// The row a fetch is about is consumed even when a rule makes the fetch fail,
// so that the next fetch moves on to the row after it.
SQLRETURN Statement::Fetch() {
    const ScriptResult* result = phase_ == Phase::Executed ? CurrentResult() : nullptr;
    if (result == nullptr || result->columns.empty()) {
        return CursorStateError();
    }
    const long long fetchNumber = ++fetchCalls_;
    const bool hasRow = currentRow_ < result->TotalRows();
    currentRow_ = hasRow ? currentRow_ + 1 : result->TotalRows() + 1;
    getDataProgress_.clear();
    if (hasRow && currentRow_ > static_cast<long long>(result->rows.size())) {
        generatedValue_ = std::to_string(currentRow_);
    }
    const FetchGuard underway(*this);
    const SQLRETURN rc = Scripted("SQLFetch", fetchNumber, [&]() -> SQLRETURN {
        if (!hasRow) {
            return SQL_NO_DATA;
        }
        if (script_->fetchDelayMs > 0 && !WaitForFetchDelay()) {
            diags.Add(MakeDiag("HY008", "Operation canceled"));
            return SQL_ERROR;
        }
        return DeliverRow(*result);
    });
    ReportRowStatus(rc, hasRow && rc != SQL_NO_DATA ? 1 : 0);
    return rc;
}

SQLRETURN Statement::DeliverRow(const ScriptResult& result) {
    SQLRETURN rc = SQL_SUCCESS;
    for (const auto& [column, binding] : columnBindings_) {
        if (column > result.columns.size() ||
            (binding.data == nullptr && binding.indicator == nullptr)) {
            continue;
        }
        const WriteOutcome outcome = WriteValue(
            CurrentValue(column - 1u),
            TargetBuffer{binding.cType, binding.data, binding.bufferLength, binding.indicator});
        rc = ReportColumnOutcome(outcome, column, rc);
        if (!Succeeded(rc)) {
            break;
        }
    }
    return rc;
}

SQLRETURN Statement::ReportColumnOutcome(const WriteOutcome& outcome, SQLUSMALLINT column,
                                         SQLRETURN soFar) {
    if (outcome.code != SQL_SUCCESS) {
        DiagRecord record = outcome.diag;
        record.columnNumber = column;
        record.rowNumber = 1;
        diags.Add(std::move(record));
    }
    return Combine(soFar, outcome.code);
}

void Statement::ReportRowStatus(SQLRETURN rowResult, SQLULEN rowsFetched) {
    if (rowsFetchedPtr_ != nullptr) {
        *rowsFetchedPtr_ = rowsFetched;
    }
    if (rowStatusPtr_ != nullptr && rowResult != SQL_NO_DATA) {
        *rowStatusPtr_ = rowResult == SQL_SUCCESS             ? SQL_ROW_SUCCESS
                         : rowResult == SQL_SUCCESS_WITH_INFO ? SQL_ROW_SUCCESS_WITH_INFO
                                                              : SQL_ROW_ERROR;
    }
}

// A cancel that arrives while the fetch is under way (not only while it
// waits) stops it, so a test's cancel cannot slip in just before the wait.
void Statement::BeginFetch() {
    std::lock_guard lock(cancelMutex_);
    fetchInProgress_ = true;
    cancelRequested_ = false;
}

void Statement::EndFetch() {
    std::lock_guard lock(cancelMutex_);
    fetchInProgress_ = false;
    cancelRequested_ = false;
}

bool Statement::WaitForFetchDelay() {
    std::unique_lock lock(cancelMutex_);
    const auto delay = std::chrono::milliseconds(script_->fetchDelayMs);
    return !cancelSignal_.wait_for(lock, delay, [&] { return cancelRequested_; });
}

// Without a fetch under way SQLCancel has nothing to stop (ODBC 3).
void Statement::Cancel() {
    std::lock_guard lock(cancelMutex_);
    if (fetchInProgress_) {
        cancelRequested_ = true;
        cancelSignal_.notify_all();
    }
}

SQLRETURN Statement::GetData(SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER data,
                             SQLLEN bufferLength, SQLLEN* indicator) {
    if (!OnRow()) {
        return CursorStateError();
    }
    return Scripted("SQLGetData", column, [&]() -> SQLRETURN {
        return GetDataPiece(column, cType, data, bufferLength, indicator);
    });
}

SQLRETURN Statement::GetDataPiece(SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER data,
                                  SQLLEN bufferLength, SQLLEN* indicator) {
    if (column < 1 || column > CurrentResult()->columns.size()) {
        return DescriptorIndexError(column);
    }
    GetDataProgress& progress = getDataProgress_[column];
    if (progress.finished) {
        return SQL_NO_DATA;
    }
    const ScriptValue& value = CurrentValue(column - 1u);
    const WriteOutcome outcome =
        WriteValue(value, TargetBuffer{cType, data, bufferLength, indicator}, progress.offset);
    const SQLRETURN rc = ReportColumnOutcome(outcome, column, SQL_SUCCESS);
    if (rc == SQL_ERROR) {
        return rc;
    }
    progress.started = true;
    progress.offset = outcome.nextOffset;
    const bool morePieces = value && IsPiecewiseType(cType) &&
                            outcome.code == SQL_SUCCESS_WITH_INFO &&
                            outcome.diag.sqlState == "01004";
    progress.finished = !morePieces;
    return rc;
}

SQLRETURN Statement::RowCount(SQLLEN* count) {
    if (phase_ == Phase::Allocated) {
        return SequenceError();
    }
    return Scripted("SQLRowCount", std::nullopt, [&]() -> SQLRETURN {
        const ScriptResult* result = phase_ == Phase::Executed ? CurrentResult() : nullptr;
        const SQLLEN value = result != nullptr
                                 ? result->rowCount.value_or(result->columns.empty() ? 0 : -1)
                                 : script_->rowCount.value_or(0);
        if (count != nullptr) {
            *count = value;
        }
        return SQL_SUCCESS;
    });
}

SQLRETURN Statement::MoreResults() {
    if (phase_ != Phase::Executed) {
        return SQL_NO_DATA;
    }
    const long long leaving =
        CurrentResult() != nullptr ? static_cast<long long>(resultIndex_) + 1 : 0;
    return Scripted("SQLMoreResults", leaving, [&]() -> SQLRETURN {
        ResetRowState();
        if (resultIndex_ + 1 < script_->results.size()) {
            ++resultIndex_;
            return SQL_SUCCESS;
        }
        phase_ = Phase::Prepared;
        resultIndex_ = 0;
        return SQL_NO_DATA;
    });
}

SQLRETURN Statement::CloseCursor(bool requireOpenCursor) {
    if (requireOpenCursor && phase_ != Phase::Executed) {
        return CursorStateError();
    }
    const auto close = [&]() -> SQLRETURN {
        ResetRowState();
        resultIndex_ = 0;
        if (phase_ == Phase::Executed) {
            phase_ = Phase::Prepared;
        }
        return SQL_SUCCESS;
    };
    return requireOpenCursor ? Scripted("SQLCloseCursor", std::nullopt, close) : close();
}

SQLRETURN Statement::SetAttribute(SQLINTEGER attribute, SQLPOINTER value) {
    return Scripted("SQLSetStmtAttr", std::nullopt, [&]() -> SQLRETURN {
        const auto number = reinterpret_cast<SQLULEN>(value);
        switch (attribute) {
            case SQL_ATTR_ROW_ARRAY_SIZE:
                if (number != 1) {
                    diags.Add(MakeDiag("01S02", "Option value changed: one row per fetch"));
                    return SQL_SUCCESS_WITH_INFO;
                }
                return SQL_SUCCESS;
            case SQL_ATTR_ROWS_FETCHED_PTR:
                rowsFetchedPtr_ = static_cast<SQLULEN*>(value);
                return SQL_SUCCESS;
            case SQL_ATTR_ROW_STATUS_PTR:
                rowStatusPtr_ = static_cast<SQLUSMALLINT*>(value);
                return SQL_SUCCESS;
            case SQL_ATTR_ROW_BIND_TYPE:
            case SQL_ATTR_ROW_BIND_OFFSET_PTR:
            case SQL_ATTR_PARAM_BIND_OFFSET_PTR:
            case SQL_ATTR_PARAMSET_SIZE:
            case SQL_ATTR_APP_ROW_DESC:
            case SQL_ATTR_APP_PARAM_DESC:
                // Column-wise single-row binding only; anything else is refused
                // rather than silently ignored.
                if (number == 0 || (attribute == SQL_ATTR_PARAMSET_SIZE && number == 1)) {
                    return SQL_SUCCESS;
                }
                diags.Add(MakeDiag("HYC00", "Optional feature not implemented"));
                return SQL_ERROR;
            default:
                attributes_[attribute] = number;
                return SQL_SUCCESS;
        }
    });
}

SQLRETURN Statement::GetAttribute(SQLINTEGER attribute, SQLPOINTER value) {
    if (value == nullptr) {
        return SQL_SUCCESS;
    }
    switch (attribute) {
        case SQL_ATTR_APP_ROW_DESC:
        case SQL_ATTR_APP_PARAM_DESC:
        case SQL_ATTR_IMP_ROW_DESC:
        case SQL_ATTR_IMP_PARAM_DESC:
            *static_cast<SQLPOINTER*>(value) =
                &implicitDescriptors_[static_cast<size_t>(attribute - SQL_ATTR_APP_ROW_DESC)];
            return SQL_SUCCESS;
        case SQL_ATTR_ROWS_FETCHED_PTR:
            *static_cast<SQLPOINTER*>(value) = rowsFetchedPtr_;
            return SQL_SUCCESS;
        case SQL_ATTR_ROW_STATUS_PTR:
            *static_cast<SQLPOINTER*>(value) = rowStatusPtr_;
            return SQL_SUCCESS;
        case SQL_ATTR_ROW_ARRAY_SIZE:
        case SQL_ATTR_PARAMSET_SIZE:
            *static_cast<SQLULEN*>(value) = 1;
            return SQL_SUCCESS;
        default: {
            const auto found = attributes_.find(attribute);
            *static_cast<SQLULEN*>(value) = found == attributes_.end() ? 0 : found->second;
            return SQL_SUCCESS;
        }
    }
}

}  // namespace querimo::testodbc
