#pragma once
// vqb-cli send customers|suppliers: the window's "Send to QuickBooks" for the ticked records;
// vqb-cli import customers|suppliers: the window's Import list and Run for the named records.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace vqb::cli {

struct SendOptions {
  std::string kind;  // customers, suppliers, invoices, payments or pos
  // Links (document numbers for invoices, receipt numbers for payments, PO numbers for pos);
  // empty with all.
  std::vector<std::string> keys;
  bool all{false};                   // every record not exported yet
  std::string onNameTaken = "skip";  // link: link to the QuickBooks entry of the same name
  std::vector<std::string> names;    // OLD=NEW: the QuickBooks name to give instead of OLD
  std::vector<std::string> assign;   // CODE=NAME: the assign window's choice for CODE
  // Invoices, payments and pos: the duplicate question answered send (Yes), skip (No) or mark
  // (No, marking the record as sent); "" follows --yes/--no.
  std::string onDuplicate;
  // Invoices, payments and pos: a customer or supplier missing in QuickBooks is created (the
  // validation window's "Create a new ..." choice); otherwise the window is cancelled.
  bool createMissing{false};
  // Payments: "Send Invoice ?" (an invoice or work order the payment is applied to is not in
  // QuickBooks yet) answered Yes; otherwise No.
  bool sendInvoices{false};
  // Ends with a summary: how many were sent, and why the others were not, grouped.
  bool summary{false};
};

// assumeYes: the answer of --yes/--no to the questions no option of the command answers.
int cmd_send(const std::string& settingsFolder, const SendOptions& options,
             std::optional<bool> assumeYes, std::istream& in, std::ostream& out, std::ostream& err,
             bool interactive);

// vqb-cli preview invoices|payments|pos: every check a send runs, then the qbXML the add would send
// (or the text the record stops with); for payments also the applications it would make and
// the invoices that would have to be sent first. Nothing is sent to QuickBooks and nothing is
// written to Vantora.
struct PreviewOptions {
  std::string kind;  // invoices, payments or pos
  std::vector<std::string> keys;
};
int cmd_preview(const std::string& settingsFolder, const PreviewOptions& options, std::istream& in,
                std::ostream& out, std::ostream& err);

struct ImportOptions {
  std::string kind;                // customers or suppliers
  std::vector<std::string> names;  // QuickBooks names (or full names); empty with all
  bool all{false};                 // every QuickBooks record not in Vantora yet
  bool openingBalances{false};     // customers: post their QuickBooks balances
};

int cmd_import(const std::string& settingsFolder, const ImportOptions& options,
               std::optional<bool> assumeYes, std::istream& in, std::ostream& out,
               std::ostream& err, bool interactive);

}  // namespace vqb::cli
