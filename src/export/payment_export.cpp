#include "export/payment_export.h"

#include <algorithm>
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
#include "export/invoice_export.h"
#include "export/send_loop.h"
#include "mapping/existence.h"
#include "mapping/party_check.h"
#include "mapping/validators.h"

namespace vqb {
namespace {

using send_steps::load;
using send_steps::option_on;
using send_steps::sent_on_the_way;
using send_steps::setup_on;
using send_steps::Stop;
using send_steps::whole;

constexpr const char* kCrlf = "\r\n";

// The texts of the invoice and work-order walks.
struct Walk {
  const char* missing;   // + w
  const char* question;  // the "Send Invoice ?" question, with w where "%" stands
  const char* declined;  // + w + declinedEnd
  const char* declinedEnd;
  const char* exportFailed;  // + number + " to QuickBooks."
  const char* notFound;      // + w + notFoundEnd
  const char* notFoundEnd;
  const char* planned;  // "invoice " / "work order "
};
constexpr Walk kInvoiceWalk{"Cannot find Invoice ",
                            "This payment is applied to an invoice that has not yet been sent to "
                            "QuickBooks. In order to apply this payment "
                            "to the correct invoice in QuickBooks we need to export it first. Do "
                            "you want to send this invoice now ?",
                            "Invoice ",
                            " not in QuickBooks.",
                            "Could not export invoice ",
                            "Invoice ",
                            " not found in QuickBooks.",
                            "invoice "};
constexpr Walk kWorkOrderWalk{"Cannot find WO ",
                              "This payment is reserved as a deposit against work order % that has "
                              "not yet been sent to QuickBooks. In order to "
                              "apply this payment to the correct invoice in QuickBooks we need to "
                              "export this work order first. Do you want to "
                              "send this WO as an invoice to QuickBooks now ?",
                              "Work Order ",
                              " not in QuickBooks.",
                              "Could not export work order ",
                              "WO ",
                              " not found in QuickBooks ",
                              "work order "};

class PaymentSender {
 public:
  PaymentSender(MappingContext& ctx, long number, PaymentPlan* plan)
      : ctx_(ctx), app_(ctx.app), n_(std::to_string(number)), plan_(plan) {}

  SendTask run() {
    try {
      read_payment();
      send_checks_ahead();
      check_customer();
      if (auto marked = duplicate_check()) co_return *marked;
      check_method();
      const int mode = application_mode();
      fill(mode);
      AddedRecord added =
          co_await add_in_set(ctx_, "payment", n_, ctx_.components.receivePayment.addDocument());
      std::string result = mark_sent(added.record());
      if (marked_) added.marked();
      co_return result;
    } catch (const Stop& stop) {
      co_return stop.text;
    } catch (const UnreadableAnswer& unknown) {
      co_return unknown.description();
    } catch (const VqbError& error) {
      show_common_error(app_.ui, "frmQB", "send_Payment", error);
      co_return std::to_string(error.number()) + " " + error.description();
    } catch (const std::exception& error) {
      show_common_error(app_.ui, "frmQB", "send_Payment", error);
      co_return std::string("0 ") + error.what();
    }
  }

  // The read-only checks of this payment, sent ahead: the customer check and the duplicate
  // search. Empty when the payment cannot be read.
  std::vector<std::string> checks_ahead() {
    quiet_ = true;  // the status line tells of the payment being sent
    try {
      read_payment();
      return check_documents();
    } catch (const Stop&) {
      return {};
    }
  }

 private:
  void status(const std::string& text) {
    if (quiet_) return;
    app_.ui.setStatus(text);
    app_.events.pump();
  }

  void read_payment() {
    if (!load(app_, "Select * from CustPayments where number = " + n_, payment_))
      throw Stop{"Cannot open payment in Vantora database."};
    if (!payment_.MoveToFirstChild()) throw Stop{"Cannot find payment in Vantora database."};
    status("Loading Payment");
    if (!load(app_, "Select * from CustPost where Trans = 'PMT' and ReceiptNumber = " + n_, post_))
      throw Stop{"Cannot open Vantora customer register to locate post."};
    status("Loading Register Entry");
    if (!post_.MoveToFirstChild()) throw Stop{"Cannot find payment register entry in Vantmora."};
    if (!load(app_,
              "Select * from customers where link = " + whole(post_.GetChildContent("customer")),
              customer_))
      throw Stop{"Cannot open Vantora customer."};
    status("Loading Customer Detail");
    if (!customer_.MoveToFirstChild()) throw Stop{"Cannot find customer in Vantmora."};
  }

