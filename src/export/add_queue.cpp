#include "export/add_queue.h"

#include <algorithm>
#include <map>
#include <pugixml.hpp>
#include <set>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "app/errors.h"
#include "quickbooks/change_answer.h"
#include "quickbooks/qbxml.h"

namespace vqb {

struct QueuedAdd {
  std::string kind, record;
  std::string document;  // alone; once in a set, with the set's id and its requestID
  std::string request;   // the request element, as qbXML text
  std::string version;   // its qbXML version
  std::string base;      // "Invoice" of InvoiceAddRq
  std::set<std::string> values, txnIds;
  bool hasReference = false;
  std::coroutine_handle<> waiting;
  std::vector<std::string> before;  // the Vantora marks before the add, for the run log
  long long journal = 0;
  std::string response;      // the answer that tells what QuickBooks did
  std::exception_ptr error;  // the transport's error when the answer was lost
  bool unknown = false;      // no answer tells
  std::string added;         // the record QuickBooks added
  bool marked = false;
};

namespace {

thread_local AddQueue* g_current = nullptr;

// The request element of a one-request document, its qbXML version and what a query may share
// with it.
void describe(QueuedAdd& add) {
  pugi::xml_document doc;
  doc.load_string(add.document.c_str(), pugi::parse_default | pugi::parse_pi);
  for (pugi::xml_node node : doc.children())
    if (node.type() == pugi::node_pi && std::string_view(node.name()) == "qbxml") {
      const std::string_view value = node.value();  // version="13.0"
      const std::size_t open = value.find('"'), close = value.rfind('"');
      if (open != std::string_view::npos && close > open)
        add.version = value.substr(open + 1, close - open - 1);
    }
  pugi::xml_node rq;
  for (pugi::xml_node node : doc.child("QBXML").child("QBXMLMsgsRq").children())
    if (node.type() == pugi::node_element) {
      rq = node;
      break;
    }
  add.request = qb::qbxml::element_text(rq);
  const std::string_view name = rq.name();
  add.base = name.ends_with("AddRq") ? std::string(name.substr(0, name.size() - 5)) : "";
  for (pugi::xpath_node leaf : rq.select_nodes("//*[not(*)]")) {
    const std::string value = leaf.node().child_value();
    if (value.empty()) continue;
    add.values.insert(value);
    if (std::string_view(leaf.node().name()) == "TxnID") add.txnIds.insert(value);
  }
  add.hasReference = static_cast<bool>(rq.first_child().child("RefNumber"));
}

std::string what_is_missing(const std::string& document) {
  static const std::pair<const char*, const char*> kWords[] = {
      {"<CustomerAddRq", "customer"},
      {"<VendorAddRq", "vendor"},
      {"<InvoiceAddRq", "invoice"},
      {"<ReceivePaymentAddRq", "payment"},
      {"<PurchaseOrderAddRq", "purchase order"}};
  for (const auto& [tag, word] : kWords)
    if (document.find(tag) != std::string::npos)
      return std::string("QuickBooks answered the ") + word + " add without a record.";
  return "QuickBooks answered the add without a record.";
}

bool shares(const std::set<std::string>& a, const std::set<std::string>& b) {
  for (const std::string& value : a)
    if (b.contains(value)) return true;
  return false;
}

std::string set_document(const std::string& version, const std::string& id,
                         const std::string& requests) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<?qbxml version=\"" + version +
         "\"?>\n<QBXML><QBXMLMsgsRq onError=\"continueOnError\" newMessageSetID=\"" + id + "\">" +
         requests + "</QBXMLMsgsRq></QBXML>";
}

// The request element with its requestID set to `number`.
std::string numbered(const std::string& request, std::size_t number) {
  pugi::xml_document doc;
  doc.load_string(request.c_str());
  pugi::xml_node rq = doc.first_child();
  pugi::xml_attribute id = rq.attribute("requestID");
  if (!id) id = rq.prepend_attribute("requestID");
  id.set_value(std::to_string(number).c_str());
  return qb::qbxml::element_text(rq);
}

// The answer to each request of a set, by requestID, as a document of its own that carries the
// set's newMessageSetID (read_change_answer checks it); empty when the answer is not XML. A
// requestID answered twice keeps its first answer. The answers to requests `renumbered` get back
// the requestID of their own documents (`own`, "" for none), as a check sent alone is answered.
std::map<std::string, std::string> answers_by_request(
    const std::string& answer, const std::vector<std::string>* renumbered = nullptr,
    const std::vector<std::string>* own = nullptr) {
  std::map<std::string, std::string> parts;
  pugi::xml_document doc;
  if (!doc.load_buffer(answer.data(), answer.size(), pugi::parse_default, pugi::encoding_utf8))
    return parts;
  const pugi::xml_node messages = doc.child("QBXML").child("QBXMLMsgsRs");
  for (pugi::xml_node rs : messages.children()) {
    if (rs.type() != pugi::node_element) continue;
    const std::string id = rs.attribute("requestID").value();
    if (parts.contains(id)) continue;
    pugi::xml_document alone;
    pugi::xml_node wrapper = alone.append_child("QBXML").append_child("QBXMLMsgsRs");
    if (const pugi::xml_attribute set = messages.attribute("newMessageSetID"))
      wrapper.append_attribute("newMessageSetID") = set.value();
    pugi::xml_node copy = wrapper.append_copy(rs);
    if (renumbered != nullptr && own != nullptr)
      for (std::size_t i = 0; i < renumbered->size(); ++i)
        if ((*renumbered)[i] == id) {
          if ((*own)[i].empty())
            copy.remove_attribute("requestID");
          else
            copy.attribute("requestID").set_value((*own)[i].c_str());
        }
    parts.emplace(id, "<?xml version=\"1.0\" ?>\n" + qb::qbxml::element_text(alone.first_child()));
  }
  return parts;
}

}  // namespace

