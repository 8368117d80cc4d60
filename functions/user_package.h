// rulecore: an embeddable expert-system shell.
// Packages: components that own a list of user functions and register all of
// them with every reasoner (engine) they are given. An engine that owns
// packages detaches them (ClearReasoners) before it goes; one that does not
// is forgotten without being called when it frees the package. A package
// watching an engine it does not belong to forgets it when it is freed. A library package
// overrides CreateFunctions to append one instance of each of its functions,
// in a fixed order. Create packages with NewPackage<T>(owner), which runs
// CreateFunctions once the object is fully built.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/interfaces.h"
#include "platform/component.h"

namespace rulecore {

class TUserPackage;

// The functions of a package; tells the package of every insertion and
// removal so that the function follows the package's reasoners.
class RULECORE_API TUserFunctionList {
 public:
  explicit TUserFunctionList(TUserPackage* package) : package_(package) {}

  int Add(IUserFunction* function);
  void Insert(int index, IUserFunction* function);
  // Removes the function; returns its former index or -1.
  int Remove(IUserFunction* function);
  void Delete(int index);
  void Clear();
  int IndexOf(IUserFunction* function) const;
  IUserFunction* Get(int index) const;
  int Count() const { return static_cast<int>(functions_.size()); }
  // One function name per line.
  std::string GetToString() const;

 private:
  TUserPackage* package_;
  std::vector<Ref<IUserFunction>> functions_;
};

// A component that holds a list of reasoners and is told of each addition
// and removal.
class RULECORE_API TCustomReasonerOwner : public TComponent {
 public:
  explicit TCustomReasonerOwner(TComponent* owner = nullptr) : TComponent(owner) {}

  void AddReasoner(IReasoner* reasoner);
  void RemoveReasoner(IReasoner* reasoner);
  void ClearReasoners();
  int ReasonerCount() const { return static_cast<int>(reasoners_.size()); }
  IReasoner* Reasoner(int i) const { return reasoners_[static_cast<size_t>(i)]; }
  int IndexOfReasoner(IReasoner* reasoner) const;
  // Drops `reasoner` from the list without telling anyone (it is gone).
  void ForgetReasoner(IReasoner* reasoner);

 protected:
  virtual void ReasonerNotification(IReasoner* reasoner, bool added) {}

 private:
  std::vector<IReasoner*> reasoners_;  // not owned
};

class RULECORE_API TUserPackage : public TCustomReasonerOwner {
  RC_DECLARE_CLASS(TUserPackage)

 public:
  // A package owned by `owner`; when the owner is a reasoner it becomes the
  // package's first reasoner.
  explicit TUserPackage(TComponent* owner = nullptr);
  ~TUserPackage() override;

  // Runs CreateFunctions; called once by NewPackage after construction.
  void AfterConstruction();

  TUserFunctionList& Functions() { return functions_; }
  const TUserFunctionList& Functions() const { return functions_; }
  // The index of the function of that name (case matters), -1 when none.
  int IndexOf(const std::string& name) const;

  IReasoner* Engine() const { return engine_; }
  // Moves the functions from the old engine to the new one (only the
  // reference changes while designing).
  void SetEngine(IReasoner* engine);
  void SetOnCreateFunctions(std::function<void(TUserPackage*)> handler) {
    on_create_functions_ = std::move(handler);
  }
  // Restores the package's default functions.
  void ResetFunctions();

  void Assign(const TPersistent& source) override;

 protected:
  // Appends the package's functions; the base calls OnCreateFunctions.
  virtual void CreateFunctions();
  void ReasonerNotification(IReasoner* reasoner, bool added) override;
  void Notification(TComponent* c, TOperation op) override;

 private:
  friend class TUserFunctionList;
  void AddReasoners(IUserFunction* function);
  void RemoveReasoners(IUserFunction* function);
  // Drops `reasoner` from the package and its functions without calling it.
  void Forget(IReasoner* reasoner);

  TUserFunctionList functions_;
  IReasoner* engine_ = nullptr;
  TComponent* engine_component_ = nullptr;  // engine_ as a component
  IReasoner* owner_reasoner_ = nullptr;     // the owner, when it is an engine
  TComponent* owner_engine_ = nullptr;      // that owner as a component
  std::function<void(TUserPackage*)> on_create_functions_;
};

// Creates a package of class T owned by `owner` and lets it create its
// functions. The owner frees it; without owner the caller does.
template <class T>
T* NewPackage(TComponent* owner) {
  T* package = new T(owner);
  package->AfterConstruction();
  return package;
}

}  // namespace rulecore
