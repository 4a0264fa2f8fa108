#pragma once
// Drives the real executables as the host does: a host folder made by `quorvant-host`, the add-in
// started through `quorvant-host start` with a UI script, and what it left behind read back
// (transcript, call log, host database, configuration file).

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace sv::test {

struct ToolResult {
    int status = -1;
    QString out;
    QString err;
};

inline QString buildPath(const char* name) {
    return QStringLiteral(SV_BUILD_DIR "/") + QLatin1String(name);
}

// `launcher`, when given, starts the tool (say, as another user).
inline ToolResult runTool(const QStringList& args,
                          const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                          const QStringList& launcher = {}) {
    QProcess process;
    process.setProcessEnvironment(env);
    if (launcher.isEmpty())
        process.start(buildPath("quorvant-host"), args);
    else
        process.start(launcher.front(), launcher.mid(1) + QStringList{buildPath("quorvant-host")} + args);
    process.closeWriteChannel();
    // Generous: a run that hangs is a failure of its own, reported below.
    const bool finished = process.waitForFinished(60000);
    if (!finished) process.kill();
    EXPECT_TRUE(finished) << "quorvant-host " << args.join(' ').toStdString() << " did not end";
    return {finished ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

inline std::vector<QJsonObject> jsonLines(const QString& text) {
    std::vector<QJsonObject> objects;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts))
        objects.push_back(QJsonDocument::fromJson(line.toUtf8()).object());
    return objects;
}

// A file's bytes; empty when it can't be read.
inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

class HostFixture {
public:
    explicit HostFixture(bool demo = true) : dir_(temp_.filePath(QStringLiteral("host"))) {
        QStringList args{QStringLiteral("init"), dir_};
        if (demo) args << QStringLiteral("--demo");
        const ToolResult r = runTool(args);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
    }

    const QString& dir() const { return dir_; }
    QString configPath() const { return dir_ + QStringLiteral("/Addin/_Sondervik/SondervikConfig.xml"); }

    void set(const QStringList& assignments) {
        const ToolResult r = runTool(QStringList{QStringLiteral("set"), dir_} + assignments);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
    }

    std::vector<QJsonObject> sql(const QString& statement) {
        const ToolResult r = runTool({QStringLiteral("sql"), dir_, statement});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        return jsonLines(r.out);
    }

    std::vector<QJsonObject> calls() { return jsonLines(runTool({QStringLiteral("calls"), dir_}).out); }

    // Starts the add-in with the word (none when null) and the script's steps; the transcript's
    // lines are kept in `transcript`.
    ToolResult start(const QString& word, const QStringList& scriptSteps = {}) {
        const QString script = temp_.filePath(QStringLiteral("script.txt"));
        const QString transcriptPath = temp_.filePath(QStringLiteral("transcript.jsonl"));
        QFile::remove(transcriptPath);
        QFile file(script);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(scriptSteps.join(u'\n').toUtf8());
        file.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SONDERVIK_UI_SCRIPT"), script);
        env.insert(QStringLiteral("SONDERVIK_UI_TRANSCRIPT"), transcriptPath);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QStringList args{QStringLiteral("start"), dir_};
        if (!word.isNull()) args << word;
        ToolResult result = runTool(args, env, launcher);
        QFile transcriptFile(transcriptPath);
        transcript = transcriptFile.open(QIODevice::ReadOnly)
                         ? jsonLines(QString::fromUtf8(transcriptFile.readAll()))
                         : std::vector<QJsonObject>{};
        return result;
    }

    std::vector<QJsonObject> events(const QString& kind) const {
        std::vector<QJsonObject> found;
        for (const QJsonObject& line : transcript)
            if (line.value(QStringLiteral("event")).toString() == kind) found.push_back(line);
        return found;
    }

    // The window's state after the script line that selected or clicked something.
    QJsonObject windowAfter(const QString& line) const {
        bool found = false;
        for (const QJsonObject& event : transcript) {
            if (found && event.value("event").toString() == u"window") return event;
            found = found ||
                    (event.value("event").toString() == u"step" && event.value("line").toString() == line);
        }
        ADD_FAILURE() << "no window state after " << line.toStdString();
        return {};
    }

    std::vector<QJsonObject> transcript;
    // What start() runs the host through; empty: directly.
    QStringList launcher;

    // The temporary folder that holds the host folder, the script and the transcript.
    QString scratchDir() const { return temp_.path(); }

private:
    QTemporaryDir temp_;
    QString dir_;
};

}  // namespace sv::test
