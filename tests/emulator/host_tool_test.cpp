// quorvant-host's commands as scripts use them: init, set, sql, calls and start, with their exit
// statuses (0 done, 1 failure, 2 usage).
#include "emulator/host_tool.h"
#include "emulator/host_schema.h"
#include "emulator/session.h"
#include "emulator/transcript_text.h"
#include "emulator_test_support.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace sv;
using namespace sv::emutest;
namespace demo = sv::emu::demo;

namespace {

struct ToolRun {
    int status;
    QString out;
    QString err;
    bool operator==(const ToolRun&) const = default;
};

ToolRun tool(const QStringList& args) {
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int status = emu::runHostTool(args, QStringLiteral("/nonexistent"), outStream, errStream);
    outStream.flush();
    errStream.flush();
    return {status, out, err};
}

class HostTool : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }

    emu::Session session() const {
        const emu::HostFolder folder(dir);
        return emu::readSession(folder.sessionPath(), folder.path());
    }

    // A stand-in add-in: writes its argument count, arguments, QUORVANT_HOST_DIR and SV_TOOL_MARK
    // to a file, then runs `ending`.
    QString standIn(const QString& ending) const {
        const QString path = tmp.path() + "/addin.sh";
        files::writeFileAtomic(path,
                               QString("#!/bin/sh\n{ echo \"$#\"; for a in \"$@\"; do echo \"$a\"; done; "
                                       "echo \"$QUORVANT_HOST_DIR\"; echo \"$SV_TOOL_MARK\"; } > '%1'\n%2\n")
                                   .arg(reportPath(), ending)
                                   .toUtf8());
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    QString reportPath() const { return tmp.path() + "/report.txt"; }
    QStringList report() const {
        return QString::fromUtf8(files::readFile(reportPath())).split('\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir tmp;
    QString dir = tmp.path() + "/host";
};

TEST_F(HostTool, InitMakesAHostAndRefusesToOverwriteOne) {
    EXPECT_EQ(tool({"init", dir}).status, 0);
    const emu::HostFolder folder(dir);
    EXPECT_TRUE(folder.holdsHost());
    EXPECT_TRUE(QFileInfo(folder.addinPath()).isDir());
    const emu::Session fresh = session();
    EXPECT_EQ(fresh.pane, "F_AKT");
    EXPECT_EQ(fresh.selected, "");
    EXPECT_EQ(fresh.user, demo::kAdminUser);
    EXPECT_EQ(fresh.initType, QVariant(1));
    EXPECT_EQ(fresh.folder, folder.path());
    EXPECT_EQ(fresh.hostFolder, folder.path());
    EXPECT_EQ(hostValue(dir, "SELECT group_concat(NAME) FROM HostUser").toString(), "Administrator");
    EXPECT_EQ(hostValue(dir, "SELECT COUNT(*) FROM BusinessProcess").toInt(), 0);

    EXPECT_EQ(tool({"set", dir, "pane=F_VOR"}).status, 0);
    const ToolRun again = tool({"init", dir, "--demo"});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.err.contains("holds a host already"));
    EXPECT_EQ(session().pane, "F_VOR");
    EXPECT_EQ(hostValue(dir, "SELECT COUNT(*) FROM BusinessProcess").toInt(), 0);

    const QString demoDir = tmp.path() + "/demo";
    EXPECT_EQ(tool({"init", demoDir, "--demo"}).status, 0);
    EXPECT_EQ(emu::readSession(emu::HostFolder(demoDir).sessionPath(), demoDir).selected,
              demo::kActComplaint);
    EXPECT_EQ(hostValue(demoDir,
                        "SELECT COUNT(*) FROM BusinessProcess WHERE farchiv = 0 AND GETDATE() BETWEEN "
                        "ValidFrom AND ValidTo AND StartActivityType_DSN = '" +
                            QString(demo::kTypeComplaint) + "'")
                  .toInt(),
              3);

    // A database of its own, named by a connection string in SQL.INI.
    const QString elsewhere = tmp.path() + "/elsewhere.sqlite";
    files::writeFileAtomic(elsewhere, "");
    const QString odbc = QString("Driver=SQLite3;Database=%1;LoadExt=%2").arg(elsewhere, SV_TSQL_EXTENSION);
    const QString odbcDir = tmp.path() + "/odbc";
    EXPECT_EQ(tool({"init", "--database", odbc, odbcDir, "--demo"}).status, 0);
    EXPECT_EQ(emu::connectStringFromIni(emu::HostFolder(odbcDir).sqlIniPath()), odbc);
    EXPECT_EQ(hostValue(odbcDir, "SELECT COUNT(*) FROM HostActivity").toInt(), 6);
    EXPECT_FALSE(QFile::exists(emu::HostFolder(odbcDir).databasePath()));

    EXPECT_EQ(tool({"init"}).status, 2);
    EXPECT_EQ(tool({"init", dir, "--demo", "x"}).status, 2);
    EXPECT_EQ(tool({"init", tmp.path() + "/d2", "--database"}).status, 2);
    EXPECT_EQ(tool({"init", tmp.path() + "/d3", "--database", ""}).status, 2);
    files::writeFileAtomic(tmp.path() + "/file.txt", "x");
    EXPECT_EQ(tool({"init", tmp.path() + "/file.txt/below"}).status, 1);
}

TEST_F(HostTool, SetChangesTheSessionOrNothing) {
    ASSERT_EQ(tool({"init", dir}).status, 0);
    EXPECT_EQ(tool({"set", dir, "pane=Anything", "selected=S1", "user=U1", "inittype=0", "folder=C:\\Q\\",
                    "hostfolder=D:\\", "oktype=T1"})
                  .status,
              0);
    emu::Session changed = session();
    EXPECT_EQ(changed.pane, "Anything");
    EXPECT_EQ(changed.selected, "S1");
    EXPECT_EQ(changed.user, "U1");
    EXPECT_EQ(changed.initType, QVariant(0));
    EXPECT_EQ(changed.folder, "C:\\Q\\");
    EXPECT_EQ(changed.hostFolder, "D:\\");
    EXPECT_EQ(changed.okType, "T1");

    const ToolRun badKey = tool({"set", dir, "pane=F_AKT", "colour=red"});
    EXPECT_EQ(badKey.status, 2);
    EXPECT_TRUE(badKey.err.contains("colour"));
    EXPECT_EQ(tool({"set", dir, "pane=F_AKT", "inittype=one"}).status, 2);
    EXPECT_EQ(tool({"set", dir, "pane=F_AKT", "selected"}).status, 2);
    EXPECT_EQ(tool({"set", dir}).status, 2);
    EXPECT_EQ(session().pane, "Anything");  // nothing changed by a refused command

    EXPECT_EQ(tool({"set", dir, "inittype=", "selected="}).status, 0);
    EXPECT_FALSE(session().initType.isValid());
    EXPECT_EQ(session().selected, "");
    EXPECT_EQ(tool({"set", tmp.path(), "pane=F_AKT"}).status, 1);
}

TEST_F(HostTool, SqlPrintsRowsAsJsonLines) {
    ASSERT_EQ(tool({"init", dir, "--demo"}).status, 0);
    const ToolRun users =
        tool({"sql", dir, "SELECT NAME, DSN, NULL AS Leer, 5 AS Five FROM HostUser ORDER BY NAME"});
    EXPECT_EQ(users.status, 0);
    EXPECT_EQ(users.out,
              QString("{\"NAME\":\"Administrator\",\"DSN\":\"%1\",\"Leer\":null,\"Five\":5}\n"
                      "{\"NAME\":\"Jürgen Kästner\",\"DSN\":\"5A1E0000-0000-4000-8000-000000000002\","
                      "\"Leer\":null,\"Five\":5}\n")
                  .arg(demo::kAdminUser));

    EXPECT_EQ(tool({"sql", dir, "INSERT INTO HostUser (DSN, NAME) VALUES (NewID(), 'O''Neil')"}).out, "");
    EXPECT_EQ(
        tool({"sql", dir,
              "SELECT length(DSN) AS n, GETDATE() IS NOT NULL AS now FROM HostUser WHERE NAME = 'O''Neil'"})
            .out,
        "{\"n\":36,\"now\":1}\n");

    const ToolRun bad = tool({"sql", dir, "SELECT x FROM nowhere"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.contains("nowhere"));
    EXPECT_EQ(tool({"sql", dir}).status, 2);
}

TEST_F(HostTool, CallsPrintsTheCallLog) {
    ASSERT_EQ(tool({"init", dir, "--demo"}).status, 0);
    EXPECT_EQ(tool({"calls", dir}), (ToolRun{0, "", ""}));

    automation::Registry registry;
    emu::registerEmulatedHost(registry, hostEnvironment(dir));
    registry.create("Velquin.Application").get("Quorvant_Application").get("ActivePaneName");
    const QStringList printed = tool({"calls", dir}).out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(printed.size(), 2);
    EXPECT_EQ(printed[1], R"({"object":"HostApp","member":"ActivePaneName","kind":"get","args":[]})");
    EXPECT_EQ(tool({"calls", tmp.path()}).status, 1);
}

TEST_F(HostTool, StartRunsTheAddinAsTheHostDoes) {
    ASSERT_EQ(tool({"init", dir}).status, 0);
    qputenv("SV_TOOL_MARK", "passed on");
    EXPECT_EQ(tool({"start", dir, "update", "--addin", standIn("exit 7")}).status, 7);
    EXPECT_EQ(report(), (QStringList{"1", "update", emu::HostFolder(dir).path(), "passed on"}));

    EXPECT_EQ(tool({"start", "--addin", standIn("exit 0"), dir}).status, 0);
    EXPECT_EQ(report(),
              (QStringList{"0", emu::HostFolder(dir).path(), "passed on"}));  // no word: no argument

    EXPECT_EQ(tool({"start", dir, "new word", "--addin", standIn("kill -TERM $$")}).status, 128 + 15);
    EXPECT_EQ(report().value(1), "new word");

    EXPECT_EQ(tool({"start", dir, "--addin", tmp.path() + "/missing"}).status, 1);
    EXPECT_EQ(tool({"start", tmp.path(), "--addin", standIn("exit 0")}).status, 1);
    EXPECT_EQ(tool({"start", dir, "a", "b", "--addin", standIn("exit 0")}).status, 2);
    EXPECT_EQ(tool({"start", dir, "--addin"}).status, 2);
    EXPECT_EQ(tool({"start", dir, "--wait"}).status, 2);
    EXPECT_EQ(tool({"launch", dir}).status, 2);
    EXPECT_EQ(tool({}).status, 2);
}

}  // namespace

namespace {

TEST_F(HostTool, HelpAndVersionGoToStdoutWithStatusZero) {
    for (const char* word : {"help", "--help", "-h"}) {
        const ToolRun help = tool({word});
        EXPECT_EQ(help.status, 0) << word;
        EXPECT_TRUE(help.out.startsWith("usage: quorvant-host")) << help.out.toStdString();
        EXPECT_TRUE(help.out.contains("trace DIR [on|off]"));
        EXPECT_TRUE(help.out.contains("  4      sondervik: the host failed to initialise\n"));
        EXPECT_EQ(help.err, "");
    }
    const ToolRun version = tool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(QRegularExpression(R"(^quorvant-host \d+\.\d+(\.\d+)*\n$)").match(version.out).hasMatch())
        << version.out.toStdString();
}

TEST_F(HostTool, ErrorsSayWhatWentWrongAndWhatToDo) {
    ASSERT_EQ(tool({"init", dir, "--demo"}).status, 0);
    const std::vector<std::pair<QStringList, int>> failing{
        {{"launch", dir}, 2},
        {{}, 2},
        {{"set", dir, "colour=red"}, 2},
        {{"start", dir, "--steps"}, 2},
        {{"trace", dir, "maybe"}, 2},
        {{"sql", dir, "SELECT x FROM nowhere"}, 1},
        {{"init", dir}, 1},
        {{"calls", tmp.path()}, 1},
        {{"transcript", tmp.path() + "/missing.jsonl"}, 1},
        {{"start", dir, "--addin", tmp.path() + "/missing"}, 1},
    };
    for (const auto& [args, status] : failing) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ToolRun run = tool(args);
        EXPECT_EQ(run.status, status);
        const QStringList lines = run.err.split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 2) << run.err.toStdString();
        EXPECT_TRUE(lines[0].startsWith("quorvant-host: error: ")) << lines[0].toStdString();
        EXPECT_TRUE(lines[1].startsWith("  what to do: ")) << lines[1].toStdString();
        EXPECT_GT(lines[1].size(), QString("  what to do: ").size() + 5);
    }
    EXPECT_TRUE(tool({"sql", tmp.path(), "SELECT 1"}).err.contains("quorvant-host init " + tmp.path()));
}

