#include "app/text_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace vqb {
namespace {

TEST(NumericValue, ReadsTheLeadingNumber) {
  const struct {
    const char* text;
    double expected;
  } cases[] = {
      {"", 0},
      {"abc", 0},
      {"True", 0},
      {"-", 0},
      {".", 0},
      {"+-1", 0},
      {"12", 12},
      {"+7", 7},
      {" -3", -3},
      {"-12.5abc", -12.5},
      {".5", 0.5},
      {"-.25", -0.25},
      {"1.2.3", 1.2},
      {"1,000", 1},
      {"0.1", 0.1},
      {"1 615 198th St", 1615198},
      {"\t1\n2 .\n5", 12.5},
      {"1.5D2", 150},
      {"2e3", 2000},
      {"1E-2", 0.01},
      {"1 e 2", 100},
      {"12E", 12},
      {"12E+", 12},
      {"12Dx", 12},
      {"3 Main", 3},
      {"3 East", 3},
      {"&H1F", 31},
      {"&h ff", 255},
      {"&O17", 15},
      {"&O8", 0},
      {"&", 0},
      {"&X1", 0},
      {"\r5", 0},  // only blanks, tabs and line feeds are skipped
  };
  for (const auto& c : cases) EXPECT_EQ(numeric_value(c.text), c.expected) << '"' << c.text << '"';
}

TEST(NumericValue, OutOfRangeExponents) {
  EXPECT_EQ(numeric_value("1E400"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(numeric_value("-1E400"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(numeric_value("1E-400"), 0);
  EXPECT_EQ(numeric_value("0E99999"), 0);
}

TEST(NumberText, ShortestTextWithFifteenDigits) {
  const struct {
    double value;
    const char* expected;
  } cases[] = {
      {12.5, "12.5"},
      {100.0, "100"},
      {0.1 + 0.2, "0.3"},
      {46000.5, "46000.5"},
      {0.0, "0"},
      {-0.0, "0"},
      {-2.75, "-2.75"},
      {1.0 / 3, "0.333333333333333"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E+15"},
      {1e16, "1E+16"},
      {-2.5e100, "-2.5E+100"},
      {0.0001, "0.0001"},
      {1e-5, "1E-05"},
      {1.5e-7, "1.5E-07"},
      {46362.75, "46362.75"},
  };
  for (const auto& c : cases) EXPECT_EQ(number_text(c.value), c.expected) << c.value;
}

TEST(NumberText, ReadsBackWithTheNumericValueRule) {
  for (const double value : {12.5, -0.001, 46362.7395833333, 1e-5, 1e16, 9.87654321e-12})
    EXPECT_EQ(numeric_value(number_text(value)), value) << number_text(value);
}

TEST(Rounding, HalvesGoAwayFromZeroOnTheVisibleDecimal) {
  const struct {
    double value;
    double expected;
  } cases[] = {
      {2.5, 3},
      {-2.5, -3},
      {0.5, 1},
      {0.49, 0},
      {1.5, 2},
      {-1.4, -1},
      // 2.4999999999999996 shows as 2.5
      {2.4999999999999996, 3},
      {1e20, 1e20},
  };
  for (const auto& c : cases) EXPECT_EQ(round_half_away(c.value), c.expected) << c.value;
  EXPECT_FALSE(std::signbit(round_half_away(-0.4)));
}

TEST(Rounding, FormatNumber) {
  const struct {
    double value;
    const char* format;
    const char* expected;
  } cases[] = {
      {2.5, "0", "3"},
      {-2.5, "0", "-3"},
      {0.4, "0", "0"},
      {-0.4, "0", "0"},
      {1e20, "0", "100000000000000000000"},
      {1234.5, "0.00", "1234.50"},
      {0.125, "0.00", "0.13"},
      {1.005, "0.00", "1.01"},
      {-1.005, "0.00", "-1.01"},
      {2.675, "0.00", "2.68"},
      {9.995, "0.00", "10.00"},
      {0.0, "0.00", "0.00"},
      {-0.001, "0.00", "0.00"},
      {1234567.891, "0.00", "1234567.89"},
      {0.05, "0.0", "0.1"},
      {1234.56, "Currency", "$1,234.56"},
      {-1234.56, "Currency", "($1,234.56)"},
      {0.0, "Currency", "$0.00"},
      {0.5, "Currency", "$0.50"},
      {100, "Currency", "$100.00"},
      {999.995, "Currency", "$1,000.00"},
      {-1234567.5, "Currency", "($1,234,567.50)"},
      {12.5, "General Number", "12.5"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(format_number(c.value, c.format), c.expected) << c.value << " " << c.format;
}

TEST(Rounding, Hundredths) {
  const struct {
    double amount;
    std::int64_t expected;
  } cases[] = {
      {1.005, 101},    {19.99, 1999},      {-0.125, -13}, {0.0, 0},    {123.45, 12345},
      {0.1 + 0.2, 30}, {46000.5, 4600050}, {2.675, 268},  {-0.004, 0}, {0.005, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(to_hundredths(c.amount), c.expected) << c.amount;
  EXPECT_EQ(to_hundredths(1e30), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(to_hundredths(-1e30), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(to_hundredths(std::nan("")), 0);

  EXPECT_EQ(hundredths_text(12345), "123.45");
  EXPECT_EQ(hundredths_text(-5), "-0.05");
  EXPECT_EQ(hundredths_text(0), "0.00");
  EXPECT_EQ(hundredths_text(100), "1.00");
  EXPECT_EQ(hundredths_text(-12345), "-123.45");
  EXPECT_EQ(hundredths_text(std::numeric_limits<std::int64_t>::min()), "-92233720368547758.08");
}

TEST(Text, SqlQuoteDoublesQuotesAndLowerCaseIsAsciiOnly) {
  const char* const quoted[][2] = {
      {"O'Brien", "O''Brien"}, {"''", "''''"}, {"plain", "plain"}, {"", ""}};
  for (const auto& [text, expected] : quoted) EXPECT_EQ(sql_quote(text), expected) << text;
  EXPECT_EQ(to_lower_ascii("ABC xyz-09"), "abc xyz-09");
  EXPECT_EQ(to_lower_ascii("\xC3\x89"
                           "A"),
            "\xC3\x89"
            "a");  // É stays
}

TEST(Text, CharactersAreCodePoints) {
  const struct {
    const char* text;
    std::size_t n;
    const char* first;
    std::size_t count;
  } cases[] = {
      {"abc", 10, "abc", 3},
      {"", 3, "", 0},
      {"abc", 0, "", 3},
      {"h\xC3\xA9llo", 2, "h\xC3\xA9", 5},                                         // é
      {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", 2, "\xE6\x97\xA5\xE6\x9C\xAC", 3},  // 日本語
      {"a\xF0\x9F\x98\x80"
       "b",
       2, "a\xF0\x9F\x98\x80", 3},  // emoji
      {"\xFF\xFE", 1, "\xFF", 2},   // invalid bytes: one each
      {"\x80"
       "a",
       1, "\x80", 2},                    // stray continuation
      {"a\xE6\x97", 2, "a\xE6\x97", 2},  // truncated character
  };
  for (const auto& c : cases) {
    EXPECT_EQ(first_chars(c.text, c.n), c.first) << c.text;
    EXPECT_EQ(char_count(c.text), c.count) << c.text;
  }
}

bool same(const DateTime& a, const DateTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
         a.minute == b.minute && a.second == b.second;
}

TEST(OleDate, KnownDays) {
  const struct {
    DateTime date;
    double ole;
  } cases[] = {
      {{1899, 12, 30}, 0},
      {{1899, 12, 31}, 1},
      {{1900, 1, 1}, 2},
      {{1900, 2, 28}, 60},
      {{1900, 3, 1}, 61},
      {{2000, 1, 1}, 36526},
      {{2024, 2, 29}, 45351},
      {{2026, 12, 6}, 46362},
      {{9999, 12, 31}, 2958465},
      {{1899, 12, 29}, -1},
      {{1800, 1, 1}, -36522},
      {{100, 1, 1}, -657434},
      {{2026, 12, 6, 18, 0, 0}, 46362.75},
      {{1899, 12, 30, 6, 0, 0}, 0.25},
      {{1899, 12, 29, 6, 0, 0}, -1.25},
      {{1899, 12, 29, 18, 0, 0}, -1.75},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(to_ole_date(c.date), c.ole) << c.ole;
    EXPECT_TRUE(same(from_ole_date(c.ole), c.date)) << c.ole;
  }
}

TEST(OleDate, EveryDayRoundTripsAndFollowsTheCalendar) {
  DateTime previous = from_ole_date(-40000);
  for (int day = -39999; day <= 80000; ++day) {
    const DateTime date = from_ole_date(day);
    ASSERT_EQ(to_ole_date(date), day);
    const bool next_day =
        date.year == previous.year && date.month == previous.month && date.day == previous.day + 1;
    const bool next_month =
        date.day == 1 && ((date.year == previous.year && date.month == previous.month + 1) ||
                          (date.year == previous.year + 1 && date.month == 1 &&
                           previous.month == 12 && previous.day == 31));
    ASSERT_TRUE(next_day || next_month) << day;
    if (next_month && date.month == 3) {
      const int y = date.year;
      const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
      ASSERT_EQ(previous.day, leap ? 29 : 28) << y;
    }
    previous = date;
  }
}

TEST(OleDate, TimeRoundsToTheNearestSecondAndFieldsCarry) {
  const double six_pm = 46362.75;
  EXPECT_TRUE(same(from_ole_date(six_pm + 0.4 / 86400), {2026, 12, 6, 18, 0, 0}));
  EXPECT_TRUE(same(from_ole_date(six_pm + 0.6 / 86400), {2026, 12, 6, 18, 0, 1}));
  EXPECT_TRUE(same(from_ole_date(46362.9999999), {2026, 12, 7, 0, 0, 0}));
  EXPECT_TRUE(same(from_ole_date(-0.25), {1899, 12, 30, 6, 0, 0}));
  const DateTime t = from_ole_date(to_ole_date({2024, 2, 29, 23, 59, 59}));
  EXPECT_TRUE(same(t, {2024, 2, 29, 23, 59, 59}));
  EXPECT_EQ(to_ole_date({2026, 13, 1}), to_ole_date({2027, 1, 1}));
  EXPECT_EQ(to_ole_date({2026, 12, 6, 24, 0, 0}), to_ole_date({2026, 12, 7}));
  EXPECT_EQ(to_ole_date({2024, 2, 30}), to_ole_date({2024, 3, 1}));
}

TEST(OleDate, NowAndToday) {
  const double today = ole_today();
  const double now = ole_now();
  EXPECT_EQ(today, std::floor(today));
  EXPECT_GE(now, today);
  EXPECT_LT(now - today, 1.0 + 1e-6);
  const double before = ole_now();
  const double written = numeric_value(now_text());
  EXPECT_GE(written, before - 1e-9);
  EXPECT_LE(written, ole_now() + 1e-9);
}

TEST(FormatDate, NamedFormats) {
  const double evening = to_ole_date({2026, 12, 6, 17, 45, 0});
  EXPECT_EQ(format_date(evening, "Short Date"), "12/6/2026");
  EXPECT_EQ(format_date(evening, "short date"), "12/6/2026");
  EXPECT_EQ(format_date(evening, ""), "12/6/2026");
  EXPECT_EQ(format_date(evening, "Short Time"), "17:45");
  EXPECT_EQ(format_date(evening, "Long Date"), "Sunday, December 6, 2026");
  EXPECT_EQ(format_date(evening, "General Date"), "12/6/2026 5:45:00 PM");
  EXPECT_EQ(format_date(46362, "General Date"), "12/6/2026");
  EXPECT_EQ(format_date(-1.25, "Long Date"), "Friday, December 29, 1899");
  EXPECT_EQ(short_date(61), "3/1/1900");
  EXPECT_EQ(short_date(evening), "12/6/2026");
  EXPECT_EQ(iso_date(evening), "2026-12-06");
  EXPECT_EQ(iso_date(0), "1899-12-30");
  EXPECT_EQ(iso_date(45351), "2024-02-29");
}

TEST(FormatDate, CustomPatterns) {
  const double evening = to_ole_date({2026, 12, 6, 17, 45, 9});
  const double morning = to_ole_date({2026, 3, 4, 9, 5, 0});
  const struct {
    double ole;
    const char* format;
    const char* expected;
  } cases[] = {
      {evening, "dd mmm yyyy", "06 Dec 2026"},
      {evening, "yyyy-mm-dd hh:nn", "2026-12-06 17:45"},
      {evening, "DD/MM/YYYY", "06/12/2026"},
      {evening, "m/d/yy", "12/6/26"},
      {evening, "ddd dddd mmmm", "Sun Sunday December"},
      {evening, "hh:mm:ss", "17:45:09"},
      {evening, "h:m:s", "17:45:9"},
      {evening, "h:mm AM/PM", "5:45 PM"},
      {evening, "hh am/pm", "05 pm"},
      {evening, "h A/P", "5 P"},
      {evening, "h a/p", "5 p"},
      {morning, "h:nn AM/PM", "9:05 AM"},
      {morning, "hh:nn", "09:05"},
      {morning, "mm:ss", "03:00"},  // no hour before it: m is the month
      {morning, "h mmm", "9 Mar"},  // mmm is always the month
      {to_ole_date({2026, 1, 1, 0, 30, 0}), "h:nn AM/PM", "12:30 AM"},
      {to_ole_date({2026, 1, 1, 12, 0, 0}), "h:nn AM/PM", "12:00 PM"},
      {evening, "\"Day \"d", "Day 6"},
      {evening, "\\d d \\h", "d 6 h"},
      {evening, "d-m-y", "6-12-y"},
      {evening, "yyy", "26y"},
      {evening, "d.m.yyyy, Q#", "6.12.2026, Q#"},
      {evening, "w ww", "1 50"},
      {to_ole_date({2022, 1, 1}), "w ww", "7 1"},
      {to_ole_date({2022, 1, 2}), "w ww", "1 2"},
      {to_ole_date({2023, 12, 31}), "ww", "53"},
      {-1.25, "yyyy-mm-dd hh:nn", "1899-12-29 06:00"},
      {evening, "\"unclosed", "unclosed"},
  };
  for (const auto& c : cases) EXPECT_EQ(format_date(c.ole, c.format), c.expected) << c.format;
}

}  // namespace
}  // namespace vqb
