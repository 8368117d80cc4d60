// rulecore: an embeddable expert-system shell.
// Free helper functions shared across the runtime: string hashing, name
// checking, kind names and set-to-text conversion, tolerant float comparison
// and the argument part of function help lines. None of them keeps state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/ie_consts.h"
#include "platform/type_info.h"

namespace rulecore {

// The hash of a text: h := h * 31 + character over every character of a text
// shorter than 16 characters, and over every (length / 8)-th character,
// starting with the first, of a longer one. 32-bit wrap-around; "" hashes to 0.
RULECORE_API int32_t CalculateHash(std::string_view s);
// The same recurrence over the characters at positions 1, 1 + step, ...
// (steps below 1 count as 1).
RULECORE_API int32_t CalculateHash(std::string_view s, int step);

// The characters template and slot names may not contain.
inline constexpr const char* SInvalidNameCharacters = " '\"#()[]?:$&;<>";

// The 1-based position of the first character of `s` that occurs in `chars`;
// 0 when none does.
RULECORE_API int ContainsCharacters(std::string_view s, std::string_view chars);
// `s` without any of the characters in `chars`.
RULECORE_API std::string StringFilter(std::string_view s, std::string_view chars);
// The text between the double quotes when `s` is a quoted string of at least
// two characters; `s` itself otherwise. Escapes are not processed.
RULECORE_API std::string IEStringToString(std::string_view s);

// The enumerator's name of a kind, e.g. "dtInteger"; "" outside 0..18.
RULECORE_API std::string GetIETypeName(TIEType kind);
// The run-time names of TIEType.
RULECORE_API const TEnumInfo& IETypeInfo();

// The names of the kinds in `kinds`, in ordinal order, each without its "dt"
// prefix, joined with `separator`, in "[...]" when `brackets` is true.
RULECORE_API std::string SetToString(TIETypes kinds, std::string_view separator = ",",
                                     bool brackets = true);
// The same for any enumeration set given as bits, removing `prefix_length`
// characters from each member name.
RULECORE_API std::string SetToString(const TEnumInfo& info, uint32_t bits,
                                     std::string_view separator, bool brackets, int prefix_length);
// The inverse: `text` is trimmed and split at "[", "]", "," and blanks; every
// piece with `prefix` put in front must name a member, else EConvertError with
// SInvalidSetItem. Returns the set as bits.
RULECORE_API uint32_t StringToSet(std::string_view text, const TEnumInfo& info,
                                  std::string_view prefix);

// True when `a` and `b` differ by at most 0.0001. Every caller passes that
// tolerance; the argument is accepted for them and not consulted.
RULECORE_API bool FloatEquals(double a, double b, double tolerance = 0.0001);

// The argument part of a function's help line, built from the placeholders
// between "<" and ">" in `syntax`: each shown argument is written as a blank
// and its placeholder ("<expression>" when `syntax` has no more); the
// arguments beyond `min_args` are each enclosed in "[" and "]". At most
// `count` arguments are shown (all required ones at least); when `max_args`
// allows more than are shown, " ..." follows. E.g. (" <a> <b>", 1, 2, 10)
// gives " <a> [<b>]".
RULECORE_API std::string CreateArgumentExpressions(std::string_view syntax, int32_t min_args,
                                                   int32_t max_args, int32_t count);

// Reads a whole text as a decimal 32-bit integer (optional sign and digits,
// surrounding blanks allowed). Returns false when it is not one.
RULECORE_API bool TryStrToInt(std::string_view text, int32_t* value);
// Reads a whole text as a decimal floating-point number (optional sign,
// digits, optional fraction and exponent; surrounding blanks allowed).
RULECORE_API bool TryStrToFloat(std::string_view text, double* value);
// `x` truncated toward zero and wrapped to 32 bits (the low 32 bits of the
// truncated value, however large); NaN and the infinities give 0.
RULECORE_API int32_t TruncToInt32(double x);

}  // namespace rulecore
