// Feeds arbitrary bytes to the persistence format reader: every input must either give a store
// or a PlatformError, never a crash, a hang or a leak. A store that was read must also write.
// The reader's two ways, straight from the bytes and through the document, must agree: the same
// error, or stores that write the same file.
#include "platform/data/persist_xml.h"
#include "platform/error.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

// The written file of what `read` gives, or the error it raises.
template <class Read>
std::pair<std::optional<QByteArray>, QString> outcome(Read read) {
    try {
        return {sv::data::writePersistedXml(read()), {}};
    } catch (const sv::PlatformError& e) {
        return {std::nullopt, QString::number(e.number()) + QLatin1Char(' ') + e.description()};
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto straight = outcome([&] { return sv::data::readPersistedXml(bytes); });
    const auto viaDocument = outcome([&] { return sv::data::readPersistedXmlThroughDocument(bytes); });
    if (straight != viaDocument) {
        std::fprintf(stderr, "The two ways of reading disagree:\n%s\n%s\n", qPrintable(straight.second),
                     qPrintable(viaDocument.second));
        std::abort();
    }
    return 0;
}
