// rulecore: an embeddable expert-system shell.
// Small helpers the unit tests share: catching the engine's error texts and
// a partial match (token) made of given facts.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/ie_exception.h"
#include "core/interfaces.h"
#include "functions/user_function.h"

namespace rulecore {

// Runs `body` and returns the text of the EIEException it raised ("" when none).
template <class F>
std::string ErrorOf(F&& body) {
  try {
    body();
  } catch (const EIEException& e) {
    return e.what();
  }
  return {};
}

// Runs `action` and expects an EIEException carrying exactly `expected`.
template <class F>
void ExpectIEError(F&& action, const std::string& expected) {
  try {
    action();
    ADD_FAILURE() << "no error raised; expected: " << expected;
  } catch (const EIEException& e) {
    EXPECT_EQ(std::string(e.what()), expected);
  }
}

// A partial match: the facts matched so far, by position.
class FakeToken : public IReteToken {
 public:
  explicit FakeToken(std::vector<Ref<IFact>> facts) : facts_(std::move(facts)) {}

  bool Equals(IReteToken* other) override { return other == this; }
  int32_t GetNegatedCount() const override { return 0; }
  void SetNegatedCount(int32_t) override {}
  int GetCount() const override { return static_cast<int>(facts_.size()); }
  IFact* GetFact() const override { return facts_.empty() ? nullptr : facts_.back().get(); }
  IFact* GetFacts(int index) const override { return facts_.at(static_cast<size_t>(index)).get(); }
  IReteToken* GetParent() const override { return nullptr; }
  int32_t GetSortCode() const override { return 0; }
  TTokenAction GetTag() const override { return taAdd; }
  float GetStrength() const override { return 1.0f; }
  void SetStrength(float) override {}
  void SetTag(TTokenAction) override {}
  std::string GetToString() const override { return "token"; }
  std::string GetToFactsString() const override { return {}; }

 private:
  std::vector<Ref<IFact>> facts_;
};

// A function whose body is a lambda over its call and context.
class TestFunction : public TIEUserFunction {
 public:
  using Body = std::function<Ref<IIEValue>(IFunCall*, TIEContext*)>;
  TestFunction(const std::string& name, int32_t min, int32_t max, Body body)
      : TIEUserFunction(name, "test function " + name, " <expression>*", min, max),
        body_(std::move(body)) {}

 protected:
  void DoCall(IFunCall* call, TIEContext* context, Ref<IIEValue>& result) override {
    result = body_(call, context);
  }

 private:
  Body body_;
};

}  // namespace rulecore
