// Open from file, filter by DSN for every row, and save, for configuration stores of 1,000 to
// 100,000 rows; pugixml's own parse and save of the same file is the floor.

#include "config_store_fixture.h"
#include "platform/data/recordset.h"
#include "platform/data/sql_literal.h"
#include "platform/files.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <sstream>
#include <string_view>
#include <unordered_map>

namespace {

using namespace sv;

void sizes(benchmark::internal::Benchmark* b) {
    b->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
}

// Reading the file is part of any open from it.
void FloorParse(benchmark::State& state) {
    const std::string path = files::nativePath(bench::configFile(int(state.range(0)))).toStdString();
    for (auto _ : state) {
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_file(path.c_str()));
    }
}
BENCHMARK(FloorParse)->Name("Floor/parse")->Apply(sizes);

void OpenFromFile(benchmark::State& state) {
    const QString path = bench::configFile(int(state.range(0)));
    for (auto _ : state) {
        data::Recordset rs;
        rs.open(path, QLatin1String(data::ado::kPersistProvider), data::ado::kOpenKeyset,
                data::ado::kLockBatchOptimistic, data::ado::kCmdFile);
        benchmark::DoNotOptimize(rs.recordCount());
    }
}
BENCHMARK(OpenFromFile)->Name("Store/open")->Apply(sizes);

// The configurator start's pattern: one filter per row, by that row's DSN.
void FilterEveryDsn(benchmark::State& state) {
    const int rows = int(state.range(0));
    data::Recordset rs;
    rs.open(bench::configFile(rows), QString());
    for (auto _ : state) {
        for (int i = 0; i < rows; ++i) {
            rs.setFilter(QStringLiteral("DSN = ") + data::sqlText(bench::processDsn(i)));
            benchmark::DoNotOptimize(rs.recordCount());
        }
    }
}
BENCHMARK(FilterEveryDsn)->Name("Store/filter_every_dsn")->Apply(sizes);

// The least a lookup of every row by its DSN costs: a hash of the parsed rows' DSN attributes.
void FloorLookupEveryDsn(benchmark::State& state) {
    const int rows = int(state.range(0));
    const QByteArray bytes = files::readFile(bench::configFile(rows));
    pugi::xml_document doc;
    doc.load_buffer(bytes.constData(), size_t(bytes.size()));
    std::unordered_map<std::string_view, int> index;
    int position = 0;
    for (const pugi::xpath_node& row : doc.select_nodes("//*[local-name()='row']"))
        index.emplace(row.node().attribute("DSN").value(), position++);
    for (auto _ : state) {
        for (int i = 0; i < rows; ++i)
            benchmark::DoNotOptimize(index.count(bench::processDsn(i).toStdString()));
    }
}
BENCHMARK(FloorLookupEveryDsn)->Name("Floor/lookup_every_dsn")->Apply(sizes);

void FloorSave(benchmark::State& state) {
    const QString path = bench::configFile(int(state.range(0)));
    const QByteArray bytes = files::readFile(path);
    pugi::xml_document doc;
    doc.load_buffer(bytes.constData(), size_t(bytes.size()));
    const QString target = path + QStringLiteral(".floor");
    for (auto _ : state) {
        std::ostringstream out;
        doc.save(out, "", pugi::format_raw | pugi::format_no_declaration);
        const std::string text = out.str();
        files::writeFileAtomic(target, QByteArray(text.data(), qsizetype(text.size())));
    }
}
BENCHMARK(FloorSave)->Name("Floor/serialize+write")->Apply(sizes);

void Save(benchmark::State& state) {
    const QString path = bench::configFile(int(state.range(0)));
    data::Recordset rs;
    rs.open(path, QString());
    const QString target = path + QStringLiteral(".saved");
    for (auto _ : state)
        rs.save(target);
}
BENCHMARK(Save)->Name("Store/save")->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
