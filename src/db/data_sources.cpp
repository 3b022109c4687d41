#include "db/data_sources.h"

namespace {

// The end of a listing is the normal way out of the walk.
SQLRETURN EndOfWalk(SQLRETURN ret) {
    return ret == SQL_NO_DATA ? SQL_SUCCESS : ret;
}

std::string TextOf(const SQLCHAR* buffer) {
    return reinterpret_cast<const char*>(buffer);
}

}  // namespace

SQLRETURN ODBCDataSourceList::DataSources(SQLUSMALLINT direction, std::string& name,
                                          std::string& description) {
    SQLCHAR nameBuffer[kTextBufferSize] = {};
    SQLCHAR descriptionBuffer[kTextBufferSize] = {};
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT descriptionLength = 0;
    SQLRETURN ret = SQLDataSources(m_env, direction, nameBuffer, kTextBufferSize, &nameLength,
                                   descriptionBuffer, kTextBufferSize, &descriptionLength);
    m_retcode = CheckReturn(ret,
                            "::SQLDataSources(GetEnvHandle(), direction, (SQLCHAR *)name, "
                            "sizeof(name), &nameLength, (SQLCHAR *)description, "
                            "sizeof(description), &descriptionLength)");
    if (IsSqlSuccess(m_retcode)) {
        nameBuffer[kTextBufferSize - 1] = '\0';
        descriptionBuffer[kTextBufferSize - 1] = '\0';
        name = TextOf(nameBuffer);
        description = TextOf(descriptionBuffer);
    }
    return m_retcode;
}

SQLRETURN ODBCDataSourceList::Drivers(SQLUSMALLINT direction, std::string& description) {
    SQLCHAR descriptionBuffer[kTextBufferSize] = {};
    SQLCHAR attributes[kTextBufferSize] = {};
    SQLSMALLINT descriptionLength = 0;
    SQLSMALLINT attributesLength = 0;
    SQLRETURN ret = SQLDrivers(m_env, direction, descriptionBuffer, kTextBufferSize,
                               &descriptionLength, attributes, kTextBufferSize, &attributesLength);
    m_retcode = CheckReturn(ret,
                            "::SQLDrivers(GetEnvHandle(), direction, (SQLCHAR *)description, "
                            "sizeof(description), &descriptionLength, (SQLCHAR *)attributes, "
                            "sizeof(attributes), &attributesLength)");
    if (IsSqlSuccess(m_retcode)) {
        descriptionBuffer[kTextBufferSize - 1] = '\0';
        description = TextOf(descriptionBuffer);
    }
    return m_retcode;
}

SQLRETURN ODBCDataSourceList::ListDataSources(bool system,
                                              std::vector<ODBCDataSourceEntry>& entries) {
    SQLUSMALLINT direction = system ? SQL_FETCH_FIRST_SYSTEM : SQL_FETCH_FIRST_USER;
    ODBCDataSourceEntry entry;
    SQLRETURN ret = SQL_SUCCESS;
    while (IsSqlSuccess(ret = DataSources(direction, entry.name, entry.description))) {
        entries.push_back(entry);
        direction = SQL_FETCH_NEXT;
    }
    return EndOfWalk(ret);
}

SQLRETURN ODBCDataSourceList::ListDrivers(std::vector<std::string>& drivers) {
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    std::string description;
    SQLRETURN ret = SQL_SUCCESS;
    while (IsSqlSuccess(ret = Drivers(direction, description))) {
        drivers.push_back(description);
        direction = SQL_FETCH_NEXT;
    }
    return EndOfWalk(ret);
}

ODBCDataSourceCatalog ReadDataSourceCatalog() {
    ODBCDataSourceCatalog catalog;
    ODBCDataSourceList list;
    if (list.GetEnvHandle() == nullptr) {
        return catalog;
    }
    list.ListDataSources(false, catalog.userSources);
    list.ListDataSources(true, catalog.systemSources);
    list.ListDrivers(catalog.drivers);
    return catalog;
}
