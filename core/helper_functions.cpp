// rulecore: an embeddable expert-system shell.
#include "core/helper_functions.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "core/messages.h"
#include "platform/exception.h"
#include "platform/format.h"

namespace rulecore {

int32_t CalculateHash(std::string_view s, int step) {
  if (step < 1) step = 1;
  uint32_t h = 0;
  for (size_t i = 0; i < s.size(); i += static_cast<size_t>(step))
    h = h * 31u + static_cast<unsigned char>(s[i]);
  return static_cast<int32_t>(h);
}

int32_t CalculateHash(std::string_view s) {
  return CalculateHash(s, s.size() < 16 ? 1 : static_cast<int>(s.size() / 8));
}

int ContainsCharacters(std::string_view s, std::string_view chars) {
  size_t pos = s.find_first_of(chars);
  return pos == std::string_view::npos ? 0 : static_cast<int>(pos) + 1;
}

std::string StringFilter(std::string_view s, std::string_view chars) {
  std::string out;
  out.reserve(s.size());
  for (char c : s)
    if (chars.find(c) == std::string_view::npos) out += c;
  return out;
}

std::string IEStringToString(std::string_view s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
    return std::string(s.substr(1, s.size() - 2));
  return std::string(s);
}

const TEnumInfo& IETypeInfo() {
  static const TEnumInfo info{
      "TIEType",
      {"dtNone", "dtAtom", "dtString", "dtInteger", "dtVariable", "dtFactId", "dtFloat",
       "dtFunCall", "dtFact", "dtList", "dtDescriptor", "dtObject", "dtClass", "dtExternalAddress",
       "dtSingletons", "dtFuzzy", "dtMultiVariable", "dtSlot", "dtMultiSlot"}};
  return info;
}

std::string GetIETypeName(TIEType kind) {
  const TEnumInfo& info = IETypeInfo();
  if (static_cast<int>(kind) >= info.Count()) return {};
  return std::string(info.names[kind]);
}

std::string SetToString(const TEnumInfo& info, uint32_t bits, std::string_view separator,
                        bool brackets, int prefix_length) {
  std::string out;
  bool first = true;
  for (int i = 0; i < info.Count() && i < 32; ++i) {
    if (!((bits >> i) & 1u)) continue;
    if (!first) out += separator;
    first = false;
    std::string_view name = info.names[static_cast<size_t>(i)];
    if (prefix_length > 0) name.remove_prefix(std::min<size_t>(prefix_length, name.size()));
    out += name;
  }
  return brackets ? "[" + out + "]" : out;
}

std::string SetToString(TIETypes kinds, std::string_view separator, bool brackets) {
  return SetToString(IETypeInfo(), kinds.Bits(), separator, brackets, 2);
}

uint32_t StringToSet(std::string_view text, const TEnumInfo& info, std::string_view prefix) {
  uint32_t bits = 0;
  size_t i = 0;
  constexpr std::string_view kSeparators = "[], \t\r\n";
  while (i < text.size()) {
    i = text.find_first_not_of(kSeparators, i);
    if (i == std::string_view::npos) break;
    size_t j = text.find_first_of(kSeparators, i);
    if (j == std::string_view::npos) j = text.size();
    std::string name = std::string(prefix) + std::string(text.substr(i, j - i));
    int ordinal = info.IndexOf(name);
    if (ordinal < 0 || ordinal >= 32) throw EConvertError(Format(SInvalidSetItem, {name}));
    bits |= 1u << ordinal;
    i = j;
  }
  return bits;
}

bool FloatEquals(double a, double b, double /*tolerance*/) {
  return b - 0.0001 <= a && a <= b + 0.0001;
}

std::string CreateArgumentExpressions(std::string_view syntax, int32_t min_args, int32_t max_args,
                                      int32_t count) {
  std::vector<std::string_view> placeholders;
  for (size_t i = syntax.find('<'); i != std::string_view::npos; i = syntax.find('<', i)) {
    size_t j = syntax.find('>', i);
    if (j == std::string_view::npos) break;
    placeholders.push_back(syntax.substr(i, j - i + 1));
    i = j + 1;
  }
  if (min_args < 0) min_args = 0;
  if (max_args < min_args) max_args = min_args;
  int32_t shown = std::max(min_args, std::min(max_args, count));
  std::string out;
  for (int32_t i = 0; i < shown; ++i) {
    std::string_view p = static_cast<size_t>(i) < placeholders.size()
                             ? placeholders[static_cast<size_t>(i)]
                             : std::string_view("<expression>");
    if (i < min_args) {
      out += ' ';
      out += p;
    } else {
      out += " [";
      out += p;
      out += ']';
    }
  }
  if (max_args > shown) out += " ...";
  return out;
}

namespace {

std::string_view TrimBlanks(std::string_view s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string_view::npos) return {};
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

}  // namespace

bool TryStrToInt(std::string_view text, int32_t* value) {
  std::string_view s = TrimBlanks(text);
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (i >= s.size()) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
    if (v > static_cast<int64_t>(INT32_MAX) + 1) return false;
  }
  if (negative) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

bool TryStrToFloat(std::string_view text, double* value) {
  std::string_view s = TrimBlanks(text);
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9')
    ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
      ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t exp_digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
      ++i, ++exp_digits;
    if (exp_digits == 0) return false;
  }
  if (i != s.size()) return false;
  std::string copy(s);
  *value = std::strtod(copy.c_str(), nullptr);
  return true;
}

int32_t TruncToInt32(double x) {
  if (!std::isfinite(x)) return 0;
  // fmod is exact, so this keeps the true low 32 bits of any finite value,
  // including those beyond the 64-bit range.
  double low = std::fmod(std::trunc(x), 4294967296.0);
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(low)));
}

}  // namespace rulecore
