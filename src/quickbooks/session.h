#pragma once
// The link between the components and a QuickBooks transport: sends one qbXML request,
// logs the exchange, and turns the response's status into results or QbError.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "quickbooks/qb_error.h"
#include "quickbooks/transport.h"

namespace vqb::qb {

// Connection settings every component carries (the qbXML version and the connection string
// that set_Country applies before each request).
struct ConnectionSettings {
  std::string qbxmlVersion = "3.0";
  std::string connectionString = "ApplicationName='Vantora'";
};

// A fresh message-set id: unique per call (time, process and a counter), at most 23
// characters as QuickBooks requires.
std::string new_message_set_id();

// A quick test whether a request document may add, modify or delete anything (its text names
// such a request); a false alarm costs only caution.
bool may_change_anything(const std::string& requestXml);

// What QuickBooks kept of an earlier message set: messageSetStatusCode (0 when it kept the
// response, 9002 when it has none) and the kept response document.
struct MessageSetStatus {
  long code = 0;
  std::string response;
};

// Told about every add or modification: just before it is sent, and when its answer came
// (whatever it holds; read it with read_change_answer). `answered` may throw to stop the
// exchange with its own error.
struct ChangeWatcher {
  std::function<void(const std::string& messageSetId, const std::string& request)> sending;
  std::function<void(const std::string& messageSetId, const std::string& response)> answered;
};

class Session {
 public:
  explicit Session(QbTransport& transport) : transport_(transport) {}

  QbTransport& transport() { return transport_; }

  // Called with every request and its response (or the error text), for the exchange log.
  using Observer = std::function<void(const std::string& request, const std::string& response)>;
  void setObserver(Observer observer) { observer_ = std::move(observer); }

  // Sends a whole request document; returns the response document. Throws QbError
  // kNotReachable when the transport cannot reach QuickBooks. A document that adds or modifies
  // is sent with a fresh newMessageSetID (unless it has one), so that a lost answer can be
  // asked for with messageSetStatus. An answer to a change that does not answer it (see
  // read_change_answer) throws QbError(kMalformedResponse).
  std::string exchange(const std::string& requestXml);
  // The newMessageSetID of the last add or modification sent ("" before the first).
  const std::string& lastMessageSetId() const { return lastMessageSetId_; }
  // Asks QuickBooks for the kept response of message set `id` (an empty message set carrying
  // oldMessageSetID). Throws QbError(kMalformedResponse) when the answer has no status.
  MessageSetStatus messageSetStatus(const std::string& id);

  const ChangeWatcher& watcher() const { return watcher_; }
  void setChangeWatcher(ChangeWatcher watcher) { watcher_ = std::move(watcher); }
  void clearChangeWatcher() { watcher_ = {}; }

  // Sends several whole request documents, each holding one query, in one message set with
  // onError="continueOnError" (each is answered on its own) and returns one response document
  // per request, in order, each as QuickBooks answers that request alone. With batching off,
  // or when the requests do not share a qbXML version or one of them changes anything, each
  // request travels alone. Throws as exchange does; QbError(kMalformedResponse) when the
  // answer lacks a request's response.
  std::vector<std::string> exchangeSet(const std::vector<std::string>& requestXmls);

  // Sends independent queries ahead in one message set and keeps their answers: every later
  // exchange of the same request document gets its kept answer without a round trip. Kept
  // answers go when a request that changes anything is sent, and on forgetKept. Does nothing
  // with batching off; a failed set keeps nothing (the requests are sent again when they are
  // made).
  void prefetch(const std::vector<std::string>& requestXmls);
  void forgetKept() { dropKept(); }
  // Keeps `answer` for the query document `request`, as prefetch does (a set that carried it).
  void keep(const std::string& request, std::string answer) {
    if (batching_) kept_[request] = std::move(answer);
  }
  // Counts the times kept answers were dropped: a caller that sent answers ahead sees whether
  // they are still there.
  unsigned keptGeneration() const { return keptGeneration_; }
  void setBatching(bool on) { batching_ = on; }
  bool batching() const { return batching_; }

  // Called with every request document before it is sent or answered from kept answers (not
  // with sendSet's): a holder of waiting changes sends them first. Requests the gate itself
  // makes pass it by.
  using Gate = std::function<void(const std::string& request)>;
  void setGate(Gate gate) { gate_ = std::move(gate); }

  // Sends a message set of changes that carries its own newMessageSetID, as it is: no change
  // watcher is told and its answer is not read here (read_change_answer reads it per request).
  // Kept answers are dropped. Throws as the transport does.
  std::string sendSet(const std::string& document);

  // While on, a request that adds or modifies anything is not sent: it is kept in held() and
  // exchange throws QbError(kHeldBack). Queries still go through (previews).
  void holdChanges(bool hold) { hold_ = hold; }
  bool holdingChanges() const { return hold_; }
  const std::vector<std::string>& held() const { return held_; }
  void clearHeld() { held_.clear(); }

 private:
  QbTransport& transport_;
  Observer observer_;
  ChangeWatcher watcher_;
  std::string lastMessageSetId_;
  bool hold_{false};
  std::vector<std::string> held_;
  // Sends a document as it is through the transport and tells the observer.
  std::string transmit(const std::string& document);
  void dropKept() {
    kept_.clear();
    ++keptGeneration_;
  }
  bool batching_{true};
  unsigned keptGeneration_{0};
  Gate gate_;
  bool inGate_{false};
  std::map<std::string, std::string> kept_;  // request document -> its answer
};

}  // namespace vqb::qb
