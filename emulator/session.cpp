#include "emulator/session.h"

#include "platform/error.h"
#include "platform/files.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <utility>
#include <vector>

namespace sv::emu {

namespace {

const QString kInitType = QStringLiteral("inittype");
const QString kShown = QStringLiteral("shown");

// The text members of a session with their keys, in the file and for `set`.
std::vector<std::pair<QString, QString Session::*>> textMembers() {
    return {
        {QStringLiteral("pane"), &Session::pane},
        {QStringLiteral("selected"), &Session::selected},
        {QStringLiteral("user"), &Session::user},
        {QStringLiteral("folder"), &Session::folder},
        {QStringLiteral("hostfolder"), &Session::hostFolder},
        {QStringLiteral("oktype"), &Session::okType},
    };
}

[[noreturn]] void raiseBadSession(const QString& path, const QString& why) {
    throw PlatformError(err::kBadFileFormat,
                        QStringLiteral("Session file %1 is not valid: %2").arg(path, why));
}

QString readText(const QJsonObject& object, const QString& key, const QString& fallback,
                 const QString& path) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined()) return fallback;
    if (!value.isString()) raiseBadSession(path, QStringLiteral("\"%1\" must be a text").arg(key));
    return value.toString();
}

QVariant readInitType(const QJsonObject& object, const QVariant& fallback, const QString& path) {
    const QJsonValue value = object.value(kInitType);
    if (value.isUndefined()) return fallback;
    if (value.isNull()) return {};
    if (!value.isDouble() || value.toDouble() != double(value.toInteger()))
        raiseBadSession(path, QStringLiteral("\"inittype\" must be a whole number or null"));
    return qint32(value.toInteger());
}

}  // namespace

Session defaultSession(const QString& hostDir, const QString& userDsn) {
    Session session;
    session.pane = QStringLiteral("F_AKT");
    session.user = userDsn;
    session.initType = qint32(1);
    session.folder = hostDir;
    session.hostFolder = hostDir;
    return session;
}

Session readSession(const QString& path, const QString& hostDir) {
    return parseSession(files::readFile(path), path, hostDir);
}

Session parseSession(const QByteArray& json, const QString& path, const QString& hostDir) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) raiseBadSession(path, error.errorString());
    if (!document.isObject()) raiseBadSession(path, QStringLiteral("not a JSON object"));
    const QJsonObject object = document.object();

    const Session defaults = defaultSession(hostDir, QString());
    Session session;
    for (const auto& [key, member] : textMembers())
        session.*member = readText(object, key, defaults.*member, path);
    session.shown = readText(object, kShown, QString(), path);
    session.initType = readInitType(object, defaults.initType, path);
    return session;
}

void writeSession(const QString& path, const Session& session) {
    QJsonObject object;
    for (const auto& [key, member] : textMembers())
        object.insert(key, session.*member);
    object.insert(kShown, session.shown);
    object.insert(kInitType,
                  session.initType.isValid() ? QJsonValue(session.initType.toInt()) : QJsonValue());
    files::writeFileAtomic(path, QJsonDocument(object).toJson(QJsonDocument::Indented));
}

QStringList hostPaneNames() {
    return {QStringLiteral("F_AKT"), QStringLiteral("F_VOR")};
}

QStringList settingKeys() {
    QStringList keys;
    for (const auto& entry : textMembers())
        keys << entry.first;
    keys << kInitType;
    return keys;
}

void applySetting(Session& session, const QString& key, const QString& value) {
    if (key == kInitType) {
        bool ok = true;
        const int number = value.isEmpty() ? 0 : value.toInt(&ok);
        if (!ok)
            throw PlatformError(err::kBadArgument,
                                QStringLiteral("inittype must be a whole number: %1").arg(value));
        session.initType = value.isEmpty() ? QVariant() : QVariant(qint32(number));
        return;
    }
    for (const auto& [name, member] : textMembers()) {
        if (name != key) continue;
        session.*member = value;
        return;
    }
    throw PlatformError(err::kBadArgument, QStringLiteral("Unknown session key \"%1\" (known: %2)")
                                               .arg(key, settingKeys().join(QStringLiteral(", "))));
}

}  // namespace sv::emu
