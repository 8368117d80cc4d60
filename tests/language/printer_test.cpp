// rulecore: an embeddable expert-system shell.
// Tests of the rule-language printer: rules, patterns and their constraints, calls, functions,
// globals and point lists, and round trips of whole knowledge bases through print and parse.
#include "language/printer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/defined_type.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "facts/fact_printer.h"
#include "facts/fact_set.h"
#include "facts/fact_template.h"
#include "facts/pattern.h"
#include "functions/function_call.h"
#include "functions/interpreted_function.h"
#include "language/clips_parser.h"
#include "platform/format.h"
#include "platform/streams.h"
#include "rete/rule.h"
#include "support/parse_helpers.h"
#include "support/test_engine.h"

namespace rulecore {
namespace {

// ---------------------------------------------------------------- helpers

using Strings = std::vector<std::string>;

// Names fresh variables "?__var<n>" and "$?__var<n>" from a counter.
std::function<std::string(bool)> Counter() {
  auto n = std::make_shared<int>(0);
  return [n](bool multi) {
    return std::string(multi ? SMultiSlotVar : SSlotVar) + std::to_string(++*n);
  };
}

// The tests of every slot of `pattern`, as "slot:[~]value@position/and|or".
Strings Tests(const TIEPattern& pattern) {
  Strings out;
  for (int s = 0; s < pattern.GetSlotCount(); ++s)
    for (int j = 0; j < pattern.GetSlotTestCount(s); ++j) {
      TIEPatternMatchTest* t = pattern.GetSlotTest(s, j);
      out.push_back(pattern.GetSlotName(s) + ":" + (t->IsPositive() ? "" : "~") +
                    t->SlotValue()->GetToString() + "@" + std::to_string(t->MultiSlotSubIndex()) +
                    (t->Conjunction() ? "/and" : "/or"));
    }
  return out;
}

class PrinterTest : public ::testing::Test {
 protected:
  PrinterTest() {
    engine.SetReadsText(true);
    engine.AddTestFunctions();
  }

  // Parses `text` (ending with one defrule) and returns the last rule.
  TRule* Rule(const std::string& text) {
    engine.Parse(text);
    return engine.RuleAt(engine.RuleCount() - 1);
  }

  std::string RuleText(const std::string& text) { return RuleToRuleText(*Rule(text), Counter()); }

  // One conditional element read alone (its connectives are not rewritten).
  std::unique_ptr<TIEPattern> Pattern(const std::string& text) {
    Reader r(engine, text);
    TIEClipsParser::TVariables variables;
    return r->ParsePattern(0, variables);
  }

  std::string PatternText(const std::string& text) {
    return PatternToRuleText(*Pattern(text), Counter());
  }

