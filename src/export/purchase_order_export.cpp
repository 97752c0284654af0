#include "export/purchase_order_export.h"

#include <cmath>
#include <exception>
#include <optional>
#include <vector>

#include "app/errors.h"
#include "app/module1.h"
#include "app/setup_file.h"
#include "app/text_helpers.h"
#include "export/customer_export.h"
#include "export/field_cuts.h"
#include "export/intent_journal.h"
#include "export/intent_recovery.h"
#include "export/send_loop.h"
#include "export/supplier_export.h"
#include "mapping/existence.h"
#include "mapping/list_loader.h"
#include "mapping/party_check.h"
#include "mapping/validators.h"

namespace vqb {
namespace {

using send_steps::load;
using send_steps::rate_giving;
using send_steps::reference_search;
using send_steps::sent_on_the_way;
using send_steps::setup_on;
using send_steps::Stop;
using send_steps::whole;

constexpr const char* kCrlf = "\r\n";
constexpr const char* kCannotOpenOrder = "Cannot open purchase order in Vantora database.";
constexpr const char* kNotSent =
    "Possible duplicate purchase order. User selected not send purchase order.";
constexpr const char* kRowIndent = "-      ";
constexpr const char* kWoGap = "          ";  // ten spaces before the customer's name

// "12/6/2026 17:45": the memo's time stamp.
std::string status_time() {
  const double now = ole_now();
  return format_date(now, "Short Date") + " " + format_date(now, "Short Time");
}

// One SuppPODetail row, as the export uses it.
struct OrderRow {
  long line{};
  bool remark{};
  std::string salesGroup, style, description, color, size, notes;
  std::string woLink, woNumber, qty;  // as Vantora wrote them
  double unitCost{};
};

class PurchaseOrderSender {
 public:
  PurchaseOrderSender(MappingContext& ctx, long number)
      : ctx_(ctx), app_(ctx.app), number_(number), n_(std::to_string(number)) {}

  SendTask run() {
    try {
      read_order();
      send_checks_ahead();
      if (setup_on(app_, "chkduppurchaseorders"))
        if (auto answered = duplicate_check()) co_return *answered;
      check_lines();
      check_supplier();
      count_lines();
      fill_header();
      fill_lines();
      ctx_.components.purchaseOrder.isToBePrinted = !setup_on(app_, "chkmarkposprinted");
      AddedRecord added = co_await add_in_set(ctx_, "purchase order", n_,
                                              ctx_.components.purchaseOrder.addDocument());
      std::string result = mark_added(added.record());
      if (marked_) added.marked();
      co_return result;
    } catch (const Stop& stop) {
      co_return stop.text;
    } catch (const UnreadableAnswer& unknown) {
      co_return unknown.description();
    } catch (const VqbError& error) {
      show_common_error(app_.ui, "frmQB", "send_PO", error);
      co_return std::to_string(error.number()) + " " + error.description();
    } catch (const std::exception& error) {
      show_common_error(app_.ui, "frmQB", "send_PO", error);
      co_return std::string("0 ") + error.what();
    }
  }

  // The read-only checks of this order, sent ahead: the duplicate search, the supplier check
  // and the item checks not yet cached. Empty when the order cannot be read.
  std::vector<std::string> checks_ahead() {
    try {
      read_order();
      return check_documents();
    } catch (const Stop&) {
      return {};
    }
  }

 private:
  std::string supplier_sql() const {
    return "Select * from suppliers where link = " + whole(order_.GetChildContent("supplier"));
  }

  void read_order() {
    if (!load(app_, "Select * from QuickBooks", app_.qbSettingsSnapshot))
      throw Stop{"Unable to access Vantora QuickBooks table."};
    if (!load(app_, "Select * from suppPO where number = " + n_, order_))
      throw Stop{kCannotOpenOrder};
    if (!order_.MoveToFirstChild()) throw Stop{"Cannot find purchase order in Vantora database."};
    read_supplier("Cannot open supplier table in Vantora database.",
                  "Cannot find supplier in Vantora database.");
  }

