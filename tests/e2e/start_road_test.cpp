// The real add-in started by the emulated host: a manual start through the selection window, an
// automatic start, refusals — checked against the transcript, the call log and the database.
#include "emulator/host_schema.h"
#include "support/host_fixture.h"

#include <pugixml.hpp>

using namespace sv;
using sv::test::HostFixture;

namespace {

const QString kAdmin = QLatin1String(emu::demo::kAdminUser);

QString noteOf(HostFixture& host, const char* activity) {
    const auto rows = host.sql(
        QStringLiteral("select Notiz from HostActivity where DSN = '%1'").arg(QLatin1String(activity)));
    return rows.empty() ? QString() : rows.front().value("Notiz").toString();
}

std::vector<QJsonObject> startedFor(HostFixture& host, const char* activity) {
    return host.sql(QStringLiteral("select BusinessProcess_DSN, Start_User_DSN, State, Start_Date from "
                                   "BusinessProcessActive where Start_Activity_DSN = '%1'")
                        .arg(QLatin1String(activity)));
}

bool calledWith(const std::vector<QJsonObject>& calls, const QString& member, const QString& argument) {
    for (const QJsonObject& c : calls)
        if (c.value("member").toString() == member && c.value("args").toArray().contains(argument))
            return true;
    return false;
}

// Sets one flag of one process's row in the configuration file.
void setConfigFlag(const QString& path, const char* processDsn, const char* field, const char* value) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(path.toLocal8Bit().constData()));
    const std::string query = std::string("//z:row[@DSN='") + processDsn + "']";
    pugi::xml_node row = doc.select_node(query.c_str()).node();
    ASSERT_TRUE(row) << query;
    row.attribute(field).set_value(value);
    ASSERT_TRUE(
        doc.save_file(path.toLocal8Bit().constData(), "", pugi::format_raw | pugi::format_no_declaration));
}

// The host database reached through ODBC (the SQLite ODBC driver, with GETDATE and NewID loaded as
// an extension) instead of the embedded road.
void useOdbcRoad(const HostFixture& host) {
    sv::test::writeBytes(host.dir() + "/sql/SQL.INI",
                         ("[Database]\nConnectString=Driver=SQLite3;Database=" + host.dir() +
                          "/sql/host.sqlite;LoadExt=" SV_TSQL_EXTENSION "\n")
                             .toUtf8());
}

}  // namespace

TEST(StartRoad, ManualStartThroughTheSelectionWindow) {
    HostFixture host;
    const auto result =
        host.start(QString(), {"select Combo_Process 1", "click cmd_DoProcess", "answer Yes"});
    ASSERT_EQ(result.status, 0) << result.err.toStdString();

    const auto windows = host.events("window");
    ASSERT_FALSE(windows.empty());
    const QJsonObject shown = windows.front();
    EXPECT_EQ(shown.value("name").toString(), "frm_Sondervik");
    EXPECT_EQ(shown.value("caption").toString(), "Prozessauswahl");
    const QJsonObject combo = shown.value("controls").toObject().value("Combo_Process").toObject();
    EXPECT_EQ(combo.value("entries").toArray(),
              (QJsonArray{"Ersatzlieferung veranlassen", "Gutschrift prüfen", "Reklamation bearbeiten"}));
    EXPECT_EQ(combo.value("selected").toInt(), 0);

    // The missing configuration is made and the user is asked once.
    const auto boxes = host.events("msgbox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].value("title").toString(), "Konfigurationsdatei wurde erstellt.");
    EXPECT_EQ(boxes[0].value("buttons").toString(), "YesNo");
    EXPECT_EQ(boxes[0].value("icon").toString(), "question");
    EXPECT_TRUE(QFile::exists(host.configPath()));

    const auto started = startedFor(host, emu::demo::kActComplaint);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].value("BusinessProcess_DSN").toString(), "B9000000-0000-4000-8000-000000000002");
    EXPECT_EQ(started[0].value("Start_User_DSN").toString(), kAdmin);
    EXPECT_EQ(started[0].value("State").toInt(), 1);

    const QString note = noteOf(host, emu::demo::kActComplaint);
    EXPECT_TRUE(note.contains(" Der Prozess wurde von 'Administrator' initiiert.\r\n")) << note.toStdString();
    EXPECT_TRUE(
        note.endsWith("gestartet.\r\n\r\n\r\nKunde meldet beschädigte Ware.\r\nFotos folgen per E-Mail."))
        << note.toStdString();
    EXPECT_TRUE(calledWith(host.calls(), "AKT_ShowDSN", QLatin1String(emu::demo::kActComplaint)));
}

