#include "demo/demo_data.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string_view>
#include <unordered_set>

#include "app/database.h"
#include "app/embedded_sql.h"
#include "app/errors.h"
#include "app/text_helpers.h"

namespace vqb {
namespace {

// ---------------------------------------------------------------------------------------
// Random numbers: splitmix64, the same sequence on every platform and standard library.

class Rng {
 public:
  Rng(std::uint32_t seed, std::uint64_t stream)
      : state_((std::uint64_t{seed} << 20) ^ (stream * 0xD1B54A32D192ED03ULL)) {}

  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // 0 .. n-1; 0 when n <= 0.
  int below(int n) { return n <= 0 ? 0 : static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
  int between(int low, int high) { return low + below(high - low + 1); }
  bool chance(int percent) { return below(100) < percent; }
  template <typename T, std::size_t N>
  const T& pick(const T (&items)[N]) {
    return items[static_cast<std::size_t>(below(static_cast<int>(N)))];
  }
  template <typename T>
  const T& pick(const std::vector<T>& items) {
    return items[static_cast<std::size_t>(below(static_cast<int>(items.size())))];
  }
  std::string digits(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += static_cast<char>('0' + below(10));
    return text;
  }

 private:
  std::uint64_t state_;
};

// Independent streams, so that adding invoices never changes the customers.
enum Stream : std::uint64_t { kCustomers = 1, kSuppliers, kOrders, kPayments, kPurchaseOrders };

// ---------------------------------------------------------------------------------------
// Code tables. An empty QuickBooks name marks a code left unmapped on purpose.

struct TaxType {
  int link;
  const char* description;
  const char* rate;
  int thousandths;  // the rate in thousandths of a percent, for exact cents
  const char* qbItem;
};
constexpr TaxType kTaxTypes[] = {
    {1, "California Sales Tax", "8.25", 8250, "CA Sales Tax"},
    {2, "New York City Sales Tax", "8.875", 8875, "NYC Sales Tax"},
    {3, "Texas Sales Tax", "6.25", 6250, "TX Sales Tax"},
    {4, "Out of State", "0", 0, "Out of State"},
    {5, "GST", "5", 5000, "GST"},
    {6, "HST Ontario", "13", 13000, "HST ON"},
    {7, "Special District Levy", "1.5", 1500, ""},
};
constexpr int kTaxCalifornia = 1, kTaxNewYork = 2, kTaxTexas = 3, kTaxOutOfState = 4, kTaxGst = 5,
              kTaxHst = 6, kTaxUnmapped = 7;

struct LineTaxCode {
  int link;
  const char* code;
  const char* description;
  int taxable;
  const char* qbCode;
};
constexpr LineTaxCode kLineTaxes[] = {
    {11, "T", "Taxable", 1, "Tax"},
    {12, "N", "Non-taxable", 0, "Non"},
    {13, "OOS", "Out of state sale", 0, "Out"},
    {14, "RSL", "Resale exemption", 0, ""},
};
constexpr int kLineTaxable = 11, kLineNonTaxable = 12, kLineOutOfState = 13, kLineResale = 14;

struct TermsCode {
  int link;
  const char* description;
  int days;
  int hide;
  const char* qbTerms;
};
constexpr TermsCode kTerms[] = {
    {21, "Due on receipt", 0, 0, "Due on receipt"},
    {22, "Net 15", 15, 0, "Net 15"},
    {23, "Net 30", 30, 0, "Net 30"},
    {24, "Net 60", 60, 0, "Net 60"},
    {25, "2% 10 Net 30", 30, 0, ""},
    {26, "C.O.D.", 0, 1, ""},
};
constexpr int kTermsUnmapped = 25;

struct User {
  int link;
  const char* firstName;
  const char* lastName;
  int allowSales;
  const char* initials;
};
constexpr User kUsers[] = {
    {31, "Jenna", "Morales", 1, "JM"},  {32, "Raj", "Patel", 1, "RP"},
    {33, "Chloé", "Tremblay", 1, "CT"}, {34, "Marcus", "O'Neil", 1, "MO"},
    {35, "Dana", "Whitfield", 1, ""},   {36, "Office", "Admin", 0, ""},
};
constexpr int kRepUnmapped = 35;

struct SalesGroupCode {
  int id;
  const char* code;
  const char* description;
  const char* qbItem;
  const char* itemType;
  int hide;
};
constexpr SalesGroupCode kSalesGroups[] = {
    {1, "EMB", "Embroidery", "Embroidery:Stitching", "Service", 0},
    {2, "SCR", "Screen Printing", "Screen Printing", "Service", 0},
    {3, "GAR", "Garments", "Blank Garments", "NonInventory", 0},
    {4, "PRO", "Promotional Products", "Promo Products", "NonInventory", 0},
    {5, "ART", "Artwork & Setup", "Setup Charges:Art & Setup", "Service", 0},
    {6, "DIG", "Digitizing", "Digitizing", "Service", 0},
    {7, "SHP", "Shipping & Handling", "Shipping", "OtherCharge", 0},
    {8, "RUSH", "Rush Service", "", "", 0},
    {9, "OBS", "Obsolete Stock", "", "", 1},
};
constexpr const char* kDiscountItem = "Discount";

struct PaymentMethod {
  int link;
  const char* description;
  const char* qbMethod;
  const char* qbLedger;
};
constexpr PaymentMethod kPaymentMethods[] = {
    {41, "Cash", "Cash", ""},
    {42, "Cheque", "Check", "Undeposited Funds"},
    {43, "Visa", "Visa", "Undeposited Funds"},
    {44, "MasterCard", "MasterCard", "Undeposited Funds"},
    {45, "Wire Transfer", "Wire", "Checking"},
    {46, "Gift Certificate", "", ""},
};
constexpr int kMethodCash = 41, kMethodCheque = 42, kMethodWire = 45, kMethodUnmapped = 46;

struct Industry {
  int link;
  const char* description;
  const char* qbType;
};
constexpr Industry kIndustries[] = {
    {61, "Retail", "Retail"},
    {62, "Wholesale", "Wholesale"},
    {63, "Schools & Colleges", "Education:Schools"},
    {64, "Sports Teams", "Sports Teams"},
    {65, "Government", ""},
};
constexpr int kIndustryWholesale = 62, kIndustryUnmapped = 65;

struct ClassName {
  int link;
  const char* name;
  bool inQuickBooks;
};
// Class links come from the named counter "QBClass", which starts at 50.
constexpr ClassName kClasses[] = {{50, "Walk-in", true},
                                  {51, "Corporate", true},
                                  {52, "Online:Webstore", true},
                                  {53, "Events", false}};
constexpr const char* kClassUnmapped = "Events";

constexpr const char* kOrderStatuses[] = {
    "Quote", "Order Entered", "In Production", "Ready for Pickup", "Shipped", "Invoiced"};

// ---------------------------------------------------------------------------------------
// Names, places and products.

struct City {
  const char* name;
  const char* region;
  const char* postal;  // ZIP prefix or forward sortation area
  const char* area;    // telephone area code
  bool canada;
};
constexpr City kCities[] = {
    {"San Francisco", "CA", "941", "415", false}, {"Los Angeles", "CA", "900", "213", false},
    {"Sacramento", "CA", "958", "916", false},    {"San Diego", "CA", "921", "619", false},
    {"New York", "NY", "100", "212", false},      {"Brooklyn", "NY", "112", "718", false},
    {"Austin", "TX", "787", "512", false},        {"Dallas", "TX", "752", "214", false},
    {"Houston", "TX", "770", "713", false},       {"Portland", "OR", "972", "503", false},
    {"Seattle", "WA", "981", "206", false},       {"Denver", "CO", "802", "303", false},
    {"Chicago", "IL", "606", "312", false},       {"Boston", "MA", "021", "617", false},
    {"Toronto", "ON", "M5V", "416", true},        {"Ottawa", "ON", "K1P", "613", true},
    {"Mississauga", "ON", "L5B", "905", true},    {"Vancouver", "BC", "V6C", "604", true},
    {"Calgary", "AB", "T2P", "403", true},        {"Montréal", "QC", "H3B", "514", true},
    {"Winnipeg", "MB", "R3C", "204", true},       {"Halifax", "NS", "B3J", "902", true},
};
constexpr int kFirstCanadianCity = 14;
constexpr int kCityCount = static_cast<int>(std::size(kCities));

constexpr const char* kUsStreets[] = {"Market Street",   "Main St",        "Elm Avenue",
                                      "Industrial Pkwy", "Oak Ridge Road", "Lakeshore Blvd",
                                      "5th Avenue",      "Commerce Drive", "Harbor View Rd"};
constexpr const char* kCanadianStreets[] = {"King St W",    "Queen Street East", "Yonge Street",
                                            "Granville St", "Portage Ave",       "Jasper Ave",
                                            "Bank Street",  "Barrington St"};
constexpr const char* kQuebecStreets[] = {"Rue Sainte-Catherine O", "Boul. René-Lévesque O"};
// Canada Post never uses D, F, I, O, Q or U in postal codes.
constexpr char kPostalLetters[] = "ABCEGHJKLMNPRSTVWXYZ";

constexpr const char* kFirstNames[] = {
    "Olivia", "Liam",  "Emma",   "Noah",  "Ava",    "Ethan", "Sophia", "Lucas", "Mia",    "Mason",
    "Amelia", "Logan", "Harper", "Jacob", "Élodie", "Mateo", "Priya",  "Wei",   "Fatima", "Connor"};
constexpr const char* kLastNames[] = {"Nguyen",  "Smith",   "O'Connor",  "Tremblay", "Garcia",
                                      "Johnson", "D'Souza", "Brown",     "Roy",      "Martin",
                                      "Lee",     "Wilson",  "MacDonald", "Kowalski", "Singh",
                                      "Chen",    "Gagnon",  "Lopez",     "Anderson", "Fraser"};
constexpr const char* kDepartments[] = {"Purchasing", "Accounts Payable", "Marketing", "Athletics",
                                        "Front Office"};

constexpr const char* kNamePrefixes[] = {
    "Maple",     "Summit",     "Harbor",    "Pioneer",   "Lakeside",    "Granite",
    "Riverside", "Cedar",      "Bluewater", "Northstar", "Evergreen",   "Redwood",
    "Prairie",   "Silverline", "Coastal",   "Ironwood",  "Golden Gate", "Timberline",
    "Westbrook", "Highland",   "Aurora",    "Beacon",    "Canyon",      "Liberty"};
constexpr const char* kCustomerSuffixes[] = {
    "Athletics",        "Dental Group", "High School",       "Construction", "Brewing Co.",
    "Soccer Club",      "Realty",       "Veterinary Clinic", "Auto Body",    "Fitness",
    "Community Church", "Marketing",    "Law Offices",       "Landscaping",  "Catering",
    "Hockey League",    "Credit Union", "Robotics Team",     "Dance Studio", "Plumbing & Heating"};
constexpr const char* kSupplierSuffixes[] = {
    "Textiles",      "Apparel Supply", "Promo Wholesale", "Thread Co.", "Packaging",
    "Freight Lines", "Screen Supply",  "Headwear",        "Mills",      "Distributors"};

// The first customers and suppliers: names that test quoting and escaping, an accented
// name and one too long for QuickBooks.
constexpr const char* kSpecialCustomers[] = {
    "O'Brien & Sons <West>",       "Smith & Wesley Uniforms",
    "Café Étoile Catering",        "Northern Alberta Regional Minor Hockey Association",
    "Jekyll & Hyde \"Odd\" Goods", "St. Mary's Parish <Youth> Club",
};
constexpr int kLongNameCustomer = 3;
constexpr const char* kSpecialSuppliers[] = {
    "D'Angelo Thread & Notions",
    "Prairie Embroidery Supply <East>",
    "Atlantic Blank Apparel Ltd.",
    "Northwind Promotional Goods",
};

// QuickBooks takes names of at most 41 characters.
constexpr std::size_t kQuickBooksNameLength = 41;

struct Product {
  const char* style;
  const char* description;
  const char* group;
  int priceCents;
  int costCents;
};
constexpr Product kProducts[] = {
    {"G500", "Heavy Cotton Tee", "GAR", 850, 325},
    {"PC61", "Essential Tee", "GAR", 950, 380},
    {"K500", "Silk Touch Polo", "GAR", 2450, 1190},
    {"F170", "Pullover Hooded Sweatshirt", "GAR", 3200, 1560},
    {"J317", "Core Soft Shell Jacket", "GAR", 5400, 2890},
    {"CP80", "Enhanced Twill Cap", "GAR", 1450, 520},
    {"112", "Richardson Trucker Cap", "GAR", 1850, 740},
    {"MUG11", "Ceramic Mug 11 oz", "PRO", 795, 260},
    {"TB100", "Cotton Tote Bag", "PRO", 650, 180},
    {"PEN-G", "Gel Pen, \"Executive\"", "PRO", 225, 60},
};
constexpr const char* kColors[] = {"Navy",         "Black", "White",  "Red", "Forest Green",
                                   "Heather Grey", "Royal", "Maroon", "Gold"};
constexpr const char* kSizes[] = {"S", "M", "L", "XL", "2XL"};

struct Charge {
  const char* group;
  const char* description;
  int priceCents;
};
constexpr Charge kDecorations[] = {
    {"EMB", "Left chest embroidery - up to 8,000 stitches", 650},
    {"EMB", "Cap front embroidery", 550},
    {"SCR", "Screen print - 2 colours, front", 350},
    {"SCR", "Screen print - 1 colour, back", 250},
};
constexpr Charge kArtwork{"ART", "Artwork & setup", 4500};
constexpr Charge kDigitizing{"DIG", "Digitizing (logo up to 10k stitches)", 4500};
constexpr Charge kShipping{"SHP", "Shipping & handling", 1850};
constexpr Charge kRush{"RUSH", "Rush service - 3 day turnaround", 5000};

constexpr const char* kOrderDescriptions[] = {"Team jerseys - spring season",
                                              "Staff polos with left-chest logo",
                                              "Event T-shirts & banners",
                                              "Fall uniforms, \"Varsity\" style",
                                              "Corporate gifts <rush>",
                                              "Reprint of last order",
                                              "Hoodies for O'Malley's 5K run",
                                              "Trade show giveaways",
                                              "Volunteer shirts",
                                              "Caps & totes for open house"};
constexpr const char* kOrderNotes[] = {"Deliver to loading dock\r\nCall ahead: ask for Sam",
                                       "Customer's logo on file", "Proof approved by e-mail",
                                       "Pick up in store", "Split shipment OK <partial>"};
constexpr const char* kRemarks[] = {"Thread colours: PMS 286 & white",
                                    "Customer supplied garments - not responsible for damage",
                                    "See proof for placement", "Fold & bag individually"};
constexpr const char* kSeparator = "----------------------------------------";

// ---------------------------------------------------------------------------------------
// Small helpers.

template <typename T, std::size_t N>
const T* find_link(const T (&items)[N], int link) {
  for (const T& item : items)
    if (item.link == link) return &item;
  return nullptr;
}

const SalesGroupCode* find_group(std::string_view code) {
  for (const SalesGroupCode& group : kSalesGroups)
    if (code == group.code) return &group;
  return nullptr;
}

bool group_mapped(std::string_view code) {
  const SalesGroupCode* group = find_group(code);
  return group && *group->qbItem;
}

std::string ascii_slug(std::string_view text, std::size_t limit) {
  std::string slug;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 128 && std::isalnum(u)) slug += static_cast<char>(std::tolower(u));
    if (slug.size() >= limit) break;
  }
  return slug;
}

std::string join_lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    if (!text.empty()) text += "\r\n";
    text += line;
  }
  return text;
}

