#pragma once
// What the mapping checks work with: the process-wide state (slots, snapshots, QuickBooks
// lists, the validated-item cache), the main window's QuickBooks components and the main
// window's state (mapping switches, the customer found by customer_exist).

#include "app/app.h"
#include "main_window/window_state.h"
#include "quickbooks/component_set.h"

namespace vqb {

struct MappingContext {
  App& app;
  qb::ComponentSet& components;
  MainWindowState& state;

  // Gives the components their connection settings when the setup asks for them.
  void set_Country() { components.set_Country(app.applyConnectionSettings); }
};

}  // namespace vqb
