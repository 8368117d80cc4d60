// rulecore: an embeddable expert-system shell.
// Tests of deffunctions: parameters, argument counts, scopes of a call, the body's result,
// return, and recursion.
#include "functions/interpreted_function.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "facts/context.h"
#include "functions/function_call.h"
#include "platform/format.h"
#include "support/test_engine.h"
#include "support/test_helpers.h"

namespace rulecore {
namespace {

using Strings = std::vector<std::string>;

// (if-positive n then else): evaluates only the branch it takes.
class IfPositive : public TIEUserFunction {
 public:
  IfPositive() : TIEUserFunction("if-positive", "", "", 3, 3) {}

 protected:
  void DoCall(IFunCall* call, TIEContext* context, Ref<IIEValue>& result) override {
    bool positive = Evaluate(call, 0, context)->GetAsInteger() > 0;
    result = Evaluate(call, positive ? 1 : 2, context);
  }
};

Ref<TFunctionCall> Call(IReasoner* reasoner, const std::string& name,
                        std::initializer_list<IIEValue*> args) {
  Ref<TFunctionCall> call(new TFunctionCall(reasoner, name));
  for (IIEValue* a : args)
    call->AddArgument(a);
  return call;
}

Ref<IIEValue> AsValue(const Ref<TFunctionCall>& call) {
  return Ref<IIEValue>(new TIEValue(static_cast<IFunCall*>(call.get())));
}

Ref<IIEValue> MultiVariable(const std::string& name) {
  return Ref<IIEValue>(new TIEValue(std::string_view(name), dtMultiVariable));
}

// A deffunction registered with `engine`; unregistered when the fixture ends.
class InterpretedFunctionTest : public ::testing::Test {
 protected:
  void SetUp() override { engine_.AddTestFunctions(); }
  void TearDown() override {
    for (auto& f : defined_)
      f->ClearReasoners();
  }

  Ref<TInterpretedFunction> Define(const std::string& name,
                                   std::vector<std::pair<std::string, TIEType>> parameters) {
    Ref<TInterpretedFunction> f(new TInterpretedFunction(name));
    for (auto& [parameter, kind] : parameters)
      f->AddArgument(parameter, kind);
    f->AddReasoner(&engine_);
    defined_.push_back(f);
    return f;
  }

  // Calls `name` with `args` in `context` (the engine's root context by default).
  Ref<IIEValue> Run(const std::string& name, std::initializer_list<IIEValue*> args,
                    TIEContext* context = nullptr) {
    return Call(&engine_, name, args)->Execute(context ? context : engine_.GetContext());
  }

