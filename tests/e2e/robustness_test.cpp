// Bad input met by the real executables: configuration files that are broken, of another kind, of
// the older layout, with duplicate or 100,000 rows, read-only or in a missing folder; a host database
// that can't be reached; a host that fails to initialise; Null in every field the add-in reads; values
// with quotes, markup characters, umlauts and 4,000 characters. Every road says what went wrong (or
// ends silently where there is nothing to do) and loses nothing stored.
#include "config/configurator_fixture.h"
#include "emulator/host_schema.h"
#include "platform/files.h"
#include "support/host_fixture.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <functional>

#include <pugixml.hpp>

using namespace sv;
using cfgtest::ConfigFile;
using cfgtest::process;
using cfgtest::readConfig;
using cfgtest::Row;
using cfgtest::row;
using test::fileBytes;
using test::HostFixture;
using test::writeBytes;
namespace demo = sv::emu::demo;

namespace {

const QString kStartFailed = QStringLiteral("Es ist ein Fehler beim Prozessstart aufgetreten:\r\n");
const QString kMissingLinkTitle = QStringLiteral("Fehlende Verknüpfung");
const QString kMissingLinkIntro = QStringLiteral(
    "Um den gewählten Prozess für die ausgewählte Aktivität\r\nstarten zu können werden folgende "
    "Verknüpfungen noch benötigt:");

QString unreadable(const HostFixture& host) {
    return QStringLiteral("Die Konfigurationsdatei '") + host.configPath() +
           QStringLiteral("' konnte nicht gelesen werden:\r\n");
}

QStringList messageTexts(const HostFixture& host) {
    QStringList texts;
    for (const QJsonObject& box : host.events("msgbox"))
        texts << box.value("text").toString();
    return texts;
}

int startedCount(HostFixture& host) {
    return host.sql("select count(*) as n from BusinessProcessActive").front().value("n").toInt();
}

std::vector<QJsonObject> startedFor(HostFixture& host, const QString& activity) {
    return host.sql(QStringLiteral("select BusinessProcess_DSN, Start_User_DSN from BusinessProcessActive "
                                   "where Start_Activity_DSN = '%1'")
                        .arg(QString(activity).replace(u'\'', QStringLiteral("''"))));
}

QString noteOf(HostFixture& host, const char* activity) {
    return host.sql(QStringLiteral("select Notiz from HostActivity where DSN = '%1'").arg(activity))
        .front()
        .value("Notiz")
        .toString();
}

QJsonObject control(const QJsonObject& window, const char* name) {
    return window.value("controls").toObject().value(QLatin1String(name)).toObject();
}

// The session's init type, written straight into the host's session file.
void setInitType(const HostFixture& host, const QJsonValue& initType) {
    const QString path = host.dir() + "/session.json";
    QJsonObject session = QJsonDocument::fromJson(fileBytes(path)).object();
    ASSERT_FALSE(session.isEmpty());
    session.insert("inittype", initType);
    writeBytes(path, QJsonDocument(session).toJson());
}

// Runs the configurator with the steps; at the step "wait" the window holds, `change` runs, and the
// run goes on. The transcript ends up in host.transcript.
void configureWhileChanged(HostFixture& host, QStringList steps, const std::function<void()>& change) {
    QTemporaryDir dir;
    const QString go = dir.filePath("go"), script = dir.filePath("script.txt"),
                  transcript = dir.filePath("transcript.jsonl");
    steps.replaceInStrings(QRegularExpression("^wait$"), "wait " + go);
    writeBytes(script, steps.join(u'\n').toUtf8());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SONDERVIK_UI_SCRIPT", script);
    env.insert("SONDERVIK_UI_TRANSCRIPT", transcript);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess run;
    run.setProcessEnvironment(env);
    run.start(test::buildPath("quorvant-host"), {"start", host.dir(), "config"});
    const QDeadlineTimer deadline(60000);
    while (!fileBytes(transcript).contains("\"wait ") && run.state() != QProcess::NotRunning &&
           !deadline.hasExpired())
        QThread::msleep(20);
    change();
    writeBytes(go, {});
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    host.transcript = test::jsonLines(QString::fromUtf8(fileBytes(transcript)));
}

// The demo's rows as the default file has them, in the order of the definitions.
std::vector<Row> defaultRows() {
    std::vector<Row> rows;
    for (int n = 1; n <= 8; ++n)
        rows.push_back(row(process(n), "0000000",
                           n <= 5   ? cfgtest::kTypeComplaint
                           : n == 6 ? cfgtest::kTypeOffer
                                    : cfgtest::kTypeService));
    return rows;
}

// Every flag field of the file declared boolean, as a file made by hand may declare them.
void declareFlagsBoolean(const QString& path) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(path.toLocal8Bit().constData()));
    for (const pugi::xpath_node& found :
         doc.select_nodes("//s:AttributeType[@name!='DSN' and @name!='AKTART_DSN']/s:datatype"))
        found.node().attribute("dt:type").set_value("boolean");
    ASSERT_TRUE(
        doc.save_file(path.toLocal8Bit().constData(), "", pugi::format_raw | pugi::format_no_declaration));
}

// The three roads that read the configuration, for the complaint (three candidates): an automatic
// run, a manual start of the first listed process, and the configurator.
struct RoadResults {
    test::ToolResult automatic, manual, configurator;
    QStringList automaticTexts, manualTexts, configuratorTexts;
    size_t configuratorClosed = 0;
};

