#pragma once
// Sending Vantora customer payments (CustPayments with their CustPost register entry) to
// QuickBooks as received payments.
//
// send_Payment reads the payment, its register entry and its customer, looks for a duplicate
// in QuickBooks when the setup asks for it, checks the payment method and its deposit
// account, works out which QuickBooks invoices the payment is applied to (sending, when the
// user agrees, invoices and work orders QuickBooks does not have yet), adds the payment and
// marks the Vantora payment as sent.
//
// Application options (setup): "optapply0" not applied; "optapply1" QuickBooks applies it to
// the oldest open invoices; "optapply2" applied to the invoices its Vantora
// allocations (CustAllocate) and work-order deposits (CustWOPayments) name, with the same
// amounts. With none of them on the payment is not applied.
//
// Result texts: "Sent!" (possibly followed by a note: the payment went unapplied and why,
// QuickBooks' amount or an application differs from Vantora's, or Vantora could not be
// marked), or why the payment was not sent. A run-time error (QuickBooks
// refusing the add among them) shows the common error box and gives the error number, a space
// and its description.

#include <string>
#include <vector>

#include "mapping/mapping_context.h"

namespace vqb {

// Grid cells of the "Send Customer Payments" list.
inline constexpr std::size_t kPaymentListCompanyColumn = 1;
inline constexpr std::size_t kPaymentListAmountColumn = 2;
inline constexpr std::size_t kPaymentListReceiptColumn = 5;
inline constexpr std::size_t kPaymentListCommentColumn = 7;

// The first text of every successful result.
inline constexpr const char* kPaymentSent = "Sent!";

// What one send worked out, for a preview: the applications it made and the invoices and work
// orders that had to be sent to QuickBooks first (whatever the answer was).
struct PaymentPlan {
  struct Application {
    std::string document;  // the Vantora invoice or work-order number
    std::string txnId;     // the QuickBooks invoice
    std::string amount;    // "0.00"
  };
  std::vector<Application> applications;
  std::vector<std::string> toSendFirst;  // "invoice 10012", "work order 20007"
};

// Sends every ticked row of the payment list whose Comment cell is empty.
void send_Payments(MappingContext& ctx);

// Exports Vantora payment `number` (the receipt number) and returns the text for its Comment
// cell. `plan`, when given, receives what the send worked out.
std::string send_Payment(MappingContext& ctx, long number, PaymentPlan* plan = nullptr);

// The mark of a sent payment: QuickBooks = 1, the time and QuickBooks' TxnID. False when
// Vantora could not be written.
bool mark_payment_sent(App& app, long number, const std::string& txnId);

// True when QuickBooks holds a payment of customer `customer` whose TxnID is `sentAs` (the one
// Vantora recorded when it sent the payment), or one for `amount` to the cent whose memo or
// reference number contains `receipt` (case-insensitive). Slot 30 := its TxnID ("" when
// none); `matched`, when given, receives what matched ("receipt number 95001 in the memo");
// the last payment looked at stays in app.paymentMatch. `reference` is not compared.
bool chkdup_QBPayment(MappingContext& ctx, const std::string& customer, double amount,
                      const std::string& receipt, const std::string& reference,
                      const std::string& sentAs = "", std::string* matched = nullptr);

}  // namespace vqb
