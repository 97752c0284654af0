#include "export/field_cuts.h"

#include <algorithm>

#include "app/text_helpers.h"
#include "quickbooks/qbxml.h"

namespace vqb {
namespace {

// "a", "a and b", "a, b and c".
std::string joined(const std::vector<std::string>& names) {
  std::string out;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out += i + 1 == names.size() ? " and " : ", ";
    out += names[i];
  }
  return out;
}

void note_once(std::vector<std::string>& names, std::string_view name) {
  if (std::find(names.begin(), names.end(), name) == names.end()) names.emplace_back(name);
}

}  // namespace

std::string FieldCuts::take(std::string_view what, std::string_view text, std::size_t length) {
  // A NUL ends the text, as it does where the request is written.
  std::string held = qb::qbxml::xml_safe(text.substr(0, text.find('\0')));
  if (char_count(held) <= length) return held;
  const bool noted = std::any_of(fields_.begin(), fields_.end(),
                                 [what](const Cut& cut) { return cut.what == what; });
  if (!noted) fields_.push_back({std::string(what), length});
  return first_chars(held, length);
}

void FieldCuts::take_address(std::string_view which, qb::Address& a) {
  bool cut = false;
  auto fit = [&cut](std::string& field, std::size_t length) {
    field = qb::qbxml::xml_safe(field);
    if (char_count(field) <= length) return;
    field = first_chars(field, length);
    cut = true;
  };
  for (std::string* line : {&a.addr1, &a.addr2, &a.addr3, &a.addr4})
    fit(*line, kQbAddressLineLength);
  fit(a.city, kQbCityLength);
  fit(a.state, kQbStateLength);
  fit(a.postalCode, kQbPostalCodeLength);
  fit(a.country, kQbCountryLength);
  if (cut) note_once(addresses_, which);
}

std::string FieldCuts::note() const {
  std::string out;
  std::vector<std::size_t> lengths;
  for (const Cut& cut : fields_)
    if (std::find(lengths.begin(), lengths.end(), cut.length) == lengths.end())
      lengths.push_back(cut.length);
  for (const std::size_t length : lengths) {
    std::vector<std::string> names;
    for (const Cut& cut : fields_)
      if (cut.length == length) names.push_back(cut.what);
    out += " The " + joined(names) + (names.size() > 1 ? " were" : " was") + " cut to the " +
           std::to_string(length) + " characters QuickBooks takes.";
  }
  if (!addresses_.empty())
    out += " The " + joined(addresses_) +
           (addresses_.size() > 1 ? " addresses were" : " address was") +
           " cut to the lengths QuickBooks takes (41 characters a line, 31 the city, 21 the state, "
           "13 the postal code).";
  for (const std::string& made : made_) out += made;
  return out;
}

std::string FieldCuts::keep_note_of_new(std::string_view who, std::string result) {
  constexpr std::string_view kDone = "Success.";
  if (result.starts_with(kDone) && result.size() > kDone.size())
    made_.push_back(" For the new " + std::string(who) + ":" + result.substr(kDone.size()));
  return result;
}

}  // namespace vqb
