#pragma once
// An emulated host with n process definitions and a configuration file of the current layout with
// a row for each, for the configurator's benchmarks.

#include "config_store_fixture.h"
#include "emulator/host_folder.h"
#include "emulator/sql_ini.h"
#include "platform/data/connection.h"
#include "platform/files.h"

#include <QLatin1Char>
#include <QString>

namespace sv::bench {

// The configurator's query of the definitions.
inline const QString kDefinitionsQuery = QStringLiteral(
    "Select BusinessProcessName, DSN, StartActivityType_DSN from BusinessProcess Order By "
    "BusinessProcessName");

inline QString hostConfigPath(const QString& dir) {
    return emu::HostFolder(dir).addinPath() + QStringLiteral("/SondervikConfig.xml");
}

// The connection string of the host's database, as its SQL.INI names it.
inline QString hostConnectString(const QString& dir) {
    return emu::connectStringFromIni(emu::HostFolder(dir).sqlIniPath());
}

// Makes the host in dir (see emu::createHostFolder) and returns the path of its configuration file.
inline QString makeBenchHost(const QString& dir, int n) {
    emu::createHostFolder(dir, false);
    data::Connection db;
    db.open(hostConnectString(dir));
    db.execute(QStringLiteral("BEGIN"));
    for (int i = 0; i < n; ++i)
        db.execute(
            QStringLiteral("INSERT INTO BusinessProcess (DSN, BusinessProcessName, StartActivityType_DSN, "
                           "ValidFrom, ValidTo) VALUES ('%1', 'Prozess %2', "
                           "'A7%3-0000-4000-8000-000000000000', '2020-01-01', '2099-12-31')")
                .arg(processDsn(i))
                .arg(i, 6, 10, QLatin1Char('0'))
                .arg(i % 50, 6, 10, QLatin1Char('0')));
    db.execute(QStringLiteral("COMMIT"));
    const QString configPath = hostConfigPath(dir);
    files::writeFileAtomic(configPath, files::readFile(configFile(n)));
    return configPath;
}

}  // namespace sv::bench
