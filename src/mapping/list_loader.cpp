#include "mapping/list_loader.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "app/errors.h"
#include "app/module1.h"
#include "app/setup_file.h"
#include "app/text_helpers.h"
#include "quickbooks/qb_error.h"

namespace vqb {
namespace {

using qb::ObjSearch;

// What differs between the loader window's list loaders and the main window's.
struct Variant {
  const char* module;     // the window named in the common error report
  bool inactiveTaxItems;  // fetch inactive tax items, count them in group rates, then drop them
};
constexpr Variant kLoaderWindow{"frmPop", true};
constexpr Variant kMainWindow{"frmQB", false};

constexpr const char* kInactiveMark = "inactive";
constexpr int kActiveStatusAll = 3;

// How a list loader shows its own errors.
enum class Report {
  TaxBox,       // the description, critical icon, titled "Error: <number>"
  PlainBox,     // "<number> <description>" in a plain box
  CommonError,  // the common error report
};

struct Failure {
  long number;
  std::string description;
};

Failure failure_of(const std::exception& error) {
  if (const auto* own = dynamic_cast<const VqbError*>(&error))
    return {own->number(), own->description()};
  return {0, error.what()};
}

void report(App& app, Report how, const char* module, const char* procedure,
            const std::exception& error) {
  const Failure failure = failure_of(error);
  switch (how) {
    case Report::TaxBox:
      app.ui.messageBox(failure.description, Buttons::Ok, Icon::Critical,
                        "Error: " + std::to_string(failure.number));
      break;
    case Report::PlainBox:
      app.ui.messageBox(std::to_string(failure.number) + " " + failure.description, Buttons::Ok,
                        Icon::None, "");
      break;
    case Report::CommonError:
      show_common_error(app.ui, module, procedure, error);
      break;
  }
}

// Runs a list loader under its own error handler: the load sequence goes on after it.
template <class Body>
void guarded(App& app, Report how, const char* module, const char* procedure, Body&& body) {
  try {
    body();
  } catch (const std::exception& error) {
    report(app, how, module, procedure, error);
  }
}

// Appends every result of the last search, as its qbXML record, to the current element.
void append_results(const ObjSearch& search, RecordDoc& list) {
  RecordDoc record;
  for (int i = 0; i < search.resultCount(); ++i) {
    record.Clear();
    if (!record.LoadXml(search.result(i)))
      throw qb::QbError(qb::kMalformedResponse,
                        "QuickBooks returned a record that is not well-formed XML.");
    list.AppendTree(record);
  }
}

// Runs a fresh search of one kind and replaces `list` with its records under `rootTag`.
void load_list(App& app, qb::ComponentSet& set, int queryKind, std::string_view rootTag,
               RecordDoc& list) {
  ObjSearch& search = set.search;
  search.reset();
  set.set_Country(app.applyConnectionSettings);
  search.queryKind = queryKind;
  search.run();
  list.Clear();
  list.SetTag(rootTag);
  append_results(search, list);
}

void load_terms(App& app, qb::ComponentSet& set) {
  ObjSearch& search = set.search;
  RecordDoc& terms = app.qbTerms;
  search.reset();
  set.set_Country(app.applyConnectionSettings);
  search.queryKind = ObjSearch::kNamedList;
  search.listName = "StandardTerms";
  search.run();
  terms.Clear();
  terms.SetTag("QBTerms");
  append_results(search, terms);

  search.reset();
  set.set_Country(app.applyConnectionSettings);
  search.queryKind = ObjSearch::kNamedList;
  search.listName = "DateDrivenTerms";
  search.run();
  append_results(search, terms);
}

// Gives every tax group a "TaxRate": the sum of the rates of the entries its references name
// (the first entry of that name; a name with no entry adds nothing). With markInactive, every
// entry whose IsActive is "false" gets the content "inactive" afterwards.
void set_group_rates(RecordDoc& items, bool markInactive) {
  // Rates by entry name, taken before anything is changed.
  std::unordered_map<std::string, double> rates;
  items.MoveToRoot();
  if (items.MoveToFirstChild()) {
    do {
      rates.try_emplace(items.GetChildContent("Name"),
                        numeric_value(items.GetChildContent("TaxRate")));
    } while (items.MoveToNextSibling());
  }

  items.MoveToRoot();
  if (items.MoveToFirstChild()) {
    do {
      if (items.GetTag() == "ItemSalesTaxGroupRet") {
        items.EnsureChild("TaxRate");
        double sum = 0;
        for (pugi::xml_node ref : items.Current().children("ItemSalesTaxRef")) {
          auto found = rates.find(ref.child_value("FullName"));
          if (found != rates.end()) sum += found->second;
        }
        items.SetChildValue("TaxRate", number_text(sum));
      }
      if (markInactive && to_lower_ascii(items.GetChildContent("IsActive")) == "false")
        items.SetContent(kInactiveMark);
    } while (items.MoveToNextSibling());
  }
  items.MoveToRoot();
}

void load_taxes(App& app, qb::ComponentSet& set, const Variant& variant) {
  ObjSearch& search = set.search;
  RecordDoc& items = app.qbTaxItems;
  search.reset();
  set.set_Country(app.applyConnectionSettings);
  search.queryKind = ObjSearch::kItems;
  search.itemType = qb::kItemSalesTax;
  // Kept for the group search below, which runs without a reset.
  if (variant.inactiveTaxItems) search.activeStatus = kActiveStatusAll;
  search.run();
  items.Clear();
  items.SetTag("QBTaxItems");
  append_results(search, items);

  search.itemType = qb::kItemSalesTaxGroup;
  search.run();
  append_results(search, items);

  set_group_rates(items, variant.inactiveTaxItems);
  if (variant.inactiveTaxItems) items.RemoveChildrenWithContent(kInactiveMark);

  load_list(app, set, ObjSearch::kSalesTaxCodes, "QBTaxCodes", app.qbTaxCodes);
}

void load_classes(App& app, qb::ComponentSet& set) {
  ObjSearch& search = set.search;
  // A reset drops filters an earlier search may have left (a reference number would make the
  // class query invalid); the connection settings stay.
  search.reset();
  search.queryKind = ObjSearch::kClasses;
  // Inactive classes are listed too, as "ClassF", so the checks can tell them from missing ones.
  search.activeStatus = kActiveStatusAll;
  search.run();
  RecordDoc& classes = app.qbClasses;
  classes.Clear();
  RecordDoc record;
  for (int i = 0; i < search.resultCount(); ++i) {
    record.Clear();
    record.LoadXml(search.result(i));
    classes.AppendChild(record.GetChildContent("IsActive") == "true" ? "ClassT" : "ClassF",
                        record.GetChildContent("FullName"));
  }
}

void load_accounts(App& app, qb::ComponentSet& set) {
  ObjSearch& search = set.search;
  search.reset();
  search.queryKind = ObjSearch::kAccounts;
  search.run();
  RecordDoc& accounts = app.qbAccounts;
  accounts.Clear();
  accounts.SetTag("Accounts");
  RecordDoc record;
  for (int i = 0; i < search.resultCount(); ++i) {
    record.Clear();
    record.LoadXml(search.result(i));
    accounts.AddChild("AccName", record.GetChildContent("Name"));
    accounts.MoveToLastChild();
    accounts.AddChild("fname", record.GetChildContent("FullName"));
    accounts.MoveToParent();
  }
  accounts.MoveToRoot();
}

// Copies a query out of the scratch document into `target`. False, with `target` unchanged,
// when read_data failed (it has shown its own box).
bool snapshot(App& app, std::string_view sql, bool keyByLink, RecordDoc& target) {
  if (!read_data(app, sql, keyByLink)) return false;
  app.scratch.MoveToRoot();
  if (!target.LoadXml(app.scratch.GetXml()))
    throw VqbError(err::kTypeMismatch,
                   "The copy of \"" + std::string(sql) + "\" could not be read back.");
  return true;
}

void load_sales_groups(App& app) {
  snapshot(app, "Select * from SalesGroup", false, app.salesGroupSnapshot);
}

// Loads a settings file into `doc`. A missing file gives an empty document with `rootTag`
// and false. A file that exists but cannot be read raises, leaving `doc` as it was: replacing
// the settings with an empty document would let the next save wipe the file.
bool load_settings_file(const std::string& path, std::string_view rootTag, RecordDoc& doc) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    doc.Clear();
    doc.SetTag(rootTag);
    return false;
  }
  RecordDoc loaded;
  if (!loaded.LoadXmlFile(path))
    throw VqbError(75, "Path/File access error: " + path + " cannot be read.");
  doc = std::move(loaded);
  doc.MoveToRoot();
  return true;
}

}  // namespace

