// rulecore: an embeddable expert-system shell.
// Tests of user functions: the checked call, argument-count ranges, registration with engines
// by name, inner functions and the host-defined function component.
#include "functions/user_function.h"

#include <gtest/gtest.h>

#include <memory>
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

// A function that records the context it was called with and answers 1.
class RecordingFunction : public TIEUserFunction {
 public:
  RecordingFunction(const std::string& name, int32_t min, int32_t max)
      : TIEUserFunction(name, "records", " <x>", min, max) {}

  TIEContext* seen = nullptr;
  int calls = 0;

 protected:
  void DoCall(IFunCall*, TIEContext* context, Ref<IIEValue>& result) override {
    seen = context;
    ++calls;
    result = NewInteger(1);
  }
};

// A context of some other kind.
class ForeignContext : public IIEContext {
 public:
  IIEValue* FindBindingValue(std::string_view) override { return nullptr; }
  Ref<IIEValue> ResolveBindingInfo(const TBindingInfo&) override { return nullptr; }
};

// An engine with a printer of its own for functions.
class PrintingEngine : public TestEngine {
 public:
  std::string PrettyPrint(IUserFunction* function) override {
    return "function " + function->GetFunctionName();
  }
  using TestEngine::PrettyPrint;
};

Ref<TFunctionCall> CallWith(IReasoner* reasoner, const std::string& name, int arguments) {
  Ref<TFunctionCall> call(new TFunctionCall(reasoner, name));
  for (int i = 0; i < arguments; ++i)
    call->AddArgument(NewInteger(i).get());
  return call;
}

// ---------------------------------------------------------------- the checked call

TEST(TIEUserFunctionTest, DefaultRangeIsAnyNumberOfArguments) {
  Ref<TIEUserFunction> f(new TIEUserFunction);
  EXPECT_EQ(f->GetMinArgumentCount(), 0);
  EXPECT_EQ(f->GetMaxArgumentCount(), 2147483647);
  EXPECT_EQ(f->GetFunctionName(), "");
  EXPECT_EQ(f->GetReasonerCount(), 0);
}

TEST(TIEUserFunctionTest, CallOutsideTheRangeNamesTheFunction) {
  TestEngine engine;
  Ref<RecordingFunction> f(new RecordingFunction("pair", 2, 2));
  Ref<IIEValue> result;
  ExpectIEError([&] { f->Call(CallWith(nullptr, "pair", 1).get(), engine.GetContext(), result); },
                Format(STooFewArgs, {"pair"}));
  ExpectIEError([&] { f->Call(CallWith(nullptr, "pair", 3).get(), engine.GetContext(), result); },
                Format(STooManyArgs, {"pair"}));
  EXPECT_EQ(f->calls, 0);
  f->Call(CallWith(nullptr, "pair", 2).get(), engine.GetContext(), result);
  EXPECT_EQ(f->calls, 1);
  EXPECT_EQ(result->GetAsInteger(), 1);
}

TEST(TIEUserFunctionTest, CallHandsTheExecutionContextOn) {
  TestEngine engine;
  auto context = engine.GetContext()->Push();
  Ref<RecordingFunction> f(new RecordingFunction("f", 0, 5));
  Ref<IIEValue> result;
  f->Call(CallWith(nullptr, "f", 0).get(), context.get(), result);
  EXPECT_EQ(f->seen, context.get());
  f->Call(CallWith(nullptr, "f", 0).get(), nullptr, result);
  EXPECT_EQ(f->seen, nullptr);
}

TEST(TIEUserFunctionTest, ContextOfAnotherKindIsRefused) {
  ForeignContext foreign;
  Ref<RecordingFunction> f(new RecordingFunction("f", 0, 5));
  Ref<IIEValue> result;
  ExpectIEError([&] { f->Call(CallWith(nullptr, "f", 0).get(), &foreign, result); },
                Format(SNoContext, {"f"}));
  EXPECT_EQ(f->calls, 0);
}

TEST(TIEUserFunctionTest, PlainFunctionLeavesTheResultEmpty) {
  TestEngine engine;
  Ref<TIEUserFunction> f(new TIEUserFunction("nothing", "", "", 0, 1));
  Ref<IIEValue> result = NewAtom("stale");
  f->Call(CallWith(nullptr, "nothing", 1).get(), engine.GetContext(), result);
  EXPECT_EQ(result.get(), nullptr);
}

