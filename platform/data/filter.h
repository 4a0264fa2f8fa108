#pragma once
// Filter texts of a record set: criteria "FIELD = 'text'" (a doubled quote inside stands for one)
// and "FIELD = number", joined by AND in any letter case; "" is no filter. Texts compare without
// regard to letter case; a number matches a field whose value reads as that number ("1" = 1).
// On a GUID field, GUIDs compare as GUIDs: braces and letter case do not matter.

#include "store.h"

#include <QString>
#include <vector>

namespace sv::data {

struct Criterion {
    int field = -1;                    // index into Store::fields
    FieldType type = FieldType::Text;  // of that field
    bool numeric = false;
    QString text;  // the quoted text's filter key
    double number = 0;

    bool matches(const QVariant& value) const;
    // The same for a cell as the file spells it (UTF-8), without decoding it. Only text fields
    // keep their cells so: the criterion's field is a text field.
    bool matchesText(const char* utf8) const;
};

struct Filter {
    std::vector<Criterion> criteria;  // all must hold; empty: every row
    bool matches(const Row& row) const;
};

// Parses a filter text against a store's fields. Throws PlatformError: err::kBadArgument for a
// text that does not parse, err::kItemNotFound for a field the store does not define.
Filter parseFilter(const QString& text, const Store& store);

// The key under which a text criterion looks up a value of a field of the given type: its text,
// case-folded; on a GUID field a GUID's platform text, so that "{A-..}" and "a-.." meet.
QString filterKey(const QVariant& value, FieldType type);
// The key of a text field's cell as the file spells it (UTF-8): filterKey of its value.
QString textFilterKey(const char* utf8);

}  // namespace sv::data
