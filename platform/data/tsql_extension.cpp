// GETDATE(), NewID() and the server's default collation as a loadable SQLite extension, for databases that
// other programs open (the SQLite ODBC driver loads it with LoadExt=<path>).

#include "tsql_functions.h"

#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

extern "C" {

// The name SQLite derives from the file name libsv_tsql.so.
int sqlite3_svtsql_init(sqlite3* db, char** errorMessage, const sqlite3_api_routines* api) {
    SQLITE_EXTENSION_INIT2(api);
    const int rc = sv::data::registerTsqlFunctions(db);
    if (rc != SQLITE_OK && errorMessage)
        *errorMessage = sqlite3_mprintf("cannot register GETDATE, NewID and %s: %s",
                                        sv::data::kServerCollation, sqlite3_errstr(rc));
    return rc;
}

// The generic name, tried first by loaders that are given no entry point.
int sqlite3_extension_init(sqlite3* db, char** errorMessage, const sqlite3_api_routines* api) {
    return sqlite3_svtsql_init(db, errorMessage, api);
}

}  // extern "C"
