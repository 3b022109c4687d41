// Self-test of the scripted test ODBC driver. Everything goes through the real
// unixODBC driver manager, loaded the way the program loads a driver, so these
// tests pin down what other tests can rely on when they script a driver.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "test_driver_probe.h"

namespace {

using querimo::testdriver::DriverProbe;

const DriverProbe& Probe() {
    return DriverProbe::Get();
}

struct Diag {
    std::string state;
    SQLINTEGER native = 0;
    std::string message;
    bool operator==(const Diag&) const = default;
};

void PrintTo(const Diag& diag, std::ostream* out) {
    *out << "[" << diag.state << "] " << diag.native << " '" << diag.message << "'";
}

// The walk the program makes: SQLError until it stops returning records.
std::vector<Diag> SqlErrorWalk(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt) {
    std::vector<Diag> records;
    for (int guard = 0; guard < 50; ++guard) {
        SQLCHAR state[6] = {};
        SQLCHAR message[1024] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(
                SQLError(env, dbc, stmt, state, &native, message, sizeof message, &length))) {
            break;
        }
        records.push_back(
            {reinterpret_cast<char*>(state), native, reinterpret_cast<char*>(message)});
    }
    return records;
}

// The program's column-number walk: record 1, 2, ... until SQL_NO_DATA.
std::vector<SQLINTEGER> ColumnNumberWalk(SQLHSTMT stmt) {
    std::vector<SQLINTEGER> columns;
    for (SQLSMALLINT record = 1; record < 50; ++record) {
        SQLINTEGER column = 0;
        if (SQLGetDiagField(SQL_HANDLE_STMT, stmt, record, SQL_DIAG_COLUMN_NUMBER, &column,
                            SQL_IS_INTEGER, nullptr) == SQL_NO_DATA) {
            break;
        }
        columns.push_back(column);
    }
    return columns;
}

class Environment {
  public:
    Environment() {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                      SQL_IS_INTEGER);
    }
    ~Environment() { SQLFreeHandle(SQL_HANDLE_ENV, env_); }
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;
    SQLHENV get() const { return env_; }

  private:
    SQLHENV env_ = SQL_NULL_HENV;
};

class Connection {
  public:
    explicit Connection(const Environment& env) : env_(env.get()) {
        SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    }
    ~Connection() {
        if (connected_) {
            SQLDisconnect(dbc_);
        }
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The program's connect: a 512-byte completed string, no prompt.
    SQLRETURN Connect(const std::string& keywords) {
        const std::string text = Probe().ConnectionString(keywords);
        SQLCHAR completed[512] = {};
        completedLength_ = -1;
        const SQLRETURN rc = SQLDriverConnect(
            dbc_, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())), SQL_NTS,
            completed, sizeof completed, &completedLength_, SQL_DRIVER_NOPROMPT);
        connected_ = SQL_SUCCEEDED(rc);
        completed_ = reinterpret_cast<char*>(completed);
        return rc;
    }
    void Disconnect() {
        ASSERT_EQ(SQLDisconnect(dbc_), SQL_SUCCESS);
        connected_ = false;
    }
    std::vector<Diag> Errors() const { return SqlErrorWalk(env_, dbc_, SQL_NULL_HSTMT); }

    SQLHENV env() const { return env_; }
    SQLHDBC get() const { return dbc_; }
    const std::string& completed() const { return completed_; }
    SQLSMALLINT completedLength() const { return completedLength_; }

  private:
    SQLHENV env_;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
    std::string completed_;
    SQLSMALLINT completedLength_ = -1;
};

class Statement {
  public:
    explicit Statement(const Connection& connection) : connection_(connection) {
        allocResult_ = SQLAllocHandle(SQL_HANDLE_STMT, connection.get(), &stmt_);
    }
    ~Statement() {
        if (stmt_ != SQL_NULL_HSTMT) {
            SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
        }
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    SQLHSTMT get() const { return stmt_; }
    SQLRETURN allocResult() const { return allocResult_; }
    SQLRETURN Prepare(const std::string& sql) {
        return SQLPrepare(stmt_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())),
                          SQL_NTS);
    }
    SQLRETURN Run(const std::string& sql) {
        const SQLRETURN rc = Prepare(sql);
        return SQL_SUCCEEDED(rc) ? SQLExecute(stmt_) : rc;
    }
    SQLSMALLINT ColumnCount() const {
        SQLSMALLINT count = -1;
        EXPECT_EQ(SQLNumResultCols(stmt_, &count), SQL_SUCCESS);
        return count;
    }
    SQLLEN RowCount() const {
        SQLLEN count = -99;
        EXPECT_EQ(SQLRowCount(stmt_, &count), SQL_SUCCESS);
        return count;
    }
    std::vector<Diag> Errors() const {
        return SqlErrorWalk(connection_.env(), connection_.get(), stmt_);
    }
    Diag FirstRecord() const {
        SQLCHAR state[6] = {};
        SQLCHAR message[1024] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLGetDiagRec(SQL_HANDLE_STMT, stmt_, 1, state, &native, message, sizeof message, &length);
        return {reinterpret_cast<char*>(state), native, reinterpret_cast<char*>(message)};
    }

  private:
    const Connection& connection_;
    SQLHSTMT stmt_ = SQL_NULL_HSTMT;
    SQLRETURN allocResult_ = SQL_ERROR;
};

class TestDriver : public ::testing::Test {
  protected:
    void SetUp() override { Probe().Reset(); }

    // A connection that must succeed.
    Connection& Connected(const std::string& keywords = "") {
        connection_ = std::make_unique<Connection>(env_);
        EXPECT_EQ(connection_->Connect(keywords), SQL_SUCCESS);
        return *connection_;
    }

    Environment env_;
    std::unique_ptr<Connection> connection_;
};

// ---- connecting ---------------------------------------------------------------

