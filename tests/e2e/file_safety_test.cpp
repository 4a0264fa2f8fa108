// The configuration file under a hostile or unlucky environment, driven through the real
// executables: the configurator killed at many moments of an upgrade, the upgrade's backup, leftovers
// of interrupted writes, malformed files, users who can't write the add-in folder, links and special
// files in the add-in folder, a lock path that is no regular file.
#include "config/configurator_fixture.h"
#include "emulator/emulated_host.h"
#include "emulator/host_schema.h"
#include "support/host_fixture.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QRegularExpression>

#include <chrono>
#include <memory>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

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

const QString kMissingLinkTitle = QStringLiteral("Fehlende Verknüpfung");
const QString kCreateError =
    QStringLiteral("Es ist ein Fehler aufgetreten beim erstellen der Konfigurationdatei\r\n");

QString gone(int n) {
    return QStringLiteral("ALT-%1").arg(n, 6, 10, QLatin1Char('0'));
}

QString notRegular(const QString& path, const char* kind) {
    return "Permission denied: " + path + " (" + kind + ", not a regular file)";
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

// A manual start of the offer, whose process demands an object link the offer lacks: refused.
void expectOfferRefused(HostFixture& host) {
    host.set({"selected=" + QLatin1String(demo::kActOffer)});
    const int before = startedCount(host);
    ASSERT_EQ(host.start(QString(), {"answer Yes", "answer OK"}).status, 0);
    const auto boxes = host.events("msgbox");
    ASSERT_EQ(boxes.size(), 2u) << messageTexts(host).join(" | ").toStdString();
    EXPECT_EQ(boxes[1].value("title").toString(), kMissingLinkTitle);
    EXPECT_EQ(startedCount(host), before);
}

// The add-in started as the host starts it, on the configurator, and left running. A transcript, when
// named, receives what it shows.
std::unique_ptr<QProcess> startConfigurator(const HostFixture& host, const QString& script,
                                            const QString& transcript = QString()) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(emu::kHostDirVariable), host.dir());
    env.insert(QStringLiteral("SONDERVIK_UI_SCRIPT"), script);
    if (!transcript.isNull()) env.insert(QStringLiteral("SONDERVIK_UI_TRANSCRIPT"), transcript);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    auto addin = std::make_unique<QProcess>();
    addin->setProcessEnvironment(env);
    addin->start(test::buildPath("sondervik"), {QStringLiteral("config")});
    EXPECT_TRUE(addin->waitForStarted());
    return addin;
}

// The configurator, killed unless it ends within `killAfterMs`.
void runConfigurator(const HostFixture& host, const QString& script, int killAfterMs) {
    const std::unique_ptr<QProcess> addin = startConfigurator(host, script);
    if (addin->waitForFinished(killAfterMs)) return;
    addin->kill();
    addin->waitForFinished();
}

// Waits, at most 30 s, until the running add-in has the file open: a writer opens the lock file
// just before it waits for the lock.
bool waitUntilItOpens(QProcess& addin, const QString& path) {
    const QString fds = QStringLiteral("/proc/%1/fd").arg(addin.processId());
    const QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        for (const QFileInfo& fd :
             QDir(fds).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
            if (fd.symLinkTarget() == path) return true;
        if (addin.waitForFinished(10)) return false;
    }
    return false;
}

QStringList transcriptTexts(const QString& transcript) {
    QStringList texts;
    for (const QJsonObject& event : test::jsonLines(QString::fromUtf8(fileBytes(transcript))))
        if (event.value("event").toString() == u"msgbox") texts << event.value("text").toString();
    return texts;
}

mode_t modeOf(const QString& path) {
    struct stat entry {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &entry), 0) << path.toStdString();
    return entry.st_mode & 07777;
}

