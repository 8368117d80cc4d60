// rulecore: an embeddable expert-system shell.
// TFunctionCall: one call site, "(name arg ...)". A call finds its function
// by name through its reasoner the first time it runs and keeps it; a call
// whose function is missing raises SNoSuchFunction and looks again next time.
#pragma once

#include <string>
#include <vector>

#include "core/interfaces.h"

namespace rulecore {

class RULECORE_API TFunctionCall : public IFunCall {
 public:
  using IFunCall::Equals;

  // REQUIRES: `reasoner`, when given, outlives this call.
  explicit TFunctionCall(IReasoner* reasoner = nullptr, const std::string& name = "");

  int AddArgument(IIEValue* value) override;
  int AddArgument(double value, TIEType kind) override;
  int AddArgument(int32_t value, TIEType kind) override;
  int AddArgument(const std::string& text, TIEType kind) override;
  int AddArgument(IFact* fact) override;
  int AddArgument(IFunCall* call) override;
  int AddArgument(IValueVector* list) override;
  void Clear() override { arguments_.clear(); }
  void Delete(int index) override;
  IIEValue* GetArgument(int index) const override;
  void SetArgument(int index, IIEValue* value) override;
  int GetArgumentCount() const override { return static_cast<int>(arguments_.size()); }

  IUserFunction* GetUserFunction() const override { return function_.get(); }
  // Binds the function; the call takes its name (empty for nil).
  void SetUserFunction(IUserFunction* function) override;
  Ref<IIEValue> Execute(IIEContext* context) override;
  // Calls the bound function without looking it up.
  Ref<IIEValue> SimpleExecute(IIEContext* context);

  // Same name (case matters), same number of arguments, equal arguments.
  bool Equals(IFunCall* other) override;
  bool Equals(IInterface* other) override;
  // CalculateHash of the name plus the arguments' hash codes.
  int32_t GetHashCode() const override;
  // The reasoner's pretty-print, or the rule-language form without one.
  std::string GetToString() const override;
  IReasoner* GetReasoner() const override { return reasoner_; }
  void SetReasoner(IReasoner* reasoner) { reasoner_ = reasoner; }
  std::string GetName() const override { return name_; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  std::string GetComment() const override { return comment_; }
  void SetComment(const std::string& comment) override { comment_ = comment; }
  int32_t GetTag() const override { return tag_; }
  void SetTag(int32_t tag) override { tag_ = tag; }
  // Copies name, reasoner, function, Tag, comment and copies of the arguments.
  void Assign(IInterface* source) override;
  Ref<IFunCall> Clone() const override;

 private:
  void CheckIndex(int index) const;

  IReasoner* reasoner_;
  std::vector<Ref<IIEValue>> arguments_;
  Ref<IUserFunction> function_;
  std::string name_;
  int32_t tag_ = 0;
  std::string comment_;
};

// The rule-language form of a call: its comment lines, then "(name args)";
// "modify" and "duplicate" write every argument after the first as a
// parenthesised slot/value pair.
RULECORE_API std::string FunCallToRuleText(const IFunCall& call);

}  // namespace rulecore