TEST(TIEUserFunctionTest, MinimumAboveTheMaximumRaisesTheMaximum) {
  Ref<TIEUserFunction> f(new TIEUserFunction("f", "", "", 1, 3));
  f->SetMinArgumentCount(5);
  EXPECT_EQ(f->GetMinArgumentCount(), 5);
  EXPECT_EQ(f->GetMaxArgumentCount(), 5);
}

TEST(TIEUserFunctionTest, MaximumBelowTheMinimumLowersTheMinimum) {
  Ref<TIEUserFunction> f(new TIEUserFunction("f", "", "", 4, 6));
  f->SetMaxArgumentCount(2);
  EXPECT_EQ(f->GetMaxArgumentCount(), 2);
  EXPECT_EQ(f->GetMinArgumentCount(), 2);
}

// ---------------------------------------------------------------- engines

TEST(TIEUserFunctionTest, AddingAnEngineRegistersTheFunctionByName) {
  TestEngine engine;
  Ref<TIEUserFunction> f(new TIEUserFunction("twice", "", "", 0, 1));
  f->AddReasoner(&engine);
  f->AddReasoner(&engine);
  EXPECT_EQ(f->GetReasonerCount(), 1);
  EXPECT_EQ(f->GetReasoner(0), static_cast<IReasoner*>(&engine));
  EXPECT_EQ(f->IndexOfReasoner(&engine), 0);
  IUserFunction* found = nullptr;
  EXPECT_TRUE(engine.ContainsUserFunction("twice", &found));
  EXPECT_EQ(found, f.get());
  f->ClearReasoners();
  EXPECT_FALSE(engine.ContainsUserFunction("twice"));
}

TEST(TIEUserFunctionTest, DeletingAnEngineUnregistersTheFunctionThereOnly) {
  TestEngine first;
  TestEngine second;
  Ref<TIEUserFunction> f(new TIEUserFunction("f", "", "", 0, 1));
  f->AddReasoner(&first);
  f->AddReasoner(&second);
  f->DeleteReasoner(&first);
  EXPECT_FALSE(first.ContainsUserFunction("f"));
  EXPECT_TRUE(second.ContainsUserFunction("f"));
  EXPECT_EQ(f->IndexOfReasoner(&first), -1);
  f->DeleteReasoner(0);
  EXPECT_FALSE(second.ContainsUserFunction("f"));
  ExpectIEError([&] { f->DeleteReasoner(0); }, Format(SListIndexError, {0}));
  ExpectIEError([&] { f->GetReasoner(1); }, Format(SListIndexError, {1}));
}

TEST(TIEUserFunctionTest, RenamedFunctionIsReachableUnderTheNewNameOnly) {
  TestEngine first;
  TestEngine second;
  Ref<TIEUserFunction> f(new TIEUserFunction("old", "", "", 0, 1));
  f->AddReasoner(&first);
  f->AddReasoner(&second);
  f->SetFunctionName("new");
  for (TestEngine* engine : {&first, &second}) {
    EXPECT_FALSE(engine->ContainsUserFunction("old"));
    EXPECT_EQ(engine->GetUserFunction("new"), f.get());
  }
  f->ClearReasoners();
}

TEST(TIEUserFunctionTest, FunctionHeldOnlyByItsEngineSurvivesBeingUnregistered) {
  TestEngine engine;
  {
    Ref<TIEUserFunction> f(new TIEUserFunction("lonely", "", "", 0, 1));
    f->AddReasoner(&engine);
  }
  // The engine holds the last reference while the function unregisters itself.
  engine.GetUserFunction("lonely")->DeleteReasoner(&engine);
  EXPECT_FALSE(engine.ContainsUserFunction("lonely"));

  {
    Ref<TIEUserFunction> f(new TIEUserFunction("renamed", "", "", 0, 1));
    f->AddReasoner(&engine);
  }
  engine.GetUserFunction("renamed")->SetFunctionName("again");
  ASSERT_TRUE(engine.ContainsUserFunction("again"));
  engine.GetUserFunction("again")->ClearReasoners();
  EXPECT_EQ(engine.UserFunctionCount(), 0);
}

TEST(TIEUserFunctionTest, AssignCopiesRangeCommentAndNameButNotTheSyntax) {
  TestEngine engine;
  Ref<TIEUserFunction> source(new TIEUserFunction("src", "help", " <a>", 1, 2));
  Ref<TIEUserFunction> target(new TIEUserFunction("dst", "", " <b>", 0, 9));
  target->AddReasoner(&engine);
  target->Assign(*source);
  EXPECT_EQ(target->GetFunctionName(), "src");
  EXPECT_EQ(target->GetComment(), "help");
  EXPECT_EQ(target->GetMinArgumentCount(), 1);
  EXPECT_EQ(target->GetMaxArgumentCount(), 2);
  EXPECT_EQ(target->GetArgumentString(), " <b>");
  // The registration follows the new name.
  EXPECT_EQ(engine.GetUserFunction("src"), target.get());
  EXPECT_FALSE(engine.ContainsUserFunction("dst"));
  target->ClearReasoners();
}

