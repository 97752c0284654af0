// Round trips per record on the demo: customers, suppliers, invoices, payments and purchase
// orders sent from their lists as the window's Run does, through a transport that counts round
// trips and charges each one 100 ms of latency. The latency is added arithmetically (the run
// does not sleep): seconds per record = (wall time of the run + 0.1 s per round trip) / records.
// Each list is first previewed (every record checked, every add held back), which fills the
// run's caches of validated customers, vendors and items, so the figures are for a warm
// cache; VQB_COLD=1 leaves the preview out. The first record is then sent on its own and the
// rest are measured. VQB_NO_BATCHING=1 sends every request in its own round trip;
// VQB_DUPLICATE_SEARCHES=1 turns the duplicate searches on; VQB_TRACE_TRIPS=1 prints what each
// round trip carried. Targets (cold): at most 0.3 round trips per invoice, payment and purchase
// order (0.5 with duplicate searches), 0.6 per customer or supplier.
//
// Round trips per record, cold (customer, supplier, invoice, payment, purchase order):
//   one request per round trip:                 4.00  4.00  1.58  1.04  1.82
//   checks of one record in one set:            2.00  2.00  1.49  1.04  1.82
//   checks ahead and adds in sets:              0.12  0.12  0.17  0.11  0.14
// With duplicate searches:
//   one request per round trip:                 4.00  4.00  2.67  2.04  2.86
//   checks of one record in one set:            2.00  2.00  2.11  2.00  2.05
//   checks ahead and adds in sets:              0.12  0.12  0.17  0.34  0.14

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>

#include "app/app.h"
#include "app/setup_file.h"
#include "app/startup.h"
#include "bench_demo.h"
#include "demo/demo_company.h"
#include "export/customer_export.h"
#include "export/invoice_export.h"
#include "export/payment_export.h"
#include "export/purchase_order_export.h"
#include "export/supplier_export.h"
#include "main_window/main_window_logic.h"
#include "main_window/work_lists.h"
#include "mapping/list_loader.h"
#include "quickbooks/sim/simulated_company.h"

namespace {

constexpr double kLatencySeconds = 0.1;

// Passes every request on and counts the round trips and the requests they carried.
class LatencyTransport : public vqb::qb::QbTransport {
 public:
  explicit LatencyTransport(vqb::qb::QbTransport& inner) : inner_(inner) {}
  void openConnection(const std::string& connectionString) override {
    inner_.openConnection(connectionString);
  }
  void closeConnection() override { inner_.closeConnection(); }
  std::string process(const std::string& requestXml) override {
    ++roundTrips;
    // VQB_TRACE_TRIPS=1 prints what each round trip carried: its requests' kinds.
    if (std::getenv("VQB_TRACE_TRIPS") != nullptr) {
      std::string kinds;
      for (std::size_t at = requestXml.find("Rq"); at != std::string::npos;
           at = requestXml.find("Rq", at + 2)) {
        const std::size_t open = requestXml.rfind('<', at);
        if (open != std::string::npos && requestXml[open + 1] != '/' &&
            requestXml.compare(open + 1, 10, "QBXMLMsgsR") != 0)
          kinds += " " + requestXml.substr(open + 1, at - open + 1);
      }
      std::printf("  trip:%s\n", kinds.c_str());
    }
    return inner_.process(requestXml);
  }
  long roundTrips = 0;