TEST(StartRoad, CancelAndCloseBoxStartNothing) {
    HostFixture host;
    EXPECT_EQ(host.start(QString(), {"click btn_cancel"}).status, 0);
    EXPECT_EQ(host.start(QString(), {"close"}).status, 0);
    EXPECT_TRUE(startedFor(host, emu::demo::kActComplaint).empty());
    EXPECT_FALSE(QFile::exists(host.configPath()));
    EXPECT_FALSE(calledWith(host.calls(), "AKT_ShowDSN", QLatin1String(emu::demo::kActComplaint)));
}

TEST(StartRoad, AutomaticStartsByTheFlagAndRefusalsEndQuietly) {
    HostFixture host;
    // A single candidate starts at once; the link check still makes the file and asks.
    host.set({QStringLiteral("selected=") + emu::demo::kActOffer});
    ASSERT_EQ(host.start("new", {"answer Yes"}).status, 0);
    ASSERT_EQ(startedFor(host, emu::demo::kActOffer).size(), 1u);
    const QString note = noteOf(host, emu::demo::kActOffer);
    EXPECT_TRUE(note.startsWith("<HTML><HEAD></HEAD><BODY bgcolor=\"#FFFFFF\">")) << note.toStdString();
    EXPECT_TRUE(note.contains("initiiert.<br/>")) << note.toStdString();

    // Two candidates, only one flagged for "update": it starts with no question and no window.
    setConfigFlag(host.configPath(), "B9000000-0000-4000-8000-000000000008", "AKTUPDATE", "1");
    host.set({"pane=F_VOR", QStringLiteral("selected=") + emu::demo::kActService});
    ASSERT_EQ(host.start("update").status, 0);
    EXPECT_TRUE(host.transcript.empty());
    const auto started = startedFor(host, emu::demo::kActService);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].value("BusinessProcess_DSN").toString(), "B9000000-0000-4000-8000-000000000008");

    // The same activity again: already running, an automatic run says nothing.
    ASSERT_EQ(host.start("update").status, 0);
    EXPECT_TRUE(host.transcript.empty());
    EXPECT_EQ(startedFor(host, emu::demo::kActService).size(), 1u);
}

TEST(StartRoad, RefusalsShowTheirMessages) {
    HostFixture host;
    host.set({"pane=F_ADR"});
    ASSERT_EQ(host.start("new", {"answer OK"}).status, 0);
    ASSERT_EQ(host.events("msgbox").size(), 1u);
    EXPECT_EQ(host.events("msgbox")[0].value("text").toString(),
              "Das Starten von Prozessen ist nur im Aktivitäten- oder Wiedervorlagefenster möglich.");
    EXPECT_EQ(host.events("msgbox")[0].value("title").toString(), "Prozessstart beendet");
    EXPECT_EQ(host.events("msgbox")[0].value("icon").toString(), "information");

    host.set({"pane=F_AKT", QStringLiteral("selected=") + emu::demo::kActRunning});
    ASSERT_EQ(host.start("Manuell", {"answer OK"}).status, 0);
    ASSERT_EQ(host.events("msgbox").size(), 1u);
    EXPECT_EQ(host.events("msgbox")[0].value("text").toString(),
              "Die von Ihnen gewählte Aktivität ist bereits teil des Prozesses 'Reklamation bearbeiten'.\r\n"
              "Um einen neuen Prozess starten zu können muss der vorherige erst beendet werden.");

    host.set({QStringLiteral("selected=") + emu::demo::kActCall});
    ASSERT_EQ(host.start(QString(), {"answer OK"}).status, 0);
    ASSERT_EQ(host.events("msgbox").size(), 1u);
    EXPECT_EQ(host.events("msgbox")[0].value("text").toString(),
              "Für die Aktivitätenart 'Telefonat' wurde kein zugeordneter Prozess gefunden.");
    EXPECT_EQ(host.sql("select count(*) as n from BusinessProcessActive").front().value("n").toInt(), 1);
}

