#include "files.h"

#include "descriptor.h"
#include "error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <optional>
#include <thread>
#include <utility>

namespace sv::files {

namespace {

constexpr int kTemporaryAttempts = 100;
constexpr std::chrono::milliseconds kLockPollInterval{20};
const QString kTemporaryMark = QStringLiteral(".tmp-");

QByteArray encoded(const QString& native) {
    return QFile::encodeName(native);
}

const char* entryKind(mode_t mode) {
    if (S_ISLNK(mode)) return "a symbolic link";
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISSOCK(mode)) return "a socket";
    return "a device";
}

[[noreturn]] void raiseNotRegular(const QString& native, mode_t mode) {
    throw PlatformError(err::kPermissionDenied,
                        QStringLiteral("Permission denied: %1 (%2, not a regular file)")
                            .arg(native, QLatin1String(entryKind(mode))));
}

// The platform's error for a failed system call on the path.
[[noreturn]] void raiseForErrno(const QString& native, int error) {
    struct stat entry {};
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            if (error == ENOTDIR || !QFileInfo(native).dir().exists())
                throw PlatformError(err::kPathNotFound, QStringLiteral("Path not found: %1").arg(native));
            throw PlatformError(err::kFileNotFound, QStringLiteral("File not found: %1").arg(native));
        case ENOSPC:
        case EDQUOT:
            throw PlatformError(err::kDiskFull, QStringLiteral("Disk full: %1").arg(native));
        case ELOOP:
        case EISDIR:
            if (lstat(encoded(native).constData(), &entry) == 0 && !S_ISREG(entry.st_mode))
                raiseNotRegular(native, entry.st_mode);
            break;
        default:
            break;
    }
    throw PlatformError(err::kPermissionDenied,
                        QStringLiteral("Permission denied: %1 (%2)")
                            .arg(native, QString::fromLocal8Bit(std::strerror(error))));
}

// What is at the path, without following a link; nullopt when nothing is.
std::optional<struct stat> entryAt(const QString& native) {
    struct stat entry {};
    if (lstat(encoded(native).constData(), &entry) == 0) return entry;
    if (errno != ENOENT) raiseForErrno(native, errno);
    return std::nullopt;
}

