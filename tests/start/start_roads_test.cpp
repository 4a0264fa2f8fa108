// The start roads of a run on the emulated host, in process: refusals, one and several candidates,
// the automatic choice, the link check, start failures, and values holding quotes. The roads a
// start takes through the database run on every host road: the embedded database, ODBC, and a
// SQL Server when one is named (skipped otherwise).
#include "emulator/host_folder.h"
#include "emulator/host_schema.h"
#include "platform/data/guid_text.h"
#include "platform/data/recordset.h"
#include "platform/data/sql_literal.h"
#include "platform/error.h"
#include "platform/variant.h"
#include "support/run_fixture.h"

#include <QJsonArray>
#include <QRegularExpression>

using namespace sv;
namespace demo = sv::emu::demo;

namespace {

const char kComplaintFirst[] = "B9000000-0000-4000-8000-000000000003";   // "Ersatzlieferung veranlassen"
const char kComplaintSecond[] = "B9000000-0000-4000-8000-000000000002";  // "Gutschrift prüfen"
const char kComplaintThird[] = "B9000000-0000-4000-8000-000000000001";   // "Reklamation bearbeiten"
const char kComplaintExpired[] = "B9000000-0000-4000-8000-000000000004";
const char kOffer[] = "B9000000-0000-4000-8000-000000000006";

// An object that fails every call with an error whose description is empty.
class SilentFailure : public automation::Object {
public:
    QVariant get(const QString&, QVariantList&) override { fail(); }
    void put(const QString&, const QVariantList&, const QVariant&) override { fail(); }
    QVariant call(const QString&, QVariantList&) override { fail(); }

private:
    [[noreturn]] static void fail() { throw PlatformError(5, QString()); }
};

class StartRoads : public sv::test::RunFixture {};

class StartRoadsOnEveryRoad : public sv::test::RunFixture,
                              public ::testing::WithParamInterface<sv::test::HostRoad> {
protected:
    void SetUp() override { setUpHost(GetParam()); }
};

}  // namespace

TEST_P(StartRoadsOnEveryRoad, RefusalsEndTheRunWithTheirMessage) {
    select("");
    auto shown = run("new", {"answer OK"});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(text(shown[0]), "Es ist keine Aktivität ausgewählt!");
    EXPECT_EQ(shown[0].value("title").toString(), "Prozessstart beendet");

    // No type: the host's "OK" is run once; still none, so the type query finds nothing.
    select(demo::kActUntyped);
    shown = run(QString(), {"answer OK"});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(text(shown[0]), "Es ist ein Fehler bei der Ermittlung der Aktivitätenart aufgetreten.");

    select(demo::kActCall);
    shown = run("manuell", {"answer OK"});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(text(shown[0]), "Für die Aktivitätenart 'Telefonat' wurde kein zugeordneter Prozess gefunden.");
    EXPECT_TRUE(run("done", {}).empty());  // automatic: nothing shown

    // The words are compared exactly: "New" is a manual run and refuses with R4 where "new" is silent.
    select(demo::kActRunning);
    EXPECT_TRUE(run("new", {}).empty());
    shown = run("New", {"answer OK"});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(text(shown[0]).startsWith("Die von Ihnen gewählte Aktivität ist bereits teil des Prozesses"));
    EXPECT_EQ(sql("select count(*) from BusinessProcessActive").rows[0][0].toInt(), 1);
}

TEST_F(StartRoads, AnUntypedActivityGetsItsTypeFromTheHostsOkCommand) {
    setSession("oktype", QLatin1String(demo::kTypeOffer));
    select(demo::kActUntyped);
    const auto shown = run(QString(), {"answer No"});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(text(shown[0]),
              "Möchten Sie für die ausgewählte Aktivität den Prozess 'Angebotsverfolgung' starten?");
    EXPECT_EQ(shown[0].value("default").toString(), "Yes");
    EXPECT_TRUE(startedProcesses(demo::kActUntyped).empty());
    EXPECT_FALSE(QFile::exists(configPath()));
}

