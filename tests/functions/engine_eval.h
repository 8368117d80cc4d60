// rulecore: an embeddable expert-system shell.
// EvalTest: a fixture for the tests of library functions. It evaluates one
// rule-language call in a real TInferenceEngine, with all its default
// packages, and hands back the value itself (so that tests see its kind, not
// only its printed text), or the text of the error it raised.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/helper_functions.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "engine/inference_engine.h"

namespace rulecore {

class EvalTest : public ::testing::Test {
 protected:
  // The value of the call written in `text`, e.g. "(str-length abc)".
  Ref<IIEValue> Eval(const std::string& text) {
    Ref<IFunCall> call = engine.ParseFunCall(text);
    return call->Execute(engine.GetContext());
  }

  // The printed form of the value (a string without its quotes).
  std::string Text(const std::string& text) {
    Ref<IIEValue> v = Eval(text);
    return v->GetDType() == dtList ? "(" + v->GetToString() + ")" : v->GetAsString();
  }

  // The kind's name of the value, e.g. "dtString".
  std::string Kind(const std::string& text) { return GetIETypeName(Eval(text)->GetDType()); }

  // The message of the EIEException that evaluating `text` raises; a marker
  // text when it raises none, so that the comparison fails readably.
  std::string Error(const std::string& text) {
    try {
      Ref<IIEValue> v = Eval(text);
      return "<no error; the value was " + (v ? v->GetToString() : std::string("empty")) + ">";
    } catch (const EIEException& e) {
      return e.what();
    }
  }

  TInferenceEngine engine;
};

}  // namespace rulecore
