// rulecore: an embeddable expert-system shell.
// The interfaces through which the parts of the system hold each other:
// values, vectors, facts, templates, slots, function calls, functions, tokens
// and defined types are shared by reference count (IInterface, Ref<T>); the
// engine (IReasoner, ISingletonsParser) and the execution context
// (IIEContext) are not counted: they belong to their owners, and holders keep
// plain pointers that must not outlive them. "Query another interface" is
// Query<I>(object).
//
// Getters that return an interface pointer lend it: the object stays alive
// while its holder is unchanged. A caller that keeps it takes a Ref.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ie_consts.h"
#include "platform/interface.h"
#include "platform/object.h"

namespace rulecore {

class IIEValue;
class IValueVector;
class ISingletonsVector;
class ISingletonsParser;
class IFact;
class IFactSlot;
class IFactTemplate;
class IFunCall;
class IUserFunction;
class IInterpretedFunction;
class IReasoner;
class IReteToken;
class IIEDefinedType;
class IIEContext;
class IFuzzySet;
class IFuzzyVariable;
class TBindingInfo;
class TComponent;

// Called after a value has changed, with the value as sender.
using TIEValueChangeEvent = std::function<void(IIEValue* sender)>;

// The copyable base: assignment from another interface, equality with
// another interface (true when the other offers the same interface and
// compares equal), and a free Tag for the user.
class RULECORE_API ICloneable : public virtual IInterface {
 public:
  virtual void Assign(IInterface* source) = 0;
  virtual bool Equals(IInterface* other) = 0;
  virtual int32_t GetTag() const = 0;
  virtual void SetTag(int32_t tag) = 0;
};

// ---------------------------------------------------------------- values

class RULECORE_API IIEValue : public virtual ICloneable {
 public:
  using ICloneable::Assign;
  using ICloneable::Equals;

  virtual std::string GetAsAtom() const = 0;
  virtual int32_t GetAsDescriptor() const = 0;
  virtual void* GetAsExternalAddress() const = 0;
  virtual int32_t GetAsFactId() const = 0;
  virtual double GetAsFloat() const = 0;
  virtual IFunCall* GetAsFunCall() const = 0;
  virtual IFuzzySet* GetAsFuzzy() const = 0;
  virtual TObject* GetAsOwnedObject() const = 0;
  virtual int32_t GetAsInteger() const = 0;
  virtual IValueVector* GetAsList() const = 0;
  virtual std::string GetAsMultiSlot() const = 0;
  virtual std::string GetAsMultiVariable() const = 0;
  virtual ISingletonsVector* GetAsSingletons() const = 0;
  virtual std::string GetAsSlot() const = 0;
  virtual std::string GetAsString() const = 0;
  virtual std::string GetAsVariable() const = 0;
  virtual TIEType GetDType() const = 0;
  virtual int32_t GetHashCode() const = 0;
  virtual const TIEValueChangeEvent* GetOnChange() const = 0;
  virtual void SetOnChange(TIEValueChangeEvent handler) = 0;
  virtual void SetAsAtom(std::string_view text) = 0;
  virtual void SetAsDescriptor(int32_t value) = 0;
  virtual void SetAsExternalAddress(void* address) = 0;
  virtual void SetAsFactId(int32_t id) = 0;
  virtual void SetAsFloat(double value) = 0;
  virtual void SetAsFunCall(IFunCall* call) = 0;
  virtual void SetAsFuzzy(IFuzzySet* set) = 0;
  // Takes ownership of `object` (REQUIRES: nobody else frees it, unless it is
  // a component, whose destruction the value then notices).
  virtual void SetAsOwnedObject(TObject* object) = 0;
  virtual void SetAsInteger(int32_t value) = 0;
  virtual void SetAsList(IValueVector* list) = 0;
  virtual void SetAsMultiSlot(std::string_view name) = 0;
  virtual void SetAsMultiVariable(std::string_view name) = 0;
  virtual void SetAsSingletons(ISingletonsVector* singletons) = 0;
  virtual void SetAsSlot(std::string_view name) = 0;
  virtual void SetAsString(std::string_view text) = 0;
  virtual void SetAsVariable(std::string_view name) = 0;
  virtual double GetAsNumeric() const = 0;
  virtual IFact* GetAsFact() const = 0;
  virtual void SetAsFact(IFact* fact) = 0;
  virtual TObject* GetAsObject() const = 0;
  virtual void SetAsObject(TObject* object) = 0;
  virtual const TClassInfo* GetAsClass() const = 0;
  virtual void SetAsClass(const TClassInfo* cls) = 0;
  // Strict equality (the rule language's eq).
  virtual bool Equals(IIEValue* other) = 0;
  // Converting equality (the rule language's eq*).
  virtual bool EqualsStar(IIEValue* other) = 0;
  virtual bool IsOwningObject() const = 0;
  // Variables, calls and binding references resolved in `context`; other
  // values resolve to themselves.
  virtual Ref<IIEValue> Resolve(IIEContext* context) = 0;
  virtual void Reset() = 0;
  virtual std::string GetToString() const = 0;
  // Sets `dest` from this value through its setters (lists are cloned).
  virtual void AssignTo(IIEValue* dest) const = 0;
  virtual Ref<IIEValue> Clone() const = 0;
  // The text payload of a text kind (IEStringTypes) without copying it; empty
  // for other kinds. Lets equality and hashing compare texts without building
  // strings.
  virtual std::string_view PeekText() const = 0;
};

class RULECORE_API IValueVector : public virtual ICloneable {
 public:
  using ICloneable::Equals;

