// Sending 1,000 demo invoices of ten lines each from the invoice list (Run > Send to
// QuickBooks on every row), connected as the window connects. Prints invoices per second,
// the integrator's own CPU per invoice (the run's thread CPU time less the time spent inside
// the simulated company), how much of it the Vantora database engine took, and QuickBooks
// requests per invoice. Target: under 1 ms of integrator CPU per invoice. In the same run it
// measures the floor that no code change removes: one durable commit of an invoice's mark on
// the same database. Build it in Release or RelWithDebInfo.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "app/app.h"
#include "app/database.h"
#include "app/startup.h"
#include "bench_demo.h"
#include "demo/demo_company.h"
#include "export/intent_journal.h"
#include "export/invoice_export.h"
#include "main_window/main_window_logic.h"
#include "main_window/work_lists.h"
#include "mapping/list_loader.h"
#include "quickbooks/sim/simulated_company.h"

namespace {

constexpr int kInvoices = 1000;
constexpr double kLatencySeconds = 0.1;  // a modelled round trip to QuickBooks
constexpr int kLinesPerInvoice = 10;

double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The thread's CPU time in user and in kernel mode (coarser than threadCpuSeconds), to tell
// the integrator's own work from the system calls it makes (the database's disk syncs).
struct UserSystem {
  double user = 0, system = 0;
  UserSystem operator-(const UserSystem& other) const {
    return {user - other.user, system - other.system};
  }
  UserSystem& operator+=(const UserSystem& other) {
    user += other.user;
    system += other.system;
    return *this;
  }
};

UserSystem threadUserSystem() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
  };
  return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

// Passes everything to the simulated company, counting round trips and requests and the
// thread CPU time spent inside it.
class TimingTransport : public vqb::qb::QbTransport {
 public:
  explicit TimingTransport(vqb::qb::QbTransport& inner) : inner_(inner) {}

  void openConnection(const std::string& connectionString) override {
    Timer timer(*this);
    inner_.openConnection(connectionString);
  }
  void closeConnection() override {
    Timer timer(*this);
    inner_.closeConnection();
  }
  std::string process(const std::string& requestXml) override {
    Timer timer(*this);
    ++roundTrips;
    requests += requestCount(requestXml);
    return inner_.process(requestXml);
  }

  void reset() {
    roundTrips = requests = 0;
    companyCpu = 0;
    companyUserSystem = {};
  }

  long roundTrips = 0;
  long requests = 0;      // request elements: a round trip may carry several
  double companyCpu = 0;  // seconds
  UserSystem companyUserSystem;

 private:
  struct Timer {
    explicit Timer(TimingTransport& owner)
        : owner_(owner), start_(threadCpuSeconds()), startSplit_(threadUserSystem()) {}
    ~Timer() {
      owner_.companyCpu += threadCpuSeconds() - start_;
      owner_.companyUserSystem += threadUserSystem() - startSplit_;
    }
    TimingTransport& owner_;
    double start_;
    UserSystem startSplit_;
  };

  // "<…Rq" opening tags below QBXMLMsgsRq.
  static long requestCount(const std::string& xml) {
    long count = 0;
    for (std::size_t at = xml.find("Rq"); at != std::string::npos; at = xml.find("Rq", at + 2)) {
      const char next = at + 2 < xml.size() ? xml[at + 2] : '\0';
      if (next != '>' && next != ' ' && next != '/') continue;
      const std::size_t open = xml.rfind('<', at);
      if (open == std::string::npos || xml[open + 1] == '/' ||
          xml.compare(open, 12, "<QBXMLMsgsRq") == 0)
        continue;
      ++count;
    }
    return count;
  }

  vqb::qb::QbTransport& inner_;
};

// Passes everything to the Vantora database, measuring the thread CPU time spent inside it
// (with the reading of result rows into the caller's documents).
class TimingDatabase : public vqb::Database {
 public:
  explicit TimingDatabase(vqb::Database& inner) : inner_(inner) {}

  void execute(std::string_view sql) override {
    const double start = threadCpuSeconds();
    try {
      inner_.execute(sql);
    } catch (...) {
      engineCpu += threadCpuSeconds() - start;
      throw;
    }
    const double spent = threadCpuSeconds() - start;
    engineCpu += spent;
    // A set's marks commit together: the commit is part of what the marks cost.
    if (sql.starts_with("UPDATE CustSO Set xmlAdd") || sql.starts_with("COMMIT")) markCpu += spent;
    ++statements;
  }
  void executeScript(std::string_view sql) override { inner_.executeScript(sql); }
  // The rows are read into the caller's documents inside the call: timing each row would
  // cost more system calls than some of the reads themselves.
  void query(std::string_view sql, const std::function<void(const std::vector<vqb::Cell>&)>& row,
             std::vector<std::string>* columns) override {
    const double start = threadCpuSeconds();
    try {
      inner_.query(sql, row, columns);
    } catch (...) {
      engineCpu += threadCpuSeconds() - start;
      throw;
    }
    engineCpu += threadCpuSeconds() - start;
    ++statements;
  }
  std::vector<vqb::ColumnInfo> tableColumns(std::string_view table) override {
    return inner_.tableColumns(table);
  }
  std::int64_t changes() override { return inner_.changes(); }
  std::int64_t lastInsertRowId() override { return inner_.lastInsertRowId(); }

