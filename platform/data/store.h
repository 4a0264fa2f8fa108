#pragma once
// The in-memory content of a record set: field definitions and rows. A Recordset is a
// cursor, a filter and an edit buffer over one Store; the XML persistence format reads
// and writes Stores.

#include <QAnyStringView>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

namespace sv::data {

// Value types a field can have, named after the persistence format's dt:type values.
enum class FieldType { Text, Guid, Int, BigInt, Bool, Double, Decimal, DateTime, Binary };

// One XML attribute, identified by namespace URI and local name so that files with other
// prefixes are read the same; the writer maps URIs back to the usual prefixes.
struct XmlAttribute {
    QString ns;
    QString local;
    QString value;
};

struct FieldDef {
    QString name;
    FieldType type = FieldType::Text;
    int maxLength = -1;  // -1: unknown / unlimited
    bool nullable = true;
    bool writeUnknown = false;  // rs:writeunknown="true": writable in a store read from a file
    QString baseTable;          // where the value comes from, when known
    QString baseColumn;

    // A definition read from a file keeps its exact attributes (of s:AttributeType and of its
    // s:datatype child, in document order) and is written back from them unchanged.
    bool fromFile = false;
    std::vector<XmlAttribute> attributes;
    std::vector<XmlAttribute> datatypeAttributes;

    // Whether a Recordset may write this field: every field of a store made from a query,
    // and in a store read from a file only marked or base-column fields.
    bool writable(bool storeFromFile) const {
        return !storeFromFile || writeUnknown || !baseColumn.isEmpty();
    }
};

// The texts of a file's text cells as the file spells them, one pointer a cell, row after row;
// nullptr where a cell holds no such text. `backing` keeps the memory the texts lie in.
struct CellTexts {
    std::shared_ptr<const void> backing;
    std::vector<const char*> cells;
};

// One value per field, in field order; Null = sv::nullVariant(). A row read from a file keeps its
// text cells as the file's texts and turns each into a value the first time it is used, so that
// opening a file costs little more than parsing it. Copies share those texts, which never change.
class Row {
public:
    using iterator = std::vector<QVariant>::iterator;
    using const_iterator = std::vector<QVariant>::const_iterator;
    using value_type = QVariant;

    Row() = default;
    Row(size_t count, const QVariant& value) : values_(count, value) {}
    Row(std::initializer_list<QVariant> values) : values_(values) {}
    // `count` cells, from cell `first` of `texts`; `values` holds the other cells' values (all Null
    // when empty).
    Row(std::shared_ptr<const CellTexts> texts, size_t first, size_t count, std::vector<QVariant> values);

    Row(const Row&) = default;
    Row& operator=(const Row&) = default;
    Row(Row&&) noexcept = default;
    Row& operator=(Row&&) noexcept = default;
    ~Row() = default;

    size_t size() const { return texts_ ? count_ : values_.size(); }
    bool empty() const { return size() == 0; }
    const QVariant& operator[](size_t i) const {
        if (pending_) decode(i);
        return values_[i];
    }
    QVariant& operator[](size_t i) {
        if (pending_) decode(i);
        return values_[i];
    }
    const QVariant& at(size_t i) const { return decodedAll().at(i); }
    const QVariant& front() const { return (*this)[0]; }
    const QVariant& back() const { return (*this)[size() - 1]; }
    // The file's text of a cell that has not been used yet; nullptr for every other cell.
    const char* pendingText(size_t i) const {
        return i < 64 && (pending_ >> i & 1) ? texts_->cells[first_ + i] : nullptr;
    }

    void push_back(const QVariant& value) { materialized().push_back(value); }
    template <class... Args>
    QVariant& emplace_back(Args&&... args) {
        return materialized().emplace_back(std::forward<Args>(args)...);
    }
    void assign(size_t count, const QVariant& value) { materialized().assign(count, value); }
    void reserve(size_t count) { materialized().reserve(count); }
    iterator erase(const_iterator at) { return values_.erase(at); }

    const_iterator begin() const { return decodedAll().begin(); }
    const_iterator end() const { return decodedAll().end(); }
    iterator begin() { return materialized().begin(); }
    iterator end() { return materialized().end(); }

    bool operator==(const Row& other) const { return decodedAll() == other.decodedAll(); }

private:
    void decode(size_t i) const;
    const std::vector<QVariant>& decodedAll() const;
    std::vector<QVariant>& materialized();

    mutable std::vector<QVariant> values_;
    mutable std::shared_ptr<const CellTexts> texts_;  // while a cell is pending
    size_t first_ = 0;
    size_t count_ = 0;
    mutable std::uint64_t pending_ = 0;  // bit i: cell i is still the file's text
};

struct Store {
    std::vector<FieldDef> fields;
    std::vector<Row> rows;
    bool fromFile = false;  // read from the persistence format
    bool updatable = true;  // rs:updatable on the row element

    // Index of a field by name, compared without regard to letter case; nullopt when absent.
    std::optional<int> fieldIndex(QAnyStringView name) const {
        for (int i = 0; i < int(fields.size()); ++i)
            if (QAnyStringView::equal(fields[i].name, name) ||
                QAnyStringView::compare(fields[i].name, name, Qt::CaseInsensitive) == 0)
                return i;
        return std::nullopt;
    }
};

// Converts a value to what a field of the given type stores: a number written into a text
// field keeps its text ("1"), a text written into a number field is parsed. Null stays Null.
// Throws PlatformError (kFieldNotWritable) when the value does not convert.
QVariant coerceToField(const FieldDef& field, const QVariant& value);

}  // namespace sv::data
