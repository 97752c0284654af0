// Sending 100 purchase orders of four line numbers, three sizes each, as the window's Run does.
// Reports orders per second and the QuickBooks requests each order takes (the supplier check
// and the add, once the sales groups are known); the company file is written on every add,
// which is most of the time.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "app/database.h"
#include "app/startup.h"
#include "demo/demo_company.h"
#include "demo/demo_data.h"
#include "demo/silent_ui.h"
#include "export/purchase_order_export.h"
#include "main_window/main_window_logic.h"
#include "main_window/work_lists.h"

namespace {

using vqb::SilentUi;
constexpr int kOrders = 100;
constexpr int kFirstOrder = 600001;

// A small demo with kOrders purchase orders of a supplier QuickBooks knows.
class Fixture {
 public:
  Fixture() {
    folder_ = std::filesystem::temp_directory_path() /
              ("vqb-po-bench-" + std::to_string(std::random_device{}()));
    vqb::DemoOptions options;
    options.customers = 5;
    options.invoices = options.payments = options.purchaseOrders = 0;
    setup_ = vqb::qb::make_demo(folder_.string(), options, true, "");
    auto db = vqb::open_database(setup_.vantoraDatabase);
    const std::string supplier =
        db->queryAll("SELECT Link FROM Suppliers WHERE QBAccount <> '' LIMIT 1")
            .rows.at(0)[0]
            .value_or("");
    db->execute("BEGIN");
    for (int k = 0; k < kOrders; ++k) {
      const std::string n = std::to_string(kFirstOrder + k);
      db->execute(
          "INSERT INTO SuppPO (Number, Supplier, Date, DueDate, Subtotal, GoodsIn, Address1, "
          "City, Void, Revision, SendQB) VALUES (" +
          n + ", " + supplier +
          ", 46000, 46014, 1056, 'No', 'Dock 4', 'Sacramento', 0, 202501, 0)");
      for (int line = 1; line <= 4; ++line)
        for (int size = 0; size < 3; ++size)
          db->execute(
              "INSERT INTO SuppPODetail (PONumber, LineNumber, RemarkLine, SalesGroup, WOLink, "
              "WONumber, Style, Description, Color, Size, SizeOrder, rank, UnitCost, Qty, Notes) "
              "VALUES (" +
              n + ", " + std::to_string(line) + ", 0, 'GAR', 0, 0, 'G500', 'Tee', 'Red', '" +
              "MLX"[size] + "', " + std::to_string(size) + ", 1, " + (size == 2 ? "4.5" : "3.25") +
              ", 24, 'For stock')");
    }
    db->execute("COMMIT");
  }
  ~Fixture() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  const vqb::qb::DemoSetup& setup() const { return setup_; }

 private:
  std::filesystem::path folder_;
  vqb::qb::DemoSetup setup_;
};

Fixture& fixture() {
  static Fixture made;
  return made;
}

void BM_SendPurchaseOrders(benchmark::State& benchState) {
  Fixture& data = fixture();
  SilentUi ui;
  vqb::App app(ui);
  app.programFolder = std::filesystem::canonical("/proc/self/exe").parent_path().string();
  app.settingsFolderOverride = data.setup().settingsFolder;
  vqb::Main(app);
  vqb::MainWindowLogic logic(app);
  if (!logic.loadLists()) {
    benchState.SkipWithError("the lists did not load");
    return;
  }
  ui.messages = 0;
  long requests = 0;
  logic.session().setObserver([&](const std::string&, const std::string&) { ++requests; });
  vqb::MappingContext ctx = logic.mappingContext();
  std::size_t sent = 0;
  for (auto _ : benchState) {
    benchState.PauseTiming();
    vqb::open_database(app.databasePath)
        ->execute("UPDATE SuppPO SET SendQB = 0 WHERE Number >= " + std::to_string(kFirstOrder));
    vqb::fill_supplierPOs(app, logic.state);
    for (auto& row : logic.state.grid.rows) row.ticked = true;
    requests = 0;
    benchState.ResumeTiming();
    vqb::send_POs(ctx);
    benchState.PauseTiming();
    sent = 0;
    for (const auto& row : logic.state.grid.rows)
      sent += row.cells[vqb::kPurchaseOrderListCommentColumn] == vqb::kPurchaseOrderSent;
    benchState.ResumeTiming();
  }
  if (sent != kOrders || ui.messages != 0)
    benchState.SkipWithError("not every purchase order was sent silently");
  benchState.counters["orders/s"] = benchmark::Counter(
      static_cast<double>(kOrders), benchmark::Counter::kIsIterationInvariantRate);
  benchState.counters["requests/order"] = static_cast<double>(requests) / kOrders;
}
BENCHMARK(BM_SendPurchaseOrders)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