// Round half up of a non-negative value / divisor.
std::int64_t divide_rounded(std::int64_t value, std::int64_t divisor) {
  return (value * 2 + divisor) / (divisor * 2);
}

int ole_day(int year, int month, int day) {
  DateTime date;
  date.year = year;
  date.month = month;
  date.day = day;
  return static_cast<int>(std::lround(to_ole_date(date)));
}

void add_unique(std::vector<std::string>& names, const std::string& name) {
  if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
    names.push_back(name);
}

// ---------------------------------------------------------------------------------------
// Customers and suppliers, planned before anything is written so that the QuickBooks
// names can be listed without building a database.

struct Address {
  std::vector<std::string> lines;  // the lines above the city line
  std::string city, region, postal, country;
  std::string text;  // as Vantora keeps it: lines joined by CR LF
};

struct Party {
  int link{};
  std::string name;
  std::string qbName;  // empty when not exported
  bool nullQbName{};   // not exported and never touched: the column is Null
  const City* city{};
  Address billing;
  std::string shipping;
  std::string contactFirst, contactLast, tel, cell, fax, email, website;
  int industry{-1}, rep{-1}, terms{-1}, tax{-1};
  bool hasMailingAddress{};  // suppliers: address kept in myaddress, not in BAddress
  bool hidden{}, onHold{};
  int created{};
};