TEST(TIEUserFunctionTest, PrintsThroughTheEngine) {
  PrintingEngine engine;
  Ref<TIEUserFunction> f(new TIEUserFunction("f", "", "", 0, 1));
  EXPECT_EQ(f->GetToString(&engine), "function f");
}

// ---------------------------------------------------------------- inner functions

TEST(TIEInnerFunctionTest, FunctionWithoutOwnerIsUnimplemented) {
  TestEngine engine;
  Ref<TIEInnerFunction> f(new TIEInnerFunction(nullptr));
  f->SetFunctionName("ghost");
  f->SetOnCall([](TObject*, IFunCall*, TIEContext*, Ref<IIEValue>& result) {
    result = NewAtom("unexpected");
  });
  Ref<IIEValue> result;
  ExpectIEError([&] { f->Call(CallWith(nullptr, "ghost", 0).get(), engine.GetContext(), result); },
                Format(SNoSuchFunction, {"ghost"}));
}

TEST(TIEInnerFunctionTest, OnCallOfAPlainOwnerGetsTheFunctionCallAndContext) {
  TestEngine engine;
  TPersistent owner;
  Ref<TIEInnerFunction> f(new TIEInnerFunction(&owner));
  f->SetFunctionName("inner");
  TObject* sender = nullptr;
  IFunCall* seen_call = nullptr;
  TIEContext* seen_context = nullptr;
  f->SetOnCall([&](TObject* s, IFunCall* c, TIEContext* x, Ref<IIEValue>& result) {
    sender = s;
    seen_call = c;
    seen_context = x;
    result = NewAtom("done");
  });
  Ref<TFunctionCall> call = CallWith(nullptr, "inner", 1);
  Ref<IIEValue> result;
  f->Call(call.get(), engine.GetContext(), result);
  EXPECT_EQ(sender, static_cast<TObject*>(f.get()));
  EXPECT_EQ(seen_call, call.get());
  EXPECT_EQ(seen_context, engine.GetContext());
  EXPECT_EQ(result->GetAsAtom(), "done");
}

TEST(TIEInnerFunctionTest, OwnerWithoutHandlerLeavesTheResultEmpty) {
  TestEngine engine;
  TPersistent owner;
  Ref<TIEInnerFunction> f(new TIEInnerFunction(&owner));
  Ref<IIEValue> result = NewAtom("stale");
  f->Call(CallWith(nullptr, "", 0).get(), engine.GetContext(), result);
  EXPECT_EQ(result.get(), nullptr);
}

// ---------------------------------------------------------------- host-defined functions

TEST(TCustomUserFunctionTest, StartsWithItsNameAndAnInnerFunction) {
  TCustomUserFunction named(nullptr, "double");
  EXPECT_EQ(named.FunctionName(), "double");
  EXPECT_EQ(named.Function()->GetFunctionName(), "double");
  auto* inner = dynamic_cast<TIEInnerFunction*>(named.Function());
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->Owner(), &named);

  TCustomUserFunction unnamed(nullptr);
  EXPECT_EQ(unnamed.FunctionName(), unnamed.Name());
}

TEST(TCustomUserFunctionTest, EngineRegistrationFollowsEngineAndName) {
  TestEngine first;
  TestEngine second;
  TCustomUserFunction f(nullptr, "double");
  f.SetEngine(&first);
  EXPECT_EQ(f.Engine(), static_cast<IReasoner*>(&first));
  EXPECT_EQ(first.GetUserFunction("double"), f.Function());
  f.SetFunctionName("twice");
  EXPECT_FALSE(first.ContainsUserFunction("double"));
  EXPECT_EQ(first.GetUserFunction("twice"), f.Function());
  f.SetEngine(&second);
  EXPECT_FALSE(first.ContainsUserFunction("twice"));
  EXPECT_EQ(second.GetUserFunction("twice"), f.Function());
  f.SetEngine(nullptr);
  EXPECT_FALSE(second.ContainsUserFunction("twice"));
}

