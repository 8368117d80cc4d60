// rulecore: an embeddable expert-system shell.
#include "functions/user_package.h"

#include <algorithm>

#include "core/ie_exception.h"
#include "core/messages.h"
#include "functions/user_function.h"

namespace rulecore {

// ================================================================ TUserFunctionList

int TUserFunctionList::Add(IUserFunction* function) {
  Insert(Count(), function);
  return Count() - 1;
}

void TUserFunctionList::Insert(int index, IUserFunction* function) {
  if (index < 0 || index > Count()) RaiseIE(SListIndexError, {index});
  functions_.emplace(functions_.begin() + index, function);
  if (package_ && function) package_->AddReasoners(function);
}

int TUserFunctionList::IndexOf(IUserFunction* function) const {
  for (size_t i = 0; i < functions_.size(); ++i)
    if (functions_[i].get() == function) return static_cast<int>(i);
  return -1;
}

IUserFunction* TUserFunctionList::Get(int index) const {
  if (index < 0 || index >= Count()) RaiseIE(SListIndexError, {index});
  return functions_[static_cast<size_t>(index)].get();
}

void TUserFunctionList::Delete(int index) {
  if (index < 0 || index >= Count()) RaiseIE(SListIndexError, {index});
  Ref<IUserFunction> function = functions_[static_cast<size_t>(index)];
  functions_.erase(functions_.begin() + index);
  if (package_ && function) package_->RemoveReasoners(function.get());
}

int TUserFunctionList::Remove(IUserFunction* function) {
  int i = IndexOf(function);
  if (i >= 0) Delete(i);
  return i;
}

void TUserFunctionList::Clear() {
  while (Count() > 0)
    Delete(Count() - 1);
}

std::string TUserFunctionList::GetToString() const {
  std::string out;
  for (const Ref<IUserFunction>& f : functions_) {
    if (f) out += f->GetFunctionName();
    out += "\r\n";
  }
  return out;
}

// ================================================================ TCustomReasonerOwner

int TCustomReasonerOwner::IndexOfReasoner(IReasoner* reasoner) const {
  auto it = std::find(reasoners_.begin(), reasoners_.end(), reasoner);
  return it == reasoners_.end() ? -1 : static_cast<int>(it - reasoners_.begin());
}

void TCustomReasonerOwner::AddReasoner(IReasoner* reasoner) {
  if (!reasoner || IndexOfReasoner(reasoner) >= 0) return;
  reasoners_.push_back(reasoner);
  ReasonerNotification(reasoner, true);
}

void TCustomReasonerOwner::RemoveReasoner(IReasoner* reasoner) {
  int i = IndexOfReasoner(reasoner);
  if (i < 0) return;
  reasoners_.erase(reasoners_.begin() + i);
  ReasonerNotification(reasoner, false);
}

void TCustomReasonerOwner::ForgetReasoner(IReasoner* reasoner) {
  auto it = std::find(reasoners_.begin(), reasoners_.end(), reasoner);
  if (it != reasoners_.end()) reasoners_.erase(it);
}

void TCustomReasonerOwner::ClearReasoners() {
  while (!reasoners_.empty())
    RemoveReasoner(reasoners_.back());
}

// ================================================================ TUserPackage

namespace {
TObject* NewUserPackage(TComponent* owner) {
  return NewPackage<TUserPackage>(owner);
}
}  // namespace

RC_DEFINE_CLASS(TUserPackage, TComponent, NewUserPackage)

TUserPackage::TUserPackage(TComponent* owner) : TCustomReasonerOwner(owner), functions_(this) {
  owner_reasoner_ = dynamic_cast<IReasoner*>(owner);
  if (!owner_reasoner_) return;
  AddReasoner(owner_reasoner_);
  // An owning engine that frees the package without detaching it first can
  // no longer take the unregistering calls; its free notification comes
  // before, and the package forgets it then.
  owner_engine_ = owner;
  FreeNotification(owner);
}

TUserPackage::~TUserPackage() {
  // Unregister every function from every engine before the lists go.
  functions_.Clear();
}

void TUserPackage::AfterConstruction() {
  CreateFunctions();
}

void TUserPackage::CreateFunctions() {
  if (on_create_functions_) on_create_functions_(this);
}

void TUserPackage::ResetFunctions() {
  functions_.Clear();
  CreateFunctions();
}

int TUserPackage::IndexOf(const std::string& name) const {
  for (int i = 0; i < functions_.Count(); ++i)
    if (functions_.Get(i) && functions_.Get(i)->GetFunctionName() == name) return i;
  return -1;
}

void TUserPackage::AddReasoners(IUserFunction* function) {
  for (int i = 0; i < ReasonerCount(); ++i)
    function->AddReasoner(Reasoner(i));
}

void TUserPackage::RemoveReasoners(IUserFunction* function) {
  for (int i = 0; i < ReasonerCount(); ++i)
    function->DeleteReasoner(Reasoner(i));
}

void TUserPackage::ReasonerNotification(IReasoner* reasoner, bool added) {
  for (int i = 0; i < functions_.Count(); ++i) {
    IUserFunction* f = functions_.Get(i);
    if (!f) continue;
    if (added)
      f->AddReasoner(reasoner);
    else
      f->DeleteReasoner(reasoner);
  }
}

void TUserPackage::SetEngine(IReasoner* engine) {
  if (engine == engine_) return;
  // The owning engine's notification stays: the package still belongs to it.
  if (engine_component_ && engine_component_ != owner_engine_)
    RemoveFreeNotification(engine_component_);
  if (!ComponentState().Contains(csDesigning)) {
    if (engine_) RemoveReasoner(engine_);
    if (engine) AddReasoner(engine);
  }
  engine_ = engine;
  engine_component_ = dynamic_cast<TComponent*>(engine);
  if (engine_component_) FreeNotification(engine_component_);
}

void TUserPackage::Notification(TComponent* c, TOperation op) {
  TComponent::Notification(c, op);
  if (op != opRemove) return;
  // The engine is going: forget it and its registrations without calling it.
  // (The components were noted while the engines were whole: a component
  // that is being freed is no longer the engine it was.)
  if (engine_ && c == engine_component_) {
    IReasoner* gone = engine_;
    engine_ = nullptr;
    engine_component_ = nullptr;
    Forget(gone);
  }
  if (owner_reasoner_ && c == owner_engine_) {
    IReasoner* gone = owner_reasoner_;
    owner_reasoner_ = nullptr;
    owner_engine_ = nullptr;
    Forget(gone);
  }
}

void TUserPackage::Forget(IReasoner* reasoner) {
  // Drop the links without the unregistering calls the engine can no
  // longer take: its own tables go with it.
  for (int i = 0; i < functions_.Count(); ++i)
    if (auto* f = dynamic_cast<TIEUserFunction*>(functions_.Get(i))) f->ForgetReasoner(reasoner);
  ForgetReasoner(reasoner);
}

void TUserPackage::Assign(const TPersistent& source) {
  auto* other = dynamic_cast<const TUserPackage*>(&source);
  if (!other) {
    TComponent::Assign(source);
    return;
  }
  if (other == this) return;  // clearing first would lose them all
  functions_.Clear();
  for (int i = 0; i < other->functions_.Count(); ++i)
    functions_.Add(other->functions_.Get(i));
}

}  // namespace rulecore