RoadResults runThreeRoads(HostFixture& host) {
    RoadResults r;
    r.automatic = host.start("update", {"answer OK"});
    r.automaticTexts = messageTexts(host);
    r.manual = host.start(QString(), {"click cmd_DoProcess", "answer OK"});
    r.manualTexts = messageTexts(host);
    r.configurator = host.start("config", {"answer OK"});
    r.configuratorTexts = messageTexts(host);
    r.configuratorClosed = host.events("closed").size();
    return r;
}

}  // namespace

TEST(Robustness, UnreadableConfigurationIsNamedOnEveryRoadAndKept) {
    HostFixture host;
    const QString note = noteOf(host, demo::kActComplaint);
    cfgtest::writeConfig(host.configPath(), cfgtest::kCurrentFields, defaultRows());
    const QByteArray valid = fileBytes(host.configPath());

    struct Case {
        const char* name;
        QByteArray content;
    };
    const Case cases[] = {
        {"not XML", "Konfiguration: alles an\n"},
        {"truncated", valid.left(valid.indexOf("<rs:data>") + 40)},
        {"XML of another kind",
         "<?xml version=\"1.0\"?>\n<configuration><appSettings><add key=\"DSN\" "
         "value=\"x\"/></appSettings></configuration>\n"},
        {"a record set of other fields",
         "<xml xmlns:s=\"uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882\" "
         "xmlns:dt=\"uuid:C2F41010-65B3-11d1-A29F-00AA00C14882\" "
         "xmlns:rs=\"urn:schemas-microsoft-com:rowset\" "
         "xmlns:z=\"#RowsetSchema\"><s:Schema id=\"RowsetSchema\"><s:ElementType name=\"row\" "
         "content=\"eltOnly\"><s:AttributeType name=\"Kunde\" rs:number=\"1\" "
         "rs:writeunknown=\"true\"><s:datatype "
         "dt:type=\"string\" "
         "dt:maxLength=\"50\"/></s:AttributeType></s:ElementType></s:Schema><rs:data><z:row "
         "Kunde=\"M&#252;ller\"/></rs:data></xml>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(host.configPath(), c.content);
        const RoadResults r = runThreeRoads(host);

        EXPECT_EQ(r.automatic.status, 0);
        ASSERT_EQ(r.automaticTexts.size(), 1);
        EXPECT_TRUE(r.automaticTexts[0].startsWith(unreadable(host))) << r.automaticTexts[0].toStdString();
        const QString problem = r.automaticTexts[0].mid(unreadable(host).size());
        EXPECT_FALSE(problem.isEmpty());

        EXPECT_EQ(r.manual.status, 0);
        ASSERT_EQ(r.manualTexts.size(), 1);
        EXPECT_TRUE(r.manualTexts[0].startsWith(kStartFailed)) << r.manualTexts[0].toStdString();

        // The configurator names the file too, then closes: nothing in it can be shown.
        EXPECT_EQ(r.configurator.status, 0) << r.configurator.err.toStdString();
        ASSERT_EQ(r.configuratorTexts.size(), 1);
        EXPECT_TRUE(r.configuratorTexts[0].startsWith(unreadable(host)))
            << r.configuratorTexts[0].toStdString();
        EXPECT_EQ(r.configuratorClosed, 1u);
        if (QByteArray(c.name) != "a record set of other fields") {
            EXPECT_EQ(r.configuratorTexts[0], r.automaticTexts[0]);
            EXPECT_EQ(r.manualTexts[0], kStartFailed + unreadable(host) + problem);
        } else {
            EXPECT_TRUE(problem.contains("DSN")) << problem.toStdString();
        }

        EXPECT_EQ(fileBytes(host.configPath()), c.content);
        EXPECT_FALSE(QFile::exists(host.configPath() + ".bak"));
    }
    EXPECT_EQ(startedCount(host), 1);  // the demo's one running process
    EXPECT_EQ(noteOf(host, demo::kActComplaint), note);
}

TEST(Robustness, OlderLayoutIsReadByTheLinkCheckAndUpgradedByTheConfiguratorOnly) {
    HostFixture host;
    // Process 2 ("Gutschrift prüfen", second in the selection list) demands an object and a project.
    const std::vector<Row> oldRows = {row(process(2), "1001"), row(process(6), "0100"),
                                      row("VERALTET-1", "0010")};
    cfgtest::writeConfig(host.configPath(), cfgtest::kOldFields, oldRows);
    const QByteArray old = fileBytes(host.configPath());

    // The older layout flags no process for any event: the automatic choice ends silently.
    ASSERT_EQ(host.start("update", {"answer OK"}).status, 0);
    EXPECT_TRUE(host.transcript.empty());

    // The link check reads the link flags it knows.
    const QStringList refusal{"select Combo_Process 1", "click cmd_DoProcess", "answer OK"};
    ASSERT_EQ(host.start(QString(), refusal).status, 0);
    ASSERT_EQ(host.events("msgbox").size(), 1u);
    EXPECT_EQ(host.events("msgbox")[0].value("title").toString(), kMissingLinkTitle);
    EXPECT_EQ(messageTexts(host)[0], kMissingLinkIntro + "\r\n- Eine Projektverknüpfung");
    EXPECT_EQ(fileBytes(host.configPath()), old);
    EXPECT_TRUE(startedFor(host, demo::kActComplaint).empty());

    // The configurator rewrites it deliberately: the old file stays beside it, its link flags are kept.
    ASSERT_EQ(host.start("config", {"click btn_Close"}).status, 0);
    EXPECT_TRUE(host.events("msgbox").empty());
    EXPECT_EQ(fileBytes(host.configPath() + ".bak"), old);
    const ConfigFile upgraded = readConfig(host.configPath());
    EXPECT_EQ(upgraded.fields, cfgtest::kCurrentFields);
    EXPECT_EQ(upgraded.rows.size(), 9u);
    EXPECT_EQ(upgraded.of(process(2)), std::vector<Row>{row(process(2), "1001000", cfgtest::kTypeComplaint)});
    EXPECT_EQ(upgraded.of(process(6)), std::vector<Row>{row(process(6), "0100000", cfgtest::kTypeOffer)});
    EXPECT_EQ(upgraded.of("VERALTET-1"), std::vector<Row>{row("VERALTET-1", "0010000", "")});

    // The kept settings still refuse the same start.
    ASSERT_EQ(host.start(QString(), refusal).status, 0);
    EXPECT_EQ(messageTexts(host), QStringList{kMissingLinkIntro + "\r\n- Eine Projektverknüpfung"});
    EXPECT_TRUE(startedFor(host, demo::kActComplaint).empty());
}

TEST(Robustness, DuplicateRowsAreNeitherListedNorCheckedAndNeverMerged) {
    HostFixture host;
    std::vector<Row> rows = defaultRows();
    rows[1] = row(process(2), "0000001", cfgtest::kTypeComplaint);
    rows[2] = row(process(3), "0000001", cfgtest::kTypeComplaint);
    rows.push_back(row(process(2), "1111001", cfgtest::kTypeComplaint));
    cfgtest::writeConfig(host.configPath(), cfgtest::kCurrentFields, rows);
    const QByteArray before = fileBytes(host.configPath());

    // Three rows of the type are flagged, so none starts by itself; process 2 has two rows and is not
    // offered; nothing is started when the user cancels.
    ASSERT_EQ(host.start("update", {"click btn_cancel"}).status, 0);
    ASSERT_FALSE(host.events("window").empty());
    EXPECT_EQ(control(host.events("window").front(), "Combo_Process").value("entries").toArray(),
              QJsonArray{"Ersatzlieferung veranlassen"});
    EXPECT_EQ(fileBytes(host.configPath()), before);

    // The configurator shows process 2 (list position 2) cleared and appends a third row on a click.
    ASSERT_EQ(host.start("config", {"select lb_Process 2", "click chk_AD", "click btn_Close"}).status, 0);
    EXPECT_TRUE(host.events("msgbox").empty());
    const ConfigFile file = readConfig(host.configPath());
    EXPECT_EQ(file.of(process(2)),
              (std::vector<Row>{rows[1], rows.back(), row(process(2), "0100000", cfgtest::kTypeComplaint)}));
    EXPECT_EQ(file.rows.size(), 10u);

    // The link check tests nothing for a process with several rows: it starts despite "OBJ" and "PRJ".
    host.set({"selected=" + QLatin1String(demo::kActComplaint)});
    ASSERT_EQ(host.start(QString(), {"select Combo_Process 1", "click cmd_DoProcess"}).status, 0);
    EXPECT_TRUE(host.events("msgbox").empty());
    const auto started = startedFor(host, demo::kActComplaint);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].value("BusinessProcess_DSN").toString(), process(2));
}

