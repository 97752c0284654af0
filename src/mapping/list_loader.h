#pragma once
// Loading the in-memory copies that the mapping checks, the assign dialog and the setup window
// work on: nine Vantora code tables, eight QuickBooks lists and the two settings files.
//
// ListLoader is the logic of the loader window `frmPop`, shown each time the user connects:
// it tests the connection, fills every copy in a fixed order and reports the outcome in
// SharedSlots slot 100 ("0" loaded, "1" failed). The main window refreshes single lists with
// the free functions below, which use the main window's own components.
//
// Error rules:
// - A failure of the loader's own steps (connection test, a table copy raising an error, a
//   settings file that exists but cannot be read) stops the load with the "Connection Error"
//   box; copies made before the failure keep their new content, later ones their old.
// - A table copy whose read_data returns false (it has shown its "Confirm" box) keeps its
//   previous content and the load goes on.
// - Each QuickBooks list loader reports its own errors and the load goes on; the list keeps
//   whatever it held when the error came. QuickBooks error 20852 is shown with its description
//   like any other.

#include <functional>
#include <memory>

#include "app/app.h"
#include "quickbooks/component_set.h"
#include "quickbooks/session.h"

namespace vqb {

class ListLoader {
 public:
  // The progress bar runs from 0 to this many steps.
  static constexpr long kProgressSteps = 18;

  // `connect` gives the QuickBooks session; it may throw (QbError 20852 when no company is
  // configured or QuickBooks is not open), which fails the connection test.
  ListLoader(App& app, std::function<qb::Session&()> connect);
  ~ListLoader();
  ListLoader(const ListLoader&) = delete;
  ListLoader& operator=(const ListLoader&) = delete;

  // Slot 100 := "0", progress 0 of 18. The view then paints itself and runs pop_me.
  void Form_Load();
  // The whole load sequence. True when everything was loaded (slot 100 "0"); false when it
  // stopped with the "Connection Error" box (slot 100 "1"). Either way the window closes.
  bool pop_me();

  // The QuickBooks list loaders of this window. Each handles its own errors.
  void pop_QBTaxes();  // inactive tax items count in group rates, then are dropped
  void pop_QBTerms();
  void pop_QBReps();
  void pop_QBCustomerGroups();
  void pop_QBPaymentMethods();
  void pop_QBClass();
  void pop_QBLedger();
  // Copies "Select * from SalesGroup"; a raised error propagates to the caller.
  void pop_salesGroups();

 private:
  void connectionTest();
  // The components of this window; created over the session at the connection test, or on
  // first use when a list loader is called on its own.
  qb::ComponentSet& components();

  App& app_;
  std::function<qb::Session&()> connect_;
  std::unique_ptr<qb::ComponentSet> components_;
};

// Main-window variants, over the main window's components. Errors are reported as the
// loader window reports them (class: the common error report of "frmQB"; sales groups: the
// common error report; customer groups: "<number> <description>"; taxes: the description
// titled "Error: <number>").
void pop_QBClass(App& app, qb::ComponentSet& components);
void pop_salesGroups(App& app);
void pop_QBCustomerGroups(App& app, qb::ComponentSet& components);
// Fetches active tax items and groups only; no entry is marked or removed.
void pop_QBTaxes(App& app, qb::ComponentSet& components);

}  // namespace vqb