  // The customer check and the duplicate search in one message set, when both will ask
  // QuickBooks (the customer not yet validated in this run).
  void send_checks_ahead() {
    // In a send list they went ahead with the next records' already.
    if (!ctx_.components.session.batching() || AddQueue::current() != nullptr) return;
    if (std::vector<std::string> documents = check_documents(); documents.size() > 1)
      ctx_.components.session.prefetch(documents);
  }

  std::vector<std::string> check_documents() {
    qb::ComponentSet& c = ctx_.components;
    const std::string account = customer_.GetChildContent("qbaccountnumber");
    if (account.empty()) return {};
    std::vector<std::string> documents;
    ctx_.set_Country();  // as the customer check does first
    if (!memo_holds(app_.customerMemo, customer_.GetChildContent("id")))
      documents.push_back(c.customer.loadByNameDocument(account));
    if (setup_on(app_, "chkduppayments")) {
      // Its own search: the shared one may be in use (these are sent ahead).
      qb::ObjSearch search(c.session);
      search.settings = c.search.settings;
      search.queryKind = qb::ObjSearch::kReceivedPayments;
      search.amount = std::lround(amount());
      search.entityName = account;
      documents.push_back(search.runDocument());
    }
    return documents;
  }

  void check_customer() {
    status("Validating Customer");
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

  double amount() const { return numeric_value(payment_.GetChildContent("amount")); }
  std::string method() const { return whole(payment_.GetChildContent("method")); }

  // An answer when the user declined to send a possible duplicate.
  std::optional<std::string> duplicate_check() {
    status("Checking for duplicate payments");
    if (!setup_on(app_, "chkduppayments")) return std::nullopt;
    // The QuickBooks payment recorded when this one was sent finds it whatever its memo and
    // reference hold, so a resend after "Mark as NOT sent" is caught.
    std::string matched;
    if (!chkdup_QBPayment(ctx_, customer_.GetChildContent("qbaccountnumber"), amount(), n_,
                          payment_.GetChildContent("reference"),
                          payment_.GetChildContent("quickbooksref"), &matched))
      return std::nullopt;
    RecordDoc& match = app_.paymentMatch;
    const bool markDuplicates = setup_on(app_, "chkmarkduppayments");
    if (confirm_possible_duplicate(app_, "payment", customer_.GetChildContent("description"), match,
                                   markDuplicates, true, "Matched: " + matched))
      return std::nullopt;
    if (!markDuplicates) throw Stop{"Possible duplicate payment. User selected not send payment."};
    const std::string result =
        "Possible duplicate payment. User selected not send payment. Payment marked as exported";
    const bool marked =
        write_data(app_, "UPDATE CustPayments Set QuickBooks = 1, QuickBooksDS = " + now_text() +
                             ", QuickBooksRef = '" + sql_quote(app_.sharedSlots[30]) +
                             "' where number = " + n_);
    return marked ? result
                  : result + kCrlf +
                        "But Vantora could not be marked: mark this payment as sent by hand.";
  }

  void check_method() {
    status("Validating Payment Method");
    const long link = static_cast<long>(numeric_value(method()));
    if (!validate_PMVT(ctx_, link, false))
      throw Stop{
          "No valid payment method associated with this transaction, in Vantora. Cannot export "
          "payment."};
    const std::string deposit = app_.sharedSlots[400];
    if (!validate_PMQB(ctx_, link))
      throw Stop{
          "No valid QuickBooks 'payment method' associated with this transaction. Cannot export"};
    if (deposit.empty()) return;
    status("Validating Deposit Account");
    if (!validate_LedgerQB(ctx_, deposit))
      throw Stop{
          "Cannot validate QB ledger account where payment will be deposite to. Payment not sent!"};
    const std::string replacement = app_.sharedSlots[51];
    if (replacement.empty()) return;
    write_data(app_, "UPDATE CustPaymentMethods SET QBLedger = '" + sql_quote(replacement) +
                         "' WHERE link = " + method());
    RecordDoc& methods = app_.paymentMethodSnapshot;
    methods.MoveToRoot();
    for (bool more = methods.MoveToFirstChild(); more; more = methods.MoveToNextSibling())
      if (whole(methods.GetChildContent("link")) == method()) {
        methods.SetChildValue("qbledger", replacement);
        break;
      }
    methods.MoveToRoot();
  }

  void fail(const std::string& text) {
    failed_ = true;
    failure_ = text;
    app_.sharedSlots[200] = text;
  }

  // The QuickBooks invoice of Vantora invoice or work order `w`, sending it first when the
  // user agrees; "" after fail().
  std::string invoice_txn(const Walk& walk, const std::string& w) {
    status("Validating existance of invoice in QuickBooks INV: " + w);
    RecordDoc order;
    if (!load(app_, "Select * from CustSO where number = " + w, order) ||
        !order.MoveToFirstChild()) {
      fail(walk.missing + w);
      return "";
    }
    const std::string number = whole(order.GetChildContent("number"));
    documentNumber_ = number;
    std::string txn;
    if (numeric_value(order.GetChildContent("quickbooks")) != 0) {
      RecordDoc sent;
      if (sent.LoadXml(order.GetChildContent("xmladd")) && sent.GetChildCount() > 0)
        txn = sent.GetChildContent("QBReference");
      // Searched under the reference it was sent with, among this customer's invoices.
      const std::string reference = order.GetChildContent("quickbooksref");
      if (txn.empty())
        txn = get_QBInvRef(ctx_, reference.empty() ? number : reference,
                           numeric_value(order.GetChildContent("total")),
                           customer_.GetChildContent("qbaccountnumber"));
    } else {
      if (plan_) plan_->toSendFirst.push_back(walk.planned + w);
      std::string question = walk.question;
      if (auto at = question.find('%'); at != std::string::npos) question.replace(at, 1, w);
      if (app_.ui.messageBox(question, Buttons::YesNo, Icon::Question, "Send Invoice ?") !=
          Answer::Yes) {
        fail(walk.declined + w + walk.declinedEnd);
        return "";
      }
      if (send_Invoice(ctx_, static_cast<long>(numeric_value(number))).substr(0, 5) != "Sent!") {
        fail(walk.exportFailed + number + " to QuickBooks.");
        return "";
      }
      txn = app_.sharedSlots[201];
    }
    if (txn.empty()) {
      fail(walk.notFound + w + walk.notFoundEnd);
      return "";
    }
    return txn;
  }

  // Applies `amountText` to Vantora document `w`; false after fail().
  bool apply(const Walk& walk, const std::string& w, const std::string& amountText) {
    const std::string txn = invoice_txn(walk, w);
    if (txn.empty()) return false;
    const std::string record = load_QBInvoice(ctx_, txn);
    if (record.empty()) {
      fail("Invoice " + w + " not found in QuickBooks based on the QB Reference ID.");
      return false;
    }
    RecordDoc invoice;
    invoice.LoadXml(record);
    // Applications are rounded together, so that they add up to the cents of their sum; a
    // rounding that would take them a cent over the payment is taken off.
    const double raw = numeric_value(amountText);
    std::int64_t cents = to_hundredths(rawApplied_ + raw) - to_hundredths(rawApplied_);
    const std::int64_t left = to_hundredths(amount()) - centsApplied_;
    if (cents == left + 1) cents = left;
    auto same = std::find_if(appliedTo_.begin(), appliedTo_.end(),
                             [&](const Applied& a) { return a.txnId == txn; });
    // What this payment's earlier applications left of the invoice's balance.
    const std::int64_t open =
        to_hundredths(numeric_value(invoice.GetChildContent("BalanceRemaining"))) -
        (same == appliedTo_.end() ? 0 : same->cents);
    if (cents > open) {
      fail("The amount of " + cents_text(cents) + " could not be applied to invoice " +
           documentNumber_ + ". The balance outstanding in QuickBooks is " + cents_text(open));
      return false;
    }
    if (cents > left) {
      fail("The amount of " + cents_text(cents) + " could not be applied to invoice " +
           documentNumber_ + ". The payment has " + cents_text(left) + " left to apply.");
      return false;
    }
    rawApplied_ += raw;
    centsApplied_ += cents;
    if (same == appliedTo_.end())
      appliedTo_.push_back({txn, documentNumber_, cents});
    else
      same->cents += cents;
    ++applied_;
    if (plan_) plan_->applications.push_back({w, txn, cents_text(cents)});
    return true;
  }

  static std::string cents_text(std::int64_t cents) {
    return format_number(static_cast<double>(cents) / 100, "0.00");
  }

  // One AppliedToTxnAdd per QuickBooks invoice, with the sum of its applications.
  void list_applications() {
    for (const Applied& a : appliedTo_) {
      RecordDoc element;
      element.LoadXml("<AppliedToTxnAdd><TxnID>" + a.txnId + "</TxnID><PaymentAmount>" +
                      cents_text(a.cents) + "</PaymentAmount></AppliedToTxnAdd>");
      applications_.AppendTree(element);
    }
  }

  void walk_applications() {
    status("Validating if payment can be applied to specific invoices.");
    const std::string id = whole(post_.GetChildContent("id"));
    RecordDoc allocations, deposits;
    if (!load(app_, "Select * from CustAllocate where CRef = " + id, allocations))
      throw Stop{"Cannot open allocation table"};
    if (!load(app_, "Select * from CustWOPayments where PostLink = " + id, deposits))
      throw Stop{"Cannot open WO Deposits table"};
    for (bool more = allocations.MoveToFirstChild(); more; more = allocations.MoveToNextSibling()) {
      const std::string dref = whole(allocations.GetChildContent("dref"));
      RecordDoc entry;
      if (!load(app_, "Select * from CustPost where id = " + dref, entry)) {
        fail("Cannot find record, " + dref + " in customer register.");
        break;
      }
      entry.MoveToFirstChild();
      const double wonumber = numeric_value(entry.GetChildContent("wonumber"));
      if (wonumber < 1) continue;  // not against an invoice
      lastW_ = whole(entry.GetChildContent("wonumber"));
      if (!apply(kInvoiceWalk, lastW_, allocations.GetChildContent("amount"))) break;
    }
    for (bool more = deposits.MoveToFirstChild(); more; more = deposits.MoveToNextSibling()) {
      const double wonumber = numeric_value(deposits.GetChildContent("wonumber"));
      if (wonumber < 1) continue;
      lastW_ = whole(deposits.GetChildContent("wonumber"));
      if (!apply(kWorkOrderWalk, lastW_, deposits.GetChildContent("amount"))) break;
    }
  }

  int application_mode() {
    applications_.Clear();
    applications_.SetTag("aConfig");
    applied_ = 0;
    failed_ = false;
    failure_.clear();
    app_.sharedSlots[200] = "";
    if (option_on(app_, "optapply0")) return qb::ReceivePayment::kNotApplied;
    if (option_on(app_, "optapply1")) return qb::ReceivePayment::kAutoApply;
    if (!option_on(app_, "optapply2")) return qb::ReceivePayment::kNotApplied;
    walk_applications();
    list_applications();
    if (applied_ == 0) {
      // Nothing could be applied: the payment goes unapplied, and its result says why.
      if (failed_) unappliedNote_ = " Not applied to any invoice: " + failure_;
      return qb::ReceivePayment::kNotApplied;
    }
    if (!failed_) return qb::ReceivePayment::kAsListed;
    const std::string question =
        "We are unable to apply this payment to the same invoices in QuickBooks as those in "
        "Vantora for the following "
        "reason: " +
        std::string(kCrlf) + failure_ + kCrlf + kCrlf +
        "Do you want to send this payment without applying it to any exisitng transactions ?";
    if (app_.ui.messageBox(question, Buttons::YesNo, Icon::Question, "Confirm") != Answer::Yes)
      throw Stop{"Could not apply payments to the correct invoices in QuickBooks"};
    if (plan_) plan_->applications.clear();
    appliedTo_.clear();
    return qb::ReceivePayment::kNotApplied;
  }

  void fill(int mode) {
    status("Sending Payment" + (lastW_.empty() ? "" : " " + lastW_));
    qb::ReceivePayment& out = ctx_.components.receivePayment;
    out.reset();
    ctx_.set_Country();
    out.applicationMode = mode;
    if (mode == qb::ReceivePayment::kAsListed) {
      std::string details;
      applications_.MoveToRoot();
      for (bool more = applications_.MoveToFirstChild(); more;
           more = applications_.MoveToNextSibling())
        details += applications_.GetXml();
      applications_.MoveToRoot();
      out.config("AppliedToTransactionDetails=" + details);
    }
    // QuickBooks gets the calendar date itself, whatever display format the user chose.
    out.txnDate = std::floor(numeric_value(payment_.GetChildContent("date")));
    out.customer = customer_.GetChildContent("qbaccountnumber");
    out.totalAmount = to_hundredths(amount());

    RecordDoc& methods = app_.paymentMethodSnapshot;
    methods.MoveToRoot();
    for (bool more = methods.MoveToFirstChild(); more; more = methods.MoveToNextSibling()) {
      if (whole(methods.GetChildContent("link")) != method()) continue;
      out.paymentMethod = methods.GetChildContent("quickbooks");
      if (const std::string ledger = methods.GetChildContent("qbledger"); !ledger.empty()) {
        RecordDoc& accounts = app_.qbAccounts;
        accounts.MoveToRoot();
        for (bool acc = accounts.MoveToFirstChild(); acc; acc = accounts.MoveToNextSibling())
          if (accounts.GetContent() == ledger) {
            out.depositToAccount = accounts.GetChildContent("fname");
            break;
          }
        accounts.MoveToRoot();
      }
      break;
    }
    methods.MoveToRoot();

    std::string memo;
    if (option_on(app_, "optpmemo1"))
      memo = payment_.GetChildContent("comment");
    else if (option_on(app_, "optpmemo2"))
      memo = payment_.GetChildContent("number");
    else if (option_on(app_, "optpmemo3"))
      memo = payment_.GetChildContent("reference");
    // Texts are cut to what QuickBooks takes: it refuses the whole payment otherwise.
    if (!memo.empty()) out.memo = cuts_.take("memo", memo, kQbMemoLength);
    const std::string reference = payment_.GetChildContent("reference");
    out.refNumber = reference.empty()
                        ? payment_.GetChildContent("number")
                        : cuts_.take("reference number", reference, kQbPaymentRefNumberLength);
  }

  // " QuickBooks' amount ... differs from the Vantora amount ...", and the same for each
  // application QuickBooks made otherwise than sent; "" when all agree.
  std::string differences(const RecordDoc& added) const {
    std::vector<send_steps::ComparedAmount> amounts{
        {"amount", "amount", to_hundredths(numeric_value(added.GetChildContent("TotalAmount"))),
         to_hundredths(amount())}};
    for (const Applied& a : appliedTo_) {
      std::int64_t made = 0;
      for (pugi::xml_node line : added.Current().children("AppliedToTxnRet"))
        if (a.txnId == line.child_value("TxnID"))
          made += to_hundredths(numeric_value(line.child_value("Amount")));
      amounts.push_back({"application to invoice " + a.document, "application", made, a.cents});
    }
    const std::string text = send_steps::differences(amounts);
    return text.empty() ? "" : " " + text;
  }

  std::string mark_sent(const std::string& record) {
    RecordDoc added;
    added.LoadXml(record);
    const std::string txnId = added.GetChildContent("TxnID");
    std::string result =
        std::string(kPaymentSent) + unappliedNote_ + differences(added) + cuts_.note();
    marked_ = mark_payment_sent(app_, std::stol(n_), txnId);
    if (!marked_)
      result += std::string(
                    " The payment is in QuickBooks but Vantora could not be marked: mark this "
                    "payment as sent by hand (Run > Mark as sent) so that it is not sent again.") +
                kMarkPending;
    return result;
  }

  MappingContext& ctx_;
  App& app_;
  std::string n_;
  PaymentPlan* plan_;
  RecordDoc payment_, post_, customer_;
  RecordDoc applications_;  // "aConfig": one AppliedToTxnAdd per QuickBooks invoice
  struct Applied {
    std::string txnId;
    std::string document;  // the Vantora invoice or work order
    std::int64_t cents;
  };
  std::vector<Applied> appliedTo_;  // in the order the invoices were first applied to
  double rawApplied_{0};            // the Vantora amounts applied, unrounded
  std::int64_t centsApplied_{0};
  int applied_{0};
  bool failed_{false};
  // The last failure, kept here too: an invoice or work order sent during the walk may open
  // the address dialog, which shows its text through slot 200.
  std::string failure_;
  std::string lastW_;
  std::string documentNumber_;  // the Vantora number of the invoice or work order last looked up
  std::string unappliedNote_;
  FieldCuts cuts_;  // texts cut to QuickBooks' lengths
  bool marked_{false};
  bool quiet_{false};  // reading for checks sent ahead: no status text
};

}  // namespace

std::string send_Payment(MappingContext& ctx, long number, PaymentPlan* plan) {
  return run_now([&] { return send_task<PaymentSender>(ctx, number, plan); });
}

bool mark_payment_sent(App& app, long number, const std::string& txnId) {
  return write_data(app, "UPDATE CustPayments Set QuickBooks = 1, QuickBooksDS = " + now_text() +
                             ", QuickBooksRef = '" + sql_quote(txnId) +
                             "' where number = " + std::to_string(number));
}

void send_Payments(MappingContext& ctx) {
  run_send_list(ctx.app, "send_Payments", [&] {
    ctx.app.ui.setStatus("");
    recover_before_send(ctx, "payment", kPaymentListReceiptColumn, kPaymentListCommentColumn);
    send_record_rows(
        ctx,
        {kPaymentListReceiptColumn, kPaymentListCommentColumn, kPaymentListCompanyColumn,
         "Sending Payment: ",
         [&](long number) { return PaymentSender(ctx, number, nullptr).checks_ahead(); }},
        [&](long number) { return send_task<PaymentSender>(ctx, number, nullptr); },
        [](const WorkRow& row) {
          return row.cells.at(kPaymentListCompanyColumn) + " - " +
                 row.cells.at(kPaymentListAmountColumn);
        });
  });
}

bool chkdup_QBPayment(MappingContext& ctx, const std::string& customer, double amount,
                      const std::string& receipt, const std::string& /*reference*/,
                      const std::string& sentAs, std::string* matched) {
  SharedSlots& slots = ctx.app.sharedSlots;
  slots[30] = "";
  qb::ObjSearch& search = ctx.components.search;
  search.reset();
  search.queryKind = qb::ObjSearch::kReceivedPayments;
  search.amount = std::lround(amount);
  search.entityName = customer;
  search.run();
  RecordDoc& match = ctx.app.paymentMatch;
  const std::string wanted = to_lower_ascii(receipt);
  for (int i = 0; i < search.resultCount(); ++i) {
    match.LoadXml(search.result(i));
    std::string payer;
    if (auto ref = match.FindChild("CustomerRef")) payer = ref->GetChildContent("FullName");
    if (payer != customer) continue;
    const std::string txnId = match.GetChildContent("TxnID");
    std::string why;
    if (!sentAs.empty() && txnId == sentAs)
      why = "the QuickBooks payment Vantora recorded when it sent this payment";
    else if (to_hundredths(numeric_value(match.GetChildContent("TotalAmount"))) !=
             to_hundredths(amount))
      continue;
    else if (to_lower_ascii(match.GetChildContent("Memo")).find(wanted) != std::string::npos)
      why = "receipt number " + receipt + " in the memo";
    else if (to_lower_ascii(match.GetChildContent("RefNumber")).find(wanted) != std::string::npos)
      why = "receipt number " + receipt + " in the reference";
    else
      continue;
    slots[30] = txnId;
    if (matched) *matched = why;
    return true;
  }
  return false;
}

}  // namespace vqb
