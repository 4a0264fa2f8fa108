// Feeds arbitrary filter texts to the parser and applies what parses to a small store: every input
// must either fail with the platform's error or give a filter that evaluates without fault.

#include "platform/data/filter.h"
#include "platform/error.h"
#include "platform/variant.h"

#include <cstddef>
#include <cstdint>

namespace {

const sv::data::Store& sampleStore() {
    static const sv::data::Store store = [] {
        sv::data::Store s;
        for (const char* name : {"DSN", "OBJ", "AKTSTART", "AKTART_DSN"}) {
            sv::data::FieldDef f;
            f.name = QString::fromLatin1(name);
            s.fields.push_back(f);
        }
        s.rows.push_back({QVariant("P1"), QVariant("1"), QVariant("0"), QVariant("T")});
        s.rows.push_back({QVariant("O'Neil"), sv::nullVariant(), QVariant("1"), QVariant(true)});
        s.rows.push_back({QVariant(""), QVariant(1.5), QVariant("x"), QVariant(qint64(-7))});
        return s;
    }();
    return store;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const sv::data::Filter filter = sv::data::parseFilter(text, sampleStore());
        for (const sv::data::Row& row : sampleStore().rows)
            (void)filter.matches(row);
    } catch (const sv::PlatformError&) {
    }
    return 0;
}
