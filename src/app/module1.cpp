#include "app/module1.h"

#include "app/database.h"
#include "app/errors.h"
#include "app/text_helpers.h"

namespace vqb {
namespace {

void show_confirm(App& app, const VqbError& error) {
  app.ui.messageBox(number_dash_description(error.number(), error.description()), Buttons::Ok,
                    Icon::Critical, "Confirm");
}

// The held connection, or a new one kept in `owned` for this call.
Database& connection(App& app, std::unique_ptr<Database>& owned) {
  if (app.heldDatabase) return *app.heldDatabase;
  owned = open_database(app.databasePath);
  return *owned;
}

}  // namespace

DatabaseRun::DatabaseRun(App& app) : app_(app) {
  if (app_.heldDatabase) return;
  try {
    db_ = open_database(app_.databasePath);
    app_.heldDatabase = db_.get();
  } catch (const VqbError&) {
    db_.reset();  // each call opens the database itself and reports why it cannot
  }
}

DatabaseRun::~DatabaseRun() {
  if (db_) app_.heldDatabase = nullptr;
}

bool read_data(App& app, std::string_view sql, bool keyByLink) {
  RecordDoc& doc = app.scratch;
  doc.Clear();
  try {
    std::unique_ptr<Database> owned;
    Database& db = connection(app, owned);
    doc.Clear();
    doc.SetTag("rData");
    std::vector<std::string> columns;
    std::vector<std::string> tags;
    std::size_t linkColumn = std::string::npos;
    long counter = 0;
    db.query(
        sql,
        [&](const std::vector<Cell>& cells) {
          if (tags.empty()) {
            for (std::size_t i = 0; i < columns.size(); ++i) {
              tags.push_back(to_lower_ascii(columns[i]));
              if (linkColumn == std::string::npos && tags.back() == "link") linkColumn = i;
            }
            if (keyByLink && linkColumn == std::string::npos)
              throw VqbError(3265, "Item not found in this collection.");
          }
          ++counter;
          std::string counterText = std::to_string(counter);
          if (keyByLink)
            doc.AddChild("record" + cells[linkColumn].value_or(""), counterText);
          else
            doc.AddChild("record" + counterText, "");
          doc.MoveToLastChild();
          for (std::size_t i = 0; i < cells.size(); ++i) {
            doc.AddChild(tags[i], cells[i] ? std::string_view(*cells[i]) : std::string_view{});
            doc.MoveToLastChild();
            doc.SetElementFlag(1);
            doc.MoveToParent();
            app.events.pump();
          }
          doc.MoveToRoot();
        },
        &columns);
    doc.MoveToRoot();
    return true;
  } catch (const VqbError& error) {
    show_confirm(app, error);
    return false;
  }
}

bool write_data(App& app, std::string_view sql) {
  if (app.holdWrites) return true;
  try {
    std::unique_ptr<Database> owned;
    connection(app, owned).execute(sql);
    return true;
  } catch (const VqbError& error) {
    show_confirm(app, error);
    return false;
  }
}

bool write_data2(App& app, std::string* failedStatement) {
  RecordDoc& batch = app.sqlBatch;
  batch.MoveToRoot();
  long count = batch.GetChildCount();
  if (count == 0) return false;
  if (app.holdWrites) return true;
  try {
    std::unique_ptr<Database> owned;
    Database& db = connection(app, owned);
    Transaction transaction(db, Transaction::Mode::Immediate);
    batch.MoveToFirstChild();
    for (long i = 0; i < count; ++i) {
      if (failedStatement) *failedStatement = batch.GetContent();
      db.execute(batch.GetContent());
      batch.MoveToNextSibling();
      app.events.pump();
    }
    transaction.commit();
    batch.MoveToRoot();
    if (failedStatement) failedStatement->clear();
    return true;
  } catch (const VqbError& error) {
    batch.MoveToRoot();
    show_confirm(app, error);
    return false;
  }
}

}  // namespace vqb