Address make_address(Rng& rng, const City& city) {
  Address a;
  a.city = city.name;
  a.region = city.region;
  a.country = city.canada ? "Canada" : "USA";
  if (city.canada) {
    a.postal = std::string(city.postal) + " " + rng.digits(1) +
               kPostalLetters[rng.below(static_cast<int>(std::size(kPostalLetters)) - 1)] +
               rng.digits(1);
  } else {
    a.postal = city.postal + rng.digits(2);
  }
  const char* streetName = !city.canada                            ? rng.pick(kUsStreets)
                           : std::string_view(city.region) == "QC" ? rng.pick(kQuebecStreets)
                                                                   : rng.pick(kCanadianStreets);
  const std::string street = std::to_string(rng.between(10, 9899)) + " " + streetName;
  const std::string unit = (city.canada ? "Unit " : "Suite ") + std::to_string(rng.between(2, 950));
  std::string cityLine = a.city + ", " + a.region + " " + a.postal;
  bool countryLine = false;
  const int form = rng.below(100);
  if (form < 45) {
    a.lines = {street};
  } else if (form < 65) {
    a.lines = {street, unit};
  } else if (form < 75) {
    a.lines = {"PO Box " + rng.digits(4) + (city.canada ? ", Station A" : "")};
  } else if (form < 85) {
    a.lines = {"Attn: Accounts Payable", street};
  } else if (form < 93) {
    a.lines = {street + ", " + unit};
    cityLine = a.city + " " + a.region + "  " + a.postal;
  } else {
    a.lines = {street};
    countryLine = true;
  }
  a.text = join_lines(a.lines) + "\r\n" + cityLine + (countryLine ? "\r\n" + a.country : "");
  return a;
}

const City& pick_city(Rng& rng) {
  // About a third of the business is in Canada.
  return rng.chance(30) ? kCities[rng.between(kFirstCanadianCity, kCityCount - 1)]
                        : kCities[rng.below(kFirstCanadianCity)];
}

void fill_contact(Rng& rng, Party& p) {
  p.contactFirst = rng.pick(kFirstNames);
  p.contactLast = rng.pick(kLastNames);
  const std::string area = p.city->area;
  p.tel = "(" + area + ") 555-01" + rng.digits(2);
  p.cell = rng.chance(60) ? "(" + area + ") 555-01" + rng.digits(2) : "";
  p.fax = rng.chance(30) ? "(" + area + ") 555-01" + rng.digits(2) : "";
  const std::string domain = ascii_slug(p.name, 16) + (p.city->canada ? ".ca" : ".com");
  p.email = ascii_slug(p.contactFirst, 12) + "." + ascii_slug(p.contactLast, 12) + "@" + domain;
  p.website = rng.chance(50) ? "www." + domain : "";
}

std::string unique_name(Rng& rng, std::unordered_set<std::string>& taken,
                        const char* const* suffixes, int suffixCount, const City& city, int link) {
  std::string name = std::string(rng.pick(kNamePrefixes)) + " " + suffixes[rng.below(suffixCount)];
  if (taken.count(name)) name += std::string(" ") + city.name;
  if (taken.count(name)) name += " " + std::to_string(link);
  return name;
}

int customer_tax(const City& city) {
  if (city.canada) return std::string_view(city.region) == "ON" ? kTaxHst : kTaxGst;
  const std::string_view region = city.region;
  if (region == "CA") return kTaxCalifornia;
  if (region == "NY") return kTaxNewYork;
  if (region == "TX") return kTaxTexas;
  return kTaxOutOfState;
}

constexpr int kCustomerLinkBase = 1001;
constexpr int kSupplierLinkBase = 501;
constexpr int kMaintLinkBase = 1001;  // myaddress links; the code tables use lower links

std::vector<Party> plan_customers(const DemoOptions& options) {
  Rng rng(options.seed, kCustomers);
  std::vector<Party> customers;
  std::unordered_set<std::string> taken;
  const int count = std::max(0, options.customers);
  customers.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    Party c;
    c.link = kCustomerLinkBase + i;
    c.city = &pick_city(rng);
    c.name = i < static_cast<int>(std::size(kSpecialCustomers))
                 ? kSpecialCustomers[i]
                 : unique_name(rng, taken, kCustomerSuffixes,
                               static_cast<int>(std::size(kCustomerSuffixes)), *c.city, c.link);
    taken.insert(c.name);
    const bool exported = i == 0 || (i != kLongNameCustomer && rng.chance(50));
    if (exported && char_count(c.name) <= kQuickBooksNameLength) c.qbName = c.name;
    c.nullQbName = c.qbName.empty() && (i == kLongNameCustomer || rng.chance(10));
    // Every twentieth customer has no billing address.
    if (i % 20 != 5) c.billing = make_address(rng, *c.city);
    const int ship = rng.below(100);
    if (ship < 50)
      c.shipping = c.billing.text;
    else if (ship < 75)
      c.shipping = make_address(rng, *c.city).text;
    fill_contact(rng, c);
    // Every tenth customer uses one of the unmapped codes, at fixed places.
    const bool unmapped = options.unmappedCodes;
    c.industry = unmapped && i % 10 == 4 ? kIndustryUnmapped : kIndustries[rng.below(4)].link;
    c.rep = unmapped && i % 10 == 8 ? kRepUnmapped : kUsers[rng.below(4)].link;
    c.terms = unmapped && i % 10 == 6 ? kTermsUnmapped : kTerms[rng.below(4)].link;
    c.tax = unmapped && i % 10 == 9 ? kTaxUnmapped : customer_tax(*c.city);
    c.hidden = rng.chance(2);
    c.onHold = rng.chance(3);
    c.created = rng.below(60);
    customers.push_back(std::move(c));
  }
  return customers;
}

std::vector<Party> plan_suppliers(const DemoOptions& options) {
  Rng rng(options.seed, kSuppliers);
  std::vector<Party> suppliers;
  std::unordered_set<std::string> taken;
  const int count = std::max(0, options.suppliers);
  suppliers.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    Party s;
    s.link = kSupplierLinkBase + i;
    s.city = &pick_city(rng);
    s.name = i < static_cast<int>(std::size(kSpecialSuppliers))
                 ? kSpecialSuppliers[i]
                 : unique_name(rng, taken, kSupplierSuffixes,
                               static_cast<int>(std::size(kSupplierSuffixes)), *s.city, s.link);
    taken.insert(s.name);
    if ((i == 0 || rng.chance(50)) && char_count(s.name) <= kQuickBooksNameLength)
      s.qbName = s.name;
    s.nullQbName = s.qbName.empty() && rng.chance(10);
    s.billing = make_address(rng, *s.city);
    // Suppliers brought over from QuickBooks keep their address in myaddress.
    s.hasMailingAddress = rng.chance(25);
    fill_contact(rng, s);
    s.terms = rng.chance(30) ? -1 : kTerms[rng.below(4)].link;
    s.created = rng.below(60);
    suppliers.push_back(std::move(s));
  }
  return suppliers;
}

// ---------------------------------------------------------------------------------------
// Multi-row INSERT statements, a few hundred rows each, run through the database seam.

class Inserter {
 public:
  Inserter(Database& db, std::string_view table, std::string_view columns)
      : db_(db),
        head_("INSERT INTO " + std::string(table) + " (" + std::string(columns) + ") VALUES ") {}

