#include "mapping/existence.h"

#include <exception>

#include "app/module1.h"

namespace vqb {
namespace {

// Runs one reset, set_Country and load; false when any of them raises.
template <class Component>
bool loads(MappingContext& ctx, Component& component, const std::string& name) {
  try {
    component.reset();
    ctx.set_Country();
    component.loadByName(name);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

bool customer_exist(MappingContext& ctx, const std::string& name) {
  qb::Customer& customer = ctx.components.customer;
  if (!loads(ctx, customer, name)) return false;
  ctx.customerCheck.qbCustomerRep = customer.salesRep;  // [35]
  ctx.customerCheck.qbCustomerName = name;
  return true;
}

bool item_exist(MappingContext& ctx, const std::string& name) {
  return loads(ctx, ctx.components.item, name);
}

bool vendor_exist(MappingContext& ctx, const std::string& name) {
  return loads(ctx, ctx.components.vendor, name);
}

bool employee_exist(MappingContext& ctx, const std::string& name) {
  return loads(ctx, ctx.components.employee, name);
}

std::vector<std::string> name_check_documents(MappingContext& ctx, const std::string& name) {
  qb::ComponentSet& c = ctx.components;
  ctx.set_Country();
  return {c.customer.loadByNameDocument(name), c.vendor.loadByNameDocument(name),
          c.employee.loadByNameDocument(name)};
}

void prefetch_name_checks(MappingContext& ctx, const std::string& name) {
  if (!ctx.components.session.batching()) return;
  ctx.components.session.prefetch(name_check_documents(ctx, name));
}

std::vector<std::string> unvalidated_sales_group_items(App& app, const std::string& sql) {
  std::vector<std::string> items;
  if (!read_data(app, sql, false)) return items;
  RecordDoc groups = app.scratch.Clone();
  RecordDoc& snapshot = app.salesGroupSnapshot;
  for (bool more = groups.MoveToFirstChild(); more; more = groups.MoveToNextSibling()) {
    const std::string code = groups.GetChildContent("salesgroup");
    snapshot.MoveToRoot();
    for (bool row = snapshot.MoveToFirstChild(); row; row = snapshot.MoveToNextSibling()) {
      if (snapshot.GetChildContent("code") != code) continue;
      const std::string item = snapshot.GetChildContent("qb");
      if (!item.empty() && !memo_holds(app.salesGroupMemo, snapshot.GetChildContent("id")))
        items.push_back(item);
      break;
    }
    snapshot.MoveToRoot();
  }
  return items;
}

bool memo_holds(RecordDoc& memo, const std::string& id) {
  memo.MoveToRoot();
  return !memo.GetChildContent("v" + id).empty();
}

std::vector<std::string> item_check_documents(MappingContext& ctx,
                                              const std::vector<std::string>& names,
                                              std::vector<std::string> also) {
  if (names.empty()) return also;
  ctx.set_Country();
  for (const std::string& name : names)
    also.push_back(ctx.components.item.loadByNameDocument(name));
  return also;
}

void prefetch_items(MappingContext& ctx, const std::vector<std::string>& names,
                    std::vector<std::string> also) {
  // One request alone saves nothing; the settings are then left as they are.
  if (!ctx.components.session.batching() || names.size() + also.size() < 2) return;
  ctx.components.session.prefetch(item_check_documents(ctx, names, std::move(also)));
}

}  // namespace vqb
