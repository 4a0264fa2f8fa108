#pragma once
// The configuration file as every road meets it: the default file's content, the removal of what an
// interrupted write left behind, and the message about a file that can't be read.

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

// Appended to the configuration file's path: the copy of the old file that an upgrade keeps. It is
// the administrator's to restore by hand; the program never reads it back.
inline const QString kBackupSuffix = QStringLiteral(".bak");

// The default configuration in the persistence format: one row per process definition, every flag
// "0", the fields that later writes use marked writable. Throws PlatformError.
QByteArray defaultConfigXml(data::Connection* connection);

// The message of a default file that could not be made, with what went wrong.
void reportCreateError(clsSondervik& run, const PlatformError& error);

// Removes the temporary files that this program's interrupted writes left beside the file and its
// backup, when this run can take the writers' lock at once. Never fails: a run that can't write the
// folder, or meets a writer at work, leaves them; they harm no reader.
void removeLeftoverTemporaries(const QString& path);

// The message about a configuration file that can't be read: it names the file and, where there is
// one, the copy that the last upgrade kept.
QString unreadableMessage(const QString& path, const QString& problem);

}  // namespace sv::config
