// Snapshot and keyed-lookup costs: read_data of a large table and "record" + link lookups.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unordered_map>

#include "app/app.h"
#include "app/database.h"
#include "app/module1.h"
#include "app/record_doc.h"
#include "demo/silent_ui.h"

namespace {

using vqb::SilentUi;

void BM_KeyedLookups(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  vqb::RecordDoc doc;
  doc.SetTag("rData");
  for (int i = 0; i < n; ++i) doc.AddChild("record" + std::to_string(i), "");
  for (auto _ : state) {
    for (int i = 0; i < n; ++i) {
      doc.MoveToRoot();
      benchmark::DoNotOptimize(doc.MoveToChild("record" + std::to_string(i)));
    }
  }
  // n lookups per iteration: linear overall, a flat time per lookup.
  state.SetComplexityN(n);
  state.counters["per_lookup"] = benchmark::Counter(
      n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_KeyedLookups)
    ->Arg(1000)
    ->Arg(4096)
    ->Arg(32768)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The same keys in a bare hash map: what a constant-time lookup costs at each size on this
// machine (it grows only as the table outgrows the processor's caches).
void BM_HashMapLookups(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::unordered_map<std::string, int> map;
  for (int i = 0; i < n; ++i) map.emplace("record" + std::to_string(i), i);
  for (auto _ : state)
    for (int i = 0; i < n; ++i) benchmark::DoNotOptimize(map.find("record" + std::to_string(i)));
  state.counters["per_lookup"] = benchmark::Counter(
      n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_HashMapLookups)
    ->Arg(1000)
    ->Arg(4096)
    ->Arg(32768)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

void BM_ReadData(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  auto path = (std::filesystem::temp_directory_path() / "vqb-bench-read-data.db").string();
  std::filesystem::remove(path);
  {
    auto db = vqb::create_database(path);
    db->execute(
        "CREATE TABLE t (Link INTEGER, Name TEXT, Amount REAL, Address TEXT, Flag INTEGER, Note "
        "TEXT)");
    vqb::Transaction tx(*db);
    for (int i = 0; i < n; ++i)
      db->execute("INSERT INTO t VALUES (" + std::to_string(i) + ", 'Customer " +
                  std::to_string(i) + "', 12.5, '1 Main St', 1, NULL)");
    tx.commit();
  }
  SilentUi ui;
  vqb::App app(ui);
  app.databasePath = path;
  for (auto _ : state) benchmark::DoNotOptimize(vqb::read_data(app, "select * from t", true));
  state.SetItemsProcessed(state.iterations() * n);
  std::filesystem::remove(path);
}
BENCHMARK(BM_ReadData)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
