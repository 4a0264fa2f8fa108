#pragma once
// The one way a text value goes into an SQL statement: as a quoted literal whose own quotes
// are doubled, so that no value can end the literal and add SQL of its own.

#include <QString>

namespace sv::data {

// 'value' with every single quote doubled: x' OR '1'='1 gives 'x'' OR ''1''=''1'.
inline QString sqlText(const QString& value) {
    QString quoted;
    quoted.reserve(value.size() + 2);
    quoted += u'\'';
    qsizetype from = 0;
    for (qsizetype quote; (quote = value.indexOf(u'\'', from)) >= 0; from = quote + 1)
        quoted.append(QStringView(value).mid(from, quote + 1 - from)).append(u'\'');
    quoted.append(QStringView(value).mid(from)).append(u'\'');
    return quoted;
}

}  // namespace sv::data
