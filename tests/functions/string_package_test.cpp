// rulecore: an embeddable expert-system shell.
// The string package evaluated through a real engine: joining, comparing,
// searching, measuring, cutting and changing the case of text. Lengths and
// positions count bytes; positions are 1-based.
#include <gtest/gtest.h>

#include <string>

#include "functions/string_package.h"
#include "support/eval_fixture.h"

namespace rulecore {
namespace {

using StringTest = EvalTest;

// ---------------------------------------------------------------- the package

TEST_F(StringTest, PackageHoldsItsFunctionsInTheirFixedOrder) {
  std::unique_ptr<TStringPackage> package(NewPackage<TStringPackage>(nullptr));
  std::string names;
  for (int i = 0; i < package->Functions().Count(); ++i)
    names += package->Functions().Get(i)->GetFunctionName() + " ";
  EXPECT_EQ(names, "lowcase str-cat str-compare str-index str-length sub-string sym-cat upcase ");
}

TEST_F(StringTest, ArgumentCountsOutsideTheRangeNameTheFunction) {
  EXPECT_EQ(Error("(str-length)"), "Too few arguments for str-length");
  EXPECT_EQ(Error("(str-length a b)"), "Too many arguments for str-length");
  EXPECT_EQ(Error("(sub-string 1 2)"), "Too few arguments for sub-string");
  EXPECT_EQ(Error("(str-compare a)"), "Too few arguments for str-compare");
  EXPECT_EQ(Error("(str-index a b c)"), "Too many arguments for str-index");
  EXPECT_EQ(Error("(upcase a b)"), "Too many arguments for upcase");
  EXPECT_EQ(Error("(lowcase)"), "Too few arguments for lowcase");
}

// ---------------------------------------------------------------- str-cat, sym-cat

TEST_F(StringTest, StrCatJoinsStringFormsIntoAString) {
  EXPECT_EQ(Kind("(str-cat a 1)"), "dtString");
  EXPECT_EQ(Text("(str-cat a 1)"), "a1");
  EXPECT_EQ(Text("(str-cat \"x y\" - 2.5 -7 z)"), "x y-2.5000-7z");
  EXPECT_EQ(Text("(str-cat (str-cat a b) (sym-cat c d))"), "abcd");
}

TEST_F(StringTest, SymCatJoinsStringFormsIntoASymbol) {
  EXPECT_EQ(Kind("(sym-cat a 1)"), "dtAtom");
  EXPECT_EQ(Text("(sym-cat a 1)"), "a1");
  EXPECT_EQ(Text("(sym-cat \"in\" side 3.25)"), "inside3.2500");
}

TEST_F(StringTest, ConcatenationWithoutArgumentsIsEmptyOfItsKind) {
  EXPECT_EQ(Kind("(str-cat)"), "dtString");
  EXPECT_EQ(Text("(str-cat)"), "");
  EXPECT_EQ(Kind("(sym-cat)"), "dtAtom");
  EXPECT_EQ(Text("(sym-cat)"), "");
}

TEST_F(StringTest, ConcatenationKeepsEmbeddedQuotesAsBytes) {
  Ref<IIEValue> v = Eval("(str-cat \"say \\\"hi\\\"\" !)");
  EXPECT_EQ(v->GetAsString(), "say \"hi\"!");
  EXPECT_EQ(v->GetToString(), "\"say \\\"hi\\\"!\"");
}

TEST_F(StringTest, ConcatenationOfAMultifieldIsAConversionError) {
  EXPECT_EQ(Error("(str-cat a (create$ b c))"),
            "Not a string type.  Value (b c ) is a dtList type");
  EXPECT_EQ(Error("(sym-cat (create$))"), "Not a string type.  Value () is a dtList type");
}

// ---------------------------------------------------------------- str-compare

TEST_F(StringTest, StrCompareIsZeroOnlyForEqualTexts) {
  EXPECT_EQ(Eval("(str-compare abc abc)")->GetAsInteger(), 0);
  EXPECT_EQ(Eval("(str-compare abc \"abc\")")->GetAsInteger(), 0);
  EXPECT_EQ(Eval("(str-compare \"\" \"\")")->GetAsInteger(), 0);
  EXPECT_EQ(Kind("(str-compare abc abd)"), "dtInteger");
}

TEST_F(StringTest, StrCompareGivesTheDifferenceOfTheFirstDifferingBytes) {
  EXPECT_EQ(Eval("(str-compare abc abd)")->GetAsInteger(), 'c' - 'd');
  EXPECT_EQ(Eval("(str-compare b a)")->GetAsInteger(), 1);
  EXPECT_EQ(Eval("(str-compare apple banana)")->GetAsInteger(), 'a' - 'b');
  // Case matters: lower-case letters sort after capitals.
  EXPECT_EQ(Eval("(str-compare a A)")->GetAsInteger(), 32);
  EXPECT_EQ(Eval("(str-compare Zebra apple)")->GetAsInteger(), 'Z' - 'a');
}

TEST_F(StringTest, StrCompareOfAPrefixGivesTheDifferenceOfTheLengths) {
  EXPECT_EQ(Eval("(str-compare ab abcd)")->GetAsInteger(), -2);
  EXPECT_EQ(Eval("(str-compare abcde a)")->GetAsInteger(), 4);
  EXPECT_EQ(Eval("(str-compare \"\" xyz)")->GetAsInteger(), -3);
}

TEST_F(StringTest, StrCompareTakesBytesAboveAsciiAsUnsigned) {
  // 0xC3 (the first byte of a two-byte UTF-8 letter) sorts after 'z'.
  EXPECT_EQ(Eval("(str-compare \"\xC3\xA9\" z)")->GetAsInteger(), 0xC3 - 'z');
  EXPECT_LT(Eval("(str-compare z \"\xC3\xA9\")")->GetAsInteger(), 0);
}

// ---------------------------------------------------------------- str-index

TEST_F(StringTest, StrIndexGivesTheOneBasedPositionOfTheFirstOccurrence) {
  EXPECT_EQ(Kind("(str-index c abc)"), "dtInteger");
  EXPECT_EQ(Eval("(str-index c abc)")->GetAsInteger(), 3);
  EXPECT_EQ(Eval("(str-index a abc)")->GetAsInteger(), 1);
  EXPECT_EQ(Eval("(str-index ab xabab)")->GetAsInteger(), 2);
  EXPECT_EQ(Eval("(str-index \"lo w\" \"hello world\")")->GetAsInteger(), 4);
  EXPECT_EQ(Eval("(str-index 3 12345)")->GetAsInteger(), 3);
}

TEST_F(StringTest, StrIndexIsFalseWhenTheNeedleIsMissingOrEmpty) {
  EXPECT_EQ(Eval("(str-index z abc)").get(), FCFalse);
  EXPECT_EQ(Eval("(str-index abcd abc)").get(), FCFalse);
  EXPECT_EQ(Eval("(str-index \"\" abc)").get(), FCFalse);
  EXPECT_EQ(Eval("(str-index \"\" \"\")").get(), FCFalse);
  EXPECT_EQ(Eval("(str-index C abc)").get(), FCFalse);  // case matters
}

TEST_F(StringTest, StrIndexFindsAnEmbeddedQuote) {
  EXPECT_EQ(Eval("(str-index \"\\\"\" \"say \\\"hi\\\"\")")->GetAsInteger(), 5);
}

// ---------------------------------------------------------------- str-length

TEST_F(StringTest, StrLengthCountsTheBytesOfTheText) {
  EXPECT_EQ(Eval("(str-length abc)")->GetAsInteger(), 3);
  EXPECT_EQ(Eval("(str-length \"\")")->GetAsInteger(), 0);
  EXPECT_EQ(Eval("(str-length \"two words\")")->GetAsInteger(), 9);
  // The escape is not part of the text: a, quote, b.
  EXPECT_EQ(Eval("(str-length \"a\\\"b\")")->GetAsInteger(), 3);
  // A two-byte UTF-8 letter counts two.
  EXPECT_EQ(Eval("(str-length \"\xC3\xA9t\xC3\xA9\")")->GetAsInteger(), 5);
  EXPECT_EQ(Eval("(str-length -120)")->GetAsInteger(), 4);
  EXPECT_EQ(Eval("(str-length 1.5)")->GetAsInteger(), 6);  // 1.5000
}

TEST_F(StringTest, StrLengthOfAMultifieldIsAConversionError) {
  EXPECT_EQ(Error("(str-length (create$ a))"), "Not a string type.  Value (a ) is a dtList type");
}

// ---------------------------------------------------------------- sub-string

TEST_F(StringTest, SubStringTakesOneBasedInclusivePositions) {
  EXPECT_EQ(Kind("(sub-string 2 3 abcd)"), "dtString");
  EXPECT_EQ(Text("(sub-string 2 3 abcd)"), "bc");
  EXPECT_EQ(Text("(sub-string 1 1 abcd)"), "a");
  EXPECT_EQ(Text("(sub-string 1 4 abcd)"), "abcd");
  EXPECT_EQ(Text("(sub-string 4 4 abcd)"), "d");
  EXPECT_EQ(Text("(sub-string 3 4 \"x y z\")"), "y ");
}

TEST_F(StringTest, SubStringStopsAtTheEndOfTheText) {
  EXPECT_EQ(Text("(sub-string 2 100 abcd)"), "bcd");
  EXPECT_EQ(Text("(sub-string 1 2147483647 abcd)"), "abcd");
}

TEST_F(StringTest, SubStringWithTheEndJustBeforeTheStartIsEmpty) {
  EXPECT_EQ(Kind("(sub-string 3 2 abcd)"), "dtString");
  EXPECT_EQ(Text("(sub-string 3 2 abcd)"), "");
  EXPECT_EQ(Text("(sub-string 1 0 abcd)"), "");
}

TEST_F(StringTest, SubStringWithBadBoundsRaisesWithBothPositions) {
  EXPECT_EQ(Error("(sub-string 0 1 abcd)"), "Invalid substring parameters: 0, 1");
  EXPECT_EQ(Error("(sub-string 5 5 abcd)"), "Invalid substring parameters: 5, 5");
  EXPECT_EQ(Error("(sub-string -3 2 abcd)"), "Invalid substring parameters: -3, 2");
  EXPECT_EQ(Error("(sub-string 3 1 abcd)"), "Invalid substring parameters: 3, 1");
  EXPECT_EQ(Error("(sub-string 1 1 \"\")"), "Invalid substring parameters: 1, 1");
  EXPECT_EQ(Error("(sub-string 1 0 \"\")"), "Invalid substring parameters: 1, 0");
}

TEST_F(StringTest, SubStringWithExtremePositionsRaisesInsteadOfOverflowing) {
  EXPECT_EQ(Error("(sub-string 2 -2147483648 abcd)"),
            "Invalid substring parameters: 2, -2147483648");
  EXPECT_EQ(Error("(sub-string 2147483647 2147483647 abcd)"),
            "Invalid substring parameters: 2147483647, 2147483647");
  EXPECT_EQ(Error("(sub-string -2147483648 2147483647 abcd)"),
            "Invalid substring parameters: -2147483648, 2147483647");
}

TEST_F(StringTest, SubStringTruncatesFloatPositionsAndCutsNumbersAsText) {
  EXPECT_EQ(Text("(sub-string 1.9 2.9 abcd)"), "ab");
  EXPECT_EQ(Text("(sub-string 2 3 12345)"), "23");
  EXPECT_EQ(Text("(sub-string 2 3 \"a\\\"b\")"), "\"b");
}

TEST_F(StringTest, SubStringWithAPositionThatIsNoNumberIsAConversionError) {
  EXPECT_EQ(Error("(sub-string one 2 abcd)"), "Not a integer type.  Value (one) is a dtAtom type");
  EXPECT_EQ(Error("(sub-string 1 2 (create$ a))"),
            "Not a string type.  Value (a ) is a dtList type");
}

// ---------------------------------------------------------------- upcase, lowcase

TEST_F(StringTest, CaseChangesKeepTheKindOfTheArgument) {
  EXPECT_EQ(Kind("(upcase abc)"), "dtAtom");
  EXPECT_EQ(Text("(upcase abc)"), "ABC");
  EXPECT_EQ(Kind("(upcase \"abc\")"), "dtString");
  EXPECT_EQ(Text("(upcase \"abc\")"), "ABC");
  EXPECT_EQ(Kind("(lowcase MiXeD)"), "dtAtom");
  EXPECT_EQ(Text("(lowcase MiXeD)"), "mixed");
  EXPECT_EQ(Kind("(lowcase \"ABC\")"), "dtString");
}

TEST_F(StringTest, CaseChangesTouchOnlyAsciiLetters) {
  EXPECT_EQ(Text("(upcase \"a1-b_c d!\")"), "A1-B_C D!");
  EXPECT_EQ(Text("(lowcase \"A1-B_C D!\")"), "a1-b_c d!");
  // A Latin-1 capital E acute (one byte) and a UTF-8 one (two bytes) are
  // left alone; only the B changes.
  EXPECT_EQ(Text("(lowcase \"\xC9\x42\")"),
            "\xC9"
            "b");
  EXPECT_EQ(Text("(lowcase \"\xC3\x89\x42\")"),
            "\xC3\x89"
            "b");
  EXPECT_EQ(Text("(upcase \"\xC3\xA9\x62\")"),
            "\xC3\xA9"
            "B");
  EXPECT_EQ(Text("(upcase \"say \\\"hi\\\"\")"), "SAY \"HI\"");
}

TEST_F(StringTest, CaseChangesGiveNumbersBackUnchanged) {
  EXPECT_EQ(Kind("(upcase 12)"), "dtInteger");
  EXPECT_EQ(Eval("(upcase 12)")->GetAsInteger(), 12);
  EXPECT_EQ(Kind("(lowcase 2.5)"), "dtFloat");
  EXPECT_EQ(Eval("(lowcase 2.5)")->GetAsNumeric(), 2.5);
}

TEST_F(StringTest, CaseChangeOfAMultifieldIsAConversionError) {
  EXPECT_EQ(Error("(upcase (create$ a))"), "Not a string type.  Value (a ) is a dtList type");
}

// ---------------------------------------------------------------- in rules

TEST_F(StringTest, StringFunctionsWorkOnVariablesBoundByARule) {
  std::string out;
  engine.OnPrintOut = [&out](TObject*, const std::string&, const std::string& text) {
    out += text;
  };
  engine.Parse(
      "(defrule greet (person ?name) (test (> (str-length ?name) 3))"
      "  => (printout t (str-cat \"Hello, \" (upcase ?name) \"!\") crlf))",
      true);
  engine.Parse("(assert (person bob)) (assert (person alice))", true);
  out.clear();
  engine.Parse("(run)", true);
  // The greeting, then what the top level prints for run: one rule fired.
  EXPECT_EQ(out, std::string("Hello, ALICE!") + NewLineString + "1" + NewLineString);
}

}  // namespace
}  // namespace rulecore