  void read_supplier(const char* cannotOpen, const char* cannotFind) {
    if (!load(app_, supplier_sql(), supplier_)) throw Stop{cannotOpen};
    if (!supplier_.MoveToFirstChild()) throw Stop{cannotFind};
  }

  // The reference QuickBooks holds the order under: the one recorded, or the one it is sent
  // with (its number when QuickBooks numbers orders).
  std::string duplicate_reference() const {
    std::string reference = order_.GetChildContent("qbref");
    FieldCuts unnoted;
    return reference.empty() ? sent_reference(unnoted) : reference;
  }

  // Texts are cut to what QuickBooks takes: it refuses the whole order otherwise. A prefix too
  // long for the number is left for QuickBooks to refuse, as a cut would drop the number
  // itself.
  std::string sent_reference(FieldCuts& cuts) const {
    if (setup_on(app_, "chkqbassignponumbers")) return n_;
    if (setup_on(app_, "chkposupplierref"))
      return cuts.take("reference number", order_.GetChildContent("vendorref"),
                       kQbOrderRefNumberLength);
    if (setup_on(app_, "chkpoprefix")) return setup_value(app_, "txtpoprefix") + n_;
    return n_;
  }

  // The read-only checks this order is about to make, in one message set: the duplicate
  // search, the supplier check and the item checks not yet cached.
  void send_checks_ahead() {
    // In a send list they went ahead with the next records' already.
    if (!ctx_.components.session.batching() || AddQueue::current() != nullptr) return;
    if (std::vector<std::string> documents = check_documents(); documents.size() > 1)
      ctx_.components.session.prefetch(documents);
  }

  std::vector<std::string> check_documents() {
    std::vector<std::string> documents;
    if (setup_on(app_, "chkduppurchaseorders"))
      documents.push_back(send_steps::reference_search_document(
          ctx_, qb::ObjSearch::kPurchaseOrders, duplicate_reference()));
    const std::string account = supplier_.GetChildContent("qbaccount");
    if (!account.empty() && !memo_holds(app_.vendorMemo, supplier_.GetChildContent("id")))
      documents.push_back(ctx_.components.vendor.loadByNameDocument(account));
    return item_check_documents(
        ctx_,
        unvalidated_sales_group_items(
            app_, "Select distinct salesgroup from suppPODetail where poNumber = " + n_ +
                      " and RemarkLine <> 1"),
        std::move(documents));
  }

  // An answer when the user chose not to send the order.
  std::optional<std::string> duplicate_check() {
    const std::string reference = duplicate_reference();
    RecordDoc match;
    const std::string txnId = get_QBPORef(
        ctx_, reference, numeric_value(order_.GetChildContent("subtotal")),
        supplier_.GetChildContent("qbaccount"), &match, order_.GetChildContent("qburef"));
    if (txnId.empty()) return std::nullopt;
    const bool markDuplicates = setup_on(app_, "chkmarkduppurchaseorders");
    if (confirm_possible_duplicate(app_, "purchase order", supplier_.GetChildContent("description"),
                                   match, markDuplicates, false))
      return std::nullopt;
    if (!markDuplicates) return kNotSent;
    const std::string goodsIn = order_.GetChildContent("goodsin");
    const bool marked =
        mark_po_sent(app_, number_, match.GetChildContent("RefNumber"), txnId, goodsIn);
    // The QuickBooks order says what Vantora knew of the goods when it was found.
    qb::PurchaseOrder& found = ctx_.components.purchaseOrder;
    found.reset();
    ctx_.set_Country();
    found.loadById(txnId);
    found.memo = "Goods In: " + goodsIn + " (VT Status as at " + status_time();
    found.update();
    const std::string result = std::string(kNotSent) + " Purchase order marked as exported";
    return marked ? result
                  : result + kCrlf +
                        "But Vantora could not be marked: mark this purchase order as sent by "
                        "hand.";
  }

