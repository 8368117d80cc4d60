// rulecore: an embeddable expert-system shell.
// The business package evaluated through a real engine. Each annuity and
// cash-flow function is checked against a different computation of the same
// quantity - a period-by-period simulation of the balance, or discounting
// each payment on its own - to a relative error of 1e-9, and against
// published worked examples to the cent. Also: the two payment times,
// depreciation schedules, the rates found by iteration, and the errors of
// arguments no formula can take.
#include "functions/business_package.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/messages.h"
#include "functions/math_package.h"
#include "functions/standard_package.h"
#include "functions/trig_package.h"
#include "platform/format.h"
#include "support/eval_fixture.h"

namespace rulecore {
namespace {

constexpr double kTolerance = 1e-9;

// ---------------------------------------------------------------- reference computations

// The balance of an account after n periods: it starts at pv and each
// period adds its interest and the payment, paid at the start (t = 1) or
// the end (t = 0) of the period. The future value is minus this balance.
double SimulatedBalance(double r, int n, double pmt, double pv, int t) {
  double balance = pv;
  for (int k = 0; k < n; ++k) {
    if (t == 1) balance += pmt;
    balance *= 1 + r;
    if (t == 0) balance += pmt;
  }
  return balance;
}

// The present value found by discounting the future value and each
// payment separately.
double DiscountedPresentValue(double r, int n, double pmt, double fv, int t) {
  double sum = fv / std::pow(1 + r, n);
  for (int k = 1; k <= n; ++k)
    sum += pmt / std::pow(1 + r, k - t);
  return -sum;
}

// The payment that brings the simulated balance to -fv; the balance is
// linear in the payment.
double SimulatedPayment(double r, int n, double pv, double fv, int t) {
  double without = SimulatedBalance(r, n, 0, pv, t);
  double per_unit = SimulatedBalance(r, n, 1, 0, t);
  return (-fv - without) / per_unit;
}

// The interest part of the payment of period p, from an amortisation table
// kept period by period. Paid at the start of a period, a payment settles
// the interest earned since the previous payment.
double SimulatedInterestPart(double r, int p, int n, double pv, double fv, int t) {
  double pmt = SimulatedPayment(r, n, pv, fv, t);
  double owed = pv;
  double earned = 0;
  double part = 0;
  for (int k = 1; k <= p; ++k) {
    if (t == 0) {
      earned = r * owed;
      part = -earned;
      owed += earned + pmt;
    } else {
      part = -earned;
      owed += earned + pmt;
      earned = r * owed;
    }
  }
  return part;
}

// The depreciation of period p, walking through every period.
double SimulatedDeclining(double cost, double salvage, int life, int p) {
  double book = cost;
  double depreciation = 0;
  for (int k = 1; k <= p; ++k) {
    depreciation = book * 2 / life;
    if (book - depreciation < salvage) depreciation = std::fmax(book - salvage, 0);
    book -= depreciation;
  }
  return depreciation;
}

std::string Number(double x) {
  return Format("%.17g", {x});
}

std::string Time(int t) {
  return t ? "ptStartOfPeriod" : "ptEndOfPeriod";
}

class BusinessTest : public EvalTest {
 protected:
  double FutureValue(double r, int n, double pmt, double pv, int t) {
    return Float("(future-value " + Number(r) + " " + std::to_string(n) + " " + Number(pmt) + " " +
                 Number(pv) + " " + Time(t) + ")");
  }
  double PresentValue(double r, int n, double pmt, double fv, int t) {
    return Float("(present-value " + Number(r) + " " + std::to_string(n) + " " + Number(pmt) + " " +
                 Number(fv) + " " + Time(t) + ")");
  }
  double Payment(double r, int n, double pv, double fv, int t) {
    return Float("(payment " + Number(r) + " " + std::to_string(n) + " " + Number(pv) + " " +
                 Number(fv) + " " + Time(t) + ")");
  }
  double Part(const char* f, double r, int p, int n, double pv, double fv, int t) {
    return Float(std::string("(") + f + " " + Number(r) + " " + std::to_string(p) + " " +
                 std::to_string(n) + " " + Number(pv) + " " + Number(fv) + " " + Time(t) + ")");
  }
  double Periods(double r, double pmt, double pv, double fv, int t) {
    return Float("(number-of-periods " + Number(r) + " " + Number(pmt) + " " + Number(pv) + " " +
                 Number(fv) + " " + Time(t) + ")");
  }
  double Rate(int n, double pmt, double pv, double fv, int t) {
    return Float("(interest-rate " + std::to_string(n) + " " + Number(pmt) + " " + Number(pv) +
                 " " + Number(fv) + " " + Time(t) + ")");
  }
};

// Rates, period counts and amounts the annuity checks run through.
struct Case {
  double r;
  int n;
  double pmt, pv, fv;
};
const std::vector<Case> kCases = {
    {0.05, 10, -100, 0, 0},      {0.08 / 12, 360, -500, 20000, -1000},
    {0.1, 1, 0, -100, 0},        {0.0123, 36, 250, -5000, 1500},
    {1e-7, 120, -10, 1000, 0},   {0.35, 7, 40, -100, 0},
    {-0.02, 12, -50, 1000, 200}, {0.03, 50, -1000, 0, 100000},
};

// ---------------------------------------------------------------- declarations

TEST_F(BusinessTest, PackageDeclaresTheTwelveFunctionsInOrderWithTheirSyntax) {
  struct Declaration {
    const char* name;
    int32_t count;
    const char* args;
  };
  const std::vector<Declaration> expected = {
      {"double-declining-balance", 4,
       " <cost-numeric-expression> <salvage-numeric-expression> <life-integer-expression> "
       "<period-integer-expression>"},
      {"future-value", 5,
       " <rate-numeric-expression> <num-periods-integer-expression> <payment-numeric-expression> "
       "<present-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod"},
      {"interest-payment", 6,
       " <rate-numeric-expression> <period-integer-expression> <num-periods-integer-expression> "
       "<present-value-numeric-expression> <future-value-numeric-expression> "
       "ptEndOfPeriod|ptStartOfPeriod"},
      {"interest-rate", 5,
       " <num-periods-integer-expression> <payment-numeric-expression> "
       "<present-value-numeric-expression> <future-value-numeric-expression> "
       "ptEndOfPeriod|ptStartOfPeriod"},
      {"internal-rate-of-return", 2,
       " <guess-numeric-expression> <cash-flows-multifield-expression>"},
      {"net-present-value", 3,
       " <rate-numeric-expression> <cash-flows-multifield-expression> "
       "ptEndOfPeriod|ptStartOfPeriod"},
      {"number-of-periods", 5,
       " <rate-numeric-expression> <payment-numeric-expression> "
       "<present-value-numeric-expression> <future-value-numeric-expression> "
       "ptEndOfPeriod|ptStartOfPeriod"},
      {"payment", 5,
       " <rate-numeric-expression> <num-periods-integer-expression> "
       "<present-value-numeric-expression> <future-value-numeric-expression> "
       "ptEndOfPeriod|ptStartOfPeriod"},
      {"period-payment", 6,
       " <rate-numeric-expression> <period-integer-expression> <num-periods-integer-expression> "
       "<present-value-numeric-expression> <future-value-numeric-expression> "
       "ptEndOfPeriod|ptStartOfPeriod"},
      {"present-value", 5,
       " <rate-numeric-expression> <num-periods-integer-expression> <payment-numeric-expression> "
       "<future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod"},
      {"sln-depreciation", 3,
       " <cost-numeric-expression> <salvage-numeric-expression> <life-integer-expression>"},
      {"syd-depreciation", 4,
       " <cost-numeric-expression> <salvage-numeric-expression> <life-integer-expression> "
       "<period-integer-expression>"},
  };
  TBusinessPackage* package = nullptr;
  for (int i = 0; i < engine.ComponentCount(); ++i)
    if (auto* p = dynamic_cast<TBusinessPackage*>(engine.Component(i))) package = p;
  ASSERT_NE(package, nullptr);
  ASSERT_EQ(package->Functions().Count(), 12);
  for (int i = 0; i < 12; ++i) {
    IUserFunction* f = package->Functions().Get(i);
    const Declaration& d = expected[static_cast<size_t>(i)];
    SCOPED_TRACE(d.name);
    EXPECT_EQ(f->GetFunctionName(), d.name);
    EXPECT_EQ(Function(d.name), f);
    EXPECT_EQ(f->GetMinArgumentCount(), d.count);
    EXPECT_EQ(f->GetMaxArgumentCount(), d.count);
    EXPECT_EQ(f->GetArgumentString(), d.args);
    EXPECT_FALSE(f->GetComment().empty());
  }
}

TEST_F(BusinessTest, EngineAttachesTheLibraryPackagesInTheirFixedOrder) {
  std::vector<std::string> order;
  for (int i = 0; i < engine.ComponentCount(); ++i) {
    TComponent* c = engine.Component(i);
    if (dynamic_cast<TStandardPackage*>(c)) order.push_back("standard");
    if (dynamic_cast<TMathPackage*>(c)) order.push_back("math");
    if (dynamic_cast<TTrigonometryPackage*>(c)) order.push_back("trigonometry");
    if (dynamic_cast<TBusinessPackage*>(c)) order.push_back("business");
  }
  EXPECT_EQ(order, (std::vector<std::string>{"standard", "math", "trigonometry", "business"}));
}

// ---------------------------------------------------------------- annuities

TEST_F(BusinessTest, WorkedExamplesGiveTheirStatedValues) {
  EXPECT_EQ(Float("(payment 0 10 1000 0 ptEndOfPeriod)"), -100.0);
  ExpectClose(Float("(future-value 0.1 1 0 -100 ptEndOfPeriod)"), 110.0, 1e-15);
  // A 10-payment loan of 10000 at 8% a year paid monthly: 1037.03 a month,
  // or 1030.16 paid in advance.
  EXPECT_NEAR(Float("(payment (/ 0.08 12) 10 10000 0 ptEndOfPeriod)"), -1037.03, 0.005);
  EXPECT_NEAR(Float("(payment (/ 0.08 12) 10 10000 0 ptStartOfPeriod)"), -1030.16, 0.005);
  // 100 saved at the end of each of 10 years at 5% grows to 1257.79 and is
  // worth 772.17 today.
  EXPECT_NEAR(Float("(future-value 0.05 10 -100 0 ptEndOfPeriod)"), 1257.79, 0.005);
  EXPECT_NEAR(Float("(present-value 0.05 10 -100 0 ptEndOfPeriod)"), 772.17, 0.005);
  EXPECT_NEAR(Float("(future-value 0.05 10 -100 0 ptStartOfPeriod)"), 1320.68, 0.005);
  // The first month's interest on 8000 at 10% a year over three years, and
  // the last year's interest on 8000 repaid in three yearly payments.
  EXPECT_NEAR(Float("(interest-payment (/ 0.1 12) 1 36 8000 0 ptEndOfPeriod)"), -66.67, 0.005);
  EXPECT_NEAR(Float("(interest-payment 0.1 3 3 8000 0 ptEndOfPeriod)"), -292.45, 0.005);
  EXPECT_NEAR(Float("(period-payment (/ 0.1 12) 1 24 2000 0 ptEndOfPeriod)"), -75.62, 0.005);
  EXPECT_NEAR(Float("(period-payment 0.08 10 10 200000 0 ptEndOfPeriod)"), -27598.05, 0.005);
  EXPECT_NEAR(Float("(number-of-periods 0.01 -100 -1000 10000 ptStartOfPeriod)"), 59.6738657, 1e-6);
  EXPECT_NEAR(Float("(number-of-periods 0.01 -100 -1000 10000 ptEndOfPeriod)"), 60.0821229, 1e-6);
  EXPECT_NEAR(Float("(number-of-periods 0.01 -100 -1000 0 ptEndOfPeriod)"), -9.57859404, 1e-6);
  EXPECT_NEAR(Float("(interest-rate 48 -200 8000 0 ptEndOfPeriod)"), 0.0077014724, 1e-9);
}

TEST_F(BusinessTest, FutureValueMatchesAPeriodByPeriodBalance) {
  for (const Case& c : kCases)
    for (int t : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "r=" << c.r << " n=" << c.n << " t=" << t);
      ExpectClose(FutureValue(c.r, c.n, c.pmt, c.pv, t),
                  -SimulatedBalance(c.r, c.n, c.pmt, c.pv, t), kTolerance);
    }
}

TEST_F(BusinessTest, PresentValueMatchesDiscountingEachPayment) {
  for (const Case& c : kCases)
    for (int t : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "r=" << c.r << " n=" << c.n << " t=" << t);
      ExpectClose(PresentValue(c.r, c.n, c.pmt, c.fv, t),
                  DiscountedPresentValue(c.r, c.n, c.pmt, c.fv, t), kTolerance);
    }
}

