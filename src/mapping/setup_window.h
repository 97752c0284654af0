#pragma once
// The setup window frmSetup without its widgets: seven mapping grids (Vantora codes beside
// their QuickBooks counterparts), five mapping switches, the country, a custom date format,
// the discount and subtotal items, and four bulk tools. The Qt window draws this state and
// forwards edits and clicks here; vqb-cli drives the same logic for bulk work.
//
// Nothing reaches the Vantora database before SaveMe (the bulk tools write at once). SaveMe
// writes every grid row back in one SQL batch, all or nothing; the setup keys are saved only
// after the batch has committed. Errors of the window's procedures go to the common error
// report of "frmSetup".

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/app.h"
#include "app/menu.h"
#include "quickbooks/component_set.h"
#include "quickbooks/session.h"

namespace vqb {

enum class SetupGridKind { Items, TaxItems, TaxCodes, Reps, Terms, Payments, Groups };
inline constexpr std::size_t kSetupGridCount = 7;

// One drop-down entry: its columns; the first is what goes into the cell.
using SetupChoice = std::vector<std::string>;

struct SetupGrid {
  SetupGridKind kind;
  std::string name;                  // "fgItems", ...
  std::string title;                 // the tab's caption
  std::vector<std::string> headers;  // one per column
  // Data rows; column 0 the Vantora text, 1 the QuickBooks value, the last the row's key
  // (code for fgItems, link otherwise). fgPayments: 2 the account, 3 the link (hidden).
  std::vector<std::vector<std::string>> rows;
  std::vector<SetupChoice> choices;         // column 1
  std::vector<SetupChoice> accountChoices;  // fgPayments column 2
  int hiddenColumn{-1};
  // Whether column `c` is edited through a drop-down of QuickBooks entries.
  bool editable(int c) const { return c == 1 || (kind == SetupGridKind::Payments && c == 2); }
  const std::vector<SetupChoice>& choicesOf(int c) const {
    return c == 2 ? accountChoices : choices;
  }
};

// The grids in the order SaveMe writes them.
inline constexpr std::array<SetupGridKind, kSetupGridCount> kSaveOrder = {
    SetupGridKind::Items, SetupGridKind::TaxCodes, SetupGridKind::TaxItems, SetupGridKind::Reps,
    SetupGridKind::Terms, SetupGridKind::Payments, SetupGridKind::Groups};

// The setup keys of the switches, in the order shown.
struct SetupSwitch {
  std::string_view control;  // "chkSalesTax"
  std::string_view caption;
  std::string key() const;  // "qbsetup" + the lower-cased control name
};
extern const std::array<SetupSwitch, 5> kSetupSwitches;

class SetupLogic {
 public:
  static constexpr long kProgressSteps = 17;
  static constexpr long kItemListLimit = 300;
  static constexpr const char* kModule = "frmSetup";

  // `connect` gives the QuickBooks session of the window's own components; `reloadLists`
  // runs the loader window (Part of saving) and answers whether it loaded; by default a
  // ListLoader over `connect`.
  SetupLogic(App& app, std::function<qb::Session&()> connect,
             std::function<bool()> reloadLists = {});
  ~SetupLogic();
  SetupLogic(const SetupLogic&) = delete;
  SetupLogic& operator=(const SetupLogic&) = delete;

  App& app;

  std::array<SetupGrid, kSetupGridCount> grids;
  std::array<bool, 5> switches{};
  std::vector<std::string> countries;  // cmbCountry's entries
  std::string country;
  std::string dateFormat;  // txtDateFormat
  std::vector<std::string> discountItems, subtotalItems;
  std::string discount;  // cmbDiscount's text
  std::string subtotal;  // cmbSubtotalItem's text (not stored anywhere)
  bool loading{false};   // picLoad is shown
  bool groupsEdited{false};
  std::string caption{"Setup"};
  // Told each new caption at once, so the window shows it while a bulk tool runs.
  std::function<void(const std::string&)> onCaption;
  Menu menu;  // dMnu: the last menu built
  // Where pop_me's progress goes (the window's own bar); app.ui's bar when unset.
  std::function<void(long, long)> onProgress;

  SetupGrid& grid(SetupGridKind kind) { return grids[static_cast<std::size_t>(kind)]; }
  const SetupGrid& grid(SetupGridKind kind) const { return grids[static_cast<std::size_t>(kind)]; }
  // The grid named "fgItems", ...; nullptr when none.
  SetupGrid* findGrid(std::string_view name);

  // Window events.
  void Form_Load();  // the components' application name; progress 0 of 17
  void pop_me();     // fills every drop-down and grid
  // SaveMe, then "Setup saved" when it succeeded.
  bool cmdUpdate_Click();
  // False when the save was refused, failed or the lists did not load again; errors go to the
  // common error report of "SaveMe".
  bool SaveMe();
  void TB2_ButtonClick(const std::string& caption);       // "Import", "Update Tax %"
  void tbGroups_ButtonClick(const std::string& caption);  // "Export", "Import": builds `menu`
  void dMnu_ItemClick(const std::string& key);
  void cmdImportClasses_Click();
  void cmdHelp_Click();

  // Edits. Setting a cell of fgGroups marks the groups edited.
  void setCell(SetupGridKind kind, std::size_t row, int column, const std::string& value);
  // Chooses entry `index` of a column's drop-down: its first column goes into the cell.
  void chooseCell(SetupGridKind kind, std::size_t row, int column, std::size_t index);
  long selectedGroupRow{-1};  // the fgGroups row the export menu names

  // The QuickBooks drop-downs.
  void pop_subtotal();
  void pop_discount();
  void pop_reps();
  void pop_taxitems();
  void pop_taxcodes();
  void pop_CustomerGroups();
  void pop_Terms();
  void pop_Payments();
  void pop_Items();
  // The grids and settings.
  void fill_general();
  void fill_taxes();
  void fill_taxcodes();
  void fill_reps();
  void fill_terms();
  void fill_Payments();
  void fill_CustomerGroups();
  void fill_Items();

  // Bulk tools.
  void import_taxItems();
  void upd_taxpercentages();
  void export_customerGroup(const std::string& description);
  void exportUnassociatedGroups();  // "mnuGroupExport3"
  void refresh_customerGroups();

  // The statements SaveMe runs, in order.
  std::vector<std::string> batchStatements() const;
  // "" when `value` may go into the column (empty, or an entry of its drop-down, or for
  // fgItems a sellable QuickBooks item found by name); otherwise what is wrong with it.
  std::string checkValue(SetupGridKind kind, int column, const std::string& value);

 private:
  qb::ComponentSet& components();
  template <class Body>
  void guarded(const char* procedure, Body&& body);
  void reloadSetupDocument();
  void setCaption(std::string text);
  bool save();  // SaveMe's body
  bool itemExists(const std::string& name);

  std::function<qb::Session&()> connect_;
  std::function<bool()> reloadLists_;
  std::unique_ptr<qb::ComponentSet> components_;
  std::vector<std::string> loadedItems_;  // fgItems column 1 as filled, to spot typed names
};

}  // namespace vqb
