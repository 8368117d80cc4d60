// rulecore: an embeddable expert-system shell.
// The inference engine component: construction, symbols, facts, rules and the run cycle,
// watch lines, events, Clear and Reset.
#include "engine/inference_engine.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "core/ie_value.h"
#include "core/messages.h"
#include "facts/fact.h"
#include "platform/exception.h"
#include "platform/format.h"
#include "rete/network.h"
#include "support/test_helpers.h"

namespace rulecore {
namespace {

const std::string NL = NewLineString;

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() {
    engine.OnPrintOut = [this](TObject*, const std::string& channel, const std::string& text) {
      out += (channel.empty() ? "" : channel + ": ") + text;
    };
    // (print args...): appends the arguments (lists in parentheses) and a line
    // break to `printed`.
    Register("print", 0, kUnboundedArguments, [this](IFunCall* c, TIEContext* x) {
      for (int i = 0; i < c->GetArgumentCount(); ++i) {
        Ref<IIEValue> v = c->GetArgument(i)->Resolve(x);
        printed += (i ? " " : "") +
                   (v->GetDType() == dtList ? "(" + v->GetToString() + ")" : v->GetAsString());
      }
      printed += "\n";
      return Ref<IIEValue>(FCNil);
    });
    Register("halt", 0, 0, [this](IFunCall*, TIEContext*) {
      engine.Halt();
      return Ref<IIEValue>(FCNil);
    });
    // (boom name): raises the catalogue text for an unknown function `name`.
    Register("boom", 1, 1, [](IFunCall* c, TIEContext* x) -> Ref<IIEValue> {
      RaiseIE(SNoSuchFunction, {c->GetArgument(0)->Resolve(x)->GetAsString()});
    });
    // (assert-a value): asserts (a value).
    Register("assert-a", 1, 1, [this](IFunCall* c, TIEContext* x) {
      int32_t id = engine.AssertText("(a " + c->GetArgument(0)->Resolve(x)->GetAsString() + ")");
      return NewInteger(id);
    });
    // (retract-id id): retracts the fact with that id.
    Register("retract-id", 1, 1, [this](IFunCall* c, TIEContext* x) {
      engine.Retract(c->GetArgument(0)->Resolve(x)->GetAsInteger());
      return Ref<IIEValue>(FCNil);
    });
  }

  ~EngineTest() override {
    for (Ref<IUserFunction>& f : functions)
      f->ClearReasoners();
  }

  void Register(const std::string& name, int32_t min, int32_t max, TestFunction::Body body) {
    Ref<IUserFunction> f(new TestFunction(name, min, max, std::move(body)));
    f->AddReasoner(&engine);
    functions.push_back(f);
  }

  void Define(const std::string& text) { engine.Parse(text, false); }

  // The text forms of the listed facts, each with its id.
  std::string Facts() {
    std::string s;
    for (int i = 0; i < engine.FactCount(); ++i)
      s += (i ? " " : "") + std::to_string(engine.FactAt(i)->GetID()) + ":" +
           engine.FactAt(i)->GetToString();
    return s;
  }

  // The waiting activations, first to fire first: "rule [facts]".
  std::string Agenda() {
    std::string s;
    for (const Ref<TActivation>& a : engine.Agenda().Items())
      s += (s.empty() ? "" : ", ") + a->Rule()->RuleName() + " [" + a->Token()->GetToFactsString() +
           "]";
    return s;
  }

  // The activations the rule's terminal node lists.
  int NodeActivations(const std::string& rule) {
    const std::vector<TReteNode*>* nodes = engine.Network().RuleNodes(engine.FindRule(rule));
    if (!nodes) return -1;
    for (TReteNode* n : *nodes)
      if (auto* t = dynamic_cast<TPatternMatchTerminalNode*>(n)) return t->GetActivationCount();
    return -1;
  }

