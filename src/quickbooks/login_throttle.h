#pragma once
// Slows down password guessing without holding anyone up: after a wrong login, the same user
// name and the same client address are refused at once for a while (the first delay after
// one failure, doubling with each further failure up to the longest delay); a correct login
// clears both. What it remembers is bounded.

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace vqb::qb {

struct LoginDelays {
  std::chrono::milliseconds first{1000};
  std::chrono::milliseconds longest{60000};
  // Failures older than this are forgotten.
  std::chrono::milliseconds forgetAfter{3600000};
  // User names and addresses remembered at most.
  std::size_t remembered = 4096;
};

class LoginThrottle {
 public:
  using Clock = std::chrono::steady_clock;
  explicit LoginThrottle(LoginDelays delays = {},
                         std::function<Clock::time_point()> now = &Clock::now);

  // Whether a login of `user` from `address` must be refused now without checking it.
  bool refused(const std::string& user, const std::string& address) const;
  void failed(const std::string& user, const std::string& address);
  void succeeded(const std::string& user, const std::string& address);

 private:
  struct Entry {
    int failures{0};
    Clock::time_point until{};
    Clock::time_point last{};
  };
  void fail(const std::string& key, Clock::time_point now);
  bool waiting(const std::string& key, Clock::time_point now) const;

  const LoginDelays delays_;
  const std::function<Clock::time_point()> now_;
  mutable std::mutex mutex_;
  std::map<std::string, Entry> entries_;  // "user " + name, "address " + address
};

}  // namespace vqb::qb
