-- Vantora database schema (SQLite), as far as the QuickBooks integrator reads and writes it.
--
-- Conventions of the Vantora tables:
--   * Link: the long integer key Vantora hands out from its counters in `comp` (common counter
--     NextMaintLink, customers NextCustLink, suppliers NextSuppLink); id: an autonumber.
--   * Dates are OLE Automation day numbers (declared DATE, stored as REAL): days since 1899-12-30, the time of day as
--     the fraction.
--   * Money and rates are REAL; flags and links are INTEGER (-1 = no link).
--   * Text compares without regard to case, as Vantora does: every text column is NOCASE.
--   * Columns carry no NOT NULL rules: Vantora rows may hold Nulls, which the integrator
--     repairs or tests for.
-- The script is run once on a new, empty file.

-- Company record: the first row holds the key counters.
CREATE TABLE comp (
  Link INTEGER PRIMARY KEY,
  Name TEXT COLLATE NOCASE,
  NextMaintLink INTEGER,
  NextCustLink INTEGER,
  NextSuppLink INTEGER
);

-- Values by form, key and user; Form "GetNewLink" with User -2 holds named counters.
CREATE TABLE Preferences (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  Form TEXT COLLATE NOCASE,
  Description TEXT COLLATE NOCASE,
  Value TEXT COLLATE NOCASE,
  User INTEGER
);
CREATE INDEX Preferences_FormDescriptionUser ON Preferences (Form, Description, User);

-- Integration settings: the QuickBooks discount item.
CREATE TABLE QuickBooks (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  Discount TEXT COLLATE NOCASE
);

------------------------------------------------------------------------------------------
-- Code tables and their QuickBooks mappings
------------------------------------------------------------------------------------------

-- Sales tax types; QBLink is the QuickBooks sales tax item or group. taxGroupXML keeps the
-- member rates of a tax group imported from QuickBooks.
CREATE TABLE tax (
  Link INTEGER PRIMARY KEY,
  Description TEXT COLLATE NOCASE,
  Rate REAL,
  QBLink TEXT COLLATE NOCASE,
  Hide INTEGER,
  WebAccount TEXT COLLATE NOCASE,
  taxGroupXML TEXT COLLATE NOCASE
);

-- Line tax codes; QuickBooks is the QuickBooks sales tax code (Taxable 1 = taxable).
CREATE TABLE LineTax (
  Link INTEGER PRIMARY KEY,
  Code TEXT COLLATE NOCASE,
  Description TEXT COLLATE NOCASE,
  Taxable INTEGER,
  QuickBooks TEXT COLLATE NOCASE
);

-- Customer terms; QuickBooks is the QuickBooks terms name.
CREATE TABLE Terms (
  Link INTEGER PRIMARY KEY,
  Description TEXT COLLATE NOCASE,
  Days INTEGER,
  Hide INTEGER,
  QuickBooks TEXT COLLATE NOCASE
);

-- Users and sales reps; QuickBooks is the QuickBooks sales rep's initials.
CREATE TABLE Users (
  Link INTEGER PRIMARY KEY,
  FirstName TEXT COLLATE NOCASE,
  LastName TEXT COLLATE NOCASE,
  Email TEXT COLLATE NOCASE,
  AllowSales INTEGER,
  QuickBooks TEXT COLLATE NOCASE
);

-- Sales groups; QB (and its copy QB_P) is the QuickBooks item of the group.
CREATE TABLE SalesGroup (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  Code TEXT COLLATE NOCASE,
  Description TEXT COLLATE NOCASE,
  QB TEXT COLLATE NOCASE,
  QB_P TEXT COLLATE NOCASE,
  Hide INTEGER
);
CREATE INDEX SalesGroup_Code ON SalesGroup (Code);

-- Customer payment methods; QuickBooks is the QuickBooks payment method, QBLedger the
-- account the payments are deposited to.
CREATE TABLE CustPaymentMethods (
  Link INTEGER PRIMARY KEY,
  Description TEXT COLLATE NOCASE,
  QuickBooks TEXT COLLATE NOCASE,
  QBLedger TEXT COLLATE NOCASE
);

-- Customer groups (industries); QuickBooks is the QuickBooks customer type (full name).
CREATE TABLE CustIndustry (
  Link INTEGER PRIMARY KEY,
  Description TEXT COLLATE NOCASE,
  QuickBooks TEXT COLLATE NOCASE
);
CREATE INDEX CustIndustry_Description ON CustIndustry (Description);

