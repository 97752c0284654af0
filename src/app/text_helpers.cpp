#include "app/text_helpers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <ctime>
#include <limits>
#include <vector>

namespace vqb {

namespace {

bool is_skipped_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Walks a text while ignoring blanks, tabs and line feeds, as the numeric-value rule wants.
class BlankSkippingReader {
 public:
  explicit BlankSkippingReader(std::string_view text) : text_(text) {}

  // The next significant character, or '\0' at the end.
  char peek(std::size_t ahead = 0) const {
    std::size_t pos = pos_;
    for (;;) {
      while (pos < text_.size() && is_skipped_blank(text_[pos])) ++pos;
      if (pos >= text_.size()) return '\0';
      if (ahead == 0) return text_[pos];
      --ahead;
      ++pos;
    }
  }
  void advance(std::size_t count = 1) {
    for (; count > 0; --count) {
      while (pos_ < text_.size() && is_skipped_blank(text_[pos_])) ++pos_;
      if (pos_ < text_.size()) ++pos_;
    }
  }

 private:
  std::string_view text_;
  std::size_t pos_{0};
};

double read_radix(BlankSkippingReader& in, int radix) {
  double value = 0;
  for (;;) {
    const char c = lower(in.peek());
    int digit = -1;
    if (is_digit(c))
      digit = c - '0';
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    if (digit < 0 || digit >= radix) break;
    value = value * radix + digit;
    in.advance();
  }
  return value;
}

// Decimal number from already separated parts: mantissa digits with the point after
// `int_digits` of them, times 10^exponent.
double decimal_value(bool negative, const std::string& digits, std::size_t int_digits,
                     long exponent) {
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return 0.0;
  // Decimal magnitude of the leading non-zero digit decides overflow and underflow
  // before from_chars, which would leave its result untouched out of range.
  const long magnitude = static_cast<long>(int_digits) - static_cast<long>(first) + exponent;
  const double sign = negative ? -1.0 : 1.0;
  if (magnitude > 400) return sign * std::numeric_limits<double>::infinity();
  if (magnitude < -400) return 0.0;
  std::string text = digits.substr(0, int_digits) + "." + digits.substr(int_digits) + "e" +
                     std::to_string(exponent);
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec == std::errc::result_out_of_range)
    return magnitude > 0 ? sign * std::numeric_limits<double>::infinity() : 0.0;
  return sign * value;
}

// The value rounded to 15 significant digits, as decimal digits: value = d.ddd... x 10^exp.
struct Decimal15 {
  bool negative{false};
  std::string digits;  // exactly 15 digits
  int exponent{0};
};

Decimal15 to_decimal15(double value) {
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::scientific, 14);
  const std::string_view text(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));
  Decimal15 out;
  std::size_t pos = 0;
  if (text[pos] == '-') {
    out.negative = true;
    ++pos;
  }
  const std::size_t e = text.find('e');
  for (; pos < e; ++pos)
    if (is_digit(text[pos])) out.digits += text[pos];
  std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(),
                  out.exponent);
  return out;
}

// |value| x 10^decimals rounded half away from zero, as a string of decimal digits.
// Rounding works on the 15-significant-digit decimal the user sees, so binary error
// in a typed amount (1.005 is stored as 1.00499999...) never turns a visible .5 down.
std::string scaled_rounded_digits(const Decimal15& d, int decimals) {
  const int keep = d.exponent + decimals + 1;  // digits at or above the 10^-decimals place
  std::string result;
  if (keep <= 0) {
    result = (keep == 0 && d.digits[0] >= '5') ? "1" : "0";
  } else if (keep >= static_cast<int>(d.digits.size())) {
    result = d.digits + std::string(static_cast<std::size_t>(keep) - d.digits.size(), '0');
  } else {
    result = d.digits.substr(0, static_cast<std::size_t>(keep));
    if (d.digits[static_cast<std::size_t>(keep)] >= '5') {
      std::size_t i = result.size();
      while (i > 0 && result[i - 1] == '9') result[--i] = '0';
      if (i == 0)
        result.insert(result.begin(), '1');
      else
        ++result[i - 1];
    }
  }
  const std::size_t first = result.find_first_not_of('0');
  return first == std::string::npos ? "0" : result.substr(first);
}

