#pragma once
// The QuickBooks components a window holds, over one session.

#include "quickbooks/components.h"

namespace vqb::qb {

struct ComponentSet {
  explicit ComponentSet(Session& session)
      : session(session),
        customer(session),
        vendor(session),
        invoice(session),
        receivePayment(session),
        purchaseOrder(session),
        item(session),
        account(session),
        employee(session),
        lists(session),
        search(session),
        transaction(session),
        address(session) {}

  // When `apply` is on, gives every component the qbXML version "3.0" and the connection
  // string "ApplicationName='Vantora'"; when off, changes nothing.
  void set_Country(bool apply);

  Session& session;  // the one every component sends through
  Customer customer;
  Vendor vendor;
  Invoice invoice;
  ReceivePayment receivePayment;
  PurchaseOrder purchaseOrder;
  Item item;
  Account account;
  Employee employee;
  QBLists lists;
  ObjSearch search;
  Transaction transaction;
  Address address;
};

}  // namespace vqb::qb
