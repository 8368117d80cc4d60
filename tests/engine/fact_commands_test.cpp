// rulecore: an embeddable expert-system shell.
// The fact commands of the standard package run against a real engine:
// assert-string, retract-string, modify, watch and unwatch.
#include <gtest/gtest.h>

#include <string>

#include "core/ie_consts.h"
#include "core/ie_exception.h"
#include "engine/inference_engine.h"
#include "facts/fact.h"

namespace rulecore {
namespace {

const std::string NL = NewLineString;

class FactCommandsTest : public ::testing::Test {
 protected:
  FactCommandsTest() {
    engine.OnPrintOut = [this](TObject*, const std::string&, const std::string& text) {
      out += text;
    };
  }

  // Runs top-level text and returns what it printed.
  std::string Run(const std::string& text) {
    out.clear();
    engine.Parse(text, true);
    return out;
  }

  std::string Facts() {
    std::string all;
    for (int i = 0; i < engine.FactCount(); ++i)
      all += (i ? " " : "") + engine.FactAt(i)->GetToIDString();
    return all;
  }

  TInferenceEngine engine;
  std::string out;
};

TEST_F(FactCommandsTest, AssertStringGivesTheNewIdAndFalseForARefusedDuplicate) {
  EXPECT_EQ(Run("(printout t (assert-string \"(a 1)\") crlf)"), "<Fact-1>" + NL);
  EXPECT_EQ(Run("(printout t (assert-string \"(b 2)\") crlf)"), "<Fact-2>" + NL);
  // The same fact again is refused: the result is FALSE, never the id -1.
  EXPECT_EQ(Run("(printout t (assert-string \"(b 2)\") crlf)"), "FALSE" + NL);
  EXPECT_EQ(engine.FactCount(), 3);
}

TEST_F(FactCommandsTest, AssertStringTakesSeveralStringsAndReturnsTheLastId) {
  Run("(assert-string \"(a 1)\" \"(a 2)\" \"(a 3)\")");
  EXPECT_EQ(engine.FactCount(), 4);  // (Initial-Fact) and the three
  EXPECT_EQ(Run("(printout t (assert-string \"(c 1)\" \"(a 1)\") crlf)"), "FALSE" + NL);
  EXPECT_EQ(engine.FactCount(), 5);
}

TEST_F(FactCommandsTest, RetractStringRetractsTheEqualFactAndIgnoresAbsentOnes) {
  Run("(deftemplate p (slot name) (slot age))");
  Run("(assert-string \"(p (name ann) (age 4))\" \"(p (name bob) (age 5))\")");
  EXPECT_EQ(Run("(printout t (retract-string \"(p (age 4) (name ann))\" \"(p (name zed))\") crlf)"),
            "TRUE" + NL);
  ASSERT_EQ(engine.FactCount(), 2);
  EXPECT_EQ(engine.FactAt(1)->GetToString(), "(p (age 5) (name bob))");
}

TEST_F(FactCommandsTest, ModifyWithARefusedValueLeavesTheFactAsserted) {
  engine.SetTypeChecks({tcStatic, tcDynamic});
  Run("(deftemplate p (slot name) (slot age (type INTEGER)))");
  Run("(assert (p (name ann) (age 4)))");
  const std::string before = Facts();
  // The value is made by a call, so only the dynamic check can refuse it.
  EXPECT_THROW(Run("(modify 1 (age (+ 1.5 2)))"), EIEException);
  EXPECT_EQ(Facts(), before);
  EXPECT_THROW(Run("(modify 1 (height 3))"), EIEException);
  EXPECT_EQ(Facts(), before);
  // A sound modify still works afterwards and gives the fact a new id.
  Run("(modify 1 (age 5))");
  EXPECT_EQ(engine.FactCount(), 2);
  EXPECT_EQ(engine.FactAt(1)->GetToString(), "(p (age 5) (name ann))");
  EXPECT_EQ(engine.FactAt(1)->GetID(), 2);
}

TEST_F(FactCommandsTest, ModifyOfAnUnknownIdNamesTheId) {
  try {
    Run("(modify 42 (a 1))");
    FAIL() << "modify of a missing fact succeeded";
  } catch (const EIEException& e) {
    EXPECT_EQ(std::string(e.what()), "No Such Fact with ID=42 exists");
  }
}

TEST_F(FactCommandsTest, WatchAndUnwatchChangeOneItemOrAll) {
  Run("(watch facts)");
  // A top-level call prints its result after the watch line.
  std::string printed = Run("(assert (a 1))");
  EXPECT_EQ(printed, " ==> " + engine.FactById(1)->GetToIDString() + NL + "<Fact-1>" + NL);
  Run("(watch rules) (unwatch facts)");
  EXPECT_EQ(engine.Watch(), TConstructWatches{cwRule});
  Run("(watch all)");
  EXPECT_EQ(engine.Watch(),
            (TConstructWatches{cwActivation, cwFact, cwRule, cwCompilation, cwStatistics}));
  Run("(unwatch all)");
  EXPECT_EQ(engine.Watch(), TConstructWatches{});
  EXPECT_EQ(Run("(assert (a 2))"), "<Fact-2>" + NL);
}

TEST_F(FactCommandsTest, WatchKeywordsAreCaseSensitive) {
  try {
    Run("(watch Facts)");
    FAIL() << "an unknown watch keyword was accepted";
  } catch (const EIEException& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot watch Facts");
  }
  try {
    Run("(unwatch everything)");
    FAIL() << "an unknown unwatch keyword was accepted";
  } catch (const EIEException& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot unwatch everything");
  }
  EXPECT_EQ(engine.Watch(), TConstructWatches{});
}

}  // namespace
}  // namespace rulecore
