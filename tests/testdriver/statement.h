// One statement handle: runs the script carried by its SQL text.
#pragma once

#include <array>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>

#include "diagnostics.h"
#include "script.h"
#include "value_conversion.h"

namespace querimo::testodbc {

struct Connection;

class Statement {
  public:
    explicit Statement(Connection& owner);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    SQLRETURN Prepare(std::string_view sql);
    SQLRETURN Execute();
    SQLRETURN NumResultCols(SQLSMALLINT* count);
    SQLRETURN DescribeCol(SQLUSMALLINT column, SQLCHAR* name, SQLSMALLINT bufferLength,
                          SQLSMALLINT* nameLength, SQLSMALLINT* dataType, SQLULEN* columnSize,
                          SQLSMALLINT* decimalDigits, SQLSMALLINT* nullable);
    SQLRETURN BindCol(SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER data, SQLLEN bufferLength,
                      SQLLEN* indicator);
    SQLRETURN BindParameter(SQLUSMALLINT number, SQLSMALLINT ioType, SQLSMALLINT cType,
                            SQLPOINTER data, SQLLEN bufferLength, SQLLEN* indicator);
    SQLRETURN NumParams(SQLSMALLINT* count);
    SQLRETURN Fetch();
    SQLRETURN GetData(SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER data, SQLLEN bufferLength,
                      SQLLEN* indicator);
    SQLRETURN RowCount(SQLLEN* count);
    SQLRETURN MoreResults();
    // SQLCloseCursor insists on an open cursor; SQLFreeStmt(SQL_CLOSE) does not.
    SQLRETURN CloseCursor(bool requireOpenCursor);
    void Unbind() { columnBindings_.clear(); }
    void ResetParameters() { parameterBindings_.clear(); }
    SQLRETURN SetAttribute(SQLINTEGER attribute, SQLPOINTER value);
    SQLRETURN GetAttribute(SQLINTEGER attribute, SQLPOINTER value);
    // May come from another thread while a slow fetch waits.
    void Cancel();

    Connection& connection;
    DiagArea diags;

  private:
    enum class Phase { Allocated, Prepared, Executed };

    struct Binding {
        SQLSMALLINT cType = SQL_C_CHAR;
        SQLPOINTER data = nullptr;
        SQLLEN bufferLength = 0;
        SQLLEN* indicator = nullptr;
    };
    struct ParameterBinding {
        SQLSMALLINT ioType = SQL_PARAM_INPUT;
        Binding buffer;
    };
    struct GetDataProgress {
        size_t offset = 0;
        bool started = false;
        bool finished = false;
    };

    // Marks a fetch as under way for Cancel, however the fetch ends.
    class FetchGuard {
      public:
        explicit FetchGuard(Statement& statement) : statement_(statement) {
            statement_.BeginFetch();
        }
        ~FetchGuard() { statement_.EndFetch(); }
        FetchGuard(const FetchGuard&) = delete;
        FetchGuard& operator=(const FetchGuard&) = delete;

      private:
        Statement& statement_;
    };

    template <class Work>
    SQLRETURN Scripted(std::string_view call, std::optional<long long> number, Work work);
    const CallRule* FindScriptedRule(std::string_view call, std::optional<long long> number) const;
    const ScriptResult* CurrentResult() const;
    const ScriptValue& CurrentValue(size_t columnIndex) const;
    bool OnRow() const;
    void ResetRowState();
    SQLRETURN SequenceError();
    SQLRETURN CursorStateError();
    SQLRETURN DescriptorIndexError(long long number);
    SQLRETURN RunExecute();
    SQLRETURN WriteOutputParameters();
    SQLRETURN DeliverRow(const ScriptResult& result);
    SQLRETURN ReportColumnOutcome(const WriteOutcome& outcome, SQLUSMALLINT column,
                                  SQLRETURN soFar);
    void ReportRowStatus(SQLRETURN rowResult, SQLULEN rowsFetched);
    SQLRETURN GetDataPiece(SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER data,
                           SQLLEN bufferLength, SQLLEN* indicator);
    void BeginFetch();
    void EndFetch();
    bool WaitForFetchDelay();

    std::optional<Script> script_;
    Phase phase_ = Phase::Allocated;
    size_t resultIndex_ = 0;
    long long fetchCalls_ = 0;
    long long currentRow_ = 0;  // 1-based row the cursor stands on; 0 before the first
    ScriptValue generatedValue_;
    std::map<SQLUSMALLINT, Binding> columnBindings_;
    std::map<SQLUSMALLINT, ParameterBinding> parameterBindings_;
    std::map<SQLUSMALLINT, GetDataProgress> getDataProgress_;
    std::map<SQLINTEGER, SQLULEN> attributes_;
    SQLULEN* rowsFetchedPtr_ = nullptr;
    SQLUSMALLINT* rowStatusPtr_ = nullptr;
    // Stand-ins for the four implicit descriptors; only their addresses are used.
    std::array<char, 4> implicitDescriptors_{};

    std::mutex cancelMutex_;
    std::condition_variable cancelSignal_;
    bool fetchInProgress_ = false;
    bool cancelRequested_ = false;
};

}  // namespace querimo::testodbc
