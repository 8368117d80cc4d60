// rulecore: an embeddable expert-system shell.
#include "functions/interpreted_function.h"

#include <utility>
#include <vector>

#include "core/helper_functions.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "facts/context.h"

namespace rulecore {

TInterpretedFunction::TInterpretedFunction(const std::string& name)
    : arguments_(new TValueVector), statements_(new TValueVector) {
  SetFunctionName(name);
}

void TInterpretedFunction::AddArgument(const std::string& name, TIEType kind) {
  if (kind != dtAtom && kind != dtVariable && kind != dtMultiVariable)
    RaiseIE(SInvalidArgType,
            {GetIETypeName(kind), GetIETypeName(dtAtom) + ", " + GetIETypeName(dtVariable) + ", " +
                                      GetIETypeName(dtMultiVariable)});
  arguments_->Add(Ref<IIEValue>(new TIEValue(std::string_view(name), kind)).get());
}

void TInterpretedFunction::AddStatement(IFunCall* statement) {
  statements_->Add(Ref<IIEValue>(new TIEValue(statement)).get());
}

void TInterpretedFunction::AddStatement(IIEValue* statement) {
  statements_->Add(statement);
}

void TInterpretedFunction::Discard() {
  Ref<TValueVector> statements = statements_;  // dies after the swap
  statements_ = Ref<TValueVector>(new TValueVector);
  arguments_ = Ref<TValueVector>(new TValueVector);
}

bool TInterpretedFunction::HasWildcard() const {
  int n = arguments_->GetValueCount();
  return n > 0 && arguments_->Get(n - 1)->GetDType() == dtMultiVariable;
}

int32_t TInterpretedFunction::GetMinArgumentCount() const {
  return arguments_->GetValueCount();
}

int32_t TInterpretedFunction::GetMaxArgumentCount() const {
  return HasWildcard() ? kUnboundedArguments : arguments_->GetValueCount();
}

void TInterpretedFunction::DoCall(IFunCall* call, TIEContext* context, Ref<IIEValue>& result) {
  result.reset();
  int n = call ? call->GetArgumentCount() : 0;
  int params = arguments_->GetValueCount();
  bool wildcard = HasWildcard();
  if (n < params) RaiseIE(STooFewArgs, {FunctionName()});
  if (!wildcard && n > params) RaiseIE(STooManyArgs, {FunctionName()});

  // Evaluate the arguments where the call stands, before the new scope
  // exists, so that an argument naming one of our parameters reads the
  // caller's variable.
  std::vector<std::pair<const IIEValue*, Ref<IIEValue>>> bound;
  for (int i = 0; i < params; ++i) {
    IIEValue* param = arguments_->Get(i);
    switch (param->GetDType()) {
      case dtVariable:
        bound.emplace_back(param, Evaluate(call, i, context));
        break;
      case dtMultiVariable: {
        Ref<TValueVector> rest(new TValueVector);
        for (int j = i; j < n; ++j)
          rest->Add(Evaluate(call, j, context).get());
        bound.emplace_back(param, NewList(rest.get()));
        break;
      }
      default:  // dtAtom: bound to nil, its argument is not used
        bound.emplace_back(param, Ref<IIEValue>(FCNil));
        break;
    }
  }

  std::unique_ptr<TIEContext> scope =
      context ? context->Push() : std::make_unique<TIEContext>(nullptr, nullptr);
  // Every parameter is local to the new scope; none reaches into the caller's.
  for (auto& [param, value] : bound)
    scope->AddLocalBinding(std::string(param->PeekText()), value.get());

  Ref<TValueVector> statements = statements_;  // the body may redefine us
  for (int i = 0; i < statements->GetValueCount(); ++i) {
    IIEValue* statement = statements->Get(i);
    result = statement ? statement->Resolve(scope.get()) : Ref<IIEValue>(FCNil);
    if (scope->ReturnSet()) {
      // return keeps its argument as written: it is read here, in the scope
      // whose variables it may name.
      Ref<IIEValue> returned(scope->ReturnValue());
      scope->ClearReturnValue();
      result = returned ? returned->Resolve(scope.get()) : Ref<IIEValue>(FCNil);
      break;
    }
  }
  // Results that are variables of the scope are values by now (Resolve), and
  // the references keep them alive past the scope.
  scope->Pop();
}

}  // namespace rulecore
