#include "support/demo_fixture.h"

#include "app/startup.h"

namespace vqb::test {

DemoOptions DemoFixture::smallOptions() {
  DemoOptions options;
  options.customers = 12;
  options.suppliers = 5;
  options.invoices = 20;
  options.payments = 8;
  options.purchaseOrders = 6;
  return options;
}

DemoFixture::DemoFixture(const DemoOptions& options) {
  demo = qb::make_demo(dir.file("demo"), options, false);
  app.programFolder = VQB_TEST_PROGRAM_DIR;
  app.settingsFolderOverride = demo.settingsFolder;
  Main(app);
}

}  // namespace vqb::test
