#pragma once
// The simulated company's SQLite file: each list entry and transaction as a row (its …Ret
// element and the columns looked up by), the kept message-set responses and key/value facts
// (counters, faults, country, the generation every committed change moves on).

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct sqlite3;

namespace vqb::qb::sim {

class CompanyStore {
 public:
  // Opens the store at path; `create` makes a new owner-only one there (the file must be
  // absent or empty). QbError when the file cannot be opened or is no company store.
  CompanyStore(const std::string& path, bool create);
  ~CompanyStore();
  CompanyStore(const CompanyStore&) = delete;
  CompanyStore& operator=(const CompanyStore&) = delete;

  // Whether the file at path starts as an SQLite database does.
  static bool isStore(const std::string& path);
  // Removes path and the journal files SQLite keeps beside it.
  static void removeFiles(const std::string& path);

  // A write transaction takes the write lock at once (waiting up to the busy timeout).
  void begin(bool write);
  void commit();
  void rollback() noexcept;
  bool inTransaction() const { return inTransaction_; }

  std::map<std::string, std::string> meta();
  void setMeta(const std::string& key, const std::string& value);
  long long generation();  // -1 when the file holds no company

  struct Row {
    std::string id;
    int kind = 0;
    std::string name;    // full name, or RefNumber for transactions
    std::string entity;  // customer or vendor ListID of a transaction, parent of a list entry
    std::string txnDate;
    std::string timeModified;
    bool active = true;
    std::string xml;
  };
  // Inserts or replaces the row of row.id; a replaced row keeps its place in the order.
  void putEntry(const Row& row, long long change);
  void eraseEntry(const std::string& id);
  // Rows changed after `sinceChange`, in the order they were first added.
  void forEachEntry(long long sinceChange,
                    const std::function<void(int kind, const std::string& xml)>& row);

  std::vector<std::string> messageSetIds();
  void putMessageSet(const std::string& id, const std::string& xml);
  void eraseMessageSet(const std::string& id);
  void forEachMessageSet(const std::function<void(const std::string& xml)>& set);

 private:
  void exec(const char* sql);
  [[noreturn]] void fail(const std::string& doing);
  sqlite3* db_ = nullptr;
  std::string path_;
  bool inTransaction_ = false;
};

}  // namespace vqb::qb::sim
