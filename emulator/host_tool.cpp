#include "emulator/host_tool.h"

#include "emulator/emulated_host.h"
#include "emulator/host_folder.h"
#include "emulator/json_text.h"
#include "emulator/session.h"
#include "emulator/sql_ini.h"
#include "emulator/transcript_text.h"
#include "platform/data/connection.h"
#include "platform/data/sql_literal.h"
#include "platform/error.h"
#include "platform/files.h"
#include "src/app/exit_status.h"

#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <spawn.h>
#include <sys/wait.h>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

namespace sv::emu {

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

const QString kUsage = QStringLiteral(
    "usage: quorvant-host COMMAND ...\n"
    "  init DIR [--demo] [--database CONNECTSTRING]\n"
    "                            makes a host in DIR; --demo: German sample data, a complaint selected;\n"
    "                            --database: its tables go into that database, which SQL.INI names\n"
    "  set DIR KEY=VALUE...      changes what the user has open (keys: %1)\n"
    "  sql DIR STATEMENT         runs SQL on the host database; rows as JSON lines\n"
    "  start DIR [WORD] [--steps STEPS] [--addin PATH]\n"
    "                            starts the add-in with WORD as the host does. --steps: a UI script,\n"
    "                            steps separated by ';' (answer Yes; select Combo_Process 1;\n"
    "                            click cmd_DoProcess; close), no display needed; prints what was shown\n"
    "  calls DIR                 every automation call the add-in made\n"
    "  trace DIR [on|off]        switches the decision trace on or off (off deletes it); without\n"
    "                            on or off, prints it\n"
    "  transcript FILE           prints a UI transcript (SONDERVIK_UI_TRANSCRIPT) readably\n"
    "  help, --help, -h          this text\n"
    "  --version                 the version\n"
    "A WORD other than config, new, update and done, or none, is a manual run.\n");

const QString kHelpHint = QStringLiteral("see quorvant-host --help");

// Ends a command: what went wrong and what to do about it, with the exit status.
struct ToolError {
    int status;
    QString what;
    QString todo;
};

ToolError usageError(const QString& what, const QString& todo = kHelpHint) {
    return {kExitUsage, what, todo};
}

// The folder of an existing host; a failure when dir holds none.
HostFolder existingHost(const QString& dir) {
    HostFolder folder(dir);
    if (!folder.holdsHost())
        throw ToolError{kExitFailure, QStringLiteral("%1 holds no host").arg(folder.path()),
                        QStringLiteral("make one with: quorvant-host init %1").arg(dir)};
    return folder;
}

void warn(QTextStream& err, const QString& what) {
    err << "quorvant-host: warning: " << what << '\n';
}

int init(const QStringList& args) {
    QStringList rest = args;
    const bool demo = rest.removeAll(QStringLiteral("--demo")) > 0;
    QString database;
    const qsizetype option = rest.indexOf(QStringLiteral("--database"));
    if (option >= 0) {
        if (option + 1 >= rest.size() || rest.at(option + 1).isEmpty())
            throw usageError(QStringLiteral("--database takes a connection string"));
        database = rest.takeAt(option + 1);
        rest.removeAt(option);
    }
    if (rest.size() != 1 || rest.first().startsWith(QStringLiteral("--")))
        throw usageError(
            QStringLiteral("init takes DIR and, optionally, --demo and --database CONNECTSTRING"));
    createHostFolder(rest.first(), demo, database);
    return 0;
}

bool activityExists(const HostFolder& folder, const QString& dsn) {
    data::Connection connection;
    connection.open(connectStringFromIni(folder.sqlIniPath()));
    return !connection.query(QStringLiteral("SELECT DSN FROM HostActivity WHERE DSN = ") + data::sqlText(dsn))
                .rows.empty();
}

// A pane or a selection the add-in will not find is set all the same: refusals are tried that way.
void warnAboutSession(const HostFolder& folder, const Session& session, const QStringList& keys,
                      QTextStream& err) {
    if (keys.contains(QStringLiteral("pane")) && !hostPaneNames().contains(session.pane))
        warn(err, QStringLiteral("the host has no pane %1 (its panes: %2); the add-in refuses to start there")
                      .arg(session.pane, hostPaneNames().join(QStringLiteral(", "))));
    if (keys.contains(QStringLiteral("selected")) && !session.selected.isEmpty() &&
        !activityExists(folder, session.selected))
        warn(err, QStringLiteral("no activity %1 in the host database; list them with: quorvant-host sql %2 "
                                 "\"select DSN, Pane, Betreff from HostActivity\"")
                      .arg(session.selected, folder.path()));
}

int set(const QStringList& args, QTextStream& err) {
    if (args.size() < 2) throw usageError(QStringLiteral("set takes DIR and at least one KEY=VALUE"));
    const HostFolder folder = existingHost(args.first());
    Session session = readSession(folder.sessionPath(), folder.path());
    QStringList keys;
    for (const QString& pair : args.mid(1)) {
        const qsizetype equals = pair.indexOf(u'=');
        if (equals <= 0) throw usageError(QStringLiteral("not KEY=VALUE: %1").arg(pair));
        keys << pair.left(equals);
        try {
            applySetting(session, keys.last(), pair.mid(equals + 1));
        } catch (const PlatformError& error) {
            throw usageError(
                error.description(),
                QStringLiteral("use one of the keys %1").arg(settingKeys().join(QStringLiteral(", "))));
        }
    }
    writeSession(folder.sessionPath(), session);
    warnAboutSession(folder, session, keys, err);
    return 0;
}

int sql(const QStringList& args, QTextStream& out) {
    if (args.size() != 2)
        throw usageError(QStringLiteral("sql takes DIR and one STATEMENT"),
                         QStringLiteral("put the statement in quotes"));
    const HostFolder folder = existingHost(args.first());
    data::Connection connection;
    connection.open(connectStringFromIni(folder.sqlIniPath()));
    const data::Store result = connection.query(args.at(1));
    for (const data::Row& row : result.rows) {
        JsonFields fields;
        for (size_t i = 0; i < result.fields.size(); ++i)
            fields.emplace_back(result.fields[i].name, jsonValue(row[i]));
        out << QString::fromUtf8(jsonLine(fields)) << '\n';
    }
    return 0;
}

// Runs the program and waits for it: its exit status, or 128 + the signal that ended it.
int runAndWait(const QString& program, const QStringList& arguments, const QProcessEnvironment& env) {
    std::vector<QByteArray> storage{QFile::encodeName(program)};
    for (const QString& a : arguments)
        storage.push_back(a.toLocal8Bit());
    const qsizetype argc = qsizetype(storage.size());
    for (const QString& e : env.toStringList())
        storage.push_back(e.toLocal8Bit());
    std::vector<char*> argv, envp;
    for (qsizetype i = 0; i < qsizetype(storage.size()); ++i)
        (i < argc ? argv : envp).push_back(storage[size_t(i)].data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    pid_t pid = 0;
    if (const int rc = posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()); rc != 0)
        throw PlatformError(
            err::kFileNotFound,
            QStringLiteral("Can't start %1: %2").arg(program, QString::fromLocal8Bit(std::strerror(rc))));
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            throw PlatformError(
                err::kPermissionDenied,
                QStringLiteral("Lost %1: %2").arg(program, QString::fromLocal8Bit(std::strerror(errno))));
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

// The run of a UI script given on the command line: the script and the transcript live in a folder
// of their own, and the run needs no display.
class ScriptedRun {
public:
    ScriptedRun(const QString& steps, QProcessEnvironment& env) {
        if (!work_.isValid())
            throw PlatformError(err::kPermissionDenied,
                                QStringLiteral("Can't make a temporary folder: %1").arg(work_.errorString()));
        QStringList lines;
        for (const QString& step : steps.split(u';'))
            lines << step.trimmed();
        files::writeFileAtomic(work_.filePath(QStringLiteral("script.txt")), lines.join(u'\n').toUtf8());
        env.insert(QStringLiteral("SONDERVIK_UI_SCRIPT"), work_.filePath(QStringLiteral("script.txt")));
        env.insert(QStringLiteral("SONDERVIK_UI_TRANSCRIPT"), transcriptPath());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // Qt wants a private runtime folder; a fresh machine may have none.
        if (!env.contains(QStringLiteral("XDG_RUNTIME_DIR")))
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), work_.path());
    }

