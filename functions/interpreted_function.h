// rulecore: an embeddable expert-system shell.
// TInterpretedFunction: a function written in the rule language (deffunction)
// with named parameters - single-field variables, and a trailing multifield
// wildcard that collects the remaining arguments - and a body of actions.
// A call evaluates the arguments in the caller's context, binds them in a
// new context pushed on the caller's, runs the body there, and returns the
// value of the last action or of the first return.
#pragma once

#include <string>

#include "core/value_vector.h"
#include "functions/user_function.h"

namespace rulecore {

class RULECORE_API TInterpretedFunction : public TIEUserFunction, public IInterpretedFunction {
 public:
  explicit TInterpretedFunction(const std::string& name = "");

  // `kind` must be dtAtom, dtVariable or dtMultiVariable, else SInvalidArgType.
  void AddArgument(const std::string& name, TIEType kind) override;
  void AddStatement(IFunCall* statement) override;
  void AddStatement(IIEValue* statement) override;
  IIEValue* GetStatement(int index) const override { return statements_->Get(index); }
  int GetStatementCount() const override { return statements_->GetValueCount(); }
  IIEValue* GetArgument(int index) const override { return arguments_->Get(index); }
  int GetArgumentCount() const override { return arguments_->GetValueCount(); }
  int32_t GetOrder() const override { return order_; }
  void SetOrder(int32_t order) override { order_ = order; }

  // The parameter count; unbounded above when the last is a wildcard.
  int32_t GetMinArgumentCount() const override;
  int32_t GetMaxArgumentCount() const override;
  bool HasWildcard() const;
  // Drops the parameters and the body. A deffunction that calls itself holds
  // itself through its own call sites; the engine discards the functions it
  // removes so that such cycles end.
  void Discard();

 protected:
  // STooFewArgs / STooManyArgs with the function's name when the call does
  // not fit the parameters.
  void DoCall(IFunCall* call, TIEContext* context, Ref<IIEValue>& result) override;

 private:
  Ref<TValueVector> arguments_;
  Ref<TValueVector> statements_;
  int32_t order_ = 0;
};

}  // namespace rulecore
