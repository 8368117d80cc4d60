// rulecore: an embeddable expert-system shell.
// Tests of function packages: creating their functions, registering them with every engine the
// package is given, following engines that come and go, and copying function lists.
#include "functions/user_package.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/ie_exception.h"
#include "core/messages.h"
#include "functions/user_function.h"
#include "platform/format.h"
#include "support/test_engine.h"

namespace rulecore {
namespace {

using Strings = std::vector<std::string>;

Ref<IUserFunction> Function(const std::string& name) {
  return Ref<IUserFunction>(new TIEUserFunction(name, "", "", 0, kUnboundedArguments));
}

// A library package with two functions, "one" and "two".
class TTwoPackage : public TUserPackage {
 public:
  using TUserPackage::TUserPackage;

 protected:
  void CreateFunctions() override {
    Functions().Add(Function("one").get());
    Functions().Add(Function("two").get());
  }
};

// The names an engine knows, sorted.
Strings Known(TestEngine& engine) {
  Strings out;
  for (IUserFunction* f : engine.GetUserFunctions())
    out.push_back(f->GetFunctionName());
  std::sort(out.begin(), out.end());
  return out;
}

TEST(TUserPackageTest, PackageOwnedByAnEngineRegistersItsFunctionsThere) {
  TestEngine engine;
  TTwoPackage* package = NewPackage<TTwoPackage>(&engine);
  EXPECT_EQ(package->Owner(), &engine);
  ASSERT_EQ(package->ReasonerCount(), 1);
  EXPECT_EQ(package->Reasoner(0), static_cast<IReasoner*>(&engine));
  EXPECT_EQ(Known(engine), (Strings{"one", "two"}));
  EXPECT_EQ(package->Functions().Get(0)->GetReasonerCount(), 1);
}

TEST(TUserPackageTest, EngineThatFreesAnAttachedPackageIsNotCalledBack) {
  // The engine goes without detaching the package it owns; the package must
  // not call into what is left of it.
  auto* engine = new TestEngine;
  Ref<IUserFunction> one;
  {
    TTwoPackage* package = NewPackage<TTwoPackage>(engine);
    one = Ref<IUserFunction>(package->Functions().Get(0));
  }
  delete engine;
  EXPECT_EQ(one->GetReasonerCount(), 0);
}

TEST(TUserPackageTest, OnCreateFunctionsFillsAPlainPackage) {
  TestEngine engine;
  std::unique_ptr<TUserPackage> package(new TUserPackage(nullptr));
  package->SetOnCreateFunctions(
      [](TUserPackage* p) { p->Functions().Add(Function("made").get()); });
  package->AfterConstruction();
  package->SetEngine(&engine);
  EXPECT_EQ(package->IndexOf("made"), 0);
  EXPECT_EQ(Known(engine), (Strings{"made"}));
}

TEST(TUserPackageTest, FunctionsAddedOrRemovedLaterFollowThePackagesEngines) {
  TestEngine first;
  TestEngine second;
  std::unique_ptr<TTwoPackage> package(NewPackage<TTwoPackage>(nullptr));
  package->AddReasoner(&first);
  package->AddReasoner(&second);
  Ref<IUserFunction> three = Function("three");
  package->Functions().Insert(0, three.get());
  EXPECT_EQ(Known(first), (Strings{"one", "three", "two"}));
  EXPECT_EQ(Known(second), (Strings{"one", "three", "two"}));
  EXPECT_EQ(three->GetReasonerCount(), 2);

  EXPECT_EQ(package->Functions().Remove(three.get()), 0);
  EXPECT_EQ(package->Functions().Remove(three.get()), -1);
  EXPECT_EQ(Known(first), (Strings{"one", "two"}));
  EXPECT_EQ(three->GetReasonerCount(), 0);

  package->Functions().Clear();
  EXPECT_TRUE(Known(first).empty());
  EXPECT_TRUE(Known(second).empty());
  package->ClearReasoners();
}

TEST(TUserPackageTest, ReasonersAddedOrRemovedLaterGetOrLoseEveryFunction) {
  TestEngine engine;
  std::unique_ptr<TTwoPackage> package(NewPackage<TTwoPackage>(nullptr));
  EXPECT_TRUE(Known(engine).empty());
  package->AddReasoner(&engine);
  package->AddReasoner(&engine);
  EXPECT_EQ(package->ReasonerCount(), 1);
  EXPECT_EQ(Known(engine), (Strings{"one", "two"}));
  package->RemoveReasoner(&engine);
  EXPECT_EQ(package->IndexOfReasoner(&engine), -1);
  EXPECT_TRUE(Known(engine).empty());
}

TEST(TUserPackageTest, IndexOfFindsAFunctionByItsExactName) {
  std::unique_ptr<TTwoPackage> package(NewPackage<TTwoPackage>(nullptr));
  EXPECT_EQ(package->IndexOf("one"), 0);
  EXPECT_EQ(package->IndexOf("two"), 1);
  EXPECT_EQ(package->IndexOf("One"), -1);
  EXPECT_EQ(package->IndexOf("three"), -1);
}

TEST(TUserPackageTest, ResetRestoresTheDefaultFunctions) {
  TestEngine engine;
  std::unique_ptr<TTwoPackage> package(NewPackage<TTwoPackage>(nullptr));
  package->SetEngine(&engine);
  package->Functions().Delete(0);
  package->Functions().Add(Function("extra").get());
  EXPECT_EQ(Known(engine), (Strings{"extra", "two"}));
  package->ResetFunctions();
  EXPECT_EQ(package->Functions().GetToString(), "one\r\ntwo\r\n");
  EXPECT_EQ(Known(engine), (Strings{"one", "two"}));
  package->SetEngine(nullptr);
}

TEST(TUserPackageTest, SetEngineMovesTheFunctionsFromEngineToEngine) {
  TestEngine first;
  TestEngine second;
  std::unique_ptr<TTwoPackage> package(NewPackage<TTwoPackage>(nullptr));
  package->SetEngine(&first);
  EXPECT_EQ(package->Engine(), static_cast<IReasoner*>(&first));
  EXPECT_EQ(Known(first), (Strings{"one", "two"}));
  package->SetEngine(&second);
  EXPECT_TRUE(Known(first).empty());
  EXPECT_EQ(Known(second), (Strings{"one", "two"}));
  package->SetEngine(nullptr);
  EXPECT_TRUE(Known(second).empty());
  EXPECT_EQ(package->ReasonerCount(), 0);
}

TEST(TUserPackageTest, DesigningPackageOnlyNotesTheEngine) {
  TestEngine engine;
  std::unique_ptr<TTwoPackage> package(NewPackage<TTwoPackage>(nullptr));
  package->SetDesigning(true);
  package->SetEngine(&engine);
  EXPECT_EQ(package->Engine(), static_cast<IReasoner*>(&engine));
  EXPECT_EQ(package->ReasonerCount(), 0);
  EXPECT_TRUE(Known(engine).empty());
}

TEST(TUserPackageTest, DestroyedEngineIsForgottenByThePackageAndItsFunctions) {
  auto* engine = new TestEngine;
  std::unique_ptr<TTwoPackage> package(NewPackage<TTwoPackage>(nullptr));
  package->SetEngine(engine);
  delete engine;
  EXPECT_EQ(package->Engine(), nullptr);
  EXPECT_EQ(package->ReasonerCount(), 0);
  EXPECT_EQ(package->Functions().Get(0)->GetReasonerCount(), 0);
  EXPECT_EQ(package->Functions().Get(1)->GetReasonerCount(), 0);
}

TEST(TUserPackageTest, DestroyedPackageUnregistersItsFunctions) {
  TestEngine engine;
  Ref<IUserFunction> one;
  {
    std::unique_ptr<TTwoPackage> package(NewPackage<TTwoPackage>(nullptr));
    package->SetEngine(&engine);
    one = Ref<IUserFunction>(package->Functions().Get(0));
  }
  EXPECT_TRUE(Known(engine).empty());
  EXPECT_EQ(one->GetReasonerCount(), 0);
}

TEST(TUserPackageTest, AssignSharesTheSourcesFunctions) {
  TestEngine engine;
  std::unique_ptr<TTwoPackage> source(NewPackage<TTwoPackage>(nullptr));
  std::unique_ptr<TUserPackage> target(NewPackage<TUserPackage>(nullptr));
  target->Functions().Add(Function("old").get());
  target->SetEngine(&engine);
  target->Assign(*source);
  ASSERT_EQ(target->Functions().Count(), 2);
  EXPECT_EQ(target->Functions().Get(0), source->Functions().Get(0));
  EXPECT_EQ(Known(engine), (Strings{"one", "two"}));
  target->SetEngine(nullptr);
}

TEST(TUserPackageTest, AssigningAPackageToItselfKeepsItsFunctions) {
  TestEngine engine;
  std::unique_ptr<TTwoPackage> package(NewPackage<TTwoPackage>(nullptr));
  package->SetEngine(&engine);
  package->Assign(*package);
  EXPECT_EQ(package->Functions().Count(), 2);
  EXPECT_EQ(Known(engine), (Strings{"one", "two"}));
  package->SetEngine(nullptr);
}

TEST(TUserFunctionListTest, IndexErrorsNameTheIndex) {
  std::unique_ptr<TTwoPackage> package(NewPackage<TTwoPackage>(nullptr));
  TUserFunctionList& list = package->Functions();
  auto expect = [](auto action, int index) {
    try {
      action();
      ADD_FAILURE() << "no error for index " << index;
    } catch (const EIEException& e) {
      EXPECT_EQ(std::string(e.what()), Format(SListIndexError, {index}));
    }
  };
  expect([&] { list.Get(2); }, 2);
  expect([&] { list.Delete(-1); }, -1);
  expect([&] { list.Insert(3, Function("x").get()); }, 3);
  EXPECT_EQ(list.Count(), 2);
}

}  // namespace
}  // namespace rulecore