TEST_F(TestDriver, CompletedConnectionString) {
    const std::string longText(600, 'c');
    const struct {
        const char* name;
        std::string keywords;
        SQLRETURN rc;
        std::string completed;
        SQLSMALLINT length;
    } cases[] = {
        {"no DSN", "", SQL_SUCCESS, "SERVER=testdriver;UID=tester", 28},
        {"with DSN", "CompletedDSN=abc", SQL_SUCCESS, "DSN=abc;SERVER=testdriver;UID=tester", 36},
        {"keyword case", "completeddsn=Low", SQL_SUCCESS, "DSN=Low;SERVER=testdriver;UID=tester",
         36},
        {"literal with %3B", "Completed=DSN=lit%3BHOST=h", SQL_SUCCESS, "DSN=lit;HOST=h", 14},
        {"braced value", "Completed={DSN=b;X=1};UID=ignored", SQL_SUCCESS, "DSN=b;X=1", 9},
        {"cut to the buffer", "Completed=" + longText, SQL_SUCCESS_WITH_INFO,
         longText.substr(0, 511), 600},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Connection connection(env_);
        EXPECT_EQ(connection.Connect(c.keywords), c.rc);
        EXPECT_EQ(connection.completed(), c.completed);
        EXPECT_EQ(connection.completedLength(), c.length);
    }
}

TEST_F(TestDriver, ConnectFailRecordsReachSqlErrorWithNativeCodes) {
    Connection connection(env_);
    ASSERT_EQ(connection.Connect(
                  "ConnectFail=08001,1,first refusal|08001,-2,second, with comma|08001,3,third"),
              SQL_ERROR);
    EXPECT_EQ(connection.Errors(), (std::vector<Diag>{{"08001", 1, "first refusal"},
                                                      {"08001", -2, "second, with comma"},
                                                      {"08001", 3, "third"}}));
    // The driver manager frees the driver's connection after a failed connect.
    EXPECT_EQ(Probe().Count("SQLFreeConnect"), 1);
    EXPECT_EQ(Probe().OpenHandles("DBC"), 0);
}

// Not the driver's doing: unixODBC hands SQLError's records out sorted by
// SQLSTATE, highest first, keeping the driver's order among equal states.
TEST_F(TestDriver, DriverManagerSortsSqlErrorRecordsBySqlState) {
    Connection connection(env_);
    ASSERT_EQ(connection.Connect("ConnectFail=01000,1,a|42S22,2,b|08S01,3,c|42S22,4,d"), SQL_ERROR);
    EXPECT_EQ(connection.Errors(),
              (std::vector<Diag>{
                  {"42S22", 2, "b"}, {"42S22", 4, "d"}, {"08S01", 3, "c"}, {"01000", 1, "a"}}));
}

TEST_F(TestDriver, ConnectReturnCodes) {
    const struct {
        const char* keywords;
        SQLRETURN rc;
        std::vector<Diag> errors;
    } cases[] = {
        {"ConnectReturn=NO_DATA", SQL_NO_DATA, {}},
        {"ConnectReturn=INVALID_HANDLE", SQL_INVALID_HANDLE, {}},
        {"ConnectReturn=ERROR", SQL_ERROR, {{"08001", 0, "scripted connection failure"}}},
        {"ConnectReturn=SUCCESS_WITH_INFO",
         SQL_SUCCESS_WITH_INFO,
         {{"01004", 0, "String data, right truncated"}}},
        {"ConnectFail=bad record",
         SQL_ERROR,
         {{"HY000", 0,
           "testdriver: keyword CONNECTFAIL: expected STATE,native,message but found 'bad "
           "record'"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keywords);
        Probe().Reset();
        {
            Connection connection(env_);
            EXPECT_EQ(connection.Connect(c.keywords), c.rc);
            EXPECT_EQ(connection.Errors(), c.errors);
        }
        EXPECT_EQ(Probe().OpenHandles("DBC"), 0);
        EXPECT_EQ(Probe().Count("SQLFreeConnect"), 1);
    }
}

TEST_F(TestDriver, CountsCallsAndFreesEveryHandle) {
    Connection& connection = Connected("CompletedDSN=counted");
    {
        Statement statement(connection);
        ASSERT_EQ(statement.Run("select 1"), SQL_SUCCESS);
        SQLINTEGER value = 0;
        SQLLEN indicator = 0;
        ASSERT_EQ(SQLBindCol(statement.get(), 1, SQL_C_LONG, &value, 0, &indicator), SQL_SUCCESS);
        ASSERT_EQ(SQLFetch(statement.get()), SQL_SUCCESS);
        ASSERT_EQ(SQLFreeStmt(statement.get(), SQL_UNBIND), SQL_SUCCESS);
        EXPECT_EQ(Probe().OpenHandles("STMT"), 1);
    }
    // Statements still allocated when the connection closes go with it.
    SQLHSTMT forgotten = SQL_NULL_HSTMT;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, connection.get(), &forgotten), SQL_SUCCESS);
    connection.Disconnect();
    connection_.reset();

    const struct {
        const char* call;
        long count;
    } expected[] = {
        {"SQLDriverConnect", 1},   {"SQLAllocStmt", 2},     {"SQLPrepare", 1},
        {"SQLExecute", 1},         {"SQLBindCol", 1},       {"SQLFetch", 1},
        {"SQLFreeStmt_UNBIND", 1}, {"SQLFreeStmt_DROP", 1}, {"SQLDisconnect", 1},
        {"SQLFreeConnect", 1},     {"SQLNoSuchCall", 0},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(Probe().Count(e.call), e.count) << e.call;
    }
    EXPECT_EQ(Probe().OpenHandles("STMT"), 0);
    EXPECT_EQ(Probe().OpenHandles("DBC"), 0);
}

// ---- describing and fetching ------------------------------------------------------

