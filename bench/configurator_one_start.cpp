// The first configurator start of a process on an emulated host, beside its floor: parsing the same
// configuration file with pugixml and reading the definitions once. Unlike the starts repeated by
// configurator_bench, it makes the window and finds every cache cold; the GUI module is loaded
// before the time is taken.
// Each mode is a process of its own, so that the host's setup never counts; floor and start print
// their time in milliseconds and their peak resident set size in KiB, the peak taken while what
// they read is still alive. Run by tools/bench-one-start.sh.
//   configurator_one_start prepare DIR N   makes the host in DIR with N definitions
//   configurator_one_start floor DIR
//   configurator_one_start start DIR

#include "bench_host.h"
#include "emulator/emulated_host.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/ui/gui.h"
#include "src/app/cls_sondervik.h"
#include "src/ui/windows.h"

#include <sys/resource.h>
#include <QProcessEnvironment>
#include <pugixml.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>

namespace {

long peakKib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;  // KiB on Linux
}

int fail(const char* message) {
    std::fprintf(stderr, "configurator_one_start: %s\n", message);
    return 1;
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

int runPrepare(const QString& dir, const char* count) {
    char* end = nullptr;
    const long n = std::strtol(count, &end, 10);
    if (*count == '\0' || *end != '\0' || n < 1 || n > 10'000'000) return fail("N must be a positive number");
    sv::bench::makeBenchHost(dir, int(n));
    return 0;
}

// Both results are kept until the peak is taken.
int runFloor(const QString& dir) {
    const std::string path = sv::files::nativePath(sv::bench::hostConfigPath(dir)).toStdString();
    sv::data::Connection db;
    db.setCursorLocation(sv::data::Connection::kUseClient);
    db.open(sv::bench::hostConnectString(dir));
    const auto start = std::chrono::steady_clock::now();
    pugi::xml_document document;
    if (!document.load_file(path.c_str())) return fail("the configuration file does not parse");
    const sv::data::Store definitions = db.query(sv::bench::kDefinitionsQuery);
    const double elapsed = millisecondsSince(start);
    // The host holds one configuration row per definition: anything else means a broken host.
    const long peak = peakKib();
    const auto configRows = document.child("xml").child("rs:data").children("z:row");
    if (definitions.rows.empty() ||
        std::size_t(std::distance(configRows.begin(), configRows.end())) != definitions.rows.size())
        return fail("the host's definitions and configuration rows do not match");
    std::printf("%.3f %ld\n", elapsed, peak);
    return 0;
}

int runStart(const QString& dir) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    sv::ui::Gui gui(sv::ui::GuiSettings{QString(), QString(), true});
    gui.ensureGui();
    QProcessEnvironment env;
    env.insert(QLatin1String(sv::emu::kHostDirVariable), dir);
    sv::automation::Registry registry;
    sv::emu::registerEmulatedHost(registry, env);
    sv::clsSondervik run(registry, gui);
    run.InitHost();
    const auto start = std::chrono::steady_clock::now();
    run.OpenConfigurator();
    const double elapsed = millisecondsSince(start);
    const long peak = peakKib();
    // A start that stopped short would measure too little.
    const sv::data::Store count =
        run.DbConnection->query(QStringLiteral("Select Count(*) from BusinessProcess"));
    if (!run.ConfigForm || run.ConfigForm->processCount() == 0 ||
        run.ConfigForm->processCount() != count.rows.at(0).at(0).toInt())
        return fail("the configurator does not list the host's definitions");
    std::printf("%.3f %ld\n", elapsed, peak);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    try {
        if (mode == "prepare" && argc == 4) return runPrepare(QString::fromLocal8Bit(argv[2]), argv[3]);
        if (mode == "floor" && argc == 3) return runFloor(QString::fromLocal8Bit(argv[2]));
        if (mode == "start" && argc == 3) return runStart(QString::fromLocal8Bit(argv[2]));
    } catch (const sv::PlatformError& error) {
        return fail(error.what());
    }
    std::fprintf(stderr, "usage: %s prepare DIR N | floor DIR | start DIR\n", argv[0]);
    return 2;
}
