// The configuration file: where it lives, the default file made from the process definitions, the
// removal of what an interrupted write left behind, and the message about a file that can't be read.

#include "config_file.h"

#include "config_fields.h"
#include "platform/data/persist_xml.h"
#include "platform/data/recordset.h"
#include "platform/files.h"
#include "platform/ui/gui.h"
#include "platform/ui/message_box.h"
#include "settings_store.h"
#include "src/app/cls_sondervik.h"
#include "src/app/run_texts.h"

#include <pugixml.hpp>

#include <QStringList>

#include <cstring>
#include <sstream>

namespace sv {

namespace {

// "Select DSN, '0' as OBJ, …, StartActivityType_DSN AS AKTART_DSN from BusinessProcess": every
// process definition, each field with its default value.
QString defaultConfigQuery() {
    QStringList terms;
    for (const config::ConfigField& field : config::kFields) {
        const QString name = config::nameOf(field);
        const QString source = QLatin1String(field.defaultValue);
        if (config::isFlag(field))
            terms << QStringLiteral("'%1' as %2").arg(source, name);
        else if (source == name)
            terms << name;
        else
            terms << QStringLiteral("%1 AS %2").arg(source, name);
    }
    return QStringLiteral("Select ") + terms.join(QStringLiteral(", ")) +
           QStringLiteral(" from BusinessProcess");
}

pugi::xml_attribute firstAttributeNamed(const pugi::xml_node& element, const char* name) {
    for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute())
        if (std::strcmp(a.name(), name) == 0) return a;
    return {};
}

// The fields a store read back from the file may write: all but DSN, which only a new row gets.
bool isWritableField(const char* name) {
    const config::ConfigField* field = config::fieldNamed(name);
    return field && field->role != config::FieldRole::processDsn;
}

bool parse(pugi::xml_document& document, const QByteArray& xml) {
    return bool(
        document.load_buffer(xml.constData(), size_t(xml.size()), pugi::parse_default, pugi::encoding_utf8));
}

// Gives the writable fields of the schema the mark rs:writeunknown="true".
QByteArray markWritableFields(const QByteArray& xml) {
    pugi::xml_document document;
    if (!parse(document, xml))
        throw PlatformError(err::kBadFileFormat, QStringLiteral("The default configuration is not XML."));
    for (const pugi::xpath_node& found : document.select_nodes("//s:AttributeType")) {
        pugi::xml_node element = found.node();
        const pugi::xml_attribute name = firstAttributeNamed(element, "name");
        if (!name || !isWritableField(name.value())) continue;
        pugi::xml_attribute mark = firstAttributeNamed(element, "rs:writeunknown");
        if (!mark) mark = element.append_attribute("rs:writeunknown");
        mark.set_value("true");
    }
    std::ostringstream out;
    document.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    const std::string text = out.str();
    return QByteArray(text.data(), qsizetype(text.size()));
}

bool hasStrayTemporaries(const QString& path) {
    return !files::strayTemporaries(path).isEmpty() ||
           !files::strayTemporaries(path + config::kBackupSuffix).isEmpty();
}

}  // namespace

namespace config {

QByteArray defaultConfigXml(data::Connection* connection) {
    data::Recordset defaults;
    defaults.setActiveConnection(connection);
    defaults.setSource(defaultConfigQuery());
    defaults.setCursorType(data::ado::kOpenKeyset);
    defaults.setCursorLocation(data::ado::kUseClient);
    defaults.setLockType(data::ado::kLockOptimistic);
    defaults.open();
    const QByteArray xml = data::writePersistedXml(defaults.store());
    defaults.close();
    return markWritableFields(xml);
}

void reportCreateError(clsSondervik& run, const PlatformError& error) {
    run.MsgBox(texts::kConfigCreateError + QStringLiteral("\r\n") + error.description(),
               ui::mb::kOkOnly | ui::mb::kCritical, texts::kConfigCreateErrorTitle);
}

void removeLeftoverTemporaries(const QString& path) {
    if (!hasStrayTemporaries(path)) return;
    try {
        // Writers make their temporary files under the lock: one that is free at once means no writer
        // is under way. A run that can't take it (no write access, a writer busy) leaves them be.
        const ConfigFileLock lock(path, std::chrono::milliseconds::zero());
        files::removeStrayTemporaries(path);
        files::removeStrayTemporaries(path + kBackupSuffix);
    } catch (const PlatformError&) {
    }
}

QString unreadableMessage(const QString& path, const QString& problem) {
    QString text = texts::configUnreadable(files::nativePath(path), problem);
    const QString backup = path + kBackupSuffix;
    if (files::entryExists(backup))
        text += QStringLiteral("\r\n") + texts::configBackupHint(files::nativePath(backup));
    return text;
}

}  // namespace config

QString clsSondervik::ConfigPath() {
    // Plain concatenation: the constant brings its own leading backslash.
    return HostApp.get(QStringLiteral("Folder")).toText() +
           QStringLiteral("\\Addin\\_Sondervik\\SondervikConfig.xml");
}

bool clsSondervik::CreateDefaultConfig() {
    try {
        const QByteArray xml = config::defaultConfigXml(DbConnection.get());
        const QString path = ConfigPath();
        const config::ConfigFileLock lock(path);
        // Made complete or not at all; a file that another run made meanwhile, and may have stored
        // settings in since, is never replaced.
        files::createFileExclusive(path, xml);
        return true;
    } catch (const PlatformError& error) {
        TraceError(error);
        config::reportCreateError(*this, error);
        return false;
    }
}

}  // namespace sv
