// rulecore: an embeddable expert-system shell.
// What the built-in function packages share: a function made of a name,
// help text, argument string, count range and a body, and the small helpers
// the bodies use. Internal to the library.
#pragma once

#include <cstdint>

#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "engine/inference_engine.h"
#include "facts/context.h"
#include "functions/user_function.h"
#include "functions/user_package.h"
#include "platform/format.h"

namespace rulecore::builtin {

using Body = Ref<IIEValue> (*)(IFunCall* call, TIEContext* context, const char* name);

inline constexpr int32_t kAny = kUnboundedArguments;

// One built-in function: its name, help, argument string, range and body.
class TBuiltin : public TIEUserFunction {
 public:
  TBuiltin(const char* name, const char* help, const char* args, int32_t min, int32_t max,
           Body body)
      : TIEUserFunction(name, Format(CommentFormat, {help}), args, min, max), body_(body) {}

 protected:
  void DoCall(IFunCall* call, TIEContext* context, Ref<IIEValue>& result) override {
    result = body_(call, context, FunctionName().c_str());
  }

 private:
  Body body_;
};

// Appends a built-in function to the package's list.
inline void Add(TUserPackage* package, const char* name, const char* help, const char* args,
                int32_t min, int32_t max, Body body) {
  Ref<IUserFunction> f(new TBuiltin(name, help, args, min, max, body));
  package->Functions().Add(f.get());
}

// The engine a call runs in; SUnknownEngine when there is none.
inline TInferenceEngine* EngineOf(TIEContext* context) {
  auto* engine = context ? dynamic_cast<TInferenceEngine*>(context->Engine()) : nullptr;
  if (!engine) RaiseIE(SUnknownEngine);
  return engine;
}

// Argument i evaluated in the context; nil when it is missing.
inline Ref<IIEValue> Arg(IFunCall* call, int i, TIEContext* context) {
  IIEValue* a = call->GetArgument(i);
  return a ? a->Resolve(context) : Ref<IIEValue>(FCNil);
}

inline Ref<IIEValue> Bool(bool b) {
  return Ref<IIEValue>(b ? FCTrue : FCFalse);
}

}  // namespace rulecore::builtin
