#include "tsql_functions.h"

// Built into the platform library, which calls SQLite directly, and into the loadable
// extension, where every call must go through the routine table that the loader hands over.
#ifndef SV_TSQL_LOADABLE
#define SQLITE_CORE 1
#endif
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT3

#include <QByteArray>
#include <QDateTime>
#include <QUuid>

namespace sv::data {

namespace {

void resultText(sqlite3_context* context, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(context, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void getDate(sqlite3_context* context, int, sqlite3_value**) {
    resultText(context, QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
}

void newId(sqlite3_context* context, int, sqlite3_value**) {
    resultText(context, QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
}

}  // namespace

int registerTsqlFunctions(sqlite3* db) {
    // Neither is deterministic: each call gives a new value. Both are innocuous (no side
    // effects), so they may also be used in views and triggers.
    const int flags = SQLITE_UTF8 | SQLITE_INNOCUOUS;
    const int rc = sqlite3_create_function(db, "GETDATE", 0, flags, nullptr, getDate, nullptr, nullptr);
    if (rc != SQLITE_OK) return rc;
    return sqlite3_create_function(db, "NEWID", 0, flags, nullptr, newId, nullptr, nullptr);
}

}  // namespace sv::data