  TestEngine engine_;
  std::vector<Ref<TInterpretedFunction>> defined_;
};

// ---------------------------------------------------------------- parameters

TEST_F(InterpretedFunctionTest, ParametersAreAtomsVariablesOrAWildcard) {
  Ref<TInterpretedFunction> f(new TInterpretedFunction("f"));
  f->AddArgument("a", dtAtom);
  f->AddArgument("b", dtVariable);
  f->AddArgument("rest", dtMultiVariable);
  ExpectIEError([&] { f->AddArgument("n", dtInteger); },
                Format(SInvalidArgType, {"dtInteger", "dtAtom, dtVariable, dtMultiVariable"}));
  ASSERT_EQ(f->GetArgumentCount(), 3);
  EXPECT_EQ(f->GetArgument(0)->GetDType(), dtAtom);
  EXPECT_EQ(f->GetArgument(1)->GetDType(), dtVariable);
  EXPECT_EQ(f->GetArgument(2)->GetDType(), dtMultiVariable);
  EXPECT_EQ(f->GetArgument(2)->GetAsMultiVariable(), "rest");
}

TEST_F(InterpretedFunctionTest, RangeFollowsTheParameters) {
  Ref<TInterpretedFunction> none(new TInterpretedFunction("none"));
  EXPECT_EQ(none->GetMinArgumentCount(), 0);
  EXPECT_EQ(none->GetMaxArgumentCount(), 0);
  Ref<TInterpretedFunction> two(new TInterpretedFunction("two"));
  two->AddArgument("a", dtVariable);
  two->AddArgument("b", dtVariable);
  EXPECT_EQ(two->GetMinArgumentCount(), 2);
  EXPECT_EQ(two->GetMaxArgumentCount(), 2);
  EXPECT_FALSE(two->HasWildcard());
  two->AddArgument("rest", dtMultiVariable);
  EXPECT_EQ(two->GetMinArgumentCount(), 3);
  EXPECT_EQ(two->GetMaxArgumentCount(), kUnboundedArguments);
  EXPECT_TRUE(two->HasWildcard());
}

// ---------------------------------------------------------------- calls

TEST_F(InterpretedFunctionTest, CallAnswersTheLastStatement) {
  Ref<TInterpretedFunction> f = Define("f", {{"a", dtVariable}, {"b", dtVariable}});
  f->AddStatement(static_cast<IFunCall*>(
      Call(&engine_, "bind-global", {NewAtom("first").get(), NewVariable("a").get()}).get()));
  f->AddStatement(static_cast<IFunCall*>(
      Call(&engine_, "+", {NewVariable("a").get(), NewVariable("b").get()}).get()));
  EXPECT_EQ(Run("f", {NewInteger(2).get(), NewInteger(3).get()})->GetAsInteger(), 5);
  EXPECT_EQ(engine_.GetContext()->GetVariable("first")->GetAsInteger(), 2);
}

TEST_F(InterpretedFunctionTest, WrongNumberOfArgumentsNamesTheFunction) {
  Ref<TInterpretedFunction> f = Define("pair", {{"a", dtVariable}, {"b", dtVariable}});
  f->AddStatement(NewAtom("ok").get());
  ExpectIEError([&] { Run("pair", {NewInteger(1).get()}); }, Format(STooFewArgs, {"pair"}));
  ExpectIEError(
      [&] {
        Run("pair", {NewInteger(1).get(), NewInteger(2).get(), NewInteger(3).get()});
      },
      Format(STooManyArgs, {"pair"}));
  EXPECT_EQ(Run("pair", {NewInteger(1).get(), NewInteger(2).get()})->GetAsAtom(), "ok");
}

TEST_F(InterpretedFunctionTest, WildcardCollectsTheRemainingEvaluatedArguments) {
  Ref<TInterpretedFunction> f = Define("f", {{"a", dtVariable}, {"rest", dtMultiVariable}});
  f->AddStatement(MultiVariable("rest").get());
  Ref<IIEValue> sum = AsValue(Call(&engine_, "+", {NewInteger(1).get(), NewInteger(1).get()}));
  Ref<IIEValue> rest = Run("f", {NewInteger(1).get(), sum.get(), NewAtom("x").get()});
  ASSERT_EQ(rest->GetDType(), dtList);
  IValueVector* list = rest->GetAsList();
  ASSERT_EQ(list->GetValueCount(), 2);
  EXPECT_EQ(list->Get(0)->GetAsInteger(), 2);
  EXPECT_EQ(list->Get(1)->GetAsAtom(), "x");

  EXPECT_EQ(Run("f", {NewInteger(1).get(), NewInteger(9).get()})->GetAsList()->GetValueCount(), 1);
  // The wildcard counts as a parameter: it needs one argument at least.
  ExpectIEError([&] { Run("f", {NewInteger(1).get()}); }, Format(STooFewArgs, {"f"}));
}

TEST_F(InterpretedFunctionTest, ReturnEndsTheBodyWithItsValue) {
  Ref<TInterpretedFunction> f = Define("f", {});
  f->AddStatement(static_cast<IFunCall*>(Call(&engine_, "return", {NewInteger(5).get()}).get()));
  f->AddStatement(static_cast<IFunCall*>(
      Call(&engine_, "bind-global", {NewAtom("after").get(), NewInteger(1).get()}).get()));
  auto caller = engine_.GetContext()->Push();
  EXPECT_EQ(Run("f", {}, caller.get())->GetAsInteger(), 5);
  EXPECT_EQ(engine_.GetContext()->FindBinding("after"), nullptr);
  // The return belongs to the deffunction: the caller goes on.
  EXPECT_FALSE(caller->ReturnSet());
}

TEST_F(InterpretedFunctionTest, EmptyBodyYieldsNothing) {
  Define("f", {{"a", dtVariable}});
  EXPECT_EQ(Run("f", {NewInteger(1).get()}).get(), nullptr);
  Ref<IIEValue> call = AsValue(Call(&engine_, "f", {NewInteger(1).get()}));
  EXPECT_EQ(call->Resolve(engine_.GetContext()).get(), FCNil);
}

TEST_F(InterpretedFunctionTest, ResultOutlivesTheScopeOfTheCall) {
  Ref<TInterpretedFunction> f = Define("id", {{"a", dtVariable}});
  f->AddStatement(NewVariable("a").get());
  // The argument's value is held by the call's own scope only.
  Ref<IIEValue> sum = AsValue(Call(&engine_, "+", {NewInteger(1).get(), NewInteger(2).get()}));
  Ref<IIEValue> result = Run("id", {sum.get()});
  EXPECT_EQ(result->GetAsInteger(), 3);
}

// ---------------------------------------------------------------- scopes

TEST_F(InterpretedFunctionTest, ParametersAreLocalToTheCall) {
  Ref<TInterpretedFunction> f = Define("f", {{"x", dtVariable}});
  f->AddStatement(static_cast<IFunCall*>(
      Call(&engine_, "+", {NewVariable("x").get(), NewInteger(0).get()}).get()));
  auto caller = engine_.GetContext()->Push();
  Ref<IIEValue> one = NewInteger(1);
  caller->AddLocalBinding("x", one.get());
  EXPECT_EQ(Run("f", {NewInteger(5).get()}, caller.get())->GetAsInteger(), 5);
  EXPECT_EQ(caller->GetVariable("x"), one.get());
  EXPECT_EQ(caller->Bindings().Count(), 1);
  EXPECT_EQ(engine_.GetContext()->FindBinding("x"), nullptr);
}

TEST_F(InterpretedFunctionTest, AtomParameterIsNilInsideAndLeavesTheCallerAlone) {
  Ref<TInterpretedFunction> f = Define("f", {{"a", dtAtom}});
  f->AddStatement(NewVariable("a").get());
  auto caller = engine_.GetContext()->Push();
  Ref<IIEValue> seven = NewInteger(7);
  caller->AddLocalBinding("a", seven.get());
  EXPECT_EQ(Run("f", {NewAtom("ignored").get()}, caller.get()).get(), FCNil);
  EXPECT_EQ(caller->GetVariable("a"), seven.get());
}

TEST_F(InterpretedFunctionTest, ArgumentsAreEvaluatedWhereTheCallStands) {
  Ref<TInterpretedFunction> f = Define("f", {{"x", dtVariable}, {"y", dtVariable}});
  f->AddStatement(static_cast<IFunCall*>(
      Call(&engine_, "+", {NewVariable("x").get(), NewVariable("y").get()}).get()));
  auto caller = engine_.GetContext()->Push();
  caller->AddLocalBinding("x", NewInteger(1).get());
  // ?x as the second argument is the caller's x, not the first parameter.
  EXPECT_EQ(Run("f", {NewInteger(10).get(), NewVariable("x").get()}, caller.get())->GetAsInteger(),
            11);
}

TEST_F(InterpretedFunctionTest, BodySeesTheCallersVariablesAndSetsGlobals) {
  Ref<TInterpretedFunction> f = Define("f", {{"a", dtVariable}});
  Ref<TFunctionCall> total =
      Call(&engine_, "+", {NewVariable("a").get(), NewVariable("outer").get()});
  f->AddStatement(static_cast<IFunCall*>(
      Call(&engine_, "bind-global", {NewAtom("total").get(), AsValue(total).get()}).get()));
  auto caller = engine_.GetContext()->Push();
  caller->AddLocalBinding("outer", NewInteger(30).get());
  EXPECT_EQ(Run("f", {NewInteger(12).get()}, caller.get())->GetAsInteger(), 42);
  EXPECT_EQ(engine_.GetContext()->GetVariable("total")->GetAsInteger(), 42);
}

TEST_F(InterpretedFunctionTest, ErrorInTheBodyPassesThroughAndLeavesTheCallerAsItWas) {
  Ref<TInterpretedFunction> f = Define("f", {{"a", dtVariable}});
  f->AddStatement(
      static_cast<IFunCall*>(Call(&engine_, "+", {NewVariable("missing").get()}).get()));
  auto caller = engine_.GetContext()->Push();
  ExpectIEError([&] { Run("f", {NewInteger(1).get()}, caller.get()); },
                Format(SCorruptedVariable, {"missing"}));
  EXPECT_EQ(caller->Bindings().Count(), 0);
  EXPECT_FALSE(caller->ReturnSet());
}

TEST_F(InterpretedFunctionTest, RecursiveCallsKeepTheirOwnParameters) {
  Ref<IUserFunction> branch(new IfPositive);
  branch->AddReasoner(&engine_);
  // (deffunction sum (?n) (if-positive ?n (+ (sum (+ ?n -1)) ?n) 0))
  Ref<TInterpretedFunction> sum = Define("sum", {{"n", dtVariable}});
  Ref<TFunctionCall> smaller = Call(&engine_, "+", {NewVariable("n").get(), NewInteger(-1).get()});
  Ref<TFunctionCall> recurse = Call(&engine_, "sum", {AsValue(smaller).get()});
  Ref<TFunctionCall> add = Call(&engine_, "+", {AsValue(recurse).get(), NewVariable("n").get()});
  sum->AddStatement(
      static_cast<IFunCall*>(Call(&engine_, "if-positive",
                                  {NewVariable("n").get(), AsValue(add).get(), NewInteger(0).get()})
                                 .get()));
  EXPECT_EQ(Run("sum", {NewInteger(4).get()})->GetAsInteger(), 10);
  EXPECT_EQ(Run("sum", {NewInteger(0).get()})->GetAsInteger(), 0);
  // The recursive call site holds the function that holds it: let go.
  recurse->SetUserFunction(nullptr);
  branch->ClearReasoners();
}

}  // namespace
}  // namespace rulecore

