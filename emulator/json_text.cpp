#include "emulator/json_text.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

namespace sv::emu {

// Qt writes whole documents only, and an object's keys sorted. So keys and values go into one
// array, written once (quoting and escaping stay Qt's), whose top-level elements are then paired
// up as key and value in the order given.
QString jsonLine(const JsonFields& fields) {
    QJsonArray items;
    for (const auto& [key, value] : fields) {
        items.append(key);
        items.append(value);
    }
    const QByteArray array = QJsonDocument(items).toJson(QJsonDocument::Compact);
    QByteArray line;
    line.reserve(array.size());
    line += '{';
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    bool valueNext = true;
    for (qsizetype i = 1; i < array.size() - 1; ++i) {
        char c = array.at(i);
        if (inString) {
            inString = escaped || c != '"';
            escaped = !escaped && c == '\\';
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            ++depth;
        } else if (c == ']' || c == '}') {
            --depth;
        } else if (c == ',' && depth == 0) {
            c = valueNext ? ':' : ',';
            valueNext = !valueNext;
        }
        line += c;
    }
    line += '}';
    return QString::fromUtf8(line);
}

QJsonValue jsonValue(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return QJsonValue::Null;
    switch (value.typeId()) {
        case QMetaType::Bool:
            return value.toBool();
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::LongLong:
            return value.toLongLong();
        case QMetaType::Double:
        case QMetaType::Float:
            return value.toDouble();
        case QMetaType::QDateTime:
            return value.toDateTime().toString(Qt::ISODateWithMs);
        case QMetaType::QDate:
            return value.toDate().toString(Qt::ISODate);
        case QMetaType::QByteArray:
            return QString::fromLatin1(value.toByteArray().toBase64());
        default:
            return value.toString();
    }
}

}  // namespace sv::emu
