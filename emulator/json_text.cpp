#include "emulator/json_text.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

namespace sv::emu {

namespace {

// Qt writes whole documents only: write the value as the one element of an array and take
// the brackets off, so that quoting and escaping stay Qt's.
QString jsonText(const QJsonValue& value) {
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

}  // namespace

QString jsonLine(const JsonFields& fields) {
    QString line = QStringLiteral("{");
    for (const auto& [key, value] : fields) {
        if (line.size() > 1) line += u',';
        line += jsonText(key) + u':' + jsonText(value);
    }
    return line + u'}';
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