    QString transcript() const {
        return QFileInfo::exists(transcriptPath()) ? readableTranscript(files::readFile(transcriptPath()))
                                                   : QString();
    }

private:
    QString transcriptPath() const { return work_.filePath(QStringLiteral("transcript.jsonl")); }

    QTemporaryDir work_;
};

// The value of an option that takes one; a usage error when it is the last argument.
QString optionValue(const QStringList& args, qsizetype& i, const QString& what) {
    if (++i == args.size()) throw usageError(QStringLiteral("%1 needs %2").arg(args.at(i - 1), what));
    return args.at(i);
}

int start(const QStringList& args, const QString& addinDir, QTextStream& out) {
    QStringList words;
    QString addin = addinDir + QStringLiteral("/sondervik");
    std::optional<QString> steps;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--addin")) {
            addin = optionValue(args, i, QStringLiteral("a PATH"));
        } else if (args.at(i) == QLatin1String("--steps")) {
            steps = optionValue(args, i, QStringLiteral("STEPS, e.g. 'answer Yes; close'"));
        } else if (args.at(i).startsWith(QStringLiteral("--"))) {
            throw usageError(QStringLiteral("unknown option %1").arg(args.at(i)));
        } else {
            words << args.at(i);
        }
    }
    if (words.isEmpty() || words.size() > 2)
        throw usageError(QStringLiteral("start takes DIR and at most one WORD"),
                         QStringLiteral("put a WORD with blanks in quotes; see quorvant-host --help"));
    const HostFolder folder = existingHost(words.takeFirst());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kHostDirVariable), folder.path());
    std::optional<ScriptedRun> scripted;
    if (steps) scripted.emplace(*steps, env);
    out.flush();  // what we printed comes before what the add-in prints
    const int status = runAndWait(addin, words, env);
    if (scripted) {
        out << scripted->transcript();
        if (status != 0) out << QStringLiteral("(Ende mit Status %1)\n").arg(status);
    }
    return status;
}

