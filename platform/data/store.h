#pragma once
// The in-memory content of a record set: field definitions and rows. A Recordset is a
// cursor, a filter and an edit buffer over one Store; the XML persistence format reads
// and writes Stores.

#include <QString>
#include <QVariant>
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

using Row = std::vector<QVariant>;  // one value per field, in field order; Null = sv::nullVariant()

struct Store {
    std::vector<FieldDef> fields;
    std::vector<Row> rows;
    bool fromFile = false;  // read from the persistence format
    bool updatable = true;  // rs:updatable on the row element

    // Index of a field by name, compared without regard to letter case; nullopt when absent.
    std::optional<int> fieldIndex(const QString& name) const {
        for (int i = 0; i < int(fields.size()); ++i)
            if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
        return std::nullopt;
    }
};

// Converts a value to what a field of the given type stores: a number written into a text
// field keeps its text ("1"), a text written into a number field is parsed. Null stays Null.
// Throws PlatformError (kFieldNotWritable) when the value does not convert.
QVariant coerceToField(const FieldDef& field, const QVariant& value);

}  // namespace sv::data