TEST_P(StartRoadsOnEveryRoad, OneCandidateIsConfirmedThenStarted) {
    select(demo::kActOffer);
    const auto shown = run(QString(), {"answer Yes", "answer Yes"});
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].value("title").toString(), "Konfigurationsdatei wurde erstellt.");
    EXPECT_EQ(startedProcesses(demo::kActOffer), std::vector<QString>{kOffer});
    EXPECT_TRUE(released_);

    // The row: a new GUID, the user, state 1 and the database's time of the start.
    const data::Store row = sql(QString("select DSN, Start_User_DSN, State from BusinessProcessActive where "
                                        "Start_Activity_DSN = '%1' and Start_Date <= GETDATE()")
                                    .arg(QLatin1String(demo::kActOffer)));
    ASSERT_EQ(row.rows.size(), 1u);
    EXPECT_TRUE(data::platformGuidText(toText(row.rows[0][0]))) << toText(row.rows[0][0]).toStdString();
    EXPECT_EQ(dsnText(row.rows[0][1]), QLatin1String(demo::kAdminUser));
    EXPECT_EQ(row.rows[0][2].toInt(), 1);
    // The note: both lines right after the body tag, the old text behind them, umlauts kept.
    const QString stamp =
        "\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d: Der Prozess wurde von 'Administrator' ";
    const QRegularExpression stamped("^<HTML><HEAD></HEAD><BODY bgcolor=\"#FFFFFF\">" + stamp +
                                     "initiiert\\.<br/>" + stamp +
                                     "gestartet\\.<br/><br/><br/><P>Angebot über 3 Anlagen versendet\\.</P>"
                                     "</BODY></HTML>$");
    EXPECT_TRUE(stamped.match(note(demo::kActOffer)).hasMatch()) << note(demo::kActOffer).toStdString();
}

TEST_P(StartRoadsOnEveryRoad, SeveralCandidatesAreListedByNameAndThePositionStartsItsProcess) {
    makeDefaultConfig();
    select(demo::kActComplaint);
    const auto shown = run(QString(), {"select Combo_Process 2", "click cmd_DoProcess"});
    ASSERT_GE(shown.size(), 1u);
    const QJsonObject combo = shown[0].value("controls").toObject().value("Combo_Process").toObject();
    EXPECT_EQ(combo.value("entries").toArray(),
              (QJsonArray{"Ersatzlieferung veranlassen", "Gutschrift prüfen", "Reklamation bearbeiten"}));
    EXPECT_EQ(startedProcesses(demo::kActComplaint), std::vector<QString>{kComplaintThird});

    // Without touching the list, the first entry starts.
    select(demo::kActService, "F_VOR");
    run(QString(), {"click cmd_DoProcess"});
    EXPECT_EQ(startedProcesses(demo::kActService),
              std::vector<QString>{"B9000000-0000-4000-8000-000000000008"});
}

TEST_P(StartRoadsOnEveryRoad, AutomaticRunsDecideByTheFlagOfTheirEvent) {
    makeDefaultConfig();
    select(demo::kActComplaint);

    // Nothing flagged, or only the flag of another event: nothing starts and no window opens.
    EXPECT_TRUE(run("new", {}).empty());
    setConfig(kComplaintFirst, "AKTSTART", 1);
    setConfig(kComplaintSecond, "AKTUPDATE", 1);
    EXPECT_TRUE(run("done", {}).empty());
    EXPECT_TRUE(startedProcesses(demo::kActComplaint).empty());

    // Two flagged for "new": the window lists just those two, the first selected.
    setConfig(kComplaintSecond, "AKTSTART", 1);
    auto shown = run("new", {"close"});
    ASSERT_EQ(shown.size(), 1u);
    const QJsonObject combo = shown[0].value("controls").toObject().value("Combo_Process").toObject();
    EXPECT_EQ(combo.value("entries").toArray(),
              (QJsonArray{"Ersatzlieferung veranlassen", "Gutschrift prüfen"}));
    EXPECT_EQ(combo.value("selected").toInt(), 0);
    EXPECT_TRUE(startedProcesses(demo::kActComplaint).empty());

    // A single flagged row that is no candidate (expired) is not started.
    setConfig(kComplaintFirst, "AKTSTART", 0);
    setConfig(kComplaintSecond, "AKTSTART", 0);
    setConfig(kComplaintExpired, "AKTSTART", 1);
    EXPECT_TRUE(run("new", {}).empty());
    EXPECT_TRUE(startedProcesses(demo::kActComplaint).empty());

    // One flagged candidate for "update": started with no question.
    EXPECT_TRUE(run("update", {}).empty());
    EXPECT_EQ(startedProcesses(demo::kActComplaint), std::vector<QString>{kComplaintSecond});
}