// ---- SendTask -----------------------------------------------------------------------------

SendTask::SendTask(SendTask&& other) noexcept
    : handle_(std::exchange(other.handle_, {})), owner_(std::move(other.owner_)) {}

SendTask& SendTask::operator=(SendTask&& other) noexcept {
  if (this != &other) {
    if (handle_) handle_.destroy();
    handle_ = std::exchange(other.handle_, {});
    owner_ = std::move(other.owner_);
  }
  return *this;
}

SendTask::~SendTask() {
  if (handle_) handle_.destroy();
}

std::string SendTask::result() const {
  if (!handle_) return "";
  if (!handle_.done()) throw std::logic_error("The send has not ended.");
  if (handle_.promise().error) std::rethrow_exception(handle_.promise().error);
  return handle_.promise().result;
}

SendTask finished(std::string result) {
  co_return result;
}

std::string run_now(const std::function<SendTask()>& make) {
  AddQueue* const saved = g_current;
  g_current = nullptr;
  SendTask task;
  try {
    task = make();
  } catch (...) {
    g_current = saved;
    throw;
  }
  g_current = saved;
  if (!task.done()) throw std::logic_error("A send waited for a set outside a send list.");
  return task.result();
}

// ---- AddedRecord --------------------------------------------------------------------------

AddedRecord::AddedRecord(AddedRecord&&) noexcept = default;
AddedRecord& AddedRecord::operator=(AddedRecord&&) noexcept = default;
AddedRecord::~AddedRecord() = default;

void AddedRecord::marked() {
  if (scope_) scope_->close();
  if (queued_) queued_->marked = true;
}

// ---- AddAwaiter ---------------------------------------------------------------------------

AddAwaiter::AddAwaiter(MappingContext& ctx, std::string kind, std::string record,
                       std::string document)
    : ctx_(ctx),
      kind_(std::move(kind)),
      record_(std::move(record)),
      document_(std::move(document)) {
  const qb::Session& session = ctx.components.session;
  if (AddQueue::current() == nullptr || !session.batching() || session.holdingChanges()) return;
  queued_ = std::make_shared<QueuedAdd>();
  queued_->kind = kind_;
  queued_->record = record_;
  queued_->document = document_;
  describe(*queued_);
  if (queued_->base.empty()) queued_.reset();  // not an add: it goes at once
}

void AddAwaiter::await_suspend(std::coroutine_handle<> waiting) {
  queued_->waiting = waiting;
  AddQueue::current()->push(queued_);
}

AddedRecord AddAwaiter::await_resume() {
  AddedRecord added;
  if (!queued_) {
    added.scope_ = std::make_unique<IntentScope>(ctx_, kind_, record_);
    const std::string response = ctx_.components.session.exchange(document_);
    added.record_ = qb::qbxml::added_record(document_, response, what_is_missing(document_));
    return added;
  }
  QueuedAdd& queued = *queued_;
  if (queued.error) std::rethrow_exception(queued.error);
  if (queued.unknown) throw UnreadableAnswer(kind_);
  added.record_ =
      qb::qbxml::added_record(queued.document, queued.response, what_is_missing(queued.document));
  queued.added = added.record_;
  added.queued_ = queued_;
  return added;
}

