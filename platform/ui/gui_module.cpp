#include "platform/ui/gui_module.h"

#include "platform/descriptor.h"

#include <QByteArray>
#include <QFile>

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

namespace sv::ui {

namespace {

using Ehdr = ElfW(Ehdr);
using Phdr = ElfW(Phdr);
using Nhdr = ElfW(Nhdr);

// Note segments are small; a larger one is not read.
constexpr ElfW(Xword) kMaxNoteSegment = 64 * 1024UL;

// Reads exactly size bytes at offset; false when the file ends before or can't be read.
bool readAt(int fd, void* buffer, size_t size, off_t offset) {
    auto* at = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t n = ::pread(fd, at, size, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        at += n;
        size -= size_t(n);
        offset += n;
    }
    return true;
}

// The ELF header of the library that holds this code, mapped with it: the module must match its
// class, byte order and machine.
const Ehdr* ownHeader() {
    Dl_info info{};
    return dladdr(reinterpret_cast<void*>(&ownHeader), &info) != 0 ? static_cast<const Ehdr*>(info.dli_fbase)
                                                                   : nullptr;
}

bool fitsThisMachine(const Ehdr& header) {
    const Ehdr* own = ownHeader();
    return own && std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
           header.e_ident[EI_CLASS] == own->e_ident[EI_CLASS] &&
           header.e_ident[EI_DATA] == own->e_ident[EI_DATA] && header.e_type == ET_DYN &&
           header.e_machine == own->e_machine && header.e_phentsize == sizeof(Phdr) && header.e_phnum > 0;
}

bool endsWithin(const Phdr& segment, off_t fileSize) {
    const auto size = ElfW(Off)(fileSize);
    return segment.p_offset <= size && segment.p_filesz <= size - segment.p_offset;
}

size_t roundUp(size_t value, size_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

// The stamp among the notes of one note segment.
std::optional<QByteArray> stampAmong(const std::vector<char>& notes, size_t alignment) {
    static constexpr char kName[] = SV_STAMP_NOTE_NAME;
    size_t at = 0;
    while (at + sizeof(Nhdr) <= notes.size()) {
        Nhdr note{};
        std::memcpy(&note, notes.data() + at, sizeof note);
        const size_t name = at + sizeof note;
        const size_t desc = name + roundUp(note.n_namesz, alignment);
        const size_t next = desc + roundUp(note.n_descsz, alignment);
        if (next > notes.size()) return std::nullopt;
        if (note.n_type == SV_STAMP_NOTE_TYPE && note.n_namesz == sizeof kName &&
            std::memcmp(notes.data() + name, kName, sizeof kName) == 0)
            return QByteArray(notes.data() + desc, qsizetype(::strnlen(notes.data() + desc, note.n_descsz)));
        at = next;
    }
    return std::nullopt;
}

std::optional<QByteArray> stampOf(int fd, const std::vector<Phdr>& segments) {
    for (const Phdr& segment : segments) {
        if (segment.p_type != PT_NOTE || segment.p_filesz > kMaxNoteSegment) continue;
        std::vector<char> notes(segment.p_filesz);
        if (!readAt(fd, notes.data(), notes.size(), off_t(segment.p_offset))) continue;
        if (auto stamp = stampAmong(notes, segment.p_align == 8 ? 8 : 4)) return stamp;
    }
    return std::nullopt;
}

QString unreadable(int error) {
    return QStringLiteral("can't be read: %1").arg(QString::fromLocal8Bit(std::strerror(error)));
}

// What is wrong with the open file, if anything.
std::optional<QString> fileProblem(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) return unreadable(errno);
    if (!S_ISREG(status.st_mode)) return QStringLiteral("is not a regular file");
    Ehdr header{};
    if (!readAt(fd, &header, sizeof header, 0) || !fitsThisMachine(header))
        return QStringLiteral("is not a shared library for this machine");
    std::vector<Phdr> segments(header.e_phnum);
    if (!readAt(fd, segments.data(), segments.size() * sizeof(Phdr), off_t(header.e_phoff)))
        return QStringLiteral("is truncated: its program headers are cut off (%1 bytes)").arg(status.st_size);
    for (const Phdr& segment : segments)
        if (segment.p_type == PT_LOAD && !endsWithin(segment, status.st_size))
            return QStringLiteral("is truncated: a loadable segment ends at byte %1, the file has %2 bytes")
                .arg(segment.p_offset + segment.p_filesz)
                .arg(status.st_size);
    const std::optional<QByteArray> stamp = stampOf(fd, segments);
    if (!stamp) return QStringLiteral("carries no build stamp: it is no GUI module of Sondervik");
    if (*stamp != SV_BUILD_STAMP)
        return QStringLiteral("is of another version or build (%1, this program is %2)")
            .arg(QString::fromLatin1(*stamp), QLatin1String(SV_BUILD_STAMP));
    return std::nullopt;
}

}  // namespace

LoadedModule loadGuiModule(const QString& path) {
    // Non-blocking, so that a FIFO does not wait for a writer.
    const Descriptor fd(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        const QString problem =
            errno == ELOOP ? QStringLiteral("is a symbolic link, which is not followed") : unreadable(errno);
        return {nullptr, QStringLiteral("%1 %2").arg(path, problem)};
    }
    if (const std::optional<QString> problem = fileProblem(fd.get()))
        return {nullptr, QStringLiteral("%1 %2").arg(path, *problem)};
    // Through the descriptor: the file loaded is the one checked, whatever has become of the path.
    const QByteArray checked = "/proc/self/fd/" + QByteArray::number(fd.get());
    void* handle = dlopen(checked.constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle) return {handle, QString()};
    const char* error = dlerror();
    return {nullptr, QStringLiteral("%1: %2").arg(
                         path, error ? QString::fromLocal8Bit(error) : QStringLiteral("unknown error"))};
}

}  // namespace sv::ui
