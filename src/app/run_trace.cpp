#include "run_trace.h"

#include "platform/files.h"
#include "platform/variant.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {

namespace {

// Runs append to one file: a writer waits this long for another's line, then stops tracing.
constexpr qint64 kLockWaitMs = 1000;
constexpr std::chrono::milliseconds kLockPoll{1};

// A regular file that no other name leads to: a second hard link could make the trace write into a
// file that is not the add-in folder's.
bool isTraceableFile(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1;
}

// Bounded, so that a process that keeps the trace locked can't hold the run up.
bool lockExclusive(int fd) {
    QElapsedTimer waited;
    waited.start();
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited.elapsed() >= kLockWaitMs) return false;
        std::this_thread::sleep_for(kLockPoll);
    }
    return true;
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= size_t(written);
    }
    return true;
}

// A write beyond the process's file size limit raises SIGXFSZ, which ends the process; ignored
// while the trace writes, the write fails with EFBIG instead.
class FileSizeSignalIgnored {
public:
    FileSizeSignalIgnored() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGXFSZ, &ignore, &previous_);
    }
    ~FileSizeSignalIgnored() { ::sigaction(SIGXFSZ, &previous_, nullptr); }
    FileSizeSignalIgnored(const FileSizeSignalIgnored&) = delete;
    FileSizeSignalIgnored& operator=(const FileSizeSignalIgnored&) = delete;

private:
    struct sigaction previous_ {};
};

bool isBidiControl(char16_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

// Characters that would break a line, hide text or reorder what a reader sees.
bool needsFlattening(QChar c) {
    const QChar::Category category = c.category();
    return category == QChar::Other_Control || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph || isBidiControl(c.unicode());
}

// Line breaks become " | ", as in a message box's text; every other such character its code point.
QString flatten(const QString& fact) {
    QString flat;
    flat.reserve(fact.size());
    for (qsizetype i = 0; i < fact.size(); ++i) {
        const QChar c = fact[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < fact.size() && fact[i + 1] == u'\n') ++i;
            flat += QLatin1String(" | ");
        } else if (needsFlattening(c)) {
            flat += QStringLiteral("<U+%1>").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
        } else {
            flat += c;
        }
    }
    return flat;
}

}  // namespace

QString traceValueText(const QVariant& value) {
    return isNullValue(value) ? QStringLiteral("Null") : QLatin1Char('"') + toText(value) + QLatin1Char('"');
}

RunTrace::~RunTrace() {
    if (fd_ >= 0) ::close(fd_);
}

void RunTrace::open(const QString& path) {
    if (fd_ >= 0) return;
    // Non-blocking, so that a FIFO put in the file's place can't hold the run up.
    const int fd = ::open(QFile::encodeName(files::nativePath(path)).constData(),
                          O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return;
    if (!isTraceableFile(fd)) {
        ::close(fd);
        return;
    }
    fd_ = fd;
}

void RunTrace::close() {
    ::close(fd_);
    fd_ = -1;
}

void RunTrace::write(const QString& fact) {
    const QByteArray line =
        (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) +
         QStringLiteral(" [%1] ").arg(::getpid()) + flatten(fact) + u'\n')
            .toUtf8();
    // Every writer holds the lock for its line, so a line that could not be written whole can be
    // cut off again without touching another run's line. A line that can't be written is dropped;
    // the run goes on as it would without a trace.
    if (!lockExclusive(fd_)) {
        close();
        return;
    }
    struct stat before {};
    if (::fstat(fd_, &before) != 0 || before.st_nlink != 1) {
        close();
        return;
    }
    const FileSizeSignalIgnored sizeLimit;
    if (!writeAll(fd_, line.constData(), size_t(line.size()))) {
        [[maybe_unused]] const int undone = ::ftruncate(fd_, before.st_size);
    }
    ::flock(fd_, LOCK_UN);
}

}  // namespace sv
