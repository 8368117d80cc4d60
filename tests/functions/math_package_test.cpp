// rulecore: an embeddable expert-system shell.
// The math package evaluated through a real engine: its declarations, the
// integer and float results of the arithmetic, 32-bit wrap-around, the
// conversions and rounding, powers and logarithms with their domain errors,
// the random generator's reproducibility and ranges, and the conversion and
// argument-count errors every function shares.
#include "functions/math_package.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "core/messages.h"
#include "platform/format.h"
#include "support/eval_fixture.h"
#include "support/test_helpers.h"

namespace rulecore {
namespace {

class MathTest : public EvalTest {
 protected:
  // The integer results of `count` evaluations of `call`.
  std::vector<int32_t> Draws(const std::string& call, int count) {
    std::vector<int32_t> out;
    for (int i = 0; i < count; ++i)
      out.push_back(Integer(call));
    return out;
  }
};

// ---------------------------------------------------------------- declarations

struct Declaration {
  const char* name;
  int32_t min;
  int32_t max;
  const char* args;
};

constexpr int32_t kAny = kUnboundedArguments;

TEST_F(MathTest, PackageDeclaresTheTwentyOneFunctionsInOrderWithTheirSyntax) {
  const std::vector<Declaration> expected = {
      {"abs", 1, 1, " <numeric-expression>"},
      {"div", 1, kAny, " <integer-expression>+"},
      {"/", 1, kAny, " <numeric-expression>+"},
      {"exp", 1, 1, " <numeric-expression>"},
      {"**", 2, 2, " <numeric-expression> <numeric-expression>"},
      {"float", 1, 1, " <numeric-expression>"},
      {"integer", 1, 1, " <numeric-expression>"},
      {"log", 1, 1, " <numeric-expression>"},
      {"log10", 1, 1, " <numeric-expression>"},
      {"max", 1, kAny, " <numeric-expression>+"},
      {"min", 1, kAny, " <numeric-expression>+"},
      {"-", 1, kAny, " <numeric-expression>+"},
      {"mod", 2, 2, " <integer-expression> <integer-expression>"},
      {"PI", 0, 0, ""},
      {"+", 0, kAny, " <numeric-expression>+"},
      {"random", 0, 2, " [[<low-integer-expression>] <high-integer-expression>]"},
      {"randomize", 0, 1, " [<seed-integer-expression> ]"},
      {"round", 1, 1, " <numeric-expression>"},
      {"seed", 1, 1, " <integer-expression>"},
      {"sqrt", 1, 1, " <numeric-expression>"},
      {"*", 0, kAny, " <numeric-expression>+"},
  };
  TMathPackage* package = nullptr;
  for (int i = 0; i < engine.ComponentCount(); ++i)
    if (auto* p = dynamic_cast<TMathPackage*>(engine.Component(i))) package = p;
  ASSERT_NE(package, nullptr);
  ASSERT_EQ(package->Functions().Count(), static_cast<int>(expected.size()));
  for (int i = 0; i < package->Functions().Count(); ++i) {
    IUserFunction* f = package->Functions().Get(i);
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(f->GetFunctionName(), expected[i].name);
    EXPECT_EQ(f->GetMinArgumentCount(), expected[i].min);
    EXPECT_EQ(f->GetMaxArgumentCount(), expected[i].max);
    EXPECT_EQ(f->GetArgumentString(), expected[i].args);
    EXPECT_FALSE(f->GetComment().empty());
    // The engine reaches each one under its name.
    EXPECT_EQ(Function(expected[i].name), f);
  }
  EXPECT_EQ(Function("+")->GetComment(), "Returns a value that is the sum of all the arguments");
}

// ---------------------------------------------------------------- + - *

TEST_F(MathTest, SumsAreIntegersUnlessAnArgumentIsAFloat) {
  EXPECT_EQ(Integer("(+ 1 2)"), 3);
  EXPECT_EQ(Float("(+ 1 2.0)"), 3.0);
  EXPECT_EQ(Float("(+ 0.5 0.25 1)"), 1.75);
  EXPECT_EQ(Integer("(+)"), 0);
  EXPECT_EQ(Integer("(+ -4)"), -4);
  // A number written as text counts as a number but not as a float.
  EXPECT_EQ(Integer("(+ \"3\" 4)"), 7);
}

TEST_F(MathTest, ProductsAreIntegersUnlessAnArgumentIsAFloat) {
  EXPECT_EQ(Integer("(* 2 3 4)"), 24);
  EXPECT_EQ(Float("(* 2 0.5)"), 1.0);
  EXPECT_EQ(Integer("(*)"), 1);
  EXPECT_EQ(Integer("(* -3 5)"), -15);
}

TEST_F(MathTest, DifferencesStartFromTheFirstArgumentWhichAloneIsNotNegated) {
  EXPECT_EQ(Float("(- 5.5 1)"), 4.5);
  EXPECT_EQ(Integer("(- 10 2 3)"), 5);
  EXPECT_EQ(Integer("(- 7)"), 7);
  EXPECT_EQ(Float("(- 7.5)"), 7.5);
  // The first argument alone makes the result a float.
  EXPECT_EQ(Float("(- 2.0 1)"), 1.0);
}

TEST_F(MathTest, IntegerArithmeticWrapsAt32Bits) {
  EXPECT_EQ(Integer("(+ 2147483647 1)"), INT32_MIN);
  EXPECT_EQ(Integer("(- -2147483648 1)"), INT32_MAX);
  EXPECT_EQ(Integer("(* 65536 65536)"), 0);
  // 2147483647^2 = 0x3FFFFFFF00000001: the low 32 bits are 1, although the
  // product is beyond the digits a double holds.
  EXPECT_EQ(Integer("(* 2147483647 2147483647)"), 1);
  // 3^40 = 12157665459056928801 = 2830677889 * 2^32 + 689956897.
  EXPECT_EQ(
      Integer("(* 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 "
              "3 3)"),
      689956897);
}

TEST_F(MathTest, FloatSumsThatOverflowAreRefused) {
  EXPECT_EQ(Error("(+ 1.0e308 1.0e308)"), "Floating-point overflow in + function call");
  EXPECT_EQ(Error("(* 1.0e200 1.0e200)"), "Floating-point overflow in * function call");
  EXPECT_EQ(Error("(- -1.0e308 1.0e308)"), "Floating-point overflow in - function call");
  // A number too large for a float, written as text, is refused too.
  EXPECT_EQ(Error("(+ 1 \"1e400\")"), "Floating-point overflow in + function call");
}

// ---------------------------------------------------------------- / div mod

TEST_F(MathTest, DivisionAlwaysGivesAFloat) {
  EXPECT_EQ(Float("(/ 7 2)"), 3.5);
  EXPECT_EQ(Float("(/ 4 2)"), 2.0);
  EXPECT_EQ(Float("(/ 100 2 5)"), 10.0);
  EXPECT_EQ(Float("(/ 4)"), 4.0);
  EXPECT_EQ(Float("(/ 0 5)"), 0.0);
}

TEST_F(MathTest, DivisionByZeroOrBeyondTheFloatRangeIsRefused) {
  EXPECT_EQ(Error("(/ 1 0)"), "Division by zero in / function call");
  EXPECT_EQ(Error("(/ 0.0 0.0)"), "Division by zero in / function call");
  EXPECT_EQ(Error("(/ 6 2 0 1)"), "Division by zero in / function call");
  EXPECT_EQ(Error("(/ 1.0e300 1.0e-300)"), "Floating-point overflow in / function call");
}

TEST_F(MathTest, IntegerDivisionTruncatesTowardZero) {
  EXPECT_EQ(Integer("(div 7 2)"), 3);
  EXPECT_EQ(Integer("(div -7 2)"), -3);
  EXPECT_EQ(Integer("(div 7 -2)"), -3);
  EXPECT_EQ(Integer("(div 100 3 2)"), 16);
  EXPECT_EQ(Integer("(div 9)"), 9);
  // Float arguments are truncated before dividing: 7.9 div 2.9 is 7 div 2.
  EXPECT_EQ(Integer("(div 7.9 2.9)"), 3);
  EXPECT_EQ(Integer("(div -2147483648 -1)"), INT32_MIN);
}

TEST_F(MathTest, IntegerDivisionByZeroIsRefused) {
  EXPECT_EQ(Error("(div 1 0)"), "Division by zero in div function call");
  // 0.5 truncates to the divisor 0.
  EXPECT_EQ(Error("(div 5 0.5)"), "Division by zero in div function call");
}

TEST_F(MathTest, ModTakesTheSignOfTheDividend) {
  EXPECT_EQ(Integer("(mod -7 2)"), -1);
  EXPECT_EQ(Integer("(mod 7 -2)"), 1);
  EXPECT_EQ(Integer("(mod 7 2)"), 1);
  EXPECT_EQ(Integer("(mod 6 3)"), 0);
  EXPECT_EQ(Integer("(mod 7.5 2)"), 1);
  EXPECT_EQ(Integer("(mod -2147483648 -1)"), 0);
  EXPECT_EQ(Error("(mod 1 0)"), "Division by zero in mod function call");
}

// ---------------------------------------------------------------- abs max min

TEST_F(MathTest, AbsKeepsTheTypeOfItsArgument) {
  EXPECT_EQ(Integer("(abs -3)"), 3);
  EXPECT_EQ(Integer("(abs 3)"), 3);
  EXPECT_EQ(Float("(abs -2.5)"), 2.5);
  // 2147483648 does not fit: it wraps back to itself.
  EXPECT_EQ(Integer("(abs -2147483648)"), INT32_MIN);
}

TEST_F(MathTest, AbsRefusesAnythingButIntegersAndFloats) {
  const std::string message = Format(SMissingNumeric, {"abs"});
  EXPECT_EQ(message, "Expected numeric argument to abs function call");
  EXPECT_EQ(Error("(abs \"x\")"), message);
  EXPECT_EQ(Error("(abs \"3\")"), message);
  EXPECT_EQ(Error("(abs x)"), message);
}

TEST_F(MathTest, MaxIsAFloatOnlyWhenTheFirstOrAWinningArgumentIsOne) {
  EXPECT_EQ(Float("(max 1.5 3)"), 3.0);
  EXPECT_EQ(Integer("(max 3 1.5)"), 3);
  EXPECT_EQ(Integer("(max 1 5 2)"), 5);
  EXPECT_EQ(Float("(max 1 5.5 2)"), 5.5);
  // Equal values: the first one wins, so 3.0 never takes the lead.
  EXPECT_EQ(Integer("(max 3 3.0)"), 3);
  EXPECT_EQ(Integer("(max -7)"), -7);
}

TEST_F(MathTest, MinIsAFloatOnlyWhenTheFirstOrAWinningArgumentIsOne) {
  EXPECT_EQ(Integer("(min 2 2.0)"), 2);
  EXPECT_EQ(Float("(min 2.0 2)"), 2.0);
  EXPECT_EQ(Float("(min 3 1.5)"), 1.5);
  EXPECT_EQ(Integer("(min 4 -2 7)"), -2);
}

// ---------------------------------------------------------------- conversions

TEST_F(MathTest, FloatAndIntegerConvertTruncatingTowardZero) {
  EXPECT_EQ(Float("(float 3)"), 3.0);
  EXPECT_EQ(Float("(float 2.5)"), 2.5);
  EXPECT_EQ(Integer("(integer -2.7)"), -2);
  EXPECT_EQ(Integer("(integer 2.7)"), 2);
  EXPECT_EQ(Integer("(integer 5)"), 5);
  EXPECT_EQ(Integer("(integer \"12\")"), 12);
}

TEST_F(MathTest, IntegerOfAFloatBeyondThe32BitRangeKeepsItsLow32Bits) {
  // 10^10 = 2 * 2^32 + 1410065408.
  EXPECT_EQ(Integer("(integer 1.0e10)"), 1410065408);
  EXPECT_EQ(Integer("(integer -1.0e10)"), -1410065408);
  // 10^19 = 2328306436 * 2^32 + 2313682944, past the 64-bit range too.
  EXPECT_EQ(Integer("(integer 1.0e19)"), static_cast<int32_t>(2313682944u));
  EXPECT_EQ(Integer("(integer 1.0e300)"), 0);
  EXPECT_EQ(Error("(integer \"1e400\")"), "Floating-point overflow in integer function call");
}

TEST_F(MathTest, RoundGoesToTheNearestWholeNumberAndHalvesToTheEvenOne) {
  EXPECT_EQ(Float("(round 0.5)"), 0.0);
  EXPECT_EQ(Float("(round 1.5)"), 2.0);
  EXPECT_EQ(Float("(round 2.5)"), 2.0);
  EXPECT_EQ(Float("(round 3.5)"), 4.0);
  EXPECT_EQ(Float("(round -2.5)"), -2.0);
  EXPECT_EQ(Float("(round -3.5)"), -4.0);
  EXPECT_EQ(Float("(round 2.6)"), 3.0);
  EXPECT_EQ(Float("(round -2.4)"), -2.0);
  EXPECT_EQ(Float("(round 7)"), 7.0);
  EXPECT_EQ(Float("(round 0.49999999999999994)"), 0.0);
  // Small negative numbers round to zero, not to a negative zero.
  EXPECT_FALSE(std::signbit(Float("(round -0.4)")));
}

// ---------------------------------------------------------------- powers, logarithms

TEST_F(MathTest, SquareRootExponentialAndPowerAtOrdinaryPoints) {
  EXPECT_EQ(Float("(sqrt 16)"), 4.0);
  ExpectClose(Float("(sqrt 2)"), 1.4142135623730951);
  EXPECT_EQ(Float("(sqrt 0)"), 0.0);
  ExpectClose(Float("(exp 1)"), 2.718281828459045);
  EXPECT_EQ(Float("(exp 0)"), 1.0);
  EXPECT_EQ(Float("(** 2 10)"), 1024.0);
  EXPECT_EQ(Float("(** 2 -1)"), 0.5);
  EXPECT_EQ(Float("(** -2 3)"), -8.0);
  EXPECT_EQ(Float("(** 0 0)"), 1.0);
  ExpectClose(Float("(** 9 0.5)"), 3.0);
}

TEST_F(MathTest, LogarithmsAtOrdinaryPoints) {
  EXPECT_EQ(Float("(log 1)"), 0.0);
  ExpectClose(Float("(log 2.718281828459045)"), 1.0);
  ExpectClose(Float("(log 10)"), 2.302585092994046);
  EXPECT_EQ(Float("(log10 1000)"), 3.0);
  ExpectClose(Float("(log10 2)"), 0.3010299956639812);
  ExpectClose(Float("(log10 0.001)"), -3.0);
}

TEST_F(MathTest, ArgumentsOutsideTheDomainAreRefusedByName) {
  EXPECT_EQ(Error("(sqrt -1)"),
            "Argument out of domain in sqrt function call: the argument must not be negative");
  EXPECT_EQ(Error("(log 0)"),
            "Argument out of domain in log function call: the argument must be greater than zero");
  EXPECT_EQ(Error("(log -2.5)"),
            "Argument out of domain in log function call: the argument must be greater than zero");
  EXPECT_EQ(
      Error("(log10 0)"),
      "Argument out of domain in log10 function call: the argument must be greater than zero");
  EXPECT_EQ(Error("(** -8 0.5)"),
            "Argument out of domain in ** function call: a negative number has no real power "
            "with a fractional exponent");
  EXPECT_EQ(Error("(** 0 -1)"), "Division by zero in ** function call");
}

TEST_F(MathTest, ResultsBeyondTheFloatRangeAreRefused) {
  EXPECT_EQ(Error("(exp 1000)"), "Floating-point overflow in exp function call");
  EXPECT_EQ(Error("(** 10 400)"), "Floating-point overflow in ** function call");
  // Results too small for a float are simply zero.
  EXPECT_EQ(Float("(exp -1000)"), 0.0);
}

TEST_F(MathTest, PiIsTheSharedConstant) {
  Ref<IIEValue> pi = Eval("(PI)");
  EXPECT_EQ(pi.get(), FCPI);
  EXPECT_EQ(pi->GetAsFloat(), 3.141592653589793);
}

// ---------------------------------------------------------------- random numbers

TEST_F(MathTest, EqualSeedsReplayEqualSequences) {
  EXPECT_EQ(Eval("(seed 1234)").get(), FCTrue);
  std::vector<int32_t> first = Draws("(random)", 20);
  Eval("(seed 1234)");
  EXPECT_EQ(Draws("(random)", 20), first);
  EXPECT_EQ(Eval("(randomize 1234)").get(), FCTrue);
  EXPECT_EQ(Draws("(random)", 20), first);
  Eval("(seed 1235)");
  EXPECT_NE(Draws("(random)", 20), first);
}

TEST_F(MathTest, RandomStaysInItsRangeAndReachesBothEnds) {
  Eval("(seed 7)");
  std::set<int32_t> seen;
  for (int32_t v : Draws("(random 5 10)", 2000)) {
    ASSERT_GE(v, 5);
    ASSERT_LE(v, 14);
    seen.insert(v);
  }
  EXPECT_EQ(seen.size(), 10u);
  seen.clear();
  for (int32_t v : Draws("(random 3)", 300)) {
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 2);
    seen.insert(v);
  }
  EXPECT_EQ(seen.size(), 3u);
  int32_t top = 0;
  for (int32_t v : Draws("(random)", 2000)) {
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 65535);
    top = std::max(top, v);
  }
  EXPECT_GT(top, 60000);  // the whole 16-bit range is used
  EXPECT_EQ(Integer("(random 9 1)"), 9);
}