  // The order's rows with a line number above `after`, in the export's order.
  std::vector<OrderRow> read_rows(long after) {
    std::string sql = "Select * from suppPODetail where poNumber = " + n_;
    if (after >= 0) sql += " and linenumber > " + std::to_string(after);
    if (!setup_on(app_, "chksendremarkspo")) sql += " and RemarkLine <> 1";
    sql += " order by linenumber, Style, Color, SizeOrder, rank";
    RecordDoc lines;
    if (!load(app_, sql, lines)) throw Stop{kCannotOpenOrder};
    std::vector<OrderRow> rows;
    for (bool more = lines.MoveToFirstChild(); more; more = lines.MoveToNextSibling()) {
      OrderRow row;
      row.line = static_cast<long>(numeric_value(lines.GetChildContent("linenumber")));
      row.remark = lines.GetChildContent("remarkline") == "1";
      row.salesGroup = lines.GetChildContent("salesgroup");
      row.style = lines.GetChildContent("style");
      row.description = lines.GetChildContent("description");
      row.color = lines.GetChildContent("color");
      row.size = lines.GetChildContent("size");
      row.notes = lines.GetChildContent("notes");
      row.woLink = lines.GetChildContent("wolink");
      row.woNumber = lines.GetChildContent("wonumber");
      row.qty = lines.GetChildContent("qty");
      row.unitCost = numeric_value(lines.GetChildContent("unitcost"));
      rows.push_back(std::move(row));
    }
    return rows;
  }

  // Validates each line's sales group; a change written into Vantora reads the rows again
  // from the line it was made on.
  void check_lines() {
    long last = -1;
    bool any = false;
    for (;;) {
      std::vector<OrderRow> rows = read_rows(last);
      if (rows.empty() && !any) throw Stop{"Purchase order has no detailed line items to export"};
      any = true;
      bool readAgain = false;
      for (OrderRow& row : rows) {
        if (row.remark) continue;
        if ((readAgain = check_line(row))) break;
        last = row.line;
      }
      if (!readAgain) return;
    }
  }

  // True when Vantora was changed and the rows must be read again.
  bool check_line(OrderRow& row) {
    const std::string line = std::to_string(row.line);
    const std::string where = " WHERE ponumber = " + n_ + " and linenumber = " + line;
    if (row.salesGroup.empty() && numeric_value(row.woLink) != 0) {
      RecordDoc woLine;
      if (load(app_,
               "Select * from custSODetail where SONumber = " + whole(row.woNumber) +
                   " and id = " + whole(row.woLink),
               woLine) &&
          woLine.MoveToFirstChild()) {
        if (const std::string group = woLine.GetChildContent("salesgroup"); !group.empty()) {
          if (write_data(app_,
                         "UPDATE suppPODetail set salesgroup = '" + sql_quote(group) + "'" + where))
            return true;
          row.salesGroup = group;  // not stored: this send still uses it
        }
      }
    }
    SharedSlots& slots = app_.sharedSlots;
    if (!validate_salesGroupVT(
            ctx_, row.salesGroup,
            row.style + " " + row.color + " " + row.size + " - " + row.description))
      throw Stop{"No valid sales group associated with line number " + line + "."};
    if (const std::string choice = slots[51]; !choice.empty()) {
      if (write_data(app_, "UPDATE SuppPODetail SET SalesGroup = '" + sql_quote(choice) +
                               "' WHERE PONumber = " + n_ + " and  linenumber = " + line))
        return true;
      row.salesGroup = choice;
    }
    if (!validate_salesGroupQB(ctx_, row.salesGroup))
      throw Stop{"No valid QuickBooks item associated with the following sales group: " +
                 row.salesGroup};
    if (const std::string choice = slots[51]; !choice.empty()) {
      write_data(app_, "UPDATE SalesGroup set QB = '" + sql_quote(choice) + "' where code = '" +
                           sql_quote(row.salesGroup) + "'");
      pop_salesGroups(app_);
    }
    return false;
  }

