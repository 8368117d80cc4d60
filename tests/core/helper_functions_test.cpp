// rulecore: an embeddable expert-system shell.
// Tests of the free helpers: text hashing, name checks, kind-set text and number reading.
#include "core/helper_functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "core/messages.h"
#include "platform/exception.h"
#include "platform/format.h"

namespace rulecore {
namespace {

// h := h * 31 + c over the given 0-based positions, with 32-bit wrap-around.
int32_t HashAt(const std::string& s, const std::vector<size_t>& positions) {
  uint32_t h = 0;
  for (size_t p : positions)
    h = h * 31u + static_cast<unsigned char>(s[p]);
  return static_cast<int32_t>(h);
}

// ---------------------------------------------------------------- CalculateHash

TEST(CalculateHashTest, ShortTextHashesEveryCharacter) {
  EXPECT_EQ(CalculateHash(""), 0);
  EXPECT_EQ(CalculateHash("a"), 97);
  EXPECT_EQ(CalculateHash("ab"), 97 * 31 + 98);
  const std::string fifteen = "abcdefghijklmno";
  EXPECT_EQ(CalculateHash(fifteen),
            HashAt(fifteen, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
}

TEST(CalculateHashTest, SixteenCharactersHashEverySecondCharacterFromTheFirst) {
  const std::string s = "ABCDEFGHIJKLMNOP";
  EXPECT_EQ(CalculateHash(s), HashAt(s, {0, 2, 4, 6, 8, 10, 12, 14}));
  // Characters at the skipped positions do not count.
  std::string other = s;
  other[1] = 'z';
  other[15] = 'z';
  EXPECT_EQ(CalculateHash(other), CalculateHash(s));
  other[14] = 'z';
  EXPECT_NE(CalculateHash(other), CalculateHash(s));
}

TEST(CalculateHashTest, TwentyFourCharactersHashEveryThirdCharacterFromTheFirst) {
  const std::string s = "the quick brown fox jump";
  ASSERT_EQ(s.size(), 24u);
  EXPECT_EQ(CalculateHash(s), HashAt(s, {0, 3, 6, 9, 12, 15, 18, 21}));
}

TEST(CalculateHashTest, LongTextWrapsAroundIn32Bits) {
  const std::string s(100, '~');  // step 12: positions 0, 12, ..., 96
  std::vector<size_t> positions;
  for (size_t p = 0; p < s.size(); p += 12)
    positions.push_back(p);
  EXPECT_EQ(CalculateHash(s), HashAt(s, positions));
}

TEST(CalculateHashTest, HighCharactersCountAsUnsignedBytes) {
  const std::string s = "\xe9t\xe9";
  EXPECT_EQ(CalculateHash(s), static_cast<int32_t>((0xe9u * 31u + 't') * 31u + 0xe9u));
}

TEST(CalculateHashTest, ExplicitStepBelowOneCountsAsOne) {
  EXPECT_EQ(CalculateHash("abcd", 0), CalculateHash("abcd"));
  EXPECT_EQ(CalculateHash("abcd", -3), CalculateHash("abcd"));
  EXPECT_EQ(CalculateHash("abcde", 2), HashAt("abcde", {0, 2, 4}));
}

// ---------------------------------------------------------------- text helpers

TEST(ContainsCharactersTest, GivesOneBasedPositionOfFirstListedCharacter) {
  EXPECT_EQ(ContainsCharacters("abc", "xyz"), 0);
  EXPECT_EQ(ContainsCharacters("abc", ""), 0);
  EXPECT_EQ(ContainsCharacters("", "abc"), 0);
  EXPECT_EQ(ContainsCharacters("abc", "c"), 3);
  EXPECT_EQ(ContainsCharacters("a(b)c", ")("), 2);
  EXPECT_EQ(ContainsCharacters(" leading", SInvalidNameCharacters), 1);
  EXPECT_EQ(ContainsCharacters("my-name?", SInvalidNameCharacters), 8);
  EXPECT_EQ(ContainsCharacters("my-name_1", SInvalidNameCharacters), 0);
}

TEST(StringFilterTest, DropsEveryListedCharacter) {
  EXPECT_EQ(StringFilter("a-b-c", "-"), "abc");
  EXPECT_EQ(StringFilter("(a b)", "() "), "ab");
  EXPECT_EQ(StringFilter("abc", ""), "abc");
  EXPECT_EQ(StringFilter("---", "-"), "");
}

TEST(IEStringToStringTest, UnquotesOnlyFullyQuotedText) {
  EXPECT_EQ(IEStringToString("\"hello\""), "hello");
  EXPECT_EQ(IEStringToString("\"\""), "");
  EXPECT_EQ(IEStringToString("\"a\\\"b\""), "a\\\"b");  // escapes stay as they are
  EXPECT_EQ(IEStringToString("\""), "\"");
  EXPECT_EQ(IEStringToString("\"open"), "\"open");
  EXPECT_EQ(IEStringToString("plain"), "plain");
}

// ---------------------------------------------------------------- kind sets as text

TEST(SetToStringTest, NamesKindsInOrdinalOrderWithoutPrefix) {
  EXPECT_EQ(SetToString(TIETypes{dtString, dtAtom}), "[Atom,String]");
  EXPECT_EQ(SetToString(TIETypes{dtMultiSlot, dtNone, dtExternalAddress}),
            "[None,ExternalAddress,MultiSlot]");
  EXPECT_EQ(SetToString(TIETypes{}), "[]");
}

TEST(SetToStringTest, HonoursSeparatorAndBracketOptions) {
  EXPECT_EQ(SetToString(TIETypes{dtAtom, dtString, dtInteger}, ", ", false),
            "Atom, String, Integer");
  EXPECT_EQ(SetToString(TIETypes{dtFloat}, " | ", true), "[Float]");
  EXPECT_EQ(SetToString(TIETypes{}, ",", false), "");
}

TEST(SetToStringTest, GenericFormKeepsOrRemovesTheGivenPrefix) {
  const uint32_t bits = (1u << dtAtom) | (1u << dtFuzzy);
  EXPECT_EQ(SetToString(IETypeInfo(), bits, ",", true, 0), "[dtAtom,dtFuzzy]");
  EXPECT_EQ(SetToString(IETypeInfo(), bits, "/", false, 3), "tom/uzzy");
}

TEST(StringToSetTest, ReadsBracketedListWithBlanks) {
  EXPECT_EQ(StringToSet("[dtAtom, dtString]", IETypeInfo(), ""),
            (TIETypes{dtAtom, dtString}).Bits());
  EXPECT_EQ(StringToSet("  dtFloat ,dtNone  ", IETypeInfo(), ""),
            (TIETypes{dtFloat, dtNone}).Bits());
  EXPECT_EQ(StringToSet("[]", IETypeInfo(), ""), 0u);
  EXPECT_EQ(StringToSet("", IETypeInfo(), ""), 0u);
}

TEST(StringToSetTest, PrefixIsPutInFrontOfEveryPiece) {
  EXPECT_EQ(StringToSet("[Atom,MultiSlot]", IETypeInfo(), "dt"),
            (TIETypes{dtAtom, dtMultiSlot}).Bits());
}

TEST(StringToSetTest, ReadsBackWhatSetToStringWrites) {
  const TIETypes kinds{dtInteger, dtObject, dtSingletons, dtSlot};
  EXPECT_EQ(StringToSet(SetToString(kinds), IETypeInfo(), "dt"), kinds.Bits());
}

TEST(StringToSetTest, UnknownNameRaisesConvertErrorNamingIt) {
  try {
    StringToSet("[dtAtom, dtBogus]", IETypeInfo(), "");
    FAIL() << "no error raised";
  } catch (const EConvertError& e) {
    EXPECT_EQ(std::string(e.what()), Format(SInvalidSetItem, {"dtBogus"}));
  }
  // Names are matched with exact case.
  EXPECT_THROW(StringToSet("[dtatom]", IETypeInfo(), ""), EConvertError);
}

// ---------------------------------------------------------------- numbers

TEST(FloatEqualsTest, ToleratesDifferencesUpToOneTenThousandth) {
  EXPECT_TRUE(FloatEquals(1.0, 1.00005));
  EXPECT_TRUE(FloatEquals(1.00005, 1.0));
  EXPECT_FALSE(FloatEquals(1.0, 1.0002));
  EXPECT_FALSE(FloatEquals(1.0002, 1.0));
  EXPECT_TRUE(FloatEquals(-3.5, -3.5));
  // The tolerance argument is not consulted.
  EXPECT_FALSE(FloatEquals(1.0, 1.5, 1.0));
}

TEST(TryStrToIntTest, ReadsWholeDecimalIntegers) {
  int32_t v = 0;
  EXPECT_TRUE(TryStrToInt("42", &v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(TryStrToInt("  -17 ", &v));
  EXPECT_EQ(v, -17);
  EXPECT_TRUE(TryStrToInt("+8", &v));
  EXPECT_EQ(v, 8);
  EXPECT_TRUE(TryStrToInt("2147483647", &v));
  EXPECT_EQ(v, std::numeric_limits<int32_t>::max());
  EXPECT_TRUE(TryStrToInt("-2147483648", &v));
  EXPECT_EQ(v, std::numeric_limits<int32_t>::min());
}

TEST(TryStrToIntTest, RejectsOtherTextAndLeavesResultAlone) {
  int32_t v = 99;
  for (const char* text : {"", "  ", "-", "+", "1.5", "12a", "a12", "1 2", "0x10", "2147483648",
                           "-2147483649", "99999999999999999999"}) {
    EXPECT_FALSE(TryStrToInt(text, &v)) << text;
    EXPECT_EQ(v, 99) << text;
  }
}

TEST(TryStrToFloatTest, ReadsDecimalNumbersWithFractionAndExponent) {
  double v = 0;
  EXPECT_TRUE(TryStrToFloat("3.25", &v));
  EXPECT_EQ(v, 3.25);
  EXPECT_TRUE(TryStrToFloat(" -0.5 ", &v));
  EXPECT_EQ(v, -0.5);
  EXPECT_TRUE(TryStrToFloat(".5", &v));
  EXPECT_EQ(v, 0.5);
  EXPECT_TRUE(TryStrToFloat("7.", &v));
  EXPECT_EQ(v, 7.0);
  EXPECT_TRUE(TryStrToFloat("12", &v));
  EXPECT_EQ(v, 12.0);
  EXPECT_TRUE(TryStrToFloat("1.5e3", &v));
  EXPECT_EQ(v, 1500.0);
  EXPECT_TRUE(TryStrToFloat("2E-2", &v));
  EXPECT_EQ(v, 0.02);
}

TEST(TryStrToFloatTest, RejectsOtherTextAndLeavesResultAlone) {
  double v = 9.5;
  for (const char* text :
       {"", ".", "-", "e5", "1e", "1e+", "1.2.3", "inf", "nan", "1,5", "abc", "0x1p3", "3 4"}) {
    EXPECT_FALSE(TryStrToFloat(text, &v)) << text;
    EXPECT_EQ(v, 9.5) << text;
  }
}

TEST(TruncToInt32Test, TruncatesTowardZeroAndWrapsTo32Bits) {
  EXPECT_EQ(TruncToInt32(3.7), 3);
  EXPECT_EQ(TruncToInt32(-3.7), -3);
  EXPECT_EQ(TruncToInt32(0.999), 0);
  EXPECT_EQ(TruncToInt32(std::nan("")), 0);
  EXPECT_EQ(TruncToInt32(2147483647.9), 2147483647);
  EXPECT_EQ(TruncToInt32(2147483648.0), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(TruncToInt32(4294967296.0 + 5.0), 5);
  EXPECT_EQ(TruncToInt32(-4294967296.0 - 1.0), -1);
  // Beyond the 64-bit range the low 32 bits are still those of the value:
  // 1e19 is exactly 10^19, whose low 32 bits are 2313682944.
  EXPECT_EQ(TruncToInt32(1e19), -1981284352);
  EXPECT_EQ(TruncToInt32(-1e19), 1981284352);
  EXPECT_EQ(TruncToInt32(18446744073709555712.0), 4096);  // 2^64 + 2^12
  EXPECT_EQ(TruncToInt32(1e300), 0);                      // a multiple of 2^32
  EXPECT_EQ(TruncToInt32(std::numeric_limits<double>::infinity()), 0);
}

// ---------------------------------------------------------------- help lines

TEST(CreateArgumentExpressionsTest, OptionalArgumentsAreBracketed) {
  EXPECT_EQ(CreateArgumentExpressions(" <a> <b>", 1, 2, 10), " <a> [<b>]");
  EXPECT_EQ(CreateArgumentExpressions(" <a> <b>", 2, 2, 10), " <a> <b>");
  EXPECT_EQ(CreateArgumentExpressions(" <a> <b>", 0, 2, 10), " [<a>] [<b>]");
}

TEST(CreateArgumentExpressionsTest, MissingPlaceholdersBecomeExpression) {
  EXPECT_EQ(CreateArgumentExpressions(" <a>", 2, 3, 10), " <a> <expression> [<expression>]");
  EXPECT_EQ(CreateArgumentExpressions("", 1, 1, 1), " <expression>");
}

TEST(CreateArgumentExpressionsTest, ShowsAtMostCountArgumentsThenAnEllipsis) {
  EXPECT_EQ(CreateArgumentExpressions(" <a> <b> <c>", 1, 5, 2), " <a> [<b>] ...");
  EXPECT_EQ(CreateArgumentExpressions(" <a> <b> <c>", 0, 5, 0), " ...");
  EXPECT_EQ(CreateArgumentExpressions(" <a> <b> <c>", 0, 0, 3), "");
}

TEST(CreateArgumentExpressionsTest, RequiredArgumentsAreShownEvenBeyondCount) {
  EXPECT_EQ(CreateArgumentExpressions(" <a> <b> <c>", 3, 4, 1), " <a> <b> <c> ...");
  // A maximum below the minimum counts as the minimum.
  EXPECT_EQ(CreateArgumentExpressions(" <a> <b>", 2, 1, 0), " <a> <b>");
}

}  // namespace
}  // namespace rulecore