TEST_F(StartRoads, AutomaticRunsWithoutAReadableConfigurationStartNothing) {
    select(demo::kActComplaint);
    EXPECT_TRUE(run("update", {}).empty());
    EXPECT_FALSE(QFile::exists(configPath()));  // not created by an automatic choice

    QFile broken(configPath());
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("<xml><unfertig");
    broken.close();
    const auto shown = run("update", {"answer OK"});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(text(shown[0]).startsWith("Die Konfigurationsdatei '")) << text(shown[0]).toStdString();
    EXPECT_TRUE(text(shown[0]).contains("SondervikConfig.xml"));
    EXPECT_TRUE(startedProcesses(demo::kActComplaint).empty());

    // The single candidate of an offer starts without the flags; its link check makes the file.
    QFile::remove(configPath());
    select(demo::kActOffer);
    run("done", {"answer Yes"});
    EXPECT_EQ(startedProcesses(demo::kActOffer), std::vector<QString>{kOffer});
}

TEST_P(StartRoadsOnEveryRoad, TheLinkCheckRefusesWithEveryMissingLink) {
    select(demo::kActOffer);
    // File missing and the question answered No: the file exists now, nothing started, no refusal.
    auto shown = run(QString(), {"answer Yes", "answer No"});
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_TRUE(startedProcesses(demo::kActOffer).empty());

    setConfig(kOffer, "OBJ", 1);
    setConfig(kOffer, "AD", 1);  // the offer has an address: present
    setConfig(kOffer, "PRJ", 1);
    shown = run(QString(), {"answer Yes", "answer OK"});
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].value("title").toString(), "Fehlende Verknüpfung");
    EXPECT_EQ(text(shown[1]),
              "Um den gewählten Prozess für die ausgewählte Aktivität\r\nstarten zu können werden folgende "
              "Verknüpfungen noch benötigt:\r\n- Eine Objektverknüpfung\r\n- Eine Projektverknüpfung");
    EXPECT_TRUE(startedProcesses(demo::kActOffer).empty());

    // An empty text is a link. A SQL Server's GUID columns hold no text: there a GUID is the link.
    const QString link = road_ == test::HostRoad::SqlServer ? "'0B000000-0000-4000-8000-000000000009'" : "''";
    sql(QString("update HostActivity set OBJ_DSN = %1, PROJEKTE_DSN = %1 where DSN = '%2'")
            .arg(link, QLatin1String(demo::kActOffer)));
    shown = run(QString(), {"answer Yes"});
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(startedProcesses(demo::kActOffer), std::vector<QString>{kOffer});
}

TEST_F(StartRoads, TheLinkCheckTestsNothingForAProcessWithoutExactlyOneRow) {
    makeDefaultConfig();
    data::Recordset config;
    config.open(configPath(), QString());
    config.addNew();
    config.setValue("DSN", QLatin1String(kOffer));
    config.update();
    config.save(configPath());
    config.close();

    // The offer has two rows; one of them demands every link, which the activity lacks, the other
    // demands none. Neither row is read, whichever comes first.
    select(demo::kActOffer);
    for (int demanding : {1, 0}) {
        SCOPED_TRACE(demanding == 0 ? "first row demands" : "second row demands");
        config.open(configPath(), QString());
        config.setFilter(QString("DSN = ") + data::sqlText(QLatin1String(kOffer)));
        ASSERT_EQ(config.recordCount(), 2);
        for (int row = 0; !config.eof(); config.moveNext(), ++row)
            for (const char* flag : {"OBJ", "AD", "ADB", "PRJ", "AKTSTART", "AKTERLEDIGT", "AKTUPDATE"})
                config.setValue(flag, row == demanding ? 1 : 0);
        config.save(configPath());
        config.close();
        sql(QString("delete from BusinessProcessActive where Start_Activity_DSN = '%1'")
                .arg(demo::kActOffer));

        EXPECT_EQ(run(QString(), {"answer Yes"}).size(), 1u);
        EXPECT_EQ(startedProcesses(demo::kActOffer), std::vector<QString>{kOffer});
    }
}