-- QuickBooks classes known to Vantora; Description is the class's full name.
CREATE TABLE QBClass (
  Link INTEGER PRIMARY KEY,
  Description TEXT COLLATE NOCASE
);

-- Work-order statuses.
CREATE TABLE custSOStatus (
  Link INTEGER PRIMARY KEY,
  Description TEXT COLLATE NOCASE
);

------------------------------------------------------------------------------------------
-- Customers
------------------------------------------------------------------------------------------

-- QBAccountNumber is the QuickBooks customer name; empty or Null = not exported.
-- BAddress and SADdress are free-text addresses, lines joined by CR LF.
CREATE TABLE Customers (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  Link INTEGER,
  Description TEXT COLLATE NOCASE,
  Tel TEXT COLLATE NOCASE,
  Fax TEXT COLLATE NOCASE,
  Email TEXT COLLATE NOCASE,
  Website TEXT COLLATE NOCASE,
  Origination INTEGER,
  OnHold INTEGER,
  Hide INTEGER,
  Industry INTEGER,
  Area INTEGER,
  Ship TEXT COLLATE NOCASE,
  Rep INTEGER,
  BAddress TEXT COLLATE NOCASE,
  SADdress TEXT COLLATE NOCASE,
  CreditLimit REAL,
  Disc REAL,
  SetDisc INTEGER,
  Deposit REAL,
  Int INTEGER,
  Terms INTEGER,
  Type INTEGER,
  PriceGroup INTEGER,
  Tax1 INTEGER,
  Tax2 INTEGER,
  Contact TEXT COLLATE NOCASE,
  Tel2 TEXT COLLATE NOCASE,
  TaxNumber TEXT COLLATE NOCASE,
  MailState INTEGER,
  PrintState INTEGER,
  PopNotes TEXT COLLATE NOCASE,
  Notes TEXT COLLATE NOCASE,
  Balance REAL,
  P0 REAL,
  P1 REAL,
  P2 REAL,
  P3 REAL,
  P4 REAL,
  P5 REAL,
  DateCreated DATE,
  DateLastEdited DATE,
  Cell TEXT COLLATE NOCASE,
  SageAccountNumber TEXT COLLATE NOCASE,
  QBAccountNumber TEXT COLLATE NOCASE,
  DontLockQuote INTEGER,
  DontLockWO INTEGER,
  WebAccount TEXT COLLATE NOCASE,
  dateActive DATE
);
CREATE INDEX Customers_Link ON Customers (Link);
CREATE INDEX Customers_QBAccountNumber ON Customers (QBAccountNumber);
CREATE INDEX Customers_Description ON Customers (Description);

CREATE TABLE CustContacts (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  Customer INTEGER,
  Name TEXT COLLATE NOCASE,
  Tel TEXT COLLATE NOCASE,
  Cell TEXT COLLATE NOCASE,
  EMail TEXT COLLATE NOCASE,
  Department TEXT COLLATE NOCASE,
  MailList INTEGER,
  ShipAddress TEXT COLLATE NOCASE,
  BillingAddress TEXT COLLATE NOCASE,
  SaveAs TEXT COLLATE NOCASE,
  Tax INTEGER,
  Tax2 INTEGER,
  Fax TEXT COLLATE NOCASE,
  Skype TEXT COLLATE NOCASE
);
CREATE INDEX CustContacts_Customer ON CustContacts (Customer);

-- Customer register: one posting per invoice ('INV'), payment ('PMT') or journal ('JNL').
-- A payment posting carries its receipt number, an invoice posting its order number.
CREATE TABLE CustPost (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  Customer INTEGER,
  Date DATE,
  Trans TEXT COLLATE NOCASE,
  Description TEXT COLLATE NOCASE,
  reference TEXT COLLATE NOCASE,
  Rep INTEGER,
  Debit REAL,
  Credit REAL,
  outstanding REAL,
  ChargeTax1 INTEGER,
  ChargeTax2 INTEGER,
  Notes TEXT COLLATE NOCASE,
  ReceiptNumber INTEGER,
  WONumber INTEGER
);
CREATE INDEX CustPost_Customer ON CustPost (Customer);
CREATE INDEX CustPost_TransReceipt ON CustPost (Trans, ReceiptNumber);
CREATE INDEX CustPost_WONumber ON CustPost (WONumber);