TEST_F(TestDriver, PlainSqlIsOneIntegerRow) {
    Statement statement(Connected());
    ASSERT_EQ(statement.Prepare("select 1"), SQL_SUCCESS);
    ASSERT_EQ(statement.ColumnCount(), 1);
    SQLCHAR name[16] = {};
    SQLSMALLINT type = 0;
    ASSERT_EQ(SQLDescribeCol(statement.get(), 1, name, sizeof name, nullptr, &type, nullptr,
                             nullptr, nullptr),
              SQL_SUCCESS);
    EXPECT_STREQ(reinterpret_cast<char*>(name), "1");
    EXPECT_EQ(type, SQL_INTEGER);
    ASSERT_EQ(SQLExecute(statement.get()), SQL_SUCCESS);
    SQLINTEGER value = 0;
    SQLLEN indicator = 0;
    ASSERT_EQ(SQLBindCol(statement.get(), 1, SQL_C_LONG, &value, 0, &indicator), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(statement.get()), SQL_SUCCESS);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(SQLFetch(statement.get()), SQL_NO_DATA);
}

TEST_F(TestDriver, DescribesColumnsRightAfterPrepare) {
    Statement statement(Connected());
    ASSERT_EQ(
        statement.Prepare(
            "script: result(g GUID, w WCHAR(40), wv WVARCHAR(2147483647), wl WLONGVARCHAR, "
            "t TYPE_TIME NOT NULL, iv INTERVAL_MINUTE_TO_SECOND(9, 6) UNKNOWN, custom -150(12), "
            "big LONGVARBINARY(4294967296), d DECIMAL(10, 2) NULL, 'a b' VARCHAR(5))"),
        SQL_SUCCESS);
    const struct {
        const char* name;
        SQLSMALLINT type;
        SQLULEN size;
        SQLSMALLINT digits;
        SQLSMALLINT nullable;
    } expected[] = {
        {"g", SQL_GUID, 36, 0, SQL_NULLABLE},
        {"w", SQL_WCHAR, 40, 0, SQL_NULLABLE},
        {"wv", SQL_WVARCHAR, 2147483647, 0, SQL_NULLABLE},
        {"wl", SQL_WLONGVARCHAR, 2147483647, 0, SQL_NULLABLE},
        {"t", SQL_TYPE_TIME, 8, 0, SQL_NO_NULLS},
        {"iv", SQL_INTERVAL_MINUTE_TO_SECOND, 9, 6, SQL_NULLABLE_UNKNOWN},
        {"custom", -150, 12, 0, SQL_NULLABLE},
        {"big", SQL_LONGVARBINARY, 4294967296ULL, 0, SQL_NULLABLE},
        {"d", SQL_DECIMAL, 10, 2, SQL_NULLABLE},
        {"a b", SQL_VARCHAR, 5, 0, SQL_NULLABLE},
    };
    ASSERT_EQ(statement.ColumnCount(), static_cast<SQLSMALLINT>(std::size(expected)));
    for (SQLUSMALLINT column = 1; column <= std::size(expected); ++column) {
        const auto& e = expected[column - 1];
        SCOPED_TRACE(e.name);
        SQLCHAR name[128] = {};
        SQLSMALLINT nameLength = 0, type = 0, digits = -1, nullable = -1;
        SQLULEN size = 0;
        ASSERT_EQ(SQLDescribeCol(statement.get(), column, name, sizeof name, &nameLength, &type,
                                 &size, &digits, &nullable),
                  SQL_SUCCESS);
        EXPECT_STREQ(reinterpret_cast<char*>(name), e.name);
        EXPECT_EQ(nameLength, static_cast<SQLSMALLINT>(std::strlen(e.name)));
        EXPECT_EQ(type, e.type);
        EXPECT_EQ(size, e.size);
        EXPECT_EQ(digits, e.digits);
        EXPECT_EQ(nullable, e.nullable);
    }
}

TEST_F(TestDriver, FetchDeliversNullsAndCutsLongValues) {
    Statement statement(Connected());
    ASSERT_EQ(
        statement.Run(
            "script: result(name VARCHAR(20), note VARCHAR(20)) row('abcdefgh', NULL) row('', x)"),
        SQL_SUCCESS);
    char name[4] = {};
    char note[20] = {};
    SQLLEN nameIndicator = 0, noteIndicator = 0;
    ASSERT_EQ(SQLBindCol(statement.get(), 1, SQL_C_CHAR, name, sizeof name, &nameIndicator),
              SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(statement.get(), 2, SQL_C_CHAR, note, sizeof note, &noteIndicator),
              SQL_SUCCESS);

    ASSERT_EQ(SQLFetch(statement.get()), SQL_SUCCESS_WITH_INFO);
    EXPECT_STREQ(name, "abc");
    EXPECT_EQ(nameIndicator, 8);
    EXPECT_EQ(noteIndicator, SQL_NULL_DATA);
    EXPECT_EQ(statement.FirstRecord().state, "01004");
    EXPECT_EQ(ColumnNumberWalk(statement.get()), std::vector<SQLINTEGER>{1});

    ASSERT_EQ(SQLFetch(statement.get()), SQL_SUCCESS);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(nameIndicator, 0);
    EXPECT_STREQ(note, "x");
    EXPECT_EQ(SQLFetch(statement.get()), SQL_NO_DATA);
}

