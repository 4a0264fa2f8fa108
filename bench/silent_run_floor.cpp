// The floor of a silent automatic run: a program that links only Qt Core and Qt Sql, opens the
// host's SQLite database, registers the collation its names sort by and runs the three queries such
// a run makes (type name, running process, candidates). The collation is ICU's root collation
// without tailoring (root), or the server collation compiled from its rule on every run (rules), as
// the program did before it opened the compiled form.
// Usage: silent_run_floor DATABASE ACTIVITY_DSN TYPE_DSN root|rules

#include "platform/data/server_collation.h"
#include "platform/data/tsql_functions.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

#include <cstdio>
#include <cstring>

namespace {

UCollator* rootCollator() {
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open("", &status);
    if (U_FAILURE(status)) {
        ucol_close(collator);
        return nullptr;
    }
    ucol_setStrength(collator, UCOL_SECONDARY);
    return collator;
}

int compare(void* collator, int leftSize, const void* left, int rightSize, const void* right) {
    UErrorCode status = U_ZERO_ERROR;
    return ucol_strcollUTF8(static_cast<UCollator*>(collator), static_cast<const char*>(left), leftSize,
                            static_cast<const char*>(right), rightSize, &status);
}

void closeCollator(void* collator) {
    ucol_close(static_cast<UCollator*>(collator));
}

bool registerCollation(const QSqlDatabase& db, bool compileRule) {
    const QVariant handle = db.driver()->handle();
    UCollator* collator = compileRule ? sv::data::compileServerCollator() : rootCollator();
    return collator && qstrcmp(handle.typeName(), "sqlite3*") == 0 &&
           sqlite3_create_collation_v2(*static_cast<sqlite3* const*>(handle.constData()),
                                       sv::data::kServerCollation, SQLITE_UTF8, collator, compare,
                                       closeCollator) == SQLITE_OK;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 || (std::strcmp(argv[4], "root") != 0 && std::strcmp(argv[4], "rules") != 0)) {
        std::fprintf(stderr, "usage: %s DATABASE ACTIVITY_DSN TYPE_DSN root|rules\n", argv[0]);
        return 2;
    }
    const QString activity = QString::fromLocal8Bit(argv[2]);
    const QString type = QString::fromLocal8Bit(argv[3]);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(QString::fromLocal8Bit(argv[1]));
    // The host's names sort by the server's collation, which SQLite learns from the connection.
    if (!db.open() || !registerCollation(db, std::strcmp(argv[4], "rules") == 0)) return 1;
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
