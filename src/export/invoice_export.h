#pragma once
// Sending Vantora invoices (CustSO with its custsodetail lines) to QuickBooks.
//
// send_Invoice reads the invoice and its customer, looks for a duplicate in QuickBooks when
// the setup asks for it, checks every code the invoice uses (repairing the Vantora data with
// the user's choice), fills the QuickBooks invoice header, one item row per line, the
// discount row and three closing rows, adds it and marks the Vantora invoice as sent.
//
// Result texts: "Sent! " (possibly followed by a note: QuickBooks' subtotal, sales tax or
// total differs from Vantora's, or Vantora could not be marked), or why the invoice was not sent. A
// run-time error (QuickBooks refusing the add, an amortize group outside 0..1000) gives the
// error number, a space and its description, and nothing is written to Vantora.

#include <string>

#include "mapping/mapping_context.h"

namespace vqb {

// Grid cells of the "Send Customer Invoices" list.
inline constexpr std::size_t kInvoiceListDocNumberColumn = 4;
inline constexpr std::size_t kInvoiceListCommentColumn = 8;

// The first text of every successful result.
inline constexpr const char* kInvoiceSent = "Sent! ";

// Sends every ticked row of the invoice list whose Comment cell is empty.
void send_Invoices(MappingContext& ctx);

// Exports Vantora invoice `number` and returns the text for its Comment cell.
std::string send_Invoice(MappingContext& ctx, long number);

// The mark of a sent invoice: `xmlAdd` (the invoice's xmladd) with QBReference := txnId, the
// QuickBooks reference, QuickBooks = 1 and the time. False when Vantora could not be written.
bool mark_invoice_sent(App& app, long number, const std::string& xmlAdd, const std::string& txnId,
                       const std::string& refNumber);

// The TxnID of a QuickBooks invoice of customer `customer` (its full name) with this
// reference number whose Subtotal is `amount` to the cent, or whose TxnID is `sentAs` (the one
// the Vantora invoice recorded when it was sent before), or "". The last invoice looked at
// stays in app.invoiceMatch.
std::string get_QBInvRef(MappingContext& ctx, const std::string& reference, double amount,
                         const std::string& customer, const std::string& sentAs = "");

// Loads QuickBooks invoice `txnId` into the invoice component and returns its qbXML record;
// "" when QuickBooks has no such invoice.
std::string load_QBInvoice(MappingContext& ctx, const std::string& txnId);

}  // namespace vqb
