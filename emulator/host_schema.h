#pragma once
// The emulated host's database: the tables the add-in reads and writes, plus the host's own
// activities and users, and a German demo sample. Each list comes in the dialect of the database
// it is run on: SQLite for the embedded database (and ODBC to SQLite), Transact-SQL for a SQL Server.

#include "platform/data/connection.h"

#include <QStringList>
#include <QVariantList>

#include <vector>

namespace sv::emu {

// CREATE TABLE statements of an empty host database. On SQL Server DSNs are uniqueidentifier,
// texts nvarchar and names take the server's default collation, as on a real host.
QStringList hostSchemaStatements(data::SqlDialect dialect = data::SqlDialect::Sqlite);

// One row of a table: values are texts, whole numbers, QDateTime (local time, whole seconds) or
// Null (an invalid QVariant).
struct SeedRow {
    QString table;
    QStringList columns;
    QVariantList values;
};

// A value as a literal of the dialect: Null, numbers and booleans as they are; times as text,
// "yyyy-MM-dd HH:mm:ss" with ".zzz" when they have milliseconds ("T" in the middle on SQL Server, which
// reads that form alike whatever the session's language and date format); texts quoted by sqlText,
// as N'...' on SQL Server, so that every character reaches an nvarchar column.
QString sqlValue(const QVariant& value, data::SqlDialect dialect);

// The row's INSERT in the dialect, its values as sqlValue gives them.
QString insertStatement(const SeedRow& row, data::SqlDialect dialect);

// The single user every new host has.
std::vector<SeedRow> defaultUserRows();

// A realistic sample: activity types, process definitions (valid, expired, archived; a type with one
// process, one with three, one with none), activities in both panes with plain and HTML notes.
std::vector<SeedRow> demoRows();

QStringList defaultUserStatements(data::SqlDialect dialect = data::SqlDialect::Sqlite);
QStringList demoSeedStatements(data::SqlDialect dialect = data::SqlDialect::Sqlite);

// DSNs of the demo sample that scripts and tests refer to.
namespace demo {
inline constexpr char kAdminUser[] = "5A1E0000-0000-4000-8000-000000000001";
inline constexpr char kTypeComplaint[] = "A7000000-0000-4000-8000-000000000001";  // three valid processes
inline constexpr char kTypeOffer[] = "A7000000-0000-4000-8000-000000000002";      // one valid process
inline constexpr char kTypeCall[] = "A7000000-0000-4000-8000-000000000003";       // no process
inline constexpr char kTypeService[] = "A7000000-0000-4000-8000-000000000004";    // two valid processes
inline constexpr char kActComplaint[] = "AC000000-0000-4000-8000-000000000001";   // plain note
inline constexpr char kActOffer[] = "AC000000-0000-4000-8000-000000000002";       // HTML note
inline constexpr char kActCall[] = "AC000000-0000-4000-8000-000000000003";
inline constexpr char kActUntyped[] = "AC000000-0000-4000-8000-000000000004";  // ART_DSN Null
inline constexpr char kActRunning[] = "AC000000-0000-4000-8000-000000000005";  // already started
inline constexpr char kActService[] = "AC000000-0000-4000-8000-000000000006";  // follow-up pane
// Links of the activities: objects and addresses of the host, which the sample has no tables for.
inline constexpr char kObjectComplaint[] = "0B000000-0000-4000-8000-000000000001";
inline constexpr char kObjectService[] = "0B000000-0000-4000-8000-000000000003";
inline constexpr char kAddressComplaint[] = "AD000000-0000-4000-8000-000000000001";
inline constexpr char kAddressOffer[] = "AD000000-0000-4000-8000-000000000002";
}  // namespace demo

}  // namespace sv::emu
