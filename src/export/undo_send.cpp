#include "export/undo_send.h"

#include <algorithm>
#include <map>
#include <pugixml.hpp>
#include <set>

#include "app/module1.h"
#include "export/send_runs.h"
#include "quickbooks/qb_error.h"

namespace vqb {
namespace {

std::vector<std::string> column(const std::vector<RunMark>& marks, bool before) {
  std::vector<std::string> out;
  for (const RunMark& mark : marks) out.push_back(before ? mark.before : mark.after);
  return out;
}

// Whether a logged value is one literal as SQLite's quote() writes it (NULL, a number, a
// quoted text or a blob), so that setting it back can change nothing else.
bool is_literal(const std::string& value) {
  if (value == "NULL") return true;
  const bool blob = value.size() >= 3 && (value[0] == 'X' || value[0] == 'x');
  const std::size_t open = blob ? 1 : 0;
  if (value.size() >= open + 2 && value[open] == '\'' && value.back() == '\'') {
    for (std::size_t i = open + 1; i + 1 < value.size(); ++i)
      if (value[i] == '\'' && value[++i] != '\'') return false;
    return true;
  }
  return !value.empty() && value.find_first_not_of("0123456789+-.eE") == std::string::npos;
}

// A QuickBooks transaction as the undo reads it.
struct Found {
  bool exists = false;
  std::string editSequence, timeModified;
  std::vector<std::string> links;  // TxnIDs of linked transactions
  bool received = false;           // a purchase order received or billed
  std::vector<std::string> appliedTo;
};

Found read_found(const std::string& xml) {
  Found f;
  pugi::xml_document doc;
  if (xml.empty() || !doc.load_string(xml.c_str())) return f;
  const pugi::xml_node ret = doc.first_child();
  f.exists = true;
  f.editSequence = ret.child_value("EditSequence");
  f.timeModified = ret.child_value("TimeModified");
  for (pugi::xml_node link : ret.children("LinkedTxn"))
    f.links.push_back(link.child_value("TxnID"));
  f.received = std::string_view(ret.child_value("IsFullyReceived")) == "true";
  for (pugi::xml_node line : ret.children("PurchaseOrderLineRet"))
    f.received = f.received || line.child("ReceivedQuantity").text().as_double() != 0;
  for (pugi::xml_node line : ret.children("AppliedToTxnRet"))
    f.appliedTo.push_back(line.child_value("TxnID"));
  return f;
}

class Undo {
 public:
  Undo(MappingContext& ctx, long long run, bool dryRun)
      : ctx_(ctx), log_(ctx.app), run_(run), dryRun_(dryRun) {}

  UndoResult operator()() {
    UndoResult result;
    result.found = log_.run(run_).has_value();
    if (!result.found) return result;
    entries_ = log_.entries(run_);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      byQbId_[entries_[i].qbId] = i;
      if (entries_[i].undo == "undone") gone_.insert(entries_[i].qbId);
    }
    // Payments first, each group newest first.
    std::vector<std::size_t> order;
    for (int pass = 0; pass < 2; ++pass)
      for (std::size_t i = entries_.size(); i-- > 0;)
        if ((entries_[i].kind == "payment") == (pass == 0)) order.push_back(i);
    ctx_.set_Country();
    const DatabaseRun database(ctx_.app);
    bool reachable = true;
    for (std::size_t i : order) {
      RunEntry& e = entries_[i];
      const MarkTable* table = mark_table(e.kind);
      UndoLine line{e.kind, e.record, e.reference, kUndoNotReached, false};
      if (table != nullptr && *table->txnType == '\0') {
        line.text = kUndoNames;
      } else if (reachable && table != nullptr) {
        try {
          line.text = undoOne(e, *table, line.undone);
        } catch (const qb::QbError& error) {
          if (error.number() != qb::kNotReachable) throw;
          reachable = false;
        }
      }
      if (line.undone) ++result.undone;
      if (!line.undone && line.text != kUndoAlready && line.text != kUndoNames) ++result.leftAlone;
      result.lines.push_back(std::move(line));
    }
    return result;
  }

