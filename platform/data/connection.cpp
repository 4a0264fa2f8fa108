#include "connection.h"

#include "connection_string.h"
#include "guid_text.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/variant.h"
#include "tsql_functions.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QUrl>

#include <sqlite3.h>

#include <langinfo.h>

#include <algorithm>
#include <climits>
#include <clocale>
#include <optional>

namespace sv::data {

namespace {

const QString kSqliteDriver = QStringLiteral("QSQLITE");
const QString kOdbcDriver = QStringLiteral("QODBC");

// ODBC SQL type codes (sqlext.h) that Qt folds into wider types.
constexpr int kOdbcNumeric = 2;
constexpr int kOdbcDecimal = 3;
constexpr int kOdbcBigInt = -5;
constexpr int kOdbcBit = -7;
constexpr int kOdbcGuid = -11;

// The database's own message; Qt's when the database gave none.
QString messageOf(const QSqlError& error) {
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.driverText().trimmed() : text;
}

[[noreturn]] void raiseDatabase(const QSqlError& error) {
    throw PlatformError(err::kDatabase, messageOf(error));
}

// The driver's native handle (sqlite3*, sqlite3_stmt*), or nullptr when it is of another kind.
template <typename Handle>
Handle* nativeHandle(const QVariant& handle, const char* typeName) {
    if (!handle.isValid() || qstrcmp(handle.typeName(), typeName) != 0) return nullptr;
    return *static_cast<Handle* const*>(handle.constData());
}

// What the driver tells about a result column before its values are read.
struct ColumnInfo {
    FieldDef field;                 // maxLength: the known maximum, -1 when unknown
    std::optional<FieldType> type;  // nullopt: the values decide
    bool platformGuids = false;     // GUID values in the platform's braced, upper-case text
};

FieldType typeOfDeclaredName(const QString& declared) {
    const QString t = declared.toLower();
    const auto has = [&t](const char* part) { return t.contains(QLatin1String(part)); };
    if (has("uniqueidentifier") || has("guid")) return FieldType::Guid;
    if (has("bigint")) return FieldType::BigInt;
    if (t.startsWith(QLatin1String("bit")) || has("bool")) return FieldType::Bool;
    if (has("int")) return FieldType::Int;
    if (has("char") || has("text") || has("clob")) return FieldType::Text;
    if (has("date") || has("time")) return FieldType::DateTime;
    if (has("real") || has("floa") || has("doub")) return FieldType::Double;
    if (has("dec") || has("numeric") || has("money")) return FieldType::Decimal;
    if (has("blob") || has("binary") || has("image")) return FieldType::Binary;
    return FieldType::Text;
}

// The n of "varchar(n)": the digits after the first parenthesis that is followed by digits (spaces
// between them allowed); -1 when the declaration names no length, or one beyond an int. Read by
// hand: a regular expression would be compiled on every start for this one use.
int declaredLength(QStringView declared) {
    for (qsizetype open = declared.indexOf(u'('); open >= 0; open = declared.indexOf(u'(', open + 1)) {
        qsizetype at = open + 1;
        while (at < declared.size() && declared[at].isSpace())
            ++at;
        qsizetype end = at;
        while (end < declared.size() && declared[end] >= u'0' && declared[end] <= u'9')
            ++end;
        if (end == at) continue;
        bool ok = false;
        const int length = declared.mid(at, end - at).toInt(&ok);
        return ok ? length : -1;
    }
    return -1;
}

FieldType typeOfOdbcColumn(const QSqlField& field) {
    switch (field.typeID()) {
        case kOdbcBit:
            return FieldType::Bool;
        case kOdbcGuid:
            return FieldType::Guid;
        case kOdbcBigInt:
            return FieldType::BigInt;
        case kOdbcNumeric:
        case kOdbcDecimal:
            return FieldType::Decimal;
        default:
            break;
    }
    switch (field.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
            return FieldType::Int;
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            return FieldType::BigInt;
        case QMetaType::Bool:
            return FieldType::Bool;
        case QMetaType::Double:
        case QMetaType::Float:
            return FieldType::Double;
        case QMetaType::QDate:
        case QMetaType::QTime:
        case QMetaType::QDateTime:
            return FieldType::DateTime;
        case QMetaType::QByteArray:
            return FieldType::Binary;
        default:
            return FieldType::Text;
    }
}

// Declared type, origin and NOT NULL of a column, read from SQLite while the statement lives.
// An expression has no declared type and no origin.
void describeSqliteColumn(sqlite3_stmt* statement, int column, ColumnInfo& info) {
    if (const char* declared = sqlite3_column_decltype(statement, column)) {
        const QString name = QString::fromUtf8(declared);
        info.type = typeOfDeclaredName(name);
        info.field.maxLength = declaredLength(name);
    }
    const char* table = sqlite3_column_table_name(statement, column);
    const char* origin = sqlite3_column_origin_name(statement, column);
    if (!table || !origin) {
        info.field.baseTable.clear();
        return;
    }
    info.field.baseTable = QString::fromUtf8(table);
    info.field.baseColumn = QString::fromUtf8(origin);
    int notNull = 0;
    if (sqlite3_table_column_metadata(sqlite3_db_handle(statement),
                                      sqlite3_column_database_name(statement, column), table, origin, nullptr,
                                      nullptr, &notNull, nullptr, nullptr) == SQLITE_OK)
        info.field.nullable = notNull == 0;
}

// The columns of a result; statement is SQLite's, or nullptr for a result of Qt's ODBC driver.
std::vector<ColumnInfo> describeColumns(const QSqlRecord& record, sqlite3_stmt* statement) {
    std::vector<ColumnInfo> columns(record.count());
    for (int i = 0; i < record.count(); ++i) {
        const QSqlField field = record.field(i);
        ColumnInfo& info = columns[i];
        info.field.name = field.name();
        info.field.nullable = field.requiredStatus() != QSqlField::Required;
        info.field.maxLength = field.length() > 0 ? field.length() : -1;
        if (statement) {
            describeSqliteColumn(statement, i, info);
        } else {
            // Qt's ODBC driver may hand over the table name with the rest of its buffer.
            info.field.baseTable = field.tableName().section(QChar(0), 0, 0);
            info.type = typeOfOdbcColumn(field);
            // The driver gives a GUID without braces; the platform's record sets, and the files
            // and statements made from them, carry it braced.
            info.platformGuids = true;
            // Qt's ODBC driver names a column's table but not its column there: a column that comes
            // from a table is taken to keep its name, so that it stays writable in a saved store.
            if (!info.field.baseTable.isEmpty()) info.field.baseColumn = info.field.name;
        }
    }
    return columns;
}

FieldType typeOfValue(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
            return FieldType::Int;
        case QMetaType::Double:
            return FieldType::Double;
        case QMetaType::QByteArray:
            return FieldType::Binary;
        default:
            return FieldType::Text;
    }
}

bool isNumeric(FieldType type) {
    return type == FieldType::Int || type == FieldType::Double;
}

// The type of a column that declares none: that of its values; numbers of both kinds make a
// double, any other mix makes text.
FieldType typeOfValues(const std::vector<Row>& rows, int column) {
    std::optional<FieldType> seen;
    for (const Row& row : rows) {
        const QVariant& value = row[column];
        if (value.isNull()) continue;
        const FieldType type = typeOfValue(value);
        if (!seen || *seen == type)
            seen = type;
        else if (isNumeric(*seen) && isNumeric(type))
            seen = FieldType::Double;
        else
            return FieldType::Text;
    }
    return seen.value_or(FieldType::Text);
}

QVariant toDateTime(const QVariant& value) {
    if (value.typeId() == QMetaType::QDateTime) return value;
    if (value.typeId() == QMetaType::QDate) return QDateTime(value.toDate(), QTime(0, 0));
    // SQLite keeps "YYYY-MM-DD HH:MM:SS[.mmm]" as text.
    QString text = value.toString().trimmed();
    if (text.size() > 10 && text.at(10) == u' ') text[10] = u'T';
    const QDateTime parsed = text.size() == 10 ? QDateTime(QDate::fromString(text, Qt::ISODate), QTime(0, 0))
                                               : QDateTime::fromString(text, Qt::ISODateWithMs);
    return parsed.isValid() ? QVariant(parsed) : value;
}

// A value as the field type holds it. A value that does not convert is kept as it came:
// SQLite does not enforce declared types.
QVariant toFieldValue(const QVariant& value, FieldType type) {
    if (!value.isValid() || value.isNull()) return nullVariant();
    bool ok = false;
    switch (type) {
        case FieldType::Text:
        case FieldType::Guid:
            return value.typeId() == QMetaType::QString ? value : QVariant(value.toString());
        case FieldType::Int: {
            const qlonglong number = value.toLongLong(&ok);
            if (!ok) return value;
            return number >= INT_MIN && number <= INT_MAX ? QVariant(int(number)) : QVariant(number);
        }
        case FieldType::BigInt: {
            const qlonglong number = value.toLongLong(&ok);
            return ok ? QVariant(number) : value;
        }
        case FieldType::Bool:
            return value.toBool();
        case FieldType::Double: {
            const double number = value.toDouble(&ok);
            return ok ? QVariant(number) : value;
        }
        case FieldType::DateTime:
            return toDateTime(value);
        case FieldType::Decimal:
        case FieldType::Binary:
            return value;
    }
    return value;
}

QVariant toPlatformGuid(const QVariant& value) {
    if (value.isNull()) return value;
    const std::optional<QString> guid = platformGuidText(value.toString());
    return guid ? QVariant(*guid) : value;
}

qsizetype sizeOf(const QVariant& value, FieldType type) {
    if (value.isNull()) return 0;
    return type == FieldType::Binary ? value.toByteArray().size() : value.toString().size();
}

// Fixes the field's type, converts the column's values to it, and gives a text or binary
// field a length that every value fits, at least 1.
void completeColumn(ColumnInfo& info, std::vector<Row>& rows, int column) {
    FieldDef& field = info.field;
    field.type = info.type.value_or(typeOfValues(rows, column));
    const bool hasLength = field.type == FieldType::Text || field.type == FieldType::Binary;
    qsizetype longest = 1;
    for (Row& row : rows) {
        row[column] = toFieldValue(row[column], field.type);
        if (field.type == FieldType::Guid && info.platformGuids) row[column] = toPlatformGuid(row[column]);
        if (hasLength) longest = std::max(longest, sizeOf(row[column], field.type));
    }
    field.maxLength = hasLength ? int(std::max<qsizetype>(field.maxLength, longest)) : -1;
}

Store completeStore(std::vector<ColumnInfo> columns, std::vector<Row> rows) {
    Store store;
    store.rows = std::move(rows);
    for (int i = 0; i < int(columns.size()); ++i) {
        completeColumn(columns[i], store.rows, i);
        store.fields.push_back(std::move(columns[i].field));
    }
    return store;
}

// The ODBC driver manager converts Qt's UTF-16 text to the character set of the LC_CTYPE
// locale for drivers that take 8-bit text (the SQLite ODBC driver, for one). In the "C" locale
// every non-ASCII character would be lost (the umlaut of Aktivitätenarten), so a process that
// is not in a UTF-8 locale yet is switched to one, for character types only, as QCoreApplication
// does for itself.
void ensureUtf8CharacterType() {
    const auto isUtf8 = [] { return qstrcmp(nl_langinfo(CODESET), "UTF-8") == 0; };
    if (isUtf8()) return;
    if (std::setlocale(LC_CTYPE, "") && isUtf8()) return;
    std::setlocale(LC_CTYPE, "C.UTF-8");
}

void setCredentials(ConnectionProperties& odbc, const QString& user, const QString& password) {
    if (!user.isEmpty()) odbc.set(QStringLiteral("UID"), user);
    if (!password.isEmpty()) odbc.set(QStringLiteral("PWD"), password);
}

[[noreturn]] void raiseProviderNotFound(const QString& provider) {
    throw PlatformError(
        err::kProviderNotFound,
        QStringLiteral("Provider cannot be found. It may not be properly installed: %1").arg(provider));
}

}  // namespace

