// Reconciling a grown demo: 10,000 invoices, 5,000 payments (each applied to an invoice) and
// 2,000 purchase orders, all sent. The sent state is built directly: the QuickBooks side as
// message sets of many adds through the simulated company's process(), the Vantora side as
// rows with the marks and references the exports write.
//
// Prints the round trips, the integrator's CPU seconds (the process's CPU time less the CPU
// time spent inside the simulated company's process(), measured on the calling thread around
// each call) and the peak memory (VmHWM, reset just before the reconciliation, so the set-up
// does not count; the simulated company's own copy of the company file is in it).
// Targets: at most 1 round trip per 100 records, under 5 s of CPU, under 300 MB.

#include <sys/resource.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "app/database.h"
#include "app/setup_file.h"
#include "app/startup.h"
#include "app/text_helpers.h"
#include "demo/demo_company.h"
#include "demo/silent_ui.h"
#include "quickbooks/session.h"
#include "quickbooks/sim/simulated_company.h"
#include "reconcile/reconcile.h"

namespace {

using vqb::qb::sim::Kind;
constexpr int kInvoices = 10000, kPayments = 5000, kOrders = 2000;
constexpr int kFirstInvoice = 900001, kFirstReceipt = 600001, kFirstOrder = 400001;
constexpr int kPerSet = 1000;        // adds per message set while building
constexpr double kFirstDay = 45658;  // 2025-01-01

double thread_cpu() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double process_cpu() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A VmRSS / VmHWM line of /proc/self/status in megabytes.
double status_mb(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field + ":", 0) == 0) return std::stod(line.substr(field.size() + 1)) / 1024;
  return 0;
}

// Hands requests to the company, counting them and the CPU time they take there.
class TimedTransport : public vqb::qb::QbTransport {
 public:
  explicit TimedTransport(vqb::qb::QbTransport& inner) : inner_(inner) {}
  void openConnection(const std::string& s) override { inner_.openConnection(s); }
  void closeConnection() override { inner_.closeConnection(); }
  std::string process(const std::string& request) override {
    ++roundTrips;
    const double start = thread_cpu();
    std::string answer = inner_.process(request);
    companyCpu += thread_cpu() - start;
    return answer;
  }
  long roundTrips{0};
  double companyCpu{0};

 private:
  vqb::qb::QbTransport& inner_;
};

std::string xml(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : std::string(1, c);
  return out;
}

// Sends the adds in message sets of kPerSet.
void add_all(vqb::qb::sim::SimulatedCompany& company, const std::vector<std::string>& adds) {
  for (std::size_t at = 0; at < adds.size(); at += kPerSet) {
    std::string set =
        "<?xml version=\"1.0\"?><?qbxml version=\"13.0\"?><QBXML><QBXMLMsgsRq "
        "onError=\"stopOnError\">";
    for (std::size_t i = at; i < std::min(adds.size(), at + kPerSet); ++i) set += adds[i];
    company.process(set + "</QBXMLMsgsRq></QBXML>");
  }
}

std::string money(long cents) {
  return vqb::hundredths_text(cents);
}

}  // namespace

