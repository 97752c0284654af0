#include "demo/demo_setup.h"

#include <filesystem>

#include "app/database.h"
#include "app/embedded_sql.h"
#include "app/errors.h"
#include "app/startup.h"
#include "app/text_helpers.h"

namespace vqb {
namespace fs = std::filesystem;

DemoFolder make_demo_folder(const std::string& folder, const DemoOptions& options, bool replace) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) throw VqbError(err::kPathNotFound, "Path not found: " + folder);
  fs::path base = fs::absolute(folder, ec);
  DemoFolder result;
  result.settingsFolder = base.lexically_normal().string();
  while (result.settingsFolder.size() > 1 && result.settingsFolder.back() == '/')
    result.settingsFolder.pop_back();
  result.settingsDatabase = (base / kSettingsDatabaseName).string();
  result.vantoraDatabase = (base / kDemoDatabaseName).string();

  if (fs::exists(result.vantoraDatabase)) {
    if (!replace) throw VqbError(58, "File already exists: " + result.vantoraDatabase);
    fs::remove(result.vantoraDatabase, ec);
    // Settings that belong to the old demo data go with it.
    for (const char* name : {"QBsetup.xml", "parsedAddresses.xml"}) fs::remove(base / name, ec);
  }
  create_demo_vantora_database(result.vantoraDatabase, options);

  if (!fs::exists(result.settingsDatabase))
    create_database(result.settingsDatabase)->executeScript(embedded::kSettingsTemplateSql);
  open_database(result.settingsDatabase)
      ->execute("UPDATE settings SET Value = '" + sql_quote(result.vantoraDatabase) +
                "' WHERE form = 'SubMain' AND Description = 'DatabaseFile'");
  return result;
}

}  // namespace vqb
