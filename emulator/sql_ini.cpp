#include "emulator/sql_ini.h"

#include "platform/error.h"
#include "platform/files.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <QStringList>
#include <algorithm>

namespace sv::emu {

namespace {

const QString kSection = QStringLiteral("database");
const QString kConnectStringKey = QStringLiteral("connectstring");
const QString kFileKey = QStringLiteral("file");

// Keys of the [Database] section, case-folded. QSettings is no help here: it reads ',' in a
// value as a list separator and unquotes, both of which would damage a connection string.
QHash<QString, QString> databaseSection(const QString& text, const QString& path) {
    QHash<QString, QString> keys;
    QString section;
    // Any line break: CR LF, LF or CR.
    const QStringList lines =
        QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n').split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#')) continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).trimmed().toCaseFolded();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            throw PlatformError(
                err::kBadFileFormat,
                QStringLiteral("%1, line %2: expected [Section] or Key=Value").arg(path).arg(i + 1));
        if (section == kSection)
            keys.insert(line.left(equals).trimmed().toCaseFolded(), line.mid(equals + 1).trimmed());
    }
    return keys;
}

// A value the connection string parser reads back unchanged: quoted when it holds a separator,
// a quote or a brace, or starts or ends with a blank.
QString connectionValue(const QString& value) {
    const bool special =
        std::any_of(value.begin(), value.end(), [](QChar c) { return QStringView(u";\"'{}").contains(c); }) ||
        (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!special) return value;
    QString quoted = value;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

}  // namespace

QString connectStringFromIni(const QString& iniPath) {
    const QString native = files::nativePath(iniPath);
    QString text;
    try {
        text = QString::fromUtf8(files::readFile(native));
    } catch (const PlatformError& error) {
        throw PlatformError(error.number(),
                            QStringLiteral("The host's SQL.INI can't be read: %1").arg(error.description()));
    }
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    const QHash<QString, QString> keys = databaseSection(text, native);

    QString connectString = keys.value(kConnectStringKey);
    if (!connectString.isEmpty()) return connectString;
    const QString file = keys.value(kFileKey);
    if (file.isEmpty())
        throw PlatformError(
            err::kBadFileFormat,
            QStringLiteral("%1 names no database: [Database] needs File= or ConnectString=").arg(native));
    const QString database = QFileInfo(native).absoluteDir().absoluteFilePath(files::nativePath(file));
    return QStringLiteral("Provider=SQLite;Data Source=") + connectionValue(QDir::cleanPath(database));
}

QByteArray sqliteIniContent(const QString& databaseFileName) {
    return QStringLiteral(
               "; The host database. File= names an embedded SQLite database beside this file;\n"
               "; ConnectString= (which wins) names any other, e.g. SQL Server through ODBC.\n"
               "[Database]\n"
               "File=%1\n")
        .arg(databaseFileName)
        .toUtf8();
}

QByteArray connectStringIniContent(const QString& connectString) {
    // The INI is read line by line and values are trimmed: a string that would come back changed
    // is refused.
    if (connectString.trimmed().isEmpty() || connectString.trimmed() != connectString ||
        connectString.contains(u'\n') || connectString.contains(u'\r'))
        // Not quoted in the message: it may hold a password.
        throw PlatformError(
            err::kBadArgument,
            QStringLiteral("A connection string for SQL.INI must be one line without outer blanks"));
    return QStringLiteral(
               "; The host database, named by its connection string.\n"
               "[Database]\n"
               "ConnectString=%1\n")
        .arg(connectString)
        .toUtf8();
}

}  // namespace sv::emu