// The old file as it was, or its complete upgrade; the backup, when there is one, is the old file.
void expectOldOrCompletelyUpgraded(const HostFixture& host, const QByteArray& old, int goneRows) {
    const QByteArray live = fileBytes(host.configPath());
    ASSERT_FALSE(live.isEmpty());
    if (live != old) {
        const ConfigFile file = readConfig(host.configPath());
        EXPECT_EQ(file.fields, cfgtest::kCurrentFields);
        EXPECT_EQ(file.rows.size(), size_t(goneRows + 8));
        EXPECT_EQ(file.of(process(6)), std::vector<Row>{row(process(6), "1000000", cfgtest::kTypeOffer)});
        EXPECT_EQ(file.of(gone(0)), std::vector<Row>{row(gone(0), "0001000", "")});
        EXPECT_EQ(file.of(gone(goneRows - 1)), std::vector<Row>{row(gone(goneRows - 1), "0001000", "")});
    }
    const QString backup = host.configPath() + ".bak";
    if (QFile::exists(backup)) {
        EXPECT_EQ(fileBytes(backup), old);
    }
}

QStringList addinFolderEntries(const HostFixture& host) {
    return QDir(QFileInfo(host.configPath()).path())
        .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
}

}  // namespace

TEST(FileSafety, ConfiguratorKilledAnywhereInAnUpgradeLosesNoSetting) {
    HostFixture host;
    // The offer's process demands an object link; many rows of deleted definitions demand a project,
    // so that the upgrade lasts long enough to be hit at each of its steps.
    constexpr int kGoneRows = 10000;
    std::vector<Row> rows = {row(process(6), "1000")};
    for (int n = 0; n < kGoneRows; ++n)
        rows.push_back(row(gone(n), "0001"));
    cfgtest::writeConfig(host.configPath(), cfgtest::kOldFields, rows);
    const QByteArray old = fileBytes(host.configPath());
    const QString script = host.dir() + "/close.txt";
    writeBytes(script, "click btn_Close\n");

    // One run without a kill gives the span over which the kills are spread.
    QElapsedTimer timer;
    timer.start();
    runConfigurator(host, script, 60000);
    const int span = int(timer.elapsed());
    expectOldOrCompletelyUpgraded(host, old, kGoneRows);
    ASSERT_NE(fileBytes(host.configPath()), old);

    constexpr int kKills = 24;
    for (int kill = 0; kill < kKills; ++kill) {
        SCOPED_TRACE(kill);
        writeBytes(host.configPath(), old);
        QFile::remove(host.configPath() + ".bak");
        runConfigurator(host, script, span * (kill + 1) / (kKills + 1));
        expectOldOrCompletelyUpgraded(host, old, kGoneRows);
        if (kill % 6 == 0) expectOfferRefused(host);
    }
    // The next run cleans up what the kills left and the upgrade completes.
    ASSERT_EQ(host.start("config", {"click btn_Close"}).status, 0);
    EXPECT_TRUE(host.events("msgbox").empty());
    expectOldOrCompletelyUpgraded(host, old, kGoneRows);
    EXPECT_EQ(fileBytes(host.configPath() + ".bak"), old);
    EXPECT_EQ(addinFolderEntries(host),
              (QStringList{"SondervikConfig.xml", "SondervikConfig.xml.bak", "SondervikConfig.xml.lock"}));
    expectOfferRefused(host);
}

