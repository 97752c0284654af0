#pragma once
// The preferences window: a view over PreferencesLogic. Four tabs of check boxes, option
// buttons, prefix boxes and the AR account list; each widget is named after its control
// ("chkDupInvoices", "cmbAR", ...), the tab widget "Tab1", the buttons "cmdUpdate",
// "cmdCancel" and "cmdHelp".

#include <QDialog>
#include <memory>
#include <string>
#include <string_view>

class QTabWidget;

namespace vqb {
struct App;
class PreferencesLogic;
}  // namespace vqb

namespace vqb::gui {

class PreferencesWindow : public QDialog {
  Q_OBJECT
 public:
  // `tab`: "", "General", "Payments", "Invoices" or "Purchase Orders".
  PreferencesWindow(App& app, const std::string& tab, QWidget* parent = nullptr);
  ~PreferencesWindow() override;

  // Opens the window modally on `tab` and returns when it is closed.
  static void showModal(App& app, QWidget* parent, const std::string& tab);

  PreferencesLogic& logic() { return *logic_; }
  QTabWidget* tabs() const { return tabs_; }
  // The widget of a control, by control name; null when there is none.
  QWidget* control(std::string_view name) const;

 public slots:
  void reject() override;  // Cancel, Escape and the close button

 private:
  void build();
  void refresh();
  void save();

  std::unique_ptr<PreferencesLogic> logic_;
  QTabWidget* tabs_{};
};

}  // namespace vqb::gui
