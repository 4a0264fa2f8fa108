#pragma once
// The emulated host's folder:
//   sql/SQL.INI          names the host database (see sql_ini.h)
//   sql/host.sqlite      the embedded host database
//   Addin/_Sondervik/    the add-in's folder (its configuration file goes here)
//   session.json         the session state (see session.h)
//   calls.jsonl          the log of every automation call the add-in made

#include <QString>

namespace sv::emu {

class HostFolder {
public:
    // The folder as an absolute path.
    explicit HostFolder(const QString& dir);

    const QString& path() const { return path_; }
    QString sqlIniPath() const;
    QString databasePath() const;
    QString addinPath() const;
    QString sessionPath() const;
    QString callLogPath() const;

    // Whether a host lives here: its SQL.INI and its session exist.
    bool holdsHost() const;

private:
    QString path_;
};

// Makes a new host in dir (created when missing): the database with the host tables and the
// user "Administrator", SQL.INI, the add-in folder and a default session. With demo, the German
// sample too, with the complaint activity selected. Throws PlatformError(kPermissionDenied)
// when dir holds a host or part of one already (nothing is changed then), and any error of the
// file or database layer; a failed setup removes what it had created.
// With a connectString, SQL.INI names that database instead of an embedded one; the tables are
// made there in its dialect (they must not exist yet) and are left to their owner on failure.
void createHostFolder(const QString& dir, bool demo, const QString& connectString = {});

}  // namespace sv::emu