Connection::Connection() : name_(QStringLiteral("sv.data.connection.%1").arg(quintptr(this), 0, 16)) {}

Connection::~Connection() {
    release();
}

void Connection::setConnectionString(const QString& text) {
    requireClosed();
    connectionString_ = text;
}

void Connection::setCursorLocation(int location) {
    if (location != kUseServer && location != kUseClient)
        throw PlatformError(err::kBadArgument,
                            QStringLiteral("Cursor location %1 is not valid.").arg(location));
    cursorLocation_ = location;
}

long Connection::state() const {
    return db_.isValid() && db_.isOpen() ? kStateOpen : kStateClosed;
}

void Connection::open(const QString& connectionString, const QString& user, const QString& password, long) {
    requireClosed();
    if (!connectionString.isEmpty()) connectionString_ = connectionString;
    ConnectionProperties properties = ConnectionProperties::parse(connectionString_);
    switch (backendOf(properties)) {
        case Backend::Sqlite:
            openSqlite(properties.value(QStringLiteral("Data Source")));
            return;
        case Backend::Odbc:
            // The string goes to the driver as written, unless something has to change in it.
            if (!properties.contains(QStringLiteral("Provider")) && user.isEmpty() && password.isEmpty()) {
                openOdbc(connectionString_, loginTimeoutSeconds(properties));
                return;
            }
            properties.remove(QStringLiteral("Provider"));
            setCredentials(properties, user, password);
            openOdbc(properties.toOdbcString(), loginTimeoutSeconds(properties));
            return;
        case Backend::SqlServer: {
            ConnectionProperties odbc = toFreeTdsOdbc(properties);
            setCredentials(odbc, user, password);
            openOdbc(odbc.toOdbcString(), loginTimeoutSeconds(properties));
            return;
        }
        case Backend::Unknown: {
            const QString provider = properties.value(QStringLiteral("Provider")).trimmed();
            raiseProviderNotFound(provider.isEmpty() ? QStringLiteral("(no provider, no ODBC driver or DSN)")
                                                     : provider);
        }
    }
}

