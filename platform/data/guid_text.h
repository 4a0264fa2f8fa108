#pragma once
// GUIDs as the platform's record sets give them: text in braces, upper case.

#include <QRegularExpression>
#include <QString>
#include <optional>

namespace sv::data {

// The platform's text of a GUID given with or without braces, in any letter case
// ("6b29fc40-ca47-1067-b31d-00dd010662da" gives "{6B29FC40-CA47-1067-B31D-00DD010662DA}");
// nullopt for a text that is no GUID.
inline std::optional<QString> platformGuidText(const QString& text) {
    static const QRegularExpression guid(QStringLiteral(
        "^\\{?([0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12})\\}?$"));
    const QRegularExpressionMatch match = guid.match(text);
    const bool braced = text.startsWith(u'{');
    if (!match.hasMatch() || braced != text.endsWith(u'}')) return std::nullopt;
    return u'{' + match.captured(1).toUpper() + u'}';
}

// Whether two DSN texts name the same row: equal but for letter case, or the same GUID with or
// without braces.
inline bool sameDsn(const QString& a, const QString& b) {
    if (a.compare(b, Qt::CaseInsensitive) == 0) return true;
    const std::optional<QString> guid = platformGuidText(a);
    return guid && guid == platformGuidText(b);
}

}  // namespace sv::data
