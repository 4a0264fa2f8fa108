#pragma once
// File access for paths built the platform's way (with backslashes). A backslash maps to the
// directory separator here. Saves are atomic: a temporary file beside the target is written,
// flushed to disk, then renamed over it (or linked into place when it must not replace anything).
// Nothing is ever read or written through a symbolic link or a special file at the path: such an
// entry is refused with PlatformError(kPermissionDenied) naming the path and what is there.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <optional>

namespace sv::files {

// The path with every backslash turned into '/'. Doubled separators are kept: they name the
// same place on POSIX.
QString nativePath(const QString& path);

// A regular file is at the path (a link to one counts, as a host's file system object sees it).
bool fileExists(const QString& path);

// Anything at all is at the path, a dangling link or a folder too; links are not followed.
bool entryExists(const QString& path);

// The whole file. Throws PlatformError: kFileNotFound, kPathNotFound, kPermissionDenied (also for
// a link or special file at the path).
QByteArray readFile(const QString& path);

// What tells one version of a file from another. Every save here puts a new file in place, and any
// other write changes the change time, which no one can set back.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the regular file at the path (not followed when a link); nullopt for anything else.
std::optional<FileStamp> fileStamp(const QString& path);

enum class ReadOnlyTarget { refuse, replace };

// Replaces the file's content atomically: a crash or a full disk leaves either the old or the
// new content, never a torn file. A read-only file is refused unless `readOnly` says replace.
// Throws PlatformError when the file can't be written (kDiskFull when the disk is full); the old
// file is then left as it was.
void writeFileAtomic(const QString& path, const QByteArray& content,
                     ReadOnlyTarget readOnly = ReadOnlyTarget::refuse);

// Makes the file with the content, complete or not at all, unless something is at the path by
// then: returns false and leaves a regular file there as it is. Throws like writeFileAtomic, and
// when a link or special file is at the path.
bool createFileExclusive(const QString& path, const QByteArray& content);

// The temporary files that writes of `path` left behind when they were killed half-way (full
// native paths). Only a writer that holds the file's lock may remove them.
QStringList strayTemporaries(const QString& path);
void removeStrayTemporaries(const QString& path);

// An exclusive advisory lock on a regular file (made when missing), released when the holder
// closes it or dies, so that no stale lock can exist. Waits for another holder at most `wait`,
// polling; never blocks without bound.
class FileLock {
public:
    // Throws PlatformError(kPermissionDenied) when another holder keeps it beyond `wait`, naming
    // `busy` as the reason; and when the path holds a link or special file, or can't be opened.
    FileLock(const QString& path, std::chrono::milliseconds wait, const QString& busy);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_ = -1;
};

}  // namespace sv::files