// ---- Loader window --------------------------------------------------------------------------

ListLoader::ListLoader(App& app, std::function<qb::Session&()> connect)
    : app_(app), connect_(std::move(connect)) {}

ListLoader::~ListLoader() = default;

qb::ComponentSet& ListLoader::components() {
  if (!components_) components_ = std::make_unique<qb::ComponentSet>(connect_());
  return *components_;
}

void ListLoader::Form_Load() {
  app_.sharedSlots[100] = "0";
  app_.ui.setProgress(0, kProgressSteps);
}

void ListLoader::connectionTest() {
  components_.reset();
  components_ = std::make_unique<qb::ComponentSet>(connect_());
  components_->set_Country(app_.applyConnectionSettings);
  components_->search.openConnection();
  components_->search.closeConnection();
}

bool ListLoader::pop_me() {
  long step = 0;
  auto advance = [&] { app_.ui.setProgress(++step, kProgressSteps); };
  try {
    connectionTest();
    advance();
    snapshot(app_, "Select * from tax", true, app_.taxSnapshot);
    advance();
    snapshot(app_, "Select * from lineTax", true, app_.lineTaxSnapshot);
    advance();
    pop_QBTaxes();
    advance();
    snapshot(app_, "Select * from Terms", true, app_.termsSnapshot);
    advance();
    pop_QBTerms();
    advance();
    snapshot(app_, "Select * from Users", true, app_.usersSnapshot);
    advance();
    snapshot(app_, "Select * from custindustry", true, app_.industrySnapshot);
    advance();
    snapshot(app_, "Select * from qbclass", true, app_.classSnapshot);
    advance();
    snapshot(app_, "Select * from quickbooks", false, app_.qbSettingsSnapshot);
    advance();
    pop_QBLedger();
    advance();
    pop_QBReps();
    advance();
    pop_QBClass();
    advance();
    pop_QBCustomerGroups();
    advance();
    snapshot(app_, "Select * from CustPaymentMethods", true, app_.paymentMethodSnapshot);
    advance();
    pop_QBPaymentMethods();
    advance();
    if (load_settings_file(setup_file_path(app_), "QBSetup", app_.setup))
      app_.applyConnectionSettings = setup_value(app_, "setcountryon") == "1";
    advance();
    load_settings_file(app_.globalfolder + "parsedAddresses.xml", "parsedAddresses",
                       app_.parsedAddresses);
    advance();
    pop_salesGroups();
    app_.sharedSlots[100] = "0";
    return true;
  } catch (const std::exception& error) {
    const Failure failure = failure_of(error);
    app_.ui.messageBox("Vantora cannot connect to QuickBooks.\r\n\r\nError " +
                           std::to_string(failure.number) + " - " + failure.description,
                       Buttons::Ok, Icon::Information, "Connection Error");
    app_.sharedSlots[100] = "1";
    return false;
  }
}

