// rulecore: an embeddable expert-system shell.
// Tests of the rule-language parser: the top-level loop and its error handling, the constructs
// and their messages, calls, values, facts and the conditional elements of rules.
#include "language/clips_parser.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/defined_type.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "facts/fact_set.h"
#include "facts/fact_template.h"
#include "facts/pattern.h"
#include "functions/interpreted_function.h"
#include "language/parse_exception.h"
#include "platform/format.h"
#include "platform/streams.h"
#include "rete/rule.h"
#include "support/parse_helpers.h"
#include "support/test_engine.h"

namespace rulecore {
namespace {

// ---------------------------------------------------------------- helpers

// An engine that reads text, with the test functions.
class ParserTest : public ::testing::Test {
 protected:
  ParserTest() {
    engine.SetReadsText(true);
    engine.AddTestFunctions();
  }

  IFactTemplate* Template(const std::string& name) { return engine.FindFactTemplate(name); }
  IFactSlot* Slot(const std::string& tmpl, const std::string& slot) {
    IFactTemplate* t = Template(tmpl);
    return t ? t->GetSlot(slot) : nullptr;
  }
  TIEDefinedType* Type(const std::string& name) {
    return dynamic_cast<TIEDefinedType*>(engine.FindDefinedType(name));
  }

  TestEngine engine;
};

// The tests of `slot` in `pattern`, as "[~]value@position/and|or" entries.
std::vector<std::string> Tests(const TIEPattern& pattern, const std::string& slot) {
  std::vector<std::string> out;
  int s = pattern.IndexOfSlotName(slot);
  if (s < 0) return out;
  for (int j = 0; j < pattern.GetSlotTestCount(s); ++j) {
    TIEPatternMatchTest* t = pattern.GetSlotTest(s, j);
    out.push_back((t->IsPositive() ? "" : "~") + t->SlotValue()->GetToString() + "@" +
                  std::to_string(t->MultiSlotSubIndex()) + (t->Conjunction() ? "/and" : "/or"));
  }
  return out;
}

using Strings = std::vector<std::string>;

// ================================================================ the top level

using ParserTopLevelTest = ParserTest;

TEST_F(ParserTopLevelTest, EmptyStreamReportsEndOnceAndReturnsFalse) {
  Reader r(engine, "");
  std::vector<TParsedType> reported;
  r->OnParse = [&](TObject*, TParsedType type, TObject*, IInterface*) { reported.push_back(type); };
  EXPECT_FALSE(r->ParseExpression(true));
  EXPECT_EQ(reported, std::vector<TParsedType>{ptEOF});
}

TEST_F(ParserTopLevelTest, ParseOfEmptyOrBlankStreamReturnsQuietly) {
  EXPECT_NO_THROW(engine.Parse(""));
  EXPECT_NO_THROW(engine.Parse("  \r\n ; only a comment\r\n"));
  EXPECT_EQ(engine.Output(), "");
  EXPECT_EQ(engine.RuleCount(), 0);
}

TEST_F(ParserTopLevelTest, StringsAndStrayParensAreUnexpectedSymbols) {
  EXPECT_EQ(ParseFailure([&] { engine.Parse("\"abc\""); }),
            ParseErrorText(Format(SExpectedParenConstVar, {"\"abc\""}), "GetConstructType", 1,
                           "\"abc\" "));
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(+ 1 2)\r\n)"); }),
            ParseErrorText(Format(SExpectedParenConstVar, {")"}), "GetConstructType", 2, "\r\n) "));
  // The call before it was run and echoed.
  EXPECT_EQ(engine.Output(), "3\r\n");
}

TEST_F(ParserTopLevelTest, ValuesGlobalsAndCallResultsAreEchoedWithLineBreaks) {
  engine.Parse("abc 12 -3 1.5 (defglobal ?*x* = 3) ?*x* (+ 1 2) (+ 40 (+ 1 1))");
  EXPECT_EQ(engine.Output(), "abc\r\n12\r\n-3\r\n1.5000\r\n3\r\n3\r\n42\r\n");
}

TEST_F(ParserTopLevelTest, UnexecutedCallIsReportedAsACallValue) {
  Reader r(engine, "(+ 1 2)");
  std::vector<TParsedType> reported;
  std::string text;
  r->OnParse = [&](TObject*, TParsedType type, TObject*, IInterface* intf) {
    reported.push_back(type);
    auto* value = dynamic_cast<IIEValue*>(intf);
    if (type == ptFunCall && value) text = value->GetToString();
  };
  r->Parse(false);
  EXPECT_EQ(reported, (std::vector<TParsedType>{ptFunCall, ptEOF}));
  EXPECT_EQ(text, "(+ 1 2)");
}

TEST_F(ParserTopLevelTest, ConstructsAreRegisteredAndReportedAsNone) {
  Reader r(engine,
           "(deftemplate t (slot a)) (defrule r (t) => ) (deffacts f (t (a 1)))"
           " (deffunction g () 1) (defglobal ?*g* = 1) (deftype d (extends (type INTEGER)))");
  std::vector<TParsedType> reported;
  std::vector<bool> objects;
  r->OnParse = [&](TObject*, TParsedType type, TObject* object, IInterface*) {
    reported.push_back(type);
    objects.push_back(object != nullptr);
  };
  r->Parse(true);
  EXPECT_EQ(reported,
            (std::vector<TParsedType>{ptNone, ptNone, ptNone, ptNone, ptNone, ptNone, ptEOF}));
  // The rule and the fact set are handed to the event as objects.
  EXPECT_EQ(objects, (std::vector<bool>{false, true, true, false, false, false, false}));
  EXPECT_EQ(engine.Output(), "");
  EXPECT_NE(Template("t"), nullptr);
  ASSERT_EQ(engine.RuleCount(), 1);
  EXPECT_EQ(engine.RuleAt(0)->RuleName(), "r");
  ASSERT_EQ(engine.FactSets().size(), 1u);
  EXPECT_EQ(engine.FactSets()[0]->FactSetName(), "f");
  EXPECT_TRUE(engine.ContainsUserFunction("g"));
  EXPECT_NE(engine.Globals().Get("*g*"), nullptr);
  EXPECT_NE(Type("d"), nullptr);
}

TEST_F(ParserTopLevelTest, FirstErrorPassesUnchangedInImmediateMode) {
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(defrule a (x))\r\n(defrule b (y) => )"); }),
            ParseErrorText(SExpectedEqGT, "ParseRule", 1, "( defrule a ( x ) ) "));
  EXPECT_EQ(engine.RuleCount(), 0);
}

TEST_F(ParserTopLevelTest, CollectingModeRaisesAllErrorsTogether) {
  Reader r(engine, "(defrule a (x))\r\n(defrule b (y))\r\n(defrule ok (z) => )\r\n(defrule c)");
  r->SetErrorHandling(ehRaiseAllAtEnd);
  std::string first = ParseErrorText(SExpectedEqGT, "ParseRule", 1, "( defrule a ( x ) ) ");
  std::string second = ParseErrorText(SExpectedEqGT, "ParseRule", 2, "( defrule b ( y ) ) ");
  std::string third = ParseErrorText(SExpectedEqGT, "ParseRule", 4, "( defrule c ) ");
  try {
    r->Parse(false);
    ADD_FAILURE() << "no error raised";
  } catch (const EIEParseException& e) {
    EXPECT_EQ(std::string(e.what()),
              Format(SMultipleParseError, {first + "\r\n" + second + "\r\n" + third + "\r\n"}));
    EXPECT_EQ(e.Messages(), (Strings{first, second, third}));
  }
  // Parsing went on after each error: the good rule is there.
  ASSERT_EQ(engine.RuleCount(), 1);
  EXPECT_EQ(engine.RuleAt(0)->RuleName(), "ok");
}

TEST_F(ParserTopLevelTest, CollectingModeStopsAfterMoreThanMaxErrors) {
  {
    Reader r(engine, "(defrule a (x)) (defrule ok (z) => ) (defrule b (y))");
    r->SetErrorHandling(ehRaiseAllAtEnd);
    r->SetMaxErrors(0);
    EXPECT_EQ(ParseFailure([&] { r->Parse(true); }),
              ParseErrorText(SExpectedEqGT, "ParseRule", 1, "( defrule a ( x ) ) ") + "\r\n");
    EXPECT_EQ(engine.RuleCount(), 0);
  }
  {
    Reader r(engine, "(defrule a (x)) (defrule b (y)) (defrule c (z)) (defrule ok (z) => )");
    r->SetErrorHandling(ehRaiseAllAtEnd);
    r->SetMaxErrors(1);
    try {
      r->Parse(true);
      ADD_FAILURE() << "no error raised";
    } catch (const EIEParseException& e) {
      EXPECT_EQ(e.Messages().size(), 2u);
    }
    EXPECT_EQ(engine.RuleCount(), 0);
  }
}

