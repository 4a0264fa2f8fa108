#pragma once
// A run of the add-in in this process, on a demo host in a temporary folder: the session set
// through the emulator, message boxes and windows driven by a UI script, what was shown read back
// from the transcript, and the host database read and changed directly. The host database is the
// embedded SQLite file, or on another road (HostRoad) the same tables and sample elsewhere.

#include "emulator/emulated_host.h"
#include "emulator/host_folder.h"
#include "emulator/host_schema.h"
#include "emulator/session.h"
#include "emulator/sql_ini.h"
#include "emulator/sql_server_scratch.h"
#include "platform/data/connection.h"
#include "platform/data/guid_text.h"
#include "platform/data/recordset.h"
#include "platform/data/sql_literal.h"
#include "platform/ui/gui.h"
#include "platform/variant.h"
#include "src/app/cls_sondervik.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

namespace sv::test {

// Where the host database lives, which SQL.INI names.
enum class HostRoad {
    Embedded,   // the SQLite file in the host folder
    Odbc,       // an SQLite file reached through the SQLite ODBC driver, by an ODBC connection string
    SqlServer,  // a scratch schema on the SQL Server that kSqlServerVariable names
};

// An ODBC connection string of a SQL Server whose login may make scratch logins and schemas.
inline constexpr char kSqlServerVariable[] = "SONDERVIK_TEST_MSSQL";

inline const char* roadName(HostRoad road) {
    switch (road) {
        case HostRoad::Embedded:
            return "Embedded";
        case HostRoad::Odbc:
            return "Odbc";
        case HostRoad::SqlServer:
            return "SqlServer";
    }
    return "?";
}

inline void PrintTo(HostRoad road, std::ostream* out) {
    *out << roadName(road);
}

class RunFixture : public ::testing::Test {
protected:
    void SetUp() override { setUpHost(HostRoad::Embedded); }

    // Without a server named, the SqlServer road skips the test.
    void setUpHost(HostRoad road) {
        road_ = road;
        dir_ = temp_.filePath("host");
        switch (road) {
            case HostRoad::Embedded:
                emu::createHostFolder(dir_, demoHost_);
                break;
            case HostRoad::Odbc: {
                const QString database = temp_.filePath("odbc.sqlite");
                QFile file(database);
                ASSERT_TRUE(file.open(QIODevice::NewOnly | QIODevice::WriteOnly));
                file.close();
                emu::createHostFolder(dir_, demoHost_,
                                      QString("Driver=SQLite3;Database=%1;LoadExt=%2")
                                          .arg(database, QString::fromUtf8(SV_TSQL_EXTENSION)));
                break;
            }
            case HostRoad::SqlServer: {
                const QString server = qEnvironmentVariable(kSqlServerVariable);
                if (server.isEmpty())
                    GTEST_SKIP() << kSqlServerVariable << " names no SQL Server (an ODBC connection string)";
                scratch_ = emu::SqlServerScratch::onServer(server);
                emu::createHostFolder(dir_, demoHost_, scratch_->connectString());
                break;
            }
        }
    }

    // Runs whether the test passed or not; the scratch objects go even when the test failed.
    void TearDown() override {
        if (!scratch_) return;
        for (const QString& failure : scratch_->drop())
            ADD_FAILURE() << "left on the server: " << failure.toStdString();
    }

    // A DSN as the sample writes it, bare: a SQL Server gives its GUIDs braced.
    QString dsnText(const QVariant& value) const {
        const QString text = toText(value);
        if (road_ != HostRoad::SqlServer) return text;
        const std::optional<QString> guid = data::platformGuidText(text);
        return guid ? guid->mid(1, 36) : text;
    }

    void setSession(const QString& key, const QString& value) {
        const QString path = emu::HostFolder(dir_).sessionPath();
        emu::Session session = emu::readSession(path, dir_);
        emu::applySetting(session, key, value);
        emu::writeSession(path, session);
    }

    void select(const char* activity, const QString& pane = "F_AKT") {
        setSession("pane", pane);
        setSession("selected", QLatin1String(activity));
    }

