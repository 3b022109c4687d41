#include "db/odbc_statement.h"

ODBCSession::ODBCSession(int32_t tag) : m_tag(tag) {}

ODBCSession::~ODBCSession() {
    m_statements.clear();
}

ODBCStatement::ODBCStatement(ODBCConnect* connection, ODBCSession* session) : ODBCStmt(connection) {
    if (session != nullptr) {
        m_tag = session->m_tag;
    }
}

ODBCStatement::~ODBCStatement() {
    // The column buffers go while the handle that is bound to them still exists.
    m_buffer.reset();
}

SQLRETURN ODBCStatement::PrepareCommand(const ODBCCommand& command) {
    m_command = command;
    SQLRETURN ret = Prepare(m_command.m_sql.c_str());
    if (IsSqlSuccess(ret) && !m_buffer) {
        ret = CreateBuffer(command, 1);
    }
    return ret;
}

SQLRETURN ODBCStatement::CreateBuffer(const ODBCCommand& /*command*/, uint16_t rowCount) {
    DropBuffer();
    m_buffer = std::make_unique<ODBCBuffer>(this, rowCount);
    SQLRETURN ret = m_buffer->GetRetcode();
    if (IsSqlSuccess(ret)) {
        ret = m_buffer->BindCols();
    }
    return ret;
}

SQLRETURN ODBCStatement::RebindBuffer(uint16_t rowCount) {
    DropBuffer();
    m_buffer = std::make_unique<ODBCBuffer>(this, rowCount);
    SQLRETURN ret = m_buffer->GetRetcode();
    if (IsSqlSuccess(ret)) {
        Unbind();
        ret = m_buffer->BindCols();
        m_boundColumns = static_cast<uint16_t>(m_buffer->GetColumnCount());
    }
    return ret;
}

const ODBCColumn* ODBCStatement::GetBoundColumn(int index) const {
    if (!m_buffer || index < 0 || index >= m_boundColumns || index >= m_buffer->GetColumnSlots()) {
        return nullptr;
    }
    return m_buffer->GetColumn(index);
}

SQLRETURN ODBCStatement::Fetch() {
    SQLRETURN ret = ODBCStmt::Fetch();
    if (IsSqlSuccess(ret) && m_buffer) {
        const SQLRETURN read = m_buffer->ReadFetchedRow(m_wholeValues);
        if (!IsSqlSuccess(read)) {
            ret = read;
        }
    }
    return ret;
}

void ODBCStatement::DropBuffer() {
    if (!m_buffer) {
        return;
    }
    // The driver would go on writing into the freed columns at the next fetch.
    Unbind();
    m_buffer.reset();
}
