#include "mapping/setup_window.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

#include "app/errors.h"
#include "app/links.h"
#include "app/module1.h"
#include "app/setup_file.h"
#include "app/startup.h"
#include "app/text_helpers.h"
#include "mapping/list_loader.h"
#include "quickbooks/components.h"

namespace vqb {
namespace {

using qb::ObjSearch;

// The QuickBooks item kinds an invoice line may use.
bool sellable_item_tag(std::string_view tag) {
  return tag == "ItemServiceRet" || tag == "ItemNonInventoryRet" || tag == "ItemOtherChargeRet";
}

// Every element child of a document's root.
template <class Each>
void each_entry(RecordDoc& doc, Each&& each) {
  doc.MoveToRoot();
  for (pugi::xml_node node : doc.Current().children())
    if (node.type() == pugi::node_element) each(node);
}

std::string child(pugi::xml_node node, const char* tag) {
  return node.child_value(tag);
}

// The first row of a snapshot that is not keyed.
std::string first_row_value(RecordDoc& doc, const char* column) {
  doc.MoveToRoot();
  pugi::xml_node row =
      doc.Current().find_child([](pugi::xml_node n) { return n.type() == pugi::node_element; });
  return row ? row.child_value(column) : "";
}

// Copies a query into `target` as the list loader does; false (target unchanged) when
// read_data failed and showed why.
bool snapshot(App& app, std::string_view sql, bool keyByLink, RecordDoc& target) {
  if (!read_data(app, sql, keyByLink)) return false;
  app.scratch.MoveToRoot();
  return target.LoadXml(app.scratch.GetXml());
}

SetupGrid make_grid(SetupGridKind kind, const char* name, const char* title,
                    std::vector<std::string> headers) {
  SetupGrid grid{kind, name, title, std::move(headers), {}, {}, {}, -1};
  return grid;
}

}  // namespace

const std::array<SetupSwitch, 5> kSetupSwitches = {{
    {"chkSalesTax", "Map sales tax (tax types and line tax codes)"},
    {"chkReps", "Map sales reps"},
    {"chkcustomerterms", "Map customer terms"},
    {"chkcustomergroups", "Map customer groups to customer types"},
    {"chkClass", "Map classes"},
}};

std::string SetupSwitch::key() const {
  return "qbsetup" + to_lower_ascii(control);
}

SetupLogic::SetupLogic(App& app_, std::function<qb::Session&()> connect,
                       std::function<bool()> reloadLists)
    : app(app_), connect_(std::move(connect)), reloadLists_(std::move(reloadLists)) {
  grids = {
      make_grid(SetupGridKind::Items, "fgItems", "Sales Groups",
                {"Sales Group", "QuickBooks Item", "ID"}),
      make_grid(SetupGridKind::TaxItems, "fgTaxItems", "Tax Types",
                {"Tax Type", "QuickBooks Tax Item", "Link"}),
      make_grid(SetupGridKind::TaxCodes, "fgTaxCodes", "Line Tax Codes",
                {"Line Tax Code", "QuickBooks Tax Code", "Link"}),
      make_grid(SetupGridKind::Reps, "fgReps", "Sales Reps",
                {"Sales Rep", "QuickBooks Rep", "Link"}),
      make_grid(SetupGridKind::Terms, "fgTerms", "Terms", {"Terms", "QuickBooks Terms", "Link"}),
      make_grid(SetupGridKind::Payments, "fgPayments", "Payment Methods",
                {"Payment Method", "QuickBooks Payment Method", "Deposit Account", "Link"}),
      make_grid(SetupGridKind::Groups, "fgGroups", "Customer Groups",
                {"Customer Group", "QuickBooks Customer Type", "Link"}),
  };
  grid(SetupGridKind::Payments).hiddenColumn = 3;
  if (!reloadLists_)
    reloadLists_ = [this] {
      ListLoader loader(app, connect_);
      app.ui.loaderVisible(true);
      loader.Form_Load();
      const bool loaded = loader.pop_me();
      app.ui.loaderVisible(false);
      return loaded && app.sharedSlots[100] != "1";
    };
}

SetupLogic::~SetupLogic() = default;

SetupGrid* SetupLogic::findGrid(std::string_view name) {
  for (SetupGrid& g : grids)
    if (to_lower_ascii(g.name) == to_lower_ascii(name)) return &g;
  return nullptr;
}

qb::ComponentSet& SetupLogic::components() {
  if (!components_) {
    components_ = std::make_unique<qb::ComponentSet>(connect_());
    // This window's connection settings: the application name only.
    for (qb::Component* c : std::initializer_list<qb::Component*>{
             &components_->lists, &components_->customer, &components_->vendor, &components_->item,
             &components_->receivePayment, &components_->invoice, &components_->search,
             &components_->purchaseOrder})
      c->settings.connectionString = "ApplicationName='Vantora'";
  }
  return *components_;
}

template <class Body>
void SetupLogic::guarded(const char* procedure, Body&& body) {
  try {
    body();
  } catch (const std::exception& error) {
    show_common_error(app.ui, kModule, procedure, error);
  }
}

// ---- Window events --------------------------------------------------------------------------

void SetupLogic::setCaption(std::string text) {
  caption = std::move(text);
  if (onCaption) onCaption(caption);
}

void SetupLogic::Form_Load() {
  setCaption("Setup");
  app.ui.setProgress(0, kProgressSteps);
}

void SetupLogic::pop_me() {
  loading = true;
  long step = 0;
  auto progress = [this](long value) {
    if (onProgress)
      onProgress(value, kProgressSteps);
    else
      app.ui.setProgress(value, kProgressSteps);
  };
  progress(0);
  countries = {"United States", "Canada"};
  const std::array<void (SetupLogic::*)(), kProgressSteps> steps = {
      &SetupLogic::pop_subtotal,        &SetupLogic::pop_discount, &SetupLogic::pop_reps,
      &SetupLogic::pop_taxitems,        &SetupLogic::pop_taxcodes, &SetupLogic::pop_CustomerGroups,
      &SetupLogic::pop_Terms,           &SetupLogic::pop_Payments, &SetupLogic::pop_Items,
      &SetupLogic::fill_general,        &SetupLogic::fill_taxes,   &SetupLogic::fill_taxcodes,
      &SetupLogic::fill_reps,           &SetupLogic::fill_terms,   &SetupLogic::fill_Payments,
      &SetupLogic::fill_CustomerGroups, &SetupLogic::fill_Items};
  for (auto procedure : steps) {
    (this->*procedure)();
    progress(++step);
  }
  loading = false;
}

bool SetupLogic::cmdUpdate_Click() {
  bool saved = false;
  guarded("cmdUpdate_Click", [&] {
    saved = SaveMe();
    if (saved) app.ui.messageBox("Setup saved", Buttons::Ok, Icon::Information, "Confirm");
  });
  return saved;
}

void SetupLogic::TB2_ButtonClick(const std::string& which) {
  if (which == "Import")
    import_taxItems();
  else if (which == "Update Tax %")
    upd_taxpercentages();
}

void SetupLogic::tbGroups_ButtonClick(const std::string& which) {
  menu.clear();
  if (which == "Export") {
    const SetupGrid& groups = grid(SetupGridKind::Groups);
    std::string selected;
    if (selectedGroupRow >= 0 && static_cast<std::size_t>(selectedGroupRow) < groups.rows.size())
      selected = groups.rows[static_cast<std::size_t>(selectedGroupRow)][0];
    menu.add(0, "Export '" + selected + "' to QuickBooks", "mnuGroupExport1");
    menu.add(0, "Export All customer groups to QuickBooks", "mnuGroupExport2");
    menu.add(0, "Export All un-associated customer groups to QuickBooks", "mnuGroupExport3");
  } else if (which == "Import") {
    menu.add(0, "Import All customer groups from QuickBooks", "mnuGroupImport1");
    menu.add(0, "Import All un-associated customer groups from QuickBooks", "mnuGroupImport2");
    each_entry(app.qbCustomerTypes, [&](pugi::xml_node type) {
      const std::string name = child(type, "Name");
      menu.add(0, "Import '" + name + "' from QuickBooks", "mnuGroupImport_" + name);
    });
  }
}

void SetupLogic::dMnu_ItemClick(const std::string& key) {
  // The other export and import items are listed but do nothing.
  if (key == "mnuGroupExport3") exportUnassociatedGroups();
}

void SetupLogic::cmdHelp_Click() {
  app.ui.openUrl(manual_page(app.programFolder, "mappings"));
}

// ---- Edits ----------------------------------------------------------------------------------

void SetupLogic::setCell(SetupGridKind kind, std::size_t row, int column,
                         const std::string& value) {
  SetupGrid& g = grid(kind);
  if (row >= g.rows.size() || column < 0 || static_cast<std::size_t>(column) >= g.rows[row].size())
    return;
  g.rows[row][static_cast<std::size_t>(column)] = value;
  if (kind == SetupGridKind::Groups) groupsEdited = true;
}

void SetupLogic::chooseCell(SetupGridKind kind, std::size_t row, int column, std::size_t index) {
  const std::vector<SetupChoice>& list = grid(kind).choicesOf(column);
  if (index >= list.size() || list[index].empty()) return;
  setCell(kind, row, column, list[index][0]);
}

// ---- QuickBooks drop-downs ------------------------------------------------------------------

namespace {

std::vector<std::string> item_names(qb::ComponentSet& set, int itemType) {
  ObjSearch& search = set.search;
  search.reset();
  search.queryKind = ObjSearch::kItems;
  search.itemType = itemType;
  search.run();
  std::vector<std::string> names;
  RecordDoc record;
  for (int i = 0; i < search.resultCount(); ++i) {
    record.LoadXml(search.result(i));
    names.push_back(record.GetChildContent("Name"));
  }
  return names;
}

}  // namespace

void SetupLogic::pop_subtotal() {
  guarded("pop_subtotal", [&] { subtotalItems = item_names(components(), qb::kItemSubtotal); });
}

void SetupLogic::pop_discount() {
  guarded("pop_discount", [&] { discountItems = item_names(components(), qb::kItemDiscount); });
}

void SetupLogic::pop_reps() {
  guarded("pop_reps", [&] {
    auto& list = grid(SetupGridKind::Reps).choices;
    list.clear();
    each_entry(app.qbReps, [&](pugi::xml_node rep) {
      list.push_back(
          {child(rep, "Initial"), rep.child("SalesRepEntityRef").child_value("FullName")});
    });
  });
}

void SetupLogic::pop_taxitems() {
  guarded("pop_taxitems", [&] {
    auto& list = grid(SetupGridKind::TaxItems).choices;
    list.clear();
    each_entry(app.qbTaxItems, [&](pugi::xml_node item) {
      list.push_back(
          {child(item, "Name"), child(item, "ItemDesc"), child(item, "TaxRate") + "%",
           std::string_view(item.name()) == "ItemSalesTaxGroupRet" ? "Tax Group" : "Tax Item"});
    });
  });
}

void SetupLogic::pop_taxcodes() {
  guarded("pop_taxcodes", [&] {
    auto& list = grid(SetupGridKind::TaxCodes).choices;
    list.clear();
    each_entry(app.qbTaxCodes, [&](pugi::xml_node code) {
      list.push_back({child(code, "Name"), child(code, "Desc")});
    });
  });
}

void SetupLogic::pop_CustomerGroups() {
  guarded("pop_CustomerGroups", [&] {
    auto& list = grid(SetupGridKind::Groups).choices;
    list.clear();
    each_entry(app.qbCustomerTypes,
               [&](pugi::xml_node type) { list.push_back({child(type, "Name")}); });
  });
}

void SetupLogic::pop_Terms() {
  guarded("pop_Terms", [&] {
    auto& list = grid(SetupGridKind::Terms).choices;
    list.clear();
    each_entry(app.qbTerms, [&](pugi::xml_node terms) { list.push_back({child(terms, "Name")}); });
  });
}

void SetupLogic::pop_Payments() {
  guarded("pop_Payments", [&] {
    SetupGrid& g = grid(SetupGridKind::Payments);
    g.choices.clear();
    g.accountChoices.clear();
    each_entry(app.qbPayMethods,
               [&](pugi::xml_node method) { g.choices.push_back({child(method, "Name")}); });
    each_entry(app.qbAccounts,
               [&](pugi::xml_node account) { g.accountChoices.push_back({account.text().get()}); });
  });
}

void SetupLogic::pop_Items() {
  auto& list = grid(SetupGridKind::Items).choices;
  list.clear();
  guarded("pop_Items", [&] {
    ObjSearch& search = components().search;
    search.reset();
    search.settings.qbxmlVersion = "5.0";  // the item list pages with an iterator
    search.queryKind = ObjSearch::kItems;
    search.itemType = 0;
    search.pageSize = 5;
    struct Close {
      ObjSearch& search;
      ~Close() {
        try {
          search.closeConnection();
        } catch (...) {  // closing never hides the error that ended the search
        }
        search.settings.qbxmlVersion = qb::ConnectionSettings{}.qbxmlVersion;
      }
    } close{search};
    search.openConnection();
    search.run();
    if (search.remaining() > kItemListLimit) return;  // too many: the cell takes a typed name
    std::vector<SetupChoice> built;
    RecordDoc record;
    for (;;) {
      for (int i = 0; i < search.resultCount(); ++i) {
        record.Clear();
        record.LoadXml(search.result(i));
        if (sellable_item_tag(record.GetTag()))
          built.push_back({record.GetChildContent("FullName")});
      }
      if (search.remaining() <= 0) break;
      search.nextPage();
    }
    list = std::move(built);
  });
}

// ---- Grids ----------------------------------------------------------------------------------

namespace {

// Fills a grid with one row per snapshot row, each made by `row`.
template <class Row>
void fill_rows(SetupGrid& g, RecordDoc& snapshot, Row&& row) {
  g.rows.clear();
  each_entry(snapshot, [&](pugi::xml_node record) { g.rows.push_back(row(record)); });
}

}  // namespace

void SetupLogic::reloadSetupDocument() {
  // An unreadable file leaves the document held in memory.
  RecordDoc loaded;
  if (loaded.LoadXmlFile(setup_file_path(app))) {
    app.setup = std::move(loaded);
    app.setup.MoveToRoot();
  }
  app.setup.MoveToRoot();
  if (app.setup.GetTag().empty()) app.setup.SetTag("QBSetup");
}

void SetupLogic::fill_general() {
  guarded("fill_general", [&] {
    reloadSetupDocument();
    // As the integrator reads them (a missing key is on), so that saving an untouched window
    // changes nothing.
    for (std::size_t i = 0; i < kSetupSwitches.size(); ++i)
      switches[i] = setup_value(app, kSetupSwitches[i].key()) != "0";
    const std::string chosen = setup_value(app, "qbsetupcmbcountry");
    country =
        std::find(countries.begin(), countries.end(), chosen) != countries.end() ? chosen : "";
    dateFormat = setup_value(app, "customdateformat");
  });
}

void SetupLogic::fill_taxes() {
  guarded("fill_taxes", [&] {
    fill_rows(grid(SetupGridKind::TaxItems), app.taxSnapshot, [](pugi::xml_node r) {
      return std::vector<std::string>{child(r, "description") + " @ " + child(r, "rate") + "%",
                                      child(r, "qblink"), child(r, "link")};
    });
  });
}

void SetupLogic::fill_taxcodes() {
  guarded("fill_taxcodes", [&] {
    fill_rows(grid(SetupGridKind::TaxCodes), app.lineTaxSnapshot, [](pugi::xml_node r) {
      const bool taxable = child(r, "taxable") != "0";
      return std::vector<std::string>{child(r, "code") + (taxable ? " (T)" : " (N)"),
                                      child(r, "quickbooks"), child(r, "link")};
    });
  });
}

void SetupLogic::fill_reps() {
  guarded("fill_reps", [&] {
    fill_rows(grid(SetupGridKind::Reps), app.usersSnapshot, [](pugi::xml_node r) {
      return std::vector<std::string>{child(r, "firstname"), child(r, "quickbooks"),
                                      child(r, "link")};
    });
  });
}

void SetupLogic::fill_terms() {
  guarded("fill_terms", [&] {
    fill_rows(grid(SetupGridKind::Terms), app.termsSnapshot, [](pugi::xml_node r) {
      return std::vector<std::string>{child(r, "description"), child(r, "quickbooks"),
                                      child(r, "link")};
    });
  });
}

void SetupLogic::fill_Payments() {
  guarded("fill_Payments", [&] {
    fill_rows(grid(SetupGridKind::Payments), app.paymentMethodSnapshot, [](pugi::xml_node r) {
      return std::vector<std::string>{child(r, "description"), child(r, "quickbooks"),
                                      child(r, "qbledger"), child(r, "link")};
    });
  });
}

void SetupLogic::fill_CustomerGroups() {
  guarded("fill_CustomerGroups", [&] {
    fill_rows(grid(SetupGridKind::Groups), app.industrySnapshot, [](pugi::xml_node r) {
      return std::vector<std::string>{child(r, "description"), child(r, "quickbooks"),
                                      child(r, "link")};
    });
  });
}

void SetupLogic::fill_Items() {
  guarded("fill_Items", [&] {
    discount = first_row_value(app.qbSettingsSnapshot, "discount");
    fill_rows(grid(SetupGridKind::Items), app.salesGroupSnapshot, [](pugi::xml_node r) {
      return std::vector<std::string>{child(r, "code"), child(r, "qb"), child(r, "id")};
    });
    loadedItems_.clear();
    for (const auto& r : grid(SetupGridKind::Items).rows) loadedItems_.push_back(r[1]);
  });
}

// ---- Saving ---------------------------------------------------------------------------------

std::vector<std::string> SetupLogic::batchStatements() const {
  std::vector<std::string> out;
  out.push_back("UPDATE QuickBooks set Discount = '" + sql_quote(discount) + "'");
  for (SetupGridKind kind : kSaveOrder) {
    for (const auto& r : grid(kind).rows) {
      const std::string qb = sql_quote(r[1]);
      switch (kind) {
        case SetupGridKind::Items:
          out.push_back("UPDATE salesgroup SET QB = '" + qb + "', QB_P = '" + qb +
                        "' WHERE code = '" + sql_quote(r[0]) + "'");
          break;
        case SetupGridKind::TaxItems:
          out.push_back("UPDATE tax SET QBLink = '" + qb + "' WHERE link = " + r[2]);
          break;
        case SetupGridKind::TaxCodes:
          out.push_back("UPDATE linetax SET QuickBooks = '" + qb + "' WHERE link = " + r[2]);
          break;
        case SetupGridKind::Reps:
          out.push_back("UPDATE users SET QuickBooks = '" + qb + "' WHERE link = " + r[2]);
          break;
        case SetupGridKind::Terms:
          out.push_back("UPDATE terms SET QuickBooks = '" + qb + "' WHERE link = " + r[2]);
          break;
        case SetupGridKind::Payments:
          out.push_back("UPDATE CustPaymentMethods SET QBLedger = '" + sql_quote(r[2]) +
                        "', QuickBooks = '" + qb + "' WHERE link = " + r[3]);
          break;
        case SetupGridKind::Groups:
          out.push_back("UPDATE CustIndustry SET QuickBooks = '" + qb + "' WHERE link = " + r[2]);
          break;
      }
    }
  }
  return out;
}

bool SetupLogic::itemExists(const std::string& name) {
  try {
    qb::Item& item = components().item;
    item.reset();
    item.loadByName(name);
    return item.itemType == qb::kItemService || item.itemType == qb::kItemNonInventory ||
           item.itemType == qb::kItemOtherCharge;
  } catch (const VqbError&) {
    return false;
  }
}

std::string SetupLogic::checkValue(SetupGridKind kind, int column, const std::string& value) {
  if (value.empty()) return "";
  const SetupGrid& g = grid(kind);
  if (!g.editable(column)) return "this column cannot be changed";
  for (const SetupChoice& choice : g.choicesOf(column))
    if (!choice.empty() && choice[0] == value) return "";
  if (kind == SetupGridKind::Groups) {
    // A sub-type is stored by its full name, as the group export stores it.
    bool found = false;
    each_entry(app.qbCustomerTypes,
               [&](pugi::xml_node type) { found = found || child(type, "FullName") == value; });
    if (found) return "";
  }
  if (kind == SetupGridKind::Items) {
    if (itemExists(value)) return "";
    return "QuickBooks has no service, non-inventory or other-charge item of that full name";
  }
  const char* what = "entry";
  switch (kind) {
    case SetupGridKind::TaxItems:
      what = "sales tax item or group";
      break;
    case SetupGridKind::TaxCodes:
      what = "sales tax code";
      break;
    case SetupGridKind::Reps:
      what = "sales rep";
      break;
    case SetupGridKind::Terms:
      what = "terms";
      break;
    case SetupGridKind::Payments:
      what = column == 2 ? "account" : "payment method";
      break;
    case SetupGridKind::Groups:
      what = "customer type";
      break;
    case SetupGridKind::Items:
      break;
  }
  return std::string("QuickBooks has no ") + what + " of that name";
}

bool SetupLogic::SaveMe() {
  bool saved = false;
  guarded("SaveMe", [&] { saved = save(); });
  return saved;
}

bool SetupLogic::save() {
  // A changed item name must name a QuickBooks item an invoice line can use.
  const auto& items = grid(SetupGridKind::Items).rows;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const auto& r = items[i];
    if (i < loadedItems_.size() && loadedItems_[i] == r[1]) continue;
    if (std::string wrong = checkValue(SetupGridKind::Items, 1, r[1]); !wrong.empty()) {
      app.ui.messageBox("The setup was not saved: the QuickBooks item \"" + r[1] +
                            "\" given for the sales group \"" + r[0] + "\" is unknown (" + wrong +
                            ").\r\nChoose an item from the list or type its full name.",
                        Buttons::Ok, Icon::Information, "Error");
      return false;
    }
  }