-- Work orders (Status 3) and invoices (Status 4). QuickBooks = 1 once exported, with the
-- time of export in QuickBooksDS, the QuickBooks reference number in QuickBooksRef and
-- <OrderInfo><QBReference>TxnID</QBReference></OrderInfo> in xmlAdd.
-- Total is the order before tax (lines plus DiscAmount, a negative amount); NetTotal adds
-- TaxAmount1. PaymentStatus: 0 unpaid, 1 paid, 2 part paid.
CREATE TABLE CustSO (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  Number INTEGER,
  Customer INTEGER,
  Status INTEGER,
  Prefix TEXT COLLATE NOCASE,
  InvDate DATE,
  Description TEXT COLLATE NOCASE,
  Notes TEXT COLLATE NOCASE,
  CustomerPO TEXT COLLATE NOCASE,
  BillingAddress TEXT COLLATE NOCASE,
  ShipAddress TEXT COLLATE NOCASE,
  SalesRep INTEGER,
  TaxType1 INTEGER,
  TaxPercentage1 REAL,
  TaxAmount1 REAL,
  DiscAmount REAL,
  Total REAL,
  NetTotal REAL,
  PaymentStatus INTEGER,
  QuickBooks INTEGER,
  QuickBooksDS DATE,
  QuickBooksRef TEXT COLLATE NOCASE,
  xmlAdd TEXT COLLATE NOCASE
);
CREATE INDEX CustSO_Number ON CustSO (Number);
CREATE INDEX CustSO_Customer ON CustSO (Customer);
CREATE INDEX CustSO_StatusQuickBooks ON CustSO (Status, QuickBooks);

-- Order lines. LineType: 'Inventory', 'Service', 'Remark' (PrintLine 1 = printed) or
-- 'Separator'. The line amount is LineChargeAdjusted x AdjustedQty; Tax1 links LineTax.
CREATE TABLE custsodetail (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  SONumber INTEGER,
  LineNumber INTEGER,
  LineType TEXT COLLATE NOCASE,
  PrintLine INTEGER,
  Style TEXT COLLATE NOCASE,
  Description TEXT COLLATE NOCASE,
  Color TEXT COLLATE NOCASE,
  Size TEXT COLLATE NOCASE,
  Qty REAL,
  UnitPrice REAL,
  AdjustedQty REAL,
  LineChargeAdjusted REAL,
  SalesGroup TEXT COLLATE NOCASE,
  Tax1 INTEGER,
  AmortizeGroup INTEGER,
  QBClass TEXT COLLATE NOCASE
);
CREATE INDEX custsodetail_SONumber ON custsodetail (SONumber, LineNumber);

-- Customer payments (receipts). Method links CustPaymentMethods.
CREATE TABLE CustPayments (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  Number INTEGER,
  Customer INTEGER,
  Date DATE,
  Amount REAL,
  Method INTEGER,
  Reference TEXT COLLATE NOCASE,
  Comment TEXT COLLATE NOCASE,
  POS INTEGER,
  Voided INTEGER,
  QuickBooks INTEGER,
  QuickBooksDS DATE,
  QuickBooksRef TEXT COLLATE NOCASE
);
CREATE INDEX CustPayments_Number ON CustPayments (Number);
CREATE INDEX CustPayments_Customer ON CustPayments (Customer);
CREATE INDEX CustPayments_QuickBooks ON CustPayments (QuickBooks);

-- Allocation of a payment posting (CRef) to an invoice posting (DRef).
CREATE TABLE CustAllocate (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  CRef INTEGER,
  DRef INTEGER,
  Amount REAL
);
CREATE INDEX CustAllocate_CRef ON CustAllocate (CRef);
CREATE INDEX CustAllocate_DRef ON CustAllocate (DRef);

-- Part of a payment posting (PostLink) reserved as a deposit on a work order.
CREATE TABLE CustWOPayments (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  PostLink INTEGER,
  WONumber INTEGER,
  Amount REAL
);
CREATE INDEX CustWOPayments_PostLink ON CustWOPayments (PostLink);

------------------------------------------------------------------------------------------
-- Suppliers and purchase orders
------------------------------------------------------------------------------------------