  double engineCpu = 0;  // seconds
  double markCpu = 0;    // of which the marks of invoices sent (an UPDATE and its commit)
  long statements = 0;

 private:
  vqb::Database& inner_;
};

// The thread CPU time of one autocommit UPDATE that stamps an invoice's sent time (as the mark
// does; this run's own copy of the demo), averaged over `count` invoices: the durable commit
// every mark costs. The value must change, or the engine writes nothing.
double commitFloorSeconds(vqb::Database& db, int count) {
  std::vector<std::string> numbers;
  db.query("Select number from CustSO order by number limit " + std::to_string(count),
           [&](const std::vector<vqb::Cell>& cells) { numbers.push_back(cells[0].value_or("0")); });
  const double start = threadCpuSeconds();
  for (const auto& number : numbers)
    db.execute("UPDATE CustSO Set QuickBooksDS = julianday('now') - 2415018.5 where number = " +
               number);
  return numbers.empty() ? 0 : (threadCpuSeconds() - start) / static_cast<double>(numbers.size());
}

void BM_SendInvoices(benchmark::State& benchState) {
  vqb::DemoOptions options;
  // VQB_BENCH_INVOICES sends fewer, for profiling under valgrind.
  const char* count = std::getenv("VQB_BENCH_INVOICES");
  options.invoices = count != nullptr ? std::atoi(count) : kInvoices;
  options.linesPerInvoice = kLinesPerInvoice;
  options.payments = options.purchaseOrders = 0;
  options.unmappedCodes = false;  // every invoice sendable: the run measures sending, not refusing
  vqb::bench::DemoApp run("vqb-invoice-bench", options);
  vqb::App& app = run.app;
  if (!run.started) {
    benchState.SkipWithError("start-up failed");
    return;
  }
  // The simulated company stands in for QuickBooks on another computer: its file goes to
  // memory (/dev/shm) when there is one, so that rewriting it after every add does not load the
  // disk the Vantora database syncs to.
  std::string companyFile = run.demo.companyFile;
  if (const std::filesystem::path shm = "/dev/shm"; std::filesystem::is_directory(shm)) {
    companyFile = (shm / run.folder.filename()).string() + ".qbxml";
    std::filesystem::copy_file(run.demo.companyFile, companyFile,
                               std::filesystem::copy_options::overwrite_existing);
  }
  vqb::qb::sim::SimulatedCompany company(companyFile);
  TimingTransport transport(company);
  vqb::qb::Session session(transport);
  // VQB_NO_BATCHING=1 sends one request per round trip.
  session.setBatching(std::getenv("VQB_NO_BATCHING") == nullptr);
  vqb::MainWindowLogic window(app);  // its state and mapping switches; the session is ours
  if (!vqb::bench::load_lists(app, session, window)) {
    benchState.SkipWithError("loading the lists failed");
    return;
  }
  vqb::qb::ComponentSet components(session);
  vqb::MappingContext ctx{app, components, window.state, window.switches, window.customerCheck};

  // One connection for the whole list, as the send loop holds one, measured.
  const auto vantora = vqb::open_database(app.databasePath);
  TimingDatabase database(*vantora);
  app.heldDatabase = &database;
  // The intent journal's connection, measured the same way.
  app.intentJournalPath = app.settingsFolder + "/" + vqb::kIntentJournalName;
  const std::shared_ptr<vqb::Database> journalInner = vqb::open_journal(app.intentJournalPath);
  auto journal = std::make_shared<TimingDatabase>(*journalInner);
  app.intentJournal = journal;

  std::size_t rows = 0, sent = 0;
  double wall = 0, integratorCpu = 0;
  UserSystem integratorSplit;
  for (auto _ : benchState) {
    vqb::fill_customerInvoices(app, window.state);
    for (auto& row : window.state.grid.rows) row.ticked = true;
    rows = window.state.grid.rows.size();
    transport.reset();
    database.engineCpu = database.markCpu = 0;
    database.statements = 0;
    journal->engineCpu = 0;
    journal->statements = 0;
    const double cpuBefore = threadCpuSeconds();
    const UserSystem splitBefore = threadUserSystem();
    const auto wallBefore = std::chrono::steady_clock::now();
    vqb::send_Invoices(ctx);
    wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    integratorCpu = threadCpuSeconds() - cpuBefore - transport.companyCpu;
    integratorSplit = threadUserSystem() - splitBefore - transport.companyUserSystem;
  }

  const double engineCpu = database.engineCpu;
  const double markCpu = database.markCpu;
  const long statements = database.statements;
  const double floor = commitFloorSeconds(*vantora, 200);
  app.heldDatabase = nullptr;

  std::map<std::string, int> refusals;
  for (const auto& row : window.state.grid.rows) {
    const std::string result = row.cells.size() > vqb::kInvoiceListCommentColumn
                                   ? row.cells[vqb::kInvoiceListCommentColumn]
                                   : "";
    if (result.rfind(vqb::kInvoiceSent, 0) == 0)
      ++sent;
    else
      ++refusals[result];
  }
  const double n = sent > 0 ? static_cast<double>(sent) : 1.0;
  const double listed = rows > 0 ? static_cast<double>(rows) : 1.0;
  benchState.counters["listed"] = static_cast<double>(rows);
  benchState.counters["sent"] = static_cast<double>(sent);
  benchState.counters["invoices/s"] = static_cast<double>(sent) / wall;
  benchState.counters["integrator_ms/invoice"] = integratorCpu * 1000 / n;
  benchState.counters["integrator_user_ms/invoice"] = integratorSplit.user * 1000 / n;
  benchState.counters["integrator_ms/listed"] = integratorCpu * 1000 / listed;
  benchState.counters["database_ms/invoice"] = engineCpu * 1000 / n;
  benchState.counters["mark_ms/invoice"] = markCpu * 1000 / n;
  benchState.counters["commit_floor_ms"] = floor * 1000;
  benchState.counters["company_ms/invoice"] = transport.companyCpu * 1000 / n;
  benchState.counters["round_trips/invoice"] = static_cast<double>(transport.roundTrips) / n;
  benchState.counters["requests/invoice"] = static_cast<double>(transport.requests) / n;
  std::printf("%zu of %zu listed invoices sent in %.2f s (wall): %.1f invoices/s\n", sent, rows,
              wall, static_cast<double>(sent) / wall);
  std::printf(
      "integrator CPU %.3f ms per invoice sent (%.3f ms user, %.3f ms system), %.3f ms per listed "
      "invoice; simulated company CPU %.3f ms per invoice sent\n",
      integratorCpu * 1000 / n, integratorSplit.user * 1000 / n, integratorSplit.system * 1000 / n,
      integratorCpu * 1000 / listed, transport.companyCpu * 1000 / n);
  std::printf(
      "of which the Vantora database %.3f ms (%.1f statements, rows read into documents) per "
      "invoice sent, of "
      "which the mark (its UPDATE and durable commit) %.3f ms\n",
      engineCpu * 1000 / n, static_cast<double>(statements) / n, markCpu * 1000 / n);
  std::printf("and the intent journal %.3f ms (%.1f statements) per invoice sent\n",
              journal->engineCpu * 1000 / n, static_cast<double>(journal->statements) / n);
  // The two writes that must reach the disk per invoice: the journal's entry before the add
  // and Vantora's mark after it.
  const double durable = markCpu + journal->engineCpu;
  std::printf(
      "integrator CPU apart from the two durable writes (mark and journal) %.3f ms per invoice "
      "sent\n",
      (integratorCpu - durable) * 1000 / n);
  benchState.counters["integrator_ms/invoice_apart_from_durable_writes"] =
      (integratorCpu - durable) * 1000 / n;
  std::printf("one durable commit on the same database after the run: %.3f ms\n", floor * 1000);
  std::printf("%.2f round trips and %.2f requests per invoice\n",
              static_cast<double>(transport.roundTrips) / n,
              static_cast<double>(transport.requests) / n);
  // QuickBooks' own latency added arithmetically: the run does not sleep.
  const double modelled = wall + kLatencySeconds * static_cast<double>(transport.roundTrips);
  std::printf("%ld round trips; at %.0f ms per round trip the list takes %.1f s\n",
              transport.roundTrips, kLatencySeconds * 1000, modelled);
  benchState.counters["seconds_at_100ms_per_round_trip"] = modelled;
  for (const auto& [result, count] : refusals)
    std::printf("not sent (%d): %s\n", count, result.c_str());
  if (sent == 0) benchState.SkipWithError("no invoice was sent");

  std::error_code ec;
  std::filesystem::remove(companyFile, ec);
}
BENCHMARK(BM_SendInvoices)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