void ListLoader::pop_QBTaxes() {
  guarded(app_, Report::TaxBox, kLoaderWindow.module, "pop_QBTaxes",
          [&] { load_taxes(app_, components(), kLoaderWindow); });
}

void ListLoader::pop_QBTerms() {
  guarded(app_, Report::PlainBox, kLoaderWindow.module, "pop_QBTerms",
          [&] { load_terms(app_, components()); });
}

void ListLoader::pop_QBReps() {
  guarded(app_, Report::PlainBox, kLoaderWindow.module, "pop_QBReps",
          [&] { load_list(app_, components(), ObjSearch::kSalesReps, "QBRep", app_.qbReps); });
}

void ListLoader::pop_QBCustomerGroups() {
  guarded(app_, Report::PlainBox, kLoaderWindow.module, "pop_QBCustomerGroups", [&] {
    load_list(app_, components(), ObjSearch::kCustomerTypes, "QBRep", app_.qbCustomerTypes);
  });
}

void ListLoader::pop_QBPaymentMethods() {
  guarded(app_, Report::PlainBox, kLoaderWindow.module, "pop_QBPaymentMethods", [&] {
    load_list(app_, components(), ObjSearch::kPaymentMethods, "QBPayMethods", app_.qbPayMethods);
  });
}

void ListLoader::pop_QBClass() {
  guarded(app_, Report::CommonError, kLoaderWindow.module, "pop_QBClass",
          [&] { load_classes(app_, components()); });
}

void ListLoader::pop_QBLedger() {
  guarded(app_, Report::CommonError, kLoaderWindow.module, "pop_QBLedger",
          [&] { load_accounts(app_, components()); });
}

void ListLoader::pop_salesGroups() {
  load_sales_groups(app_);
}

// ---- Main window ----------------------------------------------------------------------------

void pop_QBClass(App& app, qb::ComponentSet& components) {
  guarded(app, Report::CommonError, kMainWindow.module, "pop_QBClass",
          [&] { load_classes(app, components); });
}

void pop_salesGroups(App& app) {
  guarded(app, Report::CommonError, kMainWindow.module, "pop_salesGroups",
          [&] { load_sales_groups(app); });
}

void pop_QBCustomerGroups(App& app, qb::ComponentSet& components) {
  guarded(app, Report::PlainBox, kMainWindow.module, "pop_QBCustomerGroups", [&] {
    load_list(app, components, ObjSearch::kCustomerTypes, "QBRep", app.qbCustomerTypes);
  });
}

void pop_QBTaxes(App& app, qb::ComponentSet& components) {
  guarded(app, Report::TaxBox, kMainWindow.module, "pop_QBTaxes",
          [&] { load_taxes(app, components, kMainWindow); });
}

}  // namespace vqb