TEST(Robustness, AFlagIsOnOnlyAsTheNumberOneOnEveryRoad) {
    HostFixture host;
    // The offer's process (first in the configurator's list) holds an odd value in every flag; the
    // complaint's three processes hold one each for "update".
    std::vector<Row> rows = defaultRows();
    rows[5] = Row{{"DSN", process(6)},  {"OBJ", "2"},        {"AD", "-1"},
                  {"ADB", ""},          {"PRJ", "true"},     {"AKTSTART", "nan"},
                  {"AKTERLEDIGT", " "}, {"AKTUPDATE", "1x"}, {"AKTART_DSN", cfgtest::kTypeOffer}};
    rows[0]["AKTUPDATE"] = "2";
    rows[1]["AKTUPDATE"] = "true";
    rows[2]["AKTUPDATE"] = "-1";
    cfgtest::writeConfig(host.configPath(), cfgtest::kCurrentFields, rows);

    // Automatic: none of the three is flagged, so nothing starts and nothing is offered.
    ASSERT_EQ(host.start("update").status, 0);
    EXPECT_TRUE(host.transcript.empty());
    // The link check demands nothing: the offer, which has only its address, starts.
    host.set({"selected=" + QLatin1String(demo::kActOffer)});
    ASSERT_EQ(host.start(QString(), {"answer Yes"}).status, 0);
    EXPECT_EQ(host.events("msgbox").size(), 1u);  // the confirmation
    EXPECT_EQ(startedFor(host, demo::kActOffer).size(), 1u);
    // The configurator shows seven cleared boxes and stays usable: a click stores "1".
    ASSERT_EQ(host.start("config", {"click chk_OBJ", "click btn_Close"}).status, 0);
    EXPECT_TRUE(host.events("msgbox").empty());
    ASSERT_FALSE(host.events("window").empty());
    for (const char* box : cfgtest::kBoxes)
        EXPECT_EQ(control(host.events("window").front(), box).value("checked").toInt(), 0) << box;
    Row clicked = rows[5];
    clicked["OBJ"] = "1";
    EXPECT_EQ(readConfig(host.configPath()).of(process(6)), std::vector<Row>{clicked});

    // Flags declared boolean are off too, whatever they hold: "Gutschrift prüfen" flagged for
    // "update" alone does not start, and the offer's demanded object is not demanded.
    rows = defaultRows();
    rows[1] = row(process(2), "0000001", cfgtest::kTypeComplaint);
    rows[5] = row(process(6), "1111111", cfgtest::kTypeOffer);
    cfgtest::writeConfig(host.configPath(), cfgtest::kCurrentFields, rows);
    declareFlagsBoolean(host.configPath());
    host.set({"selected=" + QLatin1String(demo::kActComplaint)});
    ASSERT_EQ(host.start("update").status, 0);
    EXPECT_TRUE(host.transcript.empty());
    EXPECT_TRUE(startedFor(host, demo::kActComplaint).empty());
    host.sql("delete from BusinessProcessActive where Start_Activity_DSN = '" +
             QLatin1String(demo::kActOffer) + "'");
    host.set({"selected=" + QLatin1String(demo::kActOffer)});
    ASSERT_EQ(host.start("new").status, 0);
    EXPECT_TRUE(host.transcript.empty());
    EXPECT_EQ(startedFor(host, demo::kActOffer).size(), 1u);
    ASSERT_EQ(host.start("config", {"click btn_Close"}).status, 0);
    EXPECT_TRUE(host.events("msgbox").empty());
    ASSERT_FALSE(host.events("window").empty());
    for (const char* box : cfgtest::kBoxes)
        EXPECT_EQ(control(host.events("window").front(), box).value("checked").toInt(), 0) << box;
}