// Digits of a scaled integer written with `decimals` places ("5", 2 -> "0.05").
std::string with_decimals(std::string digits, int decimals) {
  if (decimals <= 0) return digits;
  const auto places = static_cast<std::size_t>(decimals);
  if (digits.size() <= places) digits.insert(0, places + 1 - digits.size(), '0');
  digits.insert(digits.size() - places, ".");
  return digits;
}

std::string group_thousands(const std::string& integer_digits) {
  std::string out;
  const std::size_t n = integer_digits.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += ',';
    out += integer_digits[i];
  }
  return out;
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

// Number of decimals of a "0", "0.0", "0.00", ... format, or -1 for any other format.
int fixed_format_decimals(std::string_view format) {
  if (format.empty() || format[0] != '0') return -1;
  if (format.size() == 1) return 0;
  if (format[1] != '.' || format.size() < 3) return -1;
  for (std::size_t i = 2; i < format.size(); ++i)
    if (format[i] != '0') return -1;
  return static_cast<int>(format.size() - 2);
}

// Byte length of the character starting at `pos`. Malformed bytes count as one character
// each, so a valid character is never split and garbage never swallows its neighbours.
std::size_t char_length_at(std::string_view text, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t expected = 1;
  if (lead >= 0xF0 && lead <= 0xF7)
    expected = 4;
  else if (lead >= 0xE0)
    expected = lead <= 0xEF ? 3 : 1;
  else if (lead >= 0xC0)
    expected = 2;
  std::size_t length = 1;
  while (length < expected && pos + length < text.size() &&
         (static_cast<unsigned char>(text[pos + length]) & 0xC0) == 0x80)
    ++length;
  return length;
}

// ---- Calendar ----

std::int64_t floor_div(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12).
std::int64_t days_from_civil(std::int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = floor_div(y, 400);
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy =
      (153u * static_cast<unsigned>(m + (m > 2 ? -3 : 9)) + 2) / 5 + static_cast<unsigned>(d) - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civil_from_days(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = floor_div(z, 146097);
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2 ? 1 : 0));
}

constexpr std::int64_t kOleEpoch = -25569;  // 1899-12-30 in days since 1970-01-01
constexpr std::int64_t kSecondsPerDay = 86400;

// Day number (days since 1899-12-30) of a date whose month may lie outside 1..12 and whose
// day may lie outside the month: both carry over, as in a date built from parts.
std::int64_t ole_day_number(std::int64_t year, std::int64_t month, std::int64_t day) {
  year += floor_div(month - 1, 12);
  month = month - 1 - floor_div(month - 1, 12) * 12 + 1;
  return days_from_civil(year, static_cast<int>(month), 1) + (day - 1) - kOleEpoch;
}

// 0 = Sunday; day 0, 1899-12-30, was a Saturday.
int weekday_of(std::int64_t day_number) {
  return static_cast<int>(day_number + 6 - floor_div(day_number + 6, 7) * 7);
}

constexpr std::array<const char*, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};

std::string two_digits(int n) {
  std::string s = std::to_string(n);
  return s.size() < 2 ? "0" + s : s;
}

enum class DateToken {
  kLiteral,
  kDay,
  kDay2,
  kDayAbbrev,
  kDayName,
  kMonth,
  kMonth2,
  kMonthAbbrev,
  kMonthName,
  kYear2,
  kYear4,
  kHour,
  kHour2,
  kMinute,
  kMinute2,
  kSecond,
  kSecond2,
  kAmPm,  // AM/PM in any case: the text copies the case written
  kAP,    // A/P
  kWeekday,
  kWeekOfYear,
};

struct DatePart {
  DateToken token;
  std::string text;  // literal text, or the AM/PM token as written
};

