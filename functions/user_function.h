// rulecore: an embeddable expert-system shell.
// The function model. Every callable thing - built-in commands, library
// functions, functions a host implements, deffunctions - is a user function:
// a name, a help comment, an argument syntax and an argument-count range,
// registered with one or more engines (reasoners) by name. Call() checks the
// argument count and dispatches to the virtual DoCall(); arguments arrive
// unevaluated and each function evaluates what it needs, so special forms are
// ordinary functions.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/interfaces.h"
#include "platform/component.h"

namespace rulecore {

class TIEContext;

inline constexpr int32_t kUnboundedArguments = 2147483647;

class RULECORE_API TIEUserFunction : public virtual IUserFunction, public TPersistent {
 public:
  TIEUserFunction() = default;
  TIEUserFunction(const std::string& name, const std::string& comment,
                  const std::string& argument_string, int32_t min_args, int32_t max_args);
  ~TIEUserFunction() override;

  // ---- reasoners: adding one registers this function with it by name,
  // removing one unregisters it.
  void AddReasoner(IReasoner* reasoner) override;
  void ClearReasoners() override;
  void DeleteReasoner(int index) override;
  void DeleteReasoner(IReasoner* reasoner) override;
  int IndexOfReasoner(IReasoner* reasoner) const override;
  IReasoner* GetReasoner(int index) const override;
  int GetReasonerCount() const override { return static_cast<int>(reasoners_.size()); }
  // Drops `reasoner` without unregistering from it (it is being freed).
  void ForgetReasoner(IReasoner* reasoner);

  int32_t GetMaxArgumentCount() const override { return max_args_; }
  int32_t GetMinArgumentCount() const override { return min_args_; }
  std::string GetArgumentString() const override { return argument_string_; }
  std::string GetComment() const override { return comment_; }
  std::string GetFunctionName() const override { return name_; }
  const std::string& FunctionName() const { return name_; }
  // The reasoner's pretty-print of this function.
  std::string GetToString(IReasoner* reasoner) const override;
  void SetArgumentString(const std::string& text) override { argument_string_ = text; }
  void SetComment(const std::string& text) override { comment_ = text; }
  // Re-registers the function with every reasoner under the new name.
  void SetFunctionName(const std::string& name) override;
  // A maximum below the minimum lowers the minimum.
  void SetMaxArgumentCount(int32_t count) override;
  // A minimum above the maximum raises the maximum.
  void SetMinArgumentCount(int32_t count) override;

  // The checked call: STooFewArgs / STooManyArgs with the function's name,
  // then DoCall with the context as an execution context.
  void Call(IFunCall* call, IIEContext* context, Ref<IIEValue>& result) override;

  // Copies minimum, maximum, comment and name from another user function.
  void Assign(const TPersistent& source) override;

 protected:
  // The function's work. The base leaves `result` empty.
  virtual void DoCall(IFunCall* call, TIEContext* context, Ref<IIEValue>& result);
  // Told of every reasoner added (true) or removed (false).
  virtual void ReasonerNotification(IReasoner* reasoner, bool added);

  // Evaluates argument `i` of `call` in `context` (helper for DoCall).
  static Ref<IIEValue> Evaluate(IFunCall* call, int i, TIEContext* context);

 private:
  int32_t min_args_ = 0;
  int32_t max_args_ = kUnboundedArguments;
  std::string comment_;
  std::vector<IReasoner*> reasoners_;  // not owned; each must outlive its link
  std::string name_;
  std::string argument_string_;
};

// The callback signature of functions implemented by a host.
using TCallEvent = std::function<void(TObject* sender, IFunCall* call, TIEContext* context,
                                      Ref<IIEValue>& result)>;

class TCustomUserFunction;
class TIEInnerFunction;

// Watches the owner component of an inner function and tells the function
// when that owner is freed.
class RULECORE_API TIEFunctionNexus : public TComponent {
 public:
  explicit TIEFunctionNexus(TIEInnerFunction* function) : function_(function) {}

 protected:
  void Notification(TComponent* c, TOperation op) override;

 private:
  TIEInnerFunction* function_;
};

// A function whose work is done by its owner (a TCustomUserFunction) or by
// an OnCall handler.
class RULECORE_API TIEInnerFunction : public TIEUserFunction {
 public:
  explicit TIEInnerFunction(TObject* owner);
  ~TIEInnerFunction() override;

  TObject* Owner() const { return owner_; }
  void ClearOwner();
  void SetOnCall(TCallEvent handler) { on_call_ = std::move(handler); }

 protected:
  // SNoSuchFunction when the owner is gone.
  void DoCall(IFunCall* call, TIEContext* context, Ref<IIEValue>& result) override;

 private:
  TObject* owner_;  // not owned
  std::unique_ptr<TIEFunctionNexus> nexus_;
  TCallEvent on_call_;
};

class IFactEngine;

// A component through which a host defines a function in code: set its name,
// range and OnCall handler, and connect it to an engine.
class RULECORE_API TCustomUserFunction : public TComponent {
  RC_DECLARE_CLASS(TCustomUserFunction)

 public:
  explicit TCustomUserFunction(TComponent* owner = nullptr);
  TCustomUserFunction(TComponent* owner, const std::string& function_name);
  ~TCustomUserFunction() override;

  IUserFunction* Function() const { return inner_.get(); }
  std::string FunctionName() const { return inner_->GetFunctionName(); }
  void SetFunctionName(const std::string& name);
  std::string Comment() const { return inner_->GetComment(); }
  void SetComment(const std::string& text) { inner_->SetComment(text); }
  std::string ArgumentString() const { return inner_->GetArgumentString(); }
  void SetArgumentString(const std::string& text) { inner_->SetArgumentString(text); }
  int32_t MinArgumentCount() const { return inner_->GetMinArgumentCount(); }
  int32_t MaxArgumentCount() const { return inner_->GetMaxArgumentCount(); }
  // Both rebuild the argument string from its placeholders.
  void SetMinArgumentCount(int32_t count);
  void SetMaxArgumentCount(int32_t count);
  void SetOnCall(TCallEvent handler) { on_call_ = std::move(handler); }

  IReasoner* Engine() const { return engine_; }
  // Unregisters the function from the old engine and registers it with the
  // new one (when it has a name).
  void SetEngine(IReasoner* engine);

  void Assign(const TPersistent& source) override;

  // The inner function's work: the nil value, or OnCall's result.
  void HandleCall(IFunCall* call, TIEContext* context, Ref<IIEValue>& result);

 protected:
  void Notification(TComponent* c, TOperation op) override;

 private:
  IReasoner* engine_ = nullptr;
  TComponent* engine_component_ = nullptr;  // engine_ as a component
  Ref<TIEInnerFunction> inner_;
  TCallEvent on_call_;
};

// The published form of TCustomUserFunction, registered for streaming.
class RULECORE_API TUserFunction : public TCustomUserFunction {
  RC_DECLARE_CLASS(TUserFunction)

 public:
  using TCustomUserFunction::TCustomUserFunction;
};

}  // namespace rulecore