  virtual int GetValueCount() const = 0;
  // REQUIRES for index operations: a valid index; otherwise EIEException.
  virtual IIEValue* Get(int index) const = 0;
  virtual void Put(int index, IIEValue* value) = 0;
  virtual bool Equals(IValueVector* other) = 0;
  virtual int Add(IIEValue* value) = 0;
  virtual void Clear() = 0;
  virtual IIEValue* First() const = 0;
  // The index of the first entry equal (strictly) to `value`; -1 when none.
  virtual int IndexOf(IIEValue* value) const = 0;
  virtual void Insert(int index, IIEValue* value) = 0;
  virtual IIEValue* Last() const = 0;
  virtual void Delete(int index) = 0;
  // Appends the other vector's values themselves (shared, not copied).
  virtual void Append(IValueVector* other) = 0;
  // Removes the first entry equal to `value`; returns its index or -1.
  virtual int Remove(IIEValue* value) = 0;
  virtual std::string GetToString() const = 0;
  virtual int32_t GetHashCode() const = 0;
  // A new vector holding copies of this one's values.
  virtual Ref<IValueVector> Clone() const = 0;
};

class RULECORE_API ISingletonsVector : public virtual ICloneable {
 public:
  using ICloneable::Equals;

  virtual int GetCount() const = 0;
  virtual IIEValue* GetXValues(int index) const = 0;
  virtual void SetXValues(int index, IIEValue* value) = 0;
  virtual IIEValue* GetYValues(int index) const = 0;
  virtual void SetYValues(int index, IIEValue* value) = 0;
  virtual int Add(IIEValue* x, IIEValue* y) = 0;
  virtual void Clear() = 0;
  virtual ISingletonsParser* GetParser() const = 0;
  virtual void SetParser(ISingletonsParser* parser) = 0;
  virtual int IndexOfX(IIEValue* value) const = 0;
  virtual int IndexOfY(IIEValue* value) const = 0;
  virtual void Insert(int index, IIEValue* x, IIEValue* y) = 0;
  virtual void Delete(int index) = 0;
  virtual void Append(ISingletonsVector* other) = 0;
  virtual bool Equals(ISingletonsVector* other) = 0;
  virtual std::string GetToString() const = 0;
  virtual int32_t GetHashCode() const = 0;
  virtual Ref<ISingletonsVector> Clone() const = 0;
};

// Reads and prints singletons text; implemented by the engine. Not counted.
class RULECORE_API ISingletonsParser {
 public:
  virtual Ref<ISingletonsVector> ParseSingletons(const std::string& text) = 0;
  virtual std::string PrettyPrint(ISingletonsVector* singletons) = 0;

 protected:
  ~ISingletonsParser() = default;
};

// ---------------------------------------------------------------- context

// The execution context as values see it when they resolve themselves: the
// variable bindings of the current scope and its enclosing scopes, and the
// partial match that pattern binding references read. Owned by the engine or
// by the caller that pushed it.
class RULECORE_API IIEContext {
 public:
  // The value bound to `name` in this scope or an enclosing one; nil when the
  // name has no binding or its binding has no value.
  virtual IIEValue* FindBindingValue(std::string_view name) = 0;
  // The value a pattern binding reference stands for in this context.
  virtual Ref<IIEValue> ResolveBindingInfo(const TBindingInfo& info) = 0;

 protected:
  ~IIEContext() = default;
};

// ---------------------------------------------------------------- facts

class RULECORE_API IFact : public virtual ICloneable {
 public:
  using ICloneable::Equals;