TEST(Robustness, HundredThousandRowsAreReadAndWrittenCompletely) {
    HostFixture host;
    std::vector<Row> rows = defaultRows();
    rows[7] = row(process(8), "0001001", cfgtest::kTypeService);  // project demanded, starts on "update"
    cfgtest::writeConfig(host.configPath(), cfgtest::kCurrentFields, rows);
    // 99,992 rows of definitions that are gone, flagged for everything, ahead of the real ones.
    QByteArray text = fileBytes(host.configPath());
    const qsizetype data = text.indexOf("<rs:data>") + qsizetype(sizeof("<rs:data>") - 1);
    QByteArray filler;
    for (int i = 0; i < 99992; ++i)
        filler += QStringLiteral(
                      "<z:row DSN=\"ALT-%1\" OBJ=\"1\" AD=\"1\" ADB=\"1\" PRJ=\"1\" AKTSTART=\"1\" "
                      "AKTERLEDIGT=\"1\" AKTUPDATE=\"1\" AKTART_DSN=\"ALT-TYP\"/>")
                      .arg(i, 6, 10, QLatin1Char('0'))
                      .toUtf8();
    text.insert(data, filler);
    writeBytes(host.configPath(), text);
    ASSERT_EQ(readConfig(host.configPath()).rows.size(), 100000u);

    // The one flagged row of the service type is found, and so is its link demand.
    host.set({"pane=F_VOR", "selected=" + QLatin1String(demo::kActService)});
    ASSERT_EQ(host.start("update", {"answer OK"}).status, 0);
    EXPECT_EQ(messageTexts(host), QStringList{kMissingLinkIntro + "\r\n- Eine Projektverknüpfung"});
    EXPECT_EQ(fileBytes(host.configPath()), text);

    // The configurator shows process 8 (list position 6) and stores a click into the full file.
    ASSERT_EQ(host.start("config", {"select lb_Process 6", "click chk_PRJ", "click btn_Close"}).status, 0);
    EXPECT_TRUE(host.events("msgbox").empty());
    const QJsonObject shown = host.windowAfter("select lb_Process 6");
    EXPECT_EQ(control(shown, "chk_PRJ").value("checked").toInt(), 1);
    EXPECT_EQ(control(shown, "chkUpdate").value("checked").toInt(), 1);
    const ConfigFile file = readConfig(host.configPath());
    ASSERT_EQ(file.rows.size(), 100000u);
    EXPECT_EQ(file.rows.front(), row("ALT-000000", "1111111", "ALT-TYP"));
    EXPECT_EQ(file.rows[99991], row("ALT-099991", "1111111", "ALT-TYP"));
    EXPECT_EQ(file.of(process(8)), std::vector<Row>{row(process(8), "0000001", cfgtest::kTypeService)});
    EXPECT_EQ(file.of(process(7)), std::vector<Row>{rows[6]});

    ASSERT_EQ(host.start("update").status, 0);
    EXPECT_TRUE(host.transcript.empty());
    const auto started = startedFor(host, demo::kActService);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].value("BusinessProcess_DSN").toString(), process(8));
}

