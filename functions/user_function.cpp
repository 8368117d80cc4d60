// rulecore: an embeddable expert-system shell.
#include "functions/user_function.h"

#include <algorithm>

#include "core/helper_functions.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "facts/context.h"

namespace rulecore {

// ================================================================ TIEUserFunction

TIEUserFunction::TIEUserFunction(const std::string& name, const std::string& comment,
                                 const std::string& argument_string, int32_t min_args,
                                 int32_t max_args)
    : min_args_(min_args),
      max_args_(max_args),
      comment_(comment),
      name_(name),
      argument_string_(argument_string) {}

TIEUserFunction::~TIEUserFunction() = default;

void TIEUserFunction::ReasonerNotification(IReasoner* reasoner, bool added) {
  if (added)
    reasoner->AddUserFunction(this);
  else
    reasoner->RemoveUserFunction(this);
}

void TIEUserFunction::AddReasoner(IReasoner* reasoner) {
  if (!reasoner || IndexOfReasoner(reasoner) >= 0) return;
  reasoners_.push_back(reasoner);
  ReasonerNotification(reasoner, true);
}

void TIEUserFunction::DeleteReasoner(int index) {
  if (index < 0 || index >= GetReasonerCount()) RaiseIE(SListIndexError, {index});
  IReasoner* reasoner = reasoners_[static_cast<size_t>(index)];
  reasoners_.erase(reasoners_.begin() + index);
  // The reasoner may hold the last reference to this function; an object
  // nobody holds yet (count zero, still being set up) must not be freed here.
  Ref<IUserFunction> keep(RefCount() > 0 ? this : nullptr);
  ReasonerNotification(reasoner, false);
}

void TIEUserFunction::DeleteReasoner(IReasoner* reasoner) {
  int i = IndexOfReasoner(reasoner);
  if (i >= 0) DeleteReasoner(i);
}

void TIEUserFunction::ForgetReasoner(IReasoner* reasoner) {
  auto it = std::find(reasoners_.begin(), reasoners_.end(), reasoner);
  if (it != reasoners_.end()) reasoners_.erase(it);
}

void TIEUserFunction::ClearReasoners() {
  // The last reasoner may hold the last reference: stay alive to the end.
  Ref<IUserFunction> keep(RefCount() > 0 ? this : nullptr);
  while (!reasoners_.empty())
    DeleteReasoner(GetReasonerCount() - 1);
}

int TIEUserFunction::IndexOfReasoner(IReasoner* reasoner) const {
  auto it = std::find(reasoners_.begin(), reasoners_.end(), reasoner);
  return it == reasoners_.end() ? -1 : static_cast<int>(it - reasoners_.begin());
}

IReasoner* TIEUserFunction::GetReasoner(int index) const {
  if (index < 0 || index >= GetReasonerCount()) RaiseIE(SListIndexError, {index});
  return reasoners_[static_cast<size_t>(index)];
}

std::string TIEUserFunction::GetToString(IReasoner* reasoner) const {
  if (!reasoner) return name_;
  return reasoner->PrettyPrint(const_cast<TIEUserFunction*>(this));
}

void TIEUserFunction::SetFunctionName(const std::string& name) {
  if (name == name_) return;
  Ref<IUserFunction> keep(RefCount() > 0 ? this : nullptr);
  std::vector<IReasoner*> reasoners = reasoners_;
  for (IReasoner* r : reasoners)
    r->RemoveUserFunction(this);
  name_ = name;
  for (IReasoner* r : reasoners)
    r->AddUserFunction(this);
}

void TIEUserFunction::SetMinArgumentCount(int32_t count) {
  if (count == min_args_) return;
  min_args_ = count;
  if (min_args_ > max_args_) max_args_ = min_args_;
}

void TIEUserFunction::SetMaxArgumentCount(int32_t count) {
  if (count == max_args_) return;
  max_args_ = count;
  if (max_args_ < min_args_) min_args_ = max_args_;
}

void TIEUserFunction::Call(IFunCall* call, IIEContext* context, Ref<IIEValue>& result) {
  int n = call ? call->GetArgumentCount() : 0;
  if (n < min_args_) RaiseIE(STooFewArgs, {name_});
  if (n > max_args_) RaiseIE(STooManyArgs, {name_});
  auto* ctx = dynamic_cast<TIEContext*>(context);
  if (context && !ctx) RaiseIE(SNoContext, {name_});
  DoCall(call, ctx, result);
}

void TIEUserFunction::DoCall(IFunCall*, TIEContext*, Ref<IIEValue>& result) {
  result.reset();
}

Ref<IIEValue> TIEUserFunction::Evaluate(IFunCall* call, int i, TIEContext* context) {
  IIEValue* arg = call->GetArgument(i);
  if (!arg) return Ref<IIEValue>(FCNil);
  return arg->Resolve(context);
}

void TIEUserFunction::Assign(const TPersistent& source) {
  auto* other = dynamic_cast<const TIEUserFunction*>(&source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  min_args_ = other->min_args_;
  max_args_ = other->max_args_;
  comment_ = other->comment_;
  SetFunctionName(other->name_);
}

// ================================================================ inner functions

void TIEFunctionNexus::Notification(TComponent* c, TOperation op) {
  TComponent::Notification(c, op);
  if (op == opRemove && function_ && c == dynamic_cast<TComponent*>(function_->Owner()))
    function_->ClearOwner();
}

TIEInnerFunction::TIEInnerFunction(TObject* owner) : owner_(owner) {
  if (auto* component = dynamic_cast<TComponent*>(owner)) {
    nexus_ = std::make_unique<TIEFunctionNexus>(this);
    nexus_->FreeNotification(component);
  }
}

TIEInnerFunction::~TIEInnerFunction() = default;

void TIEInnerFunction::ClearOwner() {
  owner_ = nullptr;
}

void TIEInnerFunction::DoCall(IFunCall* call, TIEContext* context, Ref<IIEValue>& result) {
  result.reset();
  if (!owner_) RaiseIE(SNoSuchFunction, {FunctionName()});
  if (auto* custom = dynamic_cast<TCustomUserFunction*>(owner_)) {
    custom->HandleCall(call, context, result);
  } else if (on_call_) {
    on_call_(this, call, context, result);
  }
}

// ================================================================ TCustomUserFunction

namespace {
TObject* NewCustomUserFunction(TComponent* owner) {
  return new TCustomUserFunction(owner);
}
TObject* NewUserFunction(TComponent* owner) {
  return new TUserFunction(owner);
}
}  // namespace

RC_DEFINE_CLASS(TCustomUserFunction, TComponent, NewCustomUserFunction)
RC_DEFINE_CLASS(TUserFunction, TCustomUserFunction, NewUserFunction)

TCustomUserFunction::TCustomUserFunction(TComponent* owner)
    : TComponent(owner), inner_(new TIEInnerFunction(this)) {
  inner_->SetFunctionName(Name());
}

TCustomUserFunction::TCustomUserFunction(TComponent* owner, const std::string& function_name)
    : TCustomUserFunction(owner) {
  SetFunctionName(function_name);
}

TCustomUserFunction::~TCustomUserFunction() {
  SetEngine(nullptr);
  inner_->ClearOwner();
}

void TCustomUserFunction::SetFunctionName(const std::string& name) {
  bool registered = engine_ && !inner_->GetFunctionName().empty();
  if (registered) engine_->RemoveUserFunction(inner_.get());
  inner_->SetFunctionName(name);
  if (engine_ && !name.empty()) engine_->AddUserFunction(inner_.get());
}

void TCustomUserFunction::SetMinArgumentCount(int32_t count) {
  inner_->SetMinArgumentCount(count);
  inner_->SetArgumentString(CreateArgumentExpressions(inner_->GetArgumentString(),
                                                      inner_->GetMinArgumentCount(),
                                                      inner_->GetMaxArgumentCount(), 10));
}

void TCustomUserFunction::SetMaxArgumentCount(int32_t count) {
  inner_->SetMaxArgumentCount(count);
  inner_->SetArgumentString(CreateArgumentExpressions(inner_->GetArgumentString(),
                                                      inner_->GetMinArgumentCount(),
                                                      inner_->GetMaxArgumentCount(), 10));
}

void TCustomUserFunction::SetEngine(IReasoner* engine) {
  if (engine == engine_) return;
  if (engine_component_) RemoveFreeNotification(engine_component_);
  if (engine_ && !inner_->GetFunctionName().empty()) engine_->RemoveUserFunction(inner_.get());
  engine_ = engine;
  engine_component_ = dynamic_cast<TComponent*>(engine);
  if (engine_ && !inner_->GetFunctionName().empty()) engine_->AddUserFunction(inner_.get());
  if (engine_component_) FreeNotification(engine_component_);
}

void TCustomUserFunction::Notification(TComponent* c, TOperation op) {
  TComponent::Notification(c, op);
  // The engine is going: forget it without calling into it. (Its component
  // was noted while it was whole: a component being freed is no longer the
  // engine it was, and cannot be asked for it.)
  if (op == opRemove && engine_ && c == engine_component_) {
    engine_ = nullptr;
    engine_component_ = nullptr;
  }
}

void TCustomUserFunction::HandleCall(IFunCall* call, TIEContext* context, Ref<IIEValue>& result) {
  result = Ref<IIEValue>(FCNil);
  if (!ComponentState().Contains(csDesigning) && on_call_) on_call_(this, call, context, result);
}

void TCustomUserFunction::Assign(const TPersistent& source) {
  auto* other = dynamic_cast<const TCustomUserFunction*>(&source);
  if (!other) {
    TComponent::Assign(source);
    return;
  }
  SetComment(other->Comment());
  SetFunctionName(other->FunctionName());
  inner_->SetMaxArgumentCount(other->MaxArgumentCount());
  inner_->SetMinArgumentCount(other->MinArgumentCount());
}

}  // namespace rulecore