TEST_F(ParserTopLevelTest, CollectingModeRaisesASingleErrorAloneAndNoneQuietly) {
  {
    Reader r(engine, "(defrule ok (z) => ) (defrule a (x))");
    r->SetErrorHandling(ehRaiseAllAtEnd);
    EXPECT_EQ(ParseFailure([&] { r->Parse(true); }),
              ParseErrorText(SExpectedEqGT, "ParseRule", 1, "( defrule a ( x ) ) ") + "\r\n");
    EXPECT_EQ(engine.RuleCount(), 1);
  }
  {
    Reader r(engine, "(defrule ok (z) => ) (+ 2 2)");
    r->SetErrorHandling(ehRaiseAllAtEnd);
    EXPECT_NO_THROW(r->Parse(true));
    EXPECT_EQ(engine.Output(), "4\r\n");
  }
}

TEST_F(ParserTopLevelTest, CollectingModeRecordsFailedCallsUnderParse) {
  Reader r(engine, "(nosuch 1) (+ 1 2)");
  r->SetErrorHandling(ehRaiseAllAtEnd);
  EXPECT_EQ(
      ParseFailure([&] { r->Parse(false); }),
      ParseErrorText(Format(SNoSuchFunction, {"nosuch"}), "Parse", 1, "( nosuch 1 ) ") + "\r\n");
  // Calls are always executed while errors are collected.
  EXPECT_EQ(engine.Output(), "3\r\n");
}

// A rule "(defrule <name> (a) ... (a))" with `patterns` patterns and no
// arrow, and the echo of its tokens up to the error.
std::pair<std::string, std::string> RuleWithoutArrow(const std::string& name, int patterns) {
  std::string text = "(defrule " + name;
  std::string echo = "( defrule " + name + " ";
  for (int i = 0; i < patterns; ++i) {
    text += " (a)";
    echo += "( a ) ";
  }
  return {text + ")", echo + ") "};
}

TEST_F(ParserTopLevelTest, EchoIsShortenedToBothEndsAbove255Characters) {
  {
    auto [text, echo] = RuleWithoutArrow("abcdefgh", 39);
    ASSERT_EQ(echo.size(), 255u);
    EXPECT_EQ(ParseFailure([&] { engine.Parse(text); }),
              ParseErrorText(SExpectedEqGT, "ParseRule", 1, echo));
  }
  {
    auto [text, echo] = RuleWithoutArrow("abcdefghi", 39);
    ASSERT_EQ(echo.size(), 256u);
    EXPECT_EQ(ParseFailure([&] { engine.Parse(text); }),
              ParseErrorText(SExpectedEqGT, "ParseRule", 1,
                             echo.substr(0, 128) + "... \r\n" + echo.substr(256 - 128)));
  }
}

TEST_F(ParserTopLevelTest, ParseErrorCarriesTheLineNumber) {
  try {
    engine.Parse("(defrule r\r\n  (a)\r\n  (b) x)");
    ADD_FAILURE() << "no error raised";
  } catch (const EIEParseException& e) {
    EXPECT_EQ(e.LineNumber(), 3);
    EXPECT_EQ(std::string(e.what()),
              ParseErrorText(SExpectedEqGT, "ParseRule", 3, "( defrule r ( a ) ( b ) x "));
  }
}

TEST_F(ParserTopLevelTest, LoadFactsAssertsEveryFact) {
  Reader r(engine, "(a 1) (b x y)\r\n(a 2)");
  EXPECT_TRUE(r->LoadFacts());
  ASSERT_EQ(engine.Facts().size(), 3u);
  EXPECT_EQ(engine.Facts()[1]->GetToString(), "(b x y )");
}

TEST_F(ParserTopLevelTest, SlotFunctionsStartWithFactAndPairFunctionsAndKeepPositionsInOrder) {
  {
    Reader r(engine, "");
    std::vector<std::string> names;
    for (const TSlotFunction& f : r->SlotFunctions())
      names.push_back(f.name + " " + std::to_string(f.first) + " " + std::to_string(f.last));
    EXPECT_EQ(names, (Strings{"assert 0 65535", "fuzzy-assert 0 65535",
                              "fuzzy-assert-unconditional 0 65535", "modify 1 65535",
                              "duplicate 1 65535"}));
  }
  {
    Reader r(engine, "");
    r->AddSlotFunction("one", 3, 1);
    r->AddSlotFunction("two", 0, 0);
    const TSlotFunction& one = r->SlotFunctions()[5];
    const TSlotFunction& two = r->SlotFunctions()[6];
    EXPECT_EQ(one.first, 3);
    EXPECT_EQ(one.last, 3);
    EXPECT_EQ(two.first, 0);
    EXPECT_EQ(two.last, 1);
  }
}

TEST_F(ParserTopLevelTest, AddedSlotFunctionReadsPairsAtItsPositions) {
  Reader r(engine, "(update a (b 1) (c 2) (d 3))");
  r->AddSlotFunction("update", 2, 3);
  Ref<IFunCall> call = r->ParseFunCall();
  ASSERT_EQ(call->GetArgumentCount(), 4);
  EXPECT_EQ(call->GetArgument(1)->GetDType(), dtList);
  EXPECT_EQ(call->GetArgument(2)->GetDType(), dtList);
  EXPECT_EQ(call->GetArgument(3)->GetDType(), dtFunCall);
}

TEST_F(ParserTopLevelTest, EventsSeeEveryPartAsItIsParsed) {
  Reader r(engine,
           "(deftemplate p (slot x)) (deftype d (extends (type INTEGER)))"
           " (defglobal ?*a* = 1 ?*b* = x) (deffunction f () (g (h)))"
           " (deffacts s (p (x 1)) (q 2))"
           " (defrule r (p (x ?x)) (not (q ?x)) => (assert (q ?x)))");
  Strings seen;
  r->OnParseFactTemplate = [&](TObject*, IFactTemplate* t) {
    seen.push_back("template " + t->GetTemplateName());
  };
  r->OnParseDefinedType = [&](TObject*, IIEDefinedType* t) {
    seen.push_back("type " + t->GetName());
  };
  r->OnParseVariable = [&](TObject*, const std::string& name, IIEValue* v) {
    seen.push_back("global " + name + "=" + v->GetToString());
  };
  r->OnParseFunction = [&](TObject*, IUserFunction* f) {
    seen.push_back("function " + f->GetFunctionName());
  };
  r->OnParseFunCall = [&](TObject*, IFunCall* c) { seen.push_back("call " + c->GetName()); };
  r->OnParseFact = [&](TObject*, IFact* f) { seen.push_back("fact " + f->GetToString()); };
  r->OnParseFactSet = [&](TObject*, TFactSet* s) { seen.push_back("facts " + s->FactSetName()); };
  r->OnParsePattern = [&](TObject*, TIEPattern* p) { seen.push_back("pattern " + p->Name()); };
  r->OnParseRule = [&](TObject*, TRule* rule) {
    seen.push_back("rule " + rule->RuleName() + " " + std::to_string(rule->PatternCount()) + " " +
                   std::to_string(rule->ActionCount()));
  };
  r->Parse(false);
  // Inner parts come before what holds them; "not" raises no event of its own.
  EXPECT_EQ(seen, (Strings{"template p", "type d", "global *a*=1", "global *b*=x", "call h",
                           "call g", "function f", "fact (p (x 1))", "fact (q 2 )", "facts s",
                           "pattern p", "pattern q", "fact (q ?x )", "call assert", "rule r 2 1"}));
}

TEST_F(ParserTopLevelTest, GeneratedVariablesAvoidTakenNames) {
  EXPECT_EQ(TIEClipsParser::GenerateVarName(0, "v", "x"), "vx");
  EXPECT_EQ(TIEClipsParser::GenerateVarName(2, "v", "x"), "vx2");
  EXPECT_EQ(TIEClipsParser::GenerateVarName(0, "v", ""), "v");
  Reader r(engine, "");
  TIEClipsParser::TVariables taken{{"vx", dtVariable}, {"vx1", dtVariable}};
  EXPECT_EQ(r->GenerateVariable(taken, "v", "x")->GetToString(), "?vx2");
}

// ================================================================ defrule

using ParseRuleTest = ParserTest;

