// rulecore: an embeddable expert-system shell.
// The trigonometry package evaluated through a real engine: its
// declarations, each function at points whose values are known in closed
// form, the branches chosen for acsc and asec, the angle conversions, the
// three distances, and the errors of arguments outside a domain, at a pole,
// of the wrong type or count.
#include "functions/trig_package.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "core/messages.h"
#include "support/eval_fixture.h"

namespace rulecore {
namespace {

using TrigTest = EvalTest;

const double kPi = 3.141592653589793;
const double kLn2 = 0.6931471805599453;

// Tolerance for results whose inputs were themselves rounded to a double.
constexpr double kClose = 4e-15;

TEST_F(TrigTest, PackageDeclaresTheThirtySevenFunctionsInOrderWithTheirSyntax) {
  const std::vector<std::string> names = {
      "acos",     "acosh",    "acot",       "acoth",        "acsc",
      "acsch",    "asec",     "asech",      "asin",         "asinh",
      "atan",     "atan2",    "atanh",      "cos",          "cosh",
      "cot",      "coth",     "csc",        "csch",         "cycle-rad",
      "deg-grad", "deg-rad",  "distance",   "distance-sqr", "distance-manhattan",
      "grad-deg", "grad-rad", "hypotenuse", "rad-cycle",    "rad-deg",
      "rad-grad", "sec",      "sech",       "sin",          "sinh",
      "tan",      "tanh"};
  TTrigonometryPackage* package = nullptr;
  for (int i = 0; i < engine.ComponentCount(); ++i)
    if (auto* p = dynamic_cast<TTrigonometryPackage*>(engine.Component(i))) package = p;
  ASSERT_NE(package, nullptr);
  ASSERT_EQ(package->Functions().Count(), 37);
  for (int i = 0; i < 37; ++i) {
    IUserFunction* f = package->Functions().Get(i);
    const std::string& name = names[static_cast<size_t>(i)];
    SCOPED_TRACE(name);
    EXPECT_EQ(f->GetFunctionName(), name);
    EXPECT_EQ(Function(name), f);
    EXPECT_FALSE(f->GetComment().empty());
    if (name == "atan2" || name == "hypotenuse") {
      EXPECT_EQ(f->GetArgumentString(), " <numeric-expression-X> <numeric-expression-Y>");
      EXPECT_EQ(f->GetMinArgumentCount(), 2);
      EXPECT_EQ(f->GetMaxArgumentCount(), 2);
    } else if (name.rfind("distance", 0) == 0) {
      EXPECT_EQ(f->GetArgumentString(), " <multifield-expression-1> <multifield-expression-2>");
      EXPECT_EQ(f->GetMinArgumentCount(), 2);
      EXPECT_EQ(f->GetMaxArgumentCount(), 2);
    } else {
      EXPECT_EQ(f->GetArgumentString(), " <numeric-expression>");
      EXPECT_EQ(f->GetMinArgumentCount(), 1);
      EXPECT_EQ(f->GetMaxArgumentCount(), 1);
    }
  }
}

// ---------------------------------------------------------------- circular

TEST_F(TrigTest, CircularFunctionsAtKnownAngles) {
  ExpectClose(Float("(sin (/ (PI) 6))"), 0.5, kClose);
  ExpectClose(Float("(cos (/ (PI) 3))"), 0.5, kClose);
  ExpectClose(Float("(tan (/ (PI) 4))"), 1.0, kClose);
  ExpectClose(Float("(cot (/ (PI) 4))"), 1.0, kClose);
  ExpectClose(Float("(csc (/ (PI) 6))"), 2.0, kClose);
  ExpectClose(Float("(sec (/ (PI) 3))"), 2.0, kClose);
  EXPECT_EQ(Float("(sin 0)"), 0.0);
  EXPECT_EQ(Float("(cos 0)"), 1.0);
  EXPECT_EQ(Float("(sec 0)"), 1.0);
}

TEST_F(TrigTest, InverseCircularFunctionsAtKnownValues) {
  ExpectClose(Float("(asin 0.5)"), kPi / 6, kClose);
  ExpectClose(Float("(acos 0.5)"), kPi / 3, kClose);
  ExpectClose(Float("(atan 1)"), kPi / 4, kClose);
  EXPECT_EQ(Float("(asin 1)"), kPi / 2);
  EXPECT_EQ(Float("(acos 1)"), 0.0);
  EXPECT_EQ(Float("(acos -1)"), kPi);
}

TEST_F(TrigTest, ArcCotangentRunsFromZeroToPi) {
  EXPECT_EQ(Float("(acot 0)"), kPi / 2);
  ExpectClose(Float("(acot 1)"), kPi / 4, kClose);
  ExpectClose(Float("(acot -1)"), 3 * kPi / 4, kClose);
}

TEST_F(TrigTest, ArcCosecantAndArcSecantAddPiForNegativeArguments) {
  ExpectClose(Float("(acsc 2)"), kPi / 6, kClose);
  ExpectClose(Float("(acsc -2)"), 7 * kPi / 6, kClose);
  EXPECT_EQ(Float("(acsc 1)"), kPi / 2);
  ExpectClose(Float("(asec 2)"), kPi / 3, kClose);
  ExpectClose(Float("(asec -2)"), 4 * kPi / 3, kClose);
  EXPECT_EQ(Float("(asec 1)"), 0.0);
  EXPECT_EQ(Float("(asec -1)"), kPi);
}

TEST_F(TrigTest, Atan2TakesXFirstAndCoversTheWholeCircle) {
  EXPECT_EQ(Float("(atan2 0 1)"), kPi / 2);
  EXPECT_EQ(Float("(atan2 1 0)"), 0.0);
  EXPECT_EQ(Float("(atan2 -1 0)"), kPi);
  EXPECT_EQ(Float("(atan2 0 -1)"), -kPi / 2);
  ExpectClose(Float("(atan2 1 1)"), kPi / 4, kClose);
  ExpectClose(Float("(atan2 -1 -1)"), -3 * kPi / 4, kClose);
}

// ---------------------------------------------------------------- hyperbolic

// At x = ln 2: sinh = 3/4, cosh = 5/4, tanh = 3/5.
TEST_F(TrigTest, HyperbolicFunctionsAtLnTwo) {
  const std::string x = " 0.6931471805599453)";
  ExpectClose(Float("(sinh" + x), 0.75, kClose);
  ExpectClose(Float("(cosh" + x), 1.25, kClose);
  ExpectClose(Float("(tanh" + x), 0.6, kClose);
  ExpectClose(Float("(coth" + x), 5.0 / 3, kClose);
  ExpectClose(Float("(csch" + x), 4.0 / 3, kClose);
  ExpectClose(Float("(sech" + x), 0.8, kClose);
}

// Each inverse gives ln 2 back from the values above.
TEST_F(TrigTest, InverseHyperbolicFunctionsGiveLnTwoBack) {
  ExpectClose(Float("(asinh 0.75)"), kLn2, kClose);
  ExpectClose(Float("(acosh 1.25)"), kLn2, kClose);
  ExpectClose(Float("(atanh 0.6)"), kLn2, kClose);
  ExpectClose(Float("(acoth (/ 5.0 3))"), kLn2, kClose);
  ExpectClose(Float("(acsch (/ 4.0 3))"), kLn2, kClose);
  ExpectClose(Float("(asech 0.8)"), kLn2, kClose);
  // ln((x + 1) / (x - 1)) / 2 at x = 3 and x = -3.
  ExpectClose(Float("(acoth 3)"), kLn2 / 2, kClose);
  ExpectClose(Float("(acoth -3)"), -kLn2 / 2, kClose);
  ExpectClose(Float("(acsch (/ -4.0 3))"), -kLn2, kClose);
  EXPECT_EQ(Float("(acosh 1)"), 0.0);
  EXPECT_EQ(Float("(asech 1)"), 0.0);
}

TEST_F(TrigTest, InverseHyperbolicFunctionsKeepTheirPrecisionFarOut) {
  // acoth x = 1/x + 1/(3x^3) + ... and acsch x = 1/x - 1/(6x^3) + ...: both
  // are 1e-10 to within 1e-30.
  ExpectClose(Float("(acoth 1.0e10)"), 1e-10, 1e-15);
  ExpectClose(Float("(acsch 1.0e10)"), 1e-10, 1e-15);
  ExpectClose(Float("(acsch -1.0e10)"), -1e-10, 1e-15);
}

TEST_F(TrigTest, HyperbolicResultsBeyondTheFloatRangeAreRefused) {
  EXPECT_EQ(Error("(cosh 1000)"), "Floating-point overflow in cosh function call");
  EXPECT_EQ(Error("(sinh -1000)"), "Floating-point overflow in sinh function call");
  // Their reciprocals simply vanish.
  EXPECT_EQ(Float("(sech 100000)"), 0.0);
  EXPECT_EQ(Float("(csch 100000)"), 0.0);
  EXPECT_EQ(Float("(tanh 1000)"), 1.0);
}

// ---------------------------------------------------------------- conversions

TEST_F(TrigTest, AngleConversionsBetweenCyclesDegreesGradsAndRadians) {
  EXPECT_EQ(Float("(deg-grad 90)"), 100.0);
  EXPECT_EQ(Float("(grad-deg 100)"), 90.0);
  EXPECT_EQ(Float("(deg-rad 180)"), kPi);
  EXPECT_EQ(Float("(grad-rad 200)"), kPi);
  EXPECT_EQ(Float("(cycle-rad 1)"), 2 * kPi);
  EXPECT_EQ(Float("(cycle-rad 0.5)"), kPi);
  ExpectClose(Float("(rad-deg (PI))"), 180.0, kClose);
  ExpectClose(Float("(rad-grad (PI))"), 200.0, kClose);
  ExpectClose(Float("(rad-cycle (PI))"), 0.5, kClose);
  ExpectClose(Float("(deg-rad 45)"), kPi / 4, kClose);
  EXPECT_EQ(Float("(rad-deg 0)"), 0.0);
}

TEST_F(TrigTest, HypotenuseOfRightTriangles) {
  EXPECT_EQ(Float("(hypotenuse 3 4)"), 5.0);
  EXPECT_EQ(Float("(hypotenuse -5 12)"), 13.0);
  EXPECT_EQ(Float("(hypotenuse 0 0)"), 0.0);
  // The squares would overflow a float; the length does not.
  ExpectClose(Float("(hypotenuse 3.0e300 4.0e300)"), 5e300, kClose);
}

// ---------------------------------------------------------------- distances

TEST_F(TrigTest, DistancesBetweenPointsGivenAsMultifields) {
  EXPECT_EQ(Float("(distance (create$ 0 0) (create$ 3 4))"), 5.0);
  EXPECT_EQ(Float("(distance-sqr (create$ 0 0) (create$ 3 4))"), 25.0);
  EXPECT_EQ(Float("(distance-manhattan (create$ 0 0) (create$ 3 4))"), 7.0);
  EXPECT_EQ(Float("(distance (create$ 1 2 3) (create$ 3 5 9))"), 7.0);  // 2, 3, 6
  EXPECT_EQ(Float("(distance-manhattan (create$ 1 -2.5) (create$ -1 2))"), 6.5);
  EXPECT_EQ(Float("(distance-sqr (create$ 1.5) (create$ -0.5))"), 4.0);
}

TEST_F(TrigTest, DistancesBetweenEmptyMultifieldsAreZero) {
  EXPECT_EQ(Float("(distance (create$) (create$))"), 0.0);
  EXPECT_EQ(Float("(distance-sqr (create$) (create$))"), 0.0);
  EXPECT_EQ(Float("(distance-manhattan (create$) (create$))"), 0.0);
}

TEST_F(TrigTest, DistancesRefuseMultifieldsOfDifferentLengths) {
  const std::string message =
      "Invalid multifield arguments, the two multifields must be of the same length";
  EXPECT_EQ(Error("(distance (create$ 1) (create$ 1 2))"), message);
  EXPECT_EQ(Error("(distance-sqr (create$ 1 2) (create$))"), message);
  EXPECT_EQ(Error("(distance-manhattan (create$) (create$ 0))"), message);
}

TEST_F(TrigTest, DistancesRefuseArgumentsThatAreNotListsOfNumbers) {
  EXPECT_EQ(Error("(distance 1 (create$ 1))"), "Not a list type.  Value (1) is a dtInteger type");
  EXPECT_EQ(Error("(distance (create$ a) (create$ 1))"),
            "Not a numeric type.  Value (a) is a dtAtom type");
}

// ---------------------------------------------------------------- errors

TEST_F(TrigTest, ArgumentsOutsideTheDomainAreRefusedByName) {
  const std::string prefix = "Argument out of domain in ";
  EXPECT_EQ(Error("(acos 2)"),
            prefix + "acos function call: the argument must lie between -1 and 1");
  EXPECT_EQ(Error("(asin -1.5)"),
            prefix + "asin function call: the argument must lie between -1 and 1");
  EXPECT_EQ(Error("(acosh 0.5)"), prefix + "acosh function call: the argument must be at least 1");
  EXPECT_EQ(Error("(atanh 1)"),
            prefix + "atanh function call: the argument must lie strictly between -1 and 1");
  EXPECT_EQ(Error("(atanh -1)"),
            prefix + "atanh function call: the argument must lie strictly between -1 and 1");
  for (const char* x : {"1", "-1", "0.5", "0"})
    EXPECT_EQ(Error(std::string("(acoth ") + x + ")"),
              prefix + "acoth function call: the argument must lie outside the range -1 to 1");
  EXPECT_EQ(Error("(acsc 0.5)"),
            prefix + "acsc function call: the argument must not lie strictly between -1 and 1");
  EXPECT_EQ(Error("(asec -0.5)"),
            prefix + "asec function call: the argument must not lie strictly between -1 and 1");
  EXPECT_EQ(Error("(asech 1.5)"),
            prefix + "asech function call: the argument must be greater than 0 and at most 1");
  EXPECT_EQ(Error("(asech -0.5)"),
            prefix + "asech function call: the argument must be greater than 0 and at most 1");
}

TEST_F(TrigTest, PolesAreDivisionsByZero) {
  for (const char* f : {"cot", "coth", "csc", "csch", "acsc", "acsch", "asec", "asech"})
    EXPECT_EQ(Error(std::string("(") + f + " 0)"),
              std::string("Division by zero in ") + f + " function call");
}

TEST_F(TrigTest, ArgumentsThatAreNotNumbersRaiseTheConversionError) {
  const std::string message = "Not a numeric type.  Value (abc) is a dtAtom type";
  EXPECT_EQ(Error("(sin abc)"), message);
  EXPECT_EQ(Error("(atan2 1 abc)"), message);
  EXPECT_EQ(Error("(hypotenuse abc 1)"), message);
  EXPECT_EQ(Error("(deg-rad abc)"), message);
}

TEST_F(TrigTest, ArgumentCountsOutsideTheRangeAreRefused) {
  EXPECT_EQ(Error("(sin)"), "Too few arguments for sin");
  EXPECT_EQ(Error("(sin 1 2)"), "Too many arguments for sin");
  EXPECT_EQ(Error("(atan2 1)"), "Too few arguments for atan2");
  EXPECT_EQ(Error("(hypotenuse 1 2 3)"), "Too many arguments for hypotenuse");
  EXPECT_EQ(Error("(distance (create$ 1))"), "Too few arguments for distance");
  EXPECT_EQ(Error("(rad-deg)"), "Too few arguments for rad-deg");
}

}  // namespace
}  // namespace rulecore
