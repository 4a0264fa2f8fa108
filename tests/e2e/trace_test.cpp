// The decision trace of the real add-in: switched on by `quorvant-host trace DIR on`, one block per
// run whose lines name what the run found and decided, and nothing at all without the opt-in.
#include "config/configurator_fixture.h"
#include "emulator/host_schema.h"
#include "support/host_fixture.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <pugixml.hpp>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <thread>

using namespace sv;
using sv::test::fileBytes;
using sv::test::HostFixture;
using sv::test::runTool;
using sv::test::writeBytes;

namespace {

const QString kOffer = QStringLiteral("B9000000-0000-4000-8000-000000000006");
const QString kComplaint1 = QStringLiteral("B9000000-0000-4000-8000-000000000001");
const QString kComplaint2 = QStringLiteral("B9000000-0000-4000-8000-000000000002");
const QString kComplaint3 = QStringLiteral("B9000000-0000-4000-8000-000000000003");

QString tracePath(const HostFixture& host) {
    return host.dir() + QStringLiteral("/Addin/_Sondervik/SondervikTrace.log");
}

// The version the add-in tells.
QString version() {
    QProcess addin;
    addin.start(sv::test::buildPath("sondervik"), {"--version"});
    EXPECT_TRUE(addin.waitForFinished(60000));
    return QString::fromUtf8(addin.readAllStandardOutput()).trimmed().section(u' ', 1);
}

struct TraceLine {
    qint64 pid = 0;
    QString fact;
};

// Every line of the trace; each must carry the local time and the process id.
std::vector<TraceLine> traceLines(const HostFixture& host) {
    static const QRegularExpression format(
        QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[(\d+)\] (.+)$)"));
    std::vector<TraceLine> lines;
    const QString text = QString::fromUtf8(fileBytes(tracePath(host)));
    EXPECT_TRUE(text.isEmpty() || text.endsWith(u'\n'));
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch match = format.match(line);
        EXPECT_TRUE(match.hasMatch()) << "not a trace line: " << line.toStdString();
        lines.push_back({match.captured(1).toLongLong(), match.captured(2)});
    }
    return lines;
}

// The facts of one run started on an emptied trace.
QStringList tracedRun(HostFixture& host, const QString& word, const QStringList& steps = {}) {
    writeBytes(tracePath(host), QByteArray());
    const auto result = host.start(word, steps);
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    QStringList facts;
    const std::vector<TraceLine> lines = traceLines(host);
    for (const TraceLine& line : lines) {
        EXPECT_EQ(line.pid, lines.front().pid);
        facts << line.fact;
    }
    return facts;
}

// Each expected fact appears, in this order, among the facts.
void expectInOrder(const QStringList& facts, const QStringList& expected) {
    qsizetype from = 0;
    for (const QString& fact : expected) {
        const qsizetype at = facts.indexOf(fact, from);
        EXPECT_GE(at, 0) << "missing or out of order: " << fact.toStdString() << "\nin:\n"
                         << facts.join(u'\n').toStdString();
        if (at >= 0) from = at + 1;
    }
}

// Changes the rows of one process in the configuration file.
void editConfigRow(const HostFixture& host, const QString& processDsn,
                   const std::function<void(pugi::xml_node)>& edit) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(host.configPath().toLocal8Bit().constData()));
    const std::string query = "//z:row[@DSN='" + processDsn.toStdString() + "']";
    pugi::xml_node row = doc.select_node(query.c_str()).node();
    ASSERT_TRUE(row) << query;
    edit(row);
    ASSERT_TRUE(doc.save_file(host.configPath().toLocal8Bit().constData(), "",
                              pugi::format_raw | pugi::format_no_declaration));
}

void setFlag(const HostFixture& host, const QString& processDsn, const char* field, const char* value) {
    editConfigRow(host, processDsn, [&](pugi::xml_node row) { row.attribute(field).set_value(value); });
}

