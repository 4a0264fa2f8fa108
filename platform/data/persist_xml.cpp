#include "persist_xml.h"

#include "persist_plain_rows.h"
#include "platform/error.h"
#include "platform/variant.h"

#include <pugixml.hpp>

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QUuid>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>

namespace sv::data {

namespace {

// The namespaces of the format, by URI; prefixes are the writer's choice only.
const QString kNsSchema = QStringLiteral("uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882");
const QString kNsDatatype = QStringLiteral("uuid:C2F41010-65B3-11d1-A29F-00AA00C14882");
const QString kNsRowset = QStringLiteral("urn:schemas-microsoft-com:rowset");
const QString kNsRowsetSchema = QStringLiteral("#RowsetSchema");
const QString kNsXml = QStringLiteral("http://www.w3.org/XML/1998/namespace");

[[noreturn]] void raiseFormat(const QString& what) {
    throw PlatformError(err::kBadFileFormat, what);
}

// ---------------------------------------------------------------------------------------------
// Data types

struct XmlType {
    const char* name;
    FieldType type;
    int precision;     // digits of a number; 0: not written
    bool fixedLength;  // values have one size
};

// Every dt:type the reader knows. The first entry of each FieldType names the type the writer
// uses for a field made in memory, with the details the platform gives such a column.
constexpr XmlType kXmlTypes[] = {
    {"string", FieldType::Text, 0, false},
    {"uuid", FieldType::Guid, 0, true},
    {"int", FieldType::Int, 10, true},
    {"i1", FieldType::Int, 0, false},
    {"i2", FieldType::Int, 0, false},
    {"i4", FieldType::Int, 0, false},
    {"ui1", FieldType::Int, 0, false},
    {"ui2", FieldType::Int, 0, false},
    {"i8", FieldType::BigInt, 19, true},
    {"ui4", FieldType::BigInt, 0, false},
    {"boolean", FieldType::Bool, 0, true},
    {"float", FieldType::Double, 15, true},
    {"r4", FieldType::Double, 0, false},
    {"r8", FieldType::Double, 0, false},
    {"number", FieldType::Decimal, 0, false},
    {"ui8", FieldType::Decimal, 0, false},
    {"fixed.14.4", FieldType::Decimal, 0, false},
    {"dateTime", FieldType::DateTime, 0, true},
    {"dateTime.tz", FieldType::DateTime, 0, false},
    {"date", FieldType::DateTime, 0, false},
    {"bin.hex", FieldType::Binary, 0, false},
};

// A type the reader does not know keeps its values as text, so that they are written back unchanged.
FieldType fieldTypeOf(const QString& xmlType) {
    for (const XmlType& known : kXmlTypes)
        if (xmlType.compare(QLatin1String(known.name), Qt::CaseInsensitive) == 0) return known.type;
    return FieldType::Text;
}

const XmlType& writtenTypeOf(FieldType type) {
    return *std::find_if(std::begin(kXmlTypes), std::end(kXmlTypes),
                         [type](const XmlType& known) { return known.type == type; });
}

QString xmlTypeNameOf(FieldType type) {
    return QLatin1String(writtenTypeOf(type).name);
}

// ---------------------------------------------------------------------------------------------
// Value texts

[[noreturn]] void raiseBadText(FieldType type, const QString& text) {
    raiseFormat(QStringLiteral("'%1' is not a valid %2 value.").arg(text, xmlTypeNameOf(type)));
}

[[noreturn]] void raiseBadValue(FieldType type, const QVariant& value) {
    throw PlatformError(
        err::kBadArgument,
        QStringLiteral("Arguments are of the wrong type, are out of acceptable range, or are in "
                       "conflict with one another. ('%1' can't be written as %2)")
            .arg(toText(value), xmlTypeNameOf(type)));
}

bool isGuidText(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^(\\{[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\\}|"
                       "[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12})$"));
    return pattern.match(text).hasMatch();
}

bool isDecimalText(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    return pattern.match(text).hasMatch();
}

std::optional<bool> boolFromText(const QString& text) {
    const QString t = text.trimmed().toLower();
    if (t == u"1" || t == u"true" || t == u"-1") return true;
    if (t == u"0" || t == u"false") return false;
    return std::nullopt;
}

// yyyy-mm-dd, optionally followed by Thh:mm[:ss[.fraction]] and a zone (Z or +hh:mm).
std::optional<QDateTime> dateTimeFromText(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})"
                       "(?:T([0-9]{2}):([0-9]{2})(?::([0-9]{2})(?:\\.([0-9]{1,9}))?)?)?"
                       "(Z|[+-][0-9]{2}:[0-9]{2})?$"));
    const QRegularExpressionMatch m = pattern.match(text.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    const auto number = [&m](int group) { return m.captured(group).toInt(); };
    const QDate date(number(1), number(2), number(3));
    const int msec = m.captured(7).leftJustified(3, u'0').left(3).toInt();
    const QTime time(number(4), number(5), number(6), msec);
    if (!date.isValid() || !time.isValid()) return std::nullopt;

    const QString zone = m.captured(8);
    if (zone.isEmpty()) return QDateTime(date, time);
    if (zone == u"Z") return QDateTime(date, time, Qt::UTC);
    const int hours = zone.mid(1, 2).toInt();
    const int minutes = zone.mid(4, 2).toInt();
    if (hours > 14 || minutes > 59) return std::nullopt;
    const int offset = (hours * 3600 + minutes * 60) * (zone.startsWith(u'-') ? -1 : 1);
    return QDateTime(date, time, Qt::OffsetFromUTC, offset);
}