TEST_F(BusinessTest, PaymentBringsTheBalanceToTheFutureValue) {
  for (const Case& c : kCases)
    for (int t : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "r=" << c.r << " n=" << c.n << " t=" << t);
      ExpectClose(Payment(c.r, c.n, c.pv, c.fv, t), SimulatedPayment(c.r, c.n, c.pv, c.fv, t),
                  kTolerance);
    }
}

TEST_F(BusinessTest, ARateOfZeroSharesPaymentsOutEvenly) {
  EXPECT_EQ(Float("(future-value 0 12 -10 -100 ptEndOfPeriod)"), 220.0);
  EXPECT_EQ(Float("(future-value 0 12 -10 -100 ptStartOfPeriod)"), 220.0);
  EXPECT_EQ(Float("(present-value 0 4 -25 0 ptStartOfPeriod)"), 100.0);
  EXPECT_EQ(Float("(payment 0 4 1000 -200 ptStartOfPeriod)"), -200.0);
  EXPECT_EQ(Float("(number-of-periods 0 -50 1000 0 ptEndOfPeriod)"), 20.0);
  // A rate close to zero agrees with it.
  ExpectClose(Float("(payment 1.0e-12 10 1000 0 ptEndOfPeriod)"), -100.0, 1e-9);
}

TEST_F(BusinessTest, InterestAndPrincipalPartsFollowTheAmortisationTable) {
  for (const Case& c : kCases)
    for (int t : {0, 1})
      for (int p : {1, 2, c.n / 2, c.n}) {
        if (p < 1 || p > c.n) continue;
        SCOPED_TRACE(testing::Message() << "r=" << c.r << " n=" << c.n << " t=" << t << " p=" << p);
        double interest = SimulatedInterestPart(c.r, p, c.n, c.pv, c.fv, t);
        double payment = SimulatedPayment(c.r, c.n, c.pv, c.fv, t);
        double scale = std::fabs(payment);
        EXPECT_NEAR(Part("interest-payment", c.r, p, c.n, c.pv, c.fv, t), interest,
                    kTolerance * scale);
        EXPECT_NEAR(Part("period-payment", c.r, p, c.n, c.pv, c.fv, t), payment - interest,
                    kTolerance * scale);
      }
}

