#include "persist_plain_rows.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

namespace sv::data::plain {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The bytes of names, ASCII only: a name with other letters is left to the document reader.
enum NameByte : unsigned char { kNotInName, kInName, kStartsName };

constexpr std::array<NameByte, 256> kNameBytes = [] {
    std::array<NameByte, 256> bytes{};
    for (int c = 0; c < 256; ++c) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':')
            bytes[size_t(c)] = kStartsName;
        else if ((c >= '0' && c <= '9') || c == '-' || c == '.')
            bytes[size_t(c)] = kInName;
    }
    return bytes;
}();

bool isNameStart(char c) {
    return kNameBytes[static_cast<unsigned char>(c)] == kStartsName;
}

bool isNameChar(char c) {
    return kNameBytes[static_cast<unsigned char>(c)] != kNotInName;
}

// A byte the document reader keeps as it is in a value quoted with `quote`: no markup, no escape,
// no line end or tab that it would turn into a space.
bool isPlainValueByte(char c, char quote) {
    return static_cast<unsigned char>(c) >= 0x20 && c != '<' && c != '&' && c != quote;
}

// Where the plain bytes of a value that begins at `p` end, and whether all of them are ASCII.
// Values are most of a file: eight bytes are tested at a time for one that ends the value, the
// first such byte being the lowest flagged one.
template <class Char>
[[gnu::always_inline]] inline Char* plainValueEnd(Char* p, Char* end, char quote, bool& ascii) {
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    constexpr std::uint64_t kHighs = 0x8080808080808080;
    // The high bit of each byte of `word` below `bound` (at most 0x80), or equal to `byte`; exact up
    // to the lowest one, which is all that is used.
    const auto below = [](std::uint64_t word, std::uint8_t bound) {
        return (word - kOnes * bound) & ~word & kHighs;
    };
    const auto equal = [&](std::uint64_t word, char byte) {
        return below(word ^ (kOnes * static_cast<unsigned char>(byte)), 1);
    };
    std::uint64_t seen = 0;
    if constexpr (std::endian::native == std::endian::little) {
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            const std::uint64_t stops =
                below(word, 0x20) | equal(word, '<') | equal(word, '&') | equal(word, quote);
            if (stops) {
                const int length = std::countr_zero(stops) / 8;
                seen |= word & ((std::uint64_t(1) << (8 * length)) - 1);
                ascii = !(seen & kHighs);
                return p + length;
            }
            seen |= word;
            p += 8;
        }
    }
    for (; p < end && isPlainValueByte(*p, quote); ++p)
        seen |= static_cast<unsigned char>(*p);
    ascii = !(seen & kHighs);
    return p;
}

template <class Char>
Char* skipSpace(Char* p, Char* end) {
    while (p < end && isSpace(*p))
        ++p;
    return p;
}

// Reads a tag's attributes from just after its name up to the '/' or '>' that ends the tag, and
// returns where that is; nullptr when the tag is not plain. Plain is `name='value'` or
// `name="value"`, whitespace before each; a namespace declaration is not plain: it changes what the
// names mean. Writable bytes get each name (over its '=') and value (over its closing quote) ended
// with NUL once the attribute has been read whole, listed in `attributes`, and `written` moved past.
template <class Char>
Char* scanAttributes(Char* p, Char* end, std::vector<RawAttribute>* attributes, Char** written) {
    for (;;) {
        Char* const gap = p;
        p = skipSpace(p, end);
        if (p == end) return nullptr;
        if (*p == '/' || *p == '>') return p;
        if (p == gap || !isNameStart(*p)) return nullptr;
        Char* const name = p;
        while (p < end && isNameChar(*p))
            ++p;
        Char* const equals = p;
        if (name[0] == 'x' && equals - name >= 5 && std::memcmp(name, "xmlns", 5) == 0) return nullptr;
        if (end - p < 2 || *p != '=' || (p[1] != '"' && p[1] != '\'')) return nullptr;
        const char quote = p[1];
        Char* const value = p + 2;
        bool ascii = false;
        p = plainValueEnd(value, end, quote, ascii);
        if (p == end || *p != quote) return nullptr;
        if constexpr (!std::is_const_v<Char>) {
            *equals = '\0';
            *p = '\0';
            attributes->push_back({name, value, ascii});
            *written = p + 1;
        }
        ++p;
    }
}