  RecordDoc& batch = app.sqlBatch;
  batch.Clear();
  batch.SetTag("strStatements");
  long position = 0;
  for (const std::string& statement : batchStatements())
    batch.AppendChild("str" + std::to_string(++position), statement);
  std::string failed;
  if (!write_data2(app, &failed)) {
    // Nothing of the batch stayed, and the settings file is left as it was. No statement is
    // named when the database could not be opened.
    const std::string why = failed.empty()
                                ? "The Vantora database could not be opened:\r\n" + app.databasePath
                                : "This statement failed:\r\n" + failed;
    app.ui.messageBox("The setup was not saved and nothing was changed. " + why, Buttons::Ok,
                      Icon::Critical, "Error");
    return false;
  }

  // The batch has committed: now the settings.
  reloadSetupDocument();
  for (std::size_t i = 0; i < kSetupSwitches.size(); ++i) {
    app.setup.EnsureChild(kSetupSwitches[i].key());
    app.setup.SetChildValue(kSetupSwitches[i].key(), switches[i] ? "1" : "0");
  }
  app.setup.SetChildValue("qbsetupcmbcountry", country);
  app.setup.SetChildValue("setcountryon", country.empty() ? "0" : "1");
  app.setup.SetChildValue("customdateformat", dateFormat);
  save_setup_document(app);

