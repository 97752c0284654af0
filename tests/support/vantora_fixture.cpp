#include "support/vantora_fixture.h"

#include "app/embedded_sql.h"
#include "app/startup.h"

namespace vqb::test {

VantoraFixture::VantoraFixture() {
  app.settingsFolder = dir.path().string();
  app.programFolder = VQB_TEST_PROGRAM_DIR;
  app.databasePath = dir.file("vantora.db");
  // One transaction: the schema's statements would otherwise each sync to disk.
  auto db = create_database(app.databasePath);
  Transaction transaction(*db);
  db->executeScript(embedded::kVantoraSchemaSql);
  transaction.commit();
  get_globalfolder(app);
}

}  // namespace vqb::test