TEST_F(HostTool, SetWarnsOfAPaneOrActivityTheHostLacksAndSetsThemAllTheSame) {
    ASSERT_EQ(tool({"init", dir, "--demo"}).status, 0);
    const ToolRun pane = tool({"set", dir, "pane=F_ADR"});
    EXPECT_EQ(pane.status, 0);
    EXPECT_TRUE(pane.err.startsWith("quorvant-host: warning: ")) << pane.err.toStdString();
    EXPECT_TRUE(pane.err.contains("F_ADR"));
    EXPECT_EQ(session().pane, "F_ADR");

    const ToolRun activity = tool({"set", dir, "selected=AC-GIBT-ES-NICHT"});
    EXPECT_EQ(activity.status, 0);
    EXPECT_TRUE(activity.err.startsWith("quorvant-host: warning: ")) << activity.err.toStdString();
    EXPECT_TRUE(activity.err.contains("AC-GIBT-ES-NICHT"));
    EXPECT_FALSE(activity.err.contains("F_ADR"));  // only what this command set is looked at
    EXPECT_EQ(session().selected, "AC-GIBT-ES-NICHT");

    for (const QStringList& fitting :
         {QStringList{"set", dir, "pane=F_VOR", QString("selected=") + demo::kActService},
          QStringList{"set", dir, "pane=F_AKT", "selected="}})
        EXPECT_EQ(tool(fitting), (ToolRun{0, "", ""}));
}

