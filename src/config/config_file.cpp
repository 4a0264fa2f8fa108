// The configuration file: where it lives, and the default file made from the process definitions.

#include "platform/data/recordset.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/ui/gui.h"
#include "platform/ui/message_box.h"
#include "src/app/cls_sondervik.h"
#include "src/app/run_texts.h"

#include <pugixml.hpp>

#include <cstring>
#include <sstream>

namespace sv {

namespace {

const QString kDefaultConfigQuery = QStringLiteral(
    "Select DSN, '0' as OBJ, '0' as AD, '0' as ADB, '0' as PRJ, '0' as AKTSTART, '0' as AKTERLEDIGT, "
    "'0' as AKTUPDATE, StartActivityType_DSN AS AKTART_DSN from BusinessProcess");

// The fields a store read back from the file may write; DSN is not among them.
constexpr const char* kWritableFields[] = {"OBJ",      "AD",         "ADB",         "PRJ",
                                           "AKTSTART", "AKTART_DSN", "AKTERLEDIGT", "AKTUPDATE"};

pugi::xml_attribute firstAttributeNamed(const pugi::xml_node& element, const char* name) {
    for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute())
        if (std::strcmp(a.name(), name) == 0) return a;
    return {};
}

bool isWritableField(const char* name) {
    for (const char* field : kWritableFields)
        if (std::strcmp(field, name) == 0) return true;
    return false;
}

pugi::xml_document loadXml(const QString& path) {
    const QByteArray bytes = files::readFile(path);
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(bytes.constData(), size_t(bytes.size()),
                                                               pugi::parse_default, pugi::encoding_utf8);
    if (!parsed)
        throw PlatformError(err::kBadFileFormat,
                            QStringLiteral("%1: not XML (%2 at offset %3)")
                                .arg(files::nativePath(path), QString::fromUtf8(parsed.description()))
                                .arg(parsed.offset));
    return document;
}

void saveXml(const pugi::xml_document& document, const QString& path) {
    std::ostringstream out;
    document.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    const std::string text = out.str();
    files::writeFileAtomic(path, QByteArray(text.data(), qsizetype(text.size())));
}

}  // namespace

QString clsSondervik::ConfigPath() {
    // Plain concatenation: the constant brings its own leading backslash.
    return HostApp.get(QStringLiteral("Folder")).toText() +
           QStringLiteral("\\Addin\\_Sondervik\\SondervikConfig.xml");
}

void clsSondervik::CreateDefaultConfig() {
    try {
        data::Recordset defaults;
        defaults.setActiveConnection(DbConnection.get());
        defaults.setSource(kDefaultConfigQuery);
        defaults.setCursorType(data::ado::kOpenKeyset);
        defaults.setCursorLocation(data::ado::kUseClient);
        defaults.setLockType(data::ado::kLockOptimistic);
        defaults.open();
        defaults.save(ConfigPath(), data::ado::kPersistXml);
        defaults.close();
        PatchConfigSchema();
    } catch (const PlatformError& error) {
        TraceError(error);
        MsgBox(texts::kConfigCreateError, ui::mb::kOkOnly | ui::mb::kCritical,
               texts::kConfigCreateErrorTitle);
    }
}

void clsSondervik::PatchConfigSchema() {
    const QString path = ConfigPath();
    pugi::xml_document document = loadXml(path);
    for (const pugi::xpath_node& found : document.select_nodes("//s:AttributeType")) {
        pugi::xml_node element = found.node();
        const pugi::xml_attribute name = firstAttributeNamed(element, "name");
        if (!name || !isWritableField(name.value())) continue;
        pugi::xml_attribute mark = firstAttributeNamed(element, "rs:writeunknown");
        if (!mark) mark = element.append_attribute("rs:writeunknown");
        mark.set_value("true");
    }
    // Saved beside and renamed, so that a failure leaves the file as the default save wrote it.
    saveXml(document, path);
}

}  // namespace sv