TEST_F(BusinessTest, AFirstPaymentInAdvanceCarriesNoInterest) {
  EXPECT_EQ(Float("(interest-payment 0.1 1 5 1000 0 ptStartOfPeriod)"), 0.0);
  ExpectClose(Float("(period-payment 0.1 1 5 1000 0 ptStartOfPeriod)"),
              SimulatedPayment(0.1, 5, 1000, 0, 1), kTolerance);
}

TEST_F(BusinessTest, NumberOfPeriodsSatisfiesTheAnnuityRelation) {
  for (const Case& c : kCases)
    for (int t : {0, 1}) {
      if (c.pmt == 0) continue;
      SCOPED_TRACE(testing::Message() << "r=" << c.r << " n=" << c.n << " t=" << t);
      // The future value these cases reach after exactly n periods.
      double fv = -SimulatedBalance(c.r, c.n, c.pmt, c.pv, t);
      ExpectClose(Periods(c.r, c.pmt, c.pv, fv, t), c.n, kTolerance);
    }
}

// Loans partly repaid and savings plans: their flows change sign once, so
// the rate is the only one.
TEST_F(BusinessTest, InterestRateRecoversTheRateOfAnAnnuity) {
  const std::vector<Case> cases = {
      {0.05, 10, -100, 1000, 0},   {0.08 / 12, 360, -100, 20000, 0}, {0.0123, 36, -150, 5000, 0},
      {0.35, 7, -10, 100, 0},      {1e-7, 120, -5, 1000, 0},         {0.03, 50, -100, -1000, 0},
      {0.002, 240, 75, -10000, 0},
  };
  for (const Case& c : cases)
    for (int t : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "r=" << c.r << " n=" << c.n << " t=" << t);
      double fv = -SimulatedBalance(c.r, c.n, c.pmt, c.pv, t);
      ExpectClose(Rate(c.n, c.pmt, c.pv, fv, t), c.r, kTolerance);
    }
  // A payment-free deposit that doubles in 12 periods: 2^(1/12) - 1.
  ExpectClose(Float("(interest-rate 12 0 -100 200 ptEndOfPeriod)"), std::pow(2.0, 1.0 / 12) - 1,
              kTolerance);
  // Repaying exactly what was lent: a rate of zero.
  EXPECT_NEAR(Float("(interest-rate 10 -100 1000 0 ptEndOfPeriod)"), 0.0, 1e-15);
}

