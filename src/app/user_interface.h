#pragma once
// Everything the core asks of a person goes through this interface: the Qt program draws
// it, vqb-cli answers from its flags or the terminal, tests answer from a script.

#include <string>

namespace vqb {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Information, Critical, Question, Exclamation };
enum class Answer { Ok, Cancel, Yes, No };

// Modal windows the core may ask for; their logic classes live in the core.
enum class DialogKind {
  Assign,
  ParseAddress,
  CustomerValidation,
  VendorValidation,
  Preferences,
  Setup,
  Loader,
  About,
  Password,
  UpdateCustomers,
  // The period and kinds of a reconciliation: slots 1 and 2 the first and last date
  // ("YYYY-MM-DD", "" open), slot 3 the kinds ("invoices,payments,pos,customers,suppliers");
  // slot 0 "1" when confirmed.
  Reconcile,
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  virtual Answer messageBox(const std::string& text, Buttons buttons, Icon icon,
                            const std::string& title) = 0;
  // "" means cancelled.
  virtual std::string inputBox(const std::string& prompt, const std::string& title,
                               const std::string& defaultText) = 0;
  // Shows a modal dialog; `parameter` is kind-specific (the preferences tab, ...).
  // Results travel through SharedSlots and the setup document, as the dialogs write them.
  virtual void showDialog(DialogKind kind, const std::string& parameter) = 0;
  // Opens a web page or local file in the desktop's browser (the user manual).
  virtual void openUrl(const std::string& url) = 0;
  // Shows or hides the small modal window that tells the user the lists are loading.
  virtual void loaderVisible(bool) {}
  virtual void setStatus(const std::string& text) = 0;
  virtual void setProgress(long value, long maximum) = 0;
  virtual void processEvents() = 0;
};

}  // namespace vqb