TEST(Robustness, ReadOnlyConfigurationIsReadButNeverWrittenExceptByTheUpgrade) {
    HostFixture host;
    std::vector<Row> rows = defaultRows();
    rows[5] = row(process(6), "0100000", cfgtest::kTypeOffer);
    cfgtest::writeConfig(host.configPath(), cfgtest::kCurrentFields, rows);
    const QByteArray before = fileBytes(host.configPath());
    QFile::setPermissions(host.configPath(), QFileDevice::ReadOwner | QFileDevice::ReadGroup);

    // A click can't be stored: the platform's text names the file, the window stays for more.
    ASSERT_EQ(host.start("config", {"click chk_OBJ", "answer OK", "click btn_Close"}).status, 0);
    ASSERT_EQ(host.events("msgbox").size(), 1u);
    EXPECT_TRUE(messageTexts(host)[0].startsWith("Permission denied: " + host.configPath()))
        << messageTexts(host)[0].toStdString();
    EXPECT_EQ(fileBytes(host.configPath()), before);

    // Reading roads work as on any file: the offer (one candidate) starts once its address is there.
    host.set({"selected=" + QLatin1String(demo::kActOffer)});
    ASSERT_EQ(host.start("new").status, 0);
    EXPECT_TRUE(host.transcript.empty());
    EXPECT_EQ(startedFor(host, demo::kActOffer).size(), 1u);
    EXPECT_EQ(fileBytes(host.configPath()), before);

    // An older layout is upgraded even when read-only: its settings are carried over, the old file
    // is kept beside it.
    QFile::setPermissions(host.configPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    cfgtest::writeConfig(host.configPath(), cfgtest::kOldFields, {row(process(3), "0011")});
    const QByteArray old = fileBytes(host.configPath());
    QFile::setPermissions(host.configPath(), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    ASSERT_EQ(host.start("config", {"click btn_Close"}).status, 0);
    EXPECT_TRUE(host.events("msgbox").empty());
    EXPECT_EQ(fileBytes(host.configPath() + ".bak"), old);
    EXPECT_EQ(readConfig(host.configPath()).of(process(3)),
              std::vector<Row>{row(process(3), "0011000", cfgtest::kTypeComplaint)});
}

TEST(Robustness, MissingAddinFolderIsNeverCreatedAndEachRoadSaysSo) {
    HostFixture host;
    const QString folder = QFileInfo(host.configPath()).path();
    ASSERT_TRUE(QDir(folder).removeRecursively());

    // The automatic choice finds no flags: silent, nothing started.
    ASSERT_EQ(host.start("update").status, 0);
    EXPECT_TRUE(host.transcript.empty());

    // The link check can't make the file: its message ends the start, with no question about it.
    ASSERT_EQ(host.start(QString(), {"click cmd_DoProcess", "answer OK"}).status, 0);
    const QStringList texts = messageTexts(host);
    EXPECT_EQ(texts,
              QStringList{
                  "Es ist ein Fehler aufgetreten beim erstellen der Konfigurationdatei\r\nPath not found: " +
                  host.configPath()});

    // The configurator: the same message, then the file is named and the window closes.
    ASSERT_EQ(host.start("config", {"answer OK", "answer OK"}).status, 0);
    EXPECT_EQ(messageTexts(host),
              (QStringList{texts[0], unreadable(host) + "Path not found: " + host.configPath()}));
    EXPECT_EQ(host.events("closed").size(), 1u);

    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_EQ(startedCount(host), 1);
}

// Started from a folder that holds files under the names of the libraries the programs and the GUI
// module load (as a download folder may), the add-in still loads its own and the system's: the
// loader never looks in the working folder.
TEST(Robustness, LibrariesInTheWorkingFolderAreNeverLoaded) {
    HostFixture host;
    QTemporaryDir workingFolder;
    for (const char* name :
         {"libsv_core.so", "libsv_gui.so", "libQt6Core.so.6", "libQt6Gui.so.6", "libQt6Widgets.so.6",
          "libQt6Sql.so.6", "libpugixml.so.1", "libstdc++.so.6", "libgcc_s.so.1", "libm.so.6", "libc.so.6"})
        writeBytes(workingFolder.filePath(QLatin1String(name)), "not a library");
    host.launcher = {"env", "-C", workingFolder.path()};
    const int before = startedCount(host);

    const auto result =
        host.start(QString(), {"select Combo_Process 1", "click cmd_DoProcess", "answer Yes"});

    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_EQ(startedCount(host), before + 1);
}

TEST(Robustness, UnreachableHostDatabaseGetsTheStandardReportAtOnce) {
    HostFixture host;
    const QString ini = host.dir() + "/sql/SQL.INI";
    const QByteArray goodIni = fileBytes(ini);
    const QString elsewhere = host.dir() + "/anderswo";
    ASSERT_TRUE(QDir().mkpath(elsewhere));

    struct Case {
        const char* name;
        QByteArray ini;           // SQL.INI's content; empty: the host points at a folder without one
        const char* description;  // what the report names; null: whatever the driver says
    };
    const Case cases[] = {
        {"no SQL.INI", QByteArray(), "SQL.INI"},
        {"missing database file", "[Database]\nFile=gibt-es-nicht.sqlite\n", "gibt-es-nicht.sqlite"},
        {"closed port",
         "[Database]\nConnectString=Provider=SQLOLEDB;Data Source=127.0.0.1,1;Initial Catalog=Quorvant;User "
         "ID=sv;Password=x\n",
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.ini.isEmpty())
            host.set({"hostfolder=" + elsewhere});
        else
            writeBytes(ini, c.ini);
        for (const QString& word : {QString(), QStringLiteral("new"), QStringLiteral("config")}) {
            SCOPED_TRACE(word.toStdString());
            const test::ToolResult result = host.start(word, {"answer OK"});
            EXPECT_EQ(result.status, 1);
            ASSERT_EQ(host.events("msgbox").size(), 1u);
            const QJsonObject report = host.events("msgbox")[0];
            EXPECT_TRUE(report.value("text").toString().startsWith("Laufzeitfehler '"));
            const QString text = report.value("text").toString();
            EXPECT_TRUE(c.description ? text.contains(QLatin1String(c.description))
                                      : !text.section(QStringLiteral("\r\n\r\n"), 1).trimmed().isEmpty())
                << text.toStdString();
            EXPECT_EQ(report.value("icon").toString(), "critical");
            EXPECT_TRUE(host.events("window").empty());
        }
        host.set({"hostfolder=" + host.dir()});
        writeBytes(ini, goodIni);
    }
    EXPECT_FALSE(QFile::exists(host.configPath()));
    EXPECT_FALSE(QFile::exists(host.dir() + "/sql/gibt-es-nicht.sqlite"));
    EXPECT_EQ(startedCount(host), 1);
}

TEST(Robustness, FailedHostInitialisationEndsEveryRoadWithItsMessageOnly) {
    HostFixture host;
    // 0, then Empty (which counts as 0).
    for (const QJsonValue& initType : {QJsonValue(0), QJsonValue(QJsonValue::Null)}) {
        setInitType(host, initType);
        for (const QString& word : {QString(), QStringLiteral("done"), QStringLiteral("config")}) {
            SCOPED_TRACE(QJsonDocument(QJsonArray{initType, word}).toJson().toStdString());
            EXPECT_EQ(host.start(word, {"answer OK"}).status, 4);
            EXPECT_EQ(messageTexts(host),
                      QStringList{"Initialising of Velquin failed.\r\nProgram will terminate."});
            EXPECT_TRUE(host.events("window").empty());
        }
    }
    for (const QJsonObject& call : host.calls()) {
        EXPECT_NE(call.value("object").toString(), "UtilObj");
        EXPECT_NE(call.value("object").toString(), "HostApp");
    }
    EXPECT_FALSE(QFile::exists(host.configPath()));
    EXPECT_EQ(startedCount(host), 1);
}

TEST(Robustness, NullInEveryFieldReadIsNoValue) {
    HostFixture host;
    // The offer (one candidate, process 6) with no link and no note; a user without a name.
    host.sql(QStringLiteral("update HostActivity set OBJ_DSN = NULL, AD_DSN = NULL, AD_B_DSN = NULL, "
                            "PROJEKTE_DSN = NULL, Notiz = NULL where DSN = '%1'")
                 .arg(demo::kActOffer));
    host.sql(QStringLiteral("update HostUser set NAME = NULL"));
    host.set({"selected=" + QLatin1String(demo::kActOffer)});

    // Every link demanded and every one Null: one refusal lists all four.
    std::vector<Row> rows = defaultRows();
    rows[5] = row(process(6), "1111000", cfgtest::kTypeOffer);
    cfgtest::writeConfig(host.configPath(), cfgtest::kCurrentFields, rows);
    ASSERT_EQ(host.start(QString(), {"answer Yes", "answer OK"}).status, 0);
    EXPECT_EQ(messageTexts(host).value(1),
              kMissingLinkIntro +
                  "\r\n- Eine Objektverknüpfung\r\n- Eine Adress1verknüpfung\r\n- "
                  "Eine Adress2verknüpfung\r\n- Eine Projektverknüpfung");

    // Null flags demand nothing, flag nothing and show as cleared boxes; a click stores its one field.
    rows[5] = Row{{"DSN", process(6)}};
    cfgtest::writeConfig(host.configPath(), cfgtest::kCurrentFields, rows);
    ASSERT_EQ(host.start("config", {"select lb_Process 0", "click chkUpdate", "click btn_Close"}).status, 0);
    EXPECT_TRUE(host.events("msgbox").empty());
    EXPECT_EQ(control(host.windowAfter("select lb_Process 0"), "chk_OBJ").value("checked").toInt(), 0);
    Row stored{{"DSN", process(6)}, {"AKTUPDATE", "1"}, {"AKTART_DSN", cfgtest::kTypeOffer}};
    EXPECT_EQ(readConfig(host.configPath()).of(process(6)), std::vector<Row>{stored});

    ASSERT_EQ(host.start("new").status, 0);
    EXPECT_TRUE(host.transcript.empty());
    const auto started = startedFor(host, demo::kActOffer);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].value("Start_User_DSN").toString(), QLatin1String(demo::kAdminUser));
    // A Null note is an empty plain note; a Null user name is the empty text.
    const QString note = noteOf(host, demo::kActOffer);
    EXPECT_TRUE(note.contains(" Der Prozess wurde von '' initiiert.\r\n")) << note.toStdString();
    EXPECT_TRUE(note.endsWith("gestartet.\r\n\r\n\r\n")) << note.toStdString();

    // A Null type: R3 in an automatic run too. A Null process name: an empty entry, listed first.
    host.set({"selected=" + QLatin1String(demo::kActUntyped)});
    ASSERT_EQ(host.start("new", {"answer OK"}).status, 0);
    EXPECT_EQ(messageTexts(host),
              QStringList{"Es ist ein Fehler bei der Ermittlung der Aktivitätenart aufgetreten."});
    host.sql(QStringLiteral("update BusinessProcess set BusinessProcessName = NULL where DSN = '%1'")
                 .arg(process(1)));
    host.set({"selected=" + QLatin1String(demo::kActComplaint)});
    ASSERT_EQ(host.start(QString(), {"click btn_cancel"}).status, 0);
    EXPECT_EQ(control(host.events("window").front(), "Combo_Process").value("entries").toArray(),
              (QJsonArray{"", "Ersatzlieferung veranlassen", "Gutschrift prüfen"}));
    ASSERT_EQ(host.start("config", {"select lb_Process 0", "click btn_Close"}).status, 0);
    const QJsonArray listed =
        control(host.windowAfter("select lb_Process 0"), "lb_Process").value("entries").toArray();
    EXPECT_EQ(listed.size(), 8);
    EXPECT_EQ(listed.first().toString(), "");
    EXPECT_EQ(startedCount(host), 2);
}

