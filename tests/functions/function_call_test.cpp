// rulecore: an embeddable expert-system shell.
// Tests of function calls: arguments, finding and keeping the function, execution, equality and
// hashing, copying, and the rule-language form.
#include "functions/function_call.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "core/value_vector.h"
#include "facts/context.h"
#include "facts/fact_template.h"
#include "functions/user_function.h"
#include "platform/format.h"
#include "support/test_engine.h"
#include "support/test_helpers.h"

namespace rulecore {
namespace {

// A function that answers a fixed value (nothing when nil) and counts its calls.
class AnswerFunction : public TIEUserFunction {
 public:
  AnswerFunction(const std::string& name, IIEValue* answer)
      : TIEUserFunction(name, "", "", 0, kUnboundedArguments), answer_(answer) {}
  int calls = 0;

 protected:
  void DoCall(IFunCall*, TIEContext*, Ref<IIEValue>& result) override {
    ++calls;
    result = answer_;
  }

 private:
  Ref<IIEValue> answer_;
};

// An engine with a printer of its own for calls.
class PrintingEngine : public TestEngine {
 public:
  std::string PrettyPrint(IFunCall* call) override { return "call " + call->GetName(); }
  using TestEngine::PrettyPrint;
};

Ref<TFunctionCall> Call(IReasoner* reasoner, const std::string& name,
                        std::initializer_list<IIEValue*> args) {
  Ref<TFunctionCall> call(new TFunctionCall(reasoner, name));
  for (IIEValue* a : args)
    call->AddArgument(a);
  return call;
}

Ref<IIEValue> ListOf(std::initializer_list<IIEValue*> values) {
  Ref<TValueVector> v(new TValueVector);
  for (IIEValue* x : values)
    v->Add(x);
  return NewList(v.get());
}

// ---------------------------------------------------------------- arguments

TEST(TFunctionCallTest, EveryAddArgumentFormAppendsOneValueAndReturnsItsIndex) {
  Ref<TFactTemplate> tmpl(new TFactTemplate(nullptr, "t"));
  Ref<IFact> fact = tmpl->NewFact();
  Ref<TFunctionCall> nested = Call(nullptr, "inner", {});
  Ref<TValueVector> list(new TValueVector);
  list->Add(NewAtom("x").get());
  Ref<IIEValue> value = NewString("s");

  Ref<TFunctionCall> call(new TFunctionCall(nullptr, "f"));
  EXPECT_EQ(call->AddArgument(value.get()), 0);
  EXPECT_EQ(call->AddArgument(1.5, dtFloat), 1);
  EXPECT_EQ(call->AddArgument(int32_t{7}, dtInteger), 2);
  EXPECT_EQ(call->AddArgument(int32_t{3}, dtFloat), 3);
  EXPECT_EQ(call->AddArgument(std::string("red"), dtAtom), 4);
  EXPECT_EQ(call->AddArgument(fact.get()), 5);
  EXPECT_EQ(call->AddArgument(static_cast<IFunCall*>(nested.get())), 6);
  EXPECT_EQ(call->AddArgument(static_cast<IValueVector*>(list.get())), 7);
  EXPECT_EQ(call->AddArgument(int32_t{12}, dtFactId), 8);
  ASSERT_EQ(call->GetArgumentCount(), 9);

  EXPECT_EQ(call->GetArgument(0), value.get());
  EXPECT_EQ(call->GetArgument(1)->GetDType(), dtFloat);
  EXPECT_EQ(call->GetArgument(1)->GetAsFloat(), 1.5);
  EXPECT_EQ(call->GetArgument(2)->GetAsInteger(), 7);
  EXPECT_EQ(call->GetArgument(3)->GetDType(), dtFloat);
  EXPECT_EQ(call->GetArgument(3)->GetAsFloat(), 3.0);
  EXPECT_EQ(call->GetArgument(4)->GetDType(), dtAtom);
  EXPECT_EQ(call->GetArgument(4)->GetAsAtom(), "red");
  EXPECT_EQ(call->GetArgument(5)->GetAsFact(), fact.get());
  EXPECT_EQ(call->GetArgument(6)->GetAsFunCall(), nested.get());
  EXPECT_EQ(call->GetArgument(7)->GetAsList(), list.get());
  EXPECT_EQ(call->GetArgument(8)->GetDType(), dtFactId);
}

TEST(TFunctionCallTest, ArgumentsCanBeReplacedDeletedAndCleared) {
  Ref<TFunctionCall> call =
      Call(nullptr, "f", {NewAtom("a").get(), NewAtom("b").get(), NewAtom("c").get()});
  Ref<IIEValue> z = NewAtom("z");
  call->SetArgument(1, z.get());
  EXPECT_EQ(call->GetArgument(1), z.get());
  call->Delete(0);
  ASSERT_EQ(call->GetArgumentCount(), 2);
  EXPECT_EQ(call->GetArgument(0), z.get());
  ExpectIEError([&] { call->GetArgument(2); }, Format(SListIndexError, {2}));
  ExpectIEError([&] { call->SetArgument(-1, z.get()); }, Format(SListIndexError, {-1}));
  ExpectIEError([&] { call->Delete(5); }, Format(SListIndexError, {5}));
  call->Clear();
  EXPECT_EQ(call->GetArgumentCount(), 0);
}

// ---------------------------------------------------------------- execution

TEST(TFunctionCallTest, ExecuteFindsTheFunctionOnceAndKeepsIt) {
  TestEngine engine;
  Ref<AnswerFunction> first(new AnswerFunction("f", NewAtom("first").get()));
  first->AddReasoner(&engine);
  Ref<TFunctionCall> call = Call(&engine, "f", {});
  EXPECT_EQ(call->GetUserFunction(), nullptr);
  EXPECT_EQ(call->Execute(engine.GetContext())->GetAsAtom(), "first");
  EXPECT_EQ(call->GetUserFunction(), first.get());

  // Another function under the same name does not replace the one found.
  Ref<AnswerFunction> second(new AnswerFunction("f", NewAtom("second").get()));
  first->ClearReasoners();
  second->AddReasoner(&engine);
  EXPECT_EQ(call->Execute(engine.GetContext())->GetAsAtom(), "first");
  EXPECT_EQ(first->calls, 2);
  second->ClearReasoners();
}

TEST(TFunctionCallTest, MissingFunctionIsLookedForAgainNextTime) {
  TestEngine engine;
  Ref<TFunctionCall> call = Call(&engine, "later", {});
  ExpectIEError([&] { call->Execute(engine.GetContext()); }, Format(SNoSuchFunction, {"later"}));
  EXPECT_EQ(call->GetUserFunction(), nullptr);
  Ref<AnswerFunction> later(new AnswerFunction("later", NewInteger(5).get()));
  later->AddReasoner(&engine);
  EXPECT_EQ(call->Execute(engine.GetContext())->GetAsInteger(), 5);
  later->ClearReasoners();
}

TEST(TFunctionCallTest, SimpleExecuteCallsOnlyABoundFunction) {
  TestEngine engine;
  Ref<AnswerFunction> f(new AnswerFunction("f", NewInteger(1).get()));
  f->AddReasoner(&engine);
  Ref<TFunctionCall> call = Call(&engine, "f", {});
  ExpectIEError([&] { call->SimpleExecute(engine.GetContext()); }, Format(SNoSuchFunction, {"f"}));
  call->SetUserFunction(f.get());
  EXPECT_EQ(call->SimpleExecute(engine.GetContext())->GetAsInteger(), 1);
  f->ClearReasoners();
}

TEST(TFunctionCallTest, CallWithoutEngineOrFunctionIsUnimplemented) {
  TestEngine engine;
  Ref<TFunctionCall> call = Call(nullptr, "lost", {});
  ExpectIEError([&] { call->Execute(engine.GetContext()); }, Format(SNoSuchFunction, {"lost"}));
}

TEST(TFunctionCallTest, BindingAFunctionGivesTheCallItsName) {
  Ref<AnswerFunction> f(new AnswerFunction("plus", nullptr));
  Ref<TFunctionCall> call = Call(nullptr, "whatever", {});
  call->SetUserFunction(f.get());
  EXPECT_EQ(call->GetName(), "plus");
  call->SetUserFunction(nullptr);
  EXPECT_EQ(call->GetName(), "");
  EXPECT_EQ(call->GetUserFunction(), nullptr);
}

TEST(TFunctionCallTest, ArgumentsReachTheFunctionUnevaluated) {
  TestEngine engine;
  engine.AddTestFunctions();
  auto context = engine.GetContext()->Push();
  context->AddLocalBinding("x", NewInteger(4).get());
  Ref<TFunctionCall> inner = Call(&engine, "+", {NewInteger(1).get(), NewInteger(2).get()});
  Ref<TFunctionCall> outer = Call(&engine, "+", {NewVariable("x").get()});
  outer->AddArgument(static_cast<IFunCall*>(inner.get()));
  EXPECT_EQ(outer->Execute(context.get())->GetAsInteger(), 7);
  // The call still holds the variable and the nested call, not their values.
  EXPECT_EQ(outer->GetArgument(0)->GetDType(), dtVariable);
  EXPECT_EQ(outer->GetArgument(1)->GetDType(), dtFunCall);
}

TEST(TFunctionCallTest, ArgumentCountIsCheckedBeforeTheFunctionRuns) {
  TestEngine engine;
  engine.AddTestFunctions();
  Ref<TFunctionCall> call = Call(&engine, "not", {});
  ExpectIEError([&] { call->Execute(engine.GetContext()); }, Format(STooFewArgs, {"not"}));
  call->AddArgument(FCFalse);
  call->AddArgument(FCFalse);
  ExpectIEError([&] { call->Execute(engine.GetContext()); }, Format(STooManyArgs, {"not"}));
}

TEST(TFunctionCallTest, CallThatYieldsNothingEvaluatesToTheEmptyAtom) {
  TestEngine engine;
  Ref<AnswerFunction> silent(new AnswerFunction("silent", nullptr));
  silent->AddReasoner(&engine);
  Ref<TFunctionCall> call = Call(&engine, "silent", {});
  EXPECT_EQ(call->Execute(engine.GetContext()).get(), nullptr);
  Ref<IIEValue> value(new TIEValue(static_cast<IFunCall*>(call.get())));
  EXPECT_EQ(value->Resolve(engine.GetContext()).get(), FCNil);
  silent->ClearReasoners();
}

// ---------------------------------------------------------------- equality and copies

TEST(TFunctionCallTest, EqualCallsHashAlikeAndNamesAreCaseSensitive) {
  Ref<TFunctionCall> a = Call(nullptr, "f", {NewInteger(1).get(), NewInteger(2).get()});
  Ref<TFunctionCall> b = Call(nullptr, "f", {NewInteger(1).get(), NewInteger(2).get()});
  Ref<TFunctionCall> upper = Call(nullptr, "F", {NewInteger(1).get(), NewInteger(2).get()});
  Ref<TFunctionCall> other_arg = Call(nullptr, "f", {NewInteger(1).get(), NewInteger(3).get()});
  Ref<TFunctionCall> shorter = Call(nullptr, "f", {NewInteger(1).get()});
  EXPECT_TRUE(a->Equals(static_cast<IFunCall*>(b.get())));
  EXPECT_EQ(a->GetHashCode(), b->GetHashCode());
  EXPECT_FALSE(a->Equals(static_cast<IFunCall*>(upper.get())));
  EXPECT_FALSE(a->Equals(static_cast<IFunCall*>(other_arg.get())));
  EXPECT_FALSE(a->Equals(static_cast<IFunCall*>(shorter.get())));
  EXPECT_TRUE(a->Equals(static_cast<IInterface*>(b.get())));
  EXPECT_FALSE(a->Equals(static_cast<IInterface*>(NewInteger(1).get())));
}

TEST(TFunctionCallTest, CallsWithEqualNestedCallsAreEqual) {
  Ref<TFunctionCall> a = Call(nullptr, "f", {});
  a->AddArgument(static_cast<IFunCall*>(Call(nullptr, "g", {NewAtom("x").get()}).get()));
  Ref<TFunctionCall> b = Call(nullptr, "f", {});
  b->AddArgument(static_cast<IFunCall*>(Call(nullptr, "g", {NewAtom("x").get()}).get()));
  EXPECT_TRUE(a->Equals(static_cast<IFunCall*>(b.get())));
  EXPECT_EQ(a->GetHashCode(), b->GetHashCode());
}

TEST(TFunctionCallTest, CloneCopiesNameEngineFunctionTagCommentAndArguments) {
  TestEngine engine;
  Ref<AnswerFunction> f(new AnswerFunction("f", nullptr));
  Ref<TFunctionCall> call = Call(&engine, "f", {NewAtom("a").get()});
  call->SetUserFunction(f.get());
  call->SetTag(9);
  call->SetComment("why");
  Ref<IFunCall> copy = call->Clone();
  EXPECT_EQ(copy->GetName(), "f");
  EXPECT_EQ(copy->GetReasoner(), static_cast<IReasoner*>(&engine));
  EXPECT_EQ(copy->GetUserFunction(), f.get());
  EXPECT_EQ(copy->GetTag(), 9);
  EXPECT_EQ(copy->GetComment(), "why");
  EXPECT_TRUE(copy->Equals(static_cast<IFunCall*>(call.get())));
  // The arguments are copies of their own.
  EXPECT_NE(copy->GetArgument(0), call->GetArgument(0));
  copy->GetArgument(0)->SetAsAtom("changed");
  EXPECT_EQ(call->GetArgument(0)->GetAsAtom(), "a");
}

TEST(TFunctionCallTest, AssignFromSomethingElseIsRefused) {
  Ref<TFunctionCall> call = Call(nullptr, "f", {NewAtom("a").get()});
  EXPECT_THROW(call->Assign(static_cast<IInterface*>(NewAtom("x").get())), EConvertError);
  EXPECT_EQ(call->GetName(), "f");
  EXPECT_EQ(call->GetArgumentCount(), 1);
}

// ---------------------------------------------------------------- text

TEST(FunCallToRuleTextTest, NameAndArgumentsInParentheses) {
  Ref<TFunctionCall> call =
      Call(nullptr, "f", {NewInteger(1).get(), NewString("two").get(), NewVariable("x").get()});
  call->AddArgument(static_cast<IFunCall*>(Call(nullptr, "g", {}).get()));
  EXPECT_EQ(call->GetToString(), "(f 1 \"two\" ?x (g))");
  EXPECT_EQ(Call(nullptr, "h", {})->GetToString(), "(h)");
}

TEST(FunCallToRuleTextTest, CommentLinesComeFirst) {
  Ref<TFunctionCall> call = Call(nullptr, "f", {});
  call->SetComment("first\r\n; second\n");
  EXPECT_EQ(FunCallToRuleText(*call),
            std::string("; first") + NewLineString + "; second" + NewLineString + "(f)");
}

TEST(FunCallToRuleTextTest, ModifyAndDuplicateWriteSlotValuePairs) {
  for (const char* name : {"modify", "duplicate"}) {
    Ref<TFunctionCall> call = Call(nullptr, name, {NewVariable("f").get()});
    call->AddArgument(ListOf({NewAtom("color").get(), NewAtom("red").get()}).get());
    call->AddArgument(ListOf({NewAtom("size").get(), NewInteger(2).get()}).get());
    EXPECT_EQ(FunCallToRuleText(*call), std::string("(") + name + " ?f (color red ) (size 2 ))");
  }
  Ref<TFunctionCall> plain = Call(nullptr, "other", {NewVariable("f").get()});
  plain->AddArgument(ListOf({NewAtom("color").get(), NewAtom("red").get()}).get());
  EXPECT_EQ(FunCallToRuleText(*plain), "(other ?f color red )");
}

TEST(FunCallToRuleTextTest, CallOfAnEnginePrintsThroughTheEngine) {
  PrintingEngine engine;
  EXPECT_EQ(Call(&engine, "f", {NewInteger(1).get()})->GetToString(), "call f");
}

}  // namespace
}  // namespace rulecore