TEST(FileSafety, TheBackupIsNeverReadBackAndIsNamedWhenTheFileIsUnreadable) {
    HostFixture host;
    const QString backup = host.configPath() + ".bak";
    cfgtest::writeConfig(host.configPath(), cfgtest::kOldFields,
                         {row(process(6), "1000"), row(gone(0), "0001")});
    const QByteArray old = fileBytes(host.configPath());
    ASSERT_EQ(host.start("config", {"click btn_Close"}).status, 0);
    ASSERT_EQ(fileBytes(backup), old);

    // Deleted to start afresh: a missing file, whatever lies beside it. The start road makes the
    // default file and asks; the offer's old link demand does not come back.
    QFile::remove(host.configPath());
    host.set({"selected=" + QLatin1String(demo::kActOffer)});
    const int before = startedCount(host);
    ASSERT_EQ(host.start(QString(), {"answer Yes", "answer Yes"}).status, 0);
    ASSERT_EQ(host.events("msgbox").size(), 2u) << messageTexts(host).join(" | ").toStdString();
    EXPECT_EQ(host.events("msgbox")[1].value("title").toString(), "Konfigurationsdatei wurde erstellt.");
    EXPECT_EQ(startedCount(host), before + 1);
    EXPECT_EQ(readConfig(host.configPath()).of(process(6)),
              std::vector<Row>{row(process(6), "0000000", cfgtest::kTypeOffer)});
    EXPECT_TRUE(readConfig(host.configPath()).of(gone(0)).empty());
    // The configurator road makes it silently.
    QFile::remove(host.configPath());
    ASSERT_EQ(host.start("config", {"click btn_Close"}).status, 0);
    EXPECT_TRUE(host.events("msgbox").empty());
    EXPECT_TRUE(readConfig(host.configPath()).of(gone(0)).empty());

    // A current file without the writable marks (saved by another tool) is read as it is.
    cfgtest::writeConfig(host.configPath(), cfgtest::kCurrentFields,
                         {row(process(6), "0000000", cfgtest::kTypeOffer)},
                         {"OBJ", "AD", "ADB", "PRJ", "AKTSTART", "AKTERLEDIGT", "AKTUPDATE", "AKTART_DSN"});
    const QByteArray unmarked = fileBytes(host.configPath());
    host.sql("delete from BusinessProcessActive where Start_Activity_DSN = '" +
             QLatin1String(demo::kActOffer) + "'");
    ASSERT_EQ(host.start(QString(), {"answer Yes"}).status, 0);
    EXPECT_EQ(host.events("msgbox").size(), 1u) << messageTexts(host).join(" | ").toStdString();
    EXPECT_EQ(fileBytes(host.configPath()), unmarked);

    // A damaged file is named with its backup on every road, and both are kept.
    writeBytes(host.configPath(), "<xml");
    host.sql("delete from BusinessProcessActive where Start_Activity_DSN = '" +
             QLatin1String(demo::kActOffer) + "'");
    const QString unreadable =
        "Die Konfigurationsdatei '" + host.configPath() + "' konnte nicht gelesen werden:\r\n";
    const QString hint = "\r\nDie Datei vor der letzten Umstellung liegt als Sicherung in '" + backup + "'.";
    ASSERT_EQ(host.start(QString(), {"answer Yes", "answer OK"}).status, 0);
    const QString manual = messageTexts(host).value(1);
    EXPECT_TRUE(manual.startsWith("Es ist ein Fehler beim Prozessstart aufgetreten:\r\n" + unreadable))
        << manual.toStdString();
    ASSERT_EQ(host.start("config", {"answer OK"}).status, 0);
    const QString configurator = messageTexts(host).value(0);
    host.set({"selected=" + QLatin1String(demo::kActComplaint)});
    ASSERT_EQ(host.start("update", {"answer OK"}).status, 0);
    const QString automatic = messageTexts(host).value(0);
    for (const QString& text : {manual, configurator, automatic}) {
        EXPECT_TRUE(text.contains(unreadable)) << text.toStdString();
        EXPECT_TRUE(text.endsWith(hint)) << text.toStdString();
    }
    EXPECT_EQ(fileBytes(host.configPath()), "<xml");
    EXPECT_EQ(fileBytes(backup), old);
    // Without a backup there is nothing to name.
    QFile::remove(backup);
    ASSERT_EQ(host.start("config", {"answer OK"}).status, 0);
    EXPECT_FALSE(messageTexts(host).value(0).contains(".bak")) << messageTexts(host).value(0).toStdString();
}

TEST(FileSafety, AFileWithTwoDataSectionsIsRefusedAndKeptByteForByte) {
    HostFixture host;
    std::vector<Row> rows;
    for (int n = 1; n <= 8; ++n)
        rows.push_back(row(process(n), n == 6 ? "1000000" : "0000000"));
    cfgtest::writeConfig(host.configPath(), cfgtest::kCurrentFields, rows);
    QByteArray bytes = fileBytes(host.configPath());
    bytes.replace("<rs:data>", "<rs:data/>\n\t<rs:data>");
    writeBytes(host.configPath(), bytes);

    host.set({"selected=" + QLatin1String(demo::kActOffer)});
    const int before = startedCount(host);
    ASSERT_EQ(host.start(QString(), {"answer Yes", "answer OK"}).status, 0);
    EXPECT_TRUE(messageTexts(host).value(1).contains("more than one data section"))
        << messageTexts(host).join(" | ").toStdString();
    ASSERT_EQ(host.start("config", {"answer OK"}).status, 0);
    EXPECT_TRUE(messageTexts(host).value(0).contains("more than one data section"));
    EXPECT_EQ(host.events("closed").size(), 1u);
    EXPECT_EQ(startedCount(host), before);
    EXPECT_EQ(fileBytes(host.configPath()), bytes);
}

