#pragma once
// The main window frmQB without its widgets: the connection dialogue, the toolbars and the
// drop-down menu, the busy state and the work list it shows. The Qt window draws `state`
// and `menu` and forwards clicks here.

#include <functional>
#include <memory>
#include <string>

#include "app/app.h"
#include "app/menu.h"
#include "import/customer_import.h"
#include "main_window/window_state.h"
#include "mapping/mapping_context.h"
#include "quickbooks/component_set.h"
#include "quickbooks/connection.h"

namespace vqb {

class MainWindowLogic {
 public:
  // `transports` makes the QuickBooks transport on connecting: the registry chooses by
  // QBconnection.xml unless a test hands in its own.
  explicit MainWindowLogic(App& app, qb::TransportFactory transports = qb::make_transport);
  ~MainWindowLogic();

  App& app;
  MainWindowState state;
  MappingSwitches switches;     // read from the setup by load_setup
  CustomerCheck customerCheck;  // the customer customer_exist found last
  Menu menu;                    // dMnu: the last menu built
  bool menuOpen{false};         // a builder filled `menu`: the window pops it up under the pointer
  bool closeRequested{false};
  // The QuickBooks records behind the "Get Customers" / "Get Suppliers" grid.
  ImportListing listing;

  // Window events.
  void Form_Load();
  // The connection dialogue; false when the user answered No (the window closes). An error
  // other than a failed connection shows the common error report and gives true (the
  // window stays open, not connected).
  bool Timer1_Timer();

  void load_setup();
  // Connects and loads every list as the connection dialogue does after "Yes", then reads
  // the mapping switches; false when the loader failed (it has said why).
  bool loadLists();
  void set_Country();
  void imBusy(bool busy);
  void clr_me();

  // The QuickBooks session of the configured company; connects on first use.
  // Throws QbError 20852 when no QuickBooks is configured or reachable.
  qb::Session& session();
  qb::ComponentSet& components();
  // Forgets the session, so the next use reads the connection settings again.
  void disconnect();
  // What the mapping, export and import code works on: this window's components, work list,
  // switches and customer check. Connects on first use.
  MappingContext mappingContext() {
    return MappingContext{app, components(), state, switches, customerCheck};
  }

  // Toolbars (by caption) and the menu (by item number, counted from 1).
  void TB1_ButtonClick(const std::string& caption);
  void TB2_ButtonClick(const std::string& caption);
  void dMnu_ItemClick(int item);
  // The same dispatch by key, for vqb-cli and tests.
  void runMenuKey(const std::string& key);

  // Menu builders.
  void mnu_send();
  void mnu_get();
  void mnu_sync();
  void mnu_Help();
  void mnu_Select();
  void mnu_Run(bool importAllowed);
  void mnu_Filter();
  void mnu_invoiceOptions();

  // Where "Online Manual" points.
  std::string manualUrl() const;

 private:
  bool connectionDialogue();  // Timer1_Timer without its error report
  void notAvailableYet(const std::string& what);
  void toggleFilter(const std::string& key);
  void toggleOption(const std::string& key);
  void sendTicked();
  void fillQuickBooksList(bool customers);
  void importTicked();
  void updateSupplierAddresses();
  void importBalances();
  void syncContacts();
  // Sync > "Reconcile with QuickBooks": asks for the period and kinds, shows the differences.
  void reconcileWithQuickBooks();
  // Help > Undo a Send...: the runs to choose from, the dry run of the one chosen, and the undo
  // once the user says Yes.
  void undoSend();
  void refreshGrid();
  // Runs `work` in the busy state, which ends however `work` ends.
  void whileBusy(const std::function<void()>& work);
  bool gridHasData() const { return !state.grid.rows.empty(); }

  qb::TransportFactory transports_;
  std::unique_ptr<qb::QuickBooksLink> link_;
  std::unique_ptr<qb::ComponentSet> components_;
};

// The captions of the toolbars, in order.
extern const char* const kToolbar1Buttons[7];
extern const char* const kToolbar2Buttons[9];

}  // namespace vqb