// A host with its configuration file made and the trace switched on.
struct TracedHost {
    TracedHost() {
        EXPECT_EQ(host.start("config", {"close"}).status, 0);
        EXPECT_EQ(runTool({"trace", host.dir(), "on"}).status, 0);
    }
    HostFixture host;
};

TEST(Trace, AutomaticRunTellsTheFlagOfEveryCandidateAndItsChoice) {
    TracedHost traced;
    HostFixture& host = traced.host;
    setFlag(host, kComplaint1, "AKTSTART", "1");
    setFlag(host, kComplaint3, "AKTSTART", "1");
    editConfigRow(host, kComplaint2, [](pugi::xml_node row) { row.remove_attribute("AKTSTART"); });

    QStringList facts = tracedRun(host, "new", {"select Combo_Process 1", "click cmd_DoProcess"});
    expectInOrder(facts, {
                             "Start: Sondervik " + version() + ", Befehlswort 'new', automatischer Lauf",
                             "Fenster 'F_AKT'",
                             "Aktivität 'AC000000-0000-4000-8000-000000000001'",
                             "Aktivitätenart-DSN 'A7000000-0000-4000-8000-000000000001'",
                             "Aktivitätenart 'Reklamation'",
                             "Laufende Prozesse der Aktivität: keine",
                             "Kandidaten: 3",
                             "Kandidat " + kComplaint3 + " 'Ersatzlieferung veranlassen'",
                             "Kandidat " + kComplaint2 + " 'Gutschrift prüfen'",
                             "Kandidat " + kComplaint1 + " 'Reklamation bearbeiten'",
                             "Konfiguration gelesen, Feld AKTSTART",
                             "Kandidat " + kComplaint3 + ": Markierung \"1\", angeboten",
                             "Kandidat " + kComplaint2 + ": Markierung Null, nicht angeboten",
                             "Kandidat " + kComplaint1 + ": Markierung \"1\", angeboten",
                             "Entscheidung: Auswahlfenster mit 2 Einträgen",
                             "Start von Prozess 'Reklamation bearbeiten' (" + kComplaint1 + ")",
                             "Ende: Status 0",
                         });
    EXPECT_EQ(facts.last(), "Ende: Status 0");
    host.sql(
        "delete from BusinessProcessActive where Start_Activity_DSN = "
        "'AC000000-0000-4000-8000-000000000001'");

    // A candidate without a row, and one with two rows: neither is offered, nothing starts.
    editConfigRow(host, kComplaint1, [](pugi::xml_node row) { row.parent().remove_child(row); });
    editConfigRow(host, kComplaint3, [](pugi::xml_node row) { row.parent().append_copy(row); });
    facts = tracedRun(host, "new");
    expectInOrder(facts, {
                             "Kandidat " + kComplaint3 + ": Markierung 2 Zeilen, nicht angeboten",
                             "Kandidat " + kComplaint1 + ": Markierung keine Zeile, nicht angeboten",
                             "Entscheidung: kein Kandidat ist für das Ereignis markiert, nichts zu tun",
                             "Ende: Status 0",
                         });
}