// The bytes of a value; of a char16_t literal, its units and terminator.
template <class T>
std::vector<unsigned char> Bytes(const T& value) {
    std::vector<unsigned char> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

std::vector<unsigned char> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

TEST_F(TestDriver, ValuesConvertToTheBoundCType) {
    SQL_TIMESTAMP_STRUCT stamp{2011, 3, 4, 5, 6, 7, 890000000};
    SQLGUID guid{0x6F9619FF, 0x8B86, 0xD011, {0xB4, 0x2D, 0x00, 0xC0, 0x4F, 0xC9, 0x64, 0xFF}};
    const struct {
        const char* sqlType;
        const char* literal;
        SQLSMALLINT cType;
        std::vector<unsigned char> bytes;
        SQLLEN indicator;
    } cases[] = {
        {"INTEGER", "42", SQL_C_LONG, Bytes(SQLINTEGER{42}), 4},
        {"INTEGER", "-2147483648", SQL_C_SLONG, Bytes(SQLINTEGER{-2147483647 - 1}), 4},
        {"SMALLINT", "-7", SQL_C_SHORT, Bytes(SQLSMALLINT{-7}), 2},
        {"TINYINT", "-5", SQL_C_TINYINT, Bytes(SQLSCHAR{-5}), 1},
        {"BIGINT", "9000000000", SQL_C_SBIGINT, Bytes(SQLBIGINT{9000000000LL}), 8},
        {"DOUBLE", "2.5", SQL_C_DOUBLE, Bytes(SQLDOUBLE{2.5}), 8},
        {"REAL", "0.25", SQL_C_FLOAT, Bytes(SQLREAL{0.25F}), 4},
        {"BIT", "1", SQL_C_BIT, Bytes(static_cast<unsigned char>(1)), 1},
        {"TYPE_DATE", "2011-03-04", SQL_C_TYPE_DATE, Bytes(SQL_DATE_STRUCT{2011, 3, 4}), 6},
        {"TYPE_TIMESTAMP", "2011-03-04 05:06:07.89", SQL_C_TYPE_TIMESTAMP, Bytes(stamp), 16},
        {"GUID", "{6F9619FF-8B86-D011-B42D-00C04FC964FF}", SQL_C_GUID, Bytes(guid), 16},
        {"WVARCHAR", "'gr\\u00fc\\u00dfe'", SQL_C_WCHAR, Bytes(u"grüße"), 10},
        {"WCHAR", "'\\uD800'", SQL_C_WCHAR, Bytes(u"\xD800"), 2},
        {"WVARCHAR", "'gr\\xc3\\xbc\\xc3\\x9fe'", SQL_C_WCHAR, Bytes(u"grüße"), 10},
        {"VARBINARY", "'\\x00\\xffA'", SQL_C_BINARY,
         Bytes(std::string_view("\0\xff"
                                "A",
                                3)),
         3},
        {"VARCHAR", "'caf\\xc3\\xa9'", SQL_C_CHAR, Bytes(std::string_view("caf\xc3\xa9", 6)), 5},
        {"DECIMAL", ".5", SQL_C_CHAR, Bytes(std::string_view(".5", 3)), 2},
        {"NUMERIC", "-.5", SQL_C_CHAR, Bytes(std::string_view("-.5", 4)), 3},
        {"-150", "raw", -150, Bytes(std::string_view("raw")), 3},
    };
    Connection& connection = Connected();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.sqlType) + " " + c.literal);
        Statement statement(connection);
        ASSERT_EQ(statement.Run(std::string("script: result(v ") + c.sqlType + ") row(" +
                                c.literal + ")"),
                  SQL_SUCCESS);
        unsigned char buffer[64];
        std::memset(buffer, 0xEE, sizeof buffer);
        SQLLEN indicator = 0;
        ASSERT_EQ(SQLBindCol(statement.get(), 1, c.cType, buffer, sizeof buffer, &indicator),
                  SQL_SUCCESS);
        ASSERT_EQ(SQLFetch(statement.get()), SQL_SUCCESS) << statement.FirstRecord().message;
        EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + c.bytes.size()), c.bytes);
        EXPECT_EQ(indicator, c.indicator);
    }
}

TEST_F(TestDriver, ValuesThatDoNotConvertFailTheFetchNamingTheColumn) {
    const struct {
        const char* literal;
        SQLSMALLINT cType;
        const char* state;
    } cases[] = {
        {"abc", SQL_C_LONG, "22018"},
        {"70000", SQL_C_SHORT, "22003"},
        {"2011-13-01", SQL_C_TYPE_DATE, "22007"},
        {"not-a-guid", SQL_C_GUID, "22018"},
    };
    Connection& connection = Connected();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.literal);
        Statement statement(connection);
        ASSERT_EQ(statement.Run(std::string("script: result(a INTEGER, b VARCHAR) row(1, ") +
                                c.literal + ")"),
                  SQL_SUCCESS);
        unsigned char first[16], second[16];
        SQLLEN indicators[2];
        ASSERT_EQ(SQLBindCol(statement.get(), 1, SQL_C_LONG, first, sizeof first, &indicators[0]),
                  SQL_SUCCESS);
        ASSERT_EQ(SQLBindCol(statement.get(), 2, c.cType, second, sizeof second, &indicators[1]),
                  SQL_SUCCESS);
        ASSERT_EQ(SQLFetch(statement.get()), SQL_ERROR);
        EXPECT_EQ(statement.FirstRecord().state, c.state);
        EXPECT_EQ(ColumnNumberWalk(statement.get()), std::vector<SQLINTEGER>{2});
    }
}

