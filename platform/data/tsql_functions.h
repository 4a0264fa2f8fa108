#pragma once
// GETDATE(), NewID() and SQL Server's default collation for SQLite, so that statements and
// tables in the host database's dialect run and sort unchanged on an SQLite database.

struct sqlite3;

namespace sv::data {

// SQL Server's name of its default collation: Latin letters, case-insensitive, accent-sensitive.
// Under the same name, a table declared with "COLLATE Latin1_General_CI_AS" sorts alike on both.
inline constexpr char kServerCollation[] = "Latin1_General_CI_AS";

// Registers on the connection GETDATE() (local time as "YYYY-MM-DD HH:MM:SS.mmm", which compares
// as text with datetime values stored as "YYYY-MM-DD HH:MM:SS[.mmm]"), NewID() (a new random GUID
// in upper case without braces) and the collation kServerCollation: letter case does not count,
// "ä" is a variant of "a" and "ß" is "ss", and accents decide only between texts that are equal
// without them. The collation is ICU's root collation at secondary strength, whatever the locale
// of the machine. Returns SQLite's result code.
int registerTsqlFunctions(sqlite3* db);

}  // namespace sv::data
