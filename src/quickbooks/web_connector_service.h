#pragma once
// The QuickBooks Web Connector's side of a conversation, without HTTP. The Web Connector
// (QBWC, running beside QuickBooks) logs in, asks for qbXML requests and hands back
// QuickBooks' responses; the program queues its requests with process() and waits for the
// answers. All methods are thread-safe: the SOAP calls arrive on the server's threads while
// process() waits on the program's own.
//
// A session ends the way the Web Connector expects: receiveResponseXML returns 100 once the
// program has said the run is over (finishRun) or the session sat idle too long; a
// sendRequestXML with nothing to hand over then gets a cheap HostQuery, so that its answer
// can carry the 100.
//
// A request that adds or changes anything and was handed over but never answered is never
// handed over again: process() fails with kAnswerLost and the request is kept in
// unanswered(), for recovery by message-set id.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "quickbooks/login_throttle.h"

namespace vqb::qb {

// The answer to a handed-over change never arrived; it was not sent again.
inline constexpr long kAnswerLost = 20872;

// The keep-alive request handed over when a session must end and no work is queued.
extern const char* const kKeepAliveRequest;

using namespace std::chrono_literals;

struct WebConnectorTimings {
  // process(): a request not handed over within this time fails with 20852.
  std::chrono::milliseconds sessionWait = 120s;
  // sendRequestXML with nothing queued waits this long for work, then answers "" (NoOp).
  std::chrono::milliseconds workWait = 20s;
  // process(): a handed-over request not answered within this time counts as lost.
  std::chrono::milliseconds answerWait = 110s;
  // receiveResponseXML waits this long to learn whether another request follows.
  std::chrono::milliseconds linger = 1s;
  // A session without work this long ends (keep-alive query, then 100).
  std::chrono::milliseconds idleEnd = 60s;
};

// What the service takes from strangers before it refuses them.
struct WebConnectorLimits {
  // A request body larger than this is refused with a SOAP fault before it is read.
  std::size_t maxBodyBytes = 8u * 1024u * 1024u;
  // A whole request (headers and body) must arrive within this time, and a whole answer
  // must be taken within it, however slowly the bytes trickle.
  std::chrono::seconds requestDeadline{30};
  // A connection without a request this long is closed; after this many requests too.
  std::chrono::seconds keepAliveIdle{5};
  std::size_t keepAliveMaxRequests = 100;
  // Connections served at once, in all and from one client address. When full, the
  // connection that has waited longest without sending a whole request makes room.
  std::size_t maxConnections = 64;
  std::size_t maxConnectionsPerAddress = 16;
  // Logins: longer user names are refused unchecked; at most this many password checks
  // (64 MiB of memory each) run at once; wrong logins delay the next from that name or
  // address.
  std::size_t maxUserNameBytes = 256;
  int passwordChecksAtOnce = 2;
  LoginDelays loginDelays;
};

// Salted Argon2id hash (libsodium's crypto_pwhash_str) of a password, and its check, which
// takes the same time whatever the password.
std::string hash_password(const std::string& password);
bool password_matches(const std::string& password, const std::string& hash);
// `bytes` random bytes as lower-case hexadecimal.
std::string random_hex(std::size_t bytes);

// A call whose ticket belongs to no session; the SOAP layer answers it with a fault.
class InvalidTicket : public std::runtime_error {
 public:
  InvalidTicket() : std::runtime_error("Invalid ticket") {}
};

class WebConnectorService {
 public:
  WebConnectorService(std::string userName, std::string passwordHash,
                      WebConnectorTimings timings = {}, WebConnectorLimits limits = {});
  ~WebConnectorService();

  // The Web Connector's methods.
  std::string serverVersion() const;
  std::string clientVersion(const std::string& version) const;
  // {ticket, ""} to work on the open company, {ticket, "none"} when nothing is queued,
  // {"", "nvu"} for a wrong user or password, {"", "busy"} while a call of another session
  // is in progress. A login while an earlier session is idle ends that session. A wrong
  // login delays the next from the same user name or client `address` (refused at once,
  // "nvu", unchecked, while the delay lasts).
  std::vector<std::string> authenticate(const std::string& user, const std::string& password,
                                        const std::string& address = "");
  // The next queued request; "" after workWait without work (getLastError then says NoOp).
  std::string sendRequestXML(const std::string& ticket, const std::string& hostResponse,
                             const std::string& companyFile);
  // 0-100 done; 100 ends the session; negative when QuickBooks reported an error.
  int receiveResponseXML(const std::string& ticket, const std::string& response,
                         const std::string& hresult, const std::string& message);
  // "" (try the open company again) the first time, then "done"; waiting requests fail.
  std::string connectionError(const std::string& ticket, const std::string& hresult,
                              const std::string& message);
  std::string getLastError(const std::string& ticket);
  std::string closeConnection(const std::string& ticket);

  // The program's side. Queues the request and waits for its answer, calling `waiting`
  // about ten times a second (the user interface pumps events there; false cancels).
  // Throws QbError 20852 when no session takes it within sessionWait or it is cancelled
  // before being handed over, QbError with QuickBooks' hresult and message when QuickBooks
  // failed it, and QbError kAnswerLost when its answer never came.
  std::string process(const std::string& request, const std::function<bool()>& waiting = {});
  // The run is over: the open session is brought to its end (100). A later process()
  // starts a new run.
  void finishRun();
  // Waits up to `limit` for the open session to close; true when none is open.
  bool waitForSessionEnd(std::chrono::milliseconds limit);
  bool sessionOpen() const;
  // Handed-over changes whose answers never came, oldest first.
  std::vector<std::string> unanswered() const;
  // The company file the Web Connector named on the session's first sendRequestXML.
  std::string companyFile() const;
  // Passwords checked (Argon2id computed) so far.
  int passwordChecks() const;
  // Calls of the open session under way (a sendRequestXML waiting for work among them).
  int callsInProgress() const;

 private:
  struct Pending;
  bool validTicket(const std::string& ticket) const;
  bool checkPassword(const std::string& user, const std::string& password,
                     const std::string& address);
  void abandonInFlight();
  void failQueued(long number, const std::string& text);
  int percentDone() const;

  const std::string userName_;
  const std::string passwordHash_;
  const WebConnectorTimings timings_;
  const WebConnectorLimits limits_;
  LoginThrottle throttle_;
  mutable std::mutex checkMutex_;
  std::condition_variable checkDone_;
  int checksRunning_{0};
  int checks_{0};

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Pending>> queue_;
  std::shared_ptr<Pending> inFlight_;
  std::vector<std::string> unanswered_;
  bool runOver_{false};

  // The session (one at a time).
  std::string ticket_;
  bool open_{false};
  int callsInProgress_{0};
  int connectionErrors_{0};
  int handedOver_{0};
  bool keepAliveOut_{false};
  bool ending_{false};
  std::string lastError_;
  std::string companyFile_;
  std::chrono::steady_clock::time_point lastWork_{};
  std::vector<std::string> idleTickets_;  // logins answered "none"
};

}  // namespace vqb::qb
