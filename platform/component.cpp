// rulecore: an embeddable expert-system shell.
#include "platform/component.h"

#include <algorithm>

namespace rulecore {

namespace {
TObject* NewComponent(TComponent* owner) {
  return new TComponent(owner);
}

void Erase(std::vector<TComponent*>& v, TComponent* c) {
  auto it = std::find(v.begin(), v.end(), c);
  if (it != v.end()) v.erase(it);
}
}  // namespace

RC_DEFINE_CLASS(TComponent, TPersistent, NewComponent)

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Tell everyone linked to us that we are going; they drop their links.
  while (!free_notifies_.empty()) {
    TComponent* other = free_notifies_.back();
    free_notifies_.pop_back();
    Erase(other->free_notifies_, this);
    other->Notification(this, opRemove);
  }
  // Free what we own, newest first.
  while (!components_.empty()) {
    TComponent* c = components_.back();
    Remove(c);
    delete c;
  }
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::SetName(const std::string& name) {
  name_ = name;
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  for (TComponent* c : components_)
    if (c->name_ == name) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* c) {
  if (c->owner_) c->owner_->RemoveComponent(c);
  Insert(c);
  Notification(c, opInsert);
}

void TComponent::RemoveComponent(TComponent* c) {
  if (c->owner_ != this) return;
  Notification(c, opRemove);
  Remove(c);
}

void TComponent::Insert(TComponent* c) {
  components_.push_back(c);
  c->owner_ = this;
}

void TComponent::Remove(TComponent* c) {
  Erase(components_, c);
  c->owner_ = nullptr;
}

void TComponent::SetLoading(bool on) {
  on ? state_.Include(csLoading) : state_.Exclude(csLoading);
}

void TComponent::SetDesigning(bool on) {
  on ? state_.Include(csDesigning) : state_.Exclude(csDesigning);
  for (TComponent* c : components_)
    c->SetDesigning(on);
}

void TComponent::FreeNotification(TComponent* c) {
  if (!c || c == this) return;
  if (std::find(free_notifies_.begin(), free_notifies_.end(), c) == free_notifies_.end()) {
    free_notifies_.push_back(c);
    c->free_notifies_.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* c) {
  if (!c) return;
  Erase(free_notifies_, c);
  Erase(c->free_notifies_, this);
}

void TComponent::Loaded() {
  state_.Exclude(csLoading);
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  for (TComponent* c : components_)
    c->Destroying();
}

void TComponent::Notification(TComponent* c, TOperation op) {
  if (op == opRemove) RemoveFreeNotification(c);
}

TComponent* FindComponentType(const TComponent* owner, const TClassInfo& cls) {
  if (!owner) return nullptr;
  for (int i = 0; i < owner->ComponentCount(); ++i)
    if (owner->Component(i)->InheritsFrom(cls)) return owner->Component(i);
  return nullptr;
}

}  // namespace rulecore
