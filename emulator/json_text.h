#pragma once
// JSON lines as the emulator writes them (call log, `quorvant-host sql`): one object per line,
// its keys in the order given, not sorted.

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QVariant>
#include <utility>
#include <vector>

namespace sv::emu {

using JsonFields = std::vector<std::pair<QString, QJsonValue>>;

// The object as one line of compact JSON in UTF-8, without the line break.
QByteArray jsonLine(const JsonFields& fields);

// A plain value as JSON: Null and Empty give null, numbers and booleans stay what they are,
// dates are written in ISO 8601, everything else as its text.
QJsonValue jsonValue(const QVariant& value);

}  // namespace sv::emu
