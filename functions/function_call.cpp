// rulecore: an embeddable expert-system shell.
#include "functions/function_call.h"

#include "core/helper_functions.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "platform/stack_guard.h"

namespace rulecore {

TFunctionCall::TFunctionCall(IReasoner* reasoner, const std::string& name)
    : reasoner_(reasoner), name_(name) {}

void TFunctionCall::CheckIndex(int index) const {
  if (index < 0 || index >= GetArgumentCount()) RaiseIE(SListIndexError, {index});
}

int TFunctionCall::AddArgument(IIEValue* value) {
  arguments_.emplace_back(value);
  return GetArgumentCount() - 1;
}

int TFunctionCall::AddArgument(double value, TIEType kind) {
  if (kind == dtFloat) return AddArgument(NewFloat(value).get());
  return AddArgument(static_cast<int32_t>(value), kind);
}

int TFunctionCall::AddArgument(int32_t value, TIEType kind) {
  if (kind == dtFloat) return AddArgument(NewFloat(value).get());
  return AddArgument(Ref<IIEValue>(new TIEValue(value, kind)).get());
}

int TFunctionCall::AddArgument(const std::string& text, TIEType kind) {
  return AddArgument(Ref<IIEValue>(new TIEValue(std::string_view(text), kind)).get());
}

int TFunctionCall::AddArgument(IFact* fact) {
  return AddArgument(Ref<IIEValue>(new TIEValue(fact)).get());
}

int TFunctionCall::AddArgument(IFunCall* call) {
  return AddArgument(Ref<IIEValue>(new TIEValue(call)).get());
}

int TFunctionCall::AddArgument(IValueVector* list) {
  return AddArgument(NewList(list).get());
}

void TFunctionCall::Delete(int index) {
  CheckIndex(index);
  arguments_.erase(arguments_.begin() + index);
}

IIEValue* TFunctionCall::GetArgument(int index) const {
  CheckIndex(index);
  return arguments_[static_cast<size_t>(index)].get();
}

void TFunctionCall::SetArgument(int index, IIEValue* value) {
  CheckIndex(index);
  arguments_[static_cast<size_t>(index)] = Ref<IIEValue>(value);
}

void TFunctionCall::SetUserFunction(IUserFunction* function) {
  function_ = Ref<IUserFunction>(function);
  name_ = function ? function->GetFunctionName() : std::string();
}

Ref<IIEValue> TFunctionCall::Execute(IIEContext* context) {
  if (!function_ && reasoner_) {
    IUserFunction* found = nullptr;
    if (!reasoner_->ContainsUserFunction(name_, &found) || !found)
      RaiseIE(SNoSuchFunction, {name_});
    SetUserFunction(found);
  }
  return SimpleExecute(context);
}

Ref<IIEValue> TFunctionCall::SimpleExecute(IIEContext* context) {
  if (!function_) RaiseIE(SNoSuchFunction, {name_});
  if (StackNearlyExhausted()) RaiseIE(SStackExhausted, {name_});
  Ref<IUserFunction> function = function_;  // kept even if rebound meanwhile
  Ref<IIEValue> result;
  function->Call(this, context, result);
  return result;
}

bool TFunctionCall::Equals(IFunCall* other) {
  if (other == this) return true;
  if (!other || other->GetName() != name_ || other->GetArgumentCount() != GetArgumentCount())
    return false;
  for (int i = 0; i < GetArgumentCount(); ++i) {
    IIEValue* a = arguments_[static_cast<size_t>(i)].get();
    IIEValue* b = other->GetArgument(i);
    if (a != b && !(a && a->Equals(b))) return false;
  }
  return true;
}

bool TFunctionCall::Equals(IInterface* other) {
  auto* call = Query<IFunCall>(other);
  return call && Equals(call);
}

int32_t TFunctionCall::GetHashCode() const {
  uint32_t h = static_cast<uint32_t>(CalculateHash(name_));
  for (const Ref<IIEValue>& a : arguments_)
    if (a) h += static_cast<uint32_t>(a->GetHashCode());
  return static_cast<int32_t>(h);
}

std::string TFunctionCall::GetToString() const {
  if (reasoner_) return reasoner_->PrettyPrint(const_cast<TFunctionCall*>(this));
  return FunCallToRuleText(*this);
}

void TFunctionCall::Assign(IInterface* source) {
  auto* call = Query<IFunCall>(source);
  if (!call) throw EConvertError("Cannot assign a non-call interface to a TFunctionCall");
  if (call == this) return;
  std::vector<Ref<IIEValue>> args;
  for (int i = 0; i < call->GetArgumentCount(); ++i) {
    IIEValue* a = call->GetArgument(i);
    args.push_back(a ? a->Clone() : nullptr);
  }
  arguments_.swap(args);
  name_ = call->GetName();
  reasoner_ = call->GetReasoner();
  function_ = Ref<IUserFunction>(call->GetUserFunction());
  if (function_) name_ = function_->GetFunctionName();
  tag_ = call->GetTag();
  comment_ = call->GetComment();
}

Ref<IFunCall> TFunctionCall::Clone() const {
  Ref<TFunctionCall> copy(new TFunctionCall);
  copy->Assign(static_cast<IInterface*>(const_cast<TFunctionCall*>(this)));
  return copy;
}

std::string FunCallToRuleText(const IFunCall& call) {
  std::string out;
  std::string comment = call.GetComment();
  size_t i = 0;
  while (i < comment.size()) {
    size_t j = comment.find_first_of("\r\n", i);
    if (j == std::string::npos) j = comment.size();
    std::string line = comment.substr(i, j - i);
    if (!line.empty()) {
      if (line[0] != ';') out += "; ";
      out += line;
      out += NewLineString;
    }
    i = j + 1;
  }
  std::string name = call.GetName();
  out += "(" + name;
  bool pairs = name == "modify" || name == "duplicate";
  for (int k = 0; k < call.GetArgumentCount(); ++k) {
    IIEValue* a = call.GetArgument(k);
    std::string text = ValueToRuleText(a);
    if (pairs && k > 0)
      out += " (" + text + ")";
    else
      out += " " + text;
  }
  return out + ")";
}

}  // namespace rulecore
