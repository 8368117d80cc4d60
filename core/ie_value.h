// rulecore: an embeddable expert-system shell.
// TIEValue, the one value object of the system: a kind and its payload. Every
// slot value, argument, result, binding, pattern constant and default is a
// TIEValue held through IIEValue. A value converts itself to other kinds on
// request (raising SNotCorrectType when it cannot), compares strictly (eq) and
// converting (eq*), hashes consistently with strict equality, prints itself
// in rule-language notation, resolves variables and calls in a context, and
// tells its OnChange listener after every change.
//
// Ownership: a value holds one reference to the fact, call, list, singletons
// or fuzzy set it carries; a dtObject value may own its host object (and then
// frees it when it changes), or, for a component, watch it and reset itself
// when someone else frees it. Numbers and short texts cost one allocation.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/interfaces.h"
#include "platform/component.h"

namespace rulecore {

class TIEValue;

// A host component that watches the component a value owns and tells the
// value when that component is freed by someone else.
class RULECORE_API TIEValueNexus : public TComponent {
  RC_DECLARE_CLASS(TIEValueNexus)

 public:
  explicit TIEValueNexus(TIEValue* value) : TComponent(nullptr), value_(value) {}

 protected:
  void Notification(TComponent* c, TOperation op) override;

 private:
  TIEValue* value_;  // the value that owns this nexus
};

class RULECORE_API TIEValue : public TPersistent, public IIEValue {
  RC_DECLARE_CLASS(TIEValue)

 public:
  using IIEValue::Assign;
  using IIEValue::Equals;

  // ---- constructors: every one returns a value with count zero
  TIEValue();  // dtNone
  explicit TIEValue(const TClassInfo* cls);
  // `kind` must be dtInteger, dtFactId or dtDescriptor, else SInvalidValueType.
  TIEValue(int32_t value, TIEType kind);
  // `kind` must be a text kind (IEStringTypes), else SInvalidValueType.
  TIEValue(std::string_view text, TIEType kind);
  explicit TIEValue(double value);
  explicit TIEValue(IValueVector* list);
  explicit TIEValue(IFact* fact);
  explicit TIEValue(IFunCall* call);
  explicit TIEValue(ISingletonsVector* singletons);
  explicit TIEValue(IFuzzySet* set);
  TIEValue(TObject* object, bool owns);
  explicit TIEValue(void* address);
  // A copy of `source` made by Assign(interface).
  explicit TIEValue(IIEValue* source);
  TIEValue(int) = delete;  // say which integer kind is meant
  ~TIEValue() override;

  // ---- getters (SNotCorrectType when the kind does not convert)
  std::string GetAsAtom() const override { return GetAsString(); }
  int32_t GetAsDescriptor() const override;
  void* GetAsExternalAddress() const override;
  int32_t GetAsFactId() const override;
  double GetAsFloat() const override { return GetAsNumeric(); }
  IFunCall* GetAsFunCall() const override;
  IFuzzySet* GetAsFuzzy() const override;
  TObject* GetAsOwnedObject() const override { return GetAsObject(); }
  int32_t GetAsInteger() const override;
  IValueVector* GetAsList() const override;
  std::string GetAsMultiSlot() const override { return GetAsString(); }
  std::string GetAsMultiVariable() const override { return GetAsString(); }
  ISingletonsVector* GetAsSingletons() const override;
  std::string GetAsSlot() const override { return GetAsString(); }
  std::string GetAsString() const override;
  std::string GetAsVariable() const override { return GetAsString(); }
  double GetAsNumeric() const override;
  IFact* GetAsFact() const override;
  TObject* GetAsObject() const override;
  const TClassInfo* GetAsClass() const override;
  TIEType GetDType() const override { return kind_; }
  bool IsOwningObject() const override { return kind_ == dtObject && owns_; }
  std::string_view PeekText() const override {
    return IEStringTypes.Contains(kind_) ? std::string_view(text_) : std::string_view();
  }

  // ---- setters: Changing, store, Changed (one OnChange each)
  void SetAsAtom(std::string_view text) override { SetText(text, dtAtom); }
  void SetAsDescriptor(int32_t value) override { SetInt(value, dtDescriptor); }
  void SetAsExternalAddress(void* address) override;
  void SetAsFactId(int32_t id) override { SetInt(id, dtFactId); }
  void SetAsFloat(double value) override;
  void SetAsFunCall(IFunCall* call) override;
  void SetAsFuzzy(IFuzzySet* set) override;
  void SetAsOwnedObject(TObject* object) override;
  void SetAsInteger(int32_t value) override { SetInt(value, dtInteger); }
  void SetAsList(IValueVector* list) override;
  void SetAsMultiSlot(std::string_view name) override { SetText(name, dtMultiSlot); }
  void SetAsMultiVariable(std::string_view name) override { SetText(name, dtMultiVariable); }
  void SetAsSingletons(ISingletonsVector* singletons) override;
  void SetAsSlot(std::string_view name) override { SetText(name, dtSlot); }
  void SetAsString(std::string_view text) override { SetText(text, dtString); }
  void SetAsVariable(std::string_view name) override { SetText(name, dtVariable); }
  void SetAsFact(IFact* fact) override;
  void SetAsObject(TObject* object) override;
  void SetAsClass(const TClassInfo* cls) override;