bool starts_with_ignoring_case(std::string_view text, std::size_t pos, std::string_view what) {
  return text.size() - pos >= what.size() &&
         equals_ignoring_case(text.substr(pos, what.size()), what);
}

std::size_t run_length(std::string_view text, std::size_t pos, char c, std::size_t max) {
  std::size_t n = 0;
  while (n < max && pos + n < text.size() && lower(text[pos + n]) == c) ++n;
  return n;
}

std::vector<DatePart> parse_date_format(std::string_view format) {
  std::vector<DatePart> parts;
  auto literal = [&parts](std::string_view text) {
    if (!parts.empty() && parts.back().token == DateToken::kLiteral)
      parts.back().text += text;
    else
      parts.push_back({DateToken::kLiteral, std::string(text)});
  };
  bool after_hour = false;  // m and mm mean minutes right after an h or hh token
  std::size_t pos = 0;
  while (pos < format.size()) {
    const char c = lower(format[pos]);
    DateToken token = DateToken::kLiteral;
    std::size_t length = 1;
    if (format[pos] == '"') {
      const std::size_t end = format.find('"', pos + 1);
      const std::size_t stop = end == std::string_view::npos ? format.size() : end;
      literal(format.substr(pos + 1, stop - pos - 1));
      pos = stop == format.size() ? stop : stop + 1;
      continue;
    }
    if (format[pos] == '\\') {
      if (pos + 1 < format.size()) {
        const std::size_t n = char_length_at(format, pos + 1);
        literal(format.substr(pos + 1, n));
        pos += 1 + n;
      } else {
        ++pos;
      }
      continue;
    }
    if (starts_with_ignoring_case(format, pos, "am/pm")) {
      parts.push_back({DateToken::kAmPm, std::string(format.substr(pos, 5))});
      after_hour = false;
      pos += 5;
      continue;
    }
    if (starts_with_ignoring_case(format, pos, "a/p")) {
      parts.push_back({DateToken::kAP, std::string(format.substr(pos, 3))});
      after_hour = false;
      pos += 3;
      continue;
    }
    switch (c) {
      case 'd': {
        length = run_length(format, pos, 'd', 4);
        constexpr std::array<DateToken, 4> kDays = {DateToken::kDay, DateToken::kDay2,
                                                    DateToken::kDayAbbrev, DateToken::kDayName};
        token = kDays[length - 1];
        break;
      }
      case 'm': {
        length = run_length(format, pos, 'm', 4);
        constexpr std::array<DateToken, 4> kMonths = {
            DateToken::kMonth, DateToken::kMonth2, DateToken::kMonthAbbrev, DateToken::kMonthName};
        token = kMonths[length - 1];
        if (after_hour && length <= 2)
          token = length == 1 ? DateToken::kMinute : DateToken::kMinute2;
        break;
      }
      case 'y':
        // yyyy or yy; a lone y is copied like any other character.
        length = run_length(format, pos, 'y', 4);
        if (length == 4) {
          token = DateToken::kYear4;
        } else if (length >= 2) {
          token = DateToken::kYear2;
          length = 2;
        }
        break;
      case 'h':
        length = run_length(format, pos, 'h', 2);
        token = length == 1 ? DateToken::kHour : DateToken::kHour2;
        break;
      case 'n':
        length = run_length(format, pos, 'n', 2);
        token = length == 1 ? DateToken::kMinute : DateToken::kMinute2;
        break;
      case 's':
        length = run_length(format, pos, 's', 2);
        token = length == 1 ? DateToken::kSecond : DateToken::kSecond2;
        break;
      case 'w':
        length = run_length(format, pos, 'w', 2);
        token = length == 1 ? DateToken::kWeekday : DateToken::kWeekOfYear;
        break;
      default:
        break;
    }
    if (token == DateToken::kLiteral) {
      const std::size_t n = char_length_at(format, pos);
      literal(format.substr(pos, n));
      pos += n;
      continue;
    }
    after_hour = token == DateToken::kHour || token == DateToken::kHour2;
    parts.push_back({token, {}});
    pos += length;
  }
  return parts;
}

