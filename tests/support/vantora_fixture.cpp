#include "support/vantora_fixture.h"

#include "app/embedded_sql.h"
#include "app/startup.h"

namespace vqb::test {

VantoraFixture::VantoraFixture() {
  app.settingsFolder = dir.path().string();
  app.programFolder = VQB_TEST_PROGRAM_DIR;
  app.databasePath = dir.file("vantora.db");
  create_database(app.databasePath)->execute(embedded::kVantoraSchemaSql);
  get_globalfolder(app);
}

}  // namespace vqb::test