TEST_F(HostTool, StartWithStepsGivesTheAddinAScriptAndPrintsWhatItShowed) {
    ASSERT_EQ(tool({"init", dir}).status, 0);
    // The stand-in keeps its script and answers one message box in the transcript.
    const QString addin = standIn(
        QString(
            "cp \"$SONDERVIK_UI_SCRIPT\" '%1/script.txt'; echo \"$QT_QPA_PLATFORM\" > '%1/platform.txt'\n"
            "printf '%s\\n' '{\"event\":\"step\",\"line\":\"answer Yes\",\"number\":1}' "
            "'{\"event\":\"msgbox\",\"title\":\"Frage\",\"text\":\"Eins\\r\\nZwei\",\"buttons\":\"YesNo\","
            "\"icon\":\"question\",\"default\":\"Yes\",\"answer\":\"Yes\"}' > \"$SONDERVIK_UI_TRANSCRIPT\"\n"
            "exit 3")
            .arg(tmp.path()));
    const ToolRun run =
        tool({"start", dir, "new", "--steps", " answer Yes;click cmd_DoProcess ", "--addin", addin});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(files::readFile(tmp.path() + "/script.txt"), "answer Yes\nclick cmd_DoProcess");
    EXPECT_EQ(files::readFile(tmp.path() + "/platform.txt"), "offscreen\n");
    EXPECT_EQ(run.out,
              "[Meldung \"Frage\" (question, YesNo)]\n  Eins\n  Zwei\n  -> Yes\n(Schritt: answer Yes)\n"
              "(Ende mit Status 3)\n");
}