  const bool loaded = reloadLists_();
  // The loader read the file just saved; save it again as the window does.
  save_setup_document(app);
  return loaded;
}

// ---- Bulk tools -----------------------------------------------------------------------------

void SetupLogic::import_taxItems() {
  guarded("import_taxItems", [&] {
    if (app.ui.messageBox("Are you sure you want to import all tax items from QuickBooks? This "
                          "action will not import tax items already associated with another tax "
                          "item in Vantora.",
                          Buttons::YesNo, Icon::Question, "Confirm") != Answer::Yes)
      return;
    app.qbTaxItems.MoveToRoot();
    if (app.qbTaxItems.GetChildCount() == 0) return;
    RecordDoc copy = app.qbTaxItems.Clone();
    std::vector<std::pair<std::string, std::string>> rates;  // name, rate, in list order
    each_entry(
        copy, [&](pugi::xml_node e) { rates.emplace_back(child(e, "Name"), child(e, "TaxRate")); });
    RecordDoc members;
    const SetupGrid& taxes = grid(SetupGridKind::TaxItems);
    auto mapped = [&](const std::string& name) {
      return std::any_of(taxes.rows.begin(), taxes.rows.end(),
                         [&](const auto& r) { return r[1] == name; });
    };
    auto insert = [&](const std::string& name, std::string rate, const std::string& groupXml) {
      std::optional<std::int64_t> link = GetNewLink(app, "", 0);
      if (!link) return;
      if (rate.empty()) rate = "0";  // an item without a rate would leave the SQL unfinished
      write_data(app,
                 "INSERT INTO TAX ([Link], [Description], [Rate], [QBLink], [Hide], WebAccount, "
                 "taxGroupXML) VALUES(" +
                     std::to_string(*link) + ", '" + sql_quote(name) + "', " + rate + ", '" +
                     sql_quote(name) + "', 0, '', '" + sql_quote(groupXml) + "')");
    };
    each_entry(app.qbTaxItems, [&](pugi::xml_node e) {
      const std::string name = child(e, "Name");
      if (mapped(name)) return;
      const std::string_view tag = e.name();
      if (tag == "ItemSalesTaxRet") {
        insert(name, child(e, "TaxRate"), "");
      } else if (tag == "ItemSalesTaxGroupRet") {
        members.Clear();
        members.SetTag("taxGroup");
        for (pugi::xml_node ref : e.children("ItemSalesTaxRef")) {
          const std::string member = ref.child_value("FullName");
          auto found = std::find_if(rates.begin(), rates.end(),
                                    [&](const auto& r) { return r.first == member; });
          if (found != rates.end()) members.AppendChild("tx", found->second);
        }
        members.MoveToRoot();
        insert(name, child(e, "TaxRate"), members.GetXml());
      }
    });
    snapshot(app, "Select * from tax", true, app.taxSnapshot);
    fill_taxes();
  });
}

