// rulecore: an embeddable expert-system shell.
// The engine's global variables: a defglobal's initial value or expression is
// kept in the table and given to the global at once and again on every reset
// (when ResetGlobals is on); Clear forgets globals and their values; a
// failing initial expression raises and leaves the global as it was.
#include "engine/variables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ie_value.h"
#include "engine/inference_engine.h"
#include "facts/context.h"
#include "platform/exception.h"
#include "support/test_helpers.h"

namespace rulecore {
namespace {

class GlobalsTest : public ::testing::Test {
 protected:
  GlobalsTest() {
    engine.OnPrintOut = [](TObject*, const std::string&, const std::string&) {};
    // (next): 1, 2, 3, ... one more on every call.
    Register("next", 0, 0, [this](IFunCall*, TIEContext*) { return NewInteger(++calls); });
    // (flaky): raises while `failing` is set, else returns 42.
    Register("flaky", 0, 0, [this](IFunCall*, TIEContext*) -> Ref<IIEValue> {
      if (failing) throw Exception("flaky failed");
      return NewInteger(42);
    });
  }
  ~GlobalsTest() override {
    for (Ref<IUserFunction>& f : functions)
      f->ClearReasoners();
  }

  void Register(const std::string& name, int32_t min, int32_t max, TestFunction::Body body) {
    Ref<IUserFunction> f(new TestFunction(name, min, max, std::move(body)));
    f->AddReasoner(&engine);
    functions.push_back(f);
  }

  // The current value of a global as text; "unbound" when it has none.
  std::string Value(const std::string& name) {
    TBinding* b = engine.GetContext()->FindGlobalBinding(name);
    return b && b->Value() ? b->Value()->GetToString() : "unbound";
  }