TEST(TranscriptText, ShowsWindowsBoxesAndStepsInTheOrderAPersonSawThem) {
    const QByteArray transcript =
        R"({"event":"window","name":"frm_Sondervik","caption":"Prozessauswahl","controls":{"Combo_Process":{"entries":["A","B"],"selected":1},"chk_AD":{"checked":0,"text":"Adresse"},"chk_OBJ":{"checked":1,"text":"Objekt"},"chk_PRJ":{"checked":2,"text":"Projekt"},"chk_Alt":{"checked":true,"text":"Alt"},"lbl_Info":{"text":"Hallo"},"lbl_Leer":{"text":""}}})"
        "\n"
        R"({"event":"step","line":"click cmd_DoProcess","number":2})"
        "\n"
        R"({"event":"closed","name":"frm_Sondervik"})"
        "\n"
        R"({"event":"step","line":"snapshot a.png","number":3})"
        "\n"
        R"({"event":"step","line":"answer No","number":4})"
        "\n"
        R"({"event":"msgbox","title":"T","text":"X","buttons":"YesNo","icon":"question","default":"Yes","answer":"No"})"
        "\n"
        R"({"event":"error","message":"the UI script has no step left"})"
        "\n";
    EXPECT_EQ(emu::readableTranscript(transcript),
              "[Fenster frm_Sondervik: \"Prozessauswahl\"]\n"
              "  Combo_Process:\n      A\n    > B\n"
              "  chk_AD: [ ] Adresse\n"
              "  chk_Alt: [x] Alt\n"
              "  chk_OBJ: [x] Objekt\n"
              "  chk_PRJ: [-] Projekt\n"
              "  lbl_Info: Hallo\n"
              "(Schritt: click cmd_DoProcess)\n"
              "[Fenster frm_Sondervik geschlossen]\n"
              "(Schritt: snapshot a.png)\n"
              "[Meldung \"T\" (question, YesNo)]\n  X\n  -> No\n"
              "(Schritt: answer No)\n"
              "(Fehler im Skript: the UI script has no step left)\n");
}

}  // namespace