std::string render_date(double ole, const std::vector<DatePart>& parts) {
  const DateTime t = from_ole_date(ole);
  bool twelve_hour = false;
  for (const DatePart& part : parts)
    if (part.token == DateToken::kAmPm || part.token == DateToken::kAP) twelve_hour = true;

  const std::int64_t day_number = ole_day_number(t.year, t.month, t.day);
  const int weekday = weekday_of(day_number);
  const std::int64_t jan1 = ole_day_number(t.year, 1, 1);
  const int jan1_weekday = weekday_of(jan1);
  // Weeks start on Sunday; week 1 is the one holding 1 January.
  const auto week_of_year = static_cast<int>((day_number - jan1 + jan1_weekday) / 7 + 1);
  const bool pm = t.hour >= 12;
  const int hour = twelve_hour ? (t.hour % 12 == 0 ? 12 : t.hour % 12) : t.hour;

  std::string out;
  for (const DatePart& part : parts) {
    switch (part.token) {
      case DateToken::kLiteral:
        out += part.text;
        break;
      case DateToken::kDay:
        out += std::to_string(t.day);
        break;
      case DateToken::kDay2:
        out += two_digits(t.day);
        break;
      case DateToken::kDayAbbrev:
        out += std::string(kDayNames[weekday]).substr(0, 3);
        break;
      case DateToken::kDayName:
        out += kDayNames[weekday];
        break;
      case DateToken::kMonth:
        out += std::to_string(t.month);
        break;
      case DateToken::kMonth2:
        out += two_digits(t.month);
        break;
      case DateToken::kMonthAbbrev:
        out += std::string(kMonthNames[t.month - 1]).substr(0, 3);
        break;
      case DateToken::kMonthName:
        out += kMonthNames[t.month - 1];
        break;
      case DateToken::kYear2:
        out += two_digits(((t.year % 100) + 100) % 100);
        break;
      case DateToken::kYear4:
        out += std::to_string(t.year);
        break;
      case DateToken::kHour:
        out += std::to_string(hour);
        break;
      case DateToken::kHour2:
        out += two_digits(hour);
        break;
      case DateToken::kMinute:
        out += std::to_string(t.minute);
        break;
      case DateToken::kMinute2:
        out += two_digits(t.minute);
        break;
      case DateToken::kSecond:
        out += std::to_string(t.second);
        break;
      case DateToken::kSecond2:
        out += two_digits(t.second);
        break;
      case DateToken::kAmPm:
        out += pm ? part.text.substr(3, 2) : part.text.substr(0, 2);
        break;
      case DateToken::kAP:
        out += pm ? part.text.substr(2, 1) : part.text.substr(0, 1);
        break;
      case DateToken::kWeekday:
        out += std::to_string(weekday + 1);
        break;
      case DateToken::kWeekOfYear:
        out += std::to_string(week_of_year);
        break;
    }
  }
  return out;
}

std::string format_date_pattern(double ole, std::string_view pattern) {
  return render_date(ole, parse_date_format(pattern));
}

}  // namespace

double numeric_value(std::string_view text) {
  BlankSkippingReader in(text);
  if (in.peek() == '&') {
    const char kind = lower(in.peek(1));
    if (kind == 'h' || kind == 'o') {
      in.advance(2);
      return read_radix(in, kind == 'h' ? 16 : 8);
    }
    return 0.0;
  }
  bool negative = false;
  if (in.peek() == '+' || in.peek() == '-') {
    negative = in.peek() == '-';
    in.advance();
  }
  std::string digits;
  while (is_digit(in.peek())) {
    digits += in.peek();
    in.advance();
  }
  const std::size_t int_digits = digits.size();
  if (in.peek() == '.') {
    in.advance();
    while (is_digit(in.peek())) {
      digits += in.peek();
      in.advance();
    }
  }
  if (digits.empty()) return 0.0;

  long exponent = 0;
  const char e = lower(in.peek());
  if (e == 'e' || e == 'd') {
    // The exponent counts only when digits follow; "12E" and "3 East" stop before the letter.
    std::size_t ahead = 1;
    const bool sign = in.peek(1) == '+' || in.peek(1) == '-';
    if (sign) ++ahead;
    if (is_digit(in.peek(ahead))) {
      const bool exponent_negative = in.peek(1) == '-';
      in.advance(ahead);
      while (is_digit(in.peek())) {
        if (exponent < 100000) exponent = exponent * 10 + (in.peek() - '0');
        in.advance();
      }
      if (exponent_negative) exponent = -exponent;
    }
  }
  return decimal_value(negative, digits, int_digits, exponent);
}

