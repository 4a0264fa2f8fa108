// The configurator with 1,000, 10,000 and 100,000 process definitions on an emulated host: the cost
// of one stored click and of the configurator start, beside the floor of parsing and saving the same
// configuration file with pugixml and reading the definitions once.

#include "bench_host.h"
#include "emulator/emulated_host.h"
#include "platform/ui/gui.h"
#include "src/app/cls_sondervik.h"
#include "src/ui/frm_sondervik_config.h"

#include <benchmark/benchmark.h>
#include <QCheckBox>
#include <QTemporaryDir>
#include <pugixml.hpp>

#include <memory>

namespace {

using sv::bench::kDefinitionsQuery;

// A host with n process definitions and a configuration file of the current layout with a row for
// each, and a configurator run open on it.
struct BenchHost {
    BenchHost(sv::ui::Gui& gui, int n) {
        dir = tmp.filePath(QStringLiteral("host"));
        configPath = sv::bench::makeBenchHost(dir, n);

        QProcessEnvironment env;
        env.insert(QLatin1String(sv::emu::kHostDirVariable), dir);
        sv::emu::registerEmulatedHost(registry, env);
        run = std::make_unique<sv::clsSondervik>(registry, gui);
        run->InitHost();
        run->OpenConfigurator();
        run->ConfigForm->selectProcess(n / 2);
    }

    QTemporaryDir tmp;
    QString dir;
    QString configPath;
    sv::automation::Registry registry;
    std::unique_ptr<sv::clsSondervik> run;
};

// One host at a time: a size is measured, floors and operations alike, with only its own host in
// memory, as a configurator run has only its own.
class Hosts {
public:
    explicit Hosts(sv::ui::Gui& gui) : gui_(gui) {}
    BenchHost& operator()(int n) {
        if (size_ != n) {
            host_.reset();
            host_ = std::make_unique<BenchHost>(gui_, n);
            size_ = n;
        }
        return *host_;
    }

private:
    sv::ui::Gui& gui_;
    int size_ = 0;
    std::unique_ptr<BenchHost> host_;
};

void storedClick(benchmark::State& state, Hosts& hosts) {
    BenchHost& host = hosts(int(state.range(0)));
    QCheckBox* box =
        dynamic_cast<QWidget&>(*host.run->ConfigForm).findChild<QCheckBox*>(QStringLiteral("chk_OBJ"));
    for (auto _ : state)
        box->click();
}

void configuratorStart(benchmark::State& state, Hosts& hosts) {
    BenchHost& host = hosts(int(state.range(0)));
    for (auto _ : state)
        host.run->OpenConfigurator();
}

// What no stored click can do without: parse and save the file once, read the definitions once.
void floorParseSaveQuery(benchmark::State& state, Hosts& hosts) {
    BenchHost& host = hosts(int(state.range(0)));
    const std::string path = sv::files::nativePath(host.configPath).toStdString();
    const std::string copy = path + ".floor";
    for (auto _ : state) {
        pugi::xml_document document;
        benchmark::DoNotOptimize(document.load_file(path.c_str()));
        benchmark::DoNotOptimize(
            document.save_file(copy.c_str(), "", pugi::format_raw | pugi::format_no_declaration));
        benchmark::DoNotOptimize(host.run->DbConnection->query(kDefinitionsQuery));
    }
}

// What no configurator start can do without: parse the file once, read the definitions once.
void floorParseQuery(benchmark::State& state, Hosts& hosts) {
    BenchHost& host = hosts(int(state.range(0)));
    const std::string path = sv::files::nativePath(host.configPath).toStdString();
    for (auto _ : state) {
        pugi::xml_document document;
        benchmark::DoNotOptimize(document.load_file(path.c_str()));
        benchmark::DoNotOptimize(host.run->DbConnection->query(kDefinitionsQuery));
    }
}

void registerSized(const char* name, void (*body)(benchmark::State&, Hosts&), Hosts& hosts, int size) {
    benchmark::RegisterBenchmark(name, [body, &hosts](benchmark::State& state) { body(state, hosts); })
        ->Arg(size)
        ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    sv::ui::Gui gui(sv::ui::GuiSettings{QString(), QString(), true});
    gui.ensureGui();
    {
        Hosts hosts(gui);
        benchmark::Initialize(&argc, argv);
        // Size by size, so that each host is made once.
        for (int size : {1000, 10000, 100000}) {
            registerSized("Floor/parse+save+query", floorParseSaveQuery, hosts, size);
            registerSized("Floor/parse+query", floorParseQuery, hosts, size);
            registerSized("Configurator/stored_click", storedClick, hosts, size);
            // Each start here finds the window and heap the one before left; tools/bench-one-start.sh
            // measures the first start of a process, which makes the window too.
            registerSized("Configurator/start", configuratorStart, hosts, size);
        }
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }
    return 0;
}
