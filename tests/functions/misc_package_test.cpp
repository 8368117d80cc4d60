// rulecore: an embeddable expert-system shell.
// The miscellaneous package evaluated through a real engine: date-time
// numbers and their text, listings and pretty-printing of constructs,
// deleting constructs, engine settings, parse, guard and the host dialogs.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/helper_functions.h"
#include "core/ie_consts.h"
#include "functions/datetime.h"
#include "functions/misc_package.h"
#include "rete/rule.h"
#include "support/eval_fixture.h"

namespace rulecore {
namespace {

// 2024-02-29 (Thursday) 13:05:09.250, written independently of the code as
// days since 1899-12-30 (45351) plus the fraction of the day.
constexpr double kLeapDayAfternoon = 45351.0 + (13 * 3600 + 5 * 60 + 9.25) / 86400.0;

double g_fixed_now = 0;
double FixedNow() {
  return g_fixed_now;
}

class MiscTest : public EvalTest {
 protected:
  ~MiscTest() override { SetDateTimeSource(nullptr); }

  // The text of a string or symbol result.
  std::string Text(const std::string& call) { return Eval(call)->GetAsString(); }
  // The kind's name of the result, e.g. "dtString".
  std::string Kind(const std::string& call) { return GetIETypeName(Eval(call)->GetDType()); }

  // The message of any error the call raises (the date and dialog functions
  // raise the platform's conversion error); "" when it raises none.
  std::string AnyError(const std::string& call) {
    try {
      Eval(call);
    } catch (const std::exception& e) {
      return e.what();
    }
    return {};
  }

  // What the call printed.
  std::string Printed(const std::string& call) {
    out.clear();
    Eval(call);
    return out;
  }