void Connection::addDatabase(const QString& driver) {
    db_ = QSqlDatabase::addDatabase(driver, name_);
    if (db_.isValid()) return;
    release();
    raiseProviderNotFound(QStringLiteral("Qt driver %1").arg(driver));
}

void Connection::openSqlite(const QString& path) {
    if (path.trimmed().isEmpty())
        throw PlatformError(err::kDatabase,
                            QStringLiteral("The connection string names no database file (Data Source)."));
    const QString file = QFileInfo(files::nativePath(path)).absoluteFilePath();
    if (!QFileInfo(file).isFile())
        throw PlatformError(err::kDatabase, QStringLiteral("Database file not found: %1").arg(file));
    addDatabase(kSqliteDriver);
    // mode=rw opens an existing file only: a file that has gone meanwhile is an error too,
    // never a new empty database.
    db_.setDatabaseName(QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
    db_.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    QString failure;
    if (!db_.open())
        failure = messageOf(db_.lastError());
    else if (sqlite3* handle = nativeHandle<sqlite3>(db_.driver()->handle(), "sqlite3*"); !handle)
        failure = QStringLiteral("no SQLite handle");
    else if (const int rc = registerTsqlFunctions(handle); rc != SQLITE_OK)
        failure = QStringLiteral("cannot register GETDATE(), NewID() and %1: %2")
                      .arg(QLatin1String(kServerCollation))
                      .arg(QString::fromUtf8(sqlite3_errstr(rc)));
    else
        failure = schemaError();
    if (failure.isEmpty()) {
        dialect_ = SqlDialect::Sqlite;
        return;
    }
    release();
    throw PlatformError(err::kDatabase,
                        QStringLiteral("Cannot open database file %1: %2").arg(file, failure));
}

// Reading the schema fails early for a file that is not a database, instead of at its first
// statement. Empty when the schema reads.
QString Connection::schemaError() {
    QSqlQuery probe(db_);
    return probe.exec(QStringLiteral("select count(*) from sqlite_master")) ? QString()
                                                                            : messageOf(probe.lastError());
}

void Connection::openOdbc(const QString& odbcConnectionString, int loginTimeout) {
    ensureUtf8CharacterType();
    addDatabase(kOdbcDriver);
    db_.setDatabaseName(odbcConnectionString);
    // A server that never answers must not hold the run longer than the login timeout.
    db_.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(loginTimeout));
    if (db_.open()) {
        dialect_ = answersAsSqlite() ? SqlDialect::Sqlite : SqlDialect::TransactSql;
        return;
    }
    const QSqlError error = db_.lastError();
    release();
    raiseDatabase(error);
}