TEST_F(ParseRuleTest, DeclareSetsSalienceAndOneShot) {
  engine.Parse("(defrule r (declare (salience 10) (oneshot TRUE)) (a) => (printout t x))");
  ASSERT_EQ(engine.RuleCount(), 1);
  TRule* rule = engine.RuleAt(0);
  EXPECT_EQ(rule->RuleName(), "r");
  EXPECT_EQ(rule->Salience(), 10);
  EXPECT_TRUE(rule->OneShot());
  EXPECT_TRUE(rule->Enabled());
  ASSERT_EQ(rule->PatternCount(), 1);
  EXPECT_EQ(rule->Pattern(0)->Name(), "a");
  ASSERT_EQ(rule->ActionCount(), 1);
  EXPECT_EQ(rule->Action(0)->GetToString(), "(printout t x)");
}

TEST_F(ParseRuleTest, OnlyUpperCaseTrueSetsAFlag) {
  engine.Parse("(defrule r (declare (oneshot true)) (a) => )");
  EXPECT_FALSE(engine.RuleAt(0)->OneShot());
  engine.Parse("(defrule s (declare (enabled FALSE)) (a) => )");
  EXPECT_FALSE(engine.RuleAt(1)->Enabled());
  engine.Parse("(defrule t (declare (enabled TRUE) (oneshot (eq 1 1))) (a) => )");
  EXPECT_TRUE(engine.RuleAt(2)->Enabled());
  EXPECT_TRUE(engine.RuleAt(2)->OneShot());
}

TEST_F(ParseRuleTest, SalienceMayBeACallOrAGlobal) {
  engine.Parse(
      "(defglobal ?*s* = 7)"
      "(defrule r (declare (salience (+ 2 3))) (a) => )"
      "(defrule q (declare (salience ?*s*)) (a) => )");
  EXPECT_EQ(engine.RuleAt(0)->Salience(), 5);
  EXPECT_EQ(engine.RuleAt(0)->SalienceValue()->GetDType(), dtFunCall);
  EXPECT_EQ(engine.RuleAt(1)->Salience(), 7);
  EXPECT_EQ(engine.RuleAt(1)->SalienceValue()->GetToString(), "?*s*");
}

TEST_F(ParseRuleTest, CommentIsKeptAndPatternsAndActionsMayBeMissing) {
  engine.Parse("(defrule r \"does things\" (a) => )");
  EXPECT_EQ(engine.RuleAt(0)->Comment(), "does things");
  engine.Parse("(defrule r => )");
  ASSERT_EQ(engine.RuleCount(), 1);
  // Compiling the rule gives it the initial-fact pattern, so that it matches once.
  ASSERT_EQ(engine.RuleAt(0)->PatternCount(), 1);
  EXPECT_EQ(engine.RuleAt(0)->Pattern(0)->Name(), SInitialFactPattern);
  EXPECT_EQ(engine.RuleAt(0)->ActionCount(), 0);
}

TEST_F(ParseRuleTest, MissingArrowOrCloseParenIsAnError) {
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(defrule r (a) x)"); }),
            ParseErrorText(SExpectedEqGT, "ParseRule", 1, "( defrule r ( a ) x "));
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(defrule r (a) = (b))"); }),
            ParseErrorText(SExpectedEqGT, "ParseRule", 1, "( defrule r ( a ) = ( "));
  EXPECT_EQ(engine.RuleCount(), 0);
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(defrule r (a) => (b) x)"); }),
            ParseErrorText(SMissingCloseParens, "ParseRule", 1, "( defrule r ( a ) = > ( b ) x "));
  EXPECT_EQ(engine.RuleCount(), 0);
}

TEST_F(ParseRuleTest, HeaderErrors) {
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(defrule (a) => )"); }),
            ParseErrorText(SMissingName, "ParseRule", 1, "( defrule ( "));
  EXPECT_EQ(ParseFailure([&] { (void)engine.ParseRule("(defrul r => )"); }),
            ParseErrorText(SExpectedDefRule, "ParseRule", 1, "( defrul "));
}

TEST_F(ParseRuleTest, DeclareErrors) {
  EXPECT_EQ(
      ParseFailure([&] { engine.Parse("(defrule r (declare (priority 1)) (a) => )"); }),
      ParseErrorText(SExpectedRuleProperty, "ParseRule", 1, "( defrule r ( declare ( priority "));
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(defrule r (declare (salience abc)) (a) => )"); }),
            ParseErrorText(Format(SExpectedIntVarFun, {"salience"}), "ParseRule", 1,
                           "( defrule r ( declare ( salience abc "));
  EXPECT_EQ(
      ParseFailure([&] { engine.Parse("(defrule r (declare (salience 1 2)) (a) => )"); }),
      ParseErrorText(SMissingCloseParens, "ParseRule", 1, "( defrule r ( declare ( salience 1 2 "));
}

// ================================================================ deftemplate

using ParseTemplateTest = ParserTest;

TEST_F(ParseTemplateTest, SlotsWithTypeAndDefault) {
  engine.Parse("(deftemplate p \"a point\" (slot x (type INTEGER) (default 1)) (multislot y))");
  IFactTemplate* p = Template("p");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->GetComment(), "a point");
  EXPECT_EQ(p->GetSlotCount(), 2);
  EXPECT_FALSE(p->IsOrdered());
  IFactSlot* x = Slot("p", "x");
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(x->GetSlotType(), TIETypes{dtInteger});
  EXPECT_EQ(x->GetSlotDefault()->GetDType(), dtInteger);
  EXPECT_EQ(x->GetSlotDefault()->GetAsInteger(), 1);
  IFactSlot* y = Slot("p", "y");
  ASSERT_NE(y, nullptr);
  EXPECT_TRUE(y->GetSlotType().Contains(dtMultiSlot));
  engine.Parse("(deftemplate p (field x))");
  ASSERT_NE(Slot("p", "x"), nullptr);
  EXPECT_FALSE(Slot("p", "x")->GetSlotType().Contains(dtMultiSlot));
}

TEST_F(ParseTemplateTest, FacetKeywordsIgnoreCaseButSlotKindsDoNot) {
  engine.Parse("(deftemplate p (slot x (TYPE INTEGER) (Default 4)))");
  EXPECT_EQ(Slot("p", "x")->GetSlotType(), TIETypes{dtInteger});
  EXPECT_EQ(Slot("p", "x")->GetSlotDefault()->GetAsInteger(), 4);
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(deftemplate q (SLOT x))"); }),
            ParseErrorText(Format(SInvalidSlotType, {"SLOT"}), "ParseFactTemplateSlot", 1,
                           "( deftemplate q ( SLOT "));
  EXPECT_EQ(Template("q"), nullptr);
}

TEST_F(ParseTemplateTest, UnknownTypeWordsAndFuzzyMixesAreRefused) {
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(deftemplate q (slot s (type FUZZY INTEGER)))"); }),
            ParseErrorText(SCannotMixFuzzy, "ParseSlotTypes", 1,
                           "( deftemplate q ( slot s ( type FUZZY INTEGER "));
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(deftemplate q (slot s (type WORD)))"); }),
            ParseErrorText(Format(SInvalidSlotType, {"WORD"}), "ParseSlotTypes", 1,
                           "( deftemplate q ( slot s ( type WORD "));
}

TEST_F(ParseTemplateTest, TypeKeywordsAddTheirKinds) {
  engine.Parse(
      "(deftemplate k (slot a (type LEXEME)) (slot b (type NUMBER)) (slot c (type ?VARIABLE))"
      " (slot d (type SYMBOL STRING FLOAT)) (multislot e (type INTEGER)))");
  EXPECT_EQ(Slot("k", "a")->GetSlotType(), (TIETypes{dtAtom, dtString}));
  EXPECT_EQ(Slot("k", "b")->GetSlotType(), (TIETypes{dtInteger, dtFloat}));
  EXPECT_EQ(Slot("k", "c")->GetSlotType(), IESlotTypes);
  EXPECT_EQ(Slot("k", "d")->GetSlotType(), (TIETypes{dtAtom, dtString, dtFloat}));
  EXPECT_EQ(Slot("k", "e")->GetSlotType(), (TIETypes{dtInteger} | IEMultiSlotTypes));
}