void SetupLogic::upd_taxpercentages() {
  guarded("upd_taxpercentages", [&] {
    if (app.ui.messageBox("This action will update all the tax percentages in Vantora to match "
                          "the associated tax percentage in QuickBooks. Are you sure you want to "
                          "continue ?",
                          Buttons::YesNo, Icon::Question, "Confirm") != Answer::Yes)
      return;
    for (const auto& r : grid(SetupGridKind::TaxItems).rows) {
      if (r[1].empty()) continue;
      std::string rate;
      bool found = false;
      each_entry(app.qbTaxItems, [&](pugi::xml_node e) {
        if (!found && child(e, "Name") == r[1]) {
          found = true;
          rate = number_text(numeric_value(child(e, "TaxRate")));
        }
      });
      if (!found) continue;
      write_data(app, "UPDATE Tax SET rate = " + rate + " WHERE link = " + r[2]);
      app.taxSnapshot.MoveToRoot();
      if (app.taxSnapshot.MoveToChild("record" + r[2])) {
        app.taxSnapshot.SetChildValue("rate", rate);
        app.taxSnapshot.MoveToRoot();
      }
    }
    fill_taxes();
  });
}

void SetupLogic::cmdImportClasses_Click() {
  guarded("cmdImportClasses_Click", [&] {
    snapshot(app, "Select * from qbclass", true, app.classSnapshot);
    ObjSearch& search = components().search;
    search.reset();
    search.settings.qbxmlVersion = "3.0";
    search.queryKind = ObjSearch::kClasses;
    search.run();
    RecordDoc record;
    for (int i = 0; i < search.resultCount(); ++i) {
      record.Clear();
      record.LoadXml(search.result(i));
      const std::string name = record.GetChildContent("FullName");
      bool known = false;
      each_entry(app.classSnapshot,
                 [&](pugi::xml_node r) { known = known || child(r, "description") == name; });
      if (known) continue;
      std::optional<std::int64_t> link = GetNewLink(app, "QBClass", 50);
      if (!link) continue;
      write_data(app, "INSERT INTO QBClass (Link, [Description]) VALUES (" + std::to_string(*link) +
                          ", '" + sql_quote(name) + "')");
    }
    app.ui.messageBox("Class Import Complete.", Buttons::Ok, Icon::Information, "Confirm");
  });
}