// An ODBC data source does not say what it is; only SQLite knows sqlite_version().
bool Connection::answersAsSqlite() {
    QSqlQuery probe(db_);
    return probe.exec(QStringLiteral("select sqlite_version()"));
}

void Connection::close() {
    requireOpen();
    release();
}

void Connection::release() {
    if (!db_.isValid()) return;
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
    dialect_ = SqlDialect::TransactSql;
}

void Connection::requireClosed() const {
    if (state() == kStateOpen)
        throw PlatformError(err::kObjectOpen,
                            QStringLiteral("Operation is not allowed when the object is open."));
}

void Connection::requireOpen() const {
    if (state() != kStateOpen)
        throw PlatformError(err::kObjectClosed,
                            QStringLiteral("Operation is not allowed when the object is closed."));
}

void Connection::run(QSqlQuery& query, const QString& sql) {
    requireOpen();
    query.setForwardOnly(true);
    if (!query.exec(sql)) raiseDatabase(query.lastError());
}

Store Connection::query(const QString& sql) {
    QSqlQuery query(db_);
    run(query, sql);
    if (!query.isSelect()) return {};
    const QSqlRecord record = query.record();
    std::vector<ColumnInfo> columns =
        describeColumns(record, nativeHandle<sqlite3_stmt>(query.result()->handle(), "sqlite3_stmt*"));
    std::vector<Row> rows;
    while (query.next()) {
        Row row;
        row.reserve(columns.size());
        for (int i = 0; i < int(columns.size()); ++i)
            row.push_back(query.value(i));
        rows.push_back(std::move(row));
    }
    // next() also ends on an error (a busy database, a failing expression): not an end.
    if (query.lastError().isValid()) raiseDatabase(query.lastError());
    return completeStore(std::move(columns), std::move(rows));
}

Store odbcResultStore(const QSqlRecord& columns, std::vector<Row> rows) {
    return completeStore(describeColumns(columns, nullptr), std::move(rows));
}

long Connection::execute(const QString& sql) {
    QSqlQuery query(db_);
    run(query, sql);
    // SQLite's change count is that of the last change: a query changed nothing.
    return query.isSelect() ? -1 : query.numRowsAffected();
}

}  // namespace sv::data
