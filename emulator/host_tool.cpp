#include "emulator/host_tool.h"

#include "emulator/emulated_host.h"
#include "emulator/host_folder.h"
#include "emulator/json_text.h"
#include "emulator/session.h"
#include "emulator/sql_ini.h"
#include "platform/data/connection.h"
#include "platform/error.h"
#include "platform/files.h"

#include <QFileInfo>
#include <QProcessEnvironment>

#include <spawn.h>
#include <sys/wait.h>
#include <cerrno>
#include <cstring>
#include <vector>

namespace sv::emu {

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

const QString kUsage = QStringLiteral(
    "usage: quorvant-host init DIR [--demo]\n"
    "       quorvant-host set DIR KEY=VALUE...   (keys: %1)\n"
    "       quorvant-host sql DIR STATEMENT\n"
    "       quorvant-host start DIR [WORD] [--addin PATH]\n"
    "       quorvant-host calls DIR\n");

struct UsageError {
    QString message;
};

// The folder of an existing host; a failure when dir holds none.
HostFolder existingHost(const QString& dir) {
    HostFolder folder(dir);
    if (!folder.holdsHost())
        throw PlatformError(
            err::kPathNotFound,
            QStringLiteral("%1 holds no host (run: quorvant-host init %2)").arg(folder.path(), dir));
    return folder;
}

int init(const QStringList& args) {
    const bool demo = args.contains(QStringLiteral("--demo"));
    if (args.size() != (demo ? 2 : 1) || args.first().startsWith(QStringLiteral("--")))
        throw UsageError{QStringLiteral("init takes DIR and, optionally, --demo")};
    createHostFolder(args.first(), demo);
    return 0;
}

int set(const QStringList& args) {
    if (args.size() < 2) throw UsageError{QStringLiteral("set takes DIR and at least one KEY=VALUE")};
    const HostFolder folder = existingHost(args.first());
    Session session = readSession(folder.sessionPath(), folder.path());
    for (const QString& pair : args.mid(1)) {
        const qsizetype equals = pair.indexOf(u'=');
        if (equals <= 0) throw UsageError{QStringLiteral("not KEY=VALUE: %1").arg(pair)};
        try {
            applySetting(session, pair.left(equals), pair.mid(equals + 1));
        } catch (const PlatformError& error) {
            throw UsageError{error.description()};
        }
    }
    writeSession(folder.sessionPath(), session);
    return 0;
}

int sql(const QStringList& args, QTextStream& out) {
    if (args.size() != 2) throw UsageError{QStringLiteral("sql takes DIR and one STATEMENT")};
    const HostFolder folder = existingHost(args.first());
    data::Connection connection;
    connection.open(connectStringFromIni(folder.sqlIniPath()));
    const data::Store result = connection.query(args.at(1));
    for (const data::Row& row : result.rows) {
        JsonFields fields;
        for (size_t i = 0; i < result.fields.size(); ++i)
            fields.emplace_back(result.fields[i].name, jsonValue(row[i]));
        out << jsonLine(fields) << '\n';
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

int start(const QStringList& args, const QString& addinDir, QTextStream& out) {
    QStringList words;
    QString addin = addinDir + QStringLiteral("/sondervik");
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--addin")) {
            if (++i == args.size()) throw UsageError{QStringLiteral("--addin needs a PATH")};
            addin = args.at(i);
        } else if (args.at(i).startsWith(QStringLiteral("--"))) {
            throw UsageError{QStringLiteral("unknown option %1").arg(args.at(i))};
        } else {
            words << args.at(i);
        }
    }
    if (words.isEmpty() || words.size() > 2)
        throw UsageError{QStringLiteral("start takes DIR and at most one WORD")};
    const HostFolder folder = existingHost(words.takeFirst());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kHostDirVariable), folder.path());
    out.flush();  // what we printed comes before what the add-in prints
    return runAndWait(addin, words, env);
}

int calls(const QStringList& args, QTextStream& out) {
    if (args.size() != 1) throw UsageError{QStringLiteral("calls takes DIR")};
    const HostFolder folder = existingHost(args.first());
    if (QFileInfo::exists(folder.callLogPath()))
        out << QString::fromUtf8(files::readFile(folder.callLogPath()));
    return 0;
}

int dispatch(const QStringList& args, const QString& addinDir, QTextStream& out) {
    const QString command = args.value(0);
    const QStringList rest = args.mid(1);
    if (command == QLatin1String("init")) return init(rest);
    if (command == QLatin1String("set")) return set(rest);
    if (command == QLatin1String("sql")) return sql(rest, out);
    if (command == QLatin1String("start")) return start(rest, addinDir, out);
    if (command == QLatin1String("calls")) return calls(rest, out);
    throw UsageError{command.isEmpty() ? QStringLiteral("no command")
                                       : QStringLiteral("unknown command %1").arg(command)};
}

}  // namespace

int runHostTool(const QStringList& args, const QString& addinDir, QTextStream& out, QTextStream& err) {
    try {
        return dispatch(args, addinDir, out);
    } catch (const UsageError& error) {
        err << "quorvant-host: " << error.message << '\n'
            << kUsage.arg(settingKeys().join(QStringLiteral(", ")));
        return kExitUsage;
    } catch (const PlatformError& error) {
        err << "quorvant-host: " << error.description() << '\n';
        return kExitFailure;
    }
}

}  // namespace sv::emu