TEST(Robustness, AUserNameWithMarkupIsTextInAnHtmlNoteAndOneWithNulFailsAfterTheStartOnly) {
    HostFixture host;
    cfgtest::writeConfig(host.configPath(), cfgtest::kCurrentFields, defaultRows());
    // The offer's note is HTML: the name shows as text, the note's own body stays whole.
    const QString before = noteOf(host, demo::kActOffer);
    host.sql("update HostUser set NAME = 'Eve </BODY><script>alert(1)</script> & Co'");
    host.set({"selected=" + QLatin1String(demo::kActOffer)});
    ASSERT_EQ(host.start("new").status, 0);
    EXPECT_TRUE(host.transcript.empty());
    const QString note = noteOf(host, demo::kActOffer);
    EXPECT_TRUE(
        note.contains("'Eve &lt;/BODY&gt;&lt;script&gt;alert(1)&lt;/script&gt; &amp; Co' initiiert.<br/>"))
        << note.toStdString();
    EXPECT_FALSE(note.contains("<script>"));
    EXPECT_EQ(note.count("</BODY>"), 1);
    EXPECT_TRUE(note.endsWith(before.mid(before.indexOf(u'>', before.indexOf("<BODY")) + 1)));

    // A NUL in the name can't be written into the note: the process runs all the same, and the box
    // says so; a second try is refused as for any running process.
    host.sql("update HostUser set NAME = 'Ad' || char(0) || 'min'");
    host.set({"selected=" + QLatin1String(demo::kActComplaint)});
    const QString complaintNote = noteOf(host, demo::kActComplaint);
    ASSERT_EQ(host.start(QString(), {"click cmd_DoProcess", "answer OK"}).status, 0);
    QStringList texts = messageTexts(host);
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(
        texts[0].startsWith("Der Prozess wurde gestartet, aber der Startvermerk konnte nicht in "
                            "die Notiz der Aktivität geschrieben werden:\r\n"))
        << texts[0].toStdString();
    EXPECT_EQ(host.events("msgbox")[0].value("icon").toString(), "exclamation");
    EXPECT_EQ(startedFor(host, demo::kActComplaint).size(), 1u);
    EXPECT_EQ(noteOf(host, demo::kActComplaint), complaintNote);
    ASSERT_EQ(host.start(QString(), {"answer OK"}).status, 0);
    texts = messageTexts(host);
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].startsWith("Die von Ihnen gewählte Aktivität ist bereits teil des Prozesses"));
}

