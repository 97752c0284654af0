// The QuickBooks side of a reconciliation: the transactions of the period page by page, the
// kinds side by side in one message set, then what the pages did not bring by id lists.

#include <functional>

#include "app/text_helpers.h"
#include "quickbooks/qbxml.h"
#include "reconcile/reconcile_data.h"

namespace vqb::reconciling {
namespace {

using qb::qbxml::add_element;
using qb::qbxml::add_text;

// Iterators came with qbXML 5.0; every request of a set shares the version.
constexpr const char* kVersion = "5.0";
// Requests per message set for the lookups by id.
constexpr std::size_t kRequestsPerSet = 20;

struct KindQuery {
  const char* request;
  const char* response;
  const char* party;                  // the reference child naming the customer or vendor
  std::vector<const char*> elements;  // IncludeRetElement
};

const KindQuery& query_of(Kind kind) {
  static const KindQuery queries[] = {
      {"InvoiceQueryRq",
       "InvoiceQueryRs",
       "CustomerRef",
       {"TxnID", "TxnDate", "RefNumber", "CustomerRef", "Subtotal", "SalesTaxTotal"}},
      {"ReceivePaymentQueryRq",
       "ReceivePaymentQueryRs",
       "CustomerRef",
       {"TxnID", "TxnDate", "RefNumber", "CustomerRef", "TotalAmount", "AppliedToTxnRet"}},
      {"PurchaseOrderQueryRq",
       "PurchaseOrderQueryRs",
       "VendorRef",
       {"TxnID", "TxnDate", "RefNumber", "VendorRef", "TotalAmount"}},
      {"CustomerQueryRq", "CustomerQueryRs", "", {"ListID", "FullName"}},
      {"VendorQueryRq", "VendorQueryRs", "", {"ListID", "Name"}},
  };
  return queries[kind];
}

bool is_list(Kind kind) {
  return kind == kCustomer || kind == kSupplier;
}

QuickBooksRecord record_of(Kind kind, pugi::xml_node ret) {
  using namespace qb::qbxml;
  QuickBooksRecord r;
  if (is_list(kind)) {
    r.id = child_text(ret, "ListID");
    // A vendor has no parent, so its Name is its full name.
    r.ref = child_text(ret, kind == kCustomer ? "FullName" : "Name");
    return r;
  }
  r.id = child_text(ret, "TxnID");
  r.ref = child_text(ret, "RefNumber");
  r.party = ref_name(ret, query_of(kind).party);
  r.date = child_text(ret, "TxnDate");
  if (kind == kInvoice) {
    r.subtotal = amount_of(ret, "Subtotal");
    r.tax = amount_of(ret, "SalesTaxTotal");
    r.total = r.subtotal.value_or(0) + r.tax.value_or(0);
  } else {
    r.total = amount_of(ret, "TotalAmount");
  }
  for (pugi::xml_node applied : ret.children("AppliedToTxnRet"))
    r.applied.push_back({child_text(applied, "TxnID"), child_text(applied, "RefNumber"),
                         amount_of(applied, "Amount").value_or(0)});
  return r;
}

// The IncludeLineItems and IncludeRetElement tail of a query.
void add_tail(pugi::xml_node q, Kind kind, bool withApplications) {
  if (kind == kPayment && withApplications) add_text(q, "IncludeLineItems", "true");
  for (const char* element : query_of(kind).elements) {
    if (kind == kPayment && !withApplications && std::string_view(element) == "AppliedToTxnRet")
      continue;
    add_text(q, "IncludeRetElement", element);
  }
}

// Reads one answer: its records go to `side`; an id list that names something QuickBooks does
// not hold answers with a warning (500), which still carries the rest.
qb::qbxml::Response take(const std::string& answer, Kind kind, QuickBooksSide& side) {
  qb::qbxml::Response response = qb::qbxml::Response::parse(answer, query_of(kind).response);
  if (response.statusCode() != 500) response.check(false);
  for (pugi::xml_node ret : response.records()) side.add(kind, record_of(kind, ret));
  return response;
}

}  // namespace

void QuickBooksSide::add(Kind kind, QuickBooksRecord record) {
  if (record.id.empty() || byId[kind].count(record.id) > 0) return;
  const std::size_t at = records[kind].size();
  byId[kind].emplace(record.id, at);
  if (!record.ref.empty()) byRef[kind].emplace(to_lower_ascii(record.ref), at);
  records[kind].push_back(std::move(record));
}

void read_period(qb::Session& session, const ReconcileOptions& options, bool withApplications,
                 QuickBooksSide& side) {
  struct Pager {
    Kind kind;
    std::string iteratorId;
    bool started{false};
  };
  std::vector<Pager> pagers;
  for (Kind kind : {kInvoice, kPayment, kPurchaseOrder})
    if (chosen(options, kind)) pagers.push_back({kind, "", false});
  const std::string pageSize = std::to_string(std::max(1, options.pageSize));
  while (!pagers.empty()) {
    std::vector<std::string> documents;
    for (const Pager& pager : pagers) {
      qb::qbxml::Request request(query_of(pager.kind).request);
      pugi::xml_node q = request.body();
      q.append_attribute("iterator") = pager.started ? "Continue" : "Start";
      if (pager.started) q.append_attribute("iteratorID") = pager.iteratorId.c_str();
      add_text(q, "MaxReturned", pageSize);
      if (!pager.started) {
        if (options.from || options.to) {
          pugi::xml_node range = add_element(q, "TxnDateRangeFilter");
          if (options.from) add_text(range, "FromTxnDate", iso_date(*options.from));
          if (options.to) add_text(range, "ToTxnDate", iso_date(*options.to));
        }
        add_tail(q, pager.kind, withApplications);
      }
      documents.push_back(request.document(kVersion));
    }
    const std::vector<std::string> answers = session.exchangeSet(documents);
    std::vector<Pager> next;
    for (std::size_t i = 0; i < pagers.size(); ++i) {
      const std::size_t before = side.records[pagers[i].kind].size();
      const qb::qbxml::Response response = take(answers[i], pagers[i].kind, side);
      side.paged[pagers[i].kind] += side.records[pagers[i].kind].size() - before;
      if (response.iteratorRemainingCount() > 0 && !response.iteratorId().empty())
        next.push_back({pagers[i].kind, response.iteratorId(), true});
    }
    pagers = std::move(next);
  }
}

void look_up(qb::Session& session, const ReconcileOptions& options, bool withApplications,
             const Wanted& wanted, QuickBooksSide& side) {
  std::vector<std::string> documents;
  std::vector<Kind> kinds;
  const std::size_t chunk = static_cast<std::size_t>(std::max(1, options.pageSize));
  auto queue = [&](Kind kind, const std::vector<std::string>& values, const char* element) {
    for (std::size_t at = 0; at < values.size(); at += chunk) {
      qb::qbxml::Request request(query_of(kind).request);
      pugi::xml_node q = request.body();
      for (std::size_t i = at; i < std::min(values.size(), at + chunk); ++i)
        add_text(q, element, values[i]);
      add_tail(q, kind, withApplications);
      documents.push_back(request.document(kVersion));
      kinds.push_back(kind);
    }
  };
  for (int k = 0; k < kKindCount; ++k) {
    const Kind kind = static_cast<Kind>(k);
    queue(kind, wanted.ids[k], is_list(kind) ? "ListID" : "TxnID");
    queue(kind, wanted.refs[k], is_list(kind) ? "FullName" : "RefNumber");
  }
  for (std::size_t at = 0; at < documents.size(); at += kRequestsPerSet) {
    const std::size_t end = std::min(documents.size(), at + kRequestsPerSet);
    const std::vector<std::string> set(documents.begin() + static_cast<std::ptrdiff_t>(at),
                                       documents.begin() + static_cast<std::ptrdiff_t>(end));
    const std::vector<std::string> answers = session.exchangeSet(set);
    for (std::size_t i = 0; i < answers.size(); ++i) take(answers[i], kinds[at + i], side);
  }
}

}  // namespace vqb::reconciling
