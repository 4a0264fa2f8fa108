#pragma once
// The XML persistence format of record sets: a schema section (one s:AttributeType per field)
// followed by a data section (one z:row per row, a Null written as a missing attribute).
// Files are read by namespace URI, whatever prefixes they use, and written with the usual
// prefixes s, dt, rs and z, in UTF-8 without an XML declaration.

#include "store.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

namespace sv::data {

// Parses a persisted record set. Pending changes (rs:insert, rs:update, rs:delete) are
// resolved: the store holds the rows as they stand after them. Fields keep their definitions'
// exact attributes so that writing the store again gives the same definitions.
// Throws PlatformError(err::kBadFileFormat) saying what is wrong: an empty file, a file that is
// not XML, a truncated file, XML of another kind, or a row that does not fit the schema.
Store readPersistedXml(QByteArray bytes);

// The same, with every row read through the parsed document and never straight from the bytes,
// which readPersistedXml does for a plain data section. Both must give the same store or the same
// error for any bytes; tests and the fuzz target hold them to it.
Store readPersistedXmlThroughDocument(QByteArray bytes);

// The whole store, every row, in the persistence format. Throws PlatformError(err::kBadArgument)
// naming row and field when a value can't be written as its field's type.
QByteArray writePersistedXml(const Store& store);

// A value of a field of the given type from its text in a z:row attribute.
// Throws PlatformError(err::kBadFileFormat) when the text is not a value of that type.
QVariant valueFromXmlText(FieldType type, const QString& text);

// The text of a (non-Null) value in a z:row attribute.
// Throws PlatformError(err::kBadArgument) when the value does not convert to the type.
QString valueToXmlText(FieldType type, const QVariant& value);

}  // namespace sv::data
