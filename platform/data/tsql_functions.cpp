#include "tsql_functions.h"

#include "server_collation.h"

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

#include <algorithm>
#include <cstring>

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

int compareAsServer(void* collator, int leftSize, const void* left, int rightSize, const void* right) {
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult order =
        ucol_strcollUTF8(static_cast<UCollator*>(collator), static_cast<const char*>(left), leftSize,
                         static_cast<const char*>(right), rightSize, &status);
    if (U_SUCCESS(status)) return order;
    // ICU reads any byte sequence; should it fail all the same, an order by bytes keeps sorting total.
    const int common = std::memcmp(left, right, size_t(std::min(leftSize, rightSize)));
    return common != 0 ? common : leftSize - rightSize;
}

void closeCollator(void* collator) {
    ucol_close(static_cast<UCollator*>(collator));
}

int registerServerCollation(sqlite3* db) {
    UCollator* collator = openServerCollator(builtServerCollation());
    if (!collator) return SQLITE_ERROR;
    // SQLite calls closeCollator itself when the registration fails.
    return sqlite3_create_collation_v2(db, kServerCollation, SQLITE_UTF8, collator, compareAsServer,
                                       closeCollator);
}

}  // namespace

int registerTsqlFunctions(sqlite3* db) {
    // Neither is deterministic: each call gives a new value. Both are innocuous (no side
    // effects), so they may also be used in views and triggers.
    const int flags = SQLITE_UTF8 | SQLITE_INNOCUOUS;
    int rc = sqlite3_create_function(db, "GETDATE", 0, flags, nullptr, getDate, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function(db, "NEWID", 0, flags, nullptr, newId, nullptr, nullptr);
    return rc == SQLITE_OK ? registerServerCollation(db) : rc;
}

}  // namespace sv::data
