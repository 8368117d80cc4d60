// rulecore: an embeddable expert-system shell.
// The fact commands of the standard package run against a real engine:
// assert-string, retract-string, modify, watch and unwatch, and the
// files under logical names: open, printout, read, readline, close, the
// capture (dribble) and batch files.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "core/ie_consts.h"
#include "core/ie_exception.h"
#include "engine/inference_engine.h"
#include "facts/fact.h"
#include "platform/exception.h"

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

TEST_F(FactCommandsTest, IfWithoutThenIsASyntaxErrorAndRunsNothing) {
  try {
    Run("(if TRUE (printout t ran crlf))");
    FAIL() << "an if without then ran";
  } catch (const EIEException& e) {
    EXPECT_EQ(std::string(e.what()), "Syntax Error: Missing \"then\" in an IF statement");
  }
  EXPECT_EQ(out, "");
}

TEST_F(FactCommandsTest, BindInARuleActionIsSeenByTheLaterActions) {
  Run("(defrule r (a ?x) => (bind ?y (+ ?x 1)) (bind ?y (* ?y 10)) (printout t ?y crlf))");
  Run("(assert (a 2))");
  EXPECT_EQ(Run("(run)"), "30" + NL + "1" + NL);
}

TEST_F(FactCommandsTest, TryNeedsCatchOrFinallyAndNeverCatchesExit) {
  try {
    Run("(try (printout t body))");
    FAIL() << "a try without catch or finally ran";
  } catch (const EIEException& e) {
    EXPECT_EQ(std::string(e.what()), "Missing catch or finally statement for try block");
  }
  EXPECT_EQ(out, "");
  // Leaving the program passes through every try.
  EXPECT_THROW(Run("(try (exit) catch (printout t caught))"), EAbort);
  EXPECT_EQ(out, "");
}

