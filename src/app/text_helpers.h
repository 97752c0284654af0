#pragma once
// Conversions the integrator uses everywhere: numbers read from text, numbers written as
// text, money in hundredths, SQL quoting, character-safe truncation, OLE Automation dates
// and date formats.

#include <cstdint>
#include <string>
#include <string_view>

namespace vqb {

// Leading number of a text: blanks, tabs and line feeds anywhere are ignored, optional
// sign, digits, one decimal point, optional exponent (E or D); "&H"/"&O" read hex/octal.
// "" and texts that do not start with a number give 0.
double numeric_value(std::string_view text);

// Shortest text that reads back the same, at most 15 significant digits:
// 12.5 -> "12.5", 100.0 -> "100", 0.1+0.2 -> "0.3", 1e16 -> "1E+16".
std::string number_text(double value);

// Rounds halves away from zero to a whole number.
double round_half_away(double value);
// Formats "0", "0.00" and "Currency" ("$1,234.56", negatives "($1,234.56)").
std::string format_number(double value, std::string_view format);
// amount x 100 rounded as "0".
std::int64_t to_hundredths(double amount);
// 12345 -> "123.45", -5 -> "-0.05".
std::string hundredths_text(std::int64_t hundredths);

// Doubles every single quote, for text placed between single quotes in SQL.
std::string sql_quote(std::string_view text);
// The first n characters (UTF-8 code points), never splitting a character.
std::string first_chars(std::string_view text, std::size_t n);
// Number of characters (UTF-8 code points).
std::size_t char_count(std::string_view text);
std::string to_lower_ascii(std::string_view text);
// The text without what a terminal would act on: control characters (tab and line feed
// stay), DEL and the C1 controls U+0080 to U+009F (an escape sequence loses its ESC).
std::string printable_text(std::string_view text);

// OLE Automation dates: days since 1899-12-30, time of day as the fraction.
struct DateTime {
  int year{1899}, month{12}, day{30};
  int hour{}, minute{}, second{};
};
double to_ole_date(const DateTime& value);
DateTime from_ole_date(double ole);
double ole_now();    // local date and time
double ole_today();  // local date, a whole number
// The current date and time as an OLE date number written as decimal text.
std::string now_text();

// Formats an OLE date with a named format ("Short Date", "Short Time", "Long Date",
// "General Date") or a custom pattern (d dd ddd dddd m mm mmm mmmm yy yyyy h hh n nn s ss
// AM/PM am/pm A/P w ww, quoted text and \x copied as they stand).
std::string format_date(double ole, std::string_view format);
// "12/6/2026": month/day/year, no leading zeros.
std::string short_date(double ole);
// A calendar date as qbXML wants it: "2026-12-06".
std::string iso_date(double ole);

}  // namespace vqb
