#include "platform/ui/display_probe.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QPluginLoader>
#include <QStringList>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstring>

namespace sv::ui {

namespace {

QStringList pluginFolders(const QProcessEnvironment& env) {
    QStringList folders;
    const QString platformPath = env.value(QStringLiteral("QT_QPA_PLATFORM_PLUGIN_PATH"));
    if (!platformPath.isEmpty()) folders << platformPath;
    for (const QString& path :
         env.value(QStringLiteral("QT_PLUGIN_PATH")).split(QDir::listSeparator(), Qt::SkipEmptyParts))
        folders << path + QStringLiteral("/platforms");
    folders << QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms");
    return folders;
}

// Whether a platform plugin for the name is installed, found by its keys as Qt finds it. Reading
// a plugin's keys does not load it.
bool pluginInstalled(const QString& name, const QStringList& folders) {
    for (const QString& folder : folders) {
        const QDir dir(folder);
        for (const QString& file : dir.entryList({QStringLiteral("*.so")}, QDir::Files)) {
            const QJsonObject meta = QPluginLoader(dir.filePath(file)).metaData();
            for (const QJsonValue key :
                 meta.value(QStringLiteral("MetaData")).toObject().value(QStringLiteral("Keys")).toArray())
                if (key.toString().compare(name, Qt::CaseInsensitive) == 0) return true;
        }
    }
    return false;
}

std::optional<QString> xcbFailure(const QProcessEnvironment& env) {
    const QString display = env.value(QStringLiteral("DISPLAY"));
    if (display.isEmpty()) return QStringLiteral("DISPLAY is not set");
    xcb_connection_t* connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const bool failed = xcb_connection_has_error(connection) != 0;
    xcb_disconnect(connection);
    if (failed) return QStringLiteral("the X display \"%1\" can't be opened").arg(display);
    return std::nullopt;
}

std::optional<QString> waylandFailure(const QProcessEnvironment& env) {
    const QString name = env.value(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-0"));
    QString path = name;
    if (!name.startsWith(u'/')) {
        const QString runtimeDir = env.value(QStringLiteral("XDG_RUNTIME_DIR"));
        if (runtimeDir.isEmpty()) return QStringLiteral("XDG_RUNTIME_DIR is not set");
        path = runtimeDir + u'/' + name;
    }
    const QByteArray encoded = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (encoded.size() >= qsizetype(sizeof address.sun_path))
        return QStringLiteral("the Wayland socket path %1 is too long").arg(path);
    std::memcpy(address.sun_path, encoded.constData(), std::size_t(encoded.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool connected =
        fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) close(fd);
    if (!connected) return QStringLiteral("the Wayland display %1 can't be reached").arg(path);
    return std::nullopt;
}

std::optional<QString> platformFailure(const QString& name, const QProcessEnvironment& env,
                                       const QStringList& folders) {
    if (!pluginInstalled(name, folders)) return QStringLiteral("no Qt platform plugin \"%1\"").arg(name);
    // Qt takes a platform's name in any letter case: "XCB" needs an X display as "xcb" does.
    const QString key = name.toLower();
    if (key == u"xcb") return xcbFailure(env);
    if (key.startsWith(QLatin1String("wayland"))) return waylandFailure(env);
    return std::nullopt;
}

QStringList platformList(const QProcessEnvironment& env) {
    const QString configured = env.value(QStringLiteral("QT_QPA_PLATFORM"));
    if (!configured.isEmpty()) return configured.split(u';', Qt::SkipEmptyParts);
    const bool waylandSession = env.value(QStringLiteral("XDG_SESSION_TYPE")) == u"wayland";
    return waylandSession ? QStringList{QStringLiteral("wayland"), QStringLiteral("xcb")}
                          : QStringList{QStringLiteral("xcb"), QStringLiteral("wayland")};
}

}  // namespace

PlatformChoice chooseQtPlatform(const QProcessEnvironment& env) {
    const QStringList folders = pluginFolders(env);
    QStringList failures;
    for (const QString& entry : platformList(env)) {
        const QString name = entry.section(u':', 0, 0).trimmed();
        const std::optional<QString> failure = platformFailure(name, env, folders);
        if (!failure) return {entry.trimmed(), QString()};
        failures << *failure;
    }
    return {std::nullopt,
            QStringLiteral("no display can be opened (%1)").arg(failures.join(QStringLiteral("; ")))};
}

}  // namespace sv::ui