TEST(FileSafety, LeftoversGoOnlyWithARunThatCanWriteAndHoldNoReaderUp) {
    HostFixture host;
    ASSERT_EQ(host.start("config", {"click btn_Close"}).status, 0);
    const QByteArray live = fileBytes(host.configPath());
    const QStringList leftovers = {host.configPath() + ".tmp-Ab12Cd", host.configPath() + ".bak.tmp-Xy34Zw"};
    const auto leave = [&leftovers](const QString& leftover) { writeBytes(leftover, "<xml"); };
    host.set({"selected=" + QLatin1String(demo::kActComplaint)});
    // The manual run starts the complaint's first candidate, so its link check reads the file.
    const std::vector<std::pair<QString, QStringList>> roads = {
        {QString(), {"click cmd_DoProcess"}}, {"config", {"click btn_Close"}}, {"update", {}}};
    const auto run = [&host](const QString& word, const QStringList& steps) {
        host.sql("delete from BusinessProcessActive where Start_Activity_DSN = '" +
                 QLatin1String(demo::kActComplaint) + "'");
        ASSERT_EQ(host.start(word, steps).status, 0);
        EXPECT_TRUE(host.events("msgbox").empty()) << messageTexts(host).join(" | ").toStdString();
    };

    // Each kind alone, each road: the leftover goes, the live file stays as it is.
    for (const QString& leftover : leftovers)
        for (const auto& [word, steps] : roads) {
            SCOPED_TRACE((leftover + " " + word).toStdString());
            leave(leftover);
            run(word, steps);
            EXPECT_FALSE(QFile::exists(leftover));
            EXPECT_EQ(fileBytes(host.configPath()), live);
        }

    // A writer at work may be making them: they stay, and no run waits for it or fails.
    const files::FileLock writer(host.configPath() + ".lock", std::chrono::milliseconds::zero(), "test");
    for (const QString& leftover : leftovers)
        leave(leftover);
    for (const auto& [word, steps] : roads)
        run(word, steps);
    for (const QString& leftover : leftovers)
        EXPECT_TRUE(QFile::exists(leftover)) << leftover.toStdString();
}

// An installation where only the administrator may write the add-in folder: it and all in it belong
// to another uid and are read-only for the rest. The user runs the real programs as a root without
// any capability, who can read them but not write, and can reach the build folder wherever it lies.
TEST(FileSafety, UsersWhoCanOnlyReadTheAddinFolderStartOnEveryRoad) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to hand the add-in folder to another uid";
    HostFixture host;
    const QString folder = QFileInfo(host.configPath()).path();
    cfgtest::writeConfig(
        host.configPath(), cfgtest::kCurrentFields,
        {row(process(6), "1000000", cfgtest::kTypeOffer), row(process(8), "0000001", cfgtest::kTypeService)});
    const QByteArray live = fileBytes(host.configPath());
    const QStringList leftovers = {host.configPath() + ".tmp-Ab12Cd", host.configPath() + ".bak.tmp-Xy34Zw"};
    for (const QString& leftover : leftovers)
        writeBytes(leftover, "<xml");
    writeBytes(host.configPath() + ".lock", QByteArray());
    ASSERT_EQ(QProcess::execute("chown", {"-R", "65534:65534", folder}), 0);
    ASSERT_EQ(QProcess::execute("chmod", {"-R", "go-w", folder}), 0);
    const QStringList asUser = {"setpriv", "--inh-caps=-all", "--ambient-caps=-all", "--bounding-set=-all"};

    host.set({"selected=" + QLatin1String(demo::kActOffer)});
    host.launcher = asUser;
    expectOfferRefused(host);  // the link check read the file
    ASSERT_EQ(host.start("config", {"click btn_Close"}).status, 0);
    EXPECT_TRUE(host.events("msgbox").empty()) << messageTexts(host).join(" | ").toStdString();
    EXPECT_EQ(host.events("closed").size(), 1u);
    host.set({"pane=F_VOR", "selected=" + QLatin1String(demo::kActService)});
    ASSERT_EQ(host.start("update").status, 0);
    EXPECT_TRUE(host.events("msgbox").empty()) << messageTexts(host).join(" | ").toStdString();
    const auto started =
        host.sql("select BusinessProcess_DSN from BusinessProcessActive where Start_Activity_DSN = '" +
                 QLatin1String(demo::kActService) + "'");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].value("BusinessProcess_DSN").toString(), process(8));
    for (const QString& leftover : leftovers)
        EXPECT_TRUE(QFile::exists(leftover)) << leftover.toStdString();
    EXPECT_EQ(fileBytes(host.configPath()), live);

    // The administrator's next run clears them.
    host.launcher.clear();
    ASSERT_EQ(host.start("config", {"click btn_Close"}).status, 0);
    for (const QString& leftover : leftovers)
        EXPECT_FALSE(QFile::exists(leftover)) << leftover.toStdString();
}

