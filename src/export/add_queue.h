#pragma once
// Adds sent many to a round trip. While a send list runs, a record's own add (InvoiceAdd,
// ReceivePaymentAdd, PurchaseOrderAdd, CustomerAdd, VendorAdd) does not go at once: the record's
// send waits (a coroutine, SendTask) and its add joins the list's AddQueue. The queue goes to
// QuickBooks as one message set (onError="continueOnError", one newMessageSetID) when it is full,
// before any other change or any query that may see what it adds, before any question or
// window, and at the end of the list or on Cancel; so QuickBooks receives the changes in the
// order the records were sent. (A message box with only an OK button asks nothing: the adds
// need not go before it, but the marks written so far are committed.) Each add's journal entry
// names the set and its request (all written in one durable transaction before the set goes); when
// the answer is read every waiting send goes on in turn, in one Vantora transaction for their
// marks. Outside a list (a customer sent on the way, a preview, one record sent alone) an add goes
// at once, as a request of its own.

#include <coroutine>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "export/intent_journal.h"
#include "mapping/mapping_context.h"

namespace vqb {

// The send of one record: runs at once, and may wait at its add for the answer of its message
// set. result() is the record's result line once done().
class SendTask {
 public:
  struct promise_type {
    std::string result;
    std::exception_ptr error;
    SendTask get_return_object() {
      return SendTask(std::coroutine_handle<promise_type>::from_promise(*this));
    }
    std::suspend_never initial_suspend() noexcept { return {}; }
    std::suspend_always final_suspend() noexcept { return {}; }
    void return_value(std::string text) { result = std::move(text); }
    void unhandled_exception() { error = std::current_exception(); }
  };

  SendTask() = default;
  explicit SendTask(std::coroutine_handle<promise_type> handle) : handle_(handle) {}
  SendTask(SendTask&& other) noexcept;
  SendTask& operator=(SendTask&& other) noexcept;
  SendTask(const SendTask&) = delete;
  SendTask& operator=(const SendTask&) = delete;
  ~SendTask();

  bool done() const { return !handle_ || handle_.done(); }
  // The result line; rethrows what escaped the send. Only once done().
  std::string result() const;
  // Keeps `owner` (the object whose member the coroutine is) alive as long as the task.
  void keep(std::shared_ptr<void> owner) { owner_ = std::move(owner); }

 private:
  std::coroutine_handle<promise_type> handle_;
  std::shared_ptr<void> owner_;
};

// The send of `Sender` (a class whose run() is the coroutine), made from `args` and kept alive
// with its task.
template <typename Sender, typename... Args>
SendTask send_task(Args&&... args) {
  auto sender = std::make_shared<Sender>(std::forward<Args>(args)...);
  SendTask task = sender->run();
  task.keep(sender);
  return task;
}

// A task already done with `result`.
SendTask finished(std::string result);

// Runs `make` with adds going at once, as requests of their own; its task is then done.
std::string run_now(const std::function<SendTask()>& make);

struct QueuedAdd;

// What a record's add brought back, and its journal entry until the record is marked.
class AddedRecord {
 public:
  AddedRecord() = default;
  AddedRecord(AddedRecord&&) noexcept;
  AddedRecord& operator=(AddedRecord&&) noexcept;
  ~AddedRecord();

  // The ...Ret element QuickBooks answered, as qbXML text.
  const std::string& record() const { return record_; }
  // Vantora is marked: the journal entry is settled and the add logged in the send run.
  void marked();

 private:
  friend class AddAwaiter;
  std::string record_;
  std::unique_ptr<IntentScope> scope_;  // an add sent at once
  std::shared_ptr<QueuedAdd> queued_;   // an add sent in a set
};

// Awaited by a send at its add: `co_await add_in_set(ctx, "invoice", n, document)`. Throws as
// the add sent alone throws (QbError with QuickBooks' refusal, UnreadableAnswer, the
// transport's error).
class AddAwaiter {
 public:
  AddAwaiter(MappingContext& ctx, std::string kind, std::string record, std::string document);
  bool await_ready() const noexcept { return !queued_; }
  void await_suspend(std::coroutine_handle<> waiting);
  AddedRecord await_resume();

 private:
  MappingContext& ctx_;
  std::shared_ptr<QueuedAdd> queued_;  // null: the add goes at once
  std::string kind_, record_, document_;
};

inline AddAwaiter add_in_set(MappingContext& ctx, std::string kind, std::string record,
                             std::string document) {
  return AddAwaiter(ctx, std::move(kind), std::move(record), std::move(document));
}

class AddQueue {
 public:
  static constexpr std::size_t kMaxAdds = 25;
  static constexpr std::size_t kMaxBytes = 1000000;

  // Becomes the queue of the adds sent while it lives (with batching on, not while changes are
  // held back). `settled` is called after each set's waiting sends went on.
  AddQueue(MappingContext& ctx, std::function<void()> settled);
  // Read-only checks to send after the adds in each set (those of the records to come); their
  // answers are kept in the session, and `aheadSent` is told.
  void setRideAlong(std::function<std::vector<std::string>()> checks,
                    std::function<void()> aheadSent) {
    rideAlong_ = std::move(checks);
    aheadSent_ = std::move(aheadSent);
  }
  ~AddQueue();
  AddQueue(const AddQueue&) = delete;
  AddQueue& operator=(const AddQueue&) = delete;

  // The queue adds go to now; null when they go at once.
  static AddQueue* current();
  bool full() const;
  bool empty() const { return waiting_.empty(); }
  // Sends the waiting adds as one message set and lets their sends go on.
  void flush();

 private:
  friend class AddAwaiter;
  friend std::string run_now(const std::function<SendTask()>&);
  void push(std::shared_ptr<QueuedAdd> add);
  // Whether a query may see what a waiting add adds (the same kind of record with a shared
  // name, reference or transaction, a reference search where QuickBooks numbers the add, or
  // an application to a transaction the query reads).
  bool touches(const std::string& request) const;
  void answer(std::vector<std::shared_ptr<QueuedAdd>>& set);
  void commitMarks();

  MappingContext& ctx_;
  std::function<void()> settled_;
  std::function<std::vector<std::string>()> rideAlong_;
  std::function<void()> aheadSent_;
  AddQueue* outer_;
  std::vector<std::shared_ptr<QueuedAdd>> waiting_;
  std::size_t bytes_{0};
  std::optional<Transaction> marks_;  // the open Vantora transaction of a set's marks
  bool marksLost_{false};             // a commit of marks failed
  std::function<void(bool)> previousPrompt_;
};

}  // namespace vqb
