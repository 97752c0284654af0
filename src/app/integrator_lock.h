#pragma once
// One integrator at a time writes to a Vantora database and its QuickBooks company. A command
// that sends, imports, synchronises, marks or changes the setup holds an exclusive lock on
// "<Vantora database>.vqb-lock" for its whole run; the operating system releases it when the
// process ends, however it ends. Reading (lists, previews, checks) never takes it.

#include <memory>
#include <string>
#include <string_view>

#include "app/app.h"

namespace vqb {

inline constexpr std::string_view kNothingSent = "Nothing was sent.";
inline constexpr std::string_view kNothingChanged = "Nothing was changed.";

class IntegratorLock {
 public:
  // Takes the lock of app.databasePath, waiting up to `waitSeconds` for another integrator
  // to finish. When it stays taken, says through app.ui who holds it and since when,
  // followed by `nothingDone`, and held() is false. A lock this process already holds
  // (through the same App) is shared. Without a configured database there is nothing to lock.
  explicit IntegratorLock(App& app, int waitSeconds = 0,
                          std::string_view nothingDone = kNothingSent);
  // The lock if it is free now, without a message (recovery at connection).
  static IntegratorLock if_free(App& app);

  bool held() const { return held_; }

 private:
  IntegratorLock() = default;
  bool held_{false};
  std::shared_ptr<os::FileLock> lock_;
};

std::string integrator_lock_path(const std::string& databasePath);

// "Another integrator (vqb-cli, process 1234) has been working on this database since
// 14:05:12." from the holder's lock file (without the program, process and time when the
// holder has not written them yet).
std::string another_integrator_text(const std::string& lockPath);

}  // namespace vqb
