#include "emulator/host_folder.h"

#include "emulator/host_schema.h"
#include "emulator/session.h"
#include "emulator/sql_ini.h"
#include "platform/data/connection.h"
#include "platform/error.h"
#include "platform/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace sv::emu {

namespace {

const QString kDatabaseFile = QStringLiteral("host.sqlite");

void makePath(const QString& path) {
    if (!QDir().mkpath(path))
        throw PlatformError(err::kPathNotFound, QStringLiteral("Can't create folder %1").arg(path));
}

void createDatabaseFile(const HostFolder& folder) {
    QFile file(folder.databasePath());
    if (!file.open(QIODevice::NewOnly | QIODevice::WriteOnly))
        throw PlatformError(
            err::kPermissionDenied,
            QStringLiteral("Can't create %1: %2").arg(folder.databasePath(), file.errorString()));
}

// SQL Server keeps a transaction open after most errors: it is ended before the connection goes.
// The first error is the one to report, so a failure here is not.
void rollBackQuietly(data::Connection& connection) {
    try {
        connection.execute(QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION"));
    } catch (const PlatformError&) {
    }
}

// The tables and rows, in one transaction, through the connection the INI names.
void fillDatabase(const HostFolder& folder, bool demo) {
    data::Connection connection;
    connection.open(connectStringFromIni(folder.sqlIniPath()));
    const data::SqlDialect dialect = connection.dialect();
    QStringList statements = hostSchemaStatements(dialect) + defaultUserStatements(dialect);
    if (demo) statements += demoSeedStatements(dialect);
    const bool tsql = dialect == data::SqlDialect::TransactSql;
    connection.execute(tsql ? QStringLiteral("BEGIN TRANSACTION") : QStringLiteral("BEGIN"));
    try {
        for (const QString& statement : statements)
            connection.execute(statement);
    } catch (const PlatformError&) {
        if (tsql) rollBackQuietly(connection);
        throw;
    }
    connection.execute(tsql ? QStringLiteral("COMMIT TRANSACTION") : QStringLiteral("COMMIT"));
}

void buildHost(const HostFolder& folder, bool demo, const QString& connectString) {
    makePath(folder.addinPath());
    makePath(QFileInfo(folder.sqlIniPath()).absolutePath());
    if (connectString.isEmpty()) {
        files::writeFileAtomic(folder.sqlIniPath(), sqliteIniContent(kDatabaseFile));
        createDatabaseFile(folder);
    } else {
        files::writeFileAtomic(folder.sqlIniPath(), connectStringIniContent(connectString));
    }
    fillDatabase(folder, demo);
    Session session = defaultSession(folder.path(), QLatin1String(demo::kAdminUser));
    if (demo) session.selected = QLatin1String(demo::kActComplaint);
    // Written last: the folder counts as a host only once everything else is there.
    writeSession(folder.sessionPath(), session);
}

}  // namespace

HostFolder::HostFolder(const QString& dir)
    : path_(QDir::cleanPath(QDir(files::nativePath(dir)).absolutePath())) {}

QString HostFolder::sqlIniPath() const {
    return path_ + QStringLiteral("/sql/SQL.INI");
}
QString HostFolder::databasePath() const {
    return path_ + QStringLiteral("/sql/") + kDatabaseFile;
}
QString HostFolder::addinPath() const {
    return path_ + QStringLiteral("/Addin/_Sondervik");
}
QString HostFolder::sessionPath() const {
    return path_ + QStringLiteral("/session.json");
}
QString HostFolder::callLogPath() const {
    return path_ + QStringLiteral("/calls.jsonl");
}

bool HostFolder::holdsHost() const {
    return QFileInfo(sqlIniPath()).isFile() && QFileInfo(sessionPath()).isFile();
}

void createHostFolder(const QString& dir, bool demo, const QString& connectString) {
    const HostFolder folder(dir);
    for (const QString& part : {folder.sessionPath(), folder.sqlIniPath(), folder.databasePath()})
        if (QFileInfo::exists(part))
            throw PlatformError(
                err::kPermissionDenied,
                QStringLiteral("%1 holds a host already (%2 exists)").arg(folder.path(), part));
    try {
        buildHost(folder, demo, connectString);
    } catch (const PlatformError&) {
        for (const QString& part : {folder.sessionPath(), folder.sqlIniPath(), folder.databasePath()})
            QFile::remove(part);
        throw;
    }
}

}  // namespace sv::emu
