#pragma once
// File access for paths built the platform's way (with backslashes). A backslash maps to the
// directory separator here; saves are atomic: write beside, flush, rename.

#include <QByteArray>
#include <QString>

namespace sv::files {

// The path with every backslash turned into '/'. Doubled separators are kept: they name the
// same place on POSIX.
QString nativePath(const QString& path);

bool fileExists(const QString& path);

// The whole file. Throws PlatformError: kFileNotFound, kPathNotFound or kPermissionDenied.
QByteArray readFile(const QString& path);

// Replaces the file's content atomically: a crash or a full disk leaves either the old or the
// new content, never a torn file. Throws PlatformError when the file can't be written; the old
// file is then left as it was.
void writeFileAtomic(const QString& path, const QByteArray& content);

// Deletes the file; with force, a read-only file too. Throws PlatformError when it can't.
void deleteFile(const QString& path, bool force);

}  // namespace sv::files