// Written from the date and the time of day as they are: a local time that a daylight-saving
// change skips is not a valid QDateTime, but it is a valid value of a column without a zone.
QString dateTimeToText(const QDateTime& value) {
    QString text = value.date().toString(u"yyyy-MM-dd") + u'T' + value.time().toString(u"HH:mm:ss");
    if (const int msec = value.time().msec())
        text += QStringLiteral(".%1").arg(msec, 3, 10, QLatin1Char('0'));
    if (value.timeSpec() == Qt::LocalTime) return text;
    if (value.timeSpec() == Qt::UTC) return text + u'Z';
    const int offset = value.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return text + QStringLiteral("%1%2:%3")
                      .arg(QChar(offset < 0 ? u'-' : u'+'))
                      .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                      .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

std::optional<QByteArray> binaryFromHex(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
    if (!pattern.match(text).hasMatch()) return std::nullopt;
    return QByteArray::fromHex(text.toLatin1());
}

qint64 integerOf(FieldType type, const QVariant& value) {
    bool ok = false;
    const qint64 number = value.typeId() == QMetaType::QString ? value.toString().trimmed().toLongLong(&ok)
                                                               : value.toLongLong(&ok);
    const bool fits = type == FieldType::BigInt || (number >= std::numeric_limits<int>::min() &&
                                                    number <= std::numeric_limits<int>::max());
    if (!ok || !fits) raiseBadValue(type, value);
    return number;
}

QString numberToText(const QVariant& value) {
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    return value.toString();
}

}  // namespace

QVariant valueFromXmlText(FieldType type, const QString& text) {
    bool ok = false;
    switch (type) {
        case FieldType::Text:
            return text;
        case FieldType::Guid:
            if (!isGuidText(text)) raiseBadText(type, text);
            return text;
        case FieldType::Int: {
            const int number = text.trimmed().toInt(&ok);
            if (!ok) raiseBadText(type, text);
            return number;
        }
        case FieldType::BigInt: {
            const qint64 number = text.trimmed().toLongLong(&ok);
            if (!ok) raiseBadText(type, text);
            return number;
        }
        case FieldType::Bool: {
            const std::optional<bool> flag = boolFromText(text);
            if (!flag) raiseBadText(type, text);
            return *flag;
        }
        case FieldType::Double: {
            const double number = text.trimmed().toDouble(&ok);
            if (!ok) raiseBadText(type, text);
            return number;
        }
        case FieldType::Decimal:
            if (!isDecimalText(text.trimmed())) raiseBadText(type, text);
            return text.trimmed();
        case FieldType::DateTime: {
            const std::optional<QDateTime> moment = dateTimeFromText(text);
            if (!moment) raiseBadText(type, text);
            return *moment;
        }
        case FieldType::Binary: {
            const std::optional<QByteArray> bytes = binaryFromHex(text);
            if (!bytes) raiseBadText(type, text);
            return *bytes;
        }
    }
    raiseBadText(type, text);
}

QString valueToXmlText(FieldType type, const QVariant& value) {
    const int id = value.typeId();
    switch (type) {
        case FieldType::Text:
            return toText(value);
        case FieldType::Guid: {
            if (id == QMetaType::QUuid) return value.toUuid().toString(QUuid::WithBraces).toUpper();
            QString text = value.toString();
            if (id != QMetaType::QString || !isGuidText(text)) raiseBadValue(type, value);
            return text;
        }
        case FieldType::Int:
        case FieldType::BigInt:
            return QString::number(integerOf(type, value));
        case FieldType::Bool: {
            const std::optional<bool> flag =
                id == QMetaType::QString ? boolFromText(value.toString())
                : id == QMetaType::Bool  ? std::optional<bool>(value.toBool())
                                         : std::optional<bool>(integerOf(FieldType::BigInt, value) != 0);
            if (!flag) raiseBadValue(type, value);
            return *flag ? QStringLiteral("1") : QStringLiteral("0");
        }
        case FieldType::Double: {
            bool ok = false;
            const double number =
                id == QMetaType::QString ? value.toString().trimmed().toDouble(&ok) : value.toDouble(&ok);
            if (!ok) raiseBadValue(type, value);
            return QString::number(number, 'g', QLocale::FloatingPointShortest);
        }
        case FieldType::Decimal: {
            QString text = id == QMetaType::QString ? value.toString().trimmed() : numberToText(value);
            if (!isDecimalText(text)) raiseBadValue(type, value);
            return text;
        }
        case FieldType::DateTime: {
            const std::optional<QDateTime> moment =
                id == QMetaType::QDateTime ? std::optional<QDateTime>(value.toDateTime())
                : id == QMetaType::QDate   ? std::optional<QDateTime>(value.toDate().startOfDay())
                : id == QMetaType::QString ? dateTimeFromText(value.toString())
                                           : std::nullopt;
            if (!moment || !moment->date().isValid() || !moment->time().isValid()) raiseBadValue(type, value);
            return dateTimeToText(*moment);
        }
        case FieldType::Binary:
            if (id != QMetaType::QByteArray) raiseBadValue(type, value);
            return QString::fromLatin1(value.toByteArray().toHex());
    }
    raiseBadValue(type, value);
}

namespace {

// ---------------------------------------------------------------------------------------------
// Names and namespaces of the parsed document

// Text of the parsed document. pugixml hands out UTF-8 whatever the file's encoding was, so a
// decoding error means the file itself held bytes that are not text.
QString textOf(const char* utf8) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(QByteArrayView(utf8));
    if (decoder.hasError()) raiseFormat(QStringLiteral("The file is not valid UTF-8 text."));
    return text;
}

// Asked of every attribute of every row: the first letter settles it for nearly all.
bool isNamespaceDeclaration(const char* name) {
    return name[0] == 'x' && std::strncmp(name, "xmlns", 5) == 0 && (name[5] == '\0' || name[5] == ':');
}

struct ExpandedName {
    QString ns;
    QString local;
    bool is(const QString& uri, QStringView name) const { return ns == uri && local == name; }
};

// The URI a prefix stands for at a node: the nearest declaration on it or above it.
QString namespaceOf(const pugi::xml_node& node, const QString& prefix, const QString& qualifiedName) {
    if (prefix == u"xml") return kNsXml;
    const QByteArray declaration = prefix.isEmpty() ? QByteArray("xmlns") : "xmlns:" + prefix.toUtf8();
    for (pugi::xml_node n = node; n.type() == pugi::node_element; n = n.parent())
        if (const pugi::xml_attribute a = n.attribute(declaration.constData())) return textOf(a.value());
    if (!prefix.isEmpty())
        raiseFormat(QStringLiteral("The XML uses the prefix '%1' (in '%2') without declaring it.")
                        .arg(prefix, qualifiedName));
    return {};
}