TEST_F(StartRoads, AFailedInsertIsReportedAndNothingElseHappens) {
    makeDefaultConfig();
    sql("create trigger refuse before insert on BusinessProcessActive begin select raise(abort, 'Einfügen "
        "gesperrt'); end");
    const QString before = note(demo::kActOffer);
    const auto shown = run(QString(), {"answer Yes", "answer OK"});
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(text(shown[1]).startsWith("Es ist ein Fehler beim Prozessstart aufgetreten:\r\n"));
    EXPECT_TRUE(text(shown[1]).contains("Einfügen gesperrt"));
    EXPECT_EQ(shown[1].value("icon").toString(), "critical");
    EXPECT_EQ(shown[1].value("title").toString(), "Sondervik");
    EXPECT_EQ(note(demo::kActOffer), before);
    EXPECT_TRUE(released_);
}

TEST_F(StartRoads, AFailedNoteKeepsTheRowAndSkipsTheHostCall) {
    makeDefaultConfig();
    sql("create trigger refuse before update on HostActivity begin select raise(abort, 'Notiz gesperrt'); "
        "end");
    const auto shown = run(QString(), {"answer Yes", "answer OK"});
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(text(shown[1]).contains("Notiz gesperrt"));
    EXPECT_EQ(startedProcesses(demo::kActOffer), std::vector<QString>{kOffer});
    QFile log(emu::HostFolder(dir_).callLogPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_FALSE(log.readAll().contains("AKT_ShowDSN"));
    EXPECT_TRUE(released_);
}

TEST_F(StartRoads, AnErrorWithoutDescriptionShowsNothingAndStillShutsDown) {
    makeDefaultConfig();
    const auto shown = run(QString(), {"answer Yes"}, [](automation::Registry& registry) {
        registry.add("tamberlib10.cUtil", [] { return std::make_shared<SilentFailure>(); });
    });
    EXPECT_EQ(shown.size(), 1u);  // only the confirmation
    // The note is read before the insert: its failure leaves no process behind.
    EXPECT_TRUE(startedProcesses(demo::kActOffer).empty());
    EXPECT_TRUE(released_);
}

// Another run may start a process for the activity between the running check and the insert: the
// insert then adds nothing, and the start ends as the running check would have ended it.
TEST_P(StartRoadsOnEveryRoad, AStartThatFindsTheActivityStartedMeanwhileAddsNothing) {
    makeDefaultConfig();
    const QString before = note(demo::kActOffer);
    const auto startAfterAnotherRun = [&](bool automatic) {
        return [&, automatic](clsSondervik& addin) {
            addin.InitHost();
            addin.IsAutoRun = automatic;
            addin.ActivityDsn = QLatin1String(demo::kActOffer);
            addin.UserDsn = QLatin1String(demo::kAdminUser);
            addin.StartProcess(QLatin1String(kOffer));
        };
    };
    sql(QString("insert into BusinessProcessActive (DSN, BusinessProcess_DSN, Start_Date, Start_User_DSN, "
                "Start_Activity_DSN, State) values ('BA000000-0000-4000-8000-0000000000F1', '%1', GETDATE(), "
                "'5A1E0000-0000-4000-8000-0000000000F1', '%2', 1)")
            .arg(QLatin1String(kComplaintFirst), QLatin1String(demo::kActOffer)));

    auto shown = runWith({"answer OK"}, startAfterAnotherRun(false));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(
        text(shown[0]),
        "Die von Ihnen gewählte Aktivität ist bereits teil des Prozesses 'Ersatzlieferung veranlassen'.\r\n"
        "Um einen neuen Prozess starten zu können muss der vorherige erst beendet werden.");
    EXPECT_EQ(shown[0].value("title").toString(), "Prozessstart beendet");
    EXPECT_TRUE(released_);

    EXPECT_TRUE(runWith({}, startAfterAnotherRun(true)).empty());
    EXPECT_TRUE(released_);

    EXPECT_EQ(startedProcesses(demo::kActOffer), std::vector<QString>{kComplaintFirst});
    EXPECT_EQ(note(demo::kActOffer), before);
    QFile log(emu::HostFolder(dir_).callLogPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_FALSE(log.readAll().contains("AKT_ShowDSN"));
}

TEST_F(StartRoads, ValuesWithQuotesFindExactlyTheirRowsAndAreStoredAsTheyAre) {
    const QString type = "T' OR '1'='1";
    const QString activity = "A' OR '1'='1";
    sql(QString("insert into Aktivitätenarten (DSN, Name) values (%1, 'Typ ''Spezial''')")
            .arg(data::sqlText(type)));
    for (const QString& process : {QString("P'1"), QString("P'2")})
        sql(QString(
                "insert into BusinessProcess (DSN, BusinessProcessName, StartActivityType_DSN, ValidFrom, "
                "ValidTo, farchiv) values (%1, %2, %3, '2020-01-01', '2099-01-01', 0)")
                .arg(data::sqlText(process), data::sqlText("Prozess " + process), data::sqlText(type)));
    for (const QString& dsn : {activity, activity + "2"})
        sql(QString("insert into HostActivity (DSN, ART_DSN, Notiz) values (%1, %2, 'x')")
                .arg(data::sqlText(dsn), data::sqlText(type)));
    sql(QString("insert into HostUser (DSN, NAME) values ('U''1', 'O''Brien')"));
    setSession("user", "U'1");
    makeDefaultConfig();

    setSession("selected", activity);
    auto shown = run(QString(), {"select Combo_Process 1", "click cmd_DoProcess"});
    const QJsonObject combo = shown.at(0).value("controls").toObject().value("Combo_Process").toObject();
    EXPECT_EQ(combo.value("entries").toArray(), (QJsonArray{"Prozess P'1", "Prozess P'2"}));
    const data::Store row =
        sql(QString("select BusinessProcess_DSN, Start_User_DSN from BusinessProcessActive where "
                    "Start_Activity_DSN = %1")
                .arg(data::sqlText(activity)));
    ASSERT_EQ(row.rows.size(), 1u);
    EXPECT_EQ(row.rows[0][0].toString(), "P'2");
    EXPECT_EQ(row.rows[0][1].toString(), "U'1");
    EXPECT_TRUE(note(activity.toUtf8().constData()).contains("'O'Brien' initiiert."));

    // The running check, the type filter and the candidate filter take the quotes literally too.
    setConfig("P'1", "AKTUPDATE", 1);
    setSession("selected", activity + "2");
    EXPECT_TRUE(run("update", {}).empty());
    EXPECT_EQ(startedProcesses((activity + "2").toUtf8().constData()), std::vector<QString>{"P'1"});
    setSession("selected", activity);
    EXPECT_TRUE(run("update", {}).empty());  // already running: silent, nothing new
    EXPECT_EQ(sql("select count(*) from BusinessProcessActive").rows[0][0].toInt(), 3);
}

// A file written over a database whose DSNs are GUIDs holds them braced, in fields typed uuid;
// the database here gives them bare.
TEST_F(StartRoads, AFileWithBracedGuidsIsReadByTheLinkCheckTheAutomaticStartAndTheConfigurator) {
    ASSERT_TRUE(QFile::copy(SV_TEST_DATA_DIR "/persist/config_braced_guids.xml", configPath()));
    ASSERT_TRUE(QFile::setPermissions(configPath(), QFile::ReadOwner | QFile::WriteOwner));

    // The offer's process demands an object link.
    select(demo::kActOffer);
    auto shown = run(QString(), {"answer Yes", "answer OK"});
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].value("title").toString(), "Fehlende Verknüpfung");
    EXPECT_TRUE(startedProcesses(demo::kActOffer).empty());

    // "Gutschrift prüfen" alone starts on a change, under the database's own DSN.
    select(demo::kActComplaint);
    EXPECT_TRUE(run("update", {}).empty());
    EXPECT_EQ(startedProcesses(demo::kActComplaint), std::vector<QString>{kComplaintSecond});

    // The configurator shows the offer's setting and stores a click into its row: none is added.
    shown = run("config", {"select lb_Process 0", "click chk_AD", "close"});
    ASSERT_GE(shown.size(), 1u);
    const QJsonObject boxes = shown.back().value("controls").toObject();
    EXPECT_EQ(boxes.value("chk_OBJ").toObject().value("checked"), 1);
    data::Recordset config;
    config.open(configPath(), QString());
    EXPECT_EQ(config.recordCount(), 8);
    config.setFilter(QString("DSN = ") + data::sqlText(QLatin1String(kOffer)));
    ASSERT_EQ(config.recordCount(), 1);
    EXPECT_EQ(toText(config.value("OBJ")), "1");
    EXPECT_EQ(toText(config.value("AD")), "1");
}

