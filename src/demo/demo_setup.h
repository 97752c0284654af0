#pragma once
// Makes a folder a ready settings folder for the demo: its "local.mdb" names a demo
// Vantora database that lives in the same folder.

#include <string>

#include "demo/demo_data.h"

namespace vqb {

struct DemoFolder {
  std::string settingsFolder;  // absolute
  std::string settingsDatabase;
  std::string vantoraDatabase;
};

// Refuses (VqbError 58 "File already exists") when the folder already holds a Vantora
// database, unless replace is true.
DemoFolder make_demo_folder(const std::string& folder, const DemoOptions& options, bool replace);

inline constexpr const char* kDemoDatabaseName = "vantora.db";

}  // namespace vqb