// Unprefixed elements take the default namespace, unprefixed attributes none.
ExpandedName expand(const pugi::xml_node& scope, const QString& qualifiedName, bool isElement) {
    const qsizetype colon = qualifiedName.indexOf(u':');
    if (colon < 0) return {isElement ? namespaceOf(scope, {}, qualifiedName) : QString(), qualifiedName};
    const QString prefix = qualifiedName.left(colon);
    return {namespaceOf(scope, prefix, qualifiedName), qualifiedName.mid(colon + 1)};
}

ExpandedName elementName(const pugi::xml_node& element) {
    return expand(element, textOf(element.name()), true);
}

std::vector<pugi::xml_node> childElements(const pugi::xml_node& parent) {
    std::vector<pugi::xml_node> elements;
    for (const pugi::xml_node& child : parent.children())
        if (child.type() == pugi::node_element) elements.push_back(child);
    return elements;
}

pugi::xml_node childElement(const pugi::xml_node& parent, const QString& ns, QStringView local) {
    for (const pugi::xml_node& child : childElements(parent))
        if (elementName(child).is(ns, local)) return child;
    return {};
}

QString displayName(const pugi::xml_node& element) {
    return QStringLiteral("<%1>").arg(textOf(element.name()));
}

// The attributes of an element by namespace and local name, in document order; namespace
// declarations are not attributes in this sense.
std::vector<XmlAttribute> attributesOf(const pugi::xml_node& element) {
    std::vector<XmlAttribute> attributes;
    for (const pugi::xml_attribute& a : element.attributes()) {
        if (isNamespaceDeclaration(a.name())) continue;
        const ExpandedName name = expand(element, textOf(a.name()), false);
        attributes.push_back({name.ns, name.local, textOf(a.value())});
    }
    return attributes;
}

std::optional<QString> attributeValue(const std::vector<XmlAttribute>& attributes, const QString& ns,
                                      QStringView local) {
    for (const XmlAttribute& a : attributes)
        if (a.ns == ns && a.local == local) return a.value;
    return std::nullopt;
}

bool isTrue(const std::optional<QString>& value) {
    return value && (value->compare(u"true", Qt::CaseInsensitive) == 0 || *value == u"1");
}

// ---------------------------------------------------------------------------------------------
// Reading: the document

bool isBlank(QByteArrayView bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes = bytes.sliced(3);
    return bytes.trimmed().isEmpty();
}

// Markup begins with '<' (after a byte order mark); anything else is not XML at all. A UTF-16
// file is left to the parser.
bool beginsWithMarkup(QByteArrayView bytes) {
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) return true;
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes = bytes.sliced(3);
    return bytes.trimmed().startsWith('<');
}

// Parses `buffer` in place: the document's texts lie in it unless the file had to be converted
// to UTF-8 first.
void parse(QByteArray& buffer, pugi::xml_document& document) {
    if (isBlank(buffer)) raiseFormat(QStringLiteral("The file is empty: it holds no persisted record set."));
    if (!beginsWithMarkup(buffer))
        raiseFormat(QStringLiteral("The file is not XML: it does not begin with markup."));
    // Where the text ends, known before the parser writes into the buffer.
    qsizetype end = buffer.size();
    while (end > 0 && QChar::isSpace(uchar(buffer[end - 1])))
        --end;
    const pugi::xml_parse_result result = document.load_buffer_inplace(
        buffer.data(), size_t(buffer.size()), pugi::parse_default, pugi::encoding_auto);
    if (result) return;
    // The parser stops where it found the fault; at the very end of the text that means the text
    // broke off (a closing tag cut short is reported a byte or two before the end).
    if (qsizetype(result.offset) + 2 >= end)
        raiseFormat(QStringLiteral(
                        "The file is truncated: the XML ends inside an unfinished element (%1 at byte %2).")
                        .arg(QString::fromLatin1(result.description()))
                        .arg(result.offset));
    raiseFormat(QStringLiteral("The file is not well-formed XML: %1 at byte %2.")
                    .arg(QString::fromLatin1(result.description()))
                    .arg(result.offset));
}

pugi::xml_node rootElement(const pugi::xml_document& document) {
    const std::vector<pugi::xml_node> roots = childElements(document);
    if (roots.empty()) raiseFormat(QStringLiteral("The file is not XML: it holds no element."));
    if (roots.size() > 1)
        raiseFormat(QStringLiteral("The file is not well-formed XML: it has more than one root element."));
    return roots.front();
}

// ---------------------------------------------------------------------------------------------
// Reading: the schema

// The attribute the rows use for a field: the definition's name, which may be an alias of the
// field's real name (rs:name).
QString rowAttributeName(const FieldDef& field) {
    return attributeValue(field.attributes, {}, u"name").value_or(field.name);
}

// dt:type, dt:maxLength and rs:maybenull may sit on s:datatype or on s:AttributeType itself.
std::optional<QString> typeProperty(const FieldDef& field, const QString& ns, QStringView local) {
    if (std::optional<QString> value = attributeValue(field.datatypeAttributes, ns, local)) return value;
    return attributeValue(field.attributes, ns, local);
}

FieldDef readField(const pugi::xml_node& definition, int number) {
    FieldDef field;
    field.fromFile = true;
    field.attributes = attributesOf(definition);
    if (const pugi::xml_node datatype = childElement(definition, kNsSchema, u"datatype"))
        field.datatypeAttributes = attributesOf(datatype);

    const std::optional<QString> name = attributeValue(field.attributes, {}, u"name");
    if (!name || name->isEmpty())
        raiseFormat(QStringLiteral("Field definition %1 of the schema has no name.").arg(number));
    field.name = attributeValue(field.attributes, kNsRowset, u"name").value_or(*name);
    field.type = fieldTypeOf(typeProperty(field, kNsDatatype, u"type").value_or(QStringLiteral("string")));
    bool ok = false;
    const int maxLength = typeProperty(field, kNsDatatype, u"maxLength").value_or(QString()).toInt(&ok);
    field.maxLength = ok && maxLength >= 0 ? maxLength : -1;
    field.nullable = isTrue(attributeValue(field.attributes, kNsRowset, u"nullable")) ||
                     isTrue(typeProperty(field, kNsRowset, u"maybenull"));
    field.writeUnknown = isTrue(attributeValue(field.attributes, kNsRowset, u"writeunknown"));
    field.baseTable = attributeValue(field.attributes, kNsRowset, u"basetable").value_or(QString());
    field.baseColumn = attributeValue(field.attributes, kNsRowset, u"basecolumn").value_or(QString());
    return field;
}

