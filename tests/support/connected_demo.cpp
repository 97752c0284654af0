#include "support/connected_demo.h"

#include "app/database.h"

namespace vqb::test {

ConnectedDemoFixture::ConnectedDemoFixture(const DemoOptions& options)
    : DemoFixture(options), logic(std::make_unique<MainWindowLogic>(app)) {
  connected = logic->loadLists();
  if (!connected) return;
  ctx = std::make_unique<MappingContext>(logic->mappingContext());
  logic->session().setObserver(
      [this](const std::string& request, const std::string&) { requests.push_back(request); });
  ui.messages.clear();
}

std::string ConnectedDemoFixture::first(const std::string& sql) const {
  auto rows = open_database(app.databasePath)->queryAll(sql);
  return rows.rows.empty() ? "" : rows.rows[0][0].value_or("");
}

void ConnectedDemoFixture::run(const std::string& sql) const {
  open_database(app.databasePath)->execute(sql);
}

void ConnectedDemoFixture::insert(const std::string& table,
                                  const std::map<std::string, std::string>& values) const {
  std::string names, sql;
  for (const auto& [name, value] : values) {
    names += (names.empty() ? "" : ", ") + name;
    sql += (sql.empty() ? "" : ", ") + value;
  }
  run("INSERT INTO " + table + " (" + names + ") VALUES (" + sql + ")");
}

bool ConnectedDemoFixture::sawRequest(const std::string& text) const {
  for (const auto& request : requests)
    if (request.find(text) != std::string::npos) return true;
  return false;
}

}  // namespace vqb::test
