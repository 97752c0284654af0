#include "app/setup_file.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <pugixml.hpp>
#include <sstream>
#include <system_error>

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

std::string settings_file_problem(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::symlink_status(path, ec).type() == std::filesystem::file_type::not_found)
    return "";
  std::ifstream in(path, std::ios::binary);
  if (!in) return "it cannot be opened: " + std::generic_category().message(errno);
  std::ostringstream text;
  text << in.rdbuf();
  pugi::xml_document doc;
  const std::string content = text.str();
  pugi::xml_parse_result parsed = doc.load_buffer(content.data(), content.size());
  if (!parsed)
    return std::string(parsed.description()) + " at byte " + std::to_string(parsed.offset);
  if (!doc.document_element()) return "it holds no settings";
  return "";
}

void refuse_damaged_settings_file(const std::string& path) {
  const std::string problem = settings_file_problem(path);
  if (problem.empty()) return;
  throw VqbError(75, "The settings file \"" + path + "\" cannot be read (" + problem +
                         "). Nothing was changed: repair the file or move it away first.");
}

void save_setup_document(App& app) {
  app.setup.MoveToRoot();
  const std::string path = setup_file_path(app);
  refuse_damaged_settings_file(path);
  if (!app.setup.SaveXmlFile(path)) throw VqbError(75, "Path/File access error: " + path);
}

void save_setup_value(App& app, std::string_view key, std::string_view value) {
  app.setup.MoveToRoot();
  app.setup.SetChildValue(key, value);
  save_setup_document(app);
}

}  // namespace vqb