  // ---- the rest of IIEValue
  int32_t GetHashCode() const override;
  const TIEValueChangeEvent* GetOnChange() const override { return on_change_.get(); }
  void SetOnChange(TIEValueChangeEvent handler) override;
  bool Equals(IIEValue* other) override;
  bool Equals(IInterface* other) override;
  bool EqualsStar(IIEValue* other) override;
  Ref<IIEValue> Resolve(IIEContext* context) override;
  // Clears the value to dtNone without notifying OnChange.
  void Reset() override;
  std::string GetToString() const override;
  void AssignTo(IIEValue* dest) const override;
  Ref<IIEValue> Clone() const override;
  int32_t GetTag() const override { return tag_; }
  void SetTag(int32_t tag) override { tag_ = tag; }

  // Assign(persistent): the source's payload is shared (lists too, except the
  // list of a shared constant, which is cloned); an owned object is copied.
  // Raises SUncloneableValue for an owned object that can be copied neither
  // as a component nor as a persistent object (this value has been reset by
  // then).
  void Assign(const TPersistent& source) override;
  // Assign(interface): as above, but a list is cloned, not shared.
  void Assign(IInterface* source) override;

  // Told by the nexus that the owned component is being freed elsewhere.
  virtual void Notification(TComponent* c, TOperation op);

  // True for the fourteen shared constants; they refuse every change.
  bool IsConstant() const { return constant_; }

 protected:
  // Releases the old payload before a change to `new_kind`.
  virtual void Changing(TIEType new_kind);
  // Calls OnChange.
  virtual void Changed();
  using TPersistent::AssignTo;

 private:
  friend struct ValueConstants;
  union Payload {
    int32_t i;
    double f;
    void* address;
    TObject* object;
    const TClassInfo* cls;
    IFunCall* call;
    IFact* fact;
    IValueVector* list;
    ISingletonsVector* singletons;
    IFuzzySet* fuzzy;
  };

  void SetText(std::string_view text, TIEType kind);
  void SetInt(int32_t value, TIEType kind);
  // Changing, store one payload member, Changed.
  template <class T>
  void SetPayload(TIEType kind, T Payload::*member, T value) {
    Changing(kind);
    kind_ = kind;
    payload_.*member = value;
    Changed();
  }
  // The same for an interface payload, which holds one reference. The new
  // reference is taken before the old payload goes, so that setting a value
  // to what it already holds is safe.
  template <class I>
  void SetHeld(TIEType kind, I* Payload::*member, I* object) {
    Ref<I> keep(object);
    Changing(kind);
    kind_ = kind;
    payload_.*member = keep.detach();
    Changed();
  }
  void TakeOwnership(TObject* object);
  void Clear();
  // Copies kind, payload and Tag of `source`; `clone_list` decides whether
  // a list is cloned or shared.
  void CopyFrom(const TIEValue& source, bool clone_list);
  void CheckMutable() const;
  // The interface the payload holds a reference to, for the interface kinds.
  IInterface* HeldInterface() const;
  [[noreturn]] void TypeError(const char* wanted) const;

  std::string text_;
  int32_t text_hash_ = 0;  // the text kinds' hash, taken when the text is set
  Payload payload_{};
  TIEType kind_ = dtNone;
  bool owns_ = false;  // dtObject only: the value owns payload_.object
  bool constant_ = false;
  int32_t tag_ = 0;
  std::unique_ptr<TIEValueNexus> nexus_;            // when the owned object is a component
  std::unique_ptr<TIEValueChangeEvent> on_change_;  // nil when no listener
};

// The shared constants, created when the library is loaded, in this order.
// Tested by identity; never changed. Not for use in static initializers.
RULECORE_API extern IIEValue* const FCTrue;
RULECORE_API extern IIEValue* const FCFalse;
RULECORE_API extern IIEValue* const FCNil;
RULECORE_API extern IIEValue* const FCNilList;
// The value as rule-language text: its printed form, except that nil (the
// shared value or any atom without text), which prints as nothing, is written
// "nil" so that it reads back.
RULECORE_API std::string ValueToRuleText(IIEValue* value);
RULECORE_API extern IIEValue* const FCCatch;
RULECORE_API extern IIEValue* const FCExcept;
RULECORE_API extern IIEValue* const FCFinally;
RULECORE_API extern IIEValue* const FCElse;
RULECORE_API extern IIEValue* const FCDo;
RULECORE_API extern IIEValue* const FCEOF;
RULECORE_API extern IIEValue* const FCThen;
RULECORE_API extern IIEValue* const FCPI;
RULECORE_API extern IIEValue* const FCEmptyString;
RULECORE_API extern IIEValue* const FCZero;

// True iff `value` is one of the fourteen shared constants (identity).
RULECORE_API bool IsValueConstant(const IIEValue* value);

// Short-hand constructors.
RULECORE_API Ref<IIEValue> NewAtom(std::string_view text);
RULECORE_API Ref<IIEValue> NewString(std::string_view text);
RULECORE_API Ref<IIEValue> NewVariable(std::string_view name);
RULECORE_API Ref<IIEValue> NewInteger(int32_t value);
RULECORE_API Ref<IIEValue> NewFactId(int32_t id);
RULECORE_API Ref<IIEValue> NewFloat(double value);
RULECORE_API Ref<IIEValue> NewList(IValueVector* list);
// A new dtList value holding a new empty vector.
RULECORE_API Ref<IIEValue> NewEmptyList();

}  // namespace rulecore
