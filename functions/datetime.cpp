// rulecore: an embeddable expert-system shell.
// Date-time numbers: the calendar arithmetic is the civil-from-days
// conversion over 400-year eras, valid for every proleptic Gregorian date;
// the number is rounded to whole milliseconds once, before it is split, so
// that a date and its time of day always agree.
#include "functions/datetime.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <string>

#include "core/messages.h"
#include "platform/exception.h"
#include "platform/format.h"

namespace rulecore {

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Days from 1970-01-01 back to 1899-12-30, the day numbered 0.
constexpr int64_t kUnixDayZero = 25569;
// The day numbers of 0001-01-01 and 9999-12-31.
constexpr int64_t kFirstDay = -693593;
constexpr int64_t kLastDay = 2958465;

const char* const kShortDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kShortMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonths[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

bool IsLeapYear(int64_t y) {
  return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
}

int DaysInMonth(int64_t y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

TDateParts CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = yoe + era * 400 + (m <= 2);
  return {static_cast<int32_t>(y), static_cast<int32_t>(m), static_cast<int32_t>(d)};
}

// The day number and the milliseconds into that day.
struct TSplit {
  int64_t day;
  int64_t ms;
};

TSplit Split(double date_time, std::string_view function) {
  // Checked before rounding, so that the conversion below stays in range.
  if (!std::isfinite(date_time) || date_time < static_cast<double>(kFirstDay - 1) ||
      date_time > static_cast<double>(kLastDay + 1))
    throw EConvertError(Format(SDateTimeOutOfRange, {function, FloatToStr4(date_time)}));
  const int64_t total = std::llround(std::fabs(date_time) * static_cast<double>(kMsPerDay));
  TSplit s{total / kMsPerDay, total % kMsPerDay};
  if (date_time < 0) s.day = -s.day;
  if (s.day < kFirstDay || s.day > kLastDay)
    throw EConvertError(Format(SDateTimeOutOfRange, {function, FloatToStr4(date_time)}));
  return s;
}

TTimeParts TimeFromMs(int64_t ms) {
  TTimeParts t;
  t.hour = static_cast<int32_t>(ms / 3600000);
  t.minute = static_cast<int32_t>(ms / 60000 % 60);
  t.second = static_cast<int32_t>(ms / 1000 % 60);
  t.millisecond = static_cast<int32_t>(ms % 1000);
  return t;
}

// `value` in decimal, at least `width` digits.
std::string Digits(int64_t value, int width) {
  std::string s = std::to_string(value);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), '0');
  return s;
}

std::string DateText(const TDateParts& d) {
  return Digits(d.year, 4) + "-" + Digits(d.month, 2) + "-" + Digits(d.day, 2);
}

std::string TimeText(const TTimeParts& t) {
  return Digits(t.hour, 2) + ":" + Digits(t.minute, 2) + ":" + Digits(t.second, 2);
}