// Like the classic platform's default number text: 15 significant digits with trailing
// zeros dropped (which is also the shortest text that reads back, whenever one of 15 digits
// or fewer exists). Plain digits for decimal exponents -5 < e < 15, otherwise exponent form
// with a sign and at least two digits: 123456789012345, 1E+15, 0.0001, 1E-05.
std::string number_text(double value) {
  if (value == 0.0) return "0";  // also -0.0
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::general, 15);
  std::string text(buffer.data(), result.ptr);
  for (char& c : text)
    if (c == 'e') c = 'E';
  return text;
}

double round_half_away(double value) {
  if (!std::isfinite(value)) return value;
  const Decimal15 d = to_decimal15(value);
  const std::string digits = scaled_rounded_digits(d, 0);
  if (digits == "0") return 0.0;
  double magnitude = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
  return d.negative ? -magnitude : magnitude;
}

// "0", "0.0", "0.00", ... round halves away from zero; "Currency" adds "$", thousands
// separators and parentheses for negatives. An amount that rounds to zero shows no sign.
// Any other format gives the default number text.
std::string format_number(double value, std::string_view format) {
  const bool currency = equals_ignoring_case(format, "Currency");
  const int decimals = currency ? 2 : fixed_format_decimals(format);
  if (decimals < 0 || !std::isfinite(value)) return number_text(value);
  const Decimal15 d = to_decimal15(value);
  const std::string digits = scaled_rounded_digits(d, decimals);
  const bool negative = d.negative && digits != "0";
  std::string text = with_decimals(digits, decimals);
  if (!currency) return negative ? "-" + text : text;
  const std::size_t point = text.find('.');
  text = "$" + group_thousands(text.substr(0, point)) + text.substr(point);
  return negative ? "(" + text + ")" : text;
}

// Amounts beyond the 64-bit range saturate; NaN gives 0.
std::int64_t to_hundredths(double amount) {
  if (std::isnan(amount)) return 0;
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  if (std::isinf(amount)) return amount > 0 ? kMax : kMin;
  const Decimal15 d = to_decimal15(amount);
  const std::string digits = scaled_rounded_digits(d, 2);
  std::uint64_t magnitude = 0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
  if (result.ec == std::errc::result_out_of_range || magnitude > static_cast<std::uint64_t>(kMax))
    return d.negative ? kMin : kMax;
  return d.negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
}

std::string hundredths_text(std::int64_t hundredths) {
  const bool negative = hundredths < 0;
  // Unsigned magnitude so the most negative value does not overflow.
  const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(hundredths)
                                           : static_cast<std::uint64_t>(hundredths);
  const std::string text = with_decimals(std::to_string(magnitude), 2);
  return negative ? "-" + text : text;
}

std::string sql_quote(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

std::string first_chars(std::string_view text, std::size_t n) {
  std::size_t pos = 0;
  for (std::size_t count = 0; count < n && pos < text.size(); ++count)
    pos += char_length_at(text, pos);
  return std::string(text.substr(0, pos));
}

std::size_t char_count(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); pos += char_length_at(text, pos)) ++count;
  return count;
}

std::string to_lower_ascii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = lower(c);
  return out;
}