    data::Store sql(const QString& statement) {
        data::Connection connection;
        connection.open(emu::connectStringFromIni(emu::HostFolder(dir_).sqlIniPath()));
        if (!statement.startsWith("select", Qt::CaseInsensitive)) {
            connection.execute(statement);
            return {};
        }
        return connection.query(statement);
    }

    QString configPath() const { return dir_ + "/Addin/_Sondervik/SondervikConfig.xml"; }

    // One run of the add-in with the word; the script answers its boxes and drives its windows.
    // Returns the transcript's message boxes and windows, in order.
    std::vector<QJsonObject> run(const QString& word, const QStringList& script,
                                 const std::function<void(automation::Registry&)>& adjust = {}) {
        return runWith(
            script, [&](clsSondervik& addin) { addin.Main(word); }, adjust);
    }

    // Runs what `act` does with a run of the add-in, then its windows until they close.
    std::vector<QJsonObject> runWith(const QStringList& script, const std::function<void(clsSondervik&)>& act,
                                     const std::function<void(automation::Registry&)>& adjust = {}) {
        const QString scriptPath = temp_.filePath("script.txt");
        const QString transcriptPath = temp_.filePath("transcript.jsonl");
        QFile::remove(transcriptPath);
        QFile scriptFile(scriptPath);
        EXPECT_TRUE(scriptFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
        scriptFile.write(script.join('\n').toUtf8());
        scriptFile.close();

        ui::GuiSettings settings = ui::GuiSettings::fromEnvironment();
        settings.scriptPath = scriptPath;
        settings.transcriptPath = transcriptPath;
        {
            ui::Gui gui(settings);
            automation::Registry registry;
            QProcessEnvironment env;
            env.insert(QLatin1String(emu::kHostDirVariable), dir_);
            emu::registerEmulatedHost(registry, env);
            if (adjust) adjust(registry);
            clsSondervik addin(registry, gui);
            gui.runGuarded([&] { act(addin); });
            gui.runEventLoop();
            released_ = !addin.HostRoot.isObject() && !addin.DbConnection;
        }
        std::vector<QJsonObject> shown;
        QFile transcript(transcriptPath);
        if (transcript.open(QIODevice::ReadOnly))
            for (const QByteArray& line : transcript.readAll().split('\n')) {
                const QJsonObject event = QJsonDocument::fromJson(line).object();
                const QString kind = event.value("event").toString();
                if (kind == "msgbox" || kind == "window") shown.push_back(event);
            }
        return shown;
    }

    std::vector<QString> startedProcesses(const char* activity) {
        std::vector<QString> dsns;
        for (const data::Row& row : sql(QString("select BusinessProcess_DSN from BusinessProcessActive where "
                                                "Start_Activity_DSN = %1 order by Start_Date")
                                            .arg(data::sqlText(QLatin1String(activity))))
                                        .rows)
            dsns.push_back(dsnText(row[0]));
        return dsns;
    }

    QString note(const char* activity) {
        return toText(sql(QString("select Notiz from HostActivity where DSN = %1")
                              .arg(data::sqlText(QLatin1String(activity))))
                          .rows.at(0)
                          .at(0));
    }

    // Makes the default configuration file through a manual run's link check, answered No.
    void makeDefaultConfig() {
        select(emu::demo::kActOffer);
        run(QString(), {"answer Yes", "answer No"});
        ASSERT_TRUE(QFile::exists(configPath()));
    }

    void setConfig(const char* processDsn, const char* field, const QVariant& value) {
        data::Recordset config;
        config.open(configPath(), QString());
        config.setFilter(QString("DSN = ") + data::sqlText(QLatin1String(processDsn)));
        ASSERT_EQ(config.recordCount(), 1);
        config.setValue(QLatin1String(field), value);
        config.setFilter(QString());
        config.save(configPath());
    }

    static QString text(const QJsonObject& event) { return event.value("text").toString(); }

    QTemporaryDir temp_;
    QString dir_;
    bool released_ = false;
    bool demoHost_ = true;
    HostRoad road_ = HostRoad::Embedded;
    std::unique_ptr<emu::SqlServerScratch> scratch_;  // the SqlServer road's login and schema
};

}  // namespace sv::test