  // The clock reads `date_time` from now on.
  void ClockAt(double date_time) {
    g_fixed_now = date_time;
    SetDateTimeSource(FixedNow);
  }
};

const std::string kNL = NewLineString;

// ---------------------------------------------------------------- the package

TEST_F(MiscTest, PackageHoldsItsFiftyFunctionsInTheirFixedOrder) {
  std::unique_ptr<TMiscPackage> package(NewPackage<TMiscPackage>(nullptr));
  std::string names;
  for (int i = 0; i < package->Functions().Count(); ++i)
    names += package->Functions().Get(i)->GetFunctionName() + " ";
  EXPECT_EQ(package->Functions().Count(), 50);
  EXPECT_EQ(names,
            "decode-year decode-month decode-day decode-hour decode-minute decode-second "
            "decode-millisecond encode-date encode-time system-datetime system-date system-time "
            "str-datetime str-date str-time datetime-str date-str time-str datetime-str-format "
            "guard parse time agenda get-dynamic-constraint-checking "
            "get-static-constraint-checking input-box input-query message-dlg show-message "
            "list-defrules list-deftypes list-deffacts list-deffunctions list-deftemplates "
            "ppdeffacts ppdeffunction ppdeftemplate ppdefrule ppdeftype set-reset-globals setgen "
            "set-dynamic-constraint-checking set-static-constraint-checking facts rules "
            "undeffacts undeffunction undefrule undeftemplate undeftype ");
}

TEST_F(MiscTest, ArgumentStringsAndRangesAreThoseOfTheLanguage) {
  EXPECT_EQ(Function("encode-time")->GetArgumentString(),
            " <hour-integer-expression> [<minute-integer-expression> "
            "[<second-integer-expression> [<millisecond-integer-expression>]]]");
  EXPECT_EQ(Function("rules")->GetArgumentString(), "[<logical-name>]");
  EXPECT_EQ(Function("undeftype")->GetArgumentString(), "<defined-type-name-expression>");
  EXPECT_EQ(Function("guard")->GetMaxArgumentCount(), 2147483647);
  EXPECT_EQ(Function("message-dlg")->GetMinArgumentCount(), 2);
  EXPECT_EQ(Function("message-dlg")->GetMaxArgumentCount(), 4);
  EXPECT_EQ(Function("list-deffunctions")->GetMaxArgumentCount(), 1);
}

TEST_F(MiscTest, ArgumentCountsOutsideTheRangeNameTheFunction) {
  EXPECT_EQ(Error("(encode-date)"), "Too few arguments for encode-date");
  EXPECT_EQ(Error("(encode-date 1 2 3 4)"), "Too many arguments for encode-date");
  EXPECT_EQ(Error("(system-date 1)"), "Too many arguments for system-date");
  EXPECT_EQ(Error("(datetime-str-format 1)"), "Too few arguments for datetime-str-format");
  EXPECT_EQ(Error("(guard)"), "Too few arguments for guard");
  EXPECT_EQ(Error("(facts 1 2 3 4)"), "Too many arguments for facts");
  EXPECT_EQ(Error("(list-defrules x)"), "Too many arguments for list-defrules");
  EXPECT_EQ(Error("(undefrule)"), "Too few arguments for undefrule");
  EXPECT_EQ(Error("(input-box a b c d)"), "Too many arguments for input-box");
}

// ---------------------------------------------------------------- encoding and decoding

TEST_F(MiscTest, EncodeDateGivesTheDayNumbersOfKnownDates) {
  EXPECT_EQ(Float("(encode-date 2000)"), 36526.0);
  EXPECT_EQ(Float("(encode-date 2000 1 1)"), 36526.0);
  EXPECT_EQ(Float("(encode-date 1899 12 30)"), 0.0);
  EXPECT_EQ(Float("(encode-date 1900 1 1)"), 2.0);
  EXPECT_EQ(Float("(encode-date 1970 1 1)"), 25569.0);
  EXPECT_EQ(Float("(encode-date 2024 2 29)"), 45351.0);
  EXPECT_EQ(Float("(encode-date 2000 3)"), 36526.0 + 31 + 29);
  EXPECT_EQ(Float("(encode-date 1 1 1)"), -693593.0);
  EXPECT_EQ(Float("(encode-date 9999 12 31)"), 2958465.0);
}

TEST_F(MiscTest, EncodeTimeGivesTheFractionOfTheDay) {
  EXPECT_EQ(Float("(encode-time 6)"), 0.25);
  EXPECT_EQ(Float("(encode-time 18 0 0 0)"), 0.75);
  ExpectClose(Float("(encode-time 13 5 9 250)"), (13 * 3600 + 5 * 60 + 9.25) / 86400.0);
  EXPECT_EQ(Float("(encode-time 0)"), 0.0);
}

TEST_F(MiscTest, DecodeTakesTheFieldsApart) {
  const std::string n = "(+ (encode-date 2024 2 29) (encode-time 13 5 9 250))";
  EXPECT_EQ(Integer("(decode-year " + n + ")"), 2024);
  EXPECT_EQ(Integer("(decode-month " + n + ")"), 2);
  EXPECT_EQ(Integer("(decode-day " + n + ")"), 29);
  EXPECT_EQ(Integer("(decode-hour " + n + ")"), 13);
  EXPECT_EQ(Integer("(decode-minute " + n + ")"), 5);
  EXPECT_EQ(Integer("(decode-second " + n + ")"), 9);
  EXPECT_EQ(Integer("(decode-millisecond " + n + ")"), 250);
  EXPECT_EQ(Integer("(decode-month (encode-date 2000 2 3))"), 2);
  EXPECT_EQ(Integer("(decode-day 2)"), 1);  // 1900-01-01
}

TEST_F(MiscTest, DecodingRoundsToTheMillisecondAndCarriesIntoTheNextDay) {
  // A hair before midnight of 1999-12-31 is midnight of 2000-01-01.
  EXPECT_EQ(Integer("(decode-year 36525.9999999999)"), 2000);
  EXPECT_EQ(Integer("(decode-hour 36525.9999999999)"), 0);
  EXPECT_EQ(Integer("(decode-millisecond 0.0000000116)"), 1);  // 1.0022 ms
}

TEST_F(MiscTest, DatesBeforeDayZeroCountTheirTimeForwardFromMidnight) {
  EXPECT_EQ(Integer("(decode-day -1.25)"), 29);
  EXPECT_EQ(Integer("(decode-month -1.25)"), 12);
  EXPECT_EQ(Integer("(decode-hour -1.25)"), 6);
  EXPECT_EQ(Text("(datetime-str -1.25)"), "1899-12-29 06:00:00");
  EXPECT_EQ(Float("(str-datetime \"1899-12-29 06:00\")"), -1.25);
}

TEST_F(MiscTest, EveryDayOfFourCenturiesRoundTrips) {
  // 1900 to 2300 spans every leap-year rule (1900 and 2100 are not leap
  // years, 2000 is).
  double expected = EncodeDate(1900, 1, 1);
  for (int32_t y = 1900; y < 2300; ++y) {
    for (int32_t m = 1; m <= 12; ++m) {
      const bool leap = y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
      const int days[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
      for (int32_t d = 1; d <= days[m - 1]; ++d) {
        ASSERT_EQ(EncodeDate(y, m, d), expected) << y << "-" << m << "-" << d;
        const TDateParts parts = DecodeDate(expected + 0.5);
        ASSERT_EQ(parts.year, y);
        ASSERT_EQ(parts.month, m);
        ASSERT_EQ(parts.day, d);
        expected += 1;
      }
    }
  }
}

TEST_F(MiscTest, InvalidDatesAndTimesRaiseErrorsNamingTheFunction) {
  EXPECT_EQ(AnyError("(encode-date 2023 2 29)"),
            "Invalid date in encode-date: year 2023, month 2, day 29");
  // Gregorian: 1900 was not a leap year.
  EXPECT_EQ(AnyError("(encode-date 1900 2 29)"),
            "Invalid date in encode-date: year 1900, month 2, day 29");
  EXPECT_EQ(AnyError("(encode-date 0)"), "Invalid date in encode-date: year 0, month 1, day 1");
  EXPECT_EQ(AnyError("(encode-date 2000 13)"),
            "Invalid date in encode-date: year 2000, month 13, day 1");
  EXPECT_EQ(AnyError("(encode-date 10000)"),
            "Invalid date in encode-date: year 10000, month 1, day 1");
  EXPECT_EQ(AnyError("(encode-time 24)"),
            "Invalid time in encode-time: hour 24, minute 0, second 0, millisecond 0");
  EXPECT_EQ(AnyError("(encode-time 1 2 3 1000)"),
            "Invalid time in encode-time: hour 1, minute 2, second 3, millisecond 1000");
  EXPECT_EQ(AnyError("(encode-time -1)"),
            "Invalid time in encode-time: hour -1, minute 0, second 0, millisecond 0");
  EXPECT_EQ(AnyError("(decode-year 3000000.0)"),
            "Date-time number out of range in decode-year: 3000000.0000 (years 1 to 9999 only)");
  EXPECT_EQ(AnyError("(datetime-str -700000)"),
            "Date-time number out of range in datetime-str: -700000.0000 (years 1 to 9999 only)");
  EXPECT_EQ(Error("(decode-year abc)"), "Not a numeric type.  Value (abc) is a dtAtom type");
}

// ---------------------------------------------------------------- texts

TEST_F(MiscTest, DefaultTextsAreIsoLike) {
  ClockAt(0);
  const std::string n = "(+ (encode-date 2024 2 29) (encode-time 13 5 9 250))";
  EXPECT_EQ(Kind("(datetime-str " + n + ")"), "dtString");
  EXPECT_EQ(Text("(datetime-str " + n + ")"), "2024-02-29 13:05:09");
  EXPECT_EQ(Text("(date-str " + n + ")"), "2024-02-29");
  EXPECT_EQ(Text("(time-str " + n + ")"), "13:05:09");
  EXPECT_EQ(Text("(datetime-str 0)"), "1899-12-30 00:00:00");
  EXPECT_EQ(Text("(date-str (encode-date 1 1 1))"), "0001-01-01");
}

TEST_F(MiscTest, TextsReadBackToTheirNumbers) {
  ExpectClose(Float("(str-datetime \"2024-02-29 13:05:09.25\")"), kLeapDayAfternoon);
  EXPECT_EQ(Float("(str-datetime \"2000-01-01\")"), 36526.0);
  EXPECT_EQ(Float("(str-datetime \"  2000-1-1   6:00  \")"), 36526.25);
  EXPECT_EQ(Float("(str-datetime \"18:00\")"), 0.75);
  EXPECT_EQ(Float("(str-date \"2000-01-01\")"), 36526.0);
  EXPECT_EQ(Float("(str-time \"06:00:00\")"), 0.25);
  ExpectClose(Float("(str-time \"00:00:00.5\")"), 0.5 / 86400);
  ExpectClose(Float("(str-time \"00:00:00.05\")"), 0.05 / 86400);
  for (const char* text : {"2024-02-29 13:05:09", "0001-01-01 00:00:00", "9999-12-31 23:59:59"})
    EXPECT_EQ(Text(std::string("(datetime-str (str-datetime \"") + text + "\"))"), text);
}

TEST_F(MiscTest, TextsThatAreNoDateOrTimeRaiseAConversionError) {
  EXPECT_EQ(AnyError("(str-date \"2023-02-29\")"),
            "\"2023-02-29\" is not a valid date for str-date");
  EXPECT_EQ(AnyError("(str-date \"2000-01-01 06:00\")"),
            "\"2000-01-01 06:00\" is not a valid date for str-date");
  EXPECT_EQ(AnyError("(str-time \"24:00\")"), "\"24:00\" is not a valid time for str-time");
  EXPECT_EQ(AnyError("(str-time \"12\")"), "\"12\" is not a valid time for str-time");
  EXPECT_EQ(AnyError("(str-datetime \"1/2/2000\")"),
            "\"1/2/2000\" is not a valid date and time for str-datetime");
  EXPECT_EQ(AnyError("(str-datetime \"\")"), "\"\" is not a valid date and time for str-datetime");
  EXPECT_EQ(AnyError("(str-datetime \"2000-01-01 noon\")"),
            "\"2000-01-01 noon\" is not a valid date and time for str-datetime");
  EXPECT_EQ(AnyError("(str-datetime \"2000-01-01x\")"),
            "\"2000-01-01x\" is not a valid date and time for str-datetime");
}

TEST_F(MiscTest, FormatPatternsWriteEachField) {
  auto fmt = [&](const std::string& pattern) { return FormatDateTime(pattern, kLeapDayAfternoon); };
  EXPECT_EQ(fmt("d/m/yy"), "29/2/24");
  EXPECT_EQ(fmt("dd.mm.yyyy"), "29.02.2024");
  EXPECT_EQ(fmt("ddd dddd"), "Thu Thursday");
  EXPECT_EQ(fmt("mmm mmmm"), "Feb February");
  EXPECT_EQ(fmt("ddddd"), "2024-02-29");
  EXPECT_EQ(fmt("dddddd"), "Thursday, 29 February 2024");
  EXPECT_EQ(fmt("h:n:s.z"), "13:5:9.250");
  EXPECT_EQ(fmt("hh:mm:ss.zzz"), "13:05:09.250");  // mm after hh is minutes
  EXPECT_EQ(fmt("h:mm am/pm"), "1:05 pm");
  EXPECT_EQ(fmt("h:mm AM/PM"), "1:05 PM");
  EXPECT_EQ(fmt("h a/p"), "1 p");
  EXPECT_EQ(fmt("hh ampm"), "01 PM");
  EXPECT_EQ(fmt("t|tt"), "13:05|13:05:09");
  EXPECT_EQ(fmt("c"), "2024-02-29 13:05:09");
  EXPECT_EQ(fmt("'day' d \"of\" mmmm"), "day 29 of February");
  EXPECT_EQ(fmt("YYYY-MM-DD"), "2024-02-29");
  EXPECT_EQ(FormatDateTime("h am/pm", EncodeTime(0, 30, 0, 0)), "12 am");
  EXPECT_EQ(FormatDateTime("ddd", EncodeDate(2000, 1, 1)), "Sat");
  EXPECT_EQ(Text("(datetime-str-format (encode-date 2000 1 1) \"dddd d mmmm yyyy\")"),
            "Saturday 1 January 2000");
  EXPECT_EQ(AnyError("(datetime-str-format 1e9 \"yyyy\")"),
            "Date-time number out of range in datetime-str-format: 1000000000.0000 (years 1 to "
            "9999 only)");
}

// ---------------------------------------------------------------- the clock

TEST_F(MiscTest, CurrentDateAndTimeComeFromTheClock) {
  ClockAt(36526.25);  // 2000-01-01 06:00
  EXPECT_EQ(Float("(system-datetime)"), 36526.25);
  EXPECT_EQ(Float("(system-date)"), 36526.0);
  EXPECT_EQ(Float("(system-time)"), 0.25);
  EXPECT_EQ(Float("(time)"), 21600.0);
  ClockAt(kLeapDayAfternoon);
  EXPECT_EQ(Float("(time)"), 13 * 3600 + 5 * 60 + 9.25);
}

TEST_F(MiscTest, TheMachineClockGivesAPlausibleDate) {
  const int32_t year = Integer("(decode-year (system-datetime))");
  EXPECT_GE(year, 2024);
  EXPECT_LT(year, 2200);
  const double seconds = Float("(time)");
  EXPECT_GE(seconds, 0.0);
  EXPECT_LT(seconds, 86400.0);
}

// ---------------------------------------------------------------- listings

TEST_F(MiscTest, ListDefrulesOnAnEngineWithoutRulesPrintsOnlyTheTotal) {
  EXPECT_EQ(Printed("(list-defrules)"), "for a total of 0 rules." + kNL);
  EXPECT_TRUE(Eval("(list-defrules)")->Equals(FCNil));
}

TEST_F(MiscTest, ListingsAreSortedIgnoringCase) {
  engine.Parse(
      "(defrule beta => ) (defrule Alpha => ) (defrule gamma => )"
      "(deffacts zeta) (deffacts Eta)"
      "(deftype small (extends (type INTEGER)) (range 0 10)) (deftype Big (extends (type "
      "INTEGER)))",
      false);
  EXPECT_EQ(Printed("(list-defrules)"),
            "Alpha" + kNL + "beta" + kNL + "gamma" + kNL + "for a total of 3 rules." + kNL);
  EXPECT_EQ(Printed("(list-deffacts)"),
            "Eta" + kNL + "zeta" + kNL + "for a total of 2 deffacts." + kNL);
  EXPECT_EQ(Printed("(list-deftypes)"),
            "Big" + kNL + "small" + kNL + "for a total of 2 deftypes." + kNL);
}

TEST_F(MiscTest, ListDeftemplatesShowsTheEnginesOwnTemplatesToo) {
  engine.Parse("(deftemplate person (slot name))", false);
  EXPECT_EQ(Printed("(list-deftemplates)"), "__NOT-OR-TEST-CE*" + kNL + "Initial-Fact" + kNL +
                                                "person" + kNL + "for a total of 3 deftemplates." +
                                                kNL);
}

TEST_F(MiscTest, ListDeffunctionsShowsEveryFunctionAndIgnoresItsArgument) {
  engine.Parse("(deffunction twice (?x) (* ?x 2))", false);
  const std::string text = Printed("(list-deffunctions anything)");
  const size_t count = engine.GetUserFunctions().size();
  EXPECT_NE(text.find(kNL + "twice" + kNL), std::string::npos);
  EXPECT_NE(text.find(kNL + "list-deffunctions" + kNL), std::string::npos);
  EXPECT_EQ(text.substr(text.rfind("for a total of")),
            "for a total of " + std::to_string(count) + " deffunctions." + kNL);
}

TEST_F(MiscTest, FactsSelectsByIdRangeAndMaximum) {
  engine.Parse("(deffacts d (a 1) (a 2) (a 3) (a 4))", false);
  engine.Reset();  // f-0 (Initial-Fact), f-1 .. f-4
  EXPECT_EQ(Printed("(facts)"), "f-0 (Initial-Fact)" + kNL + "f-1 (a 1 )" + kNL + "f-2 (a 2 )" +
                                    kNL + "f-3 (a 3 )" + kNL + "f-4 (a 4 )" + kNL +
                                    "For a total of 5 facts." + kNL);
  EXPECT_EQ(Printed("(facts 3)"),
            "f-3 (a 3 )" + kNL + "f-4 (a 4 )" + kNL + "For a total of 2 facts." + kNL);
  EXPECT_EQ(Printed("(facts 1 2)"),
            "f-1 (a 1 )" + kNL + "f-2 (a 2 )" + kNL + "For a total of 2 facts." + kNL);
  EXPECT_EQ(Printed("(facts 1 4 1)"), "f-1 (a 1 )" + kNL + "For a total of 1 facts." + kNL);
  EXPECT_EQ(Printed("(facts 9)"), "For a total of 0 facts." + kNL);
  EXPECT_EQ(Eval("(facts)")->GetAsString(), "TRUE");
}

TEST_F(MiscTest, FactsAreListedInIdOrderPastTenFacts) {
  for (int i = 1; i <= 11; ++i)
    engine.AssertText("(n " + std::to_string(i) + ")");
  const std::string text = Printed("(facts 9)");
  EXPECT_EQ(text, "f-09 (n 9 )" + kNL + "f-10 (n 10 )" + kNL + "f-11 (n 11 )" + kNL +
                      "For a total of 3 facts." + kNL);
}

TEST_F(MiscTest, RulesPrintsEveryRuleThenTheTotal) {
  EXPECT_EQ(Printed("(rules)"), "For a total of 0 rules." + kNL);
  engine.Parse("(defrule r1 (a ?x) => (printout t ?x crlf))", false);
  EXPECT_EQ(Printed("(rules)"), "(defrule r1" + kNL + "    (a ?x)" + kNL + "    =>" + kNL +
                                    "    (printout t ?x crlf))" + kNL + "For a total of 1 rules." +
                                    kNL);
  EXPECT_EQ(Printed("(rules t)"), Printed("(rules)"));
}

TEST_F(MiscTest, AgendaPrintsTheActivationsInFiringOrder) {
  EXPECT_EQ(Printed("(agenda)"), "for a total of 0 activations." + kNL);
  engine.Parse("(defrule low (declare (salience -5)) (a ?x) => ) (defrule high (a ?x) => )", false);
  engine.AssertText("(a 1)");
  EXPECT_EQ(Printed("(agenda)"), "0 high : f-1 (1.0000)" + kNL + "-5 low : f-1 (1.0000)" + kNL +
                                     "for a total of 2 activations." + kNL);
}

// ---------------------------------------------------------------- pretty-printing

TEST_F(MiscTest, PrettyPrintReturnsEachConstructsDefinition) {
  engine.Parse(
      "(deftemplate person (slot name) (slot age))"
      "(deffacts people (person (name bob) (age 3)))"
      "(deffunction twice (?x) (* ?x 2))"
      "(defrule greet (person (name ?n)) => (printout t ?n crlf))"
      "(deftype small (extends (type INTEGER)) (range 0 10))",
      false);
  EXPECT_EQ(Kind("(ppdefrule greet)"), "dtString");
  EXPECT_EQ(Text("(ppdefrule greet)"), "(defrule greet" + kNL + "    (person (name ?n) )" + kNL +
                                           "    =>" + kNL + "    (printout t ?n crlf))");
  EXPECT_EQ(Text("(ppdeftemplate person)"),
            "(deftemplate person" + kNL + "    (slot name )" + kNL + "    (slot age )" + kNL + ")");
  EXPECT_EQ(Text("(ppdeffacts people)"),
            "(deffacts people" + kNL + "    (person (age 3) (name bob))" + kNL + ")");
  EXPECT_EQ(Text("(ppdeffunction twice)"), "(deffunction twice (?x)" + kNL + "    (* ?x 2))");
  EXPECT_EQ(Text("(ppdeftype small)"), engine.PrettyPrint(engine.FindDefinedType("small")));
  EXPECT_NE(Text("(ppdeftype small)").find("(deftype small"), std::string::npos);
  // A name may also be given as a string.
  EXPECT_EQ(Text("(ppdefrule \"greet\")"), Text("(ppdefrule greet)"));
}

TEST_F(MiscTest, PrettyPrintedDefinitionsReadBackAsTheSameConstruct) {
  engine.Parse("(defrule r (a ?x) (b ?y&:(> ?y ?x)) => (assert (c ?x ?y)))", false);
  const std::string text = Text("(ppdefrule r)");
  engine.Parse(text, false);  // replaces r
  EXPECT_EQ(Text("(ppdefrule r)"), text);
}

TEST_F(MiscTest, PrettyPrintOfABuiltInFunctionIsItsHelp) {
  const std::string text = Text("(ppdeffunction encode-date)");
  EXPECT_NE(text.find("Returns the date-time number of a date"), std::string::npos);
  EXPECT_NE(text.find("(encode-date <year-integer-expression>"), std::string::npos);
}

TEST_F(MiscTest, PrettyPrintOfAnUnknownNameNamesTheKindOfConstruct) {
  EXPECT_EQ(Error("(ppdefrule nosuch)"), "Unknown rule name: nosuch");
  EXPECT_EQ(Error("(ppdeffacts nosuch)"), "Unknown fact set name: nosuch");
  EXPECT_EQ(Error("(ppdeffunction nosuch)"), "Unknown user function name: nosuch");
  EXPECT_EQ(Error("(ppdeftemplate nosuch)"), "Unknown fact template name: nosuch");
  EXPECT_EQ(Error("(ppdeftype nosuch)"), "Unknown defined type name: nosuch");
}

// ---------------------------------------------------------------- deleting constructs

TEST_F(MiscTest, UndefruleRemovesTheRuleAndItsActivations) {
  engine.Parse("(defrule r (a ?x) => )", false);
  engine.AssertText("(a 1)");
  ASSERT_EQ(engine.Agenda().Count(), 1);
  EXPECT_EQ(Text("(undefrule r)"), "TRUE");
  EXPECT_EQ(engine.FindRule("r"), nullptr);
  EXPECT_EQ(engine.Agenda().Count(), 0);
  EXPECT_EQ(Text("(undefrule r)"), "FALSE");
  EXPECT_EQ(Text("(undefrule nosuch)"), "FALSE");
}

TEST_F(MiscTest, UndeftemplateTakesItsFactsAndRulesAlong) {
  engine.Parse("(deftemplate p (slot x)) (defrule uses-p (p (x ?x)) => ) (defrule other (q) => )",
               false);
  engine.AssertText("(p (x 1))");
  engine.AssertText("(q)");
  EXPECT_EQ(Text("(undeftemplate p)"), "TRUE");
  EXPECT_EQ(engine.FindFactTemplate("p"), nullptr);
  EXPECT_EQ(engine.FindRule("uses-p"), nullptr);
  EXPECT_NE(engine.FindRule("other"), nullptr);
  EXPECT_EQ(engine.FactCount(), 2);  // (Initial-Fact) and (q)
  EXPECT_EQ(Text("(undeftemplate p)"), "FALSE");
}

TEST_F(MiscTest, UndeftemplateKeepsTheEnginesOwnTemplates) {
  engine.Parse("(defrule always => (printout t fired crlf))", false);
  EXPECT_EQ(Text("(undeftemplate Initial-Fact)"), "FALSE");
  EXPECT_EQ(Text("(undeftemplate __NOT-OR-TEST-CE*)"), "FALSE");
  engine.Reset();
  out.clear();
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(out, "fired" + kNL);
}

TEST_F(MiscTest, UndeftypeRemovesTheTemplatesThatUseIt) {
  engine.Parse(
      "(deftype small (extends (type INTEGER)) (range 0 10))"
      "(deftemplate box (slot size (type small))) (deftemplate plain (slot v))",
      false);
  EXPECT_EQ(Text("(undeftype small)"), "TRUE");
  EXPECT_EQ(engine.FindDefinedType("small"), nullptr);
  EXPECT_EQ(engine.FindFactTemplate("box"), nullptr);
  EXPECT_NE(engine.FindFactTemplate("plain"), nullptr);
  EXPECT_EQ(Text("(undeftype small)"), "FALSE");
}

TEST_F(MiscTest, UndeffactsStopsResetFromAssertingTheSet) {
  engine.Parse("(deffacts d (a 1)) (deffacts e (b 2))", false);
  EXPECT_EQ(Text("(undeffacts d)"), "TRUE");
  EXPECT_EQ(engine.FindFactSet("d"), nullptr);
  engine.Reset();
  EXPECT_EQ(Printed("(facts)"),
            "f-0 (Initial-Fact)" + kNL + "f-1 (b 2 )" + kNL + "For a total of 2 facts." + kNL);
  EXPECT_EQ(Text("(undeffacts d)"), "FALSE");
}

TEST_F(MiscTest, UndeffunctionRemovesTheFunction) {
  engine.Parse("(deffunction twice (?x) (* ?x 2))", false);
  EXPECT_EQ(Integer("(twice 4)"), 8);
  EXPECT_EQ(Text("(undeffunction twice)"), "TRUE");
  EXPECT_FALSE(engine.ContainsUserFunction("twice"));
  EXPECT_EQ(Error("(twice 4)"), "Function is unimplemented or unassigned: twice");
  EXPECT_EQ(Text("(undeffunction twice)"), "FALSE");
}

TEST_F(MiscTest, ADeffunctionMayRemoveItselfWhileItRuns) {
  engine.Parse("(deffunction once () (undeffunction once) done)", false);
  EXPECT_EQ(Text("(once)"), "done");
  EXPECT_FALSE(engine.ContainsUserFunction("once"));
}

// ---------------------------------------------------------------- settings

TEST_F(MiscTest, ConstraintCheckingSettersReturnThePreviousSetting) {
  EXPECT_EQ(Text("(get-static-constraint-checking)"), "TRUE");
  EXPECT_EQ(Text("(get-dynamic-constraint-checking)"), "FALSE");
  EXPECT_EQ(Text("(set-dynamic-constraint-checking TRUE)"), "FALSE");
  EXPECT_TRUE(engine.TypeChecks().Contains(tcDynamic));
  EXPECT_EQ(Text("(get-dynamic-constraint-checking)"), "TRUE");
  EXPECT_EQ(Text("(set-dynamic-constraint-checking yes)"), "TRUE");  // only TRUE turns it on
  EXPECT_FALSE(engine.TypeChecks().Contains(tcDynamic));
  EXPECT_EQ(Text("(set-static-constraint-checking FALSE)"), "TRUE");
  EXPECT_EQ(Text("(get-static-constraint-checking)"), "FALSE");
  EXPECT_EQ(Text("(set-static-constraint-checking (eq 1 1))"), "FALSE");
  EXPECT_TRUE(engine.TypeChecks().Contains(tcStatic));
}

TEST_F(MiscTest, SetResetGlobalsReadsAndSetsTheSetting) {
  EXPECT_EQ(Text("(set-reset-globals)"), "TRUE");
  EXPECT_EQ(Text("(set-reset-globals FALSE)"), "FALSE");
  EXPECT_FALSE(engine.ResetGlobals());
  EXPECT_EQ(Text("(set-reset-globals)"), "FALSE");
  EXPECT_EQ(Text("(set-reset-globals maybe)"), "maybe");  // the argument comes back
  EXPECT_FALSE(engine.ResetGlobals());
  EXPECT_EQ(Text("(set-reset-globals TRUE)"), "TRUE");
  EXPECT_TRUE(engine.ResetGlobals());
}

TEST_F(MiscTest, SetResetGlobalsDecidesWhetherResetRestoresGlobals) {
  engine.Parse("(defglobal ?*g* = 1)", false);
  Eval("(set-reset-globals FALSE)");
  Eval("(bind ?*g* 5)");
  engine.Reset();
  EXPECT_EQ(Integer("(+ ?*g* 0)"), 5);
  Eval("(set-reset-globals TRUE)");
  engine.Reset();
  EXPECT_EQ(Integer("(+ ?*g* 0)"), 1);
}

TEST_F(MiscTest, SetgenMovesTheGeneratedSymbolsForwardOnly) {
  EXPECT_EQ(Text("(gensym*)"), "gen1");
  EXPECT_EQ(Kind("(setgen 10)"), "dtNone");
  EXPECT_EQ(Text("(gensym*)"), "gen10");
  Eval("(setgen 3)");  // not larger: one step on
  EXPECT_EQ(Text("(gensym*)"), "gen12");
}

// ---------------------------------------------------------------- parse and guard

TEST_F(MiscTest, ParseDefinesConstructsAndRunsCalls) {
  EXPECT_EQ(Text("(parse \"(deftemplate t1 (slot a)) (assert (t1 (a 7)))\")"), "TRUE");
  EXPECT_NE(engine.FindFactTemplate("t1"), nullptr);
  EXPECT_EQ(engine.FactCount(), 2);
  EXPECT_NE(Error("(parse \"(defrule\")").find("Parsing Error"), std::string::npos);
}

class GuardTest : public MiscTest {
 protected:
  GuardTest() { engine.Parse("(deftemplate counter (slot n))", false); }
  // Defines rule bump whose action is `action`, asserts a counter at 0 and
  // runs at most 10 firings; returns the number fired.
  int RunBump(const std::string& action) {
    engine.Parse("(defrule bump ?f <- (counter (n ?n)) => " + action + ")", false);
    engine.AssertText("(counter (n 0))");
    return engine.Run(10);
  }
};

TEST_F(GuardTest, WithoutGuardAModifiedFactReactivatesTheRule) {
  EXPECT_EQ(RunBump("(modify ?f (n (+ ?n 1)))"), 10);
}

TEST_F(GuardTest, GuardKeepsTheFiringRuleFromReactivating) {
  EXPECT_EQ(RunBump("(guard (modify ?f (n (+ ?n 1))))"), 1);
  EXPECT_EQ(Printed("(facts)"), "f-0 (Initial-Fact)" + kNL + "f-2 (counter (n 1))" + kNL +
                                    "For a total of 2 facts." + kNL);
  EXPECT_TRUE(engine.FindRule("bump")->Enabled());
  // The rule still matches facts that change later, outside its firing.
  engine.AssertText("(counter (n 5))");
  EXPECT_EQ(engine.Run(10), 1);
}

TEST_F(GuardTest, GuardRestoresTheRuleWhenAnArgumentFails) {
  engine.Parse("(defrule bad (counter (n ?n)) => (guard (assert (x)) (nosuch-function)))", false);
  engine.AssertText("(counter (n 0))");
  EXPECT_THROW(engine.Run(), std::exception);
  EXPECT_TRUE(engine.FindRule("bad")->Enabled());
}

TEST_F(GuardTest, GuardOutsideAFiringOnlyEvaluatesItsArguments) {
  EXPECT_EQ(Integer("(guard 1 (+ 1 1) 3)"), 3);
  EXPECT_EQ(Text("(guard (assert (y)) done)"), "done");
  EXPECT_EQ(engine.FactCount(), 2);
}

// ---------------------------------------------------------------- dialogs

TEST_F(MiscTest, DialogsWithoutAHandlerRaiseInsteadOfWaiting) {
  EXPECT_EQ(Error("(input-box)"),
            "No host dialog is available for input-box: the engine's OnInputBox event is not "
            "assigned");
  EXPECT_EQ(Error("(input-query a b c)"),
            "No host dialog is available for input-query: the engine's OnInputQuery event is not "
            "assigned");
  EXPECT_EQ(Error("(message-dlg hi mtWarning \"[mbOK]\")"),
            "No host dialog is available for message-dlg: the engine's OnMessageDlg event is not "
            "assigned");
  EXPECT_EQ(Error("(show-message hi)"),
            "No host dialog is available for show-message: the engine's OnShowMessage event is "
            "not assigned");
}

TEST_F(MiscTest, InputBoxHandsTheTextsToTheHostAndReturnsItsAnswer) {
  std::string seen;
  engine.OnInputBox = [&](TObject* sender, const std::string& caption, const std::string& prompt,
                          const std::string& default_text) {
    EXPECT_EQ(sender, &engine);
    seen = caption + "|" + prompt + "|" + default_text;
    return std::string("typed");
  };
  EXPECT_EQ(Kind("(input-box Title \"Your name?\" bob)"), "dtString");
  EXPECT_EQ(seen, "Title|Your name?|bob");
  EXPECT_EQ(Text("(input-box)"), "typed");
  EXPECT_EQ(seen, "||");
  // A host whose dialog was cancelled hands back the default.
  engine.OnInputBox = [](TObject*, const std::string&, const std::string&,
                         const std::string& default_text) { return default_text; };
  EXPECT_EQ(Text("(input-box a b fallback)"), "fallback");
}

TEST_F(MiscTest, InputQueryReturnsTheTextOrFalseOnCancel) {
  bool accept = true;
  std::string seen;
  engine.OnInputQuery = [&](TObject*, const std::string& caption, const std::string& prompt,
                            std::string& value) {
    seen = caption + "|" + prompt + "|" + value;
    value = "answer";
    return accept;
  };
  EXPECT_EQ(Text("(input-query c p d)"), "answer");
  EXPECT_EQ(seen, "c|p|d");
  accept = false;
  EXPECT_EQ(Text("(input-query c p d)"), "FALSE");
  EXPECT_EQ(Kind("(input-query c p d)"), "dtAtom");
}

TEST_F(MiscTest, MessageDlgPassesTypeButtonsAndHelpAndNamesTheButtonPressed) {
  TMsgDlgType type = mtCustom;
  TMsgDlgButtons buttons;
  int32_t help = -1;
  std::string message;
  TModalResult answer = mrYes;
  engine.OnMessageDlg = [&](TObject*, const std::string& m, TMsgDlgType t, TMsgDlgButtons b,
                            int32_t h) {
    message = m;
    type = t;
    buttons = b;
    help = h;
    return answer;
  };
  EXPECT_EQ(Text("(message-dlg \"Go on?\" mtConfirmation \"[mbYes, mbNo]\" 7)"), "mrYes");
  EXPECT_EQ(message, "Go on?");
  EXPECT_EQ(type, mtConfirmation);
  EXPECT_EQ(buttons, (TMsgDlgButtons{mbYes, mbNo}));
  EXPECT_EQ(help, 7);
  answer = mrNoToAll;
  EXPECT_EQ(Text("(message-dlg x mtWarning \"[mbNoToAll,mbHelp]\")"), "mrNoToAll");
  EXPECT_EQ(type, mtWarning);
  EXPECT_EQ(buttons, (TMsgDlgButtons{mbNoToAll, mbHelp}));
  EXPECT_EQ(help, 0);
  answer = mrCancel;
  EXPECT_EQ(Text("(message-dlg x mtError \"[]\")"), "mrCancel");
  EXPECT_TRUE(buttons.Empty());
}

TEST_F(MiscTest, MessageDlgRejectsUnknownTypesAndButtons) {
  engine.OnMessageDlg = [](TObject*, const std::string&, TMsgDlgType, TMsgDlgButtons, int32_t) {
    return mrOk;
  };
  EXPECT_EQ(AnyError("(message-dlg x mtLoud \"[mbOK]\")"),
            "Invalid message dialog type: mtLoud, expected mtWarning, mtError, mtInformation, "
            "mtConfirmation or mtCustom");
  EXPECT_EQ(AnyError("(message-dlg x mtError \"[mbMaybe]\")"), "Invalid item for set: mbMaybe");
}

TEST_F(MiscTest, ShowMessageShowsTheTextAndReturnsTrue) {
  std::string shown;
  engine.OnShowMessage = [&](TObject*, const std::string& text) { shown = text; };
  EXPECT_EQ(Text("(show-message (str-cat \"a\" 1))"), "TRUE");
  EXPECT_EQ(shown, "a1");
}

}  // namespace
}  // namespace rulecore
