#include "export/parse_address.h"

#include <algorithm>
#include <array>
#include <exception>
#include <string>
#include <string_view>

#include "app/errors.h"
#include "app/text_helpers.h"

namespace vqb {
namespace {

constexpr const char* kModule = "frmQB";
constexpr const char* kProcedure = "parse_address";
constexpr std::array<const char*, 7> kCacheTags{"ADR1", "ADR2", "ADR3", "ADR4",
                                                "ADR5", "ADR6", "ADR7"};
constexpr long kFirstFieldSlot = 201;

// Lines 1 to 4, city, state and postal code, in the order of the dialog and the cache.
std::array<std::string*, 7> fields_of(qb::Address& a) {
  return {&a.addr1, &a.addr2, &a.addr3, &a.addr4, &a.city, &a.state, &a.postalCode};
}

void clear_fields(qb::Address& a) {
  for (std::string* field : fields_of(a)) field->clear();
}

std::string upper_ascii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string_view trim_blanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// The parser's answer in the address fields: the leading block's first line and the rest
// of it run together, then the street and the secondary line.
void fill_from_parser(const ParsedAddress& parsed, const std::string& text, qb::Address& a) {
  const std::string& block = parsed.leadingBlock;
  std::string head, tail;
  const std::size_t brk = block.find_first_of("\r\n");
  if (brk == std::string::npos) {
    head = block;
  } else {
    head = block.substr(0, brk);
    for (std::size_t i = brk + 1; i < block.size(); ++i)
      if (block[i] != '\r' && block[i] != '\n') tail += block[i];
  }
  std::array<std::string*, 4> lines{&a.addr1, &a.addr2, &a.addr3, &a.addr4};
  std::size_t next = 0;
  if (!head.empty()) *lines[next++] = head;
  if (!tail.empty()) *lines[next++] = tail;
  *lines[next++] = parsed.street;
  if (!parsed.secondary.empty()) *lines[next] = parsed.secondary;
  a.city = parsed.city;
  a.state = parsed.state;
  a.postalCode = parsed.postalCode;
  // Only a country the text spells out, and not at its very start.
  if (!parsed.country.empty()) {
    const std::size_t at = text.find(parsed.country);
    if (at != std::string::npos && at > 0) a.country = parsed.country;
  }
}

// The fifth line of the plain split as city, state and postal code.
void read_fifth_line(std::string_view line, qb::Address& a) {
  if (auto city = read_city_line(line); city && city->before.empty() && !city->city.empty()) {
    a.city = city->city;
    a.state = city->state;
    a.postalCode = city->postalCode;
    return;
  }
  const std::size_t comma = line.find(',');
  if (comma == std::string_view::npos) {
    a.city = std::string(trim_blanks(line));
    return;
  }
  // "City, ST 12345": the state up to the next space, the postal code after it.
  a.city = std::string(trim_blanks(line.substr(0, comma)));
  const std::string_view rest = trim_blanks(line.substr(comma + 1));
  const std::size_t space = rest.find(' ');
  if (space == std::string_view::npos) {
    a.state = std::string(rest);
    return;
  }
  a.state = std::string(rest.substr(0, space));
  a.postalCode = std::string(trim_blanks(rest.substr(space + 1)));
}

// Length in bytes of the character that starts at `pos` (1 for a broken sequence).
std::size_t char_length(std::string_view text, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  return std::min(length, text.size() - pos);
}

// The cache's newest answer for exactly this text.
bool from_cache(App& app, const std::string& text, qb::Address& a) {
  RecordDoc& cache = app.parsedAddresses;
  cache.MoveToRoot();
  bool hit = false;
  if (cache.GetChildCount() > 0 && cache.MoveToLastChild()) {
    do {
      if (cache.GetTag() == "Add" && cache.GetContent() == text) {
        auto fields = fields_of(a);
        for (std::size_t i = 0; i < fields.size(); ++i)
          *fields[i] = cache.GetChildContent(kCacheTags[i]);
        hit = true;
        break;
      }
    } while (cache.MoveToPreviousSibling());
  }
  cache.MoveToRoot();
  return hit;
}

// Appends the user's answer to the cache and rewrites the file.
void remember(App& app, const std::string& text) {
  RecordDoc& cache = app.parsedAddresses;
  cache.MoveToRoot();
  if (cache.GetTag().empty()) cache.SetTag("parsedAddresses");
  cache.AddChild("Add", text);
  cache.MoveToLastChild();
  cache.SetElementFlag(1);
  for (std::size_t i = 0; i < kCacheTags.size(); ++i) {
    cache.AddChild(kCacheTags[i], app.sharedSlots[kFirstFieldSlot + static_cast<long>(i)]);
    cache.MoveToLastChild();
    cache.SetElementFlag(1);
    cache.MoveToParent();
  }
  cache.MoveToRoot();
  const std::string path = app.globalfolder + kParsedAddressesFile;
  if (!cache.SaveXmlFile(path))
    throw VqbError(75, "Path/File access error: " + path + " cannot be written.");
}

}  // namespace

const char* means_text(AddressMeans means) {
  switch (means) {
    case AddressMeans::Parser:
      return "parser";
    case AddressMeans::LineSplit:
      return "line split";
    case AddressMeans::Cache:
      return "cache";
    case AddressMeans::Dialog:
      return "dialog";
    case AddressMeans::Cancelled:
      return "cancelled";
    case AddressMeans::DialogNeeded:
      return "dialog needed";
    case AddressMeans::Failed:
      return "failed";
  }
  return "";
}

bool address_fits(const qb::Address& a) {
  return char_count(a.addr1) <= kAddressLineLimit && char_count(a.addr2) <= kAddressLineLimit &&
         char_count(a.addr3) <= kAddressLineLimit && char_count(a.addr4) <= kAddressLineLimit &&
         char_count(a.city) <= kAddressCityLimit && char_count(a.state) <= kAddressStateLimit &&
         char_count(a.postalCode) <= kAddressPostalLimit;
}

void split_address_lines(std::string_view text, qb::Address& a) {
  std::array<std::string*, 4> lines{&a.addr1, &a.addr2, &a.addr3, &a.addr4};
  std::size_t pos = 0;
  for (std::size_t i = 0; i < 5; ++i) {
    const std::size_t cr = text.find('\r', pos);
    const std::size_t end = cr == std::string_view::npos ? text.size() : cr;
    const std::string_view line = text.substr(pos, end - pos);
    if (i < 4) {
      *lines[i] = std::string(line);
    } else if (!line.empty()) {
      read_fifth_line(line, a);
    }
    if (cr == std::string_view::npos) break;
    // The next line starts after the carriage return and the character behind it.
    pos = cr + 1;
    if (pos < text.size()) pos += char_length(text, pos);
  }
}

AddressSplit split_address(App& app, qb::Address& address, const std::string& text,
                           const ParseAddressOptions& options) {
  try {
    clear_fields(address);
    address.country.clear();
    AddressParser parser;
    auto parse = [&]() -> ParsedAddress {
      if (options.parser) return options.parser(text);
      parser.reset();
      parser.abbreviateToFit = true;
      return parser.parse(text);
    };

    int attempts = 0;
    for (;;) {
      const ParsedAddress parsed = parse();
      if (!parsed.error.empty()) return {true, AddressMeans::Parser};
      if (!text.empty() && upper_ascii(parsed.confidence) == "LOW") {
        ++attempts;
      } else {
        fill_from_parser(parsed, text, address);
        if (address_fits(address)) return {true, AddressMeans::Parser};
        ++attempts;
      }
      // The country the parser wrote stays for the later means.
      clear_fields(address);
      if (attempts >= 2) break;
      split_address_lines(text, address);
      if (address_fits(address)) return {true, AddressMeans::LineSplit};
      ++attempts;
    }

    if (from_cache(app, text, address)) return {true, AddressMeans::Cache};
    if (!options.askUser) return {false, AddressMeans::DialogNeeded};

    app.sharedSlots[0] = "";
    app.sharedSlots[200] = text;
    app.ui.showDialog(DialogKind::ParseAddress, "");
    if (app.sharedSlots[0] != "1") return {false, AddressMeans::Cancelled};
    auto fields = fields_of(address);
    for (std::size_t i = 0; i < fields.size(); ++i)
      *fields[i] = app.sharedSlots[kFirstFieldSlot + static_cast<long>(i)];
    remember(app, text);
    return {true, AddressMeans::Dialog};
  } catch (const VqbError& error) {
    show_common_error(app.ui, kModule, kProcedure, error);
  } catch (const std::exception& error) {
    show_common_error(app.ui, kModule, kProcedure, error);
  }
  return {true, AddressMeans::Failed};
}

bool parse_address(App& app, qb::Address& address, const std::string& text) {
  return split_address(app, address, text).accepted;
}

// ---- frmParseAddress ----------------------------------------------------------------------

void ParseAddressLogic::Form_Load() {
  txtMain = app_.sharedSlots[200];
  for (auto& box : txt) box.clear();
  focus_ = -1;
  closed_ = false;
}

bool ParseAddressLogic::cmdUpdate_Click() {
  for (std::size_t i = 0; i < txt.size(); ++i) {
    if (char_count(txt[i]) > kMaxLengths[i]) {
      app_.ui.messageBox(kMessages[i], Buttons::Ok, Icon::None, "");
      focus_ = static_cast<int>(i);
      return false;
    }
  }
  for (std::size_t i = 0; i < txt.size(); ++i)
    app_.sharedSlots[kFirstFieldSlot + static_cast<long>(i)] = txt[i];
  app_.sharedSlots[0] = "1";
  focus_ = -1;
  closed_ = true;
  return true;
}

}  // namespace vqb