  Inserter& row() {
    if (rows_ >= kMaxRows || sql_.size() >= kMaxBytes) flush();
    sql_ += rows_ == 0 ? head_ + "(" : std::string("),(");
    ++rows_;
    first_ = true;
    return *this;
  }
  Inserter& text(std::string_view value) {
    separate();
    sql_ += '\'';
    sql_ += sql_quote(value);
    sql_ += '\'';
    return *this;
  }
  Inserter& integer(std::int64_t value) {
    separate();
    sql_ += std::to_string(value);
    return *this;
  }
  Inserter& money(std::int64_t cents) {
    separate();
    sql_ += hundredths_text(cents);
    return *this;
  }
  Inserter& number(double value) {
    separate();
    sql_ += number_text(value);
    return *this;
  }
  Inserter& literal(std::string_view value) {
    separate();
    sql_ += value;
    return *this;
  }
  Inserter& null() { return literal("NULL"); }

  void flush() {
    if (rows_ == 0) return;
    sql_ += ')';
    db_.execute(sql_);
    sql_.clear();
    rows_ = 0;
  }

 private:
  static constexpr int kMaxRows = 400;
  static constexpr std::size_t kMaxBytes = 256 * 1024;

  void separate() {
    if (!first_) sql_ += ',';
    first_ = false;
  }

  Database& db_;
  std::string head_;
  std::string sql_;
  int rows_{};
  bool first_{true};
};

// ---------------------------------------------------------------------------------------
// The database builder.

struct Order {
  int number{};
  int customer{};  // index into the customers
  bool workOrder{};
  int date{};
  int salesRep{};
  int taxType{};
  bool resale{};
  std::string prefix, description, notes, customerPO, className;
  std::int64_t total{}, tax{}, discount{}, net{}, balance{};
  bool exportable{};  // every code it uses is mapped and its customer is in QuickBooks
  bool exported{};
  bool nullQuickBooks{};
  std::string txn, xmlAdd;
  double exportTime{};
  int postId{};
  bool deposit{};
};

struct Allocation {
  int order;  // index into the orders
  std::int64_t amount;
};

struct Payment {
  int customer{};
  int date{};
  std::int64_t amount{};
  int method{};
  std::string reference, comment;
  bool pos{}, voided{};
  std::vector<Allocation> allocations;  // to invoices
  std::vector<Allocation> deposits;     // to work orders
  int generated{};                      // order of generation, to keep the sort stable
};

struct WorkOrderLine {
  int woNumber;
  int date;
  int detailId;
  std::string group;
};

class DemoBuilder {
 public:
  DemoBuilder(Database& db, const DemoOptions& options)
      : db_(db),
        options_(options),
        customers_(plan_customers(options)),
        suppliers_(plan_suppliers(options)) {
    firstDay_ = ole_day(2025, 1, 2);
    lastDay_ = ole_day(2026, 12, 31);
  }

  void run() {
    write_code_tables();
    build_orders();
    build_payments();
    write_orders();
    write_payments();
    write_customers();
    write_suppliers();
    write_purchase_orders();
    write_company();
  }

 private:
  // An OLE time of export: the day after `day`, during office hours.
  double export_time(Rng& rng, int day) const {
    const int sent = std::min(day + 1 + rng.below(3), lastDay_);
    return sent + (9 * 60 + rng.below(8 * 60)) / 1440.0;
  }

  // QuickBooks transaction ids look like "1A3F-1735862400".
  std::string next_txn_id() {
    ++txnCounter_;
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", 0x1000 + txnCounter_);
    return std::string(hex) + "-" + std::to_string(1735862400 + std::int64_t{txnCounter_} * 61);
  }

  void write_code_tables() {
    Inserter tax(db_, "tax", "Link, Description, Rate, QBLink, Hide, WebAccount, taxGroupXML");
    for (const TaxType& t : kTaxTypes)
      tax.row()
          .integer(t.link)
          .text(t.description)
          .literal(t.rate)
          .text(t.qbItem)
          .integer(0)
          .text("")
          .text("");
    tax.flush();

    Inserter lineTax(db_, "LineTax", "Link, Code, Description, Taxable, QuickBooks");
    for (const LineTaxCode& t : kLineTaxes)
      lineTax.row()
          .integer(t.link)
          .text(t.code)
          .text(t.description)
          .integer(t.taxable)
          .text(t.qbCode);
    lineTax.flush();

    Inserter terms(db_, "Terms", "Link, Description, Days, Hide, QuickBooks");
    for (const TermsCode& t : kTerms)
      terms.row()
          .integer(t.link)
          .text(t.description)
          .integer(t.days)
          .integer(t.hide)
          .text(t.qbTerms);
    terms.flush();

    Inserter users(db_, "Users", "Link, FirstName, LastName, Email, AllowSales, QuickBooks");
    for (const User& u : kUsers)
      users.row()
          .integer(u.link)
          .text(u.firstName)
          .text(u.lastName)
          .text(ascii_slug(u.firstName, 12) + "@vantora-demo.com")
          .integer(u.allowSales)
          .text(u.initials);
    users.flush();

    Inserter groups(db_, "SalesGroup", "id, Code, Description, QB, QB_P, Hide");
    for (const SalesGroupCode& g : kSalesGroups)
      groups.row()
          .integer(g.id)
          .text(g.code)
          .text(g.description)
          .text(g.qbItem)
          .text(g.qbItem)
          .integer(g.hide);
    groups.flush();

    Inserter methods(db_, "CustPaymentMethods", "Link, Description, QuickBooks, QBLedger");
    for (const PaymentMethod& m : kPaymentMethods)
      methods.row().integer(m.link).text(m.description).text(m.qbMethod).text(m.qbLedger);
    methods.flush();

    Inserter industries(db_, "CustIndustry", "Link, Description, QuickBooks");
    for (const Industry& i : kIndustries)
      industries.row().integer(i.link).text(i.description).text(i.qbType);
    industries.flush();

    Inserter classes(db_, "QBClass", "Link, Description");
    for (const ClassName& c : kClasses) classes.row().integer(c.link).text(c.name);
    classes.flush();

    Inserter statuses(db_, "custSOStatus", "Link, Description");
    int link = 71;
    for (const char* status : kOrderStatuses) statuses.row().integer(link++).text(status);
    statuses.flush();

    Inserter settings(db_, "QuickBooks", "id, Discount");
    settings.row().integer(1).text(kDiscountItem);
    settings.flush();

    Inserter preferences(db_, "Preferences", "Form, Description, Value, User");
    preferences.row().text("GetNewLink").text("QBClass").text("54").integer(-2);
    preferences.row().text("frmCustomers").text("DefaultTerms").text("23").integer(-2);
    preferences.row().text("frmInvoice").text("DefaultPrefix").text("ES").integer(31);
    preferences.flush();
  }

  int line_tax_for(const Order& order, std::string_view group) const {
    if (order.taxType == kTaxOutOfState) return kLineOutOfState;
    if (order.resale && options_.unmappedCodes) return kLineResale;
    if (order.taxType == kTaxGst || order.taxType == kTaxHst) return kLineTaxable;
    const bool goods = group == "GAR" || group == "PRO" || group == "EMB" || group == "SCR";
    return goods ? kLineTaxable : kLineNonTaxable;
  }