int calls(const QStringList& args, QTextStream& out) {
    if (args.size() != 1) throw usageError(QStringLiteral("calls takes DIR"));
    const HostFolder folder = existingHost(args.first());
    if (QFileInfo::exists(folder.callLogPath()))
        out << QString::fromUtf8(files::readFile(folder.callLogPath()));
    return 0;
}

// The trace file of the add-in folder below the host's Folder, where the add-in looks for it.
QString tracePath(const HostFolder& folder) {
    const Session session = readSession(folder.sessionPath(), folder.path());
    return files::nativePath(session.folder) + QStringLiteral("/Addin/_Sondervik/SondervikTrace.log");
}

int trace(const QStringList& args, QTextStream& out) {
    const QString mode = args.value(1);
    if (args.isEmpty() || args.size() > 2 || (args.size() == 2 && mode != u"on" && mode != u"off"))
        throw usageError(QStringLiteral("trace takes DIR and, optionally, on or off"));
    const QString path = tracePath(existingHost(args.first()));
    if (mode == u"on") {
        if (!QFileInfo::exists(path)) files::writeFileAtomic(path, QByteArray());
        out << "trace on: " << path << '\n';
    } else if (mode == u"off") {
        if (QFileInfo::exists(path) && !QFile::remove(path))
            throw PlatformError(err::kPermissionDenied, QStringLiteral("Can't delete %1").arg(path));
        out << "trace off: " << path << " deleted\n";
    } else if (QFileInfo::exists(path)) {
        out << QString::fromUtf8(files::readFile(path));
    }
    return 0;
}

int transcript(const QStringList& args, QTextStream& out) {
    if (args.size() != 1) throw usageError(QStringLiteral("transcript takes FILE"));
    out << readableTranscript(files::readFile(args.first()));
    return 0;
}

int help(QTextStream& out) {
    out << kUsage.arg(settingKeys().join(QStringLiteral(", "))) << kExitStatusTable;
    return 0;
}

int dispatch(const QString& command, const QStringList& rest, const QString& addinDir, QTextStream& out,
             QTextStream& err) {
    if (command == u"init") return init(rest);
    if (command == u"set") return set(rest, err);
    if (command == u"sql") return sql(rest, out);
    if (command == u"start") return start(rest, addinDir, out);
    if (command == u"calls") return calls(rest, out);
    if (command == u"trace") return trace(rest, out);
    if (command == u"transcript") return transcript(rest, out);
    if (command == u"help" || command == u"--help" || command == u"-h") return help(out);
    if (command == u"--version") {
        out << "quorvant-host " SV_VERSION "\n";
        return 0;
    }
    throw usageError(command.isEmpty() ? QStringLiteral("no command")
                                       : QStringLiteral("unknown command %1").arg(command));
}

// What to do when a command fails for a reason of the host folder, its database or the add-in.
QString failureHint(const QString& command) {
    if (command == u"init") return QStringLiteral("choose a folder that holds no host and can be written");
    if (command == u"sql")
        return QStringLiteral("check the statement; emulator/README.md lists the host database's tables");
    if (command == u"start")
        return QStringLiteral("build the add-in (make programs) or name it with --addin PATH");
    if (command == u"transcript") return QStringLiteral("name a transcript file that can be read");
    return QStringLiteral("check that the host folder can be read and written, or make it anew with init");
}

}  // namespace

int runHostTool(const QStringList& args, const QString& addinDir, QTextStream& out, QTextStream& err) {
    const QString command = args.value(0);
    ToolError failure{};
    try {
        return dispatch(command, args.mid(1), addinDir, out, err);
    } catch (const ToolError& error) {
        failure = error;
    } catch (const PlatformError& error) {
        failure = {kExitFailure, error.description(), failureHint(command)};
    }
    out.flush();
    err << "quorvant-host: error: " << failure.what << '\n' << "  what to do: " << failure.todo << '\n';
    return failure.status;
}

}  // namespace sv::emu
