#pragma once
// Splitting a free-text address into the QuickBooks address fields, and the dialog
// frmParseAddress in which the user splits one by hand.
//
// parse_address tries, in order: the address parser; a plain split of the text at its
// carriage returns; the cache of addresses split by hand (app.parsedAddresses, saved as
// "parsedAddresses.xml" in app.globalfolder); and the dialog. A result is accepted only when
// every line has at most 40 characters, the city at most 30, the state at most 20 and the
// postal code at most 13 (characters, not bytes); the country is never measured.
//
// How a view drives the dialog (the core shows it with DialogKind::ParseAddress; slot 200
// holds the text, the answer goes to slot 0 and slots 201 to 207):
//   ParseAddressLogic logic(app);
//   logic.Form_Load();             // txtMain = the text; the seven boxes emptied
//   ... draw kCaption, kTitle, kHeading, kInstruction, kLabels; box i takes at most
//       kMaxLengths[i] characters; the user types into logic.txt[i] ...
//   Update -> cmdUpdate_Click(): false = a box is too long; the message was shown through
//             app.ui and focusBox() names the box to focus with its whole text selected.
//             true = the answer is in the slots; close.
//   Cancel or closing the window -> cmdCancel_Click(); Help -> cmdHelp_Click() (nothing).

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "app/app.h"
#include "export/address_parser.h"
#include "quickbooks/components.h"

namespace vqb {

inline constexpr std::size_t kAddressLineLimit = 40;
inline constexpr std::size_t kAddressCityLimit = 30;
inline constexpr std::size_t kAddressStateLimit = 20;
inline constexpr std::size_t kAddressPostalLimit = 13;
inline constexpr const char* kParsedAddressesFile = "parsedAddresses.xml";

// Which means gave the address.
enum class AddressMeans {
  Parser,        // the parser's answer (also when the parser reported an error)
  LineSplit,     // the text cut at its carriage returns
  Cache,         // an earlier answer of the user for the same text
  Dialog,        // the user's answer just now
  Cancelled,     // the user cancelled the dialog
  DialogNeeded,  // only with askUser = false: the dialog would have been shown
  Failed,        // an unexpected failure, reported through the common error report
};
// "parser", "line split", "cache", "dialog", "cancelled", "dialog needed", "failed".
const char* means_text(AddressMeans means);

struct AddressSplit {
  bool accepted{false};  // what parse_address returns
  AddressMeans means{AddressMeans::Parser};
};

struct ParseAddressOptions {
  // Stands in for the address parser (tests); empty: AddressParser with abbreviateToFit on.
  std::function<ParsedAddress(const std::string& text)> parser;
  // false: stop where the dialog would be shown, report DialogNeeded and return false.
  bool askUser{true};
};

// Splits `text` into `address` (lines 1 to 4, city, state, postal code, country). True: use
// `address` (split by one of the four means, or left empty because the user chose so, or
// after a failure that was reported). False: the user cancelled the dialog.
bool parse_address(App& app, qb::Address& address, const std::string& text);
AddressSplit split_address(App& app, qb::Address& address, const std::string& text,
                           const ParseAddressOptions& options = {});

// Every field within its limit.
bool address_fits(const qb::Address& address);

// The plain split: the text cut at up to four carriage returns (the character after each is
// skipped as its line feed) into lines 1 to 4 and a fifth line read as the city line
// ("City, ST 12345"). Fills lines 1 to 4, city, state and postal code; leaves the country.
void split_address_lines(std::string_view text, qb::Address& address);

// The dialog without its widgets.
class ParseAddressLogic {
 public:
  static constexpr const char* kCaption = "Parse Address";
  static constexpr const char* kTitle = "Cannot Parse Address";
  static constexpr const char* kHeading = "QuickBooks was unable to parse the following address:";
  static constexpr const char* kInstruction =
      "Select and copy text from the text box above and paste it into the correct fields below. To "
      "send this "
      "invoice without an address, leave all fields below blank and click 'Update'. Click 'Cancel' "
      "if you don't "
      "want to send this invoice.";
  static constexpr std::array<const char*, 7> kLabels{"Address Line 1 (40 Char Max)",
                                                      "Address Line 2 (40 Char Max)",
                                                      "Address Line 3 (40 Char Max)",
                                                      "Address Line 4 (40 Char Max)",
                                                      "City (30 Char Max)",
                                                      "State (20 Char Max)",
                                                      "Zip / Postal Code (13 Char Max)"};
  static constexpr std::array<std::size_t, 7> kMaxLengths{40, 40, 40, 40, 30, 20, 13};
  static constexpr std::array<const char*, 7> kMessages{
      "Address Line 1 cannot be more than 40 Characters.",
      "Address Line 2 cannot be more than 40 Characters.",
      "Address Line 3 cannot be more than 40 Characters.",
      "Address Line 4 cannot be more than 40 Characters.",
      "The City cannot be more than 30 Characters.",
      "The State cannot be more than 20 Characters.",
      "The Zip/Postal Code cannot be more than 13 Characters."};
  static constexpr const char* kUpdateCaption = "&Update";
  static constexpr const char* kCancelCaption = "&Cancel";
  static constexpr const char* kHelpCaption = "Help";

  explicit ParseAddressLogic(App& app) : app_(app) {}

  std::string txtMain;             // the address text, read-only
  std::array<std::string, 7> txt;  // txt1 to txt7: lines 1 to 4, city, state, postal code

  // txtMain from slot 200; the seven boxes emptied.
  void Form_Load();
  // Checks the boxes in order; the first one longer than its limit shows its message (OK
  // button, no icon, the default title) and the dialog stays open. Otherwise the boxes
  // go to slots 201 to 207, slot 0 becomes "1" and the dialog closes. Returns closed().
  bool cmdUpdate_Click();
  // Closes; slot 0 stays as the caller set it ("").
  void cmdCancel_Click() { closed_ = true; }
  void cmdHelp_Click() {}

  // The box (0 to 6) to give the focus with its whole text selected; -1 for none.
  int focusBox() const { return focus_; }
  bool closed() const { return closed_; }

 private:
  App& app_;
  int focus_{-1};
  bool closed_{false};
};

}  // namespace vqb