TEST_F(ParseTemplateTest, HeaderClauseErrors) {
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(deftemplate c is-a unknowntype)"); }),
            ParseErrorText(Format(SUnknownTypeName, {"unknowntype"}), "ParseFactTemplate", 1,
                           "( deftemplate c is-a unknowntype "));
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(deftemplate c inherits base)"); }),
            ParseErrorText(SExpectedExtends, "ParseFactTemplate", 1, "( deftemplate c inherits "));
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(deftemplate c extends (slot a))"); }),
            ParseErrorText(SMissingParentTemplateName, "ParseFactTemplate", 1,
                           "( deftemplate c extends ( "));
}

TEST_F(ParseTemplateTest, IsAMakesAnOrderedTemplateOfTheType) {
  engine.Parse("(deftype age (extends (type INTEGER))) (deftemplate c is-a age)");
  IFactTemplate* c = Template("c");
  ASSERT_NE(c, nullptr);
  EXPECT_TRUE(c->IsOrdered());
  EXPECT_EQ(c->GetSlot(SDefaultSlotName)->GetExtendedTypeInfo(), engine.FindDefinedType("age"));
}

TEST_F(ParseTemplateTest, ExtendsCopiesTheParentsSlots) {
  engine.Parse("(deftemplate base (slot a)) (deftemplate child extends base (slot b))");
  IFactTemplate* child = Template("child");
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->GetParent(), Template("base"));
  EXPECT_NE(child->GetSlot("a"), nullptr);
  EXPECT_NE(child->GetSlot("b"), nullptr);
}

TEST_F(ParseTemplateTest, SlotFacetErrors) {
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(deftemplate p (slot x (colour red)))"); }),
            ParseErrorText(Format(SInvalidSlotQualifier, {"colour"}), "ParseFactTemplateSlot", 1,
                           "( deftemplate p ( slot x ( colour "));
  EXPECT_EQ(
      ParseFailure([&] { engine.Parse("(deftemplate p (slot x y))"); }),
      ParseErrorText(SMissingCloseParens, "ParseFactTemplate", 1, "( deftemplate p ( slot x y "));
}

TEST_F(ParseTemplateTest, DefaultsAreResolvedConvertedOrKeptDynamic) {
  {
    engine.Parse(
        "(deftemplate p (slot now (default (+ 1 2))) (slot later (default-dynamic (+ 1 2))))");
    IFactSlot* now = Slot("p", "now");
    EXPECT_EQ(now->GetSlotDefault()->GetToString(), "3");
    EXPECT_FALSE(now->GetDefaultDynamic());
    IFactSlot* later = Slot("p", "later");
    EXPECT_EQ(later->GetSlotDefault()->GetDType(), dtFunCall);
    EXPECT_EQ(later->GetSlotDefault()->GetToString(), "(+ 1 2)");
    EXPECT_TRUE(later->GetDefaultDynamic());
  }
  {
    engine.Parse("(deftemplate p (multislot m (default a b 3)))");
    IIEValue* d = Slot("p", "m")->GetSlotDefault();
    ASSERT_EQ(d->GetDType(), dtList);
    EXPECT_EQ(d->GetAsList()->GetValueCount(), 3);
  }
  engine.Parse("(deftemplate p (slot f (type FLOAT) (default 2)))");
  EXPECT_EQ(Slot("p", "f")->GetSlotDefault()->GetDType(), dtFloat);
  EXPECT_DOUBLE_EQ(Slot("p", "f")->GetSlotDefault()->GetAsFloat(), 2.0);
}

TEST_F(ParseTemplateTest, DefaultOfTheWrongTypeIsRefused) {
  EXPECT_EQ(
      ParseFailure([&] { engine.Parse("(deftemplate p (slot x (type INTEGER) (default abc)))"); }),
      ParseErrorText(Format(SInvalidSlotValue,
                            {Format(SNotCorrectType, {"INTEGER", "abc", "dtAtom"}), "ParseValue"}),
                     "ParseValue", 1, "( deftemplate p ( slot x ( type INTEGER ) ( default abc "));
}

TEST_F(ParseTemplateTest, RangeAndAllowedValuesMakeTheSlotsOwnType) {
  engine.Parse(
      "(deftemplate p (slot n (type INTEGER) (range 1 10) (units cm))"
      " (slot c (type SYMBOL) (allowed-symbols red green)))");
  auto* n = dynamic_cast<TIEDefinedType*>(Slot("p", "n")->GetExtendedTypeInfo());
  ASSERT_NE(n, nullptr);
  EXPECT_TRUE(n->GetImplicit());
  EXPECT_TRUE(n->GetRangeLimited());
  EXPECT_DOUBLE_EQ(n->GetMinRange(), 1);
  EXPECT_DOUBLE_EQ(n->GetMaxRange(), 10);
  EXPECT_EQ(n->GetUnits(), "cm");
  auto* c = dynamic_cast<TIEDefinedType*>(Slot("p", "c")->GetExtendedTypeInfo());
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->GetConstraintAtomsCount(), 2);
}

TEST_F(ParseTemplateTest, NamedTypeIsNotChangedThroughASlot) {
  engine.Parse(
      "(deftype colour (extends (type SYMBOL)) (allowed-symbols red green))"
      "(deftemplate p (slot c (type colour) (allowed-symbols blue)))");
  TIEDefinedType* colour = Type("colour");
  EXPECT_EQ(colour->GetConstraintAtomsCount(), 2);
  IIEDefinedType* own = Slot("p", "c")->GetExtendedTypeInfo();
  ASSERT_NE(own, nullptr);
  EXPECT_NE(own, colour);
  EXPECT_TRUE(own->GetImplicit());
  EXPECT_EQ(own->GetConstraintAtomsCount(), 3);
}

TEST_F(ParseTemplateTest, FactValuesAreCheckedAgainstTheSlotsType) {
  engine.Parse("(deftemplate p (slot c (type SYMBOL) (allowed-symbols red green)))");
  EXPECT_EQ(ParseFailure([&] { engine.ParseFact("(p (c blue))"); }),
            ParseErrorText(Format(SInvalidValue, {"blue", SNotAllowedValue}),
                           "ParseValue(SlotTypes)", 1, "( p ( c blue "));
  EXPECT_EQ(engine.ParseFact("(p (c red))")->GetToString(), "(p (c red))");
}

TEST_F(ParseTemplateTest, FuzzySlotRefusesRangeUnitsAndAllowedValues) {
  std::string echo = "( deftemplate f ( slot s ( type FUZZY ) ( ";
  EXPECT_EQ(
      ParseFailure([&] { engine.Parse("(deftemplate f (slot s (type FUZZY) (range 0 1)))"); }),
      ParseErrorText(SFuzzyDefinitionError, "ParseFactTemplateSlot", 1, echo + "range "));
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(deftemplate f (slot s (type FUZZY) (units m)))"); }),
            ParseErrorText(SFuzzyDefinitionError, "ParseFactTemplateSlot", 1, echo + "units "));
  EXPECT_EQ(
      ParseFailure(
          [&] { engine.Parse("(deftemplate f (slot s (type FUZZY) (allowed-values a)))"); }),
      ParseErrorText(SFuzzyDefinitionError, "ParseFactTemplateSlot", 1, echo + "allowed-values "));
}

TEST_F(ParseTemplateTest, FuzzySlotValuesAndDefinitionsFailCleanly) {
  engine.Parse("(deftemplate f (slot s (type FUZZY)))");
  ASSERT_NE(Slot("f", "s"), nullptr);
  EXPECT_EQ(ParseFailure([&] { engine.ParseFact("(f (s hot))"); }),
            ParseErrorText(SNeedFuzzyType, "ParseValue", 1, "( f ( s "));
  EXPECT_EQ(
      ParseFailure([&] { engine.Parse("(deftemplate f (slot s (type FUZZY) (default hot)))"); }),
      ParseErrorText(SNeedFuzzyType, "ParseValue", 1,
                     "( deftemplate f ( slot s ( type FUZZY ) ( default "));
  EXPECT_EQ(EngineFailure(
                [&] { engine.Parse("(deftemplate f (slot s (type FUZZY) (cardinality 1 2)))"); }),
            SFuzzyUnavailable);
  engine.Parse("(deftemplate g (multislot s (type FUZZY)))");
  EXPECT_EQ(ParseFailure([&] { engine.ParseFact("(g (s hot cold))"); }),
            ParseErrorText(SNeedFuzzyType, "ParseValue", 1, "( g ( s hot cold "));
}

TEST_F(ParseTemplateTest, FreeSlotCanBeReadAlone) {
  Ref<IFactSlot> slot = engine.ParseFactTemplateSlot("(multislot tags (default a b))");
  ASSERT_TRUE(slot);
  EXPECT_EQ(slot->GetName(), "tags");
  EXPECT_EQ(slot->GetSlotDefault()->GetToString(), "a b ");
}

