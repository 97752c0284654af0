#pragma once
// What the mapping checks work with: the process-wide state (slots, snapshots, QuickBooks
// lists, the validated-item cache), the QuickBooks components, the work list being sent or
// imported, the mapping switches and the customer found by customer_exist.

#include <string>

#include "app/app.h"
#include "app/work_list.h"
#include "quickbooks/component_set.h"

namespace vqb {

// Which codes a send maps to QuickBooks; read from the setup document by the main window's
// load_setup (a switch is on unless its key is "0").
struct MappingSwitches {
  bool useReps{true}, useSalesTax{true}, useClass{true}, useCustomerTerms{true},
      useCustomerGroups{true};
};

// Set by customer_exist: the QuickBooks customer's default sales rep and the name looked up.
struct CustomerCheck {
  std::string qbCustomerRep;
  std::string qbCustomerName;
};

struct MappingContext {
  App& app;
  qb::ComponentSet& components;
  WorkState& state;
  MappingSwitches& switches;
  CustomerCheck& customerCheck;

  // Gives the components their connection settings when the setup asks for them.
  void set_Country() { components.set_Country(app.applyConnectionSettings); }
};

}  // namespace vqb