TEST_F(TestDriver, RepeatedValueIsCutToTheBufferOrReadInPieces) {
    Statement statement(Connected());
    ASSERT_EQ(
        statement.Run("script: result(v LONGVARCHAR) row('x'*100000) row('ab' * 2 + '\\x41')"),
        SQL_SUCCESS);
    std::vector<char> buffer(16384);
    SQLLEN indicator = 0;
    ASSERT_EQ(SQLBindCol(statement.get(), 1, SQL_C_CHAR, buffer.data(), 16384, &indicator),
              SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(statement.get()), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(indicator, 100000);
    EXPECT_EQ(std::string(buffer.data()), std::string(16383, 'x'));

    ASSERT_EQ(SQLFreeStmt(statement.get(), SQL_UNBIND), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(statement.get()), SQL_SUCCESS);
    std::string pieces;
    std::vector<SQLRETURN> results;
    char piece[3];
    for (int guard = 0; guard < 10; ++guard) {
        const SQLRETURN rc =
            SQLGetData(statement.get(), 1, SQL_C_CHAR, piece, sizeof piece, &indicator);
        results.push_back(rc);
        if (!SQL_SUCCEEDED(rc)) {
            break;
        }
        pieces += piece;
    }
    EXPECT_EQ(pieces, "ababA");
    EXPECT_EQ(results, (std::vector<SQLRETURN>{SQL_SUCCESS_WITH_INFO, SQL_SUCCESS_WITH_INFO,
                                               SQL_SUCCESS, SQL_NO_DATA}));
}

TEST_F(TestDriver, GeneratedRowsCarryTheirRowNumber) {
    Statement statement(Connected());
    ASSERT_EQ(statement.Run("script: result(n INTEGER, t VARCHAR(12)) row(7, seven) rows(1000000)"),
              SQL_SUCCESS);
    SQLINTEGER number = 0;
    char text[13] = {};
    SQLLEN indicators[2];
    ASSERT_EQ(SQLBindCol(statement.get(), 1, SQL_C_LONG, &number, 0, &indicators[0]), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(statement.get(), 2, SQL_C_CHAR, text, sizeof text, &indicators[1]),
              SQL_SUCCESS);
    std::vector<std::pair<SQLINTEGER, std::string>> rows;
    for (int i = 0; i < 3 && SQLFetch(statement.get()) == SQL_SUCCESS; ++i) {
        rows.emplace_back(number, text);
    }
    EXPECT_EQ(rows,
              (std::vector<std::pair<SQLINTEGER, std::string>>{{7, "seven"}, {2, "2"}, {3, "3"}}));
}

TEST_F(TestDriver, CutValuesFollowTheirCTypeRules) {
    const struct {
        const char* name;
        const char* sqlType;
        const char* literal;
        SQLSMALLINT cType;
        SQLLEN bufferLength;
        std::vector<unsigned char> bytes;
        SQLLEN indicator;
        SQLRETURN rc;
    } cases[] = {
        {"char keeps room for the terminator", "VARCHAR", "abcdef", SQL_C_CHAR, 4, Bytes("abc"), 6,
         SQL_SUCCESS_WITH_INFO},
        {"binary has no terminator", "VARBINARY", "'\\x01\\x02\\x03'", SQL_C_BINARY, 2,
         Bytes(std::string_view("\x01\x02", 2)), 3, SQL_SUCCESS_WITH_INFO},
        {"wide counts bytes", "WVARCHAR", "abc", SQL_C_WCHAR, 6, Bytes(u"ab"), 6,
         SQL_SUCCESS_WITH_INFO},
        {"wide never splits a surrogate pair", "WVARCHAR", "'\\U0001F600x'", SQL_C_WCHAR, 4,
         Bytes(u""), 6, SQL_SUCCESS_WITH_INFO},
        {"wide keeps a whole pair", "WVARCHAR", "'\\U0001F600'", SQL_C_WCHAR, 6,
         Bytes(u"\U0001F600"), 4, SQL_SUCCESS},
        {"bytes that are not UTF-8 become U+FFFD", "WVARCHAR", "'a\\xffb'", SQL_C_WCHAR, 16,
         Bytes(u"a\uFFFDb"), 6, SQL_SUCCESS},
        {"a fraction is cut from an integer", "DECIMAL", "12.7", SQL_C_LONG, 4,
         Bytes(SQLINTEGER{12}), 4, SQL_SUCCESS_WITH_INFO},
        {"unsigned 64-bit maximum", "BIGINT", "18446744073709551615", SQL_C_UBIGINT, 8,
         Bytes(SQLUBIGINT{18446744073709551615ULL}), 8, SQL_SUCCESS},
        {"time of a timestamp text", "TYPE_TIME", "'2011-03-04 05:06:07'", SQL_C_TYPE_TIME, 6,
         Bytes(SQL_TIME_STRUCT{5, 6, 7}), 6, SQL_SUCCESS},
    };
    Connection& connection = Connected();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Statement statement(connection);
        ASSERT_EQ(statement.Run(std::string("script: result(v ") + c.sqlType + ") row(" +
                                c.literal + ")"),
                  SQL_SUCCESS);
        unsigned char buffer[32];
        std::memset(buffer, 0xEE, sizeof buffer);
        SQLLEN indicator = 0;
        ASSERT_EQ(SQLBindCol(statement.get(), 1, c.cType, buffer, c.bufferLength, &indicator),
                  SQL_SUCCESS);
        EXPECT_EQ(SQLFetch(statement.get()), c.rc);
        EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + c.bytes.size()), c.bytes);
        EXPECT_EQ(buffer[c.bufferLength], 0xEE) << "wrote past the buffer";
        EXPECT_EQ(indicator, c.indicator);
    }
}

