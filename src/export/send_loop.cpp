#include "export/send_loop.h"

#include <cmath>

#include "app/errors.h"
#include "app/module1.h"
#include "app/setup_file.h"
#include "app/text_helpers.h"
#include "export/intent_journal.h"
#include "export/send_runs.h"

namespace vqb {
namespace {

std::string cell(const WorkRow& row, std::size_t column) {
  return column < row.cells.size() ? row.cells[column] : std::string();
}

}  // namespace

void send_ticked_rows(MappingContext& ctx, const SendLoop& loop,
                      const std::function<std::string(long)>& send) {
  send_ticked_rows(ctx, loop, send, {});
}

void send_ticked_rows(MappingContext& ctx, const SendLoop& loop,
                      const std::function<std::string(long)>& send,
                      const std::function<std::string(const WorkRow&)>& label) {
  send_record_rows(
      ctx, loop, [&](long key) { return finished(send(key)); }, label);
}

void send_record_rows(MappingContext& ctx, const SendLoop& loop,
                      const std::function<SendTask(long)>& send,
                      const std::function<std::string(const WorkRow&)>& label) {
  App& app = ctx.app;
  auto& state = ctx.state;
  qb::Session& session = ctx.components.session;
  state.cancelRequested = false;
  const DatabaseRun database(app);  // one connection for the whole list
  const auto eligible = [&](long r) {
    if (static_cast<std::size_t>(r) >= state.grid.rows.size()) return false;
    const WorkRow& row = state.grid.rows[static_cast<std::size_t>(r)];
    return cell(row, loop.resultColumn).empty() && row.ticked;
  };
  const auto key_of = [&](long r) {
    return static_cast<long>(std::trunc(
        numeric_value(cell(state.grid.rows[static_cast<std::size_t>(r)], loop.keyColumn))));
  };
  const auto put = [&](long r, std::string result) {
    // The row may have gone while events ran (a refill); its result then has no cell.
    if (static_cast<std::size_t>(r) >= state.grid.rows.size()) return;
    WorkRow& row = state.grid.rows[static_cast<std::size_t>(r)];
    if (row.cells.size() <= loop.resultColumn) row.cells.resize(loop.resultColumn + 1);
    row.cells[loop.resultColumn] = std::move(result);
    state.changed();
  };
  struct Waiting {
    long row;
    SendTask task;
  };
  std::vector<Waiting> waiting;  // sends waiting for their set's answer
  const auto harvest = [&] {
    for (std::size_t i = 0; i < waiting.size();) {
      if (!waiting[i].task.done()) {
        ++i;
        continue;
      }
      Waiting done = std::move(waiting[i]);
      waiting.erase(waiting.begin() + static_cast<std::ptrdiff_t>(i));
      put(done.row, done.task.result());
    }
  };
  AddQueue queue(ctx, harvest);
  session.forgetKept();    // answers from before the list may be out of date
  long aheadUntil = 0;     // the first row whose checks were not sent ahead
  unsigned aheadKept = 0;  // the session's kept-answer generation after they were sent
  long next = 0;           // the first row whose send has not begun
  const long rows = static_cast<long>(state.grid.gridRows()) - 1;
  // The checks of the records from `from` on (kRecordsAhead of them); aheadUntil moves past.
  const auto checks_from = [&](long from) {
    std::vector<std::string> documents;
    std::size_t records = 0;
    for (aheadUntil = from; aheadUntil < rows && records < kRecordsAhead; ++aheadUntil) {
      if (!eligible(aheadUntil)) continue;
      std::vector<std::string> more = loop.ahead(key_of(aheadUntil));
      documents.insert(documents.end(), more.begin(), more.end());
      ++records;
    }
    return documents;
  };
  if (loop.ahead)
    queue.setRideAlong(
        [&] {
          // A set may go in the middle of a record (before a question, another change or a
          // check that may see its adds): the documents that record may be reading are left as
          // they were.
          RecordDoc scratch = std::move(app.scratch), settings = std::move(app.qbSettingsSnapshot);
          app.scratch = RecordDoc();
          app.qbSettingsSnapshot = RecordDoc();
          std::vector<std::string> documents;
          try {
            documents = checks_from(next);
          } catch (const std::exception&) {
            documents.clear();  // the checks are then asked when they are made
          }
          app.scratch = std::move(scratch);
          app.qbSettingsSnapshot = std::move(settings);
          return documents;
        },
        [&] { aheadKept = session.keptGeneration(); });
  app.ui.setProgress(0, rows);
  for (long r = 0; r < rows; ++r) {
    app.ui.setProgress(r + 1, rows);
    if (state.cancelRequested) {
      queue.setRideAlong({}, {});
      queue.flush();
      app.ui.setStatus("Operation aborted by user.");
      return;
    }
    if (static_cast<std::size_t>(r) >= state.grid.rows.size()) break;
    if (!eligible(r)) continue;
    const WorkRow& row = state.grid.rows[static_cast<std::size_t>(r)];
    app.ui.setStatus(loop.statusPrefix + (label ? label(row) : cell(row, loop.labelColumn)));
    const long key = key_of(r);
    // The grid follows the row being sent.
    state.grid.currentRow = static_cast<int>(r);
    state.changed();
    app.ui.processEvents();
    next = r;
    if (loop.ahead && session.batching() &&
        (r >= aheadUntil || session.keptGeneration() != aheadKept)) {
      // The checks of this record and the next ones, in one round trip.
      session.prefetch(checks_from(r));
      aheadKept = session.keptGeneration();
    }
    next = r + 1;
    SendTask task = send(key);
    if (task.done())
      put(r, task.result());
    else
      waiting.push_back({r, std::move(task)});
    if (queue.full()) queue.flush();
  }
  queue.setRideAlong({}, {});  // no record is left to check
  queue.flush();
  app.ui.setProgress(rows, rows);
  app.ui.setStatus("Operation completed");
  app.ui.setProgress(0, rows);
}

bool confirm_possible_duplicate(App& app, const std::string& kind, const std::string& customer,
                                const RecordDoc& match, bool markDuplicates, bool blankLines,
                                const std::string& matched) {
  const std::string crlf = "\r\n";
  const std::string gap = blankLines ? crlf + crlf : crlf;
  const std::string question =
      "Vantora detected another " + kind + " in QuickBooks for " + customer +
      " for the same amount and has the following references:" + gap +
      "Reference: " + match.GetChildContent("RefNumber") + crlf +
      "Memo: " + match.GetChildContent("Memo") + (matched.empty() ? "" : crlf + matched) + gap +
      (markDuplicates ? "This may be a duplicate transaction. Click 'YES' to send this " + kind +
                            " anyhow. Click 'NO' to flag this " + kind + " as exported."
                      : "This may be a duplicate transaction. Are you sure you want to send this " +
                            kind + "?");
  return app.ui.messageBox(question, Buttons::YesNo, Icon::Question, "Warning!") == Answer::Yes;
}

void run_send_list(App& app, const char* procedure, const std::function<void()>& body) {
  const SendRunScope run(app);
  try {
    body();
  } catch (const VqbError& error) {
    show_common_error(app.ui, "frmQB", procedure, error);
  } catch (const std::exception& error) {
    show_common_error(app.ui, "frmQB", procedure, error);
  }
}

namespace send_steps {

std::string sent_on_the_way(const std::string& kind, std::string result) {
  if (result == unreadable_answer_text(kind)) throw Stop{std::move(result)};
  return result;
}

bool load(App& app, const std::string& sql, RecordDoc& into) {
  if (!read_data(app, sql, false)) return false;
  into = app.scratch.Clone();
  return true;
}

bool setup_on(App& app, const char* key) {
  return setup_value(app, key) == "1";
}

bool option_on(App& app, const char* key) {
  return setup_value(app, key) == "True";
}

std::string whole(const std::string& text) {
  return number_text(std::trunc(numeric_value(text)));
}

qb::ObjSearch& reference_search(MappingContext& ctx, int queryKind, const std::string& reference) {
  qb::ObjSearch& search = ctx.components.search;
  search.reset();
  ctx.set_Country();
  search.queryKind = queryKind;
  search.refNumber = reference;
  return search;
}

std::string reference_search_document(MappingContext& ctx, int queryKind,
                                      const std::string& reference) {
  ctx.set_Country();
  qb::ObjSearch search(ctx.components.session);
  search.settings = ctx.components.search.settings;
  search.queryKind = queryKind;
  search.refNumber = reference;
  return search.runDocument();
}

std::string differences(const std::vector<ComparedAmount>& amounts) {
  const auto text = [](std::int64_t cents) {
    return format_number(static_cast<double>(cents) / 100, "0.00");
  };
  std::string out;
  for (const ComparedAmount& a : amounts)
    if (a.quickbooks != a.vantora)
      out += std::string(out.empty() ? "" : " ") + "QuickBooks' " + a.quickbooksName + " " +
             text(a.quickbooks) + " differs from the Vantora " + a.vantoraName + " " +
             text(a.vantora) + ".";
  return out;
}

std::int64_t line_cents(double quantity, double rate) {
  return to_hundredths(quantity * rate);
}

std::optional<double> rate_giving(std::int64_t cents, double quantity, double price) {
  const auto five_places = [](double value) { return round_half_away(value * 1e5) / 1e5; };
  if (const double rate = five_places(price); line_cents(quantity, rate) == cents) return rate;
  if (quantity == 0) return std::nullopt;
  if (const double rate = five_places(static_cast<double>(cents) / 100 / quantity);
      line_cents(quantity, rate) == cents)
    return rate;
  return std::nullopt;
}

std::string find_sent_match(const qb::ObjSearch& search, RecordDoc& match, const char* nameRef,
                            const std::string& name, const char* amountField, std::int64_t cents,
                            const std::string& sentAs) {
  for (int i = 0; i < search.resultCount(); ++i) {
    match.LoadXml(search.result(i));
    std::string owner;
    if (auto ref = match.FindChild(nameRef)) owner = ref->GetChildContent("FullName");
    if (owner != name) continue;
    const std::string txnId = match.GetChildContent("TxnID");
    if (to_hundredths(numeric_value(match.GetChildContent(amountField))) == cents ||
        (!sentAs.empty() && txnId == sentAs))
      return txnId;
  }
  return "";
}

}  // namespace send_steps

}  // namespace vqb