TEST(Robustness, QuotesMarkupUmlautsAndLongValuesAreStoredAndShownExactly) {
    HostFixture host;
    const QString tail(3990, u'L');
    const QString type = "T'<&ä\"" + tail;
    const QString typeName = "Typ \"<&>' ä";
    const QString p1 = "P1'<&ö" + tail;
    const QString p2 = "P2'<&ö" + tail;
    const QString name1 = "Prozess '1' <&> ü" + tail;
    const QString name2 = "Prozess '2' <&> ü";
    const QString activity = "A'<&ß" + tail;
    const QString user = "U'<&" + tail;
    const QString userName = "O'Brien <&> Jürgen" + tail;
    const auto q = [](QString v) { return "'" + v.replace(u'\'', QStringLiteral("''")) + "'"; };

    host.sql("insert into Aktivitätenarten (DSN, Name) values (" + q(type) + ", " + q(typeName) + ")");
    for (const auto& [dsn, name] : {std::pair{p1, name1}, std::pair{p2, name2}})
        host.sql(
            "insert into BusinessProcess (DSN, BusinessProcessName, StartActivityType_DSN, ValidFrom, "
            "ValidTo, farchiv) values (" +
            q(dsn) + ", " + q(name) + ", " + q(type) + ", '2020-01-01', '2099-01-01', 0)");
    for (const QString& dsn : {activity, activity + "2"})
        host.sql("insert into HostActivity (DSN, ART_DSN, Notiz) values (" + q(dsn) + ", " + q(type) +
                 ", 'x')");
    host.sql("insert into HostUser (DSN, NAME) values (" + q(user) + ", " + q(userName) + ")");
    host.set({"selected=" + activity, "user=" + user});

    // Manual: listed by their names, the second started; the default file is made on the way.
    ASSERT_EQ(host.start(QString(), {"select Combo_Process 1", "click cmd_DoProcess", "answer Yes"}).status,
              0);
    EXPECT_EQ(control(host.events("window").front(), "Combo_Process").value("entries").toArray(),
              (QJsonArray{name1, name2}));
    auto started = startedFor(host, activity);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].value("BusinessProcess_DSN").toString(), p2);
    EXPECT_EQ(started[0].value("Start_User_DSN").toString(), user);
    const QString note = host.sql("select Notiz from HostActivity where DSN = " + q(activity))
                             .front()
                             .value("Notiz")
                             .toString();
    EXPECT_TRUE(note.contains("'" + userName + "' initiiert.")) << note.left(200).toStdString();
    EXPECT_EQ(readConfig(host.configPath()).of(p1), std::vector<Row>{row(p1, "0000000", type)});

    // The configurator lists the names and stores a flag into the row of the exact DSN.
    ASSERT_EQ(host.start("config", {"select lb_Process 3", "click chkUpdate", "click btn_Close"}).status, 0);
    EXPECT_TRUE(host.events("msgbox").empty());
    const QJsonArray listed =
        control(host.windowAfter("select lb_Process 3"), "lb_Process").value("entries").toArray();
    EXPECT_EQ(listed.at(3).toString(), name1);
    EXPECT_EQ(listed.at(4).toString(), name2);
    EXPECT_EQ(readConfig(host.configPath()).of(p1), std::vector<Row>{row(p1, "0000001", type)});
    EXPECT_EQ(readConfig(host.configPath()).of(p2), std::vector<Row>{row(p2, "0000000", type)});

    // Automatic: the type filter and the running check take the values literally.
    host.set({"selected=" + activity + "2"});
    ASSERT_EQ(host.start("update").status, 0);
    EXPECT_TRUE(host.transcript.empty());
    started = startedFor(host, activity + "2");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].value("BusinessProcess_DSN").toString(), p1);
    ASSERT_EQ(host.start("update").status, 0);
    EXPECT_EQ(startedCount(host), 3);
}

