#pragma once
// What the send benchmarks share: a user interface that answers the way the export tests do,
// and the list loading the window does on connecting.

#include <filesystem>
#include <random>
#include <string>

#include "app/app.h"
#include "app/startup.h"
#include "demo/demo_company.h"
#include "demo/silent_ui.h"
#include "main_window/main_window_logic.h"
#include "mapping/list_loader.h"
#include "quickbooks/session.h"

namespace vqb::bench {

// Creates a customer or supplier QuickBooks does not know ("1" in the validation window),
// cancels the assign window and gives every box its default.
class AnsweringUi : public SilentUi {
 public:
  void showDialog(DialogKind kind, const std::string&) override {
    if (kind == DialogKind::CustomerValidation || kind == DialogKind::VendorValidation)
      app->sharedSlots[1] = "1";
    if (kind == DialogKind::Assign) app->sharedSlots[0] = "";
  }
  App* app = nullptr;
};

// A demo of its own in a fresh temporary folder (removed at the end), started as the program
// starts, answered by AnsweringUi.
struct DemoApp {
  DemoApp(const std::string& name, const DemoOptions& options)
      : folder(std::filesystem::temp_directory_path() /
               (name + "-" + std::to_string(std::random_device{}()))),
        demo(qb::make_demo((folder / "demo").string(), options, true)) {
    ui.app = &app;
    app.programFolder = program_folder();
    app.settingsFolderOverride = demo.settingsFolder;
    started = Main(app);
  }
  ~DemoApp() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  DemoApp(const DemoApp&) = delete;
  DemoApp& operator=(const DemoApp&) = delete;

  std::filesystem::path folder;
  qb::DemoSetup demo;
  AnsweringUi ui;
  App app{ui};
  bool started = false;
};

// Loads every list through `session` as the window does after "Yes", then the window's
// mapping switches; false when the loader failed.
inline bool load_lists(App& app, qb::Session& session, MainWindowLogic& window) {
  ListLoader loader(app, [&]() -> qb::Session& { return session; });
  loader.Form_Load();
  if (!loader.pop_me()) return false;
  window.load_setup();
  return true;
}

}  // namespace vqb::bench
