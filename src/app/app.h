#pragma once
// Process-wide state of the integrator. One App per process; every test builds its own.

#include <array>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/record_doc.h"
#include "app/user_interface.h"

namespace vqb {

class Database;
namespace os {
class FileLock;
}

// 501 text slots (0 to 500) through which procedures and dialogs pass values.
class SharedSlots {
 public:
  static constexpr std::size_t kCount = 501;
  // Raises error 9 "Subscript out of range" outside 0..500.
  std::string& operator[](long index);
  const std::string& operator[](long index) const;
  void clear();

 private:
  std::array<std::string, kCount> slots_{};
};

// Lets the user interface process pending events at most a few times per second, however
// often a loop asks, so long loops stay responsive without paying per field.
class EventPump {
 public:
  explicit EventPump(UserInterface& ui,
                     std::chrono::milliseconds interval = std::chrono::milliseconds(100))
      : ui_(ui), interval_(interval) {}
  void pump();

 private:
  UserInterface& ui_;
  std::chrono::milliseconds interval_;
  std::chrono::steady_clock::time_point last_{};
  unsigned calls_{};
};

// The user interface as the core reaches it: forwards to the one the App was made with, and
// runs beforePrompt (when set) before any box or window is shown, so that a send list's waiting
// adds go to QuickBooks first. `asks` is false for a message box with only an OK button: it
// tells something and asks nothing.
class PromptingUi final : public UserInterface {
 public:
  explicit PromptingUi(UserInterface& target) : target_(target) {}
  UserInterface& target() { return target_; }
  std::function<void(bool asks)> beforePrompt;

  Answer messageBox(const std::string& text, Buttons buttons, Icon icon,
                    const std::string& title) override {
    prompting(buttons != Buttons::Ok);
    return target_.messageBox(text, buttons, icon, title);
  }
  std::string inputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText) override {
    prompting(true);
    return target_.inputBox(prompt, title, defaultText);
  }
  void showDialog(DialogKind kind, const std::string& parameter) override {
    prompting(true);
    target_.showDialog(kind, parameter);
  }
  void openUrl(const std::string& url) override { target_.openUrl(url); }
  void loaderVisible(bool visible) override { target_.loaderVisible(visible); }
  void setStatus(const std::string& text) override { target_.setStatus(text); }
  void setProgress(long value, long maximum) override { target_.setProgress(value, maximum); }
  void processEvents() override { target_.processEvents(); }

 private:
  void prompting(bool asks) {
    if (beforePrompt) beforePrompt(asks);
  }
  UserInterface& target_;
};

struct App {
  explicit App(UserInterface& userInterface) : ui(userInterface), events(ui) {}
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  PromptingUi ui;
  EventPump events;

  // Where things are.
  std::string settingsFolder;  // per-user settings folder (no trailing separator)
  std::string databasePath;    // the Vantora database file; "" when none is configured
  std::string globalfolder;    // databasePath up to and including its last separator
  std::string programFolder;   // holds the settings template "local.mdb" and the grid layout
  // Set by the caller before start-up to use another settings folder (tests, demo, --settings).
  std::string settingsFolderOverride;

  SharedSlots sharedSlots;

  // Shared documents.
  RecordDoc scratch;          // "rData": the last read_data snapshot
  RecordDoc setup;            // "QBSetup": QBsetup.xml
  RecordDoc parsedAddresses;  // "parsedAddresses": parsedAddresses.xml
  RecordDoc sqlBatch;         // "strStatements": statements run by write_data2
  RecordDoc salesGroupMemo;   // validation memos, cleared at start-up
  RecordDoc customerMemo;
  RecordDoc vendorMemo;
  RecordDoc spareMemo;
  // The QuickBooks invoice the invoice duplicate search looked at last.
  RecordDoc invoiceMatch;
  // The QuickBooks payment the payment duplicate search looked at last.
  RecordDoc paymentMatch;

  // Copies of Vantora code tables, made by the list loader on each connection.
  RecordDoc taxSnapshot;            // "Select * from tax", keyed by link
  RecordDoc lineTaxSnapshot;        // "Select * from lineTax", keyed
  RecordDoc termsSnapshot;          // "Select * from Terms", keyed
  RecordDoc usersSnapshot;          // "Select * from Users", keyed
  RecordDoc industrySnapshot;       // "Select * from custindustry", keyed
  RecordDoc classSnapshot;          // "Select * from qbclass", keyed
  RecordDoc qbSettingsSnapshot;     // "Select * from quickbooks", not keyed
  RecordDoc paymentMethodSnapshot;  // "Select * from CustPaymentMethods", keyed
  RecordDoc salesGroupSnapshot;     // "Select * from SalesGroup", not keyed

  // Copies of QuickBooks lists, made by the list loader.
  RecordDoc
      qbTaxItems;  // "QBTaxItems": sales tax items and groups (groups with a computed TaxRate)
  RecordDoc qbTaxCodes;       // "QBTaxCodes"
  RecordDoc qbReps;           // "QBRep": sales reps
  RecordDoc qbCustomerTypes;  // "QBRep": customer types
  RecordDoc qbPayMethods;     // "QBPayMethods"
  RecordDoc qbTerms;          // "QBTerms": standard, then date-driven terms
  RecordDoc qbClasses;        // no root tag; "ClassT"/"ClassF" children holding the full name
  RecordDoc qbAccounts;       // "Accounts": "AccName" children with an "fname" child

  // The Vantora database connection a DatabaseRun keeps open for the database layer
  // (app/module1.h); null when none is held.
  Database* heldDatabase{nullptr};
  // The intent journal's connection (export/intent_journal.h), opened on the first add and
  // kept, with the path it was opened on.
  std::shared_ptr<Database> intentJournal;
  std::string intentJournalPath;
  // The send run the adds of this process are logged under (export/send_runs.h); 0 when none
  // is open.
  long long sendRun{0};
  // The lock on the Vantora database this process holds while it writes
  // (app/integrator_lock.h); expired when none is held.
  std::weak_ptr<os::FileLock> integratorLock;

  // Whether set_Country gives the QuickBooks components their version and application name.
  bool applyConnectionSettings{true};
  // While on, write_data and write_data2 change nothing and answer true (previews).
  bool holdWrites{false};
  // Set by the maintenance password; shows the maintenance items of the help menu.
  bool maintenanceUnlocked{false};
};

// Path separator rules: "the last backslash" of a Windows path is the last separator here.
bool is_path_separator(char c);
constexpr char kPathSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

}  // namespace vqb
