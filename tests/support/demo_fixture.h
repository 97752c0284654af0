#pragma once
// A test App started on a small demo: settings folder, Vantora database and a matching
// simulated QuickBooks company, as `vqb-cli demo` makes them.

#include "app/app.h"
#include "demo/demo_company.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace vqb::test {

struct DemoFixture {
  explicit DemoFixture(const DemoOptions& options = smallOptions());
  TempDir dir;
  FakeUi ui;
  App app{ui};
  qb::DemoSetup demo;
  static DemoOptions smallOptions();
};

}  // namespace vqb::test
