#include "export/address_parser.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "app/text_helpers.h"

namespace vqb {
namespace {

constexpr std::size_t kLineLimit = 40;
constexpr std::size_t kCityLimit = 30;
constexpr std::size_t kStateLimit = 20;
// Longer texts, or texts of more lines, are not addresses we can vouch for.
constexpr std::size_t kLongestText = 2000;
constexpr std::size_t kMostLines = 12;
// Longest region or country name, in words ("United States of America").
constexpr std::size_t kLongestName = 4;

// ---- Characters and words ---------------------------------------------------------------

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
bool is_letter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool has_digit(std::string_view s) {
  return std::any_of(s.begin(), s.end(), is_digit);
}
bool has_letter(std::string_view s) {
  return std::any_of(s.begin(), s.end(),
                     [](char c) { return is_letter(c) || static_cast<unsigned char>(c) >= 0x80; });
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

// Trims blanks and stray separators from both ends of a piece.
std::string_view trim_piece(std::string_view s) {
  auto junk = [](char c) { return is_blank(c) || c == ',' || c == ';'; };
  while (!s.empty() && junk(s.front())) s.remove_prefix(1);
  while (!s.empty() && junk(s.back())) s.remove_suffix(1);
  return s;
}

// Runs of blanks become one space; ends trimmed.
std::string collapse(std::string_view s) {
  s = trim(s);
  std::string out;
  out.reserve(s.size());
  bool blank = false;
  for (char c : s) {
    if (is_blank(c)) {
      blank = true;
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

// Lower case without periods, with the accents of Latin-1 letters dropped: "Qué." -> "que".
std::string fold(std::string_view word) {
  // U+00C0..U+00FF (second byte 0x80..0xBF after 0xC3); '\0' keeps the letter as it is.
  static constexpr char kLatin1[] =
      "aaaaaaaceeeeiiiidnooooo\0ouuuuyts"
      "aaaaaaaceeeeiiiidnooooo\0ouuuuyty";
  std::string out;
  out.reserve(word.size());
  for (std::size_t i = 0; i < word.size(); ++i) {
    const char c = word[i];
    if (c == '.') continue;
    if (static_cast<unsigned char>(c) == 0xC3 && i + 1 < word.size()) {
      const auto next = static_cast<unsigned char>(word[i + 1]);
      if (next >= 0x80 && next <= 0xBF && kLatin1[next - 0x80] != '\0') {
        out += kLatin1[next - 0x80];
        ++i;
        continue;
      }
    }
    out += lower(c);
  }
  return out;
}

// fold() without blanks, '#' and '-': "P.O. Box #12" -> "pobox12".
std::string compact(std::string_view text) {
  std::string out;
  for (char c : fold(text))
    if (!is_blank(c) && c != '#' && c != '-') out += c;
  return out;
}

bool starts_with(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

// `s` starts with one of the prefixes followed at once by a digit.
template <std::size_t N>
bool prefix_then_digit(std::string_view s, const std::array<std::string_view, N>& prefixes) {
  for (auto prefix : prefixes)
    if (starts_with(s, prefix) && s.size() > prefix.size() && is_digit(s[prefix.size()]))
      return true;
  return false;
}

std::vector<std::string_view> split_blanks(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && is_blank(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !is_blank(text[i])) ++i;
    if (i > start) out.push_back(text.substr(start, i - start));
  }
  return out;
}

// Pieces between commas and semicolons, trimmed, empty ones dropped.
std::vector<std::string_view> split_commas(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == ',' || text[i] == ';') {
      auto piece = trim_piece(text.substr(start, i - start));
      if (!piece.empty()) out.push_back(piece);
      start = i + 1;
    }
  }
  return out;
}

// The words of a piece with their folded keys (trailing ':' and ',' dropped from the key).
struct Words {
  std::vector<std::string_view> raw;
  std::vector<std::string> key;
  std::size_t size() const { return raw.size(); }
  std::string join(std::size_t from, std::size_t to) const {
    std::string out;
    for (std::size_t i = from; i < to && i < raw.size(); ++i) {
      if (!out.empty()) out += ' ';
      out += raw[i];
    }
    return out;
  }
};

Words words_of(std::string_view text) {
  Words w;
  w.raw = split_blanks(text);
  w.key.reserve(w.raw.size());
  for (auto word : w.raw) {
    std::string k = fold(word);
    while (!k.empty() && (k.back() == ':' || k.back() == ',')) k.pop_back();
    w.key.push_back(std::move(k));
  }
  return w;
}

// ---- Word lists -------------------------------------------------------------------------

using WordSet = std::unordered_set<std::string_view>;

const WordSet& street_suffixes() {
  static const WordSet set{
      "street",   "st",      "str",      "avenue",     "ave",        "av",        "avn",
      "road",     "rd",      "drive",    "dr",         "drv",        "boulevard", "blvd",
      "boul",     "bd",      "lane",     "ln",         "court",      "ct",        "crt",
      "place",    "pl",      "plaza",    "plz",        "square",     "sq",        "terrace",
      "ter",      "terr",    "trail",    "trl",        "parkway",    "pkwy",      "pky",
      "highway",  "hwy",     "freeway",  "fwy",        "expressway", "expy",      "way",
      "wy",       "circle",  "cir",      "crescent",   "cres",       "cresc",     "close",
      "gate",     "grove",   "grv",      "heights",    "hts",        "hill",      "hollow",
      "junction", "jct",     "landing",  "lndg",       "loop",       "mall",      "manor",
      "mews",     "park",    "pk",       "path",       "pike",       "point",     "pt",
      "ridge",    "rdg",     "row",      "run",        "turnpike",   "tpke",      "view",
      "walk",     "alley",   "aly",      "bypass",     "byp",        "causeway",  "cswy",
      "center",   "ctr",     "centre",   "common",     "commons",    "cove",      "crossing",
      "xing",     "gardens", "gdns",     "glen",       "green",      "grn",       "harbour",
      "harbor",   "line",    "parade",   "pass",       "promenade",  "prom",      "quay",
      "route",    "rte",     "sideroad", "sdrd",       "spur",       "broadway",  "esplanade",
      "crest",    "trace",   "wharf",    "concession", "conc",       "gdn",       "garden",
      "vista",    "mount",   "ramp",     "pvt",        "private"};
  return set;
}

// Words that open a street name ("Rue Principale", "Highway 7", "Concession 3").
const WordSet& street_openers() {
  static const WordSet set{
      "rue",  "chemin",   "ch",    "boulevard", "boul",       "avenue", "av",      "highway",
      "hwy",  "route",    "rte",   "county",    "rang",       "montee", "cote",    "concession",
      "conc", "sideroad", "state", "us",        "interstate", "farm",   "fm",      "township",
      "twp",  "place",    "allee", "impasse",   "promenade",  "carre",  "terrasse"};
  return set;
}

const WordSet& directionals() {
  static const WordSet set{"n",         "s",         "e",         "w",         "ne",   "nw",
                           "se",        "sw",        "north",     "south",     "east", "west",
                           "northeast", "northwest", "southeast", "southwest", "o",    "ouest",
                           "est",       "nord",      "sud",       "no",        "so"};
  return set;
}

bool is_short_directional(std::string_view key) {
  return key == "n" || key == "s" || key == "e" || key == "w" || key == "ne" || key == "nw" ||
         key == "se" || key == "sw" || key == "o" || key == "no" || key == "so";
}

// Secondary designators followed by an identifier ("Suite 400", "Bldg C").
const WordSet& unit_designators() {
  static const WordSet set{
      "suite", "ste",    "stes",       "unit",   "units", "apt",      "apartment", "app",
      "appt",  "bureau", "local",      "lot",    "space", "spc",      "trailer",   "trlr",
      "pier",  "slip",   "hangar",     "hngr",   "stop",  "bay",      "bays",      "level",
      "lvl",   "floor",  "fl",         "flr",    "bldg",  "building", "bld",       "room",
      "rm",    "dept",   "department", "office", "ofc",   "tower",    "twr",       "wing",
      "pmb",   "box",    "mailstop",   "ms",     "door",  "shop",     "store",     "gate",
      "hall",  "porte",  "etage"};
  return set;
}

// Secondary designators that stand alone ("Rear", "Basement").
const WordSet& bare_designators() {
  static const WordSet set{"basement",  "bsmt", "lobby", "lbby",
                           "penthouse", "ph",   "rear",  "mezzanine"};
  return set;
}

bool is_floor_word(std::string_view key) {
  return key == "floor" || key == "fl" || key == "flr" || key == "level" || key == "lvl" ||
         key == "etage";
}

bool is_ordinal(std::string_view key) {
  static const WordSet words{"first",  "second",  "third",    "fourth",    "fifth",
                             "sixth",  "seventh", "eighth",   "ninth",     "tenth",
                             "ground", "main",    "top",      "mezzanine", "lower",
                             "upper",  "garden",  "basement", "1er",       "rez-de-chaussee"};
  if (words.count(key)) return true;
  std::size_t digits = 0;
  while (digits < key.size() && is_digit(key[digits])) ++digits;
  if (digits == 0) return false;
  const std::string_view rest = key.substr(digits);
  return rest == "st" || rest == "nd" || rest == "rd" || rest == "th" || rest == "e" ||
         rest == "eme";
}

// Legal-form words that mark a company name ("3M Canada Company", "7-Eleven Inc").
const WordSet& company_words() {
  static const WordSet set{
      "inc",      "llc",   "ltd",         "corp",         "corporation", "co",   "company",
      "limited",  "ltee",  "lp",          "llp",          "plc",         "pllc", "gmbh",
      "holdings", "group", "enterprises", "partners",     "associates",  "&",    "and",
      "ulc",      "pc",    "lc",          "incorporated", "cie"};
  return set;
}

// House numbers written as words ("One Financial Plaza").
const WordSet& number_words() {
  static const WordSet set{"one",   "two",   "three", "four", "five",   "six",
                           "seven", "eight", "nine",  "ten",  "eleven", "twelve"};
  return set;
}

// ---- Regions and countries --------------------------------------------------------------

enum class RegionForm { Code, Abbreviation, Name };
struct RegionEntry {
  std::string_view code;
  RegionForm form;
};

struct RegionRow {
  std::string_view code;
  std::string_view names;          // folded full names, '|' between them
  std::string_view abbreviations;  // folded old-style abbreviations and old codes, '|' between them
};

constexpr RegionRow kRegions[] = {
    {"AL", "alabama", "ala"},
    {"AK", "alaska", "alas"},
    {"AZ", "arizona", "ariz"},
    {"AR", "arkansas", "ark"},
    {"CA", "california", "calif|cal"},
    {"CO", "colorado", "colo"},
    {"CT", "connecticut", "conn"},
    {"DE", "delaware", "del"},
    {"DC", "district of columbia", ""},
    {"FL", "florida", "fla"},
    {"GA", "georgia", ""},
    {"HI", "hawaii", ""},
    {"ID", "idaho", "ida"},
    {"IL", "illinois", "ill"},
    {"IN", "indiana", "ind"},
    {"IA", "iowa", ""},
    {"KS", "kansas", "kan|kans"},
    {"KY", "kentucky", ""},
    {"LA", "louisiana", ""},
    {"ME", "maine", ""},
    {"MD", "maryland", ""},
    {"MA", "massachusetts", "mass"},
    {"MI", "michigan", "mich"},
    {"MN", "minnesota", "minn"},
    {"MS", "mississippi", "miss"},
    {"MO", "missouri", ""},
    {"MT", "montana", "mont"},
    {"NE", "nebraska", "neb|nebr"},
    {"NV", "nevada", "nev"},
    {"NH", "new hampshire", ""},
    {"NJ", "new jersey", ""},
    {"NM", "new mexico", ""},
    {"NY", "new york", ""},
    {"NC", "north carolina", ""},
    {"ND", "north dakota", ""},
    {"OH", "ohio", ""},
    {"OK", "oklahoma", "okla"},
    {"OR", "oregon", "ore|oreg"},
    {"PA", "pennsylvania", "penn|penna"},
    {"RI", "rhode island", ""},
    {"SC", "south carolina", ""},
    {"SD", "south dakota", ""},
    {"TN", "tennessee", "tenn"},
    {"TX", "texas", "tex"},
    {"UT", "utah", ""},
    {"VT", "vermont", ""},
    {"VA", "virginia", ""},
    {"WA", "washington", "wash"},
    {"WV", "west virginia", ""},
    {"WI", "wisconsin", "wis|wisc"},
    {"WY", "wyoming", "wyo"},
    {"PR", "puerto rico", ""},
    {"VI", "virgin islands|us virgin islands", ""},
    {"GU", "guam", ""},
    {"AS", "american samoa", ""},
    {"MP", "northern mariana islands", ""},
    {"AA", "", ""},
    {"AE", "", ""},
    {"AP", "", ""},
    {"AB", "alberta", "alta"},
    {"BC", "british columbia|colombie-britannique", ""},
    {"MB", "manitoba", "man"},
    {"NB", "new brunswick|nouveau-brunswick", ""},
    {"NL",
     "newfoundland and labrador|newfoundland & "
     "labrador|newfoundland|terre-neuve-et-labrador|labrador",
     "nf|nfld|lb"},
    {"NS", "nova scotia|nouvelle-ecosse", ""},
    {"NT", "northwest territories|territoires du nord-ouest", "nwt"},
    {"NU", "nunavut", ""},
    {"ON", "ontario", "ont"},
    {"PE", "prince edward island|ile-du-prince-edouard", "pei"},
    {"QC", "quebec", "pq|que"},
    {"SK", "saskatchewan", "sask"},
    {"YT", "yukon|yukon territory", "yk|yuk"},
};

const std::unordered_map<std::string, RegionEntry>& region_table() {
  static const std::unordered_map<std::string, RegionEntry> table = [] {
    std::unordered_map<std::string, RegionEntry> t;
    auto add_all = [&t](std::string_view list, std::string_view code, RegionForm form) {
      std::size_t start = 0;
      while (start < list.size()) {
        std::size_t bar = list.find('|', start);
        if (bar == std::string_view::npos) bar = list.size();
        t.try_emplace(std::string(list.substr(start, bar - start)), RegionEntry{code, form});
        start = bar + 1;
      }
    };
    for (const auto& row : kRegions) {
      t.try_emplace(fold(row.code), RegionEntry{row.code, RegionForm::Code});
      add_all(row.names, row.code, RegionForm::Name);
      add_all(row.abbreviations, row.code, RegionForm::Abbreviation);
    }
    return t;
  }();
  return table;
}

const std::unordered_set<std::string>& country_names() {
  static const std::unordered_set<std::string> set{
      "usa",    "us",         "united states", "united states of america",
      "canada", "etats-unis", "etats unis"};
  return set;
}

// ---- Postal codes -----------------------------------------------------------------------

bool is_ana(std::string_view s) {
  return s.size() == 3 && is_letter(s[0]) && is_digit(s[1]) && is_letter(s[2]);
}
bool is_nan(std::string_view s) {
  return s.size() == 3 && is_digit(s[0]) && is_letter(s[1]) && is_digit(s[2]);
}

// ---- The city line ----------------------------------------------------------------------

struct Token {
  std::size_t begin{}, end{};
  bool commaBefore{false};
  bool paren{false};
  std::string key;
};

std::vector<Token> tokenize(std::string_view line) {
  std::vector<Token> tokens;
  bool comma = false, paren = false;
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (is_blank(c)) {
      ++i;
    } else if (c == ',' || c == ';') {
      comma = true;
      ++i;
    } else if (c == '(' || c == '[') {
      paren = true;
      ++i;
    } else if (c == ')' || c == ']') {
      paren = false;
      ++i;
    } else {
      Token t;
      t.begin = i;
      t.commaBefore = comma;
      t.paren = paren;
      while (i < line.size() && !is_blank(line[i]) && line[i] != ',' && line[i] != ';' &&
             line[i] != '(' && line[i] != ')' && line[i] != '[' && line[i] != ']')
        ++i;
      t.end = i;
      t.key = fold(line.substr(t.begin, t.end - t.begin));
      tokens.push_back(std::move(t));
      comma = false;
    }
  }
  return tokens;
}

std::string span_text(std::string_view line, const std::vector<Token>& tokens, std::size_t from,
                      std::size_t to) {
  return collapse(line.substr(tokens[from].begin, tokens[to - 1].end - tokens[from].begin));
}

std::string joined_keys(const std::vector<Token>& tokens, std::size_t from, std::size_t to) {
  std::string key;
  for (std::size_t i = from; i < to; ++i) {
    if (i > from) key += ' ';
    key += tokens[i].key;
  }
  return key;
}

// How many tokens at the end of [0, n) name a country.
std::size_t country_at_end(const std::vector<Token>& tokens, std::size_t n) {
  for (std::size_t k = std::min(n, kLongestName); k >= 1; --k)
    if (country_names().count(joined_keys(tokens, n - k, n))) return k;
  return 0;
}

// How many tokens at the end of [0, n) form a postal code.
std::size_t postal_at_end(std::string_view line, const std::vector<Token>& tokens, std::size_t n) {
  auto text = [&](std::size_t i) {
    return line.substr(tokens[i].begin, tokens[i].end - tokens[i].begin);
  };
  if (n >= 2 && is_ana(text(n - 2)) && is_nan(text(n - 1))) return 2;
  if (n >= 1 && (is_zip_code(text(n - 1)) || is_canadian_postal_code(text(n - 1)))) return 1;
  return 0;
}

bool all_upper(std::string_view s) {
  bool letter = false;
  for (char c : s) {
    if (c >= 'a' && c <= 'z') return false;
    if (c >= 'A' && c <= 'Z') letter = true;
  }
  return letter;
}

struct StateMatch {
  std::size_t count{};
  RegionForm form{};
};

// The region named by the last tokens of [0, n). Codes and abbreviations count only where a
// reader would take them for one: before a postal code, after a comma, in parentheses,
// written in capitals or with a period.
std::optional<StateMatch> state_at_end(std::string_view line, const std::vector<Token>& tokens,
                                       std::size_t n, bool postalFound) {
  const auto& table = region_table();
  for (std::size_t k = std::min(n, kLongestName); k >= 1; --k) {
    auto found = table.find(joined_keys(tokens, n - k, n));
    if (found == table.end()) continue;
    if (found->second.form != RegionForm::Name) {
      const Token& t = tokens[n - 1];
      const std::string_view raw = line.substr(t.begin, t.end - t.begin);
      const bool marked =
          postalFound || t.commaBefore || t.paren || all_upper(raw) || raw.back() == '.';
      if (!marked) continue;
    }
    return StateMatch{k, found->second.form};
  }
  return std::nullopt;
}

// ---- Pieces above the city line ---------------------------------------------------------

enum class Kind {
  Other,
  Attention,
  Street,
  WeakStreet,
  PoBox,
  Rural,
  GeneralDelivery,
  Qualifier,
  Secondary
};

bool is_delivery(Kind kind) {
  return kind == Kind::Street || kind == Kind::PoBox || kind == Kind::Rural ||
         kind == Kind::GeneralDelivery;
}
bool is_box_like(Kind kind) {
  return kind == Kind::PoBox || kind == Kind::Rural || kind == Kind::GeneralDelivery ||
         kind == Kind::Qualifier;
}

struct Part {
  std::string text;
  Kind kind{Kind::Other};
  std::size_t line{};
};

constexpr std::array<std::string_view, 10> kBoxPrefixes{
    "pobox",       "postofficebox", "pob",    "box",     "cp",
    "casepostale", "podrawer",      "drawer", "lockbox", "bp"};
constexpr std::array<std::string_view, 9> kRuralPrefixes{
    "rr", "ruralroute", "rfd", "hc", "hcr", "starroute", "routerurale", "psc", "cmr"};

bool is_general_delivery(std::string_view c) {
  return c == "gd" || starts_with(c, "generaldelivery") || starts_with(c, "posterestante") ||
         starts_with(c, "gdstn") || starts_with(c, "gdmain") || starts_with(c, "livraisongenerale");
}

bool is_qualifier_word(std::string_view key) {
  return key == "station" || key == "stn" || key == "succ" || key == "succursale" || key == "rpo" ||
         key == "site" || key == "comp" || key == "compartment" || key == "postal" || key == "csp";
}

bool is_attention(const Words& w) {
  if (w.size() == 0) return false;
  static const WordSet words{"attn", "attention", "att", "atn", "c/o", "a/s"};
  const std::string& k = w.key[0];
  if (k == "care") return w.size() > 1 && w.key[1] == "of";
  return words.count(k) || starts_with(k, "attn:") || starts_with(k, "attention:") ||
         starts_with(k, "c/o");
}

bool is_company(const Words& w) {
  if (w.size() == 0) return false;
  if (street_suffixes().count(w.key.back()) || directionals().count(w.key.back())) return false;
  for (std::size_t i = 1; i < w.size(); ++i)
    if (company_words().count(w.key[i])) return true;
  return false;
}

bool is_house_number(std::string_view raw, std::string_view key) {
  if (number_words().count(key)) return true;
  std::size_t i = 0;
  if (!raw.empty() && raw[0] == '#' && raw.find('-') != std::string_view::npos) i = 1;
  const std::size_t start = i;
  while (i < raw.size() && is_digit(raw[i])) ++i;
  if (i == start) return false;
  std::string_view rest = raw.substr(i);
  if (rest.empty() || rest == "\xC2\xBD") return true;  // "12", "12½"
  if (rest.front() == '-' || rest.front() == '/') {
    rest.remove_prefix(1);
    return !rest.empty() && std::all_of(rest.begin(), rest.end(),
                                        [](char c) { return is_digit(c) || is_letter(c); });
  }
  if (rest.size() <= 2 && std::all_of(rest.begin(), rest.end(), is_letter)) {
    const std::string r = fold(rest);
    return !(r == "st" || r == "nd" || r == "rd" || r == "th");
  }
  return false;
}

// An identifier after a designator: "400", "4B", "A", "#200", "PH1".
bool is_unit_id(std::string_view raw, std::string_view key) {
  if (has_digit(raw)) return true;
  if (key.empty() || key.size() > 3) return false;
  if (street_suffixes().count(key) || directionals().count(key) || company_words().count(key))
    return false;
  return std::all_of(key.begin(), key.end(), [](char c) { return is_letter(c) || c == '#'; });
}

// Number of words of a secondary designator starting at word i; 0 when none starts there.
std::size_t secondary_at(const Words& w, std::size_t i, bool bareAllowed) {
  const std::size_t n = w.size();
  if (i >= n) return 0;
  const std::string_view raw = w.raw[i];
  const std::string& key = w.key[i];
  if (raw.front() == '#') {
    if (raw.size() > 1) return 1;
    return i + 1 < n ? 2 : 0;
  }
  if (unit_designators().count(key) && i + 1 < n) {
    if (w.raw[i + 1] == "#" && i + 2 < n) return 3;
    if (is_unit_id(w.raw[i + 1], w.key[i + 1])) return 2;
  }
  if (is_ordinal(key) && i + 1 < n && is_floor_word(w.key[i + 1])) return 2;
  if (bareAllowed && bare_designators().count(key)) return 1;
  return 0;
}

bool is_separator_word(std::string_view raw) {
  return raw == "-" || raw == "\xE2\x80\x93" || raw == "\xE2\x80\x94" || raw == "/" || raw == "&";
}

void classify_into(std::string_view text, std::size_t line, std::vector<Part>& out);

// A street piece, with a secondary designator behind the street split off.
void street_into(const Words& w, std::size_t line, std::vector<Part>& out) {
  const std::size_t n = w.size();
  for (std::size_t i = 2; i < n; ++i) {
    std::size_t len = secondary_at(w, i, false);
    if (len == 0 && bare_designators().count(w.key[i]) && i + 1 == n) len = 1;
    if (len == 0) continue;
    std::size_t end = i;
    while (end > 1 && is_separator_word(w.raw[end - 1])) --end;
    out.push_back({w.join(0, end), Kind::Street, line});
    out.push_back({w.join(i, n), Kind::Secondary, line});
    return;
  }
  out.push_back({w.join(0, n), Kind::Street, line});
}

void classify_into(std::string_view text, std::size_t line, std::vector<Part>& out) {
  const Words w = words_of(text);
  const std::size_t n = w.size();
  if (n == 0) return;
  if (is_attention(w)) {
    out.push_back({w.join(0, n), Kind::Attention, line});
    return;
  }
  const std::string c = compact(text);
  if (prefix_then_digit(c, kBoxPrefixes)) {
    out.push_back({w.join(0, n), Kind::PoBox, line});
    return;
  }
  if (prefix_then_digit(c, kRuralPrefixes)) {
    out.push_back({w.join(0, n), Kind::Rural, line});
    return;
  }
  if (is_general_delivery(c)) {
    out.push_back({w.join(0, n), Kind::GeneralDelivery, line});
    return;
  }
  if (n >= 2 && is_qualifier_word(w.key[0])) {
    out.push_back({w.join(0, n), Kind::Qualifier, line});
    return;
  }
  // A secondary first: "Suite 400", "Unit 4 - 200 King St W", "2nd Floor".
  if (std::size_t len = secondary_at(w, 0, true); len > 0) {
    std::size_t j = len;
    while (j < n) {
      const std::size_t more = secondary_at(w, j, false);
      if (more == 0) break;
      j += more;
    }
    std::size_t k = j;
    while (k < n && is_separator_word(w.raw[k])) ++k;
    if (k + 1 < n && is_house_number(w.raw[k], w.key[k])) {
      out.push_back({w.join(0, j), Kind::Secondary, line});
      classify_into(w.join(k, n), line, out);
    } else {
      out.push_back({w.join(0, n), Kind::Secondary, line});
    }
    return;
  }
  if (n >= 2 && is_house_number(w.raw[0], w.key[0]) && !is_company(w)) {
    bool named = false;
    for (std::size_t i = 1; i < n && !named; ++i) named = has_letter(w.raw[i]);
    if (named) {
      street_into(w, line, out);
      return;
    }
  }
  if (n >= 2 && !is_company(w)) {
    const bool suffixLast = street_suffixes().count(w.key[n - 1]) > 0;
    const bool suffixThenDirection =
        n >= 3 && street_suffixes().count(w.key[n - 2]) && directionals().count(w.key[n - 1]);
    if (suffixLast || suffixThenDirection || street_openers().count(w.key[0])) {
      out.push_back({w.join(0, n), Kind::WeakStreet, line});
      return;
    }
  }
  out.push_back({w.join(0, n), Kind::Other, line});
}

// The pieces of one line. A bare house number before a comma belongs to the street behind
// it, as in "1000, rue De La Gauchetière".
void classify_line(const std::vector<std::string>& pieces, std::size_t line,
                   std::vector<Part>& out) {
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const std::string& piece = pieces[i];
    const bool bareNumber = piece.find(' ') == std::string::npos &&
                            is_house_number(piece, fold(piece)) &&
                            !number_words().count(fold(piece));
    if (bareNumber && i + 1 < pieces.size()) {
      const std::size_t first = out.size();
      classify_into(piece + " " + pieces[i + 1], line, out);
      if (out.size() > first && out[first].kind == Kind::Street) {
        out[first].text.insert(piece.size(), ",");
      } else {
        out.resize(first);
        classify_into(piece, line, out);
        classify_into(pieces[i + 1], line, out);
      }
      ++i;
      continue;
    }
    classify_into(piece, line, out);
  }
}

// Where the city starts in "123 Main St Springfield" or "PO Box 12 Stn A Whitby"; 0 when
// the words give no safe boundary.
std::size_t street_end(const Words& w) {
  const std::size_t n = w.size();
  if (n < 2) return 0;
  const std::string c = compact(w.join(0, n));
  if (prefix_then_digit(c, kBoxPrefixes) || prefix_then_digit(c, kRuralPrefixes)) {
    std::size_t end = 0;
    while (end < n && !has_digit(w.raw[end])) ++end;
    if (end == n) return 0;
    ++end;
    while (end + 2 < n && (is_qualifier_word(w.key[end]) || w.key[end] == "box") &&
           has_letter(w.raw[end]))
      end += 2;
    return end < n ? end : 0;
  }
  if (is_general_delivery(c)) {
    std::size_t end = w.key[0] == "gd" ? 1 : 2;
    while (end + 2 < n && is_qualifier_word(w.key[end])) end += 2;
    return end < n ? end : 0;
  }
  if (!is_house_number(w.raw[0], w.key[0])) return 0;
  for (std::size_t i = 2; i < n; ++i) {
    if (!street_suffixes().count(w.key[i])) continue;
    std::size_t end = i + 1;
    if (end + 1 < n && is_short_directional(w.key[end])) ++end;
    if (std::size_t len = secondary_at(w, end, false); len > 0 && end + len < n) end += len;
    return end < n ? end : 0;
  }
  return 0;
}

// A line that can be the city above a "ST 12345" line: a few words, no digits, nothing else.
bool city_like(std::string_view line) {
  if (has_digit(line) || line.find(',') != std::string_view::npos) return false;
  const Words w = words_of(line);
  if (w.size() == 0 || w.size() > 5 || is_company(w)) return false;
  std::vector<Part> parts;
  classify_into(line, 0, parts);
  return parts.size() == 1 && parts[0].kind == Kind::Other;
}

bool is_country_line(std::string_view line) {
  const auto tokens = tokenize(line);
  return !tokens.empty() && country_at_end(tokens, tokens.size()) == tokens.size();
}

// The text's lines, trimmed, blank ones dropped. CR LF, LF and CR end a line; tabs,
// no-break spaces and other control characters are blanks.
std::vector<std::string> text_lines(std::string_view text) {
  std::vector<std::string> lines;
  std::string current;
  auto flush = [&] {
    std::string_view t = trim(current);
    if (!t.empty()) lines.emplace_back(t);
    current.clear();
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      flush();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (static_cast<unsigned char>(c) == 0xC2 && i + 1 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) == 0xA0) {
      current += ' ';
      ++i;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      current += ' ';
    } else {
      current += c;
    }
  }
  flush();
  return lines;
}

// The city line: the last line, joined with the line above when it holds only the postal
// code ("Toronto ON" / "M5V 2T6"), or with the city standing on the line above ("Toronto" /
// "ON M5V 2T6"). `cityIndex` becomes the first line it takes (lines.size() when none).
std::optional<CityLine> find_city_line(const std::vector<std::string>& lines,
                                       std::size_t& cityIndex) {
  cityIndex = lines.size() - 1;
  std::optional<CityLine> city = read_city_line(lines[cityIndex]);
  if (city && city->state.empty() && city->city.empty() && city->before.empty() && cityIndex > 0) {
    if (auto joined = read_city_line(lines[cityIndex - 1] + " " + lines[cityIndex])) {
      city = std::move(joined);
      --cityIndex;
    }
  }
  if (city && city->city.empty() && city->before.empty()) {
    if (cityIndex > 0 && city_like(lines[cityIndex - 1])) {
      city->city = collapse(lines[cityIndex - 1]);
      --cityIndex;
    } else if (city->stateIsFullName) {
      // "New York 10001" under a street: the name is the city's.
      city->city = std::move(city->state);
      city->state.clear();
    }
  }
  if (!city) cityIndex = lines.size();
  return city;
}

// Box, route, station, site and compartment pieces of one line make one delivery line
// ("RR 3, Site 7, Comp 12", "PO Box 12, Stn A", "Route 2, Box 88"); a station or site left
// on its own is a secondary line.
std::vector<Part> merge_delivery_pieces(std::vector<Part> parts) {
  std::vector<Part> merged;
  for (auto& part : parts) {
    if (!merged.empty() && merged.back().line == part.line) {
      Part& last = merged.back();
      const bool routeAndBox = last.kind == Kind::WeakStreet && part.kind == Kind::PoBox;
      if (routeAndBox ||
          (is_box_like(last.kind) && (part.kind == Kind::Qualifier || is_box_like(part.kind)))) {
        last.text += ", " + part.text;
        if (last.kind == Kind::Qualifier || routeAndBox) last.kind = part.kind;
        continue;
      }
    }
    merged.push_back(std::move(part));
  }
  for (auto& part : merged)
    if (part.kind == Kind::Qualifier) part.kind = Kind::Secondary;
  return merged;
}

// The street is the last delivery line (the one above the city is where mail goes);
// failing that a street name, failing that the last other piece. -1 when there is none.
std::ptrdiff_t pick_street(const std::vector<Part>& parts) {
  std::ptrdiff_t street = -1;
  for (std::size_t i = 0; i < parts.size(); ++i)
    if (is_delivery(parts[i].kind)) street = static_cast<std::ptrdiff_t>(i);
  if (street >= 0) return street;
  for (Kind wanted : {Kind::WeakStreet, Kind::Other, Kind::Secondary})
    for (std::size_t i = parts.size(); i-- > 0;)
      if (parts[i].kind == wanted) return static_cast<std::ptrdiff_t>(i);
  return -1;
}

std::string join_pieces(const std::vector<std::string>& pieces, std::size_t from, std::size_t to) {
  std::string out;
  for (std::size_t i = from; i < to; ++i) {
    if (!out.empty()) out += ", ";
    out += pieces[i];
  }
  return out;
}

struct Layout {
  std::vector<std::string> leading;  // at most two lines
  std::string street, secondary;
  bool packed{false};   // three or more leading lines share the second
  bool unusual{false};  // something that is no secondary stands behind the street
};

// Pieces in front of the street lead (grouped by the line they came from, so a company
// name with a comma stays whole); secondaries and whatever stands behind the street follow
// it. A secondary on a leading line ("Mill Division, Building 7") stays with that line.
Layout lay_out(const std::vector<Part>& parts, std::ptrdiff_t street, std::size_t lineCount) {
  Layout layout;
  auto leads = [&](std::size_t i) {
    const auto index = static_cast<std::ptrdiff_t>(i);
    return parts[i].kind == Kind::Attention ||
           ((index < street || street < 0) && parts[i].kind != Kind::Secondary);
  };
  std::vector<bool> leadingLine(lineCount + 1, false);
  for (std::size_t i = 0; i < parts.size(); ++i)
    if (leads(i)) leadingLine[parts[i].line] = true;
  const std::size_t streetLine =
      street < 0 ? lineCount + 1 : parts[static_cast<std::size_t>(street)].line;

  std::vector<std::vector<std::string>> groups;
  std::size_t groupLine = lineCount + 1;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const Part& part = parts[i];
    const auto index = static_cast<std::ptrdiff_t>(i);
    if (index == street) {
      layout.street = part.text;
      continue;
    }
    const bool staysOnItsLine = part.kind == Kind::Secondary && index < street &&
                                leadingLine[part.line] && part.line != streetLine;
    if (leads(i) || staysOnItsLine) {
      if (groups.empty() || groupLine != part.line) groups.emplace_back();
      groupLine = part.line;
      groups.back().push_back(part.text);
    } else {
      if (part.kind != Kind::Secondary) layout.unusual = true;
      layout.secondary += (layout.secondary.empty() ? "" : ", ") + part.text;
    }
  }

