#pragma once
// Helpers shared by the emulated host's tests: a demo host in a temporary folder, a registry
// with the emulated host registered for it, and readers for its database and call log.

#include "emulator/emulated_host.h"
#include "emulator/host_folder.h"
#include "emulator/sql_ini.h"
#include "platform/automation/registry.h"
#include "platform/data/connection.h"
#include "platform/error.h"
#include "platform/files.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace sv::emutest {

// The number of the PlatformError that action throws; 0 when it throws none.
inline long errorNumber(const std::function<void()>& action) {
    try {
        action();
    } catch (const PlatformError& error) {
        return error.number();
    }
    return 0;
}

inline QProcessEnvironment hostEnvironment(const QString& dir) {
    QProcessEnvironment env;
    env.insert(QLatin1String(emu::kHostDirVariable), dir);
    return env;
}

// Rows of a statement on the host's database, read past the emulated host's objects.
inline data::Store hostQuery(const QString& dir, const QString& sql) {
    data::Connection connection;
    connection.open(emu::connectStringFromIni(emu::HostFolder(dir).sqlIniPath()));
    return connection.query(sql);
}

inline QVariant hostValue(const QString& dir, const QString& sql) {
    const data::Store store = hostQuery(dir, sql);
    return store.rows.empty() ? QVariant() : store.rows.front().front();
}

// Each line of the call log as a JSON object.
inline std::vector<QJsonObject> callLogLines(const QString& dir) {
    std::vector<QJsonObject> lines;
    const QString path = emu::HostFolder(dir).callLogPath();
    if (!files::fileExists(path)) return lines;
    for (const QByteArray& line : files::readFile(path).split('\n'))
        if (!line.isEmpty()) lines.push_back(QJsonDocument::fromJson(line).object());
    return lines;
}

// A demo host and a registry that reaches it, as the add-in's own registry would.
class DemoHost : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        dir = tmp.path() + QStringLiteral("/host");
        emu::createHostFolder(dir, true);
        emu::registerEmulatedHost(registry, hostEnvironment(dir));
    }

    automation::Value root() { return registry.create(QStringLiteral("Velquin.Application")); }
    automation::Value app() { return root().get(QStringLiteral("Quorvant_Application")); }

    QTemporaryDir tmp;
    QString dir;
    automation::Registry registry;
};

}  // namespace sv::emutest
