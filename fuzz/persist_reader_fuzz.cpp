// Feeds arbitrary bytes to the persistence format reader: every input must either give a store
// or a PlatformError, never a crash, a hang or a leak. A store that was read must also write.
#include "platform/data/persist_xml.h"
#include "platform/error.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const sv::data::Store store = sv::data::readPersistedXml(bytes);
        sv::data::writePersistedXml(store);
    } catch (const sv::PlatformError&) {
        // Bad input is reported, which is all that is asked of it.
    }
    return 0;
}