  // Builds one order, writing its lines; the header is written after the payments.
  void build_order(Rng& rng, Inserter& lines, int index, bool workOrder, int total) {
    Order o;
    o.number = 10001 + index;
    o.workOrder = workOrder;
    o.customer = rng.below(static_cast<int>(customers_.size()));
    const Party& c = customers_[static_cast<std::size_t>(o.customer)];
    o.date = firstDay_ + static_cast<int>(static_cast<std::int64_t>(index) *
                                          (lastDay_ - firstDay_ - 30) / total);
    o.salesRep = rng.chance(90) ? c.rep : kUsers[rng.below(options_.unmappedCodes ? 5 : 4)].link;
    o.taxType = c.tax;
    o.resale = index % 25 == 11 || (c.industry == kIndustryWholesale && rng.chance(25));
    o.prefix = rng.pick({"ES", "SP", "PR"});
    o.description = rng.pick(kOrderDescriptions);
    o.notes = rng.chance(50) ? "" : rng.pick(kOrderNotes);
    const int po = rng.below(100);
    if (po < 55)
      o.customerPO = "PO " + rng.digits(5);
    else if (po < 60)
      o.customerPO = "BLANKET PO 2025-ANNUAL-SUPPLY-" + rng.digits(4);
    if (index % 20 == 3 && options_.unmappedCodes)
      o.className = kClassUnmapped;
    else if (rng.chance(50))
      o.className = kClasses[rng.below(3)].name;

    const TaxType* tax = find_link(kTaxTypes, o.taxType);
    bool allMapped =
        *tax->qbItem && *find_link(kUsers, o.salesRep)->initials && o.className != kClassUnmapped;
    std::int64_t subtotal = 0, taxable = 0;
    int lineNumber = 0;
    const int amortize = rng.chance(10) ? 1 : 0;

    auto add_line = [&](std::string_view type, std::string_view style, std::string_view description,
                        std::string_view color, std::string_view size, int qty, int priceCents,
                        std::string_view group, int amortizeGroup) {
      const bool item = type == "Inventory" || type == "Service";
      const int charge = qty >= 48
                             ? static_cast<int>(divide_rounded(std::int64_t{priceCents} * 95, 100))
                             : priceCents;
      const int lineTax = item ? line_tax_for(o, group) : 0;
      const int id = ++detailId_;
      lines.row()
          .integer(id)
          .integer(o.number)
          .integer(++lineNumber)
          .text(type)
          .integer(type == "Remark" ? (rng.chance(60) ? 1 : 0) : 0)
          .text(style)
          .text(description)
          .text(color)
          .text(size)
          .integer(qty)
          .money(priceCents)
          .integer(qty)
          .money(charge)
          .text(group)
          .integer(lineTax)
          .integer(amortizeGroup)
          .text(o.className);
      if (!item) return;
      const std::int64_t amount = std::int64_t{charge} * qty;
      subtotal += amount;
      if (lineTax == kLineTaxable) taxable += amount;
      if (!group_mapped(group) || !*find_link(kLineTaxes, lineTax)->qbCode) allMapped = false;
      if (workOrder && type == "Inventory")
        woLines_.push_back({o.number, o.date, id, std::string(group)});
    };

    if (options_.linesPerInvoice > 0) {
      for (int i = 0; i < options_.linesPerInvoice; ++i) {
        const Product& p = kProducts[rng.below(7)];
        add_line("Inventory", p.style, p.description, rng.pick(kColors), "", rng.between(6, 72),
                 p.priceCents + 5 * rng.between(-10, 10), p.group, amortize);
      }
    } else {
      if (rng.chance(10)) add_line("Remark", "", rng.pick(kRemarks), "", "", 0, 0, "", 0);
      int decoratedQty = 0;
      const int items = rng.between(1, 4);
      for (int i = 0; i < items; ++i) {
        const Product& p = rng.chance(85) ? kProducts[rng.below(7)] : kProducts[rng.between(7, 9)];
        const int qty = rng.between(6, 72);
        const int price = p.priceCents + 5 * rng.between(-10, 10);
        add_line("Inventory", p.style, p.description, rng.chance(85) ? rng.pick(kColors) : "",
                 std::string_view(p.group) == "GAR" && rng.chance(60) ? rng.pick(kSizes) : "", qty,
                 price, p.group, amortize);
        if (std::string_view(p.group) == "GAR") decoratedQty += qty;
      }
      if (decoratedQty > 0 && rng.chance(70)) {
        const Charge& d = rng.pick(kDecorations);
        add_line("Service", "", d.description, "", "", decoratedQty, d.priceCents, d.group,
                 amortize);
      }
      if (rng.chance(25)) add_line("Separator", "", kSeparator, "", "", 0, 0, "", 0);
      if (rng.chance(40))
        add_line("Service", "", kArtwork.description, "", "", 1,
                 kArtwork.priceCents + 500 * rng.below(7), kArtwork.group, 0);
      if (rng.chance(20))
        add_line("Service", "", kDigitizing.description, "", "", 1, kDigitizing.priceCents,
                 kDigitizing.group, 0);
      if (rng.chance(50))
        add_line("Service", "", kShipping.description, "", "", 1,
                 kShipping.priceCents + 25 * rng.below(100), kShipping.group, 0);
      if (index % 30 == 17)
        add_line("Service", "", kRush.description, "", "", 1, kRush.priceCents, kRush.group, 0);
      if (rng.chance(35)) add_line("Remark", "", rng.pick(kRemarks), "", "", 0, 0, "", 0);
    }

    // The discount is kept as a negative amount.
    if (rng.chance(8)) o.discount = -divide_rounded(subtotal * 5, 100);
    o.total = subtotal + o.discount;
    o.tax = divide_rounded(taxable * tax->thousandths, 100000);
    o.net = o.total + o.tax;
    o.balance = workOrder ? 0 : o.net;
    o.exportable = !workOrder && allMapped && !c.qbName.empty();
    o.exported = o.exportable && rng.chance(40);
    if (o.exported) {
      o.txn = next_txn_id();
      o.exportTime = export_time(rng, o.date);
      o.xmlAdd = "<OrderInfo><QBReference>" + o.txn + "</QBReference></OrderInfo>";
    } else {
      o.nullQuickBooks = rng.chance(5);
      if (rng.chance(10)) o.xmlAdd = "<OrderInfo><Source>Web store</Source></OrderInfo>";
    }
    orders_.push_back(std::move(o));
  }

  void build_orders() {
    if (customers_.empty()) return;
    const int invoices = std::max(0, options_.invoices);
    const int workOrders = invoices / 5;
    const int total = invoices + workOrders;
    Rng rng(options_.seed, kOrders);
    Inserter lines(
        db_, "custsodetail",
        "id, SONumber, LineNumber, LineType, PrintLine, Style, Description, Color, Size, Qty, "
        "UnitPrice, AdjustedQty, LineChargeAdjusted, SalesGroup, Tax1, AmortizeGroup, QBClass");
    orders_.reserve(static_cast<std::size_t>(total));
    // The most recent orders are still work orders.
    for (int i = 0; i < total; ++i) build_order(rng, lines, i, i >= invoices, total);
    lines.flush();
  }

  std::string payment_reference(Rng& rng, int method) {
    if (rng.chance(4)) return "REMITTANCE ADVICE 2025-" + rng.digits(6);
    switch (method) {
      case kMethodCash:
        return "";
      case kMethodCheque:
        return "Chq " + rng.digits(rng.between(4, 6));
      case kMethodWire:
        return "WIRE-" + rng.digits(6);
      case kMethodUnmapped:
        return "GC-" + rng.digits(5);
      default:
        return "Auth " + rng.digits(6);
    }
  }

