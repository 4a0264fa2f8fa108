#pragma once
// The emulated host's session: what the user has open in the host while the add-in runs. It is
// kept as a JSON file in the host folder, so that `quorvant-host set` can change it between runs
// and the host objects read it anew on every call.

#include <QString>
#include <QStringList>
#include <QVariant>

namespace sv::emu {

struct Session {
    QString pane;        // ActivePaneName, any text
    QString selected;    // DSN of the activity selected in the active pane; empty: none
    QString user;        // DSN of the logged-in user (HostUser)
    QVariant initType;   // Quorvant_InitType: a number, or Empty
    QString folder;      // HostApp.Folder
    QString hostFolder;  // HostRoot.Quorvant_Folder
    QString okType;      // ART_DSN the command "OK" gives an activity without a type; empty: none
    QString shown;       // the DSN last passed to AKT_ShowDSN
};

// A new host's session: pane "F_AKT", nothing selected, init type 1, both folders the host folder.
Session defaultSession(const QString& hostDir, const QString& userDsn);

// Reads the session file; a key the file lacks keeps its default. Throws PlatformError: as
// files::readFile, or kBadFileFormat for a file that is not such a JSON object.
Session readSession(const QString& path, const QString& hostDir);

// The session in the bytes of the session file at `path`, as readSession reads it.
Session parseSession(const QByteArray& json, const QString& path, const QString& hostDir);

// Saves the session atomically.
void writeSession(const QString& path, const Session& session);

// The host's panes that show activities: F_AKT and F_VOR.
QStringList hostPaneNames();

// The keys `quorvant-host set` takes.
QStringList settingKeys();

// Sets one key. An empty value clears a text; for "inittype" it gives Empty. Throws
// PlatformError(kBadArgument) for an unknown key or an init type that is not a whole number.
void applySetting(Session& session, const QString& key, const QString& value);

}  // namespace sv::emu