// ================================================================ deffacts

using ParseFactSetTest = ParserTest;

TEST_F(ParseFactSetTest, FactsNameAndComment) {
  engine.Parse("(deftemplate p (slot x)) (deffacts init \"start\" (p (x 1)) (b 2 3))");
  ASSERT_EQ(engine.FactSets().size(), 1u);
  TFactSet* set = engine.FactSets()[0];
  EXPECT_EQ(set->FactSetName(), "init");
  EXPECT_EQ(set->Comment(), "start");
  ASSERT_EQ(set->Count(), 2);
  EXPECT_EQ(set->GetFact(0)->GetToString(), "(p (x 1))");
  EXPECT_EQ(set->GetFact(1)->GetToString(), "(b 2 3 )");
}

TEST_F(ParseFactSetTest, FailedFactSetIsNotRegistered) {
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(deffacts init (a 1) x)"); }),
            ParseErrorText(SMissingCloseParens, "ParseFactSet", 1, "( deffacts init ( a 1 ) x "));
  EXPECT_TRUE(engine.FactSets().empty());
}

// ================================================================ deffunction

using ParseFunctionTest = ParserTest;

TEST_F(ParseFunctionTest, ParametersCommentAndBody) {
  engine.Parse("(deffunction f (?a $?b) \"adds one\" (+ ?a 1))");
  IUserFunction* f = engine.GetUserFunction("f");
  auto* body = dynamic_cast<IInterpretedFunction*>(f);
  ASSERT_NE(body, nullptr);
  ASSERT_EQ(body->GetArgumentCount(), 2);
  EXPECT_EQ(body->GetArgument(0)->GetToString(), "?a");
  EXPECT_EQ(body->GetArgument(1)->GetToString(), "$?b");
  EXPECT_EQ(f->GetComment(), "adds one");
  ASSERT_EQ(body->GetStatementCount(), 1);
  EXPECT_EQ(body->GetStatement(0)->GetToString(), "(+ ?a 1)");
}

TEST_F(ParseFunctionTest, ParsedFunctionCanBeCalled) {
  engine.Parse("(deffunction f \"header comment\" (?a) x (+ ?a 1)) (f 41)");
  EXPECT_EQ(engine.GetUserFunction("f")->GetComment(), "header comment");
  EXPECT_EQ(engine.Output(), "42\r\n");
}

TEST_F(ParseFunctionTest, SyntaxErrors) {
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(deffunction f ?a)"); }),
            ParseErrorText(SMissingOpenParens, "ParseFunction", 1, "( deffunction f ?a "));
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(deffunction f (?a b) ?a)"); }),
            ParseErrorText(SMissingCloseParens, "ParseFunction", 1, "( deffunction f ( ?a b "));
  EXPECT_FALSE(engine.ContainsUserFunction("f"));
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(deffunction f (?a) & ?a)"); }),
            ParseErrorText(Format(SUnexpectedCharacter, {"&"}), "ParseFunction", 1,
                           "( deffunction f ( ?a ) & "));
}

// ================================================================ defglobal

using ParseGlobalsTest = ParserTest;

TEST_F(ParseGlobalsTest, ValuesAreStoredAsParsed) {
  engine.Parse("(defglobal ?*x* = 3 ?*y* = (+ 1 2) ?*z* = \"s\")");
  const TValueHashTable& globals = engine.Globals();
  ASSERT_NE(globals.Get("*x*"), nullptr);
  EXPECT_EQ(globals.Get("*x*")->GetAsInteger(), 3);
  ASSERT_NE(globals.Get("*y*"), nullptr);
  EXPECT_EQ(globals.Get("*y*")->GetDType(), dtFunCall);
  EXPECT_EQ(globals.Get("*y*")->GetToString(), "(+ 1 2)");
  EXPECT_EQ(globals.Get("*z*")->GetToString(), "\"s\"");
}

TEST_F(ParseGlobalsTest, DefinitionErrors) {
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(defglobal ?x = 3)"); }),
            ParseErrorText(Format(SBadVariableName, {"x"}), "ParseVariable", 1, "( defglobal ?x "));
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(defglobal x = 3)"); }),
            ParseErrorText(SMissingName, "ParseVariable", 1, "( defglobal x "));
  EXPECT_EQ(
      ParseFailure([&] { engine.Parse("(defglobal ?*x* 3)"); }),
      ParseErrorText(Format(SExpectedChar, {"="}), "ParseVariable", 1, "( defglobal ?*x* 3 "));
}

// ================================================================ deftype

using ParseDefinedTypeTest = ParserTest;

TEST_F(ParseDefinedTypeTest, RangeUnitsAndComment) {
  engine.Parse(
      "(deftype age \"years lived\" (extends (type INTEGER)) (range 0 150) (units years))");
  TIEDefinedType* age = Type("age");
  ASSERT_NE(age, nullptr);
  EXPECT_EQ(age->GetComment(), "years lived");
  EXPECT_EQ(age->GetBaseTypes(), TIETypes{dtInteger});
  EXPECT_FALSE(age->GetImplicit());
  EXPECT_TRUE(age->GetRangeLimited());
  EXPECT_DOUBLE_EQ(age->GetMinRange(), 0);
  EXPECT_DOUBLE_EQ(age->GetMaxRange(), 150);
  EXPECT_EQ(age->GetUnits(), "years");
}

TEST_F(ParseDefinedTypeTest, CardinalityAndAllowedValues) {
  engine.Parse(
      "(deftype pick (extends (type SYMBOL INTEGER)) (cardinality 1 3) (allowed-symbols a b c)"
      " (allowed-integers 1 2))");
  TIEDefinedType* pick = Type("pick");
  ASSERT_NE(pick, nullptr);
  EXPECT_TRUE(pick->GetCardinalityLimited());
  EXPECT_EQ(pick->GetMinCardinality(), 1);
  EXPECT_EQ(pick->GetMaxCardinality(), 3);
  EXPECT_EQ(pick->GetConstraintAtomsCount(), 3);
  EXPECT_EQ(pick->GetConstraintIntegersCount(), 2);
}

TEST_F(ParseDefinedTypeTest, BoundsMayBeOpenCallsOrGlobals) {
  engine.Parse("(deftype small (extends (type FLOAT)) (range ?VARIABLE 10.5))");
  TIEDefinedType* small = Type("small");
  EXPECT_DOUBLE_EQ(small->GetMaxRange(), 10.5);
  EXPECT_LT(small->GetMinRange(), -1e9);
  engine.Parse(
      "(defglobal ?*top* = 9) (deftype n (extends (type INTEGER)) (range (+ 1 1) ?*top*))");
  EXPECT_DOUBLE_EQ(Type("n")->GetMinRange(), 2);
  EXPECT_DOUBLE_EQ(Type("n")->GetMaxRange(), 9);
}

TEST_F(ParseDefinedTypeTest, ParentTypeIsInherited) {
  engine.Parse(
      "(deftype age (extends (type INTEGER)) (range 0 150))"
      "(deftype adult (extends (type age)) (range 18 150))");
  TIEDefinedType* adult = Type("adult");
  ASSERT_NE(adult, nullptr);
  EXPECT_EQ(adult->GetAncestor(), engine.FindDefinedType("age"));
  EXPECT_EQ(adult->GetBaseTypes(), TIETypes{dtInteger});
  EXPECT_DOUBLE_EQ(adult->GetMinRange(), 18);
  EXPECT_DOUBLE_EQ(Type("age")->GetMinRange(), 0);
}

TEST_F(ParseDefinedTypeTest, HeaderErrors) {
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(deftype t (type INTEGER))"); }),
            ParseErrorText(Format(SExpectedKeyword, {"extends"}), "ParseDefinedType", 1,
                           "( deftype t ( type "));
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(deftype t (extends (kind INTEGER)))"); }),
            ParseErrorText(Format(SExpectedKeyword, {"type"}), "ParseDefinedType", 1,
                           "( deftype t ( extends ( kind "));
  EXPECT_EQ(engine.FindDefinedType("t"), nullptr);
  EXPECT_EQ(ParseFailure([&] {
              engine.Parse(
                  "(deftype a (extends (type INTEGER))) (deftype b (extends (type SYMBOL)))"
                  "(deftype c (extends (type a b)))");
            }),
            ParseErrorText(SNoMultiTypeInheritance, "ParseSlotTypes", 1,
                           "( deftype c ( extends ( type a b "));
}

