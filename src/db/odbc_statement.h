#pragma once
// A statement that runs commands and keeps the bound buffer of its current result set, and the
// small objects that go with it.

#include "db/odbc_buffer.h"
#include "db/odbc_stmt.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ODBCCommand {
  public:
    explicit ODBCCommand(const char* sql = nullptr) : m_sql(sql != nullptr ? sql : "") {}
    ODBCCommand(const ODBCCommand&) = default;
    ODBCCommand& operator=(const ODBCCommand&) = default;
    virtual ~ODBCCommand() = default;

    std::string m_sql;
};

class ODBCStatement;

// Owner of statements put into it; its tag marks the error records of statements built with it.
class ODBCSession {
  public:
    explicit ODBCSession(int32_t tag = 0);
    ODBCSession(const ODBCSession&) = delete;
    ODBCSession& operator=(const ODBCSession&) = delete;
    virtual ~ODBCSession();

    int32_t m_tag = 0;
    std::vector<std::unique_ptr<ODBCStatement>> m_statements;
};

class ODBCStatement : public ODBCStmt {
  public:
    // connection must not be null; session may be.
    ODBCStatement(ODBCConnect* connection, ODBCSession* session);
    ~ODBCStatement() override;

    // Prepares the command; the first successful one also builds and binds the buffer.
    SQLRETURN PrepareCommand(const ODBCCommand& command);
    // Replaces the buffer with one for the current result set, bound from the next column on.
    SQLRETURN CreateBuffer(const ODBCCommand& command, uint16_t rowCount);
    // Replaces the buffer with one for the current result set, bound from column 1.
    SQLRETURN RebindBuffer(uint16_t rowCount);
    // Fetches the next row into the buffer; a value that cannot be read as m_wholeValues asks
    // fails the fetch.
    SQLRETURN Fetch() override;

    // The description and values of the current result set; null until the first bind.
    const ODBCBuffer* GetBuffer() const { return m_buffer.get(); }
    // The buffer's column at index (from 0), or null when none is bound there.
    const ODBCColumn* GetBoundColumn(int index) const;
    const ODBCCommand& GetCommand() const { return m_command; }
    // Every value is read whole, however long; otherwise long ones are cut to their element.
    void SetWholeValues(bool whole) { m_wholeValues = whole; }

  private:
    void DropBuffer();

    std::unique_ptr<ODBCBuffer> m_buffer;
    ODBCCommand m_command;
    bool m_wholeValues = false;
};