// ---------------------------------------------------------------- cash flows

TEST_F(BusinessTest, NetPresentValueDiscountsEachFlowFromItsPaymentTime) {
  EXPECT_EQ(Float("(net-present-value 0.1 (create$ 110) ptEndOfPeriod)"), 100.0);
  EXPECT_EQ(Float("(net-present-value 0.1 (create$ 110) ptStartOfPeriod)"), 110.0);
  EXPECT_NEAR(Float("(net-present-value 0.1 (create$ -10000 3000 4200 6800) ptEndOfPeriod)"),
              1188.44, 0.005);
  const std::vector<double> flows = {-500, 120.5, 0, 310, 99.25, 7};
  std::string list = "(create$";
  double end = 0;
  for (size_t i = 0; i < flows.size(); ++i) {
    list += " " + Number(flows[i]);
    end += flows[i] / std::pow(1.0625, static_cast<double>(i + 1));
  }
  list += ")";
  ExpectClose(Float("(net-present-value 0.0625 " + list + " ptEndOfPeriod)"), end, kTolerance);
  ExpectClose(Float("(net-present-value 0.0625 " + list + " ptStartOfPeriod)"), end * 1.0625,
              kTolerance);
  EXPECT_EQ(Float("(net-present-value 0.1 (create$) ptEndOfPeriod)"), 0.0);
}

