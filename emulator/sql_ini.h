#pragma once
// The host's sql\SQL.INI: which database the host works on. Format (see emulator/README.md):
//
//   [Database]
//   File=host.sqlite                 an embedded SQLite database, relative to the INI's folder
//   ConnectString=Driver=...;...     or any connection string the data layer opens (wins over File)

#include <QByteArray>
#include <QString>

namespace sv::emu {

// The connection string the INI names: ConnectString as written, or for File
// "Provider=SQLite;Data Source=<absolute path>". The path may be written with backslashes.
// Throws PlatformError: kFileNotFound / kPathNotFound when the file is missing, kBadFileFormat
// for a line that is neither a section, a key=value pair nor a comment, or an INI that names no
// database.
QString connectStringFromIni(const QString& iniPath);

// The content of an INI naming an embedded database file beside it.
QByteArray sqliteIniContent(const QString& databaseFileName);

// The content of an INI naming the database by its connection string, which is read back as it is.
// Throws PlatformError(kBadArgument) for an empty string or one that holds a line break.
QByteArray connectStringIniContent(const QString& connectString);

}  // namespace sv::emu