TEST_F(ParseDefinedTypeTest, FacetErrors) {
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(deftype t (extends (type INTEGER)) (range 1))"); }),
            ParseErrorText(SMissingRange, "ParseDefinedType", 1,
                           "( deftype t ( extends ( type INTEGER ) ) ( range 1 ) "));
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(deftype t (extends (type INTEGER)) (range a 2))"); }),
            ParseErrorText(Format(SExpectedIntVarFun, {"range"}), "ParseDefinedType", 1,
                           "( deftype t ( extends ( type INTEGER ) ) ( range a "));
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(deftype t (extends (type INTEGER)) (range 5 2))"); }),
            ParseErrorText(Format(SInvalidLowHiLimits, {5.0, 2.0}), "ParseDefinedType", 1,
                           "( deftype t ( extends ( type INTEGER ) ) ( range 5 2 "));
  EXPECT_EQ(
      ParseFailure(
          [&] { engine.Parse("(deftype t (extends (type SYMBOL)) (allowed-colours red))"); }),
      ParseErrorText(Format(SMissingAllowedEnumeration, {"allowed-colours"}), "ParseDefinedType", 1,
                     "( deftype t ( extends ( type SYMBOL ) ) ( allowed-colours "));
  EXPECT_EQ(engine.FindDefinedType("t"), nullptr);
}

TEST_F(ParseDefinedTypeTest, FuzzyTypeIsAClearError) {
  EXPECT_EQ(
      ParseFailure([&] { engine.Parse("(deftype temp (extends (type FUZZY)) (range 0 1))"); }),
      ParseErrorText(SFuzzyUnavailable, "ParseDefinedType", 1,
                     "( deftype temp ( extends ( type FUZZY ) ) "));
  EXPECT_EQ(engine.FindDefinedType("temp"), nullptr);
}

// ================================================================ calls

using ParseCallTest = ParserTest;

TEST_F(ParseCallTest, AssertArgumentsAreFacts) {
  Reader r(engine, "(assert (a 1) (b x))");
  Ref<IFunCall> call = r->ParseFunCall();
  EXPECT_EQ(call->GetName(), "assert");
  ASSERT_EQ(call->GetArgumentCount(), 2);
  EXPECT_EQ(call->GetArgument(0)->GetDType(), dtFact);
  EXPECT_EQ(call->GetArgument(0)->GetToString(), "(a 1 )");
  EXPECT_EQ(call->GetArgument(1)->GetToString(), "(b x )");
  EXPECT_TRUE(Template("a")->IsOrdered());
}

TEST_F(ParseCallTest, ModifyArgumentsAreSlotValuePairs) {
  Reader r(engine, "(modify ?f (x 1) (y a b))");
  Ref<IFunCall> call = r->ParseFunCall();
  ASSERT_EQ(call->GetArgumentCount(), 3);
  EXPECT_EQ(call->GetArgument(0)->GetToString(), "?f");
  IValueVector* pair = call->GetArgument(1)->GetAsList();
  ASSERT_NE(pair, nullptr);
  ASSERT_EQ(pair->GetValueCount(), 2);
  EXPECT_EQ(pair->Get(0)->GetToString(), "x");
  EXPECT_EQ(pair->Get(1)->GetToString(), "1");
  IValueVector* second = call->GetArgument(2)->GetAsList();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Get(1)->GetDType(), dtList);
  EXPECT_EQ(second->Get(1)->GetToString(), "a b ");
}

TEST_F(ParseCallTest, PairWithoutValueIsAnError) {
  Reader r(engine, "(modify ?f (x))");
  EXPECT_EQ(ParseFailure([&] { (void)r->ParseFunCall(); }),
            ParseErrorText(SExpectedValue, "ParseValuePair", 1, "( modify ?f ( x ) "));
}

TEST_F(ParseCallTest, NestedCallsAndValues) {
  Reader r(engine, "(foo (bar) 1 2.5 \"s\" ?v $?m sym)");
  Ref<IFunCall> call = r->ParseFunCall();
  ASSERT_EQ(call->GetArgumentCount(), 7);
  ASSERT_EQ(call->GetArgument(0)->GetDType(), dtFunCall);
  EXPECT_EQ(call->GetArgument(0)->GetAsFunCall()->GetName(), "bar");
  EXPECT_EQ(call->GetArgument(1)->GetDType(), dtInteger);
  EXPECT_EQ(call->GetArgument(2)->GetDType(), dtFloat);
  EXPECT_EQ(call->GetArgument(3)->GetDType(), dtString);
  EXPECT_EQ(call->GetArgument(4)->GetDType(), dtVariable);
  EXPECT_EQ(call->GetArgument(5)->GetDType(), dtMultiVariable);
  EXPECT_EQ(call->GetArgument(6)->GetDType(), dtAtom);
  EXPECT_EQ(call->GetToString(), "(foo (bar) 1 2.5000 \"s\" ?v $?m sym)");
}

TEST_F(ParseCallTest, PunctuationArgumentsAreOneCharacterStrings) {
  Reader r(engine, "(printout t = x & | ~)");
  Ref<IFunCall> call = r->ParseFunCall();
  ASSERT_EQ(call->GetArgumentCount(), 6);
  EXPECT_EQ(call->GetArgument(1)->GetDType(), dtString);
  EXPECT_EQ(call->GetArgument(1)->GetAsString(), "=");
  EXPECT_EQ(call->GetArgument(3)->GetAsString(), "&");
  EXPECT_EQ(call->GetArgument(4)->GetAsString(), "|");
  EXPECT_EQ(call->GetArgument(5)->GetAsString(), "~");
}

TEST_F(ParseCallTest, NamePlaceTakesSymbolsEqualsOrVariables) {
  {
    Reader r(engine, "(?x 1)");
    Ref<IFunCall> call = r->ParseFunCall();
    EXPECT_EQ(call->GetName(), "__get-var");
    ASSERT_EQ(call->GetArgumentCount(), 2);
    EXPECT_EQ(call->GetArgument(0)->GetToString(), "?x");
    EXPECT_EQ(call->GetArgument(1)->GetToString(), "1");
  }
  {
    Reader r(engine, "(= 1 2)");
    EXPECT_EQ(r->ParseFunCall()->GetName(), "=");
  }
}

TEST_F(ParseCallTest, CommentBeforeTheCallIsKept) {
  Reader r(engine, "; say hello\r\n(printout t hello)");
  EXPECT_EQ(r->ParseFunCall()->GetComment(), "; say hello");
}

TEST_F(ParseCallTest, CallErrors) {
  {
    Reader r(engine, "(1 2)");
    EXPECT_EQ(ParseFailure([&] { (void)r->ParseFunCall(); }),
              ParseErrorText(SMissingName, "ParseFunCall", 1, "( 1 "));
  }
  {
    Reader r(engine, "foo");
    EXPECT_EQ(ParseFailure([&] { (void)r->ParseFunCall(); }),
              ParseErrorText(SMissingOpenParens, "ParseFunCall", 1, "foo "));
  }
  {
    Reader r(engine, "(foo 1 (bar 2)");
    EXPECT_EQ(ParseFailure([&] { (void)r->ParseFunCall(); }),
              ParseErrorText(SUnexpectedEOF, "ParseFunCall", 1, "( foo 1 ( bar 2 ) EOF "));
  }
}

// ================================================================ values and facts

// Outside parentheses every token is a top-level expression of its own, so
// the echo of these errors holds the last token read only.
using ParseValueTest = ParserTest;

TEST_F(ParseValueTest, OneValueIsReturnedAsItIsAndSeveralMakeAMultifield) {
  {
    Reader r(engine, "abc)");
    Ref<IIEValue> v = r->ParseValue();
    EXPECT_EQ(v->GetDType(), dtAtom);
    EXPECT_EQ(v->GetToString(), "abc");
    // The closing parenthesis is left for the caller.
    EXPECT_TRUE(r->Stream()->NextToken()->Is(kTokenCloseParen));
  }
  {
    Reader r(engine, "a 1 \"s\" [ (+ 1 2) ])");
    Ref<IIEValue> v = r->ParseValue();
    ASSERT_EQ(v->GetDType(), dtList);
    IValueVector* list = v->GetAsList();
    ASSERT_EQ(list->GetValueCount(), 6);
    EXPECT_EQ(list->Get(2)->GetDType(), dtString);
    EXPECT_EQ(list->Get(3)->GetToString(), "[");
    EXPECT_EQ(list->Get(4)->GetDType(), dtFunCall);
    EXPECT_EQ(list->Get(5)->GetToString(), "]");
  }
}