// The list is filled once; definitions added or deleted meanwhile move the entries' processes. A click
// is stored into the row of the process its entry was filled from, or, when the list no longer
// shows where that process is, into no row at all.
TEST(Robustness, DefinitionsChangedWhileTheConfiguratorIsOpenNeverGetAnotherProcesssClick) {
    const QString outdated = QStringLiteral(
        "Die Prozessliste ist nicht mehr aktuell: Prozesse wurden inzwischen angelegt oder gelöscht.\r\n"
        "Die Einstellung wurde nicht gespeichert. Die Liste wird neu geladen.");
    const QString renamed = QStringLiteral(
        "Die Prozessliste ist nicht mehr aktuell: Prozesse wurden inzwischen umbenannt.\r\n"
        "Die Einstellung wurde nicht gespeichert. Die Liste wird neu geladen.");
    HostFixture host;
    ASSERT_EQ(host.start("config", {"close"}).status, 0);  // makes the default file
    const QByteArray made = fileBytes(host.configPath());

    // "Reklamation bearbeiten" (process 1) is entry 4; a definition named to come first moves it to
    // 5 and puts "Reklamation (bis 2019)" (process 4) at 4.
    configureWhileChanged(
        host,
        {"select lb_Process 4", "wait", "click chk_OBJ", "answer OK", "click chk_AD", "click btn_Close"},
        [&host] {
            host.sql(
                "INSERT INTO BusinessProcess (DSN, BusinessProcessName, "
                "StartActivityType_DSN) VALUES ('" +
                process(9) + "', 'Abholung planen', '" + cfgtest::kTypeService + "')");
        });
    EXPECT_EQ(messageTexts(host), QStringList{outdated});
    EXPECT_EQ(host.events("msgbox").at(0).value("icon").toString(), "exclamation");
    const QJsonObject reloaded = host.windowAfter("click chk_OBJ");
    EXPECT_EQ(control(reloaded, "lb_Process").value("entries").toArray().size(), 9);
    EXPECT_EQ(control(reloaded, "lb_Process").value("selected").toInt(), 5);
    EXPECT_EQ(control(reloaded, "chk_OBJ").value("checked").toInt(), 0);
    ConfigFile file = readConfig(host.configPath());
    EXPECT_EQ(file.of(process(1)), std::vector<Row>{row(process(1), "0100000", cfgtest::kTypeComplaint)});
    EXPECT_EQ(file.of(process(5)), std::vector<Row>{row(process(5), "0000000", cfgtest::kTypeComplaint)});
    EXPECT_TRUE(file.of(process(9)).empty());
    const QByteArray stored = fileBytes(host.configPath());
    EXPECT_NE(stored, made);

    // The process shown is deleted: the entry 4 it had now holds "Reklamation Eskalation (archiviert)"
    // (process 5).
    host.sql("DELETE FROM BusinessProcess WHERE DSN = '" + process(9) + "'");
    configureWhileChanged(
        host, {"select lb_Process 4", "wait", "click chk_PRJ", "answer OK", "click btn_Close"},
        [&host] { host.sql("DELETE FROM BusinessProcess WHERE DSN = '" + process(1) + "'"); });
    EXPECT_EQ(messageTexts(host), QStringList{outdated});
    EXPECT_EQ(control(host.windowAfter("click chk_PRJ"), "lb_Process").value("selected").toInt(), 0);
    EXPECT_EQ(fileBytes(host.configPath()), stored);

    // "Reklamation (bis 2019)" (process 4, entry 3) renamed to come first: the box names the
    // renaming, and the list selects the process at its new place.
    configureWhileChanged(
        host, {"select lb_Process 3", "wait", "click chk_PRJ", "answer OK", "click btn_Close"}, [&host] {
            host.sql("UPDATE BusinessProcess SET BusinessProcessName = 'Altreklamation' WHERE DSN = '" +
                     process(4) + "'");
        });
    EXPECT_EQ(messageTexts(host), QStringList{renamed});
    const QJsonObject afterRename = host.windowAfter("click chk_PRJ");
    EXPECT_EQ(control(afterRename, "lb_Process").value("entries").toArray().at(0).toString(),
              "Altreklamation");
    EXPECT_EQ(control(afterRename, "lb_Process").value("selected").toInt(), 0);
    EXPECT_EQ(fileBytes(host.configPath()), stored);
}
