#pragma once
// Runs the mapping checks a send would run for one record, in the same order, without
// sending anything, and says what stops it. A mapping that would need the assign dialog is
// reported with the dialog's question instead of asking it.

#include <string>
#include <vector>

#include "mapping/mapping_context.h"

namespace vqb {

enum class CheckKind { Invoice, Payment, PurchaseOrder, Customer };

struct CheckResult {
  bool ok{false};
  std::string text;         // "OK", or the text the send would stop with
  std::string dialogTitle;  // the assign dialog the check needed, if any
  std::string dialogMessage;
};

// `key`: the invoice, receipt or purchase-order number, or the customer's link.
// The loaded lists (the list loader) must be in place. Answers the assign dialog with
// "cancel": the caller's UserInterface must not show it (see CheckingUi).
CheckResult check_mappings(MappingContext& ctx, CheckKind kind, long key);

// A UserInterface that passes everything to another one but answers the assign dialog by
// cancelling it and remembering what it would have asked.
class CheckingUi : public UserInterface {
 public:
  explicit CheckingUi(UserInterface& inner) : inner_(inner) {}
  // The App whose slots the assign dialog would read (set once the App exists).
  void attach(App& app) { app_ = &app; }
  Answer messageBox(const std::string& text, Buttons buttons, Icon icon,
                    const std::string& title) override;
  std::string inputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText) override {
    return inner_.inputBox(prompt, title, defaultText);
  }
  void showDialog(DialogKind kind, const std::string& parameter) override;
  void openUrl(const std::string& url) override { inner_.openUrl(url); }
  void setStatus(const std::string&) override {}
  void setProgress(long, long) override {}
  void processEvents() override {}

  std::string dialogTitle, dialogMessage;
  std::vector<std::string> messages;  // boxes the checks showed

 private:
  UserInterface& inner_;
  App* app_{nullptr};
};

}  // namespace vqb
