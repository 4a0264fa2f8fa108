#pragma once
// How every road reads a flag of the configuration file: the link check, the automatic start and
// the configurator's boxes.

#include "platform/variant.h"

#include <QVariant>

namespace sv::config {

// A flag is on only when its value is the number 1, compared as filters compare numbers ("1",
// " 1 ", "1.0"). Anything else is off: no value, "0", "2", "-1", "", "true", "nan", and a value of
// a boolean-typed field, whose True is no number.
inline bool isFlagOn(const QVariant& flag) {
    if (flag.typeId() == QMetaType::Bool) return false;
    bool isNumber = false;
    const double value = toText(flag).trimmed().toDouble(&isNumber);
    return isNumber && value == 1;
}

}  // namespace sv::config
