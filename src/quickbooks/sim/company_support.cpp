// Kinds, XML helpers, field checks and dates of the simulated company.

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <ctime>
#include <sstream>

#include "app/text_helpers.h"
#include "quickbooks/sim/company_state.h"
#include "quickbooks/sim/qbxml_layouts.h"

namespace vqb::qb::sim {
namespace {

const KindInfo kKinds[kKindCount] = {
    {Kind::Customer, "Customer", "CustomerRet", "Customers", Space::Entity, "Customer"},
    {Kind::Vendor, "Vendor", "VendorRet", "Vendors", Space::Entity, "Vendor"},
    {Kind::Employee, "Employee", "EmployeeRet", "Employees", Space::Entity, "Employee"},
    {Kind::ItemService, "ItemService", "ItemServiceRet", "Items", Space::Item, "Item"},
    {Kind::ItemNonInventory, "ItemNonInventory", "ItemNonInventoryRet", "Items", Space::Item,
     "Item"},
    {Kind::ItemOtherCharge, "ItemOtherCharge", "ItemOtherChargeRet", "Items", Space::Item, "Item"},
    {Kind::ItemDiscount, "ItemDiscount", "ItemDiscountRet", "Items", Space::Item, "Item"},
    {Kind::ItemSubtotal, "ItemSubtotal", "ItemSubtotalRet", "Items", Space::Item, "Item"},
    {Kind::ItemSalesTax, "ItemSalesTax", "ItemSalesTaxRet", "Items", Space::Item, "Item"},
    {Kind::ItemSalesTaxGroup, "ItemSalesTaxGroup", "ItemSalesTaxGroupRet", "Items", Space::Item,
     "Item"},
    {Kind::SalesTaxCode, "SalesTaxCode", "SalesTaxCodeRet", "SalesTaxCodes", Space::SalesTaxCode,
     "Sales Tax Code"},
    {Kind::SalesRep, "SalesRep", "SalesRepRet", "SalesReps", Space::SalesRep, "Sales Rep"},
    {Kind::CustomerType, "CustomerType", "CustomerTypeRet", "CustomerTypes", Space::CustomerType,
     "Customer Type"},
    {Kind::PaymentMethod, "PaymentMethod", "PaymentMethodRet", "PaymentMethods",
     Space::PaymentMethod, "Payment Method"},
    {Kind::StandardTerms, "StandardTerms", "StandardTermsRet", "Terms", Space::Terms, "Terms"},
    {Kind::DateDrivenTerms, "DateDrivenTerms", "DateDrivenTermsRet", "Terms", Space::Terms,
     "Terms"},
    {Kind::Class, "Class", "ClassRet", "Classes", Space::Class, "Class"},
    {Kind::Account, "Account", "AccountRet", "Accounts", Space::Account, "Account"},
    {Kind::Invoice, "Invoice", "InvoiceRet", "Invoices", Space::None, "Invoice"},
    {Kind::ReceivePayment, "ReceivePayment", "ReceivePaymentRet", "ReceivePayments", Space::None,
     "Receive Payment"},
    {Kind::PurchaseOrder, "PurchaseOrder", "PurchaseOrderRet", "PurchaseOrders", Space::None,
     "Purchase Order"},
};

bool validDate(std::string_view text) {
  if (text.size() < 10 || text[4] != '-' || text[7] != '-') return false;
  for (int i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  int year = std::stoi(std::string(text.substr(0, 4)));
  unsigned month = static_cast<unsigned>(std::stoi(std::string(text.substr(5, 2))));
  unsigned day = static_cast<unsigned>(std::stoi(std::string(text.substr(8, 2))));
  return std::chrono::year_month_day{std::chrono::year{year}, std::chrono::month{month},
                                     std::chrono::day{day}}
      .ok();
}

bool validInteger(std::string_view text) {
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::chrono::year_month_day parseDate(const std::string& iso) {
  if (!validDate(iso)) return std::chrono::year_month_day{};
  return {std::chrono::year{std::stoi(iso.substr(0, 4))},
          std::chrono::month{static_cast<unsigned>(std::stoi(iso.substr(5, 2)))},
          std::chrono::day{static_cast<unsigned>(std::stoi(iso.substr(8, 2)))}};
}

std::string dateText(std::chrono::year_month_day date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return text;
}

// The day of a month, moved back to the month's last day when the month is shorter.
std::chrono::year_month_day dayOfMonth(std::chrono::year_month ym, int day) {
  unsigned last = static_cast<unsigned>(
      std::chrono::year_month_day_last{ym.year(), std::chrono::month_day_last{ym.month()}}.day());
  unsigned wanted = static_cast<unsigned>(std::clamp(day, 1, 31));
  return {ym.year(), ym.month(), std::chrono::day{std::min(wanted, last)}};
}

}  // namespace

std::string kindName(Kind kind) {
  return kindInfo(kind).name;
}

std::optional<Kind> kindFromName(std::string_view name) {
  std::string wanted = lower(name);
  for (const KindInfo& info : kKinds) {
    if (lower(info.name) == wanted) return info.kind;
  }
  return std::nullopt;
}

const KindInfo& kindInfo(Kind kind) {
  return kKinds[static_cast<int>(kind)];
}

std::optional<Kind> kindOfRet(std::string_view retTag) {
  for (const KindInfo& info : kKinds) {
    if (retTag == info.ret) return info.kind;
  }
  return std::nullopt;
}

bool isTransaction(Kind kind) {
  return kindInfo(kind).space == Space::None;
}

int txnSlot(Kind kind) {
  return static_cast<int>(kind) - static_cast<int>(Kind::Invoice);
}

std::string lower(std::string_view text) {
  return to_lower_ascii(text);
}

std::string childText(pugi::xml_node node, const char* name) {
  return node.child(name).child_value();
}

pugi::xml_node setChild(pugi::xml_node parent, const char* name, const std::string& text) {
  pugi::xml_node child = parent.child(name);
  if (!child) child = parent.append_child(name);
  child.text().set(text.c_str());
  return child;
}

bool isTrue(std::string_view text) {
  return lower(text) == "true" || text == "1";
}

void sortBySchema(pugi::xml_node node) {
  const ElementLayout* layout = findLayout(node.name());
  if (layout == nullptr) return;
  std::vector<std::pair<int, pugi::xml_node>> children;
  for (pugi::xml_node child : node.children()) {
    if (child.type() != pugi::node_element) continue;
    const FieldLayout* field = findField(*layout, child.name());
    children.emplace_back(field ? field->rank : INT_MAX, child);
    if (field && field->kind == 'c') sortBySchema(child);
  }
  std::stable_sort(children.begin(), children.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [rank, child] : children) node.append_move(child);
}

std::string withCarriageReturnsEscaped(std::string xml) {
  std::string out;
  out.reserve(xml.size());
  for (char c : xml) {
    if (c == '\r') {
      out += "&#13;";
    } else {
      out += c;
    }
  }
  return out;
}

std::string nodeXml(pugi::xml_node node) {
  std::ostringstream out;
  node.print(out, "", pugi::format_raw);
  return withCarriageReturnsEscaped(out.str());
}

void checkFields(pugi::xml_node node) {
  const ElementLayout* layout = findLayout(node.name());
  if (layout == nullptr) return;
  for (pugi::xml_node child : node.children()) {
    if (child.type() != pugi::node_element) continue;
    const FieldLayout* field = findField(*layout, child.name());
    if (field == nullptr) continue;
    if (field->kind == 'c') {
      checkFields(child);
      continue;
    }
    std::string text = child.child_value();
    std::string quoted = "\"" + text + "\" in the field \"" + child.name() + "\"";
    if (field->maxLength > 0 && char_count(text) > static_cast<std::size_t>(field->maxLength)) {
      throw StatusError(status::kTooLong, "The string " + quoted + " is too long.");
    }
    if (field->kind == 'a' && !parseDecimal(text)) {
      throw StatusError(status::kBadAmount,
                        "There was an error when converting the amount " + quoted + ".");
    }
    if (field->kind == 'i' && !validInteger(text)) {
      throw StatusError(status::kBadAmount,
                        "There was an error when converting the number " + quoted + ".");
    }
    if (field->kind == 'd' && !validDate(text)) {
      throw StatusError(status::kBadDate,
                        "There was an error when converting the date value " + quoted + ".");
    }
    if (field->kind == 'b' && lower(text) != "true" && lower(text) != "false") {
      throw StatusError(status::kBadBoolean,
                        "There was an error when converting the boolean value " + quoted + ".");
    }
  }
}

std::int64_t centsOf(pugi::xml_node node, const char* name) {
  std::optional<Decimal> value = decimalOf(node, name);
  return value ? toCents(*value) : 0;
}

std::optional<Decimal> decimalOf(pugi::xml_node node, const char* name) {
  pugi::xml_node child = node.child(name);
  if (!child) return std::nullopt;
  return parseDecimal(child.child_value());
}

pugi::xml_node mergeAggregate(pugi::xml_node work, pugi::xml_node change) {
  pugi::xml_node target = work.child(change.name());
  if (!target) target = work.append_child(change.name());
  for (pugi::xml_node part : change.children()) {
    if (std::string_view(part.child_value()).empty()) {
      target.remove_child(part.name());
    } else {
      setChild(target, part.name(), part.child_value());
    }
  }
  return target;
}

std::string entryName(pugi::xml_node ret) {
  if (pugi::xml_node full = ret.child("FullName")) return full.child_value();
  if (pugi::xml_node name = ret.child("Name")) return name.child_value();
  return ret.child("Initial").child_value();
}

std::string todayText() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

std::string addDays(const std::string& isoDate, int days) {
  std::chrono::year_month_day date = parseDate(isoDate);
  if (!date.ok()) return isoDate;
  return dateText(
      std::chrono::year_month_day{std::chrono::sys_days{date} + std::chrono::days{days}});
}

std::string dueDateDriven(const std::string& isoDate, int dayOfMonthDue, int dueNextMonthDays) {
  std::chrono::year_month_day date = parseDate(isoDate);
  if (!date.ok()) return isoDate;
  std::chrono::year_month month{date.year(), date.month()};
  std::chrono::year_month_day due = dayOfMonth(month, dayOfMonthDue);
  if (std::chrono::sys_days{due} < std::chrono::sys_days{date}) {
    month += std::chrono::months{1};
    due = dayOfMonth(month, dayOfMonthDue);
  }
  // Issued within dueNextMonthDays of the due date: due a month later.
  if ((std::chrono::sys_days{due} - std::chrono::sys_days{date}).count() < dueNextMonthDays) {
    month += std::chrono::months{1};
    due = dayOfMonth(month, dayOfMonthDue);
  }
  return dateText(due);
}

}  // namespace vqb::qb::sim
