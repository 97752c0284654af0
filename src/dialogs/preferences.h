#pragma once
// The preferences window frmPreferences without its widgets: every control as data, the
// values it shows, which controls can be used, the starting tab and saving into the setup
// document. The Qt window draws this state and forwards the user's clicks here.
//
// Stored forms (setup document, key = lower-cased control name): a check box "1" or "0"; an
// option button "True" when selected and "False" otherwise; a text box its text; the AR
// account list its text, "" when nothing is chosen. A missing key reads as unticked,
// unselected or empty.

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/app.h"

namespace vqb {

enum class PreferenceKind { CheckBox, Option, TextBox, ListBox };

struct PreferenceControl {
  std::string_view name;  // control name, e.g. "chkDupInvoices"
  PreferenceKind kind;
  std::string_view caption;  // the text beside the control; "" for those without one
  int tab;                   // 1 "General", 2 "Payments", 3 "Invoices", 4 "Purchase Orders"
  std::string_view group;    // option buttons: the group that allows one selection; else ""
  std::string_view hint;     // what a control without a caption does (tooltip); else ""

  // The setup key: the lower-cased control name.
  std::string key() const;
};

inline constexpr int kPreferencesTabCount = 4;
inline constexpr std::array<std::string_view, kPreferencesTabCount> kPreferencesTabNames = {
    "General", "Payments", "Invoices", "Purchase Orders"};

// The AR account list and its label.
inline constexpr std::string_view kArControl = "cmbAR";
inline constexpr std::string_view kArLabel = "Send to AR Account (Optional)";

// Every control of the window, tab by tab in the order shown.
std::span<const PreferenceControl> preference_controls();
// The control named `nameOrKey`, compared without regard to case; nullptr when none.
const PreferenceControl* find_preference_control(std::string_view nameOrKey);

// "" when `value` is a stored form the control can hold; otherwise why it cannot.
// Check boxes take "1" or "0", option buttons "True" or "False", the others any text.
std::string check_preference_value(const PreferenceControl& control, std::string_view value);
// Stores one preference as the window would (selecting an option stores "False" for the
// other options of its group) and saves the setup file. Throws VqbError 5 for a value that
// check_preference_value rejects, 75 when the file cannot be written.
void set_preference(App& app, const PreferenceControl& control, std::string_view value);

class PreferencesLogic {
 public:
  // `requestedTab` is the tab the caller asks for: "", "General", "Payments", "Invoices" or
  // "Purchase Orders".
  PreferencesLogic(App& app, std::string requestedTab);

  App& app;
  std::string requestedTab;
  int tab{1};          // the tab shown, 1 to 4
  std::string focus;   // the control that should get the focus ("" = leave it)
  bool closed{false};  // the window should close
  bool saved{false};   // closing saved the setup document

  // Window events.
  void Form_Load();     // fill_me; errors go to the common error report
  void Timer1_Timer();  // the starting tab
  void fill_me();
  void enb_me();
  // Saves and closes; false when the window stays open (an unknown AR account, or the
  // setup file could not be written: then the setup document is left as it was).
  bool cmdUpdate_Click();
  void cmdCancel_Click();
  // Opens the manual's page on preferences.
  void cmdHelp_Click();

  // A click on a check box (tick or untick) or an option button (select it, which clears
  // the others of its group), then enb_me.
  void click(std::string_view control, bool value);
  // Typing in a text box or in the AR account list.
  void setText(std::string_view control, std::string text);

  bool value(std::string_view control) const;  // ticked / selected
  const std::string& text(std::string_view control) const;
  bool enabled(std::string_view control) const;
  // The entries of the AR account list: the full names of the loaded QuickBooks accounts.
  const std::vector<std::string>& arAccounts() const { return arAccounts_; }

  // The stored form of a control's present state.
  std::string storedForm(std::string_view control) const;

 private:
  struct State {
    bool value{false};
    std::string text;
    bool enabled{true};
  };
  std::size_t indexOf(std::string_view control) const;
  void setValue(std::size_t index, bool value);

  std::vector<State> states_;
  std::vector<std::string> arAccounts_;
};

}  // namespace vqb