  std::vector<Ref<IUserFunction>> functions;  // outlive the engine
  TInferenceEngine engine;
  int calls = 0;
  bool failing = false;
};

TEST_F(GlobalsTest, AnInitialExpressionIsKeptAndItsValueBoundAtOnce) {
  engine.Parse("(defglobal ?*a* = (+ 1 2) ?*b* = x)", true);
  ASSERT_NE(engine.GlobalValue("*a*"), nullptr);
  EXPECT_EQ(engine.GlobalValue("*a*")->GetDType(), dtFunCall);
  EXPECT_EQ(Value("*a*"), "3");
  EXPECT_EQ(Value("*b*"), "x");
}

TEST_F(GlobalsTest, GlobalsAreReadFromTextAloneOrAsADefinition) {
  std::string name;
  Ref<IIEValue> value = engine.ParseVariable("?*limit* = (+ 2 3)", name);
  EXPECT_EQ(name, "*limit*");
  EXPECT_EQ(value->GetDType(), dtFunCall);
  EXPECT_EQ(engine.GlobalValue("*limit*"), nullptr);  // read, not defined
  EXPECT_THROW(engine.ParseVariable("?limit = 1", name), EIEException);
  EXPECT_TRUE(engine.ParseGlobalVariables("(defglobal ?*limit* = (+ 2 3) ?*name* = ann)"));
  EXPECT_EQ(Value("*limit*"), "5");
  EXPECT_EQ(Value("*name*"), "ann");
}

TEST_F(GlobalsTest, ResetEvaluatesInitialExpressionsAgainAndUndoesBind) {
  engine.Parse("(defglobal ?*n* = (next) ?*k* = 5)", true);
  EXPECT_EQ(Value("*n*"), "1");
  engine.Parse("(bind ?*k* 9)", true);
  EXPECT_EQ(Value("*k*"), "9");
  engine.Reset();
  EXPECT_EQ(Value("*n*"), "2");
  EXPECT_EQ(Value("*k*"), "5");
  engine.Reset();
  EXPECT_EQ(Value("*n*"), "3");
}

TEST_F(GlobalsTest, WithResetGlobalsOffResetKeepsCurrentValues) {
  engine.SetResetGlobals(false);
  engine.Parse("(defglobal ?*n* = (next) ?*k* = 5)", true);
  engine.Parse("(bind ?*k* 9)", true);
  engine.Reset();
  EXPECT_EQ(Value("*n*"), "1");
  EXPECT_EQ(Value("*k*"), "9");
  EXPECT_EQ(calls, 1);
}

TEST_F(GlobalsTest, ClearForgetsEveryGlobalAndItsValue) {
  engine.Parse("(defglobal ?*a* = 1 ?*b* = (next))", true);
  engine.Clear();
  EXPECT_EQ(engine.Globals().Count(), 0);
  EXPECT_EQ(Value("*a*"), "unbound");
  EXPECT_EQ(Value("*b*"), "unbound");
  engine.Reset();
  EXPECT_EQ(Value("*a*"), "unbound");
  EXPECT_EQ(calls, 1);
}

TEST_F(GlobalsTest, AFailingDefinitionRaisesAndLeavesTheEarlierDefinition) {
  engine.Parse("(defglobal ?*g* = 1)", true);
  failing = true;
  EXPECT_THROW(engine.Parse("(defglobal ?*g* = (flaky))", true), Exception);
  EXPECT_EQ(Value("*g*"), "1");
  ASSERT_NE(engine.GlobalValue("*g*"), nullptr);
  EXPECT_EQ(engine.GlobalValue("*g*")->GetToString(), "1");
  // A new global whose value cannot be made is not defined at all.
  EXPECT_THROW(engine.Parse("(defglobal ?*h* = (flaky))", true), Exception);
  EXPECT_FALSE(engine.Globals().ContainsKey("*h*"));
  EXPECT_EQ(Value("*h*"), "unbound");
}

TEST_F(GlobalsTest, AFailingExpressionAtResetRaisesAndKeepsTheCurrentValue) {
  engine.Parse("(defglobal ?*g* = (flaky))", true);
  engine.Parse("(bind ?*g* 7)", true);
  failing = true;
  EXPECT_THROW(engine.Reset(), Exception);
  EXPECT_EQ(Value("*g*"), "7");
  failing = false;
  engine.Reset();
  EXPECT_EQ(Value("*g*"), "42");
}

TEST_F(GlobalsTest, AnInitialExpressionRunsInAScopeOfItsOwn) {
  engine.Parse("(defglobal ?*r* = (return 4))", true);
  EXPECT_EQ(Value("*r*"), "4");
  // The return ended the expression's scope only, not the engine's.
  EXPECT_FALSE(engine.GetContext()->ReturnSet());
}

TEST_F(GlobalsTest, ResetGlobalVariableBindsAValueOrTheResultOfACall) {
  engine.ResetGlobalVariable("*v*", NewInteger(8).get());
  EXPECT_EQ(Value("*v*"), "8");
  engine.ResetGlobalVariable(
      "*v*", Ref<IIEValue>(new TIEValue(engine.ParseFunCall("(next)").get())).get());
  EXPECT_EQ(Value("*v*"), "1");
  // The table is not involved: only the binding changes.
  EXPECT_FALSE(engine.Globals().ContainsKey("*v*"));
}

TEST_F(GlobalsTest, GlobalsPrintAsOneDefglobal) {
  EXPECT_EQ(engine.PrettyPrintGlobalVariables(), "(defglobal)");
  engine.Parse("(defglobal ?*a* = 1 ?*s* = \"two words\" ?*c* = (+ 1 2))", true);
  EXPECT_EQ(engine.PrettyPrintGlobalVariables(),
            "(defglobal ?*a* = 1 ?*s* = \"two words\" ?*c* = (+ 1 2))");
  EXPECT_EQ(engine.PrettyPrint("*a*", engine.GlobalValue("*a*")), "(defglobal ?*a* = 1)");
  EXPECT_EQ(engine.GlobalVariables().GetToString(),
            "(defglobal ?*a* = 1)" + std::string(NewLineString) +
                "(defglobal ?*s* = \"two words\")" + NewLineString + "(defglobal ?*c* = (+ 1 2))" +
                NewLineString);
}

TEST_F(GlobalsTest, AssigningTablesGivesEveryCopiedGlobalItsValue) {
  TInferenceEngine source;
  source.Parse("(defglobal ?*a* = 5 ?*b* = (+ 2 2))", true);
  engine.GlobalVariables().Assign(source.GlobalVariables());
  EXPECT_EQ(engine.Globals().Count(), 2);
  EXPECT_EQ(Value("*a*"), "5");
  EXPECT_EQ(Value("*b*"), "4");
}

TEST_F(GlobalsTest, EngineVariablesAreUntouchedByResetAndEmptiedByClear) {
  engine.Parse("(store k 3)", true);
  engine.Reset();
  ASSERT_NE(engine.EngineVariables().Get("k"), nullptr);
  EXPECT_EQ(engine.EngineVariables().Get("k")->GetToString(), "3");
  engine.Clear();
  EXPECT_EQ(engine.EngineVariables().Count(), 0);
}

}  // namespace
}  // namespace rulecore
