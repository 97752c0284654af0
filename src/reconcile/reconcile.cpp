#include "reconcile/reconcile.h"

#include <set>
#include <unordered_map>

#include "app/text_helpers.h"
#include "quickbooks/qbxml.h"
#include "reconcile/reconcile_data.h"

namespace vqb {
namespace {

using namespace reconciling;

bool same_name(const std::string& a, const std::string& b) {
  return to_lower_ascii(a) == to_lower_ascii(b);
}

// "10001: 100.00, 10002: 50.00", or "none".
std::string applications_text(const Applications& applications) {
  std::string out;
  for (const auto& [invoice, amount] : applications)
    out += (out.empty() ? "" : ", ") + invoice + ": " + hundredths_text(amount);
  return out.empty() ? "none" : out;
}

class Comparer {
 public:
  Comparer(VantoraSide& vantora, QuickBooksSide& quickbooks)
      : vantora_(vantora), quickbooks_(quickbooks) {}

  ReconcileResult run() {
    for (int k = 0; k < kKindCount; ++k) {
      const Kind kind = static_cast<Kind>(k);
      for (const VantoraRecord& record : vantora_.records[k])
        if (record.marked) check(kind, record);
      if (kind != kCustomer && kind != kSupplier) unpointed(kind);
    }
    result_.agree = result_.checked - static_cast<long>(differing_.size());
    return std::move(result_);
  }

 private:
  void report(Kind kind, const VantoraRecord& record, const char* problem, std::string field,
              std::string inVantora, std::string inQuickBooks, std::string id) {
    differing_.insert({kind, record.key});
    result_.differences.push_back({kind_word(kind), record.key, record.party, problem,
                                   std::move(field), std::move(inVantora), std::move(inQuickBooks),
                                   std::move(id)});
  }

  // The QuickBooks record a Vantora record points to; nullptr when there is none.
  QuickBooksRecord* find(Kind kind, const VantoraRecord& record) {
    auto& records = quickbooks_.records[kind];
    if (!record.txnId.empty()) {
      auto found = quickbooks_.byId[kind].find(record.txnId);
      return found == quickbooks_.byId[kind].end() ? nullptr : &records[found->second];
    }
    QuickBooksRecord* first = nullptr;
    auto [from, to] = quickbooks_.byRef[kind].equal_range(to_lower_ascii(record.ref));
    for (auto it = from; it != to; ++it) {
      QuickBooksRecord& candidate = records[it->second];
      if (kind == kCustomer || kind == kSupplier ||
          (!candidate.pointedTo && same_name(candidate.party, record.partyName)))
        return &candidate;
      if (!first) first = &candidate;
    }
    return first;
  }

  void check(Kind kind, const VantoraRecord& record) {
    ++result_.checked;
    if (record.txnId.empty() && record.ref.empty()) {
      report(kind, record, problems::kUnlinked, "", "marked as sent", "", "");
      return;
    }
    QuickBooksRecord* found = find(kind, record);
    if (!found) {
      report(kind, record, problems::kMissing, "", record.txnId.empty() ? record.ref : record.txnId,
             "", record.txnId);
      return;
    }
    found->pointedTo = true;
    const std::string& id = found->id;
    if (kind == kCustomer || kind == kSupplier) {
      if (found->ref != record.ref)
        report(kind, record, problems::kParty, "name", record.ref, found->ref, id);
      return;
    }
    if (!same_name(found->party, record.partyName))
      report(kind, record, problems::kParty, "", record.partyName, found->party, id);
    // Payments record only the TxnID; their reference is the one they are sent with.
    const std::string& reference = kind == kPayment ? record.expectedRef : record.ref;
    if (!reference.empty() && reference != found->ref)
      report(kind, record, problems::kReference, "", reference, found->ref, id);
    if (!record.date.empty() && record.date != found->date)
      report(kind, record, problems::kDate, "", record.date, found->date, id);
    auto amount = [&](const char* field, std::int64_t inVantora,
                      const std::optional<std::int64_t>& inQuickBooks) {
      if (inVantora != inQuickBooks.value_or(0))
        report(kind, record, problems::kAmount, field, hundredths_text(inVantora),
               hundredths_text(inQuickBooks.value_or(0)), id);
    };
    if (kind == kInvoice) {
      amount("subtotal", record.subtotal, found->subtotal);
      amount("tax", record.tax, found->tax);
    }
    amount("total", record.total, found->total);
    if (kind == kPayment && record.compareApplications) {
      Applications applied;
      for (const QuickBooksRecord::Applied& a : found->applied) {
        auto invoice = vantora_.invoiceByTxn.find(a.txnId);
        applied[invoice != vantora_.invoiceByTxn.end() ? invoice->second : "QuickBooks " + a.ref] +=
            a.amount;
      }
      if (applied != record.applications)
        report(kind, record, problems::kApplications, "", applications_text(record.applications),
               applications_text(applied), id);
    }
  }

