// What the driver says about itself: SQLGetInfo and SQLGetFunctions. The
// driver manager asks for these while connecting; SQLGetFunctions must name
// every exported call, or the manager disables the ones it leaves out.
#include <algorithm>
#include <array>
#include <optional>
#include <type_traits>
#include <variant>

#include "entry_support.h"

using namespace querimo::testodbc;

namespace {

constexpr std::array kSupportedFunctions = {
    SQL_API_SQLALLOCHANDLE,    SQL_API_SQLALLOCENV,       SQL_API_SQLALLOCCONNECT,
    SQL_API_SQLALLOCSTMT,      SQL_API_SQLFREEHANDLE,     SQL_API_SQLFREEENV,
    SQL_API_SQLFREECONNECT,    SQL_API_SQLFREESTMT,       SQL_API_SQLSETENVATTR,
    SQL_API_SQLGETENVATTR,     SQL_API_SQLDRIVERCONNECT,  SQL_API_SQLCONNECT,
    SQL_API_SQLDISCONNECT,     SQL_API_SQLGETINFO,        SQL_API_SQLGETFUNCTIONS,
    SQL_API_SQLSETCONNECTATTR, SQL_API_SQLGETCONNECTATTR, SQL_API_SQLSETSTMTATTR,
    SQL_API_SQLGETSTMTATTR,    SQL_API_SQLPREPARE,        SQL_API_SQLEXECUTE,
    SQL_API_SQLEXECDIRECT,     SQL_API_SQLNUMRESULTCOLS,  SQL_API_SQLDESCRIBECOL,
    SQL_API_SQLBINDCOL,        SQL_API_SQLBINDPARAMETER,  SQL_API_SQLNUMPARAMS,
    SQL_API_SQLFETCH,          SQL_API_SQLGETDATA,        SQL_API_SQLROWCOUNT,
    SQL_API_SQLMORERESULTS,    SQL_API_SQLCLOSECURSOR,    SQL_API_SQLCANCEL,
    SQL_API_SQLENDTRAN,        SQL_API_SQLGETDIAGREC,     SQL_API_SQLGETDIAGFIELD,
    SQL_API_SQLERROR,
};

bool IsSupported(SQLUSMALLINT function) {
    for (auto supported : kSupportedFunctions) {
        if (supported == function) {
            return true;
        }
    }
    return false;
}

using InfoValue = std::variant<std::string_view, SQLUSMALLINT, SQLUINTEGER>;

std::optional<InfoValue> InfoFor(const Connection& connection, SQLUSMALLINT infoType) {
    switch (infoType) {
        case SQL_DRIVER_NAME:
            return std::string_view("libquerimo_testodbc.so");
        case SQL_DRIVER_VER:
        case SQL_DBMS_VER:
            return std::string_view("01.00.0000");
        case SQL_DRIVER_ODBC_VER:
            return std::string_view("03.52");
        case SQL_DBMS_NAME:
            return std::string_view("Querimo Test Driver");
        case SQL_SERVER_NAME:
            return std::string_view("testdriver");
        case SQL_USER_NAME:
            return std::string_view("tester");
        case SQL_DATA_SOURCE_NAME: {
            const auto dsn = connection.options.keywords.find("COMPLETEDDSN");
            return dsn == connection.options.keywords.end() ? std::string_view()
                                                            : std::string_view(dsn->second);
        }
        case SQL_DATABASE_NAME:
        case SQL_CATALOG_NAME_SEPARATOR:
            return std::string_view(infoType == SQL_DATABASE_NAME ? "" : ".");
        case SQL_XOPEN_CLI_YEAR:
            return std::string_view("1995");
        case SQL_IDENTIFIER_QUOTE_CHAR:
            return std::string_view("\"");
        case SQL_MULT_RESULT_SETS:
        case SQL_MULTIPLE_ACTIVE_TXN:
        case SQL_ACCESSIBLE_TABLES:
        case SQL_ACCESSIBLE_PROCEDURES:
            return std::string_view("Y");
        case SQL_DATA_SOURCE_READ_ONLY:
        case SQL_NEED_LONG_DATA_LEN:
            return std::string_view("N");
        case SQL_CURSOR_COMMIT_BEHAVIOR:
        case SQL_CURSOR_ROLLBACK_BEHAVIOR:
            return SQLUSMALLINT{SQL_CB_PRESERVE};
        case SQL_TXN_CAPABLE:
            return SQLUSMALLINT{SQL_TC_ALL};
        case SQL_MAX_CONCURRENT_ACTIVITIES:
        case SQL_MAX_DRIVER_CONNECTIONS:
            return SQLUSMALLINT{0};
        case SQL_GETDATA_EXTENSIONS:
            return SQLUINTEGER{SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BOUND};
        case SQL_SCROLL_OPTIONS:
            return SQLUINTEGER{SQL_SO_FORWARD_ONLY};
        case SQL_STATIC_CURSOR_ATTRIBUTES1:
        case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1:
            return SQLUINTEGER{SQL_CA1_NEXT};
        case SQL_ASYNC_MODE:
            return SQLUINTEGER{SQL_AM_NONE};
        case SQL_DEFAULT_TXN_ISOLATION:
            return SQLUINTEGER{SQL_TXN_READ_COMMITTED};
        default:
            return std::nullopt;
    }
}

SQLRETURN ReturnInfo(DiagArea& diags, const InfoValue& value, SQLPOINTER output,
                     SQLSMALLINT bufferLength, SQLSMALLINT* length) {
    if (const auto* text = std::get_if<std::string_view>(&value)) {
        return ReturnText(diags, *text, output, bufferLength, length);
    }
    return std::visit(
        [&](auto number) -> SQLRETURN {
            using Number = decltype(number);
            if constexpr (!std::is_same_v<Number, std::string_view>) {
                if (output != nullptr) {
                    *static_cast<Number*>(output) = number;
                }
                StoreLength(length, sizeof(Number));
            }
            return SQL_SUCCESS;
        },
        value);
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLGetInfo(SQLHDBC connectionHandle, SQLUSMALLINT infoType, SQLPOINTER infoValue,
                             SQLSMALLINT bufferLength, SQLSMALLINT* stringLength) {
    return RunOn<Connection>(
        connectionHandle, "SQLGetInfo", [&](Connection& connection) -> SQLRETURN {
            const auto value = InfoFor(connection, infoType);
            if (!value) {
                return DiagError(connection.diags, "HY096", "Information type out of range");
            }
            return ReturnInfo(connection.diags, *value, infoValue, bufferLength, stringLength);
        });
}

SQLRETURN SQL_API SQLGetFunctions(SQLHDBC connectionHandle, SQLUSMALLINT functionId,
                                  SQLUSMALLINT* supported) {
    return RunOn<Connection>(
        connectionHandle, "SQLGetFunctions", [&](Connection& connection) -> SQLRETURN {
            if (supported == nullptr) {
                return DiagError(connection.diags, "HY009", "Invalid use of null pointer");
            }
            if (functionId == SQL_API_ODBC3_ALL_FUNCTIONS) {
                std::fill_n(supported, SQL_API_ODBC3_ALL_FUNCTIONS_SIZE, SQLUSMALLINT{0});
                for (auto function : kSupportedFunctions) {
                    supported[function >> 4] = static_cast<SQLUSMALLINT>(supported[function >> 4] |
                                                                         (1u << (function & 0xF)));
                }
            } else if (functionId == SQL_API_ALL_FUNCTIONS) {
                for (SQLUSMALLINT function = 0; function < 100; ++function) {
                    supported[function] = IsSupported(function) ? SQL_TRUE : SQL_FALSE;
                }
            } else {
                *supported = IsSupported(functionId) ? SQL_TRUE : SQL_FALSE;
            }
            return SQL_SUCCESS;
        });
}

}  // extern "C"
