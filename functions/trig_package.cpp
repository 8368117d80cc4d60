// rulecore: an embeddable expert-system shell.
#include "functions/trig_package.h"

#include <cmath>

#include "functions/arithmetic_internal.h"
#include "functions/builtin.h"

namespace rulecore {

namespace {

using namespace builtin;

using Real = long double;

constexpr Real kPi = 3.141592653589793238462643383279502884L;

// ---------------------------------------------------------------- one argument

// A function of one number; `name` is for its error messages.
using Unary = Real (*)(Real x, const char* name);

template <Unary F>
Ref<IIEValue> DoUnary(IFunCall* call, TIEContext* context, const char* name) {
  Real x = NumberOf(Arg(call, 0, context).get(), name);
  return FloatResult(static_cast<double>(F(x, name)), name);
}

// 1 / d, refusing d = 0 (a pole of the function).
Real Reciprocal(Real d, const char* name) {
  return 1 / NonZero(d, name);
}

Real ACos(Real x, const char* name) {
  if (std::fabs(x) > 1) DomainError(name, SDomainClosedUnit);
  return std::acos(x);
}

Real ACosH(Real x, const char* name) {
  if (x < 1) DomainError(name, SDomainAtLeastOne);
  return std::acosh(x);
}

Real ACot(Real x, const char*) {
  return kPi / 2 - std::atan(x);
}

// ln((x + 1) / (x - 1)) / 2, which is atanh(1/x); the latter keeps its
// precision for large x.
Real ACotH(Real x, const char* name) {
  if (std::fabs(x) <= 1) DomainError(name, SDomainOutsideClosedUnit);
  return std::atanh(1 / x);
}

// arcsin(1/|x|), plus pi for negative x.
Real ACsc(Real x, const char* name) {
  Real inverse = Reciprocal(std::fabs(x), name);
  if (inverse > 1) DomainError(name, SDomainOutsideOpenUnit);
  return std::asin(inverse) + (x < 0 ? kPi : 0);
}

// ln(1/x + sqrt(1/x^2 + 1)), which is asinh(1/x).
Real ACscH(Real x, const char* name) {
  return std::asinh(Reciprocal(x, name));
}

// arccos(1/|x|), plus pi for negative x.
Real ASec(Real x, const char* name) {
  Real inverse = Reciprocal(std::fabs(x), name);
  if (inverse > 1) DomainError(name, SDomainOutsideOpenUnit);
  return std::acos(inverse) + (x < 0 ? kPi : 0);
}

// ln(1/x + sqrt(1/x^2 - 1)), which is acosh(1/x), real for 0 < x <= 1.
Real ASecH(Real x, const char* name) {
  Real inverse = Reciprocal(x, name);
  if (x < 0 || x > 1) DomainError(name, SDomainUnitFraction);
  return std::acosh(inverse);
}

Real ASin(Real x, const char* name) {
  if (std::fabs(x) > 1) DomainError(name, SDomainClosedUnit);
  return std::asin(x);
}

Real ASinH(Real x, const char*) {
  return std::asinh(x);
}

Real ATan(Real x, const char*) {
  return std::atan(x);
}

Real ATanH(Real x, const char* name) {
  if (std::fabs(x) >= 1) DomainError(name, SDomainOpenUnit);
  return std::atanh(x);
}

Real Cos(Real x, const char*) {
  return std::cos(x);
}

Real CosH(Real x, const char*) {
  return std::cosh(x);
}

Real Cot(Real x, const char* name) {
  return Reciprocal(std::tan(x), name);
}

Real CotH(Real x, const char* name) {
  return Reciprocal(std::tanh(x), name);
}

Real Csc(Real x, const char* name) {
  return Reciprocal(std::sin(x), name);
}

Real CscH(Real x, const char* name) {
  return Reciprocal(std::sinh(x), name);
}

Real CycleRad(Real x, const char*) {
  return x * 2 * kPi;
}

// The factor is the double nearest 10/9; rounded once at the end, 90
// degrees give exactly 100 grads.
Real DegGrad(Real x, const char*) {
  return x * static_cast<Real>(1.1111111111111112);
}

Real DegRad(Real x, const char*) {
  return x * kPi / 180;
}

Real GradDeg(Real x, const char*) {
  return x * 0.9L;
}

Real GradRad(Real x, const char*) {
  return x * kPi / 200;
}

Real RadCycle(Real x, const char*) {
  return x / (2 * kPi);
}

Real RadDeg(Real x, const char*) {
  return x * 180 / kPi;
}

Real RadGrad(Real x, const char*) {
  return x * 200 / kPi;
}

Real Sec(Real x, const char* name) {
  return Reciprocal(std::cos(x), name);
}

// cosh never falls below 1; where it overflows, 1/cosh is 0.
Real SecH(Real x, const char*) {
  return 1 / std::cosh(x);
}

Real Sin(Real x, const char*) {
  return std::sin(x);
}

Real SinH(Real x, const char*) {
  return std::sinh(x);
}

Real Tan(Real x, const char*) {
  return std::tan(x);
}

Real TanH(Real x, const char*) {
  return std::tanh(x);
}

// ---------------------------------------------------------------- two numbers

// The angle of the point (x, y), x being the first argument.
Ref<IIEValue> DoATan2(IFunCall* call, TIEContext* context, const char* name) {
  Real x = NumberOf(Arg(call, 0, context).get(), name);
  Real y = NumberOf(Arg(call, 1, context).get(), name);
  return FloatResult(static_cast<double>(std::atan2(y, x)), name);
}

Ref<IIEValue> DoHypotenuse(IFunCall* call, TIEContext* context, const char* name) {
  Real x = NumberOf(Arg(call, 0, context).get(), name);
  Real y = NumberOf(Arg(call, 1, context).get(), name);
  return FloatResult(static_cast<double>(std::hypot(x, y)), name);
}

// ---------------------------------------------------------------- distances

// Sums `term` of the item-by-item differences of two lists of equal length.
template <Real (*Term)(Real difference)>
Real SumOfDifferences(IFunCall* call, TIEContext* context, const char* name) {
  Ref<IIEValue> a_value = Arg(call, 0, context);
  Ref<IIEValue> b_value = Arg(call, 1, context);
  IValueVector* a = a_value->GetAsList();
  IValueVector* b = b_value->GetAsList();
  if (a->GetValueCount() != b->GetValueCount()) RaiseIE(SMultifieldLengthMismatch);
  Real sum = 0;
  for (int i = 0; i < a->GetValueCount(); ++i) {
    Real ai = NumberOf(a->Get(i)->Resolve(context).get(), name);
    Real bi = NumberOf(b->Get(i)->Resolve(context).get(), name);
    sum += Term(ai - bi);
  }
  return sum;
}

Real Square(Real d) {
  return d * d;
}

Real Magnitude(Real d) {
  return std::fabs(d);
}

Ref<IIEValue> DoDistance(IFunCall* call, TIEContext* context, const char* name) {
  Real sum = SumOfDifferences<Square>(call, context, name);
  return FloatResult(static_cast<double>(std::sqrt(sum)), name);
}

Ref<IIEValue> DoDistanceSqr(IFunCall* call, TIEContext* context, const char* name) {
  return FloatResult(static_cast<double>(SumOfDifferences<Square>(call, context, name)), name);
}

Ref<IIEValue> DoDistanceManhattan(IFunCall* call, TIEContext* context, const char* name) {
  return FloatResult(static_cast<double>(SumOfDifferences<Magnitude>(call, context, name)), name);
}

constexpr const char* kNumber = " <numeric-expression>";
constexpr const char* kPoint = " <numeric-expression-X> <numeric-expression-Y>";
constexpr const char* kLists = " <multifield-expression-1> <multifield-expression-2>";

}  // namespace

void TTrigonometryPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  Add(this, "acos", "Returns the arc cosine of the argument, in radians", kNumber, 1, 1,
      DoUnary<ACos>);
  Add(this, "acosh", "Returns the inverse hyperbolic cosine of the argument", kNumber, 1, 1,
      DoUnary<ACosH>);
  Add(this, "acot", "Returns the arc cotangent of the argument, in radians", kNumber, 1, 1,
      DoUnary<ACot>);
  Add(this, "acoth", "Returns the inverse hyperbolic cotangent of the argument", kNumber, 1, 1,
      DoUnary<ACotH>);
  Add(this, "acsc",
      "Returns the arc cosecant of the argument, in radians: arcsin(1/|x|), plus pi when x is "
      "negative",
      kNumber, 1, 1, DoUnary<ACsc>);
  Add(this, "acsch", "Returns the inverse hyperbolic cosecant of the argument", kNumber, 1, 1,
      DoUnary<ACscH>);
  Add(this, "asec",
      "Returns the arc secant of the argument, in radians: arccos(1/|x|), plus pi when x is "
      "negative",
      kNumber, 1, 1, DoUnary<ASec>);
  Add(this, "asech", "Returns the inverse hyperbolic secant of the argument", kNumber, 1, 1,
      DoUnary<ASecH>);
  Add(this, "asin", "Returns the arc sine of the argument, in radians", kNumber, 1, 1,
      DoUnary<ASin>);
  Add(this, "asinh", "Returns the inverse hyperbolic sine of the argument", kNumber, 1, 1,
      DoUnary<ASinH>);
  Add(this, "atan", "Returns the arc tangent of the argument, in radians", kNumber, 1, 1,
      DoUnary<ATan>);
  Add(this, "atan2", "Returns the angle of the point (X, Y) in radians, from -pi to pi", kPoint, 2,
      2, DoATan2);
  Add(this, "atanh", "Returns the inverse hyperbolic tangent of the argument", kNumber, 1, 1,
      DoUnary<ATanH>);
  Add(this, "cos", "Returns the cosine of the angle in radians", kNumber, 1, 1, DoUnary<Cos>);
  Add(this, "cosh", "Returns the hyperbolic cosine of the argument", kNumber, 1, 1, DoUnary<CosH>);
  Add(this, "cot", "Returns the cotangent of the angle in radians", kNumber, 1, 1, DoUnary<Cot>);
  Add(this, "coth", "Returns the hyperbolic cotangent of the argument", kNumber, 1, 1,
      DoUnary<CotH>);
  Add(this, "csc", "Returns the cosecant of the angle in radians", kNumber, 1, 1, DoUnary<Csc>);
  Add(this, "csch", "Returns the hyperbolic cosecant of the argument", kNumber, 1, 1,
      DoUnary<CscH>);
  Add(this, "cycle-rad", "Converts cycles to radians", kNumber, 1, 1, DoUnary<CycleRad>);
  Add(this, "deg-grad", "Converts degrees to grads", kNumber, 1, 1, DoUnary<DegGrad>);
  Add(this, "deg-rad", "Converts degrees to radians", kNumber, 1, 1, DoUnary<DegRad>);
  Add(this, "distance",
      "Returns the Euclidean distance between two points given as multifields of numbers", kLists,
      2, 2, DoDistance);
  Add(this, "distance-sqr",
      "Returns the square of the Euclidean distance between two points given as multifields of "
      "numbers",
      kLists, 2, 2, DoDistanceSqr);
  Add(this, "distance-manhattan",
      "Returns the Manhattan distance, the sum of the absolute differences, between two points "
      "given as multifields of numbers",
      kLists, 2, 2, DoDistanceManhattan);
  Add(this, "grad-deg", "Converts grads to degrees", kNumber, 1, 1, DoUnary<GradDeg>);
  Add(this, "grad-rad", "Converts grads to radians", kNumber, 1, 1, DoUnary<GradRad>);
  Add(this, "hypotenuse",
      "Returns the length of the hypotenuse of a right triangle with legs X and Y", kPoint, 2, 2,
      DoHypotenuse);
  Add(this, "rad-cycle", "Converts radians to cycles", kNumber, 1, 1, DoUnary<RadCycle>);
  Add(this, "rad-deg", "Converts radians to degrees", kNumber, 1, 1, DoUnary<RadDeg>);
  Add(this, "rad-grad", "Converts radians to grads", kNumber, 1, 1, DoUnary<RadGrad>);
  Add(this, "sec", "Returns the secant of the angle in radians", kNumber, 1, 1, DoUnary<Sec>);
  Add(this, "sech", "Returns the hyperbolic secant of the argument", kNumber, 1, 1, DoUnary<SecH>);
  Add(this, "sin", "Returns the sine of the angle in radians", kNumber, 1, 1, DoUnary<Sin>);
  Add(this, "sinh", "Returns the hyperbolic sine of the argument", kNumber, 1, 1, DoUnary<SinH>);
  Add(this, "tan", "Returns the tangent of the angle in radians", kNumber, 1, 1, DoUnary<Tan>);
  Add(this, "tanh", "Returns the hyperbolic tangent of the argument", kNumber, 1, 1, DoUnary<TanH>);
}

}  // namespace rulecore
