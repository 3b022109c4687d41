#pragma once
// The data sources and drivers that the driver manager knows, read through the shared
// environment for the data source chooser.

#include "db/odbc_base.h"

#include <string>
#include <vector>

struct ODBCDataSourceEntry {
    std::string name;
    // The driver of a data source as the driver manager describes it.
    std::string description;
};

struct ODBCDataSourceCatalog {
    std::vector<ODBCDataSourceEntry> userSources;
    std::vector<ODBCDataSourceEntry> systemSources;
    std::vector<std::string> drivers;
};

class ODBCDataSourceList : public ODBCBase {
  public:
    // Longest name, description or attribute list read, terminator included.
    static constexpr SQLSMALLINT kTextBufferSize = 1024;

    SQLRETURN DataSources(SQLUSMALLINT direction, std::string& sourceName,
                          std::string& sourceDescription);
    SQLRETURN Drivers(SQLUSMALLINT direction, std::string& driverDescription);

    // Reads every user or every system data source; SQL_SUCCESS once all were read, otherwise
    // the code of the call that failed (already reported), with the entries read before it.
    SQLRETURN ListDataSources(bool system, std::vector<ODBCDataSourceEntry>& entries);
    SQLRETURN ListDrivers(std::vector<std::string>& drivers);
};

// Everything the chooser offers; what could not be read is missing and has been reported.
ODBCDataSourceCatalog ReadDataSourceCatalog();
