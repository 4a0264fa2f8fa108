#include "store.h"

#include "platform/error.h"
#include "platform/variant.h"

#include <QDateTime>

namespace sv::data {

namespace {

[[noreturn]] void raiseMismatch(const FieldDef& field, const QVariant& value) {
    throw PlatformError(err::kFieldNotWritable,
                        QStringLiteral("Multiple-step operation generated errors. Check each status value. "
                                       "(value '%1' does not fit field '%2')")
                            .arg(toText(value), field.name));
}

QVariant toNumber(const FieldDef& field, const QVariant& value, QMetaType::Type target) {
    QVariant converted = value;
    if (value.typeId() == QMetaType::QString) {
        bool ok = false;
        const QString text = value.toString().trimmed();
        if (target == QMetaType::Double)
            converted = text.toDouble(&ok);
        else
            converted = text.toLongLong(&ok);
        if (!ok) raiseMismatch(field, value);
    }
    if (!converted.convert(QMetaType(target))) raiseMismatch(field, value);
    return converted;
}

}  // namespace

QVariant coerceToField(const FieldDef& field, const QVariant& value) {
    if (!value.isValid() || value.isNull()) return nullVariant();
    switch (field.type) {
        case FieldType::Text:
        case FieldType::Guid:
        case FieldType::Decimal:
            if (value.typeId() == QMetaType::Bool)
                return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
            return toText(value);
        case FieldType::Int:
            return toNumber(field, value, QMetaType::Int);
        case FieldType::BigInt:
            return toNumber(field, value, QMetaType::LongLong);
        case FieldType::Double:
            return toNumber(field, value, QMetaType::Double);
        case FieldType::Bool: {
            if (value.typeId() == QMetaType::QString) {
                const QString text = value.toString().trimmed().toLower();
                if (text == u"true" || text == u"1" || text == u"-1") return true;
                if (text == u"false" || text == u"0") return false;
                raiseMismatch(field, value);
            }
            return value.toBool();
        }
        case FieldType::DateTime: {
            if (value.typeId() == QMetaType::QDateTime) return value;
            const QDateTime parsed = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
            if (!parsed.isValid()) raiseMismatch(field, value);
            return parsed;
        }
        case FieldType::Binary:
            return value.toByteArray();
    }
    return value;
}

}  // namespace sv::data