// ---- AddQueue -----------------------------------------------------------------------------

AddQueue::AddQueue(MappingContext& ctx, std::function<void()> settled)
    : ctx_(ctx), settled_(std::move(settled)), outer_(g_current) {
  g_current = this;
  ctx_.components.session.setGate([this](const std::string& request) {
    if (waiting_.empty()) return;
    if (qb::may_change_anything(request) || touches(request)) flush();
  });
  previousPrompt_ = ctx_.app.ui.beforePrompt;
  ctx_.app.ui.beforePrompt = [this](bool asks) {
    commitMarks();  // no lock on Vantora while a box is open
    if (asks) flush();
  };
}

AddQueue::~AddQueue() {
  commitMarks();
  ctx_.app.ui.beforePrompt = previousPrompt_;
  ctx_.components.session.setGate({});
  g_current = outer_;
}

AddQueue* AddQueue::current() {
  return g_current;
}

bool AddQueue::full() const {
  return waiting_.size() >= kMaxAdds || bytes_ >= kMaxBytes;
}

void AddQueue::push(std::shared_ptr<QueuedAdd> add) {
  // A set stays under a megabyte: what is waiting goes first when this add would pass it.
  if (!waiting_.empty() && bytes_ + add->request.size() > kMaxBytes) flush();
  bytes_ += add->request.size();
  waiting_.push_back(std::move(add));
}

bool AddQueue::touches(const std::string& request) const {
  pugi::xml_document doc;
  if (!doc.load_string(request.c_str())) return true;
  for (pugi::xml_node rq : doc.child("QBXML").child("QBXMLMsgsRq").children()) {
    if (rq.type() != pugi::node_element) continue;
    const std::string_view name = rq.name();
    const std::string base =
        name.ends_with("QueryRq") ? std::string(name.substr(0, name.size() - 7)) : "";
    std::set<std::string> values, txnIds;
    bool byReference = false;
    for (pugi::xpath_node leaf : rq.select_nodes(".//*[not(*)]")) {
      const std::string value = leaf.node().child_value();
      const std::string_view tag = leaf.node().name();
      if (tag.starts_with("RefNumber")) byReference = true;
      if (value.empty()) continue;
      values.insert(value);
      if (tag == "TxnID") txnIds.insert(value);
    }
    for (const auto& add : waiting_) {
      if (shares(txnIds, add->txnIds)) return true;
      if (add->base == base && (shares(values, add->values) || (byReference && !add->hasReference)))
        return true;
    }
  }
  return false;
}

void AddQueue::flush() {
  while (!waiting_.empty()) {
    // One set per qbXML version, in order (the adds of one list share theirs).
    std::vector<std::shared_ptr<QueuedAdd>> set;
    std::size_t n = 0;
    while (n < waiting_.size() && waiting_[n]->version == waiting_.front()->version) ++n;
    set.assign(waiting_.begin(), waiting_.begin() + static_cast<std::ptrdiff_t>(n));
    waiting_.erase(waiting_.begin(), waiting_.begin() + static_cast<std::ptrdiff_t>(n));
    bytes_ = 0;
    for (const auto& add : waiting_) bytes_ += add->request.size();
    answer(set);
  }
}