namespace rulecore {
namespace {

TEST(TInterpretedFunctionDepthTest, EndlessRecursionRaisesInsteadOfOverflowingTheStack) {
  TestEngine engine;
  engine.AddTestFunctions();
  // (deffunction down (?n) (down (+ ?n 1)))
  Ref<TInterpretedFunction> down(new TInterpretedFunction("down"));
  down->AddArgument("n", dtVariable);
  Ref<TFunctionCall> plus(new TFunctionCall(&engine, "+"));
  plus->AddArgument(NewVariable("n").get());
  plus->AddArgument(NewInteger(1).get());
  Ref<TFunctionCall> again(new TFunctionCall(&engine, "down"));
  again->AddArgument(plus.get());
  down->AddStatement(again.get());
  down->AddReasoner(&engine);
  Ref<TFunctionCall> call(new TFunctionCall(&engine, "down"));
  call->AddArgument(NewInteger(0).get());
  try {
    call->Execute(engine.GetContext());
    ADD_FAILURE() << "endless recursion returned";
  } catch (const EIEException& e) {
    // The call that meets the limit is "down" or the "+" inside it.
    std::string text = e.what();
    EXPECT_TRUE(text == Format(SStackExhausted, {"down"}) || text == Format(SStackExhausted, {"+"}))
        << text;
  }
  // The engine still works afterwards.
  Ref<TFunctionCall> sum(new TFunctionCall(&engine, "+"));
  sum->AddArgument(NewInteger(2).get());
  sum->AddArgument(NewInteger(3).get());
  EXPECT_EQ(sum->Execute(engine.GetContext())->GetAsInteger(), 5);
  // The call site inside the body holds the function: break the cycle.
  again->SetUserFunction(nullptr);
  down->ClearReasoners();
}

}  // namespace
}  // namespace rulecore
