#include "recordset.h"

#include "connection.h"
#include "persist_xml.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/variant.h"

#include <algorithm>
#include <numeric>

namespace sv::data {

namespace {

[[noreturn]] void raiseNoCurrentRecord() {
    throw PlatformError(err::kNoCurrentRecord,
                        QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                       "Requested operation requires a current record."));
}

bool namesPersistProvider(const QString& connectionText) {
    const QString trimmed = connectionText.trimmed();
    return trimmed.isEmpty() ||
           trimmed.compare(QLatin1String(ado::kPersistProvider), Qt::CaseInsensitive) == 0 ||
           trimmed.compare(QStringLiteral("Provider=MSPersist"), Qt::CaseInsensitive) == 0;
}

}  // namespace

void Recordset::open() {
    if (connection_)
        open(source_, connection_, cursorType_, lockType_);
    else
        open(source_, QString(), cursorType_, lockType_);
}

void Recordset::open(const QString& source, Connection* connection, int cursorType, int lockType,
                     int options) {
    if (!connection) {
        open(source, QString(), cursorType, lockType, options);
        return;
    }
    if (isOpen_)
        throw PlatformError(err::kObjectOpen,
                            QStringLiteral("Operation is not allowed when the object is open."));
    if (cursorType != ado::kUnspecified) cursorType_ = cursorType;
    if (lockType != ado::kUnspecified) lockType_ = lockType;
    connection_ = connection;
    source_ = source;
    openStore(connection->query(source));
}

void Recordset::open(const QString& path, const QString& connectionText, int cursorType, int lockType,
                     int options) {
    if (isOpen_)
        throw PlatformError(err::kObjectOpen,
                            QStringLiteral("Operation is not allowed when the object is open."));
    if (!namesPersistProvider(connectionText))
        throw PlatformError(err::kProviderNotFound,
                            QStringLiteral("Provider cannot be found. It may not be properly installed. (%1)")
                                .arg(connectionText));
    if (options != ado::kUnspecified && !(options & ado::kCmdFile))
        throw PlatformError(
            err::kBadArgument,
            QStringLiteral("Arguments are of the wrong type, are out of acceptable range, or are "
                           "in conflict with one another. (a file needs option 256)"));
    if (cursorType != ado::kUnspecified) cursorType_ = cursorType;
    if (lockType != ado::kUnspecified) lockType_ = lockType;
    source_ = path;
    openStore(readPersistedXml(files::readFile(path)));
}

void Recordset::open(Store store) {
    if (isOpen_)
        throw PlatformError(err::kObjectOpen,
                            QStringLiteral("Operation is not allowed when the object is open."));
    openStore(std::move(store));
}

void Recordset::openStore(Store store) {
    store_ = std::move(store);
    indexes_.assign(store_.fields.size(), std::nullopt);
    filteredOnce_.assign(store_.fields.size(), false);
    filterText_.clear();
    view_ = rowsMatching(Filter());
    position_ = 0;
    isOpen_ = true;
}

void Recordset::close() {
    requireOpen();
    isOpen_ = false;
    store_ = Store();
    indexes_.clear();
    filteredOnce_.clear();
    view_.clear();
    filterText_.clear();
    position_ = 0;
}

void Recordset::requireOpen() const {
    if (!isOpen_)
        throw PlatformError(err::kObjectClosed,
                            QStringLiteral("Operation is not allowed when the object is closed."));
}

const Store& Recordset::store() const {
    requireOpen();
    return store_;
}

long Recordset::recordCount() const {
    requireOpen();
    return long(view_.size());
}

bool Recordset::eof() const {
    requireOpen();
    return position_ >= long(view_.size());
}

bool Recordset::bof() const {
    requireOpen();
    return position_ < 0 || view_.empty();
}

void Recordset::moveFirst() {
    requireOpen();
    position_ = 0;
}

void Recordset::moveNext() {
    if (eof()) raiseNoCurrentRecord();
    ++position_;
}

void Recordset::move(long offset) {
    requireOpen();
    const long target = position_ + offset;
    if (target < -1 || target > long(view_.size())) raiseNoCurrentRecord();
    position_ = target;
}

int Recordset::currentRow() const {
    requireOpen();
    if (position_ < 0 || position_ >= long(view_.size())) raiseNoCurrentRecord();
    return view_[size_t(position_)];
}

int Recordset::fieldIndexOrThrow(const QString& field) const {
    requireOpen();
    const auto index = store_.fieldIndex(field);
    if (!index)
        throw PlatformError(err::kItemNotFound,
                            QStringLiteral("Item cannot be found in the collection corresponding to the "
                                           "requested name or ordinal."));
    return *index;
}

QVariant Recordset::value(const QString& field) const {
    const int column = fieldIndexOrThrow(field);
    return store_.rows[size_t(currentRow())][size_t(column)];
}

