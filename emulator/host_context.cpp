#include "emulator/host_context.h"

#include "emulator/host_schema.h"
#include "emulator/sql_ini.h"
#include "platform/data/sql_literal.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/variant.h"

#include <QDateTime>

#include <algorithm>

namespace sv::emu {

namespace {

const QString kDsn = QStringLiteral("DSN");

QString activityQuery(const QString& dsn) {
    return QStringLiteral("SELECT * FROM HostActivity WHERE DSN = ") + data::sqlText(dsn);
}

bool sameValue(const QVariant& a, const QVariant& b) {
    const bool aNone = !a.isValid() || a.isNull();
    const bool bNone = !b.isValid() || b.isNull();
    if (aNone || bNone) return aNone == bNone;
    return a == b;
}

// The store's row whose DSN is dsn; nullptr when there is none.
data::Row* rowOf(data::Store& store, const QString& dsn) {
    const auto column = store.fieldIndex(kDsn);
    if (!column) return nullptr;
    const auto row = std::find_if(store.rows.begin(), store.rows.end(),
                                  [&](const data::Row& r) { return toText(r[size_t(*column)]) == dsn; });
    return row == store.rows.end() ? nullptr : &*row;
}

}  // namespace

// The file is read on every use; its text is parsed again only when it differs from the last.
Session HostContext::session() const {
    QByteArray json = files::readFile(folder_.sessionPath());
    if (!parsed_ || json != parsedJson_) {
        parsed_ = parseSession(json, folder_.sessionPath(), folder_.path());
        parsedJson_ = std::move(json);
    }
    return *parsed_;
}

void HostContext::changeSession(const std::function<void(Session&)>& change) {
    Session changed = session();
    change(changed);
    writeSession(folder_.sessionPath(), changed);
}

data::Connection& HostContext::database() {
    if (!database_) {
        auto connection = std::make_unique<data::Connection>();
        connection->setCursorLocation(data::Connection::kUseClient);
        connection->open(connectStringFromIni(folder_.sqlIniPath()));
        database_ = std::move(connection);
    }
    return *database_;
}

std::shared_ptr<data::Recordset> HostContext::query(const QString& sql) {
    auto recordset = std::make_shared<data::Recordset>();
    recordset->setCursorLocation(data::ado::kUseClient);
    recordset->open(database().query(sql));
    std::erase_if(handedOut_, [](const HandedOut& h) { return h.recordset.expired(); });
    handedOut_.push_back({recordset, recordset->store()});
    return recordset;
}

std::shared_ptr<data::Recordset> HostContext::activity(const QString& dsn) {
    return query(activityQuery(dsn));
}

data::Store& HostContext::originalOf(const data::Recordset& recordset, const QString& dsn) {
    for (HandedOut& h : handedOut_)
        if (h.recordset.lock().get() == &recordset && rowOf(h.original, dsn)) return h.original;
    storedRow_ = database().query(activityQuery(dsn));
    if (!rowOf(storedRow_, dsn))
        throw PlatformError(
            err::kDatabase,
            QStringLiteral("The activity %1 does not exist (any more): nothing was written.").arg(dsn));
    return storedRow_;
}

void HostContext::updateActivity(data::Recordset& recordset) {
    const QString dsn = toText(recordset.value(kDsn));
    data::Store& original = originalOf(recordset, dsn);
    data::Row& originalRow = *rowOf(original, dsn);
    const data::Store columns = database().query(QStringLiteral("SELECT * FROM HostActivity WHERE 1 = 0"));

    QStringList assignments;
    for (const QString& field : recordset.fieldNames()) {
        // Compared with the stored row, a field that is no column has nothing to be compared with.
        const auto originalColumn = original.fieldIndex(field);
        if (!originalColumn) continue;
        const QVariant value = recordset.value(field);
        if (sameValue(value, originalRow[size_t(*originalColumn)])) continue;
        const auto column = columns.fieldIndex(field);
        if (!column)
            throw PlatformError(
                err::kFieldNotWritable,
                QStringLiteral("The field '%1' is no column of HostActivity: nothing was written.")
                    .arg(field));
        assignments << columns.fields[size_t(*column)].name + QStringLiteral(" = ") +
                           sqlValue(value, database().dialect());
    }
    if (assignments.isEmpty()) return;
    const long changed = database().execute(QStringLiteral("UPDATE HostActivity SET ") +
                                            assignments.join(QStringLiteral(", ")) +
                                            QStringLiteral(" WHERE DSN = ") + data::sqlText(dsn));
    if (changed == 0)
        throw PlatformError(
            err::kDatabase,
            QStringLiteral("The activity %1 does not exist (any more): nothing was written.").arg(dsn));
    // What is stored now is the new original: a second update writes only what changes after it.
    for (const QString& field : recordset.fieldNames())
        if (const auto column = original.fieldIndex(field))
            originalRow[size_t(*column)] = recordset.value(field);
}

void HostContext::saveSelectedActivity() {
    const Session current = session();
    if (current.selected.isEmpty() || current.okType.isEmpty()) return;
    database().execute(QStringLiteral("UPDATE HostActivity SET ART_DSN = ") + data::sqlText(current.okType) +
                       QStringLiteral(" WHERE DSN = ") + data::sqlText(current.selected) +
                       QStringLiteral(" AND ART_DSN IS NULL"));
}

}  // namespace sv::emu