// A small reader over the text of a date or time.
class TReader {
 public:
  explicit TReader(std::string_view text) : text_(text) {}
  bool AtEnd() const { return pos_ >= text_.size(); }
  bool Blank() const { return !AtEnd() && (text_[pos_] == ' ' || text_[pos_] == '\t'); }
  void SkipBlanks() {
    while (Blank())
      ++pos_;
  }
  bool Take(char c) {
    if (AtEnd() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  // Reads between `min` and `max` decimal digits.
  bool Number(int min, int max, int32_t* value) {
    int n = 0;
    int64_t v = 0;
    while (n < max && !AtEnd() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      v = v * 10 + (text_[pos_++] - '0');
      ++n;
    }
    *value = static_cast<int32_t>(v);
    return n >= min;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

bool ReadDate(TReader& r, double* day) {
  int32_t y, m, d;
  if (!r.Number(1, 4, &y) || !r.Take('-') || !r.Number(1, 2, &m) || !r.Take('-') ||
      !r.Number(1, 2, &d))
    return false;
  if (y < 1 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return false;
  *day = static_cast<double>(DaysFromCivil(y, m, d) + kUnixDayZero);
  return true;
}

bool ReadTime(TReader& r, double* fraction) {
  int32_t h, n, s = 0, ms = 0;
  if (!r.Number(1, 2, &h) || !r.Take(':') || !r.Number(1, 2, &n)) return false;
  if (r.Take(':')) {
    if (!r.Number(1, 2, &s)) return false;
    if (r.Take('.')) {
      // "5" after the point is 500 milliseconds, "05" is 50.
      int32_t digit;
      int count = 0;
      while (count < 3 && r.Number(1, 1, &digit)) {
        ms += digit * (count == 0 ? 100 : count == 1 ? 10 : 1);
        ++count;
      }
      if (count == 0) return false;
    }
  }
  if (h > 23 || n > 59 || s > 59) return false;
  *fraction = static_cast<double>(((h * 60 + n) * 60 + s) * 1000 + ms) / kMsPerDay;
  return true;
}

// A date and a time joined; before day 0 the time counts forward from the
// day's midnight, so it is taken away from the (negative) day number.
double Join(double day, double fraction) {
  return day < 0 ? day - fraction : day + fraction;
}

[[noreturn]] void BadText(std::string_view text, const char* what, std::string_view function) {
  throw EConvertError(Format(SInvalidDateTimeText, {text, what, function}));
}

double MachineNow() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const int64_t ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  const double day = static_cast<double>(
      DaysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) + kUnixDayZero);
  const double fraction =
      static_cast<double>(((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 +
                          (ms < 0 ? ms + 1000 : ms)) /
      kMsPerDay;
  return Join(day, fraction);
}

TDateTimeSource g_source = nullptr;

}  // namespace

double EncodeDate(int32_t year, int32_t month, int32_t day, std::string_view function) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    throw EConvertError(Format(SInvalidDateEncode, {function, year, month, day}));
  return static_cast<double>(DaysFromCivil(year, month, day) + kUnixDayZero);
}

double EncodeTime(int32_t hour, int32_t minute, int32_t second, int32_t millisecond,
                  std::string_view function) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999)
    throw EConvertError(Format(SInvalidTimeEncode, {function, hour, minute, second, millisecond}));
  const int64_t ms = ((hour * 60 + minute) * 60 + second) * 1000 + millisecond;
  return static_cast<double>(ms) / kMsPerDay;
}

TDateParts DecodeDate(double date_time, std::string_view function) {
  return CivilFromDays(Split(date_time, function).day - kUnixDayZero);
}

TTimeParts DecodeTime(double date_time, std::string_view function) {
  return TimeFromMs(Split(date_time, function).ms);
}

int DayOfWeek(double date_time, std::string_view function) {
  // Day 0 was a Saturday.
  const int64_t day = Split(date_time, function).day;
  return static_cast<int>(((day + 6) % 7 + 7) % 7);
}

std::string DateTimeToText(double date_time, std::string_view function) {
  const TSplit s = Split(date_time, function);
  return DateText(CivilFromDays(s.day - kUnixDayZero)) + " " + TimeText(TimeFromMs(s.ms));
}

std::string DateToText(double date_time, std::string_view function) {
  return DateText(DecodeDate(date_time, function));
}

std::string TimeToText(double date_time, std::string_view function) {
  return TimeText(DecodeTime(date_time, function));
}

double TextToDateTime(std::string_view text, std::string_view function) {
  // A date, a time, or both: try the date first, then the time.
  TReader r(text);
  r.SkipBlanks();
  double day = 0, fraction = 0;
  TReader date_reader = r;
  if (ReadDate(date_reader, &day)) {
    r = date_reader;
    if (r.Blank()) {
      r.SkipBlanks();
      if (!r.AtEnd() && !ReadTime(r, &fraction)) BadText(text, "date and time", function);
    }
  } else if (!ReadTime(r, &fraction)) {
    BadText(text, "date and time", function);
  }
  r.SkipBlanks();
  if (!r.AtEnd()) BadText(text, "date and time", function);
  return Join(day, fraction);
}

double TextToDate(std::string_view text, std::string_view function) {
  TReader r(text);
  r.SkipBlanks();
  double day = 0;
  if (!ReadDate(r, &day)) BadText(text, "date", function);
  r.SkipBlanks();
  if (!r.AtEnd()) BadText(text, "date", function);
  return day;
}

double TextToTime(std::string_view text, std::string_view function) {
  TReader r(text);
  r.SkipBlanks();
  double fraction = 0;
  if (!ReadTime(r, &fraction)) BadText(text, "time", function);
  r.SkipBlanks();
  if (!r.AtEnd()) BadText(text, "time", function);
  return fraction;
}

std::string FormatDateTime(std::string_view pattern, double date_time, std::string_view function) {
  const TSplit s = Split(date_time, function);
  const TDateParts d = CivilFromDays(s.day - kUnixDayZero);
  const TTimeParts t = TimeFromMs(s.ms);
  const int weekday = static_cast<int>(((s.day + 6) % 7 + 7) % 7);

  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  auto starts = [&](size_t i, std::string_view word) {
    if (pattern.size() - i < word.size()) return false;
    for (size_t k = 0; k < word.size(); ++k)
      if (lower(pattern[i + k]) != word[k]) return false;
    return true;
  };
  // A 12-hour clock when the pattern holds an am/pm marker outside quotes.
  bool twelve = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '"' || pattern[i] == '\'') {
      const size_t close = pattern.find(pattern[i], i + 1);
      if (close == std::string_view::npos) break;
      i = close;
    } else if (starts(i, "am/pm") || starts(i, "a/p") || starts(i, "ampm")) {
      twelve = true;
    }
  }
  const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
  const int hour = twelve ? hour12 : t.hour;

  std::string out;
  bool after_hour = false;  // an m that follows an h means minutes
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    const char lc = lower(c);
    size_t run = 1;
    while (i + run < pattern.size() && lower(pattern[i + run]) == lc)
      ++run;
    if (c == '"' || c == '\'') {
      const size_t close = pattern.find(c, i + 1);
      const size_t end = close == std::string_view::npos ? pattern.size() : close;
      out.append(pattern.substr(i + 1, end - i - 1));
      i = end == pattern.size() ? end : end + 1;
      continue;
    }
    if (lc == 'a') {
      if (starts(i, "am/pm")) {
        out += t.hour < 12 ? pattern.substr(i, 2) : pattern.substr(i + 3, 2);
        i += 5;
        continue;
      }
      if (starts(i, "a/p")) {
        out += t.hour < 12 ? pattern.substr(i, 1) : pattern.substr(i + 2, 1);
        i += 3;
        continue;
      }
      if (starts(i, "ampm")) {
        out += t.hour < 12 ? "AM" : "PM";
        i += 4;
        continue;
      }
    }
    switch (lc) {
      case 'd':
        if (run == 1)
          out += std::to_string(d.day);
        else if (run == 2)
          out += Digits(d.day, 2);
        else if (run == 3)
          out += kShortDays[weekday];
        else if (run == 4)
          out += kLongDays[weekday];
        else if (run == 5)
          out += DateText(d);
        else {
          out += std::string(kLongDays[weekday]) + ", " + std::to_string(d.day) + " " +
                 kLongMonths[d.month - 1] + " " + Digits(d.year, 4);
          run = 6;  // longer runs repeat from here
        }
        break;
      case 'm':
        if (after_hour && run <= 2) {
          out += run == 1 ? std::to_string(t.minute) : Digits(t.minute, 2);
        } else {
          if (run > 4) run = 4;
          if (run == 1)
            out += std::to_string(d.month);
          else if (run == 2)
            out += Digits(d.month, 2);
          else if (run == 3)
            out += kShortMonths[d.month - 1];
          else
            out += kLongMonths[d.month - 1];
        }
        break;
      case 'y':
        if (run > 4) run = 4;
        out += run <= 2 ? Digits(d.year % 100, 2) : Digits(d.year, 4);
        break;
      case 'h':
        if (run > 2) run = 2;
        out += run == 1 ? std::to_string(hour) : Digits(hour, 2);
        break;
      case 'n':
        if (run > 2) run = 2;
        out += run == 1 ? std::to_string(t.minute) : Digits(t.minute, 2);
        break;
      case 's':
        if (run > 2) run = 2;
        out += run == 1 ? std::to_string(t.second) : Digits(t.second, 2);
        break;
      case 'z':
        if (run >= 3) {
          run = 3;
          out += Digits(t.millisecond, 3);
        } else {
          run = 1;
          out += std::to_string(t.millisecond);
        }
        break;
      case 't':
        if (run > 2) run = 2;
        out += run == 1 ? Digits(t.hour, 2) + ":" + Digits(t.minute, 2) : TimeText(t);
        break;
      case 'c':
        run = 1;
        out += DateText(d) + " " + TimeText(t);
        break;
      default:
        out.append(pattern.substr(i, run));
        break;
    }
    if (lc == 'h')
      after_hour = true;
    else if (lc != ' ' && lc != ':' && lc != '.' && lc != '-' && lc != '/')
      after_hour = false;
    i += run;
  }
  return out;
}

double Now() {
  return g_source ? g_source() : MachineNow();
}

TDateTimeSource SetDateTimeSource(TDateTimeSource source) {
  TDateTimeSource old = g_source;
  g_source = source;
  return old;
}

}  // namespace rulecore
