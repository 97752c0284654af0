// Filling the invoice work list from a demo database of 100,000 invoices (plus their work
// orders), exported and not exported alike. Target: about a second per fill.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "app/app.h"
#include "app/user_interface.h"
#include "demo/demo_data.h"
#include "demo/silent_ui.h"
#include "main_window/window_state.h"
#include "main_window/work_lists.h"

namespace {

using vqb::SilentUi;

// The demo database, built once for the whole run and removed at exit.
class DemoDatabase {
 public:
  DemoDatabase() {
    folder_ = std::filesystem::temp_directory_path() /
              ("vqb-work-list-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder_);
    vqb::DemoOptions options;
    options.customers = 2000;
    options.invoices = 100000;
    options.payments = 1000;
    options.purchaseOrders = 100;
    path_ = (folder_ / "vantora.db").string();
    vqb::create_demo_vantora_database(path_, options);
  }
  ~DemoDatabase() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  const std::string& path() const { return path_; }
  std::string folder() const { return folder_.string() + "/"; }

 private:
  std::filesystem::path folder_;
  std::string path_;
};

const DemoDatabase& demo() {
  static DemoDatabase database;
  return database;
}

void BM_FillCustomerInvoices(benchmark::State& benchState) {
  const DemoDatabase& database = demo();
  SilentUi ui;
  vqb::App app(ui);
  app.databasePath = database.path();
  app.globalfolder = database.folder();
  app.setup.Clear();
  app.setup.SetTag("QBSetup");
  app.setup.SetChildValue("filtershowexported", "1");
  app.setup.SetChildValue("filtershowexportednot", "1");

  vqb::MainWindowState state;
  for (auto _ : benchState) {
    vqb::fill_customerInvoices(app, state);
    benchmark::DoNotOptimize(state.grid.rows.data());
  }
  if (ui.messages != 0 || state.currentList != "Send Customer Invoices")
    benchState.SkipWithError("the fill reported an error");
  benchState.counters["rows"] = static_cast<double>(state.grid.rows.size());
}
BENCHMARK(BM_FillCustomerInvoices)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