// The row definition: the s:ElementType named "row", or else the first one.
pugi::xml_node rowElementType(const pugi::xml_node& schema) {
    pugi::xml_node first;
    for (const pugi::xml_node& child : childElements(schema)) {
        if (!elementName(child).is(kNsSchema, u"ElementType")) continue;
        if (QByteArrayView(child.attribute("name").value()) == "row") return child;
        if (!first) first = child;
    }
    if (!first) raiseFormat(QStringLiteral("The rowset schema defines no row (it has no s:ElementType)."));
    return first;
}

// A field is defined in place (s:AttributeType) or referred to (s:attribute type="...") and
// defined beside the row definition.
pugi::xml_node fieldDefinition(const pugi::xml_node& schema, const pugi::xml_node& entry) {
    const ExpandedName name = elementName(entry);
    if (name.is(kNsSchema, u"AttributeType")) return entry;
    if (!name.is(kNsSchema, u"attribute")) return {};
    const QByteArrayView type(entry.attribute("type").value());
    for (const pugi::xml_node& child : childElements(schema))
        if (elementName(child).is(kNsSchema, u"AttributeType") &&
            QByteArrayView(child.attribute("name").value()) == type)
            return child;
    raiseFormat(
        QStringLiteral("The row definition refers to the field '%1', which the schema does not define.")
            .arg(textOf(entry.attribute("type").value())));
}

std::vector<FieldDef> readFields(const pugi::xml_node& schema, const pugi::xml_node& rowType) {
    std::vector<FieldDef> fields;
    QSet<QString> seen;
    for (const pugi::xml_node& entry : childElements(rowType)) {
        const pugi::xml_node definition = fieldDefinition(schema, entry);
        if (!definition) continue;
        FieldDef field = readField(definition, int(fields.size()) + 1);
        const QString key = rowAttributeName(field);
        if (seen.contains(key))
            raiseFormat(QStringLiteral("The schema defines the field '%1' twice.").arg(key));
        seen.insert(key);
        fields.push_back(std::move(field));
    }
    if (fields.empty()) raiseFormat(QStringLiteral("The rowset schema defines no fields."));
    return fields;
}

// ---------------------------------------------------------------------------------------------
// Reading: the data

// Turns rs:data into the rows as they stand: plain and inserted rows as written, an update's
// changed values over its original row, deleted rows left out. The texts of text fields stay where
// the parser left them (checked to be text) until a row's cell is used; other values are decoded,
// and so checked, here.
class RowReader {
public:
    RowReader(const std::vector<FieldDef>& fields, QString rowName, std::shared_ptr<CellTexts> texts)
        : fields_(fields), rowName_(std::move(rowName)), texts_(std::move(texts)), cells_(texts_->cells) {
        for (const FieldDef& field : fields)
            attributeNames_.push_back(rowAttributeName(field).toUtf8());
        lastValues_.resize(fields.size());
    }

    // The rows of a plain data section, or nullopt (and the content as it was) when it is not all
    // plain. A row that does not fit the schema is reported only once the rest is known to be plain:
    // had it not been, the document reader would have read it all, and might have found worse first.
    std::optional<std::vector<Row>> readPlain(char* begin, char* end, QByteArrayView rowName) {
        std::vector<Row> rows;
        reserveLikeFirstRow(QByteArrayView(begin, end), rows);
        std::optional<PlatformError> misfit;
        const bool plainRows =
            plain::readPlainRows(begin, end, rowName, [&](const std::vector<RawAttribute>& attributes) {
                if (misfit) return;
                try {
                    rows.push_back(finished(readRow(attributes, nullptr)));
                } catch (const PlatformError& e) {
                    misfit = e;
                }
            });
        if (!plainRows) return std::nullopt;
        if (misfit) throw *misfit;
        if (rows.capacity() > 2 * rows.size()) {
            rows.shrink_to_fit();
            cells_.shrink_to_fit();
        }
        return rows;
    }

    // Plain rows are counted only as they are read; the first one's length tells about how many
    // there are, the rest mostly differ from it only in their values.
    void reserveLikeFirstRow(QByteArrayView content, std::vector<Row>& rows) {
        const qsizetype first = content.indexOf('<');
        if (first < 0) return;
        const qsizetype firstEnd = content.indexOf("/>", first);
        if (firstEnd < 0) return;
        const size_t estimate = size_t(content.size() / (firstEnd + 2 - first));
        rows.reserve(estimate);
        cells_.reserve(estimate * fields_.size());
    }

    std::vector<Row> read(const pugi::xml_node& data) {
        std::vector<Row> rows;
        const size_t count = size_t(std::distance(data.begin(), data.end()));
        rows.reserve(count);
        cells_.reserve(count * fields_.size());
        std::vector<Draft> group;  // the rows of a pending change
        for (pugi::xml_node child = data.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element) raiseText(data);
            const ExpandedName& name = cachedElementName(child);
            if (isRow(name)) {
                rows.push_back(finished(readRow(rowAttributes(child), nullptr)));
                continue;
            }
            if (name.is(kNsRowset, u"insert"))
                readRowsOf(child, group);
            else if (name.is(kNsRowset, u"update"))
                readUpdate(child, group);
            else if (name.is(kNsRowset, u"delete"))
                readDeleted(child);
            else
                raiseUnexpected(child, data);
            for (Draft& draft : group)
                rows.push_back(finished(std::move(draft)));
            group.clear();
        }
        return rows;
    }