std::string printable_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) continue;
    if (c == 0xC2 && i + 1 < text.size() &&
        (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80) {
      ++i;  // U+0080 to U+009F
      continue;
    }
    out += text[i];
  }
  return out;
}

// Fields outside their usual range carry over (month 13 is January of the next year,
// hour 24 the next day). Before 1899-12-30 the whole part counts days backwards while the
// fraction still runs forward through the day: 1899-12-29 06:00 is -1.25.
double to_ole_date(const DateTime& value) {
  const std::int64_t seconds =
      std::int64_t{value.hour} * 3600 + std::int64_t{value.minute} * 60 + value.second;
  const std::int64_t days =
      ole_day_number(value.year, value.month, value.day) + floor_div(seconds, kSecondsPerDay);
  const double fraction =
      static_cast<double>(seconds - floor_div(seconds, kSecondsPerDay) * kSecondsPerDay) /
      kSecondsPerDay;
  const auto whole = static_cast<double>(days);
  return days >= 0 ? whole + fraction : whole - fraction;
}

// Rounded to the nearest second. NaN reads as day 0; values beyond about 2.7 million years
// are held there so the calendar arithmetic stays in range.
DateTime from_ole_date(double ole) {
  if (std::isnan(ole)) ole = 0;
  constexpr double kLimit = 1e9;
  if (ole > kLimit) ole = kLimit;
  if (ole < -kLimit) ole = -kLimit;
  const double whole = std::trunc(ole);
  auto days = static_cast<std::int64_t>(whole);
  auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(ole - whole) * kSecondsPerDay));
  if (seconds >= kSecondsPerDay) {
    ++days;
    seconds -= kSecondsPerDay;
  }
  DateTime out;
  civil_from_days(days + kOleEpoch, out.year, out.month, out.day);
  out.hour = static_cast<int>(seconds / 3600);
  out.minute = static_cast<int>(seconds / 60 % 60);
  out.second = static_cast<int>(seconds % 60);
  return out;
}

namespace {
DateTime local_now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour,        local.tm_min,     local.tm_sec};
}
}  // namespace

double ole_now() {
  return to_ole_date(local_now());
}

double ole_today() {
  DateTime today = local_now();
  today.hour = today.minute = today.second = 0;
  return to_ole_date(today);
}

std::string now_text() {
  return number_text(ole_now());
}

// Named formats use the classic platform's defaults without a locale choice. "General Date"
// always shows the date and adds the time only when there is one. An empty format gives
// the short date.
std::string format_date(double ole, std::string_view format) {
  if (format.empty() || equals_ignoring_case(format, "Short Date")) return short_date(ole);
  if (equals_ignoring_case(format, "Short Time")) return format_date_pattern(ole, "hh:nn");
  if (equals_ignoring_case(format, "Long Date"))
    return format_date_pattern(ole, "dddd, mmmm d, yyyy");
  if (equals_ignoring_case(format, "Medium Date")) return format_date_pattern(ole, "dd-mmm-yy");
  if (equals_ignoring_case(format, "Long Time")) return format_date_pattern(ole, "h:nn:ss AM/PM");
  if (equals_ignoring_case(format, "Medium Time")) return format_date_pattern(ole, "hh:nn AM/PM");
  if (equals_ignoring_case(format, "General Date")) {
    const DateTime t = from_ole_date(ole);
    std::string text = short_date(ole);
    if (t.hour != 0 || t.minute != 0 || t.second != 0)
      text += " " + format_date_pattern(ole, "h:nn:ss AM/PM");
    return text;
  }
  return format_date_pattern(ole, format);
}

std::string short_date(double ole) {
  const DateTime t = from_ole_date(ole);
  return std::to_string(t.month) + "/" + std::to_string(t.day) + "/" + std::to_string(t.year);
}

std::string iso_date(double ole) {
  const DateTime t = from_ole_date(ole);
  std::string year = std::to_string(t.year);
  if (year.size() < 4) year.insert(0, 4 - year.size(), '0');
  return year + "-" + two_digits(t.month) + "-" + two_digits(t.day);
}

}  // namespace vqb