  std::vector<Ref<IUserFunction>> functions;  // outlive the engine
  TInferenceEngine engine;
  std::string out;      // what OnPrintOut received
  std::string printed;  // what (print ...) wrote
};

// ================================================================ construction

TEST_F(EngineTest, ANewEngineHoldsTheInitialFactAndTheTwoImpliedTemplates) {
  EXPECT_EQ(Facts(), "0:(Initial-Fact)");
  EXPECT_EQ(engine.GetNextFactId(), 1);
  ASSERT_NE(engine.FindFactTemplate(SInitialFactPattern), nullptr);
  ASSERT_NE(engine.FindFactTemplate(SNullFact), nullptr);
  EXPECT_EQ(engine.FindFactTemplate(SInitialFactPattern)->GetComment(), "(Implied)");
  EXPECT_EQ(engine.FindFactTemplate(SNullFact)->GetComment(), "(Implied)");
  EXPECT_EQ(engine.FactTemplateCount(), 2);
  EXPECT_EQ(engine.NullFact()->GetTemplate(), engine.FindFactTemplate(SNullFact));
  EXPECT_EQ(engine.InitialFactPattern()->Template(), engine.FindFactTemplate(SInitialFactPattern));
  EXPECT_TRUE(engine.Agenda().Empty());
}

TEST_F(EngineTest, ANewEngineStartsWithTheDefaultSettings) {
  EXPECT_EQ(engine.Strategy(), ssDepthFirst);
  EXPECT_EQ(engine.SalienceEvaluation(), sActivate);
  EXPECT_EQ(engine.DuplicateConstructs(), dcOverwrite);
  EXPECT_FALSE(engine.FactDuplication());
  EXPECT_TRUE(engine.ResetGlobals());
  EXPECT_EQ(engine.ParserErrorHandling(), ehRaiseImmediate);
  EXPECT_EQ(engine.ParserMaxErrors(), 10);
  EXPECT_EQ(engine.SymbolIndex(), 1);
  EXPECT_EQ(engine.Version(), 2.0f);
  EXPECT_TRUE(engine.GetTypeChecks().Contains(tcStatic));
  EXPECT_TRUE(engine.Watch().Empty());
  EXPECT_FALSE(engine.Halted());
  EXPECT_EQ(engine.CurrentActivation(), nullptr);
  EXPECT_EQ(engine.MinActivationStrength(), 0.0f);
}

TEST_F(EngineTest, GeneratedSymbolsCountUpAndTheIndexNeverMovesBack) {
  EXPECT_EQ(engine.GenerateSymbol("gen"), "gen1");
  EXPECT_EQ(engine.GenerateSymbol("gen"), "gen2");
  engine.SetSymbolIndex(1);  // smaller: moves on by one, from 3 to 4
  EXPECT_EQ(engine.SymbolIndex(), 4);
  EXPECT_EQ(engine.GenerateSymbol("x"), "x4");
  engine.SetSymbolIndex(5);  // equal: on by one as well
  EXPECT_EQ(engine.GenerateSymbol("x"), "x6");
  engine.SetSymbolIndex(10);
  EXPECT_EQ(engine.GenerateSymbol("g"), "g10");
}

TEST_F(EngineTest, MinActivationStrengthIsClampedToTheUnitRange) {
  engine.SetMinActivationStrength(1.5f);
  EXPECT_EQ(engine.MinActivationStrength(), 1.0f);
  engine.SetMinActivationStrength(-0.2f);
  EXPECT_EQ(engine.MinActivationStrength(), 0.0f);
  engine.SetMinActivationStrength(0.25f);
  EXPECT_EQ(engine.MinActivationStrength(), 0.25f);
}

// ================================================================ output

TEST_F(EngineTest, PrintOutReachesTheHandlerOnTheConsoleNamesOnly) {
  engine.PrintOut("t", "one");
  engine.PrintOut("", "two");
  engine.PrintOut("elsewhere", "lost");  // no such stream: delivered nowhere
  EXPECT_EQ(out, "t: onetwo");
}

TEST_F(EngineTest, PrintOutToAnUnknownNameWithoutAHandlerRaises) {
  engine.OnPrintOut = nullptr;
  engine.PrintOut("t", "nobody listens");
  ExpectIEError([&] { engine.PrintOut("elsewhere", "x"); }, Format(SNoSuchFunction, {"printout"}));
}

TEST_F(EngineTest, ReadLineAsksTheHandlerAndRaisesWithoutOne) {
  ExpectIEError([&] { engine.ReadLine("t"); }, Format(SNoReadFunctionWarning, {"readline"}));
  engine.OnReadLine = [](TObject*, const std::string& channel, std::string& text) {
    text = "typed on " + channel;
  };
  EXPECT_EQ(engine.ReadLine("t"), "typed on t");
}

// ================================================================ facts

TEST_F(EngineTest, AssertedFactsGetAscendingIdsAndAWatchLineEach) {
  engine.SetWatch({cwFact});
  EXPECT_EQ(engine.AssertText("(a 1)"), 1);
  EXPECT_EQ(engine.AssertText("(b x y)"), 2);
  EXPECT_EQ(out, " ==> f-1 (a 1 )" + NL + " ==> f-2 (b x y )" + NL);
  EXPECT_EQ(Facts(), "0:(Initial-Fact) 1:(a 1 ) 2:(b x y )");
  EXPECT_EQ(engine.FactById(2)->GetToString(), "(b x y )");
  EXPECT_EQ(engine.FactById(7), nullptr);
}

TEST_F(EngineTest, AnEqualFactIsRefusedSilentlyWithoutDuplication) {
  int assertions = 0;
  engine.OnAssertion = [&](TObject* sender, IFact*) {
    EXPECT_EQ(sender, &engine);
    ++assertions;
  };
  engine.SetWatch({cwFact});
  EXPECT_EQ(engine.AssertText("(a 1)"), 1);
  EXPECT_EQ(engine.AssertText("(a 1)"), -1);
  EXPECT_EQ(out, " ==> f-1 (a 1 )" + NL);
  EXPECT_EQ(assertions, 1);
  EXPECT_EQ(engine.GetNextFactId(), 2);  // a refused fact uses up no id
  EXPECT_EQ(engine.AssertText("(a 2)"), 2);
}

TEST_F(EngineTest, WithDuplicationEqualFactsGetConsecutiveIds) {
  engine.SetFactDuplication(true);
  EXPECT_EQ(engine.AssertText("(a 1)"), 1);
  EXPECT_EQ(engine.AssertText("(a 1)"), 2);
  EXPECT_EQ(Facts(), "0:(Initial-Fact) 1:(a 1 ) 2:(a 1 )");
}

TEST_F(EngineTest, AFactWithoutTemplateIsRefused) {
  Ref<IFact> fact(new TFact());
  ExpectIEError([&] { engine.AssertFact(fact.get()); }, SNoTemplate);
  EXPECT_EQ(Facts(), "0:(Initial-Fact)");
  EXPECT_EQ(engine.GetNextFactId(), 1);
}

TEST_F(EngineTest, RetractingPrintsTheIdFormAndRaisesTheEventFirst) {
  Define("(defrule r (a ?x) =>)");
  engine.AssertText("(a 1)");
  engine.AssertText("(a 2)");
  engine.SetWatch({cwFact});
  std::string seen;
  engine.OnRetraction = [&](TObject*, IFact* fact) {
    // Raised before anything changes: the fact is listed and its activation waits.
    seen = fact->GetToString() + " listed " + std::to_string(engine.FactById(1) == fact) +
           ", agenda: " + Agenda();
  };
  EXPECT_TRUE(engine.Retract(1));
  EXPECT_EQ(seen, "(a 1 ) listed 1, agenda: r [f-2], r [f-1]");
  EXPECT_EQ(out, " <== f-1 (a 1 )" + NL);
  EXPECT_EQ(Facts(), "0:(Initial-Fact) 2:(a 2 )");
  EXPECT_EQ(Agenda(), "r [f-2]");
}

TEST_F(EngineTest, RetractingAnUnknownIdOrUnlistedFactDoesNothing) {
  int retractions = 0;
  engine.OnRetraction = [&](TObject*, IFact*) { ++retractions; };
  engine.AssertText("(a 1)");
  EXPECT_FALSE(engine.Retract(9));
  Ref<IFact> other = engine.ParseFact("(a 2)");
  EXPECT_FALSE(engine.RetractFact(other.get()));
  EXPECT_EQ(retractions, 0);
  EXPECT_EQ(Facts(), "0:(Initial-Fact) 1:(a 1 )");
}

TEST_F(EngineTest, RetractingAnEqualFactRetractsTheListedOne) {
  engine.AssertText("(a 1)");
  Ref<IFact> equal = engine.ParseFact("(a 1)");
  EXPECT_TRUE(engine.RetractFact(equal.get()));
  EXPECT_EQ(Facts(), "0:(Initial-Fact)");
  EXPECT_EQ(engine.AssertText("(a 1)"), 2);
}

TEST_F(EngineTest, AFactChangedWhileListedIsForgottenWhenRetracted) {
  Define("(deftemplate p (slot v))");
  ASSERT_EQ(engine.AssertText("(p (v 1))"), 1);
  // The host changes a listed fact in place, then retracts it: the duplicate check must not
  // remember the fact under its old content.
  engine.FactById(1)->SetValue("v", NewInteger(2).get());
  EXPECT_TRUE(engine.Retract(1));
  EXPECT_EQ(engine.AssertText("(p (v 1))"), 2);
  EXPECT_EQ(engine.AssertText("(p (v 2))"), 3);
  EXPECT_EQ(engine.AssertText("(p (v 1))"), -1);
  EXPECT_EQ(Facts(), "0:(Initial-Fact) 2:(p (v 1)) 3:(p (v 2))");
}

TEST_F(EngineTest, RetractingAllFactsEmptiesTheAgendaAndRaisesOnlyClearFacts) {
  Define("(defrule r (a ?x) =>)");
  engine.AssertText("(a 1)");
  engine.AssertText("(a 2)");
  ASSERT_EQ(engine.Agenda().Count(), 2);
  engine.SetWatch({cwFact});
  int retractions = 0, clears = 0;
  engine.OnRetraction = [&](TObject*, IFact*) { ++retractions; };
  engine.OnClearFacts = [&](TObject*) { ++clears; };
  engine.RetractFacts();
  EXPECT_EQ(engine.FactCount(), 0);
  EXPECT_TRUE(engine.Agenda().Empty());
  EXPECT_EQ(NodeActivations("r"), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(retractions, 0);
  EXPECT_EQ(clears, 1);
  // The ids go on; an equal fact is new again.
  EXPECT_EQ(engine.AssertText("(a 1)"), 3);
  EXPECT_EQ(Agenda(), "r [f-3]");
}

TEST_F(EngineTest, ModifyingAFactGivesItANewLargerId) {
  engine.AssertText("(a 1)");
  engine.AssertText("(b 1)");
  IFact* fact = engine.FactById(1);
  Ref<IFact> keep(fact);
  engine.BeginFactModify(fact);
  EXPECT_EQ(Facts(), "0:(Initial-Fact) 2:(b 1 )");
  EXPECT_EQ(engine.EndFactModify(fact), 3);
  EXPECT_EQ(Facts(), "0:(Initial-Fact) 2:(b 1 ) 3:(a 1 )");
  EXPECT_EQ(fact->GetID(), 3);
}

TEST_F(EngineTest, PendingFactsAreAssertedThenRetractedAfterTheNextChange) {
  engine.AssertText("(old 1)");
  Ref<IFact> queued = engine.ParseFact("(queued 1)");
  Ref<IFact> going = engine.ParseFact("(old 1)");
  engine.AddPendingFact(going.get(), false);
  engine.AddPendingFact(queued.get(), true);
  engine.SetWatch({cwFact});
  engine.AssertText("(trigger)");
  EXPECT_EQ(out,
            " ==> f-2 (trigger)" + NL + " ==> f-3 (queued 1 )" + NL + " <== f-1 (old 1 )" + NL);
  EXPECT_EQ(Facts(), "0:(Initial-Fact) 2:(trigger) 3:(queued 1 )");
}

// ================================================================ rules, agenda

TEST_F(EngineTest, EqualSalienceFiresNewestFirstUnderDepthFirst) {
  Define("(defrule r (a ?x) => (print ?x))");
  engine.AssertText("(a 1)");
  engine.AssertText("(a 2)");
  engine.AssertText("(a 3)");
  EXPECT_EQ(engine.Run(), 3);
  EXPECT_EQ(printed, "3\n2\n1\n");
}

TEST_F(EngineTest, EqualSalienceFiresOldestFirstUnderBreadthFirst) {
  engine.SetStrategy(ssBreadthFirst);
  Define("(defrule r (a ?x) => (print ?x))");
  engine.AssertText("(a 1)");
  engine.AssertText("(a 2)");
  engine.AssertText("(a 3)");
  EXPECT_EQ(engine.Run(), 3);
  EXPECT_EQ(printed, "1\n2\n3\n");
}

TEST_F(EngineTest, HigherSalienceFiresFirstUnderEitherStrategy) {
  Define(
      "(defrule five (declare (salience 5)) (a ?x) => (print five ?x))"
      "(defrule ten (declare (salience 10)) (b) => (print ten))"
      "(defrule minus (declare (salience -1)) (c) => (print minus))");
  for (TSearchStrategy strategy : {ssDepthFirst, ssBreadthFirst}) {
    SCOPED_TRACE(strategy == ssDepthFirst ? "depth-first" : "breadth-first");
    engine.Reset();
    engine.SetStrategy(strategy);
    printed.clear();
    engine.AssertText("(a 1)");
    engine.AssertText("(c)");
    engine.AssertText("(b)");
    engine.AssertText("(a 2)");
    EXPECT_EQ(engine.Run(), 4);
    EXPECT_EQ(printed, strategy == ssDepthFirst ? "ten\nfive 2\nfive 1\nminus\n"
                                                : "ten\nfive 1\nfive 2\nminus\n");
  }
}

TEST_F(EngineTest, ANewActivationGoesBeforeOrAfterAllOfItsSalience) {
  Define(
      "(defrule hi (declare (salience 10)) (h) =>)"
      "(defrule mid (declare (salience 5)) (m ?x) =>)"
      "(defrule lo (m ?x) (l) =>)");
  engine.AssertText("(h)");    // f-1
  engine.AssertText("(l)");    // f-2
  engine.AssertText("(m 1)");  // f-3
  engine.AssertText("(m 2)");  // f-4
  engine.AssertText("(m 3)");  // f-5
  EXPECT_EQ(Agenda(),
            "hi [f-1], mid [f-5], mid [f-4], mid [f-3], lo [f-5, f-2], lo [f-4, f-2], "
            "lo [f-3, f-2]");
  // Switching to breadth-first keeps the waiting order; the next one goes behind its salience.
  engine.SetStrategy(ssBreadthFirst);
  engine.AssertText("(m 4)");  // f-6
  EXPECT_EQ(Agenda(),
            "hi [f-1], mid [f-5], mid [f-4], mid [f-3], mid [f-6], lo [f-5, f-2], "
            "lo [f-4, f-2], lo [f-3, f-2], lo [f-6, f-2]");
}

TEST_F(EngineTest, ChangingTheStrategyReAddsEveryWaitingActivation) {
  engine.SetStrategy(ssBreadthFirst);
  Define("(defrule r (a ?x) =>)");
  engine.AssertText("(a 1)");
  engine.AssertText("(a 2)");
  ASSERT_EQ(Agenda(), "r [f-1], r [f-2]");
  std::string added;
  engine.OnAddActivation = [&](TObject*, int index, TActivation* a) {
    added += std::to_string(index) + ":" + a->Token()->GetToFactsString() + " ";
  };
  engine.SetWatch({cwActivation});
  engine.SetStrategy(ssDepthFirst);
  EXPECT_EQ(engine.Strategy(), ssDepthFirst);
  EXPECT_EQ(out, "==> Activation: r : f-1" + NL + "==> Activation: r : f-2" + NL);
  EXPECT_EQ(added, "0:f-1 0:f-2 ");
  EXPECT_EQ(Agenda(), "r [f-2], r [f-1]");
  out.clear();
  engine.SetStrategy(ssDepthFirst);  // unchanged: nothing happens
  EXPECT_EQ(out, "");
}

TEST_F(EngineTest, ActivationWatchLinesShowTheRuleAndItsFacts) {
  Define("(defrule r (a ?x) (b ?x) =>)");
  engine.SetWatch({cwActivation, cwFact});
  engine.AssertText("(a 1)");
  engine.AssertText("(b 1)");
  engine.Retract(1);
  EXPECT_EQ(out, " ==> f-1 (a 1 )" + NL + " ==> f-2 (b 1 )" + NL + "==> Activation: r : f-1, f-2" +
                     NL + "<== Activation: r : f-1, f-2" + NL + " <== f-1 (a 1 )" + NL);
}

TEST_F(EngineTest, ActivationEventsCarryTheIndex) {
  Define("(defrule lo (a ?x) =>) (defrule hi (declare (salience 3)) (b ?x) =>)");
  std::string log;
  engine.OnAddActivation = [&](TObject*, int index, TActivation* a) {
    log += "+" + a->Rule()->RuleName() + "@" + std::to_string(index) + " ";
  };
  engine.OnRemoveActivation = [&](TObject*, int index, TActivation* a) {
    // Raised while the activation is still on the agenda.
    log += "-" + a->Rule()->RuleName() + "@" + std::to_string(index) +
           (engine.Agenda().Contains(a) ? " " : "(gone) ");
  };
  engine.AssertText("(a 1)");  // f-1
  engine.AssertText("(b 1)");  // f-2
  engine.AssertText("(a 2)");  // f-3
  engine.Retract(1);
  EXPECT_EQ(log, "+lo@0 +hi@0 +lo@1 -lo@2 ");
  EXPECT_EQ(Agenda(), "hi [f-2], lo [f-3]");
}

TEST_F(EngineTest, SalienceGivenByAGlobalIsReadWhenTheActivationEnters) {
  Define(
      "(defglobal ?*p* = 1)"
      "(defrule low (declare (salience ?*p*)) (a ?x) => (print low ?x))"
      "(defrule two (declare (salience 2)) (b) => (print two))");
  engine.AssertText("(a 1)");
  engine.GetContext()->AddGlobalBinding("*p*", NewInteger(5).get());
  engine.AssertText("(a 2)");
  engine.AssertText("(b)");
  EXPECT_EQ(engine.Run(), 3);
  EXPECT_EQ(printed, "low 2\ntwo\nlow 1\n");
}

// ================================================================ run

TEST_F(EngineTest, RunFiresEachActivationOnceAndRaisesTheRunEvents) {
  Define("(defrule r (a ?x) => (print fired ?x))");
  engine.AssertText("(a 1)");
  engine.AssertText("(a 2)");
  std::string log;
  engine.OnStartInference = [&](TObject*) { log += "start "; };
  engine.OnRuleFired = [&](TObject*, TRule* rule) { log += "fired:" + rule->RuleName() + " "; };
  engine.OnEndInference = [&](TObject*, int32_t n) { log += "end:" + std::to_string(n); };
  EXPECT_EQ(engine.Run(), 2);
  EXPECT_EQ(log, "start fired:r fired:r end:2");
  EXPECT_EQ(printed, "fired 2\nfired 1\n");
  EXPECT_TRUE(engine.Agenda().Empty());
  EXPECT_EQ(NodeActivations("r"), 0);
  EXPECT_EQ(engine.Run(), 0);
}

TEST_F(EngineTest, RunStopsAtTheLimit) {
  Define("(defrule r (a ?x) => (print ?x))");
  engine.AssertText("(a 1)");
  engine.AssertText("(a 2)");
  engine.AssertText("(a 3)");
  EXPECT_EQ(engine.Run(1), 1);
  EXPECT_EQ(printed, "3\n");
  EXPECT_EQ(engine.Agenda().Count(), 2);
  EXPECT_EQ(engine.Run(5), 2);
  EXPECT_EQ(printed, "3\n2\n1\n");
}

TEST_F(EngineTest, RunOfZeroFiresNothingButRaisesBothEvents) {
  Define("(defrule r (a ?x) => (print ?x))");
  engine.AssertText("(a 1)");
  std::string log;
  engine.OnStartInference = [&](TObject*) { log += "start "; };
  engine.OnEndInference = [&](TObject*, int32_t n) { log += "end:" + std::to_string(n); };
  EXPECT_EQ(engine.Run(0), 0);
  EXPECT_EQ(log, "start end:0");
  EXPECT_EQ(printed, "");
  EXPECT_EQ(engine.Agenda().Count(), 1);
}

TEST_F(EngineTest, HaltStopsTheRunAfterTheHaltingRule) {
  Define(
      "(defrule stop (declare (salience 5)) (a ?x) => (halt) (print stop ?x))"
      "(defrule go (b) => (print go))");
  engine.AssertText("(b)");
  engine.AssertText("(a 1)");
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_TRUE(engine.Halted());
  EXPECT_EQ(printed, "stop 1\n");  // the rule's remaining actions still run
  EXPECT_EQ(Agenda(), "go [f-1]");
  // The next run starts unhalted.
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_FALSE(engine.Halted());
  EXPECT_EQ(printed, "stop 1\ngo\n");
}

TEST_F(EngineTest, AHaltOutsideARunHasNoEffect) {
  Define("(defrule r (a ?x) => (print ?x))");
  engine.AssertText("(a 1)");
  engine.Halt();
  EXPECT_TRUE(engine.Halted());
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(printed, "1\n");
}

TEST_F(EngineTest, FiringLinesAreNumberedFromZeroInEachRun) {
  Define("(defrule r (a ?x) (b) =>)");
  engine.AssertText("(b)");
  engine.AssertText("(a 1)");
  engine.AssertText("(a 2)");
  engine.AssertText("(a 3)");
  engine.SetWatch({cwRule});
  EXPECT_EQ(engine.Run(2), 2);
  EXPECT_EQ(out, "FIRE 0 r f-4, f-1" + NL + "FIRE 1 r f-3, f-1" + NL);
  out.clear();
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(out, "FIRE 0 r f-2, f-1" + NL);
}

TEST_F(EngineTest, AFiringActivationLeavesTheAgendaWithAWatchLine) {
  Define("(defrule r (a ?x) =>)");
  engine.AssertText("(a 1)");
  engine.SetWatch({cwActivation, cwRule});
  int removed = 0;
  engine.OnRemoveActivation = [&](TObject*, int index, TActivation* a) {
    EXPECT_EQ(index, 0);
    EXPECT_EQ(engine.CurrentActivation(), a);
    ++removed;
  };
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(out, "FIRE 0 r f-1" + NL + "<== Activation: r : f-1" + NL);
  EXPECT_EQ(removed, 1);
  EXPECT_EQ(engine.CurrentActivation(), nullptr);
}

TEST_F(EngineTest, ActionsThatAssertFactsActivateFurtherRules) {
  Define(
      "(defrule start (go) => (assert-a 1) (assert-a 2))"
      "(defrule each (a ?x) => (print a ?x))");
  engine.AssertText("(go)");
  EXPECT_EQ(engine.Run(), 3);
  EXPECT_EQ(printed, "a 2\na 1\n");
  EXPECT_EQ(Facts(), "0:(Initial-Fact) 1:(go) 2:(a 1 ) 3:(a 2 )");
}

TEST_F(EngineTest, AnActionMayRetractTheFactItsActivationMatched) {
  Define("(defrule consume ?f <- (a ?x) => (retract-id ?f) (print gone ?x))");
  engine.AssertText("(a 1)");
  engine.AssertText("(a 2)");
  engine.SetWatch({cwActivation, cwFact});
  int fired = 0;
  engine.OnRuleFired = [&](TObject*, TRule*) { ++fired; };
  EXPECT_EQ(engine.Run(), 2);
  EXPECT_EQ(fired, 2);
  EXPECT_EQ(printed, "gone 2\ngone 1\n");
  EXPECT_EQ(out, "<== Activation: consume : f-2" + NL + " <== f-2 (a 2 )" + NL +
                     "<== Activation: consume : f-1" + NL + " <== f-1 (a 1 )" + NL);
  EXPECT_EQ(Facts(), "0:(Initial-Fact)");
  EXPECT_EQ(NodeActivations("consume"), 0);
}

TEST_F(EngineTest, AnActionThatRaisesLeavesTheEngineUsable) {
  Define(
      "(defrule bad (declare (salience 5)) (a ?x) => (print before ?x) (boom ?x) (print after))"
      "(defrule good (b ?y) => (print good ?y))");
  engine.AssertText("(a 1)");
  engine.AssertText("(b 2)");
  engine.AssertText("(b 3)");
  int ended = 0;
  engine.OnEndInference = [&](TObject*, int32_t) { ++ended; };
  ExpectIEError([&] { engine.Run(); }, Format(SNoSuchFunction, {"1"}));
  EXPECT_EQ(printed, "before 1\n");
  EXPECT_EQ(ended, 0);  // the run ended with the error, not normally
  // The failed activation is off the agenda and off its node; nothing is current.
  EXPECT_EQ(engine.CurrentActivation(), nullptr);
  EXPECT_EQ(Agenda(), "good [f-3], good [f-2]");
  EXPECT_EQ(NodeActivations("bad"), 0);
  // Retracting its fact finds no activation to withdraw.
  engine.SetWatch({cwActivation});
  engine.Retract(1);
  EXPECT_EQ(out, "");
  // The next run works normally.
  EXPECT_EQ(engine.Run(), 2);
  EXPECT_EQ(ended, 1);
  EXPECT_EQ(printed, "before 1\ngood 3\ngood 2\n");
  EXPECT_EQ(out, "<== Activation: good : f-3" + NL + "<== Activation: good : f-2" + NL);
}

TEST_F(EngineTest, AFailedRuleFiresAgainForANewMatch) {
  Define("(defrule bad (a ?x) => (boom ?x))");
  engine.AssertText("(a 1)");
  ExpectIEError([&] { engine.Run(); }, Format(SNoSuchFunction, {"1"}));
  engine.AssertText("(a 2)");
  EXPECT_EQ(Agenda(), "bad [f-2]");
  ExpectIEError([&] { engine.Run(); }, Format(SNoSuchFunction, {"2"}));
  EXPECT_TRUE(engine.Agenda().Empty());
  EXPECT_EQ(engine.Run(), 0);
}

TEST_F(EngineTest, ARuleRemovedByItsOwnActionFinishesItsFiring) {
  Register("remove-rule", 1, 1, [this](IFunCall* c, TIEContext* x) {
    engine.RemoveRule(c->GetArgument(0)->Resolve(x)->GetAsString());
    return Ref<IIEValue>(FCNil);
  });
  Define("(defrule r (a ?x) => (remove-rule r) (print still ?x))");
  engine.AssertText("(a 1)");
  engine.AssertText("(a 2)");
  std::string fired;
  engine.OnRuleFired = [&](TObject*, TRule* rule) { fired += rule->RuleName(); };
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(printed, "still 2\n");
  EXPECT_EQ(fired, "r");
  EXPECT_EQ(engine.FindRule("r"), nullptr);
  EXPECT_TRUE(engine.Agenda().Empty());
  EXPECT_EQ(engine.CurrentActivation(), nullptr);
}

TEST_F(EngineTest, ClearingFromAnActionEndsTheRunAfterThatFiring) {
  Register("clear-all", 0, 0, [this](IFunCall*, TIEContext*) {
    engine.Clear();
    return Ref<IIEValue>(FCNil);
  });
  Define("(defrule r (a ?x) => (clear-all) (print cleared ?x))");
  engine.AssertText("(a 1)");
  engine.AssertText("(a 2)");
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(printed, "cleared 2\n");
  EXPECT_EQ(engine.RuleCount(), 0);
  EXPECT_EQ(engine.FactCount(), 0);
  EXPECT_TRUE(engine.Agenda().Empty());
  // The engine goes on working.
  Define("(defrule s (b) => (print b))");
  engine.Reset();
  engine.AssertText("(b)");
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(printed, "cleared 2\nb\n");
}

TEST_F(EngineTest, EveryTimeSalienceReordersTheAgendaAfterEachFiring) {
  Define(
      "(defglobal ?*p* = 0)"
      "(defrule raise (declare (salience 10)) (go) => (print raise))"
      "(defrule dyn (declare (salience ?*p*)) (d) => (print dyn))"
      "(defrule five (declare (salience 5)) (f) => (print five))");
  engine.AssertText("(d)");
  engine.AssertText("(f)");
  engine.AssertText("(go)");
  Define("(defrule set (declare (salience 20)) (go) => (print set))");
  engine.SetSalienceEvaluation(sEveryTime);
  // Changing the global between firings moves dyn ahead of five.
  engine.OnRuleFired = [&](TObject*, TRule* rule) {
    if (rule->RuleName() == "set")
      engine.GetContext()->AddGlobalBinding("*p*", NewInteger(7).get());
  };
  EXPECT_EQ(engine.Run(), 4);
  EXPECT_EQ(printed, "set\nraise\ndyn\nfive\n");
}

TEST_F(EngineTest, EveryTimeSalienceKeepsTheOrderAmongEqualSaliences) {
  engine.SetSalienceEvaluation(sEveryTime);
  Define("(defrule r (a ?x) => (print ?x))");
  engine.AssertText("(a 1)");
  engine.AssertText("(a 2)");
  engine.AssertText("(a 3)");
  engine.AssertText("(a 4)");
  EXPECT_EQ(engine.Run(), 4);
  EXPECT_EQ(printed, "4\n3\n2\n1\n");
}

TEST_F(EngineTest, EveryTimeSalienceReAddsEveryWaitingActivationAfterEachFiring) {
  Define("(defrule r (a ?x) => (print ?x))");
  engine.AssertText("(a 1)");
  engine.AssertText("(a 2)");
  engine.AssertText("(a 3)");
  engine.SetSalienceEvaluation(sEveryTime);
  engine.SetWatch({cwActivation});
  std::string added;
  engine.OnAddActivation = [&](TObject*, int index, TActivation* a) {
    added += std::to_string(index) + ":" + a->Token()->GetToFactsString() + " ";
  };
  EXPECT_EQ(engine.Run(1), 1);
  // f-3 fired (and left the agenda); f-2 and f-1 were re-added in the order
  // they waited.
  EXPECT_EQ(out, "<== Activation: r : f-3" + NL + "==> Activation: r : f-2" + NL +
                     "==> Activation: r : f-1" + NL);
  EXPECT_EQ(added, "0:f-2 1:f-1 ");
  EXPECT_EQ(Agenda(), "r [f-2], r [f-1]");
  EXPECT_EQ(NodeActivations("r"), 2);
  // A new activation still goes in front of the re-added ones.
  engine.AssertText("(a 4)");
  EXPECT_EQ(Agenda(), "r [f-4], r [f-2], r [f-1]");
  out.clear();
  added.clear();
  engine.SetWatch({});
  EXPECT_EQ(engine.Run(), 3);
  EXPECT_EQ(printed, "3\n4\n2\n1\n");
  EXPECT_EQ(added, "0:f-2 1:f-1 0:f-1 ");
  EXPECT_EQ(out, "");
}

TEST_F(EngineTest, EveryTimeSalienceMovesAnActivationWhenTheGlobalOfItsSalienceChanges) {
  Define(
      "(defglobal ?*p* = 0)"
      "(defrule dyn (declare (salience ?*p*)) (d ?x) => (print dyn ?x))"
      "(defrule five (declare (salience 5)) (f) => (print five))"
      "(defrule go (declare (salience 20)) (go) => (print go))");
  engine.AssertText("(d 1)");
  engine.AssertText("(f)");
  engine.AssertText("(go)");
  ASSERT_EQ(Agenda(), "go [f-3], five [f-2], dyn [f-1]");
  engine.SetSalienceEvaluation(sEveryTime);
  engine.SetWatch({cwActivation});
  std::string added;
  engine.OnAddActivation = [&](TObject*, int index, TActivation* a) {
    added += a->Rule()->RuleName() + "@" + std::to_string(index) + " ";
  };
  engine.OnRuleFired = [&](TObject*, TRule* rule) {
    if (rule->RuleName() == "go") engine.GetContext()->AddGlobalBinding("*p*", NewInteger(7).get());
  };
  EXPECT_EQ(engine.Run(1), 1);
  // Re-added in the old order: five first, then dyn with its new salience
  // in front of it.
  EXPECT_EQ(added, "five@0 dyn@0 ");
  EXPECT_EQ(out, "<== Activation: go : f-3" + NL + "==> Activation: five : f-2" + NL +
                     "==> Activation: dyn : f-1" + NL);
  EXPECT_EQ(Agenda(), "dyn [f-1], five [f-2]");
  engine.OnRuleFired = nullptr;
  EXPECT_EQ(engine.Run(), 2);
  EXPECT_EQ(printed, "go\ndyn 1\nfive\n");
}

TEST_F(EngineTest, EveryTimeSalienceThatRaisesKeepsTheWaitingActivations) {
  bool fail = false;
  // (sal): 3, or an error once `fail` is set.
  Register("sal", 0, 0, [&fail](IFunCall*, TIEContext*) -> Ref<IIEValue> {
    if (fail) RaiseIE(SNoSuchFunction, {"sal"});
    return NewInteger(3);
  });
  Define(
      "(defrule dyn (declare (salience (sal))) (d ?x) => (print dyn ?x))"
      "(defrule one (declare (salience 1)) (o) => (print one))"
      "(defrule top (declare (salience 10)) (go) => (print top))");
  engine.AssertText("(d 1)");
  engine.AssertText("(d 2)");
  engine.AssertText("(o)");
  engine.AssertText("(go)");
  ASSERT_EQ(Agenda(), "top [f-4], dyn [f-2], dyn [f-1], one [f-3]");
  engine.SetSalienceEvaluation(sEveryTime);
  engine.OnRuleFired = [&](TObject*, TRule* rule) {
    if (rule->RuleName() == "top") fail = true;
  };
  ExpectIEError([&] { engine.Run(); }, Format(SNoSuchFunction, {"sal"}));
  EXPECT_EQ(printed, "top\n");
  // Nothing was lost: every activation still waits, in its order, and the
  // terminal nodes still list them.
  EXPECT_EQ(Agenda(), "dyn [f-2], dyn [f-1], one [f-3]");
  EXPECT_EQ(NodeActivations("dyn"), 2);
  EXPECT_EQ(engine.CurrentActivation(), nullptr);
  fail = false;
  engine.OnRuleFired = nullptr;
  EXPECT_EQ(engine.Run(), 3);
  EXPECT_EQ(printed, "top\ndyn 2\ndyn 1\none\n");
  EXPECT_TRUE(engine.Agenda().Empty());
}

// ================================================================ existence and negation

TEST_F(EngineTest, ALeadingExistenceElementActivatesOnceWhileAnyMatchExists) {
  Define("(defrule any (exists (b ?)) => (print some b))");
  TRule* rule = engine.FindRule("any");
  ASSERT_EQ(rule->PatternCount(), 2);
  EXPECT_EQ(rule->Pattern(0)->Template(), engine.FindFactTemplate(SInitialFactPattern));
  EXPECT_TRUE(engine.Agenda().Empty());
  engine.AssertText("(b 1)");
  engine.AssertText("(b 2)");
  EXPECT_EQ(engine.Agenda().Count(), 1);
  engine.Retract(1);
  EXPECT_EQ(engine.Agenda().Count(), 1);
  engine.Retract(2);
  EXPECT_TRUE(engine.Agenda().Empty());
  engine.AssertText("(b 3)");
  engine.AssertText("(b 4)");
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(printed, "some b\n");
}

TEST_F(EngineTest, ALeadingNegationHoldsOnTheInitialFact) {
  Define("(defrule none (not (b ?)) => (print no b))");
  TRule* rule = engine.FindRule("none");
  ASSERT_EQ(rule->PatternCount(), 2);
  EXPECT_EQ(rule->Pattern(0)->Template(), engine.FindFactTemplate(SInitialFactPattern));
  EXPECT_EQ(engine.Agenda().Count(), 1);  // primed at once: the initial fact exists
  engine.AssertText("(b 1)");
  EXPECT_TRUE(engine.Agenda().Empty());
  engine.Retract(1);
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(printed, "no b\n");
}

TEST_F(EngineTest, WithoutTheInitialFactALeadingNegationCannotMatch) {
  Define("(defrule none (not (b ?)) =>)");
  engine.RetractFacts();
  EXPECT_TRUE(engine.Agenda().Empty());
  engine.Reset();
  ASSERT_EQ(engine.Agenda().Count(), 1);
  EXPECT_EQ(engine.Agenda().First()->Token()->GetFacts(0)->GetID(), 0);
}

// ================================================================ constructs

TEST_F(EngineTest, ARuleOfATakenNameFollowsTheDuplicatePolicy) {
  Define("(defrule r (a ?x) => (print first))");
  engine.AssertText("(a 1)");
  engine.SetDuplicateConstructs(dcIgnore);
  Define("(defrule r (a ?x) => (print ignored))");
  engine.SetDuplicateConstructs(dcError);
  ExpectIEError([&] { Define("(defrule r (a ?x) => (print refused))"); },
                Format(SDuplicateRuleNames, {"r"}));
  EXPECT_EQ(engine.RuleCount(), 1);
  engine.SetDuplicateConstructs(dcOverwrite);
  Define("(defrule r (a ?x) => (print second))");
  EXPECT_EQ(engine.RuleCount(), 1);
  EXPECT_EQ(engine.Agenda().Count(), 1);  // the new rule is primed with (a 1)
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(printed, "second\n");
}

TEST_F(EngineTest, RemovingARuleWithdrawsItsActivations) {
  Define("(defrule r (a ?x) =>) (defrule keep (a ?x) =>)");
  engine.AssertText("(a 1)");
  std::string removed;
  engine.OnRemoveRule = [&](TObject*, TRule* rule) { removed = rule->RuleName(); };
  engine.SetWatch({cwActivation});
  EXPECT_TRUE(engine.RemoveRule("r"));
  EXPECT_FALSE(engine.RemoveRule("r"));
  EXPECT_EQ(removed, "r");
  EXPECT_EQ(out, "<== Activation: r : f-1" + NL);
  EXPECT_EQ(Agenda(), "keep [f-1]");
  EXPECT_EQ(engine.FindRule("r"), nullptr);
}

TEST_F(EngineTest, MultifieldVariablesGiveActionsTheirWholeRun) {
  Define(
      "(deftemplate order (multislot items))"
      "(defrule split (order (items ?first $?middle ?last)) => (print ?first ?middle ?last))"
      "(defrule whole (order (items $?all)) => (print ?all))");
  engine.AssertText("(order (items a b c d))");
  EXPECT_EQ(engine.Run(), 2);
  EXPECT_NE(printed.find("a (b c ) d\n"), std::string::npos) << printed;
  EXPECT_NE(printed.find("(a b c d )\n"), std::string::npos) << printed;
}

TEST_F(EngineTest, StatisticsFollowARunThatFiredRules) {
  Define("(defrule r (a ?x) =>)");
  engine.AssertText("(a 1)");
  engine.AssertText("(a 2)");
  engine.AssertText("(a 3)");
  engine.SetWatch({cwStatistics});
  EXPECT_EQ(engine.Run(), 3);
  // After the firings the fact list holds four facts and the agenda 2, 1, 0
  // activations; the agenda held three when the run began.
  std::vector<std::string> lines;
  for (size_t at = 0, end; (end = out.find(NL, at)) != std::string::npos; at = end + NL.size())
    lines.push_back(out.substr(at, end - at));
  ASSERT_EQ(lines.size(), 4u) << out;
  EXPECT_TRUE(std::regex_match(lines[0],
                               std::regex(R"(3 rules fired\.     Run time is \d+\.\d{4} seconds)")))
      << lines[0];
  EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"((3|\d+\.\d{4}) rules per second)")))
      << lines[1];
  EXPECT_EQ(lines[2], "4.0000 mean number of facts (4 maximum)");
  EXPECT_EQ(lines[3], "1.0000 mean number of activations (3 maximum)");
}

