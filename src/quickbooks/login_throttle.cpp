#include "quickbooks/login_throttle.h"

#include <algorithm>

namespace vqb::qb {

LoginThrottle::LoginThrottle(LoginDelays delays, std::function<Clock::time_point()> now)
    : delays_(delays), now_(std::move(now)) {}

bool LoginThrottle::waiting(const std::string& key, Clock::time_point now) const {
  auto found = entries_.find(key);
  return found != entries_.end() && now < found->second.until;
}

bool LoginThrottle::refused(const std::string& user, const std::string& address) const {
  const auto now = now_();
  std::lock_guard lock(mutex_);
  return waiting("user " + user, now) || waiting("address " + address, now);
}

void LoginThrottle::fail(const std::string& key, Clock::time_point now) {
  if (entries_.size() >= delays_.remembered && !entries_.contains(key)) {
    std::erase_if(entries_, [&](const auto& e) { return e.second.until <= now; });
    if (entries_.size() >= delays_.remembered)  // all still waiting: drop the soonest done
      entries_.erase(std::min_element(entries_.begin(), entries_.end(), [](auto& a, auto& b) {
        return a.second.until < b.second.until;
      }));
  }
  Entry& entry = entries_[key];
  if (now - entry.last >= delays_.forgetAfter) entry.failures = 0;
  entry.failures = std::min(entry.failures + 1, 30);
  auto delay = delays_.first;
  for (int i = 1; i < entry.failures && delay < delays_.longest; ++i) delay *= 2;
  entry.until = now + std::min(delay, delays_.longest);
  entry.last = now;
}

void LoginThrottle::failed(const std::string& user, const std::string& address) {
  const auto now = now_();
  std::lock_guard lock(mutex_);
  fail("user " + user, now);
  fail("address " + address, now);
}

void LoginThrottle::succeeded(const std::string& user, const std::string& address) {
  std::lock_guard lock(mutex_);
  entries_.erase("user " + user);
  entries_.erase("address " + address);
}

}  // namespace vqb::qb