TEST(Trace, StartAndRefusalsNameTheirReasonRowAndMessages) {
    TracedHost traced;
    HostFixture& host = traced.host;

    // The one process flagged for "update" starts; the trace names the row it inserted.
    setFlag(host, "B9000000-0000-4000-8000-000000000008", "AKTUPDATE", "1");
    host.set({"pane=F_VOR", QStringLiteral("selected=") + emu::demo::kActService});
    QStringList facts = tracedRun(host, "update");
    const auto inserted =
        host.sql(QStringLiteral("select DSN from BusinessProcessActive where Start_Activity_DSN = '%1'")
                     .arg(emu::demo::kActService));
    ASSERT_EQ(inserted.size(), 1u);
    expectInOrder(
        facts, {
                   "Fenster 'F_VOR'",
                   "Konfiguration gelesen, Feld AKTUPDATE",
                   "Kandidat B9000000-0000-4000-8000-000000000008: Markierung \"1\"",
                   "Kandidat B9000000-0000-4000-8000-000000000007: Markierung \"0\"",
                   "Entscheidung: Start von 'Wartung abrechnen' (B9000000-0000-4000-8000-000000000008), die "
                   "einzige für AKTUPDATE markierte Zeile der Art",
                   "Start von Prozess 'Wartung abrechnen' (B9000000-0000-4000-8000-000000000008)",
                   "Verknüpfungsprüfung für B9000000-0000-4000-8000-000000000008: 1 Zeile(n) in der "
                   "Konfiguration, bestanden",
                   "Eingefügt in BusinessProcessActive: DSN " + inserted[0].value("DSN").toString() +
                       " (Prozess B9000000-0000-4000-8000-000000000008)",
                   "Ende: Status 0",
               });

    // Refused by the link check: the missing links, the box and its answer.
    setFlag(host, kOffer, "OBJ", "1");
    setFlag(host, kOffer, "PRJ", "1");
    host.sql(QStringLiteral("update HostActivity set OBJ_DSN = NULL, PROJEKTE_DSN = NULL where DSN = '%1'")
                 .arg(emu::demo::kActOffer));
    host.set({"pane=F_AKT", QStringLiteral("selected=") + emu::demo::kActOffer});
    facts = tracedRun(host, QString(), {"answer Yes", "answer OK"});
    expectInOrder(
        facts,
        {
            "Start: Sondervik " + version() + ", Befehlswort '', manueller Lauf",
            "Entscheidung: einziger Kandidat 'Angebotsverfolgung' (" + kOffer + "), Rückfrage",
            "Meldung \"Prozess starten?\": Möchten Sie für die ausgewählte Aktivität den "
            "Prozess 'Angebotsverfolgung' starten?",
            "Antwort: Yes",
            "Verknüpfungsprüfung für " + kOffer + ": 1 Zeile(n) in der Konfiguration, es fehlt: OBJ, PRJ",
            "Meldung \"Fehlende Verknüpfung\": Um den gewählten Prozess für die "
            "ausgewählte Aktivität | starten zu können werden folgende Verknüpfungen "
            "noch benötigt: | - Eine Objektverknüpfung | - Eine Projektverknüpfung",
            "Antwort: OK",
            "Ende: Status 0",
        });
    EXPECT_FALSE(facts.join(u'\n').contains("Eingefügt"));

    // Refused because a process runs already, silently in an automatic run.
    host.set({QStringLiteral("selected=") + emu::demo::kActRunning});
    facts = tracedRun(host, "done");
    expectInOrder(facts, {
                             "Laufender Prozess der Aktivität: 'Reklamation bearbeiten'",
                             "Entscheidung: abgelehnt, ein Prozess läuft schon (automatisch: ohne Meldung)",
                             "Ende: Status 0",
                         });

    // An error no handler takes: its number and description on the last line.
    host.set({"selected=GIBT-ES-NICHT"});
    writeBytes(tracePath(host), QByteArray());
    EXPECT_EQ(host.start(QString(), {"answer OK"}).status, 1);
    const std::vector<TraceLine> lines = traceLines(host);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().fact.startsWith("Ende: Status 1 (Laufzeitfehler '"))
        << lines.back().fact.toStdString();
}