TEST_F(EngineTest, StatisticsStayQuietWhenNothingFired) {
  int ended = -1;
  engine.OnEndInference = [&](TObject*, int32_t fired) { ended = fired; };
  engine.SetWatch({cwStatistics});
  EXPECT_EQ(engine.Run(), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(ended, 0);
}

TEST_F(EngineTest, CompilationIsWatchedWhenARuleEntersTheTable) {
  engine.SetWatch({cwCompilation});
  Define("(defrule r (a ?x) =>)");
  EXPECT_EQ(out, "r: +1 +1 +t" + NL);
}

TEST_F(EngineTest, RemovingATemplateTakesItsFactsRulesAndFactSetEntries) {
  Define(
      "(deftemplate p (slot name))"
      "(deffacts people (p (name ann)) (q 1))"
      "(defrule on-p (p (name ?n)) => (print ?n))"
      "(defrule on-q (q ?x) => (print ?x))");
  engine.Reset();
  ASSERT_EQ(engine.FactCount(), 3);
  std::string removed;
  engine.OnRemoveFactTemplate = [&](TObject*, IFactTemplate* t) {
    removed += t->GetTemplateName();
  };
  engine.SetWatch({cwFact});
  EXPECT_TRUE(engine.RemoveFactTemplate("p"));
  EXPECT_FALSE(engine.RemoveFactTemplate("p"));
  EXPECT_EQ(removed, "p");
  EXPECT_NE(out.find(" <== "), std::string::npos) << out;  // the fact left visibly
  EXPECT_EQ(engine.FindFactTemplate("p"), nullptr);
  EXPECT_EQ(engine.FindRule("on-p"), nullptr);
  EXPECT_NE(engine.FindRule("on-q"), nullptr);
  EXPECT_EQ(engine.FactCount(), 2);
  // The fact set keeps its other facts; a reset asserts them alone.
  engine.Reset();
  EXPECT_EQ(engine.FactCount(), 2);
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(printed, "1\n");
}

TEST_F(EngineTest, ATemplateDefinedAgainKeepsTheFactsAndRulesThatStillFit) {
  Define(
      "(deftemplate p (slot name) (slot age))"
      "(deffacts people (p (name ann) (age 30)) (p (name bob)))"
      "(defrule on-name (p (name ?n)) => (print ?n))"
      "(defrule on-age (p (age ?a&~nil)) => (print ?a))");
  engine.Reset();
  ASSERT_EQ(engine.FactCount(), 3);
  // The same slots again: every fact comes back (with new ids, last first)
  // and both rules are defined anew.
  Define("(deftemplate p (slot name) (slot age))");
  EXPECT_EQ(Facts(), "0:(Initial-Fact) 3:(p (name bob)) 4:(p (age 30) (name ann))");
  EXPECT_NE(engine.FindRule("on-name"), nullptr);
  EXPECT_NE(engine.FindRule("on-age"), nullptr);
  EXPECT_EQ(engine.Run(), 3);
  // Without the age slot: the rule on it and the facts that set it are
  // dropped, from the fact list and from the fact set alike.
  printed.clear();
  Define("(deftemplate p (slot name))");
  EXPECT_EQ(engine.FindRule("on-age"), nullptr);
  EXPECT_NE(engine.FindRule("on-name"), nullptr);
  EXPECT_EQ(Facts(), "0:(Initial-Fact) 5:(p (name bob))");
  engine.Reset();
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(printed, "bob\n");
}

TEST_F(EngineTest, RemovingADefinedTypeTakesTheTemplatesThatUseIt) {
  Define(
      "(deftype colour (extends (type ATOM)) (allowed-values red green))"
      "(deftemplate car (slot paint (type colour)))"
      "(deftemplate bike (slot gears))");
  ASSERT_NE(engine.FindFactTemplate("car"), nullptr);
  EXPECT_TRUE(engine.RemoveDefinedType("colour"));
  EXPECT_EQ(engine.FindDefinedType("colour"), nullptr);
  EXPECT_EQ(engine.FindFactTemplate("car"), nullptr);
  EXPECT_NE(engine.FindFactTemplate("bike"), nullptr);
  EXPECT_FALSE(engine.RemoveDefinedType("colour"));
}

TEST_F(EngineTest, ADefinedTypeDefinedAgainRetypesItsTemplatesKeepingWhatStillFits) {
  Define(
      "(deftype colour (extends (type ATOM)) (allowed-values red green blue))"
      "(deftemplate car (slot paint (type colour)))"
      "(defrule show (car (paint ?p)) => (print ?p))");
  engine.Parse("(assert (car (paint red)) (car (paint blue)))", true);
  Define("(deftype colour (extends (type ATOM)) (allowed-values red green))");
  IIEDefinedType* colour = engine.FindDefinedType("colour");
  IFactSlot* paint = nullptr;
  ASSERT_TRUE(engine.FindFactTemplate("car")->ContainsSlot("paint", &paint));
  EXPECT_EQ(paint->GetExtendedTypeInfo(), colour);  // the template took the new type
  EXPECT_NE(engine.FindRule("show"), nullptr);
  // The blue car no longer fits the type and is gone; the red one came back.
  EXPECT_EQ(Facts(), "0:(Initial-Fact) 3:(car (paint red))");
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(printed, "red\n");
}

TEST_F(EngineTest, ParseReadsTextAsAValueOfTheGivenKind) {
  EXPECT_EQ(engine.Parse("", dtNone)->GetDType(), dtNone);
  Ref<IIEValue> atom = engine.Parse("hello world", dtAtom);
  EXPECT_EQ(atom->GetDType(), dtAtom);
  EXPECT_EQ(atom->GetAsString(), "hello world");
  EXPECT_EQ(engine.Parse("\"quoted\"", dtString)->GetAsString(), "quoted");
  EXPECT_EQ(engine.Parse("bare", dtString)->GetAsString(), "bare");
  EXPECT_EQ(engine.Parse("-42", dtInteger)->GetAsInteger(), -42);
  EXPECT_EQ(engine.Parse("7", dtFactId)->GetToString(), "<Fact-7>");
  EXPECT_DOUBLE_EQ(engine.Parse("2.5", dtFloat)->GetAsFloat(), 2.5);
  EXPECT_THROW(engine.Parse("4x", dtInteger), EConvertError);
  EXPECT_THROW(engine.Parse("", dtFloat), EConvertError);
  EXPECT_EQ(engine.Parse("(a 1)", dtFact)->GetAsFact()->GetToString(), "(a 1 )");
  EXPECT_EQ(engine.Parse("(+ 1 2)", dtFunCall)->Resolve(engine.GetContext())->GetAsInteger(), 3);
  try {
    engine.Parse("x", dtObject);
    FAIL() << "an object was read from text";
  } catch (const EIEException& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to parse strings of dtObject at this time");
  }
  try {
    engine.Parse("x", static_cast<TIEType>(99));
    FAIL() << "an unknown kind was read from text";
  } catch (const EIEException& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to parse strings of Unknown Type (99) at this time");
  }
}

TEST_F(EngineTest, TopLevelCallsRunOnlyWhenExecuting) {
  engine.Parse("(print hello)", false);
  EXPECT_EQ(printed, "");
  engine.Parse("(print hello) (print world)", true);
  EXPECT_EQ(printed, "hello\nworld\n");
}

// ================================================================ clear and reset

TEST_F(EngineTest, ClearEmptiesTheKnowledgeBaseAndRestartsTheIds) {
  Define(
      "(deftemplate person (slot name))"
      "(deffunction twice (?x) (+ ?x ?x))"
      "(defrule r (a ?x) =>)");
  engine.AssertText("(a 1)");
  engine.AssertText("(person (name ann))");
  engine.Halt();
  std::string log;
  engine.OnClearFacts = [&](TObject*) { log += "facts "; };
  engine.OnClear = [&](TObject*) { log += "clear"; };
  engine.Clear();
  EXPECT_EQ(log, "clear");
  EXPECT_EQ(engine.FactCount(), 0);
  EXPECT_TRUE(engine.Agenda().Empty());
  EXPECT_EQ(engine.RuleCount(), 0);
  EXPECT_FALSE(engine.Halted());
  EXPECT_EQ(engine.FindFactTemplate("person"), nullptr);
  EXPECT_EQ(engine.FactTemplateCount(), 2);
  EXPECT_EQ(engine.FindFactTemplate(SInitialFactPattern)->GetComment(), "(Implied)");
  EXPECT_FALSE(engine.ContainsUserFunction("twice"));  // deffunctions go
  EXPECT_TRUE(engine.ContainsUserFunction("print"));   // host functions stay
  EXPECT_EQ(engine.AssertText("(b 1)"), 0);
  EXPECT_EQ(engine.Network().NodeCount(), 0);
}

TEST_F(EngineTest, ClearDropsTheAgendaWithoutWithdrawalLines) {
  Define("(defrule r (a ?x) =>)");
  engine.AssertText("(a 1)");
  engine.AssertText("(a 2)");
  engine.SetWatch({cwActivation});
  engine.Clear();
  EXPECT_EQ(out, "");
  EXPECT_TRUE(engine.Agenda().Empty());
}

TEST_F(EngineTest, RulesWorkAgainAfterClear) {
  Define("(defrule r (a ?x) => (print ?x))");
  engine.AssertText("(a 1)");
  engine.Clear();
  Define("(defrule r (a ?x) => (print again ?x))");
  engine.AssertText("(a 5)");
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(printed, "again 5\n");
}

TEST_F(EngineTest, ResetAssertsTheInitialFactAndTheFactSetsAgain) {
  Define(
      "(deffacts start (a 1 ) (a 2))"
      "(defrule r (a ?x) => (print ?x))");
  engine.AssertText("(other)");
  std::string log;
  engine.OnReset = [&](TObject*) { log += "reset "; };
  engine.OnClearFacts = [&](TObject*) { log += "facts "; };
  engine.Reset();
  EXPECT_EQ(log, "facts reset ");
  EXPECT_EQ(Facts(), "0:(Initial-Fact) 1:(a 1 ) 2:(a 2 )");
  EXPECT_EQ(engine.Run(), 2);
  EXPECT_EQ(printed, "2\n1\n");
  engine.Reset();
  EXPECT_EQ(Facts(), "0:(Initial-Fact) 1:(a 1 ) 2:(a 2 )");
  EXPECT_EQ(engine.Agenda().Count(), 2);
}

TEST_F(EngineTest, ResetRestoresGlobalsAndOneShotRules) {
  Define(
      "(defglobal ?*n* = 1)"
      "(defrule once (declare (oneshot TRUE)) (a ?x) => (print once ?x))");
  engine.AssertText("(a 1)");
  engine.AssertText("(a 2)");
  EXPECT_EQ(engine.Run(), 1);  // a fired one-shot rule loses its other activations
  engine.GetContext()->AddGlobalBinding("*n*", NewInteger(9).get());
  engine.Reset();
  EXPECT_EQ(engine.GetContext()->GetVariable("*n*")->GetAsInteger(), 1);
  engine.AssertText("(a 3)");
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(printed, "once 2\nonce 3\n");
}

TEST_F(EngineTest, AnEngineFreedWithWaitingActivationsReleasesEverything) {
  auto other = std::make_unique<TInferenceEngine>();
  Ref<IUserFunction> f(
      new TestFunction("noop", 0, 0, [](IFunCall*, TIEContext*) { return Ref<IIEValue>(FCNil); }));
  f->AddReasoner(other.get());
  other->Parse("(defrule r (a ?x) (b ?x) => (noop))", false);
  other->AssertText("(a 1)");
  other->AssertText("(b 1)");
  ASSERT_EQ(other->Agenda().Count(), 1);
  int removed = 0;
  other->OnRemoveActivation = [&](TObject*, int, TActivation*) { ++removed; };
  other.reset();
  EXPECT_EQ(removed, 0);  // no event is raised while the engine goes
  EXPECT_EQ(f->IndexOfReasoner(nullptr), -1);
  EXPECT_EQ(f->GetFunctionName(), "noop");
}

// ---------------------------------------------------------------- packages, events

bool HasFunction(TInferenceEngine& engine, const std::string& name) {
  for (IUserFunction* f : engine.GetUserFunctions())
    if (f->GetFunctionName() == name) return true;
  return false;
}

TEST_F(EngineTest, PackagesCanBeLeftOutAndAttachedAgain) {
  EXPECT_EQ(engine.Packages(), AllFunctionPackages);
  ASSERT_TRUE(HasFunction(engine, "sqrt"));
  int attached = 0;
  engine.OnAddDefaultPackages = [&](TObject*) { ++attached; };
  engine.SetPackages(AllFunctionPackages - TFunctionPackages{pMath});
  EXPECT_FALSE(HasFunction(engine, "sqrt"));
  EXPECT_TRUE(HasFunction(engine, "str-cat"));
  engine.SetPackages(engine.Packages());  // the same set: nothing happens
  EXPECT_EQ(attached, 1);
  engine.SetPackages({});
  EXPECT_FALSE(HasFunction(engine, "assert"));
  engine.SetPackages(AllFunctionPackages);
  EXPECT_TRUE(HasFunction(engine, "sqrt"));
  EXPECT_EQ(attached, 3);
  engine.OnAddDefaultPackages = nullptr;
}

TEST_F(EngineTest, DefinedTypesAndFunctionsRaiseTheirEvents) {
  std::string events;
  engine.OnAddDefinedType = [&](TObject*, IIEDefinedType* t) { events += "+T" + t->GetName(); };
  engine.OnRemoveDefinedType = [&](TObject*, IIEDefinedType* t) { events += "-T" + t->GetName(); };
  engine.OnAddUserFunction = [&](TObject*, IUserFunction* f) {
    events += "+F" + f->GetFunctionName();
  };
  engine.OnRemoveUserFunction = [&](TObject*, IUserFunction* f) {
    events += "-F" + f->GetFunctionName();
  };
  Define("(deftype small (extends (type INTEGER)) (range 0 9))");
  Define("(deftype small (extends (type INTEGER)) (range 0 5))");  // replaced
  Define("(deffunction twice (?x) (* 2 ?x))");
  EXPECT_EQ(events, "+Tsmall-Tsmall+Tsmall+Ftwice");
  events.clear();
  EXPECT_TRUE(engine.RemoveDefinedType("small"));
  engine.RemoveUserFunction(engine.GetUserFunction("twice"));
  EXPECT_EQ(events, "-Tsmall-Ftwice");
  engine.OnAddDefinedType = engine.OnRemoveDefinedType = nullptr;
  engine.OnAddUserFunction = engine.OnRemoveUserFunction = nullptr;
}

TEST_F(EngineTest, ClearRaisesTheTableEventsBeforeOnClear) {
  std::string events;
  engine.OnClearRules = [&](TObject*) { events += "rules "; };
  engine.OnClearFactTemplates = [&](TObject*) { events += "templates "; };
  engine.OnClearDefinedTypes = [&](TObject*) { events += "types "; };
  engine.OnClear = [&](TObject*) { events += "clear"; };
  engine.Clear();
  EXPECT_EQ(events, "rules templates types clear");
  engine.OnClearRules = engine.OnClearFactTemplates = engine.OnClearDefinedTypes = nullptr;
  engine.OnClear = nullptr;
}

}  // namespace
}  // namespace rulecore
