#include "inject/inject.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

namespace inject {
namespace {

struct Arm {
    std::string function;
    int nth = 0;
    std::vector<Record> records;
    SQLRETURN code = SQL_ERROR;
    std::function<void()> action;
};

struct State {
    std::vector<Arm> arms;
    std::map<std::string, int> calls;
    int openStatements = 0;
    bool inAction = false;
    // The records of the last armed failure stand until the next call through this layer.
    SQLHANDLE failedHandle = nullptr;
    std::vector<Record> records;
};

// "SQLFetch:3:08S01:910:message;SQLPrepare:1:42000"
std::vector<Arm> ArmsFromEnvironment() {
    std::vector<Arm> arms;
    const char* armed = std::getenv("QUERIMO_INJECT");
    std::istringstream all(armed != nullptr ? armed : "");
    for (std::string text; std::getline(all, text, ';');) {
        char function[64] = {}, state[6] = {}, message[512] = {};
        int nth = 0, native = 0;
        std::sscanf(text.c_str(), "%63[^:]:%d:%5[^:]:%d:%511[^\n]", function, &nth, state, &native,
                    message);
        arms.push_back({function, nth, {{state, native, message}}, SQL_ERROR, {}});
    }
    return arms;
}

State& Current() {
    static State state = [] {
        State fresh;
        fresh.arms = ArmsFromEnvironment();
        return fresh;
    }();
    return state;
}

const std::vector<Record>* InjectedFor(SQLHANDLE handle) {
    return handle != nullptr && handle == Current().failedHandle ? &Current().records : nullptr;
}

// Writes one record as the driver manager does: the full length, the text cut to fit.
SQLRETURN Fill(const Record& record, SQLCHAR* state, SQLINTEGER* native, SQLCHAR* text,
               SQLSMALLINT size, SQLSMALLINT* length) {
    std::snprintf(reinterpret_cast<char*>(state), state != nullptr ? 6 : 0, "%s",
                  record.state.c_str());
    std::snprintf(reinterpret_cast<char*>(text), text != nullptr && size > 0 ? size : 0, "%s",
                  record.message.c_str());
    if (native != nullptr) {
        *native = record.native;
    }
    if (length != nullptr) {
        *length = static_cast<SQLSMALLINT>(record.message.size());
    }
    const bool cut = text != nullptr && record.message.size() >= static_cast<std::size_t>(size);
    return cut ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

template <auto Self>
auto Real(const char* function) {
    return reinterpret_cast<decltype(Self)>(dlsym(RTLD_NEXT, function));
}

// Counts the call and makes it, unless it is armed to fail.
template <auto Self, typename... Args>
SQLRETURN Call(const char* function, SQLHANDLE handle, Args... args) {
    static const auto real = Real<Self>(function);
    State& state = Current();
    if (!state.inAction) {
        state.failedHandle = nullptr;
        const int nth = ++state.calls[function];
        for (const Arm& arm : state.arms) {
            if (arm.function != function || arm.nth != nth) {
                continue;
            }
            if (!arm.action) {
                state.failedHandle = handle;
                state.records = arm.records;
                return arm.code;
            }
            state.inAction = true;
            arm.action();
            state.inAction = false;
        }
    }
    return real(args...);
}

}  // namespace

void Fail(const std::string& function, int nth, std::vector<Record> records, SQLRETURN code) {
    Current().arms.push_back({function, nth, std::move(records), code, {}});
}

void Before(const std::string& function, int nth, std::function<void()> action) {
    Current().arms.push_back({function, nth, {}, SQL_SUCCESS, std::move(action)});
}

void Reset() {
    Current().arms.clear();
    Current().calls.clear();
    Current().failedHandle = nullptr;
}

int Calls(const std::string& function) {
    return Current().calls[function];
}

int OpenStatements() {
    return Current().openStatements;
}

}  // namespace inject

using inject::Call;
using inject::Fill;

extern "C" {

// The entry points the program calls, with the signatures of <sql.h> and <sqlext.h>.
#define INJECT_ENTRY(name, handle, params, ...)         \
    SQLRETURN SQL_API name params {                     \
        return Call<&name>(#name, handle, __VA_ARGS__); \
    }

INJECT_ENTRY(SQLAllocConnect, e, (SQLHENV e, SQLHDBC* d), e, d)
INJECT_ENTRY(SQLDriverConnect, d,
             (SQLHDBC d, SQLHWND w, SQLCHAR* i, SQLSMALLINT n, SQLCHAR* o, SQLSMALLINT m,
              SQLSMALLINT* l, SQLUSMALLINT c),
             d, w, i, n, o, m, l, c)
INJECT_ENTRY(SQLSetStmtAttr, s, (SQLHSTMT s, SQLINTEGER a, SQLPOINTER v, SQLINTEGER n), s, a, v, n)
INJECT_ENTRY(SQLPrepare, s, (SQLHSTMT s, SQLCHAR* t, SQLINTEGER n), s, t, n)
INJECT_ENTRY(SQLExecute, s, (SQLHSTMT s), s)
INJECT_ENTRY(SQLFetch, s, (SQLHSTMT s), s)
INJECT_ENTRY(SQLMoreResults, s, (SQLHSTMT s), s)
INJECT_ENTRY(SQLNumResultCols, s, (SQLHSTMT s, SQLSMALLINT* n), s, n)
INJECT_ENTRY(SQLRowCount, s, (SQLHSTMT s, SQLLEN* n), s, n)
INJECT_ENTRY(SQLDescribeCol, s,
             (SQLHSTMT s, SQLUSMALLINT c, SQLCHAR* n, SQLSMALLINT z, SQLSMALLINT* l, SQLSMALLINT* t,
              SQLULEN* p, SQLSMALLINT* d, SQLSMALLINT* u),
             s, c, n, z, l, t, p, d, u)
INJECT_ENTRY(SQLBindCol, s,
             (SQLHSTMT s, SQLUSMALLINT c, SQLSMALLINT t, SQLPOINTER v, SQLLEN n, SQLLEN* i), s, c,
             t, v, n, i)
INJECT_ENTRY(SQLBindParameter, s,
             (SQLHSTMT s, SQLUSMALLINT c, SQLSMALLINT o, SQLSMALLINT t, SQLSMALLINT q, SQLULEN p,
              SQLSMALLINT d, SQLPOINTER v, SQLLEN n, SQLLEN* i),
             s, c, o, t, q, p, d, v, n, i)

SQLRETURN SQL_API SQLAllocStmt(SQLHDBC dbc, SQLHSTMT* stmt) {
    const SQLRETURN ret = Call<&SQLAllocStmt>("SQLAllocStmt", dbc, dbc, stmt);
    inject::Current().openStatements += SQL_SUCCEEDED(ret) ? 1 : 0;
    return ret;
}
SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT stmt, SQLUSMALLINT option) {
    const SQLRETURN ret = Call<&SQLFreeStmt>("SQLFreeStmt", stmt, stmt, option);
    inject::Current().openStatements -= SQL_SUCCEEDED(ret) && option == SQL_DROP ? 1 : 0;
    return ret;
}

// The diagnostic functions answer for the handle of an armed failure and pass on the rest.
SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number,
                                SQLCHAR* state, SQLINTEGER* native, SQLCHAR* text, SQLSMALLINT size,
                                SQLSMALLINT* length) {
    static const auto real = inject::Real<&SQLGetDiagRec>("SQLGetDiagRec");
    const auto* records = inject::InjectedFor(handle);
    if (records == nullptr) {
        return real(type, handle, number, state, native, text, size, length);
    }
    if (number < 1 || static_cast<std::size_t>(number) > records->size()) {
        return number < 1 ? SQL_ERROR : SQL_NO_DATA;
    }
    return Fill((*records)[number - 1], state, native, text, size, length);
}

SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number,
                                  SQLSMALLINT field, SQLPOINTER value, SQLSMALLINT size,
                                  SQLSMALLINT* length) {
    static const auto real = inject::Real<&SQLGetDiagField>("SQLGetDiagField");
    const auto* records = inject::InjectedFor(handle);
    if (records == nullptr) {
        return real(type, handle, number, field, value, size, length);
    }
    const bool exists = number >= 1 && static_cast<std::size_t>(number) <= records->size();
    if (field == SQL_DIAG_NUMBER || (exists && field == SQL_DIAG_COLUMN_NUMBER)) {
        *static_cast<SQLINTEGER*>(value) = field == SQL_DIAG_NUMBER
                                               ? static_cast<SQLINTEGER>(records->size())
                                               : (*records)[number - 1].column;
        return SQL_SUCCESS;
    }
    // A field not armed fails rather than pass a real record off as the armed one.
    return exists ? SQL_ERROR : SQL_NO_DATA;
}

}  // extern "C"
