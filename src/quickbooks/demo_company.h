#pragma once
// The simulated QuickBooks company that goes with the demo Vantora database: every code the
// demo maps exists here, the codes it leaves unmapped do not, and the customers and
// suppliers it shows as exported are here too.

#include <string>

#include "app/demo_data.h"

namespace vqb::qb {

inline constexpr const char* kDemoCompanyFileName = "demo-company.qbxml";

// Writes a new company file at path (replacing one there).
void create_demo_company(const std::string& path, const DemoOptions& options);

}  // namespace vqb::qb