TEST_F(ParseValueTest, PunctuationEndsALongSequenceAndIsRefusedEarlier) {
  {
    Reader r(engine, "a b & c");
    Ref<IIEValue> v = r->ParseValue();
    EXPECT_EQ(v->GetToString(), "a b ");
    EXPECT_TRUE(r->Stream()->NextToken()->Is(kTokenAmpersand));
  }
  {
    Reader r(engine, "a & c");
    EXPECT_EQ(ParseFailure([&] { (void)r->ParseValue(); }),
              ParseErrorText(Format(SBadArgument, {"&"}), "ParseValue", 1, "& "));
  }
}

TEST_F(ParseValueTest, ListReadsReturnValueCallsAndRefusesABareEquals) {
  {
    Reader r(engine, "a =(+ 1 2) b)");
    Ref<IValueVector> list = r->ParseList();
    ASSERT_EQ(list->GetValueCount(), 3);
    EXPECT_EQ(list->Get(1)->GetDType(), dtFunCall);
  }
  {
    Reader r(engine, "a = b)");
    EXPECT_EQ(ParseFailure([&] { (void)r->ParseList(); }),
              ParseErrorText(SAtomNotEquals, "ParseList", 1, "b "));
  }
  {
    Reader r(engine, "a & b)");
    EXPECT_EQ(ParseFailure([&] { (void)r->ParseList(); }),
              ParseErrorText(Format(SBadSlotValue, {"&"}), "ParseList", 1, "& "));
  }
}

TEST_F(ParseValueTest, TypedValuesAreConvertedBetweenNumbersOrRefusedInUpperCase) {
  {
    Reader r(engine, "1.5");
    Ref<IIEValue> v = r->ParseValue(TIETypes{dtInteger}, nullptr);
    EXPECT_EQ(v->GetDType(), dtInteger);
    EXPECT_EQ(v->GetAsInteger(), 1);
  }
  {
    Reader r(engine, "2");
    Ref<IIEValue> v = r->ParseValue(TIETypes{dtFloat}, nullptr);
    EXPECT_EQ(v->GetDType(), dtFloat);
  }
  {
    Reader r(engine, "abc");
    EXPECT_EQ(ParseFailure([&] {
                (void)r->ParseValue(TIETypes{dtInteger, dtFloat}, nullptr);
              }),
              ParseErrorText(Format(SInvalidSlotValue,
                                    {Format(SNotCorrectType, {"INTEGER, FLOAT", "abc", "dtAtom"}),
                                     "ParseValue"}),
                             "ParseValue", 1, "abc "));
  }
  {
    Reader r(engine, "abc");
    r->SetStaticTypeChecks(false);
    EXPECT_EQ(r->ParseValue(TIETypes{dtInteger}, nullptr)->GetToString(), "abc");
  }
}

TEST_F(ParseValueTest, VariablesAndCallsAreAlwaysValid) {
  {
    Reader r(engine, "?x");
    EXPECT_EQ(r->ParseValue(TIETypes{dtInteger}, nullptr)->GetDType(), dtVariable);
  }
  {
    Reader r(engine, "=(+ 1 2)");
    EXPECT_EQ(r->ParseValue(TIETypes{dtInteger}, nullptr)->GetDType(), dtFunCall);
  }
  {
    Reader r(engine, "= 3");
    EXPECT_EQ(ParseFailure([&] { (void)r->ParseValue(TIETypes{dtInteger}, nullptr); }),
              ParseErrorText(SAtomNotEquals, "ParseValue", 1, "3 "));
  }
}

TEST_F(ParseValueTest, FactSlotValuesAreConvertedOrRefused) {
  engine.Parse("(deftemplate p (slot x (type INTEGER)) (multislot m (type INTEGER)))");
  Ref<IFact> fact = engine.ParseFact("(p (x 1.5) (m 1 2.7))");
  EXPECT_EQ(fact->GetValue("x")->GetDType(), dtInteger);
  EXPECT_EQ(fact->GetValue("x")->GetAsInteger(), 1);
  EXPECT_EQ(fact->GetValue("m")->GetToString(), "1 2 ");
  EXPECT_EQ(
      ParseFailure([&] { engine.ParseFact("(p (x abc))"); }),
      ParseErrorText(Format(SInvalidSlotValue,
                            {Format(SNotCorrectType, {"INTEGER", "abc", "dtAtom"}), "ParseValue"}),
                     "ParseValue", 1, "( p ( x abc "));
}

TEST_F(ParseValueTest, FactOfUnknownSlotOrShapeIsAnError) {
  engine.Parse("(deftemplate p (slot x))");
  EXPECT_EQ(ParseFailure([&] { engine.ParseFact("(p (y 1))"); }),
            ParseErrorText(Format(SInvalidSlotName, {"y"}), "ParseFactSlot", 1, "( p ( y "));
  EXPECT_EQ(ParseFailure([&] { engine.ParseFact("(p x)"); }),
            ParseErrorText(SMissingCloseParens, "ParseFact", 1, "( p x "));
  EXPECT_EQ(ParseFailure([&] { engine.ParseFact("(1 x)"); }),
            ParseErrorText(SExpectedAtom, "ParseFact", 1, "( 1 "));
}

TEST_F(ParseValueTest, FactTemplatesAreRequiredOrCreatedOrdered) {
  {
    Reader r(engine, "(zz 1)");
    r->SetRequireFactTemplates(true);
    EXPECT_EQ(ParseFailure([&] { (void)r->ParseFact(); }),
              ParseErrorText(Format(SUnknownFactTemplate, {"zz"}), "ParseFact", 1, "( zz "));
    EXPECT_EQ(Template("zz"), nullptr);
  }
  {
    Ref<IFact> fact = engine.ParseFact("(zz 1 two)");
    ASSERT_NE(Template("zz"), nullptr);
    EXPECT_TRUE(Template("zz")->IsOrdered());
    EXPECT_EQ(fact->GetToString(), "(zz 1 two )");
  }
}

// ================================================================ patterns

using ParsePatternTest = ParserTest;

TEST_F(ParsePatternTest, WrappersCountNegationsAndMarkThePattern) {
  TIEClipsParser::TVariables vars;
  {
    Reader r(engine, "(not (exists (a)))");
    std::unique_ptr<TIEPattern> p = r->ParsePattern(0, vars);
    EXPECT_EQ(p->Name(), "a");
    EXPECT_EQ(p->Template(), Template("a"));
    EXPECT_EQ(p->NegatedCount(), 3);
  }
  {
    Reader r(engine, "(exists (a))");
    EXPECT_EQ(r->ParsePattern(0, vars)->NegatedCount(), 2);
  }
  {
    Reader r(engine, "(not (a))");
    EXPECT_EQ(r->ParsePattern(0, vars)->NegatedCount(), 1);
  }
  {
    TIEClipsParser::TVariables vars;
    Reader r(engine, "(unique (explicit (a)))");
    std::unique_ptr<TIEPattern> p = r->ParsePattern(0, vars);
    EXPECT_TRUE(p->Unique());
    EXPECT_TRUE(p->Explicit());
    EXPECT_EQ(p->NegatedCount(), 0);
  }
}

TEST_F(ParsePatternTest, AndOrAndLogicalAreTemplateNames) {
  TIEClipsParser::TVariables vars;
  Reader r(engine, "(or x y)");
  std::unique_ptr<TIEPattern> p = r->ParsePattern(0, vars);
  EXPECT_EQ(p->Name(), "or");
  EXPECT_EQ(Tests(*p, SDefaultSlotName), (Strings{"x@0/and", "y@1/and"}));
}

TEST_F(ParsePatternTest, TestElementInsideNotIsNegated) {
  TIEClipsParser::TVariables vars;
  {
    Reader r(engine, "(test (> ?x 1))");
    std::unique_ptr<TIEPattern> p = r->ParsePattern(0, vars);
    EXPECT_EQ(p->Name(), STestCE);
    EXPECT_EQ(p->NegatedCount(), 0);
    EXPECT_EQ(Tests(*p, SDefaultSlotName), (Strings{"(> ?x 1)@-1/and"}));
  }
  {
    Reader r(engine, "(not (test (> ?x 1)))");
    std::unique_ptr<TIEPattern> p = r->ParsePattern(0, vars);
    EXPECT_EQ(p->NegatedCount(), 0);
    EXPECT_EQ(Tests(*p, SDefaultSlotName), (Strings{"~(> ?x 1)@-1/and"}));
  }
}