  virtual void AssignValues(IFact* source) = 0;
  virtual bool ContainsKey(std::string_view slot_name) const = 0;
  virtual int32_t GetHashCode() const = 0;
  virtual int32_t GetID() const = 0;
  virtual IFactTemplate* GetTemplate() const = 0;
  virtual std::string GetToString() const = 0;
  virtual std::string GetToIDString() const = 0;
  virtual IIEValue* GetValue(std::string_view slot_name) = 0;
  // The same value; `hint` remembers where the slot was found, so that a
  // reader asking for one slot of many facts of a template finds it at once.
  virtual IIEValue* GetValueHinted(std::string_view slot_name, int32_t& hint) {
    (void)hint;
    return GetValue(slot_name);
  }
  virtual std::vector<IIEValue*> GetSlotValues() const = 0;
  virtual std::vector<std::string> GetSlotNames() const = 0;
  virtual void SetValue(std::string_view slot_name, IIEValue* value) = 0;
  virtual void SetID(int32_t id) = 0;
  virtual void SetTemplate(IFactTemplate* tmpl) = 0;
  virtual bool Equals(IFact* other) = 0;
  virtual Ref<IFact> Clone() const = 0;
};

class RULECORE_API IFactSlot : public virtual ICloneable {
 public:
  virtual bool GetDefaultDynamic() const = 0;
  virtual IIEDefinedType* GetExtendedTypeInfo() const = 0;
  virtual std::string GetName() const = 0;
  virtual IIEValue* GetSlotDefault() const = 0;
  virtual TIETypes GetSlotType() const = 0;
  virtual std::string GetToString() const = 0;
  virtual std::string GetTemplateName() const = 0;
  virtual bool IsFuzzy() const = 0;
  virtual void SetDefaultDynamic(bool on) = 0;
  virtual void SetExtendedTypeInfo(IIEDefinedType* type) = 0;
  virtual void SetName(const std::string& name) = 0;
  virtual void SetSlotDefault(IIEValue* value) = 0;
  virtual void SetSlotType(TIETypes kinds) = 0;
  virtual Ref<IIEValue> CreateValidDefault(bool multi) = 0;
  virtual std::string GetInvalidValueString(IIEValue* value) = 0;
  virtual bool IsValid(IIEValue* value) = 0;
};

class RULECORE_API IFactTemplate : public virtual ICloneable {
 public:
  // A copy owned by `new_owner` (nil: no owner).
  virtual Ref<IFactTemplate> Clone(TComponent* new_owner) const = 0;
  virtual void AssignSlots(IFactTemplate* source) = 0;
  virtual bool IsBackwardChaining() const = 0;
  virtual bool IsOrdered() const = 0;
  virtual void FillFactWithDefaults(IFact* fact) = 0;
  virtual std::string GetComment() const = 0;
  virtual int32_t GetHashCode() const = 0;
  virtual std::string GetToString() const = 0;
  // The owning component (usually an engine); nil when none.
  virtual TComponent* GetOwner() const = 0;
  virtual IFactTemplate* GetParent() const = 0;
  virtual int GetSlotCount() const = 0;
  virtual IFactSlot* GetSlot(std::string_view name) const = 0;
  virtual std::vector<IFactSlot*> GetSlots() const = 0;
  virtual std::vector<std::string> GetSlotNames() const = 0;
  virtual std::string GetTemplateName() const = 0;
  virtual bool IsFuzzy() const = 0;
  virtual void SetBackwardChaining(bool on) = 0;
  virtual void SetComment(const std::string& comment) = 0;
  virtual void SetParent(IFactTemplate* parent) = 0;
  virtual void SetSlot(std::string_view name, IFactSlot* slot) = 0;
  virtual void SetTemplateName(const std::string& name) = 0;
  virtual IFactSlot* AddMultiSlot(const std::string& name, IIEValue* default_value) = 0;
  virtual IFactSlot* AddSlot(const std::string& name, IIEValue* default_value) = 0;
  virtual IFactSlot* AddSlot(IFactSlot* slot) = 0;
  virtual bool ContainsSlot(std::string_view name) const = 0;
  virtual bool ContainsSlot(std::string_view name, IFactSlot** slot) const = 0;
  virtual bool ContainsType(IIEDefinedType* type) const = 0;
  virtual void RemoveSlot(std::string_view name) = 0;
  virtual void ClearSlots() = 0;
};

// ---------------------------------------------------------------- functions

class RULECORE_API IFunCall : public virtual ICloneable {
 public:
  using ICloneable::Equals;

