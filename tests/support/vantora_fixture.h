#pragma once
// A test App on a temporary folder with an empty Vantora database built from the schema.

#include <memory>
#include <string>

#include "app/app.h"
#include "app/database.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace vqb::test {

struct VantoraFixture {
  VantoraFixture();
  TempDir dir;
  FakeUi ui;
  App app{ui};
  // A fresh connection to the test database (tests check rows written through it).
  std::unique_ptr<Database> db() const { return open_database(app.databasePath); }
};

}  // namespace vqb::test