TEST(FileSafety, LinksAndSpecialFilesAtTheConfigurationAreNamedAndNeverFollowed) {
    HostFixture host;
    const QString outside = host.dir() + "/outside.xml";
    // The complaint has three candidates: the automatic run reads the file to choose.
    const auto runEveryRoad = [&host] {
        host.set({"selected=" + QLatin1String(demo::kActOffer)});
        EXPECT_EQ(host.start(QString(), {"answer Yes", "answer OK", "answer No", "answer OK"}).status, 0);
        const QStringList manual = messageTexts(host);
        EXPECT_EQ(host.start("config", {"answer OK", "answer OK"}).status, 0);
        const QStringList configurator = messageTexts(host);
        EXPECT_EQ(host.events("closed").size(), 1u);
        host.set({"selected=" + QLatin1String(demo::kActComplaint)});
        EXPECT_EQ(host.start("update", {"answer OK"}).status, 0);
        return std::array<QStringList, 3>{manual, configurator, messageTexts(host)};
    };
    const auto unreadable = [&host](const QString& problem) {
        return "Die Konfigurationsdatei '" + host.configPath() + "' konnte nicht gelesen werden:\r\n" +
               problem;
    };

    for (const char* kind : {"a symbolic link", "a named pipe"}) {
        SCOPED_TRACE(kind);
        QFile::remove(host.configPath());
        if (QByteArray(kind) == "a named pipe")
            ASSERT_EQ(mkfifo(QFile::encodeName(host.configPath()).constData(), 0600), 0);
        else
            ASSERT_TRUE(QFile::link(outside, host.configPath()));  // dangling
        const QString problem = notRegular(host.configPath(), kind);
        const auto [manual, configurator, automatic] = runEveryRoad();
        EXPECT_EQ(manual.value(1), kCreateError + problem);
        EXPECT_EQ(configurator, (QStringList{kCreateError + problem, unreadable(problem)}));
        EXPECT_EQ(automatic, QStringList{unreadable(problem)});
        EXPECT_FALSE(QFile::exists(outside));
    }

    // A link to another file: that file is neither read nor written.
    QFile::remove(host.configPath());
    cfgtest::writeConfig(outside, cfgtest::kCurrentFields, {row(process(6), "0000000", cfgtest::kTypeOffer)});
    const QByteArray outsideBytes = fileBytes(outside);
    ASSERT_TRUE(QFile::link(outside, host.configPath()));
    const auto [manual, configurator, automatic] = runEveryRoad();
    const QString problem = notRegular(host.configPath(), "a symbolic link");
    EXPECT_EQ(manual.value(1), "Es ist ein Fehler beim Prozessstart aufgetreten:\r\n" + unreadable(problem));
    EXPECT_EQ(configurator, QStringList{unreadable(problem)});
    EXPECT_EQ(automatic, QStringList{unreadable(problem)});
    EXPECT_EQ(fileBytes(outside), outsideBytes);
    EXPECT_EQ(startedCount(host), 1);  // the demo's one running process
}

