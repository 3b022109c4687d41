// Compiled by a test that expects failure: the database layer must refuse Qt.
#include <QtCore/QString>

#include "db/odbc_base.h"