  void build_payments() {
    const int count = std::max(0, options_.payments);
    if (customers_.empty() || count == 0) return;
    Rng rng(options_.seed, kPayments);
    // Open invoices, with their position for removal in constant time.
    std::vector<int> open;
    std::vector<int> openAt(orders_.size(), -1);
    std::vector<std::vector<int>> byCustomer(customers_.size());
    std::vector<int> workOrders;
    for (std::size_t i = 0; i < orders_.size(); ++i) {
      const Order& o = orders_[i];
      if (o.workOrder) {
        workOrders.push_back(static_cast<int>(i));
      } else if (o.net > 0) {
        openAt[i] = static_cast<int>(open.size());
        open.push_back(static_cast<int>(i));
        byCustomer[static_cast<std::size_t>(o.customer)].push_back(static_cast<int>(i));
      }
    }
    std::vector<std::size_t> cursor(customers_.size(), 0);
    auto close = [&](int index) {
      const int at = openAt[static_cast<std::size_t>(index)];
      if (at < 0) return;
      const int last = open.back();
      open[static_cast<std::size_t>(at)] = last;
      openAt[static_cast<std::size_t>(last)] = at;
      open.pop_back();
      openAt[static_cast<std::size_t>(index)] = -1;
    };
    auto apply = [&](Payment& p, int index, std::int64_t amount) {
      Order& o = orders_[static_cast<std::size_t>(index)];
      o.balance -= amount;
      p.allocations.push_back({index, amount});
      p.amount += amount;
      p.date = std::max(p.date, std::min(o.date + rng.between(3, 40), lastDay_));
      if (o.balance == 0) close(index);
    };

    payments_.reserve(static_cast<std::size_t>(count));
    for (int n = 0; n < count; ++n) {
      Payment p;
      p.generated = n;
      const int method = rng.below(100);
      p.method = n % 15 == 6 && options_.unmappedCodes ? kMethodUnmapped
                 : method < 15                         ? kMethodCash
                 : method < 50                         ? kMethodCheque
                 : method < 72                         ? 43
                 : method < 90                         ? 44
                                                       : kMethodWire;
      p.reference = payment_reference(rng, p.method);
      // Every twenty-fifth payment is a sale at the counter, and as many again were voided.
      const bool pos = n % 25 == 12;
      const bool voided = n % 25 == 24;
      const int kind = pos || voided ? 100 : rng.below(100);
      if (kind < 75 && !open.empty()) {
        const int index = open[static_cast<std::size_t>(rng.below(static_cast<int>(open.size())))];
        const Order& o = orders_[static_cast<std::size_t>(index)];
        p.customer = o.customer;
        if (rng.chance(70) || o.balance < 200) {
          apply(p, index, o.balance);
          // Sometimes the cheque also settles the customer's oldest other open invoice.
          auto& list = byCustomer[static_cast<std::size_t>(p.customer)];
          auto& at = cursor[static_cast<std::size_t>(p.customer)];
          while (at < list.size() && orders_[static_cast<std::size_t>(list[at])].balance == 0) ++at;
          if (at < list.size() && rng.chance(25))
            apply(p, list[at], orders_[static_cast<std::size_t>(list[at])].balance);
        } else {
          const std::int64_t part = o.balance * rng.between(30, 80) / 100 / 100 * 100;
          apply(p, index, std::max<std::int64_t>(part, 100));
        }
      } else if (kind < 87 && !workOrders.empty()) {
        const int index = rng.pick(workOrders);
        Order& o = orders_[static_cast<std::size_t>(index)];
        p.customer = o.customer;
        p.amount = std::max<std::int64_t>(o.net / 2 / 100 * 100, 100);
        p.deposits.push_back({index, p.amount});
        p.date = std::min(o.date + rng.below(10), lastDay_);
        o.deposit = true;
        p.comment = "Deposit for order " + std::to_string(o.number);
      } else {
        p.customer = rng.below(static_cast<int>(customers_.size()));
        p.amount = 100 * rng.between(50, 500);
        p.date = firstDay_ + rng.below(lastDay_ - firstDay_ + 1);
        p.pos = pos;
        p.voided = voided;
      }
      if (p.comment.empty() && rng.chance(30))
        p.comment =
            rng.pick({"Thank you!", "Paid at counter", "Customer's cheque post-dated <1 week>"});
      payments_.push_back(std::move(p));
    }
    std::sort(payments_.begin(), payments_.end(), [](const Payment& a, const Payment& b) {
      return a.date != b.date ? a.date < b.date : a.generated < b.generated;
    });
  }

  void write_orders() {
    Inserter rows(
        db_, "CustSO",
        "Number, Customer, Status, Prefix, InvDate, Description, Notes, CustomerPO, "
        "BillingAddress, ShipAddress, SalesRep, TaxType1, TaxPercentage1, TaxAmount1, DiscAmount, "
        "Total, NetTotal, PaymentStatus, QuickBooks, QuickBooksDS, QuickBooksRef, xmlAdd");
    Inserter posts(
        db_, "CustPost",
        "id, Customer, Date, Trans, Description, reference, Rep, Debit, Credit, outstanding, "
        "ChargeTax1, ChargeTax2, Notes, ReceiptNumber, WONumber");
    for (Order& o : orders_) {
      const Party& c = customers_[static_cast<std::size_t>(o.customer)];
      const int paymentStatus = o.workOrder          ? (o.deposit ? 2 : 0)
                                : o.balance == 0     ? 1
                                : o.balance == o.net ? 0
                                                     : 2;
      rows.row()
          .integer(o.number)
          .integer(c.link)
          .integer(o.workOrder ? 3 : 4)
          .text(o.prefix)
          .integer(o.date)
          .text(o.description)
          .text(o.notes)
          .text(o.customerPO)
          .text(c.billing.text)
          .text(c.shipping)
          .integer(o.salesRep)
          .integer(o.taxType)
          .literal(find_link(kTaxTypes, o.taxType)->rate)
          .money(o.tax)
          .money(o.discount)
          .money(o.total)
          .money(o.net)
          .integer(paymentStatus);
      if (o.exported)
        rows.integer(1).number(o.exportTime).text(std::to_string(o.number));
      else if (o.nullQuickBooks)
        rows.null().null().text("");
      else
        rows.integer(0).null().text("");
      rows.text(o.xmlAdd);
      if (o.workOrder) continue;
      o.postId = ++postId_;
      balances_[static_cast<std::size_t>(o.customer)] += o.balance;
      posts.row()
          .integer(o.postId)
          .integer(c.link)
          .integer(o.date)
          .text("INV")
          .text("Invoice " + std::to_string(o.number))
          .text(std::to_string(o.number))
          .integer(o.salesRep)
          .money(o.net)
          .money(0)
          .money(o.balance)
          .integer(-1)
          .integer(-1)
          .text("")
          .integer(0)
          .integer(o.number);
    }
    rows.flush();
    posts.flush();
  }

  void write_payments() {
    Rng rng(options_.seed ^ 0x5A5Au, kPayments);
    Inserter rows(
        db_, "CustPayments",
        "Number, Customer, Date, Amount, Method, Reference, Comment, POS, Voided, QuickBooks, "
        "QuickBooksDS, QuickBooksRef");
    Inserter posts(
        db_, "CustPost",
        "id, Customer, Date, Trans, Description, reference, Rep, Debit, Credit, outstanding, "
        "ChargeTax1, ChargeTax2, Notes, ReceiptNumber, WONumber");
    Inserter allocations(db_, "CustAllocate", "CRef, DRef, Amount");
    Inserter deposits(db_, "CustWOPayments", "PostLink, WONumber, Amount");
    int number = 3001;
    for (const Payment& p : payments_) {
      const Party& c = customers_[static_cast<std::size_t>(p.customer)];
      bool exportable = !p.pos && !p.voided && p.deposits.empty() && !c.qbName.empty() &&
                        p.method != kMethodUnmapped;
      for (const Allocation& a : p.allocations)
        exportable = exportable && orders_[static_cast<std::size_t>(a.order)].exported;
      rows.row()
          .integer(number)
          .integer(c.link)
          .integer(p.date)
          .money(p.amount)
          .integer(p.method)
          .text(p.reference)
          .text(p.comment)
          .integer(p.pos ? 1 : 0)
          .integer(p.voided ? 1 : 0);
      if (exportable && rng.chance(60))
        rows.integer(1).number(export_time(rng, p.date)).text(next_txn_id());
      else if (rng.chance(5))
        rows.null().null().text("");
      else
        rows.integer(0).null().text("");

      std::int64_t allocated = 0;
      for (const Allocation& a : p.allocations) allocated += a.amount;
      const std::int64_t unallocated = p.voided ? 0 : p.amount - allocated;
      const int post = ++postId_;
      balances_[static_cast<std::size_t>(p.customer)] -= unallocated;
      posts.row()
          .integer(post)
          .integer(c.link)
          .integer(p.date)
          .text("PMT")
          .text("Receipt " + std::to_string(number))
          .text(p.reference)
          .integer(c.rep)
          .money(0)
          .money(p.amount)
          .money(unallocated)
          .integer(-1)
          .integer(-1)
          .text(p.comment)
          .integer(number)
          .integer(0);
      if (p.voided) {
        posts.row()
            .integer(++postId_)
            .integer(c.link)
            .integer(p.date)
            .text("JNL")
            .text("Voided receipt " + std::to_string(number))
            .text(p.reference)
            .integer(-1)
            .money(p.amount)
            .money(0)
            .money(0)
            .integer(-1)
            .integer(-1)
            .text("Cheque returned")
            .integer(0)
            .integer(0);
      }
      for (const Allocation& a : p.allocations)
        allocations.row()
            .integer(post)
            .integer(orders_[static_cast<std::size_t>(a.order)].postId)
            .money(a.amount);
      for (const Allocation& d : p.deposits)
        deposits.row()
            .integer(post)
            .integer(orders_[static_cast<std::size_t>(d.order)].number)
            .money(d.amount);
      ++number;
    }
    rows.flush();
    posts.flush();
    allocations.flush();
    deposits.flush();
  }