TEST(FileSafety, UpgradeNeverWritesThroughALinkAtTheBackup) {
    HostFixture host;
    cfgtest::writeConfig(host.configPath(), cfgtest::kOldFields, {row(process(6), "1000")});
    const QByteArray old = fileBytes(host.configPath());
    const QString readOnly = host.dir() + "/schreibgeschuetzt.txt";
    writeBytes(readOnly, "nur lesen");
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
    const QString backup = host.configPath() + ".bak";
    ASSERT_TRUE(QFile::link(readOnly, backup));

    host.start("config", {"answer OK", "answer OK"});
    EXPECT_TRUE(messageTexts(host).join('|').contains(notRegular(backup, "a symbolic link")))
        << messageTexts(host).join('|').toStdString();
    EXPECT_EQ(fileBytes(host.configPath()), old);
    EXPECT_EQ(fileBytes(readOnly), "nur lesen");
    EXPECT_EQ(QFile::permissions(readOnly) & QFileDevice::WriteOwner, 0);
}

TEST(FileSafety, ALockThatIsNoRegularFileIsNamedAtOnceAndAnEmptyOneIsNoLock) {
    HostFixture host;
    ASSERT_EQ(host.start("config", {"click btn_Close"}).status, 0);
    const QByteArray before = fileBytes(host.configPath());
    const QString lock = host.configPath() + ".lock";
    QFile::remove(lock);
    const QStringList click{"click chk_OBJ", "answer OK", "click btn_Close"};

    ASSERT_EQ(mkfifo(QFile::encodeName(lock).constData(), 0600), 0);
    ASSERT_EQ(host.start("config", click).status, 0);
    EXPECT_EQ(messageTexts(host), QStringList{notRegular(lock, "a named pipe")});
    QFile::remove(lock);

    ASSERT_TRUE(QDir().mkdir(lock));
    ASSERT_EQ(host.start("config", click).status, 0);
    EXPECT_EQ(messageTexts(host), QStringList{notRegular(lock, "a folder")});
    QDir().rmdir(lock);

    ASSERT_TRUE(QFile::link(host.dir() + "/nirgends.lock", lock));
    ASSERT_EQ(host.start("config", click).status, 0);
    EXPECT_EQ(messageTexts(host), QStringList{notRegular(lock, "a symbolic link")});
    EXPECT_FALSE(QFile::exists(host.dir() + "/nirgends.lock"));
    QFile::remove(lock);
    EXPECT_EQ(fileBytes(host.configPath()), before);

    // What a killed configurator leaves is an empty file, which holds nobody up.
    writeBytes(lock, QByteArray());
    ASSERT_EQ(host.start("config", {"click chk_OBJ", "click btn_Close"}).status, 0);
    EXPECT_TRUE(host.events("msgbox").empty());
    EXPECT_EQ(readConfig(host.configPath()).of(process(6)),
              std::vector<Row>{row(process(6), "1000000", cfgtest::kTypeOffer)});
}

TEST(FileSafety, FullDiskIsReportedAsSuchAndKeepsTheFile) {
    HostFixture host;
    ASSERT_EQ(host.start("config", {"click btn_Close"}).status, 0);
    const QByteArray before = fileBytes(host.configPath());
    QTemporaryDir work;
    const QString script = work.filePath("script.txt");
    const QString transcript = work.filePath("transcript.jsonl");
    const QString saved = work.filePath("saved.xml");
    const QString out = work.filePath("out");
    writeBytes(script, "click chk_OBJ\nanswer OK\nclick btn_Close\n");
    writeBytes(saved, before);
    ASSERT_TRUE(QDir().mkdir(out));

    // In a mount namespace of its own, the add-in folder is a small file system filled to its last
    // block; what is left in it is copied out before the namespace ends.
    const QString shell = QStringLiteral(
        "mount -t tmpfs -o size=256k tmpfs \"$1\" || exit 97; cp \"$2\" \"$1/SondervikConfig.xml\" || exit "
        "97; "
        "cat /dev/zero > \"$1/fill\" 2>/dev/null; \"$3\" start \"$4\" config; status=$?; "
        "rm -f \"$1/fill\"; cp -a \"$1\"/. \"$5\"; exit $status");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SONDERVIK_UI_SCRIPT"), script);
    env.insert(QStringLiteral("SONDERVIK_UI_TRANSCRIPT"), transcript);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess namespaced;
    namespaced.setProcessEnvironment(env);
    namespaced.start(QStringLiteral("unshare"),
                     {"-rm", "sh", "-c", shell, "sh", QFileInfo(host.configPath()).path(), saved,
                      test::buildPath("quorvant-host"), host.dir(), out});
    if (!namespaced.waitForStarted() || !namespaced.waitForFinished(60000) || namespaced.exitCode() == 97)
        GTEST_SKIP() << "no mount namespace here: " << namespaced.readAllStandardError().toStdString();

    EXPECT_EQ(namespaced.exitCode(), 0) << namespaced.readAllStandardError().toStdString();
    QStringList texts;
    for (const QJsonObject& event : test::jsonLines(QString::fromUtf8(fileBytes(transcript))))
        if (event.value("event").toString() == u"msgbox") texts << event.value("text").toString();
    EXPECT_EQ(texts, QStringList{"Disk full: " + host.configPath()});
    EXPECT_EQ(fileBytes(out + "/SondervikConfig.xml"), before);
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"SondervikConfig.xml", "SondervikConfig.xml.lock"}));
}

