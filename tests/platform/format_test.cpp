// rulecore: an embeddable expert-system shell.
// Tests of Format, the printf-style message formatter, and FloatToStr4.
#include <gtest/gtest.h>

#include <string>

#include "platform/format.h"

namespace rulecore {
namespace {

TEST(FormatTest, SubstitutesArgumentsLeftToRight) {
  EXPECT_EQ(Format("%s has %d slots, first %c", {"person", 3, 'n'}), "person has 3 slots, first n");
  EXPECT_EQ(Format("no directives here", {}), "no directives here");
  EXPECT_EQ(Format("", {1, 2}), "");
  // Argument text is not itself read for directives.
  EXPECT_EQ(Format("%s|%d", {"%d%s", 4}), "%d%s|4");
}

TEST(FormatTest, PercentSignsThatAreNotDirectivesPrintAsText) {
  EXPECT_EQ(Format("100%% of %s", {"facts"}), "100% of facts");
  // A lone percent at the end, or an unfinished directive, is kept as text.
  EXPECT_EQ(Format("50%", {1}), "50%");
  EXPECT_EQ(Format("width %-12", {1}), "width %-12");
}

TEST(FormatTest, StringWidthPadsOnTheLeftOrWithMinusOnTheRight) {
  EXPECT_EQ(Format("[%6s]", {"abc"}), "[   abc]");
  EXPECT_EQ(Format("[%-6s]", {"abc"}), "[abc   ]");
  EXPECT_EQ(Format("[%2s]", {"abcdef"}), "[abcdef]");
}

TEST(FormatTest, IntegerDirectivesHonourFlagsWidthAndAllSixtyFourBits) {
  EXPECT_EQ(Format("[%5d]", {42}), "[   42]");
  EXPECT_EQ(Format("[%-5d]", {42}), "[42   ]");
  EXPECT_EQ(Format("[%05d]", {-42}), "[-0042]");
  EXPECT_EQ(Format("[%+d]", {7}), "[+7]");
  EXPECT_EQ(Format("%i", {-13}), "-13");
  EXPECT_EQ(Format("%u", {4000000000u}), "4000000000");
  EXPECT_EQ(Format("%d", {9007199254740993LL}), "9007199254740993");
  EXPECT_EQ(Format("%d", {-9223372036854775807LL - 1}), "-9223372036854775808");
  EXPECT_EQ(Format("%x", {255}), "ff");
  EXPECT_EQ(Format("%X", {255}), "FF");
  EXPECT_EQ(Format("%#06x", {26}), "0x001a");
}

TEST(FormatTest, FloatDirectivesHonourPrecision) {
  EXPECT_EQ(Format("%f", {1.5}), "1.500000");
  EXPECT_EQ(Format("%.2f", {3.14159}), "3.14");
  EXPECT_EQ(Format("[%8.3f]", {-2.5}), "[  -2.500]");
  EXPECT_EQ(Format("%e", {12345.678}), "1.234568e+04");
  EXPECT_EQ(Format("%.3g", {0.000123456}), "0.000123");
  EXPECT_EQ(Format("%g", {100000.0}), "100000");
}

TEST(FormatTest, NumberGivenToStringDirectivePrintsAsDecimal) {
  EXPECT_EQ(Format("%s", {-17}), "-17");
  EXPECT_EQ(Format("%s", {123456789012LL}), "123456789012");
}

TEST(FormatTest, FloatGivenToStringDirectivePrintsWithFourDecimals) {
  EXPECT_EQ(Format("%s", {2.5}), "2.5000");
  EXPECT_EQ(Format("[%8s]", {-0.125}), "[ -0.1250]");
}

TEST(FormatTest, TextGivenToNumberDirectivePrintsAsItStands) {
  EXPECT_EQ(Format("%d items", {"many"}), "many items");
  EXPECT_EQ(Format("%.2f", {"n/a"}), "n/a");
  EXPECT_EQ(Format("%x", {std::string("zz")}), "zz");
  // Integers and floats convert between the numeric directives.
  EXPECT_EQ(Format("%d", {7.9}), "7");
  EXPECT_EQ(Format("%.1f", {3}), "3.0");
}

TEST(FormatTest, CharacterDirectiveTakesCodesCharactersAndFirstLetterOfText) {
  EXPECT_EQ(Format("%c%c%c", {'x', 65, "yes"}), "xAy");
  EXPECT_EQ(Format("[%c]", {""}), "[]");
  EXPECT_EQ(Format("%s", {'q'}), "q");
}

TEST(FormatTest, MissingArgumentsPrintAsNothingAndSurplusOnesAreIgnored) {
  EXPECT_EQ(Format("%s and %d", {"one"}), "one and ");
  EXPECT_EQ(Format("[%5.2f]", {}), "[]");
  // Surplus arguments are ignored.
  EXPECT_EQ(Format("%s", {"a", "b", 3}), "a");
}

TEST(FormatTest, UnknownDirectivePrintsAsItStandsAndKeepsItsArgument) {
  EXPECT_EQ(Format("%q %s", {"kept"}), "%q kept");
  EXPECT_EQ(Format("%5z|%d", {9}), "%5z|9");
  EXPECT_EQ(Format("100%!", {}), "100%!");
}

TEST(FormatTest, WideFieldsAreNotCutShort) {
  std::string wide = Format("%600d", {5});
  ASSERT_EQ(wide.size(), 600u);
  EXPECT_EQ(wide.back(), '5');
  EXPECT_EQ(wide.find_first_not_of(' '), 599u);

  std::string precise = Format("%.700f", {1.0});
  ASSERT_EQ(precise.size(), 702u);
  EXPECT_EQ(precise.substr(0, 4), "1.00");
  EXPECT_EQ(precise.back(), '0');
}

TEST(FloatToStr4Test, PrintsFixedFourDecimalsRounded) {
  EXPECT_EQ(FloatToStr4(0.0), "0.0000");
  EXPECT_EQ(FloatToStr4(1.0 / 3.0), "0.3333");
  EXPECT_EQ(FloatToStr4(2.0 / 3.0), "0.6667");
  EXPECT_EQ(FloatToStr4(-12.5), "-12.5000");
  EXPECT_EQ(FloatToStr4(1e10), "10000000000.0000");
  // Even the largest double prints in full.
  std::string s = FloatToStr4(-1.7976931348623157e308);
  EXPECT_EQ(s.size(), 315u);
  EXPECT_EQ(s.substr(0, 5), "-1797");
  EXPECT_EQ(s.substr(s.size() - 5), ".0000");
}

}  // namespace
}  // namespace rulecore
