// rulecore: an embeddable expert-system shell.
// FormScanner: when typed text makes complete forms, and where forms begin.
#include "shell/forms.h"

#include <gtest/gtest.h>

namespace rulesh {
namespace {

bool CompleteAfter(std::initializer_list<const char*> lines) {
  FormScanner scanner;
  for (const char* line : lines)
    scanner.Feed(std::string(line) + "\n");
  return scanner.Complete();
}

TEST(FormScannerTest, FormIsCompleteWhenItsParenthesesBalance) {
  EXPECT_TRUE(CompleteAfter({"(+ 1 2)"}));
  EXPECT_FALSE(CompleteAfter({"(deffunction f (?x)"}));
  EXPECT_TRUE(CompleteAfter({"(deffunction f (?x)", "  (* ?x 2))"}));
}

TEST(FormScannerTest, ParenthesesInStringsAndCommentsDoNotCount) {
  EXPECT_FALSE(CompleteAfter({"(printout t \")\" ; ) )"}));
  EXPECT_TRUE(CompleteAfter({"(printout t \"(\" crlf) ; ("}));
  EXPECT_FALSE(CompleteAfter({"(printout t \"a \\\" ) still inside"}));
}

TEST(FormScannerTest, BlankAndCommentLinesAreNotAForm) {
  EXPECT_FALSE(CompleteAfter({""}));
  EXPECT_FALSE(CompleteAfter({"   ; just a comment (", ""}));
}

TEST(FormScannerTest, BareValuesAndSurplusClosersAreComplete) {
  EXPECT_TRUE(CompleteAfter({"?*x*"}));
  EXPECT_TRUE(CompleteAfter({"(+ 1 2))"}));
}

TEST(FormScannerTest, FormLinesNameWhereEachTopLevelFormBegins) {
  // The string of the rule's printout spans two lines.
  FormScanner scanner;
  scanner.Feed(
      "; header\n(deftemplate a (slot x))\n\n(defrule r\n  (a (x ?y))\n  =>\n  "
      "(printout t \"a\nb\" crlf))\n(reset) (run)\n");
  EXPECT_EQ(scanner.FormLines(), (std::vector<int>{2, 4, 9, 9}));
}

TEST(FormScannerTest, FormStartLineFindsTheFormHoldingALine) {
  std::string text = "(a)\n(b\n c\n d)\n(e)\n";
  EXPECT_EQ(FormStartLine(text, 1), 1);
  EXPECT_EQ(FormStartLine(text, 3), 2);
  EXPECT_EQ(FormStartLine(text, 4), 2);
  EXPECT_EQ(FormStartLine(text, 5), 5);
  EXPECT_EQ(FormStartLine("\n\n(a)", 1), 1);  // before any form: the line itself
}

}  // namespace
}  // namespace rulesh
