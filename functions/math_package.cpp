// rulecore: an embeddable expert-system shell.
#include "functions/math_package.h"

#include <cmath>
#include <cstdint>

#include "core/helper_functions.h"
#include "functions/arithmetic_internal.h"
#include "functions/builtin.h"
#include "platform/random.h"

namespace rulecore {

namespace {

using namespace builtin;

// ---------------------------------------------------------------- + - *

// `d` as a 32-bit pattern when it is a whole number in the 32-bit range.
bool WholeInt32(double d, uint32_t* bits) {
  if (!(d >= -2147483648.0 && d < 2147483648.0) || d != std::trunc(d)) return false;
  *bits = static_cast<uint32_t>(static_cast<int32_t>(d));
  return true;
}

// Folds the arguments from `from` on into a start value. The float total is
// the fold in doubles; alongside it, while every value is a whole 32-bit
// number, the same fold runs modulo 2^32, so that an integer result is
// exactly what 32-bit arithmetic gives however far the doubles would have
// lost their low digits. The result is a float when any argument, or a
// float start (`start_is_float`), is one.
template <class FloatOp, class WrapOp>
Ref<IIEValue> Accumulate(IFunCall* call, TIEContext* context, const char* name, double start,
                         bool start_is_float, int from, FloatOp op, WrapOp wrap_op) {
  double total = start;
  bool any_float = start_is_float;
  uint32_t wrapped = 0;
  bool exact = WholeInt32(start, &wrapped);
  for (int i = from; i < call->GetArgumentCount(); ++i) {
    Ref<IIEValue> v = Arg(call, i, context);
    double d = NumberOf(v.get(), name);
    any_float = any_float || v->GetDType() == dtFloat;
    total = op(total, d);
    uint32_t bits;
    if (exact && WholeInt32(d, &bits))
      wrapped = wrap_op(wrapped, bits);
    else
      exact = false;
  }
  if (any_float) return FloatResult(total, name);
  if (exact) return NewInteger(static_cast<int32_t>(wrapped));
  return NewInteger(TruncToInt32(Finite(total, name)));
}

Ref<IIEValue> DoPlus(IFunCall* call, TIEContext* context, const char* name) {
  return Accumulate(
      call, context, name, 0.0, false, 0, [](double a, double b) { return a + b; },
      [](uint32_t a, uint32_t b) { return a + b; });
}

Ref<IIEValue> DoTimes(IFunCall* call, TIEContext* context, const char* name) {
  return Accumulate(
      call, context, name, 1.0, false, 0, [](double a, double b) { return a * b; },
      [](uint32_t a, uint32_t b) { return a * b; });
}

// A lone argument is returned as it is, not negated.
Ref<IIEValue> DoMinus(IFunCall* call, TIEContext* context, const char* name) {
  Ref<IIEValue> first = Arg(call, 0, context);
  return Accumulate(
      call, context, name, NumberOf(first.get(), name), first->GetDType() == dtFloat, 1,
      [](double a, double b) { return a - b; }, [](uint32_t a, uint32_t b) { return a - b; });
}

// ---------------------------------------------------------------- / div mod

Ref<IIEValue> DoDivide(IFunCall* call, TIEContext* context, const char* name) {
  double total = NumberOf(Arg(call, 0, context).get(), name);
  for (int i = 1; i < call->GetArgumentCount(); ++i)
    total /= NonZero(NumberOf(Arg(call, i, context).get(), name), name);
  return FloatResult(total, name);
}

// Wraps a 64-bit intermediate to 32 bits (-2147483648 div -1 is
// -2147483648, as 32-bit arithmetic gives).
int32_t Wrap32(int64_t v) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}

Ref<IIEValue> DoIntegerDivide(IFunCall* call, TIEContext* context, const char* name) {
  int32_t total = IntegerOf(Arg(call, 0, context).get(), name);
  for (int i = 1; i < call->GetArgumentCount(); ++i) {
    int32_t divisor = NonZero(IntegerOf(Arg(call, i, context).get(), name), name);
    total = Wrap32(int64_t{total} / divisor);
  }
  return NewInteger(total);
}

// The remainder takes the sign of the dividend.
Ref<IIEValue> DoMod(IFunCall* call, TIEContext* context, const char* name) {
  int32_t a = IntegerOf(Arg(call, 0, context).get(), name);
  int32_t b = NonZero(IntegerOf(Arg(call, 1, context).get(), name), name);
  return NewInteger(Wrap32(int64_t{a} % b));
}

// ---------------------------------------------------------------- abs max min

// Only integers and floats: a number in text is refused.
Ref<IIEValue> DoAbs(IFunCall* call, TIEContext* context, const char* name) {
  Ref<IIEValue> v = Arg(call, 0, context);
  if (v->GetDType() == dtFloat) return FloatResult(std::fabs(v->GetAsFloat()), name);
  if (v->GetDType() == dtInteger) return NewInteger(Wrap32(std::llabs(v->GetAsInteger())));
  RaiseIE(SMissingNumeric, {name});
}

// The first argument that beats every earlier one (`better`, strictly) is
// the result; the result is a float once the first argument or any value
// that took the lead was a float.
template <class Better>
Ref<IIEValue> Extreme(IFunCall* call, TIEContext* context, const char* name, Better better) {
  Ref<IIEValue> first = Arg(call, 0, context);
  double m = NumberOf(first.get(), name);
  bool is_float = first->GetDType() == dtFloat;
  for (int i = 1; i < call->GetArgumentCount(); ++i) {
    Ref<IIEValue> v = Arg(call, i, context);
    double d = NumberOf(v.get(), name);
    if (better(d, m)) {
      m = d;
      is_float = is_float || v->GetDType() == dtFloat;
    }
  }
  return is_float ? NewFloat(m) : NewInteger(TruncToInt32(m));
}

Ref<IIEValue> DoMax(IFunCall* call, TIEContext* context, const char* name) {
  return Extreme(call, context, name, [](double a, double b) { return a > b; });
}

Ref<IIEValue> DoMin(IFunCall* call, TIEContext* context, const char* name) {
  return Extreme(call, context, name, [](double a, double b) { return a < b; });
}

// ---------------------------------------------------------------- conversions

Ref<IIEValue> DoFloat(IFunCall* call, TIEContext* context, const char* name) {
  return NewFloat(NumberOf(Arg(call, 0, context).get(), name));
}

Ref<IIEValue> DoInteger(IFunCall* call, TIEContext* context, const char* name) {
  return NewInteger(IntegerOf(Arg(call, 0, context).get(), name));
}

// Halves go to the even neighbour: 2.5 gives 2.0, 3.5 gives 4.0. The
// result is never the negative zero.
Ref<IIEValue> DoRound(IFunCall* call, TIEContext* context, const char* name) {
  double x = NumberOf(Arg(call, 0, context).get(), name);
  double r = std::round(x);
  if (std::fabs(x - std::trunc(x)) == 0.5) r = 2.0 * std::round(x / 2.0);
  return NewFloat(r + 0.0);
}

// ---------------------------------------------------------------- powers, logarithms

Ref<IIEValue> DoSqrt(IFunCall* call, TIEContext* context, const char* name) {
  double x = NumberOf(Arg(call, 0, context).get(), name);
  if (x < 0) DomainError(name, SDomainNegative);
  return FloatResult(std::sqrt(x), name);
}

Ref<IIEValue> DoExp(IFunCall* call, TIEContext* context, const char* name) {
  return FloatResult(std::exp(NumberOf(Arg(call, 0, context).get(), name)), name);
}

Ref<IIEValue> DoExpt(IFunCall* call, TIEContext* context, const char* name) {
  double base = NumberOf(Arg(call, 0, context).get(), name);
  double power = NumberOf(Arg(call, 1, context).get(), name);
  if (base == 0 && power < 0) RaiseIE(SDivideByZero, {name});
  if (base < 0 && power != std::trunc(power)) DomainError(name, SDomainFractionalPower);
  return FloatResult(std::pow(base, power), name);
}

template <double (*Log)(double)>
Ref<IIEValue> DoLogarithm(IFunCall* call, TIEContext* context, const char* name) {
  double x = NumberOf(Arg(call, 0, context).get(), name);
  if (x <= 0) DomainError(name, SDomainNotPositive);
  return FloatResult(Log(x), name);
}

double NaturalLog(double x) {
  return std::log(x);
}

double CommonLog(double x) {
  return std::log10(x);
}

Ref<IIEValue> DoPi(IFunCall*, TIEContext*, const char*) {
  return Ref<IIEValue>(FCPI);
}

// ---------------------------------------------------------------- random numbers

// (random): 0 to 65535; (random high): 0 to high - 1; (random low high):
// low to low + high - 1 (wrapping to 32 bits).
Ref<IIEValue> DoRandom(IFunCall* call, TIEContext* context, const char* name) {
  int n = call->GetArgumentCount();
  if (n == 0) return NewInteger(static_cast<int32_t>(RandomBelow(65536)));
  int32_t low = n == 2 ? IntegerOf(Arg(call, 0, context).get(), name) : 0;
  int32_t high = IntegerOf(Arg(call, n - 1, context).get(), name);
  if (high < 1) DomainError(name, SDomainRandomRange);
  return NewInteger(Wrap32(int64_t{low} + RandomBelow(static_cast<uint32_t>(high))));
}

Ref<IIEValue> DoRandomize(IFunCall* call, TIEContext* context, const char* name) {
  if (call->GetArgumentCount() == 0)
    RandomizeFromClock();
  else
    SetRandomSeed(static_cast<uint32_t>(IntegerOf(Arg(call, 0, context).get(), name)));
  return Bool(true);
}

Ref<IIEValue> DoSeed(IFunCall* call, TIEContext* context, const char* name) {
  SetRandomSeed(static_cast<uint32_t>(IntegerOf(Arg(call, 0, context).get(), name)));
  return Bool(true);
}

}  // namespace

void TMathPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  Add(this, "abs", "Returns the absolute value of the argument, an integer or a float as given",
      " <numeric-expression>", 1, 1, DoAbs);
  Add(this, "div",
      "Returns the first argument divided by all the others in integer division, which rounds "
      "toward zero",
      " <integer-expression>+", 1, kAny, DoIntegerDivide);
  Add(this, "/", "Returns the first argument divided by all the others, always as a float",
      " <numeric-expression>+", 1, kAny, DoDivide);
  Add(this, "exp", "Returns e raised to the power of the argument", " <numeric-expression>", 1, 1,
      DoExp);
  Add(this, "**", "Returns the first argument raised to the power of the second",
      " <numeric-expression> <numeric-expression>", 2, 2, DoExpt);
  Add(this, "float", "Returns the argument as a float", " <numeric-expression>", 1, 1, DoFloat);
  Add(this, "integer", "Returns the argument as an integer, truncated toward zero",
      " <numeric-expression>", 1, 1, DoInteger);
  Add(this, "log", "Returns the natural logarithm of the argument", " <numeric-expression>", 1, 1,
      DoLogarithm<NaturalLog>);
  Add(this, "log10", "Returns the base 10 logarithm of the argument", " <numeric-expression>", 1, 1,
      DoLogarithm<CommonLog>);
  Add(this, "max", "Returns the largest of the arguments; among equal values the first",
      " <numeric-expression>+", 1, kAny, DoMax);
  Add(this, "min", "Returns the smallest of the arguments; among equal values the first",
      " <numeric-expression>+", 1, kAny, DoMin);
  Add(this, "-", "Returns the first argument minus all the others", " <numeric-expression>+", 1,
      kAny, DoMinus);
  Add(this, "mod",
      "Returns the remainder of the integer division of the first argument by the second, with "
      "the sign of the first",
      " <integer-expression> <integer-expression>", 2, 2, DoMod);
  Add(this, "PI", "Returns the number pi", "", 0, 0, DoPi);
  Add(this, "+", "Returns a value that is the sum of all the arguments", " <numeric-expression>+",
      0, kAny, DoPlus);
  Add(this, "random",
      "Returns a random integer: from 0 to 65535, from 0 to high - 1, or from low to low + high "
      "- 1",
      " [[<low-integer-expression>] <high-integer-expression>]", 0, 2, DoRandom);
  Add(this, "randomize",
      "Seeds the random number generator with the argument, or from the clock without one",
      " [<seed-integer-expression> ]", 0, 1, DoRandomize);
  Add(this, "round",
      "Returns the argument rounded to the nearest whole number, halves to the even one, as a "
      "float",
      " <numeric-expression>", 1, 1, DoRound);
  Add(this, "seed", "Seeds the random number generator with the argument", " <integer-expression>",
      1, 1, DoSeed);
  Add(this, "sqrt", "Returns the square root of the argument", " <numeric-expression>", 1, 1,
      DoSqrt);
  Add(this, "*", "Returns the product of all the arguments", " <numeric-expression>+", 0, kAny,
      DoTimes);
}

}  // namespace rulecore
