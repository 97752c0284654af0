#pragma once
// An empty Vantora database with an empty simulated QuickBooks company behind a set of
// components, and the work list and session state the mapping and import code works on.

#include <string>

#include "mapping/mapping_context.h"
#include "quickbooks/component_set.h"
#include "quickbooks/session.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/vantora_fixture.h"

namespace vqb::test {

struct SimCompanyFixture {
  VantoraFixture f;
  qb::sim::SimulatedCompany company =
      qb::sim::SimulatedCompany::create(f.dir.file("company.qbxml"), "Test Co");
  qb::Session session{company};
  qb::ComponentSet components{session};
  WorkState state;
  MappingSwitches switches;
  CustomerCheck customerCheck;
  MappingContext ctx{f.app, components, state, switches, customerCheck};

  // The first cell of the query's first row; "<none>" without a row, "<null>" for Null.
  std::string cell(const std::string& sql) const {
    auto rows = f.db()->queryAll(sql);
    return rows.rows.empty() ? "<none>" : rows.rows.front().front().value_or("<null>");
  }
};

}  // namespace vqb::test