private:
    // A row being read: its cells from `first` in the texts, and the values of its other cells
    // (empty while all of them are Null).
    struct Draft {
        size_t first = 0;
        std::vector<QVariant> values;
    };

    Row finished(Draft&& draft) const {
        return Row(texts_, draft.first, fields_.size(), std::move(draft.values));
    }

    bool isRow(const ExpandedName& name) const { return name.is(kNsRowsetSchema, rowName_); }

    [[noreturn]] void raiseUnexpected(const pugi::xml_node& element, const pugi::xml_node& parent) const {
        raiseFormat(
            QStringLiteral("The data section holds the element %1 inside %2, which is no row of the schema.")
                .arg(displayName(element), displayName(parent)));
    }

    // Text among the rows belongs to no field: a save would drop it, so the file is not taken.
    [[noreturn]] static void raiseText(const pugi::xml_node& parent) {
        raiseFormat(QStringLiteral("The data section holds text inside %1, which belongs to no row.")
                        .arg(displayName(parent)));
    }

    // The children of a group, which must all be elements.
    static std::vector<pugi::xml_node> groupElements(const pugi::xml_node& group) {
        for (const pugi::xml_node& child : group.children())
            if (child.type() != pugi::node_element) raiseText(group);
        return childElements(group);
    }

    // A row's values are its attributes; anything inside it would be lost by a save.
    const std::vector<plain::RawAttribute>& rowAttributes(const pugi::xml_node& row) {
        if (row.first_child())
            raiseFormat(QStringLiteral("Row %1 holds content inside its element, which belongs to no field.")
                            .arg(rowNumber_ + 1));
        return attributesOf(row);
    }

    void readRowsOf(const pugi::xml_node& group, std::vector<Draft>& rows) {
        for (const pugi::xml_node& child : groupElements(group)) {
            if (!isRow(cachedElementName(child))) raiseUnexpected(child, group);
            rows.push_back(readRow(rowAttributes(child), nullptr));
        }
    }

    // Deleted rows are checked like all others but are no longer part of the record set.
    void readDeleted(const pugi::xml_node& group) {
        std::vector<Draft> deleted;
        readRowsOf(group, deleted);
    }

    // rs:update holds rs:original with the whole old row, then a row with the changed values.
    void readUpdate(const pugi::xml_node& update, std::vector<Draft>& rows) {
        std::optional<Draft> original;
        for (const pugi::xml_node& child : groupElements(update)) {
            const ExpandedName name = elementName(child);
            if (name.is(kNsRowset, u"original")) {
                if (original) rows.push_back(*original);
                original = readOriginal(child);
            } else if (isRow(name)) {
                if (!original)
                    raiseFormat(QStringLiteral(
                                    "Row %1 is a changed row without its original (rs:original) before it.")
                                    .arg(rowNumber_ + 1));
                rows.push_back(readRow(rowAttributes(child), &*original));
                original.reset();
            } else {
                raiseUnexpected(child, update);
            }
        }
        if (original) rows.push_back(*original);
    }

    Draft readOriginal(const pugi::xml_node& original) {
        std::vector<Draft> rows;
        readRowsOf(original, rows);
        if (rows.size() != 1)
            raiseFormat(QStringLiteral("An original row (rs:original) holds %1 rows instead of one.")
                            .arg(rows.size()));
        return rows.front();
    }

    using RawAttribute = plain::RawAttribute;

    // An element's attributes other than namespace declarations, read once: every call into the
    // parser costs, and rows are read attribute by attribute.
    const std::vector<RawAttribute>& attributesOf(const pugi::xml_node& element) {
        if (attributesElement_ == element) return attributes_;
        attributes_.clear();
        declaresNamespace_ = false;
        for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
            const char* name = a.name();
            if (isNamespaceDeclaration(name))
                declaresNamespace_ = true;
            else
                attributes_.push_back({name, a.value(), false});
        }
        attributesElement_ = element;
        return attributes_;
    }

    // Siblings share their ancestors' namespace declarations: an element that declares none
    // itself has the expanded name its raw name had on the sibling before.
    const ExpandedName& cachedElementName(const pugi::xml_node& element) {
        attributesOf(element);
        const char* rawName = element.name();
        if (declaresNamespace_ || lastParent_ != element.parent() || !sameName(lastRawName_, rawName)) {
            lastExpanded_ = elementName(element);
            lastParent_ = declaresNamespace_ ? pugi::xml_node() : element.parent();
            lastRawName_ = rawName;
        }
        return lastExpanded_;
    }

    // Names are short: a loop here beats a call into the C library.
    static bool sameName(const QByteArray& known, const char* name) {
        for (const char* k = known.constData();; ++k, ++name) {
            if (*k != *name) return false;
            if (!*k) return true;
        }
    }

    // The field an attribute names; rows usually list their attributes in field order, so the
    // field after the last one found is tried first.
    int fieldOf(const char* attributeName, int after) const {
        const int count = int(attributeNames_.size());
        int index = after;
        for (int step = 0; step < count; ++step) {
            if (++index == count) index = 0;
            if (sameName(attributeNames_[size_t(index)], attributeName)) return index;
        }
        return -1;
    }

    // The values a row's attributes give; the others are those of `base` (Null without one).
    Draft readRow(const std::vector<RawAttribute>& attributes, const Draft* base) {
        const int number = ++rowNumber_;
        const size_t count = fields_.size();
        Draft row{cells_.size(), base ? base->values : std::vector<QVariant>()};
        cells_.resize(row.first + count, nullptr);
        if (base)
            std::copy_n(cells_.begin() + qsizetype(base->first), count,
                        cells_.begin() + qsizetype(row.first));
        given_.assign(count, false);
        int index = -1;
        for (const RawAttribute& attribute : attributes) {
            index = fieldOf(attribute.name, index);
            if (index < 0)
                raiseFormat(
                    QStringLiteral("Row %1 has the attribute '%2', which names no field of the schema.")
                        .arg(number)
                        .arg(textOf(attribute.name)));
            if (given_[size_t(index)])
                raiseFormat(QStringLiteral("Row %1 gives the attribute '%2' twice.")
                                .arg(number)
                                .arg(textOf(attribute.name)));
            given_[size_t(index)] = true;
            if (fields_[size_t(index)].type == FieldType::Text) {
                if (!attribute.asciiValue) requireText(attribute.value);
                cells_[row.first + size_t(index)] = attribute.value;
                continue;
            }
            if (row.values.empty()) row.values.assign(count, nullVariant());
            row.values[size_t(index)] = cachedValueOf(index, attribute.value, number);
        }
        return row;
    }

    // Flags and type DSNs repeat from row to row: a value spelled as the field's value in the row
    // before shares that value instead of being decoded again.
    QVariant cachedValueOf(int index, const char* raw, int rowNumber) {
        LastValue& last = lastValues_[size_t(index)];
        if (!last.raw || std::strcmp(last.raw, raw) != 0) {
            last.value = valueOf(index, decode(raw), rowNumber);
            last.raw = raw;
        }
        return last.value;
    }

    // A text kept as the file's bytes must be text all the same; most are ASCII.
    void requireText(const char* utf8) {
        for (const char* c = utf8; *c; ++c)
            if (static_cast<unsigned char>(*c) >= 0x80) {
                decode(utf8);
                return;
            }
    }

    // One decoder for every value: a decoder that met invalid UTF-8 once keeps saying so, and the
    // read ends right there.
    QString decode(const char* utf8) {
        QString text = decoder_(QByteArrayView(utf8));
        if (decoder_.hasError()) raiseFormat(QStringLiteral("The file is not valid UTF-8 text."));
        return text;
    }

    QVariant valueOf(int index, const QString& text, int rowNumber) const {
        try {
            return valueFromXmlText(fields_[index].type, text);
        } catch (const PlatformError& e) {
            raiseFormat(QStringLiteral("Row %1, field '%2': %3")
                            .arg(rowNumber)
                            .arg(fields_[index].name, e.description()));
        }
    }

    const std::vector<FieldDef>& fields_;
    QString rowName_;
    std::shared_ptr<CellTexts> texts_;
    std::vector<const char*>& cells_;         // the texts' cells, filled row by row
    std::vector<QByteArray> attributeNames_;  // per field, as the rows' attributes spell them
    QStringDecoder decoder_{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
    pugi::xml_node attributesElement_;
    std::vector<RawAttribute> attributes_;  // of attributesElement_
    bool declaresNamespace_ = false;        // attributesElement_ declares a namespace
    pugi::xml_node lastParent_;
    QByteArray lastRawName_;
    ExpandedName lastExpanded_;
    struct LastValue {
        const char* raw = nullptr;  // in the parsed document, which outlives the reader
        QVariant value;
    };
    std::vector<LastValue> lastValues_;  // per field
    std::vector<bool> given_;            // per field, of the row being read
    int rowNumber_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Writing

struct NamespacePrefix {
    QString uri;
    QString prefix;
};

// The usual prefixes, then one made up for each other namespace the stored definitions use.
class Prefixes {
public:
    explicit Prefixes(const std::vector<FieldDef>& fields)
        : declared_{{kNsSchema, QStringLiteral("s")},
                    {kNsDatatype, QStringLiteral("dt")},
                    {kNsRowset, QStringLiteral("rs")},
                    {kNsRowsetSchema, QStringLiteral("z")}} {
        int made = 0;
        for (const FieldDef& field : fields) {
            if (!field.fromFile) continue;
            for (const auto* list : {&field.attributes, &field.datatypeAttributes})
                for (const XmlAttribute& a : *list)
                    if (!a.ns.isEmpty() && a.ns != kNsXml && !prefixOf(a.ns))
                        declared_.push_back({a.ns, QStringLiteral("ns%1").arg(++made)});
        }
    }

    const std::vector<NamespacePrefix>& declared() const { return declared_; }

    // Every namespace of the fields was declared above.
    QString qualified(const XmlAttribute& attribute) const {
        if (attribute.ns.isEmpty()) return attribute.local;
        if (attribute.ns == kNsXml) return QStringLiteral("xml:") + attribute.local;
        return prefixOf(attribute.ns).value_or(QString()) + u':' + attribute.local;
    }

private:
    std::optional<QString> prefixOf(const QString& uri) const {
        for (const NamespacePrefix& p : declared_)
            if (p.uri == uri) return p.prefix;
        return std::nullopt;
    }

    std::vector<NamespacePrefix> declared_;
};

void setAttribute(pugi::xml_node element, const QString& name, const QString& value) {
    // XML can't hold U+0000; pugixml would cut the value there without a word.
    if (value.contains(QChar(0)))
        throw PlatformError(
            err::kBadArgument,
            QStringLiteral("The value of '%1' holds a NUL character, which XML can't hold.").arg(name));
    const QByteArray utf8 = value.toUtf8();
    element.append_attribute(name.toUtf8().constData()).set_value(utf8.constData(), size_t(utf8.size()));
}

// An attribute name that needs no alias: a letter or '_' and then letters, digits, '_', '-', '.'.
bool isPlainXmlName(const QString& name) {
    if (name.isEmpty() || name == u"xmlns" || !(name.front().isLetter() || name.front() == u'_'))
        return false;
    return std::all_of(name.begin(), name.end(),
                       [](QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'-' || c == u'.'; });
}

// The attribute names the rows use. A field read from a file keeps its definition's name; a field
// made in memory uses its own name where that is a usable, unused XML name, otherwise an alias
// (its definition then carries the real name in rs:name, as the format provides).
std::vector<QString> rowAttributeNames(const std::vector<FieldDef>& fields) {
    std::vector<QString> names(fields.size());
    QSet<QString> used;
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].fromFile) used.insert(names[i] = rowAttributeName(fields[i]));
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].fromFile) continue;
        QString name = fields[i].name;
        if (!isPlainXmlName(name) || used.contains(name)) {
            name = QStringLiteral("c%1").arg(i);
            while (used.contains(name))
                name += u'_';
        }
        used.insert(names[i] = name);
    }
    return names;
}