void AddQueue::answer(std::vector<std::shared_ptr<QueuedAdd>>& set) {
  App& app = ctx_.app;
  qb::Session& session = ctx_.components.session;
  const std::string id = qb::new_message_set_id();
  const std::string version = set.front()->version;
  std::string requests;
  std::vector<IntentJournal::NewEntry> entries;
  for (std::size_t i = 0; i < set.size(); ++i) {
    QueuedAdd& add = *set[i];
    const std::string request = numbered(add.request, i + 1);
    requests += request;
    add.document = set_document(version, id, request);
    entries.push_back({add.kind, add.record, add.document});
    add.before = marks_before(app, add.kind, add.record);
  }
  // Written down before the set goes: a lost answer is then asked for, never sent again.
  IntentJournal journal(app);
  const std::vector<long long> ids = journal.openSet(entries, id);
  for (std::size_t i = 0; i < set.size(); ++i) set[i]->journal = ids[i];

  // The checks of the records to come ride along after the adds: answered after them, they
  // see what the adds made.
  std::vector<std::string> checks;
  std::vector<std::string> checkIds, checkOwnIds;  // in the set, and in their own documents
  if (rideAlong_ && session.batching()) {
    for (std::string& check : rideAlong_()) {
      QueuedAdd query;
      query.document = std::move(check);
      describe(query);
      if (query.version != version || query.request.empty() ||
          std::find(checks.begin(), checks.end(), query.document) != checks.end())
        continue;
      checkIds.push_back(std::to_string(set.size() + checks.size() + 1));
      pugi::xml_document own;
      own.load_string(query.request.c_str());
      checkOwnIds.push_back(own.first_child().attribute("requestID").value());
      requests += numbered(query.request, set.size() + checks.size() + 1);
      checks.push_back(std::move(query.document));
    }
  }

  std::string response;
  std::exception_ptr lost;
  try {
    response = session.sendSet(set_document(version, id, requests));
  } catch (const qb::QbError&) {
    lost = std::current_exception();
  }
  if (!lost && !checks.empty()) {
    std::map<std::string, std::string> parts =
        answers_by_request(response, &checkIds, &checkOwnIds);
    for (std::size_t i = 0; i < checks.size(); ++i)
      if (auto part = parts.find(checkIds[i]); part != parts.end())
        session.keep(checks[i], std::move(part->second));
    if (!parts.empty() && aheadSent_) aheadSent_();
  }
  // Each add's own answer, read from a document of its own: the set's answer is parsed once.
  auto read = [&](const std::string& answer) {
    const std::map<std::string, std::string> parts = answers_by_request(answer);
    bool unknown = false;
    for (std::size_t i = 0; i < set.size(); ++i) {
      QueuedAdd& add = *set[i];
      if (!add.response.empty()) continue;
      const auto part = parts.find(std::to_string(i + 1));
      const std::string& own = part != parts.end() ? part->second : std::string();
      const qb::ChangeAnswer outcome = qb::read_change_answer(add.document, own);
      if (outcome.outcome == qb::ChangeAnswer::kUnknown) {
        unknown = true;
        continue;
      }
      add.response = own;
      if (outcome.outcome == qb::ChangeAnswer::kRefused) journal.close(add.journal);
    }
    return unknown;
  };
  if (lost || read(response)) {
    // One question settles the whole set: QuickBooks' kept answer to it.
    try {
      const qb::MessageSetStatus status = session.messageSetStatus(id);
      if (status.code == 0) read(status.response);
    } catch (const std::exception&) {
      // Still unknown: the entries stay open for the next connection's recovery.
    }
    for (const auto& add : set)
      if (add->response.empty()) {
        add->error = lost;
        add->unknown = true;
      }
  }

  // Every send goes on; their marks share one Vantora transaction.
  for (const auto& add : set) {
    if (!marks_ && app.heldDatabase != nullptr && !app.holdWrites) {
      try {
        marks_.emplace(*app.heldDatabase, Transaction::Mode::Immediate);
      } catch (const VqbError&) {
        // Each mark then commits on its own.
      }
    }
    std::exchange(add->waiting, {}).resume();
  }
  const bool kept = !marksLost_;
  commitMarks();
  const bool written = kept && !marksLost_;
  marksLost_ = false;
  std::vector<AddToLog> logged;
  std::vector<long long> settled;
  for (const auto& add : set) {
    if (add->added.empty()) continue;
    if (add->marked && written) {
      logged.push_back({add->kind, add->record, add->added, add->before});
      settled.push_back(add->journal);
      continue;
    }
    try {
      journal.answered(add->journal, add->added);  // the next recovery marks it
    } catch (const VqbError&) {
      // The entry stays open without the answer; recovery asks QuickBooks.
    }
  }
  log_added(app, logged);
  if (!written) {
    std::size_t unmarked = 0;
    for (const auto& add : set) unmarked += add->marked;
    if (unmarked > 0)
      app.ui.messageBox(
          (unmarked == 1 ? std::string("1 record is") : std::to_string(unmarked) + " records are") +
              " in QuickBooks, but Vantora could not be marked for them. They will "
              "be marked as sent at the next connection to QuickBooks, before "
              "anything is sent again.",
          Buttons::Ok, Icon::Critical, "Confirm");
  }
  try {
    journal.close(settled);
  } catch (const VqbError&) {
    // The entries stay open; recovery finds the records marked and marks them again alike.
  }
  if (settled_) settled_();
}

void AddQueue::commitMarks() {
  if (!marks_) return;
  try {
    marks_->commit();
  } catch (const VqbError&) {
    marksLost_ = true;  // rolled back: the journal keeps the answers for recovery
  }
  marks_.reset();
}

}  // namespace vqb