void writeAll(int fd, const QByteArray& content, const QString& native) {
    for (qsizetype done = 0; done < content.size();) {
        const ssize_t n = ::write(fd, content.constData() + done, size_t(content.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) raiseForErrno(native, errno);
        done += n;
    }
}

// Makes the folder's new entries last across a power cut; a folder that can't be synced costs
// nothing but that.
void syncFolder(const QString& native) {
    const int fd = ::open(encoded(QFileInfo(native).path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// A complete copy of the content in a new file beside the target, flushed to disk; its native
// path. On failure nothing is left and the error names the target.
QString writeTemporary(const QString& target, const QByteArray& content, std::optional<mode_t> mode) {
    static const QString letters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        QString name = target + kTemporaryMark;
        for (int i = 0; i < 6; ++i)
            name += letters.at(int(QRandomGenerator::global()->bounded(quint32(letters.size()))));
        Descriptor fd(
            ::open(encoded(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (fd.get() < 0 && errno == EEXIST) continue;
        if (fd.get() < 0) raiseForErrno(target, errno);
        try {
            if (mode && ::fchmod(fd.get(), *mode) != 0) raiseForErrno(target, errno);
            writeAll(fd.get(), content, target);
            if (::fsync(fd.get()) != 0 || fd.close() != 0) raiseForErrno(target, errno);
        } catch (const PlatformError&) {
            ::unlink(encoded(name).constData());
            throw;
        }
        return name;
    }
    throw PlatformError(err::kPermissionDenied,
                        QStringLiteral("Permission denied: %1 (no temporary file beside it)").arg(target));
}

}  // namespace

QString nativePath(const QString& path) {
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return p;
}

bool fileExists(const QString& path) {
    struct stat entry {};
    return ::stat(encoded(nativePath(path)).constData(), &entry) == 0 && S_ISREG(entry.st_mode);
}

std::optional<FileStamp> fileStamp(const QString& path) {
    struct stat entry {};
    if (::lstat(encoded(nativePath(path)).constData(), &entry) != 0 || !S_ISREG(entry.st_mode))
        return std::nullopt;
    const auto nanoseconds = [](const timespec& t) {
        return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
    };
    return FileStamp{std::uint64_t(entry.st_dev), std::uint64_t(entry.st_ino), std::int64_t(entry.st_size),
                     nanoseconds(entry.st_mtim), nanoseconds(entry.st_ctim)};
}

bool entryExists(const QString& path) {
    struct stat entry {};
    return ::lstat(encoded(nativePath(path)).constData(), &entry) == 0;
}

QByteArray readFile(const QString& path) {
    const QString native = nativePath(path);
    // Not blocking, so that a named pipe is refused instead of waited on.
    Descriptor fd(::open(encoded(native).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) raiseForErrno(native, errno);
    struct stat entry {};
    if (::fstat(fd.get(), &entry) != 0) raiseForErrno(native, errno);
    if (!S_ISREG(entry.st_mode)) raiseNotRegular(native, entry.st_mode);
    // Read straight into the result; one byte more than the size sees the end in the same call,
    // and a file that grows meanwhile is read to its end all the same.
    QByteArray content(qsizetype(entry.st_size) + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    for (;;) {
        if (filled == content.size()) content.resize(content.size() * 2);
        const ssize_t n = ::read(fd.get(), content.data() + filled, size_t(content.size() - filled));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) raiseForErrno(native, errno);
        if (n == 0) {
            content.truncate(filled);
            return content;
        }
        filled += n;
    }
}

void writeFileAtomic(const QString& path, const QByteArray& content, ReadOnlyTarget readOnly) {
    const QString native = nativePath(path);
    const std::optional<struct stat> existing = entryAt(native);
    if (existing && !S_ISREG(existing->st_mode)) raiseNotRegular(native, existing->st_mode);
    // The owner's write bit plays the part of the read-only attribute, so that a read-only file
    // is refused even for a user (root) whom the system would let write it.
    if (existing && !(existing->st_mode & S_IWUSR) && readOnly == ReadOnlyTarget::refuse)
        throw PlatformError(err::kPermissionDenied,
                            QStringLiteral("Permission denied: %1 (file is read-only)").arg(native));
    std::optional<mode_t> mode;
    if (existing) mode = existing->st_mode & 07777;
    const QString temporary = writeTemporary(native, content, mode);
    // A link put at the path meanwhile is replaced, never written through.
    if (::rename(encoded(temporary).constData(), encoded(native).constData()) != 0) {
        const int error = errno;
        ::unlink(encoded(temporary).constData());
        raiseForErrno(native, error);
    }
    syncFolder(native);
}

bool createFileExclusive(const QString& path, const QByteArray& content) {
    const QString native = nativePath(path);
    const auto isThere = [&native] {
        const std::optional<struct stat> entry = entryAt(native);
        if (entry && !S_ISREG(entry->st_mode)) raiseNotRegular(native, entry->st_mode);
        return entry.has_value();
    };
    if (isThere()) return false;
    const QString temporary = writeTemporary(native, content, std::nullopt);
    // A link never replaces what is there: the complete file appears, or nothing does.
    const int linked = ::link(encoded(temporary).constData(), encoded(native).constData());
    const int error = errno;
    ::unlink(encoded(temporary).constData());
    if (linked == 0) {
        syncFolder(native);
        return true;
    }
    if (error == EEXIST && isThere()) return false;
    raiseForErrno(native, error);
}

QStringList strayTemporaries(const QString& path) {
    const QFileInfo target(nativePath(path));
    const QRegularExpression pattern(
        QStringLiteral("^%1%2[A-Za-z0-9]{6}$")
            .arg(QRegularExpression::escape(target.fileName()), QRegularExpression::escape(kTemporaryMark)));
    QStringList found;
    const QDir folder = target.dir();
    for (const QString& name :
         folder.entryList({target.fileName() + kTemporaryMark + QStringLiteral("*")},
                          QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot))
        if (pattern.match(name).hasMatch()) found << folder.filePath(name);
    return found;
}

void removeStrayTemporaries(const QString& path) {
    for (const QString& stray : strayTemporaries(path))
        ::unlink(encoded(stray).constData());
}

FileLock::FileLock(const QString& path, std::chrono::milliseconds wait, const QString& busy) {
    const QString native = nativePath(path);
    // Not following a link, and not blocking on a named pipe.
    Descriptor fd(
        ::open(encoded(native).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666));
    if (fd.get() < 0) raiseForErrno(native, errno);
    struct stat entry {};
    if (::fstat(fd.get(), &entry) != 0) raiseForErrno(native, errno);
    if (!S_ISREG(entry.st_mode)) raiseNotRegular(native, entry.st_mode);
    // An open-file-description lock: held by this open file, released when it is closed or its
    // process dies, and carried across clients by network file systems.
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (::fcntl(fd.get(), F_OFD_SETLK, &range) != 0) {
        if (errno != EAGAIN && errno != EACCES && errno != EINTR) raiseForErrno(native, errno);
        if (std::chrono::steady_clock::now() >= deadline)
            throw PlatformError(err::kPermissionDenied,
                                QStringLiteral("Permission denied: %1 (%2)").arg(native, busy));
        std::this_thread::sleep_for(kLockPollInterval);
    }
    fd_ = fd.release();
}

FileLock::~FileLock() {
    ::close(fd_);
}

}  // namespace sv::files