void writeStoredDefinition(pugi::xml_node definition, const FieldDef& field, int number,
                           const Prefixes& prefixes) {
    for (const XmlAttribute& a : field.attributes) {
        const bool isNumber = a.ns == kNsRowset && a.local == u"number";
        setAttribute(definition, prefixes.qualified(a), isNumber ? QString::number(number) : a.value);
    }
    if (field.datatypeAttributes.empty()) return;
    pugi::xml_node datatype = definition.append_child("s:datatype");
    for (const XmlAttribute& a : field.datatypeAttributes)
        setAttribute(datatype, prefixes.qualified(a), a.value);
}

void writeNewDefinition(pugi::xml_node definition, const FieldDef& field, int number,
                        const QString& rowName) {
    setAttribute(definition, QStringLiteral("name"), rowName);
    if (rowName != field.name) setAttribute(definition, QStringLiteral("rs:name"), field.name);
    setAttribute(definition, QStringLiteral("rs:number"), QString::number(number));
    if (field.nullable) setAttribute(definition, QStringLiteral("rs:nullable"), QStringLiteral("true"));
    if (field.writeUnknown)
        setAttribute(definition, QStringLiteral("rs:writeunknown"), QStringLiteral("true"));
    if (!field.baseTable.isEmpty()) setAttribute(definition, QStringLiteral("rs:basetable"), field.baseTable);
    if (!field.baseColumn.isEmpty())
        setAttribute(definition, QStringLiteral("rs:basecolumn"), field.baseColumn);

    pugi::xml_node datatype = definition.append_child("s:datatype");
    const XmlType& type = writtenTypeOf(field.type);
    setAttribute(datatype, QStringLiteral("dt:type"), QLatin1String(type.name));
    if (field.maxLength >= 0)
        setAttribute(datatype, QStringLiteral("dt:maxLength"), QString::number(field.maxLength));
    if (type.precision > 0)
        setAttribute(datatype, QStringLiteral("rs:precision"), QString::number(type.precision));
    if (type.fixedLength) setAttribute(datatype, QStringLiteral("rs:fixedlength"), QStringLiteral("true"));
    if (!field.nullable) setAttribute(datatype, QStringLiteral("rs:maybenull"), QStringLiteral("false"));
}

