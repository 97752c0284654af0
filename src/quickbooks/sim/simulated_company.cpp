// The simulated company's file, indexes, public API and request dispatch.

#include "quickbooks/sim/simulated_company.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>
#include <thread>

#include "app/os_calls.h"
#include "quickbooks/qb_error.h"
#include "quickbooks/sim/company_state.h"
#include "quickbooks/sim/qbxml_layouts.h"

namespace vqb::qb::sim {
namespace {

constexpr const char* kRootTag = "SimulatedCompany";
constexpr long kFileError = 75;  // path/file access error
constexpr const char* kParseText =
    "QuickBooks found an error when parsing the provided XML text stream.";
constexpr const char* kStoppedText =
    "Could not connect to QuickBooks: QuickBooks is not responding.";

const char* const kContainers[] = {
    "Customers", "Vendors",       "Employees",       "Items",         "SalesTaxCodes",
    "SalesReps", "CustomerTypes", "PaymentMethods",  "Terms",         "Classes",
    "Accounts",  "Invoices",      "ReceivePayments", "PurchaseOrders"};

// Counters of the company file and their first values (ListIDs start at 80000001).
const std::pair<const char*, const char*> kCounters[] = {{"nextListID", "2147483649"},
                                                         {"nextTxnID", "1"},
                                                         {"nextTxnNumber", "1"},
                                                         {"lastEditSequence", "0"}};

std::string hex(unsigned long long value, int width) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*llX", width, value);
  return text;
}

// The start tag of an element alone (its attributes, no children), as XML text.
std::string startTag(pugi::xml_node node) {
  pugi::xml_document scratch;
  pugi::xml_node copy = scratch.append_child(node.name());
  for (pugi::xml_attribute attribute : node.attributes())
    copy.append_attribute(attribute.name()).set_value(attribute.value());
  return nodeXml(copy);
}

// Parses XML text (one or more elements) as the last children of parent.
void appendXml(pugi::xml_node parent, const std::string& xml) {
  if (!xml.empty() && !parent.append_buffer(xml.data(), xml.size()))
    throw QbError(kFileError, "The company file holds a damaged record.");
}

CompanyStore::Row rowOf(Kind kind, pugi::xml_node ret) {
  CompanyStore::Row row;
  row.kind = static_cast<int>(kind);
  if (isTransaction(kind)) {
    row.id = childText(ret, "TxnID");
    row.name = childText(ret, "RefNumber");
    row.entity =
        ret.child(kind == Kind::PurchaseOrder ? "VendorRef" : "CustomerRef").child_value("ListID");
    row.txnDate = childText(ret, "TxnDate");
  } else {
    row.id = childText(ret, "ListID");
    row.name = entryName(ret);
    row.entity = ret.child("ParentRef").child_value("ListID");
    row.active = childText(ret, "IsActive") != "false";
  }
  row.timeModified = childText(ret, "TimeModified");
  row.xml = nodeXml(ret);
  return row;
}

std::string notACompany(const std::string& path) {
  return "Could not connect to QuickBooks: \"" + path + "\" is not a QuickBooks company file.";
}

// Reads an XML company file into doc; false when it is none.
bool readXmlCompany(const std::string& file, pugi::xml_document& doc) {
  return doc.load_file(file.c_str()) && doc.child(kRootTag);
}

// Checks a request element against the schema: known children, in order, required ones
// present. QuickBooks refuses the whole document otherwise.
bool validStructure(pugi::xml_node node, std::string& problem) {
  const ElementLayout* layout = findLayout(node.name());
  if (layout == nullptr) return true;
  int lastRank = -1;
  std::string lastName;
  for (pugi::xml_node child : node.children()) {
    if (child.type() != pugi::node_element) continue;
    const FieldLayout* field = findField(*layout, child.name());
    std::string where = "\"" + std::string(child.name()) + "\" in \"" + node.name() + "\"";
    if (field == nullptr) {
      problem = "unexpected element " + where;
      return false;
    }
    if (field->rank < lastRank) {
      problem = "element out of order: " + where;
      return false;
    }
    if (lastName == child.name() && !field->repeat) {
      problem = "element repeated: " + where;
      return false;
    }
    lastRank = field->rank;
    lastName = child.name();
    if (field->kind == 'c' && !validStructure(child, problem)) return false;
  }
  for (std::size_t i = 0; i < layout->count; ++i) {
    if (layout->fields[i].required && !node.child(layout->fields[i].name)) {
      problem = "missing element \"" + std::string(layout->fields[i].name) + "\" in \"" +
                node.name() + "\"";
      return false;
    }
  }
  return true;
}

// Request attributes QuickBooks knows only from a qbXML version on. It checks a document
// against the version it declares, so an older version line makes them unparsable.
struct VersionedAttribute {
  const char* name;
  int since;  // major * 100 + minor
};
constexpr VersionedAttribute kVersionedAttributes[] = {
    {"metaData", 400}, {"iterator", 500}, {"iteratorID", 500}};

// The version of the <?qbxml version="X.Y"?> line; "" when the document has none.
std::string declaredVersion(const pugi::xml_document& document) {
  for (pugi::xml_node node : document.children()) {
    if (node.type() != pugi::node_pi || std::string_view(node.name()) != "qbxml") continue;
    std::string_view value = node.value();
    std::size_t at = value.find("version=");
    if (at == std::string_view::npos || at + 9 >= value.size()) return "";
    char quote = value[at + 8];
    std::size_t end = value.find(quote, at + 9);
    return end == std::string_view::npos ? "" : std::string(value.substr(at + 9, end - at - 9));
  }
  return "";
}

// "5.0" as 500; 0 when the text is no version.
int versionNumber(std::string_view text) {
  int major = 0, minor = 0;
  if (std::sscanf(std::string(text).c_str(), "%d.%d", &major, &minor) != 2) return 0;
  return major * 100 + minor;
}

// What makes a request newer than the document's version ("" when nothing does).
std::string newerThanDeclared(pugi::xml_node rq, const std::string& declared) {
  const int version = versionNumber(declared);
  for (const VersionedAttribute& feature : kVersionedAttributes) {
    if (!rq.attribute(feature.name) || version >= feature.since) continue;
    char since[16];
    std::snprintf(since, sizeof since, "%d.%d", feature.since / 100, feature.since % 100);
    return "attribute \"" + std::string(feature.name) + "\" in \"" + rq.name() + "\" needs qbXML " +
           since + ", the document declares " + (declared.empty() ? "no version" : declared);
  }
  return "";
}

const char* severityOf(long code) {
  if (code < 500) return "Info";
  if (code < 1000) return "Warn";
  return "Error";
}

std::vector<std::string> splitPath(std::string_view path) {
  std::vector<std::string> parts;
  while (!path.empty()) {
    std::size_t slash = path.find('/');
    parts.emplace_back(path.substr(0, slash));
    path = slash == std::string_view::npos ? std::string_view{} : path.substr(slash + 1);
  }
  return parts;
}

// The element a path below node names ("BillAddress/City"), created when missing. A path that
// already holds a value starts a new element at its top ("ItemSalesTaxRef/FullName" twice makes
// two references).
pugi::xml_node ensurePath(pugi::xml_node node, std::string_view path) {
  std::vector<std::string> parts = splitPath(path);
  pugi::xml_node walk = node;
  for (const std::string& part : parts) walk = walk ? walk.child(part.c_str()) : walk;
  bool fresh = walk && !std::string_view(walk.child_value()).empty();
  for (std::size_t i = 0; i < parts.size(); ++i) {
    pugi::xml_node child = (fresh && i == 0) ? pugi::xml_node{} : node.child(parts[i].c_str());
    node = child ? child : node.append_child(parts[i].c_str());
  }
  return node;
}

// The path of the first field that is not part of the element, "" when all are. Opening
// balances are given on adds only.
std::string unknownField(pugi::xml_node node) {
  const ElementLayout* layout = findLayout(node.name());
  for (pugi::xml_node child : node.children()) {
    if (child.type() != pugi::node_element) continue;
    std::string_view name = child.name();
    if (name == "OpenBalance" || name == "OpenBalanceDate") continue;
    if (layout == nullptr || findField(*layout, name) == nullptr) return std::string(name);
    if (child.first_child().type() == pugi::node_element) {
      if (std::string inner = unknownField(child); !inner.empty())
        return std::string(name) + "/" + inner;
    }
  }
  return "";
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry

std::string Entry::value(std::string_view path) const {
  pugi::xml_document doc;
  if (!doc.load_string(xml.c_str())) return "";
  pugi::xml_node node = doc.first_child();
  while (!path.empty() && node) {
    std::size_t slash = path.find('/');
    node = node.child(std::string(path.substr(0, slash)).c_str());
    path = slash == std::string_view::npos ? std::string_view{} : path.substr(slash + 1);
  }
  return node ? node.child_value() : "";
}

// ---------------------------------------------------------------------------------------------
// Company file and indexes

void SimulatedCompany::Impl::open() {
  if (!std::filesystem::exists(path)) {
    throw QbError(kNotReachable, "Could not connect to QuickBooks: the company file \"" + path +
                                     "\" does not exist.");
  }
  if (!CompanyStore::isStore(path)) {
    // A company file of the XML kind becomes a store; the XML is kept beside it.
    os::FileLock converting;
    try {
      converting = os::FileLock::take(path + ".lock", true);
    } catch (const std::system_error& error) {
      throw QbError(kFileError, "Could not lock the company file \"" + path +
                                    "\": " + error.code().message() + ".");
    }
    if (!CompanyStore::isStore(path)) {
      if (!readXmlCompany(path, doc)) throw QbError(kNotReachable, notACompany(path));
      std::ifstream in(path, std::ios::binary);
      std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (!os::save_file_atomically(path + ".xml.bak", content))
        throw QbError(kFileError, "Could not keep a copy of the company file \"" + path + "\".");
      prepareDocument();
      writeNewStore(path);
    }
  }
  if (!CompanyStore::isStore(path)) throw QbError(kNotReachable, notACompany(path));
  store = std::make_unique<CompanyStore>(path, false);
  generation = -1;
  refresh();
  if (!root) throw QbError(kNotReachable, notACompany(path));
}

void SimulatedCompany::Impl::prepareDocument() {
  root = doc.child(kRootTag);
  if (!root.attribute("generation")) root.prepend_attribute("generation").set_value(0);
  for (const auto& [counter, first] : kCounters) {
    if (!root.attribute(counter)) root.append_attribute(counter).set_value(first);
  }
  faultsNode = root.child("Faults");
  if (!faultsNode) faultsNode = root.prepend_child("Faults");
  if (!root.child("CompanyRet")) root.insert_child_after("CompanyRet", faultsNode);
  for (const char* container : kContainers) {
    if (!root.child(container)) root.append_child(container);
  }
  for (int k = 0; k < kKindCount; ++k)
    containers[k] = root.child(kindInfo(static_cast<Kind>(k)).container);
  buildIndexes();
}

void SimulatedCompany::Impl::writeNewStore(const std::string& target) {
  const std::string building = target + ".new";
  CompanyStore::removeFiles(building);
  {
    CompanyStore fresh(building, true);
    fresh.begin(true);
    const long long at = root.attribute("generation").as_llong(0);
    for (const char* container : kContainers) {
      for (pugi::xml_node ret : root.child(container).children()) {
        if (std::optional<Kind> kind = kindOfRet(ret.name())) fresh.putEntry(rowOf(*kind, ret), at);
      }
    }
    for (pugi::xml_node set : root.child("MessageSets").children("MessageSet"))
      fresh.putMessageSet(set.attribute("id").value(), nodeXml(set));
    fresh.setMeta("root", startTag(root));
    fresh.setMeta("Faults", nodeXml(faultsNode));
    fresh.setMeta("CompanyRet", nodeXml(root.child("CompanyRet")));
    fresh.setMeta("generation", std::to_string(at));
    fresh.commit();
  }
  // Journal files of a store the new one replaces would be read as the new one's.
  for (const char* suffix : {"-wal", "-shm", "-journal"}) {
    std::error_code ignored;
    std::filesystem::remove(target + suffix, ignored);
  }
  std::error_code error;
  std::filesystem::rename(building, target, error);
  if (error) {
    CompanyStore::removeFiles(building);
    throw QbError(kFileError, "Could not write the company file \"" + target + "\".");
  }
}

SimulatedCompany::Impl::WriteScope::WriteScope(Impl& impl) : impl_(impl) {
  if (impl_.writeDepth++ > 0) return;
  try {
    impl_.store->begin(true);
    impl_.refresh();
  } catch (...) {
    impl_.store->rollback();
    --impl_.writeDepth;
    throw;
  }
}

SimulatedCompany::Impl::WriteScope::~WriteScope() {
  if (--impl_.writeDepth > 0) return;
  if (impl_.dirty || !impl_.touched.empty() || !impl_.erasedIds.empty() ||
      impl_.messageSetsChanged) {
    // A change the store does not hold: the cache is read again next time.
    impl_.dirty = impl_.messageSetsChanged = false;
    impl_.touched.clear();
    impl_.erasedIds.clear();
    impl_.messageSetsAdded.clear();
    impl_.generation = -1;
  }
  impl_.store->rollback();
}

void SimulatedCompany::Impl::buildIndexes() {
  byId.clear();
  for (auto& names : byName) names.clear();
  for (auto& refs : byRefNumber) refs.clear();
  for (auto& entities : byEntity) entities.clear();
  maxRefNumber.fill(0);
  for (const char* container : kContainers) {
    for (pugi::xml_node ret : root.child(container).children()) {
      if (std::optional<Kind> kind = kindOfRet(ret.name())) indexEntry(*kind, ret);
    }
  }
}

void SimulatedCompany::Impl::loadAll() {
  std::map<std::string, std::string> meta = store->meta();
  doc.reset();
  touched.clear();
  pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
  declaration.append_attribute("version").set_value("1.0");
  appendXml(doc, meta["root"]);
  root = doc.child(kRootTag);
  if (!root) throw QbError(kNotReachable, notACompany(path));
  appendXml(root, meta["Faults"]);
  appendXml(root, meta["CompanyRet"]);
  faultsNode = root.child("Faults");
  for (const char* container : kContainers) root.append_child(container);
  for (int k = 0; k < kKindCount; ++k)
    containers[k] = root.child(kindInfo(static_cast<Kind>(k)).container);
  // Each container's rows are parsed in one piece.
  std::array<std::string, kKindCount> texts;
  store->forEachEntry(-1, [&](int kind, const std::string& xml) {
    if (kind >= 0 && kind < kKindCount) texts[kind] += xml;
  });
  for (int k = 0; k < kKindCount; ++k) {
    appendXml(containers[k], texts[k]);
    std::string().swap(texts[k]);
  }
  loadMessageSets();
  buildIndexes();
}

void SimulatedCompany::Impl::loadMessageSets() {
  store->forEachMessageSet([&](const std::string& xml) {
    pugi::xml_node sets = root.child("MessageSets");
    appendXml(sets ? sets : root.append_child("MessageSets"), xml);
  });
}

void SimulatedCompany::Impl::patch(long long since,
                                   const std::map<std::string, std::string>& meta) {
  store->forEachEntry(since, [&](int kindNumber, const std::string& xml) {
    pugi::xml_document scratch;
    appendXml(scratch, xml);
    pugi::xml_node changed = scratch.first_child();
    std::optional<Kind> kind = kindOfRet(changed.name());
    if (!kind) return;
    pugi::xml_node held = findById(childText(changed, isTransaction(*kind) ? "TxnID" : "ListID"));
    if (!held) {
      indexEntry(*kind, containers[kindNumber].append_copy(changed));
      return;
    }
    if (isTransaction(*kind)) {
      unindexTxn(*kind, held);
    } else {
      unindexName(*kind, held);
    }
    while (held.first_child()) held.remove_child(held.first_child());
    for (pugi::xml_node child : changed.children()) held.append_copy(child);
    indexEntry(*kind, held);
  });
  // The root's attributes; the faults and the CompanyRet whole.
  auto replace = [&](pugi::xml_node node, const std::string& xml, bool children) {
    pugi::xml_document scratch;
    appendXml(scratch, xml);
    pugi::xml_node from = scratch.first_child();
    while (node.first_attribute()) node.remove_attribute(node.first_attribute());
    for (pugi::xml_attribute attribute : from.attributes())
      node.append_attribute(attribute.name()).set_value(attribute.value());
    if (!children) return;
    while (node.first_child()) node.remove_child(node.first_child());
    for (pugi::xml_node child : from.children()) node.append_copy(child);
  };
  replace(root, meta.at("root"), false);
  replace(faultsNode, meta.at("Faults"), true);
  replace(root.child("CompanyRet"), meta.at("CompanyRet"), true);
}

void SimulatedCompany::Impl::refresh() {
  const bool reading = !store->inTransaction();
  if (reading) store->begin(false);
  try {
    const long long now = store->generation();
    if (now < 0) throw QbError(kNotReachable, notACompany(path));
    if (now != generation) {
      std::map<std::string, std::string> meta = store->meta();
      auto after = [&](const char* key) {
        auto found = meta.find(key);
        return found != meta.end() && std::atoll(found->second.c_str()) > generation;
      };
      // Deleted rows leave no row behind: the cache is read whole.
      if (generation < 0 || after("erased")) {
        loadAll();
      } else {
        patch(generation, meta);
        if (after("messageSets")) {
          root.remove_child("MessageSets");
          loadMessageSets();
        }
      }
      generation = now;
    }
  } catch (...) {
    generation = -1;
    if (reading) store->rollback();
    throw;
  }
  if (reading) store->rollback();
}

void SimulatedCompany::Impl::save() {
  const long long next = generation + 1;
  for (pugi::xml_node ret : touched) {
    if (std::optional<Kind> kind = kindOfRet(ret.name())) store->putEntry(rowOf(*kind, ret), next);
  }
  for (const std::string& id : erasedIds) store->eraseEntry(id);
  if (!erasedIds.empty()) store->setMeta("erased", std::to_string(next));
  if (messageSetsChanged) {
    pugi::xml_node sets = root.child("MessageSets");
    for (const std::string& id : store->messageSetIds()) {
      if (!sets.find_child_by_attribute("MessageSet", "id", id.c_str())) store->eraseMessageSet(id);
    }
    for (const std::string& id : messageSetsAdded) {
      if (pugi::xml_node set = sets.find_child_by_attribute("MessageSet", "id", id.c_str()))
        store->putMessageSet(id, nodeXml(set));
    }
    store->setMeta("messageSets", std::to_string(next));
  }
  root.attribute("generation").set_value(next);
  store->setMeta("root", startTag(root));
  store->setMeta("Faults", nodeXml(faultsNode));
  store->setMeta("CompanyRet", nodeXml(root.child("CompanyRet")));
  store->setMeta("generation", std::to_string(next));
  try {
    store->commit();
  } catch (...) {
    generation = -1;  // the cache holds what the store does not
    throw;
  }
  generation = next;
  dirty = messageSetsChanged = false;
  touched.clear();
  erasedIds.clear();
  messageSetsAdded.clear();
  // The rest of the scope keeps the write lock.
  if (writeDepth > 0) {
    store->begin(true);
    refresh();
  }
}

void SimulatedCompany::Impl::touch(pugi::xml_node ret) {
  if (std::find(touched.begin(), touched.end(), ret) == touched.end()) touched.push_back(ret);
  dirty = true;
}

void SimulatedCompany::Impl::eraseEntry(Kind kind, pugi::xml_node ret) {
  std::string id = childText(ret, isTransaction(kind) ? "TxnID" : "ListID");
  if (isTransaction(kind)) {
    unindexTxn(kind, ret);
  } else {
    unindexName(kind, ret);
  }
  byId.erase(id);
  touched.erase(std::remove(touched.begin(), touched.end(), ret), touched.end());
  ret.parent().remove_child(ret);
  erasedIds.push_back(id);
  dirty = true;
}

std::string SimulatedCompany::Impl::documentText() const {
  std::ostringstream out;
  doc.save(out, "  ", pugi::format_indent, pugi::encoding_utf8);
  return withCarriageReturnsEscaped(out.str());
}

void SimulatedCompany::Impl::requireOpen() const {
  if (!root.attribute("open").as_bool(true)) throw QbError(kNotReachable, kNotReachableText);
}

Faults SimulatedCompany::Impl::faults() const {
  Faults faults;
  faults.failAfter = faultsNode.attribute("failAfter").as_llong(-1);
  faults.failRequest = faultsNode.attribute("failRequest").value();
  faults.failStatus = faultsNode.attribute("failStatus").as_llong(0);
  faults.failMessage = faultsNode.attribute("failMessage").value();
  faults.delayMs = faultsNode.attribute("delayMs").as_llong(0);
  faults.dropAnswer = faultsNode.attribute("dropAnswer").value();
  faults.failOnce = faultsNode.attribute("failOnce").as_llong(-1);
  faults.failOnceCommitted = faultsNode.attribute("failOnceCommitted").as_bool(false);
  faults.garbleAnswer = faultsNode.attribute("garbleAnswer").value();
  faults.garbling = faultsNode.attribute("garbling").value();
  faults.killAfterAdds = faultsNode.attribute("killAfterAdds").as_llong(-1);
  return faults;
}

void SimulatedCompany::Impl::setFaults(const Faults& faults) {
  auto put = [&](const char* name, const std::string& value) {
    pugi::xml_attribute attribute = faultsNode.attribute(name);
    if (!attribute) attribute = faultsNode.append_attribute(name);
    attribute.set_value(value.c_str());
  };
  put("failAfter", std::to_string(faults.failAfter));
  put("failRequest", faults.failRequest);
  put("failStatus", std::to_string(faults.failStatus));
  put("failMessage", faults.failMessage);
  put("delayMs", std::to_string(faults.delayMs));
  put("dropAnswer", faults.dropAnswer);
  put("failOnce", std::to_string(faults.failOnce));
  put("failOnceCommitted", faults.failOnceCommitted ? "true" : "false");
  put("garbleAnswer", faults.garbleAnswer);
  put("garbling", faults.garbling);
  put("killAfterAdds", std::to_string(faults.killAfterAdds));
}

std::string SimulatedCompany::Impl::newListId() {
  unsigned long long next = root.attribute("nextListID").as_ullong(0x80000001ULL);
  root.attribute("nextListID").set_value(next + 1);
  return hex(next, 8) + "-" + std::to_string(std::time(nullptr));
}

std::string SimulatedCompany::Impl::newTxnId() {
  unsigned long long next = root.attribute("nextTxnID").as_ullong(1);
  root.attribute("nextTxnID").set_value(next + 1);
  return hex(next, 1) + "-" + std::to_string(std::time(nullptr));
}

std::string SimulatedCompany::Impl::newEditSequence() {
  long long now = static_cast<long long>(std::time(nullptr));
  long long next = std::max(now, root.attribute("lastEditSequence").as_llong(0) + 1);
  root.attribute("lastEditSequence").set_value(next);
  return std::to_string(next);
}

long SimulatedCompany::Impl::newTxnNumber() {
  long next = static_cast<long>(root.attribute("nextTxnNumber").as_llong(1));
  root.attribute("nextTxnNumber").set_value(next + 1);
  return next;
}

std::string SimulatedCompany::Impl::nowText() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
  std::string result = text;
  if (result.size() > 2) result.insert(result.size() - 2, ":");  // -0500 -> -05:00
  return result;
}

void SimulatedCompany::Impl::indexEntry(Kind kind, pugi::xml_node ret) {
  if (isTransaction(kind)) {
    byId[childText(ret, "TxnID")] = ret;
    indexTxnRef(kind, ret);
    // Each entity's transactions stay in the order they were added (by TxnNumber).
    const char* entityRef = kind == Kind::PurchaseOrder ? "VendorRef" : "CustomerRef";
    std::vector<pugi::xml_node>& txns =
        byEntity[txnSlot(kind)][ret.child(entityRef).child_value("ListID")];
    long number = ret.child("TxnNumber").text().as_int();
    txns.insert(std::upper_bound(txns.begin(), txns.end(), number,
                                 [](long n, pugi::xml_node other) {
                                   return n < other.child("TxnNumber").text().as_int();
                                 }),
                ret);
    return;
  }
  byId[childText(ret, "ListID")] = ret;
  byName[static_cast<int>(kindInfo(kind).space)][lower(entryName(ret))] = ret;
}

void SimulatedCompany::Impl::unindexName(Kind kind, pugi::xml_node ret) {
  byName[static_cast<int>(kindInfo(kind).space)].erase(lower(entryName(ret)));
}

void SimulatedCompany::Impl::indexTxnRef(Kind kind, pugi::xml_node ret) {
  std::string ref = childText(ret, "RefNumber");
  if (ref.empty()) return;
  int slot = txnSlot(kind);
  byRefNumber[slot].emplace(lower(ref), ret);
  if (ref.size() <= 18 &&
      std::all_of(ref.begin(), ref.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    maxRefNumber[slot] = std::max<std::int64_t>(maxRefNumber[slot], std::stoll(ref));
  }
}

void SimulatedCompany::Impl::unindexTxn(Kind kind, pugi::xml_node ret) {
  int slot = txnSlot(kind);
  auto [first, last] = byRefNumber[slot].equal_range(lower(childText(ret, "RefNumber")));
  for (auto it = first; it != last; ++it) {
    if (it->second == ret) {
      byRefNumber[slot].erase(it);
      break;
    }
  }
  const char* entityRef = kind == Kind::PurchaseOrder ? "VendorRef" : "CustomerRef";
  std::vector<pugi::xml_node>& txns = byEntity[slot][ret.child(entityRef).child_value("ListID")];
  txns.erase(std::remove(txns.begin(), txns.end(), ret), txns.end());
}

pugi::xml_node SimulatedCompany::Impl::findById(const std::string& id) const {
  auto found = byId.find(id);
  return found == byId.end() ? pugi::xml_node{} : found->second;
}

pugi::xml_node SimulatedCompany::Impl::findByName(Space space, const std::string& fullName) const {
  if (space == Space::None) return {};
  const auto& names = byName[static_cast<int>(space)];
  auto found = names.find(lower(fullName));
  return found == names.end() ? pugi::xml_node{} : found->second;
}

Entry SimulatedCompany::Impl::entryOf(Kind kind, pugi::xml_node ret) const {
  Entry entry;
  entry.kind = kind;
  bool txn = isTransaction(kind);
  entry.id = childText(ret, txn ? "TxnID" : "ListID");
  entry.name = txn ? childText(ret, "RefNumber") : entryName(ret);
  entry.editSequence = childText(ret, "EditSequence");
  entry.active = txn || childText(ret, "IsActive") != "false";
  entry.xml = nodeXml(ret);
  return entry;
}

// ---------------------------------------------------------------------------------------------
// References

namespace {

struct RefTarget {
  std::vector<Kind> kinds;
  std::string label;
};

RefTarget refTarget(std::string_view tag, Kind owner) {
  auto endsWith = [&](std::string_view suffix) {
    return tag.size() >= suffix.size() && tag.substr(tag.size() - suffix.size()) == suffix;
  };
  const std::vector<Kind> items = {
      Kind::ItemService,  Kind::ItemNonInventory, Kind::ItemOtherCharge,  Kind::ItemDiscount,
      Kind::ItemSubtotal, Kind::ItemSalesTax,     Kind::ItemSalesTaxGroup};
  if (tag == "ParentRef") return {{owner}, kindInfo(owner).label};
  if (tag == "CustomerRef") return {{Kind::Customer}, "Customer"};
  if (tag == "VendorRef" || tag == "TaxVendorRef" || tag == "PrefVendorRef")
    return {{Kind::Vendor}, "Vendor"};
  if (tag == "ClassRef" || tag == "DiscountClassRef") return {{Kind::Class}, "Class"};
  if (endsWith("AccountRef")) return {{Kind::Account}, "Account"};
  if (tag == "TermsRef") return {{Kind::StandardTerms, Kind::DateDrivenTerms}, "Terms"};
  if (tag == "SalesRepRef") return {{Kind::SalesRep}, "Sales Rep"};
  if (tag == "ItemSalesTaxRef") {
    if (owner == Kind::ItemSalesTaxGroup) return {{Kind::ItemSalesTax}, "Item"};
    return {{Kind::ItemSalesTax, Kind::ItemSalesTaxGroup}, "Item"};
  }
  if (endsWith("SalesTaxCodeRef") || tag == "PurchaseTaxCodeRef")
    return {{Kind::SalesTaxCode}, "Sales Tax Code"};
  if (tag == "CustomerTypeRef") return {{Kind::CustomerType}, "Customer Type"};
  if (endsWith("PaymentMethodRef")) return {{Kind::PaymentMethod}, "Payment Method"};
  if (tag == "ItemRef") return {items, "Item"};
  if (tag == "SalesRepEntityRef") return {{Kind::Employee, Kind::Vendor}, "Entity"};
  if (tag == "ShipToEntityRef") return {{Kind::Customer, Kind::Vendor, Kind::Employee}, "Entity"};
  // Lists the company does not keep (templates, ship methods, currencies...): nothing matches.
  return {{}, std::string(tag.substr(0, tag.size() - 3))};
}

}  // namespace

pugi::xml_node SimulatedCompany::Impl::resolveRef(pugi::xml_node ref, Kind owner,
                                                  const char* ownerLabel) {
  RefTarget target = refTarget(ref.name(), owner);
  std::string listId = childText(ref, "ListID");
  std::string fullName = childText(ref, "FullName");
  pugi::xml_node found;
  if (!listId.empty()) {
    found = findById(listId);
  } else if (!target.kinds.empty()) {
    found = findByName(kindInfo(target.kinds.front()).space, fullName);
  }
  bool wrongKind = false;
  if (found) {
    std::optional<Kind> kind = kindOfRet(found.name());
    wrongKind =
        !kind || std::find(target.kinds.begin(), target.kinds.end(), *kind) == target.kinds.end();
  }
  std::string shown = fullName.empty() ? listId : fullName;
  std::string invalid = "There is an invalid reference to QuickBooks " + target.label + " \"" +
                        shown + "\" in the " + ownerLabel + ".  QuickBooks error message: ";
  if (wrongKind) {
    throw StatusError(status::kInvalidReference,
                      invalid + "The specified name is either invalid or of the wrong type.");
  }
  // QuickBooks does not look among inactive entries: one is reported as missing.
  if (!found || childText(found, "IsActive") == "false")
    throw StatusError(status::kInvalidReference, invalid + kNoSuchRecord);
  while (ref.first_child()) ref.remove_child(ref.first_child());
  ref.append_child("ListID").text().set(childText(found, "ListID").c_str());
  ref.append_child("FullName").text().set(entryName(found).c_str());
  return found;
}

void SimulatedCompany::Impl::resolveRefs(pugi::xml_node node, Kind owner, const char* ownerLabel) {
  for (pugi::xml_node child : node.children()) {
    if (child.type() != pugi::node_element) continue;
    std::string_view name = child.name();
    if (name == "AdditionalContactRef") continue;  // contact details, not a list reference
    if (name.size() > 3 && name.substr(name.size() - 3) == "Ref") {
      resolveRef(child, owner, ownerLabel);
    } else if (child.first_child().type() == pugi::node_element) {
      resolveRefs(child, owner, ownerLabel);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Requests

std::string SimulatedCompany::Impl::process(const std::string& requestXml) {
  // QuickBooks carries out one request at a time, whichever application sends it.
  WriteScope writing(*this);
  requireOpen();
  Faults fault = faults();
  if (fault.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(fault.delayMs));
  if (fault.failAfter == 0) throw QbError(kNotReachable, kStoppedText);
  if (fault.failAfter > 0) {
    faultsNode.attribute("failAfter").set_value(fault.failAfter - 1);
    save();
  }
  // The one failing request: refused before anything is carried out, or answered and lost.
  bool loseAnswer = false, garble = false, killNow = false;
  if (fault.failOnce >= 0) {
    faultsNode.attribute("failOnce").set_value(fault.failOnce - 1);
    save();
    if (fault.failOnce == 0 && !fault.failOnceCommitted) throw QbError(kNotReachable, kStoppedText);
    loseAnswer = fault.failOnce == 0;
  }

  pugi::xml_document request;
  if (!request.load_string(requestXml.c_str(), pugi::parse_default | pugi::parse_pi))
    throw QbError(kParseError, kParseText);
  pugi::xml_node messages = request.child("QBXML").child("QBXMLMsgsRq");
  if (!messages) throw QbError(kParseError, kParseText);
  const std::string version = declaredVersion(request);
  for (pugi::xml_node rq : messages.children()) {
    std::string problem = newerThanDeclared(rq, version);
    if (!problem.empty())
      throw QbError(kParseError, std::string(kParseText) + " (" + problem + ")");
    const ElementLayout* layout = findLayout(rq.name());
    if (layout != nullptr && !layout->iterable && rq.attribute("iterator")) {
      throw QbError(kParseError, std::string(kParseText) +
                                     " (attribute \"iterator\" is not allowed in \"" + rq.name() +
                                     "\")");
    }
    if (rq.type() == pugi::node_element && !validStructure(rq, problem)) {
      throw QbError(kParseError, std::string(kParseText) + " (" + problem + ")");
    }
  }
  bool stopOnError = std::string_view(messages.attribute("onError").value()) != "continueOnError";

  pugi::xml_document response;
  pugi::xml_node responses = response.append_child("QBXML").append_child("QBXMLMsgsRs");
  const std::string oldId = messages.attribute("oldMessageSetID").value();
  const std::string newId = messages.attribute("newMessageSetID").value();
  auto messageSetStatus = [&](long code) {
    responses.append_attribute("messageSetStatusCode").set_value(code);
    return responseText(response);
  };
  if (oldId.size() > kMessageSetIdLength || newId.size() > kMessageSetIdLength)
    return messageSetStatus(kInvalidMessageSetId);
  if (oldId == kClearAllMessageSets) {
    root.remove_child("MessageSets");
    dirty = messageSetsChanged = true;
  } else if (!oldId.empty()) {
    pugi::xml_node stored = storedMessageSet(oldId);
    if (!messages.first_child()) {  // a status check: the kept response, or why there is none
      if (!stored) return messageSetStatus(kNoStoredResponse);
      response.remove_child("QBXML");
      responses = response.append_child("QBXML").append_copy(stored.first_child());
      responses.attribute("messageSetStatusCode").set_value(status::kOk);
      return responseText(response);
    }
    // The application has what it needs from the old set: it is no longer kept.
    if (stored) {
      stored.parent().remove_child(stored);
      dirty = messageSetsChanged = true;
    }
  }
  if (!newId.empty()) {
    // A message set QuickBooks already carried out is answered again, not carried out twice.
    if (pugi::xml_node stored = storedMessageSet(newId)) {
      response.remove_child("QBXML");
      response.append_child("QBXML").append_copy(stored.first_child());
      if (dirty) save();  // an old set forgotten above
      return responseText(response);
    }
  }
  for (pugi::xml_node rq : messages.children()) {
    if (rq.type() != pugi::node_element) continue;
    std::string tag = rq.name();
    std::string rsTag =
        (tag.size() > 2 && tag.substr(tag.size() - 2) == "Rq" ? tag.substr(0, tag.size() - 2)
                                                              : tag) +
        "Rs";
    pugi::xml_node rs = responses.append_child(rsTag.c_str());
    if (pugi::xml_attribute id = rq.attribute("requestID"))
      rs.append_attribute("requestID").set_value(id.value());
    long code = status::kOk;
    std::string message = "Status OK";
    try {
      if (!fault.failRequest.empty() && fault.failRequest == tag) {
        if (fault.failStatus == kNotReachable)
          throw QbError(kNotReachable,
                        fault.failMessage.empty() ? kStoppedText : fault.failMessage);
        throw StatusError(fault.failStatus, fault.failMessage);
      }
      if (answer(rq, rs) == status::kNoMatch) {
        code = status::kNoMatch;
        message = "A query request did not find a matching object in QuickBooks";
      }
    } catch (const StatusError& error) {
      code = error.code();
      message = error.what();
      while (rs.first_child()) rs.remove_child(rs.first_child());
    }
    pugi::xml_attribute anchor = rs.attribute("requestID");
    auto put = [&](const char* name, const std::string& value) {
      anchor = anchor ? rs.insert_attribute_after(name, anchor) : rs.prepend_attribute(name);
      anchor.set_value(value.c_str());
    };
    put("statusCode", std::to_string(code));
    put("statusSeverity", severityOf(code));
    put("statusMessage", message);
    if (stopOnError && code >= 1000) break;
    if (!fault.dropAnswer.empty() && fault.dropAnswer == tag) loseAnswer = true;
    if (!fault.garbleAnswer.empty() && fault.garbleAnswer == tag) garble = true;
    if (fault.killAfterAdds > 0 && tag.ends_with("AddRq") && code == status::kOk) {
      killNow = --fault.killAfterAdds == 0;
      faultsNode.attribute("killAfterAdds").set_value(killNow ? -1 : fault.killAfterAdds);
      dirty = true;
    }
  }
  if (!newId.empty()) {
    responses.append_attribute("newMessageSetID").set_value(newId.c_str());
    responses.append_attribute("messageSetStatusCode").set_value(status::kOk);
    storeMessageSet(newId, responses);
  }
  if (dirty) save();
  if (killNow) os::kill_this_process();
  if (loseAnswer) throw QbError(kNotReachable, kStoppedText);
  if (garble) return garbled(response, fault.garbling, newId);
  return responseText(response);
}

std::string SimulatedCompany::Impl::garbled(pugi::xml_document& response,
                                            const std::string& garbling, const std::string& newId) {
  if (garbling == kGarbage) return "\x01garbage & <<not qbXML\xff";
  if (garbling == kNoAnswer) return "";
  const std::string whole = responseText(response);
  if (garbling == kCutInHalf) return whole.substr(0, whole.size() / 2);
  pugi::xml_node responses = response.child("QBXML").child("QBXMLMsgsRs");
  if (garbling == kOtherMessageSet) {
    pugi::xml_node before;  // the kept set just before this one
    for (pugi::xml_node set : root.child("MessageSets").children("MessageSet")) {
      if (set.attribute("id").value() == newId) break;
      before = set;
    }
    if (before) {
      pugi::xml_document other;
      other.append_child("QBXML").append_copy(before.first_child());
      return responseText(other);
    }
  }
  for (pugi::xml_node rs : responses.children()) {
    if (rs.type() != pugi::node_element) continue;
    if (garbling == kOtherRequestId) {
      pugi::xml_attribute id = rs.attribute("requestID");
      if (!id) id = rs.prepend_attribute("requestID");
      id.set_value((std::string(id.value()) + "0").c_str());
    } else {
      rs.set_name("HostQueryRs");
    }
  }
  return responseText(response);
}

std::string SimulatedCompany::Impl::responseText(const pugi::xml_document& response) {
  std::ostringstream out;
  out << "<?xml version=\"1.0\" ?>\n";
  response.first_child().print(out, "  ", pugi::format_indent);
  return withCarriageReturnsEscaped(out.str());
}

pugi::xml_node SimulatedCompany::Impl::storedMessageSet(const std::string& id) const {
  return root.child("MessageSets").find_child_by_attribute("MessageSet", "id", id.c_str());
}

void SimulatedCompany::Impl::storeMessageSet(const std::string& id, pugi::xml_node responses) {
  pugi::xml_node sets = root.child("MessageSets");
  if (!sets) sets = root.append_child("MessageSets");
  pugi::xml_node set = sets.append_child("MessageSet");
  set.append_attribute("id").set_value(id.c_str());
  set.append_copy(responses);
  std::size_t count = 0;
  for (pugi::xml_node kept = sets.first_child(); kept; kept = kept.next_sibling()) ++count;
  while (count-- > kStoredMessageSets) sets.remove_child(sets.first_child());
  messageSetsAdded.push_back(id);
  dirty = messageSetsChanged = true;
}

long SimulatedCompany::Impl::answer(pugi::xml_node rq, pugi::xml_node rs) {
  std::string tag = rq.name();
  auto is = [&](std::string_view suffix, std::string& stem) {
    if (tag.size() <= suffix.size() || tag.substr(tag.size() - suffix.size()) != suffix)
      return false;
    stem = tag.substr(0, tag.size() - suffix.size());
    return true;
  };
  std::string stem;
  if (tag == "HostQueryRq") {
    pugi::xml_node host = rs.append_child("HostRet");
    setChild(host, "ProductName", "QuickBooks Pro 2013 (Vantora simulated company)");
    setChild(host, "MajorVersion", "23");
    setChild(host, "MinorVersion", "0");
    setChild(host, "Country", canadian() ? "CA" : "US");
    for (const char* version : {"1.0", "1.1", "2.0", "2.1", "3.0", "4.0", "4.1", "5.0", "6.0",
                                "7.0", "8.0", "9.0", "10.0", "11.0", "12.0", "13.0"}) {
      host.append_child("SupportedQBXMLVersion").text().set(version);
    }
    setChild(host, "IsAutomaticLogin", "false");
    setChild(host, "QBFileMode", "SingleUser");
    return status::kOk;
  }
  if (tag == "CompanyQueryRq") {
    rs.append_copy(root.child("CompanyRet"));
    return status::kOk;
  }
  if (tag == "InvoiceAddRq") {
    rs.append_copy(addInvoice(rq.child("InvoiceAdd")));
  } else if (tag == "ReceivePaymentAddRq") {
    rs.append_copy(addReceivePayment(rq.child("ReceivePaymentAdd")));
  } else if (tag == "PurchaseOrderAddRq") {
    rs.append_copy(addPurchaseOrder(rq.child("PurchaseOrderAdd")));
  } else if (tag == "PurchaseOrderModRq") {
    rs.append_copy(modPurchaseOrder(rq.child("PurchaseOrderMod")));
  } else if (tag == "TxnDelRq") {
    deleteTxn(rq, rs);
  } else if (tag == "InvoiceQueryRq") {
    return queryTxn(Kind::Invoice, rq, rs);
  } else if (tag == "ReceivePaymentQueryRq") {
    return queryTxn(Kind::ReceivePayment, rq, rs);
  } else if (tag == "PurchaseOrderQueryRq") {
    return queryTxn(Kind::PurchaseOrder, rq, rs);
  } else if (tag == "ItemQueryRq") {
    return queryList(
        {Kind::ItemService, Kind::ItemNonInventory, Kind::ItemOtherCharge, Kind::ItemDiscount,
         Kind::ItemSubtotal, Kind::ItemSalesTax, Kind::ItemSalesTaxGroup},
        rq, rs);
  } else if (tag == "TermsQueryRq") {
    return queryList({Kind::StandardTerms, Kind::DateDrivenTerms}, rq, rs);
  } else if (is("AddRq", stem) && kindFromName(stem) && !isTransaction(*kindFromName(stem)) &&
             findLayout(tag)) {
    rs.append_copy(addListEntry(*kindFromName(stem), rq.child((stem + "Add").c_str())));
  } else if ((tag == "CustomerModRq" || tag == "VendorModRq") && is("ModRq", stem)) {
    rs.append_copy(modListEntry(*kindFromName(stem), rq.child((stem + "Mod").c_str())));
  } else if (is("QueryRq", stem) && kindFromName(stem) && !isTransaction(*kindFromName(stem)) &&
             findLayout(tag)) {
    return queryList({*kindFromName(stem)}, rq, rs);
  } else {
    throw StatusError(status::kUnsupported,
                      "This request is not supported by this implementation.");
  }
  return status::kOk;
}

// ---------------------------------------------------------------------------------------------
// SimulatedCompany

SimulatedCompany::SimulatedCompany(const std::string& path) : impl_(std::make_unique<Impl>()) {
  impl_->path = path;
  impl_->open();
}

SimulatedCompany::SimulatedCompany(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
SimulatedCompany::SimulatedCompany(SimulatedCompany&&) noexcept = default;
SimulatedCompany& SimulatedCompany::operator=(SimulatedCompany&&) noexcept = default;
SimulatedCompany::~SimulatedCompany() = default;

SimulatedCompany SimulatedCompany::create(const std::string& path, const std::string& companyName) {
  pugi::xml_document doc;
  pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
  declaration.append_attribute("version").set_value("1.0");
  pugi::xml_node root = doc.append_child(kRootTag);
  root.append_attribute("format").set_value("1");
  root.append_attribute("generation").set_value(0);
  root.append_attribute("open").set_value("true");
  for (const auto& [counter, first] : kCounters) root.append_attribute(counter).set_value(first);
  root.append_child("Faults");
  pugi::xml_node company = root.append_child("CompanyRet");
  setChild(company, "IsSampleCompany", "false");
  setChild(company, "CompanyName", companyName);
  setChild(company, "LegalCompanyName", companyName);
  setChild(company, "FirstMonthFiscalYear", "January");
  setChild(company, "FirstMonthIncomeTaxYear", "January");
  for (const char* container : kContainers) root.append_child(container);
  Impl made;
  made.path = path;
  made.doc.reset(doc);
  made.prepareDocument();
  made.writeNewStore(path);
  SimulatedCompany result(path);
  result.setFaults(Faults{});
  return result;
}

SimulatedCompany SimulatedCompany::importXml(const std::string& xmlFile, const std::string& path) {
  Impl made;
  made.path = path;
  if (!readXmlCompany(xmlFile, made.doc)) {
    throw QbError(kFileError, "\"" + xmlFile + "\" is not a simulated QuickBooks company file.");
  }
  made.prepareDocument();
  made.writeNewStore(path);
  return SimulatedCompany(path);
}

std::string SimulatedCompany::xmlText() const {
  impl_->refresh();
  return impl_->documentText();
}

void SimulatedCompany::openConnection(const std::string&) {
  impl_->refresh();
  impl_->requireOpen();
  if (impl_->faults().failAfter == 0) throw QbError(kNotReachable, kStoppedText);
}

void SimulatedCompany::closeConnection() {}

std::string SimulatedCompany::process(const std::string& requestXml) {
  return impl_->process(requestXml);
}

const std::string& SimulatedCompany::path() const {
  return impl_->path;
}

std::string SimulatedCompany::companyName() const {
  impl_->refresh();
  return childText(impl_->root.child("CompanyRet"), "CompanyName");
}

bool SimulatedCompany::isOpen() const {
  impl_->refresh();
  return impl_->root.attribute("open").as_bool(true);
}

void SimulatedCompany::setOpen(bool open) {
  Impl::WriteScope writing(*impl_);
  pugi::xml_attribute attribute = impl_->root.attribute("open");
  if (!attribute) attribute = impl_->root.append_attribute("open");
  attribute.set_value(open ? "true" : "false");
  impl_->save();
}

std::string SimulatedCompany::country() const {
  impl_->refresh();
  return impl_->canadian() ? "CA" : "US";
}

void SimulatedCompany::setCountry(const std::string& country) {
  Impl::WriteScope writing(*impl_);
  pugi::xml_attribute attribute = impl_->root.attribute("country");
  if (!attribute) attribute = impl_->root.append_attribute("country");
  attribute.set_value(country == "CA" ? "CA" : "US");
  impl_->save();
}

Faults SimulatedCompany::faults() const {
  impl_->refresh();
  return impl_->faults();
}

void SimulatedCompany::setFaults(const Faults& faults) {
  Impl::WriteScope writing(*impl_);
  impl_->setFaults(faults);
  impl_->save();
}

void SimulatedCompany::failAfter(long requests) {
  Faults changed = faults();
  changed.failAfter = requests;
  setFaults(changed);
}

void SimulatedCompany::failRequest(const std::string& requestKind, long status,
                                   const std::string& message) {
  Faults changed = faults();
  changed.failRequest = requestKind;
  changed.failStatus = status;
  changed.failMessage = message;
  setFaults(changed);
}

void SimulatedCompany::setDelay(long milliseconds) {
  Faults changed = faults();
  changed.delayMs = milliseconds;
  setFaults(changed);
}

void SimulatedCompany::dropAnswerOf(const std::string& requestKind) {
  Faults changed = faults();
  changed.dropAnswer = requestKind;
  setFaults(changed);
}

void SimulatedCompany::garbleAnswerOf(const std::string& requestKind, const std::string& garbling) {
  Faults changed = faults();
  changed.garbleAnswer = requestKind;
  changed.garbling = garbling;
  setFaults(changed);
}

void SimulatedCompany::failOnce(long requestsBefore, bool committed) {
  Faults changed = faults();
  changed.failOnce = requestsBefore;
  changed.failOnceCommitted = committed;
  setFaults(changed);
}

std::vector<std::string> SimulatedCompany::storedMessageSets() const {
  impl_->refresh();
  std::vector<std::string> ids;
  for (pugi::xml_node set : impl_->root.child("MessageSets").children("MessageSet"))
    ids.emplace_back(set.attribute("id").value());
  return ids;
}

void SimulatedCompany::clearMessageSets() {
  Impl::WriteScope writing(*impl_);
  impl_->root.remove_child("MessageSets");
  impl_->messageSetsChanged = true;
  impl_->save();
}

Entry SimulatedCompany::add(Kind kind, const Fields& fields) {
  if (isTransaction(kind))
    throw QbError(status::kUnsupported, "Transactions are added with qbXML requests.");
  Impl::WriteScope writing(*impl_);
  pugi::xml_document scratch;
  pugi::xml_node source = scratch.append_child(kindInfo(kind).ret);
  for (const auto& [fieldPath, text] : fields)
    ensurePath(source, fieldPath).text().set(text.c_str());
  if (std::string field = unknownField(source); !field.empty()) {
    throw QbError(530, "The field \"" + field + "\" is not supported by this implementation.");
  }
  sortBySchema(source);
  try {
    pugi::xml_node ret = impl_->addListEntry(kind, source);
    impl_->save();
    return impl_->entryOf(kind, ret);
  } catch (const StatusError& error) {
    throw QbError(error.code(), error.what());
  }
}

namespace {
Fields with(Fields first, const Fields& more) {
  first.insert(first.end(), more.begin(), more.end());
  return first;
}
}  // namespace

Entry SimulatedCompany::addCustomer(const std::string& name, Fields more) {
  return add(Kind::Customer, with({{"Name", name}}, more));
}

Entry SimulatedCompany::addVendor(const std::string& name, Fields more) {
  return add(Kind::Vendor, with({{"Name", name}}, more));
}

Entry SimulatedCompany::addEmployee(const std::string& firstName, const std::string& lastName,
                                    Fields more) {
  return add(Kind::Employee, with({{"FirstName", firstName}, {"LastName", lastName}}, more));
}

Entry SimulatedCompany::addItem(Kind kind, const std::string& name, const std::string& price,
                                Fields more) {
  Fields fields = {{"Name", name}};
  if (!price.empty()) fields.emplace_back("SalesOrPurchase/Price", price);
  return add(kind, with(fields, more));
}

Entry SimulatedCompany::addDiscountItem(const std::string& name, const std::string& ratePercent,
                                        Fields more) {
  Fields fields = {{"Name", name}};
  if (!ratePercent.empty()) fields.emplace_back("DiscountRatePercent", ratePercent);
  return add(Kind::ItemDiscount, with(fields, more));
}

Entry SimulatedCompany::addSubtotalItem(const std::string& name, Fields more) {
  return add(Kind::ItemSubtotal, with({{"Name", name}}, more));
}

Entry SimulatedCompany::addSalesTaxItem(const std::string& name, const std::string& ratePercent,
                                        const std::string& taxVendor, Fields more) {
  Fields fields = {{"Name", name}, {"TaxRate", ratePercent}};
  if (!taxVendor.empty()) fields.emplace_back("TaxVendorRef/FullName", taxVendor);
  return add(Kind::ItemSalesTax, with(fields, more));
}

Entry SimulatedCompany::addSalesTaxGroup(const std::string& name,
                                         const std::vector<std::string>& taxItems, Fields more) {
  Fields fields = {{"Name", name}};
  for (const std::string& item : taxItems) fields.emplace_back("ItemSalesTaxRef/FullName", item);
  return add(Kind::ItemSalesTaxGroup, with(fields, more));
}

Entry SimulatedCompany::addSalesTaxCode(const std::string& name, bool taxable, Fields more) {
  return add(Kind::SalesTaxCode,
             with({{"Name", name}, {"IsTaxable", taxable ? "true" : "false"}}, more));
}

Entry SimulatedCompany::addSalesRep(const std::string& initial, const std::string& entityName,
                                    Fields more) {
  return add(Kind::SalesRep,
             with({{"Initial", initial}, {"SalesRepEntityRef/FullName", entityName}}, more));
}

Entry SimulatedCompany::addCustomerType(const std::string& name, Fields more) {
  return add(Kind::CustomerType, with({{"Name", name}}, more));
}

Entry SimulatedCompany::addPaymentMethod(const std::string& name, Fields more) {
  return add(Kind::PaymentMethod, with({{"Name", name}}, more));
}

Entry SimulatedCompany::addStandardTerms(const std::string& name, int dueDays, Fields more) {
  return add(Kind::StandardTerms,
             with({{"Name", name}, {"StdDueDays", std::to_string(dueDays)}}, more));
}

Entry SimulatedCompany::addDateDrivenTerms(const std::string& name, int dayOfMonthDue,
                                           Fields more) {
  return add(Kind::DateDrivenTerms,
             with({{"Name", name}, {"DayOfMonthDue", std::to_string(dayOfMonthDue)}}, more));
}

Entry SimulatedCompany::addClass(const std::string& name, Fields more) {
  return add(Kind::Class, with({{"Name", name}}, more));
}

Entry SimulatedCompany::addAccount(const std::string& name, const std::string& accountType,
                                   Fields more) {
  return add(Kind::Account, with({{"Name", name}, {"AccountType", accountType}}, more));
}

void SimulatedCompany::setActive(const std::string& listId, bool active) {
  Impl::WriteScope writing(*impl_);
  pugi::xml_node ret = impl_->findById(listId);
  std::optional<Kind> kind = ret ? kindOfRet(ret.name()) : std::nullopt;
  if (!kind || isTransaction(*kind)) {
    throw QbError(status::kNotFound,
                  "Object \"" + listId + "\" specified in the request cannot be found.");
  }
  setChild(ret, "IsActive", active ? "true" : "false");
  setChild(ret, "EditSequence", impl_->newEditSequence());
  setChild(ret, "TimeModified", Impl::nowText());
  impl_->touch(ret);
  impl_->save();
}

std::vector<Entry> SimulatedCompany::list(Kind kind) const {
  impl_->refresh();
  std::vector<Entry> entries;
  if (isTransaction(kind)) {
    for (pugi::xml_node ret :
         impl_->containers[static_cast<int>(kind)].children(kindInfo(kind).ret)) {
      entries.push_back(impl_->entryOf(kind, ret));
    }
    return entries;
  }
  for (const auto& [name, ret] : impl_->byName[static_cast<int>(kindInfo(kind).space)]) {
    if (std::string_view(ret.name()) == kindInfo(kind).ret)
      entries.push_back(impl_->entryOf(kind, ret));
  }
  return entries;
}

std::optional<Entry> SimulatedCompany::find(const std::string& id) const {
  impl_->refresh();
  pugi::xml_node ret = impl_->findById(id);
  if (!ret) return std::nullopt;
  return impl_->entryOf(*kindOfRet(ret.name()), ret);
}

std::optional<Entry> SimulatedCompany::findByName(Kind kind, const std::string& fullName) const {
  impl_->refresh();
  pugi::xml_node ret = impl_->findByName(kindInfo(kind).space, fullName);
  if (!ret || std::string_view(ret.name()) != kindInfo(kind).ret) return std::nullopt;
  return impl_->entryOf(kind, ret);
}

std::string SimulatedCompany::transactionXml(const std::string& txnId) const {
  impl_->refresh();
  pugi::xml_node ret = impl_->findById(txnId);
  if (!ret || !isTransaction(*kindOfRet(ret.name()))) return "";
  return nodeXml(ret);
}

}  // namespace vqb::qb::sim
