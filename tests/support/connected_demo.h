#pragma once
// The small demo connected as the window connects after "Yes": lists loaded, the main
// window's components ready for the mapping and export code; every request sent to
// QuickBooks is kept in `requests`.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "main_window/main_window_logic.h"
#include "mapping/mapping_context.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/demo_fixture.h"

namespace vqb::test {

struct ConnectedDemoFixture : DemoFixture {
  explicit ConnectedDemoFixture(const DemoOptions& options = smallOptions());
  bool connected{false};  // the loader succeeded (tests assert it in SetUp)
  std::unique_ptr<MainWindowLogic> logic;
  std::unique_ptr<MappingContext> ctx;
  std::vector<std::string> requests;

  // The first cell of the query's first row, "" when there is none.
  std::string first(const std::string& sql) const;
  void run(const std::string& sql) const;
  // INSERT INTO table: column -> SQL value (quoted by the caller).
  void insert(const std::string& table, const std::map<std::string, std::string>& values) const;
  qb::sim::SimulatedCompany company() const { return qb::sim::SimulatedCompany(demo.companyFile); }
  bool sawRequest(const std::string& text) const;
};

}  // namespace vqb::test