// A field declared as a date (no time of day) is written as one.
QString rowValueText(const FieldDef& field, const QVariant& value) {
    const QString text = valueToXmlText(field.type, value);
    const bool isDate =
        field.type == FieldType::DateTime &&
        typeProperty(field, kNsDatatype, u"type").value_or(QString()).compare(u"date", Qt::CaseInsensitive) ==
            0;
    return isDate ? text.left(10) : text;
}

// An attribute's text as the document writer escapes it between single quotes: '&', '<' and the
// quote as entities, control characters as character references, everything else as it is.
void appendEscaped(QByteArray& out, const char* text) {
    const char* run = text;
    for (const char* c = text;; ++c) {
        const auto ch = static_cast<unsigned char>(*c);
        if (ch >= 32 && ch != '&' && ch != '<' && ch != '\'') continue;
        out.append(run, c - run);
        run = c + 1;
        switch (ch) {
            case 0:
                return;
            case '&':
                out.append("&amp;");
                break;
            case '<':
                out.append("&lt;");
                break;
            case '\'':
                out.append("&apos;");
                break;
            default:
                out.append("&#").append(char('0' + ch / 10)).append(char('0' + ch % 10)).append(';');
        }
    }
}

// Writes the rows as the document writer would, one indented element a line, straight into the
// output: a row costs no document nodes. Names are encoded once per field; a value whose text is
// the one the field had in the row before reuses that encoding, since flags and type DSNs repeat.
class RowWriter {
public:
    RowWriter(const Store& store, const std::vector<QString>& names) : store_(store), last_(names.size()) {
        for (const QString& name : names)
            names_.push_back(' ' + name.toUtf8() + "='");
    }

    void write(QByteArray& out, const Row& row, int number) {
        out.append("\t\t<z:row");
        for (size_t i = 0; i < store_.fields.size() && i < row.size(); ++i) {
            // A text cell nobody has used is written as the file had it.
            if (const char* text = row.pendingText(i)) {
                out.append(names_[i]);
                appendEscaped(out, text);
                out.append('\'');
                continue;
            }
            const QVariant& value = row[i];
            if (!value.isValid() || value.isNull()) continue;  // a Null is a missing attribute
            try {
                const QByteArray& text = encoded(i, value);
                out.append(names_[i]).append(text).append('\'');
            } catch (const PlatformError& e) {
                throw PlatformError(e.number(), QStringLiteral("Row %1, field '%2': %3")
                                                    .arg(number)
                                                    .arg(store_.fields[i].name, e.description()));
            }
        }
        out.append(" />\n");
    }

private:
    struct LastText {
        QString text;
        QByteArray escaped;
    };

    const QByteArray& encoded(size_t field, const QVariant& value) {
        QString text = rowValueText(store_.fields[field], value);
        LastText& last = last_[field];
        if (last.escaped.isNull() || text != last.text) {
            // XML can't hold U+0000.
            if (text.contains(QChar(0)))
                throw PlatformError(err::kBadArgument,
                                    QStringLiteral("The value holds a NUL character, which XML can't hold."));
            last.escaped = QByteArray("");
            appendEscaped(last.escaped, text.toUtf8().constData());
            last.text = std::move(text);
        }
        return last.escaped;
    }

    const Store& store_;
    std::vector<QByteArray> names_;  // " name='" per field
    std::vector<LastText> last_;
};

class ByteArrayWriter : public pugi::xml_writer {
public:
    explicit ByteArrayWriter(QByteArray& out) : out_(out) {}
    void write(const void* data, size_t size) override {
        out_.append(static_cast<const char*>(data), qsizetype(size));
    }

private:
    QByteArray& out_;
};

}  // namespace

namespace {

// What the texts of a store read from a file lie in.
struct ParsedFile {
    QByteArray buffer;
    pugi::xml_document document;