void Recordset::setValue(const QString& field, const QVariant& value) {
    const int column = fieldIndexOrThrow(field);
    const int row = currentRow();
    const FieldDef& def = store_.fields[size_t(column)];
    if (!def.writable(store_.fromFile))
        throw PlatformError(
            err::kFieldNotWritable,
            QStringLiteral("Multiple-step operation generated errors. Check each status value. "
                           "(field '%1' cannot be written)")
                .arg(def.name));
    QVariant stored = coerceToField(def, value);
    QVariant& cell = store_.rows[size_t(row)][size_t(column)];
    reindex(column, row, cell, stored);
    cell = std::move(stored);
}

std::vector<QString> Recordset::fieldNames() const {
    requireOpen();
    std::vector<QString> names;
    for (const FieldDef& f : store_.fields)
        names.push_back(f.name);
    return names;
}

void Recordset::setFilter(const QString& filter) {
    requireOpen();
    const Filter parsed = parseFilter(filter, store_);  // a bad text fails before anything changes
    filterText_ = filter;
    view_ = rowsMatching(parsed);
    position_ = 0;
}

namespace {

// Whether the row's cell is a key of the field's index: neither Null nor Empty. A cell still
// spelled as the file has it is a text.
bool holdsKey(const Row& row, int field) {
    if (row.pendingText(size_t(field))) return true;
    const QVariant& value = row[size_t(field)];
    return !isNullValue(value) && !isEmptyValue(value);
}

}  // namespace

std::vector<int> Recordset::rowsMatching(const Filter& filter) {
    std::vector<int> rows;
    if (filter.criteria.empty()) {
        rows.resize(store_.rows.size());
        std::iota(rows.begin(), rows.end(), 0);
        return rows;
    }
    const auto keyed = std::find_if(filter.criteria.begin(), filter.criteria.end(),
                                    [](const Criterion& c) { return !c.numeric; });
    // A text criterion narrows the rows through its field's index, from the second filter on the
    // field on: a single filter (a click, a loading) reads the rows once instead of building one.
    const Index* index = keyed == filter.criteria.end() ? nullptr : indexFor(keyed->field);
    if (!index) {
        for (int r = 0; r < int(store_.rows.size()); ++r)
            if (filter.matches(store_.rows[size_t(r)])) rows.push_back(r);
        return rows;
    }
    const auto hit = index->constFind(keyed->text);
    if (hit == index->constEnd()) return rows;
    for (int r : *hit)
        if (filter.matches(store_.rows[size_t(r)])) rows.push_back(r);
    return rows;
}

const Recordset::Index* Recordset::indexFor(int field) {
    std::optional<Index>& slot = indexes_[size_t(field)];
    if (slot) return &*slot;
    if (!filteredOnce_[size_t(field)]) {
        filteredOnce_[size_t(field)] = true;
        return nullptr;
    }
    slot.emplace();
    slot->reserve(qsizetype(store_.rows.size()));
    const FieldType type = store_.fields[size_t(field)].type;
    for (int r = 0; r < int(store_.rows.size()); ++r) {
        const Row& row = store_.rows[size_t(r)];
        if (!holdsKey(row, field)) continue;
        const char* text = row.pendingText(size_t(field));
        (*slot)[text ? textFilterKey(text) : filterKey(row[size_t(field)], type)].push_back(r);
    }
    return &*slot;
}

void Recordset::reindex(int field, int row, const QVariant& oldValue, const QVariant& newValue) {
    std::optional<Index>& slot = indexes_[size_t(field)];
    if (!slot) return;
    const FieldType type = store_.fields[size_t(field)].type;
    const bool hadKey = !isNullValue(oldValue) && !isEmptyValue(oldValue);
    const bool hasKey = !isNullValue(newValue) && !isEmptyValue(newValue);
    if (hadKey) {
        auto& rows = (*slot)[filterKey(oldValue, type)];
        rows.erase(std::remove(rows.begin(), rows.end(), row), rows.end());
    }
    if (hasKey) {
        auto& rows = (*slot)[filterKey(newValue, type)];
        rows.insert(std::upper_bound(rows.begin(), rows.end(), row), row);
    }
}

void Recordset::addNew() {
    requireOpen();
    store_.rows.emplace_back(store_.fields.size(), nullVariant());
    view_.push_back(int(store_.rows.size()) - 1);
    position_ = long(view_.size()) - 1;
}

void Recordset::update() {
    // Values are written through to the store as they are set; Update only asks for a current row.
    currentRow();
}

void Recordset::save(const QString& path, int persistFormat) const {
    requireOpen();
    if (persistFormat != ado::kPersistXml)
        throw PlatformError(
            err::kBadArgument,
            QStringLiteral("Arguments are of the wrong type, are out of acceptable range, or are "
                           "in conflict with one another. (persist format %1)")
                .arg(persistFormat));
    files::writeFileAtomic(path, writePersistedXml(store_));
}

}  // namespace sv::data
