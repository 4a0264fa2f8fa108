#pragma once
// The configuration file as every road meets it: the default file's content, and the repair of
// what an interrupted write left behind.

#include "platform/error.h"

#include <QByteArray>
#include <QString>

namespace sv {
class clsSondervik;
namespace data {
class Connection;
}
}  // namespace sv

namespace sv::config {

// Appended to the configuration file's path: the copy of the old file that an upgrade keeps.
inline const QString kBackupSuffix = QStringLiteral(".bak");

// The default configuration in the persistence format: one row per process definition, every flag
// "0", the fields that later writes use marked writable. Throws PlatformError.
QByteArray defaultConfigXml(data::Connection* connection);

// The message of a default file that could not be made, with what went wrong.
void reportCreateError(clsSondervik& run, const PlatformError& error);

// Repairs what an interrupted write left: a live file missing or left unmarked beside its backup is
// put back from the backup, stray temporary files are removed. Nothing when there are no leftovers.
// Throws PlatformError when the repair fails; the files are then as they were.
void recoverInterruptedWrites(const QString& path);

}  // namespace sv::config