 private:
  std::string undoOne(RunEntry& e, const MarkTable& table, bool& undone) {
    if (e.undo == "undone") return kUndoAlready;
    const std::vector<std::string> now = read_marks(ctx_.app, table, e.record);
    const bool asAfter = now == column(e.marks, false);
    const Found found = read_found(ctx_.components.transaction.find(table.txnType, e.qbId));
    if (!found.exists) {  // deleted by an undo that stopped before the mark, or by hand
      if (!e.marks.empty() && now == column(e.marks, true)) {
        if (!dryRun_) log_.setUndo(e.id, "undone");
        return kUndoAlready;
      }
      if (!asAfter) return kUndoChangedInVantora;
      if (dryRun_) return (undone = true, kUndoWouldMark);
      if (e.kind == "payment") refreshInvoices(e.appliedTo, nullptr);
      return finish(e, table, undone, kUndoGone);
    }
    if (!asAfter) return kUndoChangedInVantora;
    for (const std::string& link : found.links)
      if (!gone_.count(link)) return e.kind == "invoice" ? kUndoPaid : kUndoReceived;
    if (found.received) return kUndoReceived;
    if (found.editSequence != e.editSequence && !paidInRun_.count(e.qbId))
      return kUndoChangedInQuickBooks;
    // The run's invoices this payment is applied to: changed by nothing but this payment.
    std::set<std::string> unchanged;
    if (e.kind == "payment")
      for (const std::string& id : found.appliedTo) {
        const auto at = byQbId_.find(id);
        if (at == byQbId_.end()) continue;
        const Found invoice = read_found(ctx_.components.transaction.find("Invoice", id));
        if (invoice.editSequence == entries_[at->second].editSequence ||
            invoice.timeModified <= found.timeModified)
          unchanged.insert(id);
      }
    if (dryRun_) {
      gone_.insert(e.qbId);
      paidInRun_.insert(unchanged.begin(), unchanged.end());
      return (undone = true, kUndoWouldTake);
    }
    log_.setUndo(e.id, "deleting");  // written down before QuickBooks deletes anything
    try {
      ctx_.components.transaction.remove(table.txnType, e.qbId);
    } catch (const qb::QbError& error) {
      if (error.number() == qb::kNotReachable) throw;
      log_.setUndo(e.id, "");
      return kUndoRefused + error.description();
    }
    gone_.insert(e.qbId);
    refreshInvoices(found.appliedTo, &unchanged);
    return finish(e, table, undone, kUndoTaken);
  }

  // The run's invoices a deleted payment was applied to were changed by the delete: their
  // EditSequence now is the one an unchanged invoice has (all of them when `unchanged` is null:
  // the payment went in an undo that stopped).
  void refreshInvoices(const std::vector<std::string>& ids,
                       const std::set<std::string>* unchanged) {
    for (const std::string& id : ids) {
      const auto at = byQbId_.find(id);
      if (at == byQbId_.end() || (unchanged && !unchanged->count(id))) continue;
      const Found invoice = read_found(ctx_.components.transaction.find("Invoice", id));
      if (!invoice.exists) continue;
      RunEntry& entry = entries_[at->second];
      log_.setEditSequence(entry.id, invoice.editSequence);
      entry.editSequence = invoice.editSequence;
    }
  }

  // Sets the Vantora mark back; the record is undone once it is.
  std::string finish(RunEntry& e, const MarkTable& table, bool& undone, const char* text) {
    if (!e.marks.empty()) {
      if (e.marks.size() != table.columns.size()) return kUndoMarkFailed;
      std::string sql = std::string("UPDATE ") + table.table + " SET ";
      for (std::size_t i = 0; i < e.marks.size(); ++i) {
        if (!is_literal(e.marks[i].before)) return kUndoMarkFailed;
        sql += std::string(i ? ", " : "") + table.columns[i] + " = " + e.marks[i].before;
      }
      sql +=
          std::string(" WHERE ") + table.key + " = " + std::to_string(std::atol(e.record.c_str()));
      if (!write_data(ctx_.app, sql)) return kUndoMarkFailed;
    }
    log_.setUndo(e.id, "undone");
    undone = true;
    return text;
  }

  MappingContext& ctx_;
  RunLog log_;
  long long run_;
  bool dryRun_;
  std::vector<RunEntry> entries_;
  std::map<std::string, std::size_t> byQbId_;
  std::set<std::string> gone_;       // TxnIDs of the run out of QuickBooks (or to be, dry)
  std::set<std::string> paidInRun_;  // invoices changed only by the run's payments (dry run)
};

}  // namespace

UndoResult undo_send_run(MappingContext& ctx, long long run, bool dryRun) {
  return Undo(ctx, run, dryRun)();
}

std::string undo_line(const UndoLine& line) {
  const MarkTable* table = mark_table(line.kind);
  return std::string(table ? table->label : line.kind.c_str()) + " " + line.record +
         (line.reference.empty() ? "" : " (QuickBooks " + line.reference + ")") + ": " + line.text;
}

}  // namespace vqb
