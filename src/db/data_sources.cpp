#include "db/data_sources.h"

#include <cstring>

namespace {

// The end of a listing is the normal way out of the walk.
SQLRETURN EndOfWalk(SQLRETURN ret) {
    return ret == SQL_NO_DATA ? SQL_SUCCESS : ret;
}

// A name cut to its buffer still ends inside it.
template <std::size_t N>
std::string TextOf(const SQLCHAR (&buffer)[N]) {
    const auto* text = reinterpret_cast<const char*>(buffer);
    return std::string(text, strnlen(text, N));
}

}  // namespace

SQLRETURN ODBCDataSourceList::DataSources(SQLUSMALLINT direction, std::string& sourceName,
                                          std::string& sourceDescription) {
    SQLCHAR name[kTextBufferSize] = {};
    SQLCHAR description[kTextBufferSize] = {};
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT descriptionLength = 0;
    Call(
        "::SQLDataSources(GetEnvHandle(), direction, (SQLCHAR *)name, sizeof(name), "
        "&nameLength, (SQLCHAR *)description, sizeof(description), &descriptionLength)",
        SQLDataSources, GetEnvHandle(), direction, name, sizeof(name), &nameLength, description,
        sizeof(description), &descriptionLength);
    if (IsSqlSuccess(m_retcode)) {
        sourceName = TextOf(name);
        sourceDescription = TextOf(description);
    }
    return m_retcode;
}

SQLRETURN ODBCDataSourceList::Drivers(SQLUSMALLINT direction, std::string& driverDescription) {
    SQLCHAR description[kTextBufferSize] = {};
    SQLCHAR attributes[kTextBufferSize] = {};
    SQLSMALLINT descriptionLength = 0;
    SQLSMALLINT attributesLength = 0;
    Call(
        "::SQLDrivers(GetEnvHandle(), direction, (SQLCHAR *)description, sizeof(description), "
        "&descriptionLength, (SQLCHAR *)attributes, sizeof(attributes), &attributesLength)",
        SQLDrivers, GetEnvHandle(), direction, description, sizeof(description), &descriptionLength,
        attributes, sizeof(attributes), &attributesLength);
    if (IsSqlSuccess(m_retcode)) {
        driverDescription = TextOf(description);
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
