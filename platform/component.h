// rulecore: an embeddable expert-system shell.
// TComponent: a named persistent object with an owner. An owner frees the
// components it owns, in the reverse order of their insertion, when it is
// destroyed. Any component can ask to be told (Notification with opRemove)
// when another one is freed; the link is dropped from both sides when either
// goes. A component without owner belongs to whoever created it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/object.h"

namespace rulecore {

enum TOperation : uint8_t { opInsert, opRemove };

enum TComponentStateItem : uint8_t { csLoading, csDesigning, csDestroying };

class RULECORE_API TComponentState {
 public:
  bool Contains(TComponentStateItem s) const { return bits_ & (1u << s); }
  void Include(TComponentStateItem s) { bits_ |= (1u << s); }
  void Exclude(TComponentStateItem s) { bits_ &= ~(1u << s); }
  bool Empty() const { return bits_ == 0; }

 private:
  uint8_t bits_ = 0;
};

class RULECORE_API TComponent : public TPersistent {
  RC_DECLARE_CLASS(TComponent)

 public:
  // The new component is owned by `owner` when one is given.
  explicit TComponent(TComponent* owner = nullptr);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  virtual void SetName(const std::string& name);

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // REQUIRES: 0 <= i < ComponentCount().
  TComponent* Component(int i) const { return components_[static_cast<size_t>(i)]; }
  TComponent* FindComponent(const std::string& name) const;

  // Takes ownership of `c` (removing it from its previous owner).
  void InsertComponent(TComponent* c);
  // Gives up ownership of `c`; the caller becomes responsible for it.
  void RemoveComponent(TComponent* c);

  const TComponentState& ComponentState() const { return state_; }
  void SetLoading(bool on);
  void SetDesigning(bool on);

  // Asks to be notified when `c` is freed.
  void FreeNotification(TComponent* c);
  void RemoveFreeNotification(TComponent* c);

  // Called when streaming in has finished.
  virtual void Loaded();

  // Marks this component and those it owns as being destroyed.
  void Destroying();

 protected:
  // Told of components inserted into or removed from this owner, and of the
  // destruction of components this one asked to be notified about.
  virtual void Notification(TComponent* c, TOperation op);

 private:
  void Insert(TComponent* c);
  void Remove(TComponent* c);

  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<TComponent*> components_;     // owned
  std::vector<TComponent*> free_notifies_;  // not owned; linked both ways
  TComponentState state_;
};

// The first component owned by `owner`, in its order, of class `cls` or a
// descendant; nil when there is none.
RULECORE_API TComponent* FindComponentType(const TComponent* owner, const TClassInfo& cls);

}  // namespace rulecore
