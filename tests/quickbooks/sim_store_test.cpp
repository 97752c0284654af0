// The simulated company's SQLite file: changes shared between objects and processes, refused
// requests that leave it untouched, durability of an answered add, XML export, import and the
// conversion of an XML company file.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

#include "quickbooks/sim/company_state.h"
#include "quickbooks/sim/simulated_company.h"
#include "quickbooks/sim_reply.h"
#include "support/file_checks.h"
#include "support/temp_dir.h"

namespace vqb::qb::sim {
namespace {

using simtest::reply;
using simtest::request;
using simtest::send;

// An invoice of 1.5 x 33.335 = 50.0025, 50.00 in cents.
std::string invoiceAdd(const std::string& customer) {
  return "<InvoiceAddRq><InvoiceAdd><CustomerRef><FullName>" + customer +
         "</FullName></CustomerRef><InvoiceLineAdd><ItemRef><FullName>Consulting</FullName>"
         "</ItemRef><Quantity>1.5</Quantity><Rate>33.335</Rate></InvoiceLineAdd></InvoiceAdd>"
         "</InvoiceAddRq>";
}

std::string paymentAdd(const std::string& customer, const std::string& amount) {
  return "<ReceivePaymentAddRq><ReceivePaymentAdd><CustomerRef><FullName>" + customer +
         "</FullName></CustomerRef><TotalAmount>" + amount +
         "</TotalAmount><IsAutoApply>true</IsAutoApply></ReceivePaymentAdd></ReceivePaymentAddRq>";
}

// Every answer a reader of the company sees, apart from the times of the queries themselves.
std::string answers(SimulatedCompany& company) {
  return company.process(
      request("<CustomerQueryRq/><InvoiceQueryRq><IncludeLineItems>true</IncludeLineItems>"
              "</InvoiceQueryRq><ReceivePaymentQueryRq/><ItemQueryRq/>"));
}

bool isSqlite(const std::string& path) {
  return test::read_file(path).rfind(std::string("SQLite format 3\0", 16), 0) == 0;
}

mode_t modeOf(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0;
}

class SimStoreTest : public ::testing::Test {
 protected:
  SimStoreTest() {
    company.addItem(Kind::ItemService, "Consulting", "80.00");
    company.addCustomer("Acme & <Sons>");
    company.addCustomer("Beta");
  }
  test::TempDir dir;
  const std::string path = dir.file("company.qbxml");
  SimulatedCompany company = SimulatedCompany::create(path, "Store Co");
};

TEST_F(SimStoreTest, TwoObjectsOnOneFileSeeEachOthersChangesAndLoseNone) {
  SimulatedCompany other(path);
  // Invoices paid in part by payments from both: balances move in both caches.
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(send(company, invoiceAdd("Acme &amp; &lt;Sons&gt;")).code(), 0);
    ASSERT_EQ(send(other, invoiceAdd("Acme &amp; &lt;Sons&gt;")).code(), 0);
  }
  ASSERT_EQ(send(other, paymentAdd("Acme &amp; &lt;Sons&gt;", "75.01")).code(), 0);
  other.addCustomer("Gamma");
  ASSERT_EQ(send(company, paymentAdd("Acme &amp; &lt;Sons&gt;", "25.00")).code(), 0);