void SetupLogic::export_customerGroup(const std::string& description) {
  guarded("export_customerGroup", [&] {
    std::string value;
    bool found = false;
    each_entry(app.qbCustomerTypes, [&](pugi::xml_node type) {
      if (!found && child(type, "Name") == description) {
        found = true;
        value = child(type, "FullName");
      }
    });
    if (!found) {
      qb::QBLists& lists = components().lists;
      lists.reset();
      lists.listKind = qb::QBLists::kCustomerType;
      lists.name = description;
      lists.add();
      value = description;
    }
    write_data(app, "UPDATE CustIndustry SET QuickBooks = '" + sql_quote(value) +
                        "' WHERE Description = '" + sql_quote(description) + "'");
    pop_QBCustomerGroups(app, components());
  });
}

void SetupLogic::exportUnassociatedGroups() {
  guarded("dMnu_ItemClick", [&] {
    // A refused save stops here: the grid keeps the user's unsaved mappings.
    if (groupsEdited && !cmdUpdate_Click()) return;
    // Copies: each export may refill the grid's choices.
    const std::vector<std::vector<std::string>> rows = grid(SetupGridKind::Groups).rows;
    for (const auto& r : rows) {
      if (!r[1].empty()) continue;
      setCaption("Exporting " + r[0]);
      app.ui.processEvents();
      export_customerGroup(r[0]);
    }
    setCaption("Setup");
    refresh_customerGroups();
  });
}

void SetupLogic::refresh_customerGroups() {
  guarded("refresh_customerGroups", [&] {
    snapshot(app, "Select * from custIndustry order by description", true, app.industrySnapshot);
    pop_QBCustomerGroups(app, components());
    pop_CustomerGroups();
    fill_CustomerGroups();
  });
}

}  // namespace vqb
