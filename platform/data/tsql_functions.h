#pragma once
// GETDATE() and NewID() for SQLite, so that statements in the host database's dialect run
// unchanged on an SQLite database.

struct sqlite3;

namespace sv::data {

// Registers GETDATE() (local time as "YYYY-MM-DD HH:MM:SS.mmm", which compares as text with
// datetime values stored as "YYYY-MM-DD HH:MM:SS[.mmm]") and NewID() (a new random GUID in
// upper case without braces) on the connection. Returns SQLite's result code.
int registerTsqlFunctions(sqlite3* db);

}  // namespace sv::data