  // Each AddArgument appends one argument and returns its index.
  virtual int AddArgument(IIEValue* value) = 0;
  virtual int AddArgument(double value, TIEType kind) = 0;
  virtual int AddArgument(int32_t value, TIEType kind) = 0;
  virtual int AddArgument(const std::string& text, TIEType kind) = 0;
  virtual int AddArgument(IFact* fact) = 0;
  virtual int AddArgument(IFunCall* call) = 0;
  virtual int AddArgument(IValueVector* list) = 0;
  virtual void Clear() = 0;
  virtual void Delete(int index) = 0;
  virtual bool Equals(IFunCall* other) = 0;
  virtual IIEValue* GetArgument(int index) const = 0;
  virtual void SetArgument(int index, IIEValue* value) = 0;
  virtual int GetArgumentCount() const = 0;
  virtual IUserFunction* GetUserFunction() const = 0;
  // Looks the function up by name through the reasoner (once) and calls it;
  // SNoSuchFunction when there is none. The result may be nil.
  virtual Ref<IIEValue> Execute(IIEContext* context) = 0;
  virtual std::string GetToString() const = 0;
  virtual int32_t GetHashCode() const = 0;
  virtual IReasoner* GetReasoner() const = 0;
  virtual std::string GetName() const = 0;
  virtual std::string GetComment() const = 0;
  virtual void SetUserFunction(IUserFunction* function) = 0;
  virtual void SetComment(const std::string& comment) = 0;
  virtual Ref<IFunCall> Clone() const = 0;
};

class RULECORE_API IUserFunction : public virtual IInterface {
 public:
  virtual void AddReasoner(IReasoner* reasoner) = 0;
  virtual void ClearReasoners() = 0;
  virtual void DeleteReasoner(int index) = 0;
  virtual void DeleteReasoner(IReasoner* reasoner) = 0;
  virtual int IndexOfReasoner(IReasoner* reasoner) const = 0;
  virtual int32_t GetMaxArgumentCount() const = 0;
  virtual int32_t GetMinArgumentCount() const = 0;
  virtual IReasoner* GetReasoner(int index) const = 0;
  virtual int GetReasonerCount() const = 0;
  virtual std::string GetArgumentString() const = 0;
  virtual std::string GetComment() const = 0;
  virtual std::string GetFunctionName() const = 0;
  virtual std::string GetToString(IReasoner* reasoner) const = 0;
  virtual void SetArgumentString(const std::string& text) = 0;
  virtual void SetComment(const std::string& text) = 0;
  virtual void SetFunctionName(const std::string& name) = 0;
  virtual void SetMaxArgumentCount(int32_t count) = 0;
  virtual void SetMinArgumentCount(int32_t count) = 0;
  // Checks the argument count and calls the function; the result goes to `result`.
  virtual void Call(IFunCall* call, IIEContext* context, Ref<IIEValue>& result) = 0;
};

class RULECORE_API IInterpretedFunction : public virtual IUserFunction {
 public:
  virtual void AddArgument(const std::string& name, TIEType kind) = 0;
  virtual void AddStatement(IFunCall* statement) = 0;
  virtual void AddStatement(IIEValue* statement) = 0;
  virtual IIEValue* GetStatement(int index) const = 0;
  virtual int GetStatementCount() const = 0;
  virtual IIEValue* GetArgument(int index) const = 0;
  virtual int GetArgumentCount() const = 0;
  virtual int32_t GetOrder() const = 0;
  virtual void SetOrder(int32_t order) = 0;
};

// The engine as functions, templates and defined types see it. Not counted:
// the engine belongs to its owner, and holders must not outlive it.
class RULECORE_API IReasoner {
 public:
  virtual std::string PrettyPrint(IFunCall* call) = 0;
  virtual std::string PrettyPrint(IFact* fact) = 0;
  virtual std::string PrettyPrint(IUserFunction* function) = 0;
  virtual std::string PrettyPrint(IInterpretedFunction* function) = 0;
  virtual std::string PrettyPrint(IIEDefinedType* type) = 0;
  virtual void AddUserFunction(IUserFunction* function) = 0;
  virtual void RemoveUserFunction(IUserFunction* function) = 0;
  virtual bool ContainsUserFunction(std::string_view name) = 0;
  virtual bool ContainsUserFunction(std::string_view name, IUserFunction** function) = 0;
  virtual IUserFunction* GetUserFunction(std::string_view name) = 0;
  virtual std::vector<IUserFunction*> GetUserFunctions() = 0;
  virtual void SetUserFunction(std::string_view name, IUserFunction* function) = 0;

