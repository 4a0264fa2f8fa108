#pragma once
// A database connection in the manner of the platform's data objects: a connection string,
// a cursor location, open/close and a state, and statements run on it. The road is chosen
// by the connection string:
//   Provider=SQLite;Data Source=PATH          embedded SQLite database (must exist)
//   Driver=...;... or DSN=...;...              ODBC, the string as it is
//   Provider=SQLOLEDB|SQLNCLI*|MSOLEDBSQL*;... SQL Server through FreeTDS (see connection_string.h)
// On SQLite, GETDATE() and NewID() are available as on SQL Server.

#include "platform/data/store.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>

namespace sv::data {

// The SQL a connection speaks: the host's SQL Server, or SQLite (the embedded database, or an
// ODBC data source that is SQLite). Statements differ only where locking is concerned.
enum class SqlDialect { TransactSql, Sqlite };

class Connection {
public:
    static constexpr int kUseServer = 2;  // cursor locations
    static constexpr int kUseClient = 3;
    static constexpr long kStateClosed = 0;
    static constexpr long kStateOpen = 1;

    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Throws PlatformError(kObjectOpen) while the connection is open.
    void setConnectionString(const QString& text);
    const QString& connectionString() const { return connectionString_; }

    // Every query gives its whole result at once, whichever location is set; 2 and 3 are
    // accepted, anything else is PlatformError(kBadArgument).
    void setCursorLocation(int location);
    int cursorLocation() const { return cursorLocation_; }

    // Opens the connection. A non-empty connectionString replaces the one set before; user and
    // password, when given, override those of an ODBC or SQL Server string. Only synchronous
    // opening exists: options is accepted and not used. Throws PlatformError: kObjectOpen when
    // open already, kProviderNotFound for a provider that is not served, kBadArgument for a
    // malformed string, kDatabase with the driver's message when the database does not open.
    void open(const QString& connectionString = {}, const QString& user = {}, const QString& password = {},
              long options = -1);
    // Throws PlatformError(kObjectClosed) when the connection is not open.
    void close();
    long state() const;
    // The dialect of the open connection; TransactSql when closed.
    SqlDialect dialect() const { return dialect_; }

    // Runs a statement that returns rows and gives the whole result: one field per column, the
    // rows in the query's order, Null values as sv::nullVariant(). A statement that returns no
    // rows gives a store without fields. Throws PlatformError(kDatabase) with the database's
    // message, kObjectClosed when not open.
    Store query(const QString& sql);

    // Runs a statement; the number of rows it changed, -1 for a statement that returns rows.
    // Throws as query().
    long execute(const QString& sql);

private:
    void addDatabase(const QString& driver);
    void openSqlite(const QString& path);
    QString schemaError();
    void openOdbc(const QString& odbcConnectionString, int loginTimeout);
    bool answersAsSqlite();
    void release();
    void requireClosed() const;
    void requireOpen() const;
    void run(QSqlQuery& query, const QString& sql);

    const QString name_;  // of this connection's entry in Qt's registry of databases
    QString connectionString_;
    int cursorLocation_ = kUseServer;
    QSqlDatabase db_;
    SqlDialect dialect_ = SqlDialect::TransactSql;
};

// The store of a result as Qt's ODBC driver describes its columns and gives its values: the
// field types the driver names, and a GUID column's values as the platform's record sets give
// them, in braces and upper case. Connection::query gives this for every ODBC result.
Store odbcResultStore(const QSqlRecord& columns, std::vector<Row> rows);

}  // namespace sv::data
