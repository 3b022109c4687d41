// The ODBC declarations the driver implements. Kept in one place so that every
// source sees the same narrow (8-bit) API; the driver never defines UNICODE.
#pragma once

#include <sql.h>
#include <sqlext.h>
#include <sqltypes.h>
