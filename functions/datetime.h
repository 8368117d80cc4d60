// rulecore: an embeddable expert-system shell.
// Date-time numbers and their text. A date-time is a double whose whole part
// counts days since 30 December 1899 (day 0) and whose fraction is the time
// of day; before day 0 the fraction still counts forward from midnight (-1.25
// is 29 December 1899, 06:00). Dates follow the proleptic Gregorian calendar
// for the years 1 to 9999, and every conversion is our own, so results do not
// depend on the machine's locale. Only the current time reads the machine's
// clock and time zone. Conversions that fail raise EConvertError.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/export.h"

namespace rulecore {

struct TDateParts {
  int32_t year = 0, month = 0, day = 0;
};
struct TTimeParts {
  int32_t hour = 0, minute = 0, second = 0, millisecond = 0;
};

// The day number of a date. Raises EConvertError (SInvalidDateEncode, with
// `function` in it) unless 1 <= year <= 9999 and month and day name a day of
// that year.
RULECORE_API double EncodeDate(int32_t year, int32_t month, int32_t day,
                               std::string_view function = "encode-date");
// The fraction of a day of a time. Raises EConvertError (SInvalidTimeEncode)
// unless 0 <= hour < 24, 0 <= minute < 60, 0 <= second < 60 and
// 0 <= millisecond < 1000.
RULECORE_API double EncodeTime(int32_t hour, int32_t minute, int32_t second, int32_t millisecond,
                               std::string_view function = "encode-time");
// The parts of a date-time, rounded to the millisecond (a time that rounds
// up to midnight belongs to the next day). Raises EConvertError
// (SDateTimeOutOfRange) for a number that is not finite or lies outside the
// years 1 to 9999.
RULECORE_API TDateParts DecodeDate(double date_time, std::string_view function = "decode");
RULECORE_API TTimeParts DecodeTime(double date_time, std::string_view function = "decode");
// 0 for Sunday ... 6 for Saturday.
RULECORE_API int DayOfWeek(double date_time, std::string_view function = "decode");

// The default texts: "YYYY-MM-DD HH:MM:SS", "YYYY-MM-DD" and "HH:MM:SS"
// (24-hour clock, milliseconds not shown).
RULECORE_API std::string DateTimeToText(double date_time,
                                        std::string_view function = "datetime-str");
RULECORE_API std::string DateToText(double date_time, std::string_view function = "date-str");
RULECORE_API std::string TimeToText(double date_time, std::string_view function = "time-str");
// The inverses. A date is "YYYY-MM-DD"; a time is "HH:MM", "HH:MM:SS" or
// "HH:MM:SS.mmm"; TextToDateTime takes a date, a time, or a date, blanks and
// a time. Blanks around the text are allowed. Anything else raises
// EConvertError (SInvalidDateTimeText) naming the text and `function`.
RULECORE_API double TextToDateTime(std::string_view text,
                                   std::string_view function = "str-datetime");
RULECORE_API double TextToDate(std::string_view text, std::string_view function = "str-date");
RULECORE_API double TextToTime(std::string_view text, std::string_view function = "str-time");

// The date-time written by a pattern; letters are matched without regard to
// case:
//   d dd           day of the month, 1 or 2 digits / always 2
//   ddd dddd       day name, "Sun" / "Sunday"
//   ddddd dddddd   the date as "YYYY-MM-DD" / as "Sunday, 2 January 2000"
//   m mm           month, 1 or 2 digits / always 2 (minutes right after an h)
//   mmm mmmm       month name, "Jan" / "January"
//   yy yyyy        year in 2 digits / in 4 (y and yyy count as yy and yyyy)
//   h hh           hour, 1 or 2 digits / always 2 (12-hour with am/pm)
//   n nn           minute;  s ss  second;  z zzz  millisecond (1-3 / 3 digits)
//   t tt           the time as "HH:MM" / as "HH:MM:SS"
//   c              the whole date-time as "YYYY-MM-DD HH:MM:SS"
//   am/pm a/p      "am"/"pm" or "a"/"p" in the case written; ampm gives AM/PM
//   "..." '...'    the text between the quotes as it stands
// Every other character is copied. EConvertError as DecodeDate.
RULECORE_API std::string FormatDateTime(std::string_view pattern, double date_time,
                                        std::string_view function = "datetime-str-format");

// The machine's current local date-time. A host or a test may substitute its
// own source; SetDateTimeSource returns the one it replaces (nullptr restores
// the machine's clock).
using TDateTimeSource = double (*)();
RULECORE_API double Now();
RULECORE_API TDateTimeSource SetDateTimeSource(TDateTimeSource source);

}  // namespace rulecore