-- QBAccount is the QuickBooks vendor name; empty or Null = not exported.
CREATE TABLE Suppliers (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  Link INTEGER,
  Description TEXT COLLATE NOCASE,
  Tel TEXT COLLATE NOCASE,
  Ext TEXT COLLATE NOCASE,
  Cell TEXT COLLATE NOCASE,
  Fax TEXT COLLATE NOCASE,
  Email TEXT COLLATE NOCASE,
  Website TEXT COLLATE NOCASE,
  OnHold INTEGER,
  Hide INTEGER,
  Industry INTEGER,
  Area INTEGER,
  Ship TEXT COLLATE NOCASE,
  BAddress TEXT COLLATE NOCASE,
  SADdress TEXT COLLATE NOCASE,
  CreditLimit REAL,
  Disc REAL,
  SetDisc INTEGER,
  Int INTEGER,
  Terms INTEGER,
  Type INTEGER,
  PriceGroup INTEGER,
  Tax1 INTEGER,
  Tax2 INTEGER,
  Contact TEXT COLLATE NOCASE,
  Tel2 TEXT COLLATE NOCASE,
  TaxNumber TEXT COLLATE NOCASE,
  MailState INTEGER,
  PrintState INTEGER,
  PopNotes TEXT COLLATE NOCASE,
  Notes TEXT COLLATE NOCASE,
  Balance REAL,
  P0 REAL,
  P1 REAL,
  P2 REAL,
  P3 REAL,
  P4 REAL,
  P5 REAL,
  DateCreated DATE,
  DateLastEdited DATE,
  FreeShip REAL,
  QBAccount TEXT COLLATE NOCASE,
  defShip INTEGER,
  ASINumber TEXT COLLATE NOCASE,
  Category INTEGER
);
CREATE INDEX Suppliers_Link ON Suppliers (Link);
CREATE INDEX Suppliers_QBAccount ON Suppliers (QBAccount);

-- Addresses of customers (AccountType 1) and suppliers (AccountType 2);
-- AddressType 1 = mailing address.
CREATE TABLE myaddress (
  Link INTEGER PRIMARY KEY,
  Description TEXT COLLATE NOCASE,
  AccountID INTEGER,
  ContactID INTEGER,
  AccountType INTEGER,
  AddressType INTEGER,
  Address1 TEXT COLLATE NOCASE,
  Address2 TEXT COLLATE NOCASE,
  Address3 TEXT COLLATE NOCASE,
  Address4 TEXT COLLATE NOCASE,
  City TEXT COLLATE NOCASE,
  State TEXT COLLATE NOCASE,
  Zip TEXT COLLATE NOCASE,
  Country TEXT COLLATE NOCASE,
  Tax1 INTEGER,
  Tax2 INTEGER,
  Ship TEXT COLLATE NOCASE
);
CREATE INDEX myaddress_Account ON myaddress (AccountType, AccountID, AddressType);

-- Supplier purchase orders. SendQB is the time of export (0 or Null = not exported);
-- QBRef is the QuickBooks reference number, QBURef its TxnID, QBGoods the goods-in status
-- sent. Only orders of Revision 200918 or later are offered for export.
CREATE TABLE SuppPO (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  Number INTEGER,
  Supplier INTEGER,
  Date DATE,
  DueDate DATE,
  Confirmation TEXT COLLATE NOCASE,
  VendorRef TEXT COLLATE NOCASE,
  Subtotal REAL,
  GoodsIn TEXT COLLATE NOCASE,
  Address1 TEXT COLLATE NOCASE,
  Address2 TEXT COLLATE NOCASE,
  Address3 TEXT COLLATE NOCASE,
  Address4 TEXT COLLATE NOCASE,
  City TEXT COLLATE NOCASE,
  State TEXT COLLATE NOCASE,
  Zip TEXT COLLATE NOCASE,
  Notes TEXT COLLATE NOCASE,
  Void INTEGER,
  Revision INTEGER,
  SendQB REAL,
  QBRef TEXT COLLATE NOCASE,
  QBURef TEXT COLLATE NOCASE,
  QBGoods TEXT COLLATE NOCASE
);
CREATE INDEX SuppPO_Number ON SuppPO (Number);
CREATE INDEX SuppPO_Supplier ON SuppPO (Supplier);
CREATE INDEX SuppPO_SendQB ON SuppPO (SendQB);

-- Purchase-order lines; several rows may share a LineNumber (sizes of one style).
-- WOLink/WONumber name the work-order line (custsodetail id) a row was bought for.
CREATE TABLE SuppPODetail (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  PONumber INTEGER,
  LineNumber INTEGER,
  RemarkLine INTEGER,
  SalesGroup TEXT COLLATE NOCASE,
  WOLink INTEGER,
  WONumber INTEGER,
  Style TEXT COLLATE NOCASE,
  Description TEXT COLLATE NOCASE,
  Color TEXT COLLATE NOCASE,
  Size TEXT COLLATE NOCASE,
  SizeOrder INTEGER,
  rank INTEGER,
  UnitCost REAL,
  Qty REAL,
  Notes TEXT COLLATE NOCASE
);
CREATE INDEX SuppPODetail_PONumber ON SuppPODetail (PONumber, LineNumber);
