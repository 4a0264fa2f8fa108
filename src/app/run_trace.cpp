#include "run_trace.h"

#include "platform/files.h"

#include <QDateTime>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {

RunTrace::~RunTrace() {
    if (fd_ >= 0) ::close(fd_);
}

void RunTrace::open(const QString& path) {
    if (fd_ >= 0) return;
    // Non-blocking, so that a FIFO put in the file's place can't hold the run up.
    const int fd = ::open(QFile::encodeName(files::nativePath(path)).constData(),
                          O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return;
    }
    fd_ = fd;
}

void RunTrace::write(const QString& fact) {
    QString flat = fact;
    flat.replace(QLatin1String("\r\n"), QLatin1String(" | "));
    flat.replace(u'\n', QLatin1String(" | "));
    flat.replace(u'\r', QLatin1String(" | "));
    const QByteArray line =
        (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) +
         QStringLiteral(" [%1] ").arg(::getpid()) + flat + u'\n')
            .toUtf8();
    // One write per line: with O_APPEND each lands whole at the end, even when runs write at once.
    // A failed or short write is dropped; the run goes on as it would without a trace.
    [[maybe_unused]] const ssize_t written = ::write(fd_, line.constData(), size_t(line.size()));
}

}  // namespace sv
