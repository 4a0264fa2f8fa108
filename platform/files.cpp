#include "files.h"

#include "error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace sv::files {

namespace {

[[noreturn]] void raiseForPath(const QString& native, const QString& what) {
    const QFileInfo info(native);
    if (!info.dir().exists())
        throw PlatformError(err::kPathNotFound, QStringLiteral("Path not found: %1").arg(native));
    if (what.isEmpty())
        throw PlatformError(err::kFileNotFound, QStringLiteral("File not found: %1").arg(native));
    throw PlatformError(err::kPermissionDenied,
                        QStringLiteral("Permission denied: %1 (%2)").arg(native, what));
}

// The owner's write bit plays the part of the read-only attribute, so that a read-only file
// is refused even for a user (root) whom the system would let write it.
bool isReadOnly(const QString& native) {
    const QFileInfo info(native);
    return info.exists() && !(info.permissions() & QFileDevice::WriteOwner);
}

}  // namespace

QString nativePath(const QString& path) {
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return p;
}

bool fileExists(const QString& path) {
    const QFileInfo info(nativePath(path));
    return info.exists() && info.isFile();
}

QByteArray readFile(const QString& path) {
    const QString native = nativePath(path);
    QFile file(native);
    if (!QFileInfo(native).isFile()) raiseForPath(native, QString());
    if (!file.open(QIODevice::ReadOnly)) raiseForPath(native, file.errorString());
    return file.readAll();
}

void writeFileAtomic(const QString& path, const QByteArray& content) {
    const QString native = nativePath(path);
    if (QFileInfo(native).isDir()) raiseForPath(native, QStringLiteral("is a folder"));
    if (isReadOnly(native)) raiseForPath(native, QStringLiteral("file is read-only"));
    QSaveFile file(native);
    if (!file.open(QIODevice::WriteOnly)) raiseForPath(native, file.errorString());
    if (file.write(content) != content.size()) {
        file.cancelWriting();
        raiseForPath(native, file.errorString());
    }
    if (!file.commit()) raiseForPath(native, file.errorString());
}

void deleteFile(const QString& path, bool force) {
    const QString native = nativePath(path);
    if (!QFileInfo(native).isFile()) raiseForPath(native, QString());
    QFile file(native);
    if (force)
        file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
    else if (isReadOnly(native))
        raiseForPath(native, QStringLiteral("file is read-only"));
    if (!file.remove()) raiseForPath(native, file.errorString());
}

}  // namespace sv::files
