#include "quickbooks/web_connector_service.h"

#include <sodium.h>

#include <algorithm>
#include <pugixml.hpp>
#include <string_view>

#include "app/text_helpers.h"
#include "quickbooks/qb_error.h"

namespace vqb::qb {

const char* const kKeepAliveRequest =
    "<?xml version=\"1.0\"?>\n<?qbxml version=\"3.0\"?>\n"
    "<QBXML><QBXMLMsgsRq onError=\"stopOnError\"><HostQueryRq/></QBXMLMsgsRq></QBXML>\n";

namespace {

using Clock = std::chrono::steady_clock;

void start_sodium() {
  if (sodium_init() < 0) throw std::runtime_error("libsodium could not start");
}

// Whether a request adds, changes or deletes anything (such a request is never re-sent).
bool changes_anything(const std::string& requestXml) {
  pugi::xml_document doc;
  if (!doc.load_string(requestXml.c_str())) return true;
  for (pugi::xml_node request : doc.child("QBXML").child("QBXMLMsgsRq").children()) {
    const std::string_view name = request.name();
    if (name.ends_with("AddRq") || name.ends_with("ModRq") || name.ends_with("DelRq") ||
        name.ends_with("VoidRq"))
      return true;
  }
  return false;
}

// A COM hresult ("0x80040400") as the signed number the request processor raises.
long hresult_number(const std::string& hresult) {
  try {
    return static_cast<std::int32_t>(std::stoul(hresult, nullptr, 0));
  } catch (const std::exception&) {
    return -1;
  }
}

bool same_text(const std::string& a, const std::string& b) {
  // Compares in time that depends on the lengths only.
  unsigned char diff = a.size() == b.size() ? 0 : 1;
  const std::size_t n = std::max(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i)
    diff |= static_cast<unsigned char>((i < a.size() ? a[i] : 0) ^ (i < b.size() ? b[i] : 0));
  return diff == 0;
}

}  // namespace

std::string hash_password(const std::string& password) {
  start_sodium();
  char hash[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
    throw std::runtime_error("Out of memory while hashing the password");
  return hash;
}

bool password_matches(const std::string& password, const std::string& hash) {
  start_sodium();
  return !hash.empty() &&
         crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

std::string random_hex(std::size_t bytes) {
  start_sodium();
  std::string raw(bytes, '\0');
  randombytes_buf(raw.data(), raw.size());
  std::string hex(bytes * 2 + 1, '\0');
  sodium_bin2hex(hex.data(), hex.size(), reinterpret_cast<const unsigned char*>(raw.data()),
                 raw.size());
  hex.pop_back();
  return hex;
}

struct WebConnectorService::Pending {
  enum class State { Queued, HandedOver, Answered, Failed };
  std::string request;
  bool changes{false};
  State state{State::Queued};
  std::string response;
  long errorNumber{0};
  std::string errorText;
  Clock::time_point handedAt{};
};

WebConnectorService::WebConnectorService(std::string userName, std::string passwordHash,
                                         WebConnectorTimings timings, WebConnectorLimits limits)
    : userName_(std::move(userName)),
      passwordHash_(std::move(passwordHash)),
      timings_(timings),
      limits_(limits),
      throttle_(limits.loginDelays),
      lastWork_(Clock::now()) {}

WebConnectorService::~WebConnectorService() = default;

std::string WebConnectorService::serverVersion() const {
  return "Vantora QuickBooks Integrator";
}

std::string WebConnectorService::clientVersion(const std::string&) const {
  return "";
}

bool WebConnectorService::validTicket(const std::string& ticket) const {
  return open_ && !ticket.empty() && ticket == ticket_;
}

bool WebConnectorService::checkPassword(const std::string& user, const std::string& password,
                                        const std::string& address) {
  if (user.size() > limits_.maxUserNameBytes) {
    throttle_.failed(user.substr(0, limits_.maxUserNameBytes), address);
    return false;
  }
  if (throttle_.refused(user, address)) return false;
  // Each check takes 64 MiB for a tenth of a second: only a few run at once.
  std::unique_lock slot(checkMutex_);
  checkDone_.wait(slot, [&] { return checksRunning_ < limits_.passwordChecksAtOnce; });
  // A login that failed meanwhile may have started a delay for this name or address.
  if (throttle_.refused(user, address)) return false;
  ++checksRunning_;
  ++checks_;
  slot.unlock();
  // Both checks always run, so the time taken tells nothing about which one failed.
  const bool passwordOk = password_matches(password, passwordHash_);
  const bool ok = same_text(user, userName_) && passwordOk && !userName_.empty();
  if (ok)
    throttle_.succeeded(user, address);
  else
    throttle_.failed(user, address);  // before the slot is free, so waiting logins see it
  slot.lock();
  --checksRunning_;
  checkDone_.notify_all();
  return ok;
}

int WebConnectorService::callsInProgress() const {
  std::lock_guard lock(mutex_);
  return callsInProgress_;
}

int WebConnectorService::passwordChecks() const {
  std::lock_guard slot(checkMutex_);
  return checks_;
}

std::vector<std::string> WebConnectorService::authenticate(const std::string& user,
                                                           const std::string& password,
                                                           const std::string& address) {
  const bool ok = checkPassword(user, password, address);
  if (!ok) return {"", "nvu"};
  std::lock_guard lock(mutex_);
  if (open_ && callsInProgress_ > 0) return {"", "busy"};
  if (open_) abandonInFlight();  // the Web Connector gave up on the earlier session
  const std::string ticket = random_hex(16);
  if (queue_.empty()) {
    open_ = false;
    idleTickets_.push_back(ticket);
    if (idleTickets_.size() > 16) idleTickets_.erase(idleTickets_.begin());
    return {ticket, "none"};
  }
  ticket_ = ticket;
  open_ = true;
  connectionErrors_ = handedOver_ = 0;
  keepAliveOut_ = ending_ = false;
  lastError_.clear();
  lastWork_ = Clock::now();
  changed_.notify_all();
  return {ticket, ""};
}

std::string WebConnectorService::sendRequestXML(const std::string& ticket,
                                                const std::string& hostResponse,
                                                const std::string& companyFile) {
  std::unique_lock lock(mutex_);
  if (!validTicket(ticket)) throw InvalidTicket();
  if (!hostResponse.empty() || !companyFile.empty()) companyFile_ = printable_text(companyFile);
  ++callsInProgress_;
  const auto idle = [&] { return Clock::now() - lastWork_ >= timings_.idleEnd; };
  changed_.wait_for(lock, timings_.workWait,
                    [&] { return !queue_.empty() || runOver_ || !validTicket(ticket); });
  --callsInProgress_;
  changed_.notify_all();
  if (!validTicket(ticket)) return "";
  if (!queue_.empty()) {
    inFlight_ = queue_.front();
    queue_.pop_front();
    inFlight_->state = Pending::State::HandedOver;
    inFlight_->handedAt = Clock::now();
    ++handedOver_;
    lastError_.clear();
    changed_.notify_all();
    return inFlight_->request;
  }
  if (runOver_ || idle()) {
    keepAliveOut_ = ending_ = true;
    return kKeepAliveRequest;
  }
  lastError_ = "NoOp";
  return "";
}

int WebConnectorService::receiveResponseXML(const std::string& ticket, const std::string& response,
                                            const std::string& hresult,
                                            const std::string& message) {
  std::unique_lock lock(mutex_);
  if (!validTicket(ticket)) throw InvalidTicket();
  const bool failed = !hresult.empty();
  const std::string text = printable_text(message);
  if (inFlight_) {
    if (failed) {
      inFlight_->state = Pending::State::Failed;
      inFlight_->errorNumber = hresult_number(hresult);
      inFlight_->errorText = text.empty() ? "QuickBooks failed the request." : text;
    } else {
      inFlight_->state = Pending::State::Answered;
      inFlight_->response = response;
    }
    inFlight_.reset();
    lastWork_ = Clock::now();
    changed_.notify_all();
  }  // else a keep-alive, or an answer that came after its request was given up
  keepAliveOut_ = false;
  if (failed) {
    lastError_ = text.empty() ? printable_text(hresult) : text;
    return -101;
  }
  if (ending_) return 100;
  ++callsInProgress_;
  changed_.wait_for(lock, timings_.linger, [&] { return !queue_.empty() || runOver_; });
  --callsInProgress_;
  if (queue_.empty() && runOver_) ending_ = true;
  return ending_ ? 100 : percentDone();
}

int WebConnectorService::percentDone() const {
  const int left = static_cast<int>(queue_.size()) + 1;
  return std::clamp(handedOver_ * 100 / (handedOver_ + left), 1, 99);
}

std::string WebConnectorService::connectionError(const std::string& ticket, const std::string&,
                                                 const std::string& message) {
  std::lock_guard lock(mutex_);
  if (!validTicket(ticket)) throw InvalidTicket();
  if (++connectionErrors_ < 2) return "";
  abandonInFlight();
  open_ = false;
  idleTickets_.push_back(ticket_);  // the Web Connector still calls closeConnection
  failQueued(kNotReachable,
             "The QuickBooks Web Connector could not open QuickBooks: " + printable_text(message));
  changed_.notify_all();
  return "done";
}

std::string WebConnectorService::getLastError(const std::string& ticket) {
  std::lock_guard lock(mutex_);
  if (!validTicket(ticket) &&
      std::find(idleTickets_.begin(), idleTickets_.end(), ticket) == idleTickets_.end())
    throw InvalidTicket();
  return lastError_.empty() ? "NoOp" : lastError_;
}

std::string WebConnectorService::closeConnection(const std::string& ticket) {
  std::lock_guard lock(mutex_);
  auto idle = std::find(idleTickets_.begin(), idleTickets_.end(), ticket);
  if (idle != idleTickets_.end()) {
    idleTickets_.erase(idle);
    return "OK";
  }
  if (!validTicket(ticket)) throw InvalidTicket();
  abandonInFlight();
  open_ = false;
  ticket_.clear();
  changed_.notify_all();
  return "OK";
}

void WebConnectorService::abandonInFlight() {
  if (!inFlight_) return;
  if (inFlight_->changes) {
    inFlight_->state = Pending::State::Failed;
    inFlight_->errorNumber = kAnswerLost;
    inFlight_->errorText =
        "QuickBooks' answer to this request never arrived, so it was not sent again. Check in "
        "QuickBooks whether it was recorded before sending it once more.";
    unanswered_.push_back(inFlight_->request);
  } else {
    inFlight_->state = Pending::State::Queued;  // a query can safely be asked again
    queue_.push_front(inFlight_);
  }
  inFlight_.reset();
  changed_.notify_all();
}

void WebConnectorService::failQueued(long number, const std::string& text) {
  for (auto& pending : queue_) {
    pending->state = Pending::State::Failed;
    pending->errorNumber = number;
    pending->errorText = text;
  }
  queue_.clear();
}

std::string WebConnectorService::process(const std::string& request,
                                         const std::function<bool()>& waiting) {
  auto pending = std::make_shared<Pending>();
  pending->request = request;
  pending->changes = changes_anything(request);
  const auto queuedAt = Clock::now();
  std::unique_lock lock(mutex_);
  runOver_ = false;
  queue_.push_back(pending);
  lastWork_ = queuedAt;
  changed_.notify_all();
  const auto settled = [&] {
    return pending->state == Pending::State::Answered || pending->state == Pending::State::Failed;
  };
  while (!settled()) {
    changed_.wait_for(lock, 100ms, settled);
    if (settled()) break;
    bool goOn = true;
    if (waiting) {
      lock.unlock();
      goOn = waiting();
      lock.lock();
      if (settled()) break;
    }
    const auto now = Clock::now();
    if (pending->state == Pending::State::Queued &&
        (!goOn || now - queuedAt >= timings_.sessionWait)) {
      queue_.erase(std::find(queue_.begin(), queue_.end(), pending));
      const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timings_.sessionWait);
      throw QbError(kNotReachable,
                    goOn ? "The QuickBooks Web Connector did not call within " +
                               std::to_string(seconds.count()) +
                               " seconds. Check that it runs beside QuickBooks with this "
                               "application added and QuickBooks open."
                         : "Cancelled while waiting for the QuickBooks Web Connector.");
    }
    if (pending->state == Pending::State::HandedOver &&
        (!goOn || now - pending->handedAt >= timings_.answerWait) && inFlight_ == pending)
      abandonInFlight();
  }
  if (pending->state == Pending::State::Failed)
    throw QbError(pending->errorNumber, pending->errorText);
  return pending->response;
}

void WebConnectorService::finishRun() {
  std::lock_guard lock(mutex_);
  runOver_ = true;
  changed_.notify_all();
}

bool WebConnectorService::waitForSessionEnd(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [&] { return !open_; });
}

bool WebConnectorService::sessionOpen() const {
  std::lock_guard lock(mutex_);
  return open_;
}

std::vector<std::string> WebConnectorService::unanswered() const {
  std::lock_guard lock(mutex_);
  return unanswered_;
}

std::string WebConnectorService::companyFile() const {
  std::lock_guard lock(mutex_);
  return companyFile_;
}

}  // namespace vqb::qb
