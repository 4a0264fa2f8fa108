// The floor of a silent automatic run: a program that links only Qt Core and Qt Sql, opens the
// host's SQLite database and runs the three queries such a run makes (type name, running process,
// candidates). Usage: silent_run_floor DATABASE ACTIVITY_DSN TYPE_DSN

#include "platform/data/tsql_functions.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s DATABASE ACTIVITY_DSN TYPE_DSN\n", argv[0]);
        return 2;
    }
    const QString activity = QString::fromLocal8Bit(argv[2]);
    const QString type = QString::fromLocal8Bit(argv[3]);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(QString::fromLocal8Bit(argv[1]));
    if (!db.open()) return 1;
    // The host's names sort by the server's collation, which SQLite learns from the connection.
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0 ||
        sv::data::registerTsqlFunctions(*static_cast<sqlite3* const*>(handle.constData())) != 0)
        return 1;
    const QString statements[] = {
        QStringLiteral("Select Name from Aktivitätenarten where DSN = '%1'").arg(type),
        QStringLiteral(
            "Select bp.BusinessProcessName from BusinessProcessActive as bpa left join BusinessProcess as bp "
            "on bpa.BusinessProcess_DSN = bp.DSN where Start_Activity_DSN = '%1'")
            .arg(activity),
        QStringLiteral(
            "Select DSN, BusinessProcessName from BusinessProcess where StartActivityType_DSN = '%1' and "
            "(datetime('now', 'localtime') between ValidFrom and ValidTo) and farchiv = 0 Order By "
            "BusinessProcessName")
            .arg(type),
    };
    int rows = 0;
    for (const QString& sql : statements) {
        QSqlQuery query(db);
        if (!query.exec(sql)) return 1;
        while (query.next())
            ++rows;
    }
    return rows > 100 ? 1 : 0;
}
