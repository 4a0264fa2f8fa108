// Open from file, filter by DSN for every row, and save, for configuration stores of 1,000 to
// 100,000 rows; pugixml's own parse and save of the same file is the floor.

#include "config_store_fixture.h"
#include "platform/data/recordset.h"
#include "platform/data/sql_literal.h"
#include "platform/files.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <sstream>

namespace {

using namespace sv;

void sizes(benchmark::internal::Benchmark* b) {
    b->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
}

void FloorParse(benchmark::State& state) {
    const QByteArray bytes = files::readFile(bench::configFile(int(state.range(0))));
    for (auto _ : state) {
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_buffer(bytes.constData(), size_t(bytes.size())));
    }
}
BENCHMARK(FloorParse)->Apply(sizes);

void OpenFromFile(benchmark::State& state) {
    const QString path = bench::configFile(int(state.range(0)));
    for (auto _ : state) {
        data::Recordset rs;
        rs.open(path, QLatin1String(data::ado::kPersistProvider), data::ado::kOpenKeyset,
                data::ado::kLockBatchOptimistic, data::ado::kCmdFile);
        benchmark::DoNotOptimize(rs.recordCount());
    }
}
BENCHMARK(OpenFromFile)->Apply(sizes);

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
BENCHMARK(FilterEveryDsn)->Apply(sizes);

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
BENCHMARK(FloorSave)->Apply(sizes);

void Save(benchmark::State& state) {
    const QString path = bench::configFile(int(state.range(0)));
    data::Recordset rs;
    rs.open(path, QString());
    const QString target = path + QStringLiteral(".saved");
    for (auto _ : state)
        rs.save(target);
}
BENCHMARK(Save)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
