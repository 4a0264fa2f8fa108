#pragma once
// A configurator run (clsSondervik) on a demo host in a temporary folder. Message boxes are answered
// from a UI script and recorded in a transcript; configuration files are written and read row by row.

#include "emulator/emulated_host.h"
#include "emulator/host_folder.h"
#include "emulator/sql_ini.h"
#include "platform/automation/registry.h"
#include "platform/data/connection.h"
#include "platform/data/persist_xml.h"
#include "platform/files.h"
#include "platform/ui/gui.h"
#include "platform/variant.h"
#include "src/app/cls_sondervik.h"
#include "src/ui/frm_sondervik_config.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace sv::cfgtest {

using Row = QMap<QString, QString>;  // field -> value; a Null is left out

inline const QStringList kCurrentFields = {"DSN",      "OBJ",         "AD",        "ADB",       "PRJ",
                                           "AKTSTART", "AKTERLEDIGT", "AKTUPDATE", "AKTART_DSN"};
inline const QStringList kOldFields = {"DSN", "OBJ", "AD", "ADB", "PRJ"};
inline const char* const kBoxes[] = {"chk_OBJ",        "chk_AD",    "chk_AD_B", "chk_PRJ",
                                     "chkStartOnDone", "chkAKTNew", "chkUpdate"};

// The demo's process definitions: "B9000000-0000-4000-8000-00000000000n".
inline QString process(int n) {
    return QStringLiteral("B9000000-0000-4000-8000-%1").arg(n, 12, 10, QLatin1Char('0'));
}
inline const QString kTypeComplaint = QStringLiteral("A7000000-0000-4000-8000-000000000001");
inline const QString kTypeOffer = QStringLiteral("A7000000-0000-4000-8000-000000000002");
inline const QString kTypeService = QStringLiteral("A7000000-0000-4000-8000-000000000004");
// Process n at list position i (ordered by name): kListOrder[i] == n.
inline const int kListOrder[] = {6, 3, 2, 4, 1, 5, 8, 7};

inline Row row(const QString& dsn, const QString& flags, const QString& type = QString()) {
    Row r{{"DSN", dsn}};
    static const char* const flagFields[] = {"OBJ",      "AD",          "ADB",      "PRJ",
                                             "AKTSTART", "AKTERLEDIGT", "AKTUPDATE"};
    for (int i = 0; i < flags.size(); ++i)
        r[QLatin1String(flagFields[i])] = flags.mid(i, 1);
    if (!type.isNull()) r["AKTART_DSN"] = type;
    return r;
}

// A configuration file with the given fields, writable as in the default file: DSN through its base
// column, the others marked. Fields named in `unwritable` lack that.
inline void writeConfig(const QString& path, const QStringList& fields, const std::vector<Row>& rows,
                        const QStringList& unwritable = {}) {
    data::Store store;
    for (const QString& name : fields) {
        data::FieldDef field;
        field.name = name;
        field.maxLength = name.endsWith(QLatin1String("DSN")) ? 36 : 1;
        const bool writable = !unwritable.contains(name);
        field.writeUnknown = writable && name != u"DSN";
        if (writable && name == u"DSN")
            field.baseTable = field.baseColumn = QStringLiteral("BusinessProcess");
        store.fields.push_back(field);
    }
    for (const Row& r : rows) {
        data::Row values;
        for (const QString& name : fields)
            values.push_back(r.contains(name) ? QVariant(r[name]) : nullVariant());
        store.rows.push_back(values);
    }
    files::writeFileAtomic(path, data::writePersistedXml(store));
}

struct ConfigFile {
    QStringList fields;
    std::vector<Row> rows;

    // The rows of one process, in file order.
    std::vector<Row> of(const QString& dsn) const {
        std::vector<Row> found;
        for (const Row& r : rows)
            if (r.value("DSN") == dsn) found.push_back(r);
        return found;
    }
};

inline ConfigFile readConfig(const QString& path) {
    const data::Store store = data::readPersistedXml(files::readFile(path));
    ConfigFile file;
    for (const data::FieldDef& f : store.fields)
        file.fields << f.name;
    for (const data::Row& values : store.rows) {
        Row r;
        for (size_t i = 0; i < values.size(); ++i)
            if (!isNullValue(values[i])) r[file.fields[qsizetype(i)]] = toText(values[i]);
        file.rows.push_back(r);
    }
    return file;
}

class ConfiguratorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        hostDir = tmp.filePath(QStringLiteral("host"));
        emu::createHostFolder(hostDir, true);
        QProcessEnvironment env;
        env.insert(QLatin1String(emu::kHostDirVariable), hostDir);
        emu::registerEmulatedHost(registry, env);
    }

    void TearDown() override {
        run.reset();
        gui.reset();
    }

    // A run attached to the host; its message boxes take the answers in order, and any further
    // message box ends the test program (status 3).
    void startRun(const QStringList& answers = {}) {
        QFile script(tmp.filePath(QStringLiteral("script.txt")));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (const QString& answer : answers)
            script.write("answer " + answer.toUtf8() + "\n");
        script.close();
        gui = std::make_unique<ui::Gui>(ui::GuiSettings{script.fileName(), transcriptPath(), true});
        run = std::make_unique<clsSondervik>(registry, *gui);
        run->InitHost();
    }

    void openConfigurator(const QStringList& answers = {}) {
        startRun(answers);
        run->OpenConfigurator();
    }

    frm_SondervikConfig& form() { return dynamic_cast<frm_SondervikConfig&>(*run->ConfigForm); }
    QCheckBox* box(const char* name) { return form().findChild<QCheckBox*>(QLatin1String(name)); }
    void click(const char* name) { box(name)->click(); }
    // The states of the seven boxes, in the order of kBoxes, as "0101010".
    QString boxStates() {
        QString states;
        for (const char* name : kBoxes)
            states += box(name)->isChecked() ? u'1' : u'0';
        return states;
    }

    QString transcriptPath() const { return tmp.filePath(QStringLiteral("transcript.jsonl")); }
    std::vector<QJsonObject> messages() const {
        std::vector<QJsonObject> found;
        QFile file(transcriptPath());
        if (!file.open(QIODevice::ReadOnly)) return found;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QJsonObject event = QJsonDocument::fromJson(line).object();
            if (event.value("event").toString() == u"msgbox") found.push_back(event);
        }
        return found;
    }

    QString configPath() const {
        return emu::HostFolder(hostDir).addinPath() + QStringLiteral("/SondervikConfig.xml");
    }
    QByteArray configBytes() const { return files::readFile(configPath()); }
    ConfigFile config() const { return readConfig(configPath()); }
    void writeConfig(const QStringList& fields, const std::vector<Row>& rows,
                     const QStringList& unwritable = {}) const {
        cfgtest::writeConfig(configPath(), fields, rows, unwritable);
    }

    void hostSql(const QString& statement) const {
        data::Connection connection;
        connection.open(emu::connectStringFromIni(emu::HostFolder(hostDir).sqlIniPath()));
        connection.execute(statement);
    }

    QTemporaryDir tmp;
    QString hostDir;
    automation::Registry registry;
    std::unique_ptr<ui::Gui> gui;
    std::unique_ptr<clsSondervik> run;
};

}  // namespace sv::cfgtest