TEST(StartRoad, FailedHostInitialisationEndsWithItsMessageOnly) {
    HostFixture host;
    host.set({"inittype=0"});
    const auto result = host.start(QString(), {"answer OK"});
    EXPECT_NE(result.status, 0);
    ASSERT_EQ(host.events("msgbox").size(), 1u);
    EXPECT_EQ(host.events("msgbox")[0].value("text").toString(),
              "Initialising of Velquin failed.\r\nProgram will terminate.");
    EXPECT_EQ(host.events("msgbox")[0].value("title").toString(), "Sondervik");
    for (const QJsonObject& call : host.calls())
        EXPECT_NE(call.value("object").toString(), "UtilObj");
}

TEST(StartRoad, AnErrorNoHandlerTakesGetsTheStandardReport) {
    HostFixture host;
    host.set({"selected=GIBT-ES-NICHT"});  // the host's pane points at a row that is gone
    const auto result = host.start(QString(), {"answer OK"});
    EXPECT_EQ(result.status, 1);
    ASSERT_EQ(host.events("msgbox").size(), 1u);
    const QJsonObject report = host.events("msgbox")[0];
    EXPECT_TRUE(report.value("text").toString().startsWith("Laufzeitfehler '"))
        << report.value("text").toString().toStdString();
    EXPECT_TRUE(report.value("text").toString().contains("':\r\n\r\n"));
    EXPECT_EQ(report.value("title").toString(), "Sondervik");
    EXPECT_EQ(report.value("icon").toString(), "critical");
    EXPECT_EQ(host.sql("select count(*) as n from BusinessProcessActive").front().value("n").toInt(), 1);
}

// BusinessProcessActive as a host may build it: a view whose trigger stores the row and changes
// other rows too. The database then reports no changed row for the start's insert, on either road;
// the start looks for the row it made and goes on with the note and the host call.
TEST(StartRoad, AStartGoesByItsOwnRowNotByTheCountTheDatabaseReports) {
    for (const bool odbc : {false, true}) {
        SCOPED_TRACE(odbc ? "ODBC" : "embedded");
        HostFixture host;
        if (odbc) useOdbcRoad(host);
        host.sql("alter table BusinessProcessActive rename to ActiveRows");
        host.sql("create view BusinessProcessActive as select * from ActiveRows");
        host.sql(
            "create trigger store_start instead of insert on BusinessProcessActive begin "
            "insert into ActiveRows values (new.DSN, new.BusinessProcess_DSN, new.Start_Date, "
            "new.Start_User_DSN, new.Start_Activity_DSN, new.State); "
            "update ActiveRows set State = State + 1 where DSN <> new.DSN; end");
        host.set({QStringLiteral("selected=") + emu::demo::kActOffer});

        ASSERT_EQ(host.start("new", {"answer Yes"}).status, 0);
        EXPECT_EQ(host.events("msgbox").size(), 1u);  // the default file's question only
        const auto started = startedFor(host, emu::demo::kActOffer);
        ASSERT_EQ(started.size(), 1u);
        EXPECT_EQ(started[0].value("BusinessProcess_DSN").toString(), "B9000000-0000-4000-8000-000000000006");
        EXPECT_EQ(started[0].value("State").toInt(), 1);
        EXPECT_EQ(startedFor(host, emu::demo::kActRunning)[0].value("State").toInt(), 2);
        EXPECT_TRUE(noteOf(host, emu::demo::kActOffer).contains("initiiert.<br/>"));
        EXPECT_TRUE(calledWith(host.calls(), "AKT_ShowDSN", QLatin1String(emu::demo::kActOffer)));

        // The row is a running process: the next start is refused, and the trigger adds nothing.
        ASSERT_EQ(host.start(QString(), {"answer OK"}).status, 0);
        ASSERT_EQ(host.events("msgbox").size(), 1u);
        EXPECT_TRUE(host.events("msgbox")[0].value("text").toString().contains("'Angebotsverfolgung'"));
        EXPECT_EQ(startedFor(host, emu::demo::kActOffer).size(), 1u);
    }
}