TEST_F(BusinessTest, InternalRateOfReturnIsTheRateThatZeroesTheNetPresentValue) {
  EXPECT_NEAR(Float("(internal-rate-of-return 0.1 (create$ -70000 12000 15000 18000 21000 26000))"),
              0.0866, 0.00005);
  EXPECT_NEAR(Float("(internal-rate-of-return 0.1 (create$ -70000 12000 15000 18000 21000))"),
              -0.0212, 0.00005);
  // Flows built to return exactly 7% a period.
  double c0 = -(300 / 1.07 + 400 / (1.07 * 1.07) + 500 / (1.07 * 1.07 * 1.07));
  ExpectClose(Float("(internal-rate-of-return 0.2 (create$ " + Number(c0) + " 300 400 500))"), 0.07,
              kTolerance);
  ExpectClose(Float("(internal-rate-of-return 0.1 (create$ -100 110))"), 0.1, kTolerance);
}

// -100 + 230/(1+r) - 132/(1+r)^2 is zero at 10% and at 20%.
TEST_F(BusinessTest, InternalRateOfReturnTakesTheRootNearestTheGuess) {
  ExpectClose(Float("(internal-rate-of-return 0.05 (create$ -100 230 -132))"), 0.1, kTolerance);
  ExpectClose(Float("(internal-rate-of-return 0.3 (create$ -100 230 -132))"), 0.2, kTolerance);
}

TEST_F(BusinessTest, RatesThatNoIterationCanFindAreReported) {
  EXPECT_EQ(Error("(internal-rate-of-return 0.1 (create$ 100 200 300))"),
            "No rate found in internal-rate-of-return function call: the iteration did not "
            "converge to a root");
  EXPECT_EQ(Error("(internal-rate-of-return 0.1 (create$))"),
            Format(SNoRateFound, {"internal-rate-of-return"}));
  EXPECT_EQ(Error("(interest-rate 10 100 100 100 ptEndOfPeriod)"),
            Format(SNoRateFound, {"interest-rate"}));
  // Nothing paid or owed: every rate would do, so none is given.
  EXPECT_EQ(Error("(internal-rate-of-return 0.1 (create$ 0 0 0))"),
            Format(SNoRateFound, {"internal-rate-of-return"}));
  EXPECT_EQ(Error("(interest-rate 10 0 0 0 ptEndOfPeriod)"),
            Format(SNoRateFound, {"interest-rate"}));
}

// ---------------------------------------------------------------- depreciation