TEST(TCustomUserFunctionTest, FunctionWithoutNameIsNotRegistered) {
  TestEngine engine;
  TCustomUserFunction f(nullptr);
  f.SetEngine(&engine);
  EXPECT_EQ(engine.UserFunctionCount(), 0);
  f.SetFunctionName("late");
  EXPECT_EQ(engine.GetUserFunction("late"), f.Function());
  f.SetFunctionName("");
  EXPECT_EQ(engine.UserFunctionCount(), 0);
}

TEST(TCustomUserFunctionTest, OnCallComputesTheResultOfACall) {
  TestEngine engine;
  TCustomUserFunction f(nullptr, "double");
  f.SetEngine(&engine);
  TObject* sender = nullptr;
  f.SetOnCall([&](TObject* s, IFunCall* call, TIEContext* context, Ref<IIEValue>& result) {
    sender = s;
    result = NewInteger(2 * call->GetArgument(0)->Resolve(context)->GetAsInteger());
  });
  auto context = engine.GetContext()->Push();
  context->AddLocalBinding("n", NewInteger(21).get());
  Ref<TFunctionCall> call(new TFunctionCall(&engine, "double"));
  call->AddArgument(NewVariable("n").get());
  EXPECT_EQ(call->Execute(context.get())->GetAsInteger(), 42);
  EXPECT_EQ(sender, &f);
}

TEST(TCustomUserFunctionTest, WithoutHandlerOrWhileDesigningTheResultIsNil) {
  TestEngine engine;
  TCustomUserFunction f(nullptr, "quiet");
  Ref<IIEValue> result;
  f.Function()->Call(CallWith(nullptr, "quiet", 0).get(), engine.GetContext(), result);
  EXPECT_EQ(result.get(), FCNil);

  int calls = 0;
  f.SetOnCall([&](TObject*, IFunCall*, TIEContext*, Ref<IIEValue>& r) {
    ++calls;
    r = NewAtom("busy");
  });
  f.SetDesigning(true);
  f.Function()->Call(CallWith(nullptr, "quiet", 0).get(), engine.GetContext(), result);
  EXPECT_EQ(result.get(), FCNil);
  EXPECT_EQ(calls, 0);
}

TEST(TCustomUserFunctionTest, ArgumentRangeRebuildsTheSyntaxAndLimitsCalls) {
  TestEngine engine;
  TCustomUserFunction f(nullptr, "scale");
  f.SetArgumentString(" <number> <factor>");
  f.SetMinArgumentCount(1);
  f.SetMaxArgumentCount(2);
  EXPECT_EQ(f.MinArgumentCount(), 1);
  EXPECT_EQ(f.MaxArgumentCount(), 2);
  EXPECT_EQ(f.ArgumentString(), " <number> [<factor>]");
  Ref<IIEValue> result;
  ExpectIEError(
      [&] { f.Function()->Call(CallWith(nullptr, "scale", 3).get(), engine.GetContext(), result); },
      Format(STooManyArgs, {"scale"}));
}

TEST(TCustomUserFunctionTest, AssignCopiesCommentNameAndRange) {
  TCustomUserFunction source(nullptr, "src");
  source.SetComment("help");
  source.SetMaxArgumentCount(3);
  source.SetMinArgumentCount(2);
  TCustomUserFunction target(nullptr, "dst");
  target.Assign(source);
  EXPECT_EQ(target.FunctionName(), "src");
  EXPECT_EQ(target.Comment(), "help");
  EXPECT_EQ(target.MinArgumentCount(), 2);
  EXPECT_EQ(target.MaxArgumentCount(), 3);
}

TEST(TCustomUserFunctionTest, DestroyedEngineIsForgotten) {
  auto* engine = new TestEngine;
  TCustomUserFunction f(nullptr, "f");
  f.SetEngine(engine);
  delete engine;
  EXPECT_EQ(f.Engine(), nullptr);
}

TEST(TCustomUserFunctionTest, CallOutlivingItsComponentIsUnimplemented) {
  TestEngine engine;
  Ref<TFunctionCall> call(new TFunctionCall(&engine, "gone"));
  {
    TCustomUserFunction f(nullptr, "gone");
    f.SetEngine(&engine);
    f.SetOnCall([](TObject*, IFunCall*, TIEContext*, Ref<IIEValue>& r) { r = NewAtom("here"); });
    EXPECT_EQ(call->Execute(engine.GetContext())->GetAsAtom(), "here");
  }
  EXPECT_FALSE(engine.ContainsUserFunction("gone"));
  ExpectIEError([&] { call->Execute(engine.GetContext()); }, Format(SNoSuchFunction, {"gone"}));
}

}  // namespace
}  // namespace rulecore