  void check_supplier() {
    if (!supplier_.GetChildContent("qbaccount").empty()) {
      if (!validate_vendorQB(ctx_, supplier_, [this](long link) {
            return cuts_.keep_note_of_new("supplier",
                                          sent_on_the_way("supplier", send_Supplier(ctx_, link)));
          }))
        throw Stop{"Cannot validate existance of customer in QuiclBooks. Not Exported."};
      return;
    }
    const std::string made = cuts_.keep_note_of_new(
        "supplier",
        sent_on_the_way("supplier", send_Supplier(ctx_, static_cast<long>(numeric_value(
                                                            order_.GetChildContent("supplier"))))));
    if (!name_sent(made)) throw Stop{"Could not export customer: " + made};
    read_supplier("Cannot open customer table in Vantora database.",
                  "Cannot find customer in Vantora database.");
  }

  // Reads every row again; the item-line count is one line per line number, one text line
  // per item row, one per remark row that does not lead a line number of its own (a remark
  // sharing its line number with item rows), and three closing lines.
  void count_lines() {
    rows_ = read_rows(-1);
    long distinct = 0, itemRows = 0, sharedRemarks = 0;
    std::string workOrders;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      const OrderRow& row = rows_[i];
      const bool leads = i == 0 || rows_[i - 1].line != row.line;
      if (leads) ++distinct;
      if (!row.remark)
        ++itemRows;
      else if (!leads || item_line(i) != nullptr)
        ++sharedRemarks;
      if (numeric_value(row.woNumber) > 0)
        workOrders += (workOrders.empty() ? "" : ", ") + whole(row.woNumber);
    }
    itemCount_ = static_cast<int>(distinct + itemRows + sharedRemarks + 3);
    if (workOrders.empty()) return;
    if (!load(app_,
              std::string("SELECT Customers.Description as CustomerName, CustSO.* ") +
                  "FROM Customers RIGHT JOIN CustSO ON Customers.Link = CustSO.Customer " +
                  "WHERE CustSO.Number IN (" + workOrders + ")",
              woOrders_))
      throw Stop{kCannotOpenOrder};
    woOrders_.SetTag("woOrders");
  }

  // The first item row of the line number of row i; nullptr when it has remark rows only.
  const OrderRow* item_line(std::size_t i) const {
    std::size_t first = i;
    while (first > 0 && rows_[first - 1].line == rows_[i].line) --first;
    for (std::size_t k = first; k < rows_.size() && rows_[k].line == rows_[i].line; ++k)
      if (!rows_[k].remark) return &rows_[k];
    return nullptr;
  }

  void fill_header() {
    read_supplier("Cannot open supplier info in Vantora database.",
                  "Supplier not found in Vantora database");
    qb::PurchaseOrder& order = ctx_.components.purchaseOrder;
    order.reset();
    ctx_.set_Country();
    order.vendor = supplier_.GetChildContent("qbaccount");
    // QuickBooks gets the calendar dates themselves, whatever display format the user chose.
    if (const std::string date = order_.GetChildContent("date"); !date.empty())
      order.txnDate = std::floor(numeric_value(date));
    if (const std::string due = order_.GetChildContent("duedate"); !due.empty())
      order.dueDate = std::floor(numeric_value(due));
    if (!setup_on(app_, "chkqbassignponumbers")) order.refNumber = sent_reference(cuts_);
    order.memo = cuts_.take(
        "memo",
        "Goods In = " + order_.GetChildContent("goodsin") + " (VT Status as at " + status_time(),
        kQbMemoLength);
    qb::Address& address = ctx_.components.address;
    address.reset();
    address.addr1 = order_.GetChildContent("address1");
    address.addr2 = order_.GetChildContent("address2");
    address.addr3 = order_.GetChildContent("address3");
    address.addr4 = order_.GetChildContent("address4");
    address.city = order_.GetChildContent("city");
    address.state = order_.GetChildContent("state");
    address.postalCode = order_.GetChildContent("zip");
    cuts_.take_address("ship-to", address);
    order.shipAddress = address.aggregate();
  }