TEST_F(ParsePatternTest, ConstraintConnectivesMakeThreeTests) {
  TIEClipsParser::TVariables vars;
  Reader r(engine, "(a ?x&~red|blue)");
  std::unique_ptr<TIEPattern> p = r->ParsePattern(0, vars);
  EXPECT_EQ(Tests(*p, SDefaultSlotName), (Strings{"?x@0/and", "~red@0/and", "blue@0/or"}));
  EXPECT_EQ(p->GetSlotLength(p->IndexOfSlotName(SDefaultSlotName)), 1);
  EXPECT_EQ(vars.at("x"), dtVariable);
}

TEST_F(ParsePatternTest, MultislotPositionsAdvanceAndGiveTheLength) {
  {
    TIEClipsParser::TVariables vars;
    Reader r(engine, "(a 1 ?y $?z)");
    std::unique_ptr<TIEPattern> p = r->ParsePattern(0, vars);
    EXPECT_EQ(Tests(*p, SDefaultSlotName), (Strings{"1@0/and", "?y@1/and", "$?z@2/and"}));
    EXPECT_EQ(p->GetSlotLength(p->IndexOfSlotName(SDefaultSlotName)), 3);
  }
  {
    TIEClipsParser::TVariables vars;
    Reader r(engine, "(a $?x ?x)");
    std::unique_ptr<TIEPattern> p = r->ParsePattern(0, vars);
    EXPECT_EQ(Tests(*p, SDefaultSlotName), (Strings{"$?x@0/and", "$?x@1/and"}));
  }
}

TEST_F(ParsePatternTest, SlotPatternOnATemplate) {
  engine.Parse("(deftemplate p (slot s) (multislot m))");
  TIEClipsParser::TVariables vars;
  Reader r(engine, "(p (s ?x&:(> ?x 1)) (m a ?))");
  std::unique_ptr<TIEPattern> p = r->ParsePattern(0, vars);
  EXPECT_EQ(Tests(*p, "s"), (Strings{"?x@-1/and", "(> ?x 1)@-1/and"}));
  Strings m = Tests(*p, "m");
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0], "a@0/and");
  EXPECT_EQ(m[1].rfind("?_blank_", 0), 0u) << m[1];
  EXPECT_EQ(p->GetSlotLength(p->IndexOfSlotName("m")), 2);
}

TEST_F(ParsePatternTest, ReturnValueConstraintComparesAFreshVariable) {
  {
    engine.Parse("(deftemplate a (slot s))");
    TIEClipsParser::TVariables vars;
    Reader r(engine, "(a (s ~=(+ 1 2)))");
    std::unique_ptr<TIEPattern> p = r->ParsePattern(0, vars);
    int s = p->IndexOfSlotName("s");
    ASSERT_EQ(p->GetSlotTestCount(s), 2);
    TIEPatternMatchTest* bind = p->GetSlotTest(s, 0);
    ASSERT_EQ(bind->SlotValue()->GetDType(), dtVariable);
    std::string name(bind->SlotValue()->PeekText());
    EXPECT_EQ(name.rfind(SEqStarPrefix, 0), 0u) << name;
    EXPECT_TRUE(bind->IsPositive());
    TIEPatternMatchTest* compare = p->GetSlotTest(s, 1);
    EXPECT_FALSE(compare->IsPositive());
    ASSERT_EQ(compare->SlotValue()->GetDType(), dtFunCall);
    EXPECT_EQ(compare->SlotValue()->GetToString(), "(eq* ?" + name + " (+ 1 2))");
    EXPECT_EQ(vars.count(name), 1u);
  }
  {
    TIEClipsParser::TVariables vars;
    Reader r(engine, "(ordered =(+ 1 2))");
    std::unique_ptr<TIEPattern> p = r->ParsePattern(0, vars);
    Strings tests = Tests(*p, SDefaultSlotName);
    ASSERT_EQ(tests.size(), 2u);
    EXPECT_EQ(tests[0].rfind("$?_eq_", 0), 0u) << tests[0];
  }
}

TEST_F(ParsePatternTest, PatternErrors) {
  engine.Parse("(deftemplate p (slot s))");
  TIEClipsParser::TVariables vars;
  {
    Reader r(engine, "(p (t 1))");
    EXPECT_EQ(ParseFailure([&] { (void)r->ParsePattern(0, vars); }),
              ParseErrorText(Format(SInvalidSlotName, {"t"}), "ParsePattern", 1, "( p ( t "));
  }
  {
    Reader r(engine, "(p (1 1))");
    EXPECT_EQ(ParseFailure([&] { (void)r->ParsePattern(0, vars); }),
              ParseErrorText(Format(SBadSlotName, {"1"}), "ParsePattern", 1, "( p ( 1 "));
  }
  {
    Reader r(engine, "(p (s [)))");
    EXPECT_EQ(ParseFailure([&] { (void)r->ParsePattern(0, vars); }),
              ParseErrorText(Format(SBadSlotValue, {"["}), "ParsePattern", 1, "( p ( s [ "));
  }
  {
    Reader r(engine, "(\"p\")");
    EXPECT_EQ(ParseFailure([&] { (void)r->ParsePattern(0, vars); }),
              ParseErrorText(SExpectedAtom, "ParsePattern", 1, "( \"p\" "));
  }
  {
    Reader r(engine, "(p (s ?x 1))");
    EXPECT_EQ(ParseFailure([&] { (void)r->ParsePattern(0, vars); }),
              ParseErrorText(Format(SNotMultiSlot, {"s"}), "ParsePattern", 1, "( p ( s ?x 1 "));
  }
}

TEST_F(ParsePatternTest, RequiredTemplatesMustExistForPatterns) {
  TIEClipsParser::TVariables vars;
  Reader r(engine, "(zz 1)");
  r->SetRequireFactTemplates(true);
  EXPECT_EQ(ParseFailure([&] { (void)r->ParsePattern(0, vars); }),
            ParseErrorText(Format(SUnknownFactTemplate, {"zz"}), "ParsePattern", 1, "( zz "));
  EXPECT_EQ(Template("zz"), nullptr);
}

TEST_F(ParsePatternTest, FuzzySlotConstraintIsAClearError) {
  engine.Parse("(deftemplate f (slot s (type FUZZY)))");
  TIEClipsParser::TVariables vars;
  Reader r(engine, "(f (s hot))");
  EXPECT_EQ(EngineFailure([&] { (void)r->ParsePattern(0, vars); }), SFuzzyUnavailable);
}

TEST_F(ParsePatternTest, PatternCommentIsTheTextBeforeIt) {
  TIEClipsParser::TVariables vars;
  Reader r(engine, "  ; the a facts  \r\n (a)");
  EXPECT_EQ(r->ParsePattern(0, vars)->Comment(), "; the a facts");
}

TEST_F(ParsePatternTest, PatternBindingErrors) {
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(defrule r ?f <- (not (a)) => )"); }),
            ParseErrorText(SInvalidTestBinding, "ParseRulePatterns", 1,
                           "( defrule r ?f <- ( not ( a ) ) "));
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(defrule r (b) ?t <- (not (test (eq 1 1))) => )"); }),
            ParseErrorText(SInvalidTestBinding, "ParseRulePatterns", 1,
                           "( defrule r ( b ) ?t <- ( not ( test ( eq 1 1 ) ) ) "));
  EXPECT_EQ(engine.RuleCount(), 0);
  EXPECT_EQ(ParseFailure([&] { engine.Parse("(defrule r ?f (a) => )"); }),
            ParseErrorText(SExpectedAssignment, "ParseRulePatterns", 1, "( defrule r ?f ( "));
}

TEST_F(ParsePatternTest, BoundTestElementOutsideNotIsAccepted) {
  engine.Parse("(defrule r (b) ?t <- (test (eq 1 1)) ?f <- (a) => )");
  TRule* rule = engine.RuleAt(0);
  ASSERT_EQ(rule->PatternCount(), 3);
  EXPECT_EQ(rule->Pattern(1)->BoundName(), "t");
  EXPECT_EQ(rule->Pattern(2)->BoundName(), "f");
}

TEST_F(ParsePatternTest, ActionsAreCallsUpToTheClosingParen) {
  engine.Parse("(defrule r (a ?x) => (foo ?x) (assert (b ?x)) (modify ?x (s 1)))");
  TRule* rule = engine.RuleAt(0);
  ASSERT_EQ(rule->ActionCount(), 3);
  EXPECT_EQ(rule->Action(1)->GetArgument(0)->GetDType(), dtFact);
  EXPECT_EQ(rule->Action(2)->GetArgument(1)->GetDType(), dtList);
}

}  // namespace
}  // namespace rulecore
