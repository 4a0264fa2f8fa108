// The default configuration file: one row per definition, every flag "0", eight fields marked
// writable, and its failure message when the add-in's folder is missing.
#include "platform/error.h"
#include "platform/files.h"
#include "support/run_fixture.h"

#include <QDir>
#include <pugixml.hpp>

using namespace sv;

namespace {

class DefaultConfig : public test::RunFixture {
protected:
    // CreateDefaultConfig on an attached run; the script answers its message, if any.
    std::vector<QJsonObject> createDefault(const QStringList& script = {}) {
        return runWith(script, [](clsSondervik& addin) {
            addin.InitHost();
            addin.CreateDefaultConfig();
        });
    }
};

}  // namespace

TEST_F(DefaultConfig, HasEveryDefinitionEightMarkedFieldsAndNullTypesKept) {
    sql("insert into BusinessProcess (DSN, BusinessProcessName, StartActivityType_DSN, ValidFrom, ValidTo, "
        "farchiv) "
        "values ('P-NULL', 'Ohne Art', NULL, '2020-01-01', '2099-01-01', 0)");
    EXPECT_TRUE(createDefault().empty());

    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(QDir::toNativeSeparators(configPath()).toLocal8Bit().constData()));
    std::vector<std::string> names, marked;
    for (const pugi::xpath_node& found : doc.select_nodes("//s:AttributeType")) {
        names.emplace_back(found.node().attribute("name").value());
        if (std::string(found.node().attribute("rs:writeunknown").value()) == "true")
            marked.push_back(names.back());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"DSN", "OBJ", "AD", "ADB", "PRJ", "AKTSTART", "AKTERLEDIGT",
                                               "AKTUPDATE", "AKTART_DSN"}));
    EXPECT_EQ(marked, (std::vector<std::string>{"OBJ", "AD", "ADB", "PRJ", "AKTSTART", "AKTERLEDIGT",
                                                "AKTUPDATE", "AKTART_DSN"}));

    data::Recordset config;
    config.open(configPath(), QString());
    EXPECT_EQ(config.recordCount(), 9);  // eight demo definitions, valid or not, and the new one
    for (; !config.eof(); config.moveNext()) {
        for (const char* flag : {"OBJ", "AD", "ADB", "PRJ", "AKTSTART", "AKTERLEDIGT", "AKTUPDATE"})
            EXPECT_EQ(config.value(flag), QVariant("0"));
        if (config.value("DSN") == QVariant("P-NULL")) {
            EXPECT_TRUE(isNullValue(config.value("AKTART_DSN")));
        }
    }
    config.setFilter("DSN = 'B9000000-0000-4000-8000-000000000006'");
    EXPECT_EQ(config.value("AKTART_DSN"), QVariant(emu::demo::kTypeOffer));
    // The marked fields take writes in the store read back; DSN of an existing row keeps its base column.
    config.setValue("AKTSTART", 1);
    config.setValue("AKTART_DSN", "X");
}

TEST_F(DefaultConfig, AnEmptyDefinitionTableGivesTheFieldsAndNoRows) {
    sql("delete from BusinessProcess");
    EXPECT_TRUE(createDefault().empty());
    data::Recordset config;
    config.open(configPath(), QString());
    EXPECT_EQ(config.recordCount(), 0);
    EXPECT_EQ(config.fieldNames().size(), 9u);
}

TEST_F(DefaultConfig, AMissingAddinFolderGetsTheCriticalMessageAndNoFile) {
    QDir(dir_ + "/Addin/_Sondervik").removeRecursively();
    const auto shown = createDefault({"answer OK"});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].value("text").toString(),
              "Es ist ein Fehler aufgetreten beim erstellen der Konfigurationdatei\r\nPath not found: " +
                  configPath());
    EXPECT_EQ(shown[0].value("title").toString(), "Fehler beim erstellen der Konfigurationsdatei");
    EXPECT_EQ(shown[0].value("icon").toString(), "critical");
    EXPECT_FALSE(QFile::exists(configPath()));
    EXPECT_TRUE(QDir(dir_ + "/Addin").entryList(QDir::Files | QDir::Hidden).isEmpty());
}