  // The customer and description of work order `woNumber` ("" when it is not in woOrders).
  std::string work_order_text(const std::string& woNumber) {
    woOrders_.MoveToRoot();
    std::string text;
    for (bool more = woOrders_.MoveToFirstChild(); more; more = woOrders_.MoveToNextSibling())
      if (whole(woOrders_.GetChildContent("number")) == woNumber) {
        text = woOrders_.GetChildContent("customername") + " (" +
               woOrders_.GetChildContent("description") + ")";
        break;
      }
    woOrders_.MoveToRoot();
    return text;
  }

  std::string row_text(const OrderRow& row) {
    if (row.remark) return row.description;
    const std::string wo = whole(row.woNumber);
    if (numeric_value(row.woNumber) < 1)
      return kRowIndent + (row.notes.empty() ? std::string("Extra - No WO Associated") : row.notes);
    return kRowIndent + std::string("WO# ") + wo + "   X " + number_text(numeric_value(row.qty)) +
           kWoGap + work_order_text(wo);
  }

  static std::string item_description(const OrderRow& row) {
    std::string text = row.description.find(row.style) != std::string::npos
                           ? row.description
                           : row.style + " - " + row.description;
    if (!row.color.empty()) text += " Color: " + row.color;
    if (!row.size.empty()) text += " Size: " + row.size;
    return text;
  }

  // One item line per line number with an item row, a text line for each of its rows under
  // it; a line number of remark rows alone gives their texts.
  void fill_lines() {
    qb::PurchaseOrder& order = ctx_.components.purchaseOrder;
    order.setItemCount(itemCount_);
    int i = 0;
    for (std::size_t r = 0; r < rows_.size();) {
      std::size_t end = r;
      while (end < rows_.size() && rows_[end].line == rows_[r].line) ++end;
      if (const OrderRow* first = item_line(r)) {
        qb::PurchaseOrderLine& line = order.item(i++);
        line.item = sales_group_item(first->salesGroup);
        line.description = description(item_description(*first));
        double qty = 0, amount = 0;
        bool oneCost = true;
        for (std::size_t k = r; k < end; ++k) {
          if (rows_[k].remark) continue;
          qty += numeric_value(rows_[k].qty);
          amount += rows_[k].unitCost * numeric_value(rows_[k].qty);
          oneCost = oneCost && rows_[k].unitCost == first->unitCost;
        }
        // The quantity as it is and the cost to five decimals. Where that rate does not give
        // the line's true amount (sizes of one style at different costs, a cost finer than
        // qbXML takes) the amount goes and QuickBooks works out the rate, so its total stays
        // the order's subtotal.
        line.quantity = qty;
        const std::int64_t cents = to_hundredths(amount);
        if (oneCost) line.rate = rate_giving(cents, qty, first->unitCost);
        if (!line.rate) line.amount = cents;
        for (std::size_t k = r; k < end; ++k)
          order.item(i++).description = description(row_text(rows_[k]));
      } else {
        for (std::size_t k = r; k < end; ++k)
          order.item(i++).description = description(row_text(rows_[k]));
      }
      r = end;
    }
    order.item(itemCount_ - 3).description = "";
    order.item(itemCount_ - 2).description =
        description(std::string(" ") + kCrlf + "VT PO Number: " + n_ + kCrlf +
                    "Confirmation Number: " + order_.GetChildContent("confirmation") + kCrlf + " ");
    order.item(itemCount_ - 1).description = description(order_.GetChildContent("notes"));
  }