TEST_F(MathTest, RandomDrawsAreSpreadEvenly) {
  Eval("(seed 99)");
  int counts[4] = {0, 0, 0, 0};
  for (int32_t v : Draws("(random 4)", 8000))
    ++counts[v];
  for (int c : counts) {
    EXPECT_GT(c, 1800);
    EXPECT_LT(c, 2200);
  }
}

TEST_F(MathTest, RandomRefusesAnEmptyRange) {
  const std::string message =
      "Argument out of domain in random function call: the high bound must be at least 1";
  EXPECT_EQ(Error("(random 0)"), message);
  EXPECT_EQ(Error("(random 5 -3)"), message);
}

TEST_F(MathTest, RandomizeWithoutASeedStartsANewSequence) {
  EXPECT_EQ(Eval("(randomize)").get(), FCTrue);
  int32_t v = Integer("(random 100)");
  EXPECT_GE(v, 0);
  EXPECT_LT(v, 100);
}

// ---------------------------------------------------------------- shared errors

TEST_F(MathTest, ArgumentsThatAreNotNumbersRaiseTheConversionError) {
  const std::string numeric = "Not a numeric type.  Value (abc) is a dtAtom type";
  EXPECT_EQ(Error("(+ 1 abc)"), numeric);
  EXPECT_EQ(Error("(- abc)"), numeric);
  EXPECT_EQ(Error("(* 2 abc)"), numeric);
  EXPECT_EQ(Error("(/ abc 2)"), numeric);
  EXPECT_EQ(Error("(max 1 abc)"), numeric);
  EXPECT_EQ(Error("(sqrt abc)"), numeric);
  EXPECT_EQ(Error("(** 2 abc)"), numeric);
  EXPECT_EQ(Error("(round abc)"), numeric);
  const std::string integer = "Not a integer type.  Value (abc) is a dtAtom type";
  EXPECT_EQ(Error("(div 4 abc)"), integer);
  EXPECT_EQ(Error("(mod abc 2)"), integer);
  EXPECT_EQ(Error("(seed abc)"), integer);
  EXPECT_EQ(Error("(random abc)"), integer);
}