TEST_F(TestDriver, ReportsRowStatusAndKeepsOneRowPerFetch) {
    Statement statement(Connected());
    SQLULEN fetched = 99;
    SQLUSMALLINT status = 99;
    ASSERT_EQ(SQLSetStmtAttr(statement.get(), SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(statement.get(), SQL_ATTR_ROW_STATUS_PTR, &status, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(statement.get(), SQL_ATTR_ROW_ARRAY_SIZE,
                             reinterpret_cast<SQLPOINTER>(10), 0),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(statement.FirstRecord().state, "01S02");
    ASSERT_EQ(statement.Run("script: result(v VARCHAR(3)) row(abcdef)"), SQL_SUCCESS);
    char value[4];
    SQLLEN indicator = 0;
    ASSERT_EQ(SQLBindCol(statement.get(), 1, SQL_C_CHAR, value, sizeof value, &indicator),
              SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(statement.get()), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(fetched, 1U);
    EXPECT_EQ(status, SQL_ROW_SUCCESS_WITH_INFO);
    ASSERT_EQ(SQLFetch(statement.get()), SQL_NO_DATA);
    EXPECT_EQ(fetched, 0U);
}

TEST_F(TestDriver, ExecutingAgainStartsTheResultsOver) {
    Statement statement(Connected());
    ASSERT_EQ(statement.Prepare("script: result(n INTEGER) row(10) row(20)"), SQL_SUCCESS);
    SQLINTEGER value = 0;
    SQLLEN indicator = 0;
    ASSERT_EQ(SQLBindCol(statement.get(), 1, SQL_C_LONG, &value, 0, &indicator), SQL_SUCCESS);
    std::vector<SQLINTEGER> seen;
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(SQLExecute(statement.get()), SQL_SUCCESS);
        ASSERT_EQ(SQLFetch(statement.get()), SQL_SUCCESS);
        seen.push_back(value);
        ASSERT_EQ(SQLCloseCursor(statement.get()), SQL_SUCCESS);
    }
    const std::string direct = "script: result(n INTEGER) row(30)";
    ASSERT_EQ(SQLExecDirect(statement.get(),
                            reinterpret_cast<SQLCHAR*>(const_cast<char*>(direct.c_str())), SQL_NTS),
              SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(statement.get()), SQL_SUCCESS);
    seen.push_back(value);
    EXPECT_EQ(seen, (std::vector<SQLINTEGER>{10, 10, 30}));
}

TEST_F(TestDriver, DescribeCutsALongColumnName) {
    Statement statement(Connected());
    ASSERT_EQ(statement.Prepare("script: result('a rather long name' INTEGER)"), SQL_SUCCESS);
    SQLCHAR name[7] = {};
    SQLSMALLINT nameLength = 0;
    ASSERT_EQ(SQLDescribeCol(statement.get(), 1, name, sizeof name, &nameLength, nullptr, nullptr,
                             nullptr, nullptr),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_STREQ(reinterpret_cast<char*>(name), "a rath");
    EXPECT_EQ(nameLength, 18);
    EXPECT_EQ(SQLDescribeCol(statement.get(), 2, name, sizeof name, nullptr, nullptr, nullptr,
                             nullptr, nullptr),
              SQL_ERROR);
    EXPECT_EQ(statement.FirstRecord().state, "07009");
}

// ---- diagnostics and results -------------------------------------------------------

// The program's error capture: each SQLError record, then the column walk.
TEST_F(TestDriver, ColumnNumbersReachGetDiagFieldAlongsideSqlError) {
    Statement statement(Connected());
    ASSERT_EQ(statement.Run("script: result(a INTEGER, b INTEGER, c INTEGER, d INTEGER, e INTEGER) "
                            "fail(SQLExecute, diag(42S22, 207, 'Invalid column, first', column=2), "
                            "diag(42S22, 208, Invalid column second, column=5, row=3))"),
              SQL_ERROR);
    std::vector<Diag> records;
    for (int i = 0; i < 3; ++i) {
        SQLCHAR state[6] = {};
        SQLCHAR message[1024] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        if (SQLError(env_.get(), connection_->get(), statement.get(), state, &native, message,
                     sizeof message, &length) != SQL_SUCCESS) {
            break;
        }
        records.push_back(
            {reinterpret_cast<char*>(state), native, reinterpret_cast<char*>(message)});
        EXPECT_EQ(ColumnNumberWalk(statement.get()), (std::vector<SQLINTEGER>{2, 5}));
    }
    EXPECT_EQ(records, (std::vector<Diag>{{"42S22", 207, "Invalid column, first"},
                                          {"42S22", 208, "Invalid column second"}}));

    SQLINTEGER count = 0, native = 0;
    SQLLEN row = 0;
    SQLCHAR message[64] = {};
    EXPECT_EQ(
        SQLGetDiagField(SQL_HANDLE_STMT, statement.get(), 0, SQL_DIAG_NUMBER, &count, 0, nullptr),
        SQL_SUCCESS);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(
        SQLGetDiagField(SQL_HANDLE_STMT, statement.get(), 2, SQL_DIAG_NATIVE, &native, 0, nullptr),
        SQL_SUCCESS);
    EXPECT_EQ(native, 208);
    EXPECT_EQ(
        SQLGetDiagField(SQL_HANDLE_STMT, statement.get(), 2, SQL_DIAG_ROW_NUMBER, &row, 0, nullptr),
        SQL_SUCCESS);
    EXPECT_EQ(row, 3);
    EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, statement.get(), 1, SQL_DIAG_MESSAGE_TEXT, message,
                              sizeof message, nullptr),
              SQL_SUCCESS);
    EXPECT_STREQ(reinterpret_cast<char*>(message), "Invalid column, first");
}

TEST_F(TestDriver, MoreResultsMovesThroughTheResultSets) {
    Statement statement(Connected());
    ASSERT_EQ(
        statement.Run(
            "script: result(a INTEGER) row(1) row(2) result(b VARCHAR(10), c INTEGER) row(x, 3) "
            "result() rowcount(5)"),
        SQL_SUCCESS);
    std::vector<SQLSMALLINT> columnCounts;
    std::vector<int> rowsPerResult;
    std::vector<SQLLEN> rowCounts;
    SQLRETURN more = SQL_SUCCESS;
    while (SQL_SUCCEEDED(more)) {
        columnCounts.push_back(statement.ColumnCount());
        int rows = 0;
        if (columnCounts.back() > 0) {
            while (SQLFetch(statement.get()) == SQL_SUCCESS) {
                ++rows;
            }
        } else {
            rowCounts.push_back(statement.RowCount());
        }
        rowsPerResult.push_back(rows);
        more = SQLMoreResults(statement.get());
    }
    EXPECT_EQ(more, SQL_NO_DATA);
    EXPECT_EQ(columnCounts, (std::vector<SQLSMALLINT>{1, 2, 0}));
    EXPECT_EQ(rowsPerResult, (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(rowCounts, std::vector<SQLLEN>{5});
}

TEST_F(TestDriver, OutputParameterIsWrittenOnExecute) {
    const struct {
        const char* sql;
        SQLINTEGER value;
        SQLLEN indicator;
    } cases[] = {
        {"script: ? param(1, 42)", 42, 4},
        {"script: ? param(1, -2147483648)", -2147483647 - 1, 4},
        {"script: ? param(1, NULL)", -1, SQL_NULL_DATA},
        {"script: ?", -1, 0},
    };
    Connection& connection = Connected();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        Statement statement(connection);
        ASSERT_EQ(statement.Prepare(c.sql), SQL_SUCCESS);
        SQLSMALLINT markers = 0;
        ASSERT_EQ(SQLNumParams(statement.get(), &markers), SQL_SUCCESS);
        EXPECT_EQ(markers, 1);
        SQLINTEGER value = -1;
        SQLLEN indicator = 0;
        ASSERT_EQ(SQLBindParameter(statement.get(), 1, SQL_PARAM_OUTPUT, SQL_C_LONG, SQL_INTEGER, 0,
                                   0, &value, 0, &indicator),
                  SQL_SUCCESS);
        ASSERT_EQ(SQLExecute(statement.get()), SQL_SUCCESS);
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(indicator, c.indicator);
    }
}

TEST_F(TestDriver, RowCountOfStatementsWithoutResultColumns) {
    const struct {
        const char* sql;
        SQLLEN rowCount;
    } cases[] = {
        {"script: rowcount(-1)", -1},
        {"script: rowcount(12345678901)", 12345678901LL},
        {"script:", 0},
        {"   ", 0},
    };
    Connection& connection = Connected();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        Statement statement(connection);
        ASSERT_EQ(statement.Run(c.sql), SQL_SUCCESS);
        EXPECT_EQ(statement.ColumnCount(), 0);
        EXPECT_EQ(statement.RowCount(), c.rowCount);
    }
}

TEST_F(TestDriver, ExecuteCanReturnNoData) {
    Statement statement(Connected());
    ASSERT_EQ(statement.Run("script: return(SQLExecute, NO_DATA)"), SQL_NO_DATA);
    EXPECT_TRUE(statement.Errors().empty());
}

// ---- scripted failures ---------------------------------------------------------------

// Drives a statement the way the program's query run does and notes the first
// call that fails, and every call that returned SQL_SUCCESS_WITH_INFO.
struct FlowOutcome {
    std::string failedCall;
    std::vector<Diag> errors;
    std::vector<std::string> warnedCalls;
};

FlowOutcome RunProgramFlow(const Connection& connection, const std::string& sql) {
    FlowOutcome outcome;
    Statement statement(connection);
    const auto check = [&](const char* call, SQLRETURN rc, bool noDataIsNormal = false) {
        if (rc == SQL_SUCCESS_WITH_INFO) {
            outcome.warnedCalls.push_back(call);
        }
        if (SQL_SUCCEEDED(rc) || (noDataIsNormal && rc == SQL_NO_DATA)) {
            return true;
        }
        outcome.failedCall = call;
        outcome.errors =
            std::string(call) == "SQLAllocStmt" ? connection.Errors() : statement.Errors();
        return false;
    };
    if (!check("SQLAllocStmt", statement.allocResult()) ||
        !check("SQLSetStmtAttr",
               SQLSetStmtAttr(statement.get(), SQL_ATTR_CURSOR_TYPE,
                              reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC), SQL_IS_INTEGER)) ||
        !check("SQLPrepare", statement.Prepare(sql))) {
        return outcome;
    }
    SQLSMALLINT columns = 0;
    if (!check("SQLNumResultCols", SQLNumResultCols(statement.get(), &columns))) {
        return outcome;
    }
    std::vector<std::vector<char>> buffers(columns, std::vector<char>(256));
    std::vector<SQLLEN> indicators(columns);
    for (SQLUSMALLINT column = 1; column <= columns; ++column) {
        SQLCHAR name[128];
        SQLSMALLINT type = 0;
        if (!check("SQLDescribeCol", SQLDescribeCol(statement.get(), column, name, sizeof name,
                                                    nullptr, &type, nullptr, nullptr, nullptr))) {
            return outcome;
        }
    }
    for (SQLUSMALLINT column = 1; column <= columns; ++column) {
        if (!check("SQLBindCol",
                   SQLBindCol(statement.get(), column, SQL_C_CHAR, buffers[column - 1].data(), 256,
                              &indicators[column - 1]))) {
            return outcome;
        }
    }
    SQLINTEGER output = -1;
    SQLLEN outputIndicator = 0;
    if (sql.find('?') != std::string::npos &&
        !check("SQLBindParameter",
               SQLBindParameter(statement.get(), 1, SQL_PARAM_OUTPUT, SQL_C_LONG, SQL_INTEGER, 0, 0,
                                &output, 0, &outputIndicator))) {
        return outcome;
    }
    if (!check("SQLExecute", SQLExecute(statement.get()))) {
        return outcome;
    }
    if (columns == 0) {
        SQLLEN rows = 0;
        check("SQLRowCount", SQLRowCount(statement.get(), &rows));
        return outcome;
    }
    SQLRETURN more = SQL_SUCCESS;
    while (SQL_SUCCEEDED(more)) {
        SQLRETURN fetched = SQL_SUCCESS;
        while (SQL_SUCCEEDED(fetched)) {
            fetched = SQLFetch(statement.get());
            if (!check("SQLFetch", fetched, true)) {
                return outcome;
            }
        }
        more = SQLMoreResults(statement.get());
        if (!check("SQLMoreResults", more, true)) {
            return outcome;
        }
    }
    return outcome;
}

TEST_F(TestDriver, EachScriptableCallCanFail) {
    const struct {
        const char* keywords;
        const char* sql;
        const char* failedCall;
        Diag firstError;
    } cases[] = {
        {"FailAllocStmt=HY001,11,no statement handles left",
         "select 1",
         "SQLAllocStmt",
         {"HY001", 11, "no statement handles left"}},
        {"FailSetStmtAttr=HYC00,12,cursor type refused",
         "select 1",
         "SQLSetStmtAttr",
         {"HYC00", 12, "cursor type refused"}},
        {"",
         "script: result(a INTEGER) fail(SQLPrepare, diag(42000, 13, syntax error))",
         "SQLPrepare",
         {"42000", 13, "syntax error"}},
        {"",
         "script: result(a INTEGER) fail(SQLNumResultCols, diag(HY000, 14, no columns today))",
         "SQLNumResultCols",
         {"HY000", 14, "no columns today"}},
        {"",
         "script: result(a INTEGER, b INTEGER, c INTEGER) fail(SQLDescribeCol@2, diag(HY000, 15, "
         "cannot describe))",
         "SQLDescribeCol",
         {"HY000", 15, "cannot describe"}},
        {"",
         "script: result(a INTEGER, b INTEGER, c INTEGER) fail(SQLBindCol@3, diag(HY003, 16, "
         "cannot bind))",
         "SQLBindCol",
         {"HY003", 16, "cannot bind"}},
        {"",
         "script: ? param(1, 5) fail(SQLBindParameter@1, diag(07009, 17, bad parameter))",
         "SQLBindParameter",
         {"07009", 17, "bad parameter"}},
        {"",
         "script: result(a INTEGER) row(1) fail(SQLExecute, diag(40001, 18, deadlock))",
         "SQLExecute",
         {"40001", 18, "deadlock"}},
        {"",
         "script: result(a INTEGER) row(1) row(2) row(3) fail(SQLFetch@2, diag(HY000, 19, lost row "
         "two))",
         "SQLFetch",
         {"HY000", 19, "lost row two"}},
        {"",
         "script: rowcount(7) fail(SQLRowCount, diag(HY000, 20, no count))",
         "SQLRowCount",
         {"HY000", 20, "no count"}},
        {"",
         "script: result(a INTEGER) row(1) fail(SQLMoreResults, diag(08S01, 21, link lost)) "
         "result(b INTEGER)",
         "SQLMoreResults",
         {"08S01", 21, "link lost"}},
        {"",
         "script: fail(SQLMoreResults@2) result(a INTEGER) row(1) result(b INTEGER) row(2) "
         "result(c INTEGER)",
         "SQLMoreResults",
         {"HY000", 0, "scripted failure of SQLMoreResults"}},
        {"FailExecute=HY000,22,every execute fails",
         "select 1",
         "SQLExecute",
         {"HY000", 22, "every execute fails"}},
    };
    Connection& connection = Connected();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        Connection scripted(env_);
        const Connection* target = &connection;
        if (*c.keywords != '\0') {
            ASSERT_EQ(scripted.Connect(c.keywords), SQL_SUCCESS);
            target = &scripted;
        }
        const FlowOutcome outcome = RunProgramFlow(*target, c.sql);
        EXPECT_EQ(outcome.failedCall, c.failedCall);
        ASSERT_FALSE(outcome.errors.empty());
        EXPECT_EQ(outcome.errors.front(), c.firstError);
    }
}

