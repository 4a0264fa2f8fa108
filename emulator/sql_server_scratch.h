#pragma once
// A scratch schema on a SQL Server for a host of its own: a login, a database user of that login
// whose default schema is a schema it owns, and the right to create tables. The add-in and the
// emulated host connect as that login, so the host's unqualified table names resolve to the
// scratch schema without any statement of their own; what was made is dropped afterwards.
//
// The connection that makes and drops the scratch objects needs ALTER ANY LOGIN on the server
// (securityadmin) and, in its database, ALTER ANY USER, CREATE SCHEMA and the right to grant
// CREATE TABLE (db_owner is enough); ALTER ANY CONNECTION (processadmin) lets it end a session
// that is still open when the login is dropped.

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace sv::emu {

// The name of the login, the user and the schema, and the login's password.
struct ScratchLogin {
    QString name;
    QString password;

    // A fresh "sv_test_" name and a random password, both of letters and digits only.
    static ScratchLogin random();
};

// One object made on the server and the statement that drops it again.
struct ScratchStep {
    QString make;
    QString drop;
};

// The steps, in the order they are made: login, user, schema, the right to create tables.
// Dropping the schema drops its tables first.
std::vector<ScratchStep> scratchSteps(const ScratchLogin& login);

// The ODBC connection string of the login: the server and database of adminConnectString, with
// the login's name and password in place of the administrator's credentials. An OLE DB SQL Server
// string is translated first. Throws PlatformError(kBadArgument) for a string that names no
// SQL Server.
QString scratchConnectString(const QString& adminConnectString, const ScratchLogin& login);

class SqlServerScratch {
public:
    using Execute = std::function<void(const QString& statement)>;

    // Makes the steps one by one through execute. When one fails, what was made is dropped and
    // the failure is thrown.
    SqlServerScratch(Execute execute, ScratchLogin login);
    // Drops what is left, quietly; call drop() to learn what could not be dropped.
    ~SqlServerScratch();
    SqlServerScratch(const SqlServerScratch&) = delete;
    SqlServerScratch& operator=(const SqlServerScratch&) = delete;

    // Makes a scratch login on the SQL Server that adminConnectString (ODBC or OLE DB) names,
    // through a connection of its own that stays open until everything is dropped.
    static std::unique_ptr<SqlServerScratch> onServer(const QString& adminConnectString);

    const ScratchLogin& login() const { return login_; }
    // The string that reaches the scratch schema as the login; set by onServer().
    const QString& connectString() const { return connectString_; }

    // Drops every object made, the last made first; a failing drop does not stop the others.
    // Returns the failures' messages; empty when everything is gone. A second call does nothing.
    QStringList drop();

private:
    Execute execute_;
    ScratchLogin login_;
    QString connectString_;
    std::vector<QString> made_;  // drop statements of the steps made
    std::shared_ptr<void> connection_;
};

}  // namespace sv::emu
