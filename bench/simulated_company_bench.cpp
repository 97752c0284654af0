// The simulated company as it grows: milliseconds per InvoiceAdd in companies holding 1,000,
// 10,000 and 50,000 invoices (5,000 customers), an InvoiceQuery by RefNumber and a CustomerQuery
// of all 5,000 customers read 500 at a time through an iterator. The big companies are filled
// by writing cloned rows straight into the store, not by 50,000 requests.
//
// Usage: simulated_company_bench [ADDS]   (1000 adds at each size unless told)

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "quickbooks/sim/company_state.h"
#include "quickbooks/sim/company_store.h"
#include "quickbooks/sim/simulated_company.h"

namespace {

using vqb::qb::sim::CompanyStore;
using vqb::qb::sim::Kind;
using vqb::qb::sim::SimulatedCompany;
using Clock = std::chrono::steady_clock;

constexpr int kCustomers = 5000;

std::string request(const std::string& body) {
  return "<?xml version=\"1.0\"?>\n<?qbxml version=\"13.0\"?>\n<QBXML><QBXMLMsgsRq "
         "onError=\"stopOnError\">" +
         body + "</QBXMLMsgsRq></QBXML>";
}

std::string invoiceAdd(int customer) {
  return "<InvoiceAddRq><InvoiceAdd><CustomerRef><FullName>Customer " + std::to_string(customer) +
         "</FullName></CustomerRef><InvoiceLineAdd><ItemRef><FullName>Consulting</FullName>"
         "</ItemRef><Quantity>1.5</Quantity><Rate>80</Rate></InvoiceLineAdd><InvoiceLineAdd>"
         "<ItemRef><FullName>Consulting</FullName></ItemRef><Desc>Travel</Desc><Amount>12.50"
         "</Amount></InvoiceLineAdd></InvoiceAdd></InvoiceAddRq>";
}

void setText(pugi::xml_node node, const char* path, const std::string& text) {
  node.first_element_by_path(path).text().set(text.c_str());
}

std::string xmlOf(pugi::xml_node node) {
  return vqb::qb::sim::nodeXml(node);
}

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A company of kCustomers customers and `invoices` invoices, the clones of one real invoice.
void fill(const std::string& path, int invoices) {
  {
    SimulatedCompany company = SimulatedCompany::create(path, "Bench Co");
    company.addItem(Kind::ItemService, "Consulting", "80.00");
    company.addCustomer("Customer 0");
    company.process(request(invoiceAdd(0)));
  }
  SimulatedCompany company(path);
  pugi::xml_document customer, invoice;
  customer.load_string(company.findByName(Kind::Customer, "Customer 0")->xml.c_str());
  invoice.load_string(company.list(Kind::Invoice).at(0).xml.c_str());
  CompanyStore store(path, false);
  store.begin(true);
  const long long change = store.generation() + 1;
  std::vector<std::string> ids(kCustomers);
  for (int i = 1; i < kCustomers; ++i) {
    ids[i] = "C" + std::to_string(i) + "-1";
    const std::string name = "Customer " + std::to_string(i);
    pugi::xml_node ret = customer.first_child();
    setText(ret, "ListID", ids[i]);
    setText(ret, "Name", name);
    setText(ret, "FullName", name);
    store.putEntry({ids[i], static_cast<int>(Kind::Customer), name, "", "", "", true, xmlOf(ret)},
                   change);
  }
  ids[0] = company.findByName(Kind::Customer, "Customer 0")->id;
  for (int i = 2; i <= invoices; ++i) {
    const int owner = i % kCustomers;
    const std::string txnId = "T" + std::to_string(i) + "-1";
    pugi::xml_node ret = invoice.first_child();
    setText(ret, "TxnID", txnId);
    setText(ret, "TxnNumber", std::to_string(i));
    setText(ret, "RefNumber", std::to_string(i));
    setText(ret, "CustomerRef/ListID", ids[owner]);
    setText(ret, "CustomerRef/FullName", "Customer " + std::to_string(owner));
    store.putEntry({txnId, static_cast<int>(Kind::Invoice), std::to_string(i), ids[owner],
                    ret.child_value("TxnDate"), "", true, xmlOf(ret)},
                   change);
  }
  // The counters move past the clones' numbers.
  std::map<std::string, std::string> meta = store.meta();
  pugi::xml_document root;
  root.load_string(meta["root"].c_str());
  root.first_child().attribute("nextTxnNumber").set_value(invoices + 1);
  root.first_child().attribute("generation").set_value(change);
  store.setMeta("root", xmlOf(root.first_child()));
  store.setMeta("generation", std::to_string(change));
  store.commit();
}

}  // namespace

int main(int argc, char** argv) {
  const int adds = argc > 1 ? std::atoi(argv[1]) : 1000;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vqb-sim-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::printf("%8s %10s %10s %12s %14s %12s %10s\n", "invoices", "fill s", "open ms", "ms/add",
              "ref query ms", "paged ms", "file MB");
  double first = 0, last = 0;
  for (int size : {1000, 10000, 50000}) {
    const std::string path = (folder / ("company-" + std::to_string(size) + ".qbxml")).string();
    Clock::time_point start = Clock::now();
    fill(path, size);
    const double fillS = msSince(start) / 1000;

    start = Clock::now();
    SimulatedCompany company(path);
    company.list(Kind::ItemService);  // reads the store
    const double openMs = msSince(start);

    start = Clock::now();
    for (int i = 0; i < adds; ++i) company.process(request(invoiceAdd((i * 7) % kCustomers)));
    const double perAdd = msSince(start) / adds;

    const int queries = 200;
    start = Clock::now();
    for (int i = 0; i < queries; ++i) {
      company.process(request("<InvoiceQueryRq><RefNumber>" + std::to_string(1 + i * 37 % size) +
                              "</RefNumber><IncludeLineItems>true</IncludeLineItems>"
                              "</InvoiceQueryRq>"));
    }
    const double perQuery = msSince(start) / queries;

    start = Clock::now();
    std::string answer = company.process(request(
        "<CustomerQueryRq iterator=\"Start\"><MaxReturned>500</MaxReturned></CustomerQueryRq>"));
    int pages = 1;
    for (;;) {
      pugi::xml_document doc;
      doc.load_string(answer.c_str());
      pugi::xml_node rs = doc.first_element_by_path("QBXML/QBXMLMsgsRs/CustomerQueryRs");
      if (rs.attribute("iteratorRemainingCount").as_int(0) == 0) break;
      answer = company.process(request("<CustomerQueryRq iterator=\"Continue\" iteratorID=\"" +
                                       std::string(rs.attribute("iteratorID").value()) +
                                       "\"><MaxReturned>500</MaxReturned></CustomerQueryRq>"));
      ++pages;
    }
    const double pagedMs = msSince(start);
    const double megabytes = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    std::printf("%8d %10.1f %10.0f %12.2f %14.3f %9.0f/%-2d %10.1f\n", size, fillS, openMs, perAdd,
                perQuery, pagedMs, pages, megabytes);
    std::fflush(stdout);
    if (size == 1000) first = perAdd;
    last = perAdd;
  }
  std::printf("50,000 / 1,000 per-add ratio: %.2f (target at most 1.5; under 5 ms per add)\n",
              last / first);
  std::filesystem::remove_all(folder);
  return 0;
}
