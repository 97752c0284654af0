// Sending 100 payments, each applied to three invoices already in QuickBooks, as the window's
// Run does. Reports payments per second and the QuickBooks requests each payment takes (the
// customer check, three invoice loads, the add); the company file is written on every add,
// which is most of the time.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "app/database.h"
#include "app/setup_file.h"
#include "app/startup.h"
#include "demo/demo_company.h"
#include "demo/demo_data.h"
#include "demo/silent_ui.h"
#include "export/payment_export.h"
#include "main_window/main_window_logic.h"
#include "main_window/work_lists.h"
#include "quickbooks/session.h"
#include "quickbooks/sim/simulated_company.h"

namespace {

using vqb::SilentUi;
constexpr int kPayments = 100;
constexpr int kFirstInvoice = 800001;
constexpr int kFirstReceipt = 700001;

// A small demo whose customer 0 has 3 x kPayments invoices in QuickBooks, and kPayments
// payments, each allocating 10.00 to three of them.
class Fixture {
 public:
  Fixture() {
    folder_ = std::filesystem::temp_directory_path() /
              ("vqb-payment-bench-" + std::to_string(std::random_device{}()));
    vqb::DemoOptions options;
    options.customers = 5;
    options.invoices = options.payments = options.purchaseOrders = 0;
    setup_ = vqb::qb::make_demo(folder_.string(), options, true, "");
    auto db = vqb::open_database(setup_.vantoraDatabase);
    customer_ =
        db->queryAll(
              "SELECT Link, QBAccountNumber FROM Customers WHERE QBAccountNumber <> '' LIMIT 1")
            .rows.at(0)[0]
            .value_or("");
    const std::string name =
        db->queryAll("SELECT QBAccountNumber FROM Customers WHERE Link = " + customer_)
            .rows.at(0)[0]
            .value_or("");
    const std::string item =
        db->queryAll("SELECT QB FROM SalesGroup WHERE QB <> '' LIMIT 1").rows.at(0)[0].value_or("");

    auto company = vqb::qb::sim::SimulatedCompany(setup_.companyFile);
    std::string request =
        "<?xml version=\"1.0\"?><?qbxml version=\"13.0\"?><QBXML><QBXMLMsgsRq "
        "onError=\"stopOnError\">";
    for (int i = 0; i < 3 * kPayments; ++i)
      request += "<InvoiceAddRq><InvoiceAdd><CustomerRef><FullName>" + xml(name) +
                 "</FullName></CustomerRef><RefNumber>" + std::to_string(kFirstInvoice + i) +
                 "</RefNumber><InvoiceLineAdd><ItemRef><FullName>" + xml(item) +
                 "</FullName></ItemRef><Amount>100.00</Amount></InvoiceLineAdd></InvoiceAdd></"
                 "InvoiceAddRq>";
    request += "</QBXMLMsgsRq></QBXML>";
    company.openConnection("");
    company.process(request);
    company.closeConnection();
    const auto invoices = company.list(vqb::qb::sim::Kind::Invoice);

    db->execute("BEGIN");
    for (int i = 0; i < 3 * kPayments; ++i) {
      const std::string n = std::to_string(kFirstInvoice + i);
      db->execute(
          "INSERT INTO CustSO (Number, Customer, Status, Total, QuickBooks, xmlAdd) VALUES (" + n +
          ", " + customer_ + ", 4, 100, 1, '<OrderInfo><QBReference>" +
          invoices.at(static_cast<std::size_t>(i)).id + "</QBReference></OrderInfo>')");
      db->execute("INSERT INTO CustPost (id, Customer, Trans, WONumber) VALUES (" + n + ", " +
                  customer_ + ", 'INV', " + n + ")");
    }
    for (int p = 0; p < kPayments; ++p) {
      const std::string r = std::to_string(kFirstReceipt + p);
      db->execute(
          "INSERT INTO CustPayments (Number, Customer, Date, Amount, Method, Reference, POS, "
          "Voided, QuickBooks) VALUES (" +
          r + ", " + customer_ + ", 46000, 30, 42, 'Chq " + r + "', 0, 0, 0)");
      db->execute("INSERT INTO CustPost (id, Customer, Trans, ReceiptNumber, WONumber) VALUES (" +
                  r + ", " + customer_ + ", 'PMT', " + r + ", 0)");
      for (int k = 0; k < 3; ++k)
        db->execute("INSERT INTO CustAllocate (CRef, DRef, Amount) VALUES (" + r + ", " +
                    std::to_string(kFirstInvoice + 3 * p + k) + ", 10)");
    }
    db->execute("COMMIT");
  }
  ~Fixture() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  const vqb::qb::DemoSetup& setup() const { return setup_; }

 private:
  static std::string xml(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : std::string(1, c);
    return out;
  }
  std::filesystem::path folder_;
  vqb::qb::DemoSetup setup_;
  std::string customer_;
};

Fixture& fixture() {
  static Fixture made;
  return made;
}

void BM_SendPayments(benchmark::State& benchState) {
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
  vqb::save_setup_value(app, "optapply2", "True");
  long requests = 0;
  logic.session().setObserver([&](const std::string&, const std::string&) { ++requests; });
  vqb::MappingContext ctx = logic.mappingContext();
  std::size_t sent = 0;
  for (auto _ : benchState) {
    benchState.PauseTiming();
    vqb::open_database(app.databasePath)
        ->execute("UPDATE CustPayments SET QuickBooks = 0 WHERE Number >= " +
                  std::to_string(kFirstReceipt));
    vqb::fill_customerPayments(app, logic.state);
    for (auto& row : logic.state.grid.rows) row.ticked = true;
    requests = 0;
    benchState.ResumeTiming();
    vqb::send_Payments(ctx);
    benchState.PauseTiming();
    sent = 0;
    for (const auto& row : logic.state.grid.rows)
      sent += row.cells[vqb::kPaymentListCommentColumn] == vqb::kPaymentSent;
    benchState.ResumeTiming();
  }
  if (sent != kPayments || ui.messages != 0)
    benchState.SkipWithError("not every payment was sent silently");
  benchState.counters["payments/s"] = benchmark::Counter(
      static_cast<double>(kPayments), benchmark::Counter::kIsIterationInvariantRate);
  benchState.counters["requests/payment"] = static_cast<double>(requests) / kPayments;
}
BENCHMARK(BM_SendPayments)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
