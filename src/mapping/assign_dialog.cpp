#include "mapping/assign_dialog.h"

#include <cctype>
#include <exception>
#include <utility>

#include "app/errors.h"
#include "app/text_helpers.h"

namespace vqb {
namespace {

constexpr const char* kModule = "frmAssign";

std::string child(pugi::xml_node row, const char* tag) {
  return row.child_value(tag);
}

bool ends_in_t(std::string_view tag) {
  return !tag.empty() && std::toupper(static_cast<unsigned char>(tag.back())) == 'T';
}

std::vector<std::string> split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.emplace_back(
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

}  // namespace

std::vector<AssignColumn> parse_column_layout(std::string_view layout) {
  std::vector<AssignColumn> columns;
  if (layout.empty()) return columns;
  for (const std::string& group : split(layout, '|')) {
    const std::vector<std::string> fields = split(group, ';');
    AssignColumn column;
    column.index = fields.size() > 0 ? static_cast<int>(numeric_value(fields[0])) : 0;
    column.width = fields.size() > 1 ? static_cast<int>(numeric_value(fields[1])) : 0;
    column.alignment = fields.size() > 2 ? fields[2] : "<";
    column.caption = fields.size() > 3 ? fields[3] : "";
    columns.push_back(std::move(column));
  }
  return columns;
}

AssignDialogLogic::AssignDialogLogic(App& app, std::function<qb::ComponentSet&()> components)
    : app_(app), components_(std::move(components)) {}

AssignDialogLogic::AssignDialogLogic(App& app, qb::ComponentSet& components)
    : AssignDialogLogic(app, [&components]() -> qb::ComponentSet& { return components; }) {}

int AssignDialogLogic::message_lines(std::string_view message) {
  int lines = 1;
  std::size_t run = 0;
  std::size_t i = 0;
  while (i < message.size()) {
    if (message[i] == '\r') {
      ++lines;
      run = 0;
      ++i;
      continue;
    }
    // One character, however many bytes it takes.
    ++i;
    while (i < message.size() && (static_cast<unsigned char>(message[i]) & 0xC0) == 0x80) ++i;
    if (++run == 80) {
      ++lines;
      run = 0;
    }
  }
  return lines;
}

void AssignDialogLogic::Form_Load() {
  const SharedSlots& slots = app_.sharedSlots;
  title_ = slots[1];
  message_ = slots[2];
  mode_ = slots[3];
  dropDownOffset_ = message_lines(message_) * 180 + 150;
  rows_.clear();
  selected_ = -1;
  closed_ = false;
}

template <class Keep, class Columns>
void AssignDialogLogic::fill_list(RecordDoc& source, std::string_view layout, int valueColumn,
                                  Keep&& keep, Columns&& columns) {
  source.MoveToRoot();
  rows_.clear();
  selected_ = -1;
  valueColumn_ = valueColumn;
  layout_ = std::string(layout);
  columns_ = parse_column_layout(layout_);
  for (pugi::xml_node entry = source.Current().first_child(); entry; entry = entry.next_sibling()) {
    if (entry.type() != pugi::node_element) continue;
    if (keep(entry)) rows_.push_back(columns(entry));
  }
  source.MoveToRoot();
}

void AssignDialogLogic::fill_class() {
  rows_.clear();
  selected_ = -1;
  valueColumn_ = 0;
  layout_.clear();
  columns_ = {AssignColumn{0, dropDownWidth, "<", ""}};
  RecordDoc& classes = app_.qbClasses;
  classes.MoveToRoot();
  for (pugi::xml_node entry = classes.Current().first_child(); entry; entry = entry.next_sibling())
    if (entry.type() == pugi::node_element && ends_in_t(entry.name()))
      rows_.push_back({entry.text().get()});
  classes.MoveToRoot();

  const SharedSlots& slots = app_.sharedSlots;
  if (slots[400] == "ShowCreateButton") {
    createCaption_ = "Create QuickBooks class called: " + slots[401];
    createVisible_ = true;
  }
}

void AssignDialogLogic::fill_free_text() {
  dropDownVisible_ = false;
  textBoxVisible_ = true;
  text_.clear();
  focus_ = Focus::TextBox;
}

void AssignDialogLogic::fill_me() {
  try {
    const SharedSlots& slots = app_.sharedSlots;
    const std::string& parameter = slots[5];
    auto all = [](pugi::xml_node) { return true; };
    auto active = [](pugi::xml_node entry) { return child(entry, "IsActive") == "true"; };
    auto shown = [](pugi::xml_node entry) { return child(entry, "hide") != "1"; };

    if (mode_ == "Tax Item QuickBooks") {
      const double rate = numeric_value(parameter);
      fill_list(
          app_.qbTaxItems,
          "0;1600;<;Code|1;2500;<;Description|2;1000;<;Rate|3;1000;<;Type|4;0;<;ID", 4,
          [&](pugi::xml_node entry) { return numeric_value(child(entry, "TaxRate")) == rate; },
          [](pugi::xml_node entry) {
            const bool item = std::string_view(entry.name()) == "ItemSalesTaxRet";
            return Row{child(entry, "Name"), child(entry, "ItemDesc"), child(entry, "TaxRate"),
                       item ? "Tax Item" : "Tax Group", child(entry, "Name")};
          });
    } else if (mode_ == "Tax Item Vantora") {
      fill_list(
          app_.taxSnapshot, "0;2000;<;Description|1;1000;<;Rate|2;0;<;Link", 2, all,
          [](pugi::xml_node entry) {
            return Row{child(entry, "description"), child(entry, "rate"), child(entry, "link")};
          });
    } else if (mode_ == "Sales Rep Vantora") {
      fill_list(
          app_.usersSnapshot, "0;2000;<;Description|1;0;<;Link", 1,
          [](pugi::xml_node entry) { return child(entry, "allowsales") == "1"; },
          [](pugi::xml_node entry) {
            return Row{child(entry, "firstname"), child(entry, "link")};
          });
    } else if (mode_ == "Sales Rep QuickBooks") {
      fill_list(app_.qbReps, "0;2500;<;Name|1;800;<;Initial", 1, active, [](pugi::xml_node entry) {
        return Row{entry.child("SalesRepEntityRef").child_value("FullName"),
                   child(entry, "Initial")};
      });
    } else if (mode_ == "Customer Terms Vantora") {
      fill_list(app_.termsSnapshot, "0;2000;<;Description|1;0;<;Link", 1, shown,
                [](pugi::xml_node entry) {
                  return Row{child(entry, "description"), child(entry, "link")};
                });
    } else if (mode_ == "Customer Terms QuickBooks") {
      fill_list(app_.qbTerms, "0;1600;<;Description|1;0;<;Link", 1, active,
                [](pugi::xml_node entry) {
                  return Row{child(entry, "Name"), child(entry, "Name")};
                });
    } else if (mode_ == "Sales Group Vantora") {
      fill_list(app_.salesGroupSnapshot, "0;2000;<;Description|1;200;<;QuickBooks Item", 0, shown,
                [](pugi::xml_node entry) {
                  return Row{child(entry, "code"), child(entry, "qb")};
                });
    } else if (mode_ == "QuickBooks Discount Item" || mode_ == "QuickBooks Item") {
      fill_free_text();
    } else if (mode_ == "QuickBooks Tax Code") {
      const std::string taxability = parameter == "1" ? "true" : "false";
      fill_list(
          app_.qbTaxCodes, "0;" + std::to_string(dropDownWidth) + ";<;Description|1;0;<;Link", 1,
          [&](pugi::xml_node entry) {
            return child(entry, "IsActive") == "true" && child(entry, "IsTaxable") == taxability;
          },
          [](pugi::xml_node entry) {
            return Row{child(entry, "Name"), child(entry, "Name")};
          });
    } else if (mode_ == "Tax Codes Vantora") {
      fill_list(
          app_.lineTaxSnapshot, "0;2000;<;Vantora Code|1;1000;<;QB Code|2;0;<;Link", 2, all,
          [](pugi::xml_node entry) {
            return Row{child(entry, "code"), child(entry, "quickbooks"), child(entry, "link")};
          });
    } else if (mode_ == "QuickBooks Class") {
      fill_class();
    } else if (mode_ == "Payment Method Vantora") {
      fill_list(app_.paymentMethodSnapshot, "0;2000;<;Description|1;0;<;Link", 1, all,
                [](pugi::xml_node entry) {
                  return Row{child(entry, "description"), child(entry, "link")};
                });
    } else if (mode_ == "Payment Method QuickBooks") {
      fill_list(app_.qbPayMethods, "0;2500;<;Desccription|1;0;<;Link", 1, active,
                [](pugi::xml_node entry) {
                  return Row{child(entry, "Name"), child(entry, "Name")};
                });
    } else if (mode_ == "QuickBooks Accounts") {
      fill_list(app_.qbAccounts, "0;2300;<;Account Name|1;4000;<;Full Name", 0, all,
                [](pugi::xml_node entry) {
                  return Row{entry.text().get(), child(entry, "fname")};
                });
    } else if (mode_ == "QuickBooks Customer Type") {
      fill_list(app_.qbCustomerTypes, "0;2500;<;Name|1;0;<;Initial", 1, all,
                [](pugi::xml_node entry) {
                  return Row{child(entry, "Name"), child(entry, "FullName")};
                });
    }

    if (dropDownVisible_) {
      if (rows_.size() == 1) {
        selected_ = 0;
        updateDefault_ = true;
      } else {
        focus_ = Focus::DropDown;
        updateDefault_ = false;
      }
    }
  } catch (const std::exception& error) {
    show_common_error(app_.ui, kModule, "fill_me", error);
  }
}

void AssignDialogLogic::selectRow(int row) {
  if (row < -1 || row >= static_cast<int>(rows_.size())) return;
  selected_ = row;
}

bool AssignDialogLogic::cmdUpdate_Click() {
  SharedSlots& slots = app_.sharedSlots;
  if (dropDownVisible_) {
    if (selected_ < 0 || selected_ >= static_cast<int>(rows_.size())) {
      app_.ui.messageBox("Please select valid item from the drop down list.", Buttons::Ok,
                         Icon::Information, "Error");
      focus_ = Focus::DropDown;
      return false;
    }
    const Row& row = rows_[static_cast<std::size_t>(selected_)];
    slots[0] = static_cast<std::size_t>(valueColumn_) < row.size()
                   ? row[static_cast<std::size_t>(valueColumn_)]
                   : "";
    closed_ = true;
    return true;
  }
  if (textBoxVisible_) {
    if (text_.empty()) {
      app_.ui.messageBox("Please select valid text in order to update.", Buttons::Ok,
                         Icon::Information, "Error");
      focus_ = Focus::TextBox;
      return false;
    }
    slots[0] = text_;
    closed_ = true;
    return true;
  }
  return false;
}

bool AssignDialogLogic::cmdCreate_Click() {
  if (mode_ != "QuickBooks Class" || !createVisible_) return false;
  SharedSlots& slots = app_.sharedSlots;
  const std::string name = slots[401];
  if (name.empty()) {
    app_.ui.messageBox(
        "No class id specified. Please select another Class id from the drop down list",
        Buttons::Ok, Icon::None, "");
    return false;
  }
  try {
    qb::ComponentSet& components = components_();
    qb::QBLists& lists = components.lists;
    lists.reset();
    components.set_Country(app_.applyConnectionSettings);
    lists.listKind = qb::QBLists::kClass;  // [3]
    lists.name = name;                     // [16]
    lists.add();                           // [502]
  } catch (const std::exception& error) {
    show_common_error(app_.ui, kModule, "cmdCreate_Click", error);
    return false;
  }
  slots[0] = name;
  closed_ = true;
  return true;
}

}  // namespace vqb