TEST_F(FactCommandsTest, AnErrorCaughtByTryLeavesTheRunGoing) {
  Run("(defrule r (a ?x) => (try (+ ?x nope) catch (printout t \"caught \" ?x crlf)))");
  Run("(assert (a 1) (a 2))");
  EXPECT_EQ(Run("(run)"), "caught 2" + NL + "caught 1" + NL + "2" + NL);
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

// ---------------------------------------------------------------- backward chaining

TEST_F(FactCommandsTest, DoBackwardChainingMakesAParentlessGoalTemplateWithTheSlots) {
  Run("(deftemplate price (slot name) (slot amount))");
  Run("(do-backward-chaining price)");
  IFactTemplate* price = engine.FindFactTemplate("price");
  IFactTemplate* goal = engine.FindFactTemplate("need-price");
  ASSERT_NE(goal, nullptr);
  EXPECT_TRUE(price->IsBackwardChaining());
  EXPECT_EQ(goal->GetParent(), nullptr);
  EXPECT_EQ(goal->GetComment(), "Goal seeker for price");
  EXPECT_TRUE(goal->ContainsSlot("name"));
  EXPECT_TRUE(goal->ContainsSlot("amount"));
}

TEST_F(FactCommandsTest, AWaitingRuleAsksForItsFactBeforeTheAssertReturns) {
  Run("(deftemplate price (slot name) (slot amount))");
  Run("(defrule quote (item ?n) (price (name ?n) (amount 10)) =>)");
  Run("(assert (item lamp))");
  EXPECT_EQ(engine.FactCount(), 2);  // not backward-chaining: no goal
  Run("(clear)");
  Run("(deftemplate price (slot name) (slot amount))");
  Run("(do-backward-chaining price)");
  Run("(defrule quote (item ?n) (price (name ?n) (amount 10)) =>)");
  // The goal is listed by the time the assert that caused it returns.
  Run("(assert (item lamp))");
  ASSERT_EQ(engine.FactCount(), 2);  // clear took the initial fact
  EXPECT_EQ(engine.FactAt(1)->GetTemplate()->GetTemplateName(), "need-price");
  EXPECT_EQ(engine.FactAt(1)->GetValue("name")->GetToString(), "lamp");
  EXPECT_EQ(engine.FactAt(1)->GetValue("amount")->GetToString(), "10");
}

TEST_F(FactCommandsTest, DoBackwardChainingAgainKeepsTheGoalTemplateAndItsRules) {
  Run("(deftemplate price (slot name))");
  Run("(do-backward-chaining price)");
  Run("(defrule answer (need-price (name ?n)) => (assert (price (name ?n))))");
  IFactTemplate* goal = engine.FindFactTemplate("need-price");
  Run("(do-backward-chaining price)");
  EXPECT_EQ(engine.FindFactTemplate("need-price"), goal);
  EXPECT_NE(engine.FindRule("answer"), nullptr);
}

TEST_F(FactCommandsTest, SpecialElementsCannotBeBackwardChained) {
  for (const char* name : {"test", "not"}) {
    try {
      Run(std::string("(do-backward-chaining ") + name + ")");
      FAIL() << name << " was accepted";
    } catch (const EIEException& e) {
      EXPECT_EQ(std::string(e.what()), std::string("Cannot backchain on special CEs: ") + name);
    }
  }
}

// ---------------------------------------------------------------- files

class FileCommandsTest : public FactCommandsTest {
 protected:
  FileCommandsTest() {
    // A folder of its own per test: tests run in parallel processes, and a
    // shared folder would be removed under a neighbour's feet.
    std::string pattern =
        (std::filesystem::temp_directory_path() / "rulecore-files-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    dir = pattern;
  }
  ~FileCommandsTest() override {
    engine.ClearStreams();
    std::filesystem::remove_all(dir);
  }
  std::string Path(const std::string& name) { return (dir / name).string(); }
  std::string Contents(const std::string& name) {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::filesystem::path dir;
};

TEST_F(FileCommandsTest, WrittenLinesReadBackThroughALogicalName) {
  EXPECT_EQ(Run("(printout t (open \"" + Path("a.txt") + "\" out w) crlf)"), "out" + NL);
  EXPECT_EQ(Run("(printout out \"one\" crlf 2 crlf)"), "");  // nothing reaches the host
  EXPECT_EQ(Run("(printout t (close out) crlf)"), "TRUE" + NL);
  EXPECT_EQ(Contents("a.txt"), "one" + NL + "2" + NL);
  Run("(open \"" + Path("a.txt") + "\" in)");
  EXPECT_EQ(Run("(printout t (readline in) \"|\" (readline in) \"|\" (readline in) crlf)"),
            "one|2|EOF" + NL);
  Run("(close in)");
  EXPECT_FALSE(engine.ContainsStream("in"));
}

TEST_F(FileCommandsTest, AppendKeepsWhatTheFileHeld) {
  std::ofstream(Path("log.txt")) << "old\n";
  Run("(open \"" + Path("log.txt") + "\" log a)");
  Run("(printout log new crlf)");
  Run("(close log)");
  EXPECT_EQ(Contents("log.txt"), "old\nnew" + NL);
}

TEST_F(FileCommandsTest, BadModesAndMissingFilesRaiseAndRegisterNothing) {
  try {
    Run("(open \"" + Path("b.txt") + "\" out q)");
    FAIL() << "mode q was accepted";
  } catch (const EIEException& e) {
    EXPECT_EQ(std::string(e.what()), "Invalid File Access Specifier: \"q\"");
  }
  EXPECT_FALSE(engine.ContainsStream("out"));
  EXPECT_FALSE(std::filesystem::exists(Path("b.txt")));
  EXPECT_ANY_THROW(Run("(open \"" + Path("missing.txt") + "\" in r)"));
  EXPECT_FALSE(engine.ContainsStream("in"));
}

TEST_F(FileCommandsTest, ClosingAnUnknownNameIsNoErrorButAnswersFalse) {
  Run("(open \"" + Path("c.txt") + "\" out w)");
  EXPECT_EQ(Run("(printout t (close nothing) crlf)"), "FALSE" + NL);
  EXPECT_EQ(Run("(printout t (close out nothing) crlf)"), "FALSE" + NL);
  EXPECT_FALSE(engine.ContainsStream("out"));
  // The table itself still refuses an unknown name.
  EXPECT_THROW(engine.RemoveStream("nothing"), EIEException);
}

TEST_F(FileCommandsTest, CloseWithoutNamesAndClearCloseEveryFile) {
  Run("(open \"" + Path("d.txt") + "\" one w) (open \"" + Path("e.txt") + "\" two w)");
  Run("(printout one x) (close)");
  EXPECT_FALSE(engine.ContainsStream("one"));
  EXPECT_FALSE(engine.ContainsStream("two"));
  EXPECT_EQ(Contents("d.txt"), "x");
  Run("(open \"" + Path("d.txt") + "\" one w)");
  Run("(printout one y)");
  engine.Clear();
  EXPECT_FALSE(engine.ContainsStream("one"));
  EXPECT_EQ(Contents("d.txt"), "y");
}

TEST_F(FileCommandsTest, AClashingNameFollowsTheDuplicateRule) {
  Run("(open \"" + Path("f.txt") + "\" out w)");
  engine.SetDuplicateConstructs(dcError);
  try {
    Run("(open \"" + Path("g.txt") + "\" out w)");
    FAIL() << "a second stream under one name was accepted";
  } catch (const EIEException& e) {
    EXPECT_EQ(std::string(e.what()), "Duplicate streams defined with same name: \"out\"");
  }
  engine.SetDuplicateConstructs(dcOverwrite);
  Run("(open \"" + Path("g.txt") + "\" out w) (printout out z) (close out)");
  EXPECT_EQ(Contents("g.txt"), "z");
}

TEST_F(FileCommandsTest, RenameNeverReplacesAFileAndRemoveAnswersForItself) {
  std::ofstream(Path("a.txt")) << "a";
  std::ofstream(Path("b.txt")) << "b";
  const std::string a = "\"" + Path("a.txt") + "\"", b = "\"" + Path("b.txt") + "\"",
                    c = "\"" + Path("c.txt") + "\"";
  EXPECT_EQ(Run("(printout t (rename " + a + " " + b + ") crlf)"), "FALSE" + NL);
  EXPECT_EQ(Contents("b.txt"), "b");
  EXPECT_EQ(Run("(printout t (rename " + a + " " + c + ") (rename " + a + " " + c + ") crlf)"),
            "TRUEFALSE" + NL);
  EXPECT_EQ(Contents("c.txt"), "a");
  EXPECT_EQ(Run("(printout t (remove " + c + ") (remove " + c + ") crlf)"), "TRUEFALSE" + NL);
  EXPECT_FALSE(std::filesystem::exists(Path("c.txt")));
}

TEST_F(FileCommandsTest, DribbleCapturesConsoleOutputOnly) {
  EXPECT_EQ(Run("(dribble-on \"" + Path("cap.txt") + "\")"), "");  // its TRUE is captured too
  Run("(open \"" + Path("side.txt") + "\" side w)");
  Run("(watch facts) (assert (a 1)) (printout side s) (printout t hello crlf) (unwatch all)");
  EXPECT_EQ(out, "");
  EXPECT_EQ(Run("(dribble-off)"), "TRUE" + NL);
  Run("(close side)");
  EXPECT_EQ(Contents("side.txt"), "s");
  const std::string captured = Contents("cap.txt");
  EXPECT_EQ(captured.rfind("TRUE" + NL, 0), 0u) << captured;
  EXPECT_NE(captured.find(" ==> "), std::string::npos) << captured;
  EXPECT_NE(captured.find("hello" + NL), std::string::npos) << captured;
}

TEST_F(FileCommandsTest, DribbleToAnImpossiblePathAnswersFalseAndChangesNothing) {
  EXPECT_EQ(Run("(printout t (dribble-on \"" + Path("no/such/dir/x.txt") + "\") crlf)"),
            "FALSE" + NL);
  EXPECT_FALSE(engine.Capturing());
}

TEST_F(FileCommandsTest, ASecondDribbleClosesTheFirstFileWithEverythingInIt) {
  Run("(dribble-on \"" + Path("one.txt") + "\") (printout t first)");
  Run("(dribble-on \"" + Path("two.txt") + "\") (printout t second) (dribble-off)");
  EXPECT_EQ(Contents("one.txt"), "TRUE" + NL + "first");
  EXPECT_NE(Contents("two.txt").find("second"), std::string::npos);
}

TEST_F(FileCommandsTest, ReadTakesOneValueAndSkipsTheRestOfItsLine) {
  std::ofstream(Path("in.txt")) << "42 ignored words\n\n  \"a string\" 7\nlast\n";
  Run("(open \"" + Path("in.txt") + "\" in)");
  EXPECT_EQ(Run("(printout t (+ (read in) 1) crlf)"), "43" + NL);
  EXPECT_EQ(Run("(printout t (read in) \"|\" (readline in) \"|\" (read in) crlf)"),
            "a string|last|EOF" + NL);
}

TEST_F(FileCommandsTest, ConsoleInputWithoutAHandlerNamesTheFunction) {
  try {
    Run("(read)");
    FAIL() << "read without input succeeded";
  } catch (const EIEException& e) {
    EXPECT_EQ(std::string(e.what()).substr(0, 34), "The read event has not been implem");
  }
  EXPECT_THROW(Run("(readline t)"), EIEException);
}

TEST_F(FileCommandsTest, ABatchRunsItsLinesAsCommands) {
  std::ofstream(Path("cmds.bat")) << "(defrule r (a) => (printout t fired crlf))\n"
                                     "(assert (a))\n"
                                     "(run)\n";
  EXPECT_EQ(Run("(printout t (batch \"" + Path("cmds.bat") + "\") crlf)"),
            "<Fact-1>" + NL + "fired" + NL + "1" + NL + "TRUE" + NL);
  EXPECT_FALSE(engine.Batching());
}

TEST_F(FileCommandsTest, ConsoleInputDuringABatchComesFromItsNextLine) {
  std::ofstream(Path("ask.bat")) << "(printout t (readline) crlf)\n"
                                    "(printout t not-run crlf)\n"
                                    "(printout t (read) crlf)\n"
                                    "12 and more\n";
  Run("(batch \"" + Path("ask.bat") + "\")");
  // Each line read is echoed, then printed by the command that read it.
  EXPECT_EQ(out, "(printout t not-run crlf)" + NL + "(printout t not-run crlf)" + NL + "12" + NL +
                     "12" + NL + "TRUE" + NL);
}

TEST_F(FileCommandsTest, AConstructSpreadOverLinesFailsInABatch) {
  std::ofstream(Path("bad.bat")) << "(defrule r\n  (a) => )\n(assert (b))\n";
  EXPECT_ANY_THROW(engine.Batch(Path("bad.bat")));
  EXPECT_FALSE(engine.Batching());
  EXPECT_EQ(engine.FindRule("r"), nullptr);
  EXPECT_EQ(engine.FactCount(), 1);  // the batch ended at the error
}

TEST_F(FileCommandsTest, BatchesNestAndAMissingFileRaises) {
  std::ofstream(Path("inner.bat")) << "(assert (inner))\n";
  std::ofstream(Path("outer.bat")) << "(batch \"" + Path("inner.bat") + "\")\n"
                                   << "(printout t (readline) crlf)\n"
                                   << "typed\n";
  Run("(batch \"" + Path("outer.bat") + "\")");
  EXPECT_NE(out.find("typed" + NL + "typed" + NL), std::string::npos) << out;
  EXPECT_EQ(engine.FactCount(), 2);
  EXPECT_ANY_THROW(Run("(batch \"" + Path("none.bat") + "\")"));
  EXPECT_FALSE(engine.Batching());
}

}  // namespace
}  // namespace rulecore
