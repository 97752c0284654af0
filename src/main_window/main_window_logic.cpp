#include "main_window/main_window_logic.h"

#include <cstdlib>
#include <filesystem>

#include "app/errors.h"
#include "app/integrator_lock.h"
#include "app/module1.h"
#include "app/setup_file.h"
#include "app/startup.h"
#include "export/customer_export.h"
#include "export/intent_recovery.h"
#include "export/invoice_export.h"
#include "export/payment_export.h"
#include "export/purchase_order_export.h"
#include "export/send_runs.h"
#include "export/supplier_export.h"
#include "export/undo_send.h"
#include "import/customer_sync.h"
#include "import/supplier_import.h"
#include "main_window/contact_sync.h"
#include "main_window/marking.h"
#include "main_window/reconcile_list.h"
#include "main_window/work_lists.h"
#include "mapping/list_loader.h"

namespace vqb {
namespace {

constexpr const char* kModule = "frmQB";
const std::string crlf = "\r\n";

// Reading rules of the filter keys: some are on unless "0", the others on only when "1".
bool filter_on(App& app, const std::string& key) {
  const std::string value = setup_value(app, key);
  if (key == "filtershowinvoices" || key == "filtershowexportednot") return value != "0";
  return value == "1";
}

}  // namespace

const char* const kToolbar1Buttons[7] = {"Export",      "Import", "Sync", "Setup",
                                         "Preferences", "Help",   "Exit"};
const char* const kToolbar2Buttons[9] = {"Refresh Grid", "Filter",       "Run",
                                         "Select",       "Refresh List", "Options",
                                         "Preferences",  "Print",        "Cancel"};

MainWindowLogic::MainWindowLogic(App& application, qb::TransportFactory transports)
    : app(application), transports_(std::move(transports)) {}
MainWindowLogic::~MainWindowLogic() = default;

void MainWindowLogic::Form_Load() {
  app.maintenanceUnlocked = false;
  app.ui.setProgress(0, 100);
  app.ui.setStatus("");
  app.applyConnectionSettings = true;
  clr_me();
}

bool MainWindowLogic::Timer1_Timer() {
  try {
    return connectionDialogue();
  } catch (const std::exception& error) {
    // Anything but a connection failure ends the dialogue here; the window stays usable.
    app.ui.loaderVisible(false);
    state.toolbar1Enabled = state.toolbar2Enabled = true;
    state.changed();
    show_common_error(app.ui, kModule, "Timer1_Timer", error);
    return true;
  }
}

bool MainWindowLogic::connectionDialogue() {
  for (;;) {
    state.toolbar1Enabled = state.toolbar2Enabled = true;
    app.ui.setStatus("Status: Idle");
    state.changed();
    Answer answer = app.ui.messageBox(
        "You need to have QuickBooks open on this computer in order to use the integrator. If you "
        "are ready, click 'YES'",
        Buttons::YesNo, Icon::Question, "Connect to QuickBooks?");
    if (answer != Answer::Yes) {
      closeRequested = true;
      return false;
    }
    try {
      state.toolbar1Enabled = state.toolbar2Enabled = false;
      app.ui.setStatus("Connecting to QuickBooks. Please Wait...");
      state.changed();
      app.ui.processEvents();

      disconnect();  // read the connection settings afresh
      app.ui.loaderVisible(true);
      const bool loaded = loadLists();
      app.ui.loaderVisible(false);
      if (!loaded) continue;

      app.ui.setProgress(0, 100);
      state.toolbar1Enabled = state.toolbar2Enabled = true;
      app.ui.setStatus("Status: Idle");
      state.changed();
      std::error_code unreadable;  // a setup file that cannot be looked at counts as missing
      if (!std::filesystem::exists(setup_file_path(app), unreadable)) {
        app.ui.messageBox(
            "As this is the first time you are using the integrator on this computer you need to "
            "review the setup and "
            "preferences screen.",
            Buttons::Ok, Icon::Information, "IMPORTANT INFORMATION");
        app.ui.showDialog(DialogKind::Preferences, "");
        app.ui.showDialog(DialogKind::Setup, "");
        load_setup();
      }
      return true;
    } catch (const VqbError& error) {
      app.ui.loaderVisible(false);
      app.ui.messageBox("Vantora is unable to connect to QuickBooks." + crlf +
                            std::to_string(error.number()) + ": " + error.description(),
                        Buttons::Ok, Icon::Information, "Connection Error");
    }
  }
}

bool MainWindowLogic::loadLists() {
  ListLoader loader(app, [this]() -> qb::Session& { return session(); });
  loader.Form_Load();
  loader.pop_me();
  if (app.sharedSlots[100] == "1") return false;
  load_setup();
  // Sends whose answer was lost last time are settled before anything else is sent; while
  // another integrator works on the database they are its own, and wait for the next send.
  if (IntegratorLock lock = IntegratorLock::if_free(app); lock.held()) {
    MappingContext ctx = mappingContext();
    recover_at_connection(ctx);
  }
  return true;
}

void MainWindowLogic::load_setup() {
  auto on = [&](const char* key) { return setup_value(app, key) != "0"; };
  switches.useReps = on("qbsetupchkreps");
  switches.useSalesTax = on("qbsetupchksalestax");
  switches.useCustomerTerms = on("qbsetupchkcustomerterms");
  switches.useCustomerGroups = on("qbsetupchkcustomergroups");
  switches.useClass = on("qbsetupchkclass");
}

void MainWindowLogic::set_Country() {
  components().set_Country(app.applyConnectionSettings);
}

void MainWindowLogic::imBusy(bool busy) {
  state.busy = busy;
  state.toolbar1Enabled = !busy;
  state.toolbar2Enabled = true;  // while busy only its Cancel button is usable
  state.changed();
}

void MainWindowLogic::clr_me() {
  state.welcomeVisible = true;
  state.grid.clear();
  state.panelTitle.clear();
  app.ui.setStatus("Status: Idle");
  state.comment =
      "If this is your first time using the integrator we highly recommend that you read the "
      "online documentation first.";
  state.currentList.clear();
  state.changed();
}

qb::Session& MainWindowLogic::session() {
  if (!link_) {
    link_ = std::make_unique<qb::QuickBooksLink>(app.settingsFolder, transports_);
    // While QuickBooks is slow to answer (the Web Connector polls), the window stays live and
    // Cancel gives up.
    link_->transport().setWaitHook([this] {
      app.events.pump();
      return !state.cancelRequested;
    });
    // VQB_NO_BATCHING=1: one request per round trip, as QuickBooks integrations usually talk.
    if (const char* off = std::getenv("VQB_NO_BATCHING"); off != nullptr && *off != '\0')
      link_->session().setBatching(false);
  }
  return link_->session();
}

qb::ComponentSet& MainWindowLogic::components() {
  if (!components_) components_ = std::make_unique<qb::ComponentSet>(session());
  return *components_;
}

void MainWindowLogic::disconnect() {
  components_.reset();
  link_.reset();
}

std::string MainWindowLogic::manualUrl() const {
  return manual_page(app.programFolder);
}

void MainWindowLogic::notAvailableYet(const std::string& what) {
  app.ui.messageBox(what + " is not available in this version of the integrator yet.", Buttons::Ok,
                    Icon::Information, "QB Integrator");
}

void MainWindowLogic::TB1_ButtonClick(const std::string& caption) {
  try {
    if (caption == "Export")
      mnu_send();
    else if (caption == "Import")
      mnu_get();
    else if (caption == "Sync")
      mnu_sync();
    else if (caption == "Setup") {
      app.ui.showDialog(DialogKind::Setup, "");
      load_setup();  // the switches the setup window may have saved
    } else if (caption == "Preferences")
      app.ui.showDialog(DialogKind::Preferences, "");
    else if (caption == "Help")
      mnu_Help();
    else if (caption == "Exit")
      closeRequested = true;
  } catch (const std::exception& error) {
    show_common_error(app.ui, kModule, "TB1_ButtonClick", error);
  }
}

void MainWindowLogic::TB2_ButtonClick(const std::string& caption) {
  try {
    if (caption == "Refresh Grid") {
      refreshGrid();
      return;
    }
    if (caption == "Filter") {
      mnu_Filter();
      return;
    }
    if (caption == "Cancel") {
      state.cancelRequested = true;
      return;
    }
    if (!gridHasData()) {
      app.ui.messageBox("Click on the export or import button to get a list of items first.",
                        Buttons::Ok, Icon::None, "");
      return;
    }
    if (caption == "Print") {
      app.ui.messageBox("Not Available. Beta Version", Buttons::Ok, Icon::None, "");
    } else if (caption == "Run") {
      if (state.currentList == "Get Customers" || state.currentList == "Get Suppliers")
        importTicked();
      else
        mnu_Run(false);
    } else if (caption == "Preferences") {
      app.ui.showDialog(DialogKind::Preferences, "General");
    } else if (caption == "Refresh List") {
      if (state.currentList == "Send Customers") fill_customers(app, state);
    } else if (caption == "Select") {
      mnu_Select();
    } else if (caption == "Options") {
      mnu_invoiceOptions();
    }
  } catch (const std::exception& error) {
    show_common_error(app.ui, kModule, "TB2_ButtonClick", error);
  }
}

void MainWindowLogic::mnu_send() {
  menu.clear();
  menu.add(0, "Invoices", "mnuSendCustomerInvoices");
  menu.add(0, "Payments", "mnuSendCustomerPayments");
  menu.add(0, "Customers", "mnuSendCustomers");
  menu.add(0, "Purchase Orders", "mnuSendPOs");
  menu.add(0, "Suppliers", "mnuSendSuppliers");
  menu.add(0, "Update Customer Records", "mnuUpdateCustomers");
  menuOpen = true;
}

void MainWindowLogic::mnu_get() {
  menu.clear();
  menu.add(0, "Customers", "mnuGetCustomers");
  menu.add(0, "Suppliers", "mnuGetSuppliers");
  menuOpen = true;
}

void MainWindowLogic::mnu_sync() {
  menu.clear();
  menu.add(0, "Customer Balances", "mnuSyncBalance", "", "Grey");
  menu.add(0, "Reconcile with QuickBooks", "mnuSyncReconcile");
  menuOpen = true;
}

void MainWindowLogic::mnu_Help() {
  menu.clear();
  menu.add(0, "About", "mnuHelpAbout");
  menu.add(0, "Online Manual", "mnuHelpOnline");
  menu.add(1, "", "");
  menu.add(0, "Work In Tech Support Mode", "mnuHelpTechSupport");
  menu.add(0, "Undo a Send...", "mnuHelpUndoSend");
  if (app.maintenanceUnlocked) {
    menu.add(1, "", "");
    menu.add(0, "Import Customer Balances", "mnuHelpImportBalances");
    menu.add(0, "Update Supplier Addresses", "mnuHelpSupplierAddress");
  }
  menuOpen = true;
}

void MainWindowLogic::mnu_Select() {
  menu.clear();
  menu.add(0, "Select All", "mnuSelectAll");
  menu.add(0, "Deselect All", "mnuSelectNone");
  menuOpen = true;
}

void MainWindowLogic::mnu_Run(bool importAllowed) {
  menu.clear();
  menuOpen = false;
  const std::string& list = state.currentList;
  if (list.empty()) {
    app.ui.messageBox("Click on the export or import button first to get a list of records",
                      Buttons::Ok, Icon::Information, "QB Integrator");
    return;
  }
  if (list == "Send Customers" || list == "Send Suppliers") {
    menu.add(0, "Send to QuickBooks", "mnuSendQB");
    menu.add(1, "", "");
    menu.add(0, "Mark as NOT sent", "mnuMarkSentNot");
  } else if (list == "Send Customer Invoices" || list == "Send Customer Payments" ||
             list == "Send Supplier POs") {
    menu.add(0, "Send to QuickBooks", "mnuSendQB");
    menu.add(1, "", "");
    menu.add(0, "Mark as sent", "mnuMarkSent");
    menu.add(0, "Mark as NOT sent", "mnuMarkSentNot");
  } else if (list == lists::kReconcile) {
    menu.add(0, "Mark as sent", "mnuMarkSent");
    menu.add(0, "Mark as NOT sent", "mnuMarkSentNot");
  }
  if (importAllowed) menu.add(0, "Import from QuickBooks", "mnuGetQB");
  menuOpen = !menu.empty();
}

void MainWindowLogic::mnu_Filter() {
  menu.clear();
  menuOpen = false;
  const std::string& list = state.currentList;
  if (list.empty()) {
    app.ui.messageBox(
        "First click on the export or import button above to select the correct options.",
        Buttons::Ok, Icon::None, "Filter Options");
    return;
  }
  auto item = [&](const std::string& caption, const std::string& setupKey) {
    menu.add(0, caption, "mnu" + setupKey, "", "", filter_on(app, setupKey));
  };
  if (list == "Send Customer Invoices") {
    item("Show Invoices", "filtershowinvoices");
    item("Show Work Orders", "filtershowworkorders");
    menu.add(1, "", "");
    item("Show if exported", "filtershowexported");
    item("Show if NOT exported", "filtershowexportednot");
    menu.add(1, "", "");
    menu.add(0, "WO Status", "mnuFilterWOStatus");
    if (read_data(app, "Select * from custSOStatus order by Description", false)) {
      RecordDoc statuses = app.scratch.Clone();
      for (bool more = statuses.MoveToFirstChild(); more; more = statuses.MoveToNextSibling())
        menu.add(0, statuses.GetChildContent("description"), "mnuWOStatus");
    }
  } else if (list == "Get Customers") {
    item("Show if customer is inactive", "filtershowinactive");
    item("Show if customer has parent", "filtershowparent");
    menu.add(1, "", "");
    item("Show if imported", "filtershowexported");
    item("Show if NOT imported", "filtershowexportednot");
  } else {
    item("Show if exported", "filtershowexported");
    item("Show if NOT exported", "filtershowexportednot");
  }
  menuOpen = true;
}

void MainWindowLogic::mnu_invoiceOptions() {
  menu.clear();
  auto option = [&](const std::string& caption, const std::string& key,
                    const std::string& setupKey) {
    menu.add(0, caption, key, "", "", setup_value(app, setupKey) == "1");
  };
  option("Mark as printed", "mnuInvoiceMarkPrinted", "optinvprint");
  option("Use QB Invoice Numbers", "mnuInvoiceQBNumber", "optinvqbnumber");
  option("Add company name and contact to billing address", "mnuInvoiceBillingAddress",
         "optinvbillingaddress");
  option("Always send invoices amortized", "mnuInvoiceAmortized", "optinvamortized");
  menuOpen = true;
}

void MainWindowLogic::dMnu_ItemClick(int item) {
  menuOpen = false;
  runMenuKey(menu.keyOf(item));
}

void MainWindowLogic::toggleFilter(const std::string& key) {
  bool on = filter_on(app, key);
  app.setup.MoveToRoot();
  app.setup.EnsureChild(key);
  save_setup_value(app, key, on ? "0" : "1");
}

void MainWindowLogic::toggleOption(const std::string& key) {
  save_setup_value(app, key, setup_value(app, key) == "1" ? "0" : "1");
}

void MainWindowLogic::runMenuKey(const std::string& key) {
  try {
    if (key == "mnuUpdateCustomers") {
      // The window sends the customers it lists: it holds the lock while it is open.
      IntegratorLock lock(app, 0, kNothingChanged);
      if (lock.held()) app.ui.showDialog(DialogKind::UpdateCustomers, "");
    } else if (key == "mnuHelpImportBalances")
      importBalances();
    else if (key == "mnuHelpSupplierAddress")
      updateSupplierAddresses();
    else if (key == "mnuHelpTechSupport")
      app.ui.showDialog(DialogKind::Password, "");
    else if (key == "mnuHelpUndoSend")
      undoSend();
    else if (key == "mnuHelpAbout")
      app.ui.showDialog(DialogKind::About, "");
    else if (key == "mnuHelpOnline")
      app.ui.openUrl(manualUrl());
    else if (key == "mnuSyncBalance")
      syncContacts();
    else if (key == "mnuSyncReconcile")
      reconcileWithQuickBooks();
    else if (key == "mnuSyncContact")
      fill_syncCustomerContactInfo(app, state);
    else if (key == "mnuGetCustomers")
      fillQuickBooksList(true);
    else if (key == "mnuGetSuppliers")
      fillQuickBooksList(false);
    else if (key == "mnuSelectAll")
      selectme(state, true);
    else if (key == "mnuSelectNone")
      selectme(state, false);
    else if (key == "mnuMarkSent" || key == "mnuMarkSentNot") {
      IntegratorLock lock(app, 0, kNothingChanged);
      if (!lock.held()) return;
      whileBusy([&] {
        if (state.currentList == lists::kReconcile)
          mark_reconciled(app, state, key == "mnuMarkSent");
        else if (key == "mnuMarkSent")
          marksent(app, state);
        else
          marksentNot(app, state);
      });
    } else if (key == "mnuSendQB")
      sendTicked();
    else if (key == "mnufiltershowinactive" || key == "mnufiltershowparent" ||
             key == "mnufiltershowinvoices" || key == "mnufiltershowworkorders" ||
             key == "mnufiltershowexported" || key == "mnufiltershowexportednot") {
      toggleFilter(key.substr(3));
      refreshGrid();
      // A QuickBooks list refilled shows every row again: its filters apply after the refill.
      filter_grid(app, state, [this](bool busy) { imBusy(busy); });
    } else if (key == "mnuSendCustomers")
      fill_customers(app, state);
    else if (key == "mnuSendSuppliers")
      fill_suppliers(app, state);
    else if (key == "mnuSendPOs")
      fill_supplierPOs(app, state);
    else if (key == "mnuSendCustomerPayments")
      fill_customerPayments(app, state);
    else if (key == "mnuSendCustomerInvoices")
      fill_customerInvoices(app, state);
    else if (key == "mnuInvoiceAmortized")
      toggleOption("optinvamortized");
    else if (key == "mnuInvoiceBillingAddress")
      toggleOption("optinvbillingaddress");
    else if (key == "mnuInvoiceQBNumber")
      toggleOption("optinvqbnumber");
    else if (key == "mnuInvoiceMarkPrinted")
      toggleOption("optinvprint");
    state.changed();
  } catch (const std::exception& error) {
    show_common_error(app.ui, kModule, "dMnu_ItemClick", error);
  }
}

void MainWindowLogic::reconcileWithQuickBooks() {
  offer_reconcile_choice(app);
  app.ui.showDialog(DialogKind::Reconcile, "");
  ReconcileOptions options;
  if (app.sharedSlots[0] != "1" || !reconcile_choice(app, options)) return;
  whileBusy([&] {
    app.ui.setStatus("Reconciling with QuickBooks. Please Wait...");
    app.ui.processEvents();
    const ReconcileResult result = reconcile(app, session(), options);
    fill_reconcile(state, result);
    app.ui.setStatus(result.summary());
  });
}

void MainWindowLogic::undoSend() {
  constexpr const char* kTitle = "Undo a Send";
  constexpr const char* kCrlf = "\r\n";
  const std::vector<SendRunInfo> runs = RunLog(app).runs();
  if (runs.empty()) {
    app.ui.messageBox("There are no send runs to undo.", Buttons::Ok, Icon::Information, kTitle);
    return;
  }
  std::string prompt = "Send runs, newest first:";
  for (std::size_t i = 0; i < runs.size() && i < 20; ++i) prompt += kCrlf + run_line(runs[i]);
  prompt += std::string(kCrlf) + kCrlf + "The number of the run to undo:";
  const std::string chosen = app.ui.inputBox(prompt, kTitle, std::to_string(runs[0].number));
  if (chosen.empty()) return;
  const long long number = std::atoll(chosen.c_str());
  IntegratorLock lock(app, 0, "Nothing was undone.");
  if (!lock.held()) return;
  MappingContext ctx = mappingContext();
  const auto listed = [&](const UndoResult& result) {
    std::string text;
    for (const UndoLine& line : result.lines) text += kCrlf + undo_line(line);
    return text;
  };
  UndoResult dry;
  whileBusy([&] { dry = undo_send_run(ctx, number, true); });
  if (!dry.found) {
    app.ui.messageBox("There is no run " + chosen + ".", Buttons::Ok, Icon::Exclamation, kTitle);
    return;
  }
  if (dry.undone == 0) {
    app.ui.messageBox("Nothing in run " + chosen + " can be undone:" + listed(dry), Buttons::Ok,
                      Icon::Information, kTitle);
    return;
  }
  if (app.ui.messageBox("Run " + chosen + ":" + listed(dry) + kCrlf + kCrlf +
                            "Take these out of QuickBooks and mark them as not sent?",
                        Buttons::YesNo, Icon::Question, kTitle) != Answer::Yes)
    return;
  UndoResult done;
  whileBusy([&] { done = undo_send_run(ctx, number, false); });
  app.ui.messageBox("Run " + chosen + ", undone " + std::to_string(done.undone) + " of " +
                        std::to_string(done.lines.size()) + ":" + listed(done),
                    Buttons::Ok, Icon::Information, kTitle);
  if (!state.currentList.empty()) refreshGrid();
}

void MainWindowLogic::refreshGrid() {
  refresh_grid(app, state, [this] { fillQuickBooksList(true); });
}

void MainWindowLogic::whileBusy(const std::function<void()>& work) {
  imBusy(true);
  try {
    work();
  } catch (...) {
    imBusy(false);
    throw;
  }
  imBusy(false);
}

void MainWindowLogic::fillQuickBooksList(bool customers) {
  MappingContext ctx = mappingContext();
  whileBusy([&] {
    if (customers)
      fill_customersQB(ctx, listing);
    else
      fill_suppliersQB(ctx, listing);
  });
}

void MainWindowLogic::importTicked() {
  IntegratorLock lock(app, 0, "Nothing was imported.");
  if (!lock.held()) return;
  MappingContext ctx = mappingContext();
  whileBusy([&] {
    if (state.currentList == "Get Customers")
      get_customers(ctx, listing);
    else
      get_suppliers(ctx, listing);
  });
}

void MainWindowLogic::updateSupplierAddresses() {
  // The command walks the QuickBooks supplier list; list it first when another list is shown.
  if (state.currentList != "Get Suppliers") fillQuickBooksList(false);
  if (state.currentList != "Get Suppliers") return;
  IntegratorLock lock(app, 0, kNothingChanged);
  if (!lock.held()) return;
  MappingContext ctx = mappingContext();
  whileBusy([&] { fix_supplierAddress(ctx, listing); });
}

void MainWindowLogic::importBalances() {
  // The import books the balances of the QuickBooks customer list; list it first when
  // another list is shown.
  if (state.currentList != lists::kGetCustomers) fillQuickBooksList(true);
  if (state.currentList != lists::kGetCustomers) return;
  IntegratorLock lock(app, 0, kNothingChanged);
  if (!lock.held()) return;
  whileBusy([&] { cmdGetCustomerBal_Click(app, state); });
}

void MainWindowLogic::syncContacts() {
  // The contact list is sent once it is shown; otherwise it is shown first, to tick.
  if (state.currentList != lists::kSyncCustomerContactInfo) {
    fill_syncCustomerContactInfo(app, state);
    return;
  }
  IntegratorLock lock(app, 0, kNothingChanged);
  if (!lock.held()) return;
  MappingContext ctx = mappingContext();
  whileBusy([&] { sync_customerBalances(ctx); });
}

void MainWindowLogic::sendTicked() {
  struct Route {
    const char* list;
    const char* showKey;
    const char* tab;
    const char* status;
    const char* what;
  };
  static const Route routes[] = {
      {"Send Customer Invoices", "chkshowinvoices", "Invoices", "Preparing to send invoices...",
       "Sending invoices"},
      {"Send Customer Payments", "chkshowpayments", "Payments", "Preparing to send payments...",
       "Sending payments"},
      {"Send Supplier POs", "chkshowpos", "Purchase Orders", "Preparing to send purchase orders...",
       "Sending purchase orders"},
  };
  // The whole send holds the lock; refused, the list stays as it is.
  IntegratorLock lock(app);
  if (!lock.held()) return;
  if (state.currentList == "Send Customers" || state.currentList == "Send Suppliers") {
    MappingContext ctx = mappingContext();
    whileBusy([&] {
      if (state.currentList == "Send Customers")
        send_Customers(ctx);
      else
        send_Suppliers(ctx);
    });
    return;
  }
  for (const Route& route : routes) {
    if (state.currentList != route.list) continue;
    if (setup_value(app, route.showKey) != "0")
      app.ui.showDialog(DialogKind::Preferences, route.tab);
    app.ui.setStatus(route.status);
    app.ui.setProgress(0, 100);
    if (app.sharedSlots[100] == "1") return;
    if (state.currentList == lists::kSendCustomerInvoices) {
      MappingContext ctx = mappingContext();
      return whileBusy([&] { send_Invoices(ctx); });
    }
    if (state.currentList == lists::kSendCustomerPayments) {
      MappingContext ctx = mappingContext();
      return whileBusy([&] { send_Payments(ctx); });
    }
    if (state.currentList == lists::kSendSupplierPOs) {
      MappingContext ctx = mappingContext();
      return whileBusy([&] { send_POs(ctx); });
    }
    return notAvailableYet(route.what);
  }
}

}  // namespace vqb