TEST_F(BusinessTest, StraightLineAndSumOfYearsDigitsDepreciation) {
  EXPECT_EQ(Float("(sln-depreciation 1000 100 9)"), 100.0);
  EXPECT_EQ(Float("(sln-depreciation 30000 7500 10)"), 2250.0);
  EXPECT_EQ(Float("(syd-depreciation 1000 100 2 1)"), 600.0);
  EXPECT_EQ(Float("(syd-depreciation 1000 100 2 2)"), 300.0);
  EXPECT_NEAR(Float("(syd-depreciation 30000 7500 10 1)"), 4090.91, 0.005);
  EXPECT_NEAR(Float("(syd-depreciation 30000 7500 10 10)"), 409.09, 0.005);
  // The periods together depreciate cost minus salvage.
  double total = 0;
  for (int p = 1; p <= 7; ++p)
    total += Float("(syd-depreciation 5000 200 7 " + std::to_string(p) + ")");
  ExpectClose(total, 4800, kTolerance);
}

TEST_F(BusinessTest, DoubleDecliningBalanceStopsAtTheSalvageValue) {
  // 40% a year: 400, 240, then only 60 to reach the salvage of 300.
  EXPECT_EQ(Float("(double-declining-balance 1000 300 5 1)"), 400.0);
  EXPECT_EQ(Float("(double-declining-balance 1000 300 5 2)"), 240.0);
  ExpectClose(Float("(double-declining-balance 1000 300 5 3)"), 60.0, kTolerance);
  EXPECT_EQ(Float("(double-declining-balance 1000 300 5 4)"), 0.0);
  EXPECT_EQ(Float("(double-declining-balance 1000 300 5 5)"), 0.0);
  EXPECT_EQ(Float("(double-declining-balance 2400 300 10 1)"), 480.0);
  EXPECT_NEAR(Float("(double-declining-balance 2400 300 10 10)"), 22.12, 0.005);
  EXPECT_NEAR(Float("(double-declining-balance 2400 300 3650 1)"), 1.32, 0.005);
  // A one-period life writes everything down to salvage at once.
  EXPECT_EQ(Float("(double-declining-balance 1000 100 1 1)"), 900.0);
}

TEST_F(BusinessTest, DoubleDecliningBalanceMatchesWalkingThroughThePeriods) {
  for (int life : {2, 3, 7, 12, 40})
    for (double salvage : {0.0, 150.0, 2000.0})
      for (int p = 1; p <= life; ++p) {
        SCOPED_TRACE(testing::Message() << "life=" << life << " salvage=" << salvage << " p=" << p);
        double expected = SimulatedDeclining(10000, salvage, life, p);
        EXPECT_NEAR(Float("(double-declining-balance 10000 " + Number(salvage) + " " +
                          std::to_string(life) + " " + std::to_string(p) + ")"),
                    expected, kTolerance * 10000);
      }
}

// ---------------------------------------------------------------- errors

TEST_F(BusinessTest, PaymentTimesAreTheTwoWords) {
  // The word may also come as a string.
  EXPECT_EQ(Float("(future-value 0.1 1 0 -100 \"ptStartOfPeriod\")"),
            Float("(future-value 0.1 1 0 -100 ptStartOfPeriod)"));
  const std::string message =
      "Invalid payment time specified (%s), expected ptEndOfPeriod or ptStartOfPeriod";
  EXPECT_EQ(Error("(payment 0.1 10 100 0 ptMiddle)"), Format(message, {"ptMiddle"}));
  EXPECT_EQ(Error("(payment 0.1 10 100 0 ptendofperiod)"), Format(message, {"ptendofperiod"}));
  EXPECT_EQ(Error("(net-present-value 0.1 (create$ 1) 0)"), Format(message, {"0"}));
}

TEST_F(BusinessTest, RatesOfMinusOneOrLessAreRefused) {
  const std::string tail = " function call: the rate must be greater than -1";
  EXPECT_EQ(Error("(payment -1 10 100 0 ptEndOfPeriod)"),
            "Argument out of domain in payment" + tail);
  EXPECT_EQ(Error("(future-value -1.5 10 1 100 ptEndOfPeriod)"),
            "Argument out of domain in future-value" + tail);
  EXPECT_EQ(Error("(present-value -1 10 1 100 ptStartOfPeriod)"),
            "Argument out of domain in present-value" + tail);
  EXPECT_EQ(Error("(number-of-periods -1 -10 100 0 ptEndOfPeriod)"),
            "Argument out of domain in number-of-periods" + tail);
  EXPECT_EQ(Error("(net-present-value -1 (create$ 1 2) ptEndOfPeriod)"),
            "Argument out of domain in net-present-value" + tail);
  EXPECT_EQ(Error("(interest-payment -2 1 10 100 0 ptEndOfPeriod)"),
            "Argument out of domain in interest-payment" + tail);
}

