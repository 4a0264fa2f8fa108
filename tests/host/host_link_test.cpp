// Start-up and shutdown against the emulated host: what InitHost leaves ready, how it fails, and
// ShutDown's silent stop at the first object that is not there.
#include "platform/error.h"
#include "support/run_fixture.h"

#include <QDir>

using namespace sv;

namespace {

class HostLink : public test::RunFixture {
protected:
    // A run attached to the host without running Main.
    long initHostError(const QProcessEnvironment& env) {
        ui::Gui gui(ui::GuiSettings{});
        automation::Registry registry;
        emu::registerEmulatedHost(registry, env);
        clsSondervik addin(registry, gui);
        try {
            addin.InitHost();
        } catch (const PlatformError& e) {
            return e.number();
        }
        EXPECT_EQ(addin.DbConnection->state(), data::Connection::kStateOpen);
        EXPECT_TRUE(addin.HostApp.isObject());
        EXPECT_TRUE(addin.UtilObj.isObject());
        EXPECT_TRUE(addin.DbUtil.isObject());
        EXPECT_TRUE(addin.ConnectString.startsWith("Provider=SQLite;"));
        return 0;
    }

    QProcessEnvironment hostEnv() const {
        QProcessEnvironment env;
        env.insert(QLatin1String(emu::kHostDirVariable), dir_);
        return env;
    }
};

}  // namespace

TEST_F(HostLink, InitHostAttachesOrFailsWithThePlatformsError) {
    EXPECT_EQ(initHostError(hostEnv()), 0);
    // A host folder ending in a backslash gives two in a row before "sql"; it is passed on as it is.
    setSession("hostfolder", dir_ + "\\");
    EXPECT_EQ(initHostError(hostEnv()), 0);
    bool doubled = false;
    QFile log(emu::HostFolder(dir_).callLogPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    for (const QByteArray& line : log.readAll().split('\n'))
        doubled |= line.contains("GetConnectString") && line.contains(QByteArray("\\\\\\\\sql\\\\SQL.INI"));
    EXPECT_TRUE(doubled);

    EXPECT_EQ(initHostError(QProcessEnvironment()), err::kCantCreateObject);
    QFile::remove(emu::HostFolder(dir_).databasePath());
    setSession("hostfolder", dir_);
    EXPECT_NE(initHostError(hostEnv()), 0);  // the database does not open
    QFile::remove(emu::HostFolder(dir_).sqlIniPath());
    EXPECT_NE(initHostError(hostEnv()), 0);
}

TEST_F(HostLink, ShutDownReleasesAndStopsSilentlyAtTheFirstMissingObject) {
    ui::Gui gui(ui::GuiSettings{});
    automation::Registry registry;
    emu::registerEmulatedHost(registry, hostEnv());
    clsSondervik addin(registry, gui);
    addin.InitHost();
    addin.CandidateDsns = QStringList{"X"};
    addin.ProcessList = std::make_unique<data::Recordset>();
    addin.ShutDown();  // StartConfig does not exist: the steps after it are skipped
    EXPECT_FALSE(addin.HostRoot.isObject());
    EXPECT_FALSE(addin.HostApp.isObject());
    EXPECT_FALSE(addin.DbConnection);
    EXPECT_FALSE(addin.CandidateDsns);
    EXPECT_TRUE(addin.ProcessList);

    // Both record sets there, one open: it is closed and both are released.
    addin.InitHost();
    addin.DbConnection->close();  // not open: released without a close
    addin.StartConfig = std::make_unique<data::Recordset>();
    addin.StartConfig->open(data::Store());
    addin.ShutDown();
    EXPECT_FALSE(addin.DbConnection);
    EXPECT_FALSE(addin.StartConfig);
    EXPECT_FALSE(addin.ProcessList);
}

TEST_F(HostLink, ConfigOpensTheConfiguratorWhateverThePane) {
    setSession("pane", "F_ADR");
    const auto shown = run("config", {"close"});
    for (const QJsonObject& event : shown)
        EXPECT_NE(event.value("text").toString(),
                  "Das Starten von Prozessen ist nur im Aktivitäten- oder Wiedervorlagefenster möglich.");
    // "Config" is no mode word: a manual run, refused outside the two panes.
    const auto refused = run("Config", {"answer OK"});
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].value("title").toString(), "Prozessstart beendet");
}
