#include "export/invoice_export.h"

#include <array>
#include <cmath>
#include <exception>
#include <optional>

#include "app/errors.h"
#include "app/module1.h"
#include "app/setup_file.h"
#include "app/text_helpers.h"
#include "export/customer_export.h"
#include "export/field_cuts.h"
#include "export/intent_journal.h"
#include "export/intent_recovery.h"
#include "export/parse_address.h"
#include "export/send_loop.h"
#include "mapping/customer_update.h"
#include "mapping/existence.h"
#include "mapping/list_loader.h"
#include "mapping/party_check.h"
#include "mapping/validators.h"

namespace vqb {
namespace {

using send_steps::differences;
using send_steps::line_cents;
using send_steps::load;
using send_steps::option_on;
using send_steps::rate_giving;
using send_steps::reference_search;
using send_steps::sent_on_the_way;
using send_steps::setup_on;
using send_steps::Stop;

constexpr const char* kCrlf = "\r\n";
constexpr const char* kNoSalesTaxItem =
    "No valid QuickBooks 'sales tax item' associated with this invoice. Cannot export invoice";
constexpr long kAmortizeGroups = 1001;

long as_long(const std::string& text) {
  return static_cast<long>(numeric_value(text));
}

// Rate mode: on when two lines of one amortize group carry different line tax codes, or
// when the setup asks for it. A group outside 0..1000 is error 9. Remark lines carry no tax
// code, and an empty code leaves its group's entry empty for the next line to fill.
bool decide_rate_mode(App& app, RecordDoc& lines) {
  std::array<std::string, kAmortizeGroups> firstTax{};
  bool rateMode = false;
  lines.MoveToRoot();
  for (bool more = lines.MoveToFirstChild(); more; more = lines.MoveToNextSibling()) {
    const double group = round_half_away(numeric_value(lines.GetChildContent("amortizegroup")));
    if (group < 0 || group >= kAmortizeGroups)
      throw VqbError(err::kSubscriptOutOfRange, "Subscript out of range");
    if (lines.GetChildContent("linetype") == "Remark") continue;
    std::string& seen = firstTax[static_cast<std::size_t>(group)];
    const std::string tax = lines.GetChildContent("tax1");
    if (seen.empty())
      seen = tax;
    else if (seen != tax)
      rateMode = true;
  }
  lines.MoveToRoot();
  if (setup_on(app, "chkamortize")) rateMode = true;
  return rateMode;
}

std::string line_description(RecordDoc& lines) {
  if (lines.GetChildContent("linetype") != "Inventory") return lines.GetChildContent("description");
  std::string text = lines.GetChildContent("style") + " - " + lines.GetChildContent("description");
  if (std::string color = lines.GetChildContent("color"); !color.empty())
    text += " Color: " + color;
  if (std::string size = lines.GetChildContent("size"); !size.empty()) text += " Size: " + size;
  return text;
}

// The QuickBooks item of sales group `code`, from the sales-group snapshot; "" when none.
std::string sales_group_item(App& app, const std::string& code) {
  RecordDoc& groups = app.salesGroupSnapshot;
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

// The QuickBooks code of line tax code `link` (as text); "" when none.
std::string line_tax_code(App& app, const std::string& link) {
  RecordDoc& codes = app.lineTaxSnapshot;
  codes.MoveToRoot();
  std::string code;
  if (codes.MoveToChild("record" + link) == 1) code = codes.GetChildContent("quickbooks");
  codes.MoveToRoot();
  return code;
}

// The invoice's xmladd with its root named "OrderInfo" and QBReference := txnId. An empty
// or unreadable xmladd starts from an empty document, never from another one's content.
RecordDoc order_info(const std::string& xmlAdd, const std::string& txnId) {
  RecordDoc order;
  if (!order.LoadXml(xmlAdd)) order = RecordDoc();
  if (order.GetTag() != "OrderInfo") order.SetTag("OrderInfo");
  order.EnsureChild("QBReference");
  order.SetChildValue("QBReference", txnId);
  return order;
}

class InvoiceSender {
 public:
  InvoiceSender(MappingContext& ctx, long number)
      : ctx_(ctx), app_(ctx.app), n_(std::to_string(number)), status_("Sending Invoice: " + n_) {}

  SendTask run() {
    try {
      read_invoice();
      send_checks_ahead();
      if (setup_on(app_, "chkdupinvoices"))
        if (auto marked = duplicate_check()) co_return *marked;
      read_lines();
      check_lines();
      check_customer();
      check_sales_tax();
      check_rep();
      check_discount();
      itemCount_ = static_cast<int>(lines_.GetChildCount()) + (discount() != 0 ? 4 : 3);
      reload_customer();
      const bool rateMode = decide_rate_mode(app_, lines_);
      fill_header();
      fill_lines(rateMode);
      AddedRecord added =
          co_await add_in_set(ctx_, "invoice", n_, ctx_.components.invoice.addDocument());
      std::string result = mark_sent(added.record());
      if (marked_) added.marked();
      co_return result;
    } catch (const Stop& stop) {
      co_return stop.text;
    } catch (const UnreadableAnswer& unknown) {
      co_return unknown.description();
    } catch (const VqbError& error) {
      co_return std::to_string(error.number()) + " " + error.description();
    } catch (const std::exception& error) {
      co_return std::string("0 ") + error.what();
    }
  }

  // The read-only checks of this invoice, sent ahead: the duplicate search, the customer check
  // and the item checks not yet cached. Empty when the invoice cannot be read.
  std::vector<std::string> checks_ahead() {
    try {
      read_invoice(false);
      return check_documents();
    } catch (const Stop&) {
      return {};
    }
  }

 private:
  // `settings`: the QuickBooks settings row is read again too (a send reads it; checks sent
  // ahead use the one read last).
  void read_invoice(bool settings = true) {
    if (settings && !load(app_, "Select * from QuickBooks", app_.qbSettingsSnapshot))
      throw Stop{"Unable to access Vantora QuickBooks table."};
    if (!load(app_, "Select * from custso where number = " + n_, invoice_))
      throw Stop{"Cannot open invoice in Vantora database."};
    if (!invoice_.MoveToFirstChild()) throw Stop{"Cannot find invoice in Vantora database."};
    if (!load(app_, customer_sql(), customer_))
      throw Stop{"Cannot open customer table in Vantora database."};
    if (!customer_.MoveToFirstChild()) throw Stop{"Cannot find customer in Vantora database."};
  }

  std::string customer_sql() const {
    return "Select * from customers where link = " +
           number_text(numeric_value(invoice_.GetChildContent("customer")));
  }

  double discount() const { return numeric_value(invoice_.GetChildContent("discamount")); }

  // The reference QuickBooks holds the invoice under: the one recorded, or the one it is sent
  // with (its number when QuickBooks numbers invoices).
  std::string duplicate_reference() const {
    std::string reference = invoice_.GetChildContent("quickbooksref");
    return reference.empty() ? sent_reference() : reference;
  }

  std::string sent_reference() const {
    if (setup_on(app_, "chkqbassigninvnumbers") || !setup_on(app_, "chkinvoiceprefix")) return n_;
    if (option_on(app_, "optinvprefix1")) return invoice_.GetChildContent("prefix") + n_;
    return setup_value(app_, "txtinvprefix") + n_;
  }

  // The read-only checks this invoice is about to make, in one message set.
  void send_checks_ahead() {
    // In a send list they went ahead with the next records' already.
    if (!ctx_.components.session.batching() || AddQueue::current() != nullptr) return;
    std::vector<std::string> documents = check_documents();
    if (documents.size() > 1) ctx_.components.session.prefetch(documents);
  }

  std::vector<std::string> check_documents() {
    std::vector<std::string> documents;
    if (setup_on(app_, "chkdupinvoices"))
      documents.push_back(send_steps::reference_search_document(ctx_, qb::ObjSearch::kInvoices,
                                                                duplicate_reference()));
    const std::string account = customer_.GetChildContent("qbaccountnumber");
    if (!account.empty() && !memo_holds(app_.customerMemo, customer_.GetChildContent("id")))
      documents.push_back(ctx_.components.customer.loadByNameDocument(account));
    std::vector<std::string> items = unvalidated_sales_group_items(
        app_, "Select distinct salesgroup from custsodetail where sonumber = " + n_ +
                  " and linetype <> 'Remark' and linetype <> 'Separator'");
    if (discount() != 0) {
      RecordDoc& settings = app_.qbSettingsSnapshot;
      settings.MoveToRoot();
      if (settings.MoveToFirstChild() && !settings.GetChildContent("discount").empty())
        items.push_back(settings.GetChildContent("discount"));
      settings.MoveToRoot();
    }
    return item_check_documents(ctx_, items, std::move(documents));
  }

  // An answer when the user chose to mark the invoice as a duplicate instead of sending it.
  std::optional<std::string> duplicate_check() {
    const std::string reference = duplicate_reference();
    // The TxnID recorded when this invoice was sent before finds it whatever its subtotal (rate
    // mode may give QuickBooks another one), so a resend after "Mark as NOT sent" is caught.
    RecordDoc sentBefore;
    sentBefore.LoadXml(invoice_.GetChildContent("xmladd"));
    const std::string sentAs =
        sentBefore.GetTag() == "OrderInfo" ? sentBefore.GetChildContent("QBReference") : "";
    if (get_QBInvRef(ctx_, reference, numeric_value(invoice_.GetChildContent("total")),
                     customer_.GetChildContent("qbaccountnumber"), sentAs)
            .empty())
      return std::nullopt;
    RecordDoc& match = app_.invoiceMatch;
    const bool markDuplicates = setup_on(app_, "chkmarkdupinvoices");
    if (confirm_possible_duplicate(app_, "invoice", customer_.GetChildContent("description"), match,
                                   markDuplicates))
      return std::nullopt;
    if (!markDuplicates) throw Stop{"Possible duplicate invoice. User selected not send invoice."};
    const std::string result =
        "Possible duplicate invoice. User selected not send invoice. invoice marked as exported";
    RecordDoc order = order_info(match.GetChildContent("TxnID"));
    const bool marked = write_data(
        app_, "UPDATE CustSO Set xmladd = '" + sql_quote(order.GetXml()) +
                  "', QuickBooks = 1, QuickBooksDS = " + now_text() + ", QuickBooksRef = '" +
                  sql_quote(match.GetChildContent("RefNumber")) + "' where number = " + n_);
    return marked ? result
                  : result + kCrlf +
                        "But Vantora could not be marked: mark this invoice as sent by hand.";
  }

  RecordDoc order_info(const std::string& txnId) const {
    return vqb::order_info(invoice_.GetChildContent("xmladd"), txnId);
  }

  void read_lines() {
    const std::string sql =
        setup_on(app_, "chksendremarks")
            ? "Select * from custsodetail where sonumber = " + n_ +
                  " and ((linetype <> 'Remark' and linetype <> 'Separator') or (linetype = "
                  "'Remark' and PrintLine = 1)) "
                  "order by linenumber"
            : "Select * from custsodetail where sonumber = " + n_ +
                  " and linetype <> 'Remark' and linetype <> 'Separator' order by linenumber";
    if (!load(app_, sql, lines_)) throw Stop{"Cannot open invoice in Vantora database."};
    if (lines_.GetChildCount() == 0) throw Stop{"Invoice has no detailed line items to export"};
  }

  void check_lines() {
    SharedSlots& slots = app_.sharedSlots;
    long k = 0;
    for (bool more = lines_.MoveToFirstChild(); more; more = lines_.MoveToNextSibling()) {
      ++k;
      app_.ui.setStatus(status_ += ".");
      app_.events.pump();
      const std::string id = number_text(numeric_value(lines_.GetChildContent("id")));
      if (ctx_.switches.useClass) {
        const std::string qbclass = lines_.GetChildContent("qbclass");
        if (!validate_ClassQB(ctx_, qbclass))
          throw Stop{"QB Class " + qbclass + " could not be validated. Invoice not sent!"};
        if (const std::string choice = slots[51]; !choice.empty()) {
          pop_QBClass(app_, ctx_.components);
          lines_.SetChildValue("qbclass", choice);
          write_data(app_, "UPDATE CustSODetail SET QBClass = '" + sql_quote(choice) +
                               "' WHERE id = " + id);
        }
      }
      if (lines_.GetChildContent("linetype") == "Remark") continue;

      std::string group = lines_.GetChildContent("salesgroup");
      if (!validate_salesGroupVT(
              ctx_, group,
              lines_.GetChildContent("style") + " " + lines_.GetChildContent("description")))
        throw Stop{"No valid sales group associated with line number " + std::to_string(k) + "."};
      if (const std::string choice = slots[51]; !choice.empty()) {
        group = choice;
        lines_.SetChildValue("salesgroup", choice);
        write_data(app_, "UPDATE CustSODetail SET SalesGroup = '" + sql_quote(choice) +
                             "' WHERE id = " + id);
      }
      if (!validate_salesGroupQB(ctx_, group))
        throw Stop{"No valid QuickBooks item associated with the following sales group: " + group};
      if (const std::string choice = slots[51]; !choice.empty()) {
        write_data(app_, "UPDATE SalesGroup set QB = '" + sql_quote(choice) + "' where code = '" +
                             sql_quote(group) + "'");
        pop_salesGroups(app_);
      }

      long tax = as_long(lines_.GetChildContent("tax1"));
      if (!validate_taxCodeVT(ctx_, tax))
        throw Stop{"No valid tax code associated with line number " + std::to_string(k) + "."};
      if (const std::string choice = slots[51]; !choice.empty()) {
        const std::string chosen = number_text(numeric_value(choice));
        tax = as_long(choice);
        lines_.SetChildValue("tax1", chosen);
        write_data(app_, "UPDATE CustSODetail SET tax1 = " + chosen + " WHERE id = " + id);
      }
      if (!validate_taxCodeQB(ctx_, tax))
        throw Stop{
            "No valid QuickBooks Tax CODE associated with the following Tax CODE in Vantora: " +
            slots[150]};
    }
    lines_.MoveToRoot();
  }

  void check_customer() {
    ctx_.customerCheck.qbCustomerRep.clear();
    ctx_.customerCheck.qbCustomerName.clear();
    const bool unlinked = customer_.GetChildContent("qbaccountnumber").empty();
    if (!validate_customerQB(ctx_, customer_, [this](long link) {
          return cuts_.keep_note_of_new("customer",
                                        sent_on_the_way("customer", send_Customer(ctx_, link)));
        }))
      throw Stop{
          unlinked
              ? "No customer account in QuickBooks associated with this customer. Not Exported."
              : "Cannot validate existance of customer in QuickBooks. Not Exported."};
  }

  void check_sales_tax() {
    if (!ctx_.switches.useSalesTax) {
      if (numeric_value(invoice_.GetChildContent("taxamount1")) != 0)
        throw Stop{
            "There is a tax amount associated with this invoice and the integrator setup does not "
            "allow sales tax. "
            "Please correct tax setup."};
      return;
    }
    taxType_ = as_long(invoice_.GetChildContent("taxtype1"));
    if (!validate_taxItemVT(ctx_, taxType_, false))
      throw Stop{"Vantora tax type not found. Please open invoice and select valid tax type."};
    const std::string rate = app_.taxSnapshot.GetChildContent("rate");
    const std::string invoiceRate = invoice_.GetChildContent("taxpercentage1");
    app_.taxSnapshot.MoveToRoot();
    if (numeric_value(rate) == numeric_value(invoiceRate)) {
      if (!validate_taxItemQB(ctx_, taxType_)) throw Stop{kNoSalesTaxItem};
      return;
    }
    // The rate changed after the invoice was made: the user picks a tax item at the old rate,
    // for this invoice only.
    SharedSlots& slots = app_.sharedSlots;
    slots[0] = "";
    slots[1] = "Invoice Tax Change";
    slots[2] = "This invoice was taxed at " + invoiceRate +
               "%. After processing this invoice the tax percentage in Vantora has changed to " +
               rate + "%." + kCrlf + kCrlf +
               "Please select the correct 'QuickBooks Tax Item' to associate with this invoice.";
    slots[3] = "Tax Item QuickBooks";
    slots[5] = invoiceRate;
    app_.ui.showDialog(DialogKind::Assign, "");
    overrideTaxItem_ = slots[0];
    if (overrideTaxItem_.empty()) throw Stop{kNoSalesTaxItem};
  }

  void check_rep() {
    if (!ctx_.switches.useReps) return;
    long rep = as_long(invoice_.GetChildContent("salesrep"));
    if (!validate_RepVT(ctx_, rep, true))
      throw Stop{"No sales rep associated with this order, in Vantora. Cannot export invoice."};
    if (const std::string choice = app_.sharedSlots[51]; !choice.empty()) {
      const std::string chosen = number_text(numeric_value(choice));
      rep = as_long(choice);
      invoice_.SetChildValue("salesrep", chosen);
      write_data(app_, "UPDATE CustSO SET salesrep = " + chosen + " WHERE number = " + n_);
    }
    if (!validate_RepQB(ctx_, rep))
      throw Stop{"No valid QuickBooks 'sales rep' associated with this order. Cannot export"};
  }

  void check_discount() {
    if (discount() == 0) return;
    if (!validate_discountQB(ctx_))
      throw Stop{"No valid QuickBooks 'Discount' item. Cannot export invoice"};
    if (const std::string choice = app_.sharedSlots[51]; !choice.empty()) {
      RecordDoc& settings = app_.qbSettingsSnapshot;
      settings.MoveToRoot();
      if (settings.MoveToFirstChild()) settings.SetChildValue("discount", choice);
      settings.MoveToRoot();
      write_data(app_, "UPDATE QuickBooks SET Discount = '" + sql_quote(choice) + "'");
    }
  }

  void reload_customer() {
    if (!load(app_, customer_sql(), customer_))
      throw Stop{"Cannot open customer info in Vantora database."};
    if (!customer_.MoveToFirstChild()) throw Stop{"Customer not found in Vantora database"};
  }

  void fill_header() {
    qb::Invoice& invoice = ctx_.components.invoice;
    invoice.reset();
    ctx_.set_Country();
    invoice.customer = customer_.GetChildContent("qbaccountnumber");
    // QuickBooks gets the calendar date itself, whatever display format the user chose.
    invoice.txnDate = invoice_.GetChildContent("status") == "4"
                          ? std::floor(numeric_value(invoice_.GetChildContent("invdate")))
                          : ole_today();
    if (!setup_on(app_, "chkqbassigninvnumbers")) invoice.refNumber = sent_reference();
    // Texts are cut to what QuickBooks takes: it refuses the whole invoice otherwise.
    if (option_on(app_, "optmemo3"))
      invoice.memo = "";
    else if (option_on(app_, "optmemo1"))
      invoice.memo = cuts_.take("memo", invoice_.GetChildContent("notes"), kQbMemoLength);
    else if (option_on(app_, "optmemo4"))
      invoice.memo = cuts_.take("memo", invoice_.GetChildContent("description"), kQbMemoLength);
    else
      invoice.memo = "WO Number: " + n_;

    const std::string country = setup_value(app_, "qbsetupcmbcountry");
    if ((country.empty() || country == "United States") && ctx_.switches.useSalesTax) {
      if (!overrideTaxItem_.empty()) {
        invoice.salesTaxItem = overrideTaxItem_;
      } else {
        RecordDoc& taxes = app_.taxSnapshot;
        taxes.MoveToRoot();
        if (taxes.MoveToChild("record" + std::to_string(taxType_)) == 1)
          invoice.salesTaxItem = taxes.GetChildContent("qblink");
        taxes.MoveToRoot();
      }
    }
    if (ctx_.switches.useReps) fill_rep(invoice);

    qb::Address& address = ctx_.components.address;
    if (const std::string billing = invoice_.GetChildContent("billingaddress"); !billing.empty()) {
      const std::string text = setup_on(app_, "chkaddress")
                                   ? customer_.GetChildContent("description") + kCrlf + billing
                                   : billing;
      if (!parse_address(app_, address, text))
        throw Stop{"Could not parse billing address. Invoice not sent!"};
      cuts_.take_address("bill-to", address);
      invoice.billAddress = address.aggregate();
    }
    if (const std::string shipping = invoice_.GetChildContent("shipaddress"); !shipping.empty()) {
      if (!parse_address(app_, address, shipping))
        throw Stop{"Could not parse ship to address. Invoice not sent!"};
      cuts_.take_address("ship-to", address);
      invoice.shipAddress = address.aggregate();
    }
    if (const std::string po = invoice_.GetChildContent("customerpo"); !po.empty()) {
      if (char_count(po) > kQbInvoicePoNumberLength)
        app_.ui.messageBox(
            "QuickBooks will only accept 25 characters in the customer PO field. Vantora will "
            "truncate the customer PO number",
            Buttons::Ok, Icon::Information, "Please Note");
      invoice.poNumber = cuts_.take("PO number", po, kQbInvoicePoNumberLength);
    }
  }

  void fill_rep(qb::Invoice& invoice) {
    RecordDoc& users = app_.usersSnapshot;
    users.MoveToRoot();
    const std::string rep = invoice_.GetChildContent("salesrep");
    for (bool more = users.MoveToFirstChild(); more; more = users.MoveToNextSibling()) {
      if (users.GetChildContent("link") != rep) continue;
      const std::string initials = users.GetChildContent("quickbooks");
      invoice.salesRep = initials;
      const std::string customerRep = ctx_.customerCheck.qbCustomerRep;
      if (!customerRep.empty() && customerRep != initials &&
          app_.ui.messageBox("The default Sales Rep in QuickBooks for this customer is different "
                             "to the one on this invoice. "
                             "Do you want to update the default sales rep in QuickBooks to " +
                                 users.GetChildContent("firstname") + "?",
                             Buttons::YesNo, Icon::Question, "Confirm") == Answer::Yes)
        upd_customer(ctx_, ctx_.customerCheck.qbCustomerName, initials);
      break;
    }
    users.MoveToRoot();
  }

  void fill_lines(bool rateMode) {
    qb::Invoice& invoice = ctx_.components.invoice;
    invoice.setItemCount(itemCount_);
    int i = 0;
    for (bool more = lines_.MoveToFirstChild(); more; more = lines_.MoveToNextSibling(), ++i) {
      qb::InvoiceLine& row = invoice.item(i);
      const bool remark = lines_.GetChildContent("linetype") == "Remark";
      if (!remark) row.item = sales_group_item(app_, lines_.GetChildContent("salesgroup"));
      row.description = description(line_description(lines_));
      if (remark) continue;
      invoice.config("Items[" + std::to_string(i) + "].Quantity=" + lines_.GetChildContent("qty"));
      // The line's Vantora amount; in rate mode the unit price that gives it (the adjusted
      // charge where the price does not), or the amount where no rate does.
      const std::int64_t amount =
          line_cents(numeric_value(lines_.GetChildContent("adjustedqty")),
                     numeric_value(lines_.GetChildContent("linechargeadjusted")));
      if (rateMode)
        row.rate = rate_giving(amount, numeric_value(lines_.GetChildContent("qty")),
                               numeric_value(lines_.GetChildContent("unitprice")));
      if (!row.rate) row.amount = amount;
      if (ctx_.switches.useSalesTax)
        if (std::string code = line_tax_code(app_, lines_.GetChildContent("tax1")); !code.empty())
          row.salesTaxCode = code;
      if (ctx_.switches.useClass)
        if (std::string className = lines_.GetChildContent("qbclass"); !className.empty())
          row.className = className;
    }
    lines_.MoveToRoot();

    if (discount() != 0) {
      qb::InvoiceLine& row = invoice.item(itemCount_ - 4);
      RecordDoc& settings = app_.qbSettingsSnapshot;
      settings.MoveToRoot();
      if (settings.MoveToFirstChild()) row.item = settings.GetChildContent("discount");
      settings.MoveToRoot();
      row.description = "Invoice Discount";
      // The amount goes as it is stored (a discount is stored negative), to the cent.
      row.amount = to_hundredths(numeric_value(format_number(discount(), "0.00")));
    }
    invoice.isToBePrinted = !setup_on(app_, "chkmarkinvoiceprinted");
    if (std::string account = setup_value(app_, "cmbar"); !account.empty())
      invoice.arAccount = account;
    invoice.item(itemCount_ - 3).description = "";
    invoice.item(itemCount_ - 2).description =
        description(" " + std::string(kCrlf) + "WO Number: " + n_ + kCrlf +
                    "Order Description: " + invoice_.GetChildContent("description") + kCrlf + " ");
    invoice.item(itemCount_ - 1).description = description(invoice_.GetChildContent("notes"));
  }

  // A line's text as QuickBooks takes it.
  std::string description(const std::string& text) {
    return cuts_.take("line description", text, kQbLineDescriptionLength);
  }

  std::string mark_sent(const std::string& record) {
    RecordDoc added;
    added.LoadXml(record);
    const std::string txnId = added.GetChildContent("TxnID");
    const std::string refNumber = added.GetChildContent("RefNumber");
    app_.sharedSlots[201] = txnId;
    // QuickBooks' subtotal, tax and total against Vantora's (its total is before tax).
    const std::int64_t subtotal = to_hundredths(numeric_value(added.GetChildContent("Subtotal")));
    const std::int64_t tax = to_hundredths(numeric_value(added.GetChildContent("SalesTaxTotal")));
    const std::int64_t vtSubtotal = to_hundredths(numeric_value(invoice_.GetChildContent("total")));
    const std::int64_t vtTax = to_hundredths(numeric_value(invoice_.GetChildContent("taxamount1")));
    std::string result =
        kInvoiceSent + differences({{"subtotal", "subtotal", subtotal, vtSubtotal},
                                    {"sales tax", "tax", tax, vtTax},
                                    {"total", "total", subtotal + tax, vtSubtotal + vtTax}});
    // "Sent! " already ends in a space.
    if (const std::string note = cuts_.note(); !note.empty())
      result += result.size() > std::string_view(kInvoiceSent).size() ? note : note.substr(1);
    marked_ = mark_invoice_sent(app_, std::stol(n_), invoice_.GetChildContent("xmladd"), txnId,
                                refNumber);
    if (!marked_) {
      if (result.size() > std::string_view(kInvoiceSent).size()) result += " ";
      result += "The invoice is in QuickBooks (reference " + refNumber +
                ") but Vantora could not be marked: mark this invoice as sent by hand (Run > Mark "
                "as sent) so that it "
                "is not sent again." +
                kMarkPending;
    }
    return result;
  }

  MappingContext& ctx_;
  App& app_;
  std::string n_;
  std::string status_;  // the status text, a dot added per line checked
  RecordDoc invoice_, customer_, lines_;
  std::string overrideTaxItem_;
  long taxType_{0};
  int itemCount_{0};
  bool marked_{false};
  FieldCuts cuts_;  // texts cut to QuickBooks' lengths
};

}  // namespace

bool mark_invoice_sent(App& app, long number, const std::string& xmlAdd, const std::string& txnId,
                       const std::string& refNumber) {
  return write_data(app, "UPDATE CustSO Set xmlAdd = '" +
                             sql_quote(order_info(xmlAdd, txnId).GetXml()) +
                             "', QuickBooksRef = '" + sql_quote(refNumber) +
                             "', QuickBooks = 1, QuickBooksDS = " + now_text() +
                             " where number = " + std::to_string(number));
}

std::string send_Invoice(MappingContext& ctx, long number) {
  return run_now([&] { return send_task<InvoiceSender>(ctx, number); });
}

void send_Invoices(MappingContext& ctx) {
  run_send_list(ctx.app, "send_Invoices", [&] {
    ctx.app.ui.setStatus("");
    recover_before_send(ctx, "invoice", kInvoiceListDocNumberColumn, kInvoiceListCommentColumn);
    send_record_rows(ctx,
                     {kInvoiceListDocNumberColumn, kInvoiceListCommentColumn,
                      kInvoiceListDocNumberColumn, "Sending Invoice: ",
                      [&](long number) { return InvoiceSender(ctx, number).checks_ahead(); }},
                     [&](long number) { return send_task<InvoiceSender>(ctx, number); });
  });
}

std::string get_QBInvRef(MappingContext& ctx, const std::string& reference, double amount,
                         const std::string& customer, const std::string& sentAs) {
  qb::ObjSearch& search = reference_search(ctx, qb::ObjSearch::kInvoices, reference);
  search.run();
  return send_steps::find_sent_match(search, ctx.app.invoiceMatch, "CustomerRef", customer,
                                     "Subtotal", to_hundredths(amount), sentAs);
}

std::string load_QBInvoice(MappingContext& ctx, const std::string& txnId) {
  try {
    ctx.components.invoice.loadById(txnId);
    RecordDoc record;
    record.LoadXml(ctx.components.invoice.record());
    return record.GetXml();
  } catch (const std::exception&) {
    return "";
  }
}

}  // namespace vqb
