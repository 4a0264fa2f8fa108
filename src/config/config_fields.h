#pragma once
// The fields of the configuration file, in the file's order: what each one is, its value in the
// default file, and what the other parts of the program make of it. Every list of fields in the
// program is derived from this table; HACKING.md says how to add one.

#include <QLatin1String>
#include <QString>

#include <iterator>
#include <string_view>

namespace sv::config {

enum class FieldRole {
    processDsn,      // the process definition the row belongs to
    linkFlag,        // "1": a start demands this link of the activity
    startEventFlag,  // "1": an automatic run for the event starts the process by itself
    typeDsn,         // the process's start-activity type, copied from its definition
};

// The oldest files hold only DSN and the four link flags; every field added since may be missing
// from a file until the configurator's upgrade gives it its default.
enum class Since { firstLayout, laterLayout };

struct ConfigField {
    const char* name;
    FieldRole role;
    Since since;
    // A flag's text in the default file; for a DSN, the column of BusinessProcess it is taken from.
    const char* defaultValue;
    const char* box = nullptr;            // a flag's check box in the configurator
    const char* activityField = nullptr;  // a link flag's field of the activity, Null when unlinked
    const char* refusalLine = nullptr;    // a link flag's line in the message of a refused start
};

inline constexpr ConfigField kFields[] = {
    {"DSN", FieldRole::processDsn, Since::firstLayout, "DSN"},
    {"OBJ", FieldRole::linkFlag, Since::firstLayout, "0", "chk_OBJ", "OBJ_DSN", "- Eine Objektverknüpfung"},
    {"AD", FieldRole::linkFlag, Since::firstLayout, "0", "chk_AD", "AD_DSN", "- Eine Adress1verknüpfung"},
    {"ADB", FieldRole::linkFlag, Since::firstLayout, "0", "chk_AD_B", "AD_B_DSN",
     "- Eine Adress2verknüpfung"},
    {"PRJ", FieldRole::linkFlag, Since::firstLayout, "0", "chk_PRJ", "PROJEKTE_DSN",
     "- Eine Projektverknüpfung"},
    {"AKTSTART", FieldRole::startEventFlag, Since::laterLayout, "0", "chkAKTNew"},
    {"AKTERLEDIGT", FieldRole::startEventFlag, Since::laterLayout, "0", "chkStartOnDone"},
    {"AKTUPDATE", FieldRole::startEventFlag, Since::laterLayout, "0", "chkUpdate"},
    {"AKTART_DSN", FieldRole::typeDsn, Since::laterLayout, "StartActivityType_DSN"},
};

constexpr bool isFlag(const ConfigField& field) {
    return field.role == FieldRole::linkFlag || field.role == FieldRole::startEventFlag;
}

// The position of the field of that name in the table; -1 for any other name (compared exactly).
constexpr int fieldIndex(const char* name) {
    for (int i = 0; i < int(std::size(kFields)); ++i)
        if (std::string_view(kFields[i].name) == std::string_view(name)) return i;
    return -1;
}

// The field of that name; nullptr for any other name.
inline const ConfigField* fieldNamed(const char* name) {
    const int index = fieldIndex(name);
    return index < 0 ? nullptr : &kFields[index];
}

inline QString nameOf(const ConfigField& field) {
    return QLatin1String(field.name);
}

// The one field of the role (processDsn or typeDsn).
constexpr const ConfigField& onlyFieldOf(FieldRole role) {
    for (const ConfigField& field : kFields)
        if (field.role == role) return field;
    return kFields[0];  // unreachable: the table is checked below
}

// The table's own rules, checked when it is compiled.
constexpr bool fieldsAreConsistent() {
    int dsns = 0;
    int types = 0;
    for (const ConfigField& field : kFields) {
        if (fieldIndex(field.name) != int(&field - kFields)) return false;  // names are unique
        if (isFlag(field) != (field.box != nullptr)) return false;
        if ((field.role == FieldRole::linkFlag) != (field.activityField && field.refusalLine)) return false;
        dsns += field.role == FieldRole::processDsn;
        types += field.role == FieldRole::typeDsn;
    }
    return dsns == 1 && types == 1 && kFields[0].role == FieldRole::processDsn &&
           kFields[0].since == Since::firstLayout;
}
static_assert(fieldsAreConsistent(), "every field once, flags with a box, links with their texts");

}  // namespace sv::config
