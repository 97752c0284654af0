#include "app/setup_file.h"

#include <filesystem>

#include "app/errors.h"

namespace vqb {

std::string setup_file_path(const App& app) {
  return app.globalfolder + "QBsetup.xml";
}

bool load_setup_document(App& app) {
  const std::string path = setup_file_path(app);
  std::error_code ec;
  bool exists = std::filesystem::is_regular_file(path, ec);
  if (!exists || !app.setup.LoadXmlFile(path)) {
    app.setup.Clear();
    app.setup.SetTag("QBSetup");
  }
  app.setup.MoveToRoot();
  return exists;
}

std::string setup_value(App& app, std::string_view key) {
  app.setup.MoveToRoot();
  return app.setup.GetChildContent(key);
}

void save_setup_document(App& app) {
  app.setup.MoveToRoot();
  const std::string path = setup_file_path(app);
  if (!app.setup.SaveXmlFile(path)) throw VqbError(75, "Path/File access error: " + path);
}

void save_setup_value(App& app, std::string_view key, std::string_view value) {
  app.setup.MoveToRoot();
  app.setup.SetChildValue(key, value);
  save_setup_document(app);
}

}  // namespace vqb