  // QuickBooks transactions no record points to, whose reference a record would be sent with.
  void unpointed(Kind kind) {
    std::unordered_multimap<std::string, const VantoraRecord*> byExpected;
    for (const VantoraRecord& record : vantora_.records[kind])
      if (!record.expectedRef.empty())
        byExpected.emplace(to_lower_ascii(record.expectedRef), &record);
    for (const QuickBooksRecord& found : quickbooks_.records[kind]) {
      if (found.pointedTo || found.ref.empty()) continue;
      auto [from, to] = byExpected.equal_range(to_lower_ascii(found.ref));
      const VantoraRecord* unmarked = nullptr;
      const VantoraRecord* linked = nullptr;
      for (auto it = from; it != to; ++it) {
        const VantoraRecord& record = *it->second;
        // A payment's reference is the customer's own: it names the payment only with them.
        if (kind == kPayment && !same_name(record.partyName, found.party)) continue;
        if (!record.marked && !unmarked) unmarked = &record;
        if (record.marked && !linked && (!record.txnId.empty() || !record.ref.empty()))
          linked = &record;
      }
      if (unmarked) {
        if (differing_.count({kind, unmarked->key}) == 0) ++result_.checked;
        report(kind, *unmarked, problems::kUnmarked, "", "not marked as sent", found.ref, found.id);
      } else if (linked) {
        report(kind, *linked, problems::kDoubled, "",
               linked->txnId.empty() ? linked->ref : linked->txnId, found.ref, found.id);
      }
    }
  }

  VantoraSide& vantora_;
  QuickBooksSide& quickbooks_;
  ReconcileResult result_;
  std::set<std::pair<int, std::string>> differing_;
};

// What the pages of the period did not bring: records dated otherwise in QuickBooks, records
// found by reference only, and the customers and suppliers.
Wanted wanted_of(const VantoraSide& vantora, const QuickBooksSide& quickbooks) {
  Wanted wanted;
  for (int k = 0; k < kKindCount; ++k) {
    std::set<std::string> seen;
    for (const VantoraRecord& record : vantora.records[k]) {
      if (!record.marked) continue;
      if (!record.txnId.empty()) {
        if (quickbooks.byId[k].count(record.txnId) == 0 && seen.insert(record.txnId).second)
          wanted.ids[k].push_back(record.txnId);
      } else if (!record.ref.empty()) {
        const std::string lower = to_lower_ascii(record.ref);
        if (quickbooks.byRef[k].count(lower) == 0 && seen.insert(lower).second)
          wanted.refs[k].push_back(record.ref);
      }
    }
  }
  return wanted;
}

}  // namespace

std::string ReconcileResult::summary() const {
  return "Checked " + std::to_string(checked) + " records: " + std::to_string(agree) + " agree, " +
         std::to_string(differing()) + " differ.";
}

ReconcileResult reconcile(App& app, qb::Session& session, const ReconcileOptions& options) {
  VantoraSide vantora = read_vantora(app, options);
  bool withApplications = false;
  for (const VantoraRecord& record : vantora.records[kPayment])
    withApplications = withApplications || record.compareApplications;
  QuickBooksSide quickbooks;
  read_period(session, options, withApplications, quickbooks);
  look_up(session, options, withApplications, wanted_of(vantora, quickbooks), quickbooks);
  return Comparer(vantora, quickbooks).run();
}

bool choose_kinds(ReconcileOptions& options, const std::string& word) {
  const bool all = word == "all";
  if (!all && word != "invoices" && word != "payments" && word != "pos" && word != "customers" &&
      word != "suppliers")
    return false;
  options.invoices = all || word == "invoices";
  options.payments = all || word == "payments";
  options.purchaseOrders = all || word == "pos";
  options.customers = all || word == "customers";
  options.suppliers = all || word == "suppliers";
  return true;
}

std::optional<double> reconcile_date(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  const std::optional<double> day = qb::qbxml::parse_date(text);
  // parse_date rolls impossible days over; the round trip must give the same text.
  if (!day || iso_date(*day) != text) return std::nullopt;
  return day;
}

std::string problem_text(const Difference& difference) {
  if (difference.problem == problems::kAmount && !difference.field.empty())
    return difference.problem + " (" + difference.field + ")";
  return difference.problem;
}

std::string problem_explanation(const Difference& d) {
  const std::string& p = d.problem;
  std::string why;
  if (p == problems::kMissing)
    why = "marked as sent, but QuickBooks has no such record";
  else if (p == problems::kAmount)
    why = "the " + d.field + " differs";
  else if (p == problems::kParty)
    why = d.field == "name" ? "QuickBooks knows it under another name"
                            : "QuickBooks has it for another customer or supplier";
  else if (p == problems::kReference)
    why = "QuickBooks has another reference number";
  else if (p == problems::kDate)
    why = "QuickBooks has another date";
  else if (p == problems::kApplications)
    why = "QuickBooks applies it to other invoices or amounts";
  else if (p == problems::kDoubled)
    why = "QuickBooks holds a second copy";
  else if (p == problems::kUnmarked)
    why = "QuickBooks holds it, but Vantora does not show it as sent";
  else if (p == problems::kUnlinked)
    why = "marked as sent with nothing recorded to find it by";
  return p + ": " + why;
}

}  // namespace vqb
