// Snapshot and keyed-lookup costs: read_data of a large table and "record" + link lookups.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "app/app.h"
#include "app/database.h"
#include "app/module1.h"
#include "app/record_doc.h"
#include "silent_ui.h"

namespace {

using vqb::bench::SilentUi;

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
  state.SetComplexityN(n);
}
BENCHMARK(BM_KeyedLookups)->Range(1000, 100000)->Complexity();

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