 protected:
  ~IReasoner() = default;
};

// ---------------------------------------------------------------- tokens

class RULECORE_API IReteToken : public virtual IInterface {
 public:
  virtual bool Equals(IReteToken* other) = 0;
  virtual int32_t GetNegatedCount() const = 0;
  virtual void SetNegatedCount(int32_t count) = 0;
  virtual int GetCount() const = 0;
  virtual IFact* GetFact() const = 0;
  virtual IFact* GetFacts(int index) const = 0;
  virtual IReteToken* GetParent() const = 0;
  virtual int32_t GetSortCode() const = 0;
  virtual TTokenAction GetTag() const = 0;
  virtual float GetStrength() const = 0;
  virtual void SetStrength(float strength) = 0;
  virtual void SetTag(TTokenAction action) = 0;
  virtual std::string GetToString() const = 0;
  virtual std::string GetToFactsString() const = 0;
};

// ---------------------------------------------------------------- defined types

class RULECORE_API IIEDefinedType : public virtual ICloneable {
 public:
  using ICloneable::Assign;
  using ICloneable::Equals;

  virtual IIEDefinedType* GetAncestor() const = 0;
  virtual TIETypes GetBaseTypes() const = 0;
  virtual std::string GetComment() const = 0;
  virtual std::string GetConstraintAtom(int index) const = 0;
  virtual int GetConstraintAtomsCount() const = 0;
  virtual double GetConstraintFloat(int index) const = 0;
  virtual int GetConstraintFloatsCount() const = 0;
  virtual int32_t GetConstraintInteger(int index) const = 0;
  virtual int GetConstraintIntegersCount() const = 0;
  virtual TValueConstraints GetConstraints() const = 0;
  virtual std::string GetConstraintString(int index) const = 0;
  virtual int GetConstraintStringsCount() const = 0;
  virtual IFuzzyVariable* GetFuzzyType() const = 0;
  virtual int32_t GetMaxCardinality() const = 0;
  virtual double GetMaxRange() const = 0;
  virtual int32_t GetMinCardinality() const = 0;
  virtual double GetMinRange() const = 0;
  virtual std::string GetName() const = 0;
  virtual IReasoner* GetReasoner() const = 0;
  virtual bool GetCardinalityLimited() const = 0;
  virtual bool GetRangeLimited() const = 0;
  virtual std::string GetUnits() const = 0;
  virtual bool GetImplicit() const = 0;
  virtual const TNotifyEvent& GetOnChange() const = 0;
  virtual void SetOnChange(TNotifyEvent handler) = 0;
  virtual void SetAncestor(IIEDefinedType* ancestor) = 0;
  virtual void SetImplicit(bool on) = 0;
  virtual void SetUnits(const std::string& units) = 0;
  virtual void SetBaseTypes(TIETypes kinds) = 0;
  virtual void SetComment(const std::string& comment) = 0;
  virtual void SetConstraints(TValueConstraints constraints) = 0;
  virtual void SetFuzzyType(IFuzzyVariable* variable) = 0;
  virtual void SetMaxCardinality(int32_t value) = 0;
  virtual void SetMaxRange(double value) = 0;
  virtual void SetMinCardinality(int32_t value) = 0;
  virtual void SetMinRange(double value) = 0;
  virtual void SetName(const std::string& name) = 0;
  virtual void SetReasoner(IReasoner* reasoner) = 0;
  virtual void SetCardinalityLimited(bool on) = 0;
  virtual void SetRangeLimited(bool on) = 0;
  virtual std::string GetToString() const = 0;
  virtual std::string GetValueToString(IIEValue* value) const = 0;
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
  virtual void AddConstraint(IIEValue* value) = 0;
  virtual void ClearConstraints() = 0;
  virtual void ClearConstraints(TValueConstraints which) = 0;
  virtual void RemoveConstraint(IIEValue* value) = 0;
  virtual void DeleteConstraint(int index, TValueConstraint constraint) = 0;
  virtual Ref<IIEValue> CreateValidDefault(bool multi) = 0;
  virtual bool IsConstraint(IIEValue* value, TValueConstraint* constraint) = 0;
  virtual bool IsValid(IIEValue* value) = 0;
  virtual std::string GetInvalidValueString(IIEValue* value) = 0;
  virtual bool Equals(IIEDefinedType* other) = 0;
  virtual Ref<IIEDefinedType> Clone() const = 0;
};

}  // namespace rulecore
