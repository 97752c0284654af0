#pragma once
// The Qt UserInterface: message and input boxes, the loader window, the main window's
// status text and progress bar, and the event pump that redraws the window during long
// loops.

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QUrl>
#include <functional>
#include <string>
#include <vector>

#include "app/user_interface.h"

namespace vqb {
struct App;
}
namespace vqb::qb {
struct ComponentSet;
class Session;
}  // namespace vqb::qb

namespace vqb::gui {

inline constexpr const char* kProductTitle = "Vantora QuickBooks Integrator";

// The title of the connection question that --auto-connect answers.
inline constexpr const char* kConnectQuestionTitle = "Connect to QuickBooks?";

// "Preferences", "Setup", ...: a window's name in messages.
std::string dialog_name(DialogKind kind);
// The text shown for a window this version does not have yet.
std::string unavailable_window_text(DialogKind kind);
// What openUrl hands the desktop: a local file (keeping a "#section" as the fragment) or a
// web address.
QUrl url_to_open(const std::string& target);

class QtUi : public UserInterface {
 public:
  struct ShownBox {
    std::string title;
    std::string text;
    Answer answer;
  };

  QtUi() = default;
  // The windows opened by showDialog work on this App.
  void setApp(App* app) { app_ = app; }
  // The main window's QuickBooks components, for the windows that write to QuickBooks (the
  // assign dialog creates classes). Called only when such a write happens; it may throw.
  void setComponents(std::function<qb::ComponentSet&()> components) {
    components_ = std::move(components);
  }
  // The main window's QuickBooks session, over which the setup window makes its components.
  void setSession(std::function<qb::Session&()> session) { session_ = std::move(session); }
  ~QtUi() override;
  // Boxes are centred on this window; status and progress go to these widgets. `redraw`
  // runs on every processEvents, before the events (the window redraws what changed).
  void attach(QWidget* window, QLabel* status, QProgressBar* progress,
              std::function<void()> redraw = {});

  // Answers the connection question once with Yes without showing it (--auto-connect).
  bool autoConnectOnce{false};
  // Never shows a box: each is answered with its default (Ok, No, Cancel; input boxes
  // "") and recorded in `shown`. For tests and unattended documentation runs.
  bool unattended{false};
  // Boxes answered without being shown (auto-connect or unattended), in order.
  std::vector<ShownBox> shown;

  Answer messageBox(const std::string& text, Buttons buttons, Icon icon,
                    const std::string& title) override;
  std::string inputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText) override;
  void showDialog(DialogKind kind, const std::string& parameter) override;
  void openUrl(const std::string& url) override;
  void loaderVisible(bool visible) override;
  void setStatus(const std::string& text) override;
  void setProgress(long value, long maximum) override;
  void processEvents() override;

  // The loader window while it is shown, else null.
  QDialog* loaderWindow() const { return loader_; }

 private:
  App* app_{nullptr};
  std::function<qb::ComponentSet&()> components_;
  std::function<qb::Session&()> session_;
  QPointer<QWidget> window_;
  QPointer<QLabel> status_;
  QPointer<QProgressBar> progress_;
  std::function<void()> redraw_;
  QPointer<QDialog> loader_;
  QPointer<QProgressBar> loaderProgress_;
};

}  // namespace vqb::gui
