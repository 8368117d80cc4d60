// rulecore: an embeddable expert-system shell.
// A small printf-style formatter for the message catalogue. It understands
// "%s", "%d", "%c", "%%" and "%[flags][width][.precision]f/e/g/x/u/i"; every
// argument is a FormatArg, so a mismatched argument prints sensibly instead of
// crashing: a number given to %s prints as its decimal text, text given to %d
// prints as it stands. Missing arguments print as nothing.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/export.h"

namespace rulecore {

class RULECORE_API FormatArg {
 public:
  enum class Kind : uint8_t { kText, kInt, kFloat, kChar };

  FormatArg(std::string_view s) : kind_(Kind::kText), text_(s) {}
  FormatArg(const std::string& s) : kind_(Kind::kText), text_(s) {}
  FormatArg(const char* s) : kind_(Kind::kText), text_(s ? s : "") {}
  FormatArg(int v) : kind_(Kind::kInt), int_(v) {}
  FormatArg(long v) : kind_(Kind::kInt), int_(v) {}
  FormatArg(long long v) : kind_(Kind::kInt), int_(v) {}
  FormatArg(unsigned v) : kind_(Kind::kInt), int_(v) {}
  FormatArg(double v) : kind_(Kind::kFloat), float_(v) {}
  FormatArg(char c) : kind_(Kind::kChar), int_(static_cast<unsigned char>(c)) {}

  Kind kind() const { return kind_; }
  std::string_view text() const { return text_; }
  int64_t as_int() const { return kind_ == Kind::kFloat ? static_cast<int64_t>(float_) : int_; }
  double as_float() const { return kind_ == Kind::kFloat ? float_ : static_cast<double>(int_); }

 private:
  Kind kind_;
  std::string_view text_;
  int64_t int_ = 0;
  double float_ = 0.0;
};

// Formats `format` with `args`, one argument per directive, left to right.
RULECORE_API std::string Format(std::string_view format, std::initializer_list<FormatArg> args);

// The same, formatting floats with the fixed "%.4f" form used by printed values.
RULECORE_API std::string FloatToStr4(double v);

}  // namespace rulecore
