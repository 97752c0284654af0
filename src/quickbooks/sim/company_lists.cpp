// List entries of the simulated company: adds and modifications.

#include <set>

#include "quickbooks/sim/company_state.h"
#include "quickbooks/sim/qbxml_layouts.h"

namespace vqb::qb::sim {
namespace {

// Fields the company fills itself; a request's values for them are ignored.
const std::set<std::string, std::less<>> kComputed = {
    "ListID",       "TimeCreated", "TimeModified",   "EditSequence", "Name",
    "Initial",      "FullName",    "IsActive",       "Sublevel",     "Balance",
    "TotalBalance", "OpenBalance", "OpenBalanceDate"};

bool endsWithRef(std::string_view name) {
  return name.size() > 3 && name.substr(name.size() - 3) == "Ref" && name != "AdditionalContactRef";
}

std::string composedEmployeeName(pugi::xml_node source) {
  std::string name;
  for (const char* part : {"FirstName", "MiddleName", "LastName"}) {
    std::string text = childText(source, part);
    if (text.empty()) continue;
    if (!name.empty()) name += ' ';
    name += text;
  }
  return name;
}

}  // namespace

pugi::xml_node SimulatedCompany::Impl::addListEntry(Kind kind, pugi::xml_node source) {
  const KindInfo& info = kindInfo(kind);
  const ElementLayout& retLayout = *findLayout(info.ret);
  checkFields(source);
  pugi::xml_document scratch;
  pugi::xml_node work = scratch.append_copy(source);

  const char* nameTag = kind == Kind::SalesRep ? "Initial" : "Name";
  std::string name = childText(work, nameTag);
  if (kind == Kind::Employee && name.empty()) name = composedEmployeeName(work);
  if (name.empty()) {
    throw StatusError(status::kCannotSave,
                      std::string("There was an error when saving a ") + info.label +
                          " list element. QuickBooks error message: A name is required.");
  }
  std::string fullName = name;
  long sublevel = 0;
  if (pugi::xml_node parentRef = work.child("ParentRef")) {
    pugi::xml_node parent = resolveRef(parentRef, kind, info.label);
    fullName = entryName(parent) + ":" + name;
    sublevel = parent.child("Sublevel").text().as_int() + 1;
  }
  if (findByName(info.space, fullName)) {
    throw StatusError(status::kNameInUse,
                      "The name \"" + fullName + "\" of the list element is already in use.");
  }
  resolveRefs(work, kind, info.label);

  pugi::xml_node ret = scratch.append_child(info.ret);
  std::string now = nowText();
  setChild(ret, "ListID", newListId());
  setChild(ret, "TimeCreated", now);
  setChild(ret, "TimeModified", now);
  setChild(ret, "EditSequence", newEditSequence());
  setChild(ret, nameTag, name);
  if (findField(retLayout, "FullName")) setChild(ret, "FullName", fullName);
  std::string active = childText(work, "IsActive");
  setChild(ret, "IsActive", active.empty() || isTrue(active) ? "true" : "false");
  if (findField(retLayout, "Sublevel")) setChild(ret, "Sublevel", std::to_string(sublevel));
  for (pugi::xml_node child : work.children()) {
    if (child.type() != pugi::node_element || kComputed.count(child.name()) > 0) continue;
    if (findField(retLayout, child.name())) ret.append_copy(child);
  }
  std::string openBalance = centsText(centsOf(work, "OpenBalance"));
  if (kind == Kind::Customer || kind == Kind::Account) {
    setChild(ret, "Balance", openBalance);
    setChild(ret, "TotalBalance", openBalance);
  } else if (kind == Kind::Vendor) {
    setChild(ret, "Balance", openBalance);
  } else if (kind == Kind::SalesTaxCode && !ret.child("IsTaxable")) {
    setChild(ret, "IsTaxable", "false");
  }
  sortBySchema(ret);

  pugi::xml_node stored = containers[static_cast<int>(kind)].append_copy(ret);
  indexEntry(kind, stored);
  touch(stored);
  if (kind == Kind::Customer && sublevel > 0) {
    // A job's opening balance counts in its parents' total balances.
    std::int64_t cents = centsOf(stored, "Balance");
    for (pugi::xml_node parent = findById(stored.child("ParentRef").child_value("ListID")); parent;
         parent = findById(parent.child("ParentRef").child_value("ListID"))) {
      setChild(parent, "TotalBalance", centsText(centsOf(parent, "TotalBalance") + cents));
      touch(parent);
    }
  }
  return stored;
}

pugi::xml_node SimulatedCompany::Impl::requireEditable(pugi::xml_node mod, const char* idTag) {
  std::string id = childText(mod, idTag);
  std::string retTag = mod.name();  // "CustomerMod" -> "CustomerRet"
  retTag.replace(retTag.size() - 3, 3, "Ret");
  pugi::xml_node ret = findById(id);
  if (!ret || ret.name() != retTag) {
    throw StatusError(
        status::kNotFound,
        "Object \"" + id +
            "\" specified in the request cannot be found.  QuickBooks error message: " +
            kNoSuchRecord);
  }
  std::string sequence = childText(mod, "EditSequence");
  if (sequence != childText(ret, "EditSequence")) {
    throw StatusError(status::kEditSequence,
                      "The provided edit sequence \"" + sequence + "\" is out-of-date.");
  }
  return ret;
}

pugi::xml_node SimulatedCompany::Impl::modListEntry(Kind kind, pugi::xml_node mod) {
  const KindInfo& info = kindInfo(kind);
  const ElementLayout& retLayout = *findLayout(info.ret);
  checkFields(mod);
  pugi::xml_node ret = requireEditable(mod, "ListID");
  pugi::xml_document scratch;
  pugi::xml_node changes = scratch.append_copy(mod);
  pugi::xml_node work = scratch.append_copy(ret);
  resolveRefs(changes, kind, info.label);

  for (pugi::xml_node change : changes.children()) {
    std::string_view name = change.name();
    if (change.type() != pugi::node_element || name == "ListID" || name == "EditSequence") continue;
    const FieldLayout* field = findField(retLayout, change.name());
    if (field == nullptr) continue;
    if (endsWithRef(name)) {
      work.remove_child(change.name());
      work.append_copy(change);
    } else if (field->kind == 'c') {
      // Aggregates such as addresses keep the parts the request leaves out.
      sortBySchema(mergeAggregate(work, change));
    } else if (std::string_view(change.child_value()).empty() && name != "Name") {
      work.remove_child(change.name());
    } else {
      setChild(work, change.name(), change.child_value());
    }
  }
  std::string fullName = childText(work, "Name");
  if (pugi::xml_node parent = findById(work.child("ParentRef").child_value("ListID"))) {
    fullName = entryName(parent) + ":" + fullName;
  }
  if (fullName.empty()) {
    throw StatusError(status::kCannotSave,
                      std::string("There was an error when saving a ") + info.label +
                          " list element. QuickBooks error message: A name is required.");
  }
  pugi::xml_node holder = findByName(info.space, fullName);
  if (holder && holder != ret) {
    throw StatusError(status::kNameInUse,
                      "The name \"" + fullName + "\" of the list element is already in use.");
  }
  if (work.child("FullName")) setChild(work, "FullName", fullName);
  setChild(work, "EditSequence", newEditSequence());
  setChild(work, "TimeModified", nowText());
  sortBySchema(work);

  unindexName(kind, ret);
  while (ret.first_child()) ret.remove_child(ret.first_child());
  for (pugi::xml_node child : work.children()) ret.append_copy(child);
  indexEntry(kind, ret);
  touch(ret);
  return ret;
}

void SimulatedCompany::Impl::adjustBalance(pugi::xml_node customer, std::int64_t cents) {
  setChild(customer, "Balance", centsText(centsOf(customer, "Balance") + cents));
  for (pugi::xml_node node = customer; node;
       node = findById(node.child("ParentRef").child_value("ListID"))) {
    setChild(node, "TotalBalance", centsText(centsOf(node, "TotalBalance") + cents));
    touch(node);
  }
}

}  // namespace vqb::qb::sim
