#pragma once
// A rule-based parser of US and Canadian free-text addresses, as Vantora keeps them: one
// text of several lines (or one line with commas) such as
//
//   Attn: Accounts Payable          <- leading block (company, attention, c/o lines)
//   Unit 4, 200 King St W           <- secondary "Unit 4", street "200 King St W"
//   Toronto (ON) M5V 3K2            <- city, province, postal code
//   Canada                          <- country
//
// It knows the US states, territories and military codes and the Canadian provinces and
// territories by code and by name (English and French), ZIP and ZIP+4 codes, Canadian postal
// codes with or without the space, secondary designators (Suite, Ste, Unit, Apt, #, Floor,
// Fl, Bldg, Room, Dept, Bureau...), unit-first Canadian forms ("12-345 Main St",
// "Unit 4, 200 King St W"), PO boxes (with their station), rural routes with site and
// compartment, General Delivery, attention and care-of lines, and the city-line forms
// "City, ST 12345", "City ST 12345" and "City (ON) K1A 0B1".
//
// Results are pieces of the text as written (blanks collapsed); only the abbreviation
// option rewrites words. The country is returned only when the text spells it out.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vqb {

struct ParsedAddress {
  std::string error;       // empty when the text could be read; set only for a blank text
  std::string confidence;  // "HIGH", "MEDIUM" or "LOW" (LOW: the fields are a guess)
  // Lines in front of the street line (company, attention...), at most two, "\r\n" between
  // them; further lines are joined to the second with ", ".
  std::string leadingBlock;
  std::string street;     // the delivery line: street address, PO box, rural route...
  std::string secondary;  // suite, unit, floor...; several joined with ", "
  std::string city;
  std::string state;       // state or province as written ("IL", "Ontario", "Québec")
  std::string postalCode;  // as written ("62704-1234", "K1A 0B1", "k1a0b1")
  std::string country;     // as written ("USA", "Canada"); "" when the text names none
};

// The last line of an address read as city, state or province, postal code and country.
struct CityLine {
  std::string city, state, postalCode, country;
  bool stateIsFullName{false};      // "Ontario" rather than "ON"
  std::vector<std::string> before;  // comma-separated pieces in front of the city
  // The city runs from the start of the line with no comma in front of it, so it may
  // still hold a street ("123 Main St Springfield IL 62704").
  bool cityFromLineStart{false};
};

// Reads one line as a city line. Nothing when it holds neither a state or province nor a
// postal code.
std::optional<CityLine> read_city_line(std::string_view line);

// "IL" for "IL", "il", "Illinois" or "Ill."; "" when the text names no US state or
// territory, Canadian province or territory.
std::string region_code(std::string_view text);

bool is_zip_code(std::string_view text);              // 12345, 12345-6789, 123456789
bool is_canadian_postal_code(std::string_view text);  // K1A 0B1, K1A0B1, k1a-0b1

class AddressParser {
 public:
  // The one option: shorten a line longer than 40 characters, a city longer than 30 and a
  // state longer than 20 with the usual abbreviations (Street -> St, Suite -> Ste,
  // Newfoundland and Labrador -> NL...), last words first, until it fits.
  bool abbreviateToFit{false};

  void reset() { abbreviateToFit = false; }
  ParsedAddress parse(std::string_view text) const;
};

// Shortens `text` to at most `limit` characters with the abbreviations above, when it can.
std::string abbreviate_to_fit(std::string_view text, std::size_t limit);

}  // namespace vqb
