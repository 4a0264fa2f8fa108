#include "emulator/json_text.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>

#include <cmath>
#include <limits>

namespace sv::emu {

namespace {

void appendEscaped(QByteArray& out, unsigned char code) {
    static constexpr char kHex[] = "0123456789abcdef";
    switch (code) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += "\\u00";
            out += kHex[code >> 4];
            out += kHex[code & 0xf];
    }
}

// Escaped as Qt escapes: quote, backslash and control characters; everything else as UTF-8, copied
// in runs between the characters that need an escape.
void appendString(QByteArray& out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    out += '"';
    qsizetype copied = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto code = static_cast<unsigned char>(utf8[i]);
        if (code >= 0x20 && code != '"' && code != '\\') continue;
        out.append(utf8.constData() + copied, i - copied);
        appendEscaped(out, code);
        copied = i + 1;
    }
    out.append(utf8.constData() + copied, utf8.size() - copied);
    out += '"';
}

void appendNumber(QByteArray& out, const QJsonValue& value) {
    constexpr qint64 kNotWhole = std::numeric_limits<qint64>::min();
    const qint64 whole = value.toInteger(kNotWhole);
    const double number = value.toDouble();
    if (whole != kNotWhole)
        out += QByteArray::number(whole);
    else if (std::isfinite(number))
        out += QByteArray::number(number, 'g', QLocale::FloatingPointShortest);
    else
        out += "null";
}

void appendJson(QByteArray& out, const QJsonValue& value) {
    switch (value.type()) {
        case QJsonValue::Bool:
            out += value.toBool() ? "true" : "false";
            break;
        case QJsonValue::Double:
            appendNumber(out, value);
            break;
        case QJsonValue::String:
            appendString(out, value.toString());
            break;
        case QJsonValue::Array: {
            out += '[';
            const QJsonArray array = value.toArray();
            for (qsizetype i = 0; i < array.size(); ++i) {
                if (i > 0) out += ',';
                appendJson(out, array.at(i));
            }
            out += ']';
            break;
        }
        case QJsonValue::Object: {
            out += '{';
            const QJsonObject object = value.toObject();
            for (auto it = object.begin(); it != object.end(); ++it) {
                if (it != object.begin()) out += ',';
                appendString(out, it.key());
                out += ':';
                appendJson(out, it.value());
            }
            out += '}';
            break;
        }
        case QJsonValue::Null:
        case QJsonValue::Undefined:
            out += "null";
            break;
    }
}

}  // namespace

// Written directly, as Qt's compact JSON writes it: Qt's writer takes whole documents only, and
// sorts an object's keys.
QByteArray jsonLine(const JsonFields& fields) {
    QByteArray line;
    line.reserve(256);
    line += '{';
    for (const auto& [key, value] : fields) {
        if (line.size() > 1) line += ',';
        appendString(line, key);
        line += ':';
        appendJson(line, value);
    }
    line += '}';
    return line;
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