    // The document's nodes are needed no more once read; its texts are, wherever they lie.
    void keepTextsOnly() {
        const char* name = document.document_element().name();
        if (name >= buffer.constData() && name < buffer.constData() + buffer.size()) document.reset();
    }
};

// What a parsed file says before its rows: the store's fields and flags, and where its rows are.
struct Head {
    Store store;
    pugi::xml_node data;  // rs:data; null when the file has none
    QString rowName;      // the rows' local name
};

Head readHead(const pugi::xml_document& document) {
    const pugi::xml_node root = rootElement(document);
    const pugi::xml_node schema = childElement(root, kNsSchema, u"Schema");
    if (!schema)
        raiseFormat(
            QStringLiteral("The XML is not a persisted record set: its root element %1 holds no rowset "
                           "schema (s:Schema of namespace %2).")
                .arg(displayName(root), kNsSchema));
    const pugi::xml_node rowType = rowElementType(schema);

    Head head;
    head.store.fromFile = true;
    const std::vector<XmlAttribute> rowTypeAttributes = attributesOf(rowType);
    head.store.updatable = isTrue(attributeValue(rowTypeAttributes, kNsRowset, u"updatable")) ||
                           isTrue(attributeValue(rowTypeAttributes, {}, u"updatable"));
    head.store.fields = readFields(schema, rowType);
    for (const pugi::xml_node& child : childElements(root)) {
        if (!elementName(child).is(kNsRowset, u"data")) continue;
        // Only one would be read, and a save would drop the others with their rows.
        if (head.data) raiseFormat(QStringLiteral("The file holds more than one data section (rs:data)."));
        head.data = child;
    }
    head.rowName = attributeValue(rowTypeAttributes, {}, u"name").value_or(QStringLiteral("row"));
    return head;
}

// The file's plain data section read straight from `bytes`, the rest of the file through a
// document of its own. Anything else gives nullopt and leaves `bytes` as they were, for the
// document reader to read (or refuse) the whole.
std::optional<Store> readWithPlainRows(QByteArray& bytes) {
    if (!plain::readsAsUtf8(bytes)) return std::nullopt;
    const std::optional<plain::DataSection> section = plain::findDataSection(bytes);
    if (!section) return std::nullopt;
    QByteArray rest = bytes.first(section->contentBegin) + bytes.sliced(section->contentEnd);
    pugi::xml_document document;
    std::optional<Head> head;
    try {
        parse(rest, document);
        head = readHead(document);
    } catch (const PlatformError&) {
        return std::nullopt;
    }
    // The tag taken for the data element's start must be it, read in place (so not converted from
    // another encoding), and the rows' raw name must stand for the schema's row there.
    const pugi::xml_node data = head->data;
    if (!data || data.name() != rest.constData() + section->nameAt || data.first_child()) return std::nullopt;
    char* const begin = bytes.data() + section->contentBegin;
    char* const end = bytes.data() + section->contentEnd;
    const QByteArrayView rowName = plain::firstRowName(QByteArrayView(begin, end));
    if (!rowName.isEmpty()) {
        try {
            if (!expand(data, textOf(rowName.toByteArray().constData()), true)
                     .is(kNsRowsetSchema, head->rowName))
                return std::nullopt;
        } catch (const PlatformError&) {
            return std::nullopt;
        }
    }
    auto texts = std::make_shared<CellTexts>();
    std::optional<std::vector<Row>> rows =
        RowReader(head->store.fields, head->rowName, texts).readPlain(begin, end, rowName);
    if (!rows) return std::nullopt;
    head->store.rows = std::move(*rows);
    // Moved, the bytes stay where the texts point.
    auto parsed = std::make_shared<ParsedFile>();
    parsed->buffer = std::move(bytes);
    texts->backing = std::move(parsed);
    return std::move(head->store);
}

}  // namespace

Store readPersistedXmlThroughDocument(QByteArray bytes) {
    auto parsed = std::make_shared<ParsedFile>();
    parsed->buffer = std::move(bytes);
    parse(parsed->buffer, parsed->document);
    Head head = readHead(parsed->document);
    if (head.data) {
        auto texts = std::make_shared<CellTexts>();
        head.store.rows = RowReader(head.store.fields, head.rowName, texts).read(head.data);
        parsed->keepTextsOnly();
        texts->backing = std::move(parsed);
    }
    return std::move(head.store);
}

Store readPersistedXml(QByteArray bytes) {
    if (std::optional<Store> store = readWithPlainRows(bytes)) return std::move(*store);
    return readPersistedXmlThroughDocument(std::move(bytes));
}

QByteArray writePersistedXml(const Store& store) {
    pugi::xml_document document;
    pugi::xml_node root = document.append_child("xml");
    const Prefixes prefixes(store.fields);
    for (const NamespacePrefix& p : prefixes.declared())
        setAttribute(root, QStringLiteral("xmlns:") + p.prefix, p.uri);

    pugi::xml_node schema = root.append_child("s:Schema");
    setAttribute(schema, QStringLiteral("id"), QStringLiteral("RowsetSchema"));
    pugi::xml_node rowType = schema.append_child("s:ElementType");
    setAttribute(rowType, QStringLiteral("name"), QStringLiteral("row"));
    setAttribute(rowType, QStringLiteral("content"), QStringLiteral("eltOnly"));
    if (store.updatable) setAttribute(rowType, QStringLiteral("rs:updatable"), QStringLiteral("true"));

    const std::vector<QString> names = rowAttributeNames(store.fields);
    for (size_t i = 0; i < store.fields.size(); ++i) {
        pugi::xml_node definition = rowType.append_child("s:AttributeType");
        if (store.fields[i].fromFile)
            writeStoredDefinition(definition, store.fields[i], int(i) + 1, prefixes);
        else
            writeNewDefinition(definition, store.fields[i], int(i) + 1, names[i]);
    }
    setAttribute(rowType.append_child("s:extends"), QStringLiteral("type"), QStringLiteral("rs:rowbase"));

    root.append_child("rs:data");

    QByteArray out;
    ByteArrayWriter writer(out);
    document.save(writer, "\t",
                  pugi::format_indent | pugi::format_no_declaration | pugi::format_attribute_single_quote,
                  pugi::encoding_utf8);
    if (store.rows.empty()) return out;

    // The rows go where the document holds its empty data element, which ends it.
    static constexpr QByteArrayView kEmptyData = "\t<rs:data />\n</xml>\n";
    if (!out.endsWith(kEmptyData))
        throw PlatformError(err::kBadArgument,
                            QStringLiteral("The XML writer wrote an unexpected data section."));
    out.chop(kEmptyData.size());
    out.append("\t<rs:data>\n");
    RowWriter rows(store, names);
    const qsizetype before = out.size();
    rows.write(out, store.rows.front(), 1);
    // Rows are much alike: room for all of them at once, with some to spare.
    out.reserve(out.size() + (out.size() - before) * qsizetype(store.rows.size()) * 5 / 4);
    for (size_t r = 1; r < store.rows.size(); ++r)
        rows.write(out, store.rows[r], int(r) + 1);
    out.append("\t</rs:data>\n</xml>\n");
    return out;
}

}  // namespace sv::data