TEST(FileSafety, EverySaveKeepsTheFilesMode) {
    HostFixture host;
    ASSERT_EQ(host.start("config", {"click btn_Close"}).status, 0);
    // Colleagues of a group keep their write access after a click.
    for (const mode_t mode : {mode_t(0640), mode_t(0664), mode_t(0600)}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(::chmod(QFile::encodeName(host.configPath()).constData(), mode), 0);
        ASSERT_EQ(host.start("config", {"click chk_OBJ", "click btn_Close"}).status, 0);
        EXPECT_TRUE(host.events("msgbox").empty()) << messageTexts(host).join(" | ").toStdString();
        EXPECT_EQ(modeOf(host.configPath()), mode);
    }
    // The upgrade replaces a read-only file, which stays read-only.
    cfgtest::writeConfig(host.configPath(), cfgtest::kOldFields, {row(process(6), "1000")});
    ASSERT_EQ(::chmod(QFile::encodeName(host.configPath()).constData(), 0444), 0);
    ASSERT_EQ(host.start("config", {"click btn_Close"}).status, 0);
    EXPECT_EQ(readConfig(host.configPath()).fields, cfgtest::kCurrentFields);
    EXPECT_EQ(modeOf(host.configPath()), mode_t(0444));
}

// Every temporary file that strace saw renamed or linked into the add-in folder was flushed
// before, and the folder after; returns how many were put in place.
int expectFlushedAroundEachPlacement(const QString& straceLog, const QString& folder) {
    static const QRegularExpression sync(QStringLiteral(R"re(\b(?:fsync|fdatasync)\(\d+<([^>]*)>\))re"));
    static const QRegularExpression placement(
        QStringLiteral(R"re(\b(?:rename|renameat2?|link|linkat)\([^"]*"([^"]+)",[^"]*"([^"]+)")re"));
    QSet<QString> flushed;
    int placements = 0;
    bool folderPending = false;
    for (const QString& line : QString::fromUtf8(fileBytes(straceLog)).split(u'\n')) {
        if (const QRegularExpressionMatch m = sync.match(line); m.hasMatch()) {
            flushed << m.captured(1);
            if (m.captured(1) == folder) folderPending = false;
            continue;
        }
        const QRegularExpressionMatch m = placement.match(line);
        if (!m.hasMatch() || QFileInfo(m.captured(2)).path() != folder || !line.contains(" = 0")) continue;
        EXPECT_TRUE(flushed.contains(m.captured(1))) << "not flushed before: " << line.toStdString();
        EXPECT_FALSE(folderPending) << "folder not flushed after the placement before " << line.toStdString();
        folderPending = true;
        ++placements;
    }
    EXPECT_FALSE(folderPending) << "folder not flushed after the last placement";
    return placements;
}

