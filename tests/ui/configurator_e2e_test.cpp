// The real add-in started by the emulated host with the word "config": the configurator driven by a
// UI script, the file on disk after the runs, and two configurators storing clicks at the same time
// while automatic runs read the file.
#include "config/configurator_fixture.h"
#include "emulator/host_schema.h"
#include "support/host_fixture.h"

#include <atomic>
#include <thread>

using sv::cfgtest::ConfigFile;
using sv::cfgtest::process;
using sv::cfgtest::readConfig;
using sv::test::HostFixture;

namespace {

QJsonObject control(const QJsonObject& window, const char* name) {
    return window.value("controls").toObject().value(QLatin1String(name)).toObject();
}

// A script that selects every process in turn and clicks the boxes on each.
QStringList clickEveryProcess(const QStringList& boxes) {
    QStringList steps;
    for (int position = 0; position < 8; ++position) {
        steps << QStringLiteral("select lb_Process %1").arg(position);
        for (const QString& box : boxes)
            steps << QStringLiteral("click ") + box;
    }
    return steps << QStringLiteral("click btn_Close");
}

}  // namespace

TEST(ConfiguratorRoad, ConfigOpensTheWindowAndEveryClickIsOnDisk) {
    HostFixture host;
    host.set({"pane=F_ADR"});  // the configurator opens whatever pane is active
    auto result = host.start(
        "config", {"select lb_Process 2", "click chk_OBJ", "click chkAKTNew", "select lb_Process 4",
                   "click chk_PRJ", "click chk_PRJ", "click chkUpdate", "click btn_Close"});
    ASSERT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_TRUE(host.events("msgbox").empty());
    ASSERT_FALSE(host.events("window").empty());
    EXPECT_EQ(host.events("window").front().value("caption").toString(), "Prozesskonfigurator");
    EXPECT_EQ(host.events("closed").size(), 1u);
    const QJsonObject afterClick = host.windowAfter("click chkAKTNew");
    EXPECT_EQ(control(afterClick, "lb_Process").value("selected").toInt(), 2);
    EXPECT_EQ(control(afterClick, "chkAKTNew").value("checked").toInt(), 1);
    EXPECT_EQ(control(afterClick, "chkAKTNew").value("text").toString(),
              "Prozess starten wenn Aktivität neu angelegt wird");
    EXPECT_EQ(control(host.windowAfter("select lb_Process 4"), "chkAKTNew").value("checked").toInt(), 0);

    ConfigFile file = readConfig(host.configPath());
    EXPECT_EQ(file.of(process(2)).at(0),
              sv::cfgtest::row(process(2), "1000100", sv::cfgtest::kTypeComplaint));
    EXPECT_EQ(file.of(process(1)).at(0),
              sv::cfgtest::row(process(1), "0000001", sv::cfgtest::kTypeComplaint));
    EXPECT_EQ(file.rows.size(), 8u);

    // A second run shows what the first stored, and its loading writes nothing.
    const QByteArray stored = sv::files::readFile(host.configPath());
    result = host.start("config", {"select lb_Process 2", "close"});
    ASSERT_EQ(result.status, 0) << result.err.toStdString();
    const QJsonObject shown = host.windowAfter("select lb_Process 2");
    EXPECT_EQ(control(shown, "chk_OBJ").value("checked").toInt(), 1);
    EXPECT_EQ(control(shown, "chkAKTNew").value("checked").toInt(), 1);
    EXPECT_EQ(control(shown, "chkUpdate").value("checked").toInt(), 0);
    EXPECT_EQ(sv::files::readFile(host.configPath()), stored);
}

// Automatic runs of an event no click sets read the file all the while: a torn file would
// show its message, which no script answers (status 3).
TEST(ConfiguratorRoad, TwoConfiguratorsAtOnceLoseNoClickWhileAutomaticRunsRead) {
    HostFixture host;
    ASSERT_EQ(host.start("config", {"close"}).status, 0);  // makes the default file
    host.set({"pane=F_VOR", QStringLiteral("selected=") + QLatin1String(sv::emu::demo::kActService)});
    QTemporaryDir scripts;
    const QStringList boxSets[] = {{"chk_OBJ", "chk_PRJ", "chkStartOnDone"},
                                   {"chk_AD", "chk_AD_B", "chkUpdate"}};
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int i = 0; i < 2; ++i) {
        const QString script = scripts.filePath(QStringLiteral("script%1.txt").arg(i));
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(clickEveryProcess(boxSets[i]).join(u'\n').toUtf8());
        file.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("SONDERVIK_UI_SCRIPT", script);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        auto& run = runs.emplace_back(std::make_unique<QProcess>());
        run->setProcessEnvironment(env);
        run->start(sv::test::buildPath("quorvant-host"), {"start", host.dir(), "config"});
    }
    std::atomic<bool> configuring = true;
    std::vector<int> readerStatuses;
    std::thread reader([&] {
        while (configuring)
            readerStatuses.push_back(sv::test::runTool({"start", host.dir(), "new"}).status);
    });
    for (const auto& run : runs) {
        EXPECT_TRUE(run->waitForFinished(120000));
        EXPECT_EQ(run->exitCode(), 0) << run->readAllStandardError().toStdString();
    }
    configuring = false;
    reader.join();
    ASSERT_FALSE(readerStatuses.empty());
    EXPECT_EQ(readerStatuses, std::vector<int>(readerStatuses.size(), 0));
    EXPECT_TRUE(host.sql("select DSN from BusinessProcessActive where Start_Activity_DSN = '" +
                         QLatin1String(sv::emu::demo::kActService) + "'")
                    .empty());

    const ConfigFile file = readConfig(host.configPath());
    ASSERT_EQ(file.rows.size(), 8u);
    for (const sv::cfgtest::Row& row : file.rows) {
        SCOPED_TRACE(row.value("DSN").toStdString());
        EXPECT_EQ(row.value("OBJ") + row.value("AD") + row.value("ADB") + row.value("PRJ"), "1111");
        EXPECT_EQ(row.value("AKTERLEDIGT") + row.value("AKTUPDATE") + row.value("AKTSTART"), "110");
    }
}