 private:
  vqb::qb::QbTransport& inner_;
};

struct Kind {
  const char* name;
  void (*fill)(vqb::App&, vqb::MainWindowState&);
  void (*send)(vqb::MappingContext&);
  std::size_t resultColumn;
  const char* success;  // the start of a result that says "sent"
};

const Kind kKinds[] = {
    {"customer", vqb::fill_customers, vqb::send_Customers, vqb::kNameListResultColumn, "Success"},
    {"supplier", vqb::fill_suppliers, vqb::send_Suppliers, vqb::kNameListResultColumn, "Success"},
    {"invoice", vqb::fill_customerInvoices, vqb::send_Invoices, vqb::kInvoiceListCommentColumn,
     vqb::kInvoiceSent},
    {"payment", vqb::fill_customerPayments, vqb::send_Payments, vqb::kPaymentListCommentColumn,
     vqb::kPaymentSent},
    {"purchase order", vqb::fill_supplierPOs, vqb::send_POs, vqb::kPurchaseOrderListCommentColumn,
     vqb::kPurchaseOrderSent},
};

// Ticks the rows `pick` chooses, sends them and counts those whose result says sent.
std::size_t send_rows(vqb::MappingContext& ctx, vqb::MainWindowState& state, const Kind& kind,
                      const std::function<bool(std::size_t)>& pick, bool report = true) {
  kind.fill(ctx.app, state);
  auto& rows = state.grid.rows;
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i].ticked = pick(i);
  kind.send(ctx);
  std::size_t sent = 0;
  std::map<std::string, int> refusals;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!pick(i)) continue;
    const std::string result =
        rows[i].cells.size() > kind.resultColumn ? rows[i].cells[kind.resultColumn] : "";
    if (result.rfind(kind.success, 0) == 0)
      ++sent;
    else
      ++refusals[result];
  }
  for (const auto& [result, count] : refusals)
    if (report) std::printf("  %s not sent (%d): %s\n", kind.name, count, result.c_str());
  return sent;
}

void BM_RoundTrips(benchmark::State& benchState) {
  vqb::DemoOptions options;
  options.unmappedCodes = false;  // every record sendable: the run counts sending, not refusing
  options.suppliers = 45;         // enough suppliers left to send for a per-record figure
  vqb::bench::DemoApp run("vqb-round-trip-bench", options);
  vqb::App& app = run.app;
  if (!run.started) {
    benchState.SkipWithError("start-up failed");
    return;
  }
  // VQB_DUPLICATE_SEARCHES=1 turns on the duplicate searches of invoices, payments and orders.
  if (std::getenv("VQB_DUPLICATE_SEARCHES") != nullptr)
    for (const char* key : {"chkdupinvoices", "chkduppayments", "chkduppurchaseorders"})
      vqb::save_setup_value(app, key, "1");
  vqb::qb::sim::SimulatedCompany company(run.demo.companyFile);
  LatencyTransport transport(company);
  vqb::qb::Session session(transport);
  // VQB_NO_BATCHING=1 sends every check in its own round trip, as before message sets.
  session.setBatching(std::getenv("VQB_NO_BATCHING") == nullptr);
  vqb::MainWindowLogic window(app);
  if (!vqb::bench::load_lists(app, session, window)) {
    benchState.SkipWithError("loading the lists failed");
    return;
  }
  vqb::qb::ComponentSet components(session);
  vqb::MappingContext ctx{app, components, window.state, window.switches, window.customerCheck};

  // VQB_COLD=1 leaves out the preview that warms the run's caches before each list is sent.
  const bool warmUp = std::getenv("VQB_COLD") == nullptr;
  for (auto _ : benchState) {
    for (const Kind& kind : kKinds) {
      if (warmUp) {
        // A preview of the whole list: every check runs and fills the caches, every add is
        // held back, nothing is marked.
        session.holdChanges(true);
        send_rows(
            ctx, window.state, kind, [](std::size_t) { return true; }, false);
        session.holdChanges(false);
        session.clearHeld();
      }
      // One record is sent first; the rest are measured.
      const std::size_t warm =
          send_rows(ctx, window.state, kind, [](std::size_t i) { return i == 0; });
      transport.roundTrips = 0;
      const auto start = std::chrono::steady_clock::now();
      const std::size_t sent =
          send_rows(ctx, window.state, kind, [](std::size_t i) { return i > 0; });
      const double wall =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      const double n = sent > 0 ? static_cast<double>(sent) : 1.0;
      const double trips = static_cast<double>(transport.roundTrips) / n;
      std::printf(
          "%-15s %4zu sent (+%zu warm-up): %.2f round trips per record, %.3f s per record\n",
          kind.name, sent, warm, trips, (wall + kLatencySeconds * transport.roundTrips) / n);
      benchState.counters[std::string(kind.name) + " round_trips/record"] = trips;
      if (sent == 0) benchState.SkipWithError("a list sent nothing");
    }
  }
}
BENCHMARK(BM_RoundTrips)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