  for (const auto& pieces : groups) layout.leading.push_back(join_pieces(pieces, 0, pieces.size()));
  // One long line of several pieces: split where the longer half is shortest.
  if (groups.size() == 1 && groups[0].size() > 1 && char_count(layout.leading[0]) > kLineLimit) {
    const auto& pieces = groups[0];
    std::size_t best = 1, bestLength = std::string::npos;
    for (std::size_t cut = 1; cut < pieces.size(); ++cut) {
      const std::size_t longer = std::max(char_count(join_pieces(pieces, 0, cut)),
                                          char_count(join_pieces(pieces, cut, pieces.size())));
      if (longer < bestLength) {
        bestLength = longer;
        best = cut;
      }
    }
    layout.leading = {join_pieces(pieces, 0, best), join_pieces(pieces, best, pieces.size())};
  }
  // Further lines join the second.
  if (layout.leading.size() > 2) {
    layout.packed = true;
    layout.unusual = true;
    std::vector<std::string> rest(layout.leading.begin() + 1, layout.leading.end());
    layout.leading = {layout.leading[0], join_pieces(rest, 0, rest.size())};
  }
  return layout;
}

// ---- Abbreviations ----------------------------------------------------------------------

const std::unordered_map<std::string_view, std::string_view>& abbreviations() {
  static const std::unordered_map<std::string_view, std::string_view> map{{"street", "St"},
                                                                          {"avenue", "Ave"},
                                                                          {"boulevard", "Blvd"},
                                                                          {"road", "Rd"},
                                                                          {"drive", "Dr"},
                                                                          {"lane", "Ln"},
                                                                          {"court", "Ct"},
                                                                          {"place", "Pl"},
                                                                          {"square", "Sq"},
                                                                          {"terrace", "Ter"},
                                                                          {"parkway", "Pkwy"},
                                                                          {"highway", "Hwy"},
                                                                          {"expressway", "Expy"},
                                                                          {"freeway", "Fwy"},
                                                                          {"crescent", "Cres"},
                                                                          {"circle", "Cir"},
                                                                          {"trail", "Trl"},
                                                                          {"heights", "Hts"},
                                                                          {"centre", "Ctr"},
                                                                          {"center", "Ctr"},
                                                                          {"suite", "Ste"},
                                                                          {"apartment", "Apt"},
                                                                          {"building", "Bldg"},
                                                                          {"floor", "Fl"},
                                                                          {"department", "Dept"},
                                                                          {"room", "Rm"},
                                                                          {"north", "N"},
                                                                          {"south", "S"},
                                                                          {"east", "E"},
                                                                          {"west", "W"},
                                                                          {"northeast", "NE"},
                                                                          {"northwest", "NW"},
                                                                          {"southeast", "SE"},
                                                                          {"southwest", "SW"},
                                                                          {"mount", "Mt"},
                                                                          {"fort", "Ft"},
                                                                          {"saint", "St"},
                                                                          {"sainte", "Ste"},
                                                                          {"company", "Co"},
                                                                          {"corporation", "Corp"},
                                                                          {"incorporated", "Inc"},
                                                                          {"limited", "Ltd"},
                                                                          {"international", "Intl"},
                                                                          {"association", "Assn"},
                                                                          {"manufacturing", "Mfg"},
                                                                          {"services", "Svcs"},
                                                                          {"attention", "Attn"},
                                                                          {"plaza", "Plz"},
                                                                          {"point", "Pt"},
                                                                          {"junction", "Jct"},
                                                                          {"apartments", "Apts"},
                                                                          {"office", "Ofc"},
                                                                          {"post", "P"},
                                                                          {"station", "Stn"},
                                                                          {"rural", "R"},
                                                                          {"route", "Rte"},
                                                                          {"general", "Gen"},
                                                                          {"delivery", "Del"},
                                                                          {"accounts", "Acct"},
                                                                          {"payable", "Pay"},
                                                                          {"receivable", "Rec"},
                                                                          {"university", "Univ"},
                                                                          {"national", "Natl"},
                                                                          {"brothers", "Bros"},
                                                                          {"industries", "Inds"},
                                                                          {"industrial", "Indl"},
                                                                          {"boulevard", "Blvd"},
                                                                          {"technologies", "Tech"},
                                                                          {"technology", "Tech"},
                                                                          {"management", "Mgmt"},
                                                                          {"engineering", "Eng"},
                                                                          {"hospital", "Hosp"},
                                                                          {"professional", "Prof"},
                                                                          {"building", "Bldg"},
                                                                          {"county", "Co"},
                                                                          {"memorial", "Mem"}};
  return map;
}