// Definitions named in mixed case with umlauts, as the host's SQL Server sorts them.
TEST_F(StartRoads, TheSelectionWindowTheConfiguratorAndTheDefaultFileHoldNamesAsTheServerSortsThem) {
    const char* const names[] = {"Straße a", "änderung melden", "Strasse b", "apfel prüfen"};
    QStringList added;
    for (int i = 0; i < 4; ++i) {
        added << QString("B9000000-0000-4000-8000-0000000001%1").arg(i, 2, 10, QChar('0'));
        sql(QString("insert into BusinessProcess values (%1, %2, %3, '2020-01-01', '2099-12-31', 0)")
                .arg(data::sqlText(added.last()), data::sqlText(QString::fromUtf8(names[i])),
                     data::sqlText(QLatin1String(demo::kTypeComplaint))));
    }
    select(demo::kActComplaint);
    auto shown = run(QString(), {"close"});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(
        shown[0].value("controls").toObject().value("Combo_Process").toObject().value("entries").toArray(),
        (QJsonArray{"änderung melden", "apfel prüfen", "Ersatzlieferung veranlassen", "Gutschrift prüfen",
                    "Reklamation bearbeiten", "Straße a", "Strasse b"}));

    shown = run("config", {"select lb_Process 0", "close"});
    ASSERT_GE(shown.size(), 1u);
    EXPECT_EQ(
        shown.back().value("controls").toObject().value("lb_Process").toObject().value("entries").toArray(),
        (QJsonArray{"änderung melden", "Angebotsverfolgung", "apfel prüfen", "Ersatzlieferung veranlassen",
                    "Gutschrift prüfen", "Reklamation (bis 2019)", "Reklamation bearbeiten",
                    "Reklamation Eskalation (archiviert)", "Straße a", "Strasse b", "Wartung abrechnen",
                    "Wartung planen"}));

    // The default file that the configurator made: a row for every definition, the new ones too.
    data::Recordset config;
    config.open(configPath(), QString());
    EXPECT_EQ(config.recordCount(), 12);
    for (const QString& dsn : added) {
        config.setFilter("DSN = " + data::sqlText(dsn));
        EXPECT_EQ(config.recordCount(), 1) << dsn.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(EveryRoad, StartRoadsOnEveryRoad,
                         ::testing::Values(test::HostRoad::Embedded, test::HostRoad::Odbc,
                                           test::HostRoad::SqlServer),
                         [](const ::testing::TestParamInfo<test::HostRoad>& road) {
                             return std::string(test::roadName(road.param));
                         });
