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

Row::Row(std::shared_ptr<const CellTexts> texts, size_t first, size_t count, std::vector<QVariant> values)
    : values_(std::move(values)), first_(first), count_(count) {
    for (size_t i = 0; i < count; ++i) {
        const char* text = texts->cells[first + i];
        if (!text) continue;
        if (i < 64) {
            pending_ |= std::uint64_t(1) << i;
        } else {
            if (values_.empty()) values_.assign(count, nullVariant());
            values_[i] = QString::fromUtf8(text);
        }
    }
    if (pending_)
        texts_ = std::move(texts);
    else if (values_.empty())
        values_.assign(count, nullVariant());
}

// Values are made when a cell is first used: a row nobody reads costs no allocation.
void Row::decode(size_t i) const {
    if (values_.empty()) values_.assign(count_, nullVariant());
    const std::uint64_t bit = i < 64 ? std::uint64_t(1) << i : 0;
    if (!(pending_ & bit)) return;
    values_[i] = QString::fromUtf8(texts_->cells[first_ + i]);
    pending_ &= ~bit;
    if (!pending_) texts_.reset();
}

const std::vector<QVariant>& Row::decodedAll() const {
    for (size_t i = 0; pending_; ++i)
        decode(i);
    return values_;
}

std::vector<QVariant>& Row::materialized() {
    decodedAll();
    return values_;
}

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
