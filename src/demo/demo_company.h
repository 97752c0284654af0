#pragma once
// The simulated QuickBooks company that goes with the demo Vantora database: every code the
// demo maps exists here, the codes it leaves unmapped do not, and the customers and
// suppliers it shows as exported are here too.

#include <string>

#include "demo/demo_data.h"
#include "demo/demo_setup.h"

namespace vqb::qb {

inline constexpr const char* kDemoCompanyFileName = "demo-company.qbxml";

// Writes a new company file at path (replacing one there).
void create_demo_company(const std::string& path, const DemoOptions& options);

// The whole demo: make_demo_folder, the matching company in the folder, and the connection
// setting that chooses it. Returns where everything is; companyFile is set. With
// existingCompany the folder chooses that company file instead of a new one (a second
// Vantora database working with the same QuickBooks company).
struct DemoSetup : DemoFolder {
  std::string companyFile;
};
DemoSetup make_demo(const std::string& folder, const DemoOptions& options, bool replace,
                    const std::string& existingCompany = "");

}  // namespace vqb::qb
