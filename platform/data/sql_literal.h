#pragma once
// The one way a text value goes into an SQL statement: as a quoted literal whose own quotes
// are doubled, so that no value can end the literal and add SQL of its own.

#include <QString>

namespace sv::data {

// 'value' with every single quote doubled: x' OR '1'='1 gives 'x'' OR ''1''=''1'.
inline QString sqlText(const QString& value) {
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

}  // namespace sv::data