TEST_F(BusinessTest, PeriodsAndLivesOutsideTheirRangeAreRefused) {
  const std::string prefix = "Argument out of domain in ";
  EXPECT_EQ(Error("(payment 0.1 0 100 0 ptEndOfPeriod)"),
            prefix + "payment function call: the number of periods must not be zero");
  EXPECT_EQ(Error("(interest-payment 0.1 0 10 100 0 ptEndOfPeriod)"),
            prefix +
                "interest-payment function call: the period must lie between 1 and the "
                "number of periods");
  EXPECT_EQ(Error("(period-payment 0.1 11 10 100 0 ptEndOfPeriod)"),
            prefix +
                "period-payment function call: the period must lie between 1 and the "
                "number of periods");
  EXPECT_EQ(Error("(period-payment 0.1 1 0 100 0 ptEndOfPeriod)"),
            prefix + "period-payment function call: the number of periods must be at least 1");
  EXPECT_EQ(Error("(interest-rate 0 -10 100 0 ptEndOfPeriod)"),
            prefix + "interest-rate function call: the number of periods must be at least 1");
  EXPECT_EQ(Error("(sln-depreciation 1000 100 0)"),
            prefix + "sln-depreciation function call: the life must be at least 1");
  EXPECT_EQ(Error("(syd-depreciation 1000 100 -2 1)"),
            prefix + "syd-depreciation function call: the life must be at least 1");
  EXPECT_EQ(Error("(syd-depreciation 1000 100 5 6)"),
            prefix + "syd-depreciation function call: the period must lie between 1 and the life");
  EXPECT_EQ(Error("(double-declining-balance 1000 100 5 0)"),
            prefix +
                "double-declining-balance function call: the period must lie between 1 and the "
                "life");
}

TEST_F(BusinessTest, NumberOfPeriodsWithoutASolutionIsRefused) {
  const std::string message =
      "Argument out of domain in number-of-periods function call: no "
      "number of periods satisfies the arguments";
  // The payment only covers the interest, or less.
  EXPECT_EQ(Error("(number-of-periods 0.1 -100 1000 0 ptEndOfPeriod)"), message);
  EXPECT_EQ(Error("(number-of-periods 0.1 -50 1000 0 ptEndOfPeriod)"), message);
  EXPECT_EQ(Error("(number-of-periods 0 0 1000 0 ptEndOfPeriod)"), message);
}

TEST_F(BusinessTest, ResultsBeyondTheFloatRangeAreRefused) {
  EXPECT_EQ(Error("(future-value 10 1000 0 -1 ptEndOfPeriod)"),
            "Floating-point overflow in future-value function call");
}

TEST_F(BusinessTest, ArgumentsOfTheWrongTypeRaiseTheConversionError) {
  EXPECT_EQ(Error("(payment abc 10 100 0 ptEndOfPeriod)"),
            "Not a numeric type.  Value (abc) is a dtAtom type");
  EXPECT_EQ(Error("(payment 0.1 abc 100 0 ptEndOfPeriod)"),
            "Not a integer type.  Value (abc) is a dtAtom type");
  EXPECT_EQ(Error("(net-present-value 0.1 5 ptEndOfPeriod)"),
            "Not a list type.  Value (5) is a dtInteger type");
  EXPECT_EQ(Error("(internal-rate-of-return 0.1 (create$ -1 x))"),
            "Not a numeric type.  Value (x) is a dtAtom type");
}

TEST_F(BusinessTest, ArgumentCountsOutsideTheRangeAreRefused) {
  EXPECT_EQ(Error("(payment 0.1 10 100 0)"), "Too few arguments for payment");
  EXPECT_EQ(Error("(payment 0.1 10 100 0 ptEndOfPeriod 1)"), "Too many arguments for payment");
  EXPECT_EQ(Error("(sln-depreciation 1 2)"), "Too few arguments for sln-depreciation");
  EXPECT_EQ(Error("(internal-rate-of-return 0.1)"),
            "Too few arguments for internal-rate-of-return");
  EXPECT_EQ(Error("(interest-payment 0.1 1 10 100 0 ptEndOfPeriod x)"),
            "Too many arguments for interest-payment");
}

}  // namespace
}  // namespace rulecore
