#pragma once
// Null and Empty as the automation platform tells them apart:
//   Empty = a QVariant that holds nothing (invalid),
//   Null  = a valid QVariant whose value is null (a database Null).

#include <QVariant>

namespace sv {

inline QVariant nullVariant() {
    return QVariant::fromValue(nullptr);
}

inline bool isEmptyValue(const QVariant& v) {
    return !v.isValid();
}
inline bool isNullValue(const QVariant& v) {
    return v.isValid() && v.isNull();
}

// The value taken as text: Null and Empty give the empty text.
inline QString toText(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return {};
    if (v.typeId() == QMetaType::Bool) return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return v.toString();
}

}  // namespace sv