  // A line's text as QuickBooks takes it.
  std::string description(const std::string& text) {
    return cuts_.take("line description", text, kQbLineDescriptionLength);
  }

  // The QuickBooks item of sales group `code`, from the sales-group snapshot; "" when none.
  std::string sales_group_item(const std::string& code) {
    RecordDoc& groups = app_.salesGroupSnapshot;
    groups.MoveToRoot();
    std::string item;
    for (bool more = groups.MoveToFirstChild(); more; more = groups.MoveToNextSibling())
      if (groups.GetChildContent("code") == code) {
        item = groups.GetChildContent("qb");
        break;
      }
    groups.MoveToRoot();
    return item;
  }

  std::string mark_added(const std::string& record) {
    RecordDoc added;
    added.LoadXml(record);
    const std::string refNumber = added.GetChildContent("RefNumber");
    marked_ = mark_po_sent(app_, number_, refNumber, added.GetChildContent("TxnID"),
                           order_.GetChildContent("goodsin"));
    const std::string differ = send_steps::differences(
        {{"total", "subtotal", to_hundredths(numeric_value(added.GetChildContent("TotalAmount"))),
          to_hundredths(numeric_value(order_.GetChildContent("subtotal")))}});
    const std::string sent =
        std::string(kPurchaseOrderSent) + (differ.empty() ? "" : " " + differ) + cuts_.note();
    if (marked_) return sent;
    return sent + " The purchase order is in QuickBooks (reference " + refNumber +
           ") but Vantora could not be marked: mark this purchase order as sent by hand (Run > "
           "Mark as sent) so that it is not sent again." +
           kMarkPending;
  }

  MappingContext& ctx_;
  App& app_;
  long number_;
  std::string n_;
  RecordDoc order_, supplier_, woOrders_;
  std::vector<OrderRow> rows_;
  int itemCount_{0};
  bool marked_{false};
  FieldCuts cuts_;  // texts cut to QuickBooks' lengths
};

}  // namespace

std::string send_PO(MappingContext& ctx, long number) {
  return run_now([&] { return send_task<PurchaseOrderSender>(ctx, number); });
}

void send_POs(MappingContext& ctx) {
  run_send_list(ctx.app, "send_POs", [&] {
    ctx.app.ui.setStatus("");
    recover_before_send(ctx, "purchase order", kPurchaseOrderListNumberColumn,
                        kPurchaseOrderListCommentColumn);
    send_record_rows(ctx,
                     {kPurchaseOrderListNumberColumn, kPurchaseOrderListCommentColumn,
                      kPurchaseOrderListSupplierColumn, "Sending Purchase Order: ",
                      [&](long number) { return PurchaseOrderSender(ctx, number).checks_ahead(); }},
                     [&](long number) { return send_task<PurchaseOrderSender>(ctx, number); });
  });
}

std::string get_QBPORef(MappingContext& ctx, const std::string& reference, double amount,
                        const std::string& vendor, RecordDoc* match, const std::string& sentAs) {
  try {
    qb::ObjSearch& search = reference_search(ctx, qb::ObjSearch::kPurchaseOrders, reference);
    search.run();
    RecordDoc found;
    std::string txnId = send_steps::find_sent_match(search, found, "VendorRef", vendor,
                                                    "TotalAmount", to_hundredths(amount), sentAs);
    if (!txnId.empty() && match) *match = std::move(found);
    return txnId;
  } catch (const std::exception&) {
  }
  return "";
}

bool mark_po_sent(App& app, long number, const std::string& refNumber, const std::string& txnId,
                  const std::string& goodsIn) {
  return write_data(app, "UPDATE suppPO SET QBRef = '" + sql_quote(refNumber) + "', QBURef = '" +
                             sql_quote(txnId) + "', QBGoods = '" + sql_quote(goodsIn) +
                             "', SendQB = " + number_text(ole_today()) +
                             " where number = " + std::to_string(number));
}

}  // namespace vqb