TEST(Trace, TheFirstLineNamesTheRunModeOfEveryCommandWord) {
    TracedHost traced;
    HostFixture& host = traced.host;
    // The complaint's three candidates: nothing is flagged, so an automatic run ends quietly.
    const struct {
        const char* word;
        const char* mode;
        QStringList steps;
    } runs[] = {
        {"config", "Konfigurator", {"click btn_Close"}},
        {"new", "automatischer Lauf", {}},
        {"update", "automatischer Lauf", {}},
        {"done", "automatischer Lauf", {}},
        {"Config", "manueller Lauf", {"click btn_cancel"}},
        {"neu", "manueller Lauf", {"click btn_cancel"}},
    };
    const QString start = "Start: Sondervik " + version() + ", Befehlswort '%1', %2";
    for (const auto& run : runs) {
        const QStringList facts = tracedRun(host, QLatin1String(run.word), run.steps);
        ASSERT_FALSE(facts.isEmpty()) << run.word;
        EXPECT_EQ(facts.front(), start.arg(QLatin1String(run.word), QLatin1String(run.mode)));
    }
}

TEST(Trace, AFileMissingOrOfTheOlderLayoutIsToldAsSuchWithEveryCandidate) {
    HostFixture host;
    ASSERT_EQ(runTool({"trace", host.dir(), "on"}).status, 0);
    QStringList facts = tracedRun(host, "done");
    expectInOrder(facts, {
                             "Konfigurationsdatei fehlt: nichts ist für AKTERLEDIGT markiert",
                             "Kandidat " + kComplaint3 + ": Markierung keine Datei, nicht angeboten",
                             "Kandidat " + kComplaint2 + ": Markierung keine Datei, nicht angeboten",
                             "Kandidat " + kComplaint1 + ": Markierung keine Datei, nicht angeboten",
                             "Entscheidung: kein Kandidat ist für das Ereignis markiert, nichts zu tun",
                         });

    cfgtest::writeConfig(host.configPath(), cfgtest::kOldFields, {cfgtest::row(kComplaint2, "1111")});
    facts = tracedRun(host, "done");
    expectInOrder(facts,
                  {
                      "Konfigurationsdatei älteren Aufbaus ohne Feld AKTERLEDIGT: kein Prozess ist für "
                      "das Ereignis markiert",
                      "Kandidat " + kComplaint3 + ": Markierung älterer Aufbau, nicht angeboten",
                      "Kandidat " + kComplaint2 + ": Markierung älterer Aufbau, nicht angeboten",
                      "Kandidat " + kComplaint1 + ": Markierung älterer Aufbau, nicht angeboten",
                      "Entscheidung: kein Kandidat ist für das Ereignis markiert, nichts zu tun",
                  });
    EXPECT_FALSE(facts.join(u'\n').contains("fehlt")) << facts.join(u'\n').toStdString();
}

TEST(Trace, TheConfiguratorTellsWhoChangedWhichSettingFromWhatToWhat) {
    TracedHost traced;
    HostFixture& host = traced.host;
    editConfigRow(host, kComplaint3, [](pugi::xml_node row) { row.parent().remove_child(row); });
    // The list: Angebotsverfolgung, Ersatzlieferung veranlassen (no row now), Gutschrift prüfen, ...
    const QStringList facts =
        tracedRun(host, "config",
                  {"click chk_PRJ", "click chk_PRJ", "select lb_Process 1", "click chkUpdate",
                   "select lb_Process 2", "click chk_AD", "click btn_Close"});
    const QString user = QStringLiteral("Benutzer 'Administrator'");
    const QStringList stored = facts.filter(QStringLiteral("Einstellung gespeichert"));
    EXPECT_EQ(stored, (QStringList{
                          "Einstellung gespeichert: Prozess 'Angebotsverfolgung' (" + kOffer +
                              "), Feld PRJ: \"0\" -> \"1\", " + user,
                          "Einstellung gespeichert: Prozess 'Angebotsverfolgung' (" + kOffer +
                              "), Feld PRJ: \"1\" -> \"0\", " + user,
                          "Einstellung gespeichert: Prozess 'Ersatzlieferung veranlassen' (" + kComplaint3 +
                              "), Feld AKTUPDATE: keine Zeile -> \"1\", " + user,
                          "Einstellung gespeichert: Prozess 'Gutschrift prüfen' (" + kComplaint2 +
                              "), Feld AD: \"0\" -> \"1\", " + user,
                      }));
}