TEST(FileSafety, EverySaveReachesTheDiskBeforeItReplacesTheFile) {
    HostFixture host;
    const QString log = host.scratchDir() + "/strace.log";
    const QString folder = QFileInfo(host.configPath()).path();
    host.launcher = {"strace", "-f", "-y", "-qq",
                     "-o",     log,  "-e", "trace=fsync,fdatasync,rename,renameat,renameat2,link,linkat"};
    // LeakSanitizer stops the world through ptrace, which a traced process can't use: the traced
    // runs of a sanitizer build check no leaks.
    const QByteArray sanitizer = qgetenv("ASAN_OPTIONS");
    qputenv("ASAN_OPTIONS", sanitizer.isEmpty() ? "detect_leaks=0" : sanitizer + ":detect_leaks=0");
    const test::ToolResult probe = host.start("config", {"click btn_Close"});
    if (probe.status != 0 && !QFile::exists(host.configPath()))
        GTEST_SKIP() << "strace can't trace here: " << probe.err.toStdString();
    // The default file made by the configurator start.
    EXPECT_EQ(expectFlushedAroundEachPlacement(log, folder), 1);
    // A click.
    ASSERT_EQ(host.start("config", {"click chk_OBJ", "click btn_Close"}).status, 0);
    EXPECT_EQ(expectFlushedAroundEachPlacement(log, folder), 1);
    // The upgrade: the backup, then the new file.
    cfgtest::writeConfig(host.configPath(), cfgtest::kOldFields, {row(process(6), "1000")});
    ASSERT_EQ(host.start("config", {"click btn_Close"}).status, 0);
    EXPECT_EQ(expectFlushedAroundEachPlacement(log, folder), 2);
    EXPECT_TRUE(QFile::exists(host.configPath() + ".bak"));
}

TEST(FileSafety, AnUpgradeWaitingForTheLockFindsTheFileUpgradedAndRebuildsNothing) {
    HostFixture host;
    const QString lock = host.configPath() + ".lock";
    cfgtest::writeConfig(host.configPath(), cfgtest::kOldFields, {row(process(6), "1000")});
    const QByteArray old = fileBytes(host.configPath());
    const QString script = host.scratchDir() + "/close.txt";
    writeBytes(script, "click btn_Close\n");

    // The first configurator holds the lock while the second starts the same upgrade.
    auto first = std::make_unique<files::FileLock>(lock, std::chrono::milliseconds::zero(), "first");
    const std::unique_ptr<QProcess> second = startConfigurator(host, script);
    ASSERT_TRUE(waitUntilItOpens(*second, lock));
    // The first completes its upgrade and a start-event box is ticked, then it lets go.
    writeBytes(host.configPath() + ".bak", old);
    std::vector<Row> upgraded;
    for (int n = 1; n <= 8; ++n)
        upgraded.push_back(row(process(n), n == 6 ? "1000100" : "0000000"));
    cfgtest::writeConfig(host.configPath(), cfgtest::kCurrentFields, upgraded);
    const QByteArray ticked = fileBytes(host.configPath());
    first.reset();

    ASSERT_TRUE(second->waitForFinished(30000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(fileBytes(host.configPath()), ticked);
    EXPECT_EQ(fileBytes(host.configPath() + ".bak"), old);
}

TEST(FileSafety, AClickWaitsForAnotherWriterAndThenStoresWithoutAMessage) {
    HostFixture host;
    ASSERT_EQ(host.start("config", {"click btn_Close"}).status, 0);
    const QString lock = host.configPath() + ".lock";
    const QString script = host.scratchDir() + "/click.txt";
    const QString transcript = host.scratchDir() + "/waiting.jsonl";
    writeBytes(script, "click chk_OBJ\nclick btn_Close\n");

    auto writer = std::make_unique<files::FileLock>(lock, std::chrono::milliseconds::zero(), "writer");
    const std::unique_ptr<QProcess> addin = startConfigurator(host, script, transcript);
    ASSERT_TRUE(waitUntilItOpens(*addin, lock));
    // Another writer saving a large file: held well past a short wait, well within the bound.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    writer.reset();

    ASSERT_TRUE(addin->waitForFinished(30000));
    EXPECT_EQ(addin->exitCode(), 0);
    EXPECT_EQ(transcriptTexts(transcript), QStringList{});
    EXPECT_EQ(readConfig(host.configPath()).of(process(6)),
              std::vector<Row>{row(process(6), "1000000", cfgtest::kTypeOffer)});
}