  void write_customers() {
    Rng rng(options_.seed, kCustomers + 100);
    Inserter rows(
        db_, "Customers",
        "Link, Description, Tel, Fax, Email, Website, Origination, OnHold, Hide, Industry, Area, "
        "Ship, Rep, BAddress, SADdress, CreditLimit, Disc, SetDisc, Deposit, Int, Terms, Type, "
        "PriceGroup, Tax1, Tax2, Contact, Tel2, TaxNumber, MailState, PrintState, PopNotes, Notes, "
        "Balance, P0, P1, P2, P3, P4, P5, DateCreated, DateLastEdited, Cell, SageAccountNumber, "
        "QBAccountNumber, DontLockQuote, DontLockWO, WebAccount, dateActive");
    Inserter contacts(
        db_, "CustContacts",
        "Customer, Name, Tel, Cell, EMail, Department, MailList, ShipAddress, BillingAddress, "
        "SaveAs, Tax, Tax2, Fax, Skype");
    for (std::size_t i = 0; i < customers_.size(); ++i) {
      const Party& c = customers_[i];
      const std::int64_t balance = balances_[i];
      const int created = firstDay_ + c.created;
      rows.row()
          .integer(c.link)
          .text(c.name)
          .text(c.tel)
          .text(c.fax)
          .text(c.email)
          .text(c.website)
          .integer(0)
          .integer(c.onHold ? 1 : 0)
          .integer(c.hidden ? 1 : 0)
          .integer(c.industry)
          .integer(-1)
          .text(rng.chance(30) ? "UPS Ground" : "")
          .integer(c.rep)
          .text(c.billing.text)
          .text(c.shipping)
          .money(100000 * rng.between(0, 10))
          .integer(c.industry == kIndustryWholesale ? 10 : 0)
          .integer(0)
          .integer(rng.chance(20) ? 50 : 0)
          .integer(0)
          .integer(c.terms)
          .integer(0)
          .integer(rng.below(3))
          .integer(c.tax)
          .integer(-1)
          .text(c.contactFirst + " " + c.contactLast)
          .text(rng.chance(20) ? c.cell : "")
          .text(c.industry == kIndustryWholesale ? "RS-" + rng.digits(6) : "")
          .integer(0)
          .integer(0)
          .text(rng.chance(10) ? "Always call before delivery" : "")
          .text(rng.chance(20) ? "Prefers e-mail invoices.\r\nNo Friday deliveries." : "")
          .money(balance)
          .money(balance)
          .money(0)
          .money(0)
          .money(0)
          .money(0)
          .money(0)
          .integer(created)
          .integer(std::min(created + rng.below(300), lastDay_))
          .text(c.cell)
          .text("");
      if (c.nullQbName)
        rows.null();
      else
        rows.text(c.qbName);
      rows.integer(0).integer(0).text("").integer(0);

      const int contactCount = rng.chance(40) ? 2 : 1;
      for (int k = 0; k < contactCount; ++k) {
        const std::string first = k == 0 ? c.contactFirst : rng.pick(kFirstNames);
        const std::string last = k == 0 ? c.contactLast : rng.pick(kLastNames);
        contacts.row()
            .integer(c.link)
            .text(first + " " + last)
            .text(c.tel)
            .text(k == 0 ? c.cell : "")
            .text(ascii_slug(first, 12) + "." + ascii_slug(last, 12) + "@" +
                  c.email.substr(c.email.find('@') + 1))
            .text(rng.pick(kDepartments))
            .integer(rng.chance(50) ? 1 : 0)
            .text("")
            .text("")
            .text(last + ", " + first)
            .integer(0)
            .integer(0)
            .text("")
            .text("");
      }
    }
    rows.flush();
    contacts.flush();
  }

  void write_suppliers() {
    Rng rng(options_.seed, kSuppliers + 100);
    Inserter rows(
        db_, "Suppliers",
        "Link, Description, Tel, Ext, Cell, Fax, Email, Website, OnHold, Hide, Industry, Area, "
        "Ship, "
        "BAddress, SADdress, CreditLimit, Disc, SetDisc, Int, Terms, Type, PriceGroup, Tax1, Tax2, "
        "Contact, Tel2, TaxNumber, MailState, PrintState, PopNotes, Notes, Balance, P0, P1, P2, "
        "P3, "
        "P4, P5, DateCreated, DateLastEdited, FreeShip, QBAccount, defShip, ASINumber, Category");
    Inserter addresses(
        db_, "myaddress",
        "Link, Description, AccountID, ContactID, AccountType, AddressType, Address1, Address2, "
        "Address3, Address4, City, State, Zip, Country, Tax1, Tax2, Ship");
    for (const Party& s : suppliers_) {
      const int created = firstDay_ + s.created;
      rows.row()
          .integer(s.link)
          .text(s.name)
          .text(s.tel)
          .text(rng.chance(30) ? "x" + rng.digits(3) : "")
          .text(s.cell)
          .text(s.fax)
          .text(s.email)
          .text(s.website)
          .integer(0)
          .integer(0)
          .integer(-1)
          .integer(-1)
          .text("")
          .text(s.hasMailingAddress ? "" : s.billing.text)
          .text("")
          .money(0)
          .integer(0)
          .integer(0)
          .integer(0)
          .integer(s.terms)
          .integer(0)
          .integer(0)
          .integer(-1)
          .integer(-1)
          .text(s.contactFirst + " " + s.contactLast)
          .text("")
          .text("")
          .integer(0)
          .integer(0)
          .text("")
          .text(rng.chance(20) ? "Minimum order $250" : "")
          .money(0)
          .money(0)
          .money(0)
          .money(0)
          .money(0)
          .money(0)
          .money(0)
          .integer(created)
          .integer(std::min(created + rng.below(300), lastDay_))
          .money(rng.chance(30) ? 50000 : 0);
      if (s.nullQbName)
        rows.null();
      else
        rows.text(s.qbName);
      rows.integer(-1).text(rng.chance(25) ? "ASI/" + rng.digits(5) : "").integer(-1);

      if (!s.hasMailingAddress) continue;
      const auto line = [&](std::size_t k) {
        return k < s.billing.lines.size() ? s.billing.lines[k] : "";
      };
      addresses.row()
          .integer(kMaintLinkBase + mailingAddresses_++)
          .text("Mailing Address")
          .integer(s.link)
          .integer(-1)
          .integer(2)
          .integer(1)
          .text(line(0))
          .text(line(1))
          .text(line(2))
          .text(line(3))
          .text(s.billing.city)
          .text(s.billing.region)
          .text(s.billing.postal)
          .text(s.billing.country)
          .integer(0)
          .integer(0)
          .text("");
    }
    rows.flush();
    addresses.flush();
  }

