#pragma once
// Sending Vantora supplier purchase orders (SuppPO with its SuppPODetail rows) to QuickBooks.
//
// send_PO reads the order and its supplier, looks for a duplicate in QuickBooks when the setup
// asks for it, checks every line's sales group (copying it from the work-order line when the
// row has none, and writing the user's choices back into Vantora), makes sure the supplier is
// in QuickBooks, then sends one item line per line number (quantities summed) with a text line
// per row under it, the remark lines and three closing lines, and marks the Vantora order.
//
// Result texts: "Sent!" (followed by a note when QuickBooks' total differs from the Vantora
// subtotal, or when Vantora could not be marked), or why the order was not sent. A run-time error
// (QuickBooks refusing the add among them) shows the common error box and gives the error number, a
// space and its description.

#include <string>

#include "mapping/mapping_context.h"

namespace vqb {

// Grid cells of the "Send Supplier POs" list.
inline constexpr std::size_t kPurchaseOrderListSupplierColumn = 1;
inline constexpr std::size_t kPurchaseOrderListNumberColumn = 4;
inline constexpr std::size_t kPurchaseOrderListCommentColumn = 8;

// The first text of every successful result.
inline constexpr const char* kPurchaseOrderSent = "Sent!";

// Sends every ticked row of the purchase-order list whose Comment cell is empty.
void send_POs(MappingContext& ctx);

// Exports Vantora purchase order `number` and returns the text for its Comment cell.
std::string send_PO(MappingContext& ctx, long number);

// The TxnID of a QuickBooks purchase order of vendor `vendor` (its full name) with this
// reference number whose TotalAmount is `amount` to the cent, or whose TxnID is `sentAs` (the
// one Vantora recorded when it was sent before), or "" (also on any error). `match`, when
// given, receives the order found.
std::string get_QBPORef(MappingContext& ctx, const std::string& reference, double amount,
                        const std::string& vendor, RecordDoc* match = nullptr,
                        const std::string& sentAs = "");

// Marks Vantora order `number` exported as QuickBooks order `txnId` (reference `refNumber`),
// with its goods-in status and today's date. False when the update failed (the database
// routine has said why).
bool mark_po_sent(App& app, long number, const std::string& refNumber, const std::string& txnId,
                  const std::string& goodsIn);

}  // namespace vqb