// Undoes what scanAttributes wrote before `written`, where every NUL is one it wrote: a name's end,
// with the value's opening quote right after it, then that value's end.
void restore(char* p, char* written) {
    while ((p = static_cast<char*>(std::memchr(p, '\0', size_t(written - p))))) {
        *p = '=';
        const char quote = p[1];
        p = static_cast<char*>(std::memchr(p + 2, '\0', size_t(written - p - 2)));
        *p++ = quote;
    }
}

// An end tag `</name>` that ends, whitespace aside, just before `at`: where its '<' is and its name.
std::optional<std::pair<qsizetype, QByteArrayView>> endTagBefore(QByteArrayView bytes, qsizetype at) {
    qsizetype p = at;
    while (p > 0 && isSpace(bytes[p - 1]))
        --p;
    if (p == 0 || bytes[p - 1] != '>') return std::nullopt;
    --p;
    while (p > 0 && isSpace(bytes[p - 1]))
        --p;
    const qsizetype nameEnd = p;
    while (p > 0 && isNameChar(bytes[p - 1]))
        --p;
    if (p == nameEnd || !isNameStart(bytes[p]) || p < 2 || bytes[p - 1] != '/' || bytes[p - 2] != '<')
        return std::nullopt;
    return std::pair(p - 2, bytes.sliced(p, nameEnd - p));
}

}  // namespace

bool readsAsUtf8(QByteArrayView bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) return true;
    if (!bytes.startsWith("<?xm")) return true;
    const qsizetype end = bytes.indexOf("?>");
    if (end < 0) return false;
    const QByteArrayView declaration = bytes.first(end);
    const qsizetype at = declaration.indexOf("encoding");
    if (at < 0) return true;
    const QByteArrayView value = declaration.sliced(at + 8).trimmed();
    if (!value.startsWith('=')) return false;
    const QByteArrayView quoted = value.sliced(1).trimmed();
    if (quoted.isEmpty() || (quoted[0] != '"' && quoted[0] != '\'')) return false;
    const qsizetype close = quoted.indexOf(quoted[0], 1);
    if (close < 0) return false;
    const QByteArrayView name = quoted.sliced(1, close - 1);
    return name.compare("UTF-8", Qt::CaseInsensitive) == 0 || name.compare("UTF8", Qt::CaseInsensitive) == 0;
}

std::optional<DataSection> findDataSection(QByteArrayView bytes) {
    const auto rootEnd = endTagBefore(bytes, bytes.size());
    if (!rootEnd) return std::nullopt;
    const auto dataEnd = endTagBefore(bytes, rootEnd->first);
    if (!dataEnd) return std::nullopt;
    const QByteArrayView name = dataEnd->second;
    for (qsizetype at = bytes.indexOf(name); at > 0 && at < dataEnd->first;
         at = bytes.indexOf(name, at + 1)) {
        if (bytes[at - 1] != '<') continue;
        const char* const end = bytes.data() + dataEnd->first;
        const char* const tagEnd =
            scanAttributes<const char>(bytes.data() + at + name.size(), end, nullptr, nullptr);
        if (!tagEnd || *tagEnd != '>') return std::nullopt;
        return DataSection{at, tagEnd + 1 - bytes.data(), dataEnd->first};
    }
    return std::nullopt;
}

QByteArrayView firstRowName(QByteArrayView content) {
    const char* p = skipSpace(content.data(), content.data() + content.size());
    const char* const end = content.data() + content.size();
    if (p == end || *p != '<' || ++p == end || !isNameStart(*p)) return {};
    const char* const name = p;
    while (p < end && isNameChar(*p))
        ++p;
    return QByteArrayView(name, p - name);
}

bool readPlainRows(char* begin, char* end, QByteArrayView rowName,
                   const std::function<void(const std::vector<RawAttribute>&)>& row) {
    const qsizetype nameLength = rowName.size();
    std::vector<RawAttribute> attributes;
    char* written = begin;
    for (char* p = begin;;) {
        p = skipSpace(p, end);
        if (p == end) return true;
        if (*p != '<' || nameLength == 0 || end - p <= nameLength ||
            std::memcmp(p + 1, rowName.data(), size_t(nameLength)) != 0)
            break;
        attributes.clear();
        p = scanAttributes(p + 1 + nameLength, end, &attributes, &written);
        if (!p || end - p < 2 || p[0] != '/' || p[1] != '>') break;
        p += 2;
        row(attributes);
    }
    restore(begin, written);
    return false;
}

}  // namespace sv::data::plain
