// rulecore: an embeddable expert-system shell.
// Checks that the numeric function packages (math, trigonometry, business)
// share: a float result must be a finite number, divisors must not be zero,
// and an argument outside a function's domain is refused by name. Every
// failure is an EIEException naming the function. Internal to the library.
#pragma once

#include <cmath>

#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"

namespace rulecore::builtin {

// Raises SArgumentOutOfDomain for function `name` with the `problem` text.
[[noreturn]] inline void DomainError(const char* name, const char* problem) {
  RaiseIE(SArgumentOutOfDomain, {name, problem});
}

// `x` when it is a finite number; otherwise SFloatOverflow (an infinity)
// or SInvalidFloatOperation (not a number), naming function `name`.
inline double Finite(double x, const char* name) {
  if (std::isnan(x)) RaiseIE(SInvalidFloatOperation, {name});
  if (std::isinf(x)) RaiseIE(SFloatOverflow, {name});
  return x;
}

// A new float value holding `x`, checked by Finite.
inline Ref<IIEValue> FloatResult(double x, const char* name) {
  return NewFloat(Finite(x, name));
}

// `divisor` itself; SDivideByZero for function `name` when it is zero.
template <class T>
inline T NonZero(T divisor, const char* name) {
  if (divisor == 0) RaiseIE(SDivideByZero, {name});
  return divisor;
}

// The numeric value of `value` (the value model's conversion, which raises
// for values that are not numbers); an infinite number, such as the
// text 1e400 read as a float, is refused by Finite.
inline double NumberOf(IIEValue* value, const char* name) {
  return Finite(value->GetAsNumeric(), name);
}

// The integer value of `value` (a float truncates toward zero and wraps to
// 32 bits); an infinite number is refused as by NumberOf.
inline int32_t IntegerOf(IIEValue* value, const char* name) {
  if (value->GetDType() == dtInteger) return value->GetAsInteger();
  int32_t i = value->GetAsInteger();
  NumberOf(value, name);
  return i;
}

}  // namespace rulecore::builtin