bool is_word_break(char c) {
  return is_blank(c) || c == '-' || c == '/';
}

}  // namespace

// ---- Public helpers ---------------------------------------------------------------------

bool is_zip_code(std::string_view text) {
  auto digits = [](std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), is_digit);
  };
  if (text.size() == 5 || text.size() == 9) return digits(text);
  return text.size() == 10 && text[5] == '-' && digits(text.substr(0, 5)) && digits(text.substr(6));
}

bool is_canadian_postal_code(std::string_view text) {
  if (text.size() == 6) return is_ana(text.substr(0, 3)) && is_nan(text.substr(3));
  if (text.size() == 7 && (text[3] == ' ' || text[3] == '-'))
    return is_ana(text.substr(0, 3)) && is_nan(text.substr(4));
  return false;
}

std::string region_code(std::string_view text) {
  const std::string key = collapse(fold(trim_piece(text)));
  auto found = region_table().find(key);
  return found == region_table().end() ? std::string() : std::string(found->second.code);
}

std::optional<CityLine> read_city_line(std::string_view line) {
  const auto tokens = tokenize(line);
  std::size_t n = tokens.size();
  if (n == 0) return std::nullopt;
  CityLine result;
  if (std::size_t k = country_at_end(tokens, n); k > 0 && k < n) {
    result.country = span_text(line, tokens, n - k, n);
    n -= k;
  }
  const std::size_t postal = postal_at_end(line, tokens, n);
  if (postal > 0) {
    result.postalCode = span_text(line, tokens, n - postal, n);
    n -= postal;
    if (std::size_t k = country_at_end(tokens, n); result.country.empty() && k > 0) {
      result.country = span_text(line, tokens, n - k, n);
      n -= k;
    }
  }
  if (n > 0) {
    if (auto state = state_at_end(line, tokens, n, postal > 0)) {
      result.state = span_text(line, tokens, n - state->count, n);
      result.stateIsFullName = state->form == RegionForm::Name;
      n -= state->count;
    }
  }
  if (result.state.empty() && result.postalCode.empty()) return std::nullopt;
  if (n == 0) return result;
  // The city runs back to the last comma in front of it.
  std::size_t start = 0;
  for (std::size_t i = n - 1; i > 0; --i)
    if (tokens[i].commaBefore) {
      start = i;
      break;
    }
  result.city = span_text(line, tokens, start, n);
  result.cityFromLineStart = start == 0;
  if (start > 0)
    for (auto piece : split_commas(line.substr(0, tokens[start].begin)))
      result.before.push_back(collapse(piece));
  return result;
}