TEST_F(MathTest, ArgumentCountsOutsideTheRangeAreRefused) {
  EXPECT_EQ(Error("(mod 1)"), "Too few arguments for mod");
  EXPECT_EQ(Error("(mod 1 2 3)"), "Too many arguments for mod");
  EXPECT_EQ(Error("(abs)"), "Too few arguments for abs");
  EXPECT_EQ(Error("(-)"), "Too few arguments for -");
  EXPECT_EQ(Error("(/)"), "Too few arguments for /");
  EXPECT_EQ(Error("(div)"), "Too few arguments for div");
  EXPECT_EQ(Error("(max)"), "Too few arguments for max");
  EXPECT_EQ(Error("(** 2)"), "Too few arguments for **");
  EXPECT_EQ(Error("(PI 1)"), "Too many arguments for PI");
  EXPECT_EQ(Error("(random 1 2 3)"), "Too many arguments for random");
  EXPECT_EQ(Error("(randomize 1 2)"), "Too many arguments for randomize");
  EXPECT_EQ(Error("(seed)"), "Too few arguments for seed");
  EXPECT_EQ(Error("(sqrt 4 9)"), "Too many arguments for sqrt");
}

TEST_F(MathTest, ArgumentsAreEvaluatedOnceLeftToRight) {
  engine.Parse("(deffunction show (?x) (printout t ?x) ?x)", false);
  Eval("(+ (show 1) (show 2) (show 3))");
  Eval("(max (show 4) (show 5))");
  Eval("(div (show 8) (show 2))");
  Eval("(- (show 6) (show 7))");
  EXPECT_EQ(out, "123458267");
}

}  // namespace
}  // namespace rulecore