  void write_purchase_orders() {
    const int count = std::max(0, options_.purchaseOrders);
    if (suppliers_.empty() || count == 0) return;
    Rng rng(options_.seed, kPurchaseOrders);
    Inserter rows(
        db_, "SuppPO",
        "Number, Supplier, Date, DueDate, Confirmation, VendorRef, Subtotal, GoodsIn, Address1, "
        "Address2, Address3, Address4, City, State, Zip, Notes, Void, Revision, SendQB, QBRef, "
        "QBURef, QBGoods");
    Inserter lines(db_, "SuppPODetail",
                   "PONumber, LineNumber, RemarkLine, SalesGroup, WOLink, WONumber, Style, "
                   "Description, Color, "
                   "Size, SizeOrder, rank, UnitCost, Qty, Notes");
    for (int k = 0; k < count; ++k) {
      const int number = 7001 + k;
      const Party& s =
          suppliers_[static_cast<std::size_t>(rng.below(static_cast<int>(suppliers_.size())))];
      const int date =
          firstDay_ + 4 +
          static_cast<int>(static_cast<std::int64_t>(k) * (lastDay_ - firstDay_ - 40) / count);
      // Every twentieth order is void, and as many were made before the current revision.
      const bool isVoid = k % 20 == 7;
      const bool old = k % 20 == 13;
      bool allMapped = true;
      std::int64_t subtotal = 0;

      const int lineCount = rng.between(1, 4);
      int lineNumber = 0;
      for (int l = 0; l < lineCount; ++l) {
        ++lineNumber;
        const Product& p = kProducts[rng.below(static_cast<int>(std::size(kProducts)))];
        // Bought for a work order taken in the six weeks before or the two weeks after.
        const auto from =
            std::lower_bound(woLines_.begin(), woLines_.end(), date - 42,
                             [](const WorkOrderLine& w, int d) { return w.date < d; });
        const auto to = std::upper_bound(woLines_.begin(), woLines_.end(), date + 14,
                                         [](int d, const WorkOrderLine& w) { return d < w.date; });
        const WorkOrderLine* wo = from < to && rng.chance(40)
                                      ? &*(from + rng.below(static_cast<int>(to - from)))
                                      : nullptr;
        std::string group = p.group;
        if (wo && rng.chance(50)) group.clear();  // taken from the work-order line on export
        if (group.empty()) allMapped = false;
        const std::string color = rng.pick(kColors);
        const int sizes = std::string_view(p.group) == "GAR" ? rng.between(1, 3) : 1;
        const int firstSize = rng.below(static_cast<int>(std::size(kSizes)) - sizes + 1);
        for (int r = 0; r < sizes; ++r) {
          const int qty = 6 * rng.between(1, 8);
          const int cost = p.costCents + 5 * rng.between(-5, 5);
          subtotal += std::int64_t{cost} * qty;
          lines.row()
              .integer(number)
              .integer(lineNumber)
              .integer(0)
              .text(group)
              .integer(wo ? wo->detailId : 0)
              .integer(wo ? wo->woNumber : 0)
              .text(p.style)
              .text(p.description)
              .text(color)
              .text(sizes > 1 || std::string_view(p.group) == "GAR" ? kSizes[firstSize + r] : "")
              .integer(firstSize + r + 1)
              .integer(r + 1)
              .money(cost)
              .integer(qty)
              .text(wo ? "" : (rng.chance(30) ? "For stock" : ""));
        }
      }
      if (rng.chance(4)) {
        ++lineNumber;
        allMapped = false;
        subtotal += 4500;
        lines.row()
            .integer(number)
            .integer(lineNumber)
            .integer(0)
            .text("RUSH")
            .integer(0)
            .integer(0)
            .text("FRT")
            .text("Expedited freight")
            .text("")
            .text("")
            .integer(0)
            .integer(1)
            .money(4500)
            .integer(1)
            .text("");
      }
      if (rng.chance(15)) {
        ++lineNumber;
        lines.row()
            .integer(number)
            .integer(lineNumber)
            .integer(1)
            .text("")
            .integer(0)
            .integer(0)
            .text("")
            .text("Please ship via UPS Ground - account 4X7-991")
            .text("")
            .text("")
            .integer(0)
            .integer(1)
            .money(0)
            .integer(0)
            .text("");
      }

      const bool delivered = date < lastDay_ - 60;
      const std::string goodsIn = delivered ? (rng.chance(80) ? "Yes" : "Partial") : "No";
      const bool exportable = !isVoid && !old && allMapped && !s.qbName.empty();
      rows.row()
          .integer(number)
          .integer(s.link)
          .integer(date)
          .integer(date + rng.between(7, 30))
          .text(rng.chance(70) ? "CONF-" + rng.digits(5) : "")
          .text(rng.chance(60) ? "SO" + rng.digits(6) : "");
      rows.money(subtotal).text(goodsIn);
      if (rng.chance(15) && !customers_.empty()) {
        // Drop-shipped to a customer.
        const Party& c =
            customers_[static_cast<std::size_t>(rng.below(static_cast<int>(customers_.size())))];
        const Address a = make_address(rng, *c.city);
        rows.text(c.name)
            .text(a.lines[0])
            .text(a.lines.size() > 1 ? a.lines[1] : "")
            .text("")
            .text(a.city)
            .text(a.region)
            .text(a.postal);
      } else {
        rows.text("Vantora Demo Apparel Co.")
            .text("1450 Industrial Pkwy")
            .text("Dock 4")
            .text("")
            .text("Sacramento")
            .text("CA")
            .text("95815");
      }
      rows.text(rng.chance(50)
                    ? ""
                    : rng.pick({"Ship complete only", "Call Bob @ dock 4 before delivery",
                                "Invoice must quote our PO #"}))
          .integer(isVoid ? 1 : 0)
          .integer(old ? 200805 : 202500 + rng.between(1, 52));
      if (exportable && rng.chance(40)) {
        rows.number(export_time(rng, date))
            .text(std::to_string(number))
            .text(next_txn_id())
            .text("No");
      } else {
        if (rng.chance(10))
          rows.null();
        else
          rows.integer(0);
        rows.text("").text("").text("");
      }
    }
    rows.flush();
    lines.flush();
  }

  void write_company() {
    Inserter comp(db_, "comp", "Link, Name, NextMaintLink, NextCustLink, NextSuppLink");
    comp.row()
        .integer(1)
        .text("Vantora Demo Apparel Co.")
        .integer(kMaintLinkBase + mailingAddresses_)
        .integer(kCustomerLinkBase + static_cast<int>(customers_.size()))
        .integer(kSupplierLinkBase + static_cast<int>(suppliers_.size()));
    comp.flush();
  }

  Database& db_;
  DemoOptions options_;
  std::vector<Party> customers_;
  std::vector<Party> suppliers_;
  std::vector<Order> orders_;
  std::vector<Payment> payments_;
  std::vector<WorkOrderLine> woLines_;
  std::vector<std::int64_t> balances_ = std::vector<std::int64_t>(customers_.size(), 0);
  int firstDay_{};
  int lastDay_{};
  int txnCounter_{};
  int detailId_{};
  int postId_{};
  int mailingAddresses_{};
};

}  // namespace

void create_demo_vantora_database(const std::string& path, const DemoOptions& options) {
  if (std::filesystem::exists(path)) throw VqbError(58, "File already exists: " + path);
  try {
    auto db = create_database(path);
    Transaction transaction(*db);
    db->executeScript(embedded::kVantoraSchemaSql);
    DemoBuilder(*db, options).run();
    transaction.commit();
  } catch (...) {
    // Leave no half-built file behind (the connection is closed by now).
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    std::filesystem::remove(path + "-journal", ignored);
    throw;
  }
}

DemoQuickBooksNames demo_quickbooks_names(const DemoOptions& options) {
  DemoQuickBooksNames names;
  for (const SalesGroupCode& g : kSalesGroups) {
    add_unique(names.items, g.qbItem);
    if (*g.qbItem) names.itemTypes[g.qbItem] = g.itemType;
  }
  add_unique(names.discountItems, kDiscountItem);
  names.itemTypes[kDiscountItem] = "Discount";
  for (const TaxType& t : kTaxTypes) {
    add_unique(names.salesTaxItems, t.qbItem);
    if (*t.qbItem) names.salesTaxRates[t.qbItem] = t.thousandths / 1000.0;
  }
  for (const LineTaxCode& t : kLineTaxes) {
    add_unique(names.salesTaxCodes, t.qbCode);
    if (*t.qbCode) names.salesTaxCodeTaxable[t.qbCode] = t.taxable == 1;
  }
  for (const TermsCode& t : kTerms) add_unique(names.terms, t.qbTerms);
  for (const User& u : kUsers) {
    add_unique(names.salesReps, u.initials);
    if (*u.initials) names.salesRepNames[u.initials] = std::string(u.firstName) + " " + u.lastName;
  }
  for (const PaymentMethod& m : kPaymentMethods) {
    add_unique(names.paymentMethods, m.qbMethod);
    add_unique(names.accounts, m.qbLedger);
  }
  for (const Industry& i : kIndustries) add_unique(names.customerTypes, i.qbType);
  for (const ClassName& c : kClasses)
    if (c.inQuickBooks) add_unique(names.classes, c.name);
  // Names are unique among the demo's customers and suppliers.
  for (const Party& c : plan_customers(options))
    if (!c.qbName.empty()) names.customers.push_back(c.qbName);
  for (const Party& s : plan_suppliers(options))
    if (!s.qbName.empty()) names.vendors.push_back(s.qbName);
  return names;
}

}  // namespace vqb