TEST_F(TestDriver, AnyScriptableCallCanWarn) {
    const struct {
        const char* keywords;
        const char* sql;
        const char* warnedCall;
    } cases[] = {
        {"InfoAllocStmt=01000,31,note", "select 1", "SQLAllocStmt"},
        {"InfoSetStmtAttr=01S02,32,changed", "select 1", "SQLSetStmtAttr"},
        {"", "script: result(a INTEGER) row(1) info(SQLPrepare)", "SQLPrepare"},
        {"", "script: result(a INTEGER) row(1) info(SQLNumResultCols)", "SQLNumResultCols"},
        {"", "script: result(a INTEGER) row(1) info(SQLDescribeCol@1)", "SQLDescribeCol"},
        {"", "script: result(a INTEGER) row(1) info(SQLBindCol@1)", "SQLBindCol"},
        {"", "script: ? info(SQLBindParameter)", "SQLBindParameter"},
        {"", "script: result(a INTEGER) row(1) info(SQLExecute)", "SQLExecute"},
        {"", "script: result(a INTEGER) row(1) row(2) info(SQLFetch@2)", "SQLFetch"},
        {"", "script: rowcount(3) info(SQLRowCount)", "SQLRowCount"},
        {"", "script: result(a INTEGER) info(SQLMoreResults) result(b INTEGER)", "SQLMoreResults"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        Connection connection(env_);
        ASSERT_EQ(connection.Connect(c.keywords), SQL_SUCCESS);
        const FlowOutcome outcome = RunProgramFlow(connection, c.sql);
        EXPECT_EQ(outcome.failedCall, "");
        EXPECT_EQ(outcome.warnedCalls, std::vector<std::string>{c.warnedCall});
    }
}

TEST_F(TestDriver, ScriptErrorsFailThePrepareWithTheirReason) {
    const struct {
        const char* sql;
        const char* reason;
    } cases[] = {
        {"script: row(1)", "row() needs a result(...) with columns before it"},
        {"script: result(a INTEGER) row(1, 2)", "row has 2 values but the result has 1 columns"},
        {"script: result(a NOSUCHTYPE)", "unknown SQL type 'NOSUCHTYPE'"},
        {"script: result(a VARCHAR) row('open", "unterminated quoted text"},
        {"script: result(a VARCHAR) row('x' * 99999999999)",
         "repeat count 99999999999 is out of range"},
        {"script: result(a VARCHAR) row('\\q')", "unknown escape '\\q'"},
        {"script: fail(SQLAllocStmt)",
         "use the connection keyword FailAllocStmt= or InfoAllocStmt="},
        {"script: fail(SQLExecute@2)", "SQLExecute takes no @number"},
        {"script: fail(SQLFrobnicate)", "unknown call 'SQLFrobnicate'"},
        {"script: fail(SQLExecute, diag(TOOLONG, 1, x))",
         "SQLSTATE 'TOOLONG' is longer than five characters"},
        {"script: bogus(1)", "unknown directive 'BOGUS'"},
    };
    Connection& connection = Connected();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        Statement statement(connection);
        ASSERT_EQ(statement.Prepare(c.sql), SQL_ERROR);
        const Diag record = statement.FirstRecord();
        EXPECT_EQ(record.state, "42000");
        EXPECT_NE(record.message.find(c.reason), std::string::npos) << record.message;
    }
}

// ---- slow fetches ---------------------------------------------------------------------

TEST_F(TestDriver, SlowFetchStopsOnCancelFromAnotherThread) {
    Statement statement(Connected());
    ASSERT_EQ(statement.Run("script: result(n INTEGER) rows(3) delay(60000)"), SQL_SUCCESS);
    std::atomic<bool> fetchReturned{false};
    std::thread canceller([&] {
        // Cancel only once the fetch is inside the driver, and keep at it:
        // a cancel before the fetch would close the cursor in the manager.
        while (Probe().Count("SQLFetch") == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        while (!fetchReturned) {
            SQLCancel(statement.get());
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    const SQLRETURN rc = SQLFetch(statement.get());
    fetchReturned = true;
    canceller.join();
    EXPECT_EQ(rc, SQL_ERROR);
    EXPECT_EQ(statement.FirstRecord().state, "HY008");
    EXPECT_GE(Probe().Count("SQLCancel"), 1);
}

}  // namespace
