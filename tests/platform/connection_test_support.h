#pragma once
// Helpers shared by the connection tests.

#include "platform/data/store.h"
#include "platform/error.h"

#include <QFile>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QVariant& value, std::ostream* out) {
    if (!value.isValid())
        *out << "Empty";
    else if (value.isNull())
        *out << "Null";
    else
        *out << value.typeName() << ' ' << value.toString().toStdString();
}

namespace sv::data {
inline void PrintTo(FieldType type, std::ostream* out) {
    *out << "FieldType(" << int(type) << ')';
}
}  // namespace sv::data

namespace sv::testing {

// The PlatformError that action throws; nullopt when it throws none.
inline std::optional<PlatformError> errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const PlatformError& error) {
        return error;
    }
    return std::nullopt;
}

// An empty file, which SQLite opens as an empty database.
inline void createEmptyFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) throw PlatformError(err::kPermissionDenied, path);
}

}  // namespace sv::testing