  TestEngine engine;
};

// ================================================================ rules

using PrintRuleTest = PrinterTest;

TEST_F(PrintRuleTest, DefaultRulePrintsNoDeclareLine) {
  EXPECT_EQ(RuleText("(defrule r (a ?x) (b ?x) => (foo ?x) (bar))"),
            "(defrule r\r\n"
            "    (a ?x)\r\n"
            "    (b ?x)\r\n"
            "    =>\r\n"
            "    (foo ?x)\r\n"
            "    (bar))");
}

TEST_F(PrintRuleTest, DeclareLineListsSalienceEnabledAndOneShotInThatOrder) {
  EXPECT_EQ(RuleText("(defrule r (declare (oneshot TRUE) (enabled FALSE) (salience 5)) (a 1) => )"),
            "(defrule r\r\n"
            "    (declare (salience 5) (enabled FALSE) (oneshot TRUE))\r\n"
            "    (a 1)\r\n"
            "    =>\r\n"
            ")");
}

TEST_F(PrintRuleTest, DeclareLineShowsOnlyWhatDiffersFromTheDefaults) {
  EXPECT_EQ(RuleText("(defrule r (declare (salience -3)) (a 1) => )"),
            "(defrule r\r\n    (declare (salience -3))\r\n    (a 1)\r\n    =>\r\n)");
  EXPECT_EQ(RuleText("(defrule q (declare (oneshot TRUE)) (a 1) => )"),
            "(defrule q\r\n    (declare (oneshot TRUE))\r\n    (a 1)\r\n    =>\r\n)");
  // A computed salience prints as its current value.
  EXPECT_EQ(RuleText("(defrule s (declare (salience (+ 2 3))) (a 1) => )"),
            "(defrule s\r\n    (declare (salience 5))\r\n    (a 1)\r\n    =>\r\n)");
}

TEST_F(PrintRuleTest, CommentIsQuotedOnItsOwnLine) {
  EXPECT_EQ(RuleText("(defrule r \"does things\" (a 1) => (foo))"),
            "(defrule r\r\n    \"does things\"\r\n    (a 1)\r\n    =>\r\n    (foo))");
}

TEST_F(PrintRuleTest, CommentWithQuotesAndBackslashesReadsBack) {
  TRule* rule = Rule("(defrule r \"say \\\"hi\\\" \\\\ there\" (a 1) => )");
  ASSERT_EQ(rule->Comment(), "say \"hi\" \\ there");
  std::string text = RuleToRuleText(*rule, Counter());
  std::string head = "(defrule r\r\n    \"say \\\"hi\\\" \\\\ there\"\r\n";
  EXPECT_EQ(text.substr(0, head.size()), head);
  std::unique_ptr<TRule> again = engine.ParseRule(text);
  EXPECT_EQ(again->Comment(), rule->Comment());
}

TEST_F(PrintRuleTest, RulePartsPrintAlone) {
  TRule* rule = Rule("(defrule r ?f <- (a ?x) => (foo ?x) (retract ?f))");
  EXPECT_EQ(RulePartToRuleText(*rule, rcPattern, Counter()), "    ?f <- (a ?x)");
  EXPECT_EQ(RulePartToRuleText(*rule, rcAction, Counter()), "    (foo ?x)\r\n    (retract ?f)");
}

TEST_F(PrintRuleTest, GeneratedGoalAbsencePatternIsNotPrinted) {
  TRule* rule = Rule("(defrule r (need-a ?x) (b ?x) => )");
  ASSERT_EQ(rule->PatternCount(), 3);
  std::string bound = rule->Pattern(0)->BoundName();
  EXPECT_EQ(RulePartToRuleText(*rule, rcPattern, Counter()),
            "    ?" + bound + " <- (need-a ?x)\r\n    (b ?x)");
}

TEST_F(PrintRuleTest, MultiLineActionsAreIndented) {
  TRule* rule = Rule("(defrule r (a 1) => ; says hello\r\n (printout t hello))");
  EXPECT_EQ(RulePartToRuleText(*rule, rcAction, Counter()),
            "    ; says hello\r\n    (printout t hello)");
}

TEST_F(PrintRuleTest, RuleTextIsTheEnginesPrint) {
  TRule* rule = Rule("(defrule r (a ?x) => (foo ?x))");
  EXPECT_EQ(rule->GetToString(), engine.PrettyPrint(rule));
  EXPECT_EQ(rule->GetToString(), "(defrule r\r\n    (a ?x)\r\n    =>\r\n    (foo ?x))");
}

// ================================================================ patterns

using PrintPatternTest = PrinterTest;

TEST_F(PrintPatternTest, WrappersPrintInnermostFirst) {
  EXPECT_EQ(PatternText("(not (a 1))"), "(not (a 1))");
  EXPECT_EQ(PatternText("(exists (a 1))"), "(exists (a 1))");
  EXPECT_EQ(PatternText("(not (exists (a 1)))"), "(not (exists (a 1)))");
  EXPECT_EQ(PatternText("(not (not (exists (a 1))))"), "(not (not (exists (a 1))))");
  EXPECT_EQ(PatternText("(not (unique (explicit (a 1))))"), "(not (explicit (unique (a 1))))");
  EXPECT_EQ(PatternText("(a)"), "(a )");
}

TEST_F(PrintPatternTest, ConstraintTextRoundTrips) {
  std::unique_ptr<TIEPattern> first = Pattern("(a ?x&~red|blue)");
  std::string text = PatternToRuleText(*first, Counter());
  EXPECT_EQ(text, "(a ?x&~red|blue)");
  std::unique_ptr<TIEPattern> again = Pattern(text);
  EXPECT_EQ(Tests(*again), Tests(*first));
  EXPECT_EQ(Tests(*again), (Strings{"__Data:?x@0/and", "__Data:~red@0/and", "__Data:blue@0/or"}));
}

// nil prints as nothing in output, but rule text must say it: a lost nil
// would turn a constant test into a fresh variable that matches anything.
TEST_F(PrintPatternTest, NilConstantsAreWrittenAsNil) {
  engine.Parse("(deftemplate p (slot s) (multislot m))");
  EXPECT_EQ(PatternText("(p (s nil))"), "(p (s nil) )");
  EXPECT_EQ(PatternText("(p (s ?x&~nil))"), "(p (s ?x&~nil) )");
  EXPECT_EQ(PatternText("(a nil 1)"), "(a nil 1)");
}

TEST_F(PrintRuleTest, NilArgumentsAreWrittenAsNil) {
  EXPECT_EQ(RuleText("(defrule r (a ?x) => (foo ?x nil))"),
            "(defrule r\r\n"
            "    (a ?x)\r\n"
            "    =>\r\n"
            "    (foo ?x nil))");
}

TEST_F(PrintPatternTest, PositionsAreSeparatedByBlanks) {
  EXPECT_EQ(PatternText("(a 1 ?y&~2 $?z \"s\" 2.5)"), "(a 1 ?y&~2 $?z \"s\" 2.5000)");
}

TEST_F(PrintPatternTest, SlotsPrintInParenthesesWithPredicates) {
  engine.Parse("(deftemplate p (slot s) (multislot m))");
  EXPECT_EQ(PatternText("(p (s ?x&:(> ?x 1)) (m a ?))").substr(0, 32),
            "(p (m a ?_blank_1) (s ?x&:(> ?x ");
  EXPECT_EQ(PatternText("(p (s ?x&:(> ?x 1)))"), "(p (s ?x&:(> ?x 1)) )");
}

TEST_F(PrintPatternTest, ReturnValueConstraintPrintsAsItsPredicate) {
  engine.Parse("(deftemplate p (slot s))");
  std::unique_ptr<TIEPattern> first = Pattern("(p (s =(+ 1 2)))");
  std::string text = PatternToRuleText(*first, Counter());
  std::string var = Tests(*first)[0].substr(2, Tests(*first)[0].find('@') - 2);
  EXPECT_EQ(text, "(p (s " + var + "&:(eq* " + var + " (+ 1 2))) )");
  std::unique_ptr<TIEPattern> again = Pattern(text);
  EXPECT_EQ(Tests(*again), Tests(*first));
}

TEST_F(PrintPatternTest, TestElementPrintsItsCallAloneAndItsNegationAsNot) {
  EXPECT_EQ(PatternText("(test (> ?x 1))"), "(test (> ?x 1))");
  std::unique_ptr<TIEPattern> first = Pattern("(not (test (> ?x 1)))");
  std::string text = PatternToRuleText(*first, Counter());
  EXPECT_EQ(text, "(not (test (> ?x 1)))");
  std::unique_ptr<TIEPattern> again = Pattern(text);
  EXPECT_EQ(Tests(*again), Tests(*first));
}

TEST_F(PrintPatternTest, BoundNameComesBeforeEverything) {
  std::unique_ptr<TIEPattern> p = Pattern("(exists (unique (a 1)))");
  p->SetBoundName("g");
  p->SetComment("note");
  EXPECT_EQ(PatternToRuleText(*p, Counter()), "; note\r\n?g <- (exists (unique (a 1)))");
}

TEST_F(PrintPatternTest, CommentLinesComeFirst) {
  std::unique_ptr<TIEPattern> p = Pattern("(a 1)");
  p->SetComment("first line\r\n  ; second line  \r\n\r\n");
  EXPECT_EQ(PatternToRuleText(*p, Counter()), "; first line\r\n; second line\r\n(a 1)");
}

TEST_F(PrintPatternTest, PatternWithoutTemplateIsAnError) {
  TIEPattern loose(nullptr, "a", nullptr, 0);
  try {
    (void)PatternToRuleText(loose, Counter());
    ADD_FAILURE() << "no error raised";
  } catch (const EIEException& e) {
    EXPECT_EQ(std::string(e.what()), SNoTemplate);
  }
}

// ================================================================ calls, functions, globals

using PrintCallTest = PrinterTest;

TEST_F(PrintCallTest, ModifyPrintsPairsInParenthesesAndAssertItsFacts) {
  // A pair's value list prints with a blank after every value.
  Reader modify(engine, "(modify ?f (x 1) (y a b))");
  EXPECT_EQ(modify->ParseFunCall()->GetToString(), "(modify ?f (x 1 ) (y a b  ))");
  Reader assert_facts(engine, "(assert (a 1) (b x))");
  EXPECT_EQ(assert_facts->ParseFunCall()->GetToString(), "(assert (a 1 ) (b x ))");
}

TEST_F(PrintCallTest, GlobalsPrintAsOneDefglobal) {
  engine.Parse("(defglobal ?*x* = 3 ?*y* = (+ 1 2) ?*s* = \"hi\")");
  EXPECT_EQ(GlobalsToRuleText(engine.Globals()),
            "(defglobal ?*x* = 3 ?*y* = (+ 1 2) ?*s* = \"hi\")");
  EXPECT_EQ(GlobalToRuleText("*x*", engine.Globals().Get("*x*")), "(defglobal ?*x* = 3)");
}

TEST_F(PrintCallTest, DeffunctionPrintsParametersAndBody) {
  engine.Parse("(deffunction f (?a $?b) \"adds one\" (+ ?a 1) ?a)");
  auto* f = dynamic_cast<IInterpretedFunction*>(engine.GetUserFunction("f"));
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(InterpretedFunctionToRuleText(*f),
            "(deffunction f \"adds one\" (?a $?b)\r\n    (+ ?a 1)\r\n    ?a)");
}

TEST_F(PrintCallTest, DeffunctionCommentWithQuotesReadsBack) {
  engine.Parse("(deffunction f () \"a \\\"quoted\\\" word\" 1)");
  auto* f = dynamic_cast<IInterpretedFunction*>(engine.GetUserFunction("f"));
  ASSERT_NE(f, nullptr);
  std::string text = InterpretedFunctionToRuleText(*f);
  EXPECT_EQ(text, "(deffunction f \"a \\\"quoted\\\" word\" ()\r\n    1)");
  TestEngine other;
  other.Parse(text);
  EXPECT_EQ(other.GetUserFunction("f")->GetComment(), "a \"quoted\" word");
}

TEST_F(PrintCallTest, FunctionHelpListsCommentAndSyntax) {
  engine.Parse("(deffunction f (?a $?b) \"adds one\r\nto a\" (+ ?a 1))");
  IUserFunction* f = engine.GetUserFunction("f");
  EXPECT_EQ(UserFunctionHelp(*f, "  "),
            "  ;; adds one\r\n  ;; to a\r\n  ;; (f" + f->GetArgumentString() + ") function");
}

TEST_F(PrintCallTest, PointListPrintsEachPointInParentheses) {
  Reader r(engine, "(f ((1 0) (2.5 ?y)))");
  Ref<IFunCall> call = r->ParseFunCall();
  ISingletonsVector* points = call->GetArgument(0)->GetAsSingletons();
  ASSERT_NE(points, nullptr);
  EXPECT_EQ(SingletonsToRuleText(*points), "((1 0)(2.5000 ?y))");
}

// ================================================================ round trips

// Prints every construct of `engine` that `names` lists, in reading order.
struct Knowledge {
  Strings types, templates, functions;
};

std::string PrintAll(TestEngine& engine, const Knowledge& k) {
  std::string out;
  for (const std::string& name : k.types) {
    auto* type = dynamic_cast<TIEDefinedType*>(engine.FindDefinedType(name));
    out += type ? DefinedTypeToRuleText(*type) : "<missing type " + name + ">";
    out += "\r\n";
  }
  for (const std::string& name : k.templates) {
    IFactTemplate* tmpl = engine.FindFactTemplate(name);
    out += tmpl ? TemplateToRuleText(*tmpl) : "<missing template " + name + ">";
    out += "\r\n";
  }
  for (TFactSet* set : engine.FactSets())
    out += FactSetToRuleText(*set) + "\r\n";
  for (const std::string& name : k.functions) {
    auto* f = dynamic_cast<IInterpretedFunction*>(engine.GetUserFunction(name));
    out += f ? InterpretedFunctionToRuleText(*f) : "<missing function " + name + ">";
    out += "\r\n";
  }
  if (engine.Globals().Count() > 0) out += GlobalsToRuleText(engine.Globals()) + "\r\n";
  auto generate = Counter();
  for (int i = 0; i < engine.RuleCount(); ++i)
    out += RuleToRuleText(*engine.RuleAt(i), generate) + "\r\n";
  return out;
}

// Parses `text`, prints it, parses the print into a fresh engine and prints
// again; returns both prints.
std::pair<std::string, std::string> RoundTrip(const std::string& text, const Knowledge& k) {
  TestEngine first;
  first.SetReadsText(true);
  first.AddTestFunctions();
  first.Parse(text);
  std::string printed = PrintAll(first, k);
  TestEngine second;
  second.SetReadsText(true);
  second.AddTestFunctions();
  second.Parse(printed);
  return {printed, PrintAll(second, k)};
}

TEST(PrintRoundTripTest, Templates) {
  auto [once, twice] = RoundTrip(
      "(deftype colour (extends (type SYMBOL)) (allowed-symbols red green))"
      "(deftemplate point \"a point\" (slot x (type INTEGER) (default 1)) (slot y (type FLOAT))"
      " (multislot tags (type SYMBOL STRING) (default a \"b\")))"
      "(deftemplate bounded (slot n (type INTEGER) (range 1 10) (units cm))"
      " (slot c (type colour)) (slot d (type colour) (allowed-symbols blue))"
      " (multislot m (cardinality 1 3)) (slot late (default-dynamic (+ 1 2))) (slot any))"
      "(deftemplate child extends point (slot z))"
      "(deftemplate shade is-a colour)",
      {{"colour"}, {"point", "bounded", "child", "shade"}, {}});
  EXPECT_EQ(twice, once);
  EXPECT_NE(once.find("(deftemplate bounded"), std::string::npos) << once;
}

TEST(PrintRoundTripTest, DefinedTypes) {
  auto [once, twice] = RoundTrip(
      "(deftype age \"years \\\"lived\\\"\" (extends (type INTEGER)) (range 0 150) (units years))"
      "(deftype adult (extends (type age)) (range 18 150))"
      "(deftype pick (extends (type SYMBOL INTEGER FLOAT STRING)) (cardinality 1 3)"
      " (allowed-symbols a b) (allowed-integers 1 2) (allowed-floats 0.5) (allowed-strings \"s\"))"
      "(deftype open (extends (type NUMBER)) (range ?VARIABLE 10))",
      {{"age", "adult", "pick", "open"}, {}, {}});
  EXPECT_EQ(twice, once);
  EXPECT_NE(once.find("(deftype pick"), std::string::npos) << once;
}

TEST(PrintRoundTripTest, FactSetsFunctionsAndGlobals) {
  auto [once, twice] = RoundTrip(
      "(deftemplate p (slot x) (multislot m))"
      "(deffacts start \"first facts\" (p (x 1) (m a b)) (q 1 two \"three\") (r))"
      "(deffunction add1 \"adds one\" (?a $?rest) (+ ?a 1) ?a)"
      "(deffunction none () x)"
      "(defglobal ?*x* = 3 ?*y* = (+ 1 2) ?*s* = \"hi\" ?*f* = 1.5)",
      {{}, {"p"}, {"add1", "none"}});
  EXPECT_EQ(twice, once);
  EXPECT_NE(once.find("(deffacts start"), std::string::npos) << once;
}

TEST(PrintRoundTripTest, Rules) {
  auto [once, twice] = RoundTrip(
      "(deftemplate p (slot s) (multislot m))"
      "(defrule plain (a ?x) (b ?x ?y) => (foo ?x) (assert (c ?y)))"
      "(defrule declared \"with a comment\" (declare (salience 5) (oneshot TRUE) (enabled FALSE))"
      " ?f <- (p (s ?s&~red|blue) (m ?first ?)) (not (q ?s)) (exists (r))"
      " (not (exists (t ?s))) (test (neq ?s green)) (not (test (eq ?s yellow)))"
      " => (modify ?f (s done) (m a b)) (printout t = ?first))"
      "(defrule negated-first (not (a)) (unique (explicit (b 1))) => )"
      "(defrule returned (p (s =(+ 1 2))) (a $?all) => (?all 1))"
      "(defrule goal (need-a ?x) => (assert (a ?x)))",
      {{}, {"p"}, {}});
  EXPECT_EQ(twice, once);
  EXPECT_NE(once.find("(defrule goal"), std::string::npos) << once;
}

}  // namespace
}  // namespace rulecore
