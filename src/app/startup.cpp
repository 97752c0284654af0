#include "app/startup.h"

#include <cstdlib>
#include <filesystem>

#include "app/database.h"
#include "app/errors.h"
#include "app/os_calls.h"
#include "app/text_helpers.h"

namespace vqb {
namespace fs = std::filesystem;

std::string SpecialFolder(App& app, long folderId) {
  try {
    std::string result;
    if (folderId == 28) {
      const char* xdg = std::getenv("XDG_DATA_HOME");
      const char* home = std::getenv("HOME");
      if (xdg && *xdg == '/')
        result = xdg;
      else if (home && *home)
        result = std::string(home) + "/.local/share";
    }
    if (result.empty())
      throw VqbError(err::kSpecialFolder, "The folder path could not be detected");
    return result;
  } catch (const VqbError& error) {
    show_common_error(app.ui, "Module1", "SpecialFolder", error);
    return "";
  }
}

void get_globalfolder(App& app) {
  app.globalfolder.clear();
  const std::string& path = app.databasePath;
  for (std::size_t i = path.size(); i > 0; --i) {
    if (is_path_separator(path[i - 1])) {
      app.globalfolder = path.substr(0, i);
      return;
    }
  }
}

// Where an install puts the data and the manual, relative to the programs' and the data's
// folders; set by the build from its install folders.
#ifndef VQB_DATA_FROM_BIN
#define VQB_DATA_FROM_BIN "../share/vqb"
#endif
#ifndef VQB_MANUAL_FROM_DATA
#define VQB_MANUAL_FROM_DATA "../doc/vqb/manual"
#endif

std::string program_folder_of(const std::string& executableFolder) {
  std::error_code ec;
  if (fs::is_regular_file(fs::path(executableFolder) / kSettingsDatabaseName, ec))
    return executableFolder;
  const fs::path installed = (fs::path(executableFolder) / VQB_DATA_FROM_BIN).lexically_normal();
  if (fs::is_regular_file(installed / kSettingsDatabaseName, ec)) return installed.string();
  return executableFolder;
}

std::string program_folder() {
  std::string folder = os::executable_folder();
  std::error_code ec;
  if (folder.empty()) return fs::current_path(ec).string();
  return program_folder_of(folder);
}

std::string manual_page(const std::string& programFolder, const std::string& anchor) {
  std::error_code ec;
  fs::path page = fs::path(programFolder) / "manual" / "index.html";
  if (!fs::is_regular_file(page, ec)) {
    const fs::path installed =
        (fs::path(programFolder) / VQB_MANUAL_FROM_DATA / "index.html").lexically_normal();
    if (fs::is_regular_file(installed, ec)) page = installed;
  }
  return anchor.empty() ? page.string() : page.string() + "#" + anchor;
}

bool Main(App& app) {
  try {
    const char* fromEnvironment = std::getenv(kSettingsFolderVariable);
    if (!app.settingsFolderOverride.empty()) {
      app.settingsFolder = app.settingsFolderOverride;
    } else if (fromEnvironment && *fromEnvironment) {
      app.settingsFolder = fromEnvironment;
    } else {
      app.settingsFolder = SpecialFolder(app, 28) + kPathSeparator + "Quenbrook";
    }
    while (app.settingsFolder.size() > 1 && is_path_separator(app.settingsFolder.back()))
      app.settingsFolder.pop_back();

    std::error_code ec;
    if (!fs::is_directory(app.settingsFolder, ec)) {
      fs::create_directories(app.settingsFolder, ec);
      if (ec) throw VqbError(err::kPathNotFound, "Path not found: " + app.settingsFolder);
    }

    const std::string settingsDb = app.settingsFolder + kPathSeparator + kSettingsDatabaseName;
    if (!fs::exists(settingsDb, ec)) {
      const std::string source = app.programFolder + kPathSeparator + kSettingsDatabaseName;
      if (!fs::is_regular_file(source, ec))
        throw VqbError(err::kFileNotFound, "File not found: " + source);
      fs::copy_file(source, settingsDb, ec);
      if (ec)
        throw VqbError(err::kPathNotFound,
                       "Path/File access error: " + settingsDb + ": " + ec.message());
    }

    Cell value;
    bool found = false;
    {
      auto db = open_database(settingsDb);
      auto rows = db->queryAll(
          "Select * from settings where form = 'SubMain' and Description = 'DatabaseFile'");
      for (std::size_t i = 0; i < rows.columns.size() && !rows.rows.empty(); ++i) {
        if (to_lower_ascii(rows.columns[i]) == "value") {
          found = true;
          value = rows.rows.front()[i];
          break;
        }
      }
    }
    if (!found || !value || value->empty()) {
      app.ui.messageBox("No database specified. Please open Vantora to point to your database.",
                        Buttons::Ok, Icon::Information, "Error");
    } else {
      app.databasePath = *value;
    }

    get_globalfolder(app);

    app.salesGroupMemo.Clear();
    app.customerMemo.Clear();
    app.vendorMemo.Clear();
    app.spareMemo.Clear();
    return true;
  } catch (const VqbError& error) {
    app.ui.messageBox(number_dash_description(error.number(), error.description()), Buttons::Ok,
                      Icon::Critical, "Vantora");
    return false;
  } catch (const std::exception& error) {
    app.ui.messageBox(number_dash_description(0, error.what()), Buttons::Ok, Icon::Critical,
                      "Vantora");
    return false;
  }
}

}  // namespace vqb
