#include "emulator/sql_server_scratch.h"

#include "platform/data/connection.h"
#include "platform/data/connection_string.h"
#include "platform/error.h"

#include <QRandomGenerator>

namespace sv::emu {

namespace {

QString randomText(const QString& alphabet, int length) {
    QString text;
    for (int i = 0; i < length; ++i)
        text += alphabet.at(int(QRandomGenerator::system()->bounded(quint32(alphabet.size()))));
    return text;
}

}  // namespace

ScratchLogin ScratchLogin::random() {
    // Letters of both cases and digits: a password that a server's complexity rules take, and
    // nothing that needs quoting in a statement or a connection string.
    return {QStringLiteral("sv_test_") + randomText(QStringLiteral("0123456789abcdef"), 12),
            QStringLiteral("Sv1") +
                randomText(QStringLiteral("ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnpqrstuvwxyz23456789"), 29)};
}

std::vector<ScratchStep> scratchSteps(const ScratchLogin& login) {
    const QString& n = login.name;
    return {
        // Its default database is the one the scratch is made in, so that a connection string
        // without a database reaches the scratch user too.
        {QStringLiteral("DECLARE @make nvarchar(max) = N'CREATE LOGIN [%1] WITH PASSWORD = N''%2'', "
                        "DEFAULT_DATABASE = ' + QUOTENAME(DB_NAME()) + N', CHECK_POLICY = OFF, "
                        "CHECK_EXPIRATION = OFF'; EXEC (@make)")
             .arg(n, login.password),
         // A session still open would keep the login: end it where the rights allow, then drop.
         QStringLiteral("BEGIN TRY DECLARE @kill nvarchar(max) = N''; SELECT @kill += N'KILL ' + "
                        "CAST(session_id AS nvarchar(10)) + N'; ' FROM sys.dm_exec_sessions WHERE login_name "
                        "= N'%1' AND session_id <> @@SPID; EXEC (@kill); END TRY BEGIN CATCH END CATCH; "
                        "DROP LOGIN [%1]")
             .arg(n)},
        {QStringLiteral("CREATE USER [%1] FOR LOGIN [%1] WITH DEFAULT_SCHEMA = [%1]").arg(n),
         QStringLiteral("DROP USER [%1]").arg(n)},
        {QStringLiteral("CREATE SCHEMA [%1] AUTHORIZATION [%1]").arg(n),
         QStringLiteral("DECLARE @drop nvarchar(max) = N''; SELECT @drop += N'DROP TABLE ' + "
                        "QUOTENAME(SCHEMA_NAME(schema_id)) + N'.' + QUOTENAME(name) + N'; ' FROM sys.tables "
                        "WHERE schema_id = SCHEMA_ID(N'%1'); EXEC (@drop); DROP SCHEMA [%1]")
             .arg(n)},
        // Goes with the user.
        {QStringLiteral("GRANT CREATE TABLE TO [%1]").arg(n), QString()},
    };
}

QString scratchConnectString(const QString& adminConnectString, const ScratchLogin& login) {
    data::ConnectionProperties properties = data::ConnectionProperties::parse(adminConnectString);
    switch (data::backendOf(properties)) {
        case data::Backend::SqlServer:
            properties = data::toFreeTdsOdbc(properties);
            break;
        case data::Backend::Odbc:
            break;
        default:
            // Not quoted in the message: it may hold a password.
            throw PlatformError(
                err::kBadArgument,
                QStringLiteral("The connection string names no SQL Server (Driver=, DSN= or an "
                               "OLE DB SQL Server provider)"));
    }
    for (const char* key :
         {"UID", "PWD", "User ID", "User", "Password", "Trusted_Connection", "Integrated Security"})
        properties.remove(QLatin1String(key));
    properties.set(QStringLiteral("UID"), login.name);
    properties.set(QStringLiteral("PWD"), login.password);
    return properties.toOdbcString();
}

SqlServerScratch::SqlServerScratch(Execute execute, ScratchLogin login)
    : execute_(std::move(execute)), login_(std::move(login)) {
    for (const ScratchStep& step : scratchSteps(login_)) {
        try {
            execute_(step.make);
        } catch (...) {
            drop();
            throw;
        }
        if (!step.drop.isEmpty()) made_.push_back(step.drop);
    }
}

SqlServerScratch::~SqlServerScratch() {
    drop();
}

std::unique_ptr<SqlServerScratch> SqlServerScratch::onServer(const QString& adminConnectString) {
    ScratchLogin login = ScratchLogin::random();
    // Checked before anything is made: the string must name a SQL Server.
    const QString connectString = scratchConnectString(adminConnectString, login);
    auto connection = std::make_shared<data::Connection>();
    connection->open(adminConnectString);
    if (connection->dialect() != data::SqlDialect::TransactSql)
        throw PlatformError(err::kBadArgument,
                            QStringLiteral("The connection string reaches a database that is no SQL Server"));
    auto scratch = std::make_unique<SqlServerScratch>(
        [raw = connection.get()](const QString& statement) { raw->execute(statement); }, std::move(login));
    scratch->connection_ = connection;
    scratch->connectString_ = connectString;
    return scratch;
}

QStringList SqlServerScratch::drop() {
    QStringList failures;
    while (!made_.empty()) {
        const QString statement = made_.back();
        made_.pop_back();
        try {
            execute_(statement);
        } catch (const std::exception& error) {
            failures << QStringLiteral("%1: %2").arg(statement, QString::fromUtf8(error.what()));
        }
    }
    return failures;
}

}  // namespace sv::emu
