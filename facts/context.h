// rulecore: an embeddable expert-system shell.
// The execution context: the variable bindings of one scope, a link to the
// enclosing scope, the engine, and, while the network tests and fires rules,
// the fact being matched and the partial match. The engine owns a root
// context (the global scope); rule firings, deffunction calls and loops push
// child contexts that the pusher owns. A binding ties a name to a value or to
// a place in the partial match (TBindingInfo).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/binding_info.h"
#include "core/interfaces.h"
#include "core/value_vector.h"
#include "platform/string_hash_table.h"

namespace rulecore {

class IFactEngine;
class TIEContext;

// A named binding: a value (local bindings, FactIdx -2, slot "__LOCAL"), or a
// place in the partial match (pattern bindings, no value).
class RULECORE_API TBinding : public TBindingInfo {
  RC_DECLARE_CLASS(TBinding)

 public:
  TBinding() = default;
  // A pattern binding without value.
  TBinding(const std::string& name, int32_t fact_idx, const std::string& slot_name,
           int32_t sub_idx);
  // A local binding of `value`.
  TBinding(const std::string& name, IIEValue* value);

  const std::string& Name() const { return name_; }
  IIEValue* Value() const { return value_.get(); }
  void SetValue(IIEValue* value) { value_ = Ref<IIEValue>(value); }

  void Assign(const TPersistent& source) override;
  // A binding with the same place, the same name, and the same or an equal value.
  bool Equals(const TPersistent* other) const override;
  // "name=<name>", " value=<value>" when there is one, then the place.
  std::string ToString() const override;

 private:
  Ref<IIEValue> value_;
  std::string name_;
};

enum TTableNotification : uint8_t { tnAdded, tnDeleted, tnCleared };

// The bindings of one scope, by name. Owns its bindings: putting a binding
// under a taken name frees the old one; removing and clearing free.
class RULECORE_API TBindings {
 public:
  explicit TBindings(TIEContext* context) : context_(context) {}

  TBinding* Get(std::string_view name) const;
  // Takes ownership of `binding` and stores it under its name.
  TBinding* Put(std::unique_ptr<TBinding> binding);
  bool Remove(std::string_view name);
  void Clear();
  int Count() const { return table_.Count(); }
  TBinding* At(int i) const { return table_.At(i).second.get(); }

 private:
  TIEContext* context_;  // the owning context, told of every change
  TStringHashTable<std::unique_ptr<TBinding>> table_;
};

class RULECORE_API TIEContext : public TPersistent, public IIEContext {
  RC_DECLARE_CLASS(TIEContext)

 public:
  // REQUIRES: `parent` and `engine`, when given, outlive this context.
  TIEContext(TIEContext* parent, IFactEngine* engine);
  ~TIEContext() override;

  TIEContext* Parent() const { return parent_; }
  IFactEngine* Engine() const { return engine_; }
  TBindings& Bindings() { return bindings_; }
  IFact* Fact() const { return fact_.get(); }
  void SetFact(IFact* fact) { fact_ = Ref<IFact>(fact); }
  IReteToken* Token() const { return token_.get(); }
  void SetToken(IReteToken* token) { token_ = Ref<IReteToken>(token); }
  bool ReturnSet() const { return return_set_; }
  IIEValue* ReturnValue() const { return return_value_.get(); }

  // A new context whose parent is this one, with the same engine.
  std::unique_ptr<TIEContext> Push();
  // Hands this context's return flag and value to the parent and returns the
  // parent; the root returns itself. Does not free this context.
  TIEContext* Pop();

  // The binding of `name` here or in an enclosing scope; nil when none.
  TBinding* FindBinding(std::string_view name) const;
  // The binding of `name` in the root context only.
  TBinding* FindGlobalBinding(std::string_view name) const;
  // The value bound to `name`; SUnknownVariable when there is no binding.
  IIEValue* GetVariable(std::string_view name) const;

  // Replaces any binding of `name` up the chain by a new pattern binding here.
  virtual TBinding* AddBinding(const std::string& name, int32_t fact_idx,
                               const std::string& slot_name, int32_t sub_idx);
  // Changes the value of the nearest binding of `name`, or binds it here.
  virtual TBinding* AddBinding(const std::string& name, IIEValue* value);
  // Binds `name` here, replacing a binding of this context only.
  virtual TBinding* AddLocalBinding(const std::string& name, IIEValue* value);
  // Changes or creates the binding of `name` in the root context.
  virtual TBinding* AddGlobalBinding(const std::string& name, IIEValue* value);
  // Changes the binding of this context when it has one, else as AddBinding.
  virtual TBinding* SetVariable(const std::string& name, IIEValue* value);

  virtual void SetReturnValue(IIEValue* value);
  virtual void ClearReturnValue();
  // Removes every binding (and with it the return flag).
  virtual void Clear();
  // Copies the return flag and a clone of the return value; not the bindings.
  void Assign(const TPersistent& source) override;

  // Told by the bindings of every addition, deletion and clearing.
  virtual void Notify(TBinding* binding, TTableNotification action);

  // A new vector of the list's elements resolved here, nested lists spliced in.
  Ref<TValueVector> ExpandList(IValueVector* list);
  // A new vector of the list's elements with nested lists spliced in, unresolved.
  static Ref<TValueVector> FlattenList(IValueVector* list);
  // Resolves every value present in `fact` here and stores it back; fuzzy
  // slots are evaluated as fuzzy expressions by the engine. Returns `fact`.
  IFact* Resolve(IFact* fact);

  // ---- IIEContext
  IIEValue* FindBindingValue(std::string_view name) override;
  Ref<IIEValue> ResolveBindingInfo(const TBindingInfo& info) override;

 private:
  TIEContext* Root();
  const TIEContext* Root() const;

  bool return_set_ = false;
  Ref<IIEValue> return_value_;
  IFactEngine* engine_;
  TBindings bindings_;
  TIEContext* parent_;
  Ref<IFact> fact_;
  Ref<IReteToken> token_;
};

}  // namespace rulecore
