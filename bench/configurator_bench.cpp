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

#include <map>
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

class Hosts {
public:
    explicit Hosts(sv::ui::Gui& gui) : gui_(gui) {}
    BenchHost& operator()(int n) {
        auto found = hosts_.find(n);
        if (found == hosts_.end()) found = hosts_.emplace(n, std::make_unique<BenchHost>(gui_, n)).first;
        return *found->second;
    }

private:
    sv::ui::Gui& gui_;
    std::map<int, std::unique_ptr<BenchHost>> hosts_;
};

void storedClick(benchmark::State& state, Hosts& hosts) {
    BenchHost& host = hosts(int(state.range(0)));
    QCheckBox* box =
        dynamic_cast<QWidget&>(*host.run->ConfigForm).findChild<QCheckBox*>(QStringLiteral("chk_OBJ"));
    for (auto _ : state)
        box->click();
    state.SetComplexityN(state.range(0));
}

void configuratorStart(benchmark::State& state, Hosts& hosts) {
    BenchHost& host = hosts(int(state.range(0)));
    for (auto _ : state)
        host.run->OpenConfigurator();
    state.SetComplexityN(state.range(0));
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
    state.SetComplexityN(state.range(0));
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
    state.SetComplexityN(state.range(0));
}

void registerSized(const char* name, void (*body)(benchmark::State&, Hosts&), Hosts& hosts) {
    benchmark::RegisterBenchmark(name, [body, &hosts](benchmark::State& state) { body(state, hosts); })
        ->Arg(1000)
        ->Arg(10000)
        ->Arg(100000)
        ->Unit(benchmark::kMillisecond)
        ->Complexity(benchmark::oN);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    sv::ui::Gui gui(sv::ui::GuiSettings{QString(), QString(), true});
    gui.ensureGui();
    {
        Hosts hosts(gui);
        benchmark::Initialize(&argc, argv);
        registerSized("Floor/parse+save+query", floorParseSaveQuery, hosts);
        registerSized("Floor/parse+query", floorParseQuery, hosts);
        registerSized("Configurator/stored_click", storedClick, hosts);
        registerSized("Configurator/start", configuratorStart, hosts);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }
    return 0;
}
