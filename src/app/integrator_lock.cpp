#include "app/integrator_lock.h"

#include <chrono>
#include <ctime>
#include <fstream>
#include <system_error>
#include <thread>

#include "app/os_calls.h"

namespace vqb {
namespace {

// "14:05:12" today, "2026-12-06 14:05:12" on another day.
std::string since_text(std::time_t since) {
  std::tm then{}, today{};
  const std::time_t now = std::time(nullptr);
  localtime_r(&since, &then);
  localtime_r(&now, &today);
  const bool sameDay = then.tm_year == today.tm_year && then.tm_yday == today.tm_yday;
  char text[32];
  std::strftime(text, sizeof text, sameDay ? "%H:%M:%S" : "%Y-%m-%d %H:%M:%S", &then);
  return text;
}

// Takes the lock file once; throws std::system_error when it cannot be opened.
std::shared_ptr<os::FileLock> take_once(const std::string& path) {
  os::FileLock lock = os::FileLock::take(path, false);
  if (!lock.held()) return nullptr;
  lock.describe(os::program_name() + "\n" + std::to_string(os::process_id()) + "\n" +
                std::to_string(static_cast<long long>(std::time(nullptr))) + "\n");
  return std::make_shared<os::FileLock>(std::move(lock));
}

}  // namespace

std::string integrator_lock_path(const std::string& databasePath) {
  return databasePath + ".vqb-lock";
}

std::string another_integrator_text(const std::string& lockPath) {
  std::ifstream in(lockPath);
  std::string program, pid;
  long long since = 0;
  std::getline(in, program);
  std::getline(in, pid);
  in >> since;
  if (program.empty() || pid.empty() || since <= 0)
    return "Another integrator is working on this database.";
  return "Another integrator (" + program + ", process " + pid +
         ") has been working on this database since " +
         since_text(static_cast<std::time_t>(since)) + ".";
}

IntegratorLock::IntegratorLock(App& app, int waitSeconds, std::string_view nothingDone) {
  if (app.databasePath.empty()) {
    held_ = true;
    return;
  }
  if ((lock_ = app.integratorLock.lock())) {
    held_ = true;
    return;
  }
  const std::string path = integrator_lock_path(app.databasePath);
  try {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
    while (!(lock_ = take_once(path)) && std::chrono::steady_clock::now() < deadline) {
      app.events.pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  } catch (const std::system_error& error) {
    app.ui.messageBox("The lock file \"" + path + "\" cannot be opened (" + error.code().message() +
                          "). " + std::string(nothingDone),
                      Buttons::Ok, Icon::Exclamation, "QB Integrator");
    return;
  }
  if (!lock_) {
    app.ui.messageBox(another_integrator_text(path) + " " + std::string(nothingDone), Buttons::Ok,
                      Icon::Exclamation, "QB Integrator");
    return;
  }
  app.integratorLock = lock_;
  held_ = true;
}

IntegratorLock IntegratorLock::if_free(App& app) {
  IntegratorLock result;
  if (app.databasePath.empty()) {
    result.held_ = true;
    return result;
  }
  result.lock_ = app.integratorLock.lock();
  try {
    if (!result.lock_) result.lock_ = take_once(integrator_lock_path(app.databasePath));
  } catch (const std::system_error&) {
    return result;
  }
  if (result.lock_) app.integratorLock = result.lock_;
  result.held_ = result.lock_ != nullptr;
  return result;
}

}  // namespace vqb
