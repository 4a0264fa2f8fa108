#pragma once
// What the configurator start, its upgrade, the loading of a process and the settings store share:
// how the two record sets are opened, the filter for one process's rows, the lock that serialises
// stores across configurators, and the marker that allows one rebuild of the file per action.

#include "platform/data/recordset.h"
#include "platform/error.h"
#include "platform/files.h"

#include <QString>
#include <chrono>
#include <memory>

namespace sv {
class clsSondervik;
struct ProcessEntry;
}  // namespace sv

namespace sv::config {

// The item-not-found error that a file lacking a field gives, as the recoveries test for it.
bool isMissingField(const PlatformError& error);

// ProcessList: every process definition, ordered by name, open on the connection.
std::unique_ptr<data::Recordset> openProcessList(data::Connection* connection);
// StartConfig: the configuration file, open as the configurator opens it.
std::unique_ptr<data::Recordset> openStartConfig(const QString& path);
// The same, from the file's content.
std::unique_ptr<data::Recordset> openStartConfigXml(const QByteArray& xml);

// The configuration file as the configurator start read it. Loading the first process right after
// opens it from here instead of parsing the file again, while the file is still the one it was.
struct ConfigSnapshot {
    files::FileStamp stamp;
    data::Store store;
};
// StartConfig as openStartConfig opens it; `snapshot` gets what was read, or nothing when the file
// changed during the read.
std::unique_ptr<data::Recordset> openStartConfig(const QString& path,
                                                 std::unique_ptr<ConfigSnapshot>& snapshot);
// StartConfig from the snapshot while the file is still that file, otherwise from the file. The
// snapshot is used up either way.
std::unique_ptr<data::Recordset> reopenStartConfig(const QString& path,
                                                   std::unique_ptr<ConfigSnapshot>& snapshot);
// Closes a record set that is open; nothing when there is none or it is closed.
void closeIfOpen(const std::unique_ptr<data::Recordset>& recordset);
// Closes it when open, and lets it go.
void closeAndRelease(std::unique_ptr<data::Recordset>& recordset);

// "DSN = '...'", the quoted value escaped.
QString dsnFilter(const QString& dsn);

// The list position of a process definition in the configurator's list; -1 when there is none.
int processPosition(data::Connection* connection, const QString& dsn);

// Fills the configurator's list anew from the definitions and selects the entry of the DSN, or the
// first entry when that definition is gone.
void reloadProcessList(clsSondervik& run, const QString& keepDsn);

// Held by every writer of the file (a configurator's read-modify-write, its upgrade, the making of
// the default file, the removal of leftovers), so that runs at the same time lose no change. Readers
// never take it: every save replaces the file atomically. The lock file stays in the folder; the lock
// itself ends with its holder, even when that is killed.
class ConfigFileLock {
public:
    // Long enough for another configurator to save a very large file.
    static constexpr std::chrono::milliseconds kWriterWait{10000};

    // Throws PlatformError(kPermissionDenied) when another writer keeps the lock beyond `wait`, or at
    // once when the lock file is a link or special file or can't be opened.
    explicit ConfigFileLock(const QString& configPath, std::chrono::milliseconds wait = kWriterWait);

private:
    files::FileLock lock_;
};

// Marks a rebuild of the configuration file for the action under way (a configurator start, the
// loading of a process, a click): while it lasts, a field found missing again is reported instead
// of rebuilding once more, so a repair can never loop.
class RebuildScope {
public:
    explicit RebuildScope(clsSondervik& run);
    ~RebuildScope();
    RebuildScope(const RebuildScope&) = delete;
    RebuildScope& operator=(const RebuildScope&) = delete;

private:
    clsSondervik& run_;
    bool previous_;
};

}  // namespace sv::config