int main() {
  const auto folder = std::filesystem::temp_directory_path() /
                      ("vqb-reconcile-bench-" + std::to_string(std::random_device{}()));
  vqb::DemoOptions options;
  options.customers = 40;
  options.suppliers = 10;
  options.invoices = options.payments = options.purchaseOrders = 0;
  const vqb::qb::DemoSetup setup = vqb::qb::make_demo(folder.string(), options, true, "");
  auto db = vqb::open_database(setup.vantoraDatabase);
  auto names = [&](const std::string& sql) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& row : db->queryAll(sql).rows)
      out.emplace_back(row[0].value_or(""), row[1].value_or(""));
    return out;
  };
  const auto customers =
      names("SELECT Link, QBAccountNumber FROM Customers WHERE QBAccountNumber <> ''");
  const auto suppliers = names("SELECT Link, QBAccount FROM Suppliers WHERE QBAccount <> ''");
  const std::string item =
      db->queryAll("SELECT QB FROM SalesGroup WHERE QB <> '' LIMIT 1").rows.at(0)[0].value_or("");

  std::printf("Building %d invoices, %d payments and %d purchase orders...\n", kInvoices, kPayments,
              kOrders);
  vqb::qb::sim::SimulatedCompany company(setup.companyFile);
  company.openConnection("");
  auto cents = [](int i) { return 1000L + (i * 7919L) % 250000; };
  auto day = [](int i) { return vqb::iso_date(kFirstDay + i % 700); };
  std::vector<std::string> adds;
  for (int i = 0; i < kInvoices; ++i) {
    const auto& customer = customers[static_cast<std::size_t>(i) % customers.size()];
    adds.push_back("<InvoiceAddRq><InvoiceAdd><CustomerRef><FullName>" + xml(customer.second) +
                   "</FullName></CustomerRef><TxnDate>" + day(i) + "</TxnDate><RefNumber>" +
                   std::to_string(kFirstInvoice + i) +
                   "</RefNumber><InvoiceLineAdd><ItemRef>"
                   "<FullName>" +
                   xml(item) + "</FullName></ItemRef><Amount>" + money(cents(i)) +
                   "</Amount></InvoiceLineAdd></InvoiceAdd></InvoiceAddRq>");
  }
  add_all(company, adds);
  const auto invoices = company.list(Kind::Invoice);
  adds.clear();
  for (int p = 0; p < kPayments; ++p) {
    const int i = 2 * p;  // each payment pays half of every other invoice
    const auto& customer = customers[static_cast<std::size_t>(i) % customers.size()];
    adds.push_back(
        "<ReceivePaymentAddRq><ReceivePaymentAdd><CustomerRef><FullName>" + xml(customer.second) +
        "</FullName></CustomerRef><TxnDate>" + day(i) + "</TxnDate><RefNumber>" +
        std::to_string(kFirstReceipt + p) + "</RefNumber><TotalAmount>" + money(cents(i) / 2) +
        "</TotalAmount><AppliedToTxnAdd><TxnID>" + invoices.at(static_cast<std::size_t>(i)).id +
        "</TxnID><PaymentAmount>" + money(cents(i) / 2) +
        "</PaymentAmount></AppliedToTxnAdd></ReceivePaymentAdd></ReceivePaymentAddRq>");
  }
  add_all(company, adds);
  const auto payments = company.list(Kind::ReceivePayment);
  adds.clear();
  for (int o = 0; o < kOrders; ++o) {
    const auto& supplier = suppliers[static_cast<std::size_t>(o) % suppliers.size()];
    adds.push_back("<PurchaseOrderAddRq><PurchaseOrderAdd><VendorRef><FullName>" +
                   xml(supplier.second) + "</FullName></VendorRef><TxnDate>" + day(o) +
                   "</TxnDate><RefNumber>" + std::to_string(kFirstOrder + o) +
                   "</RefNumber><PurchaseOrderLineAdd><ItemRef><FullName>" + xml(item) +
                   "</FullName></ItemRef><Amount>" + money(cents(o)) +
                   "</Amount></PurchaseOrderLineAdd></PurchaseOrderAdd></PurchaseOrderAddRq>");
  }
  add_all(company, adds);
  const auto orders = company.list(Kind::PurchaseOrder);
  company.closeConnection();

  db->execute("BEGIN");
  for (int i = 0; i < kInvoices; ++i) {
    const std::string n = std::to_string(kFirstInvoice + i);
    const std::string date = vqb::number_text(kFirstDay + i % 700);
    const std::string total = money(cents(i));
    db->execute(
        "INSERT INTO CustSO (Number, Customer, Status, InvDate, Total, TaxAmount1, "
        "NetTotal, QuickBooks, QuickBooksDS, QuickBooksRef, xmlAdd) VALUES (" +
        n + ", " + customers[static_cast<std::size_t>(i) % customers.size()].first + ", 4, " +
        date + ", " + total + ", 0, " + total + ", 1, 46000.5, '" + n +
        "', '<OrderInfo><QBReference>" + invoices.at(static_cast<std::size_t>(i)).id +
        "</QBReference></OrderInfo>')");
    db->execute("INSERT INTO CustPost (id, Customer, Trans, WONumber) VALUES (" + n + ", " +
                customers[static_cast<std::size_t>(i) % customers.size()].first + ", 'INV', " + n +
                ")");
  }
  for (int p = 0; p < kPayments; ++p) {
    const int i = 2 * p;
    const std::string r = std::to_string(kFirstReceipt + p);
    const std::string customer = customers[static_cast<std::size_t>(i) % customers.size()].first;
    db->execute(
        "INSERT INTO CustPayments (Number, Customer, Date, Amount, Method, Reference, POS, "
        "Voided, QuickBooks, QuickBooksDS, QuickBooksRef) VALUES (" +
        r + ", " + customer + ", " + vqb::number_text(kFirstDay + i % 700) + ", " +
        money(cents(i) / 2) + ", 1, '', 0, 0, 1, 46000.5, '" +
        payments.at(static_cast<std::size_t>(p)).id + "')");
    db->execute("INSERT INTO CustPost (id, Customer, Trans, ReceiptNumber, WONumber) VALUES (" + r +
                ", " + customer + ", 'PMT', " + r + ", 0)");
    db->execute("INSERT INTO CustAllocate (CRef, DRef, Amount) VALUES (" + r + ", " +
                std::to_string(kFirstInvoice + i) + ", " + money(cents(i) / 2) + ")");
  }
  for (int o = 0; o < kOrders; ++o) {
    const std::string n = std::to_string(kFirstOrder + o);
    db->execute(
        "INSERT INTO SuppPO (Number, Supplier, Date, Subtotal, Void, Revision, SendQB, "
        "QBRef, QBURef) VALUES (" +
        n + ", " + suppliers[static_cast<std::size_t>(o) % suppliers.size()].first + ", " +
        vqb::number_text(kFirstDay + o % 700) + ", " + money(cents(o)) +
        ", 0, 200918, "
        "46000.5, '" +
        n + "', '" + orders.at(static_cast<std::size_t>(o)).id + "')");
  }
  db->execute("COMMIT");
  db.reset();

  vqb::SilentUi ui;
  vqb::App app(ui);
  app.programFolder = std::filesystem::canonical("/proc/self/exe").parent_path().string();
  app.settingsFolderOverride = setup.settingsFolder;
  vqb::Main(app);
  vqb::save_setup_value(app, "optapply2", "True");

  // The company reads its file on the first request; that is its own start, not measured.
  vqb::qb::sim::SimulatedCompany quickbooks(setup.companyFile);
  quickbooks.process(
      "<?xml version=\"1.0\"?><?qbxml version=\"3.0\"?><QBXML><QBXMLMsgsRq "
      "onError=\"stopOnError\"><CompanyQueryRq/></QBXMLMsgsRq></QBXML>");
  TimedTransport transport(quickbooks);
  vqb::qb::Session session(transport);
  const double rssBefore = status_mb("VmRSS");
  std::ofstream("/proc/self/clear_refs") << "5";  // VmHWM starts again from VmRSS
  const double cpuBefore = process_cpu();
  const vqb::ReconcileResult result = vqb::reconcile(app, session, vqb::ReconcileOptions{});
  const double cpu = process_cpu() - cpuBefore;
  const double peak = status_mb("VmHWM");

  const long records = result.checked;
  std::printf("%s\n", result.summary().c_str());
  std::printf("records checked:        %ld\n", records);
  std::printf("round trips:            %ld (%.2f per 100 records; target <= 1)\n",
              transport.roundTrips,
              100.0 * static_cast<double>(transport.roundTrips) /
                  static_cast<double>(std::max(1L, records)));
  std::printf("CPU, whole process:     %.2f s\n", cpu);
  std::printf("CPU, simulated company: %.2f s\n", transport.companyCpu);
  std::printf("CPU, integrator:        %.2f s (target < 5)\n", cpu - transport.companyCpu);
  std::printf("peak memory (VmHWM):    %.1f MB (target < 300), %.1f MB before reconciling\n", peak,
              rssBefore);

  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  return result.differences.empty() ? 0 : 1;
}