std::string abbreviate_to_fit(std::string_view text, std::size_t limit) {
  std::string out(text);
  if (char_count(out) <= limit) return out;
  // Words that have an abbreviation, as [begin, end) in `out`.
  std::vector<std::pair<std::size_t, std::size_t>> words;
  std::size_t i = 0;
  while (i < out.size()) {
    while (i < out.size() && is_word_break(out[i])) ++i;
    const std::size_t start = i;
    while (i < out.size() && !is_word_break(out[i])) ++i;
    std::size_t end = i;
    while (end > start && (out[end - 1] == ',' || out[end - 1] == '.')) --end;
    if (end > start &&
        abbreviations().count(fold(std::string_view(out).substr(start, end - start))))
      words.emplace_back(start, end);
  }
  // Last words first: suffixes and directions go before names.
  for (auto it = words.rbegin(); it != words.rend(); ++it) {
    const std::string_view word = std::string_view(out).substr(it->first, it->second - it->first);
    std::string shorter(abbreviations().at(fold(word)));
    if (all_upper(word))
      for (char& ch : shorter) ch = upper(ch);
    out.replace(it->first, it->second - it->first, shorter);
    if (char_count(out) <= limit) break;
  }
  return out;
}

ParsedAddress AddressParser::parse(std::string_view text) const {
  ParsedAddress r;
  std::vector<std::string> lines = text_lines(text);
  if (lines.empty()) {
    r.error = "The address is empty.";
    r.confidence = "LOW";
    return r;
  }
  if (text.size() > kLongestText || lines.size() > kMostLines) {
    r.confidence = "LOW";
    r.street = collapse(lines.front());
    return r;
  }

  bool low = false, medium = false;
  // A country on a line of its own.
  if (lines.size() >= 2 && is_country_line(lines.back())) {
    std::string_view country = trim(lines.back());
    const bool dottedOnlyAtEnd =
        country.size() > 1 && country.back() == '.' &&
        country.substr(0, country.size() - 1).find('.') == std::string_view::npos;
    if (dottedOnlyAtEnd) country.remove_suffix(1);  // "USA." but "U.S.A."
    r.country = std::string(country);
    lines.pop_back();
  }

  std::size_t cityIndex = lines.size();
  std::optional<CityLine> city = find_city_line(lines, cityIndex);
  if (!city) {
    low = true;
  } else {
    if (r.country.empty()) r.country = city->country;
    if (city->state.empty() || city->postalCode.empty() || city->city.empty()) medium = true;
  }

  // Pieces above the city and in front of it on the city line, in order.
  std::vector<Part> parts;
  for (std::size_t i = 0; i < cityIndex; ++i) {
    const auto pieces = split_commas(lines[i]);
    classify_line(std::vector<std::string>(pieces.begin(), pieces.end()), i, parts);
  }
  if (city) {
    classify_line(city->before, cityIndex, parts);
    const bool deliveryAbove =
        std::any_of(parts.begin(), parts.end(), [](const Part& p) { return is_delivery(p.kind); });
    if (city->cityFromLineStart && !deliveryAbove) {
      // "123 Main St Springfield IL 62704": the street and the city share the words.
      const Words w = words_of(city->city);
      const std::string c = compact(city->city);
      const bool streetFirst = is_house_number(w.raw[0], w.key[0]) ||
                               prefix_then_digit(c, kBoxPrefixes) ||
                               prefix_then_digit(c, kRuralPrefixes) || is_general_delivery(c);
      if (streetFirst && w.size() > 1) {
        if (std::size_t end = street_end(w); end > 0) {
          classify_into(w.join(0, end), cityIndex, parts);
          city->city = w.join(end, w.size());
          medium = true;
        } else {
          low = true;
        }
      }
    }
    r.city = city->city;
    r.state = city->state;
    r.postalCode = city->postalCode;
  }

  parts = merge_delivery_pieces(std::move(parts));
  const std::ptrdiff_t street = pick_street(parts);
  if (street < 0 || !is_delivery(parts[static_cast<std::size_t>(street)].kind)) {
    if (!parts.empty()) medium = true;
  }
  Layout layout = lay_out(parts, street, cityIndex);
  r.street = std::move(layout.street);
  r.secondary = std::move(layout.secondary);
  if (layout.unusual) medium = true;
  std::vector<std::string> lead = std::move(layout.leading);

  if (abbreviateToFit) {
    for (auto& line : lead) line = abbreviate_to_fit(line, kLineLimit);
    r.street = abbreviate_to_fit(r.street, kLineLimit);
    r.secondary = abbreviate_to_fit(r.secondary, kLineLimit);
    r.city = abbreviate_to_fit(r.city, kCityLimit);
    if (char_count(r.state) > kStateLimit)
      if (std::string code = region_code(r.state); !code.empty()) r.state = code;
  }
  // Three or more lines in front of the street that do not fit into two: no safe answer.
  if (layout.packed && char_count(lead[1]) > kLineLimit) low = true;
  if (!lead.empty()) r.leadingBlock = lead[0];
  if (lead.size() > 1) r.leadingBlock += "\r\n" + lead[1];
  r.confidence = low ? "LOW" : medium ? "MEDIUM" : "HIGH";
  return r;
}

}  // namespace vqb
