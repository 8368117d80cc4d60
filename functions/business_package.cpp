// rulecore: an embeddable expert-system shell.
//
// The annuity functions share one relation between rate r, number of
// periods n, payment pmt, present value pv, future value fv and payment
// time t (0 at the end of a period, 1 at its start):
//
//   pv*(1+r)^n + pmt*(1+r*t)*((1+r)^n - 1)/r + fv = 0
//
// (for r = 0: pv + pmt*n + fv = 0); each function solves it for the
// quantity it names. Growth factors are formed with log1p/expm1 in extended
// precision so that small rates lose no digits. Rates must exceed -1, where
// (1+r)^n stops being a growth factor.
#include "functions/business_package.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "functions/arithmetic_internal.h"
#include "functions/builtin.h"

namespace rulecore {

namespace {

using namespace builtin;

using Real = long double;

// ---------------------------------------------------------------- growth factors

// (1+r)^n.
Real Growth(Real r, Real n) {
  return std::exp(n * std::log1p(r));
}

// ((1+r)^n - 1)/r, the value at the last period of n unit payments; n
// when r is 0.
Real Accumulation(Real r, Real n) {
  if (r == 0) return n;
  return std::expm1(n * std::log1p(r)) / r;
}

// ---------------------------------------------------------------- annuities

Real FutureValue(Real r, Real n, Real pmt, Real pv, int t) {
  return -(pv * Growth(r, n) + pmt * (1 + r * t) * Accumulation(r, n));
}

Real PresentValue(Real r, Real n, Real pmt, Real fv, int t) {
  return -(fv + pmt * (1 + r * t) * Accumulation(r, n)) / Growth(r, n);
}

// REQUIRES: n != 0.
Real Payment(Real r, Real n, Real pv, Real fv, int t) {
  return -(pv * Growth(r, n) + fv) / ((1 + r * t) * Accumulation(r, n));
}

// The interest part of the payment of period p (1..n). At the end of a
// period the interest is that of the balance after p-1 periods; paid at the
// start, the payment of period p carries the interest earned over period
// p-1 on the balance left after that period's payment, and the first
// payment carries none. The future value after k periods is minus the
// balance then.
Real InterestPayment(Real r, int p, int n, Real pv, Real fv, int t) {
  Real pmt = Payment(r, n, pv, fv, t);
  if (t == 0) return FutureValue(r, p - 1, pmt, pv, 0) * r;
  if (p == 1) return 0;
  return (FutureValue(r, p - 2, pmt, pv, 1) - pmt) * r;
}

// The number of periods, or nothing when no number of periods satisfies
// the relation.
std::optional<Real> NumberOfPeriods(Real r, Real pmt, Real pv, Real fv, int t) {
  if (r == 0) {
    if (pmt == 0) return std::nullopt;
    return -(pv + fv) / pmt;
  }
  Real a = pmt * (1 + r * t);
  Real numerator = a - fv * r;
  Real denominator = a + pv * r;
  if (denominator == 0 || numerator / denominator <= 0) return std::nullopt;
  return std::log(numerator / denominator) / std::log1p(r);
}

// ---------------------------------------------------------------- cash flows

// The value at time 0 of cash flow i received at time i + 1 (end of
// period) or at time i (start of period), summed by Horner's rule in the
// discount factor 1/(1+r).
Real NetPresentValue(Real r, const std::vector<Real>& flows, int t) {
  Real discount = 1 / (1 + r);
  Real sum = 0;
  for (auto it = flows.rbegin(); it != flows.rend(); ++it)
    sum = sum * discount + *it;
  return t == 0 ? sum * discount : sum;
}

// ---------------------------------------------------------------- finding rates

// A rate r > -1 at which `f` is zero, searched near `guess`: f is sampled
// on a fixed grid from just above -1 to 10^6 (with the guess added), the
// zero or sign change nearest the guess is taken, and its bracket is halved
// until the ends are neighbouring numbers. Nothing when f is zero or
// changes sign nowhere on the grid.
// REQUIRES: f is continuous on r > -1 and not zero everywhere.
template <class F>
std::optional<Real> FindRate(F f, Real guess) {
  std::vector<Real> grid;
  for (Real e = 1e-9L; e < 0.1L; e *= 10)
    grid.push_back(-1 + e);
  for (int i = -90; i <= 100; ++i)
    grid.push_back(i / 100.0L);
  for (int i = 11; i <= 100; ++i)
    grid.push_back(i / 10.0L);
  for (Real x = 20; x <= 1e6L; x *= 2)
    grid.push_back(x);
  if (guess > -1 && std::isfinite(guess)) grid.push_back(guess);
  std::sort(grid.begin(), grid.end());

  struct Point {
    Real r, value;
  };
  std::vector<Point> points;
  for (Real r : grid) {
    Real value = f(r);
    if (std::isfinite(value)) points.push_back({r, value});
  }

  // The bracket [low, high] nearest the guess where f is zero or changes
  // sign.
  const Point* low = nullptr;
  const Point* high = nullptr;
  Real best = std::numeric_limits<Real>::infinity();
  auto consider = [&](const Point& a, const Point& b) {
    Real distance = guess < a.r ? a.r - guess : guess > b.r ? guess - b.r : 0;
    if (distance < best) {
      best = distance;
      low = &a;
      high = &b;
    }
  };
  for (size_t i = 0; i < points.size(); ++i) {
    if (points[i].value == 0) consider(points[i], points[i]);
    if (i > 0 && points[i - 1].value != 0 && points[i].value != 0 &&
        (points[i - 1].value < 0) != (points[i].value < 0))
      consider(points[i - 1], points[i]);
  }
  if (!low) return std::nullopt;
  if (low->value == 0) return low->r;

  Real a = low->r, b = high->r;
  bool a_negative = low->value < 0;
  for (int i = 0; i < 1000; ++i) {
    Real mid = a + (b - a) / 2;
    if (mid <= a || mid >= b) break;
    Real value = f(mid);
    if (value == 0) return mid;
    if ((value < 0) == a_negative)
      a = mid;
    else
      b = mid;
  }
  return a + (b - a) / 2;
}

// The starting point of interest-rate, which takes no guess.
constexpr Real kRateGuess = 0.1L;

// ---------------------------------------------------------------- arguments

const char* const kPaymentTimes = "ptEndOfPeriod or ptStartOfPeriod";

// The payment time word: 0 for ptEndOfPeriod, 1 for ptStartOfPeriod.
int PaymentTimeOf(IIEValue* value) {
  std::string word = value->GetAsString();
  if (word == "ptEndOfPeriod") return 0;
  if (word == "ptStartOfPeriod") return 1;
  RaiseIE(SInvalidPaymentTime, {word, kPaymentTimes});
}

Real Number(IFunCall* call, int i, TIEContext* context, const char* name) {
  return NumberOf(Arg(call, i, context).get(), name);
}

int32_t Integer(IFunCall* call, int i, TIEContext* context, const char* name) {
  return IntegerOf(Arg(call, i, context).get(), name);
}

int PaymentTime(IFunCall* call, int i, TIEContext* context) {
  return PaymentTimeOf(Arg(call, i, context).get());
}

// The numbers of a multifield argument.
std::vector<Real> Flows(IFunCall* call, int i, TIEContext* context, const char* name) {
  Ref<IIEValue> value = Arg(call, i, context);
  IValueVector* list = value->GetAsList();
  std::vector<Real> flows;
  for (int k = 0; k < list->GetValueCount(); ++k)
    flows.push_back(NumberOf(list->Get(k)->Resolve(context).get(), name));
  return flows;
}

void CheckRate(Real r, const char* name) {
  if (!(r > -1)) DomainError(name, SDomainRate);
}

Ref<IIEValue> Result(Real x, const char* name) {
  return FloatResult(static_cast<double>(x), name);
}

// ---------------------------------------------------------------- the functions

// (future-value rate periods payment present-value time)
Ref<IIEValue> DoFutureValue(IFunCall* call, TIEContext* context, const char* name) {
  Real r = Number(call, 0, context, name);
  int32_t n = Integer(call, 1, context, name);
  Real pmt = Number(call, 2, context, name);
  Real pv = Number(call, 3, context, name);
  int t = PaymentTime(call, 4, context);
  CheckRate(r, name);
  return Result(FutureValue(r, n, pmt, pv, t), name);
}

// (present-value rate periods payment future-value time)
Ref<IIEValue> DoPresentValue(IFunCall* call, TIEContext* context, const char* name) {
  Real r = Number(call, 0, context, name);
  int32_t n = Integer(call, 1, context, name);
  Real pmt = Number(call, 2, context, name);
  Real fv = Number(call, 3, context, name);
  int t = PaymentTime(call, 4, context);
  CheckRate(r, name);
  return Result(PresentValue(r, n, pmt, fv, t), name);
}

// (payment rate periods present-value future-value time)
Ref<IIEValue> DoPayment(IFunCall* call, TIEContext* context, const char* name) {
  Real r = Number(call, 0, context, name);
  int32_t n = Integer(call, 1, context, name);
  Real pv = Number(call, 2, context, name);
  Real fv = Number(call, 3, context, name);
  int t = PaymentTime(call, 4, context);
  CheckRate(r, name);
  if (n == 0) DomainError(name, SDomainZeroPeriods);
  return Result(Payment(r, n, pv, fv, t), name);
}

// (interest-payment rate period periods present-value future-value time)
// and period-payment with the same arguments: the interest part of the
// period's payment, or the rest of it, which repays principal.
template <bool kPrincipal>
Ref<IIEValue> DoPaymentPart(IFunCall* call, TIEContext* context, const char* name) {
  Real r = Number(call, 0, context, name);
  int32_t p = Integer(call, 1, context, name);
  int32_t n = Integer(call, 2, context, name);
  Real pv = Number(call, 3, context, name);
  Real fv = Number(call, 4, context, name);
  int t = PaymentTime(call, 5, context);
  CheckRate(r, name);
  if (n < 1) DomainError(name, SDomainPeriodCount);
  if (p < 1 || p > n) DomainError(name, SDomainPeriod);
  Real interest = InterestPayment(r, p, n, pv, fv, t);
  return Result(kPrincipal ? Payment(r, n, pv, fv, t) - interest : interest, name);
}

// (interest-rate periods payment present-value future-value time)
Ref<IIEValue> DoInterestRate(IFunCall* call, TIEContext* context, const char* name) {
  int32_t n = Integer(call, 0, context, name);
  Real pmt = Number(call, 1, context, name);
  Real pv = Number(call, 2, context, name);
  Real fv = Number(call, 3, context, name);
  int t = PaymentTime(call, 4, context);
  if (n < 1) DomainError(name, SDomainPeriodCount);
  // With nothing paid or owed, every rate would do: none is the answer.
  if (pmt == 0 && pv == 0 && fv == 0) RaiseIE(SNoRateFound, {name});
  std::optional<Real> r = FindRate(
      [&](Real r) { return pv * Growth(r, n) + pmt * (1 + r * t) * Accumulation(r, n) + fv; },
      kRateGuess);
  if (!r) RaiseIE(SNoRateFound, {name});
  return Result(*r, name);
}

// (internal-rate-of-return guess cash-flows)
Ref<IIEValue> DoInternalRateOfReturn(IFunCall* call, TIEContext* context, const char* name) {
  Real guess = Number(call, 0, context, name);
  std::vector<Real> flows = Flows(call, 1, context, name);
  if (std::all_of(flows.begin(), flows.end(), [](Real c) { return c == 0; }))
    RaiseIE(SNoRateFound, {name});
  std::optional<Real> r = FindRate([&](Real r) { return NetPresentValue(r, flows, 0); }, guess);
  if (!r) RaiseIE(SNoRateFound, {name});
  return Result(*r, name);
}

// (net-present-value rate cash-flows time)
Ref<IIEValue> DoNetPresentValue(IFunCall* call, TIEContext* context, const char* name) {
  Real r = Number(call, 0, context, name);
  std::vector<Real> flows = Flows(call, 1, context, name);
  int t = PaymentTime(call, 2, context);
  CheckRate(r, name);
  return Result(NetPresentValue(r, flows, t), name);
}

// (number-of-periods rate payment present-value future-value time)
Ref<IIEValue> DoNumberOfPeriods(IFunCall* call, TIEContext* context, const char* name) {
  Real r = Number(call, 0, context, name);
  Real pmt = Number(call, 1, context, name);
  Real pv = Number(call, 2, context, name);
  Real fv = Number(call, 3, context, name);
  int t = PaymentTime(call, 4, context);
  CheckRate(r, name);
  std::optional<Real> n = NumberOfPeriods(r, pmt, pv, fv, t);
  if (!n) DomainError(name, SDomainNoPeriods);
  return Result(*n, name);
}

// ---------------------------------------------------------------- depreciation

// (sln-depreciation cost salvage life)
Ref<IIEValue> DoSLNDepreciation(IFunCall* call, TIEContext* context, const char* name) {
  Real cost = Number(call, 0, context, name);
  Real salvage = Number(call, 1, context, name);
  int32_t life = Integer(call, 2, context, name);
  if (life < 1) DomainError(name, SDomainLife);
  return Result((cost - salvage) / life, name);
}

// The cost, salvage, life and period of syd-depreciation and
// double-declining-balance, checked.
struct Asset {
  Real cost, salvage;
  int32_t life, period;
};

Asset AssetOf(IFunCall* call, TIEContext* context, const char* name) {
  Asset a;
  a.cost = Number(call, 0, context, name);
  a.salvage = Number(call, 1, context, name);
  a.life = Integer(call, 2, context, name);
  a.period = Integer(call, 3, context, name);
  if (a.life < 1) DomainError(name, SDomainLife);
  if (a.period < 1 || a.period > a.life) DomainError(name, SDomainLifePeriod);
  return a;
}

// (syd-depreciation cost salvage life period): the sum-of-years' digits.
Ref<IIEValue> DoSYDDepreciation(IFunCall* call, TIEContext* context, const char* name) {
  Asset a = AssetOf(call, context, name);
  Real life = a.life;
  return Result((a.cost - a.salvage) * (life - a.period + 1) * 2 / (life * (life + 1)), name);
}

// (double-declining-balance cost salvage life period): each period takes
// 2/life of the book value left, and never takes the book value below
// salvage. Until that floor is reached the book value after k periods is
// cost*(1 - 2/life)^k, which gives any period without walking through the
// earlier ones.
Ref<IIEValue> DoDoubleDecliningBalance(IFunCall* call, TIEContext* context, const char* name) {
  Asset a = AssetOf(call, context, name);
  Real rate = 2.0L / a.life;
  Real book = a.cost * std::pow(1 - rate, static_cast<Real>(a.period - 1));
  if (a.period > 1 && book < a.salvage) return Result(0, name);  // the floor came earlier
  Real depreciation = book * rate;
  if (book - depreciation < a.salvage) depreciation = std::fmax(book - a.salvage, 0);
  return Result(depreciation, name);
}

}  // namespace

void TBusinessPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  Add(this, "double-declining-balance",
      "Returns the depreciation of an asset for the period by the double-declining balance "
      "method",
      " <cost-numeric-expression> <salvage-numeric-expression> <life-integer-expression> "
      "<period-integer-expression>",
      4, 4, DoDoubleDecliningBalance);
  Add(this, "future-value",
      "Returns the future value of an investment of periodic payments at a constant rate",
      " <rate-numeric-expression> <num-periods-integer-expression> <payment-numeric-expression> "
      "<present-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
      5, 5, DoFutureValue);
  Add(this, "interest-payment",
      "Returns the interest part of the payment of the period for a loan or annuity",
      " <rate-numeric-expression> <period-integer-expression> <num-periods-integer-expression> "
      "<present-value-numeric-expression> <future-value-numeric-expression> "
      "ptEndOfPeriod|ptStartOfPeriod",
      6, 6, DoPaymentPart<false>);
  Add(this, "interest-rate",
      "Returns the rate per period at which the payments turn the present value into the future "
      "value",
      " <num-periods-integer-expression> <payment-numeric-expression> "
      "<present-value-numeric-expression>"
      " <future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
      5, 5, DoInterestRate);
  Add(this, "internal-rate-of-return",
      "Returns the rate at which the net present value of the cash flows is zero, searched "
      "from the guess",
      " <guess-numeric-expression> <cash-flows-multifield-expression>", 2, 2,
      DoInternalRateOfReturn);
  Add(this, "net-present-value", "Returns the net present value of the cash flows at the rate",
      " <rate-numeric-expression> <cash-flows-multifield-expression> "
      "ptEndOfPeriod|ptStartOfPeriod",
      3, 3, DoNetPresentValue);
  Add(this, "number-of-periods",
      "Returns the number of periods in which the payments turn the present value into the "
      "future value",
      " <rate-numeric-expression> <payment-numeric-expression> "
      "<present-value-numeric-expression>"
      " <future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
      5, 5, DoNumberOfPeriods);
  Add(this, "payment", "Returns the periodic payment of a loan or annuity at a constant rate",
      " <rate-numeric-expression> <num-periods-integer-expression> "
      "<present-value-numeric-expression>"
      " <future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
      5, 5, DoPayment);
  Add(this, "period-payment",
      "Returns the principal part of the payment of the period for a loan or annuity",
      " <rate-numeric-expression> <period-integer-expression> <num-periods-integer-expression> "
      "<present-value-numeric-expression> <future-value-numeric-expression> "
      "ptEndOfPeriod|ptStartOfPeriod",
      6, 6, DoPaymentPart<true>);
  Add(this, "present-value",
      "Returns the present value of an investment of periodic payments at a constant rate",
      " <rate-numeric-expression> <num-periods-integer-expression> "
      "<payment-numeric-expression>"
      " <future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
      5, 5, DoPresentValue);
  Add(this, "sln-depreciation", "Returns the straight-line depreciation of an asset for one period",
      " <cost-numeric-expression> <salvage-numeric-expression> <life-integer-expression>", 3, 3,
      DoSLNDepreciation);
  Add(this, "syd-depreciation",
      "Returns the sum-of-years' digits depreciation of an asset for the period",
      " <cost-numeric-expression> <salvage-numeric-expression> <life-integer-expression> "
      "<period-integer-expression>",
      4, 4, DoSYDDepreciation);
}

}  // namespace rulecore
