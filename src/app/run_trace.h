#pragma once
// The decision trace of a run, for administrators. It is written only when the add-in folder holds
// a file named SondervikTrace.log: every fact becomes one line "yyyy-MM-dd HH:mm:ss.zzz [pid] fact",
// appended under a lock on the file, so that the lines of runs writing at the same time interleave
// whole. Without the file nothing is written or created, and formatting is skipped. A line is
// written whole or not at all: one that can't be written (full disk, file size limit) is dropped,
// and what part of it got in is cut off again. The trace never changes a run.

#include <QString>
#include <QStringView>
#include <QVariant>
#include <type_traits>

namespace sv {

// A stored value as the trace tells it: Null, or the text in double quotes.
QString traceValueText(const QVariant& value);

class RunTrace {
public:
    static constexpr char kFileName[] = "SondervikTrace.log";

    RunTrace() = default;
    ~RunTrace();
    RunTrace(const RunTrace&) = delete;
    RunTrace& operator=(const RunTrace&) = delete;

    // Opens the trace file at path (built with backslashes) when it exists as a regular file with
    // no other hard link; links and special files are not followed. A missing file costs this one look-up.
    void open(const QString& path);
    bool on() const { return fd_ >= 0; }

    // One fact; the %1, %2 ... of format are filled with the arguments (texts or numbers) only
    // when the trace is on. Line breaks inside a fact are written as " | ", every other control,
    // line-separating or bidirectional-formatting character as <U+XXXX>.
    template <class... Args>
    void line(QStringView format, const Args&... args) {
        if (!on()) return;
        if constexpr (sizeof...(Args) == 0)
            write(format.toString());
        else
            write(format.toString().arg(text(args)...));
    }

private:
    template <class T>
    static QString text(const T& value) {
        if constexpr (std::is_arithmetic_v<T>)
            return QString::number(value);
        else
            return QString(value);
    }
    void write(const QString& fact);
    // Stops tracing for the rest of the run.
    void close();

    int fd_ = -1;
};

}  // namespace sv
