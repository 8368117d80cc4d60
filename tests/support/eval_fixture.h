// rulecore: an embeddable expert-system shell.
// EvalTest: a real engine, with all its default packages, in which the tests
// of the function libraries evaluate calls written in the rule language and
// get the value itself (so that they see its kind, not only its text), with
// short-hands for a result of a given kind and for the text of the error a
// call raises; what the calls print is collected in `out`.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "core/helper_functions.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "engine/inference_engine.h"
#include "functions/function_call.h"

namespace rulecore {

class EvalTest : public ::testing::Test {
 protected:
  EvalTest() {
    engine.OnPrintOut = [this](TObject*, const std::string&, const std::string& text) {
      out += text;
    };
  }

  // The value of one call, e.g. "(+ 1 2)".
  Ref<IIEValue> Eval(const std::string& call) {
    return engine.ParseFunCall(call)->Execute(engine.GetContext());
  }

  // The value of a call that must give a float.
  double Float(const std::string& call) {
    Ref<IIEValue> v = Eval(call);
    EXPECT_EQ(v->GetDType(), dtFloat) << call;
    return v->GetAsFloat();
  }

  // The value of a call that must give an integer.
  int32_t Integer(const std::string& call) {
    Ref<IIEValue> v = Eval(call);
    EXPECT_EQ(v->GetDType(), dtInteger) << call;
    return v->GetAsInteger();
  }

  // The printed form of the value (a string without its quotes, a list in
  // parentheses).
  std::string Text(const std::string& call) {
    Ref<IIEValue> v = Eval(call);
    return v->GetDType() == dtList ? "(" + v->GetToString() + ")" : v->GetAsString();
  }

  // The kind's name of the value, e.g. "dtString".
  std::string Kind(const std::string& call) { return GetIETypeName(Eval(call)->GetDType()); }

  // The message of the EIEException the call raises; a marker text naming
  // the value when it raises none, so that a comparison fails readably.
  std::string Error(const std::string& call) {
    try {
      Ref<IIEValue> v = Eval(call);
      return "<no error; the value was " + (v ? v->GetToString() : std::string("empty")) + ">";
    } catch (const EIEException& e) {
      return e.what();
    }
  }

  // The engine's function of that name (registered by its packages).
  IUserFunction* Function(const std::string& name) { return engine.GetUserFunction(name); }

  TInferenceEngine engine;
  std::string out;  // what the calls printed
};

// Expects `actual` within `relative` of `expected` (relative error, or
// absolute error when `expected` is 0).
inline void ExpectClose(double actual, double expected, double relative = 1e-12) {
  double scale = expected == 0 ? 1.0 : std::fabs(expected);
  EXPECT_LE(std::fabs(actual - expected), relative * scale)
      << "actual " << actual << " expected " << expected;
}

}  // namespace rulecore
