// rulecore: an embeddable expert-system shell.
// The predicate package: evenp, oddp, get-type and the type predicates
// (lexemep, numberp, floatp, fuzzyp, integerp, stringp, symbolp,
// multifieldp, external-addressp, objectp). The type predicates are all one
// class, TVerifyTypePFunction, that differs only in its set of kinds.
#pragma once

#include <string>

#include "core/ie_consts.h"
#include "functions/user_function.h"
#include "functions/user_package.h"

namespace rulecore {

// A predicate of one argument: TRUE when the evaluated argument's kind is
// one of `Types`, else FALSE. Its help text names the kinds and is rebuilt
// whenever the function is renamed or given other kinds.
class RULECORE_API TVerifyTypePFunction : public TIEUserFunction {
 public:
  TVerifyTypePFunction() : TVerifyTypePFunction(std::string(), TIETypes{}) {}
  TVerifyTypePFunction(const std::string& name, TIETypes types);

  TIETypes Types() const { return types_; }
  // Stores the kinds and rebuilds the help text.
  void SetTypes(TIETypes types);

  // Renames the function (see TIEUserFunction), then rebuilds its help text
  // and argument string.
  void SetFunctionName(const std::string& name) override;

  // Copies the kinds of another TVerifyTypePFunction, then what every user
  // function copies.
  void Assign(const TPersistent& source) override;

 protected:
  void DoCall(IFunCall* call, TIEContext* context, Ref<IIEValue>& result) override;

 private:
  void UpdateHelp();

  TIETypes types_;
};

class RULECORE_API TPredicatePackage : public TUserPackage {
 public:
  explicit TPredicatePackage(TComponent* owner = nullptr) : TUserPackage(owner) {}

 protected:
  // Appends evenp, oddp, get-type, then the ten type predicates.
  void CreateFunctions() override;
};

}  // namespace rulecore