TEST(Trace, NothingIsWrittenOrMadeWithoutTheFileAndNothingChangesWhenItCannotBeWritten) {
    HostFixture host;
    const QString addin = host.dir() + QStringLiteral("/Addin/_Sondervik");
    ASSERT_EQ(host.start(QString(), {"select Combo_Process 1", "click cmd_DoProcess", "answer Yes"}).status,
              0);
    EXPECT_TRUE(QFileInfo::exists(host.configPath()));
    EXPECT_EQ(QDir(addin).entryList({"*Trace*", "*.log"}, QDir::AllEntries | QDir::System), QStringList{});

    // In place of the file: a link, a folder, a FIFO. None is followed, written or waited for.
    const QString elsewhere = host.dir() + QStringLiteral("/elsewhere.log");
    writeBytes(elsewhere, QByteArray());
    ASSERT_TRUE(QFile::link(elsewhere, tracePath(host)));
    host.set({QStringLiteral("selected=") + emu::demo::kActOffer});
    EXPECT_EQ(host.start("new").status, 0);
    EXPECT_EQ(fileBytes(elsewhere), QByteArray());
    QFile::remove(tracePath(host));
    // A second hard link: the file is reached by another name too, and is never written.
    const QString otherName = host.dir() + QStringLiteral("/other-name.log");
    writeBytes(tracePath(host), QByteArray());
    ASSERT_EQ(::link(tracePath(host).toLocal8Bit().constData(), otherName.toLocal8Bit().constData()), 0);
    EXPECT_EQ(host.start("new").status, 0);
    EXPECT_EQ(fileBytes(otherName), QByteArray());
    QFile::remove(tracePath(host));
    ASSERT_EQ(::mkfifo(tracePath(host).toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(host.start("new").status, 0);
    // With a reader at its other end, the FIFO could be written: it still gets nothing.
    const int reader = ::open(tracePath(host).toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(host.start("new").status, 0);
    char received[64];
    EXPECT_LE(::read(reader, received, sizeof received), 0);
    ::close(reader);
    QFile::remove(tracePath(host));
    ASSERT_TRUE(QDir().mkdir(tracePath(host)));
    EXPECT_EQ(host.start("new").status, 0);
    EXPECT_EQ(host.sql("select count(*) as n from BusinessProcessActive").front().value("n").toInt(), 3);

    // Switched on and off again: off deletes the file.
    QDir(tracePath(host)).removeRecursively();
    EXPECT_EQ(runTool({"trace", host.dir(), "on"}).status, 0);
    EXPECT_TRUE(QFileInfo(tracePath(host)).isFile());
    EXPECT_EQ(runTool({"trace", host.dir(), "off"}).status, 0);
    EXPECT_FALSE(QFileInfo::exists(tracePath(host)));
}

// `quorvant-host start DIR word` with the file size limit of the add-in's process at `limit` bytes.
int startWithFileSizeLimit(const HostFixture& host, const QString& word, qint64 limit) {
    QProcess limited;
    limited.start(QStringLiteral("prlimit"),
                  {QStringLiteral("--fsize=%1").arg(limit), sv::test::buildPath("quorvant-host"), "start",
                   host.dir(), word});
    EXPECT_TRUE(limited.waitForFinished(60000));
    return limited.exitCode();
}

TEST(Trace, ALineThatCannotBeWrittenWholeIsDroppedAndNeverEndsTheRun) {
    TracedHost traced;
    HostFixture& host = traced.host;
    host.set({QStringLiteral("selected=") + emu::demo::kActOffer});  // one process: it starts at once
    const auto note = [&host] {
        return host
            .sql(QStringLiteral("select Notiz from HostActivity where DSN = '%1'").arg(emu::demo::kActOffer))
            .front()
            .value("Notiz")
            .toString();
    };
    const QString noteBefore = note();
    constexpr qint64 kLimit = 1 << 20;  // far above what the run writes to the database and call log

    // The trace at the limit: every write of it fails, the start is complete.
    const QByteArray full(kLimit, 'x');
    writeBytes(tracePath(host), full);
    EXPECT_EQ(startWithFileSizeLimit(host, "new", kLimit), 0);
    EXPECT_TRUE(fileBytes(tracePath(host)) == full) << fileBytes(tracePath(host)).size() << " bytes";
    EXPECT_EQ(host.sql(QStringLiteral(
                           "select count(*) as n from BusinessProcessActive where Start_Activity_DSN = '%1'")
                           .arg(emu::demo::kActOffer))
                  .front()
                  .value("n")
                  .toInt(),
              1);
    EXPECT_NE(note(), noteBefore);

    // Room for part of a line: the part that got in is cut off again, so the next run's lines start
    // on a line of their own.
    host.sql("delete from BusinessProcessActive");
    const QByteArray nearlyFull = QByteArray(kLimit - 11, 'x') + '\n';
    writeBytes(tracePath(host), nearlyFull);
    EXPECT_EQ(startWithFileSizeLimit(host, "new", kLimit), 0);
    EXPECT_TRUE(fileBytes(tracePath(host)) == nearlyFull) << fileBytes(tracePath(host)).size() << " bytes";
    writeBytes(tracePath(host), QByteArray());
    EXPECT_EQ(host.start("new").status, 0);
    ASSERT_FALSE(traceLines(host).empty());
}

TEST(Trace, ControlAndBidirectionalCharactersOfHostDataAreShownByTheirCodePoints) {
    TracedHost traced;
    HostFixture& host = traced.host;
    const QString name = QStringLiteral("Gut\u202Eschrift\t\x1b[2J\u2028\u2066prüfen\r\nEnde");
    host.sql(QStringLiteral("update BusinessProcess set BusinessProcessName = '%1' where DSN = '%2'")
                 .arg(name, kComplaint2));
    const QStringList facts = tracedRun(host, "new");
    EXPECT_TRUE(facts.contains("Kandidat " + kComplaint2 +
                               " 'Gut<U+202E>schrift<U+0009><U+001B>[2J<U+2028><U+2066>prüfen | Ende'"))
        << facts.join(u'\n').toStdString();
    const QByteArray bytes = fileBytes(tracePath(host));
    EXPECT_FALSE(
        std::any_of(bytes.begin(), bytes.end(), [](char c) { return c != '\n' && uchar(c) < 0x20; }));
}

TEST(Trace, RunsAtTheSameMomentAppendWholeLines) {
    TracedHost traced;
    HostFixture& host = traced.host;
    host.set({QStringLiteral("selected=") + emu::demo::kActCall});  // no process: every run ends quietly
    constexpr int kRunsAtOnce = 4;
    std::vector<std::thread> runs;
    std::vector<int> statuses(kRunsAtOnce, -1);
    for (int i = 0; i < kRunsAtOnce; ++i)
        runs.emplace_back([&, i] { statuses[i] = runTool({"start", host.dir(), "update"}).status; });
    for (std::thread& run : runs)
        run.join();
    EXPECT_EQ(statuses, std::vector<int>(kRunsAtOnce, 0));

    std::map<qint64, QStringList> blocks;
    for (const TraceLine& line : traceLines(host))
        blocks[line.pid] << line.fact;
    ASSERT_EQ(blocks.size(), size_t(kRunsAtOnce));
    const QStringList first = blocks.begin()->second;
    for (const auto& [pid, facts] : blocks) {
        SCOPED_TRACE(pid);
        EXPECT_EQ(facts, first);  // each run's block complete, in its order
        EXPECT_TRUE(facts.first().startsWith("Start: "));
        EXPECT_EQ(facts.last(), "Ende: Status 0");
    }
}

}  // namespace
