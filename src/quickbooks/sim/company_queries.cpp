// Queries of the simulated company: id and name lists, filters, MaxReturned and iterators.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <set>

#include "quickbooks/sim/company_state.h"

namespace vqb::qb::sim {
namespace {

const std::set<std::string, std::less<>> kLineTags = {
    "InvoiceLineRet", "InvoiceLineGroupRet", "PurchaseOrderLineRet", "PurchaseOrderLineGroupRet",
    "AppliedToTxnRet"};

bool contains(const std::vector<Kind>& kinds, pugi::xml_node ret) {
  std::optional<Kind> kind = kindOfRet(ret.name());
  return kind && std::find(kinds.begin(), kinds.end(), *kind) != kinds.end();
}

bool matches(const std::string& text, pugi::xml_node filter, const char* valueTag) {
  std::string value = lower(childText(filter, valueTag));
  std::string subject = lower(text);
  std::string criterion = childText(filter, "MatchCriterion");
  if (criterion == "StartsWith") return subject.compare(0, value.size(), value) == 0;
  if (criterion == "EndsWith") {
    return subject.size() >= value.size() &&
           subject.compare(subject.size() - value.size(), value.size(), value) == 0;
  }
  return subject.find(value) != std::string::npos;  // Contains
}

// From and To of a range filter; To also takes everything that starts with it.
bool inNameRange(const std::string& name, pugi::xml_node range, const char* fromTag,
                 const char* toTag) {
  std::string subject = lower(name);
  std::string from = lower(childText(range, fromTag));
  std::string to = lower(childText(range, toTag));
  if (!from.empty() && subject < from) return false;
  return to.empty() || subject <= to || subject.compare(0, to.size(), to) == 0;
}

bool isNumber(const std::string& text) {
  return !text.empty() && text.size() <= 18 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool inRefRange(const std::string& ref, pugi::xml_node range) {
  std::string from = childText(range, "FromRefNumber");
  std::string to = childText(range, "ToRefNumber");
  auto before = [](const std::string& a, const std::string& b) {  // a < b
    if (isNumber(a) && isNumber(b)) return std::stoll(a) < std::stoll(b);
    return lower(a) < lower(b);
  };
  return (from.empty() || !before(ref, from)) && (to.empty() || !before(to, ref));
}

// A modification time against a date ("2026-12-06") or date and time bound.
bool modifiedFrom(const std::string& modified, const std::string& from) {
  return from.empty() ||
         modified.substr(0, std::min<std::size_t>(from.size(), 19)) >= from.substr(0, 19);
}
bool modifiedTo(const std::string& modified, const std::string& to) {
  return to.empty() || modified.substr(0, std::min<std::size_t>(to.size(), 19)) <= to.substr(0, 19);
}

// The dates a DateMacro stands for.
std::pair<std::string, std::string> macroRange(const std::string& macro) {
  std::string today = todayText();
  std::string month = today.substr(0, 8) + "01";
  std::string year = today.substr(0, 5) + "01-01";
  if (macro == "Today") return {today, today};
  if (macro == "Yesterday") return {addDays(today, -1), addDays(today, -1)};
  if (macro == "ThisMonth") return {month, today.substr(0, 8) + "31"};  // compared as text
  if (macro == "ThisMonthToDate") return {month, today};
  if (macro == "ThisYear") return {year, today.substr(0, 5) + "12-31"};
  if (macro == "ThisYearToDate") return {year, today};
  return {"", ""};  // All and the macros the company does not know
}

std::size_t maxReturned(pugi::xml_node request) {
  pugi::xml_node max = request.child("MaxReturned");
  return max ? static_cast<std::size_t>(std::max(0LL, max.text().as_llong())) : SIZE_MAX;
}

QueryOptions optionsOf(pugi::xml_node request) {
  QueryOptions options;
  options.includeLines = isTrue(childText(request, "IncludeLineItems"));
  options.includeLinks = isTrue(childText(request, "IncludeLinkedTxns"));
  for (pugi::xml_node element : request.children("IncludeRetElement"))
    options.includeRetElements.push_back(element.child_value());
  return options;
}

}  // namespace

void SimulatedCompany::Impl::appendResult(pugi::xml_node response, pugi::xml_node ret,
                                          const QueryOptions& options) const {
  pugi::xml_node copy = response.append_child(ret.name());
  for (pugi::xml_node child : ret.children()) {
    if (!options.includeLines && kLineTags.count(child.name()) > 0) continue;
    if (!options.includeRetElements.empty() &&
        std::find(options.includeRetElements.begin(), options.includeRetElements.end(),
                  child.name()) == options.includeRetElements.end()) {
      continue;
    }
    copy.append_copy(child);
  }
  if (options.includeLinks) appendLinks(copy, ret);
}

long SimulatedCompany::Impl::writeResults(std::vector<pugi::xml_node> found, pugi::xml_node request,
                                          pugi::xml_node response, const QueryOptions& options) {
  std::size_t max = maxReturned(request);
  // metaData asks for the count of records (retCount), with them or instead of them.
  std::string_view metaData = request.attribute("metaData").value();
  const bool countOnly = metaData == "MetaDataOnly";
  if (countOnly || metaData == "MetaDataAndResponseData") {
    response.append_attribute("retCount").set_value(std::min(max, found.size()));
  }
  if (std::string_view(request.attribute("iterator").value()) == "Start") {
    std::size_t page = std::min(max, found.size());
    for (std::size_t i = 0; i < page && !countOnly; ++i) appendResult(response, found[i], options);
    Iterator iterator;
    iterator.options = options;
    for (std::size_t i = page; i < found.size(); ++i) {
      iterator.ids.push_back(childText(found[i], found[i].child("TxnID") ? "TxnID" : "ListID"));
    }
    long number = ++iteratorCount;
    char id[64];
    std::snprintf(id, sizeof id, "{%08lX-%04X-4000-8000-%012lX}",
                  static_cast<unsigned long>(std::time(nullptr)),
                  static_cast<unsigned>(number & 0xFFFF), static_cast<unsigned long>(number));
    response.append_attribute("iteratorRemainingCount").set_value(iterator.ids.size());
    response.append_attribute("iteratorID").set_value(id);
    if (!iterator.ids.empty()) iterators[id] = std::move(iterator);
  } else {
    if (found.size() > max) found.resize(max);
    if (!countOnly) {
      for (pugi::xml_node ret : found) appendResult(response, ret, options);
    }
  }
  return found.empty() ? status::kNoMatch : status::kOk;
}

long SimulatedCompany::Impl::continueIterator(pugi::xml_node request, pugi::xml_node response) {
  std::string id = request.attribute("iteratorID").value();
  auto found = iterators.find(id);
  if (std::string_view(request.attribute("iterator").value()) == "Stop") {
    if (found != iterators.end()) iterators.erase(found);
    return status::kOk;
  }
  if (found == iterators.end()) {
    throw StatusError(status::kNotFound,
                      "The iterator \"" + id + "\" specified in the request cannot be found.");
  }
  Iterator& iterator = found->second;
  std::size_t max = maxReturned(request);
  std::size_t written = 0;
  while (iterator.next < iterator.ids.size() && written < max) {
    // Entries are returned as they are now; one changed since the start still comes once.
    if (pugi::xml_node ret = findById(iterator.ids[iterator.next])) {
      appendResult(response, ret, iterator.options);
      ++written;
    }
    ++iterator.next;
  }
  std::size_t remaining = iterator.ids.size() - iterator.next;
  response.append_attribute("iteratorRemainingCount").set_value(remaining);
  response.append_attribute("iteratorID").set_value(id.c_str());
  if (remaining == 0) iterators.erase(found);
  return written == 0 ? status::kNoMatch : status::kOk;
}

long SimulatedCompany::Impl::queryList(const std::vector<Kind>& kinds, pugi::xml_node request,
                                       pugi::xml_node response) {
  checkFields(request);
  std::string_view iterator = request.attribute("iterator").value();
  if (iterator == "Continue" || iterator == "Stop") return continueIterator(request, response);
  std::vector<pugi::xml_node> found;
  Space space = kindInfo(kinds.front()).space;
  if (request.child("ListID")) {
    for (pugi::xml_node id : request.children("ListID")) {
      if (pugi::xml_node ret = findById(id.child_value()); ret && contains(kinds, ret))
        found.push_back(ret);
    }
  } else if (request.child("FullName")) {
    for (pugi::xml_node name : request.children("FullName")) {
      if (pugi::xml_node ret = findByName(space, name.child_value()); ret && contains(kinds, ret))
        found.push_back(ret);
    }
  } else {
    std::string active = childText(request, "ActiveStatus");
    std::string from = childText(request, "FromModifiedDate");
    std::string to = childText(request, "ToModifiedDate");
    pugi::xml_node nameFilter = request.child("NameFilter");
    pugi::xml_node nameRange = request.child("NameRangeFilter");
    std::vector<std::string> accountTypes;
    for (pugi::xml_node type : request.children("AccountType"))
      accountTypes.push_back(type.child_value());
    std::size_t max = std::string_view(request.attribute("iterator").value()) == "Start"
                          ? SIZE_MAX
                          : maxReturned(request);
    for (const auto& [key, ret] : byName[static_cast<int>(space)]) {
      if (found.size() >= max) break;
      if (!contains(kinds, ret)) continue;
      bool isActive = childText(ret, "IsActive") != "false";
      if ((active.empty() || active == "ActiveOnly") && !isActive) continue;
      if (active == "InactiveOnly" && isActive) continue;
      std::string modified = childText(ret, "TimeModified");
      if (!modifiedFrom(modified, from) || !modifiedTo(modified, to)) continue;
      std::string name = entryName(ret);
      if (nameFilter && !matches(name, nameFilter, "Name")) continue;
      if (nameRange && !inNameRange(name, nameRange, "FromName", "ToName")) continue;
      if (!accountTypes.empty() && std::find(accountTypes.begin(), accountTypes.end(),
                                             childText(ret, "AccountType")) == accountTypes.end()) {
        continue;
      }
      found.push_back(ret);
    }
  }
  return writeResults(std::move(found), request, response, optionsOf(request));
}

long SimulatedCompany::Impl::queryTxn(Kind kind, pugi::xml_node request, pugi::xml_node response) {
  checkFields(request);
  std::string_view iterator = request.attribute("iterator").value();
  if (iterator == "Continue" || iterator == "Stop") return continueIterator(request, response);
  const char* retTag = kindInfo(kind).ret;
  int slot = txnSlot(kind);
  auto byNumber = [](pugi::xml_node a, pugi::xml_node b) {
    return a.child("TxnNumber").text().as_llong() < b.child("TxnNumber").text().as_llong();
  };
  std::vector<pugi::xml_node> found;
  if (request.child("TxnID")) {
    for (pugi::xml_node id : request.children("TxnID")) {
      if (pugi::xml_node ret = findById(id.child_value());
          ret && std::string_view(ret.name()) == retTag)
        found.push_back(ret);
    }
    return writeResults(std::move(found), request, response, optionsOf(request));
  }
  if (request.child("RefNumber") || request.child("RefNumberCaseSensitive")) {
    for (pugi::xml_node ref : request.children()) {
      bool exact = std::string_view(ref.name()) == "RefNumberCaseSensitive";
      if (!exact && std::string_view(ref.name()) != "RefNumber") continue;
      auto [first, last] = byRefNumber[slot].equal_range(lower(ref.child_value()));
      std::vector<pugi::xml_node> same;
      for (auto it = first; it != last; ++it) {
        if (!exact || childText(it->second, "RefNumber") == ref.child_value())
          same.push_back(it->second);
      }
      std::sort(same.begin(), same.end(), byNumber);
      found.insert(found.end(), same.begin(), same.end());
    }
    return writeResults(std::move(found), request, response, optionsOf(request));
  }

  // Filters. Candidates come from the entity index when an entity is named, otherwise from
  // every transaction of the kind in the order they were added.
  std::vector<pugi::xml_node> candidates;
  bool fromEntities = false;
  if (pugi::xml_node entity = request.child("EntityFilter")) {
    fromEntities = true;
    std::set<std::string> ids;
    for (pugi::xml_node id : entity.children("ListID")) ids.insert(id.child_value());
    for (pugi::xml_node name : entity.children("FullName")) {
      if (pugi::xml_node ret = findByName(Space::Entity, name.child_value()))
        ids.insert(childText(ret, "ListID"));
    }
    std::string parentId = childText(entity, "ListIDWithChildren");
    std::string parentName = childText(entity, "FullNameWithChildren");
    if (!parentId.empty()) parentName = entryName(findById(parentId));
    if (!parentName.empty()) {
      std::string prefix = lower(parentName);
      for (const auto& [key, ret] : byName[static_cast<int>(Space::Entity)]) {
        if (key == prefix || key.compare(0, prefix.size() + 1, prefix + ":") == 0)
          ids.insert(childText(ret, "ListID"));
      }
    }
    for (const std::string& id : ids) {
      auto txns = byEntity[slot].find(id);
      if (txns != byEntity[slot].end())
        candidates.insert(candidates.end(), txns->second.begin(), txns->second.end());
    }
    if (ids.size() > 1) std::sort(candidates.begin(), candidates.end(), byNumber);
  }

  pugi::xml_node modifiedRange = request.child("ModifiedDateRangeFilter");
  std::string modifiedFromText = childText(modifiedRange, "FromModifiedDate");
  std::string modifiedToText = childText(modifiedRange, "ToModifiedDate");
  pugi::xml_node dateRange = request.child("TxnDateRangeFilter");
  std::string fromDate = childText(dateRange, "FromTxnDate");
  std::string toDate = childText(dateRange, "ToTxnDate");
  if (dateRange.child("DateMacro"))
    std::tie(fromDate, toDate) = macroRange(childText(dateRange, "DateMacro"));
  pugi::xml_node refFilter = request.child("RefNumberFilter");
  pugi::xml_node refRange = request.child("RefNumberRangeFilter");
  std::string paid = childText(request, "PaidStatus");
  pugi::xml_node accountFilter = request.child("AccountFilter");
  std::size_t max = iterator == "Start" ? SIZE_MAX : maxReturned(request);

  auto keep = [&](pugi::xml_node ret) {
    std::string modified = childText(ret, "TimeModified");
    if (!modifiedFrom(modified, modifiedFromText) || !modifiedTo(modified, modifiedToText))
      return false;
    std::string date = childText(ret, "TxnDate");
    if ((!fromDate.empty() && date < fromDate) || (!toDate.empty() && date > toDate)) return false;
    std::string ref = childText(ret, "RefNumber");
    if (refFilter && !matches(ref, refFilter, "RefNumber")) return false;
    if (refRange && !inRefRange(ref, refRange)) return false;
    if (paid == "PaidOnly" && childText(ret, "IsPaid") != "true") return false;
    if (paid == "NotPaidOnly" && childText(ret, "IsPaid") == "true") return false;
    if (accountFilter) {
      bool any = false;
      for (const char* refTag : {"ARAccountRef", "DepositToAccountRef"}) {
        pugi::xml_node account = ret.child(refTag);
        for (pugi::xml_node id : accountFilter.children("ListID"))
          any = any || childText(account, "ListID") == id.child_value();
        for (pugi::xml_node name : accountFilter.children("FullName")) {
          any = any || lower(childText(account, "FullName")) == lower(name.child_value());
        }
      }
      if (!any) return false;
    }
    return true;
  };
  if (fromEntities) {
    for (pugi::xml_node ret : candidates) {
      if (found.size() >= max) break;
      if (keep(ret)) found.push_back(ret);
    }
  } else {
    for (pugi::xml_node ret : containers[static_cast<int>(kind)].children(retTag)) {
      if (found.size() >= max) break;
      if (keep(ret)) found.push_back(ret);
    }
  }
  return writeResults(std::move(found), request, response, optionsOf(request));
}

}  // namespace vqb::qb::sim