  EXPECT_EQ(answers(company), answers(other));
  EXPECT_EQ(company.list(Kind::Invoice).size(), 6u);
  EXPECT_TRUE(company.findByName(Kind::Customer, "Gamma"));
  // 6 x 50.00 less 100.01 paid, the oldest invoices first.
  EXPECT_EQ(company.findByName(Kind::Customer, "Acme & <Sons>")->value("Balance"), "199.99");
  std::vector<std::string> balances;
  for (const Entry& invoice : other.list(Kind::Invoice))
    balances.push_back(invoice.value("BalanceRemaining"));
  EXPECT_EQ(balances,
            (std::vector<std::string>{"0.00", "0.00", "49.99", "50.00", "50.00", "50.00"}));
  std::set<std::string> refs;
  for (const Entry& invoice : company.list(Kind::Invoice)) refs.insert(invoice.name);
  EXPECT_EQ(refs.size(), 6u) << "every RefNumber given once";
  EXPECT_EQ(answers(company), answers(*std::make_unique<SimulatedCompany>(path)));
}

TEST_F(SimStoreTest, ARefusedRequestLeavesTheFileAsItWas) {
  SimulatedCompany reader(path);
  const std::string before = reader.xmlText();
  simtest::Reply refused = send(company, invoiceAdd("Nobody"));
  EXPECT_EQ(refused.code(), 3140);
  EXPECT_EQ(send(company,
                 "<ClassAddRq><ClassAdd><Name>Beta</Name><ParentRef><FullName>None"
                 "</FullName></ParentRef></ClassAdd></ClassAddRq>")
                .code(),
            3140);
  EXPECT_EQ(reader.xmlText(), before);
  EXPECT_EQ(SimulatedCompany(path).xmlText(), before);
}

TEST_F(SimStoreTest, AnAnsweredAddIsKeptWhenTheProgramIsKilledRightAfter) {
  Faults faults;
  faults.killAfterAdds = 1;
  company.setFaults(faults);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    try {
      SimulatedCompany(path).process(request(invoiceAdd("Beta")));
    } catch (...) {
    }
    ::_exit(0);  // not reached when the kill fires
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the kill fault fired";
  SimulatedCompany reopened(path);
  ASSERT_EQ(reopened.list(Kind::Invoice).size(), 1u);
  EXPECT_EQ(reopened.findByName(Kind::Customer, "Beta")->value("Balance"), "50.00");
  EXPECT_EQ(reopened.faults().killAfterAdds, -1) << "cleared when it fired";
  EXPECT_EQ(company.list(Kind::Invoice).size(), 1u);
}

TEST_F(SimStoreTest, ExportThenImportGivesTheSameAnswers) {
  send(company, invoiceAdd("Beta"));
  std::string kept = request("<ClassAddRq><ClassAdd><Name>East</Name></ClassAdd></ClassAddRq>");
  kept.insert(kept.find("<QBXMLMsgsRq") + 12, " newMessageSetID=\"S1\"");
  ASSERT_EQ(reply(company.process(kept)).code(), 0);
  company.setCountry("CA");
  company.failAfter(50);
  const std::string xml = company.xmlText();
  std::ofstream(dir.file("exported.xml")) << xml;

  SimulatedCompany imported =
      SimulatedCompany::importXml(dir.file("exported.xml"), dir.file("imported.qbxml"));
  EXPECT_TRUE(isSqlite(dir.file("imported.qbxml")));
  EXPECT_EQ(modeOf(dir.file("imported.qbxml")), 0600u);
  EXPECT_EQ(imported.xmlText(), xml);
  EXPECT_EQ(imported.storedMessageSets(), std::vector<std::string>{"S1"});
  EXPECT_EQ(imported.country(), "CA");
  EXPECT_EQ(answers(imported), answers(company));
  // Both go on numbering from where the file left off.
  EXPECT_EQ(imported.addCustomer("Next").id.substr(0, 8),
            company.addCustomer("Next").id.substr(0, 8));
}

TEST_F(SimStoreTest, AnXmlCompanyFileIsConvertedOnOpenAndItsXmlKept) {
  send(company, invoiceAdd("Beta"));
  const std::string xml = company.xmlText();
  const std::string old = dir.file("old.qbxml");
  std::ofstream(old) << xml;
  const std::string expected = answers(company);

  SimulatedCompany converted(old);
  EXPECT_TRUE(isSqlite(old));
  EXPECT_EQ(test::read_file(old + ".xml.bak"), xml);
  EXPECT_EQ(modeOf(old + ".xml.bak"), 0600u);
  EXPECT_EQ(modeOf(old), 0600u);
  EXPECT_EQ(answers(converted), expected);
  EXPECT_EQ(SimulatedCompany(old).xmlText(), xml) << "converted once";
}

TEST_F(SimStoreTest, AnErasedEntryLeavesEveryCacheAndTheFile) {
  send(company, invoiceAdd("Beta"));
  const std::string txnId = company.list(Kind::Invoice).at(0).id;
  SimulatedCompany other(path);
  ASSERT_EQ(other.list(Kind::Invoice).size(), 1u);
  {
    SimulatedCompany::Impl impl;
    impl.path = path;
    impl.open();
    SimulatedCompany::Impl::WriteScope writing(impl);
    impl.eraseEntry(Kind::Invoice, impl.findById(txnId));
    impl.save();
  }
  EXPECT_TRUE(other.list(Kind::Invoice).empty());
  EXPECT_FALSE(other.find(txnId));
  EXPECT_EQ(send(other, "<InvoiceQueryRq><RefNumber>1</RefNumber></InvoiceQueryRq>").code(), 1);
  EXPECT_TRUE(SimulatedCompany(path).list(Kind::Invoice).empty());
}

}  // namespace
}  // namespace vqb::qb::sim
